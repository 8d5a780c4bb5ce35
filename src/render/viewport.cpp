#include "render/viewport.h"

#include "render/compositor_kernels.h"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define TS_VIEWPORT_AVX2 1
#endif

namespace ts {

namespace {

bool g_useVectors = true;

#if defined(TS_VIEWPORT_AVX2)
const bool g_haveAvx2 = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
}();
#endif

bool Vectors() {
#if defined(TS_VIEWPORT_AVX2)
    return g_useVectors && g_haveAvx2;
#else
    return false;
#endif
}

} // namespace

bool ViewportFrame::UseVectors(bool on) {
    const bool previous = g_useVectors;
    g_useVectors = on;
    return previous;
}

void SampleTable::SetZoom(int32_t zoom) {
    if (zoom == m_zoom) {
        return;
    }
    m_zoom = zoom;
    m_side = std::clamp(-zoom, 1, 10);
    const uint32_t n = static_cast<uint32_t>(m_side * m_side);
    const uint32_t factor = 65536 / n;
    m_table.fill(255);
    for (uint32_t i = 0; i <= 255 * n && i < m_table.size(); ++i) {
        m_table[i] = static_cast<uint8_t>((i * factor) >> 16);
    }
}

bool IsValidZoom(int32_t zoom) {
    return zoom == 1 || zoom == 2 || zoom == 4 || zoom == 8 || zoom == 16 || (zoom <= -2 && zoom >= -64);
}

namespace {

// Whether the sub-pixel an output pixel falls on is covered: s is the output column inside the
// magnified pixel, r the output row inside it.
bool Covered(uint16_t mask, int32_t zoom, int32_t s, int32_t r) {
    auto bit = [mask](int32_t sx, int32_t sy) {
        return (mask >> (8 * (sx / 2) + 2 * sy + (1 - sx % 2))) & 1;
    };
    switch (zoom) {
    case 2: {
        // Any bit of sub-rows 2r and 2r + 1 in byte s.
        const auto byte = static_cast<uint8_t>(mask >> (8 * s));
        return ((byte >> (4 * r)) & 0x0F) != 0;
    }
    case 4:
        return bit(s, r);
    case 8:
        return bit(s / 2, r / 2);
    case 16:
        return bit(s / 4, r / 4);
    default:
        return mask != 0;
    }
}

} // namespace

namespace {

// Repeats each of n pixels z times.
void RepeatPixels(const uint8_t* src, int32_t n, int32_t z, uint8_t* out) {
    for (int32_t x = 0; x < n; ++x) {
        const uint8_t* p = src + static_cast<size_t>(x) * 3;
        const uint32_t px = p[0] | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16;
        uint8_t* o = out + static_cast<size_t>(x) * static_cast<size_t>(z) * 3;
        // Four bytes at a time, each store's spare byte overwritten by the next.
        for (int32_t k = 0; k + 1 < z; ++k) {
            std::memcpy(o + k * 3, &px, 4);
        }
        std::memcpy(o + (z - 1) * 3, &px, 3);
    }
}

// The column sums of a shrunk row and where its blocks lie.
struct Block {
    const uint16_t* sum; // per byte of the columns from lo on
    int32_t lo;
    int32_t lastColumn;
    int32_t start; // the first column of output pixel 0
    int32_t step;
    const uint8_t* average;
};

// Adds the sums of k columns from x0 for each output pixel (K = k when it is a small known side).
template <int K> void AverageBlocks(const Block& b, int32_t outWidth, uint8_t* out, int32_t side = K) {
    const int32_t k = K > 0 ? K : side;
    for (int32_t o = 0; o < outWidth; ++o) {
        const int32_t x0 = b.start + o * b.step;
        uint32_t total[3] = {0, 0, 0};
        if (x0 >= 0 && x0 + k - 1 <= b.lastColumn) {
            const uint16_t* s = b.sum + static_cast<size_t>(x0 - b.lo) * 3;
            for (int32_t dx = 0; dx < k; ++dx) {
                total[0] += s[dx * 3];
                total[1] += s[dx * 3 + 1];
                total[2] += s[dx * 3 + 2];
            }
        } else {
            // Columns outside the view repeat its first and last ones.
            for (int32_t dx = 0; dx < k; ++dx) {
                const uint16_t* s =
                    b.sum + static_cast<size_t>(std::clamp(x0 + dx, 0, b.lastColumn) - b.lo) * 3;
                total[0] += s[0];
                total[1] += s[1];
                total[2] += s[2];
            }
        }
        uint8_t* px = out + static_cast<size_t>(o) * 3;
        px[0] = b.average[total[0]];
        px[1] = b.average[total[1]];
        px[2] = b.average[total[2]];
    }
}

// A block that reaches past the view's first or last column, which repeat.
void EdgePixel(const Image24& view, int32_t row, int32_t x0, int32_t k, const uint8_t* average, uint8_t* px) {
    uint32_t total[3] = {0, 0, 0};
    for (int32_t dy = 0; dy < k; ++dy) {
        const uint8_t* src = view.Row(std::clamp(row - dy, 0, view.Height() - 1));
        for (int32_t dx = 0; dx < k; ++dx) {
            const uint8_t* p = src + static_cast<size_t>(std::clamp(x0 + dx, 0, view.Width() - 1)) * 3;
            for (int b = 0; b < 3; ++b) {
                total[b] += p[b];
            }
        }
    }
    for (int b = 0; b < 3; ++b) {
        px[b] = average[total[b]];
    }
}

} // namespace

