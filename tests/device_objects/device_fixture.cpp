#include "device_fixture.h"

#include <SDL.h>
#include <qrn_win32_testctl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace devobj {

namespace {

const char* kClassName = "DeviceObjectTestClass";

LRESULT CALLBACK TestWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

std::string TempDir()
{
    static std::string dir;
    if (dir.empty()) {
        char buf[] = "/tmp/qrn_devobj_XXXXXX";
        const char* made = mkdtemp(buf);
        dir = made ? made : "/tmp";
    }
    return dir;
}

void Put16(std::vector<uint8_t>& b, unsigned v)
{
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& b, unsigned v)
{
    Put16(b, v & 0xffff);
    Put16(b, v >> 16);
}

}  // namespace

void DeviceTest::SetUp()
{
    // A small desktop: the windowed device's own swap chain is desktop-sized.
    qrn::win32::testctl::SetScreenSize(640, 480);
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = TestWndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kClassName;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    RegisterClassExA(&wc);  // already registered by an earlier test: fine

    m_hWnd = CreateWindowExA(0, kClassName, "device objects", WS_POPUP, 0, 0, kWindowWidth,
                             kWindowHeight, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(m_hWnd, nullptr);
    m_pDevice = std::make_unique<qrn::CRenderDeviceD3D9>();
    if (!m_pDevice->InitWindowed(m_hWnd, m_hWnd, 0)) {
        m_pDevice.reset();
        GTEST_SKIP() << "no Direct3D device on this machine (" << SDL_GetError() << ")";
    }
}

void DeviceTest::TearDown()
{
    m_pDevice.reset();
    if (m_hWnd) DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
    qrn::win32::testctl::SetScreenSize(0, 0);
}

DWORD DeviceTest::RenderState(D3DRENDERSTATETYPE state) const
{
    DWORD v = 0xDEADBEEF;
    D3D()->GetRenderState(state, &v);
    return v;
}

DWORD DeviceTest::StageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type) const
{
    DWORD v = 0xDEADBEEF;
    D3D()->GetTextureStageState(stage, type, &v);
    return v;
}

DWORD DeviceTest::SamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type) const
{
    DWORD v = 0xDEADBEEF;
    D3D()->GetSamplerState(sampler, type, &v);
    return v;
}

void DeviceTest::Poke(D3DRENDERSTATETYPE state, DWORD value) const
{
    D3D()->SetRenderState(state, value);
}

std::vector<uint32_t> DeviceTest::ReadBack(unsigned* width, unsigned* height) const
{
    std::vector<uint32_t> out;
    IDirect3DSurface9* target = nullptr;
    if (FAILED(D3D()->GetRenderTarget(0, &target)) || !target) return out;
    D3DSURFACE_DESC desc{};
    target->GetDesc(&desc);
    IDirect3DSurface9* copy = nullptr;
    if (SUCCEEDED(D3D()->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format,
                                                     D3DPOOL_SYSTEMMEM, &copy, nullptr)) &&
        SUCCEEDED(D3D()->GetRenderTargetData(target, copy))) {
        D3DLOCKED_RECT locked{};
        if (SUCCEEDED(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
            out.resize(static_cast<size_t>(desc.Width) * desc.Height);
            for (unsigned y = 0; y < desc.Height; ++y) {
                const auto* row = reinterpret_cast<const uint8_t*>(locked.pBits) + y * locked.Pitch;
                for (unsigned x = 0; x < desc.Width; ++x) {
                    uint32_t px;
                    std::memcpy(&px, row + 4 * x, 4);
                    out[y * desc.Width + x] = px;
                }
            }
            copy->UnlockRect();
        }
        if (width) *width = desc.Width;
        if (height) *height = desc.Height;
    }
    if (copy) copy->Release();
    target->Release();
    return out;
}

std::string WriteBytes(const std::string& name, const std::vector<uint8_t>& bytes)
{
    const std::string path = TempDir() + "/" + name;
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    return path;
}

std::string WriteBmp(const std::string& name, int w, int h, const std::vector<uint32_t>& px)
{
    const unsigned rowBytes = (static_cast<unsigned>(w) * 3 + 3) & ~3u;
    const unsigned dataBytes = rowBytes * static_cast<unsigned>(h);
    std::vector<uint8_t> b;
    b.push_back('B');
    b.push_back('M');
    Put32(b, 54 + dataBytes);
    Put32(b, 0);
    Put32(b, 54);
    Put32(b, 40);
    Put32(b, static_cast<unsigned>(w));
    Put32(b, static_cast<unsigned>(h));  // bottom-up
    Put16(b, 1);
    Put16(b, 24);
    Put32(b, 0);
    Put32(b, dataBytes);
    Put32(b, 2835);
    Put32(b, 2835);
    Put32(b, 0);
    Put32(b, 0);
    for (int y = h - 1; y >= 0; --y) {
        unsigned written = 0;
        for (int x = 0; x < w; ++x) {
            const uint32_t c = px[static_cast<size_t>(y) * w + x];
            b.push_back(static_cast<uint8_t>(c));
            b.push_back(static_cast<uint8_t>(c >> 8));
            b.push_back(static_cast<uint8_t>(c >> 16));
            written += 3;
        }
        for (; written < rowBytes; ++written) b.push_back(0);
    }
    return WriteBytes(name, b);
}

std::string WriteTga(const std::string& name, int w, int h, const std::vector<uint32_t>& px)
{
    std::vector<uint8_t> b = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    Put16(b, static_cast<unsigned>(w));
    Put16(b, static_cast<unsigned>(h));
    b.push_back(32);
    b.push_back(0x28);  // top-left origin, 8 alpha bits
    for (uint32_t c : px) Put32(b, c);  // B, G, R, A in file order
    return WriteBytes(name, b);
}

std::vector<uint32_t> Solid(int w, int h, uint32_t colour)
{
    return std::vector<uint32_t>(static_cast<size_t>(w) * h, colour);
}

}  // namespace devobj
