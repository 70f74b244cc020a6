// The Direct3D object and its one adapter.
#include "direct3d.h"
#include "refusal.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cstring>

#include <qrn_win32_sdl.h>

#include "device.h"
#include "device_state.h"
#include "format.h"

namespace qrn::d3d9 {

AdapterOverrides& Overrides()
{
    static AdapterOverrides o;
    return o;
}

// ProbeGl, the one look at the GL implementation, is the back end's (gl_backend.cpp).

bool Direct3D::DeviceTypeAvailable(D3DDEVTYPE type)
{
    const GlInfo& gl = ProbeGl();
    if (!gl.available) return false;
    if (type == D3DDEVTYPE_HAL) return true;
    if (type == D3DDEVTYPE_REF) return gl.software;
    return false;
}

// ---- modes ---------------------------------------------------------------------------------
// SDL reports 0 for an unknown refresh rate; the adapter calls it 60 Hz.
static UINT Refresh(int hz) { return hz > 0 ? static_cast<UINT>(hz) : 60u; }

bool DesktopMode(D3DDISPLAYMODE* mode)
{
    const AdapterOverrides& o = Overrides();
    if (o.desktopGiven) {
        *mode = o.desktop;
        return true;
    }
    if (!qrn::win32::EnsureVideo()) return false;
    SDL_DisplayMode m{};
    if (SDL_GetDesktopDisplayMode(0, &m) != 0 || m.w <= 0 || m.h <= 0) return false;
    *mode = D3DDISPLAYMODE{static_cast<UINT>(m.w), static_cast<UINT>(m.h), Refresh(m.refresh_rate),
                           D3DFMT_X8R8G8B8};
    return true;
}

std::vector<D3DDISPLAYMODE> AdapterModes()
{
    const AdapterOverrides& o = Overrides();
    if (o.modesGiven) return o.modes;
    std::vector<D3DDISPLAYMODE> modes;
    if (!qrn::win32::EnsureVideo()) return modes;
    const int n = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < n; ++i) {
        SDL_DisplayMode m{};
        if (SDL_GetDisplayMode(0, i, &m) != 0 || m.w <= 0 || m.h <= 0) continue;
        if (m.format != SDL_PIXELFORMAT_UNKNOWN && SDL_BITSPERPIXEL(m.format) < 24) continue;
        modes.push_back(D3DDISPLAYMODE{static_cast<UINT>(m.w), static_cast<UINT>(m.h),
                                       Refresh(m.refresh_rate), D3DFMT_X8R8G8B8});
    }
    // Some drivers list no usable mode; the desktop's is always one.
    D3DDISPLAYMODE desk{};
    if (DesktopMode(&desk)) {
        const bool listed = std::any_of(modes.begin(), modes.end(), [&](const D3DDISPLAYMODE& m) {
            return m.Width == desk.Width && m.Height == desk.Height && m.RefreshRate == desk.RefreshRate;
        });
        if (!listed) modes.push_back(desk);
    }
    std::sort(modes.begin(), modes.end(), [](const D3DDISPLAYMODE& a, const D3DDISPLAYMODE& b) {
        if (a.Width != b.Width) return a.Width < b.Width;
        if (a.Height != b.Height) return a.Height < b.Height;
        return a.RefreshRate < b.RefreshRate;
    });
    modes.erase(std::unique(modes.begin(), modes.end(),
                            [](const D3DDISPLAYMODE& a, const D3DDISPLAYMODE& b) {
                                return a.Width == b.Width && a.Height == b.Height &&
                                       a.RefreshRate == b.RefreshRate;
                            }),
                modes.end());
    return modes;
}

bool IsDisplayFormat(D3DFORMAT f)
{
    return f == D3DFMT_X8R8G8B8 || f == D3DFMT_R5G6B5 || f == D3DFMT_X1R5G5B5;
}

