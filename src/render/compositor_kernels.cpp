#include "render/compositor_kernels.h"

#include "raster/pixel_tables.h"

#include <algorithm>
#include <array>
#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define TS_HAVE_AVX2_KERNELS 1
#endif

namespace ts::kernels {

namespace {

bool g_useVectors = true;

// ---- Plain loops: the arithmetic as the tables define it ----

inline uint8_t Over(uint8_t s, uint8_t c, uint8_t under) {
    return static_cast<uint8_t>(std::min(255, Mul8(s, c) + Mul8(static_cast<uint8_t>(255 - s), under)));
}

void BlendPlain(const uint8_t* amount, const Colours& colour, const Deviations* deviation,
                uint8_t* const out[3], size_t n, bool dimmed, Marks marks) {
    for (size_t i = 0; i < n; ++i) {
        if (amount[i] == 0) {
            continue;
        }
        const auto s = static_cast<uint8_t>(dimmed ? amount[i] >> 2 : amount[i]);
        for (int b = 0; b < 3; ++b) {
            const uint8_t value = colour.plane[b][colour.uniform[b] ? 0 : i];
            const uint8_t c =
                deviation ? ClampAdd(value, deviation->up[b][i] - deviation->down[b][i]) : value;
            out[b][i] = Over(s, c, out[b][i]);
        }
        if (marks.words) {
            const int32_t x = marks.x0 + static_cast<int32_t>(i);
            marks.words[x >> 5] |= uint32_t{1} << (x & 31);
        }
    }
}

void MixPlain(Mix mix, uint8_t share, const Colours& colour, const Colours& paper, const uint8_t average[3],
              uint8_t* const out[3], size_t n) {
    for (int b = 0; b < 3; ++b) {
        for (size_t i = 0; i < n; ++i) {
            const uint8_t p = paper.plane[b][paper.uniform[b] ? 0 : i];
            const uint8_t v = colour.plane[b][colour.uniform[b] ? 0 : i];
            const uint8_t pencil = ClampAdd(v, p - average[b]);
            switch (mix) {
            case Mix::kPencil:
                out[b][i] = pencil;
                break;
            case Mix::kPaper:
                out[b][i] = p;
                break;
            case Mix::kBlack:
                out[b][i] = 0;
                break;
            case Mix::kBlend:
                out[b][i] = Over(share, pencil, p);
                break;
            }
        }
    }
}

void InterleavePlain(const uint8_t* const planes[3], size_t from, size_t n, uint8_t* bgr) {
    for (size_t i = from; i < n; ++i) {
        bgr[i * 3] = planes[0][i];
        bgr[i * 3 + 1] = planes[1][i];
        bgr[i * 3 + 2] = planes[2][i];
    }
}

void DeinterleavePlain(const uint8_t* bgr, size_t from, size_t n, uint8_t* const planes[3]) {
    for (size_t i = from; i < n; ++i) {
        planes[0][i] = bgr[i * 3];
        planes[1][i] = bgr[i * 3 + 1];
        planes[2][i] = bgr[i * 3 + 2];
    }
}

#if defined(TS_HAVE_AVX2_KERNELS)

const bool g_haveAvx2 = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
}();

bool HaveAvx2() {
    return g_haveAvx2;
}

bool Vectors() {
    return g_useVectors && HaveAvx2();
}

// 16 bytes from p as 16-bit lanes.
__attribute__((target("avx2"))) inline __m256i Widen(const uint8_t* p) {
    return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}

// 32 amounts from p, those from position `valid` on taken as 0 (the bytes there are read, not used).
__attribute__((target("avx2"))) inline __m256i LoadAmounts(const uint8_t* p, size_t valid) {
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    if (valid >= 32) {
        return a;
    }
    const __m256i index = _mm256_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18,
                                           19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31);
    return _mm256_and_si256(a, _mm256_cmpgt_epi8(_mm256_set1_epi8(static_cast<char>(valid)), index));
}

