// Readers for the generated files, independent of the generator's own code:
// images through stb_image and libjpeg, MP3 through libmpg123, and small
// parsers for RIFF sound, text .x meshes and the particle file.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace assettest {

using Bytes = std::vector<uint8_t>;

std::optional<Bytes> ReadFile(const std::string& path);
uint64_t Fnv1a(const Bytes& data);

struct Picture {
    int width = 0, height = 0, channels = 0; // channels as stored in the file
    std::vector<uint8_t> rgba;                // width * height * 4
    const uint8_t* At(int x, int y) const { return &rgba[(size_t(y) * width + x) * 4]; }
};
// BMP and TGA through stb_image, JPEG through libjpeg; nullopt on failure.
std::optional<Picture> DecodePicture(const std::string& name, const Bytes& data);

struct Sound {
    int rate = 0, channels = 0;
    std::vector<float> samples; // first channel, in [-1, 1]
    double Seconds() const { return rate ? double(samples.size()) / rate : 0.0; }
    double Rms() const;
    double Peak() const;
};
std::optional<Sound> DecodeWav(const Bytes& data); // 16-bit PCM only
std::optional<Sound> DecodeMp3(const Bytes& data);

struct XMaterial {
    float diffuse[4] = {};
    std::string texture;
};
struct XMesh {
    std::vector<float> positions; // x, y, z per vertex
    std::vector<std::vector<uint32_t>> faces;
    std::vector<uint32_t> faceMaterials;
    std::vector<XMaterial> materials;
    size_t VertexCount() const { return positions.size() / 3; }
};
// Reads the first Mesh of a text .x file with its texture coordinates
// skipped and its material list; the error text says what was wrong.
std::optional<XMesh> ParseX(const std::string& text, std::string* error);

// Sections of the particle file as key -> raw value (text after "="),
// keyed by section name.
struct ParticleSection {
    std::string name;
    std::map<std::string, std::string> values;
    bool ended = false; // closed by an "end" line
};
std::vector<ParticleSection> ParseParticleFile(const std::string& text);

} // namespace assettest
