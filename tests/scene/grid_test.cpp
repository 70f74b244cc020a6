// The chunked grid: patch counts and contents, the index order, box corners,
// the culling test and the texture stages, through the water plane (the
// simplest grid) on the recording device.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "fake_device.h"
#include "scene/WaterplaneImpl.h"

using qrn::Vector4;
using qrngu::CGridPatch;
using qrngu::CWaterplane;

namespace {
unsigned PatchCount(unsigned w, unsigned d) {
    fake::Device dev;
    CWaterplane water;
    EXPECT_TRUE(water.SetData(w, d, 0, 1, 1, &dev));
    return water.GetPatchCount();
}
}  // namespace

TEST(PatchGrid, CountsWholePatchesOnly) {
    EXPECT_EQ(PatchCount(257, 257), 256u);
    EXPECT_EQ(PatchCount(33, 17), 2u);
    EXPECT_EQ(PatchCount(20, 20), 1u);
    EXPECT_EQ(PatchCount(16, 300), 0u);  // too narrow for one patch: nothing drawn
}

TEST(PatchGrid, PatchesHoldTheirBlockOfVerticesAndTwoTrianglesPerCell) {
    fake::Device dev;
    CWaterplane water;
    ASSERT_TRUE(water.SetData(33, 17, 0, 1, 1, &dev));
    ASSERT_EQ(water.GetPatchCount(), 2u);
    const CGridPatch* second = water.GetPatch(1);  // p = 1, q = 0
    auto* vb = static_cast<fake::VertexBuffer*>(second->GetVertexBuffer());
    auto* ib = static_cast<fake::IndexBuffer*>(second->GetIndexBuffer());
    ASSERT_TRUE(vb && ib);
    EXPECT_EQ(vb->count, 289u);
    EXPECT_EQ(vb->format, qrn::VERTEXFORMAT_XYZ_NORMAL_TEX2);
    ASSERT_EQ(ib->data.size(), 1536u);
    // Local vertex (c, r) is grid point (16 + c, r); the border column is shared.
    auto pos = [&](unsigned k) { return std::make_pair(vb->data[k * 10], vb->data[k * 10 + 2]); };
    EXPECT_EQ(pos(0), std::make_pair(16.0f, 0.0f));
    EXPECT_EQ(pos(16), std::make_pair(32.0f, 0.0f));
    EXPECT_EQ(pos(17), std::make_pair(16.0f, 1.0f));
    EXPECT_EQ(pos(288), std::make_pair(32.0f, 16.0f));
    // Each cell (c, r) is two triangles that together use exactly its four
    // corners and share the diagonal (c, r)-(c + 1, r + 1); every triangle
    // faces up (the winding the terrain and water are drawn with).
    for (unsigned cell = 0; cell < 256; ++cell) {
        const unsigned c = cell % 16, r = cell / 16;
        const unsigned a = r * 17 + c, b = (r + 1) * 17 + c;
        std::multiset<unsigned> used;
        for (unsigned t = 0; t < 2; ++t) {
            bool hasA = false, hasB1 = false;
            float p[3][3];
            for (int k = 0; k < 3; ++k) {
                const unsigned v = ib->data[(cell * 2 + t) * 3 + k];
                used.insert(v);
                hasA |= v == a;
                hasB1 |= v == b + 1;
                for (int d = 0; d < 3; ++d) p[k][d] = vb->data[v * 10 + d];
            }
            EXPECT_TRUE(hasA && hasB1) << "cell " << cell << " triangle " << t;
            // y of (p1 - p0) x (p2 - p0).
            const float upward = (p[1][2] - p[0][2]) * (p[2][0] - p[0][0]) - (p[1][0] - p[0][0]) * (p[2][2] - p[0][2]);
            EXPECT_GT(upward, 0.0f) << "cell " << cell << " triangle " << t;
        }
        EXPECT_EQ(used, (std::multiset<unsigned>{a, a + 1, b, b + 1, a, b + 1})) << "cell " << cell;
    }
    // The box of a level plane is flat; corners in the documented order.
    EXPECT_EQ(second->GetMin().y, 0.0f);
    EXPECT_EQ(second->GetMax().y, 0.0f);
    EXPECT_EQ(second->GetMin().x, 16.0f);
    EXPECT_EQ(second->GetMax().x, 32.0f);
    const Vector4& c1 = second->GetCorner(1);
    EXPECT_EQ(c1.x, 32.0f);
    EXPECT_EQ(c1.z, 0.0f);
    const Vector4& c5 = second->GetCorner(5);
    EXPECT_EQ(c5.x, 16.0f);
    EXPECT_EQ(c5.z, 16.0f);
}

