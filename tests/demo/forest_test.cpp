// The forest: where trees are placed, which are drawn, and when the walker
// runs into one. Drawn through the scene tests' recording device, with a
// tree mesh whose bounding box the test chooses.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "Forest.h"
#include "fake_device.h"
#include "temp_folder.h"

namespace {

using brackwood::CForest;

class TreeMesh : public qrn::IMesh, public fake::Tracked {
public:
    using fake::Tracked::Tracked;
    void OnDeviceLost() override {}
    void OnDeviceReset() override {}
    bool Render(bool, bool) override {
        ++renders;
        return true;
    }
    bool LoadFromFile(const char* file) override {
        loaded = file;
        return true;
    }
    void GetBoundingBox(qrn::Vector4* minimum, qrn::Vector4* maximum) override {
        minimum->Set(-1, 0, -1, 1);
        maximum->Set(1, 2, 1, 1);
    }
    int renders = 0;
    std::string loaded;
};

class ForestDevice : public fake::Device {
public:
    qrn::IRenderDeviceObject* CreateObject(int type) override {
        if (type != qrn::OBJECTTYPE_MESH) return fake::Device::CreateObject(type);
        if (noMesh) return nullptr;
        mesh = new TreeMesh(this);
        return mesh;
    }
    void SetWorldMatrix(const qrn::Matrix4x4* m) override { worlds.push_back(m ? *m : qrn::Matrix4x4()); }
    void SetWireframe(bool on) override { log.Add(on ? "wireframe on" : "wireframe off"); }
    bool noMesh = false;
    TreeMesh* mesh = nullptr;
    std::vector<qrn::Matrix4x4> worlds;
};

constexpr int kSize = 20;

// A flat 20 x 20 map at height 0 with the given cells raised to 100.
struct Island {
    demotest::TempFolder folder;
    ForestDevice device;
    qrngu::IHeightmap map;
    explicit Island(const std::vector<std::pair<int, int>>& highCells) {
        std::string bytes(kSize * kSize, '\0');
        for (auto [x, z] : highCells) bytes[static_cast<size_t>(z * kSize + x)] = 100;
        folder.Write("island.raw", bytes);
        const std::string file = (folder.Path() / "island.raw").string();
        EXPECT_TRUE(map.SetData(file.c_str(), kSize, kSize, 1.0f, 1, 1, qrn::Vector4(), &device));
    }
};

// Cells in the three outer rows and columns (and the last two) qualify but
// are never chosen.
const std::vector<std::pair<int, int>> kRimCells = {{0, 0}, {2, 9}, {18, 5}, {9, 19}, {19, 19}};
const std::vector<std::pair<int, int>> kInnerCells = {{3, 3}, {10, 10}, {16, 12}};

bool NearOneOf(const qrn::Vector4& tree, const std::vector<std::pair<int, int>>& cells) {
    for (auto [x, z] : cells)
        if (std::fabs(tree.x - static_cast<float>(x)) <= 1.0f && std::fabs(tree.z - static_cast<float>(z)) <= 1.0f)
            return true;
    return false;
}

TEST(Forest, TreesGrowOnlyOnHighCellsAwayFromTheRim) {
    std::vector<std::pair<int, int>> cells = kRimCells;
    cells.insert(cells.end(), kInnerCells.begin(), kInnerCells.end());
    Island island(cells);
    const int objectsOfTheMap = island.device.alive;
    {
        CForest forest;
        ASSERT_TRUE(forest.Init(&island.device, &island.map, 60, 1.0f, 50.0f));
        EXPECT_EQ(island.device.mesh->loaded, "tree.x");
        // Eight cells qualify, three of them inside: three trees, not eight
        // with five piled up in the map's corner.
        ASSERT_EQ(forest.GetTreeCount(), 3u);
        for (unsigned k = 0; k < 3; ++k) {
            const qrn::Vector4& t = forest.GetTreePositions()[k];
            EXPECT_TRUE(NearOneOf(t, kInnerCells)) << t.x << ", " << t.z;
            EXPECT_FLOAT_EQ(t.y, island.map.GetHeightAt(t.x, t.z));
        }
    }
    {
        CForest forest;
        ASSERT_TRUE(forest.Init(&island.device, &island.map, 2, 1.0f, 50.0f));
        EXPECT_EQ(forest.GetTreeCount(), 2u);
    }
    {
        CForest forest;  // nothing above the threshold
        ASSERT_TRUE(forest.Init(&island.device, &island.map, 60, 1.0f, 100.0f));
        EXPECT_EQ(forest.GetTreeCount(), 0u);
    }
    EXPECT_EQ(island.device.alive, objectsOfTheMap) << "the forest deletes its mesh";
}

TEST(Forest, TheSameRandomSequenceGrowsTheSameForest) {
    std::vector<std::pair<int, int>> cells;
    for (int z = 3; z < 17; z += 2)
        for (int x = 3; x < 17; x += 3) cells.push_back({x, z});
    Island island(cells);
    std::vector<float> first, second;
    for (std::vector<float>* out : {&first, &second}) {
        std::srand(11);
        CForest forest;
        ASSERT_TRUE(forest.Init(&island.device, &island.map, 10, 1.0f, 50.0f));
        ASSERT_EQ(forest.GetTreeCount(), 10u);
        for (unsigned k = 0; k < 10; ++k)
            out->insert(out->end(), {forest.GetTreePositions()[k].x, forest.GetTreePositions()[k].z});
    }
    EXPECT_EQ(first, second);
}

TEST(Forest, InitFailsWithoutDeviceHeightMapOrMeshObject) {
    Island island(kInnerCells);
    CForest forest;
    EXPECT_FALSE(forest.Init(nullptr, &island.map, 60, 1.0f, 50.0f));
    EXPECT_FALSE(forest.Init(&island.device, nullptr, 60, 1.0f, 50.0f));
    island.device.noMesh = true;
    EXPECT_FALSE(forest.Init(&island.device, &island.map, 60, 1.0f, 50.0f));
    EXPECT_EQ(forest.GetTreeCount(), 0u);
    EXPECT_TRUE(forest.Render(true, true));
}

TEST(Forest, TreesBehindTheViewerAreSkippedAndBoxesAreWireframe) {
    Island island(kInnerCells);
    CForest forest;
    ASSERT_TRUE(forest.Init(&island.device, &island.map, 60, 1.0f, 50.0f));
    qrn::Vector4 maximum, minimum;
    forest.GetBoundingBox(maximum, minimum);
    EXPECT_FLOAT_EQ(maximum.x, 1.8f);
    EXPECT_FLOAT_EQ(maximum.y, 6.0f);
    EXPECT_FLOAT_EQ(minimum.z, -1.8f);

    // Looking along +x from x = 0: a box reaching past x = 0 is visible.
    forest.SetViewer(qrn::Vector4(0, 0, 0, 1), qrn::Vector4(1, 0, 0, 1));
    EXPECT_TRUE(forest.IsTreeVisible(qrn::Vector4(10, 0, 0, 1)));
    EXPECT_TRUE(forest.IsTreeVisible(qrn::Vector4(-1.7f, 0, 0, 1)));
    EXPECT_FALSE(forest.IsTreeVisible(qrn::Vector4(-1.8f, 0, 0, 1)));
    EXPECT_FALSE(forest.IsTreeVisible(qrn::Vector4(-10, 0, 0, 1)));

    // Standing at x = 6 looking along -x: only the tree near (3, 3) reaches
    // in front (those near x = 10 and 16 lie wholly behind).
    forest.SetViewer(qrn::Vector4(6, 0, 0, 1), qrn::Vector4(-1, 0, 0, 1));
    island.device.worlds.clear();
    forest.Render(true, false);
    EXPECT_EQ(island.device.mesh->renders, 1);
    ASSERT_EQ(island.device.worlds.size(), 2u);  // the tree, then identity
    const qrn::Matrix4x4& world = island.device.worlds[0];
    EXPECT_FLOAT_EQ(world._11, 1.8f);
    EXPECT_FLOAT_EQ(world._22, 3.0f);
    EXPECT_FLOAT_EQ(world._33, 1.8f);
    EXPECT_NEAR(world._41, 3.0f, 1.0f);
    EXPECT_FLOAT_EQ(island.device.worlds[1]._41, 0.0f);

    island.device.worlds.clear();
    forest.Render(false, true);
    EXPECT_EQ(island.device.mesh->renders, 1);
    EXPECT_EQ(island.device.worlds.size(), forest.GetTreeCount() + 1);
    EXPECT_EQ(island.device.worlds[0]._11, 1.0f) << "boxes are already scaled";
    EXPECT_LT(island.device.log.IndexOf("wireframe on"), island.device.log.IndexOf("wireframe off"));
}

TEST(Forest, TheWalkerHitsTreesAheadWithinTheRadiusOnly) {
    Island island(kInnerCells);
    CForest forest;
    ASSERT_TRUE(forest.Init(&island.device, &island.map, 1, 1.0f, 50.0f));
    const qrn::Vector4 t = forest.GetTreePositions()[0];
    const qrn::Vector4 east(t.x + 3.0f, t.y, t.z, 1), west(-1, 0, 0, 1), eastward(1, 0, 0, 1);
    EXPECT_TRUE(forest.CollidesWith(east, west, 3.0f)) << "exactly at the radius";
    EXPECT_FALSE(forest.CollidesWith(east, eastward, 3.0f)) << "already passed";
    EXPECT_TRUE(forest.CollidesWith(east, qrn::Vector4(0, 0, 1, 1), 3.0f)) << "side by side still counts";
    EXPECT_FALSE(forest.CollidesWith(qrn::Vector4(t.x + 3.01f, t.y, t.z, 1), west, 3.0f));
}

}  // namespace
