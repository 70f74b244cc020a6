// The D3DX image functions on a device: textures and surfaces filled from
// files of each format, sizes and mip chains as asked, failures that leave
// nothing behind.
#include <cstring>

#include <d3dx9tex.h>

#include "draw_fixture.h"
#include "image_files.h"

using namespace drawtest;

namespace {

// Level `level` of a texture, read through LockRect (rows top first).
std::vector<uint32_t> LevelPixels(IDirect3DTexture9* tex, UINT level, UINT* w, UINT* h)
{
    D3DSURFACE_DESC d{};
    tex->GetLevelDesc(level, &d);
    *w = d.Width;
    *h = d.Height;
    std::vector<uint32_t> out((size_t)d.Width * d.Height);
    D3DLOCKED_RECT lr{};
    if (FAILED(tex->LockRect(level, &lr, nullptr, D3DLOCK_READONLY))) return {};
    for (UINT y = 0; y < d.Height; ++y) memcpy(&out[(size_t)y * d.Width], (uint8_t*)lr.pBits + (size_t)y * lr.Pitch, d.Width * 4);
    tex->UnlockRect(level);
    return out;
}

}  // namespace

TEST_F(DrawTest, TextureFromEachFormatHasFileSizeFullChainAndPixels)
{
    const int w = 16, h = 8;
    auto px = testimg::Quadrants(w, h);
    const struct {
        const char* name;
        testimg::Bytes bytes;
        bool alpha;
    } files[] = {
        {"q.bmp", testimg::Bmp24(w, h, px), false}, {"q.tga", testimg::Tga(w, h, px, true, true), true},
        {"q.png", testimg::Png(w, h, px, true), true}, {"q.jpg", testimg::Jpeg(w, h, px), false},
    };
    for (const auto& f : files) {
        const std::string path = testimg::WriteTemp(f.name, f.bytes);
        IDirect3DTexture9* tex = nullptr;
        D3DXIMAGE_INFO info{};
        const D3DFORMAT fmt = f.alpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
        ASSERT_EQ(D3DXCreateTextureFromFileExA(dev_, path.c_str(), 0, 0, D3DX_DEFAULT, 0, fmt, D3DPOOL_MANAGED,
                                               D3DX_DEFAULT, D3DX_DEFAULT, 0, &info, nullptr, &tex),
                  D3D_OK)
            << f.name;
        EXPECT_EQ(info.Width, 16u);
        EXPECT_EQ(info.Height, 8u);
        EXPECT_EQ(tex->GetLevelCount(), 5u);  // 16x8, 8x4, 4x2, 2x1, 1x1
        D3DSURFACE_DESC d{};
        tex->GetLevelDesc(0, &d);
        EXPECT_EQ(d.Format, fmt);
        UINT lw = 0, lh = 0;
        auto l0 = LevelPixels(tex, 0, &lw, &lh);
        ASSERT_EQ(lw, 16u);
        ASSERT_EQ(lh, 8u);
        const uint32_t tl = l0[1 * 16 + 1], br = l0[6 * 16 + 14];
        EXPECT_NEAR((int)((tl >> 16) & 0xff), 255, 8) << f.name;  // red top-left
        EXPECT_NEAR((int)((br >> 8) & 0xff), 255, 8) << f.name;   // white bottom-right
        if (f.alpha) {
            EXPECT_EQ(br >> 24, 0x80u) << f.name;
        }
        auto last = LevelPixels(tex, 4, &lw, &lh);
        ASSERT_EQ(lw, 1u);
        ASSERT_EQ(lh, 1u);
        // The 1x1 level averages the four quadrants.
        EXPECT_NEAR((int)((last[0] >> 16) & 0xff), (255 + 0 + 0 + 255) / 4, 10) << f.name;
        tex->Release();
    }
}

TEST_F(DrawTest, DefaultSizeRoundsUpToPowersOfTwoAndNonPow2KeepsIt)
{
    const std::string path = testimg::WriteTemp("odd.png", testimg::Png(5, 3, testimg::Quadrants(5, 3), false));
    IDirect3DTexture9* tex = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileA(dev_, path.c_str(), &tex), D3D_OK);
    D3DSURFACE_DESC d{};
    tex->GetLevelDesc(0, &d);
    EXPECT_EQ(d.Width, 8u);
    EXPECT_EQ(d.Height, 4u);
    EXPECT_EQ(d.Pool, D3DPOOL_MANAGED);
    EXPECT_EQ(tex->GetLevelCount(), 4u);
    tex->Release();
    ASSERT_EQ(D3DXCreateTextureFromFileExA(dev_, path.c_str(), D3DX_DEFAULT_NONPOW2, D3DX_DEFAULT_NONPOW2, 1, 0,
                                           D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr,
                                           nullptr, &tex),
              D3D_OK);
    tex->GetLevelDesc(0, &d);
    EXPECT_EQ(d.Width, 5u);
    EXPECT_EQ(d.Height, 3u);
    EXPECT_EQ(tex->GetLevelCount(), 1u);
    EXPECT_EQ(d.Format, D3DFMT_X8R8G8B8);  // the file has no alpha
    tex->Release();
}

