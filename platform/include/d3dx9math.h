// D3DX9 stand-in: the math helpers (vector and matrix types with the real
// layouts, the left-handed projection builders, matrix product and
// transpose, and the ray-triangle test).
//
// Matrices use row vectors: a point is multiplied on the left, the
// translation sits in the fourth row, and D3DXMatrixMultiply(out, a, b)
// gives a * b, "apply a, then b".
#pragma once

#include <cmath>

#include "d3d9types.h"

#ifndef CONST
#define CONST const
#endif

#define D3DX_PI 3.141592654f
#define D3DX_1BYPI 0.318309886f
#define D3DXToRadian(degree) ((degree) * (D3DX_PI / 180.0f))
#define D3DXToDegree(radian) ((radian) * (180.0f / D3DX_PI))

// ---- vectors ---------------------------------------------------------------
struct D3DXVECTOR2 {
    D3DXVECTOR2() : x(0.0f), y(0.0f) {}
    D3DXVECTOR2(float fx, float fy) : x(fx), y(fy) {}
    D3DXVECTOR2 operator+(const D3DXVECTOR2& v) const { return {x + v.x, y + v.y}; }
    D3DXVECTOR2 operator-(const D3DXVECTOR2& v) const { return {x - v.x, y - v.y}; }
    D3DXVECTOR2 operator*(float s) const { return {x * s, y * s}; }
    bool operator==(const D3DXVECTOR2& v) const { return x == v.x && y == v.y; }
    bool operator!=(const D3DXVECTOR2& v) const { return !(*this == v); }
    float x, y;
};

struct D3DXVECTOR3 : public D3DVECTOR {
    D3DXVECTOR3() : D3DVECTOR{0.0f, 0.0f, 0.0f} {}
    D3DXVECTOR3(float fx, float fy, float fz) : D3DVECTOR{fx, fy, fz} {}
    D3DXVECTOR3(const D3DVECTOR& v) : D3DVECTOR(v) {}  // NOLINT: implicit like the original
    explicit D3DXVECTOR3(const float* p) : D3DVECTOR{p[0], p[1], p[2]} {}

    operator float*() { return &x; }
    operator const float*() const { return &x; }

    D3DXVECTOR3& operator+=(const D3DXVECTOR3& v) { x += v.x; y += v.y; z += v.z; return *this; }
    D3DXVECTOR3& operator-=(const D3DXVECTOR3& v) { x -= v.x; y -= v.y; z -= v.z; return *this; }
    D3DXVECTOR3& operator*=(float s) { x *= s; y *= s; z *= s; return *this; }
    D3DXVECTOR3& operator/=(float s) { float r = 1.0f / s; x *= r; y *= r; z *= r; return *this; }
    D3DXVECTOR3 operator+() const { return *this; }
    D3DXVECTOR3 operator-() const { return {-x, -y, -z}; }
    D3DXVECTOR3 operator+(const D3DXVECTOR3& v) const { return {x + v.x, y + v.y, z + v.z}; }
    D3DXVECTOR3 operator-(const D3DXVECTOR3& v) const { return {x - v.x, y - v.y, z - v.z}; }
    D3DXVECTOR3 operator*(float s) const { return {x * s, y * s, z * s}; }
    D3DXVECTOR3 operator/(float s) const { float r = 1.0f / s; return {x * r, y * r, z * r}; }
    friend D3DXVECTOR3 operator*(float s, const D3DXVECTOR3& v) { return v * s; }
    bool operator==(const D3DXVECTOR3& v) const { return x == v.x && y == v.y && z == v.z; }
    bool operator!=(const D3DXVECTOR3& v) const { return !(*this == v); }
};

struct D3DXVECTOR4 {
    D3DXVECTOR4() : x(0.0f), y(0.0f), z(0.0f), w(0.0f) {}
    D3DXVECTOR4(float fx, float fy, float fz, float fw) : x(fx), y(fy), z(fz), w(fw) {}
    explicit D3DXVECTOR4(const float* p) : x(p[0]), y(p[1]), z(p[2]), w(p[3]) {}
    operator float*() { return &x; }
    operator const float*() const { return &x; }
    bool operator==(const D3DXVECTOR4& v) const { return x == v.x && y == v.y && z == v.z && w == v.w; }
    bool operator!=(const D3DXVECTOR4& v) const { return !(*this == v); }
    float x, y, z, w;
};

