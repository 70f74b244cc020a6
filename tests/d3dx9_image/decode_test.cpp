// The image decoder under the D3DX image functions: every format gives the
// right size and pixels; damaged and absurd files fail without crashing.
#include <gtest/gtest.h>

#include <cstring>

#include "d3dx9/d3dx9_image_decode.h"
#include "image_files.h"

using namespace qrn::d3dx;
using testimg::Bytes;

namespace {

int Channel(uint32_t p, int shift) { return (p >> shift) & 0xff; }

// Lossless formats must reproduce every pixel exactly.
void ExpectExact(const Bytes& file, int w, int h, const std::vector<uint32_t>& px, uint32_t kind, bool alpha)
{
    DecodedImage img;
    ASSERT_EQ(DecodeImage(file.data(), file.size(), &img), S_OK);
    EXPECT_EQ(img.header.width, (uint32_t)w);
    EXPECT_EQ(img.header.height, (uint32_t)h);
    EXPECT_EQ(img.header.fileKind, kind);
    EXPECT_EQ(img.header.hasAlpha, alpha);
    ASSERT_EQ(img.pixels.size(), px.size());
    for (size_t i = 0; i < px.size(); ++i) {
        uint32_t want = alpha ? px[i] : (px[i] | 0xFF000000u);
        ASSERT_EQ(img.pixels[i], want) << "pixel " << i;
    }
}

// A picture with a different colour in every pixel, odd sizes, and alpha.
std::vector<uint32_t> Gradient(int w, int h)
{
    std::vector<uint32_t> px(w * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            px[y * w + x] = ((uint32_t)(40 + 20 * y) << 24) | ((uint32_t)(x * 30) << 16) | ((uint32_t)(y * 50) << 8) | (uint32_t)(255 - x - y);
    return px;
}

}  // namespace

TEST(ImageDecode, LosslessFormatsGiveEveryPixelTopRowFirst)
{
    const int w = 5, h = 3;
    auto px = Gradient(w, h);
    ExpectExact(testimg::Bmp24(w, h, px), w, h, px, kImageBmp, false);
    ExpectExact(testimg::Tga(w, h, px, false, false), w, h, px, kImageTga, false);
    ExpectExact(testimg::Tga(w, h, px, true, false), w, h, px, kImageTga, true);
    ExpectExact(testimg::Tga(w, h, px, true, true), w, h, px, kImageTga, true);
    ExpectExact(testimg::Png(w, h, px, true), w, h, px, kImagePng, true);
    ExpectExact(testimg::Png(w, h, px, false), w, h, px, kImagePng, false);
}

TEST(ImageDecode, RunLengthTgaWithLongRunsDecodes)
{
    const int w = 300, h = 2;
    std::vector<uint32_t> px(w * h, 0xFF102030u);
    px[5] = 0xFF00FF00u;
    ExpectExact(testimg::Tga(w, h, px, false, true), w, h, px, kImageTga, false);
}

TEST(ImageDecode, JpegKeepsFlatColoursAndSize)
{
    const int w = 64, h = 48;
    auto px = testimg::Quadrants(w, h);
    Bytes file = testimg::Jpeg(w, h, px);
    DecodedImage img;
    ASSERT_EQ(DecodeImage(file.data(), file.size(), &img), S_OK);
    EXPECT_EQ(img.header.width, 64u);
    EXPECT_EQ(img.header.height, 48u);
    EXPECT_EQ(img.header.fileKind, (uint32_t)kImageJpg);
    EXPECT_FALSE(img.header.hasAlpha);
    // Sample the middle of each quadrant: red, green, blue, white; opaque.
    const int pts[4][2] = {{8, 8}, {56, 8}, {8, 40}, {56, 40}};
    const uint32_t want[4] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu};
    for (int i = 0; i < 4; ++i) {
        uint32_t got = img.pixels[pts[i][1] * w + pts[i][0]];
        EXPECT_EQ(Channel(got, 24), 255);
        for (int s : {0, 8, 16}) EXPECT_NEAR(Channel(got, s), Channel(want[i], s), 6) << "quadrant " << i;
    }
}

