// Device creation against adapters with given display modes, formats and
// capabilities; device loss and reset; and the picture a frame presents.
#include <qrn_d3d9_testctl.h>
#include <qrn_win32_testctl.h>

#include <vector>

#include "device_fixture.h"

namespace qrn::test {
namespace {

namespace d3dctl = qrn::d3d9::testctl;
namespace winctl = qrn::win32::testctl;

class AdapterTest : public DeviceTest {
protected:
    void TearDown() override
    {
        DeviceTest::TearDown();
        d3dctl::ResetAll();
        winctl::SetScreenSize(0, 0);
    }

    static void SetModes(std::vector<D3DDISPLAYMODE> modes, UINT desktopW, UINT desktopH, UINT hz)
    {
        d3dctl::SetDisplayModes(modes.data(), static_cast<unsigned>(modes.size()));
        const D3DDISPLAYMODE desktop{desktopW, desktopH, hz, D3DFMT_X8R8G8B8};
        d3dctl::SetDesktopMode(&desktop);
    }

    // Back-buffer size chosen for a full-screen resolution request.
    void FullscreenSize(int resolution, UINT* w, UINT* h)
    {
        CRenderDeviceD3D9 device;
        ASSERT_TRUE(device.InitFullscreen(m_top, static_cast<SCREENRESOLUTION>(resolution), 0));
        *w = device.GetPresentParameters().BackBufferWidth;
        *h = device.GetPresentParameters().BackBufferHeight;
    }
};

constexpr D3DDISPLAYMODE Mode(UINT w, UINT h, UINT hz) { return {w, h, hz, D3DFMT_X8R8G8B8}; }

TEST_F(AdapterTest, FullScreenFallsBackToTheLargestOfferedSizeAtTheDesktopRate)
{
    // 1600x1200 exists only at another refresh rate: not offered.
    SetModes({Mode(640, 480, 60), Mode(1600, 1200, 75), Mode(1024, 768, 60), Mode(800, 600, 60)}, 1280,
             1024, 60);
    winctl::SetScreenSize(1280, 1024);
    UINT w = 0, h = 0;
    ASSERT_NO_FATAL_FAILURE(FullscreenSize(SCREENRESOLUTION_1600X1200, &w, &h));
    EXPECT_EQ(w, 1024u);
    EXPECT_EQ(h, 768u);
    ASSERT_NO_FATAL_FAILURE(FullscreenSize(SCREENRESOLUTION_800X600, &w, &h));
    EXPECT_EQ(w, 800u);
    EXPECT_EQ(h, 600u);

    CRenderDeviceD3D9 device;
    ASSERT_TRUE(device.InitFullscreen(m_top, SCREENRESOLUTION_1280X960, 0));
    EXPECT_EQ(device.GetPresentParameters().FullScreen_RefreshRateInHz, 60u);
    EXPECT_FALSE(device.GetPresentParameters().Windowed);
}

TEST_F(AdapterTest, FullScreenWithoutAnOfferedSizeOrForTheDesktopTakesTheDesktopSize)
{
    // 640x480 only at another rate; the desktop's own mode is always listed.
    SetModes({Mode(1920, 1080, 60), Mode(640, 480, 75), Mode(1152, 864, 60)}, 1152, 864, 60);
    winctl::SetScreenSize(1152, 864);
    UINT w = 0, h = 0;
    ASSERT_NO_FATAL_FAILURE(FullscreenSize(SCREENRESOLUTION_800X600, &w, &h));
    EXPECT_EQ(w, 1152u);
    EXPECT_EQ(h, 864u);
    ASSERT_NO_FATAL_FAILURE(FullscreenSize(SCREENRESOLUTION_640X480, &w, &h));
    EXPECT_EQ(w, 1152u);
    // 0 and values outside 1 to 6 never look at the list.
    SetModes({Mode(640, 480, 60), Mode(1152, 864, 60)}, 1152, 864, 60);
    ASSERT_NO_FATAL_FAILURE(FullscreenSize(SCREENRESOLUTION_DESKTOP, &w, &h));
    EXPECT_EQ(w, 1152u);
    ASSERT_NO_FATAL_FAILURE(FullscreenSize(7, &w, &h));
    EXPECT_EQ(w, 1152u);
    EXPECT_EQ(h, 864u);
    ASSERT_NO_FATAL_FAILURE(FullscreenSize(-3, &w, &h));
    EXPECT_EQ(w, 1152u);
    ASSERT_NO_FATAL_FAILURE(FullscreenSize(SCREENRESOLUTION_640X480, &w, &h));
    EXPECT_EQ(w, 640u);
}

TEST_F(AdapterTest, DepthFormatIsTheFirstCandidateThatPasses)
{
    d3dctl::FailFormat(D3DFMT_D32, true);
    ASSERT_NO_FATAL_FAILURE(InitWindowed());
    EXPECT_EQ(m_device->GetPresentParameters().AutoDepthStencilFormat, D3DFMT_D24X8);
    delete m_device;

    // Eight stencil bits: D24S8 first.
    m_device = new CRenderDeviceD3D9();
    ASSERT_TRUE(m_device->InitWindowed(m_top, m_display, 8));
    EXPECT_EQ(m_device->GetPresentParameters().AutoDepthStencilFormat, D3DFMT_D24S8);
    ASSERT_TRUE(m_device->BeginRendering(true, true, true));  // clears stencil too
    m_device->EndRendering(true);
    delete m_device;

    // One bit: D15S1 is not there, so the depth-only list continues.
    d3dctl::FailFormat(D3DFMT_D15S1, true);
    m_device = new CRenderDeviceD3D9();
    ASSERT_TRUE(m_device->InitWindowed(m_top, m_display, 1));
    EXPECT_EQ(m_device->GetPresentParameters().AutoDepthStencilFormat, D3DFMT_D24X8);
}

TEST_F(AdapterTest, NoDepthFormatMeansNoDevice)
{
    d3dctl::FailFormat(D3DFMT_D32, true);
    d3dctl::FailFormat(D3DFMT_D24X8, true);
    d3dctl::FailFormat(D3DFMT_D16, true);
    EXPECT_FALSE(m_device->InitWindowed(m_top, m_display, 0));
    EXPECT_EQ(m_device->GetD3DDevice(), nullptr);
    // Stencil requests still find a format.
    EXPECT_TRUE(m_device->InitWindowed(m_top, m_display, 4));
    EXPECT_EQ(m_device->GetPresentParameters().AutoDepthStencilFormat, D3DFMT_D24X4S4);
}

TEST_F(AdapterTest, RenderTargetFormatOrder)
{
    d3dctl::FailFormat(D3DFMT_X8R8G8B8, true);
    ASSERT_NO_FATAL_FAILURE(InitWindowed());
    EXPECT_EQ(m_device->GetRenderTargetFormat(), D3DFMT_A8R8G8B8);
    delete m_device;

    for (D3DFORMAT f : {D3DFMT_A8R8G8B8, D3DFMT_X1R5G5B5, D3DFMT_A1R5G5B5, D3DFMT_R5G6B5})
        d3dctl::FailFormat(f, true);
    m_device = new CRenderDeviceD3D9();
    ASSERT_NO_FATAL_FAILURE(InitWindowed());
    EXPECT_FALSE(m_device->CanRenderToTexture());
    EXPECT_EQ(m_device->GetRenderTargetFormat(), D3DFMT_UNKNOWN);
}

TEST_F(AdapterTest, WithoutHardwareTransformTheDeviceUsesSoftwareVertexProcessing)
{
    d3dctl::SetMissingCaps(d3dctl::kNoHardwareTnL);
    ASSERT_NO_FATAL_FAILURE(InitWindowed());
    EXPECT_FALSE(m_device->IsHardwareVertexProcessing());
    D3DDEVICE_CREATION_PARAMETERS cp{};
    ASSERT_EQ(D3D()->GetCreationParameters(&cp), D3D_OK);
    EXPECT_EQ(cp.BehaviorFlags & D3DCREATE_SOFTWARE_VERTEXPROCESSING,
              static_cast<DWORD>(D3DCREATE_SOFTWARE_VERTEXPROCESSING));
    delete m_device;

    d3dctl::ResetAll();
    m_device = new CRenderDeviceD3D9();
    ASSERT_NO_FATAL_FAILURE(InitWindowed());
    EXPECT_TRUE(m_device->IsHardwareVertexProcessing());
    ASSERT_EQ(D3D()->GetCreationParameters(&cp), D3D_OK);
    EXPECT_EQ(cp.BehaviorFlags & D3DCREATE_MIXED_VERTEXPROCESSING,
              static_cast<DWORD>(D3DCREATE_MIXED_VERTEXPROCESSING));
}

TEST_F(AdapterTest, FogFallsBackToVertexFogThenToNothing)
{
    d3dctl::SetMissingCaps(d3dctl::kNoTableFog);
    ASSERT_NO_FATAL_FAILURE(InitWindowed());
    EXPECT_FALSE(m_device->HasTableFog());
    m_device->SetFog(0xFF102030u, 0.1f);
    EXPECT_EQ(RenderState(D3DRS_FOGENABLE), static_cast<DWORD>(TRUE));
    EXPECT_EQ(RenderState(D3DRS_FOGVERTEXMODE), static_cast<DWORD>(D3DFOG_EXP));
    EXPECT_EQ(RenderState(D3DRS_FOGTABLEMODE), static_cast<DWORD>(D3DFOG_NONE));
    EXPECT_EQ(RenderState(D3DRS_FOGCOLOR), 0xFF102030u);
    delete m_device;

    d3dctl::SetMissingCaps(d3dctl::kNoTableFog | d3dctl::kNoVertexFog);
    m_device = new CRenderDeviceD3D9();
    ASSERT_NO_FATAL_FAILURE(InitWindowed());
    m_device->SetFog(0xFF102030u, 0.1f);
    EXPECT_EQ(RenderState(D3DRS_FOGENABLE), static_cast<DWORD>(FALSE));
    EXPECT_EQ(RenderState(D3DRS_FOGCOLOR), 0u);
    // Switching fog off works even without fog capabilities.
    D3D()->SetRenderState(D3DRS_FOGENABLE, TRUE);
    m_device->SetFog(0xFF102030u, 0.0f);
    EXPECT_EQ(RenderState(D3DRS_FOGENABLE), static_cast<DWORD>(FALSE));
}

TEST_F(AdapterTest, LostDeviceSkipsFramesUntilItCanBeResetThenRestoresDefaults)
{
    ASSERT_NO_FATAL_FAILURE(InitWindowed());
    m_device->SetProjection(true, 1.1f, 0.5f, 200.0f);
    m_device->SetWireframe(true);
    m_device->SetAdditiveBlending(true, false);
    Matrix4x4 world;
    world.SetTranslation(5.0f, 6.0f, 7.0f, true);
    m_device->SetWorldMatrix(&world);

    d3dctl::LoseDeviceAtNextPresent(D3D(), 2);
    ASSERT_TRUE(m_device->BeginRendering(true, true, false));
    m_device->EndRendering(true);
    EXPECT_TRUE(m_device->IsDeviceLost());
    const auto before = d3dctl::GetGlCounters(D3D(), d3dctl::CounterSpan::Total);
    EXPECT_FALSE(m_device->BeginRendering(true, true, false));
    EXPECT_FALSE(m_device->IsRendering());
    EXPECT_FALSE(m_device->BeginRendering(true, true, false));
    EXPECT_TRUE(m_device->IsDeviceLost());
    // Skipped frames clear nothing.
    EXPECT_EQ(d3dctl::GetGlCounters(D3D(), d3dctl::CounterSpan::Total).clears, before.clears);

    // Now it can be reset: the next frame resets and proceeds.
    ASSERT_TRUE(m_device->BeginRendering(true, true, false));
    EXPECT_FALSE(m_device->IsDeviceLost());
    m_device->EndRendering(true);

    const RECT c = ClientRect(m_display);
    ExpectMatrixNear(Transform(D3DTS_PROJECTION),
                     Perspective(1.1f, static_cast<float>(c.right), static_cast<float>(c.bottom), 0.5f,
                                 200.0f));
    EXPECT_FALSE(m_device->IsOrthographic());
    EXPECT_FALSE(m_device->IsWireframe());
    EXPECT_EQ(RenderState(D3DRS_FILLMODE), static_cast<DWORD>(D3DFILL_SOLID));
    EXPECT_EQ(RenderState(D3DRS_ALPHABLENDENABLE), static_cast<DWORD>(FALSE));
    EXPECT_EQ(RenderState(D3DRS_AMBIENT), 0xFFFFFFFFu);
    // The stored world matrix keeps its value; the device is not told again.
    EXPECT_FLOAT_EQ(m_device->GetWorldMatrix()._41, 5.0f);
    EXPECT_NE(m_device->GetBackBuffer(), nullptr);
    EXPECT_NE(m_device->GetDepthStencilSurface(), nullptr);
    EXPECT_NE(m_device->GetSwapChain(0), nullptr);
}

TEST_F(AdapterTest, ResetFailsWhileDefaultPoolResourcesLiveAndSucceedsAfter)
{
    ASSERT_NO_FATAL_FAILURE(InitWindowed());
    IRenderDeviceObject* material = m_device->CreateObject(OBJECTTYPE_MATERIAL);
    ASSERT_NE(material, nullptr);
    IDirect3DSurface9* held = nullptr;
    ASSERT_EQ(D3D()->CreateRenderTarget(32, 32, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &held,
                                        nullptr),
              D3D_OK);
    d3dctl::LoseDeviceAtNextPresent(D3D(), 0);
    ASSERT_TRUE(m_device->BeginRendering(true, true, false));
    m_device->EndRendering(true);
    EXPECT_FALSE(m_device->BeginRendering(true, true, false));
    EXPECT_FALSE(m_device->BeginRendering(true, true, false));
    held->Release();
    ASSERT_TRUE(m_device->BeginRendering(true, true, false));
    m_device->EndRendering(true);
    EXPECT_EQ(m_device->GetObjects().size(), 1u);
}

TEST_F(AdapterTest, FullScreenDeviceIsResetToo)
{
    ASSERT_TRUE(m_device->InitFullscreen(m_top, SCREENRESOLUTION_DESKTOP, 0));
    d3dctl::LoseDeviceAtNextPresent(D3D(), 1);
    ASSERT_TRUE(m_device->BeginRendering(true, true, false));
    m_device->EndRendering(true);
    EXPECT_FALSE(m_device->BeginRendering(true, true, false));
    ASSERT_TRUE(m_device->BeginRendering(true, true, false));
    m_device->EndRendering(true);
    EXPECT_NE(m_device->GetSwapChain(0), nullptr);
    EXPECT_NE(m_device->GetBackBuffer(), nullptr);
    // A resize in full screen resets the device as well.
    EXPECT_TRUE(m_device->ResetRenderWindows());
    ASSERT_TRUE(m_device->BeginRendering(true, true, false));
    m_device->EndRendering(true);
}

// ---- pictures ---------------------------------------------------------------

struct Picture {
    std::vector<uint32_t> pixels;
    int width = 0;
    int height = 0;
    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x] & 0xFFFFFFu; }
};

