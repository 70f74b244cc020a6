// Surfaces: stand-alone ones (back buffers, render targets, depth-stencil,
// off-screen plain) and the levels of textures.
#include <algorithm>
#include <cstring>
#include <new>

#include "device.h"
#include "resource.h"

namespace qrn::d3d9 {

namespace {

// Largest surface the stand-in allocates (1 GiB of pixels).
constexpr uint64_t kMaxSurfaceBytes = 1ull << 30;

}  // namespace

// Makes GL storage of one texture with `levels` levels; 0 on failure (GL out
// of memory).
GLuint MakeGlTexture(Device* device, const FormatInfo& f, UINT w, UINT h, UINT levels)
{
    if (!Device::TakeGlStorage()) return 0;
    device->MakeCurrent();
    while (glGetError() != GL_NO_ERROR) {
    }
    GLuint tex = 0;
    glCreateTextures(GL_TEXTURE_2D, 1, &tex);
    glTextureStorage2D(tex, static_cast<GLsizei>(levels), f.internal, static_cast<GLsizei>(w),
                       static_cast<GLsizei>(h));
    if (glGetError() != GL_NO_ERROR) {
        glDeleteTextures(1, &tex);
        return 0;
    }
    glTextureParameteri(tex, GL_TEXTURE_BASE_LEVEL, 0);
    glTextureParameteri(tex, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(levels) - 1);
    glTextureParameteri(tex, GL_TEXTURE_MIN_FILTER, levels > 1 ? GL_NEAREST_MIPMAP_NEAREST : GL_NEAREST);
    glTextureParameteri(tex, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    if (!f.depth) ApplySwizzle(tex, f);
    return tex;
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
                 UINT height, const FormatInfo& format, D3DPOOL pool, DWORD usage, GLuint glTexture,
                 GLint level)
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
        s->glTexture_ = MakeGlTexture(device, format, width, height, 1);
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
    if (!fbo_ && !(ownsGl_ && glTexture_)) return;
    device_->MakeCurrent();
    if (fbo_) {
        device_->Gl().ForgetFramebuffer(fbo_);
        glDeleteFramebuffers(1, &fbo_);
        fbo_ = 0;
    }
    if (ownsGl_ && glTexture_) {
        device_->ForgetGlTexture(glTexture_);
        glDeleteTextures(1, &glTexture_);
        glTexture_ = 0;
    }
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
    if (!out) return D3DERR_INVALIDCALL;
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
    if (!d) return D3DERR_INVALIDCALL;
    *d = D3DSURFACE_DESC{format_->format, D3DRTYPE_SURFACE, usage_, pool_, D3DMULTISAMPLE_NONE, 0,
                         width_, height_};
    return D3D_OK;
}

// ---- locking ------------------------------------------------------------------------------------
HRESULT Surface::LockRect(D3DLOCKED_RECT* out, CONST RECT* rect, DWORD flags)
{
    if (!out) return D3DERR_INVALIDCALL;
    if (locked_ || !lockable_ || format_->depth) return D3DERR_INVALIDCALL;
    RECT r = Whole();
    if (rect) {
        if (!RectInside(*rect, width_, height_)) return D3DERR_INVALIDCALL;
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
    if (!locked_) return D3DERR_INVALIDCALL;
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

// ---- GL transfers -----------------------------------------------------------------------------------
void Surface::UploadRect(const RECT& r, const uint8_t* src, UINT srcPitch)
{
    if (!glTexture_ || format_->depth) return;
    device_->MakeCurrent();
    GlCache& gl = device_->Gl();
    gl.BindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
    // The row length stays set for the next upload (most have the same pitch).
    gl.PixelStore(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(srcPitch / format_->bytesPerPixel));
    glTextureSubImage2D(glTexture_, level_, r.left, r.top, r.right - r.left, r.bottom - r.top,
                        format_->glFormat, format_->glType, src);
    gl.CountUpload(static_cast<uint64_t>(r.bottom - r.top) * static_cast<uint64_t>(r.right - r.left) *
                   format_->bytesPerPixel);
}

bool Surface::Download(uint8_t* dst)
{
    if (!glTexture_ || format_->depth) return false;
    device_->MakeCurrent();
    GlCache& gl = device_->Gl();
    gl.BindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    const GLsizei size = static_cast<GLsizei>(Pitch() * height_);
    glGetTextureImage(glTexture_, level_, format_->glFormat, format_->glType, size, dst);
    gl.CountReadback();
    return true;
}

GLuint Surface::Fbo()
{
    if (fbo_ || !glTexture_) return fbo_;
    device_->MakeCurrent();
    glCreateFramebuffers(1, &fbo_);
    if (format_->depth) {
        glNamedFramebufferTexture(fbo_, format_->stencil ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT,
                                  glTexture_, level_);
        glNamedFramebufferDrawBuffer(fbo_, GL_NONE);
        glNamedFramebufferReadBuffer(fbo_, GL_NONE);
    } else {
        glNamedFramebufferTexture(fbo_, GL_COLOR_ATTACHMENT0, glTexture_, level_);
        glNamedFramebufferDrawBuffer(fbo_, GL_COLOR_ATTACHMENT0);
        glNamedFramebufferReadBuffer(fbo_, GL_COLOR_ATTACHMENT0);
    }
    return fbo_;
}

}  // namespace qrn::d3d9
