#pragma once

// Pieces of resampling a layer's parts through a source map: cheap floors, which blocks of a part hold
// anything, and the sub-pixel sampling of coverage masks.

#include "raster/super_bit_buffer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

namespace ts::resample {

// floor() of a value within the int32_t range, cheaply for the usual value of at least 0.
inline int32_t FloorOf(double v) {
    return v >= 0 ? static_cast<int32_t>(v) : static_cast<int32_t>(std::floor(v));
}

// What each 16 x 16 block of a decoded part holds: only its fill, one other value throughout (parts
// of one byte a pixel), or a mixture.
class ContentBlocks {
public:
    static constexpr int32_t kBlock = 16;

    // Ready for the rows of a part of this size; false without the memory.
    bool Start(int32_t width, int32_t height, size_t bpp, uint8_t fill) {
        m_blocksX = (width + kBlock - 1) / kBlock;
        m_fill = fill;
        m_bpp = bpp;
        m_rowBytes = static_cast<size_t>(width) * bpp;
        const auto blocksY = static_cast<size_t>((height + kBlock - 1) / kBlock);
        try {
            m_kind.assign(static_cast<size_t>(m_blocksX) * blocksY, kFill);
            m_value.assign(static_cast<size_t>(m_blocksX) * blocksY, fill);
        } catch (const std::bad_alloc&) {
            return false;
        }
        return true;
    }
    // Row y of the part, decoded (rows come in order, each once).
    void Row(int32_t y, const uint8_t* r) {
        const size_t first = static_cast<size_t>(y / kBlock) * static_cast<size_t>(m_blocksX);
        const bool top = y % kBlock == 0;
        const size_t blockBytes = static_cast<size_t>(kBlock) * m_bpp;
        for (size_t b = 0, i = 0; i < m_rowBytes; ++b, i += blockBytes) {
            uint8_t& kind = m_kind[first + b];
            // A one-byte block takes its first byte as the value it may hold throughout.
            uint8_t& value = m_value[first + b];
            if (top && m_bpp == 1) {
                value = r[i];
                kind = r[i] == m_fill ? kFill : kOne;
            }
            if (kind == kMixed) {
                continue;
            }
            const size_t n = std::min(blockBytes, m_rowBytes - i);
            const uint8_t expect = m_bpp == 1 ? value : m_fill;
            const uint64_t expects = uint64_t{expect} * 0x0101010101010101u;
            uint64_t differs = 0;
            size_t k = 0;
            for (; k + 8 <= n; k += 8) {
                uint64_t v = 0;
                std::memcpy(&v, r + i + k, 8);
                differs |= v ^ expects;
            }
            for (; k < n; ++k) {
                differs |= r[i + k] ^ expect;
            }
            if (differs != 0) {
                kind = kMixed;
            }
        }
    }
    // Whether the rectangle of pixels (inclusive, within the part) touches a block with content.
    bool Any(const std::array<int32_t, 4>& r) const {
        for (int32_t by = r[1] / kBlock; by <= r[3] / kBlock; ++by) {
            const uint8_t* k = m_kind.data() + static_cast<size_t>(by) * static_cast<size_t>(m_blocksX);
            for (int32_t bx = r[0] / kBlock; bx <= r[2] / kBlock; ++bx) {
                if (k[bx] != kFill) {
                    return true;
                }
            }
        }
        return false;
    }
    // Whether every pixel of the rectangle (inclusive, within the part) holds one and the same byte;
    // sets value.
    bool OneValue(const std::array<int32_t, 4>& r, uint8_t& value) const {
        bool found = false;
        for (int32_t by = r[1] / kBlock; by <= r[3] / kBlock; ++by) {
            const size_t row = static_cast<size_t>(by) * static_cast<size_t>(m_blocksX);
            for (int32_t bx = r[0] / kBlock; bx <= r[2] / kBlock; ++bx) {
                const uint8_t kind = m_kind[row + static_cast<size_t>(bx)];
                if (kind == kMixed) {
                    return false;
                }
                const uint8_t v = m_value[row + static_cast<size_t>(bx)];
                if (found && v != value) {
                    return false;
                }
                value = v;
                found = true;
            }
        }
        return found;
    }

private:
    static constexpr uint8_t kFill = 0;
    static constexpr uint8_t kOne = 1;
    static constexpr uint8_t kMixed = 2;
    int32_t m_blocksX = 0;
    uint8_t m_fill = 0;
    size_t m_bpp = 1;
    size_t m_rowBytes = 0;
    std::vector<uint8_t> m_kind;
    std::vector<uint8_t> m_value;
};

// A coverage mask (two bytes a pixel) read into bits: a bit a pixel where it covers any sub-pixel and
// where it covers all of them, and a bit a sub-pixel laid out as the sub-pixels lie (four rows of
// bits a pixel row, four bits a pixel along them). Each row is a whole number of words.
class CoverageBits {
public:
    bool Make(const RLBuffer& src) {
        const auto w = static_cast<size_t>(src.Width());
        const auto h = static_cast<size_t>(src.Height());
        m_words = w / 64 + 1;
        m_quarterWords = w / 16 + 1;
        std::vector<uint8_t> row;
        try {
            row.resize(src.RawRowLength());
            m_any.assign(m_words * h, 0);
            m_full.assign(m_words * h, 0);
            m_quarter.assign(m_quarterWords * 4 * h, 0);
        } catch (const std::bad_alloc&) {
            return false;
        }
        for (size_t y = 0; y < h; ++y) {
            src.ReadRow(static_cast<int32_t>(y), row.data());
            uint64_t* any = m_any.data() + m_words * y;
            uint64_t* full = m_full.data() + m_words * y;
            uint64_t* quarter = m_quarter.data() + m_quarterWords * 4 * y;
            for (size_t x0 = 0; x0 < w; x0 += 64) {
                const size_t n = std::min<size_t>(64, w - x0);
                const uint8_t* p = row.data() + x0 * 2;
                // Sixty-four empty pixels, the usual case, are found with a few wide looks.
                uint64_t seen = 0;
                size_t i = 0;
                for (; i + 8 <= n * 2; i += 8) {
                    uint64_t v = 0;
                    std::memcpy(&v, p + i, 8);
                    seen |= v;
                }
                for (; i < n * 2; ++i) {
                    seen |= p[i];
                }
                if (seen == 0) {
                    continue;
                }
                uint64_t a = 0;
                uint64_t f = 0;
                for (size_t k = 0; k < n; ++k) {
                    const auto m = static_cast<uint16_t>(p[2 * k] | p[2 * k + 1] << 8);
                    if (m == 0) {
                        continue;
                    }
                    a |= uint64_t{1} << k;
                    f |= static_cast<uint64_t>(m == 0xFFFF) << k;
                    const size_t x = x0 + k;
                    for (uint32_t j = 0; j < 4; ++j) {
                        quarter[m_quarterWords * j + x / 16] |= uint64_t{SubPixelRow(m, j)} << (4 * (x % 16));
                    }
                }
                any[x0 / 64] = a;
                full[x0 / 64] = f;
            }
        }
        return true;
    }

