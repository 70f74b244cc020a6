// The terrain: RAW loading and its bad inputs, heights at grid points and
// inside both triangles of a cell, the edge rows, normals, the generator's
// steps, and the drawing states.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <type_traits>
#include <vector>

#include "Heightmap.h"
#include "fake_device.h"
#include "scene/HeightmapImpl.h"

using qrn::Vector4;
using qrngu::CHeightmap;
using qrngu::IHeightmap;

static_assert(!std::is_copy_constructible_v<IHeightmap> && !std::is_copy_assignable_v<IHeightmap>);

namespace {

std::string WriteRaw(const std::string& name, const std::vector<unsigned char>& bytes) {
    const std::string path = ::testing::TempDir() + "qrn_scene_" + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return path;
}

// A 17 x 17 map (one patch) with sample (i, j) = (i * 3 + j * 5) % 120 and a
// few special values.
std::vector<unsigned char> Pattern(unsigned w, unsigned d) {
    std::vector<unsigned char> b(w * d);
    for (unsigned j = 0; j < d; ++j)
        for (unsigned i = 0; i < w; ++i) b[i + j * w] = static_cast<unsigned char>((i * 3 + j * 5 + i * j) % 120);
    return b;
}

}  // namespace

class Terrain : public ::testing::Test {
protected:
    fake::Device dev;
    CHeightmap map;
};

TEST_F(Terrain, RawBytesAreMagnitudesAnd255EndsTheData) {
    std::vector<unsigned char> b(17 * 17, 10);
    b[0] = 200;   // signed -56
    b[1] = 128;   // -128
    b[2] = 127;
    b[3] = 254;   // -2
    b[20] = 255;  // the rest stays 0
    ASSERT_TRUE(map.SetData(WriteRaw("bytes.raw", b).c_str(), 17, 17, 0.5f, 1, 1, &dev));
    EXPECT_EQ(map.GetSample(0, 0), 56.0f);
    EXPECT_EQ(map.GetSample(1, 0), 128.0f);
    EXPECT_EQ(map.GetSample(2, 0), 127.0f);
    EXPECT_EQ(map.GetSample(3, 0), 2.0f);
    EXPECT_EQ(map.GetSample(19 - 17, 1), 10.0f);  // sample 19
    EXPECT_EQ(map.GetSample(20 - 17, 1), 0.0f);   // where 255 stood
    EXPECT_EQ(map.GetSample(16, 16), 0.0f);
    EXPECT_EQ(map.GetHeightAt(0, 0), 56.0f * 0.5f);
}

TEST_F(Terrain, ShortLongMissingAndEmptyFiles) {
    std::vector<unsigned char> shortFile(100, 7);
    ASSERT_TRUE(map.SetData(WriteRaw("short.raw", shortFile).c_str(), 17, 17, 1, 1, 1, &dev));
    EXPECT_EQ(map.GetSample(99 % 17, 99 / 17), 7.0f);
    EXPECT_EQ(map.GetSample(100 % 17, 100 / 17), 0.0f);

    std::vector<unsigned char> longFile(17 * 17 + 5000, 9);
    ASSERT_TRUE(map.SetData(WriteRaw("long.raw", longFile).c_str(), 17, 17, 1, 1, 1, &dev));
    EXPECT_EQ(map.GetSample(16, 16), 9.0f);
    EXPECT_EQ(map.GetPatchCount(), 1u);

    EXPECT_FALSE(map.SetData((::testing::TempDir() + "no_such.raw").c_str(), 17, 17, 1, 1, 1, &dev));
    EXPECT_EQ(map.GetPatchCount(), 0u);
    EXPECT_FALSE(map.SetData(nullptr, 17, 17, 1, 1, 1, &dev));
    EXPECT_FALSE(map.SetData(WriteRaw("empty.raw", {}).c_str(), 17, 17, 1, 1, 1, &dev));
    EXPECT_EQ(map.GetPatchCount(), 0u);
    EXPECT_EQ(map.GetHeightAt(3, 3), 0.0f);
}

