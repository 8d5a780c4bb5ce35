// The row writer. Two paths make the same bytes: one for any limit, which checks the room before
// every unit, and one for when the room cannot run out, which finds whole runs of repeat or literal
// units with vector compares and writes the codes of each run at once.

#include "raster/row_code_units.h"
#include "raster/row_codec.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define TS_HAVE_WIDE_WRITER 1
#endif

namespace ts::rowcodec {

namespace {

using namespace detail;

// The writer checks, before each unit, that 8 bytes past its output position stay below the limit,
// and needs 11 bytes for the first unit and the longest tail.
constexpr size_t kWriterLookAhead = 9;
constexpr size_t kMinRoom = 11;

// True when unit u repeats the last byte of the unit before it.
inline bool IsRepeatUnit(const uint8_t* raw, size_t u) {
    uint32_t value;
    std::memcpy(&value, raw + u * kUnit, kUnit);
    return value == 0x01010101u * raw[u * kUnit - 1];
}

// The number of units from u on (at most maxUnits) that are repeat units when `repeat` is set, or
// literal units when it is not. Four units at a time: a unit repeats exactly when each of its bytes
// equals the byte before it. Needs u >= 1.
inline size_t Stretch(const uint8_t* raw, size_t u, size_t maxUnits, bool repeat) {
    size_t k = 0;
#if defined(__SSE2__)
    for (; k + 4 <= maxUnits; k += 4) {
        const uint8_t* p = raw + (u + k) * kUnit;
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p - 1));
        const auto equal = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, before)));
        uint32_t repeats = equal & (equal >> 1) & (equal >> 2) & (equal >> 3) & 0x1111u;
        if (repeat) {
            repeats ^= 0x1111u;
        }
        if (repeats) {
            return k + static_cast<size_t>(std::countr_zero(repeats)) / 4;
        }
    }
#endif
    while (k < maxUnits && IsRepeatUnit(raw, u + k) == repeat) {
        ++k;
    }
    return k;
}

