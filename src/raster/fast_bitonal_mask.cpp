#include "raster/fast_bitonal_mask.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace ts {

bool FastBitonalMask::Resize(int32_t width, int32_t height) {
    if (width == m_width && height == m_height) {
        Clear();
        return true;
    }
    if (width < 0 || height < 0) {
        return false;
    }
    const int64_t wordsPerRow = int64_t{width} / 32 + 1;
    const int64_t words = wordsPerRow * height;
    if (static_cast<uint64_t>(words) * sizeof(uint32_t) > kMaxBytes) {
        return false;
    }
    try {
        // Value-initialised, so every bit starts at 0.
        auto block = std::make_unique<uint32_t[]>(static_cast<size_t>(std::max<int64_t>(words, 1)));
        std::vector<uint32_t*> rows(static_cast<size_t>(height));
        for (int32_t y = 0; y < height; ++y) {
            rows[static_cast<size_t>(y)] = block.get() + y * wordsPerRow;
        }
        m_words = std::move(block);
        m_rows = std::move(rows);
    } catch (const std::bad_alloc&) {
        return false;
    }
    m_width = width;
    m_height = height;
    m_wordsPerRow = static_cast<int32_t>(wordsPerRow);
    return true;
}

void FastBitonalMask::Clear() {
    if (m_words) {
        std::memset(m_words.get(), 0,
                    static_cast<size_t>(m_wordsPerRow) * static_cast<size_t>(m_height) * sizeof(uint32_t));
    }
}

void FastBitonalMask::ClearRow(int32_t y) {
    std::memset(Row(y), 0, static_cast<size_t>(m_wordsPerRow) * sizeof(uint32_t));
}

void FastBitonalMask::SetRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    if (right <= left || bottom <= top) {
        return;
    }
    const int32_t firstWord = left >> 5;
    const int32_t lastWord = (right - 1) >> 5;
    const uint32_t firstMask = ~uint32_t{0} << (left & 31);
    const uint32_t lastMask = ~uint32_t{0} >> (31 - ((right - 1) & 31));
    for (int32_t y = top; y < bottom; ++y) {
        uint32_t* row = Row(y);
        if (firstWord == lastWord) {
            row[firstWord] |= firstMask & lastMask;
            continue;
        }
        row[firstWord] |= firstMask;
        for (int32_t w = firstWord + 1; w < lastWord; ++w) {
            row[w] = ~uint32_t{0};
        }
        row[lastWord] |= lastMask;
    }
}

} // namespace ts
