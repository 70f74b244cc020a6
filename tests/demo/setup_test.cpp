// Building the island scene from the demo's files, and what happens when a
// file is missing, cut short or garbage: the set-up fails only where a sound
// or the birds cannot load (without a message of its own), tolerates the
// rest, and the scene can be walked over either way.
#include <gtest/gtest.h>

#include <qrn_win32_testctl.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "Benchmark.h"
#include "IslandApplication.h"
#include "temp_folder.h"

namespace {

namespace fs = std::filesystem;
using brackwood::CIslandApplication;

// The demo's files, as generated into the binary folder the tests run in.
std::vector<fs::path> DemoFiles() {
    static const std::set<std::string> kinds = {".raw", ".x", ".mp3", ".wav", ".jpg", ".bmp", ".tga", ".txt"};
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(fs::current_path()))
        if (entry.is_regular_file() && kinds.count(entry.path().extension().string()))
            files.push_back(entry.path());
    return files;
}

enum class Damage { Missing, Truncated, Garbage };

// A working folder with the demo's files, some of them damaged.
class SceneFolder {
public:
    SceneFolder(const std::set<std::string>& damaged, Damage damage) {
        for (const fs::path& file : DemoFiles()) {
            const std::string name = file.filename().string();
            if (!damaged.count(name)) {
                fs::copy_file(file, m_folder.Path() / name);
            } else if (damage == Damage::Truncated) {
                std::ifstream in(file, std::ios::binary);
                std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
                m_folder.Write(name, bytes.substr(0, bytes.size() / 3));
            } else if (damage == Damage::Garbage) {
                std::mt19937 random(static_cast<unsigned>(name.size()));
                std::string bytes(3000, '\0');
                for (char& c : bytes) c = static_cast<char>(random());
                m_folder.Write(name, bytes);
            }
        }
        m_folder.Enter();
    }

private:
    demotest::TempFolder m_folder;
};

class SceneSetup : public ::testing::Test {
protected:
    void SetUp() override {
        if (DemoFiles().size() < 20) GTEST_SKIP() << "run in the folder with the demo's files (build/bin)";
        qrn::win32::testctl::SetMessageBoxHeadless(true);
        qrn::win32::testctl::ClearMessageBoxLog();
    }
    void TearDown() override {
        delete m_pApp;
        qrn::win32::testctl::SetMessageBoxHeadless(false);
    }

    // A windowed application whose engine is up; the scene is not built yet.
    CIslandApplication* Start() {
        m_pApp = new CIslandApplication;
        EXPECT_TRUE(m_pApp->Initialize(GetModuleHandleA(nullptr), true, qrn::SCREENRESOLUTION_DESKTOP));
        return m_pApp;
    }
    // Walks a few frames of the fixed path with the rain on.
    void Walk(long frames) {
        brackwood::CBenchmark walk(frames, std::chrono::steady_clock::now(), 0);
        m_pApp->SetRunOptions({0, nullptr, &walk});
        for (long k = 0; k < frames && !m_pApp->RunFinished(); ++k)
            m_pApp->UpdateFrame();
        m_pApp->SetRunOptions({});
        EXPECT_TRUE(m_pApp->RunFinished());
    }
    static std::vector<std::string> Messages() {
        std::vector<std::string> texts;
        for (const auto& box : qrn::win32::testctl::MessageBoxLog()) texts.push_back(box.caption + ": " + box.text);
        return texts;
    }

    CIslandApplication* m_pApp = nullptr;
};

TEST_F(SceneSetup, TheWholeSceneIsBuiltFromTheDemoFiles) {
    SceneFolder folder({}, Damage::Missing);
    CIslandApplication* app = Start();
    ASSERT_TRUE(app->InitRenderObjects());
    EXPECT_TRUE(Messages().empty());
    const unsigned trees = app->GetForest()->GetTreeCount();
    EXPECT_GT(trees, 30u);
    EXPECT_LE(trees, 60u);
    EXPECT_EQ(app->GetTreeBoxObstacles()->GetCount(), trees);
    EXPECT_EQ(app->GetTreeCylinderObstacles()->GetCount(), trees);
    EXPECT_FALSE(app->GetParticleSystemNames().empty());
    EXPECT_EQ(app->GetConfiguredParticles().size(), app->GetParticleSystemNames().size());
    const qrn::Vector4 start = app->GetCamera()->GetPosition();
    EXPECT_FLOAT_EQ(start.x, 128.0f);
    EXPECT_FLOAT_EQ(start.z, 148.0f);
    Walk(12);
    EXPECT_TRUE(app->IsRaining());
    EXPECT_FALSE(app->IsTitleScreen());
    // The timed walk: on the circle, looking along it (turning left).
    float x = 0, z = 0, angle = 0;
    brackwood::CBenchmark::PathAt(11, &x, &z, &angle);
    ASSERT_GT(std::sin(angle), 0.03f);
    const qrn::Vector4 eye = app->GetCamera()->GetPosition(), dir = app->GetCamera()->GetDir();
    EXPECT_NEAR(eye.x, x, 0.05f);
    EXPECT_NEAR(eye.z, z, 0.05f);
    EXPECT_NEAR(dir.x, -std::sin(angle), 0.01f);
    EXPECT_NEAR(dir.z, std::cos(angle), 0.01f);
}

