// Pixel tests of the fixed-function drawing: each draws a small scene with
// Direct3D 9 states and reads the back buffer to check what a person would
// see.
#include <cmath>
#include <cstring>

#include "draw_fixture.h"

using namespace drawtest;

namespace {

constexpr DWORD kWhite = 0xFFFFFFFFu;
constexpr float kPi = 3.14159265f;

::testing::AssertionResult Near(uint32_t got, Rgb want, int tol = 3)
{
    const Rgb g = ToRgb(got);
    if (std::abs(g.r - want.r) <= tol && std::abs(g.g - want.g) <= tol && std::abs(g.b - want.b) <= tol)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "got (" << g.r << ", " << g.g << ", " << g.b << ") want (" << want.r << ", "
                                         << want.g << ", " << want.b << ")";
}

D3DLIGHT9 Directional(float x, float y, float z)
{
    D3DLIGHT9 l{};
    l.Type = D3DLIGHT_DIRECTIONAL;
    l.Diffuse = {1, 1, 1, 1};
    l.Direction = {x, y, z};
    return l;
}

void LitQuad(IDirect3DDevice9* dev, float x0, float y0, float x1, float y1, float z)
{
    // Normals face the viewer, who looks along +z.
    const LitVertex v[6] = {{x0, y1, z, 0, 0, -1}, {x1, y1, z, 0, 0, -1}, {x1, y0, z, 0, 0, -1},
                            {x0, y1, z, 0, 0, -1}, {x1, y0, z, 0, 0, -1}, {x0, y0, z, 0, 0, -1}};
    dev->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL);
    dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, v, sizeof(LitVertex));
}

void TexQuad(IDirect3DDevice9* dev, float x0, float y0, float x1, float y1, float z, DWORD color)
{
    const TexVertex v[6] = {{x0, y1, z, color, 0, 0}, {x1, y1, z, color, 1, 0}, {x1, y0, z, color, 1, 1},
                            {x0, y1, z, color, 0, 0}, {x1, y0, z, color, 1, 1}, {x0, y0, z, color, 0, 1}};
    dev->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, v, sizeof(TexVertex));
}

DWORD F(float f)
{
    DWORD d;
    memcpy(&d, &f, 4);
    return d;
}

}  // namespace

TEST_F(DrawTest, PictureIsUprightAndClockwiseFacesAreFront)
{
    dev_->SetRenderState(D3DRS_LIGHTING, FALSE);
    Clear(0xFF000000);
    ColorQuad(-1, 0, 1, 1, 0.5f, 0xFFFF0000);  // upper half in clip space
    EXPECT_TRUE(Near(Pixel(32, 8), {255, 0, 0}));
    EXPECT_TRUE(Near(Pixel(32, 56), {0, 0, 0}));

    // Left triangle clockwise on screen, right one counter-clockwise.
    Clear(0xFF000000);
    const ColorVertex cw[3] = {{-0.9f, 0.5f, 0.5f, 0xFF00FF00}, {-0.1f, 0.5f, 0.5f, 0xFF00FF00}, {-0.5f, -0.5f, 0.5f, 0xFF00FF00}};
    const ColorVertex ccw[3] = {{0.1f, 0.5f, 0.5f, 0xFF00FF00}, {0.5f, -0.5f, 0.5f, 0xFF00FF00}, {0.9f, 0.5f, 0.5f, 0xFF00FF00}};
    dev_->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
    ASSERT_EQ(dev_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, cw, sizeof(ColorVertex)), D3D_OK);
    ASSERT_EQ(dev_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, ccw, sizeof(ColorVertex)), D3D_OK);
    EXPECT_TRUE(Near(Pixel(16, 24), {0, 255, 0}));
    EXPECT_TRUE(Near(Pixel(48, 24), {0, 0, 0}));
    dev_->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    Clear(0xFF000000);
    dev_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, cw, sizeof(ColorVertex));
    dev_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, ccw, sizeof(ColorVertex));
    EXPECT_TRUE(Near(Pixel(16, 24), {0, 0, 0}));
    EXPECT_TRUE(Near(Pixel(48, 24), {0, 255, 0}));
    dev_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    dev_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, cw, sizeof(ColorVertex));
    EXPECT_TRUE(Near(Pixel(16, 24), {0, 255, 0}));
}

