// Window classes and windows of the Win32 stand-in. A top-level window is an
// SDL window (made for OpenGL, hidden until shown); its client area is the SDL
// window's drawable area and the window manager's frame lies outside it. A
// child window is a rectangle in its parent's client area.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "qrn_win32_testctl.h"
#include "win32_internal.h"

namespace qrn::win32::detail {

namespace {

std::string Lower(const char* s)
{
    std::string r(s ? s : "");
    for (char& c : r) c = char(std::tolower(static_cast<unsigned char>(c)));
    return r;
}

LRESULT CALLBACK StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void AddSystemClasses(State& s)
{
    auto c = std::make_unique<WindowClass>();
    c->name = "Static";
    c->key = "static";
    c->atom = s.nextAtom++;
    c->wc.cbSize = sizeof(WNDCLASSEXA);
    c->wc.lpfnWndProc = StaticProc;
    c->system = true;
    s.classes.push_back(std::move(c));
}

WindowClass* FindClass(LPCSTR name, HINSTANCE instance)
{
    State& s = S();
    if (!name) return nullptr;
    WindowClass* any = nullptr;
    if (IS_INTRESOURCE(name)) {
        ATOM atom = ATOM(reinterpret_cast<uintptr_t>(name));
        for (auto& c : s.classes)
            if (c->atom == atom) return c.get();
        return nullptr;
    }
    std::string key = Lower(name);
    for (auto& c : s.classes) {
        if (c->key != key) continue;
        if (c->instance == instance) return c.get();
        if (!any) any = c.get();
    }
    return any;
}

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

void NotifyFocus(HWND top, bool focused)
{
    // Copy: a listener may remove itself.
    std::vector<State::Listener> listeners = S().focusListeners;
    for (const auto& l : listeners) l.fn(top, focused, l.user);
}

// Styles that give a top-level window a frame drawn by the window manager.
constexpr DWORD kFramedStyles = WS_CAPTION | WS_THICKFRAME | WS_BORDER | WS_DLGFRAME;

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

// Asks the window system for the keyboard focus so that real key events reach
// the window (only meaningful on X11; elsewhere a harmless no-op).
void RequestInputFocus(Window* w)
{
    SDL_RaiseWindow(w->sdl);
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver && std::strcmp(driver, "x11") == 0) SDL_SetWindowInputFocus(w->sdl);
}

}  // namespace

State& S()
{
    static State* state = [] {
        auto* s = new State();  // lives for the process: windows may outlive statics
        AddSystemClasses(*s);
        return s;
    }();
    return *state;
}

Window* Find(HWND hwnd)
{
    if (!hwnd) return nullptr;
    auto& m = S().windows;
    auto it = m.find(reinterpret_cast<uintptr_t>(hwnd));
    return it == m.end() ? nullptr : it->second.get();
}

Window* FindBySdlId(uint32_t id)
{
    if (id == 0) return nullptr;
    for (auto& [h, w] : S().windows)
        if (w->sdl && w->sdlId == id) return w.get();
    return nullptr;
}

HWND TopOf(HWND hwnd)
{
    Window* w = Find(hwnd);
    for (int guard = 0; w && w->parent && guard < 1000; ++guard) w = Find(w->parent);
    return w ? w->handle : nullptr;
}

LRESULT CallProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    Window* w = Find(hwnd);
    if (!w || !w->proc) return 0;
    WNDPROC proc = w->proc;
    State& s = S();
    ++s.procDepth;
    LRESULT r = proc(hwnd, msg, wParam, lParam);
    if (--s.procDepth == 0) s.graveyard.clear();
    return r;
}

namespace {

// Sends a message now, or queues it for the next PeekMessageA.
void Deliver(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, bool deferred)
{
    if (deferred)
        S().sends.push_back({hwnd, msg, wParam, lParam});
    else
        CallProc(hwnd, msg, wParam, lParam);
}

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

void Activate(HWND top)
{
    ActivateImpl(top, false);
}

void ActivateDeferred(HWND top)
{
    ActivateImpl(top, true);
}

void ReportSize(HWND top)
{
    ReportSizeImpl(top, false);
}

void ReportSizeDeferred(HWND top)
{
    ReportSizeImpl(top, true);
}

void ReleaseParkedWindows()
{
    auto& v = S().parked;
    SDL_Window* current = SDL_WasInit(SDL_INIT_VIDEO) ? SDL_GL_GetCurrentWindow() : nullptr;
    for (auto it = v.begin(); it != v.end();) {
        if (it->released && it->sdl != current) {
            SDL_DestroyWindow(it->sdl);
            it = v.erase(it);
        } else {
            ++it;
        }
    }
}

State::Parked* FindParked(HWND hwnd)
{
    if (!hwnd) return nullptr;
    for (auto& p : S().parked)
        if (p.handle == hwnd) return &p;
    return nullptr;
}

void MarkDirty(HWND hwnd)
{
    if (Window* w = Find(TopOf(hwnd))) w->dirty = true;
}

}  // namespace qrn::win32::detail

