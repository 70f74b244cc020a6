// The one shadow of OpenGL state. Every GL state change of the Direct3D 9
// stand-in goes through here: a setter compares with what GL is known to hold
// and issues the call only when something changes (or when the cache is told
// to distrust itself). Calls that do work (draws, clears, blits, uploads) are
// not state, but callers count them here so that tests and benchmarks see
// everything that reached GL.
//
// Conventions shared by every render target (back buffers included): the
// image's top row is GL row 0, so viewport and scissor rectangles are used as
// Direct3D gives them (y down), the draw path negates clip-space y, and
// Present flips the picture while copying it to the window.
//
// One cache per GL context. Resources use direct-state-access calls for
// uploads, so uploads never disturb bindings.
#pragma once

#include <array>
#include <cstdint>

#include <epoxy/gl.h>

namespace qrn::d3d9 {

// What reached GL. `frame` counts since the last Present, `total` since the
// cache was made.
struct GlCounters {
    uint64_t stateCalls = 0;      // state-changing GL calls issued
    uint64_t skippedCalls = 0;    // setter calls that changed nothing and issued nothing
    uint64_t bindCalls = 0;       // framebuffer, VAO, buffer, texture and sampler binds
    uint64_t programSwitches = 0; // glUseProgram
    uint64_t draws = 0;           // glDraw*
    uint64_t clears = 0;          // glClear*
    uint64_t blits = 0;           // framebuffer blits and copies
    uint64_t uploads = 0;         // buffer and texture uploads
    uint64_t uploadBytes = 0;
    uint64_t readbacks = 0;       // glReadPixels / glGetTextureImage
    uint64_t presents = 0;        // swaps
};

class GlCache {
public:
    static constexpr unsigned kUnits = 16;  // texture units / samplers

    // Sets GL and the shadow to the same known values (the GL defaults plus
    // the stand-in's fixed choices: zero-to-one clip depth, first-vertex
    // provoking convention, seamless point sizes from the program). Call after
    // the context is made current for the first time and after any code that
    // touched GL behind the cache's back.
    void Reset();

    // Forgets the shadow: the next setter of every state issues its call.
    void Invalidate();

    // When on, no setter trusts the shadow: every call reaches GL. Used by
    // tests to compare pictures drawn with and without the cache.
    void SetForceAll(bool on) { forceAll_ = on; }
    bool ForceAll() const { return forceAll_; }

    // ---- framebuffers, viewport, scissor --------------------------------------------
    void BindDrawFramebuffer(GLuint fbo);
    void BindReadFramebuffer(GLuint fbo);
    void Viewport(GLint x, GLint y, GLsizei w, GLsizei h);
    void DepthRange(double n, double f);
    void ScissorTest(bool on);
    void Scissor(GLint x, GLint y, GLsizei w, GLsizei h);

    // ---- write masks and clear values -------------------------------------------------
    void ColorMask(bool r, bool g, bool b, bool a);
    void DepthMask(bool on);
    void StencilWriteMask(GLuint mask);  // both faces
    void ClearColor(float r, float g, float b, float a);

    // ---- depth, stencil, blending, rasteriser ----------------------------------------
    void DepthTest(bool on);
    void DepthFunc(GLenum func);
    void StencilTest(bool on);
    void StencilFuncSeparate(GLenum face, GLenum func, GLint ref, GLuint mask);
    void StencilOpSeparate(GLenum face, GLenum sfail, GLenum dpfail, GLenum dppass);
    void Blend(bool on);
    void BlendFuncSeparate(GLenum srcRgb, GLenum dstRgb, GLenum srcA, GLenum dstA);
    void BlendEquationSeparate(GLenum rgb, GLenum alpha);
    void BlendColor(float r, float g, float b, float a);
    void CullFace(bool on);
    void CullFaceMode(GLenum mode);
    void FrontFace(GLenum mode);
    void PolygonMode(GLenum mode);  // GL_FRONT_AND_BACK
    void PolygonOffsetFill(bool on);
    void PolygonOffset(float factor, float units);
    void ClipDistance(unsigned i, bool on);  // 0..5

    // ---- program, inputs, textures ---------------------------------------------------
    void UseProgram(GLuint program);
    void BindVertexArray(GLuint vao);
    void BindBuffer(GLenum target, GLuint buffer);  // GL_ARRAY_BUFFER, GL_UNIFORM_BUFFER, ...
    void BindBufferBase(GLenum target, GLuint index, GLuint buffer);  // uniform slots 0..15
    // A range of a buffer on a uniform slot (the draw path streams its
    // uniform blocks through one buffer).
    void BindBufferRange(GLenum target, GLuint index, GLuint buffer, GLintptr offset, GLsizeiptr size);
    void BindTextureUnit(GLuint unit, GLuint texture);
    void BindSampler(GLuint unit, GLuint sampler);

