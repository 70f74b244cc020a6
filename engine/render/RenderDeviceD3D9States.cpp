// Render device: render states, lights, fog, ambient light, clear colour and
// the three transforms. Each setter turns one engine-level choice into a
// fixed set of Direct3D render states.
#include <d3dx9math.h>

#include <bit>
#include <cmath>
#include <cstring>

#include "RenderDeviceD3D9.h"

namespace qrn {

namespace {

DWORD FloatBits(float f) { return std::bit_cast<DWORD>(f); }

// Low 8 bits of value x 255 truncated towards zero; values whose product does
// not fit an int (or NaN) give 0 instead of undefined behaviour.
DWORD ColorByte(float value)
{
    const float product = value * 255.0f;
    if (!(product > -2147483648.0f && product < 2147483647.0f)) return 0;
    return static_cast<DWORD>(static_cast<int>(product)) & 0xFFu;
}

void SetMatrix(D3DMATRIX* out, const Matrix4x4* m)
{
    if (m) {
        std::memcpy(out->m, m->Get(), sizeof(float) * 16);
    } else {
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c) out->m[r][c] = (r == c) ? 1.0f : 0.0f;
    }
}

} // namespace

void CRenderDeviceD3D9::SetAdditiveBlending(bool enable, bool modulate)
{
    m_bAdditiveBlending = enable;
    if (!m_pD3DDevice) return;
    if (enable) {
        m_pD3DDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        // Adding colours, or multiplying the frame buffer by the drawn colour.
        m_pD3DDevice->SetRenderState(D3DRS_SRCBLEND, modulate ? D3DBLEND_ZERO : D3DBLEND_ONE);
        m_pD3DDevice->SetRenderState(D3DRS_DESTBLEND, modulate ? D3DBLEND_SRCCOLOR : D3DBLEND_ONE);
        m_pD3DDevice->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        m_pD3DDevice->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    } else {
        m_pD3DDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        m_pD3DDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
        m_pD3DDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
    }
}

void CRenderDeviceD3D9::SetColorWrite(bool enable)
{
    m_bColorWrite = enable;
    if (!m_pD3DDevice) return;
    if (enable) {
        m_pD3DDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        m_pD3DDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
        m_pD3DDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
    } else {
        // Blend so that nothing reaches the colour buffer; depth is still
        // written.
        m_pD3DDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        m_pD3DDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ZERO);
        m_pD3DDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
        m_pD3DDevice->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        m_pD3DDevice->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    }
}

void CRenderDeviceD3D9::SetDepthBufferMode(int mode)
{
    if (!m_pD3DDevice) return;
    switch (mode) {
    case DEPTHBUFFER_OFF:
        m_pD3DDevice->SetRenderState(D3DRS_ZENABLE, FALSE);
        m_pD3DDevice->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
        break;
    case DEPTHBUFFER_READWRITE:
        m_pD3DDevice->SetRenderState(D3DRS_ZENABLE, TRUE);
        m_pD3DDevice->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
        break;
    case DEPTHBUFFER_READONLY:
        m_pD3DDevice->SetRenderState(D3DRS_ZENABLE, TRUE);
        m_pD3DDevice->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
        break;
    default:
        break;
    }
}

void CRenderDeviceD3D9::SetWireframe(bool wireframe)
{
    m_bWireframe = wireframe;
    if (!m_pD3DDevice) return;
    m_pD3DDevice->SetRenderState(D3DRS_FILLMODE, wireframe ? D3DFILL_WIREFRAME : D3DFILL_SOLID);
}

void CRenderDeviceD3D9::SetTexturing(bool enable)
{
    m_bTexturing = enable;
    if (enable || !m_pD3DDevice) return;
    m_pD3DDevice->SetTexture(0, nullptr);
    m_pD3DDevice->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
}

void CRenderDeviceD3D9::SetLight(unsigned index, const SLight* light)
{
    if (index >= 8 || !m_pD3DDevice) return;
    if (!light) {
        m_pD3DDevice->LightEnable(index, FALSE);
        return;
    }

    D3DLIGHT9 l{};
    l.Type = light->type == 0 ? D3DLIGHT_DIRECTIONAL
             : light->type == 1 ? D3DLIGHT_POINT
                                : D3DLIGHT_SPOT;
    l.Diffuse = D3DCOLORVALUE{light->diffuse[0], light->diffuse[1], light->diffuse[2], 1.0f};
    l.Specular = D3DCOLORVALUE{light->specular[0], light->specular[1], light->specular[2], 1.0f};
    l.Ambient = D3DCOLORVALUE{light->ambient[0], light->ambient[1], light->ambient[2], 1.0f};
    l.Position = D3DVECTOR{light->position.x, light->position.y, light->position.z};
    l.Direction = D3DVECTOR{light->direction.x, light->direction.y, light->direction.z};
    l.Range = light->range;
    l.Falloff = light->falloff;
    l.Attenuation0 = light->attenuation0;
    l.Attenuation1 = light->attenuation1;
    l.Attenuation2 = light->attenuation2;
    l.Theta = light->theta;
    l.Phi = light->phi;

    m_pD3DDevice->SetLight(index, &l);
    m_pD3DDevice->LightEnable(index, TRUE);
    m_pD3DDevice->SetRenderState(D3DRS_LIGHTING, TRUE);
}

