#include "window_device.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace d3dtest {

namespace {

LRESULT CALLBACK TestWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(hwnd, msg, wParam, lParam);
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

HWND CreateTestWindow(const char* className, const char* title, int w, int h)
{
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = TestWndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = className;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    RegisterClassExA(&wc);  // already registered by an earlier test: fine
    return CreateWindowExA(0, className, title, WS_POPUP, 0, 0, w, h, nullptr, nullptr, wc.hInstance,
                           nullptr);
}

std::vector<uint32_t> ReadRenderTarget(IDirect3DDevice9* device, unsigned* width, unsigned* height)
{
    std::vector<uint32_t> out;
    IDirect3DSurface9* target = nullptr;
    if (!device || FAILED(device->GetRenderTarget(0, &target)) || !target) return out;
    D3DSURFACE_DESC desc{};
    target->GetDesc(&desc);
    IDirect3DSurface9* copy = nullptr;
    if (SUCCEEDED(device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format,
                                                      D3DPOOL_SYSTEMMEM, &copy, nullptr)) &&
        SUCCEEDED(device->GetRenderTargetData(target, copy))) {
        D3DLOCKED_RECT locked{};
        if (SUCCEEDED(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
            out.resize(static_cast<size_t>(desc.Width) * desc.Height);
            for (unsigned y = 0; y < desc.Height; ++y) {
                const auto* row = static_cast<const uint8_t*>(locked.pBits) + y * locked.Pitch;
                std::memcpy(&out[static_cast<size_t>(y) * desc.Width], row, desc.Width * 4u);
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

std::string TempPath(const std::string& name)
{
    static std::string dir;
    if (dir.empty()) {
        char buf[] = "/tmp/qrn_d3dtest_XXXXXX";
        const char* made = mkdtemp(buf);
        dir = made ? made : "/tmp";
    }
    return dir + "/" + name;
}

std::string WriteBytes(const std::string& name, const std::vector<uint8_t>& bytes)
{
    const std::string path = TempPath(name);
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
    std::vector<uint8_t> b = {'B', 'M'};
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
        for (int x = 0; x < w; ++x, written += 3) {
            const uint32_t c = px[static_cast<size_t>(y) * w + x];
            b.push_back(static_cast<uint8_t>(c));
            b.push_back(static_cast<uint8_t>(c >> 8));
            b.push_back(static_cast<uint8_t>(c >> 16));
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

}  // namespace d3dtest
