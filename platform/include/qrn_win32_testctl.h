// Test control for the Win32 stand-in: lets a test steer the parts of the
// platform that it cannot steer from outside (the clock, message box answers,
// the screen size, focus) and observe what the program asked for (message
// boxes, debugger output). Programs never call these.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "windows.h"

namespace qrn::win32::testctl {

// ---- clock -------------------------------------------------------------------
// From now on timeGetTime and GetTickCount read `value` and advance in real time
// from there (so a test can start the counter a few milliseconds before the
// 32-bit wrap).
QRN_PLATFORM_API void SetTickCount(uint32_t value);
// Back to the plain system counter.
QRN_PLATFORM_API void ResetTickCount();

// ---- message boxes -------------------------------------------------------------
// Answers are taken in order by the next MessageBoxA calls, whatever their
// buttons; no dialog is shown and nothing is printed for them.
QRN_PLATFORM_API void QueueMessageBoxAnswer(int answer);
QRN_PLATFORM_API void ClearMessageBoxAnswers();
QRN_PLATFORM_API size_t PendingMessageBoxAnswers();
// Forces the fallback used where no dialog can be shown: caption and text go
// to stderr and the default button is returned.
QRN_PLATFORM_API void SetMessageBoxHeadless(bool headless);

struct MessageBoxRecord {
    std::string text;
    std::string caption;
    UINT type = 0;
    int answer = 0;
    bool shown = false;  // a real dialog was put on screen
};
// MessageBoxA calls are recorded only from the first use of any of these
// message box controls on (a program that never calls them keeps no record),
// and only the newest kMessageBoxLogLimit of them are kept.
inline constexpr size_t kMessageBoxLogLimit = 256;
// The recorded MessageBoxA calls since the last clear, oldest first.
QRN_PLATFORM_API std::vector<MessageBoxRecord> MessageBoxLog();
QRN_PLATFORM_API void ClearMessageBoxLog();

// ---- debugger output ---------------------------------------------------------------
// While a capture is installed, OutputDebugStringA hands every text to it
// (and prints nothing). An empty function removes it.
QRN_PLATFORM_API void SetDebugOutputCapture(std::function<void(const char*)> capture);

// ---- screen ----------------------------------------------------------------------
// GetSystemMetrics(SM_CXSCREEN / SM_CYSCREEN) report this size instead of the
// desktop mode; 0, 0 goes back to the desktop mode.
QRN_PLATFORM_API void SetScreenSize(int width, int height);

// ---- focus -----------------------------------------------------------------------
// Acts as if the window manager gave (or took) the keyboard focus to the
// top-level window of hwnd: the window gets WM_ACTIVATE and DirectInput devices
// of a foreground cooperative level lose or regain their acquisition, exactly
// as with a real focus event.
QRN_PLATFORM_API void SimulateFocus(HWND hwnd, bool focused);

// ---- DirectInput (implemented by the DirectInput stand-in) -----------------------
// The next call of the given name fails with hr (once). Names: "DirectInput8Create",
// "CreateDevice.Keyboard", "CreateDevice.Mouse", and "SetDataFormat", "SetCooperativeLevel",
// "Acquire", "GetDeviceState" followed by ".Keyboard" or ".Mouse".
QRN_PLATFORM_API void FailDirectInputCall(const char* call, HRESULT hr);
QRN_PLATFORM_API void ClearDirectInputFailures();

// Number of windows alive (top-level and child), for leak checks.
QRN_PLATFORM_API size_t LiveWindowCount();

}  // namespace qrn::win32::testctl
