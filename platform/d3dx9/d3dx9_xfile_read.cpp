// The .x reader proper: the header, the object grammar (templates, data
// objects with optional names, references in braces), the data objects that
// make a mesh (Frame, FrameTransformMatrix, Mesh, MeshNormals,
// MeshVertexColors, MeshTextureCoords, MeshMaterialList, Material,
// TextureFilename) and the
// merge of every mesh into one description. Unknown objects are skipped by
// their braces.
#include <algorithm>
#include <array>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <map>
#include <new>
#include <unordered_map>

#include "d3dx9_xfile.h"
#include "d3dx9_xfile_token.h"

namespace qrn::d3dx9 {

namespace {

constexpr size_t kHeaderSize = 16;
// Frames nest no deeper than this; a deeper file is refused rather than
// risking the stack.
constexpr int kMaxDepth = 64;

using Matrix = std::array<float, 16>;  // row-major, row vectors (p' = p * M)

constexpr Matrix kIdentity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

Matrix Multiply(const Matrix& a, const Matrix& b)
{
    Matrix r{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            float s = 0;
            for (int k = 0; k < 4; ++k) s += a[i * 4 + k] * b[k * 4 + j];
            r[i * 4 + j] = s;
        }
    return r;
}

bool SameName(const std::string& a, const char* b)
{
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        const char x = static_cast<char>(a[i] >= 'A' && a[i] <= 'Z' ? a[i] + 32 : a[i]);
        const char y = static_cast<char>(b[i] >= 'A' && b[i] <= 'Z' ? b[i] + 32 : b[i]);
        if (x != y) return false;
    }
    return i == a.size() && !b[i];
}

// One Mesh object as the file has it, before triangulation and merging.
struct MeshPart {
    int frame = -1;  // the frame it belongs to, -1 at the top level
    std::vector<XVec3> positions;
    std::vector<uint32_t> faceStart;  // per face: first corner in `corners`; one extra at the end
    std::vector<uint32_t> corners;    // vertex index per corner
    std::vector<XVec3> normals;
    std::vector<uint32_t> normalCorners;  // normal index per corner (empty without MeshNormals)
    std::vector<uint32_t> colors;         // D3DCOLOR per vertex (empty without MeshVertexColors)
    std::vector<float> texCoords;         // u, v per vertex (empty without MeshTextureCoords)
    std::vector<uint32_t> faceMaterial;   // per face (empty without MeshMaterialList)
    std::vector<XMaterial> materials;
};

struct Frame {
    int parent = -1;
    Matrix local = kIdentity;
};

class Reader {
public:
    // `budget`: how many vertices, corners and name bytes references may
    // copy in all (a reference costs a few bytes of file but copies a whole
    // mesh or material).
    Reader(XTokenizer& tokens, size_t budget) : t_(tokens), budget_(budget) {}

    XResult ReadAll(XMeshData* out);

private:
    // Grammar.
    bool ReadObjectHeader(std::string* name);
    bool SkipBody();
    bool ReadReference(std::string* name);
    template <class OnObject, class OnReference>
    bool ReadChildren(OnObject onObject, OnReference onReference);
    bool ReadTopLevelObject(const XToken& first);

    // Data.
    bool ReadUInt(uint32_t* v);
    bool ReadFloat(float* v);
    bool ReadCount(uint32_t* n, size_t scalarsEach);
    bool ReadVectors(uint32_t n, std::vector<XVec3>* out);
    bool ReadFaces(uint32_t numFaces, uint32_t numIndices, std::vector<uint32_t>* starts,
                   std::vector<uint32_t>* corners);

    // Objects (each called after its opening brace, consuming the closing one).
    bool ReadFrame(int parent, int depth);
    bool ReadMatrix(Matrix* m);
    bool ReadMesh(int frame);
    bool ReadNormals(MeshPart& part);
    bool ReadVertexColors(MeshPart& part);
    bool ReadTexCoords(MeshPart& part);
    bool ReadMaterialList(MeshPart& part);
    bool ReadMaterial(XMaterial* m);
    bool ReadTextureName(XMaterial* m);

    bool Fail(XResult r = XResult::kInvalidData)
    {
        if (result_ == XResult::kOk) result_ = r;
        return false;
    }

    bool Spend(size_t amount)
    {
        if (amount > budget_) return Fail(XResult::kTooLarge);
        budget_ -= amount;
        return true;
    }

