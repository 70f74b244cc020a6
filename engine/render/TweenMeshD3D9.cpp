// Tween meshes: two meshes loaded from two key-pose files and drawn as one
// blend, the vertex pipeline mixing position and normal of stream 0 and
// stream 1 by the tween factor.
#include "TweenMeshD3D9.h"

#include <bit>
#include <new>

#include "MaterialD3D9.h"
#include "MeshD3D9.h"
#include "RenderDeviceD3D9.h"
#include "TextureD3D9.h"

namespace qrn {

namespace {

// Both poses in the loaded mesh format (position, normal, texture
// coordinates): the first as usage index 0 on stream 0, the second as usage
// index 1 on stream 1.
const D3DVERTEXELEMENT9 kTweenElements[] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
    {0, 24, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    {1, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 1},
    {1, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 1},
    {1, 24, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 1},
    D3DDECL_END()};

} // namespace

CTweenMeshD3D9::CTweenMeshD3D9(CRenderDeviceD3D9* pRenderDevice, IDirect3DDevice9* pDevice)
    : m_pRenderDevice(pRenderDevice), m_pDevice(pDevice)
{
    if (!m_pDevice) return;
    D3DCAPS9 caps{};
    if (SUCCEEDED(m_pDevice->GetDeviceCaps(&caps)))
        m_bHardwareTweening = (caps.VertexProcessingCaps & D3DVTXPCAPS_TWEENING) != 0;
    if (FAILED(m_pDevice->CreateVertexDeclaration(kTweenElements, &m_pDeclaration))) m_pDeclaration = nullptr;
}

CTweenMeshD3D9::~CTweenMeshD3D9()
{
    m_pFirst.reset();
    m_pSecond.reset();
    if (m_pDeclaration) m_pDeclaration->Release();
    if (m_pRenderDevice) m_pRenderDevice->UnregisterObject(this);
}

bool CTweenMeshD3D9::LoadFromFiles(const char* first, const char* second)
{
    m_bPosesMatch = false;
    m_pFirst.reset();
    m_pSecond.reset();
    m_pFirst.reset(new (std::nothrow) CMeshD3D9(m_pRenderDevice, m_pDevice));
    m_pSecond.reset(new (std::nothrow) CMeshD3D9(m_pRenderDevice, m_pDevice));
    if (!m_pFirst || !m_pSecond) return false;

    if (!m_pFirst->LoadFromFile(first) || !m_pSecond->LoadFromFile(second)) return false;
    if (!m_bHardwareTweening && (!m_pFirst->UseSoftwareProcessing() || !m_pSecond->UseSoftwareProcessing()))
        return false;

    ID3DXMesh* a = m_pFirst->GetD3DXMesh();
    ID3DXMesh* b = m_pSecond->GetD3DXMesh();
    m_uVertexCount = a->GetNumVertices();
    m_uFaceCount = a->GetNumFaces();
    // Both poses are read through one 32-byte declaration, so both must be
    // in the loaded format as well as of one size.
    m_bPosesMatch = b->GetNumVertices() == m_uVertexCount && b->GetNumFaces() == m_uFaceCount &&
                    a->GetFVF() == CMeshD3D9::kLoadedFormat && b->GetFVF() == CMeshD3D9::kLoadedFormat;
    return m_bPosesMatch;
}

bool CTweenMeshD3D9::RenderFirst(bool opaque, bool transparent)
{
    return m_pFirst && m_pFirst->Render(opaque, transparent);
}

bool CTweenMeshD3D9::RenderSecond(bool opaque, bool transparent)
{
    return m_pSecond && m_pSecond->Render(opaque, transparent);
}

void CTweenMeshD3D9::DrawSubsets()
{
    // Subsets without a texture are drawn untextured; the device's own
    // texturing switch (which the user may have turned off) is put back.
    const bool texturing = m_pRenderDevice->IsTexturingEnabled();
    for (const D3DXATTRIBUTERANGE& range : m_pFirst->GetAttributeTable()) {
        if (CMaterialD3D9* material = m_pFirst->GetMaterial(range.AttribId)) {
            material->SetAmbient(0.15f, 0.15f, 0.15f, 1.0f);
            material->Apply();
        }
        if (CTextureD3D9* texture = m_pFirst->GetTexture(range.AttribId))
            texture->Apply(0, 0, TEXTUREOP_MODULATE, TEXTUREOP_MODULATE);
        else
            m_pRenderDevice->SetTexturing(false);
        m_pDevice->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, range.VertexStart, range.VertexCount,
                                        range.FaceStart * 3, range.FaceCount);
        m_pRenderDevice->SetTexturing(texturing);
    }
}

bool CTweenMeshD3D9::Render(float tweenFactor, bool /*opaque*/, bool /*transparent*/)
{
    if (!m_bPosesMatch || !m_pDeclaration) return false;

    const bool software = !m_bHardwareTweening && m_pRenderDevice->IsHardwareVertexProcessing();
    if (software) m_pDevice->SetSoftwareVertexProcessing(TRUE);
    m_pDevice->SetRenderState(D3DRS_TWEENFACTOR, std::bit_cast<DWORD>(tweenFactor));
    m_pDevice->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_TWEENING);

    IDirect3DVertexBuffer9* first = nullptr;
    IDirect3DVertexBuffer9* second = nullptr;
    IDirect3DIndexBuffer9* indices = nullptr;
    if (SUCCEEDED(m_pFirst->GetD3DXMesh()->GetVertexBuffer(&first)) &&
        SUCCEEDED(m_pSecond->GetD3DXMesh()->GetVertexBuffer(&second)) &&
        SUCCEEDED(m_pFirst->GetD3DXMesh()->GetIndexBuffer(&indices))) {
        m_pDevice->SetVertexDeclaration(m_pDeclaration);
        m_pDevice->SetStreamSource(0, first, 0, CMeshD3D9::kLoadedStride);
        m_pDevice->SetStreamSource(1, second, 0, CMeshD3D9::kLoadedStride);
        m_pDevice->SetIndices(indices);
        DrawSubsets();
        // Nothing else in the engine draws from stream 1: do not leave the
        // second pose bound there.
        m_pDevice->SetStreamSource(1, nullptr, 0, 0);
        m_pRenderDevice->SetBoundVertexBuffer(nullptr);
        m_pRenderDevice->SetBoundIndexBuffer(nullptr);
    }
    if (indices) indices->Release();
    if (second) second->Release();
    if (first) first->Release();

    m_pDevice->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_DISABLE);
    if (software) m_pDevice->SetSoftwareVertexProcessing(FALSE);
    return true;
}

} // namespace qrn
