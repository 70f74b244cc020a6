// The D3DX mesh object on a device: loading (the generated assets among
// them), optimisation that keeps the geometry and sorts by attribute in one
// order for meshes of one topology, cloning between vertex formats, normals,
// vertex colours, bounding boxes, subset drawing and failures that hand out
// nothing.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <map>

#include <d3dx9.h>

#include "draw_fixture.h"
#include "xfile_writer.h"

using namespace drawtest;

namespace {

struct Loaded {
    ID3DXMesh* mesh = nullptr;
    ID3DXBuffer* adjacency = nullptr;
    ID3DXBuffer* materials = nullptr;
    DWORD numMaterials = 0;
    HRESULT hr = E_FAIL;
    ~Loaded()
    {
        if (mesh) mesh->Release();
        if (adjacency) adjacency->Release();
        if (materials) materials->Release();
    }
};

void LoadMemory(IDirect3DDevice9* dev, const testx::Bytes& file, Loaded* out, DWORD options = D3DXMESH_MANAGED)
{
    out->hr = D3DXLoadMeshFromXInMemory(file.data(), DWORD(file.size()), options, dev, &out->adjacency,
                                        &out->materials, nullptr, &out->numMaterials, &out->mesh);
}

std::vector<uint32_t> Indices(ID3DXMesh* m)
{
    std::vector<uint32_t> out(m->GetNumFaces() * 3);
    void* p;
    if (FAILED(m->LockIndexBuffer(D3DLOCK_READONLY, &p))) return {};
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = (m->GetOptions() & D3DXMESH_32BIT) ? static_cast<uint32_t*>(p)[i] : static_cast<uint16_t*>(p)[i];
    m->UnlockIndexBuffer();
    return out;
}

std::vector<float> Vertices(ID3DXMesh* m)
{
    std::vector<float> out(m->GetNumVertices() * m->GetNumBytesPerVertex() / 4);
    void* p;
    if (FAILED(m->LockVertexBuffer(D3DLOCK_READONLY, &p))) return {};
    std::memcpy(out.data(), p, out.size() * 4);
    m->UnlockVertexBuffer();
    return out;
}

std::vector<DWORD> Attributes(ID3DXMesh* m)
{
    DWORD* p;
    if (FAILED(m->LockAttributeBuffer(D3DLOCK_READONLY, &p))) return {};
    std::vector<DWORD> out(p, p + m->GetNumFaces());
    m->UnlockAttributeBuffer();
    return out;
}

std::vector<D3DXATTRIBUTERANGE> Table(ID3DXMesh* m)
{
    DWORD n = 0;
    m->GetAttributeTable(nullptr, &n);
    std::vector<D3DXATTRIBUTERANGE> t(n);
    m->GetAttributeTable(t.data(), &n);
    return t;
}

// A face's three positions, as drawn (corner order kept).
using Face = std::array<std::array<float, 3>, 3>;
Face FaceAt(const std::vector<float>& v, const std::vector<uint32_t>& idx, size_t stride, size_t f)
{
    Face out;
    for (size_t c = 0; c < 3; ++c)
        for (size_t k = 0; k < 3; ++k) out[c][k] = v[idx[f * 3 + c] * stride / 4 + k];
    return out;
}

ULONG Refs(IUnknown* o)
{
    o->AddRef();
    return o->Release();
}

// A strip of quads along x with attributes alternating 0, 1, 2, 0, 1 ...
testx::XWriter Strip(int quads)
{
    std::vector<float> pos;
    std::vector<uint32_t> tris, mats;
    for (int i = 0; i <= quads; ++i)
        for (float y : {0.0f, 1.0f}) pos.insert(pos.end(), {float(i), y, 0.0f});
    for (int i = 0; i < quads; ++i) {
        const uint32_t a = uint32_t(i) * 2;
        tris.insert(tris.end(), {a, a + 1, a + 3, a, a + 3, a + 2});
        mats.insert(mats.end(), {uint32_t(i % 3), uint32_t(i % 3)});
    }
    return testx::PlainMesh(pos, tris, mats, 3);
}

}  // namespace

