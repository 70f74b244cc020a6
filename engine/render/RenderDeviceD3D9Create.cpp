// Render device: construction, the two initialisations, the choice of device
// type, display mode, depth-stencil and render-target formats, the default
// states, and destruction.
#include <d3dx9math.h>

#include <new>

#include "RenderDeviceD3D9.h"

namespace qrn {

namespace {

// Direct3DCreate9 is asked for this SDK version.
constexpr UINT kSdkVersion = 31;

void SetIdentity(D3DMATRIX* m)
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) m->m[r][c] = (r == c) ? 1.0f : 0.0f;
}

bool FormatHasStencil(D3DFORMAT f)
{
    return f == D3DFMT_D24S8 || f == D3DFMT_D24X4S4 || f == D3DFMT_D15S1;
}

// Candidate lists, longest first: each shorter request is a tail of it.
const D3DFORMAT kDepthCandidates[] = {D3DFMT_D24S8, D3DFMT_D24X4S4, D3DFMT_D15S1,
                                      D3DFMT_D32,   D3DFMT_D24X8,   D3DFMT_D16};

const D3DFORMAT kRenderTargetCandidates[] = {D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, D3DFMT_X1R5G5B5,
                                             D3DFMT_A1R5G5B5, D3DFMT_R5G6B5};

struct ModeSize {
    UINT width, height;
};
// Indexed by SCREENRESOLUTION; entry 0 (the desktop) is never looked up.
const ModeSize kResolutionSizes[] = {{0, 0},      {640, 480},   {800, 600},  {1024, 768},
                                     {1280, 960}, {1280, 1024}, {1600, 1200}};

} // namespace

CRenderDeviceD3D9::CRenderDeviceD3D9()
{
    SetIdentity(&m_Projection);
    SetIdentity(&m_World);
    SetIdentity(&m_View);
}

CRenderDeviceD3D9::~CRenderDeviceD3D9()
{
    m_bShuttingDown = true;

    // Objects still registered belong to the device. Their destructors call
    // UnregisterObject, which does nothing now, so the list stays intact
    // while it is walked.
    for (size_t i = 0; i < m_Objects.size(); ++i) delete m_Objects[i];
    m_pBoundVertexBuffer = nullptr;
    m_pBoundIndexBuffer = nullptr;
    m_pBoundVertexShader = nullptr;
    m_pBoundPixelShader = nullptr;

    // Windowed: one swap chain per render window. Full screen: entry 0 is a
    // reference to the device's own swap chain, released here as well.
    const unsigned chains = m_bWindowed ? m_nWindowCount : 1u;
    for (unsigned i = 0; i < chains; ++i) {
        if (m_pSwapChains[i]) {
            m_pSwapChains[i]->Release();
            m_pSwapChains[i] = nullptr;
        }
    }

    if (m_pDepthStencil) {
        m_pDepthStencil->Release();
        m_pDepthStencil = nullptr;
    }
    ReleaseBackBuffer();

    delete[] m_pDisplayModes;
    m_pDisplayModes = nullptr;
    m_dwDisplayModeCount = 0;

    DeleteTextureCache();

    if (m_pD3DDevice) {
        m_pD3DDevice->Release();
        m_pD3DDevice = nullptr;
    }
    if (m_pD3D) {
        m_pD3D->Release();
        m_pD3D = nullptr;
    }

    m_Objects.clear();
    m_Objects.shrink_to_fit();
}

void CRenderDeviceD3D9::ReleaseBackBuffer()
{
    if (m_pBackBuffer) {
        m_pBackBuffer->Release();
        m_pBackBuffer = nullptr;
    }
}

const D3DFORMAT* CRenderDeviceD3D9::DepthStencilCandidates(int stencilBits, unsigned* count)
{
    unsigned skip;
    if (stencilBits >= 8)
        skip = 0;
    else if (stencilBits >= 4)
        skip = 1;
    else if (stencilBits >= 1)
        skip = 2;
    else
        skip = 3;
    *count = static_cast<unsigned>(sizeof(kDepthCandidates) / sizeof(kDepthCandidates[0])) - skip;
    return kDepthCandidates + skip;
}

bool CRenderDeviceD3D9::ChooseDepthStencilFormat(int stencilBits, D3DFORMAT* format)
{
    unsigned count = 0;
    const D3DFORMAT* candidates = DepthStencilCandidates(stencilBits, &count);
    for (unsigned i = 0; i < count; ++i) {
        // Always checked against the hardware device type, whichever type
        // was chosen.
        if (SUCCEEDED(m_pD3D->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8,
                                                D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE,
                                                candidates[i]))) {
            *format = candidates[i];
            return true;
        }
    }
    return false;
}

