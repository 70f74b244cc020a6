#include "IndexBufferD3D9.h"

#include <climits>

#include "BufferFillD3D9.h"
#include "RenderDeviceD3D9.h"

namespace qrn {

CIndexBufferD3D9::CIndexBufferD3D9(CRenderDeviceD3D9* pRenderDevice, IDirect3DDevice9* pDevice)
    : m_pRenderDevice(pRenderDevice), m_pDevice(pDevice)
{
}

CIndexBufferD3D9::~CIndexBufferD3D9()
{
    ReleaseBuffer();
    if (m_pRenderDevice) {
        // DrawIndexed must never reach a buffer object that is gone.
        if (m_pRenderDevice->GetBoundIndexBuffer() == this) m_pRenderDevice->SetBoundIndexBuffer(nullptr);
        m_pRenderDevice->UnregisterObject(this);
    }
}

void CIndexBufferD3D9::ReleaseBuffer()
{
    if (m_pBuffer) {
        m_pBuffer->Release();
        m_pBuffer = nullptr;
    }
}

bool CIndexBufferD3D9::SetData(const std::uint16_t* indices, unsigned indexCount)
{
    ReleaseBuffer();
    if (!m_pDevice) return false;
    // Refuse what cannot be copied: no source, or a size past 32 bits.
    if ((!indices && indexCount > 0) || indexCount > UINT_MAX / 2u) return false;

    const UINT bytes = 2u * indexCount;
    IDirect3DIndexBuffer9* pBuffer = nullptr;
    if (FAILED(m_pDevice->CreateIndexBuffer(bytes, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                                            D3DPOOL_MANAGED, &pBuffer, nullptr)) ||
        !pBuffer) {
        return false;
    }

    if (!FillNewBuffer(pBuffer, indices, bytes)) return false;

    m_pBuffer = pBuffer;
    m_uIndexCount = indexCount;
    m_uTriangleCount = indexCount / 3;
    return true;
}

void CIndexBufferD3D9::Apply()
{
    if (!m_pDevice) return;
    m_pDevice->SetIndices(m_pBuffer);
    m_pRenderDevice->SetBoundIndexBuffer(this);
}

} // namespace qrn
