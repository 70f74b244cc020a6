// Two-dimensional textures with their mip chains.
#include <algorithm>
#include <new>

#include "device.h"
#include "refusal.h"
#include "resource.h"

namespace qrn::d3d9 {

GlName MakeGlTexture(Device* device, const FormatInfo& f, UINT w, UINT h, UINT levels, const char* label);

static UINT FullChain(UINT w, UINT h)
{
    UINT n = 1;
    for (UINT s = std::max(w, h); s > 1; s >>= 1) ++n;
    return n;
}

Texture::Texture(Device* device, UINT width, UINT height, DWORD usage, const FormatInfo& format,
                 D3DPOOL pool)
    : DeviceChild(device), width_(width), height_(height), usage_(usage), format_(&format), pool_(pool)
{
    // Counted here and uncounted in the destructor, so that a texture whose
    // creation fails half way leaves the count as it was.
    if (pool_ == D3DPOOL_DEFAULT) device_->DefaultPoolCreated();
}

Texture* Texture::Create(Device* device, UINT width, UINT height, UINT levels, DWORD usage,
                         const FormatInfo& format, D3DPOOL pool, HRESULT* hr)
{
    const UINT full = FullChain(width, height);
    const bool autogen = (usage & D3DUSAGE_AUTOGENMIPMAP) != 0;
    if (levels == 0) levels = full;
    if (levels > full || (autogen && levels != full && levels != 1)) {
        *hr = Refuse("CreateTexture", "Levels", levels, autogen ? "1 or the full chain (AUTOGENMIPMAP)" : "at most the full chain");
        return nullptr;
    }
    // An automatically mipmapped texture shows one level; GL keeps the chain.
    const UINT visible = autogen ? 1 : levels;
    const UINT glLevels = autogen ? full : levels;
    uint64_t bytes = 0;
    for (UINT i = 0; i < glLevels; ++i)
        bytes += static_cast<uint64_t>(std::max(1u, width >> i)) * std::max(1u, height >> i) *
                 format.bytesPerPixel;
    if (bytes > (1ull << 30)) {
        *hr = pool == D3DPOOL_SYSTEMMEM || pool == D3DPOOL_SCRATCH ? E_OUTOFMEMORY : D3DERR_OUTOFVIDEOMEMORY;
        return nullptr;
    }
    auto* t = new (std::nothrow) Texture(device, width, height, usage, format, pool);
    if (!t) {
        *hr = E_OUTOFMEMORY;
        return nullptr;
    }
    const bool inGl = pool == D3DPOOL_DEFAULT || pool == D3DPOOL_MANAGED;
    if (inGl) {
        t->glTexture_ = MakeGlTexture(device, format, width, height, glLevels, "texture");
        if (!t->glTexture_) {
            delete t;
            *hr = D3DERR_OUTOFVIDEOMEMORY;
            return nullptr;
        }
    }
    try {
        for (UINT i = 0; i < visible; ++i) {
            t->levels_.push_back(std::make_unique<Surface>(
                device, static_cast<IDirect3DTexture9*>(t), t, Surface::Kind::TextureLevel,
                std::max(1u, width >> i), std::max(1u, height >> i), format, pool, usage,
                t->glTexture_, static_cast<int>(i)));
        }
    } catch (const std::bad_alloc&) {
        delete t;
        *hr = E_OUTOFMEMORY;
        return nullptr;
    }
    *hr = D3D_OK;
    return t;
}

Texture::~Texture()
{
    levels_.clear();  // their frame buffers go first
    device_->Backend().DestroyTexture(&glTexture_);
    if (pool_ == D3DPOOL_DEFAULT) device_->DefaultPoolDestroyed();
}

HRESULT Texture::QueryInterface(REFIID riid, void** ppv)
{
    return AnswerQuery(riid, ppv, static_cast<IDirect3DTexture9*>(this), riid == IID_IDirect3DTexture9 || riid == IID_IDirect3DBaseTexture9 || riid == IID_IDirect3DResource9);
}

DWORD Texture::SetPriority(DWORD p)
{
    const DWORD old = priority_;
    if (pool_ == D3DPOOL_MANAGED) priority_ = p;
    return old;
}

DWORD Texture::SetLOD(DWORD lod)
{
    const DWORD old = lod_;
    if (pool_ != D3DPOOL_MANAGED) return 0;
    lod_ = std::min<DWORD>(lod, Levels() - 1);
    if (glTexture_) device_->Backend().SetBaseLevel(glTexture_, lod_);
    return old;
}

DWORD Texture::GetLevelCount() { return Levels(); }

HRESULT Texture::SetAutoGenFilterType(D3DTEXTUREFILTERTYPE f)
{
    if (f != D3DTEXF_POINT && f != D3DTEXF_LINEAR)
        return RefuseWhy(__func__, "f != D3DTEXF_POINT && f != D3DTEXF_LINEAR");
    autoGenFilter_ = f;
    return D3D_OK;
}

void Texture::GenerateMipSubLevels()
{
    if (!(usage_ & D3DUSAGE_AUTOGENMIPMAP) || !glTexture_) return;
    device_->Backend().GenerateMipmaps(glTexture_);
}

void Texture::LevelWritten(UINT level)
{
    if (level == 0) GenerateMipSubLevels();
}

HRESULT Texture::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc)
{
    if (!desc || level >= Levels()) return RefuseWhy(__func__, "!desc || level >= Levels()");
    return levels_[level]->GetDesc(desc);
}

HRESULT Texture::GetSurfaceLevel(UINT level, IDirect3DSurface9** out)
{
    if (!out) return RefuseWhy(__func__, "!out");
    *out = nullptr;
    if (level >= Levels()) return RefuseWhy(__func__, "level >= Levels()");
    levels_[level]->AddRef();
    *out = levels_[level].get();
    return D3D_OK;
}

HRESULT Texture::LockRect(UINT level, D3DLOCKED_RECT* locked, CONST RECT* rect, DWORD flags)
{
    if (level >= Levels()) return RefuseWhy(__func__, "level >= Levels()");
    return levels_[level]->LockRect(locked, rect, flags);
}

HRESULT Texture::UnlockRect(UINT level)
{
    if (level >= Levels()) return RefuseWhy(__func__, "level >= Levels()");
    return levels_[level]->UnlockRect();
}

HRESULT Texture::AddDirtyRect(CONST RECT*) { return D3D_OK; }

}  // namespace qrn::d3d9
