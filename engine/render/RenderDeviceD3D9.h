// The Direct3D 9 render device: the one implementation of IRenderDevice.
//
// Besides the interface it offers the device objects (materials, buffers,
// textures, render targets, screen images, meshes, shaders) what they need of
// their device: the Direct3D device, the registry, the bound buffers and
// shaders, the stored matrices and the capability flags.
#pragma once

#include <d3d9.h>

#include <cstdint>
#include <vector>

#include "RenderDevice.h"
#include "RenderDeviceObjects.h"

namespace qrn {

class CTextureCache;
class CVertexShaderD3D9;
class CPixelShaderD3D9;

class CRenderDeviceD3D9 : public IRenderDevice {
public:
    // Most windows (swap chains) in windowed mode.
    static constexpr unsigned kMaxRenderWindows = 255;

    CRenderDeviceD3D9();
    ~CRenderDeviceD3D9() override;

    CRenderDeviceD3D9(const CRenderDeviceD3D9&) = delete;
    CRenderDeviceD3D9& operator=(const CRenderDeviceD3D9&) = delete;

    // ---- IRenderDevice --------------------------------------------------
    bool InitFullscreen(HWND window, SCREENRESOLUTION resolution, int stencilBits) override;
    bool InitWindowed(HWND focusWindow, HWND renderWindow, int stencilBits) override;
    bool AddRenderWindow(HWND window) override;
    bool SelectRenderWindow(unsigned index) override;
    bool ResetRenderWindows() override;
    bool IsWindowed() override { return m_bWindowed; }
    bool IsWireframe() override { return m_bWireframe; }
    bool IsTexturingEnabled() override { return m_bTexturing; }
    bool IsHardwareVertexProcessing() override { return m_bHardwareVertexProcessing; }
    bool IsRendering() override { return m_bInScene; }
    bool CanRenderToTexture() override { return m_RenderTargetFormat != D3DFMT_UNKNOWN; }
    bool BeginRendering(bool clearColor, bool clearDepth, bool clearStencil) override;
    void Clear(bool color, bool depth, bool stencil) override;
    void EndRendering(bool present) override;
    void SetAdditiveBlending(bool enable, bool modulate) override;
    void SetColorWrite(bool enable) override;
    void SetDepthBufferMode(int mode) override;
    void SetWireframe(bool wireframe) override;
    void SetTexturing(bool enable) override;
    void SetLight(unsigned index, const SLight* light) override;
    void SetFog(std::uint32_t color, float density) override;
    void SetAmbientLight(float red, float green, float blue) override;
    void SetCullMode(int mode) override;
    void SetClearColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue) override;
    void SetPrimitiveType(int type) override { m_iPrimitiveType = type; }
    void SetProjection(bool orthographic, float fieldOfView, float nearPlane,
                       float farPlane) override;
    void SetWorldMatrix(const Matrix4x4* matrix) override;
    void SetViewMatrix(const Matrix4x4* matrix) override;
    void SetPointSize(float size) override { m_fPointSize = size; }
    bool Draw() override;
    bool DrawIndexed() override;
    bool DrawUserPrimitives(const void* vertices, unsigned vertexCount, int vertexFormat) override;
    bool DrawIndexedUserPrimitives(const void* vertices, unsigned vertexCount, int vertexFormat,
                                   const std::uint16_t* indices, unsigned indexCount) override;
    IRenderDeviceObject* CreateObject(int objectType) override;

    // ---- for the device objects -------------------------------------------
    // Removes an object from the registry (every object's destructor calls
    // it); does nothing while the device itself is being destroyed.
    void UnregisterObject(IRenderDeviceObject* object);
    // With a target: drawing goes into a texture (the target has bound its
    // own surfaces). With null: back to the current window's back buffer and
    // the device's depth-stencil surface.
    bool SelectRenderTarget(IRenderTarget* target);
    // Colour writing off or additive blending on: materials and textures then
    // leave the blending and alpha-test states alone.
    bool IsBlendingOverridden() const { return !m_bColorWrite || m_bAdditiveBlending; }

