#include "raster/row_runs.h"

#include "raster/row_code_units.h"
#include "raster/row_codec.h"

#include <algorithm>
#include <cstring>

namespace ts::rowcodec {

namespace {

using namespace detail;

// The raw bytes of a literal or tail code c (0x80 and up); 0 for a delta code, which the readers
// here leave to the decoder.
inline size_t LiteralBytes(unsigned c) {
    if (c < 0xA0) [[likely]] {
        return ((c & 0x1Fu) + size_t{1}) * kUnit;
    }
    return c >= 0xBD && c <= 0xBF ? c - size_t{0xBC} : 0;
}

// Collects runs, joining one to the run before it when their values are the same. The common case, a
// stretch of one value, goes without branches on the values: the new run is written into the free
// slot ahead of knowing whether it is taken.
class RunList {
public:
    RunList(ByteRun* runs, size_t maxRuns) : m_runs(runs), m_max(maxRuns) {}

    // Positions from .. to - 1 (to > from) hold value.
    bool Add(size_t from, size_t to, uint8_t value) {
        if (m_count == m_max) [[unlikely]] {
            if (value != m_last) {
                return false;
            }
        } else {
            m_runs[m_count].from = static_cast<uint32_t>(from);
            m_runs[m_count].value = value;
            m_count += value != m_last ? 1 : 0;
        }
        m_runs[m_count - 1].to = static_cast<uint32_t>(to);
        m_last = value;
        return true;
    }

    // Bytes p[0 .. to - from) at positions from .. to - 1, in runs where they change.
    bool AddBytes(const uint8_t* p, size_t from, size_t to) {
        for (size_t i = from; i < to; ++i) {
            if (!Add(i, i + 1, p[i - from])) {
                return false;
            }
        }
        return true;
    }

