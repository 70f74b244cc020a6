// The viewer program end to end: it starts on the demo's files, draws its
// frames, saves the last one, and the picture shows sky above and land below.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wshadow"
#pragma GCC diagnostic ignored "-Wunused-function"
#include <stb_image.h>
#pragma GCC diagnostic pop

#include "pixel_fixture.h"

namespace {

bool Exists(const char* path) {
    std::FILE* f = std::fopen(path, "rb");
    if (f) std::fclose(f);
    return f != nullptr;
}

TEST(Viewer, SavesAPictureOfSkyAboveLand) {
    if (!Exists("./viewer") || !Exists("257x257_01.raw")) GTEST_SKIP() << "viewer or the demo's files not built";
    const std::string shot = scenepx::TempPath("viewer.png");
    const std::string cmd = "./viewer --windowed --screenshot " + shot + " --frames 3 > /dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    int w = 0, h = 0, n = 0;
    unsigned char* px = stbi_load(shot.c_str(), &w, &h, &n, 3);
    ASSERT_NE(px, nullptr);
    ASSERT_GT(w, 100);
    ASSERT_GT(h, 100);
    auto mean = [&](int y0, int y1, int c) {
        long s = 0, k = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = 0; x < w; ++x, ++k) s += px[(y * w + x) * 3 + c];
        return s / k;
    };
    // Top rows: the sky at noon, blue above red and green.
    EXPECT_GT(mean(0, h / 8, 2), mean(0, h / 8, 0) + 30);
    // Bottom rows: the lit grass, green above red and blue.
    EXPECT_GT(mean(h - h / 8, h, 1), mean(h - h / 8, h, 2) + 30);
    EXPECT_GT(mean(h - h / 8, h, 1), 60);
    stbi_image_free(px);
    // Bad options end with a usage message, not a window.
    EXPECT_NE(std::system("./viewer --frames 0 2> /dev/null"), 0);
}

}  // namespace