using namespace qrn::win32::detail;

// ---- seam for the other stand-ins --------------------------------------------------

namespace qrn::win32 {

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
    // The framebuffer configuration of a window is fixed when it is created
    // (EGL surfaces), so the Direct3D device's context attributes must be in
    // force before the first window.
    SetGlContextAttributes();
    return true;
}

void SetGlContextAttributes()
{
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 4);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 5);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
}

SDL_Window* SdlWindow(HWND hwnd)
{
    Window* w = Find(TopOf(hwnd));
    return w ? w->sdl : nullptr;
}

HWND TopLevel(HWND hwnd)
{
    if (HWND top = TopOf(hwnd)) return top;
    // A destroyed window whose picture a device still holds answers for
    // itself, so that the device can let go of it.
    return FindParked(hwnd) ? hwnd : nullptr;
}

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

uint32_t BackgroundRgb(HWND top)
{
    Window* w = Find(TopOf(top));
    if (!w || !w->cls) return 0;
    return BrushRgb(w->cls->wc.hbrBackground, 0);
}

void SetDeviceOwnsPicture(HWND top, bool owns)
{
    Window* w = Find(TopOf(top));
    if (!w) {
        if (State::Parked* p = FindParked(top)) p->released = !owns;
        return;
    }
    w->deviceOwns = owns;
    if (!owns) {
        w->dirty = true;
        PaintIfNeeded(w->handle);
    }
}

bool DeviceOwnsPicture(HWND top)
{
    Window* w = Find(TopOf(top));
    if (!w) {
        State::Parked* p = FindParked(top);
        return p && !p->released;
    }
    return w->deviceOwns;
}

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

size_t LiveWindowCount()
{
    return S().windows.size();
}

}  // namespace qrn::win32::testctl

// ---- the Win32 functions ----------------------------------------------------------------

