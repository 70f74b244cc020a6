// The fixed-function program key: exactly the device state that changes the
// text of the generated GLSL, packed into a small struct that the program
// cache hashes. Everything that is only a number (matrices, colours, light
// positions, fog distances, alpha reference, point sizes) travels in the
// uniform block instead (ffp_uniforms.h) and stays out of the key.
//
// Encoding rule: every field holds (value XOR its Direct3D default), so an
// all-zero key is the device's default state: lit, no lights, no fog, stage 0
// MODULATE(TEXTURE, CURRENT) / SELECTARG1(TEXTURE) with no texture bound,
// stages 1-7 disabled, no alpha test. MakeFfpKey also canonicalises: state a
// program cannot observe (stages after the first disabled one, arguments an
// operation does not read, lighting state while unlit) is left at zero, so
// equal pictures share one program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "d3d9types.h"
#include "ffp_layout.h"

namespace qrn::d3d9 {

constexpr uint32_t kFfpMaxLights = 8;
constexpr uint32_t kFfpStages = 8;
// Render-state and texture-stage-state ids are below these bounds.
constexpr uint32_t kFfpRenderStateCount = 256;
constexpr uint32_t kFfpStageStateCount = 33;

struct FfpStageKey {
    uint64_t colorOp : 5;     // D3DTSS_COLOROP xor default (stage 0 MODULATE, others DISABLE)
    uint64_t colorArg1 : 6;   // D3DTSS_COLORARG1 xor D3DTA_TEXTURE (selector + modifiers)
    uint64_t colorArg2 : 6;   // D3DTSS_COLORARG2 xor D3DTA_CURRENT
    uint64_t colorArg0 : 6;   // D3DTSS_COLORARG0 xor D3DTA_CURRENT (MULTIPLYADD, LERP)
    uint64_t alphaOp : 5;     // D3DTSS_ALPHAOP xor default (stage 0 SELECTARG1, others DISABLE)
    uint64_t alphaArg1 : 6;   // D3DTSS_ALPHAARG1 xor D3DTA_TEXTURE (xor D3DTA_DIFFUSE on a stage
                              // without texture, where TEXTURE reads as the diffuse alpha)
    uint64_t alphaArg2 : 6;   // D3DTSS_ALPHAARG2 xor D3DTA_CURRENT
    uint64_t alphaArg0 : 6;   // D3DTSS_ALPHAARG0 xor D3DTA_CURRENT
    uint64_t texCoordIndex : 3;  // D3DTSS_TEXCOORDINDEX (low bits) xor the stage number
    uint64_t textured : 1;    // a texture is bound to the stage (unbound TEXTURE reads white)
    uint64_t resultTemp : 1;  // D3DTSS_RESULTARG = D3DTA_TEMP (else CURRENT)
    uint64_t unused : 13;
};
static_assert(sizeof(FfpStageKey) == 8);

struct FfpKey {
    // ---- vertex input and lighting (word 0) ----
    uint32_t attribs : 15;         // bit i-1: the vertex carries FfpAttrib i (POSITION, always there, is not stored)
    uint32_t pretransformed : 1;   // XYZRHW / POSITIONT: no transform, lighting or vertex fog
    uint32_t tween : 1;            // VERTEXBLEND = TWEENING with POSITION1 or NORMAL1 present
    uint32_t unlit : 1;            // LIGHTING FALSE (default TRUE)
    uint32_t normalizeNormals : 1; // NORMALIZENORMALS TRUE
    uint32_t nonLocalViewer : 1;   // LOCALVIEWER FALSE (default TRUE)
    uint32_t specular : 1;         // SPECULARENABLE TRUE
    uint32_t unusedCv : 1;         // (COLORVERTEX is folded into the four sources below)
    // The four colour sources hold the source that takes effect (a vertex
    // colour only if COLORVERTEX is on and the vertex has it, else MATERIAL),
    // xor the one the default state would give for the same vertex.
    uint32_t diffuseSource : 2;    // default DIFFUSEMATERIALSOURCE = D3DMCS_COLOR1
    uint32_t specularSource : 2;   // default SPECULARMATERIALSOURCE = D3DMCS_COLOR2
    uint32_t ambientSource : 2;    // default AMBIENTMATERIALSOURCE = D3DMCS_MATERIAL
    uint32_t emissiveSource : 2;   // default EMISSIVEMATERIALSOURCE = D3DMCS_MATERIAL
    uint32_t flatShade : 1;        // SHADEMODE FLAT
    uint32_t unused0 : 1;
    // ---- lights, fog, points, alpha test (word 1) ----
    uint32_t lightTypes : 16;  // 2 bits per enabled light in slot order: D3DLIGHTTYPE (0 = end of list)
    uint32_t fogMode : 2;      // D3DFOGMODE of the fog that runs (0 = none, see fogFromSpecular)
    uint32_t fogTable : 1;     // the running fog is table (per-pixel) fog, else vertex fog
    uint32_t fogRange : 1;     // vertex fog on the true distance (RANGEFOGENABLE)
    uint32_t fogDeviceZ : 1;   // table fog with an affine projection: depth is device z, not w
    uint32_t fogFromSpecular : 1;  // FOGENABLE with both modes NONE: factor is the specular alpha
    uint32_t alphaFunc : 3;    // D3DCMPFUNC of the alpha test, 0 = no test (off, or ALWAYS)
    uint32_t points : 1;       // drawing a point list: the vertex shader writes gl_PointSize
    uint32_t pointScale : 1;   // POINTSCALEENABLE (points only)
    uint32_t pointSprite : 1;  // POINTSPRITEENABLE (points only): texcoords span the sprite
    uint32_t unused1 : 4;
    // ---- texture stages ----
    FfpStageKey stages[kFfpStages];

