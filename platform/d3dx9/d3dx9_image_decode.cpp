// Image file decoding (see d3dx9_image_decode.h): format sniffing, header
// checks against the caps and the file length, and the JPEG reader on
// libjpeg-turbo. BMP, PNG and TGA pixels come from stb_image
// (d3dx9_image_stb.cpp) after the checks here have passed.
#include "d3dx9_image_decode.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

namespace qrn::d3dx {

bool StbInfo(const uint8_t* data, size_t size, int* w, int* h, int* comp);
bool StbDecodeBgra(const uint8_t* data, size_t size, uint32_t w, uint32_t h, uint32_t* out);

namespace {

uint16_t Le16(const uint8_t* p) { return (uint16_t)(p[0] | (p[1] << 8)); }
uint32_t Le32(const uint8_t* p) { return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24); }
uint32_t Be32(const uint8_t* p) { return ((uint32_t)p[0] << 24) | ((uint32_t)p[1] << 16) | ((uint32_t)p[2] << 8) | p[3]; }

// Size caps common to all formats.
bool SizeAllowed(uint64_t w, uint64_t h)
{
    return w > 0 && h > 0 && w <= kMaxImageSide && h <= kMaxImageSide && w * h <= kMaxImagePixels;
}

// ---- BMP ---------------------------------------------------------------------

// Uncompressed and bit-field BMPs must hold every row the header promises.
// RLE-compressed files are refused (stb does not read them).
HRESULT BmpHeader(const uint8_t* d, size_t n, ImageHeader* out)
{
    if (n < 26) return kErrInvalidData;
    const uint32_t offBits = Le32(d + 10);
    const uint32_t infoSize = Le32(d + 14);
    int64_t w, h;
    uint32_t bpp, compression = 0;
    if (infoSize == 12) {
        w = Le16(d + 18);
        h = Le16(d + 20);
        bpp = Le16(d + 24);
    } else if (infoSize >= 40 && n >= 34) {
        w = (int32_t)Le32(d + 18);
        h = (int32_t)Le32(d + 22);
        bpp = Le16(d + 28);
        compression = Le32(d + 30);
    } else {
        return kErrInvalidData;
    }
    if (h < 0) h = -h;
    if (w <= 0 || !SizeAllowed((uint64_t)w, (uint64_t)h)) return kErrInvalidData;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return kErrInvalidData;
    if (compression != 0 && compression != 3) return kErrInvalidData;
    const uint64_t stride = (((uint64_t)w * bpp + 31) / 32) * 4;
    if ((uint64_t)offBits + stride * (uint64_t)h > n) return kErrInvalidData;
    out->width = (uint32_t)w;
    out->height = (uint32_t)h;
    out->fileKind = kImageBmp;
    // 32-bit BMPs may carry alpha; stb reports it through its channel count.
    int sw = 0, sh = 0, comp = 0;
    if (!StbInfo(d, n, &sw, &sh, &comp)) return kErrInvalidData;
    out->hasAlpha = comp == 4;
    return S_OK;
}

// ---- TGA ---------------------------------------------------------------------

struct TgaLayout {
    uint32_t w = 0, h = 0, pixelBytes = 0, dataStart = 0;
    bool rle = false;
};

bool TgaParse(const uint8_t* d, size_t n, TgaLayout* t)
{
    if (n < 18) return false;
    const uint8_t idLen = d[0], cmapType = d[1], type = d[2];
    if (cmapType > 1) return false;
    if (type != 1 && type != 2 && type != 3 && type != 9 && type != 10 && type != 11) return false;
    if ((type == 1 || type == 9) != (cmapType == 1)) return false;
    const uint32_t cmapLen = Le16(d + 5), cmapBits = d[7];
    const uint32_t bpp = d[16];
    if (bpp != 8 && bpp != 15 && bpp != 16 && bpp != 24 && bpp != 32) return false;
    if (cmapType == 1 && cmapBits != 15 && cmapBits != 16 && cmapBits != 24 && cmapBits != 32) return false;
    t->w = Le16(d + 12);
    t->h = Le16(d + 14);
    t->pixelBytes = (bpp + 7) / 8;
    t->dataStart = 18u + idLen + (cmapType ? cmapLen * ((cmapBits + 7) / 8) : 0u);
    t->rle = type >= 9;
    return t->w > 0 && t->h > 0 && t->dataStart <= n;
}

// The pixel data must cover every pixel: raw data by length, RLE data by
// walking its packets without decoding them.
bool TgaDataComplete(const uint8_t* d, size_t n, const TgaLayout& t)
{
    const uint64_t pixels = (uint64_t)t.w * t.h;
    if (!t.rle) return t.dataStart + pixels * t.pixelBytes <= n;
    uint64_t seen = 0;
    size_t at = t.dataStart;
    while (seen < pixels) {
        if (at >= n) return false;
        const uint8_t head = d[at++];
        const uint32_t count = (head & 0x7f) + 1u;
        const uint64_t bytes = (head & 0x80) ? t.pixelBytes : (uint64_t)count * t.pixelBytes;
        if (at + bytes > n) return false;
        at += bytes;
        seen += count;
    }
    return true;
}

HRESULT TgaHeader(const uint8_t* d, size_t n, ImageHeader* out)
{
    TgaLayout t;
    if (!TgaParse(d, n, &t) || !SizeAllowed(t.w, t.h) || !TgaDataComplete(d, n, t)) return kErrInvalidData;
    out->width = t.w;
    out->height = t.h;
    out->fileKind = kImageTga;
    out->hasAlpha = d[16] == 32 || (d[16] == 16 && (d[17] & 0x0f) != 0);
    return S_OK;
}

// ---- PNG ---------------------------------------------------------------------

// Deflate expands at most about 1032:1, so the filtered rows the header asks
// for must fit in that much of the file; a tiny file claiming a huge picture
// is refused before any inflation.
HRESULT PngHeader(const uint8_t* d, size_t n, ImageHeader* out)
{
    if (n < 33 || memcmp(d + 12, "IHDR", 4) != 0) return kErrInvalidData;
    const uint32_t w = Be32(d + 16), h = Be32(d + 20);
    const uint32_t depth = d[24], colour = d[25];
    if (!SizeAllowed(w, h)) return kErrInvalidData;
    uint32_t channels;
    switch (colour) {
    case 0: channels = 1; break;
    case 2: channels = 3; break;
    case 3: channels = 1; break;
    case 4: channels = 2; break;
    case 6: channels = 4; break;
    default: return kErrInvalidData;
    }
    if (depth != 1 && depth != 2 && depth != 4 && depth != 8 && depth != 16) return kErrInvalidData;
    const uint64_t rowBytes = ((uint64_t)w * channels * depth + 7) / 8 + 1;
    if (rowBytes * h > (uint64_t)n * 1032 + 4096) return kErrInvalidData;
    // stb grows its buffer to a chunk's stated length before reading the
    // chunk, so every chunk must fit in the file, up to and including IEND.
    size_t at = 8;
    bool ended = false;
    while (!ended) {
        if (n - at < 12) return kErrInvalidData;
        const uint32_t len = Be32(d + at);
        if (len > n - at - 12) return kErrInvalidData;
        // stb copies a first, empty IDAT chunk from a null buffer.
        if (len == 0 && memcmp(d + at + 4, "IDAT", 4) == 0) return kErrInvalidData;
        ended = memcmp(d + at + 4, "IEND", 4) == 0;
        at += 12 + (size_t)len;
    }
    int sw = 0, sh = 0, comp = 0;
    if (!StbInfo(d, n, &sw, &sh, &comp) || (uint32_t)sw != w || (uint32_t)sh != h) return kErrInvalidData;
    out->width = w;
    out->height = h;
    out->fileKind = kImagePng;
    out->hasAlpha = comp == 2 || comp == 4;
    return S_OK;
}

// ---- JPEG (libjpeg-turbo) ------------------------------------------------------

// A JPEG needs at least a couple of bits per 8x8 block; even arithmetic-coded
// flat pictures stay far below this many pixels per byte of file.
constexpr uint64_t kJpegPixelsPerByte = 1024;
// Progressive files can hold endless scans that each cost a full pass.
constexpr int kJpegMaxScans = 500;

struct JpegError {
    jpeg_error_mgr mgr;
    jmp_buf jump;
};

[[noreturn]] void JpegFail(j_common_ptr cinfo)
{
    longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}

// Warnings go nowhere, except the two that mean the data ran out: a
// truncated file is a failure, not a picture filled with grey.
void JpegMessage(j_common_ptr cinfo, int level)
{
    if (level < 0 && (cinfo->err->msg_code == JWRN_JPEG_EOF || cinfo->err->msg_code == JWRN_HIT_MARKER))
        JpegFail(cinfo);
}

void JpegProgress(j_common_ptr cinfo)
{
    if (cinfo->is_decompressor) {
        auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
        if (d->input_scan_number > kJpegMaxScans) JpegFail(cinfo);
    }
}

// Reads the header and, when `pixels` is given, the whole picture. Kept free
// of objects with destructors between setjmp and the end, because a decoding
// error leaves through longjmp.
HRESULT JpegRead(const uint8_t* d, size_t n, ImageHeader* out, std::vector<uint32_t>* pixels)
{
    jpeg_decompress_struct cinfo;
    JpegError err;
    jpeg_progress_mgr progress;
    memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = JpegFail;
    err.mgr.emit_message = JpegMessage;
    progress.progress_monitor = JpegProgress;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return kErrInvalidData;
    }
    jpeg_create_decompress(&cinfo);
    cinfo.progress = &progress;
    cinfo.mem->max_memory_to_use = 512L << 20;
    jpeg_mem_src(&cinfo, d, (unsigned long)n);
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) JpegFail((j_common_ptr)&cinfo);
    const uint64_t w = cinfo.image_width, h = cinfo.image_height;
    if (!SizeAllowed(w, h) || w * h > (uint64_t)n * kJpegPixelsPerByte) JpegFail((j_common_ptr)&cinfo);
    if (cinfo.num_components != 1 && cinfo.num_components != 3) JpegFail((j_common_ptr)&cinfo);
    out->width = (uint32_t)w;
    out->height = (uint32_t)h;
    out->fileKind = kImageJpg;
    out->hasAlpha = false;
    if (pixels) {
        // libjpeg-turbo writes B, G, R, 0xFF: a D3DCOLOR in memory order.
        cinfo.out_color_space = JCS_EXT_BGRA;
        jpeg_start_decompress(&cinfo);
        if (cinfo.output_width != w || cinfo.output_height != h || cinfo.output_components != 4)
            JpegFail((j_common_ptr)&cinfo);
        uint32_t* base = pixels->data();
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW row = reinterpret_cast<JSAMPROW>(base + (size_t)cinfo.output_scanline * w);
            if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) JpegFail((j_common_ptr)&cinfo);
        }
        jpeg_finish_decompress(&cinfo);
    }
    jpeg_destroy_decompress(&cinfo);
    return S_OK;
}

}  // namespace

