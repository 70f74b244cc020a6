// Creation of resources, declarations and shaders, and the surface copies.
#include <algorithm>
#include <new>

#include "device.h"
#include "refusal.h"
#include "direct3d.h"
#include "shader_bytecode.h"

namespace qrn::d3d9 {

namespace {

// The usage flags a vertex or index buffer may be made with.
constexpr DWORD kBufferUsages = D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY | D3DUSAGE_SOFTWAREPROCESSING |
                                D3DUSAGE_DONOTCLIP | D3DUSAGE_POINTS | D3DUSAGE_RTPATCHES | D3DUSAGE_NPATCHES;

bool ValidPool(D3DPOOL p) { return p >= D3DPOOL_DEFAULT && p <= D3DPOOL_SCRATCH; }

HRESULT OutOfMemory(D3DPOOL pool)
{
    return pool == D3DPOOL_SYSTEMMEM || pool == D3DPOOL_SCRATCH ? E_OUTOFMEMORY : D3DERR_OUTOFVIDEOMEMORY;
}

// Hands a newly made object to the caller with the caller's first reference;
// `hr` says why when it could not be made (null).
template <class Iface, class T>
HRESULT HandOutNew(T* object, HRESULT hr, Iface** out)
{
    if (!object) return hr;
    object->ExtAddRef();
    *out = object;
    return D3D_OK;
}

// Shader byte code is read up to its end token, at most this many DWORDs.
constexpr size_t kMaxShaderDwords = 1 << 16;

// A vertex or pixel shader (T) from byte code whose version token starts
// with `prefix` and is at most `maxVersion`.
template <class T, class Iface>
HRESULT MakeShader(Device* device, const DWORD* code, DWORD prefix, DWORD maxVersion, Iface** out)
{
    if (!out) return RefuseWhy(__func__, "!out");
    *out = nullptr;
    if (!code) return RefuseWhy(__func__, "!code");
    if ((code[0] >> 16) != prefix || code[0] > maxVersion)
        return Refuse(__func__, "version token", code[0], "this kind, at most the capabilities' version");
    // Translated once, here: code the translator cannot read is refused.
    ShaderProgram program;
    GlslShader glsl;
    std::string why;
    if (!ReadShader(code, kMaxShaderDwords, &program, &why) ||
        !TranslateShader(code, program.dwords, &glsl, &why)) {
        return RefuseWhy(__func__, why.c_str());
    }
    return HandOutNew(new (std::nothrow) T(device, std::vector<DWORD>(code, code + program.dwords), std::move(glsl)),
                      E_OUTOFMEMORY, out);
}

}  // namespace

// ---- resources --------------------------------------------------------------------------------------
HRESULT Device::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                              D3DPOOL pool, IDirect3DTexture9** out, HANDLE* shared)
{
    if (!out) return RefuseWhy(__func__, "!out");
    *out = nullptr;
    if (shared || width == 0 || height == 0 || !ValidPool(pool))
        return RefuseWhy(__func__, "shared || width == 0 || height == 0 || !ValidPool(pool)");
    if (width > caps_.MaxTextureWidth || height > caps_.MaxTextureHeight)
        return RefuseWhy(__func__, "width > caps_.MaxTextureWidth || height > caps_.MaxTextureHeight");
    const FormatInfo* f = FindFormat(format);
    if (!f) return RefuseWhy(__func__, "!f");
    const DWORD known = D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL | D3DUSAGE_DYNAMIC |
                        D3DUSAGE_AUTOGENMIPMAP;
    if (usage & ~known) return RefuseWhy(__func__, "usage & ~known");
    if ((usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL)) && pool != D3DPOOL_DEFAULT)
        return RefuseWhy(__func__, "(usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL)) && pool != D3DPOOL_DEFAULT");
    if ((usage & D3DUSAGE_DYNAMIC) && pool == D3DPOOL_MANAGED)
        return RefuseWhy(__func__, "(usage & D3DUSAGE_DYNAMIC) && pool == D3DPOOL_MANAGED");
    if (pool == D3DPOOL_SCRATCH && usage != 0) return RefuseWhy(__func__, "pool == D3DPOOL_SCRATCH && usage != 0");
    if (pool != D3DPOOL_SCRATCH &&
        FAILED(CheckFormat(D3DFMT_X8R8G8B8, usage, D3DRTYPE_TEXTURE, format)))
        return RefuseWhy(__func__, "pool != D3DPOOL_SCRATCH && FAILED(CheckFormat(D3DFMT_X8R8G8B8, usage, D3DRTYPE_TEXTURE, format))");
    if ((caps_.TextureCaps & D3DPTEXTURECAPS_POW2) &&
        ((width & (width - 1)) || (height & (height - 1))))
        return RefuseWhy(__func__, "(caps_.TextureCaps & D3DPTEXTURECAPS_POW2) && ((width & (width - 1)) || (height & (height - 1)))");
    if ((caps_.TextureCaps & D3DPTEXTURECAPS_SQUAREONLY) && width != height)
        return RefuseWhy(__func__, "(caps_.TextureCaps & D3DPTEXTURECAPS_SQUAREONLY) && width != height");
    if (!TakeAllocation()) return OutOfMemory(pool);
    HRESULT hr = D3D_OK;
    Texture* t = Texture::Create(this, width, height, levels, usage, *f, pool, &hr);
    return HandOutNew(t, hr, out);
}

