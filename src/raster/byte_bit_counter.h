#pragma once

#include <array>
#include <cstdint>

namespace ts {

// Number of set bits of every byte value; counts the covered sub-pixels of a coverage mask a byte at
// a time.
struct ByteBitCounter {
    std::array<uint8_t, 256> count{};

    static constexpr ByteBitCounter Build() {
        ByteBitCounter t;
        for (uint32_t i = 0; i < 256; ++i) {
            // Each value has one bit more than the value with its lowest set bit cleared.
            t.count[i] = static_cast<uint8_t>(i == 0 ? 0 : t.count[i & (i - 1)] + 1);
        }
        return t;
    }

    constexpr uint8_t operator[](uint8_t b) const { return count[b]; }
};

inline constexpr ByteBitCounter kByteBitCounter = ByteBitCounter::Build();

// Set bits of a 16-bit coverage mask (0..16).
constexpr int CountMaskBits(uint16_t mask) {
    return kByteBitCounter.count[mask & 0xFFu] + kByteBitCounter.count[mask >> 8];
}

// Set bits of a 64-bit word, by halves, nibbles and bytes (the processor's own count instruction is not
// part of the base instruction set the program is built for, and the library call it falls back to costs
// more than this).
constexpr int CountBits64(uint64_t v) {
    v = v - ((v >> 1) & 0x5555555555555555ull);
    v = (v & 0x3333333333333333ull) + ((v >> 2) & 0x3333333333333333ull);
    v = (v + (v >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return static_cast<int>((v * 0x0101010101010101ull) >> 56);
}

} // namespace ts
