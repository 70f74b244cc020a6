// The opcode table and the byte code reader (see shader_bytecode.h).
#include "shader_bytecode.h"

#include <cstring>

namespace qrn::d3d9 {

namespace {

constexpr ShaderOpInfo kOps[] = {
    {"nop", D3DSIO_NOP, 0, 0},         {"mov", D3DSIO_MOV, 1, 1},         {"add", D3DSIO_ADD, 1, 2},
    {"sub", D3DSIO_SUB, 1, 2},         {"mad", D3DSIO_MAD, 1, 3},         {"mul", D3DSIO_MUL, 1, 2},
    {"rcp", D3DSIO_RCP, 1, 1},         {"rsq", D3DSIO_RSQ, 1, 1},         {"dp3", D3DSIO_DP3, 1, 2},
    {"dp4", D3DSIO_DP4, 1, 2},         {"min", D3DSIO_MIN, 1, 2},         {"max", D3DSIO_MAX, 1, 2},
    {"slt", D3DSIO_SLT, 1, 2},         {"sge", D3DSIO_SGE, 1, 2},         {"exp", D3DSIO_EXP, 1, 1},
    {"log", D3DSIO_LOG, 1, 1},         {"lit", D3DSIO_LIT, 1, 1},         {"dst", D3DSIO_DST, 1, 2},
    {"lrp", D3DSIO_LRP, 1, 3},         {"frc", D3DSIO_FRC, 1, 1},         {"m4x4", D3DSIO_M4x4, 1, 2},
    {"m4x3", D3DSIO_M4x3, 1, 2},       {"m3x4", D3DSIO_M3x4, 1, 2},       {"m3x3", D3DSIO_M3x3, 1, 2},
    {"m3x2", D3DSIO_M3x2, 1, 2},       {"call", D3DSIO_CALL, 0, 1},       {"callnz", D3DSIO_CALLNZ, 0, 2},
    {"loop", D3DSIO_LOOP, 0, 2},       {"ret", D3DSIO_RET, 0, 0},         {"endloop", D3DSIO_ENDLOOP, 0, 0},
    {"label", D3DSIO_LABEL, 0, 1},     {"dcl", D3DSIO_DCL, 0, 0},         {"pow", D3DSIO_POW, 1, 2},
    {"crs", D3DSIO_CRS, 1, 2},         {"sgn", D3DSIO_SGN, 1, 3},         {"abs", D3DSIO_ABS, 1, 1},
    {"nrm", D3DSIO_NRM, 1, 1},         {"sincos", D3DSIO_SINCOS, 1, 3},   {"rep", D3DSIO_REP, 0, 1},
    {"endrep", D3DSIO_ENDREP, 0, 0},   {"if", D3DSIO_IF, 0, 1},           {"if_", D3DSIO_IFC, 0, 2},
    {"else", D3DSIO_ELSE, 0, 0},       {"endif", D3DSIO_ENDIF, 0, 0},     {"break", D3DSIO_BREAK, 0, 0},
    {"break_", D3DSIO_BREAKC, 0, 2},   {"mova", D3DSIO_MOVA, 1, 1},       {"defb", D3DSIO_DEFB, 0, 0},
    {"defi", D3DSIO_DEFI, 0, 0},       {"texcoord", D3DSIO_TEXCOORD, 1, 0}, {"texkill", D3DSIO_TEXKILL, 1, 0},
    {"tex", D3DSIO_TEX, 1, 0},         {"texbem", D3DSIO_TEXBEM, 1, 1},   {"texbeml", D3DSIO_TEXBEML, 1, 1},
    {"texreg2ar", D3DSIO_TEXREG2AR, 1, 1}, {"texreg2gb", D3DSIO_TEXREG2GB, 1, 1},
    {"texm3x2pad", D3DSIO_TEXM3x2PAD, 1, 1}, {"texm3x2tex", D3DSIO_TEXM3x2TEX, 1, 1},
    {"texm3x3pad", D3DSIO_TEXM3x3PAD, 1, 1}, {"texm3x3tex", D3DSIO_TEXM3x3TEX, 1, 1},
    {"texm3x3spec", D3DSIO_TEXM3x3SPEC, 1, 2}, {"texm3x3vspec", D3DSIO_TEXM3x3VSPEC, 1, 1},
    {"expp", D3DSIO_EXPP, 1, 1},       {"logp", D3DSIO_LOGP, 1, 1},       {"cnd", D3DSIO_CND, 1, 3},
    {"def", D3DSIO_DEF, 0, 0},         {"texreg2rgb", D3DSIO_TEXREG2RGB, 1, 1},
    {"texdp3tex", D3DSIO_TEXDP3TEX, 1, 1}, {"texm3x2depth", D3DSIO_TEXM3x2DEPTH, 1, 1},
    {"texdp3", D3DSIO_TEXDP3, 1, 1},   {"texm3x3", D3DSIO_TEXM3x3, 1, 1}, {"texdepth", D3DSIO_TEXDEPTH, 1, 0},
    {"cmp", D3DSIO_CMP, 1, 3},         {"bem", D3DSIO_BEM, 1, 2},         {"dp2add", D3DSIO_DP2ADD, 1, 3},
    {"dsx", D3DSIO_DSX, 1, 1},         {"dsy", D3DSIO_DSY, 1, 1},         {"texldd", D3DSIO_TEXLDD, 1, 4},
    {"setp_", D3DSIO_SETP, 1, 2},      {"texldl", D3DSIO_TEXLDL, 1, 2},   {"breakp", D3DSIO_BREAKP, 0, 1},
    {"phase", D3DSIO_PHASE, 0, 0},
};

bool ValidVersion(bool pixel, uint32_t major, uint32_t minor)
{
    if (pixel) {
        if (major == 1) return minor >= 1 && minor <= 4;
        if (major == 2) return minor == 0 || minor == 1 || minor == 0xFF;
        return major == 3 && (minor == 0 || minor == 0xFF);
    }
    if (major == 1) return minor <= 1;
    if (major == 2) return minor == 0 || minor == 1 || minor == 0xFF;
    return major == 3 && (minor == 0 || minor == 0xFF);
}

uint32_t RegType(uint32_t t) { return ((t & D3DSP_REGTYPE_MASK) >> D3DSP_REGTYPE_SHIFT) | ((t & D3DSP_REGTYPE_MASK2) >> 8); }

class Reader {
public:
    Reader(const uint32_t* code, size_t n, std::string* error) : code_(code), n_(n), error_(error) {}

