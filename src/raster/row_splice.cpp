// Re-encoding the changed stretch of a stored row: the cost follows the change, not the row's width.
//
// The writer is greedy: unit by unit it extends the run in progress (a literal run below 32 units, a
// repeat run below 128) or starts a new code. So at a code boundary Q of a row it wrote, it started a new
// code, and it does so again for a changed row whenever its state there leads to the same decision:
// - before the change, at a boundary R at least one whole unit before it: unit R and the byte before it
//   are unchanged, so the writer's decision at R is the same and encoding may restart at R with no run
//   in progress;
// - after the change, at a boundary Q with units Q - 1 and Q past the change (their kinds, repeat or
//   literal, are unchanged): a new code starts at Q when the kinds of Q - 1 and Q differ, or when the run
//   in progress is full. Otherwise encoding goes on to the next boundary.
// Delta codes, which the writer never emits, are not walked: such rows are encoded whole by the caller.

#include "raster/row_splice.h"
#include "raster/row_code_units.h"
#include "raster/row_codec.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ts::rowcodec {

namespace {

using namespace detail;

// Copies and fills of the few bytes a code usually makes, without a call.
inline void CopyBytes(uint8_t* dest, const uint8_t* src, size_t n) {
    if (n >= 8 && n <= 16) {
        uint64_t head;
        uint64_t tail;
        std::memcpy(&head, src, 8);
        std::memcpy(&tail, src + n - 8, 8);
        std::memcpy(dest, &head, 8);
        std::memcpy(dest + n - 8, &tail, 8);
    } else if (n >= 4 && n < 8) {
        uint32_t head;
        uint32_t tail;
        std::memcpy(&head, src, 4);
        std::memcpy(&tail, src + n - 4, 4);
        std::memcpy(dest, &head, 4);
        std::memcpy(dest + n - 4, &tail, 4);
    } else if (n < 4) {
        for (size_t i = 0; i < n; ++i) {
            dest[i] = src[i];
        }
    } else {
        std::memcpy(dest, src, n);
    }
}

inline void FillBytes(uint8_t* dest, uint8_t value, size_t n) {
    if (n >= 8 && n <= 16) {
        const uint64_t v = 0x0101010101010101u * value;
        std::memcpy(dest, &v, 8);
        std::memcpy(dest + n - 8, &v, 8);
    } else if (n < 8) {
        for (size_t i = 0; i < n; ++i) {
            dest[i] = value;
        }
    } else {
        std::memset(dest, value, n);
    }
}

inline bool IsRepeat(const uint8_t* raw, size_t u) {
    uint32_t value;
    std::memcpy(&value, raw + u * kUnit, kUnit);
    return value == 0x01010101u * raw[u * kUnit - 1];
}

// The writer's state between units, resumable from a code boundary.
struct UnitWriter {
    uint8_t* out;
    const uint8_t* limit;
    uint8_t* code = nullptr; // null: no run in progress, the next unit starts a code
    bool literal = false;
    size_t count = 0;

    // Appends n units of an old literal code that the change does not touch (their bytes and the byte
    // before each are as they were): they are literal units, as the writer found them, and go in whole.
    bool LiteralUnits(const uint8_t* payload, size_t n) {
        while (n > 0) {
            if (!code || !literal || count == kMaxLiteralUnits) {
                if (out + 8 >= limit) {
                    return false;
                }
                code = out++;
                literal = true;
                count = 0;
            }
            const size_t k = std::min(n, kMaxLiteralUnits - count);
            if (out + (k - 1) * kUnit + 8 >= limit) {
                return false;
            }
            std::memcpy(out, payload, k * kUnit);
            out += k * kUnit;
            payload += k * kUnit;
            count += k;
            n -= k;
            *code = static_cast<uint8_t>(0x80 | (count - 1));
        }
        return true;
    }

