// Brackwood end to end on an X display, with real key presses and mouse
// motion sent by xdotool: the title, walking and looking around, rain,
// evening, fog, tree boxes, the credits and the two Escapes that end it.
// Pictures are taken from the device as they are presented and checked for
// what a person would see (colours of regions, changes between pictures),
// never pixel by pixel.
#include <SDL.h>
#include <gtest/gtest.h>
#include <qrn_d3d9_testctl.h>
#include <qrn_win32_sdl.h>
#include <qrn_win32_testctl.h>
#include <windows.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "IslandApplication.h"
#include "render/RenderDeviceD3D9.h"

namespace {

using Clock = std::chrono::steady_clock;

bool Shell(const std::string& cmd) { return std::system((cmd + " >/dev/null 2>&1").c_str()) == 0; }

bool HaveX11() {
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    return std::getenv("DISPLAY") && driver && std::string(driver) == "x11" && Shell("command -v xdotool");
}

bool HaveDemoFiles() { return access("257x257_01.raw", R_OK) == 0 && access("BirdUP.x", R_OK) == 0; }

struct Picture {
    std::vector<std::uint32_t> pixels;
    int width = 0, height = 0;

    // Mean red, green and blue (0-255) over a rectangle given in fractions
    // of the picture.
    void Mean(float x0, float y0, float x1, float y1, double rgb[3]) const {
        rgb[0] = rgb[1] = rgb[2] = 0;
        const int xa = static_cast<int>(x0 * width), xb = static_cast<int>(x1 * width);
        const int ya = static_cast<int>(y0 * height), yb = static_cast<int>(y1 * height);
        long n = 0;
        for (int y = ya; y < yb; ++y)
            for (int x = xa; x < xb; ++x, ++n) {
                const std::uint32_t p = pixels[static_cast<size_t>(y) * width + x];
                rgb[0] += (p >> 16) & 255;
                rgb[1] += (p >> 8) & 255;
                rgb[2] += p & 255;
            }
        for (int c = 0; c < 3 && n > 0; ++c) rgb[c] /= static_cast<double>(n);
    }
    // Mean absolute difference per channel from another picture of the same size.
    double Difference(const Picture& other) const {
        if (other.pixels.size() != pixels.size() || pixels.empty()) return 255.0;
        double sum = 0;
        for (size_t i = 0; i < pixels.size(); ++i)
            for (int shift = 0; shift <= 16; shift += 8)
                sum += std::abs(static_cast<int>((pixels[i] >> shift) & 255) -
                                static_cast<int>((other.pixels[i] >> shift) & 255));
        return sum / (3.0 * static_cast<double>(pixels.size()));
    }
    // Share of pixels in the top `rows` fraction of the picture whose
    // brightness changed by more than 15 of 255: thin moving things (drops,
    // lines) rather than a gentle overall shift.
    double Changed(const Picture& other, float rows = 1.0f) const {
        if (other.pixels.size() != pixels.size() || pixels.empty()) return 1.0;
        auto brightness = [](std::uint32_t p) { return (((p >> 16) & 255) + ((p >> 8) & 255) + (p & 255)) / 3; };
        const size_t count = static_cast<size_t>(width) * static_cast<size_t>(rows * static_cast<float>(height));
        long n = 0;
        for (size_t i = 0; i < count; ++i)
            n += std::abs(static_cast<int>(brightness(pixels[i])) - static_cast<int>(brightness(other.pixels[i]))) > 15;
        return static_cast<double>(n) / static_cast<double>(count);
    }
    // Standard deviation of brightness: a flat fill has none.
    double Spread() const {
        double sum = 0, sum2 = 0;
        for (std::uint32_t p : pixels) {
            const double v = (((p >> 16) & 255) + ((p >> 8) & 255) + (p & 255)) / 3.0;
            sum += v;
            sum2 += v * v;
        }
        const double n = static_cast<double>(pixels.size());
        return n > 0 ? std::sqrt(std::fmax(sum2 / n - (sum / n) * (sum / n), 0.0)) : 0.0;
    }
};

class TestApplication : public brackwood::CIslandApplication {
public:
    HWND MainWindow() const { return m_hMainWindow; }
};

class Walk {
public:
    explicit Walk(TestApplication* app) : m_pApp(app) {}