    bool Fail(const std::string& what)
    {
        if (error_) *error_ = what + " at token " + std::to_string(pos_);
        return false;
    }

    bool Read(ShaderProgram* p)
    {
        if (n_ < 2) return Fail("byte code too short");
        const uint32_t v = code_[0];
        p->pixel = (v >> 16) == 0xFFFF;
        if (!p->pixel && (v >> 16) != 0xFFFE) return Fail("no version token");
        p->major = (v >> 8) & 0xFF;
        p->minor = v & 0xFF;
        if (!ValidVersion(p->pixel, p->major, p->minor)) return Fail("unsupported shader version");
        prog_ = p;
        pos_ = 1;
        while (pos_ < n_) {
            const uint32_t token = code_[pos_];
            const uint32_t op = token & D3DSI_OPCODE_MASK;
            if (op == D3DSIO_END) {
                if (token != D3DSIO_END) return Fail("malformed end token");
                p->dwords = pos_ + 1;
                return true;
            }
            if (op == D3DSIO_COMMENT) {
                const size_t len = (token & D3DSI_COMMENTSIZE_MASK) >> D3DSI_COMMENTSIZE_SHIFT;
                if (len > n_ - pos_ - 1) return Fail("comment runs past the end");
                p->comments.emplace_back(code_ + pos_ + 1, code_ + pos_ + 1 + len);
                pos_ += 1 + len;
                continue;
            }
            if (token & 0x80000000u) return Fail("parameter token where an instruction was expected");
            if (p->instrs.size() >= kMaxInstructions) return Fail("too many instructions");
            ShaderInstr ins;
            if (!Instruction(token, &ins)) return false;
            p->instrs.push_back(ins);
        }
        return Fail("no end token");
    }

private:
    static constexpr size_t kMaxInstructions = 1 << 15;

    bool Next(uint32_t* t)
    {
        if (pos_ >= end_) return Fail("instruction runs past its length");
        *t = code_[pos_++];
        return true;
    }

    bool Param(uint32_t* t)
    {
        if (!Next(t)) return false;
        if (!(*t & 0x80000000u)) return Fail("parameter token without bit 31");
        return true;
    }