    // The same for n units of an old repeat code.
    bool RepeatUnits(size_t n) {
        while (n > 0) {
            if (out + 8 >= limit) {
                return false;
            }
            if (!code || literal || count == kMaxRepeatUnits) {
                code = out++;
                literal = false;
                count = 0;
            }
            const size_t k = std::min(n, kMaxRepeatUnits - count);
            count += k;
            n -= k;
            *code = static_cast<uint8_t>(count - 1);
        }
        return true;
    }

    // Appends unit u (u >= 1) of raw; false when the writer's room check fails.
    bool Unit(const uint8_t* raw, size_t u) {
        if (out + 8 >= limit) {
            return false;
        }
        if (IsRepeat(raw, u)) {
            if (!code || literal || count == kMaxRepeatUnits) {
                code = out++;
                literal = false;
                count = 0;
            }
            ++count;
            *code = static_cast<uint8_t>(count - 1);
            return true;
        }
        if (!code || !literal || count == kMaxLiteralUnits) {
            code = out++;
            literal = true;
            count = 0;
        }
        ++count;
        *code = static_cast<uint8_t>(0x80 | (count - 1));
        std::memcpy(out, raw + u * kUnit, kUnit);
        out += kUnit;
        return true;
    }
};

// One code of a row: the raw bytes it makes and where its payload is (null for a repeat).
struct Code {
    size_t bytes = 0;
    const uint8_t* payload = nullptr;
    size_t size = 0; // encoded size, code byte included
};

// Reads the code at in; false for a delta code or one that runs past the row or its bytes.
inline bool ReadCode(const uint8_t* in, const uint8_t* end, size_t rawLeft, Code& c) {
    const uint8_t b = *in;
    if (b < 0x80) {
        c = Code{(static_cast<size_t>(b) + 1) * kUnit, nullptr, 1};
    } else if (b < 0xA0) {
        const size_t n = (static_cast<size_t>(b & 0x1F) + 1) * kUnit;
        c = Code{n, in + 1, n + 1};
    } else if (b >= 0xBD && b <= 0xBF) {
        const size_t n = static_cast<size_t>(b - 0xBC);
        c = Code{n, in + 1, n + 1};
    } else {
        return false;
    }
    return c.bytes <= rawLeft && c.size <= static_cast<size_t>(end - in);
}

// A change that leaves every unit's kind (repeat or literal) as it was leaves the writer's decisions
// as they were, so the codes stay as they stand and only the literal bytes the change covers are new:
// the common case of a dab repainting pixels it painted before. Walks the codes the change reaches from
// the code at in (making raw bytes from pos on, prev the raw byte before it); false when a unit there
// changes kind or the codes there are not whole units (the full splice then decides).
bool KindsStay(const uint8_t* old, size_t length, size_t rawLength, size_t from, size_t to,
               const uint8_t* bytes, const uint8_t* in, size_t pos, uint8_t prev) {
    const uint8_t* const end = old + length;
    const size_t units = rawLength / kUnit;
    // Units whose bytes or byte before the change reaches; a change in the tail reaches none.
    const size_t firstUnit = from / kUnit;
    const size_t lastUnit = std::min(to / kUnit, units - 1);
    const size_t stop = std::max(to, (lastUnit + 1) * kUnit);
    uint8_t newPrev = prev; // the changed row's byte before pos
    while (pos < stop) {
        Code c;
        if (in >= end || !ReadCode(in, end, rawLength - pos, c)) {
            return false;
        }
        const size_t codeEnd = pos + c.bytes;
        if (c.bytes % kUnit != 0 && pos != units * kUnit) {
            return false; // a short code inside the row: units straddle codes
        }
        // The changed row's byte i of this code.
        auto at = [&](size_t i) {
            return i >= from && i < to ? bytes[i - from] : c.payload ? c.payload[i - pos] : prev;
        };
        const size_t unitEnd = std::min(codeEnd / kUnit, lastUnit + 1);
        for (size_t u = std::max(pos / kUnit, firstUnit); u < unitEnd && pos < units * kUnit; ++u) {
            const size_t b = u * kUnit;
            bool repeat = false;
            if (u > 0) {
                const uint8_t before = b == pos ? newPrev : at(b - 1);
                repeat = at(b) == before && at(b + 1) == before && at(b + 2) == before && at(b + 3) == before;
            }
            if (repeat != (c.payload == nullptr)) {
                return false;
            }
        }
        newPrev = at(codeEnd - 1);
        prev = c.payload ? c.payload[c.bytes - 1] : prev;
        in += c.size;
        pos = codeEnd;
    }
    return true;
}

// Writes the changed bytes into the literal payloads of the codes from in on (raw bytes from pos on),
// at patch + their offset in old: the codes KindsStay accepted.
void WriteLiterals(const uint8_t* old, size_t length, size_t rawLength, size_t from, size_t to,
                   const uint8_t* bytes, const uint8_t* in, size_t pos, uint8_t* patch) {
    const uint8_t* const end = old + length;
    while (pos < to) {
        Code c;
        if (!ReadCode(in, end, rawLength - pos, c)) {
            return;
        }
        const size_t codeEnd = pos + c.bytes;
        if (c.payload && codeEnd > from) {
            const size_t b = std::max(pos, from);
            std::memcpy(patch + (c.payload - old) + (b - pos), bytes + (b - from), std::min(codeEnd, to) - b);
        }
        in += c.size;
        pos = codeEnd;
    }
}

// Where encoding restarts for a change from byte from on: the last code that starts at least one unit
// before it (or the row's start), walked to from the place when it serves. A place used stays good (the
// codes before the restart are kept); otherwise the restart becomes the place. Places thus settle at
// the leftmost columns worked on, and stay there. False when the codes on the way do not walk.
bool FindRestart(const uint8_t* old, size_t length, size_t rawLength, size_t from, CodePlace* place,
                 const uint8_t*& restartIn, size_t& restart, uint8_t& restartPrev) {
    const uint8_t* const end = old + length;
    const uint8_t* in = old + kLengthBytes;
    size_t pos = 0;
    uint8_t prev = 0;
    const bool fromPlace =
        place && place->pos + kUnit <= from && place->offset > kLengthBytes && place->offset < length;
    if (fromPlace) {
        in = old + place->offset;
        pos = place->pos;
        prev = place->prev;
    }
    restartIn = in;
    restart = pos;
    restartPrev = prev;
    while (pos + kUnit <= from) {
        restartIn = in;
        restart = pos;
        restartPrev = prev;
        Code c;
        if (in >= end || !ReadCode(in, end, rawLength - pos, c)) {
            return false;
        }
        prev = c.payload ? c.payload[c.bytes - 1] : prev;
        in += c.size;
        pos += c.bytes;
    }
    if (place && !fromPlace) {
        *place = CodePlace{restart, static_cast<size_t>(restartIn - old), restartPrev};
    }
    return true;
}

// Splice, or with patch set, the change written into the codes at patch when they can stay (patched
// then set).
size_t SpliceFrom(const uint8_t* old, size_t available, size_t rawLength, size_t from, size_t to,
                  const uint8_t* bytes, uint8_t* dest, const uint8_t* limit, uint8_t* scratch,
                  CodePlace* place, uint8_t* patch, bool& patched);

// DecodeSpanFrom's decoding of the span from the code at in (making raw bytes from pos on, pos at most
// from, prev the byte before pos): whole codes into a scratch row with room past the span, each in
// chunks of 16 bytes, the last chunk running past the code, so that a code costs the same few steps
// whatever its length; then the span goes to dest. False, dest untouched, for a span longer than the
// scratch row or codes that are not plain repeats and literals that can be read that way (the caller
// then decodes code by code, and finds any fault).
bool DecodeWholeCodes(const uint8_t* encoded, size_t available, const uint8_t* end, size_t rawLength,
                      size_t from, size_t to, const uint8_t* in, size_t pos, uint8_t prev, uint8_t* dest) {
#if defined(__SSE2__)
    constexpr size_t kChunk = 16;
    constexpr size_t kLongestCode = kMaxRepeatUnits * kUnit;
    // Raw bytes pos .. to, the last code running up to kLongestCode past to and its last chunk kChunk:
    // spans of a few brush widths, the ones a stroke reads; longer ones go code by code.
    constexpr size_t kScratch = 4096;
    // A short span is a code or two: code by code costs less than the copy out of the scratch row.
    constexpr size_t kShortest = 96;
    alignas(16) thread_local uint8_t scratch[kScratch];
    if (to - from < kShortest || to - pos + kLongestCode + kChunk > kScratch) {
        return false;
    }
    // A literal's chunks read up to kChunk - 1 bytes past its payload: not past the buffer's bytes.
    const uint8_t* const readable = encoded + available;
    const size_t first = pos;
    uint8_t* const out = scratch; // raw byte first on
    while (pos < to) {
        const uint8_t code = *in;
        if (code < 0x80) {
            const size_t n = (static_cast<size_t>(code) + 1) * kUnit;
            if (n > rawLength - pos) {
                return false;
            }
            const __m128i v = _mm_set1_epi8(static_cast<char>(prev));
            for (size_t i = 0; i < n; i += kChunk) {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out + (pos - first) + i), v);
            }
            in += 1;
            pos += n;
        } else if (code < 0xA0) {
            const size_t n = (static_cast<size_t>(code & 0x1F) + 1) * kUnit;
            if (n > rawLength - pos || n + 1 > static_cast<size_t>(end - in) ||
                static_cast<size_t>(readable - in) < n + kChunk) {
                return false;
            }
            for (size_t i = 0; i < n; i += kChunk) {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out + (pos - first) + i),
                                 _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 1 + i)));
            }
            prev = in[n];
            in += n + 1;
            pos += n;
        } else {
            return false; // a tail or a delta code
        }
        if (pos < to && in >= end) {
            return false;
        }
    }
    std::memcpy(dest, out + (from - first), to - from);
    return true;
