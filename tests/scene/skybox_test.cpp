// The sky box: the vertex table, colours and intensity, the pictures and
// their failure, and the draws.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <type_traits>

#include "SkyBox.h"
#include "fake_device.h"
#include "scene/SkyBoxImpl.h"

using qrn::Vector4;
using qrngu::CSkyBox;
using qrngu::ISkyBox;
using qrngu::SSkyVertex;

static_assert(!std::is_copy_constructible_v<ISkyBox>);

namespace {
const Vector4 kMin(-460, -460, -460, 1), kMax(460, 460, 460, 1);
constexpr std::uint32_t kBlue = 0xFF0000FFu, kRed = 0xFFFF0000u;
}  // namespace

TEST(SkyBox, TableFollowsTheFacesAndGradient) {
    fake::Device dev;
    CSkyBox sky;
    ASSERT_TRUE(sky.SetData(Vector4(-1, -2, -3, 1), Vector4(4, 5, 6, 1), kBlue, kRed, &dev));
    const SSkyVertex* v = sky.GetDrawVertices();
    // Each face: all six vertices on its plane.
    struct { int axis; float value; } planes[6] = {{2, 6}, {0, 4}, {2, -3}, {0, -1}, {1, -2}, {1, 5}};
    for (int f = 0; f < 6; ++f)
        for (int k = 0; k < 6; ++k) {
            const SSkyVertex& p = v[f * 6 + k];
            const float c[3] = {p.x, p.y, p.z};
            EXPECT_EQ(c[planes[f].axis], planes[f].value) << "face " << f << " vertex " << k;
        }
    // Gradient: top colour at maximum y, bottom at minimum y.
    for (int k = 0; k < 36; ++k) EXPECT_EQ(v[k].color, v[k].y == 5 ? kBlue : kRed);
    for (int k = 24; k < 30; ++k) EXPECT_EQ(v[k].color, kRed);   // down
    for (int k = 30; k < 36; ++k) EXPECT_EQ(v[k].color, kBlue);  // up
    // Spot checks against the table.
    EXPECT_EQ(v[0].x, -1.0f);  // front (x0, y0, z1; 0, 1)
    EXPECT_EQ(v[0].u, 0.0f);
    EXPECT_EQ(v[0].v, 1.0f);
    EXPECT_EQ(v[14].x, -1.0f);  // back, third: (x0, y1, z0; 1, 0)
    EXPECT_EQ(v[14].y, 5.0f);
    EXPECT_EQ(v[14].u, 1.0f);
    EXPECT_EQ(v[31].x, 4.0f);  // up, second: (x1, y1, z1; 1, 1)
    EXPECT_EQ(v[31].z, 6.0f);
    EXPECT_EQ(v[31].v, 1.0f);
    // Every face covers its whole rectangle: its six texture coordinates
    // span the unit square and its two triangles have equal area.
    for (int f = 0; f < 6; ++f) {
        float umin = 1, umax = 0, vmin = 1, vmax = 0;
        for (int k = 0; k < 6; ++k) {
            umin = std::min(umin, v[f * 6 + k].u);
            umax = std::max(umax, v[f * 6 + k].u);
            vmin = std::min(vmin, v[f * 6 + k].v);
            vmax = std::max(vmax, v[f * 6 + k].v);
        }
        EXPECT_EQ(umin + vmin, 0.0f);
        EXPECT_EQ(umax + vmax, 2.0f);
    }
}

TEST(SkyBox, IntensityScalesTruncatesClampsAndMakesOpaque) {
    fake::Device dev;
    CSkyBox sky;
    ASSERT_TRUE(sky.SetData(kMin, kMax, 0x80FF7F01u, 0xFFC8C8C8u, &dev));
    EXPECT_EQ(sky.GetDrawVertices()[1].color, 0x80FF7F01u);  // alpha kept right after SetData
    sky.SetLightIntensity(0.5f);
    EXPECT_EQ(sky.GetDrawVertices()[1].color, 0xFF7F3F00u);  // 127, 63, 0, opaque
    sky.SetLightIntensity(0.1f);
    const std::uint32_t at01 = sky.GetDrawVertices()[0].color;
    sky.SetLightIntensity(0.3f);
    EXPECT_EQ(sky.GetDrawVertices()[0].color, at01);
    EXPECT_EQ(at01, 0xFF3C3C3Cu);  // 200 * 0.3 = 60
    sky.SetLightIntensity(std::nanf(""));
    EXPECT_EQ(sky.GetDrawVertices()[0].color, 0xFF3C3C3Cu);
    sky.SetLightIntensity(2.0f);  // clamped at full brightness per channel
    EXPECT_EQ(sky.GetDrawVertices()[1].color, 0xFFFFFE02u);
    sky.SetLightIntensity(1e30f);
    EXPECT_EQ(sky.GetDrawVertices()[1].color, 0xFFFFFFFFu);
    sky.SetColor(0x10203040u, 0x10203040u);
    EXPECT_EQ(sky.GetDrawVertices()[5].color, 0xFF203040u);  // alpha 255 after SetColor
}

TEST(SkyBox, RecolouringBeforeSetDataUsesTheDefaultBox) {
    CSkyBox sky;
    sky.SetLightIntensity(0.5f);
    EXPECT_EQ(sky.GetDrawVertices()[0].color, 0xFF7F7F7Fu);
    sky.SetColor(kBlue, kRed);
    EXPECT_EQ(std::fabs(sky.GetDrawVertices()[7].x), 1.0f);
    EXPECT_FALSE(sky.Render());  // no device
}