TEST_F(DrawTest, ScreenSpaceVerticesCoverPixelsByTheirIntegerCentres)
{
    Clear(0xFF000000);
    // A rectangle from x 10 to 20 and y 5 to 15 covers pixels 10..19 and 5..14.
    const ScreenVertex v[4] = {{10, 5, 0.5f, 1, 0xFFFFFFFF}, {20, 5, 0.5f, 1, 0xFFFFFFFF}, {10, 15, 0.5f, 1, 0xFFFFFFFF},
                               {20, 15, 0.5f, 1, 0xFFFFFFFF}};
    dev_->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
    ASSERT_EQ(dev_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(ScreenVertex)), D3D_OK);
    auto px = ReadBack();
    ASSERT_FALSE(px.empty());
    auto at = [&](int x, int y) { return px[(size_t)y * kSize + x] & 0xFFFFFF; };
    EXPECT_EQ(at(10, 5), 0xFFFFFFu);
    EXPECT_EQ(at(19, 14), 0xFFFFFFu);
    EXPECT_EQ(at(9, 10), 0u);
    EXPECT_EQ(at(20, 10), 0u);
    EXPECT_EQ(at(15, 4), 0u);
    EXPECT_EQ(at(15, 15), 0u);
}

TEST_F(DrawTest, DirectionalLightShadesByNDotLWithMaterialColours)
{
    D3DMATERIAL9 m{};
    m.Diffuse = {1.0f, 0.5f, 0.25f, 1.0f};
    dev_->SetMaterial(&m);
    // Light straight along the view: N.L = 1.
    D3DLIGHT9 l = Directional(0, 0, 1);
    dev_->SetLight(0, &l);
    dev_->LightEnable(0, TRUE);
    Clear(0xFF000000);
    LitQuad(dev_, -1, -1, 1, 1, 0.5f);
    EXPECT_TRUE(Near(Pixel(32, 32), {255, 128, 64}));
    // Tilted by 60 degrees: N.L = 0.5 halves every channel.
    l = Directional(std::sin(kPi / 3), 0, std::cos(kPi / 3));
    dev_->SetLight(0, &l);
    Clear(0xFF000000);
    LitQuad(dev_, -1, -1, 1, 1, 0.5f);
    EXPECT_TRUE(Near(Pixel(32, 32), {128, 64, 32}));
    // Facing away: only ambient is left (global ambient times material ambient).
    l = Directional(0, 0, -1);
    dev_->SetLight(0, &l);
    m.Ambient = {1.0f, 1.0f, 0.0f, 1.0f};
    dev_->SetMaterial(&m);
    dev_->SetRenderState(D3DRS_AMBIENT, 0xFF404040);
    Clear(0xFF000000);
    LitQuad(dev_, -1, -1, 1, 1, 0.5f);
    EXPECT_TRUE(Near(Pixel(32, 32), {64, 64, 0}));
    // Lighting off: the same unlit quad with no vertex colour is white.
    dev_->SetRenderState(D3DRS_LIGHTING, FALSE);
    LitQuad(dev_, -1, -1, 1, 1, 0.5f);
    EXPECT_TRUE(Near(Pixel(32, 32), {255, 255, 255}));
}