class PictureTest : public AdapterTest {
protected:
    Picture PresentFrame(std::uint8_t r, std::uint8_t g, std::uint8_t b)
    {
        Picture p;
        m_device->SetClearColor(r, g, b);
        d3dctl::CaptureNextPresent(D3D());
        EXPECT_TRUE(m_device->BeginRendering(true, true, false));
        m_device->EndRendering(true);
        EXPECT_TRUE(d3dctl::TakeCapture(D3D(), &p.pixels, &p.width, &p.height));
        return p;
    }
};

TEST_F(PictureTest, WindowedClearFillsTheDisplayRectangleAndNotTheMargin)
{
    ASSERT_NO_FATAL_FAILURE(InitWindowed());
    const Picture p = PresentFrame(255, 0, 0);
    const RECT top = ClientRect(m_top);
    ASSERT_EQ(p.width, top.right);
    ASSERT_EQ(p.height, top.bottom);
    // Inside the display window, corners included.
    EXPECT_EQ(p.At(10, 10), 0xFF0000u);
    EXPECT_EQ(p.At(top.right - 11, top.bottom - 11), 0xFF0000u);
    EXPECT_EQ(p.At(top.right / 2, top.bottom / 2), 0xFF0000u);
    // The 10-pixel margin shows the window's background, not the clear colour.
    const uint32_t brush = GetSysColor(COLOR_MENU);
    const uint32_t brushRgb = ((brush & 0xFF) << 16) | (brush & 0xFF00) | ((brush >> 16) & 0xFF);
    for (auto [x, y] : {std::pair{0, 0}, {9, 9}, {top.right - 10, top.bottom / 2}, {top.right / 2, 5}}) {
        EXPECT_NE(p.At(x, y), 0xFF0000u) << x << "," << y;
        EXPECT_EQ(p.At(x, y), brushRgb) << x << "," << y;
    }

    // A new colour next frame.
    const Picture q = PresentFrame(0, 0, 255);
    EXPECT_EQ(q.At(10, 10), 0x0000FFu);
}

