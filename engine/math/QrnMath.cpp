// Vector4 and Matrix4x4. Single-precision arithmetic throughout; nothing
// allocates and nothing reports failure (division by zero gives IEEE results).
#include "QrnMath.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace qrn {

// ---- Vector4 -----------------------------------------------------------------

Vector4::Vector4() : x(0), y(0), z(0), w(1) {}
Vector4::Vector4(float x_, float y_, float z_, float w_) : x(x_), y(y_), z(z_), w(w_) {}
Vector4::Vector4(const float* p) : x(p[0]), y(p[1]), z(p[2]), w(p[3]) {}
Vector4::Vector4(const Vector4& v) = default;
Vector4& Vector4::operator=(const Vector4& v) = default;
Vector4::~Vector4() = default;

void Vector4::Set(float x_, float y_, float z_, float w_)
{
    x = x_;
    y = y_;
    z = z_;
    w = w_;
}

bool Vector4::IsNull() const { return x == 0.0f && y == 0.0f && z == 0.0f; }

float Vector4::GetLength() { return std::sqrt(x * x + y * y + z * z); }

void Vector4::Cross(Vector4 a, Vector4 b)
{
    x = a.y * b.z - a.z * b.y;
    y = a.z * b.x - a.x * b.z;
    z = a.x * b.y - a.y * b.x;
    w = 1.0f;
}

void Vector4::Normalize()
{
    const float len = std::sqrt(x * x + y * y + z * z);
    if (len == 0.0f) return;
    const float r = 1.0f / len;
    x *= r;
    y *= r;
    z *= r;
    w = 1.0f;
}

void Vector4::CreateNormalizedRandom()
{
    // One draw per component, in the order x, y, z: each lies in [-1, 1] in
    // steps of 0.001.
    x = 1.0f - static_cast<float>(std::rand() % 2001) * 0.001f;
    y = 1.0f - static_cast<float>(std::rand() % 2001) * 0.001f;
    z = 1.0f - static_cast<float>(std::rand() % 2001) * 0.001f;
    Normalize();
}

Vector4 Vector4::operator+(const Vector4& v) { return Vector4(x + v.x, y + v.y, z + v.z, 1.0f); }
Vector4 Vector4::operator-(const Vector4& v) { return Vector4(x - v.x, y - v.y, z - v.z, 1.0f); }
float Vector4::operator*(const Vector4& v) const { return x * v.x + y * v.y + z * v.z; }
Vector4 Vector4::operator*(const float& s) { return Vector4(x * s, y * s, z * s, 1.0f); }

Vector4 Vector4::operator/(const float& s)
{
    const float r = 1.0f / s;
    return Vector4(x * r, y * r, z * r, 1.0f);
}

void Vector4::operator+=(const Vector4& v)
{
    x += v.x;
    y += v.y;
    z += v.z;
}

void Vector4::operator-=(const Vector4& v)
{
    x -= v.x;
    y -= v.y;
    z -= v.z;
}

void Vector4::operator/=(const float& s)
{
    x /= s;
    y /= s;
    z /= s;
}

// ---- Matrix4x4 -----------------------------------------------------------------

Matrix4x4::Matrix4x4() { Indentity(); }
Matrix4x4::Matrix4x4(const Matrix4x4& m) = default;
Matrix4x4& Matrix4x4::operator=(const Matrix4x4& m) = default;
Matrix4x4::~Matrix4x4() = default;

namespace {
// The sixteen elements as one row-major array (they are contiguous members).
float* Elements(Matrix4x4& m) { return &m._11; }
const float* Elements(const Matrix4x4& m) { return &m._11; }

void SetRows(Matrix4x4& m, const float (&rows)[16]) { std::memcpy(Elements(m), rows, sizeof rows); }
}  // namespace

void Matrix4x4::Indentity()
{
    SetRows(*this, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
}

void Matrix4x4::SetScaling(float x, float y, float z, bool reset)
{
    if (reset) Indentity();
    _11 = x;
    _22 = y;
    _33 = z;
}

void Matrix4x4::SetScaling(const Vector4* v, bool reset) { SetScaling(v->x, v->y, v->z, reset); }

void Matrix4x4::SetTranslation(float x, float y, float z, bool reset)
{
    if (reset) Indentity();
    _41 = x;
    _42 = y;
    _43 = z;
}

void Matrix4x4::SetTranslation(const Vector4* v, bool reset) { SetTranslation(v->x, v->y, v->z, reset); }

void Matrix4x4::SetRotationX(float a)
{
    const float c = std::cos(a), s = std::sin(a);
    SetRows(*this, {1, 0, 0, 0, 0, c, s, 0, 0, -s, c, 0, 0, 0, 0, 1});
}

void Matrix4x4::SetRotationY(float a)
{
    const float c = std::cos(a), s = std::sin(a);
    SetRows(*this, {c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, 0, 1});
}

void Matrix4x4::SetRotationZ(float a)
{
    const float c = std::cos(a), s = std::sin(a);
    SetRows(*this, {c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
}

void Matrix4x4::SetRotationArbitrary(Vector4 axis, float angle)
{
    const float s = std::sin(angle), c = std::cos(angle), t = 1.0f - c;
    axis.Normalize();
    const float x = axis.x, y = axis.y, z = axis.z;
    SetRows(*this, {t * x * x + c,     t * x * y - s * z, t * x * z + s * y, 0,
                    t * x * y + s * z, t * y * y + c,     t * y * z - s * x, 0,
                    t * x * z - s * y, t * y * z + s * x, t * z * z + c,     0,
                    0,                 0,                 0,                 1});
}

void Matrix4x4::Set(const float* p) { std::memcpy(Elements(*this), p, 16 * sizeof(float)); }

Matrix4x4 Matrix4x4::operator*(const Matrix4x4& b) const
{
    Matrix4x4 r;
    const float* A = Elements(*this);
    const float* B = Elements(b);
    float* R = Elements(r);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            R[i * 4 + j] = A[i * 4 + 0] * B[0 * 4 + j] + A[i * 4 + 1] * B[1 * 4 + j] +
                           A[i * 4 + 2] * B[2 * 4 + j] + A[i * 4 + 3] * B[3 * 4 + j];
    return r;
}

Vector4 Matrix4x4::operator*(const Vector4& v) const
{
    const float r = 1.0f / (v.x * _14 + v.y * _24 + v.z * _34 + _44);
    return Vector4((v.x * _11 + v.y * _21 + v.z * _31 + _41) * r,
                   (v.x * _12 + v.y * _22 + v.z * _32 + _42) * r,
                   (v.x * _13 + v.y * _23 + v.z * _33 + _43) * r, 1.0f);
}

}  // namespace qrn