// Sets the mask bits of 32 pixels from x on.
inline void Mark(uint32_t* words, int32_t x, uint32_t bits) {
    const int32_t shift = x & 31;
    words[x >> 5] |= bits << shift;
    if (shift != 0 && (bits >> (32 - shift)) != 0) {
        words[(x >> 5) + 1] |= bits >> (32 - shift);
    }
}

// mul(s, c) + mul(255 - s, o) in 16-bit lanes holding 0..255. With t = a b + 128, (t * 257) >> 16 is
// round(a b / 255), the product table's entry (a b / 255 is never halfway between two integers), and
// mul(255 - s, o) = o - mul(s, o) for the same reason: the result is o + mul(s, c) - mul(s, o), at
// most 256, which the saturating pack caps.
__attribute__((target("avx2"))) inline __m256i Over16(__m256i s, __m256i c, __m256i o) {
    const __m256i half = _mm256_set1_epi16(128);
    const __m256i scale = _mm256_set1_epi16(257);
    const __m256i sc = _mm256_mulhi_epu16(_mm256_add_epi16(_mm256_mullo_epi16(s, c), half), scale);
    const __m256i so = _mm256_mulhi_epu16(_mm256_add_epi16(_mm256_mullo_epi16(s, o), half), scale);
    return _mm256_sub_epi16(_mm256_add_epi16(o, sc), so);
}

// The three planes of 32 pixels at a time. Bytes are widened to 16 bits within each 128-bit half
// (low and high eight of each) and packed back the same way, so the pixels keep their order. The
// pencil colour plus its deviation is clamped by adding the deviation's positive part and taking
// away its negative part, both saturating.
// The colour planes of a blend: every one of one value (the common case of a pencil stroke), broadcast
// once; every one varied; or some of each.
enum class Planes { kUniform, kVaried, kSome };

template <bool kDeviation, Planes kPlanes>
__attribute__((target("avx2"))) void BlendAvx2(const uint8_t* amount, const Colours& colour,
                                               const Deviations* deviation, uint8_t* const out[3], size_t n,
                                               bool dimmed, Marks marks) {
    const __m128i shift = _mm_cvtsi32_si128(dimmed ? 2 : 0);
    const __m256i zero = _mm256_setzero_si256();
    // Local copies: the stores into the planes could otherwise change them for all the compiler knows.
    const uint8_t* src[3];
    const uint8_t* up[3] = {};
    const uint8_t* down[3] = {};
    uint8_t* dst[3];
    size_t step[3];
    __m256i uniform[3];
    for (size_t b = 0; b < 3; ++b) {
        src[b] = colour.plane[b];
        step[b] = colour.uniform[b] ? 0 : 1;
        dst[b] = out[b];
        if constexpr (kDeviation) {
            up[b] = deviation->up[b];
            down[b] = deviation->down[b];
        }
        if constexpr (kPlanes == Planes::kUniform) {
            uniform[b] = _mm256_set1_epi8(static_cast<char>(src[b][0]));
        }
    }
    uint32_t* const words = marks.words;
    const int32_t x0 = marks.x0;
    for (size_t i = 0; i < n; i += 32) {
        const __m256i a = LoadAmounts(amount + i, n - i);
        if (_mm256_testz_si256(a, a)) {
            continue;
        }
        if (words) {
            const auto unpainted = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(a, zero)));
            Mark(words, x0 + static_cast<int32_t>(i), ~unpainted);
        }
        const __m256i sLo = _mm256_srl_epi16(_mm256_unpacklo_epi8(a, zero), shift);
        const __m256i sHi = _mm256_srl_epi16(_mm256_unpackhi_epi8(a, zero), shift);
        for (size_t b = 0; b < 3; ++b) {
            // A plane of one value repeats its first 16 bytes.
            __m256i c;
            if constexpr (kPlanes == Planes::kUniform) {
                c = uniform[b];
            } else if constexpr (kPlanes == Planes::kVaried) {
                c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src[b] + i));
            } else {
                c = step[b] ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src[b] + i))
                            : _mm256_broadcastsi128_si256(
                                  _mm_loadu_si128(reinterpret_cast<const __m128i*>(src[b])));
            }
            if constexpr (kDeviation) {
                c = _mm256_subs_epu8(
                    _mm256_adds_epu8(c, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(up[b] + i))),
                    _mm256_loadu_si256(reinterpret_cast<const __m256i*>(down[b] + i)));
            }
            const __m256i o = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dst[b] + i));
            const __m256i lo = Over16(sLo, _mm256_unpacklo_epi8(c, zero), _mm256_unpacklo_epi8(o, zero));
            const __m256i hi = Over16(sHi, _mm256_unpackhi_epi8(c, zero), _mm256_unpackhi_epi8(o, zero));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst[b] + i), _mm256_packus_epi16(lo, hi));
        }
    }
}