TEST(PatchGrid, CullsOnlyPatchesWhollyBehindAndOutsideTheViewersRowAndColumn) {
    fake::Device dev;
    CWaterplane water;
    ASSERT_TRUE(water.SetData(65, 65, 0, 1, 1, &dev));  // 4 x 4 patches
    const Vector4 forward(0, 0, 1, 1);
    const CGridPatch* p00 = water.GetPatch(0);        // x 0..16, z 0..16
    const CGridPatch* p30 = water.GetPatch(3);        // x 48..64, z 0..16
    const CGridPatch* p33 = water.GetPatch(15);       // x 48..64, z 48..64
    // Viewer at (24, 0, 40) looking along +z.
    const Vector4 at(24, 0, 40, 1);
    EXPECT_FALSE(p00->IsVisible(at, forward));  // behind, other row and column
    EXPECT_FALSE(p30->IsVisible(at, forward));
    EXPECT_TRUE(p33->IsVisible(at, forward));   // ahead
    // Behind but in the viewer's column (x within 16 - 1 .. 32 + 1)...
    EXPECT_TRUE(water.GetPatch(1)->IsVisible(at, forward));
    // ... or in its row of patches.
    const Vector4 behindRow(24, 0, 40, 1), backwards(-1, 0, 0, 1);
    EXPECT_TRUE(water.GetPatch(2 * 4 + 3)->IsVisible(behindRow, backwards));
    // The margin is one unit beyond the box: x truncated 16.9 -> 16 lies
    // within (-1, 17) of patch 0; 17.5 -> 17 does not.
    EXPECT_TRUE(p00->IsVisible(Vector4(16.9f, 0, 40, 1), forward));
    EXPECT_FALSE(p00->IsVisible(Vector4(17.5f, 0, 40, 1), forward));
    // Truncation is towards zero: -0.9 becomes 0, inside (-1, 17).
    EXPECT_TRUE(p30->IsVisible(Vector4(70, 0, -0.9f, 1), Vector4(1, 0, 0, 1)));
    // A corner exactly on the viewer's plane counts as in front.
    EXPECT_TRUE(p00->IsVisible(Vector4(40, 0, 16, 1), forward));
    // Far-away and undefined viewer positions decide without misbehaving.
    EXPECT_FALSE(p00->IsVisible(Vector4(3e9f, 0, 3e9f, 1), forward));
    const float nan = std::nanf("");
    (void)p00->IsVisible(Vector4(nan, nan, nan, 1), forward);

    // Render draws exactly the visible patches.
    water.UpdatePlayer(at, forward);
    dev.log.lines.clear();
    ASSERT_TRUE(water.Render(false, false));
    int visible = 0;
    for (unsigned i = 0; i < water.GetPatchCount(); ++i) visible += water.GetPatch(i)->IsVisible(at, forward);
    EXPECT_EQ(dev.log.Count("DrawIndexed"), visible);
    EXPECT_LT(visible, 16);
    EXPECT_EQ(dev.log.Count("VertexBuffer.Apply 0"), visible);
    EXPECT_EQ(dev.log.Count("IndexBuffer.Apply"), visible);
}

TEST(PatchGrid, TextureStagesNeedADeviceAndKeepTheirObject) {
    fake::Device dev;
    CWaterplane water;
    EXPECT_FALSE(water.SetTexture("tr_water.bmp", 0, 0));  // before SetData: no device
    ASSERT_TRUE(water.SetData(17, 17, 0, 1, 1, &dev));
    const int alive = dev.alive;
    EXPECT_FALSE(water.SetTexture("tr_water.bmp", 8, 0));
    EXPECT_FALSE(water.SetTexture(nullptr, 0, 0));
    EXPECT_EQ(dev.alive, alive);  // nothing created
    dev.missingFiles.insert("nothing.bmp");
    EXPECT_FALSE(water.SetTexture("nothing.bmp", 2, 1));
    ASSERT_NE(water.GetTexture(2), nullptr);
    EXPECT_EQ(water.GetTexCoordSet(2), 1u);
    EXPECT_TRUE(water.SetTexture("ok.bmp", 2, 0));  // the same object, loaded again
    EXPECT_EQ(dev.alive, alive + 1);
    dev.failCreate.insert(qrn::OBJECTTYPE_TEXTURE);
    EXPECT_FALSE(water.SetTexture("ok.bmp", 3, 0));
    EXPECT_EQ(water.GetTexture(3), nullptr);
}

TEST(PatchGrid, FailedUploadsReportFalseAndLeakNothing) {
    for (int which = 0; which < 4; ++which) {
        fake::Device dev;
        {
            CWaterplane water;
            if (which == 0) dev.vertexUploadFails = true;
            if (which == 1) dev.indexUploadFails = true;
            if (which == 2) dev.failCreate.insert(qrn::OBJECTTYPE_INDEXBUFFER);
            if (which == 3) dev.failCreateAfter = 1 + 2 * 5;  // material and five patches
            EXPECT_FALSE(water.SetData(65, 65, 0, 1, 1, &dev)) << which;
            // A patch without buffers draws nothing and reports false; the
            // grid still renders.
            water.UpdatePlayer(Vector4(8, 0, 8, 1), Vector4(0, 0, 1, 1));
            EXPECT_TRUE(water.Render(true, true));
        }
        EXPECT_EQ(dev.alive, 0) << which;
    }
}

TEST(PatchGrid, SettingDataAgainReplacesMaterialAndBuffersButKeepsTextures) {
    fake::Device dev;
    CWaterplane water;
    ASSERT_TRUE(water.SetData(33, 33, 0, 1, 1, &dev));
    ASSERT_TRUE(water.SetTexture("a.bmp", 0, 0));
    const int once = dev.alive;  // material + texture + 4 x 2 buffers
    EXPECT_EQ(once, 1 + 1 + 8);
    ASSERT_TRUE(water.SetData(33, 33, 0, 1, 1, &dev));
    EXPECT_EQ(dev.alive, once);
    EXPECT_NE(water.GetTexture(0), nullptr);
}