bool SniffImageKind(const uint8_t* d, size_t n, uint32_t* kind)
{
    if (!d) return false;
    if (n >= 8 && memcmp(d, "\x89PNG\r\n\x1a\n", 8) == 0) {
        *kind = kImagePng;
        return true;
    }
    if (n >= 3 && d[0] == 0xFF && d[1] == 0xD8 && d[2] == 0xFF) {
        *kind = kImageJpg;
        return true;
    }
    if (n >= 2 && d[0] == 'B' && d[1] == 'M') {
        *kind = kImageBmp;
        return true;
    }
    TgaLayout t;
    if (TgaParse(d, n, &t)) {
        *kind = kImageTga;
        return true;
    }
    return false;
}

HRESULT ReadImageHeader(const uint8_t* data, size_t size, ImageHeader* header)
{
    if (!data || !header) return kErrInvalidCall;
    uint32_t kind = 0;
    if (!SniffImageKind(data, size, &kind)) return kErrInvalidData;
    ImageHeader h;
    HRESULT hr = kErrInvalidData;
    switch (kind) {
    case kImagePng: hr = PngHeader(data, size, &h); break;
    case kImageJpg: hr = JpegRead(data, size, &h, nullptr); break;
    case kImageBmp: hr = BmpHeader(data, size, &h); break;
    case kImageTga: hr = TgaHeader(data, size, &h); break;
    }
    if (SUCCEEDED(hr)) *header = h;
    return hr;
}

