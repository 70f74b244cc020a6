// GLSL 4.50 text of the fixed-function emulation for one program key. The
// vertex shader does what the Direct3D 9 vertex pipeline does (tweening,
// transform, per-vertex lighting, vertex fog, point size); the fragment shader
// runs the texture-stage cascade, the specular add, fog and the alpha test.
//
// Conventions where Direct3D and GL differ, all handled in the vertex shader:
// - matrices arrive row-major and are applied as `M * v` (see ffp_uniforms.h);
// - Direct3D pixel centres sit on integer coordinates: clip x/y are shifted by
//   half a pixel (x += w / Width, y -= w / Height);
// - every render target keeps the picture's top row in GL row 0 (gl_cache.h);
//   the clip-control origin GL_UPPER_LEFT does that flip, so clip y is left
//   as Direct3D computes it;
// - depth stays in Direct3D's 0..1 range (GL clip control is zero-to-one).
// Texture unit n is stage n; the sampler is `uTex<n>`.
#pragma once

#include <string>

#include "ffp_key.h"

namespace qrn::d3d9 {

std::string FfpVertexShaderText(const FfpKey& key);
std::string FfpFragmentShaderText(const FfpKey& key);
// The alpha test of the key on a vec4 variable (statements; empty without a test).
std::string FfpAlphaTestCode(const FfpKey& key, const char* colour);

}  // namespace qrn::d3d9