bool IsBackBufferFormat(D3DFORMAT f)
{
    return f == D3DFMT_X8R8G8B8 || f == D3DFMT_A8R8G8B8 || f == D3DFMT_R5G6B5 ||
           f == D3DFMT_X1R5G5B5 || f == D3DFMT_A1R5G5B5;
}

// ---- formats --------------------------------------------------------------------------------
HRESULT CheckFormat(D3DFORMAT adapterFormat, DWORD usage, D3DRESOURCETYPE type, D3DFORMAT format)
{
    if (!IsDisplayFormat(adapterFormat)) return RefuseWhy(__func__, "!IsDisplayFormat(adapterFormat)");
    if (Overrides().failingFormats.count(format)) return D3DERR_NOTAVAILABLE;
    if (type == D3DRTYPE_VERTEXBUFFER) return format == D3DFMT_VERTEXDATA ? D3D_OK : D3DERR_NOTAVAILABLE;
    if (type == D3DRTYPE_INDEXBUFFER)
        return format == D3DFMT_INDEX16 || format == D3DFMT_INDEX32 ? D3D_OK : D3DERR_NOTAVAILABLE;
    if (type != D3DRTYPE_SURFACE && type != D3DRTYPE_TEXTURE) return D3DERR_NOTAVAILABLE;
    const FormatInfo* f = FindFormat(format);
    if (!f) return D3DERR_NOTAVAILABLE;
    const DWORD known = D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL | D3DUSAGE_DYNAMIC |
                        D3DUSAGE_AUTOGENMIPMAP | D3DUSAGE_QUERY_FILTER |
                        D3DUSAGE_QUERY_POSTPIXELSHADER_BLENDING | D3DUSAGE_QUERY_WRAPANDMIP;
    if (usage & ~known) return D3DERR_NOTAVAILABLE;
    if ((usage & D3DUSAGE_RENDERTARGET) && !f->renderTarget) return D3DERR_NOTAVAILABLE;
    if ((usage & D3DUSAGE_DEPTHSTENCIL) && !f->depth) return D3DERR_NOTAVAILABLE;
    if (f->depth && !(usage & D3DUSAGE_DEPTHSTENCIL)) return D3DERR_NOTAVAILABLE;
    if (f->depth && (usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_AUTOGENMIPMAP)))
        return D3DERR_NOTAVAILABLE;
    return D3D_OK;
}

