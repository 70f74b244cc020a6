// Windows, the message queue and painting on SDL's offscreen driver.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "win32_fixture.h"
#include "display_required.h"

using namespace qrn::win32;

namespace {

bool RectEq(const RECT& r, LONG l, LONG t, LONG rr, LONG b)
{
    return r.left == l && r.top == t && r.right == rr && r.bottom == b;
}

uint32_t PixelAt(SDL_Surface* s, int x, int y)
{
    Uint32 p = 0;
    const Uint8* row = static_cast<const Uint8*>(s->pixels) + y * s->pitch;
    std::memcpy(&p, row + x * s->format->BytesPerPixel, s->format->BytesPerPixel);
    Uint8 r, g, b;
    SDL_GetRGB(p, s->format, &r, &g, &b);
    return (uint32_t(r) << 16) | (uint32_t(g) << 8) | b;
}

void PushKey(Uint32 type, SDL_Scancode sc, Uint32 windowId)
{
    SDL_Event e{};
    e.type = type;
    e.key.windowID = windowId;
    e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.scancode = sc;
    e.key.keysym.sym = SDL_GetKeyFromScancode(sc);
    SDL_PushEvent(&e);
}

void PushWindowEvent(SDL_Window* w, Uint8 event, int d1 = 0, int d2 = 0)
{
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = SDL_GetWindowID(w);
    e.window.event = event;
    e.window.data1 = d1;
    e.window.data2 = d2;
    SDL_PushEvent(&e);
}

}  // namespace

TEST_F(Win32Test, PostedCloseReachesDefWindowProcDestroysAndQuits)
{
    QuitOnDestroy() = true;
    HWND main = CreateMain();
    ASSERT_NE(main, nullptr);
    HWND child = CreateDisplay(main);
    ASSERT_NE(child, nullptr);
    Log().clear();

    ASSERT_TRUE(PostMessageA(main, WM_CLOSE, 0, 0));
    MSG msg{};
    std::vector<UINT> seen;
    int quitCode = -1;
    for (int i = 0; i < 10 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
        if (msg.message == WM_QUIT) {
            quitCode = int(msg.wParam);
            break;
        }
        DispatchMessageA(&msg);
    }
    ASSERT_EQ(Of(main, WM_CLOSE).size(), 1u);
    ASSERT_EQ(Of(main, WM_DESTROY).size(), 1u);
    EXPECT_FALSE(IsWindow(main));
    EXPECT_FALSE(IsWindow(child));
    EXPECT_EQ(quitCode, 7);
    // WM_DESTROY comes after WM_CLOSE, and the main window's before the
    // end of its life (WM_NCDESTROY is last).
    size_t iClose = 0, iDestroy = 0, iNc = 0;
    for (size_t i = 0; i < Log().size(); ++i) {
        if (Log()[i].hwnd != main) continue;
        if (Log()[i].msg == WM_CLOSE) iClose = i;
        if (Log()[i].msg == WM_DESTROY) iDestroy = i;
        if (Log()[i].msg == WM_NCDESTROY) iNc = i;
    }
    EXPECT_LT(iClose, iDestroy);
    EXPECT_LT(iDestroy, iNc);
    // Nothing is left for the destroyed window; the quit message is taken once.
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_FALSE(PostMessageA(main, WM_CLOSE, 0, 0));
}

