// Models: how long the generated tree and the two bird poses take to load
// (file, optimisation, format conversion, normals, textures), and a frame
// with 60 trees drawn as the demo's forest draws them (scaled 1.8, 3, 1.8,
// both passes per tree) at 620 x 460. Run in the folder with the demo's files:
//   cd build/bin && SDL_VIDEODRIVER=offscreen ./bench_meshes
#include <benchmark/benchmark.h>

#include <windows.h>

#include <cstdio>
#include <memory>

#include "RenderDeviceObjects.h"
#include "render/RenderDeviceD3D9.h"

namespace {

LRESULT CALLBACK BenchWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// A hidden window of the given size with a windowed device drawing into it.
class BenchDevice {
public:
    BenchDevice(int width, int height) {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = BenchWndProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "MeshBench";
        RegisterClassExA(&wc);
        m_hWnd = CreateWindowExA(0, wc.lpszClassName, "mesh bench", WS_POPUP, 0, 0, width, height, nullptr, nullptr,
                                 wc.hInstance, nullptr);
        m_pDevice = std::make_unique<qrn::CRenderDeviceD3D9>();
        if (!m_hWnd || !m_pDevice->InitWindowed(m_hWnd, m_hWnd, 0)) m_pDevice.reset();
    }
    ~BenchDevice() {
        m_pDevice.reset();
        if (m_hWnd) DestroyWindow(m_hWnd);
    }
    BenchDevice(const BenchDevice&) = delete;
    BenchDevice& operator=(const BenchDevice&) = delete;

    qrn::CRenderDeviceD3D9* Get() const { return m_pDevice.get(); }

private:
    HWND m_hWnd = nullptr;
    std::unique_ptr<qrn::CRenderDeviceD3D9> m_pDevice;
};

bool AssetsHere(benchmark::State& state) {
    if (std::FILE* f = std::fopen("tree.x", "rb")) {
        std::fclose(f);
        return true;
    }
    state.SkipWithError("the demo's files are not in the working folder");
    return false;
}

// One load per iteration into a new object, deleted again (its textures
// leave the cache with it, so each load reads them again).
void BM_LoadTree(benchmark::State& state) {
    if (!AssetsHere(state)) return;
    BenchDevice device(64, 64);
    if (!device.Get()) return state.SkipWithError("no render device");
    for (auto _ : state) {
        auto* mesh = static_cast<qrn::IMesh*>(device.Get()->CreateObject(qrn::OBJECTTYPE_MESH));
        if (!mesh || !mesh->LoadFromFile("tree.x")) return state.SkipWithError("tree.x did not load");
        delete mesh;
    }
}
BENCHMARK(BM_LoadTree)->Unit(benchmark::kMillisecond);

void BM_LoadBirdPoses(benchmark::State& state) {
    if (!AssetsHere(state)) return;
    BenchDevice device(64, 64);
    if (!device.Get()) return state.SkipWithError("no render device");
    for (auto _ : state) {
        auto* bird = static_cast<qrn::ITweenMesh*>(device.Get()->CreateObject(qrn::OBJECTTYPE_TWEENMESH));
        if (!bird || !bird->LoadFromFiles("BirdUP.x", "BirdDOWN.x"))
            return state.SkipWithError("the bird poses did not load");
        delete bird;
    }
}
BENCHMARK(BM_LoadBirdPoses)->Unit(benchmark::kMillisecond);

// Ten rows of six trees on flat ground, seen from above the first row.
void BM_SixtyTreesFrame620x460(benchmark::State& state) {
    if (!AssetsHere(state)) return;
    BenchDevice device(620, 460);
    qrn::IRenderDevice* dev = device.Get();
    if (!dev) return state.SkipWithError("no render device");
    auto* tree = static_cast<qrn::IMesh*>(dev->CreateObject(qrn::OBJECTTYPE_MESH));
    if (!tree || !tree->LoadFromFile("tree.x")) return state.SkipWithError("tree.x did not load");

    dev->SetProjection(false, 0.8f, 0.1f, 1600.0f);
    qrn::Matrix4x4 view;  // eye at (0, 10, -12), looking 20 degrees down
    view.SetRotationX(0.35f);
    qrn::Matrix4x4 move;
    move.SetTranslation(0.0f, -10.0f, 12.0f, true);
    view = move * view;
    dev->SetViewMatrix(&view);
    dev->SetCullMode(qrn::CULLMODE_NONE);
    qrn::SLight sun{};
    sun.type = 0;
    sun.diffuse[0] = sun.diffuse[1] = sun.diffuse[2] = 1.0f;
    sun.direction.Set(0.35f, 1.0f, 0.45f, 1.0f);
    sun.direction.Normalize();

    auto frame = [&] {
        dev->SetClearColor(100, 100, 220);
        dev->SetAmbientLight(1.0f, 1.0f, 1.0f);
        if (!dev->BeginRendering(true, true, false)) return;
        dev->SetLight(0, &sun);
        qrn::Matrix4x4 world;
        world.SetScaling(1.8f, 3.0f, 1.8f, true);
        for (int row = 0; row < 10; ++row)
            for (int column = 0; column < 6; ++column) {
                world.Set_41(static_cast<float>(column - 3) * 7.0f + (row % 2) * 3.5f);
                world.Set_42(0.0f);
                world.Set_43(static_cast<float>(row) * 7.0f);
                dev->SetWorldMatrix(&world);
                tree->Render(true, true);
            }
        dev->SetWorldMatrix(nullptr);
        dev->EndRendering(true);
    };
    frame();  // textures and programs made once, outside the timing
    for (auto _ : state) frame();
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SixtyTreesFrame620x460)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

}  // namespace

BENCHMARK_MAIN();