TEST(ImageDecode, HeaderAloneGivesSizeKindAndAlpha)
{
    auto px = Gradient(7, 4);
    struct Case {
        Bytes file;
        uint32_t kind;
        bool alpha;
    } cases[] = {
        {testimg::Bmp24(7, 4, px), kImageBmp, false},     {testimg::Bmp32(7, 4, px), kImageBmp, true},
        {testimg::Tga(7, 4, px, true, true), kImageTga, true}, {testimg::Png(7, 4, px, false), kImagePng, false},
        {testimg::Jpeg(7, 4, px), kImageJpg, false},
    };
    for (const Case& c : cases) {
        ImageHeader h;
        ASSERT_EQ(ReadImageHeader(c.file.data(), c.file.size(), &h), S_OK) << c.kind;
        EXPECT_EQ(h.width, 7u);
        EXPECT_EQ(h.height, 4u);
        EXPECT_EQ(h.fileKind, c.kind);
        EXPECT_EQ(h.hasAlpha, c.alpha) << c.kind;
    }
}

TEST(ImageDecode, EmptyGarbageAndNullFail)
{
    DecodedImage img;
    const uint8_t junk[] = "this is not a picture at all, just some text";
    EXPECT_TRUE(FAILED(DecodeImage(junk, 0, &img)));
    EXPECT_TRUE(FAILED(DecodeImage(junk, sizeof junk, &img)));
    EXPECT_TRUE(FAILED(DecodeImage(nullptr, 10, &img)));
    EXPECT_TRUE(FAILED(DecodeImage(junk, sizeof junk, nullptr)));
    EXPECT_TRUE(img.pixels.empty());
}

// Cutting a file anywhere inside its pixel data must fail, not hand back a
// picture with a black or grey tail; no cut may crash.
TEST(ImageDecode, TruncatedFilesFailAtEveryCut)
{
    const int w = 16, h = 16;
    auto px = Gradient(w, h);
    struct Case {
        const char* name;
        Bytes file;
        size_t trailer;  // bytes after the pixel data that a reader may do without
    } cases[] = {
        {"bmp", testimg::Bmp24(w, h, px), 0},
        {"tga", testimg::Tga(w, h, px, false, false), 0},
        {"tga-rle", testimg::Tga(w, h, px, true, true), 0},
        {"png", testimg::Png(w, h, px, true), 12},  // IEND
        {"jpeg", testimg::Jpeg(w, h, px), 2},      // EOI marker
    };
    for (const Case& c : cases) {
        for (size_t cut = 0; cut + c.trailer < c.file.size(); ++cut) {
            Bytes part(c.file.begin(), c.file.begin() + cut);
            DecodedImage img;
            ASSERT_TRUE(FAILED(DecodeImage(part.data(), part.size(), &img))) << c.name << " cut at " << cut;
        }
    }
}

