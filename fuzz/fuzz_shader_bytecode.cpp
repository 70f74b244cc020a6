// libFuzzer entry: any bytes as shader byte code through the reader and the
// GLSL translator. A stream that reads must end within the input.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "d3d9/shader_bytecode.h"
#include "d3d9/shader_glsl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint32_t> code(size / 4);
    if (!code.empty()) memcpy(code.data(), data, code.size() * 4);
    qrn::d3d9::ShaderProgram p;
    std::string error;
    if (qrn::d3d9::ReadShader(code.data(), code.size(), &p, &error) && (p.dwords == 0 || p.dwords > code.size()))
        abort();
    qrn::d3d9::GlslShader g;
    if (qrn::d3d9::TranslateShader(code.data(), code.size(), &g, &error) && g.text.empty()) abort();
    return 0;
}
