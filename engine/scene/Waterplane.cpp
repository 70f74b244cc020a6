// The water plane: a level grid drawn additively, its level swinging on a
// wave phase that all planes share.
#include <cmath>

#include "Waterplane.h"
#include "WaterplaneImpl.h"

namespace qrngu {

using qrn::Vector4;

namespace {
constexpr float kPhaseWrap = 6.283f;
constexpr float kPhaseRate = 0.8f;
float g_fWavePhase = 0.0f;
}  // namespace

float CWaterplane::GetPhase() { return g_fWavePhase; }
void CWaterplane::SetPhase(float phase) { g_fWavePhase = phase; }

CWaterplane::CWaterplane() : m_fBaseHeight(0.0f), m_fHeight(0.0f) {}

CWaterplane::~CWaterplane() = default;

bool CWaterplane::SetData(unsigned width, unsigned depth, float baseHeight, float repeat0, float repeat1,
                          qrn::IRenderDevice* device) {
    if (!Restart(device)) return false;
    if (!CreateMaterial()) return false;
    m_pMaterial->SetAmbient(0.2f, 0.2f, 0.2f, 1.0f);
    m_pMaterial->SetDiffuse(0.7f, 0.7f, 0.7f, 1.0f);
    const unsigned long long points = static_cast<unsigned long long>(width) * depth;
    if (points == 0 || points > kMaxPoints) return false;
    m_uWidth = width;
    m_uDepth = depth;
    m_fBaseHeight = baseHeight;
    m_fRepeat0 = repeat0;
    m_fRepeat1 = repeat1;
    return BuildPatches([this](unsigned i, unsigned j) { return VertexAt(i, j); });
}

SGridVertex CWaterplane::VertexAt(unsigned i, unsigned j) const {
    SGridVertex v{};
    v.x = static_cast<float>(i);
    v.z = static_cast<float>(j);
    v.ny = -1.0f;  // downwards, like the terrain's normals
    SetTexCoords(v, i, j);
    return v;
}

void CWaterplane::Update(float elapsed) {
    if (g_fWavePhase > kPhaseWrap) {
        g_fWavePhase -= kPhaseWrap;
    } else {
        const float step = elapsed * kPhaseRate;
        // A NaN or infinite frame time would stop the wave for good.
        if (std::isfinite(step)) g_fWavePhase += step;
        // A huge step is folded back so that the phase stays small.
        if (std::fabs(g_fWavePhase) > 2 * kPhaseWrap) g_fWavePhase = std::fmod(g_fWavePhase, kPhaseWrap);
    }
    m_fHeight = (1.0f + 0.01f * std::sin(g_fWavePhase)) * m_fBaseHeight;
}

bool CWaterplane::Render(bool textures, bool material) {
    if (!m_pDevice) return false;
    m_pDevice->SetAdditiveBlending(true, false);
    m_pDevice->SetDepthBufferMode(qrn::DEPTHBUFFER_READONLY);
    m_pDevice->SetCullMode(qrn::CULLMODE_NONE);
    if (material && m_pMaterial) m_pMaterial->Apply();
    if (textures) ApplyTextures(qrn::TEXTUREOP_MODULATE, qrn::TEXTUREOP_MODULATE);
    RenderPatches();
    m_pDevice->SetAdditiveBlending(false, false);
    m_pDevice->SetDepthBufferMode(qrn::DEPTHBUFFER_READWRITE);
    return true;
}

// ---- exported shell ----------------------------------------------------------

IWaterplane::IWaterplane() : m_pWaterplane(new CWaterplane) {}
IWaterplane::~IWaterplane() { delete m_pWaterplane; }

bool IWaterplane::SetData(unsigned width, unsigned depth, float, float baseHeight, float textureRepeat0,
                          float textureRepeat1, Vector4, qrn::IRenderDevice* device) {
    return m_pWaterplane->SetData(width, depth, baseHeight, textureRepeat0, textureRepeat1, device);
}
bool IWaterplane::SetTexture(const char* file, unsigned stage, unsigned set) {
    return m_pWaterplane->SetTexture(file, stage, set);
}
unsigned IWaterplane::GetWidth() { return m_pWaterplane->GetWidth(); }
unsigned IWaterplane::GetDepth() { return m_pWaterplane->GetDepth(); }
void IWaterplane::Update(float elapsed) { m_pWaterplane->Update(elapsed); }
float IWaterplane::GetHeight() { return m_pWaterplane->GetHeight(); }
void IWaterplane::UpdatePlayer(const Vector4& position, const Vector4& direction) {
    m_pWaterplane->UpdatePlayer(position, direction);
}
bool IWaterplane::Render(bool textures, bool material) { return m_pWaterplane->Render(textures, material); }

}  // namespace qrngu
