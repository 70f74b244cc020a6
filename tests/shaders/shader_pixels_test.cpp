// Shaders drawn: assembled or compiled programs of each profile family take
// constants in and give a colour out, read back from the back buffer.
#include <d3dx9.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "draw_fixture.h"

using namespace drawtest;

namespace {

class ShaderDraw : public DrawTest {
protected:
    void TearDown() override
    {
        if (dev_) {
            dev_->SetVertexShader(nullptr);
            dev_->SetPixelShader(nullptr);
        }
        if (vs_) vs_->Release();
        if (ps_) ps_->Release();
        vs_ = nullptr;
        ps_ = nullptr;
        DrawTest::TearDown();
    }

    // The code a D3DX call made; the test fails with its messages.
    static std::vector<DWORD> Code(HRESULT hr, ID3DXBuffer* code, ID3DXBuffer* errors)
    {
        const std::string msg = errors ? static_cast<const char*>(errors->GetBufferPointer()) : "";
        if (errors) errors->Release();
        EXPECT_EQ(hr, D3D_OK) << msg;
        if (!code) return {};
        const DWORD* p = static_cast<const DWORD*>(code->GetBufferPointer());
        std::vector<DWORD> out(p, p + code->GetBufferSize() / 4);
        code->Release();
        return out;
    }
    static std::vector<DWORD> Assemble(const std::string& text)
    {
        ID3DXBuffer* code = nullptr;
        ID3DXBuffer* errors = nullptr;
        const HRESULT hr = D3DXAssembleShader(text.c_str(), (UINT)text.size(), nullptr, nullptr, 0, &code, &errors);
        return Code(hr, code, errors);
    }
    static std::vector<DWORD> Compile(const std::string& text, const char* entry, const char* profile)
    {
        ID3DXBuffer* code = nullptr;
        ID3DXBuffer* errors = nullptr;
        const HRESULT hr = D3DXCompileShader(text.c_str(), (UINT)text.size(), nullptr, nullptr, entry, profile, 0,
                                             &code, &errors, nullptr);
        return Code(hr, code, errors);
    }

    void UseVertex(const std::vector<DWORD>& code)
    {
        if (vs_) vs_->Release(), vs_ = nullptr;
        ASSERT_FALSE(code.empty());
        ASSERT_EQ(dev_->CreateVertexShader(code.data(), &vs_), D3D_OK);
        ASSERT_EQ(dev_->SetVertexShader(vs_), D3D_OK);
    }
    void UsePixel(const std::vector<DWORD>& code)
    {
        if (ps_) ps_->Release(), ps_ = nullptr;
        ASSERT_FALSE(code.empty());
        ASSERT_EQ(dev_->CreatePixelShader(code.data(), &ps_), D3D_OK);
        ASSERT_EQ(dev_->SetPixelShader(ps_), D3D_OK);
    }

    // A quad over the whole target, XYZ | DIFFUSE | TEX1, u and v from 0 to 1.
    void FullQuad(D3DCOLOR c = 0xFFFFFFFF)
    {
        const TexVertex v[6] = {{-1, -1, 0.5f, c, 0, 1}, {-1, 1, 0.5f, c, 0, 0}, {1, 1, 0.5f, c, 1, 0},
                                {-1, -1, 0.5f, c, 0, 1}, {1, 1, 0.5f, c, 1, 0}, {1, -1, 0.5f, c, 1, 1}};
        dev_->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1);
        ASSERT_EQ(dev_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, v, sizeof(TexVertex)), D3D_OK);
    }

    void ExpectNear(uint32_t got, uint32_t want, int tol = 2)
    {
        const Rgb a = ToRgb(got), b = ToRgb(want);
        EXPECT_NEAR(a.r, b.r, tol) << std::hex << got << " vs " << want;
        EXPECT_NEAR(a.g, b.g, tol) << std::hex << got << " vs " << want;
        EXPECT_NEAR(a.b, b.b, tol) << std::hex << got << " vs " << want;
    }

    void SetPsF(UINT reg, float r, float g, float b, float a)
    {
        const float f[4] = {r, g, b, a};
        dev_->SetPixelShaderConstantF(reg, f, 1);
    }
    void SetVsF(UINT reg, float r, float g, float b, float a)
    {
        const float f[4] = {r, g, b, a};
        dev_->SetVertexShaderConstantF(reg, f, 1);
    }

    // Draws the full quad with a vertex and a pixel shader from assembly;
    // the colour at (x, y).
    uint32_t DrawAsm(const char* vs, const char* ps, int x = 32, int y = 32)
    {
        UseVertex(Assemble(vs));
        UsePixel(Assemble(ps));
        Clear(0);
        FullQuad();
        return Pixel(x, y);
    }

    // c0..c3 of the vertex shader: the identity (what m4x4 oPos, v0, c0 reads).
    void IdentityVsMatrix()
    {
        const D3DMATRIX m = Identity();
        dev_->SetVertexShaderConstantF(0, &m._11, 4);
    }

    IDirect3DVertexShader9* vs_ = nullptr;
    IDirect3DPixelShader9* ps_ = nullptr;
};

