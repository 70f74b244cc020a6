// Device creation, swap chains, present, clear, cooperative level and reset.
#include "device.h"

#include <SDL2/SDL.h>
#include <epoxy/egl.h>
#include <malloc.h>

#include <algorithm>
#include <cstring>

#include <qrn_win32_sdl.h>

#include "direct3d.h"

namespace qrn::d3d9 {

namespace {

// glibc gives Mesa's per-frame buffers back to the system and faults them in
// again every frame, which makes software rendering several times slower and
// its speed erratic; keep freed memory instead. Done once, before the first
// context.
void RaiseMallocThresholds()
{
    static bool done = false;
    if (done) return;
    done = true;
    mallopt(M_TRIM_THRESHOLD, 512 << 20);
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
}

bool Intersect(const RECT& a, const RECT& b, RECT* out)
{
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
           std::min(a.bottom, b.bottom)};
    if (r.right <= r.left || r.bottom <= r.top) return false;
    *out = r;
    return true;
}

// The size of the window's GL framebuffer. SDL reports the window's size; an
// EGL pbuffer (SDL's offscreen driver) keeps the size it was made with, and
// rows must be counted in the framebuffer that really exists.
void FramebufferSize(SDL_Window* w, int* dw, int* dh)
{
    SDL_GL_GetDrawableSize(w, dw, dh);
    if (!epoxy_has_egl()) return;
    EGLDisplay display = eglGetCurrentDisplay();
    EGLSurface surface = eglGetCurrentSurface(EGL_DRAW);
    if (display == EGL_NO_DISPLAY || surface == EGL_NO_SURFACE) return;
    EGLint sw = 0, sh = 0;
    if (eglQuerySurface(display, surface, EGL_WIDTH, &sw) && eglQuerySurface(display, surface, EGL_HEIGHT, &sh) &&
        sw > 0 && sh > 0) {
        *dw = sw;
        *dh = sh;
    }
}

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
        *hr = D3DERR_INVALIDCALL;
        return nullptr;
    }
    D3DCAPS9 caps{};
    FillCaps(type, &caps);
    if (vp != D3DCREATE_SOFTWARE_VERTEXPROCESSING &&
        !(caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT)) {
        *hr = D3DERR_INVALIDCALL;
        return nullptr;
    }
    if (!focus && !pp->hDeviceWindow) {
        *hr = D3DERR_INVALIDCALL;
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

    window_ = qrn::win32::SdlWindow(params.hDeviceWindow);
    if (!window_) return D3DERR_INVALIDCALL;
    RaiseMallocThresholds();
    qrn::win32::SetGlContextAttributes();
    SDL_GLContext ctx = SDL_GL_CreateContext(window_);
    if (!ctx) return D3DERR_NOTAVAILABLE;
    context_ = ctx;
    MakeCurrent();
    gl_.Reset();
    glCreateFramebuffers(1, &drawFbo_);

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
    if (!pp->hDeviceWindow) return D3DERR_INVALIDCALL;
    if (!qrn::win32::SdlWindow(pp->hDeviceWindow)) return D3DERR_INVALIDCALL;
    if (pp->SwapEffect < D3DSWAPEFFECT_DISCARD || pp->SwapEffect > D3DSWAPEFFECT_COPY)
        return D3DERR_INVALIDCALL;
    if (pp->BackBufferCount > D3DPRESENT_BACK_BUFFERS_MAX) return D3DERR_INVALIDCALL;
    if (pp->BackBufferCount == 0) pp->BackBufferCount = 1;
    if (pp->MultiSampleType != D3DMULTISAMPLE_NONE) return D3DERR_NOTAVAILABLE;
    if (!ValidInterval(pp->PresentationInterval, pp->Windowed)) return D3DERR_INVALIDCALL;
    if (additional && !pp->Windowed) return D3DERR_INVALIDCALL;

    if (pp->Windowed) {
        if (pp->FullScreen_RefreshRateInHz != 0) return D3DERR_INVALIDCALL;
        if (pp->BackBufferFormat == D3DFMT_UNKNOWN) pp->BackBufferFormat = D3DFMT_X8R8G8B8;
        if (pp->BackBufferWidth == 0 || pp->BackBufferHeight == 0) {
            RECT r{};
            if (!qrn::win32::RectInTopLevel(pp->hDeviceWindow, &r)) return D3DERR_INVALIDCALL;
            // A window with no client area still gets a one-pixel back buffer.
            if (pp->BackBufferWidth == 0) pp->BackBufferWidth = std::max<LONG>(1, r.right - r.left);
            if (pp->BackBufferHeight == 0)
                pp->BackBufferHeight = std::max<LONG>(1, r.bottom - r.top);
        }
    } else {
        if (pp->BackBufferWidth == 0 || pp->BackBufferHeight == 0) return D3DERR_INVALIDCALL;
        const auto modes = AdapterModes();
        const bool offered = std::any_of(modes.begin(), modes.end(), [&](const D3DDISPLAYMODE& m) {
            return m.Width == pp->BackBufferWidth && m.Height == pp->BackBufferHeight &&
                   (pp->FullScreen_RefreshRateInHz == 0 ||
                    m.RefreshRate == pp->FullScreen_RefreshRateInHz);
        });
        if (!offered) return D3DERR_INVALIDCALL;
    }
    if (!IsBackBufferFormat(pp->BackBufferFormat)) return D3DERR_INVALIDCALL;
    const UINT maxSize = caps_.MaxTextureWidth ? caps_.MaxTextureWidth : 16384;
    if (pp->BackBufferWidth > maxSize || pp->BackBufferHeight > maxSize) return D3DERR_INVALIDCALL;
    if (pp->EnableAutoDepthStencil && !additional) {
        if (FAILED(CheckFormat(D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE,
                               pp->AutoDepthStencilFormat)))
            return D3DERR_INVALIDCALL;
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
    if (context_) {
        MakeCurrent();
        ReleaseBindings();
        DropDrawContext();
        if (implicit_ && !implicit_->Params().Windowed) {
            D3DPRESENT_PARAMETERS windowed = implicit_->Params();
            windowed.Windowed = TRUE;
            ApplyFullscreen(windowed);
        }
        for (HWND top : ownedPictures_)
            if (IsWindow(top)) qrn::win32::SetDeviceOwnsPicture(top, false);
        DropImplicit();
        if (drawFbo_) {
            gl_.ForgetFramebuffer(drawFbo_);
            glDeleteFramebuffers(1, &drawFbo_);
        }
        SDL_GL_MakeCurrent(nullptr, nullptr);
        SDL_GL_DeleteContext(static_cast<SDL_GLContext>(context_));
    } else {
        DropImplicit();
    }
    if (focusListener_ >= 0) qrn::win32::RemoveFocusListener(focusListener_);
    d3d_->Release();
}

void Device::MakeCurrent()
{
    if (SDL_GL_GetCurrentContext() != context_)
        SDL_GL_MakeCurrent(window_, static_cast<SDL_GLContext>(context_));
}

void Device::SetDrawContext(DrawContext* ctx, DrawContextDeleter deleter)
{
    if (drawContext_ != ctx) DropDrawContext();
    drawContext_ = ctx;
    drawContextDeleter_ = deleter;
}

// Frees the draw path's data (with the context current); the draw path
// makes it again on its next draw.
void Device::DropDrawContext()
{
    if (drawContext_ && drawContextDeleter_) {
        MakeCurrent();
        drawContextDeleter_(drawContext_);
    }
    drawContext_ = nullptr;
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

// ---- state reset and bindings ----------------------------------------------------------------
void Device::ReleaseBindings()
{
    DeviceState& s = state_;
    auto drop = []<class T>(T*& slot) { Rebind(slot, static_cast<T*>(nullptr)); };
    for (auto& rt : s.renderTargets) drop(rt);
    drop(s.depthStencil);
    for (auto& t : s.textures) drop(t);
    for (auto& st : s.streams) drop(st.buffer);
    drop(s.indices);
    drop(s.declaration);
    drop(s.vertexShader);
    drop(s.pixelShader);
    fboDirty_ = true;
}

void Device::ResetState()
{
    ReleaseBindings();
    SetDefaultState(state_, autoDepth_ != nullptr);
    Surface* back = implicit_->BackBuffer();
    Rebind(state_.renderTargets[0], back);
    Rebind(state_.depthStencil, autoDepth_);
    FitViewportTo(*back);
    state_.softwareVertexProcessing = (behavior_ & D3DCREATE_SOFTWARE_VERTEXPROCESSING) != 0;
    fboDirty_ = true;
    MakeCurrent();
    gl_.Reset();
    gl_.SetForceAll(reapplyAll_);
}

bool Device::BindDrawTargets()
{
    MakeCurrent();
    if (fboDirty_) {
        const GLenum colorAttachments[kMaxRenderTargets] = {
            GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1, GL_COLOR_ATTACHMENT2, GL_COLOR_ATTACHMENT3};
        GLenum drawBuffers[kMaxRenderTargets];
        for (unsigned i = 0; i < kMaxRenderTargets; ++i) {
            Surface* s = state_.renderTargets[i];
            glNamedFramebufferTexture(drawFbo_, colorAttachments[i], s ? s->GlTexture() : 0,
                                      s ? s->GlLevel() : 0);
            drawBuffers[i] = s ? colorAttachments[i] : GL_NONE;
        }
        glNamedFramebufferDrawBuffers(drawFbo_, kMaxRenderTargets, drawBuffers);
        Surface* ds = state_.depthStencil;
        const bool stencil = ds && ds->Info().stencil;
        glNamedFramebufferTexture(drawFbo_, GL_DEPTH_STENCIL_ATTACHMENT, 0, 0);
        if (ds)
            glNamedFramebufferTexture(drawFbo_, stencil ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT,
                                      ds->GlTexture(), 0);
        fboDirty_ = false;
    }
    gl_.BindDrawFramebuffer(drawFbo_);
    return state_.renderTargets[0] != nullptr;
}

UINT Device::TargetWidth() const
{
    return state_.renderTargets[0] ? state_.renderTargets[0]->Width() : 0;
}

UINT Device::TargetHeight() const
{
    return state_.renderTargets[0] ? state_.renderTargets[0]->Height() : 0;
}

void Device::ForgetGlTexture(GLuint t)
{
    MakeCurrent();
    gl_.ForgetTexture(t);
    fboDirty_ = true;
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
    if (!out) return D3DERR_INVALIDCALL;
    d3d_->AddRef();
    *out = d3d_;
    return D3D_OK;
}

HRESULT Device::GetDeviceCaps(D3DCAPS9* caps)
{
    if (!caps) return D3DERR_INVALIDCALL;
    *caps = caps_;
    return D3D_OK;
}

HRESULT Device::GetDisplayMode(UINT iSwapChain, D3DDISPLAYMODE* mode)
{
    if (!mode || iSwapChain != 0) return D3DERR_INVALIDCALL;
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
    if (!p) return D3DERR_INVALIDCALL;
    *p = D3DDEVICE_CREATION_PARAMETERS{0, type_, focus_, behavior_};
    return D3D_OK;
}

HRESULT Device::GetRasterStatus(UINT iSwapChain, D3DRASTER_STATUS* status)
{
    if (!status || iSwapChain != 0) return D3DERR_INVALIDCALL;
    *status = D3DRASTER_STATUS{FALSE, 0};
    return D3D_OK;
}

// ---- swap chains ----------------------------------------------------------------------------------
HRESULT Device::CreateAdditionalSwapChain(D3DPRESENT_PARAMETERS* pp, IDirect3DSwapChain9** out)
{
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (!pp) return D3DERR_INVALIDCALL;
    D3DPRESENT_PARAMETERS params = *pp;
    if (!params.hDeviceWindow) params.hDeviceWindow = focus_;
    // Only a windowed device has additional swap chains.
    if (!implicit_ || !implicit_->Params().Windowed || !params.Windowed) return D3DERR_INVALIDCALL;
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
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (i != 0 || !implicit_) return D3DERR_INVALIDCALL;
    implicit_->ExtAddRef();
    *out = implicit_;
    return D3D_OK;
}

UINT Device::GetNumberOfSwapChains() { return 1; }

HRESULT Device::GetBackBuffer(UINT iSwapChain, UINT iBackBuffer, D3DBACKBUFFER_TYPE type,
                              IDirect3DSurface9** out)
{
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (iSwapChain != 0 || !implicit_) return D3DERR_INVALIDCALL;
    return implicit_->GetBackBuffer(iBackBuffer, type, out);
}

// ---- scenes and clearing -----------------------------------------------------------------------
HRESULT Device::BeginScene()
{
    if (state_.inScene) return D3DERR_INVALIDCALL;
    state_.inScene = true;
    return D3D_OK;
}

HRESULT Device::EndScene()
{
    if (!state_.inScene) return D3DERR_INVALIDCALL;
    state_.inScene = false;
    return D3D_OK;
}

void Device::ClearRect(GLbitfield mask, const RECT& r, D3DCOLOR color, float z, DWORD stencil)
{
    gl_.ScissorTest(true);
    // Top row first: Direct3D's y is GL's row.
    gl_.Scissor(r.left, r.top, r.right - r.left, r.bottom - r.top);
    if (mask & GL_COLOR_BUFFER_BIT) {
        float c[4];
        ColorToFloats(color, c);
        for (unsigned i = 0; i < kMaxRenderTargets; ++i)
            if (state_.renderTargets[i]) glClearNamedFramebufferfv(drawFbo_, GL_COLOR, static_cast<GLint>(i), c);
    }
    const bool depth = (mask & GL_DEPTH_BUFFER_BIT) != 0;
    const bool stencilBit = (mask & GL_STENCIL_BUFFER_BIT) != 0;
    if (depth && stencilBit) {
        glClearNamedFramebufferfi(drawFbo_, GL_DEPTH_STENCIL, 0, z, static_cast<GLint>(stencil & 0xff));
    } else if (depth) {
        glClearNamedFramebufferfv(drawFbo_, GL_DEPTH, 0, &z);
    } else if (stencilBit) {
        const GLint s = static_cast<GLint>(stencil & 0xff);
        glClearNamedFramebufferiv(drawFbo_, GL_STENCIL, 0, &s);
    }
    gl_.CountClear();
}

HRESULT Device::Clear(DWORD count, CONST D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                      DWORD stencil)
{
    if (flags == 0 || (flags & ~(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)))
        return D3DERR_INVALIDCALL;
    if (count > 0 && !rects) return D3DERR_INVALIDCALL;
    if ((flags & D3DCLEAR_TARGET) && !state_.renderTargets[0]) return D3DERR_INVALIDCALL;
    Surface* ds = state_.depthStencil;
    if ((flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) && !ds) return D3DERR_INVALIDCALL;
    if ((flags & D3DCLEAR_STENCIL) && !ds->Info().stencil) return D3DERR_INVALIDCALL;
    if ((flags & D3DCLEAR_ZBUFFER) && !(z >= 0.0f && z <= 1.0f)) return D3DERR_INVALIDCALL;

    if (!BindDrawTargets() && (flags & D3DCLEAR_TARGET)) return D3DERR_INVALIDCALL;
    // Clearing writes every channel, whatever the write masks say.
    gl_.ColorMask(true, true, true, true);
    gl_.DepthMask(true);
    gl_.StencilWriteMask(0xffffffffu);

    GLbitfield mask = 0;
    if (flags & D3DCLEAR_TARGET) mask |= GL_COLOR_BUFFER_BIT;
    if (flags & D3DCLEAR_ZBUFFER) mask |= GL_DEPTH_BUFFER_BIT;
    if (flags & D3DCLEAR_STENCIL) mask |= GL_STENCIL_BUFFER_BIT;

    const D3DVIEWPORT9& vp = state_.viewport;
    RECT area{static_cast<LONG>(vp.X), static_cast<LONG>(vp.Y), static_cast<LONG>(vp.X + vp.Width),
              static_cast<LONG>(vp.Y + vp.Height)};
    if (state_.renderStates[D3DRS_SCISSORTESTENABLE]) {
        if (!Intersect(area, state_.scissor, &area)) return D3D_OK;
    }
    if (count == 0) {
        ClearRect(mask, area, color, z, stencil);
        return D3D_OK;
    }
    for (DWORD i = 0; i < count; ++i) {
        const RECT r{rects[i].x1, rects[i].y1, rects[i].x2, rects[i].y2};
        RECT clipped;
        if (Intersect(area, r, &clipped)) ClearRect(mask, clipped, color, z, stencil);
    }
    return D3D_OK;
}

// ---- loss ------------------------------------------------------------------------------------------
void Device::FocusChanged(HWND top, bool focused, void* user)
{
    auto* self = static_cast<Device*>(user);
    if (!self->implicit_ || qrn::win32::TopLevel(self->focus_) != top) return;
    self->focusLost_ = !focused;
}

// A full-screen device is lost while its window is minimised or has lost the
// focus; once the window is back it can be reset.
bool Device::Away() const
{
    if (!implicit_ || implicit_->Params().Windowed) return false;
    HWND top = qrn::win32::TopLevel(focus_);
    return focusLost_ || (top && IsIconic(top));
}

bool Device::CheckLoss()
{
    if (coop_ == Cooperative::Ok && Away()) coop_ = Cooperative::Lost;
    return coop_ != Cooperative::Ok;
}

HRESULT Device::TestCooperativeLevel()
{
    CheckLoss();
    if (coop_ == Cooperative::Lost) {
        if (injectLossTests_ > 0) {
            --injectLossTests_;
            return D3DERR_DEVICELOST;
        }
        if (Away()) return D3DERR_DEVICELOST;
        coop_ = Cooperative::NotReset;
    }
    return coop_ == Cooperative::NotReset ? D3DERR_DEVICENOTRESET : D3D_OK;
}

HRESULT Device::Reset(D3DPRESENT_PARAMETERS* pp)
{
    if (!pp) return D3DERR_INVALIDCALL;
    if (TestCooperativeLevel() == D3DERR_DEVICELOST) return D3DERR_DEVICELOST;
    MakeCurrent();
    // Reset discards all state, bindings included; what the application
    // still holds in the default pool (and additional swap chains, and
    // references to the device's own back buffer and depth-stencil surface)
    // makes it fail, and the device stays in need of a reset.
    ReleaseBindings();
    DropDrawContext();
    // implicit_ is null only after a Reset that could make neither the swap
    // chain asked for nor the fallback below.
    const bool held = (implicit_ && implicit_->ExtRefs() > 0) ||
                      (autoDepth_ && autoDepth_->ExtRefs() > 0) || !additional_.empty() ||
                      defaultPoolAlive_ > 0;
    D3DPRESENT_PARAMETERS params = *pp;
    if (!params.hDeviceWindow) params.hDeviceWindow = implicit_ ? implicit_->Window() : focus_;
    HRESULT hr = held ? D3DERR_INVALIDCALL : CompleteParams(&params, false);
    if (FAILED(hr)) {
        coop_ = Cooperative::NotReset;
        return hr;
    }
    const bool wasWindowed = !implicit_ || implicit_->Params().Windowed;
    DropImplicit();
    hr = MakeImplicit(params);
    if (FAILED(hr)) {
        // Keep a usable device: fall back to a minimal windowed swap chain.
        coop_ = Cooperative::NotReset;
        if (!implicit_) {
            D3DPRESENT_PARAMETERS fallback{};
            fallback.BackBufferWidth = fallback.BackBufferHeight = 1;
            fallback.BackBufferFormat = D3DFMT_X8R8G8B8;
            fallback.BackBufferCount = 1;
            fallback.SwapEffect = D3DSWAPEFFECT_DISCARD;
            fallback.hDeviceWindow = params.hDeviceWindow;
            fallback.Windowed = TRUE;
            HRESULT ignored;
            implicit_ = SwapChain::Create(this, fallback, true, &ignored);
        }
        if (implicit_) ResetState();
        return hr;
    }
    if (!params.Windowed || !wasWindowed) ApplyFullscreen(params);
    OwnPicture(params.hDeviceWindow);
    ResetState();
    coop_ = Cooperative::Ok;
    injectLossTests_ = 0;
    focusLost_ = false;
    *pp = params;
    return D3D_OK;
}

// ---- present -----------------------------------------------------------------------------------
HRESULT Device::Present(CONST RECT* src, CONST RECT* dst, HWND override, CONST struct _RGNDATA*)
{
    return PresentSwapChain(implicit_, src, dst, override);
}

HRESULT Device::PresentSwapChain(SwapChain* sc, const RECT* src, const RECT* dst, HWND override)
{
    if (!sc) return D3DERR_INVALIDCALL;
    if (injectLoss_) {
        injectLoss_ = false;
        coop_ = Cooperative::Lost;
    }
    if (CheckLoss()) return D3DERR_DEVICELOST;
    HWND hwnd = override ? override : sc->Window();
    SDL_Window* w = qrn::win32::SdlWindow(hwnd);
    if (!w) return D3DERR_INVALIDCALL;
    HWND top = qrn::win32::TopLevel(hwnd);
    const D3DPRESENT_PARAMETERS& pp = sc->Params();

    if (SDL_GL_GetCurrentWindow() != w || SDL_GL_GetCurrentContext() != context_)
        SDL_GL_MakeCurrent(w, static_cast<SDL_GLContext>(context_));
    const int interval = pp.PresentationInterval == D3DPRESENT_INTERVAL_IMMEDIATE ? 0 : 1;
    if (interval != lastSwapInterval_) {
        SDL_GL_SetSwapInterval(interval);  // may fail (no vertical sync here): harmless
        lastSwapInterval_ = interval;
    }

    Surface* back = sc->BackBuffer();
    RECT from = back->Whole();
    if (src) {
        RECT clipped;
        if (!Intersect(from, *src, &clipped)) return D3DERR_INVALIDCALL;
        from = clipped;
    }
    // Destination coordinates are added to window coordinates below; beyond
    // this they could overflow and no window is that large anyway.
    constexpr LONG kMaxCoord = 1 << 24;
    const auto far = [](LONG v) { return v < -kMaxCoord || v > kMaxCoord; };
    if (dst && (far(dst->left) || far(dst->top) || far(dst->right) || far(dst->bottom)))
        return D3DERR_INVALIDCALL;
    const bool fullscreen = implicit_ && !implicit_->Params().Windowed;
    RECT inTop{};
    if (!fullscreen && !qrn::win32::RectInTopLevel(hwnd, &inTop)) return D3DERR_INVALIDCALL;
    const bool child = top != hwnd;
    const uint32_t rgb = (child || dst) ? qrn::win32::BackgroundRgb(top) : 0;

    // Draws the frame into framebuffer `fbo` of dw x dh pixels standing for
    // the window's client area: the brush colour around the picture, then
    // the one copy of the back buffer, flipped, since the back buffer keeps
    // its top row first and GL counts rows from the bottom.
    auto compose = [&](GLuint fbo, int dw, int dh) {
        RECT target = fullscreen ? RECT{0, 0, dw, dh} : inTop;
        if (dst)
            target = RECT{target.left + dst->left, target.top + dst->top, target.left + dst->right,
                          target.top + dst->bottom};
        gl_.BindDrawFramebuffer(fbo);
        gl_.ColorMask(true, true, true, true);
        if (child || dst) {
            float bg[4];
            ColorToFloats(0xff000000u | rgb, bg);
            const RECT strips[4] = {
                {0, 0, dw, target.top},                         // above
                {0, target.bottom, dw, dh},                     // below
                {0, target.top, target.left, target.bottom},    // left
                {target.right, target.top, dw, target.bottom},  // right
            };
            gl_.ScissorTest(true);
            gl_.ClearColor(bg[0], bg[1], bg[2], bg[3]);
            for (const RECT& strip : strips) {
                RECT c;
                if (!Intersect(strip, RECT{0, 0, dw, dh}, &c)) continue;
                gl_.Scissor(c.left, dh - c.bottom, c.right - c.left, c.bottom - c.top);
                // (The named clear of a window's framebuffer does nothing on
                // some drivers; the bound clear works everywhere.)
                glClear(GL_COLOR_BUFFER_BIT);
                gl_.CountClear();
            }
        }
        gl_.ScissorTest(false);
        const bool sameSize = (from.right - from.left) == (target.right - target.left) &&
                              (from.bottom - from.top) == (target.bottom - target.top);
        gl_.BindReadFramebuffer(back->Fbo());
        glBlitFramebuffer(from.left, from.top, from.right, from.bottom, target.left, dh - target.top,
                          target.right, dh - target.bottom, GL_COLOR_BUFFER_BIT,
                          sameSize ? GL_NEAREST : GL_LINEAR);
        gl_.CountBlit();
    };

    int dw = 0, dh = 0;
    FramebufferSize(w, &dw, &dh);
    compose(0, dw, dh);

    if (captureNext_) {
        captureNext_ = false;
        // The picture the window shows. Where the window system's framebuffer
        // is not the window's size (an EGL pbuffer keeps its first size), the
        // frame is composed once more at the window's size for the copy.
        int ww = 0, wh = 0;
        SDL_GL_GetDrawableSize(w, &ww, &wh);
        GLuint tex = 0, fbo = 0;
        if (ww != dw || wh != dh) {
            glCreateTextures(GL_TEXTURE_2D, 1, &tex);
            glTextureStorage2D(tex, 1, GL_RGBA8, ww, wh);
            glCreateFramebuffers(1, &fbo);
            glNamedFramebufferTexture(fbo, GL_COLOR_ATTACHMENT0, tex, 0);
            glNamedFramebufferReadBuffer(fbo, GL_COLOR_ATTACHMENT0);
            compose(fbo, ww, wh);
        } else {
            ww = dw;
            wh = dh;
        }
        capture_.assign(static_cast<size_t>(ww) * static_cast<size_t>(wh), 0);
        gl_.BindReadFramebuffer(fbo);
        gl_.BindBuffer(GL_PIXEL_PACK_BUFFER, 0);
        glReadPixels(0, 0, ww, wh, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, capture_.data());
        gl_.CountReadback();
        if (fbo) {
            gl_.ForgetFramebuffer(fbo);
            glDeleteFramebuffers(1, &fbo);
            glDeleteTextures(1, &tex);
            gl_.BindDrawFramebuffer(0);
        }
        // Rows top first, like the window.
        for (int y = 0; y < wh / 2; ++y)
            std::swap_ranges(capture_.begin() + static_cast<ptrdiff_t>(y) * ww,
                             capture_.begin() + static_cast<ptrdiff_t>(y + 1) * ww,
                             capture_.begin() + static_cast<ptrdiff_t>(wh - 1 - y) * ww);
        captureW_ = ww;
        captureH_ = wh;
    }
    SDL_GL_SwapWindow(w);
    gl_.EndFrame();
    return D3D_OK;
}

bool Device::TakeCapture(std::vector<uint32_t>* pixels, int* w, int* h)
{
    if (capture_.empty()) return false;
    *pixels = std::move(capture_);
    capture_.clear();
    *w = captureW_;
    *h = captureH_;
    return true;
}

}  // namespace qrn::d3d9
