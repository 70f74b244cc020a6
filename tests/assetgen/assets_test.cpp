// The demo's generated files: complete, decodable, fit for the scene that
// reads them, and the same bytes on every run. Runs in the folder the
// build wrote them into.
#include "decoders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <set>

#include <unistd.h>

using namespace assettest;
namespace fs = std::filesystem;

namespace {

// Every file the demo opens, by the names it uses.
const char* const kDemoFiles[] = {
    "257x257_01.raw",    "tr_grass1.bmp",      "tr_detail.jpg",     "tr_water.bmp",       "tr_skybox_front.jpg",
    "tr_skybox_right.jpg", "tr_skybox_back.jpg", "tr_skybox_left.jpg", "tr_skybox_up.jpg",  "tr_skybox_down.jpg",
    "tree.x",            "BirdUP.x",           "BirdDOWN.x",        "ptl_rain.bmp",       "ptl_fire.bmp",
    "title.jpg",         "credits.jpg",        "ambient.mp3",       "walkgrass.wav",      "walkwater.mp3",
    "fireball.wav",      "seagull.wav",        "knock.wav",         "particles.txt",
};

Bytes Load(const std::string& name) {
    auto data = ReadFile(name);
    EXPECT_TRUE(data.has_value()) << name << " is missing";
    return data.value_or(Bytes{});
}

Picture LoadPicture(const std::string& name) {
    auto pic = DecodePicture(name, Load(name));
    EXPECT_TRUE(pic.has_value()) << name << " does not decode";
    return pic.value_or(Picture{});
}

XMesh LoadMesh(const std::string& name) {
    Bytes data = Load(name);
    std::string error;
    auto mesh = ParseX(std::string(data.begin(), data.end()), &error);
    EXPECT_TRUE(mesh.has_value()) << name << ": " << error;
    return mesh.value_or(XMesh{});
}

struct Stats {
    double mean[3] = {}, deviation = 0;
};
Stats PictureStats(const Picture& p) {
    Stats s;
    double sum2 = 0, n = double(p.width) * p.height;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const uint8_t* px = p.At(x, y);
            for (int c = 0; c < 3; ++c)
                s.mean[c] += px[c] / n;
            double g = (px[0] + px[1] + px[2]) / 3.0;
            sum2 += g * g / n;
        }
    double g = (s.mean[0] + s.mean[1] + s.mean[2]) / 3.0;
    s.deviation = std::sqrt(std::max(0.0, sum2 - g * g));
    return s;
}

// Mean absolute difference between one column (or row) of a and one of b.
double EdgeDifference(const Picture& a, bool aColumn, int ai, const Picture& b, bool bColumn, int bi) {
    double sum = 0;
    int n = aColumn ? a.height : a.width;
    for (int k = 0; k < n; ++k) {
        const uint8_t* pa = aColumn ? a.At(ai, k) : a.At(k, ai);
        const uint8_t* pb = bColumn ? b.At(bi, k) : b.At(k, bi);
        for (int c = 0; c < 3; ++c)
            sum += std::abs(int(pa[c]) - int(pb[c]));
    }
    return sum / (3.0 * n);
}

constexpr int kMap = 257;
float Sample(const Bytes& raw, int x, int z) { return float(raw[size_t(x) + size_t(z) * kMap]); }

} // namespace

TEST(Assets, EveryFileTheDemoOpensIsThereIncludingThoseNamedInsideOthers) {
    std::set<std::string> needed(std::begin(kDemoFiles), std::end(kDemoFiles));
    for (const char* mesh : {"tree.x", "BirdUP.x", "BirdDOWN.x"})
        for (const auto& m : LoadMesh(mesh).materials)
            if (!m.texture.empty())
                needed.insert(m.texture);
    Bytes particles = Load("particles.txt");
    for (const auto& s : ParseParticleFile(std::string(particles.begin(), particles.end())))
        if (s.values.count("texture")) {
            const std::string& v = s.values.at("texture");
            size_t a = v.find('"'), b = v.rfind('"');
            ASSERT_NE(a, b) << "texture value without quotes: " << v;
            needed.insert(v.substr(a + 1, b - a - 1));
        }
    for (const auto& name : needed) {
        std::error_code ec;
        EXPECT_GT(fs::file_size(name, ec), 0u) << name;
    }
}

