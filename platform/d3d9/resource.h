// The objects a device hands out: surfaces, textures, vertex and index
// buffers, vertex declarations, shaders and swap chains. Each implements its
// Direct3D 9 interface and exposes what the device and the draw path need of
// its OpenGL side.
//
// Storage by pool:
//   DEFAULT    GL only; a CPU copy exists only while locked (dynamic textures,
//              lockable render targets) and is read back from GL.
//   MANAGED    GL plus a CPU copy that survives everything; Unlock uploads.
//   SYSTEMMEM, SCRATCH   CPU only for surfaces and textures (sources of
//              UpdateSurface / UpdateTexture); buffers also get GL storage,
//              since the device may draw from them.
#pragma once

#include <algorithm>
#include <memory>
#include <type_traits>
#include <vector>

#include "format.h"
#include "fvf.h"
#include "gl_backend.h"
#include "refusal.h"
#include "object.h"
#include "shader_glsl.h"

namespace qrn::d3d9 {

class Texture;
class SwapChain;

// Whether r is a non-empty rectangle inside a w x h surface.
inline bool RectInside(const RECT& r, UINT w, UINT h)
{
    return r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom &&
           static_cast<UINT>(r.right) <= w && static_cast<UINT>(r.bottom) <= h;
}

// The overlap of a and b; false when they do not overlap.
inline bool IntersectRects(const RECT& a, const RECT& b, RECT* out)
{
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
           std::min(a.bottom, b.bottom)};
    if (r.right <= r.left || r.bottom <= r.top) return false;
    *out = r;
    return true;
}

// ---- surfaces ------------------------------------------------------------------------
class Surface final : public IDirect3DSurface9, public DeviceChild {
public:
    enum class Kind { TextureLevel, BackBuffer, RenderTarget, DepthStencil, OffscreenPlain };

    // A stand-alone surface (render target, depth-stencil, off-screen plain,
    // back buffer). Null with *hr set on failure (GL out of memory, bad size).
    static Surface* Create(Device* device, Kind kind, UINT width, UINT height,
                           const FormatInfo& format, D3DPOOL pool, DWORD usage, bool lockable,
                           bool ownedByDevice, HRESULT* hr);
    // A level of a texture (or the back buffer of a swap chain): shares its
    // container's reference count and GL texture.
    Surface(Device* device, IUnknown* container, Texture* texture, Kind kind, UINT width,
            UINT height, const FormatInfo& format, D3DPOOL pool, DWORD usage, GlName glTexture,
            int level);
    ~Surface() override;

    // IUnknown
    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override;
    ULONG Release() override;
    // IDirect3DResource9
    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override { return HandOutDevice(ppDevice); }
    DWORD SetPriority(DWORD p) override;
    DWORD GetPriority() override;
    void PreLoad() override {}
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_SURFACE; }
    // IDirect3DSurface9
    HRESULT GetContainer(REFIID riid, void** ppContainer) override;
    HRESULT GetDesc(D3DSURFACE_DESC* pDesc) override;
    HRESULT LockRect(D3DLOCKED_RECT* pLockedRect, CONST RECT* pRect, DWORD Flags) override;
    HRESULT UnlockRect() override;

    // Binding by the device goes to the container when there is one.
    void Bind() { Holder()->BindRef(); }
    void Unbind() { Holder()->BindRelease(); }

    Kind GetKind() const { return kind_; }
    UINT Width() const { return width_; }
    UINT Height() const { return height_; }
    RECT Whole() const { return RECT{0, 0, static_cast<LONG>(width_), static_cast<LONG>(height_)}; }
    const FormatInfo& Info() const { return *format_; }
    D3DFORMAT Format() const { return format_->format; }
    D3DPOOL Pool() const { return pool_; }
    DWORD Usage() const { return usage_; }
    bool IsLocked() const { return locked_; }
    bool IsDepth() const { return format_->depth; }
    bool IsRenderTarget() const { return (usage_ & D3DUSAGE_RENDERTARGET) != 0; }
    Texture* ContainerTexture() const { return texture_; }

    // GL side. GlTexture is 0 for surfaces that live in system memory.
    GlName GlTexture() const { return glTexture_; }
    int GlLevel() const { return level_; }
    // A framebuffer with this surface attached (colour or depth), made on
    // first use; for blits and read-backs.
    GlName Fbo();

    // CPU copy (system memory and managed surfaces; null otherwise).
    uint8_t* Cpu() { return cpu_.empty() ? nullptr : cpu_.data(); }
    UINT Pitch() const { return RowPitch(*format_, width_); }

    // Copies rows of the CPU copy (or of `src` with its pitch) into the GL
    // level: the rectangle r of this surface.
    void UploadRect(const RECT& r, const uint8_t* src, UINT srcPitch);
    // Reads the GL level into dst (tight rows of this surface's width).
    bool Download(uint8_t* dst);

    // Releases the GL objects this surface made itself (not a container's).
    void DropGl();

    // Managed levels keep a CPU copy; textures tell their levels to make it.
    void EnsureCpuCopy();

