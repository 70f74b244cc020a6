// The assembler's token stream, its and the compiler's error messages, and
// the byte code reader's refusals: no device needed.
#include <gtest/gtest.h>

#include <d3dx9.h>

#include <string>
#include <vector>

#include "d3d9/shader_bytecode.h"
#include "d3d9/shader_glsl.h"

using qrn::d3d9::GlslShader;
using qrn::d3d9::TranslateShader;

namespace {

struct Result {
    HRESULT hr;
    std::vector<DWORD> code;
    std::string errors;
};

Result Take(HRESULT hr, ID3DXBuffer* code, ID3DXBuffer* err)
{
    Result r{hr, {}, ""};
    if (err) r.errors = static_cast<const char*>(err->GetBufferPointer()), err->Release();
    if (code) {
        const DWORD* p = static_cast<const DWORD*>(code->GetBufferPointer());
        r.code.assign(p, p + code->GetBufferSize() / 4);
        code->Release();
    }
    return r;
}

Result Assemble(const std::string& text)
{
    ID3DXBuffer* code = nullptr;
    ID3DXBuffer* err = nullptr;
    const HRESULT hr = D3DXAssembleShader(text.c_str(), (UINT)text.size(), nullptr, nullptr, 0, &code, &err);
    return Take(hr, code, err);
}

Result Compile(const std::string& text, const char* entry, const char* profile)
{
    ID3DXBuffer* code = nullptr;
    ID3DXBuffer* err = nullptr;
    const HRESULT hr =
        D3DXCompileShader(text.c_str(), (UINT)text.size(), nullptr, nullptr, entry, profile, 0, &code, &err, nullptr);
    return Take(hr, code, err);
}

}  // namespace

TEST(Assembler, WritesTheDirect3DTokenStream)
{
    // Version, dcl (usage token + register), instruction tokens with their
    // lengths, parameter tokens with masks, swizzles and modifiers, end.
    const Result r = Assemble("vs_2_0\n"
                              "dcl_texcoord1 v3\n"
                              "def c7, 1.0, -2.0, 0.5, 0.0\n"
                              "mov oPos, v3\n"
                              "mad r1.xy, -v3.yzwx, c[a0.x + 4], r2_abs\n"
                              "mova a0.x, r1.w\n");
    ASSERT_EQ(r.hr, D3D_OK) << r.errors;
    const std::vector<DWORD> want = {
        0xFFFE0200,
        0x0200001F, 0x80010005, 0x900F0003,                          // dcl_texcoord1 v3
        0x05000051, 0xA00F0007, 0x3F800000, 0xC0000000, 0x3F000000, 0x00000000,  // def c7
        0x02000001, 0xC00F0000, 0x90E40003,                          // mov oPos, v3
        0x05000004, 0x80030001, 0x91390003, 0xA0E42004, 0xB0000000, 0x8BE40002,  // mad
        0x0200002E, 0xB0010000, 0x80FF0001,                          // mova a0.x, r1.w
        0x0000FFFF};
    EXPECT_EQ(r.code, want);

    // ps_1_x: no lengths; co-issue bit, shift and source modifiers; def
    // values whose bit 31 is clear are still read as values.
    const Result p = Assemble("ps.1.1\n"
                              "def c0, 1.0, 0.5, 0.25, 2.0\n"
                              "tex t0 // sample\n"
                              "mul_x2 r0.rgb, t0_bx2, 1-v0 ; comment\n"
                              "/* block\n comment */ +mov_sat r0.a, -c0_bias\n");
    ASSERT_EQ(p.hr, D3D_OK) << p.errors;
    const std::vector<DWORD> wantPs = {0xFFFF0101, 0x00000051, 0xA00F0000, 0x3F800000, 0x3F000000, 0x3E800000,
                                       0x40000000, 0x00000042, 0xB00F0000, 0x00000005, 0x81070000, 0xB4E40000,
                                       0x96E40000, 0x40000001, 0x80180000, 0xA3E40000, 0x0000FFFF};
    EXPECT_EQ(p.code, wantPs);
    qrn::d3d9::ShaderProgram prog;
    std::string why;
    ASSERT_TRUE(qrn::d3d9::ReadShader(p.code.data(), p.code.size(), &prog, &why)) << why;
    EXPECT_EQ(prog.instrs.size(), 4u);
    EXPECT_TRUE(prog.instrs[3].coissue);
}

