// Device creation, reference counting, recorded state, swap chains, loss and
// reset.
#include "d3d9_fixture.h"

#include <cstring>

#include <qrn_win32_testctl.h>

using namespace d3d9test;
namespace tc = qrn::d3d9::testctl;

TEST_F(D3D9Test, CreateDeviceRefusesBadInput)
{
    D3DPRESENT_PARAMETERS pp = WindowedParams(win_.child);
    IDirect3DDevice9* dev = reinterpret_cast<IDirect3DDevice9*>(0x1);
    EXPECT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, win_.top, D3DCREATE_HARDWARE_VERTEXPROCESSING, nullptr, &dev),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(dev, nullptr);
    EXPECT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, win_.top, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d_->CreateDevice(1, D3DDEVTYPE_HAL, win_.top, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &dev),
              D3DERR_INVALIDCALL);
    // No vertex processing flag, or two of them.
    EXPECT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, win_.top, 0, &pp, &dev), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, win_.top,
                                 D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp,
                                 &dev),
              D3DERR_INVALIDCALL);
    D3DPRESENT_PARAMETERS bad = pp;
    bad.hDeviceWindow = reinterpret_cast<HWND>(static_cast<intptr_t>(0x7777));
    EXPECT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &bad, &dev),
              D3DERR_INVALIDCALL);
    bad = pp;
    bad.hDeviceWindow = nullptr;
    EXPECT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &bad, &dev),
              D3DERR_INVALIDCALL);
    bad = pp;
    bad.BackBufferFormat = static_cast<D3DFORMAT>(999);
    EXPECT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, win_.top, D3DCREATE_HARDWARE_VERTEXPROCESSING, &bad, &dev),
              D3DERR_INVALIDCALL);
    bad = pp;
    bad.AutoDepthStencilFormat = D3DFMT_A8R8G8B8;
    EXPECT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, win_.top, D3DCREATE_HARDWARE_VERTEXPROCESSING, &bad, &dev),
              D3DERR_INVALIDCALL);
    bad = pp;
    bad.SwapEffect = static_cast<D3DSWAPEFFECT>(0);
    EXPECT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, win_.top, D3DCREATE_HARDWARE_VERTEXPROCESSING, &bad, &dev),
              D3DERR_INVALIDCALL);
    // Full screen in a size the adapter does not offer.
    D3DPRESENT_PARAMETERS fs = FullscreenParams(win_.top, 1234, 567);
    EXPECT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, win_.top, D3DCREATE_HARDWARE_VERTEXPROCESSING, &fs, &dev),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(dev, nullptr);
    EXPECT_EQ(RefCount(d3d_), 1u);  // nothing leaked a reference
}

