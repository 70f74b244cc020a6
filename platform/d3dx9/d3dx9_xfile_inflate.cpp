// The compressed .x forms ("tzip", "bzip"): after the 16-byte header comes a
// 32-bit size of the uncompressed file (header included), then MSZIP blocks.
// Each block is a 16-bit uncompressed size (at most 32 KiB), a 16-bit
// compressed size that counts the "CK" signature, "CK", and a raw deflate
// stream whose back references may reach into the previous block's output,
// which is therefore handed to zlib as the preset dictionary.
#include <zlib.h>

#include <algorithm>

#include "d3dx9_xfile.h"

namespace qrn::d3dx9 {

namespace {

constexpr size_t kBlockMax = 32768;
// No body we read grows beyond this, whatever the file declares: a deflate
// stream expands at most about a thousandfold, and a .x file of this size
// would not be a model anyone draws.
constexpr size_t kBodyMax = size_t(256) << 20;

uint16_t Le16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

struct Inflater {
    z_stream z{};
    bool ready = false;
    Inflater() { ready = inflateInit2(&z, -MAX_WBITS) == Z_OK; }
    ~Inflater()
    {
        if (ready) inflateEnd(&z);
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;
};

}  // namespace

XResult InflateXBody(const uint8_t* data, size_t size, std::vector<uint8_t>* out)
{
    out->clear();
    if (size < 4) return XResult::kInvalidData;
    const uint32_t declared = uint32_t(data[0]) | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16 |
                              uint32_t(data[3]) << 24;
    // The declared size counts the 16 header bytes; accept writers that did not.
    const size_t limit = std::min<size_t>(declared, kBodyMax);
    Inflater inf;
    if (!inf.ready) return XResult::kTooLarge;

    size_t pos = 4;
    while (pos < size) {
        if (size - pos < 6) return XResult::kInvalidData;
        const uint16_t rawSize = Le16(data + pos);
        const uint16_t packedSize = Le16(data + pos + 2);
        pos += 4;
        if (rawSize == 0 || rawSize > kBlockMax || packedSize < 2 || packedSize > size - pos)
            return XResult::kInvalidData;
        if (data[pos] != 'C' || data[pos + 1] != 'K') return XResult::kInvalidData;
        if (out->size() + rawSize > limit) return XResult::kInvalidData;

        const size_t start = out->size();
        out->resize(start + rawSize);
        if (inflateReset(&inf.z) != Z_OK) return XResult::kInvalidData;
        if (start > 0) {
            const size_t dict = std::min(start, kBlockMax);
            if (inflateSetDictionary(&inf.z, out->data() + start - dict, static_cast<uInt>(dict)) != Z_OK)
                return XResult::kInvalidData;
        }
        inf.z.next_in = const_cast<Bytef*>(data + pos + 2);
        inf.z.avail_in = packedSize - 2u;
        inf.z.next_out = out->data() + start;
        inf.z.avail_out = rawSize;
        const int rc = inflate(&inf.z, Z_FINISH);
        if (rc != Z_STREAM_END || inf.z.avail_out != 0) return XResult::kInvalidData;
        pos += packedSize;
    }
    if (out->empty()) return XResult::kInvalidData;
    return XResult::kOk;
}

}  // namespace qrn::d3dx9