    bool Register(uint32_t t, ShaderReg* r, bool source)
    {
        r->type = RegType(t);
        r->num = t & D3DSP_REGNUM_MASK;
        r->relative = (t & D3DSHADER_ADDRMODE_MASK) != 0;
        if (r->type > D3DSPR_PREDICATE) return Fail("unknown register type");
        if (!r->relative) return true;
        if (prog_->major < 2) {
            // vs_1_1: a0.x is implied; pixel shaders have no relative addressing.
            if (prog_->pixel || !source) return Fail("relative addressing not allowed here");
            r->relType = D3DSPR_ADDR;
            r->relNum = 0;
            r->relComp = 0;
            return true;
        }
        uint32_t a = 0;
        if (!Param(&a)) return false;
        r->relType = RegType(a);
        r->relNum = a & D3DSP_REGNUM_MASK;
        r->relComp = (a >> D3DSP_SWIZZLE_SHIFT) & 3;
        if (r->relType != D3DSPR_ADDR && r->relType != D3DSPR_LOOP) return Fail("bad relative address register");
        if (r->relType == D3DSPR_ADDR && prog_->pixel) return Fail("bad relative address register");
        return true;
    }

    bool Dst(ShaderDst* d)
    {
        uint32_t t = 0;
        if (!Param(&t)) return false;
        d->mask = (t >> 16) & 0xF;
        d->mod = (t & D3DSP_DSTMOD_MASK) >> D3DSP_DSTMOD_SHIFT;
        const int32_t sh = (int32_t)((t & D3DSP_DSTSHIFT_MASK) >> D3DSP_DSTSHIFT_SHIFT);
        d->shift = sh >= 8 ? sh - 16 : sh;
        return Register(t, d, false);
    }

    bool Src(ShaderSrc* s)
    {
        uint32_t t = 0;
        if (!Param(&t)) return false;
        s->swizzle = (t & D3DSP_SWIZZLE_MASK) >> D3DSP_SWIZZLE_SHIFT;
        s->mod = (t & D3DSP_SRCMOD_MASK) >> D3DSP_SRCMOD_SHIFT;
        if (s->mod > 13) return Fail("unknown source modifier");
        return Register(t, s, true);
    }

    bool Instruction(uint32_t token, ShaderInstr* ins)
    {
        ins->opcode = token & D3DSI_OPCODE_MASK;
        ins->control = (token >> 16) & 0xFF;
        ins->coissue = (token & D3DSI_COISSUE) != 0;
        ins->predicated = (token & D3DSHADER_INSTRUCTION_PREDICATED) != 0;
        ++pos_;
        // Version 2 and later give the length; version 1 is walked by the
        // opcode's shape (parameter tokens have bit 31, def values need not).
        if (prog_->major >= 2) {
            const size_t len = (token & D3DSI_INSTLENGTH_MASK) >> D3DSI_INSTLENGTH_SHIFT;
            if (len > n_ - pos_) return Fail("instruction runs past the end");
            end_ = pos_ + len;
        } else {
            end_ = n_;
        }
        const uint32_t op = ins->opcode;
        if (op == D3DSIO_DEF || op == D3DSIO_DEFI || op == D3DSIO_DEFB) {
            ins->hasDst = true;
            if (!Dst(&ins->dst)) return false;
            const uint32_t count = op == D3DSIO_DEFB ? 1 : 4;
            for (uint32_t i = 0; i < count; ++i)
                if (!Next(&ins->values[i])) return false;
            const uint32_t want = op == D3DSIO_DEF ? D3DSPR_CONST : op == D3DSIO_DEFI ? D3DSPR_CONSTINT : D3DSPR_CONSTBOOL;
            if (ins->dst.type != want) return Fail("def of the wrong register kind");
        } else if (op == D3DSIO_DCL) {
            uint32_t t = 0;
            if (!Param(&t)) return false;
            ins->usage = t & D3DSP_DCL_USAGE_MASK;
            ins->usageIndex = (t & D3DSP_DCL_USAGEINDEX_MASK) >> D3DSP_DCL_USAGEINDEX_SHIFT;
            ins->textureType = (t & D3DSP_TEXTURETYPE_MASK) >> D3DSP_TEXTURETYPE_SHIFT;
            ins->hasDst = true;
            if (!Dst(&ins->dst)) return false;
        } else if (op == D3DSIO_PHASE) {
            if (!prog_->pixel || prog_->major != 1 || prog_->minor != 4) return Fail("phase outside ps_1_4");
        } else {
            uint32_t nd, ns;
            if (!OpParams(op, prog_->pixel, prog_->major, prog_->minor, &nd, &ns))
                return Fail("unknown or invalid opcode " + std::to_string(op));
            ins->hasDst = nd != 0;
            if (ins->hasDst && !Dst(&ins->dst)) return false;
            if (ins->predicated) {
                if (prog_->major < 2) return Fail("predication needs version 2 or later");
                if (!Src(&ins->pred)) return false;
                if (ins->pred.type != D3DSPR_PREDICATE) return Fail("predicate is not p0");
            }
            ins->srcCount = ns;
            for (uint32_t i = 0; i < ns; ++i)
                if (!Src(&ins->src[i])) return false;
        }
        if (prog_->major >= 2 && pos_ != end_) return Fail("instruction length does not match its parameters");
        return true;
    }