    XResult Merge(XMeshData* out) const;

    XTokenizer& t_;
    size_t budget_;
    XResult result_ = XResult::kOk;
    std::vector<Frame> frames_;
    std::vector<MeshPart> parts_;
    std::map<std::string, XMaterial> namedMaterials_;
    std::map<std::string, size_t> namedMeshes_;  // index into parts_
};

// ---- grammar ----------------------------------------------------------------------------

// After a type name: an optional object name, an optional GUID, then "{".
bool Reader::ReadObjectHeader(std::string* name)
{
    name->clear();
    XToken tk = t_.Next();
    if (tk.kind == XTok::kName) {
        *name = std::move(tk.text);
        tk = t_.Next();
    }
    if (tk.kind == XTok::kGuid) tk = t_.Next();
    return tk.kind == XTok::kOpen || Fail();
}

// Skips to the brace closing the one just read.
bool Reader::SkipBody()
{
    size_t depth = 1;
    for (;;) {
        const XToken tk = t_.Next();
        switch (tk.kind) {
        case XTok::kOpen: ++depth; break;
        case XTok::kClose:
            if (--depth == 0) return true;
            break;
        case XTok::kEnd:
        case XTok::kError: return Fail();
        default: break;
        }
    }
}

// After "{" where a reference stands: Name [GUID] "}".
bool Reader::ReadReference(std::string* name)
{
    XToken tk = t_.Next();
    if (tk.kind != XTok::kName) return Fail();
    *name = std::move(tk.text);
    tk = t_.Next();
    if (tk.kind == XTok::kGuid) tk = t_.Next();
    return tk.kind == XTok::kClose || Fail();
}

// Child objects up to the closing brace of their parent. onObject(type,
// name) runs after a child's opening brace and consumes its body through
// the closing brace; onReference(name) runs for a reference { Name }.
// Templates are skipped.
template <class OnObject, class OnReference>
bool Reader::ReadChildren(OnObject onObject, OnReference onReference)
{
    for (;;) {
        XToken tk = t_.Next();
        if (tk.kind == XTok::kClose) return true;
        std::string name;
        if (tk.kind == XTok::kOpen) {
            if (!ReadReference(&name) || !onReference(name)) return false;
            continue;
        }
        if (tk.kind != XTok::kName && tk.kind != XTok::kTemplate) return Fail();
        if (!ReadObjectHeader(&name)) return false;
        const bool ok = tk.kind == XTok::kTemplate ? SkipBody() : onObject(tk.text, name);
        if (!ok) return false;
    }
}

bool Reader::ReadTopLevelObject(const XToken& first)
{
    std::string name;
    if (first.kind == XTok::kTemplate) return ReadObjectHeader(&name) && SkipBody();
    if (first.kind == XTok::kOpen) return ReadReference(&name);  // a bare reference: nothing to draw
    if (first.kind != XTok::kName) return Fail();
    if (!ReadObjectHeader(&name)) return false;
    if (SameName(first.text, "Frame")) return ReadFrame(-1, 1);
    if (SameName(first.text, "Mesh")) {
        if (!ReadMesh(-1)) return false;
        if (!name.empty()) namedMeshes_[name] = parts_.size() - 1;
        return true;
    }
    if (SameName(first.text, "Material")) {
        XMaterial m;
        if (!ReadMaterial(&m)) return false;
        if (!name.empty()) namedMaterials_[name] = std::move(m);
        return true;
    }
    return SkipBody();
}

// ---- data -----------------------------------------------------------------------------------

bool Reader::ReadUInt(uint32_t* v)
{
    const XToken tk = t_.Next();
    if (tk.kind != XTok::kNumber || !(tk.number >= 0 && tk.number <= 4294967295.0) ||
        tk.number != std::floor(tk.number))
        return Fail();
    *v = static_cast<uint32_t>(tk.number);
    return true;
}

bool Reader::ReadFloat(float* v)
{
    const XToken tk = t_.Next();
    if (tk.kind != XTok::kNumber) return Fail();
    if (std::isfinite(tk.number) && std::fabs(tk.number) > FLT_MAX) return Fail();
    *v = static_cast<float>(tk.number);
    return true;
}

// A count of items of `scalarsEach` numbers each, refused when the rest of
// the input cannot hold that many numbers.
bool Reader::ReadCount(uint32_t* n, size_t scalarsEach)
{
    if (!ReadUInt(n)) return false;
    if (scalarsEach > 0 && *n > t_.ScalarsLeft() / scalarsEach) return Fail();
    return true;
}

bool Reader::ReadVectors(uint32_t n, std::vector<XVec3>* out)
{
    out->resize(n);
    for (XVec3& v : *out)
        if (!ReadFloat(&v.x) || !ReadFloat(&v.y) || !ReadFloat(&v.z)) return false;
    return true;
}

// `numFaces` faces, each a corner count and that many indices below `numIndices`.
bool Reader::ReadFaces(uint32_t numFaces, uint32_t numIndices, std::vector<uint32_t>* starts,
                       std::vector<uint32_t>* corners)
{
    starts->resize(size_t(numFaces) + 1);
    corners->clear();
    for (uint32_t f = 0; f < numFaces; ++f) {
        (*starts)[f] = static_cast<uint32_t>(corners->size());
        uint32_t n;
        if (!ReadCount(&n, 1)) return false;
        if (corners->size() + n > UINT32_MAX / 2) return Fail(XResult::kTooLarge);
        for (uint32_t i = 0; i < n; ++i) {
            uint32_t index;
            if (!ReadUInt(&index)) return false;
            if (index >= numIndices) return Fail();
            corners->push_back(index);
        }
    }
    (*starts)[numFaces] = static_cast<uint32_t>(corners->size());
    return true;
}

// ---- objects ----------------------------------------------------------------------------------

bool Reader::ReadFrame(int parent, int depth)
{
    if (depth > kMaxDepth) return Fail(XResult::kTooLarge);
    const int self = static_cast<int>(frames_.size());
    frames_.push_back(Frame{parent, kIdentity});
    return ReadChildren(
        [&](const std::string& type, const std::string& name) {
            if (SameName(type, "FrameTransformMatrix")) return ReadMatrix(&frames_[static_cast<size_t>(self)].local);
            if (SameName(type, "Frame")) return ReadFrame(self, depth + 1);
            if (!SameName(type, "Mesh")) return SkipBody();
            if (!ReadMesh(self)) return false;
            if (!name.empty()) namedMeshes_[name] = parts_.size() - 1;
            return true;
        },
        [&](const std::string& name) {
            // A reference to a mesh defined earlier: an instance in this frame.
            const auto it = namedMeshes_.find(name);
            if (it == namedMeshes_.end()) return true;
            const MeshPart& source = parts_[it->second];
            if (!Spend(source.positions.size() + source.corners.size() + source.normals.size())) return false;
            MeshPart copy = source;
            copy.frame = self;
            parts_.push_back(std::move(copy));
            return true;
        });
}

bool Reader::ReadMatrix(Matrix* m)
{
    for (float& v : *m)
        if (!ReadFloat(&v)) return false;
    return t_.Next().kind == XTok::kClose || Fail();
}

bool Reader::ReadMesh(int frame)
{
    MeshPart part;
    part.frame = frame;
    uint32_t numVertices, numFaces;
    if (!ReadCount(&numVertices, 3) || !ReadVectors(numVertices, &part.positions)) return false;
    if (!ReadCount(&numFaces, 1) || !ReadFaces(numFaces, numVertices, &part.faceStart, &part.corners))
        return false;
    const bool ok = ReadChildren(
        [&](const std::string& type, const std::string&) {
            if (SameName(type, "MeshNormals")) return ReadNormals(part);
            if (SameName(type, "MeshVertexColors")) return ReadVertexColors(part);
            if (SameName(type, "MeshTextureCoords")) return ReadTexCoords(part);
            if (SameName(type, "MeshMaterialList")) return ReadMaterialList(part);
            return SkipBody();
        },
        [](const std::string&) { return true; });
    if (!ok) return false;
    parts_.push_back(std::move(part));
    return true;
}

// Normals carry their own faces: the same faces as the mesh, corner for
// corner, indexing the normal array.
bool Reader::ReadNormals(MeshPart& part)
{
    uint32_t numNormals, numFaces;
    if (!ReadCount(&numNormals, 3) || !ReadVectors(numNormals, &part.normals)) return false;
    if (!ReadCount(&numFaces, 1)) return false;
    const size_t meshFaces = part.faceStart.size() - 1;
    if (numFaces != meshFaces) return Fail();
    std::vector<uint32_t> starts;
    if (!ReadFaces(numFaces, numNormals, &starts, &part.normalCorners)) return false;
    if (starts != part.faceStart) return Fail();
    return t_.Next().kind == XTok::kClose || Fail();
}

// A list of (vertex index, red, green, blue, alpha); vertices not listed
// stay opaque white, a vertex listed twice takes its last colour.
bool Reader::ReadVertexColors(MeshPart& part)
{
    uint32_t n;
    if (!ReadCount(&n, 5)) return false;
    part.colors.assign(part.positions.size(), 0xFFFFFFFFu);
    const auto channel = [](float c) {
        return static_cast<uint32_t>(std::clamp(std::isnan(c) ? 0.0f : c, 0.0f, 1.0f) * 255.0f + 0.5f);
    };
    for (uint32_t i = 0; i < n; ++i) {
        uint32_t vertex;
        float r, g, b, a;
        if (!ReadUInt(&vertex) || !ReadFloat(&r) || !ReadFloat(&g) || !ReadFloat(&b) || !ReadFloat(&a)) return false;
        if (vertex >= part.colors.size()) return Fail();
        part.colors[vertex] = channel(a) << 24 | channel(r) << 16 | channel(g) << 8 | channel(b);
    }
    return t_.Next().kind == XTok::kClose || Fail();
}

bool Reader::ReadTexCoords(MeshPart& part)
{
    uint32_t n;
    if (!ReadCount(&n, 2)) return false;
    if (n != part.positions.size()) return Fail();
    part.texCoords.resize(size_t(n) * 2);
    for (float& v : part.texCoords)
        if (!ReadFloat(&v)) return false;
    return t_.Next().kind == XTok::kClose || Fail();
}

// Material count, face count, one material index per face (a shorter list
// gives the remaining faces its last index, an empty one material 0), then
// the materials, inline or referenced by name.
bool Reader::ReadMaterialList(MeshPart& part)
{
    uint32_t numMaterials, numIndices;
    if (!ReadCount(&numMaterials, 1) || !ReadCount(&numIndices, 1)) return false;
    const size_t meshFaces = part.faceStart.size() - 1;
    if (numIndices > meshFaces) return Fail();
    part.faceMaterial.assign(meshFaces, 0);
    for (uint32_t i = 0; i < numIndices; ++i) {
        if (!ReadUInt(&part.faceMaterial[i])) return false;
        if (part.faceMaterial[i] >= numMaterials) return Fail();
    }
    for (size_t i = numIndices; i < meshFaces && numIndices > 0; ++i)
        part.faceMaterial[i] = part.faceMaterial[numIndices - 1];

    part.materials.clear();
    const bool ok = ReadChildren(
        [&](const std::string& type, const std::string& name) {
            if (!SameName(type, "Material")) return SkipBody();
            XMaterial m;
            if (!ReadMaterial(&m)) return false;
            if (part.materials.size() >= numMaterials) return Fail();
            if (!name.empty()) namedMaterials_[name] = m;
            part.materials.push_back(std::move(m));
            return true;
        },
        [&](const std::string& name) {
            const auto it = namedMaterials_.find(name);
            if (it == namedMaterials_.end() || part.materials.size() >= numMaterials) return Fail();
            if (!Spend(it->second.texture.size() + sizeof(XMaterial))) return false;
            part.materials.push_back(it->second);
            return true;
        });
    if (!ok) return false;
    return part.materials.size() == numMaterials || Fail();
}

bool Reader::ReadMaterial(XMaterial* m)
{
    D3DMATERIAL9& d = m->material;
    if (!ReadFloat(&d.Diffuse.r) || !ReadFloat(&d.Diffuse.g) || !ReadFloat(&d.Diffuse.b) ||
        !ReadFloat(&d.Diffuse.a) || !ReadFloat(&d.Power) || !ReadFloat(&d.Specular.r) ||
        !ReadFloat(&d.Specular.g) || !ReadFloat(&d.Specular.b) || !ReadFloat(&d.Emissive.r) ||
        !ReadFloat(&d.Emissive.g) || !ReadFloat(&d.Emissive.b))
        return false;
    d.Specular.a = 1.0f;
    d.Emissive.a = 1.0f;
    return ReadChildren(
        [&](const std::string& type, const std::string&) {
            return SameName(type, "TextureFilename") ? ReadTextureName(m) : SkipBody();
        },
        [](const std::string&) { return true; });
}

bool Reader::ReadTextureName(XMaterial* m)
{
    XToken tk = t_.Next();
    if (tk.kind != XTok::kString) return Fail();
    m->hasTexture = true;
    m->texture = std::move(tk.text);
    return t_.Next().kind == XTok::kClose || Fail();
}

// ---- merge --------------------------------------------------------------------------------------

Matrix WorldOf(const std::vector<Frame>& frames, int frame)
{
    Matrix m = kIdentity;
    // Parents always come before their children, so the walk ends.
    for (int f = frame; f >= 0; f = frames[static_cast<size_t>(f)].parent)
        m = Multiply(m, frames[static_cast<size_t>(f)].local);
    return m;
}

// Normals move with the inverse transpose of the upper 3x3 (for row vectors:
// n' = n * inverse(M)^T); a singular matrix keeps its own 3x3.
std::array<float, 9> NormalMatrix(const Matrix& m)
{
    const float a = m[0], b = m[1], c = m[2], d = m[4], e = m[5], f = m[6], g = m[8], h = m[9], i = m[10];
    const float A = e * i - f * h, B = -(d * i - f * g), C = d * h - e * g;
    const float det = a * A + b * B + c * C;
    if (!(std::fabs(det) > 1e-20f)) return {a, b, c, d, e, f, g, h, i};
    // inverse(M)^T = cofactor matrix / det.
    const float s = 1.0f / det;
    return {A * s,
            B * s,
            C * s,
            -(b * i - c * h) * s,
            (a * i - c * g) * s,
            -(a * h - b * g) * s,
            (b * f - c * e) * s,
            -(a * f - c * d) * s,
            (a * e - b * d) * s};
}

XResult Reader::Merge(XMeshData* out) const
{
    bool anyNormals = false, anyColors = false, anyTex = false, anyMaterials = false;
    for (const MeshPart& p : parts_) {
        anyNormals |= !p.normalCorners.empty();
        anyColors |= !p.colors.empty();
        anyTex |= !p.texCoords.empty();
        anyMaterials |= !p.materials.empty();
    }
    for (const MeshPart& p : parts_) {
        const uint32_t base = static_cast<uint32_t>(out->positions.size());
        const uint32_t materialBase = static_cast<uint32_t>(out->materials.size());
        const Matrix world = WorldOf(frames_, p.frame);
        const std::array<float, 9> nm = NormalMatrix(world);
        const bool split = !p.normalCorners.empty();

        // Output vertices: the file's vertices in order, then one more for
        // each (vertex, normal) pair that differs from the first pair seen
        // for that vertex. The order depends only on the face lists.
        std::vector<uint32_t> vertexOf(p.corners.size());
        std::vector<uint32_t> sourceOf(p.positions.size());
        std::vector<uint32_t> normalOf(p.positions.size(), UINT32_MAX);
        for (uint32_t v = 0; v < p.positions.size(); ++v) sourceOf[v] = v;
        if (split) {
            std::unordered_map<uint64_t, uint32_t> extra;
            for (size_t c = 0; c < p.corners.size(); ++c) {
                const uint32_t v = p.corners[c], n = p.normalCorners[c];
                if (normalOf[v] == UINT32_MAX || normalOf[v] == n) {
                    normalOf[v] = n;
                    vertexOf[c] = v;
                    continue;
                }
                const uint64_t key = uint64_t(v) << 32 | n;
                auto [it, added] = extra.emplace(key, static_cast<uint32_t>(sourceOf.size()));
                if (added) {
                    sourceOf.push_back(v);
                    normalOf.push_back(n);
                }
                vertexOf[c] = it->second;
            }
        } else {
            vertexOf = p.corners;
        }
        if (size_t(base) + sourceOf.size() > UINT32_MAX / 2) return XResult::kTooLarge;

        for (size_t v = 0; v < sourceOf.size(); ++v) {
            const XVec3& s = p.positions[sourceOf[v]];
            out->positions.push_back({s.x * world[0] + s.y * world[4] + s.z * world[8] + world[12],
                                      s.x * world[1] + s.y * world[5] + s.z * world[9] + world[13],
                                      s.x * world[2] + s.y * world[6] + s.z * world[10] + world[14]});
            if (anyNormals) {
                XVec3 n{};
                if (split && normalOf[v] != UINT32_MAX) {
                    const XVec3& s2 = p.normals[normalOf[v]];
                    n = {s2.x * nm[0] + s2.y * nm[3] + s2.z * nm[6], s2.x * nm[1] + s2.y * nm[4] + s2.z * nm[7],
                         s2.x * nm[2] + s2.y * nm[5] + s2.z * nm[8]};
                    const float len = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
                    if (len > 0 && std::isfinite(len)) n = {n.x / len, n.y / len, n.z / len};
                }
                out->normals.push_back(n);
            }
            if (anyColors) out->colors.push_back(p.colors.empty() ? 0xFFFFFFFFu : p.colors[sourceOf[v]]);
            if (anyTex) {
                const bool has = !p.texCoords.empty();
                out->texCoords.push_back(has ? p.texCoords[sourceOf[v] * 2] : 0.0f);
                out->texCoords.push_back(has ? p.texCoords[sourceOf[v] * 2 + 1] : 0.0f);
            }
        }

        // Materials: this mesh's own, or one plain white one where other
        // meshes of the file have materials and this one has none.
        if (anyMaterials && p.materials.empty()) {
            XMaterial white;
            white.material.Diffuse = {1, 1, 1, 1};
            white.material.Specular = {0, 0, 0, 1};
            white.material.Emissive = {0, 0, 0, 1};
            out->materials.push_back(white);
        } else {
            out->materials.insert(out->materials.end(), p.materials.begin(), p.materials.end());
        }

        // Faces of any corner count, as fans round their first corner.
        const size_t numFaces = p.faceStart.size() - 1;
        for (size_t f = 0; f < numFaces; ++f) {
            const uint32_t first = p.faceStart[f], count = p.faceStart[f + 1] - first;
            const uint32_t attribute =
                materialBase + (p.faceMaterial.empty() || p.materials.empty() ? 0 : p.faceMaterial[f]);
            for (uint32_t k = 1; k + 1 < count; ++k) {
                out->indices.push_back(base + vertexOf[first]);
                out->indices.push_back(base + vertexOf[first + k]);
                out->indices.push_back(base + vertexOf[first + k + 1]);
                out->attributes.push_back(anyMaterials ? attribute : 0);
            }
        }
    }
    return XResult::kOk;
}

XResult Reader::ReadAll(XMeshData* out)
{
    for (;;) {
        const XToken tk = t_.Next();
        if (tk.kind == XTok::kEnd) break;
        if (!ReadTopLevelObject(tk)) return result_ == XResult::kOk ? XResult::kInvalidData : result_;
    }
    if (parts_.empty()) return XResult::kInvalidData;
    return Merge(out);
}

bool Digits(const uint8_t* p, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        if (p[i] < '0' || p[i] > '9') return false;
    return true;
}

XResult ReadBody(const uint8_t* data, size_t size, bool binary, bool doubles, XMeshData* out)
{
    XTokenizer tokens(data, size, binary, doubles);
    Reader reader(tokens, size * 16 + (size_t(1) << 20));
    return reader.ReadAll(out);
}

}  // namespace

