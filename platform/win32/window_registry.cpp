// The window registry of the Win32 stand-in: window classes, the table of
// windows and their data (parent, styles, user data, text), the lookups every
// other part uses, and the SDL windows kept alive for a device's context.
#include <algorithm>
#include <cctype>
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

}  // namespace

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

// Sends a message now, or queues it for the next PeekMessageA.
void Deliver(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, bool deferred)
{
    if (deferred)
        S().sends.push_back({hwnd, msg, wParam, lParam});
    else
        CallProc(hwnd, msg, wParam, lParam);
}

// Set while the process loads (SetWindowInUseQuery).
static bool (*g_inUse)(SDL_Window* window) = nullptr;

void ReleaseParkedWindows()
{
    auto& v = S().parked;
    for (auto it = v.begin(); it != v.end();) {
        if (it->released && !(g_inUse && g_inUse(it->sdl))) {
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

namespace qrn::win32 {

void SetWindowInUseQuery(bool (*inUse)(SDL_Window* window)) { g_inUse = inUse; }

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

}  // namespace qrn::win32

namespace qrn::win32::testctl {

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

BOOL WINAPI IsWindow(HWND hwnd)
{
    return Find(hwnd) ? TRUE : FALSE;
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

}  // extern "C"
