// The line between the Direct3D objects and OpenGL: outside the back end's
// gl_* files, no source of the Direct3D 9 stand-in or the window system
// includes a GL header or calls GL, so that new GL code (shaders) cannot
// spread into the objects unnoticed. (The window system does keep the GL
// library loaded while video is up: its windows are OpenGL windows.)
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

TEST(Seam, GlStaysInTheBackEndFiles)
{
    const std::regex gl(R"((#include\s*<epoxy/|\bgl[A-Z]\w*\s*\(|\bGL_[A-Z0-9_]+|\bGL(uint|int|enum|sizei|bitfield)\b|SDL_GL_(?!LoadLibrary)|\begl[A-Z]))");
    int files = 0;
    for (const char* folder : {"platform/d3d9", "platform/win32"}) {
        for (const auto& entry : fs::directory_iterator(fs::path(QRN_SOURCE_DIR) / folder)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind("gl_", 0) == 0) continue;
            ++files;
            std::ifstream in(entry.path());
            std::string line;
            for (int n = 1; std::getline(in, line); ++n) {
                const auto comment = line.find("//");
                const std::string code = comment == std::string::npos ? line : line.substr(0, comment);
                EXPECT_FALSE(std::regex_search(code, gl)) << folder << "/" << name << ":" << n << ": " << line;
            }
        }
    }
    EXPECT_GT(files, 20);  // the folders were found
}
