// The GL back end of a device: context, textures, buffers, framebuffers,
// copies and clears. Present is in gl_present.cpp and drawing in gl_draw.cpp.
//
// Conventions (see gl_cache.h): every image keeps its top row as GL row 0,
// so rectangles are used as Direct3D gives them; uploads and read-backs use
// direct-state access and never disturb bindings.
#include "gl_backend.h"

#include <SDL2/SDL.h>
#include <epoxy/gl.h>
#include <malloc.h>

#include <qrn_win32_sdl.h>

#include "device_state.h"
#include "direct3d.h"
#include "format.h"
#include "gl_cache.h"
#include "gl_debug.h"
#include "gl_format.h"
#include "resource.h"

namespace qrn::d3d9 {

namespace {

// glibc gives Mesa's per-frame buffers back to the system and faults them in
// again every frame, which makes software rendering several times slower and
// its speed erratic; keep freed memory instead. Done once, before the first
// context.
void RaiseMallocThresholds()
{
    static bool done = false;
    if (done) return;
    done = true;
    mallopt(M_TRIM_THRESHOLD, 512 << 20);
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
}

void DrainErrors()
{
    while (glGetError() != GL_NO_ERROR) {
    }
}

// The window system runs SetContextAttributes before its first window: a
// window's framebuffer configuration is fixed when it is made (EGL surfaces).
// A destroyed window's SDL window stays while a context is current on it.
bool WindowInUse(SDL_Window* window)
{
    return SDL_WasInit(SDL_INIT_VIDEO) && SDL_GL_GetCurrentWindow() == window;
}

[[maybe_unused]] const bool kWindowSystemHooks =
    (qrn::win32::SetWindowGlSetup(&GlBackend::SetContextAttributes), qrn::win32::SetWindowInUseQuery(&WindowInUse), true);

}  // namespace

// ---- the adapter probe -------------------------------------------------------------------
const GlInfo& ProbeGl()
{
    static GlInfo info;
    static bool probed = false;
    if (probed) return info;
    probed = true;
    if (!qrn::win32::EnsureVideo()) return info;
    SDL_Window* previousWindow = SDL_GL_GetCurrentWindow();
    SDL_GLContext previous = SDL_GL_GetCurrentContext();
    GlBackend::SetContextAttributes();
    SDL_Window* w = SDL_CreateWindow("", 0, 0, 16, 16, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!w) return info;
    SDL_GLContext ctx = SDL_GL_CreateContext(w);
    if (ctx) {
        info.available = true;
        const char* r = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
        info.renderer = r ? r : "";
        info.software = info.renderer.find("llvmpipe") != std::string::npos ||
                        info.renderer.find("softpipe") != std::string::npos ||
                        info.renderer.find("swrast") != std::string::npos ||
                        info.renderer.find("Software") != std::string::npos;
        GLint maxTex = 0;
        glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTex);
        info.maxTextureSize = maxTex;
        GLfloat range[2] = {1.0f, 1.0f};
        glGetFloatv(GL_POINT_SIZE_RANGE, range);
        info.maxPointSize = range[1];
        GLfloat aniso = 1.0f;
        glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY, &aniso);
        info.maxAnisotropy = aniso;
        glGetError();  // the query above is an extension on some drivers
        SDL_GL_DeleteContext(ctx);
    }
    SDL_DestroyWindow(w);
    if (previous && previousWindow) SDL_GL_MakeCurrent(previousWindow, previous);
    return info;
}

// ---- context -------------------------------------------------------------------------------
GlBackend::GlBackend(Device* device) : device_(device), cache_(std::make_unique<GlCache>()) {}

GlBackend::~GlBackend() { DestroyContext(); }

void GlBackend::SetContextAttributes()
{
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 4);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 5);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, GlDebugBuild() ? SDL_GL_CONTEXT_DEBUG_FLAG : 0);
}

bool GlBackend::CreateContext(SDL_Window* window)
{
    RaiseMallocThresholds();
    // Something else may have changed the attributes since the window was made.
    SetContextAttributes();
    SDL_GLContext ctx = SDL_GL_CreateContext(window);
    if (!ctx) return false;
    window_ = window;
    context_ = ctx;
    MakeCurrent();
    InstallGlDebugOutput();
    cache_->Reset();
    glCreateFramebuffers(1, &drawFbo_);
    LabelGlObject(GL_FRAMEBUFFER, drawFbo_, "device draw targets");
    return true;
}

void GlBackend::DestroyContext()
{
    if (!context_) return;
    MakeCurrent();
    DropDrawContext();
    DestroyFramebuffer(&drawFbo_);
    SDL_GL_MakeCurrent(nullptr, nullptr);
    SDL_GL_DeleteContext(static_cast<SDL_GLContext>(context_));
    context_ = nullptr;
}

void GlBackend::MakeCurrent()
{
    if (context_ && SDL_GL_GetCurrentContext() != context_)
        SDL_GL_MakeCurrent(window_, static_cast<SDL_GLContext>(context_));
}

