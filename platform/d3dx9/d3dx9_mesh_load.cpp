// D3DXLoadMeshFromX: the device-free reader's description turned into a
// mesh object, with adjacency, materials and effect instances handed out as
// buffers; and the plain creation functions.
#include <cstdio>
#include <cstring>

#include "d3dx9_mesh.h"
#include "d3dx9_xfile.h"

using namespace qrn::d3dx9;

namespace {

// Files above this are refused before reading (no model of a gigabyte).
constexpr long kMaxFileBytes = long(1) << 30;

template <class T>
void ReleaseAndNull(T*& p)
{
    if (p) p->Release();
    p = nullptr;
}

HRESULT FillMesh(const XMeshData& data, Mesh* mesh)
{
    const DWORD stride = mesh->GetNumBytesPerVertex();
    const bool normals = !data.normals.empty(), colors = !data.colors.empty(), tex = !data.texCoords.empty();
    std::vector<uint8_t> bytes(data.positions.size() * stride);
    for (size_t v = 0; v < data.positions.size(); ++v) {
        uint8_t* p = bytes.data() + v * stride;
        std::memcpy(p, &data.positions[v], 12);
        p += 12;
        if (normals) {
            std::memcpy(p, &data.normals[v], 12);
            p += 12;
        }
        if (colors) {
            std::memcpy(p, &data.colors[v], 4);
            p += 4;
        }
        if (tex) std::memcpy(p, &data.texCoords[v * 2], 8);
    }
    HRESULT hr = mesh->WriteVertices(bytes);
    if (SUCCEEDED(hr)) hr = mesh->WriteIndices(data.indices);
    if (SUCCEEDED(hr)) mesh->Attributes().assign(data.attributes.begin(), data.attributes.end());
    return hr;
}

// One block: the D3DXMATERIAL array, then the texture names it points to.
Buffer* MaterialBuffer(const std::vector<XMaterial>& materials)
{
    size_t bytes = materials.size() * sizeof(D3DXMATERIAL);
    for (const XMaterial& m : materials)
        if (m.hasTexture) bytes += m.texture.size() + 1;
    Buffer* buffer = Buffer::Create(bytes);
    if (!buffer) return nullptr;
    auto* base = static_cast<uint8_t*>(buffer->GetBufferPointer());
    auto* out = reinterpret_cast<D3DXMATERIAL*>(base);
    char* names = reinterpret_cast<char*>(base + materials.size() * sizeof(D3DXMATERIAL));
    for (size_t i = 0; i < materials.size(); ++i) {
        out[i].MatD3D = materials[i].material;
        out[i].pTextureFilename = nullptr;
        if (!materials[i].hasTexture) continue;
        std::memcpy(names, materials[i].texture.c_str(), materials[i].texture.size() + 1);
        out[i].pTextureFilename = names;
        names += materials[i].texture.size() + 1;
    }
    return buffer;
}

}  // namespace

HRESULT WINAPI D3DXCreateMeshFVF(DWORD NumFaces, DWORD NumVertices, DWORD Options, DWORD FVF,
                                 LPDIRECT3DDEVICE9 pD3DDevice, LPD3DXMESH* ppMesh)
{
    if (!ppMesh) return D3DERR_INVALIDCALL;
    Mesh* mesh;
    const HRESULT hr = Mesh::Create(NumFaces, NumVertices, Options, FVF, pD3DDevice, &mesh);
    *ppMesh = SUCCEEDED(hr) ? mesh : nullptr;
    return hr;
}

