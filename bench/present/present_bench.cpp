// Frames per second of Clear + Present into a 640x480 window (child display
// window with a 10-pixel margin, as the engine lays it out), windowed, on
// whatever GL the machine has (llvmpipe here). Run with SDL_VIDEODRIVER=x11
// on Xvfb for a real window, or offscreen for an EGL pbuffer.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include <d3d9.h>
#include <qrn_d3d9_testctl.h>
#include <windows.h>
#include "present_params.h"

namespace {

struct Setup {
    HWND top = nullptr, child = nullptr;
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;

    explicit Setup(UINT interval)
    {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<intptr_t>(5));
        wc.lpszClassName = "QrnPresentBench";
        RegisterClassExA(&wc);
        RECT r{0, 0, 640, 480};
        AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
        top = CreateWindowExA(0, wc.lpszClassName, "bench", WS_OVERLAPPEDWINDOW, 0, 0, r.right - r.left,
                              r.bottom - r.top, nullptr, nullptr, wc.hInstance, nullptr);
        child = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_BLACKRECT, 10, 10, 620, 460, top,
                                nullptr, wc.hInstance, nullptr);
        ShowWindow(top, SW_SHOW);
        d3d = Direct3DCreate9(D3D_SDK_VERSION);
        if (!d3d) return;
        D3DPRESENT_PARAMETERS pp = WindowedParams(child);
        pp.PresentationInterval = interval;
        d3d->CreateDevice(0, D3DDEVTYPE_HAL, top, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device);
    }
    ~Setup()
    {
        if (device) device->Release();
        if (d3d) d3d->Release();
        if (top) DestroyWindow(top);
    }
};

void Run(benchmark::State& state, UINT interval)
{
    Setup s(interval);
    if (!s.device) {
        state.SkipWithError("no device");
        return;
    }
    DWORD frame = 0;
    MSG msg;
    for (auto _ : state) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        const D3DCOLOR c = D3DCOLOR_XRGB(frame & 0xff, (frame * 3) & 0xff, 128);
        s.device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, c, 1.0f, 0);
        s.device->BeginScene();
        s.device->EndScene();
        if (FAILED(s.device->Present(nullptr, nullptr, nullptr, nullptr))) {
            state.SkipWithError("present failed");
            return;
        }
        ++frame;
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    const auto gl = qrn::d3d9::testctl::GetGlCounters(s.device, qrn::d3d9::testctl::CounterSpan::LastFrame);
    state.counters["blits_per_frame"] = static_cast<double>(gl.blits);
    state.counters["gl_state_calls_per_frame"] = static_cast<double>(gl.stateCalls);
}

// Presentation interval IMMEDIATE: as fast as the machine goes.
void BM_ClearPresent640x480Immediate(benchmark::State& state) { Run(state, D3DPRESENT_INTERVAL_IMMEDIATE); }
// Interval DEFAULT (0): waits for vertical sync where the system offers it.
void BM_ClearPresent640x480Default(benchmark::State& state) { Run(state, D3DPRESENT_INTERVAL_DEFAULT); }

BENCHMARK(BM_ClearPresent640x480Immediate)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ClearPresent640x480Default)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
