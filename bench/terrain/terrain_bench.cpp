// The terrain's CPU costs: the height query (called thousands of times a
// frame by particles, birds and the camera) and building the 257 x 257
// island (loading, vertex records, normals, patch buffers).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fake_device.h"
#include "scene/HeightmapImpl.h"

namespace {

// The demo's height file when it is in the working directory, else a
// generated one of the same size.
std::string HeightFile() {
    if (std::FILE* f = std::fopen("257x257_01.raw", "rb")) {
        std::fclose(f);
        return "257x257_01.raw";
    }
    const std::string path = "/tmp/qrn_bench_257.raw";
    std::vector<unsigned char> b(257 * 257);
    for (unsigned j = 0; j < 257; ++j)
        for (unsigned i = 0; i < 257; ++i) b[i + j * 257] = static_cast<unsigned char>((i * 7 + j * 13 + i * j) % 120);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(b.data(), 1, b.size(), f);
    std::fclose(f);
    return path;
}

void BM_GetHeightAt(benchmark::State& state) {
    fake::Device dev;
    qrngu::CHeightmap map;
    if (!map.SetData(HeightFile().c_str(), 257, 257, 0.4f, 1, 160, &dev)) {
        state.SkipWithError("terrain did not load");
        return;
    }
    // A fixed walk of points spread over the map, inside both triangles.
    std::vector<float> xs(4096), zs(4096);
    std::srand(1);
    for (size_t k = 0; k < xs.size(); ++k) {
        xs[k] = static_cast<float>(std::rand() % 25600) / 100.0f;
        zs[k] = static_cast<float>(std::rand() % 25600) / 100.0f;
    }
    size_t k = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(map.GetHeightAt(xs[k], zs[k]));
        k = (k + 1) & 4095;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GetHeightAt);

void BM_BuildTerrain257(benchmark::State& state) {
    const std::string file = HeightFile();
    for (auto _ : state) {
        fake::Device dev;
        qrngu::CHeightmap map;
        benchmark::DoNotOptimize(map.SetData(file.c_str(), 257, 257, 0.4f, 1, 160, &dev));
    }
}
BENCHMARK(BM_BuildTerrain257)->Unit(benchmark::kMillisecond);

void BM_GenerateIsland257(benchmark::State& state) {
    for (auto _ : state) {
        fake::Device dev;
        qrngu::CHeightmap map;
        benchmark::DoNotOptimize(map.SetData(257, 257, 85.0f, 10, 40, 200, 2, true, 1, 160, &dev));
    }
}
BENCHMARK(BM_GenerateIsland257)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
