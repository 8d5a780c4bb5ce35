#include "modes/flood_fill.h"

#include <algorithm>

namespace ts {

void FloodFill::PendingQueue::Push(int32_t x, int32_t y) {
    const size_t capacity = m_ring.size() / 2;
    if (m_count == capacity) {
        // Unroll the ring into a buffer twice the size, oldest first.
        std::vector<int32_t> grown(std::max<size_t>(2 * capacity, 1024) * 2);
        for (size_t i = 0; i < m_count; ++i) {
            const size_t from = (m_head + i) % capacity;
            grown[2 * i] = m_ring[2 * from];
            grown[2 * i + 1] = m_ring[2 * from + 1];
        }
        m_ring.swap(grown);
        m_head = 0;
    }
    const size_t slot = (m_head + m_count) % (m_ring.size() / 2);
    m_ring[2 * slot] = x;
    m_ring[2 * slot + 1] = y;
    ++m_count;
}

void FloodFill::PendingQueue::Pop(int32_t& x, int32_t& y) {
    x = m_ring[2 * m_head];
    y = m_ring[2 * m_head + 1];
    m_head = (m_head + 1) % (m_ring.size() / 2);
    --m_count;
}

bool FloodFill::SetWalls(const LayerObject& layer, int32_t width, int32_t height) {
    if (width <= 0 || height <= 0 || !m_walls.Resize(width, height) || !m_filled.Resize(width, height)) {
        return false;
    }
    m_rect = Rect{};
    const SuperBitBuffer* lines = layer.lineArt ? layer.lineArt->lineBuffer.get() : nullptr;
    if (!lines || !lines->IsCreated() || lines->BytesPerPixel() != 2) {
        return true;
    }
    const int32_t w = std::min(width, lines->Width());
    const int32_t h = std::min(height, lines->Height());
    std::vector<uint8_t> row(static_cast<size_t>(lines->Width()) * 2);
    for (int32_t y = 0; y < h; ++y) {
        lines->ReadRow(y, row.data());
        for (int32_t x = 0; x < w; ++x) {
            if (row[2 * static_cast<size_t>(x)] | row[2 * static_cast<size_t>(x) + 1]) {
                m_walls.SetBit(x, y);
            }
        }
    }
    return true;
}

bool FloodFill::Fill(int32_t x, int32_t y) {
    const int32_t w = m_filled.Width();
    const int32_t h = m_filled.Height();
    if (x < 0 || y < 0 || x >= w || y >= h) {
        return false;
    }
    static constexpr int32_t kSteps[8][2] = {{1, 0},  {1, -1}, {0, -1}, {-1, -1},
                                             {-1, 0}, {-1, 1}, {0, 1},  {1, 1}};
    PendingQueue pending;
    m_filled.SetBit(x, y);
    pending.Push(x, y);
    Rect r{x, y, x + 1, y + 1};
    while (!pending.Empty()) {
        int32_t px = 0;
        int32_t py = 0;
        pending.Pop(px, py);
        r.left = std::min(r.left, px);
        r.top = std::min(r.top, py);
        r.right = std::max(r.right, px + 1);
        r.bottom = std::max(r.bottom, py + 1);
        if (m_walls.TestBit(px, py)) {
            continue; // walls take the paint but do not pass it on
        }
        for (const auto& step : kSteps) {
            const int32_t nx = px + step[0];
            const int32_t ny = py + step[1];
            if (nx < 0 || ny < 0 || nx >= w || ny >= h || m_filled.TestBit(nx, ny)) {
                continue;
            }
            m_filled.SetBit(nx, ny);
            pending.Push(nx, ny);
        }
    }
    m_rect = r;
    return true;
}

} // namespace ts