TEST_F(DrawTest, PointLightContributesNothingBeyondItsRange)
{
    D3DMATERIAL9 m{};
    m.Diffuse = {1, 1, 1, 1};
    m.Ambient = {1, 1, 1, 1};
    dev_->SetMaterial(&m);
    D3DLIGHT9 l{};
    l.Type = D3DLIGHT_POINT;
    l.Diffuse = {1, 1, 1, 1};
    l.Ambient = {0.3f, 0.3f, 0.3f, 1};
    l.Position = {-0.5f, 0.0f, 0.3f};
    l.Range = 0.5f;
    l.Attenuation0 = 1.0f;
    dev_->SetLight(2, &l);
    dev_->LightEnable(2, TRUE);
    Clear(0xFF000000);
    LitQuad(dev_, -0.6f, -0.1f, -0.4f, 0.1f, 0.5f);  // about 0.25 from the light
    LitQuad(dev_, 0.4f, -0.1f, 0.6f, 0.1f, 0.5f);    // about 1.0 away: out of range
    const Rgb near = ToRgb(Pixel(16, 32));
    EXPECT_GT(near.r, 200);  // N.L about 0.8 plus 0.3 ambient
    EXPECT_TRUE(Near(Pixel(48, 32), {0, 0, 0}, 0));  // not even the light's ambient
    // With a longer range the far quad lights up too.
    l.Range = 5.0f;
    dev_->SetLight(2, &l);
    LitQuad(dev_, 0.4f, -0.1f, 0.6f, 0.1f, 0.5f);
    EXPECT_GT(ToRgb(Pixel(48, 32)).r, 60);
}

TEST_F(DrawTest, ExponentialFogDarkensTowardsTheFogColourWithDistance)
{
    SetPerspective(kPi / 2, 1.0f, 100.0f);
    dev_->SetRenderState(D3DRS_LIGHTING, FALSE);
    dev_->SetRenderState(D3DRS_FOGENABLE, TRUE);
    dev_->SetRenderState(D3DRS_FOGCOLOR, 0xFF202080);
    dev_->SetRenderState(D3DRS_FOGDENSITY, F(0.2f));
    auto fogged = [](float z, int c, int fog) { return (int)std::lround(std::exp(-0.2f * z) * c + (1 - std::exp(-0.2f * z)) * fog); };
    for (D3DRENDERSTATETYPE mode : {D3DRS_FOGTABLEMODE, D3DRS_FOGVERTEXMODE}) {
        dev_->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_NONE);
        dev_->SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_NONE);
        dev_->SetRenderState(mode, D3DFOG_EXP);
        for (float z : {2.0f, 8.0f}) {
            Clear(0xFF000000);
            ColorQuad(-z, -z, z, z, z, 0xFFFFFFFF);
            EXPECT_TRUE(Near(Pixel(32, 32), {fogged(z, 255, 0x20), fogged(z, 255, 0x20), fogged(z, 255, 0x80)}))
                << (mode == D3DRS_FOGTABLEMODE ? "table" : "vertex") << " fog at " << z;
        }
    }
    // Fog off: white again.
    dev_->SetRenderState(D3DRS_FOGENABLE, FALSE);
    ColorQuad(-8, -8, 8, 8, 8, 0xFFFFFFFF);
    EXPECT_TRUE(Near(Pixel(32, 32), {255, 255, 255}));
}

TEST_F(DrawTest, ModulateAndAddSignedStagesCombineTextureDiffuseAndFactor)
{
    dev_->SetRenderState(D3DRS_LIGHTING, FALSE);
    IDirect3DTexture9* tex = MakeTexture(2, 2, std::vector<uint32_t>(4, 0xFF804020u));
    ASSERT_NE(tex, nullptr);
    dev_->SetTexture(0, tex);
    Clear(0xFF000000);
    TexQuad(dev_, -1, -1, 1, 1, 0.5f, 0xFF808080);  // stage 0 default: texture x diffuse
    EXPECT_TRUE(Near(Pixel(32, 32), {64, 32, 16}));
    dev_->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFF806040);
    dev_->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_ADDSIGNED);
    dev_->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_CURRENT);
    dev_->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_TFACTOR);
    dev_->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    dev_->SetTextureStageState(1, D3DTSS_ALPHAARG1, D3DTA_CURRENT);
    TexQuad(dev_, -1, -1, 1, 1, 0.5f, 0xFF808080);
    EXPECT_TRUE(Near(Pixel(32, 32), {64, 0, 0}));  // (64 + 128 - 128, 32 + 96 - 128, 16 + 64 - 128)
    // Stage 0 SELECTARG1(TEXTURE), stage 1 disabled: the texture alone.
    dev_->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    dev_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    TexQuad(dev_, -1, -1, 1, 1, 0.5f, 0xFF808080);
    EXPECT_TRUE(Near(Pixel(32, 32), {128, 64, 32}));
    // No texture bound: MODULATE(TEXTURE, DIFFUSE) is the diffuse colour.
    dev_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    dev_->SetTexture(0, nullptr);
    TexQuad(dev_, -1, -1, 1, 1, 0.5f, 0xFF20A040);
    EXPECT_TRUE(Near(Pixel(32, 32), {0x20, 0xA0, 0x40}));
    tex->Release();
}

