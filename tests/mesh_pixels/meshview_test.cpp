// The meshview program end to end: it frames the generated tree in the middle
// of its picture, and refuses files and options it cannot use.
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

#include "window_device.h"

namespace {

bool Exists(const char* path) {
    std::FILE* f = std::fopen(path, "rb");
    if (f) std::fclose(f);
    return f != nullptr;
}

TEST(MeshView, FramesTheModelAndRefusesWhatItCannotShow) {
    if (!Exists("./meshview") || !Exists("tree.x")) GTEST_SKIP() << "meshview or the generated models not built";
    const std::string shot = d3dtest::TempPath("meshview.png");
    const std::string cmd = "./meshview tree.x --windowed --screenshot " + shot + " --frames 3 > /dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    int w = 0, h = 0, n = 0;
    unsigned char* px = stbi_load(shot.c_str(), &w, &h, &n, 3);
    ASSERT_NE(px, nullptr);
    ASSERT_GT(w, 100);
    ASSERT_GT(h, 100);
    // Pixels that are not the background (70, 80, 96) in a block of columns.
    auto model = [&](int x0, int x1) {
        long k = 0;
        for (int y = 0; y < h; ++y)
            for (int x = x0; x < x1; ++x) {
                const unsigned char* p = px + (y * w + x) * 3;
                k += p[0] != 70 || p[1] != 80 || p[2] != 96;
            }
        return k;
    };
    EXPECT_GT(model(w * 2 / 5, w * 3 / 5), long(w / 5) * h / 3);  // the tree stands in the middle
    EXPECT_EQ(model(0, w / 10), 0);                                // with room on both sides
    EXPECT_EQ(model(w - w / 10, w), 0);
    stbi_image_free(px);

    EXPECT_NE(std::system(("./meshview " + d3dtest::TempPath("none.x") + " --windowed --frames 2 2> /dev/null").c_str()), 0);
    EXPECT_NE(std::system("./meshview --frames 2 2> /dev/null"), 0);  // no model named
}

}  // namespace
