// Shared set-up of the Direct3D 9 stand-in tests: a class, a top-level window
// with a child display window, and devices on them.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include <d3d9.h>
#include <qrn_d3d9_testctl.h>
#include <windows.h>
#include "present_params.h"

namespace d3d9test {

// The brush colour of a window (0x00RRGGBB); the test class uses
// (HBRUSH)(COLOR_MENU + 1), the light grey of the engine's windows.
uint32_t Brush(HWND top);

struct Windows {
    HWND top = nullptr;
    HWND child = nullptr;
};

// A visible top-level window with a client area of w x h and, when
// `margin` >= 0, a child window inset by `margin` pixels on every side.
Windows MakeWindows(int w, int h, int margin);
void DestroyWindows(const Windows& w);

// The client rectangle of hwnd.
RECT Client(HWND hwnd);

// Present parameters of a windowed device with an automatic D16/D24 depth
// buffer on `window` (sizes 0 = the window's client area).
D3DPRESENT_PARAMETERS FullscreenParams(HWND window, UINT w, UINT h);

// Colour of pixel (x, y) of a captured picture of `width` pixels per row.
inline uint32_t At(const std::vector<uint32_t>& px, int width, int x, int y)
{
    return px[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] & 0x00ffffffu;
}

// Presents and returns the picture the window received.
bool PresentAndCapture(IDirect3DDevice9* device, std::vector<uint32_t>* px, int* w, int* h);

// Common fixture: an IDirect3D9, windows, and a windowed device on the child.
class D3D9Test : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Creates `device_` windowed on the child (or full screen on the top).
    void MakeWindowedDevice(DWORD behavior = D3DCREATE_HARDWARE_VERTEXPROCESSING);
    ULONG RefCount(IUnknown* o)
    {
        o->AddRef();
        return o->Release();
    }

    IDirect3D9* d3d_ = nullptr;
    IDirect3DDevice9* device_ = nullptr;
    Windows win_;
};

}  // namespace d3d9test
