// What a person would see: a render target drawn into and then shown by a
// texture on a quad in the window.
#include "device_fixture.h"

#include "render/RenderTargetD3D9.h"
#include "render/TextureD3D9.h"

namespace devobj {
namespace {

using namespace qrn;

struct ColourVertex {
    float x, y, z;
    uint32_t colour;
};
struct TexturedVertex {
    float x, y, z;
    uint32_t colour;
    float u, v;
};

class PixelTest : public DeviceTest {
protected:
    void SetUp() override
    {
        DeviceTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        UseClipSpace();
    }
};

TEST_F(PixelTest, RenderTargetDrawnIntoIsShownByATexture)
{
    ASSERT_TRUE(m_pDevice->CanRenderToTexture()) << "the device offers no render-target format";
    auto* target = Make<IRenderTarget>(OBJECTTYPE_RENDERTARGET);
    ASSERT_TRUE(target->Create(64, 64));

    // Into the target: green everywhere, a red band over its upper half.
    m_pDevice->SetClearColor(0, 255, 0);
    ASSERT_TRUE(m_pDevice->BeginRendering(false, false, false));
    ASSERT_TRUE(target->Activate());
    m_pDevice->Clear(true, true, false);
    const uint32_t red = 0xFFFF0000;
    const ColourVertex band[6] = {{-1, 0, 0.5f, red}, {-1, 1, 0.5f, red}, {1, 1, 0.5f, red},
                                  {-1, 0, 0.5f, red}, {1, 1, 0.5f, red},  {1, 0, 0.5f, red}};
    m_pDevice->SetTexturing(false);
    ASSERT_TRUE(m_pDevice->DrawUserPrimitives(band, 6, VERTEXFORMAT_XYZ_DIFFUSE));
    m_pDevice->SetTexturing(true);
    ASSERT_TRUE(target->Deactivate());

    // Into the window: blue, with the target's picture on the left half.
    m_pDevice->SetClearColor(0, 0, 255);
    m_pDevice->Clear(true, true, false);
    auto* texture = Make<ITexture>(OBJECTTYPE_TEXTURE);
    ASSERT_TRUE(texture->SetRenderTarget(target));
    texture->SetFilter(1, 1, 0);
    texture->SetAddressMode(2, 2);
    ASSERT_TRUE(texture->Apply(0, 0, 0, 0));  // texture colour only
    const uint32_t white = 0xFFFFFFFF;
    const TexturedVertex quad[6] = {
        {-1, -1, 0.5f, white, 0, 1}, {-1, 1, 0.5f, white, 0, 0}, {0, 1, 0.5f, white, 1, 0},
        {-1, -1, 0.5f, white, 0, 1}, {0, 1, 0.5f, white, 1, 0},  {0, -1, 0.5f, white, 1, 1}};
    ASSERT_TRUE(m_pDevice->DrawUserPrimitives(quad, 6, VERTEXFORMAT_XYZ_DIFFUSE_TEX1));
    m_pDevice->EndRendering(false);

    unsigned w = 0, h = 0;
    const std::vector<uint32_t> px = ReadBack(&w, &h);
    ASSERT_EQ(w, unsigned(kWindowWidth));
    ASSERT_EQ(h, unsigned(kWindowHeight));
    auto at = [&](unsigned x, unsigned y) { return px[y * w + x] | 0xFF000000u; };
    EXPECT_EQ(at(40, 20), 0xFFFF0000u);   // upper left: the red band
    EXPECT_EQ(at(40, 100), 0xFF00FF00u);  // lower left: the target's green
    EXPECT_EQ(at(120, 20), 0xFF0000FFu);  // right half: the window's blue
    EXPECT_EQ(at(120, 100), 0xFF0000FFu);
}

}  // namespace
}  // namespace devobj
