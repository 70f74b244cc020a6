// A level 17 x 17 terrain for the flock and particle tests: every sample the
// same byte, so the height is the same everywhere on the grid (and 0 off it).
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "Heightmap.h"
#include "fake_device.h"

namespace life {

class FlatTerrain {
public:
    FlatTerrain(fake::Device& dev, unsigned char level, float scale) {
        const std::string path = ::testing::TempDir() + "qrn_life_flat_" + std::to_string(level) + ".raw";
        const std::vector<unsigned char> bytes(17 * 17, level);
        std::FILE* f = std::fopen(path.c_str(), "wb");
        EXPECT_NE(f, nullptr);
        if (f) {
            std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
        EXPECT_TRUE(map.SetData(path.c_str(), 17, 17, scale, 1, 1, qrn::Vector4(), &dev));
    }
    qrngu::IHeightmap map;
};

}  // namespace life
