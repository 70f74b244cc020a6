// libFuzzer entry: any bytes through the .x reader, then adjacency over what
// it read. A success must hand back a consistent mesh: every index inside
// the vertex array, every attribute inside the material list, per-vertex
// arrays of one length, and adjacency that names real faces both ways.
#include <cstdint>
#include <cstdlib>

#include "d3dx9/d3dx9_xfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace qrn::d3dx9;
    XMeshData mesh;
    if (ReadXFile(data, size, &mesh) != XResult::kOk) {
        if (!mesh.positions.empty() || !mesh.indices.empty() || !mesh.materials.empty()) abort();
        return 0;
    }
    const size_t nv = mesh.positions.size(), nf = mesh.NumFaces();
    if (mesh.indices.size() != nf * 3) abort();
    if (!mesh.normals.empty() && mesh.normals.size() != nv) abort();
    if (!mesh.texCoords.empty() && mesh.texCoords.size() != nv * 2) abort();
    for (uint32_t i : mesh.indices)
        if (i >= nv) abort();
    for (uint32_t a : mesh.attributes)
        if (a >= (mesh.materials.empty() ? 1 : mesh.materials.size())) abort();

    const std::vector<uint32_t> adj =
        ComputeAdjacency(mesh.positions.data(), sizeof(XVec3), nv, mesh.indices.data(), nf, 0.0f);
    if (adj.size() != nf * 3) abort();
    for (size_t f = 0; f < nf; ++f)
        for (size_t e = 0; e < 3; ++e) {
            const uint32_t g = adj[f * 3 + e];
            if (g == UINT32_MAX) continue;
            if (g >= nf || g == f) abort();
            if (adj[g * 3] != f && adj[g * 3 + 1] != f && adj[g * 3 + 2] != f) abort();
        }
    return 0;
}
