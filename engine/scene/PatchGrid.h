// The chunked grid shared by the terrain and the water: CPatchGrid holds the
// device, a material, up to eight texture stages and an array of patches;
// CGridPatch turns one block of 17 x 17 grid vertices into a static vertex
// and index buffer, keeps its bounding box and decides before drawing whether
// the viewer can see it. Internal to the library.
#pragma once

#include <cstdint>
#include <functional>

#include "QrnMath.h"
#include "RenderDevice.h"
#include "RenderDeviceObjects.h"

namespace qrngu {

// One grid vertex, vertex format 7: position, normal, two texture pairs.
struct SGridVertex {
    float x, y, z;
    float nx, ny, nz;
    float u0, v0;
    float u1, v1;
};
static_assert(sizeof(SGridVertex) == 40, "grid vertex must match vertex format 7");

class CGridPatch {
public:
    static constexpr unsigned kSide = 17;                      // vertices per side
    static constexpr unsigned kCells = kSide - 1;              // cells per side
    static constexpr unsigned kVertexCount = kSide * kSide;    // 289
    static constexpr unsigned kIndexCount = kCells * kCells * 6;  // 1536

    CGridPatch();
    virtual ~CGridPatch();
    CGridPatch(const CGridPatch&) = delete;
    CGridPatch& operator=(const CGridPatch&) = delete;

    // Remembers the device and the counts and makes zeroed CPU copies.
    bool Init(unsigned vertexCount, unsigned indexCount, qrn::IRenderDevice* device);
    // Copies a record into place and widens the box to its position.
    void SetVertex(unsigned index, const SGridVertex& vertex);
    void SetIndex(unsigned index, std::uint16_t value);
    // Uploads both copies into new device buffers, frees the copies and
    // stores the box corners.
    bool Finish();
    // Draws the patch unless it is wholly behind the viewer and outside the
    // viewer's row and column of patches. True when not drawn.
    bool Render(const qrn::Vector4& position, const qrn::Vector4& direction);
    // The visibility decision of Render, without drawing.
    bool IsVisible(const qrn::Vector4& position, const qrn::Vector4& direction) const;

    const qrn::Vector4& GetMin() const { return m_vMin; }
    const qrn::Vector4& GetMax() const { return m_vMax; }
    const qrn::Vector4& GetCorner(unsigned i) const { return m_vCorners[i & 7]; }
    unsigned GetVertexCount() const { return m_uVertexCount; }
    unsigned GetIndexCount() const { return m_uIndexCount; }
    qrn::IVertexBuffer* GetVertexBuffer() const { return m_pVertexBuffer; }
    qrn::IIndexBuffer* GetIndexBuffer() const { return m_pIndexBuffer; }

private:
    void FreeCopies();
    void DeleteBuffers();

    qrn::IRenderDevice* m_pDevice;
    SGridVertex* m_pVertices;
    std::uint16_t* m_pIndices;
    unsigned m_uIndexCount;
    unsigned m_uVertexCount;
    qrn::IVertexBuffer* m_pVertexBuffer;
    qrn::IIndexBuffer* m_pIndexBuffer;
    qrn::Vector4 m_vMin;
    qrn::Vector4 m_vMax;
    qrn::Vector4 m_vCorners[8];
};

class CPatchGrid {
public:
    static constexpr unsigned kStages = 8;

    CPatchGrid();
    virtual ~CPatchGrid();
    CPatchGrid(const CPatchGrid&) = delete;
    CPatchGrid& operator=(const CPatchGrid&) = delete;

    // Loads a picture into a texture stage (0 to 7) sampling texture
    // coordinate pair `set`. Needs a device, so only after SetData.
    bool SetTexture(const char* file, unsigned stage, unsigned set);
    unsigned GetWidth() const { return m_uWidth; }
    unsigned GetDepth() const { return m_uDepth; }

    unsigned GetPatchCount() const { return m_uPatchCount; }
    const CGridPatch* GetPatch(unsigned i) const { return i < m_uPatchCount ? &m_pPatches[i] : nullptr; }
    qrn::IMaterial* GetMaterial() const { return m_pMaterial; }
    qrn::ITexture* GetTexture(unsigned stage) const { return stage < kStages ? m_pTextures[stage] : nullptr; }
    unsigned GetTexCoordSet(unsigned stage) const { return stage < kStages ? m_uTexCoordSets[stage] : 0; }
    // Where the viewer stands and looks, for the patches' visibility test.
    void UpdatePlayer(const qrn::Vector4& position, const qrn::Vector4& direction) {
        m_vViewerPos = position;
        m_vViewerDir = direction;
    }

protected:
    using VertexFn = std::function<SGridVertex(unsigned i, unsigned j)>;

    // Deletes the material and the patches (texture stages stay).
    void ReleaseData();
    // Start of SetData: takes the device, drops the old grid and its size;
    // false when there is no device.
    bool Restart(qrn::IRenderDevice* device);
    // Makes the material (kind 0); false when the device gives none.
    bool CreateMaterial();
    // Cuts the grid into patches of 17 x 17 vertices, asking vertexAt for
    // the record of each grid point; stops at the first patch that cannot
    // be uploaded.
    bool BuildPatches(const VertexFn& vertexAt);
    // Applies each loaded stage from 0 up: colour operation firstOp on
    // stage 0, laterOp on the others, alpha modulate.
    void ApplyTextures(int firstOp, int laterOp);
    // Draws the patches the viewer may see.
    void RenderPatches();
    // The two texture coordinate pairs of grid point (i, j): each pair runs
    // from 0 to its repeat count across the grid.
    void SetTexCoords(SGridVertex& v, unsigned i, unsigned j) const;

    qrn::IRenderDevice* m_pDevice;
    qrn::IMaterial* m_pMaterial;
    qrn::ITexture* m_pTextures[kStages];
    CGridPatch* m_pPatches;
    unsigned m_uPatchCount;
    unsigned m_uTexCoordSets[kStages];
    unsigned m_uWidth;
    unsigned m_uDepth;
    unsigned m_uPatchSizeX;
    unsigned m_uPatchSizeZ;
    unsigned m_uPatchesX;
    unsigned m_uPatchesZ;
    float m_fRepeat0;
    float m_fRepeat1;
    qrn::Vector4 m_vViewerPos;
    qrn::Vector4 m_vViewerDir;
};

}  // namespace qrngu