TEST_F(PictureTest, FullScreenClearFillsTheWholeWindow)
{
    ASSERT_TRUE(m_device->InitFullscreen(m_top, SCREENRESOLUTION_DESKTOP, 0));
    const Picture p = PresentFrame(0, 255, 0);
    ASSERT_GT(p.width, 0);
    for (auto [x, y] : {std::pair{0, 0}, {p.width - 1, p.height - 1}, {5, p.height / 2}})
        EXPECT_EQ(p.At(x, y), 0x00FF00u) << x << "," << y;
}

TEST_F(PictureTest, AfterAResizeThePictureFillsTheNewRectangle)
{
    ASSERT_NO_FATAL_FAILURE(InitWindowed());
    ASSERT_TRUE(SetWindowPos(m_top, nullptr, 0, 0, 420, 330, SWP_NOMOVE | SWP_NOZORDER));
    const RECT top = ClientRect(m_top);
    ASSERT_TRUE(SetWindowPos(m_display, nullptr, 10, 10, top.right - 20, top.bottom - 20, SWP_NOZORDER));
    ASSERT_TRUE(m_device->ResetRenderWindows());
    const Picture p = PresentFrame(255, 255, 0);
    ASSERT_EQ(p.width, top.right);
    EXPECT_EQ(p.At(10, 10), 0xFFFF00u);
    EXPECT_EQ(p.At(top.right - 11, top.bottom - 11), 0xFFFF00u);
    EXPECT_NE(p.At(top.right - 5, top.bottom - 5), 0xFFFF00u);
    EXPECT_NE(p.At(5, 5), 0xFFFF00u);
}

} // namespace
} // namespace qrn::test
