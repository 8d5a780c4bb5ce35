#pragma once

#include "raster/compressed_buffer.h"

#include <cstdint>
#include <memory>

namespace ts {

// Rows of fixed-size elements of which only the present ones are stored, behind a presence bitmap
// (bit j of byte i stands for element 8i + j). The caller fills the working row and the bitmap, then
// stores the row; GetRow gives both back, absent elements zeroed.
class SparseBuffer : public CCompressedBuffer {
public:
    SparseBuffer();

    // elementSize is 1, 2, 4 or 8 bytes. Every row starts empty.
    bool Create(int32_t width, int32_t height, int32_t elementSize, float poolFactor);

    void GetRow(int32_t row);
    bool PutRow(int32_t row);

    int32_t ElementSize() const { return m_bytesPerPixel; }
    size_t BitmapBytes() const { return m_bitmapBytes; }
    uint8_t* PresenceBitmap() { return m_bitmap.get(); }
    const uint8_t* PresenceBitmap() const { return m_bitmap.get(); }
    bool IsPresent(int32_t x) const { return (m_bitmap[static_cast<size_t>(x) >> 3] >> (x & 7)) & 1; }
    void SetPresent(int32_t x, bool present);
    // Element x of the working row.
    uint8_t* Element(int32_t x) { return WorkingRow() + (static_cast<size_t>(x) << m_elementShift); }
    // Empties the working row and the bitmap.
    void ClearWorkingRow();

    // Decodes a stored sparse row into bitmap and elements; false (outputs partly written) when it is
    // malformed. Bounded on input and output, for rows that come from outside.
    static bool DecodeSparse(const uint8_t* encoded, size_t available, size_t bitmapBytes, int32_t width,
                             int32_t elementShift, uint8_t* bitmap, uint8_t* elements);

protected:
    size_t EncodeInto(const uint8_t* src, uint8_t* dest, const uint8_t* limit) override;
    size_t WorstCaseRoom() const override;

private:
    std::unique_ptr<uint8_t[]> m_bitmap;
    size_t m_bitmapBytes = 0;
    int32_t m_elementShift = 0;
};

} // namespace ts