TEST(ImageDecode, AbsurdSizesAreRefusedBeforeDecoding)
{
    ImageHeader hdr;
    DecodedImage img;
    // PNG: 100000 x 100000, and a cap-sized 8192 x 8192 that a 60-byte file cannot hold.
    for (uint32_t side : {100000u, 8192u}) {
        Bytes png = testimg::Png(2, 2, Gradient(2, 2), true);
        for (int i = 0; i < 4; ++i) {
            png[16 + i] = (side >> (24 - 8 * i)) & 0xff;
            png[20 + i] = (side >> (24 - 8 * i)) & 0xff;
        }
        EXPECT_TRUE(FAILED(ReadImageHeader(png.data(), png.size(), &hdr))) << side;
        EXPECT_TRUE(FAILED(DecodeImage(png.data(), png.size(), &img))) << side;
    }
    // BMP whose header claims 8000 x 8000 pixels.
    Bytes bmp = testimg::Bmp24(2, 2, Gradient(2, 2));
    bmp[18] = 0x40, bmp[19] = 0x1f, bmp[22] = 0x40, bmp[23] = 0x1f;
    EXPECT_TRUE(FAILED(DecodeImage(bmp.data(), bmp.size(), &img)));
    // TGA 65535 x 65535.
    Bytes tga = testimg::Tga(2, 2, Gradient(2, 2), false, false);
    tga[12] = tga[13] = tga[14] = tga[15] = 0xff;
    EXPECT_TRUE(FAILED(DecodeImage(tga.data(), tga.size(), &img)));
    // JPEG: patch the frame header to 60000 x 60000.
    Bytes jpg = testimg::Jpeg(8, 8, Gradient(8, 8));
    bool patched = false;
    for (size_t i = 2; i + 9 < jpg.size(); ++i)
        if (jpg[i] == 0xFF && (jpg[i + 1] == 0xC0 || jpg[i + 1] == 0xC2)) {
            jpg[i + 5] = 0xEA, jpg[i + 6] = 0x60, jpg[i + 7] = 0xEA, jpg[i + 8] = 0x60;
            patched = true;
            break;
        }
    ASSERT_TRUE(patched);
    EXPECT_TRUE(FAILED(ReadImageHeader(jpg.data(), jpg.size(), &hdr)));
    EXPECT_TRUE(FAILED(DecodeImage(jpg.data(), jpg.size(), &img)));
    EXPECT_TRUE(img.pixels.empty());
}

TEST(ImageDecode, FlippedBytesNeverCrash)
{
    // A cheap, deterministic version of what the fuzz target does at length.
    auto px = Gradient(9, 9);
    const Bytes files[] = {testimg::Bmp32(9, 9, px), testimg::Tga(9, 9, px, true, true), testimg::Png(9, 9, px, true),
                           testimg::Jpeg(9, 9, px)};
    uint32_t seed = 12345;
    int decoded = 0;
    for (const Bytes& f : files)
        for (int round = 0; round < 300; ++round) {
            Bytes m = f;
            for (int k = 0; k < 3; ++k) {
                seed = seed * 1664525u + 1013904223u;
                m[(seed >> 8) % m.size()] ^= (uint8_t)(1u << (seed % 8));
            }
            DecodedImage img;
            if (SUCCEEDED(DecodeImage(m.data(), m.size(), &img))) {
                ++decoded;
                EXPECT_EQ(img.pixels.size(), (size_t)img.header.width * img.header.height);
            }
        }
    EXPECT_GT(decoded, 0);  // some flips only touch pixel values
}

TEST(ImageDecode, MissingFileIsNotFound)
{
    std::vector<uint8_t> bytes;
    EXPECT_EQ(ReadImageFile("/nonexistent/dir/picture.png", &bytes), kErrNotFound);
    EXPECT_TRUE(FAILED(ReadImageFile(testimg::WriteTemp("empty.bmp", {}).c_str(), &bytes)));
    Bytes one = testimg::Bmp24(1, 1, {0xFF123456u});
    ASSERT_EQ(ReadImageFile(testimg::WriteTemp("one.bmp", one).c_str(), &bytes), S_OK);
    EXPECT_EQ(bytes, one);
}

// Each file in data/ once made a reader misbehave; all of them must fail.
TEST(ImageDecode, FuzzRegressionFilesFailCleanly)
{
    int seen = 0;
    for (const char* name : {"png_huge_chunk_length.png", "png_empty_idat.png"}) {
        std::vector<uint8_t> bytes;
        ASSERT_EQ(ReadImageFile((std::string(QRN_IMAGE_REGRESSIONS) + "/" + name).c_str(), &bytes), S_OK) << name;
        DecodedImage img;
        EXPECT_TRUE(FAILED(DecodeImage(bytes.data(), bytes.size(), &img))) << name;
        ++seen;
    }
    EXPECT_EQ(seen, 2);
}
