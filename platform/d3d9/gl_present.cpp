// The GL steps of Present: bind the window, compose the frame into the
// window's framebuffer, capture it for a test, swap.
//
// Every back buffer keeps its top row first (GL row 0), while a window's
// framebuffer counts rows from the bottom: composition flips the picture in
// the one copy it makes.
#include <SDL2/SDL.h>
#include <epoxy/egl.h>
#include <epoxy/gl.h>

#include <algorithm>

#include "format.h"
#include "gl_backend.h"
#include "gl_cache.h"
#include "resource.h"

namespace qrn::d3d9 {

void GlBackend::BindWindow(SDL_Window* window, int interval)
{
    if (SDL_GL_GetCurrentWindow() != window || SDL_GL_GetCurrentContext() != context_)
        SDL_GL_MakeCurrent(window, static_cast<SDL_GLContext>(context_));
    if (interval != lastSwapInterval_) {
        SDL_GL_SetSwapInterval(interval);  // may fail (no vertical sync here): harmless
        lastSwapInterval_ = interval;
    }
}

// SDL reports the window's size; an EGL pbuffer (SDL's offscreen driver)
// keeps the size it was made with, and rows must be counted in the
// framebuffer that really exists.
void GlBackend::WindowFramebufferSize(SDL_Window* window, int* w, int* h)
{
    SDL_GL_GetDrawableSize(window, w, h);
    if (!epoxy_has_egl()) return;
    EGLDisplay display = eglGetCurrentDisplay();
    EGLSurface surface = eglGetCurrentSurface(EGL_DRAW);
    if (display == EGL_NO_DISPLAY || surface == EGL_NO_SURFACE) return;
    EGLint sw = 0, sh = 0;
    if (eglQuerySurface(display, surface, EGL_WIDTH, &sw) && eglQuerySurface(display, surface, EGL_HEIGHT, &sh) &&
        sw > 0 && sh > 0) {
        *w = sw;
        *h = sh;
    }
}

// The brush colour around the picture, then the one copy of the back buffer.
void GlBackend::Compose(const PresentFrame& frame, GlName fbo, int dw, int dh)
{
    GlCache& gl = *cache_;
    RECT target = frame.fullscreen ? RECT{0, 0, dw, dh} : frame.target;
    if (frame.offset)
        target = RECT{target.left + frame.dst.left, target.top + frame.dst.top, target.left + frame.dst.right,
                      target.top + frame.dst.bottom};
    gl.BindDrawFramebuffer(fbo);
    gl.ColorMask(true, true, true, true);
    if (frame.border) {
        float bg[4];
        ColorToFloats(0xff000000u | frame.borderRgb, bg);
        const RECT strips[4] = {
            {0, 0, dw, target.top},                         // above
            {0, target.bottom, dw, dh},                     // below
            {0, target.top, target.left, target.bottom},    // left
            {target.right, target.top, dw, target.bottom},  // right
        };
        gl.ScissorTest(true);
        gl.ClearColor(bg[0], bg[1], bg[2], bg[3]);
        for (const RECT& strip : strips) {
            RECT c;
            if (!IntersectRects(strip, RECT{0, 0, dw, dh}, &c)) continue;
            gl.Scissor(c.left, dh - c.bottom, c.right - c.left, c.bottom - c.top);
            // (The named clear of a window's framebuffer does nothing on
            // some drivers; the bound clear works everywhere.)
            glClear(GL_COLOR_BUFFER_BIT);
            gl.CountClear();
        }
    }
    gl.ScissorTest(false);
    const RECT& from = frame.from;
    const bool sameSize = (from.right - from.left) == (target.right - target.left) &&
                          (from.bottom - from.top) == (target.bottom - target.top);
    gl.BindReadFramebuffer(frame.backBufferFbo);
    glBlitFramebuffer(from.left, from.top, from.right, from.bottom, target.left, dh - target.top, target.right,
                      dh - target.bottom, GL_COLOR_BUFFER_BIT, sameSize ? GL_NEAREST : GL_LINEAR);
    gl.CountBlit();
}

// Where the window system's framebuffer is not the window's size (an EGL
// pbuffer keeps its first size), the frame is composed once more at the
// window's size for the copy.
void GlBackend::Capture(SDL_Window* window, const PresentFrame& frame, int fbW, int fbH,
                        std::vector<uint32_t>* pixels, int* outW, int* outH)
{
    GlCache& gl = *cache_;
    int ww = 0, wh = 0;
    SDL_GL_GetDrawableSize(window, &ww, &wh);
    GLuint tex = 0, fbo = 0;
    if (ww != fbW || wh != fbH) {
        glCreateTextures(GL_TEXTURE_2D, 1, &tex);
        glTextureStorage2D(tex, 1, GL_RGBA8, ww, wh);
        glCreateFramebuffers(1, &fbo);
        glNamedFramebufferTexture(fbo, GL_COLOR_ATTACHMENT0, tex, 0);
        glNamedFramebufferReadBuffer(fbo, GL_COLOR_ATTACHMENT0);
        Compose(frame, fbo, ww, wh);
    } else {
        ww = fbW;
        wh = fbH;
    }
    pixels->assign(static_cast<size_t>(ww) * static_cast<size_t>(wh), 0);
    gl.BindReadFramebuffer(fbo);
    gl.BindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    glReadPixels(0, 0, ww, wh, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, pixels->data());
    gl.CountReadback();
    if (fbo) {
        gl.ForgetFramebuffer(fbo);
        glDeleteFramebuffers(1, &fbo);
        glDeleteTextures(1, &tex);
        gl.BindDrawFramebuffer(0);
    }
    // Rows top first, like the window.
    for (int y = 0; y < wh / 2; ++y)
        std::swap_ranges(pixels->begin() + static_cast<ptrdiff_t>(y) * ww,
                         pixels->begin() + static_cast<ptrdiff_t>(y + 1) * ww,
                         pixels->begin() + static_cast<ptrdiff_t>(wh - 1 - y) * ww);
    *outW = ww;
    *outH = wh;
}

void GlBackend::Swap(SDL_Window* window)
{
    SDL_GL_SwapWindow(window);
    cache_->EndFrame();
}

}  // namespace qrn::d3d9
