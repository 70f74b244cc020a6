// Vector4 and Matrix4x4: the w conventions, the null-vector guards, the
// sense of every rotation and the order of products.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "QrnMath.h"
#include "d3dx9math.h"

using qrn::Matrix4x4;
using qrn::Vector4;

namespace {

constexpr float kPi = 3.14159265f;

void ExpectVec(const Vector4& v, float x, float y, float z, float w, float eps = 1e-6f) {
    EXPECT_NEAR(v.x, x, eps);
    EXPECT_NEAR(v.y, y, eps);
    EXPECT_NEAR(v.z, z, eps);
    EXPECT_NEAR(v.w, w, eps);
}

void ExpectMatrixNear(const Matrix4x4& a, const Matrix4x4& b, float eps = 1e-6f) {
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(a.Get()[i], b.Get()[i], eps) << "element " << i;
}

}  // namespace

TEST(Vector4Test, ConstructionAndTheHomogeneousW) {
    ExpectVec(Vector4(), 0, 0, 0, 1);
    const float p[4] = {1, 2, 3, 4};
    ExpectVec(Vector4(p), 1, 2, 3, 4);
    Vector4 a(1, 2, 3, 9), b(1, 1, 1, 9);
    ExpectVec(a + b, 2, 3, 4, 1);
    ExpectVec(a - b, 0, 1, 2, 1);
    ExpectVec(a * 2.0f, 2, 4, 6, 1);
    ExpectVec(Vector4(2, 4, 6, 1) / 2.0f, 1, 2, 3, 1);
    Vector4 c = a;  // copies carry w
    EXPECT_EQ(c.w, 9.0f);
    c += b;
    ExpectVec(c, 2, 3, 4, 9);
    c -= b;
    ExpectVec(c, 1, 2, 3, 9);
    c /= 2.0f;
    ExpectVec(c, 0.5f, 1, 1.5f, 9);
    EXPECT_FLOAT_EQ(a * b, 6.0f);  // dot over x, y, z only; w ignored
    Vector4 s;
    s.Set(5, 6, 7, 8);
    s.SetW(2);
    EXPECT_EQ(s.GetW(), 2.0f);
    EXPECT_EQ(s.GetY(), 6.0f);
}

TEST(Vector4Test, NullTestAndNormalizeLeaveNullAlone) {
    EXPECT_TRUE(Vector4(0, 0, 0, 5).IsNull());
    EXPECT_FALSE(Vector4(1e-30f, 0, 0, 1).IsNull());
    EXPECT_TRUE(Vector4(-0.0f, 0, 0, 1).IsNull());
    Vector4 zero(0, 0, 0, 7);
    zero.Normalize();
    ExpectVec(zero, 0, 0, 0, 7);
    Vector4 v(3, 0, 4, 9);
    v.Normalize();
    ExpectVec(v, 0.6f, 0, 0.8f, 1);
    EXPECT_FLOAT_EQ(Vector4(2, 3, 6, 0).GetLength(), 7.0f);
    // Very small vectors still normalise to unit length.
    Vector4 tiny(1e-10f, 0, 0, 1);
    tiny.Normalize();
    EXPECT_NEAR(tiny.x, 1.0f, 1e-6f);
}

TEST(Vector4Test, CrossMayTakeItselfAsArgument) {
    Vector4 c;
    c.Cross(Vector4(1, 0, 0, 5), Vector4(0, 1, 0, 5));
    ExpectVec(c, 0, 0, 1, 1);
    Vector4 v(1, 0, 0, 3), u(0, 0, 1, 3);
    v.Cross(v, u);  // arguments are copies, so overwriting v midway is harmless
    ExpectVec(v, 0, -1, 0, 1);
}

TEST(Vector4Test, RandomDirectionsAreUnitAndUseThreeDraws) {
    std::srand(12345);
    for (int i = 0; i < 200; ++i) {
        Vector4 r;
        r.CreateNormalizedRandom();
        if (!r.IsNull()) {
            EXPECT_NEAR(r.GetLength(), 1.0f, 1e-5f);
        }
    }
    // The components come from three draws in x, y, z order.
    std::srand(777);
    const int n1 = std::rand(), n2 = std::rand(), n3 = std::rand();
    std::srand(777);
    Vector4 r;
    r.CreateNormalizedRandom();
    Vector4 expect(1.0f - (n1 % 2001) * 0.001f, 1.0f - (n2 % 2001) * 0.001f,
                   1.0f - (n3 % 2001) * 0.001f, 1);
    expect.Normalize();
    ExpectVec(r, expect.x, expect.y, expect.z, 1);
}

TEST(Matrix4x4Test, IdentityAndRawAccess) {
    Matrix4x4 m;
    for (int i = 0; i < 16; ++i) EXPECT_EQ(m.Get()[i], (i % 5 == 0) ? 1.0f : 0.0f);
    float p[16];
    for (int i = 0; i < 16; ++i) p[i] = static_cast<float>(i + 1);
    m.Set(p);
    EXPECT_EQ(m.Get_12(), 2.0f);
    EXPECT_EQ(m.Get_41(), 13.0f);
    m.Set_34(-1);
    EXPECT_EQ(m.Get()[11], -1.0f);
    m.Indentity();
    EXPECT_EQ(m.Get_34(), 0.0f);
    // Same layout as the device's matrix type.
    D3DXMATRIX d(m.Get());
    EXPECT_EQ(d._44, 1.0f);
}

