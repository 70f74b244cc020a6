// A material: the four colours and the specular power of the fixed-function
// lighting, plus the transparency states that go with them.
#pragma once

#include <d3d9.h>

#include "RenderDeviceObjects.h"

namespace qrn {

class CRenderDeviceD3D9;

// Switches alpha blending and the alpha test on for a transparent draw (alpha
// from texture stage 0, made with alphaOp) or off for an opaque one. Leaves
// the states alone while the render device's pass has taken over blending.
void ApplyTransparency(CRenderDeviceD3D9* pRenderDevice, IDirect3DDevice9* pDevice, bool transparent,
                       D3DTEXTUREOP alphaOp);

class CMaterialD3D9 final : public IMaterial {
public:
    // Starts opaque white: ambient and diffuse (1, 1, 1, 1), emissive and
    // specular (0, 0, 0, 1), power 0.
    CMaterialD3D9(CRenderDeviceD3D9* pRenderDevice, IDirect3DDevice9* pDevice);
    ~CMaterialD3D9() override;

    CMaterialD3D9(const CMaterialD3D9&) = delete;
    CMaterialD3D9& operator=(const CMaterialD3D9&) = delete;

    // Kept in the managed world: nothing to do across a reset.
    void OnDeviceLost() override {}
    void OnDeviceReset() override {}

    void SetAmbient(float r, float g, float b, float a) override;
    void SetDiffuse(float r, float g, float b, float a) override;
    void SetEmissive(float r, float g, float b, float a) override;
    void SetSpecular(float r, float g, float b, float a) override;
    void SetColorSource(bool ambient, bool diffuse, bool emissive, bool specular) override;
    void SetPower(float power) override;
    bool Apply() override;

    // Copies a whole material as it stands (no clamping); used by the mesh
    // loader for the materials of a model file.
    void SetFromD3DMaterial(const D3DMATERIAL9& material);
    // True when any alpha (ambient, diffuse, emissive, specular) is below 1.
    bool IsTransparent() const;

    const D3DMATERIAL9& GetD3DMaterial() const { return m_material; }

private:
    CRenderDeviceD3D9* m_pRenderDevice;
    IDirect3DDevice9* m_pDevice;
    D3DMATERIAL9 m_material;
};

} // namespace qrn
