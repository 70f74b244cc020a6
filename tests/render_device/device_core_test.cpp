// Creation, default states, render windows, frames and bad input of the
// Direct3D 9 render device.
#include "device_fixture.h"

namespace qrn::test {
namespace {

TEST_F(DeviceTest, WindowedCreationHoldsOneSwapChainSizedToTheDisplayWindow)
{
    ASSERT_NO_FATAL_FAILURE(InitWindowed());
    EXPECT_TRUE(m_device->IsWindowed());
    EXPECT_FALSE(m_device->IsRendering());
    EXPECT_EQ(m_device->GetWindowCount(), 1u);
    EXPECT_EQ(m_device->GetCurrentWindow(), 0u);
    EXPECT_NE(m_device->GetBackBuffer(), nullptr);
    EXPECT_NE(m_device->GetDepthStencilSurface(), nullptr);

    // The window's swap chain has the display window's client size, not the
    // desktop size of the device's own swap chain.
    const RECT c = ClientRect(m_display);
    UINT w = 0, h = 0;
    CurrentChainSize(&w, &h);
    EXPECT_EQ(w, static_cast<UINT>(c.right));
    EXPECT_EQ(h, static_cast<UINT>(c.bottom));
    EXPECT_EQ(m_device->GetPresentParameters().BackBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_EQ(m_device->GetPresentParameters().SwapEffect, D3DSWAPEFFECT_DISCARD);
    EXPECT_TRUE(m_device->GetPresentParameters().EnableAutoDepthStencil);
    EXPECT_EQ(m_device->GetPresentParameters().PresentationInterval, 0u);
}

TEST_F(DeviceTest, DefaultStatesAfterInitialisation)
{
    ASSERT_NO_FATAL_FAILURE(InitWindowed());
    EXPECT_EQ(RenderState(D3DRS_ZENABLE), static_cast<DWORD>(TRUE));
    EXPECT_EQ(RenderState(D3DRS_ZWRITEENABLE), static_cast<DWORD>(TRUE));
    EXPECT_EQ(RenderState(D3DRS_ALPHABLENDENABLE), static_cast<DWORD>(FALSE));
    EXPECT_EQ(RenderState(D3DRS_SRCBLEND), static_cast<DWORD>(D3DBLEND_ONE));
    EXPECT_EQ(RenderState(D3DRS_DESTBLEND), static_cast<DWORD>(D3DBLEND_ZERO));
    EXPECT_EQ(RenderState(D3DRS_FILLMODE), static_cast<DWORD>(D3DFILL_SOLID));
    EXPECT_EQ(RenderState(D3DRS_AMBIENT), 0xFFFFFFFFu);
    // The device never sets the cull mode itself.
    EXPECT_EQ(RenderState(D3DRS_CULLMODE), static_cast<DWORD>(D3DCULL_CCW));
    EXPECT_FALSE(m_device->IsWireframe());
    EXPECT_TRUE(m_device->IsTexturingEnabled());
    EXPECT_FALSE(m_device->IsBlendingOverridden());
    EXPECT_TRUE(m_device->CanRenderToTexture());
    EXPECT_EQ(m_device->GetRenderTargetFormat(), D3DFMT_X8R8G8B8);

    D3DMATERIAL9 mat{};
    ASSERT_EQ(D3D()->GetMaterial(&mat), D3D_OK);
    EXPECT_FLOAT_EQ(mat.Diffuse.r, 1.0f);
    EXPECT_FLOAT_EQ(mat.Diffuse.a, 1.0f);
    EXPECT_FLOAT_EQ(mat.Ambient.g, 1.0f);
    EXPECT_FLOAT_EQ(mat.Specular.r, 0.0f);
    EXPECT_FLOAT_EQ(mat.Emissive.b, 0.0f);
    EXPECT_FLOAT_EQ(mat.Power, 0.0f);

    // Perspective with the initial field of view, near and far, at the
    // display window's aspect ratio.
    const RECT c = ClientRect(m_display);
    ExpectMatrixNear(Transform(D3DTS_PROJECTION),
                     Perspective(0.8f, static_cast<float>(c.right), static_cast<float>(c.bottom),
                                 0.1f, 1000.0f));
    ExpectMatrixNear(m_device->GetProjectionMatrix(), Transform(D3DTS_PROJECTION));
}

TEST_F(DeviceTest, SecondInitialisationIsRefusedAndTheDeviceKeepsWorking)
{
    ASSERT_NO_FATAL_FAILURE(InitWindowed());
    IDirect3DDevice9* first = D3D();
    EXPECT_FALSE(m_device->InitWindowed(m_top, m_display, 0));
    EXPECT_FALSE(m_device->InitFullscreen(m_top, SCREENRESOLUTION_640X480, 0));
    EXPECT_EQ(D3D(), first);
    EXPECT_TRUE(m_device->IsWindowed());
    EXPECT_EQ(m_device->GetWindowCount(), 1u);
    ASSERT_TRUE(m_device->BeginRendering(true, true, false));
    m_device->EndRendering(true);
}

TEST_F(DeviceTest, InitialisationWithoutAWindowFailsCleanly)
{
    EXPECT_FALSE(m_device->InitWindowed(nullptr, nullptr, 0));
    EXPECT_EQ(m_device->GetWindowCount(), 0u);
    EXPECT_FALSE(m_device->BeginRendering(true, true, false));
    EXPECT_EQ(m_device->CreateObject(OBJECTTYPE_MATERIAL), nullptr);
}

TEST_F(DeviceTest, InitialisationWithADestroyedWindowFailsCleanly)
{
    HWND gone = MakeTopWindow(320, 240);
    ASSERT_NE(gone, nullptr);
    ASSERT_TRUE(DestroyWindow(gone));
    EXPECT_FALSE(m_device->InitWindowed(gone, gone, 0));

    CRenderDeviceD3D9 fullscreen;
    EXPECT_FALSE(fullscreen.InitFullscreen(gone, SCREENRESOLUTION_640X480, 0));
    EXPECT_FALSE(fullscreen.BeginRendering(true, false, false));
}

// No video driver can start: both initialisations fail and the device is
// destroyed without leaks. A fresh process, so that nothing is up yet.
TEST(DeviceWithoutDisplay, InitialisationFailsCleanly)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("SDL_VIDEODRIVER", "x11", 1);
            unsetenv("DISPLAY");
            bool any = false;
            {
                CRenderDeviceD3D9 device;
                any |= device.InitWindowed(nullptr, nullptr, 0);
                any |= device.InitFullscreen(nullptr, SCREENRESOLUTION_DESKTOP, 0);
                any |= device.BeginRendering(true, true, false);
                any |= device.CreateObject(OBJECTTYPE_MATERIAL) != nullptr;
            }
            std::exit(any ? 1 : 3);
        },
        ::testing::ExitedWithCode(3), "");
}

