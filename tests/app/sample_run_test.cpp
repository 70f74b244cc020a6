// The sample program run end to end on the offscreen driver.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace {

int RunSample(const std::string& args)
{
    const int status = std::system(("timeout -k 5 60 ./sample_app " + args + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(SampleRun, EndsAfterTheGivenFramesWindowedAndFullScreen)
{
    if (access("./sample_app", X_OK) != 0) GTEST_SKIP() << "sample_app is not built";
    EXPECT_EQ(RunSample("--windowed --frames 20"), 0);
    EXPECT_EQ(RunSample("--fullscreen --frames 20"), 0);
}

TEST(SampleRun, RefusesUnknownOptions)
{
    if (access("./sample_app", X_OK) != 0) GTEST_SKIP() << "sample_app is not built";
    EXPECT_EQ(RunSample("--frames"), 2);
    EXPECT_EQ(RunSample("--frames 0"), 2);
    EXPECT_EQ(RunSample("--frames 12x"), 2);
    EXPECT_EQ(RunSample("--window"), 2);
}

} // namespace
