// Writers of small image files in each format the D3DX image functions read,
// for the tests: pixels are 0xAARRGGBB, rows top to bottom.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testimg {

using Bytes = std::vector<uint8_t>;

Bytes Bmp24(int w, int h, const std::vector<uint32_t>& px);
Bytes Bmp32(int w, int h, const std::vector<uint32_t>& px);
Bytes Tga(int w, int h, const std::vector<uint32_t>& px, bool alpha, bool rle);
Bytes Png(int w, int h, const std::vector<uint32_t>& px, bool alpha);
Bytes Jpeg(int w, int h, const std::vector<uint32_t>& px, int quality = 95, bool progressive = false);

// A picture of w x h in four flat quadrants (red, green, blue, white with
// alpha 0x80), so that lossy formats still decode to the same colours away
// from the borders.
std::vector<uint32_t> Quadrants(int w, int h);

// Writes bytes to a file in the test's temporary folder and returns its path.
std::string WriteTemp(const std::string& name, const Bytes& bytes);

}  // namespace testimg