TEST(Assets, HeightMapIsAnIslandWithMeadowAtTheStartAndRoomForTheForest) {
    Bytes raw = Load("257x257_01.raw");
    ASSERT_EQ(raw.size(), size_t(kMap * kMap));
    // The terrain reads bytes as signed and stops at 255: only 0..127 keep
    // their value.
    EXPECT_LE(*std::max_element(raw.begin(), raw.end()), 127);

    const float scale = 0.4f, seaHigh = 40.4f, treeLine = 43.0f;
    for (int k = 0; k < kMap; ++k)
        for (float s : {Sample(raw, k, 0), Sample(raw, k, kMap - 1), Sample(raw, 0, k), Sample(raw, kMap - 1, k)})
            ASSERT_LT(s * scale, 39.6f) << "the map's edge must be under the sea";

    // The walk starts at (128, 148): dry land, below the tree line.
    for (int dz = -2; dz <= 2; ++dz)
        for (int dx = -2; dx <= 2; ++dx) {
            float h = Sample(raw, 128 + dx, 148 + dz) * scale;
            EXPECT_GT(h, seaHigh);
            EXPECT_LE(h, treeLine);
        }

    // Trees are picked among cells above the tree line, away from the edge.
    int treeCells = 0, land = 0, beach = 0, seaFloor = 0;
    for (int z = 0; z < kMap; ++z)
        for (int x = 0; x < kMap; ++x) {
            float h = Sample(raw, x, z) * scale;
            if (h > treeLine && x >= 3 && z >= 3 && x < kMap - 2 && z < kMap - 2)
                ++treeCells;
            land += h > seaHigh;
            beach += h >= 40.0f && h <= 41.2f;
            seaFloor += h < 34.0f;
        }
    EXPECT_GE(treeCells, 60 * 20) << "room for 60 trees spread over the hills";
    EXPECT_GT(land, kMap * kMap / 6);
    EXPECT_GT(beach, 500);
    EXPECT_GT(seaFloor, kMap * kMap / 4);
}

TEST(Assets, ColourMapFollowsTheHeights) {
    Bytes raw = Load("257x257_01.raw");
    Picture map = LoadPicture("tr_grass1.bmp");
    ASSERT_EQ(map.width, map.height);
    ASSERT_EQ(map.width & (map.width - 1), 0) << "power-of-two size";
    ASSERT_EQ(raw.size(), size_t(kMap * kMap));
    // Texel (u, v) covers world (u, v) * 257, with the first row at z = 0.
    // Every clearly classed cell must carry its zone's colour.
    int sea = 0, seaBlue = 0, meadow = 0, meadowGreen = 0, woods = 0, woodsDark = 0;
    for (int z = 4; z < kMap - 4; z += 2)
        for (int x = 4; x < kMap - 4; x += 2) {
            float h = Sample(raw, x, z) * 0.4f;
            const uint8_t* p = map.At(int((x + 0.5f) * map.width / float(kMap)), int((z + 0.5f) * map.height / float(kMap)));
            int r = p[0], g = p[1], b = p[2];
            if (h < 36.0f) {
                ++sea;
                seaBlue += b > r && r + g + b < 450;
            } else if (h > 41.6f && h < 42.6f) {
                ++meadow;
                meadowGreen += g > r && g > b;
            } else if (h > 44.5f && h < 49.0f) {
                ++woods;
                woodsDark += g > b && r + g + b < 300;
            }
        }
    ASSERT_GT(sea, 1000);
    ASSERT_GT(meadow, 500);
    ASSERT_GT(woods, 500);
    EXPECT_GT(seaBlue, sea * 95 / 100) << "the sea floor is bluish";
    EXPECT_GT(meadowGreen, meadow * 95 / 100) << "the meadows are green";
    EXPECT_GT(woodsDark, woods * 90 / 100) << "the woods are dark green";
}

