// The flock: placement over the area and over the terrain, the pair sums,
// the once-per-update steering steps, hits, falling and landing, the
// circling goal and drawing.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "Flock.h"
#include "fake_device.h"
#include "flat_terrain.h"
#include "qrn_win32_testctl.h"
#include "scene/FlockImpl.h"

using qrn::Matrix4x4;
using qrn::Vector4;
using qrngu::CFlock;
using qrngu::SBoid;

namespace testctl = qrn::win32::testctl;

namespace {

float Dist(const Vector4& a, const Vector4& b) {
    return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) + (a.z - b.z) * (a.z - b.z));
}

bool Finite(const SBoid& b) {
    bool ok = std::isfinite(b.position.x) && std::isfinite(b.position.y) && std::isfinite(b.position.z);
    for (int i = 0; i < 16; ++i) ok = ok && std::isfinite(b.world.Get()[i]);
    return ok;
}

}  // namespace

class Flock : public ::testing::Test {
protected:
    // count birds with a fixed goal far ahead along +z at height 50.
    void Make(unsigned count) {
        ASSERT_TRUE(flock.SetData(&dev, count, Vector4(0, 0, 0, 1), Vector4(64, 10, 64, 1)));
        const Vector4 goal(0, 50, 5000, 1);
        flock.SetGoal(&goal);
    }
    void Place(unsigned i, float x, float y, float z) { flock.GetBoids()[i].position.Set(x, y, z, 1); }
    void TearDown() override { testctl::SetDebugOutputCapture({}); }

    fake::Device dev;
    CFlock flock;
};

TEST_F(Flock, PlacementInTheAreaAndOverTheTerrain) {
    std::srand(7);
    Make(50);
    EXPECT_EQ(dev.log.Count("LoadFromFiles BirdUP.x BirdDOWN.x"), 1);
    for (unsigned i = 0; i < 50; ++i) {
        const SBoid& b = flock.GetBoids()[i];
        // extent - (0 ... 2 x extent - 1), in whole steps
        EXPECT_GE(b.position.x, -63.0f);
        EXPECT_LE(b.position.x, 64.0f);
        EXPECT_GE(b.position.y, -9.0f);
        EXPECT_LE(b.position.y, 10.0f);
        EXPECT_EQ(b.position.x, std::floor(b.position.x));
        EXPECT_NEAR(Dist(b.heading, Vector4()), 1.0f, 1e-5f);
        EXPECT_GE(b.wingPhase, 0.0f);
        EXPECT_LE(b.wingPhase, 2.99f + 1e-5f);
        for (int k = 0; k < 16; ++k) EXPECT_EQ(b.world.Get()[k], 0.0f);  // collapsed until flown
        EXPECT_FALSE(b.hit || b.dead);
    }

    // Over a terrain of height 4: 1 to 1.9 above it with a height range of
    // 1, shifted by the offset; no water before it is set.
    life::FlatTerrain ground(dev, 8, 0.5f);
    flock.SetTerrain(&ground.map, 1, Vector4(2, 0, 0, 1));
    for (unsigned i = 0; i < 50; ++i) {
        const Vector4& p = flock.GetBoids()[i].position;
        EXPECT_GE(p.x, 2.0f);
        EXPECT_LE(p.x, 18.0f);
        EXPECT_GE(p.y, 5.0f - 1e-5f);
        EXPECT_LE(p.y, 5.9f + 1e-5f);
    }
    // Water above the ground raises the floor; a range of 0 (or below)
    // leaves every bird exactly 1 above it.
    flock.SetWaterHeight(20.0f);
    flock.SetTerrain(&ground.map, -3, Vector4(0, 0, 0, 1));
    EXPECT_EQ(flock.GetHeightRange(), 0);
    for (unsigned i = 0; i < 50; ++i) EXPECT_EQ(flock.GetBoids()[i].position.y, 21.0f);

    // An area of extent below 1 is a single point.
    CFlock point;
    point.SetData(&dev, 3, Vector4(1, 2, 3, 1), Vector4(0.5f, -4, 0, 1));
    for (unsigned i = 0; i < 3; ++i) {
        const Vector4& p = point.GetBoids()[i].position;
        EXPECT_EQ(p.x, 1.5f);
        EXPECT_EQ(p.y, -2.0f);
        EXPECT_EQ(p.z, 3.0f);
    }
}

