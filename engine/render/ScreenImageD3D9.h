// A picture file copied straight onto the back buffer (title and credits
// screens): either kept in video memory and stretched over the whole target,
// or kept in system memory and copied unscaled into the top-left corner.
#pragma once

#include <d3d9.h>

#include <string>

#include "RenderDeviceObjects.h"

namespace qrn {

class CRenderDeviceD3D9;

class CScreenImageD3D9 final : public IScreenImage {
public:
    CScreenImageD3D9(CRenderDeviceD3D9* pRenderDevice, IDirect3DDevice9* pDevice);
    ~CScreenImageD3D9() override;

    CScreenImageD3D9(const CScreenImageD3D9&) = delete;
    CScreenImageD3D9& operator=(const CScreenImageD3D9&) = delete;

    // A video-memory surface does not survive a reset: it is dropped on loss
    // and the remembered file is loaded again after the reset.
    void OnDeviceLost() override;
    void OnDeviceReset() override;

    bool LoadFromFile(const char* file, bool videoMemory) override;
    // Called inside a frame; see IScreenImage for the results. In full-screen
    // mode width and height are taken from the back buffer.
    int Draw(unsigned width, unsigned height) override;

    bool IsLost() const { return m_bLost; }
    bool IsInVideoMemory() const { return m_bInVideoMemory; }
    const RECT& GetSourceRect() const { return m_sourceRect; }
    IDirect3DSurface9* GetSurface() const { return m_pSurface; }

private:
    void ReleaseSurface();

    CRenderDeviceD3D9* m_pRenderDevice;
    IDirect3DDevice9* m_pDevice;
    IDirect3DSurface9* m_pSurface = nullptr;
    bool m_bInVideoMemory = false;
    bool m_bLost = true;  // no usable surface
    RECT m_sourceRect{0, 0, 0, 0};
    std::string m_fileName;
};

} // namespace qrn