TEST(Assets, DetailWaterAndSpritesSuitTheirBlending) {
    // Detail: added signed, so centred on mid-grey, grey, and not flat.
    Picture detail = LoadPicture("tr_detail.jpg");
    EXPECT_EQ(detail.width, detail.height);
    Stats d = PictureStats(detail);
    for (double m : d.mean)
        EXPECT_NEAR(m, 127.5, 4.0);
    EXPECT_GT(d.deviation, 4.0);
    // Repeated 160 times: opposite edges meet like neighbouring columns.
    double seam = EdgeDifference(detail, true, detail.width - 1, detail, true, 0);
    double inner = EdgeDifference(detail, true, detail.width / 2, detail, true, detail.width / 2 + 1);
    EXPECT_LT(seam, inner * 2.0 + 2.0);

    // Water: added to the scene, so dark with brighter ripples.
    Picture water = LoadPicture("tr_water.bmp");
    Stats w = PictureStats(water);
    EXPECT_LT((w.mean[0] + w.mean[1] + w.mean[2]) / 3.0, 80.0);
    EXPECT_GT(w.mean[2], w.mean[0]);
    EXPECT_GT(w.deviation, 5.0);

    // Additive sprites: black round the edge, bright in the middle.
    for (const char* name : {"ptl_rain.bmp", "ptl_fire.bmp"}) {
        Picture p = LoadPicture(name);
        ASSERT_GT(p.width, 8) << name;
        for (auto [x, y] : {std::pair{0, 0}, {p.width - 1, 0}, {0, p.height - 1}, {p.width - 1, p.height - 1}})
            EXPECT_LT(p.At(x, y)[0] + p.At(x, y)[1] + p.At(x, y)[2], 10) << name;
        const uint8_t* centre = p.At(p.width / 2, p.height / 2);
        EXPECT_GT(centre[0] + centre[1] + centre[2], 300) << name;
    }
    Picture firePicture = LoadPicture("ptl_fire.bmp");
    const uint8_t* fire = firePicture.At(firePicture.width / 2, firePicture.height / 2);
    EXPECT_GE(fire[0], fire[1]);
    EXPECT_GT(fire[1], fire[2]);
}

TEST(Assets, SkyFacesMeetWithoutSeams) {
    std::map<std::string, Picture> face;
    for (const char* f : {"front", "right", "back", "left", "up", "down"}) {
        face[f] = LoadPicture(std::string("tr_skybox_") + f + ".jpg");
        ASSERT_GT(face[f].width, 0) << f;
        ASSERT_EQ(face[f].width, face[f].height) << f;
    }
    int last = face["front"].width - 1;
    // Round the horizon: each face's right edge is the next face's left edge.
    const char* ring[] = {"front", "right", "back", "left", "front"};
    for (int i = 0; i < 4; ++i)
        EXPECT_LT(EdgeDifference(face[ring[i]], true, last, face[ring[i + 1]], true, 0), 6.0) << ring[i];
    // The top of the front face meets the up face's last row, its bottom the
    // down face's first row.
    EXPECT_LT(EdgeDifference(face["front"], false, 0, face["up"], false, last), 6.0);
    EXPECT_LT(EdgeDifference(face["front"], false, last, face["down"], false, 0), 6.0);
    // Daylight above, darker sea below.
    Stats up = PictureStats(face["up"]), down = PictureStats(face["down"]);
    EXPECT_GT(up.mean[2], 150.0);
    EXPECT_LT(down.mean[0] + down.mean[1] + down.mean[2], up.mean[0] + up.mean[1] + up.mean[2]);
    EXPECT_GT(up.deviation, 5.0) << "clouds overhead";
}

