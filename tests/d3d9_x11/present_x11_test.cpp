// Presenting into real X windows (Xvfb): the picture follows a resized window.
#include <SDL2/SDL.h>

#include "d3d9_fixture.h"

using namespace d3d9test;

namespace {

void Pump(int ms)
{
    const Uint32 end = SDL_GetTicks() + static_cast<Uint32>(ms);
    MSG msg;
    do {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        SDL_Delay(5);
    } while (SDL_GetTicks() < end);
}

}  // namespace

TEST_F(D3D9Test, PictureFillsTheDisplayRectangleOfAResizedWindow)
{
    MakeWindowedDevice();
    Pump(50);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(200, 30, 40), 1.0f, 0);
    std::vector<uint32_t> px;
    int w = 0, h = 0;
    ASSERT_TRUE(PresentAndCapture(device_, &px, &w, &h));
    ASSERT_EQ(w, 200);
    EXPECT_EQ(At(px, w, 5, 5), Brush(win_.top));
    EXPECT_EQ(At(px, w, 100, 75), 0xC81E28u);

    RECT r{0, 0, 320, 240};
    AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
    SetWindowPos(win_.top, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
    MoveWindow(win_.child, 10, 10, 300, 220, TRUE);
    Pump(200);
    ASSERT_EQ(Client(win_.top).right, 320);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(0, 90, 250), 1.0f, 0);
    ASSERT_TRUE(PresentAndCapture(device_, &px, &w, &h));
    ASSERT_EQ(w, 320);
    ASSERT_EQ(h, 240);
    for (int x : {9, 10, 160, 309, 310})
        for (int y : {9, 10, 120, 229, 230}) {
            const bool in = x >= 10 && x < 310 && y >= 10 && y < 230;
            EXPECT_EQ(At(px, w, x, y), in ? 0x005AFAu : Brush(win_.top)) << x << "," << y;
        }
    // A reset to the new client size keeps the picture in place.
    D3DPRESENT_PARAMETERS pp = WindowedParams(win_.child);
    ASSERT_EQ(device_->Reset(&pp), D3D_OK);
    EXPECT_EQ(pp.BackBufferWidth, 300u);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(250, 250, 0), 1.0f, 0);
    ASSERT_TRUE(PresentAndCapture(device_, &px, &w, &h));
    EXPECT_EQ(At(px, w, 10, 10), 0xFAFA00u);
    EXPECT_EQ(At(px, w, 309, 229), 0xFAFA00u);
    EXPECT_EQ(At(px, w, 310, 230), Brush(win_.top));
}
