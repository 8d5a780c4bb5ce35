#pragma once

#include "platform/image_codec.h"

#include <cstdint>
#include <string>

namespace ts {

// Image files through QImageReader and QImageWriter. Reading takes PNG, JPEG, BMP, GIF and TIFF,
// told by their first bytes, not the name; the file's orientation tag is ignored, so pixels arrive as
// stored. Images of more than kMaxPixels pixels are refused before they are decoded.
class QtImageCodec final : public ImageCodec {
public:
    static constexpr int64_t kMaxPixels = int64_t{1} << 28; // 256 megapixels

    bool Load(const std::string& path, Image24& out, std::string* error = nullptr) override;
    bool Save(const std::string& path, const Image24& image, ImageFormat format, int jpegQuality = 80,
              std::string* error = nullptr) override;
};

} // namespace ts
