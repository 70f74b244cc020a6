// What reaches the window: the back buffer copied into the display window's
// rectangle, the rest of the client area in the class brush colour.
#include "d3d9_fixture.h"

using namespace d3d9test;
namespace tc = qrn::d3d9::testctl;

namespace {

void ResizeClient(HWND top, int w, int h)
{
    RECT r{0, 0, w, h};
    AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
    SetWindowPos(top, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
    // A real window system applies the size a little later.
    const DWORD end = GetTickCount() + 150;
    MSG msg;
    do {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        Sleep(5);
    } while (static_cast<int32_t>(end - GetTickCount()) > 0);
}

// Checks that `px` (w x h, the top window's client area) shows `color` in
// `inside` and the brush everywhere else, sampling the borders of both.
void ExpectPicture(const std::vector<uint32_t>& px, int w, int h, const RECT& inside, uint32_t color,
                   uint32_t brush)
{
    auto check = [&](int x, int y) {
        if (x < 0 || y < 0 || x >= w || y >= h) return;
        const bool in = x >= inside.left && x < inside.right && y >= inside.top && y < inside.bottom;
        EXPECT_EQ(At(px, w, x, y), in ? color : brush) << "at " << x << "," << y;
    };
    for (int x : {0, static_cast<int>(inside.left) - 1, static_cast<int>(inside.left),
                  (static_cast<int>(inside.left) + static_cast<int>(inside.right)) / 2,
                  static_cast<int>(inside.right) - 1, static_cast<int>(inside.right), w - 1})
        for (int y : {0, static_cast<int>(inside.top) - 1, static_cast<int>(inside.top),
                      (static_cast<int>(inside.top) + static_cast<int>(inside.bottom)) / 2,
                      static_cast<int>(inside.bottom) - 1, static_cast<int>(inside.bottom), h - 1})
            check(x, y);
}

}  // namespace

TEST_F(D3D9Test, ClearFillsTheDisplayRectangleAndNotTheMargin)
{
    MakeWindowedDevice();
    ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, D3DCOLOR_XRGB(200, 30, 40), 1.0f, 0),
              D3D_OK);
    std::vector<uint32_t> px;
    int w = 0, h = 0;
    ASSERT_TRUE(PresentAndCapture(device_, &px, &w, &h));
    const RECT c = Client(win_.top);
    ASSERT_EQ(w, c.right);
    ASSERT_EQ(h, c.bottom);
    ExpectPicture(px, w, h, RECT{10, 10, w - 10, h - 10}, 0xC81E28u, Brush(win_.top));
    EXPECT_NE(Brush(win_.top), 0xC81E28u);
    // One copy of the frame per present.
    EXPECT_EQ(tc::GetGlCounters(device_, tc::CounterSpan::LastFrame).blits, 1u);
}

TEST_F(D3D9Test, ResizedWindowKeepsThePictureFillingTheNewRectangle)
{
    MakeWindowedDevice();
    ResizeClient(win_.top, 300, 220);
    MoveWindow(win_.child, 10, 10, 280, 200, TRUE);
    ASSERT_EQ(Client(win_.top).right, 300);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(0, 90, 250), 1.0f, 0);
    std::vector<uint32_t> px;
    int w = 0, h = 0;
    // (A window system may hand out the resized framebuffer one frame late.)
    ASSERT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    // The old back buffer is stretched over the new rectangle ...
    ASSERT_TRUE(PresentAndCapture(device_, &px, &w, &h));
    ASSERT_EQ(w, 300);
    ASSERT_EQ(h, 220);
    ExpectPicture(px, w, h, RECT{10, 10, 290, 210}, 0x005AFAu, Brush(win_.top));
    // ... and a reset to the new client size gives a back buffer of that size.
    D3DPRESENT_PARAMETERS pp = WindowedParams(win_.child);
    ASSERT_EQ(device_->Reset(&pp), D3D_OK);
    EXPECT_EQ(pp.BackBufferWidth, 280u);
    EXPECT_EQ(pp.BackBufferHeight, 200u);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(250, 250, 0), 1.0f, 0);
    ASSERT_TRUE(PresentAndCapture(device_, &px, &w, &h));
    ExpectPicture(px, w, h, RECT{10, 10, 290, 210}, 0xFAFA00u, Brush(win_.top));
}