// The writer for any limit: before each unit it checks that 8 bytes past its output stay below the
// limit, and gives up (0) where a check fails.
size_t EncodeWithinLimit(const uint8_t* raw, size_t rawLength, uint8_t* dest, const uint8_t* limit) {
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

    size_t u = 1;
    while (u < units) {
        if (IsRepeatUnit(raw, u)) {
            if (out + 8 >= limit) {
                return 0;
            }
            if (literal || count == kMaxRepeatUnits) {
                code = out;
                *out++ = 0x00;
                literal = false;
                count = 0;
            }
            // The output position does not move while a repeat run grows, so the room check made
            // for its first unit holds for the rest.
            const size_t k = Stretch(raw, u, std::min(kMaxRepeatUnits - count, units - u), true);
            count += k;
            u += k;
            *code = static_cast<uint8_t>(count - 1);
            continue;
        }
        // A stretch of literal units: as many as the run in progress (or a new one) can take.
        const bool extend = literal && count < kMaxLiteralUnits;
        const size_t room = extend ? kMaxLiteralUnits - count : kMaxLiteralUnits;
        size_t k = Stretch(raw, u, std::min(room, units - u), false);
        // The writer checks 8 bytes of room before each unit; when the whole stretch passes the
        // last of those checks it is copied at once, otherwise unit by unit to fail exactly there.
        const size_t codeBytes = extend ? 0 : 1;
        if (out + codeBytes + (k - 1) * kUnit + 8 >= limit) {
            k = 1;
            if (out + 8 >= limit) {
                return 0;
            }
        }
        if (extend) {
            count += k;
        } else {
            code = out;
            *out++ = 0x80;
            literal = true;
            count = k;
        }
        *code = static_cast<uint8_t>(0x80 | (count - 1));
        if (k == kMaxLiteralUnits) {
            std::memcpy(out, raw + u * kUnit, kMaxLiteralUnits * kUnit);
        } else {
            CopyRun(out, raw + u * kUnit, k * kUnit);
        }
        out += k * kUnit;
        u += k;
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

// ---- The writer with room to spare ----

// Units kUnits at a time, in a vector Vec: Load and Store move kUnits units, RepeatMask sets bit i when
// unit i of a loaded vector (read from p) repeats the byte before it, and DifferMask sets bit i when unit
// i is not four bytes of value. A unit repeats exactly when its four bytes, read as one 32-bit lane,
// equal the four bytes one position earlier; inside a repeat run every unit is four bytes of the run's
// value, so a run is followed without reading the bytes before each unit.
struct PlainUnits {
    static constexpr size_t kUnits = 1;
    using Vec = uint32_t;
    static void Load(Vec& v, const uint8_t* p) { std::memcpy(&v, p, kUnit); }
    static void Store(uint8_t* p, const Vec& v) { std::memcpy(p, &v, kUnit); }
    static uint32_t RepeatMask(const Vec& here, const uint8_t* p) {
        uint32_t before;
        std::memcpy(&before, p - 1, kUnit);
        return here == before ? 1u : 0u;
    }
    static uint32_t DifferMask(const Vec& here, uint8_t value) {
        return here != 0x01010101u * value ? 1u : 0u;
    }
};

#if defined(__SSE2__)
struct Sse2Units {
    static constexpr size_t kUnits = 4;
    using Vec = __m128i;
    static void Load(Vec& v, const uint8_t* p) { v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
    static void Store(uint8_t* p, const Vec& v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
    static uint32_t LaneMask(const Vec& equal) {
        return static_cast<uint32_t>(_mm_movemask_ps(_mm_castsi128_ps(equal)));
    }
    static uint32_t RepeatMask(const Vec& here, const uint8_t* p) {
        return LaneMask(_mm_cmpeq_epi32(here, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p - 1))));
    }
    static uint32_t DifferMask(const Vec& here, uint8_t value) {
        return LaneMask(_mm_cmpeq_epi32(here, _mm_set1_epi8(static_cast<char>(value)))) ^ 0xFu;
    }
};
using BaseUnits = Sse2Units;
#else
using BaseUnits = PlainUnits;
#endif

#if defined(TS_HAVE_WIDE_WRITER)
struct Avx2Units {
    static constexpr size_t kUnits = 8;
    using Vec = __m256i;
    [[gnu::target("avx2")]] static void Load(Vec& v, const uint8_t* p) {
        v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    }
    [[gnu::target("avx2")]] static void Store(uint8_t* p, const Vec& v) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
    }
    [[gnu::target("avx2")]] static uint32_t LaneMask(const Vec& equal) {
        return static_cast<uint32_t>(_mm256_movemask_ps(_mm256_castsi256_ps(equal)));
    }
    [[gnu::target("avx2")]] static uint32_t RepeatMask(const Vec& here, const uint8_t* p) {
        return LaneMask(
            _mm256_cmpeq_epi32(here, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p - 1))));
    }
    [[gnu::target("avx2")]] static uint32_t DifferMask(const Vec& here, uint8_t value) {
        return LaneMask(_mm256_cmpeq_epi32(here, _mm256_set1_epi8(static_cast<char>(value)))) ^ 0xFFu;
    }
};

struct Avx512Units {
    static constexpr size_t kUnits = 16;
    using Vec = __m512i;
    [[gnu::target("avx512f")]] static void Load(Vec& v, const uint8_t* p) { v = _mm512_loadu_si512(p); }
    [[gnu::target("avx512f")]] static void Store(uint8_t* p, const Vec& v) { _mm512_storeu_si512(p, v); }
    [[gnu::target("avx512f")]] static uint32_t RepeatMask(const Vec& here, const uint8_t* p) {
        return _mm512_cmpeq_epi32_mask(here, _mm512_loadu_si512(p - 1));
    }
    [[gnu::target("avx512f")]] static uint32_t DifferMask(const Vec& here, uint8_t value) {
        return _mm512_cmpneq_epi32_mask(here, _mm512_set1_epi8(static_cast<char>(value)));
    }
};
#endif

// How far ahead of its reads and writes the writer asks for its row and its output to come into the
// cache. Rows reach the writer from all over memory (a layer's rows in turn, the rows a window lets
// go) and the codes go to wherever the pool's gap is, so both are seldom cached; the processor's own
// look-ahead stops at every page, which a row of a wide layer crosses twice or more.
constexpr size_t kPrefetchAhead = 2048;

