// Render targets: sizes, activation, and loss and reset.
#include "device_fixture.h"

#include <qrn_d3d9_testctl.h>

#include "render/RenderTargetD3D9.h"
#include "render/ScreenImageD3D9.h"
#include "render/TextureD3D9.h"

namespace devobj {
namespace {

using namespace qrn;

class RenderTargetTest : public DeviceTest {
protected:
    void SetUp() override
    {
        DeviceTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        ASSERT_TRUE(m_pDevice->CanRenderToTexture()) << "the device offers no render-target format";
        D3D()->GetDeviceCaps(&m_caps);
    }
    static CRenderTargetD3D9* Impl(IRenderTarget* t) { return static_cast<CRenderTargetD3D9*>(t); }
    static void ExpectSurfaceSize(IDirect3DSurface9* s, unsigned w, unsigned h)
    {
        ASSERT_NE(s, nullptr);
        D3DSURFACE_DESC desc{};
        s->GetDesc(&desc);
        EXPECT_EQ(desc.Width, w);
        EXPECT_EQ(desc.Height, h);
    }
    D3DCAPS9 m_caps{};
};

TEST_F(RenderTargetTest, StartsAt256AndKeepsAnyReasonableSize)
{
    if (m_caps.TextureCaps & (D3DPTEXTURECAPS_POW2 | D3DPTEXTURECAPS_SQUAREONLY)) {
        GTEST_SKIP() << "device restricts texture sizes";
    }
    auto* target = Make<IRenderTarget>(OBJECTTYPE_RENDERTARGET);
    ASSERT_NE(target, nullptr);
    EXPECT_EQ(target->GetWidth(), 256u);
    EXPECT_EQ(target->GetHeight(), 256u);
    ExpectSurfaceSize(Impl(target)->GetColorSurface(), 256, 256);
    ExpectSurfaceSize(Impl(target)->GetDepthSurface(), 256, 256);

    ASSERT_TRUE(target->Create(300, 200));
    EXPECT_EQ(target->GetWidth(), 300u);
    EXPECT_EQ(target->GetHeight(), 200u);
    ExpectSurfaceSize(Impl(target)->GetColorSurface(), 300, 200);
    ExpectSurfaceSize(Impl(target)->GetDepthSurface(), 300, 200);

    D3DSURFACE_DESC desc{};
    Impl(target)->GetColorSurface()->GetDesc(&desc);
    EXPECT_EQ(desc.Format, m_pDevice->GetRenderTargetFormat());
    EXPECT_EQ(desc.Usage & D3DUSAGE_RENDERTARGET, DWORD(D3DUSAGE_RENDERTARGET));
    EXPECT_EQ(desc.Pool, D3DPOOL_DEFAULT);
    Impl(target)->GetDepthSurface()->GetDesc(&desc);
    EXPECT_EQ(desc.Format, m_pDevice->GetPresentParameters().AutoDepthStencilFormat);
}

TEST_F(RenderTargetTest, TinyAndHugeSidesAreClampedToWhatTheDeviceTakes)
{
    auto* target = Make<IRenderTarget>(OBJECTTYPE_RENDERTARGET);
    ASSERT_TRUE(target->Create(0, 1));
    EXPECT_EQ(target->GetWidth(), 2u);
    EXPECT_EQ(target->GetHeight(), 2u);

    ASSERT_GT(m_caps.MaxTextureWidth, 0u);
    // Far beyond the largest texture: clamped (and then perhaps halved when
    // memory runs out), never asked of Direct3D as is.
    target->Create(0xFFFFFFFFu, 8);
    EXPECT_LE(target->GetWidth(), m_caps.MaxTextureWidth);
    EXPECT_GE(target->GetHeight(), 2u);
}

TEST_F(RenderTargetTest, ActivateDrawsIntoTheTargetAndDeactivateGoesBack)
{
    auto* target = Make<IRenderTarget>(OBJECTTYPE_RENDERTARGET);
    ASSERT_TRUE(target->Create(64, 32));
    ASSERT_TRUE(target->Activate());
    EXPECT_TRUE(m_pDevice->IsRenderingToTexture());

    IDirect3DSurface9* bound = nullptr;
    ASSERT_EQ(D3D()->GetRenderTarget(0, &bound), D3D_OK);
    EXPECT_EQ(bound, Impl(target)->GetColorSurface());
    if (bound) bound->Release();
    ASSERT_EQ(D3D()->GetDepthStencilSurface(&bound), D3D_OK);
    EXPECT_EQ(bound, Impl(target)->GetDepthSurface());
    if (bound) bound->Release();
    D3DVIEWPORT9 vp{};
    D3D()->GetViewport(&vp);
    EXPECT_EQ(vp.X, 0u);
    EXPECT_EQ(vp.Y, 0u);
    EXPECT_EQ(vp.Width, target->GetWidth());
    EXPECT_EQ(vp.Height, target->GetHeight());
    EXPECT_FLOAT_EQ(vp.MinZ, 0.0f);
    EXPECT_FLOAT_EQ(vp.MaxZ, 1.0f);

    ASSERT_TRUE(target->Deactivate());
    EXPECT_FALSE(m_pDevice->IsRenderingToTexture());
    ASSERT_EQ(D3D()->GetRenderTarget(0, &bound), D3D_OK);
    EXPECT_EQ(bound, m_pDevice->GetBackBuffer());
    if (bound) bound->Release();
    D3D()->GetViewport(&vp);
    EXPECT_EQ(vp.Width, unsigned(kWindowWidth));
    EXPECT_EQ(vp.Height, unsigned(kWindowHeight));
}

TEST_F(RenderTargetTest, DeletingTheActiveTargetSendsDrawingBackToTheWindow)
{
    auto* target = Make<IRenderTarget>(OBJECTTYPE_RENDERTARGET);
    ASSERT_TRUE(target->Activate());
    delete target;
    EXPECT_FALSE(m_pDevice->IsRenderingToTexture());
    IDirect3DSurface9* bound = nullptr;
    ASSERT_EQ(D3D()->GetRenderTarget(0, &bound), D3D_OK);
    EXPECT_EQ(bound, m_pDevice->GetBackBuffer());
    if (bound) bound->Release();
}

TEST_F(RenderTargetTest, LossReleasesEverythingAndResetRebuildsTheSameSize)
{
    auto* target = Make<IRenderTarget>(OBJECTTYPE_RENDERTARGET);
    ASSERT_TRUE(target->Create(128, 64));
    IDirect3DTexture9* before = Impl(target)->GetD3DTexture();
    before->AddRef();

    target->OnDeviceLost();
    EXPECT_EQ(Impl(target)->GetD3DTexture(), nullptr);
    EXPECT_EQ(Impl(target)->GetColorSurface(), nullptr);
    EXPECT_EQ(Impl(target)->GetDepthSurface(), nullptr);
    EXPECT_FALSE(target->Activate());
    EXPECT_EQ(before->Release(), 0u);  // nothing of the default pool is left

    target->OnDeviceReset();
    EXPECT_EQ(target->GetWidth(), 128u);
    EXPECT_EQ(target->GetHeight(), 64u);
    ExpectSurfaceSize(Impl(target)->GetColorSurface(), 128, 64);
    EXPECT_TRUE(target->Activate());
    EXPECT_TRUE(target->Deactivate());
}

// The same device on an adapter with restrictions or faults injected before
// it is made.
class RestrictedDeviceTest : public DeviceTest {
protected:
    void TearDown() override
    {
        DeviceTest::TearDown();
        d3d9::testctl::ResetAll();
    }
    static CRenderTargetD3D9* Impl(IRenderTarget* t) { return static_cast<CRenderTargetD3D9*>(t); }
};

TEST_F(RestrictedDeviceTest, PowerOfTwoAndSquareOnlyDevicesAdjustTheSize)
{
    struct Case {
        uint32_t missing;
        unsigned w, h;
    };
    const Case cases[] = {{0, 300, 200},
                          {d3d9::testctl::kPow2Only, 512, 256},
                          {d3d9::testctl::kPow2Only | d3d9::testctl::kSquareOnly, 512, 512},
                          {d3d9::testctl::kSquareOnly, 300, 300}};
    for (const Case& c : cases) {
        TearDown();
        d3d9::testctl::SetMissingCaps(c.missing);
        SetUp();
        if (IsSkipped()) return;
        ASSERT_TRUE(m_pDevice->CanRenderToTexture());
        auto* target = Make<IRenderTarget>(OBJECTTYPE_RENDERTARGET);
        ASSERT_TRUE(target->Create(300, 200)) << "caps " << c.missing;
        EXPECT_EQ(target->GetWidth(), c.w) << "caps " << c.missing;
        EXPECT_EQ(target->GetHeight(), c.h) << "caps " << c.missing;
        D3DSURFACE_DESC desc{};
        Impl(target)->GetColorSurface()->GetDesc(&desc);
        EXPECT_EQ(desc.Width, c.w);
        EXPECT_EQ(desc.Height, c.h);
        if (c.missing & d3d9::testctl::kPow2Only) {
            // A side that already is a power of two stays; tiny sides become 2.
            ASSERT_TRUE(target->Create(64, 1));
            EXPECT_EQ(target->GetWidth(), 64u);
            EXPECT_EQ(target->GetHeight(), (c.missing & d3d9::testctl::kSquareOnly) ? 64u : 2u);
        }
    }
}

TEST_F(RestrictedDeviceTest, RunningOutOfMemoryHalvesTheTargetDownToFour)
{
    ASSERT_TRUE(m_pDevice->CanRenderToTexture()) << "the device offers no render-target format";
    auto* target = Make<IRenderTarget>(OBJECTTYPE_RENDERTARGET);

    // Three failures: 256, 128 and 64 fail, 32 x 32 is made.
    d3d9::testctl::FailNextAllocations(3);
    EXPECT_TRUE(target->Create(256, 256));
    EXPECT_EQ(target->GetWidth(), 32u);
    EXPECT_EQ(target->GetHeight(), 32u);
    EXPECT_TRUE(target->Activate());
    EXPECT_TRUE(target->Deactivate());

    // Memory never comes back: 256, 128, 64, 32, 16, 8 and 4 are tried,
    // each once, then Create gives up.
    d3d9::testctl::FailNextAllocations(1000);
    EXPECT_FALSE(target->Create(256, 256));
    EXPECT_EQ(1000u - d3d9::testctl::PendingAllocationFailures(), 7u);
    EXPECT_EQ(target->GetWidth(), 4u);
    EXPECT_EQ(target->GetHeight(), 4u);
    EXPECT_EQ(Impl(target)->GetColorSurface(), nullptr);
    EXPECT_FALSE(target->Activate());

    // A side of 4 or less is never halved.
    d3d9::testctl::FailNextAllocations(1000);
    EXPECT_FALSE(target->Create(512, 4));
    EXPECT_EQ(1000u - d3d9::testctl::PendingAllocationFailures(), 1u);
    d3d9::testctl::FailNextAllocations(0);
}

TEST_F(RestrictedDeviceTest, WithoutRenderToTextureTargetsHaveNoSurfaces)
{
    TearDown();
    for (D3DFORMAT f : {D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, D3DFMT_X1R5G5B5, D3DFMT_A1R5G5B5, D3DFMT_R5G6B5}) {
        d3d9::testctl::FailFormat(f, true);
    }
    SetUp();
    if (IsSkipped()) return;
    // Every colour format refused: the device must have noticed.
    ASSERT_FALSE(m_pDevice->CanRenderToTexture()) << "format injection did not reach the render-target choice";
    auto* target = Make<IRenderTarget>(OBJECTTYPE_RENDERTARGET);
    ASSERT_NE(target, nullptr);  // the object exists, empty
    EXPECT_EQ(Impl(target)->GetColorSurface(), nullptr);
    EXPECT_EQ(Impl(target)->GetDepthSurface(), nullptr);
    EXPECT_FALSE(target->Create(64, 64));
    EXPECT_FALSE(target->Activate());
    auto* texture = Make<ITexture>(OBJECTTYPE_TEXTURE);
    EXPECT_FALSE(texture->SetRenderTarget(target));
}

TEST_F(RestrictedDeviceTest, DeviceResetFreesAndRebuildsEveryDefaultPoolObject)
{
    ASSERT_TRUE(m_pDevice->CanRenderToTexture()) << "the device offers no render-target format";
    const std::string file = WriteBmp("reset.bmp", 16, 16, Solid(16, 16, 0xFFFF8000));
    auto* target = Make<IRenderTarget>(OBJECTTYPE_RENDERTARGET);
    auto* texture = Make<ITexture>(OBJECTTYPE_TEXTURE);
    auto* image = Make<IScreenImage>(OBJECTTYPE_SCREENIMAGE);
    ASSERT_TRUE(target->Create(64, 64));
    ASSERT_TRUE(texture->SetRenderTarget(target));
    ASSERT_TRUE(image->LoadFromFile(file.c_str(), true));

    d3d9::testctl::LoseDeviceAtNextPresent(D3D(), 1);
    ASSERT_TRUE(m_pDevice->BeginRendering(true, true, false));
    m_pDevice->EndRendering(true);
    ASSERT_TRUE(m_pDevice->IsDeviceLost());
    EXPECT_FALSE(m_pDevice->BeginRendering(true, true, false));  // cannot reset yet
    // The reset succeeds only if every default-pool resource was let go.
    ASSERT_TRUE(m_pDevice->BeginRendering(true, true, false));
    EXPECT_FALSE(m_pDevice->IsDeviceLost());

    EXPECT_EQ(target->GetWidth(), 64u);
    ASSERT_NE(Impl(target)->GetD3DTexture(), nullptr);
    EXPECT_EQ(static_cast<CTextureD3D9*>(texture)->GetD3DTexture(), Impl(target)->GetD3DTexture());
    EXPECT_FALSE(static_cast<CScreenImageD3D9*>(image)->IsLost());
    EXPECT_EQ(image->Draw(kWindowWidth, kWindowHeight), IScreenImage::DRAW_OK);
    m_pDevice->EndRendering(false);
    unsigned w = 0, h = 0;
    const std::vector<uint32_t> px = ReadBack(&w, &h);
    ASSERT_FALSE(px.empty());
    EXPECT_EQ(px[0] | 0xFF000000u, 0xFFFF8000u);
}

}  // namespace
}  // namespace devobj