    // Runs frames for the given time; false once the program has ended.
    bool Run(int ms) {
        const auto end = Clock::now() + std::chrono::milliseconds(ms);
        while (Clock::now() < end)
            if (!Frame()) return false;
        return true;
    }
    bool Frame() {
        if (!m_pApp->Update()) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        return true;
    }
    // A key held down over several frames (the program polls the keyboard).
    bool Hold(const char* key, int ms = 250) {
        Shell(std::string("xdotool keydown ") + key);
        const bool running = Run(ms);
        Shell(std::string("xdotool keyup ") + key);
        return Run(120) && running;
    }
    Picture Take() {
        Picture p;
        auto* device = static_cast<qrn::CRenderDeviceD3D9*>(m_pApp->GetRenderDevice())->GetD3DDevice();
        for (int tries = 0; tries < 20 && p.pixels.empty(); ++tries) {
            qrn::d3d9::testctl::CaptureNextPresent(device);
            if (!Frame()) break;
            qrn::d3d9::testctl::TakeCapture(device, &p.pixels, &p.width, &p.height);
        }
        return p;
    }

private:
    TestApplication* m_pApp;
};

void Print(const char* name, const Picture& p) {
    double top[3], bottom[3];
    p.Mean(0.1f, 0.05f, 0.9f, 0.3f, top);
    p.Mean(0.1f, 0.7f, 0.9f, 0.95f, bottom);
    std::printf("%-8s top %3.0f %3.0f %3.0f  bottom %3.0f %3.0f %3.0f  spread %.1f\n", name, top[0], top[1], top[2],
                bottom[0], bottom[1], bottom[2], p.Spread());
}

TEST(BrackwoodX11, AWalkOverTheIslandDrivenByRealKeys) {
    if (!HaveX11()) GTEST_SKIP() << "needs an X display, SDL_VIDEODRIVER=x11 and xdotool";
    if (!HaveDemoFiles()) GTEST_SKIP() << "run in the folder with the demo's files (build/bin)";
    qrn::win32::testctl::SetMessageBoxHeadless(true);
    auto* app = new TestApplication;
    ASSERT_TRUE(app->Initialize(GetModuleHandleA(nullptr), true, qrn::SCREENRESOLUTION_DESKTOP));
    ASSERT_TRUE(app->InitRenderObjects());
    Walk walk(app);
    SDL_Window* window = qrn::win32::SdlWindow(app->MainWindow());
    for (int k = 0; k < 300 && SDL_GetKeyboardFocus() != window; ++k) walk.Run(10);
    ASSERT_EQ(SDL_GetKeyboardFocus(), window) << "the window never got the focus";

    // The title: a picture with text, not a cleared window.
    const Picture title = walk.Take();
    ASSERT_FALSE(title.pixels.empty());
    Print("title", title);
    EXPECT_TRUE(app->IsTitleScreen());
    EXPECT_GT(title.Spread(), 30.0);

    ASSERT_TRUE(walk.Hold("space"));
    EXPECT_FALSE(app->IsTitleScreen());
    const Picture noon = walk.Take();
    Print("noon", noon);
    double sky[3], land[3];
    noon.Mean(0.1f, 0.05f, 0.9f, 0.25f, sky);
    noon.Mean(0.1f, 0.75f, 0.9f, 0.95f, land);
    EXPECT_GT(sky[2], sky[0]) << "a blue sky at noon";
    EXPECT_GT(noon.Difference(title), 20.0);

    // W walks forward, the mouse turns the view.
    const qrn::Vector4 before = app->GetCamera()->GetPosition();
    ASSERT_TRUE(walk.Hold("w", 600));
    qrn::Vector4 after = app->GetCamera()->GetPosition();
    const float walked = std::hypot(after.x - before.x, after.z - before.z);
    EXPECT_GT(walked, 1.0f);
    const qrn::Vector4 heading = app->GetCamera()->GetDir();
    for (int k = 0; k < 5; ++k) {
        Shell("xdotool mousemove_relative -- 60 0");
        ASSERT_TRUE(walk.Run(40));
    }
    const qrn::Vector4 turned = app->GetCamera()->GetDir();
    EXPECT_LT(heading.x * turned.x + heading.z * turned.z, 0.995f) << "the view turned";
    // Stand 12 units in front of a tree, facing it, for the boxes below.
    ASSERT_GT(app->GetForest()->GetTreeCount(), 0u);
    const qrn::Vector4 tree = app->GetForest()->GetTreePositions()[0];
    app->GetCamera()->SetPosition(
        qrn::Vector4(tree.x - turned.x * 12.0f, tree.y + 2.0f, tree.z - turned.z * 12.0f, 1));
    ASSERT_TRUE(walk.Run(200));

    // Two pictures in a row without rain differ only by the water's swell
    // and the birds: the measure for the changes below.
    // Both pairs below are taken 150 ms apart.
    const Picture still1 = walk.Take();
    ASSERT_TRUE(walk.Run(150));
    const Picture still2 = walk.Take();
    EXPECT_GT(still1.Difference(noon), 3.0) << "the view changed";
    const double calm = still2.Changed(still1), calmSky = still2.Changed(still1, 0.3f);
    std::printf("calm: %.4f of the pixels changed, %.4f of the sky\n", calm, calmSky);

    // B draws white wireframe boxes round the trees.
    ASSERT_TRUE(walk.Hold("b"));
    EXPECT_TRUE(app->ShowsTreeBoxes());
    const Picture boxes = walk.Take();
    Print("boxes", boxes);
    std::printf("boxes: %.4f\n", boxes.Changed(still2));
    EXPECT_GT(boxes.Changed(still2), 3 * calm + 0.002);
    ASSERT_TRUE(walk.Hold("b"));
    EXPECT_FALSE(app->ShowsTreeBoxes());

    // Rain: falling drops make every picture differ from the last.
    ASSERT_TRUE(walk.Hold("r"));
    EXPECT_TRUE(app->IsRaining());
    ASSERT_TRUE(walk.Run(700));
    const Picture rain1 = walk.Take();
    ASSERT_TRUE(walk.Run(150));
    const Picture rain2 = walk.Take();
    Print("rain", rain2);
    const double rainSky = rain2.Changed(rain1, 0.3f);
    std::printf("rain: %.4f of the sky changed\n", rainSky);
    EXPECT_GT(rainSky, calmSky);
    EXPECT_GT(rainSky, 0.001);

    // Evening: the sky turns from blue to orange.
    ASSERT_TRUE(walk.Hold("n"));
    EXPECT_TRUE(app->IsSunset());
    const Picture evening = walk.Take();
    Print("evening", evening);
    double eveningSky[3];
    evening.Mean(0.1f, 0.05f, 0.9f, 0.25f, eveningSky);
    EXPECT_GT(eveningSky[0], eveningSky[2]) << "an orange evening sky";

    // Fog thickens one step per press.
    ASSERT_TRUE(walk.Hold("f"));
    ASSERT_TRUE(walk.Hold("f"));
    EXPECT_NEAR(app->GetFogDensity(), 0.02f, 1e-6f);

    // F3 shows the credits and back.
    ASSERT_TRUE(walk.Hold("F3"));
    EXPECT_TRUE(app->IsClosingScreen());
    const Picture credits = walk.Take();
    Print("credits", credits);
    EXPECT_GT(credits.Spread(), 20.0);
    EXPECT_GT(credits.Difference(evening), 20.0);
    EXPECT_GT(credits.Difference(title), 5.0);
    ASSERT_TRUE(walk.Hold("F3"));
    EXPECT_FALSE(app->IsClosingScreen());

    // Escape shows the closing screen, the second Escape ends the program.
    ASSERT_TRUE(walk.Hold("Escape"));
    EXPECT_TRUE(app->IsClosingScreen());
    Shell("xdotool keydown Escape");
    bool ended = !walk.Run(1500);
    Shell("xdotool keyup Escape");
    EXPECT_TRUE(ended);
    delete app;
    qrn::win32::testctl::SetMessageBoxHeadless(false);
}

// The program itself: the options answer the question, Space leaves the
// title, two Escapes end it with exit code 0.
TEST(BrackwoodX11, TheProgramEndsWithExitCodeZero) {
    if (!HaveX11()) GTEST_SKIP() << "needs an X display, SDL_VIDEODRIVER=x11 and xdotool";
    if (!HaveDemoFiles() || access("./Brackwood", X_OK) != 0) GTEST_SKIP() << "Brackwood is not built here";
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        execl("./Brackwood", "Brackwood", "--windowed", static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    bool reaped = false;
    auto waitEnd = [&](int ms) {
        for (int i = 0; i < ms / 20 && !reaped; ++i) {
            if (waitpid(pid, &status, WNOHANG) == pid)
                reaped = true;
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return reaped;
    };
    // The window is up once xdotool finds a visible window of the process.
    bool found = false;
    for (int i = 0; i < 100 && !found && !reaped; ++i) {
        found = Shell("xdotool search --onlyvisible --pid " + std::to_string(pid) + " --limit 1");
        if (!found) waitEnd(100);
    }
    EXPECT_TRUE(found);
    for (const char* key : {"space", "Escape", "Escape"}) {
        waitEnd(700);
        Shell(std::string("xdotool keydown ") + key);
        waitEnd(200);
        Shell(std::string("xdotool keyup ") + key);
    }
    EXPECT_TRUE(waitEnd(5000)) << "still running after two Escapes";
    if (!reaped) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
