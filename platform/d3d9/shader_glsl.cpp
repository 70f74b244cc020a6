// Byte code to GLSL 4.50 (see shader_glsl.h). Every register becomes a vec4
// variable (constants index the stage's block); each instruction becomes one
// statement that computes a vec4 and stores the components of the write mask,
// after the result shift and saturation. Subroutines (label .. ret) become
// functions, loops and conditions become GLSL blocks.
#include "shader_glsl.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <vector>

#include "d3d9types.h"
#include "shader_bytecode.h"

namespace qrn::d3d9 {

int ShaderAttribLocation(uint32_t usage, uint32_t index)
{
    switch (usage) {
    case D3DDECLUSAGE_POSITION: return index == 0 ? 0 : index == 1 ? 13 : -1;
    case D3DDECLUSAGE_POSITIONT: return index == 0 ? 0 : -1;
    case D3DDECLUSAGE_NORMAL: return index == 0 ? 1 : index == 1 ? 14 : -1;
    case D3DDECLUSAGE_PSIZE: return index == 0 ? 2 : -1;
    case D3DDECLUSAGE_COLOR: return index < 2 ? 3 + (int)index : -1;
    case D3DDECLUSAGE_TEXCOORD: return index < 8 ? 5 + (int)index : -1;
    case D3DDECLUSAGE_BINORMAL:
    case D3DDECLUSAGE_TANGENT: return index == 0 ? 15 : -1;
    default: return -1;
    }
}

namespace {

std::string N(uint32_t n) { return std::to_string(n); }
std::string I(uint32_t bits) { return std::to_string((int32_t)bits); }

std::string Float(uint32_t bits)
{
    float f;
    memcpy(&f, &bits, 4);
    if (f != f) return "0.0";
    if (f > 3.0e38f) return "3.0e38";
    if (f < -3.0e38f) return "-3.0e38";
    char buf[48];
    snprintf(buf, sizeof buf, "%.9g", f);
    std::string s = buf;
    if (s.find_first_of(".e") == std::string::npos) s += ".0";
    return s;
}

const char* kComp = "xyzw";

class Translator {
public:
    Translator(const ShaderProgram& p, std::string* error) : p_(p), error_(error) {}

    bool Run(GlslShader* out)
    {
        out_ = out;
        out->pixel = p_.pixel;
        out->version = (p_.pixel ? 0xFFFF0000u : 0xFFFE0000u) | (p_.major << 8) | p_.minor;
        ps1_ = p_.pixel && p_.major == 1;
        if (!Scan()) return false;
        std::string body;
        std::vector<std::string> functions;  // label bodies
        std::string* cur = &body;
        int depth = 1;
        bool inLabel = false;
        for (const ShaderInstr& ins : p_.instrs) {
            if (ins.opcode == D3DSIO_LABEL) {
                if (depth != 1) return Fail("label inside a block");
                if (inLabel) *cur += "}\n";
                functions.emplace_back();
                cur = &functions.back();
                *cur += "void L" + N(ins.src[0].num) + "() {\n";
                inLabel = true;
                continue;
            }
            if (ins.opcode == D3DSIO_RET && depth == 1) {
                *cur += "    return;\n";
                continue;
            }
            std::string stmt;
            if (!Instr(ins, &stmt, &depth)) return false;
            if (depth < 1) return Fail("unbalanced block");
            *cur += stmt;
        }
        if (depth != 1) return Fail("unbalanced block");
        if (inLabel) *cur += "}\n";

        std::string s = "#version 450 core\n";
        s += Declarations();
        for (uint32_t l : labels_) s += "void L" + N(l) + "();\n";
        for (const std::string& f : functions) s += f;
        // The body may return early (ret): it is a function of its own, and
        // qrnDone copies the registers to the GLSL outputs after it.
        s += "void qrnBody() {\n" + body + "}\n";
        s += Epilogue();
        s += "void qrnMain() {\n" + Prologue() + "    qrnBody();\n    qrnDone();\n}\n";
        for (uint32_t l : labels_)
            if (!definedLabels_.count(l)) return Fail("call to a label that is not defined");
        out->text = std::move(s);
        return true;
    }

private:
    bool Fail(const std::string& m)
    {
        if (error_) *error_ = m;
        return false;
    }