// ---- capabilities ------------------------------------------------------------------------------
void FillCaps(D3DDEVTYPE type, D3DCAPS9* c)
{
    const GlInfo& gl = ProbeGl();
    const AdapterOverrides& o = Overrides();
    *c = D3DCAPS9{};
    c->DeviceType = type;
    c->AdapterOrdinal = 0;
    c->Caps2 = D3DCAPS2_DYNAMICTEXTURES | D3DCAPS2_CANAUTOGENMIPMAP | D3DCAPS2_CANMANAGERESOURCE;
    c->Caps3 = D3DCAPS3_ALPHA_FULLSCREEN_FLIP_OR_DISCARD | D3DCAPS3_COPY_TO_VIDMEM |
               D3DCAPS3_COPY_TO_SYSTEMMEM;
    c->PresentationIntervals = D3DPRESENT_INTERVAL_ONE | D3DPRESENT_INTERVAL_IMMEDIATE;
    c->DevCaps = D3DDEVCAPS_EXECUTESYSTEMMEMORY | D3DDEVCAPS_EXECUTEVIDEOMEMORY |
                 D3DDEVCAPS_TLVERTEXSYSTEMMEMORY | D3DDEVCAPS_TLVERTEXVIDEOMEMORY |
                 D3DDEVCAPS_TEXTURESYSTEMMEMORY | D3DDEVCAPS_TEXTUREVIDEOMEMORY |
                 D3DDEVCAPS_DRAWPRIMTLVERTEX | D3DDEVCAPS_CANRENDERAFTERFLIP |
                 D3DDEVCAPS_DRAWPRIMITIVES2 | D3DDEVCAPS_DRAWPRIMITIVES2EX |
                 D3DDEVCAPS_HWTRANSFORMANDLIGHT | D3DDEVCAPS_HWRASTERIZATION;
    c->PrimitiveMiscCaps = D3DPMISCCAPS_MASKZ | D3DPMISCCAPS_CULLNONE | D3DPMISCCAPS_CULLCW |
                           D3DPMISCCAPS_CULLCCW | D3DPMISCCAPS_COLORWRITEENABLE |
                           D3DPMISCCAPS_CLIPTLVERTS | D3DPMISCCAPS_TSSARGTEMP |
                           D3DPMISCCAPS_BLENDOP | D3DPMISCCAPS_PERSTAGECONSTANT |
                           D3DPMISCCAPS_FOGANDSPECULARALPHA | D3DPMISCCAPS_SEPARATEALPHABLEND;
    c->RasterCaps = D3DPRASTERCAPS_ZTEST | D3DPRASTERCAPS_FOGVERTEX | D3DPRASTERCAPS_FOGTABLE |
                    D3DPRASTERCAPS_MIPMAPLODBIAS | D3DPRASTERCAPS_FOGRANGE |
                    D3DPRASTERCAPS_ANISOTROPY | D3DPRASTERCAPS_WFOG | D3DPRASTERCAPS_ZFOG |
                    D3DPRASTERCAPS_COLORPERSPECTIVE | D3DPRASTERCAPS_SCISSORTEST |
                    D3DPRASTERCAPS_SLOPESCALEDEPTHBIAS | D3DPRASTERCAPS_DEPTHBIAS;
    c->ZCmpCaps = c->AlphaCmpCaps = 0xff;  // every D3DCMPFUNC
    c->SrcBlendCaps = c->DestBlendCaps = 0x3fff;  // every D3DBLEND
    c->ShadeCaps = D3DPSHADECAPS_COLORGOURAUDRGB | D3DPSHADECAPS_SPECULARGOURAUDRGB |
                   D3DPSHADECAPS_ALPHAGOURAUDBLEND | D3DPSHADECAPS_FOGGOURAUD;
    // Any size up to the GL maximum, square or not: no POW2, SQUAREONLY or
    // NONPOW2CONDITIONAL restriction.
    c->TextureCaps = D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_ALPHA |
                     D3DPTEXTURECAPS_MIPMAP | D3DPTEXTURECAPS_PROJECTED;
    c->TextureFilterCaps = D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MINFLINEAR |
                           D3DPTFILTERCAPS_MINFANISOTROPIC | D3DPTFILTERCAPS_MIPFPOINT |
                           D3DPTFILTERCAPS_MIPFLINEAR | D3DPTFILTERCAPS_MAGFPOINT |
                           D3DPTFILTERCAPS_MAGFLINEAR | D3DPTFILTERCAPS_MAGFANISOTROPIC;
    c->TextureAddressCaps = D3DPTADDRESSCAPS_WRAP | D3DPTADDRESSCAPS_MIRROR |
                            D3DPTADDRESSCAPS_CLAMP | D3DPTADDRESSCAPS_BORDER |
                            D3DPTADDRESSCAPS_INDEPENDENTUV | D3DPTADDRESSCAPS_MIRRORONCE;
    c->LineCaps = D3DLINECAPS_TEXTURE | D3DLINECAPS_ZTEST | D3DLINECAPS_BLEND |
                  D3DLINECAPS_ALPHACMP | D3DLINECAPS_FOG;
    const DWORD maxTex = gl.maxTextureSize > 0 ? static_cast<DWORD>(gl.maxTextureSize) : 2048u;
    c->MaxTextureWidth = c->MaxTextureHeight = maxTex;
    c->MaxTextureRepeat = 8192;
    c->MaxTextureAspectRatio = maxTex;
    c->MaxAnisotropy = static_cast<DWORD>(gl.maxAnisotropy);
    c->MaxVertexW = 1e10f;
    c->GuardBandLeft = c->GuardBandTop = -8192.0f;
    c->GuardBandRight = c->GuardBandBottom = 8192.0f;
    c->StencilCaps = 0x1ff;
    c->FVFCaps = 8 | D3DFVFCAPS_PSIZE;
    c->TextureOpCaps = 0x03ffffff & ~(D3DTEXOPCAPS_BUMPENVMAP | D3DTEXOPCAPS_BUMPENVMAPLUMINANCE |
                                      D3DTEXOPCAPS_PREMODULATE);
    c->MaxTextureBlendStages = kMaxStages;
    c->MaxSimultaneousTextures = kMaxStages;
    c->VertexProcessingCaps = D3DVTXPCAPS_TEXGEN | D3DVTXPCAPS_MATERIALSOURCE7 |
                              D3DVTXPCAPS_DIRECTIONALLIGHTS | D3DVTXPCAPS_POSITIONALLIGHTS |
                              D3DVTXPCAPS_LOCALVIEWER | D3DVTXPCAPS_TWEENING;
    c->MaxActiveLights = kMaxActiveLights;
    c->MaxUserClipPlanes = 6;
    c->MaxVertexBlendMatrices = 1;
    c->MaxVertexBlendMatrixIndex = 0;
    c->MaxPointSize = gl.maxPointSize;
    c->MaxPrimitiveCount = 0x00ffffff;
    c->MaxVertexIndex = 0x00ffffff;
    c->MaxStreams = kMaxStreams;
    c->MaxStreamStride = 508;
    // Shader byte code of these versions is accepted and translated to GLSL.
    c->VertexShaderVersion = D3DVS_VERSION(3, 0);
    c->MaxVertexShaderConst = kMaxVertexShaderConstF;
    c->PixelShaderVersion = D3DPS_VERSION(3, 0);
    c->PixelShader1xMaxValue = 8.0f;
    c->DevCaps2 = D3DDEVCAPS2_STREAMOFFSET | D3DDEVCAPS2_CAN_STRETCHRECT_FROM_TEXTURES |
                  D3DDEVCAPS2_VERTEXELEMENTSCANSHARESTREAMOFFSET;
    c->MasterAdapterOrdinal = 0;
    c->AdapterOrdinalInGroup = 0;
    c->NumberOfAdaptersInGroup = 1;
    c->DeclTypes = D3DDTCAPS_UBYTE4 | D3DDTCAPS_UBYTE4N | D3DDTCAPS_SHORT2N | D3DDTCAPS_SHORT4N |
                   D3DDTCAPS_USHORT2N | D3DDTCAPS_USHORT4N | D3DDTCAPS_UDEC3 | D3DDTCAPS_DEC3N |
                   D3DDTCAPS_FLOAT16_2 | D3DDTCAPS_FLOAT16_4;
    c->NumSimultaneousRTs = kMaxRenderTargets;
    c->StretchRectFilterCaps = D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MAGFPOINT |
                               D3DPTFILTERCAPS_MINFLINEAR | D3DPTFILTERCAPS_MAGFLINEAR;
    c->VS20Caps = D3DVSHADERCAPS2_0{D3DVS20CAPS_PREDICATION, 24, 32, 4};
    c->PS20Caps = D3DPSHADERCAPS2_0{D3DPS20CAPS_ARBITRARYSWIZZLE | D3DPS20CAPS_GRADIENTINSTRUCTIONS |
                                        D3DPS20CAPS_PREDICATION | D3DPS20CAPS_NODEPENDENTREADLIMIT |
                                        D3DPS20CAPS_NOTEXINSTRUCTIONLIMIT,
                                    24, 32, 4, 512};
    c->MaxVShaderInstructionsExecuted = 65535;
    c->MaxPShaderInstructionsExecuted = 65535;
    c->MaxVertexShader30InstructionSlots = 512;
    c->MaxPixelShader30InstructionSlots = 512;

    c->DevCaps &= ~o.removeDevCaps;
    c->RasterCaps &= ~o.removeRasterCaps;
    c->VertexProcessingCaps &= ~o.removeVertexProcessingCaps;
    if (o.vertexShaderVersion) c->VertexShaderVersion = o.vertexShaderVersion;
    if (o.pixelShaderVersion) c->PixelShaderVersion = o.pixelShaderVersion;
    c->TextureCaps |= o.addTextureCaps;
}

