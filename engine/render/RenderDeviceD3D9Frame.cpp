// Render device: render windows (one swap chain each in windowed mode), the
// frame (begin, clear, end, present), device loss and reset, and switching
// drawing between the window and a render target.
#include "RenderDeviceD3D9.h"

namespace qrn {

bool CRenderDeviceD3D9::AddRenderWindow(HWND window)
{
    if (!m_bWindowed || !m_pD3DDevice || m_nWindowCount >= kMaxRenderWindows) return false;

    ReleaseBackBuffer();

    const unsigned index = m_nWindowCount;
    m_hRenderWindows[index] = window;
    // Width and height 0: the swap chain takes the window's client size.
    m_PresentParameters.hDeviceWindow = window;
    m_PresentParameters.BackBufferWidth = 0;
    m_PresentParameters.BackBufferHeight = 0;

    IDirect3DSwapChain9* chain = nullptr;
    if (FAILED(m_pD3DDevice->CreateAdditionalSwapChain(&m_PresentParameters, &chain)) || !chain)
        return false;
    m_pSwapChains[index] = chain;
    // The window counts from here on, so that its swap chain is released
    // with the others even if a later step fails.
    m_nWindowCount = static_cast<std::uint8_t>(index + 1);

    if (FAILED(chain->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &m_pBackBuffer)) || !m_pBackBuffer) {
        m_pBackBuffer = nullptr;
        return false;
    }
    if (FAILED(m_pD3DDevice->SetRenderTarget(0, m_pBackBuffer))) return false;
    m_dwCurrentWindow = index;
    return true;
}

bool CRenderDeviceD3D9::SelectRenderWindow(unsigned index)
{
    ReleaseBackBuffer();
    if (!m_bWindowed || index >= m_nWindowCount) return true;

    IDirect3DSwapChain9* chain = m_pSwapChains[index];
    if (!chain || !m_pD3DDevice) return false;
    if (FAILED(chain->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &m_pBackBuffer)) || !m_pBackBuffer) {
        m_pBackBuffer = nullptr;
        return false;
    }
    if (FAILED(m_pD3DDevice->SetRenderTarget(0, m_pBackBuffer))) return false;
    m_dwCurrentWindow = index;
    // The aspect ratio follows the newly selected window.
    SetProjection(m_bOrthographic != 0, m_fFieldOfView, m_fNearPlane, m_fFarPlane);
    return true;
}

bool CRenderDeviceD3D9::ResetRenderWindows()
{
    if (!m_pD3DDevice) return false;
    if (!m_bWindowed) return ResetDevice();

    for (unsigned i = 0; i < m_nWindowCount; ++i) {
        if (m_pSwapChains[i]) {
            m_pSwapChains[i]->Release();
            m_pSwapChains[i] = nullptr;
        }
        m_PresentParameters.hDeviceWindow = m_hRenderWindows[i];
        m_PresentParameters.BackBufferWidth = 0;
        m_PresentParameters.BackBufferHeight = 0;
        if (FAILED(m_pD3DDevice->CreateAdditionalSwapChain(&m_PresentParameters, &m_pSwapChains[i]))) {
            m_pSwapChains[i] = nullptr;
            return false;
        }
    }
    return SelectRenderWindow(m_dwCurrentWindow);
}

