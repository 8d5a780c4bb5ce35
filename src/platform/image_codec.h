#pragma once

#include "platform/image24.h"

#include <string>

namespace ts {

enum class ImageFormat { Png, Jpeg, Bmp, Tiff };

// Reads and writes image files as 24-bit images. Readers take PNG, JPEG, BMP, GIF and TIFF files,
// whatever their extension; palette, grey and alpha images arrive as plain colour (transparent parts
// over white).
class ImageCodec {
public:
    virtual ~ImageCodec() = default;

    // False with a short reason in *error (when given) for a missing, unreadable, unsupported, damaged
    // or oversized file; out is then unchanged.
    virtual bool Load(const std::string& path, Image24& out, std::string* error = nullptr) = 0;

    // Writes the image; jpegQuality (1-100) is used for JPEG only. A failed write leaves any earlier
    // file of that name as it was.
    virtual bool Save(const std::string& path, const Image24& image, ImageFormat format, int jpegQuality = 80,
                      std::string* error = nullptr) = 0;
};

} // namespace ts
