// Scaling, mip levels, colour keys and format conversion for the D3DX image
// functions (see d3dx9_image_convert.h).
#include "d3dx9_image_convert.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace qrn::d3dx {

namespace {

// One axis of a tent filter: for each destination index, the source indices
// and weights that feed it.
struct Tap {
    uint32_t first = 0;
    std::vector<float> weights;
};

std::vector<Tap> Taps(uint32_t srcLen, uint32_t dstLen)
{
    std::vector<Tap> taps(dstLen);
    const float scale = (float)srcLen / (float)dstLen;
    const float radius = std::max(1.0f, scale);  // shrinking widens the tent
    for (uint32_t d = 0; d < dstLen; ++d) {
        const float centre = (d + 0.5f) * scale - 0.5f;
        int lo = (int)std::floor(centre - radius) + 1, hi = (int)std::ceil(centre + radius) - 1;
        lo = std::max(lo, 0);
        hi = std::min(hi, (int)srcLen - 1);
        if (hi < lo) lo = hi = std::clamp((int)std::lround(centre), 0, (int)srcLen - 1);
        Tap& t = taps[d];
        t.first = (uint32_t)lo;
        float sum = 0.0f;
        for (int s = lo; s <= hi; ++s) {
            float w = 1.0f - std::fabs((float)s - centre) / radius;
            if (w < 0.0f) w = 0.0f;
            t.weights.push_back(w);
            sum += w;
        }
        if (sum <= 0.0f) {
            t.weights.assign(t.weights.size(), 0.0f);
            t.weights[0] = 1.0f;
        } else {
            for (float& w : t.weights) w /= sum;
        }
    }
    return taps;
}

inline float Ch(uint32_t p, int shift) { return (float)((p >> shift) & 0xff); }
inline uint32_t Pack(const float c[4])
{
    uint32_t out = 0;
    const int shifts[4] = {24, 16, 8, 0};
    for (int i = 0; i < 4; ++i) out |= (uint32_t)std::clamp((int)std::lround(c[i]), 0, 255) << shifts[i];
    return out;
}

}  // namespace

Picture Resample(const Picture& src, uint32_t w, uint32_t h, bool pointSample)
{
    Picture out;
    out.width = w;
    out.height = h;
    out.pixels.resize((size_t)w * h);
    if (src.width == w && src.height == h) {
        out.pixels = src.pixels;
        return out;
    }
    if (pointSample) {
        for (uint32_t y = 0; y < h; ++y) {
            const uint32_t sy = (uint32_t)(((uint64_t)y * src.height + src.height / 2) / h) % src.height;
            for (uint32_t x = 0; x < w; ++x) {
                const uint32_t sx = (uint32_t)(((uint64_t)x * src.width + src.width / 2) / w) % src.width;
                out.pixels[(size_t)y * w + x] = src.pixels[(size_t)sy * src.width + sx];
            }
        }
        return out;
    }
    // Separable: rows first into a float buffer, then columns.
    const std::vector<Tap> tx = Taps(src.width, w), ty = Taps(src.height, h);
    std::vector<float> rows((size_t)src.height * w * 4);
    for (uint32_t y = 0; y < src.height; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            float c[4] = {};
            const Tap& t = tx[x];
            for (size_t i = 0; i < t.weights.size(); ++i) {
                const uint32_t p = src.pixels[(size_t)y * src.width + t.first + i];
                for (int k = 0; k < 4; ++k) c[k] += t.weights[i] * Ch(p, 24 - 8 * k);
            }
            memcpy(&rows[((size_t)y * w + x) * 4], c, sizeof c);
        }
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            float c[4] = {};
            const Tap& t = ty[y];
            for (size_t i = 0; i < t.weights.size(); ++i) {
                const float* r = &rows[((size_t)(t.first + i) * w + x) * 4];
                for (int k = 0; k < 4; ++k) c[k] += t.weights[i] * r[k];
            }
            out.pixels[(size_t)y * w + x] = Pack(c);
        }
    return out;
}

