#pragma once
// Small PNG files of every colour type, written through libpng's simplified interface.

#include <png.h>

#include <cstdint>
#include <string>
#include <vector>

namespace ts::testing {

// Writes pixels of the given format (PNG_FORMAT_*); colormap formats take the map and one index a
// pixel. 16-bit formats take two bytes a channel in the machine's order.
inline bool WritePng(const std::string& path, uint32_t width, uint32_t height, uint32_t format,
                     const void* pixels, const std::vector<uint8_t>& colormap = {}) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = width;
    image.height = height;
    image.format = format;
    if (!colormap.empty()) {
        image.colormap_entries = static_cast<png_uint_32>(colormap.size() / 3);
    }
    return png_image_write_to_file(&image, path.c_str(), 0, pixels, 0,
                                   colormap.empty() ? nullptr : colormap.data()) != 0;
}

inline bool WriteRgb(const std::string& path, uint32_t width, uint32_t height,
                     const std::vector<uint8_t>& rgb) {
    return WritePng(path, width, height, PNG_FORMAT_RGB, rgb.data());
}

} // namespace ts::testing