TEST_F(DeviceTest, AFailedInitialisationCanBeRetried)
{
    EXPECT_FALSE(m_device->InitWindowed(nullptr, nullptr, 0));
    ASSERT_NO_FATAL_FAILURE(InitWindowed());
    ASSERT_TRUE(m_device->BeginRendering(true, true, false));
    m_device->EndRendering(true);
}

TEST_F(DeviceTest, OperationsBeforeInitialisationDoNothingHarmful)
{
    EXPECT_FALSE(m_device->BeginRendering(true, true, true));
    m_device->Clear(true, true, true);
    m_device->EndRendering(true);
    EXPECT_FALSE(m_device->AddRenderWindow(m_display));
    EXPECT_TRUE(m_device->SelectRenderWindow(0));
    EXPECT_FALSE(m_device->ResetRenderWindows());
    EXPECT_FALSE(m_device->SelectRenderTarget(nullptr));
    EXPECT_EQ(m_device->CreateObject(OBJECTTYPE_MATERIAL), nullptr);
    m_device->SetAdditiveBlending(true, true);
    m_device->SetColorWrite(false);
    m_device->SetDepthBufferMode(0);
    m_device->SetWireframe(true);
    m_device->SetTexturing(false);
    SLight light{};
    m_device->SetLight(0, &light);
    m_device->SetFog(0xFF808080u, 0.5f);
    m_device->SetAmbientLight(1.0f, 1.0f, 1.0f);
    m_device->SetCullMode(2);
    m_device->SetProjection(true, 1.0f, 1.0f, 10.0f);
    m_device->SetWorldMatrix(nullptr);
    m_device->SetViewMatrix(nullptr);
    const float v[9] = {};
    const std::uint16_t idx[3] = {0, 1, 2};
    EXPECT_FALSE(m_device->Draw());
    EXPECT_FALSE(m_device->DrawIndexed());
    EXPECT_FALSE(m_device->DrawUserPrimitives(v, 3, 0));
    EXPECT_FALSE(m_device->DrawIndexedUserPrimitives(v, 3, 0, idx, 3));
    // Recorded flags still answer what was asked.
    EXPECT_TRUE(m_device->IsWireframe());
    EXPECT_FALSE(m_device->IsTexturingEnabled());
    // And the device still initialises afterwards.
    ASSERT_NO_FATAL_FAILURE(InitWindowed());
}

TEST_F(DeviceTest, CreateObjectRefusesUnknownKinds)
{
    ASSERT_NO_FATAL_FAILURE(InitWindowed());
    const size_t before = m_device->GetObjects().size();
    EXPECT_EQ(m_device->CreateObject(10), nullptr);
    EXPECT_EQ(m_device->CreateObject(-1), nullptr);
    EXPECT_EQ(m_device->CreateObject(1 << 30), nullptr);
    EXPECT_EQ(m_device->GetObjects().size(), before);
}