TEST_F(DrawTest, GeneratedTreeAndBirdsLoadWithMaterialsAndAdjacency)
{
    for (const char* name : {"tree.x", "BirdUP.x", "BirdDOWN.x"}) {
        SCOPED_TRACE(name);
        const DWORD before = Refs(dev_);
        ID3DXMesh* mesh = nullptr;
        ID3DXBuffer *adjacency = nullptr, *materials = nullptr;
        DWORD n = 0;
        ASSERT_EQ(D3DXLoadMeshFromXA(name, D3DXMESH_MANAGED, dev_, &adjacency, &materials, nullptr, &n, &mesh), D3D_OK);
        EXPECT_GT(mesh->GetNumFaces(), 50u);
        EXPECT_EQ(mesh->GetFVF(), DWORD(D3DFVF_XYZ | D3DFVF_TEX1));
        EXPECT_EQ(mesh->GetOptions(), DWORD(D3DXMESH_MANAGED));
        EXPECT_EQ(adjacency->GetBufferSize(), mesh->GetNumFaces() * 3 * sizeof(DWORD));
        ASSERT_GT(n, 0u);
        ASSERT_GE(materials->GetBufferSize(), n * sizeof(D3DXMATERIAL));
        const auto* mats = static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer());
        bool tga = false;
        for (DWORD i = 0; i < n; ++i) {
            EXPECT_EQ(mats[i].MatD3D.Ambient.r, 0.0f);
            if (mats[i].pTextureFilename) tga |= std::strstr(mats[i].pTextureFilename, ".tga") != nullptr;
        }
        if (std::string(name) == "tree.x") {
            EXPECT_TRUE(tga) << "the leaves are a .tga with alpha";
        }
        for (DWORD a : Attributes(mesh)) EXPECT_LT(a, n);
        EXPECT_EQ(mesh->Release(), 0u);
        adjacency->Release();
        materials->Release();
        EXPECT_EQ(Refs(dev_), before) << "the mesh and its buffers gave their device references back";
    }
}