constexpr uint8_t kFullLiteralCode = 0x80 | (kMaxLiteralUnits - 1);

// The codes of the literal run that starts at unit u (a unit that does not repeat, or unit 0), cut into
// codes of at most 32 units; moves u to the run's end. One pass: each vector of units is stored at the
// output as it is read and then looked at, and the output moves on by as many units as do not repeat,
// so that whatever the vector put past them is written over by the codes that follow. The room for the
// row's worst case always holds that vector.
template <class V>
[[gnu::always_inline]] inline uint8_t* PutLiteralRun(const uint8_t* raw, size_t& u, size_t units,
                                                     uint8_t* out) {
    uint8_t* code = out++;
    size_t count = 0; // units in the code at `code`
    size_t k = u;
    if (k == 0) {
        std::memcpy(out, raw, kUnit);
        out += kUnit;
        count = 1;
        k = 1;
    }
    // Takes n literal units from k on, stored at out already when `stored`, opening codes as they fill.
    const auto take = [&](size_t n, bool stored) {
        while (n != 0) {
            if (count == kMaxLiteralUnits) {
                *code = kFullLiteralCode;
                code = out++;
                count = 0;
                stored = false; // the new code byte moved the output on
            }
            const size_t part = std::min(n, kMaxLiteralUnits - count);
            if (!stored) {
                CopyRun(out, raw + k * kUnit, part * kUnit);
            }
            out += part * kUnit;
            count += part;
            k += part;
            n -= part;
            stored = false;
        }
    };
    typename V::Vec here;
    bool ended = false; // a repeat unit was found
    while (k + V::kUnits <= units) {
        __builtin_prefetch(raw + k * kUnit + kPrefetchAhead);
        V::Load(here, raw + k * kUnit);
        const uint32_t repeats = V::RepeatMask(here, raw + k * kUnit);
        if (repeats == 0) [[likely]] {
            if (count == kMaxLiteralUnits) {
                *code = kFullLiteralCode;
                code = out++;
                count = 0;
            }
            if (count + V::kUnits <= kMaxLiteralUnits) [[likely]] {
                __builtin_prefetch(out + kPrefetchAhead, 1);
                V::Store(out, here);
                out += V::kUnits * kUnit;
                k += V::kUnits;
                count += V::kUnits;
                continue;
            }
        }
        const size_t n = repeats != 0 ? static_cast<size_t>(std::countr_zero(repeats)) : V::kUnits;
        if (n != 0) {
            if (count != kMaxLiteralUnits) {
                V::Store(out, here);
            }
            take(n, count != kMaxLiteralUnits);
        }
        if (n < V::kUnits) {
            ended = true;
            break;
        }
    }
    if (!ended && k < units) {
        // Fewer units than a vector are left: the row's last whole vector, overlapping units already
        // taken, tells which of them do not repeat.
        size_t n = 0;
        if (units > V::kUnits) {
            const size_t last = units - V::kUnits;
            V::Load(here, raw + last * kUnit);
            const uint32_t repeats = V::RepeatMask(here, raw + last * kUnit) >> (k - last);
            n = repeats != 0 ? static_cast<size_t>(std::countr_zero(repeats)) : units - k;
        } else {
            while (k + n < units && !IsRepeatUnit(raw, k + n)) {
                ++n;
            }
        }
        take(n, false);
    }
    *code = static_cast<uint8_t>(0x80 | (count - 1));
    u = k;
    return out;
}

// The number of units from u on (u >= 1) that repeat the byte before them: four bytes each of the byte
// before unit u.
template <class V>
[[gnu::always_inline]] inline size_t RepeatRun(const uint8_t* raw, size_t u, size_t units) {
    const uint8_t value = raw[u * kUnit - 1];
    typename V::Vec here;
    size_t k = u;
    for (; k + V::kUnits <= units; k += V::kUnits) {
        __builtin_prefetch(raw + k * kUnit + kPrefetchAhead);
        V::Load(here, raw + k * kUnit);
        const uint32_t differ = V::DifferMask(here, value);
        if (differ != 0) {
            return k - u + static_cast<size_t>(std::countr_zero(differ));
        }
    }
    if (k < units && units >= V::kUnits) {
        // The last whole vector of the row, overlapping the units already looked at.
        const size_t last = units - V::kUnits;
        V::Load(here, raw + last * kUnit);
        const uint32_t differ = V::DifferMask(here, value) >> (k - last);
        return differ != 0 ? k - u + static_cast<size_t>(std::countr_zero(differ)) : units - u;
    }
    while (k < units && IsRepeatUnit(raw, k)) {
        ++k;
    }
    return k - u;
}

