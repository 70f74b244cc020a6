// Grid patches: upload, bounding box, the conservative culling test and the
// draw; and the grid that cuts a surface into patches.
#include "PatchGrid.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <new>

namespace qrngu {

using qrn::Vector4;

namespace {
constexpr float kFloatMax = 3.4028235e38f;
}  // namespace

// ---- CGridPatch --------------------------------------------------------------

CGridPatch::CGridPatch()
    : m_pDevice(nullptr), m_pVertices(nullptr), m_pIndices(nullptr), m_uIndexCount(0),
      m_uVertexCount(0), m_pVertexBuffer(nullptr), m_pIndexBuffer(nullptr),
      m_vMin(kFloatMax, kFloatMax, kFloatMax, 1), m_vMax(-kFloatMax, -kFloatMax, -kFloatMax, 1) {}

CGridPatch::~CGridPatch() {
    FreeCopies();
    // The buffers go with the patch, so that building a surface again does
    // not leave the old buffers with the device until it is destroyed.
    DeleteBuffers();
}

void CGridPatch::FreeCopies() {
    delete[] m_pVertices;
    delete[] m_pIndices;
    m_pVertices = nullptr;
    m_pIndices = nullptr;
}

void CGridPatch::DeleteBuffers() {
    delete m_pVertexBuffer;
    delete m_pIndexBuffer;
    m_pVertexBuffer = nullptr;
    m_pIndexBuffer = nullptr;
}

bool CGridPatch::Init(unsigned vertexCount, unsigned indexCount, qrn::IRenderDevice* device) {
    FreeCopies();
    m_pDevice = device;
    m_uVertexCount = 0;
    m_uIndexCount = 0;
    m_pVertices = new (std::nothrow) SGridVertex[vertexCount]();
    m_pIndices = new (std::nothrow) std::uint16_t[indexCount]();
    if (!m_pVertices || !m_pIndices) {
        FreeCopies();
        return false;
    }
    m_uVertexCount = vertexCount;
    m_uIndexCount = indexCount;
    return true;
}

void CGridPatch::SetVertex(unsigned index, const SGridVertex& v) {
    if (!m_pVertices || index >= m_uVertexCount) return;
    m_pVertices[index] = v;
    if (v.x < m_vMin.x) m_vMin.x = v.x;
    if (v.y < m_vMin.y) m_vMin.y = v.y;
    if (v.z < m_vMin.z) m_vMin.z = v.z;
    if (v.x > m_vMax.x) m_vMax.x = v.x;
    if (v.y > m_vMax.y) m_vMax.y = v.y;
    if (v.z > m_vMax.z) m_vMax.z = v.z;
}

void CGridPatch::SetIndex(unsigned index, std::uint16_t value) {
    if (!m_pIndices || index >= m_uIndexCount) return;
    m_pIndices[index] = value;
}

bool CGridPatch::Finish() {
    if (!m_pDevice || !m_pVertices || !m_pIndices) {
        FreeCopies();
        return false;
    }
    DeleteBuffers();
    m_pVertexBuffer = static_cast<qrn::IVertexBuffer*>(m_pDevice->CreateObject(qrn::OBJECTTYPE_VERTEXBUFFER));
    m_pIndexBuffer = static_cast<qrn::IIndexBuffer*>(m_pDevice->CreateObject(qrn::OBJECTTYPE_INDEXBUFFER));
    const bool uploaded = m_pVertexBuffer && m_pIndexBuffer &&
                          m_pVertexBuffer->SetData(m_pVertices, m_uVertexCount, qrn::VERTEXFORMAT_XYZ_NORMAL_TEX2) &&
                          m_pIndexBuffer->SetData(m_pIndices, m_uIndexCount);
    FreeCopies();
    if (!uploaded) {
        DeleteBuffers();  // one of them may have been made
        return false;
    }

    const Vector4& a = m_vMin;
    const Vector4& b = m_vMax;
    m_vCorners[0].Set(a.x, a.y, a.z, 1);
    m_vCorners[1].Set(b.x, a.y, a.z, 1);
    m_vCorners[2].Set(a.x, a.y, b.z, 1);
    m_vCorners[3].Set(b.x, a.y, b.z, 1);
    m_vCorners[4].Set(b.x, b.y, b.z, 1);
    m_vCorners[5].Set(a.x, b.y, b.z, 1);
    m_vCorners[6].Set(b.x, b.y, a.z, 1);
    m_vCorners[7].Set(a.x, b.y, a.z, 1);
    return true;
}

bool CGridPatch::IsVisible(const Vector4& position, const Vector4& direction) const {
    // The viewer's position truncated towards zero; done in floating point so
    // that a position beyond the range of int cannot misbehave. A patch in
    // the viewer's row or column of patches is always drawn.
    const float px = std::trunc(position.x);
    const float pz = std::trunc(position.z);
    if (m_vMin.x - 1.0f < px && px < m_vMax.x + 1.0f) return true;
    if (m_vMin.z - 1.0f < pz && pz < m_vMax.z + 1.0f) return true;
    // Otherwise only when a corner lies in front of the viewer.
    return std::any_of(std::begin(m_vCorners), std::end(m_vCorners), [&](const Vector4& c) {
        return (c.x - position.x) * direction.x + (c.y - position.y) * direction.y +
                   (c.z - position.z) * direction.z >=
               0.0f;
    });
}

bool CGridPatch::Render(const Vector4& position, const Vector4& direction) {
    if (!IsVisible(position, direction)) return true;
    if (!m_pDevice || !m_pVertexBuffer || !m_pIndexBuffer) return false;
    m_pIndexBuffer->Apply();
    m_pVertexBuffer->Apply(0);
    return m_pDevice->DrawIndexed();
}

// ---- CPatchGrid --------------------------------------------------------------

CPatchGrid::CPatchGrid()
    : m_pDevice(nullptr), m_pMaterial(nullptr), m_pTextures{}, m_pPatches(nullptr), m_uPatchCount(0),
      m_uTexCoordSets{}, m_uWidth(0), m_uDepth(0), m_uPatchSizeX(CGridPatch::kSide),
      m_uPatchSizeZ(CGridPatch::kSide), m_uPatchesX(0), m_uPatchesZ(0), m_fRepeat0(1.0f), m_fRepeat1(1.0f),
      m_vViewerPos(0, 0, 0, 1), m_vViewerDir(0, 0, 0, 1) {}

CPatchGrid::~CPatchGrid() {
    ReleaseData();
    for (qrn::ITexture*& t : m_pTextures) {
        delete t;
        t = nullptr;
    }
}

void CPatchGrid::ReleaseData() {
    delete m_pMaterial;
    m_pMaterial = nullptr;
    delete[] m_pPatches;
    m_pPatches = nullptr;
    m_uPatchCount = 0;
    m_uPatchesX = 0;
    m_uPatchesZ = 0;
}

bool CPatchGrid::Restart(qrn::IRenderDevice* device) {
    m_pDevice = device;
    ReleaseData();
    m_uWidth = m_uDepth = 0;
    return device != nullptr;
}

bool CPatchGrid::CreateMaterial() {
    if (!m_pDevice) return false;
    m_pMaterial = static_cast<qrn::IMaterial*>(m_pDevice->CreateObject(qrn::OBJECTTYPE_MATERIAL));
    return m_pMaterial != nullptr;
}

bool CPatchGrid::SetTexture(const char* file, unsigned stage, unsigned set) {
    if (!m_pDevice || !file || stage >= kStages) return false;
    if (!m_pTextures[stage]) {
        m_pTextures[stage] = static_cast<qrn::ITexture*>(m_pDevice->CreateObject(qrn::OBJECTTYPE_TEXTURE));
        if (!m_pTextures[stage]) return false;
    }
    m_uTexCoordSets[stage] = set;
    return m_pTextures[stage]->LoadFromFile(file, false);
}

bool CPatchGrid::BuildPatches(const VertexFn& vertexAt) {
    m_uPatchesX = m_uWidth > 0 ? (m_uWidth - 1) / CGridPatch::kCells : 0;
    m_uPatchesZ = m_uDepth > 0 ? (m_uDepth - 1) / CGridPatch::kCells : 0;
    m_uPatchCount = 0;
    const unsigned long long count = static_cast<unsigned long long>(m_uPatchesX) * m_uPatchesZ;
    if (count == 0) return true;  // too small for one patch: nothing to draw
    m_pPatches = new (std::nothrow) CGridPatch[count];
    if (!m_pPatches) return false;
    m_uPatchCount = static_cast<unsigned>(count);

    constexpr unsigned side = CGridPatch::kSide;
    constexpr unsigned cells = CGridPatch::kCells;
    for (unsigned q = 0; q < m_uPatchesZ; ++q) {
        for (unsigned p = 0; p < m_uPatchesX; ++p) {
            CGridPatch& patch = m_pPatches[p + q * m_uPatchesX];
            if (!patch.Init(CGridPatch::kVertexCount, CGridPatch::kIndexCount, m_pDevice)) return false;
            for (unsigned j = cells * q; j <= cells * q + cells; ++j)
                for (unsigned i = cells * p; i <= cells * p + cells; ++i)
                    patch.SetVertex((j - cells * q) * side + (i - cells * p), vertexAt(i, j));
            unsigned n = 0;
            for (unsigned r = 0; r < cells; ++r) {
                for (unsigned c = 0; c < cells; ++c) {
                    const auto a = static_cast<std::uint16_t>(r * side + c);
                    const auto b = static_cast<std::uint16_t>((r + 1) * side + c);
                    const std::uint16_t six[6] = {static_cast<std::uint16_t>(b + 1),
                                                  static_cast<std::uint16_t>(a + 1), a, b,
                                                  static_cast<std::uint16_t>(b + 1), a};
                    for (std::uint16_t v : six) patch.SetIndex(n++, v);
                }
            }
            if (!patch.Finish()) return false;
        }
    }
    return true;
}

void CPatchGrid::ApplyTextures(int firstOp, int laterOp) {
    for (unsigned s = 0; s < kStages && m_pTextures[s]; ++s)
        m_pTextures[s]->Apply(s, m_uTexCoordSets[s], s == 0 ? firstOp : laterOp, qrn::TEXTUREOP_MODULATE);
}

void CPatchGrid::RenderPatches() {
    for (unsigned i = 0; i < m_uPatchCount; ++i) m_pPatches[i].Render(m_vViewerPos, m_vViewerDir);
}

void CPatchGrid::SetTexCoords(SGridVertex& v, unsigned i, unsigned j) const {
    const float fi = static_cast<float>(i), fj = static_cast<float>(j);
    const float w = static_cast<float>(m_uWidth), d = static_cast<float>(m_uDepth);
    v.u0 = fi / w * m_fRepeat0;
    v.v0 = fj / d * m_fRepeat0;
    v.u1 = fi / w * m_fRepeat1;
    v.v1 = fj / d * m_fRepeat1;
}

}  // namespace qrngu
