// The Direct3D object: the one adapter (the display SDL drives and the
// OpenGL implementation behind it), its modes, formats and capabilities.
#pragma once

#include <set>
#include <string>
#include <vector>

#include <d3d9.h>

namespace qrn::d3d9 {

// What a probe context told about the OpenGL implementation (once per process).
struct GlInfo {
    bool available = false;  // an OpenGL 4.5 core context could be made
    bool software = false;   // the renderer is a software rasteriser
    int maxTextureSize = 0;
    float maxPointSize = 1.0f;
    float maxAnisotropy = 1.0f;
    std::string renderer;
};
const GlInfo& ProbeGl();

// Adjustments that the test-control interface makes to what the adapter
// reports (qrn_d3d9_testctl.h). One set per process.
struct AdapterOverrides {
    DWORD removeDevCaps = 0;
    DWORD removeRasterCaps = 0;
    DWORD removeVertexProcessingCaps = 0;
    DWORD vertexShaderVersion = 0;  // reported instead of the real version when not 0
    DWORD pixelShaderVersion = 0;
    DWORD addTextureCaps = 0;
    bool modesGiven = false;
    std::vector<D3DDISPLAYMODE> modes;
    bool desktopGiven = false;
    D3DDISPLAYMODE desktop{};
    std::set<D3DFORMAT> failingFormats;
    unsigned failAllocations = 0;  // out-of-memory for the next N resource creations
    unsigned failGlStorage = 0;    // GL out-of-memory for the next N storage allocations
    bool reapplyAllState = false;
};
AdapterOverrides& Overrides();

// The capabilities the device really has, after the overrides.
void FillCaps(D3DDEVTYPE type, D3DCAPS9* caps);
// The display modes of the adapter in X8R8G8B8 (sorted by size, then rate).
std::vector<D3DDISPLAYMODE> AdapterModes();
bool DesktopMode(D3DDISPLAYMODE* mode);
// Whether a format may be used as asked (CheckDeviceFormat's answer).
HRESULT CheckFormat(D3DFORMAT adapterFormat, DWORD usage, D3DRESOURCETYPE type, D3DFORMAT format);

class Direct3D final : public IDirect3D9 {
public:
    Direct3D() = default;

    HRESULT QueryInterface(REFIID riid, void** ppvObj) override;
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override;

    HRESULT RegisterSoftwareDevice(void* pInitializeFunction) override;
    UINT GetAdapterCount() override;
    HRESULT GetAdapterIdentifier(UINT Adapter, DWORD Flags,
                                 D3DADAPTER_IDENTIFIER9* pIdentifier) override;
    UINT GetAdapterModeCount(UINT Adapter, D3DFORMAT Format) override;
    HRESULT EnumAdapterModes(UINT Adapter, D3DFORMAT Format, UINT Mode,
                             D3DDISPLAYMODE* pMode) override;
    HRESULT GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) override;
    HRESULT CheckDeviceType(UINT Adapter, D3DDEVTYPE DevType, D3DFORMAT AdapterFormat,
                            D3DFORMAT BackBufferFormat, BOOL bWindowed) override;
    HRESULT CheckDeviceFormat(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat,
                              DWORD Usage, D3DRESOURCETYPE RType, D3DFORMAT CheckFormat) override;
    HRESULT CheckDeviceMultiSampleType(UINT Adapter, D3DDEVTYPE DeviceType,
                                       D3DFORMAT SurfaceFormat, BOOL Windowed,
                                       D3DMULTISAMPLE_TYPE MultiSampleType,
                                       DWORD* pQualityLevels) override;
    HRESULT CheckDepthStencilMatch(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat,
                                   D3DFORMAT RenderTargetFormat,
                                   D3DFORMAT DepthStencilFormat) override;
    HRESULT CheckDeviceFormatConversion(UINT Adapter, D3DDEVTYPE DeviceType,
                                        D3DFORMAT SourceFormat, D3DFORMAT TargetFormat) override;
    HRESULT GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS9* pCaps) override;
    HMONITOR GetAdapterMonitor(UINT Adapter) override;
    HRESULT CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow,
                         DWORD BehaviorFlags, D3DPRESENT_PARAMETERS* pPresentationParameters,
                         IDirect3DDevice9** ppReturnedDeviceInterface) override;

    // Whether a device type exists here (HAL: any GL 4.5 context; REF: a
    // software one).
    static bool DeviceTypeAvailable(D3DDEVTYPE type);

private:
    ~Direct3D() = default;
    ULONG refs_ = 1;
};

bool IsDisplayFormat(D3DFORMAT f);
bool IsBackBufferFormat(D3DFORMAT f);

}  // namespace qrn::d3d9