inline uint8_t* PutRepeats(uint8_t* out, size_t units) {
    for (; units > kMaxRepeatUnits; units -= kMaxRepeatUnits) {
        *out++ = static_cast<uint8_t>(kMaxRepeatUnits - 1);
    }
    *out++ = static_cast<uint8_t>(units - 1);
    return out;
}

// The writer's codes for a row of at least one unit, with room for its worst case: runs alternate
// between literal and repeat units (unit 0 always starts a literal run), and each run is cut into
// codes of at most 32 literal or 128 repeat units.
template <class V>
[[gnu::always_inline]] inline size_t EncodeWithRoom(const uint8_t* raw, size_t rawLength, uint8_t* dest) {
    const size_t units = rawLength / kUnit;
    size_t u = 0;
    uint8_t* out = PutLiteralRun<V>(raw, u, units, dest + kLengthBytes);
    while (u < units) {
        const size_t repeats = RepeatRun<V>(raw, u, units);
        out = PutRepeats(out, repeats);
        u += repeats;
        if (u == units) {
            break;
        }
        out = PutLiteralRun<V>(raw, u, units, out);
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

size_t EncodeWithRoomPlain(const uint8_t* raw, size_t rawLength, uint8_t* dest) {
    return EncodeWithRoom<PlainUnits>(raw, rawLength, dest);
}

size_t EncodeWithRoomBase(const uint8_t* raw, size_t rawLength, uint8_t* dest) {
    return EncodeWithRoom<BaseUnits>(raw, rawLength, dest);
}

#if defined(TS_HAVE_WIDE_WRITER)
// Variants for 32- and 64-byte vectors, picked once by what the processor has.
[[gnu::flatten, gnu::target("avx2")]] size_t EncodeWithRoom32(const uint8_t* raw, size_t rawLength,
                                                              uint8_t* dest) {
    return EncodeWithRoom<Avx2Units>(raw, rawLength, dest);
}

[[gnu::flatten, gnu::target("avx512f")]] size_t EncodeWithRoom64(const uint8_t* raw, size_t rawLength,
                                                                 uint8_t* dest) {
    return EncodeWithRoom<Avx512Units>(raw, rawLength, dest);
}
#endif

using RoomWriter = size_t (*)(const uint8_t*, size_t, uint8_t*);

RoomWriter WriterFor(int vectorBytes) {
#if defined(TS_HAVE_WIDE_WRITER)
    if (vectorBytes >= 64 && __builtin_cpu_supports("avx512f")) {
        return EncodeWithRoom64;
    }
    if (vectorBytes >= 32 && __builtin_cpu_supports("avx2")) {
        return EncodeWithRoom32;
    }
#endif
    return vectorBytes >= 16 ? EncodeWithRoomBase : EncodeWithRoomPlain;
}

size_t EncodeWith(RoomWriter writer, const uint8_t* raw, size_t rawLength, uint8_t* dest,
                  const uint8_t* limit) {
    if (rawLength >= kUnit && limit > dest && static_cast<size_t>(limit - dest) >= WorstCaseRoom(rawLength)) {
        return writer(raw, rawLength, dest);
    }
    return EncodeWithinLimit(raw, rawLength, dest, limit);
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
    static const RoomWriter writer = WriterFor(64);
    return EncodeWith(writer, raw, rawLength, dest, limit);
}

size_t EncodeWithVectors(int vectorBytes, const uint8_t* raw, size_t rawLength, uint8_t* dest,
                         const uint8_t* limit) {
    return EncodeWith(WriterFor(vectorBytes), raw, rawLength, dest, limit);
}

} // namespace ts::rowcodec
