// Object type 8: a vertex shader and the input declarations of the eleven
// vertex formats (made with the object).
#pragma once

#include "ShaderD3D9.h"

namespace qrn {

class CVertexShaderD3D9;

struct VertexShaderApi {
    using D3DShader = IDirect3DVertexShader9;
    using Object = CVertexShaderD3D9;
    static const char* const kProfiles[];
    static constexpr int kProfileCount = 4;
    static constexpr const char* kEntryPoint = "VertexShaderMain";
    static const char* DeviceProfile(IDirect3DDevice9* d) { return D3DXGetVertexShaderProfile(d); }
    static HRESULT Create(IDirect3DDevice9* d, const DWORD* code, D3DShader** out) { return d->CreateVertexShader(code, out); }
    static HRESULT Set(IDirect3DDevice9* d, D3DShader* s) { return d->SetVertexShader(s); }
    static HRESULT SetF(IDirect3DDevice9* d, UINT r, const float* p, UINT n) { return d->SetVertexShaderConstantF(r, p, n); }
    static HRESULT SetI(IDirect3DDevice9* d, UINT r, const int* p, UINT n) { return d->SetVertexShaderConstantI(r, p, n); }
    static HRESULT SetB(IDirect3DDevice9* d, UINT r, const BOOL* p, UINT n) { return d->SetVertexShaderConstantB(r, p, n); }
    static CVertexShaderD3D9* Bound(CRenderDeviceD3D9* rd);
    static void SetBound(CRenderDeviceD3D9* rd, CVertexShaderD3D9* s);
};

class CVertexShaderD3D9 final : public CShaderD3D9<IVertexShader, VertexShaderApi> {
public:
    CVertexShaderD3D9(CRenderDeviceD3D9* pRenderDevice, IDirect3DDevice9* pDevice);
    ~CVertexShaderD3D9() override;

    // Clears the vertex declaration and the shader on the device.
    bool Remove() override;
    // Sets the declaration of a vertex format (0 to 10) on the device.
    bool SetDeclarationForFormat(int vertexFormat);

private:
    IDirect3DVertexDeclaration9* m_pDeclarations[11] = {};
};

} // namespace qrn
