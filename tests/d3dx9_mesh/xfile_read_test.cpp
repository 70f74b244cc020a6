// The .x reader without a device: one file in every form reads the same;
// frames, normals, texture coordinates and materials land where they
// belong; truncated, malformed and hostile files fail cleanly.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "d3dx9/d3dx9_xfile.h"
#include "xfile_writer.h"

using namespace qrn::d3dx9;
using testx::Form;

namespace {

XResult Read(const testx::Bytes& file, XMeshData* out)
{
    return ReadXFile(file.data(), file.size(), out);
}

testx::Bytes Text(const std::string& body)
{
    const std::string s = "xof 0303txt 0032\n" + body;
    return testx::Bytes(s.begin(), s.end());
}

void ExpectSame(const XMeshData& a, const XMeshData& b)
{
    ASSERT_EQ(a.positions.size(), b.positions.size());
    for (size_t i = 0; i < a.positions.size(); ++i) {
        EXPECT_EQ(a.positions[i].x, b.positions[i].x);
        EXPECT_EQ(a.positions[i].y, b.positions[i].y);
        EXPECT_EQ(a.positions[i].z, b.positions[i].z);
    }
    ASSERT_EQ(a.normals.size(), b.normals.size());
    for (size_t i = 0; i < a.normals.size(); ++i) EXPECT_EQ(a.normals[i].z, b.normals[i].z);
    EXPECT_EQ(a.colors, b.colors);
    EXPECT_EQ(a.texCoords, b.texCoords);
    EXPECT_EQ(a.indices, b.indices);
    EXPECT_EQ(a.attributes, b.attributes);
    ASSERT_EQ(a.materials.size(), b.materials.size());
    for (size_t i = 0; i < a.materials.size(); ++i) {
        EXPECT_EQ(0, std::memcmp(&a.materials[i].material, &b.materials[i].material, sizeof(D3DMATERIAL9)));
        EXPECT_EQ(a.materials[i].texture, b.materials[i].texture);
    }
}

}  // namespace

TEST(XFileRead, OneFileReadsTheSameAsTextBinaryCompressedAndWithDoubles)
{
    XMeshData text;
    ASSERT_EQ(Read(testx::SampleFile(1.5f).Write(Form::kText), &text), XResult::kOk);
    const testx::Bytes forms[] = {
        testx::SampleFile(1.5f).Write(Form::kBinary),
        testx::SampleFile(1.5f).Write(Form::kTextZip),
        testx::SampleFile(1.5f).Write(Form::kBinaryZip),
        testx::SampleFile(1.5f, true).Write(Form::kBinary),
        testx::SampleFile(1.5f, true).Write(Form::kText),
    };
    for (const testx::Bytes& f : forms) {
        SCOPED_TRACE(std::string(f.begin() + 8, f.begin() + 16));
        XMeshData other;
        ASSERT_EQ(Read(f, &other), XResult::kOk);
        ExpectSame(text, other);
    }

    // Small blocks: each block's deflate stream refers back into the one before.
    const testx::Bytes body = [] {
        const testx::Bytes t = testx::SampleFile(1.5f).Write(Form::kText);
        return testx::Bytes(t.begin() + 16, t.end());
    }();
    const testx::Bytes packed = testx::Compress(body, 97);
    testx::Bytes file = Text("");
    file.resize(16);
    std::memcpy(file.data() + 8, "tzip", 4);
    file.insert(file.end(), packed.begin(), packed.end());
    XMeshData blocks;
    ASSERT_EQ(Read(file, &blocks), XResult::kOk);
    ExpectSame(text, blocks);
}