void ViewportFrame::MagnifyRow(const uint8_t* viewRow, int32_t firstColumn, int32_t outWidth, int32_t zoom,
                               int32_t subRow, const UnderPixelManager* under, uint8_t* out) {
    if (outWidth <= 0) {
        return;
    }
    const bool lines = under && under->Any();
    const int32_t whole = outWidth / zoom;
    if (!lines) {
        RepeatPixels(viewRow + static_cast<size_t>(firstColumn) * 3, whole, zoom, out);
    }
    for (int32_t o = lines ? 0 : whole * zoom; o < outWidth; ++o) {
        const int32_t x = firstColumn + o / zoom;
        const uint8_t* src = viewRow + static_cast<size_t>(x) * 3;
        if (lines && under->Has(x)) {
            const uint8_t* e = under->Element(x);
            const uint16_t mask = UnderPixelManager::Mask(e);
            if (mask != 0) {
                src = Covered(mask, zoom, o % zoom, subRow) ? e + UnderPixelManager::kLine
                                                            : e + UnderPixelManager::kUnder;
            }
        }
        std::memcpy(out + static_cast<size_t>(o) * 3, src, 3);
    }
}

namespace {

// sum[j] = a[j] + b[j] for j < n (b null: a[j] alone), and sum[j] += src[j].
__attribute__((target_clones("default", "avx2"))) void SetBytes(uint16_t* sum, const uint8_t* a,
                                                                const uint8_t* b, size_t n) {
    if (b) {
        for (size_t j = 0; j < n; ++j) {
            sum[j] = static_cast<uint16_t>(a[j] + b[j]);
        }
    } else {
        for (size_t j = 0; j < n; ++j) {
            sum[j] = a[j];
        }
    }
}

__attribute__((target_clones("default", "avx2"))) void AddBytes(uint16_t* sum, const uint8_t* src, size_t n) {
    for (size_t j = 0; j < n; ++j) {
        sum[j] = static_cast<uint16_t>(sum[j] + src[j]);
    }
}

#if defined(TS_VIEWPORT_AVX2)

// 16 bytes from p as 16-bit lanes.
__attribute__((target("avx2"))) inline __m256i Widen16(const uint8_t* p) {
    return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}

// Blocks apart (zooms beyond -10) average their last 10 x 10 pixels: the 30 bytes of a block row from
// each of the ten rows. Output o reads rows[r][o x stride ..+ 30). The bytes go in as two vectors of
// sixteen 16-bit lanes, at 0 and at 14 (the second's first two lanes repeat the first's last two and
// weigh nothing), the ten rows added lane by lane; each channel's total is then the weighted sum of
// the lanes that hold it. Nothing past a block's last byte is read.
__attribute__((target("avx2"))) void TenByTenAvx2(const uint8_t* const rows[10], size_t count, size_t stride,
                                                  const uint8_t* average, uint8_t* out) {
    alignas(32) int16_t w[6][16];
    for (int32_t c = 0; c < 3; ++c) {
        for (int32_t lane = 0; lane < 16; ++lane) {
            w[c][lane] = static_cast<int16_t>(lane % 3 == c);
            w[3 + c][lane] = static_cast<int16_t>(lane >= 2 && (lane + 14) % 3 == c);
        }
    }
    __m256i weight[6];
    for (size_t i = 0; i < 6; ++i) {
        weight[i] = _mm256_load_si256(reinterpret_cast<const __m256i*>(w[i]));
    }
    for (size_t o = 0; o < count; ++o) {
        const size_t at = o * stride;
        __m256i a = Widen16(rows[0] + at);
        __m256i b = Widen16(rows[0] + at + 14);
        for (size_t r = 1; r < 10; ++r) {
            a = _mm256_add_epi16(a, Widen16(rows[r] + at));
            b = _mm256_add_epi16(b, Widen16(rows[r] + at + 14));
        }
        __m256i t[3];
        for (size_t c = 0; c < 3; ++c) {
            t[c] = _mm256_add_epi32(_mm256_madd_epi16(a, weight[c]), _mm256_madd_epi16(b, weight[3 + c]));
        }
        // Per half: the sums of t0, t1, t2 and t2 again; then the halves added.
        const __m256i s = _mm256_hadd_epi32(_mm256_hadd_epi32(t[0], t[1]), _mm256_hadd_epi32(t[2], t[2]));
        const __m128i q = _mm_add_epi32(_mm256_castsi256_si128(s), _mm256_extracti128_si256(s, 1));
        uint8_t* px = out + o * 3;
        px[0] = average[_mm_cvtsi128_si32(q)];
        px[1] = average[_mm_extract_epi32(q, 1)];
        px[2] = average[_mm_extract_epi32(q, 2)];
    }
}

#endif

} // namespace

