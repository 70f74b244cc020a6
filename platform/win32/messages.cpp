// The message queue of the Win32 stand-in. SDL's events become window
// messages: keys become WM_KEYDOWN/WM_KEYUP with virtual-key codes, a window's
// close button and SDL_QUIT (which SDL raises on SIGTERM) become WM_CLOSE, size
// changes become WM_SIZE and focus changes WM_ACTIVATE. Size and activation
// messages are sent (delivered inside PeekMessageA), the others are posted.
// The same events keep the keyboard and mouse state that DirectInput reads.
#include <algorithm>
#include <array>

#include "dinput.h"
#include "win32_internal.h"

namespace qrn::win32::detail {

namespace {

struct KeyInfo {
    uint8_t dik;
    uint8_t vk;
};

using KeyTableArray = std::array<KeyInfo, SDL_NUM_SCANCODES>;

// By SDL scancode: the DirectInput scan code and the virtual-key code of a
// US keyboard layout.
KeyTableArray BuildKeyTable()
{
    KeyTableArray table{};
    auto set = [&table](int sc, uint8_t dik, uint8_t vk) { table[size_t(sc)] = {dik, vk}; };
    static const uint8_t letters[26] = {DIK_A, DIK_B, DIK_C, DIK_D, DIK_E, DIK_F, DIK_G, DIK_H, DIK_I,
                                        DIK_J, DIK_K, DIK_L, DIK_M, DIK_N, DIK_O, DIK_P, DIK_Q, DIK_R,
                                        DIK_S, DIK_T, DIK_U, DIK_V, DIK_W, DIK_X, DIK_Y, DIK_Z};
    for (int i = 0; i < 26; ++i) set(SDL_SCANCODE_A + i, letters[i], uint8_t('A' + i));
    for (int i = 0; i < 9; ++i) set(SDL_SCANCODE_1 + i, uint8_t(DIK_1 + i), uint8_t('1' + i));
    set(SDL_SCANCODE_0, DIK_0, '0');
    set(SDL_SCANCODE_RETURN, DIK_RETURN, VK_RETURN);
    set(SDL_SCANCODE_ESCAPE, DIK_ESCAPE, VK_ESCAPE);
    set(SDL_SCANCODE_BACKSPACE, DIK_BACK, VK_BACK);
    set(SDL_SCANCODE_TAB, DIK_TAB, VK_TAB);
    set(SDL_SCANCODE_SPACE, DIK_SPACE, VK_SPACE);
    set(SDL_SCANCODE_MINUS, DIK_MINUS, VK_OEM_MINUS);
    set(SDL_SCANCODE_EQUALS, DIK_EQUALS, VK_OEM_PLUS);
    set(SDL_SCANCODE_LEFTBRACKET, DIK_LBRACKET, VK_OEM_4);
    set(SDL_SCANCODE_RIGHTBRACKET, DIK_RBRACKET, VK_OEM_6);
    set(SDL_SCANCODE_BACKSLASH, DIK_BACKSLASH, VK_OEM_5);
    set(SDL_SCANCODE_NONUSHASH, DIK_BACKSLASH, VK_OEM_5);
    set(SDL_SCANCODE_SEMICOLON, DIK_SEMICOLON, VK_OEM_1);
    set(SDL_SCANCODE_APOSTROPHE, DIK_APOSTROPHE, VK_OEM_7);
    set(SDL_SCANCODE_GRAVE, DIK_GRAVE, VK_OEM_3);
    set(SDL_SCANCODE_COMMA, DIK_COMMA, VK_OEM_COMMA);
    set(SDL_SCANCODE_PERIOD, DIK_PERIOD, VK_OEM_PERIOD);
    set(SDL_SCANCODE_SLASH, DIK_SLASH, VK_OEM_2);
    set(SDL_SCANCODE_CAPSLOCK, DIK_CAPITAL, VK_CAPITAL);
    for (int i = 0; i < 10; ++i) set(SDL_SCANCODE_F1 + i, uint8_t(DIK_F1 + i), uint8_t(VK_F1 + i));
    set(SDL_SCANCODE_F11, DIK_F11, VK_F11);
    set(SDL_SCANCODE_F12, DIK_F12, VK_F12);
    set(SDL_SCANCODE_PRINTSCREEN, DIK_SYSRQ, VK_SNAPSHOT);
    set(SDL_SCANCODE_SCROLLLOCK, DIK_SCROLL, VK_SCROLL);
    set(SDL_SCANCODE_PAUSE, DIK_PAUSE, VK_PAUSE);
    set(SDL_SCANCODE_INSERT, DIK_INSERT, VK_INSERT);
    set(SDL_SCANCODE_HOME, DIK_HOME, VK_HOME);
    set(SDL_SCANCODE_PAGEUP, DIK_PRIOR, VK_PRIOR);
    set(SDL_SCANCODE_DELETE, DIK_DELETE, VK_DELETE);
    set(SDL_SCANCODE_END, DIK_END, VK_END);
    set(SDL_SCANCODE_PAGEDOWN, DIK_NEXT, VK_NEXT);
    set(SDL_SCANCODE_RIGHT, DIK_RIGHT, VK_RIGHT);
    set(SDL_SCANCODE_LEFT, DIK_LEFT, VK_LEFT);
    set(SDL_SCANCODE_DOWN, DIK_DOWN, VK_DOWN);
    set(SDL_SCANCODE_UP, DIK_UP, VK_UP);
    set(SDL_SCANCODE_NUMLOCKCLEAR, DIK_NUMLOCK, VK_NUMLOCK);
    set(SDL_SCANCODE_KP_DIVIDE, DIK_DIVIDE, VK_DIVIDE);
    set(SDL_SCANCODE_KP_MULTIPLY, DIK_MULTIPLY, VK_MULTIPLY);
    set(SDL_SCANCODE_KP_MINUS, DIK_SUBTRACT, VK_SUBTRACT);
    set(SDL_SCANCODE_KP_PLUS, DIK_ADD, VK_ADD);
    set(SDL_SCANCODE_KP_ENTER, DIK_NUMPADENTER, VK_RETURN);
    static const uint8_t pad[9] = {DIK_NUMPAD1, DIK_NUMPAD2, DIK_NUMPAD3, DIK_NUMPAD4, DIK_NUMPAD5,
                                   DIK_NUMPAD6, DIK_NUMPAD7, DIK_NUMPAD8, DIK_NUMPAD9};
    for (int i = 0; i < 9; ++i) set(SDL_SCANCODE_KP_1 + i, pad[i], uint8_t(VK_NUMPAD1 + i));
    set(SDL_SCANCODE_KP_0, DIK_NUMPAD0, VK_NUMPAD0);
    set(SDL_SCANCODE_KP_PERIOD, DIK_DECIMAL, VK_DECIMAL);
    set(SDL_SCANCODE_KP_EQUALS, DIK_NUMPADEQUALS, 0);
    set(SDL_SCANCODE_NONUSBACKSLASH, DIK_OEM_102, VK_OEM_102);
    set(SDL_SCANCODE_APPLICATION, DIK_APPS, VK_APPS);
    set(SDL_SCANCODE_F13, DIK_F13, 0x7C);
    set(SDL_SCANCODE_F14, DIK_F14, 0x7D);
    set(SDL_SCANCODE_F15, DIK_F15, 0x7E);
    set(SDL_SCANCODE_MUTE, DIK_MUTE, 0);
    set(SDL_SCANCODE_VOLUMEUP, DIK_VOLUMEUP, 0);
    set(SDL_SCANCODE_VOLUMEDOWN, DIK_VOLUMEDOWN, 0);
    set(SDL_SCANCODE_LCTRL, DIK_LCONTROL, VK_CONTROL);
    set(SDL_SCANCODE_LSHIFT, DIK_LSHIFT, VK_SHIFT);
    set(SDL_SCANCODE_LALT, DIK_LMENU, VK_MENU);
    set(SDL_SCANCODE_LGUI, DIK_LWIN, VK_LWIN);
    set(SDL_SCANCODE_RCTRL, DIK_RCONTROL, VK_CONTROL);
    set(SDL_SCANCODE_RSHIFT, DIK_RSHIFT, VK_SHIFT);
    set(SDL_SCANCODE_RALT, DIK_RMENU, VK_MENU);
    set(SDL_SCANCODE_RGUI, DIK_RWIN, VK_RWIN);
    return table;
}

const KeyInfo* KeyTable()
{
    static const KeyTableArray table = BuildKeyTable();
    return table.data();
}

void Post(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    MSG m{};
    m.hwnd = hwnd;
    m.message = msg;
    m.wParam = wParam;
    m.lParam = lParam;
    m.time = timeGetTime();
    // The cursor in screen coordinates, from SDL's cached state (asking the
    // display server for every message would cost a round trip each).
    int x = 0, y = 0;
    if (SDL_WasInit(SDL_INIT_VIDEO)) {
        SDL_GetMouseState(&x, &y);
        if (SDL_Window* over = SDL_GetMouseFocus()) {
            int wx = 0, wy = 0;
            SDL_GetWindowPosition(over, &wx, &wy);
            x += wx;
            y += wy;
        }
    }
    m.pt = POINT{x, y};
    S().posted.push_back(m);
}

void PostCloseOnce(HWND hwnd)
{
    for (const MSG& m : S().posted)
        if (m.hwnd == hwnd && m.message == WM_CLOSE) return;
    Post(hwnd, WM_CLOSE, 0, 0);
}

HWND TargetOf(uint32_t windowId)
{
    if (Window* w = FindBySdlId(windowId)) return w->handle;
    return S().focus;
}

int DiButton(uint8_t sdlButton)
{
    switch (sdlButton) {
    case SDL_BUTTON_LEFT: return 0;
    case SDL_BUTTON_RIGHT: return 1;
    case SDL_BUTTON_MIDDLE: return 2;
    case SDL_BUTTON_X1: return 3;
    case SDL_BUTTON_X2: return 4;
    default: return -1;
    }
}

WPARAM MouseKeyFlags()
{
    State& s = S();
    WPARAM f = 0;
    if (s.mouseButtons & 1) f |= MK_LBUTTON;
    if (s.mouseButtons & 2) f |= MK_RBUTTON;
    if (s.mouseButtons & 4) f |= MK_MBUTTON;
    if (s.mouseButtons & 8) f |= MK_XBUTTON1;
    if (s.mouseButtons & 16) f |= MK_XBUTTON2;
    if (s.keys[SDL_SCANCODE_LSHIFT] || s.keys[SDL_SCANCODE_RSHIFT]) f |= MK_SHIFT;
    if (s.keys[SDL_SCANCODE_LCTRL] || s.keys[SDL_SCANCODE_RCTRL]) f |= MK_CONTROL;
    return f;
}

void TranslateKey(const SDL_KeyboardEvent& k)
{
    State& s = S();
    const int sc = int(k.keysym.scancode);
    if (sc <= 0 || sc >= SDL_NUM_SCANCODES) return;
    const bool down = k.state == SDL_PRESSED;
    const bool wasDown = s.keys[sc] != 0;
    s.keys[sc] = down ? 1 : 0;

    const KeyInfo info = KeyTable()[sc];
    HWND target = TargetOf(k.windowID);
    if (!target || info.vk == 0) return;
    const bool alt = s.keys[SDL_SCANCODE_LALT] || s.keys[SDL_SCANCODE_RALT];
    const bool ctrl = s.keys[SDL_SCANCODE_LCTRL] || s.keys[SDL_SCANCODE_RCTRL];
    const bool sys = (alt && !ctrl) || info.vk == VK_F10;
    LPARAM lp = 1 | (LPARAM(info.dik & 0x7F) << 16);
    if (info.dik & 0x80) lp |= LPARAM(1) << 24;
    if (alt) lp |= LPARAM(1) << 29;
    if (down) {
        if (k.repeat || wasDown) lp |= LPARAM(1) << 30;
        Post(target, sys ? WM_SYSKEYDOWN : WM_KEYDOWN, info.vk, lp);
    } else {
        lp |= (LPARAM(1) << 30) | (LPARAM(1) << 31);
        Post(target, sys ? WM_SYSKEYUP : WM_KEYUP, info.vk, lp);
    }
}

void TranslateWindowEvent(const SDL_WindowEvent& e)
{
    State& s = S();
    Window* w = FindBySdlId(e.windowID);
    if (!w) return;
    HWND h = w->handle;
    switch (e.event) {
    case SDL_WINDOWEVENT_CLOSE: PostCloseOnce(h); break;
    case SDL_WINDOWEVENT_MINIMIZED:
        w->placement = SIZE_MINIMIZED;
        ReportSizeDeferred(h);
        break;
    case SDL_WINDOWEVENT_MAXIMIZED:
        w->placement = SIZE_MAXIMIZED;
        ReportSizeDeferred(h);
        break;
    case SDL_WINDOWEVENT_RESTORED:
        w->placement = SIZE_RESTORED;
        ReportSizeDeferred(h);
        break;
    case SDL_WINDOWEVENT_RESIZED:
    case SDL_WINDOWEVENT_SIZE_CHANGED: ReportSizeDeferred(h); break;
    case SDL_WINDOWEVENT_EXPOSED:
    case SDL_WINDOWEVENT_SHOWN: w->dirty = true; break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        if (w->visible) ActivateDeferred(h);
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        if (s.focus == h) {
            // Keys and buttons held when the focus goes are up for this program.
            std::fill(std::begin(s.keys), std::end(s.keys), uint8_t(0));
            s.mouseButtons = 0;
            ActivateDeferred(nullptr);
        }
        break;
    default: break;
    }
}

void Translate(const SDL_Event& ev)
{
    State& s = S();
    switch (ev.type) {
    case SDL_QUIT:
        for (auto& [key, w] : s.windows)
            if (!w->parent) PostCloseOnce(w->handle);
        break;
    case SDL_WINDOWEVENT: TranslateWindowEvent(ev.window); break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: TranslateKey(ev.key); break;
    case SDL_MOUSEMOTION: {
        s.mouseX += ev.motion.xrel;
        s.mouseY += ev.motion.yrel;
        HWND target = TargetOf(ev.motion.windowID);
        if (!target) break;
        LPARAM lp = MAKELPARAM(ev.motion.x, ev.motion.y);
        // Consecutive moves collapse into one, as on the original.
        if (!s.posted.empty() && s.posted.back().message == WM_MOUSEMOVE && s.posted.back().hwnd == target) {
            s.posted.back().lParam = lp;
            s.posted.back().wParam = MouseKeyFlags();
        } else {
            Post(target, WM_MOUSEMOVE, MouseKeyFlags(), lp);
        }
        break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        int b = DiButton(ev.button.button);
        if (b < 0) break;
        const bool down = ev.type == SDL_MOUSEBUTTONDOWN;
        if (down) s.mouseButtons |= 1u << b;
        else s.mouseButtons &= ~(1u << b);
        HWND target = TargetOf(ev.button.windowID);
        if (!target || b > 2) break;
        static const UINT downMsg[3] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN};
        static const UINT upMsg[3] = {WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP};
        Post(target, down ? downMsg[b] : upMsg[b], MouseKeyFlags(), MAKELPARAM(ev.button.x, ev.button.y));
        break;
    }
    case SDL_MOUSEWHEEL: {
        int dy = ev.wheel.y;
        if (ev.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) dy = -dy;
        s.mouseWheel += int64_t(dy) * WHEEL_DELTA;
        HWND target = TargetOf(ev.wheel.windowID);
        if (target && dy)
            Post(target, WM_MOUSEWHEEL, MAKEWPARAM(MouseKeyFlags(), WORD(SHORT(dy * WHEEL_DELTA))), 0);
        break;
    }
    default: break;
    }
}

bool IsDescendant(HWND hwnd, HWND ancestor)
{
    for (Window* w = Find(hwnd); w; w = Find(w->parent))
        if (w->handle == ancestor) return true;
    return false;
}

bool Matches(const MSG& m, HWND hwnd, UINT lo, UINT hi)
{
    if (hwnd == reinterpret_cast<HWND>(-1)) {
        if (m.hwnd) return false;
    } else if (hwnd) {
        if (!IsDescendant(m.hwnd, hwnd)) return false;
    }
    if (lo == 0 && hi == 0) return true;
    return m.message >= lo && m.message <= hi;
}

}  // namespace

