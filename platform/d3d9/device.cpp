// Device creation, swap chains, scenes and the simple queries.
#include "device.h"
#include "refusal.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cstring>

#include <qrn_win32_sdl.h>

#include "direct3d.h"

namespace qrn::d3d9 {

namespace {

bool ValidInterval(UINT interval, bool windowed)
{
    switch (interval) {
    case D3DPRESENT_INTERVAL_DEFAULT:
    case D3DPRESENT_INTERVAL_ONE:
    case D3DPRESENT_INTERVAL_IMMEDIATE: return true;
    case D3DPRESENT_INTERVAL_TWO:
    case D3DPRESENT_INTERVAL_THREE:
    case D3DPRESENT_INTERVAL_FOUR: return !windowed;
    default: return false;
    }
}

}  // namespace

// ---- creation ---------------------------------------------------------------------------------
Device::Device(Direct3D* d3d, D3DDEVTYPE type, HWND focus, DWORD behavior)
    : d3d_(d3d), type_(type), focus_(focus), behavior_(behavior)
{
    d3d_->AddRef();
    FillCaps(type_, &caps_);
}

Device* Device::Create(Direct3D* d3d, D3DDEVTYPE type, HWND focus, DWORD behavior,
                       D3DPRESENT_PARAMETERS* pp, HRESULT* hr)
{
    const DWORD vp = behavior & (D3DCREATE_SOFTWARE_VERTEXPROCESSING |
                                 D3DCREATE_HARDWARE_VERTEXPROCESSING |
                                 D3DCREATE_MIXED_VERTEXPROCESSING);
    if (vp != D3DCREATE_SOFTWARE_VERTEXPROCESSING && vp != D3DCREATE_HARDWARE_VERTEXPROCESSING &&
        vp != D3DCREATE_MIXED_VERTEXPROCESSING) {
        *hr = Refuse("CreateDevice", "BehaviorFlags vertex processing", vp,
                     "exactly one of SOFTWARE, HARDWARE or MIXED_VERTEXPROCESSING");
        return nullptr;
    }
    D3DCAPS9 caps{};
    FillCaps(type, &caps);
    if (vp != D3DCREATE_SOFTWARE_VERTEXPROCESSING &&
        !(caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT)) {
        *hr = RefuseWhy("CreateDevice", "hardware vertex processing without D3DDEVCAPS_HWTRANSFORMANDLIGHT");
        return nullptr;
    }
    if (!focus && !pp->hDeviceWindow) {
        *hr = RefuseWhy("CreateDevice", "neither a focus window nor hDeviceWindow");
        return nullptr;
    }
    auto* device = new Device(d3d, type, focus, behavior);
    *hr = device->Init(pp);
    if (FAILED(*hr)) {
        device->Release();
        return nullptr;
    }
    return device;
}

HRESULT Device::Init(D3DPRESENT_PARAMETERS* pp)
{
    D3DPRESENT_PARAMETERS params = *pp;
    if (!params.hDeviceWindow) params.hDeviceWindow = focus_;
    if (!focus_) focus_ = params.hDeviceWindow;
    HRESULT hr = CompleteParams(&params, false);
    if (FAILED(hr)) return hr;

    SDL_Window* window = qrn::win32::SdlWindow(params.hDeviceWindow);
    if (!window) return RefuseWhy(__func__, "!window");
    if (!gl_.CreateContext(window)) return D3DERR_NOTAVAILABLE;

    hr = MakeImplicit(params);
    if (FAILED(hr)) return hr;
    if (!params.Windowed && !ApplyFullscreen(params)) return D3DERR_NOTAVAILABLE;
    reapplyAll_ = Overrides().reapplyAllState;
    ResetState();
    focusListener_ = qrn::win32::AddFocusListener(&Device::FocusChanged, this);
    OwnPicture(params.hDeviceWindow);
    *pp = params;
    return D3D_OK;
}

// From the first present on, the device draws the whole client area of the
// window's top-level window; the Win32 stand-in stops painting it.
void Device::OwnPicture(HWND window)
{
    HWND top = qrn::win32::TopLevel(window);
    if (!top || std::find(ownedPictures_.begin(), ownedPictures_.end(), top) != ownedPictures_.end()) return;
    qrn::win32::SetDeviceOwnsPicture(top, true);
    ownedPictures_.push_back(top);
}

// Fills in what the caller left to the device (sizes of a windowed back
// buffer, its format, the count) and refuses what the device cannot do.
HRESULT Device::CompleteParams(D3DPRESENT_PARAMETERS* pp, bool additional) const
{
    if (!pp->hDeviceWindow) return RefuseWhy(__func__, "!pp->hDeviceWindow");
    if (!qrn::win32::SdlWindow(pp->hDeviceWindow))
        return RefuseWhy(__func__, "!qrn::win32::SdlWindow(pp->hDeviceWindow)");
    if (pp->SwapEffect < D3DSWAPEFFECT_DISCARD || pp->SwapEffect > D3DSWAPEFFECT_COPY)
        return RefuseWhy(__func__, "pp->SwapEffect < D3DSWAPEFFECT_DISCARD || pp->SwapEffect > D3DSWAPEFFECT_COPY");
    if (pp->BackBufferCount > D3DPRESENT_BACK_BUFFERS_MAX)
        return RefuseWhy(__func__, "pp->BackBufferCount > D3DPRESENT_BACK_BUFFERS_MAX");
    if (pp->BackBufferCount == 0) pp->BackBufferCount = 1;
    if (pp->MultiSampleType != D3DMULTISAMPLE_NONE) return D3DERR_NOTAVAILABLE;
    if (!ValidInterval(pp->PresentationInterval, pp->Windowed))
        return RefuseWhy(__func__, "!ValidInterval(pp->PresentationInterval, pp->Windowed)");
    if (additional && !pp->Windowed) return RefuseWhy(__func__, "additional && !pp->Windowed");

    if (pp->Windowed) {
        if (pp->FullScreen_RefreshRateInHz != 0) return RefuseWhy(__func__, "pp->FullScreen_RefreshRateInHz != 0");
        if (pp->BackBufferFormat == D3DFMT_UNKNOWN) pp->BackBufferFormat = D3DFMT_X8R8G8B8;
        if (pp->BackBufferWidth == 0 || pp->BackBufferHeight == 0) {
            RECT r{};
            if (!qrn::win32::RectInTopLevel(pp->hDeviceWindow, &r))
                return RefuseWhy(__func__, "!qrn::win32::RectInTopLevel(pp->hDeviceWindow, &r)");
            // A window with no client area still gets a one-pixel back buffer.
            if (pp->BackBufferWidth == 0) pp->BackBufferWidth = std::max<LONG>(1, r.right - r.left);
            if (pp->BackBufferHeight == 0)
                pp->BackBufferHeight = std::max<LONG>(1, r.bottom - r.top);
        }
    } else {
        if (pp->BackBufferWidth == 0 || pp->BackBufferHeight == 0)
            return RefuseWhy(__func__, "pp->BackBufferWidth == 0 || pp->BackBufferHeight == 0");
        const auto modes = AdapterModes();
        const bool offered = std::any_of(modes.begin(), modes.end(), [&](const D3DDISPLAYMODE& m) {
            return m.Width == pp->BackBufferWidth && m.Height == pp->BackBufferHeight &&
                   (pp->FullScreen_RefreshRateInHz == 0 ||
                    m.RefreshRate == pp->FullScreen_RefreshRateInHz);
        });
        if (!offered) return RefuseWhy(__func__, "!offered");
    }
    if (!IsBackBufferFormat(pp->BackBufferFormat))
        return RefuseWhy(__func__, "!IsBackBufferFormat(pp->BackBufferFormat)");
    const UINT maxSize = caps_.MaxTextureWidth ? caps_.MaxTextureWidth : 16384;
    if (pp->BackBufferWidth > maxSize || pp->BackBufferHeight > maxSize)
        return RefuseWhy(__func__, "pp->BackBufferWidth > maxSize || pp->BackBufferHeight > maxSize");
    if (pp->EnableAutoDepthStencil && !additional) {
        if (FAILED(CheckFormat(D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE,
                               pp->AutoDepthStencilFormat)))
            return RefuseWhy(__func__, "FAILED(CheckFormat(D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, pp->AutoDepthStencilFormat))");
    }
    return D3D_OK;
}

HRESULT Device::MakeImplicit(const D3DPRESENT_PARAMETERS& pp)
{
    HRESULT hr = D3D_OK;
    implicit_ = SwapChain::Create(this, pp, true, &hr);
    if (!implicit_) return hr;
    if (pp.EnableAutoDepthStencil) {
        autoDepth_ = Surface::Create(this, Surface::Kind::DepthStencil, pp.BackBufferWidth,
                                     pp.BackBufferHeight, *FindFormat(pp.AutoDepthStencilFormat),
                                     D3DPOOL_DEFAULT, D3DUSAGE_DEPTHSTENCIL, false, true, &hr);
        if (!autoDepth_) return hr;
    }
    return D3D_OK;
}

void Device::DropImplicit()
{
    delete autoDepth_;
    autoDepth_ = nullptr;
    delete implicit_;
    implicit_ = nullptr;
}

bool Device::ApplyFullscreen(const D3DPRESENT_PARAMETERS& pp)
{
    SDL_Window* w = qrn::win32::SdlWindow(pp.hDeviceWindow);
    if (!w) return false;
    if (pp.Windowed) {
        if (SDL_GetWindowFlags(w) & SDL_WINDOW_FULLSCREEN) SDL_SetWindowFullscreen(w, 0);
        return true;
    }
    SDL_DisplayMode mode{};
    mode.w = static_cast<int>(pp.BackBufferWidth);
    mode.h = static_cast<int>(pp.BackBufferHeight);
    mode.refresh_rate = static_cast<int>(pp.FullScreen_RefreshRateInHz);
    SDL_SetWindowDisplayMode(w, &mode);
    SDL_SetWindowSize(w, mode.w, mode.h);
    if (SDL_SetWindowFullscreen(w, SDL_WINDOW_FULLSCREEN) != 0 &&
        SDL_SetWindowFullscreen(w, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0)
        return false;
    return true;
}

Device::~Device()
{
    if (gl_.HasContext()) {
        MakeCurrent();
        ReleaseBindings();
        gl_.DropDrawContext();
        if (implicit_ && !implicit_->Params().Windowed) {
            D3DPRESENT_PARAMETERS windowed = implicit_->Params();
            windowed.Windowed = TRUE;
            ApplyFullscreen(windowed);
        }
        for (HWND top : ownedPictures_)
            if (IsWindow(top)) qrn::win32::SetDeviceOwnsPicture(top, false);
        DropImplicit();
        gl_.DestroyContext();
    } else {
        DropImplicit();
    }
    if (focusListener_ >= 0) qrn::win32::RemoveFocusListener(focusListener_);
    d3d_->Release();
}

void Device::SetReapplyAllState(bool on)
{
    reapplyAll_ = on;
    gl_.SetForceAll(on);
}

// ---- IUnknown ------------------------------------------------------------------------------------
HRESULT Device::QueryInterface(REFIID riid, void** ppv)
{
    return AnswerQuery(riid, ppv, this, riid == IID_IDirect3DDevice9);
}

ULONG Device::AddRef() { return ++refs_; }

ULONG Device::Release()
{
    if (refs_ == 0) return 0;
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

UINT Device::TargetWidth() const
{
    return state_.renderTargets[0] ? state_.renderTargets[0]->Width() : 0;
}

UINT Device::TargetHeight() const
{
    return state_.renderTargets[0] ? state_.renderTargets[0]->Height() : 0;
}

void Device::SwapChainDestroyed(SwapChain* sc)
{
    additional_.erase(std::remove(additional_.begin(), additional_.end(), sc), additional_.end());
}

bool Device::TakeAllocation()
{
    AdapterOverrides& o = Overrides();
    if (o.failAllocations == 0) return true;
    --o.failAllocations;
    return false;
}

bool Device::TakeGlStorage()
{
    AdapterOverrides& o = Overrides();
    if (o.failGlStorage == 0) return true;
    --o.failGlStorage;
    return false;
}

// ---- simple queries -------------------------------------------------------------------------------
UINT Device::GetAvailableTextureMem()
{
    // Rounded to megabytes as on the real device; the GL side has no budget.
    return 512u << 20;
}

HRESULT Device::EvictManagedResources() { return D3D_OK; }

HRESULT Device::GetDirect3D(IDirect3D9** out)
{
    if (!out) return RefuseWhy(__func__, "!out");
    d3d_->AddRef();
    *out = d3d_;
    return D3D_OK;
}

HRESULT Device::GetDeviceCaps(D3DCAPS9* caps)
{
    if (!caps) return RefuseWhy(__func__, "!caps");
    *caps = caps_;
    return D3D_OK;
}

HRESULT Device::GetDisplayMode(UINT iSwapChain, D3DDISPLAYMODE* mode)
{
    if (!mode || iSwapChain != 0) return RefuseWhy(__func__, "!mode || iSwapChain != 0");
    if (implicit_ && !implicit_->Params().Windowed) {
        const D3DPRESENT_PARAMETERS& pp = implicit_->Params();
        *mode = D3DDISPLAYMODE{pp.BackBufferWidth, pp.BackBufferHeight,
                               pp.FullScreen_RefreshRateInHz ? pp.FullScreen_RefreshRateInHz : 60u,
                               D3DFMT_X8R8G8B8};
        return D3D_OK;
    }
    return DesktopMode(mode) ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT Device::GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* p)
{
    if (!p) return RefuseWhy(__func__, "!p");
    *p = D3DDEVICE_CREATION_PARAMETERS{0, type_, focus_, behavior_};
    return D3D_OK;
}

HRESULT Device::GetRasterStatus(UINT iSwapChain, D3DRASTER_STATUS* status)
{
    if (!status || iSwapChain != 0) return RefuseWhy(__func__, "!status || iSwapChain != 0");
    *status = D3DRASTER_STATUS{FALSE, 0};
    return D3D_OK;
}

// ---- swap chains ----------------------------------------------------------------------------------
HRESULT Device::CreateAdditionalSwapChain(D3DPRESENT_PARAMETERS* pp, IDirect3DSwapChain9** out)
{
    if (!out) return RefuseWhy(__func__, "!out");
    *out = nullptr;
    if (!pp) return RefuseWhy(__func__, "!pp");
    D3DPRESENT_PARAMETERS params = *pp;
    if (!params.hDeviceWindow) params.hDeviceWindow = focus_;
    // Only a windowed device has additional swap chains.
    if (!implicit_ || !implicit_->Params().Windowed || !params.Windowed)
        return RefuseWhy(__func__, "!implicit_ || !implicit_->Params().Windowed || !params.Windowed");
    HRESULT hr = CompleteParams(&params, true);
    if (FAILED(hr)) return hr;
    MakeCurrent();
    SwapChain* sc = SwapChain::Create(this, params, false, &hr);
    if (!sc) return hr;
    sc->ExtAddRef();
    additional_.push_back(sc);
    OwnPicture(params.hDeviceWindow);
    *pp = params;
    *out = sc;
    return D3D_OK;
}

HRESULT Device::GetSwapChain(UINT i, IDirect3DSwapChain9** out)
{
    if (!out) return RefuseWhy(__func__, "!out");
    *out = nullptr;
    if (i != 0 || !implicit_) return RefuseWhy(__func__, "i != 0 || !implicit_");
    implicit_->ExtAddRef();
    *out = implicit_;
    return D3D_OK;
}

UINT Device::GetNumberOfSwapChains() { return 1; }

HRESULT Device::GetBackBuffer(UINT iSwapChain, UINT iBackBuffer, D3DBACKBUFFER_TYPE type,
                              IDirect3DSurface9** out)
{
    if (!out) return RefuseWhy(__func__, "!out");
    *out = nullptr;
    if (iSwapChain != 0 || !implicit_) return RefuseWhy(__func__, "iSwapChain != 0 || !implicit_");
    return implicit_->GetBackBuffer(iBackBuffer, type, out);
}

// ---- scenes and clearing -----------------------------------------------------------------------
HRESULT Device::BeginScene()
{
    if (state_.inScene) return RefuseWhy(__func__, "state_.inScene");
    state_.inScene = true;
    return D3D_OK;
}

HRESULT Device::EndScene()
{
    if (!state_.inScene) return RefuseWhy(__func__, "!state_.inScene");
    state_.inScene = false;
    return D3D_OK;
}

}  // namespace qrn::d3d9
