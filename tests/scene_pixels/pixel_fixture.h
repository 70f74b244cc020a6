// A real windowed render device on a small window (SDL's offscreen driver)
// for drawing scene objects and reading back what they drew.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <d3d9.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "QrnMath.h"
#include "render/RenderDeviceD3D9.h"
#include "window_device.h"

namespace scenepx {

constexpr int kWidth = 160;
constexpr int kHeight = 120;

struct Rgb {
    int r, g, b;
    int Sum() const { return r + g + b; }
};

class SceneDeviceTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The left-handed view from eye towards at.
    static qrn::Matrix4x4 LookAt(float ex, float ey, float ez, float ax, float ay, float az, float ux,
                                 float uy, float uz);
    // Reads render target 0 (0xAARRGGBB, rows top to bottom).
    std::vector<uint32_t> ReadBack(unsigned* width, unsigned* height) const;
    // Pixel (x, y) of the last read-back picture, and the mean colour of a
    // rectangle of it.
    Rgb At(int x, int y) const;
    Rgb Mean(int x0, int y0, int x1, int y1) const;
    // Reads the picture into m_Picture; false when the device cannot.
    bool Grab();

    std::unique_ptr<qrn::CRenderDeviceD3D9> m_pDevice;
    HWND m_hWnd = nullptr;
    std::vector<uint32_t> m_Picture;
    unsigned m_uWidth = 0, m_uHeight = 0;
};

using d3dtest::TempPath;
using d3dtest::WriteBytes;
// A 24-bit BMP of one colour (0xRRGGBB).
inline std::string WriteSolidBmp(const std::string& name, int w, int h, uint32_t rgb) {
    return d3dtest::WriteBmp(name, w, h, std::vector<uint32_t>(static_cast<size_t>(w) * h, rgb));
}

}  // namespace scenepx
