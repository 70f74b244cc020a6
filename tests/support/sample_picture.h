// Runs a sample program from the bin folder with a timed, windowed run that
// saves its last frame, and reads that picture back. The PNG reader's code is
// compiled here: include this header in one source file of a test binary
// (whose target adds ${STB_INCLUDE_DIR}).
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wshadow"
#pragma GCC diagnostic ignored "-Wunused-function"
#include <stb_image.h>
#pragma GCC diagnostic pop

namespace sampletest {

inline bool Exists(const char* path) {
    std::FILE* f = std::fopen(path, "rb");
    if (f) std::fclose(f);
    return f != nullptr;
}

// A picture read from a PNG file: w x h pixels of 3 bytes (RGB), top row first.
struct Picture {
    Picture() = default;
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;
    ~Picture() { stbi_image_free(px); }

    int w = 0, h = 0;
    unsigned char* px = nullptr;
};

// Runs `program` (a path and any arguments of its own) for 3 frames in a
// window, saving the last to `shot`, and reads that picture. Fails (fatally:
// wrap the call in ASSERT_NO_FATAL_FAILURE) when the program fails or the
// picture is missing or under 101 x 101 pixels.
inline void SaveSamplePicture(const std::string& program, const std::string& shot, Picture* picture) {
    const std::string cmd = program + " --windowed --screenshot " + shot + " --frames 3 > /dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    int n = 0;
    picture->px = stbi_load(shot.c_str(), &picture->w, &picture->h, &n, 3);
    ASSERT_NE(picture->px, nullptr);
    ASSERT_GT(picture->w, 100);
    ASSERT_GT(picture->h, 100);
}

}  // namespace sampletest
