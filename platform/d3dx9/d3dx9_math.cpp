// D3DX9 math helpers: projection and view builders, matrix product,
// transpose, inverse, vector transforms and the ray-triangle test.
#include <cmath>

#include "d3dx9math.h"

D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pOut, FLOAT fovy, FLOAT Aspect, FLOAT zn,
                                       FLOAT zf) {
    if (!pOut) return nullptr;
    const float yScale = 1.0f / std::tan(fovy * 0.5f);
    const float xScale = yScale / Aspect;
    D3DXMATRIX r;  // all zero
    r._11 = xScale;
    r._22 = yScale;
    r._33 = zf / (zf - zn);
    r._34 = 1.0f;
    r._43 = -zn * zf / (zf - zn);
    *pOut = r;
    return pOut;
}

D3DXMATRIX* D3DXMatrixOrthoOffCenterLH(D3DXMATRIX* pOut, FLOAT l, FLOAT r, FLOAT b, FLOAT t,
                                       FLOAT zn, FLOAT zf) {
    if (!pOut) return nullptr;
    D3DXMATRIX m;  // all zero
    m._11 = 2.0f / (r - l);
    m._22 = 2.0f / (t - b);
    m._33 = 1.0f / (zf - zn);
    m._41 = (l + r) / (l - r);
    m._42 = (t + b) / (b - t);
    m._43 = zn / (zn - zf);
    m._44 = 1.0f;
    *pOut = m;
    return pOut;
}

D3DXMATRIX* D3DXMatrixOrthoLH(D3DXMATRIX* pOut, FLOAT w, FLOAT h, FLOAT zn, FLOAT zf) {
    return D3DXMatrixOrthoOffCenterLH(pOut, -w * 0.5f, w * 0.5f, -h * 0.5f, h * 0.5f, zn, zf);
}

D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye, const D3DXVECTOR3* pAt,
                               const D3DXVECTOR3* pUp) {
    if (!pOut || !pEye || !pAt || !pUp) return nullptr;
    D3DXVECTOR3 z = *pAt - *pEye;
    D3DXVec3Normalize(&z, &z);
    D3DXVECTOR3 x;
    D3DXVec3Cross(&x, pUp, &z);
    D3DXVec3Normalize(&x, &x);
    D3DXVECTOR3 y;
    D3DXVec3Cross(&y, &z, &x);
    *pOut = D3DXMATRIX(x.x, y.x, z.x, 0.0f,
                       x.y, y.y, z.y, 0.0f,
                       x.z, y.z, z.z, 0.0f,
                       -D3DXVec3Dot(&x, pEye), -D3DXVec3Dot(&y, pEye), -D3DXVec3Dot(&z, pEye), 1.0f);
    return pOut;
}

D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2) {
    if (!pOut || !pM1 || !pM2) return nullptr;
    *pOut = *pM1 * *pM2;  // computed into a temporary, so pOut may alias either input
    return pOut;
}

D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* pOut, const D3DXMATRIX* pM) {
    if (!pOut || !pM) return nullptr;
    D3DXMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) r.m[i][j] = pM->m[j][i];
    *pOut = r;
    return pOut;
}

D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* pOut, FLOAT x, FLOAT y, FLOAT z) {
    if (!D3DXMatrixIdentity(pOut)) return nullptr;
    pOut->_41 = x;
    pOut->_42 = y;
    pOut->_43 = z;
    return pOut;
}

D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* pOut, FLOAT sx, FLOAT sy, FLOAT sz) {
    if (!pOut) return nullptr;
    *pOut = D3DXMATRIX(sx, 0, 0, 0, 0, sy, 0, 0, 0, 0, sz, 0, 0, 0, 0, 1);
    return pOut;
}

D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* pOut, FLOAT angle) {
    if (!pOut) return nullptr;
    const float c = std::cos(angle), s = std::sin(angle);
    *pOut = D3DXMATRIX(1, 0, 0, 0, 0, c, s, 0, 0, -s, c, 0, 0, 0, 0, 1);
    return pOut;
}

D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* pOut, FLOAT angle) {
    if (!pOut) return nullptr;
    const float c = std::cos(angle), s = std::sin(angle);
    *pOut = D3DXMATRIX(c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, 0, 1);
    return pOut;
}

