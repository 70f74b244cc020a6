// The meshview program end to end: it frames the generated tree in the middle
// of its picture, and refuses files and options it cannot use.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "window_device.h"
#include "sample_picture.h"

namespace {

using sampletest::Exists;

TEST(MeshView, FramesTheModelAndRefusesWhatItCannotShow) {
    if (!Exists("./meshview") || !Exists("tree.x")) GTEST_SKIP() << "meshview or the generated models not built";
    const std::string shot = d3dtest::TempPath("meshview.png");
    sampletest::Picture picture;
    ASSERT_NO_FATAL_FAILURE(sampletest::SaveSamplePicture("./meshview tree.x", shot, &picture));
    const int w = picture.w, h = picture.h;
    const unsigned char* px = picture.px;
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

    EXPECT_NE(std::system(("./meshview " + d3dtest::TempPath("none.x") + " --windowed --frames 2 2> /dev/null").c_str()), 0);
    EXPECT_NE(std::system("./meshview --frames 2 2> /dev/null"), 0);  // no model named
}

}  // namespace
