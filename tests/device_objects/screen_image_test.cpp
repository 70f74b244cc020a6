// Screen images: drawing before loading, both copy paths, loss and reset,
// files that cannot be loaded.
#include "device_fixture.h"

#include <cstdio>

#include <qrn_d3d9_testctl.h>

#include "render/ScreenImageD3D9.h"

namespace devobj {
namespace {

using namespace qrn;

constexpr uint32_t kClear = 0xFF0000FF;  // blue

// 40 x 30 picture: left half red, right half green; the bottom row white.
std::vector<uint32_t> Picture()
{
    std::vector<uint32_t> px(40 * 30);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) px[y * 40 + x] = y == 29 ? 0xFFFFFFFF : (x < 20 ? 0xFFFF0000 : 0xFF00FF00);
    return px;
}

class ScreenImageTest : public DeviceTest {
protected:
    void SetUp() override
    {
        DeviceTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        m_file = WriteBmp("picture.bmp", 40, 30, Picture());
        m_pDevice->SetClearColor(0, 0, 255);
    }
    // One frame: clear to blue, draw the image, read the window back.
    int DrawFrame(IScreenImage* image, unsigned w, unsigned h)
    {
        EXPECT_TRUE(m_pDevice->BeginRendering(true, true, false));
        const int result = image->Draw(w, h);
        m_pDevice->EndRendering(false);
        m_pixels = ReadBack(&m_w, &m_h);
        return result;
    }
    uint32_t At(unsigned x, unsigned y) const { return m_pixels.at(y * m_w + x) | 0xFF000000u; }

