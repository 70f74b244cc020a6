// Object type 9: a pixel shader.
#pragma once

#include "ShaderD3D9.h"

namespace qrn {

class CPixelShaderD3D9;

struct PixelShaderApi {
    using D3DShader = IDirect3DPixelShader9;
    using Object = CPixelShaderD3D9;
    static const char* const kProfiles[];
    static constexpr int kProfileCount = 7;
    static constexpr const char* kEntryPoint = "PixelShaderMain";
    static const char* DeviceProfile(IDirect3DDevice9* d) { return D3DXGetPixelShaderProfile(d); }
    static HRESULT Create(IDirect3DDevice9* d, const DWORD* code, D3DShader** out) { return d->CreatePixelShader(code, out); }
    static HRESULT Set(IDirect3DDevice9* d, D3DShader* s) { return d->SetPixelShader(s); }
    static HRESULT SetF(IDirect3DDevice9* d, UINT r, const float* p, UINT n) { return d->SetPixelShaderConstantF(r, p, n); }
    static HRESULT SetI(IDirect3DDevice9* d, UINT r, const int* p, UINT n) { return d->SetPixelShaderConstantI(r, p, n); }
    static HRESULT SetB(IDirect3DDevice9* d, UINT r, const BOOL* p, UINT n) { return d->SetPixelShaderConstantB(r, p, n); }
    static CPixelShaderD3D9* Bound(CRenderDeviceD3D9* rd);
    static void SetBound(CRenderDeviceD3D9* rd, CPixelShaderD3D9* s);
};

class CPixelShaderD3D9 final : public CShaderD3D9<IPixelShader, PixelShaderApi> {
public:
    using CShaderD3D9::CShaderD3D9;
    ~CPixelShaderD3D9() override;

    // Clears the pixel shader on the device.
    bool Remove() override;
};

} // namespace qrn
