#include "d3d9_fixture.h"

#include <qrn_win32_sdl.h>
#include "display_required.h"

namespace d3d9test {

static const char* kClass = "QrnD3D9TestClass";

static void RegisterOnce()
{
    static bool done = false;
    if (done) return;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<intptr_t>(4 + 1));  // COLOR_MENU + 1
    wc.lpszClassName = kClass;
    done = RegisterClassExA(&wc) != 0;
}

Windows MakeWindows(int w, int h, int margin)
{
    RegisterOnce();
    Windows out;
    RECT r{0, 0, w, h};
    AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
    out.top = CreateWindowExA(0, kClass, "d3d9 test", WS_OVERLAPPEDWINDOW, 0, 0, r.right - r.left,
                              r.bottom - r.top, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (out.top && margin >= 0) {
        out.child = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_BLACKRECT, margin, margin,
                                    w - 2 * margin, h - 2 * margin, out.top, nullptr,
                                    GetModuleHandleA(nullptr), nullptr);
    }
    if (out.top) ShowWindow(out.top, SW_SHOW);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    return out;
}

void DestroyWindows(const Windows& w)
{
    if (w.top) DestroyWindow(w.top);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

uint32_t Brush(HWND top) { return qrn::win32::BackgroundRgb(top) & 0x00ffffffu; }

RECT Client(HWND hwnd)
{
    RECT r{};
    GetClientRect(hwnd, &r);
    return r;
}

D3DPRESENT_PARAMETERS FullscreenParams(HWND window, UINT w, UINT h)
{
    D3DPRESENT_PARAMETERS pp = WindowedParams(window, w, h);
    pp.Windowed = FALSE;
    pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    return pp;
}

bool PresentAndCapture(IDirect3DDevice9* device, std::vector<uint32_t>* px, int* w, int* h)
{
    qrn::d3d9::testctl::CaptureNextPresent(device);
    if (FAILED(device->Present(nullptr, nullptr, nullptr, nullptr))) return false;
    return qrn::d3d9::testctl::TakeCapture(device, px, w, h);
}

void D3D9Test::SetUp()
{
    qrn::d3d9::testctl::ResetAll();
    d3d_ = Direct3DCreate9(D3D_SDK_VERSION);
    if (!d3d_) QRN_MISSING_DISPLAY("no display");
    win_ = MakeWindows(200, 150, 10);
    ASSERT_NE(win_.top, nullptr);
    ASSERT_NE(win_.child, nullptr);
}

void D3D9Test::MakeWindowedDevice(DWORD behavior)
{
    D3DPRESENT_PARAMETERS pp = WindowedParams(win_.child);
    ASSERT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, win_.top, behavior, &pp, &device_), D3D_OK);
    ASSERT_NE(device_, nullptr);
}

void D3D9Test::TearDown()
{
    if (device_) {
        EXPECT_EQ(device_->Release(), 0u);
    }
    device_ = nullptr;
    if (d3d_) {
        EXPECT_EQ(d3d_->Release(), 0u);
    }
    d3d_ = nullptr;
    DestroyWindows(win_);
    qrn::d3d9::testctl::ResetAll();
}

}  // namespace d3d9test
