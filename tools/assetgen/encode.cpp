// File encoders: images through stb_image_write and libjpeg, sound through
// our own RIFF writer and libmp3lame; plus the random and noise helpers.
#include "assetgen.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>

#include <jpeglib.h>
#include <lame.h>
#include <stb_image_write.h>
#include <stb_perlin.h>

namespace assetgen {

uint32_t Rng::Next() {
    // splitmix64
    uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return uint32_t((z ^ (z >> 31)) >> 32);
}

// ---------------------------------------------------------------- noise

namespace {
uint32_t Hash(int32_t x, int32_t y, uint32_t seed) {
    uint32_t h = uint32_t(x) * 0x8DA6B343u ^ uint32_t(y) * 0xD8163841u ^ seed * 0xCB1AB31Fu;
    h ^= h >> 13;
    h *= 0x5BD1E995u;
    h ^= h >> 15;
    return h;
}
float Lattice(int32_t x, int32_t y, uint32_t seed) { return float(Hash(x, y, seed) & 0xFFFFFF) * (2.0f / 16777215.0f) - 1.0f; }
} // namespace

float ValueNoise(float x, float y, uint32_t seed) {
    float fx = std::floor(x), fy = std::floor(y);
    int32_t ix = int32_t(fx), iy = int32_t(fy);
    float tx = x - fx, ty = y - fy;
    tx = tx * tx * tx * (tx * (tx * 6 - 15) + 10);
    ty = ty * ty * ty * (ty * (ty * 6 - 15) + 10);
    float a = Lerp(Lattice(ix, iy, seed), Lattice(ix + 1, iy, seed), tx);
    float b = Lerp(Lattice(ix, iy + 1, seed), Lattice(ix + 1, iy + 1, seed), tx);
    return Lerp(a, b, ty);
}

float Fbm(float x, float y, int octaves, uint32_t seed, float gain) {
    float sum = 0, amp = 1, norm = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += amp * ValueNoise(x, y, seed + uint32_t(i) * 7919u);
        norm += amp;
        amp *= gain;
        // rotate a little between octaves so the lattices do not line up
        float nx = 1.6f * x + 1.2f * y + 13.7f;
        float ny = -1.2f * x + 1.6f * y + 5.3f;
        x = nx;
        y = ny;
    }
    return sum / norm * 1.6f;
}

float TileNoise(float x, float y, int period, int seedPlane) {
    return stb_perlin_noise3(x, y, float(seedPlane) + 0.5f, period, period, 0);
}

float TileFbm(float px, float py, int size, int baseFreq, int octaves, int seedPlane, float gain) {
    float sum = 0, amp = 1, norm = 0;
    int freq = baseFreq;
    for (int i = 0; i < octaves && freq <= 256; ++i) {
        float k = float(freq) / float(size);
        sum += amp * TileNoise(px * k, py * k, freq, seedPlane + i * 3);
        norm += amp;
        amp *= gain;
        freq *= 2;
    }
    return sum / norm * 1.5f;
}

// ---------------------------------------------------------------- images

void Image::Set(int x, int y, Rgb c, float a) {
    uint8_t* p = At(x, y);
    p[0] = uint8_t(Clamp01(c.r) * 255.0f + 0.5f);
    p[1] = uint8_t(Clamp01(c.g) * 255.0f + 0.5f);
    p[2] = uint8_t(Clamp01(c.b) * 255.0f + 0.5f);
    if (channels == 4)
        p[3] = uint8_t(Clamp01(a) * 255.0f + 0.5f);
}

Rgb Image::Get(int x, int y) const {
    const uint8_t* p = At(x, y);
    return {p[0] / 255.0f, p[1] / 255.0f, p[2] / 255.0f};
}

Image Image::Downscaled(int factor) const {
    Image out(width / factor, height / factor, channels);
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x)
            for (int c = 0; c < channels; ++c) {
                int sum = 0;
                for (int j = 0; j < factor; ++j)
                    for (int i = 0; i < factor; ++i)
                        sum += At(x * factor + i, y * factor + j)[c];
                out.At(x, y)[c] = uint8_t((sum + factor * factor / 2) / (factor * factor));
            }
    return out;
}

