// Render device: the vertex formats and the four draw operations.
#include <bit>

#include "RenderDeviceD3D9.h"

namespace qrn {

namespace {

struct FormatInfo {
    DWORD code;
    unsigned stride;
    bool color;
};

const FormatInfo kFormats[] = {
    {D3DFVF_XYZ, 12, false},
    {D3DFVF_XYZ | D3DFVF_DIFFUSE, 16, true},
    {D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1, 24, true},
    {D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX2, 32, true},
    {D3DFVF_XYZ | D3DFVF_PSIZE | D3DFVF_DIFFUSE, 20, true},
    {D3DFVF_XYZ | D3DFVF_NORMAL, 24, false},
    {D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1, 32, false},
    {D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX2, 40, false},
    {D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_PSIZE, 28, false},
    // Position, normal, binormal and one or two coordinate sets: no flexible
    // format says this, so only a vertex shader can draw them.
    {0, 44, false},
    {0, 52, false},
};
constexpr int kFormatCount = static_cast<int>(sizeof(kFormats) / sizeof(kFormats[0]));

} // namespace

DWORD CRenderDeviceD3D9::VertexFormatCode(int format)
{
    return (format >= 0 && format < kFormatCount) ? kFormats[format].code : 0;
}

unsigned CRenderDeviceD3D9::VertexFormatStride(int format)
{
    return (format >= 0 && format < kFormatCount) ? kFormats[format].stride : 0;
}

bool CRenderDeviceD3D9::VertexFormatHasColor(int format)
{
    return format >= 0 && format < kFormatCount && kFormats[format].color;
}

void CRenderDeviceD3D9::SetPointSpriteStates(bool on)
{
    if (on) {
        m_pD3DDevice->SetRenderState(D3DRS_POINTSPRITEENABLE, TRUE);
        m_pD3DDevice->SetRenderState(D3DRS_POINTSCALEENABLE, TRUE);
        m_pD3DDevice->SetRenderState(D3DRS_POINTSIZE, std::bit_cast<DWORD>(m_fPointSize));
        m_pD3DDevice->SetRenderState(D3DRS_POINTSIZE_MIN, std::bit_cast<DWORD>(1.0f));
        // Sprites shrink with distance.
        m_pD3DDevice->SetRenderState(D3DRS_POINTSCALE_A, std::bit_cast<DWORD>(0.0f));
        m_pD3DDevice->SetRenderState(D3DRS_POINTSCALE_B, std::bit_cast<DWORD>(0.0f));
        m_pD3DDevice->SetRenderState(D3DRS_POINTSCALE_C, std::bit_cast<DWORD>(1.0f));
    } else {
        m_pD3DDevice->SetRenderState(D3DRS_POINTSPRITEENABLE, FALSE);
        m_pD3DDevice->SetRenderState(D3DRS_POINTSCALEENABLE, FALSE);
    }
}

bool CRenderDeviceD3D9::Draw()
{
    IVertexBuffer* vb = m_pBoundVertexBuffer;
    if (!vb || !m_pD3DDevice) return false;

    HRESULT hr;
    switch (m_iPrimitiveType) {
    case PRIMITIVE_POINTLIST:
        hr = m_pD3DDevice->DrawPrimitive(D3DPT_POINTLIST, 0, vb->GetVertexCount());
        break;
    case PRIMITIVE_POINTSPRITES:
        SetPointSpriteStates(true);
        hr = m_pD3DDevice->DrawPrimitive(D3DPT_POINTLIST, 0, vb->GetVertexCount());
        SetPointSpriteStates(false);
        break;
    case PRIMITIVE_LINELIST:
        hr = m_pD3DDevice->DrawPrimitive(D3DPT_LINELIST, 0, vb->GetVertexCount() / 2);
        break;
    case PRIMITIVE_TRIANGLELIST:
        hr = m_pD3DDevice->DrawPrimitive(D3DPT_TRIANGLELIST, 0, vb->GetTriangleCount());
        break;
    default:
        return false;
    }
    m_pD3DDevice->SetRenderState(D3DRS_LIGHTING, TRUE);
    return SUCCEEDED(hr);
}

bool CRenderDeviceD3D9::DrawIndexed()
{
    IVertexBuffer* vb = m_pBoundVertexBuffer;
    IIndexBuffer* ib = m_pBoundIndexBuffer;
    if (!vb || !ib || !m_pD3DDevice) return false;

    HRESULT hr;
    switch (m_iPrimitiveType) {
    case PRIMITIVE_LINELIST:
        hr = m_pD3DDevice->DrawIndexedPrimitive(D3DPT_LINELIST, 0, 0, vb->GetVertexCount(), 0,
                                                ib->GetIndexCount() / 2);
        break;
    case PRIMITIVE_TRIANGLELIST:
        hr = m_pD3DDevice->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, vb->GetVertexCount(), 0,
                                                ib->GetTriangleCount());
        break;
    default:  // points and sprites cannot be drawn indexed
        return false;
    }
    m_pD3DDevice->SetRenderState(D3DRS_LIGHTING, TRUE);
    return SUCCEEDED(hr);
}

