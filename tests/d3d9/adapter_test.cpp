// The Direct3D object: versions, device types, capabilities, display modes,
// format checks and their test-control injections.
#include "d3d9_fixture.h"

using namespace d3d9test;
namespace tc = qrn::d3d9::testctl;

TEST_F(D3D9Test, CreateAcceptsOnlyKnownSdkVersions)
{
    EXPECT_EQ(Direct3DCreate9(0), nullptr);
    EXPECT_EQ(Direct3DCreate9(30), nullptr);
    for (UINT v : {31u, 32u}) {
        IDirect3D9* d = Direct3DCreate9(v);
        ASSERT_NE(d, nullptr) << v;
        EXPECT_EQ(d->Release(), 0u);
    }
}

TEST_F(D3D9Test, DeviceTypesAndBackBufferFormats)
{
    EXPECT_EQ(d3d_->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, FALSE), D3D_OK);
    EXPECT_EQ(d3d_->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, TRUE), D3D_OK);
    EXPECT_EQ(d3d_->CheckDeviceType(1, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, TRUE),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d_->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_D16, TRUE),
              D3DERR_NOTAVAILABLE);
    EXPECT_EQ(d3d_->CheckDeviceType(0, static_cast<D3DDEVTYPE>(77), D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, TRUE),
              D3DERR_INVALIDCALL);
    // The reference device exists exactly when the GL behind it is a software one.
    D3DADAPTER_IDENTIFIER9 id{};
    ASSERT_EQ(d3d_->GetAdapterIdentifier(0, 0, &id), D3D_OK);
    const std::string renderer = id.Description;
    const bool software = renderer.find("llvmpipe") != std::string::npos ||
                          renderer.find("softpipe") != std::string::npos;
    EXPECT_EQ(d3d_->CheckDeviceType(0, D3DDEVTYPE_REF, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, TRUE) == D3D_OK,
              software);
}

TEST_F(D3D9Test, CapsAreTruthfulAndInjectable)
{
    D3DCAPS9 caps{};
    ASSERT_EQ(d3d_->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), D3D_OK);
    EXPECT_TRUE(caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT);
    EXPECT_TRUE(caps.RasterCaps & D3DPRASTERCAPS_FOGVERTEX);
    EXPECT_TRUE(caps.RasterCaps & D3DPRASTERCAPS_FOGTABLE);
    EXPECT_TRUE(caps.VertexProcessingCaps & D3DVTXPCAPS_TWEENING);
    EXPECT_FALSE(caps.TextureCaps & (D3DPTEXTURECAPS_POW2 | D3DPTEXTURECAPS_SQUAREONLY));
    EXPECT_GE(caps.MaxTextureWidth, 2048u);
    EXPECT_EQ(caps.MaxTextureWidth, caps.MaxTextureHeight);
    EXPECT_GE(caps.VertexShaderVersion, static_cast<DWORD>(D3DVS_VERSION(2, 0)));
    EXPECT_GE(caps.PixelShaderVersion, static_cast<DWORD>(D3DPS_VERSION(2, 0)));
    EXPECT_EQ(caps.MaxActiveLights, 8u);
    EXPECT_EQ(d3d_->GetDeviceCaps(0, D3DDEVTYPE_HAL, nullptr), D3DERR_INVALIDCALL);

    tc::SetMissingCaps(tc::kNoHardwareTnL | tc::kPow2Only | tc::kSquareOnly | tc::kNoVertexFog |
                       tc::kNoTableFog | tc::kNoTweening);
    D3DCAPS9 poor{};
    ASSERT_EQ(d3d_->GetDeviceCaps(0, D3DDEVTYPE_HAL, &poor), D3D_OK);
    EXPECT_FALSE(poor.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT);
    EXPECT_TRUE(poor.TextureCaps & D3DPTEXTURECAPS_POW2);
    EXPECT_TRUE(poor.TextureCaps & D3DPTEXTURECAPS_SQUAREONLY);
    EXPECT_FALSE(poor.RasterCaps & (D3DPRASTERCAPS_FOGVERTEX | D3DPRASTERCAPS_FOGTABLE));
    EXPECT_FALSE(poor.VertexProcessingCaps & D3DVTXPCAPS_TWEENING);
    // Everything else stays as it was.
    EXPECT_EQ(poor.MaxTextureWidth, caps.MaxTextureWidth);
    EXPECT_EQ(poor.PrimitiveMiscCaps, caps.PrimitiveMiscCaps);
}

TEST_F(D3D9Test, WithoutHardwareTnLOnlySoftwareVertexProcessingIsAccepted)
{
    tc::SetMissingCaps(tc::kNoHardwareTnL);
    D3DPRESENT_PARAMETERS pp = WindowedParams(win_.child);
    IDirect3DDevice9* dev = nullptr;
    EXPECT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, win_.top, D3DCREATE_MIXED_VERTEXPROCESSING, &pp, &dev),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(dev, nullptr);
    ASSERT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, win_.top, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &dev),
              D3D_OK);
    D3DCAPS9 caps{};
    dev->GetDeviceCaps(&caps);
    EXPECT_FALSE(caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT);
    EXPECT_TRUE(dev->GetSoftwareVertexProcessing());
    EXPECT_EQ(dev->Release(), 0u);
}

