// GL side of the format table (gl_format.cpp).
#pragma once

#include "format.h"
#include "gl_backend.h"

namespace qrn::d3d9 {

// Sets the swizzle of a GL texture so that it reads as the Direct3D format
// does (X8 formats read alpha 1, luminance formats replicate).
void ApplySwizzle(GlName texture, const FormatInfo& f);

}  // namespace qrn::d3d9