D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* pOut, FLOAT angle) {
    if (!pOut) return nullptr;
    const float c = std::cos(angle), s = std::sin(angle);
    *pOut = D3DXMATRIX(c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    return pOut;
}

D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* pOut, FLOAT* pDeterminant, const D3DXMATRIX* pM) {
    if (!pOut || !pM) return nullptr;
    // Cofactor expansion in double precision (2x2 sub-determinants of the
    // upper and lower row pairs).
    double a[16];
    for (int i = 0; i < 16; ++i) a[i] = pM->m[i / 4][i % 4];
    const double s0 = a[0] * a[5] - a[4] * a[1], s1 = a[0] * a[6] - a[4] * a[2];
    const double s2 = a[0] * a[7] - a[4] * a[3], s3 = a[1] * a[6] - a[5] * a[2];
    const double s4 = a[1] * a[7] - a[5] * a[3], s5 = a[2] * a[7] - a[6] * a[3];
    const double c5 = a[10] * a[15] - a[14] * a[11], c4 = a[9] * a[15] - a[13] * a[11];
    const double c3 = a[9] * a[14] - a[13] * a[10], c2 = a[8] * a[15] - a[12] * a[11];
    const double c1 = a[8] * a[14] - a[12] * a[10], c0 = a[8] * a[13] - a[12] * a[9];
    const double det = s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0;
    if (pDeterminant) *pDeterminant = static_cast<float>(det);
    if (det == 0.0 || !std::isfinite(det)) return nullptr;
    const double k = 1.0 / det;
    double r[16];
    r[0] = (a[5] * c5 - a[6] * c4 + a[7] * c3) * k;
    r[1] = (-a[1] * c5 + a[2] * c4 - a[3] * c3) * k;
    r[2] = (a[13] * s5 - a[14] * s4 + a[15] * s3) * k;
    r[3] = (-a[9] * s5 + a[10] * s4 - a[11] * s3) * k;
    r[4] = (-a[4] * c5 + a[6] * c2 - a[7] * c1) * k;
    r[5] = (a[0] * c5 - a[2] * c2 + a[3] * c1) * k;
    r[6] = (-a[12] * s5 + a[14] * s2 - a[15] * s1) * k;
    r[7] = (a[8] * s5 - a[10] * s2 + a[11] * s1) * k;
    r[8] = (a[4] * c4 - a[5] * c2 + a[7] * c0) * k;
    r[9] = (-a[0] * c4 + a[1] * c2 - a[3] * c0) * k;
    r[10] = (a[12] * s4 - a[13] * s2 + a[15] * s0) * k;
    r[11] = (-a[8] * s4 + a[9] * s2 - a[11] * s0) * k;
    r[12] = (-a[4] * c3 + a[5] * c1 - a[6] * c0) * k;
    r[13] = (a[0] * c3 - a[1] * c1 + a[2] * c0) * k;
    r[14] = (-a[12] * s3 + a[13] * s1 - a[14] * s0) * k;
    r[15] = (a[8] * s3 - a[9] * s1 + a[10] * s0) * k;
    for (int i = 0; i < 16; ++i) pOut->m[i / 4][i % 4] = static_cast<float>(r[i]);
    return pOut;
}

D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV) {
    if (!pOut || !pV) return nullptr;
    const float len = D3DXVec3Length(pV);
    if (!(len > 0.0f)) {
        *pOut = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
        return pOut;
    }
    *pOut = *pV / len;
    return pOut;
}

D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM) {
    if (!pOut || !pV || !pM) return nullptr;
    const D3DXVECTOR3 v = *pV;
    const D3DXMATRIX& m = *pM;
    const float x = v.x * m._11 + v.y * m._21 + v.z * m._31 + m._41;
    const float y = v.x * m._12 + v.y * m._22 + v.z * m._32 + m._42;
    const float z = v.x * m._13 + v.y * m._23 + v.z * m._33 + m._43;
    const float w = v.x * m._14 + v.y * m._24 + v.z * m._34 + m._44;
    const float k = (w != 0.0f) ? 1.0f / w : 0.0f;
    *pOut = D3DXVECTOR3(x * k, y * k, z * k);
    return pOut;
}

D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM) {
    if (!pOut || !pV || !pM) return nullptr;
    const D3DXVECTOR3 v = *pV;
    const D3DXMATRIX& m = *pM;
    *pOut = D3DXVECTOR3(v.x * m._11 + v.y * m._21 + v.z * m._31, v.x * m._12 + v.y * m._22 + v.z * m._32,
                        v.x * m._13 + v.y * m._23 + v.z * m._33);
    return pOut;
}

BOOL D3DXIntersectTri(const D3DXVECTOR3* p0, const D3DXVECTOR3* p1, const D3DXVECTOR3* p2,
                      const D3DXVECTOR3* pRayPos, const D3DXVECTOR3* pRayDir, FLOAT* pU, FLOAT* pV,
                      FLOAT* pDist) {
    if (!p0 || !p1 || !p2 || !pRayPos || !pRayDir) return FALSE;
    // Moller-Trumbore, in double precision so that points on a shared edge
    // land on the edge rather than in a crack between two triangles.
    const double e1x = double(p1->x) - p0->x, e1y = double(p1->y) - p0->y, e1z = double(p1->z) - p0->z;
    const double e2x = double(p2->x) - p0->x, e2y = double(p2->y) - p0->y, e2z = double(p2->z) - p0->z;
    const double dx = pRayDir->x, dy = pRayDir->y, dz = pRayDir->z;
    // p = dir x e2
    const double px = dy * e2z - dz * e2y, py = dz * e2x - dx * e2z, pz = dx * e2y - dy * e2x;
    const double det = e1x * px + e1y * py + e1z * pz;
    if (det == 0.0 || !std::isfinite(det)) return FALSE;  // ray parallel to the plane, or degenerate
    const double inv = 1.0 / det;
    const double tx = double(pRayPos->x) - p0->x, ty = double(pRayPos->y) - p0->y,
                 tz = double(pRayPos->z) - p0->z;
    const double u = (tx * px + ty * py + tz * pz) * inv;
    if (!(u >= 0.0 && u <= 1.0)) return FALSE;
    // q = t x e1
    const double qx = ty * e1z - tz * e1y, qy = tz * e1x - tx * e1z, qz = tx * e1y - ty * e1x;
    const double v = (dx * qx + dy * qy + dz * qz) * inv;
    if (!(v >= 0.0 && u + v <= 1.0)) return FALSE;
    const double dist = (e2x * qx + e2y * qy + e2z * qz) * inv;
    if (!(dist >= 0.0)) return FALSE;  // behind the origin (or NaN)
    if (pU) *pU = static_cast<float>(u);
    if (pV) *pV = static_cast<float>(v);
    if (pDist) *pDist = static_cast<float>(dist);
    return TRUE;
}
