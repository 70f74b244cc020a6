// Tokens of .x file bodies: the text grammar (C-like names, quoted strings,
// numbers, // and # comments) and the binary token stream (little-endian
// 16-bit token codes, some followed by their data).
#include "d3dx9_xfile_token.h"

#include <charconv>
#include <cstring>

namespace qrn::d3dx9 {

namespace {

// Binary token codes.
enum : uint16_t {
    kBinName = 1,
    kBinString = 2,
    kBinInteger = 3,
    kBinGuid = 5,
    kBinIntegerList = 6,
    kBinFloatList = 7,
    kBinOpenBrace = 10,
    kBinCloseBrace = 11,
    kBinOpenParen = 12,
    kBinCloseParen = 13,
    kBinOpenBracket = 14,
    kBinCloseBracket = 15,
    kBinOpenAngle = 16,
    kBinCloseAngle = 17,
    kBinDot = 18,
    kBinComma = 19,
    kBinSemicolon = 20,
    kBinTemplate = 31,
    kBinFirstKeyword = 40,  // WORD DWORD FLOAT DOUBLE CHAR UCHAR SWORD SDWORD VOID LPSTR UNICODE CSTRING ARRAY
    kBinLastKeyword = 52,
};

uint32_t Le32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

bool NameStart(uint8_t c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c >= 0x80;
}

bool NameChar(uint8_t c)
{
    return NameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

bool NumberChar(uint8_t c)
{
    return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E';
}

XToken Make(XTok kind)
{
    XToken t;
    t.kind = kind;
    return t;
}

}  // namespace

const XToken& XTokenizer::Peek()
{
    if (!peeked_) {
        peek_ = Next();
        peeked_ = true;
    }
    return peek_;
}

XToken XTokenizer::Next()
{
    if (peeked_) {
        peeked_ = false;
        return std::move(peek_);
    }
    return binary_ ? ReadBinary() : ReadText();
}

size_t XTokenizer::ScalarsLeft() const
{
    const size_t bytes = static_cast<size_t>(end_ - p_);
    // Text: a number takes at least one character. Binary: at least four
    // bytes, inside a list or not (a list's declared length is not trusted).
    size_t n = binary_ ? bytes / 4 : bytes;
    if (peeked_ && peek_.kind == XTok::kNumber) ++n;
    return n;
}

XToken XTokenizer::ReadText()
{
    for (;;) {
        if (p_ >= end_) return Make(XTok::kEnd);
        const uint8_t c = *p_;
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ';' || c == ',' || c == '\f' ||
            c == '\v' || c == 0 || c == '[' || c == ']' || c == '(' || c == ')') {
            ++p_;
            continue;
        }
        if (c == '#' || (c == '/' && p_ + 1 < end_ && p_[1] == '/')) {
            while (p_ < end_ && *p_ != '\n') ++p_;
            continue;
        }
        if (c == '{') {
            ++p_;
            return Make(XTok::kOpen);
        }
        if (c == '}') {
            ++p_;
            return Make(XTok::kClose);
        }
        if (c == '"') {
            const uint8_t* s = ++p_;
            while (p_ < end_ && *p_ != '"') ++p_;
            if (p_ >= end_) return Make(XTok::kError);
            XToken t = Make(XTok::kString);
            t.text.assign(reinterpret_cast<const char*>(s), static_cast<size_t>(p_ - s));
            ++p_;
            return t;
        }
        if (c == '<') {
            while (p_ < end_ && *p_ != '>') ++p_;
            if (p_ >= end_) return Make(XTok::kError);
            ++p_;
            return Make(XTok::kGuid);
        }
        if (NameStart(c)) {
            const uint8_t* s = p_;
            while (p_ < end_ && NameChar(*p_)) ++p_;
            XToken t = Make(XTok::kName);
            t.text.assign(reinterpret_cast<const char*>(s), static_cast<size_t>(p_ - s));
            if (t.text == "template") t.kind = XTok::kTemplate;
            return t;
        }
        if (NumberChar(c)) {
            const uint8_t* s = p_;
            bool integer = true;
            while (p_ < end_ && NumberChar(*p_)) {
                if (*p_ == '.' || *p_ == 'e' || *p_ == 'E') integer = false;
                ++p_;
            }
            if (p_ < end_ && NameStart(*p_)) {
                // A name that starts with digits ("1stFrame").
                while (p_ < end_ && NameChar(*p_)) ++p_;
                XToken t = Make(XTok::kName);
                t.text.assign(reinterpret_cast<const char*>(s), static_cast<size_t>(p_ - s));
                return t;
            }
            const char* first = reinterpret_cast<const char*>(s);
            const char* last = reinterpret_cast<const char*>(p_);
            if (*first == '+') ++first;
            XToken t = Make(XTok::kNumber);
            t.integer = integer;
            const auto r = std::from_chars(first, last, t.number);
            if (r.ec != std::errc() || r.ptr != last) return Make(XTok::kError);
            return t;
        }
        return Make(XTok::kError);
    }
}

XToken XTokenizer::ListElement()
{
    const size_t width = listFloats_ ? (doubles_ ? 8 : 4) : 4;
    if (static_cast<size_t>(end_ - p_) < width) {
        listLeft_ = 0;
        return Make(XTok::kError);
    }
    --listLeft_;
    XToken t = Make(XTok::kNumber);
    if (!listFloats_) {
        t.number = Le32(p_);
        t.integer = true;
    } else if (doubles_) {
        const uint64_t bits = uint64_t(Le32(p_)) | uint64_t(Le32(p_ + 4)) << 32;
        std::memcpy(&t.number, &bits, 8);
    } else {
        const uint32_t bits = Le32(p_);
        float f;
        std::memcpy(&f, &bits, 4);
        t.number = f;
    }
    p_ += width;
    return t;
}

XToken XTokenizer::ReadBinary()
{
    for (;;) {
        if (listLeft_ > 0) return ListElement();
        if (p_ >= end_) return Make(XTok::kEnd);
        if (end_ - p_ < 2) return Make(XTok::kError);
        const uint16_t code = static_cast<uint16_t>(p_[0] | p_[1] << 8);
        p_ += 2;
        const size_t left = static_cast<size_t>(end_ - p_);
        switch (code) {
        case kBinName:
        case kBinString: {
            if (left < 4) return Make(XTok::kError);
            const uint32_t n = Le32(p_);
            if (n > left - 4) return Make(XTok::kError);
            XToken t = Make(code == kBinName ? XTok::kName : XTok::kString);
            t.text.assign(reinterpret_cast<const char*>(p_ + 4), n);
            p_ += 4 + n;
            // A string is followed by its terminator token (; or ,), which
            // the loop drops like any separator.
            return t;
        }
        case kBinInteger: {
            if (left < 4) return Make(XTok::kError);
            XToken t = Make(XTok::kNumber);
            t.number = Le32(p_);
            t.integer = true;
            p_ += 4;
            return t;
        }
        case kBinGuid:
            if (left < 16) return Make(XTok::kError);
            p_ += 16;
            return Make(XTok::kGuid);
        case kBinIntegerList:
        case kBinFloatList: {
            if (left < 4) return Make(XTok::kError);
            listLeft_ = Le32(p_);
            listFloats_ = code == kBinFloatList;
            p_ += 4;
            continue;
        }
        case kBinOpenBrace: return Make(XTok::kOpen);
        case kBinCloseBrace: return Make(XTok::kClose);
        case kBinTemplate: return Make(XTok::kTemplate);
        case kBinOpenParen:
        case kBinCloseParen:
        case kBinOpenBracket:
        case kBinCloseBracket:
        case kBinOpenAngle:
        case kBinCloseAngle:
        case kBinDot:
        case kBinComma:
        case kBinSemicolon: continue;
        default:
            // Member types inside template declarations.
            if (code >= kBinFirstKeyword && code <= kBinLastKeyword) continue;
            return Make(XTok::kError);
        }
    }
}

}  // namespace qrn::d3dx9
