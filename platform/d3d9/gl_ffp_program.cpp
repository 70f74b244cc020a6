// The fixed-function program cache: key -> generated text -> linked program.
#include "gl_ffp_program.h"
#include "gl_debug.h"

#include <string>

#include "ffp_glsl.h"
#include "gl_cache.h"
#include "windows.h"

namespace qrn::d3d9 {

namespace {

GLuint CompileStage(GLenum type, const char* text, std::string* log)
{
    GLuint sh = glCreateShader(type);
    glShaderSource(sh, 1, &text, nullptr);
    glCompileShader(sh);
    GLint ok = GL_FALSE;
    glGetShaderiv(sh, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        if (log) {
            char buf[4096] = {};
            glGetShaderInfoLog(sh, sizeof buf - 1, nullptr, buf);
            *log += buf;
        }
        glDeleteShader(sh);
        return 0;
    }
    return sh;
}

}  // namespace

GLuint LinkGlslProgram(const char* vertexText, const char* fragmentText, std::string* log)
{
    GLuint vs = CompileStage(GL_VERTEX_SHADER, vertexText, log);
    GLuint fs = vs ? CompileStage(GL_FRAGMENT_SHADER, fragmentText, log) : 0;
    if (!vs || !fs) {
        if (vs) glDeleteShader(vs);
        return 0;
    }
    GLuint prog = glCreateProgram();
    glAttachShader(prog, vs);
    glAttachShader(prog, fs);
    glLinkProgram(prog);
    glDetachShader(prog, vs);
    glDetachShader(prog, fs);
    glDeleteShader(vs);
    glDeleteShader(fs);
    GLint ok = GL_FALSE;
    glGetProgramiv(prog, GL_LINK_STATUS, &ok);
    if (!ok) {
        if (log) {
            char buf[4096] = {};
            glGetProgramInfoLog(prog, sizeof buf - 1, nullptr, buf);
            *log += buf;
        }
        glDeleteProgram(prog);
        return 0;
    }
    return prog;
}

GLuint FfpProgramCache::Get(const FfpKey& key)
{
    auto it = programs_.find(key);
    if (it != programs_.end()) return it->second;
    ++compiles_;
    const std::string vs = FfpVertexShaderText(key), fs = FfpFragmentShaderText(key);
    std::string log;
    GLuint prog = LinkGlslProgram(vs.c_str(), fs.c_str(), &log);
    if (!prog) {
        std::string msg = "<d3d9> fixed-function program failed to build:\n" + log + "\n--- vertex ---\n" + vs +
                          "--- fragment ---\n" + fs;
        OutputDebugStringA(msg.c_str());
    }
    LabelGlObject(GL_PROGRAM, prog, "fixed-function program");
    programs_.emplace(key, prog);
    return prog;
}

void FfpProgramCache::Clear(GlCache& cache)
{
    for (auto& [key, prog] : programs_) {
        if (!prog) continue;
        cache.ForgetProgram(prog);
        glDeleteProgram(prog);
    }
    programs_.clear();
}

}  // namespace qrn::d3d9
