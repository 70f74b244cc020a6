// Buffers, textures, surfaces and the copies between them.
#include "d3d9_fixture.h"

#include <cstring>

using namespace d3d9test;
namespace tc = qrn::d3d9::testctl;

namespace {

uint32_t Pixel(const D3DLOCKED_RECT& lr, int x, int y)
{
    return reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(lr.pBits) + y * lr.Pitch)[x];
}

}  // namespace

TEST_F(D3D9Test, BufferLockRoundTrips)
{
    MakeWindowedDevice();
    IDirect3DVertexBuffer9* vb = nullptr;
    ASSERT_EQ(device_->CreateVertexBuffer(224, 0, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1, D3DPOOL_MANAGED, &vb,
                                          nullptr),
              D3D_OK);
    EXPECT_EQ(RefCount(device_), 2u);
    D3DVERTEXBUFFER_DESC vd{};
    ASSERT_EQ(vb->GetDesc(&vd), D3D_OK);
    EXPECT_EQ(vd.Size, 224u);
    EXPECT_EQ(vd.Pool, D3DPOOL_MANAGED);
    EXPECT_EQ(vd.FVF, static_cast<DWORD>(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1));
    void* p = nullptr;
    ASSERT_EQ(vb->Lock(0, 0, &p, 0), D3D_OK);
    for (int i = 0; i < 224; ++i) static_cast<uint8_t*>(p)[i] = static_cast<uint8_t>(i);
    ASSERT_EQ(vb->Unlock(), D3D_OK);
    ASSERT_EQ(vb->Lock(100, 24, &p, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(static_cast<uint8_t*>(p)[0], 100);
    EXPECT_EQ(static_cast<uint8_t*>(p)[23], 123);
    ASSERT_EQ(vb->Unlock(), D3D_OK);
    EXPECT_EQ(vb->Unlock(), D3DERR_INVALIDCALL);  // not locked
    EXPECT_EQ(vb->Lock(200, 25, &p, 0), D3DERR_INVALIDCALL);  // past the end
    EXPECT_EQ(vb->Lock(225, 0, &p, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(vb->Lock(0, 0, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(vb->Release(), 0u);

    IDirect3DIndexBuffer9* ib = nullptr;
    ASSERT_EQ(device_->CreateIndexBuffer(18, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr),
              D3D_OK);
    const WORD idx[9] = {0, 1, 2, 2, 1, 3, 4, 5, 6};
    ASSERT_EQ(ib->Lock(0, 0, &p, 0), D3D_OK);
    std::memcpy(p, idx, sizeof idx);
    ASSERT_EQ(ib->Unlock(), D3D_OK);
    ASSERT_EQ(ib->Lock(0, 18, &p, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(std::memcmp(p, idx, sizeof idx), 0);
    ib->Unlock();
    D3DINDEXBUFFER_DESC id{};
    ib->GetDesc(&id);
    EXPECT_EQ(id.Format, D3DFMT_INDEX16);
    EXPECT_EQ(id.Size, 18u);
    EXPECT_EQ(ib->Release(), 0u);
    EXPECT_EQ(RefCount(device_), 1u);
}

TEST_F(D3D9Test, BufferCreationRefusesBadInput)
{
    MakeWindowedDevice();
    IDirect3DVertexBuffer9* vb = nullptr;
    IDirect3DIndexBuffer9* ib = nullptr;
    EXPECT_EQ(device_->CreateVertexBuffer(0, 0, 0, D3DPOOL_MANAGED, &vb, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->CreateVertexBuffer(64, 0, 0, D3DPOOL_MANAGED, nullptr, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->CreateVertexBuffer(64, D3DUSAGE_DYNAMIC, 0, D3DPOOL_MANAGED, &vb, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->CreateVertexBuffer(64, 0, 0, static_cast<D3DPOOL>(9), &vb, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->CreateVertexBuffer(8, 0, D3DFVF_XYZ, D3DPOOL_MANAGED, &vb, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->CreateIndexBuffer(0, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->CreateIndexBuffer(16, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &ib, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(vb, nullptr);
    EXPECT_EQ(ib, nullptr);
}

TEST_F(D3D9Test, TextureMipChainsLockAndDescribe)
{
    MakeWindowedDevice();
    IDirect3DTexture9* t = nullptr;
    ASSERT_EQ(device_->CreateTexture(300, 20, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr), D3D_OK);
    ASSERT_EQ(t->GetLevelCount(), 9u);  // 300 -> 1: nine levels
    D3DSURFACE_DESC d{};
    ASSERT_EQ(t->GetLevelDesc(2, &d), D3D_OK);
    EXPECT_EQ(d.Width, 75u);
    EXPECT_EQ(d.Height, 5u);
    ASSERT_EQ(t->GetLevelDesc(8, &d), D3D_OK);
    EXPECT_EQ(d.Width, 1u);
    EXPECT_EQ(d.Height, 1u);
    EXPECT_EQ(t->GetLevelDesc(9, &d), D3DERR_INVALIDCALL);
    // Write every level, read every level back.
    for (UINT l = 0; l < t->GetLevelCount(); ++l) {
        D3DLOCKED_RECT lr{};
        ASSERT_EQ(t->LockRect(l, &lr, nullptr, 0), D3D_OK);
        t->GetLevelDesc(l, &d);
        for (UINT y = 0; y < d.Height; ++y)
            for (UINT x = 0; x < d.Width; ++x)
                reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(lr.pBits) + y * static_cast<UINT>(lr.Pitch))[x] =
                    0xff000000u | (l << 16) | (y << 8) | x;
        ASSERT_EQ(t->UnlockRect(l), D3D_OK);
    }
    D3DLOCKED_RECT lr{};
    const RECT part{10, 2, 20, 4};
    ASSERT_EQ(t->LockRect(1, &lr, &part, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(Pixel(lr, 0, 0), 0xff010000u | (2u << 8) | 10u);
    EXPECT_EQ(Pixel(lr, 9, 1), 0xff010000u | (3u << 8) | 19u);
    EXPECT_EQ(t->LockRect(1, &lr, nullptr, 0), D3DERR_INVALIDCALL);  // already locked
    t->UnlockRect(1);
    const RECT outside{0, 0, 400, 4};
    EXPECT_EQ(t->LockRect(0, &lr, &outside, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(t->LockRect(0, nullptr, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(t->UnlockRect(0), D3DERR_INVALIDCALL);

    // Surfaces of a level share the texture's reference count.
    IDirect3DSurface9* s = nullptr;
    ASSERT_EQ(t->GetSurfaceLevel(3, &s), D3D_OK);
    EXPECT_EQ(RefCount(t), 2u);
    IDirect3DTexture9* container = nullptr;
    ASSERT_EQ(s->GetContainer(IID_IDirect3DTexture9, reinterpret_cast<void**>(&container)), D3D_OK);
    EXPECT_EQ(container, t);
    container->Release();
    EXPECT_EQ(s->Release(), 1u);
    EXPECT_EQ(t->Release(), 0u);
}

TEST_F(D3D9Test, TextureCreationRulesAndBadInput)
{
    MakeWindowedDevice();
    IDirect3DTexture9* t = nullptr;
    EXPECT_EQ(device_->CreateTexture(0, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->CreateTexture(16, 16, 6, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr),
              D3DERR_INVALIDCALL);  // more levels than the chain has
    EXPECT_EQ(device_->CreateTexture(16, 16, 1, 0, static_cast<D3DFORMAT>(-5), D3DPOOL_MANAGED, &t, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->CreateTexture(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->CreateTexture(16, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, nullptr, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->CreateTexture(1u << 20, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(t, nullptr);
    // A default-pool texture is not lockable unless dynamic.
    ASSERT_EQ(device_->CreateTexture(8, 8, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &t, nullptr), D3D_OK);
    D3DLOCKED_RECT lr{};
    EXPECT_EQ(t->LockRect(0, &lr, nullptr, 0), D3DERR_INVALIDCALL);
    t->Release();
    ASSERT_EQ(device_->CreateTexture(8, 8, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &t, nullptr),
              D3D_OK);
    ASSERT_EQ(t->LockRect(0, &lr, nullptr, D3DLOCK_DISCARD), D3D_OK);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch)[x] = 0x80112233u + static_cast<uint32_t>(x);
    ASSERT_EQ(t->UnlockRect(0), D3D_OK);
    ASSERT_EQ(t->LockRect(0, &lr, nullptr, D3DLOCK_READONLY), D3D_OK);  // read back from GL
    EXPECT_EQ(Pixel(lr, 7, 7), 0x8011223Au);
    t->UnlockRect(0);
    t->Release();
    // With the POW2 and SQUAREONLY restrictions injected, a device refuses such textures.
    tc::SetMissingCaps(tc::kPow2Only | tc::kSquareOnly);
    IDirect3DDevice9* poor = nullptr;
    D3DPRESENT_PARAMETERS pp = WindowedParams(win_.child);
    ASSERT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, win_.top, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &poor),
              D3D_OK);
    EXPECT_EQ(poor->CreateTexture(300, 256, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(poor->CreateTexture(512, 256, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr), D3DERR_INVALIDCALL);
    ASSERT_EQ(poor->CreateTexture(256, 256, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr), D3D_OK);
    t->Release();
    EXPECT_EQ(poor->Release(), 0u);
}

TEST_F(D3D9Test, RenderTargetTextureDrawThenRead)
{
    MakeWindowedDevice();
    IDirect3DTexture9* t = nullptr;
    ASSERT_EQ(device_->CreateTexture(64, 32, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &t, nullptr),
              D3D_OK);
    IDirect3DSurface9* rt = nullptr;
    ASSERT_EQ(t->GetSurfaceLevel(0, &rt), D3D_OK);
    IDirect3DSurface9* ds = nullptr;
    ASSERT_EQ(device_->CreateDepthStencilSurface(64, 32, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, 0, FALSE, &ds, nullptr),
              D3D_OK);
    ASSERT_EQ(device_->SetRenderTarget(0, rt), D3D_OK);
    ASSERT_EQ(device_->SetDepthStencilSurface(ds), D3D_OK);
    D3DVIEWPORT9 vp{};
    device_->GetViewport(&vp);
    EXPECT_EQ(vp.Width, 64u);
    EXPECT_EQ(vp.Height, 32u);
    ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xff336699, 1.0f, 0),
              D3D_OK);
    const D3DRECT corner{60, 28, 64, 32};
    ASSERT_EQ(device_->Clear(1, &corner, D3DCLEAR_TARGET, 0xffffffff, 1.0f, 0), D3D_OK);
    IDirect3DSurface9* sys = nullptr;
    ASSERT_EQ(device_->CreateOffscreenPlainSurface(64, 32, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &sys, nullptr), D3D_OK);
    ASSERT_EQ(device_->GetRenderTargetData(rt, sys), D3D_OK);
    D3DLOCKED_RECT lr{};
    ASSERT_EQ(sys->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(Pixel(lr, 0, 0) & 0xffffff, 0x336699u);
    EXPECT_EQ(Pixel(lr, 59, 27) & 0xffffff, 0x336699u);
    EXPECT_EQ(Pixel(lr, 60, 28) & 0xffffff, 0xffffffu);
    EXPECT_EQ(Pixel(lr, 63, 31) & 0xffffff, 0xffffffu);
    sys->UnlockRect();
    // A size or format mismatch is refused.
    IDirect3DSurface9* small = nullptr;
    device_->CreateOffscreenPlainSurface(32, 32, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &small, nullptr);
    EXPECT_EQ(device_->GetRenderTargetData(rt, small), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->GetRenderTargetData(rt, nullptr), D3DERR_INVALIDCALL);
    small->Release();
    sys->Release();
    // Bound as render target, the texture outlives its last reference.
    rt->Release();
    EXPECT_EQ(t->Release(), 0u);
    EXPECT_EQ(tc::DefaultPoolResources(device_), 2u);  // the texture and the depth surface
    ds->Release();
    IDirect3DSurface9* back = nullptr;
    device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
    device_->SetRenderTarget(0, back);
    back->Release();
    IDirect3DSurface9* autoDs = nullptr;
    device_->GetDepthStencilSurface(&autoDs);  // still the 64x32 one
    device_->SetDepthStencilSurface(nullptr);
    autoDs->Release();
    EXPECT_EQ(tc::DefaultPoolResources(device_), 0u);
}

TEST_F(D3D9Test, StretchRectAndUpdateSurfaceCopyPictures)
{
    MakeWindowedDevice();
    // A system-memory picture: left half red, right half blue.
    IDirect3DSurface9* sys = nullptr;
    ASSERT_EQ(device_->CreateOffscreenPlainSurface(16, 8, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &sys, nullptr), D3D_OK);
    D3DLOCKED_RECT lr{};
    ASSERT_EQ(sys->LockRect(&lr, nullptr, 0), D3D_OK);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x)
            reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch)[x] =
                x < 8 ? 0xffff0000u : 0xff0000ffu;
    sys->UnlockRect();
    IDirect3DSurface9* vid = nullptr;
    ASSERT_EQ(device_->CreateOffscreenPlainSurface(16, 8, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &vid, nullptr), D3D_OK);
    ASSERT_EQ(device_->UpdateSurface(sys, nullptr, vid, nullptr), D3D_OK);
    // Wrong pools, formats and rectangles are refused.
    EXPECT_EQ(device_->UpdateSurface(vid, nullptr, sys, nullptr), D3DERR_INVALIDCALL);
    const POINT far{10, 0};
    EXPECT_EQ(device_->UpdateSurface(sys, nullptr, vid, &far), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->UpdateSurface(nullptr, nullptr, vid, nullptr), D3DERR_INVALIDCALL);

    IDirect3DSurface9* back = nullptr;
    device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
    D3DSURFACE_DESC bd{};
    back->GetDesc(&bd);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xff00ff00, 1.0f, 0);
    // Stretched over the whole back buffer, then copied unscaled to the corner.
    ASSERT_EQ(device_->StretchRect(vid, nullptr, back, nullptr, D3DTEXF_NONE), D3D_OK);
    const RECT part{6, 0, 10, 8};
    const POINT at{0, 0};
    ASSERT_EQ(device_->UpdateSurface(sys, &part, back, &at), D3D_OK);
    IDirect3DSurface9* read = nullptr;
    ASSERT_EQ(device_->CreateOffscreenPlainSurface(bd.Width, bd.Height, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &read,
                                                   nullptr),
              D3D_OK);
    ASSERT_EQ(device_->GetRenderTargetData(back, read), D3D_OK);
    ASSERT_EQ(read->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    const int w = static_cast<int>(bd.Width), h = static_cast<int>(bd.Height);
    EXPECT_EQ(Pixel(lr, w / 4, h / 2) & 0xffffff, 0xff0000u);
    EXPECT_EQ(Pixel(lr, 3 * w / 4, h / 2) & 0xffffff, 0x0000ffu);
    EXPECT_EQ(Pixel(lr, 1, 1) & 0xffffff, 0xff0000u);   // column 7 of the picture
    EXPECT_EQ(Pixel(lr, 2, 1) & 0xffffff, 0x0000ffu);   // column 8
    EXPECT_EQ(Pixel(lr, w - 1, h - 1) & 0xffffff, 0x0000ffu);
    read->UnlockRect();
    // A plain texture is never a StretchRect destination; system memory never a source.
    IDirect3DTexture9* plain = nullptr;
    device_->CreateTexture(16, 8, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &plain, nullptr);
    IDirect3DSurface9* plainLevel = nullptr;
    plain->GetSurfaceLevel(0, &plainLevel);
    EXPECT_EQ(device_->StretchRect(vid, nullptr, plainLevel, nullptr, D3DTEXF_NONE), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->StretchRect(sys, nullptr, back, nullptr, D3DTEXF_NONE), D3DERR_INVALIDCALL);
    const RECT bad{0, 0, 17, 8};
    EXPECT_EQ(device_->StretchRect(vid, &bad, back, nullptr, D3DTEXF_LINEAR), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->StretchRect(vid, nullptr, back, nullptr, static_cast<D3DTEXTUREFILTERTYPE>(9)),
              D3DERR_INVALIDCALL);
    plainLevel->Release();
    plain->Release();
    read->Release();
    back->Release();
    vid->Release();
    sys->Release();
}

TEST_F(D3D9Test, InjectedOutOfMemoryFailsTheNextCreations)
{
    MakeWindowedDevice();
    tc::FailNextAllocations(2);
    IDirect3DTexture9* t = nullptr;
    EXPECT_EQ(device_->CreateTexture(256, 256, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &t, nullptr),
              D3DERR_OUTOFVIDEOMEMORY);
    IDirect3DSurface9* s = nullptr;
    EXPECT_EQ(device_->CreateOffscreenPlainSurface(8, 8, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &s, nullptr),
              E_OUTOFMEMORY);
    EXPECT_EQ(tc::PendingAllocationFailures(), 0u);
    ASSERT_EQ(device_->CreateTexture(256, 256, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &t, nullptr),
              D3D_OK);
    t->Release();
    // Invalid calls do not use up an injected failure.
    tc::FailNextAllocations(1);
    EXPECT_EQ(device_->CreateTexture(0, 0, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &t, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->CreateDepthStencilSurface(16, 16, D3DFMT_D16, D3DMULTISAMPLE_NONE, 0, FALSE, &s, nullptr),
              D3DERR_OUTOFVIDEOMEMORY);
}

// A resource whose GL storage fails after the object was made cleans up
// without upsetting the count of default-pool resources that Reset checks.
TEST_F(D3D9Test, FailedGlStorageLeavesTheDefaultPoolCountAlone)
{
    MakeWindowedDevice();
    const unsigned before = tc::DefaultPoolResources(device_);
    IDirect3DTexture9* t = nullptr;
    IDirect3DSurface9* s = nullptr;
    IDirect3DVertexBuffer9* vb = nullptr;
    IDirect3DIndexBuffer9* ib = nullptr;
    tc::FailNextGlStorage(1);
    EXPECT_EQ(device_->CreateTexture(64, 64, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &t, nullptr),
              D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(tc::DefaultPoolResources(device_), before);
    tc::FailNextGlStorage(1);
    EXPECT_EQ(device_->CreateTexture(64, 64, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr),
              D3DERR_OUTOFVIDEOMEMORY);
    tc::FailNextGlStorage(1);
    EXPECT_EQ(device_->CreateRenderTarget(32, 32, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &s, nullptr),
              D3DERR_OUTOFVIDEOMEMORY);
    tc::FailNextGlStorage(1);
    EXPECT_EQ(device_->CreateVertexBuffer(64, 0, 0, D3DPOOL_DEFAULT, &vb, nullptr), D3DERR_OUTOFVIDEOMEMORY);
    tc::FailNextGlStorage(1);
    EXPECT_EQ(device_->CreateIndexBuffer(64, 0, D3DFMT_INDEX16, D3DPOOL_DEFAULT, &ib, nullptr),
              D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(t, nullptr);
    EXPECT_EQ(s, nullptr);
    EXPECT_EQ(vb, nullptr);
    EXPECT_EQ(ib, nullptr);
    EXPECT_EQ(tc::DefaultPoolResources(device_), before);
    EXPECT_EQ(RefCount(device_), 1u);

    // Nothing is left that would make Reset fail, and the next creation works.
    D3DPRESENT_PARAMETERS pp = WindowedParams(win_.child);
    EXPECT_EQ(device_->Reset(&pp), D3D_OK);
    ASSERT_EQ(device_->CreateTexture(64, 64, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &t, nullptr), D3D_OK);
    EXPECT_EQ(tc::DefaultPoolResources(device_), before + 1);
    t->Release();
    EXPECT_EQ(tc::DefaultPoolResources(device_), before);
}

TEST_F(D3D9Test, SurfaceCreationRefusesBadInput)
{
    MakeWindowedDevice();
    IDirect3DSurface9* s = nullptr;
    EXPECT_EQ(device_->CreateRenderTarget(0, 16, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &s, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->CreateRenderTarget(16, 16, D3DFMT_D16, D3DMULTISAMPLE_NONE, 0, FALSE, &s, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->CreateDepthStencilSurface(16, 16, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &s, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->CreateOffscreenPlainSurface(16, 16, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &s, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->CreateOffscreenPlainSurface(16, 16, D3DFMT_D24S8, D3DPOOL_DEFAULT, &s, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->CreateOffscreenPlainSurface(16, 0, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &s, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(s, nullptr);
    // A depth surface is not a render target, nor a colour surface a depth buffer.
    ASSERT_EQ(device_->CreateDepthStencilSurface(16, 16, D3DFMT_D16, D3DMULTISAMPLE_NONE, 0, FALSE, &s, nullptr),
              D3D_OK);
    EXPECT_EQ(device_->SetRenderTarget(0, s), D3DERR_INVALIDCALL);
    D3DLOCKED_RECT lr{};
    EXPECT_EQ(s->LockRect(&lr, nullptr, 0), D3DERR_INVALIDCALL);
    s->Release();
    ASSERT_EQ(device_->CreateRenderTarget(16, 16, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, TRUE, &s, nullptr), D3D_OK);
    EXPECT_EQ(device_->SetDepthStencilSurface(s), D3DERR_INVALIDCALL);
    ASSERT_EQ(device_->ColorFill(s, nullptr, 0x80402010), D3D_OK);
    ASSERT_EQ(s->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);  // lockable render target
    EXPECT_EQ(Pixel(lr, 15, 15), 0x80402010u);
    s->UnlockRect();
    s->Release();
}

TEST_F(D3D9Test, UpdateTextureCopiesEveryLevelIntoVideoMemory)
{
    MakeWindowedDevice();
    IDirect3DTexture9* sys = nullptr;
    ASSERT_EQ(device_->CreateTexture(8, 8, 0, 0, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &sys, nullptr), D3D_OK);
    ASSERT_EQ(sys->GetLevelCount(), 4u);
    const uint32_t colours[4] = {0xff102030, 0xff405060, 0xff708090, 0xffa0b0c0};
    for (UINT l = 0; l < 4; ++l) {
        D3DLOCKED_RECT lr{};
        ASSERT_EQ(sys->LockRect(l, &lr, nullptr, 0), D3D_OK);
        const UINT side = 8u >> l;
        for (UINT y = 0; y < side; ++y)
            for (UINT x = 0; x < side; ++x)
                reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(lr.pBits) + y * static_cast<UINT>(lr.Pitch))[x] =
                    colours[l];
        sys->UnlockRect(l);
    }
    IDirect3DTexture9* vid = nullptr;
    ASSERT_EQ(device_->CreateTexture(4, 4, 0, 0, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &vid, nullptr), D3D_OK);
    // The destination starts at the source level of its size (level 1).
    ASSERT_EQ(device_->UpdateTexture(sys, vid), D3D_OK);
    EXPECT_EQ(device_->UpdateTexture(vid, sys), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->UpdateTexture(sys, nullptr), D3DERR_INVALIDCALL);
    // A system-memory texture cannot be set on a stage.
    EXPECT_EQ(device_->SetTexture(0, sys), D3DERR_INVALIDCALL);

    IDirect3DSurface9* rt = nullptr;
    ASSERT_EQ(device_->CreateRenderTarget(1, 1, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, 0, TRUE, &rt, nullptr), D3D_OK);
    for (UINT l = 0; l < vid->GetLevelCount(); ++l) {
        IDirect3DSurface9* level = nullptr;
        vid->GetSurfaceLevel(l, &level);
        const RECT one{0, 0, 1, 1};
        ASSERT_EQ(device_->StretchRect(level, &one, rt, nullptr, D3DTEXF_NONE), D3D_OK);
        D3DLOCKED_RECT lr{};
        ASSERT_EQ(rt->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
        EXPECT_EQ(*static_cast<const uint32_t*>(lr.pBits) & 0xffffff, colours[l + 1] & 0xffffff) << "level " << l;
        rt->UnlockRect();
        level->Release();
    }
    rt->Release();
    vid->Release();
    sys->Release();
}

TEST_F(D3D9Test, DynamicBufferDiscardAndNoOverwriteKeepWhatWasWritten)
{
    MakeWindowedDevice();
    IDirect3DVertexBuffer9* vb = nullptr;
    ASSERT_EQ(device_->CreateVertexBuffer(64, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, 0, D3DPOOL_DEFAULT, &vb, nullptr),
              D3D_OK);
    void* p = nullptr;
    ASSERT_EQ(vb->Lock(0, 32, &p, D3DLOCK_DISCARD), D3D_OK);
    std::memset(p, 0x11, 32);
    ASSERT_EQ(vb->Unlock(), D3D_OK);
    ASSERT_EQ(vb->Lock(32, 32, &p, D3DLOCK_NOOVERWRITE), D3D_OK);
    std::memset(p, 0x22, 32);
    // Nested locks are counted; the data goes up at the last Unlock.
    void* q = nullptr;
    ASSERT_EQ(vb->Lock(0, 4, &q, D3DLOCK_NOOVERWRITE), D3D_OK);
    ASSERT_EQ(vb->Unlock(), D3D_OK);
    ASSERT_EQ(vb->Unlock(), D3D_OK);
    ASSERT_EQ(vb->Lock(0, 0, &p, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(static_cast<uint8_t*>(p)[31], 0x11);
    EXPECT_EQ(static_cast<uint8_t*>(p)[32], 0x22);
    vb->Unlock();
    // A default-pool buffer holds up a reset until it is released.
    D3DPRESENT_PARAMETERS pp = WindowedParams(win_.child);
    EXPECT_EQ(device_->Reset(&pp), D3DERR_INVALIDCALL);
    vb->Release();
    EXPECT_EQ(device_->Reset(&pp), D3D_OK);
}
