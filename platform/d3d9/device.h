// The Direct3D 9 device on OpenGL 4.5 core.
//
// One GL context per device, made on the SDL window of the focus window.
// Every swap chain's back buffer is a GL texture that the device draws into
// through its framebuffer object; Present copies it once into its window's
// rectangle (a child window's rectangle inside its top-level window, the
// rest of the client area filled with the window class's brush colour) and
// swaps.
//
// The device validates and records; everything that reaches GL goes through
// its back end (gl_backend.h). Files: device.cpp (creation, swap chains,
// queries), device_reset.cpp (loss and reset), device_present.cpp (present
// and clear), device_states.cpp (the recorded Set*/Get* state),
// device_resources.cpp (resource creation and surface copies),
// device_draw.cpp (the four draw calls: validation, then the back end).
#pragma once

#include <memory>
#include <vector>

#include <d3d9.h>

#include "device_state.h"
#include "gl_backend.h"
#include "resource.h"

struct SDL_Window;

namespace qrn::d3d9 {

class Direct3D;

// The cooperative state of a device.
enum class Cooperative { Ok, Lost, NotReset };

class Device final : public IDirect3DDevice9 {
public:
    // Creates the context and the device's own swap chain; null with *hr set
    // on failure. pp is completed (sizes, format) on success.
    static Device* Create(Direct3D* d3d, D3DDEVTYPE type, HWND focus, DWORD behavior,
                          D3DPRESENT_PARAMETERS* pp, HRESULT* hr);
    ~Device();

    // ---- IUnknown
    HRESULT QueryInterface(REFIID riid, void** ppvObj) override;
    ULONG AddRef() override;
    ULONG Release() override;

    // ---- IDirect3DDevice9 (device.cpp)
    HRESULT TestCooperativeLevel() override;
    UINT GetAvailableTextureMem() override;
    HRESULT EvictManagedResources() override;
    HRESULT GetDirect3D(IDirect3D9** ppD3D9) override;
    HRESULT GetDeviceCaps(D3DCAPS9* pCaps) override;
    HRESULT GetDisplayMode(UINT iSwapChain, D3DDISPLAYMODE* pMode) override;
    HRESULT GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* pParameters) override;
    HRESULT CreateAdditionalSwapChain(D3DPRESENT_PARAMETERS* pPresentationParameters,
                                      IDirect3DSwapChain9** pSwapChain) override;
    HRESULT GetSwapChain(UINT iSwapChain, IDirect3DSwapChain9** pSwapChain) override;
    UINT GetNumberOfSwapChains() override;
    HRESULT Reset(D3DPRESENT_PARAMETERS* pPresentationParameters) override;
    HRESULT Present(CONST RECT* pSourceRect, CONST RECT* pDestRect, HWND hDestWindowOverride,
                    CONST struct _RGNDATA* pDirtyRegion) override;
    HRESULT GetBackBuffer(UINT iSwapChain, UINT iBackBuffer, D3DBACKBUFFER_TYPE Type,
                          IDirect3DSurface9** ppBackBuffer) override;
    HRESULT GetRasterStatus(UINT iSwapChain, D3DRASTER_STATUS* pRasterStatus) override;
    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT Clear(DWORD Count, CONST D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z,
                  DWORD Stencil) override;