TEST_F(D3D9Test, WindowedDeviceTakesTheClientSizeAndCountsReferences)
{
    MakeWindowedDevice();
    EXPECT_EQ(RefCount(d3d_), 2u);  // the device holds the Direct3D object

    IDirect3DSwapChain9* sc = nullptr;
    ASSERT_EQ(device_->GetSwapChain(0, &sc), D3D_OK);
    EXPECT_EQ(RefCount(device_), 2u);  // a handed-out swap chain keeps the device
    D3DPRESENT_PARAMETERS pp{};
    ASSERT_EQ(sc->GetPresentParameters(&pp), D3D_OK);
    const RECT c = Client(win_.child);
    EXPECT_EQ(pp.BackBufferWidth, static_cast<UINT>(c.right));
    EXPECT_EQ(pp.BackBufferHeight, static_cast<UINT>(c.bottom));
    EXPECT_EQ(pp.BackBufferFormat, D3DFMT_X8R8G8B8);

    IDirect3DSurface9* back = nullptr;
    ASSERT_EQ(device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
    IDirect3DSurface9* back2 = nullptr;
    ASSERT_EQ(sc->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back2), D3D_OK);
    EXPECT_EQ(back, back2);
    IDirect3DSurface9* rt = nullptr;
    ASSERT_EQ(device_->GetRenderTarget(0, &rt), D3D_OK);
    EXPECT_EQ(rt, back);
    D3DSURFACE_DESC d{};
    ASSERT_EQ(back->GetDesc(&d), D3D_OK);
    EXPECT_EQ(d.Width, pp.BackBufferWidth);
    EXPECT_EQ(d.Usage, static_cast<DWORD>(D3DUSAGE_RENDERTARGET));
    EXPECT_EQ(d.Pool, D3DPOOL_DEFAULT);
    IDirect3DSwapChain9* container = nullptr;
    ASSERT_EQ(back->GetContainer(IID_IDirect3DSwapChain9, reinterpret_cast<void**>(&container)), D3D_OK);
    EXPECT_EQ(container, sc);
    container->Release();

    IDirect3DSurface9* ds = nullptr;
    ASSERT_EQ(device_->GetDepthStencilSurface(&ds), D3D_OK);
    ASSERT_EQ(ds->GetDesc(&d), D3D_OK);
    EXPECT_EQ(d.Format, D3DFMT_D24X8);
    EXPECT_EQ(d.Usage, static_cast<DWORD>(D3DUSAGE_DEPTHSTENCIL));

    rt->Release();
    back2->Release();
    back->Release();
    ds->Release();
    EXPECT_EQ(sc->Release(), 0u);  // its own count; the device keeps the chain
    EXPECT_EQ(RefCount(device_), 1u);
    D3DVIEWPORT9 vp{};
    ASSERT_EQ(device_->GetViewport(&vp), D3D_OK);
    EXPECT_EQ(vp.Width, pp.BackBufferWidth);
    EXPECT_EQ(vp.Height, pp.BackBufferHeight);
    EXPECT_EQ(vp.MaxZ, 1.0f);
}