HRESULT Device::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                   IDirect3DVertexBuffer9** out, HANDLE* shared)
{
    if (!out) return RefuseWhy(__func__, "!out");
    *out = nullptr;
    if (shared || length == 0 || !ValidPool(pool))
        return RefuseWhy(__func__, "shared || length == 0 || !ValidPool(pool)");
    if (usage & ~kBufferUsages) return RefuseWhy(__func__, "usage & ~kBufferUsages");
    if ((usage & D3DUSAGE_DYNAMIC) && pool == D3DPOOL_MANAGED)
        return RefuseWhy(__func__, "(usage & D3DUSAGE_DYNAMIC) && pool == D3DPOOL_MANAGED");
    if (fvf != 0) {
        const UINT size = FvfVertexSize(fvf);
        if (size == 0 || length < size) return RefuseWhy(__func__, "size == 0 || length < size");
    }
    if (!TakeAllocation()) return OutOfMemory(pool);
    HRESULT hr = D3D_OK;
    VertexBuffer* vb = VertexBuffer::Create(this, length, usage, fvf, pool, &hr);
    return HandOutNew(vb, hr, out);
}

HRESULT Device::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                  IDirect3DIndexBuffer9** out, HANDLE* shared)
{
    if (!out) return RefuseWhy(__func__, "!out");
    *out = nullptr;
    if (shared || length == 0 || !ValidPool(pool))
        return RefuseWhy(__func__, "shared || length == 0 || !ValidPool(pool)");
    if (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32)
        return RefuseWhy(__func__, "format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32");
    if (usage & ~kBufferUsages) return RefuseWhy(__func__, "usage & ~kBufferUsages");
    if ((usage & D3DUSAGE_DYNAMIC) && pool == D3DPOOL_MANAGED)
        return RefuseWhy(__func__, "(usage & D3DUSAGE_DYNAMIC) && pool == D3DPOOL_MANAGED");
    if (!TakeAllocation()) return OutOfMemory(pool);
    HRESULT hr = D3D_OK;
    IndexBuffer* ib = IndexBuffer::Create(this, length, usage, format, pool, &hr);
    return HandOutNew(ib, hr, out);
}

HRESULT Device::CreateRenderTarget(UINT width, UINT height, D3DFORMAT format,
                                   D3DMULTISAMPLE_TYPE ms, DWORD, BOOL lockable,
                                   IDirect3DSurface9** out, HANDLE* shared)
{
    if (!out) return RefuseWhy(__func__, "!out");
    *out = nullptr;
    if (shared || width == 0 || height == 0) return RefuseWhy(__func__, "shared || width == 0 || height == 0");
    if (width > caps_.MaxTextureWidth || height > caps_.MaxTextureHeight)
        return RefuseWhy(__func__, "width > caps_.MaxTextureWidth || height > caps_.MaxTextureHeight");
    if (ms != D3DMULTISAMPLE_NONE) return D3DERR_NOTAVAILABLE;
    if (FAILED(CheckFormat(D3DFMT_X8R8G8B8, D3DUSAGE_RENDERTARGET, D3DRTYPE_SURFACE, format)))
        return RefuseWhy(__func__, "FAILED(CheckFormat(D3DFMT_X8R8G8B8, D3DUSAGE_RENDERTARGET, D3DRTYPE_SURFACE, format))");
    if (!TakeAllocation()) return D3DERR_OUTOFVIDEOMEMORY;
    HRESULT hr = D3D_OK;
    Surface* s = Surface::Create(this, Surface::Kind::RenderTarget, width, height, *FindFormat(format),
                                 D3DPOOL_DEFAULT, D3DUSAGE_RENDERTARGET, lockable != FALSE, false, &hr);
    return HandOutNew(s, hr, out);
}