    // ---- pixel transfers --------------------------------------------------------------
    // glPixelStorei. The row lengths (GL_UNPACK_ROW_LENGTH, GL_PACK_ROW_LENGTH)
    // are shadowed; any other parameter is passed on every time.
    void PixelStore(GLenum pname, GLint value);

    // ---- forgetting deleted names -----------------------------------------------------
    // GL reuses deleted names; a resource calls these just before deleting its
    // GL object so that a later object with the same name is bound again.
    void ForgetTexture(GLuint texture);
    void ForgetBuffer(GLuint buffer);
    // Raised by every ForgetBuffer: vertex arrays that remember which buffer
    // each binding holds drop those memories when it changes.
    uint64_t BufferForgets() const { return bufferForgets_; }
    void ForgetFramebuffer(GLuint fbo);
    void ForgetProgram(GLuint program);
    void ForgetVertexArray(GLuint vao);
    void ForgetSampler(GLuint sampler);

    // ---- counting the work calls ------------------------------------------------------
    // State and bind calls the draw path makes on its own objects (vertex
    // array bindings, sampler parameters), counted like the cache's own.
    void NoteStateCall() { CountState(); }
    void NoteBindCall() { CountBind(); }
    void CountDraw() { ++frame_.draws; ++total_.draws; }
    void CountClear() { ++frame_.clears; ++total_.clears; }
    void CountBlit() { ++frame_.blits; ++total_.blits; }
    void CountUpload(uint64_t bytes);
    void CountReadback() { ++frame_.readbacks; ++total_.readbacks; }
    // Called by Present after the swap: the frame counters start again.
    void EndFrame();

    const GlCounters& FrameCounters() const { return frame_; }
    const GlCounters& LastFrameCounters() const { return lastFrame_; }
    const GlCounters& TotalCounters() const { return total_; }

private:
    // True when the call must be issued: the value differs, the shadow was
    // invalidated, or force-all is on. Counts either way.
    bool Need(bool differs);
    void CountState() { ++frame_.stateCalls; ++total_.stateCalls; }
    void CountBind() { ++frame_.bindCalls; ++total_.bindCalls; }

    bool forceAll_ = false;
    bool valid_ = false;  // false: the shadow is unknown, every setter issues its call

    GLuint drawFbo_ = 0, readFbo_ = 0;
    std::array<GLint, 4> viewport_{};
    std::array<double, 2> depthRange_{0.0, 1.0};
    bool scissorTest_ = false;
    std::array<GLint, 4> scissor_{};
    std::array<bool, 4> colorMask_{true, true, true, true};
    bool depthMask_ = true;
    GLuint stencilWriteMask_ = 0xffffffffu;
    std::array<float, 4> clearColor_{};
    bool depthTest_ = false;
    GLenum depthFunc_ = GL_LESS;
    bool stencilTest_ = false;
    struct StencilFace {
        GLenum func = GL_ALWAYS;
        GLint ref = 0;
        GLuint mask = 0xffffffffu;
        GLenum sfail = GL_KEEP, dpfail = GL_KEEP, dppass = GL_KEEP;
    };
    StencilFace stencilFront_, stencilBack_;
    // The shadows a call for GL_FRONT, GL_BACK or GL_FRONT_AND_BACK sets (null
    // for a face it leaves alone).
    std::array<StencilFace*, 2> Faces(GLenum face);
    bool blend_ = false;
    std::array<GLenum, 4> blendFunc_{GL_ONE, GL_ZERO, GL_ONE, GL_ZERO};
    std::array<GLenum, 2> blendEq_{GL_FUNC_ADD, GL_FUNC_ADD};
    std::array<float, 4> blendColor_{};
    bool cullFace_ = false;
    GLenum cullMode_ = GL_BACK;
    GLenum frontFace_ = GL_CCW;
    GLenum polygonMode_ = GL_FILL;
    bool polygonOffsetFill_ = false;
    std::array<float, 2> polygonOffset_{};
    std::array<bool, 6> clipDistance_{};

    GLint unpackRowLength_ = 0, packRowLength_ = 0;

    GLuint program_ = 0;
    GLuint vao_ = 0;
    GLuint arrayBuffer_ = 0, elementBuffer_ = 0, uniformBuffer_ = 0, pixelPack_ = 0,
           pixelUnpack_ = 0;
    std::array<GLuint, kUnits> uniformBases_{};
    std::array<GLintptr, kUnits> uniformOffsets_{};   // -1: bound whole (BindBufferBase)
    std::array<GLsizeiptr, kUnits> uniformSizes_{};
    std::array<GLuint, kUnits> textures_{};
    std::array<GLuint, kUnits> samplers_{};

    GlCounters frame_, lastFrame_, total_;
    uint64_t bufferForgets_ = 0;
};

}  // namespace qrn::d3d9
