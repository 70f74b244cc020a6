// System information, the cursor and standard resources of the Win32 stand-in.
#include <algorithm>

#include "qrn_win32_testctl.h"
#include "win32_internal.h"

using namespace qrn::win32::detail;

namespace {

bool DesktopSize(int* w, int* h)
{
    State& s = S();
    if (s.screenW > 0 && s.screenH > 0) {
        *w = s.screenW;
        *h = s.screenH;
        return true;
    }
    *w = *h = 0;
    if (!qrn::win32::EnsureVideo()) return false;
    SDL_DisplayMode mode{};
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0) return false;
    *w = mode.w;
    *h = mode.h;
    return true;
}

// The resource number of one of the system's own icons or cursors; 0, with
// the error set, for anything else.
uintptr_t SystemResource(HINSTANCE instance, LPCSTR name, bool cursor)
{
    const uintptr_t id = !instance && name && IS_INTRESOURCE(name) ? reinterpret_cast<uintptr_t>(name) : 0;
    const bool known = cursor ? (id >= 32512 && id <= 32516) || id == 32649 : id >= 32512 && id <= 32518;
    if (!known) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return 0;
    }
    return id;
}

}  // namespace

namespace qrn::win32::testctl {

void SetScreenSize(int width, int height)
{
    S().screenW = width > 0 && height > 0 ? width : 0;
    S().screenH = width > 0 && height > 0 ? height : 0;
}

}  // namespace qrn::win32::testctl

extern "C" {

int WINAPI GetSystemMetrics(int index)
{
    int w = 0, h = 0;
    switch (index) {
    case SM_CXSCREEN:
    case SM_CXFULLSCREEN:
    case SM_CXMAXIMIZED:
    case SM_CXVIRTUALSCREEN: DesktopSize(&w, &h); return w;
    case SM_CYSCREEN:
    case SM_CYFULLSCREEN:
    case SM_CYMAXIMIZED:
    case SM_CYVIRTUALSCREEN: DesktopSize(&w, &h); return h;
    case SM_CMONITORS: return qrn::win32::EnsureVideo() ? std::max(0, SDL_GetNumVideoDisplays()) : 0;
    case SM_MOUSEPRESENT: return 1;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR: return 32;
    case SM_CXSMICON:
    case SM_CYSMICON: return 16;
    // Frames and captions belong to the window manager and lie outside the
    // client area, so they take no room here.
    default: return 0;
    }
}

int WINAPI ShowCursor(BOOL show)
{
    State& s = S();
    s.cursorCount += show ? 1 : -1;
    if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_ShowCursor(s.cursorCount >= 0 ? SDL_ENABLE : SDL_DISABLE);
    return s.cursorCount;
}

BOOL WINAPI GetCursorPos(LPPOINT point)
{
    if (!point || !SDL_WasInit(SDL_INIT_VIDEO)) return FALSE;
    int x = 0, y = 0;
    SDL_GetGlobalMouseState(&x, &y);
    *point = POINT{x, y};
    return TRUE;
}

BOOL WINAPI SetCursorPos(int x, int y)
{
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return FALSE;
    return SDL_WarpMouseGlobal(x, y) == 0 ? TRUE : FALSE;
}

// Only the system's own icons and cursors exist (there are no resources in
// the program files); their handles are their resource numbers.
HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name)
{
    return reinterpret_cast<HICON>(SystemResource(instance, name, false));
}

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name)
{
    return reinterpret_cast<HCURSOR>(SystemResource(instance, name, true));
}

}  // extern "C"