// ---- colour ----------------------------------------------------------------
struct D3DXCOLOR {
    D3DXCOLOR() : r(0.0f), g(0.0f), b(0.0f), a(0.0f) {}
    D3DXCOLOR(float fr, float fg, float fb, float fa) : r(fr), g(fg), b(fb), a(fa) {}
    D3DXCOLOR(DWORD argb)  // NOLINT: implicit like the original
        : r(static_cast<float>((argb >> 16) & 0xff) / 255.0f),
          g(static_cast<float>((argb >> 8) & 0xff) / 255.0f),
          b(static_cast<float>(argb & 0xff) / 255.0f),
          a(static_cast<float>((argb >> 24) & 0xff) / 255.0f) {}
    D3DXCOLOR(const D3DCOLORVALUE& c) : r(c.r), g(c.g), b(c.b), a(c.a) {}  // NOLINT
    operator D3DCOLORVALUE() const { return D3DCOLORVALUE{r, g, b, a}; }
    // Each channel clamped to 0..1 and rounded to eight bits.
    operator DWORD() const {
        auto ch = [](float v) -> DWORD {
            if (!(v > 0.0f)) return 0;
            if (v >= 1.0f) return 255;
            return static_cast<DWORD>(v * 255.0f + 0.5f);
        };
        return (ch(a) << 24) | (ch(r) << 16) | (ch(g) << 8) | ch(b);
    }
    float r, g, b, a;
};

// ---- matrix ----------------------------------------------------------------
struct D3DXMATRIX : public D3DMATRIX {
    D3DXMATRIX() : D3DMATRIX{} {}
    D3DXMATRIX(const D3DMATRIX& src) : D3DMATRIX(src) {}  // NOLINT: implicit like the original
    explicit D3DXMATRIX(const float* p) : D3DMATRIX{} {
        for (int i = 0; i < 16; ++i) m[i / 4][i % 4] = p[i];
    }
    D3DXMATRIX(float f11, float f12, float f13, float f14, float f21, float f22, float f23, float f24,
               float f31, float f32, float f33, float f34, float f41, float f42, float f43, float f44)
        : D3DMATRIX{} {
        _11 = f11; _12 = f12; _13 = f13; _14 = f14;
        _21 = f21; _22 = f22; _23 = f23; _24 = f24;
        _31 = f31; _32 = f32; _33 = f33; _34 = f34;
        _41 = f41; _42 = f42; _43 = f43; _44 = f44;
    }

    float& operator()(unsigned row, unsigned col) { return m[row][col]; }
    float operator()(unsigned row, unsigned col) const { return m[row][col]; }
    operator float*() { return &_11; }
    operator const float*() const { return &_11; }

    // Row-vector product: the left factor acts first.
    D3DXMATRIX operator*(const D3DXMATRIX& b) const {
        D3DXMATRIX r;
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j)
                r.m[i][j] = m[i][0] * b.m[0][j] + m[i][1] * b.m[1][j] + m[i][2] * b.m[2][j] +
                            m[i][3] * b.m[3][j];
        return r;
    }
    D3DXMATRIX& operator*=(const D3DXMATRIX& b) { return *this = *this * b; }
    bool operator==(const D3DXMATRIX& b) const {
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j)
                if (m[i][j] != b.m[i][j]) return false;
        return true;
    }
    bool operator!=(const D3DXMATRIX& b) const { return !(*this == b); }
};

typedef D3DXMATRIX* LPD3DXMATRIX;

// ---- functions -------------------------------------------------------------
inline D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* pOut) {
    if (!pOut) return nullptr;
    *pOut = D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    return pOut;
}

inline BOOL D3DXMatrixIsIdentity(const D3DXMATRIX* pM) {
    D3DXMATRIX i;
    D3DXMatrixIdentity(&i);
    return (pM && *pM == i) ? TRUE : FALSE;
}

