// Pixel work for the D3DX image functions, independent of any device:
// scaling a picture, building mip levels, colour keys, and writing pixels in
// a surface format. Pictures are 0xAARRGGBB per pixel, rows top to bottom.
#pragma once

#include <cstdint>
#include <vector>

#include "d3d9types.h"

namespace qrn::d3dx {

struct Picture {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint32_t> pixels;
};

// Scales `src` to w x h. pointSample: nearest texel (D3DX_FILTER_NONE and
// POINT); otherwise a triangle (tent) filter that averages when shrinking and
// interpolates when enlarging.
Picture Resample(const Picture& src, uint32_t w, uint32_t h, bool pointSample);

// The next mip level: half the size (at least 1), each pixel the average of
// the 2x2 (or 2x1, 1x2) block above it.
Picture HalveBox(const Picture& src);

// Pixels equal to `key` (alpha included) become transparent black; 0 = off.
void ApplyColorKey(Picture* pic, uint32_t key);

// Bytes per pixel of the formats the image functions can write; 0 otherwise.
uint32_t WritableFormatBytes(D3DFORMAT format);

// Writes `count` pixels converted to `format` at `dst` (WritableFormatBytes
// must be non-zero).
void WritePixels(D3DFORMAT format, const uint32_t* src, uint32_t count, void* dst);

// Smallest power of two not below n (n >= 1).
uint32_t NextPow2(uint32_t n);

// Levels of a full mip chain for w x h.
uint32_t FullMipCount(uint32_t w, uint32_t h);

}  // namespace qrn::d3dx
