// Meshes and tween meshes as a person sees them: which subsets each pass
// draws, the blend of two key poses, the generated models, and what a mesh
// does with files it cannot use.
#include "device_fixture.h"

#include <qrn_d3d9_testctl.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <string>

#include "render/MaterialD3D9.h"
#include "render/MeshD3D9.h"
#include "render/TextureCache.h"
#include "render/TextureD3D9.h"
#include "render/TweenMeshD3D9.h"

namespace devobj {
namespace {

using namespace qrn;
using d3dtest::TempPath;

struct XMaterial {
    float r, g, b, a;     // face colour
    float er, eg, eb;     // emissive colour
    std::string texture;  // empty: none
};

struct XTriangle {
    float x[3], y[3];
    unsigned material;
};

std::string Num(float f) { return std::to_string(f); }

// A text .x file with one mesh: the triangles at z 0.5, texture coordinates
// 0..1 and one material list.
std::string MeshText(const std::vector<XTriangle>& tris, const std::vector<XMaterial>& materials)
{
    const size_t n = tris.size();
    std::string s = "xof 0303txt 0032\nMesh test {\n " + std::to_string(3 * n) + ";\n";
    for (size_t t = 0; t < n; ++t)
        for (int c = 0; c < 3; ++c)
            s += " " + Num(tris[t].x[c]) + ";" + Num(tris[t].y[c]) + ";0.5;" + (t + 1 == n && c == 2 ? ";\n" : ",\n");
    s += " " + std::to_string(n) + ";\n";
    for (size_t t = 0; t < n; ++t)
        s += " 3;" + std::to_string(3 * t) + "," + std::to_string(3 * t + 1) + "," + std::to_string(3 * t + 2) + ";" +
             (t + 1 == n ? ";\n" : ",\n");
    s += " MeshTextureCoords {\n  " + std::to_string(3 * n) + ";\n";
    for (size_t v = 0; v < 3 * n; ++v) s += std::string("  ") + (v % 3 == 1 ? "1.0;0.0;" : "0.0;1.0;") + (v + 1 == 3 * n ? ";\n" : ",\n");
    s += " }\n";
    if (!materials.empty()) {
        s += " MeshMaterialList {\n  " + std::to_string(materials.size()) + ";\n  " + std::to_string(n) + ";\n";
        for (size_t t = 0; t < n; ++t) s += "  " + std::to_string(tris[t].material) + (t + 1 == n ? ";\n" : ",\n");
        for (const XMaterial& m : materials) {
            s += "  Material {\n   " + Num(m.r) + ";" + Num(m.g) + ";" + Num(m.b) + ";" + Num(m.a) + ";;\n   4.0;\n";
            s += "   0.0;0.0;0.0;;\n   " + Num(m.er) + ";" + Num(m.eg) + ";" + Num(m.eb) + ";;\n";
            if (!m.texture.empty()) s += "   TextureFilename {\n    \"" + m.texture + "\";\n   }\n";
            s += "  }\n";
        }
        s += " }\n";
    }
    return s + "}\n";
}

std::string WriteX(const std::string& name, const std::vector<XTriangle>& tris, const std::vector<XMaterial>& materials)
{
    const std::string text = MeshText(tris, materials);
    return WriteBytes(name, std::vector<uint8_t>(text.begin(), text.end()));
}

// Two triangles covering x0..x1, y -0.5..0.5.
void AddQuad(std::vector<XTriangle>* tris, float x0, float x1, unsigned material)
{
    tris->push_back({{x0, x0, x1}, {-0.5f, 0.5f, 0.5f}, material});
    tris->push_back({{x0, x1, x1}, {-0.5f, 0.5f, -0.5f}, material});
}

// A small upright triangle centred at x.
XTriangle Marker(float x, unsigned material)
{
    return {{x - 0.2f, x, x + 0.2f}, {-0.3f, 0.3f, -0.3f}, material};
}

struct Rgb {
    int r, g, b;
};

class MeshPixelTest : public DeviceTest {
protected:
    void SetUp() override
    {
        DeviceTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        ClipSpaceStates();
    }
    void TearDown() override
    {
        DeviceTest::TearDown();
        d3d9::testctl::ResetAll();
    }