TEST_F(Terrain, BadSizesAndDevicesFailWithoutHugeAllocations) {
    const std::string file = WriteRaw("sizes.raw", Pattern(17, 17));
    EXPECT_FALSE(map.SetData(file.c_str(), 0, 17, 1, 1, 1, &dev));
    EXPECT_FALSE(map.SetData(file.c_str(), 17, 0, 1, 1, 1, &dev));
    EXPECT_FALSE(map.SetData(file.c_str(), 0x10000u, 0x10000u, 1, 1, 1, &dev));  // product wraps 32 bits
    EXPECT_FALSE(map.SetData(file.c_str(), 0xFFFFFFFFu, 0xFFFFFFFFu, 1, 1, 1, &dev));
    EXPECT_FALSE(map.SetData(file.c_str(), 5000, 5000, 1, 1, 1, &dev));  // beyond the cap
    EXPECT_EQ(map.GetWidth(), 0u);
    EXPECT_FALSE(map.SetData(file.c_str(), 17, 17, 1, 1, 1, nullptr));
    EXPECT_FALSE(map.Render(true, true));
    // One sample: loads, nothing to draw, heights still answer.
    ASSERT_TRUE(map.SetData(file.c_str(), 1, 1, 2, 1, 1, &dev));
    EXPECT_EQ(map.GetPatchCount(), 0u);
    EXPECT_EQ(map.GetHeightAt(0.5f, 0.5f), map.GetSample(0, 0) * 2);
    // A device that cannot make the material.
    dev.failCreate.insert(qrn::OBJECTTYPE_MATERIAL);
    EXPECT_FALSE(map.SetData(file.c_str(), 17, 17, 1, 1, 1, &dev));
    dev.failCreate.clear();
    dev.failCreate.insert(qrn::OBJECTTYPE_VERTEXBUFFER);
    EXPECT_FALSE(map.SetData(file.c_str(), 17, 17, 1, 1, 1, &dev));
}

TEST_F(Terrain, HeightsAtGridPointsAndInsideBothTriangles) {
    ASSERT_TRUE(map.SetData(WriteRaw("pattern.raw", Pattern(33, 33)).c_str(), 33, 33, 0.4f, 1, 1, &dev));
    auto h = [&](unsigned i, unsigned j) { return map.GetSample(i, j) * 0.4f; };
    for (unsigned j = 0; j < 33; j += 5)
        for (unsigned i = 0; i < 33; i += 3) EXPECT_NEAR(map.GetHeightAt(float(i), float(j)), h(i, j), 1e-4f);
    // (0.5, 0.25): below the diagonal, first triangle.
    const float h00 = h(0, 0), h10 = h(1, 0), h11 = h(1, 1);
    EXPECT_NEAR(map.GetHeightAt(0.5f, 0.25f), h00 + 0.5f * (h10 - h00) + 0.25f * (h11 - h10), 1e-4f);
    // (7.2, 9.7): above the diagonal, second triangle.
    const float a = h(7, 9), b = h(8, 9), c = h(7, 10), d = h(8, 10);
    (void)b;
    EXPECT_NEAR(map.GetHeightAt(7.2f, 9.7f), a + 0.7f * (c - a) + 0.2f * (d - c), 1e-4f);
    // On the diagonal both formulas agree.
    EXPECT_NEAR(map.GetHeightAt(3.5f, 3.5f), h(3, 3) + 0.5f * (h(4, 4) - h(3, 3)), 1e-4f);
    // The height is continuous across cell edges.
    EXPECT_NEAR(map.GetHeightAt(4.9999f, 6.3f), map.GetHeightAt(5.0f, 6.3f), 1e-2f);
}

