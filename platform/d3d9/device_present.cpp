// Clear and Present: what the device checks and decides (which part of the
// back buffer goes where in which window); the GL steps are the back end's
// (gl_present.cpp).
#include <SDL2/SDL.h>

#include <algorithm>
#include <vector>

#include <qrn_win32_sdl.h>

#include "device.h"
#include "refusal.h"

namespace qrn::d3d9 {

// ---- clearing -----------------------------------------------------------------------------------
HRESULT Device::Clear(DWORD count, CONST D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                      DWORD stencil)
{
    if (flags == 0 || (flags & ~(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)))
        return RefuseWhy(__func__, "flags == 0 || (flags & ~(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL))");
    if (count > 0 && !rects) return RefuseWhy(__func__, "count > 0 && !rects");
    if ((flags & D3DCLEAR_TARGET) && !state_.renderTargets[0])
        return RefuseWhy(__func__, "(flags & D3DCLEAR_TARGET) && !state_.renderTargets[0]");
    Surface* ds = state_.depthStencil;
    if ((flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) && !ds)
        return RefuseWhy(__func__, "(flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) && !ds");
    if ((flags & D3DCLEAR_STENCIL) && !ds->Info().stencil)
        return RefuseWhy(__func__, "(flags & D3DCLEAR_STENCIL) && !ds->Info().stencil");
    if ((flags & D3DCLEAR_ZBUFFER) && !(z >= 0.0f && z <= 1.0f))
        return RefuseWhy(__func__, "(flags & D3DCLEAR_ZBUFFER) && !(z >= 0.0f && z <= 1.0f)");

    if (!BindDrawTargets() && (flags & D3DCLEAR_TARGET))
        return RefuseWhy(__func__, "!BindDrawTargets() && (flags & D3DCLEAR_TARGET)");

    const D3DVIEWPORT9& vp = state_.viewport;
    RECT area{static_cast<LONG>(vp.X), static_cast<LONG>(vp.Y), static_cast<LONG>(vp.X + vp.Width),
              static_cast<LONG>(vp.Y + vp.Height)};
    if (state_.renderStates[D3DRS_SCISSORTESTENABLE]) {
        if (!IntersectRects(area, state_.scissor, &area)) return D3D_OK;
    }
    std::vector<RECT> cleared;
    if (count == 0) cleared.push_back(area);
    for (DWORD i = 0; i < count; ++i) {
        const RECT r{rects[i].x1, rects[i].y1, rects[i].x2, rects[i].y2};
        RECT clipped;
        if (IntersectRects(area, r, &clipped)) cleared.push_back(clipped);
    }
    gl_.ClearTargets(state_, cleared.data(), cleared.size(), (flags & D3DCLEAR_TARGET) != 0,
                     (flags & D3DCLEAR_ZBUFFER) != 0, (flags & D3DCLEAR_STENCIL) != 0, color, z, stencil);
    return D3D_OK;
}

// ---- present -----------------------------------------------------------------------------------
HRESULT Device::Present(CONST RECT* src, CONST RECT* dst, HWND override, CONST struct _RGNDATA*)
{
    return PresentSwapChain(implicit_, src, dst, override);
}

// A lost device presents nothing; otherwise: bind the window, place the
// picture, compose it, capture it when a test asked, swap.
HRESULT Device::PresentSwapChain(SwapChain* sc, const RECT* src, const RECT* dst, HWND override)
{
    if (!sc) return RefuseWhy(__func__, "!sc");
    if (injectLoss_) {
        injectLoss_ = false;
        coop_ = Cooperative::Lost;
    }
    if (CheckLoss()) return D3DERR_DEVICELOST;
    HWND hwnd = override ? override : sc->Window();
    SDL_Window* w = qrn::win32::SdlWindow(hwnd);
    if (!w) return RefuseWhy(__func__, "!w");
    const int interval = sc->Params().PresentationInterval == D3DPRESENT_INTERVAL_IMMEDIATE ? 0 : 1;
    gl_.BindWindow(w, interval);
    PresentFrame frame;
    const HRESULT hr = PresentPlace(sc, hwnd, src, dst, &frame);
    if (FAILED(hr)) return hr;
    int fbW = 0, fbH = 0;
    gl_.WindowFramebufferSize(w, &fbW, &fbH);
    gl_.Compose(frame, 0, fbW, fbH);
    if (captureNext_) {
        captureNext_ = false;
        gl_.Capture(w, frame, fbW, fbH, &capture_, &captureW_, &captureH_);
    }
    gl_.Swap(w);
    return D3D_OK;
}

// Which part of the back buffer is shown, where it lands in the top-level
// window's client area, and whether the window's brush fills around it.
HRESULT Device::PresentPlace(SwapChain* sc, HWND hwnd, const RECT* src, const RECT* dst, PresentFrame* frame)
{
    Surface* back = sc->BackBuffer();
    frame->backBufferFbo = back->Fbo();
    frame->from = back->Whole();
    if (src) {
        RECT clipped;
        if (!IntersectRects(frame->from, *src, &clipped))
            return RefuseWhy(__func__, "!IntersectRects(frame->from, *src, &clipped)");
        frame->from = clipped;
    }
    // Destination coordinates are added to window coordinates below; beyond
    // this they could overflow and no window is that large anyway.
    constexpr LONG kMaxCoord = 1 << 24;
    const auto far = [](LONG v) { return v < -kMaxCoord || v > kMaxCoord; };
    if (dst && (far(dst->left) || far(dst->top) || far(dst->right) || far(dst->bottom)))
        return RefuseWhy(__func__, "dst && (far(dst->left) || far(dst->top) || far(dst->right) || far(dst->bottom))");
    frame->fullscreen = implicit_ && !implicit_->Params().Windowed;
    RECT inTop{};
    if (!frame->fullscreen && !qrn::win32::RectInTopLevel(hwnd, &inTop))
        return RefuseWhy(__func__, "!frame->fullscreen && !qrn::win32::RectInTopLevel(hwnd, &inTop)");
    HWND top = qrn::win32::TopLevel(hwnd);
    const bool child = top != hwnd;
    frame->target = inTop;
    frame->offset = dst != nullptr;
    if (dst) frame->dst = *dst;
    frame->border = child || dst;
    frame->borderRgb = frame->border ? qrn::win32::BackgroundRgb(top) : 0;
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
