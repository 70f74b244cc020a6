#include "Options.h"

#include <cerrno>
#include <cstdlib>

#include "Benchmark.h"

namespace brackwood {

namespace {

// Frame counts beyond this are a typing error (this many frames take days).
constexpr long kMaxFrames = 100000000;

bool ParseCount(const char* text, long* value) {
    if (!text || !*text) return false;
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (errno != 0 || !end || *end != '\0' || v <= 0 || v > kMaxFrames) return false;
    *value = v;
    return true;
}

}  // namespace

const char* UsageText() {
    return "usage: Brackwood [--windowed | --fullscreen] [--frames N] [--screenshot FILE]\n"
           "                 [--benchmark [N]] [--help]\n"
           "Walk over the island. Run it in the folder that holds its files.\n"
           "  --windowed, --fullscreen  answer the start-up question in advance\n"
           "  --frames N                end after N frames\n"
           "  --screenshot FILE         save the last frame as a PNG picture (after 60 frames\n"
           "                            unless --frames is given)\n"
           "  --benchmark [N]           walk a fixed circle with the rain on, 30 warm-up frames\n"
           "                            and N timed frames (default 500), print the timings, end\n"
           "  --help                    this text\n"
           "Keys: W/A/S/D or arrows walk, the mouse looks, Space fires, R rain, N evening,\n"
           "F/G fog, B tree boxes, F3 credits, Escape twice quits.\n";
}

bool ParseOptions(int argc, const char* const* argv, SOptions* o, std::string* error) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            o->help = true;
        } else if (a == "--windowed") {
            o->windowed = 1;
        } else if (a == "--fullscreen") {
            o->windowed = 0;
        } else if (a == "--frames") {
            if (i + 1 >= argc || !ParseCount(argv[++i], &o->frames)) {
                *error = "--frames needs a whole number of frames from 1 to 100000000";
                return false;
            }
        } else if (a == "--screenshot") {
            if (i + 1 >= argc || !*argv[i + 1]) {
                *error = "--screenshot needs a file name";
                return false;
            }
            o->screenshot = argv[++i];
        } else if (a == "--benchmark") {
            o->benchmarkFrames = CBenchmark::kDefaultFrames;
            if (i + 1 < argc && argv[i + 1][0] != '-' && !ParseCount(argv[++i], &o->benchmarkFrames)) {
                *error = "--benchmark takes a whole number of timed frames from 1 to 100000000";
                return false;
            }
        } else {
            *error = "unknown option " + a;
            return false;
        }
    }
    // A screenshot alone ends the run after 60 frames; the timed walk ends by
    // itself and saves its last frame.
    if (o->screenshot && o->frames == 0 && o->benchmarkFrames == 0) o->frames = 60;
    // The timed walk runs in a window unless full screen is asked for.
    if (o->benchmarkFrames > 0 && o->windowed < 0) o->windowed = 1;
    return true;
}

}  // namespace brackwood
