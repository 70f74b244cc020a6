// Render targets: sizes, activation, and loss and reset.
#include "device_fixture.h"

#include "render/RenderTargetD3D9.h"

namespace devobj {
namespace {

using namespace qrn;

class RenderTargetTest : public DeviceTest {
protected:
    void SetUp() override
    {
        DeviceTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        if (!m_pDevice->CanRenderToTexture()) GTEST_SKIP() << "no render-target format";
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

}  // namespace
}  // namespace devobj
