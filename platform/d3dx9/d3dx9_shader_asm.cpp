// Shader assembler (see d3dx9_shader_asm.h) and D3DXAssembleShader. One
// statement per line; comments are // and ; to the end of the line and
// /* ... */. The first statement is the version (vs_2_0, ps.1.4 ...).
#include "d3dx9_shader_asm.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "d3d9types.h"
#include "d3dx9_shader_buffer.h"
#include "shader_bytecode.h"

namespace qrn::d3dx {

namespace {

using qrn::d3d9::FindShaderOpByName;
using qrn::d3d9::OpParams;

std::string Lower(std::string s)
{
    for (char& c : s) c = (char)tolower((unsigned char)c);
    return s;
}

std::string Trim(const std::string& s)
{
    size_t a = 0, b = s.size();
    while (a < b && isspace((unsigned char)s[a])) ++a;
    while (b > a && isspace((unsigned char)s[b - 1])) --b;
    return s.substr(a, b - a);
}

// Splits at commas outside brackets.
std::vector<std::string> SplitOperands(const std::string& s)
{
    std::vector<std::string> out;
    std::string cur;
    int depth = 0;
    for (char c : s) {
        if (c == '[') ++depth;
        if (c == ']') --depth;
        if (c == ',' && depth == 0) {
            out.push_back(Trim(cur));
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!Trim(cur).empty() || !out.empty()) out.push_back(Trim(cur));
    return out;
}

uint32_t TypeBits(uint32_t type) { return ((type & 7) << D3DSP_REGTYPE_SHIFT) | ((type & 0x18) << 8); }

struct Reg {
    uint32_t type = 0, num = 0;
    bool relative = false;
    uint32_t relType = D3DSPR_ADDR, relNum = 0, relComp = 0;
};

class Assembler {
public:
    bool Run(const char* text, size_t size, std::vector<uint32_t>* code, std::string* errors)
    {
        std::vector<std::pair<int, std::string>> lines;
        StripComments(std::string(text, size), &lines);
        for (auto& [n, line] : lines) {
            line_ = n;
            const std::string t = Trim(line);
            if (t.empty()) continue;
            if (!Statement(t)) ok_ = false;
            if (errors_.size() > 64 * 1024) break;
        }
        if (ok_ && !haveVersion_) Error("no shader version (vs_x_x or ps_x_x)");
        if (ok_) {
            code_.push_back(D3DSIO_END);
            d3d9::ShaderProgram p;
            std::string why;
            if (!d3d9::ReadShader(code_.data(), code_.size(), &p, &why)) Error("invalid code: " + why);
        }
        *errors = errors_;
        if (!ok_) return false;
        *code = std::move(code_);
        return true;
    }

private:
    bool Error(const std::string& m)
    {
        errors_ += "line " + std::to_string(line_) + ": " + m + "\n";
        ok_ = false;
        return false;
    }

    void StripComments(const std::string& src, std::vector<std::pair<int, std::string>>* lines)
    {
        std::string cur;
        int n = 1;
        bool block = false;
        for (size_t i = 0; i < src.size(); ++i) {
            const char c = src[i];
            if (c == '\n') {
                lines->emplace_back(n++, cur);
                cur.clear();
                continue;
            }
            if (block) {
                if (c == '*' && i + 1 < src.size() && src[i + 1] == '/') block = false, ++i;
                continue;
            }
            if (c == '/' && i + 1 < src.size() && src[i + 1] == '*') {
                block = true;
                ++i;
                continue;
            }
            if (c == ';' || (c == '/' && i + 1 < src.size() && src[i + 1] == '/')) {
                while (i + 1 < src.size() && src[i + 1] != '\n') ++i;
                continue;
            }
            if (c == '\0') break;
            cur += c;
        }
        lines->emplace_back(n, cur);
    }

    bool Version(const std::string& w)
    {
        const std::string v = Lower(w);
        if (v.size() < 6 || (v.compare(0, 2, "vs") != 0 && v.compare(0, 2, "ps") != 0)) return false;
        pixel_ = v[0] == 'p';
        if ((v[2] != '_' && v[2] != '.') || (v[4] != '_' && v[4] != '.') || !isdigit((unsigned char)v[3])) return false;
        major_ = (uint32_t)(v[3] - '0');
        const std::string m = v.substr(5);
        if (m == "x") minor_ = 1;
        else if (m == "sw") minor_ = 0xFF;
        else if (m.size() == 1 && isdigit((unsigned char)m[0])) minor_ = (uint32_t)(m[0] - '0');
        else return false;
        const bool valid = pixel_ ? (major_ == 1 && minor_ >= 1 && minor_ <= 4) ||
                                        (major_ == 2 && (minor_ <= 1 || minor_ == 0xFF)) ||
                                        (major_ == 3 && (minor_ == 0 || minor_ == 0xFF))
                                  : (major_ == 1 && minor_ <= 1) || (major_ == 2 && (minor_ <= 1 || minor_ == 0xFF)) ||
                                        (major_ == 3 && (minor_ == 0 || minor_ == 0xFF));
        if (!valid) return false;
        code_.push_back((pixel_ ? 0xFFFF0000u : 0xFFFE0000u) | (major_ << 8) | minor_);
        haveVersion_ = true;
        return true;
    }

    // ---- registers ----------------------------------------------------------------------
    bool ParseNumber(const std::string& s, size_t* pos, uint32_t* n)
    {
        size_t i = *pos;
        if (i >= s.size() || !isdigit((unsigned char)s[i])) return false;
        uint64_t v = 0;
        while (i < s.size() && isdigit((unsigned char)s[i])) {
            v = v * 10 + (uint64_t)(s[i] - '0');
            if (v > 0xFFFF) return false;
            ++i;
        }
        *n = (uint32_t)v;
        *pos = i;
        return true;
    }

    // A register name and number at s[*pos]; advances past it.
    bool ParseRegName(const std::string& s, size_t* pos, Reg* r, bool* needsNumber)
    {
        struct Name {
            const char* text;
            uint32_t type;
            int fixed;  // register number when the name has none, else -1
        };
        static const Name names[] = {
            {"opos", D3DSPR_RASTOUT, 0},  {"ofog", D3DSPR_RASTOUT, 1},  {"opts", D3DSPR_RASTOUT, 2},
            {"odepth", D3DSPR_DEPTHOUT, 0}, {"oc", D3DSPR_COLOROUT, -1}, {"od", D3DSPR_ATTROUT, -1},
            {"ot", D3DSPR_TEXCRDOUT, -1}, {"o", D3DSPR_OUTPUT, -1},      {"vpos", D3DSPR_MISCTYPE, 0},
            {"vface", D3DSPR_MISCTYPE, 1}, {"al", D3DSPR_LOOP, 0},       {"a", D3DSPR_ADDR, -1},
            {"r", D3DSPR_TEMP, -1},       {"v", D3DSPR_INPUT, -1},       {"c", D3DSPR_CONST, -1},
            {"t", D3DSPR_TEXTURE, -1},    {"s", D3DSPR_SAMPLER, -1},     {"i", D3DSPR_CONSTINT, -1},
            {"b", D3DSPR_CONSTBOOL, -1},  {"p", D3DSPR_PREDICATE, -1},   {"l", D3DSPR_LABEL, -1},
        };
        const std::string low = Lower(s.substr(*pos));
        for (const Name& nm : names) {
            const size_t len = strlen(nm.text);
            if (low.compare(0, len, nm.text) != 0) continue;
            if (nm.fixed >= 0) {
                if (len < low.size() && isalnum((unsigned char)low[len])) continue;
                r->type = nm.type;
                r->num = (uint32_t)nm.fixed;
                *pos += len;
                *needsNumber = false;
                return true;
            }
            size_t p = *pos + len;
            if (p < s.size() && isdigit((unsigned char)s[p])) {
                r->type = nm.type;
                if (!ParseNumber(s, &p, &r->num)) return false;
                *pos = p;
                *needsNumber = false;
                return true;
            }
            if (p < s.size() && s[p] == '[' && nm.type == D3DSPR_CONST) {
                r->type = nm.type;
                *pos = p;
                *needsNumber = true;
                return true;
            }
        }
        return false;
    }

    // [a0.x + 5], [aL], [5 + a0.x], [a0.y]: into r (relative, num += offset).
    bool ParseIndex(const std::string& s, size_t* pos, Reg* r, bool numberGiven)
    {
        const size_t close = s.find(']', *pos);
        if (close == std::string::npos) return false;
        std::string inner = Lower(s.substr(*pos + 1, close - *pos - 1));
        *pos = close + 1;
        uint32_t offset = 0;
        bool haveReg = false;
        size_t start = 0;
        while (start <= inner.size()) {
            size_t plus = inner.find('+', start);
            if (plus == std::string::npos) plus = inner.size();
            const std::string term = Trim(inner.substr(start, plus - start));
            start = plus + 1;
            if (term.empty()) return false;
            if (isdigit((unsigned char)term[0])) {
                size_t p = 0;
                uint32_t n;
                if (!ParseNumber(term, &p, &n) || p != term.size()) return false;
                offset += n;
            } else if (term == "al") {
                if (haveReg) return false;
                haveReg = true;
                r->relType = D3DSPR_LOOP;
                r->relNum = 0;
                r->relComp = 0;
            } else if (term.size() >= 2 && term[0] == 'a' && isdigit((unsigned char)term[1])) {
                if (haveReg) return false;
                haveReg = true;
                size_t p = 1;
                if (!ParseNumber(term, &p, &r->relNum)) return false;
                r->relType = D3DSPR_ADDR;
                r->relComp = 0;
                if (p < term.size()) {
                    if (term[p] != '.' || p + 2 != term.size()) return false;
                    const char* comps = "xyzw";
                    const char* f = strchr(comps, term[p + 1]);
                    if (!f || !*f) return false;
                    r->relComp = (uint32_t)(f - comps);
                }
            } else {
                return false;
            }
            if (plus == inner.size()) break;
        }
        if (!numberGiven) r->num = 0;
        r->num += offset;
        r->relative = haveReg;
        return true;
    }

    static int Comp(char c)
    {
        switch (tolower((unsigned char)c)) {
        case 'x': case 'r': return 0;
        case 'y': case 'g': return 1;
        case 'z': case 'b': return 2;
        case 'w': case 'a': return 3;
        default: return -1;
        }
    }

    bool CheckReg(const Reg& r, bool dst)
    {
        uint32_t limit = 0;
        switch (r.type) {
        case D3DSPR_TEMP: limit = 32; break;
        case D3DSPR_INPUT: limit = pixel_ && major_ < 3 ? 2 : 16; break;
        case D3DSPR_CONST: limit = pixel_ ? 224 : 256; break;
        case D3DSPR_ADDR: limit = pixel_ ? 8 : 1; break;
        case D3DSPR_TEXCRDOUT: limit = pixel_ ? 0 : (major_ >= 3 ? 12 : 8); break;
        case D3DSPR_ATTROUT: limit = pixel_ || major_ >= 3 ? 0 : 2; break;
        case D3DSPR_RASTOUT: limit = pixel_ || major_ >= 3 ? 0 : 3; break;
        case D3DSPR_COLOROUT: limit = pixel_ && major_ >= 2 ? 4 : 0; break;
        case D3DSPR_DEPTHOUT: limit = pixel_ && major_ >= 2 ? 1 : 0; break;
        case D3DSPR_SAMPLER: limit = major_ >= 2 ? 16 : 0; break;
        case D3DSPR_CONSTINT: case D3DSPR_CONSTBOOL: limit = major_ >= 2 ? 16 : 0; break;
        case D3DSPR_LOOP: limit = major_ >= 2 ? 1 : 0; break;
        case D3DSPR_MISCTYPE: limit = pixel_ && major_ >= 3 ? 2 : 0; break;
        case D3DSPR_LABEL: limit = major_ >= 2 ? 2048 : 0; break;
        case D3DSPR_PREDICATE: limit = major_ >= 2 ? 1 : 0; break;
        default: break;
        }
        if (r.num >= limit) return Error("register not available in this shader version or out of range");
        if (dst) {
            const bool writable = r.type == D3DSPR_TEMP || r.type == D3DSPR_TEXCRDOUT || r.type == D3DSPR_ATTROUT ||
                                  r.type == D3DSPR_RASTOUT || r.type == D3DSPR_COLOROUT ||
                                  r.type == D3DSPR_DEPTHOUT || r.type == D3DSPR_PREDICATE ||
                                  (r.type == D3DSPR_ADDR && (!pixel_ || (major_ == 1 && minor_ < 4)));
            if (!writable) return Error("invalid destination register");
        }
        if (r.relative) {
            if (pixel_ && !(major_ >= 3 && r.relType == D3DSPR_LOOP)) return Error("relative addressing not allowed");
            if (!pixel_ && major_ < 2 && (r.relType != D3DSPR_ADDR || r.relComp != 0))
                return Error("vs_1_1 addresses relative to a0.x only");
        }
        return true;
    }

    void EmitReg(uint32_t token, const Reg& r)
    {
        token |= 0x80000000u | TypeBits(r.type) | (r.num & D3DSP_REGNUM_MASK);
        if (r.relative) token |= D3DSHADER_ADDRMODE_RELATIVE;
        code_.push_back(token);
        if (r.relative && major_ >= 2)
            code_.push_back(0x80000000u | TypeBits(r.relType) | r.relNum | ((r.relComp * 0x55u) << D3DSP_SWIZZLE_SHIFT));
    }

    // `written` false: the register is only named (texkill), not written.
    bool Dst(const std::string& text, uint32_t modBits, int shift, bool written = true)
    {
        Reg r;
        size_t pos = 0;
        bool needsNumber = false;
        if (!ParseRegName(text, &pos, &r, &needsNumber)) return Error("bad destination register '" + text + "'");
        if (needsNumber || (pos < text.size() && text[pos] == '[')) {
            if (!ParseIndex(text, &pos, &r, !needsNumber)) return Error("bad register index in '" + text + "'");
        }
        uint32_t mask = 0xF;
        if (pos < text.size()) {
            if (text[pos] != '.') return Error("unexpected text after register in '" + text + "'");
            mask = 0;
            int last = -1;
            for (size_t i = pos + 1; i < text.size(); ++i) {
                const int c = Comp(text[i]);
                if (c < 0 || c <= last) return Error("bad write mask in '" + text + "'");
                mask |= 1u << c;
                last = c;
            }
            if (!mask) return Error("empty write mask");
        }
        if (!CheckReg(r, written)) return false;
        EmitReg((mask << 16) | modBits | (((uint32_t)shift & 0xF) << D3DSP_DSTSHIFT_SHIFT), r);
        return true;
    }

    bool Src(const std::string& in, bool allowLabel = false)
    {
        std::string text = Trim(in);
        uint32_t mod = 0;
        bool neg = false, comp = false, notMod = false;
        if (!text.empty() && text[0] == '-') neg = true, text = Trim(text.substr(1));
        if (!text.empty() && text[0] == '!') notMod = true, text = Trim(text.substr(1));
        if (text.size() > 2 && text[0] == '1' && Trim(text.substr(1))[0] == '-') {
            comp = true;
            text = Trim(Trim(text.substr(1)).substr(1));
        }
        Reg r;
        size_t pos = 0;
        bool needsNumber = false;
        if (!ParseRegName(text, &pos, &r, &needsNumber)) return Error("bad source register '" + in + "'");
        if (needsNumber || (pos < text.size() && text[pos] == '[')) {
            if (!ParseIndex(text, &pos, &r, !needsNumber)) return Error("bad register index in '" + in + "'");
        }
        uint32_t swizzle = 0xE4;
        std::string modName;
        while (pos < text.size()) {
            if (text[pos] == '_') {
                size_t e = pos + 1;
                while (e < text.size() && isalnum((unsigned char)text[e])) ++e;
                modName = Lower(text.substr(pos + 1, e - pos - 1));
                pos = e;
            } else if (text[pos] == '.') {
                size_t e = pos + 1;
                int comps[4];
                int n = 0;
                while (e < text.size() && text[e] != '_') {
                    const int c = Comp(text[e]);
                    if (c < 0 || n == 4) return Error("bad swizzle in '" + in + "'");
                    comps[n++] = c;
                    ++e;
                }
                if (n == 0) return Error("bad swizzle in '" + in + "'");
                for (int k = n; k < 4; ++k) comps[k] = comps[n - 1];
                swizzle = (uint32_t)(comps[0] | comps[1] << 2 | comps[2] << 4 | comps[3] << 6);
                pos = e;
            } else {
                return Error("unexpected text in source '" + in + "'");
            }
        }
        if (modName.empty()) mod = neg ? D3DSPSM_NEG : 0;
        else if (modName == "bias") mod = neg ? D3DSPSM_BIASNEG : D3DSPSM_BIAS;
        else if (modName == "bx2") mod = neg ? D3DSPSM_SIGNNEG : D3DSPSM_SIGN;
        else if (modName == "x2") mod = neg ? D3DSPSM_X2NEG : D3DSPSM_X2;
        else if (modName == "abs") mod = neg ? D3DSPSM_ABSNEG : D3DSPSM_ABS;
        else if ((modName == "dz" || modName == "db") && !neg) mod = D3DSPSM_DZ;
        else if ((modName == "dw" || modName == "da") && !neg) mod = D3DSPSM_DW;
        else return Error("bad source modifier '_" + modName + "'");
        if (comp) {
            if (mod) return Error("1- cannot be combined with another modifier");
            mod = D3DSPSM_COMP;
        }
        if (notMod) {
            if (mod) return Error("! cannot be combined with another modifier");
            mod = D3DSPSM_NOT;
        }
        if (r.type == D3DSPR_LABEL && !allowLabel) return Error("label used as an operand");
        if (!CheckReg(r, false)) return false;
        const bool output = r.type == D3DSPR_RASTOUT || r.type == D3DSPR_ATTROUT || r.type == D3DSPR_COLOROUT ||
                            r.type == D3DSPR_DEPTHOUT || (r.type == D3DSPR_TEXCRDOUT && !pixel_);
        if (output) return Error("output register read as a source");
        EmitReg((swizzle << D3DSP_SWIZZLE_SHIFT) | mod, r);
        return true;
    }

    static bool Usage(const std::string& name, uint32_t* usage)
    {
        static const char* const names[] = {"position", "blendweight", "blendindices", "normal", "psize",
                                            "texcoord", "tangent", "binormal", "tessfactor", "positiont",
                                            "color", "fog", "depth", "sample"};
        for (uint32_t i = 0; i < 14; ++i)
            if (name == names[i]) return *usage = i, true;
        return false;
    }

    bool Declaration(const std::vector<std::string>& parts, const std::vector<std::string>& ops)
    {
        if (ops.size() != 1) return Error("dcl takes one register");
        uint32_t token = 0x80000000u;
        uint32_t modBits = 0;
        size_t k = 1;
        if (k < parts.size()) {
            const std::string& u = parts[k];
            if (u == "2d") token |= D3DSTT_2D, ++k;
            else if (u == "cube") token |= D3DSTT_CUBE, ++k;
            else if (u == "volume") token |= D3DSTT_VOLUME, ++k;
            else {
                size_t d = u.size();
                while (d > 0 && isdigit((unsigned char)u[d - 1])) --d;
                uint32_t usage;
                if (Usage(u.substr(0, d), &usage)) {
                    uint32_t index = 0;
                    if (d < u.size()) {
                        size_t p = d;
                        if (!ParseNumber(u, &p, &index) || index > 15) return Error("bad usage index");
                    }
                    token |= usage | (index << D3DSP_DCL_USAGEINDEX_SHIFT);
                    ++k;
                }
            }
        }
        for (; k < parts.size(); ++k) {
            if (parts[k] == "pp") modBits |= D3DSPDM_PARTIALPRECISION;
            else if (parts[k] == "centroid") modBits |= D3DSPDM_MSAMPCENTROID;
            else return Error("unknown declaration '" + parts[k] + "'");
        }
        const size_t at = code_.size();
        code_.push_back(D3DSIO_DCL);
        code_.push_back(token);
        // The register is declared, not written: accept inputs and samplers.
        Reg r;
        size_t pos = 0;
        bool needsNumber = false;
        const std::string& text = ops[0];
        if (!ParseRegName(text, &pos, &r, &needsNumber) || needsNumber) return Error("bad register in dcl");
        uint32_t mask = 0xF;
        if (pos < text.size()) {
            if (text[pos] != '.') return Error("bad register in dcl");
            mask = 0;
            for (size_t i = pos + 1; i < text.size(); ++i) {
                const int c = Comp(text[i]);
                if (c < 0) return Error("bad write mask in dcl");
                mask |= 1u << c;
            }
        }
        const bool okType = r.type == D3DSPR_INPUT || r.type == D3DSPR_SAMPLER || r.type == D3DSPR_OUTPUT ||
                            r.type == D3DSPR_TEXTURE || r.type == D3DSPR_MISCTYPE;
        if (!okType) return Error("register cannot be declared");
        if (r.type == D3DSPR_SAMPLER && !(token & D3DSP_TEXTURETYPE_MASK)) token |= D3DSTT_2D, code_[at + 1] = token;
        if (r.type == D3DSPR_OUTPUT && (pixel_ || major_ < 3)) return Error("output declarations need vs_3_0");
        if (!CheckReg(r, false)) return false;
        EmitReg((mask << 16) | modBits, r);
        if (major_ >= 2) code_[at] |= (uint32_t)(code_.size() - at - 1) << D3DSI_INSTLENGTH_SHIFT;
        return true;
    }

    bool Define(uint32_t op, const std::vector<std::string>& ops)
    {
        const size_t want = op == D3DSIO_DEFB ? 2 : 5;
        if (ops.size() != want) return Error("wrong number of values");
        const size_t at = code_.size();
        code_.push_back(op);
        Reg r;
        size_t pos = 0;
        bool needsNumber = false;
        if (!ParseRegName(ops[0], &pos, &r, &needsNumber) || needsNumber || pos != ops[0].size())
            return Error("bad register in definition");
        const uint32_t type = op == D3DSIO_DEF ? D3DSPR_CONST : op == D3DSIO_DEFI ? D3DSPR_CONSTINT : D3DSPR_CONSTBOOL;
        if (r.type != type) return Error("definition of the wrong register kind");
        if (!CheckReg(r, false)) return false;
        EmitReg(D3DSP_WRITEMASK_ALL, r);
        for (size_t k = 1; k < ops.size(); ++k) {
            const std::string v = Trim(ops[k]);
            char* end = nullptr;
            if (op == D3DSIO_DEF) {
                const float f = strtof(v.c_str(), &end);
                if (v.empty() || (*end != '\0' && !(end[0] == 'f' && end[1] == '\0')) || !std::isfinite(f))
                    return Error("bad value '" + v + "'");
                uint32_t bits;
                memcpy(&bits, &f, 4);
                code_.push_back(bits);
            } else if (op == D3DSIO_DEFI) {
                const long n = strtol(v.c_str(), &end, 10);
                if (v.empty() || *end != '\0' || n < -2147483647L || n > 2147483647L) return Error("bad value '" + v + "'");
                code_.push_back((uint32_t)(int32_t)n);
            } else {
                const std::string b = Lower(v);
                if (b != "true" && b != "false") return Error("bad value '" + v + "'");
                code_.push_back(b == "true" ? 1 : 0);
            }
        }
        if (major_ >= 2) code_[at] |= (uint32_t)(code_.size() - at - 1) << D3DSI_INSTLENGTH_SHIFT;
        return true;
    }

    static uint32_t Comparison(const std::string& s)
    {
        static const char* const names[] = {"", "gt", "eq", "ge", "lt", "ne", "le"};
        for (uint32_t i = 1; i < 7; ++i)
            if (s == names[i]) return i;
        return 0;
    }

    bool Statement(const std::string& line)
    {
        std::string t = line;
        if (t[0] == '#') return Error("preprocessor directives are not supported");
        size_t sp = 0;
        while (sp < t.size() && !isspace((unsigned char)t[sp])) ++sp;
        if (!haveVersion_) {
            if (!Version(t.substr(0, sp)) || !Trim(t.substr(sp)).empty())
                return Error("the first statement must be the shader version, found '" + t + "'");
            return true;
        }
        uint32_t token = 0;
        if (!t.empty() && t[0] == '+') {
            if (!pixel_ || major_ != 1) return Error("co-issue needs ps_1_x");
            token |= D3DSI_COISSUE;
            t = Trim(t.substr(1));
        }
        std::string predicate;
        if (t.empty()) return Error("co-issue mark without an instruction");
        if (t[0] == '(') {
            const size_t close = t.find(')');
            if (close == std::string::npos) return Error("unclosed predicate");
            predicate = Trim(t.substr(1, close - 1));
            t = Trim(t.substr(close + 1));
            token |= D3DSHADER_INSTRUCTION_PREDICATED;
        }
        sp = 0;
        while (sp < t.size() && !isspace((unsigned char)t[sp])) ++sp;
        const std::string word = Lower(t.substr(0, sp));
        const std::vector<std::string> ops = SplitOperands(Trim(t.substr(sp)));
        for (const std::string& o : ops)
            if (o.empty()) return Error("empty operand");
        if (word.compare(0, 3, "vs_") == 0 || word.compare(0, 3, "ps_") == 0) return Error("second version statement");

        std::vector<std::string> parts;
        {
            size_t a = 0;
            while (a <= word.size()) {
                size_t u = word.find('_', a);
                if (u == std::string::npos) u = word.size();
                parts.push_back(word.substr(a, u - a));
                a = u + 1;
            }
        }
        const std::string& base = parts[0];
        if (base == "dcl") return predicate.empty() ? Declaration(parts, ops) : Error("dcl cannot be predicated");
        if (base == "def") return Define(D3DSIO_DEF, ops);
        if (base == "defi") return Define(D3DSIO_DEFI, ops);
        if (base == "defb") return Define(D3DSIO_DEFB, ops);

        // Mnemonic and its suffixes.
        std::string name = base;
        uint32_t control = 0;
        uint32_t dstMod = 0;
        int shift = 0;
        size_t k = 1;
        if ((base == "if" || base == "break" || base == "setp") && parts.size() > 1 && Comparison(parts[1])) {
            control = Comparison(parts[1]);
            name = base + "_";
            k = 2;
        }
        if (name == "texld" || name == "texldp" || name == "texldb") {
            control = name == "texldp" ? 1 : name == "texldb" ? 2 : 0;
            name = "tex";
            if (pixel_ && major_ == 1 && minor_ < 4) return Error("texld needs ps_1_4 or later; use tex");
        } else if (name == "tex" && !(pixel_ && major_ == 1 && minor_ < 4)) {
            return Error("tex is a ps_1_1 to ps_1_3 instruction; use texld");
        } else if (name == "texcrd") {
            name = "texcoord";
            if (!(pixel_ && major_ == 1 && minor_ == 4)) return Error("texcrd needs ps_1_4");
        } else if (name == "texcoord" && pixel_ && major_ == 1 && minor_ == 4) {
            return Error("texcoord is not a ps_1_4 instruction; use texcrd");
        }
        for (; k < parts.size(); ++k) {
            const std::string& m = parts[k];
            if (m == "sat") dstMod |= D3DSPDM_SATURATE;
            else if (m == "pp") dstMod |= D3DSPDM_PARTIALPRECISION;
            else if (m == "centroid") dstMod |= D3DSPDM_MSAMPCENTROID;
            else if (m == "x2") shift = 1;
            else if (m == "x4") shift = 2;
            else if (m == "x8") shift = 3;
            else if (m == "d2") shift = -1;
            else if (m == "d4") shift = -2;
            else if (m == "d8") shift = -3;
            else return Error("unknown instruction modifier '_" + m + "' on '" + base + "'");
        }
        if (shift && !(pixel_ && major_ == 1)) return Error("result shift needs ps_1_x");
        if (name == "phase") {
            if (!(pixel_ && major_ == 1 && minor_ == 4)) return Error("phase needs ps_1_4");
            if (phase_) return Error("only one phase is allowed");
            phase_ = true;
            code_.push_back(D3DSIO_PHASE);
            return ops.empty() ? true : Error("phase takes no operands");
        }
        const d3d9::ShaderOpInfo* op = FindShaderOpByName(name.c_str());
        if (!op) return Error("unknown instruction '" + word + "'");
        uint32_t nd = 0, ns = 0;
        if (!OpParams(op->opcode, pixel_, major_, minor_, &nd, &ns))
            return Error("instruction '" + word + "' is not valid in this shader version");
        if (ops.size() != nd + ns)
            return Error("'" + word + "' takes " + std::to_string(nd + ns) + " operands, found " +
                         std::to_string(ops.size()));
        if (!predicate.empty() && major_ < 2) return Error("predication needs version 2 or later");
        const size_t at = code_.size();
        code_.push_back(token | op->opcode | (control << 16));
        size_t o = 0;
        if (nd) {
            if (!Dst(ops[o++], dstMod, shift, op->opcode != D3DSIO_TEXKILL)) return false;
        } else if (dstMod || shift) {
            return Error("modifier on an instruction without a destination");
        }
        if (!predicate.empty()) {
            if (!Src(predicate)) return false;
            const uint32_t type = ((code_.back() & D3DSP_REGTYPE_MASK) >> D3DSP_REGTYPE_SHIFT) |
                                  ((code_.back() & D3DSP_REGTYPE_MASK2) >> 8);
            if (type != D3DSPR_PREDICATE) return Error("predicate must be p0");
        }
        const bool labels = op->opcode == D3DSIO_CALL || op->opcode == D3DSIO_CALLNZ || op->opcode == D3DSIO_LABEL;
        for (; o < ops.size(); ++o)
            if (!Src(ops[o], labels && o == 0)) return false;
        if (major_ >= 2) code_[at] |= (uint32_t)(code_.size() - at - 1) << D3DSI_INSTLENGTH_SHIFT;
        return true;
    }

    std::vector<uint32_t> code_;
    std::string errors_;
    int line_ = 0;
    bool ok_ = true;
    bool haveVersion_ = false;
    bool phase_ = false;
    bool pixel_ = false;
    uint32_t major_ = 0, minor_ = 0;
};

}  // namespace

bool AssembleShaderText(const char* text, size_t size, std::vector<uint32_t>* code, std::string* errors)
{
    Assembler a;
    return a.Run(text, size, code, errors);
}

}  // namespace qrn::d3dx

using namespace qrn::d3dx;

HRESULT WINAPI D3DXAssembleShader(LPCSTR pSrcData, UINT SrcDataLen, CONST D3DXMACRO* pDefines,
                                  LPD3DXINCLUDE pInclude, DWORD Flags, LPD3DXBUFFER* ppShader,
                                  LPD3DXBUFFER* ppErrorMsgs)
{
    (void)pInclude;
    (void)Flags;
    std::vector<uint32_t> code;
    std::string errors;
    if (!pSrcData || !ppShader) return FinishShaderCall(D3DERR_INVALIDCALL, code, errors, ppShader, ppErrorMsgs);
    if (pDefines && pDefines[0].Name) {
        errors = "line 1: macros are not supported by the assembler\n";
        return FinishShaderCall(D3DXERR_INVALIDDATA, code, errors, ppShader, ppErrorMsgs);
    }
    const bool ok = AssembleShaderText(pSrcData, SrcDataLen, &code, &errors);
    return FinishShaderCall(ok ? D3D_OK : D3DXERR_INVALIDDATA, code, errors, ppShader, ppErrorMsgs);
}

HRESULT WINAPI D3DXAssembleShaderFromFileA(LPCSTR pSrcFile, CONST D3DXMACRO* pDefines, LPD3DXINCLUDE pInclude,
                                           DWORD Flags, LPD3DXBUFFER* ppShader, LPD3DXBUFFER* ppErrorMsgs)
{
    std::string text;
    if (!ReadShaderSource(pSrcFile, &text)) {
        const std::string msg = std::string("cannot read '") + (pSrcFile ? pSrcFile : "(null)") + "'\n";
        return FinishShaderCall(D3DXERR_INVALIDDATA, {}, msg, ppShader, ppErrorMsgs);
    }
    return D3DXAssembleShader(text.data(), (UINT)text.size(), pDefines, pInclude, Flags, ppShader, ppErrorMsgs);
}
