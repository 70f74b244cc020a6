// Brackwood's command line. Without options the program asks whether to run
// in a window and runs until the window is closed.
#pragma once

#include <string>

namespace brackwood {

struct SOptions {
    int windowed = -1;         // -1: ask; 0: full screen; 1: window
    long frames = 0;           // > 0: end after this many frames
    const char* screenshot = nullptr;
    long benchmarkFrames = 0;  // > 0: the timed walk with this many frames
    bool help = false;
};

// Fills options from argv; false with a reason in *error for a bad command
// line.
bool ParseOptions(int argc, const char* const* argv, SOptions* options, std::string* error);

// The text that --help prints.
const char* UsageText();

}  // namespace brackwood