inline float D3DXVec3Dot(const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
    return a->x * b->x + a->y * b->y + a->z * b->z;
}

inline float D3DXVec3Length(const D3DXVECTOR3* v) { return std::sqrt(D3DXVec3Dot(v, v)); }

inline D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* pOut, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
    D3DXVECTOR3 r(a->y * b->z - a->z * b->y, a->z * b->x - a->x * b->z, a->x * b->y - a->y * b->x);
    *pOut = r;
    return pOut;
}

// Functions implemented in platform/d3dx9/d3dx9_math.cpp. Every one accepts
// pOut aliasing an input. Null pointers give a null result (or FALSE).

// Left-handed perspective projection: yScale = cot(fovy / 2),
// xScale = yScale / aspect, depth mapped to 0..1 between zn and zf.
QRN_PLATFORM_API D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pOut, FLOAT fovy, FLOAT Aspect,
                                                        FLOAT zn, FLOAT zf);
// Left-handed orthographic projection of the box l..r, b..t, zn..zf.
QRN_PLATFORM_API D3DXMATRIX* D3DXMatrixOrthoOffCenterLH(D3DXMATRIX* pOut, FLOAT l, FLOAT r, FLOAT b,
                                                        FLOAT t, FLOAT zn, FLOAT zf);
// The same centred on the axis: l = -w/2, r = w/2, b = -h/2, t = h/2.
QRN_PLATFORM_API D3DXMATRIX* D3DXMatrixOrthoLH(D3DXMATRIX* pOut, FLOAT w, FLOAT h, FLOAT zn,
                                               FLOAT zf);
// Left-handed view matrix looking from pEye towards pAt.
QRN_PLATFORM_API D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* pOut, CONST D3DXVECTOR3* pEye,
                                                CONST D3DXVECTOR3* pAt, CONST D3DXVECTOR3* pUp);
// pOut = pM1 * pM2.
QRN_PLATFORM_API D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* pOut, CONST D3DXMATRIX* pM1,
                                                CONST D3DXMATRIX* pM2);
QRN_PLATFORM_API D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* pOut, CONST D3DXMATRIX* pM);
QRN_PLATFORM_API D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* pOut, FLOAT x, FLOAT y, FLOAT z);
QRN_PLATFORM_API D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* pOut, FLOAT sx, FLOAT sy, FLOAT sz);
// Rotations by angle radians, clockwise looking along the axis towards the origin.
QRN_PLATFORM_API D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* pOut, FLOAT angle);
QRN_PLATFORM_API D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* pOut, FLOAT angle);
QRN_PLATFORM_API D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* pOut, FLOAT angle);
// Inverse by cofactors; null (pOut untouched) when the matrix is singular.
// pDeterminant, when given, receives the determinant.
QRN_PLATFORM_API D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* pOut, FLOAT* pDeterminant,
                                               CONST D3DXMATRIX* pM);

// Unit-length copy of pV; a zero vector gives a zero vector.
QRN_PLATFORM_API D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* pOut, CONST D3DXVECTOR3* pV);
// (x, y, z, 1) * pM, divided by the resulting w.
QRN_PLATFORM_API D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* pOut, CONST D3DXVECTOR3* pV,
                                                     CONST D3DXMATRIX* pM);
// (x, y, z, 0) * pM: a direction, translation ignored.
QRN_PLATFORM_API D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* pOut, CONST D3DXVECTOR3* pV,
                                                      CONST D3DXMATRIX* pM);

// Ray-triangle test. Both faces are hit; hits behind the ray origin
// (Dist < 0) are not reported. On a hit, the point is
// p0 + U * (p1 - p0) + V * (p2 - p0) = pRayPos + Dist * pRayDir.
// U, V and Dist are written only on a hit; each may be null.
QRN_PLATFORM_API BOOL D3DXIntersectTri(CONST D3DXVECTOR3* p0, CONST D3DXVECTOR3* p1,
                                       CONST D3DXVECTOR3* p2, CONST D3DXVECTOR3* pRayPos,
                                       CONST D3DXVECTOR3* pRayDir, FLOAT* pU, FLOAT* pV,
                                       FLOAT* pDist);
