#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace ts {

// Takes the rows of a PNG as they are decoded: every row as 8-bit R, G, B triples, top to bottom.
class PngRowSink {
public:
    virtual ~PngRowSink() = default;
    // The image's size, before the first row; false refuses the image (too large to hold).
    virtual bool Begin(int32_t width, int32_t height) = 0;
    virtual void Row(int32_t y, const uint8_t* rgb) = 0;
};

enum class PngReadResult {
    kRead,       // every row went to the sink
    kCannotOpen, // the file could not be opened
    kNotPng,     // no PNG signature
    kDamaged,    // libpng reported an error (the sink may have had some rows)
    kRefused,    // the sink refused the size
};

// Reads a PNG row by row. Palette, grey, 16-bit and alpha images reach the sink as 8-bit RGB through
// libpng's transforms; transparent pixels lie over white (c' = (c a + 255 (255 - a) + 127) / 255).
// Interlaced images are gathered whole first, then handed on row by row.
PngReadResult ReadPngRows(const std::string& path, PngRowSink& sink);
PngReadResult ReadPngRows(const uint8_t* data, size_t size, PngRowSink& sink);

} // namespace ts
