// D3DXCompileShader: high-level source through glslang (HLSL to SPIR-V) and
// SPIRV-Cross (SPIR-V to GLSL 4.50), then fitted to the device's shader
// interface (shader_glsl.h) and wrapped in a Direct3D 9 token stream whose
// comment block carries the program (layout in d3dx9shader.h).
#include <algorithm>
#include <cctype>
#include <cstring>
#include <mutex>

#include <glslang/MachineIndependent/localintermediate.h>
#include <glslang/Public/ResourceLimits.h>
#include <glslang/Public/ShaderLang.h>
#include <glslang/SPIRV/GlslangToSpv.h>
#include <spirv-tools/optimizer.hpp>
#include <spirv_cross/spirv_glsl.hpp>

#include "d3d9types.h"
#include "d3dx9_shader_buffer.h"
#include "shader_bytecode.h"
#include "shader_glsl.h"

namespace qrn::d3dx {

namespace {

struct Profile {
    const char* name;
    bool pixel;
    uint32_t major, minor;
};

constexpr Profile kProfiles[] = {
    {"vs_1_1", false, 1, 1}, {"vs_2_0", false, 2, 0}, {"vs_2_a", false, 2, 1}, {"vs_2_sw", false, 2, 0xFF},
    {"vs_3_0", false, 3, 0}, {"vs_3_sw", false, 3, 0xFF}, {"ps_1_1", true, 1, 1}, {"ps_1_2", true, 1, 2},
    {"ps_1_3", true, 1, 3}, {"ps_1_4", true, 1, 4}, {"ps_2_0", true, 2, 0}, {"ps_2_a", true, 2, 1},
    {"ps_2_b", true, 2, 1}, {"ps_2_sw", true, 2, 0xFF}, {"ps_3_0", true, 3, 0}, {"ps_3_sw", true, 3, 0xFF},
};

const Profile* FindProfile(const char* name)
{
    if (!name) return nullptr;
    for (const Profile& p : kProfiles)
        if (strcmp(p.name, name) == 0) return &p;
    return nullptr;
}

// glslang's lit() gets the specular term wrong; this one follows the
// documented formula (zero when either dot product is negative).
constexpr const char* kPreamble =
    "float4 qrn_lit(float n_dot_l, float n_dot_h, float m) {\n"
    "    return float4(1.0, max(n_dot_l, 0.0), (n_dot_l < 0.0 || n_dot_h < 0.0) ? 0.0 : pow(n_dot_h, m), 1.0);\n"
    "}\n"
    "#define lit qrn_lit\n";

// "TEXCOORD3" -> usage TEXCOORD, index 3.
bool ParseSemantic(std::string s, uint32_t* usage, uint32_t* index)
{
    for (char& c : s) c = (char)toupper((unsigned char)c);
    size_t d = s.size();
    while (d > 0 && isdigit((unsigned char)s[d - 1])) --d;
    *index = d < s.size() && s.size() - d < 3 ? (uint32_t)std::stoul(s.substr(d)) : 0;
    const std::string base = s.substr(0, d);
    static const char* const names[] = {"POSITION", "BLENDWEIGHT", "BLENDINDICES", "NORMAL", "PSIZE",
                                        "TEXCOORD", "TANGENT", "BINORMAL", "TESSFACTOR", "POSITIONT",
                                        "COLOR", "FOG", "DEPTH", "SAMPLE"};
    for (uint32_t i = 0; i < 14; ++i)
        if (base == names[i]) return *usage = i, true;
    if (base == "SV_POSITION") return *usage = D3DDECLUSAGE_POSITION, true;
    if (base == "SV_TARGET") return *usage = D3DDECLUSAGE_COLOR, true;
    return false;
}

struct Fitted {
    std::string text;
    uint32_t samplerMask = 0, texCoordsRead = 0, attribMask = 0;
    bool pointSize = false;
    bool fog = false;
};

// Renames and relocates the interface of the SPIR-V program, then writes GLSL.
bool FitAndWrite(std::vector<uint32_t> spirv, bool pixel, Fitted* out, std::string* messages)
{
    try {
        spirv_cross::CompilerGLSL glsl(std::move(spirv));
        spirv_cross::CompilerGLSL::Options opt;
        opt.version = 450;
        opt.es = false;
        opt.vulkan_semantics = false;
        opt.separate_shader_objects = false;
        glsl.set_common_options(opt);
        spirv_cross::ShaderResources res = glsl.get_shader_resources();
        std::string pos, psize;
        auto semantic = [&](spirv_cross::ID id) { return glsl.get_decoration_string(id, spv::DecorationHlslSemanticGOOGLE); };
        for (const auto& r : res.stage_inputs) {
            uint32_t usage, index;
            if (!ParseSemantic(semantic(r.id), &usage, &index)) {
                *messages += "input semantic '" + semantic(r.id) + "' is not supported\n";
                return false;
            }
            if (!pixel) {
                const int loc = d3d9::ShaderAttribLocation(usage, index);
                if (loc < 0) {
                    *messages += "vertex input semantic '" + semantic(r.id) + "' is not supported\n";
                    return false;
                }
                glsl.set_decoration(r.id, spv::DecorationLocation, (uint32_t)loc);
                out->attribMask |= 1u << loc;
            } else {
                glsl.unset_decoration(r.id, spv::DecorationLocation);
                if (usage == D3DDECLUSAGE_COLOR && index < 2) glsl.set_name(r.id, index ? "vSpecular" : "vDiffuse");
                else if (usage == D3DDECLUSAGE_TEXCOORD && index < 8) {
                    glsl.set_name(r.id, "vTex" + std::to_string(index));
                    out->texCoordsRead |= 1u << index;
                } else if (usage == D3DDECLUSAGE_FOG) glsl.set_name(r.id, "vFog");
                else {
                    *messages += "pixel input semantic '" + semantic(r.id) + "' is not supported\n";
                    return false;
                }
            }
        }
        for (const auto& r : res.stage_outputs) {
            uint32_t usage, index;
            if (!ParseSemantic(semantic(r.id), &usage, &index)) {
                *messages += "output semantic '" + semantic(r.id) + "' is not supported\n";
                return false;
            }
            if (pixel) {
                if (usage != D3DDECLUSAGE_COLOR || index != 0) {
                    *messages += "only COLOR0 is supported as a pixel shader output\n";
                    return false;
                }
                glsl.set_decoration(r.id, spv::DecorationLocation, 0);
                glsl.set_name(r.id, "oColor");
                continue;
            }
            glsl.unset_decoration(r.id, spv::DecorationLocation);
            if (usage == D3DDECLUSAGE_POSITION && index == 0) glsl.set_name(r.id, pos = "qrnPos");
            else if (usage == D3DDECLUSAGE_PSIZE) glsl.set_name(r.id, psize = "qrnPSize");
            else if (usage == D3DDECLUSAGE_COLOR && index < 2) glsl.set_name(r.id, index ? "vSpecular" : "vDiffuse");
            else if (usage == D3DDECLUSAGE_TEXCOORD && index < 8) glsl.set_name(r.id, "vTex" + std::to_string(index));
            else if (usage == D3DDECLUSAGE_FOG) glsl.set_name(r.id, "vFog"), out->fog = true;
            else {
                *messages += "output semantic '" + semantic(r.id) + "' is not supported\n";
                return false;
            }
        }
        for (const auto& r : res.uniform_buffers) {
            glsl.set_decoration(r.id, spv::DecorationBinding, pixel ? d3d9::kShaderPsConstBinding : d3d9::kShaderVsConstBinding);
            glsl.set_name(r.base_type_id, pixel ? "QrnPsConst" : "QrnVsConst");
            glsl.set_name(r.id, pixel ? "qrnPsConst" : "qrnVsConst");
        }
        for (const auto& r : res.sampled_images) {
            const uint32_t b = glsl.get_decoration(r.id, spv::DecorationBinding);
            if (b >= 16) {
                *messages += "sampler register beyond s15\n";
                return false;
            }
            out->samplerMask |= 1u << b;
        }
        std::string text = glsl.compile();
        const size_t at = text.find("void main()");
        if (at == std::string::npos) {
            *messages += "no entry point in the translated program\n";
            return false;
        }
        text.replace(at, strlen("void main()"), "void qrnEntry()");
        text += "void qrnMain()\n{\n    qrnEntry();\n";
        if (!pos.empty()) text += "    gl_Position = " + pos + ";\n";
        if (!psize.empty()) text += "    gl_PointSize = " + psize + ";\n", out->pointSize = true;
        text += "}\n";
        out->text = std::move(text);
        return true;
    } catch (const std::exception& e) {
        *messages += std::string("translation failed: ") + e.what() + "\n";
        return false;
    }
}

bool Compile(const std::string& source, const char* sourceName, const D3DXMACRO* defines, const char* entry,
             const Profile& profile, std::vector<uint32_t>* code, std::string* messages)
{
    static std::once_flag once;
    std::call_once(once, [] { glslang::InitializeProcess(); });
    const EShLanguage stage = profile.pixel ? EShLangFragment : EShLangVertex;
    glslang::TShader shader(stage);
    const char* strings[] = {source.c_str()};
    const int lengths[] = {(int)source.size()};
    const char* names[] = {sourceName};
    shader.setStringsWithLengthsAndNames(strings, lengths, names, 1);
    shader.setEntryPoint(entry);
    shader.setSourceEntryPoint(entry);
    shader.setEnvInput(glslang::EShSourceHlsl, stage, glslang::EShClientVulkan, 100);
    shader.setEnvClient(glslang::EShClientVulkan, glslang::EShTargetVulkan_1_0);
    shader.setEnvTarget(glslang::EShTargetSpv, glslang::EShTargetSpv_1_0);
    shader.setEnvTargetHlslFunctionality1();
    shader.setAutoMapBindings(true);
    shader.setAutoMapLocations(true);
    std::string preamble = kPreamble;
    for (const D3DXMACRO* m = defines; m && m->Name; ++m) {
        const std::string name = m->Name;
        if (name.empty() || name.find_first_of(" \t\r\n") != std::string::npos) {
            *messages += "bad macro name\n";
            return false;
        }
        std::string def = m->Definition ? m->Definition : "";
        std::replace(def.begin(), def.end(), '\n', ' ');
        preamble += "#define " + name + " " + def + "\n";
    }
    shader.setPreamble(preamble.c_str());
    const auto flags = (EShMessages)(EShMsgSpvRules | EShMsgVulkanRules | EShMsgReadHlsl | EShMsgHlslDX9Compatible);
    if (!shader.parse(GetDefaultResources(), 100, false, flags)) {
        *messages += shader.getInfoLog();
        return false;
    }
    glslang::TProgram program;
    program.addShader(&shader);
    if (!program.link(flags)) {
        *messages += program.getInfoLog();
        return false;
    }
    if (program.getIntermediate(stage)->getNumEntryPoints() == 0) {
        *messages += std::string("ERROR: ") + sourceName + ": entry point '" + entry + "' not found\n";
        return false;
    }
    std::vector<uint32_t> spirv;
    glslang::SpvOptions spvOptions;
    spvOptions.validate = false;
    glslang::GlslangToSpv(*program.getIntermediate(stage), spirv, &spvOptions);
    // One source often holds both stages' globals: only what this entry
    // point uses stays in its constant block, so that the registers of the
    // other stage cannot overlap its own.
    {
        spvtools::Optimizer opt(SPV_ENV_VULKAN_1_0);
        opt.RegisterPass(spvtools::CreateAggressiveDCEPass());
        opt.RegisterPass(spvtools::CreateEliminateDeadMembersPass());
        std::vector<uint32_t> trimmed;
        spvtools::OptimizerOptions options;
        options.set_run_validator(false);
        if (opt.Run(spirv.data(), spirv.size(), &trimmed, options)) spirv.swap(trimmed);
    }
    Fitted f;
    if (!FitAndWrite(std::move(spirv), profile.pixel, &f, messages)) return false;

    d3d9::GlslCommentHeader h{d3d9::kGlslCommentTag, profile.pixel ? 1u : 0u, (f.pointSize ? 1u : 0u) | (f.fog ? 2u : 0u),
                              f.samplerMask, f.texCoordsRead, f.attribMask, (uint32_t)f.text.size()};
    const size_t textDwords = (f.text.size() + 3) / 4;
    const size_t bodyDwords = sizeof h / 4 + textDwords;
    if (bodyDwords > 0x7FFF) {
        *messages += "compiled program too large\n";
        return false;
    }
    code->assign(2 + bodyDwords + 1, 0);
    (*code)[0] = (profile.pixel ? 0xFFFF0000u : 0xFFFE0000u) | (profile.major << 8) | profile.minor;
    (*code)[1] = D3DSHADER_COMMENT((uint32_t)bodyDwords);
    memcpy(code->data() + 2, &h, sizeof h);
    memcpy(reinterpret_cast<char*>(code->data() + 2 + sizeof h / 4), f.text.data(), f.text.size());
    code->back() = D3DSIO_END;
    return true;
}

}  // namespace

}  // namespace qrn::d3dx

