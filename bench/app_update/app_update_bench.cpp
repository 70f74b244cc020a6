// Cost of one application Update step: message pump, input poll, clock and
// the frame hook. "Empty" leaves the hook empty; "ClearPresent" clears the
// 620x440 display window and presents it (frames per second in the
// counters). Runs on SDL's offscreen driver unless SDL_VIDEODRIVER is set.
#include <Engine.h>
#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

class BenchApp : public qrn::CEngineApplication {
public:
    explicit BenchApp(bool draw) : m_draw(draw) {}
    bool UpdateFrame() override
    {
        if (m_draw) {
            m_pRenderDevice->SetClearColor(static_cast<std::uint8_t>(m_frame++), 64, 128);
            if (m_pRenderDevice->BeginRendering(true, true, false)) m_pRenderDevice->EndRendering(true);
        }
        return true;
    }
    bool SizeMessageProc(HWND) override { return false; }

private:
    bool m_draw;
    unsigned m_frame = 0;
};

void RunUpdates(benchmark::State& state, bool draw)
{
    BenchApp app(draw);
    if (!app.Initialize(nullptr, true, qrn::SCREENRESOLUTION_DESKTOP)) {
        state.SkipWithError("Initialize failed");
        return;
    }
    for (int i = 0; i < 3; ++i) app.Update();  // first frames build shaders and buffers
    for (auto _ : state) {
        if (!app.Update()) {
            state.SkipWithError("Update returned false");
            break;
        }
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                               benchmark::Counter::kIsRate);
}

void BM_UpdateEmptyFrame(benchmark::State& state) { RunUpdates(state, false); }
void BM_UpdateClearPresent(benchmark::State& state) { RunUpdates(state, true); }

BENCHMARK(BM_UpdateEmptyFrame)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_UpdateClearPresent)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
