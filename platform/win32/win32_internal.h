// Shared state of the Win32 stand-in's window system. Everything here runs on
// the thread that owns the windows (as on the original, there is one UI thread).
#pragma once

#include <SDL.h>

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "qrn_win32_sdl.h"
#include "windows.h"

namespace qrn::win32::detail {

struct WindowClass {
    std::string name;     // as registered
    std::string key;      // lower case, for lookups (class names ignore case)
    ATOM atom = 0;
    WNDCLASSEXA wc{};     // copy; lpszClassName/lpszMenuName point into nothing
    HINSTANCE instance = nullptr;
    bool system = false;  // "static": always there, cannot be unregistered
    int windows = 0;      // live windows of this class
};

struct Window {
    HWND handle = nullptr;
    WindowClass* cls = nullptr;
    WNDPROC proc = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    HWND parent = nullptr;
    std::vector<HWND> children;  // first = top of the z-order (GW_CHILD)
    SDL_Window* sdl = nullptr;   // top-level windows only
    uint32_t sdlId = 0;
    RECT rect{};                 // child windows: in the parent's client coordinates
    bool visible = false;
    bool deviceOwns = false;     // a device presents into it; no painting here
    bool dirty = true;           // needs painting
    bool destroying = false;
    int placement = SIZE_RESTORED;  // SIZE_RESTORED, SIZE_MINIMIZED or SIZE_MAXIMIZED
    std::string title;
    HINSTANCE instance = nullptr;
    LONG_PTR userData = 0;
    LONG_PTR id = 0;
    // What the last WM_SIZE told the window, so that one change is reported once.
    int sizeState = -1;
    int sizeW = -1;
    int sizeH = -1;
};

// A message the window system must send (not post) when the queue is next
// read: sent messages are delivered inside PeekMessageA, as on the original.
struct PendingSend {
    HWND hwnd;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};

struct State {
    std::map<uintptr_t, std::unique_ptr<Window>> windows;
    std::vector<std::unique_ptr<Window>> graveyard;  // freed when no window procedure runs

    // SDL windows of destroyed top-level windows whose picture a device still
    // held: the device's GL context lives on them, so they stay (hidden) until
    // the device lets go and its context is no longer current on them.
    struct Parked {
        HWND handle;
        SDL_Window* sdl;
        bool released;
    };
    std::vector<Parked> parked;
    int procDepth = 0;
    uintptr_t nextHandle = 0x10010;

    std::vector<std::unique_ptr<WindowClass>> classes;
    ATOM nextAtom = 0xC000;

    std::deque<MSG> posted;
    std::deque<PendingSend> sends;
    bool quitPosted = false;
    int quitCode = 0;

    HWND focus = nullptr;  // the active top-level window

    // Input as read from SDL's events (real device events and pushed ones alike).
    uint8_t keys[SDL_NUM_SCANCODES] = {};
    int64_t mouseX = 0, mouseY = 0, mouseWheel = 0;  // running sums of relative motion
    uint32_t mouseButtons = 0;                       // bit n = DirectInput button n

    struct Listener {
        int id;
        FocusListener fn;
        void* user;
    };
    std::vector<Listener> focusListeners;
    int nextListenerId = 1;

    int cursorCount = 0;  // ShowCursor's display counter
    int screenW = 0, screenH = 0;  // test override of the screen size
};

State& S();

Window* Find(HWND hwnd);
Window* FindBySdlId(uint32_t id);
HWND TopOf(HWND hwnd);

// Calls a window's procedure, keeping destroyed windows' memory alive until
// the outermost call returns.
LRESULT CallProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Makes `top` the active window (null: none), sending WM_ACTIVATE to the
// windows that lose and gain activation and telling the focus listeners.
void Activate(HWND top);
// The same, but the WM_ACTIVATE messages wait for the next PeekMessageA (used
// while reading SDL's events, which may happen inside a device poll).
void ActivateDeferred(HWND top);

// Reports the client size of a top-level window with WM_SIZE if it differs
// from what the window was told last.
void ReportSize(HWND top);
void ReportSizeDeferred(HWND top);

void PaintIfNeeded(HWND top);
void MarkDirty(HWND hwnd);

uint32_t SysColorRgb(int index);  // 0x00RRGGBB
uint32_t BrushRgb(HBRUSH brush, uint32_t fallback);

// Destroys the parked SDL windows that no device needs any more.
void ReleaseParkedWindows();
// The parked SDL window of a destroyed window (null when none).
State::Parked* FindParked(HWND hwnd);

// A registered class by name or atom (window_registry.cpp).
WindowClass* FindClass(LPCSTR name, HINSTANCE instance);
// Sends a message now, or queues it for the next PeekMessageA.
void Deliver(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, bool deferred);

// Screen position of a top-level window's client area; false without one
// (window_geometry.cpp).
bool TopLevelPosition(Window* w, int* x, int* y);
// Client size of a window (0 x 0 for a minimised top-level window).
void ClientSize(Window* w, int* cx, int* cy);

// Frame and visibility of top-level windows (window.cpp).
void ApplyFrameStyle(Window* w);
void ShowTopLevel(Window* w);

// Tells the focus listeners (window_focus.cpp).
void NotifyFocus(HWND top, bool focused);
// Asks the window system for the keyboard focus so that real key events reach
// the window (only meaningful on X11; elsewhere a harmless no-op).
void RequestInputFocus(Window* w);

// Removes every queued message of a window that is going away.
void DropMessagesOf(HWND hwnd);

// SDL events -> messages and input state.
void DrainSdlEvents();

}  // namespace qrn::win32::detail