TEST_F(DrawTest, OptimiseKeepsEveryFaceAndSortsByAttribute)
{
    Loaded l;
    LoadMemory(dev_, Strip(12).Write(testx::Form::kBinary), &l);
    ASSERT_EQ(l.hr, D3D_OK);
    ID3DXMesh* m = l.mesh;
    const auto oldIdx = Indices(m);
    const auto oldVerts = Vertices(m);
    const auto oldAttr = Attributes(m);
    const DWORD stride = m->GetNumBytesPerVertex(), faces = m->GetNumFaces();
    EXPECT_TRUE(Table(m).empty()) << "no table before attribute sorting";

    std::vector<DWORD> adjOut(faces * 3), faceRemap(faces);
    ID3DXBuffer* vertexRemap = nullptr;
    ASSERT_EQ(m->OptimizeInplace(D3DXMESHOPT_COMPACT | D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE,
                                 static_cast<DWORD*>(l.adjacency->GetBufferPointer()), adjOut.data(),
                                 faceRemap.data(), &vertexRemap),
              D3D_OK);
    ASSERT_EQ(m->GetNumFaces(), faces);
    const auto idx = Indices(m);
    const auto verts = Vertices(m);
    const auto attr = Attributes(m);

    // Every new face is its old face, corner for corner, with its attribute.
    for (size_t f = 0; f < faces; ++f) {
        EXPECT_EQ(FaceAt(verts, idx, stride, f), FaceAt(oldVerts, oldIdx, stride, faceRemap[f])) << f;
        EXPECT_EQ(attr[f], oldAttr[faceRemap[f]]);
    }
    // Vertices come from where the remap says.
    const auto* remap = static_cast<const DWORD*>(vertexRemap->GetBufferPointer());
    ASSERT_EQ(vertexRemap->GetBufferSize(), m->GetNumVertices() * sizeof(DWORD));
    for (DWORD v = 0; v < m->GetNumVertices(); ++v)
        EXPECT_EQ(verts[v * stride / 4], oldVerts[remap[v] * stride / 4]);
    vertexRemap->Release();

    // One range per attribute, in order, covering the faces and vertices it uses.
    const auto table = Table(m);
    ASSERT_EQ(table.size(), 3u);
    DWORD next = 0, nextVertex = 0;
    for (DWORD r = 0; r < 3; ++r) {
        EXPECT_EQ(table[r].AttribId, r);
        EXPECT_EQ(table[r].FaceStart, next);
        EXPECT_EQ(table[r].VertexStart, nextVertex) << "shared vertices are split between groups";
        next += table[r].FaceCount;
        nextVertex += table[r].VertexCount;
        for (DWORD f = table[r].FaceStart; f < table[r].FaceStart + table[r].FaceCount; ++f) {
            EXPECT_EQ(attr[f], r);
            for (int c = 0; c < 3; ++c) {
                EXPECT_GE(idx[f * 3 + c], table[r].VertexStart);
                EXPECT_LT(idx[f * 3 + c], table[r].VertexStart + table[r].VertexCount);
            }
        }
    }
    EXPECT_EQ(next, faces);
    EXPECT_EQ(nextVertex, m->GetNumVertices());

    // The adjacency handed out is that of the new order.
    std::vector<DWORD> fresh(faces * 3);
    ASSERT_EQ(m->GenerateAdjacency(0.0f, fresh.data()), D3D_OK);
    EXPECT_EQ(adjOut, fresh);

    // Compaction drops a vertex no face uses and a face with a repeated corner.
    auto withJunk = testx::PlainMesh({0, 0, 0, 1, 0, 0, 0, 1, 0, 9, 9, 9}, {0, 2, 1, 0, 0, 1}, {0, 0}, 1);
    Loaded j;
    LoadMemory(dev_, withJunk.Write(testx::Form::kText), &j);
    ASSERT_EQ(j.hr, D3D_OK);
    ASSERT_EQ(j.mesh->OptimizeInplace(D3DXMESHOPT_COMPACT, nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(j.mesh->GetNumFaces(), 1u);
    EXPECT_EQ(j.mesh->GetNumVertices(), 3u);
}

TEST_F(DrawTest, BirdPosesGetOneOrderAndStillMatchVertexForVertex)
{
    Loaded up, down;
    for (auto [name, l] : {std::pair{"BirdUP.x", &up}, std::pair{"BirdDOWN.x", &down}}) {
        l->hr = D3DXLoadMeshFromXA(name, D3DXMESH_MANAGED, dev_, &l->adjacency, &l->materials, nullptr,
                                   &l->numMaterials, &l->mesh);
        ASSERT_EQ(l->hr, D3D_OK) << name;
    }
    const auto upBefore = Vertices(up.mesh), downBefore = Vertices(down.mesh);
    ASSERT_NE(upBefore, downBefore) << "the poses differ";
    ID3DXBuffer *upRemap = nullptr, *downRemap = nullptr;
    const DWORD flags = D3DXMESHOPT_COMPACT | D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE;
    ASSERT_EQ(up.mesh->OptimizeInplace(flags, static_cast<DWORD*>(up.adjacency->GetBufferPointer()), nullptr, nullptr,
                                       &upRemap),
              D3D_OK);
    ASSERT_EQ(down.mesh->OptimizeInplace(flags, static_cast<DWORD*>(down.adjacency->GetBufferPointer()), nullptr,
                                         nullptr, &downRemap),
              D3D_OK);
    EXPECT_EQ(Indices(up.mesh), Indices(down.mesh));
    EXPECT_EQ(Attributes(up.mesh), Attributes(down.mesh));
    ASSERT_EQ(upRemap->GetBufferSize(), downRemap->GetBufferSize());
    EXPECT_EQ(0, std::memcmp(upRemap->GetBufferPointer(), downRemap->GetBufferPointer(), upRemap->GetBufferSize()));
    const auto t1 = Table(up.mesh), t2 = Table(down.mesh);
    ASSERT_EQ(t1.size(), t2.size());
    EXPECT_EQ(0, std::memcmp(t1.data(), t2.data(), t1.size() * sizeof(D3DXATTRIBUTERANGE)));
    upRemap->Release();
    downRemap->Release();
}

TEST_F(DrawTest, CloneKeepsSharedElementsZeroesNewOnesAndCarriesAttributes)
{
    Loaded l;
    LoadMemory(dev_, Strip(3).Write(testx::Form::kText), &l);
    ASSERT_EQ(l.hr, D3D_OK);
    ASSERT_EQ(l.mesh->OptimizeInplace(D3DXMESHOPT_ATTRSORT, nullptr, nullptr, nullptr, nullptr), D3D_OK);
    // Give the source texture coordinates to carry.
    ID3DXMesh* withTex = nullptr;
    ASSERT_EQ(l.mesh->CloneMeshFVF(D3DXMESH_MANAGED, D3DFVF_XYZ | D3DFVF_TEX1, dev_, &withTex), D3D_OK);
    float* p;
    ASSERT_EQ(withTex->LockVertexBuffer(0, reinterpret_cast<void**>(&p)), D3D_OK);
    for (DWORD v = 0; v < withTex->GetNumVertices(); ++v) p[v * 5 + 3] = 0.25f + float(v), p[v * 5 + 4] = 0.5f;
    withTex->UnlockVertexBuffer();

    const DWORD fvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX2 | D3DFVF_TEXCOORDSIZE3(0);
    ID3DXMesh* clone = nullptr;
    ASSERT_EQ(withTex->CloneMeshFVF(D3DXMESH_MANAGED | D3DXMESH_32BIT, fvf, nullptr, &clone), D3D_OK);
    EXPECT_EQ(clone->GetFVF(), fvf);
    EXPECT_EQ(clone->GetNumBytesPerVertex(), D3DXGetFVFVertexSize(fvf));
    EXPECT_EQ(clone->GetNumBytesPerVertex(), 12u + 12 + 4 + 12 + 8);
    const auto src = Vertices(withTex), dst = Vertices(clone);
    for (DWORD v = 0; v < clone->GetNumVertices(); ++v) {
        const float* s = &src[v * 5];
        const float* d = &dst[v * 12];
        EXPECT_EQ(std::vector<float>(d, d + 3), std::vector<float>(s, s + 3));  // position
        EXPECT_EQ(std::vector<float>(d + 3, d + 7), std::vector<float>(4, 0.0f));  // normal, diffuse
        EXPECT_EQ(d[7], s[3]);
        EXPECT_EQ(d[8], s[4]);
        EXPECT_EQ(d[9], 0.0f) << "third coordinate of set 0 is new";
        EXPECT_EQ(d[10], 0.0f);
    }
    EXPECT_EQ(Indices(clone), Indices(withTex)) << "16-bit to 32-bit indices";
    EXPECT_EQ(Attributes(clone), Attributes(withTex));
    EXPECT_EQ(Table(clone).size(), 3u);

    D3DVERTEXELEMENT9 decl[MAX_FVF_DECL_SIZE];
    ASSERT_EQ(clone->GetDeclaration(decl), D3D_OK);
    EXPECT_EQ(decl[3].Usage, D3DDECLUSAGE_TEXCOORD);
    EXPECT_EQ(decl[3].Type, D3DDECLTYPE_FLOAT3);
    EXPECT_EQ(decl[5].Stream, 0xFF);

    // The software-processing clone the engine makes for devices without
    // hardware tweening: managed buffers made for software processing.
    ID3DXMesh* software = nullptr;
    ASSERT_EQ(withTex->CloneMeshFVF(D3DXMESH_MANAGED | D3DXMESH_SOFTWAREPROCESSING, D3DFVF_XYZ | D3DFVF_TEX1, dev_,
                                    &software),
              D3D_OK);
    EXPECT_EQ(software->GetOptions(), DWORD(D3DXMESH_MANAGED | D3DXMESH_SOFTWAREPROCESSING));
    IDirect3DVertexBuffer9* vb = nullptr;
    ASSERT_EQ(software->GetVertexBuffer(&vb), D3D_OK);
    D3DVERTEXBUFFER_DESC desc{};
    vb->GetDesc(&desc);
    EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);
    EXPECT_TRUE(desc.Usage & D3DUSAGE_SOFTWAREPROCESSING);
    EXPECT_EQ(desc.FVF, DWORD(D3DFVF_XYZ | D3DFVF_TEX1));
    vb->Release();
    EXPECT_EQ(Vertices(software), Vertices(withTex));
    software->Release();

    ID3DXMesh* bad = nullptr;
    EXPECT_EQ(withTex->CloneMeshFVF(D3DXMESH_MANAGED, D3DFVF_XYZ | (9 << D3DFVF_TEXCOUNT_SHIFT), dev_, &bad), D3DERR_INVALIDCALL);
    EXPECT_EQ(bad, nullptr);
    clone->Release();
    withTex->Release();
}

TEST_F(DrawTest, NormalsBoundingBoxAndVertexSizes)
{
    // A roof: two faces meeting at a ridge along z; the ridge vertices' normals
    // lean from both faces, the eaves' come from one face only.
    const std::vector<float> pos = {-1, 0, 0, -1, 0, 1, 0, 1, 0, 0, 1, 1, 1, 0, 0, 1, 0, 1};
    Loaded l;
    LoadMemory(dev_, testx::PlainMesh(pos, {0, 1, 3, 0, 3, 2, 2, 3, 5, 2, 5, 4}, {}, 0).Write(testx::Form::kText), &l);
    ASSERT_EQ(l.hr, D3D_OK);
    EXPECT_EQ(l.numMaterials, 0u);
    EXPECT_EQ(l.materials, nullptr);
    ID3DXMesh* m = nullptr;
    ASSERT_EQ(l.mesh->CloneMeshFVF(D3DXMESH_MANAGED, D3DFVF_XYZ | D3DFVF_NORMAL, dev_, &m), D3D_OK);
    EXPECT_EQ(D3DXComputeNormals(l.mesh, nullptr), D3DERR_INVALIDCALL) << "no normal in the format";
    ASSERT_EQ(D3DXComputeNormals(m, nullptr), D3D_OK);
    const auto v = Vertices(m);
    const float s = std::sqrt(0.5f);
    // Faces wound 0 1 3 (clockwise seen from above-left): normal (-s, s, 0).
    EXPECT_NEAR(v[0 * 6 + 3], -s, 1e-5f);
    EXPECT_NEAR(v[0 * 6 + 4], s, 1e-5f);
    EXPECT_NEAR(v[2 * 6 + 3], 0.0f, 1e-5f);  // ridge: the two faces cancel in x
    EXPECT_NEAR(v[2 * 6 + 4], 1.0f, 1e-5f);
    EXPECT_NEAR(v[4 * 6 + 3], s, 1e-5f);

    D3DXVECTOR3 lo, hi;
    ASSERT_EQ(D3DXComputeBoundingBox(reinterpret_cast<const D3DXVECTOR3*>(v.data()), m->GetNumVertices(),
                                     D3DXGetFVFVertexSize(m->GetFVF()), &lo, &hi),
              D3D_OK);
    EXPECT_EQ(lo.x, -1.0f);
    EXPECT_EQ(hi.x, 1.0f);
    EXPECT_EQ(hi.y, 1.0f);
    EXPECT_EQ(lo.z, 0.0f);
    EXPECT_EQ(hi.z, 1.0f);
    EXPECT_EQ(D3DXComputeBoundingBox(nullptr, 3, 12, &lo, &hi), D3DERR_INVALIDCALL);

    EXPECT_EQ(D3DXGetFVFVertexSize(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1), 32u);
    EXPECT_EQ(D3DXGetFVFVertexSize(D3DFVF_XYZRHW | D3DFVF_DIFFUSE), 20u);
    EXPECT_EQ(D3DXGetFVFVertexSize(D3DFVF_XYZB2 | D3DFVF_TEX2 | D3DFVF_TEXCOORDSIZE1(1)), 12u + 8 + 8 + 4);
    EXPECT_EQ(D3DXGetFVFVertexSize(D3DFVF_XYZ | (9 << D3DFVF_TEXCOUNT_SHIFT)), 0u);
    m->Release();
}

TEST_F(DrawTest, VertexColoursFollowTheirVerticesIntoTheMesh)
{
    // A quad whose two faces carry different normals (vertices 0 and 2 are
    // split), colours for vertices 0 and 2 only, then a triangle without any.
    const auto file = [](uint32_t colouredVertex) {
        testx::XWriter w;
        w.Name("Mesh").Open().Ints({4}).Floats({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0});
        w.Ints({2}).Ints({3, 0, 1, 2}).Ints({3, 0, 2, 3});
        w.Name("MeshNormals").Open().Ints({2}).Floats({0, 0, -1, 0, 0, 1}).Ints({2}).Ints({3, 0, 0, 0});
        w.Ints({3, 1, 1, 1}).Close();
        w.Name("MeshVertexColors").Open().Ints({2}).Ints({colouredVertex}).Floats({1, 0, 0, 1});
        w.Ints({2}).Floats({0, 1, 0, 0.5f}).Close();
        w.Close();
        w.Name("Mesh").Open().Ints({3}).Floats({0, 0, 5, 1, 0, 5, 0, 1, 5}).Ints({1}).Ints({3, 0, 2, 1}).Close();
        return w;
    };
    Loaded l;
    LoadMemory(dev_, file(0).Write(testx::Form::kText), &l);
    ASSERT_EQ(l.hr, D3D_OK);
    EXPECT_EQ(l.mesh->GetFVF(), DWORD(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE));
    ASSERT_EQ(l.mesh->GetNumVertices(), 9u);
    const std::vector<float> v = Vertices(l.mesh);
    std::vector<DWORD> colours;
    for (size_t i = 0; i < 9; ++i) colours.push_back(std::bit_cast<DWORD>(v[i * 7 + 6]));
    const DWORD red = 0xFFFF0000, green = 0x8000FF00, white = 0xFFFFFFFF;
    // The split copies (4 and 5) keep their vertex's colour.
    EXPECT_EQ(colours, (std::vector<DWORD>{red, white, green, white, red, green, white, white, white}));

    Loaded bad;
    LoadMemory(dev_, file(4).Write(testx::Form::kBinary), &bad);
    EXPECT_EQ(bad.hr, D3DXERR_INVALIDDATA) << "a colour for a vertex the mesh lacks";
    EXPECT_EQ(bad.mesh, nullptr);
}

TEST_F(DrawTest, DrawSubsetDrawsOnlyThatAttributesFaces)
{
    // Two quads in clip space, left attribute 0, right attribute 1.
    ID3DXMesh* m = nullptr;
    ASSERT_EQ(D3DXCreateMeshFVF(4, 8, D3DXMESH_MANAGED, D3DFVF_XYZ | D3DFVF_DIFFUSE, dev_, &m), D3D_OK);
    ColorVertex* v;
    ASSERT_EQ(m->LockVertexBuffer(0, reinterpret_cast<void**>(&v)), D3D_OK);
    const float xs[2][2] = {{-0.9f, -0.1f}, {0.1f, 0.9f}};
    for (int q = 0; q < 2; ++q) {
        const DWORD c = q == 0 ? 0xFFFF0000 : 0xFF00FF00;
        v[q * 4 + 0] = {xs[q][0], -0.9f, 0.5f, c};
        v[q * 4 + 1] = {xs[q][0], 0.9f, 0.5f, c};
        v[q * 4 + 2] = {xs[q][1], 0.9f, 0.5f, c};
        v[q * 4 + 3] = {xs[q][1], -0.9f, 0.5f, c};
    }
    m->UnlockVertexBuffer();
    uint16_t* ix;
    ASSERT_EQ(m->LockIndexBuffer(0, reinterpret_cast<void**>(&ix)), D3D_OK);
    const uint16_t quads[] = {0, 1, 2, 0, 2, 3, 4, 5, 6, 4, 6, 7};
    std::memcpy(ix, quads, sizeof quads);
    m->UnlockIndexBuffer();
    DWORD* a;
    ASSERT_EQ(m->LockAttributeBuffer(0, &a), D3D_OK);
    a[0] = a[1] = 0;
    a[2] = a[3] = 1;
    m->UnlockAttributeBuffer();
    dev_->SetRenderState(D3DRS_LIGHTING, FALSE);
    dev_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);

    for (bool table : {false, true}) {
        SCOPED_TRACE(table ? "with attribute table" : "from the attribute buffer");
        if (table) {
            ASSERT_EQ(m->OptimizeInplace(D3DXMESHOPT_ATTRSORT, nullptr, nullptr, nullptr, nullptr), D3D_OK);
        }
        Clear(0xFF000000);
        dev_->BeginScene();
        ASSERT_EQ(m->DrawSubset(1), D3D_OK);
        ASSERT_EQ(m->DrawSubset(7), D3D_OK) << "an id no face carries draws nothing";
        dev_->EndScene();
        EXPECT_EQ(Pixel(48, 32) & 0xFFFFFF, 0x00FF00u);
        EXPECT_EQ(Pixel(16, 32) & 0xFFFFFF, 0x000000u);
        dev_->BeginScene();
        ASSERT_EQ(m->DrawSubset(0), D3D_OK);
        dev_->EndScene();
        EXPECT_EQ(Pixel(16, 32) & 0xFFFFFF, 0xFF0000u);
    }
    DWORD fvf = 0;
    dev_->GetFVF(&fvf);
    EXPECT_EQ(fvf, DWORD(D3DFVF_XYZ | D3DFVF_DIFFUSE)) << "the mesh binds its own format";
    m->Release();
}

