#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace ts {

// One bit per pixel. A row is width / 32 + 1 words of 32 bits; bit x of row y is bit x % 32 (counted
// from the least significant) of word x / 32. The bit operations do not check their coordinates:
// callers keep them inside the mask.
class FastBitonalMask {
public:
    // Refused by Resize: more than this many bytes of words.
    static constexpr uint64_t kMaxBytes = uint64_t{1} << 30;

    FastBitonalMask() = default;
    FastBitonalMask(const FastBitonalMask&) = delete;
    FastBitonalMask& operator=(const FastBitonalMask&) = delete;

    // All bits 0 at the new size. The same size only clears, keeping the memory. False on negative or
    // absurd sizes or when the memory cannot be had; the mask then keeps what it had.
    bool Resize(int32_t width, int32_t height);
    void Clear();

    int32_t Width() const { return m_width; }
    int32_t Height() const { return m_height; }
    int32_t WordsPerRow() const { return m_wordsPerRow; }
    uint32_t* Row(int32_t y) { return m_rows[static_cast<size_t>(y)]; }
    const uint32_t* Row(int32_t y) const { return m_rows[static_cast<size_t>(y)]; }

    void SetBit(int32_t x, int32_t y) { Row(y)[x >> 5] |= uint32_t{1} << (x & 31); }
    void ClearBit(int32_t x, int32_t y) { Row(y)[x >> 5] &= ~(uint32_t{1} << (x & 31)); }
    bool TestBit(int32_t x, int32_t y) const { return (Row(y)[x >> 5] >> (x & 31)) & 1u; }
    void ClearRow(int32_t y);
    // Sets columns left .. right - 1 of rows top .. bottom - 1; an empty rectangle sets nothing.
    void SetRect(int32_t left, int32_t top, int32_t right, int32_t bottom);

private:
    int32_t m_width = 0;
    int32_t m_height = 0;
    int32_t m_wordsPerRow = 0;
    std::unique_ptr<uint32_t[]> m_words;
    std::vector<uint32_t*> m_rows;
};

} // namespace ts