private:
    Surface(Device* device, Kind kind, UINT width, UINT height, const FormatInfo& format,
            D3DPOOL pool, DWORD usage, bool lockable, bool owned);
    // The object whose counts this surface uses: its container, or itself.
    DeviceChild* Holder();

    IUnknown* container_ = nullptr;  // texture or swap chain; null when stand-alone
    Texture* texture_ = nullptr;
    Kind kind_;
    UINT width_, height_;
    const FormatInfo* format_;
    D3DPOOL pool_;
    DWORD usage_;
    DWORD priority_ = 0;
    bool lockable_ = false;
    bool ownsGl_ = false;
    GlName glTexture_ = 0;
    int level_ = 0;
    GlName fbo_ = 0;

    std::vector<uint8_t> cpu_;        // persistent copy (system memory, managed)
    std::vector<uint8_t> lockBuffer_; // copy of a default-pool level while locked (kept for the next lock)
    bool locked_ = false;
    bool lockReadOnly_ = false;
    RECT lockRect_{};

    friend class Texture;
    friend class SwapChain;
};

// ---- textures ---------------------------------------------------------------------------
class Texture final : public IDirect3DTexture9, public DeviceChild {
public:
    static Texture* Create(Device* device, UINT width, UINT height, UINT levels, DWORD usage,
                           const FormatInfo& format, D3DPOOL pool, HRESULT* hr);
    ~Texture() override;

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    QRN_D3D9_REFCOUNT_METHODS
    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override { return HandOutDevice(ppDevice); }
    DWORD SetPriority(DWORD p) override;
    DWORD GetPriority() override { return priority_; }
    void PreLoad() override {}
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
    DWORD SetLOD(DWORD LODNew) override;
    DWORD GetLOD() override { return lod_; }
    DWORD GetLevelCount() override;
    HRESULT SetAutoGenFilterType(D3DTEXTUREFILTERTYPE FilterType) override;
    D3DTEXTUREFILTERTYPE GetAutoGenFilterType() override { return autoGenFilter_; }
    void GenerateMipSubLevels() override;
    HRESULT GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) override;
    HRESULT GetSurfaceLevel(UINT Level, IDirect3DSurface9** ppSurfaceLevel) override;
    HRESULT LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, CONST RECT* pRect,
                     DWORD Flags) override;
    HRESULT UnlockRect(UINT Level) override;
    HRESULT AddDirtyRect(CONST RECT* pDirtyRect) override;

    GlName GlTexture() const { return glTexture_; }  // 0 in system memory
    UINT Width() const { return width_; }
    UINT Height() const { return height_; }
    UINT Levels() const { return static_cast<UINT>(levels_.size()); }
    DWORD Usage() const { return usage_; }
    D3DPOOL Pool() const { return pool_; }
    const FormatInfo& Info() const { return *format_; }
    Surface* Level(UINT i) const { return i < levels_.size() ? levels_[i].get() : nullptr; }
    // Called after a level was written: regenerates the chain of an
    // automatically mipmapped texture.
    void LevelWritten(UINT level);

private:
    Texture(Device* device, UINT width, UINT height, DWORD usage, const FormatInfo& format,
            D3DPOOL pool);

    UINT width_, height_;
    DWORD usage_;
    const FormatInfo* format_;
    D3DPOOL pool_;
    DWORD priority_ = 0;
    DWORD lod_ = 0;
    D3DTEXTUREFILTERTYPE autoGenFilter_ = D3DTEXF_LINEAR;
    GlName glTexture_ = 0;
    std::vector<std::unique_ptr<Surface>> levels_;
};