TEST_F(Terrain, OffTheGridIsZeroAndTheLastRowRunsLevel) {
    IHeightmap shell;
    EXPECT_EQ(shell.GetHeightAt(3, 3), 0.0f);  // before SetData
    EXPECT_EQ(shell.GetWidth(), 0u);
    std::vector<unsigned char> b(17 * 17, 20);
    b[16 + 5 * 17] = 40;  // sample (16, 5) on the last column
    ASSERT_TRUE(map.SetData(WriteRaw("edge.raw", b).c_str(), 17, 17, 1, 1, 1, &dev));
    EXPECT_EQ(map.GetHeightAt(-0.5f, 3), 0.0f);
    EXPECT_EQ(map.GetHeightAt(3, 17), 0.0f);
    EXPECT_EQ(map.GetHeightAt(17, 3), 0.0f);
    EXPECT_EQ(map.GetHeightAt(std::nanf(""), 3), 0.0f);
    EXPECT_EQ(map.GetHeightAt(3, INFINITY), 0.0f);
    // Within the last column the surface keeps the last column's height.
    EXPECT_NEAR(map.GetHeightAt(16.7f, 5.0f), 40.0f, 1e-4f);
    EXPECT_NEAR(map.GetHeightAt(16.0f, 5.5f), 30.0f, 1e-4f);
    EXPECT_NEAR(map.GetHeightAt(16.9f, 16.9f), 20.0f, 1e-4f);
    // And in the last row.
    EXPECT_NEAR(map.GetHeightAt(4.5f, 16.5f), 20.0f, 1e-4f);
}

TEST_F(Terrain, HeightsAboveTheUsualRayStartAreStillFound) {
    std::vector<unsigned char> b(17 * 17, 100);
    ASSERT_TRUE(map.SetData(WriteRaw("tall.raw", b).c_str(), 17, 17, 80.0f, 1, 1, &dev));  // 8000 high
    EXPECT_NEAR(map.GetHeightAt(3.3f, 4.4f), 8000.0f, 1e-2f);
}

TEST_F(Terrain, NormalsPointDownOnLevelGroundAndAwayFromSlopes) {
    std::vector<unsigned char> flat(17 * 17, 30);
    ASSERT_TRUE(map.SetData(WriteRaw("flat.raw", flat).c_str(), 17, 17, 0.4f, 1, 1, &dev));
    auto* vb = static_cast<fake::VertexBuffer*>(map.GetPatch(0)->GetVertexBuffer());
    ASSERT_TRUE(vb);
    for (unsigned k = 0; k < 289; ++k) {
        ASSERT_FLOAT_EQ(vb->data[k * 10 + 3], 0.0f);
        ASSERT_FLOAT_EQ(vb->data[k * 10 + 4], -1.0f) << k;  // last row and column included
        ASSERT_FLOAT_EQ(vb->data[k * 10 + 5], 0.0f);
        ASSERT_FLOAT_EQ(vb->data[k * 10 + 1], 12.0f);
    }
    // A ramp rising along +x by 1 per cell: normal (1, -1, 0) / sqrt 2, on
    // the last column as well.
    std::vector<unsigned char> ramp(17 * 17);
    for (unsigned j = 0; j < 17; ++j)
        for (unsigned i = 0; i < 17; ++i) ramp[i + j * 17] = static_cast<unsigned char>(i);
    ASSERT_TRUE(map.SetData(WriteRaw("ramp.raw", ramp).c_str(), 17, 17, 1.0f, 1, 1, &dev));
    for (unsigned i : {0u, 8u, 16u}) {
        auto v = map.VertexAt(i, 16);
        EXPECT_NEAR(v.nx, 0.70710677f, 1e-6f);
        EXPECT_NEAR(v.ny, -0.70710677f, 1e-6f);
        EXPECT_NEAR(v.nz, 0.0f, 1e-6f);
    }
    auto v = map.VertexAt(16, 8);
    EXPECT_FLOAT_EQ(v.u0, 16.0f / 17);
    EXPECT_FLOAT_EQ(v.v1, 8.0f / 17);
}

