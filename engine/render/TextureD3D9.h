// A texture for the fixed-function stages: an image file shared through the
// device's texture cache, or the picture of a render target.
#pragma once

#include <d3d9.h>

#include "RenderDeviceObjects.h"

namespace qrn {

class CRenderDeviceD3D9;
class CRenderTargetD3D9;

class CTextureD3D9 final : public ITexture {
public:
    CTextureD3D9(CRenderDeviceD3D9* pRenderDevice, IDirect3DDevice9* pDevice);
    ~CTextureD3D9() override;

    CTextureD3D9(const CTextureD3D9&) = delete;
    CTextureD3D9& operator=(const CTextureD3D9&) = delete;

    // Cached textures live in the managed pool; a render target's texture is
    // kept up to date by the target itself (see OnTargetTextureChanged).
    void OnDeviceLost() override {}
    void OnDeviceReset() override {}

    bool HasAlpha() override { return m_bHasAlpha; }
    bool SetRenderTarget(IRenderTarget* pTarget) override;
    bool LoadFromFile(const char* file, bool alpha) override;
    bool Apply(unsigned stage, unsigned texCoordIndex, int colorOp, int alphaOp) override;
    void SetFilter(int minification, int magnification, int mip) override;
    void SetAddressMode(int u, int v) override;

    IDirect3DTexture9* GetD3DTexture() const { return m_pTexture; }
    bool IsBorrowed() const { return m_bBorrowed; }
    D3DTEXTUREFILTERTYPE GetMinFilter() const { return m_minFilter; }
    D3DTEXTUREFILTERTYPE GetMagFilter() const { return m_magFilter; }
    D3DTEXTUREFILTERTYPE GetMipFilter() const { return m_mipFilter; }
    D3DTEXTUREADDRESS GetAddressU() const { return m_addressU; }
    D3DTEXTUREADDRESS GetAddressV() const { return m_addressV; }

    // Called by the render target this texture shows whenever the target's
    // own texture is released or rebuilt (device loss and reset, Create), so
    // that a borrowed texture never points at a released one.
    void OnTargetTextureChanged(IDirect3DTexture9* pTexture) { m_pTexture = pTexture; }
    // Called by the render target when it is destroyed.
    void OnTargetGone();

    // Direct3D values of the engine's small choices; out-of-range choices
    // map to DISABLE, NONE and WRAP.
    static D3DTEXTUREOP TextureOp(int op);
    static D3DTEXTUREFILTERTYPE FilterType(int filter);
    static D3DTEXTUREADDRESS AddressMode(int address);

private:
    // Gives the held texture back to the cache, or stops showing the render
    // target; afterwards no texture is held.
    void GiveBack();

    CRenderDeviceD3D9* m_pRenderDevice;
    IDirect3DDevice9* m_pDevice;
    IDirect3DTexture9* m_pTexture = nullptr;
    CRenderTargetD3D9* m_pTarget = nullptr;  // the target shown, while borrowed

    D3DTEXTUREFILTERTYPE m_minFilter = D3DTEXF_LINEAR;
    D3DTEXTUREFILTERTYPE m_magFilter = D3DTEXF_LINEAR;
    D3DTEXTUREFILTERTYPE m_mipFilter = D3DTEXF_LINEAR;
    D3DTEXTUREADDRESS m_addressU = D3DTADDRESS_WRAP;
    D3DTEXTUREADDRESS m_addressV = D3DTADDRESS_WRAP;
    bool m_bHasAlpha = false;
    bool m_bBorrowed = false;
};

} // namespace qrn
