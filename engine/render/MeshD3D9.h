// A model read from a DirectX .x file: one D3DX mesh in the managed pool, and
// per subset the material and texture the file names for it. The mesh owns
// those materials and textures (they are not in the device's object list).
#pragma once

#include <d3d9.h>
#include <d3dx9.h>

#include <memory>
#include <vector>

#include "RenderDeviceObjects.h"

namespace qrn {

class CRenderDeviceD3D9;
class CMaterialD3D9;
class CTextureD3D9;

class CMeshD3D9 final : public IMesh {
public:
    // The vertex format every loaded mesh is converted to: position, normal
    // and one set of texture coordinates, 32 bytes.
    static constexpr DWORD kLoadedFormat = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;
    static constexpr unsigned kLoadedStride = 32;

    CMeshD3D9(CRenderDeviceD3D9* pRenderDevice, IDirect3DDevice9* pDevice);
    ~CMeshD3D9() override;

    CMeshD3D9(const CMeshD3D9&) = delete;
    CMeshD3D9& operator=(const CMeshD3D9&) = delete;

    // Managed pool: nothing to do across a reset.
    void OnDeviceLost() override {}
    void OnDeviceReset() override {}

    bool Render(bool opaque, bool transparent) override;
    // Replaces whatever an earlier load left (mesh, subsets, materials and
    // textures). Any failure leaves the object empty.
    bool LoadFromFile(const char* file) override;
    void GetBoundingBox(Vector4* minimum, Vector4* maximum) override;

    // Converts the loaded mesh to another vertex format and computes its
    // normals again; without a mesh only the format is stored. False (mesh
    // kept) when the copy cannot be made.
    bool SetVertexFormat(DWORD format);
    // The same copy, made for software vertex processing; Render then
    // switches the device to it while drawing. False without a mesh or when
    // the copy cannot be made.
    bool UseSoftwareProcessing();

    // ---- for the tween mesh ---------------------------------------------------
    ID3DXMesh* GetD3DXMesh() const { return m_pMesh; }
    DWORD GetVertexFormat() const { return m_dwFormat; }
    const std::vector<D3DXATTRIBUTERANGE>& GetAttributeTable() const { return m_AttributeTable; }
    // The material and texture of an attribute id; null where there is none.
    CMaterialD3D9* GetMaterial(DWORD attribId) const;
    CTextureD3D9* GetTexture(DWORD attribId) const;

    // True when a texture name asks for an alpha channel: it ends in ".tga",
    // lower case, byte for byte.
    static bool WantsAlpha(const char* textureFile);

private:
    // Releases the mesh and frees every subset's material and texture.
    void Clear();
    // Replaces the mesh by a copy with the given options and format, whose
    // normals are computed again.
    bool Reclone(DWORD options, DWORD format);
    // One material and texture per file material, in file order.
    bool CreateSubsetObjects(const D3DXMATERIAL* materials, DWORD count);
    bool ReadAttributeTable();
    // Applies material and texture and draws the subsets of one pass.
    bool DrawPass(bool transparentPass);

    CRenderDeviceD3D9* m_pRenderDevice;
    IDirect3DDevice9* m_pDevice;
    std::vector<std::unique_ptr<CMaterialD3D9>> m_Materials;  // by attribute id
    std::vector<std::unique_ptr<CTextureD3D9>> m_Textures;    // by attribute id
    ID3DXMesh* m_pMesh = nullptr;
    std::vector<D3DXATTRIBUTERANGE> m_AttributeTable;
    DWORD m_dwFormat = D3DFVF_XYZ;
    bool m_bSoftwareProcessing = false;
};

} // namespace qrn
