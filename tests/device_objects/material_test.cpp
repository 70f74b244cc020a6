// Materials: defaults, clamping, transparency and the states Apply sets.
#include "device_fixture.h"

#include <cmath>
#include <cstring>

#include "render/MaterialD3D9.h"

namespace devobj {
namespace {

using qrn::CMaterialD3D9;
using qrn::IMaterial;
using qrn::OBJECTTYPE_MATERIAL;

void ExpectColour(const D3DCOLORVALUE& c, float r, float g, float b, float a)
{
    EXPECT_FLOAT_EQ(c.r, r);
    EXPECT_FLOAT_EQ(c.g, g);
    EXPECT_FLOAT_EQ(c.b, b);
    EXPECT_FLOAT_EQ(c.a, a);
}

class MaterialTest : public DeviceTest {};

TEST_F(MaterialTest, NewMaterialIsOpaqueWhiteAndSwitchesBlendingOff)
{
    auto* material = Make<IMaterial>(OBJECTTYPE_MATERIAL);
    ASSERT_NE(material, nullptr);
    auto* impl = static_cast<CMaterialD3D9*>(material);
    ExpectColour(impl->GetD3DMaterial().Ambient, 1, 1, 1, 1);
    ExpectColour(impl->GetD3DMaterial().Diffuse, 1, 1, 1, 1);
    ExpectColour(impl->GetD3DMaterial().Emissive, 0, 0, 0, 1);
    ExpectColour(impl->GetD3DMaterial().Specular, 0, 0, 0, 1);
    EXPECT_FLOAT_EQ(impl->GetD3DMaterial().Power, 0.0f);
    EXPECT_FALSE(impl->IsTransparent());

    // As if an earlier transparent object had left blending on.
    Poke(D3DRS_ALPHABLENDENABLE, TRUE);
    Poke(D3DRS_ALPHATESTENABLE, TRUE);
    EXPECT_TRUE(material->Apply());
    EXPECT_EQ(RenderState(D3DRS_ALPHABLENDENABLE), DWORD(FALSE));
    EXPECT_EQ(RenderState(D3DRS_ALPHATESTENABLE), DWORD(FALSE));

    D3DMATERIAL9 onDevice{};
    ASSERT_EQ(D3D()->GetMaterial(&onDevice), D3D_OK);
    ExpectColour(onDevice.Diffuse, 1, 1, 1, 1);
    ExpectColour(onDevice.Emissive, 0, 0, 0, 1);
}

TEST_F(MaterialTest, SettersClampEveryComponentAndNothingReachesTheDeviceBeforeApply)
{
    auto* material = Make<IMaterial>(OBJECTTYPE_MATERIAL);
    ASSERT_NE(material, nullptr);
    auto* impl = static_cast<CMaterialD3D9*>(material);
    D3DMATERIAL9 before{};
    D3D()->GetMaterial(&before);

    material->SetDiffuse(2.0f, -1.0f, 0.5f, 0.25f);
    material->SetAmbient(-3.0f, 0.0f, 1.0f, 7.0f);
    material->SetEmissive(0.1f, 1.5f, -0.1f, 1.0f);
    material->SetSpecular(0.25f, 0.5f, 0.75f, -2.0f);
    material->SetPower(20.0f);
    ExpectColour(impl->GetD3DMaterial().Diffuse, 1, 0, 0.5f, 0.25f);
    ExpectColour(impl->GetD3DMaterial().Ambient, 0, 0, 1, 1);
    ExpectColour(impl->GetD3DMaterial().Emissive, 0.1f, 1, 0, 1);
    ExpectColour(impl->GetD3DMaterial().Specular, 0.25f, 0.5f, 0.75f, 0);
    EXPECT_FLOAT_EQ(impl->GetD3DMaterial().Power, 1.0f);
    material->SetPower(-4.0f);
    EXPECT_FLOAT_EQ(impl->GetD3DMaterial().Power, 0.0f);

    D3DMATERIAL9 after{};
    D3D()->GetMaterial(&after);
    EXPECT_EQ(std::memcmp(&before, &after, sizeof(before)), 0);

    // A NaN never reaches the lighting.
    material->SetDiffuse(std::nanf(""), 0.5f, 0.5f, 1.0f);
    EXPECT_FLOAT_EQ(impl->GetD3DMaterial().Diffuse.r, 0.0f);
}

TEST_F(MaterialTest, AnyAlphaBelowOneMakesItTransparent)
{
    auto* impl = static_cast<CMaterialD3D9*>(Make<IMaterial>(OBJECTTYPE_MATERIAL));
    ASSERT_NE(impl, nullptr);
    impl->SetSpecular(0, 0, 0, 0.99f);
    EXPECT_TRUE(impl->IsTransparent());
    impl->SetSpecular(0, 0, 0, 1.0f);
    impl->SetAmbient(1, 1, 1, 0.0f);
    EXPECT_TRUE(impl->IsTransparent());
    impl->SetAmbient(1, 1, 1, 1.0f);
    EXPECT_FALSE(impl->IsTransparent());
}

TEST_F(MaterialTest, TransparentApplyTurnsOnBlendingAndAlphaTestAt50)
{
    auto* material = Make<IMaterial>(OBJECTTYPE_MATERIAL);
    ASSERT_NE(material, nullptr);
    material->SetDiffuse(2.0f, -1.0f, 0.5f, 0.25f);
    EXPECT_TRUE(material->Apply());
    EXPECT_EQ(RenderState(D3DRS_ALPHABLENDENABLE), DWORD(TRUE));
    EXPECT_EQ(RenderState(D3DRS_SRCBLEND), DWORD(D3DBLEND_SRCALPHA));
    EXPECT_EQ(RenderState(D3DRS_DESTBLEND), DWORD(D3DBLEND_INVSRCALPHA));
    EXPECT_EQ(StageState(0, D3DTSS_ALPHAOP), DWORD(D3DTOP_MODULATE));
    EXPECT_EQ(RenderState(D3DRS_ALPHATESTENABLE), DWORD(TRUE));
    EXPECT_EQ(RenderState(D3DRS_ALPHAREF), 50u);
    EXPECT_EQ(RenderState(D3DRS_ALPHAFUNC), DWORD(D3DCMP_GREATEREQUAL));

    D3DMATERIAL9 onDevice{};
    ASSERT_EQ(D3D()->GetMaterial(&onDevice), D3D_OK);
    ExpectColour(onDevice.Diffuse, 1, 0, 0.5f, 0.25f);
}

TEST_F(MaterialTest, AdditiveOrMaskedPassKeepsItsBlendStates)
{
    auto* material = Make<IMaterial>(OBJECTTYPE_MATERIAL);
    ASSERT_NE(material, nullptr);
    material->SetDiffuse(1, 1, 1, 0.5f);

    m_pDevice->SetAdditiveBlending(true, false);
    EXPECT_TRUE(material->Apply());
    EXPECT_EQ(RenderState(D3DRS_SRCBLEND), DWORD(D3DBLEND_ONE));
    EXPECT_EQ(RenderState(D3DRS_DESTBLEND), DWORD(D3DBLEND_ONE));
    EXPECT_EQ(RenderState(D3DRS_ALPHATESTENABLE), DWORD(FALSE));
    m_pDevice->SetAdditiveBlending(false, false);

    m_pDevice->SetColorWrite(false);
    material->SetDiffuse(1, 1, 1, 1);  // opaque: would switch blending off
    EXPECT_TRUE(material->Apply());
    EXPECT_EQ(RenderState(D3DRS_ALPHABLENDENABLE), DWORD(TRUE));
    EXPECT_EQ(RenderState(D3DRS_SRCBLEND), DWORD(D3DBLEND_ZERO));
    EXPECT_EQ(RenderState(D3DRS_DESTBLEND), DWORD(D3DBLEND_ONE));
}

TEST_F(MaterialTest, ColorSourceSetsOnlyTheFlaggedStates)
{
    auto* material = Make<IMaterial>(OBJECTTYPE_MATERIAL);
    ASSERT_NE(material, nullptr);
    Poke(D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_COLOR1);
    Poke(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1);
    Poke(D3DRS_EMISSIVEMATERIALSOURCE, D3DMCS_COLOR2);
    Poke(D3DRS_SPECULARMATERIALSOURCE, D3DMCS_COLOR2);
    material->SetColorSource(false, true, false, true);
    EXPECT_EQ(RenderState(D3DRS_AMBIENTMATERIALSOURCE), DWORD(D3DMCS_COLOR1));
    EXPECT_EQ(RenderState(D3DRS_DIFFUSEMATERIALSOURCE), DWORD(D3DMCS_MATERIAL));
    EXPECT_EQ(RenderState(D3DRS_EMISSIVEMATERIALSOURCE), DWORD(D3DMCS_COLOR2));
    EXPECT_EQ(RenderState(D3DRS_SPECULARMATERIALSOURCE), DWORD(D3DMCS_MATERIAL));
}

TEST_F(MaterialTest, WholeMaterialCopyIsTakenAsItStands)
{
    auto* impl = static_cast<CMaterialD3D9*>(Make<IMaterial>(OBJECTTYPE_MATERIAL));
    ASSERT_NE(impl, nullptr);
    D3DMATERIAL9 m{};
    m.Diffuse = {0.2f, 0.4f, 0.6f, 1.0f};
    m.Power = 12.0f;  // no clamping on a whole copy
    impl->SetFromD3DMaterial(m);
    ExpectColour(impl->GetD3DMaterial().Diffuse, 0.2f, 0.4f, 0.6f, 1.0f);
    EXPECT_FLOAT_EQ(impl->GetD3DMaterial().Power, 12.0f);
    // Ambient alpha 0 from the copy: transparent.
    EXPECT_TRUE(impl->IsTransparent());
}

}  // namespace
}  // namespace devobj
