// Program selection for a draw: the key of the current state, its program
// from the cache, and the uniform block streamed into the ring when its
// contents changed.
#include <cstring>

#include "device.h"
#include "gl_draw.h"

namespace qrn::d3d9 {

namespace {

// State groups that can change the key, and those that can change uniforms.
constexpr uint32_t kKeyDirty = kDirtyRenderState | kDirtyStageState | kDirtyTextures | kDirtyLights | kDirtyTransform;
constexpr uint32_t kUniformDirty =
    kDirtyRenderState | kDirtyStageState | kDirtyTransform | kDirtyLights | kDirtyMaterial | kDirtyViewport;

bool ProjectionAffine(const D3DMATRIX& p)
{
    return p._14 == 0.0f && p._24 == 0.0f && p._34 == 0.0f && p._44 == 1.0f;
}

FfpKey KeyFor(const DrawContext& dc, const DeviceState& s, bool points)
{
    FfpKeyInputs in;
    in.renderStates = s.renderStates.data();
    in.stageStates = reinterpret_cast<const DWORD(*)[kFfpStageStateCount]>(s.stageStates.data());
    static_assert(sizeof(s.stageStates[0]) == sizeof(DWORD) * kFfpStageStateCount);
    for (uint32_t i = 0; i < kFfpStages; ++i) in.textureBound[i] = s.textures[i] && s.textures[i]->GlTexture() != 0;
    for (uint32_t i = 0; i < s.enabledLightCount && i < kFfpMaxLights; ++i) {
        auto it = s.lights.find(s.enabledLights[i]);
        in.lightTypes[in.lightCount++] = it != s.lights.end() ? (uint32_t)it->second.light.Type : (uint32_t)D3DLIGHT_DIRECTIONAL;
    }
    in.layout = &dc.layout;
    in.drawingPoints = points;
    in.projectionAffine = ProjectionAffine(s.projection);
    return MakeFfpKey(in);
}

}  // namespace

bool ApplyProgram(DrawContext& dc, DeviceState& s, bool points)
{
    if (!dc.keyValid || dc.keyPoints != points || (s.dirty & kKeyDirty)) {
        const FfpKey key = KeyFor(dc, s, points);
        if (!dc.keyValid || !(key == dc.key)) {
            dc.key = key;
            dc.program = dc.programs.Get(key);
        }
        dc.keyValid = true;
        dc.keyPoints = points;
    }
    // Bound shaders replace the fixed-function program (or half of it); the
    // fixed-function block below still feeds that half and the shaders' ends.
    const GLuint program = s.vertexShader || s.pixelShader ? ApplyShaderProgram(dc, s, points) : dc.program;
    if (!program) return false;
    dc.gl->UseProgram(program);

    // The block lives in the ring: once writing has moved on to another
    // quarter it is written again, since the ring will come round to it.
    const bool stale = dc.uniformsEpoch != dc.ring.Epoch();
    if (!dc.uniformsValid || stale || (s.dirty & kUniformDirty)) {
        FfpUniforms u;
        FillFfpUniforms(s, dc.maxPointSize, &u);
        if (!dc.uniformsValid || stale || memcmp(&u, &dc.uniforms, sizeof u) != 0) {
            const GLintptr at = dc.ring.Write(&u, sizeof u, dc.uniformAlign);
            if (at < 0) return false;
            dc.uniforms = u;
            dc.uniformsOffset = at;
            dc.uniformsEpoch = dc.ring.Epoch();
            ++dc.uniformUploads;
            dc.gl->CountUpload(sizeof u);
        }
        dc.uniformsValid = true;
    }
    dc.gl->BindBufferRange(GL_UNIFORM_BUFFER, kFfpUniformBinding, dc.ring.Buffer(), dc.uniformsOffset,
                           sizeof(FfpUniforms));
    s.dirty &= ~(kKeyDirty | kUniformDirty);
    return true;
}

}  // namespace qrn::d3d9