    // ---- first pass: what registers exist --------------------------------------------
    bool NoteReg(const ShaderReg& r, bool dst)
    {
        if (dst) {
            const bool writable = r.type == D3DSPR_TEMP || r.type == D3DSPR_ADDR || r.type == D3DSPR_RASTOUT ||
                                  r.type == D3DSPR_ATTROUT || r.type == D3DSPR_OUTPUT || r.type == D3DSPR_COLOROUT ||
                                  r.type == D3DSPR_DEPTHOUT || r.type == D3DSPR_PREDICATE ||
                                  (r.type == D3DSPR_INPUT && p_.pixel);
            if (!writable) return Fail("register type cannot be written");
        }
        switch (r.type) {
        case D3DSPR_TEMP:
            if (r.num >= 32) return Fail("temporary register out of range");
            temps_.insert(r.num);
            break;
        case D3DSPR_INPUT:
            if (r.num >= 16) return Fail("input register out of range");
            if (dst && !p_.pixel) return Fail("write to an input register");
            inputs_.insert(r.num);
            break;
        case D3DSPR_CONST:
            if (r.num >= (p_.pixel ? 224u : 256u)) return Fail("constant register out of range");
            break;
        case D3DSPR_CONST2: case D3DSPR_CONST3: case D3DSPR_CONST4:
            return Fail("constant bank not supported");
        case D3DSPR_ADDR:  // texture register in pixel shaders
            if (p_.pixel) {
                if (r.num >= 8) return Fail("texture register out of range");
                textures_.insert(r.num);
            } else {
                if (r.num != 0) return Fail("address register out of range");
                addr_ = true;
            }
            break;
        case D3DSPR_RASTOUT: if (r.num > 2) return Fail("bad rasteriser output"); break;
        case D3DSPR_ATTROUT: if (r.num > 1) return Fail("bad colour output"); break;
        case D3DSPR_OUTPUT: if (r.num >= 12) return Fail("output register out of range"); break;
        case D3DSPR_CONSTINT: case D3DSPR_CONSTBOOL: if (r.num >= 16) return Fail("register out of range"); break;
        case D3DSPR_COLOROUT: if (r.num != 0) return Fail("only oC0 is supported"); break;
        case D3DSPR_DEPTHOUT: if (r.num != 0) return Fail("bad depth output"); depth_ = true; break;
        case D3DSPR_SAMPLER:
            if (r.num >= 16) return Fail("sampler out of range");
            out_->samplerMask |= 1u << r.num;
            break;
        case D3DSPR_LOOP: break;
        case D3DSPR_MISCTYPE: if (r.num > 1) return Fail("bad misc register"); break;
        case D3DSPR_LABEL: if (r.num >= 2048) return Fail("label out of range"); break;
        case D3DSPR_PREDICATE: if (r.num != 0) return Fail("bad predicate register"); pred_ = true; break;
        default: return Fail("register type not supported");
        }
        if (r.relative) {
            if (r.type != D3DSPR_CONST && !(r.type == D3DSPR_INPUT && p_.pixel))
                return Fail("relative addressing of this register type is not supported");
            if (r.relType == D3DSPR_ADDR) addr_ = true;
        }
        return true;
    }

    bool Scan()
    {
        if (ps1_) temps_.insert(0);  // r0 is the colour of ps_1_x
        for (const ShaderInstr& ins : p_.instrs) {
            if (ins.opcode == D3DSIO_DEF) {
                if (ins.dst.num >= 256) return Fail("constant register out of range");
                defF_[ins.dst.num] = ins.values;
                continue;
            }
            if (ins.opcode == D3DSIO_DEFI) {
                if (ins.dst.num >= 16) return Fail("register out of range");
                defI_[ins.dst.num] = ins.values;
                continue;
            }
            if (ins.opcode == D3DSIO_DEFB) {
                if (ins.dst.num >= 16) return Fail("register out of range");
                defB_[ins.dst.num] = ins.values[0];
                continue;
            }
            if (ins.opcode == D3DSIO_DCL) {
                if (!NoteReg(ins.dst, false)) return false;
                if (ins.dst.type == D3DSPR_SAMPLER) {
                    const uint32_t t = ins.textureType;
                    out_->samplerTypes[ins.dst.num] = t == 3 ? kSamplerCube : t == 4 ? kSamplerVolume : kSampler2D;
                } else if (ins.dst.type == D3DSPR_INPUT) {
                    dclIn_[ins.dst.num] = {ins.usage, ins.usageIndex};
                } else if (ins.dst.type == D3DSPR_OUTPUT) {
                    dclOut_[ins.dst.num] = {ins.usage, ins.usageIndex};
                } else if (ins.dst.type == D3DSPR_ADDR && p_.pixel) {
                    // ps_2_x texture coordinate declaration: nothing more to note
                }
                continue;
            }
            if (ins.opcode == D3DSIO_LABEL) {
                definedLabels_.insert(ins.src[0].num);
                continue;
            }
            if (ins.hasDst && !NoteReg(ins.dst, true)) return false;
            if (ins.predicated && !NoteReg(ins.pred, false)) return false;
            for (uint32_t k = 0; k < ins.srcCount; ++k) {
                if (!NoteReg(ins.src[k], false)) return false;
                if (ins.src[k].type == D3DSPR_LABEL) labels_.insert(ins.src[k].num);
            }
            if (ps1_ && ins.opcode == D3DSIO_TEX) {
                // texld r(n) in 1.4 and tex t(n) in 1.1-1.3 use sampler n
                const uint32_t want = p_.minor == 4 ? D3DSPR_TEMP : D3DSPR_TEXTURE;
                if (ins.dst.type != want || ins.dst.num >= 8) return Fail("bad texture destination");
                out_->samplerMask |= 1u << ins.dst.num;
            }
            if (ins.opcode == D3DSIO_TEX && !ps1_ && ins.srcCount == 2 && ins.src[1].type == D3DSPR_SAMPLER)
                out_->samplerMask |= 1u << ins.src[1].num;
        }
        if (!p_.pixel) {
            for (auto& [reg, u] : dclIn_) {
                const int loc = ShaderAttribLocation(u.first, u.second);
                if (loc < 0) return Fail("vertex input usage not supported");
                out_->attribMask |= 1u << loc;
            }
            for (uint32_t r : inputs_)
                if (!dclIn_.count(r)) return Fail("vertex input v" + N(r) + " is not declared");
        } else if (p_.major < 3) {
            for (uint32_t r : inputs_)
                if (r > 1) return Fail("colour input out of range");
        } else {
            for (uint32_t r : inputs_) {
                auto it = dclIn_.find(r);
                if (it == dclIn_.end() || VaryingFor(it->second.first, it->second.second).empty())
                    return Fail("pixel input v" + N(r) + " is not declared with a supported usage");
            }
        }
        return true;
    }

