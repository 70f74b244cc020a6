// The byte blocks the shader functions hand out (ID3DXBuffer), and the
// common end of those functions: code and message buffers filled or cleared.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "d3dx9shader.h"

namespace qrn::d3dx {

// A new buffer holding a copy of `bytes`; null when out of memory.
ID3DXBuffer* NewShaderBuffer(const void* bytes, size_t size);

// Hands out `code` (on success) and `messages` (when not empty, as a
// zero-terminated string) through the caller's pointers, which are always
// set: to null where nothing is handed out.
HRESULT FinishShaderCall(HRESULT hr, const std::vector<uint32_t>& code, const std::string& messages,
                         LPD3DXBUFFER* ppShader, LPD3DXBUFFER* ppErrorMsgs);

// Reads a whole source file (at most 16 MiB); false when it cannot be read.
bool ReadShaderSource(const char* path, std::string* text);

}  // namespace qrn::d3dx