TEST_F(D3D9Test, GetAnswersWhatWasSet)
{
    MakeWindowedDevice();
    DWORD v = 0;
    // Defaults first.
    ASSERT_EQ(device_->GetRenderState(D3DRS_ZENABLE, &v), D3D_OK);
    EXPECT_EQ(v, static_cast<DWORD>(D3DZB_TRUE));
    device_->GetRenderState(D3DRS_CULLMODE, &v);
    EXPECT_EQ(v, static_cast<DWORD>(D3DCULL_CCW));
    device_->GetRenderState(D3DRS_LIGHTING, &v);
    EXPECT_EQ(v, static_cast<DWORD>(TRUE));
    device_->GetRenderState(D3DRS_FOGDENSITY, &v);
    float f;
    std::memcpy(&f, &v, 4);
    EXPECT_EQ(f, 1.0f);
    device_->GetTextureStageState(0, D3DTSS_COLOROP, &v);
    EXPECT_EQ(v, static_cast<DWORD>(D3DTOP_MODULATE));
    device_->GetTextureStageState(1, D3DTSS_COLOROP, &v);
    EXPECT_EQ(v, static_cast<DWORD>(D3DTOP_DISABLE));
    device_->GetTextureStageState(3, D3DTSS_TEXCOORDINDEX, &v);
    EXPECT_EQ(v, 3u);
    device_->GetSamplerState(0, D3DSAMP_MAGFILTER, &v);
    EXPECT_EQ(v, static_cast<DWORD>(D3DTEXF_POINT));

    EXPECT_EQ(device_->SetRenderState(D3DRS_AMBIENT, 0xFFFF7F00), D3D_OK);
    device_->GetRenderState(D3DRS_AMBIENT, &v);
    EXPECT_EQ(v, 0xFFFF7F00u);
    EXPECT_EQ(device_->SetTextureStageState(2, D3DTSS_ALPHAOP, D3DTOP_ADD), D3D_OK);
    device_->GetTextureStageState(2, D3DTSS_ALPHAOP, &v);
    EXPECT_EQ(v, static_cast<DWORD>(D3DTOP_ADD));
    EXPECT_EQ(device_->SetSamplerState(5, D3DSAMP_ADDRESSU, D3DTADDRESS_MIRROR), D3D_OK);
    device_->GetSamplerState(5, D3DSAMP_ADDRESSU, &v);
    EXPECT_EQ(v, static_cast<DWORD>(D3DTADDRESS_MIRROR));

    D3DMATRIX m{};
    for (int i = 0; i < 16; ++i) m.m[i / 4][i % 4] = static_cast<float>(i + 1);
    for (D3DTRANSFORMSTATETYPE t : {D3DTS_VIEW, D3DTS_PROJECTION, D3DTS_WORLD, D3DTS_TEXTURE3}) {
        ASSERT_EQ(device_->SetTransform(t, &m), D3D_OK);
        D3DMATRIX back{};
        ASSERT_EQ(device_->GetTransform(t, &back), D3D_OK);
        EXPECT_EQ(std::memcmp(&m, &back, sizeof m), 0) << t;
    }
    D3DMATRIX world1{};
    ASSERT_EQ(device_->GetTransform(D3DTS_WORLD1, &world1), D3D_OK);
    EXPECT_EQ(world1._11, 1.0f);  // untouched: identity
    EXPECT_EQ(world1._12, 0.0f);

    D3DMATERIAL9 mat{};
    mat.Diffuse = {1, 0.5f, 0.25f, 1};
    mat.Power = 7;
    ASSERT_EQ(device_->SetMaterial(&mat), D3D_OK);
    D3DMATERIAL9 mat2{};
    ASSERT_EQ(device_->GetMaterial(&mat2), D3D_OK);
    EXPECT_EQ(std::memcmp(&mat, &mat2, sizeof mat), 0);

    D3DLIGHT9 l{};
    l.Type = D3DLIGHT_SPOT;
    l.Diffuse = {1, 1, 1, 1};
    l.Range = 100;
    l.Theta = 0.5f;
    l.Phi = 1.0f;
    ASSERT_EQ(device_->SetLight(3, &l), D3D_OK);
    D3DLIGHT9 l2{};
    ASSERT_EQ(device_->GetLight(3, &l2), D3D_OK);
    EXPECT_EQ(std::memcmp(&l, &l2, sizeof l), 0);
    BOOL on = TRUE;
    ASSERT_EQ(device_->GetLightEnable(3, &on), D3D_OK);
    EXPECT_FALSE(on);
    ASSERT_EQ(device_->LightEnable(3, TRUE), D3D_OK);
    device_->GetLightEnable(3, &on);
    EXPECT_TRUE(on);
    // Enabling a light that was never set creates the default light.
    EXPECT_EQ(device_->GetLight(6, &l2), D3DERR_INVALIDCALL);
    ASSERT_EQ(device_->LightEnable(6, TRUE), D3D_OK);
    ASSERT_EQ(device_->GetLight(6, &l2), D3D_OK);
    EXPECT_EQ(l2.Type, D3DLIGHT_DIRECTIONAL);
    EXPECT_EQ(l2.Diffuse.r, 1.0f);
    EXPECT_EQ(l2.Direction.z, 1.0f);
    // Beyond the lights that may be on at once, enabling one fails and leaves
    // nothing behind; turning one off makes room.
    D3DCAPS9 caps{};
    device_->GetDeviceCaps(&caps);
    for (DWORD i = 2; i < caps.MaxActiveLights; ++i) ASSERT_EQ(device_->LightEnable(10 + i, TRUE), D3D_OK);
    EXPECT_EQ(device_->LightEnable(40, TRUE), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->GetLight(40, &l2), D3DERR_INVALIDCALL);
    ASSERT_EQ(device_->LightEnable(3, FALSE), D3D_OK);
    EXPECT_EQ(device_->LightEnable(40, TRUE), D3D_OK);

    ASSERT_EQ(device_->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1), D3D_OK);
    device_->GetFVF(&v);
    EXPECT_EQ(v, static_cast<DWORD>(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1));
    IDirect3DVertexDeclaration9* decl = nullptr;
    ASSERT_EQ(device_->GetVertexDeclaration(&decl), D3D_OK);
    ASSERT_NE(decl, nullptr);
    UINT n = 0;
    ASSERT_EQ(decl->GetDeclaration(nullptr, &n), D3D_OK);
    EXPECT_EQ(n, 4u);  // position, normal, texcoord, end
    decl->Release();

    EXPECT_EQ(device_->SetSoftwareVertexProcessing(TRUE), D3DERR_INVALIDCALL);  // a hardware device
    const float c[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_EQ(device_->SetVertexShaderConstantF(4, c, 2), D3D_OK);
    float back[8] = {};
    ASSERT_EQ(device_->GetVertexShaderConstantF(4, back, 2), D3D_OK);
    EXPECT_EQ(std::memcmp(c, back, sizeof c), 0);
    EXPECT_EQ(device_->SetVertexShaderConstantF(255, c, 2), D3DERR_INVALIDCALL);
}

