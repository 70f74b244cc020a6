// Meshes: loading a .x file through D3DX (optimised, converted to one vertex
// format, with a material and texture per subset) and drawing its subsets in
// an opaque and a transparent pass.
#include "MeshD3D9.h"

#include <cfloat>
#include <cstring>
#include <new>

#include "MaterialD3D9.h"
#include "RenderDeviceD3D9.h"
#include "TextureD3D9.h"

namespace qrn {

namespace {

// Releases a COM reference when it goes out of scope.
template <class T>
struct Held {
    T* p = nullptr;
    Held() = default;
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    ~Held()
    {
        if (p) p->Release();
    }
};

// A subset belongs to the opaque pass when its material is opaque or its
// texture has no alpha, to the transparent pass when its material is
// transparent or its texture has alpha; one whose material and texture
// disagree is drawn in both. A subset without a material is never drawn.
bool InPass(const CMaterialD3D9* material, CTextureD3D9* texture, bool transparentPass)
{
    if (!material) return false;
    if (material->IsTransparent() == transparentPass) return true;
    return texture && texture->HasAlpha() == transparentPass;
}

} // namespace

CMeshD3D9::CMeshD3D9(CRenderDeviceD3D9* pRenderDevice, IDirect3DDevice9* pDevice)
    : m_pRenderDevice(pRenderDevice), m_pDevice(pDevice)
{
}

CMeshD3D9::~CMeshD3D9()
{
    Clear();
    if (m_pRenderDevice) m_pRenderDevice->UnregisterObject(this);
}

void CMeshD3D9::Clear()
{
    m_Textures.clear();
    m_Materials.clear();
    m_AttributeTable.clear();
    if (m_pMesh) {
        m_pMesh->Release();
        m_pMesh = nullptr;
    }
    m_dwFormat = D3DFVF_XYZ;
    m_bSoftwareProcessing = false;
}

bool CMeshD3D9::WantsAlpha(const char* textureFile)
{
    if (!textureFile) return false;
    const size_t length = std::strlen(textureFile);
    return length >= 4 && std::memcmp(textureFile + length - 4, ".tga", 4) == 0;
}

CMaterialD3D9* CMeshD3D9::GetMaterial(DWORD attribId) const
{
    return attribId < m_Materials.size() ? m_Materials[attribId].get() : nullptr;
}

CTextureD3D9* CMeshD3D9::GetTexture(DWORD attribId) const
{
    return attribId < m_Textures.size() ? m_Textures[attribId].get() : nullptr;
}

bool CMeshD3D9::LoadFromFile(const char* file)
{
    // A second load starts from nothing: the first load's subsets, materials
    // and textures must not outlive its mesh.
    Clear();
    if (!file || !m_pDevice) return false;

    Held<ID3DXBuffer> adjacency, materials;
    DWORD materialCount = 0;
    if (FAILED(D3DXLoadMeshFromXA(file, D3DXMESH_MANAGED, m_pDevice, &adjacency.p, &materials.p, nullptr,
                                  &materialCount, &m_pMesh)) ||
        !m_pMesh || !adjacency.p) {
        Clear();
        return false;
    }
    const DWORD flags = D3DXMESHOPT_COMPACT | D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE;
    if (FAILED(m_pMesh->OptimizeInplace(flags, static_cast<const DWORD*>(adjacency.p->GetBufferPointer()),
                                        nullptr, nullptr, nullptr))) {
        Clear();
        return false;
    }

    // Every loaded mesh gets the one vertex format, with or without
    // materials: the bounding box and the tween mesh read its vertices as
    // such. A failed conversion leaves the file's format, which GetFVF tells.
    SetVertexFormat(kLoadedFormat);

    // Without materials the mesh has no subsets and draws nothing.
    if (!materials.p || materialCount == 0) return true;
    if (materials.p->GetBufferSize() / sizeof(D3DXMATERIAL) < materialCount ||
        !CreateSubsetObjects(static_cast<const D3DXMATERIAL*>(materials.p->GetBufferPointer()), materialCount) ||
        !ReadAttributeTable()) {
        Clear();
        return false;
    }
    return true;
}

bool CMeshD3D9::CreateSubsetObjects(const D3DXMATERIAL* materials, DWORD count)
{
    try {
        m_Materials.resize(count);
        m_Textures.resize(count);
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (DWORD i = 0; i < count; ++i) {
        auto material = std::unique_ptr<CMaterialD3D9>(new (std::nothrow) CMaterialD3D9(m_pRenderDevice, m_pDevice));
        if (!material) return false;
        // The file carries no ambient colour: the diffuse one stands in.
        D3DMATERIAL9 fileMaterial = materials[i].MatD3D;
        fileMaterial.Ambient = fileMaterial.Diffuse;
        material->SetFromD3DMaterial(fileMaterial);
        m_Materials[i] = std::move(material);

        const char* textureFile = materials[i].pTextureFilename;
        if (!textureFile) continue;
        auto texture = std::unique_ptr<CTextureD3D9>(new (std::nothrow) CTextureD3D9(m_pRenderDevice, m_pDevice));
        if (!texture) return false;
        // A picture that cannot be read only leaves its subset untextured.
        if (texture->LoadFromFile(textureFile, WantsAlpha(textureFile))) m_Textures[i] = std::move(texture);
    }
    return true;
}

bool CMeshD3D9::ReadAttributeTable()
{
    DWORD count = 0;
    if (FAILED(m_pMesh->GetAttributeTable(nullptr, &count))) return false;
    try {
        m_AttributeTable.assign(count, D3DXATTRIBUTERANGE{});
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (count == 0) return true;
    return m_pMesh->GetAttributeTable(m_AttributeTable.data(), &count) == D3D_OK &&
           count == m_AttributeTable.size();
}

bool CMeshD3D9::Reclone(DWORD options, DWORD format)
{
    ID3DXMesh* clone = nullptr;
    if (FAILED(m_pMesh->CloneMeshFVF(options, format, m_pDevice, &clone)) || !clone) return false;
    m_pMesh->Release();
    m_pMesh = clone;
    D3DXComputeNormals(m_pMesh, nullptr);
    return true;
}

bool CMeshD3D9::SetVertexFormat(DWORD format)
{
    if (m_pMesh && !Reclone(D3DXMESH_MANAGED, format)) return false;
    m_dwFormat = format;
    return true;
}

bool CMeshD3D9::UseSoftwareProcessing()
{
    if (!m_pMesh || !Reclone(D3DXMESH_MANAGED | D3DXMESH_SOFTWAREPROCESSING, m_dwFormat)) return false;
    m_bSoftwareProcessing = true;
    return true;
}

bool CMeshD3D9::DrawPass(bool transparentPass)
{
    for (const D3DXATTRIBUTERANGE& range : m_AttributeTable) {
        CMaterialD3D9* material = GetMaterial(range.AttribId);
        CTextureD3D9* texture = GetTexture(range.AttribId);
        if (!InPass(material, texture, transparentPass)) continue;
        material->SetAmbient(0.1f, 0.1f, 0.1f, 1.0f);
        material->Apply();
        if (texture) texture->Apply(0, 0, TEXTUREOP_MODULATE, TEXTUREOP_MODULATE);
        if (FAILED(m_pMesh->DrawSubset(range.AttribId))) return false;
    }
    return true;
}

bool CMeshD3D9::Render(bool opaque, bool transparent)
{
    if (!m_pMesh) return false;

    const bool software = m_bSoftwareProcessing && m_pRenderDevice->IsHardwareVertexProcessing();
    if (software) m_pDevice->SetSoftwareVertexProcessing(TRUE);
    bool drawn = true;
    if (opaque) drawn = DrawPass(false);
    if (drawn && transparent) drawn = DrawPass(true);
    if (software) m_pDevice->SetSoftwareVertexProcessing(FALSE);

    // The mesh bound its own buffers: the ones the device recorded are no
    // longer on the streams, so a Draw must Apply again first.
    if (opaque || transparent) {
        m_pRenderDevice->SetBoundVertexBuffer(nullptr);
        m_pRenderDevice->SetBoundIndexBuffer(nullptr);
    }
    return drawn;
}

void CMeshD3D9::GetBoundingBox(Vector4* minimum, Vector4* maximum)
{
    // Until a box is known: the largest float and the smallest positive
    // normal float.
    if (minimum) minimum->Set(FLT_MAX, FLT_MAX, FLT_MAX, 1.0f);
    if (maximum) maximum->Set(FLT_MIN, FLT_MIN, FLT_MIN, 1.0f);
    if (!minimum || !maximum || !m_pMesh) return;

    Held<IDirect3DVertexBuffer9> vertices;
    void* data = nullptr;
    if (FAILED(m_pMesh->GetVertexBuffer(&vertices.p)) || !vertices.p ||
        FAILED(vertices.p->Lock(0, 0, &data, D3DLOCK_READONLY)) || !data) {
        return;
    }
    // The stride is that of the mesh's own format (the stored one unless a
    // conversion failed).
    D3DXVECTOR3 low, high;
    const HRESULT hr = D3DXComputeBoundingBox(static_cast<const D3DXVECTOR3*>(data), m_pMesh->GetNumVertices(),
                                              D3DXGetFVFVertexSize(m_pMesh->GetFVF()), &low, &high);
    vertices.p->Unlock();
    if (FAILED(hr)) return;
    minimum->Set(low.x, low.y, low.z, 1.0f);
    maximum->Set(high.x, high.y, high.z, 1.0f);
}

} // namespace qrn
