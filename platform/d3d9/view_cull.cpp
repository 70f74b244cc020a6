// Bounding boxes of draws and the test against the view volume (see
// view_cull.h).
#include "view_cull.h"

#include <algorithm>
#include <cstring>

#include "device.h"
#include "gl_backend.h"

namespace qrn::d3d9 {

namespace {

// How much wider than the view volume the test is, as a share of w: covers
// the half-pixel shift of the generated shaders and any rounding.
constexpr float kSlack = 1.0f / 64.0f;

// Boxes kept before the cache starts over (boxes of rewritten buffers are
// never asked for again).
constexpr size_t kMaxBoxes = 8192;

void Multiply(const D3DMATRIX& a, const D3DMATRIX& b, D3DMATRIX* out)
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            out->m[r][c] = a.m[r][0] * b.m[0][c] + a.m[r][1] * b.m[1][c] + a.m[r][2] * b.m[2][c] + a.m[r][3] * b.m[3][c];
}

uint32_t ReadIndex(const uint8_t* p, UINT size)
{
    if (size == 4) {
        uint32_t v;
        memcpy(&v, p, 4);
        return v;
    }
    uint16_t v;
    memcpy(&v, p, 2);
    return v;
}

}  // namespace

size_t ViewCull::KeyHash::operator()(const Key& k) const
{
    uint64_t h = 1469598103934665603ull;
    const uint64_t parts[] = {k.vertexStamp, k.indexStamp, (uint64_t)k.base, k.first, k.count,
                              k.offset, k.stride, k.stream, k.position};
    for (uint64_t p : parts) h = (h ^ p) * 1099511628211ull;
    return (size_t)h;
}

ViewCull::Box ViewCull::Bounds(const DeviceState& s, const Key& key, const DrawCall& call)
{
    Box box;
    const VertexBuffer* vb = s.streams[key.stream].buffer;
    // The vertices the draw reads: those its indices name, or its run.
    int64_t lo = key.first, hi = (int64_t)key.first + key.count - 1;
    if (call.indexSize) {
        const IndexBuffer* ib = s.indices;
        const uint8_t* idx = ib->Data() + (size_t)call.startIndex * call.indexSize;
        uint32_t mn = UINT32_MAX, mx = 0;
        for (UINT i = 0; i < call.vertices; ++i) {
            const uint32_t v = ReadIndex(idx + (size_t)i * call.indexSize, call.indexSize);
            mn = std::min(mn, v);
            mx = std::max(mx, v);
        }
        lo = key.base + mn;
        hi = key.base + mx;
    }
    if (lo < 0 || hi < lo) return box;
    if (key.offset + (uint64_t)hi * key.stride + key.position + 3 * sizeof(float) > vb->Size()) return box;
    const uint8_t* at = vb->Data() + key.offset + key.position;
    float mn[3] = {0, 0, 0}, mx[3] = {0, 0, 0};
    for (int64_t v = lo; v <= hi; ++v) {
        float p[3];
        memcpy(p, at + (size_t)v * key.stride, sizeof p);
        for (int c = 0; c < 3; ++c) {
            // A NaN coordinate keeps the draw: no side can be proven.
            if (!(p[c] == p[c])) return box;
            if (v == lo || p[c] < mn[c]) mn[c] = p[c];
            if (v == lo || p[c] > mx[c]) mx[c] = p[c];
        }
    }
    box.valid = true;
    std::copy(mn, mn + 3, box.lo);
    std::copy(mx, mx + 3, box.hi);
    return box;
}

bool ViewCull::Outside(const DeviceState& s, const FfpVertexLayout& layout, const DrawCall& call)
{
    if (call.userVertices || s.vertexShader || layout.pretransformed) return false;
    if (call.type == D3DPT_POINTLIST || s.renderStates[D3DRS_FILLMODE] == D3DFILL_POINT) return false;
    if (s.renderStates[D3DRS_VERTEXBLEND] != D3DVBF_DISABLE) return false;
    const FfpAttribFormat& pos = layout.attribs[kAttrPosition];
    if (!pos.present || (pos.declType != D3DDECLTYPE_FLOAT3 && pos.declType != D3DDECLTYPE_FLOAT4)) return false;
    const StreamSource& src = s.streams[pos.stream];
    if (!src.buffer || src.buffer->Locked() || src.frequency != 1) return false;
    if (call.indexSize && (!s.indices || s.indices->Locked())) return false;

    // FLOAT3 or FLOAT4: the shaders read the first three floats only.
    Key key{src.buffer->Stamp(), call.indexSize ? s.indices->Stamp() : 0,
            call.indexSize ? (int64_t)call.baseVertex : 0,
            call.indexSize ? call.startIndex : call.startVertex,
            call.vertices, src.offset, src.stride, pos.stream, pos.offset};
    auto it = boxes_.find(key);
    if (it == boxes_.end()) {
        if (boxes_.size() >= kMaxBoxes) boxes_.clear();
        it = boxes_.emplace(key, Bounds(s, key, call)).first;
    }
    const Box& box = it->second;
    if (!box.valid) return false;

    D3DMATRIX wv, wvp;
    Multiply(s.world[0], s.view, &wv);
    Multiply(wv, s.projection, &wvp);
    // Direct3D's view volume: -w <= x <= w, -w <= y <= w, 0 <= z <= w. Each
    // bit is one (widened) side; a box whose eight corners share a bit lies
    // wholly beyond that side.
    const float k = 1.0f + kSlack;
    unsigned common = 0x3f;
    for (int corner = 0; corner < 8 && common; ++corner) {
        const float p[3] = {(corner & 1) ? box.hi[0] : box.lo[0], (corner & 2) ? box.hi[1] : box.lo[1],
                            (corner & 4) ? box.hi[2] : box.lo[2]};
        float c[4];
        for (int j = 0; j < 4; ++j)
            c[j] = p[0] * wvp.m[0][j] + p[1] * wvp.m[1][j] + p[2] * wvp.m[2][j] + wvp.m[3][j];
        unsigned out = 0;
        if (c[0] < -k * c[3]) out |= 1;
        if (c[0] > k * c[3]) out |= 2;
        if (c[1] < -k * c[3]) out |= 4;
        if (c[1] > k * c[3]) out |= 8;
        if (c[2] < -kSlack * c[3]) out |= 16;
        if (c[2] > k * c[3]) out |= 32;
        common &= out;
    }
    if (!common) return false;
    ++culled;
    return true;
}

}  // namespace qrn::d3d9