HRESULT Device::CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format,
                                          D3DMULTISAMPLE_TYPE ms, DWORD, BOOL,
                                          IDirect3DSurface9** out, HANDLE* shared)
{
    if (!out) return RefuseWhy(__func__, "!out");
    *out = nullptr;
    if (shared || width == 0 || height == 0) return RefuseWhy(__func__, "shared || width == 0 || height == 0");
    if (width > caps_.MaxTextureWidth || height > caps_.MaxTextureHeight)
        return RefuseWhy(__func__, "width > caps_.MaxTextureWidth || height > caps_.MaxTextureHeight");
    if (ms != D3DMULTISAMPLE_NONE) return D3DERR_NOTAVAILABLE;
    if (FAILED(CheckFormat(D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, format)))
        return RefuseWhy(__func__, "FAILED(CheckFormat(D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, format))");
    if (!TakeAllocation()) return D3DERR_OUTOFVIDEOMEMORY;
    HRESULT hr = D3D_OK;
    Surface* s = Surface::Create(this, Surface::Kind::DepthStencil, width, height, *FindFormat(format),
                                 D3DPOOL_DEFAULT, D3DUSAGE_DEPTHSTENCIL, false, false, &hr);
    return HandOutNew(s, hr, out);
}

HRESULT Device::CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                            IDirect3DSurface9** out, HANDLE* shared)
{
    if (!out) return RefuseWhy(__func__, "!out");
    *out = nullptr;
    if (shared || width == 0 || height == 0) return RefuseWhy(__func__, "shared || width == 0 || height == 0");
    if (pool != D3DPOOL_DEFAULT && pool != D3DPOOL_SYSTEMMEM && pool != D3DPOOL_SCRATCH)
        return RefuseWhy(__func__, "pool != D3DPOOL_DEFAULT && pool != D3DPOOL_SYSTEMMEM && pool != D3DPOOL_SCRATCH");
    const FormatInfo* f = FindFormat(format);
    if (!f || f->depth) return RefuseWhy(__func__, "!f || f->depth");
    if (pool == D3DPOOL_DEFAULT &&
        (width > caps_.MaxTextureWidth || height > caps_.MaxTextureHeight))
        return RefuseWhy(__func__, "pool == D3DPOOL_DEFAULT && (width > caps_.MaxTextureWidth || height > caps_.MaxTextureHeight)");
    if (!TakeAllocation()) return OutOfMemory(pool);
    HRESULT hr = D3D_OK;
    // Off-screen plain surfaces may always be locked.
    Surface* s = Surface::Create(this, Surface::Kind::OffscreenPlain, width, height, *f, pool, 0, true,
                                 false, &hr);
    return HandOutNew(s, hr, out);
}

HRESULT Device::CreateVertexDeclaration(CONST D3DVERTEXELEMENT9* elements,
                                        IDirect3DVertexDeclaration9** out)
{
    if (!out) return RefuseWhy(__func__, "!out");
    *out = nullptr;
    HRESULT hr = D3D_OK;
    VertexDeclaration* d = VertexDeclaration::Create(this, elements, &hr);
    return HandOutNew(d, hr, out);
}

HRESULT Device::CreateVertexShader(CONST DWORD* code, IDirect3DVertexShader9** out)
{
    return MakeShader<VertexShader>(this, code, 0xFFFE, caps_.VertexShaderVersion, out);
}

HRESULT Device::CreatePixelShader(CONST DWORD* code, IDirect3DPixelShader9** out)
{
    return MakeShader<PixelShader>(this, code, 0xFFFF, caps_.PixelShaderVersion, out);
}