    IDirect3DDevice9* GetD3DDevice() const { return m_pD3DDevice; }
    IDirect3D9* GetD3D() const { return m_pD3D; }
    D3DFORMAT GetRenderTargetFormat() const { return m_RenderTargetFormat; }
    const D3DPRESENT_PARAMETERS& GetPresentParameters() const { return m_PresentParameters; }
    bool HasTableFog() const { return m_bTableFog; }
    bool HasVertexFog() const { return m_bVertexFog; }
    bool IsRenderingToTexture() const { return m_pActiveRenderTarget != nullptr; }
    bool IsDeviceLost() const { return m_bDeviceLost; }
    bool IsShuttingDown() const { return m_bShuttingDown; }
    std::uint32_t GetClearColor() const { return m_dwClearColor; }
    int GetPrimitiveType() const { return m_iPrimitiveType; }
    float GetPointSize() const { return m_fPointSize; }
    bool IsOrthographic() const { return m_bOrthographic != 0; }
    float GetFieldOfView() const { return m_fFieldOfView; }
    float GetNearPlane() const { return m_fNearPlane; }
    float GetFarPlane() const { return m_fFarPlane; }
    unsigned GetWindowCount() const { return m_nWindowCount; }
    unsigned GetCurrentWindow() const { return m_dwCurrentWindow; }
    IDirect3DSurface9* GetBackBuffer() const { return m_pBackBuffer; }
    IDirect3DSurface9* GetDepthStencilSurface() const { return m_pDepthStencil; }
    IDirect3DSwapChain9* GetSwapChain(unsigned index) const
    {
        return index < 256 ? m_pSwapChains[index] : nullptr;
    }
    CTextureCache* GetTextureCache() const { return m_pTextureCache; }
    const std::vector<IRenderDeviceObject*>& GetObjects() const { return m_Objects; }

    const D3DMATRIX& GetProjectionMatrix() const { return m_Projection; }
    const D3DMATRIX& GetWorldMatrix() const { return m_World; }
    const D3DMATRIX& GetViewMatrix() const { return m_View; }
    // Transpose of world x view x projection, as a vertex shader reads it
    // from constant registers 0 to 3.
    void GetShaderWorldViewProjection(float out[16]) const;

    // Bound buffers and shaders, recorded by the objects' Apply / Remove.
    IVertexBuffer* GetBoundVertexBuffer() const { return m_pBoundVertexBuffer; }
    void SetBoundVertexBuffer(IVertexBuffer* buffer) { m_pBoundVertexBuffer = buffer; }
    IIndexBuffer* GetBoundIndexBuffer() const { return m_pBoundIndexBuffer; }
    void SetBoundIndexBuffer(IIndexBuffer* buffer) { m_pBoundIndexBuffer = buffer; }
    CVertexShaderD3D9* GetBoundVertexShader() const { return m_pBoundVertexShader; }
    void SetBoundVertexShader(CVertexShaderD3D9* shader) { m_pBoundVertexShader = shader; }
    CPixelShaderD3D9* GetBoundPixelShader() const { return m_pBoundPixelShader; }
    void SetBoundPixelShader(CPixelShaderD3D9* shader) { m_pBoundPixelShader = shader; }

    // Flexible-vertex-format code and stride of a VERTEXFORMAT (0 and 0 for
    // formats that have none).
    static DWORD VertexFormatCode(int format);
    static unsigned VertexFormatStride(int format);
    static bool VertexFormatHasColor(int format);