    // ---- declarations -------------------------------------------------------------------
    std::string VaryingFor(uint32_t usage, uint32_t index) const
    {
        if (usage == D3DDECLUSAGE_COLOR && index < 2) return index == 0 ? "vDiffuse" : "vSpecular";
        if (usage == D3DDECLUSAGE_TEXCOORD && index < 8) return "vTex" + N(index);
        return "";
    }

    std::string Declarations()
    {
        std::string s;
        const char* block = p_.pixel ? "QrnPsConst" : "QrnVsConst";
        s += "layout(std140, binding = " + N(p_.pixel ? kShaderPsConstBinding : kShaderVsConstBinding) +
             ") uniform " + block + " {\n    vec4 " + K("c") + "[256];\n    ivec4 " + K("i") + "[16];\n    ivec4 " + K("b") + "[16];\n};\n";
        for (auto& [n, v] : defF_)
            s += "const vec4 c" + N(n) + "_def = vec4(" + Float(v[0]) + ", " + Float(v[1]) + ", " + Float(v[2]) +
                 ", " + Float(v[3]) + ");\n";
        for (auto& [n, v] : defI_)
            s += "const ivec4 i" + N(n) + "_def = ivec4(" + I(v[0]) + ", " + I(v[1]) + ", " + I(v[2]) + ", " + I(v[3]) +
                 ");\n";
        for (uint32_t t : temps_) s += "vec4 r" + N(t) + ";\n";
        if (addr_) s += "ivec4 a0;\n";
        if (pred_) s += "bvec4 p0;\n";
        s += "int aL = 0;\n";
        if (!p_.pixel) {
            for (auto& [reg, u] : dclIn_)
                s += "layout(location = " + N((uint32_t)ShaderAttribLocation(u.first, u.second)) + ") in vec4 v" +
                     N(reg) + ";\n";
            s += "out vec4 vDiffuse;\nout vec4 vSpecular;\nout float vFog;\n";
            for (uint32_t t = 0; t < 8; ++t) s += "out vec4 vTex" + N(t) + ";\n";
            if (p_.major >= 3) {
                for (uint32_t o = 0; o < 12; ++o) s += "vec4 o" + N(o) + ";\n";
            } else {
                s += "vec4 oPos;\nvec4 oFog;\nvec4 oPts;\nvec4 oD0;\nvec4 oD1;\n";
                for (uint32_t t = 0; t < 8; ++t) s += "vec4 oT" + N(t) + ";\n";
            }
        } else {
            // Inputs: colours and texture coordinates by semantic.
            std::set<std::string> in;
            if (p_.major < 3) {
                for (uint32_t r : inputs_) {
                    in.insert(r == 0 ? "vDiffuse" : "vSpecular");
                }
                for (uint32_t t : textures_) {
                    in.insert("vTex" + N(t));
                    if (ps1_) s += "vec4 t" + N(t) + ";\n";
                }
            } else {
                for (uint32_t r : inputs_) {
                    auto it = dclIn_.find(r);
                    const std::string v = it == dclIn_.end() ? "" : VaryingFor(it->second.first, it->second.second);
                    in.insert(v);
                    s += "vec4 v" + N(r) + ";\n";
                }
            }
            for (const std::string& v : in) {
                s += "in vec4 " + v + ";\n";
                if (v.rfind("vTex", 0) == 0) out_->texCoordsRead |= 1u << (v[4] - '0');
                else out_->readsColors = true;
            }
            for (uint32_t i = 0; i < 16; ++i) {
                if (!(out_->samplerMask & (1u << i))) continue;
                const char* type = out_->samplerTypes[i] == kSamplerCube     ? "samplerCube"
                                   : out_->samplerTypes[i] == kSamplerVolume ? "sampler3D"
                                                                             : "sampler2D";
                s += "layout(binding = " + N(i) + ") uniform " + type + " s" + N(i) + ";\n";
            }
            s += "layout(location = 0) out vec4 oColor;\n";
            if (p_.major >= 2) s += "vec4 oC0;\n";
            if (depth_) s += "float oDepth;\n";
        }
        return s;
    }

