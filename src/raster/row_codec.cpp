#include "raster/row_codec.h"
#include "raster/row_code_units.h"

#include "raster/encode_table.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ts::rowcodec {

namespace {

using namespace detail;

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

// Decodes a delta run of `units` units with fields of `bits` bits from src into out (4 bytes a unit);
// returns the last byte. Fields are read least significant bit first across the run's bytes.
inline uint8_t DecodeDeltaRun(const uint8_t* src, size_t units, int bits, uint8_t prev, uint8_t* out) {
    const EncodeTable& table = kEncodeTable;
    uint32_t acc = 0;
    int accBits = 0;
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
            deltas[k] = bits == 2   ? table.delta2[field]
                        : bits == 3 ? table.delta3[field]
                                    : table.delta4[field];
        }
        prev = ApplyDeltaUnit(deltas, prev, out + u * kUnit);
    }
    return prev;
}

// Vectors of kVector bytes. Each decoder variant is compiled for the widest vectors its processor
// has, so these become single registers there.
template <int kVector> struct Lanes { typedef uint8_t Type __attribute__((vector_size(kVector))); };

template <class Vec> [[gnu::always_inline]] inline void StoreLanes(uint8_t* p, const Vec& v) {
    std::memcpy(p, &v, sizeof(Vec));
}

// Stores at an address that is a multiple of the vector's size.
template <class Vec> [[gnu::always_inline]] inline void StoreAlignedLanes(uint8_t* p, const Vec& v) {
    std::memcpy(__builtin_assume_aligned(p, sizeof(Vec)), &v, sizeof(Vec));
}

// The first vector boundary after p.
template <int kVector> inline uint8_t* NextBoundary(uint8_t* p) {
    return reinterpret_cast<uint8_t*>((reinterpret_cast<uintptr_t>(p) + kVector) &
                                      ~static_cast<uintptr_t>(kVector - 1));
}

// Fills a run of n bytes (a multiple of 4). Runs of a vector or more go in whole vectors stored at
// vector boundaries (a store that straddles two cache lines costs as much as two), with one vector at
// either end stored where it falls; shorter runs in 16-byte pieces, the last piece overlapping the one
// before it. Nothing is written past the run.
template <int kVector> inline void FillRun(uint8_t* out, uint8_t value, size_t n) {
    if (n < 16) {
        const uint32_t word = 0x01010101u * value;
        for (size_t i = 0; i < n; i += 4) {
            std::memcpy(out + i, &word, 4);
        }
        return;
    }
    if constexpr (kVector > 16) {
        if (n >= kVector) {
            const auto wide = typename Lanes<kVector>::Type{} + value;
            uint8_t* const last = out + n - kVector;
            StoreLanes(out, wide);
            for (uint8_t* p = NextBoundary<kVector>(out); p < last; p += kVector) {
                StoreAlignedLanes(p, wide);
            }
            StoreLanes(last, wide);
            return;
        }
    }
#if defined(__SSE2__)
    size_t i = 0;
    const __m128i piece = _mm_set1_epi8(static_cast<char>(value));
    for (; i + 16 <= n; i += 16) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), piece);
    }
    if (i < n) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + n - 16), piece);
    }
#else
    std::memset(out, value, n);
#endif
}

constexpr size_t kFullLiteral = kMaxLiteralUnits * kUnit;
constexpr size_t kFullLiteralCode = 0x80 | (kMaxLiteralUnits - 1);
constexpr size_t kFullLiteralStride = kFullLiteral + 1;

// Bytes 0x00 then 0xFF, kVector of each: the kVector bytes from kVector - c on select lanes c and up.
template <int kVector> struct UpperLanes {
    static constexpr auto kTable = [] {
        std::array<uint8_t, 2 * kVector> t{};
        for (size_t i = kVector; i < t.size(); ++i) {
            t[i] = 0xFF;
        }
        return t;
    }();
};

template <class Vec> [[gnu::always_inline]] inline void LoadLanes(Vec& v, const uint8_t* p) {
    std::memcpy(&v, p, sizeof(Vec));
}

// How far ahead of the literal copies the decoder asks for the codes (rows lie all over the pool).
constexpr size_t kCodesAhead = 3072;

