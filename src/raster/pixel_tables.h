#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace ts {

// Process-wide lookup tables of the pixel arithmetic. All are built by the compiler and never change,
// so they are shared freely.

// Multiplication of an 8-bit value by an 8-bit coverage or opacity: entry [i][j] is
// min(255, floor(i * j / 255 + 0.5)), computed exactly as floor((2ij + 255) / 510).
struct ProductTable {
    std::array<std::array<uint8_t, 256>, 256> entry{};

    static constexpr ProductTable Build() {
        ProductTable t;
        for (uint32_t i = 0; i < 256; ++i) {
            for (uint32_t j = 0; j < 256; ++j) {
                const uint32_t v = (2 * i * j + 255) / 510;
                t.entry[i][j] = static_cast<uint8_t>(v > 255 ? 255 : v);
            }
        }
        return t;
    }
};

inline constexpr ProductTable kProductTable = ProductTable::Build();

// a * b / 255, rounded to nearest.
inline uint8_t Mul8(uint8_t a, uint8_t b) {
    return kProductTable.entry[a][b];
}

// Entry j is j for j < 2, otherwise one less than the largest power of two not above j, capped at 63:
// 1 for 2-3, 3 for 4-7, 7 for 8-15, 15 for 16-31, 31 for 32-63 and 63 for 64-255. ANDing a value
// with entry j therefore keeps it below j.
struct LowMaskTable {
    std::array<uint8_t, 256> entry{};

    static constexpr LowMaskTable Build() {
        LowMaskTable t;
        for (uint32_t j = 0; j < 256; ++j) {
            if (j < 2) {
                t.entry[j] = static_cast<uint8_t>(j);
                continue;
            }
            uint32_t power = 1;
            while (power * 2 <= j) {
                power *= 2;
            }
            t.entry[j] = static_cast<uint8_t>(power - 1 > 63 ? 63 : power - 1);
        }
        return t;
    }
};

inline constexpr LowMaskTable kLowMaskTable = LowMaskTable::Build();

inline uint8_t LowMask(uint8_t j) {
    return kLowMaskTable.entry[j];
}

// Clamping of a byte plus a signed difference: entry k is clamp(k - 512, 0, 255), so a sum s in
// -512..511 is clamped by looking up entry s + 512.
struct PixelClamp {
    static constexpr int kOffset = 512;
    static constexpr size_t kSize = 1024;
    std::array<int32_t, kSize> entry{};

    static constexpr PixelClamp Build() {
        PixelClamp t;
        for (int32_t k = 0; k < static_cast<int32_t>(kSize); ++k) {
            const int32_t v = k - kOffset;
            t.entry[static_cast<size_t>(k)] = v < 0 ? 0 : (v > 255 ? 255 : v);
        }
        return t;
    }
};

inline constexpr PixelClamp kPixelClamp = PixelClamp::Build();

// value + difference clamped to 0..255; the sum must lie in -512..511.
inline uint8_t ClampAdd(int32_t value, int32_t difference) {
    return static_cast<uint8_t>(
        kPixelClamp.entry[static_cast<size_t>(value + difference + PixelClamp::kOffset)]);
}

// 16384 pseudo-random bytes: byte i is the low 8 bits of the (i + 1)-th result of the linear
// congruential generator seed = seed * 214013 + 2531011 (32-bit wrap), result (seed >> 16) & 0x7FFF,
// started from seed 1. The sequence is fixed here rather than taken from the C library so that grain
// and dither patterns are the same on every machine.
struct RandomTables {
    static constexpr size_t kSize = 16384;
    std::array<uint8_t, kSize> entry{};

    static constexpr uint32_t Next(uint32_t& seed) {
        seed = seed * 214013u + 2531011u;
        return (seed >> 16) & 0x7FFFu;
    }

    static constexpr RandomTables Build() {
        RandomTables t;
        uint32_t seed = 1;
        for (size_t i = 0; i < kSize; ++i) {
            t.entry[i] = static_cast<uint8_t>(Next(seed) & 0xFFu);
        }
        return t;
    }
};

inline constexpr RandomTables kRandomTables = RandomTables::Build();

// Random byte i, the index wrapping every 16384 entries.
inline uint8_t RandomByte(size_t i) {
    return kRandomTables.entry[i & (RandomTables::kSize - 1)];
}

} // namespace ts