TEST(Assembler, MalformedTextFailsWithLineNumberedMessages)
{
    const Result r = Assemble("vs_2_0\n"
                              "dcl_position v0\n"
                              "frobnicate r0, v0\n"
                              "mov r0\n"
                              "mov c0, v0\n"
                              "mov r0.xq, v0\n"
                              "add r0, v0, c300\n"
                              "mov oPos, v0\n");
    EXPECT_EQ(r.hr, D3DXERR_INVALIDDATA);
    EXPECT_TRUE(r.code.empty());
    EXPECT_NE(r.errors.find("line 3: unknown instruction 'frobnicate'"), std::string::npos) << r.errors;
    EXPECT_NE(r.errors.find("line 4: 'mov' takes 2 operands, found 1"), std::string::npos) << r.errors;
    EXPECT_NE(r.errors.find("line 5: invalid destination register"), std::string::npos) << r.errors;
    EXPECT_NE(r.errors.find("line 6: bad write mask"), std::string::npos) << r.errors;
    EXPECT_NE(r.errors.find("line 7: register not available"), std::string::npos) << r.errors;
    EXPECT_EQ(r.errors.find("line 8"), std::string::npos) << r.errors;

    EXPECT_NE(Assemble("mov r0, v0\n").errors.find("line 1: the first statement must be the shader version"),
              std::string::npos);
    EXPECT_NE(Assemble("ps_2_0\ntex t0\n").errors.find("line 2: tex is a ps_1_1 to ps_1_3 instruction"),
              std::string::npos);
    EXPECT_NE(Assemble("ps_1_4\n\ntexld r0, t0\nphase\nphase\ntexkill r0\n").errors.find("line"), std::string::npos);
    EXPECT_NE(Assemble("vs_1_1\nif b0\nendif\n").errors.find("line 2: instruction 'if' is not valid"), std::string::npos);
    EXPECT_NE(Assemble("vs_2_0\n#define X 1\n").errors.find("line 2: preprocessor"), std::string::npos);

    // Every pointer is set even on failure; no shader buffer is handed out.
    ID3DXBuffer* code = reinterpret_cast<ID3DXBuffer*>(1);
    ID3DXBuffer* err = reinterpret_cast<ID3DXBuffer*>(1);
    EXPECT_EQ(D3DXAssembleShaderFromFileA("no/such/file.vsh", nullptr, nullptr, 0, &code, &err), D3DXERR_INVALIDDATA);
    EXPECT_EQ(code, nullptr);
    ASSERT_NE(err, nullptr);
    EXPECT_NE(std::string(static_cast<const char*>(err->GetBufferPointer())).find("cannot read"), std::string::npos);
    err->Release();
}

TEST(Compiler, HighLevelErrorsCarryTheCompilersMessageAndLine)
{
    const Result r = Compile("float4 PixelShaderMain() : COLOR0 {\n"
                             "    return undeclaredThing;\n"
                             "}\n",
                             "PixelShaderMain", "ps_2_0");
    EXPECT_EQ(r.hr, D3DXERR_INVALIDDATA);
    EXPECT_TRUE(r.code.empty());
    EXPECT_NE(r.errors.find("memory:2"), std::string::npos) << r.errors;
    EXPECT_NE(r.errors.find("undeclaredThing"), std::string::npos) << r.errors;

    EXPECT_NE(Compile("float4 main() : COLOR0 { return 1; }", "main", "ps_9_9").errors.find("invalid profile"),
              std::string::npos);
    EXPECT_NE(Compile("float4 main() : COLOR0 { return 1; }", "PixelShaderMain", "ps_2_0").errors.size(), 0u);

    // A good program: a token stream of the profile's version carrying GLSL.
    const Result ok = Compile("float4 c : register(c3);\n"
                              "float4 PixelShaderMain(float4 d : COLOR0) : COLOR0 { return d * c + lit(0.5, 0.5, 2).z; }\n",
                              "PixelShaderMain", "ps_2_0");
    ASSERT_EQ(ok.hr, D3D_OK) << ok.errors;
    ASSERT_GE(ok.code.size(), 4u);
    EXPECT_EQ(ok.code[0], 0xFFFF0200u);
    EXPECT_EQ(ok.code[1] & 0xFFFF, 0xFFFEu);
    EXPECT_EQ(ok.code[2], qrn::d3d9::kGlslCommentTag);
    EXPECT_EQ(ok.code.back(), 0x0000FFFFu);
    GlslShader g;
    std::string why;
    ASSERT_TRUE(TranslateShader(ok.code.data(), ok.code.size(), &g, &why)) << why;
    EXPECT_TRUE(g.fromHlsl);
    EXPECT_NE(g.text.find("qrnMain"), std::string::npos);
    EXPECT_NE(g.text.find("oColor"), std::string::npos);
}

TEST(Reader, RefusesMalformedByteCode)
{
    std::string why;
    qrn::d3d9::ShaderProgram p;
    const std::vector<std::vector<uint32_t>> bad = {
        {0xFFFE0200},                                  // no end
        {0xFFFE0500, 0x0000FFFF},                      // unknown version
        {0xFFFE0200, 0x03000001, 0x800F0000, 0x0000FFFF},  // length past its parameters
        {0xFFFE0200, 0x00FF0FFE, 0x0000FFFF},          // comment past the end
        {0xFFFE0200, 0x02000001, 0x000F0000, 0xA0E40000, 0x0000FFFF},  // parameter without bit 31
        {0xFFFE0200, 0x020000FA, 0x800F0000, 0xA0E40000, 0x0000FFFF},  // unknown opcode
    };
    for (const auto& code : bad) EXPECT_FALSE(qrn::d3d9::ReadShader(code.data(), code.size(), &p, &why));

    // Well-formed but beyond the translator: refused with a reason, not crashed.
    GlslShader g;
    const std::vector<uint32_t> texbem = {0xFFFF0101, 0x00000042, 0xB00F0000, 0x00000043,
                                          0xB00F0001, 0xB0E40000, 0x0000FFFF};
    EXPECT_FALSE(TranslateShader(texbem.data(), texbem.size(), &g, &why));
    EXPECT_NE(why.find("texbem"), std::string::npos) << why;
    const Result unbalanced = Assemble("vs_3_0\nif b0\nmov r0, c0\n");
    ASSERT_EQ(unbalanced.hr, D3D_OK);
    EXPECT_FALSE(TranslateShader(unbalanced.code.data(), unbalanced.code.size(), &g, &why));
}