TEST(Matrix4x4Test, ScalingAndTranslationWithAndWithoutReset) {
    Matrix4x4 r;
    r.SetRotationY(0.5f);
    Matrix4x4 t = r;
    t.SetTranslation(1, 2, 3, false);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(t.Get()[i], r.Get()[i]);
    EXPECT_EQ(t._41, 1.0f);
    EXPECT_EQ(t._42, 2.0f);
    EXPECT_EQ(t._43, 3.0f);
    EXPECT_EQ(t._44, 1.0f);
    Vector4 v(1, 2, 3, 1);
    t.SetTranslation(&v, true);
    Matrix4x4 pure;
    pure._41 = 1;
    pure._42 = 2;
    pure._43 = 3;
    ExpectMatrixNear(t, pure, 0);
    Matrix4x4 s = r;
    s.SetScaling(2, 3, 4, false);
    EXPECT_EQ(s._11, 2.0f);
    EXPECT_EQ(s._13, r._13);  // untouched
    Vector4 sv(5, 6, 7, 1);
    s.SetScaling(&sv, true);
    EXPECT_EQ(s._13, 0.0f);
    EXPECT_EQ(s._33, 7.0f);
}

TEST(Matrix4x4Test, AxisRotationsMatchTheDeviceHelpers) {
    const float a = 0.83f;
    Matrix4x4 m;
    D3DXMATRIX d;
    m.SetRotationX(a);
    D3DXMatrixRotationX(&d, a);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(m.Get()[i], static_cast<const float*>(d)[i], 1e-6f);
    m.SetRotationY(a);
    D3DXMatrixRotationY(&d, a);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(m.Get()[i], static_cast<const float*>(d)[i], 1e-6f);
    m.SetRotationZ(kPi / 2);
    ExpectVec(m * Vector4(1, 0, 0, 1), 0, 1, 0, 1);
    // Overwrites everything, translation included.
    m.SetTranslation(5, 5, 5, false);
    m.SetRotationZ(0.1f);
    EXPECT_EQ(m._41, 0.0f);
}

TEST(Matrix4x4Test, ArbitraryRotationTurnsTheOtherWay) {
    Matrix4x4 m;
    m.SetRotationArbitrary(Vector4(0, 0, 1, 1), kPi / 2);
    ExpectVec(m * Vector4(1, 0, 0, 1), 0, -1, 0, 1);
    Matrix4x4 x, negX;
    x.SetRotationArbitrary(Vector4(1, 0, 0, 1), 0.7f);
    negX.SetRotationX(-0.7f);
    ExpectMatrixNear(x, negX);
    Matrix4x4 longAxis;
    longAxis.SetRotationArbitrary(Vector4(0, 0, 2, 1), 0.4f);
    m.SetRotationArbitrary(Vector4(0, 0, 1, 1), 0.4f);
    ExpectMatrixNear(longAxis, m);
    // A null axis leaves the diagonal (c, c, c, 1) and nothing undefined.
    Matrix4x4 n;
    n.SetRotationArbitrary(Vector4(0, 0, 0, 1), 1.0f);
    const float c = std::cos(1.0f);
    Matrix4x4 diag;
    diag.SetScaling(c, c, c, true);
    ExpectMatrixNear(n, diag);
}

TEST(Matrix4x4Test, ProductLeftFactorActsFirstAndMatchesTheDevice) {
    Matrix4x4 t, s;
    t.SetTranslation(1, 0, 0, true);
    s.SetScaling(2, 2, 2, true);
    ExpectVec((t * s) * Vector4(0, 0, 0, 1), 2, 0, 0, 1);
    ExpectVec((s * t) * Vector4(0, 0, 0, 1), 1, 0, 0, 1);
    Matrix4x4 a, b;
    for (int i = 0; i < 16; ++i) {
        const_cast<float*>(a.Get())[i] = static_cast<float>(i % 7) - 2.5f;
        const_cast<float*>(b.Get())[i] = static_cast<float>((i * 3) % 5) + 0.5f;
    }
    D3DXMATRIX da(a.Get()), db(b.Get()), dr;
    D3DXMatrixMultiply(&dr, &da, &db);
    Matrix4x4 r = a * b;
    for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(r.Get()[i], static_cast<const float*>(dr)[i]);
    // Operands unchanged.
    EXPECT_EQ(a._11, -2.5f);
}

TEST(Matrix4x4Test, PointTransformDividesByW) {
    D3DXMATRIX p;
    D3DXMatrixPerspectiveFovLH(&p, 0.8f, 1.0f, 1.0f, 100.0f);
    Matrix4x4 m;
    m.Set(p);
    Vector4 v = m * Vector4(0, 0, 100, 42);  // its own w is ignored
    EXPECT_NEAR(v.z, 1.0f, 1e-5f);
    EXPECT_EQ(v.w, 1.0f);
    Vector4 n = m * Vector4(0, 0, 1, 1);
    EXPECT_NEAR(n.z, 0.0f, 1e-6f);
}
