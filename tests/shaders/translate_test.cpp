// The byte code reader and the GLSL translator without a device.
#include <gtest/gtest.h>

#include <d3dx9.h>

#include <string>
#include <vector>

#include "d3d9/shader_bytecode.h"
#include "d3d9/shader_glsl.h"

using qrn::d3d9::GlslShader;
using qrn::d3d9::TranslateShader;

namespace {

std::vector<DWORD> Assemble(const std::string& text, std::string* errors = nullptr)
{
    ID3DXBuffer* code = nullptr;
    ID3DXBuffer* err = nullptr;
    D3DXAssembleShader(text.c_str(), (UINT)text.size(), nullptr, nullptr, 0, &code, &err);
    if (errors) *errors = err ? static_cast<const char*>(err->GetBufferPointer()) : "";
    if (err) err->Release();
    if (!code) return {};
    const DWORD* p = static_cast<const DWORD*>(code->GetBufferPointer());
    std::vector<DWORD> out(p, p + code->GetBufferSize() / 4);
    code->Release();
    return out;
}

}  // namespace

TEST(Translate, Debug)
{
    const auto code = Assemble("vs_2_0\ndcl_position v0\ndcl_color v1\ndcl_texcoord v2\nmov oPos, v0\nmov oD0, v1\nmov oT0, v2\n");
    ASSERT_FALSE(code.empty());
    GlslShader g;
    std::string why;
    EXPECT_TRUE(TranslateShader(code.data(), code.size(), &g, &why)) << why;
    std::cout << g.text;
}