// ---- the Direct3D object -----------------------------------------------------------------
HRESULT Direct3D::QueryInterface(REFIID riid, void** ppv)
{
    return AnswerQuery(riid, ppv, this, riid == IID_IDirect3D9);
}

ULONG Direct3D::Release()
{
    if (refs_ == 0) return 0;
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

HRESULT Direct3D::RegisterSoftwareDevice(void*) { return D3DERR_NOTAVAILABLE; }

UINT Direct3D::GetAdapterCount() { return 1; }

HRESULT Direct3D::GetAdapterIdentifier(UINT adapter, DWORD, D3DADAPTER_IDENTIFIER9* id)
{
    if (adapter != 0 || !id) return RefuseWhy(__func__, "adapter != 0 || !id");
    *id = D3DADAPTER_IDENTIFIER9{};
    const GlInfo& gl = ProbeGl();
    std::strncpy(id->Driver, "qrn_d3d9", sizeof id->Driver - 1);
    std::strncpy(id->Description, gl.renderer.c_str(), sizeof id->Description - 1);
    std::strncpy(id->DeviceName, "\\\\.\\DISPLAY1", sizeof id->DeviceName - 1);
    return D3D_OK;
}

UINT Direct3D::GetAdapterModeCount(UINT adapter, D3DFORMAT format)
{
    if (adapter != 0 || format != D3DFMT_X8R8G8B8) return 0;
    return static_cast<UINT>(AdapterModes().size());
}

HRESULT Direct3D::EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode, D3DDISPLAYMODE* out)
{
    if (adapter != 0 || !out) return RefuseWhy(__func__, "adapter != 0 || !out");
    if (format != D3DFMT_X8R8G8B8) return D3DERR_NOTAVAILABLE;
    const auto modes = AdapterModes();
    if (mode >= modes.size()) return RefuseWhy(__func__, "mode >= modes.size()");
    *out = modes[mode];
    return D3D_OK;
}

