// Surfaces: stand-alone ones (back buffers, render targets, depth-stencil,
// off-screen plain) and the levels of textures.
#include <algorithm>
#include <cstring>
#include <new>

#include "device.h"
#include "refusal.h"
#include "resource.h"

namespace qrn::d3d9 {

namespace {

// Largest surface the stand-in allocates (1 GiB of pixels).
constexpr uint64_t kMaxSurfaceBytes = 1ull << 30;

const char* KindLabel(Surface::Kind kind)
{
    switch (kind) {
    case Surface::Kind::BackBuffer: return "back buffer";
    case Surface::Kind::RenderTarget: return "render target";
    case Surface::Kind::DepthStencil: return "depth-stencil surface";
    case Surface::Kind::OffscreenPlain: return "off-screen plain surface";
    default: return "texture level";
    }
}

}  // namespace

// GL storage of one texture with `levels` levels; 0 on failure (GL out of
// memory, real or injected).
GlName MakeGlTexture(Device* device, const FormatInfo& f, UINT w, UINT h, UINT levels, const char* label)
{
    if (!Device::TakeGlStorage()) return 0;
    return device->Backend().CreateTexture(f, w, h, levels, label);
}

Surface::Surface(Device* device, Kind kind, UINT width, UINT height, const FormatInfo& format,
                 D3DPOOL pool, DWORD usage, bool lockable, bool owned)
    : DeviceChild(device, owned),
      kind_(kind),
      width_(width),
      height_(height),
      format_(&format),
      pool_(pool),
      usage_(usage),
      lockable_(lockable)
{
}

Surface::Surface(Device* device, IUnknown* container, Texture* texture, Kind kind, UINT width,
                 UINT height, const FormatInfo& format, D3DPOOL pool, DWORD usage, GlName glTexture,
                 int level)
    : Surface(device, kind, width, height, format, pool, usage,
              pool != D3DPOOL_DEFAULT || (usage & D3DUSAGE_DYNAMIC), true)
{
    container_ = container;
    texture_ = texture;
    glTexture_ = glTexture;
    level_ = level;
    if (pool == D3DPOOL_SYSTEMMEM || pool == D3DPOOL_SCRATCH || pool == D3DPOOL_MANAGED)
        EnsureCpuCopy();
}

Surface* Surface::Create(Device* device, Kind kind, UINT width, UINT height, const FormatInfo& format,
                         D3DPOOL pool, DWORD usage, bool lockable, bool ownedByDevice, HRESULT* hr)
{
    const uint64_t bytes = static_cast<uint64_t>(width) * height * format.bytesPerPixel;
    if (width == 0 || height == 0 || bytes > kMaxSurfaceBytes) {
        *hr = width == 0 || height == 0 ? D3DERR_INVALIDCALL : D3DERR_OUTOFVIDEOMEMORY;
        return nullptr;
    }
    Surface* s = nullptr;
    try {
        s = new Surface(device, kind, width, height, format, pool, usage, lockable, ownedByDevice);
        if (pool == D3DPOOL_SYSTEMMEM || pool == D3DPOOL_SCRATCH) s->EnsureCpuCopy();
    } catch (const std::bad_alloc&) {
        delete s;
        *hr = E_OUTOFMEMORY;
        return nullptr;
    }
    if (pool == D3DPOOL_DEFAULT) {
        s->glTexture_ = MakeGlTexture(device, format, width, height, 1, KindLabel(kind));
        if (!s->glTexture_) {
            delete s;
            *hr = D3DERR_OUTOFVIDEOMEMORY;
            return nullptr;
        }
        s->ownsGl_ = true;
        if (!ownedByDevice && kind != Kind::BackBuffer) device->DefaultPoolCreated();
    }
    *hr = D3D_OK;
    return s;
}

Surface::~Surface()
{
    DropGl();
    if (ownsGl_ && pool_ == D3DPOOL_DEFAULT && !OwnedByDevice() && kind_ != Kind::BackBuffer)
        device_->DefaultPoolDestroyed();
}

void Surface::DropGl()
{
    GlBackend& gl = device_->Backend();
    gl.DestroyFramebuffer(&fbo_);
    if (ownsGl_) gl.DestroyTexture(&glTexture_);
}

void Surface::EnsureCpuCopy()
{
    if (cpu_.empty()) cpu_.assign(static_cast<size_t>(Pitch()) * height_, 0);
}

// ---- IUnknown and resource ------------------------------------------------------------------------
HRESULT Surface::QueryInterface(REFIID riid, void** ppv)
{
    return AnswerQuery(riid, ppv, static_cast<IDirect3DSurface9*>(this), riid == IID_IDirect3DSurface9 || riid == IID_IDirect3DResource9);
}

ULONG Surface::AddRef() { return container_ ? container_->AddRef() : ExtAddRef(); }

ULONG Surface::Release() { return container_ ? container_->Release() : ExtRelease(); }

DeviceChild* Surface::Holder()
{
    if (texture_) return texture_;
    if (container_) return static_cast<SwapChain*>(container_);
    return this;
}

DWORD Surface::SetPriority(DWORD p)
{
    const DWORD old = priority_;
    priority_ = p;
    return old;
}

DWORD Surface::GetPriority() { return priority_; }

HRESULT Surface::GetContainer(REFIID riid, void** out)
{
    if (!out) return RefuseWhy(__func__, "!out");
    *out = nullptr;
    if (texture_ && (riid == IID_IDirect3DTexture9 || riid == IID_IDirect3DBaseTexture9 ||
                     riid == IID_IDirect3DResource9)) {
        texture_->AddRef();
        *out = static_cast<IDirect3DTexture9*>(texture_);
        return D3D_OK;
    }
    if (container_ && !texture_ && riid == IID_IDirect3DSwapChain9) {
        container_->AddRef();
        *out = static_cast<IDirect3DSwapChain9*>(static_cast<SwapChain*>(container_));
        return D3D_OK;
    }
    if (!container_ && riid == IID_IDirect3DDevice9) {
        device_->AddRef();
        *out = static_cast<IDirect3DDevice9*>(device_);
        return D3D_OK;
    }
    return E_NOINTERFACE;
}

HRESULT Surface::GetDesc(D3DSURFACE_DESC* d)
{
    if (!d) return RefuseWhy(__func__, "!d");
    *d = D3DSURFACE_DESC{format_->format, D3DRTYPE_SURFACE, usage_, pool_, D3DMULTISAMPLE_NONE, 0,
                         width_, height_};
    return D3D_OK;
}

// ---- locking ------------------------------------------------------------------------------------
HRESULT Surface::LockRect(D3DLOCKED_RECT* out, CONST RECT* rect, DWORD flags)
{
    if (!out) return RefuseWhy(__func__, "!out");
    if (locked_ || !lockable_ || format_->depth)
        return RefuseWhy(__func__, "locked_ || !lockable_ || format_->depth");
    RECT r = Whole();
    if (rect) {
        if (!RectInside(*rect, width_, height_)) return RefuseWhy(__func__, "!RectInside(*rect, width_, height_)");
        r = *rect;
    }
    uint8_t* base = nullptr;
    if (!cpu_.empty()) {
        base = cpu_.data();
    } else {
        // Kept from one lock to the next: a dynamic texture is typically
        // locked every frame. Its contents are filled below, or undefined
        // after a discarding lock.
        try {
            lockBuffer_.resize(static_cast<size_t>(Pitch()) * height_);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
        if (!(flags & D3DLOCK_DISCARD)) Download(lockBuffer_.data());
        base = lockBuffer_.data();
    }
    locked_ = true;
    lockReadOnly_ = (flags & D3DLOCK_READONLY) != 0;
    lockRect_ = r;
    out->Pitch = static_cast<INT>(Pitch());
    out->pBits = base + static_cast<size_t>(r.top) * Pitch() +
                 static_cast<size_t>(r.left) * format_->bytesPerPixel;
    return D3D_OK;
}

HRESULT Surface::UnlockRect()
{
    if (!locked_) return RefuseWhy(__func__, "!locked_");
    locked_ = false;
    if (!lockReadOnly_ && glTexture_) {
        const uint8_t* base = cpu_.empty() ? lockBuffer_.data() : cpu_.data();
        const uint8_t* first = base + static_cast<size_t>(lockRect_.top) * Pitch() +
                               static_cast<size_t>(lockRect_.left) * format_->bytesPerPixel;
        UploadRect(lockRect_, first, Pitch());
        if (texture_) texture_->LevelWritten(static_cast<UINT>(level_));
    }
    return D3D_OK;
}

// ---- transfers ----------------------------------------------------------------------------------
void Surface::UploadRect(const RECT& r, const uint8_t* src, UINT srcPitch)
{
    if (!glTexture_ || format_->depth) return;
    device_->Backend().UploadRect(glTexture_, level_, *format_, r, src, srcPitch);
}

bool Surface::Download(uint8_t* dst)
{
    if (!glTexture_ || format_->depth) return false;
    device_->Backend().ReadLevel(glTexture_, level_, *format_, static_cast<size_t>(Pitch()) * height_, dst);
    return true;
}

GlName Surface::Fbo()
{
    if (fbo_ || !glTexture_) return fbo_;
    fbo_ = device_->Backend().CreateSurfaceFramebuffer(glTexture_, level_, format_->depth, format_->stencil);
    return fbo_;
}

}  // namespace qrn::d3d9
