// The table of Direct3D 9 formats the stand-in stores, and their GL storage.
#include "gl_format.h"

#include <epoxy/gl.h>

#include <array>

namespace qrn::d3d9 {

namespace {

// One row per supported format. Transfer formats describe the Direct3D
// memory layout: A8R8G8B8 is a little-endian 0xAARRGGBB, bytes B, G, R, A.
constexpr std::array<FormatInfo, 20> kFormats{{
    // format               bpp internal              transfer format  transfer type                    alpha  depth  stenc  rt     lum    a-only
    {D3DFMT_A8R8G8B8,        4, GL_RGBA8,             GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,             true,  false, false, true,  false, false},
    {D3DFMT_X8R8G8B8,        4, GL_RGBA8,             GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,             false, false, false, true,  false, false},
    {D3DFMT_A8B8G8R8,        4, GL_RGBA8,             GL_RGBA, GL_UNSIGNED_INT_8_8_8_8_REV,             true,  false, false, true,  false, false},
    {D3DFMT_X8B8G8R8,        4, GL_RGBA8,             GL_RGBA, GL_UNSIGNED_INT_8_8_8_8_REV,             false, false, false, true,  false, false},
    {D3DFMT_R8G8B8,          3, GL_RGB8,              GL_BGR,  GL_UNSIGNED_BYTE,                        false, false, false, false, false, false},
    {D3DFMT_R5G6B5,          2, GL_RGB565,            GL_RGB,  GL_UNSIGNED_SHORT_5_6_5,                 false, false, false, true,  false, false},
    {D3DFMT_X1R5G5B5,        2, GL_RGB5_A1,           GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV,           false, false, false, true,  false, false},
    {D3DFMT_A1R5G5B5,        2, GL_RGB5_A1,           GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV,           true,  false, false, true,  false, false},
    {D3DFMT_A4R4G4B4,        2, GL_RGBA4,             GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV,           true,  false, false, false, false, false},
    {D3DFMT_X4R4G4B4,        2, GL_RGBA4,             GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV,           false, false, false, false, false, false},
    {D3DFMT_A8,              1, GL_R8,                GL_RED,  GL_UNSIGNED_BYTE,                        true,  false, false, false, false, true},
    {D3DFMT_L8,              1, GL_R8,                GL_RED,  GL_UNSIGNED_BYTE,                        false, false, false, false, true,  false},
    {D3DFMT_A8L8,            2, GL_RG8,               GL_RG,   GL_UNSIGNED_BYTE,                        true,  false, false, false, true,  false},
    {D3DFMT_D16,             2, GL_DEPTH_COMPONENT16, GL_DEPTH_COMPONENT, GL_UNSIGNED_SHORT,            false, true,  false, false, false, false},
    {D3DFMT_D16_LOCKABLE,    2, GL_DEPTH_COMPONENT16, GL_DEPTH_COMPONENT, GL_UNSIGNED_SHORT,            false, true,  false, false, false, false},
    {D3DFMT_D24X8,           4, GL_DEPTH_COMPONENT24, GL_DEPTH_COMPONENT, GL_UNSIGNED_INT,              false, true,  false, false, false, false},
    {D3DFMT_D32,             4, GL_DEPTH_COMPONENT32, GL_DEPTH_COMPONENT, GL_UNSIGNED_INT,              false, true,  false, false, false, false},
    {D3DFMT_D24S8,           4, GL_DEPTH24_STENCIL8,  GL_DEPTH_STENCIL,   GL_UNSIGNED_INT_24_8,         false, true,  true,  false, false, false},
    // One and four stencil bits are stored in eight.
    {D3DFMT_D15S1,           2, GL_DEPTH24_STENCIL8,  GL_DEPTH_STENCIL,   GL_UNSIGNED_INT_24_8,         false, true,  true,  false, false, false},
    {D3DFMT_D24X4S4,         4, GL_DEPTH24_STENCIL8,  GL_DEPTH_STENCIL,   GL_UNSIGNED_INT_24_8,         false, true,  true,  false, false, false},
}};

}  // namespace

const FormatInfo* FindFormat(D3DFORMAT format)
{
    for (const FormatInfo& f : kFormats)
        if (f.format == format) return &f;
    return nullptr;
}

void ApplySwizzle(GlName texture, const FormatInfo& f)
{
    GLint sw[4] = {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA};
    if (f.luminance) {
        sw[0] = sw[1] = sw[2] = GL_RED;
        sw[3] = f.alpha ? GL_GREEN : GL_ONE;
    } else if (f.alphaOnly) {
        sw[0] = sw[1] = sw[2] = GL_ZERO;
        sw[3] = GL_RED;
    } else if (!f.alpha && !f.depth) {
        sw[3] = GL_ONE;
    }
    glTextureParameteriv(texture, GL_TEXTURE_SWIZZLE_RGBA, sw);
}

}  // namespace qrn::d3d9
