// The application frame: windows, message routing, built-in keys, the frame
// clock and the Update step, with a real device on the offscreen driver.
#include <Engine.h>
#include <Input.h>
#include <gtest/gtest.h>
#include <qrn_d3d9_testctl.h>
#include <qrn_win32_testctl.h>
#include <windows.h>

#include <cmath>
#include <cstdlib>
#include <thread>
#include <vector>

#include "render/RenderDeviceD3D9.h"

namespace qrn {
extern CEngineApplication* g_pApplication;
}

namespace qrn::test {
namespace {

namespace testctl = qrn::win32::testctl;
namespace d3dctl = qrn::d3d9::testctl;

// Counts input polls in place of the real input object.
class CountingInput : public IInput {
public:
    explicit CountingInput(int* polls) : m_polls(polls) {}
    bool Init(HWND) override { return true; }
    void Update() override { ++*m_polls; }
    bool IsKeyDown(unsigned int) override { return false; }
    bool GetMouseMovement(long*, long*) override { return false; }
    bool IsMouseButtonDown(unsigned int) override { return false; }
    bool IsMouseButtonPressed(unsigned int) override { return false; }
    bool IsMouseButtonReleased(unsigned int) override { return false; }

private:
    int* m_polls;
};

class TestApp : public CEngineApplication {
public:
    struct Frame {
        float elapsed;
        float fps;
        DWORD lastTime;
        DWORD currentTime;
    };

    TestApp() { constructionTime = m_dwLastTime; }

    bool UpdateFrame() override
    {
        frames.push_back({GetElapsedTime(), GetFramesPerSecond(), m_dwLastTime, m_dwCurrentTime});
        if (m_pRenderDevice->BeginRendering(true, true, false)) m_pRenderDevice->EndRendering(true);
        return frameResult;
    }

    bool SizeMessageProc(HWND window) override
    {
        sizeCalls.push_back(window);
        return layoutItself;
    }

    void KeyMessageProc(unsigned int key) override { keys.push_back(key); }

    void UseCountingInput()
    {
        delete m_pInput;
        m_pInput = new CountingInput(&polls);
    }

    // Protected state, for the checks.
    HWND MainWindow() const { return m_hMainWindow; }
    HWND DisplayWindow() const { return m_hDisplayWindow; }
    IRenderDevice* Device() const { return m_pRenderDevice; }
    CEngine* Engine() const { return m_pEngine; }
    IInput* Input() const { return m_pInput; }
    bool EscapePressed() const { return m_bEscapePressed; }
    bool Quit() const { return m_bQuit; }
    DWORD LastTime() const { return m_dwLastTime; }
    bool CallCreateWindows() { return CreateWindows(); }
    bool ChildSlotsEmpty() const
    {
        for (int i = 1; i < 256; ++i)
            if (m_hChildWindows[i]) return false;
        return true;
    }

    DWORD constructionTime = 0;
    std::vector<Frame> frames;
    std::vector<HWND> sizeCalls;
    std::vector<unsigned int> keys;
    bool frameResult = true;
    bool layoutItself = false;
    int polls = 0;
};

RECT ClientOf(HWND w)
{
    RECT r{};
    GetClientRect(w, &r);
    return r;
}

void KeyDown(HWND window, WPARAM key) { SendMessageA(window, WM_KEYDOWN, key, 0); }

class AppTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        delete app;
        testctl::ResetTickCount();
        testctl::SetScreenSize(0, 0);
    }

    void Start(bool windowed = true)
    {
        app = new TestApp();
        ASSERT_TRUE(app->Initialize(nullptr, windowed, SCREENRESOLUTION_DESKTOP));
    }

    TestApp* app = nullptr;
};

