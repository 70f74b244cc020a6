// Particle systems: lifetimes, release timing, where and how fast particles
// start, the forces, the collision tests, the light and the draw sequence.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "Flock.h"
#include "Obstacle.h"
#include "ParticleSystem.h"
#include "fake_device.h"
#include "flat_terrain.h"
#include "scene/ParticleSystemImpl.h"

using qrn::Vector4;
using qrngu::CParticle;
using qrngu::CParticleSystem;
using qrngu::SParticleVertex;

namespace {

std::vector<const CParticle*> Active(const CParticleSystem& ps) {
    std::vector<const CParticle*> v;
    for (const CParticle* p = ps.GetActiveList(); p; p = p->m_pNext) v.push_back(p);
    return v;
}

unsigned Length(const CParticle* p) {
    unsigned n = 0;
    for (; p; p = p->m_pNext) ++n;
    return n;
}

}  // namespace

class Particles : public ::testing::Test {
protected:
    // A manually released system: nothing moves but what the test asks for.
    void Manual(unsigned max, Vector4 origin = Vector4(1, 2, 3, 1)) {
        ASSERT_TRUE(ps.Init(max, origin, true, nullptr, &dev));
        ps.SetVelocity(Vector4(0, 0, 0, 1), 0.0f);
        ps.SetReleaseRate(1, 0.0f);
    }
    fake::Device dev;
    CParticleSystem ps;
};

TEST_F(Particles, LifetimeZeroIsDrawnOnceAndAgeEqualToLifetimeStillLives) {
    Manual(10);
    ps.SetParticleData(0.0f, 1.0f);
    ps.Emit();
    ps.Update(0.25f);  // age 0 is not past 0: moved and drawn
    EXPECT_EQ(ps.GetDrawnCount(), 1u);
    ps.Update(0.25f);
    EXPECT_EQ(ps.GetDrawnCount(), 0u);
    EXPECT_EQ(ps.GetActiveCount(), 0u);
    EXPECT_EQ(Length(ps.GetFreeList()), 1u);

    ps.SetParticleData(0.5f, 1.0f);
    ps.Emit();  // the recycled particle
    EXPECT_EQ(Length(ps.GetFreeList()), 0u);
    ps.Update(0.25f);
    ps.Update(0.25f);  // age now exactly 0.5
    ps.Update(0.25f);
    EXPECT_EQ(ps.GetDrawnCount(), 1u);
    ps.Update(0.25f);
    EXPECT_EQ(ps.GetActiveCount(), 0u);
}

TEST_F(Particles, ReleaseTimingZeroCountFullPoolAndManualMode) {
    // A release count of 0 never releases but resets the timer when due.
    ASSERT_TRUE(ps.Init(3, Vector4(), false, nullptr, &dev));
    ps.SetReleaseRate(0, 0.1f);
    ps.Update(0.25f);
    EXPECT_EQ(ps.GetActiveCount(), 0u);
    EXPECT_EQ(ps.GetReleaseTimer(), 0.0f);

    // Full: release pauses while the timer runs on; the update in which
    // particles die refills at its end.
    ps.SetReleaseRate(2, 0.1f);
    ps.SetParticleData(0.35f, 1.0f);
    ps.Update(0.125f);
    EXPECT_EQ(ps.GetActiveCount(), 2u);
    ps.Update(0.125f);
    EXPECT_EQ(ps.GetActiveCount(), 3u);  // only one more fits
    ps.Update(0.125f);
    ps.Update(0.125f);
    EXPECT_EQ(ps.GetActiveCount(), 3u);
    EXPECT_FLOAT_EQ(ps.GetReleaseTimer(), 0.25f);
    ps.Update(0.125f);  // the first two are now 0.375 old
    ps.Update(0.125f);  // ... and die here; two new ones at the end
    EXPECT_EQ(ps.GetActiveCount(), 3u);
    EXPECT_EQ(ps.GetReleaseTimer(), 0.0f);
    EXPECT_EQ(Length(ps.GetFreeList()), 0u);  // recycled, not new

    // Manual mode: Update never releases; Emit only once the interval passed.
    CParticleSystem manual;
    ASSERT_TRUE(manual.Init(10, Vector4(), true, nullptr, &dev));
    manual.SetReleaseRate(4, 0.5f);
    manual.Update(0.25f);
    manual.Emit();
    EXPECT_EQ(manual.GetActiveCount(), 0u);
    manual.Update(0.25f);
    EXPECT_EQ(manual.GetActiveCount(), 0u);
    manual.Emit();
    EXPECT_EQ(manual.GetActiveCount(), 4u);
}