using namespace qrn::d3dx;

HRESULT WINAPI D3DXCompileShader(LPCSTR pSrcData, UINT SrcDataLen, CONST D3DXMACRO* pDefines, LPD3DXINCLUDE pInclude,
                                 LPCSTR pFunctionName, LPCSTR pProfile, DWORD Flags, LPD3DXBUFFER* ppShader,
                                 LPD3DXBUFFER* ppErrorMsgs, LPD3DXCONSTANTTABLE* ppConstantTable)
{
    (void)pInclude;
    (void)Flags;
    if (ppConstantTable) *ppConstantTable = nullptr;
    std::vector<uint32_t> code;
    std::string messages;
    if (!pSrcData || !pFunctionName || !*pFunctionName || !ppShader)
        return FinishShaderCall(D3DERR_INVALIDCALL, code, messages, ppShader, ppErrorMsgs);
    const Profile* profile = FindProfile(pProfile);
    if (!profile) {
        messages = std::string("invalid profile '") + (pProfile ? pProfile : "(null)") + "'\n";
        return FinishShaderCall(D3DXERR_INVALIDDATA, code, messages, ppShader, ppErrorMsgs);
    }
    const std::string source(pSrcData, strnlen(pSrcData, SrcDataLen));
    const bool ok = Compile(source, "memory", pDefines, pFunctionName, *profile, &code, &messages);
    return FinishShaderCall(ok ? D3D_OK : D3DXERR_INVALIDDATA, code, messages, ppShader, ppErrorMsgs);
}