Picture HalveBox(const Picture& src)
{
    Picture out;
    out.width = std::max(1u, src.width / 2);
    out.height = std::max(1u, src.height / 2);
    out.pixels.resize((size_t)out.width * out.height);
    for (uint32_t y = 0; y < out.height; ++y)
        for (uint32_t x = 0; x < out.width; ++x) {
            const uint32_t x0 = std::min(2 * x, src.width - 1), x1 = std::min(2 * x + 1, src.width - 1);
            const uint32_t y0 = std::min(2 * y, src.height - 1), y1 = std::min(2 * y + 1, src.height - 1);
            const uint32_t p[4] = {src.pixels[(size_t)y0 * src.width + x0], src.pixels[(size_t)y0 * src.width + x1],
                                   src.pixels[(size_t)y1 * src.width + x0], src.pixels[(size_t)y1 * src.width + x1]};
            uint32_t result = 0;
            for (int s = 0; s < 32; s += 8) {
                const uint32_t sum = ((p[0] >> s) & 0xff) + ((p[1] >> s) & 0xff) + ((p[2] >> s) & 0xff) + ((p[3] >> s) & 0xff);
                result |= ((sum + 2) / 4) << s;
            }
            out.pixels[(size_t)y * out.width + x] = result;
        }
    return out;
}

void ApplyColorKey(Picture* pic, uint32_t key)
{
    if (key == 0) return;
    for (uint32_t& p : pic->pixels)
        if (p == key) p = 0;
}

uint32_t WritableFormatBytes(D3DFORMAT f)
{
    switch (f) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8: return 4;
    case D3DFMT_R8G8B8: return 3;
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4: return 2;
    case D3DFMT_L8: return 1;
    default: return 0;
    }
}

void WritePixels(D3DFORMAT f, const uint32_t* src, uint32_t count, void* dst)
{
    uint8_t* d8 = static_cast<uint8_t*>(dst);
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t p = src[i];
        const uint32_t a = p >> 24, r = (p >> 16) & 0xff, g = (p >> 8) & 0xff, b = p & 0xff;
        uint16_t v16 = 0;
        switch (f) {
        case D3DFMT_A8R8G8B8: memcpy(d8 + 4 * i, &p, 4); continue;
        case D3DFMT_X8R8G8B8: {
            const uint32_t x = p | 0xFF000000u;
            memcpy(d8 + 4 * i, &x, 4);
            continue;
        }
        case D3DFMT_R8G8B8:
            d8[3 * i] = (uint8_t)b, d8[3 * i + 1] = (uint8_t)g, d8[3 * i + 2] = (uint8_t)r;
            continue;
        case D3DFMT_L8: d8[i] = (uint8_t)((r * 77 + g * 150 + b * 29 + 128) >> 8); continue;
        case D3DFMT_R5G6B5: v16 = (uint16_t)(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3)); break;
        case D3DFMT_X1R5G5B5: v16 = (uint16_t)(0x8000 | ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3)); break;
        case D3DFMT_A1R5G5B5:
            v16 = (uint16_t)((a >= 128 ? 0x8000 : 0) | ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3));
            break;
        case D3DFMT_A4R4G4B4: v16 = (uint16_t)(((a >> 4) << 12) | ((r >> 4) << 8) | ((g >> 4) << 4) | (b >> 4)); break;
        default: return;
        }
        memcpy(d8 + 2 * i, &v16, 2);
    }
}

uint32_t NextPow2(uint32_t n)
{
    uint32_t p = 1;
    while (p < n && p < 0x80000000u) p <<= 1;
    return p;
}

uint32_t FullMipCount(uint32_t w, uint32_t h)
{
    uint32_t levels = 1;
    while (w > 1 || h > 1) {
        w = std::max(1u, w / 2);
        h = std::max(1u, h / 2);
        ++levels;
    }
    return levels;
}

}  // namespace qrn::d3dx
