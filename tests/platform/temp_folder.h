#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace ts {

// A fresh folder below the system's temporary folder, removed with everything in it at the end.
class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tintsmith-test-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) {
            m_path = pattern + "/";
        }
    }
    ~TempFolder() {
        std::error_code error;
        if (!m_path.empty()) {
            std::filesystem::remove_all(m_path, error);
        }
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder, ending with '/'; empty when it could not be made.
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

} // namespace ts
