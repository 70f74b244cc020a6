// Swap chains: a back buffer and the window it is presented to.
#include <new>

#include "device.h"
#include "refusal.h"
#include "resource.h"

namespace qrn::d3d9 {

SwapChain* SwapChain::Create(Device* device, const D3DPRESENT_PARAMETERS& pp, bool implicit, HRESULT* hr)
{
    const FormatInfo* f = FindFormat(pp.BackBufferFormat);
    if (!f) {
        *hr = Refuse(__func__, "BackBufferFormat", pp.BackBufferFormat, "a supported back-buffer format");
        return nullptr;
    }
    auto* sc = new (std::nothrow) SwapChain(device, pp, implicit);
    if (!sc) {
        *hr = E_OUTOFMEMORY;
        return nullptr;
    }
    const bool lockable = (pp.Flags & D3DPRESENTFLAG_LOCKABLE_BACKBUFFER) != 0;
    Surface* back = Surface::Create(device, Surface::Kind::BackBuffer, pp.BackBufferWidth,
                                    pp.BackBufferHeight, *f, D3DPOOL_DEFAULT, D3DUSAGE_RENDERTARGET,
                                    lockable, true, hr);
    if (!back) {
        delete sc;
        return nullptr;
    }
    back->container_ = static_cast<IDirect3DSwapChain9*>(sc);
    sc->back_.reset(back);
    return sc;
}

SwapChain::~SwapChain()
{
    back_.reset();
    if (!implicit_) device_->SwapChainDestroyed(this);
}

HRESULT SwapChain::QueryInterface(REFIID riid, void** ppv)
{
    return AnswerQuery(riid, ppv, static_cast<IDirect3DSwapChain9*>(this), riid == IID_IDirect3DSwapChain9);
}

HRESULT SwapChain::Present(CONST RECT* src, CONST RECT* dst, HWND override, CONST struct _RGNDATA*, DWORD)
{
    return device_->PresentSwapChain(this, src, dst, override);
}

HRESULT SwapChain::GetFrontBufferData(IDirect3DSurface9*) { return D3DERR_NOTAVAILABLE; }

HRESULT SwapChain::GetBackBuffer(UINT i, D3DBACKBUFFER_TYPE type, IDirect3DSurface9** out)
{
    if (!out) return RefuseWhy(__func__, "!out");
    *out = nullptr;
    // Every back buffer of the chain is the one GL texture the device draws into.
    if (i >= pp_.BackBufferCount || type != D3DBACKBUFFER_TYPE_MONO)
        return RefuseWhy(__func__, "i >= pp_.BackBufferCount || type != D3DBACKBUFFER_TYPE_MONO");
    back_->AddRef();
    *out = back_.get();
    return D3D_OK;
}

HRESULT SwapChain::GetRasterStatus(D3DRASTER_STATUS* status)
{
    if (!status) return RefuseWhy(__func__, "!status");
    *status = D3DRASTER_STATUS{FALSE, 0};
    return D3D_OK;
}

HRESULT SwapChain::GetDisplayMode(D3DDISPLAYMODE* mode) { return device_->GetDisplayMode(0, mode); }

HRESULT SwapChain::GetPresentParameters(D3DPRESENT_PARAMETERS* pp)
{
    if (!pp) return RefuseWhy(__func__, "!pp");
    *pp = pp_;
    return D3D_OK;
}

}  // namespace qrn::d3d9