TEST_F(Win32Test, MessagesForAWindowDestroyedBeforeDispatchAreDropped)
{
    HWND main = CreateMain();
    ASSERT_NE(main, nullptr);
    PostMessageA(main, WM_USER + 1, 1, 2);
    PostMessageA(nullptr, WM_USER + 2, 3, 4);  // a thread message survives
    DestroyWindow(main);
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_USER + 2));
    EXPECT_EQ(msg.hwnd, nullptr);
    EXPECT_EQ(DispatchMessageA(&msg), 0);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(Win32Test, PeekFiltersAndNoRemove)
{
    HWND a = CreateMain();
    HWND b = CreateMain();
    ASSERT_TRUE(a && b);
    PostMessageA(a, WM_USER + 1, 0, 0);
    PostMessageA(b, WM_USER + 2, 0, 0);
    PostMessageA(a, WM_USER + 3, 0, 0);
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, b, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, UINT(WM_USER + 2));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_USER + 3, WM_USER + 3, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_USER + 3));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_USER + 1));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_USER + 2));
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(Win32Test, ChildStaysInsideParentBeforeAndAfterResize)
{
    KeepMargin() = true;
    HWND main = CreateMain();
    ASSERT_NE(main, nullptr);
    HWND child = CreateDisplay(main);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(GetWindow(main, GW_CHILD), child);
    EXPECT_EQ(GetParent(child), main);
    EXPECT_EQ(TopLevel(child), main);
    EXPECT_EQ(SdlWindow(child), SdlWindow(main));

    RECT rc{};
    ASSERT_TRUE(GetClientRect(main, &rc));
    EXPECT_TRUE(RectEq(rc, 0, 0, 640, 480));
    ASSERT_TRUE(GetClientRect(child, &rc));
    EXPECT_TRUE(RectEq(rc, 0, 0, 620, 460));
    ASSERT_TRUE(RectInTopLevel(child, &rc));
    EXPECT_TRUE(RectEq(rc, 10, 10, 630, 470));
    RECT outer{}, inner{};
    ASSERT_TRUE(GetWindowRect(main, &outer));
    ASSERT_TRUE(GetWindowRect(child, &inner));
    EXPECT_EQ(inner.left - outer.left, 10);
    EXPECT_EQ(inner.right - inner.left, 620);

    // Resized by the program: WM_SIZE is sent at once and the procedure
    // moves the child.
    Log().clear();
    ASSERT_TRUE(SetWindowPos(main, nullptr, 0, 0, 800, 600, SWP_NOMOVE | SWP_NOZORDER));
    auto sizes = Of(main, WM_SIZE);
    ASSERT_EQ(sizes.size(), 1u);
    EXPECT_EQ(sizes[0].wParam, WPARAM(SIZE_RESTORED));
    EXPECT_EQ(LOWORD(sizes[0].lParam), 800);
    EXPECT_EQ(HIWORD(sizes[0].lParam), 600);
    ASSERT_TRUE(RectInTopLevel(child, &rc));
    EXPECT_TRUE(RectEq(rc, 10, 10, 790, 590));

    // Resized from outside (the window manager): the SDL event becomes a
    // WM_SIZE delivered while the queue is read.
    Log().clear();
    SDL_SetWindowSize(SdlWindow(main), 500, 400);
    PushWindowEvent(SdlWindow(main), SDL_WINDOWEVENT_SIZE_CHANGED, 500, 400);
    Pump();
    sizes = Of(main, WM_SIZE);
    ASSERT_EQ(sizes.size(), 1u);
    EXPECT_EQ(LOWORD(sizes[0].lParam), 500);
    ASSERT_TRUE(RectInTopLevel(child, &rc));
    EXPECT_TRUE(RectEq(rc, 10, 10, 490, 390));

    // Minimised and maximised.
    Log().clear();
    PushWindowEvent(SdlWindow(main), SDL_WINDOWEVENT_MINIMIZED);
    Pump();
    sizes = Of(main, WM_SIZE);
    ASSERT_EQ(sizes.size(), 1u);
    EXPECT_EQ(sizes[0].wParam, WPARAM(SIZE_MINIMIZED));
    EXPECT_TRUE(IsIconic(main));
    ASSERT_TRUE(RectInTopLevel(child, &rc));
    EXPECT_TRUE(RectEq(rc, 10, 10, 490, 390));  // untouched while minimised
    PushWindowEvent(SdlWindow(main), SDL_WINDOWEVENT_MAXIMIZED);
    Pump();
    sizes = Of(main, WM_SIZE);
    ASSERT_EQ(sizes.size(), 2u);
    EXPECT_EQ(sizes[1].wParam, WPARAM(SIZE_MAXIMIZED));
    EXPECT_TRUE(IsZoomed(main));
}

