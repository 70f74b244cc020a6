// Where windows are: client and window rectangles, screen conversions,
// moving and sizing, and the WM_SIZE reports of top-level windows.
#include <algorithm>

#include "win32_internal.h"

namespace qrn::win32::detail {

namespace {

void ReportSizeImpl(HWND top, bool deferred)
{
    Window* w = Find(top);
    if (!w || !w->sdl) return;
    int state = w->placement, cx = 0, cy = 0;
    if (state != SIZE_MINIMIZED) SDL_GetWindowSize(w->sdl, &cx, &cy);
    if (state == w->sizeState && cx == w->sizeW && cy == w->sizeH) return;
    w->sizeState = state;
    w->sizeW = cx;
    w->sizeH = cy;
    w->dirty = true;
    Deliver(top, WM_SIZE, WPARAM(state), MAKELPARAM(cx, cy), deferred);
}

}  // namespace

bool TopLevelPosition(Window* w, int* x, int* y)
{
    *x = *y = 0;
    if (!w || !w->sdl) return false;
    SDL_GetWindowPosition(w->sdl, x, y);
    return true;
}

void ClientSize(Window* w, int* cx, int* cy)
{
    *cx = *cy = 0;
    if (!w) return;
    if (w->sdl) {
        if (w->placement == SIZE_MINIMIZED) return;
        SDL_GetWindowSize(w->sdl, cx, cy);
    } else {
        *cx = std::max<LONG>(0, w->rect.right - w->rect.left);
        *cy = std::max<LONG>(0, w->rect.bottom - w->rect.top);
    }
}

void ReportSize(HWND top)
{
    ReportSizeImpl(top, false);
}

void ReportSizeDeferred(HWND top)
{
    ReportSizeImpl(top, true);
}

}  // namespace qrn::win32::detail

using namespace qrn::win32::detail;

namespace qrn::win32 {

bool RectInTopLevel(HWND hwnd, RECT* r)
{
    Window* w = Find(hwnd);
    if (!w || !r) return false;
    int cx = 0, cy = 0;
    ClientSize(w, &cx, &cy);
    LONG x = 0, y = 0;
    for (Window* p = w; p && p->parent; p = Find(p->parent)) {
        x += p->rect.left;
        y += p->rect.top;
    }
    *r = RECT{x, y, x + cx, y + cy};
    return true;
}

}  // namespace qrn::win32

namespace {

// The screen position of hwnd's client area's top-left corner.
bool ClientOrigin(HWND hwnd, POINT* origin)
{
    RECT r{};
    if (!qrn::win32::RectInTopLevel(hwnd, &r)) return false;
    int ox = 0, oy = 0;
    TopLevelPosition(Find(TopOf(hwnd)), &ox, &oy);
    *origin = POINT{ox + r.left, oy + r.top};
    return true;
}

}  // namespace

// ---- the Win32 functions ----------------------------------------------------------------

