// The D3DX math helpers: projection builders checked by where they send
// known points, product and transpose against hand-worked values, and the
// ray-triangle test's hit, barycentric weights and distance.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "d3dx9math.h"

namespace {

D3DXVECTOR4 Transform(const D3DXVECTOR3& p, const D3DXMATRIX& m) {
    D3DXVECTOR4 r;
    r.x = p.x * m._11 + p.y * m._21 + p.z * m._31 + m._41;
    r.y = p.x * m._12 + p.y * m._22 + p.z * m._32 + m._42;
    r.z = p.x * m._13 + p.y * m._23 + p.z * m._33 + m._43;
    r.w = p.x * m._14 + p.y * m._24 + p.z * m._34 + m._44;
    return r;
}

void ExpectMatrixNear(const D3DXMATRIX& a, const D3DXMATRIX& b, float eps = 1e-5f) {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_NEAR(a.m[i][j], b.m[i][j], eps) << "element " << i << j;
}

D3DXMATRIX Sample() {
    return D3DXMATRIX(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
}

}  // namespace

TEST(D3dxMatrixLayout, MatchesTheDeviceMatrix) {
    static_assert(sizeof(D3DXMATRIX) == 16 * sizeof(float));
    static_assert(sizeof(D3DXVECTOR3) == 3 * sizeof(float));
    D3DXMATRIX m = Sample();
    const float* f = m;
    EXPECT_EQ(f[1], 2.0f);   // _12: row after row
    EXPECT_EQ(f[12], 13.0f); // _41
    EXPECT_EQ(m.m[3][1], 14.0f);
    const D3DMATRIX& base = m;
    EXPECT_EQ(base._43, 15.0f);
}

TEST(D3dxPerspective, SendsNearAndFarPlanesToDepthZeroAndOne) {
    D3DXMATRIX p;
    const float fov = D3DX_PI / 4, aspect = 640.0f / 480.0f, zn = 1.0f, zf = 1000.0f;
    ASSERT_EQ(D3DXMatrixPerspectiveFovLH(&p, fov, aspect, zn, zf), &p);
    const float yScale = 1.0f / std::tan(fov / 2);
    EXPECT_NEAR(p._22, yScale, 1e-6f);
    EXPECT_NEAR(p._11, yScale / aspect, 1e-6f);
    EXPECT_EQ(p._34, 1.0f);
    EXPECT_EQ(p._44, 0.0f);

    D3DXVECTOR4 n = Transform(D3DXVECTOR3(0, 0, zn), p);
    D3DXVECTOR4 f = Transform(D3DXVECTOR3(0, 0, zf), p);
    EXPECT_NEAR(n.z / n.w, 0.0f, 1e-6f);
    EXPECT_NEAR(f.z / f.w, 1.0f, 1e-5f);
    // A point on the top edge of the view cone lands on y = 1.
    const float z = 10.0f;
    D3DXVECTOR4 top = Transform(D3DXVECTOR3(0, z * std::tan(fov / 2), z), p);
    EXPECT_NEAR(top.y / top.w, 1.0f, 1e-5f);
    D3DXVECTOR4 right = Transform(D3DXVECTOR3(z * std::tan(fov / 2) * aspect, 0, z), p);
    EXPECT_NEAR(right.x / right.w, 1.0f, 1e-5f);
}

TEST(D3dxOrtho, MapsABoxOntoTheClipVolume) {
    D3DXMATRIX o;
    // A y-down pixel overlay: b = height, t = 0.
    D3DXMatrixOrthoOffCenterLH(&o, 0, 640, 480, 0, 0, 1);
    D3DXVECTOR4 tl = Transform(D3DXVECTOR3(0, 0, 0), o);
    D3DXVECTOR4 br = Transform(D3DXVECTOR3(640, 480, 1), o);
    EXPECT_NEAR(tl.x, -1.0f, 1e-6f);
    EXPECT_NEAR(tl.y, 1.0f, 1e-6f);
    EXPECT_NEAR(tl.z, 0.0f, 1e-6f);
    EXPECT_NEAR(br.x, 1.0f, 1e-6f);
    EXPECT_NEAR(br.y, -1.0f, 1e-6f);
    EXPECT_NEAR(br.z, 1.0f, 1e-6f);
    EXPECT_EQ(tl.w, 1.0f);

    D3DXMATRIX c, off;
    D3DXMatrixOrthoLH(&c, 8, 6, 2, 10);
    D3DXMatrixOrthoOffCenterLH(&off, -4, 4, -3, 3, 2, 10);
    ExpectMatrixNear(c, off, 0.0f);
    D3DXVECTOR4 nearPt = Transform(D3DXVECTOR3(4, 3, 2), c);
    EXPECT_NEAR(nearPt.x, 1.0f, 1e-6f);
    EXPECT_NEAR(nearPt.y, 1.0f, 1e-6f);
    EXPECT_NEAR(nearPt.z, 0.0f, 1e-6f);
}

TEST(D3dxMultiply, LeftFactorActsFirstAndOutputMayAlias) {
    D3DXMATRIX t, s, ts, st;
    D3DXMatrixTranslation(&t, 1, 2, 3);
    D3DXMatrixScaling(&s, 2, 2, 2);
    D3DXMatrixMultiply(&ts, &t, &s);  // move, then scale
    D3DXMatrixMultiply(&st, &s, &t);  // scale, then move
    D3DXVECTOR4 a = Transform(D3DXVECTOR3(1, 1, 1), ts);
    D3DXVECTOR4 b = Transform(D3DXVECTOR3(1, 1, 1), st);
    EXPECT_FLOAT_EQ(a.x, 4);
    EXPECT_FLOAT_EQ(a.z, 8);
    EXPECT_FLOAT_EQ(b.x, 3);
    EXPECT_FLOAT_EQ(b.z, 5);

    // A hand-worked product, written into one of its own inputs.
    D3DXMATRIX m = Sample(), id;
    D3DXMatrixIdentity(&id);
    D3DXMATRIX sq;
    D3DXMatrixMultiply(&sq, &m, &m);
    EXPECT_FLOAT_EQ(sq._11, 90);   // 1*1 + 2*5 + 3*9 + 4*13
    EXPECT_FLOAT_EQ(sq._14, 120);  // 1*4 + 2*8 + 3*12 + 4*16
    EXPECT_FLOAT_EQ(sq._43, 542);  // 13*3 + 14*7 + 15*11 + 16*15
    D3DXMatrixMultiply(&m, &m, &m);
    ExpectMatrixNear(m, sq, 0.0f);
    D3DXMATRIX k = Sample();
    D3DXMatrixMultiply(&k, &id, &k);
    ExpectMatrixNear(k, Sample(), 0.0f);
    EXPECT_EQ(D3DXMatrixMultiply(nullptr, &k, &k), nullptr);
    EXPECT_EQ(D3DXMatrixMultiply(&k, nullptr, &k), nullptr);
}

TEST(D3dxTranspose, SwapsRowsAndColumnsInPlace) {
    D3DXMATRIX m = Sample();
    D3DXMatrixTranspose(&m, &m);
    EXPECT_EQ(m._12, 5.0f);
    EXPECT_EQ(m._21, 2.0f);
    EXPECT_EQ(m._41, 4.0f);
    EXPECT_EQ(m._14, 13.0f);
    EXPECT_EQ(m._33, 11.0f);
    D3DXMatrixTranspose(&m, &m);
    ExpectMatrixNear(m, Sample(), 0.0f);
}

TEST(D3dxLookAt, PutsTheTargetOnThePositiveZAxis) {
    D3DXVECTOR3 eye(10, 5, -3), at(12, 5, 1), up(0, 1, 0);
    D3DXMATRIX v;
    D3DXMatrixLookAtLH(&v, &eye, &at, &up);
    D3DXVECTOR4 e = Transform(eye, v);
    D3DXVECTOR4 a = Transform(at, v);
    EXPECT_NEAR(e.x, 0, 1e-5f);
    EXPECT_NEAR(e.y, 0, 1e-5f);
    EXPECT_NEAR(e.z, 0, 1e-5f);
    EXPECT_NEAR(a.x, 0, 1e-5f);
    EXPECT_NEAR(a.y, 0, 1e-5f);
    EXPECT_NEAR(a.z, std::sqrt(20.0f), 1e-5f);
    // Something above the eye is up (+y) in view space; to the right is +x.
    D3DXVECTOR4 above = Transform(D3DXVECTOR3(10, 6, -3), v);
    EXPECT_NEAR(above.y, 1.0f, 1e-5f);
}

TEST(D3dxInverse, UndoesARigidTransformAndRefusesSingular) {
    D3DXMATRIX r, t, m, inv, prod, id;
    D3DXMatrixRotationY(&r, 0.7f);
    D3DXMatrixTranslation(&t, 3, -2, 9);
    D3DXMatrixMultiply(&m, &r, &t);
    float det = 0;
    ASSERT_NE(D3DXMatrixInverse(&inv, &det, &m), nullptr);
    EXPECT_NEAR(det, 1.0f, 1e-5f);
    D3DXMatrixMultiply(&prod, &m, &inv);
    D3DXMatrixIdentity(&id);
    ExpectMatrixNear(prod, id);

    D3DXMATRIX singular = Sample();  // rows are in arithmetic progression
    D3DXMATRIX out = id;
    EXPECT_EQ(D3DXMatrixInverse(&out, nullptr, &singular), nullptr);
    ExpectMatrixNear(out, id, 0.0f);
}

TEST(D3dxRotation, TurnsAxesTheDeviceWay) {
    D3DXMATRIX ry;
    D3DXMatrixRotationY(&ry, D3DX_PI / 2);
    // A quarter turn about y takes +z to +x (left-handed, clockwise looking down the axis).
    D3DXVECTOR3 z(0, 0, 1), out;
    D3DXVec3TransformCoord(&out, &z, &ry);
    EXPECT_NEAR(out.x, 1.0f, 1e-6f);
    EXPECT_NEAR(out.z, 0.0f, 1e-6f);
    D3DXMATRIX rx;
    D3DXMatrixRotationX(&rx, D3DX_PI / 2);
    D3DXVECTOR3 y(0, 1, 0);
    D3DXVec3TransformNormal(&out, &y, &rx);
    EXPECT_NEAR(out.z, 1.0f, 1e-6f);
    D3DXMATRIX rz;
    D3DXMatrixRotationZ(&rz, D3DX_PI / 2);
    D3DXVECTOR3 x(1, 0, 0);
    D3DXVec3TransformNormal(&out, &x, &rz);
    EXPECT_NEAR(out.y, 1.0f, 1e-6f);
}

TEST(D3dxVector, NormalizeKeepsZeroAndCrossIsLeftToRight) {
    D3DXVECTOR3 v(3, 0, 4), n;
    D3DXVec3Normalize(&n, &v);
    EXPECT_FLOAT_EQ(n.x, 0.6f);
    EXPECT_FLOAT_EQ(n.z, 0.8f);
    D3DXVECTOR3 zero(0, 0, 0);
    D3DXVec3Normalize(&n, &zero);
    EXPECT_EQ(n, zero);
    D3DXVECTOR3 x(1, 0, 0), y(0, 1, 0), c;
    D3DXVec3Cross(&c, &x, &y);
    EXPECT_EQ(c, D3DXVECTOR3(0, 0, 1));
    D3DXCOLOR col(0xFF804020u);
    EXPECT_NEAR(col.r, 128 / 255.0f, 1e-6f);
    EXPECT_EQ(static_cast<DWORD>(col), 0xFF804020u);
    EXPECT_EQ(static_cast<DWORD>(D3DXCOLOR(2.0f, -1.0f, 0.5f, 1.0f)), 0xFFFF0080u);
}

// ---- ray-triangle --------------------------------------------------------
namespace {
const D3DXVECTOR3 kP0(0, 0, 0), kP1(4, 0, 0), kP2(0, 0, 4);
const D3DXVECTOR3 kDown(0, -1, 0);
}  // namespace

TEST(D3dxIntersectTri, GivesWeightsOfP1AndP2AndTheRayParameter) {
    float u = -1, v = -1, d = -1;
    D3DXVECTOR3 origin(1, 10, 2);
    ASSERT_TRUE(D3DXIntersectTri(&kP0, &kP1, &kP2, &origin, &kDown, &u, &v, &d));
    EXPECT_FLOAT_EQ(u, 0.25f);  // weight of p1 (x direction)
    EXPECT_FLOAT_EQ(v, 0.5f);   // weight of p2 (z direction)
    EXPECT_FLOAT_EQ(d, 10.0f);

    // Dist is the ray parameter, not a length: a ray direction of length 2 halves it.
    D3DXVECTOR3 down2(0, -2, 0);
    ASSERT_TRUE(D3DXIntersectTri(&kP0, &kP1, &kP2, &origin, &down2, &u, &v, &d));
    EXPECT_FLOAT_EQ(d, 5.0f);

    // A slanted triangle: the hit point rebuilt from U and V is on the ray.
    D3DXVECTOR3 a(0, 1, 0), b(3, 2, 1), c(-1, 4, 5), o(0.2f, 10, 1.9f), dir(0.05f, -1, 0.02f);
    ASSERT_TRUE(D3DXIntersectTri(&a, &b, &c, &o, &dir, &u, &v, &d));
    D3DXVECTOR3 fromTri = a + (b - a) * u + (c - a) * v;
    D3DXVECTOR3 fromRay = o + dir * d;
    EXPECT_NEAR(fromTri.x, fromRay.x, 1e-4f);
    EXPECT_NEAR(fromTri.y, fromRay.y, 1e-4f);
    EXPECT_NEAR(fromTri.z, fromRay.z, 1e-4f);
}

TEST(D3dxIntersectTri, HitsBothFacesButNothingBehindTheOrigin) {
    float u, v, d;
    D3DXVECTOR3 below(1, -10, 1), up(0, 1, 0);
    EXPECT_TRUE(D3DXIntersectTri(&kP0, &kP1, &kP2, &below, &up, &u, &v, &d));  // from the back
    EXPECT_FLOAT_EQ(d, 10.0f);
    D3DXVECTOR3 above(1, 10, 1);
    float keep = 123.0f;
    EXPECT_FALSE(D3DXIntersectTri(&kP0, &kP1, &kP2, &above, &up, &keep, &keep, &keep));
    EXPECT_EQ(keep, 123.0f);  // outputs untouched on a miss
    // Origin on the plane: distance 0 counts.
    D3DXVECTOR3 on(1, 0, 1);
    EXPECT_TRUE(D3DXIntersectTri(&kP0, &kP1, &kP2, &on, &kDown, &u, &v, &d));
    EXPECT_EQ(d, 0.0f);
}

TEST(D3dxIntersectTri, EdgesAndCornersCountButOutsideDoesNot) {
    float u, v, d;
    struct Case { float x, z; bool hit; } cases[] = {
        {0, 0, true}, {4, 0, true}, {0, 4, true}, {2, 2, true},  // corners, hypotenuse
        {2, 0, true}, {0, 2, true},                              // legs
        {2.01f, 2.01f, false}, {-0.01f, 1, false}, {1, -0.01f, false}, {5, 5, false},
    };
    for (const Case& c : cases) {
        D3DXVECTOR3 o(c.x, 1, c.z);
        EXPECT_EQ(!!D3DXIntersectTri(&kP0, &kP1, &kP2, &o, &kDown, &u, &v, &d), c.hit)
            << c.x << "," << c.z;
    }
    // Null outputs are allowed.
    D3DXVECTOR3 o(1, 1, 1);
    EXPECT_TRUE(D3DXIntersectTri(&kP0, &kP1, &kP2, &o, &kDown, nullptr, nullptr, nullptr));
}

TEST(D3dxIntersectTri, ParallelDegenerateAndNonFiniteRaysMiss) {
    float u, v, d;
    D3DXVECTOR3 o(1, 0, 1), side(1, 0, 0);
    EXPECT_FALSE(D3DXIntersectTri(&kP0, &kP1, &kP2, &o, &side, &u, &v, &d));
    D3DXVECTOR3 zero(0, 0, 0), o2(1, 5, 1);
    EXPECT_FALSE(D3DXIntersectTri(&kP0, &kP1, &kP2, &o2, &zero, &u, &v, &d));
    EXPECT_FALSE(D3DXIntersectTri(&kP0, &kP0, &kP2, &o2, &kDown, &u, &v, &d));  // no area
    const float nan = std::numeric_limits<float>::quiet_NaN();
    D3DXVECTOR3 bad(nan, 5, 1);
    EXPECT_FALSE(D3DXIntersectTri(&kP0, &kP1, &kP2, &bad, &kDown, &u, &v, &d));
    D3DXVECTOR3 badDir(0, nan, 0);
    EXPECT_FALSE(D3DXIntersectTri(&kP0, &kP1, &kP2, &o2, &badDir, &u, &v, &d));
    EXPECT_FALSE(D3DXIntersectTri(nullptr, &kP1, &kP2, &o2, &kDown, &u, &v, &d));
}