// ---- vertex and index buffers -----------------------------------------------------------
// Both keep a CPU copy of their contents (Lock hands out a pointer into it)
// and upload the locked range at Unlock.
class BufferStore {
public:
    bool Init(Device* device, UINT size, DWORD usage, D3DPOOL pool, HRESULT* hr);
    void Destroy(Device* device);
    HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags);
    HRESULT Unlock(Device* device);

    GlName gl = 0;
    std::vector<uint8_t> data;
    UINT size = 0;
    DWORD usage = 0;
    D3DPOOL pool = D3DPOOL_DEFAULT;
    DWORD priority = 0;
    int locks = 0;
    UINT dirtyLo = 0, dirtyHi = 0;  // range written under locks since the last upload
    uint64_t stamp = 0;  // unique per buffer and renewed whenever its contents may change
};

// What vertex and index buffers share: storage, locking, priority and the
// default-pool count. Iface is IDirect3DVertexBuffer9 or IDirect3DIndexBuffer9.
template <class Iface>
class BufferResource : public Iface, public DeviceChild {
public:
    ~BufferResource() override;

    QRN_D3D9_REFCOUNT_METHODS
    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override { return HandOutDevice(ppDevice); }
    DWORD SetPriority(DWORD p) override;
    DWORD GetPriority() override { return store_.priority; }
    void PreLoad() override {}
    HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags) override;
    HRESULT Unlock() override;

    GlName GlBuffer() const { return store_.gl; }
    UINT Size() const { return store_.size; }
    const uint8_t* Data() const { return store_.data.data(); }
    // Changes whenever the contents may have: at creation and at each
    // writable lock and its unlock; never the same for two buffers.
    uint64_t Stamp() const { return store_.stamp; }
    bool Locked() const { return store_.locks > 0; }
    D3DPOOL Pool() const { return store_.pool; }

protected:
    explicit BufferResource(Device* device) : DeviceChild(device) {}
    // Gives a newly made buffer (null when it could not be made) its
    // storage; deletes it and returns null with *hr set on failure.
    template <class T>
    static T* Finish(T* buffer, UINT length, DWORD usage, D3DPOOL pool, HRESULT* hr);

    BufferStore store_;
};

extern template class BufferResource<IDirect3DVertexBuffer9>;
extern template class BufferResource<IDirect3DIndexBuffer9>;

class VertexBuffer final : public BufferResource<IDirect3DVertexBuffer9> {
public:
    static VertexBuffer* Create(Device* device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                HRESULT* hr);

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
    HRESULT GetDesc(D3DVERTEXBUFFER_DESC* pDesc) override;

    DWORD Fvf() const { return fvf_; }

private:
    VertexBuffer(Device* device, DWORD fvf) : BufferResource(device), fvf_(fvf) {}
    DWORD fvf_;
};

class IndexBuffer final : public BufferResource<IDirect3DIndexBuffer9> {
public:
    static IndexBuffer* Create(Device* device, UINT length, DWORD usage, D3DFORMAT format,
                               D3DPOOL pool, HRESULT* hr);

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_INDEXBUFFER; }
    HRESULT GetDesc(D3DINDEXBUFFER_DESC* pDesc) override;

    D3DFORMAT Format() const { return format_; }
    UINT IndexSize() const { return format_ == D3DFMT_INDEX32 ? 4 : 2; }

private:
    IndexBuffer(Device* device, D3DFORMAT format) : BufferResource(device), format_(format) {}
    D3DFORMAT format_;
};

// ---- vertex declarations and shaders ---------------------------------------------------
class VertexDeclaration final : public IDirect3DVertexDeclaration9, public DeviceChild {
public:
    // Validates and copies the elements up to the end marker; null with *hr
    // = D3DERR_INVALIDCALL for a malformed list.
    static VertexDeclaration* Create(Device* device, const D3DVERTEXELEMENT9* elements,
                                     HRESULT* hr);
    // The declaration that describes an FVF code (null for an invalid code).
    static VertexDeclaration* FromFvf(Device* device, DWORD fvf);

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    QRN_D3D9_REFCOUNT_METHODS
    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override { return HandOutDevice(ppDevice); }
    HRESULT GetDeclaration(D3DVERTEXELEMENT9* pElement, UINT* pNumElements) override;

    // The elements without the end marker.
    const std::vector<D3DVERTEXELEMENT9>& Elements() const { return elements_; }
    DWORD Fvf() const { return fvf_; }  // the FVF it was made from, or 0

private:
    VertexDeclaration(Device* device) : DeviceChild(device) {}
    std::vector<D3DVERTEXELEMENT9> elements_;
    DWORD fvf_ = 0;
};


