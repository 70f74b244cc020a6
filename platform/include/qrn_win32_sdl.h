// How the Win32 stand-in's windows sit on SDL2, for the other stand-ins
// (Direct3D 9 draws into these windows, DirectInput reads their focus).
#pragma once

#include <cstdint>

#include "windows.h"

struct SDL_Window;

namespace qrn::win32 {

// The SDL window of hwnd's top-level window, or null (no such window). Top-level
// windows are created with SDL_WINDOW_OPENGL (and SDL_WINDOW_HIDDEN until shown)
// so that a GL context can be made on them.
QRN_PLATFORM_API SDL_Window* SdlWindow(HWND hwnd);

// The top-level ancestor of hwnd (hwnd itself for a top-level window), or null.
// A destroyed top-level window whose picture a device still owned also answers
// with itself: its SDL window (and with it the device's GL context) is kept,
// hidden, until SetDeviceOwnsPicture(hwnd, false) and the context is no longer
// current on it, so a device may outlive its window's DestroyWindow.
QRN_PLATFORM_API HWND TopLevel(HWND hwnd);

// hwnd's client area in its top-level window's client coordinates, pixels, y
// down (0, 0, w, h for a top-level window). False for an unknown window or a
// null rectangle.
QRN_PLATFORM_API bool RectInTopLevel(HWND hwnd, RECT* r);

// The colour of the window class's background brush of `top` as 0x00RRGGBB
// (system colours given as index + 1 resolve to their colour).
QRN_PLATFORM_API uint32_t BackgroundRgb(HWND top);

// While a device owns the picture, the stand-in no longer paints the window
// (background brush and black static children) itself.
QRN_PLATFORM_API void SetDeviceOwnsPicture(HWND top, bool owns);
QRN_PLATFORM_API bool DeviceOwnsPicture(HWND top);

// Whether the top-level window of hwnd has the keyboard focus (and with it
// the foreground).
QRN_PLATFORM_API bool HasFocus(HWND hwnd);

// Reads SDL's pending events into the Win32 message queue (PeekMessageA does
// this itself; DirectInput calls it before reading device state so that the
// state and the focus are current).
QRN_PLATFORM_API void PumpEvents();

// Called with (top-level window, focused) whenever focus changes; the
// DirectInput stand-in uses it to drop acquisition. Returns an id for removal.
using FocusListener = void (*)(HWND top, bool focused, void* user);
QRN_PLATFORM_API int AddFocusListener(FocusListener fn, void* user);
QRN_PLATFORM_API void RemoveFocusListener(int id);

// Input as read from SDL's event stream (device events and pushed events
// alike), for the DirectInput stand-in. Keys are indexed by DIK_ scan code;
// `out[k]` is 0x80 while key k is down.
QRN_PLATFORM_API void KeyboardState(uint8_t out[256]);
// Running sums of relative mouse motion and wheel (in WHEEL_DELTA units) since
// the start, and the buttons down (bit n = button n: left, right, middle, X1, X2).
QRN_PLATFORM_API void MouseTotals(int64_t* x, int64_t* y, int64_t* wheel, uint32_t* buttons);
// DirectInput scan code of an SDL scancode (0 where there is none), and back.
QRN_PLATFORM_API uint8_t DikFromScancode(int sdlScancode);
QRN_PLATFORM_API int ScancodeFromDik(uint8_t dik);

// What the graphics stand-in asks of the window system. `setup` runs once
// video is up and before the first window (a window's framebuffer
// configuration is fixed when it is made): it sets the GL attributes. `inUse` says whether the graphics stand-in still
// draws on an SDL window, which then outlives its destroyed window (hidden)
// until it says no. The graphics stand-in registers both when it is loaded;
// without it, windows get SDL's defaults and are destroyed at once.
QRN_PLATFORM_API void SetWindowGlSetup(void (*setup)());
QRN_PLATFORM_API void SetWindowInUseQuery(bool (*inUse)(SDL_Window* window));

// Makes sure SDL's video subsystem is up; false (with SDL's error on stderr
// once) where no display can be opened.
QRN_PLATFORM_API bool EnsureVideo();

}  // namespace qrn::win32
