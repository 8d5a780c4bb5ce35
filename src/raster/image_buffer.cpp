#include "raster/image_buffer.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace ts {

namespace {

// Spare bytes at the end of every row, so that 8-byte stores at the last pixels of a row never reach
// into the row that follows it in memory (after rotation that may be any row of the window).
constexpr int64_t kRowSlack = 8;
// Refused by Create: a pixel block larger than this.
constexpr int64_t kMaxBlockBytes = int64_t{1} << 30;

// k modulo n, in 0 .. n - 1.
int64_t Wrap(int64_t k, int64_t n) {
    const int64_t r = k % n;
    return r < 0 ? r + n : r;
}

} // namespace

bool ImageBuffer::Create(int32_t contentWidth, int32_t contentRows, int32_t bytesPerPixel, int32_t margin) {
    if (contentWidth <= 0 || contentRows <= 0 || bytesPerPixel < 1 || bytesPerPixel > 4 || margin < 0) {
        return false;
    }
    const int64_t totalWidth = int64_t{contentWidth} + 2 * int64_t{margin};
    const int64_t totalHeight = int64_t{contentRows} + 2 * int64_t{margin};
    const int64_t rowBytes = (totalWidth * bytesPerPixel + 7) / 8 * 8 + kRowSlack;
    // Each factor is checked on its own first so that the product cannot overflow.
    if (rowBytes > kMaxBlockBytes || totalHeight > kMaxBlockBytes ||
        rowBytes * totalHeight > kMaxBlockBytes) {
        return false;
    }

    std::unique_ptr<uint64_t[]> block;
    std::vector<uint8_t*> rows;
    std::vector<ptrdiff_t> rowOffsets;
    try {
        // Value-initialised: every pixel starts at 0.
        block = std::make_unique<uint64_t[]>(static_cast<size_t>(rowBytes * totalHeight / 8));
        rows.resize(static_cast<size_t>(totalHeight));
        rowOffsets.resize(static_cast<size_t>(totalHeight));
    } catch (const std::bad_alloc&) {
        return false;
    }
    auto* bytes = reinterpret_cast<uint8_t*>(block.get());
    for (int64_t i = 0; i < totalHeight; ++i) {
        rows[static_cast<size_t>(i)] = bytes + i * rowBytes;
    }

    m_block = std::move(block);
    m_rows = std::move(rows);
    m_rowOffsets = std::move(rowOffsets);
    m_totalWidth = static_cast<int32_t>(totalWidth);
    m_totalHeight = static_cast<int32_t>(totalHeight);
    m_rowBytes = static_cast<int32_t>(rowBytes);
    m_bytesPerPixel = bytesPerPixel;
    m_margin = margin;
    m_marginBytes = margin * bytesPerPixel;
    m_firstRow = 0;
    m_referenceRow = 0;
    RecomputeOffsets();
    return true;
}

void ImageBuffer::ZeroAll() {
    if (m_block) {
        std::memset(m_block.get(), 0, static_cast<size_t>(m_rowBytes) * static_cast<size_t>(m_totalHeight));
    }
}

void ImageBuffer::ZeroRow(int32_t r) {
    std::memset(Row(r), 0, static_cast<size_t>(m_rowBytes));
}

void ImageBuffer::FillAll(uint8_t value) {
    if (m_block) {
        std::memset(m_block.get(), value,
                    static_cast<size_t>(m_rowBytes) * static_cast<size_t>(m_totalHeight));
    }
}

void ImageBuffer::FillRect(int32_t left, int32_t top, int32_t right, int32_t bottom, uint8_t value) {
    if (!m_block) {
        return;
    }
    // To window rows and columns (both counted from the content origin), then clip to the margins.
    const int64_t x0 = std::max<int64_t>(left, -int64_t{m_margin});
    const int64_t x1 = std::min<int64_t>(right, int64_t{m_totalWidth} - m_margin);
    const int64_t y0 = std::max<int64_t>(int64_t{top} - m_firstRow, -int64_t{m_margin});
    const int64_t y1 = std::min<int64_t>(int64_t{bottom} - m_firstRow, int64_t{m_totalHeight} - m_margin);
    if (x1 <= x0 || y1 <= y0) {
        return;
    }
    const size_t count = static_cast<size_t>((x1 - x0) * m_bytesPerPixel);
    for (int64_t y = y0; y < y1; ++y) {
        std::memset(Pixels(static_cast<int32_t>(y)) + x0 * m_bytesPerPixel, value, count);
    }
}

void ImageBuffer::ReplicateEdges() {
    if (!m_block) {
        return;
    }
    const int32_t bpp = m_bytesPerPixel;
    const int32_t width = ContentWidth();
    const int32_t rows = ContentRows();
    for (int32_t r = 0; r < rows; ++r) {
        uint8_t* row = Row(r);
        const uint8_t* first = row + m_marginBytes;
        const uint8_t* last = first + (width - 1) * bpp;
        for (int32_t i = 0; i < m_margin; ++i) {
            std::memcpy(row + i * bpp, first, static_cast<size_t>(bpp));
            std::memcpy(row + m_marginBytes + (width + i) * bpp, last, static_cast<size_t>(bpp));
        }
    }
    // Whole rows, side margins included, so the corners take the corner pixels.
    const size_t rowLength = static_cast<size_t>(m_totalWidth) * static_cast<size_t>(bpp);
    for (int32_t i = 1; i <= m_margin; ++i) {
        std::memcpy(Row(-i), Row(0), rowLength);
        std::memcpy(Row(rows - 1 + i), Row(rows - 1), rowLength);
    }
}

void ImageBuffer::RotateRowsUp(int32_t k) {
    if (m_rows.empty()) {
        return;
    }
    const int64_t shift = Wrap(k, m_totalHeight);
    std::rotate(m_rows.begin(), m_rows.begin() + shift, m_rows.end());
    RecomputeOffsets();
}

void ImageBuffer::RotateRowsDown(int32_t k) {
    if (m_rows.empty()) {
        return;
    }
    const int64_t shift = Wrap(-int64_t{k}, m_totalHeight);
    std::rotate(m_rows.begin(), m_rows.begin() + shift, m_rows.end());
    RecomputeOffsets();
}

void ImageBuffer::SetReferenceRow(int32_t r) {
    m_referenceRow = r;
    RecomputeOffsets();
}

void ImageBuffer::RecomputeOffsets() {
    if (m_rows.empty()) {
        return;
    }
    const int32_t lowest = -m_margin;
    const int32_t highest = m_totalHeight - m_margin - 1;
    m_referenceRow = std::clamp(m_referenceRow, lowest, highest);
    const uint8_t* reference = Row(m_referenceRow);
    for (size_t i = 0; i < m_rows.size(); ++i) {
        m_rowOffsets[i] = m_rows[i] - reference;
    }
    // Neighbour rows outside the window stand in for the nearest row that exists.
    for (int32_t dy = -2; dy <= 2; ++dy) {
        const ptrdiff_t rowOffset = RowOffset(std::clamp(m_referenceRow + dy, lowest, highest));
        for (int32_t dx = -2; dx <= 2; ++dx) {
            m_neighbourOffsets[(dy + 2) * 5 + dx + 2] = rowOffset + dx * m_bytesPerPixel;
        }
    }
}

} // namespace ts