TEST_F(DrawTest, AlphaTestAtReferenceFiftyDropsLowerAlpha)
{
    dev_->SetRenderState(D3DRS_LIGHTING, FALSE);
    dev_->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    dev_->SetRenderState(D3DRS_ALPHAREF, 50);
    dev_->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    Clear(0xFF000080);
    ColorQuad(-1, -1, -0.34f, 1, 0.5f, D3DCOLOR_ARGB(40, 0, 255, 0));
    ColorQuad(-0.33f, -1, 0.33f, 1, 0.5f, D3DCOLOR_ARGB(50, 0, 255, 0));
    ColorQuad(0.34f, -1, 1, 1, 0.5f, D3DCOLOR_ARGB(60, 0, 255, 0));
    auto px = ReadBack();
    ASSERT_FALSE(px.empty());
    EXPECT_TRUE(Near(px[32 * kSize + 8], {0, 0, 0x80}, 0));   // 40 < 50: dropped
    EXPECT_TRUE(Near(px[32 * kSize + 32], {0, 255, 0}, 0));   // 50 >= 50: kept
    EXPECT_TRUE(Near(px[32 * kSize + 56], {0, 255, 0}, 0));   // 60: kept
    // A dropped pixel writes no depth either: a farther quad still shows.
    dev_->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    ColorQuad(-1, -1, 1, 1, 0.9f, 0xFFFF0000);
    EXPECT_TRUE(Near(Pixel(8, 32), {255, 0, 0}, 0));
    EXPECT_TRUE(Near(Pixel(56, 32), {0, 255, 0}, 0));
}

TEST_F(DrawTest, AdditiveAndModulatingBlendCombineWithTheFrame)
{
    dev_->SetRenderState(D3DRS_LIGHTING, FALSE);
    dev_->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    Clear(D3DCOLOR_XRGB(100, 50, 0));
    dev_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    dev_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    dev_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    ColorQuad(-1, -1, 1, 1, 0.5f, D3DCOLOR_XRGB(50, 100, 200));
    EXPECT_TRUE(Near(Pixel(32, 32), {150, 150, 200}, 1));
    ColorQuad(-1, -1, 1, 1, 0.5f, D3DCOLOR_XRGB(200, 0, 0));  // saturates
    EXPECT_TRUE(Near(Pixel(32, 32), {255, 150, 200}, 1));
    dev_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ZERO);
    dev_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_SRCCOLOR);
    ColorQuad(-1, -1, 1, 1, 0.5f, D3DCOLOR_XRGB(128, 255, 0));
    EXPECT_TRUE(Near(Pixel(32, 32), {128, 150, 0}, 2));
}

TEST_F(DrawTest, WireframeDrawsEdgesOnly)
{
    dev_->SetRenderState(D3DRS_LIGHTING, FALSE);
    dev_->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
    Clear(0xFF000000);
    ColorQuad(-0.5f, -0.5f, 0.5f, 0.5f, 0.5f, 0xFFFFFFFF);
    auto px = ReadBack();
    ASSERT_FALSE(px.empty());
    auto lit = [&](int x, int y) { return (px[(size_t)y * kSize + x] & 0xFFFFFF) != 0; };
    EXPECT_FALSE(lit(40, 24));  // inside, off the diagonal
    EXPECT_FALSE(lit(24, 40));
    EXPECT_TRUE(lit(15, 32) || lit(16, 32) || lit(17, 32));  // left edge at x = 16
    EXPECT_TRUE(lit(32, 15) || lit(32, 16) || lit(32, 17));  // top edge
    dev_->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    ColorQuad(-0.5f, -0.5f, 0.5f, 0.5f, 0.5f, 0xFFFFFFFF);
    EXPECT_TRUE(Near(Pixel(40, 24), {255, 255, 255}, 0));
    // Point fill: the corners only, one pixel each (D3DRS_POINTSIZE 1).
    dev_->SetRenderState(D3DRS_FILLMODE, D3DFILL_POINT);
    Clear(0xFF000000);
    ColorQuad(-0.5f, -0.5f, 0.5f, 0.5f, 0.5f, 0xFFFFFFFF);
    px = ReadBack();
    ASSERT_FALSE(px.empty());
    EXPECT_TRUE(lit(16, 16));
    EXPECT_TRUE(lit(48, 48));
    EXPECT_FALSE(lit(16, 32));
    EXPECT_FALSE(lit(18, 18));
}