// ---- surface copies ----------------------------------------------------------------------------------
HRESULT Device::UpdateSurface(IDirect3DSurface9* srcSurface, CONST RECT* srcRect,
                              IDirect3DSurface9* dstSurface, CONST POINT* dstPoint)
{
    auto* src = static_cast<Surface*>(srcSurface);
    auto* dst = static_cast<Surface*>(dstSurface);
    if (!src || !dst || src == dst || Foreign(src, this) || Foreign(dst, this))
        return RefuseWhy(__func__, "!src || !dst || src == dst || Foreign(src, this) || Foreign(dst, this)");
    if (src->Pool() != D3DPOOL_SYSTEMMEM || dst->Pool() != D3DPOOL_DEFAULT)
        return RefuseWhy(__func__, "src->Pool() != D3DPOOL_SYSTEMMEM || dst->Pool() != D3DPOOL_DEFAULT");
    if (src->Format() != dst->Format() || src->IsDepth() || dst->IsDepth())
        return RefuseWhy(__func__, "src->Format() != dst->Format() || src->IsDepth() || dst->IsDepth()");
    if (src->IsLocked() || dst->IsLocked()) return RefuseWhy(__func__, "src->IsLocked() || dst->IsLocked()");
    const RECT r = srcRect ? *srcRect : src->Whole();
    if (!RectInside(r, src->Width(), src->Height()))
        return RefuseWhy(__func__, "!RectInside(r, src->Width(), src->Height())");
    const POINT p = dstPoint ? *dstPoint : POINT{0, 0};
    // Checked before it is added to, so the sums below stay in range.
    if (p.x < 0 || p.y < 0 || static_cast<UINT>(p.x) > dst->Width() || static_cast<UINT>(p.y) > dst->Height())
        return RefuseWhy(__func__, "p.x < 0 || p.y < 0 || static_cast<UINT>(p.x) > dst->Width() || static_cast<UINT>(p.y) > dst->Height()");
    const RECT to{p.x, p.y, p.x + (r.right - r.left), p.y + (r.bottom - r.top)};
    if (!RectInside(to, dst->Width(), dst->Height()))
        return RefuseWhy(__func__, "!RectInside(to, dst->Width(), dst->Height())");
    const uint8_t* first = src->Cpu() + static_cast<size_t>(r.top) * src->Pitch() +
                           static_cast<size_t>(r.left) * src->Info().bytesPerPixel;
    dst->UploadRect(to, first, src->Pitch());
    if (dst->ContainerTexture()) dst->ContainerTexture()->LevelWritten(static_cast<UINT>(dst->GlLevel()));
    return D3D_OK;
}

HRESULT Device::UpdateTexture(IDirect3DBaseTexture9* srcTexture, IDirect3DBaseTexture9* dstTexture)
{
    auto* src = static_cast<Texture*>(srcTexture);
    auto* dst = static_cast<Texture*>(dstTexture);
    if (!src || !dst || src == dst || Foreign(src, this) || Foreign(dst, this))
        return RefuseWhy(__func__, "!src || !dst || src == dst || Foreign(src, this) || Foreign(dst, this)");
    if (src->Pool() != D3DPOOL_SYSTEMMEM || dst->Pool() != D3DPOOL_DEFAULT)
        return RefuseWhy(__func__, "src->Pool() != D3DPOOL_SYSTEMMEM || dst->Pool() != D3DPOOL_DEFAULT");
    if (src->Info().format != dst->Info().format || src->Levels() < dst->Levels())
        return RefuseWhy(__func__, "src->Info().format != dst->Info().format || src->Levels() < dst->Levels()");
    // The destination's top level matches some level of the source.
    UINT first = 0;
    while (first < src->Levels() && src->Level(first)->Width() > dst->Width()) ++first;
    if (first >= src->Levels() || src->Level(first)->Width() != dst->Width() ||
        src->Level(first)->Height() != dst->Height() || src->Levels() - first < dst->Levels())
        return RefuseWhy(__func__, "first >= src->Levels() || src->Level(first)->Width() != dst->Width() || src->Level(first)->Height() != dst->Height() || src->Levels() - first < dst->Levels()");
    for (UINT i = 0; i < dst->Levels(); ++i) {
        Surface* s = src->Level(first + i);
        Surface* d = dst->Level(i);
        d->UploadRect(d->Whole(), s->Cpu(), s->Pitch());
    }
    dst->LevelWritten(0);
    return D3D_OK;
}

HRESULT Device::GetRenderTargetData(IDirect3DSurface9* rtSurface, IDirect3DSurface9* dstSurface)
{
    auto* rt = static_cast<Surface*>(rtSurface);
    auto* dst = static_cast<Surface*>(dstSurface);
    if (!rt || !dst || rt == dst || Foreign(rt, this) || Foreign(dst, this))
        return RefuseWhy(__func__, "!rt || !dst || rt == dst || Foreign(rt, this) || Foreign(dst, this)");
    if (rt->Pool() != D3DPOOL_DEFAULT || !rt->IsRenderTarget() || rt->IsDepth())
        return RefuseWhy(__func__, "rt->Pool() != D3DPOOL_DEFAULT || !rt->IsRenderTarget() || rt->IsDepth()");
    if (dst->Pool() != D3DPOOL_SYSTEMMEM || dst->Format() != rt->Format() ||
        dst->Width() != rt->Width() || dst->Height() != rt->Height() || dst->IsLocked())
        return RefuseWhy(__func__, "dst->Pool() != D3DPOOL_SYSTEMMEM || dst->Format() != rt->Format() || dst->Width() != rt->Width() || dst->Height() != rt->Height() || dst->IsLocked()");
    return rt->Download(dst->Cpu()) ? D3D_OK : RefuseWhy(__func__, "the render target could not be read back");
}