    std::string Prologue()
    {
        std::string s;
        for (uint32_t t : temps_) s += "    r" + N(t) + " = vec4(0.0);\n";
        if (addr_) s += "    a0 = ivec4(0);\n";
        if (pred_) s += "    p0 = bvec4(false);\n";
        if (!p_.pixel) {
            if (p_.major >= 3) {
                for (uint32_t o = 0; o < 12; ++o) s += "    o" + N(o) + " = vec4(0.0, 0.0, 0.0, 1.0);\n";
            } else {
                s += "    oPos = vec4(0.0, 0.0, 0.0, 1.0);\n    oFog = vec4(1.0);\n    oPts = vec4(1.0);\n"
                     "    oD0 = vec4(1.0);\n    oD1 = vec4(0.0);\n";
                for (uint32_t t = 0; t < 8; ++t) s += "    oT" + N(t) + " = vec4(0.0, 0.0, 0.0, 1.0);\n";
            }
        } else {
            if (ps1_)
                for (uint32_t t : textures_) s += "    t" + N(t) + " = vTex" + N(t) + ";\n";
            if (p_.major >= 3)
                for (uint32_t r : inputs_) s += "    v" + N(r) + " = " + VaryingFor(dclIn_[r].first, dclIn_[r].second) + ";\n";
            if (p_.major >= 2) s += "    oC0 = vec4(0.0);\n";
        }
        return s;
    }

    std::string Epilogue()
    {
        std::string s = "void qrnDone() {\n";
        if (!p_.pixel) {
            if (p_.major >= 3) {
                bool pos = false;
                for (auto& [reg, u] : dclOut_) {
                    const std::string o = "o" + N(reg);
                    const std::string v = VaryingFor(u.first, u.second);
                    if (u.first == D3DDECLUSAGE_POSITION && u.second == 0) s += "    gl_Position = " + o + ";\n", pos = true;
                    else if (u.first == D3DDECLUSAGE_FOG) s += "    vFog = " + o + ".x;\n", out_->writesFog = true;
                    else if (u.first == D3DDECLUSAGE_PSIZE) s += "    gl_PointSize = " + o + ".x;\n", out_->writesPointSize = true;
                    else if (u.first == D3DDECLUSAGE_COLOR && !v.empty()) s += "    " + v + " = clamp(" + o + ", 0.0, 1.0);\n";
                    else if (!v.empty()) s += "    " + v + " = " + o + ";\n";
                }
                if (!pos) s += "    gl_Position = vec4(0.0, 0.0, 0.0, 1.0);\n";
            } else {
                s += "    gl_Position = oPos;\n    vDiffuse = clamp(oD0, 0.0, 1.0);\n    vSpecular = clamp(oD1, 0.0, 1.0);\n"
                     "    vFog = oFog.x;\n";
                for (uint32_t t = 0; t < 8; ++t) s += "    vTex" + N(t) + " = oT" + N(t) + ";\n";
                if (writesPts_) s += "    gl_PointSize = oPts.x;\n", out_->writesPointSize = true;
                out_->writesFog = writesFog_;
            }
        } else {
            s += ps1_ ? "    oColor = r0;\n" : "    oColor = oC0;\n";
            if (depth_) s += "    gl_FragDepth = clamp(oDepth, 0.0, 1.0);\n";
        }
        s += "}\n";
        return s;
    }

    // ---- operands ---------------------------------------------------------------------
    std::string RegName(const ShaderReg& r, bool source)
    {
        switch (r.type) {
        case D3DSPR_TEMP: return "r" + N(r.num);
        case D3DSPR_INPUT:
            if (p_.pixel && p_.major < 3) return r.num == 0 ? "vDiffuse" : "vSpecular";
            return "v" + N(r.num);
        case D3DSPR_CONST: {
            if (r.relative) {
                const std::string a = r.relType == D3DSPR_LOOP ? "aL" : "a0." + std::string(1, kComp[r.relComp]);
                return K("c") + "[clamp(" + a + " + " + N(r.num) + ", 0, 255)]";
            }
            const std::string v = defF_.count(r.num) ? "c" + N(r.num) + "_def" : K("c") + "[" + N(r.num) + "]";
            return ps1_ && source ? "clamp(" + v + ", -1.0, 1.0)" : v;
        }
        case D3DSPR_ADDR:
            if (p_.pixel) return ps1_ ? "t" + N(r.num) : "vTex" + N(r.num);
            return "vec4(a0)";
        case D3DSPR_RASTOUT: return r.num == 0 ? "oPos" : r.num == 1 ? "oFog" : "oPts";
        case D3DSPR_ATTROUT: return "oD" + N(r.num);
        case D3DSPR_OUTPUT: return p_.major >= 3 ? "o" + N(r.num) : "oT" + N(r.num);
        case D3DSPR_CONSTINT: return defI_.count(r.num) ? "vec4(i" + N(r.num) + "_def)" : "vec4(" + K("i") + "[" + N(r.num) + "])";
        case D3DSPR_CONSTBOOL: return BoolReg(r.num);
        case D3DSPR_COLOROUT: return "oC0";
        case D3DSPR_DEPTHOUT: return "oDepth";
        case D3DSPR_LOOP: return "vec4(float(aL))";
        case D3DSPR_MISCTYPE:
            return r.num == 0 ? "vec4(gl_FragCoord.xy - 0.5, 0.0, 0.0)" : "vec4(gl_FrontFacing ? 1.0 : -1.0)";
        case D3DSPR_PREDICATE: return "vec4(p0)";
        default: return "vec4(0.0)";
        }
    }

    std::string BoolReg(uint32_t n)
    {
        if (defB_.count(n)) return defB_[n] ? "true" : "false";
        return "(" + K("b") + "[" + N(n) + "].x != 0)";
    }