TEST(XFileRead, FramesNormalsTextureCoordinatesAndMaterialsLandInOneMesh)
{
    XMeshData m;
    ASSERT_EQ(Read(testx::SampleFile(3.0f).Write(Form::kText), &m), XResult::kOk);

    // Body: 5 vertices, 5 of them split for the pentagon's other normal; the
    // root frame's second mesh adds 3. Quad (2) + triangle (1) + pentagon (3)
    // + the second mesh's triangle.
    ASSERT_EQ(m.positions.size(), 13u);
    ASSERT_EQ(m.NumFaces(), 7u);
    // Child frame (x * 2, y + 1) inside the root frame (x + 3).
    EXPECT_FLOAT_EQ(m.positions[0].x, 3.0f);
    EXPECT_FLOAT_EQ(m.positions[0].y, 1.0f);
    EXPECT_FLOAT_EQ(m.positions[2].x, 5.0f);
    EXPECT_FLOAT_EQ(m.positions[2].y, 2.0f);
    EXPECT_FLOAT_EQ(m.positions[4].x, 7.0f);
    // The second mesh only moves with the root.
    EXPECT_FLOAT_EQ(m.positions[10].x, 3.0f);
    EXPECT_FLOAT_EQ(m.positions[10].z, 5.0f);

    // Fans: the quad 0 1 2 3, the triangle 3 2 4, the pentagon round its first corner.
    const std::vector<uint32_t> first4(m.indices.begin(), m.indices.begin() + 9);
    EXPECT_EQ(first4, (std::vector<uint32_t>{0, 1, 2, 0, 2, 3, 3, 2, 4}));
    for (int k = 3; k < 6; ++k) {
        for (int c = 0; c < 3; ++c) {
            const uint32_t v = m.indices[size_t(k) * 3 + size_t(c)];
            EXPECT_GE(v, 5u) << "pentagon corners are the split copies";
            EXPECT_FLOAT_EQ(m.normals[v].z, 1.0f);
        }
    }
    EXPECT_FLOAT_EQ(m.normals[0].z, -1.0f);
    EXPECT_FLOAT_EQ(m.normals[10].z, 0.0f) << "a mesh without normals gets zero ones";
    // Split copies keep their vertex's position and texture coordinates.
    const uint32_t pentagonFirst = m.indices[9];  // copy of vertex 3
    EXPECT_FLOAT_EQ(m.positions[pentagonFirst].x, m.positions[3].x);
    EXPECT_FLOAT_EQ(m.texCoords[pentagonFirst * 2], 1.0f);
    EXPECT_FLOAT_EQ(m.texCoords[pentagonFirst * 2 + 1], 0.0f);
    // Vertex 4 and its split copy are orange; the rest, and the second mesh, white.
    ASSERT_EQ(m.colors.size(), 13u);
    EXPECT_EQ(m.colors[4], 0xFFFF8000u);
    EXPECT_EQ(std::count(m.colors.begin(), m.colors.end(), 0xFFFF8000u), 2);
    EXPECT_EQ(std::count(m.colors.begin(), m.colors.end(), 0xFFFFFFFFu), 11);

    // Materials: the inline one, the referenced one, a white one for the
    // mesh without a list. The short index list repeats its last entry.
    ASSERT_EQ(m.materials.size(), 3u);
    EXPECT_TRUE(m.materials[0].hasTexture);
    EXPECT_EQ(m.materials[0].texture, "leaf.tga");
    EXPECT_FLOAT_EQ(m.materials[0].material.Diffuse.a, 0.5f);
    EXPECT_FLOAT_EQ(m.materials[0].material.Power, 2.0f);
    EXPECT_FALSE(m.materials[1].hasTexture);
    EXPECT_FLOAT_EQ(m.materials[1].material.Diffuse.b, 0.6f);
    EXPECT_FLOAT_EQ(m.materials[1].material.Specular.g, 0.5f);
    EXPECT_FLOAT_EQ(m.materials[1].material.Emissive.r, 0.1f);
    EXPECT_FLOAT_EQ(m.materials[1].material.Ambient.r, 0.0f);
    EXPECT_FLOAT_EQ(m.materials[2].material.Diffuse.r, 1.0f);
    EXPECT_EQ(m.attributes, (std::vector<uint32_t>{0, 0, 1, 1, 1, 1, 2}));

    // A mesh defined once and referenced from two frames is drawn in both;
    // names may start with digits.
    const std::string tri = "3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;";
    XMeshData r;
    ASSERT_EQ(Read(Text("Mesh 1stMesh { " + tri + " }\nFrame A { FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, "
                        "0,0,7,1;; } { 1stMesh } }"),
                   &r),
              XResult::kOk);
    ASSERT_EQ(r.positions.size(), 6u);
    EXPECT_FLOAT_EQ(r.positions[0].z, 0.0f);
    EXPECT_FLOAT_EQ(r.positions[3].z, 7.0f);
}