TEST_F(D3D9Test, ModesComeFromTheDisplayOrFromTheInjectedList)
{
    D3DDISPLAYMODE desk{};
    ASSERT_EQ(d3d_->GetAdapterDisplayMode(0, &desk), D3D_OK);
    EXPECT_GT(desk.Width, 0u);
    EXPECT_EQ(desk.Format, D3DFMT_X8R8G8B8);
    const UINT n = d3d_->GetAdapterModeCount(0, D3DFMT_X8R8G8B8);
    ASSERT_GE(n, 1u);
    bool deskListed = false;
    for (UINT i = 0; i < n; ++i) {
        D3DDISPLAYMODE m{};
        ASSERT_EQ(d3d_->EnumAdapterModes(0, D3DFMT_X8R8G8B8, i, &m), D3D_OK);
        deskListed |= m.Width == desk.Width && m.Height == desk.Height && m.RefreshRate == desk.RefreshRate;
    }
    EXPECT_TRUE(deskListed);
    D3DDISPLAYMODE m{};
    EXPECT_EQ(d3d_->EnumAdapterModes(0, D3DFMT_X8R8G8B8, n, &m), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d_->EnumAdapterModes(0, D3DFMT_X8R8G8B8, 0, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d_->GetAdapterModeCount(0, D3DFMT_R5G6B5), 0u);
    EXPECT_EQ(d3d_->GetAdapterDisplayMode(0, nullptr), D3DERR_INVALIDCALL);

    const D3DDISPLAYMODE modes[] = {{640, 480, 60, D3DFMT_X8R8G8B8},
                                    {1024, 768, 60, D3DFMT_X8R8G8B8},
                                    {1600, 1200, 75, D3DFMT_X8R8G8B8}};
    const D3DDISPLAYMODE given{1280, 1024, 60, D3DFMT_X8R8G8B8};
    tc::SetDisplayModes(modes, 3);
    tc::SetDesktopMode(&given);
    ASSERT_EQ(d3d_->GetAdapterModeCount(0, D3DFMT_X8R8G8B8), 3u);
    ASSERT_EQ(d3d_->EnumAdapterModes(0, D3DFMT_X8R8G8B8, 2, &m), D3D_OK);
    EXPECT_EQ(m.Width, 1600u);
    EXPECT_EQ(m.RefreshRate, 75u);
    ASSERT_EQ(d3d_->GetAdapterDisplayMode(0, &m), D3D_OK);
    EXPECT_EQ(m.Width, 1280u);
    EXPECT_EQ(m.Height, 1024u);
    tc::SetDisplayModes(nullptr, 0);
    EXPECT_EQ(d3d_->GetAdapterModeCount(0, D3DFMT_X8R8G8B8), n);
}

TEST_F(D3D9Test, FormatChecksForDepthAndRenderTargets)
{
    auto check = [&](DWORD usage, D3DRESOURCETYPE type, D3DFORMAT f) {
        return d3d_->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, usage, type, f);
    };
    for (D3DFORMAT f : {D3DFMT_D24S8, D3DFMT_D24X4S4, D3DFMT_D15S1, D3DFMT_D32, D3DFMT_D24X8, D3DFMT_D16})
        EXPECT_EQ(check(D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, f), D3D_OK) << f;
    for (D3DFORMAT f : {D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, D3DFMT_X1R5G5B5, D3DFMT_A1R5G5B5, D3DFMT_R5G6B5})
        EXPECT_EQ(check(D3DUSAGE_RENDERTARGET, D3DRTYPE_TEXTURE, f), D3D_OK) << f;
    // Depth formats are not colour targets and colour formats are not depth buffers.
    EXPECT_EQ(check(D3DUSAGE_RENDERTARGET, D3DRTYPE_TEXTURE, D3DFMT_D16), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(check(D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, D3DFMT_X8R8G8B8), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(check(0, D3DRTYPE_TEXTURE, D3DFMT_DXT5), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(check(0, D3DRTYPE_TEXTURE, static_cast<D3DFORMAT>(12345)), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(d3d_->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_A8R8G8B8, 0, D3DRTYPE_TEXTURE, D3DFMT_A8R8G8B8),
              D3DERR_INVALIDCALL);  // not a display format

    tc::FailFormat(D3DFMT_D32, true);
    tc::FailFormat(D3DFMT_X8R8G8B8, true);
    EXPECT_EQ(check(D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, D3DFMT_D32), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(check(D3DUSAGE_RENDERTARGET, D3DRTYPE_TEXTURE, D3DFMT_X8R8G8B8), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(check(D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, D3DFMT_D24X8), D3D_OK);
    tc::FailFormat(D3DFMT_D32, false);
    EXPECT_EQ(check(D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, D3DFMT_D32), D3D_OK);
}
