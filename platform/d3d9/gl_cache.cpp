// The GL state shadow: compare, then call.
#include "gl_cache.h"

namespace qrn::d3d9 {

// A forgotten name is replaced by a value no real object has, so the next bind
// of anything to that slot reaches GL.
static constexpr GLuint kUnknownName = 0xffffffffu;

bool GlCache::Need(bool differs)
{
    if (differs || !valid_ || forceAll_) {
        CountState();
        return true;
    }
    ++frame_.skippedCalls;
    ++total_.skippedCalls;
    return false;
}

void GlCache::Reset()
{
    // Fixed choices of the stand-in, set once per context.
    glClipControl(GL_UPPER_LEFT, GL_ZERO_TO_ONE);
    glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glDisable(GL_DITHER);
    glDisable(GL_MULTISAMPLE);
    glEnable(GL_PROGRAM_POINT_SIZE);

    // Then every shadowed state, issued unconditionally with GL's defaults.
    valid_ = false;
    BindDrawFramebuffer(0);
    BindReadFramebuffer(0);
    DepthRange(0.0, 1.0);
    ScissorTest(false);
    ColorMask(true, true, true, true);
    DepthMask(true);
    StencilWriteMask(0xffffffffu);
    ClearColor(0, 0, 0, 0);
    DepthTest(false);
    DepthFunc(GL_LESS);
    StencilTest(false);
    StencilFuncSeparate(GL_FRONT_AND_BACK, GL_ALWAYS, 0, 0xffffffffu);
    StencilOpSeparate(GL_FRONT_AND_BACK, GL_KEEP, GL_KEEP, GL_KEEP);
    Blend(false);
    BlendFuncSeparate(GL_ONE, GL_ZERO, GL_ONE, GL_ZERO);
    BlendEquationSeparate(GL_FUNC_ADD, GL_FUNC_ADD);
    BlendColor(0, 0, 0, 0);
    CullFace(false);
    CullFaceMode(GL_BACK);
    FrontFace(GL_CCW);
    PolygonMode(GL_FILL);
    PolygonOffsetFill(false);
    PolygonOffset(0, 0);
    for (unsigned i = 0; i < clipDistance_.size(); ++i) ClipDistance(i, false);
    PixelStore(GL_UNPACK_ROW_LENGTH, 0);
    PixelStore(GL_PACK_ROW_LENGTH, 0);
    UseProgram(0);
    BindVertexArray(0);
    BindBuffer(GL_ARRAY_BUFFER, 0);
    BindBuffer(GL_UNIFORM_BUFFER, 0);
    BindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    BindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
    for (GLuint u = 0; u < kUnits; ++u) {
        BindTextureUnit(u, 0);
        BindSampler(u, 0);
        BindBufferBase(GL_UNIFORM_BUFFER, u, 0);
    }
    // Viewport and scissor box have no default worth forcing: unknown values
    // make the next setter reach GL.
    viewport_ = {-1, -1, -1, -1};
    scissor_ = {-1, -1, -1, -1};
    valid_ = true;
}

void GlCache::Invalidate()
{
    valid_ = false;
}

void GlCache::CountUpload(uint64_t bytes)
{
    ++frame_.uploads;
    ++total_.uploads;
    frame_.uploadBytes += bytes;
    total_.uploadBytes += bytes;
}

void GlCache::EndFrame()
{
    ++frame_.presents;
    ++total_.presents;
    lastFrame_ = frame_;
    frame_ = GlCounters{};
}

// ---- framebuffers, viewport, scissor ------------------------------------------------
void GlCache::BindDrawFramebuffer(GLuint fbo)
{
    if (!Need(drawFbo_ != fbo)) return;
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, fbo);
    drawFbo_ = fbo;
    CountBind();
}

void GlCache::BindReadFramebuffer(GLuint fbo)
{
    if (!Need(readFbo_ != fbo)) return;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo);
    readFbo_ = fbo;
    CountBind();
}

