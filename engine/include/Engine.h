// The engine object and the application base class: the spine of every
// program built on the library.
//
// A program derives from CEngineApplication, supplies UpdateFrame and
// SizeMessageProc, constructs one object, calls Initialize once and then
// Update until it returns false. The virtual slot order and the protected data
// members of CEngineApplication are part of the library's binary interface
// (derived classes read the members directly): never reorder them.
#pragma once

#include <windows.h>

#include "Input.h"
#include "QrnApi.h"
#include "RenderDevice.h"

namespace qrn {

// The rendering back end asked of CEngine::GetRenderDevice.
enum APITYPE {
    API_DIRECT3D9 = 0,
    API_RESERVED = 1  // a back end this library does not provide: no device
};

// Creates and owns the one render device; knows whether the application
// window is active.
class QRN_API CEngine {
public:
    CEngine();
    virtual ~CEngine();

    bool IsActive() const { return m_bActive; }
    void SetActive(bool active) { m_bActive = active; }

    // The existing device whatever type is asked; otherwise a new one for
    // API_DIRECT3D9 (constructed, not yet bound to a window) and null for any
    // other type.
    IRenderDevice* GetRenderDevice(APITYPE type);

protected:
    bool m_bActive;
    IRenderDevice* m_pRenderDevice;
};

class QRN_API CEngineApplication {
public:
    CEngineApplication();
    virtual ~CEngineApplication();                                      // 0
    // One application owns its windows and device: not copied.
    CEngineApplication(const CEngineApplication&) = delete;
    CEngineApplication& operator=(const CEngineApplication&) = delete;

    // Creates the engine, the windows, the input object and the render
    // device (windowed into the display window, or full screen at the given
    // resolution), then shows the windows.
    virtual bool Initialize(HINSTANCE instance, bool windowed,
                            SCREENRESOLUTION resolution);               // 1
    // One step of the main loop: pumps messages, and while active polls
    // input, times the frame and calls UpdateFrame. False once the main
    // window has been destroyed, else what UpdateFrame returned.
    virtual bool Update();                                              // 2
    // Move and draw one frame; false ends the program.
    virtual bool UpdateFrame() = 0;                                     // 3
    // The main window was resized in windowed mode; true means the derived
    // class laid out the display window itself.
    virtual bool SizeMessageProc(HWND window) = 0;                      // 4
    // A key went down that the frame does not handle itself.
    virtual void KeyMessageProc(unsigned int virtualKey);              // 5

    bool IsWindowed();
    const char* GetWindowClassName();
    // Null pointers are skipped.
    void GetWindowPosition(long* x, long* y);
    void GetWindowSize(long* width, long* height);
    void GetClientSize(long* width, long* height);
    // Seconds between the starts of the previous two frames.
    float GetElapsedTime();
    // 1 / GetElapsedTime(): the rate of the last frame, not averaged.
    float GetFramesPerSecond();

    // The window procedure of the class "CEngineApplicationClass".
    static LRESULT CALLBACK MsgProc(HWND window, UINT message, WPARAM wParam,
                                    LPARAM lParam);

protected:
    LRESULT MsgProcNonStatic(HWND window, UINT message, WPARAM wParam,
                             LPARAM lParam);
    bool CreateWindows();

    CEngine* m_pEngine;
    IRenderDevice* m_pRenderDevice;
    HINSTANCE m_hInstance;
    HWND m_hMainWindow;
    HWND m_hChildWindows[256];
    // The child window the device draws into in windowed mode: another name
    // for the first child window.
    HWND& m_hDisplayWindow = m_hChildWindows[0];
    bool m_bQuit;
    bool m_bEscapePressed;
    DWORD m_dwLastTime;
    DWORD m_dwCurrentTime;
    float m_fElapsedTime;
    IInput* m_pInput;
};

} // namespace qrn