HRESULT DecodeImage(const uint8_t* data, size_t size, DecodedImage* image)
{
    if (!image) return kErrInvalidCall;
    ImageHeader h;
    HRESULT hr = ReadImageHeader(data, size, &h);
    if (FAILED(hr)) return hr;
    std::vector<uint32_t> pixels((size_t)h.width * h.height);
    if (h.fileKind == kImageJpg) {
        hr = JpegRead(data, size, &h, &pixels);
    } else {
        hr = StbDecodeBgra(data, size, h.width, h.height, pixels.data()) ? S_OK : kErrInvalidData;
        if (SUCCEEDED(hr) && !h.hasAlpha)
            for (uint32_t& p : pixels) p |= 0xFF000000u;
    }
    if (FAILED(hr)) return hr;
    image->header = h;
    image->pixels.swap(pixels);
    return S_OK;
}

HRESULT ReadImageFile(const char* path, std::vector<uint8_t>* bytes)
{
    if (!path || !bytes) return kErrInvalidCall;
    FILE* f = fopen(path, "rb");
    if (!f) return kErrNotFound;
    HRESULT hr = kErrInvalidData;
    if (fseek(f, 0, SEEK_END) == 0) {
        const long len = ftell(f);
        if (len > 0 && (uint64_t)len <= kMaxImageFileBytes && fseek(f, 0, SEEK_SET) == 0) {
            std::vector<uint8_t> buf((size_t)len);
            if (fread(buf.data(), 1, buf.size(), f) == buf.size()) {
                bytes->swap(buf);
                hr = S_OK;
            }
        }
    }
    fclose(f);
    return hr;
}

}  // namespace qrn::d3dx
