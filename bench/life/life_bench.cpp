// The island's life without drawing: one frame of the flock (20 birds over
// the terrain among 60 tree boxes), the rain (5000 drops) and the fire (30
// fireballs bouncing off 60 tree cylinders and hitting birds), as the demo
// sets them up; heap allocations per frame once the particle pools are warm;
// and the flock's all-pairs cost as the bird count grows.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "Flock.h"
#include "Heightmap.h"
#include "Obstacle.h"
#include "ParticleSystem.h"
#include "fake_device.h"
#include "qrn_win32_testctl.h"

// ---- counting allocator ------------------------------------------------------
// Every form of new counts one allocation and takes its memory from malloc;
// every delete gives it back with free (GCC cannot see that the pair matches).
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace {
std::atomic<long long> g_allocations{0};
}

void* operator new(std::size_t size) {
    ++g_allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    ++g_allocations;
    return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

using qrn::Vector4;

constexpr float kFrame = 0.016f;
constexpr unsigned kSide = 257;

// A 257 x 257 island: a dome of bytes falling off from the middle, read with
// the demo's height scale 0.4.
std::string IslandFile() {
    std::vector<unsigned char> b(kSide * kSide);
    for (unsigned j = 0; j < kSide; ++j)
        for (unsigned i = 0; i < kSide; ++i) {
            const float d = std::hypot(float(i) - 128.0f, float(j) - 128.0f);
            b[i + j * kSide] = static_cast<unsigned char>(std::fmax(0.0f, 160.0f - 1.3f * d));
        }
    const std::string path = "/tmp/qrn_bench_life_island.raw";
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(b.data(), 1, b.size(), f);
        std::fclose(f);
    }
    return path;
}

// The demo's life, wired as the demo wires it.
struct Island {
    Island() {
        std::srand(1);
        qrn::win32::testctl::SetDebugOutputCapture([](const char*) {});
        heightmap.SetData(IslandFile().c_str(), kSide, kSide, 0.4f, 1.0f, 160.0f, Vector4(), &dev);
        for (int t = 0; t < 60; ++t) {
            const float x = 70.0f + float((t * 37) % 120), z = 70.0f + float((t * 53) % 120);
            const float y = heightmap.GetHeightAt(x, z);
            boxes.AddAABBObstacle(Vector4(x - 1, y, z - 1, 1), Vector4(x + 1, y + 6, z + 1, 1));
            cylinders.AddCylinderObstacle(Vector4(x, y, z, 1), 0.6f);
        }
        flock.SetData(&dev, 20, Vector4(0, 0, 0, 1), Vector4(64, 10, 64, 1));
        flock.SetTerrain(&heightmap, 10, Vector4(2, 0, 0, 1));
        flock.AddObstacleList(&boxes);
        flock.SetWaterHeight(6.0f);

        rain.Init(5000, Vector4(0, 500, 5, 1), false, nullptr, &dev);
        rain.SetParticleData(2.7f, 0.4f);
        rain.SetVelocity(Vector4(0, -8, 0, 1), 0.5f);
        rain.SetReleaseRate(80, 0.001f);
        rain.SetWind(Vector4(1.5f, 0, 1.2f, 1));
        rain.SetRegionDimension(Vector4(80, 0, 80, 1));
        rain.SetGravity(Vector4(0, -9.8f, 0, 1));

        fire.Init(30, Vector4(0, 10, 5, 1), true, nullptr, &dev);
        fire.SetParticleData(1.7f, 0.4f);
        fire.SetVelocity(Vector4(0, 0, 0, 1), 0.0f);
        fire.SetReleaseRate(5, 0.1f);
        fire.SetWind(Vector4(0.1f, 0, 0, 1));
        fire.SetGravity(Vector4(0, -4, 0, 1));
        fire.SetHeightMap(&heightmap);
        fire.SetObstacles(&cylinders);
        fire.SetFlockObstacles(&flock);
        qrn::SLight light{};
        light.type = 1;
        light.range = 50.0f;
        fire.SetLightEffect(1, light);
    }
    ~Island() { qrn::win32::testctl::SetDebugOutputCapture({}); }

    // One frame's simulation: the viewer walks a circle round the island
    // firing all the time, with the rain over it.
    void Frame() {
        angle += 0.01f;
        const float x = 128 + 60 * std::cos(angle), z = 128 + 60 * std::sin(angle);
        const float ground = heightmap.GetHeightAt(x, z);
        fire.SetOffspring(Vector4(x, ground + 1.8f, z, 1));
        fire.SetVelocity(Vector4(-std::sin(angle) * 15.3f, 0.3f * 15.3f, std::cos(angle) * 15.3f, 1), 0.0f);
        fire.Update(kFrame);
        fire.Emit();
        rain.SetOffspring(Vector4(x, ground + 16, z, 1));
        rain.Update(kFrame);
        flock.SetWaterHeight(6.0f);
        flock.Update(kFrame);
    }

    fake::Device dev;
    qrngu::IHeightmap heightmap;
    qrngu::CObstacleList boxes, cylinders;
    qrngu::IFlock flock;
    qrngu::IParticleSystem rain, fire;
    float angle = 0;
};

void BM_IslandLifeFrame(benchmark::State& state) {
    Island island;
    // Fill the pools: the rain reaches its 5000 drops and starts recycling.
    const long long start = g_allocations.load();
    for (int i = 0; i < 400; ++i) island.Frame();
    const long long before = g_allocations.load();
    for (auto _ : state) island.Frame();
    const long long allocations = g_allocations.load() - before;
    state.counters["allocs_per_frame"] =
        benchmark::Counter(static_cast<double>(allocations) / static_cast<double>(state.iterations()));
    state.counters["allocs_total"] = static_cast<double>(allocations);
    state.counters["allocs_warmup"] = static_cast<double>(before - start);  // the pools growing
}
BENCHMARK(BM_IslandLifeFrame)->Unit(benchmark::kMicrosecond);

// The rain alone, warm: 5000 drops moved and written into the vertex array.
void BM_Rain5000(benchmark::State& state) {
    Island island;
    for (int i = 0; i < 400; ++i) island.Frame();
    for (auto _ : state) island.rain.Update(kFrame);
}
BENCHMARK(BM_Rain5000)->Unit(benchmark::kMicrosecond);

// Flock update over the terrain: every pair of birds is tested each frame.
void BM_FlockUpdate(benchmark::State& state) {
    Island island;
    qrngu::IFlock flock;
    flock.SetData(&island.dev, static_cast<unsigned>(state.range(0)), Vector4(0, 0, 0, 1), Vector4(64, 10, 64, 1));
    flock.SetTerrain(&island.heightmap, 10, Vector4(2, 0, 0, 1));
    flock.AddObstacleList(&island.boxes);
    flock.SetWaterHeight(6.0f);
    for (auto _ : state) flock.Update(kFrame);
    const double n = static_cast<double>(state.range(0));
    state.counters["pairs"] = n * (n - 1) / 2;
}
BENCHMARK(BM_FlockUpdate)->Arg(20)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
