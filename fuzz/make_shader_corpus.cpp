// Writes byte code seeds for fuzz_shader_bytecode: each assembly seed named
// on the command line, assembled, into the output folder (last argument).
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "d3dx9/d3dx9_shader_asm.h"

int main(int argc, char** argv)
{
    if (argc < 3) return 2;
    const std::string out = argv[argc - 1];
    for (int i = 1; i < argc - 1; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        std::vector<uint32_t> code;
        std::string errors;
        if (!qrn::d3dx::AssembleShaderText(text.str().data(), text.str().size(), &code, &errors)) {
            fprintf(stderr, "%s: %s", argv[i], errors.c_str());
            return 1;
        }
        std::ofstream o(out + "/" + std::to_string(i) + ".bin", std::ios::binary);
        o.write(reinterpret_cast<const char*>(code.data()), (std::streamsize)(code.size() * 4));
    }
    return 0;
}
