// Image file decoding for the D3DX9 image functions: a file's bytes in, 32-bit
// pixels out, with no device involved (so it can be tested and fuzzed alone).
//
// Readers: JPEG through libjpeg-turbo; BMP, PNG and TGA through stb_image.
// Every reader checks the header's size against hard caps and against the
// file's own length before it allocates anything, so an absurd header is a
// failed HRESULT, never a huge allocation. Truncated pixel data is a failure
// too, not a half-black picture.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "windows.h"

namespace qrn::d3dx {

// D3DXIMAGE_FILEFORMAT values of the formats read here.
enum ImageFileKind : uint32_t {
    kImageBmp = 0,
    kImageJpg = 1,
    kImageTga = 2,
    kImagePng = 3,
};

// Caps on what a file may ask for. A side of 8192 is the largest texture the
// stand-in device reports; the pixel cap keeps a decoded picture at 64 MiB.
constexpr uint32_t kMaxImageSide = 8192;
constexpr uint64_t kMaxImagePixels = 16ull << 20;
// The largest file read at all.
constexpr uint64_t kMaxImageFileBytes = 256ull << 20;

// HRESULTs of the image functions (the values of the real header).
constexpr HRESULT kErrInvalidCall = (HRESULT)0x8876086CL;  // D3DERR_INVALIDCALL
constexpr HRESULT kErrInvalidData = (HRESULT)0x88760B59L;  // D3DXERR_INVALIDDATA
constexpr HRESULT kErrNotFound = (HRESULT)0x88760866L;     // D3DERR_NOTFOUND

struct ImageHeader {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t fileKind = kImageBmp;  // ImageFileKind
    bool hasAlpha = false;          // the file stores an alpha channel
};

struct DecodedImage {
    ImageHeader header;
    // width*height pixels, rows top to bottom, each a D3DCOLOR 0xAARRGGBB
    // (bytes B, G, R, A in memory). Files without alpha read as alpha 255.
    std::vector<uint32_t> pixels;
};

// Reads a whole file; kErrNotFound when it cannot be opened, kErrInvalidData
// when it is empty or larger than kMaxImageFileBytes.
HRESULT ReadImageFile(const char* path, std::vector<uint8_t>* bytes);

// The picture's size and kind from its header alone (no pixel allocation).
HRESULT ReadImageHeader(const uint8_t* data, size_t size, ImageHeader* header);

// Decodes the whole picture.
HRESULT DecodeImage(const uint8_t* data, size_t size, DecodedImage* image);

// File kind from the first bytes (TGA, which has no signature, is the
// fallback when the header parses as one); false when nothing fits.
bool SniffImageKind(const uint8_t* data, size_t size, uint32_t* kind);

}  // namespace qrn::d3dx
