// Start-up failures of the application frame, explained on stderr: what went
// wrong and what the user can do about it. The message boxes that the input
// object and the program show keep their own texts; these lines add the cause
// for whoever reads the terminal or a log.
#pragma once

namespace qrn {

enum class EStartupFailure {
    WindowClass,   // the window class could not be registered
    Window,        // the main or the display window could not be made
    Input,         // keyboard and mouse (the input object showed its message)
    OutOfMemory,
    RenderDevice,  // InitWindowed or InitFullscreen failed
};

// Finds the likely cause (no display, no OpenGL 4.5, ...) by asking the window
// system and Direct3D, then writes the cause and the remedy. Returns false,
// so that a failing step can end with `return ReportStartupFailure(...)`.
bool ReportStartupFailure(EStartupFailure failure, bool windowed);

}  // namespace qrn
