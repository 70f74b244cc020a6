#include "image_files.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

#include <jpeglib.h>
#include <unistd.h>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wshadow"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wpedantic"
#include <stb/stb_image_write.h>
#pragma GCC diagnostic pop

namespace testimg {
namespace {

void Put16(Bytes& b, uint32_t v)
{
    b.push_back(v & 0xff);
    b.push_back((v >> 8) & 0xff);
}
void Put32(Bytes& b, uint32_t v)
{
    Put16(b, v & 0xffff);
    Put16(b, v >> 16);
}

Bytes Bmp(int w, int h, const std::vector<uint32_t>& px, int bpp)
{
    const int stride = ((w * bpp + 31) / 32) * 4;
    Bytes b;
    b.push_back('B');
    b.push_back('M');
    Put32(b, 54 + stride * h);
    Put32(b, 0);
    Put32(b, 54);
    Put32(b, 40);
    Put32(b, w);
    Put32(b, h);  // bottom-up
    Put16(b, 1);
    Put16(b, bpp);
    Put32(b, 0);
    Put32(b, stride * h);
    Put32(b, 2835);
    Put32(b, 2835);
    Put32(b, 0);
    Put32(b, 0);
    for (int y = h - 1; y >= 0; --y) {
        size_t start = b.size();
        for (int x = 0; x < w; ++x) {
            uint32_t p = px[y * w + x];
            b.push_back(p & 0xff);
            b.push_back((p >> 8) & 0xff);
            b.push_back((p >> 16) & 0xff);
            if (bpp == 32) b.push_back(p >> 24);
        }
        while ((int)(b.size() - start) < stride) b.push_back(0);
    }
    return b;
}

void WriteToVector(void* ctx, void* data, int size)
{
    auto* out = static_cast<Bytes*>(ctx);
    out->insert(out->end(), (uint8_t*)data, (uint8_t*)data + size);
}

}  // namespace

Bytes Bmp24(int w, int h, const std::vector<uint32_t>& px) { return Bmp(w, h, px, 24); }
Bytes Bmp32(int w, int h, const std::vector<uint32_t>& px) { return Bmp(w, h, px, 32); }

Bytes Tga(int w, int h, const std::vector<uint32_t>& px, bool alpha, bool rle)
{
    const int bytes = alpha ? 4 : 3;
    Bytes b = {0, 0, (uint8_t)(rle ? 10 : 2), 0, 0, 0, 0, 0, 0, 0, 0, 0};
    Put16(b, w);
    Put16(b, h);
    b.push_back(alpha ? 32 : 24);
    b.push_back((alpha ? 8 : 0) | 0x20);  // top-left origin
    auto pixel = [&](uint32_t p) {
        b.push_back(p & 0xff);
        b.push_back((p >> 8) & 0xff);
        b.push_back((p >> 16) & 0xff);
        if (bytes == 4) b.push_back(p >> 24);
    };
    if (!rle) {
        for (uint32_t p : px) pixel(p);
        return b;
    }
    // Runs of equal pixels as run packets, everything else as raw packets of one.
    size_t i = 0;
    while (i < px.size()) {
        size_t run = 1;
        while (i + run < px.size() && run < 128 && px[i + run] == px[i]) ++run;
        if (run > 1) {
            b.push_back(0x80 | (uint8_t)(run - 1));
            pixel(px[i]);
        } else {
            b.push_back(0);
            pixel(px[i]);
        }
        i += run;
    }
    return b;
}

Bytes Png(int w, int h, const std::vector<uint32_t>& px, bool alpha)
{
    std::vector<uint8_t> raw;
    for (uint32_t p : px) {
        raw.push_back((p >> 16) & 0xff);
        raw.push_back((p >> 8) & 0xff);
        raw.push_back(p & 0xff);
        if (alpha) raw.push_back(p >> 24);
    }
    Bytes out;
    const int comp = alpha ? 4 : 3;
    stbi_write_png_to_func(WriteToVector, &out, w, h, comp, raw.data(), w * comp);
    return out;
}

Bytes Jpeg(int w, int h, const std::vector<uint32_t>& px, int quality, bool progressive)
{
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* mem = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &mem, &size);
    c.image_width = w;
    c.image_height = h;
    c.input_components = 4;
    c.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    if (progressive) jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = (JSAMPROW)(px.data() + c.next_scanline * w);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    Bytes out(mem, mem + size);
    jpeg_destroy_compress(&c);
    free(mem);
    return out;
}

std::vector<uint32_t> Quadrants(int w, int h)
{
    std::vector<uint32_t> px(w * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool right = x >= w / 2, bottom = y >= h / 2;
            uint32_t c = !bottom ? (!right ? 0xFFFF0000u : 0xFF00FF00u) : (!right ? 0xFF0000FFu : 0x80FFFFFFu);
            px[y * w + x] = c;
        }
    return px;
}

std::string WriteTemp(const std::string& name, const Bytes& bytes)
{
    // One folder per process, removed when the process ends.
    struct Folder {
        std::string path;
        Folder()
        {
            auto d = std::filesystem::temp_directory_path() / ("qrn_img_" + std::to_string(getpid()));
            std::filesystem::create_directories(d);
            path = d.string();
        }
        ~Folder()
        {
            std::error_code ec;
            std::filesystem::remove_all(path, ec);
        }
    };
    static const Folder folder;
    const std::string& dir = folder.path;
    std::string path = dir + "/" + name;
    FILE* f = fopen(path.c_str(), "wb");
    if (f) {
        if (!bytes.empty()) fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
    }
    return path;
}

}  // namespace testimg
