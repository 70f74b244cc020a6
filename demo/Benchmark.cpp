// The fixed benchmark walk and its measurements. Draw calls come from the
// Direct3D stand-in's own counters of the device; triangles and points from
// OpenGL primitive queries around the frame's drawing.
#include "Benchmark.h"

#include <epoxy/gl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>

#include <qrn_d3d9_testctl.h>

#include "render/RenderDeviceD3D9.h"

namespace brackwood {

namespace {

// Seconds since this process was started by the system (the kernel counts
// in clock ticks, so the value is good to about 10 ms); negative when the
// system does not tell.
double SecondsSinceProcessStart() {
    std::ifstream stat("/proc/self/stat");
    std::string line;
    if (!std::getline(stat, line)) return -1.0;
    // Field 22 (start time), counted after the command name in parentheses.
    const size_t close = line.rfind(')');
    if (close == std::string::npos) return -1.0;
    std::istringstream fields(line.substr(close + 2));
    std::string field;
    for (int k = 3; k <= 22 && fields >> field; ++k) {
    }
    const long ticks = sysconf(_SC_CLK_TCK);
    timespec now{};
    if (field.empty() || ticks <= 0 || clock_gettime(CLOCK_BOOTTIME, &now) != 0) return -1.0;
    const double started = std::stod(field) / static_cast<double>(ticks);
    return static_cast<double>(now.tv_sec) + now.tv_nsec * 1e-9 - started;
}

// The Direct3D device under the render device, whose counters the stand-in
// keeps. The render device's class is hidden inside the library; only its
// inline accessor is used (this file is built without the sanitiser's
// dynamic type check, which would need that class's type information).
IDirect3DDevice9* D3DDeviceOf(qrn::IRenderDevice* device) {
    return static_cast<qrn::CRenderDeviceD3D9*>(device)->GetD3DDevice();
}

double Percentile(std::vector<double> values, double fraction) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    const size_t rank = static_cast<size_t>(std::ceil(fraction * static_cast<double>(values.size())));
    return values[std::min(values.size(), std::max<size_t>(rank, 1)) - 1];
}

}  // namespace

CBenchmark::CBenchmark(long timedFrames, std::chrono::steady_clock::time_point mainStart, long warmUpFrames)
    : m_lTimedFrames(timedFrames), m_lWarmUpFrames(warmUpFrames), m_MainStart(mainStart) {
    m_vFrameSeconds.reserve(static_cast<size_t>(std::min(timedFrames, 1000000L)));
}

CBenchmark::~CBenchmark() = default;

void CBenchmark::PathAt(long index, float* x, float* z, float* angle) {
    const float a = static_cast<float>(index) * kFrameStep * kSpeed / kRadius;
    *x = kCentreX + kRadius * std::cos(a);
    *z = kCentreZ + kRadius * std::sin(a);
    *angle = a;
}

// The camera starts looking along +z, the path's heading at angle 0; every
// later frame turns it by the angle the path turns in one step (a positive
// yaw turns left, as the circle does).
void CBenchmark::PlaceCamera(qrngu::ICamera* camera) {
    const long index = m_lPlaced++;
    float x = 0, z = 0, angle = 0;
    PathAt(index, &x, &z, &angle);
    qrn::Vector4 p = camera->GetPosition();
    p.x = x;
    p.z = z;
    camera->SetPosition(p);
    camera->SetRotationSpeedY(index == 0 ? 0.0f : kSpeed / kRadius);
    camera->SetSpeed(0.0f);
}

void CBenchmark::BeginCounting() {
    if (m_Queries[0][0] == 0) glGenQueries(kQuerySlots * 2, &m_Queries[0][0]);
    CollectQueries(true);
    glBeginQuery(GL_PRIMITIVES_GENERATED, m_Queries[m_nSlot][0]);
    m_bCounting = true;
}