// Copies the full literal codes that follow one another from in (a code byte, then 128 bytes, each),
// at most `most` of them, to out; moves in and out past them. Stores go at vector boundaries of out (a
// store straddling two cache lines costs two), one vector at either end stored where it falls. Unless
// out starts at a boundary, the vector that takes bytes from two codes comes from two loads, the later
// a byte further on to step over the code byte. Two codes go per step, sharing the loop's own work.
template <int kVector, bool kAligned>
[[gnu::always_inline]] inline void CopyLiteralChain(const uint8_t*& in, uint8_t*& out, size_t most,
                                                    size_t skew) {
    using Vec = typename Lanes<kVector>::Type;
    constexpr size_t kLast = kFullLiteral - kVector; // the last vector of a code's bytes
    Vec upper{}; // the lanes of the last aligned vector of a code that come from the next code
    if constexpr (!kAligned) {
        LoadLanes(upper, UpperLanes<kVector>::kTable.data() + skew);
        Vec v;
        LoadLanes(v, in + 1);
        StoreLanes(out, v);
    }
    // One code's bytes from data to `to`; the last vector joined to the next code's bytes or, after
    // the last code, stored where it falls.
    const auto copyCode = [&](const uint8_t* data, uint8_t* to, bool joined) {
        Vec v;
        for (size_t k = skew; k < kLast; k += kVector) {
            LoadLanes(v, data + k);
            StoreAlignedLanes(to + k, v);
        }
        if constexpr (kAligned) {
            LoadLanes(v, data + kLast);
            StoreAlignedLanes(to + kLast, v);
        } else if (joined) {
            Vec next;
            LoadLanes(v, data + kLast + skew);
            LoadLanes(next, data + kLast + skew + 1);
            StoreAlignedLanes(to + kLast + skew, (v & ~upper) | (next & upper));
        } else {
            LoadLanes(v, data + kLast);
            StoreLanes(to + kLast, v);
        }
    };
    for (;;) {
        for (size_t line = 0; line < 2 * kFullLiteral; line += 64) {
            __builtin_prefetch(in + kCodesAhead + line);
        }
        if (most >= 2 && in[kFullLiteralStride] == kFullLiteralCode) {
            copyCode(in + 1, out, true);
            in += kFullLiteralStride;
            out += kFullLiteral;
            --most;
        }
        const bool more = --most != 0 && in[kFullLiteralStride] == kFullLiteralCode;
        copyCode(in + 1, out, more);
        in += kFullLiteralStride;
        out += kFullLiteral;
        if (!more) {
            return;
        }
    }
}

template <int kVector>
[[gnu::always_inline]] inline void CopyFullLiterals(const uint8_t*& in, uint8_t*& out, size_t most) {
    const size_t skew = static_cast<size_t>(NextBoundary<kVector>(out) - out) % kVector;
    if (skew == 0) {
        CopyLiteralChain<kVector, true>(in, out, most, 0);
    } else {
        CopyLiteralChain<kVector, false>(in, out, most, skew);
    }
}

template <int kVector>
[[gnu::always_inline]] inline bool DecodeRow(const uint8_t* encoded, size_t available, uint8_t* dest,
                                             size_t rawLength) {
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

    uint8_t prev = 0;
    while (in < end) {
        // Full literal runs, the common code of painted rows, go without the general dispatch.
        if (*in == kFullLiteralCode) {
            const uint8_t* const chain = in;
            if constexpr (kVector > 16) {
                const size_t most = std::min(static_cast<size_t>(end - in - 1) / kFullLiteralStride,
                                             static_cast<size_t>(outEnd - out) / kFullLiteral);
                if (most != 0) {
                    CopyFullLiterals<kVector>(in, out, most);
                }
            }
            while (static_cast<size_t>(end - in) > kFullLiteral && *in == kFullLiteralCode &&
                   static_cast<size_t>(outEnd - out) >= kFullLiteral) {
                std::memcpy(out, in + 1, kFullLiteral);
                in += kFullLiteral + 1;
                out += kFullLiteral;
            }
            // The last byte comes from the codes, not from dest: a load from where a wide store that
            // straddles two cache lines has just gone would wait for that store to reach the cache.
            prev = in == chain ? prev : in[-1];
            if (in >= end) {
                break;
            }
        }
        const uint8_t c = *in++;
        const size_t outLeft = static_cast<size_t>(outEnd - out);
        if (c < 0x80) {
            // Repeat codes that follow one another make one run: long runs of one value take
            // several codes.
            size_t n = (static_cast<size_t>(c) + 1) * kUnit;
            for (; in < end && *in < 0x80; ++in) {
                n += (static_cast<size_t>(*in) + 1) * kUnit;
            }
            if (n > outLeft) {
                return false;
            }
            FillRun<kVector>(out, prev, n);
            out += n;
        } else if (c < 0xA0) {
            const size_t n = (static_cast<size_t>(c & 0x1F) + 1) * kUnit;
            if (n > outLeft || n > static_cast<size_t>(end - in)) {
                return false;
            }
            if (n == kFullLiteral) {
                std::memcpy(out, in, kFullLiteral);
            } else {
                CopyRun(out, in, n);
            }
            in += n;
            out += n;
            prev = in[-1];
        } else if (c >= 0xBD && c <= 0xBF) {
            const size_t n = static_cast<size_t>(c - 0xBC);
            if (n > outLeft || n > static_cast<size_t>(end - in)) {
                return false;
            }
            std::memcpy(out, in, n);
            in += n;
            out += n;
            prev = in[-1];
        } else {
            const size_t units = static_cast<size_t>(c & 0x1F) + 1;
            const int bits = c < 0xBD ? 2 : (c < 0xE0 ? 3 : 4);
            const size_t need = (units * 4 * static_cast<size_t>(bits) + 7) / 8;
            if (units * kUnit > outLeft || need > static_cast<size_t>(end - in)) {
                return false;
            }
            prev = DecodeDeltaRun(in, units, bits, prev, out);
            out += units * kUnit;
            in += need;
        }
    }
    return out == outEnd;
}

