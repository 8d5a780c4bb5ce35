#pragma once

#include "raster/sparse_buffer.h"

#include <cstdint>
#include <vector>

namespace ts {

// For every drawing pixel that line art covers, what the zoomed view needs to draw the line's sub-pixels
// over the colour beneath: an 8-byte element holding the colour under the line (3 bytes, blue, green,
// red), the line's colour (3 bytes) and the 4 x 4 coverage mask (16 bits, little-endian). Pixels
// without line coverage have no element.
//
// Most rows of most drawings hold no element, so the store keeps a flag per row and a count of the
// working row's elements: loading, clearing and storing empty rows then costs nothing.
class UnderPixelManager {
public:
    static constexpr int32_t kElementSize = 8;
    static constexpr int32_t kUnder = 0;
    static constexpr int32_t kLine = 3;
    static constexpr int32_t kMask = 6;

    // A store as large as the drawing, every row empty. False when it cannot be made.
    bool Create(int32_t width, int32_t height);
    bool IsCreated() const { return m_store.IsCreated(); }
    int32_t Width() const { return m_store.Width(); }
    int32_t Height() const { return m_store.Height(); }

    // Row work: load a row into the working row, change its elements, store it back.
    void LoadRow(int32_t y);
    bool StoreRow(int32_t y);
    // Removes the elements of columns first .. first + count - 1 from the loaded row.
    void ClearColumns(int32_t first, int32_t count);
    // Whether the working row holds any element.
    bool Any() const { return m_present != 0; }
    bool Has(int32_t x) const { return m_present != 0 && m_store.IsPresent(x); }
    uint8_t* Element(int32_t x) {
        m_loaded = kNoRow; // the caller may change it
        return m_store.Element(x);
    }
    const uint8_t* Element(int32_t x) const { return const_cast<SparseBuffer&>(m_store).Element(x); }
    // Whether loaded row y, unchanged since it was stored, holds in columns first .. first + count - 1
    // exactly the given elements: those whose bits are set in present (32 columns a word, from first;
    // null: none), kElementSize bytes each at their column's place in elements.
    bool Holds(int32_t y, int32_t first, int32_t count, const uint32_t* present,
               const uint8_t* elements) const;
    // Makes x present with the given parts.
    void Set(int32_t x, const uint8_t* under, const uint8_t* line, uint16_t mask);
    static uint16_t Mask(const uint8_t* element) {
        return static_cast<uint16_t>(element[kMask] | element[kMask + 1] << 8);
    }
    static void SetMask(uint8_t* element, uint16_t mask) {
        element[kMask] = static_cast<uint8_t>(mask);
        element[kMask + 1] = static_cast<uint8_t>(mask >> 8);
    }

private:
    static constexpr int32_t kNoRow = -1;
    void CountPresent();

    SparseBuffer m_store;
    // Per stored row: whether it holds any element.
    std::vector<uint8_t> m_rowUsed;
    // Elements present in the working row; absent elements are kept zeroed.
    int32_t m_present = 0;
    // The stored row the working row equals unchanged, or kNoRow.
    int32_t m_loaded = kNoRow;
};

} // namespace ts