TEST_F(Win32Test, HiddenUntilShownAndShowingActivates)
{
    HWND main = CreateMain();
    ASSERT_NE(main, nullptr);
    HWND child = CreateDisplay(main);
    EXPECT_TRUE(SDL_GetWindowFlags(SdlWindow(main)) & SDL_WINDOW_OPENGL);
    EXPECT_TRUE(SDL_GetWindowFlags(SdlWindow(main)) & SDL_WINDOW_HIDDEN);
    EXPECT_TRUE(SDL_GetWindowFlags(SdlWindow(main)) & SDL_WINDOW_RESIZABLE);
    EXPECT_FALSE(IsWindowVisible(main));
    EXPECT_FALSE(IsWindowVisible(child));  // visible itself, but its parent is not
    EXPECT_TRUE(Of(main, WM_ACTIVATE).empty());

    Log().clear();
    EXPECT_FALSE(ShowWindow(main, SW_SHOW));
    EXPECT_TRUE(IsWindowVisible(main));
    EXPECT_TRUE(IsWindowVisible(child));
    EXPECT_FALSE(SDL_GetWindowFlags(SdlWindow(main)) & SDL_WINDOW_HIDDEN);
    auto act = Of(main, WM_ACTIVATE);
    ASSERT_EQ(act.size(), 1u);
    EXPECT_EQ(LOWORD(act[0].wParam), WA_ACTIVE);
    EXPECT_TRUE(HasFocus(child));
    EXPECT_EQ(GetForegroundWindow(), main);

    Log().clear();
    EXPECT_TRUE(ShowWindow(main, SW_HIDE));
    act = Of(main, WM_ACTIVATE);
    ASSERT_EQ(act.size(), 1u);
    EXPECT_EQ(LOWORD(act[0].wParam), WA_INACTIVE);
    EXPECT_FALSE(HasFocus(main));

    // Created visible: shown (and activated) at once.
    HWND visible = CreateMain(WS_VISIBLE);
    ASSERT_NE(visible, nullptr);
    EXPECT_TRUE(IsWindowVisible(visible));
    EXPECT_EQ(GetForegroundWindow(), visible);
    EXPECT_TRUE(GetWindowLongA(visible, GWL_STYLE) & WS_VISIBLE);

    // Focus moving between windows deactivates the first.
    Log().clear();
    ShowWindow(main, SW_SHOW);
    act = Of(visible, WM_ACTIVATE);
    ASSERT_EQ(act.size(), 1u);
    EXPECT_EQ(LOWORD(act[0].wParam), WA_INACTIVE);
    EXPECT_EQ(act[0].lParam, reinterpret_cast<LPARAM>(main));
}

TEST_F(Win32Test, FocusEventsBecomeActivateMessages)
{
    HWND main = CreateMain();
    ShowWindow(main, SW_SHOW);
    Log().clear();
    PushWindowEvent(SdlWindow(main), SDL_WINDOWEVENT_FOCUS_LOST);
    Pump();
    ASSERT_EQ(Of(main, WM_ACTIVATE).size(), 1u);
    EXPECT_EQ(Of(main, WM_ACTIVATE)[0].wParam, WPARAM(WA_INACTIVE));
    PushWindowEvent(SdlWindow(main), SDL_WINDOWEVENT_FOCUS_GAINED);
    Pump();
    ASSERT_EQ(Of(main, WM_ACTIVATE).size(), 2u);
    EXPECT_EQ(Of(main, WM_ACTIVATE)[1].wParam, WPARAM(WA_ACTIVE));
    // A second gain changes nothing.
    PushWindowEvent(SdlWindow(main), SDL_WINDOWEVENT_FOCUS_GAINED);
    Pump();
    EXPECT_EQ(Of(main, WM_ACTIVATE).size(), 2u);
}

