// The sky box: six pictures of one daytime sky with clouds over a far sea
// horizon, drawn from a colour per view direction so that the faces meet
// without seams.
#include "assetgen.h"

#include <algorithm>

namespace assetgen {

Rgb SkyColour(float x, float y, float z) {
    float len = std::sqrt(x * x + y * y + z * z);
    x /= len;
    y /= len;
    z /= len;
    const Rgb zenith{0.2f, 0.4f, 0.82f}, horizon{0.72f, 0.83f, 0.94f};
    const Rgb farSea{0.3f, 0.42f, 0.55f}, deepSea{0.08f, 0.16f, 0.26f};
    const Rgb farLand{0.42f, 0.5f, 0.6f};

    float azimuth = std::atan2(z, x);
    if (y < 0.0f) {
        // Below the horizon: the open sea fading into haze at the horizon.
        Rgb c = Mix(farSea, deepSea, std::pow(Clamp01(-y * 2.2f), 0.7f));
        return Mix(c, horizon, std::exp(-(-y) * 60.0f) * 0.7f);
    }

    Rgb c = Mix(horizon, zenith, std::pow(y, 0.55f));

    // Clouds on a flat layer overhead: look up the noise where the ray meets
    // the layer, thinning out towards the horizon.
    float t = 1.0f / std::max(y, 0.02f);
    float cx = x * t * 0.9f, cz = z * t * 0.9f;
    float n = Fbm(cx * 0.9f + 3.1f, cz * 0.9f - 7.4f, 6, 211, 0.55f);
    float cover = SmoothStep(0.05f, 0.55f, n);
    float fade = SmoothStep(0.03f, 0.25f, y);
    float shade = 0.78f + 0.22f * SmoothStep(0.2f, 0.8f, Fbm(cx * 0.9f + 4.0f, cz * 0.9f - 6.6f, 4, 211, 0.55f) - n + 0.5f);
    Rgb cloud = Scale(Rgb{1.0f, 1.0f, 1.0f}, shade);
    c = Mix(c, cloud, cover * fade * 0.92f);

    // Distant hills on another island, low along part of the horizon.
    float ridge = 0.012f + 0.03f * std::max(0.0f, Fbm(std::cos(azimuth) * 2.0f + 9.0f, std::sin(azimuth) * 2.0f, 4, 223) * 1.4f - 0.25f);
    if (y < ridge)
        c = Mix(c, farLand, 0.75f);
    // A bright haze just above the horizon.
    c = Mix(c, horizon, std::exp(-y * 40.0f) * 0.35f);
    return c;
}

void MakeSky(AssetSet& out, Image* strip) {
    constexpr int S = 512;
    // Face names with the direction of texel (u, v), as the sky box lays out
    // its pictures: each seen upright from inside, v = 0 at the top edge.
    struct Face {
        const char* suffix;
        void (*dir)(float u, float v, float* d);
    };
    const Face faces[6] = {
        {"_front", [](float u, float v, float* d) { d[0] = 2 * u - 1, d[1] = 1 - 2 * v, d[2] = 1; }},
        {"_right", [](float u, float v, float* d) { d[0] = 1, d[1] = 1 - 2 * v, d[2] = 1 - 2 * u; }},
        {"_back", [](float u, float v, float* d) { d[0] = 1 - 2 * u, d[1] = 1 - 2 * v, d[2] = -1; }},
        {"_left", [](float u, float v, float* d) { d[0] = -1, d[1] = 1 - 2 * v, d[2] = 2 * u - 1; }},
        {"_up", [](float u, float v, float* d) { d[0] = 2 * u - 1, d[1] = 1, d[2] = 2 * v - 1; }},
        {"_down", [](float u, float v, float* d) { d[0] = 2 * u - 1, d[1] = -1, d[2] = 1 - 2 * v; }},
    };
    constexpr int kStripCell = 128;
    if (strip)
        *strip = Image(kStripCell * 6, kStripCell, 3);
    for (int f = 0; f < 6; ++f) {
        Image img(S, S, 3);
        for (int py = 0; py < S; ++py)
            for (int px = 0; px < S; ++px) {
                float d[3];
                faces[f].dir((float(px) + 0.5f) / S, (float(py) + 0.5f) / S, d);
                img.Set(px, py, SkyColour(d[0], d[1], d[2]));
            }
        out.Add(std::string("tr_skybox") + faces[f].suffix + ".jpg", EncodeJpeg(img, 88));
        if (strip) {
            Image small = img.Downscaled(S / kStripCell);
            for (int y = 0; y < kStripCell; ++y)
                for (int x = 0; x < kStripCell; ++x)
                    std::copy_n(small.At(x, y), 3, strip->At(f * kStripCell + x, y));
        }
    }
}

} // namespace assetgen
