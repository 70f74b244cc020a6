#include "MaterialD3D9.h"

#include <cmath>

#include "RenderDeviceD3D9.h"

namespace qrn {

namespace {

// Clamps to 0..1; a NaN becomes 0 so that it can never reach the lighting.
float Clamp01(float v)
{
    if (std::isnan(v) || v < 0.0f) return 0.0f;
    if (v > 1.0f) return 1.0f;
    return v;
}

void SetClamped(D3DCOLORVALUE& colour, float r, float g, float b, float a)
{
    colour.r = Clamp01(r);
    colour.g = Clamp01(g);
    colour.b = Clamp01(b);
    colour.a = Clamp01(a);
}

} // namespace

void ApplyTransparency(CRenderDeviceD3D9* pRenderDevice, IDirect3DDevice9* pDevice, bool transparent,
                       D3DTEXTUREOP alphaOp)
{
    // An additive or colour-masked pass owns the blend states; leave them.
    if (pRenderDevice->IsBlendingOverridden()) return;
    if (transparent) {
        pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        pDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        pDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        // The alpha that reaches blending is stage 0's, whatever the stage.
        pDevice->SetTextureStageState(0, D3DTSS_ALPHAOP, alphaOp);
        pDevice->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
        pDevice->SetRenderState(D3DRS_ALPHAREF, 50);
        pDevice->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    } else {
        pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        pDevice->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    }
}

CMaterialD3D9::CMaterialD3D9(CRenderDeviceD3D9* pRenderDevice, IDirect3DDevice9* pDevice)
    : m_pRenderDevice(pRenderDevice), m_pDevice(pDevice), m_material{}
{
    m_material.Ambient = {1.0f, 1.0f, 1.0f, 1.0f};
    m_material.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    m_material.Emissive = {0.0f, 0.0f, 0.0f, 1.0f};
    m_material.Specular = {0.0f, 0.0f, 0.0f, 1.0f};
    m_material.Power = 0.0f;
}

CMaterialD3D9::~CMaterialD3D9()
{
    if (m_pRenderDevice) m_pRenderDevice->UnregisterObject(this);
}

void CMaterialD3D9::SetAmbient(float r, float g, float b, float a)
{
    SetClamped(m_material.Ambient, r, g, b, a);
}

void CMaterialD3D9::SetDiffuse(float r, float g, float b, float a)
{
    SetClamped(m_material.Diffuse, r, g, b, a);
}

void CMaterialD3D9::SetEmissive(float r, float g, float b, float a)
{
    SetClamped(m_material.Emissive, r, g, b, a);
}

void CMaterialD3D9::SetSpecular(float r, float g, float b, float a)
{
    SetClamped(m_material.Specular, r, g, b, a);
}

void CMaterialD3D9::SetPower(float power)
{
    m_material.Power = Clamp01(power);
}

void CMaterialD3D9::SetColorSource(bool ambient, bool diffuse, bool emissive, bool specular)
{
    if (!m_pDevice) return;
    if (ambient) m_pDevice->SetRenderState(D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL);
    if (diffuse) m_pDevice->SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_MATERIAL);
    if (emissive) m_pDevice->SetRenderState(D3DRS_EMISSIVEMATERIALSOURCE, D3DMCS_MATERIAL);
    if (specular) m_pDevice->SetRenderState(D3DRS_SPECULARMATERIALSOURCE, D3DMCS_MATERIAL);
}

void CMaterialD3D9::SetFromD3DMaterial(const D3DMATERIAL9& material)
{
    m_material = material;
}

bool CMaterialD3D9::IsTransparent() const
{
    return m_material.Ambient.a < 1.0f || m_material.Diffuse.a < 1.0f ||
           m_material.Emissive.a < 1.0f || m_material.Specular.a < 1.0f;
}

bool CMaterialD3D9::Apply()
{
    if (!m_pDevice) return false;

    ApplyTransparency(m_pRenderDevice, m_pDevice, IsTransparent(), D3DTOP_MODULATE);
    return SUCCEEDED(m_pDevice->SetMaterial(&m_material));
}

} // namespace qrn
