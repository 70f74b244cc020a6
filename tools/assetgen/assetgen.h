// Asset generator: shared helpers for writing the demo's files from code.
//
// Every generator is a pure function of fixed seeds, so two runs write the
// same bytes. Nothing here reads the clock or the environment except the
// font file, whose path is fixed.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace assetgen {

using Bytes = std::vector<uint8_t>;

// ---------------------------------------------------------------- random

// Small, fast generator with a fixed algorithm (the standard library's
// distributions may differ between library versions; this does not).
class Rng {
public:
    explicit Rng(uint64_t seed) : m_state(seed * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull) {}
    uint32_t Next();
    float Uniform() { return float(Next() >> 8) * (1.0f / 16777216.0f); } // [0, 1)
    float Range(float a, float b) { return a + (b - a) * Uniform(); }
    float Signed() { return Uniform() * 2.0f - 1.0f; } // [-1, 1)

private:
    uint64_t m_state;
};

// ---------------------------------------------------------------- noise

// Smooth value noise on an integer lattice, in [-1, 1].
float ValueNoise(float x, float y, uint32_t seed);
// Fractal sum of value noise octaves, roughly in [-1, 1].
float Fbm(float x, float y, int octaves, uint32_t seed, float gain = 0.5f);
// Perlin noise that repeats every `period` units in x and y (period a power
// of two, at most 256), in about [-1, 1].
float TileNoise(float x, float y, int period, int seedPlane);
// Fractal tileable noise over a square of `size` pixels that repeats exactly;
// `baseFreq` cells across the tile for the first octave (a power of two).
float TileFbm(float px, float py, int size, int baseFreq, int octaves, int seedPlane, float gain = 0.5f);

inline float Clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }
inline float Lerp(float a, float b, float t) { return a + (b - a) * t; }
inline float SmoothStep(float e0, float e1, float x) {
    float t = Clamp01((x - e0) / (e1 - e0));
    return t * t * (3.0f - 2.0f * t);
}

// ---------------------------------------------------------------- colour / images

struct Rgb {
    float r = 0, g = 0, b = 0;
};
inline Rgb Mix(Rgb a, Rgb b, float t) { return {Lerp(a.r, b.r, t), Lerp(a.g, b.g, t), Lerp(a.b, b.b, t)}; }
inline Rgb Scale(Rgb a, float k) { return {a.r * k, a.g * k, a.b * k}; }
inline Rgb Add(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }

// 8-bit image, rows top to bottom, `channels` 3 (RGB) or 4 (RGBA).
struct Image {
    int width = 0, height = 0, channels = 3;
    std::vector<uint8_t> pixels;

    Image() = default;
    Image(int w, int h, int c) : width(w), height(h), channels(c), pixels(size_t(w) * h * c, 0) {}
    uint8_t* At(int x, int y) { return &pixels[(size_t(y) * width + x) * channels]; }
    const uint8_t* At(int x, int y) const { return &pixels[(size_t(y) * width + x) * channels]; }
    void Set(int x, int y, Rgb c, float a = 1.0f);
    Rgb Get(int x, int y) const;
    // Box-filtered copy at a smaller size (for the documentation pictures).
    Image Downscaled(int factor) const;
};

Bytes EncodeBmp(const Image& img);            // 24-bit, bottom-up rows
Bytes EncodeTga(const Image& img);            // 32-bit uncompressed, top-left origin
Bytes EncodeJpeg(const Image& img, int quality);
Bytes EncodePng(const Image& img);

// ---------------------------------------------------------------- sound

constexpr int kSampleRate = 44100;
// 16-bit mono PCM RIFF file; samples are clipped to [-1, 1].
Bytes EncodeWav(const std::vector<float>& samples);
// Mono MPEG-1 layer III at a constant bit rate, with an Info tag so that
// decoders can drop the encoder's delay and padding.
Bytes EncodeMp3(const std::vector<float>& samples, int kbps);

// ---------------------------------------------------------------- the asset set

struct AssetFile {
    std::string name;
    Bytes data;
};

struct AssetSet {
    std::vector<AssetFile> files;
    void Add(std::string name, Bytes data) { files.push_back({std::move(name), std::move(data)}); }
};

// The island: heights as stored in the RAW file and the colour map drawn
// from them; kept for the title pictures.
struct Island {
    static constexpr int kSize = 257;
    std::vector<uint8_t> samples; // kSize * kSize, index x + z * kSize
    Image colourMap;
    float HeightAt(float x, float z) const; // world units, bilinear
};

void MakeTerrain(AssetSet& out, Island& island);
void MakeSky(AssetSet& out, Image* strip);
void MakeModels(AssetSet& out);
void MakeSprites(AssetSet& out);
void MakeParticleFile(AssetSet& out);
// Returns false (with a message on stderr) when no font could be loaded.
bool MakeScreens(AssetSet& out, const Island& island, Image* title);
void MakeSounds(AssetSet& out);

// Sky colour seen in direction (x, y, z), y up; shared by the sky box and
// the title pictures.
Rgb SkyColour(float x, float y, float z);

} // namespace assetgen