#if defined(__x86_64__) && defined(__GNUC__)
#define TS_HAVE_WIDE_DECODE 1
// Decoder variants for 32- and 64-byte vectors, picked once by what the processor has; the program
// still runs on any x86-64.
__attribute__((target("avx2"))) bool DecodeRow32(const uint8_t* encoded, size_t available, uint8_t* dest,
                                                 size_t rawLength) {
    return DecodeRow<32>(encoded, available, dest, rawLength);
}

__attribute__((target("avx512f,avx512bw"))) bool DecodeRow64(const uint8_t* encoded, size_t available,
                                                             uint8_t* dest, size_t rawLength) {
    return DecodeRow<64>(encoded, available, dest, rawLength);
}

int ProcessorVectorBytes() {
    static const int bytes = __builtin_cpu_supports("avx512bw") ? 64
                             : __builtin_cpu_supports("avx2")   ? 32
                                                                : 16;
    return bytes;
}
#endif

} // namespace

bool Decode(const uint8_t* encoded, size_t available, uint8_t* dest, size_t rawLength) {
#if defined(TS_HAVE_WIDE_DECODE)
    return DecodeWithVectors(ProcessorVectorBytes(), encoded, available, dest, rawLength);
#else
    return DecodeRow<16>(encoded, available, dest, rawLength);
#endif
}

bool DecodeWithVectors(int vectorBytes, const uint8_t* encoded, size_t available, uint8_t* dest,
                       size_t rawLength) {
#if defined(TS_HAVE_WIDE_DECODE)
    vectorBytes = std::min(vectorBytes, ProcessorVectorBytes());
    switch (vectorBytes) {
    case 64:
        return DecodeRow64(encoded, available, dest, rawLength);
    case 32:
        return DecodeRow32(encoded, available, dest, rawLength);
    default:
        break;
    }
#endif
    return DecodeRow<16>(encoded, available, dest, rawLength);
}

namespace {

// Small fills and copies of exactly n bytes, with 16-byte stores where they fit (the last one
// overlapping the one before it).
[[gnu::always_inline]] inline void FillBytes(uint8_t* dest, uint8_t value, size_t n) {
#if defined(__SSE2__)
    if (n >= 16) {
        const __m128i v = _mm_set1_epi8(static_cast<char>(value));
        for (size_t i = 0; i + 16 < n; i += 16) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dest + i), v);
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dest + n - 16), v);
        return;
    }
#endif
    std::memset(dest, value, n);
}

[[gnu::always_inline]] inline void CopyBytes(uint8_t* dest, const uint8_t* src, size_t n) {
    if (n >= 32) {
        for (size_t i = 0; i + 32 < n; i += 32) {
            std::memcpy(dest + i, src + i, 32);
        }
        std::memcpy(dest + n - 32, src + n - 32, 32);
        return;
    }
    if (n >= 16) {
        std::memcpy(dest, src, 16);
        std::memcpy(dest + n - 16, src + n - 16, 16);
        return;
    }
    std::memcpy(dest, src, n);
}

