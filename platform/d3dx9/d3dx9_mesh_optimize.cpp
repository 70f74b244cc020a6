// OptimizeInplace and Optimize: the plan of d3dx9_mesh_reorder.cpp applied
// to the mesh's buffers, attributes and table.
#include <algorithm>
#include <cstring>

#include "d3dx9_mesh.h"
#include "d3dx9_xfile.h"

namespace qrn::d3dx9 {

HRESULT Mesh::OptimizeInplace(DWORD Flags, CONST DWORD* pAdjacencyIn, DWORD* pAdjacencyOut, DWORD* pFaceRemap,
                              LPD3DXBUFFER* ppVertexRemap)
{
    if (ppVertexRemap) *ppVertexRemap = nullptr;
    if ((Flags & D3DXMESHOPT_VERTEXCACHE) && (Flags & D3DXMESHOPT_STRIPREORDER)) return D3DERR_INVALIDCALL;
    std::vector<uint32_t> indices;
    std::vector<uint8_t> vertices;
    HRESULT hr = ReadIndices(&indices);
    if (SUCCEEDED(hr)) hr = ReadVertices(&vertices);
    if (FAILED(hr)) return hr;
    MeshReorder plan;
    try {
        if (!PlanReorder(Flags, indices, attributes_, numVertices_, &plan)) return D3DXERR_INVALIDMESH;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    const DWORD newFaces = static_cast<DWORD>(plan.attributes.size());
    const DWORD newVertices = static_cast<DWORD>(plan.vertexRemap.size());
    if (newFaces == 0 || newVertices == 0) return D3DXERR_INVALIDMESH;
    if (!Indices32() && newVertices > 0xFFFF) return D3DXERR_CANNOTATTRSORT;

    // Build everything first; the mesh changes only once nothing can fail.
    std::vector<uint8_t> newBytes(size_t(newVertices) * stride_);
    for (size_t v = 0; v < newVertices; ++v)
        std::memcpy(newBytes.data() + v * stride_, vertices.data() + size_t(plan.vertexRemap[v]) * stride_, stride_);
    IDirect3DVertexBuffer9* vb = vb_;
    IDirect3DIndexBuffer9* ib = ib_;
    if (newFaces != numFaces_ || newVertices != numVertices_) {
        hr = MakeBuffers(newFaces, newVertices, &vb, &ib);
        if (FAILED(hr)) return hr;
    }
    std::swap(vb, vb_);
    std::swap(ib, ib_);
    const DWORD oldFaces = numFaces_, oldVertices = numVertices_;
    numFaces_ = newFaces;
    numVertices_ = newVertices;
    hr = WriteVertices(newBytes);
    if (SUCCEEDED(hr)) hr = WriteIndices(plan.indices);
    if (FAILED(hr)) {
        std::swap(vb, vb_);
        std::swap(ib, ib_);
        numFaces_ = oldFaces;
        numVertices_ = oldVertices;
    }
    if (vb != vb_) vb->Release();
    if (ib != ib_) ib->Release();
    if (FAILED(hr)) return hr;

    if (pAdjacencyOut) {
        std::vector<uint32_t> adjacency;
        if (pAdjacencyIn) {
            std::vector<uint32_t> newFaceOf(oldFaces, UINT32_MAX);
            for (size_t k = 0; k < newFaces; ++k) newFaceOf[plan.faceRemap[k]] = static_cast<uint32_t>(k);
            adjacency.resize(size_t(newFaces) * 3);
            for (size_t k = 0; k < newFaces; ++k)
                for (int e = 0; e < 3; ++e) {
                    const uint32_t old = pAdjacencyIn[size_t(plan.faceRemap[k]) * 3 + e];
                    adjacency[k * 3 + e] = old < oldFaces ? newFaceOf[old] : UINT32_MAX;
                }
        } else {
            adjacency = ComputeAdjacency(newBytes.data(), stride_, newVertices, plan.indices.data(), newFaces, 0.0f);
        }
        std::copy(adjacency.begin(), adjacency.end(), pAdjacencyOut);
    }
    if (pFaceRemap) std::copy(plan.faceRemap.begin(), plan.faceRemap.end(), pFaceRemap);
    if (ppVertexRemap) {
        Buffer* remap = Buffer::Create(plan.vertexRemap.size() * sizeof(DWORD));
        if (remap) {
            std::memcpy(remap->GetBufferPointer(), plan.vertexRemap.data(), plan.vertexRemap.size() * sizeof(DWORD));
            *ppVertexRemap = remap;
        }
    }
    attributes_ = std::move(plan.attributes);
    if (!plan.table.empty() || newFaces != oldFaces || (Flags & D3DXMESHOPT_COMPACT)) table_ = std::move(plan.table);
    return D3D_OK;
}

HRESULT Mesh::Optimize(DWORD Flags, CONST DWORD* pAdjacencyIn, DWORD* pAdjacencyOut, DWORD* pFaceRemap,
                       LPD3DXBUFFER* ppVertexRemap, LPD3DXMESH* ppOptMesh)
{
    if (!ppOptMesh) return D3DERR_INVALIDCALL;
    *ppOptMesh = nullptr;
    ID3DXMesh* copy;
    HRESULT hr = CloneMeshFVF(options_, fvf_, device_, &copy);
    if (FAILED(hr)) return hr;
    hr = copy->OptimizeInplace(Flags, pAdjacencyIn, pAdjacencyOut, pFaceRemap, ppVertexRemap);
    if (FAILED(hr)) {
        copy->Release();
        return hr;
    }
    *ppOptMesh = copy;
    return D3D_OK;
}

}  // namespace qrn::d3dx9
