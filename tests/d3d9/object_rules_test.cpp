// Rules every object and every device call share: QueryInterface answers
// IUnknown, a device refuses objects another device made, and nothing draws
// once a failed Reset has left the device without a render target.
#include "d3d9_fixture.h"

#include <cstring>
#include <vector>

using namespace d3d9test;

namespace {

struct TVertex {
    float x, y, z, rhw;
    D3DCOLOR color;
};

const DWORD kVertexShader[] = {0xFFFE0101, 0x0000FFFF};  // vs_1_1, nothing but the end
const DWORD kPixelShader[] = {0xFFFF0101, 0x0000FFFF};   // ps_1_1, nothing but the end

const D3DVERTEXELEMENT9 kElements[] = {
    {0, 0, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITIONT, 0},
    {0, 16, D3DDECLTYPE_D3DCOLOR, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_COLOR, 0},
    D3DDECL_END()};

// One object of every kind a device binds.
struct Objects {
    IDirect3DTexture9* texture = nullptr;
    IDirect3DSurface9* target = nullptr;
    IDirect3DSurface9* depth = nullptr;
    IDirect3DVertexBuffer9* vertices = nullptr;
    IDirect3DIndexBuffer9* indices = nullptr;
    IDirect3DVertexDeclaration9* declaration = nullptr;
    IDirect3DVertexShader9* vs = nullptr;
    IDirect3DPixelShader9* ps = nullptr;

    bool Make(IDirect3DDevice9* d)
    {
        return d->CreateTexture(16, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr) == D3D_OK &&
               d->CreateRenderTarget(32, 32, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &target,
                                     nullptr) == D3D_OK &&
               d->CreateDepthStencilSurface(32, 32, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, 0, TRUE, &depth,
                                            nullptr) == D3D_OK &&
               d->CreateVertexBuffer(3 * sizeof(TVertex), 0, 0, D3DPOOL_MANAGED, &vertices, nullptr) == D3D_OK &&
               d->CreateIndexBuffer(6, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &indices, nullptr) == D3D_OK &&
               d->CreateVertexDeclaration(kElements, &declaration) == D3D_OK &&
               d->CreateVertexShader(kVertexShader, &vs) == D3D_OK &&
               d->CreatePixelShader(kPixelShader, &ps) == D3D_OK;
    }
    void Release()
    {
        IUnknown* all[] = {texture, target, depth, vertices, indices, declaration, vs, ps};
        for (IUnknown* o : all)
            if (o) o->Release();
        *this = Objects{};
    }
};

}  // namespace

TEST_F(D3D9Test, EveryObjectAnswersIUnknownWithItself)
{
    MakeWindowedDevice();
    Objects o;
    ASSERT_TRUE(o.Make(device_));
    IDirect3DSurface9* level = nullptr;
    ASSERT_EQ(o.texture->GetSurfaceLevel(0, &level), D3D_OK);
    IDirect3DSwapChain9* chain = nullptr;
    ASSERT_EQ(device_->GetSwapChain(0, &chain), D3D_OK);

    IUnknown* all[] = {d3d_,      device_, o.texture, o.target,      o.depth, o.vertices,
                       o.indices, o.vs,    o.ps,      o.declaration, level,   chain};
    for (IUnknown* object : all) {
        const ULONG before = RefCount(object);
        void* answer = nullptr;
        ASSERT_EQ(object->QueryInterface(IID_IUnknown, &answer), S_OK);
        EXPECT_EQ(answer, static_cast<void*>(object));
        EXPECT_EQ(RefCount(object), before + 1);
        object->Release();
    }
    // Anything else still gets no answer.
    void* answer = reinterpret_cast<void*>(1);
    EXPECT_EQ(o.vertices->QueryInterface(IID_IDirect3DTexture9, &answer), E_NOINTERFACE);
    EXPECT_EQ(answer, nullptr);
    EXPECT_EQ(device_->QueryInterface(IID_IUnknown, nullptr), E_POINTER);

    chain->Release();
    level->Release();
    o.Release();
}

