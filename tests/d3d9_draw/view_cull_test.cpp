// Draws from the device's buffers that lie wholly outside the view are
// skipped before GL; these check that nothing visible is ever skipped: a
// rewritten buffer is looked at again, a shape whose corners lie on
// different sides is drawn, and indices that leave the stated vertex range
// count with the vertices they name.
#include <cstring>

#include "draw_fixture.h"

using namespace drawtest;
namespace testctl = qrn::d3d9::testctl;

namespace {

constexpr DWORD kRed = 0xFFFF0000u;

uint64_t GlDraws(IDirect3DDevice9* dev) { return testctl::GetGlCounters(dev, testctl::CounterSpan::Total).draws; }

bool IsRed(uint32_t c) { return (c & 0xFFFFFFu) == 0xFF0000u; }

class ViewCullTest : public DrawTest {
protected:
    void SetUp() override
    {
        DrawTest::SetUp();
        dev_->SetRenderState(D3DRS_LIGHTING, FALSE);
        dev_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        dev_->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
        ASSERT_EQ(dev_->CreateVertexBuffer(6 * sizeof(ColorVertex), D3DUSAGE_WRITEONLY, D3DFVF_XYZ | D3DFVF_DIFFUSE,
                                           D3DPOOL_MANAGED, &vb_, nullptr),
                  D3D_OK);
        dev_->SetStreamSource(0, vb_, 0, sizeof(ColorVertex));
    }
    void TearDown() override
    {
        dev_->SetStreamSource(0, nullptr, 0, 0);
        dev_->SetIndices(nullptr);
        if (vb_) vb_->Release();
        DrawTest::TearDown();
    }
    void Fill(const ColorVertex (&v)[6])
    {
        void* p = nullptr;
        ASSERT_EQ(vb_->Lock(0, 0, &p, 0), D3D_OK);
        memcpy(p, v, sizeof v);
        vb_->Unlock();
    }
    // Two triangles covering x0..x1, y0..y1 in clip space.
    static void Quad(float x0, float y0, float x1, float y1, ColorVertex (&v)[6])
    {
        const ColorVertex q[6] = {{x0, y1, 0.5f, kRed}, {x1, y1, 0.5f, kRed}, {x1, y0, 0.5f, kRed},
                                  {x0, y1, 0.5f, kRed}, {x1, y0, 0.5f, kRed}, {x0, y0, 0.5f, kRed}};
        memcpy(v, q, sizeof q);
    }

    IDirect3DVertexBuffer9* vb_ = nullptr;
};

TEST_F(ViewCullTest, OffScreenDrawIsSkippedUntilTheBufferIsRewrittenIntoView)
{
    ColorVertex v[6];
    Quad(1.5f, -0.5f, 2.5f, 0.5f, v);  // wholly right of the view
    Fill(v);
    Clear(0xFF000000);
    uint64_t before = GlDraws(dev_);
    EXPECT_EQ(dev_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
    EXPECT_EQ(GlDraws(dev_), before);
    EXPECT_EQ(Pixel(32, 32) & 0xFFFFFFu, 0u);

    // The same buffer, same draw, now covering the window: drawn.
    Quad(-1, -1, 1, 1, v);
    Fill(v);
    before = GlDraws(dev_);
    EXPECT_EQ(dev_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
    EXPECT_EQ(GlDraws(dev_), before + 1);
    EXPECT_TRUE(IsRed(Pixel(32, 32)));
    EXPECT_TRUE(IsRed(Pixel(0, 0)));

    // Moved out again through the world matrix alone: skipped again.
    D3DMATRIX away = Identity();
    away._42 = -3.0f;
    dev_->SetTransform(D3DTS_WORLD, &away);
    Clear(0xFF000000);
    before = GlDraws(dev_);
    EXPECT_EQ(dev_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
    EXPECT_EQ(GlDraws(dev_), before);
    EXPECT_EQ(Pixel(32, 32) & 0xFFFFFFu, 0u);
}

TEST_F(ViewCullTest, ShapesWithEveryCornerOutsideButOnDifferentSidesAreDrawn)
{
    // One triangle far larger than the view, and a quad whose corners all
    // lie just beyond the four edges: both cover the middle.
    const ColorVertex v[6] = {{-4, -4, 0.5f, kRed}, {-4, 12, 0.5f, kRed}, {12, -4, 0.5f, kRed},
                              {0, 1.2f, 0.5f, kRed}, {1.2f, 0, 0.5f, kRed}, {0, -1.2f, 0.5f, kRed}};
    Fill(v);
    Clear(0xFF000000);
    EXPECT_EQ(dev_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
    EXPECT_TRUE(IsRed(Pixel(32, 32)));
    Clear(0xFF000000);
    EXPECT_EQ(dev_->DrawPrimitive(D3DPT_TRIANGLELIST, 3, 1), D3D_OK);
    EXPECT_TRUE(IsRed(Pixel(40, 32)));
}

TEST_F(ViewCullTest, IndicesOutsideTheStatedRangeCountWithTheVerticesTheyName)
{
    // Vertices 0..2 lie off screen, 3..5 cover it; the draw states the
    // range 0..2 but its indices name 3..5, which is what GL draws.
    const ColorVertex v[6] = {{5, 5, 0.5f, kRed},   {6, 5, 0.5f, kRed},   {6, 6, 0.5f, kRed},
                              {-4, -4, 0.5f, kRed}, {-4, 12, 0.5f, kRed}, {12, -4, 0.5f, kRed}};
    Fill(v);
    const WORD idx[6] = {0, 1, 2, 3, 4, 5};
    IDirect3DIndexBuffer9* ib = nullptr;
    ASSERT_EQ(dev_->CreateIndexBuffer(sizeof idx, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr),
              D3D_OK);
    void* p = nullptr;
    ASSERT_EQ(ib->Lock(0, 0, &p, 0), D3D_OK);
    memcpy(p, idx, sizeof idx);
    ib->Unlock();
    dev_->SetIndices(ib);
    Clear(0xFF000000);
    const uint64_t before = GlDraws(dev_);
    EXPECT_EQ(dev_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 0, 1), D3D_OK);  // names 0..2: skipped
    EXPECT_EQ(GlDraws(dev_), before);
    EXPECT_EQ(dev_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 3, 1), D3D_OK);  // names 3..5
    EXPECT_TRUE(IsRed(Pixel(32, 32)));
    dev_->SetIndices(nullptr);
    ib->Release();
}

TEST_F(ViewCullTest, BehindTheCameraIsSkippedAndAcrossTheNearPlaneIsDrawn)
{
    SetPerspective(1.0f, 1.0f, 100.0f);
    // Camera space: the view looks along +z from the origin.
    const ColorVertex v[6] = {{-1, -1, -5, kRed}, {-1, 1, -5, kRed}, {1, 0, -5, kRed},       // behind
                              {-20, -20, 0.5f, kRed}, {-20, 20, 10, kRed}, {20, 0, 10, kRed}};  // through the near plane
    Fill(v);
    Clear(0xFF000000);
    const uint64_t before = GlDraws(dev_);
    EXPECT_EQ(dev_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
    EXPECT_EQ(GlDraws(dev_), before);
    EXPECT_EQ(dev_->DrawPrimitive(D3DPT_TRIANGLELIST, 3, 1), D3D_OK);
    EXPECT_EQ(GlDraws(dev_), before + 1);
}

}  // namespace