TEST_F(AppTest, InitializeCreatesThePlacedWindowsAndAnActiveWindowedDevice)
{
    testctl::SetScreenSize(1280, 1024);
    Start();
    EXPECT_EQ(g_pApplication, app);
    ASSERT_NE(app->MainWindow(), nullptr);
    ASSERT_NE(app->DisplayWindow(), nullptr);
    EXPECT_TRUE(app->ChildSlotsEmpty());
    EXPECT_TRUE(IsWindowVisible(app->MainWindow()));
    EXPECT_TRUE(IsWindowVisible(app->DisplayWindow()));
    EXPECT_TRUE(app->Engine()->IsActive());
    EXPECT_TRUE(app->IsWindowed());
    EXPECT_STREQ(app->GetWindowClassName(), "CEngineApplicationClass");

    long x = -1, y = -1, w = -1, h = -1;
    app->GetWindowPosition(&x, &y);
    EXPECT_EQ(x, 1280 / 2 - 250);
    EXPECT_EQ(y, 1024 / 2 - 187);
    app->GetWindowSize(&w, &h);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);

    // The display child sits 10 pixels inside the main window's client area.
    const RECT client = ClientOf(app->MainWindow());
    long cw = 0, ch = 0;
    app->GetClientSize(&cw, &ch);
    EXPECT_EQ(cw, client.right - 20);
    EXPECT_EQ(ch, client.bottom - 20);
    EXPECT_EQ(GetWindow(app->MainWindow(), GW_CHILD), app->DisplayWindow());

    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    ASSERT_TRUE(GetClassInfoExA(nullptr, "CEngineApplicationClass", &wc));
    EXPECT_EQ(wc.style, 43u);
    EXPECT_EQ(reinterpret_cast<INT_PTR>(wc.hbrBackground), 5);
    EXPECT_EQ(wc.lpfnWndProc, &CEngineApplication::MsgProc);

    // The same engine device, and no second one.
    EXPECT_EQ(app->Engine()->GetRenderDevice(API_DIRECT3D9), app->Device());
    EXPECT_EQ(app->Engine()->GetRenderDevice(API_RESERVED), app->Device());
}

TEST_F(AppTest, NullPointersAreSkippedByTheSizeQueries)
{
    Start();
    long v = 12345;
    app->GetWindowPosition(nullptr, nullptr);
    app->GetWindowPosition(&v, nullptr);
    EXPECT_NE(v, 12345);
    v = 12345;
    app->GetWindowSize(nullptr, &v);
    EXPECT_EQ(v, 480);
    app->GetClientSize(nullptr, nullptr);
}

TEST_F(AppTest, CreateWindowsTwiceCreatesNothingNew)
{
    Start();
    const size_t windows = testctl::LiveWindowCount();
    HWND main = app->MainWindow();
    IInput* input = app->Input();
    EXPECT_TRUE(app->CallCreateWindows());
    EXPECT_EQ(testctl::LiveWindowCount(), windows);
    EXPECT_EQ(app->MainWindow(), main);
    EXPECT_EQ(app->Input(), input);
}

TEST_F(AppTest, InitializeTwiceReplacesTheEngineAndKeepsTheWindows)
{
    Start();
    HWND main = app->MainWindow();
    ASSERT_TRUE(app->Update());
    ASSERT_TRUE(app->Initialize(nullptr, true, SCREENRESOLUTION_DESKTOP));
    ASSERT_NE(app->Engine(), nullptr);
    EXPECT_EQ(app->MainWindow(), main);
    EXPECT_EQ(g_pApplication, app);
    EXPECT_TRUE(app->IsWindowed());
    // The new engine draws once the window is activated.
    SendMessageA(main, WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_TRUE(app->Update());
    EXPECT_EQ(app->frames.size(), 2u);
}

TEST_F(AppTest, OneEscapeDoesNotQuitTwoDo)
{
    Start();
    EXPECT_TRUE(app->Update());
    KeyDown(app->MainWindow(), VK_ESCAPE);
    EXPECT_TRUE(app->EscapePressed());
    EXPECT_TRUE(app->Update());
    EXPECT_TRUE(app->Update());
    EXPECT_FALSE(app->Quit());

    KeyDown(app->MainWindow(), VK_ESCAPE);
    // WM_CLOSE is posted; draining it destroys the window and ends the loop.
    EXPECT_FALSE(app->Update());
    EXPECT_TRUE(app->Quit());
    EXPECT_FALSE(IsWindow(app->MainWindow()));
    EXPECT_FALSE(app->Update());
    EXPECT_TRUE(app->keys.empty());
}

TEST_F(AppTest, FunctionKeysToggleDeviceStatesAndNeverReachTheHook)
{
    Start();
    auto* device = static_cast<CRenderDeviceD3D9*>(app->Device());
    DWORD fill = 0;
    KeyDown(app->MainWindow(), VK_F1);
    EXPECT_TRUE(device->IsWireframe());
    device->GetD3DDevice()->GetRenderState(D3DRS_FILLMODE, &fill);
    EXPECT_EQ(fill, static_cast<DWORD>(D3DFILL_WIREFRAME));
    KeyDown(app->MainWindow(), VK_F1);
    EXPECT_FALSE(device->IsWireframe());
    device->GetD3DDevice()->GetRenderState(D3DRS_FILLMODE, &fill);
    EXPECT_EQ(fill, static_cast<DWORD>(D3DFILL_SOLID));

    KeyDown(app->MainWindow(), VK_F2);
    EXPECT_FALSE(device->IsTexturingEnabled());
    KeyDown(app->MainWindow(), VK_F2);
    EXPECT_TRUE(device->IsTexturingEnabled());
    EXPECT_TRUE(app->keys.empty());

    KeyDown(app->MainWindow(), 'W');
    KeyDown(app->MainWindow(), VK_F3);
    ASSERT_EQ(app->keys.size(), 2u);
    EXPECT_EQ(app->keys[0], static_cast<unsigned>('W'));
    EXPECT_EQ(app->keys[1], static_cast<unsigned>(VK_F3));
}

TEST_F(AppTest, FirstFrameSeesNoElapsedTimeTheSecondTheTimeSinceConstruction)
{
    testctl::SetTickCount(100000);
    app = new TestApp();
    const DWORD constructed = app->constructionTime;
    ASSERT_TRUE(app->Initialize(nullptr, true, SCREENRESOLUTION_DESKTOP));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));

    ASSERT_TRUE(app->Update());
    ASSERT_TRUE(app->Update());
    ASSERT_EQ(app->frames.size(), 2u);
    EXPECT_EQ(app->frames[0].elapsed, 0.0f);
    EXPECT_TRUE(std::isinf(app->frames[0].fps));
    EXPECT_EQ(app->frames[0].lastTime, constructed);
    // The first interval runs from construction, start-up included.
    const DWORD first = app->frames[0].currentTime - constructed;
    EXPECT_GE(first, 30u);
    EXPECT_FLOAT_EQ(app->frames[1].elapsed, static_cast<float>(first) * 0.001f);
    EXPECT_FLOAT_EQ(app->frames[1].fps, 1.0f / (static_cast<float>(first) * 0.001f));
    EXPECT_EQ(app->frames[1].lastTime, app->frames[0].currentTime);
}

