// Activation and the keyboard focus: which top-level window is active, the
// WM_ACTIVATE messages, and the listeners (the device) told of changes.
#include <algorithm>
#include <cstring>

#include "qrn_win32_testctl.h"
#include "win32_internal.h"

namespace qrn::win32::detail {

namespace {

void ActivateImpl(HWND top, bool deferred)
{
    State& s = S();
    HWND old = s.focus;
    if (old == top) return;
    s.focus = top;
    if (old && Find(old)) {
        NotifyFocus(old, false);
        Deliver(old, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(top), deferred);
    }
    if (top && Find(top)) {
        NotifyFocus(top, true);
        Deliver(top, WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(old), deferred);
    }
}

}  // namespace

void NotifyFocus(HWND top, bool focused)
{
    // Copy: a listener may remove itself.
    std::vector<State::Listener> listeners = S().focusListeners;
    for (const auto& l : listeners) l.fn(top, focused, l.user);
}

// Asks the window system for the keyboard focus so that real key events reach
// the window (only meaningful on X11; elsewhere a harmless no-op).
void RequestInputFocus(Window* w)
{
    SDL_RaiseWindow(w->sdl);
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver && std::strcmp(driver, "x11") == 0) SDL_SetWindowInputFocus(w->sdl);
}

void Activate(HWND top)
{
    ActivateImpl(top, false);
}

void ActivateDeferred(HWND top)
{
    ActivateImpl(top, true);
}

}  // namespace qrn::win32::detail

using namespace qrn::win32::detail;

namespace qrn::win32 {

bool HasFocus(HWND hwnd)
{
    HWND top = TopOf(hwnd);
    return top && S().focus == top;
}

int AddFocusListener(FocusListener fn, void* user)
{
    if (!fn) return 0;
    State& s = S();
    int id = s.nextListenerId++;
    s.focusListeners.push_back({id, fn, user});
    return id;
}

void RemoveFocusListener(int id)
{
    auto& v = S().focusListeners;
    v.erase(std::remove_if(v.begin(), v.end(), [id](const State::Listener& l) { return l.id == id; }),
            v.end());
}

}  // namespace qrn::win32

namespace qrn::win32::testctl {

void SimulateFocus(HWND hwnd, bool focused)
{
    HWND top = TopOf(hwnd);
    if (!top) return;
    if (focused)
        Activate(top);
    else if (S().focus == top)
        Activate(nullptr);
}

}  // namespace qrn::win32::testctl

// ---- the Win32 functions ----------------------------------------------------------------

extern "C" {

HWND WINAPI GetForegroundWindow(void)
{
    return S().focus;
}

HWND WINAPI GetActiveWindow(void)
{
    return S().focus;
}

HWND WINAPI GetFocus(void)
{
    return S().focus;
}

BOOL WINAPI SetForegroundWindow(HWND hwnd)
{
    HWND top = TopOf(hwnd);
    if (!top) return FALSE;
    RequestInputFocus(Find(top));
    Activate(top);
    return TRUE;
}

HWND WINAPI SetFocus(HWND hwnd)
{
    HWND old = S().focus;
    if (!hwnd) return old;
    HWND top = TopOf(hwnd);
    if (!top) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    Activate(top);
    return old;
}

}  // extern "C"
