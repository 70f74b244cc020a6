// The fixed-function program key and the vertex layouts: default state is
// the zero key, state a program cannot see does not split programs, and the
// engine's vertex formats parse to the right strides and inputs.
#include <gtest/gtest.h>

#include "d3d9/device_state.h"
#include "d3d9/ffp_key.h"
#include "d3d9/ffp_layout.h"

using namespace qrn::d3d9;

namespace {

struct KeyFixture : ::testing::Test {
    DeviceState state;
    FfpVertexLayout layout;
    bool textures[kFfpStages] = {};

    void SetUp() override
    {
        SetDefaultState(state, true);
        ASSERT_TRUE(LayoutFromFvf(D3DFVF_XYZ, &layout));
    }
    FfpKey Key(bool points = false)
    {
        FfpKeyInputs in;
        in.renderStates = state.renderStates.data();
        in.stageStates = reinterpret_cast<const DWORD(*)[kFfpStageStateCount]>(state.stageStates.data());
        for (uint32_t i = 0; i < kFfpStages; ++i) in.textureBound[i] = textures[i];
        in.layout = &layout;
        in.drawingPoints = points;
        return MakeFfpKey(in);
    }
};

}  // namespace

TEST_F(KeyFixture, DefaultStateIsTheZeroKey)
{
    EXPECT_TRUE(Key().IsZero());
    // Binding a texture on stage 0 changes the program (it samples now).
    textures[0] = true;
    EXPECT_FALSE(Key().IsZero());
}

TEST_F(KeyFixture, StateAfterADisabledStageDoesNotSplitPrograms)
{
    textures[0] = textures[1] = textures[2] = true;
    const FfpKey before = Key();
    state.stageStates[2][D3DTSS_COLOROP] = D3DTOP_ADD;   // stage 1 is still disabled
    state.stageStates[2][D3DTSS_TEXCOORDINDEX] = 1;
    EXPECT_EQ(Key(), before);
    state.stageStates[1][D3DTSS_COLOROP] = D3DTOP_MODULATE;
    EXPECT_NE(Key(), before);
    EXPECT_EQ(ActiveStages(Key()), 3u);
    // Disabling stage 0 means no texturing at all, whatever follows.
    state.stageStates[0][D3DTSS_COLOROP] = D3DTOP_DISABLE;
    EXPECT_EQ(ActiveStages(Key()), 0u);
}

TEST_F(KeyFixture, ArgumentsAnOperationDoesNotReadAreIgnored)
{
    textures[0] = true;
    state.stageStates[0][D3DTSS_COLOROP] = D3DTOP_SELECTARG1;
    const FfpKey before = Key();
    state.stageStates[0][D3DTSS_COLORARG2] = D3DTA_TFACTOR;
    EXPECT_EQ(Key(), before);
    state.stageStates[0][D3DTSS_COLORARG1] = D3DTA_TFACTOR;
    EXPECT_NE(Key(), before);
    EXPECT_EQ(StageColorArg(Key(), 0, 1), (uint32_t)D3DTA_TFACTOR);
}

TEST_F(KeyFixture, UntexturedStageReadsDiffuseAlphaForTextureAlpha)
{
    const FfpKey k = Key();
    EXPECT_EQ(StageAlphaArg(k, 0, 1), (uint32_t)D3DTA_DIFFUSE);
    textures[0] = true;
    EXPECT_EQ(StageAlphaArg(Key(), 0, 1), (uint32_t)D3DTA_TEXTURE);
}

