#include "raster/row_map.h"

#include "raster/row_code_units.h"
#include "raster/row_codec.h"

#include <array>
#include <cstring>

namespace ts::rowcodec {

namespace {

using namespace detail;

// True when the table maps every byte to itself.
bool IsIdentity(const uint8_t* table) {
    static constexpr auto kIdentity = [] {
        std::array<uint8_t, 256> t{};
        for (size_t v = 0; v < t.size(); ++v) {
            t[v] = static_cast<uint8_t>(v);
        }
        return t;
    }();
    return std::memcmp(table, kIdentity.data(), kIdentity.size()) == 0;
}

} // namespace

size_t MapCodes(const uint8_t* encoded, size_t available, size_t rawLength, const uint8_t* table,
                uint8_t* dest) {
    if (available < kLengthBytes || rawLength < kUnit) {
        return 0;
    }
    const size_t length = StoredLength(encoded);
    if (length <= kEmptyRowLength || length > available) {
        return 0;
    }
    const bool identity = IsIdentity(table);
    const uint8_t* in = encoded + kLengthBytes;
    const uint8_t* const end = encoded + length;
    uint8_t* out = dest + kLengthBytes;
    SetStoredLength(dest, length);
    size_t pos = 0;       // raw bytes made so far
    uint8_t prev = 0;     // the last mapped byte
    int lastKind = 0;     // the code before: 0 none, 1 literal, 2 repeat
    size_t lastUnits = 0; // and its units
    while (in < end) {
        const uint8_t c = *in++;
        *out++ = c;
        if (c < 0x80) {
            // The writer starts with a literal unit and splits repeats only at the longest run.
            const size_t units = static_cast<size_t>(c) + 1;
            if (lastKind == 0 || (lastKind == 2 && lastUnits != kMaxRepeatUnits) ||
                pos + units * kUnit > rawLength) {
                return 0;
            }
            pos += units * kUnit;
            lastKind = 2;
            lastUnits = units;
            continue;
        }
        if (c < 0xA0) {
            const size_t units = static_cast<size_t>(c & 0x1F) + 1;
            const size_t n = units * kUnit;
            if ((lastKind == 1 && lastUnits != kMaxLiteralUnits) || pos + n > rawLength ||
                n > static_cast<size_t>(end - in)) {
                return 0;
            }
            // No unit after the row's first may come out as a repeat of the byte before it. The
            // identity leaves the units as they were (the row is copied whole at the end): a row the
            // writer wrote stays its encoding, any other still decodes to the same bytes.
            if (!identity) {
                for (size_t i = 0; i < n; ++i) {
                    out[i] = table[in[i]];
                }
                for (size_t u = pos == 0 ? 1 : 0; u < units; ++u) {
                    const uint8_t before = u == 0 ? prev : out[u * kUnit - 1];
                    uint32_t unit;
                    std::memcpy(&unit, out + u * kUnit, kUnit);
                    if (unit == 0x01010101u * before) {
                        return 0;
                    }
                }
            }
            in += n;
            out += n;
            pos += n;
            prev = table[in[-1]];
            lastKind = 1;
            lastUnits = units;
            continue;
        }
        if (c >= 0xBD && c <= 0xBF) {
            const size_t n = static_cast<size_t>(c - 0xBC);
            // The tail ends the row and holds what the units leave over.
            if (lastKind == 0 || n != rawLength % kUnit || pos + n != rawLength ||
                n != static_cast<size_t>(end - in)) {
                return 0;
            }
            for (size_t i = 0; i < n; ++i) {
                out[i] = table[in[i]];
            }
            in += n;
            out += n;
            pos += n;
            continue;
        }
        return 0; // a delta code
    }
    if (pos != rawLength) {
        return 0;
    }
    if (identity) {
        std::memcpy(dest, encoded, length);
    }
    return length;
}

} // namespace ts::rowcodec
