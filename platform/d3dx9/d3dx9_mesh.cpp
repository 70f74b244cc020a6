// The mesh object: creation, its buffers and locks, the attribute table,
// subset drawing and cloning into another vertex format. Optimisation is in
// d3dx9_mesh_optimize.cpp, the .x loader in d3dx9_mesh_load.cpp.
#include <algorithm>
#include <cstring>
#include <new>

#include "../d3d9/ffp_layout.h"
#include "../d3d9/fvf.h"
#include "d3dx9_mesh.h"
#include "d3dx9_xfile.h"

namespace qrn::d3dx9 {

namespace {

// Above this a mesh is refused rather than allocated (a gigabyte of indices).
constexpr uint64_t kMaxBufferBytes = uint64_t(1) << 30;

D3DPOOL PoolOf(DWORD options, DWORD managed, DWORD systemmem)
{
    if (options & managed) return D3DPOOL_MANAGED;
    if (options & systemmem) return D3DPOOL_SYSTEMMEM;
    return D3DPOOL_DEFAULT;
}

DWORD UsageOf(DWORD options, DWORD writeonly, DWORD dynamic, DWORD software)
{
    DWORD usage = 0;
    if (options & writeonly) usage |= D3DUSAGE_WRITEONLY;
    if (options & dynamic) usage |= D3DUSAGE_DYNAMIC;
    if (options & software) usage |= D3DUSAGE_SOFTWAREPROCESSING;
    if (options & D3DXMESH_DONOTCLIP) usage |= D3DUSAGE_DONOTCLIP;
    if (options & D3DXMESH_POINTS) usage |= D3DUSAGE_POINTS;
    if (options & D3DXMESH_RTPATCHES) usage |= D3DUSAGE_RTPATCHES;
    if (options & D3DXMESH_NPATCHES) usage |= D3DUSAGE_NPATCHES;
    return usage;
}

template <class T>
void ReleaseAndNull(T*& p)
{
    if (p) p->Release();
    p = nullptr;
}

}  // namespace

// ---- creation ----------------------------------------------------------------------------------

HRESULT Mesh::MakeBuffers(DWORD numFaces, DWORD numVertices, IDirect3DVertexBuffer9** vb,
                          IDirect3DIndexBuffer9** ib)
{
    const uint64_t vbBytes = uint64_t(numVertices) * stride_;
    const uint64_t ibBytes = uint64_t(numFaces) * 3 * (Indices32() ? 4 : 2);
    if (vbBytes > kMaxBufferBytes || ibBytes > kMaxBufferBytes) return E_OUTOFMEMORY;
    HRESULT hr = device_->CreateVertexBuffer(
        static_cast<UINT>(vbBytes),
        UsageOf(options_, D3DXMESH_VB_WRITEONLY, D3DXMESH_VB_DYNAMIC, D3DXMESH_VB_SOFTWAREPROCESSING), fvf_,
        PoolOf(options_, D3DXMESH_VB_MANAGED, D3DXMESH_VB_SYSTEMMEM), vb, nullptr);
    if (FAILED(hr)) return hr;
    hr = device_->CreateIndexBuffer(
        static_cast<UINT>(ibBytes),
        UsageOf(options_, D3DXMESH_IB_WRITEONLY, D3DXMESH_IB_DYNAMIC, D3DXMESH_IB_SOFTWAREPROCESSING),
        Indices32() ? D3DFMT_INDEX32 : D3DFMT_INDEX16, PoolOf(options_, D3DXMESH_IB_MANAGED, D3DXMESH_IB_SYSTEMMEM),
        ib, nullptr);
    if (FAILED(hr)) ReleaseAndNull(*vb);
    return hr;
}

HRESULT Mesh::Create(DWORD numFaces, DWORD numVertices, DWORD options, DWORD fvf, IDirect3DDevice9* device,
                     Mesh** out)
{
    *out = nullptr;
    if (!device || numFaces == 0 || numVertices == 0) return D3DERR_INVALIDCALL;
    const UINT stride = d3d9::FvfVertexSize(fvf);
    if (stride == 0) return D3DERR_INVALIDCALL;
    // 16-bit indices reach 65535 vertices (0xFFFF stays free, as in strips).
    if (!(options & D3DXMESH_32BIT) && numVertices > 0xFFFF) return D3DERR_INVALIDCALL;
    auto* m = new (std::nothrow) Mesh();
    if (!m) return E_OUTOFMEMORY;
    m->device_ = device;
    device->AddRef();
    m->fvf_ = fvf;
    m->stride_ = stride;
    m->options_ = options;
    m->numFaces_ = numFaces;
    m->numVertices_ = numVertices;
    HRESULT hr = m->MakeBuffers(numFaces, numVertices, &m->vb_, &m->ib_);
    if (SUCCEEDED(hr)) {
        try {
            m->attributes_.assign(numFaces, 0);
        } catch (const std::bad_alloc&) {
            hr = E_OUTOFMEMORY;
        }
    }
    if (FAILED(hr)) {
        m->Release();
        return hr;
    }
    *out = m;
    return D3D_OK;
}

Mesh::~Mesh()
{
    ReleaseAndNull(ib_);
    ReleaseAndNull(vb_);
    ReleaseAndNull(device_);
}

HRESULT Mesh::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!(riid == IID_IUnknown) && !(riid == IID_ID3DXBaseMesh) && !(riid == IID_ID3DXMesh)) return E_NOINTERFACE;
    AddRef();
    *ppv = static_cast<ID3DXMesh*>(this);
    return S_OK;
}

