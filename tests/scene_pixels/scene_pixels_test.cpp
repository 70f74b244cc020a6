// What a person would see of the terrain, the sea and the sky: drawn by the
// real device (software OpenGL) and read back.
#include <cmath>
#include <cstdlib>

#include "Heightmap.h"
#include "SkyBox.h"
#include "Waterplane.h"
#include "pixel_fixture.h"

namespace scenepx {
namespace {

using qrn::Matrix4x4;
using qrn::Vector4;

// A 33 x 33 height file with a ridge along z at x = 16: the left half rises
// towards +x, the right half falls.
std::string RidgeFile() {
    std::vector<unsigned char> b(33 * 33);
    for (unsigned j = 0; j < 33; ++j)
        for (unsigned i = 0; i < 33; ++i) b[i + j * 33] = static_cast<unsigned char>(60 - 3 * std::abs(int(i) - 16));
    return WriteBytes("ridge.raw", b);
}

class ScenePixels : public SceneDeviceTest {};

// The light record a caller would give the sun at angle a over the x axis
// (the direction the scene's downward normals are lit from).
qrn::SLight Sun(float x, float y) {
    qrn::SLight l{};
    l.type = 0;
    l.diffuse[0] = l.diffuse[1] = l.diffuse[2] = 1.0f;
    const float n = std::sqrt(x * x + y * y);
    l.direction.Set(x / n, y / n, 0, 1);
    return l;
}

TEST_F(ScenePixels, TerrainSlopesFacingTheLightAreBrighter) {
    qrngu::IHeightmap terrain;
    ASSERT_TRUE(terrain.SetData(RidgeFile().c_str(), 33, 33, 0.5f, 1, 1, Vector4(), m_pDevice.get()));
    // Looking straight down on the ridge; screen right is +x.
    const Matrix4x4 view = LookAt(16, 60, 16, 16, 0, 16, 0, 0, 1);
    const Vector4 eye(16, 60, 16, 1), down(0, -1, 0, 1);
    terrain.UpdatePlayer(eye, down);

    Rgb left[2], right[2];
    const float sides[2] = {1.0f, -1.0f};  // light towards +x, then towards -x
    for (int k = 0; k < 2; ++k) {
        const Vector4 dir(sides[k], 1, 0, 1);
        ASSERT_TRUE(terrain.SetLight(dir, 255, 255, 255));
        m_pDevice->SetClearColor(0, 0, 0);
        ASSERT_TRUE(m_pDevice->BeginRendering(true, true, true));
        m_pDevice->SetViewMatrix(&view);
        m_pDevice->SetWorldMatrix(nullptr);
        m_pDevice->SetTexturing(false);
        ASSERT_TRUE(terrain.Render(false, true));
        m_pDevice->EndRendering(false);
        ASSERT_TRUE(Grab());
        left[k] = Mean(kWidth / 2 - 30, kHeight / 2 - 10, kWidth / 2 - 8, kHeight / 2 + 10);
        right[k] = Mean(kWidth / 2 + 8, kHeight / 2 - 10, kWidth / 2 + 30, kHeight / 2 + 10);
    }
    // Something was drawn, and the side facing the light is clearly brighter.
    EXPECT_GT(left[0].Sum() + right[0].Sum(), 60);
    EXPECT_GT(right[0].Sum(), left[0].Sum() + 30) << "light towards +x";
    EXPECT_GT(left[1].Sum(), right[1].Sum() + 30) << "light towards -x";
    // Mirrored light, mirrored picture.
    EXPECT_NEAR(right[0].Sum(), left[1].Sum(), 12);
}

TEST_F(ScenePixels, SeaAddsToWhatLiesBeneath) {
    qrngu::IWaterplane sea;
    ASSERT_TRUE(sea.SetData(33, 33, 1.0f, 10.0f, 1, 1, Vector4(), m_pDevice.get()));
    ASSERT_TRUE(sea.SetTexture(WriteSolidBmp("water.bmp", 8, 8, 0x2050C8).c_str(), 0, 0));
    const Matrix4x4 view = LookAt(16, 30, 16, 16, 0, 16, 0, 0, 1);
    sea.UpdatePlayer(Vector4(16, 30, 16, 1), Vector4(0, -1, 0, 1));
    const qrn::SLight sun = Sun(0, 1);  // lights the downward normals fully

    auto frame = [&](uint8_t r, uint8_t g, uint8_t b, bool water) {
        m_pDevice->SetClearColor(r, g, b);
        EXPECT_TRUE(m_pDevice->BeginRendering(true, true, true));
        m_pDevice->SetViewMatrix(&view);
        m_pDevice->SetLight(0, &sun);
        if (water) {
            Matrix4x4 lift;
            lift.SetTranslation(0, 5, 0, true);
            m_pDevice->SetWorldMatrix(&lift);
            EXPECT_TRUE(sea.Render(true, true));
            m_pDevice->SetWorldMatrix(nullptr);
        }
        m_pDevice->EndRendering(false);
        EXPECT_TRUE(Grab());
        return Mean(kWidth / 2 - 10, kHeight / 2 - 10, kWidth / 2 + 10, kHeight / 2 + 10);
    };
    const Rgb ground = frame(90, 60, 30, false);
    const Rgb alone = frame(0, 0, 0, true);
    const Rgb over = frame(90, 60, 30, true);
    EXPECT_GT(alone.Sum(), 40);  // the sea itself shows
    // Additive: beneath + sea, each channel.
    EXPECT_NEAR(over.r, std::min(255, ground.r + alone.r), 4);
    EXPECT_NEAR(over.g, std::min(255, ground.g + alone.g), 4);
    EXPECT_NEAR(over.b, std::min(255, ground.b + alone.b), 4);
    EXPECT_GT(over.Sum(), ground.Sum() + 30);
}

TEST_F(ScenePixels, SkyBoxSurroundsTheCameraInEveryDirection) {
    // Six pictures of six colours; each view direction must see only its face
    // in the middle and sky (never the clear colour) everywhere.
    struct Face { const char* suffix; uint32_t rgb; float dx, dy, dz; float ux, uy, uz; };
    const Face faces[6] = {
        {"_front", 0xFF2020, 0, 0, 1, 0, 1, 0},  {"_back", 0x20FF20, 0, 0, -1, 0, 1, 0},
        {"_right", 0x2020FF, 1, 0, 0, 0, 1, 0},  {"_left", 0xFFFF20, -1, 0, 0, 0, 1, 0},
        {"_up", 0xFF20FF, 0, 1, 0, 0, 0, 1},     {"_down", 0x20FFFF, 0, -1, 0, 0, 0, 1},
    };
    for (const Face& f : faces) WriteSolidBmp(std::string("sky") + f.suffix + ".bmp", 8, 8, f.rgb);
    qrngu::ISkyBox sky;
    ASSERT_TRUE(sky.SetData(Vector4(-460, -460, -460, 1), Vector4(460, 460, 460, 1), 0xFFFFFFFFu, 0xFFFFFFFFu,
                            TempPath("sky").c_str(), ".bmp", m_pDevice.get()));
    // The camera is somewhere on the island; the box follows it.
    const float cx = 128, cy = 15, cz = 148;
    Matrix4x4 world;
    world.SetTranslation(cx, cy, cz, true);
    for (const Face& f : faces) {
        const Matrix4x4 view = LookAt(cx, cy, cz, cx + f.dx, cy + f.dy, cz + f.dz, f.ux, f.uy, f.uz);
        m_pDevice->SetClearColor(0, 0, 0);
        ASSERT_TRUE(m_pDevice->BeginRendering(true, true, true));
        m_pDevice->SetViewMatrix(&view);
        m_pDevice->SetWorldMatrix(&world);
        m_pDevice->SetDepthBufferMode(qrn::DEPTHBUFFER_OFF);
        ASSERT_TRUE(sky.Render());
        m_pDevice->SetDepthBufferMode(qrn::DEPTHBUFFER_READWRITE);
        m_pDevice->EndRendering(false);
        ASSERT_TRUE(Grab());
        const Rgb mid = At(kWidth / 2, kHeight / 2);
        const Rgb want{int(f.rgb >> 16), int((f.rgb >> 8) & 0xff), int(f.rgb & 0xff)};
        EXPECT_NEAR(mid.r, want.r, 24) << f.suffix;
        EXPECT_NEAR(mid.g, want.g, 24) << f.suffix;
        EXPECT_NEAR(mid.b, want.b, 24) << f.suffix;
        int uncovered = 0;
        for (unsigned y = 0; y < m_uHeight; ++y)
            for (unsigned x = 0; x < m_uWidth; ++x) uncovered += At(int(x), int(y)).Sum() < 30;
        EXPECT_EQ(uncovered, 0) << f.suffix;
    }
}

TEST_F(ScenePixels, SkyIntensityDarkensTheColouredBox) {
    qrngu::ISkyBox sky;
    ASSERT_TRUE(sky.SetData(Vector4(-10, -10, -10, 1), Vector4(10, 10, 10, 1), 0xFF0000FFu, 0xFFFF0000u,
                            m_pDevice.get()));
    const Matrix4x4 up = LookAt(0, 0, 0, 0, 1, 0, 0, 0, 1), down = LookAt(0, 0, 0, 0, -1, 0, 0, 0, 1);
    auto shot = [&](const Matrix4x4& view) {
        m_pDevice->SetClearColor(0, 255, 0);
        EXPECT_TRUE(m_pDevice->BeginRendering(true, true, true));
        m_pDevice->SetViewMatrix(&view);
        m_pDevice->SetWorldMatrix(nullptr);
        m_pDevice->SetTexturing(false);
        EXPECT_TRUE(sky.Render());
        m_pDevice->EndRendering(false);
        EXPECT_TRUE(Grab());
        return At(kWidth / 2, kHeight / 2);
    };
    const Rgb top = shot(up), bottom = shot(down);
    EXPECT_GT(top.b, 230);
    EXPECT_LT(top.r, 20);
    EXPECT_GT(bottom.r, 230);
    EXPECT_LT(bottom.b, 20);
    EXPECT_LT(top.g + bottom.g, 20);  // no clear colour anywhere we look
    sky.SetLightIntensity(0.5f);
    const Rgb dim = shot(up);
    EXPECT_NEAR(dim.b, 127, 6);
}

}  // namespace
}  // namespace scenepx
