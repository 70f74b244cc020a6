// Real key, mouse and focus events from an X server (Xvfb in the test run),
// sent with xdotool, through SDL's x11 driver, the Win32 message queue and
// DirectInput up to the input object.
#include <SDL.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "app/Input.h"
#include "qrn_win32_sdl.h"
#include "qrn_win32_testctl.h"
#include <dinput.h>
#include <windows.h>
#include "display_required.h"

namespace {

std::vector<MSG>& Seen()
{
    static std::vector<MSG> seen;
    return seen;
}

LRESULT CALLBACK RecordingProc(HWND h, UINT m, WPARAM w, LPARAM l)
{
    MSG msg{};
    msg.hwnd = h;
    msg.message = m;
    msg.wParam = w;
    msg.lParam = l;
    Seen().push_back(msg);
    return DefWindowProcA(h, m, w, l);
}

bool Shell(const std::string& cmd)
{
    return std::system((cmd + " >/dev/null 2>&1").c_str()) == 0;
}

void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

// Polls like the main loop (messages, then input) until `done` or 3 s.
bool PollUntil(qrn::CInput& input, const std::function<bool()>& done)
{
    for (int i = 0; i < 300; ++i) {
        Pump();
        input.Update();
        if (done()) return true;
        SDL_Delay(10);
    }
    return false;
}

class InputX11Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* driver = std::getenv("SDL_VIDEODRIVER");
        if (!std::getenv("DISPLAY") || !driver || std::string(driver) != "x11")
            QRN_MISSING_DISPLAY("needs an X display and SDL_VIDEODRIVER=x11");
        if (!Shell("command -v xdotool")) QRN_MISSING_DISPLAY("xdotool is not installed");
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = RecordingProc;
        wc.lpszClassName = "X11InputClass";
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_MENU + 1);
        ASSERT_NE(RegisterClassExA(&wc), 0);
        m_main = CreateWindowExA(0, "X11InputClass", "qrn-input-main", WS_OVERLAPPEDWINDOW, 100, 100, 400, 300,
                                 nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(m_main, nullptr);
        ShowWindow(m_main, SW_SHOW);
        // Wait for the X server to give the window the keyboard focus.
        SDL_Window* sdl = qrn::win32::SdlWindow(m_main);
        for (int i = 0; i < 300 && SDL_GetKeyboardFocus() != sdl; ++i) {
            Pump();
            SDL_Delay(10);
        }
        ASSERT_EQ(SDL_GetKeyboardFocus(), sdl) << "the window never got the focus";
        Shell("xdotool mousemove 300 250");
        Pump();
        Seen().clear();
    }

    void TearDown() override
    {
        Shell("xdotool keyup w mouseup 1");
        if (m_other) DestroyWindow(m_other);
        if (m_main) DestroyWindow(m_main);
        Pump();
        UnregisterClassA("X11InputClass", nullptr);
    }

    HWND m_main = nullptr;
    HWND m_other = nullptr;
};

}  // namespace

TEST_F(InputX11Test, HeldKeyReadsDownUntilReleased)
{
    qrn::CInput input;
    ASSERT_TRUE(input.Init(m_main));
    ASSERT_TRUE(Shell("xdotool keydown w"));
    EXPECT_TRUE(PollUntil(input, [&] { return input.IsKeyDown(DIK_W); }));
    // Held: still down a few frames later.
    SDL_Delay(200);
    Pump();
    input.Update();
    EXPECT_TRUE(input.IsKeyDown(DIK_W));
    ASSERT_TRUE(Shell("xdotool keyup w"));
    EXPECT_TRUE(PollUntil(input, [&] { return !input.IsKeyDown(DIK_W); }));

    bool keyDown = false, keyUp = false;
    for (const MSG& m : Seen()) {
        if (m.hwnd == m_main && m.message == WM_KEYDOWN && m.wParam == 'W') keyDown = true;
        if (m.hwnd == m_main && m.message == WM_KEYUP && m.wParam == 'W') keyUp = true;
    }
    EXPECT_TRUE(keyDown);
    EXPECT_TRUE(keyUp);
}

