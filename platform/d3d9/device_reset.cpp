// Losing and resetting a device: the cooperative level, Reset, and the
// defaults every reset starts from.
#include <algorithm>

#include <qrn_win32_sdl.h>

#include "device.h"
#include "refusal.h"

namespace qrn::d3d9 {

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
    gl_.DrawTargetsChanged();
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
    gl_.ResetState(reapplyAll_);
}

bool Device::BindDrawTargets()
{
    gl_.BindDrawTargets(state_);
    return state_.renderTargets[0] != nullptr;
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
    if (!pp) return RefuseWhy(__func__, "!pp");
    if (TestCooperativeLevel() == D3DERR_DEVICELOST) return D3DERR_DEVICELOST;
    MakeCurrent();
    // Reset discards all state, bindings included; what the application
    // still holds in the default pool (and additional swap chains, and
    // references to the device's own back buffer and depth-stencil surface)
    // makes it fail, and the device stays in need of a reset.
    ReleaseBindings();
    gl_.DropDrawContext();
    // implicit_ is null only after a Reset that could make neither the swap
    // chain asked for nor the fallback below.
    const bool held = (implicit_ && implicit_->ExtRefs() > 0) ||
                      (autoDepth_ && autoDepth_->ExtRefs() > 0) || !additional_.empty() ||
                      defaultPoolAlive_ > 0;
    D3DPRESENT_PARAMETERS params = *pp;
    if (!params.hDeviceWindow) params.hDeviceWindow = implicit_ ? implicit_->Window() : focus_;
    HRESULT hr = held ? RefuseWhy("Reset", "default-pool resources, additional swap chains or references to the "
                                           "device's own back buffer or depth-stencil surface are still held")
                      : CompleteParams(&params, false);
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

}  // namespace qrn::d3d9
