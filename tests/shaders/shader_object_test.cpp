// The engine's shader objects (types 8 and 9): profile ranks, loading from
// text and files, binding, the matrix and ambient feed, declarations.
#include <qrn_d3d9_testctl.h>

#include <cstdio>
#include <fstream>

#include "Shader.h"
#include "device_fixture.h"
#include "render/PixelShaderD3D9.h"
#include "render/VertexShaderD3D9.h"

namespace devobj {
namespace {

using namespace qrn;

const char* kVsAsm = "vs_1_1\ndcl_position v0\nm4x4 oPos, v0, c0\nmov oD0, c4\n";
const char* kPsAsm = "ps_1_1\nmov r0, v0\n";
const char* kPsHlsl = "float4 PixelShaderMain(float4 c : COLOR0) : COLOR0 { return c; }\n";
const char* kVsHlsl =
    "float4x4 wvp : register(c0);\n"
    "float4 VertexShaderMain(float4 p : POSITION) : POSITION { return mul(p, wvp); }\n";

class ShaderObjectTest : public DeviceTest {
protected:
    void TearDown() override
    {
        DeviceTest::TearDown();
        d3d9::testctl::ResetAll();
    }
    // A device whose capabilities report these shader versions.
    void Remake(DWORD vs, DWORD ps)
    {
        DeviceTest::TearDown();
        d3d9::testctl::SetShaderVersions(vs, ps);
        DeviceTest::SetUp();
    }
};

TEST_F(ShaderObjectTest, ProfileRanksBoundWhatMayBeLoaded)
{
    Remake(D3DVS_VERSION(2, 0), D3DPS_VERSION(1, 4));
    if (IsSkipped() || HasFatalFailure()) return;
    EXPECT_STREQ(D3DXGetPixelShaderProfile(D3D()), "ps_1_4");
    EXPECT_STREQ(D3DXGetVertexShaderProfile(D3D()), "vs_2_0");

    auto* ps = Make<IPixelShader>(OBJECTTYPE_PIXELSHADER);
    ASSERT_NE(ps, nullptr);
    ASSERT_TRUE(ps->Load(kPsHlsl, true, 3, false));  // ps_1_4
    IDirect3DPixelShader9* held = static_cast<CPixelShaderD3D9*>(ps)->GetD3DShader();
    ASSERT_NE(held, nullptr);
    // Above the device's rank: refused, the shader held stays.
    EXPECT_FALSE(ps->Load(kPsHlsl, true, 4, false));
    EXPECT_FALSE(ps->Load(kPsHlsl, true, 6, false));
    EXPECT_EQ(static_cast<CPixelShaderD3D9*>(ps)->GetD3DShader(), held);
    // A failure after the release leaves no shader.
    EXPECT_FALSE(ps->Load("ps_1_1\nbogus r0\n", false, 0, false));
    EXPECT_EQ(static_cast<CPixelShaderD3D9*>(ps)->GetD3DShader(), nullptr);
    EXPECT_FALSE(ps->Apply());

    auto* vs = Make<IVertexShader>(OBJECTTYPE_VERTEXSHADER);
    EXPECT_TRUE(vs->Load(kVsHlsl, true, 2, false));   // vs_2_0
    EXPECT_FALSE(vs->Load(kVsHlsl, true, 3, false));  // vs_2_a ranks above
    delete vs;
    delete ps;
}

TEST_F(ShaderObjectTest, NewerDeviceProfileAcceptsEveryValue)
{
    // vs_3_0 is not in the table: every value passes the rank check; value
    // 4 has no profile name, so only assembly can use it.
    auto* vs = Make<IVertexShader>(OBJECTTYPE_VERTEXSHADER);
    ASSERT_NE(vs, nullptr);
    for (int p = 0; p <= 3; ++p) EXPECT_TRUE(vs->Load(kVsHlsl, true, p, false)) << p;
    EXPECT_FALSE(vs->Load(kVsHlsl, true, 4, false));
    EXPECT_TRUE(vs->Load(kVsAsm, false, 4, false));

    // From a file, both kinds of source.
    const std::string asmFile = "shader_object_test.vsh", hlslFile = "shader_object_test.fx";
    std::ofstream(asmFile) << kVsAsm;
    std::ofstream(hlslFile) << kVsHlsl;
    EXPECT_TRUE(vs->Load(asmFile.c_str(), false, 0, true));
    EXPECT_TRUE(vs->Load(hlslFile.c_str(), true, 0, true));
    EXPECT_FALSE(vs->Load("no/such/shader.vsh", false, 0, true));
    std::remove(asmFile.c_str());
    std::remove(hlslFile.c_str());
    delete vs;
}

TEST_F(ShaderObjectTest, ApplyRemoveFeedAndDeclarations)
{
    auto* vs = Make<IVertexShader>(OBJECTTYPE_VERTEXSHADER);
    auto* ps = Make<IPixelShader>(OBJECTTYPE_PIXELSHADER);
    ASSERT_TRUE(vs->Load(kVsAsm, false, 0, false));
    ASSERT_TRUE(ps->Load(kPsAsm, false, 0, false));
    auto* cvs = static_cast<CVertexShaderD3D9*>(vs);

    ASSERT_TRUE(vs->Apply());
    EXPECT_EQ(m_pDevice->GetBoundVertexShader(), cvs);
    // A second Apply makes no Direct3D call: a shader cleared behind the
    // object's back stays cleared.
    D3D()->SetVertexShader(nullptr);
    EXPECT_TRUE(vs->Apply());
    IDirect3DVertexShader9* current = nullptr;
    D3D()->GetVertexShader(&current);
    EXPECT_EQ(current, nullptr);
    ASSERT_TRUE(vs->Remove());
    ASSERT_TRUE(vs->Apply());
    D3D()->GetVertexShader(&current);
    EXPECT_EQ(current, cvs->GetD3DShader());
    if (current) current->Release();

    // Declarations: formats 0 to 10, nothing beyond.
    EXPECT_FALSE(cvs->SetDeclarationForFormat(11));
    EXPECT_FALSE(cvs->SetDeclarationForFormat(-1));
    ASSERT_TRUE(cvs->SetDeclarationForFormat(10));
    IDirect3DVertexDeclaration9* decl = nullptr;
    ASSERT_EQ(D3D()->GetVertexDeclaration(&decl), D3D_OK);
    ASSERT_NE(decl, nullptr);
    D3DVERTEXELEMENT9 elems[MAXD3DDECLLENGTH + 1];
    UINT n = 0;
    decl->GetDeclaration(elems, &n);
    decl->Release();
    ASSERT_EQ(n, 6u);  // five elements and the end
    EXPECT_EQ(elems[2].Usage, D3DDECLUSAGE_BINORMAL);
    EXPECT_EQ(elems[4].Offset, 44);
    EXPECT_EQ(CRenderDeviceD3D9::VertexFormatStride(10), 52u);
    EXPECT_EQ(CRenderDeviceD3D9::VertexFormatStride(9), 44u);

    // The feed: c0..c3 transposed world x view x projection at a draw, c4
    // the ambient light.
    m_pDevice->SetWorldMatrix(nullptr);
    m_pDevice->SetViewMatrix(nullptr);
    m_pDevice->SetAmbientLight(0.25f, 0.5f, 0.75f);
    ASSERT_TRUE(m_pDevice->BeginRendering(true, true, false));
    const float tri[9] = {0, 0, 0.5f, 1, 0, 0.5f, 0, 1, 0.5f};
    EXPECT_TRUE(m_pDevice->DrawUserPrimitives(tri, 3, VERTEXFORMAT_XYZ));
    m_pDevice->EndRendering(false);
    float c[20];
    ASSERT_EQ(D3D()->GetVertexShaderConstantF(0, c, 5), D3D_OK);
    // World and view are the identity: the registers hold the projection's
    // columns as rows.
    const D3DMATRIX& proj = m_pDevice->GetProjectionMatrix();
    for (int r = 0; r < 4; ++r)
        for (int k = 0; k < 4; ++k) EXPECT_FLOAT_EQ(c[r * 4 + k], proj.m[k][r]) << r << k;
    EXPECT_FLOAT_EQ(c[16], 0.25f);
    EXPECT_FLOAT_EQ(c[19], 1.0f);
    DWORD fvf = 1;
    D3D()->GetFVF(&fvf);
    EXPECT_EQ(fvf, 0u);  // a declaration, not the FVF

    // Remove clears the declaration: the next draw uses the FVF again.
    ASSERT_TRUE(vs->Remove());
    EXPECT_EQ(m_pDevice->GetBoundVertexShader(), nullptr);
    ASSERT_EQ(D3D()->GetVertexDeclaration(&decl), D3D_OK);
    EXPECT_EQ(decl, nullptr);

    // Constants pass straight through.
    const int ints[4] = {1, 2, 3, 4};
    EXPECT_EQ(ps->SetConstantI(2, ints, 1), D3D_OK);
    EXPECT_EQ(ps->SetConstantF(300, c, 1), D3DERR_INVALIDCALL);
    int back[4] = {};
    D3D()->GetPixelShaderConstantI(2, back, 1);
    EXPECT_EQ(back[3], 4);

    // Deleting a bound shader unbinds it.
    ASSERT_TRUE(ps->Apply());
    delete ps;
    EXPECT_EQ(m_pDevice->GetBoundPixelShader(), nullptr);
    delete vs;
}

}  // namespace
}  // namespace devobj