void GlCache::Viewport(GLint x, GLint y, GLsizei w, GLsizei h)
{
    const std::array<GLint, 4> v{x, y, w, h};
    if (!Need(viewport_ != v)) return;
    glViewport(x, y, w, h);
    viewport_ = v;
}

void GlCache::DepthRange(double n, double f)
{
    const std::array<double, 2> v{n, f};
    if (!Need(depthRange_ != v)) return;
    glDepthRange(n, f);
    depthRange_ = v;
}

void GlCache::ScissorTest(bool on)
{
    if (!Need(scissorTest_ != on)) return;
    if (on)
        glEnable(GL_SCISSOR_TEST);
    else
        glDisable(GL_SCISSOR_TEST);
    scissorTest_ = on;
}

void GlCache::Scissor(GLint x, GLint y, GLsizei w, GLsizei h)
{
    const std::array<GLint, 4> v{x, y, w, h};
    if (!Need(scissor_ != v)) return;
    glScissor(x, y, w, h);
    scissor_ = v;
}

// ---- masks and clear values --------------------------------------------------------------
void GlCache::ColorMask(bool r, bool g, bool b, bool a)
{
    const std::array<bool, 4> v{r, g, b, a};
    if (!Need(colorMask_ != v)) return;
    glColorMask(r, g, b, a);
    colorMask_ = v;
}

void GlCache::DepthMask(bool on)
{
    if (!Need(depthMask_ != on)) return;
    glDepthMask(on ? GL_TRUE : GL_FALSE);
    depthMask_ = on;
}

void GlCache::StencilWriteMask(GLuint mask)
{
    if (!Need(stencilWriteMask_ != mask)) return;
    glStencilMask(mask);
    stencilWriteMask_ = mask;
}

void GlCache::ClearColor(float r, float g, float b, float a)
{
    const std::array<float, 4> v{r, g, b, a};
    if (!Need(clearColor_ != v)) return;
    glClearColor(r, g, b, a);
    clearColor_ = v;
}

// ---- depth, stencil, blending, rasteriser ---------------------------------------------
static void SetCap(GLenum cap, bool on)
{
    if (on)
        glEnable(cap);
    else
        glDisable(cap);
}

void GlCache::DepthTest(bool on)
{
    if (!Need(depthTest_ != on)) return;
    SetCap(GL_DEPTH_TEST, on);
    depthTest_ = on;
}

void GlCache::DepthFunc(GLenum func)
{
    if (!Need(depthFunc_ != func)) return;
    glDepthFunc(func);
    depthFunc_ = func;
}

void GlCache::StencilTest(bool on)
{
    if (!Need(stencilTest_ != on)) return;
    SetCap(GL_STENCIL_TEST, on);
    stencilTest_ = on;
}

std::array<GlCache::StencilFace*, 2> GlCache::Faces(GLenum face)
{
    const bool front = face == GL_FRONT || face == GL_FRONT_AND_BACK;
    const bool back = face == GL_BACK || face == GL_FRONT_AND_BACK;
    return {front ? &stencilFront_ : nullptr, back ? &stencilBack_ : nullptr};
}

void GlCache::StencilFuncSeparate(GLenum face, GLenum func, GLint ref, GLuint mask)
{
    const auto faces = Faces(face);
    bool d = false;
    for (const StencilFace* f : faces) d = d || (f && (f->func != func || f->ref != ref || f->mask != mask));
    if (!Need(d)) return;
    glStencilFuncSeparate(face, func, ref, mask);
    for (StencilFace* f : faces) {
        if (!f) continue;
        f->func = func;
        f->ref = ref;
        f->mask = mask;
    }
}

void GlCache::StencilOpSeparate(GLenum face, GLenum sfail, GLenum dpfail, GLenum dppass)
{
    const auto faces = Faces(face);
    bool d = false;
    for (const StencilFace* f : faces)
        d = d || (f && (f->sfail != sfail || f->dpfail != dpfail || f->dppass != dppass));
    if (!Need(d)) return;
    glStencilOpSeparate(face, sfail, dpfail, dppass);
    for (StencilFace* f : faces) {
        if (!f) continue;
        f->sfail = sfail;
        f->dpfail = dpfail;
        f->dppass = dppass;
    }
}