TEST(Assets, TreeHasBarkAndAlphaLeavesAndStandsAboutThreeUnitsTall) {
    XMesh tree = LoadMesh("tree.x");
    ASSERT_GT(tree.VertexCount(), 0u);
    EXPECT_GE(tree.faces.size(), 100u);
    EXPECT_LE(tree.faces.size(), 1000u);
    ASSERT_EQ(tree.faceMaterials.size(), tree.faces.size());
    ASSERT_EQ(tree.materials.size(), 2u);

    float minY = 1e9f, maxY = -1e9f;
    for (size_t i = 0; i < tree.VertexCount(); ++i) {
        minY = std::min(minY, tree.positions[i * 3 + 1]);
        maxY = std::max(maxY, tree.positions[i * 3 + 1]);
    }
    EXPECT_NEAR(maxY - minY, 3.0f, 0.5f);
    EXPECT_LE(minY, 0.0f) << "the trunk reaches into the ground";

    int withAlpha = 0, opaque = 0;
    for (const auto& m : tree.materials) {
        ASSERT_FALSE(m.texture.empty()) << "an untextured subset would draw with whatever texture is bound";
        Picture pic = LoadPicture(m.texture);
        bool tga = m.texture.size() > 4 && m.texture.substr(m.texture.size() - 4) == ".tga";
        if (tga) {
            ++withAlpha;
            EXPECT_EQ(pic.channels, 4);
            int clear = 0, solid = 0;
            for (size_t i = 3; i < pic.rgba.size(); i += 4)
                clear += pic.rgba[i] == 0, solid += pic.rgba[i] == 255;
            EXPECT_GT(clear, int(pic.rgba.size() / 4 / 10)) << "leaves need see-through gaps";
            EXPECT_GT(solid, int(pic.rgba.size() / 4 / 10));
        } else {
            ++opaque;
        }
    }
    EXPECT_EQ(withAlpha, 1);
    EXPECT_EQ(opaque, 1);
    for (uint32_t mat = 0; mat < 2; ++mat)
        EXPECT_NE(std::count(tree.faceMaterials.begin(), tree.faceMaterials.end(), mat), 0) << "material " << mat << " unused";
}

TEST(Assets, BirdPosesShareTopologyAndFaceMinusZAtTenTimesFlyingSize) {
    XMesh up = LoadMesh("BirdUP.x"), down = LoadMesh("BirdDOWN.x");
    ASSERT_GT(up.VertexCount(), 0u);
    ASSERT_EQ(up.VertexCount(), down.VertexCount());
    ASSERT_EQ(up.faces, down.faces) << "the poses are blended vertex by vertex";
    EXPECT_EQ(up.faceMaterials, down.faceMaterials);
    ASSERT_EQ(up.materials.size(), down.materials.size());

    size_t moved = 0, frontmost = 0;
    float minX = 1e9f, maxX = -1e9f, minZ = 1e9f, maxZ = -1e9f, upTop = -1e9f, downTop = -1e9f;
    for (size_t i = 0; i < up.VertexCount(); ++i) {
        const float* a = &up.positions[i * 3];
        const float* b = &down.positions[i * 3];
        moved += std::fabs(a[0] - b[0]) + std::fabs(a[1] - b[1]) + std::fabs(a[2] - b[2]) > 1e-4f;
        minX = std::min(minX, a[0]), maxX = std::max(maxX, a[0]);
        if (a[2] < minZ)
            minZ = a[2], frontmost = i;
        maxZ = std::max(maxZ, a[2]);
        upTop = std::max(upTop, a[1]);
        downTop = std::max(downTop, b[1]);
    }
    EXPECT_GT(moved, 0u) << "the wings move";
    EXPECT_LT(moved, up.VertexCount()) << "the body stays";
    EXPECT_GT(upTop, downTop) << "BirdUP has the raised wings";
    // A gull of about a metre's span in flight, modelled ten times larger.
    float span = maxX - minX;
    EXPECT_GT(span, 8.0f);
    EXPECT_LT(span, 20.0f);
    EXPECT_LT(maxZ - minZ, span) << "longer across the wings than from beak to tail";
    // The beak, the point furthest towards -z, lies on the centre line.
    EXPECT_LT(std::fabs(up.positions[frontmost * 3]), 0.2f);
    EXPECT_LT(minZ, -0.3f * (maxZ - minZ));
}