TEST_F(DrawTest, PointSpritesGrowNearTheCameraAndAreTexturedAcross)
{
    SetPerspective(kPi / 2, 0.1f, 100.0f);
    dev_->SetRenderState(D3DRS_LIGHTING, FALSE);
    // Quadrants: red top-left, green top-right, blue bottom-left, white bottom-right.
    std::vector<uint32_t> q(16);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) q[y * 4 + x] = y < 2 ? (x < 2 ? 0xFFFF0000u : 0xFF00FF00u) : (x < 2 ? 0xFF0000FFu : 0xFFFFFFFFu);
    IDirect3DTexture9* tex = MakeTexture(4, 4, q);
    ASSERT_NE(tex, nullptr);
    dev_->SetTexture(0, tex);
    dev_->SetRenderState(D3DRS_POINTSPRITEENABLE, TRUE);
    dev_->SetRenderState(D3DRS_POINTSCALEENABLE, TRUE);
    dev_->SetRenderState(D3DRS_POINTSIZE, F(1.0f));
    dev_->SetRenderState(D3DRS_POINTSIZE_MIN, F(1.0f));
    dev_->SetRenderState(D3DRS_POINTSCALE_A, F(0.0f));
    dev_->SetRenderState(D3DRS_POINTSCALE_B, F(0.0f));
    dev_->SetRenderState(D3DRS_POINTSCALE_C, F(1.0f));
    Clear(0xFF000000);
    // Near sprite at screen x 24 (distance about 4.1), far one at x 40 (about 8.2).
    const ColorVertex pts[2] = {{-1.0f, 0.0f, 4.0f, kWhite}, {2.0f, 0.0f, 8.0f, kWhite}};
    dev_->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
    ASSERT_EQ(dev_->DrawPrimitiveUP(D3DPT_POINTLIST, 2, pts, sizeof(ColorVertex)), D3D_OK);
    auto px = ReadBack();
    ASSERT_FALSE(px.empty());
    auto width = [&](int x0, int x1) {
        int n = 0;
        for (int x = x0; x < x1; ++x) n += (px[32 * kSize + x] & 0xFFFFFF) != 0;
        return n;
    };
    const int nearW = width(0, 32), farW = width(33, 64);
    EXPECT_NEAR(nearW, 16, 2);  // 64 * 1 / 4.12
    EXPECT_NEAR(farW, 8, 2);    // 64 * 1 / 8.25
    // The whole texture spans the near sprite, top-left corner first.
    auto at = [&](int x, int y) { return px[(size_t)y * kSize + x] & 0xFFFFFF; };
    EXPECT_EQ(at(20, 28), 0xFF0000u);
    EXPECT_EQ(at(28, 28), 0x00FF00u);
    EXPECT_EQ(at(20, 36), 0x0000FFu);
    EXPECT_EQ(at(28, 36), 0xFFFFFFu);
    tex->Release();
}