TEST_F(SceneSetup, AMissingKnockSoundFailsAfterEverythingElseIsBuilt) {
    SceneFolder folder({"knock.wav"}, Damage::Missing);
    CIslandApplication* app = Start();
    EXPECT_FALSE(app->InitRenderObjects());
    EXPECT_TRUE(Messages().empty()) << "the program's own message follows";
    EXPECT_GT(app->GetForest()->GetTreeCount(), 0u);
    EXPECT_FALSE(app->GetConfiguredParticles().empty());
}

TEST_F(SceneSetup, AMissingBackgroundSoundLeavesTheIslandQuiet) {
    SceneFolder folder({"ambient.mp3"}, Damage::Missing);
    CIslandApplication* app = Start();
    EXPECT_TRUE(app->InitRenderObjects());
    Walk(3);
}

TEST_F(SceneSetup, WithoutARenderDeviceNothingIsBuiltAndNothingShown) {
    m_pApp = new CIslandApplication;
    EXPECT_FALSE(m_pApp->InitRenderObjects());
    EXPECT_TRUE(Messages().empty());
}

// Footsteps, fire and birds' sounds and the bird meshes are needed: a
// damaged one ends the set-up, quietly (the program then says so).
TEST_F(SceneSetup, DamagedSoundsOrBirdsEndTheSetUp) {
    for (const char* file : {"walkgrass.wav", "walkwater.mp3", "fireball.wav", "seagull.wav", "BirdUP.x"}) {
        SCOPED_TRACE(file);
        SceneFolder folder({file}, Damage::Garbage);
        CIslandApplication* app = Start();
        EXPECT_FALSE(app->InitRenderObjects());
        EXPECT_TRUE(Messages().empty());
        delete app;
        m_pApp = nullptr;
    }
}

// Every other file may be missing, cut short or garbage, all at once: the
// scene is built without that piece and can be walked over.
TEST_F(SceneSetup, EveryOtherFileDamagedStillGivesAWalkableScene) {
    std::set<std::string> damaged;
    for (const fs::path& file : DemoFiles()) damaged.insert(file.filename().string());
    for (const char* needed :
         {"walkgrass.wav", "walkwater.mp3", "fireball.wav", "seagull.wav", "knock.wav", "BirdUP.x", "BirdDOWN.x"})
        damaged.erase(needed);
    for (Damage damage : {Damage::Missing, Damage::Truncated, Damage::Garbage}) {
        SCOPED_TRACE(static_cast<int>(damage));
        SceneFolder folder(damaged, damage);
        CIslandApplication* app = Start();
        EXPECT_TRUE(app->InitRenderObjects());
        EXPECT_TRUE(Messages().empty());
        Walk(3);
        delete app;
        m_pApp = nullptr;
    }
}

}  // namespace

namespace {

struct ProgramRun {
    std::string output;
    int exitCode = -1;
};

// Runs the program in the given folder with the given environment and
// options; message boxes print to stderr.
ProgramRun RunProgram(const fs::path& program, const fs::path& folder, const std::string& environment,
                      const std::string& options) {
    const std::string command = "cd '" + folder.string() + "' && env QRN_MESSAGEBOX=stderr SDL_AUDIODRIVER=dummy " +
                                environment + " timeout -k 5 60 '" + program.string() + "' " + options + " 2>&1";
    ProgramRun run;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[512];
        while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) run.output.append(buffer, n);
        const int status = pclose(pipe);
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return run;
}

// The entry point's own messages, and exit code 0 on every way out.
TEST(BrackwoodProgram, FailuresAreToldAndEndWithExitCodeZero) {
    if (access("Brackwood", X_OK) != 0 || DemoFiles().size() < 20) GTEST_SKIP() << "run in build/bin";
    const fs::path here = fs::current_path(), program = here / "Brackwood";
    {
        SceneFolder folder({"knock.wav"}, Damage::Missing);
        const ProgramRun run = RunProgram(program, fs::current_path(), "SDL_VIDEODRIVER=offscreen", "--frames 3");
        EXPECT_NE(run.output.find("[message box] Question: Start in windowed mode?"), std::string::npos);
        EXPECT_NE(run.output.find("[message box] Error: Render objects' initializtion failed."), std::string::npos)
            << run.output;
        EXPECT_EQ(run.exitCode, 0);
    }
    const ProgramRun noVideo = RunProgram(program, here, "SDL_VIDEODRIVER=no-such-driver", "--windowed --frames 3");
    EXPECT_NE(noVideo.output.find("[message box] Error: Engine initializtion failed."), std::string::npos)
        << noVideo.output;
    EXPECT_EQ(noVideo.exitCode, 0);

    const ProgramRun bad = RunProgram(program, here, "", "--frames many");
    EXPECT_NE(bad.output.find("usage: Brackwood"), std::string::npos);
    EXPECT_EQ(bad.exitCode, 2);
}

}  // namespace