bool CRenderDeviceD3D9::DrawUserPrimitives(const void* vertices, unsigned vertexCount,
                                           int vertexFormat)
{
    return DrawFromMemory(vertices, vertexCount, vertexFormat, nullptr, 0, false);
}

bool CRenderDeviceD3D9::DrawIndexedUserPrimitives(const void* vertices, unsigned vertexCount,
                                                  int vertexFormat, const std::uint16_t* indices,
                                                  unsigned indexCount)
{
    if (!indices) return false;
    return DrawFromMemory(vertices, vertexCount, vertexFormat, indices, indexCount, true);
}

bool CRenderDeviceD3D9::DrawFromMemory(const void* vertices, unsigned vertexCount, int vertexFormat,
                                       const std::uint16_t* indices, unsigned indexCount,
                                       bool indexed)
{
    if (!m_pD3DDevice || !vertices) return false;

    const DWORD code = VertexFormatCode(vertexFormat);
    const unsigned stride = VertexFormatStride(vertexFormat);
    const bool color = VertexFormatHasColor(vertexFormat);

    if (m_pBoundVertexShader) {
        float wvp[16];
        GetShaderWorldViewProjection(wvp);
        SetShaderDeclaration(vertexFormat);
        m_pD3DDevice->SetVertexShaderConstantF(0, wvp, 4);
    } else {
        if (code == 0) return false;
        if (FAILED(m_pD3DDevice->SetFVF(code))) return false;
    }

    // Vertex colours are drawn unlit, the other formats lit.
    m_pD3DDevice->SetRenderState(D3DRS_LIGHTING, color ? FALSE : TRUE);

    HRESULT hr = E_FAIL;
    if (!indexed) {
        switch (m_iPrimitiveType) {
        case PRIMITIVE_POINTLIST:
            hr = m_pD3DDevice->DrawPrimitiveUP(D3DPT_POINTLIST, vertexCount, vertices, stride);
            break;
        case PRIMITIVE_POINTSPRITES:
            SetPointSpriteStates(true);
            hr = m_pD3DDevice->DrawPrimitiveUP(D3DPT_POINTLIST, vertexCount, vertices, stride);
            SetPointSpriteStates(false);
            break;
        case PRIMITIVE_LINELIST:
            hr = m_pD3DDevice->DrawPrimitiveUP(D3DPT_LINELIST, vertexCount / 2, vertices, stride);
            break;
        case PRIMITIVE_TRIANGLELIST:
            hr = m_pD3DDevice->DrawPrimitiveUP(D3DPT_TRIANGLELIST, vertexCount / 3, vertices, stride);
            break;
        default:
            return false;
        }
    } else {
        switch (m_iPrimitiveType) {
        case PRIMITIVE_LINELIST:
            hr = m_pD3DDevice->DrawIndexedPrimitiveUP(D3DPT_LINELIST, 0, vertexCount,
                                                      indexCount / 2, indices, D3DFMT_INDEX16,
                                                      vertices, stride);
            break;
        case PRIMITIVE_TRIANGLELIST:
            hr = m_pD3DDevice->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, vertexCount,
                                                      indexCount / 3, indices, D3DFMT_INDEX16,
                                                      vertices, stride);
            break;
        default:  // points and sprites (lighting stays as set above)
            return false;
        }
    }

    if (color) m_pD3DDevice->SetRenderState(D3DRS_LIGHTING, TRUE);
    return SUCCEEDED(hr);
}

} // namespace qrn
