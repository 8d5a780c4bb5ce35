#include "raster/row_runs.h"

#include "raster/row_code_units.h"
#include "raster/row_codec.h"

#include <algorithm>
#include <cstring>

namespace ts::rowcodec {

namespace {

using namespace detail;

// Collects runs, joining one to the run before it when their values are the same.
class RunList {
public:
    RunList(ByteRun* runs, size_t maxRuns) : m_runs(runs), m_max(maxRuns) {}

    bool Add(size_t from, size_t to, uint8_t value) {
        if (m_count != 0 && m_runs[m_count - 1].value == value) {
            m_runs[m_count - 1].to = static_cast<uint32_t>(to);
            return true;
        }
        if (m_count == m_max) {
            return false;
        }
        m_runs[m_count++] = ByteRun{static_cast<uint32_t>(from), static_cast<uint32_t>(to), value};
        return true;
    }

    // Bytes p[0 .. to - from) at positions from .. to - 1, in runs where they change.
    bool AddBytes(const uint8_t* p, size_t from, size_t to) {
        // Colour under a stroke is mostly one value: whole words of the last run's value extend it.
        if (m_count != 0 && m_runs[m_count - 1].to == from) {
            const uint32_t pattern = 0x01010101u * m_runs[m_count - 1].value;
            size_t i = from;
            for (; i + 4 <= to; i += 4) {
                uint32_t word = 0;
                std::memcpy(&word, p + (i - from), 4);
                if (word != pattern) {
                    break;
                }
            }
            m_runs[m_count - 1].to = static_cast<uint32_t>(i);
            p += i - from;
            from = i;
        }
        for (size_t i = from; i < to;) {
            const uint8_t value = p[i - from];
            size_t j = i + 1;
            while (j < to && p[j - from] == value) {
                ++j;
            }
            if (!Add(i, j, value)) {
                return false;
            }
            i = j;
        }
        return true;
    }

    size_t Count() const { return m_count; }

private:
    ByteRun* m_runs;
    size_t m_max;
    size_t m_count = 0;
};

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
        const uint8_t c = *in++;
        if (c >= 0xA0 && (c < 0xBD || c > 0xBF)) {
            return 0; // delta codes: the caller decodes
        }
        // Repeats and literals count units; the tail codes at a row's end count bytes.
        const bool repeat = c < 0x80;
        const size_t n =
            c >= 0xBD ? static_cast<size_t>(c - 0xBC) : ((c & (repeat ? 0x7F : 0x1F)) + size_t{1}) * kUnit;
        if (n > rawLength - pos || (!repeat && n > static_cast<size_t>(end - in))) {
            return 0;
        }
        if (pos + n > from) {
            const size_t b = std::max(pos, from) - from;
            const size_t e = std::min(pos + n, to) - from;
            if (repeat) {
                if (!list.Add(b, e, prev)) {
                    return 0;
                }
            } else if (!list.AddBytes(in + (b + from - pos), b, e)) {
                return 0;
            }
        }
        if (!repeat) {
            in += n;
            prev = in[-1];
        }
        pos += n;
    }
    return list.Count();
}

} // namespace ts::rowcodec
