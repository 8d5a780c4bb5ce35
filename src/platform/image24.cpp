#include "platform/image24.h"

#include <cstring>
#include <exception>

namespace ts {

bool Image24::Create(int32_t width, int32_t height) {
    if (width < 1 || height < 1) {
        return false;
    }
    const int64_t stride = StrideFor(width);
    if (stride >= kMaxBytes / height) {
        return false;
    }
    std::vector<uint8_t> pixels;
    try {
        pixels.assign(static_cast<size_t>(stride * height), 0);
    } catch (const std::exception&) { // bad_alloc, or length_error where size_t is small
        return false;
    }
    m_pixels = std::move(pixels);
    m_width = width;
    m_height = height;
    m_stride = static_cast<int32_t>(stride);
    return true;
}

void Image24::Clear() {
    m_pixels = std::vector<uint8_t>();
    m_width = 0;
    m_height = 0;
    m_stride = 0;
}

uint32_t Image24::ColorAt(int32_t x, int32_t y) const {
    const uint8_t* p = Pixel(x, y);
    return uint32_t{p[2]} | uint32_t{p[1]} << 8 | uint32_t{p[0]} << 16;
}

void Image24::SetColor(int32_t x, int32_t y, uint32_t color) {
    uint8_t* p = Pixel(x, y);
    p[0] = static_cast<uint8_t>(color >> 16);
    p[1] = static_cast<uint8_t>(color >> 8);
    p[2] = static_cast<uint8_t>(color);
}

bool Image24::SamePixels(const Image24& other) const {
    if (m_width != other.m_width || m_height != other.m_height) {
        return false;
    }
    const size_t rowBytes = static_cast<size_t>(m_width) * 3;
    for (int32_t y = 0; y < m_height; ++y) {
        if (std::memcmp(Row(y), other.Row(y), rowBytes) != 0) {
            return false;
        }
    }
    return true;
}

} // namespace ts
