// Mesh helpers that compute from vertices: vertex normals, bounding boxes,
// FVF vertex sizes. They work through the public mesh interface, so any
// ID3DXBaseMesh will do.
#include <cmath>
#include <cstring>
#include <numeric>
#include <vector>

#include "../d3d9/fvf.h"
#include "d3dx9_mesh.h"

namespace qrn::d3dx9 {

namespace {

struct V3 {
    float x, y, z;
};
V3 Sub(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 Cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
float Dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 Normalized(V3 a)
{
    const float len = std::sqrt(Dot(a, a));
    return len > 0 && std::isfinite(len) ? V3{a.x / len, a.y / len, a.z / len} : V3{0, 0, 0};
}

// Angle between the edges leaving a corner.
float CornerAngle(V3 corner, V3 a, V3 b)
{
    const float d = Dot(Normalized(Sub(a, corner)), Normalized(Sub(b, corner)));
    return std::acos(std::fmax(-1.0f, std::fmin(1.0f, d)));
}

uint32_t Root(std::vector<uint32_t>& parent, uint32_t i)
{
    while (parent[i] != i) i = parent[i] = parent[parent[i]];
    return i;
}

// Vertices that stand at one position on either side of an edge between
// adjacent faces share their normal: join them.
void JoinAcrossEdges(const std::vector<uint32_t>& indices, const DWORD* adjacency, size_t numFaces,
                     const std::vector<V3>& pos, std::vector<uint32_t>& parent)
{
    auto same = [&](uint32_t a, uint32_t b) { return std::memcmp(&pos[a], &pos[b], sizeof(V3)) == 0; };
    for (size_t f = 0; f < numFaces; ++f)
        for (int e = 0; e < 3; ++e) {
            const DWORD g = adjacency[f * 3 + e];
            if (g >= numFaces) continue;
            for (int c : {e, (e + 1) % 3}) {
                const uint32_t v = indices[f * 3 + size_t(c)];
                for (int k = 0; k < 3; ++k) {
                    const uint32_t w = indices[g * 3 + size_t(k)];
                    if (w != v && same(v, w)) {
                        const uint32_t a = Root(parent, v), b = Root(parent, w);
                        if (a != b) parent[std::max(a, b)] = std::min(a, b);
                    }
                }
            }
        }
}

}  // namespace

}  // namespace qrn::d3dx9

using namespace qrn::d3dx9;

// Angle-weighted vertex normals; faces use the mesh's winding as drawn
// (normal = (v1 - v0) x (v2 - v0)).
HRESULT WINAPI D3DXComputeNormals(LPD3DXBASEMESH pMesh, CONST DWORD* pAdjacency)
{
    if (!pMesh) return D3DERR_INVALIDCALL;
    std::vector<D3DVERTEXELEMENT9> elements;
    if (!qrn::d3d9::FvfElements(pMesh->GetFVF(), &elements)) return D3DERR_INVALIDCALL;
    size_t normalOffset = SIZE_MAX;
    for (const D3DVERTEXELEMENT9& e : elements)
        if (e.Usage == D3DDECLUSAGE_NORMAL && e.UsageIndex == 0) normalOffset = e.Offset;
    if (normalOffset == SIZE_MAX || elements[0].Usage != D3DDECLUSAGE_POSITION) return D3DERR_INVALIDCALL;

    const size_t nv = pMesh->GetNumVertices(), nf = pMesh->GetNumFaces(), stride = pMesh->GetNumBytesPerVertex();
    const bool wide = (pMesh->GetOptions() & D3DXMESH_32BIT) != 0;
    std::vector<uint32_t> indices(nf * 3);
    void* ip;
    HRESULT hr = pMesh->LockIndexBuffer(D3DLOCK_READONLY, &ip);
    if (FAILED(hr)) return hr;
    for (size_t i = 0; i < nf * 3; ++i)
        indices[i] = wide ? static_cast<const uint32_t*>(ip)[i] : static_cast<const uint16_t*>(ip)[i];
    pMesh->UnlockIndexBuffer();
    for (uint32_t i : indices)
        if (i >= nv) return D3DXERR_INVALIDMESH;

    uint8_t* vp;
    hr = pMesh->LockVertexBuffer(0, reinterpret_cast<void**>(&vp));
    if (FAILED(hr)) return hr;
    std::vector<V3> pos(nv);
    for (size_t v = 0; v < nv; ++v) std::memcpy(&pos[v], vp + v * stride, sizeof(V3));

    std::vector<uint32_t> group(nv);
    std::iota(group.begin(), group.end(), 0u);
    if (pAdjacency) JoinAcrossEdges(indices, pAdjacency, nf, pos, group);

    std::vector<V3> sum(nv, V3{0, 0, 0});
    for (size_t f = 0; f < nf; ++f) {
        const uint32_t* c = &indices[f * 3];
        const V3 n = Normalized(Cross(Sub(pos[c[1]], pos[c[0]]), Sub(pos[c[2]], pos[c[0]])));
        for (int k = 0; k < 3; ++k) {
            const float w = CornerAngle(pos[c[k]], pos[c[(k + 1) % 3]], pos[c[(k + 2) % 3]]);
            V3& s = sum[Root(group, c[k])];
            s = {s.x + n.x * w, s.y + n.y * w, s.z + n.z * w};
        }
    }
    for (size_t v = 0; v < nv; ++v) {
        const V3 n = Normalized(sum[Root(group, static_cast<uint32_t>(v))]);
        std::memcpy(vp + v * stride + normalOffset, &n, sizeof n);
    }
    return pMesh->UnlockVertexBuffer();
}

HRESULT WINAPI D3DXComputeBoundingBox(CONST D3DXVECTOR3* pFirstPosition, DWORD NumVertices, DWORD dwStride,
                                      D3DXVECTOR3* pMin, D3DXVECTOR3* pMax)
{
    if (!pFirstPosition || !pMin || !pMax || NumVertices == 0) return D3DERR_INVALIDCALL;
    const auto* bytes = reinterpret_cast<const uint8_t*>(pFirstPosition);
    D3DXVECTOR3 lo, hi;
    std::memcpy(&lo, bytes, sizeof(D3DVECTOR));
    hi = lo;
    for (DWORD i = 1; i < NumVertices; ++i) {
        D3DVECTOR p;
        std::memcpy(&p, bytes + size_t(i) * dwStride, sizeof p);
        lo.x = std::fmin(lo.x, p.x);
        lo.y = std::fmin(lo.y, p.y);
        lo.z = std::fmin(lo.z, p.z);
        hi.x = std::fmax(hi.x, p.x);
        hi.y = std::fmax(hi.y, p.y);
        hi.z = std::fmax(hi.z, p.z);
    }
    *pMin = lo;
    *pMax = hi;
    return D3D_OK;
}

UINT WINAPI D3DXGetFVFVertexSize(DWORD FVF)
{
    return qrn::d3d9::FvfVertexSize(FVF);
}
