// Obstacles: every push formula at its listed points, the approach test, the
// list's summing of pushes, and ownership.
#include <gtest/gtest.h>

#include <memory>
#include <type_traits>

#include "Obstacle.h"

using qrn::Vector4;
using qrngu::CObstacleList;
using qrngu::IObstacle;

namespace {
void ExpectVec(const Vector4& v, float x, float y, float z, float w, float eps = 1e-5f) {
    EXPECT_NEAR(v.x, x, eps);
    EXPECT_NEAR(v.y, y, eps);
    EXPECT_NEAR(v.z, z, eps);
    EXPECT_EQ(v.w, w);
}
std::unique_ptr<IObstacle> Own(IObstacle* o) { return std::unique_ptr<IObstacle>(o); }
}  // namespace

static_assert(!std::is_copy_constructible_v<CObstacleList>);
static_assert(!std::is_default_constructible_v<IObstacle>);

TEST(SphereObstacle, HitsOnlyWhenCloseAndApproaching) {
    auto s = Own(IObstacle::CreateSphereObstacle(Vector4(0, 0, 0, 1), 1.0f));
    ASSERT_TRUE(s);
    Vector4 r(0, 0, 0, 7);
    EXPECT_TRUE(s->CheckCollision(Vector4(1.4f, 0, 0, 1), Vector4(-1, 0, 0, 1), 0.5f, r));
    ExpectVec(r, 3.5f, 0, 0, 7);  // d / s = 1.4 / 0.4; w untouched
    Vector4 r2(0, 0, 0, 1);
    EXPECT_FALSE(s->CheckCollision(Vector4(1.4f, 0, 0, 1), Vector4(1, 0, 0, 1), 0.5f, r2));
    EXPECT_FALSE(s->CheckCollision(Vector4(1.5f, 0, 0, 1), Vector4(-1, 0, 0, 1), 0.5f, r2));
    ExpectVec(r2, 0, 0, 0, 1);
    // Perpendicular motion counts as approaching.
    EXPECT_TRUE(s->CheckCollision(Vector4(1.4f, 0, 0, 1), Vector4(0, 1, 0, 1), 0.5f, r2));
    // Inside the surface: the push is d itself; at the centre it is nothing.
    Vector4 r3(1, 1, 1, 1);
    EXPECT_TRUE(s->CheckCollision(Vector4(0.5f, 0, 0, 1), Vector4(-1, 0, 0, 1), 0.1f, r3));
    ExpectVec(r3, 1.5f, 1, 1, 1);
    Vector4 r4(2, 2, 2, 1);
    EXPECT_TRUE(s->CheckCollision(Vector4(0, 0, 0, 1), Vector4(1, 0, 0, 1), 0.1f, r4));
    ExpectVec(r4, 2, 2, 2, 1);
    ExpectVec(s->GetPosition(), 0, 0, 0, 1);
}

TEST(CylinderObstacle, IsAnInfiniteVerticalColumn) {
    auto c = Own(IObstacle::CreateCylinderObstacle(Vector4(0, 0, 0, 1), 1.0f));
    Vector4 r(0, 0, 0, 1);
    EXPECT_TRUE(c->CheckCollision(Vector4(1.2f, 50, 0, 1), Vector4(-1, 0, 0, 1), 0.5f, r));
    ExpectVec(r, 6, 0, 0, 1);
    EXPECT_EQ(c->GetPosition().y, 50.0f);
    // Vertical motion is neither approach nor retreat.
    Vector4 r2(0, 0, 0, 1);
    EXPECT_TRUE(c->CheckCollision(Vector4(0, -300, 1.2f, 1), Vector4(0, 5, 0, 1), 0.5f, r2));
    ExpectVec(r2, 0, 0, 6, 1);
    EXPECT_FALSE(c->CheckCollision(Vector4(0, 0, 1.2f, 1), Vector4(0, 0, 1, 1), 0.5f, r2));
}

