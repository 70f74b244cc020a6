#include "RenderTargetD3D9.h"

#include <algorithm>

#include "RenderDeviceD3D9.h"
#include "TextureD3D9.h"

namespace qrn {

namespace {

// The smallest power of two from 2 to 16384 that is not below the side.
unsigned RaiseToPowerOfTwo(unsigned side)
{
    unsigned p = 2;
    while (p < side && p < 16384) p <<= 1;
    return p;
}

} // namespace

CRenderTargetD3D9::CRenderTargetD3D9(CRenderDeviceD3D9* pRenderDevice, IDirect3DDevice9* pDevice)
    : m_pRenderDevice(pRenderDevice), m_pDevice(pDevice)
{
    if (m_pRenderDevice) m_presentParams = m_pRenderDevice->GetPresentParameters();
    Create(256, 256);
}

CRenderTargetD3D9::~CRenderTargetD3D9()
{
    // Deleted while drawing goes into it: send drawing back to the window
    // rather than into a surface nobody can reach any more.
    if (m_pRenderDevice && m_pColorSurface && !m_pRenderDevice->IsShuttingDown() &&
        m_pRenderDevice->IsRenderingToTexture()) {
        IDirect3DSurface9* pBound = nullptr;
        if (SUCCEEDED(m_pDevice->GetRenderTarget(0, &pBound)) && pBound) {
            if (pBound == m_pColorSurface) Deactivate();
            pBound->Release();
        }
    }
    ReleaseSurfaces();
    for (CTextureD3D9* pTexture : m_textures) pTexture->OnTargetGone();
    m_textures.clear();
    if (m_pRenderDevice) m_pRenderDevice->UnregisterObject(this);
}

void CRenderTargetD3D9::ReleaseSurfaces()
{
    const bool hadTexture = m_pTexture != nullptr;
    if (m_pColorSurface) {
        m_pColorSurface->Release();
        m_pColorSurface = nullptr;
    }
    if (m_pTexture) {
        m_pTexture->Release();
        m_pTexture = nullptr;
    }
    if (m_pDepthSurface) {
        m_pDepthSurface->Release();
        m_pDepthSurface = nullptr;
    }
    if (hadTexture) TellTextures();
}

void CRenderTargetD3D9::TellTextures()
{
    for (CTextureD3D9* pTexture : m_textures) pTexture->OnTargetTextureChanged(m_pTexture);
}

void CRenderTargetD3D9::AttachTexture(CTextureD3D9* pTexture)
{
    if (std::find(m_textures.begin(), m_textures.end(), pTexture) == m_textures.end()) {
        m_textures.push_back(pTexture);
    }
}

void CRenderTargetD3D9::DetachTexture(CTextureD3D9* pTexture)
{
    m_textures.erase(std::remove(m_textures.begin(), m_textures.end(), pTexture), m_textures.end());
}

bool CRenderTargetD3D9::Create(unsigned width, unsigned height)
{
    ReleaseSurfaces();
    if (!m_pDevice || !m_pRenderDevice || !m_pRenderDevice->CanRenderToTexture()) return false;

    m_uWidth = width;
    m_uHeight = height;

    D3DCAPS9 caps{};
    if (FAILED(m_pDevice->GetDeviceCaps(&caps))) return false;
    if (caps.TextureCaps & D3DPTEXTURECAPS_POW2) {
        m_uWidth = RaiseToPowerOfTwo(m_uWidth);
        m_uHeight = RaiseToPowerOfTwo(m_uHeight);
    }
    if (caps.MaxTextureWidth != 0) m_uWidth = std::min<unsigned>(m_uWidth, caps.MaxTextureWidth);
    if (caps.MaxTextureHeight != 0) m_uHeight = std::min<unsigned>(m_uHeight, caps.MaxTextureHeight);
    m_uWidth = std::max(m_uWidth, 2u);
    m_uHeight = std::max(m_uHeight, 2u);
    if (caps.TextureCaps & D3DPTEXTURECAPS_SQUAREONLY) {
        m_uWidth = m_uHeight = std::max(m_uWidth, m_uHeight);
    }

    IDirect3DTexture9* pTexture = nullptr;
    HRESULT hr = m_pDevice->CreateTexture(m_uWidth, m_uHeight, 1, D3DUSAGE_RENDERTARGET,
                                          m_pRenderDevice->GetRenderTargetFormat(), D3DPOOL_DEFAULT,
                                          &pTexture, nullptr);
    if (FAILED(hr) || !pTexture) {
        // The colour texture is the larger allocation and the likelier to
        // run out: it gets the same second chance as the depth surface.
        return FAILED(hr) && RetrySmaller(hr);
    }
    m_pTexture = pTexture;
    if (FAILED(m_pTexture->GetSurfaceLevel(0, &m_pColorSurface)) || !m_pColorSurface) {
        m_pColorSurface = nullptr;
        TellTextures();
        return false;
    }
    TellTextures();

    hr = m_pDevice->CreateDepthStencilSurface(
        m_uWidth, m_uHeight, m_presentParams.AutoDepthStencilFormat, m_presentParams.MultiSampleType,
        m_presentParams.MultiSampleQuality, FALSE, &m_pDepthSurface, nullptr);
    if (SUCCEEDED(hr) && m_pDepthSurface) return true;
    m_pDepthSurface = nullptr;
    return RetrySmaller(hr);
}

bool CRenderTargetD3D9::RetrySmaller(HRESULT hr)
{
    // Out of memory: try again with both sides halved while both are above
    // 4. Create releases what this attempt made.
    return (hr == D3DERR_OUTOFVIDEOMEMORY || hr == E_OUTOFMEMORY) && m_uWidth > 4 && m_uHeight > 4 &&
           Create(m_uWidth / 2, m_uHeight / 2);
}

bool CRenderTargetD3D9::Activate()
{
    if (!m_pColorSurface || !m_pDepthSurface) return false;
    if (FAILED(m_pDevice->SetRenderTarget(0, m_pColorSurface))) return false;
    if (FAILED(m_pDevice->SetDepthStencilSurface(m_pDepthSurface))) return false;

    const D3DVIEWPORT9 viewport{0, 0, m_uWidth, m_uHeight, 0.0f, 1.0f};
    if (FAILED(m_pDevice->SetViewport(&viewport))) return false;

    m_pRenderDevice->SelectRenderTarget(this);
    return true;
}

bool CRenderTargetD3D9::Deactivate()
{
    if (!m_pRenderDevice) return false;
    return m_pRenderDevice->SelectRenderTarget(nullptr);
}

void CRenderTargetD3D9::OnDeviceLost()
{
    ReleaseSurfaces();
}

void CRenderTargetD3D9::OnDeviceReset()
{
    Create(m_uWidth, m_uHeight);
}

} // namespace qrn
