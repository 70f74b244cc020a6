// The particle file: named sections of particle system settings, read from a
// plain text file ("particles.txt" in the demo's folder). One section per
// system; the program makes one particle system for every section name.
//
//   particlesystem sparks
//   texture = "ptl_fire.bmp"
//   lifetime = 2.5
//   velocity = <0, 4, 0>
//   end
//
// A line is a key word and the rest of the line; the value is what follows
// the first "=" (or the whole rest when there is none). Unknown keys are
// ignored, unreadable numbers read as 0.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "QrnMath.h"
#include "RenderDevice.h"

namespace qrngu {
class IParticleSystem;
}

namespace brackwood {

// The settings of one section, with the values a section starts from.
struct SParticleConfig {
    std::string texture;
    float lifetime = 5.0f;
    float size = 0.0025f;
    qrn::Vector4 offspring{0, 0, 0, 0};
    qrn::Vector4 gravity{0, 0, 0, 0};
    qrn::Vector4 wind{0, 0, 0, 0};
    bool inverseColor = false;
    qrn::Vector4 velocity{0, 0, 0, 0};
    float variance = 0.0f;
    qrn::Vector4 region{0, 0, 0, 0};
    int numParticles = 10;
    int maxParticles = 2000;
    float releaseInterval = 0.01f;
};

class CParticleConfig {
public:
    // Most particles one configured system may hold: a larger (or negative)
    // "maxparticles" is cut to this, and the debug output says so.
    static constexpr unsigned kMaxParticlesCeiling = 1000000;
    // Most sections kept from one file; later new names are ignored (and
    // reported), so a garbage file cannot make thousands of systems.
    static constexpr size_t kMaxSections = 64;
    // A larger file is not a particle file: it is not read at all.
    static constexpr long kMaxFileBytes = 1 << 20;

    explicit CParticleConfig(const char* fileName);

    // Every section name, in ascending byte order. Parses the file on first use.
    std::vector<std::string> GetSystemNames();
    // Applies the named section to the system (Init first, then the other
    // settings). True whether or not the name was found; an unknown name or
    // a null system changes nothing.
    bool Configure(const std::string& name, qrngu::IParticleSystem* system, qrn::IRenderDevice* device);

    // The parsed section of that name, or null (for tests and tools).
    const SParticleConfig* Find(const std::string& name);

private:
    void Parse();

    std::string m_strFileName;
    bool m_bParsed = false;
    std::map<std::string, SParticleConfig> m_Sections;
};

// Reads one value as the file's numbers are read: leading blanks skipped,
// reading stops at the first character that cannot continue the number, 0
// when the text does not start with one.
float ParseConfigFloat(const std::string& value);
int ParseConfigInt(const std::string& value);
// "<x, y, z>": each component after the next "<" or "," (up to 80 characters
// skipped); a component that cannot be read is 0, as are those after it. w is 0.
qrn::Vector4 ParseConfigVector(const std::string& value);
// The text between the first and the last double quote; after a lone quote
// the rest of the value; without quotes the empty string.
std::string ParseConfigQuoted(const std::string& value);

}  // namespace brackwood
