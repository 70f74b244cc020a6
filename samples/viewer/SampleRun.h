// What the sample programs share: their common options (--windowed,
// --screenshot FILE, --frames N), the count of a timed run that saves its
// last frame and prints the mean frame rate, and the main loop.
#pragma once

#include <windows.h>

#include <functional>

#include "Engine.h"

namespace viewer {

struct SampleOptions {
    bool windowed = false;
    const char* screenshot = nullptr;
    long frames = 0;  // 0: run until the window closes
};

// Reads --windowed, --screenshot FILE and --frames N (1 to 10000000). Any
// other argument goes to `other`, which returns false to refuse it; without
// `other` every other argument is refused. A screenshot with no frame count
// is taken after 60 frames. False when an argument is refused.
bool ParseSampleOptions(int argc, char** argv, SampleOptions* options,
                        const std::function<bool(const char* argument)>& other = nullptr);

// An application that counts its frames: a timed run (--frames N) ends after
// its last frame, which is saved when a screenshot was asked for, and prints
// the mean rate of the frames after the first (the first is start-up).
class CSampleApplication : public qrn::CEngineApplication {
public:
    // `name` begins the program's messages; `rateName`, when given, begins
    // its frame-rate line instead.
    CSampleApplication(const char* name, const SampleOptions& options, const char* rateName = nullptr);

    bool SizeMessageProc(HWND) override { return false; }

    // Updates the started application until a timed run is done or the
    // window closes. 1 when the screenshot asked for was not saved, else 0.
    int Run();

protected:
    // Counts the frame about to be drawn. False when this frame is the
    // picture to save: draw it without presenting it.
    bool BeginFrame();
    // After the frame is drawn. On the last frame of a timed run: saves the
    // picture and presents it, prints the frame rate, and ends the run.
    void EndFrame();

private:
    const char* m_Name;
    const char* m_RateName;
    SampleOptions m_Sample;
    long m_lFrame = 0;
    DWORD m_dwStart = 0;
    bool m_bLast = false;
    bool m_bDone = false;
    bool m_bSaved = false;
};

}  // namespace viewer
