// Scaling, mip levels, colour keys and format writing behind the D3DX image
// functions.
#include <gtest/gtest.h>

#include "d3dx9/d3dx9_image_convert.h"

using namespace qrn::d3dx;

namespace {

Picture Flat(uint32_t w, uint32_t h, uint32_t c)
{
    Picture p;
    p.width = w;
    p.height = h;
    p.pixels.assign((size_t)w * h, c);
    return p;
}

}  // namespace

TEST(ImageConvert, ResamplingKeepsFlatColoursAndSize)
{
    for (bool point : {false, true}) {
        Picture up = Resample(Flat(3, 5, 0x80402010u), 8, 8, point);
        EXPECT_EQ(up.width, 8u);
        EXPECT_EQ(up.height, 8u);
        for (uint32_t p : up.pixels) ASSERT_EQ(p, 0x80402010u);
        Picture down = Resample(Flat(37, 9, 0xFF00FF00u), 4, 2, point);
        for (uint32_t p : down.pixels) ASSERT_EQ(p, 0xFF00FF00u);
    }
}

TEST(ImageConvert, ShrinkingAveragesAndEnlargingKeepsHalves)
{
    // Left half black, right half white, 4 wide: down to 2 keeps the halves,
    // down to 1 averages to grey.
    Picture p = Flat(4, 1, 0xFF000000u);
    p.pixels[2] = p.pixels[3] = 0xFFFFFFFFu;
    Picture two = Resample(p, 2, 1, false);
    EXPECT_LT(two.pixels[0] & 0xff, 0x40u);
    EXPECT_GT(two.pixels[1] & 0xff, 0xC0u);
    Picture one = Resample(p, 1, 1, false);
    EXPECT_NEAR((int)(one.pixels[0] & 0xff), 128, 2);
    // Point sampling never invents colours.
    Picture pt = Resample(p, 7, 3, true);
    for (uint32_t c : pt.pixels) EXPECT_TRUE(c == 0xFF000000u || c == 0xFFFFFFFFu);
}

TEST(ImageConvert, MipLevelsHalveDownToOnePixel)
{
    Picture p = Flat(8, 2, 0);
    for (uint32_t i = 0; i < p.pixels.size(); ++i) p.pixels[i] = (i % 2) ? 0xFFFFFFFFu : 0xFF000000u;
    Picture l1 = HalveBox(p);
    EXPECT_EQ(l1.width, 4u);
    EXPECT_EQ(l1.height, 1u);
    for (uint32_t c : l1.pixels) EXPECT_EQ(c, 0xFF808080u);
    Picture l3 = HalveBox(HalveBox(l1));
    EXPECT_EQ(l3.width, 1u);
    EXPECT_EQ(l3.height, 1u);
    EXPECT_EQ(FullMipCount(8, 2), 4u);
    EXPECT_EQ(FullMipCount(1, 1), 1u);
    EXPECT_EQ(FullMipCount(256, 256), 9u);
    EXPECT_EQ(NextPow2(5), 8u);
    EXPECT_EQ(NextPow2(64), 64u);
    EXPECT_EQ(NextPow2(1), 1u);
}

TEST(ImageConvert, ColourKeyMatchesAlphaToo)
{
    Picture p = Flat(2, 1, 0xFF000000u);
    p.pixels[1] = 0x00000000u + 0x7F000000u;
    ApplyColorKey(&p, 0xFF000000u);
    EXPECT_EQ(p.pixels[0], 0u);
    EXPECT_EQ(p.pixels[1], 0x7F000000u);
}

TEST(ImageConvert, PixelsAreWrittenInEachFormat)
{
    const uint32_t px[2] = {0x80FF8040u, 0x00102030u};
    uint8_t out[8] = {};
    WritePixels(D3DFMT_X8R8G8B8, px, 1, out);
    EXPECT_EQ(out[0], 0x40);
    EXPECT_EQ(out[1], 0x80);
    EXPECT_EQ(out[2], 0xFF);
    EXPECT_EQ(out[3], 0xFF);
    WritePixels(D3DFMT_A8R8G8B8, px, 1, out);
    EXPECT_EQ(out[3], 0x80);
    uint16_t v[2];
    WritePixels(D3DFMT_R5G6B5, px, 1, v);
    EXPECT_EQ(v[0], (uint16_t)((0x1F << 11) | (0x20 << 5) | 0x08));
    WritePixels(D3DFMT_A1R5G5B5, px, 2, v);
    EXPECT_EQ(v[0] & 0x8000, 0x8000);
    EXPECT_EQ(v[1] & 0x8000, 0);
    WritePixels(D3DFMT_A4R4G4B4, px, 1, v);
    EXPECT_EQ(v[0], (uint16_t)0x8F84);
    EXPECT_EQ(WritableFormatBytes(D3DFMT_D24S8), 0u);
    EXPECT_EQ(WritableFormatBytes(D3DFMT_R8G8B8), 3u);
}
