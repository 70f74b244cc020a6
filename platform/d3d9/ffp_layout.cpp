// FVF and vertex-declaration parsing into FfpVertexLayout (see ffp_layout.h).
// FVF memory order is ascending flag order with no padding: position,
// normal, point size, diffuse, specular, then the coordinate sets.
#include "ffp_layout.h"

#include "resource.h"

namespace qrn::d3d9 {

uint32_t DeclTypeSize(uint32_t t)
{
    // One row per D3DDECLTYPE value.
    static constexpr uint8_t kSize[] = {
        4,   // FLOAT1
        8,   // FLOAT2
        12,  // FLOAT3
        16,  // FLOAT4
        4,   // D3DCOLOR
        4,   // UBYTE4
        4,   // SHORT2
        8,   // SHORT4
        4,   // UBYTE4N
        4,   // SHORT2N
        8,   // SHORT4N
        4,   // USHORT2N
        8,   // USHORT4N
        4,   // UDEC3
        4,   // DEC3N
        4,   // FLOAT16_2
        8,   // FLOAT16_4
    };
    static_assert(sizeof kSize == D3DDECLTYPE_UNUSED, "one row per declaration type");
    return t < sizeof kSize ? kSize[t] : 0;
}

namespace {

void Put(FfpVertexLayout* l, FfpAttrib a, uint32_t stream, uint32_t offset, uint32_t type)
{
    FfpAttribFormat& f = l->attribs[a];
    f.present = 1;
    f.stream = (uint8_t)stream;
    f.offset = (uint16_t)offset;
    f.declType = (uint8_t)type;
}

}  // namespace

bool LayoutFromFvf(DWORD fvf, FfpVertexLayout* layout)
{
    FfpVertexLayout l;
    uint32_t at = 0;
    switch (fvf & D3DFVF_POSITION_MASK) {
    case D3DFVF_XYZ:
        Put(&l, kAttrPosition, 0, at, D3DDECLTYPE_FLOAT3);
        at += 12;
        break;
    case D3DFVF_XYZRHW:
        Put(&l, kAttrPosition, 0, at, D3DDECLTYPE_FLOAT4);
        l.pretransformed = true;
        at += 16;
        break;
    default: return false;  // no position, blend weights or XYZW
    }
    if (fvf & D3DFVF_NORMAL) {
        if (l.pretransformed) return false;
        Put(&l, kAttrNormal, 0, at, D3DDECLTYPE_FLOAT3);
        at += 12;
    }
    if (fvf & D3DFVF_PSIZE) {
        Put(&l, kAttrPSize, 0, at, D3DDECLTYPE_FLOAT1);
        at += 4;
    }
    if (fvf & D3DFVF_DIFFUSE) {
        Put(&l, kAttrColor0, 0, at, D3DDECLTYPE_D3DCOLOR);
        at += 4;
    }
    if (fvf & D3DFVF_SPECULAR) {
        Put(&l, kAttrColor1, 0, at, D3DDECLTYPE_D3DCOLOR);
        at += 4;
    }
    const uint32_t sets = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    if (sets > kMaxTexCoordSets) return false;
    for (uint32_t i = 0; i < sets; ++i) {
        const uint32_t floats = FvfTexCoordFloats(fvf, i);
        Put(&l, FfpAttrib(kAttrTex0 + i), 0, at, D3DDECLTYPE_FLOAT1 + floats - 1);
        at += 4 * floats;
    }
    l.fvfStride = at;
    *layout = l;
    return true;
}

uint32_t FfpFvfVertexSize(DWORD fvf)
{
    FfpVertexLayout l;
    return LayoutFromFvf(fvf, &l) ? l.fvfStride : 0;
}

bool LayoutFromDeclaration(const D3DVERTEXELEMENT9* e, FfpVertexLayout* layout)
{
    if (!e || !layout) return false;
    FfpVertexLayout l;
    for (uint32_t i = 0;; ++i) {
        if (i > MAXD3DDECLLENGTH) return false;
        const D3DVERTEXELEMENT9& el = e[i];
        if (el.Stream == 0xFF) break;  // D3DDECL_END
        if (el.Stream >= kFfpMaxStreams || DeclTypeSize(el.Type) == 0) return false;
        int attrib = -1;
        switch (el.Usage) {
        case D3DDECLUSAGE_POSITION:
            attrib = el.UsageIndex == 0 ? int(kAttrPosition) : el.UsageIndex == 1 ? int(kAttrPosition1) : -1;
            break;
        case D3DDECLUSAGE_POSITIONT:
            if (el.UsageIndex == 0) {
                attrib = kAttrPosition;
                l.pretransformed = true;
            }
            break;
        case D3DDECLUSAGE_NORMAL:
            attrib = el.UsageIndex == 0 ? int(kAttrNormal) : el.UsageIndex == 1 ? int(kAttrNormal1) : -1;
            break;
        case D3DDECLUSAGE_PSIZE: attrib = el.UsageIndex == 0 ? int(kAttrPSize) : -1; break;
        case D3DDECLUSAGE_COLOR: attrib = el.UsageIndex < 2 ? int(kAttrColor0 + el.UsageIndex) : -1; break;
        case D3DDECLUSAGE_TEXCOORD:
            attrib = el.UsageIndex < kMaxTexCoordSets ? int(kAttrTex0 + el.UsageIndex) : -1;
            break;
        case D3DDECLUSAGE_BINORMAL:
        case D3DDECLUSAGE_TANGENT:
            // One location for either; a second one is left to the stream.
            attrib = el.UsageIndex == 0 && !l.attribs[kAttrTangent].present ? int(kAttrTangent) : -1;
            break;
        default: break;
        }
        if (attrib < 0) continue;
        if (l.attribs[attrib].present) return false;
        Put(&l, FfpAttrib(attrib), el.Stream, el.Offset, el.Type);
    }
    if (!l.Has(kAttrPosition)) return false;
    *layout = l;
    return true;
}

}  // namespace qrn::d3d9