    std::string m_file;
    std::vector<uint32_t> m_pixels;
    unsigned m_w = 0, m_h = 0;
};

TEST_F(ScreenImageTest, DrawnBeforeLoadingCopiesNothing)
{
    auto* image = Make<IScreenImage>(OBJECTTYPE_SCREENIMAGE);
    ASSERT_NE(image, nullptr);
    EXPECT_TRUE(static_cast<CScreenImageD3D9*>(image)->IsLost());
    EXPECT_EQ(DrawFrame(image, kWindowWidth, kWindowHeight), IScreenImage::DRAW_OK);
    ASSERT_EQ(m_w, unsigned(kWindowWidth));
    EXPECT_EQ(At(0, 0), kClear);
    EXPECT_EQ(At(kWindowWidth - 1, kWindowHeight - 1), kClear);
}

TEST_F(ScreenImageTest, SystemMemoryImageIsCopiedUnscaledIntoTheCorner)
{
    auto* image = Make<IScreenImage>(OBJECTTYPE_SCREENIMAGE);
    ASSERT_TRUE(image->LoadFromFile(m_file.c_str(), false));
    auto* impl = static_cast<CScreenImageD3D9*>(image);
    EXPECT_FALSE(impl->IsLost());
    EXPECT_FALSE(impl->IsInVideoMemory());
    EXPECT_EQ(impl->GetSourceRect().right, 40);
    EXPECT_EQ(impl->GetSourceRect().bottom, 30);

    ASSERT_EQ(DrawFrame(image, kWindowWidth, kWindowHeight), IScreenImage::DRAW_OK);
    ASSERT_EQ(m_pixels.size(), size_t(kWindowWidth) * kWindowHeight);
    EXPECT_EQ(At(0, 0), 0xFFFF0000u);
    EXPECT_EQ(At(19, 28), 0xFFFF0000u);
    EXPECT_EQ(At(20, 0), 0xFF00FF00u);
    EXPECT_EQ(At(39, 29), 0xFFFFFFFFu);
    EXPECT_EQ(At(40, 0), kClear);  // nothing past the picture
    EXPECT_EQ(At(0, 30), kClear);

    // A smaller destination cuts the picture: 25 x 10.
    ASSERT_EQ(DrawFrame(image, 25, 10), IScreenImage::DRAW_OK);
    EXPECT_EQ(At(24, 9), 0xFF00FF00u);
    EXPECT_EQ(At(25, 9), kClear);
    EXPECT_EQ(At(0, 10), kClear);

    // Empty destinations copy nothing.
    EXPECT_EQ(DrawFrame(image, 0, 0), IScreenImage::DRAW_EMPTY);
    EXPECT_EQ(At(0, 0), kClear);
    EXPECT_EQ(DrawFrame(image, 0, 30), IScreenImage::DRAW_EMPTY);
}

TEST_F(ScreenImageTest, VideoMemoryImageIsStretchedOverTheWholeTarget)
{
    auto* image = Make<IScreenImage>(OBJECTTYPE_SCREENIMAGE);
    ASSERT_TRUE(image->LoadFromFile(m_file.c_str(), true));
    EXPECT_TRUE(static_cast<CScreenImageD3D9*>(image)->IsInVideoMemory());
    // The size arguments are not used on this path.
    ASSERT_EQ(DrawFrame(image, 1, 1), IScreenImage::DRAW_OK);
    ASSERT_EQ(m_pixels.size(), size_t(kWindowWidth) * kWindowHeight);
    // 40 x 30 over 160 x 120: every picture pixel becomes 4 x 4.
    EXPECT_EQ(At(0, 0), 0xFFFF0000u);
    EXPECT_EQ(At(79, 60), 0xFFFF0000u);
    EXPECT_EQ(At(80, 60), 0xFF00FF00u);
    EXPECT_EQ(At(159, 0), 0xFF00FF00u);
    EXPECT_EQ(At(159, 115), 0xFF00FF00u);
    EXPECT_EQ(At(10, 116), 0xFFFFFFFFu);  // the white row, four pixels high
    EXPECT_EQ(At(150, 119), 0xFFFFFFFFu);
}

TEST_F(ScreenImageTest, LossDropsTheSurfaceAndResetLoadsTheFileAgain)
{
    for (bool video : {false, true}) {
        auto* image = Make<IScreenImage>(OBJECTTYPE_SCREENIMAGE);
        auto* impl = static_cast<CScreenImageD3D9*>(image);
        ASSERT_TRUE(image->LoadFromFile(m_file.c_str(), video));
        image->OnDeviceLost();
        EXPECT_TRUE(impl->IsLost());
        EXPECT_EQ(impl->GetSurface(), nullptr);
        EXPECT_EQ(DrawFrame(image, kWindowWidth, kWindowHeight), IScreenImage::DRAW_OK);
        EXPECT_EQ(At(0, 0), kClear);

        image->OnDeviceReset();
        EXPECT_FALSE(impl->IsLost());
        EXPECT_EQ(impl->IsInVideoMemory(), video);
        EXPECT_EQ(DrawFrame(image, kWindowWidth, kWindowHeight), IScreenImage::DRAW_OK);
        EXPECT_EQ(At(0, 0), 0xFFFF0000u);
        delete image;
    }
}

TEST_F(ScreenImageTest, ResetAfterTheFileVanishedLeavesTheImageLost)
{
    const std::string file = WriteBmp("vanishing.bmp", 40, 30, Picture());
    auto* image = Make<IScreenImage>(OBJECTTYPE_SCREENIMAGE);
    ASSERT_TRUE(image->LoadFromFile(file.c_str(), true));
    image->OnDeviceLost();
    std::remove(file.c_str());
    image->OnDeviceReset();
    EXPECT_TRUE(static_cast<CScreenImageD3D9*>(image)->IsLost());
    EXPECT_EQ(DrawFrame(image, kWindowWidth, kWindowHeight), IScreenImage::DRAW_OK);
    EXPECT_EQ(At(0, 0), kClear);

    // A never-loaded image stays lost across a reset too.
    auto* fresh = Make<IScreenImage>(OBJECTTYPE_SCREENIMAGE);
    fresh->OnDeviceLost();
    fresh->OnDeviceReset();
    EXPECT_TRUE(static_cast<CScreenImageD3D9*>(fresh)->IsLost());
}

TEST_F(ScreenImageTest, FilesThatCannotBeLoadedLeaveNothingToDraw)
{
    auto* image = Make<IScreenImage>(OBJECTTYPE_SCREENIMAGE);
    ASSERT_TRUE(image->LoadFromFile(m_file.c_str(), false));
    std::vector<uint8_t> garbage(64, 0xAB);
    const std::string corrupt = WriteBytes("garbage.png", garbage);
    const std::string empty = WriteBytes("nothing.bmp", {});
    for (const char* file : {"/nonexistent/title.jpg", corrupt.c_str(), empty.c_str(), "",
                             static_cast<const char*>(nullptr)}) {
        EXPECT_FALSE(image->LoadFromFile(file, false)) << (file ? file : "(null)");
        EXPECT_FALSE(image->LoadFromFile(file, true)) << (file ? file : "(null)");
        EXPECT_EQ(DrawFrame(image, kWindowWidth, kWindowHeight), IScreenImage::DRAW_OK);
        EXPECT_EQ(At(0, 0), kClear);
    }
}

TEST_F(ScreenImageTest, FullScreenCopyIsCutToTheBackBufferWhateverSizeIsPassed)
{
    // A full-screen device at 640 x 480 on the same window.
    m_pDevice.reset();
    const D3DDISPLAYMODE mode{640, 480, 60, D3DFMT_X8R8G8B8};
    d3d9::testctl::SetDesktopMode(&mode);
    d3d9::testctl::SetDisplayModes(&mode, 1);
    m_pDevice = std::make_unique<CRenderDeviceD3D9>();
    const bool made = m_pDevice->InitFullscreen(m_hWnd, SCREENRESOLUTION_640X480, 0);
    if (!made) {
        d3d9::testctl::ResetAll();
        GTEST_SKIP() << "no full-screen device here";
    }
    ASSERT_FALSE(m_pDevice->IsWindowed());

    // 700 x 500: larger than the back buffer on both sides.
    std::vector<uint32_t> px(700 * 500, 0xFF00FF00);
    for (int y = 0; y < 500; ++y) px[y * 700 + 639] = 0xFFFF0000;  // last column that fits
    const std::string big = WriteBmp("big.bmp", 700, 500, px);
    auto* image = Make<IScreenImage>(OBJECTTYPE_SCREENIMAGE);
    ASSERT_TRUE(image->LoadFromFile(big.c_str(), false));
    EXPECT_EQ(DrawFrame(image, 0, 0), IScreenImage::DRAW_OK);
    ASSERT_EQ(m_w, 640u);
    ASSERT_EQ(m_h, 480u);
    EXPECT_EQ(At(0, 0), 0xFF00FF00u);
    EXPECT_EQ(At(639, 479), 0xFFFF0000u);
    EXPECT_EQ(At(638, 479), 0xFF00FF00u);
    m_pDevice.reset();
    d3d9::testctl::ResetAll();
}

}  // namespace
}  // namespace devobj
