#include "xfile_writer.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace testx {

namespace {

void Put16(Bytes& b, uint16_t v)
{
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}

void Put32(Bytes& b, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}

void PutText(Bytes& b, const std::string& s)
{
    b.insert(b.end(), s.begin(), s.end());
}

std::string Num(float f)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.9g", double(f));
    return buf;
}

}  // namespace

XWriter& XWriter::Name(const std::string& n)
{
    tokens_.push_back({0, n, {}, {}});
    return *this;
}
XWriter& XWriter::Open()
{
    tokens_.push_back({1, {}, {}, {}});
    return *this;
}
XWriter& XWriter::Close()
{
    tokens_.push_back({2, {}, {}, {}});
    return *this;
}
XWriter& XWriter::Ints(const std::vector<uint32_t>& v)
{
    tokens_.push_back({3, {}, v, {}});
    return *this;
}
XWriter& XWriter::Floats(const std::vector<float>& v)
{
    tokens_.push_back({4, {}, {}, v});
    return *this;
}
XWriter& XWriter::String(const std::string& s)
{
    tokens_.push_back({5, s, {}, {}});
    return *this;
}
XWriter& XWriter::TextOnly(const std::string& s)
{
    tokens_.push_back({6, s, {}, {}});
    return *this;
}

Bytes XWriter::Write(Form form) const
{
    const bool binary = form == Form::kBinary || form == Form::kBinaryZip;
    Bytes body;
    if (!binary) body.push_back('\n');
    for (const Token& t : tokens_) {
        if (binary) {
            switch (t.kind) {
            case 0:
            case 5:
                Put16(body, t.kind == 0 ? 1 : 2);
                Put32(body, uint32_t(t.text.size()));
                PutText(body, t.text);
                if (t.kind == 5) Put16(body, 20);  // terminating semicolon
                break;
            case 1: Put16(body, 10); break;
            case 2: Put16(body, 11); break;
            case 3:
                Put16(body, 6);
                Put32(body, uint32_t(t.ints.size()));
                for (uint32_t v : t.ints) Put32(body, v);
                break;
            case 4:
                Put16(body, 7);
                Put32(body, uint32_t(t.floats.size()));
                for (float f : t.floats) {
                    if (doubles_) {
                        const double d = f;
                        uint64_t bits;
                        std::memcpy(&bits, &d, 8);
                        Put32(body, uint32_t(bits));
                        Put32(body, uint32_t(bits >> 32));
                    } else {
                        uint32_t bits;
                        std::memcpy(&bits, &f, 4);
                        Put32(body, bits);
                    }
                }
                break;
            default: break;
            }
        } else {
            switch (t.kind) {
            case 0: PutText(body, t.text + " "); break;
            case 1: PutText(body, "{\n"); break;
            case 2: PutText(body, "}\n"); break;
            case 3:
                for (uint32_t v : t.ints) PutText(body, std::to_string(v) + ";");
                PutText(body, "\n");
                break;
            case 4:
                for (size_t i = 0; i < t.floats.size(); ++i)
                    PutText(body, Num(t.floats[i]) + (i + 1 < t.floats.size() ? "," : ";"));
                PutText(body, "\n");
                break;
            case 5: PutText(body, "\"" + t.text + "\";\n"); break;
            case 6: PutText(body, t.text); break;
            default: break;
            }
        }
    }
    std::string header = "xof 0303";
    header += form == Form::kText ? "txt " : form == Form::kBinary ? "bin " : form == Form::kTextZip ? "tzip" : "bzip";
    header += doubles_ ? "0064" : "0032";
    Bytes file(header.begin(), header.end());
    if (form == Form::kTextZip || form == Form::kBinaryZip) {
        const Bytes packed = Compress(body);
        file.insert(file.end(), packed.begin(), packed.end());
    } else {
        file.insert(file.end(), body.begin(), body.end());
    }
    return file;
}

Bytes Compress(const Bytes& body, size_t blockSize)
{
    Bytes out;
    Put32(out, uint32_t(body.size() + 16));
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    for (size_t pos = 0; pos < body.size(); pos += blockSize) {
        const size_t n = std::min(blockSize, body.size() - pos);
        deflateReset(&z);
        if (pos > 0) {
            const size_t dict = std::min<size_t>(pos, 32768);
            deflateSetDictionary(&z, body.data() + pos - dict, uInt(dict));
        }
        Bytes packed(deflateBound(&z, uLong(n)) + 16);
        z.next_in = const_cast<Bytef*>(body.data() + pos);
        z.avail_in = uInt(n);
        z.next_out = packed.data();
        z.avail_out = uInt(packed.size());
        deflate(&z, Z_FINISH);
        const size_t used = packed.size() - z.avail_out;
        Put16(out, uint16_t(n));
        Put16(out, uint16_t(used + 2));
        out.push_back('C');
        out.push_back('K');
        out.insert(out.end(), packed.begin(), packed.begin() + long(used));
    }
    deflateEnd(&z);
    return out;
}

