// The draw path's per-device data (Device::GetDrawContext): fixed-function
// programs, vertex arrays per vertex layout, the streaming ring for user
// memory and uniform blocks, one sampler object per texture unit, and the
// shadows that let a draw skip everything that did not change.
//
// A draw reads as: validate, flush state (ApplyRasterState, ApplyTextures),
// pick the program (key -> cache), upload uniforms, bind vertex input, draw.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include <epoxy/gl.h>

#include "ffp_key.h"
#include "ffp_layout.h"
#include "gl_ffp_program.h"
#include "ffp_uniforms.h"
#include "gl_cache.h"
#include "view_cull.h"

namespace qrn::d3d9 {

class Device;
struct DeviceState;
struct ShaderDrawState;

// A persistently mapped buffer written front to back; each quarter is fenced
// when the writer leaves it and waited for before it is written again, so
// data the GL is still drawing from is never overwritten. User-memory
// vertices and indices and the uniform blocks all travel through it.
class StreamRing {
public:
    bool Init(GLsizeiptr size);
    void Destroy(GlCache& cache);
    // Copies `bytes` in at an offset aligned to `align`; returns the offset,
    // or -1 when the data is larger than a quarter of the ring.
    GLintptr Write(const void* data, GLsizeiptr bytes, GLsizeiptr align);
    GLuint Buffer() const { return buffer_; }
    // Raised whenever writing moves on to another quarter. Data written
    // under the current epoch stays valid at least until the next change;
    // data kept longer (the uniform block) is written again after one.
    uint64_t Epoch() const { return epoch_; }
    GLsizeiptr Size() const { return size_; }

private:
    static constexpr int kSegments = 4;
    GLuint buffer_ = 0;
    uint8_t* mapped_ = nullptr;
    GLsizeiptr size_ = 0;
    GLsizeiptr head_ = 0;
    std::array<GLsync, kSegments> fences_{};
    uint64_t epoch_ = 0;
};

// Vertex array for one vertex layout; binding index n is stream n.
struct VertexArray {
    GLuint vao = 0;
    uint32_t streamsUsed = 0;  // bit n: some attribute reads stream n
    std::array<GLuint, kFfpMaxStreams> buffers{};
    std::array<GLintptr, kFfpMaxStreams> offsets{};
    std::array<GLsizei, kFfpMaxStreams> strides{};
    GLuint elements = 0;
};

// What a sampler object was last told, so unchanged sampler states cost nothing.
struct SamplerShadow {
    GLint minFilter = -1, magFilter = -1, wrapS = -1, wrapT = -1, wrapR = -1;
    float maxAniso = -1.0f, lodBias = -1e30f, minLod = -1.0f;
    DWORD border = 0xFFFFFFFFu;
    bool borderKnown = false;
};

struct LayoutSignature {
    FfpVertexLayout layout;
    bool operator==(const LayoutSignature& o) const;
};
struct LayoutSignatureHash {
    size_t operator()(const LayoutSignature& s) const;
};

struct DrawContext {
    Device* device = nullptr;
    GlCache* gl = nullptr;
    FfpProgramCache programs;
    std::unordered_map<LayoutSignature, std::unique_ptr<VertexArray>, LayoutSignatureHash> vertexArrays;
    StreamRing ring;
    std::array<GLuint, GlCache::kUnits> samplers{};
    std::array<SamplerShadow, GlCache::kUnits> samplerShadow{};
    GLint uniformAlign = 256;
    uint64_t bufferForgets = 0;  // GlCache::BufferForgets() when the vertex arrays were last trusted
    float maxPointSize = 64.0f;

    // Layout of the current declaration, refreshed when the vertex format changes.
    FfpVertexLayout layout;
    bool layoutValid = false;
    VertexArray* layoutArray = nullptr;  // vertex array of `layout`, once looked up
    // Last key and program, reused while the state they came from is unchanged.
    FfpKey key;
    GLuint program = 0;
    bool keyValid = false;
    bool keyPoints = false;
    // Last uniform block written and where it lives in the ring.
    FfpUniforms uniforms{};
    bool uniformsValid = false;
    GLintptr uniformsOffset = -1;
    uint64_t uniformsEpoch = 0;

    // Programs and constant blocks of vertex and pixel shaders (draw_shader.cpp).
    ShaderDrawState* shaders = nullptr;

    // Draws from the device's buffers that lie wholly outside the view.
    ViewCull cull;

    // Counters for tests and benchmarks.
    uint64_t uniformUploads = 0;
    uint64_t ringBytes = 0;
};

// Makes the device's draw context on first use (its GL context current).
DrawContext* EnsureDrawContext(Device* device);

// ---- steps of a draw (draw_state.cpp, draw_input.cpp) -------------------------------------
// Depth, stencil, blending, culling, fill mode, colour mask, viewport, scissor.
void ApplyRasterState(DrawContext& dc, const DeviceState& s);
// Textures and sampler objects of the stages the program samples.
void ApplyTextures(DrawContext& dc, const DeviceState& s, const FfpKey& key);
// Textures and sampler objects of the units in the mask (bit n: unit n).
void ApplyTextureUnits(DrawContext& dc, const DeviceState& s, uint32_t units);
// The layout of the current vertex format; false when there is none or the
// fixed-function path cannot draw it.
bool RefreshLayout(DrawContext& dc, DeviceState& s);
// The vertex array of the current layout, bound through the cache.
VertexArray* BindLayout(DrawContext& dc);
// Points binding `stream` of `va` at a buffer range (skipped when unchanged).
void BindStream(DrawContext& dc, VertexArray& va, uint32_t stream, GLuint buffer, GLintptr offset, GLsizei stride);
void BindElements(DrawContext& dc, VertexArray& va, GLuint buffer);
// The key for the current state, its program and uniform block, all bound.
bool ApplyProgram(DrawContext& dc, DeviceState& s, bool points);

// ---- vertex and pixel shaders (draw_shader.cpp) --------------------------------------------
// The program of the bound shaders (the fixed-function half for a kind
// without one), with their constant blocks bound; 0 when it cannot be made.
GLuint ApplyShaderProgram(DrawContext& dc, DeviceState& s, bool points);
// Texture units the bound pixel shader samples.
uint32_t ShaderTextureUnits(const DeviceState& s);
void DestroyShaderDrawState(DrawContext& dc);

}  // namespace qrn::d3d9