extern "C" {

ATOM WINAPI RegisterClassExA(const WNDCLASSEXA* wc)
{
    if (!wc || wc->cbSize != sizeof(WNDCLASSEXA) || !wc->lpszClassName || !wc->lpfnWndProc ||
        wc->cbClsExtra < 0 || wc->cbWndExtra < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    State& s = S();
    const bool atomName = IS_INTRESOURCE(wc->lpszClassName);
    if (atomName || !*wc->lpszClassName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string key = Lower(wc->lpszClassName);
    for (auto& c : s.classes) {
        if (c->key == key && (c->system || c->instance == wc->hInstance)) {
            SetLastError(ERROR_CLASS_ALREADY_EXISTS);
            return 0;
        }
    }
    if (s.nextAtom == 0xFFFF) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    auto c = std::make_unique<WindowClass>();
    c->name = wc->lpszClassName;
    c->key = key;
    c->atom = s.nextAtom++;
    c->wc = *wc;
    c->wc.lpszClassName = nullptr;  // the caller's string may go away
    c->wc.lpszMenuName = nullptr;
    c->instance = wc->hInstance;
    ATOM atom = c->atom;
    s.classes.push_back(std::move(c));
    return atom;
}

BOOL WINAPI UnregisterClassA(LPCSTR className, HINSTANCE instance)
{
    State& s = S();
    if (!className) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    for (auto it = s.classes.begin(); it != s.classes.end(); ++it) {
        WindowClass* c = it->get();
        const bool match = IS_INTRESOURCE(className)
                               ? c->atom == ATOM(reinterpret_cast<uintptr_t>(className))
                               : c->key == Lower(className);
        if (!match || c->system || c->instance != instance) continue;
        if (c->windows > 0) {
            SetLastError(ERROR_CLASS_HAS_WINDOWS);
            return FALSE;
        }
        s.classes.erase(it);
        return TRUE;
    }
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
}

BOOL WINAPI GetClassInfoExA(HINSTANCE instance, LPCSTR className, LPWNDCLASSEXA wc)
{
    WindowClass* c = FindClass(className, instance);
    if (!c || !wc) {
        SetLastError(c ? ERROR_INVALID_PARAMETER : ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    *wc = c->wc;
    wc->lpszClassName = IS_INTRESOURCE(className) ? c->name.c_str() : className;
    return TRUE;
}

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

BOOL WINAPI IsWindow(HWND hwnd)
{
    return Find(hwnd) ? TRUE : FALSE;
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

HWND WINAPI GetWindow(HWND hwnd, UINT cmd)
{
    Window* w = Find(hwnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    if (cmd == GW_CHILD) return w->children.empty() ? nullptr : w->children.front();
    if (cmd == GW_OWNER) return nullptr;
    // Siblings: the parent's children, or all top-level windows in creation order.
    std::vector<HWND> siblings;
    if (Window* p = Find(w->parent)) {
        siblings = p->children;
    } else {
        for (auto& [h, o] : S().windows)
            if (!o->parent) siblings.push_back(o->handle);
    }
    auto it = std::find(siblings.begin(), siblings.end(), hwnd);
    switch (cmd) {
    case GW_HWNDFIRST: return siblings.empty() ? nullptr : siblings.front();
    case GW_HWNDLAST: return siblings.empty() ? nullptr : siblings.back();
    case GW_HWNDNEXT: return it == siblings.end() || it + 1 == siblings.end() ? nullptr : *(it + 1);
    case GW_HWNDPREV: return it == siblings.begin() || it == siblings.end() ? nullptr : *(it - 1);
    default: SetLastError(ERROR_INVALID_PARAMETER); return nullptr;
    }
}

HWND WINAPI GetParent(HWND hwnd)
{
    Window* w = Find(hwnd);
    return w ? w->parent : nullptr;
}

LONG_PTR WINAPI GetWindowLongPtrA(HWND hwnd, int index)
{
    Window* w = Find(hwnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    switch (index) {
    case GWL_STYLE: {
        DWORD style = w->style;
        if (w->visible) style |= WS_VISIBLE;
        if (IsIconic(hwnd)) style |= WS_MINIMIZE;
        if (IsZoomed(hwnd)) style |= WS_MAXIMIZE;
        return LONG_PTR(LONG(style));
    }
    case GWL_EXSTYLE: return LONG_PTR(LONG(w->exStyle));
    case GWLP_WNDPROC: return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_USERDATA: return w->userData;
    case GWLP_ID: return w->id;
    case GWLP_HINSTANCE: return reinterpret_cast<LONG_PTR>(w->instance);
    case GWLP_HWNDPARENT: return reinterpret_cast<LONG_PTR>(w->parent);
    default: SetLastError(ERROR_INVALID_PARAMETER); return 0;
    }
}

LONG_PTR WINAPI SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value)
{
    Window* w = Find(hwnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    LONG_PTR old = GetWindowLongPtrA(hwnd, index);
    switch (index) {
    case GWL_STYLE:
        w->style = DWORD(value) & ~DWORD(WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE);
        ApplyFrameStyle(w);
        break;
    case GWL_EXSTYLE:
        w->exStyle = DWORD(value);
        if (w->sdl) SDL_SetWindowAlwaysOnTop(w->sdl, (value & WS_EX_TOPMOST) ? SDL_TRUE : SDL_FALSE);
        break;
    case GWLP_WNDPROC:
        if (!value) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        w->proc = reinterpret_cast<WNDPROC>(value);
        break;
    case GWLP_USERDATA: w->userData = value; break;
    case GWLP_ID: w->id = value; break;
    case GWLP_HINSTANCE: w->instance = reinterpret_cast<HINSTANCE>(value); break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return 0;
    }
    return old;
}

LONG WINAPI GetWindowLongA(HWND hwnd, int index)
{
    return LONG(GetWindowLongPtrA(hwnd, index));
}

LONG WINAPI SetWindowLongA(HWND hwnd, int index, LONG value)
{
    if (index == GWLP_WNDPROC || index == GWLP_HINSTANCE || index == GWLP_HWNDPARENT) {
        // A pointer does not fit in 32 bits here; only the Ptr variant sets it.
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return LONG(SetWindowLongPtrA(hwnd, index, value));
}

BOOL WINAPI SetWindowTextA(HWND hwnd, LPCSTR text)
{
    Window* w = Find(hwnd);
    if (!w) return FALSE;
    w->title = text ? text : "";
    if (w->sdl) SDL_SetWindowTitle(w->sdl, w->title.c_str());
    return TRUE;
}

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