TEST_F(DrawTest, TweenFactorHalfDrawsHalfwayBetweenKeyFrames)
{
    dev_->SetRenderState(D3DRS_LIGHTING, FALSE);
    dev_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    const D3DVERTEXELEMENT9 elements[] = {{0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
                                          {0, 12, D3DDECLTYPE_D3DCOLOR, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_COLOR, 0},
                                          {1, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 1},
                                          D3DDECL_END()};
    IDirect3DVertexDeclaration9* decl = nullptr;
    ASSERT_EQ(dev_->CreateVertexDeclaration(elements, &decl), D3D_OK);
    struct A {
        float x, y, z;
        DWORD c;
    } keyA[3] = {{-0.9f, 0.2f, 0.5f, 0xFFFFFF00}, {-0.5f, 0.2f, 0.5f, 0xFFFFFF00}, {-0.7f, -0.2f, 0.5f, 0xFFFFFF00}};
    struct B {
        float x, y, z;
    } keyB[3] = {{0.5f, 0.2f, 0.5f}, {0.9f, 0.2f, 0.5f}, {0.7f, -0.2f, 0.5f}};
    IDirect3DVertexBuffer9 *vbA = nullptr, *vbB = nullptr;
    ASSERT_EQ(dev_->CreateVertexBuffer(sizeof keyA, 0, 0, D3DPOOL_MANAGED, &vbA, nullptr), D3D_OK);
    ASSERT_EQ(dev_->CreateVertexBuffer(sizeof keyB, 0, 0, D3DPOOL_MANAGED, &vbB, nullptr), D3D_OK);
    void* p = nullptr;
    vbA->Lock(0, 0, &p, 0), memcpy(p, keyA, sizeof keyA), vbA->Unlock();
    vbB->Lock(0, 0, &p, 0), memcpy(p, keyB, sizeof keyB), vbB->Unlock();
    dev_->SetVertexDeclaration(decl);
    dev_->SetStreamSource(0, vbA, 0, sizeof(A));
    dev_->SetStreamSource(1, vbB, 0, sizeof(B));
    dev_->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_TWEENING);
    auto draw = [&](float t) {
        dev_->SetRenderState(D3DRS_TWEENFACTOR, F(t));
        Clear(0xFF000000);
        EXPECT_EQ(dev_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
        return ReadBack();
    };
    auto lit = [](const std::vector<uint32_t>& px, int x) { return (px[30 * kSize + x] & 0xFFFFFF) == 0xFFFF00u; };
    auto half = draw(0.5f);  // centred at clip x 0: pixel 32
    ASSERT_FALSE(half.empty());
    EXPECT_TRUE(lit(half, 32));
    EXPECT_FALSE(lit(half, 10));
    EXPECT_FALSE(lit(half, 54));
    auto start = draw(0.0f);  // key frame A: around pixel 10
    EXPECT_TRUE(lit(start, 10));
    EXPECT_FALSE(lit(start, 32));
    auto end = draw(1.0f);
    EXPECT_TRUE(lit(end, 54));
    dev_->SetStreamSource(0, nullptr, 0, 0);
    dev_->SetStreamSource(1, nullptr, 0, 0);
    dev_->SetVertexDeclaration(nullptr);
    vbA->Release();
    vbB->Release();
    decl->Release();
}

TEST_F(DrawTest, RenderTargetDrawnIntoIsThenUsedAsATexture)
{
    dev_->SetRenderState(D3DRS_LIGHTING, FALSE);
    IDirect3DTexture9* rt = nullptr;
    ASSERT_EQ(dev_->CreateTexture(32, 32, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &rt, nullptr), D3D_OK);
    IDirect3DSurface9 *rtSurface = nullptr, *back = nullptr;
    ASSERT_EQ(rt->GetSurfaceLevel(0, &rtSurface), D3D_OK);
    ASSERT_EQ(dev_->GetRenderTarget(0, &back), D3D_OK);
    ASSERT_EQ(dev_->SetRenderTarget(0, rtSurface), D3D_OK);
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0);
    dev_->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    ColorQuad(-1, 0, 0, 1, 0.5f, 0xFF0000FF);  // top-left quadrant blue
    ASSERT_EQ(dev_->SetRenderTarget(0, back), D3D_OK);
    Clear(0xFF000000);
    dev_->SetTexture(0, rt);
    TexQuad(dev_, -1, -1, 1, 1, 0.5f, 0xFFFFFFFF);
    auto px = ReadBack();
    ASSERT_FALSE(px.empty());
    auto at = [&](int x, int y) { return px[(size_t)y * kSize + x] & 0xFFFFFF; };
    EXPECT_EQ(at(16, 16), 0x0000FFu);
    EXPECT_EQ(at(48, 16), 0xFF0000u);
    EXPECT_EQ(at(16, 48), 0xFF0000u);
    EXPECT_EQ(at(48, 48), 0xFF0000u);
    dev_->SetTexture(0, nullptr);
    rtSurface->Release();
    back->Release();
    rt->Release();
}