TEST_F(Terrain, OneHillAndNormalising) {
    ASSERT_TRUE(map.SetData(WriteRaw("zero.raw", std::vector<unsigned char>(40 * 40, 0)).c_str(), 40, 40,
                            2.0f, 1, 1, &dev));
    map.AddHill(10, 10, 5.0f);
    EXPECT_EQ(map.GetSample(10, 10), 25.0f);
    EXPECT_EQ(map.GetSample(14, 10), 9.0f);
    EXPECT_EQ(map.GetSample(13, 14), 0.0f);  // 9 + 16 = 25: not above 0
    EXPECT_EQ(map.GetSample(16, 10), 0.0f);
    // Hills at or beyond the border are clipped, never written outside.
    map.AddHill(-3, 39, 5.0f);
    EXPECT_EQ(map.GetSample(0, 39), 16.0f);
    map.AddHill(1000000, -1000000, 3e7f);
    map.AddHill(5, 5, std::nanf(""));
    map.Normalise();
    float top = 0;
    for (unsigned j = 0; j < 40; ++j)
        for (unsigned i = 0; i < 40; ++i) top = std::max(top, map.GetSample(i, j));
    EXPECT_FLOAT_EQ(top, 1.0f);
}

TEST_F(Terrain, GeneratedFlatTerrainKeepsItsHeightScale) {
    // No hills: nothing to normalise, so the scale the map had stays.
    const float before = map.GetHeightScale();
    ASSERT_TRUE(map.SetData(65, 65, 85.0f, 5, 10, 0, 0, false, 1, 1, &dev));
    EXPECT_EQ(map.GetHeightScale(), before);
    EXPECT_EQ(map.GetHeightAt(30, 30), 0.0f);
    EXPECT_EQ(map.GetPatchCount(), 16u);
}

TEST_F(Terrain, GeneratedHillsPeakAtOneOverTheDivisor) {
    // The generator is seeded from the clock, so the hills differ from run
    // to run; an island's hills always have their centres inside the map,
    // so whatever the seed there is a peak, and it is normalised.
    for (unsigned short flatten : {0, 1, 3, 40}) {
        ASSERT_TRUE(map.SetData(65, 65, 20.0f, 5, 15, 30, flatten, true, 1, 1, &dev));
        float top = 0;
        for (unsigned j = 0; j < 65; ++j)
            for (unsigned i = 0; i < 65; ++i) top = std::max(top, map.GetHeightAt(float(i), float(j)));
        EXPECT_NEAR(top, 1.0f / 20.0f, 1e-5f) << flatten;
    }
    EXPECT_FALSE(map.SetData(65, 65, 0.0f, 5, 15, 3, 0, true, 1, 1, &dev));
    EXPECT_FALSE(map.SetData(65, 65, std::nanf(""), 5, 15, 3, 0, true, 1, 1, &dev));
    EXPECT_FALSE(map.SetData(0, 65, 20.0f, 5, 15, 3, 0, true, 1, 1, &dev));
    EXPECT_FALSE(map.SetData(65, 65, 20.0f, 5, 15, 3, 0, true, 1, 1, nullptr));
    // Wild radii stay bounded.
    ASSERT_TRUE(map.SetData(33, 33, 20.0f, -1e30f, 1e30f, 4, 2, false, 1, 1, &dev));
    EXPECT_TRUE(std::isfinite(map.GetHeightAt(5, 5)));
}

TEST_F(Terrain, IslandCentresStayNearTheMiddle) {
    ASSERT_TRUE(map.SetData(257, 257, 85.0f, 10, 10, 0, 0, true, 1, 1, &dev));
    std::srand(4242);
    for (int k = 0; k < 2000; ++k) {
        const float r = map.DrawHillRadius();
        ASSERT_FLOAT_EQ(r, 10.0f);
        float cx, cz;
        map.DrawHillCentre(r, &cx, &cz);
        const float d = std::hypot(cx - 128.5f, cz - 128.5f);
        ASSERT_GE(d, 5.0f - 1e-3f);
        ASSERT_LE(d, 118.0f + 1e-3f);
    }
    // Free placement may reach up to r beyond the map.
    ASSERT_TRUE(map.SetData(100, 50, 85.0f, 10, 10, 0, 0, false, 1, 1, &dev));
    for (int k = 0; k < 2000; ++k) {
        float cx, cz;
        map.DrawHillCentre(10, &cx, &cz);
        ASSERT_GE(cx, -10.0f);
        ASSERT_LE(cx, 110.0f + 1e-3f);
        ASSERT_GE(cz, -10.0f);
        ASSERT_LE(cz, 60.0f + 1e-3f);
    }
}

