// assetgen: writes every file the demo reads into one folder.
//
//   assetgen <output folder> [--docs <folder>] [--quiet]
//
// With --docs it also writes small PNG pictures of the island's colour map,
// the six sky faces and the title screen. The same program always writes
// the same bytes.
#include "assetgen.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>

namespace fs = std::filesystem;
using namespace assetgen;

namespace {

bool WriteFile(const fs::path& path, const Bytes& data) {
    // Write beside the target and rename, so that a reader never sees half
    // a file and an interrupted run leaves the old one.
    fs::path tmp = path;
    tmp += ".part";
    {
        std::ofstream f(tmp, std::ios::binary | std::ios::trunc);
        if (!f)
            return false;
        f.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
        if (!f)
            return false;
    }
    std::error_code ec;
    fs::rename(tmp, path, ec);
    return !ec;
}

int Usage() {
    std::fprintf(stderr, "usage: assetgen <output folder> [--docs <folder>] [--quiet]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    const char* outDir = nullptr;
    const char* docsDir = nullptr;
    bool quiet = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--docs") == 0 && i + 1 < argc)
            docsDir = argv[++i];
        else if (std::strcmp(argv[i], "--quiet") == 0)
            quiet = true;
        else if (argv[i][0] == '-' || outDir)
            return Usage();
        else
            outDir = argv[i];
    }
    if (!outDir)
        return Usage();

    auto start = std::chrono::steady_clock::now();
    try {
        // The generators are independent apart from the title pictures,
        // which look at the island; run them on two threads.
        AssetSet terrainSet, skySet, rest, screens;
        Island island;
        Image skyStrip, title;
        auto sky = std::async(std::launch::async, [&] {
            MakeSky(skySet, docsDir ? &skyStrip : nullptr);
            MakeSounds(skySet);
        });
        MakeTerrain(terrainSet, island);
        MakeModels(rest);
        MakeSprites(rest);
        MakeParticleFile(rest);
        bool screensOk = MakeScreens(screens, island, docsDir ? &title : nullptr);
        sky.get();
        if (!screensOk)
            return 1;

        std::error_code ec;
        fs::create_directories(outDir, ec);
        size_t total = 0, count = 0;
        for (AssetSet* set : {&terrainSet, &skySet, &rest, &screens})
            for (const auto& f : set->files) {
                if (!WriteFile(fs::path(outDir) / f.name, f.data)) {
                    std::fprintf(stderr, "assetgen: cannot write %s\n", (fs::path(outDir) / f.name).c_str());
                    return 1;
                }
                total += f.data.size();
                ++count;
                if (!quiet)
                    std::printf("  %-24s %8zu bytes\n", f.name.c_str(), f.data.size());
            }

        if (docsDir) {
            fs::create_directories(docsDir, ec);
            Image colours = island.colourMap.Downscaled(2);
            bool ok = WriteFile(fs::path(docsDir) / "assets-island-colour-map.png", EncodePng(colours)) &&
                      WriteFile(fs::path(docsDir) / "assets-sky-faces.png", EncodePng(skyStrip)) &&
                      WriteFile(fs::path(docsDir) / "assets-title.png", EncodePng(title.Downscaled(2)));
            if (!ok) {
                std::fprintf(stderr, "assetgen: cannot write the pictures into %s\n", docsDir);
                return 1;
            }
        }
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!quiet)
            std::printf("assetgen: %zu files, %zu bytes, %.2f s, in %s\n", count, total, seconds, outDir);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "assetgen: %s\n", e.what());
        return 1;
    }
    return 0;
}
