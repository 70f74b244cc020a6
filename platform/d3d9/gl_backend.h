// The seam between the Direct3D 9 objects and OpenGL.
//
// The Direct3D objects (device*.cpp, surface.cpp, texture.cpp, buffer.cpp,
// swapchain.cpp, direct3d.cpp) record what they are told and validate it;
// whatever must reach the GPU goes through the operations below, one backend
// per device. Every GL call of the stand-in lives in files named gl_*:
//
//   gl_backend.cpp   context, textures, buffers, framebuffers, copies, clears
//   gl_present.cpp   the steps of Present (window, composition, capture, swap)
//   gl_draw*.cpp     the draw path: state, program, vertex input, draw calls
//   gl_ffp_program.* the fixed-function programs, compiled and linked
//   gl_format.cpp    the Direct3D format table and its GL storage
//   gl_cache.*       the one shadow of GL state
//   gl_debug.cpp     object labels and the debug-build error check
//
// Names handed out here are GL object names (0 = none); the Direct3D side
// stores them and hands them back, never looks inside. Operations that make,
// change, copy or draw make the device's context current first, so callers
// need not; ClearTargets follows BindDrawTargets, and the present steps
// follow BindWindow.
//
// This header includes no GL header on purpose: the Direct3D objects include
// it and must not see GL.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include <d3d9.h>

struct SDL_Window;

namespace qrn::d3d9 {

using GlName = uint32_t;

class GlCache;
class Device;
struct DeviceState;
struct DrawContext;
struct FormatInfo;
class Surface;

// What Present composes: which part of which back buffer, placed where in
// the window's top-level client area, and the brush colour around it.
struct PresentFrame {
    GlName backBufferFbo = 0;
    RECT from{};              // part of the back buffer shown
    RECT target{};            // the window's rectangle in its top-level window's client area
    bool fullscreen = false;  // the window is the whole framebuffer instead
    bool offset = false;      // `dst` moves and sizes the picture inside that rectangle
    RECT dst{};
    bool border = false;      // fill around the picture with `borderRgb`
    uint32_t borderRgb = 0;   // 0x00RRGGBB
};

// A draw once validated: the primitive, its GL vertex count and where the
// vertices and indices come from.
struct DrawCall {
    D3DPRIMITIVETYPE type = D3DPT_POINTLIST;
    UINT vertices = 0;        // vertices (or indices) that the primitives use
    UINT startVertex = 0;     // DrawPrimitive
    INT baseVertex = 0;       // DrawIndexedPrimitive
    UINT startIndex = 0;      // DrawIndexedPrimitive
    UINT minIndex = 0;        // the *UP calls: stated vertex range
    UINT numVertices = 0;
    uint64_t lastVertex = 0;  // vertices the device streams must hold (exclusive end)
    const void* userVertices = nullptr;  // the *UP calls
    UINT userStride = 0;
    const void* userIndices = nullptr;
    UINT indexSize = 0;       // 2 or 4 for indexed draws
};

// Outcome of a draw in the back end: drawn, or why not.
enum class DrawResult { Drawn, NoContext, BadLayout, StreamMissing, UserStreams, RingFull, NoProgram };
const char* DrawResultText(DrawResult r);

class GlBackend {
public:
    explicit GlBackend(Device* device);
    ~GlBackend();
    GlBackend(const GlBackend&) = delete;
    GlBackend& operator=(const GlBackend&) = delete;

    // ---- context ------------------------------------------------------------------------
    // Sets the attributes every window and context is made with (4.5 core,
    // double-buffered, no depth or stencil in the window: drawing goes to
    // framebuffer objects).
    static void SetContextAttributes();
    // Makes the context on `window` and sets GL and the cache to known
    // values; false when no 4.5 core context can be had.
    bool CreateContext(SDL_Window* window);
    void DestroyContext();
    bool HasContext() const { return context_ != nullptr; }
    void MakeCurrent();
    // Sets GL and the state cache to the same known values (after creation
    // and a reset); `forceAll` makes every later setter reach GL.
    void ResetState(bool forceAll);
    void SetForceAll(bool on);
    GlCache& Cache() { return *cache_; }