    static std::string Swizzle(uint32_t swz)
    {
        if (swz == 0xE4) return "";
        std::string s = ".";
        for (int i = 0; i < 4; ++i) s += kComp[(swz >> (2 * i)) & 3];
        return s;
    }

    std::string Src(const ShaderSrc& s)
    {
        std::string v = RegName(s, true);
        if (s.type == D3DSPR_PREDICATE || s.type == D3DSPR_CONSTBOOL) return v;
        // Scalar-ish names are vec4 expressions; wrap before swizzling.
        if (v.find('(') != std::string::npos && v.back() == ')' && Swizzle(s.swizzle) != "") v = "(" + v + ")";
        v += Swizzle(s.swizzle);
        switch (s.mod) {
        case 0: return v;
        case 1: return "(-" + v + ")";
        case 2: return "(" + v + " - 0.5)";
        case 3: return "(0.5 - " + v + ")";
        case 4: return "(2.0 * " + v + " - 1.0)";
        case 5: return "(1.0 - 2.0 * " + v + ")";
        case 6: return "(1.0 - " + v + ")";
        case 7: return "(2.0 * " + v + ")";
        case 8: return "(-2.0 * " + v + ")";
        case 9: return "(" + v + " / " + v + ".z)";
        case 10: return "(" + v + " / " + v + ".w)";
        case 11: return "abs(" + v + ")";
        case 12: return "(-abs(" + v + "))";
        default: return v;
        }
    }

    // The first component a scalar source reads (its swizzle's x).
    std::string Scalar(const ShaderSrc& s) { return "(" + Src(s) + ").x"; }

    std::string Store(const ShaderInstr& ins, const std::string& value)
    {
        const ShaderDst& d = ins.dst;
        std::string name = RegName(d, false);
        if (d.type == D3DSPR_ADDR && !p_.pixel) {
            // mov a0 (vs_1_1) floors, mova rounds to the nearest.
            const std::string f = ins.opcode == D3DSIO_MOVA ? "round" : "floor";
            std::string s;
            for (int c = 0; c < 4; ++c)
                if (d.mask & (1u << c))
                    s += "    a0." + std::string(1, kComp[c]) + " = int(" + f + "((" + value + ")." + kComp[c] + "));\n";
            return s;
        }
        if (d.type == D3DSPR_RASTOUT && d.num == 2) writesPts_ = true;
        if (d.type == D3DSPR_RASTOUT && d.num == 1) writesFog_ = true;
        std::string v = value;
        if (d.shift) {
            const float k = d.shift > 0 ? (float)(1 << d.shift) : 1.0f / (float)(1 << -d.shift);
            char buf[32];
            snprintf(buf, sizeof buf, "%.9g", k);
            std::string ks = buf;
            if (ks.find('.') == std::string::npos) ks += ".0";
            v = "(" + v + " * " + ks + ")";
        }
        if (d.mod & 1) v = "clamp(" + v + ", 0.0, 1.0)";
        else if (ps1_) v = "clamp(" + v + ", -8.0, 8.0)";
        std::string mask;
        for (int c = 0; c < 4; ++c)
            if (d.mask & (1u << c)) mask += kComp[c];
        if (mask.empty()) return "";
        if (d.type == D3DSPR_DEPTHOUT) return "    oDepth = (" + v + ").x;\n";
        if (ins.predicated) {
            std::string s = "    { vec4 q = " + v + "; bvec4 pr = " + PredicateExpr(ins.pred) + ";\n";
            for (char c : mask) s += std::string("      if (pr.") + c + ") " + name + "." + c + " = q." + c + ";\n";
            return s + "    }\n";
        }
        if (mask == "xyzw") return "    " + name + " = " + v + ";\n";
        return "    " + name + "." + mask + " = (" + v + ")." + mask + ";\n";
    }

    std::string PredicateExpr(const ShaderSrc& p)
    {
        std::string v = "p0" + Swizzle(p.swizzle);
        if (p.swizzle == 0xE4) v = "p0";
        return p.mod == 13 ? "not(" + v + ")" : v;
    }

    static std::string Compare(uint32_t control)
    {
        switch (control & 7) {
        case D3DSPC_GT: return ">";
        case D3DSPC_EQ: return "==";
        case D3DSPC_GE: return ">=";
        case D3DSPC_LT: return "<";
        case D3DSPC_NE: return "!=";
        case D3DSPC_LE: return "<=";
        default: return "";
        }
    }

    static std::string CompareVec(uint32_t control)
    {
        switch (control & 7) {
        case D3DSPC_GT: return "greaterThan";
        case D3DSPC_EQ: return "equal";
        case D3DSPC_GE: return "greaterThanEqual";
        case D3DSPC_LT: return "lessThan";
        case D3DSPC_NE: return "notEqual";
        case D3DSPC_LE: return "lessThanEqual";
        default: return "";
        }
    }

    std::string IntReg(uint32_t n) { return defI_.count(n) ? "i" + N(n) + "_def" : K("i") + "[" + N(n) + "]"; }

    // Block members differ per stage (vc/pc ...): both blocks live in one program.
    std::string K(const char* kind) const { return std::string(p_.pixel ? "p" : "v") + kind + "k"; }