TEST(XFileRead, AdjacencyJoinsFacesAcrossSplitVerticesAndIsSymmetric)
{
    XMeshData m;
    ASSERT_EQ(Read(testx::SampleFile().Write(Form::kText), &m), XResult::kOk);
    const auto adj = ComputeAdjacency(m.positions.data(), sizeof(XVec3), m.positions.size(), m.indices.data(),
                                      m.NumFaces(), 0.0f);
    ASSERT_EQ(adj.size(), m.NumFaces() * 3);
    // The quad's halves share edge 0-2; the triangle 3 2 4 meets the quad on 2-3.
    EXPECT_EQ(adj[0 * 3 + 2], 1u);
    EXPECT_EQ(adj[1 * 3 + 0], 0u);
    EXPECT_EQ(adj[1 * 3 + 1], 2u);
    EXPECT_EQ(adj[2 * 3 + 0], 1u);
    // The pentagon's corners are copies (split for their normal) but stand
    // where the quad's do: its fan meets the quad's free edge 1-2, and joins
    // inside itself.
    EXPECT_EQ(adj[0 * 3 + 1], 4u);
    EXPECT_EQ(adj[3 * 3 + 2], 4u);
    for (size_t f = 0; f < m.NumFaces(); ++f)
        for (int e = 0; e < 3; ++e) {
            const uint32_t g = adj[f * 3 + size_t(e)];
            if (g == UINT32_MAX) continue;
            ASSERT_LT(g, m.NumFaces());
            EXPECT_TRUE(adj[g * 3] == f || adj[g * 3 + 1] == f || adj[g * 3 + 2] == f) << f << " " << g;
        }
    // The second mesh's lone triangle has no neighbours.
    EXPECT_EQ(adj[6 * 3], UINT32_MAX);
}