ULONG Mesh::Release()
{
    const ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
}

// ---- plain access --------------------------------------------------------------------------------

HRESULT Mesh::GetDeclaration(D3DVERTEXELEMENT9 Declaration[MAX_FVF_DECL_SIZE])
{
    if (!Declaration) return D3DERR_INVALIDCALL;
    std::vector<D3DVERTEXELEMENT9> elements;
    if (!d3d9::FvfElements(fvf_, &elements) || elements.size() >= MAX_FVF_DECL_SIZE) return D3DERR_INVALIDCALL;
    std::copy(elements.begin(), elements.end(), Declaration);
    Declaration[elements.size()] = D3DVERTEXELEMENT9 D3DDECL_END();
    return D3D_OK;
}

HRESULT Mesh::GetDevice(LPDIRECT3DDEVICE9* ppDevice)
{
    if (!ppDevice) return D3DERR_INVALIDCALL;
    device_->AddRef();
    *ppDevice = device_;
    return D3D_OK;
}

HRESULT Mesh::GetVertexBuffer(LPDIRECT3DVERTEXBUFFER9* ppVB)
{
    if (!ppVB) return D3DERR_INVALIDCALL;
    vb_->AddRef();
    *ppVB = vb_;
    return D3D_OK;
}

HRESULT Mesh::GetIndexBuffer(LPDIRECT3DINDEXBUFFER9* ppIB)
{
    if (!ppIB) return D3DERR_INVALIDCALL;
    ib_->AddRef();
    *ppIB = ib_;
    return D3D_OK;
}

HRESULT Mesh::LockVertexBuffer(DWORD Flags, LPVOID* ppData)
{
    return vb_->Lock(0, 0, ppData, Flags);
}

HRESULT Mesh::UnlockVertexBuffer()
{
    return vb_->Unlock();
}

HRESULT Mesh::LockIndexBuffer(DWORD Flags, LPVOID* ppData)
{
    return ib_->Lock(0, 0, ppData, Flags);
}

HRESULT Mesh::UnlockIndexBuffer()
{
    return ib_->Unlock();
}

// The attributes live in memory: a lock hands out the array itself.
HRESULT Mesh::LockAttributeBuffer(DWORD, DWORD** ppData)
{
    if (!ppData) return D3DERR_INVALIDCALL;
    *ppData = attributes_.data();
    return D3D_OK;
}

HRESULT Mesh::UnlockAttributeBuffer()
{
    return D3D_OK;
}