    const uint32_t* code_;
    size_t n_;
    std::string* error_;
    ShaderProgram* prog_ = nullptr;
    size_t pos_ = 0;
    size_t end_ = 0;
};

}  // namespace

const ShaderOpInfo* FindShaderOp(uint32_t opcode)
{
    for (const ShaderOpInfo& o : kOps)
        if (o.opcode == opcode) return &o;
    return nullptr;
}

const ShaderOpInfo* FindShaderOpByName(const char* name)
{
    for (const ShaderOpInfo& o : kOps)
        if (strcmp(o.name, name) == 0) return &o;
    return nullptr;
}

bool OpParams(uint32_t opcode, bool pixel, uint32_t major, uint32_t minor, uint32_t* dst, uint32_t* src)
{
    const ShaderOpInfo* o = FindShaderOp(opcode);
    if (!o || opcode == D3DSIO_DEF || opcode == D3DSIO_DEFI || opcode == D3DSIO_DEFB || opcode == D3DSIO_DCL ||
        opcode == D3DSIO_PHASE)
        return false;
    *dst = o->dst;
    *src = o->src;
    const bool ps1 = pixel && major == 1;
    // Flow control, integer and bool constants, predicates and the newer
    // arithmetic came with version 2.
    const bool v2 = (opcode >= D3DSIO_CALL && opcode <= D3DSIO_DEFI && opcode != D3DSIO_DCL) ||
                    (opcode >= D3DSIO_DP2ADD && opcode <= D3DSIO_BREAKP);
    if (v2 && major < 2) return false;
    if (opcode >= D3DSIO_TEXCOORD && opcode <= D3DSIO_TEXDEPTH && opcode != D3DSIO_EXPP && opcode != D3DSIO_LOGP &&
        opcode != D3DSIO_CND && opcode != D3DSIO_DEF && !pixel)
        return false;
    switch (opcode) {
    case D3DSIO_TEX:
        // tex t0 (1.1-1.3), texld r0, t0 (1.4), texld r0, t0, s0 (2.0+)
        *src = ps1 ? (minor == 4 ? 1 : 0) : 2;
        if (!ps1 && !pixel) return false;
        break;
    case D3DSIO_TEXCOORD: *src = ps1 && minor == 4 ? 1 : 0; return ps1;
    case D3DSIO_SINCOS: *src = major >= 3 ? 1 : 3; return major >= 2;
    case D3DSIO_BEM: return ps1 && minor == 4;
    case D3DSIO_TEXDEPTH: return ps1 && minor == 4;
    case D3DSIO_TEXKILL: return pixel;
    case D3DSIO_CMP: case D3DSIO_CND: return pixel;
    case D3DSIO_DSX: case D3DSIO_DSY: case D3DSIO_TEXLDD: return pixel && major >= 2;
    case D3DSIO_TEXLDL: return major >= 3 || (!pixel && major >= 3);
    default: break;
    }
    if (ps1 && minor == 4 && opcode > D3DSIO_TEXCOORD && opcode <= D3DSIO_TEXM3x3 && opcode != D3DSIO_TEX &&
        opcode != D3DSIO_TEXKILL && opcode != D3DSIO_EXPP && opcode != D3DSIO_LOGP && opcode != D3DSIO_CND &&
        opcode != D3DSIO_DEF)
        return false;  // the 1.1-1.3 texture addressing opcodes
    return true;
}

bool ReadShader(const uint32_t* code, size_t maxDwords, ShaderProgram* out, std::string* error)
{
    *out = ShaderProgram{};
    if (!code) {
        if (error) *error = "no byte code";
        return false;
    }
    Reader r(code, maxDwords, error);
    return r.Read(out);
}

}  // namespace qrn::d3d9