    // ---- resources and copies (device_resources.cpp)
    HRESULT CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format,
                          D3DPOOL Pool, IDirect3DTexture9** ppTexture,
                          HANDLE* pSharedHandle) override;
    HRESULT CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                               IDirect3DVertexBuffer9** ppVertexBuffer,
                               HANDLE* pSharedHandle) override;
    HRESULT CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                              IDirect3DIndexBuffer9** ppIndexBuffer,
                              HANDLE* pSharedHandle) override;
    HRESULT CreateRenderTarget(UINT Width, UINT Height, D3DFORMAT Format,
                               D3DMULTISAMPLE_TYPE MultiSample, DWORD MultisampleQuality,
                               BOOL Lockable, IDirect3DSurface9** ppSurface,
                               HANDLE* pSharedHandle) override;
    HRESULT CreateDepthStencilSurface(UINT Width, UINT Height, D3DFORMAT Format,
                                      D3DMULTISAMPLE_TYPE MultiSample, DWORD MultisampleQuality,
                                      BOOL Discard, IDirect3DSurface9** ppSurface,
                                      HANDLE* pSharedHandle) override;
    HRESULT UpdateSurface(IDirect3DSurface9* pSourceSurface, CONST RECT* pSourceRect,
                          IDirect3DSurface9* pDestinationSurface, CONST POINT* pDestPoint) override;
    HRESULT UpdateTexture(IDirect3DBaseTexture9* pSourceTexture,
                          IDirect3DBaseTexture9* pDestinationTexture) override;
    HRESULT GetRenderTargetData(IDirect3DSurface9* pRenderTarget,
                                IDirect3DSurface9* pDestSurface) override;
    HRESULT GetFrontBufferData(UINT iSwapChain, IDirect3DSurface9* pDestSurface) override;
    HRESULT StretchRect(IDirect3DSurface9* pSourceSurface, CONST RECT* pSourceRect,
                        IDirect3DSurface9* pDestSurface, CONST RECT* pDestRect,
                        D3DTEXTUREFILTERTYPE Filter) override;
    HRESULT ColorFill(IDirect3DSurface9* pSurface, CONST RECT* pRect, D3DCOLOR color) override;
    HRESULT CreateOffscreenPlainSurface(UINT Width, UINT Height, D3DFORMAT Format, D3DPOOL Pool,
                                        IDirect3DSurface9** ppSurface,
                                        HANDLE* pSharedHandle) override;
    HRESULT CreateVertexDeclaration(CONST D3DVERTEXELEMENT9* pVertexElements,
                                    IDirect3DVertexDeclaration9** ppDecl) override;
    HRESULT CreateVertexShader(CONST DWORD* pFunction, IDirect3DVertexShader9** ppShader) override;
    HRESULT CreatePixelShader(CONST DWORD* pFunction, IDirect3DPixelShader9** ppShader) override;

    // ---- recorded state (device_states.cpp)
    HRESULT SetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9* pRenderTarget) override;
    HRESULT GetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9** ppRenderTarget) override;
    HRESULT SetDepthStencilSurface(IDirect3DSurface9* pNewZStencil) override;
    HRESULT GetDepthStencilSurface(IDirect3DSurface9** ppZStencilSurface) override;
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE State, CONST D3DMATRIX* pMatrix) override;
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) override;
    HRESULT MultiplyTransform(D3DTRANSFORMSTATETYPE State, CONST D3DMATRIX* pMatrix) override;
    HRESULT SetViewport(CONST D3DVIEWPORT9* pViewport) override;
    HRESULT GetViewport(D3DVIEWPORT9* pViewport) override;
    HRESULT SetMaterial(CONST D3DMATERIAL9* pMaterial) override;
    HRESULT GetMaterial(D3DMATERIAL9* pMaterial) override;
    HRESULT SetLight(DWORD Index, CONST D3DLIGHT9* pLight) override;
    HRESULT GetLight(DWORD Index, D3DLIGHT9* pLight) override;
    HRESULT LightEnable(DWORD Index, BOOL Enable) override;
    HRESULT GetLightEnable(DWORD Index, BOOL* pEnable) override;
    HRESULT SetClipPlane(DWORD Index, CONST float* pPlane) override;
    HRESULT GetClipPlane(DWORD Index, float* pPlane) override;
    HRESULT SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) override;
    HRESULT GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) override;
    HRESULT GetTexture(DWORD Stage, IDirect3DBaseTexture9** ppTexture) override;
    HRESULT SetTexture(DWORD Stage, IDirect3DBaseTexture9* pTexture) override;
    HRESULT GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type,
                                 DWORD* pValue) override;
    HRESULT SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) override;
    HRESULT GetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD* pValue) override;
    HRESULT SetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value) override;
    HRESULT ValidateDevice(DWORD* pNumPasses) override;
    HRESULT SetScissorRect(CONST RECT* pRect) override;
    HRESULT GetScissorRect(RECT* pRect) override;
    HRESULT SetSoftwareVertexProcessing(BOOL bSoftware) override;
    BOOL GetSoftwareVertexProcessing() override;
    HRESULT SetVertexDeclaration(IDirect3DVertexDeclaration9* pDecl) override;
    HRESULT GetVertexDeclaration(IDirect3DVertexDeclaration9** ppDecl) override;
    HRESULT SetFVF(DWORD FVF) override;
    HRESULT GetFVF(DWORD* pFVF) override;
    HRESULT SetVertexShader(IDirect3DVertexShader9* pShader) override;
    HRESULT GetVertexShader(IDirect3DVertexShader9** ppShader) override;
    HRESULT SetVertexShaderConstantF(UINT StartRegister, CONST float* pConstantData,
                                     UINT Vector4fCount) override;
    HRESULT GetVertexShaderConstantF(UINT StartRegister, float* pConstantData,
                                     UINT Vector4fCount) override;
    HRESULT SetVertexShaderConstantI(UINT StartRegister, CONST int* pConstantData,
                                     UINT Vector4iCount) override;
    HRESULT GetVertexShaderConstantI(UINT StartRegister, int* pConstantData,
                                     UINT Vector4iCount) override;
    HRESULT SetVertexShaderConstantB(UINT StartRegister, CONST BOOL* pConstantData,
                                     UINT BoolCount) override;
    HRESULT GetVertexShaderConstantB(UINT StartRegister, BOOL* pConstantData,
                                     UINT BoolCount) override;
    HRESULT SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9* pStreamData,
                            UINT OffsetInBytes, UINT Stride) override;
    HRESULT GetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9** ppStreamData,
                            UINT* pOffsetInBytes, UINT* pStride) override;
    HRESULT SetStreamSourceFreq(UINT StreamNumber, UINT Setting) override;
    HRESULT GetStreamSourceFreq(UINT StreamNumber, UINT* pSetting) override;
    HRESULT SetIndices(IDirect3DIndexBuffer9* pIndexData) override;
    HRESULT GetIndices(IDirect3DIndexBuffer9** ppIndexData) override;
    HRESULT SetPixelShader(IDirect3DPixelShader9* pShader) override;
    HRESULT GetPixelShader(IDirect3DPixelShader9** ppShader) override;
    HRESULT SetPixelShaderConstantF(UINT StartRegister, CONST float* pConstantData,
                                    UINT Vector4fCount) override;
    HRESULT GetPixelShaderConstantF(UINT StartRegister, float* pConstantData,
                                    UINT Vector4fCount) override;
    HRESULT SetPixelShaderConstantI(UINT StartRegister, CONST int* pConstantData,
                                    UINT Vector4iCount) override;
    HRESULT GetPixelShaderConstantI(UINT StartRegister, int* pConstantData,
                                    UINT Vector4iCount) override;
    HRESULT SetPixelShaderConstantB(UINT StartRegister, CONST BOOL* pConstantData,
                                    UINT BoolCount) override;
    HRESULT GetPixelShaderConstantB(UINT StartRegister, BOOL* pConstantData,
                                    UINT BoolCount) override;

    // ---- drawing (device_draw.cpp, the draw path)
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex,
                          UINT PrimitiveCount) override;
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, INT BaseVertexIndex,
                                 UINT MinVertexIndex, UINT NumVertices, UINT startIndex,
                                 UINT primCount) override;
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT PrimitiveCount,
                            CONST void* pVertexStreamZeroData,
                            UINT VertexStreamZeroStride) override;
    HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT MinVertexIndex,
                                   UINT NumVertices, UINT PrimitiveCount, CONST void* pIndexData,
                                   D3DFORMAT IndexDataFormat, CONST void* pVertexStreamZeroData,
                                   UINT VertexStreamZeroStride) override;

    // ---- what the draw path and the resources use -------------------------------------
    // Makes this device's GL context current (cheap when it already is).
    void MakeCurrent() { gl_.MakeCurrent(); }
    GlBackend& Backend() { return gl_; }
    GlCache& Gl() { return gl_.Cache(); }
    DeviceState& State() { return state_; }
    const D3DCAPS9& Caps() const { return caps_; }
    // Binds the framebuffer of the current render targets and depth-stencil
    // surface as GL's draw framebuffer (attachments brought up to date) and
    // returns false when render target 0 is missing. Viewport and scissor are
    // the caller's (in the top-row-first convention of gl_cache.h).
    bool BindDrawTargets();
    // Size of render target 0 (0 x 0 when none).
    UINT TargetWidth() const;
    UINT TargetHeight() const;
    bool IsLost() const { return coop_ != Cooperative::Ok; }
    // When on, the draw path re-applies every GL state on each draw (test
    // control); it reads this flag and calls Gl().Invalidate().
    bool ReapplyAllState() const { return reapplyAll_; }

    // ---- resource bookkeeping ---------------------------------------------------------
    // Creation of a resource; false when an injected out-of-memory failure
    // is due (the creation then fails with D3DERR_OUTOFVIDEOMEMORY).
    bool TakeAllocation();
    // GL storage of a resource; false when an injected GL out-of-memory
    // failure is due.
    static bool TakeGlStorage();
    void DefaultPoolCreated() { ++defaultPoolAlive_; }
    void DefaultPoolDestroyed() { --defaultPoolAlive_; }
    unsigned DefaultPoolAlive() const { return defaultPoolAlive_; }
    void SwapChainDestroyed(SwapChain* sc);

    // Present of one swap chain (device and swap chain Present both land here).
    HRESULT PresentSwapChain(SwapChain* sc, const RECT* src, const RECT* dst, HWND override);

    // ---- test control -----------------------------------------------------------------
    void InjectLoss(unsigned testsStillLost) { injectLoss_ = true; injectLossTests_ = testsStillLost; }
    void SetReapplyAllState(bool on);
    void RequestCapture() { captureNext_ = true; }
    bool TakeCapture(std::vector<uint32_t>* pixels, int* w, int* h);

