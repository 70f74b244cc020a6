#include "VertexBufferD3D9.h"

#include <climits>

#include "BufferFillD3D9.h"
#include "RenderDeviceD3D9.h"
#include "VertexShaderD3D9.h"

namespace qrn {

CVertexBufferD3D9::CVertexBufferD3D9(CRenderDeviceD3D9* pRenderDevice, IDirect3DDevice9* pDevice)
    : m_pRenderDevice(pRenderDevice), m_pDevice(pDevice)
{
}

CVertexBufferD3D9::~CVertexBufferD3D9()
{
    ReleaseBuffer();
    if (m_pRenderDevice) {
        // Draw must never reach a buffer object that is gone.
        if (m_pRenderDevice->GetBoundVertexBuffer() == this) m_pRenderDevice->SetBoundVertexBuffer(nullptr);
        m_pRenderDevice->UnregisterObject(this);
    }
}

void CVertexBufferD3D9::ReleaseBuffer()
{
    if (m_pBuffer) {
        m_pBuffer->Release();
        m_pBuffer = nullptr;
    }
}

bool CVertexBufferD3D9::SetData(const void* vertices, unsigned vertexCount, int vertexFormat)
{
    m_iVertexFormat = vertexFormat;
    m_uStride = CRenderDeviceD3D9::VertexFormatStride(vertexFormat);
    ReleaseBuffer();
    if (!m_pDevice) return false;
    // Refuse what cannot be copied: no source, or a size past 32 bits.
    if (!vertices && vertexCount > 0) return false;
    if (m_uStride != 0 && vertexCount > UINT_MAX / m_uStride) return false;

    // An unknown format has stride 0: Direct3D refuses the empty buffer.
    const UINT bytes = m_uStride * vertexCount;
    IDirect3DVertexBuffer9* pBuffer = nullptr;
    if (FAILED(m_pDevice->CreateVertexBuffer(bytes, 0, 0, D3DPOOL_MANAGED, &pBuffer, nullptr)) ||
        !pBuffer) {
        return false;
    }

    if (!FillNewBuffer(pBuffer, vertices, bytes)) return false;

    m_pBuffer = pBuffer;
    m_uVertexCount = vertexCount;
    m_uTriangleCount = vertexCount / 3;
    return true;
}

void CVertexBufferD3D9::Apply(unsigned stream)
{
    if (!m_pDevice) return;
    const DWORD fvf = CRenderDeviceD3D9::VertexFormatCode(m_iVertexFormat);

    if (CVertexShaderD3D9* shader = m_pRenderDevice->GetBoundVertexShader()) {
        // The shader reads the transposed world x view x projection from
        // c0..c3, through the input declaration of the buffer's format.
        shader->SetDeclarationForFormat(m_iVertexFormat);
        float wvp[16];
        m_pRenderDevice->GetShaderWorldViewProjection(wvp);
        m_pDevice->SetVertexShaderConstantF(0, wvp, 4);
    } else {
        m_pDevice->SetFVF(fvf);
    }

    m_pDevice->SetStreamSource(stream, m_pBuffer, 0, m_uStride);
    m_pRenderDevice->SetBoundVertexBuffer(this);
    m_pDevice->SetRenderState(D3DRS_LIGHTING, CRenderDeviceD3D9::VertexFormatHasColor(m_iVertexFormat) ? FALSE : TRUE);
}

} // namespace qrn
