// Vector4 and Matrix4x4: the value types that cross every interface of the
// engine. Row vectors and row-major storage, as Direct3D 9 expects: a point is
// multiplied on the left of a matrix, the translation sits in the fourth row,
// and in a product A * B the left factor A acts first.
#pragma once

#include "QrnApi.h"

namespace qrn {

class QRN_API Vector4 {
public:
    Vector4();
    Vector4(float x, float y, float z, float w);
    explicit Vector4(const float* p);
    Vector4(const Vector4& v);
    Vector4& operator=(const Vector4& v);
    virtual ~Vector4();

    void Set(float x, float y, float z, float w);
    float GetX() const { return x; }
    float GetY() const { return y; }
    float GetZ() const { return z; }
    float GetW() const { return w; }
    void SetX(float v) { x = v; }
    void SetY(float v) { y = v; }
    void SetZ(float v) { z = v; }
    void SetW(float v) { w = v; }

    // True when x, y and z are each exactly zero; w is not looked at.
    bool IsNull() const;
    float GetLength();
    // this = a x b, w = 1. The arguments are copies, so v.Cross(v, u) is fine.
    void Cross(Vector4 a, Vector4 b);
    // Scales x, y, z to unit length and sets w = 1; a null vector is left as it is.
    void Normalize();
    // A random unit direction from three draws of rand().
    void CreateNormalizedRandom();

    // Every operator that makes a new vector gives it w = 1; the compound
    // operators leave w unchanged.
    Vector4 operator+(const Vector4& v);
    Vector4 operator-(const Vector4& v);
    float operator*(const Vector4& v) const;  // dot product of x, y, z
    Vector4 operator*(const float& s);
    Vector4 operator/(const float& s);        // multiplies by 1/s
    void operator+=(const Vector4& v);
    void operator-=(const Vector4& v);
    void operator/=(const float& s);          // divides each component by s

    float x, y, z, w;
};

class QRN_API Matrix4x4 {
public:
    Matrix4x4();
    Matrix4x4(const Matrix4x4& m);
    Matrix4x4& operator=(const Matrix4x4& m);
    virtual ~Matrix4x4();

    void Indentity();
    void SetScaling(float x, float y, float z, bool reset);
    void SetScaling(const Vector4* v, bool reset);
    void SetTranslation(float x, float y, float z, bool reset);
    void SetTranslation(const Vector4* v, bool reset);
    void SetRotationX(float angle);
    void SetRotationY(float angle);
    void SetRotationZ(float angle);
    // Rotation about an axis, in the opposite sense to SetRotationX/Y/Z: about
    // (1, 0, 0) by a it equals SetRotationX(-a). A null axis gives diag(c, c, c, 1).
    void SetRotationArbitrary(Vector4 axis, float angle);

#define QRN_MATRIX_ELEMENT(r, c) \
    float Get_##r##c() const { return _##r##c; } \
    void Set_##r##c(float v) { _##r##c = v; }
    QRN_MATRIX_ELEMENT(1, 1) QRN_MATRIX_ELEMENT(1, 2) QRN_MATRIX_ELEMENT(1, 3) QRN_MATRIX_ELEMENT(1, 4)
    QRN_MATRIX_ELEMENT(2, 1) QRN_MATRIX_ELEMENT(2, 2) QRN_MATRIX_ELEMENT(2, 3) QRN_MATRIX_ELEMENT(2, 4)
    QRN_MATRIX_ELEMENT(3, 1) QRN_MATRIX_ELEMENT(3, 2) QRN_MATRIX_ELEMENT(3, 3) QRN_MATRIX_ELEMENT(3, 4)
    QRN_MATRIX_ELEMENT(4, 1) QRN_MATRIX_ELEMENT(4, 2) QRN_MATRIX_ELEMENT(4, 3) QRN_MATRIX_ELEMENT(4, 4)
#undef QRN_MATRIX_ELEMENT

    // Copies sixteen floats in row-major order.
    void Set(const float* p);
    // The sixteen elements, row-major, contiguous: can go straight to the device.
    const float* Get() const { return &_11; }

    Matrix4x4 operator*(const Matrix4x4& b) const;
    // v as the point (x, y, z, 1), divided by the resulting w'; the result has w = 1.
    Vector4 operator*(const Vector4& v) const;

    float _11, _12, _13, _14;
    float _21, _22, _23, _24;
    float _31, _32, _33, _34;
    float _41, _42, _43, _44;
};

}  // namespace qrn
