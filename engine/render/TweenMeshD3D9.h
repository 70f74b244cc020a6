// Two key poses of one model (same vertices, same faces) drawn as a blend of
// the two with vertex tweening: the first pose's vertices on stream 0, the
// second's on stream 1, the factor in D3DRS_TWEENFACTOR.
#pragma once

#include <d3d9.h>

#include <memory>

#include "RenderDeviceObjects.h"

namespace qrn {

class CRenderDeviceD3D9;
class CMeshD3D9;

class CTweenMeshD3D9 final : public ITweenMesh {
public:
    // Reads whether the device tweens in hardware and makes the two-stream
    // input declaration.
    CTweenMeshD3D9(CRenderDeviceD3D9* pRenderDevice, IDirect3DDevice9* pDevice);
    ~CTweenMeshD3D9() override;

    CTweenMeshD3D9(const CTweenMeshD3D9&) = delete;
    CTweenMeshD3D9& operator=(const CTweenMeshD3D9&) = delete;

    // Both meshes live in the managed pool.
    void OnDeviceLost() override {}
    void OnDeviceReset() override {}

    // Draws nothing and fails unless the last LoadFromFiles succeeded: two
    // poses of different sizes cannot be blended vertex by vertex.
    bool Render(float tweenFactor, bool opaque, bool transparent) override;
    bool RenderFirst(bool opaque, bool transparent) override;
    bool RenderSecond(bool opaque, bool transparent) override;
    bool LoadFromFiles(const char* first, const char* second) override;

    bool HasHardwareTweening() const { return m_bHardwareTweening; }
    CMeshD3D9* GetFirst() const { return m_pFirst.get(); }
    CMeshD3D9* GetSecond() const { return m_pSecond.get(); }

private:
    // Applies each subset's material and texture and draws it from the bound
    // streams.
    void DrawSubsets();

    CRenderDeviceD3D9* m_pRenderDevice;
    IDirect3DDevice9* m_pDevice;
    std::unique_ptr<CMeshD3D9> m_pFirst;
    std::unique_ptr<CMeshD3D9> m_pSecond;
    unsigned m_uVertexCount = 0;
    unsigned m_uFaceCount = 0;
    bool m_bHardwareTweening = false;
    bool m_bPosesMatch = false;  // the last LoadFromFiles succeeded
    IDirect3DVertexDeclaration9* m_pDeclaration = nullptr;
};

} // namespace qrn
