// The shader assembler behind D3DXAssembleShader: vs_1_1 .. vs_3_0 and
// ps_1_1 .. ps_3_0 text into Direct3D 9 byte code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qrn::d3dx {

// Assembles `size` bytes of text. False with one "line N: message" line per
// error in `errors` (assembly stops at the first error of each line and
// goes on with the next line, so later errors are reported too).
bool AssembleShaderText(const char* text, size_t size, std::vector<uint32_t>* code, std::string* errors);

}  // namespace qrn::d3dx