template <bool kDeviation>
__attribute__((target("avx2"))) void BlendAvx2(const uint8_t* amount, const Colours& colour,
                                               const Deviations* deviation, uint8_t* const out[3], size_t n,
                                               bool dimmed, Marks marks) {
    if (colour.uniform[0] && colour.uniform[1] && colour.uniform[2]) {
        BlendAvx2<kDeviation, Planes::kUniform>(amount, colour, deviation, out, n, dimmed, marks);
    } else if (!colour.uniform[0] && !colour.uniform[1] && !colour.uniform[2]) {
        BlendAvx2<kDeviation, Planes::kVaried>(amount, colour, deviation, out, n, dimmed, marks);
    } else {
        BlendAvx2<kDeviation, Planes::kSome>(amount, colour, deviation, out, n, dimmed, marks);
    }
}

// 32 bytes of a plane from i on, or its one value.
__attribute__((target("avx2"))) inline __m256i PlaneBytes(const Colours& c, size_t b, size_t i) {
    return c.uniform[b] ? _mm256_set1_epi8(static_cast<char>(c.plane[b][0]))
                        : _mm256_loadu_si256(reinterpret_cast<const __m256i*>(c.plane[b] + i));
}

// The colours of MixColours, 32 pixels of a plane at a time; the paper's deviation from its average is
// added as its positive part and taken away as its negative part, both saturating.
template <Mix kMix>
__attribute__((target("avx2"))) void MixAvx2(uint8_t share, const Colours& colour, const Colours& paper,
                                             const uint8_t average[3], uint8_t* const out[3], size_t n) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i s = _mm256_set1_epi16(share);
    for (size_t b = 0; b < 3; ++b) {
        const __m256i a = _mm256_set1_epi8(static_cast<char>(average[b]));
        uint8_t* const dst = out[b];
        for (size_t i = 0; i < n; i += 32) {
            const __m256i p = PlaneBytes(paper, b, i);
            __m256i c = p;
            if constexpr (kMix == Mix::kBlack) {
                c = zero;
            } else if constexpr (kMix != Mix::kPaper) {
                const __m256i v = PlaneBytes(colour, b, i);
                c = _mm256_subs_epu8(_mm256_adds_epu8(v, _mm256_subs_epu8(p, a)), _mm256_subs_epu8(a, p));
                if constexpr (kMix == Mix::kBlend) {
                    const __m256i lo =
                        Over16(s, _mm256_unpacklo_epi8(c, zero), _mm256_unpacklo_epi8(p, zero));
                    const __m256i hi =
                        Over16(s, _mm256_unpackhi_epi8(c, zero), _mm256_unpackhi_epi8(p, zero));
                    c = _mm256_packus_epi16(lo, hi);
                }
            }
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), c);
        }
    }
}

// Shuffle masks between three planes of 16 bytes and 48 bytes of pixels: byte j of pixel block k
// (bytes 16k .. 16k + 15 of the pixels) is plane (16k + j) % 3, byte (16k + j) / 3.
struct ShuffleMasks {
    std::array<std::array<std::array<int8_t, 16>, 3>, 3> toPixels{}; // [block][plane]
    std::array<std::array<std::array<int8_t, 16>, 3>, 3> toPlanes{}; // [plane][block]