void GlCache::Blend(bool on)
{
    if (!Need(blend_ != on)) return;
    SetCap(GL_BLEND, on);
    blend_ = on;
}

void GlCache::BlendFuncSeparate(GLenum srcRgb, GLenum dstRgb, GLenum srcA, GLenum dstA)
{
    const std::array<GLenum, 4> v{srcRgb, dstRgb, srcA, dstA};
    if (!Need(blendFunc_ != v)) return;
    glBlendFuncSeparate(srcRgb, dstRgb, srcA, dstA);
    blendFunc_ = v;
}

void GlCache::BlendEquationSeparate(GLenum rgb, GLenum alpha)
{
    const std::array<GLenum, 2> v{rgb, alpha};
    if (!Need(blendEq_ != v)) return;
    glBlendEquationSeparate(rgb, alpha);
    blendEq_ = v;
}

void GlCache::BlendColor(float r, float g, float b, float a)
{
    const std::array<float, 4> v{r, g, b, a};
    if (!Need(blendColor_ != v)) return;
    glBlendColor(r, g, b, a);
    blendColor_ = v;
}

void GlCache::CullFace(bool on)
{
    if (!Need(cullFace_ != on)) return;
    SetCap(GL_CULL_FACE, on);
    cullFace_ = on;
}

void GlCache::CullFaceMode(GLenum mode)
{
    if (!Need(cullMode_ != mode)) return;
    glCullFace(mode);
    cullMode_ = mode;
}

void GlCache::FrontFace(GLenum mode)
{
    if (!Need(frontFace_ != mode)) return;
    glFrontFace(mode);
    frontFace_ = mode;
}

void GlCache::PolygonMode(GLenum mode)
{
    if (!Need(polygonMode_ != mode)) return;
    glPolygonMode(GL_FRONT_AND_BACK, mode);
    polygonMode_ = mode;
}

void GlCache::PolygonOffsetFill(bool on)
{
    if (!Need(polygonOffsetFill_ != on)) return;
    SetCap(GL_POLYGON_OFFSET_FILL, on);
    polygonOffsetFill_ = on;
}

void GlCache::PolygonOffset(float factor, float units)
{
    const std::array<float, 2> v{factor, units};
    if (!Need(polygonOffset_ != v)) return;
    glPolygonOffset(factor, units);
    polygonOffset_ = v;
}

void GlCache::ClipDistance(unsigned i, bool on)
{
    if (i >= clipDistance_.size()) return;
    if (!Need(clipDistance_[i] != on)) return;
    SetCap(GL_CLIP_DISTANCE0 + i, on);
    clipDistance_[i] = on;
}

// ---- program, inputs, textures -------------------------------------------------------------
void GlCache::UseProgram(GLuint program)
{
    if (!Need(program_ != program)) return;
    glUseProgram(program);
    program_ = program;
    ++frame_.programSwitches;
    ++total_.programSwitches;
}

void GlCache::BindVertexArray(GLuint vao)
{
    if (!Need(vao_ != vao)) return;
    glBindVertexArray(vao);
    vao_ = vao;
    // The element buffer binding belongs to the vertex array: what the new
    // one holds is not known, so the next element buffer bind reaches GL.
    elementBuffer_ = kUnknownName;
    CountBind();
}

void GlCache::BindBuffer(GLenum target, GLuint buffer)
{
    GLuint* slot = nullptr;
    switch (target) {
    case GL_ARRAY_BUFFER: slot = &arrayBuffer_; break;
    case GL_ELEMENT_ARRAY_BUFFER: slot = &elementBuffer_; break;
    case GL_UNIFORM_BUFFER: slot = &uniformBuffer_; break;
    case GL_PIXEL_PACK_BUFFER: slot = &pixelPack_; break;
    case GL_PIXEL_UNPACK_BUFFER: slot = &pixelUnpack_; break;
    default: break;
    }
    if (slot) {
        if (!Need(*slot != buffer)) return;
        *slot = buffer;
    } else {
        CountState();
    }
    glBindBuffer(target, buffer);
    CountBind();
}

