// The stand-in's own diagnostic channel for refused calls.
#include "refusal.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace qrn::d3d9 {

namespace {

std::string& Last()
{
    static std::string last;
    return last;
}

// Read at every refusal (they are rare), so that a program may switch it.
bool Printing()
{
    const char* v = std::getenv("QRN_D3D9_DEBUG");
    return v && *v && std::strcmp(v, "0") != 0;
}

void Record(const char* text)
{
    Last() = text;
    if (Printing()) std::fprintf(stderr, "d3d9: %s\n", text);
}

}  // namespace

HRESULT Refuse(const char* call, const char* argument, uint64_t value, const char* limit)
{
    char text[256];
    std::snprintf(text, sizeof text, "%s: %s = %" PRIu64 ", expected %s", call, argument, value, limit);
    Record(text);
    return D3DERR_INVALIDCALL;
}

HRESULT RefuseWhy(const char* call, const char* reason)
{
    char text[320];
    std::snprintf(text, sizeof text, "%s: refused, %s", call, reason);
    Record(text);
    return D3DERR_INVALIDCALL;
}

HRESULT RefuseWith(HRESULT hr, const char* call, const char* reason)
{
    char text[256];
    std::snprintf(text, sizeof text, "%s: %s", call, reason);
    Record(text);
    return hr;
}

const char* LastRefusal() { return Last().c_str(); }

void ClearLastRefusal() { Last().clear(); }

}  // namespace qrn::d3d9