HRESULT Direct3D::GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode)
{
    if (adapter != 0 || !mode) return RefuseWhy(__func__, "adapter != 0 || !mode");
    return DesktopMode(mode) ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT Direct3D::CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                  D3DFORMAT backBufferFormat, BOOL windowed)
{
    if (adapter != 0) return RefuseWhy(__func__, "adapter != 0");
    if (type != D3DDEVTYPE_HAL && type != D3DDEVTYPE_REF && type != D3DDEVTYPE_SW)
        return RefuseWhy(__func__, "type != D3DDEVTYPE_HAL && type != D3DDEVTYPE_REF && type != D3DDEVTYPE_SW");
    if (!DeviceTypeAvailable(type)) return D3DERR_NOTAVAILABLE;
    if (!IsDisplayFormat(adapterFormat)) return D3DERR_NOTAVAILABLE;
    if (backBufferFormat == D3DFMT_UNKNOWN)
        return windowed ? D3D_OK : RefuseWhy(__func__, "BackBufferFormat UNKNOWN in full screen");
    if (!IsBackBufferFormat(backBufferFormat)) return D3DERR_NOTAVAILABLE;
    return D3D_OK;
}

HRESULT Direct3D::CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                    DWORD usage, D3DRESOURCETYPE rtype, D3DFORMAT format)
{
    if (adapter != 0) return RefuseWhy(__func__, "adapter != 0");
    if (type != D3DDEVTYPE_HAL && type != D3DDEVTYPE_REF)
        return RefuseWhy(__func__, "type != D3DDEVTYPE_HAL && type != D3DDEVTYPE_REF");
    if (!ProbeGl().available) return D3DERR_NOTAVAILABLE;
    return CheckFormat(adapterFormat, usage, rtype, format);
}