TEST(Assets, SoundsLastAsLongAsTheyShouldAndAreNotSilent) {
    struct Expect {
        const char* name;
        double minSeconds, maxSeconds;
    };
    const Expect sounds[] = {{"walkgrass.wav", 0.4, 2.5}, {"fireball.wav", 0.5, 3.0}, {"seagull.wav", 0.5, 3.0},
                             {"knock.wav", 0.2, 2.0},     {"walkwater.mp3", 0.5, 3.0}, {"ambient.mp3", 10.0, 60.0}};
    for (const auto& e : sounds) {
        Bytes data = Load(e.name);
        bool mp3 = std::string(e.name).find(".mp3") != std::string::npos;
        auto s = mp3 ? DecodeMp3(data) : DecodeWav(data);
        ASSERT_TRUE(s.has_value()) << e.name;
        EXPECT_EQ(s->channels, 1) << e.name << ": the sound library loads samples as mono";
        EXPECT_GE(s->rate, 22050) << e.name;
        EXPECT_GE(s->Seconds(), e.minSeconds) << e.name;
        EXPECT_LE(s->Seconds(), e.maxSeconds) << e.name;
        EXPECT_GT(s->Rms(), 0.02) << e.name << " is (nearly) silent";
        EXPECT_LT(s->Peak(), 0.99) << e.name << " clips";
    }
}

TEST(Assets, AmbientLoopJoinsWithoutAJump) {
    auto s = DecodeMp3(Load("ambient.mp3"));
    ASSERT_TRUE(s.has_value());
    ASSERT_GT(s->samples.size(), 44100u);
    // Compare the step across the join with the ordinary step between
    // neighbouring samples.
    double step = 0;
    for (size_t i = 1; i < s->samples.size(); ++i)
        step += std::fabs(s->samples[i] - s->samples[i - 1]);
    step /= double(s->samples.size() - 1);
    EXPECT_LT(std::fabs(s->samples.back() - s->samples.front()), 10.0 * step + 0.01);
}

TEST(Assets, ParticleFileHasNamedSectionsUsingEveryKey) {
    Bytes data = Load("particles.txt");
    auto sections = ParseParticleFile(std::string(data.begin(), data.end()));
    ASSERT_GE(sections.size(), 3u);
    std::set<std::string> names, keys;
    for (const auto& s : sections) {
        EXPECT_TRUE(s.ended) << "section '" << s.name << "' has no end line";
        EXPECT_FALSE(s.name.empty()) << "an unnamed section becomes an extra particle system";
        names.insert(s.name);
        for (const auto& [k, v] : s.values)
            keys.insert(k);
    }
    EXPECT_EQ(names.size(), sections.size()) << "a repeated name replaces the earlier section";
    for (const char* k : {"particlesystem", "texture", "lifetime", "size", "offspring", "gravity", "wind", "inversecolor",
                          "velocity", "variance", "region", "numparticles", "maxparticles", "releaseinterval"})
        EXPECT_TRUE(keys.count(k)) << k;
    // A key glued to its "=" would not be recognised.
    for (const auto& s : sections)
        for (const auto& [k, v] : s.values)
            EXPECT_EQ(k.find('='), std::string::npos) << k;
}

TEST(Assets, TitleAndClosingScreensAreFullPictures) {
    for (const char* name : {"title.jpg", "credits.jpg"}) {
        Picture p = LoadPicture(name);
        EXPECT_EQ(p.width, 640) << name;
        EXPECT_EQ(p.height, 480) << name;
        EXPECT_GT(PictureStats(p).deviation, 20.0) << name;
    }
}

TEST(Assets, ASecondRunWritesTheSameBytes) {
    fs::path dir = fs::temp_directory_path() / ("assetgen-test-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    std::string command = std::string("\"") + QRN_ASSETGEN + "\" \"" + dir.string() + "\" --quiet";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    size_t compared = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        std::string name = entry.path().filename().string();
        auto again = ReadFile(entry.path().string());
        auto built = ReadFile(name);
        ASSERT_TRUE(again && built) << name;
        EXPECT_EQ(Fnv1a(*again), Fnv1a(*built)) << name << " differs between runs";
        EXPECT_EQ(again->size(), built->size()) << name;
        ++compared;
    }
    EXPECT_GE(compared, std::size(kDemoFiles));
    fs::remove_all(dir);
}