#else
    (void)encoded, (void)available, (void)end, (void)rawLength, (void)from, (void)to, (void)in, (void)pos,
        (void)prev, (void)dest;
    return false;
#endif
}

} // namespace

bool DecodeSpanFrom(const uint8_t* encoded, size_t available, size_t rawLength, size_t from, size_t to,
                    uint8_t* dest, CodePlace& place) {
    if (available < kLengthBytes || rawLength < kUnit || from >= to || to > rawLength || place.pos > from) {
        return false;
    }
    const size_t length = StoredLength(encoded);
    if (length <= kEmptyRowLength || length > available || place.offset < kLengthBytes ||
        place.offset >= length) {
        return false;
    }
    const uint8_t* const end = encoded + length;
    const uint8_t* in = encoded + place.offset;
    size_t pos = place.pos;
    uint8_t prev = place.prev;
    // The codes before the span, skipped; the code that reaches into it starts at or before from.
    Code c;
    for (;;) {
        if (in >= end || !ReadCode(in, end, rawLength - pos, c)) {
            return false;
        }
        if (pos + c.bytes > from) {
            break;
        }
        prev = c.payload ? c.payload[c.bytes - 1] : prev;
        in += c.size;
        pos += c.bytes;
    }
    const CodePlace last{pos, static_cast<size_t>(in - encoded), prev};
    if (!DecodeWholeCodes(encoded, available, end, rawLength, from, to, in, pos, prev, dest)) {
        // The span, code by code: the first and the last code only in part.
        for (;;) {
            const size_t b = std::max(pos, from);
            const size_t e = std::min(pos + c.bytes, to);
            if (c.payload) {
                CopyBytes(dest + (b - from), c.payload + (b - pos), e - b);
                prev = c.payload[c.bytes - 1];
            } else {
                FillBytes(dest + (b - from), prev, e - b);
            }
            in += c.size;
            pos += c.bytes;
            if (pos >= to) {
                break;
            }
            if (in >= end || !ReadCode(in, end, rawLength - pos, c)) {
                return false;
            }
        }
    }
    if (place.pos == 0) {
        place = last; // a place already inside the row stays: it serves reads further left as well
    }
    return true;
}

