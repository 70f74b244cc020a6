// Writes the .x fuzz target's seed files into the folder given as argument:
// one file with most of what the reader takes, in every form.
#include <cstdio>
#include <string>

#include "xfile_writer.h"

int main(int argc, char** argv)
{
    if (argc < 2) return 1;
    const std::string dir = argv[1];
    auto put = [&](const char* name, const testx::Bytes& b) {
        FILE* f = fopen((dir + "/" + name).c_str(), "wb");
        if (!f) return;
        fwrite(b.data(), 1, b.size(), f);
        fclose(f);
    };
    using testx::Form;
    put("sample_text.x", testx::SampleFile().Write(Form::kText));
    put("sample_binary.x", testx::SampleFile().Write(Form::kBinary));
    put("sample_tzip.x", testx::SampleFile().Write(Form::kTextZip));
    put("sample_bzip.x", testx::SampleFile().Write(Form::kBinaryZip));
    put("sample_binary64.x", testx::SampleFile(1.0f, true).Write(Form::kBinary));
    put("plain.x", testx::PlainMesh({0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0}, {0, 2, 1, 1, 2, 3}, {0, 1}, 2)
                       .Write(Form::kText));
    return 0;
}
