// The application frame with real key events from an X server (Xvfb in the
// test run), sent with xdotool: Escape twice ends the loop, F1 toggles the
// fill mode; and the sample program run end to end.
#include <Engine.h>
#include <SDL.h>
#include <gtest/gtest.h>
#include <qrn_win32_sdl.h>
#include <windows.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "render/RenderDeviceD3D9.h"
#include "display_required.h"

namespace qrn::test {
namespace {

bool Shell(const std::string& cmd) { return std::system((cmd + " >/dev/null 2>&1").c_str()) == 0; }

bool HaveX11()
{
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    return std::getenv("DISPLAY") && driver && std::string(driver) == "x11" &&
           Shell("command -v xdotool");
}

// A key press long enough to be seen by a poll.
void Press(const char* key)
{
    Shell(std::string("xdotool keydown ") + key);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    Shell(std::string("xdotool keyup ") + key);
}

class X11App : public CEngineApplication {
public:
    bool UpdateFrame() override
    {
        ++frames;
        if (m_pRenderDevice->BeginRendering(true, true, false)) m_pRenderDevice->EndRendering(true);
        return true;
    }
    bool SizeMessageProc(HWND) override { return false; }
    void KeyMessageProc(unsigned int key) override { lastKey = key; }
    HWND Main() const { return m_hMainWindow; }
    IRenderDevice* Device() const { return m_pRenderDevice; }
    bool EscapePressed() const { return m_bEscapePressed; }
    int frames = 0;
    unsigned lastKey = 0;
};

// Runs Update until pred() or the loop ends or 3 s pass; false when the loop
// ended.
template <class Pred> bool RunUntil(X11App& app, Pred pred)
{
    for (int i = 0; i < 300; ++i) {
        if (!app.Update()) return false;
        if (pred()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

class AppX11Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!HaveX11()) QRN_MISSING_DISPLAY("needs an X display, SDL_VIDEODRIVER=x11 and xdotool");
        app = new X11App();
        ASSERT_TRUE(app->Initialize(nullptr, true, SCREENRESOLUTION_DESKTOP));
        SDL_Window* sdl = win32::SdlWindow(app->Main());
        RunUntil(*app, [sdl] { return SDL_GetKeyboardFocus() == sdl; });
        ASSERT_EQ(SDL_GetKeyboardFocus(), sdl) << "the window never got the focus";
    }
    void TearDown() override { delete app; }
    X11App* app = nullptr;
};

TEST_F(AppX11Test, EscapeTwiceEndsTheLoop)
{
    Press("Escape");
    ASSERT_TRUE(RunUntil(*app, [this] { return app->EscapePressed(); }));
    ASSERT_TRUE(app->EscapePressed());
    const int frames = app->frames;
    ASSERT_TRUE(RunUntil(*app, [&] { return app->frames > frames + 5; }));  // still running
    Press("Escape");
    EXPECT_FALSE(RunUntil(*app, [] { return false; }));
    EXPECT_FALSE(app->Update());
    EXPECT_EQ(app->lastKey, 0u);
}

TEST_F(AppX11Test, F1TogglesWireframeOtherKeysReachTheHook)
{
    auto* device = static_cast<CRenderDeviceD3D9*>(app->Device());
    Press("F1");
    ASSERT_TRUE(RunUntil(*app, [device] { return device->IsWireframe(); }));
    EXPECT_TRUE(device->IsWireframe());
    DWORD fill = 0;
    device->GetD3DDevice()->GetRenderState(D3DRS_FILLMODE, &fill);
    EXPECT_EQ(fill, static_cast<DWORD>(D3DFILL_WIREFRAME));
    Press("F1");
    ASSERT_TRUE(RunUntil(*app, [device] { return !device->IsWireframe(); }));
    EXPECT_FALSE(device->IsWireframe());
    EXPECT_EQ(app->lastKey, 0u);

    Press("a");
    ASSERT_TRUE(RunUntil(*app, [this] { return app->lastKey != 0; }));
    EXPECT_EQ(app->lastKey, static_cast<unsigned>('A'));
}

// Ends a child program whatever way the test leaves.
struct Child {
    pid_t pid = -1;
    int status = 0;
    bool reaped = false;
    // Waits up to `ms` for the child to end.
    bool WaitEnd(int ms)
    {
        for (int i = 0; i < ms / 20 && !reaped; ++i) {
            if (waitpid(pid, &status, WNOHANG) == pid) reaped = true;
            else std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return reaped;
    }
    ~Child()
    {
        if (pid > 0 && !reaped) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
        }
    }
};

// The sample program: answers given on the command line, Escape twice ends
// it with exit code 0.
TEST(SampleAppX11, EndsOnTheSecondEscape)
{
    if (!HaveX11()) QRN_MISSING_DISPLAY("needs an X display, SDL_VIDEODRIVER=x11 and xdotool");
    if (access("./sample_app", X_OK) != 0) GTEST_SKIP() << "sample_app is not built";
    Child child;
    child.pid = fork();
    ASSERT_GE(child.pid, 0);
    if (child.pid == 0) {
        execl("./sample_app", "sample_app", "--windowed", static_cast<char*>(nullptr));
        _exit(127);
    }
    // Keys go to the window with the input focus: give it to the sample's
    // window (no window manager needed) and wait until it holds it.
    const std::string title = "'^f\\.e\\.l\\.d\\.m\\.o\\.r\\.a\\.x$'";
    bool focused = false;
    for (int i = 0; i < 100 && !focused; ++i) {
        Shell("xdotool search --name " + title + " windowfocus");
        focused = Shell("test \"$(xdotool getwindowfocus getwindowname)\" = f.e.l.d.m.o.r.a.x");
        if (!focused) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_TRUE(focused) << "the sample's window never got the focus";
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    Press("Escape");
    EXPECT_FALSE(child.WaitEnd(500)) << "one Escape ended the program";
    Press("Escape");
    ASSERT_TRUE(child.WaitEnd(5000)) << "the second Escape did not end the program";
    ASSERT_TRUE(WIFEXITED(child.status));
    EXPECT_EQ(WEXITSTATUS(child.status), 0);
}

} // namespace
} // namespace qrn::test
