// Creating, destroying and showing windows. A top-level window is an SDL
// window (made for OpenGL, hidden until shown); its client area is the SDL
// window's drawable area and the window manager's frame lies outside it. A
// child window is a rectangle in its parent's client area.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "win32_internal.h"

namespace qrn::win32::detail {

namespace {

// Styles that give a top-level window a frame drawn by the window manager.
constexpr DWORD kFramedStyles = WS_CAPTION | WS_THICKFRAME | WS_BORDER | WS_DLGFRAME;

}  // namespace

void ApplyFrameStyle(Window* w)
{
    if (!w->sdl) return;
    const bool resizable = (w->style & WS_THICKFRAME) != 0;
    const bool bordered = (w->style & kFramedStyles) != 0;
    SDL_SetWindowBordered(w->sdl, bordered ? SDL_TRUE : SDL_FALSE);
    SDL_SetWindowResizable(w->sdl, resizable ? SDL_TRUE : SDL_FALSE);
}

void ShowTopLevel(Window* w)
{
    if (!w->visible) {
        SDL_ShowWindow(w->sdl);
        w->visible = true;
    }
    w->dirty = true;
}

}  // namespace qrn::win32::detail

using namespace qrn::win32::detail;

namespace qrn::win32 {

// Set while the process loads, before any window (SetWindowGlSetup).
static void (*g_glSetup)() = nullptr;

bool EnsureVideo()
{
    if (SDL_WasInit(SDL_INIT_VIDEO)) return true;
    // The window system paints through SDL's window surface; the accelerated
    // variant would put a renderer (and a GL context) of its own on the window
    // that the Direct3D stand-in draws into.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        static bool told = false;
        if (!told) {
            std::fprintf(stderr, "windows: no display available: %s\n", SDL_GetError());
            told = true;
        }
        return false;
    }
    // Top-level windows are made for OpenGL; SDL loads the GL library with the
    // first of them and unloads it with the last. Holding one reference for as
    // long as video is up keeps the library (and the device's use of it) from
    // being loaded and unloaded with every window.
    if (SDL_GL_LoadLibrary(nullptr) != 0) SDL_ClearError();
    // A window's framebuffer configuration is fixed when it is made (EGL
    // surfaces): the graphics stand-in's set-up comes before the first window.
    if (g_glSetup) g_glSetup();
    return true;
}

void SetWindowGlSetup(void (*setup)()) { g_glSetup = setup; }

}  // namespace qrn::win32

// ---- the Win32 functions ----------------------------------------------------------------