TEST(AABBObstacle, PushesByTheInverseDistance) {
    auto b = Own(IObstacle::CreateAABBObstacle(Vector4(0, 0, 0, 1), Vector4(1, 1, 1, 1)));
    Vector4 r(0, 0, 0, 1);
    EXPECT_TRUE(b->CheckCollision(Vector4(1.25f, 0.5f, 0.5f, 1), Vector4(-1, 0, 0, 1), 0.5f, r));
    ExpectVec(r, 4, 0, 0, 1);
    Vector4 r2(0, 0, 0, 1);
    EXPECT_TRUE(b->CheckCollision(Vector4(1.5f, 0.5f, 0.5f, 1), Vector4(-1, 0, 0, 1), 0.5f, r2));
    ExpectVec(r2, 2, 0, 0, 1);  // q = r^2 is still a hit
    Vector4 r3(0, 0, 0, 1);
    EXPECT_FALSE(b->CheckCollision(Vector4(1.6f, 0.5f, 0.5f, 1), Vector4(-1, 0, 0, 1), 0.5f, r3));
    EXPECT_FALSE(b->CheckCollision(Vector4(1.25f, 0.5f, 0.5f, 1), Vector4(1, 0, 0, 1), 0.5f, r3));
    // Below a corner: offset along two axes.
    EXPECT_TRUE(b->CheckCollision(Vector4(-0.3f, -0.4f, 0.5f, 1), Vector4(0, 0, 0, 1), 1.0f, r3));
    ExpectVec(r3, -0.3f / 0.25f, -0.4f / 0.25f, 0, 1);
    // Inside: always a hit, adds nothing.
    Vector4 r4(9, 9, 9, 1);
    EXPECT_TRUE(b->CheckCollision(Vector4(0.5f, 0.5f, 0.5f, 1), Vector4(3, 3, 3, 1), 0.0f, r4));
    ExpectVec(r4, 9, 9, 9, 1);
    // The base position is not the box.
    ExpectVec(b->GetPosition(), 0, 0, 0, 1);
    b->SetPosition(Vector4(100, 100, 100, 1));
    Vector4 r5(0, 0, 0, 1);
    EXPECT_TRUE(b->CheckCollision(Vector4(1.25f, 0.5f, 0.5f, 1), Vector4(-1, 0, 0, 1), 0.5f, r5));
}

TEST(Obstacles, EncloseGrowsEachShape) {
    auto s = Own(IObstacle::CreateSphereObstacle(Vector4(0, 0, 0, 1), 1.0f));
    s->Enclose(Vector4(0, 3, 4, 1));  // radius becomes 5
    Vector4 r(0, 0, 0, 1);
    EXPECT_TRUE(s->CheckCollision(Vector4(5.4f, 0, 0, 1), Vector4(-1, 0, 0, 1), 0.5f, r));
    s->Enclose(Vector4(0, 0, 0.5f, 1));  // smaller: no change
    Vector4 r1(0, 0, 0, 1);
    EXPECT_TRUE(s->CheckCollision(Vector4(5.4f, 0, 0, 1), Vector4(-1, 0, 0, 1), 0.5f, r1));

    auto c = Own(IObstacle::CreateCylinderObstacle(Vector4(0, 0, 0, 1), 1.0f));
    c->Enclose(Vector4(3, 1000, 4, 1));  // horizontal distance 5; height ignored
    Vector4 r2(0, 0, 0, 1);
    EXPECT_TRUE(c->CheckCollision(Vector4(0, 0, 5.4f, 1), Vector4(0, 0, -1, 1), 0.5f, r2));
    EXPECT_FALSE(c->CheckCollision(Vector4(0, 0, 5.6f, 1), Vector4(0, 0, -1, 1), 0.5f, r2));

    auto b = Own(IObstacle::CreateAABBObstacle(Vector4(0, 0, 0, 1), Vector4(1, 1, 1, 1)));
    b->Enclose(Vector4(-2, 5, 0.5f, 1));
    Vector4 r3(0, 0, 0, 1);
    EXPECT_TRUE(b->CheckCollision(Vector4(-1.5f, 4.5f, 0.5f, 1), Vector4(0, 0, 0, 1), 0.0f, r3));
    ExpectVec(r3, 0, 0, 0, 1);  // now inside
}

TEST(ObstacleList, SumsEveryHitAndOwnsItsObstacles) {
    CObstacleList list;
    Vector4 r(1, 1, 1, 1);
    EXPECT_FALSE(list.CheckCollisions(Vector4(0, 0, 0, 1), Vector4(0, 0, 0, 1), 10, r));
    ExpectVec(r, 1, 1, 1, 1);

    list.AddSphereObstacle(Vector4(0, 0, 0, 1), 1.0f);
    list.AddCylinderObstacle(Vector4(0, 0, 0, 1), 1.0f);
    list.AddAABBObstacle(Vector4(10, 10, 10, 1), Vector4(11, 11, 11, 1));  // far away
    EXPECT_EQ(list.GetCount(), 3u);
    Vector4 sum(0, 0, 0, 1);
    EXPECT_TRUE(list.CheckCollisions(Vector4(1.4f, 0, 0, 1), Vector4(-1, 0, 0, 1), 0.5f, sum));
    ExpectVec(sum, 3.5f + 3.5f, 0, 0, 1);
    Vector4 none(0, 0, 0, 1);
    EXPECT_FALSE(list.CheckCollisions(Vector4(5, 0, 0, 1), Vector4(-1, 0, 0, 1), 0.5f, none));
    ExpectVec(none, 0, 0, 0, 1);
    // The obstacles die with the list (the sanitiser build checks for leaks).
}
