#pragma once

// What the row code's writer, reader, splicer and mapper share: the unit the code counts in, the
// longest runs one code holds, and the copy of whole units the decoder and the writer make.

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace ts::rowcodec::detail {

constexpr size_t kUnit = 4;
constexpr size_t kMaxLiteralUnits = 32;
constexpr size_t kMaxRepeatUnits = 128;

// Copies n bytes (a multiple of 4). Runs of 16 bytes or more go in 32- and 16-byte chunks, the last
// chunk overlapping the one before it, so nothing is written past the run.
inline void CopyRun(uint8_t* out, const uint8_t* in, size_t n) {
    if (n < 16) {
        for (size_t i = 0; i < n; i += 4) {
            std::memcpy(out + i, in + i, 4);
        }
        return;
    }
    size_t i = 0;
    for (; i + 32 <= n; i += 32) {
        std::memcpy(out + i, in + i, 32);
    }
    if (i + 16 <= n) {
        std::memcpy(out + i, in + i, 16);
        i += 16;
    }
    if (i < n) {
        std::memcpy(out + n - 16, in + n - 16, 16);
    }
}

} // namespace ts::rowcodec::detail
