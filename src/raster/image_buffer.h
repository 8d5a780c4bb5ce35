#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace ts {

// A plain block of uncompressed rows with a margin of m pixels on every side. It serves as the row
// window of an RLBuffer and as scratch image for filters.
//
// Rows are addressed as window rows: content row 0 is the first row inside the top margin, and
// rows -m .. contentRows + m - 1 exist. Pixels likewise: content pixel 0 starts m pixels into a row.
// Scrolling rotates the row pointers, never the pixels, so neighbour offsets are recomputed after it.
class ImageBuffer {
public:
    ImageBuffer() = default;
    ImageBuffer(const ImageBuffer&) = delete;
    ImageBuffer& operator=(const ImageBuffer&) = delete;

    // Allocates (contentWidth + 2m) x (contentRows + 2m) pixels, all zero. False on bad sizes or
    // when the memory cannot be had; the buffer then keeps what it had.
    bool Create(int32_t contentWidth, int32_t contentRows, int32_t bytesPerPixel, int32_t margin);

    int32_t TotalWidth() const { return m_totalWidth; }
    int32_t TotalHeight() const { return m_totalHeight; }
    int32_t ContentWidth() const { return m_totalWidth - 2 * m_margin; }
    int32_t ContentRows() const { return m_totalHeight - 2 * m_margin; }
    int32_t RowBytes() const { return m_rowBytes; }
    int32_t BytesPerPixel() const { return m_bytesPerPixel; }
    int32_t Margin() const { return m_margin; }
    int32_t MarginBytes() const { return m_marginBytes; }

    // The buffer row that content row 0 stands for (may be negative).
    int32_t FirstRow() const { return m_firstRow; }
    void SetFirstRow(int32_t row) { m_firstRow = row; }

    // Start of window row r (-m .. contentRows + m - 1), margin included.
    uint8_t* Row(int32_t r) { return m_rows[static_cast<size_t>(r + m_margin)]; }
    const uint8_t* Row(int32_t r) const { return m_rows[static_cast<size_t>(r + m_margin)]; }
    // Content pixel 0 of window row r.
    uint8_t* Pixels(int32_t r) { return Row(r) + m_marginBytes; }
    const uint8_t* Pixels(int32_t r) const { return Row(r) + m_marginBytes; }

    void ZeroAll();
    void ZeroRow(int32_t r);
    void FillAll(uint8_t value);
    // Fills the pixels of a rectangle given in buffer coordinates (rows as FirstRow-relative buffer
    // rows, columns as content pixels; right and bottom exclusive), clipped to the whole window.
    void FillRect(int32_t left, int32_t top, int32_t right, int32_t bottom, uint8_t value);
    // Copies the outermost content pixels outwards into the margins, corners included.
    void ReplicateEdges();

    // Rotates the rows up by k (window row -m + k becomes row -m; the k rows that leave the top wrap
    // to the bottom, their pixels unchanged) and recomputes the offset tables.
    void RotateRowsUp(int32_t k);
    // The mirror image: the bottom k rows wrap to the top.
    void RotateRowsDown(int32_t k);

    // Row offsets relative to the reference content row, and byte offsets from a pixel of the
    // reference row to its neighbours in the 5 x 5 neighbourhood (dx, dy in -2..2).
    void SetReferenceRow(int32_t r);
    void RecomputeOffsets();
    ptrdiff_t RowOffset(int32_t r) const { return m_rowOffsets[static_cast<size_t>(r + m_margin)]; }
    ptrdiff_t NeighbourOffset(int32_t dx, int32_t dy) const {
        return m_neighbourOffsets[static_cast<size_t>((dy + 2) * 5 + dx + 2)];
    }

private:
    int32_t m_totalWidth = 0;
    int32_t m_totalHeight = 0;
    int32_t m_rowBytes = 0;
    int32_t m_bytesPerPixel = 0;
    std::unique_ptr<uint64_t[]> m_block; // 8-byte aligned pixel block
    std::vector<uint8_t*> m_rows;
    std::vector<ptrdiff_t> m_rowOffsets;
    ptrdiff_t m_neighbourOffsets[25] = {};
    int32_t m_marginBytes = 0;
    int32_t m_margin = 0;
    int32_t m_firstRow = 0;
    int32_t m_referenceRow = 0;
};

} // namespace ts
