#include "SampleRun.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "RenderDevice.h"
#include "Screenshot.h"

namespace viewer {

bool ParseSampleOptions(int argc, char** argv, SampleOptions* o,
                        const std::function<bool(const char* argument)>& other) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--windowed") {
            o->windowed = true;
        } else if (a == "--screenshot" && i + 1 < argc) {
            o->screenshot = argv[++i];
        } else if (a == "--frames" && i + 1 < argc) {
            char* end = nullptr;
            o->frames = std::strtol(argv[++i], &end, 10);
            if (!end || *end || o->frames <= 0 || o->frames > 10000000) return false;
        } else if (!other || !other(argv[i])) {
            return false;
        }
    }
    if (o->screenshot && o->frames == 0) o->frames = 60;
    return true;
}

CSampleApplication::CSampleApplication(const char* name, const SampleOptions& options, const char* rateName)
    : m_Name(name), m_RateName(rateName ? rateName : name), m_Sample(options) {}

int CSampleApplication::Run() {
    while (Update() && !m_bDone) {
    }
    if (m_Sample.screenshot && !m_bSaved) {
        std::fprintf(stderr, "%s: could not save %s\n", m_Name, m_Sample.screenshot);
        return 1;
    }
    return 0;
}

bool CSampleApplication::BeginFrame() {
    ++m_lFrame;
    m_bLast = m_Sample.frames > 0 && m_lFrame >= m_Sample.frames;
    if (m_lFrame == 2) m_dwStart = timeGetTime();  // the first frame's time is start-up
    return !(m_bLast && m_Sample.screenshot);
}

void CSampleApplication::EndFrame() {
    if (!m_bLast) return;
    if (m_Sample.screenshot) {
        m_bSaved = SaveScreenshot(m_Sample.screenshot);
        // Present the same picture as well.
        if (m_pRenderDevice->BeginRendering(false, false, false)) m_pRenderDevice->EndRendering(true);
    }
    const DWORD ms = timeGetTime() - m_dwStart;
    if (m_lFrame > 2 && ms > 0)
        std::printf("%s: %ld frames, %.1f frames per second\n", m_RateName, m_lFrame - 1,
                    (m_lFrame - 1) * 1000.0 / ms);
    m_bDone = true;
}

}  // namespace viewer