void CRenderDeviceD3D9::SetFog(std::uint32_t color, float density)
{
    if (!m_pD3DDevice) return;
    // Density not greater than 0 (NaN included) switches fog off.
    if (!(density > 0.0f)) {
        m_pD3DDevice->SetRenderState(D3DRS_FOGENABLE, FALSE);
        return;
    }
    if (!m_bTableFog && !m_bVertexFog) return;

    m_pD3DDevice->SetRenderState(D3DRS_FOGENABLE, TRUE);
    m_pD3DDevice->SetRenderState(D3DRS_FOGCOLOR, color);
    m_pD3DDevice->SetRenderState(m_bTableFog ? D3DRS_FOGTABLEMODE : D3DRS_FOGVERTEXMODE, D3DFOG_EXP);
    m_pD3DDevice->SetRenderState(D3DRS_FOGDENSITY, FloatBits(density));
}

void CRenderDeviceD3D9::SetAmbientLight(float red, float green, float blue)
{
    if (!m_pD3DDevice) return;
    // Shaders read the ambient colour from constant register 4.
    const float constant[4] = {red, green, blue, 1.0f};
    m_pD3DDevice->SetVertexShaderConstantF(4, constant, 1);
    m_pD3DDevice->SetRenderState(D3DRS_AMBIENT, 0xFF000000u | (ColorByte(red) << 16) |
                                                    (ColorByte(green) << 8) | ColorByte(blue));
}

void CRenderDeviceD3D9::SetCullMode(int mode)
{
    if (!m_pD3DDevice) return;
    switch (mode) {
    case CULLMODE_CW: m_pD3DDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW); break;
    case CULLMODE_CCW: m_pD3DDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW); break;
    case CULLMODE_NONE: m_pD3DDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE); break;
    default: break;
    }
}

void CRenderDeviceD3D9::SetClearColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue)
{
    m_dwClearColor = 0xFF000000u + (static_cast<std::uint32_t>(red) << 16) +
                     (static_cast<std::uint32_t>(green) << 8) + blue;
}

void CRenderDeviceD3D9::SetProjection(bool orthographic, float fieldOfView, float nearPlane,
                                      float farPlane)
{
    m_bOrthographic = orthographic ? 1 : 0;
    m_fFieldOfView = fieldOfView;
    m_fNearPlane = nearPlane;
    m_fFarPlane = farPlane;

    IDirect3DSwapChain9* chain = m_dwCurrentWindow < 256 ? m_pSwapChains[m_dwCurrentWindow] : nullptr;
    if (!chain || !m_pD3DDevice) return;
    D3DPRESENT_PARAMETERS pp{};
    if (FAILED(chain->GetPresentParameters(&pp))) return;
    const float width = static_cast<float>(pp.BackBufferWidth);
    const float height = static_cast<float>(pp.BackBufferHeight);

    D3DXMATRIX m;
    if (orthographic) {
        // One unit per pixel, origin in the lower-left corner.
        D3DXMatrixOrthoOffCenterLH(&m, 0.0f, width, 0.0f, height, nearPlane, farPlane);
    } else {
        D3DXMatrixPerspectiveFovLH(&m, fieldOfView, width / height, nearPlane, farPlane);
    }
    m_Projection = m;
    m_pD3DDevice->SetTransform(D3DTS_PROJECTION, &m_Projection);
}

void CRenderDeviceD3D9::SetWorldMatrix(const Matrix4x4* matrix)
{
    SetMatrix(&m_World, matrix);
    if (m_pD3DDevice) m_pD3DDevice->SetTransform(D3DTS_WORLD, &m_World);
}

void CRenderDeviceD3D9::SetViewMatrix(const Matrix4x4* matrix)
{
    SetMatrix(&m_View, matrix);
    if (m_pD3DDevice) m_pD3DDevice->SetTransform(D3DTS_VIEW, &m_View);
}

void CRenderDeviceD3D9::GetShaderWorldViewProjection(float out[16]) const
{
    D3DXMATRIX world(m_World), view(m_View), projection(m_Projection), wv, wvp, t;
    D3DXMatrixMultiply(&wv, &world, &view);
    D3DXMatrixMultiply(&wvp, &wv, &projection);
    D3DXMatrixTranspose(&t, &wvp);
    std::memcpy(out, t.m, sizeof(float) * 16);
}

} // namespace qrn
