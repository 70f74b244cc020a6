// Face adjacency from an indexed triangle list. Corners at one position
// (within epsilon) are one point; two faces are neighbours across an edge
// when one runs a->b and the other b->a between the same two points. Each
// edge takes at most one neighbour, and pairs are made in face order, so the
// result is symmetric and the same on every run.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numeric>

#include "d3dx9_xfile.h"

namespace qrn::d3dx9 {

namespace {

XVec3 PositionAt(const void* vertices, size_t stride, size_t i)
{
    XVec3 p;
    std::memcpy(&p, static_cast<const uint8_t*>(vertices) + i * stride, sizeof p);
    return p;
}

uint32_t Bits(float f)
{
    if (f == 0.0f) f = 0.0f;  // -0 and +0 are one position
    uint32_t b;
    std::memcpy(&b, &f, 4);
    return b;
}

// NaN sorts last, so sorting sees a total order.
float SortKey(float f)
{
    return std::isnan(f) ? INFINITY : f;
}

uint32_t Find(std::vector<uint32_t>& parent, uint32_t i)
{
    while (parent[i] != i) {
        parent[i] = parent[parent[i]];
        i = parent[i];
    }
    return i;
}

void Join(std::vector<uint32_t>& parent, uint32_t a, uint32_t b)
{
    a = Find(parent, a);
    b = Find(parent, b);
    if (a < b)
        parent[b] = a;
    else
        parent[a] = b;
}

// One representative vertex per point: the lowest index among the vertices
// that share it.
std::vector<uint32_t> PointReps(const void* vertices, size_t stride, size_t n, float epsilon)
{
    std::vector<uint32_t> parent(n);
    std::iota(parent.begin(), parent.end(), 0u);
    std::vector<XVec3> pos(n);
    for (size_t i = 0; i < n; ++i) pos[i] = PositionAt(vertices, stride, i);
    std::vector<uint32_t> order(n);
    std::iota(order.begin(), order.end(), 0u);
    if (!(epsilon > 0.0f)) {
        auto key = [&](uint32_t i) { return std::array<uint32_t, 3>{Bits(pos[i].x), Bits(pos[i].y), Bits(pos[i].z)}; };
        std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
            const auto ka = key(a), kb = key(b);
            return ka != kb ? ka < kb : a < b;
        });
        for (size_t k = 1; k < n; ++k)
            if (key(order[k]) == key(order[k - 1])) Join(parent, order[k], order[k - 1]);
    } else {
        std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
            const float ka = SortKey(pos[a].x), kb = SortKey(pos[b].x);
            return ka != kb ? ka < kb : a < b;
        });
        for (size_t k = 0; k < n; ++k) {
            const XVec3& a = pos[order[k]];
            for (size_t j = k + 1; j < n; ++j) {
                const XVec3& b = pos[order[j]];
                if (!(SortKey(b.x) - SortKey(a.x) <= epsilon)) break;
                if (std::fabs(a.y - b.y) <= epsilon && std::fabs(a.z - b.z) <= epsilon) Join(parent, order[k], order[j]);
            }
        }
    }
    for (size_t i = 0; i < n; ++i) parent[i] = Find(parent, static_cast<uint32_t>(i));
    return parent;
}

}  // namespace

std::vector<uint32_t> ComputeAdjacency(const void* vertices, size_t stride, size_t numVertices,
                                       const uint32_t* indices, size_t numFaces, float epsilon)
{
    std::vector<uint32_t> adjacency(numFaces * 3, UINT32_MAX);
    const std::vector<uint32_t> rep = PointReps(vertices, stride, numVertices, epsilon);

    struct Edge {
        uint64_t key;   // from point << 32 | to point
        uint32_t slot;  // face * 3 + edge
    };
    std::vector<Edge> edges;
    edges.reserve(numFaces * 3);
    for (size_t f = 0; f < numFaces; ++f)
        for (size_t e = 0; e < 3; ++e) {
            const uint32_t a = rep[indices[f * 3 + e]], b = rep[indices[f * 3 + (e + 1) % 3]];
            if (a != b) edges.push_back({uint64_t(a) << 32 | b, static_cast<uint32_t>(f * 3 + e)});
        }
    std::sort(edges.begin(), edges.end(),
              [](const Edge& x, const Edge& y) { return x.key != y.key ? x.key < y.key : x.slot < y.slot; });

    // Walk the edges in face order; pair each unpaired one with the first
    // unpaired reversed edge of another face. `cursor` skips, per run of
    // equal keys, the entries already paired.
    std::vector<uint32_t> cursor(edges.size());
    std::iota(cursor.begin(), cursor.end(), 0u);
    std::vector<uint32_t> bySlot(numFaces * 3, UINT32_MAX);
    for (uint32_t i = 0; i < edges.size(); ++i) bySlot[edges[i].slot] = i;
    for (size_t slot = 0; slot < numFaces * 3; ++slot) {
        if (bySlot[slot] == UINT32_MAX || adjacency[slot] != UINT32_MAX) continue;
        const uint64_t key = edges[bySlot[slot]].key;
        const uint64_t reversed = key << 32 | key >> 32;
        const auto first = std::lower_bound(edges.begin(), edges.end(), reversed,
                                            [](const Edge& x, uint64_t k) { return x.key < k; });
        if (first == edges.end() || first->key != reversed) continue;
        const size_t start = static_cast<size_t>(first - edges.begin());
        size_t i = cursor[start];
        while (i < edges.size() && edges[i].key == reversed && adjacency[edges[i].slot] != UINT32_MAX) ++i;
        cursor[start] = static_cast<uint32_t>(i);
        const uint32_t face = static_cast<uint32_t>(slot / 3);
        for (; i < edges.size() && edges[i].key == reversed; ++i) {
            const uint32_t other = edges[i].slot;
            if (other / 3 == face || adjacency[other] != UINT32_MAX) continue;
            adjacency[slot] = other / 3;
            adjacency[other] = face;
            break;
        }
    }
    return adjacency;
}

}  // namespace qrn::d3dx9