// GL names belong to the context of the device that made them: binding or
// copying another device's object would use some unrelated object of this
// device's context, so every such call is refused and changes nothing.
TEST_F(D3D9Test, ObjectsOfAnotherDeviceAreRefused)
{
    MakeWindowedDevice();
    Windows otherWin = MakeWindows(64, 64, -1);
    ASSERT_NE(otherWin.top, nullptr);
    D3DPRESENT_PARAMETERS pp = WindowedParams(otherWin.top);
    IDirect3DDevice9* other = nullptr;
    ASSERT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, otherWin.top, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &other),
              D3D_OK);
    Objects mine, theirs;
    ASSERT_TRUE(mine.Make(device_));
    ASSERT_TRUE(theirs.Make(other));

    EXPECT_EQ(device_->SetTexture(0, theirs.texture), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetRenderTarget(0, theirs.target), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetDepthStencilSurface(theirs.depth), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetStreamSource(0, theirs.vertices, 0, sizeof(TVertex)), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetIndices(theirs.indices), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetVertexDeclaration(theirs.declaration), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetVertexShader(theirs.vs), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetPixelShader(theirs.ps), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->StretchRect(theirs.target, nullptr, mine.target, nullptr, D3DTEXF_NONE), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->StretchRect(mine.target, nullptr, theirs.target, nullptr, D3DTEXF_NONE), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->ColorFill(theirs.target, nullptr, 0xff00ff00), D3DERR_INVALIDCALL);

    // Nothing was bound by the refused calls ...
    IDirect3DBaseTexture9* tex = reinterpret_cast<IDirect3DBaseTexture9*>(1);
    EXPECT_EQ(device_->GetTexture(0, &tex), D3D_OK);
    EXPECT_EQ(tex, nullptr);
    IDirect3DIndexBuffer9* ib = reinterpret_cast<IDirect3DIndexBuffer9*>(1);
    EXPECT_EQ(device_->GetIndices(&ib), D3D_OK);
    EXPECT_EQ(ib, nullptr);
    IDirect3DSurface9* rt = nullptr;
    ASSERT_EQ(device_->GetRenderTarget(0, &rt), D3D_OK);
    EXPECT_NE(rt, theirs.target);
    rt->Release();

    // ... while the device's own objects are taken.
    EXPECT_EQ(device_->SetTexture(0, mine.texture), D3D_OK);
    EXPECT_EQ(device_->SetRenderTarget(0, mine.target), D3D_OK);
    EXPECT_EQ(device_->SetDepthStencilSurface(mine.depth), D3D_OK);
    EXPECT_EQ(device_->SetStreamSource(0, mine.vertices, 0, sizeof(TVertex)), D3D_OK);
    EXPECT_EQ(device_->SetIndices(mine.indices), D3D_OK);
    EXPECT_EQ(device_->SetVertexDeclaration(mine.declaration), D3D_OK);
    EXPECT_EQ(device_->SetVertexShader(mine.vs), D3D_OK);
    EXPECT_EQ(device_->SetPixelShader(mine.ps), D3D_OK);
    // The other device takes its own.
    EXPECT_EQ(other->SetTexture(0, theirs.texture), D3D_OK);
    EXPECT_EQ(other->SetTexture(1, mine.texture), D3DERR_INVALIDCALL);

    mine.Release();
    theirs.Release();
    EXPECT_EQ(other->Release(), 0u);
    DestroyWindows(otherWin);
}

// A Reset refused because resources are still held unbinds everything, the
// render target included: Clear and every draw call then fail alike, and
// work again after a Reset that succeeds.
TEST_F(D3D9Test, DrawsAfterAFailedResetAreRefusedLikeClear)
{
    MakeWindowedDevice();
    IDirect3DTexture9* held = nullptr;
    ASSERT_EQ(device_->CreateTexture(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &held,
                                     nullptr),
              D3D_OK);
    IDirect3DVertexBuffer9* vb = nullptr;
    ASSERT_EQ(device_->CreateVertexBuffer(3 * sizeof(TVertex), 0, 0, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
    IDirect3DIndexBuffer9* ib = nullptr;
    ASSERT_EQ(device_->CreateIndexBuffer(6, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr), D3D_OK);
    const TVertex tri[3] = {
        {10, 10, 0.5f, 1, 0xffff0000}, {60, 10, 0.5f, 1, 0xffff0000}, {10, 60, 0.5f, 1, 0xffff0000}};
    const WORD idx[3] = {0, 1, 2};
    void* p = nullptr;
    ASSERT_EQ(vb->Lock(0, 0, &p, 0), D3D_OK);
    std::memcpy(p, tri, sizeof tri);
    vb->Unlock();
    ASSERT_EQ(ib->Lock(0, 0, &p, 0), D3D_OK);
    std::memcpy(p, idx, sizeof idx);
    ib->Unlock();

    // Binds what the draws need; what each one returns, in a fixed order.
    auto draws = [&]() {
        device_->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
        device_->SetRenderState(D3DRS_LIGHTING, FALSE);
        std::vector<HRESULT> r;
        r.push_back(device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, tri, sizeof(TVertex)));
        r.push_back(device_->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 3, 1, idx, D3DFMT_INDEX16, tri,
                                                    sizeof(TVertex)));
        device_->SetStreamSource(0, vb, 0, sizeof(TVertex));
        device_->SetIndices(ib);
        r.push_back(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1));
        r.push_back(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 0, 1));
        return r;
    };
    const std::vector<HRESULT> ok(4, D3D_OK);
    const std::vector<HRESULT> refused(4, D3DERR_INVALIDCALL);

    ASSERT_EQ(device_->BeginScene(), D3D_OK);
    EXPECT_EQ(draws(), ok);
    ASSERT_EQ(device_->EndScene(), D3D_OK);

    D3DPRESENT_PARAMETERS pp = WindowedParams(win_.child);
    ASSERT_EQ(device_->Reset(&pp), D3DERR_INVALIDCALL);  // `held` is still alive
    EXPECT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(draws(), refused);

    held->Release();
    ASSERT_EQ(device_->Reset(&pp), D3D_OK);
    EXPECT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3D_OK);
    ASSERT_EQ(device_->BeginScene(), D3D_OK);
    EXPECT_EQ(draws(), ok);
    ASSERT_EQ(device_->EndScene(), D3D_OK);
    device_->SetStreamSource(0, nullptr, 0, 0);
    device_->SetIndices(nullptr);
    vb->Release();
    ib->Release();
}
