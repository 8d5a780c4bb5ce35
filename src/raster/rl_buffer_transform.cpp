// Whole-buffer geometric operations: scaling, flips and rotations.
#include "raster/rl_buffer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

namespace ts {

namespace {

// Rotations gather whole columns; they decode the source in bands whose uncompressed size stays
// below this many bytes.
constexpr size_t kBandBytes = size_t{8} << 20;
constexpr double kRadiansPerDegree = 0.0174532925;

void Step(ProgressMeter* progress) {
    if (progress) {
        progress->Step();
    }
}

uint8_t SwapPairBits(uint8_t b) {
    return static_cast<uint8_t>(((b & 0x55) << 1) | ((b & 0xAA) >> 1));
}

uint8_t ReversePairs(uint8_t b) {
    return static_cast<uint8_t>(((b & 0x03) << 6) | ((b & 0x0C) << 2) | ((b & 0x30) >> 2) |
                                ((b & 0xC0) >> 6));
}

std::unique_ptr<RLBuffer> NewBuffer(int32_t width, int32_t height, int32_t bpp, uint8_t fill) {
    std::unique_ptr<RLBuffer> out;
    try {
        out = std::make_unique<RLBuffer>();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    if (!out->Create(width, height, bpp, fill, 4.0f)) {
        return nullptr;
    }
    return out;
}

} // namespace

uint16_t RLBuffer::MirrorMaskHorizontal(uint16_t mask) {
    const auto lo = static_cast<uint8_t>(mask);
    const auto hi = static_cast<uint8_t>(mask >> 8);
    return static_cast<uint16_t>(SwapPairBits(hi) | SwapPairBits(lo) << 8);
}

uint16_t RLBuffer::MirrorMaskVertical(uint16_t mask) {
    const auto lo = static_cast<uint8_t>(mask);
    const auto hi = static_cast<uint8_t>(mask >> 8);
    return static_cast<uint16_t>(ReversePairs(lo) | ReversePairs(hi) << 8);
}

std::unique_ptr<RLBuffer> RLBuffer::ScaledCopy(int32_t newWidth, int32_t newHeight) const {
    if (!IsCreated() || newWidth <= 0 || newHeight <= 0) {
        return nullptr;
    }
    auto out = NewBuffer(newWidth, newHeight, m_bytesPerPixel, 0);
    if (!out) {
        return nullptr;
    }
    // Nearest pixel in 16.16 fixed point; columns sample the middle of each step, rows its top.
    const int64_t xStep = static_cast<int64_t>(m_width) * 65536 / newWidth;
    const int64_t yStep = static_cast<int64_t>(m_height) * 65536 / newHeight;
    const size_t bpp = static_cast<size_t>(m_bytesPerPixel);
    std::vector<uint8_t> src(RawRowLength());
    std::vector<size_t> column(static_cast<size_t>(newWidth));
    for (int32_t j = 0; j < newWidth; ++j) {
        const int64_t x = (xStep / 2 + j * xStep) >> 16;
        column[static_cast<size_t>(j)] = static_cast<size_t>(std::min<int64_t>(x, m_width - 1)) * bpp;
    }
    int32_t loaded = -1;
    uint8_t* dst = out->WorkingRow();
    for (int32_t i = 0; i < newHeight; ++i) {
        const auto row = static_cast<int32_t>(std::min<int64_t>((i * yStep) >> 16, m_height - 1));
        if (row != loaded) {
            std::fill(src.begin(), src.end(), uint8_t{0});
            DecodeStored(row, src.data());
            loaded = row;
        }
        for (int32_t j = 0; j < newWidth; ++j) {
            std::memcpy(dst + static_cast<size_t>(j) * bpp, src.data() + column[static_cast<size_t>(j)], bpp);
        }
        if (!out->PutRow(i)) {
            return nullptr;
        }
    }
    return out;
}

// Mirrors every row; 2-byte pixels are coverage masks, whose sub-pixels are mirrored too.
void RLBuffer::FlipHorizontal(ProgressMeter* progress) {
    if (!IsCreated()) {
        return;
    }
    const size_t bpp = static_cast<size_t>(m_bytesPerPixel);
    uint8_t* row = WorkingRow();
    for (int32_t r = 0; r < m_height; ++r) {
        GetRow(r);
        for (int32_t a = 0, b = m_width - 1; a < b; ++a, --b) {
            uint8_t tmp[4];
            std::memcpy(tmp, row + static_cast<size_t>(a) * bpp, bpp);
            std::memcpy(row + static_cast<size_t>(a) * bpp, row + static_cast<size_t>(b) * bpp, bpp);
            std::memcpy(row + static_cast<size_t>(b) * bpp, tmp, bpp);
        }
        if (bpp == 2) {
            for (int32_t x = 0; x < m_width; ++x) {
                uint8_t* p = row + static_cast<size_t>(x) * 2;
                const uint16_t mask = MirrorMaskHorizontal(static_cast<uint16_t>(p[0] | p[1] << 8));
                p[0] = static_cast<uint8_t>(mask);
                p[1] = static_cast<uint8_t>(mask >> 8);
            }
        }
        PutRow(r);
        Step(progress);
    }
}

void RLBuffer::FlipVertical(ProgressMeter* progress) {
    if (!IsCreated()) {
        return;
    }
    const size_t raw = RawRowLength();
    std::vector<uint8_t> upper(raw);
    std::vector<uint8_t> lower(raw);
    auto mirrorMasks = [&](std::vector<uint8_t>& row) {
        if (m_bytesPerPixel != 2) {
            return;
        }
        for (size_t i = 0; i < raw; ++i) {
            row[i] = ReversePairs(row[i]);
        }
    };
    for (int32_t a = 0, b = m_height - 1; a <= b; ++a, --b) {
        std::fill(upper.begin(), upper.end(), uint8_t{0});
        std::fill(lower.begin(), lower.end(), uint8_t{0});
        DecodeStored(a, upper.data());
        DecodeStored(b, lower.data());
        mirrorMasks(upper);
        if (a == b) {
            PutRow(a, upper.data());
        } else {
            mirrorMasks(lower);
            PutRow(a, lower.data());
            PutRow(b, upper.data());
        }
        Step(progress);
    }
}

// Quarter turns of a 1-byte-per-pixel buffer. 90 turns counter-clockwise as seen on screen
// (target (x', y') = (y, width - 1 - x)), 270 clockwise ((height - 1 - y, x)), 180 both mirrors.
// Target rows are gathered in bands: each band decodes every source row once.
std::unique_ptr<RLBuffer> RLBuffer::RotateQuarter(int32_t degrees, ProgressMeter* progress) const {
    if (!IsCreated() || m_bytesPerPixel != 1 || (degrees != 90 && degrees != 180 && degrees != 270)) {
        return nullptr;
    }
    const size_t w = static_cast<size_t>(m_width);
    const size_t h = static_cast<size_t>(m_height);
    std::vector<uint8_t> src(w);
    if (degrees == 180) {
        auto out = NewBuffer(m_width, m_height, 1, 0);
        if (!out) {
            return nullptr;
        }
        for (size_t y = 0; y < h; ++y) {
            DecodeStored(static_cast<int32_t>(h - 1 - y), src.data());
            std::reverse_copy(src.begin(), src.end(), out->WorkingRow());
            out->PutRow(static_cast<int32_t>(y));
            if (y % 8 == 7 || y + 1 == h) {
                Step(progress);
            }
        }
        return out;
    }
    auto out = NewBuffer(m_height, m_width, 1, 0);
    if (!out) {
        return nullptr;
    }
    // Target rows are source columns; a band holds `band` target rows of h bytes each.
    const size_t band = std::max<size_t>(8, std::min(w, kBandBytes / h));
    std::vector<uint8_t> block;
    try {
        block.resize(band * h);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    for (size_t first = 0; first < w; first += band) {
        const size_t count = std::min(band, w - first);
        for (size_t y = 0; y < h; ++y) {
            std::fill(src.begin(), src.end(), uint8_t{0});
            DecodeStored(static_cast<int32_t>(y), src.data());
            for (size_t t = 0; t < count; ++t) {
                const size_t ty = first + t; // target row
                if (degrees == 90) {
                    block[t * h + y] = src[w - 1 - ty];
                } else {
                    block[t * h + (h - 1 - y)] = src[ty];
                }
            }
        }
        for (size_t t = 0; t < count; ++t) {
            out->PutRow(static_cast<int32_t>(first + t), block.data() + t * h);
        }
        Step(progress);
    }
    return out;
}

// Free rotation of a 1-byte-per-pixel buffer about its centre into a new buffer just large enough.
std::unique_ptr<RLBuffer> RLBuffer::Rotate(double degrees, bool negate, bool antialias, uint8_t background,
                                           ProgressMeter* progress) const {
    if (!IsCreated() || m_bytesPerPixel != 1 || !std::isfinite(degrees)) {
        return nullptr;
    }
    double angle = std::fmod(degrees, 360.0);
    if (negate) {
        angle = -angle;
    }
    const double rad = angle * kRadiansPerDegree;
    const double c = std::cos(rad);
    const double s = std::sin(rad);
    const double hw = m_width / 2.0;
    const double hh = m_height / 2.0;
    double maxX = 0.0;
    double maxY = 0.0;
    for (const double cx : {-hw, hw}) {
        for (const double cy : {-hh, hh}) {
            maxX = std::max(maxX, std::fabs(cx * c - cy * s));
            maxY = std::max(maxY, std::fabs(cx * s + cy * c));
        }
    }
    const auto halfW = static_cast<int32_t>(std::ceil(maxX));
    const auto halfH = static_cast<int32_t>(std::ceil(maxY));
    auto out = NewBuffer(std::max(1, 2 * halfW), std::max(1, 2 * halfH), 1, 255);
    if (!out) {
        return nullptr;
    }

    constexpr int32_t kMargin = 4;
    ImageBuffer window;
    if (!window.Create(m_width, m_height, 1, kMargin)) {
        return nullptr;
    }
    // Every content pixel is decoded over, so only the margins take the background (the window
    // starts zero).
    if (background != 254 && background != 0) {
        const auto total = static_cast<size_t>(window.TotalWidth());
        for (int32_t k = 1; k <= kMargin; ++k) {
            std::memset(window.Row(-k), background, total);
            std::memset(window.Row(m_height - 1 + k), background, total);
        }
        for (int32_t y = 0; y < m_height; ++y) {
            std::memset(window.Row(y), background, static_cast<size_t>(kMargin));
            std::memset(window.Pixels(y) + m_width, background, static_cast<size_t>(kMargin));
        }
    }
    for (int32_t y = 0; y < m_height; ++y) {
        DecodeStored(y, window.Pixels(y));
    }
    if (background == 254) {
        window.ReplicateEdges();
    }

    // Inverse mapping in 16.16 fixed point with 64-bit intermediates: target pixel centre
    // (j + 0.5 - halfW, i + 0.5 - halfH) turned back by the angle, then moved to the source centre.
    constexpr double kOne = 65536.0;
    const auto cosF = static_cast<int64_t>(std::llround(c * kOne));
    const auto sinF = static_cast<int64_t>(std::llround(s * kOne));
    const int64_t width16 = static_cast<int64_t>(m_width) << 16;
    const int64_t height16 = static_cast<int64_t>(m_height) << 16;
    const int32_t outWidth = out->Width();
    const int32_t outHeight = out->Height();
    const int32_t minX = -kMargin;
    const int32_t maxXPix = m_width + kMargin - 1;
    const int32_t maxYPix = m_height + kMargin - 1;
    auto sample = [&](int64_t x16, int64_t y16) -> uint32_t {
        const auto px = static_cast<int32_t>(std::clamp<int64_t>(x16 >> 16, minX, maxXPix));
        const auto py = static_cast<int32_t>(std::clamp<int64_t>(y16 >> 16, -kMargin, maxYPix));
        return window.Pixels(py)[px];
    };
    static constexpr int64_t kOffsets[4] = {-24576, -8192, 8192, 24576}; // -0.375 .. +0.375 pixels
    // What each block of the source holds: the background only, one other value throughout, or a
    // mixture. A run of target pixels whose samples all fall in blocks of the background is the
    // background throughout, and is filled at once; so is a run wholly over the source whose samples
    // fall in blocks of one value.
    constexpr int32_t kBlock = 32;
    constexpr uint8_t kBackground = 0;
    constexpr uint8_t kOneValue = 1;
    constexpr uint8_t kMixed = 2;
    const int32_t blocksX = (m_width + kBlock - 1) / kBlock;
    const int32_t blocksY = (m_height + kBlock - 1) / kBlock;
    std::vector<uint8_t> kinds;
    std::vector<uint8_t> values;
    try {
        kinds.assign(static_cast<size_t>(blocksX) * static_cast<size_t>(blocksY), kBackground);
        values.assign(kinds.size(), background);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    for (int32_t y = 0; y < m_height; ++y) {
        const uint8_t* p = window.Pixels(y);
        const size_t first = static_cast<size_t>(y / kBlock) * static_cast<size_t>(blocksX);
        for (int32_t bx = 0; bx < blocksX; ++bx) {
            uint8_t& kind = kinds[first + static_cast<size_t>(bx)];
            uint8_t& value = values[first + static_cast<size_t>(bx)];
            const int32_t x0 = bx * kBlock;
            if (y % kBlock == 0) {
                value = p[x0];
                kind = value == background ? kBackground : kOneValue;
            }
            if (kind == kMixed) {
                continue;
            }
            const int32_t n = std::min(kBlock, m_width - x0);
            const uint64_t expects = uint64_t{value} * 0x0101010101010101u;
            uint64_t differs = 0;
            int32_t x = 0;
            for (; x + 8 <= n; x += 8) {
                uint64_t v = 0;
                std::memcpy(&v, p + x0 + x, 8);
                differs |= v ^ expects;
            }
            for (; x < n; ++x) {
                differs |= p[x0 + x] ^ value;
            }
            if (differs != 0) {
                kind = kMixed;
            }
        }
    }
    // What the source pixels of a rectangle (inclusive) may hold: kBackground when only the
    // background, kOneValue (value set) when one other value, else kMixed. Margins read as the
    // nearest edge pixel.
    auto holds = [&](int32_t left, int32_t top, int32_t right, int32_t bottom, uint8_t& value) {
        const int32_t x0 = std::clamp(left, 0, m_width - 1) / kBlock;
        const int32_t x1 = std::clamp(right, 0, m_width - 1) / kBlock;
        const int32_t y0 = std::clamp(top, 0, m_height - 1) / kBlock;
        const int32_t y1 = std::clamp(bottom, 0, m_height - 1) / kBlock;
        value = background;
        bool one = true;
        bool found = false;
        for (int32_t by2 = y0; by2 <= y1; ++by2) {
            const size_t row = static_cast<size_t>(by2) * static_cast<size_t>(blocksX);
            for (int32_t bx2 = x0; bx2 <= x1; ++bx2) {
                const uint8_t kind = kinds[row + static_cast<size_t>(bx2)];
                if (kind == kMixed) {
                    return kMixed;
                }
                const uint8_t v = values[row + static_cast<size_t>(bx2)];
                one = one && (!found || v == value);
                value = v;
                found = true;
            }
        }
        return !one ? kMixed : value == background ? kBackground : kOneValue;
    };
    const int32_t reach = antialias ? 1 : 0; // the supersamples reach under a pixel either way
    constexpr int32_t kRun = 64;
    uint8_t* row = out->WorkingRow();
    for (int32_t i = 0; i < outHeight; ++i) {
        const int64_t ty = ((static_cast<int64_t>(i) - halfH) << 16) + 32768;
        // The products of the first pixel's centre, stepped exactly by whole pixels across the row.
        const int64_t tx0 = ((-static_cast<int64_t>(halfW)) << 16) + 32768;
        const int64_t stepX = cosF << 16;
        const int64_t stepY = -(sinF << 16);
        const int64_t baseX = tx0 * cosF + ty * sinF;
        const int64_t baseY = -tx0 * sinF + ty * cosF;
        // Pixels whose centre falls outside the source and its left and right margins are the
        // background whichever way a run goes: they are filled at once, and runs go over the rest
        // (its ends worked out in floating point, then widened by two pixels).
        double spanFrom = 0;
        double spanTo = outWidth;
        auto clip = [&](double base, double step, double least, double most) {
            // least <= base + step * j <= most, all in 16.16 units.
            if (std::fabs(step) < 1e-9) {
                if (!(base >= least - 2 && base <= most + 2)) {
                    spanTo = spanFrom - 1;
                }
                return;
            }
            const double a = (least - base) / step;
            const double b = (most - base) / step;
            spanFrom = std::max(spanFrom, std::min(a, b));
            spanTo = std::min(spanTo, std::max(a, b));
        };
        clip(static_cast<double>(baseX) / 65536.0 + static_cast<double>(width16 / 2),
             static_cast<double>(stepX) / 65536.0, -static_cast<double>(int64_t{kMargin} << 16),
             static_cast<double>(width16 + 65536));
        clip(static_cast<double>(baseY) / 65536.0 + static_cast<double>(height16 / 2),
             static_cast<double>(stepY) / 65536.0, 0.0, static_cast<double>(height16));
        // Both ends stay within 0 .. outWidth when there is a span at all.
        const bool any = spanFrom <= spanTo;
        const int32_t from = any ? std::max(0, static_cast<int32_t>(std::floor(spanFrom)) - 2) : outWidth;
        const int32_t to =
            any ? std::max(from, std::min(outWidth, static_cast<int32_t>(std::ceil(spanTo)) + 3)) : outWidth;
        std::memset(row, background, static_cast<size_t>(from));
        std::memset(row + to, background, static_cast<size_t>(outWidth - to));
        for (int32_t j0 = from; j0 < to; j0 += kRun) {
            const int32_t j1 = std::min(to, j0 + kRun);
            int64_t ax = baseX + stepX * j0;
            int64_t ay = baseY + stepY * j0;
            const int64_t lastX = ((ax + stepX * (j1 - 1 - j0)) >> 16) + width16 / 2;
            const int64_t lastY = ((ay + stepY * (j1 - 1 - j0)) >> 16) + height16 / 2;
            const int64_t firstX = (ax >> 16) + width16 / 2;
            const int64_t firstY = (ay >> 16) + height16 / 2;
            auto pixelOf = [](int64_t v16, int32_t lo, int32_t hi) {
                return static_cast<int32_t>(std::clamp<int64_t>(v16 >> 16, lo, hi));
            };
            const int32_t px0 = pixelOf(firstX, minX, maxXPix);
            const int32_t px1 = pixelOf(lastX, minX, maxXPix);
            const int32_t py0 = pixelOf(firstY, -kMargin, maxYPix);
            const int32_t py1 = pixelOf(lastY, -kMargin, maxYPix);
            // The samples of a run lie on a line between its first and last pixel's.
            uint8_t value = background;
            const uint8_t kind = holds(std::min(px0, px1) - reach, std::min(py0, py1) - reach,
                                       std::max(px0, px1) + reach, std::max(py0, py1) + reach, value);
            if (kind == kBackground) {
                std::memset(row + j0, background, static_cast<size_t>(j1 - j0));
                continue;
            }
            // A run wholly over the source reads its pixels straight (positions step linearly, so its
            // ends bound it).
            if (!antialias && std::min(firstX, lastX) >= 0 && std::max(firstX, lastX) < width16 &&
                std::min(firstY, lastY) >= 0 && std::max(firstY, lastY) < height16) {
                if (kind == kOneValue) {
                    std::memset(row + j0, value, static_cast<size_t>(j1 - j0));
                    continue;
                }
                for (int32_t j = j0; j < j1; ++j, ax += stepX, ay += stepY) {
                    const auto px = static_cast<int32_t>(((ax >> 16) + width16 / 2) >> 16);
                    const auto py = static_cast<int32_t>(((ay >> 16) + height16 / 2) >> 16);
                    row[j] = window.Pixels(py)[px];
                }
                continue;
            }
            for (int32_t j = j0; j < j1; ++j, ax += stepX, ay += stepY) {
                const int64_t sx = (ax >> 16) + width16 / 2;
                const int64_t sy = (ay >> 16) + height16 / 2;
                if (sx < -(int64_t{kMargin} << 16) || sy < 0 || sx > width16 + 65536 || sy >= height16) {
                    row[j] = background;
                    continue;
                }
                if (antialias) {
                    uint32_t sum = 0;
                    for (const int64_t oy : kOffsets) {
                        for (const int64_t ox : kOffsets) {
                            sum += sample(sx + ox, sy + oy);
                        }
                    }
                    row[j] = static_cast<uint8_t>(sum >> 4);
                } else {
                    row[j] = static_cast<uint8_t>(sample(sx, sy));
                }
            }
        }
        out->PutRow(i);
        if (i % 8 == 7 || i + 1 == outHeight) {
            Step(progress);
        }
    }
    return out;
}

} // namespace ts