// With a table, *pAttribTableSize is read as the room the array has; no
// more ranges than that are written.
HRESULT Mesh::GetAttributeTable(D3DXATTRIBUTERANGE* pAttribTable, DWORD* pAttribTableSize)
{
    if (!pAttribTableSize) return D3DERR_INVALIDCALL;
    const DWORD n = static_cast<DWORD>(table_.size());
    if (pAttribTable) std::copy_n(table_.begin(), std::min(n, *pAttribTableSize), pAttribTable);
    *pAttribTableSize = n;
    return D3D_OK;
}

HRESULT Mesh::SetAttributeTable(CONST D3DXATTRIBUTERANGE* pAttribTable, DWORD cAttribTableSize)
{
    if (!pAttribTable && cAttribTableSize > 0) return D3DERR_INVALIDCALL;
    for (DWORD i = 0; i < cAttribTableSize; ++i) {
        const D3DXATTRIBUTERANGE& r = pAttribTable[i];
        if (uint64_t(r.FaceStart) + r.FaceCount > numFaces_ || uint64_t(r.VertexStart) + r.VertexCount > numVertices_)
            return D3DERR_INVALIDCALL;
    }
    table_.assign(pAttribTable, pAttribTable + cAttribTableSize);
    return D3D_OK;
}

// ---- whole arrays ----------------------------------------------------------------------------------

HRESULT Mesh::ReadIndices(std::vector<uint32_t>* out)
{
    void* p;
    const HRESULT hr = ib_->Lock(0, 0, &p, D3DLOCK_READONLY);
    if (FAILED(hr)) return hr;
    const size_t n = size_t(numFaces_) * 3;
    out->resize(n);
    if (Indices32()) {
        std::memcpy(out->data(), p, n * 4);
    } else {
        const auto* s = static_cast<const uint16_t*>(p);
        for (size_t i = 0; i < n; ++i) (*out)[i] = s[i];
    }
    return ib_->Unlock();
}

HRESULT Mesh::WriteIndices(const std::vector<uint32_t>& in)
{
    if (in.size() != size_t(numFaces_) * 3) return D3DERR_INVALIDCALL;
    void* p;
    const HRESULT hr = ib_->Lock(0, 0, &p, 0);
    if (FAILED(hr)) return hr;
    if (Indices32()) {
        std::memcpy(p, in.data(), in.size() * 4);
    } else {
        auto* d = static_cast<uint16_t*>(p);
        for (size_t i = 0; i < in.size(); ++i) d[i] = static_cast<uint16_t>(in[i]);
    }
    return ib_->Unlock();
}

HRESULT Mesh::ReadVertices(std::vector<uint8_t>* out)
{
    void* p;
    const HRESULT hr = vb_->Lock(0, 0, &p, D3DLOCK_READONLY);
    if (FAILED(hr)) return hr;
    const auto* s = static_cast<const uint8_t*>(p);
    out->assign(s, s + size_t(numVertices_) * stride_);
    return vb_->Unlock();
}

HRESULT Mesh::WriteVertices(const std::vector<uint8_t>& in)
{
    if (in.size() != size_t(numVertices_) * stride_) return D3DERR_INVALIDCALL;
    void* p;
    const HRESULT hr = vb_->Lock(0, 0, &p, 0);
    if (FAILED(hr)) return hr;
    std::memcpy(p, in.data(), in.size());
    return vb_->Unlock();
}

// ---- drawing ------------------------------------------------------------------------------------------