TEST_F(InputX11Test, RelativeMotionAndButtons)
{
    qrn::CInput input;
    ASSERT_TRUE(input.Init(m_main));
    // The exclusive mouse is SDL's relative mode: hidden cursor, kept in the window.
    EXPECT_TRUE(SDL_GetRelativeMouseMode());
    long sumX = 0, sumY = 0;
    ASSERT_TRUE(Shell("xdotool mousemove_relative -- 30 20"));
    EXPECT_TRUE(PollUntil(input, [&] {
        long dx = 0, dy = 0;
        input.GetMouseMovement(&dx, &dy);
        sumX += dx;
        sumY += dy;
        return sumX >= 30 && sumY >= 20;
    })) << sumX << "," << sumY;
    EXPECT_EQ(sumX, 30);
    EXPECT_EQ(sumY, 20);

    int pressed = 0;
    ASSERT_TRUE(Shell("xdotool mousedown 1"));
    EXPECT_TRUE(PollUntil(input, [&] {
        pressed += input.IsMouseButtonPressed(0);
        return input.IsMouseButtonDown(0);
    }));
    Pump();
    input.Update();
    EXPECT_TRUE(input.IsMouseButtonDown(0));
    EXPECT_FALSE(input.IsMouseButtonPressed(0));
    EXPECT_EQ(pressed, 1);
    ASSERT_TRUE(Shell("xdotool mouseup 1"));
    EXPECT_TRUE(PollUntil(input, [&] { return input.IsMouseButtonReleased(0); }));
    EXPECT_FALSE(input.IsMouseButtonDown(0));
}

// Another window taking the focus makes the next poll fail and empty the
// state; once the focus is back, the devices are acquired again.
TEST_F(InputX11Test, FocusLossAndReacquire)
{
    qrn::CInput input;
    ASSERT_TRUE(input.Init(m_main));
    ASSERT_TRUE(Shell("xdotool keydown w"));
    ASSERT_TRUE(PollUntil(input, [&] { return input.IsKeyDown(DIK_W); }));

    m_other = CreateWindowExA(0, "X11InputClass", "qrn-input-other", WS_OVERLAPPEDWINDOW, 600, 100, 200, 200,
                              nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(m_other, nullptr);
    ShowWindow(m_other, SW_SHOWNA);
    Pump();
    ASSERT_TRUE(Shell("xdotool search --name qrn-input-other windowfocus --sync"));
    EXPECT_TRUE(PollUntil(input, [&] { return !qrn::win32::HasFocus(m_main); }));
    EXPECT_FALSE(input.IsKeyDown(DIK_W));
    EXPECT_FALSE(SDL_GetRelativeMouseMode());
    bool deactivated = false;
    for (const MSG& m : Seen())
        if (m.hwnd == m_main && m.message == WM_ACTIVATE && LOWORD(m.wParam) == WA_INACTIVE) deactivated = true;
    EXPECT_TRUE(deactivated);

    // Keys pressed in the other window do not reach this one.
    ASSERT_TRUE(Shell("xdotool keyup w keydown a"));
    for (int i = 0; i < 10; ++i) {
        Pump();
        input.Update();
        EXPECT_FALSE(input.IsKeyDown(DIK_A));
        SDL_Delay(10);
    }
    ASSERT_TRUE(Shell("xdotool keyup a"));

    ASSERT_TRUE(Shell("xdotool search --name qrn-input-main windowfocus --sync"));
    EXPECT_TRUE(PollUntil(input, [&] { return qrn::win32::HasFocus(m_main); }));
    ASSERT_TRUE(Shell("xdotool keydown w"));
    EXPECT_TRUE(PollUntil(input, [&] { return input.IsKeyDown(DIK_W); }));
    EXPECT_TRUE(SDL_GetRelativeMouseMode());
    ASSERT_TRUE(Shell("xdotool keyup w"));
    EXPECT_TRUE(PollUntil(input, [&] { return !input.IsKeyDown(DIK_W); }));
}

// SIGTERM from outside arrives as SDL_QUIT and closes the window like its
// close button: WM_CLOSE, then DefWindowProcA destroys it.
TEST_F(InputX11Test, TerminationSignalClosesTheWindow)
{
    ASSERT_TRUE(Shell("kill -TERM " + std::to_string(getpid())));
    for (int i = 0; i < 300 && IsWindow(m_main); ++i) {
        Pump();
        SDL_Delay(10);
    }
    EXPECT_FALSE(IsWindow(m_main));
    bool closed = false, destroyed = false;
    for (const MSG& m : Seen()) {
        if (m.hwnd == m_main && m.message == WM_CLOSE) closed = true;
        if (m.hwnd == m_main && m.message == WM_DESTROY) destroyed = true;
    }
    EXPECT_TRUE(closed);
    EXPECT_TRUE(destroyed);
    m_main = nullptr;
}
