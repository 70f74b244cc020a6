// The D3DX mesh object and byte buffer behind ID3DXMesh and ID3DXBuffer, and
// the device-free planning of OptimizeInplace.
//
// A mesh keeps its vertices and indices in Direct3D buffers of its device
// (so DrawSubset and GetVertexBuffer hand out real buffers), and its face
// attributes and attribute table in memory.
#pragma once

#include <cstdint>
#include <vector>

#include "d3dx9.h"
#include "d3dx9_buffer.h"

namespace qrn::d3dx9 {

class Mesh final : public ID3DXMesh {
public:
    static HRESULT Create(DWORD numFaces, DWORD numVertices, DWORD options, DWORD fvf,
                          IDirect3DDevice9* device, Mesh** out);

    // IUnknown
    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override;

    // ID3DXBaseMesh
    HRESULT DrawSubset(DWORD AttribId) override;
    DWORD GetNumFaces() override { return numFaces_; }
    DWORD GetNumVertices() override { return numVertices_; }
    DWORD GetFVF() override { return fvf_; }
    HRESULT GetDeclaration(D3DVERTEXELEMENT9 Declaration[MAX_FVF_DECL_SIZE]) override;
    DWORD GetNumBytesPerVertex() override { return stride_; }
    DWORD GetOptions() override { return options_; }
    HRESULT GetDevice(LPDIRECT3DDEVICE9* ppDevice) override;
    HRESULT CloneMeshFVF(DWORD Options, DWORD FVF, LPDIRECT3DDEVICE9 pD3DDevice, LPD3DXMESH* ppCloneMesh) override;
    HRESULT GetVertexBuffer(LPDIRECT3DVERTEXBUFFER9* ppVB) override;
    HRESULT GetIndexBuffer(LPDIRECT3DINDEXBUFFER9* ppIB) override;
    HRESULT LockVertexBuffer(DWORD Flags, LPVOID* ppData) override;
    HRESULT UnlockVertexBuffer() override;
    HRESULT LockIndexBuffer(DWORD Flags, LPVOID* ppData) override;
    HRESULT UnlockIndexBuffer() override;
    HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* pAttribTable, DWORD* pAttribTableSize) override;
    HRESULT GenerateAdjacency(FLOAT Epsilon, DWORD* pAdjacency) override;

    // ID3DXMesh
    HRESULT LockAttributeBuffer(DWORD Flags, DWORD** ppData) override;
    HRESULT UnlockAttributeBuffer() override;
    HRESULT Optimize(DWORD Flags, CONST DWORD* pAdjacencyIn, DWORD* pAdjacencyOut, DWORD* pFaceRemap,
                     LPD3DXBUFFER* ppVertexRemap, LPD3DXMESH* ppOptMesh) override;
    HRESULT OptimizeInplace(DWORD Flags, CONST DWORD* pAdjacencyIn, DWORD* pAdjacencyOut, DWORD* pFaceRemap,
                            LPD3DXBUFFER* ppVertexRemap) override;
    HRESULT SetAttributeTable(CONST D3DXATTRIBUTERANGE* pAttribTable, DWORD cAttribTableSize) override;

    // For the loader and the mesh functions: whole-array access.
    HRESULT ReadIndices(std::vector<uint32_t>* out);
    HRESULT WriteIndices(const std::vector<uint32_t>& in);
    HRESULT ReadVertices(std::vector<uint8_t>* out);
    HRESULT WriteVertices(const std::vector<uint8_t>& in);
    std::vector<DWORD>& Attributes() { return attributes_; }

private:
    Mesh() = default;
    ~Mesh() override;
    HRESULT MakeBuffers(DWORD numFaces, DWORD numVertices, IDirect3DVertexBuffer9** vb,
                        IDirect3DIndexBuffer9** ib);
    bool Indices32() const { return (options_ & D3DXMESH_32BIT) != 0; }

    ULONG refs_ = 1;
    IDirect3DDevice9* device_ = nullptr;
    IDirect3DVertexBuffer9* vb_ = nullptr;
    IDirect3DIndexBuffer9* ib_ = nullptr;
    std::vector<DWORD> attributes_;
    std::vector<D3DXATTRIBUTERANGE> table_;
    DWORD fvf_ = 0;
    DWORD stride_ = 0;
    DWORD options_ = 0;
    DWORD numFaces_ = 0;
    DWORD numVertices_ = 0;
};

// What OptimizeInplace does to a mesh, worked out from its indices and
// attributes alone (never from vertex contents, so meshes of one topology
// get one order).
struct MeshReorder {
    std::vector<uint32_t> indices;       // three per new face, in new vertex numbers
    std::vector<uint32_t> attributes;    // per new face
    std::vector<uint32_t> faceRemap;     // per new face: its old face
    std::vector<uint32_t> vertexRemap;   // per new vertex: its old vertex
    std::vector<D3DXATTRIBUTERANGE> table;  // empty unless attribute-sorted
};

// False when an index is out of range (a mesh whose index buffer was
// written with nonsense).
bool PlanReorder(DWORD flags, const std::vector<uint32_t>& indices, const std::vector<uint32_t>& attributes,
                 size_t numVertices, MeshReorder* out);

}  // namespace qrn::d3dx9