TEST_F(DeviceTest, RenderWindowsUpTo255AndNoMore)
{
    ASSERT_NO_FATAL_FAILURE(InitWindowed());
    // Small children of the same top-level window: 254 more swap chains.
    for (int i = 1; i < 255; ++i) {
        HWND child = MakeChild(m_top, (i % 20) * 10, (i / 20) * 10, 8 + i % 3, 8);
        ASSERT_NE(child, nullptr);
        ASSERT_TRUE(m_device->AddRenderWindow(child)) << "window " << i;
        EXPECT_EQ(m_device->GetCurrentWindow(), static_cast<unsigned>(i));
    }
    EXPECT_EQ(m_device->GetWindowCount(), 255u);
    HWND extra = MakeChild(m_top, 0, 0, 8, 8);
    EXPECT_FALSE(m_device->AddRenderWindow(extra));
    EXPECT_EQ(m_device->GetWindowCount(), 255u);
    EXPECT_EQ(m_device->GetCurrentWindow(), 254u);
    EXPECT_EQ(m_device->GetSwapChain(255), nullptr);

    // Every window can still be drawn into and presented.
    ASSERT_TRUE(m_device->SelectRenderWindow(0));
    ASSERT_TRUE(m_device->BeginRendering(true, true, false));
    m_device->EndRendering(true);
    ASSERT_TRUE(m_device->SelectRenderWindow(254));
    ASSERT_TRUE(m_device->BeginRendering(true, true, false));
    m_device->EndRendering(true);
}

TEST_F(DeviceTest, SelectRenderWindowFollowsTheWindowsAspectRatio)
{
    ASSERT_NO_FATAL_FAILURE(InitWindowed());
    HWND wide = MakeChild(m_top, 0, 0, 300, 100);
    ASSERT_TRUE(m_device->AddRenderWindow(wide));
    // A window added is current, but the projection follows only on select.
    ASSERT_TRUE(m_device->SelectRenderWindow(1));
    ExpectMatrixNear(Transform(D3DTS_PROJECTION), Perspective(0.8f, 300.0f, 100.0f, 0.1f, 1000.0f));

    ASSERT_TRUE(m_device->SelectRenderWindow(0));
    const RECT c = ClientRect(m_display);
    ExpectMatrixNear(Transform(D3DTS_PROJECTION),
                     Perspective(0.8f, static_cast<float>(c.right), static_cast<float>(c.bottom),
                                 0.1f, 1000.0f));
    EXPECT_EQ(m_device->GetCurrentWindow(), 0u);
}

TEST_F(DeviceTest, SelectingAMissingWindowLeavesNoBackBuffer)
{
    ASSERT_NO_FATAL_FAILURE(InitWindowed());
    EXPECT_TRUE(m_device->SelectRenderWindow(7));
    EXPECT_EQ(m_device->GetBackBuffer(), nullptr);
    EXPECT_FALSE(m_device->SelectRenderTarget(nullptr));
    // Selecting a real window again restores it.
    EXPECT_TRUE(m_device->SelectRenderWindow(0));
    EXPECT_TRUE(m_device->SelectRenderTarget(nullptr));
}

TEST_F(DeviceTest, AddRenderWindowIsRefusedInFullScreen)
{
    ASSERT_TRUE(m_device->InitFullscreen(m_top, SCREENRESOLUTION_DESKTOP, 0));
    EXPECT_FALSE(m_device->IsWindowed());
    EXPECT_FALSE(m_device->AddRenderWindow(m_display));
    EXPECT_EQ(m_device->GetWindowCount(), 0u);
    EXPECT_NE(m_device->GetSwapChain(0), nullptr);
    EXPECT_NE(m_device->GetBackBuffer(), nullptr);
    // Select does nothing but drop the back buffer in full screen.
    EXPECT_TRUE(m_device->SelectRenderWindow(0));
    ASSERT_TRUE(m_device->BeginRendering(true, true, false));
    m_device->EndRendering(true);
}

TEST_F(DeviceTest, FramesOpenAndCloseTheScene)
{
    ASSERT_NO_FATAL_FAILURE(InitWindowed());
    ASSERT_TRUE(m_device->BeginRendering(true, true, true));
    EXPECT_TRUE(m_device->IsRendering());
    m_device->Clear(true, false, false);  // inside a scene: ends and reopens it
    EXPECT_TRUE(m_device->IsRendering());
    m_device->EndRendering(false);
    EXPECT_FALSE(m_device->IsRendering());
    m_device->EndRendering(true);  // outside a scene: only presents
    EXPECT_FALSE(m_device->IsRendering());
}

TEST_F(DeviceTest, ResizedWindowGetsANewSwapChainOfItsSize)
{
    ASSERT_NO_FATAL_FAILURE(InitWindowed());
    ASSERT_TRUE(SetWindowPos(m_display, nullptr, 10, 10, 200, 150, SWP_NOZORDER));
    ASSERT_TRUE(m_device->ResetRenderWindows());
    UINT w = 0, h = 0;
    CurrentChainSize(&w, &h);
    const RECT c = ClientRect(m_display);
    EXPECT_EQ(w, static_cast<UINT>(c.right));
    EXPECT_EQ(h, static_cast<UINT>(c.bottom));
    ExpectMatrixNear(Transform(D3DTS_PROJECTION),
                     Perspective(0.8f, static_cast<float>(c.right), static_cast<float>(c.bottom),
                                 0.1f, 1000.0f));
    ASSERT_TRUE(m_device->BeginRendering(true, true, false));
    m_device->EndRendering(true);
}

} // namespace
} // namespace qrn::test