TEST_F(Flock, PairSumsWithinTheInfluenceOnly) {
    Make(4);
    flock.SetBoidInfluence(10.0f);
    Place(0, 0, 50, 0);
    Place(1, 10, 50, 0);   // exactly at the influence: not a neighbour of 0
    Place(2, 0, 50, 4);    // 4 from bird 0, sqrt(116) from bird 1
    Place(3, 0, 50, -3);   // hit: takes no part
    flock.GetBoids()[3].hit = true;
    flock.GetBoids()[2].heading.Set(1, 0, 0, 1);
    flock.GetBoids()[0].heading.Set(0, 0, 1, 1);
    flock.Update(0.0f);
    const SBoid* b = flock.GetBoids();
    EXPECT_EQ(b[0].neighbours, 1u);
    EXPECT_EQ(b[1].neighbours, 0u);
    EXPECT_EQ(b[2].neighbours, 1u);
    EXPECT_EQ(b[3].neighbours, 0u);
    // Separation: a push apart of length 1 / d on both birds.
    EXPECT_FLOAT_EQ(b[0].separation.z, -0.25f);
    EXPECT_FLOAT_EQ(b[2].separation.z, 0.25f);
    EXPECT_EQ(b[0].separation.x, 0.0f);
    // Cohesion: towards the neighbour; alignment: towards its heading.
    EXPECT_FLOAT_EQ(b[0].cohesion.z, 1.0f);
    EXPECT_FLOAT_EQ(b[2].cohesion.z, -1.0f);
    EXPECT_NEAR(b[0].alignment.x, std::sqrt(0.5f), 1e-6f);
    EXPECT_NEAR(b[0].alignment.z, -std::sqrt(0.5f), 1e-6f);
    // No neighbours: the cohesion sum stays null, the goal still steers.
    EXPECT_TRUE(b[1].cohesion.IsNull());
    EXPECT_NEAR(Dist(b[1].goalDirection, Vector4()), 1.0f, 1e-6f);

    // Two birds in one place: no NaN reaches a position or a matrix.
    Place(1, 0, 50, 0);
    for (int i = 0; i < 20; ++i) flock.Update(0.02f);
    for (unsigned i = 0; i < 4; ++i) EXPECT_TRUE(Finite(b[i])) << i;
}

TEST_F(Flock, SteeringStepsOncePerUpdate) {
    Make(1);
    SBoid& b = flock.GetBoids()[0];
    Place(0, 0, 50, 0);
    b.pitch = 0.5f;
    // Level steer: the pitch decays by 0.98 per update, whatever the time step.
    flock.Update(0.001f);
    EXPECT_FLOAT_EQ(b.pitch, 0.49f);
    EXPECT_FLOAT_EQ(b.speed, 0.05f);  // a new bird starts at half the flock speed
    const float phase = b.wingPhase;
    const Vector4 before = b.position;
    flock.Update(1.0f);
    EXPECT_FLOAT_EQ(b.pitch, 0.49f * 0.98f);
    EXPECT_NEAR(b.wingPhase, phase + 8 + 6 * b.pitch, 1e-5f);
    // The heading is row 3 of the orientation, 0.1 long; the bird moves
    // along it by 10 x speed per second from where it was.
    EXPECT_NEAR(Dist(b.heading, Vector4()), 0.1f, 1e-6f);
    EXPECT_NEAR(b.heading.y, 0.1f * std::sin(b.pitch), 1e-6f);
    EXPECT_NEAR(Dist(b.position, before), 10 * b.speed, 1e-4f);
    EXPECT_NEAR(b.world._41, before.x, 1e-4f);  // the half turn keeps the translation
    EXPECT_NEAR(b.world._42, before.y, 1e-4f);

    // A goal above: the pitch climbs by 0.2 per update up to 0.8, and the
    // climb slows the bird below the flock speed.
    const Vector4 up(0, 5000, 1, 1);
    flock.SetGoal(&up);
    for (int i = 0; i < 6; ++i) flock.Update(0.01f);
    EXPECT_FLOAT_EQ(b.pitch, 0.8f);
    EXPECT_LT(b.speed, 0.1f);

    // Just under 1 above the ground: an upward steer of 1.
    life::FlatTerrain ground(dev, 10, 1.0f);
    flock.SetTerrain(&ground.map, 1, Vector4(0, 0, 0, 1));
    Place(0, 8, 10.99f, 8);
    flock.Update(0.0f);
    EXPECT_EQ(b.avoidance.y, 1.0f);
    Place(0, 8, 11.01f, 8);
    flock.Update(0.0f);
    EXPECT_EQ(b.avoidance.y, 0.0f);
}