TEST_F(DrawTest, IndexedDrawHonoursBaseVertexAndStartIndex)
{
    dev_->SetRenderState(D3DRS_LIGHTING, FALSE);
    const ColorVertex verts[8] = {
        {-1, 1, 0.5f, 0xFFFF0000}, {0, 1, 0.5f, 0xFFFF0000}, {0, 0, 0.5f, 0xFFFF0000}, {-1, 0, 0.5f, 0xFFFF0000},  // top-left
        {0, 0, 0.5f, 0xFF00FF00}, {1, 0, 0.5f, 0xFF00FF00}, {1, -1, 0.5f, 0xFF00FF00}, {0, -1, 0.5f, 0xFF00FF00},  // bottom-right
    };
    const WORD idx[9] = {9, 9, 9, 0, 1, 2, 0, 2, 3};
    IDirect3DVertexBuffer9* vb = nullptr;
    IDirect3DIndexBuffer9* ib = nullptr;
    ASSERT_EQ(dev_->CreateVertexBuffer(sizeof verts, D3DUSAGE_WRITEONLY, D3DFVF_XYZ | D3DFVF_DIFFUSE, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
    ASSERT_EQ(dev_->CreateIndexBuffer(sizeof idx, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr), D3D_OK);
    void* p = nullptr;
    vb->Lock(0, 0, &p, 0), memcpy(p, verts, sizeof verts), vb->Unlock();
    ib->Lock(0, 0, &p, 0), memcpy(p, idx, sizeof idx), ib->Unlock();
    dev_->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
    dev_->SetStreamSource(0, vb, 0, sizeof(ColorVertex));
    dev_->SetIndices(ib);
    Clear(0xFF000000);
    ASSERT_EQ(dev_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 4, 0, 4, 3, 2), D3D_OK);
    EXPECT_TRUE(Near(Pixel(48, 48), {0, 255, 0}, 0));
    EXPECT_TRUE(Near(Pixel(16, 16), {0, 0, 0}, 0));
    ASSERT_EQ(dev_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 3, 2), D3D_OK);
    EXPECT_TRUE(Near(Pixel(16, 16), {255, 0, 0}, 0));
    // Ranges beyond the buffers are refused.
    EXPECT_EQ(dev_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 6, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 6, 0, 4, 3, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev_->DrawPrimitive(D3DPT_TRIANGLELIST, 6, 1), D3DERR_INVALIDCALL);
    dev_->SetStreamSource(0, nullptr, 0, 0);
    dev_->SetIndices(nullptr);
    vb->Release();
    ib->Release();
}

TEST_F(DrawTest, TexCoordIndexPicksTheCoordinateSet)
{
    dev_->SetRenderState(D3DRS_LIGHTING, FALSE);
    // Left column red, right column green.
    IDirect3DTexture9* tex = MakeTexture(2, 1, {0xFFFF0000u, 0xFF00FF00u});
    ASSERT_NE(tex, nullptr);
    dev_->SetTexture(0, tex);
    dev_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    struct V {
        float x, y, z;
        DWORD c;
        float u0, v0, u1, v1;
    };
    // Set 0 samples the red texel, set 1 the green one.
    const V v[3] = {{-1, 1, 0.5f, kWhite, 0.25f, 0.5f, 0.75f, 0.5f},
                    {1, 1, 0.5f, kWhite, 0.25f, 0.5f, 0.75f, 0.5f},
                    {-1, -1, 0.5f, kWhite, 0.25f, 0.5f, 0.75f, 0.5f}};
    dev_->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX2);
    Clear(0xFF000000);
    ASSERT_EQ(dev_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, v, sizeof(V)), D3D_OK);
    EXPECT_TRUE(Near(Pixel(8, 8), {255, 0, 0}, 0));
    dev_->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 1);
    ASSERT_EQ(dev_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, v, sizeof(V)), D3D_OK);
    EXPECT_TRUE(Near(Pixel(8, 8), {0, 255, 0}, 0));
    tex->Release();
}

