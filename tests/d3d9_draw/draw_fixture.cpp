#include "draw_fixture.h"

#include <cmath>
#include <cstring>
#include "display_required.h"
#include "present_params.h"

namespace drawtest {

namespace {
const char* kClass = "QrnDrawTestClass";

void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}
}  // namespace

D3DMATRIX Identity()
{
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

void DrawTest::SetUp()
{
    qrn::d3d9::testctl::ResetAll();
    d3d_ = Direct3DCreate9(D3D_SDK_VERSION);
    if (!d3d_) QRN_MISSING_DISPLAY("no display");
    static bool registered = false;
    if (!registered) {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kClass;
        registered = RegisterClassExA(&wc) != 0;
    }
    RECT r{0, 0, kSize, kSize};
    AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
    window_ = CreateWindowExA(0, kClass, "draw test", WS_OVERLAPPEDWINDOW, 0, 0, r.right - r.left, r.bottom - r.top,
                              nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window_, nullptr);
    ShowWindow(window_, SW_SHOW);
    Pump();
    D3DPRESENT_PARAMETERS pp = WindowedParams(window_, kSize, kSize);
    ASSERT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, window_, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &dev_), D3D_OK);
    ASSERT_EQ(dev_->BeginScene(), D3D_OK);
}

void DrawTest::TearDown()
{
    if (dev_) {
        dev_->EndScene();
        EXPECT_EQ(dev_->Release(), 0u);
    }
    dev_ = nullptr;
    if (d3d_) d3d_->Release();
    d3d_ = nullptr;
    if (window_) DestroyWindow(window_);
    window_ = nullptr;
    Pump();
    qrn::d3d9::testctl::ResetAll();
}

std::vector<uint32_t> DrawTest::ReadBack()
{
    std::vector<uint32_t> out;
    IDirect3DSurface9* back = nullptr;
    if (FAILED(dev_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back))) return out;
    D3DSURFACE_DESC d{};
    back->GetDesc(&d);
    IDirect3DSurface9* sys = nullptr;
    if (SUCCEEDED(dev_->CreateOffscreenPlainSurface(d.Width, d.Height, d.Format, D3DPOOL_SYSTEMMEM, &sys, nullptr))) {
        if (SUCCEEDED(dev_->GetRenderTargetData(back, sys))) {
            D3DLOCKED_RECT lr{};
            if (SUCCEEDED(sys->LockRect(&lr, nullptr, D3DLOCK_READONLY))) {
                out.resize((size_t)d.Width * d.Height);
                for (UINT y = 0; y < d.Height; ++y)
                    memcpy(&out[(size_t)y * d.Width], static_cast<uint8_t*>(lr.pBits) + (size_t)y * lr.Pitch, d.Width * 4);
                sys->UnlockRect();
            }
        }
        sys->Release();
    }
    back->Release();
    return out;
}

uint32_t DrawTest::Pixel(int x, int y)
{
    auto px = ReadBack();
    if (px.empty()) return 0xDEADBEEF;
    return px[(size_t)y * kSize + x] & 0x00FFFFFFu;
}

void DrawTest::Clear(D3DCOLOR c) { dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, c, 1.0f, 0); }

void DrawTest::ColorQuad(float x0, float y0, float x1, float y1, float z, D3DCOLOR c)
{
    // Two triangles, clockwise on screen (y up in clip space).
    const ColorVertex v[6] = {{x0, y1, z, c}, {x1, y1, z, c}, {x1, y0, z, c},
                              {x0, y1, z, c}, {x1, y0, z, c}, {x0, y0, z, c}};
    dev_->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
    dev_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, v, sizeof(ColorVertex));
}

IDirect3DTexture9* DrawTest::MakeTexture(UINT w, UINT h, const std::vector<uint32_t>& px, D3DFORMAT f)
{
    IDirect3DTexture9* tex = nullptr;
    if (FAILED(dev_->CreateTexture(w, h, 1, 0, f, D3DPOOL_MANAGED, &tex, nullptr))) return nullptr;
    D3DLOCKED_RECT lr{};
    if (SUCCEEDED(tex->LockRect(0, &lr, nullptr, 0))) {
        for (UINT y = 0; y < h; ++y) memcpy(static_cast<uint8_t*>(lr.pBits) + (size_t)y * lr.Pitch, &px[(size_t)y * w], w * 4);
        tex->UnlockRect(0);
    }
    return tex;
}

void DrawTest::SetPerspective(float fovY, float zn, float zf)
{
    const float ys = 1.0f / std::tan(fovY / 2), xs = ys;  // square target
    D3DMATRIX p{};
    p._11 = xs;
    p._22 = ys;
    p._33 = zf / (zf - zn);
    p._34 = 1.0f;
    p._43 = -zn * zf / (zf - zn);
    dev_->SetTransform(D3DTS_PROJECTION, &p);
}

}  // namespace drawtest