TEST_F(Flock, HitsFallAndLand) {
    Make(3);
    flock.Update(0.0f);  // flown once: speed 0.05
    Place(0, 0, 20, 0);
    Place(1, 0.5f, 20, 0);
    Place(2, 0.8f, 20.8f, 0);
    EXPECT_FALSE(flock.CheckCollisions(Vector4(-0.8f, 20, 0, 1)));  // exactly 0.8 away
    EXPECT_FALSE(flock.GetBoids()[0].hit);
    EXPECT_TRUE(flock.CheckCollisions(Vector4(0.25f, 20, 0, 1)));  // within reach of two
    EXPECT_TRUE(flock.GetBoids()[0].hit && flock.GetBoids()[1].hit);
    EXPECT_FALSE(flock.GetBoids()[2].hit);

    // Over a terrain of height 18: straight down at 8 x speed per second,
    // keeping the pose; drawn until it is under the ground, then dead.
    life::FlatTerrain ground(dev, 18, 1.0f);
    flock.SetTerrain(&ground.map, 1, Vector4(0, 0, 0, 1));
    Place(0, 8, 20, 8);
    SBoid& b = flock.GetBoids()[0];
    const float pitch = b.pitch, phase = b.wingPhase;
    flock.Update(2.0f);
    EXPECT_FLOAT_EQ(b.position.y, 20 - 8 * 0.05f * 2);
    EXPECT_EQ(b.heading.y, -8.0f);
    EXPECT_EQ(b.pitch, pitch);
    EXPECT_EQ(b.wingPhase, phase);
    EXPECT_FALSE(b.dead);
    dev.log.lines.clear();
    EXPECT_TRUE(flock.Render());
    EXPECT_EQ(dev.log.Count("TweenMesh.Render"), 3);
    flock.Update(2.0f);  // 18.4: still above
    flock.Update(2.0f);  // 17.6: landed
    EXPECT_TRUE(b.dead);
    EXPECT_FALSE(b.hit);
    const Vector4 rest = b.position;
    flock.Update(2.0f);
    EXPECT_EQ(b.position.y, rest.y);
    dev.log.lines.clear();
    EXPECT_TRUE(flock.Render());
    EXPECT_EQ(dev.log.Count("TweenMesh.Render"), 1);  // bird 1, hit too, has landed as well

    // Without a terrain a hit bird comes to rest on the floor of its area.
    CFlock loose;
    loose.SetData(&dev, 1, Vector4(0, 3, 0, 1), Vector4(4, 4, 4, 1));
    const Vector4 goal(0, 0, 100, 1);
    loose.SetGoal(&goal);
    loose.Update(0.0f);
    loose.CheckCollisions(loose.GetBoids()[0].position);
    for (int i = 0; i < 100 && !loose.GetBoids()[0].dead; ++i) loose.Update(1.0f);
    EXPECT_TRUE(loose.GetBoids()[0].dead);
    EXPECT_LT(loose.GetBoids()[0].position.y, 3.0f);
    EXPECT_GT(loose.GetBoids()[0].position.y, 2.0f);
}

TEST_F(Flock, CirclingGoalWritesItsLineAndAFixedGoalStays) {
    std::vector<std::string> lines;
    testctl::SetDebugOutputCapture([&](const char* t) { lines.push_back(t); });
    Make(1);
    flock.SetGoal(nullptr);
    testctl::SetTickCount(15708);  // a quarter turn: sin 1, cos 0 (the clock runs on from here)
    flock.Update(0.0f);
    Vector4 g = flock.GetGoal();
    EXPECT_NEAR(g.x, 128.0f, 0.05f);
    EXPECT_NEAR(g.y, 20.0f, 0.05f);
    EXPECT_NEAR(g.z, 64.0f, 0.05f);
    char want[256];
    std::snprintf(want, sizeof want, "Goal: %f, %f, %f \n", g.x, g.y, g.z);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], want);

    // Over a terrain: on the ellipse that touches its edges, 1.5 above the
    // ground or the water.
    life::FlatTerrain ground(dev, 4, 1.0f);
    flock.SetTerrain(&ground.map, 1, Vector4(2, 0, 0, 1));
    testctl::SetTickCount(7854);  // an eighth of a turn
    flock.Update(0.0f);
    g = flock.GetGoal();
    const float edge = 8.5f + 8.5f * std::sqrt(0.5f);
    EXPECT_NEAR(g.x, edge + 2, 0.05f);
    EXPECT_NEAR(g.y, 5.5f, 1e-3f);
    EXPECT_NEAR(g.z, edge, 0.05f);
    flock.SetWaterHeight(10.0f);
    flock.Update(0.0f);
    EXPECT_NEAR(flock.GetGoal().y, 11.5f, 1e-3f);

    const Vector4 fixed(1, 2, 3, 4);
    flock.SetGoal(&fixed);
    lines.clear();
    flock.Update(0.0f);
    EXPECT_EQ(flock.GetGoal().w, 4.0f);
    EXPECT_TRUE(lines.empty());
    testctl::ResetTickCount();
}

TEST_F(Flock, DrawsLivingBirdsWithTheWingBlendAndStopsAtAFailedDraw) {
    qrngu::IFlock shell;
    EXPECT_FALSE(shell.Render());  // nothing to draw with
    dev.missingFiles.insert("BirdDOWN.x");
    EXPECT_FALSE(shell.SetData(&dev, 3, Vector4(), Vector4(8, 8, 8, 1)));
    shell.Update(0.1f);  // the birds fly all the same
    dev.missingFiles.clear();
    ASSERT_TRUE(flock.SetData(&dev, 3, Vector4(), Vector4(8, 8, 8, 1)));
    flock.Update(0.1f);
    dev.worlds.clear();
    ASSERT_TRUE(flock.Render());
    ASSERT_EQ(dev.worlds.size(), 3u);
    const auto& factors = static_cast<fake::TweenMesh*>(flock.GetMesh())->factors;
    ASSERT_EQ(factors.size(), 3u);
    for (unsigned i = 0; i < 3; ++i) {
        EXPECT_FLOAT_EQ(factors[i], std::sin(flock.GetBoids()[i].wingPhase));
        EXPECT_EQ(dev.worlds[i]._43, flock.GetBoids()[i].world._43);
    }
    dev.drawFails = true;
    EXPECT_FALSE(flock.Render());
    EXPECT_EQ(factors.size(), 4u);  // stopped at the first bird
}
