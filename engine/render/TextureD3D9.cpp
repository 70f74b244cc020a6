#include "TextureD3D9.h"

#include "MaterialD3D9.h"
#include "RenderDeviceD3D9.h"
#include "RenderTargetD3D9.h"
#include "TextureCache.h"

#include <iterator>

namespace qrn {

// One row per TEXTUREOPERATION.
static const D3DTEXTUREOP kTextureOps[] = {
    D3DTOP_SELECTARG1,  // TEXTUREOP_SELECTARG1: texture colour only
    D3DTOP_DISABLE,     // TEXTUREOP_DISABLE
    D3DTOP_MODULATE,    // TEXTUREOP_MODULATE
    D3DTOP_ADD,         // TEXTUREOP_ADD
    D3DTOP_ADDSIGNED,   // TEXTUREOP_ADDSIGNED
};
static_assert(std::size(kTextureOps) == TEXTUREOP_COUNT);

// One row per TEXTUREFILTER.
static const D3DTEXTUREFILTERTYPE kFilters[] = {
    D3DTEXF_NONE,         // TEXTUREFILTER_NONE
    D3DTEXF_POINT,        // TEXTUREFILTER_POINT
    D3DTEXF_LINEAR,       // TEXTUREFILTER_LINEAR
    D3DTEXF_ANISOTROPIC,  // TEXTUREFILTER_ANISOTROPIC
};
static_assert(std::size(kFilters) == TEXTUREFILTER_COUNT);

// One row per TEXTUREADDRESS.
static const D3DTEXTUREADDRESS kAddressModes[] = {
    D3DTADDRESS_WRAP,        // TEXTUREADDRESS_WRAP
    D3DTADDRESS_MIRROR,      // TEXTUREADDRESS_MIRROR
    D3DTADDRESS_CLAMP,       // TEXTUREADDRESS_CLAMP
    D3DTADDRESS_BORDER,      // TEXTUREADDRESS_BORDER
    D3DTADDRESS_MIRRORONCE,  // TEXTUREADDRESS_MIRRORONCE
};
static_assert(std::size(kAddressModes) == TEXTUREADDRESS_COUNT);

D3DTEXTUREOP CTextureD3D9::TextureOp(int op)
{
    return (op >= 0 && op < int(std::size(kTextureOps))) ? kTextureOps[op] : D3DTOP_DISABLE;
}

D3DTEXTUREFILTERTYPE CTextureD3D9::FilterType(int filter)
{
    return (filter >= 0 && filter < int(std::size(kFilters))) ? kFilters[filter] : D3DTEXF_NONE;
}

D3DTEXTUREADDRESS CTextureD3D9::AddressMode(int address)
{
    return (address >= 0 && address < int(std::size(kAddressModes))) ? kAddressModes[address] : D3DTADDRESS_WRAP;
}

CTextureD3D9::CTextureD3D9(CRenderDeviceD3D9* pRenderDevice, IDirect3DDevice9* pDevice)
    : m_pRenderDevice(pRenderDevice), m_pDevice(pDevice)
{
}

CTextureD3D9::~CTextureD3D9()
{
    GiveBack();
    if (m_pRenderDevice) m_pRenderDevice->UnregisterObject(this);
}

void CTextureD3D9::GiveBack()
{
    if (m_bBorrowed) {
        if (m_pTarget) m_pTarget->DetachTexture(this);
        m_pTarget = nullptr;
    } else if (m_pTexture) {
        if (CTextureCache* pCache = m_pRenderDevice ? m_pRenderDevice->GetTextureCache() : nullptr) {
            pCache->ReleaseTexture(m_pTexture);
        }
    }
    m_pTexture = nullptr;
}

void CTextureD3D9::OnTargetGone()
{
    m_pTarget = nullptr;
    m_pTexture = nullptr;
}

bool CTextureD3D9::LoadFromFile(const char* file, bool alpha)
{
    GiveBack();
    m_bBorrowed = false;

    CTextureCache* pCache = m_pRenderDevice ? m_pRenderDevice->GetTextureCache() : nullptr;
    if (!pCache) return false;
    m_pTexture = pCache->AcquireTexture(file, alpha);
    if (!m_pTexture) return false;
    m_bHasAlpha = alpha;
    return true;
}

bool CTextureD3D9::SetRenderTarget(IRenderTarget* pTarget)
{
    GiveBack();
    m_bBorrowed = false;
    if (!pTarget) return false;

    // Render targets have one implementation.
    auto* pRenderTarget = static_cast<CRenderTargetD3D9*>(pTarget);
    IDirect3DTexture9* pTexture = pRenderTarget->GetD3DTexture();
    if (!pTexture) return false;

    // No reference of our own: the target tells us when its texture changes.
    m_pTexture = pTexture;
    m_pTarget = pRenderTarget;
    m_pTarget->AttachTexture(this);
    m_bBorrowed = true;
    return true;
}

void CTextureD3D9::SetFilter(int minification, int magnification, int mip)
{
    m_minFilter = FilterType(minification);
    m_magFilter = FilterType(magnification);
    m_mipFilter = FilterType(mip);
}

void CTextureD3D9::SetAddressMode(int u, int v)
{
    m_addressU = AddressMode(u);
    m_addressV = AddressMode(v);
}

bool CTextureD3D9::Apply(unsigned stage, unsigned texCoordIndex, int colorOp, int alphaOp)
{
    if (!m_pDevice || !m_pRenderDevice) return false;
    // With texturing switched off everything is drawn untextured.
    if (!m_pRenderDevice->IsTexturingEnabled()) return true;

    m_pDevice->SetSamplerState(stage, D3DSAMP_MAGFILTER, m_magFilter);
    m_pDevice->SetSamplerState(stage, D3DSAMP_MINFILTER, m_minFilter);
    m_pDevice->SetSamplerState(stage, D3DSAMP_MIPFILTER, m_mipFilter);
    m_pDevice->SetSamplerState(stage, D3DSAMP_ADDRESSU, m_addressU);
    m_pDevice->SetSamplerState(stage, D3DSAMP_ADDRESSV, m_addressV);
    m_pDevice->SetTextureStageState(stage, D3DTSS_TEXCOORDINDEX, texCoordIndex);

    ApplyTransparency(m_pRenderDevice, m_pDevice, m_bHasAlpha, TextureOp(alphaOp));

    if (FAILED(m_pDevice->SetTexture(stage, m_pTexture))) return false;
    if (FAILED(m_pDevice->SetTextureStageState(stage, D3DTSS_COLOROP, TextureOp(colorOp)))) {
        return false;
    }
    // Close the cascade after this stage; stage 7 is the last one there is.
    if (stage <= 5) {
        return SUCCEEDED(m_pDevice->SetTextureStageState(stage + 1, D3DTSS_COLOROP, D3DTOP_DISABLE));
    }
    return true;
}

} // namespace qrn
