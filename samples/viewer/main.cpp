// viewer: walk over the island's ground and sea under its sky.
//
//   viewer [--windowed] [--screenshot FILE --frames N]
//
// Arrows or W/A/S/D walk, the mouse looks around, Escape twice leaves.
// Run it in the folder that holds the demo's files (the build's bin folder).
// With --frames N it stops after N frames and prints the mean frame rate;
// with --screenshot FILE it also saves the last frame as a PNG picture.
#include <windows.h>
#include <dinput.h>

#include <cstdio>

#include "Engine.h"
#include "Input.h"
#include "SampleRun.h"
#include "ViewerScene.h"

namespace {

class CViewerApplication : public viewer::CSampleApplication {
public:
    explicit CViewerApplication(const viewer::SampleOptions& options)
        : CSampleApplication("viewer", options), m_Options(options) {}

    bool InitScene() {
        if (!m_Scene.Init(m_pRenderDevice)) return false;
        if (!m_Scene.TerrainLoaded())
            std::fprintf(stderr, "viewer: 257x257_01.raw not found here; run in the demo's folder\n");
        // Pictures and timings show the island at noon.
        if (m_Options.frames > 0) m_Scene.SetDayRunning(false);
        return true;
    }

    bool UpdateFrame() override {
        m_Scene.WalkWith(m_pInput);
        m_Scene.Frame(m_fElapsedTime, BeginFrame());
        EndFrame();
        return true;
    }

private:
    viewer::SampleOptions m_Options;
    viewer::CViewerScene m_Scene;
};

}  // namespace

int main(int argc, char** argv) {
    viewer::SampleOptions options;
    if (!viewer::ParseSampleOptions(argc, argv, &options)) {
        std::fprintf(stderr, "usage: viewer [--windowed] [--screenshot FILE] [--frames N]\n");
        return 2;
    }
    auto* app = new CViewerApplication(options);
    int result = 1;
    if (!app->Initialize(GetModuleHandleA(nullptr), options.windowed, qrn::SCREENRESOLUTION_640X480)) {
        MessageBoxA(nullptr, "Engine initializtion failed.", "Error", MB_OK | MB_ICONERROR);
    } else if (!app->InitScene()) {
        MessageBoxA(nullptr, "Render objects' initializtion failed.", "Error", MB_OK | MB_ICONERROR);
    } else {
        ShowCursor(FALSE);
        result = app->Run();
        ShowCursor(TRUE);
    }
    delete app;
    return result;
}