HRESULT Device::GetFrontBufferData(UINT, IDirect3DSurface9*) { return D3DERR_NOTAVAILABLE; }

HRESULT Device::StretchRect(IDirect3DSurface9* srcSurface, CONST RECT* srcRect,
                            IDirect3DSurface9* dstSurface, CONST RECT* dstRect,
                            D3DTEXTUREFILTERTYPE filter)
{
    auto* src = static_cast<Surface*>(srcSurface);
    auto* dst = static_cast<Surface*>(dstSurface);
    if (!src || !dst || src == dst || Foreign(src, this) || Foreign(dst, this))
        return RefuseWhy(__func__, "!src || !dst || src == dst || Foreign(src, this) || Foreign(dst, this)");
    if (src->Pool() != D3DPOOL_DEFAULT || dst->Pool() != D3DPOOL_DEFAULT)
        return RefuseWhy(__func__, "src->Pool() != D3DPOOL_DEFAULT || dst->Pool() != D3DPOOL_DEFAULT");
    if (filter != D3DTEXF_NONE && filter != D3DTEXF_POINT && filter != D3DTEXF_LINEAR)
        return RefuseWhy(__func__, "filter != D3DTEXF_NONE && filter != D3DTEXF_POINT && filter != D3DTEXF_LINEAR");
    if (src->IsLocked() || dst->IsLocked()) return RefuseWhy(__func__, "src->IsLocked() || dst->IsLocked()");
    const RECT from = srcRect ? *srcRect : src->Whole();
    const RECT to = dstRect ? *dstRect : dst->Whole();
    if (!RectInside(from, src->Width(), src->Height()) || !RectInside(to, dst->Width(), dst->Height()))
        return RefuseWhy(__func__, "!RectInside(from, src->Width(), src->Height()) || !RectInside(to, dst->Width(), dst->Height())");
    const bool stretch = (from.right - from.left) != (to.right - to.left) ||
                         (from.bottom - from.top) != (to.bottom - to.top);
    const bool depth = src->IsDepth() || dst->IsDepth();
    if (depth) {
        // Depth-stencil copies: whole surfaces of one format and size, outside a scene.
        if (!src->IsDepth() || !dst->IsDepth() || srcRect || dstRect || stretch ||
            src->Format() != dst->Format() || state_.inScene)
            return RefuseWhy(__func__, "!src->IsDepth() || !dst->IsDepth() || srcRect || dstRect || stretch || src->Format() != dst->Format() || state_.inScene");
        filter = D3DTEXF_POINT;
    } else {
        // Plain textures are never a destination; off-screen plain surfaces
        // only take unscaled copies of their own kind.
        const bool dstRt = dst->IsRenderTarget();
        const bool plainToPlain = dst->GetKind() == Surface::Kind::OffscreenPlain &&
                                  src->GetKind() == Surface::Kind::OffscreenPlain && !stretch;
        if (!dstRt && !plainToPlain) return RefuseWhy(__func__, "!dstRt && !plainToPlain");
    }
    gl_.Blit(src->Fbo(), dst->Fbo(), from, to, depth, depth && src->Info().stencil, filter == D3DTEXF_LINEAR);
    if (dst->ContainerTexture()) dst->ContainerTexture()->LevelWritten(static_cast<UINT>(dst->GlLevel()));
    return D3D_OK;
}

HRESULT Device::ColorFill(IDirect3DSurface9* surface, CONST RECT* rect, D3DCOLOR color)
{
    auto* s = static_cast<Surface*>(surface);
    if (!s || Foreign(s, this) || s->Pool() != D3DPOOL_DEFAULT || s->IsDepth() || s->IsLocked())
        return RefuseWhy(__func__, "!s || Foreign(s, this) || s->Pool() != D3DPOOL_DEFAULT || s->IsDepth() || s->IsLocked()");
    if (!s->IsRenderTarget() && s->GetKind() != Surface::Kind::OffscreenPlain)
        return RefuseWhy(__func__, "!s->IsRenderTarget() && s->GetKind() != Surface::Kind::OffscreenPlain");
    const RECT r = rect ? *rect : s->Whole();
    if (!RectInside(r, s->Width(), s->Height()))
        return RefuseWhy(__func__, "!RectInside(r, s->Width(), s->Height())");
    gl_.FillColor(s->Fbo(), r, color);
    return D3D_OK;
}

}  // namespace qrn::d3d9