void CRenderDeviceD3D9::ChooseRenderTargetFormat()
{
    m_RenderTargetFormat = D3DFMT_UNKNOWN;
    if (!m_pD3D) return;
    for (D3DFORMAT f : kRenderTargetCandidates) {
        if (SUCCEEDED(m_pD3D->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8,
                                                D3DUSAGE_RENDERTARGET, D3DRTYPE_TEXTURE, f))) {
            m_RenderTargetFormat = f;
            return;
        }
    }
}

bool CRenderDeviceD3D9::CommonCreationSteps(bool windowed, int stencilBits)
{
    // An earlier initialisation that failed before creating the device may
    // have left its Direct3D object behind: start again from scratch rather
    // than leaking it.
    if (m_pD3D) {
        m_pD3D->Release();
        m_pD3D = nullptr;
    }

    // 1. The Direct3D object.
    m_pD3D = Direct3DCreate9(kSdkVersion);
    if (!m_pD3D) return false;

    // 2. Hardware device if the adapter accepts the back-buffer format in
    //    this mode, else the reference rasteriser.
    m_DeviceType = D3DDEVTYPE_HAL;
    if (FAILED(m_pD3D->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8,
                                       windowed ? TRUE : FALSE)))
        m_DeviceType = D3DDEVTYPE_REF;

    // 3. Vertex processing and fog from the capabilities.
    D3DCAPS9 caps{};
    if (FAILED(m_pD3D->GetDeviceCaps(0, m_DeviceType, &caps))) caps = D3DCAPS9{};
    m_dwBehaviorFlags = D3DCREATE_SOFTWARE_VERTEXPROCESSING;
    m_bHardwareVertexProcessing = false;
    if (caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT) {
        m_dwBehaviorFlags = D3DCREATE_MIXED_VERTEXPROCESSING;
        m_bHardwareVertexProcessing = true;
    }
    m_bVertexFog = (caps.RasterCaps & D3DPRASTERCAPS_FOGVERTEX) != 0;
    m_bTableFog = (caps.RasterCaps & D3DPRASTERCAPS_FOGTABLE) != 0;

    // 4. Depth-stencil format.
    D3DFORMAT depthFormat = D3DFMT_UNKNOWN;
    if (!ChooseDepthStencilFormat(stencilBits, &depthFormat)) return false;
    m_bStencilPresent = FormatHasStencil(depthFormat);

    // 5. Presentation parameters common to both modes.
    m_PresentParameters = D3DPRESENT_PARAMETERS{};
    m_PresentParameters.BackBufferFormat = D3DFMT_X8R8G8B8;
    m_PresentParameters.BackBufferCount = 1;
    m_PresentParameters.MultiSampleType = D3DMULTISAMPLE_NONE;
    m_PresentParameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    m_PresentParameters.EnableAutoDepthStencil = TRUE;
    m_PresentParameters.AutoDepthStencilFormat = depthFormat;
    m_PresentParameters.Flags = 0;
    m_PresentParameters.PresentationInterval = 0;
    m_PresentParameters.Windowed = windowed ? TRUE : FALSE;
    return true;
}

// The Direct3D device with the present parameters made ready; on failure
// there is none (m_pD3DDevice stays null).
bool CRenderDeviceD3D9::CreateD3DDevice(HWND focusWindow)
{
    if (FAILED(m_pD3D->CreateDevice(0, m_DeviceType, focusWindow, m_dwBehaviorFlags, &m_PresentParameters,
                                    &m_pD3DDevice)) ||
        !m_pD3DDevice) {
        m_pD3DDevice = nullptr;
        return false;
    }
    return true;
}

bool CRenderDeviceD3D9::InitFullscreen(HWND window, SCREENRESOLUTION resolution, int stencilBits)
{
    // A second initialisation of a working device is refused; the device
    // keeps running as it was.
    if (m_pD3DDevice) return false;

    m_bWindowed = false;
    m_hFocusWindow = window;

    if (!CommonCreationSteps(false, stencilBits)) return false;

    UINT width = 0, height = 0;
    ChooseDisplayMode(resolution, &width, &height);
    m_PresentParameters.BackBufferWidth = width;
    m_PresentParameters.BackBufferHeight = height;
    m_PresentParameters.hDeviceWindow = window;

    if (!CreateD3DDevice(window)) return false;

    m_dwCurrentWindow = 0;
    if (FAILED(m_pD3DDevice->GetSwapChain(0, &m_pSwapChains[0])) || !m_pSwapChains[0])
        return false;
    if (FAILED(m_pSwapChains[0]->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &m_pBackBuffer)) ||
        !m_pBackBuffer)
        return false;
    if (FAILED(m_pD3DDevice->GetDepthStencilSurface(&m_pDepthStencil)) || !m_pDepthStencil)
        return false;

    CreateTextureCacheIfNone();
    ApplyDefaultStates();
    m_bInitialised = true;
    return true;
}