    static constexpr ShuffleMasks Build() {
        ShuffleMasks m;
        for (int k = 0; k < 3; ++k) {
            for (int j = 0; j < 16; ++j) {
                const int q = 16 * k + j;
                for (int b = 0; b < 3; ++b) {
                    m.toPixels[k][b][j] = static_cast<int8_t>(q % 3 == b ? q / 3 : -128);
                }
            }
        }
        for (int b = 0; b < 3; ++b) {
            for (int i = 0; i < 16; ++i) {
                const int q = 3 * i + b;
                for (int k = 0; k < 3; ++k) {
                    m.toPlanes[b][k][i] = static_cast<int8_t>(q / 16 == k ? q % 16 : -128);
                }
            }
        }
        return m;
    }
};

constexpr ShuffleMasks kShuffles = ShuffleMasks::Build();

__attribute__((target("avx2"))) inline __m128i Mask(const std::array<int8_t, 16>& m) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(m.data()));
}

// Interleaves pixels from .. n - 16 in blocks of 16; returns where it stopped. Streaming stores go
// around the cache, for rows that will not be read again soon; they need the blocks' 48 bytes
// aligned to 16, so the caller starts at a pixel where they are.
template <bool kStream>
__attribute__((target("avx2"))) size_t InterleaveAvx2(const uint8_t* const planes[3], size_t from, size_t n,
                                                      uint8_t* bgr) {
    size_t i = from;
    for (; i + 16 <= n; i += 16) {
        __m128i p[3];
        for (int b = 0; b < 3; ++b) {
            p[b] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(planes[b] + i));
        }
        for (int k = 0; k < 3; ++k) {
            const auto& m = kShuffles.toPixels[static_cast<size_t>(k)];
            const __m128i v = _mm_or_si128(
                _mm_or_si128(_mm_shuffle_epi8(p[0], Mask(m[0])), _mm_shuffle_epi8(p[1], Mask(m[1]))),
                _mm_shuffle_epi8(p[2], Mask(m[2])));
            auto* at = reinterpret_cast<__m128i*>(bgr + i * 3 + 16 * static_cast<size_t>(k));
            if constexpr (kStream) {
                _mm_stream_si128(at, v);
            } else {
                _mm_storeu_si128(at, v);
            }
        }
    }
    if constexpr (kStream) {
        _mm_sfence();
    }
    return i;
}

__attribute__((target("avx2"))) size_t DeinterleaveAvx2(const uint8_t* bgr, size_t n,
                                                        uint8_t* const planes[3]) {
    size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        __m128i q[3];
        for (int k = 0; k < 3; ++k) {
            q[k] =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(bgr + i * 3 + 16 * static_cast<size_t>(k)));
        }
        for (int b = 0; b < 3; ++b) {
            const auto& m = kShuffles.toPlanes[static_cast<size_t>(b)];
            const __m128i v = _mm_or_si128(
                _mm_or_si128(_mm_shuffle_epi8(q[0], Mask(m[0])), _mm_shuffle_epi8(q[1], Mask(m[1]))),
                _mm_shuffle_epi8(q[2], Mask(m[2])));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(planes[b] + i), v);
        }
    }
    return i;
}

__attribute__((target("avx2"))) void RunAveragesAvx2(const uint16_t* sum, size_t n, int32_t k,
                                                     uint16_t factor, uint8_t* out) {
    const __m256i scale = _mm256_set1_epi16(static_cast<int16_t>(factor));
    for (size_t j = 0; j < n; j += 32) {
        __m256i half[2];
        for (size_t h = 0; h < 2; ++h) {
            const uint16_t* s = sum + j + 16 * h;
            __m256i total = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s));
            for (int32_t dx = 1; dx < k; ++dx) {
                total =
                    _mm256_add_epi16(total, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 3 * dx)));
            }
            half[h] = _mm256_mulhi_epu16(total, scale);
        }
        const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(half[0], half[1]), 0xD8);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + j), packed);
    }
}

