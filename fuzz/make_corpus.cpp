// Writes the fuzz target's seed pictures into the folder given as argument.
#include <cstdio>
#include <string>

#include "image_files.h"

int main(int argc, char** argv)
{
    if (argc < 2) return 1;
    const std::string dir = argv[1];
    auto put = [&](const char* name, const testimg::Bytes& b) {
        FILE* f = fopen((dir + "/" + name).c_str(), "wb");
        if (!f) return;
        fwrite(b.data(), 1, b.size(), f);
        fclose(f);
    };
    auto px = testimg::Quadrants(12, 10);
    put("a.bmp", testimg::Bmp24(12, 10, px));
    put("b.bmp", testimg::Bmp32(12, 10, px));
    put("c.tga", testimg::Tga(12, 10, px, false, false));
    put("d.tga", testimg::Tga(12, 10, px, true, true));
    put("e.png", testimg::Png(12, 10, px, true));
    put("f.png", testimg::Png(12, 10, px, false));
    put("g.jpg", testimg::Jpeg(12, 10, px));
    put("h.jpg", testimg::Jpeg(17, 9, px, 40));
    put("i.jpg", testimg::Jpeg(12, 10, px, 80, true));
    return 0;
}
