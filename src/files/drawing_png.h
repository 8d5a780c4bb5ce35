#pragma once

#include "platform/image24.h"

#include <cstdint>
#include <cstdio>
#include <vector>

namespace ts {

// The PNG around a drawing: an 8-bit RGB image at 11802 pixels per metre (about 300 dpi) whose private
// chunk "tsAP", placed before the image data, holds the compressed layer stream.
inline constexpr uint32_t kDrawingPixelsPerMetre = 11802;
inline constexpr char kDrawingChunkName[5] = {'t', 's', 'A', 'P', '\0'};

// Why a PNG write failed: the errno of a failed write (0 when it was not the file) and libpng's text
// (cut short to fit).
struct PngWriteError {
    int error = 0;
    char text[128] = {};
};

// Writes the image (rows handed over top to bottom in blue, green, red order and written as red,
// green, blue) with the chunk before the image data when one is given. Any libpng or write error ends
// the write at once: false, with the reason in error when given.
bool WriteDrawingPng(std::FILE* file, const Image24& image, const std::vector<uint8_t>* chunk,
                     PngWriteError* error = nullptr);

enum class ChunkStatus {
    kFound,
    kNotPng,   // the first four bytes are not those of a PNG signature
    kNoChunk,  // a PNG without the drawing chunk before its image data
    kPngError, // libpng refused the file (damaged, truncated) or memory ran out
};

// Reads the chunks before the image data only, through a user-chunk callback that takes the first
// chunk named "tsAP"; the image itself is never decoded. The file is read from its present position.
ChunkStatus ReadDrawingChunk(std::FILE* file, std::vector<uint8_t>& chunk);

} // namespace ts
