// Vertex declarations (from element lists and from FVF codes) and shader
// objects holding their byte code.
#include <algorithm>
#include <atomic>
#include <new>

#include "device.h"
#include "refusal.h"
#include "ffp_layout.h"
#include "resource.h"

namespace qrn::d3d9 {

UINT FvfTexCoordFloats(DWORD fvf, UINT i)
{
    switch ((fvf >> (16 + 2 * i)) & 3) {
    case D3DFVF_TEXTUREFORMAT1: return 1;
    case D3DFVF_TEXTUREFORMAT3: return 3;
    case D3DFVF_TEXTUREFORMAT4: return 4;
    default: return 2;
    }
}

namespace {

// Blend weights (floats) carried by the position part of an FVF code, or -1
// for a code without a valid position.
int BlendWeights(DWORD fvf)
{
    switch (fvf & D3DFVF_POSITION_MASK) {
    case D3DFVF_XYZ: return 0;
    case D3DFVF_XYZRHW: return 0;
    case D3DFVF_XYZW: return 0;
    case D3DFVF_XYZB1: return 1;
    case D3DFVF_XYZB2: return 2;
    case D3DFVF_XYZB3: return 3;
    case D3DFVF_XYZB4: return 4;
    case D3DFVF_XYZB5: return 5;
    default: return -1;
    }
}

bool ValidFvf(DWORD fvf)
{
    const DWORD known = D3DFVF_POSITION_MASK | D3DFVF_NORMAL | D3DFVF_PSIZE | D3DFVF_DIFFUSE |
                        D3DFVF_SPECULAR | D3DFVF_TEXCOUNT_MASK | D3DFVF_LASTBETA_UBYTE4 |
                        D3DFVF_LASTBETA_D3DCOLOR | 0xffff0000u;
    if (fvf & ~known) return false;
    if (BlendWeights(fvf) < 0) return false;
    if (((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT) > 8) return false;
    if ((fvf & D3DFVF_POSITION_MASK) == D3DFVF_XYZRHW && (fvf & D3DFVF_NORMAL)) return false;
    if ((fvf & D3DFVF_LASTBETA_UBYTE4) && (fvf & D3DFVF_LASTBETA_D3DCOLOR)) return false;
    if ((fvf & (D3DFVF_LASTBETA_UBYTE4 | D3DFVF_LASTBETA_D3DCOLOR)) && BlendWeights(fvf) == 0)
        return false;
    return true;
}

}  // namespace

UINT FvfVertexSize(DWORD fvf)
{
    if (!ValidFvf(fvf)) return 0;
    UINT size = 0;
    switch (fvf & D3DFVF_POSITION_MASK) {
    case D3DFVF_XYZRHW:
    case D3DFVF_XYZW: size = 16; break;
    default: size = 12 + 4 * static_cast<UINT>(BlendWeights(fvf)); break;
    }
    if (fvf & D3DFVF_NORMAL) size += 12;
    if (fvf & D3DFVF_PSIZE) size += 4;
    if (fvf & D3DFVF_DIFFUSE) size += 4;
    if (fvf & D3DFVF_SPECULAR) size += 4;
    const UINT sets = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    for (UINT i = 0; i < sets; ++i) size += 4 * FvfTexCoordFloats(fvf, i);
    return size;
}

VertexDeclaration* VertexDeclaration::Create(Device* device, const D3DVERTEXELEMENT9* elements,
                                             HRESULT* hr)
{
    *hr = D3DERR_INVALIDCALL;
    if (!elements) return nullptr;
    std::vector<D3DVERTEXELEMENT9> list;
    for (size_t i = 0;; ++i) {
        if (i > MAXD3DDECLLENGTH) return nullptr;  // no end marker
        const D3DVERTEXELEMENT9& e = elements[i];
        if (e.Stream == 0xFF) break;
        if (e.Stream >= kMaxStreams || e.Type >= D3DDECLTYPE_UNUSED || e.Method > MAXD3DDECLMETHOD ||
            e.Usage > MAXD3DDECLUSAGE || e.UsageIndex > MAXD3DDECLUSAGEINDEX || (e.Offset & 3))
            return nullptr;
        for (const D3DVERTEXELEMENT9& o : list) {
            if (o.Usage == e.Usage && o.UsageIndex == e.UsageIndex) return nullptr;  // twice
        }
        list.push_back(e);
    }
    auto* d = new (std::nothrow) VertexDeclaration(device);
    if (!d) {
        *hr = E_OUTOFMEMORY;
        return nullptr;
    }
    d->elements_ = std::move(list);
    *hr = D3D_OK;
    return d;
}

bool FvfElements(DWORD fvf, std::vector<D3DVERTEXELEMENT9>* elements)
{
    elements->clear();
    if (FvfVertexSize(fvf) == 0) return false;
    std::vector<D3DVERTEXELEMENT9>& list = *elements;
    WORD offset = 0;
    auto add = [&](BYTE type, BYTE usage, BYTE index) {
        list.push_back(D3DVERTEXELEMENT9{0, offset, type, D3DDECLMETHOD_DEFAULT, usage, index});
        offset = static_cast<WORD>(offset + DeclTypeSize(type));
    };
    const DWORD pos = fvf & D3DFVF_POSITION_MASK;
    if (pos == D3DFVF_XYZRHW) {
        add(D3DDECLTYPE_FLOAT4, D3DDECLUSAGE_POSITIONT, 0);
    } else if (pos == D3DFVF_XYZW) {
        add(D3DDECLTYPE_FLOAT4, D3DDECLUSAGE_POSITION, 0);
    } else {
        add(D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION, 0);
        int weights = BlendWeights(fvf);
        const bool lastBeta = (fvf & (D3DFVF_LASTBETA_UBYTE4 | D3DFVF_LASTBETA_D3DCOLOR)) != 0;
        if (lastBeta) --weights;
        if (weights > 0) add(static_cast<BYTE>(D3DDECLTYPE_FLOAT1 + weights - 1), D3DDECLUSAGE_BLENDWEIGHT, 0);
        if (lastBeta)
            add((fvf & D3DFVF_LASTBETA_UBYTE4) ? D3DDECLTYPE_UBYTE4 : D3DDECLTYPE_D3DCOLOR,
                D3DDECLUSAGE_BLENDINDICES, 0);
    }
    if (fvf & D3DFVF_NORMAL) add(D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_NORMAL, 0);
    if (fvf & D3DFVF_PSIZE) add(D3DDECLTYPE_FLOAT1, D3DDECLUSAGE_PSIZE, 0);
    if (fvf & D3DFVF_DIFFUSE) add(D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 0);
    if (fvf & D3DFVF_SPECULAR) add(D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 1);
    const UINT sets = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    for (UINT i = 0; i < sets; ++i)
        add(static_cast<BYTE>(D3DDECLTYPE_FLOAT1 + FvfTexCoordFloats(fvf, i) - 1), D3DDECLUSAGE_TEXCOORD,
            static_cast<BYTE>(i));
    return true;
}

VertexDeclaration* VertexDeclaration::FromFvf(Device* device, DWORD fvf)
{
    std::vector<D3DVERTEXELEMENT9> list;
    if (!FvfElements(fvf, &list)) return nullptr;
    auto* d = new (std::nothrow) VertexDeclaration(device);
    if (!d) return nullptr;
    d->elements_ = std::move(list);
    d->fvf_ = fvf;
    return d;
}

HRESULT VertexDeclaration::QueryInterface(REFIID riid, void** ppv)
{
    return AnswerQuery(riid, ppv, static_cast<IDirect3DVertexDeclaration9*>(this), riid == IID_IDirect3DVertexDeclaration9);
}

HRESULT VertexDeclaration::GetDeclaration(D3DVERTEXELEMENT9* out, UINT* count)
{
    if (!count) return RefuseWhy(__func__, "!count");
    const UINT n = static_cast<UINT>(elements_.size()) + 1;
    if (out) {
        std::copy(elements_.begin(), elements_.end(), out);
        out[n - 1] = D3DVERTEXELEMENT9 D3DDECL_END();
    }
    *count = n;
    return D3D_OK;
}

// ---- shaders ----------------------------------------------------------------------------------------
uint64_t NextShaderSerial()
{
    static std::atomic<uint64_t> next{1};
    return next++;
}

}  // namespace qrn::d3d9
