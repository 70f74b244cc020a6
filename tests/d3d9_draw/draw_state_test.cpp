// What the draw path sends to GL, and what it refuses: a repeated frame
// makes no state calls, the cache gives the same picture as re-applying
// everything, and bad draw arguments fail without drawing.
#include <cmath>
#include <cstring>

#include "draw_fixture.h"

using namespace drawtest;
namespace testctl = qrn::d3d9::testctl;

namespace {

void TexturedScene(IDirect3DDevice9* dev, IDirect3DTexture9* tex)
{
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    dev->SetRenderState(D3DRS_FOGENABLE, TRUE);
    dev->SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR);
    dev->SetTexture(0, tex);
    dev->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    dev->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    dev->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    for (int i = 0; i < 3; ++i) {
        const float x = -0.9f + 0.6f * i;
        const TexVertex v[3] = {{x, 0.5f, 0.2f * (float)i, 0xC0FFFFFF, 0, 0},
                                {x + 0.5f, 0.5f, 0.2f, 0xC0FF8080, 1, 0},
                                {x, -0.5f, 0.5f, 0x80FFFFFF, 0, 1}};
        dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, v, sizeof(TexVertex));
    }
}

std::vector<uint32_t> Checker()
{
    std::vector<uint32_t> px(64);
    for (int i = 0; i < 64; ++i) px[i] = ((i / 8 + i % 8) % 2) ? 0xFFFF8000u : 0x8000FF40u;
    return px;
}

}  // namespace

// A frame of draws repeated after a Present sends GL nothing but the rebind
// of the device's framebuffer (which Present left for the window's; the
// cache counts binds of framebuffers as state calls); repeated within a frame
// it sends nothing at all. The frame has no Clear: the device clears through
// a scissor box that the next draw has to switch off again.
TEST_F(DrawTest, RepeatedFrameMakesNoStateCalls)
{
    IDirect3DTexture9* tex = MakeTexture(8, 8, Checker());
    ASSERT_NE(tex, nullptr);
    auto counters = [&] { return testctl::GetGlCounters(dev_, testctl::CounterSpan::Total); };
    uint64_t stateCalls[2] = {}, programs[2] = {};
    for (int frame = 0; frame < 2; ++frame) {
        const auto before = counters();
        TexturedScene(dev_, tex);
        const auto after = counters();
        stateCalls[frame] = after.stateCalls - before.stateCalls;
        programs[frame] = after.programSwitches - before.programSwitches;
        EXPECT_EQ(after.draws - before.draws, 3u);
        dev_->EndScene();
        ASSERT_EQ(dev_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
        dev_->BeginScene();
    }
    EXPECT_GT(stateCalls[0], 10u);  // the first frame sets everything up
    EXPECT_LE(stateCalls[1], 1u);   // the framebuffer again
    EXPECT_EQ(programs[1], 0u);
    TexturedScene(dev_, tex);  // after the last Present: rebinds the framebuffer
    const auto before = counters();
    TexturedScene(dev_, tex);
    const auto after = counters();
    EXPECT_EQ(after.stateCalls - before.stateCalls, 0u);
    EXPECT_EQ(after.programSwitches - before.programSwitches, 0u);
    dev_->SetTexture(0, nullptr);
    tex->Release();
}

TEST_F(DrawTest, CachedStateGivesTheSamePictureAsReapplyingEverything)
{
    IDirect3DTexture9* tex = MakeTexture(8, 8, Checker());
    ASSERT_NE(tex, nullptr);
    Clear(0xFF203040);
    TexturedScene(dev_, tex);
    ColorQuad(-0.2f, -0.2f, 0.2f, 0.2f, 0.1f, 0x80FF00FF);
    const auto cached = ReadBack();
    testctl::SetReapplyAllState(dev_, true);
    const auto before = testctl::GetGlCounters(dev_, testctl::CounterSpan::Total);
    Clear(0xFF203040);
    TexturedScene(dev_, tex);
    ColorQuad(-0.2f, -0.2f, 0.2f, 0.2f, 0.1f, 0x80FF00FF);
    const auto after = testctl::GetGlCounters(dev_, testctl::CounterSpan::Total);
    const auto forced = ReadBack();
    testctl::SetReapplyAllState(dev_, false);
    ASSERT_FALSE(cached.empty());
    EXPECT_TRUE(cached == forced);
    EXPECT_GT(after.stateCalls - before.stateCalls, 40u);  // everything really went out again
    dev_->SetTexture(0, nullptr);
    tex->Release();
}

TEST_F(DrawTest, BadDrawArgumentsFailAndDrawNothing)
{
    dev_->SetRenderState(D3DRS_LIGHTING, FALSE);
    Clear(0xFF000000);
    const ColorVertex v[3] = {{-1, 1, 0.5f, 0xFFFFFFFF}, {1, 1, 0.5f, 0xFFFFFFFF}, {-1, -1, 0.5f, 0xFFFFFFFF}};
    dev_->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
    const auto before = testctl::GetGlCounters(dev_, testctl::CounterSpan::Total);
    EXPECT_EQ(dev_->DrawPrimitiveUP((D3DPRIMITIVETYPE)0, 1, v, sizeof(ColorVertex)), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev_->DrawPrimitiveUP((D3DPRIMITIVETYPE)7, 1, v, sizeof(ColorVertex)), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 0, v, sizeof(ColorVertex)), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, nullptr, sizeof(ColorVertex)), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, v, 0), D3DERR_INVALIDCALL);
    // No stream bound, no index buffer bound.
    EXPECT_EQ(dev_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 0, 1), D3DERR_INVALIDCALL);
    // Indices outside the stated vertex range, a bad index format, null indices.
    const WORD bad[3] = {0, 1, 7};
    EXPECT_EQ(dev_->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 3, 1, bad, D3DFMT_INDEX16, v, sizeof(ColorVertex)),
              D3DERR_INVALIDCALL);
    const WORD good[3] = {0, 1, 2};
    EXPECT_EQ(dev_->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 3, 1, good, D3DFMT_D16, v, sizeof(ColorVertex)),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(dev_->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 3, 1, nullptr, D3DFMT_INDEX16, v, sizeof(ColorVertex)),
              D3DERR_INVALIDCALL);
    // More user memory than the streaming ring can take in one piece.
    std::vector<ColorVertex> huge(3u << 20);
    EXPECT_EQ(dev_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1u << 20, huge.data(), sizeof(ColorVertex)), D3DERR_INVALIDCALL);
    const auto after = testctl::GetGlCounters(dev_, testctl::CounterSpan::Total);
    EXPECT_EQ(after.draws, before.draws);
    EXPECT_EQ(Pixel(16, 16), 0u);
    // The good one draws, and leaves stream 0 and the indices unbound.
    EXPECT_EQ(dev_->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 3, 1, good, D3DFMT_INDEX16, v, sizeof(ColorVertex)), D3D_OK);
    EXPECT_EQ(Pixel(16, 16), 0xFFFFFFu);
    IDirect3DVertexBuffer9* vb = reinterpret_cast<IDirect3DVertexBuffer9*>(1);
    UINT offset = 1, stride = 1;
    ASSERT_EQ(dev_->GetStreamSource(0, &vb, &offset, &stride), D3D_OK);
    EXPECT_EQ(vb, nullptr);
    IDirect3DIndexBuffer9* ib = reinterpret_cast<IDirect3DIndexBuffer9*>(1);
    ASSERT_EQ(dev_->GetIndices(&ib), D3D_OK);
    EXPECT_EQ(ib, nullptr);
    // A format the fixed-function path cannot draw (blend weights).
    dev_->SetFVF(D3DFVF_XYZB1 | D3DFVF_DIFFUSE);
    EXPECT_EQ(dev_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, v, 20), D3DERR_INVALIDCALL);
}

