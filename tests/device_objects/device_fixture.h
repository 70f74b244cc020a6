// A windowed render device on a small hidden window, for the device-object
// tests, plus writers of tiny image files.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <d3d9.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "render/RenderDeviceD3D9.h"
#include "window_device.h"

namespace devobj {

constexpr int kWindowWidth = 160;
constexpr int kWindowHeight = 120;

class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Makes an object through the device's factory, cast to the interface of
    // its kind.
    template <class T>
    T* Make(int type)
    {
        return static_cast<T*>(m_pDevice->CreateObject(type));
    }

    IDirect3DDevice9* D3D() const { return m_pDevice->GetD3DDevice(); }
    DWORD RenderState(D3DRENDERSTATETYPE state) const;
    DWORD StageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type) const;
    DWORD SamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type) const;
    // Sets a render state directly, as if a previous draw had left it.
    void Poke(D3DRENDERSTATETYPE state, DWORD value) const;

    // Identity transforms all round, so that positions are given in clip
    // space; no culling, no depth buffer.
    void UseClipSpace() const;

    // Reads the current render target 0 back as 0xAARRGGBB pixels.
    std::vector<uint32_t> ReadBack(unsigned* width, unsigned* height) const;

    std::unique_ptr<qrn::CRenderDeviceD3D9> m_pDevice;
    HWND m_hWnd = nullptr;
};

using d3dtest::WriteBmp;
using d3dtest::WriteBytes;
using d3dtest::WriteTga;
std::vector<uint32_t> Solid(int w, int h, uint32_t colour);

}  // namespace devobj