TEST_F(DrawTest, FailedLoadsAndBadArgumentsHandOutNothing)
{
    const DWORD before = Refs(dev_);
    ID3DXMesh* mesh = reinterpret_cast<ID3DXMesh*>(1);
    ID3DXBuffer *adj = reinterpret_cast<ID3DXBuffer*>(1), *mats = reinterpret_cast<ID3DXBuffer*>(1);
    DWORD n = 99;
    EXPECT_EQ(D3DXLoadMeshFromXA("no such file.x", D3DXMESH_MANAGED, dev_, &adj, &mats, nullptr, &n, &mesh),
              D3DXERR_INVALIDDATA);
    EXPECT_EQ(mesh, nullptr);
    EXPECT_EQ(adj, nullptr);
    EXPECT_EQ(mats, nullptr);
    EXPECT_EQ(n, 0u);
    testx::Bytes cut = testx::SampleFile().Write(testx::Form::kBinaryZip);
    cut.resize(cut.size() - 5);
    EXPECT_EQ(D3DXLoadMeshFromXInMemory(cut.data(), DWORD(cut.size()), D3DXMESH_MANAGED, dev_, &adj, &mats, nullptr,
                                        &n, &mesh),
              D3DXERR_INVALIDDATA);
    EXPECT_EQ(mesh, nullptr);
    const testx::Bytes good = testx::SampleFile().Write(testx::Form::kText);
    EXPECT_EQ(D3DXLoadMeshFromXInMemory(good.data(), DWORD(good.size()), D3DXMESH_MANAGED, nullptr, &adj, &mats,
                                        nullptr, &n, &mesh),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateMeshFVF(0, 3, D3DXMESH_MANAGED, D3DFVF_XYZ, dev_, &mesh), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateMeshFVF(1, 70000, D3DXMESH_MANAGED, D3DFVF_XYZ, dev_, &mesh), D3DERR_INVALIDCALL)
        << "16-bit indices cannot reach that many vertices";
    EXPECT_EQ(mesh, nullptr);
    EXPECT_EQ(Refs(dev_), before) << "nothing kept a device reference";

    // An index buffer written with nonsense: optimisation refuses it and keeps the mesh.
    ASSERT_EQ(D3DXCreateMeshFVF(1, 3, D3DXMESH_MANAGED, D3DFVF_XYZ, dev_, &mesh), D3D_OK);
    uint16_t* ix;
    mesh->LockIndexBuffer(0, reinterpret_cast<void**>(&ix));
    ix[0] = 0, ix[1] = 1, ix[2] = 9;
    mesh->UnlockIndexBuffer();
    EXPECT_EQ(mesh->OptimizeInplace(D3DXMESHOPT_VERTEXCACHE, nullptr, nullptr, nullptr, nullptr), D3DXERR_INVALIDMESH);
    std::vector<DWORD> adjacency(3);
    EXPECT_EQ(mesh->GenerateAdjacency(0.0f, adjacency.data()), D3DXERR_INVALIDMESH);
    EXPECT_EQ(mesh->GetNumFaces(), 1u);
    EXPECT_EQ(mesh->Release(), 0u);
}