TEST_F(Particles, StartPointsAndStartVelocities) {
    const Vector4 base(1, 2, 3, 1);
    Manual(400, Vector4(10, 20, 30, 1));
    ps.SetReleaseRate(200, 0.0f);

    // A flat region along x: points on the segment origin -1 ... origin +1.
    ps.SetRegionDimension(Vector4(2, 0, 0, 1));
    ps.SetVelocity(base, 0.5f);
    ps.Emit();
    float lo = 1e9f, hi = -1e9f;
    for (const CParticle* p : Active(ps)) {
        EXPECT_GE(p->m_fX, 9.0f);
        EXPECT_LE(p->m_fX, 11.0f);
        EXPECT_EQ(p->m_fY, 20.0f);
        EXPECT_EQ(p->m_fZ, 30.0f);
        lo = std::fmin(lo, p->m_fX);
        hi = std::fmax(hi, p->m_fX);
        // The random part is exactly as long as the variance.
        const float dx = p->m_vVelocity.x - 1, dy = p->m_vVelocity.y - 2, dz = p->m_vVelocity.z - 3;
        EXPECT_NEAR(std::sqrt(dx * dx + dy * dy + dz * dz), 0.5f, 1e-5f);
        EXPECT_EQ(p->m_dwColor, 0xFFFFFFFFu);
        EXPECT_EQ(p->m_fAge, 0.0f);
    }
    EXPECT_LT(lo, 9.8f);  // spread over the segment, not at its ends only
    EXPECT_GT(hi, 10.2f);

    // A zero region (whatever w) starts at the origin; variance 0 gives the
    // base velocity itself.
    ps.SetRegionDimension(Vector4(0, 0, 0, 7));
    EXPECT_FALSE(ps.IsRegionOn());
    ps.SetVelocity(base, 0.0f);
    ps.Init(400, Vector4(10, 20, 30, 1), true, nullptr, &dev);
    ps.Emit();
    for (const CParticle* p : Active(ps)) {
        EXPECT_EQ(p->m_fX, 10.0f);
        EXPECT_EQ(p->m_vVelocity.x, 1.0f);
        EXPECT_EQ(p->m_vVelocity.y, 2.0f);
        EXPECT_EQ(p->m_vVelocity.z, 3.0f);
    }
}

