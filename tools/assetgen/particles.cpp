// Point-sprite pictures and the particle configuration file.
//
// Sprites are added to the picture (black adds nothing), except the smoke
// puff, which is meant for the multiplying blend mode and so lies on white.
#include "assetgen.h"

namespace assetgen {

namespace {

constexpr int kSprite = 64;

template <typename F>
Image Sprite(F colourAt) {
    Image img(kSprite, kSprite, 3);
    for (int y = 0; y < kSprite; ++y)
        for (int x = 0; x < kSprite; ++x) {
            // centred coordinates in [-1, 1]
            float u = (float(x) + 0.5f) / kSprite * 2.0f - 1.0f, v = (float(y) + 0.5f) / kSprite * 2.0f - 1.0f;
            img.Set(x, y, colourAt(u, v, float(x), float(y)));
        }
    return img;
}

} // namespace

void MakeSprites(AssetSet& out) {
    // A thin falling drop: a narrow streak, brightest near its lower end.
    out.Add("ptl_rain.bmp", EncodeBmp(Sprite([](float u, float v, float, float) {
        float across = std::exp(-(u * u) / (2.0f * 0.035f * 0.035f));
        float along = SmoothStep(-0.85f, 0.45f, v) * (1.0f - SmoothStep(0.55f, 0.8f, v));
        float k = across * along;
        return Rgb{0.75f * k, 0.82f * k, 0.92f * k};
    })));

    // A fireball: white-yellow core, orange glow, flickering edge.
    out.Add("ptl_fire.bmp", EncodeBmp(Sprite([](float u, float v, float x, float y) {
        float r = std::sqrt(u * u + v * v);
        float flicker = 1.0f + 0.25f * Fbm(x * 0.15f, y * 0.15f, 3, 307);
        float glow = Clamp01(1.0f - r * flicker);
        glow = glow * glow;
        float core = std::exp(-r * r * 18.0f);
        return Rgb{glow * 1.0f + core, glow * 0.55f + core * 0.9f, glow * 0.12f + core * 0.6f};
    })));

    // A snow flake: a small soft white dot.
    out.Add("ptl_snow.bmp", EncodeBmp(Sprite([](float u, float v, float, float) {
        float k = std::exp(-(u * u + v * v) * 9.0f);
        return Rgb{k, k, k};
    })));

    // A smoke puff for the multiplying mode: white (no change) around a soft
    // grey cloud.
    out.Add("ptl_smoke.bmp", EncodeBmp(Sprite([](float u, float v, float x, float y) {
        float r = std::sqrt(u * u + v * v);
        float density = Clamp01(1.0f - r) * (0.75f + 0.25f * Fbm(x * 0.1f, y * 0.1f, 4, 311));
        float k = 1.0f - 0.55f * SmoothStep(0.0f, 0.6f, density);
        return Rgb{k, k, k * 0.98f};
    })));
}

void MakeParticleFile(AssetSet& out) {
    // Sections are read up to a line "end"; keys other than the known ones
    // are skipped, which lets the first line serve as a comment. The file
    // ends right after the last "end" so that no empty section follows it.
    const char* text =
        "# Further particle systems of the island; one section each, up to \"end\".\n"
        "particlesystem = smoke\n"
        "texture = \"ptl_smoke.bmp\"\n"
        "inversecolor = true\n"
        "lifetime = 6.0\n"
        "size = 1.2\n"
        "offspring = <96.0, 52.0, 120.0>\n"
        "velocity = <0.0, 1.2, 0.0>\n"
        "variance = 0.3\n"
        "wind = <0.6, 0.0, 0.3>\n"
        "region = <1.0, 0.0, 1.0>\n"
        "numparticles = 2\n"
        "maxparticles = 200\n"
        "releaseinterval = 0.2\n"
        "end\n"
        "particlesystem = sparks\n"
        "texture = \"ptl_fire.bmp\"\n"
        "inversecolor = false\n"
        "lifetime = 1.5\n"
        "size = 0.15\n"
        "offspring = <128.0, 43.0, 160.0>\n"
        "velocity = <0.0, 3.5, 0.0>\n"
        "variance = 1.5\n"
        "gravity = <0.0, -2.0, 0.0>\n"
        "wind = <0.2, 0.0, 0.1>\n"
        "numparticles = 4\n"
        "maxparticles = 300\n"
        "releaseinterval = 0.05\n"
        "end\n"
        "particlesystem = fireflies\n"
        "texture = \"ptl_fire.bmp\"\n"
        "lifetime = 8.0\n"
        "size = 0.08\n"
        "offspring = <120.0, 44.0, 110.0>\n"
        "velocity = <0.0, 0.1, 0.0>\n"
        "variance = 0.4\n"
        "region = <30.0, 4.0, 30.0>\n"
        "numparticles = 1\n"
        "maxparticles = 120\n"
        "releaseinterval = 0.1\n"
        "end\n"
        "particlesystem = snow\n"
        "texture = \"ptl_snow.bmp\"\n"
        "lifetime = 9.0\n"
        "size = 0.25\n"
        "offspring = <128.0, 90.0, 128.0>\n"
        "velocity = <0.0, -1.5, 0.0>\n"
        "variance = 0.3\n"
        "gravity = <0.0, -0.5, 0.0>\n"
        "wind = <0.8, 0.0, 0.4>\n"
        "region = <160.0, 0.0, 160.0>\n"
        "numparticles = 20\n"
        "maxparticles = 4000\n"
        "releaseinterval = 0.02\n"
        "end";
    out.Add("particles.txt", Bytes(text, text + std::char_traits<char>::length(text)));
}

} // namespace assetgen