bool CRenderDeviceD3D9::InitWindowed(HWND focusWindow, HWND renderWindow, int stencilBits)
{
    if (m_pD3DDevice) return false;

    m_bWindowed = true;
    m_hFocusWindow = focusWindow;

    if (!CommonCreationSteps(true, stencilBits)) return false;

    // The device's own swap chain is desktop-sized and never shown: every
    // render window gets an additional swap chain of its client size.
    m_PresentParameters.BackBufferWidth = static_cast<UINT>(GetSystemMetrics(SM_CXSCREEN));
    m_PresentParameters.BackBufferHeight = static_cast<UINT>(GetSystemMetrics(SM_CYSCREEN));
    m_PresentParameters.hDeviceWindow = renderWindow;

    if (!CreateD3DDevice(focusWindow)) return false;
    if (!AddRenderWindow(renderWindow)) return false;
    if (FAILED(m_pD3DDevice->GetDepthStencilSurface(&m_pDepthStencil)) || !m_pDepthStencil)
        return false;

    CreateTextureCacheIfNone();
    ApplyDefaultStates();
    m_bInitialised = true;
    return true;
}

bool CRenderDeviceD3D9::BuildDisplayModeList()
{
    if (m_pDisplayModes) return true;
    if (!m_pD3D) return false;

    D3DDISPLAYMODE desktop{};
    if (FAILED(m_pD3D->GetAdapterDisplayMode(0, &desktop))) return false;

    const UINT count = m_pD3D->GetAdapterModeCount(0, D3DFMT_X8R8G8B8);
    D3DDISPLAYMODE* modes = new (std::nothrow) D3DDISPLAYMODE[count ? count : 1];
    if (!modes) return false;  // tried again at the next query

    std::uint32_t kept = 0;
    for (UINT i = 0; i < count; ++i) {
        D3DDISPLAYMODE mode{};
        if (FAILED(m_pD3D->EnumAdapterModes(0, D3DFMT_X8R8G8B8, i, &mode))) continue;
        if (mode.RefreshRate == desktop.RefreshRate) modes[kept++] = mode;
    }
    m_pDisplayModes = modes;
    m_dwDisplayModeCount = kept;
    return true;
}

bool CRenderDeviceD3D9::IsModeOffered(UINT width, UINT height)
{
    if (!BuildDisplayModeList()) return false;
    for (std::uint32_t i = 0; i < m_dwDisplayModeCount; ++i)
        if (m_pDisplayModes[i].Width == width && m_pDisplayModes[i].Height == height) return true;
    return false;
}

void CRenderDeviceD3D9::ChooseDisplayMode(SCREENRESOLUTION resolution, UINT* width, UINT* height)
{
    // The full-screen refresh rate is the desktop's.
    D3DDISPLAYMODE desktop{};
    if (m_pD3D && SUCCEEDED(m_pD3D->GetAdapterDisplayMode(0, &desktop)))
        m_PresentParameters.FullScreen_RefreshRateInHz = desktop.RefreshRate;

    const int requested = static_cast<int>(resolution);
    if (requested >= SCREENRESOLUTION_640X480 && requested <= SCREENRESOLUTION_1600X1200) {
        for (int r = requested; r >= SCREENRESOLUTION_640X480; --r) {
            if (IsModeOffered(kResolutionSizes[r].width, kResolutionSizes[r].height)) {
                *width = kResolutionSizes[r].width;
                *height = kResolutionSizes[r].height;
                return;
            }
        }
    }
    // The desktop size, taken without a check.
    *width = static_cast<UINT>(GetSystemMetrics(SM_CXSCREEN));
    *height = static_cast<UINT>(GetSystemMetrics(SM_CYSCREEN));
}

void CRenderDeviceD3D9::ApplyDefaultStates()
{
    if (!m_pD3DDevice) return;

    // 1. White diffuse and ambient material, no specular, no emission.
    m_DefaultMaterial = D3DMATERIAL9{};
    m_DefaultMaterial.Diffuse = D3DCOLORVALUE{1.0f, 1.0f, 1.0f, 1.0f};
    m_DefaultMaterial.Ambient = D3DCOLORVALUE{1.0f, 1.0f, 1.0f, 1.0f};
    m_DefaultMaterial.Power = 0.0f;
    m_pD3DDevice->SetMaterial(&m_DefaultMaterial);

    // 2. Always a perspective projection after initialisation or reset.
    SetProjection(false, m_fFieldOfView, m_fNearPlane, m_fFarPlane);

    // 3. White ambient light.
    m_pD3DDevice->SetRenderState(D3DRS_AMBIENT, 0xFFFFFFFFu);

    // 4. Depth test and write, no blending, colour written, solid fill.
    SetDepthBufferMode(DEPTHBUFFER_READWRITE);
    SetAdditiveBlending(false, false);
    SetColorWrite(true);
    SetWireframe(false);

    // 5. The texture format render targets use.
    ChooseRenderTargetFormat();
}

} // namespace qrn
