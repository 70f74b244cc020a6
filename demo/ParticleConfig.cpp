// Reads the particle file once and configures particle systems from it.
// Reading follows the file's own rules (see ParticleConfig.h); what the
// reader adds is only protection against files that are not particle files:
// a size limit, a limit on the number of sections and a ceiling on particle
// counts, each reported on the debug output.
#include "ParticleConfig.h"

#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

#include "ParticleSystem.h"

namespace brackwood {

namespace {

void DebugLine(const std::string& text) { OutputDebugStringA((text + "\n").c_str()); }

// Stores one key's value in the section; unknown keys change nothing.
void StoreValue(const std::string& key, const std::string& value, SParticleConfig& cfg, std::string& name) {
    if (key == "particlesystem") {
        std::istringstream in(value);
        name.clear();
        in >> name;
    } else if (key == "texture") {
        cfg.texture = ParseConfigQuoted(value);
    } else if (key == "lifetime") {
        cfg.lifetime = ParseConfigFloat(value);
    } else if (key == "size") {
        cfg.size = ParseConfigFloat(value);
    } else if (key == "offspring") {
        cfg.offspring = ParseConfigVector(value);
    } else if (key == "gravity") {
        cfg.gravity = ParseConfigVector(value);
    } else if (key == "wind") {
        cfg.wind = ParseConfigVector(value);
    } else if (key == "inversecolor") {
        cfg.inverseColor = value.find("true") != std::string::npos;
    } else if (key == "velocity") {
        cfg.velocity = ParseConfigVector(value);
    } else if (key == "variance") {
        cfg.variance = ParseConfigFloat(value);
    } else if (key == "region") {
        cfg.region = ParseConfigVector(value);
    } else if (key == "numparticles") {
        cfg.numParticles = ParseConfigInt(value);
    } else if (key == "maxparticles") {
        cfg.maxParticles = ParseConfigInt(value);
    } else if (key == "releaseinterval") {
        cfg.releaseInterval = ParseConfigFloat(value);
    }
}

}  // namespace

float ParseConfigFloat(const std::string& value) {
    std::istringstream in(value);
    float f = 0.0f;
    in >> f;
    return f;
}

int ParseConfigInt(const std::string& value) {
    std::istringstream in(value);
    int i = 0;
    in >> i;
    return i;
}

qrn::Vector4 ParseConfigVector(const std::string& value) {
    std::istringstream in(value);
    float c[3] = {0, 0, 0};
    in.ignore(80, '<');
    for (int k = 0; k < 3; ++k) {
        if (k > 0) in.ignore(80, ',');
        // Once a component fails the stream stays failed: the rest stay 0.
        if (!(in >> c[k])) c[k] = 0.0f;
    }
    return qrn::Vector4(c[0], c[1], c[2], 0.0f);
}

std::string ParseConfigQuoted(const std::string& value) {
    const size_t first = value.find('"');
    if (first == std::string::npos) return std::string();
    const size_t last = value.rfind('"');
    if (last == first) return value.substr(first + 1);
    return value.substr(first + 1, last - first - 1);
}

CParticleConfig::CParticleConfig(const char* fileName) : m_strFileName(fileName ? fileName : "") {}

void CParticleConfig::Parse() {
    m_bParsed = true;
    std::ifstream file(m_strFileName);
    if (!file) return;
    file.seekg(0, std::ios::end);
    const std::streamoff bytes = file.tellg();
    if (bytes < 0 || bytes > kMaxFileBytes) {
        DebugLine("CParticleConfig: " + m_strFileName + " is larger than " + std::to_string(kMaxFileBytes) +
                  " bytes; no particle systems read");
        return;
    }
    file.seekg(0, std::ios::beg);

    while (file.good()) {
        SParticleConfig cfg;
        std::string name, key, rest;
        bool keyRead = false;
        while (file >> key) {
            keyRead = true;
            std::getline(file, rest);
            const size_t eq = rest.find('=');
            const std::string value = eq == std::string::npos ? rest : rest.substr(eq + 1);
            if (key == "end") break;
            StoreValue(key, value, cfg, name);
        }
        // Only blanks after the last "end": not a section.
        if (!keyRead) break;
        if (m_Sections.size() >= kMaxSections && m_Sections.find(name) == m_Sections.end()) {
            DebugLine("CParticleConfig: more than " + std::to_string(kMaxSections) + " sections in " +
                      m_strFileName + "; section \"" + name + "\" ignored");
            continue;
        }
        m_Sections[name] = cfg;
    }
}

std::vector<std::string> CParticleConfig::GetSystemNames() {
    if (!m_bParsed) Parse();
    std::vector<std::string> names;
    names.reserve(m_Sections.size());
    for (const auto& section : m_Sections) names.push_back(section.first);
    return names;
}

const SParticleConfig* CParticleConfig::Find(const std::string& name) {
    if (!m_bParsed) Parse();
    const auto it = m_Sections.find(name);
    return it == m_Sections.end() ? nullptr : &it->second;
}

bool CParticleConfig::Configure(const std::string& name, qrngu::IParticleSystem* system,
                                qrn::IRenderDevice* device) {
    const SParticleConfig* cfg = Find(name);
    if (!cfg || !system) return true;
    // The counts are written signed and used unsigned: -1 would ask for four
    // billion particles.
    unsigned maxParticles = static_cast<unsigned>(cfg->maxParticles);
    if (maxParticles > kMaxParticlesCeiling) {
        DebugLine("CParticleConfig: \"" + name + "\": maxparticles " + std::to_string(cfg->maxParticles) +
                  " is out of range; using " + std::to_string(kMaxParticlesCeiling));
        maxParticles = kMaxParticlesCeiling;
    }
    system->Init(maxParticles, cfg->offspring, false, nullptr, device);
    system->SetParticleData(cfg->lifetime, cfg->size);
    system->SetVelocity(cfg->velocity, cfg->variance);
    system->SetReleaseRate(static_cast<unsigned>(cfg->numParticles), cfg->releaseInterval);
    system->SetTexture(cfg->texture.c_str());
    system->SetWind(cfg->wind);
    system->SetInversSrcColorBlending(cfg->inverseColor);
    system->SetRegionDimension(cfg->region);
    system->SetGravity(cfg->gravity);
    return true;
}

}  // namespace brackwood