void CBenchmark::BeginPoints() {
    if (!m_bCounting) return;
    glEndQuery(GL_PRIMITIVES_GENERATED);
    glBeginQuery(GL_PRIMITIVES_GENERATED, m_Queries[m_nSlot][1]);
}

void CBenchmark::EndCounting() {
    if (!m_bCounting) return;
    glEndQuery(GL_PRIMITIVES_GENERATED);
    m_bCounting = false;
    m_bQueryPending[m_nSlot] = true;
    m_bQueryTimed[m_nSlot] = m_lDone >= m_lWarmUpFrames;
    m_nSlot = (m_nSlot + 1) % kQuerySlots;
}

// Reads the results of the slot about to be reused (wait) or of every slot
// (at the end of the run).
void CBenchmark::CollectQueries(bool nextSlotOnly) {
    for (int s = 0; s < kQuerySlots; ++s) {
        if (nextSlotOnly && s != m_nSlot) continue;
        if (!m_bQueryPending[s]) continue;
        GLuint64 triangles = 0, points = 0;
        glGetQueryObjectui64v(m_Queries[s][0], GL_QUERY_RESULT, &triangles);
        glGetQueryObjectui64v(m_Queries[s][1], GL_QUERY_RESULT, &points);
        m_bQueryPending[s] = false;
        if (!m_bQueryTimed[s]) continue;
        m_dTriangles += static_cast<double>(triangles);
        m_dPoints += static_cast<double>(points);
        ++m_lCountedFrames;
    }
}

void CBenchmark::FrameDone(qrn::IRenderDevice* device, bool island) {
    const auto now = std::chrono::steady_clock::now();
    if (!island) {
        m_LastFrameEnd = now;
        return;
    }
    if (m_dStartupSeconds < 0) {
        m_dStartupSeconds = std::chrono::duration<double>(now - m_MainStart).count();
        m_dProcessStartupSeconds = SecondsSinceProcessStart();
    }
    if (m_lDone >= m_lWarmUpFrames && m_lDone < m_lWarmUpFrames + m_lTimedFrames) {
        m_vFrameSeconds.push_back(std::chrono::duration<double>(now - m_LastFrameEnd).count());
        if (IDirect3DDevice9* d3d = D3DDeviceOf(device))
            m_dDrawCalls += static_cast<double>(
                qrn::d3d9::testctl::GetGlCounters(d3d, qrn::d3d9::testctl::CounterSpan::LastFrame).draws);
    }
    m_LastFrameEnd = now;
    ++m_lDone;
    if (Finished() && m_Queries[0][0] != 0) {
        CollectQueries(false);
        glDeleteQueries(kQuerySlots * 2, &m_Queries[0][0]);
        m_Queries[0][0] = 0;
    }
}

void CBenchmark::Print(std::FILE* out) const {
    double seconds = 0;
    for (double s : m_vFrameSeconds) seconds += s;
    const size_t n = m_vFrameSeconds.size();
    std::fprintf(out, "frames=%zu seconds=%.3f fps=%.2f\n", n, seconds, seconds > 0 ? n / seconds : 0.0);
    std::fprintf(out, "frame_ms: p50=%.2f p99=%.2f worst=%.2f\n", Percentile(m_vFrameSeconds, 0.50) * 1e3,
                 Percentile(m_vFrameSeconds, 0.99) * 1e3, Percentile(m_vFrameSeconds, 1.0) * 1e3);
    const double counted = m_lCountedFrames > 0 ? static_cast<double>(m_lCountedFrames) : 1.0;
    std::fprintf(out, "per_frame: draw_calls=%.1f triangles=%.0f points=%.0f\n", n ? m_dDrawCalls / n : 0.0,
                 m_dTriangles / counted, m_dPoints / counted);
    std::fprintf(out, "startup_ms: process_start_to_first_island_frame=%.0f main_to_first_island_frame=%.0f\n",
                 m_dProcessStartupSeconds * 1e3, m_dStartupSeconds * 1e3);
}

}  // namespace brackwood
