// The particle file: how keys, values and sections are read, and what a file
// that is not a particle file does.
#include <gtest/gtest.h>

#include <qrn_win32_testctl.h>

#include <random>
#include <string>
#include <vector>

#include "ParticleConfig.h"
#include "ParticleSystem.h"
#include "temp_folder.h"

namespace {

using brackwood::CParticleConfig;
using brackwood::SParticleConfig;

struct ConfigFile {
    demotest::TempFolder folder;
    std::string name;
    explicit ConfigFile(const std::string& text) : name((folder.Path() / "particles.txt").string()) {
        folder.Write("particles.txt", text);
    }
};

void ExpectVector(const qrn::Vector4& v, float x, float y, float z) {
    EXPECT_FLOAT_EQ(v.x, x);
    EXPECT_FLOAT_EQ(v.y, y);
    EXPECT_FLOAT_EQ(v.z, z);
    EXPECT_FLOAT_EQ(v.w, 0.0f);
}

TEST(ParticleConfig, ValuesAreReadAfterTheFirstEqualsSignOrWhole) {
    ConfigFile file(
        "particlesystem sparks and more\n"
        "lifetime=7\n"          // one word: the key "lifetime=7", ignored
        "size 0.5\n"            // no "=": the whole rest is the value
        "variance = 2.5 = 9\n"  // cut at the first "="
        "texture = \"dir/a b.bmp\" tail\"\n"
        "velocity = <1, 2>\n"
        "gravity = <0, -9.8, 0.5>\n"
        "wind = <x, 3, 4>\n"
        "inversecolor = untrue\n"
        "numparticles = many\n"
        "maxparticles = 300abc\n"
        "releaseinterval = .25\n"
        "Lifetime = 99\n"  // keys are case-sensitive
        "end\n");
    CParticleConfig config(file.name.c_str());
    ASSERT_EQ(config.GetSystemNames(), std::vector<std::string>{"sparks"});
    const SParticleConfig* c = config.Find("sparks");
    ASSERT_NE(c, nullptr);
    EXPECT_FLOAT_EQ(c->lifetime, 5.0f);
    EXPECT_FLOAT_EQ(c->size, 0.5f);
    EXPECT_FLOAT_EQ(c->variance, 2.5f);
    EXPECT_EQ(c->texture, "dir/a b.bmp\" tail");
    ExpectVector(c->velocity, 1, 2, 0);
    ExpectVector(c->gravity, 0, -9.8f, 0.5f);
    ExpectVector(c->wind, 0, 0, 0);  // x unreadable: it and all after it are 0
    EXPECT_TRUE(c->inverseColor);
    EXPECT_EQ(c->numParticles, 0);
    EXPECT_EQ(c->maxParticles, 300);
    EXPECT_FLOAT_EQ(c->releaseInterval, 0.25f);
}

TEST(ParticleConfig, TextureNamesWithOneOrNoQuote) {
    EXPECT_EQ(brackwood::ParseConfigQuoted(" \"ptl_fire.bmp\""), "ptl_fire.bmp");
    EXPECT_EQ(brackwood::ParseConfigQuoted(" \"ptl_fire.bmp"), "ptl_fire.bmp");
    EXPECT_EQ(brackwood::ParseConfigQuoted(" ptl_fire.bmp"), "");
    EXPECT_FLOAT_EQ(brackwood::ParseConfigVector("1, 2, 3").x, 0.0f);  // no "<": nothing to read
}

TEST(ParticleConfig, SectionsComeInNameOrderAndALaterNameReplacesAnEarlierOne) {
    ConfigFile file(
        "particlesystem zeta\nlifetime = 1\nend\n"
        "particlesystem alpha\nlifetime = 2\nend\n"
        "particlesystem zeta\nlifetime = 3\nend\n"
        "particlesystem Beta\nend\n"
        "\n\n   \n");  // blanks after the last "end" make no section
    CParticleConfig config(file.name.c_str());
    EXPECT_EQ(config.GetSystemNames(), (std::vector<std::string>{"Beta", "alpha", "zeta"}));
    EXPECT_FLOAT_EQ(config.Find("zeta")->lifetime, 3.0f);
    EXPECT_FLOAT_EQ(config.Find("Beta")->lifetime, 5.0f);  // the defaults
}

TEST(ParticleConfig, ASectionEndsAtTheEndOfTheFileAndNamelessSectionsCount) {
    ConfigFile file("lifetime = 4\nend\nparticlesystem last\nsize = 2");
    CParticleConfig config(file.name.c_str());
    EXPECT_EQ(config.GetSystemNames(), (std::vector<std::string>{"", "last"}));
    EXPECT_FLOAT_EQ(config.Find("")->lifetime, 4.0f);
    EXPECT_FLOAT_EQ(config.Find("last")->size, 2.0f);
}

TEST(ParticleConfig, AMissingFileHasNoSections) {
    demotest::TempFolder folder;
    CParticleConfig config((folder.Path() / "particles.txt").c_str());
    EXPECT_TRUE(config.GetSystemNames().empty());
    qrngu::IParticleSystem system;
    EXPECT_TRUE(config.Configure("anything", &system, nullptr));
}

// A count written as -1 would become four billion particles.
TEST(ParticleConfig, AbsurdMaxParticlesAreCutToTheCeilingAndReported) {
    ConfigFile file(
        "particlesystem negative\nmaxparticles = -1\nend\n"
        "particlesystem huge\nmaxparticles = 99999999999\nend\n"
        "particlesystem fine\nmaxparticles = 1000000\nend\n");
    std::vector<std::string> debug;
    qrn::win32::testctl::SetDebugOutputCapture([&debug](const char* text) { debug.push_back(text); });
    CParticleConfig config(file.name.c_str());
    for (const std::string& name : config.GetSystemNames()) {
        qrngu::IParticleSystem system;
        EXPECT_TRUE(config.Configure(name, &system, nullptr));
    }
    qrn::win32::testctl::SetDebugOutputCapture({});
    ASSERT_EQ(debug.size(), 2u);
    EXPECT_NE(debug[0].find("\"huge\": maxparticles 2147483647 is out of range; using 1000000"), std::string::npos)
        << debug[0];
    EXPECT_NE(debug[1].find("\"negative\": maxparticles -1 is out of range; using 1000000"), std::string::npos)
        << debug[1];
}

// Random bytes, a file of thousands of sections and an oversized file are
// read without harm and make a bounded number of systems.
TEST(ParticleConfig, FilesThatAreNotParticleFilesStayBounded) {
    std::mt19937 random(7);
    std::string garbage;
    for (int k = 0; k < 200000; ++k) garbage.push_back(static_cast<char>(random()));
    std::string many;
    for (int k = 0; k < 5000; ++k) many += "particlesystem s" + std::to_string(k) + "\nend\n";
    const std::string oversized(CParticleConfig::kMaxFileBytes + 1, 'x');

    qrn::win32::testctl::SetDebugOutputCapture([](const char*) {});
    for (const std::string* text : std::vector<const std::string*>{&garbage, &many, &oversized}) {
        ConfigFile file(*text);
        CParticleConfig config(file.name.c_str());
        EXPECT_LE(config.GetSystemNames().size(), CParticleConfig::kMaxSections);
    }
    ConfigFile manyFile(many);
    CParticleConfig config(manyFile.name.c_str());
    EXPECT_EQ(config.GetSystemNames().size(), CParticleConfig::kMaxSections);
    qrn::win32::testctl::SetDebugOutputCapture({});
}

}  // namespace
