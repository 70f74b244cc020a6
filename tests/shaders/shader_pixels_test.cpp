// Shaders drawn: assembled or compiled programs of each profile family take
// constants in and give a colour out, read back from the back buffer.
#include <d3dx9.h>

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

    // Assembles `text`; the test fails with the assembler's messages.
    std::vector<DWORD> Assemble(const std::string& text)
    {
        ID3DXBuffer* code = nullptr;
        ID3DXBuffer* errors = nullptr;
        const HRESULT hr = D3DXAssembleShader(text.c_str(), (UINT)text.size(), nullptr, nullptr, 0, &code, &errors);
        std::string msg = errors ? static_cast<const char*>(errors->GetBufferPointer()) : "";
        if (errors) errors->Release();
        EXPECT_EQ(hr, D3D_OK) << msg;
        if (!code) return {};
        const DWORD* p = static_cast<const DWORD*>(code->GetBufferPointer());
        std::vector<DWORD> out(p, p + code->GetBufferSize() / 4);
        code->Release();
        return out;
    }

    std::vector<DWORD> Compile(const std::string& text, const char* entry, const char* profile)
    {
        ID3DXBuffer* code = nullptr;
        ID3DXBuffer* errors = nullptr;
        const HRESULT hr = D3DXCompileShader(text.c_str(), (UINT)text.size(), nullptr, nullptr, entry, profile, 0,
                                             &code, &errors, nullptr);
        std::string msg = errors ? static_cast<const char*>(errors->GetBufferPointer()) : "";
        if (errors) errors->Release();
        EXPECT_EQ(hr, D3D_OK) << msg;
        if (!code) return {};
        const DWORD* p = static_cast<const DWORD*>(code->GetBufferPointer());
        std::vector<DWORD> out(p, p + code->GetBufferSize() / 4);
        code->Release();
        return out;
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

TEST_F(ShaderDraw, Version2PairTakesConstantsAndGivesColour)
{
    UseVertex(Assemble(kPassVs20));
    UsePixel(Assemble("ps_2_0\n"
                      "def c1, 0.5, 0.25, 1.0, 1.0\n"
                      "mul r0, c0, c1\n"
                      "mov oC0, r0\n"));
    SetPsF(0, 1.0f, 1.0f, 0.5f, 1.0f);
    Clear(0);
    FullQuad();
    ExpectNear(Pixel(32, 32), 0x804080);
}