// The index of the first byte of p[0 .. n) that is not v, or n.
[[gnu::always_inline]] inline size_t FirstNot(const uint8_t* p, size_t n, uint8_t v) {
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i x = _mm_set1_epi8(static_cast<char>(v));
    for (; i + 16 <= n; i += 16) {
        const auto same = static_cast<uint32_t>(
            _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)), x)));
        if (same != 0xFFFF) {
            return i + static_cast<size_t>(std::countr_one(same));
        }
    }
#endif
    while (i < n && p[i] == v) {
        ++i;
    }
    return i;
}

// One past the last byte of p[0 .. n) that is not v, or 0.
[[gnu::always_inline]] inline size_t EndNot(const uint8_t* p, size_t n, uint8_t v) {
    size_t i = n;
#if defined(__SSE2__)
    const __m128i x = _mm_set1_epi8(static_cast<char>(v));
    for (; i >= 16; i -= 16) {
        const auto same = static_cast<uint32_t>(_mm_movemask_epi8(
            _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i - 16)), x)));
        if (same != 0xFFFF) {
            return i - static_cast<size_t>(std::countl_one(same << 16));
        }
    }
#endif
    while (i > 0 && p[i - 1] == v) {
        --i;
    }
    return i;
}

// Writes the decoded runs of a span and keeps what DecodeSpan tells about it. With contentOnly, runs
// of the background are written only between bytes that are not background.
struct SpanWriter {
    uint8_t background;
    uint8_t* dest;
    bool contentOnly;
    SpanInfo info{};
    bool written = false;
    size_t pendingBegin = 0; // background held back (contentOnly) until content follows it
    size_t pendingEnd = 0;

    bool HasContent() const { return info.first != info.last; }
    [[gnu::always_inline]] void Hold(size_t begin, size_t end) {
        if (HasContent()) {
            pendingBegin = pendingEnd == pendingBegin ? begin : pendingBegin;
            pendingEnd = end;
        }
    }
    [[gnu::always_inline]] void Flush() {
        if (pendingEnd != pendingBegin) {
            FillBytes(dest + pendingBegin, background, pendingEnd - pendingBegin);
            pendingBegin = pendingEnd = 0;
        }
    }
    void Content(size_t begin, size_t end) {
        info.first = HasContent() ? info.first : begin;
        info.last = end;
    }
    [[gnu::always_inline]] void Fill(size_t begin, size_t end, uint8_t value) {
        info.uniform = !written || (info.uniform && value == info.value);
        info.value = written ? info.value : value;
        written = true;
        if (value == background && contentOnly) {
            Hold(begin, end);
            return;
        }
        if (dest) {
            Flush();
            FillBytes(dest + begin, value, end - begin);
        }
        if (value != background) {
            Content(begin, end);
        }
    }
    [[gnu::always_inline]] void Copy(size_t begin, size_t end, const uint8_t* p) {
        const size_t length = end - begin;
        if (!written || info.uniform) {
            const uint8_t value = written ? info.value : p[0];
            info.uniform = FirstNot(p, length, value) == length;
            info.value = value;
        }
        written = true;
        const size_t lo = HasContent() ? 0 : FirstNot(p, length, background);
        const size_t hi = lo == length ? lo : EndNot(p, length, background);
        if (lo != hi) {
            Content(begin + lo, begin + hi);
        }
        if (!contentOnly) {
            if (dest) {
                CopyBytes(dest + begin, p, length);
            }
        } else if (lo == hi) {
            Hold(begin, end);
        } else if (dest) {
            Flush();
            CopyBytes(dest + begin + lo, p + lo, hi - lo);
            Hold(begin + hi, end);
        }
    }
};

// Whether an encoded row (codes in .. end) is one value throughout, as a row filled with it is
// written: a literal unit of the value, then only repeats, and perhaps a tail of the value. Sets
// value and the number of bytes the codes make.
[[gnu::always_inline]] inline bool OneValueRow(const uint8_t* in, const uint8_t* end, uint8_t& value,
                                               size_t& bytes) {
    if (end - in < 5 || in[0] != 0x80) {
        return false;
    }
    value = in[1];
    if (in[2] != value || in[3] != value || in[4] != value) {
        return false;
    }
    bytes = kUnit;
    for (in += 5; in < end;) {
        const uint8_t c = *in++;
        if (c < 0x80) {
            bytes += (static_cast<size_t>(c) + 1) * kUnit;
            continue;
        }
        const size_t n = static_cast<size_t>(c) - 0xBC;
        if (c < 0xBD || c > 0xBF || n > static_cast<size_t>(end - in) || FirstNot(in, n, value) != n) {
            return false;
        }
        bytes += n;
        in += n;
    }
    return true;
}

} // namespace

