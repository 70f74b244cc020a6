// The sky box: 36 coloured, textured vertices drawn from memory, one face at
// a time when it carries pictures.
#include <cmath>
#include <cstring>
#include <string>

#include "SkyBox.h"
#include "SkyBoxImpl.h"

namespace qrngu {

using qrn::Vector4;

namespace {

// One corner of the table: which end of each axis (0 = minimum, 1 = maximum)
// and the texture coordinates.
struct Corner {
    std::uint8_t x, y, z;
    float u, v;
};

// Six vertices per face, in draw order front, right, back, left, down, up.
// Seen from inside, every side picture stands upright with u running left
// to right.
constexpr Corner kBox[CSkyBox::kVertexCount] = {
    // front, z = max
    {0, 0, 1, 0, 1}, {0, 1, 1, 0, 0}, {1, 1, 1, 1, 0}, {0, 0, 1, 0, 1}, {1, 1, 1, 1, 0}, {1, 0, 1, 1, 1},
    // right, x = max
    {1, 0, 1, 0, 1}, {1, 1, 1, 0, 0}, {1, 1, 0, 1, 0}, {1, 0, 1, 0, 1}, {1, 1, 0, 1, 0}, {1, 0, 0, 1, 1},
    // back, z = min
    {0, 0, 0, 1, 1}, {1, 0, 0, 0, 1}, {0, 1, 0, 1, 0}, {1, 0, 0, 0, 1}, {1, 1, 0, 0, 0}, {0, 1, 0, 1, 0},
    // left, x = min
    {0, 1, 1, 1, 0}, {0, 0, 1, 1, 1}, {0, 1, 0, 0, 0}, {0, 1, 0, 0, 0}, {0, 0, 1, 1, 1}, {0, 0, 0, 0, 1},
    // down, y = min
    {0, 0, 0, 0, 1}, {0, 0, 1, 0, 0}, {1, 0, 1, 1, 0}, {0, 0, 0, 0, 1}, {1, 0, 1, 1, 0}, {1, 0, 0, 1, 1},
    // up, y = max
    {0, 1, 0, 0, 0}, {1, 1, 1, 1, 1}, {0, 1, 1, 0, 1}, {0, 1, 0, 0, 0}, {1, 1, 0, 1, 0}, {1, 1, 1, 1, 1},
};

// The texture of each face in draw order.
constexpr int kDrawFaces[6] = {CSkyBox::FRONT, CSkyBox::RIGHT, CSkyBox::BACK,
                               CSkyBox::LEFT,  CSkyBox::DOWN,  CSkyBox::UP};

// Load order and file-name suffixes.
struct FaceFile {
    int face;
    const char* suffix;
};
constexpr FaceFile kLoadOrder[6] = {{CSkyBox::FRONT, "_front"}, {CSkyBox::RIGHT, "_right"},
                                    {CSkyBox::BACK, "_back"},   {CSkyBox::LEFT, "_left"},
                                    {CSkyBox::UP, "_up"},       {CSkyBox::DOWN, "_down"}};
}  // namespace

CSkyBox::CSkyBox()
    : m_pDevice(nullptr), m_pMaterial(nullptr), m_pTextures{}, m_ColorVertices{}, m_DrawVertices{},
      m_vMin(-1, -1, -1, 1), m_vMax(1, 1, 1, 1), m_dwTopColor(0xFFFFFFFFu), m_dwBottomColor(0xFFFFFFFFu),
      m_bTextured(false) {
    // The default box, so that recolouring before SetData has colours to scale.
    BuildBox();
}

CSkyBox::~CSkyBox() { ReleaseObjects(); }

void CSkyBox::ReleaseObjects() {
    delete m_pMaterial;
    m_pMaterial = nullptr;
    for (qrn::ITexture*& t : m_pTextures) {
        delete t;
        t = nullptr;
    }
    m_bTextured = false;
}

void CSkyBox::BuildBox() {
    const float xs[2] = {m_vMin.x, m_vMax.x}, ys[2] = {m_vMin.y, m_vMax.y}, zs[2] = {m_vMin.z, m_vMax.z};
    for (unsigned k = 0; k < kVertexCount; ++k) {
        const Corner& c = kBox[k];
        SSkyVertex& v = m_ColorVertices[k];
        v.x = xs[c.x];
        v.y = ys[c.y];
        v.z = zs[c.z];
        v.color = c.y ? m_dwTopColor : m_dwBottomColor;
        v.u = c.u;
        v.v = c.v;
    }
    std::memcpy(m_DrawVertices, m_ColorVertices, sizeof m_DrawVertices);
}

bool CSkyBox::SetData(const Vector4& minimum, const Vector4& maximum, std::uint32_t top,
                      std::uint32_t bottom, qrn::IRenderDevice* device) {
    // A second SetData replaces the material and pictures of the first.
    ReleaseObjects();
    m_pDevice = device;
    m_vMin = minimum;
    m_vMax = maximum;
    m_dwTopColor = top;
    m_dwBottomColor = bottom;
    BuildBox();
    if (!device) return false;
    m_pMaterial = static_cast<qrn::IMaterial*>(device->CreateObject(qrn::OBJECTTYPE_MATERIAL));
    return m_pMaterial != nullptr;
}

bool CSkyBox::SetData(const Vector4& minimum, const Vector4& maximum, std::uint32_t top,
                      std::uint32_t bottom, const char* baseName, const char* extension,
                      qrn::IRenderDevice* device) {
    if (!SetData(minimum, maximum, top, bottom, device)) return false;
    if (!baseName || !extension) return false;
    for (const FaceFile& f : kLoadOrder) {
        auto* tex = static_cast<qrn::ITexture*>(device->CreateObject(qrn::OBJECTTYPE_TEXTURE));
        if (!tex) return false;
        m_pTextures[f.face] = tex;
        const std::string name = std::string(baseName) + f.suffix + extension;
        if (!tex->LoadFromFile(name.c_str(), false)) return false;
    }
    // Clamped coordinates: no seam from the opposite edge at the box's edges.
    for (qrn::ITexture* t : m_pTextures) t->SetAddressMode(qrn::TEXTUREADDRESS_CLAMP, qrn::TEXTUREADDRESS_CLAMP);
    m_bTextured = true;
    return true;
}

void CSkyBox::SetColor(std::uint32_t top, std::uint32_t bottom) {
    m_dwTopColor = top;
    m_dwBottomColor = bottom;
    BuildBox();
    SetLightIntensity(1.0f);
}

void CSkyBox::SetLightIntensity(float intensity) {
    // Never darker than 30 %; never brighter than the colours themselves
    // allow (each channel stops at 255). NaN counts as the darkest.
    float k = intensity;
    if (!(k >= 0.3f)) k = 0.3f;
    auto scale = [k](std::uint32_t c, int shift) -> std::uint32_t {
        const float v = static_cast<float>((c >> shift) & 0xFFu) * k;
        if (!(v < 255.0f)) return 255u;
        return static_cast<std::uint32_t>(v);
    };
    for (unsigned i = 0; i < kVertexCount; ++i) {
        const std::uint32_t c = m_ColorVertices[i].color;
        m_DrawVertices[i].color = 0xFF000000u | (scale(c, 16) << 16) | (scale(c, 8) << 8) | scale(c, 0);
    }
}

bool CSkyBox::Render() {
    if (!m_pDevice) return false;
    bool began = false;
    if (!m_pDevice->IsRendering()) {
        if (!m_pDevice->BeginRendering(false, false, false)) return false;
        began = true;
    }
    if (m_pMaterial) m_pMaterial->Apply();
    m_pDevice->SetCullMode(qrn::CULLMODE_NONE);
    // A failed draw is the device's to report; the box was handed over.
    if (m_bTextured) {
        for (unsigned f = 0; f < 6; ++f) {
            m_pTextures[kDrawFaces[f]]->Apply(0, 0, qrn::TEXTUREOP_MODULATE, qrn::TEXTUREOP_MODULATE);
            m_pDevice->DrawUserPrimitives(&m_DrawVertices[f * 6], 6, qrn::VERTEXFORMAT_XYZ_DIFFUSE_TEX1);
        }
    } else {
        m_pDevice->DrawUserPrimitives(m_DrawVertices, kVertexCount, qrn::VERTEXFORMAT_XYZ_DIFFUSE_TEX1);
    }
    if (began) m_pDevice->EndRendering(false);
    return true;
}

// ---- exported shell ----------------------------------------------------------

ISkyBox::ISkyBox() : m_pSkyBox(new CSkyBox) {}
ISkyBox::~ISkyBox() { delete m_pSkyBox; }

bool ISkyBox::SetData(Vector4 minimum, Vector4 maximum, unsigned long topColor, unsigned long bottomColor,
                      const char* baseName, const char* extension, qrn::IRenderDevice* device) {
    return m_pSkyBox->SetData(minimum, maximum, static_cast<std::uint32_t>(topColor),
                              static_cast<std::uint32_t>(bottomColor), baseName, extension, device);
}
bool ISkyBox::SetData(Vector4 minimum, Vector4 maximum, unsigned long topColor, unsigned long bottomColor,
                      qrn::IRenderDevice* device) {
    return m_pSkyBox->SetData(minimum, maximum, static_cast<std::uint32_t>(topColor),
                              static_cast<std::uint32_t>(bottomColor), device);
}
void ISkyBox::SetColor(unsigned long topColor, unsigned long bottomColor) {
    m_pSkyBox->SetColor(static_cast<std::uint32_t>(topColor), static_cast<std::uint32_t>(bottomColor));
}
void ISkyBox::SetLightIntensity(float intensity) { m_pSkyBox->SetLightIntensity(intensity); }
bool ISkyBox::Render() { return m_pSkyBox->Render(); }

}  // namespace qrngu