    FfpKey() { memset(this, 0, sizeof *this); }
    bool operator==(const FfpKey& o) const { return memcmp(this, &o, sizeof *this) == 0; }
    bool IsZero() const { return *this == FfpKey(); }
};
static_assert(sizeof(FfpKey) == 8 + 8 * kFfpStages, "the key stays small and unpadded");

struct FfpKeyHash {
    size_t operator()(const FfpKey& k) const
    {
        const unsigned char* p = reinterpret_cast<const unsigned char*>(&k);
        uint64_t h = 1469598103934665603ull;  // FNV-1a
        for (size_t i = 0; i < sizeof k; ++i) h = (h ^ p[i]) * 1099511628211ull;
        return (size_t)h;
    }
};

// The device state MakeFfpKey reads. Arrays are indexed by the Direct3D ids.
struct FfpKeyInputs {
    const DWORD* renderStates = nullptr;                        // [kFfpRenderStateCount]
    const DWORD (*stageStates)[kFfpStageStateCount] = nullptr;  // [kFfpStages][kFfpStageStateCount]
    bool textureBound[kFfpStages] = {};
    // Types (D3DLIGHTTYPE) of the enabled lights, in slot order.
    uint32_t lightCount = 0;
    uint32_t lightTypes[kFfpMaxLights] = {};
    const FfpVertexLayout* layout = nullptr;
    bool drawingPoints = false;     // D3DPT_POINTLIST
    bool projectionAffine = false;  // projection's fourth column is (0, 0, 0, 1)
};

FfpKey MakeFfpKey(const FfpKeyInputs& in);

// Decoding helpers for the generator: the Direct3D value behind each field.
inline uint32_t StageColorOp(const FfpKey& k, uint32_t s) { return k.stages[s].colorOp ^ (s == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE); }
inline uint32_t StageAlphaOp(const FfpKey& k, uint32_t s) { return k.stages[s].alphaOp ^ (s == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE); }
inline uint32_t StageTexCoordIndex(const FfpKey& k, uint32_t s) { return k.stages[s].texCoordIndex ^ s; }
constexpr uint32_t kArg1Default = D3DTA_TEXTURE;
constexpr uint32_t kArg2Default = D3DTA_CURRENT;
constexpr uint32_t kArg0Default = D3DTA_CURRENT;
inline bool KeyHas(const FfpKey& k, uint32_t attrib) { return attrib == kAttrPosition || ((k.attribs >> (attrib - 1)) & 1); }
// The colour source that takes effect for `source` with COLORVERTEX on.
inline uint32_t EffectiveSource(uint32_t source, bool hasColor0, bool hasColor1)
{
    if (source == D3DMCS_COLOR1 && hasColor0) return D3DMCS_COLOR1;
    if (source == D3DMCS_COLOR2 && hasColor1) return D3DMCS_COLOR2;
    return D3DMCS_MATERIAL;
}
inline uint32_t KeySource(const FfpKey& k, uint32_t field, uint32_t d3dDefault)
{
    return field ^ EffectiveSource(d3dDefault, KeyHas(k, kAttrColor0), KeyHas(k, kAttrColor1));
}
inline uint32_t DiffuseSource(const FfpKey& k) { return KeySource(k, k.diffuseSource, D3DMCS_COLOR1); }
inline uint32_t SpecularSource(const FfpKey& k) { return KeySource(k, k.specularSource, D3DMCS_COLOR2); }
inline uint32_t AmbientSource(const FfpKey& k) { return KeySource(k, k.ambientSource, D3DMCS_MATERIAL); }
inline uint32_t EmissiveSource(const FfpKey& k) { return KeySource(k, k.emissiveSource, D3DMCS_MATERIAL); }
// Stage arguments as D3DTA values (selector | modifiers); which = 0, 1, 2.
inline uint32_t StageColorArg(const FfpKey& k, uint32_t s, int which)
{
    const FfpStageKey& st = k.stages[s];
    return which == 0 ? st.colorArg0 ^ kArg0Default : which == 1 ? st.colorArg1 ^ kArg1Default : st.colorArg2 ^ kArg2Default;
}
inline uint32_t StageAlphaArg(const FfpKey& k, uint32_t s, int which)
{
    const FfpStageKey& st = k.stages[s];
    const uint32_t arg1Default = st.textured ? D3DTA_TEXTURE : D3DTA_DIFFUSE;
    return which == 0 ? st.alphaArg0 ^ kArg0Default : which == 1 ? st.alphaArg1 ^ arg1Default : st.alphaArg2 ^ kArg2Default;
}
inline uint32_t LightType(const FfpKey& k, uint32_t i) { return (k.lightTypes >> (2 * i)) & 3; }

// Number of stages the cascade runs (stages before the first disabled one).
uint32_t ActiveStages(const FfpKey& k);

}  // namespace qrn::d3d9