TEST_F(Win32Test, KeysBecomeKeyMessagesWithVirtualKeyCodes)
{
    HWND main = CreateMain();
    ShowWindow(main, SW_SHOW);
    const Uint32 id = SDL_GetWindowID(SdlWindow(main));
    Log().clear();
    PushKey(SDL_KEYDOWN, SDL_SCANCODE_ESCAPE, id);
    PushKey(SDL_KEYUP, SDL_SCANCODE_ESCAPE, id);
    PushKey(SDL_KEYDOWN, SDL_SCANCODE_F1, id);
    PushKey(SDL_KEYDOWN, SDL_SCANCODE_W, id);
    PushKey(SDL_KEYDOWN, SDL_SCANCODE_UP, id);
    PushKey(SDL_KEYDOWN, SDL_SCANCODE_7, id);
    PushKey(SDL_KEYDOWN, SDL_SCANCODE_W, 0);  // no window: goes to the active one
    Pump();
    auto downs = Of(main, WM_KEYDOWN);
    ASSERT_EQ(downs.size(), 6u);
    EXPECT_EQ(downs[0].wParam, WPARAM(VK_ESCAPE));
    EXPECT_EQ(downs[1].wParam, WPARAM(VK_F1));
    EXPECT_EQ(downs[2].wParam, WPARAM('W'));
    EXPECT_EQ(downs[3].wParam, WPARAM(VK_UP));
    EXPECT_EQ(downs[4].wParam, WPARAM('7'));
    EXPECT_EQ(downs[5].wParam, WPARAM('W'));
    EXPECT_EQ((downs[0].lParam >> 16) & 0xFF, 0x01);  // the scan code
    EXPECT_TRUE(downs[3].lParam & (LPARAM(1) << 24));  // an extended key
    EXPECT_TRUE(downs[5].lParam & (LPARAM(1) << 30));  // was down already
    auto ups = Of(main, WM_KEYUP);
    ASSERT_EQ(ups.size(), 1u);
    EXPECT_EQ(ups[0].wParam, WPARAM(VK_ESCAPE));

    // Alt+F4 closes the window through DefWindowProcA.
    PushKey(SDL_KEYDOWN, SDL_SCANCODE_LALT, id);
    PushKey(SDL_KEYDOWN, SDL_SCANCODE_F4, id);
    Pump();
    EXPECT_FALSE(IsWindow(main));
    EXPECT_EQ(Of(main, WM_DESTROY).size(), 1u);
    PushKey(SDL_KEYUP, SDL_SCANCODE_F4, id);
    PushKey(SDL_KEYUP, SDL_SCANCODE_LALT, id);
    Pump();
}

TEST_F(Win32Test, CloseButtonAndQuitEventCloseWindows)
{
    HWND a = CreateMain();
    HWND b = CreateMain();
    ASSERT_TRUE(a && b);
    PushWindowEvent(SdlWindow(a), SDL_WINDOWEVENT_CLOSE);
    Pump();
    EXPECT_FALSE(IsWindow(a));
    EXPECT_TRUE(IsWindow(b));

    // SIGTERM reaches the program as SDL_QUIT and closes every window.
    std::raise(SIGTERM);
    Pump();
    EXPECT_FALSE(IsWindow(b));
    EXPECT_EQ(Of(b, WM_CLOSE).size(), 1u);
    EXPECT_EQ(Of(b, WM_DESTROY).size(), 1u);
}

TEST_F(Win32Test, PaintsBrushAroundBlackDisplayUntilDeviceOwnsPicture)
{
    HWND main = CreateMain();
    HWND child = CreateDisplay(main);
    ASSERT_TRUE(main && child);
    EXPECT_EQ(BackgroundRgb(child), 0xF0F0F0u);
    ShowWindow(main, SW_SHOW);
    ShowWindow(child, SW_SHOW);
    SDL_Surface* s = SDL_GetWindowSurface(SdlWindow(main));
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(s->w, 640);
    ASSERT_EQ(s->h, 480);
    EXPECT_EQ(PixelAt(s, 0, 0), 0xF0F0F0u);
    EXPECT_EQ(PixelAt(s, 9, 9), 0xF0F0F0u);
    EXPECT_EQ(PixelAt(s, 10, 10), 0x000000u);
    EXPECT_EQ(PixelAt(s, 320, 240), 0x000000u);
    EXPECT_EQ(PixelAt(s, 629, 469), 0x000000u);
    EXPECT_EQ(PixelAt(s, 630, 240), 0xF0F0F0u);
    EXPECT_EQ(PixelAt(s, 320, 470), 0xF0F0F0u);
    EXPECT_EQ(PixelAt(s, 639, 479), 0xF0F0F0u);

    // Hiding the child shows the brush where it was.
    ShowWindow(child, SW_HIDE);
    Pump();
    s = SDL_GetWindowSurface(SdlWindow(main));
    EXPECT_EQ(PixelAt(s, 320, 240), 0xF0F0F0u);
    ShowWindow(child, SW_SHOW);
    Pump();
    EXPECT_EQ(PixelAt(s, 320, 240), 0x000000u);

    // Once a device presents into the window, nothing here paints over it.
    SetDeviceOwnsPicture(main, true);
    EXPECT_TRUE(DeviceOwnsPicture(child));
    SDL_FillRect(s, nullptr, SDL_MapRGB(s->format, 0x12, 0x34, 0x56));
    ShowWindow(child, SW_HIDE);
    InvalidateRect(main, nullptr, TRUE);
    Pump();
    UpdateWindow(main);
    EXPECT_EQ(PixelAt(s, 320, 240), 0x123456u);
    EXPECT_EQ(PixelAt(s, 0, 0), 0x123456u);
}

