// Drawing into the device's targets through the draw path: a render-target
// texture drawn into and read back, and the same frame drawn with and
// without the GL state cache.
#include "d3d9_fixture.h"

using namespace d3d9test;
namespace tc = qrn::d3d9::testctl;

namespace {

struct TVertex {
    float x, y, z, rhw;
    D3DCOLOR c;
};

// Two pre-transformed triangles: a red quad on the left half of a w x h
// target, a green one on the right half.
void DrawHalves(IDirect3DDevice9* dev, float w, float h)
{
    const float mid = w / 2;
    const TVertex v[12] = {
        {-0.5f, -0.5f, 0.5f, 1, 0xffff0000}, {mid - 0.5f, -0.5f, 0.5f, 1, 0xffff0000},
        {-0.5f, h - 0.5f, 0.5f, 1, 0xffff0000}, {mid - 0.5f, -0.5f, 0.5f, 1, 0xffff0000},
        {mid - 0.5f, h - 0.5f, 0.5f, 1, 0xffff0000}, {-0.5f, h - 0.5f, 0.5f, 1, 0xffff0000},
        {mid - 0.5f, -0.5f, 0.5f, 1, 0xff00ff00}, {w - 0.5f, -0.5f, 0.5f, 1, 0xff00ff00},
        {mid - 0.5f, h - 0.5f, 0.5f, 1, 0xff00ff00}, {w - 0.5f, -0.5f, 0.5f, 1, 0xff00ff00},
        {w - 0.5f, h - 0.5f, 0.5f, 1, 0xff00ff00}, {mid - 0.5f, h - 0.5f, 0.5f, 1, 0xff00ff00},
    };
    dev->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
    dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 4, v, sizeof(TVertex));
}

std::vector<uint32_t> ReadTarget(IDirect3DDevice9* dev, IDirect3DSurface9* rt, UINT w, UINT h)
{
    std::vector<uint32_t> out;
    IDirect3DSurface9* sys = nullptr;
    if (FAILED(dev->CreateOffscreenPlainSurface(w, h, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &sys, nullptr))) return out;
    if (SUCCEEDED(dev->GetRenderTargetData(rt, sys))) {
        D3DLOCKED_RECT lr{};
        if (SUCCEEDED(sys->LockRect(&lr, nullptr, D3DLOCK_READONLY))) {
            for (UINT y = 0; y < h; ++y)
                for (UINT x = 0; x < w; ++x)
                    out.push_back(reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(lr.pBits) +
                                                                    y * static_cast<UINT>(lr.Pitch))[x] &
                                  0xffffffu);
            sys->UnlockRect();
        }
    }
    sys->Release();
    return out;
}

}  // namespace

TEST_F(D3D9Test, RenderTargetTextureDrawnIntoAndReadBack)
{
    MakeWindowedDevice();
    IDirect3DTexture9* t = nullptr;
    ASSERT_EQ(device_->CreateTexture(32, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &t, nullptr),
              D3D_OK);
    IDirect3DSurface9* rt = nullptr;
    t->GetSurfaceLevel(0, &rt);
    ASSERT_EQ(device_->SetRenderTarget(0, rt), D3D_OK);
    device_->SetDepthStencilSurface(nullptr);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xff000000, 1.0f, 0);
    ASSERT_EQ(device_->BeginScene(), D3D_OK);
    DrawHalves(device_, 32, 16);
    ASSERT_EQ(device_->EndScene(), D3D_OK);
    const std::vector<uint32_t> px = ReadTarget(device_, rt, 32, 16);
    ASSERT_EQ(px.size(), 32u * 16u);
    // Row 0 of the surface is the top of the picture; left red, right green.
    EXPECT_EQ(px[0], 0xff0000u);
    EXPECT_EQ(px[15], 0xff0000u);
    EXPECT_EQ(px[16], 0x00ff00u);
    EXPECT_EQ(px[15 * 32 + 31], 0x00ff00u);
    rt->Release();
    t->Release();
}

TEST_F(D3D9Test, SameFrameWithAndWithoutTheStateCache)
{
    MakeWindowedDevice();
    IDirect3DSurface9* back = nullptr;
    device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
    D3DSURFACE_DESC d{};
    back->GetDesc(&d);
    auto frame = [&] {
        device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff000040, 1.0f, 0);
        device_->BeginScene();
        DrawHalves(device_, static_cast<float>(d.Width), static_cast<float>(d.Height));
        device_->EndScene();
        std::vector<uint32_t> px = ReadTarget(device_, back, d.Width, d.Height);
        device_->Present(nullptr, nullptr, nullptr, nullptr);
        return px;
    };
    frame();
    const std::vector<uint32_t> cached = frame();
    const auto second = tc::GetGlCounters(device_, tc::CounterSpan::LastFrame);
    tc::SetReapplyAllState(device_, true);
    const std::vector<uint32_t> forced = frame();
    const auto third = tc::GetGlCounters(device_, tc::CounterSpan::LastFrame);
    tc::SetReapplyAllState(device_, false);
    ASSERT_FALSE(cached.empty());
    EXPECT_EQ(cached, forced);
    EXPECT_EQ(cached[0], 0xff0000u);
    EXPECT_EQ(cached[d.Width - 1], 0x00ff00u);
    // Re-applying everything issues more GL state calls than the cache lets through.
    EXPECT_GT(third.stateCalls, second.stateCalls);
    EXPECT_EQ(second.draws, 1u);
    back->Release();
}
