// The viewer program end to end: it starts on the demo's files, draws its
// frames, saves the last one, and the picture shows sky above and land below.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "pixel_fixture.h"
#include "sample_picture.h"

namespace {

using sampletest::Exists;

TEST(Viewer, SavesAPictureOfSkyAboveLand) {
    if (!Exists("./viewer") || !Exists("257x257_01.raw")) GTEST_SKIP() << "viewer or the demo's files not built";
    const std::string shot = scenepx::TempPath("viewer.png");
    sampletest::Picture picture;
    ASSERT_NO_FATAL_FAILURE(sampletest::SaveSamplePicture("./viewer", shot, &picture));
    const int w = picture.w, h = picture.h;
    const unsigned char* px = picture.px;
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
    // Bad options end with a usage message, not a window.
    EXPECT_NE(std::system("./viewer --frames 0 2> /dev/null"), 0);
}

}  // namespace
