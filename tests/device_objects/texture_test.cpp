// Textures and the texture cache: sharing by file name, release, the states
// Apply sets, and files that cannot be loaded.
#include "device_fixture.h"

#include "render/RenderTargetD3D9.h"
#include "render/TextureCache.h"
#include "render/TextureD3D9.h"

namespace devobj {
namespace {

using namespace qrn;

class TextureTest : public DeviceTest {
protected:
    void SetUp() override
    {
        DeviceTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        m_opaque = WriteBmp("opaque.bmp", 8, 8, Solid(8, 8, 0xFF20A040));
        m_alpha = WriteTga("alpha.tga", 4, 4, Solid(4, 4, 0x80FF0000));
    }
    CTextureCache& Cache() { return *m_pDevice->GetTextureCache(); }
    static IDirect3DTexture9* Tex(ITexture* t) { return static_cast<CTextureD3D9*>(t)->GetD3DTexture(); }

    std::string m_opaque;
    std::string m_alpha;
};

TEST_F(TextureTest, SameFileIsLoadedOnceAndSharedUntilTheLastUserGoes)
{
    auto* a = Make<ITexture>(OBJECTTYPE_TEXTURE);
    auto* b = Make<ITexture>(OBJECTTYPE_TEXTURE);
    ASSERT_TRUE(a->LoadFromFile(m_opaque.c_str(), false));
    ASSERT_TRUE(b->LoadFromFile(m_opaque.c_str(), false));
    ASSERT_NE(Tex(a), nullptr);
    EXPECT_EQ(Tex(a), Tex(b));
    EXPECT_EQ(Cache().GetEntryCount(), 1u);
    EXPECT_EQ(Cache().GetUseCount(m_opaque.c_str()), 2u);

    IDirect3DTexture9* shared = Tex(a);
    shared->AddRef();  // watch it
    delete a;
    EXPECT_EQ(Cache().GetUseCount(m_opaque.c_str()), 1u);
    EXPECT_EQ(Tex(b), shared);
    EXPECT_TRUE(b->Apply(0, 0, 2, 2));
    delete b;
    EXPECT_EQ(Cache().GetEntryCount(), 0u);
    D3D()->SetTexture(0, nullptr);
    EXPECT_EQ(shared->Release(), 0u);
}

TEST_F(TextureTest, NamesDifferingInCaseAreDifferentEntries)
{
    const std::string upper = WriteBmp("Opaque.bmp", 8, 8, Solid(8, 8, 0xFF102030));
    auto* a = Make<ITexture>(OBJECTTYPE_TEXTURE);
    auto* b = Make<ITexture>(OBJECTTYPE_TEXTURE);
    ASSERT_TRUE(a->LoadFromFile(m_opaque.c_str(), false));
    ASSERT_TRUE(b->LoadFromFile(upper.c_str(), false));
    EXPECT_NE(Tex(a), Tex(b));
    EXPECT_EQ(Cache().GetEntryCount(), 2u);
}

TEST_F(TextureTest, FormatFollowsTheFirstLoadWhateverTheLaterAlphaFlag)
{
    auto* first = Make<ITexture>(OBJECTTYPE_TEXTURE);
    auto* second = Make<ITexture>(OBJECTTYPE_TEXTURE);
    ASSERT_TRUE(first->LoadFromFile(m_alpha.c_str(), true));
    ASSERT_TRUE(second->LoadFromFile(m_alpha.c_str(), false));
    EXPECT_TRUE(first->HasAlpha());
    EXPECT_FALSE(second->HasAlpha());
    EXPECT_EQ(Tex(first), Tex(second));
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(Tex(second)->GetLevelDesc(0, &desc), D3D_OK);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);
    // A full mip chain: 4x4, 2x2, 1x1.
    EXPECT_EQ(Tex(second)->GetLevelCount(), 3u);