TEST_F(Particles, GravityAndWindStep) {
    Manual(4, Vector4(0, 10, 0, 1));
    ps.SetVelocity(Vector4(4, 0, 2, 1), 0.0f);
    ps.SetGravity(Vector4(0, -9, 0, 1));
    ps.Emit();
    ps.Update(0.1f);
    // Gravity alone: the horizontal part decays by (1 - dt) per step.
    const Vector4& v = Active(ps)[0]->m_vVelocity;
    EXPECT_FLOAT_EQ(v.x, 4 * 0.9f);
    EXPECT_FLOAT_EQ(v.y, -0.9f * 0.9f);
    EXPECT_FLOAT_EQ(v.z, 2 * 0.9f);
    const SParticleVertex& drawn = ps.GetVertices()[0];
    EXPECT_FLOAT_EQ(drawn.x, 0.36f);
    EXPECT_FLOAT_EQ(drawn.y, 10 - 0.081f);
    EXPECT_FLOAT_EQ(drawn.z, 0.18f);
    EXPECT_EQ(drawn.color, 0xFFFFFFFFu);

    // The rain's numbers: the velocity relaxes towards the wind's.
    ps.Init(4, Vector4(0, 0, 0, 1), true, nullptr, &dev);
    ps.SetVelocity(Vector4(0, -8, 0, 1), 0.0f);
    ps.SetGravity(Vector4(0, -9.8f, 0, 1));
    ps.SetWind(Vector4(1.5f, 0, 1.2f, 1));
    ps.Emit();
    ps.Update(0.1f);
    const Vector4& r = Active(ps)[0]->m_vVelocity;
    EXPECT_FLOAT_EQ(r.x, 0.15f);
    EXPECT_FLOAT_EQ(r.y, -8.98f * 0.9f);
    EXPECT_FLOAT_EQ(r.z, 0.12f);

    // Zero vectors (whatever w) switch the forces off: plain motion.
    ps.SetGravity(Vector4(0, 0, 0, 5));
    ps.SetWind(Vector4(0, 0, 0, 5));
    EXPECT_FALSE(ps.IsGravityOn() || ps.IsWindOn());
    const float y = ps.GetVertices()[0].y;
    ps.Update(0.5f);
    EXPECT_FLOAT_EQ(ps.GetVertices()[0].y, y + r.y * 0.5f);
}

TEST_F(Particles, HiddenUnderGroundButStillCollidingAndVisibleAgainAbove) {
    life::FlatTerrain ground(dev, 10, 1.0f);  // height 10
    qrngu::CObstacleList obstacles;
    obstacles.AddSphereObstacle(Vector4(8, 8, 8, 1), 1.5f);
    qrngu::IFlock flock;
    // An area of extent below 1: the one bird sits at origin + extent, (8, 7, 8).
    flock.SetData(&dev, 1, Vector4(7.5f, 6.5f, 7.5f, 1), Vector4(0.5f, 0.5f, 0.5f, 1));
    const Vector4 goal(100, 7, 8, 1);
    flock.SetGoal(&goal);
    flock.Update(0.0f);  // flown once: it has a speed to fall with

    Manual(4, Vector4(8, 5, 8, 1));
    ps.SetVelocity(Vector4(0, 20, 0, 1), 0.0f);
    ps.SetHeightMap(&ground.map);
    ps.SetObstacles(&obstacles);
    ps.SetFlockObstacles(&flock);
    ps.Emit();
    ps.Update(0.1f);  // y 7: under the ground, inside the sphere, on the bird
    EXPECT_EQ(ps.GetActiveCount(), 1u);
    EXPECT_EQ(ps.GetDrawnCount(), 0u);
    EXPECT_NE(Active(ps)[0]->m_vVelocity.y, 20.0f);  // pushed by the obstacle

    // The bird was hit: it falls to the floor of its area and is no longer drawn.
    for (int i = 0; i < 4; ++i) flock.Update(1.0f);
    dev.log.lines.clear();
    EXPECT_TRUE(flock.Render());
    EXPECT_EQ(dev.log.Count("TweenMesh.Render"), 0);

    // Rising above the ground it is drawn again and makes the centroid.
    ps.SetObstacles(nullptr);
    ps.GetActiveList()->m_vVelocity.Set(0, 40, 0, 1);
    ps.Update(0.25f);
    ASSERT_EQ(ps.GetDrawnCount(), 1u);
    EXPECT_GT(ps.GetVertices()[0].y, 10.0f);
    EXPECT_EQ(ps.GetCentroid().y, ps.GetVertices()[0].y);
}

