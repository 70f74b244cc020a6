// Particle systems and birds on screen: sprites carry their texture, a
// fireball's light brightens the ground beneath it and goes out with the
// fire, and a bird is drawn with its wings spread until it lies dead.
#include <algorithm>
#include <vector>

#include "Flock.h"
#include "ParticleSystem.h"
#include "RenderDeviceObjects.h"
#include "pixel_fixture.h"

namespace scenepx {
namespace {

using qrn::Matrix4x4;
using qrn::Vector4;

class LifePixels : public SceneDeviceTest {
protected:
    // Opens a frame on black with the view set and no world transform.
    void Open(const Matrix4x4& view) {
        m_pDevice->SetClearColor(0, 0, 0);
        ASSERT_TRUE(m_pDevice->BeginRendering(true, true, true));
        m_pDevice->SetViewMatrix(&view);
        m_pDevice->SetWorldMatrix(nullptr);
    }
    void DrawParticles(qrngu::IParticleSystem& ps) {
        m_pDevice->SetPrimitiveType(qrn::PRIMITIVE_POINTSPRITES);
        EXPECT_TRUE(ps.Render());
        m_pDevice->SetPrimitiveType(qrn::PRIMITIVE_TRIANGLELIST);
    }
    void Close() {
        m_pDevice->EndRendering(false);
        ASSERT_TRUE(Grab());
    }
};

// A sprite shows its whole picture, upright: quadrants red, green (top),
// blue, white (bottom).
TEST_F(LifePixels, RainDropsAreTexturedSprites) {
    std::vector<uint32_t> px(16 * 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            px[y * 16 + x] = y < 8 ? (x < 8 ? 0xFF0000u : 0x00FF00u) : (x < 8 ? 0x0000FFu : 0xFFFFFFu);
    qrngu::IParticleSystem rain;
    ASSERT_TRUE(rain.Init(100, Vector4(0, 0, 0, 1), true, nullptr, m_pDevice.get()));
    ASSERT_TRUE(rain.SetTexture(d3dtest::WriteBmp("quadrants.bmp", 16, 16, px).c_str()));
    rain.SetParticleData(10.0f, 4.0f);  // 120 x 4 / 10 = 48 pixels across at distance 10
    rain.SetVelocity(Vector4(0, 0, 0, 1), 0.0f);
    rain.SetReleaseRate(1, 0.0f);
    rain.Emit();
    rain.Update(0.0f);

    Open(LookAt(0, 0, -10, 0, 0, 0, 0, 1, 0));
    DrawParticles(rain);
    Close();
    const int cx = kWidth / 2, cy = kHeight / 2, q = 12;
    const Rgb tl = Mean(cx - q - 4, cy - q - 4, cx - q + 4, cy - q + 4);
    const Rgb tr = Mean(cx + q - 4, cy - q - 4, cx + q + 4, cy - q + 4);
    const Rgb bl = Mean(cx - q - 4, cy + q - 4, cx - q + 4, cy + q + 4);
    const Rgb br = Mean(cx + q - 4, cy + q - 4, cx + q + 4, cy + q + 4);
    EXPECT_GT(tl.r, 200);
    EXPECT_LT(tl.g + tl.b, 40);
    EXPECT_GT(tr.g, 200);
    EXPECT_LT(tr.r + tr.b, 40);
    EXPECT_GT(bl.b, 200);
    EXPECT_LT(bl.r + bl.g, 40);
    EXPECT_GT(br.Sum(), 600);
    // The sprite ends about 24 pixels from its centre.
    EXPECT_LT(At(cx - 34, cy).Sum(), 20);
    EXPECT_LT(At(cx + 34, cy).Sum(), 20);
    EXPECT_LT(At(cx, cy - 34).Sum(), 20);
}

// A level, lit grid of 21 x 21 points with upward normals, white material.
class Ground {
public:
    explicit Ground(qrn::IRenderDevice* dev) : m_pDevice(dev) {
        m_pMaterial = static_cast<qrn::IMaterial*>(dev->CreateObject(qrn::OBJECTTYPE_MATERIAL));
        m_pMaterial->SetDiffuse(1, 1, 1, 1);
        m_pMaterial->SetAmbient(1, 1, 1, 1);
        auto add = [&](float x, float z) { m_Vertices.insert(m_Vertices.end(), {x, 0, z, 0, 1, 0}); };
        for (int j = 0; j < 20; ++j)
            for (int i = 0; i < 20; ++i) {
                const float x = float(i - 10), z = float(j - 10);
                add(x, z), add(x, z + 1), add(x + 1, z);
                add(x + 1, z), add(x, z + 1), add(x + 1, z + 1);
            }
    }
    ~Ground() { delete m_pMaterial; }
    void Draw() {
        m_pDevice->SetTexturing(false);
        m_pDevice->SetCullMode(qrn::CULLMODE_NONE);
        m_pMaterial->Apply();
        EXPECT_TRUE(m_pDevice->DrawUserPrimitives(m_Vertices.data(), unsigned(m_Vertices.size() / 6),
                                                  qrn::VERTEXFORMAT_XYZ_NORMAL));
        m_pDevice->SetTexturing(true);
    }

private:
    qrn::IRenderDevice* m_pDevice;
    qrn::IMaterial* m_pMaterial;
    std::vector<float> m_Vertices;
};

TEST_F(LifePixels, FireballLightBrightensTheGroundBeneathItUntilItDies) {
    Ground ground(m_pDevice.get());
    qrngu::IParticleSystem fire;
    ASSERT_TRUE(fire.Init(30, Vector4(4, 2, 4, 1), true, nullptr, m_pDevice.get()));
    fire.SetParticleData(1.7f, 0.4f);
    fire.SetVelocity(Vector4(0, 0, 0, 1), 0.0f);
    fire.SetReleaseRate(5, 0.0f);
    fire.SetRegionDimension(Vector4(0.5f, 0.5f, 0.5f, 1));
    qrn::SLight light{};
    light.type = 1;
    light.diffuse[0] = light.diffuse[1] = light.diffuse[2] = 1.0f;
    light.range = 50.0f;
    light.attenuation0 = 0.5f;
    light.attenuation1 = 0.01f;
    light.attenuation2 = 0.001f;
    fire.SetLightEffect(1, light);

    // Looking straight down; screen right is +x, screen up is +z.
    const Matrix4x4 view = LookAt(0, 30, 0, 0, 0, 0, 0, 0, 1);
    const int cx = kWidth / 2, cy = kHeight / 2;
    const int px = int(4.0f / 30 * kHeight / (2 * 0.4227f));  // pixels per 4 units at distance 30
    auto groundFrame = [&](bool withFire) {
        Open(view);
        ground.Draw();
        if (withFire) DrawParticles(fire);
        Close();
    };
    auto under = [&] { return Mean(cx + px - 3, cy - px - 3, cx + px + 3, cy - px + 3).Sum(); };
    auto across = [&] { return Mean(cx - px - 3, cy + px - 3, cx - px + 3, cy + px + 3).Sum(); };

    groundFrame(false);
    const int dark = under();
    EXPECT_LT(dark, 20);

    fire.Emit();
    fire.Update(0.05f);
    groundFrame(true);  // the fire sets its light on its way out of the frame
    groundFrame(false);
    const int lit = under();
    EXPECT_GT(lit, dark + 150);
    EXPECT_GT(lit, across() + 40);  // brightest beneath the fire

    // Burnt out: the next draw switches the light off again.
    fire.SetParticleData(0.0f, 0.4f);
    fire.Update(0.05f);
    fire.Update(0.05f);
    groundFrame(true);
    groundFrame(false);
    EXPECT_LT(under(), dark + 10);
}

TEST_F(LifePixels, BirdIsDrawnWithWingsSpreadUntilItLiesDead) {
    qrngu::IFlock flock;
    // An area of extent below 1: the bird starts at (0, 0.5, 0).
    if (!flock.SetData(m_pDevice.get(), 1, Vector4(-0.5f, 0, -0.5f, 1), Vector4(0.5f, 0.5f, 0.5f, 1)))
        GTEST_SKIP() << "BirdUP.x and BirdDOWN.x are not in the working folder (run in bin/)";
    const Vector4 goal(0, 0.5f, 1000, 1);
    flock.SetGoal(&goal);
    flock.Update(0.0f);  // posed, heading along +z (up the screen), not moved

    // Seen from above: the covered pixels and the box round them.
    int left = kWidth, right = -1, top = kHeight, bottom = -1;
    auto frame = [&] {
        Open(LookAt(0, 4.5f, 0, 0, 0.5f, 0, 0, 0, 1));
        EXPECT_TRUE(flock.Render());
        Close();
        int covered = 0;
        left = kWidth, right = -1, top = kHeight, bottom = -1;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                if (At(x, y).Sum() > 24) {
                    ++covered;
                    left = std::min(left, x), right = std::max(right, x);
                    top = std::min(top, y), bottom = std::max(bottom, y);
                }
        return covered;
    };
    EXPECT_GT(frame(), 150);
    EXPECT_GT(2 * (right - left), 3 * (bottom - top));  // wings across the heading
    EXPECT_NEAR((left + right) / 2, kWidth / 2, 6);
    // The yellow beak points the way it flies: up the screen.
    int beak = 0, beakRow = 0;
    for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x) {
            const Rgb c = At(x, y);
            if (c.Sum() > 24 && c.r > c.b + 25) ++beak, beakRow = std::max(beakRow, y);
        }
    EXPECT_GT(beak, 0);
    EXPECT_LT(beakRow, (top + bottom) / 2);

    // Hit, it falls to the floor of its area and is no longer drawn.
    EXPECT_TRUE(flock.CheckCollisions(Vector4(0, 0.5f, 0, 1)));
    for (int i = 0; i < 10; ++i) flock.Update(0.5f);
    EXPECT_EQ(frame(), 0);
}

}  // namespace
}  // namespace scenepx
