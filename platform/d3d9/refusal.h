// Why a call was refused. Every D3DERR_INVALIDCALL the stand-in returns can
// say which call, which argument or state, its value and the limit, the way
// a debug runtime would: on stderr when QRN_D3D9_DEBUG is set (to anything
// but 0), and always as the last refusal that the test-control interface
// reads. Never on the debugger output, which belongs to the application.
#pragma once

#include <cstdint>

#include <d3d9.h>

namespace qrn::d3d9 {

// Records "call: argument = value, expected limit" and returns D3DERR_INVALIDCALL.
HRESULT Refuse(const char* call, const char* argument, uint64_t value, const char* limit);
// Records "call: refused, reason" (the failed check) and returns D3DERR_INVALIDCALL.
HRESULT RefuseWhy(const char* call, const char* reason);
// The same, returning `hr` (for refusals that are not D3DERR_INVALIDCALL).
HRESULT RefuseWith(HRESULT hr, const char* call, const char* reason);

// The last refusal's text (empty when none since the last ClearLastRefusal).
const char* LastRefusal();
void ClearLastRefusal();

}  // namespace qrn::d3d9
