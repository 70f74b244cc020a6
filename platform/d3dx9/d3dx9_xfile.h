// The DirectX .x file reader, without a device: bytes in, one merged mesh
// description out. D3DXLoadMeshFromX turns the description into a mesh
// object; the fuzz target drives this part alone.
//
// What the reader takes: the 16-byte header ("xof " version format float
// size), text ("txt "), binary ("bin ") and their MSZIP-compressed forms
// ("tzip", "bzip"), 32- or 64-bit floats. Templates and data objects it does
// not know are skipped. Every Mesh reached from the top level or through the
// Frame hierarchy is moved by its frames' transforms and appended with its
// normals, vertex colours, texture coordinates and materials; faces are
// fan-triangulated; a vertex whose corners carry different normals is split.
//
// Nothing is trusted: a count is compared with what the rest of the input
// can still hold before anything is reserved for it, every index with its
// array, nesting depth and decompressed size are capped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "d3d9types.h"

namespace qrn::d3dx9 {

struct XMaterial {
    D3DMATERIAL9 material{};  // ambient left zero: the file carries none
    bool hasTexture = false;
    std::string texture;
};

struct XVec3 {
    float x = 0, y = 0, z = 0;
};

// The merged mesh: three indices and one attribute (index into materials)
// per triangle. normals, colors and texCoords are empty unless some mesh of
// the file had them; then they hold one entry per position (zero, or opaque
// white for colours, where a mesh or vertex lacked them).
struct XMeshData {
    std::vector<XVec3> positions;
    std::vector<XVec3> normals;
    std::vector<uint32_t> colors;  // D3DCOLOR (A8R8G8B8) per vertex
    std::vector<float> texCoords;  // u, v per vertex
    std::vector<uint32_t> indices;
    std::vector<uint32_t> attributes;
    std::vector<XMaterial> materials;

    size_t NumFaces() const { return attributes.size(); }
};

enum class XResult {
    kOk,
    kInvalidData,  // malformed, truncated or inconsistent input
    kTooLarge,     // within the format, but beyond what the reader will hold
};

// Reads a whole .x file. On failure `out` is left empty.
XResult ReadXFile(const uint8_t* data, size_t size, XMeshData* out);

// Undoes the MSZIP compression of "tzip"/"bzip" files: `data` starts after
// the 16-byte header. The result is the uncompressed body (without header).
XResult InflateXBody(const uint8_t* data, size_t size, std::vector<uint8_t>* out);

// Three neighbours per triangle (across edges 0-1, 1-2, 2-0; 0xFFFFFFFF for
// none). Corners whose positions lie within `epsilon` (per axis; 0 = exactly
// equal) count as one point, so vertices split for normals or texture
// coordinates still join their faces.
// Positions are read as three floats at the start of each `stride` bytes.
std::vector<uint32_t> ComputeAdjacency(const void* vertices, size_t stride, size_t numVertices,
                                       const uint32_t* indices, size_t numFaces, float epsilon);

}  // namespace qrn::d3dx9
