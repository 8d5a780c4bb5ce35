#include "render/under_pixel_manager.h"

#include <algorithm>
#include <cstring>

namespace ts {

bool UnderPixelManager::Create(int32_t width, int32_t height) {
    return m_store.Create(std::max(1, width), std::max(1, height), kElementSize, 1.5f);
}

void UnderPixelManager::LoadRow(int32_t y) {
    m_store.GetRow(y);
}

bool UnderPixelManager::StoreRow(int32_t y) {
    return m_store.PutRow(y);
}

void UnderPixelManager::ClearColumns(int32_t first, int32_t count) {
    const int32_t end = std::min(first + count, m_store.Width());
    for (int32_t x = std::max(0, first); x < end; ++x) {
        if (m_store.IsPresent(x)) {
            m_store.SetPresent(x, false);
            std::memset(m_store.Element(x), 0, kElementSize);
        }
    }
}

void UnderPixelManager::Set(int32_t x, const uint8_t* under, const uint8_t* line, uint16_t mask) {
    uint8_t* e = m_store.Element(x);
    std::memcpy(e + kUnder, under, 3);
    std::memcpy(e + kLine, line, 3);
    SetMask(e, mask);
    m_store.SetPresent(x, true);
}

} // namespace ts
