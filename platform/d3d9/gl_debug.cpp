// GL object labels and the debug-build message callback.
#include "gl_debug.h"

#include <cstdio>
#include <cstring>

namespace qrn::d3d9 {

namespace {

const char* SeverityText(GLenum severity)
{
    switch (severity) {
    case GL_DEBUG_SEVERITY_HIGH: return "high";
    case GL_DEBUG_SEVERITY_MEDIUM: return "medium";
    case GL_DEBUG_SEVERITY_LOW: return "low";
    default: return "note";
    }
}

void GLAPIENTRY PrintGlMessage(GLenum, GLenum type, GLuint id, GLenum severity, GLsizei, const GLchar* message,
                               const void*)
{
    // Notifications (buffer placement and the like) are noise.
    if (severity == GL_DEBUG_SEVERITY_NOTIFICATION) return;
    std::fprintf(stderr, "d3d9: GL %s (%s, id %u): %s\n", type == GL_DEBUG_TYPE_ERROR ? "error" : "message",
                 SeverityText(severity), id, message);
}

}  // namespace

void InstallGlDebugOutput()
{
    if (!GlDebugBuild()) return;
    GLint flags = 0;
    glGetIntegerv(GL_CONTEXT_FLAGS, &flags);
    if (!(flags & GL_CONTEXT_FLAG_DEBUG_BIT)) return;
    glEnable(GL_DEBUG_OUTPUT);
    glEnable(GL_DEBUG_OUTPUT_SYNCHRONOUS);
    glDebugMessageCallback(PrintGlMessage, nullptr);
}

void LabelGlObject(GLenum kind, GLuint name, const char* label)
{
    if (!name || !label) return;
    glObjectLabel(kind, name, static_cast<GLsizei>(std::strlen(label)), label);
}

}  // namespace qrn::d3d9