TEST_F(Win32Test, StylesUserDataAndSiblings)
{
    HWND main = CreateMain();
    HWND c1 = CreateDisplay(main);
    HWND c2 = CreateDisplay(main);
    ASSERT_TRUE(main && c1 && c2);
    EXPECT_EQ(GetWindow(main, GW_CHILD), c1);
    EXPECT_EQ(GetWindow(c1, GW_HWNDNEXT), c2);
    EXPECT_EQ(GetWindow(c2, GW_HWNDPREV), c1);
    EXPECT_EQ(GetWindow(c2, GW_HWNDNEXT), nullptr);
    EXPECT_EQ(GetWindow(c1, GW_CHILD), nullptr);
    EXPECT_EQ(DWORD(GetWindowLongA(c1, GWL_STYLE)) & SS_TYPEMASK, DWORD(SS_BLACKRECT));
    EXPECT_EQ(DWORD(GetWindowLongA(c1, GWL_EXSTYLE)), DWORD(WS_EX_CLIENTEDGE));
    EXPECT_EQ(SetWindowLongPtrA(main, GWLP_USERDATA, 1234), 0);
    EXPECT_EQ(GetWindowLongPtrA(main, GWLP_USERDATA), 1234);
    // Dropping the thick frame makes the window fixed-size.
    EXPECT_TRUE(GetWindowLongA(main, GWL_STYLE) & WS_THICKFRAME);
    SetWindowLongA(main, GWL_STYLE, LONG(WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU));
    EXPECT_FALSE(GetWindowLongA(main, GWL_STYLE) & WS_THICKFRAME);
    EXPECT_TRUE(GetWindowLongA(main, GWL_STYLE) & WS_CAPTION);
    // Destroying a child takes it out of the parent's list.
    DestroyWindow(c1);
    EXPECT_EQ(GetWindow(main, GW_CHILD), c2);
}