    // Whether the sub-pixel at quarter-pixel column qx and row qy (within the part) is covered.
    bool SubPixel(int32_t qx, int32_t qy) const {
        const uint64_t word =
            m_quarter[m_quarterWords * static_cast<size_t>(qy) + (static_cast<size_t>(qx) >> 6)];
        return (word >> (qx & 63)) & 1;
    }
    // Whether pixel (x, y) covers anything.
    bool Any(int32_t x, int32_t y) const {
        return (m_any[m_words * static_cast<size_t>(y) + (static_cast<size_t>(x) >> 6)] >> (x & 63)) & 1;
    }

    size_t WordsPerRow() const { return m_words; }
    const uint64_t* AnyRow(int32_t y) const { return m_any.data() + m_words * static_cast<size_t>(y); }

    // What the pixels of columns x0 .. x1 in rows y0 .. y1 (inclusive, within the part) hold: any
    // coverage, every pixel fully covered, some pixel partly covered.
    struct Look {
        bool any = false;
        bool full = true;
        bool partial = false;
    };
    Look At(int32_t x0, int32_t y0, int32_t x1, int32_t y1) const {
        const size_t w0 = static_cast<size_t>(x0) >> 6;
        const size_t w1 = static_cast<size_t>(x1) >> 6;
        const uint64_t first = ~uint64_t{0} << (x0 & 63);
        const uint64_t last = ~uint64_t{0} >> (63 - (x1 & 63));
        uint64_t any = 0;
        uint64_t notFull = 0;
        uint64_t partial = 0;
        for (int32_t y = y0; y <= y1; ++y) {
            const uint64_t* a = m_any.data() + m_words * static_cast<size_t>(y);
            const uint64_t* f = m_full.data() + m_words * static_cast<size_t>(y);
            for (size_t k = w0; k <= w1; ++k) {
                const uint64_t keep = (k == w0 ? first : ~uint64_t{0}) & (k == w1 ? last : ~uint64_t{0});
                any |= a[k] & keep;
                notFull |= ~f[k] & keep;
                partial |= a[k] & ~f[k] & keep;
            }
        }
        return Look{any != 0, notFull == 0, partial != 0};
    }

private:
    // Sub-pixel row j of a mask, its columns as bits 0 .. 3.
    static uint32_t SubPixelRow(uint16_t mask, uint32_t j) {
        uint32_t row = 0;
        for (int i = 0; i < 4; ++i) {
            row |= ((mask >> SuperBitBuffer::SubPixelBit(i, static_cast<int>(j))) & 1u) << i;
        }
        return row;
    }

