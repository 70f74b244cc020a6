// Drawing with vertex and pixel shaders: the program of the bound pair (the
// fixed-function text stands in for a kind that has none), completed with
// what follows a shader on Direct3D (the pixel-centre offset and the point
// size after the vertex shader; fog and the alpha test after the pixel
// shader), and the stages' constant blocks streamed through the ring.
#include <cstring>
#include <unordered_map>

#include "device.h"
#include "gl_draw.h"
#include "ffp_glsl.h"
#include "shader_glsl.h"

namespace qrn::d3d9 {

namespace {

struct ProgramKey {
    uint64_t vs = 0, ps = 0;  // shader serials, 0 for fixed function
    FfpKey key;
    bool operator==(const ProgramKey& o) const { return vs == o.vs && ps == o.ps && key == o.key; }
};

struct ProgramKeyHash {
    size_t operator()(const ProgramKey& k) const
    {
        return FfpKeyHash()(k.key) ^ (size_t)(k.vs * 0x9E3779B97F4A7C15ull) ^ (size_t)(k.ps * 0xC2B2AE3D27D4EB4Full);
    }
};

}  // namespace

struct ShaderDrawState {
    std::unordered_map<ProgramKey, GLuint, ProgramKeyHash> programs;
    GLintptr vsOffset = -1, psOffset = -1;
    uint64_t epoch = 0;
    bool valid = false;
};

namespace {

constexpr const char* kHalfPixelTwice = "0.9921875";  // 2 * (0.5 - 1/256), as the fixed-function path

std::string VertexTail(const GlslShader& vs, const FfpKey& key)
{
    std::string s = kFfpUniformGlsl;
    // A compiled program without a fog output still feeds the fog varying
    // that the pixel half may read (factor 1: no fog).
    const bool fogDefault = vs.fromHlsl && !vs.writesFog;
    if (fogDefault) s += "out float vFog;\n";
    s += "void main() {\n";
    if (fogDefault) s += "    vFog = 1.0;\n";
    s += "    qrnMain();\n";
    // Direct3D pixel centres lie on integer coordinates.
    s += "    gl_Position.x += gl_Position.w * u.viewport.z;\n";
    s += std::string("    gl_Position.y -= gl_Position.w * u.viewport.w * ") + kHalfPixelTwice + ";\n";
    if (key.points && !vs.writesPointSize) s += "    gl_PointSize = clamp(u.pointParams.x, u.pointParams.y, u.pointParams.z);\n";
    s += "}\n";
    return s;
}

std::string PixelTail(const FfpKey& key)
{
    std::string s = kFfpUniformGlsl;
    const bool fog = key.fogMode != 0 && !key.fogTable;
    if (fog) s += "in float vFog;\n";
    s += "void main() {\n    qrnMain();\n";
    if (fog) s += "    oColor.rgb = mix(u.fogColor.rgb, oColor.rgb, clamp(vFog, 0.0, 1.0));\n";
    s += FfpAlphaTestCode(key, "oColor");
    s += "}\n";
    return s;
}

// The fixed-function vertex text, with the texture coordinate outputs a
// pixel shader reads added where the key did not ask for them.
std::string FfpVertexFor(const FfpKey& key, uint32_t texCoordsRead)
{
    std::string s = FfpVertexShaderText(key);
    for (uint32_t t = 0; t < 8; ++t) {
        if (!(texCoordsRead & (1u << t))) continue;
        const std::string name = "vTex" + std::to_string(t);
        if (s.find("out vec4 " + name + ";") != std::string::npos) continue;
        s.insert(s.find("void main() {"), "out vec4 " + name + ";\n");
        const std::string value = KeyHas(key, kAttrTex0 + t) ? "aTex" + std::to_string(t) : "vec4(0.0, 0.0, 0.0, 1.0)";
        s.insert(s.rfind("    gl_Position = clip;"), "    " + name + " = " + value + ";\n");
    }
    return s;
}

GLuint LinkFor(const DeviceState& s, const FfpKey& key)
{
    const GlslShader* vs = s.vertexShader ? &s.vertexShader->Glsl() : nullptr;
    const GlslShader* ps = s.pixelShader ? &s.pixelShader->Glsl() : nullptr;
    const std::string vText = vs ? vs->text + VertexTail(*vs, key) : FfpVertexFor(key, ps ? ps->texCoordsRead : 0);
    const std::string fText = ps ? ps->text + PixelTail(key) : FfpFragmentShaderText(key);
    std::string log;
    const GLuint program = LinkGlslProgram(vText.c_str(), fText.c_str(), &log);
    if (!program)
        OutputDebugStringA(("shader program failed to link: " + log + "\n--- vertex\n" + vText + "--- fragment\n" + fText)
                               .c_str());
    return program;
}

void FillBlock(const std::array<float, 4>* f, size_t nf, const std::array<int, 4>* i, const BOOL* b,
               ShaderConstBlock* out)
{
    memset(out, 0, sizeof *out);
    memcpy(out->f, f, nf * sizeof f[0]);
    memcpy(out->i, i, sizeof out->i);
    for (int k = 0; k < 16; ++k) out->b[k][0] = b[k] ? 1 : 0;
}

}  // namespace

GLuint ApplyShaderProgram(DrawContext& dc, DeviceState& s, bool points)
{
    (void)points;
    if (!dc.shaders) dc.shaders = new ShaderDrawState;
    ShaderDrawState& st = *dc.shaders;
    ProgramKey pk;
    pk.vs = s.vertexShader ? s.vertexShader->Serial() : 0;
    pk.ps = s.pixelShader ? s.pixelShader->Serial() : 0;
    pk.key = dc.key;
    auto it = st.programs.find(pk);
    if (it == st.programs.end()) it = st.programs.emplace(pk, LinkFor(s, dc.key)).first;
    if (!it->second) return 0;

    // Both stages' registers go into the ring when they change, and again
    // when the ring has moved on to another quarter.
    if (!st.valid || st.epoch != dc.ring.Epoch() || (s.dirty & kDirtyShaderConstants)) {
        ShaderConstBlock block;
        FillBlock(s.vsConstF.data(), s.vsConstF.size(), s.vsConstI.data(), s.vsConstB.data(), &block);
        st.vsOffset = dc.ring.Write(&block, sizeof block, dc.uniformAlign);
        FillBlock(s.psConstF.data(), s.psConstF.size(), s.psConstI.data(), s.psConstB.data(), &block);
        st.psOffset = st.vsOffset < 0 ? -1 : dc.ring.Write(&block, sizeof block, dc.uniformAlign);
        if (st.psOffset < 0) return 0;
        st.epoch = dc.ring.Epoch();
        st.valid = true;
        dc.gl->CountUpload(2 * sizeof block);
        s.dirty &= ~kDirtyShaderConstants;
    }
    dc.gl->BindBufferRange(GL_UNIFORM_BUFFER, kShaderVsConstBinding, dc.ring.Buffer(), st.vsOffset,
                           sizeof(ShaderConstBlock));
    dc.gl->BindBufferRange(GL_UNIFORM_BUFFER, kShaderPsConstBinding, dc.ring.Buffer(), st.psOffset,
                           sizeof(ShaderConstBlock));
    return it->second;
}

uint32_t ShaderTextureUnits(const DeviceState& s) { return s.pixelShader ? s.pixelShader->Glsl().samplerMask : 0; }

void DestroyShaderDrawState(DrawContext& dc)
{
    if (!dc.shaders) return;
    for (auto& [key, program] : dc.shaders->programs) {
        if (!program) continue;
        dc.gl->ForgetProgram(program);
        glDeleteProgram(program);
    }
    delete dc.shaders;
    dc.shaders = nullptr;
}

}  // namespace qrn::d3d9