    auto* opaque = Make<ITexture>(OBJECTTYPE_TEXTURE);
    ASSERT_TRUE(opaque->LoadFromFile(m_opaque.c_str(), false));
    ASSERT_EQ(Tex(opaque)->GetLevelDesc(0, &desc), D3D_OK);
    EXPECT_EQ(desc.Format, D3DFMT_X8R8G8B8);
}

TEST_F(TextureTest, ReloadingGivesTheOldFileBack)
{
    auto* t = Make<ITexture>(OBJECTTYPE_TEXTURE);
    ASSERT_TRUE(t->LoadFromFile(m_opaque.c_str(), false));
    ASSERT_TRUE(t->LoadFromFile(m_alpha.c_str(), true));
    EXPECT_EQ(Cache().GetUseCount(m_opaque.c_str()), 0u);
    EXPECT_EQ(Cache().GetUseCount(m_alpha.c_str()), 1u);
    EXPECT_EQ(Cache().GetEntryCount(), 1u);
}

TEST_F(TextureTest, FilesThatCannotBeLoadedFailAndLeaveNoEntry)
{
    auto* t = Make<ITexture>(OBJECTTYPE_TEXTURE);
    ASSERT_TRUE(t->LoadFromFile(m_opaque.c_str(), false));
    std::vector<uint8_t> garbage(200);
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<uint8_t>(i * 37 + 11);
    const std::string corrupt = WriteBytes("corrupt.bmp", garbage);
    const std::string empty = WriteBytes("empty.png", {});
    std::vector<uint8_t> truncated = {'B', 'M', 0x36, 0, 0, 0, 0, 0, 0, 0, 0x36, 0, 0, 0, 40, 0};
    const std::string cut = WriteBytes("cut.bmp", truncated);

    for (const char* file : {"/nonexistent/none.bmp", corrupt.c_str(), empty.c_str(), cut.c_str(), "",
                             static_cast<const char*>(nullptr)}) {
        EXPECT_FALSE(t->LoadFromFile(file, false)) << (file ? file : "(null)");
        EXPECT_EQ(Tex(t), nullptr);
    }
    EXPECT_EQ(Cache().GetEntryCount(), 0u);  // the opaque file was given back
    // An empty texture still sets its stage and leaves it without a texture.
    EXPECT_TRUE(t->Apply(0, 0, 2, 2));
    IDirect3DBaseTexture9* onStage = reinterpret_cast<IDirect3DBaseTexture9*>(1);
    ASSERT_EQ(D3D()->GetTexture(0, &onStage), D3D_OK);
    EXPECT_EQ(onStage, nullptr);
    EXPECT_EQ(StageState(0, D3DTSS_COLOROP), DWORD(D3DTOP_MODULATE));
}

TEST_F(TextureTest, ApplySetsSamplersStagesAndClosesTheNextStage)
{
    auto* t = Make<ITexture>(OBJECTTYPE_TEXTURE);
    ASSERT_TRUE(t->LoadFromFile(m_opaque.c_str(), false));
    t->SetFilter(1, 3, 0);
    t->SetAddressMode(2, 4);
    Poke(D3DRS_ALPHABLENDENABLE, TRUE);
    Poke(D3DRS_ALPHATESTENABLE, TRUE);
    ASSERT_TRUE(t->Apply(1, 1, 4, 2));

    EXPECT_EQ(SamplerState(1, D3DSAMP_MINFILTER), DWORD(D3DTEXF_POINT));
    EXPECT_EQ(SamplerState(1, D3DSAMP_MAGFILTER), DWORD(D3DTEXF_ANISOTROPIC));
    EXPECT_EQ(SamplerState(1, D3DSAMP_MIPFILTER), DWORD(D3DTEXF_NONE));
    EXPECT_EQ(SamplerState(1, D3DSAMP_ADDRESSU), DWORD(D3DTADDRESS_CLAMP));
    EXPECT_EQ(SamplerState(1, D3DSAMP_ADDRESSV), DWORD(D3DTADDRESS_MIRRORONCE));
    EXPECT_EQ(StageState(1, D3DTSS_TEXCOORDINDEX), 1u);
    EXPECT_EQ(StageState(1, D3DTSS_COLOROP), DWORD(D3DTOP_ADDSIGNED));
    EXPECT_EQ(StageState(2, D3DTSS_COLOROP), DWORD(D3DTOP_DISABLE));
    // An opaque texture switches blending and alpha testing off.
    EXPECT_EQ(RenderState(D3DRS_ALPHABLENDENABLE), DWORD(FALSE));
    EXPECT_EQ(RenderState(D3DRS_ALPHATESTENABLE), DWORD(FALSE));
    IDirect3DBaseTexture9* onStage = nullptr;
    ASSERT_EQ(D3D()->GetTexture(1, &onStage), D3D_OK);
    EXPECT_EQ(onStage, Tex(t));
    if (onStage) onStage->Release();
}

TEST_F(TextureTest, OutOfRangeChoicesMapToTheSafeValues)
{
    EXPECT_EQ(CTextureD3D9::TextureOp(0), D3DTOP_SELECTARG1);
    EXPECT_EQ(CTextureD3D9::TextureOp(3), D3DTOP_ADD);
    EXPECT_EQ(CTextureD3D9::TextureOp(5), D3DTOP_DISABLE);
    EXPECT_EQ(CTextureD3D9::TextureOp(-1), D3DTOP_DISABLE);
    EXPECT_EQ(CTextureD3D9::FilterType(2), D3DTEXF_LINEAR);
    EXPECT_EQ(CTextureD3D9::FilterType(4), D3DTEXF_NONE);
    EXPECT_EQ(CTextureD3D9::FilterType(-7), D3DTEXF_NONE);
    EXPECT_EQ(CTextureD3D9::AddressMode(1), D3DTADDRESS_MIRROR);
    EXPECT_EQ(CTextureD3D9::AddressMode(3), D3DTADDRESS_BORDER);
    EXPECT_EQ(CTextureD3D9::AddressMode(5), D3DTADDRESS_WRAP);
    EXPECT_EQ(CTextureD3D9::AddressMode(-1), D3DTADDRESS_WRAP);

    auto* t = static_cast<CTextureD3D9*>(Make<ITexture>(OBJECTTYPE_TEXTURE));
    // Defaults: linear filtering, wrapping.
    EXPECT_EQ(t->GetMinFilter(), D3DTEXF_LINEAR);
    EXPECT_EQ(t->GetMipFilter(), D3DTEXF_LINEAR);
    EXPECT_EQ(t->GetAddressU(), D3DTADDRESS_WRAP);
    t->SetFilter(9, -1, 1);
    t->SetAddressMode(99, 1);
    EXPECT_EQ(t->GetMinFilter(), D3DTEXF_NONE);
    EXPECT_EQ(t->GetMagFilter(), D3DTEXF_NONE);
    EXPECT_EQ(t->GetMipFilter(), D3DTEXF_POINT);
    EXPECT_EQ(t->GetAddressU(), D3DTADDRESS_WRAP);
    EXPECT_EQ(t->GetAddressV(), D3DTADDRESS_MIRROR);
}

TEST_F(TextureTest, AlphaTextureBlendsThroughStageZeroUnlessOverridden)
{
    auto* t = Make<ITexture>(OBJECTTYPE_TEXTURE);
    ASSERT_TRUE(t->LoadFromFile(m_alpha.c_str(), true));
    ASSERT_TRUE(t->Apply(2, 0, 2, 0));
    EXPECT_EQ(RenderState(D3DRS_ALPHABLENDENABLE), DWORD(TRUE));
    EXPECT_EQ(RenderState(D3DRS_SRCBLEND), DWORD(D3DBLEND_SRCALPHA));
    EXPECT_EQ(RenderState(D3DRS_DESTBLEND), DWORD(D3DBLEND_INVSRCALPHA));
    EXPECT_EQ(StageState(0, D3DTSS_ALPHAOP), DWORD(D3DTOP_SELECTARG1));  // always stage 0
    EXPECT_EQ(RenderState(D3DRS_ALPHATESTENABLE), DWORD(TRUE));
    EXPECT_EQ(RenderState(D3DRS_ALPHAREF), 50u);
    EXPECT_EQ(RenderState(D3DRS_ALPHAFUNC), DWORD(D3DCMP_GREATEREQUAL));

    m_pDevice->SetAdditiveBlending(true, true);
    ASSERT_TRUE(t->Apply(0, 0, 2, 2));
    EXPECT_EQ(RenderState(D3DRS_SRCBLEND), DWORD(D3DBLEND_ZERO));
    EXPECT_EQ(RenderState(D3DRS_DESTBLEND), DWORD(D3DBLEND_SRCCOLOR));
    EXPECT_EQ(RenderState(D3DRS_ALPHATESTENABLE), DWORD(FALSE));
}

TEST_F(TextureTest, LastStagesDoNotReachPastTheCascade)
{
    auto* t = Make<ITexture>(OBJECTTYPE_TEXTURE);
    ASSERT_TRUE(t->LoadFromFile(m_opaque.c_str(), false));
    D3D()->SetTextureStageState(7, D3DTSS_COLOROP, D3DTOP_MODULATE);
    EXPECT_TRUE(t->Apply(6, 0, 2, 2));
    EXPECT_EQ(StageState(7, D3DTSS_COLOROP), DWORD(D3DTOP_MODULATE));  // stage 6 leaves 7 alone
    EXPECT_TRUE(t->Apply(7, 0, 3, 2));
    EXPECT_EQ(StageState(7, D3DTSS_COLOROP), DWORD(D3DTOP_ADD));
    EXPECT_TRUE(t->Apply(5, 0, 2, 2));
    EXPECT_EQ(StageState(6, D3DTSS_COLOROP), DWORD(D3DTOP_DISABLE));

    // Stages that do not exist: a false result, never a write past the end.
    EXPECT_FALSE(t->Apply(8, 0, 2, 2));
    EXPECT_FALSE(t->Apply(1000000, 0, 2, 2));
}

TEST_F(TextureTest, TexturingOffMakesApplyDoNothing)
{
    auto* t = Make<ITexture>(OBJECTTYPE_TEXTURE);
    ASSERT_TRUE(t->LoadFromFile(m_alpha.c_str(), true));
    m_pDevice->SetTexturing(false);
    const DWORD magBefore = SamplerState(3, D3DSAMP_MAGFILTER);
    const DWORD blendBefore = RenderState(D3DRS_ALPHABLENDENABLE);
    const DWORD opBefore = StageState(3, D3DTSS_COLOROP);
    t->SetFilter(0, 0, 0);
    EXPECT_TRUE(t->Apply(3, 1, 3, 3));
    EXPECT_EQ(SamplerState(3, D3DSAMP_MAGFILTER), magBefore);
    EXPECT_EQ(RenderState(D3DRS_ALPHABLENDENABLE), blendBefore);
    EXPECT_EQ(StageState(3, D3DTSS_COLOROP), opBefore);
    IDirect3DBaseTexture9* onStage = nullptr;
    D3D()->GetTexture(3, &onStage);
    EXPECT_EQ(onStage, nullptr);
}

TEST_F(TextureTest, ShowsARenderTargetAndFollowsItAcrossLossResetAndDeletion)
{
    ASSERT_TRUE(m_pDevice->CanRenderToTexture()) << "the device offers no render-target format";
    auto* t = Make<ITexture>(OBJECTTYPE_TEXTURE);
    auto* target = Make<IRenderTarget>(OBJECTTYPE_RENDERTARGET);
    auto* rt = static_cast<CRenderTargetD3D9*>(target);
    EXPECT_FALSE(t->SetRenderTarget(nullptr));

    ASSERT_TRUE(t->LoadFromFile(m_alpha.c_str(), true));
    ASSERT_TRUE(t->SetRenderTarget(target));
    EXPECT_EQ(Cache().GetEntryCount(), 0u);  // the file went back to the cache
    EXPECT_TRUE(static_cast<CTextureD3D9*>(t)->IsBorrowed());
    EXPECT_TRUE(t->HasAlpha());  // kept from before
    EXPECT_EQ(Tex(t), rt->GetD3DTexture());

    target->OnDeviceLost();
    EXPECT_EQ(Tex(t), nullptr);  // never a released texture
    target->OnDeviceReset();
    ASSERT_NE(rt->GetD3DTexture(), nullptr);
    EXPECT_EQ(Tex(t), rt->GetD3DTexture());

    delete target;
    EXPECT_EQ(Tex(t), nullptr);
    EXPECT_TRUE(t->Apply(0, 0, 2, 2));
    // Loading a file afterwards makes it a cached texture again.
    ASSERT_TRUE(t->LoadFromFile(m_opaque.c_str(), false));
    EXPECT_FALSE(static_cast<CTextureD3D9*>(t)->IsBorrowed());
    EXPECT_EQ(Cache().GetUseCount(m_opaque.c_str()), 1u);
}

}  // namespace
}  // namespace devobj
