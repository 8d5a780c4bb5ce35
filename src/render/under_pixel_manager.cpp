#include "render/under_pixel_manager.h"

#include "raster/byte_bit_counter.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace ts {

bool UnderPixelManager::Create(int32_t width, int32_t height) {
    if (!m_store.Create(std::max(1, width), std::max(1, height), kElementSize, 1.5f)) {
        return false;
    }
    m_rowUsed.assign(static_cast<size_t>(m_store.Height()), 0);
    m_store.ClearWorkingRow();
    m_present = 0;
    m_loaded = kNoRow;
    return true;
}

void UnderPixelManager::CountPresent() {
    const uint8_t* bitmap = m_store.PresenceBitmap();
    const size_t bytes = m_store.BitmapBytes();
    int32_t count = 0;
    size_t i = 0;
    for (; i + 8 <= bytes; i += 8) {
        uint64_t word = 0;
        std::memcpy(&word, bitmap + i, 8);
        count += CountBits64(word);
    }
    for (; i < bytes; ++i) {
        count += kByteBitCounter[bitmap[i]];
    }
    m_present = count;
}

void UnderPixelManager::LoadRow(int32_t y) {
    if (y < 0 || y >= Height() || y == m_loaded) {
        return;
    }
    if (m_rowUsed[static_cast<size_t>(y)]) {
        m_store.GetRow(y);
        CountPresent();
    } else {
        ClearColumns(0, Width());
    }
    m_loaded = y;
}

bool UnderPixelManager::StoreRow(int32_t y) {
    if (y < 0 || y >= Height()) {
        return m_store.PutRow(y);
    }
    const auto row = static_cast<size_t>(y);
    if (m_present == 0 && !m_rowUsed[row]) {
        m_loaded = y; // already stored empty
        return true;
    }
    const bool stored = m_store.PutRow(y);
    // A row that could not be stored is left empty.
    m_rowUsed[row] = stored && m_present != 0;
    m_loaded = stored ? y : kNoRow;
    return stored;
}

void UnderPixelManager::ClearColumns(int32_t first, int32_t count) {
    const int32_t begin = std::max(0, first);
    const int32_t end = std::min(first + count, m_store.Width());
    if (m_present == 0 || begin >= end) {
        return;
    }
    uint8_t* bitmap = m_store.PresenceBitmap();
    for (int32_t byte = begin >> 3; byte <= (end - 1) >> 3; ++byte) {
        const int32_t lo = std::max(begin - byte * 8, 0);
        const int32_t hi = std::min(end - byte * 8, 8);
        const auto inRange = static_cast<uint8_t>(((1u << hi) - 1) & ~((1u << lo) - 1));
        auto bits = static_cast<uint8_t>(bitmap[byte] & inRange);
        if (bits == 0) {
            continue;
        }
        bitmap[byte] = static_cast<uint8_t>(bitmap[byte] & ~bits);
        m_present -= kByteBitCounter[bits];
        m_loaded = kNoRow;
        for (; bits; bits = static_cast<uint8_t>(bits & (bits - 1))) {
            std::memset(m_store.Element(byte * 8 + std::countr_zero(bits)), 0, kElementSize);
        }
    }
}

bool UnderPixelManager::Holds(int32_t y, int32_t first, int32_t count, const uint32_t* present,
                              const uint8_t* elements) const {
    if (y != m_loaded || y < 0 || first < 0 || count <= 0 || first + count > Width()) {
        return false;
    }
    if (m_present == 0 && !present) {
        return true;
    }
    const uint8_t* bitmap = m_store.PresenceBitmap();
    for (int32_t w = 0; w * 32 < count; ++w) {
        const int32_t x = first + w * 32;
        const int32_t n = std::min(32, count - w * 32);
        // The store's presence bits of columns x .. x + n - 1, lowest first.
        uint64_t gathered = 0;
        const int32_t lastByte = (x + n - 1) >> 3;
        for (int32_t b = lastByte; b >= x >> 3; --b) {
            gathered = gathered << 8 | bitmap[b];
        }
        const uint32_t inSpan = n == 32 ? ~0u : (1u << n) - 1;
        const auto have = static_cast<uint32_t>(gathered >> (x & 7)) & inSpan;
        const uint32_t want = present ? present[w] & inSpan : 0;
        if (have != want) {
            return false;
        }
        for (uint32_t bits = want; bits; bits &= bits - 1) {
            const int32_t at = w * 32 + std::countr_zero(bits);
            if (std::memcmp(Element(first + at), elements + static_cast<size_t>(at) * kElementSize,
                            kElementSize) != 0) {
                return false;
            }
        }
    }
    return true;
}

void UnderPixelManager::Set(int32_t x, const uint8_t* under, const uint8_t* line, uint16_t mask) {
    uint8_t* e = m_store.Element(x);
    std::memcpy(e + kUnder, under, 3);
    std::memcpy(e + kLine, line, 3);
    SetMask(e, mask);
    if (!m_store.IsPresent(x)) {
        m_store.SetPresent(x, true);
        ++m_present;
    }
    m_loaded = kNoRow;
}

} // namespace ts
