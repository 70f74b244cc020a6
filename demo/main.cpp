// Brackwood: a walk over an island, on the Quarnel engine.
//
// Asks whether to run in a window, starts the engine, builds the scene from
// the files in the working folder and runs until the window is closed
// (Escape twice). Every way out shows the cursor again and ends with exit
// code 0; a bad command line ends with 2. See Options.cpp for the options.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <memory>

#include "Benchmark.h"
#include "IslandApplication.h"
#include "Options.h"

int main(int argc, char** argv) {
    const auto mainStart = std::chrono::steady_clock::now();
    brackwood::SOptions options;
    std::string error;
    if (!brackwood::ParseOptions(argc, argv, &options, &error)) {
        std::fprintf(stderr, "Brackwood: %s\n%s", error.c_str(), brackwood::UsageText());
        return 2;
    }
    if (options.help) {
        std::fputs(brackwood::UsageText(), stdout);
        return 0;
    }

    std::unique_ptr<brackwood::CBenchmark> benchmark;
    if (options.benchmarkFrames > 0)
        benchmark = std::make_unique<brackwood::CBenchmark>(options.benchmarkFrames, mainStart);

    auto* app = new brackwood::CIslandApplication;
    const bool windowed =
        options.windowed >= 0
            ? options.windowed == 1
            : MessageBoxA(nullptr, "Start in windowed mode?", "Question", MB_YESNO | MB_ICONQUESTION) == IDYES;
    const bool initialized = app->Initialize(GetModuleHandleA(nullptr), windowed, qrn::SCREENRESOLUTION_DESKTOP);
    if (!windowed) ShowCursor(FALSE);

    int result = 0;
    if (!initialized) {
        MessageBoxA(nullptr, "Engine initializtion failed.", "Error", MB_ICONERROR);
    } else if (!app->InitRenderObjects()) {
        MessageBoxA(nullptr, "Render objects' initializtion failed.", "Error", MB_ICONERROR);
    } else {
        app->SetRunOptions({options.frames, options.screenshot, benchmark.get()});
        while (app->Update() && !app->RunFinished()) {
        }
        if (benchmark && benchmark->Finished()) benchmark->Print(stdout);
        if (options.screenshot && (!app->RunFinished() || !app->ScreenshotSaved())) {
            std::fprintf(stderr, "Brackwood: could not save %s\n", options.screenshot);
            result = 1;
        }
    }
    ShowCursor(TRUE);
    delete app;
    return result;
}
