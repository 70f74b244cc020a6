#include "pixel_fixture.h"

#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "d3dx9math.h"

namespace scenepx {

namespace {
const char* kClassName = "ScenePixelTestClass";

LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void Put16(std::vector<unsigned char>& b, unsigned v) {
    b.push_back(static_cast<unsigned char>(v));
    b.push_back(static_cast<unsigned char>(v >> 8));
}
void Put32(std::vector<unsigned char>& b, unsigned v) {
    Put16(b, v & 0xffff);
    Put16(b, v >> 16);
}
}  // namespace

std::string TempPath(const std::string& name) {
    static std::string dir;
    if (dir.empty()) {
        char buf[] = "/tmp/qrn_scenepx_XXXXXX";
        const char* made = mkdtemp(buf);
        dir = made ? made : "/tmp";
    }
    return dir + "/" + name;
}

std::string WriteFile(const std::string& name, const std::vector<unsigned char>& bytes) {
    const std::string path = TempPath(name);
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    return path;
}

std::string WriteSolidBmp(const std::string& name, int w, int h, uint32_t rgb) {
    const unsigned rowBytes = (static_cast<unsigned>(w) * 3 + 3) & ~3u;
    const unsigned dataBytes = rowBytes * static_cast<unsigned>(h);
    std::vector<unsigned char> b = {'B', 'M'};
    Put32(b, 54 + dataBytes);
    Put32(b, 0);
    Put32(b, 54);
    Put32(b, 40);
    Put32(b, static_cast<unsigned>(w));
    Put32(b, static_cast<unsigned>(h));
    Put16(b, 1);
    Put16(b, 24);
    Put32(b, 0);
    Put32(b, dataBytes);
    Put32(b, 2835);
    Put32(b, 2835);
    Put32(b, 0);
    Put32(b, 0);
    for (int y = 0; y < h; ++y) {
        unsigned written = 0;
        for (int x = 0; x < w; ++x, written += 3) {
            b.push_back(static_cast<unsigned char>(rgb));
            b.push_back(static_cast<unsigned char>(rgb >> 8));
            b.push_back(static_cast<unsigned char>(rgb >> 16));
        }
        for (; written < rowBytes; ++written) b.push_back(0);
    }
    return WriteFile(name, b);
}

void SceneDeviceTest::SetUp() {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = WndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kClassName;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    RegisterClassExA(&wc);  // registered already by an earlier test: fine
    m_hWnd = CreateWindowExA(0, kClassName, "scene pixels", WS_POPUP, 0, 0, kWidth, kHeight, nullptr,
                             nullptr, wc.hInstance, nullptr);
    ASSERT_NE(m_hWnd, nullptr);
    m_pDevice = std::make_unique<qrn::CRenderDeviceD3D9>();
    if (!m_pDevice->InitWindowed(m_hWnd, m_hWnd, 0)) {
        m_pDevice.reset();
        GTEST_SKIP() << "no Direct3D device on this machine";
    }
    m_pDevice->SetProjection(false, 0.8f, 0.1f, 1600.0f);
    m_pDevice->SetAmbientLight(0, 0, 0);
}

void SceneDeviceTest::TearDown() {
    m_pDevice.reset();
    if (m_hWnd) DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
}

qrn::Matrix4x4 SceneDeviceTest::LookAt(float ex, float ey, float ez, float ax, float ay, float az, float ux,
                                       float uy, float uz) {
    D3DXVECTOR3 eye(ex, ey, ez), at(ax, ay, az), up(ux, uy, uz);
    D3DXMATRIX v;
    D3DXMatrixLookAtLH(&v, &eye, &at, &up);
    qrn::Matrix4x4 m;
    m.Set(static_cast<const float*>(v));
    return m;
}

std::vector<uint32_t> SceneDeviceTest::ReadBack(unsigned* width, unsigned* height) const {
    std::vector<uint32_t> out;
    IDirect3DDevice9* d3d = m_pDevice->GetD3DDevice();
    IDirect3DSurface9* target = nullptr;
    if (!d3d || FAILED(d3d->GetRenderTarget(0, &target)) || !target) return out;
    D3DSURFACE_DESC desc{};
    target->GetDesc(&desc);
    IDirect3DSurface9* copy = nullptr;
    if (SUCCEEDED(d3d->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM,
                                                   &copy, nullptr)) &&
        SUCCEEDED(d3d->GetRenderTargetData(target, copy))) {
        D3DLOCKED_RECT locked{};
        if (SUCCEEDED(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
            out.resize(static_cast<size_t>(desc.Width) * desc.Height);
            for (unsigned y = 0; y < desc.Height; ++y) {
                const auto* row = static_cast<const unsigned char*>(locked.pBits) + y * locked.Pitch;
                std::memcpy(&out[y * desc.Width], row, desc.Width * 4u);
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

bool SceneDeviceTest::Grab() {
    m_Picture = ReadBack(&m_uWidth, &m_uHeight);
    return !m_Picture.empty();
}

Rgb SceneDeviceTest::At(int x, int y) const {
    const uint32_t c = m_Picture[static_cast<size_t>(y) * m_uWidth + x];
    return {static_cast<int>((c >> 16) & 0xff), static_cast<int>((c >> 8) & 0xff), static_cast<int>(c & 0xff)};
}

Rgb SceneDeviceTest::Mean(int x0, int y0, int x1, int y1) const {
    long r = 0, g = 0, b = 0, n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x, ++n) {
            const Rgb c = At(x, y);
            r += c.r, g += c.g, b += c.b;
        }
    if (n == 0) return {0, 0, 0};
    return {static_cast<int>(r / n), static_cast<int>(g / n), static_cast<int>(b / n)};
}

}  // namespace scenepx