HRESULT WINAPI D3DXCompileShaderFromFileA(LPCSTR pSrcFile, CONST D3DXMACRO* pDefines, LPD3DXINCLUDE pInclude,
                                          LPCSTR pFunctionName, LPCSTR pProfile, DWORD Flags, LPD3DXBUFFER* ppShader,
                                          LPD3DXBUFFER* ppErrorMsgs, LPD3DXCONSTANTTABLE* ppConstantTable)
{
    if (ppConstantTable) *ppConstantTable = nullptr;
    std::string text;
    if (!ReadShaderSource(pSrcFile, &text)) {
        const std::string msg = std::string("cannot read '") + (pSrcFile ? pSrcFile : "(null)") + "'\n";
        return FinishShaderCall(D3DXERR_INVALIDDATA, {}, msg, ppShader, ppErrorMsgs);
    }
    return D3DXCompileShader(text.data(), (UINT)text.size(), pDefines, pInclude, pFunctionName, pProfile, Flags,
                             ppShader, ppErrorMsgs, ppConstantTable);
}

LPCSTR WINAPI D3DXGetVertexShaderProfile(LPDIRECT3DDEVICE9 pDevice)
{
    D3DCAPS9 caps;
    if (!pDevice || FAILED(pDevice->GetDeviceCaps(&caps))) return nullptr;
    const DWORD v = caps.VertexShaderVersion & 0xFFFF;
    if (v >= 0x0300) return "vs_3_0";
    if (v >= 0x0201) return "vs_2_a";
    if (v >= 0x0200) return "vs_2_0";
    if (v >= 0x0101) return "vs_1_1";
    return nullptr;
}

LPCSTR WINAPI D3DXGetPixelShaderProfile(LPDIRECT3DDEVICE9 pDevice)
{
    D3DCAPS9 caps;
    if (!pDevice || FAILED(pDevice->GetDeviceCaps(&caps))) return nullptr;
    const DWORD v = caps.PixelShaderVersion & 0xFFFF;
    if (v >= 0x0300) return "ps_3_0";
    if (v >= 0x0201) return "ps_2_a";
    if (v >= 0x0200) return "ps_2_0";
    if (v >= 0x0104) return "ps_1_4";
    if (v >= 0x0103) return "ps_1_3";
    if (v >= 0x0102) return "ps_1_2";
    if (v >= 0x0101) return "ps_1_1";
    return nullptr;
}