const char* kPassVs20 =
    "vs_2_0\n"
    "dcl_position v0\n"
    "dcl_color v1\n"
    "dcl_texcoord v2\n"
    "mov oPos, v0\n"
    "mov oD0, v1\n"
    "mov oT0, v2\n";

}  // namespace

TEST_F(ShaderDraw, Version2ArithmeticFromConstants)
{
    SetPsF(0, 1.0f, 1.0f, 0.5f, 1.0f);
    // def, mul, register and swizzle reads.
    ExpectNear(DrawAsm(kPassVs20, "ps_2_0\n"
                                  "def c1, 0.5, 0.25, 1.0, 1.0\n"
                                  "mul r0, c0, c1\n"
                                  "mov oC0, r0.zyxw\n"),
               0x804080);
    // rcp, rsq, mad, dp3, min, max, frc, lrp, pow, exp, log, cmp, dp2add.
    ExpectNear(DrawAsm(kPassVs20, "ps_2_0\n"
                                  "def c2, 4.0, 0.25, 0.5, 2.0\n"
                                  "def c3, -1.0, 1.25, 0.0, 3.0\n"
                                  "rcp r0.x, c2.x\n"            // 0.25
                                  "rsq r0.y, c2.x\n"            // 0.5
                                  "mad r0.z, c2.y, c2.w, c2.y\n"  // 0.75
                                  "mov oC0, r0\n"),
               0x4080BF);
    ExpectNear(DrawAsm(kPassVs20, "ps_2_0\n"
                                  "def c2, 4.0, 0.25, 0.5, 2.0\n"
                                  "def c3, -1.0, 1.25, 0.0, 3.0\n"
                                  "dp3 r1, c2, c3\n"            // -4 + 0.3125 + 0 = -3.6875
                                  "max r1, r1, c3.z\n"          // 0
                                  "frc r2, c3.y\n"              // 0.25
                                  "lrp r3, c2.z, c2.w, c3.z\n"  // mix(0, 2, 0.5) = 1
                                  "pow r4, c2.z, c2.w\n"        // 0.25
                                  "log r5, c2.x\n"              // 2
                                  "exp r6, c3.x\n"              // 0.5
                                  "cmp r7, c3.x, c2.w, c2.y\n"  // -1 < 0: 0.25
                                  "dp2add r8, c2.yz, c2.zy, c3.z\n"  // 0.125 + 0.125 = 0.25
                                  "add r0.x, r1.x, r2.x\n"      // 0.25
                                  "mul r0.y, r4.x, r5.x\n"      // 0.5
                                  "mul r0.z, r3.x, r6.x\n"      // 0.5
                                  "add r0.z, r0.z, r7.x\n"      // 0.75
                                  "add r0.z, r0.z, r8.x\n"      // 1.0
                                  "min r0.w, c2.w, c2.z\n"
                                  "mov oC0, r0\n"),
               0x4080FF);
    // slt / sge, abs and negation, saturation.
    ExpectNear(DrawAsm(kPassVs20, "ps_2_0\n"
                                  "def c2, 1.0, -0.5, 0.25, 2.0\n"
                                  "slt r0.x, c2.y, c2.z\n"       // 1
                                  "sge r0.y, c2.y, c2.z\n"       // 0
                                  "abs r1, c2.y\n"
                                  "add r0.z, r1.x, -c2.z\n"      // 0.25
                                  "mov_sat r0.w, c2.w\n"
                                  "mov oC0, r0\n"),
               0xFF0040);
}