    std::string Sample(uint32_t sampler, const std::string& coords, uint32_t control, const std::string& lod = "")
    {
        const uint8_t type = out_->samplerTypes[sampler & 15];
        const std::string s = "s" + N(sampler);
        const std::string c = type == kSampler2D ? "(" + coords + ").xy" : "(" + coords + ").xyz";
        if (!lod.empty()) return "textureLod(" + s + ", " + c + ", " + lod + ")";
        if (control & 1) {
            if (type == kSampler2D) return "textureProj(" + s + ", (" + coords + ").xyw)";
            return "texture(" + s + ", (" + coords + ").xyz / (" + coords + ").w)";
        }
        if (control & 2) return "texture(" + s + ", " + c + ", (" + coords + ").w)";
        return "texture(" + s + ", " + c + ")";
    }

    // ---- instructions -------------------------------------------------------------------
    bool Instr(const ShaderInstr& ins, std::string* out, int* depth)
    {
        const auto& s = ins.src;
        auto S = [&](int k) { return Src(s[k]); };
        auto rep = [](const std::string& x) { return "vec4(" + x + ")"; };
        std::string v;
        switch (ins.opcode) {
        case D3DSIO_NOP: case D3DSIO_DEF: case D3DSIO_DEFI: case D3DSIO_DEFB: case D3DSIO_DCL: case D3DSIO_PHASE:
            return true;
        case D3DSIO_MOV: case D3DSIO_MOVA: v = S(0); break;
        case D3DSIO_ADD: v = S(0) + " + " + S(1); break;
        case D3DSIO_SUB: v = S(0) + " - " + S(1); break;
        case D3DSIO_MUL: v = S(0) + " * " + S(1); break;
        case D3DSIO_MAD: v = S(0) + " * " + S(1) + " + " + S(2); break;
        case D3DSIO_RCP: v = rep("1.0 / " + Scalar(s[0])); break;
        case D3DSIO_RSQ: v = rep("inversesqrt(abs(" + Scalar(s[0]) + "))"); break;
        case D3DSIO_DP3: v = rep("dot((" + S(0) + ").xyz, (" + S(1) + ").xyz)"); break;
        case D3DSIO_DP4: v = rep("dot(" + S(0) + ", " + S(1) + ")"); break;
        case D3DSIO_MIN: v = "min(" + S(0) + ", " + S(1) + ")"; break;
        case D3DSIO_MAX: v = "max(" + S(0) + ", " + S(1) + ")"; break;
        case D3DSIO_SLT: v = "vec4(lessThan(" + S(0) + ", " + S(1) + "))"; break;
        case D3DSIO_SGE: v = "vec4(greaterThanEqual(" + S(0) + ", " + S(1) + "))"; break;
        case D3DSIO_EXP: v = rep("exp2(" + Scalar(s[0]) + ")"); break;
        case D3DSIO_EXPP:
            if (p_.major < 2) {
                const std::string x = Scalar(s[0]);
                v = "vec4(exp2(floor(" + x + ")), fract(" + x + "), exp2(" + x + "), 1.0)";
            } else {
                v = rep("exp2(" + Scalar(s[0]) + ")");
            }
            break;
        case D3DSIO_LOG: case D3DSIO_LOGP:
            v = rep("(abs(" + Scalar(s[0]) + ") == 0.0 ? -3.4e38 : log2(abs(" + Scalar(s[0]) + ")))");
            break;
        case D3DSIO_LIT: {
            const std::string x = S(0);
            v = "vec4(1.0, max((" + x + ").x, 0.0), ((" + x + ").x > 0.0 && (" + x + ").y > 0.0) ? pow((" + x +
                ").y, clamp((" + x + ").w, -127.9961, 127.9961)) : 0.0, 1.0)";
            break;
        }
        case D3DSIO_DST:
            v = "vec4(1.0, (" + S(0) + ").y * (" + S(1) + ").y, (" + S(0) + ").z, (" + S(1) + ").w)";
            break;
        case D3DSIO_LRP: v = "mix(" + S(2) + ", " + S(1) + ", " + S(0) + ")"; break;
        case D3DSIO_FRC: v = "fract(" + S(0) + ")"; break;
        case D3DSIO_M4x4: case D3DSIO_M4x3: case D3DSIO_M3x4: case D3DSIO_M3x3: case D3DSIO_M3x2: {
            const int rows = ins.opcode == D3DSIO_M4x4 || ins.opcode == D3DSIO_M3x4 ? 4
                             : ins.opcode == D3DSIO_M3x2                             ? 2
                                                                                     : 3;
            const bool four = ins.opcode == D3DSIO_M4x4 || ins.opcode == D3DSIO_M4x3;
            std::string parts[4];
            for (int r = 0; r < 4; ++r) {
                if (r >= rows) {
                    parts[r] = "0.0";
                    continue;
                }
                ShaderSrc row = s[1];
                row.num += r;
                if (!NoteReg(row, false)) return false;
                parts[r] = four ? "dot(" + S(0) + ", " + Src(row) + ")"
                                : "dot((" + S(0) + ").xyz, (" + Src(row) + ").xyz)";
            }
            v = "vec4(" + parts[0] + ", " + parts[1] + ", " + parts[2] + ", " + parts[3] + ")";
            break;
        }
        case D3DSIO_POW: v = rep("pow(abs(" + Scalar(s[0]) + "), " + Scalar(s[1]) + ")"); break;
        case D3DSIO_CRS: v = "vec4(cross((" + S(0) + ").xyz, (" + S(1) + ").xyz), 0.0)"; break;
        case D3DSIO_SGN: v = "sign(" + S(0) + ")"; break;
        case D3DSIO_ABS: v = "abs(" + S(0) + ")"; break;
        case D3DSIO_NRM: v = "(" + S(0) + " * inversesqrt(max(dot((" + S(0) + ").xyz, (" + S(0) + ").xyz), 1e-30)))"; break;
        case D3DSIO_SINCOS: {
            const std::string x = Scalar(s[0]);
            v = "vec4(cos(" + x + "), sin(" + x + "), 0.0, 0.0)";
            break;
        }
        case D3DSIO_CND:
            v = "mix(" + S(2) + ", " + S(1) + ", vec4(greaterThan(" + S(0) + ", vec4(0.5))))";
            break;
        case D3DSIO_CMP:
            v = "mix(" + S(2) + ", " + S(1) + ", vec4(greaterThanEqual(" + S(0) + ", vec4(0.0))))";
            break;
        case D3DSIO_DP2ADD: v = rep("dot((" + S(0) + ").xy, (" + S(1) + ").xy) + " + Scalar(s[2])); break;
        case D3DSIO_DSX: v = "dFdx(" + S(0) + ")"; break;
        case D3DSIO_DSY: v = "dFdy(" + S(0) + ")"; break;
        case D3DSIO_TEXKILL: {
            const std::string r = ps1_ && p_.minor < 4 ? "t" + N(ins.dst.num) : RegName(ins.dst, true);
            *out = "    if (any(lessThan((" + r + ").xyz, vec3(0.0)))) discard;\n";
            return true;
        }
        case D3DSIO_TEXCOORD:
            if (p_.minor == 4) v = "vec4((" + S(0) + ").xyz, 1.0)";
            else v = "vec4(clamp(vTex" + N(ins.dst.num) + ".xyz, 0.0, 1.0), 1.0)";
            break;
        case D3DSIO_TEX:
            if (ps1_ && p_.minor < 4) v = Sample(ins.dst.num, "vTex" + N(ins.dst.num), 0);
            else if (ps1_) v = Sample(ins.dst.num, S(0), s[0].mod == 9 || s[0].mod == 10 ? 0 : 0);
            else v = Sample(s[1].num, S(0), ins.control);
            break;
        case D3DSIO_TEXLDL: v = Sample(s[1].num, S(0), 0, "(" + S(0) + ").w"); break;
        case D3DSIO_TEXLDD: {
            const uint8_t type = out_->samplerTypes[s[1].num & 15];
            const std::string sw = type == kSampler2D ? ".xy" : ".xyz";
            v = "textureGrad(s" + N(s[1].num) + ", (" + S(0) + ")" + sw + ", (" + S(2) + ")" + sw + ", (" + S(3) + ")" +
                sw + ")";
            break;
        }
        case D3DSIO_SETP: {
            if (ins.dst.type != D3DSPR_PREDICATE || CompareVec(ins.control).empty()) return Fail("bad setp");
            std::string m;
            for (int c = 0; c < 4; ++c)
                if (ins.dst.mask & (1u << c)) m += kComp[c];
            *out = "    { bvec4 q = " + CompareVec(ins.control) + "(" + S(0) + ", " + S(1) + ");";
            for (char c : m) *out += std::string(" p0.") + c + " = q." + c + ";";
            *out += " }\n";
            return true;
        }
        // ---- flow control ----
        case D3DSIO_IF: *out = "    if (" + BoolOrPred(s[0]) + ") {\n"; ++*depth; blocks_.push_back('i'); return true;
        case D3DSIO_IFC:
            if (Compare(ins.control).empty()) return Fail("bad comparison");
            *out = "    if (" + Scalar(s[0]) + " " + Compare(ins.control) + " " + Scalar(s[1]) + ") {\n";
            ++*depth;
            blocks_.push_back('i');
            return true;
        case D3DSIO_ELSE:
            if (blocks_.empty() || blocks_.back() != 'i') return Fail("else without if");
            blocks_.back() = 'e';
            *out = "    } else {\n";
            return true;
        case D3DSIO_ENDIF: case D3DSIO_ENDREP: {
            const bool ok = ins.opcode == D3DSIO_ENDIF ? !blocks_.empty() && (blocks_.back() == 'i' || blocks_.back() == 'e')
                                                       : !blocks_.empty() && blocks_.back() == 'r';
            if (!ok) return Fail("block end without its start");
            blocks_.pop_back();
            *out = "    }\n";
            --*depth;
            return true;
        }
        case D3DSIO_ENDLOOP:
            if (blocks_.empty() || blocks_.back() != 'l') return Fail("endloop without loop");
            blocks_.pop_back();
            *out = "    }\n    aL = qrnL" + N(loopIds_.back()) + ";\n    }\n";
            loopIds_.pop_back();
            --*depth;
            return true;
        case D3DSIO_REP: {
            const uint32_t id = nextLoop_++;
            *out = "    for (int qrnR" + N(id) + " = 0; qrnR" + N(id) + " < min(" + IntReg(s[0].num) + ".x, 255); ++qrnR" +
                   N(id) + ") {\n";
            ++*depth;
            blocks_.push_back('r');
            return true;
        }
        case D3DSIO_LOOP: {
            const uint32_t id = nextLoop_++;
            loopIds_.push_back(id);
            const std::string i = IntReg(s[1].num);
            *out = "    { int qrnL" + N(id) + " = aL;\n    aL = " + i + ".y;\n    for (int qrnR" + N(id) + " = 0; qrnR" +
                   N(id) + " < min(" + i + ".x, 255); ++qrnR" + N(id) + ", aL += " + i + ".z) {\n";
            ++*depth;
            blocks_.push_back('l');
            return true;
        }
        case D3DSIO_BREAK: case D3DSIO_BREAKC: case D3DSIO_BREAKP: {
            bool inLoop = false;
            for (char b : blocks_) inLoop |= b == 'r' || b == 'l';
            if (!inLoop) return Fail("break outside a loop");
            if (ins.opcode == D3DSIO_BREAK) *out = "    break;\n";
            else if (ins.opcode == D3DSIO_BREAKP) *out = "    if (" + BoolOrPred(s[0]) + ") break;\n";
            else {
                if (Compare(ins.control).empty()) return Fail("bad comparison");
                *out = "    if (" + Scalar(s[0]) + " " + Compare(ins.control) + " " + Scalar(s[1]) + ") break;\n";
            }
            return true;
        }
        case D3DSIO_CALL: *out = "    L" + N(s[0].num) + "();\n"; return true;
        case D3DSIO_CALLNZ: *out = "    if (" + BoolOrPred(s[1]) + ") L" + N(s[0].num) + "();\n"; return true;
        case D3DSIO_RET: *out = "    return;\n"; return true;
        default: {
            const ShaderOpInfo* o = FindShaderOp(ins.opcode);
            return Fail(std::string("instruction not supported: ") + (o ? o->name : N(ins.opcode)));
        }
        }
        if (!ins.hasDst) return Fail("instruction without a destination");
        if (ins.dst.type == D3DSPR_INPUT && !p_.pixel) return Fail("write to an input register");
        *out = Store(ins, v);
        return true;
    }

