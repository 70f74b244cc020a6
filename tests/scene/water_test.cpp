// The water plane: the level and the shared phase, the vertex records, and
// the states around its draw.
#include <gtest/gtest.h>

#include <cmath>
#include <type_traits>

#include "Waterplane.h"
#include "fake_device.h"
#include "scene/WaterplaneImpl.h"

using qrn::Vector4;
using qrngu::CWaterplane;
using qrngu::IWaterplane;

static_assert(!std::is_copy_constructible_v<IWaterplane>);

class Water : public ::testing::Test {
protected:
    void SetUp() override { CWaterplane::SetPhase(0.0f); }
    fake::Device dev;
};

TEST_F(Water, LevelStaysUntilTheFirstUpdateThenSwings) {
    IWaterplane water;
    EXPECT_EQ(water.GetHeight(), 0.0f);
    EXPECT_FALSE(water.Render(true, true));  // no device yet
    EXPECT_EQ(water.GetWidth(), 0u);
    ASSERT_TRUE(water.SetData(257, 257, 1.0f, 40.0f, 4.0f, 20.0f, Vector4(0.75f, 0.25f, 0, 1), &dev));
    EXPECT_EQ(water.GetHeight(), 0.0f);
    EXPECT_EQ(water.GetWidth(), 257u);
    water.Update(1.0f);
    EXPECT_NEAR(water.GetHeight(), (1 + 0.01f * std::sin(0.8f)) * 40, 1e-4f);
    EXPECT_NEAR(water.GetHeight(), 40.287f, 1e-3f);
}

TEST_F(Water, PhaseWrapsWithoutAdvancingAndIsShared) {
    CWaterplane a, b;
    ASSERT_TRUE(a.SetData(17, 17, 10.0f, 1, 1, &dev));
    CWaterplane::SetPhase(6.3f);
    a.Update(123.0f);
    EXPECT_NEAR(CWaterplane::GetPhase(), 0.017f, 1e-5f);

    CWaterplane::SetPhase(0.0f);
    a.Update(0.5f);
    b.Update(0.5f);
    EXPECT_NEAR(CWaterplane::GetPhase(), 0.8f, 1e-6f);  // two planes: twice per frame
    // Each plane's level follows the phase at its own update.
    EXPECT_NEAR(a.GetHeight(), (1 + 0.01f * std::sin(0.4f)) * 10, 1e-5f);
    EXPECT_EQ(b.GetHeight(), 0.0f);  // base height 0 for a plane without data
}

TEST_F(Water, BadTimesKeepThePhaseBounded) {
    CWaterplane w;
    w.Update(std::nanf(""));
    EXPECT_EQ(CWaterplane::GetPhase(), 0.0f);
    w.Update(1e30f);
    EXPECT_LE(std::fabs(CWaterplane::GetPhase()), 2 * 6.283f);
    EXPECT_TRUE(std::isfinite(w.GetHeight()));
}

TEST_F(Water, VerticesAreLevelWithDownwardNormalsAndRepeatedCoordinates) {
    CWaterplane water;
    ASSERT_TRUE(water.SetData(257, 257, 40, 4, 20, &dev));
    EXPECT_EQ(water.GetPatchCount(), 256u);
    for (unsigned p = 0; p < water.GetPatchCount(); ++p) {
        auto* vb = static_cast<fake::VertexBuffer*>(water.GetPatch(p)->GetVertexBuffer());
        ASSERT_TRUE(vb);
        for (unsigned k = 0; k < vb->count; ++k) {
            const float* v = &vb->data[k * 10];
            ASSERT_EQ(v[1], 0.0f);
            ASSERT_EQ(v[3], 0.0f);
            ASSERT_EQ(v[4], -1.0f);
            ASSERT_EQ(v[5], 0.0f);
        }
    }
    auto v = water.VertexAt(128, 64);
    EXPECT_FLOAT_EQ(v.u0, 128.0f / 257 * 4);
    EXPECT_FLOAT_EQ(v.v0, 64.0f / 257 * 4);
    EXPECT_FLOAT_EQ(v.u1, 128.0f / 257 * 20);
    EXPECT_FLOAT_EQ(v.v1, 64.0f / 257 * 20);
    auto* m = static_cast<fake::Material*>(water.GetMaterial());
    EXPECT_EQ(m->ambient, (std::vector<float>{0.2f, 0.2f, 0.2f, 1.0f}));
    EXPECT_EQ(m->diffuse, (std::vector<float>{0.7f, 0.7f, 0.7f, 1.0f}));
}

TEST_F(Water, DrawsAdditivelyAndRestoresOpaqueDrawing) {
    CWaterplane water;
    ASSERT_TRUE(water.SetData(17, 17, 40, 4, 20, &dev));
    ASSERT_TRUE(water.SetTexture("tr_water.bmp", 0, 0));
    ASSERT_TRUE(water.SetTexture("second.bmp", 1, 1));
    dev.log.lines.clear();
    ASSERT_TRUE(water.Render(true, true));
    const auto& l = dev.log;
    EXPECT_EQ(l.lines.front(), "SetAdditiveBlending 1 0");
    EXPECT_EQ(l.IndexOf("SetDepthBufferMode 2"), 1);
    EXPECT_EQ(l.IndexOf("SetCullMode 2"), 2);
    EXPECT_EQ(l.IndexOf("Material.Apply"), 3);
    EXPECT_EQ(l.IndexOf("Texture.Apply tr_water.bmp 0 0 2 2"), 4);
    EXPECT_EQ(l.IndexOf("Texture.Apply second.bmp 1 1 2 2"), 5);
    EXPECT_LT(l.IndexOf("DrawIndexed"), l.IndexOf("SetAdditiveBlending 0 0"));
    EXPECT_EQ(l.lines[l.lines.size() - 2], "SetAdditiveBlending 0 0");
    EXPECT_EQ(l.lines.back(), "SetDepthBufferMode 1");
    EXPECT_EQ(l.CountPrefix("SetLight"), 0);      // relies on the caller's lights
    EXPECT_EQ(l.CountPrefix("BeginRendering"), 0);
    EXPECT_EQ(l.CountPrefix("SetCullMode"), 1);   // left at "none"

    dev.log.lines.clear();
    ASSERT_TRUE(water.Render(false, false));
    EXPECT_EQ(dev.log.CountPrefix("Texture.Apply"), 0);
    EXPECT_EQ(dev.log.Count("Material.Apply"), 0);
}

TEST_F(Water, BadSizesAndNullDeviceFail) {
    CWaterplane water;
    EXPECT_FALSE(water.SetData(17, 17, 40, 1, 1, nullptr));
    EXPECT_FALSE(water.SetData(0, 17, 40, 1, 1, &dev));
    EXPECT_FALSE(water.SetData(100000, 100000, 40, 1, 1, &dev));  // far too many points
    EXPECT_FALSE(water.SetData(0xFFFFFFFFu, 2, 40, 1, 1, &dev));
    EXPECT_EQ(water.GetWidth(), 0u);
    EXPECT_TRUE(water.SetData(1, 1, 40, 1, 1, &dev));  // a point: no patches, nothing to draw
    EXPECT_EQ(water.GetPatchCount(), 0u);
    dev.failCreate.insert(qrn::OBJECTTYPE_MATERIAL);
    EXPECT_FALSE(water.SetData(17, 17, 40, 1, 1, &dev));
}