TEST_F(ShaderDraw, Version1PairTransformsSamplesAndModifies)
{
    IDirect3DTexture9* tex = MakeTexture(1, 1, {0xFF8040FFu});  // (0.5, 0.25, 1.0)
    ASSERT_NE(tex, nullptr);
    dev_->SetTexture(0, tex);
    IdentityVsMatrix();
    const float white[4] = {1.0f, 1.0f, 0.5f, 1.0f};
    dev_->SetVertexShaderConstantF(5, white, 1);
    const char* vs = "vs_1_1\n"
                     "dcl_position v0\n"
                     "dcl_texcoord v2\n"
                     "m4x4 oPos, v0, c0\n"
                     "mov oD0, c5\n"
                     "mov oT0, v2\n";
    ExpectNear(DrawAsm(vs, "ps_1_1\n"
                           "tex t0\n"
                           "mul r0, t0, v0\n"),
               0x804080);
    // _x2 on the result, _bx2 and a co-issued alpha.
    SetPsF(0, 0.25f, 0.75f, -0.5f, 1.0f);
    ExpectNear(DrawAsm(vs, "ps_1_1\n"
                           "tex t0\n"
                           "add r0.rgb, t0_bx2, c0\n"     // (0, -0.5, 1) + c0 = (0.25, 0.25, 0.5)
                           "+mov r0.a, c0.a\n"),
               0x404080);
    ExpectNear(DrawAsm(vs, "ps_1_3\n"
                           "tex t0\n"
                           "mov_x2 r0, t0\n"),
               0xFF80FF);
    // vs_1_1 relative addressing: c[a0.x + 6] with a0.x = 1 reads c7.
    const float pick[8] = {1.0f, 0, 0, 0, 0.0f, 0.5f, 1.0f, 1.0f};
    dev_->SetVertexShaderConstantF(6, pick, 2);
    const float one[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    dev_->SetVertexShaderConstantF(8, one, 1);
    ExpectNear(DrawAsm("vs_1_1\n"
                       "dcl_position v0\n"
                       "m4x4 oPos, v0, c0\n"
                       "mov a0.x, c8.x\n"
                       "mov oD0, c[a0.x + 6]\n",
                       "ps_1_1\n"
                       "mov r0, v0\n"),
               0x0080FF);
    dev_->SetTexture(0, nullptr);
    tex->Release();
}

TEST_F(ShaderDraw, Version14PhasesAndDependentReads)
{
    // Left half of the texture red, right half blue.
    IDirect3DTexture9* tex = MakeTexture(2, 1, {0xFFFF0000u, 0xFF0000FFu});
    ASSERT_NE(tex, nullptr);
    dev_->SetTexture(0, tex);
    dev_->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    dev_->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    SetPsF(1, 0.0f, 1.0f, 0.0f, 1.0f);
    SetPsF(2, 1.0f, 1.0f, 0.0f, 1.0f);
    // cnd on the texture coordinate: green left of the middle, yellow right.
    const char* ps = "ps_1_4\n"
                     "def c0, 0.5, 0.5, 0.5, 0.5\n"
                     "texcrd r1.rgb, t0\n"
                     "cnd r0, r1.r, c2, c1\n";
    ExpectNear(DrawAsm(kPassVs20, ps, 8, 32), 0x00FF00);
    ExpectNear(Pixel(56, 32), 0xFFFF00);
    // Phase 2 samples at coordinates computed in phase 1 (x swapped: a
    // mirrored picture), then scales by a constant.
    SetPsF(3, 0.5f, 0.5f, 0.5f, 1.0f);
    const char* mirror = "ps_1_4\n"
                         "def c0, 1.0, 0.0, 0.0, 0.0\n"
                         "texcrd r1.rgb, t0\n"
                         "add r1.r, c0.r, -r1.r\n"
                         "phase\n"
                         "texld r0, r1\n"
                         "mul_x2 r0, r0, c3\n";
    ExpectNear(DrawAsm(kPassVs20, mirror, 8, 32), 0x0000FF);
    ExpectNear(Pixel(56, 32), 0xFF0000);
    dev_->SetTexture(0, nullptr);
    tex->Release();
}

TEST_F(ShaderDraw, Version3FlowControlAndIntegerAndBoolRegisters)
{
    // The vertex shader sums c20..c22 in a loop over i0 with aL-relative reads.
    const float sum[12] = {0.1f, 0, 0, 0, 0.1f, 0.2f, 0, 0, 0.1f, 0, 0.3f, 0};
    dev_->SetVertexShaderConstantF(20, sum, 3);
    const char* vs = "vs_3_0\n"
                     "dcl_position v0\n"
                     "dcl_position o0\n"
                     "dcl_texcoord0 o1\n"
                     "defi i0, 3, 20, 1, 0\n"
                     "mov o0, v0\n"
                     "mov r0, c10\n"
                     "loop aL, i0\n"
                     "  add r0, r0, c[aL]\n"
                     "endloop\n"
                     "mov o1, r0\n";
    const char* ps = "ps_3_0\n"
                     "dcl_texcoord0 v0\n"
                     "defb b1, false\n"
                     "mov r0, v0\n"            // (0.3, 0.2, 0.3)
                     "rep i1\n"
                     "  add r0.x, r0.x, c0.x\n"  // + 2 x 0.1 = 0.5
                     "endrep\n"
                     "if b0\n"
                     "  add r0.y, r0.y, c0.x\n"  // 0.3
                     "endif\n"
                     "if b1\n"
                     "  mov r0, c1\n"
                     "else\n"
                     "  add r0.z, r0.z, c0.y\n"  // 0.5
                     "endif\n"
                     "setp_gt p0, r0, c2\n"      // c2 = 0.4: p0 = (T, F, T, F)
                     "(p0.y) mov r0.y, c1.y\n"   // not taken
                     "(p0.z) mov r0.z, c2.z\n"   // 0.4
                     "if_lt r0.x, c2.w\n"        // 0.5 < 1: taken
                     "  call l0\n"
                     "endif\n"
                     "mov oC0, r0\n"
                     "ret\n"
                     "label l0\n"
                     "mul r0.x, r0.x, c0.w\n"    // x 1.5 = 0.75
                     "ret\n";
    SetPsF(0, 0.1f, 0.2f, 0.0f, 1.5f);
    SetPsF(1, 1.0f, 1.0f, 1.0f, 1.0f);
    SetPsF(2, 0.4f, 0.4f, 0.4f, 1.0f);
    const int reps[4] = {2, 0, 0, 0};
    dev_->SetPixelShaderConstantI(1, reps, 1);
    const BOOL on = TRUE;
    dev_->SetPixelShaderConstantB(0, &on, 1);
    ExpectNear(DrawAsm(vs, ps), 0xBF4D66);
    // The bool register turned off skips its block.
    const BOOL off = FALSE;
    dev_->SetPixelShaderConstantB(0, &off, 1);
    Clear(0);
    FullQuad();
    ExpectNear(Pixel(32, 32), 0xBF3366);
}

TEST_F(ShaderDraw, OneKindBoundLeavesTheOtherToFixedFunction)
{
    // A vertex shader alone: the fixed-function stages take its colour.
    SetVsF(5, 0.25f, 0.5f, 0.75f, 1.0f);
    UseVertex(Assemble("vs_2_0\ndcl_position v0\nmov oPos, v0\nmov oD0, c5\n"));
    Clear(0);
    FullQuad();
    ExpectNear(Pixel(32, 32), 0x4080BF);
    // A pixel shader alone: fixed-function vertices bring the coordinates.
    dev_->SetVertexShader(nullptr);
    const D3DMATRIX id = Identity();
    dev_->SetTransform(D3DTS_WORLD, &id);
    dev_->SetTransform(D3DTS_VIEW, &id);
    dev_->SetTransform(D3DTS_PROJECTION, &id);
    dev_->SetRenderState(D3DRS_LIGHTING, FALSE);
    UsePixel(Assemble("ps_2_0\ndcl t0.xy\ndcl v0\nmul r0, t0, v0\nmov oC0, r0\n"));
    Clear(0);
    FullQuad(0xFFFFFFFF);
    const Rgb left = ToRgb(Pixel(4, 32)), right = ToRgb(Pixel(60, 32));
    EXPECT_LT(left.r, 30);
    EXPECT_GT(right.r, 225);
    EXPECT_NEAR(left.g, 128, 6);
    // Unbound again: fixed function draws the vertex colour.
    dev_->SetPixelShader(nullptr);
    Clear(0);
    FullQuad(0xFF102030);
    ExpectNear(Pixel(32, 32), 0x102030);
}

TEST_F(ShaderDraw, AssemblyAndHighLevelShadersOfOneEffectDrawTheSamePixels)
{
    IDirect3DTexture9* tex = MakeTexture(2, 2, {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu});
    ASSERT_NE(tex, nullptr);
    dev_->SetTexture(0, tex);
    dev_->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    dev_->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    // Row-vector matrix: scale by 0.5, move right by 0.25; transposed into c0..c3.
    const float wvpT[16] = {0.5f, 0, 0, 0.25f, 0, 0.5f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    dev_->SetVertexShaderConstantF(0, wvpT, 4);
    SetVsF(5, 1.0f, 0.5f, 1.0f, 1.0f);

    UseVertex(Assemble("vs_2_0\n"
                       "dcl_position v0\n"
                       "dcl_color v1\n"
                       "dcl_texcoord v2\n"
                       "m4x4 oPos, v0, c0\n"
                       "mul oD0, v1, c5\n"
                       "mov oT0, v2\n"));
    UsePixel(Assemble("ps_2_0\n"
                      "dcl t0.xy\n"
                      "dcl v0\n"
                      "dcl_2d s0\n"
                      "texld r0, t0, s0\n"
                      "mul r0, r0, v0\n"
                      "mov oC0, r0\n"));
    Clear(0);
    FullQuad();
    const std::vector<uint32_t> asmPixels = ReadBack();

    const char* hlsl =
        "float4x4 wvp : register(c0);\n"
        "float4 tint : register(c5);\n"
        "sampler2D tex : register(s0);\n"
        "struct VOut { float4 pos : POSITION; float4 col : COLOR0; float2 uv : TEXCOORD0; };\n"
        "VOut VertexShaderMain(float4 pos : POSITION, float4 col : COLOR0, float2 uv : TEXCOORD0) {\n"
        "    VOut o;\n"
        "    o.pos = mul(pos, wvp);\n"
        "    o.col = col * tint;\n"
        "    o.uv = uv;\n"
        "    return o;\n"
        "}\n"
        "float4 PixelShaderMain(float4 col : COLOR0, float2 uv : TEXCOORD0) : COLOR0 {\n"
        "    return tex2D(tex, uv) * col;\n"
        "}\n";
    UseVertex(Compile(hlsl, "VertexShaderMain", "vs_2_0"));
    UsePixel(Compile(hlsl, "PixelShaderMain", "ps_2_0"));
    Clear(0);
    FullQuad();
    const std::vector<uint32_t> hlslPixels = ReadBack();
    ASSERT_EQ(asmPixels.size(), hlslPixels.size());
    int differing = 0;
    for (size_t i = 0; i < asmPixels.size(); ++i) {
        const Rgb a = ToRgb(asmPixels[i]), b = ToRgb(hlslPixels[i]);
        if (std::abs(a.r - b.r) > 1 || std::abs(a.g - b.g) > 1 || std::abs(a.b - b.b) > 1) ++differing;
    }
    EXPECT_EQ(differing, 0);
    // The quad covers x from -0.25 to 0.75 of clip space: pixels 24..55.
    EXPECT_EQ(asmPixels[32 * kSize + 10] & 0xFFFFFF, 0u);
    ExpectNear(asmPixels[20 * kSize + 30], 0xFF0000);  // red texel, the tint keeps red
    ExpectNear(asmPixels[20 * kSize + 50], 0x008000);                           // green texel, halved
    dev_->SetTexture(0, nullptr);
    tex->Release();
}

TEST_F(ShaderDraw, DeclarationInputsReachTheShaderBySemantic)
{
    // Position, binormal and a second coordinate set, as vertex format 9
    // lays them out: the shader finds each by its usage, not its order.
    const D3DVERTEXELEMENT9 elements[] = {
        {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
        {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_BINORMAL, 0},
        {0, 24, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 1},
        D3DDECL_END()};
    IDirect3DVertexDeclaration9* decl = nullptr;
    ASSERT_EQ(dev_->CreateVertexDeclaration(elements, &decl), D3D_OK);
    UseVertex(Assemble("vs_2_0\n"
                       "dcl_texcoord1 v7\n"
                       "dcl_binormal v3\n"
                       "dcl_position v0\n"
                       "mov oPos, v0\n"
                       "mov oD0.xyz, v3\n"
                       "mov oD0.w, v7.y\n"
                       "add oD0.z, v3.z, v7.x\n"));
    UsePixel(Assemble("ps_2_0\ndcl v0\nmov oC0, v0\n"));
    ASSERT_EQ(dev_->SetVertexDeclaration(decl), D3D_OK);
    struct V {
        float x, y, z, bx, by, bz, u, v;
    };
    const V q[6] = {{-1, -1, 0.5f, 0.25f, 0.5f, 0.5f, 0.25f, 1}, {-1, 1, 0.5f, 0.25f, 0.5f, 0.5f, 0.25f, 1},
                    {1, 1, 0.5f, 0.25f, 0.5f, 0.5f, 0.25f, 1},   {-1, -1, 0.5f, 0.25f, 0.5f, 0.5f, 0.25f, 1},
                    {1, 1, 0.5f, 0.25f, 0.5f, 0.5f, 0.25f, 1},   {1, -1, 0.5f, 0.25f, 0.5f, 0.5f, 0.25f, 1}};
    Clear(0);
    ASSERT_EQ(dev_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, q, sizeof(V)), D3D_OK);
    ExpectNear(Pixel(32, 32), 0x4080BF);
    dev_->SetVertexDeclaration(nullptr);
    decl->Release();
}