TEST_F(D3D9Test, MixedDeviceSwitchesVertexProcessing)
{
    MakeWindowedDevice(D3DCREATE_MIXED_VERTEXPROCESSING);
    EXPECT_FALSE(device_->GetSoftwareVertexProcessing());
    EXPECT_EQ(device_->SetSoftwareVertexProcessing(TRUE), D3D_OK);
    EXPECT_TRUE(device_->GetSoftwareVertexProcessing());
}

TEST_F(D3D9Test, StateCallsRefuseBadInputWithoutCrashing)
{
    MakeWindowedDevice();
    DWORD v = 0;
    EXPECT_EQ(device_->SetRenderState(static_cast<D3DRENDERSTATETYPE>(5000), 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->GetRenderState(D3DRS_ZENABLE, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->GetRenderState(static_cast<D3DRENDERSTATETYPE>(-1), &v), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetTextureStageState(8, D3DTSS_COLOROP, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetTextureStageState(0, static_cast<D3DTEXTURESTAGESTATETYPE>(40), 1),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetSamplerState(16, D3DSAMP_MAGFILTER, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(1), nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(9999), nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetMaterial(nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetLight(0, nullptr), D3DERR_INVALIDCALL);
    D3DLIGHT9 badType{};
    EXPECT_EQ(device_->SetLight(0, &badType), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetViewport(nullptr), D3DERR_INVALIDCALL);
    D3DVIEWPORT9 tooBig{0, 0, 5000, 5000, 0, 1};
    EXPECT_EQ(device_->SetViewport(&tooBig), D3DERR_INVALIDCALL);
    D3DVIEWPORT9 empty{0, 0, 0, 10, 0, 1};
    EXPECT_EQ(device_->SetViewport(&empty), D3DERR_INVALIDCALL);
    D3DVIEWPORT9 ok{2, 3, 20, 30, 0.25f, 0.75f};
    EXPECT_EQ(device_->SetViewport(&ok), D3D_OK);
    D3DVIEWPORT9 got{};
    device_->GetViewport(&got);
    EXPECT_EQ(std::memcmp(&ok, &got, sizeof ok), 0);
    EXPECT_EQ(device_->SetRenderTarget(0, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetRenderTarget(4, nullptr), D3DERR_INVALIDCALL);
    IDirect3DSurface9* s = reinterpret_cast<IDirect3DSurface9*>(0x1);
    EXPECT_EQ(device_->GetRenderTarget(1, &s), D3DERR_NOTFOUND);
    EXPECT_EQ(s, nullptr);
    EXPECT_EQ(device_->SetFVF(D3DFVF_XYZRHW | D3DFVF_NORMAL), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetStreamSource(16, nullptr, 0, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->Clear(0, nullptr, 0, 0, 1.0f, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->Clear(1, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.0f, 0), D3DERR_INVALIDCALL);  // D24X8: no stencil
    EXPECT_EQ(device_->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 2.0f, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->EndScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->BeginScene(), D3D_OK);
    EXPECT_EQ(device_->BeginScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->EndScene(), D3D_OK);
    EXPECT_EQ(device_->GetBackBuffer(1, 0, D3DBACKBUFFER_TYPE_MONO, &s), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->GetBackBuffer(0, 1, D3DBACKBUFFER_TYPE_MONO, &s), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->GetSwapChain(1, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->CreateVertexShader(nullptr, nullptr), D3DERR_INVALIDCALL);
    IDirect3DVertexShader9* vs = nullptr;
    const DWORD notShader[] = {0x12345678, 0x0000FFFF};
    EXPECT_EQ(device_->CreateVertexShader(notShader, &vs), D3DERR_INVALIDCALL);
    const DWORD smallest[] = {0xFFFE0101, 0x0000FFFF};  // vs_1_1 with nothing but the end
    ASSERT_EQ(device_->CreateVertexShader(smallest, &vs), D3D_OK);
    UINT size = 0;
    EXPECT_EQ(vs->GetFunction(nullptr, &size), D3D_OK);
    EXPECT_EQ(size, 8u);
    vs->Release();
}

// Rectangles and points at the far ends of the coordinate range are refused
// before any arithmetic on them can overflow.
TEST_F(D3D9Test, FarOutRectanglesAreRefusedWithoutOverflow)
{
    MakeWindowedDevice();
    constexpr LONG kMin = INT32_MIN, kMax = INT32_MAX;
    RECT scissor{};
    ASSERT_EQ(device_->GetScissorRect(&scissor), D3D_OK);
    const RECT wide{kMin, 0, kMax, 10};
    const RECT tall{0, -10, 10, kMax};
    EXPECT_EQ(device_->SetScissorRect(&wide), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetScissorRect(&tall), D3DERR_INVALIDCALL);
    RECT got{};
    ASSERT_EQ(device_->GetScissorRect(&got), D3D_OK);
    EXPECT_EQ(std::memcmp(&got, &scissor, sizeof got), 0);
    const RECT offScreen{-50, -50, 5000, 5000};  // large but representable: kept
    EXPECT_EQ(device_->SetScissorRect(&offScreen), D3D_OK);

    IDirect3DSurface9* sys = nullptr;
    IDirect3DSurface9* rt = nullptr;
    ASSERT_EQ(device_->CreateOffscreenPlainSurface(8, 8, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &sys, nullptr), D3D_OK);
    ASSERT_EQ(device_->CreateRenderTarget(16, 16, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &rt, nullptr),
              D3D_OK);
    for (const POINT at : {POINT{kMax, 0}, POINT{0, kMax}, POINT{kMax - 4, kMax - 4}, POINT{kMin, kMin}})
        EXPECT_EQ(device_->UpdateSurface(sys, nullptr, rt, &at), D3DERR_INVALIDCALL) << at.x << "," << at.y;
    const POINT inside{8, 8};
    EXPECT_EQ(device_->UpdateSurface(sys, nullptr, rt, &inside), D3D_OK);
    sys->Release();
    rt->Release();

    ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xff00ff00, 1.0f, 0), D3D_OK);
    const RECT farDst{kMax - 10, kMax - 10, kMax, kMax};
    const RECT hugeDst{kMin, kMin, kMax, kMax};
    EXPECT_EQ(device_->Present(nullptr, &farDst, nullptr, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->Present(nullptr, &hugeDst, nullptr, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
}

TEST_F(D3D9Test, AdditionalSwapChainsFollowTheirWindowAndKeepTheDevice)
{
    MakeWindowedDevice();
    Windows other = MakeWindows(120, 90, -1);
    D3DPRESENT_PARAMETERS pp = WindowedParams(other.top);
    pp.EnableAutoDepthStencil = FALSE;
    IDirect3DSwapChain9* sc = nullptr;
    ASSERT_EQ(device_->CreateAdditionalSwapChain(&pp, &sc), D3D_OK);
    EXPECT_EQ(pp.BackBufferWidth, 120u);  // 0 became the client size
    EXPECT_EQ(pp.BackBufferHeight, 90u);
    EXPECT_EQ(RefCount(device_), 2u);
    IDirect3DSurface9* back = nullptr;
    ASSERT_EQ(sc->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
    ASSERT_EQ(device_->SetRenderTarget(0, back), D3D_OK);
    D3DVIEWPORT9 vp{};
    device_->GetViewport(&vp);
    EXPECT_EQ(vp.Width, 120u);  // a new render target resets the viewport
    EXPECT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff00ff00, 1.0f, 0), D3D_OK);
    back->Release();
    // Released by the caller but still render target 0: the chain stays usable.
    EXPECT_EQ(sc->Release(), 0u);
    IDirect3DSurface9* rt = nullptr;
    ASSERT_EQ(device_->GetRenderTarget(0, &rt), D3D_OK);
    ASSERT_EQ(rt->GetDesc(nullptr), D3DERR_INVALIDCALL);
    D3DSURFACE_DESC d{};
    ASSERT_EQ(rt->GetDesc(&d), D3D_OK);
    EXPECT_EQ(d.Width, 120u);
    rt->Release();
    // Full-screen parameters are refused for an additional chain.
    D3DPRESENT_PARAMETERS fs = FullscreenParams(other.top, 640, 480);
    EXPECT_EQ(device_->CreateAdditionalSwapChain(&fs, &sc), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->CreateAdditionalSwapChain(nullptr, &sc), D3DERR_INVALIDCALL);
    // Back to the device's own back buffer; the chain goes away with its binding.
    IDirect3DSurface9* own = nullptr;
    device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &own);
    device_->SetRenderTarget(0, own);
    own->Release();
    EXPECT_EQ(RefCount(device_), 1u);
    DestroyWindows(other);
}

TEST_F(D3D9Test, InjectedLossThenResetRules)
{
    MakeWindowedDevice();
    EXPECT_EQ(device_->TestCooperativeLevel(), D3D_OK);
    tc::LoseDeviceAtNextPresent(device_, 2);
    EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    EXPECT_EQ(device_->TestCooperativeLevel(), D3DERR_DEVICELOST);
    D3DPRESENT_PARAMETERS pp = WindowedParams(win_.child);
    EXPECT_EQ(device_->Reset(&pp), D3DERR_DEVICELOST);  // cannot be reset yet
    EXPECT_EQ(device_->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    // Drawing calls keep succeeding while lost.
    EXPECT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3D_OK);

    // A default-pool resource still alive makes Reset fail; the device stays lost.
    IDirect3DTexture9* rtTex = nullptr;
    ASSERT_EQ(device_->CreateTexture(64, 64, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &rtTex,
                                     nullptr),
              D3D_OK);
    IDirect3DTexture9* managed = nullptr;
    ASSERT_EQ(device_->CreateTexture(16, 16, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &managed, nullptr), D3D_OK);
    EXPECT_EQ(tc::DefaultPoolResources(device_), 1u);
    EXPECT_EQ(device_->Reset(&pp), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    // So does a reference to the device's own back buffer.
    rtTex->Release();
    IDirect3DSurface9* back = nullptr;
    device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
    EXPECT_EQ(device_->Reset(&pp), D3DERR_INVALIDCALL);
    back->Release();
    // A texture left bound on a stage does not hold the reset up.
    ASSERT_EQ(device_->CreateTexture(64, 64, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &rtTex,
                                     nullptr),
              D3D_OK);
    device_->SetTexture(0, rtTex);
    rtTex->Release();
    EXPECT_EQ(device_->SetRenderState(D3DRS_LIGHTING, FALSE), D3D_OK);
    ASSERT_EQ(device_->Reset(&pp), D3D_OK);
    EXPECT_EQ(device_->TestCooperativeLevel(), D3D_OK);
    EXPECT_EQ(tc::DefaultPoolResources(device_), 0u);
    // Reset brought every state back to its default; managed resources survive.
    DWORD v = 0;
    device_->GetRenderState(D3DRS_LIGHTING, &v);
    EXPECT_EQ(v, static_cast<DWORD>(TRUE));
    IDirect3DBaseTexture9* bound = reinterpret_cast<IDirect3DBaseTexture9*>(0x1);
    device_->GetTexture(0, &bound);
    EXPECT_EQ(bound, nullptr);
    EXPECT_EQ(managed->GetLevelCount(), 5u);
    EXPECT_EQ(managed->Release(), 0u);
    EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(device_->Reset(nullptr), D3DERR_INVALIDCALL);
}

// A Reset whose new back buffer cannot be made leaves a device that needs a
// reset: it falls back to a one-pixel swap chain, and where even that cannot
// be made, calls that would need one fail instead of crashing.
TEST_F(D3D9Test, ResetWithoutVideoMemoryLeavesADeviceThatCanBeResetAgain)
{
    MakeWindowedDevice();
    D3DPRESENT_PARAMETERS pp = WindowedParams(win_.child);
    tc::FailNextGlStorage(1);
    EXPECT_EQ(device_->Reset(&pp), D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(device_->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    IDirect3DSurface9* back = nullptr;
    ASSERT_EQ(device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
    D3DSURFACE_DESC desc{};
    back->GetDesc(&desc);
    EXPECT_EQ(desc.Width, 1u);
    back->Release();

    pp = WindowedParams(win_.child);
    tc::FailNextGlStorage(2);
    EXPECT_EQ(device_->Reset(&pp), D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(device_->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    back = nullptr;
    EXPECT_EQ(device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3DERR_INVALIDCALL);
    EXPECT_EQ(back, nullptr);
    IDirect3DSwapChain9* chain = nullptr;
    EXPECT_EQ(device_->GetSwapChain(0, &chain), D3DERR_INVALIDCALL);
    D3DDISPLAYMODE mode{};
    EXPECT_EQ(device_->GetDisplayMode(0, &mode), D3D_OK);
    D3DPRESENT_PARAMETERS extra = WindowedParams(win_.top);
    EXPECT_EQ(device_->CreateAdditionalSwapChain(&extra, &chain), D3DERR_INVALIDCALL);
    EXPECT_NE(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);

    pp = WindowedParams(win_.child);
    ASSERT_EQ(device_->Reset(&pp), D3D_OK);
    EXPECT_EQ(device_->TestCooperativeLevel(), D3D_OK);
    EXPECT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff336699, 1.0f, 0), D3D_OK);
    std::vector<uint32_t> px;
    int w = 0, h = 0;
    ASSERT_TRUE(PresentAndCapture(device_, &px, &w, &h));
    EXPECT_EQ(At(px, w, w / 2, h / 2), 0x336699u);
}

TEST_F(D3D9Test, FullScreenDeviceIsLostWhileMinimisedOrUnfocused)
{
    D3DDISPLAYMODE desk{};
    ASSERT_EQ(d3d_->GetAdapterDisplayMode(0, &desk), D3D_OK);
    D3DPRESENT_PARAMETERS pp = FullscreenParams(win_.top, desk.Width, desk.Height);
    ASSERT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, win_.top, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device_),
              D3D_OK);
    EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    // Additional swap chains belong to windowed devices only.
    IDirect3DSwapChain9* sc = nullptr;
    D3DPRESENT_PARAMETERS wp = WindowedParams(win_.child);
    EXPECT_EQ(device_->CreateAdditionalSwapChain(&wp, &sc), D3DERR_INVALIDCALL);

    ShowWindow(win_.top, SW_MINIMIZE);
    if (!IsIconic(win_.top)) GTEST_SKIP() << "the window cannot be minimised here";
    EXPECT_EQ(device_->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    EXPECT_EQ(device_->Reset(&pp), D3DERR_DEVICELOST);
    ShowWindow(win_.top, SW_RESTORE);
    EXPECT_EQ(device_->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    ASSERT_EQ(device_->Reset(&pp), D3D_OK);
    EXPECT_EQ(device_->TestCooperativeLevel(), D3D_OK);
    EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
}

TEST_F(D3D9Test, FullScreenDeviceIsLostWhenItsWindowLosesFocus)
{
    D3DDISPLAYMODE desk{};
    ASSERT_EQ(d3d_->GetAdapterDisplayMode(0, &desk), D3D_OK);
    D3DPRESENT_PARAMETERS pp = FullscreenParams(win_.top, desk.Width, desk.Height);
    ASSERT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, win_.top, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device_),
              D3D_OK);
    qrn::win32::testctl::SimulateFocus(win_.top, true);
    EXPECT_EQ(device_->TestCooperativeLevel(), D3D_OK);
    qrn::win32::testctl::SimulateFocus(win_.top, false);
    EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    EXPECT_EQ(device_->TestCooperativeLevel(), D3DERR_DEVICELOST);
    qrn::win32::testctl::SimulateFocus(win_.top, true);
    EXPECT_EQ(device_->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    ASSERT_EQ(device_->Reset(&pp), D3D_OK);
    EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
}

TEST_F(D3D9Test, WindowedDeviceIsNotLostByFocus)
{
    MakeWindowedDevice();
    qrn::win32::testctl::SimulateFocus(win_.top, false);
    EXPECT_EQ(device_->TestCooperativeLevel(), D3D_OK);
    EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
}
