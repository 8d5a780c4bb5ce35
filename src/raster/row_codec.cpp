#include "raster/row_codec.h"

#include "raster/encode_table.h"

#include <algorithm>
#include <cstring>

namespace ts::rowcodec {

namespace {

constexpr size_t kUnit = 4;
constexpr size_t kMaxLiteralUnits = 32;
constexpr size_t kMaxRepeatUnits = 128;
// The writer checks, before each unit, that 8 bytes past its output position stay below the limit,
// and needs 11 bytes for the first unit and the longest tail.
constexpr size_t kWriterLookAhead = 9;
constexpr size_t kMinRoom = 11;

inline uint8_t ClampByte(int v) {
    return static_cast<uint8_t>(std::clamp(v, 0, 255));
}

// Applies the four field deltas of one unit: running sums from the byte before, clamped at the end.
inline uint8_t ApplyDeltaUnit(const int8_t (&deltas)[4], uint8_t prev, uint8_t* out) {
    int sum = prev;
    int sums[4];
    for (int k = 0; k < 4; ++k) {
        sum += deltas[k];
        sums[k] = sum;
    }
    for (int k = 0; k < 4; ++k) {
        out[k] = ClampByte(sums[k]);
    }
    return out[3];
}

} // namespace

size_t WorstCaseRoom(size_t rawLength) {
    if (rawLength < kUnit) {
        return std::max(rawLength + 3, kMinRoom);
    }
    const size_t units = rawLength / kUnit;
    const size_t tail = rawLength % kUnit;
    const size_t codes = (units + kMaxLiteralUnits - 1) / kMaxLiteralUnits;
    const size_t encoded = kLengthBytes + codes + units * kUnit + (tail ? tail + 1 : 0);
    return std::max(encoded + kWriterLookAhead, kMinRoom);
}

bool RawLengthFits(size_t rawLength) {
    return rawLength > 0 && WorstCaseRoom(rawLength) - kWriterLookAhead <= kMaxEncodedLength;
}

size_t Encode(const uint8_t* raw, size_t rawLength, uint8_t* dest, const uint8_t* limit) {
    if (limit <= dest || static_cast<size_t>(limit - dest) < kMinRoom) {
        return 0;
    }
    uint8_t* out = dest + kLengthBytes;
    if (rawLength < kUnit) {
        if (rawLength > 0) {
            *out++ = static_cast<uint8_t>(0x80 | (rawLength - 1));
            std::memcpy(out, raw, rawLength);
            out += rawLength;
        }
        SetStoredLength(dest, static_cast<size_t>(out - dest));
        return static_cast<size_t>(out - dest);
    }

    const size_t units = rawLength / kUnit;
    uint8_t* code = out;
    *out++ = 0x80;
    std::memcpy(out, raw, kUnit);
    out += kUnit;
    bool literal = true;
    size_t count = 1;

    for (size_t u = 1; u < units; ++u) {
        if (out + 8 >= limit) {
            return 0;
        }
        const uint8_t* unit = raw + u * kUnit;
        uint32_t value;
        std::memcpy(&value, unit, kUnit);
        const uint32_t repeated = 0x01010101u * unit[-1];
        if (value == repeated) {
            if (literal || count == kMaxRepeatUnits) {
                code = out;
                *out++ = 0x00;
                literal = false;
                count = 1;
            } else {
                ++count;
                *code = static_cast<uint8_t>(count - 1);
            }
            // Extend the repeat run over the equal units that follow without re-checking the
            // limit: the output position does not move while it grows.
            while (count < kMaxRepeatUnits && u + 1 < units) {
                std::memcpy(&value, unit + kUnit, kUnit);
                if (value != repeated) {
                    break;
                }
                ++u;
                unit += kUnit;
                ++count;
            }
            *code = static_cast<uint8_t>(count - 1);
        } else {
            if (literal && count < kMaxLiteralUnits) {
                ++count;
                *code = static_cast<uint8_t>(0x80 | (count - 1));
            } else {
                code = out;
                *out++ = 0x80;
                literal = true;
                count = 1;
            }
            std::memcpy(out, unit, kUnit);
            out += kUnit;
        }
    }

    const size_t tail = rawLength % kUnit;
    if (tail) {
        *out++ = static_cast<uint8_t>(0xBC + tail);
        std::memcpy(out, raw + units * kUnit, tail);
        out += tail;
    }
    const size_t length = static_cast<size_t>(out - dest);
    SetStoredLength(dest, length);
    return length;
}

bool Decode(const uint8_t* encoded, size_t available, uint8_t* dest, size_t rawLength) {
    if (available < kLengthBytes) {
        return false;
    }
    const size_t length = StoredLength(encoded);
    if (length < kLengthBytes || length > available) {
        return false;
    }
    if (length == kEmptyRowLength) {
        return true;
    }
    const uint8_t* in = encoded + kLengthBytes;
    const uint8_t* const end = encoded + length;
    uint8_t* out = dest;
    uint8_t* const outEnd = dest + rawLength;

    // A row shorter than one unit is one literal code that counts bytes instead of units.
    if (rawLength < kUnit && (*in & 0xE0) == 0x80 && static_cast<size_t>(*in & 0x1F) + 1 == rawLength) {
        ++in;
        if (static_cast<size_t>(end - in) != rawLength) {
            return false;
        }
        std::memcpy(dest, in, rawLength);
        return true;
    }

    const EncodeTable& table = kEncodeTable;
    uint8_t prev = 0;
    while (in < end) {
        const uint8_t c = *in++;
        const size_t outLeft = static_cast<size_t>(outEnd - out);
        if (c < 0x80) {
            const size_t n = (static_cast<size_t>(c) + 1) * kUnit;
            if (n > outLeft) {
                return false;
            }
            if (n == kMaxRepeatUnits * kUnit) {
                std::memset(out, prev, kMaxRepeatUnits * kUnit);
            } else {
                std::memset(out, prev, n);
            }
            out += n;
        } else if (c < 0xA0) {
            const size_t n = (static_cast<size_t>(c & 0x1F) + 1) * kUnit;
            if (n > outLeft || n > static_cast<size_t>(end - in)) {
                return false;
            }
            if (n == kMaxLiteralUnits * kUnit) {
                std::memcpy(out, in, kMaxLiteralUnits * kUnit);
            } else {
                std::memcpy(out, in, n);
            }
            in += n;
            out += n;
            prev = out[-1];
        } else if (c >= 0xBD && c <= 0xBF) {
            const size_t n = static_cast<size_t>(c - 0xBC);
            if (n > outLeft || n > static_cast<size_t>(end - in)) {
                return false;
            }
            std::memcpy(out, in, n);
            in += n;
            out += n;
            prev = out[-1];
        } else {
            const size_t units = static_cast<size_t>(c & 0x1F) + 1;
            const int bits = c < 0xBD ? 2 : (c < 0xE0 ? 3 : 4);
            const size_t need = (units * 4 * static_cast<size_t>(bits) + 7) / 8;
            if (units * kUnit > outLeft || need > static_cast<size_t>(end - in)) {
                return false;
            }
            // Fields are read least significant bit first across the run's bytes.
            uint32_t acc = 0;
            int accBits = 0;
            const uint8_t* src = in;
            for (size_t u = 0; u < units; ++u) {
                int8_t deltas[4];
                for (int k = 0; k < 4; ++k) {
                    if (accBits < bits) {
                        acc |= static_cast<uint32_t>(*src++) << accBits;
                        accBits += 8;
                    }
                    const uint32_t field = acc & ((1u << bits) - 1);
                    acc >>= bits;
                    accBits -= bits;
                    deltas[k] = bits == 2 ? table.delta2[field] : bits == 3 ? table.delta3[field] : table.delta4[field];
                }
                prev = ApplyDeltaUnit(deltas, prev, out);
                out += kUnit;
            }
            in += need;
        }
    }
    return out == outEnd;
}

bool HasDeltaCodes(const uint8_t* encoded) {
    const size_t length = StoredLength(encoded);
    const uint8_t* in = encoded + kLengthBytes;
    const uint8_t* const end = encoded + std::max(length, kLengthBytes);
    while (in < end) {
        const uint8_t c = *in++;
        if (c < 0x80) {
            continue;
        }
        if (c < 0xA0) {
            in += (static_cast<size_t>(c & 0x1F) + 1) * kUnit;
        } else if (c >= 0xBD && c <= 0xBF) {
            in += static_cast<size_t>(c - 0xBC);
        } else {
            return true;
        }
    }
    return false;
}

} // namespace ts::rowcodec
