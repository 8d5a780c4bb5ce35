#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ts {

// A plain 24-bit image: pixels in the order blue, green, red, row 0 at the top, each row padded to a
// multiple of 4 bytes (the stride). The padding bytes stay zero.
class Image24 {
public:
    // Pixel blocks of this many bytes or more are refused (offsets and the stride stay in 32 bits).
    static constexpr int64_t kMaxBytes = int64_t{1} << 31;

    // Makes a width x height image, all black. False (and the image unchanged) for a width or height
    // below 1, a block of kMaxBytes or more, or when the memory cannot be had.
    bool Create(int32_t width, int32_t height);
    void Clear();

    bool Empty() const { return m_width == 0; }
    int32_t Width() const { return m_width; }
    int32_t Height() const { return m_height; }
    int32_t Stride() const { return m_stride; }
    static int64_t StrideFor(int32_t width) { return (int64_t{width} * 3 + 3) / 4 * 4; }

    uint8_t* Row(int32_t y) {
        return m_pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(m_stride);
    }
    const uint8_t* Row(int32_t y) const {
        return m_pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(m_stride);
    }
    uint8_t* Pixel(int32_t x, int32_t y) { return Row(y) + static_cast<size_t>(x) * 3; }
    const uint8_t* Pixel(int32_t x, int32_t y) const { return Row(y) + static_cast<size_t>(x) * 3; }
    // The colour value 0x00BBGGRR of a pixel, and setting one from it.
    uint32_t ColorAt(int32_t x, int32_t y) const;
    void SetColor(int32_t x, int32_t y, uint32_t color);

    std::vector<uint8_t>& Pixels() { return m_pixels; }
    const std::vector<uint8_t>& Pixels() const { return m_pixels; }

    // Same size and the same pixels (padding ignored).
    bool SamePixels(const Image24& other) const;

private:
    int32_t m_width = 0;
    int32_t m_height = 0;
    int32_t m_stride = 0;
    std::vector<uint8_t> m_pixels;
};

} // namespace ts