bool IsOneValue(const uint8_t* encoded, size_t available, size_t rawLength, uint8_t& value) {
    if (available < kLengthBytes) {
        return false;
    }
    const size_t length = StoredLength(encoded);
    size_t bytes = 0;
    return length >= kLengthBytes && length <= available && rawLength >= kUnit &&
           OneValueRow(encoded + kLengthBytes, encoded + length, value, bytes) && bytes == rawLength;
}

namespace {

// Reads the code at in (before end) of a row with outLeft raw bytes still to come: n, the raw bytes
// it makes, and those bytes, or null for a repeat of prev; delta runs are decoded into run. Moves in
// past the code and prev to the last byte made. False when the code runs past the row or the codes.
[[gnu::always_inline]] inline bool NextCode(const uint8_t*& in, const uint8_t* end, size_t outLeft,
                                            uint8_t& prev, uint8_t* run, size_t& n, const uint8_t*& bytes) {
    const uint8_t c = *in++;
    if (c < 0x80) {
        n = (static_cast<size_t>(c) + 1) * kUnit;
        bytes = nullptr;
        return n <= outLeft;
    }
    if (c < 0xA0 || (c >= 0xBD && c <= 0xBF)) {
        n = c < 0xA0 ? (static_cast<size_t>(c & 0x1F) + 1) * kUnit : static_cast<size_t>(c - 0xBC);
        if (n > outLeft || n > static_cast<size_t>(end - in)) {
            return false;
        }
        bytes = in;
        in += n;
        prev = in[-1];
        return true;
    }
    const size_t units = static_cast<size_t>(c & 0x1F) + 1;
    const int bits = c < 0xBD ? 2 : (c < 0xE0 ? 3 : 4);
    const size_t need = (units * 4 * static_cast<size_t>(bits) + 7) / 8;
    n = units * kUnit;
    if (n > outLeft || need > static_cast<size_t>(end - in)) {
        return false;
    }
    prev = DecodeDeltaRun(in, units, bits, prev, run);
    bytes = run;
    in += need;
    return true;
}

// The walk of DecodeSpan, keeping what it learns in the writer.
[[gnu::always_inline]] inline bool WalkSpan(const uint8_t* encoded, size_t available, size_t rawLength,
                                            size_t from, size_t to, SpanWriter& w) {
    SpanInfo& info = w.info;
    const uint8_t background = w.background;
    uint8_t* const dest = w.dest;
    if (to > rawLength || from > to || available < kLengthBytes) {
        return false;
    }
    const size_t length = StoredLength(encoded);
    if (length < kLengthBytes || length > available) {
        return false;
    }
    if (from == to) {
        info.uniform = true;
        return true;
    }
    if (length == kEmptyRowLength) {
        w.Fill(0, to - from, 0);
        return true;
    }
    if (rawLength < kUnit) {
        // A row shorter than one unit is one literal code that counts bytes: decode it whole.
        uint8_t row[32] = {};
        if (!Decode(encoded, available, row, rawLength)) {
            return false;
        }
        w.Copy(0, to - from, row + from);
        return true;
    }
    const uint8_t* in = encoded + kLengthBytes;
    const uint8_t* const end = encoded + length;
    uint8_t value = 0;
    size_t rowBytes = 0;
    if (OneValueRow(in, end, value, rowBytes) && rowBytes >= to) {
        w.Fill(0, to - from, value);
        return true;
    }
    size_t pos = 0;
    uint8_t prev = 0;
    uint8_t run[kMaxLiteralUnits * kUnit];
    constexpr size_t kFull = kMaxLiteralUnits * kUnit;
    while (pos < to) {
        if (in >= end) {
            return false;
        }
        // Full literal runs inside the span, after varied content and ending in content, the bulk of
        // painted rows, go straight through.
        while (*in == 0x9F && pos >= from && pos + kFull <= to && !info.uniform && w.HasContent() &&
               static_cast<size_t>(end - in) > kFull && in[kFull] != background) {
            if (dest) {
                w.Flush();
                CopyBytes(dest + pos - from, in + 1, kFull);
            }
            info.last = pos + kFull - from;
            in += kFull + 1;
            pos += kFull;
            prev = in[-1];
        }
        if (pos >= to) {
            break;
        }
        size_t n = 0;
        const uint8_t* bytes = nullptr;
        if (!NextCode(in, end, rawLength - pos, prev, run, n, bytes)) {
            return false;
        }
        if (pos + n > from) {
            const size_t begin = std::max(pos, from) - from;
            const size_t stop = std::min(pos + n, to) - from;
            if (bytes) {
                w.Copy(begin, stop, bytes + (begin + from - pos));
            } else {
                w.Fill(begin, stop, prev);
            }
        }
        pos += n;
    }
    return true;
}

} // namespace