size_t Splice(const uint8_t* old, size_t available, size_t rawLength, size_t from, size_t to,
              const uint8_t* bytes, uint8_t* dest, const uint8_t* limit, uint8_t* scratch, CodePlace* place) {
    bool patched = false;
    return SpliceFrom(old, available, rawLength, from, to, bytes, dest, limit, scratch, place, nullptr,
                      patched);
}

size_t SpliceStored(uint8_t* encoded, size_t available, size_t rawLength, size_t from, size_t to,
                    const uint8_t* bytes, uint8_t* dest, const uint8_t* limit, uint8_t* scratch,
                    CodePlace* place, bool& patched) {
    patched = false;
    return SpliceFrom(encoded, available, rawLength, from, to, bytes, dest, limit, scratch, place, encoded,
                      patched);
}

namespace {

size_t SpliceFrom(const uint8_t* old, size_t available, size_t rawLength, size_t from, size_t to,
                  const uint8_t* bytes, uint8_t* dest, const uint8_t* limit, uint8_t* scratch,
                  CodePlace* place, uint8_t* patch, bool& patched) {
    if (available < kLengthBytes || rawLength < kUnit || from >= to || to > rawLength || limit <= dest) {
        return 0;
    }
    const size_t length = StoredLength(old);
    if (length <= kEmptyRowLength || length > available) {
        return 0;
    }
    const uint8_t* const end = old + length;
    const size_t units = rawLength / kUnit;

    const uint8_t* in = nullptr;
    size_t pos = 0;
    uint8_t prev = 0;
    if (!FindRestart(old, length, rawLength, from, place, in, pos, prev)) {
        return 0;
    }
    if ((patch || static_cast<size_t>(limit - dest) >= length) &&
        KindsStay(old, length, rawLength, from, to, bytes, in, pos, prev)) {
        if (!patch) {
            std::memcpy(dest, old, length);
        }
        WriteLiterals(old, length, rawLength, from, to, bytes, in, pos, patch ? patch : dest);
        patched = patch != nullptr;
        return length;
    }
    const size_t prefix = static_cast<size_t>(in - old);
    if (static_cast<size_t>(limit - dest) < prefix + 11) {
        return 0;
    }
    std::memcpy(dest + kLengthBytes, old + kLengthBytes, prefix - kLengthBytes);
    UnitWriter w{dest + prefix, limit};
    if (pos > 0) {
        scratch[pos - 1] = prev; // the byte before the first unit, unchanged
    }
    size_t next = pos / kUnit; // the next unit to write
    while (pos < rawLength) {
        Code c;
        if (in >= end || !ReadCode(in, end, rawLength - pos, c)) {
            return 0;
        }
        // prev is the old row's byte before the code: a repeat repeats that, whatever the change made.
        // Past the change that byte is the changed row's too.
        const uint8_t before = prev;
        if (pos > to) {
            scratch[pos - 1] = before;
        }
        prev = c.payload ? c.payload[c.bytes - 1] : prev;
        // Codes well past the change are decoded only if they are re-encoded unit by unit: whole codes
        // go on as they are, and where a code starts its first unit tells its kind.
        const bool past = pos >= to + 2 * kUnit;
        const bool whole = pos % kUnit == 0 && c.bytes % kUnit == 0;
        bool decoded = false;
        auto decode = [&] {
            if (decoded) {
                return;
            }
            decoded = true;
            if (c.payload) {
                std::memcpy(scratch + pos, c.payload, c.bytes);
            } else if (!whole || c.bytes <= 8 * kUnit) {
                std::memset(scratch + pos, before, c.bytes);
            } else {
                // A long repeat: only the bytes unit by unit re-encoding reads, at its ends and around
                // the change.
                const size_t codeEnd = pos + c.bytes;
                std::memset(scratch + pos, before, 2 * kUnit);
                std::memset(scratch + codeEnd - 2 * kUnit, before, 2 * kUnit);
                const size_t b = std::max(pos, from > 2 * kUnit ? from - 2 * kUnit : 0);
                const size_t e = std::min(codeEnd, to + 2 * kUnit);
                if (b < e) {
                    std::memset(scratch + b, before, e - b);
                }
            }
        };
        if (!past || !whole) {
            decode();
        }
        // Past the change, at a boundary where the writer starts a new code too, the rest is the old
        // codes as they stand. The tail code never depends on what came before.
        if (past || (pos == units * kUnit && pos >= to)) {
            const bool tail = pos == units * kUnit;
            bool repeats = false;
            if (!tail && whole && c.bytes >= kUnit) {
                const uint8_t* first = c.payload;
                repeats = !first || (first[0] == before && first[1] == before && first[2] == before &&
                                     first[3] == before);
            } else if (!tail) {
                decode();
                repeats = IsRepeat(scratch, pos / kUnit);
            }
            const bool kindChanges = tail || repeats == w.literal;
            const bool full = w.count == (w.literal ? kMaxLiteralUnits : kMaxRepeatUnits);
            if (kindChanges || full) {
                const size_t rest = static_cast<size_t>(end - in);
                if (static_cast<size_t>(limit - w.out) < rest) {
                    return 0;
                }
                std::memcpy(w.out, in, rest);
                const size_t total = static_cast<size_t>(w.out + rest - dest);
                SetStoredLength(dest, total);
                return total;
            }
        }
        const size_t codeEnd = pos + c.bytes;
        // Past the change, whole old codes of the kind in progress go on in bulk (a literal code
        // holds only literal units, a repeat code only repeats).
        if (pos >= to + 2 * kUnit && c.bytes % kUnit == 0 && next == pos / kUnit && w.code &&
            (c.payload != nullptr) == w.literal) {
            if (!(w.literal ? w.LiteralUnits(c.payload, c.bytes / kUnit) : w.RepeatUnits(c.bytes / kUnit))) {
                return 0;
            }
            in += c.size;
            pos = codeEnd;
            next = pos / kUnit;
            continue;
        }
        decode();
        if (codeEnd > from && pos < to) {
            const size_t b = std::max(pos, from);
            const size_t e = std::min(codeEnd, to);
            std::memcpy(scratch + b, bytes + (b - from), e - b);
        }
        in += c.size;
        pos = codeEnd;
        // Every whole unit now decoded is written; the tail waits for the end of the row.
        const size_t ready = std::min(pos / kUnit, units);
        if (next == 0 && ready > 0) {
            *w.out++ = 0x80; // a row starts with a literal unit
            std::memcpy(w.out, scratch, kUnit);
            w.out += kUnit;
            w.code = w.out - kUnit - 1;
            w.literal = true;
            w.count = 1;
            next = 1;
        }
        // Units of this code clear of the change keep the kind the old codes give them and go in whole;
        // those the change reaches, or whose byte before it reaches, unit by unit.
        const size_t firstReached = from / kUnit;
        const size_t firstClear = (to + kUnit) / kUnit;
        while (next < ready) {
            const size_t stop = next < firstReached  ? std::min(ready, firstReached)
                                : next >= firstClear ? ready
                                                     : next + 1;
            bool ok = true;
            if (stop == next + 1 && next >= firstReached) {
                ok = w.Unit(scratch, next);
            } else {
                ok = c.payload ? w.LiteralUnits(scratch + next * kUnit, stop - next)
                               : w.RepeatUnits(stop - next);
            }
            if (!ok) {
                return 0;
            }
            next = stop;
        }
    }
    if (in != end) {
        return 0;
    }
    const size_t tail = rawLength % kUnit;
    if (tail) {
        if (w.out + tail + 1 > limit) {
            return 0;
        }
        *w.out++ = static_cast<uint8_t>(0xBC + tail);
        std::memcpy(w.out, scratch + units * kUnit, tail);
        w.out += tail;
    }
    const size_t total = static_cast<size_t>(w.out - dest);
    SetStoredLength(dest, total);
    return total;
}

} // namespace

} // namespace ts::rowcodec
