// Direct3D 9 shader byte code (vs_1_1 .. vs_3_0, ps_1_1 .. ps_3_0): the
// opcode table shared by the reader here and the assembler in d3dx9, and a
// reader that turns a token stream into a list of decoded instructions. The
// reader trusts nothing: every length is checked against the buffer and the
// stream must end with the end token. No GL here.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "d3d9types.h"

namespace qrn::d3d9 {

// What an opcode takes. Counts that depend on the shader version (tex,
// texcoord, sincos) are resolved by OpParams.
struct ShaderOpInfo {
    const char* name;  // assembly mnemonic (version 1 spelling for tex/texcoord)
    uint16_t opcode;
    uint8_t dst;       // destination parameters (0 or 1)
    uint8_t src;       // source parameters
};

// The table entry of an opcode; null when the opcode is unknown.
const ShaderOpInfo* FindShaderOp(uint32_t opcode);
// The table entry of a mnemonic (lower case); null when unknown.
const ShaderOpInfo* FindShaderOpByName(const char* name);
// Destination and source counts of `opcode` in a shader of this version
// (pixel: a pixel shader). False for opcodes with no fixed shape (def, dcl,
// comments) or not valid in that version.
bool OpParams(uint32_t opcode, bool pixel, uint32_t major, uint32_t minor, uint32_t* dst, uint32_t* src);

// A register reference as the tokens give it.
struct ShaderReg {
    uint32_t type = 0;    // D3DSPR_
    uint32_t num = 0;
    bool relative = false;
    // Relative address (version 2+ and vs_1_1's implied a0.x).
    uint32_t relType = D3DSPR_ADDR;
    uint32_t relNum = 0;
    uint32_t relComp = 0;  // component 0..3 of the address register
};

struct ShaderDst : ShaderReg {
    uint32_t mask = 0xF;   // bit per component x y z w
    uint32_t mod = 0;      // D3DSPDM_ bits (shifted down)
    int32_t shift = 0;     // -8..7: result scaled by 2^shift
};

struct ShaderSrc : ShaderReg {
    uint32_t swizzle = 0xE4;  // 2 bits per component, x in bits 0-1
    uint32_t mod = 0;         // D3DSPSM_ value shifted down (0..13)
};

struct ShaderInstr {
    uint32_t opcode = 0;
    uint32_t control = 0;     // bits 16..23 of the instruction token
    bool coissue = false;
    bool predicated = false;
    bool hasDst = false;
    ShaderDst dst;
    ShaderSrc pred;           // predicate register when predicated
    uint32_t srcCount = 0;
    std::array<ShaderSrc, 4> src{};
    // dcl: usage, usage index, sampler texture type (D3DSTT_ >> 27).
    uint32_t usage = 0, usageIndex = 0, textureType = 0;
    // def/defi/defb: the four values as raw bits.
    std::array<uint32_t, 4> values{};
};

struct ShaderProgram {
    bool pixel = false;
    uint32_t major = 0, minor = 0;
    std::vector<ShaderInstr> instrs;
    // Comment blocks, in order, as raw DWORDs (without the comment token).
    std::vector<std::vector<uint32_t>> comments;
    size_t dwords = 0;  // length of the stream up to and including the end token
};

// Reads byte code of at most `maxDwords` DWORDs. False with a message in
// `error` when the stream is malformed: an unknown version or opcode, a
// length running past the buffer, a parameter token without bit 31, a
// register type that is not allowed, or no end token.
bool ReadShader(const uint32_t* code, size_t maxDwords, ShaderProgram* out, std::string* error);

// Comment blocks that begin with this FOURCC ("QGLS" in memory) carry a
// program already in GLSL; see d3dx9shader.h for the layout.
constexpr uint32_t kGlslCommentTag = 0x534C4751u;

}  // namespace qrn::d3d9