extern "C" {

BOOL WINAPI GetClientRect(HWND hwnd, LPRECT rect)
{
    Window* w = Find(hwnd);
    if (!w || !rect) {
        SetLastError(w ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    int cx = 0, cy = 0;
    ClientSize(w, &cx, &cy);
    *rect = RECT{0, 0, cx, cy};
    return TRUE;
}

BOOL WINAPI GetWindowRect(HWND hwnd, LPRECT rect)
{
    Window* w = Find(hwnd);
    if (!w || !rect) {
        SetLastError(w ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    int ox = 0, oy = 0;
    TopLevelPosition(Find(TopOf(hwnd)), &ox, &oy);
    if (w->sdl) {
        // The frame drawn by the window manager, where it tells its size.
        int t = 0, l = 0, b = 0, rr = 0;
        if (SDL_GetWindowBordersSize(w->sdl, &t, &l, &b, &rr) != 0) t = l = b = rr = 0;
        int cx = 0, cy = 0;
        SDL_GetWindowSize(w->sdl, &cx, &cy);
        *rect = RECT{ox - l, oy - t, ox + cx + rr, oy + cy + b};
        return TRUE;
    }
    RECT r{};
    qrn::win32::RectInTopLevel(hwnd, &r);
    *rect = RECT{ox + r.left, oy + r.top, ox + r.right, oy + r.bottom};
    return TRUE;
}

BOOL WINAPI ClientToScreen(HWND hwnd, LPPOINT point)
{
    POINT o{};
    if (!point || !ClientOrigin(hwnd, &o)) return FALSE;
    point->x += o.x;
    point->y += o.y;
    return TRUE;
}

BOOL WINAPI ScreenToClient(HWND hwnd, LPPOINT point)
{
    POINT o{};
    if (!point || !ClientOrigin(hwnd, &o)) return FALSE;
    point->x -= o.x;
    point->y -= o.y;
    return TRUE;
}

// The frame of a top-level window belongs to the window manager and lies
// outside the client area, so window and client rectangles coincide here.
BOOL WINAPI AdjustWindowRect(LPRECT rect, DWORD, BOOL)
{
    return rect ? TRUE : FALSE;
}

BOOL WINAPI AdjustWindowRectEx(LPRECT rect, DWORD, BOOL, DWORD)
{
    return rect ? TRUE : FALSE;
}

BOOL WINAPI SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags)
{
    Window* w = Find(hwnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (!w->sdl) {
        RECT old = w->rect;
        RECT& r = w->rect;
        if (!(flags & SWP_NOMOVE)) {
            LONG wdt = r.right - r.left, hgt = r.bottom - r.top;
            r = RECT{x, y, x + wdt, y + hgt};
        }
        if (!(flags & SWP_NOSIZE)) {
            r.right = r.left + std::max(0, cx);
            r.bottom = r.top + std::max(0, cy);
        }
        if (flags & SWP_SHOWWINDOW) w->visible = true;
        if (flags & SWP_HIDEWINDOW) w->visible = false;
        if (!(flags & SWP_NOZORDER) && Find(w->parent)) {
            auto& v = Find(w->parent)->children;
            if (insertAfter == HWND_TOP || insertAfter == HWND_BOTTOM) {
                v.erase(std::remove(v.begin(), v.end(), hwnd), v.end());
                if (insertAfter == HWND_TOP) v.insert(v.begin(), hwnd);
                else v.push_back(hwnd);
            }
        }
        MarkDirty(hwnd);
        const LONG ow = old.right - old.left, oh = old.bottom - old.top;
        const LONG nw = r.right - r.left, nh = r.bottom - r.top;
        if (ow != nw || oh != nh) CallProc(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(nw, nh));
        if (Window* top = Find(TopOf(hwnd))) PaintIfNeeded(top->handle);
        return TRUE;
    }
    if (!(flags & SWP_NOMOVE)) SDL_SetWindowPosition(w->sdl, x, y);
    if (!(flags & SWP_NOSIZE)) SDL_SetWindowSize(w->sdl, std::max(1, cx), std::max(1, cy));
    if (!(flags & SWP_NOZORDER)) {
        if (insertAfter == HWND_TOPMOST) SDL_SetWindowAlwaysOnTop(w->sdl, SDL_TRUE);
        else if (insertAfter == HWND_NOTOPMOST) SDL_SetWindowAlwaysOnTop(w->sdl, SDL_FALSE);
    }
    if (flags & SWP_FRAMECHANGED) ApplyFrameStyle(w);
    if (flags & SWP_HIDEWINDOW) {
        ShowWindow(hwnd, SW_HIDE);
    } else if (flags & SWP_SHOWWINDOW) {
        ShowWindow(hwnd, (flags & SWP_NOACTIVATE) ? SW_SHOWNA : SW_SHOW);
    }
    if (Find(hwnd)) {
        Find(hwnd)->dirty = true;
        ReportSize(hwnd);
        PaintIfNeeded(hwnd);
    }
    return TRUE;
}

BOOL WINAPI MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL)
{
    return SetWindowPos(hwnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // extern "C"
