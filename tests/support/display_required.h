// What a pixel or input test does when the machine lacks what it needs (a
// display, an OpenGL 4.5 core context, an X server with xdotool).
//
// On a developer's machine the test is skipped. Under CI (CI set to true, as
// CI services do) the same test fails: a pixel suite that passes because
// the display went missing would hide every fault it exists to catch.
#pragma once

#include <cstdlib>
#include <cstring>

#include <gtest/gtest.h>

namespace qrn::test {

// True when CI is set to "true" or "1".
inline bool UnderCi()
{
    const char* ci = std::getenv("CI");
    return ci && (std::strcmp(ci, "true") == 0 || std::strcmp(ci, "1") == 0);
}

}  // namespace qrn::test

// Ends the current test (or fixture set-up) for want of `what`: a failure
// under CI, a skip elsewhere. `what` is streamed into the message.
#define QRN_MISSING_DISPLAY(what)                                                              \
    do {                                                                                       \
        if (::qrn::test::UnderCi()) {                                                          \
            GTEST_FAIL() << "CI must provide this: " << what;                                  \
        } else {                                                                               \
            GTEST_SKIP() << what;                                                              \
        }                                                                                      \
    } while (0)