TEST_F(KeyFixture, UnlitDrawsIgnoreLightingState)
{
    ASSERT_TRUE(LayoutFromFvf(D3DFVF_XYZ | D3DFVF_DIFFUSE, &layout));
    state.renderStates[D3DRS_LIGHTING] = FALSE;
    const FfpKey before = Key();
    state.renderStates[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_MATERIAL;
    state.renderStates[D3DRS_NORMALIZENORMALS] = TRUE;
    EXPECT_EQ(Key(), before);
    state.renderStates[D3DRS_LIGHTING] = TRUE;
    EXPECT_NE(Key(), before);
    EXPECT_EQ(DiffuseSource(Key()), (uint32_t)D3DMCS_MATERIAL);
}

TEST_F(KeyFixture, ColourSourceFallsBackToMaterialWhenTheVertexHasNoColour)
{
    // Default source COLOR1 on a vertex without diffuse: material, and still the zero key.
    EXPECT_EQ(DiffuseSource(Key()), (uint32_t)D3DMCS_MATERIAL);
    ASSERT_TRUE(LayoutFromFvf(D3DFVF_XYZ | D3DFVF_DIFFUSE, &layout));
    EXPECT_EQ(DiffuseSource(Key()), (uint32_t)D3DMCS_COLOR1);
    state.renderStates[D3DRS_COLORVERTEX] = FALSE;
    EXPECT_EQ(DiffuseSource(Key()), (uint32_t)D3DMCS_MATERIAL);
}

TEST_F(KeyFixture, TableFogWinsOverVertexFogAndAlphaAlwaysIsNoTest)
{
    state.renderStates[D3DRS_FOGENABLE] = TRUE;
    EXPECT_TRUE(Key().fogFromSpecular);
    state.renderStates[D3DRS_FOGVERTEXMODE] = D3DFOG_EXP;
    EXPECT_EQ(Key().fogMode, (uint32_t)D3DFOG_EXP);
    EXPECT_FALSE(Key().fogTable);
    state.renderStates[D3DRS_FOGTABLEMODE] = D3DFOG_EXP2;
    EXPECT_EQ(Key().fogMode, (uint32_t)D3DFOG_EXP2);
    EXPECT_TRUE(Key().fogTable);
    state.renderStates[D3DRS_FOGENABLE] = FALSE;
    EXPECT_EQ(Key().fogMode, 0u);

    state.renderStates[D3DRS_ALPHATESTENABLE] = TRUE;
    EXPECT_EQ(Key().alphaFunc, 0u);  // ALWAYS
    state.renderStates[D3DRS_ALPHAFUNC] = D3DCMP_GREATEREQUAL;
    EXPECT_EQ(Key().alphaFunc, (uint32_t)D3DCMP_GREATEREQUAL);
}

TEST_F(KeyFixture, PointStatesOnlyCountForPointLists)
{
    state.renderStates[D3DRS_POINTSPRITEENABLE] = TRUE;
    state.renderStates[D3DRS_POINTSCALEENABLE] = TRUE;
    EXPECT_TRUE(Key(false).IsZero());
    const FfpKey p = Key(true);
    EXPECT_TRUE(p.points && p.pointSprite && p.pointScale);
}

TEST_F(KeyFixture, TweeningNeedsTheBlendStateAndASecondPosition)
{
    D3DVERTEXELEMENT9 decl[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                {1, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 1},
                                D3DDECL_END()};
    ASSERT_TRUE(LayoutFromDeclaration(decl, &layout));
    EXPECT_FALSE(Key().tween);
    EXPECT_FALSE(KeyHas(Key(), kAttrPosition1));
    state.renderStates[D3DRS_VERTEXBLEND] = D3DVBF_TWEENING;
    EXPECT_TRUE(Key().tween);
    EXPECT_TRUE(KeyHas(Key(), kAttrPosition1));
}

TEST_F(KeyFixture, LightTypesAreListedInSlotOrder)
{
    ASSERT_TRUE(LayoutFromFvf(D3DFVF_XYZ | D3DFVF_NORMAL, &layout));
    FfpKeyInputs in;
    in.renderStates = state.renderStates.data();
    in.stageStates = reinterpret_cast<const DWORD(*)[kFfpStageStateCount]>(state.stageStates.data());
    in.layout = &layout;
    in.lightCount = 3;
    in.lightTypes[0] = D3DLIGHT_SPOT;
    in.lightTypes[1] = D3DLIGHT_DIRECTIONAL;
    in.lightTypes[2] = D3DLIGHT_POINT;
    const FfpKey k = MakeFfpKey(in);
    EXPECT_EQ(LightType(k, 0), (uint32_t)D3DLIGHT_SPOT);
    EXPECT_EQ(LightType(k, 1), (uint32_t)D3DLIGHT_DIRECTIONAL);
    EXPECT_EQ(LightType(k, 2), (uint32_t)D3DLIGHT_POINT);
    EXPECT_EQ(LightType(k, 3), 0u);
}

// The nine vertex formats of the engine, with their strides.
TEST(FfpLayout, EngineVertexFormatsHaveTheirStrides)
{
    struct {
        DWORD fvf;
        uint32_t stride;
        uint32_t mask;
    } formats[] = {
        {D3DFVF_XYZ, 12, 1u << kAttrPosition},
        {D3DFVF_XYZ | D3DFVF_DIFFUSE, 16, 1u << kAttrPosition | 1u << kAttrColor0},
        {D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1, 24, 1u << kAttrPosition | 1u << kAttrColor0 | 1u << kAttrTex0},
        {D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX2, 32,
         1u << kAttrPosition | 1u << kAttrColor0 | 1u << kAttrTex0 | 1u << (kAttrTex0 + 1)},
        {D3DFVF_XYZ | D3DFVF_PSIZE | D3DFVF_DIFFUSE, 20, 1u << kAttrPosition | 1u << kAttrPSize | 1u << kAttrColor0},
        {D3DFVF_XYZ | D3DFVF_NORMAL, 24, 1u << kAttrPosition | 1u << kAttrNormal},
        {D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1, 32, 1u << kAttrPosition | 1u << kAttrNormal | 1u << kAttrTex0},
        {D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX2, 40,
         1u << kAttrPosition | 1u << kAttrNormal | 1u << kAttrTex0 | 1u << (kAttrTex0 + 1)},
        {D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_PSIZE, 28, 1u << kAttrPosition | 1u << kAttrNormal | 1u << kAttrPSize},
    };
    for (const auto& f : formats) {
        FfpVertexLayout l;
        ASSERT_TRUE(LayoutFromFvf(f.fvf, &l)) << f.fvf;
        EXPECT_EQ(l.fvfStride, f.stride) << f.fvf;
        EXPECT_EQ(FfpFvfVertexSize(f.fvf), f.stride);
        EXPECT_EQ(l.Mask(), f.mask) << f.fvf;
    }
    // Offsets follow flag order: XYZ | NORMAL | DIFFUSE | TEX2 puts set 1 at 36.
    FfpVertexLayout l;
    ASSERT_TRUE(LayoutFromFvf(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX2, &l));
    EXPECT_EQ(l.fvfStride, 44u);
    EXPECT_EQ(l.attribs[kAttrColor0].offset, 24u);
    EXPECT_EQ(l.attribs[kAttrTex0 + 1].offset, 36u);
    ASSERT_TRUE(LayoutFromFvf(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1, &l));
    EXPECT_TRUE(l.pretransformed);
    EXPECT_EQ(l.fvfStride, 28u);
    // Texture coordinate sizes: set 0 with three floats.
    ASSERT_TRUE(LayoutFromFvf(D3DFVF_XYZ | D3DFVF_TEX1 | D3DFVF_TEXCOORDSIZE3(0), &l));
    EXPECT_EQ(l.fvfStride, 24u);
}

TEST(FfpLayout, FormatsTheFixedFunctionPathCannotDrawAreRefused)
{
    FfpVertexLayout l;
    EXPECT_FALSE(LayoutFromFvf(0, &l));                                  // no position
    EXPECT_FALSE(LayoutFromFvf(D3DFVF_XYZB2, &l));                       // blend weights
    EXPECT_FALSE(LayoutFromFvf(D3DFVF_XYZRHW | D3DFVF_NORMAL, &l));      // normal on screen vertices
    EXPECT_FALSE(LayoutFromFvf(D3DFVF_XYZ | (9u << D3DFVF_TEXCOUNT_SHIFT), &l));
    EXPECT_EQ(FfpFvfVertexSize(D3DFVF_XYZB2), 0u);

    D3DVERTEXELEMENT9 noPosition[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_NORMAL, 0}, D3DDECL_END()};
    EXPECT_FALSE(LayoutFromDeclaration(noPosition, &l));
    D3DVERTEXELEMENT9 twice[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                 {0, 12, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                 D3DDECL_END()};
    EXPECT_FALSE(LayoutFromDeclaration(twice, &l));
    D3DVERTEXELEMENT9 badType[] = {{0, 0, 40, 0, D3DDECLUSAGE_POSITION, 0}, D3DDECL_END()};
    EXPECT_FALSE(LayoutFromDeclaration(badType, &l));
    D3DVERTEXELEMENT9 badStream[] = {{20, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0}, D3DDECL_END()};
    EXPECT_FALSE(LayoutFromDeclaration(badStream, &l));
    // No end marker within the longest legal declaration.
    D3DVERTEXELEMENT9 endless[MAX_FVF_DECL_SIZE + 1];
    for (auto& e : endless) e = {0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_TANGENT, 0};
    EXPECT_FALSE(LayoutFromDeclaration(endless, &l));
    EXPECT_FALSE(LayoutFromDeclaration(nullptr, &l));
}
