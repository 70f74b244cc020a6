// libFuzzer entry: any text through the shader assembler. Code it accepts
// must read back as byte code; the translator then takes it (or refuses it)
// without fault.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "d3d9/shader_bytecode.h"
#include "d3d9/shader_glsl.h"
#include "d3dx9/d3dx9_shader_asm.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint32_t> code;
    std::string errors;
    if (!qrn::d3dx::AssembleShaderText(reinterpret_cast<const char*>(data), size, &code, &errors)) {
        if (errors.empty()) abort();  // a failure always says why
        return 0;
    }
    qrn::d3d9::ShaderProgram p;
    if (!qrn::d3d9::ReadShader(code.data(), code.size(), &p, &errors) || p.dwords != code.size()) abort();
    qrn::d3d9::GlslShader g;
    qrn::d3d9::TranslateShader(code.data(), code.size(), &g, &errors);
    return 0;
}
