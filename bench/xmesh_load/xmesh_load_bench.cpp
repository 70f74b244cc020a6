// Loading the generated models (tree.x, BirdUP.x, BirdDOWN.x): the .x reader
// alone (bytes already in memory), and the whole path a mesh object takes on
// a device: D3DXLoadMeshFromXA with adjacency and materials, then
// OptimizeInplace (compact, attribute sort, vertex cache). Run in build/bin
// (where the asset generator writes the models) with SDL_VIDEODRIVER=offscreen.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

#include <d3dx9.h>
#include <windows.h>

#include "d3dx9/d3dx9_xfile.h"

namespace {

const char* const kModels[] = {"tree.x", "BirdUP.x", "BirdDOWN.x"};

std::vector<uint8_t> ReadFile(const char* name)
{
    std::vector<uint8_t> bytes;
    if (FILE* f = std::fopen(name, "rb")) {
        for (int c; (c = std::fgetc(f)) != EOF;) bytes.push_back(static_cast<uint8_t>(c));
        std::fclose(f);
    }
    return bytes;
}

struct Device {
    HWND window = nullptr;
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
    Device()
    {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "QrnMeshLoadBench";
        RegisterClassExA(&wc);
        window = CreateWindowExA(0, wc.lpszClassName, "bench", WS_OVERLAPPEDWINDOW, 0, 0, 64, 64, nullptr, nullptr,
                                 wc.hInstance, nullptr);
        d3d = Direct3DCreate9(D3D_SDK_VERSION);
        if (!d3d) return;
        D3DPRESENT_PARAMETERS pp{};
        pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp.hDeviceWindow = window;
        pp.Windowed = TRUE;
        d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device);
    }
    ~Device()
    {
        if (device) device->Release();
        if (d3d) d3d->Release();
        if (window) DestroyWindow(window);
    }
};

void ReadOnly(benchmark::State& state)
{
    const char* name = kModels[state.range(0)];
    const std::vector<uint8_t> bytes = ReadFile(name);
    state.SetLabel(name);
    for (auto _ : state) {
        qrn::d3dx9::XMeshData mesh;
        if (qrn::d3dx9::ReadXFile(bytes.data(), bytes.size(), &mesh) != qrn::d3dx9::XResult::kOk) {
            state.SkipWithError("read failed");
            return;
        }
        benchmark::DoNotOptimize(mesh.indices.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
}

void LoadAndOptimise(benchmark::State& state)
{
    const char* name = kModels[state.range(0)];
    static Device d;
    state.SetLabel(name);
    if (!d.device) {
        state.SkipWithError("no device");
        return;
    }
    for (auto _ : state) {
        ID3DXMesh* mesh = nullptr;
        ID3DXBuffer *adjacency = nullptr, *materials = nullptr;
        DWORD n = 0;
        if (FAILED(D3DXLoadMeshFromXA(name, D3DXMESH_MANAGED, d.device, &adjacency, &materials, nullptr, &n, &mesh))) {
            state.SkipWithError("load failed");
            return;
        }
        mesh->OptimizeInplace(D3DXMESHOPT_COMPACT | D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE,
                              static_cast<DWORD*>(adjacency->GetBufferPointer()), nullptr, nullptr, nullptr);
        mesh->Release();
        adjacency->Release();
        materials->Release();
    }
}

BENCHMARK(ReadOnly)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);
BENCHMARK(LoadAndOptimise)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
