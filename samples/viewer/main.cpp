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
#include <cstdlib>
#include <cstring>
#include <string>

#include "Engine.h"
#include "Input.h"
#include "Screenshot.h"
#include "ViewerScene.h"

namespace {

struct Options {
    bool windowed = false;
    const char* screenshot = nullptr;
    long frames = 0;  // 0: run until the window closes
};

bool ParseOptions(int argc, char** argv, Options* o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--windowed") {
            o->windowed = true;
        } else if (a == "--screenshot" && i + 1 < argc) {
            o->screenshot = argv[++i];
        } else if (a == "--frames" && i + 1 < argc) {
            char* end = nullptr;
            o->frames = std::strtol(argv[++i], &end, 10);
            if (!end || *end || o->frames <= 0 || o->frames > 10000000) return false;
        } else {
            return false;
        }
    }
    if (o->screenshot && o->frames == 0) o->frames = 60;
    return true;
}

class CViewerApplication : public qrn::CEngineApplication {
public:
    explicit CViewerApplication(const Options& options) : m_Options(options) {}

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
        ++m_lFrame;
        const bool last = m_Options.frames > 0 && m_lFrame >= m_Options.frames;
        if (m_lFrame == 2) m_dwStart = timeGetTime();  // the first frame's time is start-up
        if (last && m_Options.screenshot) {
            m_Scene.Frame(m_fElapsedTime, false);
            m_bSaved = viewer::SaveScreenshot(m_Options.screenshot);
            // Present the same picture as well.
            if (m_pRenderDevice->BeginRendering(false, false, false)) m_pRenderDevice->EndRendering(true);
        } else {
            m_Scene.Frame(m_fElapsedTime);
        }
        if (last) {
            const DWORD ms = timeGetTime() - m_dwStart;
            if (m_lFrame > 2 && ms > 0)
                std::printf("viewer: %ld frames, %.1f frames per second\n", m_lFrame - 1,
                            (m_lFrame - 1) * 1000.0 / ms);
            m_bDone = true;
        }
        return true;
    }

    bool SizeMessageProc(HWND) override { return false; }

    bool Done() const { return m_bDone; }
    bool Saved() const { return m_bSaved; }

private:
    Options m_Options;
    viewer::CViewerScene m_Scene;
    long m_lFrame = 0;
    DWORD m_dwStart = 0;
    bool m_bDone = false;
    bool m_bSaved = false;
};

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, &options)) {
        std::fprintf(stderr, "usage: viewer [--windowed] [--screenshot FILE] [--frames N]\n");
        return 2;
    }
    auto* app = new CViewerApplication(options);
    int result = 0;
    if (!app->Initialize(GetModuleHandleA(nullptr), options.windowed, qrn::SCREENRESOLUTION_640X480)) {
        MessageBoxA(nullptr, "Engine initializtion failed.", "Error", MB_OK | MB_ICONERROR);
        result = 1;
    } else if (!app->InitScene()) {
        MessageBoxA(nullptr, "Render objects' initializtion failed.", "Error", MB_OK | MB_ICONERROR);
        result = 1;
    } else {
        ShowCursor(FALSE);
        while (app->Update() && !app->Done()) {
        }
        ShowCursor(TRUE);
        if (options.screenshot && !app->Saved()) {
            std::fprintf(stderr, "viewer: could not save %s\n", options.screenshot);
            result = 1;
        }
    }
    delete app;
    return result;
}
