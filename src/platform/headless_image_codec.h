#pragma once

#include "platform/image_codec.h"

#include <map>
#include <string>

namespace ts {

// An image codec over an in-memory map from path to image, for tests of the layers above. Saving
// stores an exact copy (no JPEG loss) and remembers the format and quality of the last save.
class HeadlessImageCodec final : public ImageCodec {
public:
    bool Load(const std::string& path, Image24& out, std::string* error = nullptr) override {
        const auto it = m_files.find(path);
        if (it == m_files.end()) {
            if (error) {
                *error = "The file could not be located.";
            }
            return false;
        }
        out = it->second.image;
        return true;
    }

    bool Save(const std::string& path, const Image24& image, ImageFormat format, int jpegQuality = 80,
              std::string* error = nullptr) override {
        if (m_failSaves || image.Empty()) {
            if (error) {
                *error = "The file could not be written.";
            }
            return false;
        }
        m_files[path] = Entry{image, format, jpegQuality};
        ++m_saves;
        return true;
    }

    void Put(const std::string& path, const Image24& image) {
        m_files[path] = Entry{image, ImageFormat::Png, 0};
    }
    bool Has(const std::string& path) const { return m_files.count(path) != 0; }
    // The stored image, or null.
    const Image24* Get(const std::string& path) const {
        const auto it = m_files.find(path);
        return it == m_files.end() ? nullptr : &it->second.image;
    }
    ImageFormat FormatOf(const std::string& path) const { return m_files.at(path).format; }
    int QualityOf(const std::string& path) const { return m_files.at(path).quality; }
    void Erase(const std::string& path) { m_files.erase(path); }
    void SetFailSaves(bool fail) { m_failSaves = fail; }
    int Saves() const { return m_saves; }

private:
    struct Entry {
        Image24 image;
        ImageFormat format;
        int quality;
    };
    std::map<std::string, Entry> m_files;
    bool m_failSaves = false;
    int m_saves = 0;
};

} // namespace ts
