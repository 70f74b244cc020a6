// A minimal program on the engine: asks whether to run in a window, then
// clears the display window to a colour that drifts with time until Escape is
// pressed twice.
//
// Options (for scripts and tests; without them the program asks):
//   --windowed | --fullscreen   skip the question
//   --frames N                  end after N frames
#include <Engine.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

class CSampleApplication : public qrn::CEngineApplication {
public:
    explicit CSampleApplication(long maxFrames) : m_maxFrames(maxFrames), m_start(timeGetTime()) {}

    bool UpdateFrame() override
    {
        // Three slow waves, a third of a turn apart.
        const float t = static_cast<float>(timeGetTime() - m_start) * 0.001f;
        auto channel = [t](float phase) {
            const float v = 0.5f + 0.5f * std::sin(t * 0.9f + phase);
            return static_cast<std::uint8_t>(v * 255.0f);
        };
        m_pRenderDevice->SetClearColor(channel(0.0f), channel(2.094f), channel(4.189f));
        if (m_pRenderDevice->BeginRendering(true, true, false)) m_pRenderDevice->EndRendering(true);

        ++m_frames;
        return m_maxFrames <= 0 || m_frames < m_maxFrames;
    }

    // The base class keeps the display window's margin.
    bool SizeMessageProc(HWND) override { return false; }

    long Frames() const { return m_frames; }

private:
    long m_maxFrames;
    long m_frames = 0;
    DWORD m_start;
};

int Usage()
{
    std::fprintf(stderr, "usage: sample_app [--windowed | --fullscreen] [--frames N]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    int mode = 0;  // 0 ask, 1 windowed, 2 full screen
    long frames = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--windowed") == 0) {
            mode = 1;
        } else if (std::strcmp(argv[i], "--fullscreen") == 0) {
            mode = 2;
        } else if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc) {
            char* end = nullptr;
            frames = std::strtol(argv[++i], &end, 10);
            if (!end || *end != '\0' || frames <= 0) return Usage();
        } else {
            return Usage();
        }
    }

    if (mode == 0)
        mode = MessageBoxA(nullptr, "Start in windowed mode?", "Question", MB_YESNO | MB_ICONQUESTION) ==
                       IDYES
                   ? 1
                   : 2;
    const bool windowed = mode == 1;

    auto* app = new CSampleApplication(frames);
    const bool ok = app->Initialize(nullptr, windowed, qrn::SCREENRESOLUTION_DESKTOP);
    if (!windowed) ShowCursor(FALSE);
    if (ok) {
        while (app->Update()) {
        }
    } else {
        MessageBoxA(nullptr, "Engine initializtion failed.", "Error", MB_ICONERROR);
    }
    ShowCursor(TRUE);
    delete app;
    return ok ? 0 : 1;
}
