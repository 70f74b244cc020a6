// The plan behind OptimizeInplace: which face and vertex goes where, worked
// out from the index list and the attributes alone (no device, no vertex
// contents). meshoptimizer orders each attribute group's faces for the
// post-transform cache and the vertices by first use.
#include <meshoptimizer.h>

#include <algorithm>
#include <array>
#include <map>
#include <numeric>

#include "d3dx9_mesh.h"

namespace qrn::d3dx9 {

namespace {

// Orders the faces order[begin, end) for the vertex cache. The group is
// renumbered locally first so meshoptimizer's tables stay the group's size.
void CacheOrder(const std::vector<uint32_t>& indices, std::vector<uint32_t>& order, size_t begin, size_t end,
                std::vector<uint32_t>& localOf)
{
    std::vector<uint32_t> local;
    std::vector<uint32_t> touched;
    local.reserve((end - begin) * 3);
    for (size_t k = begin; k < end; ++k)
        for (int c = 0; c < 3; ++c) {
            const uint32_t v = indices[order[k] * 3 + c];
            if (localOf[v] == UINT32_MAX) {
                localOf[v] = static_cast<uint32_t>(touched.size());
                touched.push_back(v);
            }
            local.push_back(localOf[v]);
        }
    std::vector<uint32_t> optimized(local.size());
    meshopt_optimizeVertexCache(optimized.data(), local.data(), local.size(), touched.size());

    // meshoptimizer hands back the same triangles, corners in place, in a
    // new order: find which face each one was (equal faces in their order).
    std::map<std::array<uint32_t, 3>, std::vector<uint32_t>> faceOf;
    for (size_t k = begin; k < end; ++k) {
        const size_t i = (k - begin) * 3;
        faceOf[{local[i], local[i + 1], local[i + 2]}].push_back(order[k]);
    }
    std::map<std::array<uint32_t, 3>, size_t> used;
    std::vector<uint32_t> cached(end - begin);
    bool matched = true;
    for (size_t k = begin; k < end && matched; ++k) {
        const size_t i = (k - begin) * 3;
        const std::array<uint32_t, 3> tri{optimized[i], optimized[i + 1], optimized[i + 2]};
        const auto it = faceOf.find(tri);
        size_t& n = used[tri];
        matched = it != faceOf.end() && n < it->second.size();
        if (matched) cached[k - begin] = it->second[n++];
    }
    // Should a triangle ever come back turned, the group keeps its order.
    if (matched) std::copy(cached.begin(), cached.end(), order.begin() + long(begin));
    for (uint32_t v : touched) localOf[v] = UINT32_MAX;
}

}  // namespace

bool PlanReorder(DWORD flags, const std::vector<uint32_t>& indices, const std::vector<uint32_t>& attributes,
                 size_t numVertices, MeshReorder* out)
{
    *out = MeshReorder{};
    const size_t numFaces = attributes.size();
    if (indices.size() != numFaces * 3) return false;
    for (uint32_t i : indices)
        if (i >= numVertices) return false;

    // The levels are cumulative; strip order is served by the cache order.
    const bool cache = (flags & (D3DXMESHOPT_VERTEXCACHE | D3DXMESHOPT_STRIPREORDER)) != 0;
    const bool sort = cache || (flags & D3DXMESHOPT_ATTRSORT) != 0;
    const bool compact = sort || (flags & D3DXMESHOPT_COMPACT) != 0;
    const bool moveVertices = compact && !(flags & D3DXMESHOPT_IGNOREVERTS);
    const bool split = sort && moveVertices && !(flags & D3DXMESHOPT_DONOTSPLIT);

    // Faces: compaction drops faces with a repeated corner (they draw
    // nothing); sorting groups the rest by attribute, file order kept within.
    std::vector<uint32_t>& order = out->faceRemap;
    for (uint32_t f = 0; f < numFaces; ++f) {
        const uint32_t a = indices[f * 3], b = indices[f * 3 + 1], c = indices[f * 3 + 2];
        if (!compact || (a != b && b != c && a != c)) order.push_back(f);
    }
    if (sort)
        std::stable_sort(order.begin(), order.end(),
                         [&](uint32_t x, uint32_t y) { return attributes[x] < attributes[y]; });
    std::vector<size_t> groups;  // start of each attribute group in `order`, then the end
    for (size_t k = 0; k < order.size(); ++k)
        if (k == 0 || (sort && attributes[order[k]] != attributes[order[k - 1]])) groups.push_back(k);
    groups.push_back(order.size());

    std::vector<uint32_t> scratch(numVertices, UINT32_MAX);
    if (cache)
        for (size_t g = 0; g + 1 < groups.size(); ++g) CacheOrder(indices, order, groups[g], groups[g + 1], scratch);

    out->attributes.resize(order.size());
    for (size_t k = 0; k < order.size(); ++k) out->attributes[k] = attributes[order[k]];
    out->indices.resize(order.size() * 3);
    if (!moveVertices) {
        out->vertexRemap.resize(numVertices);
        std::iota(out->vertexRemap.begin(), out->vertexRemap.end(), 0u);
        for (size_t k = 0; k < order.size(); ++k)
            for (int c = 0; c < 3; ++c) out->indices[k * 3 + c] = indices[order[k] * 3 + c];
    } else {
        // Provisional vertex numbers: per group when vertices are split
        // between groups, else for the whole mesh; ascending old number.
        std::vector<uint32_t> provisionalOld;  // provisional number -> old vertex
        const size_t numParts = split ? groups.size() - 1 : 1;
        for (size_t g = 0; g < numParts; ++g) {
            const size_t begin = split ? groups[g] : 0, end = split ? groups[g + 1] : order.size();
            std::vector<uint32_t> used;
            for (size_t k = begin; k < end; ++k)
                for (int c = 0; c < 3; ++c) used.push_back(indices[order[k] * 3 + c]);
            std::sort(used.begin(), used.end());
            used.erase(std::unique(used.begin(), used.end()), used.end());
            for (uint32_t v : used) {
                scratch[v] = static_cast<uint32_t>(provisionalOld.size());
                provisionalOld.push_back(v);
            }
            for (size_t k = begin; k < end; ++k)
                for (int c = 0; c < 3; ++c) out->indices[k * 3 + c] = scratch[indices[order[k] * 3 + c]];
            for (uint32_t v : used) scratch[v] = UINT32_MAX;
        }
        // With cache order, vertices follow their first use (groups stay
        // contiguous, as each group's faces come after the previous one's).
        std::vector<uint32_t> finalOf(provisionalOld.size());
        if (cache && !out->indices.empty()) {
            meshopt_optimizeVertexFetchRemap(finalOf.data(), out->indices.data(), out->indices.size(),
                                             provisionalOld.size());
            for (uint32_t& i : out->indices) i = finalOf[i];
        } else {
            std::iota(finalOf.begin(), finalOf.end(), 0u);
        }
        out->vertexRemap.resize(provisionalOld.size());
        for (size_t p = 0; p < provisionalOld.size(); ++p) out->vertexRemap[finalOf[p]] = provisionalOld[p];
    }

    if (sort) {
        for (size_t g = 0; g + 1 < groups.size(); ++g) {
            const size_t begin = groups[g], end = groups[g + 1];
            if (begin == end) continue;
            const auto first = out->indices.begin() + long(begin) * 3, last = out->indices.begin() + long(end) * 3;
            const auto [lo, hi] = std::minmax_element(first, last);
            out->table.push_back({out->attributes[begin], static_cast<DWORD>(begin), static_cast<DWORD>(end - begin),
                                  *lo, *hi - *lo + 1});
        }
    }
    return true;
}

}  // namespace qrn::d3dx9
