// The island's trees: copies of one tree mesh ("tree.x") placed on the high
// ground of the terrain, drawn scaled, skipping trees wholly behind the
// viewer; optional wireframe boxes around them; and a test whether a moving
// point (the walker) runs into a tree.
#pragma once

#include "Heightmap.h"
#include "QrnMath.h"
#include "RenderDevice.h"
#include "RenderDeviceObjects.h"
#include "SkyBox.h"

namespace brackwood {

class CForest {
public:
    // Every tree is drawn scaled by this much along x, y and z.
    static constexpr float kScaleX = 1.8f, kScaleY = 3.0f, kScaleZ = 1.8f;

    CForest() = default;
    ~CForest();
    CForest(const CForest&) = delete;
    CForest& operator=(const CForest&) = delete;

    // Loads "tree.x" and places up to maxTrees trees on cells of the height
    // map higher than threshold: every such cell gets a random value (from
    // rand, which this program never seeds, so the forest is the same on
    // every run) and the best cells away from the map's rim are taken
    // greedily. False for a null device or height map, or when the device
    // gives no mesh object; a missing "tree.x" only leaves the trees
    // invisible. The float before the threshold has no effect.
    bool Init(qrn::IRenderDevice* device, qrngu::IHeightmap* heightmap, unsigned maxTrees, float unused,
              float threshold);

    unsigned GetTreeCount() const { return m_dwTreeCount; }
    const qrn::Vector4* GetTreePositions() const { return m_pTreePositions; }
    // The scaled bounding box of the tree mesh (relative to a tree's
    // position): maximum, then minimum. Also refreshes the box corners used
    // for culling.
    void GetBoundingBox(qrn::Vector4& maximum, qrn::Vector4& minimum);

    // The viewer, for skipping trees behind it.
    void SetViewer(const qrn::Vector4& position, const qrn::Vector4& direction);
    // True when at least one corner of the tree's box at position lies in
    // front of the viewer's plane.
    bool IsTreeVisible(const qrn::Vector4& position) const;
    // True when a tree lies within radius of the point and the point has not
    // yet passed it (moving along direction).
    bool CollidesWith(const qrn::Vector4& point, const qrn::Vector4& direction, float radius) const;
    // Draws the trees and/or the wireframe boxes; always true.
    bool Render(bool drawTrees, bool drawBoxes);

private:
    void PlaceTrees(unsigned maxTrees, float threshold);

    qrn::IMesh* m_pTreeMesh = nullptr;
    qrn::Vector4* m_pTreePositions = nullptr;
    qrn::IRenderDevice* m_pDevice = nullptr;
    qrngu::IHeightmap* m_pHeightmap = nullptr;
    qrngu::ISkyBox* m_pTreeBox = nullptr;
    unsigned m_dwMaxTrees = 0;
    unsigned m_dwTreeCount = 0;
    qrn::Vector4 m_vCorners[8];
    qrn::Vector4 m_vViewerPosition{0, 0, 0, 1};
    qrn::Vector4 m_vViewerDirection{0, 0, 0, 1};
};

}  // namespace brackwood