TEST(XFileRead, TruncatedMalformedAndHostileFilesFailAndLeaveNothing)
{
    // Every cut of every form fails (compressed forms: the cut lands in a
    // block), and leaves the output empty.
    for (Form form : {Form::kText, Form::kBinary, Form::kTextZip, Form::kBinaryZip}) {
        const testx::Bytes whole = testx::SampleFile().Write(form);
        for (size_t cut = 0; cut + 1 < whole.size(); ++cut) {
            XMeshData m;
            const testx::Bytes part(whole.begin(), whole.begin() + long(cut));
            const XResult r = Read(part, &m);
            // The text form may lose only trailing white space and stay whole.
            if (form == Form::kText && cut + 2 >= whole.size()) continue;
            ASSERT_NE(r, XResult::kOk) << int(form) << " cut at " << cut;
            ASSERT_TRUE(m.positions.empty() && m.indices.empty() && m.materials.empty());
        }
    }

    const std::string tri = "3; 0;0;0;, 1;0;0;, 0;1;0;;\n";
    const std::string bad[] = {
        "Mesh { 4000000000; 0;0;0;; 1; 3;0,1,2;; }",                      // count beyond the file
        ("Mesh { " + tri + "1; 3;0,1,7;; }"),                     // index out of range
        ("Mesh { " + tri + "2; 3;0,1,2;; }"),                     // fewer faces than declared
        ("Mesh { " + tri + "1; 3;0,1,2;; MeshNormals { 1; 0;0;1;; 1; 3;0,0,5;; } }"),
        ("Mesh { " + tri + "1; 3;0,1,2;; MeshNormals { 1; 0;0;1;; 2; 3;0,0,0;, 3;0,0,0;; } }"),
        ("Mesh { " + tri + "1; 3;0,1,2;; MeshNormals { 1; 0;0;1;; 1; 4;0,0,0,0;; } }"),
        ("Mesh { " + tri + "1; 3;0,1,2;; MeshTextureCoords { 2; 0;0;, 1;1;; } }"),
        ("Mesh { " + tri + "1; 3;0,1,2;; MeshMaterialList { 1; 1; 1;; { Missing } } }"),
        ("Mesh { " + tri + "1; 3;0,1,2;; MeshMaterialList { 1; 1; 0;; { Missing } } }"),
        ("Mesh { " + tri + "1; 3;0,1,2;; MeshMaterialList { 2; 1; 0;; Material { 1;1;1;1;; 1; 0;0;0;; 0;0;0;; } } }"),
        ("Mesh { " + tri + "1; 3;0,1,2;; MeshMaterialList { 1; 1; 0;; Material { 1;1;1;1;; 1; 0;0;0;; 0;0;0;; "
         "TextureFilename { 7; } } } }"),
        ("Mesh { " + tri + "1; 3;0,1,-1;; }"),   // negative index
        ("Mesh { " + tri + "1; 3;0,1,1.5;; }"),  // fractional index
        ("Mesh { " + tri + "1; 3;0,1,2;; Unclosed { 1; }"),
        "Mesh { 3; 1e39;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }",  // beyond float
        "Frame F { FrameTransformMatrix { 1,0,0; } }",
        "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; } \"unterminated",
        "Header { 1; 0; 1; }",  // no mesh at all
        "",
    };
    for (const std::string& body : bad) {
        XMeshData m;
        EXPECT_NE(Read(Text(body), &m), XResult::kOk) << body;
        EXPECT_TRUE(m.positions.empty() && m.indices.empty());
    }

    // Frames nested beyond any model are refused, not recursed into.
    std::string deep;
    for (int i = 0; i < 100; ++i) deep += "Frame {";
    deep += "Mesh { " + tri + "1; 3;0,1,2;; }";
    for (int i = 0; i < 100; ++i) deep += "}";
    XMeshData m;
    EXPECT_EQ(Read(Text(deep), &m), XResult::kTooLarge);

    // Headers: wrong magic, version, format or float size.
    for (const char* header : {"xof 0303txt 0016", "xof 0203txt 0032", "xof 0303abc 0032", "xog 0303txt 0032"}) {
        std::string s = std::string(header) + "Mesh { " + tri + "1; 3;0,1,2;; }";
        EXPECT_NE(Read(testx::Bytes(s.begin(), s.end()), &m), XResult::kOk) << header;
    }

    // Compressed: a block without its signature, a size beyond the declared total.
    testx::Bytes zip = testx::SampleFile().Write(Form::kTextZip);
    zip[16 + 4 + 4] = 'X';
    EXPECT_NE(Read(zip, &m), XResult::kOk);
    zip = testx::SampleFile().Write(Form::kTextZip);
    zip[16] = 20;
    zip[17] = zip[18] = zip[19] = 0;
    EXPECT_NE(Read(zip, &m), XResult::kOk);

    // A reference costs a few bytes but copies a whole mesh: many of them are
    // refused, not multiplied out.
    std::string many = "Mesh Big { 3000; ";
    for (int i = 0; i < 3000; ++i) many += "0;0;0;,";
    many += "; 1; 3;0,1,2;; }\nFrame {";
    for (int i = 0; i < 20000; ++i) many += "{Big}";
    many += "}";
    EXPECT_EQ(Read(Text(many), &m), XResult::kTooLarge);
}

// Inputs the fuzz target once found breaking the reader.
TEST(XFileRead, FuzzFindsFailCleanly)
{
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(QRN_XFILE_REGRESSIONS)) {
        std::FILE* f = std::fopen(entry.path().c_str(), "rb");
        ASSERT_NE(f, nullptr);
        testx::Bytes bytes;
        for (int c; (c = std::fgetc(f)) != EOF;) bytes.push_back(uint8_t(c));
        std::fclose(f);
        XMeshData m;
        const XResult r = Read(bytes, &m);
        if (r == XResult::kOk) {
            for (uint32_t i : m.indices) ASSERT_LT(i, m.positions.size()) << entry.path();
        }
        ++files;
    }
    EXPECT_GT(files, 0u);
}
