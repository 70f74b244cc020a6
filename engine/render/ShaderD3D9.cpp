// Shader loading and binding shared by both kinds (see ShaderD3D9.h).
#include "ShaderD3D9.h"

#include <cstring>

#include "PixelShaderD3D9.h"
#include "RenderDeviceD3D9.h"
#include "VertexShaderD3D9.h"

namespace qrn {

int ShaderProfileRank(const char* const* profiles, int count, const char* name)
{
    for (int i = 0; i < count; ++i)
        if (strcmp(profiles[i], name) == 0) return i;
    return -1;
}

template <class Iface, class Api>
bool CShaderD3D9<Iface, Api>::Apply()
{
    if (!m_pShader || !m_pDevice) return false;
    if (Api::Bound(m_pRenderDevice) == this) return true;
    if (FAILED(Api::Set(m_pDevice, m_pShader))) return false;
    Api::SetBound(m_pRenderDevice, static_cast<typename Api::Object*>(this));
    return true;
}

template <class Iface, class Api>
void CShaderD3D9<Iface, Api>::ReleaseShader()
{
    if (m_pShader) {
        m_pShader->Release();
        m_pShader = nullptr;
    }
}

template <class Iface, class Api>
bool CShaderD3D9<Iface, Api>::Load(const char* source, bool highLevel, int profile, bool fromFile)
{
    if (!m_pDevice || !source) return false;
    // The device's best profile bounds the request; a newer profile than
    // the table knows accepts every value.
    const char* best = Api::DeviceProfile(m_pDevice);
    if (!best) return false;
    const int rank = ShaderProfileRank(Api::kProfiles, Api::kProfileCount, best);
    if (rank >= 0 && profile > rank) return false;
    if (highLevel && (profile < 0 || profile >= Api::kProfileCount)) return false;

    // A shader bound on the device stays alive there until it is replaced.
    if (Api::Bound(m_pRenderDevice) == this) {
        Api::Set(m_pDevice, nullptr);
        Api::SetBound(m_pRenderDevice, nullptr);
    }
    ReleaseShader();

    ID3DXBuffer* code = nullptr;
    ID3DXBuffer* errors = nullptr;
    HRESULT hr;
    if (!highLevel) {
        hr = fromFile ? D3DXAssembleShaderFromFileA(source, nullptr, nullptr, 0, &code, &errors)
                      : D3DXAssembleShader(source, (UINT)strlen(source), nullptr, nullptr, 0, &code, &errors);
    } else {
        const char* name = Api::kProfiles[profile];
        hr = fromFile ? D3DXCompileShaderFromFileA(source, nullptr, nullptr, Api::kEntryPoint, name,
                                                   D3DXSHADER_DEBUG, &code, &errors, nullptr)
                      : D3DXCompileShader(source, (UINT)strlen(source), nullptr, nullptr, Api::kEntryPoint, name,
                                          D3DXSHADER_DEBUG, &code, &errors, nullptr);
    }
    if (errors) {
        if (FAILED(hr) && errors->GetBufferPointer()) OutputDebugStringA(static_cast<const char*>(errors->GetBufferPointer()));
        errors->Release();
    }
    if (FAILED(hr) || !code) {
        if (code) code->Release();
        return false;
    }
    hr = Api::Create(m_pDevice, static_cast<const DWORD*>(code->GetBufferPointer()), &m_pShader);
    code->Release();
    if (FAILED(hr)) m_pShader = nullptr;
    return m_pShader != nullptr;
}

// ---- the two kinds ------------------------------------------------------------------
const char* const VertexShaderApi::kProfiles[] = {"vs_1_1", "vs_2_sw", "vs_2_0", "vs_2_a"};
const char* const PixelShaderApi::kProfiles[] = {"ps_1_1", "ps_1_2", "ps_1_3", "ps_1_4", "ps_2_sw", "ps_2_0", "ps_2_a"};

CVertexShaderD3D9* VertexShaderApi::Bound(CRenderDeviceD3D9* rd) { return rd->GetBoundVertexShader(); }
void VertexShaderApi::SetBound(CRenderDeviceD3D9* rd, CVertexShaderD3D9* s) { rd->SetBoundVertexShader(s); }
CPixelShaderD3D9* PixelShaderApi::Bound(CRenderDeviceD3D9* rd) { return rd->GetBoundPixelShader(); }
void PixelShaderApi::SetBound(CRenderDeviceD3D9* rd, CPixelShaderD3D9* s) { rd->SetBoundPixelShader(s); }

template class CShaderD3D9<IVertexShader, VertexShaderApi>;
template class CShaderD3D9<IPixelShader, PixelShaderApi>;

// ---- vertex shaders -------------------------------------------------------------------
namespace {

constexpr int kDeclarationCount = 11;

// The input declaration of each vertex format, all in stream 0.
const D3DVERTEXELEMENT9* DeclarationFor(int format)
{
    constexpr BYTE F3 = D3DDECLTYPE_FLOAT3, F2 = D3DDECLTYPE_FLOAT2, F1 = D3DDECLTYPE_FLOAT1,
                   C = D3DDECLTYPE_D3DCOLOR, M = D3DDECLMETHOD_DEFAULT;
#define QRN_POS {0, 0, F3, M, D3DDECLUSAGE_POSITION, 0}
#define QRN_END D3DDECL_END()
    static const D3DVERTEXELEMENT9 d0[] = {QRN_POS, QRN_END};
    static const D3DVERTEXELEMENT9 d1[] = {QRN_POS, {0, 12, C, M, D3DDECLUSAGE_COLOR, 0}, QRN_END};
    static const D3DVERTEXELEMENT9 d2[] = {QRN_POS, {0, 12, C, M, D3DDECLUSAGE_COLOR, 0},
                                           {0, 16, F2, M, D3DDECLUSAGE_TEXCOORD, 0}, QRN_END};
    static const D3DVERTEXELEMENT9 d3[] = {QRN_POS, {0, 12, C, M, D3DDECLUSAGE_COLOR, 0},
                                           {0, 16, F2, M, D3DDECLUSAGE_TEXCOORD, 0},
                                           {0, 24, F2, M, D3DDECLUSAGE_TEXCOORD, 1}, QRN_END};
    static const D3DVERTEXELEMENT9 d4[] = {QRN_POS, {0, 12, F1, M, D3DDECLUSAGE_PSIZE, 0},
                                           {0, 16, C, M, D3DDECLUSAGE_COLOR, 0}, QRN_END};
    static const D3DVERTEXELEMENT9 d5[] = {QRN_POS, {0, 12, F3, M, D3DDECLUSAGE_NORMAL, 0}, QRN_END};
    static const D3DVERTEXELEMENT9 d6[] = {QRN_POS, {0, 12, F3, M, D3DDECLUSAGE_NORMAL, 0},
                                           {0, 24, F2, M, D3DDECLUSAGE_TEXCOORD, 0}, QRN_END};
    static const D3DVERTEXELEMENT9 d7[] = {QRN_POS, {0, 12, F3, M, D3DDECLUSAGE_NORMAL, 0},
                                           {0, 24, F2, M, D3DDECLUSAGE_TEXCOORD, 0},
                                           {0, 32, F2, M, D3DDECLUSAGE_TEXCOORD, 1}, QRN_END};
    static const D3DVERTEXELEMENT9 d8[] = {QRN_POS, {0, 12, F3, M, D3DDECLUSAGE_NORMAL, 0},
                                           {0, 24, F1, M, D3DDECLUSAGE_PSIZE, 0}, QRN_END};
    static const D3DVERTEXELEMENT9 d9[] = {QRN_POS, {0, 12, F3, M, D3DDECLUSAGE_NORMAL, 0},
                                           {0, 24, F3, M, D3DDECLUSAGE_BINORMAL, 0},
                                           {0, 36, F2, M, D3DDECLUSAGE_TEXCOORD, 0}, QRN_END};
    static const D3DVERTEXELEMENT9 d10[] = {QRN_POS, {0, 12, F3, M, D3DDECLUSAGE_NORMAL, 0},
                                            {0, 24, F3, M, D3DDECLUSAGE_BINORMAL, 0},
                                            {0, 36, F2, M, D3DDECLUSAGE_TEXCOORD, 0},
                                            {0, 44, F2, M, D3DDECLUSAGE_TEXCOORD, 1}, QRN_END};
#undef QRN_POS
#undef QRN_END
    static const D3DVERTEXELEMENT9* const all[kDeclarationCount] = {d0, d1, d2, d3, d4, d5, d6, d7, d8, d9, d10};
    return format >= 0 && format < kDeclarationCount ? all[format] : nullptr;
}

}  // namespace

CVertexShaderD3D9::CVertexShaderD3D9(CRenderDeviceD3D9* pRenderDevice, IDirect3DDevice9* pDevice)
    : CShaderD3D9(pRenderDevice, pDevice)
{
    for (int f = 0; f < kDeclarationCount && m_pDevice; ++f)
        if (FAILED(m_pDevice->CreateVertexDeclaration(DeclarationFor(f), &m_pDeclarations[f]))) m_pDeclarations[f] = nullptr;
}

CVertexShaderD3D9::~CVertexShaderD3D9()
{
    if (m_pRenderDevice) {
        // A draw must never reach a shader object that is gone.
        if (m_pRenderDevice->GetBoundVertexShader() == this) Remove();
        m_pRenderDevice->UnregisterObject(this);
    }
    ReleaseShader();
    for (IDirect3DVertexDeclaration9*& d : m_pDeclarations)
        if (d) d->Release(), d = nullptr;
}

bool CVertexShaderD3D9::Remove()
{
    if (m_pDevice) {
        m_pDevice->SetVertexDeclaration(nullptr);
        m_pDevice->SetVertexShader(nullptr);
    }
    if (m_pRenderDevice) m_pRenderDevice->SetBoundVertexShader(nullptr);
    return true;
}

bool CVertexShaderD3D9::SetDeclarationForFormat(int vertexFormat)
{
    if (vertexFormat < 0 || vertexFormat >= kDeclarationCount || !m_pDevice) return false;
    return SUCCEEDED(m_pDevice->SetVertexDeclaration(m_pDeclarations[vertexFormat]));
}

// ---- pixel shaders --------------------------------------------------------------------
CPixelShaderD3D9::~CPixelShaderD3D9()
{
    if (m_pRenderDevice) {
        if (m_pRenderDevice->GetBoundPixelShader() == this) Remove();
        m_pRenderDevice->UnregisterObject(this);
    }
    ReleaseShader();
}

bool CPixelShaderD3D9::Remove()
{
    if (m_pDevice) m_pDevice->SetPixelShader(nullptr);
    if (m_pRenderDevice) m_pRenderDevice->SetBoundPixelShader(nullptr);
    return true;
}

} // namespace qrn
