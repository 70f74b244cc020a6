// The generated pictures read through the engine's own image decoder, the
// one its textures, sky and screens load with.
#include "decoders.h"

#include <gtest/gtest.h>

#include "d3dx9/d3dx9_image_decode.h"

using namespace assettest;

namespace {

struct Expected {
    const char* name;
    uint32_t kind;
    bool alpha;     // the file stores alpha (only the tree's leaves need it)
    bool squarePow2; // used as a repeating or mip-mapped texture
};

const Expected kPictures[] = {
    {"tr_grass1.bmp", qrn::d3dx::kImageBmp, false, true},      {"tr_detail.jpg", qrn::d3dx::kImageJpg, false, true},
    {"tr_water.bmp", qrn::d3dx::kImageBmp, false, true},       {"tr_skybox_front.jpg", qrn::d3dx::kImageJpg, false, true},
    {"tr_skybox_right.jpg", qrn::d3dx::kImageJpg, false, true}, {"tr_skybox_back.jpg", qrn::d3dx::kImageJpg, false, true},
    {"tr_skybox_left.jpg", qrn::d3dx::kImageJpg, false, true}, {"tr_skybox_up.jpg", qrn::d3dx::kImageJpg, false, true},
    {"tr_skybox_down.jpg", qrn::d3dx::kImageJpg, false, true}, {"ptl_rain.bmp", qrn::d3dx::kImageBmp, false, true},
    {"ptl_fire.bmp", qrn::d3dx::kImageBmp, false, true},       {"tr_leaves.tga", qrn::d3dx::kImageTga, true, true},
    {"tr_bark.bmp", qrn::d3dx::kImageBmp, false, false},       {"title.jpg", qrn::d3dx::kImageJpg, false, false},
    {"credits.jpg", qrn::d3dx::kImageJpg, false, false},
};

} // namespace

TEST(AssetsThroughEngineReader, EveryPictureDecodesWithTheExpectedSizeAndAlpha) {
    for (const auto& e : kPictures) {
        SCOPED_TRACE(e.name);
        std::vector<uint8_t> bytes;
        ASSERT_EQ(qrn::d3dx::ReadImageFile(e.name, &bytes), S_OK);
        qrn::d3dx::DecodedImage image;
        ASSERT_EQ(qrn::d3dx::DecodeImage(bytes.data(), bytes.size(), &image), S_OK);
        EXPECT_EQ(image.header.fileKind, e.kind);
        EXPECT_EQ(image.header.hasAlpha, e.alpha);
        ASSERT_EQ(image.pixels.size(), size_t(image.header.width) * image.header.height);
        if (e.squarePow2) {
            EXPECT_EQ(image.header.width, image.header.height);
            EXPECT_EQ(image.header.width & (image.header.width - 1), 0u);
        }
        // The same pixels as an independent decoder sees (JPEG within
        // rounding of the colour conversion).
        auto ref = DecodePicture(e.name, bytes);
        ASSERT_TRUE(ref.has_value());
        ASSERT_EQ(uint32_t(ref->width), image.header.width);
        ASSERT_EQ(uint32_t(ref->height), image.header.height);
        int worst = 0;
        for (uint32_t y = 0; y < image.header.height; y += 7)
            for (uint32_t x = 0; x < image.header.width; x += 5) {
                uint32_t argb = image.pixels[size_t(y) * image.header.width + x];
                const uint8_t* p = ref->At(int(x), int(y));
                worst = std::max({worst, std::abs(int((argb >> 16) & 255) - p[0]), std::abs(int((argb >> 8) & 255) - p[1]),
                                  std::abs(int(argb & 255) - p[2]), std::abs(int(argb >> 24) - p[3])});
            }
        EXPECT_LE(worst, 2);
    }
}
