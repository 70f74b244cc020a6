// Set-up of the drawing tests: a 64 x 64 window with a windowed device on
// it, helpers to draw with user memory, and the back buffer read back
// through GetRenderTargetData (rows top first, 0xAARRGGBB).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include <d3d9.h>
#include <qrn_d3d9_testctl.h>
#include <windows.h>

namespace drawtest {

constexpr int kSize = 64;

struct Rgb {
    int r, g, b;
};
inline Rgb ToRgb(uint32_t c) { return {(int)((c >> 16) & 0xff), (int)((c >> 8) & 0xff), (int)(c & 0xff)}; }

// Vertex layouts used by the tests.
struct ColorVertex {  // XYZ | DIFFUSE
    float x, y, z;
    DWORD color;
};
struct LitVertex {  // XYZ | NORMAL
    float x, y, z, nx, ny, nz;
};
struct TexVertex {  // XYZ | DIFFUSE | TEX1
    float x, y, z;
    DWORD color;
    float u, v;
};
struct ScreenVertex {  // XYZRHW | DIFFUSE
    float x, y, z, rhw;
    DWORD color;
};
struct SpriteVertex {  // XYZ | PSIZE | DIFFUSE
    float x, y, z, size;
    DWORD color;
};

class DrawTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The back buffer as it is now.
    std::vector<uint32_t> ReadBack();
    uint32_t Pixel(int x, int y);
    void Clear(D3DCOLOR c);
    // A quad from (x0, y0) to (x1, y1) at depth z, clockwise as seen, in
    // the XYZ | DIFFUSE format (identity transforms: clip space).
    void ColorQuad(float x0, float y0, float x1, float y1, float z, D3DCOLOR c);
    // A texture of w x h filled by `px` (rows top first).
    IDirect3DTexture9* MakeTexture(UINT w, UINT h, const std::vector<uint32_t>& px, D3DFORMAT f = D3DFMT_A8R8G8B8);
    void SetPerspective(float fovY, float zn, float zf);

    IDirect3D9* d3d_ = nullptr;
    IDirect3DDevice9* dev_ = nullptr;
    HWND window_ = nullptr;
};

D3DMATRIX Identity();

}  // namespace drawtest