HRESULT Direct3D::CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE, D3DFORMAT, BOOL,
                                             D3DMULTISAMPLE_TYPE type, DWORD* quality)
{
    if (adapter != 0) return RefuseWhy(__func__, "adapter != 0");
    if (type == D3DMULTISAMPLE_NONE) {
        if (quality) *quality = 1;
        return D3D_OK;
    }
    return D3DERR_NOTAVAILABLE;
}

HRESULT Direct3D::CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE, D3DFORMAT adapterFormat,
                                         D3DFORMAT rtFormat, D3DFORMAT dsFormat)
{
    if (adapter != 0) return RefuseWhy(__func__, "adapter != 0");
    const FormatInfo* rt = FindFormat(rtFormat);
    const FormatInfo* ds = FindFormat(dsFormat);
    if (!IsDisplayFormat(adapterFormat) || !rt || !rt->renderTarget || !ds || !ds->depth)
        return D3DERR_NOTAVAILABLE;
    return D3D_OK;
}

HRESULT Direct3D::CheckDeviceFormatConversion(UINT adapter, D3DDEVTYPE, D3DFORMAT src, D3DFORMAT dst)
{
    if (adapter != 0) return RefuseWhy(__func__, "adapter != 0");
    const FormatInfo* s = FindFormat(src);
    const FormatInfo* d = FindFormat(dst);
    if (!s || !d || s->depth || d->depth || !d->renderTarget) return D3DERR_NOTAVAILABLE;
    return D3D_OK;
}

HRESULT Direct3D::GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps)
{
    if (adapter != 0 || !caps) return RefuseWhy(__func__, "adapter != 0 || !caps");
    if (type != D3DDEVTYPE_HAL && type != D3DDEVTYPE_REF)
        return RefuseWhy(__func__, "type != D3DDEVTYPE_HAL && type != D3DDEVTYPE_REF");
    if (!DeviceTypeAvailable(type)) return D3DERR_NOTAVAILABLE;
    FillCaps(type, caps);
    return D3D_OK;
}

HMONITOR Direct3D::GetAdapterMonitor(UINT adapter)
{
    // One display; a fixed non-null handle stands for it.
    return adapter == 0 ? reinterpret_cast<HMONITOR>(static_cast<uintptr_t>(1)) : nullptr;
}

HRESULT Direct3D::CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focus, DWORD behavior,
                               D3DPRESENT_PARAMETERS* pp, IDirect3DDevice9** out)
{
    if (!out) return RefuseWhy(__func__, "!out");
    *out = nullptr;
    if (adapter != 0 || !pp) return RefuseWhy(__func__, "adapter != 0 || !pp");
    if (type != D3DDEVTYPE_HAL && type != D3DDEVTYPE_REF)
        return RefuseWhy(__func__, "type != D3DDEVTYPE_HAL && type != D3DDEVTYPE_REF");
    if (!DeviceTypeAvailable(type)) return D3DERR_NOTAVAILABLE;
    HRESULT hr = D3D_OK;
    Device* device = Device::Create(this, type, focus, behavior, pp, &hr);
    if (!device) return hr;
    *out = device;
    return D3D_OK;
}

}  // namespace qrn::d3d9

using qrn::d3d9::Direct3D;

QRN_PLATFORM_API IDirect3D9* WINAPI Direct3DCreate9(UINT sdkVersion)
{
    if (sdkVersion != 31 && sdkVersion != D3D_SDK_VERSION) return nullptr;
    if (!qrn::win32::EnsureVideo()) return nullptr;
    return new Direct3D();
}
