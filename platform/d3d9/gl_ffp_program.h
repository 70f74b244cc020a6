// Compiled fixed-function programs, one per distinct key, made on first use
// and kept for the life of the GL context.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

#include <epoxy/gl.h>

#include "ffp_key.h"

namespace qrn::d3d9 {

class GlCache;

class FfpProgramCache {
public:
    // The program for `key`, compiled and linked on first use. 0 when the
    // text failed to compile (the log goes to the debugger output once; the
    // failure is remembered so it is not retried every draw).
    GLuint Get(const FfpKey& key);

    // Deletes every program (the cache forgets their names first).
    void Clear(GlCache& cache);

    size_t Size() const { return programs_.size(); }
    uint64_t Compiles() const { return compiles_; }

private:
    std::unordered_map<FfpKey, GLuint, FfpKeyHash> programs_;
    uint64_t compiles_ = 0;
};

// Compiles and links a vertex + fragment pair; 0 on failure with the log in
// `log` when given.
GLuint LinkGlslProgram(const char* vertexText, const char* fragmentText, std::string* log);

}  // namespace qrn::d3d9
