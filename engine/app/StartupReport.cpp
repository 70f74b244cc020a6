#include "StartupReport.h"

#include <d3d9.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace qrn {

namespace {

const char* Environment(const char* name)
{
    const char* v = std::getenv(name);
    return v && *v ? v : nullptr;
}

void Cause(const char* text)
{
    std::fprintf(stderr, "quarnel: start-up failed: %s\n", text);
}

void Remedy(const char* text)
{
    std::fprintf(stderr, "  %s\n", text);
}

// GetSystemMetrics answers no monitors when no display can be opened.
bool DisplayAvailable()
{
    return GetSystemMetrics(SM_CMONITORS) > 0;
}

void ReportNoDisplay()
{
    Cause("no display could be opened.");
    Remedy("Start the program in a desktop session (DISPLAY or WAYLAND_DISPLAY set).");
    Remedy("Without a screen, run it under xvfb-run, or with SDL_VIDEODRIVER=offscreen (nothing is shown).");
    if (const char* driver = Environment("SDL_VIDEODRIVER"))
        std::fprintf(stderr, "  SDL_VIDEODRIVER=%s is set, so only that driver was tried: unset it to "
                             "let SDL choose.\n", driver);
}

// Direct3D offers neither device type only when no OpenGL 4.5 core context
// can be made on the display.
bool OpenGlAvailable(bool windowed)
{
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (!d3d) return false;
    const BOOL w = windowed ? TRUE : FALSE;
    const bool available =
        d3d->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, w) != D3DERR_NOTAVAILABLE ||
        d3d->CheckDeviceType(0, D3DDEVTYPE_REF, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, w) != D3DERR_NOTAVAILABLE;
    d3d->Release();
    return available;
}

void ReportRenderDevice(bool windowed)
{
    if (!DisplayAvailable()) {
        ReportNoDisplay();
        return;
    }
    if (!OpenGlAvailable(windowed)) {
        Cause("OpenGL 4.5 (core profile) is not available on this display.");
        Remedy("Install or update the graphics driver (Debian: apt-get install libgl1-mesa-dri).");
        Remedy("Mesa's software renderer offers OpenGL 4.5 on any machine: set LIBGL_ALWAYS_SOFTWARE=1.");
        Remedy("glxinfo -B (Debian package mesa-utils) shows the version the driver offers.");
        if (const char* v = Environment("MESA_GL_VERSION_OVERRIDE"))
            std::fprintf(stderr, "  MESA_GL_VERSION_OVERRIDE=%s limits the version: unset it.\n", v);
        return;
    }
    Cause(windowed ? "the render device could not be made for the window."
                   : "the render device could not be made in full screen.");
    Remedy(windowed ? "The lines above, if any, give the window system's or OpenGL's reason."
                    : "The lines above, if any, give the reason; windowed mode may work.");
}

}  // namespace

bool ReportStartupFailure(EStartupFailure failure, bool windowed)
{
    switch (failure) {
    case EStartupFailure::WindowClass:
        Cause("the window class \"CEngineApplicationClass\" could not be registered.");
        Remedy("Only one application object can be initialised at a time: delete the earlier one first.");
        break;
    case EStartupFailure::Window:
        if (!DisplayAvailable()) {
            ReportNoDisplay();
        } else {
            Cause("the application window could not be made (the window system's reason is above).");
        }
        break;
    case EStartupFailure::Input:
        Cause("the keyboard and mouse could not be set up (the message box names the step).");
        Remedy("The program needs a display with keyboard and mouse input; check that it can open windows.");
        break;
    case EStartupFailure::OutOfMemory:
        Cause("out of memory.");
        break;
    case EStartupFailure::RenderDevice:
        ReportRenderDevice(windowed);
        break;
    }
    std::fflush(stderr);
    return false;
}

}  // namespace qrn
