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

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ts::resample {

// floor() of a value within the int32_t range, cheaply for the usual value of at least 0.
inline int32_t FloorOf(double v) {
    return v >= 0 ? static_cast<int32_t>(v) : static_cast<int32_t>(std::floor(v));
}

// The nearest whole number (ties to even), without a library call where the machine has one.
inline int64_t NearestOf(double v) {
#if defined(__SSE2__)
    return _mm_cvtsd_si64(_mm_set_sd(v));
#else
    return std::llrint(v);
#endif
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
        uint8_t* kinds = m_kind.data() + first;
        uint8_t* values = m_value.data() + first;
        if (m_bpp == 1) {
            // A block's first row sets the value it may hold throughout; a later row keeps it while it
            // is that value from end to end. Whole blocks two words at a time, the last one byte-wise.
            size_t b = 0;
            for (; (b + 1) * kBlock <= m_rowBytes; ++b) {
                const uint8_t* p = r + b * kBlock;
                uint64_t v0 = 0;
                uint64_t v1 = 0;
                std::memcpy(&v0, p, 8);
                std::memcpy(&v1, p + 8, 8);
                const uint64_t expects = uint64_t{p[0]} * 0x0101010101010101u;
                const bool one = v0 == expects && v1 == expects;
                if (top) {
                    values[b] = p[0];
                    kinds[b] = !one ? kMixed : p[0] == m_fill ? kFill : kOne;
                } else if (!one || p[0] != values[b]) {
                    kinds[b] = kMixed;
                }
            }
            if (b * kBlock < m_rowBytes) {
                const uint8_t* p = r + b * kBlock;
                bool one = true;
                for (size_t k = 1; k < m_rowBytes - b * kBlock; ++k) {
                    one = one && p[k] == p[0];
                }
                if (top) {
                    values[b] = p[0];
                    kinds[b] = !one ? kMixed : p[0] == m_fill ? kFill : kOne;
                } else if (!one || p[0] != values[b]) {
                    kinds[b] = kMixed;
                }
            }
            return;
        }
        // Wider pixels: whether a block holds anything but the fill.
        const size_t blockBytes = static_cast<size_t>(kBlock) * m_bpp;
        const uint64_t fills = uint64_t{m_fill} * 0x0101010101010101u;
        for (size_t b = 0, i = 0; i < m_rowBytes; ++b, i += blockBytes) {
            const size_t n = std::min(blockBytes, m_rowBytes - i);
            uint64_t differs = 0;
            size_t k = 0;
            for (; k + 8 <= n; k += 8) {
                uint64_t v = 0;
                std::memcpy(&v, r + i + k, 8);
                differs |= v ^ fills;
            }
            for (; k < n; ++k) {
                differs |= r[i + k] ^ m_fill;
            }
            if (differs != 0) {
                kinds[b] = kMixed;
            }
        }
    }
    // What the rectangle of pixels (inclusive, within the part) holds: only the fill, one other value
    // throughout (set in value), or a mixture (of values, or of the fill and other bytes).
    enum class Holds { kFill, kOne, kMixed };
    Holds Look(const std::array<int32_t, 4>& r, uint8_t& value) const {
        value = m_fill;
        bool found = false;
        bool fill = true;
        for (int32_t by = r[1] / kBlock; by <= r[3] / kBlock; ++by) {
            const size_t row = static_cast<size_t>(by) * static_cast<size_t>(m_blocksX);
            for (int32_t bx = r[0] / kBlock; bx <= r[2] / kBlock; ++bx) {
                const uint8_t kind = m_kind[row + static_cast<size_t>(bx)];
                const uint8_t v = m_value[row + static_cast<size_t>(bx)];
                if (kind == kMixed || (found && v != value)) {
                    return Holds::kMixed;
                }
                fill = fill && kind == kFill;
                value = v;
                found = true;
            }
        }
        return fill ? Holds::kFill : Holds::kOne;
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

// The sub-pixels of one or two coverage masks of one size, laid out as they lie: a bit a sub-pixel, in
// tiles of 8 x 8 pixels (32 rows of 32 sub-pixels, the second mask's beside the first's in the high
// half of each row's word), so that the sub-pixels a destination pixel looks at mostly lie in one tile
// and both masks are looked at together. Only tiles with coverage are kept; the others share one
// empty tile.
class SubPixelTiles {
public:
    static constexpr int32_t kTilePixels = 8;
    static constexpr int32_t kTileRows = 4 * kTilePixels;

    bool Start(int32_t width, int32_t height) {
        m_tilesX = static_cast<size_t>(width / kTilePixels + 1);
        m_tilesY = static_cast<size_t>(height / kTilePixels + 1);
        m_bitWords = m_tilesX / 64 + 1;
        m_quarterWidth = 4 * width;
        m_quarterHeight = 4 * height;
        try {
            m_index.assign(m_tilesX * m_tilesY, 0);
            m_occupied.assign(m_bitWords * m_tilesY, 0);
            m_pool.assign(kTileRows, 0);
        } catch (const std::bad_alloc&) {
            return false;
        }
        return true;
    }
    // Sets the sub-pixels of mask plane (0 or 1) at pixel (x, y); false without the memory.
    bool Add(int32_t x, int32_t y, uint16_t mask, int32_t plane) {
        uint32_t& index =
            m_index[static_cast<size_t>(y / kTilePixels) * m_tilesX + static_cast<size_t>(x / kTilePixels)];
        if (index == 0) {
            try {
                m_pool.resize(m_pool.size() + kTileRows, 0);
            } catch (const std::bad_alloc&) {
                return false;
            }
            index = static_cast<uint32_t>(m_pool.size() / kTileRows - 1);
            const auto tx = static_cast<size_t>(x / kTilePixels);
            m_occupied[static_cast<size_t>(y / kTilePixels) * m_bitWords + tx / 64] |= uint64_t{1}
                                                                                       << (tx % 64);
        }
        uint64_t* rows = m_pool.data() + size_t{index} * kTileRows + 4 * static_cast<size_t>(y % kTilePixels);
        const uint16_t byRow = RowsOf(mask);
        const unsigned shift = 32 * static_cast<unsigned>(plane) + 4 * static_cast<unsigned>(x % kTilePixels);
        for (uint32_t j = 0; j < 4; ++j) {
            rows[j] |= uint64_t{(byRow >> (4 * j)) & 15u} << shift;
        }
        return true;
    }

    // Whether any tile with coverage meets the pixels of columns x0 .. x1 in rows y0 .. y1 (inclusive,
    // clipped to the part).
    bool AnyIn(int32_t x0, int32_t y0, int32_t x1, int32_t y1) const {
        x0 = std::max(x0, 0) / kTilePixels;
        y0 = std::max(y0, 0) / kTilePixels;
        x1 = std::min(x1, m_quarterWidth / 4 - 1);
        y1 = std::min(y1, m_quarterHeight / 4 - 1);
        if (x0 * kTilePixels > x1 || y0 * kTilePixels > y1) {
            return false;
        }
        x1 /= kTilePixels;
        y1 /= kTilePixels;
        const auto w0 = static_cast<size_t>(x0) >> 6;
        const auto w1 = static_cast<size_t>(x1) >> 6;
        const uint64_t first = ~uint64_t{0} << (x0 & 63);
        const uint64_t last = ~uint64_t{0} >> (63 - (x1 & 63));
        for (int32_t y = y0; y <= y1; ++y) {
            const uint64_t* row = m_occupied.data() + static_cast<size_t>(y) * m_bitWords;
            for (size_t k = w0; k <= w1; ++k) {
                if (row[k] & (k == w0 ? first : ~uint64_t{0}) & (k == w1 ? last : ~uint64_t{0})) {
                    return true;
                }
            }
        }
        return false;
    }
    // Whether the sub-pixel of a plane at quarter-pixel column qx and row qy (within the part) is covered.
    bool SubPixel(int32_t plane, int32_t qx, int32_t qy) const {
        return (Tile(qx, qy)[qy & (kTileRows - 1)] >> (32 * plane + (qx & (kTileRows - 1)))) & 1;
    }
    // Whether any sub-pixel of quarter-pixel columns qx .. qx + kx - 1 in rows qy .. qy + ky - 1 is
    // covered (the window clipped to the part; kx and ky at most 32): bit 0 for the first mask, bit 1
    // for the second.
    uint32_t Window(int32_t qx, int32_t qy, int32_t kx, int32_t ky) const {
        const int32_t cx = qx & (kTileRows - 1);
        const int32_t cy = qy & (kTileRows - 1);
        if (qx >= 0 && qy >= 0 && cx + kx <= kTileRows && cy + ky <= kTileRows && qx + kx <= m_quarterWidth &&
            qy + ky <= m_quarterHeight) {
            // Within one tile: a word of rows each.
            const uint64_t* t = Tile(qx, qy) + cy;
            const uint64_t keep = ((uint64_t{1} << kx) - 1) << cx;
            uint64_t seen = 0;
            for (int32_t r = 0; r < ky; ++r) {
                seen |= t[r];
            }
            return static_cast<uint32_t>((seen & keep) != 0) | static_cast<uint32_t>((seen & keep << 32) != 0)
                                                                   << 1;
        }
        // Across tiles or over the part's edges: row by row, from the tile of each end.
        const int32_t xa = std::max(qx, 0);
        const int32_t xb = std::min(qx + kx, m_quarterWidth);
        uint64_t seen = 0;
        for (int32_t y = std::max(qy, 0); y < std::min(qy + ky, m_quarterHeight) && xa < xb; ++y) {
            const int32_t c = xa & (kTileRows - 1);
            const int32_t n1 = std::min(xb - xa, kTileRows - c);
            seen |= (Tile(xa, y)[y & (kTileRows - 1)] >> c) & Both(n1);
            if (n1 < xb - xa) {
                seen |= (Tile(xa + n1, y)[y & (kTileRows - 1)] & Both(xb - xa - n1)) << n1;
            }
        }
        return static_cast<uint32_t>((seen & 0xFFFFFFFFu) != 0) | static_cast<uint32_t>((seen >> 32) != 0)
                                                                      << 1;
    }
    // The pixel (its index in row order, the part w pixels wide) of the first covered sub-pixel of a
    // plane in a window, row by row and left to right; -1 when there is none.
    int32_t FirstInWindow(int32_t plane, int32_t qx, int32_t qy, int32_t kx, int32_t ky, int32_t w) const {
        for (int32_t y = std::max(qy, 0); y < std::min(qy + ky, m_quarterHeight); ++y) {
            for (int32_t x = std::max(qx, 0); x < std::min(qx + kx, m_quarterWidth); ++x) {
                if (SubPixel(plane, x, y)) {
                    return (y >> 2) * w + (x >> 2);
                }
            }
        }
        return -1;
    }

    // The tile holding every sub-pixel of columns x0 .. x1 and rows y0 .. y1 (quarter pixels), at its
    // first row; null when they are not all in one tile of the part.
    const uint64_t* OneTile(int32_t x0, int32_t y0, int32_t x1, int32_t y1) const {
        if (x0 < 0 || y0 < 0 || x1 >= m_quarterWidth || y1 >= m_quarterHeight || (x0 ^ x1) >= kTileRows ||
            (y0 ^ y1) >= kTileRows) {
            return nullptr;
        }
        return Tile(x0, y0);
    }

private:
    // The first n sub-pixels of a row word, of both planes.
    static uint64_t Both(int32_t n) {
        const uint64_t one = (uint64_t{1} << n) - 1;
        return one | one << 32;
    }
    const uint64_t* Tile(int32_t qx, int32_t qy) const {
        const size_t index =
            m_index[static_cast<size_t>(qy / kTileRows) * m_tilesX + static_cast<size_t>(qx / kTileRows)];
        return m_pool.data() + index * kTileRows;
    }
    // A mask's sub-pixels row by row, bit i + 4 j for column i of row j: each byte of the mask holds
    // two columns of every row, looked up in a table of its own.
    static uint16_t RowsOf(uint16_t mask) {
        struct Tables {
            uint16_t low[256];
            uint16_t high[256];
            constexpr Tables() : low(), high() {
                for (uint32_t b = 0; b < 256; ++b) {
                    for (int j = 0; j < 4; ++j) {
                        for (int i = 0; i < 4; ++i) {
                            const int bit = SuperBitBuffer::SubPixelBit(i, j);
                            uint16_t& rows = bit < 8 ? low[b] : high[b];
                            rows = static_cast<uint16_t>(rows | ((b >> (bit % 8)) & 1u) << (i + 4 * j));
                        }
                    }
                }
            }
        };
        static constexpr Tables kTables;
        return static_cast<uint16_t>(kTables.low[mask & 0xFF] | kTables.high[mask >> 8]);
    }

    size_t m_tilesX = 1;
    size_t m_tilesY = 1;
    size_t m_bitWords = 1;
    int32_t m_quarterWidth = 0;
    int32_t m_quarterHeight = 0;
    std::vector<uint64_t> m_occupied; // a bit a tile with coverage, rows of whole words
    std::vector<uint32_t> m_index;    // per tile, its place in the pool (0: the empty tile)
    std::vector<uint64_t> m_pool;
};

// A coverage mask (two bytes a pixel) read into bits: a bit a pixel where it covers any sub-pixel and
// where it covers all of them; its sub-pixels go into a plane of the tiles given.
class CoverageBits {
public:
    bool Make(const RLBuffer& src, SubPixelTiles& tiles, int32_t plane) {
        const auto w = static_cast<size_t>(src.Width());
        const auto h = static_cast<size_t>(src.Height());
        m_words = w / 64 + 1;
        std::vector<uint8_t> row;
        try {
            row.resize(src.RawRowLength());
            m_any.assign(m_words * h, 0);
            m_full.assign(m_words * h, 0);
        } catch (const std::bad_alloc&) {
            return false;
        }
        for (size_t y = 0; y < h; ++y) {
            src.ReadRow(static_cast<int32_t>(y), row.data());
            uint64_t* any = m_any.data() + m_words * y;
            uint64_t* full = m_full.data() + m_words * y;
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
                    if (!tiles.Add(static_cast<int32_t>(x0 + k), static_cast<int32_t>(y), m, plane)) {
                        return false;
                    }
                }
                any[x0 / 64] = a;
                full[x0 / 64] = f;
            }
        }
        return true;
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
    size_t m_words = 1;
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
__attribute__((noinline)) inline size_t Candidates(const int32_t* at, const double* sx, size_t from,
                                                   size_t to, const NearCoverage* near, uint32_t* out) {
    size_t n = 0;
    for (size_t x = from; x < to; ++x) {
        const int32_t i = at[x];
        if (i >= 0 && sx[x] >= 0 && (!near || near->At(i))) {
            out[n++] = static_cast<uint32_t>(x);
        }
    }
    return n;
}

// The source pixels under n destination pixels: from the source positions of their centres (sx < 0:
// none), scaled to a part of w x h pixels, the index in row order of each (-1 for none; positions
// beyond the part take its edge pixels). box (left, top, right, bottom, inclusive) becomes the
// rectangle of those pixels (left > right: none); the result tells whether every pixel has one.
// With even set, the positions step evenly along the run: the pixels with a source are side by side
// and the rectangle is that of the first and last of them.
inline bool IndexRun(const double* sx, const double* sy, size_t n, double scaleX, double scaleY, int32_t w,
                     int32_t h, int32_t* at, std::array<int32_t, 4>& box, bool even) {
    const double lastX = w - 1;
    const double lastY = h - 1;
    double left = w;
    double top = h;
    double right = -1;
    double bottom = -1;
    bool whole = true;
    size_t x = 0;
#if defined(__SSE2__)
    // Two pixels at a time, the rectangle kept in doubles (whole numbers, so exactly).
    const __m128d zero = _mm_setzero_pd();
    const __m128d scaleXs = _mm_set1_pd(scaleX);
    const __m128d scaleYs = _mm_set1_pd(scaleY);
    const __m128d lastXs = _mm_set1_pd(lastX);
    const __m128d lastYs = _mm_set1_pd(lastY);
    const __m128d none = _mm_set1_pd(-1.0);
    const __m128d far = _mm_set1_pd(static_cast<double>(std::max(w, h)));
    const __m128i width = _mm_set1_epi32(w);
    __m128d lefts = far, tops = far, rights = none, bottoms = none;
    int all = 3;
    auto pick = [](__m128d keep, __m128d yes, __m128d no) {
        return _mm_or_pd(_mm_and_pd(keep, yes), _mm_andnot_pd(keep, no));
    };
    for (; x + 2 <= n; x += 2) {
        const __m128d vx = _mm_loadu_pd(sx + x);
        const __m128d has = _mm_cmpge_pd(vx, zero);
        // Clamping before truncating is flooring and then clamping.
        const __m128d fx = _mm_min_pd(_mm_max_pd(_mm_mul_pd(vx, scaleXs), zero), lastXs);
        const __m128d fy = _mm_min_pd(_mm_max_pd(_mm_mul_pd(_mm_loadu_pd(sy + x), scaleYs), zero), lastYs);
        const __m128i px = _mm_cvttpd_epi32(fx);
        const __m128i py = _mm_cvttpd_epi32(fy);
        // py * w + px in the low two lanes.
        const __m128i rows = _mm_mul_epu32(_mm_shuffle_epi32(py, _MM_SHUFFLE(1, 1, 0, 0)), width);
        const __m128i index = _mm_add_epi32(_mm_shuffle_epi32(rows, _MM_SHUFFLE(2, 0, 2, 0)), px);
        const __m128i keep = _mm_shuffle_epi32(_mm_castpd_si128(has), _MM_SHUFFLE(2, 0, 2, 0));
        _mm_storel_epi64(
            reinterpret_cast<__m128i*>(at + x),
            _mm_or_si128(_mm_and_si128(keep, index), _mm_andnot_si128(keep, _mm_set1_epi32(-1))));
        all &= _mm_movemask_pd(has);
        if (even) {
            continue;
        }
        const __m128d wx = _mm_cvtepi32_pd(px);
        const __m128d wy = _mm_cvtepi32_pd(py);
        lefts = _mm_min_pd(lefts, pick(has, wx, far));
        tops = _mm_min_pd(tops, pick(has, wy, far));
        rights = _mm_max_pd(rights, pick(has, wx, none));
        bottoms = _mm_max_pd(bottoms, pick(has, wy, none));
    }
    double lanes[2];
    _mm_storeu_pd(lanes, lefts);
    left = std::min({left, lanes[0], lanes[1]});
    _mm_storeu_pd(lanes, tops);
    top = std::min({top, lanes[0], lanes[1]});
    _mm_storeu_pd(lanes, rights);
    right = std::max({right, lanes[0], lanes[1]});
    _mm_storeu_pd(lanes, bottoms);
    bottom = std::max({bottom, lanes[0], lanes[1]});
    whole = all == 3;
#endif
    for (; x < n; ++x) {
        if (!(sx[x] >= 0)) {
            at[x] = -1;
            whole = false;
            continue;
        }
        const auto px = static_cast<int32_t>(std::min(std::max(sx[x] * scaleX, 0.0), lastX));
        const auto py = static_cast<int32_t>(std::min(std::max(sy[x] * scaleY, 0.0), lastY));
        at[x] = py * w + px;
        left = std::min(left, static_cast<double>(px));
        right = std::max(right, static_cast<double>(px));
        top = std::min(top, static_cast<double>(py));
        bottom = std::max(bottom, static_cast<double>(py));
    }
    box = {std::min(static_cast<int32_t>(left), w), std::min(static_cast<int32_t>(top), h),
           static_cast<int32_t>(right), static_cast<int32_t>(bottom)};
    if (even) {
        // The first and last pixel with a source bound the others.
        size_t a = 0;
        size_t b = n;
        while (a < n && at[a] < 0) {
            ++a;
        }
        while (b > a && at[b - 1] < 0) {
            --b;
        }
        box = {w, h, -1, -1};
        if (a < b) {
            const int32_t x0 = at[a] % w, y0 = at[a] / w, x1 = at[b - 1] % w, y1 = at[b - 1] / w;
            box = {std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1)};
        }
    }
    return whole;
}

// The largest difference, across or down, between positions (ax, ay) and (bx, by) of n pairs, over
// the pairs where both have a position (x >= 0).
inline double MostStep(const double* ax, const double* ay, const double* bx, const double* by, size_t n) {
    double most = 0;
    size_t x = 0;
#if defined(__SSE2__)
    // Two pairs at a time: a pair without both positions counts as no step.
    const __m128d zero = _mm_setzero_pd();
    const __m128d sign = _mm_set1_pd(-0.0);
    __m128d m = zero;
    for (; x + 2 <= n; x += 2) {
        const __m128d a = _mm_loadu_pd(ax + x);
        const __m128d b = _mm_loadu_pd(bx + x);
        const __m128d dx = _mm_andnot_pd(sign, _mm_sub_pd(b, a));
        const __m128d dy = _mm_andnot_pd(sign, _mm_sub_pd(_mm_loadu_pd(by + x), _mm_loadu_pd(ay + x)));
        const __m128d both = _mm_and_pd(_mm_cmpge_pd(a, zero), _mm_cmpge_pd(b, zero));
        // A difference that is not a number leaves the largest as it was.
        m = _mm_max_pd(_mm_and_pd(both, _mm_max_pd(dy, dx)), m);
    }
    double lanes[2];
    _mm_storeu_pd(lanes, m);
    most = std::max(lanes[0], lanes[1]);
#endif
    for (; x < n; ++x) {
        const double d = std::max(std::fabs(bx[x] - ax[x]), std::fabs(by[x] - ay[x]));
        most = (ax[x] >= 0 && bx[x] >= 0 && d > most) ? d : most;
    }
    return most;
}

// The largest difference, across or down, between the positions of neighbouring pixels of a row
// (sx < 0: no position), and the same between a row and the next.
inline double AcrossSteps(const double* sx, const double* sy, size_t n) {
    return n < 2 ? 0 : MostStep(sx, sy, sx + 1, sy + 1, n - 1);
}

inline double DownSteps(const double* sx0, const double* sy0, const double* sx1, const double* sy1,
                        size_t n) {
    return MostStep(sx0, sy0, sx1, sy1, n);
}

// The bit of each sub-pixel of a coverage mask, by its column and row (column + 4 * row).
inline constexpr uint8_t kSubPixelBits[16] = {
    SuperBitBuffer::SubPixelBit(0, 0), SuperBitBuffer::SubPixelBit(1, 0), SuperBitBuffer::SubPixelBit(2, 0),
    SuperBitBuffer::SubPixelBit(3, 0), SuperBitBuffer::SubPixelBit(0, 1), SuperBitBuffer::SubPixelBit(1, 1),
    SuperBitBuffer::SubPixelBit(2, 1), SuperBitBuffer::SubPixelBit(3, 1), SuperBitBuffer::SubPixelBit(0, 2),
    SuperBitBuffer::SubPixelBit(1, 2), SuperBitBuffer::SubPixelBit(2, 2), SuperBitBuffer::SubPixelBit(3, 2),
    SuperBitBuffer::SubPixelBit(0, 3), SuperBitBuffer::SubPixelBit(1, 3), SuperBitBuffer::SubPixelBit(2, 3),
    SuperBitBuffer::SubPixelBit(3, 3)};

// Where the sub-pixels of a destination pixel look in the source, in quarter pixels of the part: the
// pixel's source centre is o and its source steps are u across and v down (part pixels a destination
// pixel). Sub-pixel (i, j) looks at o + u (2i - 3) / 8 + v (2j - 3) / 8, worked out in 1/65536 of a
// quarter pixel (each term rounded to the nearest), through a window of kx x ky source sub-pixels about that
// point. The window is as wide as the sub-pixels lie apart in the source, across and down (one while they lie
// at most a sub-pixel apart, at most eight), so that a line one sub-pixel thin is met by every column and row
// of sub-pixels that crosses it however much the map shrinks it, yet by no more than two of them.
struct SubPixelLooks {
    int32_t qx[16];
    int32_t qy[16];
    int32_t kx = 1;
    int32_t ky = 1;
};

// The window size for sub-pixels that lie apart by at most `apart` source sub-pixels.
inline int32_t WindowFor(double apart) {
    return std::clamp(static_cast<int32_t>(std::ceil(apart - 1e-6)), 1, 8);
}

// With single set, each sub-pixel looks at the one source sub-pixel under its point (enough among whole
// pixels only, shrinking less than four times: such content is at least four sub-pixels wide).
inline void PlaceLooks(double ox, double oy, double ux, double uy, double vx, double vy, bool single,
                       SubPixelLooks& looks) {
    constexpr double kQuarterUnits = 4.0 * 65536.0;
    looks.kx = single ? 1 : WindowFor(std::max(std::fabs(ux), std::fabs(vx)));
    looks.ky = single ? 1 : WindowFor(std::max(std::fabs(uy), std::fabs(vy)));
    // The window's first column and row: the point less half the window's extra width.
    const int64_t cx = NearestOf(ox * kQuarterUnits) - int64_t{looks.kx - 1} * 32768;
    const int64_t cy = NearestOf(oy * kQuarterUnits) - int64_t{looks.ky - 1} * 32768;
    const int64_t ux8 = NearestOf(ux * (kQuarterUnits / 8));
    const int64_t uy8 = NearestOf(uy * (kQuarterUnits / 8));
    const int64_t vx8 = NearestOf(vx * (kQuarterUnits / 8));
    const int64_t vy8 = NearestOf(vy * (kQuarterUnits / 8));
    for (int32_t j = 0; j < 4; ++j) {
        const int64_t rowX = cx + (2 * j - 3) * vx8;
        const int64_t rowY = cy + (2 * j - 3) * vy8;
        for (int32_t i = 0; i < 4; ++i) {
            looks.qx[4 * j + i] = static_cast<int32_t>((rowX + (2 * i - 3) * ux8) >> 16);
            looks.qy[4 * j + i] = static_cast<int32_t>((rowY + (2 * i - 3) * uy8) >> 16);
        }
    }
}

// The masks the looks find in the tiles' planes: the first in the low sixteen bits, the second in
// the high. With from given, from[plane] becomes the source pixel (index in row order) of the first
// covered sub-pixel of the first window that finds any of that plane (-1: none).
inline uint32_t SampleMasks(const SubPixelTiles& tiles, int32_t sw, const SubPixelLooks& looks,
                            int32_t* from) {
    // What each look finds, bit k of a plane's word for look k.
    uint32_t byLook[2] = {0, 0};
    // The looks lie in a parallelogram: its corners, the first and last looks of the first and last
    // rows, bound the windows. Mostly they all lie in one tile, whose rows are then read straight.
    constexpr int32_t kCorners[4] = {0, 3, 12, 15};
    int32_t x0 = looks.qx[0], x1 = x0, y0 = looks.qy[0], y1 = y0;
    for (const int32_t k : kCorners) {
        x0 = std::min(x0, looks.qx[k]);
        x1 = std::max(x1, looks.qx[k]);
        y0 = std::min(y0, looks.qy[k]);
        y1 = std::max(y1, looks.qy[k]);
    }
    if (const uint64_t* tile = tiles.OneTile(x0, y0, x1 + looks.kx - 1, y1 + looks.ky - 1)) {
        constexpr int32_t kRowMask = SubPixelTiles::kTileRows - 1;
        const uint64_t keep = (uint64_t{1} << looks.kx) - 1;
        const uint64_t both = keep | keep << 32;
        for (int32_t k = 0; k < 16; ++k) {
            const uint64_t* row = tile + (looks.qy[k] & kRowMask);
            uint64_t seen = row[0];
            for (int32_t r = 1; r < looks.ky; ++r) {
                seen |= row[r];
            }
            const uint64_t bits = (seen >> (looks.qx[k] & kRowMask)) & both;
            byLook[0] |= static_cast<uint32_t>((bits & keep) != 0) << k;
            byLook[1] |= static_cast<uint32_t>((bits >> 32) != 0) << k;
        }
    } else {
        for (int32_t k = 0; k < 16; ++k) {
            const uint32_t found = tiles.Window(looks.qx[k], looks.qy[k], looks.kx, looks.ky);
            byLook[0] |= (found & 1u) << k;
            byLook[1] |= (found >> 1) << k;
        }
    }
    // Look k's bit goes to its sub-pixel's bit of the mask, a byte of looks at a time.
    struct Spread {
        uint16_t first[256];
        uint16_t second[256];
        constexpr Spread() : first(), second() {
            for (uint32_t b = 0; b < 256; ++b) {
                for (int32_t k = 0; k < 8; ++k) {
                    if ((b >> k) & 1) {
                        first[b] = static_cast<uint16_t>(first[b] | 1u << kSubPixelBits[k]);
                        second[b] = static_cast<uint16_t>(second[b] | 1u << kSubPixelBits[k + 8]);
                    }
                }
            }
        }
    };
    static constexpr Spread kSpread;
    uint32_t masks = 0;
    for (int32_t plane = 0; plane < 2; ++plane) {
        const uint32_t b = byLook[plane];
        masks |= static_cast<uint32_t>(kSpread.first[b & 0xFF] | kSpread.second[b >> 8]) << (16 * plane);
        if (from) {
            const int32_t k = byLook[plane] ? __builtin_ctz(byLook[plane]) : -1;
            from[plane] =
                k < 0 ? -1 : tiles.FirstInWindow(plane, looks.qx[k], looks.qy[k], looks.kx, looks.ky, sw);
        }
    }
    return masks;
}

} // namespace ts::resample