TEST(SkyBox, LoadsSixPicturesInOrderAndDrawsSixFaces) {
    fake::Device dev;
    ISkyBox sky;
    ASSERT_TRUE(sky.SetData(kMin, kMax, 0xFFFFFFFFu, 0xFFFFFFFFu, "tr_skybox", ".jpg", &dev));
    std::vector<std::string> loads;
    for (const auto& l : dev.log.lines)
        if (l.rfind("LoadFromFile ", 0) == 0) loads.push_back(l.substr(13));
    EXPECT_EQ(loads, (std::vector<std::string>{"tr_skybox_front.jpg", "tr_skybox_right.jpg",
                                               "tr_skybox_back.jpg", "tr_skybox_left.jpg",
                                               "tr_skybox_up.jpg", "tr_skybox_down.jpg"}));
    dev.log.lines.clear();
    ASSERT_TRUE(sky.Render());
    EXPECT_EQ(dev.log.Count("DrawUserPrimitives 6 2"), 6);
    EXPECT_EQ(dev.log.Count("BeginRendering"), 1);
    EXPECT_EQ(dev.log.Count("EndRendering"), 1);
    EXPECT_EQ(dev.log.Count("SetCullMode 2"), 1);
    std::vector<std::string> order;
    for (const auto& l : dev.log.lines)
        if (l.rfind("Texture.Apply ", 0) == 0) order.push_back(l);
    EXPECT_EQ(order, (std::vector<std::string>{
                         "Texture.Apply tr_skybox_front.jpg 0 0 2 2", "Texture.Apply tr_skybox_right.jpg 0 0 2 2",
                         "Texture.Apply tr_skybox_back.jpg 0 0 2 2", "Texture.Apply tr_skybox_left.jpg 0 0 2 2",
                         "Texture.Apply tr_skybox_down.jpg 0 0 2 2", "Texture.Apply tr_skybox_up.jpg 0 0 2 2"}));
    // Each face draw carries that face's six vertices.
    ASSERT_EQ(dev.userDraws.size(), 6u);
    const auto* down = reinterpret_cast<const SSkyVertex*>(dev.userDraws[4].data());
    for (int k = 0; k < 6; ++k) EXPECT_EQ(down[k].y, -460.0f);
}

TEST(SkyBox, MissingPictureFailsButKeepsWhatLoaded) {
    fake::Device dev;
    dev.missingFiles.insert("sky_left.png");
    CSkyBox sky;
    EXPECT_FALSE(sky.SetData(kMin, kMax, kBlue, kRed, "sky", ".png", &dev));
    EXPECT_NE(sky.GetTexture(CSkyBox::FRONT), nullptr);
    EXPECT_NE(sky.GetTexture(CSkyBox::RIGHT), nullptr);
    EXPECT_NE(sky.GetTexture(CSkyBox::BACK), nullptr);
    EXPECT_EQ(sky.GetTexture(CSkyBox::UP), nullptr);
    EXPECT_FALSE(sky.IsTextured());
    // Geometry is built all the same; it draws as one coloured box.
    EXPECT_EQ(sky.GetDrawVertices()[30].color, kBlue);
    dev.log.lines.clear();
    ASSERT_TRUE(sky.Render());
    EXPECT_EQ(dev.log.Count("DrawUserPrimitives 36 2"), 1);
    EXPECT_EQ(dev.log.CountPrefix("Texture.Apply"), 0);
}

TEST(SkyBox, ColouredBoxDrawsOnceInsideAnOpenFrame) {
    fake::Device dev;
    CSkyBox sky;
    ASSERT_TRUE(sky.SetData(kMin, kMax, kBlue, kRed, &dev));
    dev.rendering = true;
    dev.log.lines.clear();
    ASSERT_TRUE(sky.Render());
    EXPECT_EQ(dev.log.lines, (std::vector<std::string>{"Material.Apply", "SetCullMode 2", "DrawUserPrimitives 36 2"}));
    dev.rendering = false;
    dev.beginFails = true;
    EXPECT_FALSE(sky.Render());
}

TEST(SkyBox, SecondSetDataReleasesTheFirstObjectsAndNullMaterialFails) {
    fake::Device dev;
    {
        CSkyBox sky;
        ASSERT_TRUE(sky.SetData(kMin, kMax, kBlue, kRed, "a", ".jpg", &dev));
        EXPECT_EQ(dev.alive, 7);
        ASSERT_TRUE(sky.SetData(kMin, kMax, kBlue, kRed, "b", ".jpg", &dev));
        EXPECT_EQ(dev.alive, 7);
        ASSERT_TRUE(sky.SetData(kMin, kMax, kBlue, kRed, &dev));
        EXPECT_EQ(dev.alive, 1);
        EXPECT_FALSE(sky.IsTextured());
        dev.failCreate.insert(qrn::OBJECTTYPE_MATERIAL);
        EXPECT_FALSE(sky.SetData(kMin, kMax, kBlue, kRed, &dev));
        EXPECT_TRUE(sky.Render());  // draws without a material
        EXPECT_FALSE(sky.SetData(kMin, kMax, kBlue, kRed, nullptr));
        EXPECT_FALSE(sky.Render());
        dev.failCreate.clear();
        dev.failCreate.insert(qrn::OBJECTTYPE_TEXTURE);
        EXPECT_FALSE(sky.SetData(kMin, kMax, kBlue, kRed, "c", ".jpg", &dev));
        EXPECT_FALSE(sky.SetData(kMin, kMax, kBlue, kRed, nullptr, ".jpg", &dev));
    }
    EXPECT_EQ(dev.alive, 0);
}