    // The depth-stencil candidates tried for a stencil-bits request, in
    // order; the count is written to *count.
    static const D3DFORMAT* DepthStencilCandidates(int stencilBits, unsigned* count);

private:
    // Creation steps shared by both initialisations (Direct3D object, device
    // type, capabilities, depth-stencil format, presentation parameters).
    bool CommonCreationSteps(bool windowed, int stencilBits);
    bool CreateD3DDevice(HWND focusWindow);
    bool ChooseDepthStencilFormat(int stencilBits, D3DFORMAT* format);
    void ChooseRenderTargetFormat();
    // The back-buffer size for a full-screen resolution request.
    void ChooseDisplayMode(SCREENRESOLUTION resolution, UINT* width, UINT* height);
    bool IsModeOffered(UINT width, UINT height);
    bool BuildDisplayModeList();
    void ApplyDefaultStates();
    bool ResetDevice();
    void CreateTextureCacheIfNone();
    void DeleteTextureCache();
    // Makes one object of a kind; null for kinds not available.
    IRenderDeviceObject* NewObject(int objectType);
    // Sets the bound vertex shader's input declaration for a format.
    bool SetShaderDeclaration(int vertexFormat);
    void SetPointSpriteStates(bool on);
    // Runs `draw` between the point-sprite states when `sprites`.
    template <class DrawCall>
    HRESULT DrawAs(bool sprites, DrawCall draw);
    void ReleaseBackBuffer();
    // Both user-memory draws.
    bool DrawFromMemory(const void* vertices, unsigned vertexCount, int vertexFormat,
                        const std::uint16_t* indices, unsigned indexCount, bool indexed);

    IDirect3D9* m_pD3D = nullptr;
    IDirect3DDevice9* m_pD3DDevice = nullptr;
    D3DPRESENT_PARAMETERS m_PresentParameters{};
    std::uint32_t m_dwClearColor = 0xFF000000u;
    D3DDISPLAYMODE* m_pDisplayModes = nullptr;
    D3DFORMAT m_RenderTargetFormat = D3DFMT_UNKNOWN;
    std::uint32_t m_dwDisplayModeCount = 0;
    bool m_bAdditiveBlending = false;
    bool m_bColorWrite = true;
    bool m_bWindowed = false;
    bool m_bWireframe = false;
    bool m_bTexturing = true;
    bool m_bDeviceLost = false;
    bool m_bInScene = false;
    bool m_bStencilPresent = false;
    bool m_bShuttingDown = false;
    bool m_bHardwareVertexProcessing = false;
    bool m_bTableFog = false;
    bool m_bVertexFog = false;
    std::uint8_t m_nWindowCount = 0;
    HWND m_hRenderWindows[256] = {};
    HWND m_hFocusWindow = nullptr;
    D3DMATRIX m_Projection;
    D3DMATRIX m_World;
    D3DMATRIX m_View;
    D3DMATERIAL9 m_DefaultMaterial{};
    IDirect3DSwapChain9* m_pSwapChains[256] = {};
    std::uint32_t m_dwCurrentWindow = 0;
    std::int32_t m_bOrthographic = 0;
    float m_fFieldOfView = 0.8f;
    float m_fNearPlane = 0.1f;
    float m_fFarPlane = 1000.0f;
    float m_fPointSize = 0.0f;
    IDirect3DSurface9* m_pBackBuffer = nullptr;
    IDirect3DSurface9* m_pDepthStencil = nullptr;
    std::vector<IRenderDeviceObject*> m_Objects;
    CTextureCache* m_pTextureCache = nullptr;
    IVertexBuffer* m_pBoundVertexBuffer = nullptr;
    IIndexBuffer* m_pBoundIndexBuffer = nullptr;
    CVertexShaderD3D9* m_pBoundVertexShader = nullptr;
    CPixelShaderD3D9* m_pBoundPixelShader = nullptr;
    int m_iPrimitiveType = 3;

    // Not part of the recorded state above: the device type chosen at
    // creation, the behaviour flags, the render target drawing goes into,
    // and the full-screen device's own swap chain reference (taken again
    // after every reset, released at destruction).
    D3DDEVTYPE m_DeviceType = D3DDEVTYPE_HAL;
    DWORD m_dwBehaviorFlags = 0;
    IRenderTarget* m_pActiveRenderTarget = nullptr;
    bool m_bInitialised = false;
};

} // namespace qrn
