// Shader preparation costs: assembling, translating byte code to GLSL, and
// compiling high-level source (the first compile in a process, which sets up
// the compiler, and later ones).
#include <benchmark/benchmark.h>

#include <d3dx9.h>

#include <cstring>
#include <string>
#include <vector>

#include "d3d9/shader_glsl.h"

namespace {

const char* kAsm =
    "vs_3_0\n"
    "dcl_position v0\ndcl_normal v1\ndcl_texcoord0 v2\n"
    "dcl_position o0\ndcl_texcoord0 o1\ndcl_color o2\n"
    "defi i0, 4, 20, 1, 0\n"
    "m4x4 o0, v0, c0\n"
    "dp3 r0.x, v1, c10\nmax r0.x, r0.x, c11.x\nmul r1, r0.x, c12\n"
    "loop aL, i0\n  add r1, r1, c[aL]\nendloop\n"
    "if_gt r0.x, c11.y\n  mul r1, r1, c13\nendif\n"
    "mov o1, v2\nmov o2, r1\n";

const char* kHlsl =
    "float4x4 wvp : register(c0);\n"
    "float4 sun : register(c10);\n"
    "struct VOut { float4 pos : POSITION; float4 col : COLOR0; float2 uv : TEXCOORD0; };\n"
    "VOut VertexShaderMain(float3 p : POSITION, float3 n : NORMAL, float2 uv : TEXCOORD0) {\n"
    "    VOut o;\n"
    "    o.pos = mul(float4(p, 1), wvp);\n"
    "    o.col = saturate(dot(n, sun.xyz)) * float4(1, 0.9, 0.8, 1);\n"
    "    o.uv = uv;\n"
    "    return o;\n"
    "}\n";

std::vector<DWORD> Assemble()
{
    ID3DXBuffer* code = nullptr;
    D3DXAssembleShader(kAsm, (UINT)strlen(kAsm), nullptr, nullptr, 0, &code, nullptr);
    if (!code) return {};
    const DWORD* p = static_cast<const DWORD*>(code->GetBufferPointer());
    std::vector<DWORD> out(p, p + code->GetBufferSize() / 4);
    code->Release();
    return out;
}

void Compile(benchmark::State& state)
{
    ID3DXBuffer* code = nullptr;
    D3DXCompileShader(kHlsl, (UINT)strlen(kHlsl), nullptr, nullptr, "VertexShaderMain", "vs_2_0", 0, &code, nullptr,
                      nullptr);
    if (!code) state.SkipWithError("compile failed");
    else code->Release();
}

// Registered first and run once: the compiler's set-up is in this one.
void BM_CompileHlslFirst(benchmark::State& state)
{
    for (auto _ : state) Compile(state);
}
BENCHMARK(BM_CompileHlslFirst)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_CompileHlsl(benchmark::State& state)
{
    for (auto _ : state) Compile(state);
}
BENCHMARK(BM_CompileHlsl)->Unit(benchmark::kMillisecond);

void BM_Assemble(benchmark::State& state)
{
    for (auto _ : state) benchmark::DoNotOptimize(Assemble());
}
BENCHMARK(BM_Assemble)->Unit(benchmark::kMicrosecond);

void BM_TranslateToGlsl(benchmark::State& state)
{
    const std::vector<DWORD> code = Assemble();
    for (auto _ : state) {
        qrn::d3d9::GlslShader g;
        std::string why;
        if (!qrn::d3d9::TranslateShader(code.data(), code.size(), &g, &why)) state.SkipWithError(why.c_str());
        benchmark::DoNotOptimize(g.text.data());
    }
}
BENCHMARK(BM_TranslateToGlsl)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
