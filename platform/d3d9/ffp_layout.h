// Vertex layouts for the fixed-function emulation: what a flexible vertex
// format (FVF) or a vertex declaration says about where each input lives.
// Both are turned into the same FfpVertexLayout, which the draw path uses to
// set up vertex attributes and the program key uses to know which inputs
// exist. No GL here.
//
// Each input the generated shaders read has a fixed attribute location
// (FfpAttrib). FVF layouts always come from stream 0; declarations may spread
// their elements over several streams (tweening keeps the second key frame in
// stream 1).
#pragma once

#include <cstdint>

#include "d3d9types.h"

namespace qrn::d3d9 {

enum FfpAttrib : uint32_t {
    kAttrPosition = 0,   // POSITION 0 (or POSITIONT 0 for pre-transformed vertices)
    kAttrNormal = 1,     // NORMAL 0
    kAttrPSize = 2,      // PSIZE 0
    kAttrColor0 = 3,     // COLOR 0: diffuse
    kAttrColor1 = 4,     // COLOR 1: specular
    kAttrTex0 = 5,       // TEXCOORD 0..7 at locations 5..12
    kAttrPosition1 = 13, // POSITION 1: second key frame for tweening
    kAttrNormal1 = 14,   // NORMAL 1
    kAttrTangent = 15,   // BINORMAL 0 or TANGENT 0: read by vertex shaders only
    kAttrCount = 16,
};
constexpr uint32_t kMaxTexCoordSets = 8;
constexpr uint32_t kFfpMaxStreams = 16;

struct FfpAttribFormat {
    uint8_t present = 0;
    uint8_t stream = 0;
    uint8_t declType = 0;  // D3DDECLTYPE
    uint8_t pad = 0;
    uint16_t offset = 0;   // bytes from the start of the vertex in its stream
};

struct FfpVertexLayout {
    FfpAttribFormat attribs[kAttrCount];
    bool pretransformed = false;  // XYZRHW / POSITIONT: no transform, no lighting
    uint32_t fvfStride = 0;       // stream-0 stride implied by an FVF (0 for declarations)

    uint32_t Mask() const
    {
        uint32_t m = 0;
        for (uint32_t i = 0; i < kAttrCount; ++i)
            if (attribs[i].present) m |= 1u << i;
        return m;
    }
    bool Has(FfpAttrib a) const { return attribs[a].present != 0; }
};

// Size in bytes of an FVF vertex (what D3DXGetFVFVertexSize returns); 0 for
// a format the stand-in cannot draw.
uint32_t FfpFvfVertexSize(DWORD fvf);

// Layout of an FVF vertex. False for formats the fixed-function path cannot
// draw here (blend weights, XYZW, no position, more than 8 coordinate sets).
bool LayoutFromFvf(DWORD fvf, FfpVertexLayout* layout);

// Layout of a declaration ending in D3DDECL_END. False when it is malformed:
// no end within MAXD3DDECLLENGTH elements, an unknown type, a stream beyond
// kFfpMaxStreams, the same usage twice, or no POSITION/POSITIONT 0. Elements the
// fixed-function pipeline does not read (blend weights ...) are accepted and
// ignored; the first binormal or tangent is kept for vertex shaders.
bool LayoutFromDeclaration(const D3DVERTEXELEMENT9* elements, FfpVertexLayout* layout);

// Bytes of one element of a declaration type; 0 for UNUSED or unknown.
uint32_t DeclTypeSize(uint32_t declType);

}  // namespace qrn::d3d9