void GlCache::BindBufferRange(GLenum target, GLuint index, GLuint buffer, GLintptr offset, GLsizeiptr size)
{
    if (target == GL_UNIFORM_BUFFER && index < kUnits) {
        if (!Need(uniformBases_[index] != buffer || uniformOffsets_[index] != offset || uniformSizes_[index] != size))
            return;
        uniformBases_[index] = buffer;
        uniformOffsets_[index] = offset;
        uniformSizes_[index] = size;
        uniformBuffer_ = buffer;  // glBindBufferRange also binds the generic point
    } else {
        CountState();
    }
    glBindBufferRange(target, index, buffer, offset, size);
    CountBind();
}

void GlCache::BindBufferBase(GLenum target, GLuint index, GLuint buffer)
{
    if (target == GL_UNIFORM_BUFFER && index < kUnits) {
        if (!Need(uniformBases_[index] != buffer || uniformOffsets_[index] != -1)) return;
        uniformBases_[index] = buffer;
        uniformOffsets_[index] = -1;
        uniformBuffer_ = buffer;  // glBindBufferBase also binds the generic point
    } else {
        CountState();
    }
    glBindBufferBase(target, index, buffer);
    CountBind();
}

void GlCache::BindTextureUnit(GLuint unit, GLuint texture)
{
    if (unit >= kUnits) return;
    if (!Need(textures_[unit] != texture)) return;
    glBindTextureUnit(unit, texture);
    textures_[unit] = texture;
    CountBind();
}

void GlCache::BindSampler(GLuint unit, GLuint sampler)
{
    if (unit >= kUnits) return;
    if (!Need(samplers_[unit] != sampler)) return;
    glBindSampler(unit, sampler);
    samplers_[unit] = sampler;
    CountBind();
}

// ---- pixel transfers ------------------------------------------------------------------------
void GlCache::PixelStore(GLenum pname, GLint value)
{
    GLint* slot = nullptr;
    if (pname == GL_UNPACK_ROW_LENGTH) slot = &unpackRowLength_;
    if (pname == GL_PACK_ROW_LENGTH) slot = &packRowLength_;
    if (slot) {
        if (!Need(*slot != value)) return;
        *slot = value;
    } else {
        CountState();
    }
    glPixelStorei(pname, value);
}

// ---- forgetting names -------------------------------------------------------------------------

void GlCache::ForgetTexture(GLuint texture)
{
    for (GLuint& t : textures_)
        if (t == texture) t = kUnknownName;
}

void GlCache::ForgetBuffer(GLuint buffer)
{
    ++bufferForgets_;
    for (GLuint* b : {&arrayBuffer_, &elementBuffer_, &uniformBuffer_, &pixelPack_, &pixelUnpack_})
        if (*b == buffer) *b = kUnknownName;
    for (GLuint& b : uniformBases_)
        if (b == buffer) b = kUnknownName;
}

void GlCache::ForgetFramebuffer(GLuint fbo)
{
    if (drawFbo_ == fbo) drawFbo_ = kUnknownName;
    if (readFbo_ == fbo) readFbo_ = kUnknownName;
}

void GlCache::ForgetProgram(GLuint program)
{
    if (program_ == program) program_ = kUnknownName;
}

void GlCache::ForgetVertexArray(GLuint vao)
{
    if (vao_ == vao) {
        vao_ = kUnknownName;
        elementBuffer_ = kUnknownName;
    }
}

void GlCache::ForgetSampler(GLuint sampler)
{
    for (GLuint& s : samplers_)
        if (s == sampler) s = kUnknownName;
}

}  // namespace qrn::d3d9