    // Positions are given in clip space: identity transforms all round.
    void ClipSpaceStates()
    {
        UseClipSpace();
        m_pDevice->SetClearColor(0, 0, 0);
    }

    // Clears to the clear colour, draws, and reads the picture back.
    template <class F>
    std::vector<uint32_t> Frame(F draw)
    {
        EXPECT_TRUE(m_pDevice->BeginRendering(true, true, false));
        draw();
        m_pDevice->EndRendering(false);
        return ReadBack(nullptr, nullptr);
    }

    // The pixel at clip-space x on the middle row.
    static Rgb At(const std::vector<uint32_t>& px, float clipX)
    {
        if (px.size() != size_t(kWindowWidth) * kWindowHeight) return {-1, -1, -1};
        const int x = static_cast<int>((clipX + 1.0f) * 0.5f * kWindowWidth);
        const uint32_t p = px[size_t(kWindowHeight / 2) * kWindowWidth + size_t(x)];
        return {int(p >> 16 & 0xFF), int(p >> 8 & 0xFF), int(p & 0xFF)};
    }
    static bool Black(Rgb c) { return c.r < 8 && c.g < 8 && c.b < 8; }

    // White pictures, fully opaque, as "<name>".
    static std::string WhitePicture(const std::string& name) { return WriteTga(name, 8, 8, Solid(8, 8, 0xFFFFFFFF)); }

    // Red opaque quad on the left; a half-transparent green quad textured
    // with "leaf.tga" in the middle; a half-transparent blue quad textured
    // with "leaf.TGA" (no alpha: not the lower-case extension) on the right.
    std::string ThreeSubsetFile()
    {
        WhitePicture("leaf.tga");
        WhitePicture("leaf.TGA");
        std::vector<XTriangle> tris;
        AddQuad(&tris, -0.9f, -0.4f, 0);
        AddQuad(&tris, -0.25f, 0.25f, 1);
        AddQuad(&tris, 0.4f, 0.9f, 2);
        const std::vector<XMaterial> materials = {{1, 1, 1, 1, 1, 0, 0, ""},
                                                  {1, 1, 1, 0.5f, 0, 1, 0, TempPath("leaf.tga")},
                                                  {1, 1, 1, 0.5f, 0, 0, 1, TempPath("leaf.TGA")}};
        return WriteX("three.x", tris, materials);
    }

    // The same triangle at x -0.6 (first pose) and 0.6 (second), yellow.
    void TweenFiles(std::string* first, std::string* second)
    {
        const XMaterial yellow{1, 1, 1, 1, 1, 1, 0, ""};
        *first = WriteX("poseA.x", {Marker(-0.6f, 0)}, {yellow});
        *second = WriteX("poseB.x", {Marker(0.6f, 0)}, {yellow});
    }