    size_t Count() const { return m_count; }

private:
    ByteRun* m_runs;
    size_t m_max;
    size_t m_count = 0;
    int m_last = -1; // the value of the last run; none at first
};

// Whether bytes lo .. hi - 1 (0 <= lo < hi <= n) of a literal of n bytes at p are one value.
[[gnu::always_inline]] inline bool OneValue(const uint8_t* p, size_t n, size_t lo, size_t hi) {
    if (n == kUnit) {
        // A single unit, as at the edges of a stroke: one word, the bytes outside the range masked off.
        uint32_t word = 0;
        std::memcpy(&word, p, kUnit);
        const uint32_t pattern = 0x01010101u * p[lo];
        const uint64_t mask = ((uint64_t{1} << (8 * (hi - lo))) - 1) << (8 * lo);
        return ((word ^ pattern) & mask) == 0;
    }
    const uint64_t pattern = 0x0101010101010101u * p[lo];
    size_t i = lo;
    for (; i + 8 <= hi; i += 8) {
        uint64_t word = 0;
        std::memcpy(&word, p + i, 8);
        if (word != pattern) {
            return false;
        }
    }
    for (; i < hi; ++i) {
        if (p[i] != p[lo]) {
            return false;
        }
    }
    return true;
}

} // namespace

size_t SpanRuns(const uint8_t* encoded, size_t available, size_t rawLength, size_t from, size_t to,
                ByteRun* runs, size_t maxRuns) {
    if (from >= to || to > rawLength || rawLength < kUnit || maxRuns == 0 || available < kLengthBytes) {
        return 0;
    }
    const size_t length = StoredLength(encoded);
    if (length < kLengthBytes || length > available) {
        return 0;
    }
    RunList list(runs, maxRuns);
    if (length == kEmptyRowLength) {
        list.Add(0, to - from, 0);
        return list.Count();
    }
    const uint8_t* in = encoded + kLengthBytes;
    const uint8_t* const end = encoded + length;
    size_t pos = 0;
    uint8_t prev = 0; // a row that starts with a repeat repeats 0
    while (pos < to) {
        if (in >= end) {
            return 0;
        }
        const unsigned c = *in++;
        size_t n = 0;
        bool repeat = false;
        if (c < 0xA0) [[likely]] {
            repeat = c < 0x80;
            n = ((c & (repeat ? 0x7Fu : 0x1Fu)) + size_t{1}) * kUnit;
        } else if (c >= 0xBD && c <= 0xBF) {
            n = c - size_t{0xBC}; // the tail at a row's end, in bytes
        } else {
            return 0; // delta codes: the caller decodes
        }
        if (n > rawLength - pos || (!repeat && n > static_cast<size_t>(end - in))) {
            return 0;
        }
        const size_t next = pos + n;
        // Codes wholly before the span only move the walk on.
        if (next <= from) {
            if (!repeat) {
                in += n;
                prev = in[-1];
            }
            pos = next;
            continue;
        }
        const size_t lo = std::max(pos, from) - pos;
        const size_t hi = std::min(next, to) - pos;
        if (repeat) {
            if (!list.Add(pos + lo - from, pos + hi - from, prev)) {
                return 0;
            }
        } else {
            if (OneValue(in, n, lo, hi)) {
                if (!list.Add(pos + lo - from, pos + hi - from, in[lo])) {
                    return 0;
                }
            } else if (!list.AddBytes(in + lo, pos + lo - from, pos + hi - from)) {
                return 0;
            }
            in += n;
            prev = in[-1];
        }
        pos = next;
    }
    return list.Count();
}

bool SpanOneValue(const uint8_t* encoded, size_t available, size_t rawLength, size_t from, size_t to,
                  uint8_t& value) {
    if (from >= to || to > rawLength || rawLength < kUnit || available < kLengthBytes) {
        return false;
    }
    const size_t length = StoredLength(encoded);
    if (length < kLengthBytes || length > available) {
        return false;
    }
    if (length == kEmptyRowLength) {
        value = 0;
        return true;
    }
    const uint8_t* in = encoded + kLengthBytes;
    const uint8_t* const end = encoded + length;
    size_t pos = 0;
    uint8_t prev = 0; // a row that starts with a repeat repeats 0
    bool inside = false;
    while (pos < to) {
        if (in >= end) {
            return false;
        }
        const unsigned c = *in++;
        size_t n = 0;
        if (c < 0x80) [[likely]] {
            n = (c + size_t{1}) * kUnit;
            if (n > rawLength - pos) {
                return false;
            }
            if (!inside && pos + n > from) {
                // The span starts in a repeat: its value is the span's, and the repeats after it
                // repeat the same byte.
                value = prev;
                inside = true;
            }
            pos += n;
            continue;
        }
        n = LiteralBytes(c);
        if (n == 0) {
            return false; // delta codes: the caller decodes
        }
        if (n > rawLength - pos || n > static_cast<size_t>(end - in)) {
            return false;
        }
        const size_t next = pos + n;
        if (next > from) {
            const size_t lo = std::max(pos, from) - pos;
            const size_t hi = std::min(next, to) - pos;
            if (!inside) {
                value = in[lo];
                inside = true;
            }
            if (in[lo] != value || !OneValue(in, n, lo, hi)) {
                return false;
            }
        }
        in += n;
        prev = in[-1];
        pos = next;
    }
    return true;
}

namespace {

// Copies and fills of n bytes, most of them short (a unit at a run's edge): fixed-size pieces that
// overlap, rather than a call.
[[gnu::always_inline]] inline void CopySmall(uint8_t* dest, const uint8_t* src, size_t n) {
    if (n > 16) {
        std::memcpy(dest, src, n);
    } else if (n >= 8) {
        std::memcpy(dest, src, 8);
        std::memcpy(dest + n - 8, src + n - 8, 8);
    } else if (n >= 4) {
        std::memcpy(dest, src, 4);
        std::memcpy(dest + n - 4, src + n - 4, 4);
    } else if (n != 0) {
        dest[0] = src[0];
        dest[n / 2] = src[n / 2];
        dest[n - 1] = src[n - 1];
    }
}

[[gnu::always_inline]] inline void FillSmall(uint8_t* dest, uint8_t value, size_t n) {
    if (n > 16) {
        std::memset(dest, value, n);
        return;
    }
    const uint64_t pattern = 0x0101010101010101u * value;
    if (n >= 8) {
        std::memcpy(dest, &pattern, 8);
        std::memcpy(dest + n - 8, &pattern, 8);
    } else if (n >= 4) {
        std::memcpy(dest, &pattern, 4);
        std::memcpy(dest + n - 4, &pattern, 4);
    } else if (n != 0) {
        dest[0] = value;
        dest[n / 2] = value;
        dest[n - 1] = value;
    }
}

// The rows' bytes lo .. hi - 1 of a literal of n bytes at offset i of each row are v0, v1 and v2.
[[gnu::always_inline]] inline bool LiteralKeeps(const uint8_t* e0, const uint8_t* e1, const uint8_t* e2,
                                                size_t i, size_t n, size_t lo, size_t hi, uint8_t v0,
                                                uint8_t v1, uint8_t v2) {
    if (n == kUnit) {
        // A single unit, as at the edges of a stroke: a word of each, one mask for the three.
        uint32_t w[3];
        std::memcpy(&w[0], e0 + i, kUnit);
        std::memcpy(&w[1], e1 + i, kUnit);
        std::memcpy(&w[2], e2 + i, kUnit);
        const auto mask = static_cast<uint32_t>(((uint64_t{1} << (8 * (hi - lo))) - 1) << (8 * lo));
        return (((w[0] ^ 0x01010101u * v0) | (w[1] ^ 0x01010101u * v1) | (w[2] ^ 0x01010101u * v2)) & mask) ==
               0;
    }
    return e0[i + lo] == v0 && e1[i + lo] == v1 && e2[i + lo] == v2 && OneValue(e0 + i, n, lo, hi) &&
           OneValue(e1 + i, n, lo, hi) && OneValue(e2 + i, n, lo, hi);
}

// Where a walk of three rows found a literal inside the span that is not the rows' values so far: the
// offset of its code (0 for none) and the position of its first byte.
struct BreakingLiteral {
    size_t code = 0;
    size_t pos = 0;
};

// Whether three rows of one shape, their length checked against what is there, are each one value over
// the span; sets values. The common case of SpanValues, walked with nothing more to keep than the
// place in the codes. When a literal breaks the values (rather than the codes being of other shapes or
// not read this way), its place is set and values holds the values up to it.
bool AllOneValue(const uint8_t* e0, const uint8_t* e1, const uint8_t* e2, size_t length, size_t rawLength,
                 size_t from, size_t to, uint8_t values[3], BreakingLiteral& broken) {
    size_t i = kLengthBytes;
    size_t pos = 0;
    bool inside = false;
    uint8_t v0 = 0; // a row that starts with a repeat repeats 0
    uint8_t v1 = 0;
    uint8_t v2 = 0;
    while (pos < to) {
        if (i >= length) {
            return false;
        }
        const unsigned c = e0[i];
        if (e1[i] != c || e2[i] != c) {
            return false;
        }
        ++i;
        if (c < 0x80) [[likely]] {
            // A repeat: the span's value when the span starts in it, and no change inside the span.
            const size_t n = (c + size_t{1}) * kUnit;
            if (n > rawLength - pos) {
                return false;
            }
            pos += n;
            inside = inside || pos > from;
            continue;
        }
        const size_t n = LiteralBytes(c);
        if (n == 0) {
            return false;
        }
        if (n > rawLength - pos || n > length - i) {
            return false;
        }
        const size_t next = pos + n;
        if (next > from) {
            const size_t lo = std::max(pos, from) - pos;
            const size_t hi = std::min(next, to) - pos;
            if (!inside) {
                v0 = e0[i + lo];
                v1 = e1[i + lo];
                v2 = e2[i + lo];
                inside = true;
            }
            if (!LiteralKeeps(e0, e1, e2, i, n, lo, hi, v0, v1, v2)) {
                broken.code = i - 1;
                broken.pos = pos;
                values[0] = v0;
                values[1] = v1;
                values[2] = v2;
                return false;
            }
        }
        i += n;
        if (!inside) {
            // Until the span starts, the byte a repeat would repeat.
            v0 = e0[i - 1];
            v1 = e1[i - 1];
            v2 = e2[i - 1];
        }
        pos = next;
    }
    values[0] = v0;
    values[1] = v1;
    values[2] = v2;
    return true;
}

} // namespace

SpanValueInfo SpanValues(const uint8_t* const encoded[3], const size_t available[3], size_t rawLength,
                         size_t from, size_t to, uint8_t values[3], uint8_t* const bytes[3]) {
    auto alone = [&] {
        SpanValueInfo info;
        for (unsigned k = 0; k < 3; ++k) {
            info.one |= SpanOneValue(encoded[k], available[k], rawLength, from, to, values[k]) ? 1u << k : 0u;
        }
        return info;
    };
    if (from >= to || to > rawLength || rawLength < kUnit) {
        return {};
    }
    for (unsigned k = 0; k < 3; ++k) {
        if (available[k] < kLengthBytes) {
            return alone();
        }
    }
    const size_t length = StoredLength(encoded[0]);
    if (length <= kEmptyRowLength || length > available[0] || length > available[1] ||
        length > available[2] || StoredLength(encoded[1]) != length || StoredLength(encoded[2]) != length) {
        return alone();
    }
    BreakingLiteral broken;
    if (AllOneValue(encoded[0], encoded[1], encoded[2], length, rawLength, from, to, values, broken)) {
        return {7u, 0u};
    }
    // Else a walk spelling out the rows that are not one value: on from the literal that broke the
    // values, the bytes before it being the values, or again from the start.
    size_t i = kLengthBytes;
    size_t pos = 0;
    uint8_t prev[3] = {}; // a row that starts with a repeat repeats 0
    bool inside = false;
    if (broken.code != 0) {
        i = broken.code;
        pos = broken.pos;
        std::copy(values, values + 3, prev);
        inside = true;
    }
    // Rows one value so far; the others are spelled out from where they stopped being one.
    unsigned one = 7;
    while (pos < to) {
        if (i >= length) {
            return {}; // codes that end early end early in all three
        }
        const unsigned c = encoded[0][i];
        if (encoded[1][i] != c || encoded[2][i] != c) {
            // Shapes part: what was spelled is dropped, and each row is asked alone.
            return alone();
        }
        ++i;
        size_t n = 0;
        if (c < 0x80) [[likely]] {
            n = (c + size_t{1}) * kUnit;
            if (n > rawLength - pos) {
                return {};
            }
            if (!inside) {
                if (pos + n > from) {
                    std::copy(prev, prev + 3, values);
                    inside = true;
                }
            } else if (one != 7) {
                // A repeat keeps a row of one value as it is; rows spelled out get the repeated byte.
                const size_t b = pos - from;
                const size_t e = std::min(pos + n, to) - from;
                for (unsigned k = 0; k < 3; ++k) {
                    if (!(one >> k & 1u)) {
                        FillSmall(bytes[k] + b, prev[k], e - b);
                    }
                }
            }
            pos += n;
            continue;
        }
        n = LiteralBytes(c);
        if (n == 0) {
            return {}; // the same delta code in all three
        }
        if (n > rawLength - pos || n > length - i) {
            return {};
        }
        const size_t next = pos + n;
        if (next > from) {
            const size_t lo = std::max(pos, from) - pos;
            const size_t hi = std::min(next, to) - pos;
            const size_t b = pos + lo - from;
            for (unsigned k = 0; k < 3; ++k) {
                const uint8_t* p = encoded[k] + i;
                if (!inside) {
                    values[k] = p[lo];
                }
                if (one >> k & 1u) {
                    if (p[lo] == values[k] && OneValue(p, n, lo, hi)) {
                        continue;
                    }
                    one &= ~(1u << k);
                    FillSmall(bytes[k], values[k], b);
                }
                CopySmall(bytes[k] + b, p + lo, hi - lo);
            }
            inside = true;
        }
        i += n;
        for (unsigned k = 0; k < 3; ++k) {
            prev[k] = encoded[k][i - 1];
        }
        pos = next;
    }
    return {one, 7u & ~one};
}

} // namespace ts::rowcodec
