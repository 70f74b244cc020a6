// A shown, focused main window on SDL's offscreen driver and helpers that push
// keyboard and mouse events into SDL's queue, as the devices would.
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>

#include "qrn_win32_sdl.h"
#include "qrn_win32_testctl.h"
#include <dinput.h>
#include <windows.h>

class InputTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "InputTestClass";
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_MENU + 1);
        ASSERT_NE(RegisterClassExA(&wc), 0);
        m_main = CreateWindowExA(0, "InputTestClass", "input", WS_OVERLAPPEDWINDOW, 0, 0, 320, 240, nullptr,
                                 nullptr, nullptr, nullptr);
        ASSERT_NE(m_main, nullptr);
        ShowWindow(m_main, SW_SHOW);
        ASSERT_TRUE(qrn::win32::HasFocus(m_main));
        m_id = SDL_GetWindowID(qrn::win32::SdlWindow(m_main));
        qrn::win32::testctl::ClearMessageBoxLog();
        qrn::win32::testctl::ClearDirectInputFailures();
    }

    void TearDown() override
    {
        Pump();
        DestroyWindow(m_main);
        UnregisterClassA("InputTestClass", nullptr);
        qrn::win32::testctl::ClearMessageBoxAnswers();
    }

    static void Pump()
    {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }

    void Key(SDL_Scancode sc, bool down)
    {
        SDL_Event e{};
        e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        e.key.windowID = m_id;
        e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
        e.key.keysym.scancode = sc;
        e.key.keysym.sym = SDL_GetKeyFromScancode(sc);
        SDL_PushEvent(&e);
    }

    void Motion(int dx, int dy)
    {
        SDL_Event e{};
        e.type = SDL_MOUSEMOTION;
        e.motion.windowID = m_id;
        e.motion.xrel = dx;
        e.motion.yrel = dy;
        SDL_PushEvent(&e);
    }

    void Button(Uint8 button, bool down)
    {
        SDL_Event e{};
        e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        e.button.windowID = m_id;
        e.button.button = button;
        e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
        SDL_PushEvent(&e);
    }

    void Wheel(int notches)
    {
        SDL_Event e{};
        e.type = SDL_MOUSEWHEEL;
        e.wheel.windowID = m_id;
        e.wheel.y = notches;
        SDL_PushEvent(&e);
    }

    void FocusEvent(bool gained)
    {
        SDL_Event e{};
        e.type = SDL_WINDOWEVENT;
        e.window.windowID = m_id;
        e.window.event = gained ? SDL_WINDOWEVENT_FOCUS_GAINED : SDL_WINDOWEVENT_FOCUS_LOST;
        SDL_PushEvent(&e);
    }

    HWND m_main = nullptr;
    Uint32 m_id = 0;
};