__attribute__((target("avx2"))) size_t PairAveragesAvx2(const uint8_t* a, const uint8_t* b, size_t n,
                                                        uint8_t* out) {
    size_t j = 0;
    for (; j + 19 <= n + 3; j += 16) {
        const __m256i sum = _mm256_add_epi16(_mm256_add_epi16(Widen(a + j), Widen(a + j + 3)),
                                             _mm256_add_epi16(Widen(b + j), Widen(b + j + 3)));
        const __m256i quarter = _mm256_srli_epi16(sum, 2);
        const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(quarter, quarter), 0x08);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + j), _mm256_castsi256_si128(packed));
    }
    return j;
}

// Eight pixels from 48 bytes: output byte j comes from input byte 6 (j / 3) + j % 3.
struct PairMasks {
    std::array<std::array<int8_t, 16>, 4> m{}; // bytes 0-15 from inputs 0 and 1, bytes 16-23 from 1 and 2

    static constexpr PairMasks Build() {
        PairMasks p;
        for (int j = 0; j < 24; ++j) {
            const int from = 6 * (j / 3) + j % 3;
            const int half = j < 16 ? 0 : 2;
            const int slot = j % 16;
            for (int v = 0; v < 2; ++v) {
                const int input = j < 16 ? v : v + 1; // the 16-byte input vector this mask reads
                p.m[static_cast<size_t>(half + v)][static_cast<size_t>(slot)] =
                    static_cast<int8_t>(from / 16 == input ? from % 16 : -128);
            }
        }
        for (int j = 8; j < 16; ++j) {
            p.m[2][static_cast<size_t>(j)] = -128;
            p.m[3][static_cast<size_t>(j)] = -128;
        }
        return p;
    }
};

constexpr PairMasks kPairMasks = PairMasks::Build();

__attribute__((target("avx2"))) size_t EverySecondPixelAvx2(const uint8_t* in, size_t n, uint8_t* out) {
    size_t o = 0;
    for (; o + 8 <= n; o += 8) {
        const uint8_t* p = in + 6 * o;
        const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
        const __m128i v2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32));
        const __m128i lo = _mm_or_si128(_mm_shuffle_epi8(v0, Mask(kPairMasks.m[0])),
                                        _mm_shuffle_epi8(v1, Mask(kPairMasks.m[1])));
        const __m128i hi = _mm_or_si128(_mm_shuffle_epi8(v1, Mask(kPairMasks.m[2])),
                                        _mm_shuffle_epi8(v2, Mask(kPairMasks.m[3])));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 3 * o), lo);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 3 * o + 16), hi);
    }
    return o;
}

#else

bool Vectors() {
    return false;
}

#endif

} // namespace

bool UseVectors(bool on) {
    const bool previous = g_useVectors;
    g_useVectors = on;
    return previous;
}

void BlendColour(const uint8_t* amount, const Colours& colour, uint8_t* const out[3], size_t n, bool dimmed,
                 Marks marks) {
#if defined(TS_HAVE_AVX2_KERNELS)
    if (Vectors()) {
        BlendAvx2<false>(amount, colour, nullptr, out, n, dimmed, marks);
        return;
    }
#endif
    BlendPlain(amount, colour, nullptr, out, n, dimmed, marks);
}

void BlendPencil(const uint8_t* amount, const Colours& colour, const Deviations& deviation,
                 uint8_t* const out[3], size_t n, bool dimmed, Marks marks) {
#if defined(TS_HAVE_AVX2_KERNELS)
    if (Vectors()) {
        BlendAvx2<true>(amount, colour, &deviation, out, n, dimmed, marks);
        return;
    }
#endif
    BlendPlain(amount, colour, &deviation, out, n, dimmed, marks);
}