    std::string BoolOrPred(const ShaderSrc& s)
    {
        if (s.type == D3DSPR_PREDICATE) {
            const std::string c = "p0." + std::string(1, kComp[s.swizzle & 3]);
            return s.mod == 13 ? "!" + c : c;
        }
        const std::string b = BoolReg(s.num);
        return s.mod == 13 ? "!" + b : b;
    }

    const ShaderProgram& p_;
    std::string* error_;
    GlslShader* out_ = nullptr;
    bool ps1_ = false;
    std::set<uint32_t> temps_, inputs_, textures_, labels_, definedLabels_;
    std::map<uint32_t, std::array<uint32_t, 4>> defF_, defI_;
    std::map<uint32_t, uint32_t> defB_;
    std::map<uint32_t, std::pair<uint32_t, uint32_t>> dclIn_, dclOut_;
    bool addr_ = false, pred_ = false, depth_ = false, writesPts_ = false, writesFog_ = false;
    uint32_t nextLoop_ = 0;
    std::vector<uint32_t> loopIds_;
    std::vector<char> blocks_;  // open blocks: i(f), e(lse), r(ep), l(oop)
};

bool FromComment(const ShaderProgram& p, GlslShader* out, std::string* error)
{
    for (const auto& c : p.comments) {
        if (c.empty() || c[0] != kGlslCommentTag) continue;
        GlslCommentHeader h;
        if (c.size() * 4 < sizeof h) break;
        memcpy(&h, c.data(), sizeof h);
        if (h.textBytes > c.size() * 4 - sizeof h || h.stage != (p.pixel ? 1u : 0u)) break;
        out->pixel = p.pixel;
        out->version = (p.pixel ? 0xFFFF0000u : 0xFFFE0000u) | (p.major << 8) | p.minor;
        out->text.assign(reinterpret_cast<const char*>(c.data()) + sizeof h, h.textBytes);
        if (out->text.find('\0') != std::string::npos) break;
        out->writesPointSize = h.flags & 1;
        out->writesFog = (h.flags & 2) != 0;
        out->samplerMask = h.samplerMask & 0xFFFF;
        out->texCoordsRead = h.texCoordsRead & 0xFF;
        out->readsColors = true;
        out->attribMask = h.attribMask;
        out->fromHlsl = true;
        return true;
    }
    if (error) *error = "malformed GLSL comment block";
    return false;
}

}  // namespace

bool TranslateShader(const uint32_t* code, size_t maxDwords, GlslShader* out, std::string* error)
{
    *out = GlslShader{};
    ShaderProgram p;
    if (!ReadShader(code, maxDwords, &p, error)) return false;
    for (const auto& c : p.comments)
        if (!c.empty() && c[0] == kGlslCommentTag) return FromComment(p, out, error);
    Translator t(p, error);
    return t.Run(out);
}

}  // namespace qrn::d3d9
