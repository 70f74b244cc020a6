// The island: height map, colour map, detail texture and sea texture.
//
// The terrain reads one byte per sample and keeps its absolute value as a
// signed byte (byte 255 would end the data), so only 0..127 are written.
// A sample s stands at world height 0.4 s; the sea lies at 40 (sample 100)
// and rises and falls by about 0.4; trees grow where the ground is above 43
// (sample 107.5). The demo starts the walk at (128, 148), which must be dry
// meadow, and looks towards +z from there.
#include "assetgen.h"

#include <algorithm>

namespace assetgen {

namespace {

constexpr int N = Island::kSize;
constexpr float kHeightScale = 0.4f;
constexpr float kSeaLevel = 40.0f;
constexpr float kStartX = 128.0f, kStartZ = 148.0f;

float DistanceToSegment(float px, float pz, float ax, float az, float bx, float bz) {
    float vx = bx - ax, vz = bz - az;
    float t = Clamp01(((px - ax) * vx + (pz - az) * vz) / (vx * vx + vz * vz));
    float dx = px - (ax + t * vx), dz = pz - (az + t * vz);
    return std::sqrt(dx * dx + dz * dz);
}

// Height above sea level (world units) before quantisation.
float Elevation(float x, float z) {
    float dx = x - 128.0f, dz = z - 128.0f;
    float angle = std::atan2(dz, dx);
    // A ragged coastline: the radius wanders with the direction and with
    // noise along the shore.
    float coast = Fbm(x * 0.018f, z * 0.018f, 4, 11) * 0.7f + 0.3f * std::sin(angle * 3.0f + 0.7f);
    float radius = 96.0f + 20.0f * coast;
    float r = std::sqrt(dx * dx + dz * dz) / radius;
    float b = 1.0f - r * r;

    if (b < 0.0f) // the sea floor drops away from the shore
        return std::max(-17.0f, b * 32.0f + 0.6f * Fbm(x * 0.08f, z * 0.08f, 3, 23));

    // Meadow plateau a little above the beach, below the tree line.
    float e = 2.55f * (1.0f - std::exp(-b * 6.5f));
    // Wooded hills towards the middle, kept out of a valley that runs from the
    // starting point down to the southern beach.
    float valley = DistanceToSegment(x, z, kStartX, kStartZ - 6.0f, kStartX + 6.0f, 226.0f);
    float hillMask = SmoothStep(0.12f, 0.55f, b) * SmoothStep(9.0f, 24.0f, valley);
    float hills = Fbm(x * 0.028f, z * 0.028f, 5, 37) * 1.5f + 0.35f;
    e += hillMask * std::max(0.0f, hills) * 6.5f;
    // Small bumps everywhere on land.
    e += 0.35f * Fbm(x * 0.2f, z * 0.2f, 2, 41) * SmoothStep(0.05f, 0.3f, b);
    // Round off the tops below the highest sample (127, 10.8 above the sea)
    // instead of cutting them flat.
    constexpr float knee = 6.0f, room = 10.6f - knee;
    if (e > knee)
        e = knee + room * std::tanh((e - knee) / room);
    return e;
}

uint8_t ToSample(float elevation) {
    float s = (kSeaLevel + elevation) / kHeightScale;
    return uint8_t(std::clamp(std::lround(s), 0l, 127l));
}

Rgb Colour(float h, float slope, float x, float z) {
    const Rgb deep{0.07f, 0.16f, 0.2f}, shallow{0.47f, 0.5f, 0.36f};
    const Rgb wetSand{0.66f, 0.58f, 0.4f}, sand{0.87f, 0.79f, 0.57f};
    const Rgb lightGrass{0.47f, 0.62f, 0.25f}, grass{0.33f, 0.52f, 0.19f};
    const Rgb woods{0.17f, 0.31f, 0.11f}, needles{0.33f, 0.27f, 0.15f};
    const Rgb rock{0.5f, 0.48f, 0.44f};

    float n1 = Fbm(x * 0.09f, z * 0.09f, 4, 101);
    float n2 = Fbm(x * 0.5f, z * 0.5f, 3, 103);
    float n3 = Fbm(x * 1.7f, z * 1.7f, 2, 107);
    float hn = h + 0.25f * n1; // wobbly borders between the zones

    Rgb c;
    if (hn < 39.7f) {
        c = Mix(shallow, deep, std::pow(Clamp01((39.7f - hn) / 13.0f), 0.6f));
        c = Scale(c, 1.0f + 0.08f * n2);
    } else {
        Rgb beach = Mix(wetSand, sand, SmoothStep(39.8f, 40.6f, hn));
        beach = Scale(beach, 1.0f + 0.05f * n2 + 0.03f * n3);
        Rgb meadow = Mix(lightGrass, grass, Clamp01(0.5f + 0.8f * n1));
        meadow = Scale(meadow, 1.0f + 0.12f * n2 + 0.06f * n3);
        // a sprinkling of pale flowers in the meadow
        if (n3 > 0.62f && hn < 42.8f)
            meadow = Mix(meadow, Rgb{0.85f, 0.85f, 0.6f}, 0.5f);
        Rgb forest = Mix(woods, needles, Clamp01(0.35f + 0.9f * n2) * 0.6f);
        forest = Scale(forest, 1.0f + 0.1f * n3);

        c = Mix(beach, meadow, SmoothStep(40.8f, 41.5f, hn));
        c = Mix(c, forest, SmoothStep(42.7f, 43.6f, hn));
        c = Mix(c, Scale(rock, 1.0f + 0.1f * n3), SmoothStep(0.7f, 1.1f, slope + 0.15f * n1) * SmoothStep(40.6f, 41.5f, hn));
        c = Mix(c, Scale(rock, 1.05f + 0.1f * n2), SmoothStep(49.6f, 50.6f, hn));
    }
    return c;
}

} // namespace

float Island::HeightAt(float x, float z) const {
    x = std::clamp(x, 0.0f, float(N - 1));
    z = std::clamp(z, 0.0f, float(N - 1));
    int ix = std::min(int(x), N - 2), iz = std::min(int(z), N - 2);
    float fx = x - float(ix), fz = z - float(iz);
    auto s = [&](int i, int j) { return float(samples[size_t(i) + size_t(j) * N]) * kHeightScale; };
    return Lerp(Lerp(s(ix, iz), s(ix + 1, iz), fx), Lerp(s(ix, iz + 1), s(ix + 1, iz + 1), fx), fz);
}

void MakeTerrain(AssetSet& out, Island& island) {
    // Height map.
    island.samples.assign(size_t(N) * N, 0);
    for (int z = 0; z < N; ++z)
        for (int x = 0; x < N; ++x)
            island.samples[size_t(x) + size_t(z) * N] = ToSample(Elevation(float(x), float(z)));
    out.Add("257x257_01.raw", Bytes(island.samples.begin(), island.samples.end()));

    // Colour map, stretched once over the map: texel (u, v) lies over
    // world (u * 257, v * 257), the first row at z = 0.
    constexpr int M = 512;
    island.colourMap = Image(M, M, 3);
    for (int py = 0; py < M; ++py)
        for (int px = 0; px < M; ++px) {
            float x = (float(px) + 0.5f) * float(N) / float(M);
            float z = (float(py) + 0.5f) * float(N) / float(M);
            float h = island.HeightAt(x, z);
            float gx = island.HeightAt(x + 1.0f, z) - island.HeightAt(x - 1.0f, z);
            float gz = island.HeightAt(x, z + 1.0f) - island.HeightAt(x, z - 1.0f);
            float slope = 0.5f * std::sqrt(gx * gx + gz * gz);
            island.colourMap.Set(px, py, Colour(h, slope, x, z));
        }
    out.Add("tr_grass1.bmp", EncodeBmp(island.colourMap));

    // Detail texture: repeated 160 times and added signed, so it must tile
    // and average mid-grey.
    {
        constexpr int S = 256;
        std::vector<float> v(size_t(S) * S);
        double mean = 0;
        for (int y = 0; y < S; ++y)
            for (int x = 0; x < S; ++x) {
                // fine grain of soil and grass over soft clumps; every term
                // repeats with the tile
                float grain = TileFbm(float(x), float(y), S, 16, 4, 3, 0.75f);
                float clumps = TileFbm(float(x), float(y), S, 4, 2, 17);
                float speck = ValueNoise(float(x), float(y), 19) * 0.5f; // one value per texel, so it tiles too
                float value = 0.55f * grain + 0.3f * clumps + 0.15f * speck;
                v[size_t(y) * S + x] = value;
                mean += value;
            }
        mean /= double(S) * S;
        Image detail(S, S, 3);
        for (int y = 0; y < S; ++y)
            for (int x = 0; x < S; ++x) {
                float g = 0.5f + 0.2f * (v[size_t(y) * S + x] - float(mean));
                detail.Set(x, y, {g, g, g});
            }
        out.Add("tr_detail.jpg", EncodeJpeg(detail, 90));
    }

    // Sea: added to the picture, so mostly dark with bright ripple lines;
    // repeated across the water, so it tiles.
    {
        constexpr int S = 256;
        Image water(S, S, 3);
        const Rgb base{0.05f, 0.12f, 0.2f}, glint{0.3f, 0.38f, 0.42f};
        for (int y = 0; y < S; ++y)
            for (int x = 0; x < S; ++x) {
                float a = TileFbm(float(x), float(y), S, 4, 3, 29);
                float b = TileFbm(float(x) + 37.0f, float(y) + 11.0f, S, 8, 3, 31);
                float ridge = 1.0f - std::min(1.0f, std::fabs(a + 0.5f * b) * 2.2f);
                float swell = 0.5f + 0.5f * TileFbm(float(x), float(y), S, 2, 2, 43);
                Rgb c = Add(Scale(base, 0.8f + 0.4f * swell), Scale(glint, std::pow(ridge, 4.0f)));
                water.Set(x, y, c);
            }
        out.Add("tr_water.bmp", EncodeBmp(water));
    }
}

} // namespace assetgen
