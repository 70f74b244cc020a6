#include "device_fixture.h"

#include <SDL.h>
#include <qrn_win32_testctl.h>
#include "display_required.h"

namespace devobj {

void DeviceTest::SetUp()
{
    // A small desktop: the windowed device's own swap chain is desktop-sized.
    qrn::win32::testctl::SetScreenSize(640, 480);
    m_hWnd = d3dtest::CreateTestWindow("DeviceObjectTestClass", "device objects", kWindowWidth, kWindowHeight);
    ASSERT_NE(m_hWnd, nullptr);
    m_pDevice = std::make_unique<qrn::CRenderDeviceD3D9>();
    if (!m_pDevice->InitWindowed(m_hWnd, m_hWnd, 0)) {
        m_pDevice.reset();
        QRN_MISSING_DISPLAY("no Direct3D device on this machine (" << SDL_GetError() << ")");
    }
}

void DeviceTest::TearDown()
{
    m_pDevice.reset();
    if (m_hWnd) DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
    qrn::win32::testctl::SetScreenSize(0, 0);
}

DWORD DeviceTest::RenderState(D3DRENDERSTATETYPE state) const
{
    DWORD v = 0xDEADBEEF;
    D3D()->GetRenderState(state, &v);
    return v;
}

DWORD DeviceTest::StageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type) const
{
    DWORD v = 0xDEADBEEF;
    D3D()->GetTextureStageState(stage, type, &v);
    return v;
}

DWORD DeviceTest::SamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type) const
{
    DWORD v = 0xDEADBEEF;
    D3D()->GetSamplerState(sampler, type, &v);
    return v;
}

void DeviceTest::Poke(D3DRENDERSTATETYPE state, DWORD value) const
{
    D3D()->SetRenderState(state, value);
}

void DeviceTest::UseClipSpace() const
{
    m_pDevice->SetWorldMatrix(nullptr);
    m_pDevice->SetViewMatrix(nullptr);
    D3DMATRIX identity{};
    identity._11 = identity._22 = identity._33 = identity._44 = 1.0f;
    D3D()->SetTransform(D3DTS_PROJECTION, &identity);
    m_pDevice->SetCullMode(qrn::CULLMODE_NONE);
    m_pDevice->SetDepthBufferMode(qrn::DEPTHBUFFER_OFF);
}

std::vector<uint32_t> DeviceTest::ReadBack(unsigned* width, unsigned* height) const
{
    return d3dtest::ReadRenderTarget(D3D(), width, height);
}

std::vector<uint32_t> Solid(int w, int h, uint32_t colour)
{
    return std::vector<uint32_t>(static_cast<size_t>(w) * h, colour);
}

}  // namespace devobj
