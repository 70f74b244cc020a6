// libFuzzer entry: any bytes through the .x reader, then adjacency and the
// optimisation plan over what it read. A success must hand back a consistent
// mesh: every index inside the vertex array, every attribute inside the
// material list, per-vertex arrays of one length, adjacency that names real
// faces both ways, and a plan whose faces are the old faces corner for
// corner.
#include <cstdint>
#include <cstdlib>

#include "d3dx9/d3dx9_mesh.h"
#include "d3dx9/d3dx9_xfile.h"

namespace {

void CheckPlan(const qrn::d3dx9::XMeshData& mesh, DWORD flags)
{
    qrn::d3dx9::MeshReorder plan;
    if (!qrn::d3dx9::PlanReorder(flags, mesh.indices, mesh.attributes, mesh.positions.size(), &plan)) abort();
    const size_t nf = plan.attributes.size();
    if (plan.indices.size() != nf * 3 || plan.faceRemap.size() != nf || nf > mesh.NumFaces()) abort();
    std::vector<bool> seen(mesh.NumFaces());
    for (size_t k = 0; k < nf; ++k) {
        const uint32_t old = plan.faceRemap[k];
        if (old >= mesh.NumFaces() || seen[old] || plan.attributes[k] != mesh.attributes[old]) abort();
        seen[old] = true;
        for (int c = 0; c < 3; ++c) {
            const uint32_t v = plan.indices[k * 3 + c];
            if (v >= plan.vertexRemap.size() || plan.vertexRemap[v] != mesh.indices[old * 3 + c]) abort();
        }
    }
    for (uint32_t v : plan.vertexRemap)
        if (v >= mesh.positions.size()) abort();
    uint32_t next = 0;
    for (const D3DXATTRIBUTERANGE& r : plan.table) {
        if (r.FaceStart != next) abort();
        next += r.FaceCount;
        for (uint32_t f = r.FaceStart; f < next; ++f) {
            if (f >= nf || plan.attributes[f] != r.AttribId) abort();
            for (int c = 0; c < 3; ++c) {
                const uint32_t v = plan.indices[f * 3 + c];
                if (v < r.VertexStart || v - r.VertexStart >= r.VertexCount) abort();
            }
        }
    }
    if (!plan.table.empty() && next != nf) abort();
}

}  // namespace

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

    // The flags come from the input's last byte, so the corpus covers each level.
    const DWORD levels[] = {D3DXMESHOPT_COMPACT | D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE,
                            D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_DONOTSPLIT, D3DXMESHOPT_COMPACT,
                            D3DXMESHOPT_VERTEXCACHE | D3DXMESHOPT_IGNOREVERTS};
    CheckPlan(mesh, levels[data[size - 1] & 3]);
    return 0;
}