namespace {
void AppendToBytes(void* context, void* data, int size) {
    auto* out = static_cast<Bytes*>(context);
    auto* p = static_cast<const uint8_t*>(data);
    out->insert(out->end(), p, p + size);
}
void Put16(Bytes& b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
void Put32(Bytes& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
} // namespace

Bytes EncodeBmp(const Image& img) {
    Bytes out;
    if (!stbi_write_bmp_to_func(AppendToBytes, &out, img.width, img.height, img.channels, img.pixels.data()))
        throw std::runtime_error("BMP encoding failed");
    return out;
}

Bytes EncodeTga(const Image& img) {
    if (img.channels != 4)
        throw std::runtime_error("TGA needs an alpha channel");
    Bytes out;
    out.insert(out.end(), {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0}); // uncompressed true colour
    Put16(out, uint32_t(img.width));
    Put16(out, uint32_t(img.height));
    out.push_back(32);
    out.push_back(0x28); // 8 alpha bits, first row at the top
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) {
            const uint8_t* p = img.At(x, y);
            out.insert(out.end(), {p[2], p[1], p[0], p[3]});
        }
    return out;
}

Bytes EncodePng(const Image& img) {
    Bytes out;
    if (!stbi_write_png_to_func(AppendToBytes, &out, img.width, img.height, img.channels, img.pixels.data(),
                                img.width * img.channels))
        throw std::runtime_error("PNG encoding failed");
    return out;
}

Bytes EncodeJpeg(const Image& img, int quality) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* mem = nullptr;
    unsigned long memSize = 0;
    jpeg_mem_dest(&cinfo, &mem, &memSize);
    cinfo.image_width = JDIMENSION(img.width);
    cinfo.image_height = JDIMENSION(img.height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    cinfo.optimize_coding = TRUE;
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<uint8_t> row(size_t(img.width) * 3);
    while (cinfo.next_scanline < cinfo.image_height) {
        int y = int(cinfo.next_scanline);
        for (int x = 0; x < img.width; ++x)
            std::memcpy(&row[size_t(x) * 3], img.At(x, y), 3);
        JSAMPROW rowPtr = row.data();
        jpeg_write_scanlines(&cinfo, &rowPtr, 1);
    }
    jpeg_finish_compress(&cinfo);
    Bytes out(mem, mem + memSize);
    jpeg_destroy_compress(&cinfo);
    free(mem);
    return out;
}

// ---------------------------------------------------------------- sound

Bytes EncodeWav(const std::vector<float>& samples) {
    Bytes out;
    uint32_t dataBytes = uint32_t(samples.size() * 2);
    out.insert(out.end(), {'R', 'I', 'F', 'F'});
    Put32(out, 36 + dataBytes);
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    Put32(out, 16);
    Put16(out, 1); // PCM
    Put16(out, 1); // mono
    Put32(out, kSampleRate);
    Put32(out, kSampleRate * 2);
    Put16(out, 2);
    Put16(out, 16);
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    Put32(out, dataBytes);
    for (float s : samples) {
        float c = s < -1.0f ? -1.0f : (s > 1.0f ? 1.0f : s);
        Put16(out, uint16_t(int16_t(std::lround(c * 32767.0f))));
    }
    return out;
}

Bytes EncodeMp3(const std::vector<float>& samples, int kbps) {
    lame_global_flags* gf = lame_init();
    if (!gf)
        throw std::runtime_error("lame_init failed");
    lame_set_num_channels(gf, 1);
    lame_set_mode(gf, MONO);
    lame_set_in_samplerate(gf, kSampleRate);
    lame_set_out_samplerate(gf, kSampleRate);
    lame_set_brate(gf, kbps);
    lame_set_VBR(gf, vbr_off);
    lame_set_quality(gf, 5);
    lame_set_bWriteVbrTag(gf, 1);
    if (lame_init_params(gf) < 0) {
        lame_close(gf);
        throw std::runtime_error("lame_init_params failed");
    }
    std::vector<short> pcm(samples.size());
    for (size_t i = 0; i < samples.size(); ++i) {
        float c = samples[i] < -1.0f ? -1.0f : (samples[i] > 1.0f ? 1.0f : samples[i]);
        pcm[i] = short(std::lround(c * 32767.0f));
    }
    Bytes out(size_t(1.25 * double(pcm.size())) + 7200 + 16384);
    int n = lame_encode_buffer(gf, pcm.data(), pcm.data(), int(pcm.size()), out.data(), int(out.size()));
    if (n < 0) {
        lame_close(gf);
        throw std::runtime_error("MP3 encoding failed");
    }
    int m = lame_encode_flush(gf, out.data() + n, int(out.size()) - n);
    if (m < 0) {
        lame_close(gf);
        throw std::runtime_error("MP3 flush failed");
    }
    out.resize(size_t(n + m));
    // The first frame was written as a placeholder; fill in the Info tag now
    // that the length, delay and padding are known.
    uint8_t tag[2880];
    size_t tagSize = lame_get_lametag_frame(gf, tag, sizeof(tag));
    if (tagSize > 0 && tagSize <= out.size())
        std::memcpy(out.data(), tag, tagSize);
    lame_close(gf);
    return out;
}

} // namespace assetgen