uint64_t NextShaderSerial();

// What vertex and pixel shaders share: the byte code they were made from.
// Iface is IDirect3DVertexShader9 or IDirect3DPixelShader9.
template <class Iface>
class ShaderObject : public Iface, public DeviceChild {
public:
    ShaderObject(Device* device, std::vector<DWORD> code, GlslShader glsl)
        : DeviceChild(device), code_(std::move(code)), glsl_(std::move(glsl)), serial_(NextShaderSerial())
    {
    }
    QRN_D3D9_REFCOUNT_METHODS
    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override { return HandOutDevice(ppDevice); }
    HRESULT GetFunction(void* pData, UINT* pSizeOfData) override
    {
        if (!pSizeOfData) return RefuseWhy(__func__, "!pSizeOfData");
        const UINT bytes = static_cast<UINT>(code_.size() * sizeof(DWORD));
        if (pData) {
            if (*pSizeOfData < bytes) return RefuseWhy(__func__, "*pSizeOfData < bytes");
            std::copy(code_.begin(), code_.end(), static_cast<DWORD*>(pData));
        }
        *pSizeOfData = bytes;
        return D3D_OK;
    }
    const std::vector<DWORD>& Code() const { return code_; }
    // The program translated from the byte code at creation.
    const GlslShader& Glsl() const { return glsl_; }
    // Never reused within the process: names this shader in program caches.
    uint64_t Serial() const { return serial_; }

private:
    std::vector<DWORD> code_;
    GlslShader glsl_;
    uint64_t serial_;
};

class VertexShader final : public ShaderObject<IDirect3DVertexShader9> {
public:
    using ShaderObject::ShaderObject;
    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        return AnswerQuery(riid, ppv, this, riid == IID_IDirect3DVertexShader9);
    }
};

class PixelShader final : public ShaderObject<IDirect3DPixelShader9> {
public:
    using ShaderObject::ShaderObject;
    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        return AnswerQuery(riid, ppv, this, riid == IID_IDirect3DPixelShader9);
    }
};


// ---- swap chains -------------------------------------------------------------------------
class SwapChain final : public IDirect3DSwapChain9, public DeviceChild {
public:
    // pp has been completed by the device (sizes, formats, window).
    static SwapChain* Create(Device* device, const D3DPRESENT_PARAMETERS& pp, bool implicit,
                             HRESULT* hr);
    ~SwapChain() override;

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    QRN_D3D9_REFCOUNT_METHODS
    HRESULT Present(CONST RECT* pSourceRect, CONST RECT* pDestRect, HWND hDestWindowOverride,
                    CONST struct _RGNDATA* pDirtyRegion, DWORD dwFlags) override;
    HRESULT GetFrontBufferData(IDirect3DSurface9* pDestSurface) override;
    HRESULT GetBackBuffer(UINT iBackBuffer, D3DBACKBUFFER_TYPE Type,
                          IDirect3DSurface9** ppBackBuffer) override;
    HRESULT GetRasterStatus(D3DRASTER_STATUS* pRasterStatus) override;
    HRESULT GetDisplayMode(D3DDISPLAYMODE* pMode) override;
    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override { return HandOutDevice(ppDevice); }
    HRESULT GetPresentParameters(D3DPRESENT_PARAMETERS* pPresentationParameters) override;

    Surface* BackBuffer() const { return back_.get(); }
    const D3DPRESENT_PARAMETERS& Params() const { return pp_; }
    HWND Window() const { return pp_.hDeviceWindow; }
    bool Implicit() const { return implicit_; }

private:
    SwapChain(Device* device, const D3DPRESENT_PARAMETERS& pp, bool implicit)
        : DeviceChild(device, implicit), pp_(pp), implicit_(implicit)
    {
    }
    D3DPRESENT_PARAMETERS pp_;
    bool implicit_;
    std::unique_ptr<Surface> back_;
};

// Points a binding slot of the device at `object` (null empties it). The new
// object gains its binding before the old one loses its own, so binding the
// same object again never destroys it.
template <class T>
void Rebind(T*& slot, T* object)
{
    if (slot == object) return;
    T* old = slot;
    slot = object;
    if constexpr (std::is_same_v<T, Surface>) {
        if (object) object->Bind();
        if (old) old->Unbind();
    } else {
        if (object) object->BindRef();
        if (old) old->BindRelease();
    }
}

}  // namespace qrn::d3d9
