// Frames per second of the viewer's scene (sky, terrain, sea, drawn exactly as
// the viewer draws them) at 640 x 480 from the viewer's starting place, with
// the camera held still. Run in the folder with the demo's files, e.g.
//   cd build/bin && SDL_VIDEODRIVER=offscreen ./bench_terrain --benchmark_filter=Frame
#include <benchmark/benchmark.h>

#include <windows.h>

#include <cstdio>
#include <memory>

#include "ViewerScene.h"
#include "render/RenderDeviceD3D9.h"

namespace {

LRESULT CALLBACK BenchWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void BM_ViewerFrame640x480(benchmark::State& state) {
    if (std::FILE* f = std::fopen("257x257_01.raw", "rb")) {
        std::fclose(f);
    } else {
        state.SkipWithError("the demo's files are not in the working folder");
        return;
    }
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = BenchWndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "ViewerFrameBench";
    RegisterClassExA(&wc);
    HWND wnd = CreateWindowExA(0, wc.lpszClassName, "frame bench", WS_POPUP, 0, 0, 640, 480, nullptr, nullptr,
                               wc.hInstance, nullptr);
    auto device = std::make_unique<qrn::CRenderDeviceD3D9>();
    if (!wnd || !device->InitWindowed(wnd, wnd, 0)) {
        state.SkipWithError("no render device");
        return;
    }
    {
        viewer::CViewerScene scene;
        scene.Init(device.get());
        scene.SetDayRunning(false);
        scene.Frame(0.0f);  // textures and programs made once, outside the timing
        for (auto _ : state) scene.Frame(0.016f);
        state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    }
    device.reset();
    DestroyWindow(wnd);
}
BENCHMARK(BM_ViewerFrame640x480)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

}  // namespace