void MixColours(Mix mix, uint8_t share, const Colours& colour, const Colours& paper, const uint8_t average[3],
                uint8_t* const out[3], size_t n) {
#if defined(TS_HAVE_AVX2_KERNELS)
    if (Vectors()) {
        switch (mix) {
        case Mix::kPencil:
            MixAvx2<Mix::kPencil>(share, colour, paper, average, out, n);
            return;
        case Mix::kPaper:
            MixAvx2<Mix::kPaper>(share, colour, paper, average, out, n);
            return;
        case Mix::kBlack:
            MixAvx2<Mix::kBlack>(share, colour, paper, average, out, n);
            return;
        case Mix::kBlend:
            MixAvx2<Mix::kBlend>(share, colour, paper, average, out, n);
            return;
        }
    }
#endif
    MixPlain(mix, share, colour, paper, average, out, n);
}

void RunAverages(const uint16_t* sum, size_t n, int32_t k, uint16_t factor, uint8_t* out) {
#if defined(TS_HAVE_AVX2_KERNELS)
    if (Vectors()) {
        RunAveragesAvx2(sum, n, k, factor, out);
        return;
    }
#endif
    for (size_t j = 0; j < n; ++j) {
        uint32_t total = 0;
        for (int32_t dx = 0; dx < k; ++dx) {
            total += sum[j + 3 * static_cast<size_t>(dx)];
        }
        out[j] = static_cast<uint8_t>((total * factor) >> 16);
    }
}

void PairAverages(const uint8_t* a, const uint8_t* b, size_t n, uint8_t* out) {
    size_t j = 0;
#if defined(TS_HAVE_AVX2_KERNELS)
    if (Vectors()) {
        j = PairAveragesAvx2(a, b, n, out);
    }
#endif
    for (; j < n; ++j) {
        out[j] = static_cast<uint8_t>((a[j] + a[j + 3] + b[j] + b[j + 3]) >> 2);
    }
}

void EverySecondPixel(const uint8_t* in, size_t n, uint8_t* out) {
    size_t o = 0;
#if defined(TS_HAVE_AVX2_KERNELS)
    if (Vectors()) {
        o = EverySecondPixelAvx2(in, n, out);
    }
#endif
    for (; o < n; ++o) {
        std::memcpy(out + 3 * o, in + 6 * o, 3);
    }
}

void ClearBits(uint32_t* words, int32_t from, int32_t to) {
    if (from >= to) {
        return;
    }
    const int32_t firstWord = from >> 5;
    const int32_t lastWord = (to - 1) >> 5;
    const uint32_t head = ~uint32_t{0} << (from & 31);
    const uint32_t tail = ~uint32_t{0} >> (31 - ((to - 1) & 31));
    if (firstWord == lastWord) {
        words[firstWord] &= ~(head & tail);
        return;
    }
    words[firstWord] &= ~head;
    std::fill(words + firstWord + 1, words + lastWord, uint32_t{0});
    words[lastWord] &= ~tail;
}

void Interleave(const uint8_t* const planes[3], size_t n, uint8_t* bgr, bool stream) {
    size_t done = 0;
#if defined(TS_HAVE_AVX2_KERNELS)
    if (Vectors()) {
        if (stream) {
            // Pixel i starts at a multiple of 16 when 3 i = -address (mod 16); 11 is 1 / 3 (mod 16).
            const auto address = reinterpret_cast<uintptr_t>(bgr);
            const size_t head = std::min<size_t>(n, (16 - address % 16) % 16 * 11 % 16);
            InterleavePlain(planes, 0, head, bgr);
            done = InterleaveAvx2<true>(planes, head, n, bgr);
        } else {
            done = InterleaveAvx2<false>(planes, 0, n, bgr);
        }
    }
#endif
    InterleavePlain(planes, done, n, bgr);
}

void Deinterleave(const uint8_t* bgr, size_t n, uint8_t* const planes[3]) {
    size_t done = 0;
#if defined(TS_HAVE_AVX2_KERNELS)
    if (Vectors()) {
        done = DeinterleaveAvx2(bgr, n, planes);
    }
#endif
    DeinterleavePlain(bgr, done, n, planes);
}

} // namespace ts::kernels
