// The device draws each frame into an off-screen framebuffer that its present
// copies (flipped) into the window; between the end of the scene and the
// present, that framebuffer holds the finished picture with its top row at
// the bottom of OpenGL's coordinates. This reads it with the OpenGL context
// the device left current, and restores the one binding it changes.
#include "Screenshot.h"

#include <epoxy/gl.h>

#include <cstdint>
#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBIW_WINDOWS_UTF8 0
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wshadow"
#include <stb_image_write.h>
#pragma GCC diagnostic pop

namespace viewer {

bool SaveScreenshot(const char* file) {
    if (!file) return false;
    GLint drawFbo = 0, readFbo = 0, packAlignment = 4;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &drawFbo);
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &readFbo);
    glGetIntegerv(GL_PACK_ALIGNMENT, &packAlignment);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(drawFbo));
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    GLint width = 0, height = 0;
    if (drawFbo != 0) {
        glGetFramebufferAttachmentParameteriv(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0,
                                              GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE, &width);
        GLint name = 0;
        glGetFramebufferAttachmentParameteriv(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0,
                                              GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME, &name);
        if (width == GL_TEXTURE) {
            glGetTextureLevelParameteriv(static_cast<GLuint>(name), 0, GL_TEXTURE_WIDTH, &width);
            glGetTextureLevelParameteriv(static_cast<GLuint>(name), 0, GL_TEXTURE_HEIGHT, &height);
        } else if (width == GL_RENDERBUFFER) {
            glGetNamedRenderbufferParameteriv(static_cast<GLuint>(name), GL_RENDERBUFFER_WIDTH, &width);
            glGetNamedRenderbufferParameteriv(static_cast<GLuint>(name), GL_RENDERBUFFER_HEIGHT, &height);
        } else {
            width = height = 0;
        }
    }
    if (width <= 0 || height <= 0) {
        width = viewport[0] + viewport[2];
        height = viewport[1] + viewport[3];
    }
    bool ok = false;
    if (width > 0 && height > 0 && width <= 16384 && height <= 16384) {
        std::vector<std::uint8_t> rgba(static_cast<size_t>(width) * height * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        glPixelStorei(GL_PACK_ALIGNMENT, packAlignment);
        // The picture is opaque: keep red, green and blue.
        std::vector<std::uint8_t> rgb(static_cast<size_t>(width) * height * 3);
        for (size_t p = 0, n = static_cast<size_t>(width) * height; p < n; ++p)
            for (int c = 0; c < 3; ++c) rgb[p * 3 + c] = rgba[p * 4 + c];
        // The window's own framebuffer (no off-screen one) is bottom-up.
        const bool bottomUp = drawFbo == 0;
        stbi_flip_vertically_on_write(bottomUp ? 1 : 0);
        ok = glGetError() == GL_NO_ERROR &&
             stbi_write_png(file, width, height, 3, rgb.data(), width * 3) != 0;
    }
    glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(readFbo));
    return ok;
}

}  // namespace viewer
