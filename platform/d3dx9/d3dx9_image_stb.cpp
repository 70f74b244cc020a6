// The BMP, PNG and TGA readers: Debian's stb_image, compiled here with only
// those three formats and with every function private to this file. The
// callers in d3dx9_image_decode.cpp have already checked the header against
// the caps and the file length; stb's own dimension limit is set to the same
// cap as a second line of defence.
#include <cstdint>
#include <cstring>

#include "d3dx9_image_decode.h"

// stb's context is filled field by field; GCC cannot see that once inlined
// into the functions below. (Whole file: the warning lands where it inlines.)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_ONLY_BMP
#define STBI_ONLY_TGA
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_MAX_DIMENSIONS 8192

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wshadow"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wpedantic"
#pragma GCC diagnostic ignored "-Wextra"
#include <stb_image.h>
#pragma GCC diagnostic pop

static_assert(STBI_MAX_DIMENSIONS == qrn::d3dx::kMaxImageSide, "stb's limit is the same cap");

namespace qrn::d3dx {

// Size and channel count as stb sees them; false when stb cannot parse it.
bool StbInfo(const uint8_t* data, size_t size, int* w, int* h, int* comp)
{
    if (size > 0x7fffffff) return false;
    return stbi_info_from_memory(data, (int)size, w, h, comp) != 0;
}

// Decodes into 0xAARRGGBB pixels; the caller has sized `out` to w*h.
bool StbDecodeBgra(const uint8_t* data, size_t size, uint32_t w, uint32_t h, uint32_t* out)
{
    if (size > 0x7fffffff) return false;
    int x = 0, y = 0, comp = 0;
    stbi_uc* rgba = stbi_load_from_memory(data, (int)size, &x, &y, &comp, 4);
    if (!rgba) return false;
    bool ok = (uint32_t)x == w && (uint32_t)y == h;
    if (ok) {
        const size_t count = (size_t)w * h;
        for (size_t i = 0; i < count; ++i) {
            const stbi_uc* p = rgba + 4 * i;
            out[i] = ((uint32_t)p[3] << 24) | ((uint32_t)p[0] << 16) | ((uint32_t)p[1] << 8) | p[2];
        }
    }
    stbi_image_free(rgba);
    return ok;
}

}  // namespace qrn::d3dx
