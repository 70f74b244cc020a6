// Present parameters of a windowed device as the tests and benchmarks make
// it: X8R8G8B8 back buffer (0 x 0: the window's size), one of it, discarded
// at present, 24-bit depth, presented immediately.
#pragma once

#include <d3d9.h>

inline D3DPRESENT_PARAMETERS WindowedParams(HWND window, UINT width = 0, UINT height = 0)
{
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = width;
    pp.BackBufferHeight = height;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.hDeviceWindow = window;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D24X8;
    pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    return pp;
}
