// Direct3D 9 formats: what the Direct3D side knows of each (size, channels,
// uses), plus the GL storage the back end reads (its table is gl_format.cpp).
#pragma once

#include <cstdint>

#include <d3d9.h>

namespace qrn::d3d9 {

struct FormatInfo {
    D3DFORMAT format = D3DFMT_UNKNOWN;
    UINT bytesPerPixel = 0;   // of the locked (Direct3D) layout
    uint32_t internal = 0;    // GL storage (back end only)
    uint32_t glFormat = 0;    // GL transfer format of the Direct3D layout (back end only)
    uint32_t glType = 0;      // GL transfer type of the Direct3D layout (back end only)
    bool alpha = false;       // the format has an alpha channel (else alpha reads as 1)
    bool depth = false;       // depth-stencil format
    bool stencil = false;     // has stencil bits
    bool renderTarget = false;  // may be a colour render target
    bool luminance = false;   // L8/A8L8: red (and green) replicated by swizzle
    bool alphaOnly = false;   // A8: only alpha
};

// The description of a colour, depth or index format the stand-in stores,
// or null for a format it does not support.
const FormatInfo* FindFormat(D3DFORMAT format);

// Bytes of one locked row of `width` pixels (tight, no padding).
inline UINT RowPitch(const FormatInfo& f, UINT width) { return f.bytesPerPixel * width; }

// A D3DCOLOR (0xAARRGGBB) as red, green, blue, alpha in 0..1.
inline void ColorToFloats(D3DCOLOR c, float out[4])
{
    out[0] = static_cast<float>((c >> 16) & 0xff) / 255.0f;
    out[1] = static_cast<float>((c >> 8) & 0xff) / 255.0f;
    out[2] = static_cast<float>(c & 0xff) / 255.0f;
    out[3] = static_cast<float>((c >> 24) & 0xff) / 255.0f;
}

}  // namespace qrn::d3d9
