#include "palette/palette_builders.h"

#include "palette/color_keys.h"
#include "raster/color_spaces.h"
#include "raster/pixel_tables.h"

#include <algorithm>
#include <array>
#include <vector>

namespace ts {

PaletteColorList BuildHsbRamp(uint32_t color, HsbComponent component) {
    const Hsb own = RgbToHsb(color);
    PaletteColorList list;
    for (int32_t v = 0; v <= 240; ++v) {
        Hsb hsb = own;
        int32_t ownValue = own.b;
        switch (component) {
        case HsbComponent::kHue:
            hsb.h = v;
            ownValue = own.h;
            break;
        case HsbComponent::kSaturation:
            hsb.s = v;
            ownValue = own.s;
            break;
        case HsbComponent::kBrightness:
            hsb.b = v;
            break;
        }
        PaletteEntry e = MakeEntry(HsbToRgb(hsb), v);
        e.selected = v == ownValue;
        list.Append(std::move(e));
    }
    if (component == HsbComponent::kBrightness) {
        list.Sort(PaletteSortKind::kLuminance, true);
    }
    return list;
}

namespace {

constexpr int32_t kSide = 32;
constexpr int32_t kCells = kSide * kSide * kSide;

constexpr int32_t CellOf(int32_t r, int32_t g, int32_t b) {
    return (r * kSide + g) * kSide + b;
}

// The histogram and the number of its cells in use, thinned only while more than target are in use.
class Histogram {
public:
    explicit Histogram(int32_t target) : m_counts(kCells, 0), m_target(target) {}

    void Count(int32_t cell) {
        if (m_counts[static_cast<size_t>(cell)]++ == 0) {
            ++m_used;
        }
    }
    uint32_t At(int32_t cell) const { return m_counts[static_cast<size_t>(cell)]; }
    int32_t Used() const { return m_used; }
    bool OverTarget() const { return m_used > m_target; }

    void Empty(int32_t cell) {
        uint32_t& c = m_counts[static_cast<size_t>(cell)];
        if (c != 0 && OverTarget()) {
            c = 0;
            --m_used;
        }
    }

    void Reduce() {
        for (int64_t r = 1; OverTarget(); ++r) {
            // Beyond the grid's size the neighbour step finds nothing: passes that could only empty
            // cells by the threshold are skipped up to the first one that empties some.
            if (r >= kSide) {
                uint32_t least = UINT32_MAX;
                for (const uint32_t c : m_counts) {
                    if (c != 0) {
                        least = std::min(least, c);
                    }
                }
                r = std::max<int64_t>(r, (static_cast<int64_t>(least) + 9) / 10);
            }
            const int64_t threshold = 10 * r;
            for (int32_t cell = 0; cell < kCells && OverTarget(); ++cell) {
                if (At(cell) != 0 && At(cell) <= threshold) {
                    Empty(cell);
                }
            }
            if (r < kSide) {
                const auto d = static_cast<int32_t>(r);
                for (int32_t axis = 0; axis < 3 && OverTarget(); ++axis) {
                    ThinAxis(axis, d);
                }
            }
        }
    }

private:
    // Along one axis, every cell in use that is at least its two neighbours d away empties them.
    void ThinAxis(int32_t axis, int32_t d) {
        const std::array<int32_t, 3> stride = {kSide * kSide, kSide, 1};
        for (int32_t r = 0; r < kSide; ++r) {
            for (int32_t g = 0; g < kSide; ++g) {
                for (int32_t b = 0; b < kSide; ++b) {
                    if (!OverTarget()) {
                        return;
                    }
                    const int32_t cell = CellOf(r, g, b);
                    const uint32_t here = At(cell);
                    if (here == 0) {
                        continue;
                    }
                    const int32_t pos = axis == 0 ? r : (axis == 1 ? g : b);
                    const int32_t step = stride[static_cast<size_t>(axis)] * d;
                    const bool hasBefore = pos - d >= 0;
                    const bool hasAfter = pos + d < kSide;
                    const uint32_t before = hasBefore ? At(cell - step) : 0;
                    const uint32_t after = hasAfter ? At(cell + step) : 0;
                    if (here >= before && here >= after) {
                        if (hasBefore) {
                            Empty(cell - step);
                        }
                        if (hasAfter) {
                            Empty(cell + step);
                        }
                    }
                }
            }
        }
    }

