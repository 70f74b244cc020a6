// A fresh folder under the system's temporary folder, removed with
// everything in it when the object goes; optionally made the working folder
// for the object's lifetime.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace demotest {

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "brackwood-test-XXXXXX").string();
        if (mkdtemp(pattern.data())) m_path = pattern;
    }
    ~TempFolder() {
        if (m_entered) std::filesystem::current_path(m_previous);
        std::error_code ignored;
        if (!m_path.empty()) std::filesystem::remove_all(m_path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    void Enter() {
        m_previous = std::filesystem::current_path();
        std::filesystem::current_path(m_path);
        m_entered = true;
    }
    void Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(m_path / name, std::ios::binary) << bytes;
    }

private:
    std::filesystem::path m_path, m_previous;
    bool m_entered = false;
};

}  // namespace demotest