TEST_F(Terrain, RenderSetsItsStatesLightAndStagesThenDrawsPatches) {
    IHeightmap shell;
    EXPECT_FALSE(shell.Render(true, true));
    const std::string file = WriteRaw("render.raw", Pattern(33, 33));
    ASSERT_TRUE(shell.SetData(file.c_str(), 33, 33, 0.4f, 1.0f, 160.0f, Vector4(0.75f, 0.25f, 0, 1), &dev));
    ASSERT_TRUE(shell.SetTexture("tr_grass1.bmp", 0, 0));
    ASSERT_TRUE(shell.SetTexture("tr_detail.jpg", 1, 1));
    EXPECT_TRUE(shell.SetLight(Vector4(0.5f, 0.7f, 0, 0.25f), 255, 128, 0));
    dev.log.lines.clear();
    // Outside a frame: opens and closes one without presenting.
    ASSERT_TRUE(shell.Render(true, true));
    const auto& l = dev.log.lines;
    ASSERT_GE(l.size(), 8u);
    EXPECT_EQ(l[0], "SetCullMode 1");
    EXPECT_EQ(l[1], "BeginRendering");
    EXPECT_EQ(l[2], "SetCullMode 2");
    EXPECT_EQ(l[3], "SetLight 0");
    EXPECT_EQ(l[4], "Material.Apply");
    EXPECT_EQ(l[5], "Texture.Apply tr_grass1.bmp 0 0 2 2");
    EXPECT_EQ(l[6], "Texture.Apply tr_detail.jpg 1 1 4 2");
    EXPECT_EQ(l.back(), "EndRendering");
    EXPECT_EQ(dev.log.Count("DrawIndexed"), 4);  // viewer at the origin: all four drawn
    EXPECT_FLOAT_EQ(dev.lastLight.diffuse[0], 1.0f);
    EXPECT_NEAR(dev.lastLight.diffuse[1], 128 / 255.0f, 1e-6f);
    EXPECT_EQ(dev.lastLight.diffuse[2], 0.0f);
    EXPECT_EQ(dev.lastLight.direction.w, 0.25f);  // all four components as given
    EXPECT_EQ(dev.lastLight.type, 0);

    // Inside a frame: no frame of its own; without flags no material or stages.
    dev.rendering = true;
    dev.log.lines.clear();
    ASSERT_TRUE(shell.Render(false, false));
    EXPECT_EQ(dev.log.CountPrefix("BeginRendering"), 0);
    EXPECT_EQ(dev.log.CountPrefix("EndRendering"), 0);
    EXPECT_EQ(dev.log.Count("Material.Apply"), 0);
    EXPECT_EQ(dev.log.CountPrefix("Texture.Apply"), 0);

    // A frame that cannot begin.
    dev.rendering = false;
    dev.beginFails = true;
    EXPECT_FALSE(shell.Render(true, true));
}

TEST_F(Terrain, DefaultLightAndFileMaterial) {
    const qrn::SLight& l = map.GetLight();
    EXPECT_EQ(l.type, 0);
    EXPECT_EQ(l.diffuse[1], 1.0f);
    EXPECT_EQ(l.ambient[0], 0.0f);
    EXPECT_EQ(l.direction.x, 1.0f);
    EXPECT_EQ(l.direction.y, -1.0f);
    EXPECT_EQ(l.position.w, 0.0f);
    ASSERT_TRUE(map.SetData(WriteRaw("m.raw", Pattern(17, 17)).c_str(), 17, 17, 1, 1, 1, &dev));
    auto* m = static_cast<fake::Material*>(map.GetMaterial());
    EXPECT_EQ(m->ambient, (std::vector<float>{0, 0, 0, 1}));
    EXPECT_EQ(m->diffuse, (std::vector<float>{1, 1, 1, 1}));
}
