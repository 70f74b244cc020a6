// Writes .x files for the mesh tests and the fuzz corpus: one token list,
// serialised as text or as binary tokens, optionally MSZIP-compressed, so the
// same content can be read in every form.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testx {

using Bytes = std::vector<uint8_t>;

enum class Form { kText, kBinary, kTextZip, kBinaryZip };

class XWriter {
public:
    explicit XWriter(bool doubles = false) : doubles_(doubles) {}

    XWriter& Name(const std::string& n);  // a type or object name
    XWriter& Open();
    XWriter& Close();
    XWriter& Ints(const std::vector<uint32_t>& v);
    XWriter& Floats(const std::vector<float>& v);
    XWriter& String(const std::string& s);
    XWriter& Ref(const std::string& n) { return Open().Name(n).Close(); }
    // Raw text, written only into the text form (templates, comments).
    XWriter& TextOnly(const std::string& s);

    Bytes Write(Form form) const;

private:
    struct Token {
        int kind;  // 0 name, 1 open, 2 close, 3 ints, 4 floats, 5 string, 6 text only
        std::string text;
        std::vector<uint32_t> ints;
        std::vector<float> floats;
    };
    std::vector<Token> tokens_;
    bool doubles_;
};

// MSZIP-compresses a body into blocks of at most `blockSize` bytes (each
// block's deflate stream may refer back into the previous block).
Bytes Compress(const Bytes& body, size_t blockSize = 32768);

// A file with most of what the reader takes: a template, a header object, an
// unknown object, a named material referenced from a material list, a frame
// hierarchy with transforms, a mesh with a quad and a pentagon, normals that
// split a vertex, texture coordinates, a vertex colour and two materials, one
// with a texture.
// `offset` moves the root frame along x.
XWriter SampleFile(float offset = 0.0f, bool doubles = false);

// A plain mesh of `faces` triangles with one material, no frames.
XWriter PlainMesh(const std::vector<float>& positions, const std::vector<uint32_t>& triangles,
                  const std::vector<uint32_t>& materialIds, int numMaterials);

}  // namespace testx