private:
    Device(Direct3D* d3d, D3DDEVTYPE type, HWND focus, DWORD behavior);
    HRESULT Init(D3DPRESENT_PARAMETERS* pp);
    HRESULT CompleteParams(D3DPRESENT_PARAMETERS* pp, bool additional) const;
    HRESULT MakeImplicit(const D3DPRESENT_PARAMETERS& pp);
    void DropImplicit();
    void ResetState();  // releases bindings, sets defaults, binds the implicit targets
    void ReleaseBindings();
    void FitViewportTo(const Surface& target);
    bool Away() const;  // a full-screen device whose window is minimised or unfocused
    bool CheckLoss();   // updates coop_ from the window; true when lost
    static void FocusChanged(HWND top, bool focused, void* user);
    void OwnPicture(HWND window);
    bool ApplyFullscreen(const D3DPRESENT_PARAMETERS& pp);
    // The opening checks of every draw call and the hand-over to the back end.
    HRESULT CheckDraw(const char* name, D3DPRIMITIVETYPE type, UINT count, DrawCall* call);
    HRESULT SubmitDraw(const char* name, const DrawCall& call);
    // The named steps of Present (device_present.cpp).
    HRESULT PresentPlace(SwapChain* sc, HWND hwnd, const RECT* src, const RECT* dst, PresentFrame* frame);

    ULONG refs_ = 1;
    Direct3D* d3d_;
    D3DDEVTYPE type_;
    HWND focus_;
    DWORD behavior_;
    int focusListener_ = -1;
    bool focusLost_ = false;
    D3DCAPS9 caps_{};
    GlBackend gl_{this};
    DeviceState state_;
    SwapChain* implicit_ = nullptr;
    Surface* autoDepth_ = nullptr;
    std::vector<SwapChain*> additional_;  // alive additional swap chains (not referenced)
    std::vector<HWND> ownedPictures_;     // top-level windows whose picture this device draws
    Cooperative coop_ = Cooperative::Ok;
    bool injectLoss_ = false;
    unsigned injectLossTests_ = 0;
    unsigned defaultPoolAlive_ = 0;
    bool reapplyAll_ = false;
    bool captureNext_ = false;
    std::vector<uint32_t> capture_;
    int captureW_ = 0, captureH_ = 0;
};

}  // namespace qrn::d3d9