// The mesh's own buffers and format are bound, then one draw per range: the
// table's range for the id, or without a table each run of consecutive
// faces carrying it (its vertex range found from its indices).
HRESULT Mesh::DrawSubset(DWORD AttribId)
{
    HRESULT hr = device_->SetFVF(fvf_);
    if (SUCCEEDED(hr)) hr = device_->SetStreamSource(0, vb_, 0, stride_);
    if (SUCCEEDED(hr)) hr = device_->SetIndices(ib_);
    if (FAILED(hr)) return hr;
    if (!table_.empty()) {
        for (const D3DXATTRIBUTERANGE& r : table_) {
            if (r.AttribId != AttribId || r.FaceCount == 0) continue;
            return device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, r.VertexStart, r.VertexCount,
                                                 r.FaceStart * 3, r.FaceCount);
        }
        return D3D_OK;
    }
    std::vector<uint32_t> indices;
    bool haveIndices = false;
    for (DWORD f = 0; f < numFaces_;) {
        if (attributes_[f] != AttribId) {
            ++f;
            continue;
        }
        DWORD end = f;
        while (end < numFaces_ && attributes_[end] == AttribId) ++end;
        if (!haveIndices) {
            hr = ReadIndices(&indices);
            if (FAILED(hr)) return hr;
            haveIndices = true;
        }
        const auto first = indices.begin() + long(f) * 3, last = indices.begin() + long(end) * 3;
        const auto [lo, hi] = std::minmax_element(first, last);
        hr = device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, *lo, *hi - *lo + 1, f * 3, end - f);
        if (FAILED(hr)) return hr;
        f = end;
    }
    return D3D_OK;
}

// ---- cloning ---------------------------------------------------------------------------------------------

// Elements present in both formats are copied (as many bytes as both hold:
// a texture set of two floats into one of three keeps u and v, the third
// float zero); the rest of the new vertex stays zero.
HRESULT Mesh::CloneMeshFVF(DWORD Options, DWORD FVF, LPDIRECT3DDEVICE9 pD3DDevice, LPD3DXMESH* ppCloneMesh)
{
    if (!ppCloneMesh) return D3DERR_INVALIDCALL;
    *ppCloneMesh = nullptr;
    std::vector<D3DVERTEXELEMENT9> from, to;
    if (!d3d9::FvfElements(fvf_, &from) || !d3d9::FvfElements(FVF, &to)) return D3DERR_INVALIDCALL;
    Mesh* clone;
    HRESULT hr = Create(numFaces_, numVertices_, Options, FVF, pD3DDevice ? pD3DDevice : device_, &clone);
    if (FAILED(hr)) return hr;

    std::vector<uint8_t> src, dst;
    std::vector<uint32_t> indices;
    hr = ReadVertices(&src);
    if (SUCCEEDED(hr)) hr = ReadIndices(&indices);
    if (SUCCEEDED(hr)) {
        dst.assign(size_t(numVertices_) * clone->stride_, 0);
        for (const D3DVERTEXELEMENT9& d : to) {
            const auto s = std::find_if(from.begin(), from.end(), [&](const D3DVERTEXELEMENT9& e) {
                return e.Usage == d.Usage && e.UsageIndex == d.UsageIndex;
            });
            if (s == from.end()) continue;
            const size_t bytes = std::min(d3d9::DeclTypeSize(s->Type), d3d9::DeclTypeSize(d.Type));
            for (size_t v = 0; v < numVertices_; ++v)
                std::memcpy(dst.data() + v * clone->stride_ + d.Offset, src.data() + v * stride_ + s->Offset, bytes);
        }
        hr = clone->WriteVertices(dst);
    }
    if (SUCCEEDED(hr)) hr = clone->WriteIndices(indices);
    if (FAILED(hr)) {
        clone->Release();
        return hr;
    }
    clone->attributes_ = attributes_;
    clone->table_ = table_;
    *ppCloneMesh = clone;
    return D3D_OK;
}

// ---- adjacency ---------------------------------------------------------------------------------------------

HRESULT Mesh::GenerateAdjacency(FLOAT Epsilon, DWORD* pAdjacency)
{
    if (!pAdjacency || !(Epsilon >= 0.0f)) return D3DERR_INVALIDCALL;
    std::vector<uint8_t> vertices;
    std::vector<uint32_t> indices;
    HRESULT hr = ReadVertices(&vertices);
    if (SUCCEEDED(hr)) hr = ReadIndices(&indices);
    if (FAILED(hr)) return hr;
    for (uint32_t i : indices)
        if (i >= numVertices_) return D3DXERR_INVALIDMESH;
    const std::vector<uint32_t> adjacency =
        ComputeAdjacency(vertices.data(), stride_, numVertices_, indices.data(), numFaces_, Epsilon);
    std::copy(adjacency.begin(), adjacency.end(), pAdjacency);
    return D3D_OK;
}

}  // namespace qrn::d3dx9
