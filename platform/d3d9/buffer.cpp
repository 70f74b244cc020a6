// Vertex and index buffers: a CPU copy that Lock hands out, uploaded to a GL
// buffer at Unlock.
#include <algorithm>
#include <atomic>
#include <new>

#include "device.h"
#include "refusal.h"
#include "resource.h"

namespace qrn::d3d9 {

namespace {
constexpr UINT kMaxBufferBytes = 1u << 30;

uint64_t NewStamp()
{
    static std::atomic<uint64_t> next{0};
    return ++next;
}
}

bool BufferStore::Init(Device* device, UINT bytes, DWORD use, D3DPOOL p, HRESULT* hr)
{
    if (bytes == 0) {
        *hr = Refuse("CreateVertexBuffer/CreateIndexBuffer", "Length", 0, "at least 1");
        return false;
    }
    if (bytes > kMaxBufferBytes) {
        *hr = D3DERR_OUTOFVIDEOMEMORY;
        return false;
    }
    try {
        data.assign(bytes, 0);
    } catch (const std::bad_alloc&) {
        *hr = E_OUTOFMEMORY;
        return false;
    }
    size = bytes;
    usage = use;
    pool = p;
    stamp = NewStamp();
    if (!Device::TakeGlStorage()) {
        *hr = D3DERR_OUTOFVIDEOMEMORY;
        return false;
    }
    gl = device->Backend().CreateBuffer(bytes, data.data(), (use & D3DUSAGE_DYNAMIC) != 0, "buffer");
    if (!gl) {
        *hr = D3DERR_OUTOFVIDEOMEMORY;
        return false;
    }
    *hr = D3D_OK;
    return true;
}

void BufferStore::Destroy(Device* device)
{
    device->Backend().DestroyBuffer(&gl);
}

HRESULT BufferStore::Lock(UINT offset, UINT bytes, void** out, DWORD flags)
{
    if (!out) return RefuseWhy(__func__, "!out");
    *out = nullptr;
    if (offset > size) return RefuseWhy(__func__, "offset > size");
    if (bytes == 0) bytes = size - offset;  // 0 locks to the end
    if (bytes > size - offset) return RefuseWhy(__func__, "bytes > size - offset");
    if (!(flags & D3DLOCK_READONLY) && bytes > 0) {
        stamp = NewStamp();
        if (dirtyLo == dirtyHi) {
            dirtyLo = offset;
            dirtyHi = offset + bytes;
        } else {
            dirtyLo = std::min(dirtyLo, offset);
            dirtyHi = std::max(dirtyHi, offset + bytes);
        }
    }
    ++locks;
    *out = data.data() + offset;
    return D3D_OK;
}

HRESULT BufferStore::Unlock(Device* device)
{
    if (locks == 0) return RefuseWhy(__func__, "locks == 0");
    if (--locks > 0 || dirtyLo == dirtyHi) return D3D_OK;
    stamp = NewStamp();
    device->Backend().UpdateBuffer(gl, size, dirtyLo, dirtyHi - dirtyLo, data.data(), (usage & D3DUSAGE_DYNAMIC) != 0);
    dirtyLo = dirtyHi = 0;
    return D3D_OK;
}

// ---- what both kinds share -------------------------------------------------------------------
template <class Iface>
template <class T>
T* BufferResource<Iface>::Finish(T* buffer, UINT length, DWORD usage, D3DPOOL pool, HRESULT* hr)
{
    if (!buffer) {
        *hr = E_OUTOFMEMORY;
        return nullptr;
    }
    if (!buffer->store_.Init(buffer->device_, length, usage, pool, hr)) {
        delete buffer;
        return nullptr;
    }
    if (pool == D3DPOOL_DEFAULT) buffer->device_->DefaultPoolCreated();
    return buffer;
}

template <class Iface>
BufferResource<Iface>::~BufferResource()
{
    const bool counted = store_.gl && store_.pool == D3DPOOL_DEFAULT;
    store_.Destroy(device_);
    if (counted) device_->DefaultPoolDestroyed();
}

template <class Iface>
DWORD BufferResource<Iface>::SetPriority(DWORD p)
{
    const DWORD old = store_.priority;
    store_.priority = p;
    return old;
}

template <class Iface>
HRESULT BufferResource<Iface>::Lock(UINT offset, UINT bytes, void** data, DWORD flags)
{
    return store_.Lock(offset, bytes, data, flags);
}

template <class Iface>
HRESULT BufferResource<Iface>::Unlock()
{
    return store_.Unlock(device_);
}

template class BufferResource<IDirect3DVertexBuffer9>;
template class BufferResource<IDirect3DIndexBuffer9>;

// ---- vertex buffers --------------------------------------------------------------------------------
VertexBuffer* VertexBuffer::Create(Device* device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                   HRESULT* hr)
{
    return Finish(new (std::nothrow) VertexBuffer(device, fvf), length, usage, pool, hr);
}

HRESULT VertexBuffer::QueryInterface(REFIID riid, void** ppv)
{
    return AnswerQuery(riid, ppv, static_cast<IDirect3DVertexBuffer9*>(this),
                       riid == IID_IDirect3DVertexBuffer9 || riid == IID_IDirect3DResource9);
}

HRESULT VertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* d)
{
    if (!d) return RefuseWhy(__func__, "!d");
    *d = D3DVERTEXBUFFER_DESC{D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, store_.usage, store_.pool,
                              store_.size, fvf_};
    return D3D_OK;
}

// ---- index buffers ---------------------------------------------------------------------------------
IndexBuffer* IndexBuffer::Create(Device* device, UINT length, DWORD usage, D3DFORMAT format,
                                 D3DPOOL pool, HRESULT* hr)
{
    return Finish(new (std::nothrow) IndexBuffer(device, format), length, usage, pool, hr);
}

HRESULT IndexBuffer::QueryInterface(REFIID riid, void** ppv)
{
    return AnswerQuery(riid, ppv, static_cast<IDirect3DIndexBuffer9*>(this),
                       riid == IID_IDirect3DIndexBuffer9 || riid == IID_IDirect3DResource9);
}

HRESULT IndexBuffer::GetDesc(D3DINDEXBUFFER_DESC* d)
{
    if (!d) return RefuseWhy(__func__, "!d");
    *d = D3DINDEXBUFFER_DESC{format_, D3DRTYPE_INDEXBUFFER, store_.usage, store_.pool, store_.size};
    return D3D_OK;
}

}  // namespace qrn::d3d9