TEST_F(DrawTest, ColourWriteMaskKeepsMaskedChannels)
{
    dev_->SetRenderState(D3DRS_LIGHTING, FALSE);
    Clear(D3DCOLOR_XRGB(10, 20, 30));
    dev_->SetRenderState(D3DRS_COLORWRITEENABLE, D3DCOLORWRITEENABLE_GREEN);
    ColorQuad(-1, -1, 1, 1, 0.5f, D3DCOLOR_XRGB(200, 210, 220));
    EXPECT_TRUE(Near(Pixel(32, 32), {10, 210, 30}, 0));
    // The engine's "no colour" pass: blend ZERO, ONE leaves the frame as it is.
    dev_->SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
    dev_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    dev_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ZERO);
    dev_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    ColorQuad(-1, -1, 1, 1, 0.4f, D3DCOLOR_XRGB(255, 0, 255));
    EXPECT_TRUE(Near(Pixel(32, 32), {10, 210, 30}, 0));
}

TEST_F(DrawTest, SpotLightLightsInsideItsConeOnly)
{
    D3DMATERIAL9 m{};
    m.Diffuse = {1, 1, 1, 1};
    dev_->SetMaterial(&m);
    D3DLIGHT9 l{};
    l.Type = D3DLIGHT_SPOT;
    l.Diffuse = {1, 1, 1, 1};
    l.Position = {0, 0, 0};   // at the eye
    l.Direction = {0, 0, 1};  // straight ahead
    l.Range = 100;
    l.Attenuation0 = 1;
    l.Theta = 0.5f;  // inner half-angle 0.25: the centre quad's corners are at 0.14
    l.Phi = 0.8f;    // outer half-angle 0.4: the side quad is at 0.88
    l.Falloff = 1;
    dev_->SetLight(0, &l);
    dev_->LightEnable(0, TRUE);
    Clear(0xFF000000);
    // Small quads straight ahead (inside theta) and off to the side (outside phi).
    LitQuad(dev_, -0.05f, -0.05f, 0.05f, 0.05f, 0.5f);
    LitQuad(dev_, 0.6f, -0.05f, 0.7f, 0.05f, 0.5f);
    EXPECT_GT(ToRgb(Pixel(32, 32)).r, 240);
    EXPECT_TRUE(Near(Pixel(53, 32), {0, 0, 0}, 0));
    // Between the cones the light falls off: a quad at 0.3 from the axis.
    LitQuad(dev_, 0.15f, -0.02f, 0.17f, 0.02f, 0.5f);
    const int mid = ToRgb(Pixel(37, 32)).r;
    EXPECT_GT(mid, 10);
    EXPECT_LT(mid, 230);
}

TEST_F(DrawTest, SpecularHighlightIsAddedAfterTheStages)
{
    D3DMATERIAL9 m{};
    m.Diffuse = {0.2f, 0.2f, 0.2f, 1};
    m.Specular = {0, 0, 1, 1};
    m.Power = 1;
    dev_->SetMaterial(&m);
    D3DLIGHT9 l = {};
    l.Type = D3DLIGHT_DIRECTIONAL;
    l.Diffuse = {1, 1, 1, 1};
    l.Specular = {1, 1, 1, 1};
    l.Direction = {0, 0, 1};
    dev_->SetLight(0, &l);
    dev_->LightEnable(0, TRUE);
    Clear(0xFF000000);
    LitQuad(dev_, -1, -1, 1, 1, 0.5f);
    EXPECT_TRUE(Near(Pixel(32, 32), {51, 51, 51}, 2));  // specular off by default
    dev_->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
    LitQuad(dev_, -1, -1, 1, 1, 0.5f);
    const Rgb c = ToRgb(Pixel(32, 32));
    EXPECT_NEAR(c.r, 51, 2);
    EXPECT_GT(c.b, 240);  // N.H close to 1 in the middle of the view
}
