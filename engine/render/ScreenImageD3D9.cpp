#include "ScreenImageD3D9.h"

#include <d3dx9tex.h>

#include <algorithm>

#include "RenderDeviceD3D9.h"

namespace qrn {

CScreenImageD3D9::CScreenImageD3D9(CRenderDeviceD3D9* pRenderDevice, IDirect3DDevice9* pDevice)
    : m_pRenderDevice(pRenderDevice), m_pDevice(pDevice)
{
}

CScreenImageD3D9::~CScreenImageD3D9()
{
    ReleaseSurface();
    if (m_pRenderDevice) m_pRenderDevice->UnregisterObject(this);
}

void CScreenImageD3D9::ReleaseSurface()
{
    if (m_pSurface) {
        m_pSurface->Release();
        m_pSurface = nullptr;
    }
    // Without a surface there is nothing to draw: Draw must not hand a
    // missing surface to the copy.
    m_bLost = true;
}

bool CScreenImageD3D9::LoadFromFile(const char* file, bool videoMemory)
{
    m_fileName = file ? file : "";
    ReleaseSurface();
    if (!file || !m_pDevice || !m_pRenderDevice) return false;

    D3DXIMAGE_INFO info{};
    if (FAILED(D3DXGetImageInfoFromFileA(file, &info))) return false;
    if (info.Width == 0 || info.Height == 0) return false;

    IDirect3DSurface9* pSurface = nullptr;
    const D3DFORMAT format = m_pRenderDevice->GetPresentParameters().BackBufferFormat;
    if (FAILED(m_pDevice->CreateOffscreenPlainSurface(info.Width, info.Height, format,
                                                      videoMemory ? D3DPOOL_DEFAULT : D3DPOOL_SYSTEMMEM,
                                                      &pSurface, nullptr)) ||
        !pSurface) {
        return false;
    }
    if (FAILED(D3DXLoadSurfaceFromFileA(pSurface, nullptr, nullptr, file, nullptr, D3DX_DEFAULT, 0,
                                        nullptr))) {
        pSurface->Release();
        return false;
    }

    m_pSurface = pSurface;
    m_sourceRect = RECT{0, 0, static_cast<LONG>(info.Width), static_cast<LONG>(info.Height)};
    m_bInVideoMemory = videoMemory;
    m_bLost = false;
    return true;
}

int CScreenImageD3D9::Draw(unsigned width, unsigned height)
{
    if (m_bLost || !m_pSurface) return DRAW_OK;

    IDirect3DSurface9* pTarget = nullptr;
    if (FAILED(m_pDevice->GetRenderTarget(0, &pTarget)) || !pTarget) return DRAW_NO_TARGET;

    if (!m_pRenderDevice->IsWindowed()) {
        const D3DPRESENT_PARAMETERS& params = m_pRenderDevice->GetPresentParameters();
        width = params.BackBufferWidth;
        height = params.BackBufferHeight;
    }

    int result = DRAW_OK;
    if (m_bInVideoMemory) {
        // The whole picture over the whole target; the size is not used.
        if (FAILED(m_pDevice->StretchRect(m_pSurface, &m_sourceRect, pTarget, nullptr, D3DTEXF_NONE))) {
            result = DRAW_STRETCH_FAILED;
        }
    } else {
        RECT copy{0, 0, std::min<LONG>(m_sourceRect.right, static_cast<LONG>(std::min(width, 0x7fffffffu))),
                  std::min<LONG>(m_sourceRect.bottom, static_cast<LONG>(std::min(height, 0x7fffffffu)))};
        if (copy.right <= 0 || copy.bottom <= 0) {
            result = DRAW_EMPTY;
        } else {
            POINT corner{0, 0};
            if (FAILED(m_pDevice->UpdateSurface(m_pSurface, &copy, pTarget, &corner))) {
                result = DRAW_COPY_FAILED;
            }
        }
    }
    pTarget->Release();
    return result;
}

void CScreenImageD3D9::OnDeviceLost()
{
    ReleaseSurface();
}

void CScreenImageD3D9::OnDeviceReset()
{
    // A failed reload leaves the image lost (drawing nothing) instead of
    // drawing from a missing surface. LoadFromFile overwrites the name: copy it.
    if (m_fileName.empty()) return;
    const std::string file = m_fileName;
    LoadFromFile(file.c_str(), m_bInVideoMemory);
}

} // namespace qrn
