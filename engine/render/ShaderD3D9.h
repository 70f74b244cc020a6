// What vertex and pixel shader objects share: loading (profile check,
// assembly or compilation, creation), binding and the constant registers.
// Api (VertexShaderApi or PixelShaderApi) supplies the calls of the kind.
#pragma once

#include <d3d9.h>
#include <d3dx9.h>

#include "Shader.h"

namespace qrn {

class CRenderDeviceD3D9;

// The rank of a device profile name in a profile table; -1 when absent.
int ShaderProfileRank(const char* const* profiles, int count, const char* name);

template <class Iface, class Api>
class CShaderD3D9 : public Iface {
public:
    using D3DShader = typename Api::D3DShader;

    CShaderD3D9(CRenderDeviceD3D9* pRenderDevice, IDirect3DDevice9* pDevice)
        : m_pRenderDevice(pRenderDevice), m_pDevice(pDevice)
    {
    }
    CShaderD3D9(const CShaderD3D9&) = delete;
    CShaderD3D9& operator=(const CShaderD3D9&) = delete;

    // Shaders are not pool resources: nothing to do across a reset.
    void OnDeviceLost() override {}
    void OnDeviceReset() override {}

    bool Apply() override;
    bool Load(const char* source, bool highLevel, int profile, bool fromFile) override;
    std::int32_t SetConstantF(unsigned start, const float* data, unsigned count) override
    {
        return m_pDevice ? Api::SetF(m_pDevice, start, data, count) : D3DERR_INVALIDCALL;
    }
    std::int32_t SetConstantI(unsigned start, const int* data, unsigned count) override
    {
        return m_pDevice ? Api::SetI(m_pDevice, start, data, count) : D3DERR_INVALIDCALL;
    }
    std::int32_t SetConstantB(unsigned start, const int* data, unsigned count) override
    {
        return m_pDevice ? Api::SetB(m_pDevice, start, data, count) : D3DERR_INVALIDCALL;
    }

    D3DShader* GetD3DShader() const { return m_pShader; }

protected:
    // Releases the shader; the caller has unbound it where needed.
    void ReleaseShader();

    CRenderDeviceD3D9* m_pRenderDevice;
    IDirect3DDevice9* m_pDevice;
    D3DShader* m_pShader = nullptr;
};

} // namespace qrn
