// A window class whose procedure records every message before handing it to
// DefWindowProcA, for the window system tests.
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>

#include <vector>

#include "qrn_win32_sdl.h"
#include "qrn_win32_testctl.h"
#include <windows.h>

struct Recorded {
    HWND hwnd;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};

class Win32Test : public ::testing::Test {
protected:
    static std::vector<Recorded>& Log()
    {
        static std::vector<Recorded> log;
        return log;
    }
    // Set by a test to lay out the first child as the application does.
    static bool& KeepMargin()
    {
        static bool keep = false;
        return keep;
    }
    static bool& QuitOnDestroy()
    {
        static bool quit = false;
        return quit;
    }

    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        Log().push_back({hwnd, msg, wParam, lParam});
        if (msg == WM_DESTROY && QuitOnDestroy()) PostQuitMessage(7);
        if (msg == WM_SIZE && KeepMargin() && (wParam == SIZE_RESTORED || wParam == SIZE_MAXIMIZED)) {
            RECT rc{};
            GetClientRect(hwnd, &rc);
            SetWindowPos(GetWindow(hwnd, GW_CHILD), nullptr, 10, 10, rc.right - 20, rc.bottom - 20,
                         SWP_SHOWWINDOW);
        }
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }

    void SetUp() override
    {
        Log().clear();
        KeepMargin() = false;
        QuitOnDestroy() = false;
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC;
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_MENU + 1);
        wc.lpszClassName = "TestWindowClass";
        ASSERT_NE(RegisterClassExA(&wc), 0);
    }

    void TearDown() override
    {
        for (HWND h : m_windows)
            if (IsWindow(h)) DestroyWindow(h);
        EXPECT_TRUE(UnregisterClassA("TestWindowClass", GetModuleHandleA(nullptr)));
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        EXPECT_EQ(qrn::win32::testctl::LiveWindowCount(), 0u);
    }

    // The application's layout: a 640x480 main window with a black display
    // child 10 pixels inside its client area, both hidden.
    HWND CreateMain(DWORD extraStyle = 0)
    {
        HWND main = CreateWindowExA(0, "TestWindowClass", "test", WS_OVERLAPPEDWINDOW | extraStyle, 100, 80,
                                    640, 480, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        if (main) m_windows.push_back(main);
        return main;
    }

    HWND CreateDisplay(HWND main)
    {
        RECT rc{};
        GetClientRect(main, &rc);
        return CreateWindowExA(WS_EX_CLIENTEDGE, "static", nullptr, WS_CHILD | WS_VISIBLE | SS_BLACKRECT, 10,
                               10, rc.right - 20, rc.bottom - 20, main, nullptr, GetModuleHandleA(nullptr),
                               nullptr);
    }

    static int Pump()
    {
        int n = 0;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) break;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            ++n;
        }
        return n;
    }

    static std::vector<Recorded> Of(HWND hwnd, UINT msg)
    {
        std::vector<Recorded> r;
        for (const Recorded& m : Log())
            if (m.hwnd == hwnd && m.msg == msg) r.push_back(m);
        return r;
    }

    std::vector<HWND> m_windows;
};