    // ---- textures -----------------------------------------------------------------------
    // Storage for a texture of `levels` levels; 0 on failure (GL out of memory).
    GlName CreateTexture(const FormatInfo& f, UINT width, UINT height, UINT levels, const char* label);
    void DestroyTexture(GlName* texture);
    void SetBaseLevel(GlName texture, UINT level);
    void GenerateMipmaps(GlName texture);
    // Rows of `src` (pitch in bytes) into rectangle r of a level.
    void UploadRect(GlName texture, int level, const FormatInfo& f, const RECT& r, const uint8_t* src,
                    UINT srcPitch);
    // A whole level into dst (tight rows, `bytes` in all).
    void ReadLevel(GlName texture, int level, const FormatInfo& f, size_t bytes, uint8_t* dst);

    // ---- buffers ------------------------------------------------------------------------
    // A buffer holding `bytes` of `data`; 0 on failure (GL out of memory).
    GlName CreateBuffer(size_t bytes, const void* data, bool dynamic, const char* label);
    // Writes a range; the whole buffer gets fresh storage instead of a wait.
    void UpdateBuffer(GlName buffer, size_t size, size_t offset, size_t bytes, const void* data, bool dynamic);
    void DestroyBuffer(GlName* buffer);

    // ---- framebuffers -------------------------------------------------------------------
    // A framebuffer with one level attached (colour, or depth with or
    // without stencil), for copies and read-backs.
    GlName CreateSurfaceFramebuffer(GlName texture, int level, bool depth, bool stencil);
    void DestroyFramebuffer(GlName* fbo);
    // Attaches the device's render targets and depth-stencil surface to its
    // draw framebuffer (when they changed) and binds it for drawing.
    void BindDrawTargets(const DeviceState& s);
    // The render targets changed, or a texture they may hold went away.
    void DrawTargetsChanged() { targetsDirty_ = true; }
    // Clears rectangles (top row first) of the bound targets: colour of
    // every bound render target, depth, stencil, as asked.
    void ClearTargets(const DeviceState& s, const RECT* rects, size_t count, bool color, bool depth, bool stencil,
                      D3DCOLOR c, float z, DWORD stencilValue);
    // Copies between two framebuffers (whole depth-stencil surfaces when `depth`).
    void Blit(GlName srcFbo, GlName dstFbo, const RECT& from, const RECT& to, bool depth, bool stencil,
              bool linear);
    // Fills rectangle r of a colour framebuffer.
    void FillColor(GlName fbo, const RECT& r, D3DCOLOR color);
    // Forgets a texture name about to be deleted (cache slots, attachments).
    void ForgetTexture(GlName texture);

    // ---- drawing (gl_draw.cpp) -----------------------------------------------------------
    DrawResult Draw(DeviceState& s, const DrawCall& call);
    // Frees the draw path's programs, vertex arrays and ring; made again on
    // the next draw.
    void DropDrawContext();
    DrawContext* GetDrawContext() const { return draw_; }

    // ---- present (gl_present.cpp) ---------------------------------------------------------
    // Makes the context current on `window` with the swap interval of the
    // swap chain (0 immediate, 1 otherwise).
    void BindWindow(SDL_Window* window, int interval);
    // Size of the window's framebuffer (an EGL pbuffer keeps its first size).
    void WindowFramebufferSize(SDL_Window* window, int* w, int* h);
    // Draws the frame into framebuffer `fbo` (0: the window's) of w x h
    // pixels standing for the window's client area.
    void Compose(const PresentFrame& frame, GlName fbo, int w, int h);
    // The picture the window shows, rows top first, as 0xAARRGGBB.
    void Capture(SDL_Window* window, const PresentFrame& frame, int fbW, int fbH, std::vector<uint32_t>* pixels,
                 int* w, int* h);
    void Swap(SDL_Window* window);

private:
    friend DrawContext* EnsureDrawContext(Device* device);

    Device* device_;
    SDL_Window* window_ = nullptr;  // the window the context was made on
    void* context_ = nullptr;       // SDL_GLContext
    std::unique_ptr<GlCache> cache_;
    GlName drawFbo_ = 0;
    bool targetsDirty_ = true;
    int lastSwapInterval_ = -2;
    DrawContext* draw_ = nullptr;
};

}  // namespace qrn::d3d9
