// The sky box behind ISkyBox.
#pragma once

#include <cstdint>

#include "QrnMath.h"
#include "RenderDevice.h"
#include "RenderDeviceObjects.h"

namespace qrngu {

// Vertex format 2: position, ARGB colour, one texture pair.
struct SSkyVertex {
    float x, y, z;
    std::uint32_t color;
    float u, v;
};
static_assert(sizeof(SSkyVertex) == 24, "sky vertex must match vertex format 2");

class CSkyBox {
public:
    // Face textures in storage order.
    enum { UP = 0, DOWN, LEFT, RIGHT, FRONT, BACK, FACES };
    static constexpr unsigned kVertexCount = 36;

    CSkyBox();
    virtual ~CSkyBox();

    bool SetData(const qrn::Vector4& minimum, const qrn::Vector4& maximum, std::uint32_t top,
                 std::uint32_t bottom, const char* baseName, const char* extension,
                 qrn::IRenderDevice* device);
    bool SetData(const qrn::Vector4& minimum, const qrn::Vector4& maximum, std::uint32_t top,
                 std::uint32_t bottom, qrn::IRenderDevice* device);
    void SetColor(std::uint32_t top, std::uint32_t bottom);
    void SetLightIntensity(float intensity);
    bool Render();

    const SSkyVertex* GetDrawVertices() const { return m_DrawVertices; }
    bool IsTextured() const { return m_bTextured; }
    qrn::ITexture* GetTexture(unsigned face) const { return face < FACES ? m_pTextures[face] : nullptr; }
    qrn::IMaterial* GetMaterial() const { return m_pMaterial; }

private:
    void BuildBox();
    void ReleaseObjects();

    qrn::IRenderDevice* m_pDevice;
    qrn::IMaterial* m_pMaterial;
    qrn::ITexture* m_pTextures[FACES];
    SSkyVertex m_ColorVertices[kVertexCount];
    SSkyVertex m_DrawVertices[kVertexCount];
    qrn::Vector4 m_vMin;
    qrn::Vector4 m_vMax;
    std::uint32_t m_dwTopColor;
    std::uint32_t m_dwBottomColor;
    bool m_bTextured;
};

}  // namespace qrngu
