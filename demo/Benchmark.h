// --benchmark: a fixed walk that draws the same frames on every run, timed.
//
// The walker goes round a circle of radius 60 about the map's centre
// (128, 128) at 10 units per second, looking along the path, one frame every
// 1/60 s of walk time whatever the clock says; the frame itself puts the eye
// on the ground. After the warm-up frames, the timed frames are measured and
// a summary is printed: frame rate, frame-time percentiles, draw calls,
// triangles and points per frame, and the start-up time.
#pragma once

#include <chrono>
#include <cstdio>
#include <vector>

#include "Camera.h"
#include "RenderDevice.h"

namespace brackwood {

class CBenchmark {
public:
    static constexpr float kFrameStep = 1.0f / 60.0f;
    static constexpr float kRadius = 60.0f;
    static constexpr float kSpeed = 10.0f;
    static constexpr float kCentreX = 128.0f, kCentreZ = 128.0f;
    static constexpr long kWarmUpFrames = 30;
    static constexpr long kDefaultFrames = 500;

    // mainStart: the moment the program's entry function began.
    CBenchmark(long timedFrames, std::chrono::steady_clock::time_point mainStart,
               long warmUpFrames = kWarmUpFrames);
    ~CBenchmark();
    CBenchmark(const CBenchmark&) = delete;
    CBenchmark& operator=(const CBenchmark&) = delete;

    // Puts the walker at this frame's place on the circle and turns it so
    // that, after the camera's update, it looks along the path.
    void PlaceCamera(qrngu::ICamera* camera);
    // Around one frame's drawing: triangles up to BeginPoints, points after.
    void BeginCounting();
    void BeginPoints();
    void EndCounting();
    // A frame was presented; island is false for title or closing screens.
    void FrameDone(qrn::IRenderDevice* device, bool island);
    bool Finished() const { return m_lDone >= m_lWarmUpFrames + m_lTimedFrames; }
    // The island frame now being drawn is the walk's last one.
    bool LastFrame() const { return m_lDone + 1 == m_lWarmUpFrames + m_lTimedFrames; }
    // The summary, in the form the comparison scripts read.
    void Print(std::FILE* out) const;

    // The place of frame `index` on the circle (x, z) and the heading angle.
    static void PathAt(long index, float* x, float* z, float* angle);

private:
    void CollectQueries(bool wait);

    long m_lTimedFrames;
    long m_lWarmUpFrames;
    long m_lPlaced = 0;
    long m_lDone = 0;
    std::chrono::steady_clock::time_point m_MainStart;
    std::chrono::steady_clock::time_point m_LastFrameEnd{};
    double m_dStartupSeconds = -1.0;
    double m_dProcessStartupSeconds = -1.0;
    std::vector<double> m_vFrameSeconds;
    double m_dDrawCalls = 0;
    // OpenGL primitive queries, a few frames in flight so that reading a
    // result never waits for the frame just drawn.
    static constexpr int kQuerySlots = 4;
    unsigned m_Queries[kQuerySlots][2] = {};
    bool m_bQueryPending[kQuerySlots] = {};
    bool m_bQueryTimed[kQuerySlots] = {};
    int m_nSlot = 0;
    bool m_bCounting = false;
    double m_dTriangles = 0, m_dPoints = 0;
    long m_lCountedFrames = 0;
};

}  // namespace brackwood
