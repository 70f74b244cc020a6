// An off-screen colour texture with its own depth-stencil surface that the
// device can draw into, and that a texture can then show.
//
// Both live in the default pool: they are released when the device is lost
// and rebuilt at the stored size after the reset. Textures that show this
// target are told whenever its texture changes, so they never keep a pointer
// to a released one.
#pragma once

#include <d3d9.h>

#include <vector>

#include "RenderDeviceObjects.h"

namespace qrn {

class CRenderDeviceD3D9;
class CTextureD3D9;

class CRenderTargetD3D9 final : public IRenderTarget {
public:
    // Copies the device's presentation parameters and creates a 256 x 256
    // target; a failure there leaves an object without surfaces.
    CRenderTargetD3D9(CRenderDeviceD3D9* pRenderDevice, IDirect3DDevice9* pDevice);
    ~CRenderTargetD3D9() override;

    CRenderTargetD3D9(const CRenderTargetD3D9&) = delete;
    CRenderTargetD3D9& operator=(const CRenderTargetD3D9&) = delete;

    void OnDeviceLost() override;
    void OnDeviceReset() override;

    bool Activate() override;
    bool Deactivate() override;
    // Sizes are adjusted to the device: powers of two and square sides where
    // the device needs them, at most the largest texture, at least 2. When
    // the texture or the depth surface runs out of memory both sides are
    // halved and tried again while both stay above 4.
    bool Create(unsigned width, unsigned height) override;
    unsigned GetHeight() override { return m_uHeight; }
    unsigned GetWidth() override { return m_uWidth; }

    IDirect3DTexture9* GetD3DTexture() const { return m_pTexture; }
    IDirect3DSurface9* GetColorSurface() const { return m_pColorSurface; }
    IDirect3DSurface9* GetDepthSurface() const { return m_pDepthSurface; }

    // Textures showing this target (see CTextureD3D9::SetRenderTarget).
    void AttachTexture(CTextureD3D9* pTexture);
    void DetachTexture(CTextureD3D9* pTexture);

private:
    void ReleaseSurfaces();
    // After a failed creation step: Create again at half the size when the
    // failure was out-of-memory and both sides are above 4; else false.
    bool RetrySmaller(HRESULT hr);
    void TellTextures();

    CRenderDeviceD3D9* m_pRenderDevice;
    IDirect3DDevice9* m_pDevice;
    IDirect3DSurface9* m_pColorSurface = nullptr;
    IDirect3DSurface9* m_pDepthSurface = nullptr;
    IDirect3DTexture9* m_pTexture = nullptr;
    D3DPRESENT_PARAMETERS m_presentParams{};
    unsigned m_uWidth = 0;
    unsigned m_uHeight = 0;
    std::vector<CTextureD3D9*> m_textures;
};

} // namespace qrn