void GlBackend::ResetState(bool forceAll)
{
    targetsDirty_ = true;
    MakeCurrent();
    cache_->Reset();
    cache_->SetForceAll(forceAll);
}

void GlBackend::SetForceAll(bool on) { cache_->SetForceAll(on); }

// ---- textures -------------------------------------------------------------------------------
GlName GlBackend::CreateTexture(const FormatInfo& f, UINT w, UINT h, UINT levels, const char* label)
{
    MakeCurrent();
    DrainErrors();
    GLuint tex = 0;
    glCreateTextures(GL_TEXTURE_2D, 1, &tex);
    glTextureStorage2D(tex, static_cast<GLsizei>(levels), f.internal, static_cast<GLsizei>(w),
                       static_cast<GLsizei>(h));
    if (glGetError() != GL_NO_ERROR) {
        glDeleteTextures(1, &tex);
        return 0;
    }
    glTextureParameteri(tex, GL_TEXTURE_BASE_LEVEL, 0);
    glTextureParameteri(tex, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(levels) - 1);
    glTextureParameteri(tex, GL_TEXTURE_MIN_FILTER, levels > 1 ? GL_NEAREST_MIPMAP_NEAREST : GL_NEAREST);
    glTextureParameteri(tex, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    if (!f.depth) ApplySwizzle(tex, f);
    LabelGlObject(GL_TEXTURE, tex, label);
    return tex;
}

void GlBackend::DestroyTexture(GlName* texture)
{
    if (!*texture) return;
    MakeCurrent();
    ForgetTexture(*texture);
    glDeleteTextures(1, texture);
    *texture = 0;
}

void GlBackend::ForgetTexture(GlName texture)
{
    cache_->ForgetTexture(texture);
    targetsDirty_ = true;
}

void GlBackend::SetBaseLevel(GlName texture, UINT level)
{
    MakeCurrent();
    glTextureParameteri(texture, GL_TEXTURE_BASE_LEVEL, static_cast<GLint>(level));
}

void GlBackend::GenerateMipmaps(GlName texture)
{
    MakeCurrent();
    glGenerateTextureMipmap(texture);
}

void GlBackend::UploadRect(GlName texture, int level, const FormatInfo& f, const RECT& r, const uint8_t* src,
                           UINT srcPitch)
{
    MakeCurrent();
    cache_->BindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
    // The row length stays set for the next upload (most have the same pitch).
    cache_->PixelStore(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(srcPitch / f.bytesPerPixel));
    glTextureSubImage2D(texture, level, r.left, r.top, r.right - r.left, r.bottom - r.top, f.glFormat, f.glType, src);
    cache_->CountUpload(static_cast<uint64_t>(r.bottom - r.top) * static_cast<uint64_t>(r.right - r.left) *
                        f.bytesPerPixel);
}

void GlBackend::ReadLevel(GlName texture, int level, const FormatInfo& f, size_t bytes, uint8_t* dst)
{
    MakeCurrent();
    cache_->BindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    glGetTextureImage(texture, level, f.glFormat, f.glType, static_cast<GLsizei>(bytes), dst);
    cache_->CountReadback();
}

// ---- buffers --------------------------------------------------------------------------------
GlName GlBackend::CreateBuffer(size_t bytes, const void* data, bool dynamic, const char* label)
{
    MakeCurrent();
    DrainErrors();
    GLuint b = 0;
    glCreateBuffers(1, &b);
    glNamedBufferData(b, static_cast<GLsizeiptr>(bytes), data, dynamic ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
    if (glGetError() != GL_NO_ERROR) {
        glDeleteBuffers(1, &b);
        return 0;
    }
    LabelGlObject(GL_BUFFER, b, label);
    return b;
}

void GlBackend::UpdateBuffer(GlName buffer, size_t size, size_t offset, size_t bytes, const void* data,
                             bool dynamic)
{
    MakeCurrent();
    if (offset == 0 && bytes == size) {
        // The whole buffer: let GL give it fresh storage rather than wait.
        glNamedBufferData(buffer, static_cast<GLsizeiptr>(size), data, dynamic ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
    } else {
        glNamedBufferSubData(buffer, static_cast<GLintptr>(offset), static_cast<GLsizeiptr>(bytes),
                             static_cast<const uint8_t*>(data) + offset);
    }
    cache_->CountUpload(bytes);
}

void GlBackend::DestroyBuffer(GlName* buffer)
{
    if (!*buffer) return;
    MakeCurrent();
    cache_->ForgetBuffer(*buffer);
    glDeleteBuffers(1, buffer);
    *buffer = 0;
}

// ---- framebuffers ---------------------------------------------------------------------------
GlName GlBackend::CreateSurfaceFramebuffer(GlName texture, int level, bool depth, bool stencil)
{
    MakeCurrent();
    GLuint fbo = 0;
    glCreateFramebuffers(1, &fbo);
    if (depth) {
        glNamedFramebufferTexture(fbo, stencil ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT, texture, level);
        glNamedFramebufferDrawBuffer(fbo, GL_NONE);
        glNamedFramebufferReadBuffer(fbo, GL_NONE);
    } else {
        glNamedFramebufferTexture(fbo, GL_COLOR_ATTACHMENT0, texture, level);
        glNamedFramebufferDrawBuffer(fbo, GL_COLOR_ATTACHMENT0);
        glNamedFramebufferReadBuffer(fbo, GL_COLOR_ATTACHMENT0);
    }
    LabelGlObject(GL_FRAMEBUFFER, fbo, depth ? "depth-stencil surface" : "colour surface");
    return fbo;
}

void GlBackend::DestroyFramebuffer(GlName* fbo)
{
    if (!*fbo) return;
    MakeCurrent();
    cache_->ForgetFramebuffer(*fbo);
    glDeleteFramebuffers(1, fbo);
    *fbo = 0;
}

void GlBackend::BindDrawTargets(const DeviceState& s)
{
    MakeCurrent();
    if (targetsDirty_) {
        const GLenum colorAttachments[kMaxRenderTargets] = {GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1,
                                                            GL_COLOR_ATTACHMENT2, GL_COLOR_ATTACHMENT3};
        GLenum drawBuffers[kMaxRenderTargets];
        for (unsigned i = 0; i < kMaxRenderTargets; ++i) {
            Surface* rt = s.renderTargets[i];
            glNamedFramebufferTexture(drawFbo_, colorAttachments[i], rt ? rt->GlTexture() : 0, rt ? rt->GlLevel() : 0);
            drawBuffers[i] = rt ? colorAttachments[i] : GL_NONE;
        }
        glNamedFramebufferDrawBuffers(drawFbo_, kMaxRenderTargets, drawBuffers);
        Surface* ds = s.depthStencil;
        const bool stencil = ds && ds->Info().stencil;
        glNamedFramebufferTexture(drawFbo_, GL_DEPTH_STENCIL_ATTACHMENT, 0, 0);
        if (ds)
            glNamedFramebufferTexture(drawFbo_, stencil ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT,
                                      ds->GlTexture(), 0);
        targetsDirty_ = false;
    }
    cache_->BindDrawFramebuffer(drawFbo_);
}

void GlBackend::ClearTargets(const DeviceState& s, const RECT* rects, size_t count, bool color, bool depth,
                             bool stencil, D3DCOLOR c, float z, DWORD stencilValue)
{
    GlCache& gl = *cache_;
    // Clearing writes every channel, whatever the write masks say.
    gl.ColorMask(true, true, true, true);
    gl.DepthMask(true);
    gl.StencilWriteMask(0xffffffffu);
    float rgba[4];
    ColorToFloats(c, rgba);
    const GLint st = static_cast<GLint>(stencilValue & 0xff);
    for (size_t n = 0; n < count; ++n) {
        const RECT& r = rects[n];
        gl.ScissorTest(true);
        // Top row first: Direct3D's y is GL's row.
        gl.Scissor(r.left, r.top, r.right - r.left, r.bottom - r.top);
        if (color) {
            for (unsigned i = 0; i < kMaxRenderTargets; ++i)
                if (s.renderTargets[i]) glClearNamedFramebufferfv(drawFbo_, GL_COLOR, static_cast<GLint>(i), rgba);
        }
        if (depth && stencil) {
            glClearNamedFramebufferfi(drawFbo_, GL_DEPTH_STENCIL, 0, z, st);
        } else if (depth) {
            glClearNamedFramebufferfv(drawFbo_, GL_DEPTH, 0, &z);
        } else if (stencil) {
            glClearNamedFramebufferiv(drawFbo_, GL_STENCIL, 0, &st);
        }
        gl.CountClear();
    }
}

void GlBackend::Blit(GlName srcFbo, GlName dstFbo, const RECT& from, const RECT& to, bool depth, bool stencil,
                     bool linear)
{
    MakeCurrent();
    GlCache& gl = *cache_;
    gl.ScissorTest(false);
    gl.ColorMask(true, true, true, true);
    gl.DepthMask(true);
    gl.StencilWriteMask(0xffffffffu);
    const GLbitfield mask =
        depth ? (GL_DEPTH_BUFFER_BIT | (stencil ? GL_STENCIL_BUFFER_BIT : 0)) : GL_COLOR_BUFFER_BIT;
    glBlitNamedFramebuffer(srcFbo, dstFbo, from.left, from.top, from.right, from.bottom, to.left, to.top, to.right,
                           to.bottom, mask, linear && !depth ? GL_LINEAR : GL_NEAREST);
    gl.CountBlit();
}

void GlBackend::FillColor(GlName fbo, const RECT& r, D3DCOLOR color)
{
    MakeCurrent();
    GlCache& gl = *cache_;
    gl.ScissorTest(true);
    gl.Scissor(r.left, r.top, r.right - r.left, r.bottom - r.top);
    gl.ColorMask(true, true, true, true);
    float c[4];
    ColorToFloats(color, c);
    glClearNamedFramebufferfv(fbo, GL_COLOR, 0, c);
    gl.CountClear();
}

}  // namespace qrn::d3d9
