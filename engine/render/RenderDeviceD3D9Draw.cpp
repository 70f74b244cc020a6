// Render device: the vertex formats and the four draw operations.
#include <bit>
#include <iterator>

#include "RenderDeviceD3D9.h"

namespace qrn {

namespace {

struct FormatInfo {
    DWORD code;
    unsigned stride;
    bool color;
};

// One row per VERTEXFORMAT.
const FormatInfo kFormats[] = {
    {D3DFVF_XYZ, 12, false},                                  // VERTEXFORMAT_XYZ
    {D3DFVF_XYZ | D3DFVF_DIFFUSE, 16, true},                  // VERTEXFORMAT_XYZ_DIFFUSE
    {D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1, 24, true},    // VERTEXFORMAT_XYZ_DIFFUSE_TEX1
    {D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX2, 32, true},    // VERTEXFORMAT_XYZ_DIFFUSE_TEX2
    {D3DFVF_XYZ | D3DFVF_PSIZE | D3DFVF_DIFFUSE, 20, true},   // VERTEXFORMAT_XYZ_PSIZE_DIFFUSE
    {D3DFVF_XYZ | D3DFVF_NORMAL, 24, false},                  // VERTEXFORMAT_XYZ_NORMAL
    {D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1, 32, false},    // VERTEXFORMAT_XYZ_NORMAL_TEX1
    {D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX2, 40, false},    // VERTEXFORMAT_XYZ_NORMAL_TEX2
    {D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_PSIZE, 28, false},   // VERTEXFORMAT_XYZ_NORMAL_PSIZE
    // Position, normal, binormal and one or two coordinate sets: no flexible
    // format says this, so only a vertex shader can draw them.
    {0, 44, false},                                           // VERTEXFORMAT_SHADER_9
    {0, 52, false},                                           // VERTEXFORMAT_SHADER_10
};
constexpr int kFormatCount = static_cast<int>(std::size(kFormats));
static_assert(kFormatCount == VERTEXFORMAT_SHADER_10 + 1);

// What each PRIMITIVETYPE draws as.
struct PrimitiveInfo {
    D3DPRIMITIVETYPE type;
    unsigned perPrimitive;  // vertices (or indices) of one primitive
    bool sprites;           // drawn with the point-sprite states
    bool indexable;         // points and sprites cannot be drawn indexed
};
constexpr PrimitiveInfo kPrimitives[] = {
    {D3DPT_POINTLIST, 1, false, false},    // PRIMITIVE_POINTLIST
    {D3DPT_POINTLIST, 1, true, false},     // PRIMITIVE_POINTSPRITES
    {D3DPT_LINELIST, 2, false, true},      // PRIMITIVE_LINELIST
    {D3DPT_TRIANGLELIST, 3, false, true},  // PRIMITIVE_TRIANGLELIST
};
static_assert(std::size(kPrimitives) == PRIMITIVE_TRIANGLELIST + 1);

// The row of a primitive type; null for an unknown type, or for one that
// cannot be drawn indexed when `indexed`.
const PrimitiveInfo* FindPrimitive(int type, bool indexed)
{
    if (type < 0 || type >= static_cast<int>(std::size(kPrimitives))) return nullptr;
    const PrimitiveInfo& p = kPrimitives[type];
    return indexed && !p.indexable ? nullptr : &p;
}

// Primitives in `elements` vertices or indices; triangle lists of buffers
// use the count the buffer was given.
unsigned PrimitiveCount(const PrimitiveInfo& p, unsigned elements, unsigned triangles)
{
    return p.type == D3DPT_TRIANGLELIST ? triangles : elements / p.perPrimitive;
}

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

template <class DrawCall>
HRESULT CRenderDeviceD3D9::DrawAs(bool sprites, DrawCall draw)
{
    if (sprites) SetPointSpriteStates(true);
    const HRESULT hr = draw();
    if (sprites) SetPointSpriteStates(false);
    return hr;
}

bool CRenderDeviceD3D9::Draw()
{
    IVertexBuffer* vb = m_pBoundVertexBuffer;
    const PrimitiveInfo* p = FindPrimitive(m_iPrimitiveType, false);
    if (!vb || !m_pD3DDevice || !p) return false;
    const unsigned count = PrimitiveCount(*p, vb->GetVertexCount(), vb->GetTriangleCount());
    const HRESULT hr = DrawAs(p->sprites, [&] { return m_pD3DDevice->DrawPrimitive(p->type, 0, count); });
    m_pD3DDevice->SetRenderState(D3DRS_LIGHTING, TRUE);
    return SUCCEEDED(hr);
}

bool CRenderDeviceD3D9::DrawIndexed()
{
    IVertexBuffer* vb = m_pBoundVertexBuffer;
    IIndexBuffer* ib = m_pBoundIndexBuffer;
    const PrimitiveInfo* p = FindPrimitive(m_iPrimitiveType, true);
    if (!vb || !ib || !m_pD3DDevice || !p) return false;
    const unsigned count = PrimitiveCount(*p, ib->GetIndexCount(), ib->GetTriangleCount());
    const HRESULT hr = m_pD3DDevice->DrawIndexedPrimitive(p->type, 0, 0, vb->GetVertexCount(), 0, count);
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

    // An unknown type, or points and sprites asked for indexed, draw
    // nothing (lighting stays as set above).
    const PrimitiveInfo* p = FindPrimitive(m_iPrimitiveType, indexed);
    if (!p) return false;
    HRESULT hr;
    if (!indexed) {
        const unsigned count = vertexCount / p->perPrimitive;
        hr = DrawAs(p->sprites, [&] { return m_pD3DDevice->DrawPrimitiveUP(p->type, count, vertices, stride); });
    } else {
        hr = m_pD3DDevice->DrawIndexedPrimitiveUP(p->type, 0, vertexCount, indexCount / p->perPrimitive, indices,
                                                  D3DFMT_INDEX16, vertices, stride);
    }

    if (color) m_pD3DDevice->SetRenderState(D3DRS_LIGHTING, TRUE);
    return SUCCEEDED(hr);
}

} // namespace qrn
