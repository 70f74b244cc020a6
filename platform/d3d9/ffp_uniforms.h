// The numbers the generated fixed-function programs read: one std140 uniform
// block shared by every program (binding kFfpUniformBinding). The C++ struct
// and the GLSL text below must describe the same layout; the draw tests check
// the offsets against what the GL compiler reports.
//
// Matrices are stored as Direct3D gives them (row-major, row vectors). GLSL
// reads such a matrix as its transpose, so `M * v` in GLSL computes the
// Direct3D `v · M` with no explicit transpose anywhere.
#pragma once

#include <cstdint>

#include "d3d9types.h"
#include "ffp_key.h"

namespace qrn::d3d9 {

struct DeviceState;

constexpr uint32_t kFfpUniformBinding = 0;

struct FfpLightData {
    float diffuse[4];
    float specular[4];
    float ambient[4];
    float position[4];     // camera space (Position · View)
    float direction[4];    // camera space, normalised (Direction · View)
    float attenuation[4];  // range, attenuation 0, 1, 2
    float spot[4];         // cos(theta/2), cos(phi/2), falloff, 0
};

struct FfpUniforms {
    float worldView[16];
    float worldViewProj[16];
    float normalMatrix[16];  // inverse of world·view, upper 3x3 (GLSL: n * mat3(normalMatrix))
    float matDiffuse[4];
    float matAmbient[4];
    float matSpecular[4];
    float matEmissive[4];
    float globalAmbient[4];  // D3DRS_AMBIENT
    float textureFactor[4];  // D3DRS_TEXTUREFACTOR
    float fogColor[4];
    float fogParams[4];      // start, end, density, 1 / (end - start)
    float pointParams[4];    // size, min, max, viewport height
    float pointScale[4];     // A, B, C, 0
    float misc[4];           // material power, tween factor, alpha reference (0..255), 0
    float viewport[4];       // X, Y, 1 / Width, 1 / Height of the viewport in pixels
    float viewportSize[4];   // Width, Height, 0, 0
    float stageConstant[kFfpStages][4];
    FfpLightData lights[kFfpMaxLights];
};
static_assert(sizeof(FfpUniforms) % 16 == 0);

// The GLSL declaration of the block (uniform block FfpState, instance `u`).
extern const char* const kFfpUniformGlsl;

// Fills the block from the recorded state. `maxPointSize` is the GL limit
// that caps D3DRS_POINTSIZE_MAX.
void FillFfpUniforms(const DeviceState& s, float maxPointSize, FfpUniforms* u);

// D3DCOLOR 0xAARRGGBB -> r, g, b, a in 0..1.
void ColorToFloats(DWORD c, float out[4]);

}  // namespace qrn::d3d9
