// The camera: positions and angles after known updates, the wrap and clamp of
// the angles, the view matrix, and what happens to bad rates.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <type_traits>

#include "Camera.h"
#include "scene/CameraImpl.h"

using qrn::Matrix4x4;
using qrn::Vector4;
using qrngu::CCamera;
using qrngu::ICamera;

namespace {
constexpr float kPi = 3.14159265f;

void ExpectVec(const Vector4& v, float x, float y, float z, float eps = 1e-5f) {
    EXPECT_NEAR(v.x, x, eps);
    EXPECT_NEAR(v.y, y, eps);
    EXPECT_NEAR(v.z, z, eps);
}
}  // namespace

static_assert(!std::is_copy_constructible_v<ICamera> && !std::is_copy_assignable_v<ICamera>);

TEST(Camera, StartsAtTheOriginLookingAlongZ) {
    ICamera cam;
    Matrix4x4 v = cam.GetViewMatrix();
    for (int i = 0; i < 16; ++i) EXPECT_EQ(v.Get()[i], (i % 5 == 0) ? 1.0f : 0.0f);
    Vector4 p = cam.GetPosition(), d = cam.GetDir();
    ExpectVec(p, 0, 0, 0);
    EXPECT_EQ(p.w, 1.0f);
    ExpectVec(d, 0, 0, 1);
    EXPECT_FALSE(cam.IsMoving());
}

TEST(Camera, SetPositionWithoutUpdateOnlyMovesTheEye) {
    ICamera cam;
    cam.SetPosition(Vector4(1, 2, 3, 1));
    Matrix4x4 v = cam.GetViewMatrix();
    EXPECT_EQ(v._11, 1.0f);
    EXPECT_EQ(v._22, 1.0f);
    EXPECT_EQ(v._33, 1.0f);
    EXPECT_EQ(v._12, 0.0f);
    EXPECT_EQ(v._41, -1.0f);
    EXPECT_EQ(v._42, -2.0f);
    EXPECT_EQ(v._43, -3.0f);
    EXPECT_EQ(v._44, 1.0f);
    EXPECT_EQ(cam.GetPosition().w, 1.0f);
}

TEST(Camera, PositiveYawTurnsLeftAndPitchClamps) {
    CCamera cam;
    cam.SetRotationSpeedY(kPi / 2);
    cam.Update(1);
    ExpectVec(cam.GetDir(), -1, 0, 0);
    ExpectVec(cam.GetRight(), 0, 0, 1);
    ExpectVec(cam.GetPosition(), 0, 0, 0);

    CCamera up;
    up.SetRotationSpeedX(10);
    up.Update(1);
    EXPECT_FLOAT_EQ(up.GetPitch(), 1.4f);
    EXPECT_NEAR(up.GetDir().y, 0.98545f, 1e-5f);
    up.SetRotationSpeedX(-100);
    up.Update(1);
    EXPECT_FLOAT_EQ(up.GetPitch(), -1.4f);

    // A general orientation matches the closed form.
    CCamera g;
    g.SetRotationSpeedY(0.6f);
    g.SetRotationSpeedX(-0.3f);
    g.Update(1);
    ExpectVec(g.GetDir(), -std::sin(0.6f) * std::cos(-0.3f), std::sin(-0.3f),
              std::cos(0.6f) * std::cos(-0.3f));
    ExpectVec(g.GetRight(), std::cos(0.6f), 0, std::sin(0.6f));
}

TEST(Camera, YawWrapsOnceBeyondTwoPi) {
    CCamera cam;
    cam.SetRotationSpeedY(7.0f);
    cam.Update(1);
    EXPECT_NEAR(cam.GetYaw(), 7.0f - 6.283185f, 1e-5f);
    CCamera neg;
    neg.SetRotationSpeedY(-7.0f);
    neg.Update(1);
    EXPECT_NEAR(neg.GetYaw(), -7.0f + 6.283185f, 1e-5f);
}

