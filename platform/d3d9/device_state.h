// The state a Direct3D 9 device was told: everything Set* recorded and Get*
// answers, whether or not it has reached OpenGL yet. The draw path reads it at
// draw time and turns it into GL state through the GL cache (gl_cache.h).
//
// Bound objects are held with a reference (the device keeps what is bound
// alive); the pointers here are the implementation objects of resource.h.
// Every setter raises a bit in `dirty` for its group, so the draw path can
// skip groups that did not change since it last looked; it clears the bits it
// has consumed.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <map>

#include <d3d9.h>

namespace qrn::d3d9 {

class Surface;
class Texture;
class VertexBuffer;
class IndexBuffer;
class VertexDeclaration;
class VertexShader;
class PixelShader;

constexpr unsigned kMaxRenderStates = 256;     // D3DRENDERSTATETYPE values are below this
constexpr unsigned kMaxStages = 8;             // texture stages
constexpr unsigned kMaxStageStates = 33;       // D3DTEXTURESTAGESTATETYPE values are below this
constexpr unsigned kMaxSamplers = 16;          // pixel samplers 0..15
constexpr unsigned kMaxSamplerStates = 14;     // D3DSAMPLERSTATETYPE values are below this
constexpr unsigned kMaxStreams = 16;
constexpr unsigned kMaxWorldMatrices = 256;    // D3DTS_WORLDMATRIX(0..255)
constexpr unsigned kMaxActiveLights = 8;       // lights enabled at once (reported in the caps)
constexpr unsigned kMaxVertexShaderConstF = 256;
constexpr unsigned kMaxPixelShaderConstF = 224;
constexpr unsigned kMaxShaderConstI = 16;
constexpr unsigned kMaxShaderConstB = 16;
constexpr unsigned kMaxRenderTargets = D3D_MAX_SIMULTANEOUS_RENDERTARGETS;

// Groups of recorded state; a bit per group in DeviceState::dirty.
enum DirtyBits : uint32_t {
    kDirtyRenderState = 1u << 0,
    kDirtyStageState = 1u << 1,
    kDirtySamplerState = 1u << 2,
    kDirtyTransform = 1u << 3,
    kDirtyLights = 1u << 4,
    kDirtyMaterial = 1u << 5,
    kDirtyVertexFormat = 1u << 6,   // FVF or vertex declaration
    kDirtyStreams = 1u << 7,
    kDirtyIndices = 1u << 8,
    kDirtyTextures = 1u << 9,
    kDirtyViewport = 1u << 10,
    kDirtyScissor = 1u << 11,
    kDirtyFramebuffer = 1u << 12,   // render targets or depth-stencil surface
    kDirtyShaders = 1u << 13,
    kDirtyShaderConstants = 1u << 14,
    kDirtyClipPlanes = 1u << 15,
    kDirtyAll = 0xffffffffu,
};

struct LightSlot {
    D3DLIGHT9 light{};
    bool enabled = false;
};

struct StreamSource {
    VertexBuffer* buffer = nullptr;  // reference held
    UINT offset = 0;
    UINT stride = 0;
    UINT frequency = 1;
};

struct DeviceState {
    // Render, texture stage and sampler states, indexed by their enum value.
    std::array<DWORD, kMaxRenderStates> renderStates{};
    std::array<std::array<DWORD, kMaxStageStates>, kMaxStages> stageStates{};
    std::array<std::array<DWORD, kMaxSamplerStates>, kMaxSamplers> samplerStates{};

    // Transforms (all identity by default).
    D3DMATRIX view{};
    D3DMATRIX projection{};
    std::array<D3DMATRIX, kMaxStages> textureTransforms{};
    std::array<D3DMATRIX, kMaxWorldMatrices> world{};

    // Lights by index (any DWORD index may be set); `enabledLights` lists the
    // enabled indices in the order they were enabled, at most kMaxActiveLights.
    std::map<DWORD, LightSlot> lights;
    std::array<DWORD, kMaxActiveLights> enabledLights{};
    unsigned enabledLightCount = 0;

    D3DMATERIAL9 material{};

    // Vertex input: the FVF and the declaration are one slot, as on the real
    // device (SetFVF replaces the declaration with one built from the FVF and
    // SetVertexDeclaration makes GetFVF answer 0).
    DWORD fvf = 0;
    VertexDeclaration* declaration = nullptr;  // reference held; null when fvf is used
    std::array<StreamSource, kMaxStreams> streams{};
    IndexBuffer* indices = nullptr;            // reference held

    std::array<Texture*, kMaxSamplers> textures{};  // references held

    D3DVIEWPORT9 viewport{};
    RECT scissor{};
    std::array<std::array<float, 4>, 6> clipPlanes{};

    std::array<Surface*, kMaxRenderTargets> renderTargets{};  // references held
    Surface* depthStencil = nullptr;                          // reference held

    VertexShader* vertexShader = nullptr;  // references held
    PixelShader* pixelShader = nullptr;
    std::array<std::array<float, 4>, kMaxVertexShaderConstF> vsConstF{};
    std::array<std::array<int, 4>, kMaxShaderConstI> vsConstI{};
    std::array<BOOL, kMaxShaderConstB> vsConstB{};
    std::array<std::array<float, 4>, kMaxPixelShaderConstF> psConstF{};
    std::array<std::array<int, 4>, kMaxShaderConstI> psConstI{};
    std::array<BOOL, kMaxShaderConstB> psConstB{};

    bool softwareVertexProcessing = false;
    bool inScene = false;

    uint32_t dirty = kDirtyAll;
};

// Fills `s` with the documented defaults of a freshly created (or reset)
// device. Bound objects must have been released by the caller; the pointers
// are simply cleared. zEnable is D3DZB_TRUE when the device has an automatic
// depth-stencil surface.
void SetDefaultState(DeviceState& s, bool zEnable);

// Float-valued states carry the float's bits in the DWORD.
constexpr DWORD FloatBits(float f) { return std::bit_cast<DWORD>(f); }
constexpr float BitsFloat(DWORD d) { return std::bit_cast<float>(d); }

}  // namespace qrn::d3d9