XResult ReadXFile(const uint8_t* data, size_t size, XMeshData* out)
{
    *out = XMeshData{};
    if (!data || size < kHeaderSize || std::memcmp(data, "xof ", 4) != 0 || !Digits(data + 4, 4) ||
        std::memcmp(data + 4, "03", 2) != 0)
        return XResult::kInvalidData;
    const bool doubles = std::memcmp(data + 12, "0064", 4) == 0;
    if (!doubles && std::memcmp(data + 12, "0032", 4) != 0) return XResult::kInvalidData;
    const uint8_t* kind = data + 8;
    const uint8_t* body = data + kHeaderSize;
    const size_t bodySize = size - kHeaderSize;

    XResult r;
    try {
        if (std::memcmp(kind, "txt ", 4) == 0 || std::memcmp(kind, "bin ", 4) == 0) {
            r = ReadBody(body, bodySize, kind[0] == 'b', doubles, out);
        } else if (std::memcmp(kind, "tzip", 4) == 0 || std::memcmp(kind, "bzip", 4) == 0) {
            std::vector<uint8_t> inflated;
            r = InflateXBody(body, bodySize, &inflated);
            if (r == XResult::kOk) r = ReadBody(inflated.data(), inflated.size(), kind[0] == 'b', doubles, out);
        } else {
            r = XResult::kInvalidData;
        }
    } catch (const std::bad_alloc&) {
        r = XResult::kTooLarge;
    }
    if (r != XResult::kOk) *out = XMeshData{};
    return r;
}

}  // namespace qrn::d3dx9
