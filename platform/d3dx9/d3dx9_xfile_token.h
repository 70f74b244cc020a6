// Tokens of a .x file body, text or binary, as one stream: names, strings,
// numbers, GUIDs, braces and the template keyword. Separators (; , and the
// other punctuation) are dropped, so a reader asks for "the next number"
// whichever way a writer punctuated its lists. Binary integer and float lists
// are handed out one number at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace qrn::d3dx9 {

enum class XTok {
    kEnd,       // no more input
    kError,     // malformed token (unterminated string, bad binary token, truncated list)
    kName,      // identifier
    kString,    // quoted string (binary: TOKEN_STRING), text without quotes
    kNumber,    // integer or float
    kGuid,      // <...> (binary: 16 bytes); only in templates and headers
    kOpen,      // {
    kClose,     // }
    kTemplate,  // the template keyword
};

struct XToken {
    XTok kind = XTok::kEnd;
    std::string text;    // kName, kString
    double number = 0;   // kNumber
    bool integer = false;  // kNumber written as an integer (binary integer tokens, text without . or e)
};

class XTokenizer {
public:
    // `data` is the body after the 16-byte header (decompressed already).
    XTokenizer(const uint8_t* data, size_t size, bool binary, bool doubles)
        : p_(data), end_(data + size), binary_(binary), doubles_(doubles)
    {
    }

    XToken Next();
    const XToken& Peek();

    // An upper bound of the numbers the rest of the input can still hold;
    // counts are checked against it before anything is reserved.
    size_t ScalarsLeft() const;

private:
    XToken ReadText();
    XToken ReadBinary();
    XToken ListElement();

    const uint8_t* p_;
    const uint8_t* end_;
    bool binary_;
    bool doubles_;
    bool peeked_ = false;
    XToken peek_;
    // The binary integer or float list being handed out.
    uint32_t listLeft_ = 0;
    bool listFloats_ = false;
};

}  // namespace qrn::d3dx9
