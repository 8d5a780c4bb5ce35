#include "raster/box_blur.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace ts::boxblur {

// A row pass keeps the box sum running along the row: sum(i) = sum(i - 1) + b[i + 2r + 1] - b[i], b
// being the row's stretch with r zeros before it, one more zero in front of those, and zeros after. Eight
// bytes at a time, the differences are summed up in the register (16-bit sums wrap, but a box's sum
// fits, so the wrapped differences give it exactly) and the last sum carried on.
void RowPass(uint8_t* row, size_t width, size_t& lo, size_t& hi, int32_t radius,
             std::vector<uint16_t>& scratch) {
    if (radius <= 0 || lo >= hi) {
        return;
    }
    const auto r = static_cast<size_t>(radius);
    const size_t from = lo > r ? lo - r : 0;
    const size_t to = std::min(width, hi + r);
    const size_t n = to - from;
    // b[0] is the zero in front; b[1 + k] is the row's byte at from - r + k.
    const size_t length = n + 2 * r + 1 + 16;
    scratch.resize((length + 1) / 2);
    auto* b = reinterpret_cast<uint8_t*>(scratch.data());
    const size_t at = 1 + (lo - from) + r;
    std::memset(b, 0, at);
    std::memcpy(b + at, row + lo, hi - lo);
    std::memset(b + at + (hi - lo), 0, length - at - (hi - lo));
    const Divider divide(radius);
    uint16_t sum = 0;
    for (size_t m = 0; m <= 2 * r; ++m) {
        sum = static_cast<uint16_t>(sum + b[m]);
    }
    uint8_t* out = row + from;
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i half = _mm_set1_epi16(static_cast<short>(divide.half));
    const __m128i factor = _mm_set1_epi16(static_cast<short>(divide.factor));
    __m128i carry = _mm_set1_epi16(static_cast<short>(sum));
    for (; i + 8 <= n; i += 8) {
        const __m128i in =
            _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(b + i + 2 * r + 1)), zero);
        const __m128i away =
            _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(b + i)), zero);
        __m128i d = _mm_sub_epi16(in, away);
        d = _mm_add_epi16(d, _mm_slli_si128(d, 2));
        d = _mm_add_epi16(d, _mm_slli_si128(d, 4));
        d = _mm_add_epi16(d, _mm_slli_si128(d, 8));
        const __m128i sums = _mm_add_epi16(d, carry);
        // The block's total, taken from the block alone, keeps the carry's chain one addition long.
        const __m128i total = _mm_shufflehi_epi16(d, 0xFF);
        carry = _mm_add_epi16(carry, _mm_unpackhi_epi64(total, total));
        const __m128i means = _mm_mulhi_epu16(_mm_add_epi16(sums, half), factor);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(means, zero));
    }
    sum = static_cast<uint16_t>(_mm_cvtsi128_si32(carry));
#endif
    for (; i < n; ++i) {
        sum = static_cast<uint16_t>(sum + b[i + 2 * r + 1] - b[i]);
        out[i] = divide(sum);
    }
    lo = from;
    hi = to;
}

namespace {

// The column step on 16 columns a time with 128-bit vectors.
[[gnu::always_inline]] inline size_t ColumnStep16(uint16_t* sums, const uint8_t* enter, const uint8_t* leave,
                                                  uint8_t* out, size_t n, const Divider& divide) {
    size_t x = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i half = _mm_set1_epi16(static_cast<short>(divide.half));
    const __m128i factor = _mm_set1_epi16(static_cast<short>(divide.factor));
    for (; x + 16 <= n; x += 16) {
        const __m128i e = _mm_loadu_si128(reinterpret_cast<const __m128i*>(enter + x));
        const __m128i l = _mm_loadu_si128(reinterpret_cast<const __m128i*>(leave + x));
        auto* s = reinterpret_cast<__m128i*>(sums + x);
        const __m128i low = _mm_sub_epi16(_mm_add_epi16(_mm_loadu_si128(s), _mm_unpacklo_epi8(e, zero)),
                                          _mm_unpacklo_epi8(l, zero));
        const __m128i high = _mm_sub_epi16(_mm_add_epi16(_mm_loadu_si128(s + 1), _mm_unpackhi_epi8(e, zero)),
                                           _mm_unpackhi_epi8(l, zero));
        _mm_storeu_si128(s, low);
        _mm_storeu_si128(s + 1, high);
        if (out) {
            const __m128i a = _mm_mulhi_epu16(_mm_add_epi16(low, half), factor);
            const __m128i b = _mm_mulhi_epu16(_mm_add_epi16(high, half), factor);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_packus_epi16(a, b));
        }
    }
#else
    (void)sums, (void)enter, (void)leave, (void)out, (void)n, (void)divide;
#endif
    return x;
}

#if defined(__x86_64__) && defined(__GNUC__)
#define TS_HAVE_AVX2_COLUMNS 1
// The same on 16 columns a time with 256-bit arithmetic, where the processor has it.
__attribute__((target("avx2"))) size_t ColumnStepAvx2(uint16_t* sums, const uint8_t* enter,
                                                      const uint8_t* leave, uint8_t* out, size_t n,
                                                      const Divider& divide) {
    const __m256i half = _mm256_set1_epi16(static_cast<short>(divide.half));
    const __m256i factor = _mm256_set1_epi16(static_cast<short>(divide.factor));
    size_t x = 0;
    for (; x + 16 <= n; x += 16) {
        const __m256i e = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(enter + x)));
        const __m256i l = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(leave + x)));
        auto* s = reinterpret_cast<__m256i*>(sums + x);
        const __m256i sum = _mm256_sub_epi16(_mm256_add_epi16(_mm256_loadu_si256(s), e), l);
        _mm256_storeu_si256(s, sum);
        if (out) {
            const __m256i means = _mm256_mulhi_epu16(_mm256_add_epi16(sum, half), factor);
            const __m128i bytes =
                _mm_packus_epi16(_mm256_castsi256_si128(means), _mm256_extracti128_si256(means, 1));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), bytes);
        }
    }
    return x;
}

bool HaveAvx2() {
    static const bool avx2 = __builtin_cpu_supports("avx2");
    return avx2;
}
#endif

} // namespace

void ColumnStep(uint16_t* sums, const uint8_t* enter, const uint8_t* leave, uint8_t* out, size_t n,
                const Divider& divide) {
#if defined(TS_HAVE_AVX2_COLUMNS)
    size_t x = HaveAvx2() ? ColumnStepAvx2(sums, enter, leave, out, n, divide)
                          : ColumnStep16(sums, enter, leave, out, n, divide);
#else
    size_t x = ColumnStep16(sums, enter, leave, out, n, divide);
#endif
    for (; x < n; ++x) {
        sums[x] = static_cast<uint16_t>(sums[x] + enter[x] - leave[x]);
        if (out) {
            out[x] = divide(sums[x]);
        }
    }
}

void ScaleRow(const uint8_t* in, uint8_t* out, size_t n, uint16_t scale) {
    size_t x = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i factor = _mm_set1_epi16(static_cast<short>(scale));
    const __m128i round = _mm_set1_epi16(128);
    for (; x + 16 <= n; x += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + x));
        const __m128i low =
            _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(v, zero), factor), round), 8);
        const __m128i high =
            _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(v, zero), factor), round), 8);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_packus_epi16(low, high));
    }
#endif
    for (; x < n; ++x) {
        out[x] = static_cast<uint8_t>(static_cast<uint16_t>(in[x] * scale + 128) >> 8);
    }
}

} // namespace ts::boxblur
