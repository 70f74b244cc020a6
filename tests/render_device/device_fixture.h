// Shared set-up of the render device tests: a visible top-level window with a
// display child inset by 10 pixels, and a device that is not yet initialised.
#pragma once

#include <d3dx9math.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "render/RenderDeviceD3D9.h"

namespace qrn::test {

inline const char* TestWindowClass()
{
    static const char* name = [] {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = DefWindowProcA;
        wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_MENU + 1));
        wc.lpszClassName = "QrnRenderDeviceTestClass";
        RegisterClassExA(&wc);
        return "QrnRenderDeviceTestClass";
    }();
    return name;
}

// A top-level window of the given outer size, shown, with a display child.
inline HWND MakeTopWindow(int width, int height)
{
    HWND top = CreateWindowExA(0, TestWindowClass(), "render device test", WS_OVERLAPPEDWINDOW, 0, 0,
                               width, height, nullptr, nullptr, nullptr, nullptr);
    if (top) ShowWindow(top, SW_SHOW);
    return top;
}

inline HWND MakeChild(HWND parent, int x, int y, int width, int height)
{
    return CreateWindowExA(0, "static", nullptr, WS_CHILD | WS_VISIBLE | SS_BLACKRECT, x, y, width,
                           height, parent, nullptr, nullptr, nullptr);
}

inline RECT ClientRect(HWND window)
{
    RECT r{};
    GetClientRect(window, &r);
    return r;
}

class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_top = MakeTopWindow(640, 480);
        ASSERT_NE(m_top, nullptr);
        const RECT c = ClientRect(m_top);
        m_display = MakeChild(m_top, 10, 10, c.right - 20, c.bottom - 20);
        ASSERT_NE(m_display, nullptr);
        m_device = new CRenderDeviceD3D9();
    }

    void TearDown() override
    {
        delete m_device;
        m_device = nullptr;
        if (m_top) DestroyWindow(m_top);
    }

    void InitWindowed()
    {
        ASSERT_TRUE(m_device->InitWindowed(m_top, m_display, 0));
    }

    IDirect3DDevice9* D3D() { return m_device->GetD3DDevice(); }

    DWORD RenderState(D3DRENDERSTATETYPE state)
    {
        DWORD value = 0xDEADBEEF;
        EXPECT_EQ(D3D()->GetRenderState(state, &value), D3D_OK);
        return value;
    }

    DWORD StageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type)
    {
        DWORD value = 0xDEADBEEF;
        EXPECT_EQ(D3D()->GetTextureStageState(stage, type, &value), D3D_OK);
        return value;
    }

    D3DMATRIX Transform(D3DTRANSFORMSTATETYPE type)
    {
        D3DMATRIX m{};
        EXPECT_EQ(D3D()->GetTransform(type, &m), D3D_OK);
        return m;
    }

    // Back-buffer size of the current window's swap chain.
    void CurrentChainSize(UINT* width, UINT* height)
    {
        *width = *height = 0;
        IDirect3DSwapChain9* chain = m_device->GetSwapChain(m_device->GetCurrentWindow());
        ASSERT_NE(chain, nullptr);
        D3DPRESENT_PARAMETERS pp{};
        ASSERT_EQ(chain->GetPresentParameters(&pp), D3D_OK);
        *width = pp.BackBufferWidth;
        *height = pp.BackBufferHeight;
    }

    HWND m_top = nullptr;
    HWND m_display = nullptr;
    CRenderDeviceD3D9* m_device = nullptr;
};

inline float Bits2Float(DWORD d)
{
    float f;
    std::memcpy(&f, &d, sizeof f);
    return f;
}

inline void ExpectMatrixNear(const D3DMATRIX& a, const D3DMATRIX& b, float eps = 1e-5f)
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(a.m[r][c], b.m[r][c], eps) << "element " << r + 1 << c + 1;
}

inline D3DMATRIX Perspective(float fov, float width, float height, float zn, float zf)
{
    D3DXMATRIX m;
    D3DXMatrixPerspectiveFovLH(&m, fov, width / height, zn, zf);
    return m;
}

} // namespace qrn::test
