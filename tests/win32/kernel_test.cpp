// Clocks, message boxes, debugger output and dynamic libraries.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "qrn_win32_testctl.h"
#include <windows.h>

using namespace qrn::win32;

TEST(Clock, CountersWrapAt32Bits)
{
    testctl::SetTickCount(0xFFFFFFFFu - 20);
    const DWORD before = timeGetTime();
    EXPECT_GE(before, 0xFFFFFFFFu - 20);
    Sleep(60);
    const DWORD after = timeGetTime();
    const DWORD tick = GetTickCount();
    EXPECT_LT(after, before);  // wrapped
    const DWORD elapsed = after - before;  // the unsigned difference is still right
    EXPECT_GE(elapsed, 55u);
    EXPECT_LT(elapsed, 2000u);
    EXPECT_LE(DWORD(tick - after), 5u);
    testctl::ResetTickCount();
}

TEST(Clock, AdvancesInMilliseconds)
{
    const DWORD a = timeGetTime();
    Sleep(30);
    const DWORD b = timeGetTime();
    EXPECT_GE(b - a, 25u);
    EXPECT_LT(b - a, 1000u);
    LARGE_INTEGER f{}, c1{}, c2{};
    ASSERT_TRUE(QueryPerformanceFrequency(&f));
    ASSERT_TRUE(QueryPerformanceCounter(&c1));
    Sleep(5);
    ASSERT_TRUE(QueryPerformanceCounter(&c2));
    EXPECT_GT(c2.QuadPart, c1.QuadPart);
    EXPECT_FALSE(QueryPerformanceCounter(nullptr));
}

TEST(MessageBoxes, AnswersGivenInAdvanceAreUsedInOrderAndLogged)
{
    testctl::ClearMessageBoxLog();
    testctl::QueueMessageBoxAnswer(IDNO);
    testctl::QueueMessageBoxAnswer(IDOK);
    EXPECT_EQ(testctl::PendingMessageBoxAnswers(), 2u);
    EXPECT_EQ(MessageBoxA(nullptr, "Start in windowed mode?", "Question", MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(MessageBoxA(nullptr, nullptr, nullptr, MB_OK), IDOK);
    EXPECT_EQ(testctl::PendingMessageBoxAnswers(), 0u);
    auto log = testctl::MessageBoxLog();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].text, "Start in windowed mode?");
    EXPECT_EQ(log[0].caption, "Question");
    EXPECT_EQ(log[0].type, UINT(MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(log[0].answer, IDNO);
    EXPECT_FALSE(log[0].shown);
    EXPECT_EQ(log[1].text, "");
    testctl::ClearMessageBoxLog();
    EXPECT_TRUE(testctl::MessageBoxLog().empty());
}

// The record is bounded: a long run of boxes keeps only the newest ones.
TEST(MessageBoxes, LogKeepsOnlyTheNewestCalls)
{
    testctl::ClearMessageBoxLog();
    const size_t calls = testctl::kMessageBoxLogLimit + 40;
    for (size_t i = 0; i < calls; ++i) {
        testctl::QueueMessageBoxAnswer(IDOK);
        MessageBoxA(nullptr, std::to_string(i).c_str(), "Count", MB_OK);
    }
    auto log = testctl::MessageBoxLog();
    ASSERT_EQ(log.size(), testctl::kMessageBoxLogLimit);
    EXPECT_EQ(log.front().text, std::to_string(calls - testctl::kMessageBoxLogLimit));
    EXPECT_EQ(log.back().text, std::to_string(calls - 1));
    testctl::ClearMessageBoxLog();
}

// Where no dialog can be shown the default button is the answer, at once,
// and the text goes to stderr.
TEST(MessageBoxes, HeadlessFallbackReturnsTheDefaultButton)
{
    testctl::SetMessageBoxHeadless(true);
    struct Case {
        UINT type;
        int expected;
    } cases[] = {
        {MB_OK | MB_ICONERROR, IDOK},
        {MB_YESNO, IDYES},
        {MB_YESNO | MB_DEFBUTTON2, IDNO},
        {MB_OKCANCEL | MB_DEFBUTTON2, IDCANCEL},
        {MB_YESNOCANCEL | MB_DEFBUTTON3, IDCANCEL},
        {MB_ABORTRETRYIGNORE | MB_DEFBUTTON2, IDRETRY},
        {MB_OK | MB_DEFBUTTON4, IDOK},  // past the last button: the first
        {0xF, IDOK},                    // unknown type: a lone OK
    };
    for (const Case& c : cases) {
        testing::internal::CaptureStderr();
        EXPECT_EQ(MessageBoxA(nullptr, "Engine initializtion failed.", "Error", c.type), c.expected) << c.type;
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find("Error: Engine initializtion failed."), std::string::npos) << err;
    }
    testctl::SetMessageBoxHeadless(false);

    // The offscreen driver has no dialogs either.
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    if (driver && std::string(driver) == "offscreen") {
        testing::internal::CaptureStderr();
        EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_YESNO | MB_DEFBUTTON2), IDNO);
        testing::internal::GetCapturedStderr();
    }

    // An answer chosen by the environment (for runs without a person).
    setenv("QRN_MESSAGEBOX", "yes", 1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_YESNO | MB_DEFBUTTON2), IDYES);
    setenv("QRN_MESSAGEBOX", "7", 1);
    EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_YESNO), IDNO);
    setenv("QRN_MESSAGEBOX", "stderr", 1);
    EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_OKCANCEL | MB_DEFBUTTON2), IDCANCEL);
    testing::internal::GetCapturedStderr();
    unsetenv("QRN_MESSAGEBOX");
}