XWriter SampleFile(float offset, bool doubles)
{
    XWriter w(doubles);
    w.TextOnly("// a comment\ntemplate Vector {\n <3D82AB5E-62DA-11cf-AB39-0020AF71E433>\n FLOAT x;\n FLOAT y;\n"
               " FLOAT z;\n}\n# another comment\n");
    w.Name("Header").Open().Ints({1, 0, 1}).Close();
    w.Name("Material").Name("Shared").Open().Floats({0.2f, 0.4f, 0.6f, 1.0f}).Floats({8.0f});
    w.Floats({0.5f, 0.5f, 0.5f}).Floats({0.1f, 0.0f, 0.0f}).Close();
    w.Name("Unknown").Name("Thing").Open().Ints({1, 2, 3}).String("x").Name("Nested").Open().Ints({4});
    w.Close().Close();

    w.Name("Frame").Name("Root").Open();
    w.Name("FrameTransformMatrix").Open().Floats({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, offset, 0, 0, 1}).Close();
    w.Name("Frame").Name("Child").Open();
    w.Name("FrameTransformMatrix").Open().Floats({2, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 1, 0, 1}).Close();
    w.Name("Mesh").Name("Body").Open();
    w.Ints({5}).Floats({0, 0, 0, 0, 1, 0, 1, 1, 0, 1, 0, 0, 2, 0.5f, 0});
    // A quad, a triangle and a pentagon.
    w.Ints({3}).Ints({4, 0, 1, 2, 3}).Ints({3, 3, 2, 4}).Ints({5, 3, 4, 2, 1, 0});
    w.Name("MeshNormals").Open().Ints({2}).Floats({0, 0, -1, 0, 0, 1}).Ints({3});
    w.Ints({4, 0, 0, 0, 0}).Ints({3, 0, 0, 0}).Ints({5, 1, 1, 1, 1, 1}).Close();
    w.Name("MeshTextureCoords").Open().Ints({5}).Floats({0, 0, 0, 1, 1, 1, 1, 0, 2, 0.5f}).Close();
    w.Name("MeshVertexColors").Open().Ints({1}).Ints({4}).Floats({1, 0.5f, 0, 1}).Close();
    // Two indices for three faces: the last face takes the last index.
    w.Name("MeshMaterialList").Open().Ints({2, 2}).Ints({0, 1});
    w.Name("Material").Name("Leaf").Open().Floats({0.1f, 0.8f, 0.1f, 0.5f}).Floats({2.0f});
    w.Floats({0, 0, 0}).Floats({0, 0, 0}).Name("TextureFilename").Open().String("leaf.tga").Close().Close();
    w.Ref("Shared").Close();
    w.Close();  // Mesh
    w.Close();  // Child
    // A second mesh straight in the root frame, without normals or materials.
    w.Name("Mesh").Open().Ints({3}).Floats({0, 0, 5, 1, 0, 5, 0, 1, 5}).Ints({1}).Ints({3, 0, 2, 1}).Close();
    w.Close();  // Root
    return w;
}

XWriter PlainMesh(const std::vector<float>& positions, const std::vector<uint32_t>& triangles,
                  const std::vector<uint32_t>& materialIds, int numMaterials)
{
    XWriter w;
    w.Name("Mesh").Open().Ints({uint32_t(positions.size() / 3)}).Floats(positions);
    w.Ints({uint32_t(triangles.size() / 3)});
    for (size_t i = 0; i < triangles.size(); i += 3) w.Ints({3, triangles[i], triangles[i + 1], triangles[i + 2]});
    if (numMaterials > 0) {
        w.Name("MeshMaterialList").Open().Ints({uint32_t(numMaterials), uint32_t(materialIds.size())}).Ints(materialIds);
        for (int m = 0; m < numMaterials; ++m)
            w.Name("Material").Open().Floats({float(m) / 4, 0.5f, 0.5f, 1, 1, 0, 0, 0, 0, 0, 0}).Close();
        w.Close();
    }
    w.Close();
    return w;
}

}  // namespace testx