#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((target_clones("default", "avx2")))
#endif
bool DecodeSpan(const uint8_t* encoded, size_t available, size_t rawLength, size_t from, size_t to,
                uint8_t background, uint8_t* dest, bool contentOnly, SpanInfo& info) {
    // The writer keeps its own copy of what it learns, which the stores into dest cannot touch.
    SpanWriter w{background, dest, contentOnly};
    const bool decoded = WalkSpan(encoded, available, rawLength, from, to, w);
    info = w.info;
    return decoded;
}

#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((target_clones("default", "avx2")))
#endif
bool DecodeContent(const uint8_t* encoded, size_t available, size_t rawLength, size_t from, size_t to,
                   uint8_t background, uint8_t* dest, size_t& first, size_t& last) {
    first = 0;
    last = 0;
    if (to > rawLength || from > to || available < kLengthBytes) {
        return false;
    }
    const size_t length = StoredLength(encoded);
    if (length < kLengthBytes || length > available) {
        return false;
    }
    if (from == to) {
        return true;
    }
    if (length == kEmptyRowLength || rawLength < kUnit) {
        // Rows lost to a failed store and rows shorter than a unit are rare: the general walk.
        SpanInfo info;
        const bool decoded =
            DecodeSpan(encoded, available, rawLength, from, to, background, dest, true, info);
        first = info.first;
        last = info.last;
        return decoded;
    }
    const uint8_t* in = encoded + kLengthBytes;
    const uint8_t* const end = encoded + length;
    size_t pos = 0;
    uint8_t prev = 0;
    bool content = false;
    uint8_t run[kMaxLiteralUnits * kUnit];
    constexpr size_t kFull = kMaxLiteralUnits * kUnit;
    while (pos < to) {
        if (in >= end) {
            return false;
        }
        // Full literal runs inside the span that end in content, the bulk of painted rows, go straight
        // through once the content has begun: what lies before them is written, and their last byte
        // is the content's end.
        if (*in == 0x9F && content && pos >= from) {
            while (pos + kFull <= to && static_cast<size_t>(end - in) > kFull && *in == 0x9F &&
                   in[kFull] != background) {
                const size_t b = pos - from;
                if (b != last) {
                    FillBytes(dest + last, background, b - last);
                }
                CopyBytes(dest + b, in + 1, kFull);
                last = b + kFull;
                in += kFull + 1;
                pos += kFull;
                prev = in[-1];
            }
            if (pos >= to || in >= end) {
                continue;
            }
        }
        size_t n = 0;
        const uint8_t* bytes = nullptr;
        if (!NextCode(in, end, rawLength - pos, prev, run, n, bytes)) {
            return false;
        }
        const size_t next = pos + n;
        if (next > from) {
            const size_t b = std::max(pos, from) - from;
            const size_t e = std::min(next, to) - from;
            if (!bytes) {
                if (prev != background) {
                    // The background between the content so far and this run, then the run.
                    if (content) {
                        if (b != last) {
                            FillBytes(dest + last, background, b - last);
                        }
                    } else {
                        first = b;
                        content = true;
                    }
                    FillBytes(dest + b, prev, e - b);
                    last = e;
                }
            } else {
                const uint8_t* p = bytes + (b + from - pos);
                const size_t hi = EndNot(p, e - b, background);
                if (hi != 0) {
                    size_t lo = 0;
                    if (content) {
                        if (b != last) {
                            FillBytes(dest + last, background, b - last);
                        }
                    } else {
                        lo = FirstNot(p, hi, background);
                        first = b + lo;
                        content = true;
                    }
                    CopyBytes(dest + b + lo, p + lo, hi - lo);
                    last = b + hi;
                }
            }
        }
        pos = next;
    }
    return true;
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