// The k x k sums go in two steps: the k rows added byte by byte over the columns the row reads, then
// k neighbouring columns of those sums. The average of n samples with sum i is (i x floor(65536 / n))
// >> 16, the sample table's entry. When the blocks lie side by side the averages are made from every
// pixel at once, and each k-th is kept.
void ViewportFrame::ShrinkRow(const Image24& view, int32_t row, int32_t firstColumn, int32_t outWidth,
                              const SampleTable& table, uint8_t* out, ShrinkRoom& room) {
    if (outWidth <= 0) {
        return;
    }
    const int32_t k = table.BlockSide();
    const int32_t step = std::max(k, -table.Zoom());
    const int32_t lastColumn = view.Width() - 1;
    const int32_t start = firstColumn + (step - k); // the first column of output pixel 0
    const int32_t lo = std::clamp(start, 0, lastColumn);
    const int32_t hi = std::clamp(start + (outWidth - 1) * step + k - 1, 0, lastColumn);
    const auto bytes = static_cast<size_t>(hi - lo + 1) * 3;
    auto rowAt = [&](int32_t dy) {
        return view.Row(std::clamp(row - dy, 0, view.Height() - 1)) + static_cast<size_t>(lo) * 3;
    };
    const bool sideBySide = step == k && bytes >= static_cast<size_t>(3 * k);
    // Blocks apart at zooms beyond -10 are read straight from the rows, between the blocks at the ends.
    const bool tenByTen = step > k && k == 10 && Vectors();
    if (!tenByTen) {
        const size_t runs = sideBySide ? bytes - static_cast<size_t>(3 * (k - 1)) : 0;
        room.averages.resize(std::max(room.averages.size(), runs + kernels::kSlack));
        if (sideBySide && k == 2) {
            kernels::PairAverages(rowAt(0), rowAt(1), runs, room.averages.data());
        } else {
            room.sums.resize(
                std::max(room.sums.size(), bytes + 3 * static_cast<size_t>(k) + kernels::kSlack));
            uint16_t* sum = room.sums.data();
            SetBytes(sum, rowAt(0), k > 1 ? rowAt(1) : nullptr, bytes);
            for (int32_t dy = 2; dy < k; ++dy) {
                AddBytes(sum, rowAt(dy), bytes);
            }
            if (!sideBySide) {
                AverageBlocks<0>(Block{sum, lo, lastColumn, start, step, table.Entries()}, outWidth, out, k);
                return;
            }
            kernels::RunAverages(sum, runs, k, static_cast<uint16_t>(65536 / (k * k)), room.averages.data());
        }
    }
    // Blocks reaching past the view's first or last column lie at the ends of the row.
    int32_t inside = 0;
    while (inside < outWidth && start + inside * step < 0) {
        EdgePixel(view, row, start + inside * step, k, table.Entries(),
                  out + static_cast<size_t>(inside) * 3);
        ++inside;
    }
    int32_t end = outWidth;
    while (end > inside && start + (end - 1) * step + k - 1 > lastColumn) {
        --end;
        EdgePixel(view, row, start + end * step, k, table.Entries(), out + static_cast<size_t>(end) * 3);
    }
    uint8_t* px = out + static_cast<size_t>(inside) * 3;
    const auto count = static_cast<size_t>(end - inside);
#if defined(TS_VIEWPORT_AVX2)
    if (tenByTen) {
        if (count == 0) {
            return;
        }
        const size_t first = static_cast<size_t>(start + inside * step) * 3;
        const uint8_t* rows[10];
        for (int32_t dy = 0; dy < 10; ++dy) {
            rows[dy] = view.Row(std::clamp(row - dy, 0, view.Height() - 1)) + first;
        }
        TenByTenAvx2(rows, count, static_cast<size_t>(step) * 3, table.Entries(), px);
        return;
    }
#endif
    const uint8_t* averages = room.averages.data() + static_cast<size_t>(start + inside * step - lo) * 3;
    if (k == 2) {
        kernels::EverySecondPixel(averages, count, px);
        return;
    }
    for (size_t o = 0; o < count; ++o) {
        std::memcpy(px + o * 3, averages + o * 3 * static_cast<size_t>(k), 3);
    }
}

} // namespace ts