TEST_F(D3D9Test, FullScreenPictureCoversTheWholeWindow)
{
    D3DDISPLAYMODE desk{};
    ASSERT_EQ(d3d_->GetAdapterDisplayMode(0, &desk), D3D_OK);
    D3DPRESENT_PARAMETERS pp = FullscreenParams(win_.top, desk.Width, desk.Height);
    ASSERT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, win_.top, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device_),
              D3D_OK);
    D3DSURFACE_DESC d{};
    IDirect3DSurface9* back = nullptr;
    device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
    back->GetDesc(&d);
    back->Release();
    EXPECT_EQ(d.Width, desk.Width);
    EXPECT_EQ(d.Height, desk.Height);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(10, 200, 20), 1.0f, 0);
    std::vector<uint32_t> px;
    int w = 0, h = 0;
    // (A window system may hand out the full-screen framebuffer one frame late.)
    ASSERT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    ASSERT_TRUE(PresentAndCapture(device_, &px, &w, &h));
    ASSERT_GT(w, 0);
    ExpectPicture(px, w, h, RECT{0, 0, w, h}, 0x0AC814u, 0);
}

TEST_F(D3D9Test, ClearHonoursRectanglesViewportAndScissor)
{
    MakeWindowedDevice();
    IDirect3DSurface9* back = nullptr;
    device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
    D3DSURFACE_DESC d{};
    back->GetDesc(&d);
    IDirect3DSurface9* sys = nullptr;
    ASSERT_EQ(device_->CreateOffscreenPlainSurface(d.Width, d.Height, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &sys,
                                                   nullptr),
              D3D_OK);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xff000000, 1.0f, 0);
    const D3DRECT rects[2] = {{5, 5, 15, 15}, {100, 50, 400, 400}};  // the second reaches past the edge
    ASSERT_EQ(device_->Clear(2, rects, D3DCLEAR_TARGET, 0xffffffff, 1.0f, 0), D3D_OK);
    D3DVIEWPORT9 vp{20, 20, 10, 10, 0, 1};
    ASSERT_EQ(device_->SetViewport(&vp), D3D_OK);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xff0000ff, 1.0f, 0);  // only the viewport
    D3DVIEWPORT9 full{0, 0, d.Width, d.Height, 0, 1};
    device_->SetViewport(&full);
    const RECT scissor{40, 40, 42, 42};
    device_->SetScissorRect(&scissor);
    device_->SetRenderState(D3DRS_SCISSORTESTENABLE, TRUE);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xffff0000, 1.0f, 0);  // only the scissor box
    ASSERT_EQ(device_->GetRenderTargetData(back, sys), D3D_OK);
    D3DLOCKED_RECT lr{};
    ASSERT_EQ(sys->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    auto px = [&](int x, int y) {
        return reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(lr.pBits) + y * lr.Pitch)[x] &
               0xffffffu;
    };
    EXPECT_EQ(px(5, 5), 0xffffffu);
    EXPECT_EQ(px(14, 14), 0xffffffu);
    EXPECT_EQ(px(15, 15), 0u);
    EXPECT_EQ(px(4, 5), 0u);
    EXPECT_EQ(px(static_cast<int>(d.Width) - 1, static_cast<int>(d.Height) - 1), 0xffffffu);
    EXPECT_EQ(px(20, 20), 0x0000ffu);
    EXPECT_EQ(px(29, 29), 0x0000ffu);
    EXPECT_EQ(px(30, 30), 0u);
    EXPECT_EQ(px(40, 40), 0xff0000u);
    EXPECT_EQ(px(41, 41), 0xff0000u);
    EXPECT_EQ(px(42, 42), 0u);
    sys->UnlockRect();
    sys->Release();
    back->Release();
}

TEST_F(D3D9Test, AdditionalSwapChainPresentsIntoItsOwnWindow)
{
    MakeWindowedDevice();
    Windows other = MakeWindows(100, 80, 8);
    D3DPRESENT_PARAMETERS pp = WindowedParams(other.child);
    IDirect3DSwapChain9* sc = nullptr;
    ASSERT_EQ(device_->CreateAdditionalSwapChain(&pp, &sc), D3D_OK);
    IDirect3DSurface9* back = nullptr;
    sc->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back);
    device_->SetRenderTarget(0, back);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, D3DCOLOR_XRGB(1, 2, 3), 1.0f, 0);
    tc::CaptureNextPresent(device_);
    ASSERT_EQ(sc->Present(nullptr, nullptr, nullptr, nullptr, 0), D3D_OK);
    std::vector<uint32_t> px;
    int w = 0, h = 0;
    ASSERT_TRUE(tc::TakeCapture(device_, &px, &w, &h));
    EXPECT_EQ(w, 100);
    ExpectPicture(px, w, h, RECT{8, 8, 92, 72}, 0x010203u, Brush(other.top));
    IDirect3DSurface9* own = nullptr;
    device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &own);
    device_->SetRenderTarget(0, own);
    own->Release();
    back->Release();
    EXPECT_EQ(sc->Release(), 0u);
    DestroyWindows(other);
}
