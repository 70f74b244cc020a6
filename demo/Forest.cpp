// The forest: placement by a random field over the terrain with a greedy pick
// of its best cells, scaled drawing with a viewer half-space test, wireframe
// boxes, and the walker's collision test.
#include "Forest.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <vector>

namespace brackwood {

namespace {

// Rows and columns this close to the map's rim are never chosen: a tree's
// random offset of up to one unit must stay on the map.
constexpr int kRim = 3;

qrn::Matrix4x4 TreeScaling() {
    qrn::Matrix4x4 m;
    m.SetScaling(CForest::kScaleX, CForest::kScaleY, CForest::kScaleZ, true);
    return m;
}

}  // namespace

CForest::~CForest() {
    delete m_pTreeBox;
    delete m_pTreeMesh;
    delete[] m_pTreePositions;
}

bool CForest::Init(qrn::IRenderDevice* device, qrngu::IHeightmap* heightmap, unsigned maxTrees, float /*unused*/,
                   float threshold) {
    m_pDevice = device;
    if (!device) return false;
    m_pHeightmap = heightmap;
    if (!heightmap) return false;

    delete m_pTreeMesh;
    m_pTreeMesh = dynamic_cast<qrn::IMesh*>(device->CreateObject(qrn::OBJECTTYPE_MESH));
    if (!m_pTreeMesh) return false;
    m_pTreeMesh->LoadFromFile("tree.x");

    m_dwMaxTrees = maxTrees;
    PlaceTrees(maxTrees, threshold);
    if (m_dwTreeCount > 0 && !m_pTreePositions) return false;

    delete m_pTreeBox;
    m_pTreeBox = new (std::nothrow) qrngu::ISkyBox;
    if (m_pTreeBox) {
        qrn::Vector4 maximum, minimum;
        GetBoundingBox(maximum, minimum);
        m_pTreeBox->SetData(minimum, maximum, 0xFFFFFFFFul, 0xFFFFFFFFul, device);
    }
    return true;
}

// Every cell higher than the threshold gets rand() / 32768; then, tree by
// tree, the greatest value among the cells away from the rim is taken (the
// first in row order among equals) and cleared. Sorting the candidate cells
// once by value, ties in row order, takes them in exactly that order without
// scanning the whole map per tree. When fewer cells than trees qualify, fewer
// trees are placed: the others would all stand at the map's corner.
void CForest::PlaceTrees(unsigned maxTrees, float threshold) {
    delete[] m_pTreePositions;
    m_pTreePositions = nullptr;
    m_dwTreeCount = 0;

    const int W = static_cast<int>(m_pHeightmap->GetWidth());
    const int D = static_cast<int>(m_pHeightmap->GetDepth());
    if (W <= 0 || D <= 0) return;
    std::vector<float> cells(static_cast<size_t>(W) * static_cast<size_t>(D), 0.0f);
    size_t candidates = 0;
    for (int z = 0; z < D; ++z)
        for (int x = 0; x < W; ++x)
            if (m_pHeightmap->GetHeightAt(static_cast<float>(x), static_cast<float>(z)) > threshold) {
                cells[static_cast<size_t>(z) * W + x] = static_cast<float>(std::rand()) * (1.0f / 32768.0f);
                ++candidates;
            }

    std::vector<std::uint32_t> order;
    for (int z = kRim; z < D - 2; ++z)
        for (int x = kRim; x < W - 2; ++x) {
            const std::uint32_t i = static_cast<std::uint32_t>(z * W + x);
            if (cells[i] > 0.0f) order.push_back(i);
        }
    std::stable_sort(order.begin(), order.end(),
                     [&cells](std::uint32_t a, std::uint32_t b) { return cells[a] > cells[b]; });

    const size_t n = std::min({static_cast<size_t>(maxTrees), candidates, order.size()});
    if (n == 0) return;
    m_pTreePositions = new (std::nothrow) qrn::Vector4[n];
    if (!m_pTreePositions) return;
    for (size_t k = 0; k < n; ++k) {
        const int row = static_cast<int>(order[k]) / W, column = static_cast<int>(order[k]) % W;
        qrn::Vector4 r;
        r.CreateNormalizedRandom();
        const float x = static_cast<float>(column) + r.x, z = static_cast<float>(row) + r.z;
        m_pTreePositions[k].Set(x, m_pHeightmap->GetHeightAt(x, z), z, 1.0f);
    }
    m_dwTreeCount = static_cast<unsigned>(n);
}

void CForest::GetBoundingBox(qrn::Vector4& maximum, qrn::Vector4& minimum) {
    qrn::Vector4 lo(0, 0, 0, 1), hi(0, 0, 0, 1);
    if (m_pTreeMesh) m_pTreeMesh->GetBoundingBox(&lo, &hi);
    const qrn::Matrix4x4 scale = TreeScaling();
    minimum = scale * lo;
    maximum = scale * hi;
    for (int c = 0; c < 8; ++c)
        m_vCorners[c].Set((c & 1) ? maximum.x : minimum.x, (c & 2) ? maximum.y : minimum.y,
                          (c & 4) ? maximum.z : minimum.z, 1.0f);
}

void CForest::SetViewer(const qrn::Vector4& position, const qrn::Vector4& direction) {
    m_vViewerPosition = position;
    m_vViewerDirection = direction;
}

bool CForest::IsTreeVisible(const qrn::Vector4& position) const {
    for (const qrn::Vector4& corner : m_vCorners) {
        const float vx = corner.x + position.x - m_vViewerPosition.x;
        const float vy = corner.y + position.y - m_vViewerPosition.y;
        const float vz = corner.z + position.z - m_vViewerPosition.z;
        if (vx * m_vViewerDirection.x + vy * m_vViewerDirection.y + vz * m_vViewerDirection.z > 0.0f) return true;
    }
    return false;
}

bool CForest::CollidesWith(const qrn::Vector4& point, const qrn::Vector4& direction, float radius) const {
    for (unsigned k = 0; k < m_dwTreeCount; ++k) {
        qrn::Vector4 v(point.x - m_pTreePositions[k].x, point.y - m_pTreePositions[k].y,
                       point.z - m_pTreePositions[k].z, 1.0f);
        if (v * direction <= 0.0f && v.GetLength() <= radius) return true;
    }
    return false;
}

bool CForest::Render(bool drawTrees, bool drawBoxes) {
    if (!m_pDevice) return true;
    if (drawBoxes && m_pTreeBox) {
        m_pDevice->SetWireframe(true);
        m_pDevice->SetTexturing(false);
        qrn::Matrix4x4 world;
        for (unsigned k = 0; k < m_dwTreeCount; ++k) {
            world.Indentity();
            world.SetTranslation(&m_pTreePositions[k], false);
            m_pDevice->SetWorldMatrix(&world);
            m_pTreeBox->Render();
        }
        m_pDevice->SetTexturing(true);
        m_pDevice->SetWireframe(false);
    }
    if (drawTrees && m_pTreeMesh) {
        qrn::Matrix4x4 world = TreeScaling();
        for (unsigned k = 0; k < m_dwTreeCount; ++k) {
            if (!IsTreeVisible(m_pTreePositions[k])) continue;
            world.SetTranslation(&m_pTreePositions[k], false);
            m_pDevice->SetWorldMatrix(&world);
            m_pTreeMesh->Render(true, true);
        }
    }
    m_pDevice->SetWorldMatrix(nullptr);
    return true;
}

}  // namespace brackwood