    size_t m_words = 1;
    size_t m_quarterWords = 1;
    std::vector<uint64_t> m_quarter;
    std::vector<uint64_t> m_any;
    std::vector<uint64_t> m_full;
};

// Which source pixels have coverage of any of several masks within reach of them (each way, across
// and down). A destination pixel whose sampling box lies within reach of the source pixel under its
// centre can be passed over when that pixel is not marked. Kept a bit a pixel in row order, so that
// looking it up stays in the cache; a row's marks may spill onto the ends of the rows beside it,
// which only costs a closer look there.
class NearCoverage {
public:
    bool Make(const std::vector<const CoverageBits*>& masks, int32_t width, int32_t height, int32_t reach) {
        const auto w = static_cast<size_t>(width);
        const size_t bits = w * static_cast<size_t>(height);
        const size_t words = bits / 64 + 2; // a spare word for a row's end to spill into
        std::vector<uint64_t> flags;
        std::vector<uint64_t> across;
        try {
            flags.assign(words, 0);
            across.assign(words, 0);
            m_near.assign(words, 0);
        } catch (const std::bad_alloc&) {
            return false;
        }
        // The masks' rows laid end to end.
        for (int32_t y = 0; y < height; ++y) {
            const size_t at = w * static_cast<size_t>(y);
            for (const CoverageBits* m : masks) {
                const uint64_t* row = m->AnyRow(y);
                for (size_t k = 0; k * 64 < w; ++k) {
                    if (row[k] == 0) {
                        continue;
                    }
                    const size_t bit = at + k * 64;
                    const size_t n = std::min<size_t>(64, w - k * 64);
                    const uint64_t v = n == 64 ? row[k] : row[k] & ((uint64_t{1} << n) - 1);
                    flags[bit >> 6] |= v << (bit & 63);
                    if ((bit & 63) != 0) {
                        flags[(bit >> 6) + 1] |= v >> (64 - (bit & 63));
                    }
                }
            }
        }
        // Spread across, then down: the marks moved by up to reach pixels, then by up to reach rows.
        Spread(flags, across, 1, reach);
        Spread(across, m_near, w, reach);
        return true;
    }
    // Whether source pixel (its index in row order) has coverage within reach.
    bool At(int32_t index) const {
        const auto i = static_cast<size_t>(index);
        return (m_near[i >> 6] >> (i & 63)) & 1;
    }

private:
    // to = from moved by -reach .. reach times step bits, all laid over one another.
    static void Spread(const std::vector<uint64_t>& from, std::vector<uint64_t>& to, size_t step,
                       int32_t reach) {
        const size_t n = from.size();
        to = from;
        for (int32_t d = 1; d <= reach; ++d) {
            const size_t shift = step * static_cast<size_t>(d);
            const size_t q = shift >> 6;
            const unsigned b = shift & 63;
            for (size_t k = 0; k < n; ++k) {
                // Later bits (moved towards the start) and earlier bits (towards the end).
                uint64_t v = 0;
                if (k + q < n) {
                    v |= b ? from[k + q] >> b : from[k + q];
                    if (b && k + q + 1 < n) {
                        v |= from[k + q + 1] << (64 - b);
                    }
                }
                if (k >= q) {
                    v |= b ? from[k - q] << b : from[k - q];
                    if (b && k >= q + 1) {
                        v |= from[k - q - 1] >> (64 - b);
                    }
                }
                to[k] |= v;
            }
        }
    }