TEST_F(Particles, RenderSequenceLightAndBlending) {
    dev.verbose = true;
    qrn::SLight light{};
    light.type = 1;
    light.range = 50;
    Manual(8);
    ps.SetParticleData(1.0f, 0.4f);
    ps.SetLightEffect(1, light);
    ASSERT_TRUE(ps.SetTexture("ptl_fire.bmp"));

    // Nothing visible: the light goes off and nothing is drawn.
    dev.log.lines.clear();
    EXPECT_TRUE(ps.Render());
    EXPECT_EQ(dev.log.lines, std::vector<std::string>{"SetLight 1"});
    EXPECT_EQ(dev.lastLight.type, 0);  // switched off with no record

    ps.SetRegionDimension(Vector4(4, 4, 4, 1));
    ps.SetReleaseRate(3, 0.0f);
    ps.Emit();
    ps.Update(0.1f);
    ASSERT_EQ(ps.GetDrawnCount(), 3u);
    dev.log.lines.clear();
    EXPECT_TRUE(ps.Render());
    EXPECT_EQ(dev.log.lines,
              (std::vector<std::string>{"BeginRendering", "Texture.Apply ptl_fire.bmp 0 0 2 2", "Material.Apply",
                                        "SetAdditiveBlending 1 0", "SetDepthBufferMode 2", "SetLight 1",
                                        "SetPointSize 0.4", "DrawUserPrimitives 3 1", "SetAdditiveBlending 0 0",
                                        "SetDepthBufferMode 1", "EndRendering"}));
    // The light sits on the centroid of what was drawn.
    const auto* v = reinterpret_cast<const SParticleVertex*>(dev.userDraws.back().data());
    EXPECT_FLOAT_EQ(dev.lastLight.position.x, (v[0].x + v[1].x + v[2].x) / 3);
    EXPECT_FLOAT_EQ(dev.lastLight.position.y, (v[0].y + v[1].y + v[2].y) / 3);
    EXPECT_EQ(dev.lastLight.position.w, 1.0f);
    EXPECT_EQ(dev.lastLight.range, 50.0f);

    // Inside a frame, untextured, inverse blending.
    CParticleSystem plain;
    ASSERT_TRUE(plain.Init(4, Vector4(), false, nullptr, &dev));
    plain.SetInversSrcColorBlending(true);
    plain.Update(0.1f);
    plain.Update(0.1f);
    dev.rendering = true;
    dev.log.lines.clear();
    EXPECT_TRUE(plain.Render());
    EXPECT_EQ(dev.log.lines, (std::vector<std::string>{"SetTexturing 0", "Material.Apply", "SetAdditiveBlending 1 1",
                                                       "SetDepthBufferMode 2", "SetPointSize 0.0025",
                                                       "DrawUserPrimitives 4 1", "SetTexturing 1",
                                                       "SetAdditiveBlending 0 0", "SetDepthBufferMode 1"}));
    dev.rendering = false;
    dev.beginFails = true;
    EXPECT_FALSE(plain.Render());
    EXPECT_FALSE(CParticleSystem().Render());  // no device
}

TEST_F(Particles, InitThatCannotHoldTheArrayFailsAndDrawsNothing) {
    qrngu::IParticleSystem shell;
    dev.verbose = true;
    ASSERT_TRUE(shell.Init(50, Vector4(), false, nullptr, &dev));
    shell.SetReleaseRate(50, 0.0f);
    shell.Update(0.1f);
    shell.Update(0.1f);  // 50 drawn into the array

    // Too large to hold (a configuration file may ask for this).
    EXPECT_FALSE(shell.Init(4000000000u, Vector4(), false, nullptr, &dev));
    dev.log.lines.clear();
    EXPECT_TRUE(shell.Render());
    for (int i = 0; i < 3; ++i) shell.Update(0.1f);
    EXPECT_TRUE(shell.Render());
    EXPECT_EQ(dev.log.CountPrefix("DrawUserPrimitives"), 0);

    // A smaller array does not draw what the larger one held; a later Init
    // that fits works again.
    ASSERT_TRUE(shell.Init(10, Vector4(), false, nullptr, &dev));
    EXPECT_TRUE(shell.Render());
    EXPECT_EQ(dev.log.CountPrefix("DrawUserPrimitives"), 0);
    shell.Update(0.1f);
    shell.Update(0.1f);
    EXPECT_TRUE(shell.Render());
    EXPECT_EQ(dev.log.Count("DrawUserPrimitives 10 1"), 1);
}