    // Where the blend of the tween files lands at each factor.
    void ExpectTweenPositions(ITweenMesh* tween)
    {
        for (float t : {0.0f, 0.5f, 1.0f}) {
            SCOPED_TRACE(t);
            const auto px = Frame([&] { EXPECT_TRUE(tween->Render(t, true, true)); });
            const float lit = -0.6f + 1.2f * t;
            const Rgb c = At(px, lit);
            EXPECT_GT(c.r, 200);
            EXPECT_GT(c.g, 200);
            for (float x : {-0.6f, 0.0f, 0.6f}) {
                if (std::fabs(x - lit) > 0.1f) {
                    EXPECT_TRUE(Black(At(px, x))) << x;
                }
            }
        }
    }
};

TEST_F(MeshPixelTest, EachPassDrawsItsSubsetsAndTgaNamesAloneGetAlpha)
{
    auto* mesh = Make<IMesh>(OBJECTTYPE_MESH);
    ASSERT_NE(mesh, nullptr);
    ASSERT_TRUE(mesh->LoadFromFile(ThreeSubsetFile().c_str()));
    auto* impl = static_cast<CMeshD3D9*>(mesh);
    ASSERT_EQ(impl->GetAttributeTable().size(), 3u);
    ASSERT_NE(impl->GetTexture(1), nullptr);
    ASSERT_NE(impl->GetTexture(2), nullptr);
    EXPECT_TRUE(impl->GetTexture(1)->HasAlpha());
    EXPECT_FALSE(impl->GetTexture(2)->HasAlpha());
    // The file's diffuse colour stands in for the missing ambient one.
    EXPECT_FLOAT_EQ(impl->GetMaterial(1)->GetD3DMaterial().Ambient.a, 0.5f);

    const auto opaque = Frame([&] { EXPECT_TRUE(mesh->Render(true, false)); });
    const Rgb red = At(opaque, -0.65f);
    EXPECT_GT(red.r, 240);  // emissive 1 + ambient 0.1
    EXPECT_NEAR(red.g, 26, 6);
    EXPECT_TRUE(Black(At(opaque, 0.0f)));  // the .tga subset waits for the transparent pass
    EXPECT_GT(At(opaque, 0.65f).b, 240);   // transparent material, opaque texture: both passes

    const auto transparent = Frame([&] { EXPECT_TRUE(mesh->Render(false, true)); });
    EXPECT_TRUE(Black(At(transparent, -0.65f)));
    const Rgb green = At(transparent, 0.0f);  // half over black
    EXPECT_NEAR(green.g, 128, 12);
    EXPECT_LT(green.r, 20);
    EXPECT_GT(At(transparent, 0.65f).b, 240);

}

TEST_F(MeshPixelTest, TweenFactorPlacesThePoseBetweenTheKeyPoses)
{
    std::string first, second;
    TweenFiles(&first, &second);
    auto* tween = Make<ITweenMesh>(OBJECTTYPE_TWEENMESH);
    ASSERT_NE(tween, nullptr);
    EXPECT_TRUE(static_cast<CTweenMeshD3D9*>(tween)->HasHardwareTweening());
    ASSERT_TRUE(tween->LoadFromFiles(first.c_str(), second.c_str()));
    ExpectTweenPositions(tween);
    EXPECT_EQ(RenderState(D3DRS_VERTEXBLEND), DWORD(D3DVBF_DISABLE));
    EXPECT_GT(At(Frame([&] { EXPECT_TRUE(tween->RenderSecond(true, true)); }), 0.6f).r, 200);

    // Texturing switched off by the user stays off after a tween draw.
    m_pDevice->SetTexturing(false);
    Frame([&] { tween->Render(0.5f, true, true); });
    EXPECT_FALSE(m_pDevice->IsTexturingEnabled());
    m_pDevice->SetTexturing(true);
    Frame([&] { tween->Render(0.5f, true, true); });
    EXPECT_TRUE(m_pDevice->IsTexturingEnabled());
}

TEST_F(MeshPixelTest, WithoutHardwareTweeningThePosesBlendInSoftware)
{
    d3d9::testctl::SetMissingCaps(d3d9::testctl::kNoTweening);
    m_pDevice = std::make_unique<CRenderDeviceD3D9>();
    ASSERT_TRUE(m_pDevice->InitWindowed(m_hWnd, m_hWnd, 0));
    ClipSpaceStates();

    std::string first, second;
    TweenFiles(&first, &second);
    auto* tween = Make<ITweenMesh>(OBJECTTYPE_TWEENMESH);
    auto* impl = static_cast<CTweenMeshD3D9*>(tween);
    EXPECT_FALSE(impl->HasHardwareTweening());
    ASSERT_TRUE(tween->LoadFromFiles(first.c_str(), second.c_str()));
    EXPECT_EQ(impl->GetFirst()->GetD3DXMesh()->GetOptions() & D3DXMESH_SOFTWAREPROCESSING,
              DWORD(D3DXMESH_SOFTWAREPROCESSING));
    ExpectTweenPositions(tween);
    EXPECT_FALSE(D3D()->GetSoftwareVertexProcessing());
}

TEST_F(MeshPixelTest, GeneratedTreeAndBirdsLoadAndDraw)
{
    auto* tree = Make<IMesh>(OBJECTTYPE_MESH);
    if (!tree->LoadFromFile("tree.x")) GTEST_SKIP() << "tree.x is not in the working folder (run in bin/)";
    auto* treeImpl = static_cast<CMeshD3D9*>(tree);
    ASSERT_EQ(treeImpl->GetAttributeTable().size(), 2u);
    ASSERT_NE(treeImpl->GetTexture(0), nullptr);
    ASSERT_NE(treeImpl->GetTexture(1), nullptr);
    EXPECT_FALSE(treeImpl->GetTexture(0)->HasAlpha());  // tr_bark.bmp
    EXPECT_TRUE(treeImpl->GetTexture(1)->HasAlpha());   // tr_leaves.tga
    Vector4 low, high;
    tree->GetBoundingBox(&low, &high);
    ASSERT_LT(low.y, high.y);
    ASSERT_LT(high.y - low.y, 1000.0f);

    // Scale the model into clip space, depth 0.25..0.75.
    auto fit = [&](const Vector4& lo, const Vector4& hi) {
        const float size = std::max({hi.x - lo.x, hi.y - lo.y, hi.z - lo.z});
        Matrix4x4 m;
        m.SetTranslation(-(lo.x + hi.x) / 2, -(lo.y + hi.y) / 2, -(lo.z + hi.z) / 2, true);
        Matrix4x4 s;
        s.SetScaling(1.8f / size, 1.8f / size, 0.5f / size, true);
        Matrix4x4 t;
        t.SetTranslation(0, 0, 0.5f, true);
        const Matrix4x4 world = m * s * t;
        m_pDevice->SetWorldMatrix(&world);
    };
    auto covered = [](const std::vector<uint32_t>& px) {
        size_t n = 0;
        for (uint32_t p : px) n += (p & 0xFFFFFF) != 0;
        return n;
    };
    fit(low, high);
    const size_t treePixels = covered(Frame([&] {
        EXPECT_TRUE(tree->Render(true, false));
        EXPECT_TRUE(tree->Render(false, true));
    }));
    EXPECT_GT(treePixels, size_t(kWindowWidth * kWindowHeight / 20));

    auto* bird = Make<ITweenMesh>(OBJECTTYPE_TWEENMESH);
    ASSERT_TRUE(bird->LoadFromFiles("BirdUP.x", "BirdDOWN.x"));
    auto* birdImpl = static_cast<CTweenMeshD3D9*>(bird);
    Vector4 upLow, upHigh, downLow, downHigh;
    birdImpl->GetFirst()->GetBoundingBox(&upLow, &upHigh);
    birdImpl->GetSecond()->GetBoundingBox(&downLow, &downHigh);
    EXPECT_GT(upHigh.y, downHigh.y);  // wings raised, then lowered
    fit(upLow, upHigh);
    const auto up = Frame([&] { EXPECT_TRUE(bird->Render(0.0f, true, true)); });
    const auto down = Frame([&] { EXPECT_TRUE(bird->Render(1.0f, true, true)); });
    EXPECT_GT(covered(up), size_t(200));
    EXPECT_GT(covered(down), size_t(200));
    EXPECT_NE(up, down);
}

TEST_F(MeshPixelTest, FilesThatCannotBeUsedLeaveAnEmptyMeshThatDrawsNothing)
{
    auto expectEmpty = [](IMesh* mesh) {
        Vector4 low(1, 2, 3, 4), high(5, 6, 7, 8);
        mesh->GetBoundingBox(&low, &high);
        EXPECT_EQ(low.x, FLT_MAX);
        EXPECT_EQ(low.z, FLT_MAX);
        EXPECT_EQ(high.y, FLT_MIN);
        EXPECT_EQ(high.w, 1.0f);
        EXPECT_FALSE(mesh->Render(true, true));
    };
    auto* mesh = Make<IMesh>(OBJECTTYPE_MESH);
    expectEmpty(mesh);  // before any load
    EXPECT_FALSE(mesh->LoadFromFile(TempPath("missing.x").c_str()));
    expectEmpty(mesh);
    EXPECT_FALSE(mesh->LoadFromFile(nullptr));
    const std::string bad = "xof 0303txt 0032\nMesh m {\n 3;\n 0;0;0;,\n 1;0;0;,\n";
    EXPECT_FALSE(mesh->LoadFromFile(WriteBytes("cut.x", std::vector<uint8_t>(bad.begin(), bad.end())).c_str()));
    expectEmpty(mesh);

    // A second load frees the first one's textures and subsets.
    ASSERT_TRUE(mesh->LoadFromFile(ThreeSubsetFile().c_str()));
    CTextureCache* cache = m_pDevice->GetTextureCache();
    EXPECT_EQ(cache->GetUseCount(TempPath("leaf.tga").c_str()), 1u);
    std::vector<XTriangle> one;
    AddQuad(&one, 0.4f, 0.9f, 0);
    ASSERT_TRUE(mesh->LoadFromFile(WriteX("one.x", one, {{1, 1, 1, 1, 1, 0, 1, ""}}).c_str()));
    EXPECT_EQ(cache->GetUseCount(TempPath("leaf.tga").c_str()), 0u);
    EXPECT_EQ(cache->GetUseCount(TempPath("leaf.TGA").c_str()), 0u);
    const auto px = Frame([&] { EXPECT_TRUE(mesh->Render(true, true)); });
    EXPECT_TRUE(Black(At(px, -0.65f)));
    EXPECT_TRUE(Black(At(px, 0.0f)));
    EXPECT_GT(At(px, 0.65f).b, 240);
    EXPECT_GT(At(px, 0.65f).r, 240);
    // A failed load after a good one leaves nothing of the good one.
    EXPECT_FALSE(mesh->LoadFromFile(TempPath("missing.x").c_str()));
    expectEmpty(mesh);

    // No material list: loads, draws nothing, still knows its box.
    std::vector<XTriangle> bare;
    AddQuad(&bare, -0.5f, 0.25f, 0);
    ASSERT_TRUE(mesh->LoadFromFile(WriteX("bare.x", bare, {}).c_str()));
    EXPECT_TRUE(Black(At(Frame([&] { EXPECT_TRUE(mesh->Render(true, true)); }), 0.0f)));
    Vector4 low, high;
    mesh->GetBoundingBox(&low, &high);
    EXPECT_FLOAT_EQ(low.x, -0.5f);
    EXPECT_FLOAT_EQ(high.x, 0.25f);
    EXPECT_FLOAT_EQ(high.y, 0.5f);
    EXPECT_FLOAT_EQ(low.z, 0.5f);

    // Key poses of different sizes: no blend, each pose still drawn alone.
    auto* tween = Make<ITweenMesh>(OBJECTTYPE_TWEENMESH);
    EXPECT_FALSE(tween->Render(0.5f, true, true));  // nothing loaded
    std::string first, second;
    TweenFiles(&first, &second);
    EXPECT_FALSE(tween->LoadFromFiles(first.c_str(), TempPath("one.x").c_str()));
    EXPECT_FALSE(tween->Render(0.5f, true, true));
    EXPECT_GT(At(Frame([&] { EXPECT_TRUE(tween->RenderFirst(true, true)); }), -0.6f).r, 200);
    EXPECT_FALSE(tween->LoadFromFiles(first.c_str(), TempPath("missing.x").c_str()));
    EXPECT_FALSE(tween->Render(0.5f, true, true));
    EXPECT_FALSE(tween->RenderSecond(true, true));
}

}  // namespace
}  // namespace devobj