TEST_F(DrawTest, UserMemoryDrawsSurviveWrappingTheStreamingRing)
{
    // Many user-memory draws cycle the ring several times; every draw must
    // still show its own vertices.
    dev_->SetRenderState(D3DRS_LIGHTING, FALSE);
    dev_->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    std::vector<ColorVertex> big(60000);
    for (auto& v : big) v = {-2, -2, 0.5f, 0};  // degenerate filler
    for (int round = 0; round < 40; ++round) {
        const DWORD c = D3DCOLOR_XRGB(round * 6, 255 - round * 6, 128);
        const float y = 0.9f - 0.045f * round;
        big[0] = {-1, y, 0.5f, c};
        big[1] = {1, y, 0.5f, c};
        big[2] = {-1, y - 0.04f, 0.5f, c};
        dev_->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
        ASSERT_EQ(dev_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 20000, big.data(), sizeof(ColorVertex)), D3D_OK);
    }
    auto px = ReadBack();
    ASSERT_FALSE(px.empty());
    for (int round = 0; round < 40; round += 13) {
        const float middle = 0.9f - 0.045f * round - 0.02f;  // clip y inside the band
        const int row = (int)std::lround((1 - middle) * 32);
        const uint32_t want = D3DCOLOR_XRGB(round * 6, 255 - round * 6, 128) & 0xFFFFFF;
        EXPECT_EQ(px[(size_t)row * kSize + 2] & 0xFFFFFF, want) << "round " << round;
    }
}
