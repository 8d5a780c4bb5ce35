#pragma once

#include <array>
#include <cstdint>

namespace ts {

// Tables of the run-length row code's delta runs: the value of each 2-, 3- and 4-bit delta field,
// and, for a byte i following a byte j, the class of the smallest delta field that holds i - j
// (0x10 | n for 2 bits, 0x20 | n for 3 bits, 0x40 | n for 4 bits, 0x80 when none does; n is the
// low nibble of the difference). The row writer emits no deltas; readers accept them.
struct EncodeTable {
    std::array<int8_t, 4> delta2{};
    std::array<int8_t, 8> delta3{};
    std::array<int8_t, 16> delta4{};
    std::array<std::array<uint8_t, 256>, 256> deltaClass{}; // [new byte i][previous byte j]

    static constexpr EncodeTable Build() {
        EncodeTable t;
        t.delta2 = {0, 1, -2, -1};
        t.delta3 = {0, 1, 2, 3, -4, -3, -2, -1};
        for (int v = 0; v < 16; ++v) {
            t.delta4[static_cast<size_t>(v)] = static_cast<int8_t>(v < 8 ? v : v - 16);
        }
        for (int i = 0; i < 256; ++i) {
            for (int j = 0; j < 256; ++j) {
                const int n = i - j;
                uint8_t cls = 0x80;
                if (n >= -2 && n <= 1) {
                    cls = static_cast<uint8_t>(0x10 | (n & 0x0F));
                } else if (n >= -4 && n <= 3) {
                    cls = static_cast<uint8_t>(0x20 | (n & 0x0F));
                } else if (n >= -8 && n <= 7) {
                    cls = static_cast<uint8_t>(0x40 | (n & 0x0F));
                }
                t.deltaClass[static_cast<size_t>(i)][static_cast<size_t>(j)] = cls;
            }
        }
        return t;
    }
};

// Built by the compiler; immutable, so shared freely.
inline constexpr EncodeTable kEncodeTable = EncodeTable::Build();

} // namespace ts
