// The byte block behind ID3DXBuffer (see d3dx9_buffer.h).
#include "d3dx9_buffer.h"

#include <cstring>
#include <new>

namespace qrn::d3dx9 {

Buffer* Buffer::Create(size_t bytes)
{
    auto* b = new (std::nothrow) Buffer();
    if (!b) return nullptr;
    try {
        b->bytes_.assign(bytes, 0);
    } catch (const std::bad_alloc&) {
        delete b;
        return nullptr;
    }
    return b;
}

HRESULT Buffer::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!(riid == IID_IUnknown) && !(riid == IID_ID3DXBuffer)) return E_NOINTERFACE;
    AddRef();
    *ppv = static_cast<ID3DXBuffer*>(this);
    return S_OK;
}

ULONG Buffer::Release()
{
    const ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
}

ID3DXBuffer* NewBufferWith(const void* bytes, size_t size)
{
    Buffer* buffer = Buffer::Create(size);
    if (buffer && size) std::memcpy(buffer->GetBufferPointer(), bytes, size);
    return buffer;
}

}  // namespace qrn::d3dx9

using qrn::d3dx9::Buffer;

HRESULT WINAPI D3DXCreateBuffer(DWORD NumBytes, LPD3DXBUFFER* ppBuffer)
{
    if (!ppBuffer) return D3DERR_INVALIDCALL;
    *ppBuffer = Buffer::Create(NumBytes);
    return *ppBuffer ? D3D_OK : E_OUTOFMEMORY;
}