HRESULT WINAPI D3DXLoadMeshFromXInMemory(LPCVOID Memory, DWORD SizeOfMemory, DWORD Options,
                                         LPDIRECT3DDEVICE9 pD3DDevice, LPD3DXBUFFER* ppAdjacency,
                                         LPD3DXBUFFER* ppMaterials, LPD3DXBUFFER* ppEffectInstances,
                                         DWORD* pNumMaterials, LPD3DXMESH* ppMesh)
{
    if (ppAdjacency) *ppAdjacency = nullptr;
    if (ppMaterials) *ppMaterials = nullptr;
    if (ppEffectInstances) *ppEffectInstances = nullptr;
    if (pNumMaterials) *pNumMaterials = 0;
    if (!ppMesh || !pD3DDevice || !Memory) return D3DERR_INVALIDCALL;
    *ppMesh = nullptr;

    XMeshData data;
    const XResult read = ReadXFile(static_cast<const uint8_t*>(Memory), SizeOfMemory, &data);
    if (read == XResult::kTooLarge) return E_OUTOFMEMORY;
    if (read != XResult::kOk) return D3DXERR_INVALIDDATA;
    if (data.NumFaces() == 0 || data.positions.empty()) return D3DXERR_LOADEDMESHASNODATA;

    DWORD fvf = D3DFVF_XYZ;
    if (!data.normals.empty()) fvf |= D3DFVF_NORMAL;
    if (!data.colors.empty()) fvf |= D3DFVF_DIFFUSE;
    if (!data.texCoords.empty()) fvf |= D3DFVF_TEX1;
    // A mesh that 16-bit indices cannot reach gets 32-bit ones.
    if (data.positions.size() > 0xFFFF) Options |= D3DXMESH_32BIT;

    Mesh* mesh = nullptr;
    Buffer *adjacency = nullptr, *materials = nullptr, *effects = nullptr;
    HRESULT hr = Mesh::Create(static_cast<DWORD>(data.NumFaces()), static_cast<DWORD>(data.positions.size()),
                              Options, fvf, pD3DDevice, &mesh);
    if (SUCCEEDED(hr)) hr = FillMesh(data, mesh);
    try {
        if (SUCCEEDED(hr) && ppAdjacency) {
            const std::vector<uint32_t> adj = ComputeAdjacency(data.positions.data(), sizeof(XVec3),
                                                               data.positions.size(), data.indices.data(),
                                                               data.NumFaces(), 0.0f);
            adjacency = Buffer::Create(adj.size() * sizeof(DWORD));
            if (adjacency)
                std::memcpy(adjacency->GetBufferPointer(), adj.data(), adj.size() * sizeof(DWORD));
            else
                hr = E_OUTOFMEMORY;
        }
    } catch (const std::bad_alloc&) {
        hr = E_OUTOFMEMORY;
    }
    if (SUCCEEDED(hr) && ppMaterials && !data.materials.empty()) {
        materials = MaterialBuffer(data.materials);
        if (!materials) hr = E_OUTOFMEMORY;
    }
    if (SUCCEEDED(hr) && ppEffectInstances && !data.materials.empty()) {
        // One instance per material, naming no effect.
        effects = Buffer::Create(data.materials.size() * sizeof(D3DXEFFECTINSTANCE));
        if (!effects) hr = E_OUTOFMEMORY;
    }
    if (FAILED(hr)) {
        ReleaseAndNull(mesh);
        ReleaseAndNull(adjacency);
        ReleaseAndNull(materials);
        ReleaseAndNull(effects);
        return hr;
    }
    *ppMesh = mesh;
    if (ppAdjacency) *ppAdjacency = adjacency;
    if (ppMaterials) *ppMaterials = materials;
    if (ppEffectInstances) *ppEffectInstances = effects;
    if (pNumMaterials) *pNumMaterials = static_cast<DWORD>(data.materials.size());
    return D3D_OK;
}

HRESULT WINAPI D3DXLoadMeshFromXA(LPCSTR pFilename, DWORD Options, LPDIRECT3DDEVICE9 pD3DDevice,
                                  LPD3DXBUFFER* ppAdjacency, LPD3DXBUFFER* ppMaterials,
                                  LPD3DXBUFFER* ppEffectInstances, DWORD* pNumMaterials, LPD3DXMESH* ppMesh)
{
    if (ppAdjacency) *ppAdjacency = nullptr;
    if (ppMaterials) *ppMaterials = nullptr;
    if (ppEffectInstances) *ppEffectInstances = nullptr;
    if (pNumMaterials) *pNumMaterials = 0;
    if (ppMesh) *ppMesh = nullptr;
    if (!pFilename) return D3DERR_INVALIDCALL;
    FILE* f = std::fopen(pFilename, "rb");
    if (!f) return D3DXERR_INVALIDDATA;
    std::vector<uint8_t> bytes;
    long size = -1;
    if (std::fseek(f, 0, SEEK_END) == 0) size = std::ftell(f);
    bool ok = size >= 0 && size <= kMaxFileBytes && std::fseek(f, 0, SEEK_SET) == 0;
    if (ok) {
        try {
            bytes.resize(static_cast<size_t>(size));
        } catch (const std::bad_alloc&) {
            ok = false;
        }
    }
    if (ok) ok = std::fread(bytes.data(), 1, bytes.size(), f) == bytes.size();
    std::fclose(f);
    if (!ok) return D3DXERR_INVALIDDATA;
    return D3DXLoadMeshFromXInMemory(bytes.data(), static_cast<DWORD>(bytes.size()), Options, pD3DDevice,
                                     ppAdjacency, ppMaterials, ppEffectInstances, pNumMaterials, ppMesh);
}