TEST_F(AppTest, TheCounterWrapGivesASmallPositiveInterval)
{
    Start();
    ASSERT_TRUE(app->Update());
    testctl::SetTickCount(0xFFFFFFFFu - 20u);
    ASSERT_TRUE(app->Update());
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    ASSERT_TRUE(app->Update());  // measures the interval across the wrap
    ASSERT_TRUE(app->Update());
    ASSERT_EQ(app->frames.size(), 4u);
    EXPECT_GT(app->frames[1].currentTime, 0xFFFFFF00u);
    EXPECT_LT(app->frames[3].lastTime, 0x10000u);  // wrapped
    EXPECT_GE(app->frames[3].elapsed, 0.055f);
    EXPECT_LT(app->frames[3].elapsed, 5.0f);
}

TEST_F(AppTest, AnInactiveWindowSkipsTheFrameInputAndClock)
{
    Start();
    app->UseCountingInput();
    ASSERT_TRUE(app->Update());
    EXPECT_EQ(app->polls, 1);
    const DWORD last = app->LastTime();

    SendMessageA(app->MainWindow(), WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_FALSE(app->Engine()->IsActive());
    app->frameResult = false;  // would end the loop if it were called
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(app->Update());
    EXPECT_TRUE(app->Update());
    EXPECT_EQ(app->frames.size(), 1u);
    EXPECT_EQ(app->polls, 1);
    EXPECT_EQ(app->LastTime(), last);

    // Back: the inactive time is counted in full by the next interval.
    SendMessageA(app->MainWindow(), WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_FALSE(app->Update());  // the hook's result
    ASSERT_EQ(app->frames.size(), 2u);
    EXPECT_EQ(app->polls, 2);
    app->frameResult = true;
    EXPECT_TRUE(app->Update());
    ASSERT_EQ(app->frames.size(), 3u);
    EXPECT_GE(app->frames[2].elapsed, 0.02f);
}

TEST_F(AppTest, ResizeKeepsTheDisplayMarginAndRebuildsTheSwapChain)
{
    Start();
    ASSERT_TRUE(SetWindowPos(app->MainWindow(), nullptr, 0, 0, 500, 400, SWP_NOMOVE | SWP_NOZORDER));
    ASSERT_TRUE(app->Update());
    ASSERT_FALSE(app->sizeCalls.empty());
    EXPECT_EQ(app->sizeCalls.back(), app->MainWindow());
    const RECT client = ClientOf(app->MainWindow());
    long cw = 0, ch = 0;
    app->GetClientSize(&cw, &ch);
    EXPECT_EQ(cw, client.right - 20);
    EXPECT_EQ(ch, client.bottom - 20);

    auto* device = static_cast<CRenderDeviceD3D9*>(app->Device());
    D3DPRESENT_PARAMETERS pp{};
    ASSERT_EQ(device->GetSwapChain(0)->GetPresentParameters(&pp), D3D_OK);
    EXPECT_EQ(static_cast<long>(pp.BackBufferWidth), cw);
    EXPECT_EQ(static_cast<long>(pp.BackBufferHeight), ch);

    // A program that lays out the child itself: the child is left alone, the
    // device is still told.
    app->layoutItself = true;
    ASSERT_TRUE(SetWindowPos(app->MainWindow(), nullptr, 0, 0, 600, 450, SWP_NOMOVE | SWP_NOZORDER));
    ASSERT_TRUE(app->Update());
    long cw2 = 0, ch2 = 0;
    app->GetClientSize(&cw2, &ch2);
    EXPECT_EQ(cw2, cw);
    EXPECT_EQ(ch2, ch);
    IDirect3DSwapChain9* chain = device->GetSwapChain(0);
    ASSERT_NE(chain, nullptr);
}

TEST_F(AppTest, AfterAResizeThePictureFillsTheNewDisplayRectangleInsideTheMargin)
{
    Start();
    ASSERT_TRUE(SetWindowPos(app->MainWindow(), nullptr, 0, 0, 520, 360, SWP_NOMOVE | SWP_NOZORDER));
    ASSERT_TRUE(app->Update());
    auto* device = static_cast<CRenderDeviceD3D9*>(app->Device());
    device->SetClearColor(255, 0, 0);
    d3dctl::CaptureNextPresent(device->GetD3DDevice());
    ASSERT_TRUE(app->Update());
    std::vector<uint32_t> px;
    int w = 0, h = 0;
    ASSERT_TRUE(d3dctl::TakeCapture(device->GetD3DDevice(), &px, &w, &h));
    const RECT client = ClientOf(app->MainWindow());
    ASSERT_EQ(w, client.right);
    ASSERT_EQ(h, client.bottom);
    auto at = [&](int x, int y) { return px[static_cast<size_t>(y) * w + x] & 0xFFFFFFu; };
    EXPECT_EQ(at(10, 10), 0xFF0000u);
    EXPECT_EQ(at(w - 11, h - 11), 0xFF0000u);
    EXPECT_EQ(at(w / 2, h / 2), 0xFF0000u);
    for (auto [x, y] : {std::pair{9, 9}, {w - 10, h - 10}, {w / 2, 3}, {w - 3, h / 2}})
        EXPECT_NE(at(x, y), 0xFF0000u) << x << "," << y;
}

TEST_F(AppTest, AFailedInitializeRoutesNoMessagesToTheApplication)
{
    // The window class already exists, so registration fails.
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "CEngineApplicationClass";
    ASSERT_NE(RegisterClassExA(&wc), 0);
    app = new TestApp();
    EXPECT_FALSE(app->Initialize(nullptr, true, SCREENRESOLUTION_DESKTOP));
    EXPECT_EQ(g_pApplication, nullptr);
    EXPECT_EQ(app->Device(), nullptr);
    delete app;  // unregisters the class
    app = nullptr;
    EXPECT_FALSE(UnregisterClassA("CEngineApplicationClass", nullptr));
}

TEST_F(AppTest, DestroyedApplicationIsNoLongerRouted)
{
    Start();
    delete app;
    app = nullptr;
    EXPECT_EQ(g_pApplication, nullptr);
    // A second application in the same process starts cleanly.
    Start();
    EXPECT_TRUE(app->Update());
}

TEST_F(AppTest, FullScreenApplication)
{
    Start(false);
    EXPECT_FALSE(app->IsWindowed());
    EXPECT_TRUE(app->Update());
    ASSERT_EQ(app->frames.size(), 1u);
}

// Without any display the windows cannot be made: Initialize fails, shows
// nothing, and the object goes away without leaks (checked by the sanitiser
// build). Runs in a fresh process so that no video driver is up yet.
TEST(AppWithoutDisplay, InitializeFailsCleanly)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("SDL_VIDEODRIVER", "x11", 1);
            unsetenv("DISPLAY");
            auto* a = new TestApp();
            const bool ok = a->Initialize(nullptr, true, SCREENRESOLUTION_DESKTOP);
            const bool routed = g_pApplication != nullptr;
            delete a;
            std::exit(ok || routed ? 1 : 3);
        },
        ::testing::ExitedWithCode(3), "");
}

TEST(Engine, DeviceOnlyForDirect3D9)
{
    CEngine engine;
    EXPECT_FALSE(engine.IsActive());
    EXPECT_EQ(engine.GetRenderDevice(API_RESERVED), nullptr);
    EXPECT_EQ(engine.GetRenderDevice(static_cast<APITYPE>(7)), nullptr);
    IRenderDevice* device = engine.GetRenderDevice(API_DIRECT3D9);
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(engine.GetRenderDevice(API_RESERVED), device);
    engine.SetActive(true);
    EXPECT_TRUE(engine.IsActive());
}

} // namespace
} // namespace qrn::test
