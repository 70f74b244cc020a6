// The state setters and draw operations of the render device, checked
// through what the Direct3D device reports it was told.
#include <vector>

#include "device_fixture.h"

namespace qrn::test {
namespace {

class StatesTest : public DeviceTest {
protected:
    void SetUp() override
    {
        DeviceTest::SetUp();
        if (HasFatalFailure()) return;
        InitWindowed();
    }
};

TEST_F(StatesTest, AdditiveBlendingSetsItsBlendFactorsAndOverridesMaterials)
{
    m_device->SetAdditiveBlending(true, false);
    EXPECT_EQ(RenderState(D3DRS_ALPHABLENDENABLE), static_cast<DWORD>(TRUE));
    EXPECT_EQ(RenderState(D3DRS_SRCBLEND), static_cast<DWORD>(D3DBLEND_ONE));
    EXPECT_EQ(RenderState(D3DRS_DESTBLEND), static_cast<DWORD>(D3DBLEND_ONE));
    EXPECT_EQ(StageState(0, D3DTSS_ALPHAOP), static_cast<DWORD>(D3DTOP_SELECTARG1));
    EXPECT_EQ(RenderState(D3DRS_ALPHATESTENABLE), static_cast<DWORD>(FALSE));
    EXPECT_TRUE(m_device->IsBlendingOverridden());

    m_device->SetAdditiveBlending(true, true);
    EXPECT_EQ(RenderState(D3DRS_SRCBLEND), static_cast<DWORD>(D3DBLEND_ZERO));
    EXPECT_EQ(RenderState(D3DRS_DESTBLEND), static_cast<DWORD>(D3DBLEND_SRCCOLOR));

    m_device->SetAdditiveBlending(false, true);
    EXPECT_EQ(RenderState(D3DRS_ALPHABLENDENABLE), static_cast<DWORD>(FALSE));
    EXPECT_EQ(RenderState(D3DRS_SRCBLEND), static_cast<DWORD>(D3DBLEND_ONE));
    EXPECT_EQ(RenderState(D3DRS_DESTBLEND), static_cast<DWORD>(D3DBLEND_ZERO));
    EXPECT_FALSE(m_device->IsBlendingOverridden());
}

TEST_F(StatesTest, ColorWriteOffBlendsNothingIntoTheTarget)
{
    D3D()->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    m_device->SetColorWrite(false);
    EXPECT_EQ(RenderState(D3DRS_ALPHABLENDENABLE), static_cast<DWORD>(TRUE));
    EXPECT_EQ(RenderState(D3DRS_SRCBLEND), static_cast<DWORD>(D3DBLEND_ZERO));
    EXPECT_EQ(RenderState(D3DRS_DESTBLEND), static_cast<DWORD>(D3DBLEND_ONE));
    EXPECT_EQ(StageState(0, D3DTSS_ALPHAOP), static_cast<DWORD>(D3DTOP_SELECTARG1));
    EXPECT_EQ(RenderState(D3DRS_ALPHATESTENABLE), static_cast<DWORD>(FALSE));
    EXPECT_TRUE(m_device->IsBlendingOverridden());

    m_device->SetColorWrite(true);
    EXPECT_EQ(RenderState(D3DRS_ALPHABLENDENABLE), static_cast<DWORD>(FALSE));
    EXPECT_EQ(RenderState(D3DRS_SRCBLEND), static_cast<DWORD>(D3DBLEND_ONE));
    EXPECT_EQ(RenderState(D3DRS_DESTBLEND), static_cast<DWORD>(D3DBLEND_ZERO));
    EXPECT_FALSE(m_device->IsBlendingOverridden());
}

TEST_F(StatesTest, DepthBufferModes)
{
    m_device->SetDepthBufferMode(0);
    EXPECT_EQ(RenderState(D3DRS_ZENABLE), static_cast<DWORD>(FALSE));
    EXPECT_EQ(RenderState(D3DRS_ZWRITEENABLE), static_cast<DWORD>(FALSE));
    m_device->SetDepthBufferMode(2);
    EXPECT_EQ(RenderState(D3DRS_ZENABLE), static_cast<DWORD>(TRUE));
    EXPECT_EQ(RenderState(D3DRS_ZWRITEENABLE), static_cast<DWORD>(FALSE));
    m_device->SetDepthBufferMode(3);  // unknown: unchanged
    m_device->SetDepthBufferMode(-1);
    EXPECT_EQ(RenderState(D3DRS_ZENABLE), static_cast<DWORD>(TRUE));
    EXPECT_EQ(RenderState(D3DRS_ZWRITEENABLE), static_cast<DWORD>(FALSE));
    m_device->SetDepthBufferMode(1);
    EXPECT_EQ(RenderState(D3DRS_ZWRITEENABLE), static_cast<DWORD>(TRUE));
}

TEST_F(StatesTest, WireframeAndTexturingSwitches)
{
    m_device->SetWireframe(true);
    EXPECT_TRUE(m_device->IsWireframe());
    EXPECT_EQ(RenderState(D3DRS_FILLMODE), static_cast<DWORD>(D3DFILL_WIREFRAME));
    m_device->SetWireframe(false);
    EXPECT_EQ(RenderState(D3DRS_FILLMODE), static_cast<DWORD>(D3DFILL_SOLID));

    // Turning texturing off removes stage 0's texture and disables stage 1;
    // turning it on only records the flag.
    IDirect3DTexture9* tex = nullptr;
    ASSERT_EQ(D3D()->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex, nullptr), D3D_OK);
    ASSERT_EQ(D3D()->SetTexture(0, tex), D3D_OK);
    D3D()->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
    m_device->SetTexturing(false);
    EXPECT_FALSE(m_device->IsTexturingEnabled());
    IDirect3DBaseTexture9* bound = reinterpret_cast<IDirect3DBaseTexture9*>(1);
    ASSERT_EQ(D3D()->GetTexture(0, &bound), D3D_OK);
    EXPECT_EQ(bound, nullptr);
    EXPECT_EQ(StageState(1, D3DTSS_COLOROP), static_cast<DWORD>(D3DTOP_DISABLE));