bool CRenderDeviceD3D9::ResetDevice()
{
    if (!m_pD3DDevice) return false;

    // 1. Still lost: cannot reset yet; the next BeginRendering tries again.
    if (m_pD3DDevice->TestCooperativeLevel() == D3DERR_DEVICELOST) {
        m_bDeviceLost = true;
        return false;
    }

    // 2. Windowed: back to the desktop-sized device swap chain parameters;
    //    the windows' swap chains must go before the reset.
    if (m_bWindowed) {
        m_PresentParameters.BackBufferWidth = static_cast<UINT>(GetSystemMetrics(SM_CXSCREEN));
        m_PresentParameters.BackBufferHeight = static_cast<UINT>(GetSystemMetrics(SM_CYSCREEN));
        m_PresentParameters.hDeviceWindow = m_hRenderWindows[0];
        for (unsigned i = 0; i < m_nWindowCount; ++i) {
            if (m_pSwapChains[i]) {
                m_pSwapChains[i]->Release();
                m_pSwapChains[i] = nullptr;
            }
        }
    } else if (m_pSwapChains[0]) {
        // Full screen: our reference to the device's own swap chain is taken
        // again after the reset.
        m_pSwapChains[0]->Release();
        m_pSwapChains[0] = nullptr;
    }

    // 3. Our surface references.
    ReleaseBackBuffer();
    if (m_pDepthStencil) {
        m_pDepthStencil->Release();
        m_pDepthStencil = nullptr;
    }

    // 4. Objects free what does not survive a reset.
    for (size_t i = 0; i < m_Objects.size(); ++i) m_Objects[i]->OnDeviceLost();

    // 5. The reset itself.
    if (FAILED(m_pD3DDevice->Reset(&m_PresentParameters))) return false;

    // 6. Swap chains and back buffer again.
    if (m_bWindowed) {
        for (unsigned i = 0; i < m_nWindowCount; ++i) {
            m_PresentParameters.hDeviceWindow = m_hRenderWindows[i];
            m_PresentParameters.BackBufferWidth = 0;
            m_PresentParameters.BackBufferHeight = 0;
            if (FAILED(m_pD3DDevice->CreateAdditionalSwapChain(&m_PresentParameters,
                                                               &m_pSwapChains[i]))) {
                m_pSwapChains[i] = nullptr;
                return false;
            }
        }
        SelectRenderWindow(m_dwCurrentWindow);
    } else {
        IDirect3DSwapChain9*& chain = m_pSwapChains[m_dwCurrentWindow];
        if (FAILED(m_pD3DDevice->GetSwapChain(0, &chain)) || !chain) {
            chain = nullptr;
            return false;
        }
        if (FAILED(chain->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &m_pBackBuffer)) ||
            !m_pBackBuffer) {
            m_pBackBuffer = nullptr;
            return false;
        }
    }

    // 7. Default states (the reset discarded every state).
    ApplyDefaultStates();

    // 8. The automatic depth-stencil surface.
    if (FAILED(m_pD3DDevice->GetDepthStencilSurface(&m_pDepthStencil)) || !m_pDepthStencil) {
        m_pDepthStencil = nullptr;
        return false;
    }

    // 9. Objects rebuild what they freed.
    for (size_t i = 0; i < m_Objects.size(); ++i) m_Objects[i]->OnDeviceReset();

    // 10. Working again.
    m_bDeviceLost = false;
    return true;
}

bool CRenderDeviceD3D9::BeginRendering(bool clearColor, bool clearDepth, bool clearStencil)
{
    if (!m_pD3DDevice) return false;
    if (m_bDeviceLost && !ResetDevice()) return false;

    Clear(clearColor, clearDepth, clearStencil);
    m_pD3DDevice->BeginScene();
    m_bInScene = true;
    return true;
}

void CRenderDeviceD3D9::Clear(bool color, bool depth, bool stencil)
{
    if (!m_pD3DDevice) return;
    if (m_bInScene) m_pD3DDevice->EndScene();

    DWORD flags = 0;
    if (color) flags |= D3DCLEAR_TARGET;
    if (depth) flags |= D3DCLEAR_ZBUFFER;
    if (stencil && m_bStencilPresent) flags |= D3DCLEAR_STENCIL;
    if (flags) m_pD3DDevice->Clear(0, nullptr, flags, m_dwClearColor, 1.0f, 0);

    if (m_bInScene) m_pD3DDevice->BeginScene();
}

void CRenderDeviceD3D9::EndRendering(bool present)
{
    if (!m_pD3DDevice) return;
    if (m_bInScene) m_pD3DDevice->EndScene();
    m_bInScene = false;

    if (!present) return;
    IDirect3DSwapChain9* chain = m_pSwapChains[m_dwCurrentWindow];
    if (!chain) return;
    if (chain->Present(nullptr, nullptr, nullptr, nullptr, 0) == D3DERR_DEVICELOST)
        m_bDeviceLost = true;
}

bool CRenderDeviceD3D9::SelectRenderTarget(IRenderTarget* target)
{
    if (target) {
        m_pActiveRenderTarget = target;
        return true;
    }
    m_pActiveRenderTarget = nullptr;
    if (!m_pD3DDevice || !m_pBackBuffer || !m_pDepthStencil) return false;
    if (FAILED(m_pD3DDevice->SetRenderTarget(0, m_pBackBuffer))) return false;
    if (FAILED(m_pD3DDevice->SetDepthStencilSurface(m_pDepthStencil))) return false;
    return true;
}

} // namespace qrn