void DrainSdlEvents()
{
    if (!SDL_WasInit(SDL_INIT_EVENTS)) return;
    SDL_PumpEvents();
    SDL_Event ev;
    while (SDL_PeepEvents(&ev, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) Translate(ev);
}

void DropMessagesOf(HWND hwnd)
{
    State& s = S();
    s.posted.erase(std::remove_if(s.posted.begin(), s.posted.end(),
                                  [hwnd](const MSG& m) { return m.hwnd == hwnd; }),
                   s.posted.end());
    s.sends.erase(std::remove_if(s.sends.begin(), s.sends.end(),
                                 [hwnd](const PendingSend& p) { return p.hwnd == hwnd; }),
                  s.sends.end());
}

}  // namespace qrn::win32::detail

using namespace qrn::win32::detail;

namespace qrn::win32 {

void PumpEvents()
{
    DrainSdlEvents();
}

void KeyboardState(uint8_t out[256])
{
    if (!out) return;
    std::fill(out, out + 256, uint8_t(0));
    const KeyInfo* table = KeyTable();
    const State& s = S();
    for (int sc = 0; sc < SDL_NUM_SCANCODES; ++sc)
        if (s.keys[sc] && table[sc].dik) out[table[sc].dik] = 0x80;
}

void MouseTotals(int64_t* x, int64_t* y, int64_t* wheel, uint32_t* buttons)
{
    const State& s = S();
    if (x) *x = s.mouseX;
    if (y) *y = s.mouseY;
    if (wheel) *wheel = s.mouseWheel;
    if (buttons) *buttons = s.mouseButtons;
}

uint8_t DikFromScancode(int sdlScancode)
{
    if (sdlScancode <= 0 || sdlScancode >= SDL_NUM_SCANCODES) return 0;
    return KeyTable()[sdlScancode].dik;
}

int ScancodeFromDik(uint8_t dik)
{
    if (dik == 0) return 0;
    const KeyInfo* table = KeyTable();
    for (int sc = 0; sc < SDL_NUM_SCANCODES; ++sc)
        if (table[sc].dik == dik) return sc;
    return 0;
}

}  // namespace qrn::win32

