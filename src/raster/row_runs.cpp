#include "raster/row_runs.h"

#include "raster/row_code_units.h"
#include "raster/row_codec.h"

#include <algorithm>
#include <cstring>

namespace ts::rowcodec {

namespace {

using namespace detail;

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
inline bool OneValue(const uint8_t* p, size_t n, size_t lo, size_t hi) {
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
        if (c < 0xA0) [[likely]] {
            n = ((c & 0x1Fu) + size_t{1}) * kUnit;
        } else if (c >= 0xBD && c <= 0xBF) {
            n = c - size_t{0xBC}; // the tail at a row's end, in bytes
        } else {
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

unsigned SpanOneValues(const uint8_t* const encoded[3], const size_t available[3], size_t rawLength,
                       size_t from, size_t to, uint8_t values[3]) {
    auto alone = [&] {
        unsigned one = 0;
        for (unsigned k = 0; k < 3; ++k) {
            one |= SpanOneValue(encoded[k], available[k], rawLength, from, to, values[k]) ? 1u << k : 0u;
        }
        return one;
    };
    if (from >= to || to > rawLength || rawLength < kUnit) {
        return 0;
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
    const uint8_t* const e0 = encoded[0];
    const uint8_t* const e1 = encoded[1];
    const uint8_t* const e2 = encoded[2];
    size_t i = kLengthBytes;
    size_t pos = 0;
    uint8_t prev[3] = {}; // a row that starts with a repeat repeats 0
    bool inside = false;
    unsigned one = 7;
    while (pos < to) {
        if (i >= length) {
            return 0; // codes that end early end early in all three
        }
        const unsigned c = e0[i];
        if (e1[i] != c || e2[i] != c) {
            return alone();
        }
        ++i;
        size_t n = 0;
        if (c < 0x80) [[likely]] {
            n = (c + size_t{1}) * kUnit;
            if (n > rawLength - pos) {
                return 0;
            }
            if (!inside && pos + n > from) {
                std::copy(prev, prev + 3, values);
                inside = true;
            }
            pos += n;
            continue;
        }
        if (c < 0xA0) [[likely]] {
            n = ((c & 0x1Fu) + size_t{1}) * kUnit;
        } else if (c >= 0xBD && c <= 0xBF) {
            n = c - size_t{0xBC};
        } else {
            return 0; // the same delta code in all three
        }
        if (n > rawLength - pos || n > length - i) {
            return 0;
        }
        const size_t next = pos + n;
        if (next > from) {
            const size_t lo = std::max(pos, from) - pos;
            const size_t hi = std::min(next, to) - pos;
            for (unsigned k = 0; k < 3; ++k) {
                const uint8_t* p = encoded[k] + i;
                if (!inside) {
                    values[k] = p[lo];
                }
                if ((one >> k & 1u) && (p[lo] != values[k] || !OneValue(p, n, lo, hi))) {
                    one &= ~(1u << k);
                }
            }
            inside = true;
            if (one == 0) {
                return 0;
            }
        }
        i += n;
        prev[0] = e0[i - 1];
        prev[1] = e1[i - 1];
        prev[2] = e2[i - 1];
        pos = next;
    }
    return one;
}

} // namespace ts::rowcodec