TEST_F(DrawTest, ImageInfoAndSurfaceLoadGiveThePicture)
{
    const std::string path = testimg::WriteTemp("pic.tga", testimg::Tga(12, 6, testimg::Quadrants(12, 6), false, false));
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(D3DXGetImageInfoFromFileA(path.c_str(), &info), D3D_OK);
    EXPECT_EQ(info.Width, 12u);
    EXPECT_EQ(info.Height, 6u);
    EXPECT_EQ(info.ImageFileFormat, D3DXIFF_TGA);
    EXPECT_EQ(info.ResourceType, D3DRTYPE_TEXTURE);
    for (D3DPOOL pool : {D3DPOOL_SYSTEMMEM, D3DPOOL_DEFAULT}) {
        IDirect3DSurface9* s = nullptr;
        ASSERT_EQ(dev_->CreateOffscreenPlainSurface(12, 6, D3DFMT_X8R8G8B8, pool, &s, nullptr), D3D_OK);
        ASSERT_EQ(D3DXLoadSurfaceFromFileA(s, nullptr, nullptr, path.c_str(), nullptr, D3DX_DEFAULT, 0, nullptr), D3D_OK);
        D3DLOCKED_RECT lr{};
        ASSERT_EQ(s->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
        const uint32_t* row0 = (const uint32_t*)lr.pBits;
        const uint32_t* row5 = (const uint32_t*)((uint8_t*)lr.pBits + 5 * lr.Pitch);
        EXPECT_EQ(row0[0] & 0xFFFFFF, 0xFF0000u) << pool;
        EXPECT_EQ(row0[11] & 0xFFFFFF, 0x00FF00u) << pool;
        EXPECT_EQ(row5[0] & 0xFFFFFF, 0x0000FFu) << pool;
        s->UnlockRect();
        s->Release();
    }
}

TEST_F(DrawTest, BadFilesAndArgumentsFailAndHandOutNothing)
{
    IDirect3DTexture9* tex = reinterpret_cast<IDirect3DTexture9*>(1);
    EXPECT_TRUE(FAILED(D3DXCreateTextureFromFileA(dev_, "/nonexistent/none.png", &tex)));
    EXPECT_EQ(tex, nullptr);
    auto png = testimg::Png(8, 8, testimg::Quadrants(8, 8), true);
    png.resize(png.size() / 2);
    const std::string cut = testimg::WriteTemp("cut.png", png);
    tex = reinterpret_cast<IDirect3DTexture9*>(1);
    EXPECT_TRUE(FAILED(D3DXCreateTextureFromFileA(dev_, cut.c_str(), &tex)));
    EXPECT_EQ(tex, nullptr);
    const std::string junk = testimg::WriteTemp("junk.jpg", testimg::Bytes(100, 0x5A));
    EXPECT_TRUE(FAILED(D3DXCreateTextureFromFileA(dev_, junk.c_str(), &tex)));
    D3DXIMAGE_INFO info{};
    EXPECT_TRUE(FAILED(D3DXGetImageInfoFromFileA(junk.c_str(), &info)));
    EXPECT_TRUE(FAILED(D3DXGetImageInfoFromFileA(nullptr, &info)));
    EXPECT_TRUE(FAILED(D3DXCreateTextureFromFileA(nullptr, cut.c_str(), &tex)));
    EXPECT_TRUE(FAILED(D3DXCreateTextureFromFileA(dev_, nullptr, &tex)));
    // A surface keeps its contents when the file is bad; rectangles must fit.
    IDirect3DSurface9* s = nullptr;
    ASSERT_EQ(dev_->CreateOffscreenPlainSurface(4, 4, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &s, nullptr), D3D_OK);
    EXPECT_TRUE(FAILED(D3DXLoadSurfaceFromFileA(s, nullptr, nullptr, junk.c_str(), nullptr, D3DX_DEFAULT, 0, nullptr)));
    const std::string ok = testimg::WriteTemp("ok.bmp", testimg::Bmp24(4, 4, testimg::Quadrants(4, 4)));
    const RECT outside{0, 0, 5, 4};
    EXPECT_EQ(D3DXLoadSurfaceFromFileA(s, nullptr, &outside, ok.c_str(), nullptr, D3DX_DEFAULT, 0, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXLoadSurfaceFromFileA(s, nullptr, nullptr, ok.c_str(), &outside, D3DX_DEFAULT, 0, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXLoadSurfaceFromFileA(nullptr, nullptr, nullptr, ok.c_str(), nullptr, D3DX_DEFAULT, 0, nullptr), D3DERR_INVALIDCALL);
    s->Release();
}