extern "C" {

BOOL WINAPI PeekMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeMsg)
{
    if (!msg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    State& s = S();
    ReleaseParkedWindows();
    DrainSdlEvents();
    // Sent messages are delivered before any posted one is looked at.
    while (!s.sends.empty()) {
        PendingSend p = s.sends.front();
        s.sends.pop_front();
        if (Find(p.hwnd)) CallProc(p.hwnd, p.msg, p.wParam, p.lParam);
    }
    // Painting calls no window procedure, so the window list stays as it is.
    for (auto& [key, w] : s.windows)
        if (!w->parent) PaintIfNeeded(w->handle);

    for (auto it = s.posted.begin(); it != s.posted.end(); ++it) {
        if (!Matches(*it, hwnd, filterMin, filterMax)) continue;
        *msg = *it;
        if (removeMsg & PM_REMOVE) s.posted.erase(it);
        return TRUE;
    }
    const bool quitInRange = (filterMin == 0 && filterMax == 0) || (WM_QUIT >= filterMin && WM_QUIT <= filterMax);
    if (s.quitPosted && quitInRange && (!hwnd || hwnd == reinterpret_cast<HWND>(-1))) {
        *msg = MSG{};
        msg->message = WM_QUIT;
        msg->wParam = WPARAM(s.quitCode);
        msg->time = timeGetTime();
        if (removeMsg & PM_REMOVE) s.quitPosted = false;
        return TRUE;
    }
    return FALSE;
}

BOOL WINAPI GetMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax)
{
    if (!msg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    for (;;) {
        if (PeekMessageA(msg, hwnd, filterMin, filterMax, PM_REMOVE)) return msg->message != WM_QUIT;
        if (SDL_WasInit(SDL_INIT_EVENTS))
            SDL_WaitEventTimeout(nullptr, 10);
        else
            Sleep(10);
    }
}

BOOL WINAPI TranslateMessage(const MSG* msg)
{
    if (!msg) return FALSE;
    switch (msg->message) {
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP: return TRUE;
    default: return FALSE;
    }
}

LRESULT WINAPI DispatchMessageA(const MSG* msg)
{
    if (!msg || !msg->hwnd || !Find(msg->hwnd)) return 0;
    return CallProc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL WINAPI PostMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (hwnd && !Find(hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (msg == WM_QUIT && !hwnd) {
        PostQuitMessage(int(wParam));
        return TRUE;
    }
    Post(hwnd, msg, wParam, lParam);
    return TRUE;
}

LRESULT WINAPI SendMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (!Find(hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return CallProc(hwnd, msg, wParam, lParam);
}

void WINAPI PostQuitMessage(int exitCode)
{
    S().quitPosted = true;
    S().quitCode = exitCode;
}

LRESULT WINAPI CallWindowProcA(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return proc ? proc(hwnd, msg, wParam, lParam) : 0;
}

LRESULT WINAPI DefWindowProcA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_NCCREATE: return TRUE;
    case WM_CLOSE: DestroyWindow(hwnd); return 0;
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_CLOSE: SendMessageA(hwnd, WM_CLOSE, 0, 0); break;
        case SC_MINIMIZE: ShowWindow(hwnd, SW_MINIMIZE); break;
        case SC_MAXIMIZE: ShowWindow(hwnd, SW_SHOWMAXIMIZED); break;
        case SC_RESTORE: ShowWindow(hwnd, SW_RESTORE); break;
        default: break;
        }
        return 0;
    case WM_SYSKEYDOWN:
        // Alt+F4 closes the window.
        if (wParam == VK_F4 && (lParam & (LPARAM(1) << 29)))
            SendMessageA(TopOf(hwnd), WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    case WM_ERASEBKGND: MarkDirty(hwnd); return 1;
    case WM_SETTEXT: return SetWindowTextA(hwnd, reinterpret_cast<LPCSTR>(lParam));
    default: return 0;
    }
}

}  // extern "C"