TEST_F(Win32Test, BadArgumentsFailCleanly)
{
    // Unknown class, no class, child without parent.
    SetLastError(0);
    EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "x", WS_OVERLAPPEDWINDOW, 0, 0, 10, 10, nullptr, nullptr,
                              nullptr, nullptr),
              nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_CANNOT_FIND_WND_CLASS));
    EXPECT_EQ(CreateWindowExA(0, nullptr, nullptr, 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(CreateWindowExA(0, "static", nullptr, WS_CHILD, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_TLW_WITH_WSCHILD));
    EXPECT_EQ(CreateWindowExA(0, "static", nullptr, WS_CHILD, 0, 0, 10, 10, reinterpret_cast<HWND>(0x1234),
                              nullptr, nullptr, nullptr),
              nullptr);

    // Registration: null, wrong size, no name, no procedure, duplicate.
    EXPECT_EQ(RegisterClassExA(nullptr), 0);
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc - 1;
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "X";
    EXPECT_EQ(RegisterClassExA(&wc), 0);
    wc.cbSize = sizeof wc;
    wc.lpszClassName = nullptr;
    EXPECT_EQ(RegisterClassExA(&wc), 0);
    wc.lpszClassName = "X";
    wc.lpfnWndProc = nullptr;
    EXPECT_EQ(RegisterClassExA(&wc), 0);
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "testwindowCLASS";  // names ignore case
    wc.hInstance = GetModuleHandleA(nullptr);
    EXPECT_EQ(RegisterClassExA(&wc), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_CLASS_ALREADY_EXISTS));
    EXPECT_FALSE(UnregisterClassA("static", nullptr));
    EXPECT_FALSE(UnregisterClassA(nullptr, nullptr));
    EXPECT_FALSE(UnregisterClassA("NoSuchClass", nullptr));

    // A class with live windows stays registered.
    HWND main = CreateMain();
    ASSERT_NE(main, nullptr);
    EXPECT_FALSE(UnregisterClassA("TestWindowClass", GetModuleHandleA(nullptr)));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_CLASS_HAS_WINDOWS));
    DestroyWindow(main);
    EXPECT_FALSE(DestroyWindow(main));

    // Every call on a dead, null or made-up handle fails without a crash.
    for (HWND h : {main, static_cast<HWND>(nullptr), reinterpret_cast<HWND>(0xDEAD0)}) {
        RECT r{1, 2, 3, 4};
        POINT p{5, 6};
        EXPECT_FALSE(GetClientRect(h, &r));
        EXPECT_FALSE(GetWindowRect(h, &r));
        EXPECT_TRUE(RectEq(r, 1, 2, 3, 4));
        EXPECT_FALSE(ShowWindow(h, SW_SHOW));
        EXPECT_FALSE(SetWindowPos(h, nullptr, 0, 0, 10, 10, 0));
        EXPECT_EQ(GetWindow(h, GW_CHILD), nullptr);
        EXPECT_FALSE(IsWindowVisible(h));
        EXPECT_FALSE(ClientToScreen(h, &p));
        EXPECT_EQ(SendMessageA(h, WM_CLOSE, 0, 0), 0);
        EXPECT_EQ(GetWindowLongA(h, GWL_STYLE), 0);
        EXPECT_FALSE(RectInTopLevel(h, &r));
        EXPECT_EQ(SdlWindow(h), nullptr);
        EXPECT_EQ(TopLevel(h), nullptr);
        EXPECT_EQ(BackgroundRgb(h), 0u);
        SetDeviceOwnsPicture(h, true);
        EXPECT_FALSE(HasFocus(h));
        EXPECT_FALSE(UpdateWindow(h));
    }
    HWND live = CreateMain();
    EXPECT_FALSE(GetClientRect(live, nullptr));
    EXPECT_FALSE(RectInTopLevel(live, nullptr));
    EXPECT_FALSE(PeekMessageA(nullptr, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(DispatchMessageA(nullptr), 0);
    EXPECT_FALSE(TranslateMessage(nullptr));
    EXPECT_EQ(CallWindowProcA(nullptr, live, WM_CLOSE, 0, 0), 0);
    EXPECT_EQ(LoadIconA(nullptr, "NotAnIcon"), nullptr);
    EXPECT_EQ(LoadCursorA(nullptr, MAKEINTRESOURCEA(1)), nullptr);
    EXPECT_EQ(GetStockObject(99), nullptr);
}

TEST_F(Win32Test, WindowDestroyingItselfDuringCreationYieldsNull)
{
    struct Local {
        static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l)
        {
            if (m == WM_CREATE) return -1;
            return DefWindowProcA(h, m, w, l);
        }
    };
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = Local::Proc;
    wc.lpszClassName = "RefusingClass";
    ASSERT_NE(RegisterClassExA(&wc), 0);
    EXPECT_EQ(CreateWindowExA(0, "RefusingClass", "x", WS_OVERLAPPEDWINDOW, 0, 0, 50, 50, nullptr, nullptr,
                              nullptr, nullptr),
              nullptr);
    EXPECT_EQ(testctl::LiveWindowCount(), 0u);
    EXPECT_TRUE(UnregisterClassA("RefusingClass", nullptr));
}

TEST_F(Win32Test, SystemMetricsAndCursorCounter)
{
    EXPECT_GT(GetSystemMetrics(SM_CXSCREEN), 0);
    EXPECT_GT(GetSystemMetrics(SM_CYSCREEN), 0);
    testctl::SetScreenSize(1600, 1200);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1600);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 1200);
    testctl::SetScreenSize(0, 0);
    SDL_DisplayMode mode{};
    ASSERT_EQ(SDL_GetDesktopDisplayMode(0, &mode), 0);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), mode.w);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), mode.h);
    EXPECT_EQ(GetSystemMetrics(-5), 0);

    EXPECT_EQ(ShowCursor(FALSE), -1);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    EXPECT_EQ(ShowCursor(FALSE), -2);
    EXPECT_EQ(ShowCursor(TRUE), -1);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    EXPECT_EQ(ShowCursor(TRUE), 0);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
}