    std::vector<uint64_t> m_near;
};

// The pixels of a destination row that have a source (their source pixel's index in at, -1 for none;
// sx < 0 for none) and, with near given, coverage within reach of it. Kept out of line, a tight loop
// of its own.
__attribute__((noinline)) inline size_t Candidates(const int32_t* at, const double* sx, size_t width,
                                                   const NearCoverage* near, uint32_t* out) {
    size_t n = 0;
    for (size_t x = 0; x < width; ++x) {
        const int32_t i = at[x];
        if (i >= 0 && sx[x] >= 0 && (!near || near->At(i))) {
            out[n++] = static_cast<uint32_t>(x);
        }
    }
    return n;
}

// The largest difference, across or down, between the positions of neighbouring pixels of a row
// (sx < 0: no position), and the same between a row and the next.
inline double AcrossSteps(const double* sx, const double* sy, size_t n) {
    double most = 0;
    for (size_t x = 0; x + 1 < n; ++x) {
        const double d = std::max(std::fabs(sx[x + 1] - sx[x]), std::fabs(sy[x + 1] - sy[x]));
        most = (sx[x] >= 0 && sx[x + 1] >= 0 && d > most) ? d : most;
    }
    return most;
}

inline double DownSteps(const double* sx0, const double* sy0, const double* sx1, const double* sy1,
                        size_t n) {
    double most = 0;
    for (size_t x = 0; x < n; ++x) {
        const double d = std::max(std::fabs(sx1[x] - sx0[x]), std::fabs(sy1[x] - sy0[x]));
        most = (sx0[x] >= 0 && sx1[x] >= 0 && d > most) ? d : most;
    }
    return most;
}

// The offsets across a destination pixel (-0.5 .. 0.5) of n samples in each of its four sub-pixel
// columns, a sub-pixel's samples after one another.
inline const double* SampleOffsets(int32_t n) {
    struct Tables {
        double at[8][4 * 8];
        Tables() {
            for (int32_t m = 1; m <= 8; ++m) {
                for (int32_t k = 0; k < 4; ++k) {
                    for (int32_t a = 0; a < m; ++a) {
                        at[m - 1][k * m + a] = ((k + (a + 0.5) / m) / 4) - 0.5;
                    }
                }
            }
        }
    };
    static const Tables tables;
    return tables.at[n - 1];
}

// The bit of each sub-pixel of a coverage mask, by its column and row (column + 4 * row).
inline constexpr uint8_t kSubPixelBits[16] = {
    SuperBitBuffer::SubPixelBit(0, 0), SuperBitBuffer::SubPixelBit(1, 0), SuperBitBuffer::SubPixelBit(2, 0),
    SuperBitBuffer::SubPixelBit(3, 0), SuperBitBuffer::SubPixelBit(0, 1), SuperBitBuffer::SubPixelBit(1, 1),
    SuperBitBuffer::SubPixelBit(2, 1), SuperBitBuffer::SubPixelBit(3, 1), SuperBitBuffer::SubPixelBit(0, 2),
    SuperBitBuffer::SubPixelBit(1, 2), SuperBitBuffer::SubPixelBit(2, 2), SuperBitBuffer::SubPixelBit(3, 2),
    SuperBitBuffer::SubPixelBit(0, 3), SuperBitBuffer::SubPixelBit(1, 3), SuperBitBuffer::SubPixelBit(2, 3),
    SuperBitBuffer::SubPixelBit(3, 3)};

// At most this many samples a destination pixel are worked out ahead of looking at them.
inline constexpr int32_t kMaxGridSamples = 256;

// The 16 sub-pixels of a destination pixel whose source centre is (ox, oy), with source steps u
// and v per destination pixel. A sub-pixel covers a quarter of those steps each way, sampled a
// quarter source pixel apart, so a line thinner than a sub-pixel after shrinking still leaves one.
// Among whole pixels only (no partial masks) and shrinking less than four times, the sub-pixel
// centres alone cannot miss a pixel. from becomes the first source pixel found covered (-1: none).
inline uint16_t SampleMask(const CoverageBits& bits, int32_t sw, int32_t sh, double ox, double oy, double ux,
                           double uy, double vx, double vy, bool partial, int32_t& from,
                           bool shortcuts = true) {
    const double lu = std::sqrt(ux * ux + uy * uy);
    const double lv = std::sqrt(vx * vx + vy * vy);
    const bool coarse = !partial && lu < 4 && lv < 4;
    // Samples a sub-pixel each way: at least one, one per source pixel a step spans, at most eight.
    auto samples = [coarse](double length) {
        const double over = length - 1e-6;
        return coarse || over <= 1 ? 1 : std::clamp(static_cast<int32_t>(std::ceil(over)), 1, 8);
    };
    const int32_t nu = samples(lu);
    const int32_t nv = samples(lv);
    from = -1;
    const double* rs = SampleOffsets(nu);
    const double* ts = SampleOffsets(nv);
    // A sample lies at (ox + ux r) + vx t across and (oy + uy r) + vy t down.
    double alongX[4 * 8];
    double alongY[4 * 8];
    double downX[4 * 8];
    double downY[4 * 8];
    for (int32_t k = 0; k < 4 * nu; ++k) {
        alongX[k] = ox + ux * rs[k];
        alongY[k] = oy + uy * rs[k];
    }
    for (int32_t k = 0; k < 4 * nv; ++k) {
        downX[k] = vx * ts[k];
        downY[k] = vy * ts[k];
    }
    // When every sample falls inside the source (rounding is monotonic, so the sums of the least and
    // of the greatest terms bound them), no sample needs its own look at the edges.
    // The offsets grow along each table, so each term runs one way: its ends bound it.
    auto least = [](const double* v, int32_t n) { return std::min(v[0], v[n - 1]); };
    auto most = [](const double* v, int32_t n) { return std::max(v[0], v[n - 1]); };
    const bool inside = shortcuts && least(alongX, 4 * nu) + least(downX, 4 * nv) >= 0 &&
                        least(alongY, 4 * nu) + least(downY, 4 * nv) >= 0 &&
                        most(alongX, 4 * nu) + most(downX, 4 * nv) < sw &&
                        most(alongY, 4 * nu) + most(downY, 4 * nv) < sh;
    auto covered = [&](double fx, double fy) {
        if (!inside && !(fx >= 0 && fy >= 0 && fx < sw && fy < sh)) {
            return false;
        }
        // In quarter pixels: the pixel and the sub-pixel at once (scaling by 4 is exact).
        const auto qx = static_cast<int32_t>(fx * 4);
        const auto qy = static_cast<int32_t>(fy * 4);
        const int32_t px = qx >> 2;
        const int32_t py = qy >> 2;
        if (!bits.SubPixel(qx, qy)) {
            return false;
        }
        if (from < 0) {
            from = py * sw + px;
        }
        return true;
    };
    uint16_t mask = 0;
    if (nu == 1 && nv == 1 && inside) {
        // One sample a sub-pixel, all inside: their quarter pixels worked out together first.
        int32_t qx[16];
        int32_t qy[16];
        for (int k = 0; k < 16; ++k) {
            qx[k] = static_cast<int32_t>((alongX[k & 3] + downX[k >> 2]) * 4);
            qy[k] = static_cast<int32_t>((alongY[k & 3] + downY[k >> 2]) * 4);
        }
        for (int k = 0; k < 16; ++k) {
            const int32_t px = qx[k] >> 2;
            const int32_t py = qy[k] >> 2;
            if (bits.SubPixel(qx[k], qy[k])) {
                if (from < 0) {
                    from = py * sw + px;
                }
                mask = static_cast<uint16_t>(mask | 1u << kSubPixelBits[k]);
            }
        }
        return mask;
    }
    const int32_t across = 4 * nu;
    const int32_t down = 4 * nv;
    if (across * down <= kMaxGridSamples) {
        // Every sample's quarter pixel worked out first, in one loop the compiler can keep tight; a
        // sample outside the source gets a negative one. Then each sub-pixel looks at its samples in
        // turn until one is covered.
        int32_t qx[kMaxGridSamples];
        int32_t qy[kMaxGridSamples];
        for (int32_t t = 0; t < down; ++t) {
            for (int32_t r = 0; r < across; ++r) {
                const double fx = alongX[r] + downX[t];
                const double fy = alongY[r] + downY[t];
                const bool in = inside || (fx >= 0 && fy >= 0 && fx < sw && fy < sh);
                qx[t * across + r] = static_cast<int32_t>((in ? fx : -1.0) * 4);
                qy[t * across + r] = static_cast<int32_t>((in ? fy : 0.0) * 4);
            }
        }
        for (int j = 0; j < 4; ++j) {
            for (int i = 0; i < 4; ++i) {
                bool hit = false;
                for (int32_t b = 0; b < nv && !hit; ++b) {
                    const int32_t* rx = qx + (j * nv + b) * across + i * nu;
                    const int32_t* ry = qy + (j * nv + b) * across + i * nu;
                    for (int32_t a = 0; a < nu; ++a) {
                        if (rx[a] < 0) {
                            continue;
                        }
                        const int32_t px = rx[a] >> 2;
                        const int32_t py = ry[a] >> 2;
                        if (bits.SubPixel(rx[a], ry[a])) {
                            if (from < 0) {
                                from = py * sw + px;
                            }
                            hit = true;
                            break;
                        }
                    }
                }
                if (hit) {
                    mask = static_cast<uint16_t>(mask | 1u << SuperBitBuffer::SubPixelBit(i, j));
                }
            }
        }
        return mask;
    }
    for (int j = 0; j < 4; ++j) {
        for (int i = 0; i < 4; ++i) {
            const uint16_t bit = static_cast<uint16_t>(1u << SuperBitBuffer::SubPixelBit(i, j));
            bool hit = false;
            for (int32_t b = 0; b < nv && !hit; ++b) {
                const int32_t t = j * nv + b;
                for (int32_t a = 0; a < nu && !hit; ++a) {
                    const int32_t r = i * nu + a;
                    hit = covered(alongX[r] + downX[t], alongY[r] + downY[t]);
                }
            }
            if (hit) {
                mask = static_cast<uint16_t>(mask | bit);
            }
        }
    }
    return mask;
}

} // namespace ts::resample
