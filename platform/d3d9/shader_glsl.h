// Translation of Direct3D 9 shader byte code into GLSL 4.50 (pure: byte code
// in, text and interface out; no GL here).
//
// The interface every translated program follows, and which the draw path
// and the HLSL compiler's output share:
// - constants: one std140 block per stage, `QrnVsConst` (binding
//   kShaderVsConstBinding) or `QrnPsConst` (kShaderPsConstBinding), laid out
//   as ShaderConstBlock: 256 float registers at byte 16*N, then the 16 int
//   registers, then the 16 bool registers (one ivec4 each, value in x); the
//   members are named per stage (vck/vik/vbk, pck/pik/pbk) since both blocks
//   live in one program;
// - vertex inputs at fixed locations by (usage, index), the locations the
//   fixed-function layout uses (ShaderAttribLocation);
// - varyings by semantic with the fixed-function names: vDiffuse (COLOR0),
//   vSpecular (COLOR1), vTex0..vTex7 (TEXCOORD0..7), vFog (FOG, a float);
// - samplers at binding = sampler register;
// - the body is `void qrnMain()`; the draw path appends `main`, which calls
//   it and then applies what follows the shader on Direct3D (the pixel offset
//   of the position; alpha test and fog of the colour). A pixel shader's
//   colour is `layout(location = 0) out vec4 oColor`.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace qrn::d3d9 {

constexpr uint32_t kShaderVsConstBinding = 1;
constexpr uint32_t kShaderPsConstBinding = 2;

struct ShaderConstBlock {
    float f[256][4];
    int32_t i[16][4];
    int32_t b[16][4];
};
static_assert(sizeof(ShaderConstBlock) == 4608);

enum ShaderSamplerType : uint8_t { kSampler2D = 0, kSamplerCube = 1, kSamplerVolume = 2 };

struct GlslShader {
    bool pixel = false;
    uint32_t version = 0;        // the version token
    std::string text;            // GLSL 4.50 with qrnMain, no main
    uint32_t attribMask = 0;     // vertex: attribute locations read
    uint32_t texCoordsRead = 0;  // pixel: vTex<n> read
    bool readsColors = false;    // pixel: vDiffuse / vSpecular read
    uint32_t samplerMask = 0;    // sampler registers used
    uint8_t samplerTypes[16] = {};
    bool writesPointSize = false;
    bool writesFog = false;
    bool fromHlsl = false;       // text came from a compiled high-level program
};

// Location of a vertex input of this usage (D3DDECLUSAGE) and index; -1 for
// one the vertex input cannot feed.
int ShaderAttribLocation(uint32_t usage, uint32_t index);

// Translates byte code of at most `maxDwords` DWORDs. Byte code that carries
// a GLSL comment block (compiled high-level source) yields that program.
// False with a message in `error` when the code is malformed or uses
// something the translator does not handle.
bool TranslateShader(const uint32_t* code, size_t maxDwords, GlslShader* out, std::string* error);

// The tag and payload of a GLSL comment block: tag, stage (0 vertex,
// 1 pixel), flags (bit 0: writes point size), sampler mask, texcoord mask,
// attribute mask, byte length of the text, then the text padded with zeros.
// Flags: bit 0 the program writes the point size, bit 1 the fog factor.
struct GlslCommentHeader {
    uint32_t tag;
    uint32_t stage;
    uint32_t flags;
    uint32_t samplerMask;
    uint32_t texCoordsRead;
    uint32_t attribMask;
    uint32_t textBytes;
};

}  // namespace qrn::d3d9
