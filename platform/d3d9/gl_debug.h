// Names for GL objects and, in debug builds, GL's own error reports, so that
// a GL debugger or the driver's messages say which Direct3D object is meant.
#pragma once

#include <epoxy/gl.h>

namespace qrn::d3d9 {

// True in builds without NDEBUG: contexts are made with the debug flag and
// GL's messages are printed.
constexpr bool GlDebugBuild()
{
#ifdef NDEBUG
    return false;
#else
    return true;
#endif
}

// In debug builds, prints GL's error and performance messages (KHR_debug,
// core since 4.3) on stderr as they happen; nothing in release builds, where
// the synchronous callback would cost every call.
void InstallGlDebugOutput();

// Names a GL object (`kind` GL_TEXTURE, GL_BUFFER, GL_FRAMEBUFFER,
// GL_PROGRAM, GL_VERTEX_ARRAY, GL_SAMPLER) after the Direct3D object it serves.
void LabelGlObject(GLenum kind, GLuint name, const char* label);

}  // namespace qrn::d3d9