TEST(Camera, MovesAlongTheNewAxesAndKeepsItsRates) {
    ICamera cam;
    cam.SetSpeed(10);
    cam.Update(0.5f);
    ExpectVec(cam.GetPosition(), 0, 0, 5);
    EXPECT_EQ(cam.GetPosition().w, 1.0f);

    ICamera slide;
    slide.SetSlideSpeed(-4);
    slide.Update(1);
    ExpectVec(slide.GetPosition(), -4, 0, 0);

    ICamera twice;
    twice.SetSpeed(1);
    twice.Update(1);
    twice.Update(1);
    ExpectVec(twice.GetPosition(), 0, 0, 2);

    // Looking up while walking climbs.
    CCamera climb;
    climb.SetRotationSpeedX(1.4f);
    climb.Update(1);
    climb.SetRotationSpeedX(0);
    climb.SetSpeed(10);
    climb.Update(1);
    EXPECT_NEAR(climb.GetPosition().y, 10 * std::sin(1.4f), 1e-4f);

    // Zero time: nothing moves, the view is still rebuilt from the position.
    ICamera still;
    still.SetPosition(Vector4(3, 4, 5, 1));
    still.SetSpeed(100);
    still.Update(0);
    ExpectVec(still.GetPosition(), 3, 4, 5);
    EXPECT_FLOAT_EQ(still.GetViewMatrix()._43, -5.0f);
}

TEST(Camera, ViewMatrixTakesTheEyeToTheOriginAndTheViewToPlusZ) {
    ICamera cam;
    cam.SetPosition(Vector4(128, 15, 148, 1));
    cam.SetRotationSpeedY(0.9f);
    cam.SetRotationSpeedX(0.2f);
    cam.Update(1);
    Matrix4x4 v = cam.GetViewMatrix();
    Vector4 eye = cam.GetPosition();
    Vector4 ahead = eye + cam.GetDir() * 10.0f;
    Vector4 e = v * eye;
    Vector4 a = v * ahead;
    ExpectVec(e, 0, 0, 0, 1e-3f);
    ExpectVec(a, 0, 0, 10, 1e-3f);
}

TEST(Camera, IsMovingCountsOnlyPositiveValues) {
    ICamera cam;
    cam.SetSpeed(-2);
    EXPECT_FALSE(cam.IsMoving());
    cam.SetSpeed(0);
    cam.SetRotationSpeedY(0.1f);
    EXPECT_TRUE(cam.IsMoving());
    cam.SetRotationSpeedY(0);
    cam.SetSlideSpeed(-1);
    cam.SetRotationSpeedX(-1);
    EXPECT_FALSE(cam.IsMoving());
    cam.SetRotationSpeedX(0.01f);
    EXPECT_TRUE(cam.IsMoving());
}

TEST(Camera, NonFiniteAndHugeInputStayBounded) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    CCamera cam;
    cam.SetPosition(Vector4(1, 2, 3, 1));
    cam.SetRotationSpeedY(nan);
    cam.SetRotationSpeedX(inf);
    cam.SetSpeed(nan);
    cam.Update(1);
    EXPECT_EQ(cam.GetYaw(), 0.0f);
    EXPECT_EQ(cam.GetPitch(), 0.0f);
    ExpectVec(cam.GetPosition(), 1, 2, 3);
    ExpectVec(cam.GetDir(), 0, 0, 1);

    // NaN time as well.
    cam.SetRotationSpeedY(1);
    cam.SetSpeed(1);
    cam.Update(nan);
    ExpectVec(cam.GetPosition(), 1, 2, 3);

    // A huge but finite yaw rate still leaves a yaw within +-2 pi and a unit
    // view direction.
    cam.SetRotationSpeedY(1e9f);
    for (int i = 0; i < 5; ++i) cam.Update(1);
    EXPECT_LE(std::fabs(cam.GetYaw()), 6.2832f);
    EXPECT_NEAR(cam.GetDir().GetLength(), 1.0f, 1e-5f);

    // A speed that would carry the eye to infinity is not applied.
    cam.SetRotationSpeedY(0);
    cam.SetSpeed(3e38f);
    cam.Update(1e5f);
    EXPECT_TRUE(std::isfinite(cam.GetPosition().x));
    EXPECT_TRUE(std::isfinite(cam.GetPosition().z));

    // A non-finite eye point is refused.
    cam.SetPosition(Vector4(nan, 0, 0, 1));
    EXPECT_TRUE(std::isfinite(cam.GetPosition().x));
    Matrix4x4 v = cam.GetViewMatrix();
    for (int i = 0; i < 16; ++i) EXPECT_TRUE(std::isfinite(v.Get()[i]));
}