TEST(DebugOutput, SilentWithoutDebuggerAndCapturedByTests)
{
    unsetenv("QRN_DEBUG_OUTPUT");
    if (!IsDebuggerPresent()) {
        testing::internal::CaptureStderr();
        OutputDebugStringA("Goal: 1.000000, 2.000000, 3.000000 \n");
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    }
    std::vector<std::string> got;
    testctl::SetDebugOutputCapture([&](const char* t) { got.emplace_back(t); });
    OutputDebugStringA("first");
    OutputDebugStringA(nullptr);
    OutputDebugStringA("second\n");
    testctl::SetDebugOutputCapture(nullptr);
    OutputDebugStringA("not captured");
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0], "first");
    EXPECT_EQ(got[1], "second\n");
}

// A name as the original would be given it is found in the program's own
// folder under this platform's library naming.
TEST(Modules, FindsLibrariesInTheProgramFolder)
{
    HMODULE m = LoadLibraryA("qrn_test_loadable.dll");
    ASSERT_NE(m, nullptr);
    using AnswerFn = int (*)(int);
    FARPROC p = GetProcAddress(m, "qrn_test_answer");
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(reinterpret_cast<AnswerFn>(reinterpret_cast<void (*)()>(p))(4), 50);
    EXPECT_TRUE(FreeLibrary(m));
    m = LoadLibraryA("libqrn_test_loadable.so");
    ASSERT_NE(m, nullptr);
    EXPECT_TRUE(FreeLibrary(m));
    EXPECT_EQ(LoadLibraryA("QRN_TEST_LOADABLE"), nullptr);
}

TEST(Modules, LoadsLibrariesAndFindsFunctions)
{
    HMODULE m = LoadLibraryA("libm.so.6");
    ASSERT_NE(m, nullptr);
    using CosFn = double (*)(double);
    FARPROC p = GetProcAddress(m, "cos");
    ASSERT_NE(p, nullptr);
    CosFn cosFn = reinterpret_cast<CosFn>(reinterpret_cast<void (*)()>(p));
    EXPECT_DOUBLE_EQ(cosFn(0.0), 1.0);
    SetLastError(0);
    EXPECT_EQ(GetProcAddress(m, "no_such_function_here"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PROC_NOT_FOUND));
    char path[MAX_PATH];
    EXPECT_GT(GetModuleFileNameA(m, path, sizeof path), 0u);
    EXPECT_NE(std::string(path).find("libm"), std::string::npos);
    EXPECT_TRUE(FreeLibrary(m));

    EXPECT_EQ(LoadLibraryA("no_such_library_xyz.dll"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(LoadLibraryA(nullptr), nullptr);
    EXPECT_EQ(LoadLibraryA(""), nullptr);
    EXPECT_EQ(GetProcAddress(nullptr, "cos"), nullptr);
    EXPECT_EQ(GetProcAddress(GetModuleHandleA(nullptr), nullptr), nullptr);
    EXPECT_EQ(GetProcAddress(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(3)), nullptr);
    EXPECT_FALSE(FreeLibrary(nullptr));
    EXPECT_NE(GetModuleHandleA(nullptr), nullptr);
    EXPECT_EQ(GetModuleHandleA("no_such_library_xyz.so"), nullptr);
    EXPECT_GT(GetModuleFileNameA(nullptr, path, sizeof path), 0u);
    EXPECT_NE(std::string(path).find("test_win32"), std::string::npos);
    EXPECT_EQ(GetModuleFileNameA(nullptr, path, 0), 0u);
    char tiny[4];
    EXPECT_EQ(GetModuleFileNameA(nullptr, tiny, sizeof tiny), 3u);
    EXPECT_EQ(tiny[3], '\0');
}