    std::vector<uint32_t> m_counts;
    int32_t m_target;
    int32_t m_used = 0;
};

} // namespace

bool BuildHistogramPalette(const Image24& picture, PaletteColorList& list, uint32_t& average,
                           int32_t target) {
    target = std::clamp(target, 1, PaletteColorList::kMaxColors);
    Histogram histogram(target);
    for (int32_t y = 0; y < picture.Height(); y += 2) {
        const uint8_t* p = picture.Row(y);
        for (int32_t x = 0; x < picture.Width(); ++x, p += 3) {
            const int32_t b = p[0];
            const int32_t g = p[1];
            const int32_t r = p[2];
            if (r <= 32 && g <= 32 && b <= 32) {
                continue;
            }
            histogram.Count(CellOf(r >> 3, g >> 3, b >> 3));
        }
    }
    if (histogram.Used() == 0) {
        return false;
    }
    uint64_t sum[3] = {0, 0, 0};
    uint64_t total = 0;
    for (int32_t cell = 0; cell < kCells; ++cell) {
        const uint64_t n = histogram.At(cell);
        sum[0] += n * static_cast<uint64_t>((cell / (kSide * kSide)) * 8);
        sum[1] += n * static_cast<uint64_t>((cell / kSide % kSide) * 8);
        sum[2] += n * static_cast<uint64_t>((cell % kSide) * 8);
        total += n;
    }
    average = MakeColor(static_cast<uint32_t>(sum[0] / total), static_cast<uint32_t>(sum[1] / total),
                        static_cast<uint32_t>(sum[2] / total));
    histogram.Reduce();
    PaletteColorList out;
    for (int32_t cell = 0; cell < kCells; ++cell) {
        if (histogram.At(cell) != 0) {
            const auto r = static_cast<uint32_t>(cell / (kSide * kSide) * 8);
            const auto g = static_cast<uint32_t>(cell / kSide % kSide * 8);
            const auto b = static_cast<uint32_t>(cell % kSide * 8);
            const auto n = static_cast<int32_t>(std::min<uint32_t>(histogram.At(cell), INT32_MAX));
            out.Append(MakeEntry(MakeColor(r, g, b), cell, n));
        }
    }
    out.Sort(PaletteSortKind::kLuminance, true);
    list = std::move(out);
    return true;
}

PaletteColorList BuildBoardPalette(const ToolListings& listings, uint32_t reference) {
    PaletteColorList list;
    std::vector<int64_t> distances;
    for (const BoardSort& board : listings.Boards()) {
        if (list.Full() || board.toolIndex < 0 ||
            static_cast<size_t>(board.toolIndex) >= listings.Tools().size()) {
            continue;
        }
        const Tool& tool = listings.Tools()[static_cast<size_t>(board.toolIndex)];
        list.Append(MakeEntry(board.listedColor, board.toolIndex, board.toolIndex, tool.name));
        const int64_t dr = int64_t{RedOf(board.listedColor)} - RedOf(reference);
        const int64_t dg = int64_t{GreenOf(board.listedColor)} - GreenOf(reference);
        const int64_t db = int64_t{BlueOf(board.listedColor)} - BlueOf(reference);
        distances.push_back(dr * dr + dg * dg + db * db);
    }
    // Exchange passes, nearest first; equal distances keep the listing order.
    for (bool exchanged = true; exchanged;) {
        exchanged = false;
        for (int32_t i = 1; i < list.Count(); ++i) {
            const auto at = static_cast<size_t>(i);
            if (distances[at - 1] > distances[at]) {
                std::swap(distances[at - 1], distances[at]);
                std::swap(list.Entry(i - 1), list.Entry(i));
                exchanged = true;
            }
        }
    }
    return list;
}

PaletteColorList BuildPencilPalette(const ToolListings& listings, const PencilManager& pencils) {
    PaletteColorList list;
    for (int32_t i = 0; i < pencils.Count() && !list.Full(); ++i) {
        if (const Tool* tool = pencils.Pencil(i)) {
            list.Append(MakeEntry(tool->color, i, i, tool->name));
        }
    }
    (void)listings;
    return list;
}

PaletteColorList BuildLightingPalette(uint32_t paperColor, const LayerObject* layer) {
    Hsb hsb = RgbToHsb(paperColor);
    hsb.b = std::clamp(hsb.b, 120, 200);
    const uint32_t paper = HsbToRgb(hsb);
    uint32_t light = 0x00FFFFFFu;
    uint32_t shade = 0;
    if (layer && layer->shadow) {
        if (const ShadowAppearance* a = layer->shadow->appearances.Slot(0)) {
            light = static_cast<uint32_t>(a->color) & 0x00FFFFFFu;
            shade = static_cast<uint32_t>(a->reference) & 0x00FFFFFFu;
        }
    }
    auto blend = [](uint8_t alpha, uint8_t top, uint8_t under) {
        return static_cast<uint8_t>(
            std::min(255, Mul8(alpha, top) + Mul8(static_cast<uint8_t>(255 - alpha), under)));
    };
    PaletteColorList list;
    for (int32_t h = 0; h < 256; ++h) {
        std::array<uint8_t, 3> c = {static_cast<uint8_t>(RedOf(paper)), static_cast<uint8_t>(GreenOf(paper)),
                                    static_cast<uint8_t>(BlueOf(paper))};
        if (h != 128) {
            const auto o = static_cast<uint8_t>(std::min(255, h > 128 ? 2 * (h - 128) : 2 * (128 - h)));
            const uint32_t tint = h > 128 ? light : shade;
            const std::array<uint8_t, 3> t = {static_cast<uint8_t>(RedOf(tint)),
                                              static_cast<uint8_t>(GreenOf(tint)),
                                              static_cast<uint8_t>(BlueOf(tint))};
            for (size_t k = 0; k < 3; ++k) {
                c[k] = blend(o, t[k], c[k]);
            }
            if (layer) {
                // The level table is 0xAARRGGBB.
                const uint32_t ramp = layer->lightingRamp[static_cast<size_t>(h)];
                const auto alpha = static_cast<uint8_t>(ramp >> 24);
                const std::array<uint8_t, 3> w = {static_cast<uint8_t>(ramp >> 16),
                                                  static_cast<uint8_t>(ramp >> 8),
                                                  static_cast<uint8_t>(ramp)};
                for (size_t k = 0; k < 3; ++k) {
                    c[k] = blend(alpha, w[k], c[k]);
                }
            }
        }
        PaletteEntry e = MakeEntry(MakeColor(c[0], c[1], c[2]), h);
        e.selected = h == 127;
        list.Append(std::move(e));
    }
    return list;
}

namespace {

// count entries of full from index first on, stepping by (span / count) in 16.16 fixed point.
void Spread(const PaletteColorList& full, int32_t first, int32_t span, int32_t count,
            std::vector<PaletteEntry>& out) {
    if (count <= 0) {
        return;
    }
    const int64_t step = (int64_t{span} << 16) / count;
    int64_t at = int64_t{first} << 16;
    for (int32_t j = 0; j < count; ++j, at += step) {
        const auto index = static_cast<int32_t>(std::min<int64_t>(at >> 16, full.Count() - 1));
        out.push_back(full.Entry(index));
    }
}

} // namespace

PaletteColorList CondensePalette(const PaletteColorList& full, int32_t k) {
    PaletteColorList out;
    out.name = full.name;
    out.sortKind = full.sortKind;
    out.descending = full.descending;
    const int32_t n = full.Count();
    if (k < 1 || n == 0) {
        return out;
    }
    if (n <= k) {
        for (const PaletteEntry& e : full.Entries()) {
            out.Append(e);
        }
        return out;
    }
    std::vector<PaletteEntry> picked;
    Spread(full, 0, n, k, picked);
    const int32_t c = full.MarkedIndex();
    if (c >= 0) {
        // The swatch nearest to the marked colour takes it; the others spread before and after.
        const uint32_t x = full.Entry(c).color;
        int32_t i = 0;
        int32_t best = PaletteColorList::kFarAway;
        for (int32_t j = 0; j < k; ++j) {
            const int32_t d = ChannelDistance(picked[static_cast<size_t>(j)].color, x);
            if (d < best) {
                best = d;
                i = j;
            }
        }
        picked.clear();
        Spread(full, 0, c, i, picked);
        Spread(full, c, n - c, k - i, picked);
    }
    for (PaletteEntry& e : picked) {
        out.Append(std::move(e));
    }
    return out;
}

uint32_t SampleAverageColor(const Image24& picture, uint32_t fallback) {
    uint64_t sum[3] = {0, 0, 0};
    uint64_t count = 0;
    for (int32_t y = 0; y < picture.Height(); y += 4) {
        const uint8_t* row = picture.Row(y);
        for (int32_t x = 0; x < picture.Width(); x += 4) {
            const uint8_t* p = row + static_cast<size_t>(x) * 3;
            if (p[0] != 0 && p[1] != 0 && p[2] != 0) {
                sum[0] += p[0];
                sum[1] += p[1];
                sum[2] += p[2];
                ++count;
            }
        }
    }
    if (count == 0) {
        return fallback;
    }
    return MakeColor(static_cast<uint32_t>(sum[2] / count), static_cast<uint32_t>(sum[1] / count),
                     static_cast<uint32_t>(sum[0] / count));
}

} // namespace ts
