// Whole draws that cannot reach the picture. A fixed-function draw from the
// device's buffers whose vertices all lie beyond one side of the view volume
// produces no pixel, so it need not reach GL at all: a software rasteriser
// would still transform, light and clip every one of its vertices.
//
// The test uses the bounding box of the vertices the draw really uses (the
// indices are read, not trusted to stay in the stated range), made from the
// buffers' CPU copies and kept until either buffer is written again. Only
// draws whose result is certain are tested: no vertex shader, positions in
// floats, no vertex blending or tweening, no points; the volume is widened
// a little so that rounding can never drop a visible draw.
#pragma once

#include <cstdint>
#include <unordered_map>

#include "ffp_layout.h"

namespace qrn::d3d9 {

struct DeviceState;
struct DrawCall;

class ViewCull {
public:
    // True when the draw lies wholly outside the view volume. The call has
    // been validated, and the streams it reads are bound and long enough.
    bool Outside(const DeviceState& s, const FfpVertexLayout& layout, const DrawCall& call);

    uint64_t culled = 0;  // draws skipped, for tests and benchmarks

private:
    struct Key {
        uint64_t vertexStamp, indexStamp;
        int64_t base;
        uint32_t first, count, offset, stride, stream, position;  // position: byte offset in the vertex
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        size_t operator()(const Key& k) const;
    };
    struct Box {
        bool valid = false;  // false: some vertex could not be read, never culled
        float lo[3], hi[3];
    };
    Box Bounds(const DeviceState& s, const Key& key, const DrawCall& call);

    std::unordered_map<Key, Box, KeyHash> boxes_;
};

}  // namespace qrn::d3d9