extern "C" {

HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x,
                            int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                            LPVOID param)
{
    State& s = S();
    ReleaseParkedWindows();
    WindowClass* cls = FindClass(className, instance);
    if (!cls) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    const bool child = (style & WS_CHILD) != 0;
    if (child && !parent) {
        SetLastError(ERROR_TLW_WITH_WSCHILD);
        return nullptr;
    }
    if (parent && !Find(parent)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }

    auto win = std::make_unique<Window>();
    Window* w = win.get();
    w->handle = reinterpret_cast<HWND>(s.nextHandle);
    w->cls = cls;
    w->proc = cls->wc.lpfnWndProc;
    w->style = style & ~DWORD(WS_VISIBLE);
    w->exStyle = exStyle;
    w->title = windowName ? windowName : "";
    w->instance = instance;

    if (child) {
        if (x == CW_USEDEFAULT) x = 0;
        if (y == CW_USEDEFAULT) y = 0;
        if (width == CW_USEDEFAULT) width = 0;
        if (height == CW_USEDEFAULT) height = 0;
        w->parent = parent;
        w->id = reinterpret_cast<LONG_PTR>(menu);
        w->rect = RECT{x, y, x + std::max(0, width), y + std::max(0, height)};
    } else {
        if (!qrn::win32::EnsureVideo()) {
            SetLastError(ERROR_NOT_SUPPORTED);
            return nullptr;
        }
        Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
        if (style & WS_THICKFRAME) flags |= SDL_WINDOW_RESIZABLE;
        if (!(style & kFramedStyles)) flags |= SDL_WINDOW_BORDERLESS;
        if (exStyle & WS_EX_TOPMOST) flags |= SDL_WINDOW_ALWAYS_ON_TOP;
        const int sx = x == CW_USEDEFAULT ? int(SDL_WINDOWPOS_UNDEFINED) : x;
        const int sy = y == CW_USEDEFAULT ? int(SDL_WINDOWPOS_UNDEFINED) : y;
        const int sw = width == CW_USEDEFAULT ? 640 : std::max(1, width);
        const int sh = height == CW_USEDEFAULT || width == CW_USEDEFAULT ? 480 : std::max(1, height);
        w->sdl = SDL_CreateWindow(w->title.c_str(), sx, sy, sw, sh, flags);
        if (!w->sdl) {
            std::fprintf(stderr, "windows: cannot create a window: %s\n", SDL_GetError());
            SetLastError(ERROR_NOT_SUPPORTED);
            return nullptr;
        }
        w->sdlId = SDL_GetWindowID(w->sdl);
    }

    HWND h = w->handle;
    s.nextHandle += 0x10;
    cls->windows++;
    s.windows.emplace(reinterpret_cast<uintptr_t>(h), std::move(win));
    if (child) Find(parent)->children.push_back(h);

    CREATESTRUCTA cs{};
    cs.lpCreateParams = param;
    cs.hInstance = instance;
    cs.hMenu = menu;
    cs.hwndParent = parent;
    cs.cx = width;
    cs.cy = height;
    cs.x = x;
    cs.y = y;
    cs.style = LONG(style);
    cs.lpszName = windowName;
    cs.lpszClass = className;
    cs.dwExStyle = exStyle;
    if (!CallProc(h, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs)) ||
        CallProc(h, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        DestroyWindow(h);
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    if (!Find(h)) return nullptr;  // destroyed by its own procedure

    if (child) {
        Window* cw = Find(h);
        CallProc(h, WM_SIZE, SIZE_RESTORED,
                 MAKELPARAM(cw->rect.right - cw->rect.left, cw->rect.bottom - cw->rect.top));
    } else {
        ReportSize(h);
    }
    if (Find(h) && (style & WS_VISIBLE))
        ShowWindow(h, (style & WS_MAXIMIZE) ? SW_SHOWMAXIMIZED : (style & WS_MINIMIZE) ? SW_SHOWMINIMIZED : SW_SHOW);
    return Find(h) ? h : nullptr;
}

BOOL WINAPI DestroyWindow(HWND hwnd)
{
    State& s = S();
    Window* w = Find(hwnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (w->destroying) return FALSE;
    w->destroying = true;
    ++s.procDepth;  // keep this window's memory while its procedures run

    if (w->visible) {
        w->visible = false;
        if (w->sdl) SDL_HideWindow(w->sdl);
        else MarkDirty(w->parent);
    }
    if (s.focus == hwnd) Activate(nullptr);
    CallProc(hwnd, WM_DESTROY, 0, 0);
    std::vector<HWND> children = w->children;
    for (HWND c : children) DestroyWindow(c);
    CallProc(hwnd, WM_NCDESTROY, 0, 0);

    if (Window* p = Find(w->parent)) {
        auto& v = p->children;
        v.erase(std::remove(v.begin(), v.end(), hwnd), v.end());
    }
    DropMessagesOf(hwnd);
    if (w->cls) w->cls->windows--;
    if (w->sdl) {
        if (w->deviceOwns) {
            // The device's GL context is bound to this SDL window: keep it,
            // hidden, until the device is done with it.
            SDL_HideWindow(w->sdl);
            s.parked.push_back({hwnd, w->sdl, false});
        } else {
            SDL_DestroyWindow(w->sdl);
        }
        w->sdl = nullptr;
    }
    auto it = s.windows.find(reinterpret_cast<uintptr_t>(hwnd));
    s.graveyard.push_back(std::move(it->second));
    s.windows.erase(it);
    if (--s.procDepth == 0) s.graveyard.clear();
    return TRUE;
}

BOOL WINAPI ShowWindow(HWND hwnd, int cmdShow)
{
    Window* w = Find(hwnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    const BOOL wasVisible = w->visible ? TRUE : FALSE;
    if (!w->sdl) {
        w->visible = cmdShow != SW_HIDE;
        MarkDirty(hwnd);
        if (Window* top = Find(TopOf(hwnd))) PaintIfNeeded(top->handle);
        return wasVisible;
    }
    bool activate = false;
    switch (cmdShow) {
    case SW_HIDE:
        if (w->visible) {
            SDL_HideWindow(w->sdl);
            w->visible = false;
        }
        if (S().focus == hwnd) Activate(nullptr);
        return wasVisible;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE:
        ShowTopLevel(w);
        SDL_MinimizeWindow(w->sdl);
        w->placement = SIZE_MINIMIZED;
        if (S().focus == hwnd) Activate(nullptr);
        ReportSize(hwnd);
        return wasVisible;
    case SW_SHOWMAXIMIZED:
        ShowTopLevel(w);
        SDL_MaximizeWindow(w->sdl);
        w->placement = SIZE_MAXIMIZED;
        activate = true;
        break;
    case SW_RESTORE:
        ShowTopLevel(w);
        SDL_RestoreWindow(w->sdl);
        w->placement = SIZE_RESTORED;
        activate = true;
        break;
    case SW_SHOWNA:
    case SW_SHOWNOACTIVATE:
        ShowTopLevel(w);
        break;
    default:  // SW_SHOW, SW_SHOWNORMAL, SW_SHOWDEFAULT
        ShowTopLevel(w);
        activate = true;
        break;
    }
    if (activate) {
        RequestInputFocus(w);
        Activate(hwnd);
    }
    if (Find(hwnd)) ReportSize(hwnd);
    PaintIfNeeded(hwnd);
    return wasVisible;
}

BOOL WINAPI UpdateWindow(HWND hwnd)
{
    HWND top = TopOf(hwnd);
    if (!top) return FALSE;
    PaintIfNeeded(top);
    return TRUE;
}

BOOL WINAPI InvalidateRect(HWND hwnd, const RECT*, BOOL)
{
    if (!hwnd) {
        for (auto& [h, w] : S().windows) w->dirty = true;
        return TRUE;
    }
    if (!Find(hwnd)) return FALSE;
    MarkDirty(hwnd);
    return TRUE;
}

BOOL WINAPI IsWindowVisible(HWND hwnd)
{
    Window* w = Find(hwnd);
    if (!w) return FALSE;
    for (; w; w = Find(w->parent))
        if (!w->visible) return FALSE;
    return TRUE;
}

BOOL WINAPI IsIconic(HWND hwnd)
{
    Window* w = Find(hwnd);
    return w && w->sdl && w->placement == SIZE_MINIMIZED ? TRUE : FALSE;
}

BOOL WINAPI IsZoomed(HWND hwnd)
{
    Window* w = Find(hwnd);
    return w && w->sdl && w->placement == SIZE_MAXIMIZED ? TRUE : FALSE;
}

}  // extern "C"