// Without a display, creating a window fails with a null handle and the
// calls that need a display report nothing instead of hanging or crashing.
// Runs in a child process: SDL's video is shut down there and brought up on
// a driver that cannot start.
TEST_F(Win32Test, NoDisplayFailsCleanly)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto checks = [this] {
        int failures = 0;
        auto check = [&](bool ok, const char* what, const char* driver) {
            if (!ok) {
                std::fprintf(stderr, "failed with %s: %s\n", driver, what);
                ++failures;
            }
        };
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        for (const char* driver : {"no-such-driver", "x11"}) {
            setenv("SDL_VIDEODRIVER", driver, 1);
            check(CreateMain() == nullptr, "CreateWindowExA", driver);
            check(GetSystemMetrics(SM_CXSCREEN) == 0, "GetSystemMetrics", driver);
            testctl::QueueMessageBoxAnswer(IDYES);  // answers given in advance still work
            check(MessageBoxA(nullptr, "q", "Question", MB_YESNO) == IDYES, "queued answer", driver);
            // No dialog can be shown: the default button, at once.
            check(MessageBoxA(nullptr, "Engine failed.", "Error", MB_YESNO | MB_DEFBUTTON2) == IDNO,
                  "default answer", driver);
            MSG msg;
            check(!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE), "empty queue", driver);
            check(ShowCursor(FALSE) == -1 && ShowCursor(TRUE) == 0, "cursor counter", driver);
        }
        std::fflush(stderr);
        _exit(failures == 0 ? 0 : 1);
    };
    EXPECT_EXIT(checks(), ::testing::ExitedWithCode(0), "Error: Engine failed");
}

// A device's GL context lives on the window's SDL window; destroying the
// window (the application's WM_CLOSE) before the device is deleted must not
// pull the window from under the context.
TEST_F(Win32Test, DeviceOutlivesItsWindow)
{
    HWND main = CreateMain();
    ASSERT_NE(main, nullptr);
    SDL_Window* sdl = SdlWindow(main);
    const Uint32 id = SDL_GetWindowID(sdl);
    SDL_GLContext ctx = SDL_GL_CreateContext(sdl);
    if (!ctx) QRN_MISSING_DISPLAY("no GL context here: " << SDL_GetError());
    SetDeviceOwnsPicture(main, true);
    ShowWindow(main, SW_SHOW);

    ASSERT_TRUE(DestroyWindow(main));
    EXPECT_FALSE(IsWindow(main));
    EXPECT_EQ(SdlWindow(main), nullptr);
    EXPECT_EQ(SDL_GetWindowFromID(id), sdl);  // still there, hidden
    EXPECT_TRUE(SDL_GetWindowFlags(sdl) & SDL_WINDOW_HIDDEN);
    EXPECT_EQ(SDL_GL_MakeCurrent(sdl, ctx), 0) << SDL_GetError();
    Pump();  // reading messages meanwhile does not drop it
    EXPECT_EQ(SDL_GetWindowFromID(id), sdl);

    // The device lets go (as its destructor does), then deletes its context.
    EXPECT_EQ(TopLevel(main), main);
    EXPECT_TRUE(DeviceOwnsPicture(main));
    // The graphics stand-in answers whether it still draws on the window;
    // here, as there, while a context is current on it.
    SetWindowInUseQuery([](SDL_Window* w) { return SDL_GL_GetCurrentWindow() == w; });
    SetDeviceOwnsPicture(TopLevel(main), false);
    EXPECT_FALSE(DeviceOwnsPicture(main));
    Pump();
    EXPECT_EQ(SDL_GetWindowFromID(id), sdl);  // still in use
    SDL_GL_MakeCurrent(nullptr, nullptr);
    SDL_GL_DeleteContext(ctx);
    Pump();
    EXPECT_EQ(SDL_GetWindowFromID(id), nullptr);
    SetWindowInUseQuery(nullptr);
    EXPECT_EQ(TopLevel(main), nullptr);

    // Without a device the SDL window goes at once.
    HWND plain = CreateMain();
    const Uint32 plainId = SDL_GetWindowID(SdlWindow(plain));
    DestroyWindow(plain);
    EXPECT_EQ(SDL_GetWindowFromID(plainId), nullptr);
}