    D3D()->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
    m_device->SetTexturing(true);
    EXPECT_TRUE(m_device->IsTexturingEnabled());
    EXPECT_EQ(StageState(1, D3DTSS_COLOROP), static_cast<DWORD>(D3DTOP_MODULATE));
    tex->Release();
}

TEST_F(StatesTest, LightsAreCopiedEnabledAndLightingSwitchedOn)
{
    SLight light{};
    light.type = 2;  // anything but 0 and 1 is a spot
    light.ambient[0] = 0.1f;
    light.diffuse[1] = 0.5f;
    light.specular[2] = 0.25f;
    light.position = Vector4(1.0f, 2.0f, 3.0f, 9.0f);
    light.direction = Vector4(0.0f, -1.0f, 0.0f, 9.0f);
    light.range = 100.0f;
    light.falloff = 1.5f;
    light.attenuation0 = 1.0f;
    light.attenuation1 = 0.1f;
    light.attenuation2 = 0.01f;
    light.theta = 0.3f;
    light.phi = 0.6f;
    D3D()->SetRenderState(D3DRS_LIGHTING, FALSE);
    m_device->SetLight(3, &light);

    D3DLIGHT9 got{};
    ASSERT_EQ(D3D()->GetLight(3, &got), D3D_OK);
    EXPECT_EQ(got.Type, D3DLIGHT_SPOT);
    EXPECT_FLOAT_EQ(got.Ambient.r, 0.1f);
    EXPECT_FLOAT_EQ(got.Ambient.a, 1.0f);
    EXPECT_FLOAT_EQ(got.Diffuse.g, 0.5f);
    EXPECT_FLOAT_EQ(got.Diffuse.a, 1.0f);
    EXPECT_FLOAT_EQ(got.Specular.b, 0.25f);
    EXPECT_FLOAT_EQ(got.Position.z, 3.0f);
    EXPECT_FLOAT_EQ(got.Direction.y, -1.0f);
    EXPECT_FLOAT_EQ(got.Range, 100.0f);
    EXPECT_FLOAT_EQ(got.Falloff, 1.5f);
    EXPECT_FLOAT_EQ(got.Attenuation1, 0.1f);
    EXPECT_FLOAT_EQ(got.Attenuation2, 0.01f);
    EXPECT_FLOAT_EQ(got.Theta, 0.3f);
    EXPECT_FLOAT_EQ(got.Phi, 0.6f);
    BOOL enabled = FALSE;
    ASSERT_EQ(D3D()->GetLightEnable(3, &enabled), D3D_OK);
    EXPECT_TRUE(enabled);
    EXPECT_EQ(RenderState(D3DRS_LIGHTING), static_cast<DWORD>(TRUE));

    light.type = 0;
    m_device->SetLight(0, &light);
    ASSERT_EQ(D3D()->GetLight(0, &got), D3D_OK);
    EXPECT_EQ(got.Type, D3DLIGHT_DIRECTIONAL);
    light.type = 1;
    m_device->SetLight(1, &light);
    ASSERT_EQ(D3D()->GetLight(1, &got), D3D_OK);
    EXPECT_EQ(got.Type, D3DLIGHT_POINT);

    // A null light only disables that light.
    D3D()->SetRenderState(D3DRS_LIGHTING, FALSE);
    m_device->SetLight(3, nullptr);
    ASSERT_EQ(D3D()->GetLightEnable(3, &enabled), D3D_OK);
    EXPECT_FALSE(enabled);
    EXPECT_EQ(RenderState(D3DRS_LIGHTING), static_cast<DWORD>(FALSE));
    ASSERT_EQ(D3D()->GetLightEnable(0, &enabled), D3D_OK);
    EXPECT_TRUE(enabled);

    // Index 8 and above are ignored.
    m_device->SetLight(8, &light);
    m_device->SetLight(8, nullptr);
    EXPECT_EQ(RenderState(D3DRS_LIGHTING), static_cast<DWORD>(FALSE));
    EXPECT_NE(D3D()->GetLightEnable(8, &enabled), D3D_OK);
}

TEST_F(StatesTest, FogUsesTableFogWhenAvailable)
{
    ASSERT_TRUE(m_device->HasTableFog());
    m_device->SetFog(0xFF336699u, 0.02f);
    EXPECT_EQ(RenderState(D3DRS_FOGENABLE), static_cast<DWORD>(TRUE));
    EXPECT_EQ(RenderState(D3DRS_FOGCOLOR), 0xFF336699u);
    EXPECT_EQ(RenderState(D3DRS_FOGTABLEMODE), static_cast<DWORD>(D3DFOG_EXP));
    EXPECT_EQ(RenderState(D3DRS_FOGVERTEXMODE), static_cast<DWORD>(D3DFOG_NONE));
    EXPECT_FLOAT_EQ(Bits2Float(RenderState(D3DRS_FOGDENSITY)), 0.02f);

    m_device->SetFog(0xFF336699u, 0.0f);
    EXPECT_EQ(RenderState(D3DRS_FOGENABLE), static_cast<DWORD>(FALSE));
    m_device->SetFog(0xFF336699u, 0.5f);
    m_device->SetFog(0xFF336699u, -1.0f);
    EXPECT_EQ(RenderState(D3DRS_FOGENABLE), static_cast<DWORD>(FALSE));
    m_device->SetFog(0xFF336699u, 0.5f);
    m_device->SetFog(0xFF336699u, std::nanf(""));
    EXPECT_EQ(RenderState(D3DRS_FOGENABLE), static_cast<DWORD>(FALSE));
}

TEST_F(StatesTest, AmbientLightTruncatesEachChannel)
{
    m_device->SetAmbientLight(1.0f, 0.5f, 0.0f);
    EXPECT_EQ(RenderState(D3DRS_AMBIENT), 0xFFFF7F00u);
    float c4[4] = {};
    ASSERT_EQ(D3D()->GetVertexShaderConstantF(4, c4, 1), D3D_OK);
    EXPECT_FLOAT_EQ(c4[0], 1.0f);
    EXPECT_FLOAT_EQ(c4[1], 0.5f);
    EXPECT_FLOAT_EQ(c4[2], 0.0f);
    EXPECT_FLOAT_EQ(c4[3], 1.0f);

    // Out-of-range inputs keep the low 8 bits and never misbehave.
    m_device->SetAmbientLight(2.0f, -0.5f, 1e30f);
    EXPECT_EQ(RenderState(D3DRS_AMBIENT), 0xFF000000u | (510u & 0xFF) << 16 |
                                              (static_cast<DWORD>(-127) & 0xFF) << 8 | 0u);
    m_device->SetAmbientLight(std::nanf(""), 0.0f, 0.0f);
    EXPECT_EQ(RenderState(D3DRS_AMBIENT), 0xFF000000u);
}

TEST_F(StatesTest, CullModes)
{
    m_device->SetCullMode(0);
    EXPECT_EQ(RenderState(D3DRS_CULLMODE), static_cast<DWORD>(D3DCULL_CW));
    m_device->SetCullMode(2);
    EXPECT_EQ(RenderState(D3DRS_CULLMODE), static_cast<DWORD>(D3DCULL_NONE));
    m_device->SetCullMode(7);
    EXPECT_EQ(RenderState(D3DRS_CULLMODE), static_cast<DWORD>(D3DCULL_NONE));
    m_device->SetCullMode(1);
    EXPECT_EQ(RenderState(D3DRS_CULLMODE), static_cast<DWORD>(D3DCULL_CCW));
}

TEST_F(StatesTest, ClearColorIsOpaqueRgb)
{
    EXPECT_EQ(m_device->GetClearColor(), 0xFF000000u);
    m_device->SetClearColor(0, 0, 255);
    EXPECT_EQ(m_device->GetClearColor(), 0xFF0000FFu);
    m_device->SetClearColor(0x12, 0x34, 0x56);
    EXPECT_EQ(m_device->GetClearColor(), 0xFF123456u);
}

TEST_F(StatesTest, OrthographicProjectionIsOneUnitPerPixelFromTheLowerLeft)
{
    HWND window = MakeChild(m_top, 0, 0, 400, 300);
    ASSERT_TRUE(m_device->AddRenderWindow(window));
    m_device->SetProjection(true, 123.0f, 0.0f, 1.0f);
    const D3DMATRIX p = Transform(D3DTS_PROJECTION);
    // Row vector (x, y, z, 1) times p: x 0..400 -> -1..1, y 0..300 -> -1..1.
    auto clip = [&p](float x, float y, int axis) {
        return x * p.m[0][axis] + y * p.m[1][axis] + 0.5f * p.m[2][axis] + p.m[3][axis];
    };
    EXPECT_NEAR(clip(0.0f, 0.0f, 0), -1.0f, 1e-5f);
    EXPECT_NEAR(clip(400.0f, 0.0f, 0), 1.0f, 1e-5f);
    EXPECT_NEAR(clip(0.0f, 0.0f, 1), -1.0f, 1e-5f);
    EXPECT_NEAR(clip(0.0f, 300.0f, 1), 1.0f, 1e-5f);
    EXPECT_TRUE(m_device->IsOrthographic());
    EXPECT_FLOAT_EQ(m_device->GetFieldOfView(), 123.0f);

    m_device->SetProjection(false, 1.2f, 0.5f, 50.0f);
    ExpectMatrixNear(Transform(D3DTS_PROJECTION), Perspective(1.2f, 400.0f, 300.0f, 0.5f, 50.0f));
}

TEST_F(StatesTest, WorldAndViewMatricesAreCopiedRowMajorAndNullIsIdentity)
{
    Matrix4x4 m;
    m.SetTranslation(1.0f, 2.0f, 3.0f, true);
    m.Set_12(0.5f);
    m_device->SetWorldMatrix(&m);
    D3DMATRIX w = Transform(D3DTS_WORLD);
    EXPECT_FLOAT_EQ(w._41, 1.0f);
    EXPECT_FLOAT_EQ(w._42, 2.0f);
    EXPECT_FLOAT_EQ(w._43, 3.0f);
    EXPECT_FLOAT_EQ(w._12, 0.5f);
    ExpectMatrixNear(m_device->GetWorldMatrix(), w, 0.0f);

    m_device->SetViewMatrix(&m);
    ExpectMatrixNear(Transform(D3DTS_VIEW), w, 0.0f);
    m_device->SetViewMatrix(nullptr);
    m_device->SetWorldMatrix(nullptr);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    ExpectMatrixNear(Transform(D3DTS_VIEW), identity, 0.0f);
    ExpectMatrixNear(Transform(D3DTS_WORLD), identity, 0.0f);
    ExpectMatrixNear(m_device->GetViewMatrix(), identity, 0.0f);
}

TEST_F(StatesTest, UserPrimitiveDrawsCheckFormatAndPrimitiveType)
{
    // Room for 8 vertices of the widest format.
    float v[8 * 10] = {};
    const std::uint16_t idx[6] = {0, 1, 2, 2, 1, 3};
    ASSERT_TRUE(m_device->BeginRendering(true, true, false));

    // No code for format 9 without a vertex shader, nor for garbage.
    EXPECT_FALSE(m_device->DrawUserPrimitives(v, 3, 9));
    EXPECT_FALSE(m_device->DrawUserPrimitives(v, 3, -4));
    EXPECT_FALSE(m_device->DrawUserPrimitives(nullptr, 3, 1));
    EXPECT_FALSE(m_device->DrawIndexedUserPrimitives(v, 4, 1, nullptr, 6));

    // A coloured format is drawn unlit, lighting is switched on again after.
    D3D()->SetRenderState(D3DRS_LIGHTING, FALSE);
    EXPECT_TRUE(m_device->DrawUserPrimitives(v, 8, VERTEXFORMAT_XYZ_DIFFUSE));
    DWORD fvf = 0;
    ASSERT_EQ(D3D()->GetFVF(&fvf), D3D_OK);
    EXPECT_EQ(fvf, static_cast<DWORD>(D3DFVF_XYZ | D3DFVF_DIFFUSE));
    EXPECT_EQ(RenderState(D3DRS_LIGHTING), static_cast<DWORD>(TRUE));
    EXPECT_TRUE(m_device->DrawIndexedUserPrimitives(v, 4, VERTEXFORMAT_XYZ_DIFFUSE, idx, 6));

    // Point sprites: the sprite states are switched off again after drawing;
    // indexed sprites and points are refused.
    m_device->SetPrimitiveType(PRIMITIVE_POINTSPRITES);
    m_device->SetPointSize(4.0f);
    EXPECT_TRUE(m_device->DrawUserPrimitives(v, 8, VERTEXFORMAT_XYZ_PSIZE_DIFFUSE));
    EXPECT_EQ(RenderState(D3DRS_POINTSPRITEENABLE), static_cast<DWORD>(FALSE));
    EXPECT_EQ(RenderState(D3DRS_POINTSCALEENABLE), static_cast<DWORD>(FALSE));
    EXPECT_FLOAT_EQ(Bits2Float(RenderState(D3DRS_POINTSIZE)), 4.0f);
    EXPECT_FLOAT_EQ(Bits2Float(RenderState(D3DRS_POINTSIZE_MIN)), 1.0f);
    EXPECT_FLOAT_EQ(Bits2Float(RenderState(D3DRS_POINTSCALE_A)), 0.0f);
    EXPECT_FLOAT_EQ(Bits2Float(RenderState(D3DRS_POINTSCALE_B)), 0.0f);
    EXPECT_FLOAT_EQ(Bits2Float(RenderState(D3DRS_POINTSCALE_C)), 1.0f);
    EXPECT_FALSE(m_device->DrawIndexedUserPrimitives(v, 4, VERTEXFORMAT_XYZ_DIFFUSE, idx, 6));
    m_device->SetPrimitiveType(PRIMITIVE_POINTLIST);
    EXPECT_FALSE(m_device->DrawIndexedUserPrimitives(v, 4, VERTEXFORMAT_XYZ_DIFFUSE, idx, 6));
    // Lit format: lighting on, and it stays on.
    m_device->SetPrimitiveType(PRIMITIVE_LINELIST);
    EXPECT_TRUE(m_device->DrawUserPrimitives(v, 4, VERTEXFORMAT_XYZ));
    EXPECT_EQ(RenderState(D3DRS_LIGHTING), static_cast<DWORD>(TRUE));
    m_device->SetPrimitiveType(9);
    EXPECT_FALSE(m_device->DrawUserPrimitives(v, 4, VERTEXFORMAT_XYZ));

    m_device->EndRendering(false);
}

TEST_F(StatesTest, TriangleListsDrawWholeTrianglesOnly)
{
    // Exactly 8 vertices on the heap: 2 triangles; a third would read past
    // the end (caught by the sanitiser build).
    std::vector<float> v(8 * 4, 0.0f);
    ASSERT_TRUE(m_device->BeginRendering(true, true, false));
    EXPECT_TRUE(m_device->DrawUserPrimitives(v.data(), 8, VERTEXFORMAT_XYZ_DIFFUSE));
    m_device->SetPrimitiveType(PRIMITIVE_LINELIST);
    EXPECT_TRUE(m_device->DrawUserPrimitives(v.data(), 7, VERTEXFORMAT_XYZ_DIFFUSE));
    m_device->EndRendering(false);
}

TEST_F(StatesTest, BufferDrawsNeedBoundBuffers)
{
    EXPECT_FALSE(m_device->Draw());
    EXPECT_FALSE(m_device->DrawIndexed());
}

TEST(VertexFormats, CodesAndStrides)
{
    const unsigned strides[] = {12, 16, 24, 32, 20, 24, 32, 40, 28};
    for (int f = 0; f <= 8; ++f) {
        EXPECT_EQ(CRenderDeviceD3D9::VertexFormatStride(f), strides[f]) << f;
        EXPECT_NE(CRenderDeviceD3D9::VertexFormatCode(f), 0u) << f;
    }
    EXPECT_EQ(CRenderDeviceD3D9::VertexFormatCode(4),
              static_cast<DWORD>(D3DFVF_XYZ | D3DFVF_PSIZE | D3DFVF_DIFFUSE));
    EXPECT_EQ(CRenderDeviceD3D9::VertexFormatCode(7),
              static_cast<DWORD>(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX2));
    // Formats 9 and 10 (with binormals) have a stride for vertex shaders but
    // no flexible format code.
    EXPECT_EQ(CRenderDeviceD3D9::VertexFormatStride(9), 44u);
    EXPECT_EQ(CRenderDeviceD3D9::VertexFormatStride(10), 52u);
    for (int f : {9, 10, -1, 100}) EXPECT_EQ(CRenderDeviceD3D9::VertexFormatCode(f), 0u);
    for (int f : {-1, 11, 100}) EXPECT_EQ(CRenderDeviceD3D9::VertexFormatStride(f), 0u);
    EXPECT_TRUE(CRenderDeviceD3D9::VertexFormatHasColor(4));
    EXPECT_FALSE(CRenderDeviceD3D9::VertexFormatHasColor(8));
}

TEST(DepthStencilCandidates, OrderDependsOnTheStencilRequest)
{
    unsigned n = 0;
    const D3DFORMAT* c = CRenderDeviceD3D9::DepthStencilCandidates(0, &n);
    ASSERT_EQ(n, 3u);
    EXPECT_EQ(c[0], D3DFMT_D32);
    EXPECT_EQ(c[2], D3DFMT_D16);
    c = CRenderDeviceD3D9::DepthStencilCandidates(3, &n);
    ASSERT_EQ(n, 4u);
    EXPECT_EQ(c[0], D3DFMT_D15S1);
    c = CRenderDeviceD3D9::DepthStencilCandidates(4, &n);
    ASSERT_EQ(n, 5u);
    EXPECT_EQ(c[0], D3DFMT_D24X4S4);
    c = CRenderDeviceD3D9::DepthStencilCandidates(200, &n);
    ASSERT_EQ(n, 6u);
    EXPECT_EQ(c[0], D3DFMT_D24S8);
    EXPECT_EQ(c[1], D3DFMT_D24X4S4);
    c = CRenderDeviceD3D9::DepthStencilCandidates(-5, &n);
    EXPECT_EQ(n, 3u);
}

} // namespace
} // namespace qrn::test
