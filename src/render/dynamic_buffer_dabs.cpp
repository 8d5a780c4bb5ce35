// The stroke engine's dabs: the footprint swept over the bound windows and the pixel rule of each
// stroke type.

#include "render/dynamic_buffer_set.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "raster/byte_bit_counter.h"
#include "raster/color_spaces.h"
#include "raster/pixel_tables.h"
#include "render/dynamic_buffer_binding.h"
#include "render/stroke_rules.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace ts {

namespace {

// Window rows of the slots a rule works on (blue .. light index), by slot.
using RowPointers = std::array<uint8_t*, kLightIndex + 1>;

inline uint8_t AlphaOf(uint16_t mask) {
    return stroke::CoverageAlpha(CountMaskBits(mask));
}

// Stores a byte and reports the slot's bit when it changed.
inline uint32_t Set(uint8_t* row, int32_t x, uint8_t v, int32_t slot) {
    // Without a branch: whether a byte changes is as good as random inside a dab.
    const uint32_t changed = row[x] != v ? SlotBit(slot) : 0u;
    row[x] = v;
    return changed;
}

struct ColorRow {
    uint8_t* b = nullptr;
    uint8_t* g = nullptr;
    uint8_t* r = nullptr;
    uint8_t* amount = nullptr;
    uint8_t* appearance = nullptr;

    void Bind(const RowPointers& rows) {
        b = rows[kBlue];
        g = rows[kGreen];
        r = rows[kRed];
        amount = rows[kAmount];
        appearance = rows[kAppearance];
    }
    stroke::ColorPixel Get(int32_t x) const {
        return {b[x], g[x], r[x], amount ? amount[x] : uint8_t{0}, appearance ? appearance[x] : uint8_t{0}};
    }
    uint32_t Put(int32_t x, const stroke::ColorPixel& p) {
        uint32_t changed = Set(b, x, p.blue, kBlue) | Set(g, x, p.green, kGreen) | Set(r, x, p.red, kRed);
        if (amount) {
            changed |= Set(amount, x, p.amount, kAmount);
        }
        if (appearance) {
            changed |= Set(appearance, x, p.appearance, kAppearance);
        }
        return changed;
    }
};

// Type 4: the colour rule at the tool's strength scaled by the coverage of a partly covered pixel.
struct PaintRule {
    StrokeTool tool;
    MixCache* cache = nullptr; // null when the tool takes each pixel's own colour
    int32_t toolLightness = 0;
    bool plain = false; // strength 255, the tool's own colour
    uint8_t blue = 0;
    uint8_t green = 0;
    uint8_t red = 0;
    ColorRow color;
    uint8_t* lighting = nullptr; // only while the lighting reset is on

    void StartRow(const RowPointers& rows, int32_t) {
        color.Bind(rows);
        lighting = tool.resetLighting ? rows[kLighting] : nullptr;
    }
    uint32_t Apply(int32_t x, uint16_t, uint16_t all, bool) {
        if (all == kFull && plain) {
            // Full strength over full coverage: the tool outright (the common case inside a dab).
            uint32_t changed = Set(color.b, x, blue, kBlue) | Set(color.g, x, green, kGreen) |
                               Set(color.r, x, red, kRed) | Set(color.amount, x, 255, kAmount) |
                               Set(color.appearance, x, tool.appearance, kAppearance);
            if (lighting) {
                changed |= Set(lighting, x, ObjectShadow::kNeutral, kLighting);
            }
            return changed;
        }
        const uint8_t s = all == kFull ? tool.strength : Mul8(tool.strength, AlphaOf(all));
        stroke::ColorPixel p = color.Get(x);
        if (p.amount == 255 && s != 255 && cache) {
            // Over a full amount: the mix, remembered for the colours the stroke meets again.
            const uint32_t mixed =
                cache->Mix(MakeColor(p.red, p.green, p.blue), s, tool.color, toolLightness);
            return Set(color.r, x, static_cast<uint8_t>(ColorRed(mixed)), kRed) |
                   Set(color.g, x, static_cast<uint8_t>(ColorGreen(mixed)), kGreen) |
                   Set(color.b, x, static_cast<uint8_t>(ColorBlue(mixed)), kBlue) |
                   Set(color.appearance, x, stroke::AppearanceMix(tool.appearance, p.appearance, s),
                       kAppearance);
        }
        const bool own = tool.sampleOwnColor;
        const uint32_t paint = own ? MakeColor(p.red, p.green, p.blue) : tool.color;
        const bool repainted = stroke::PaintColor(p, paint, s, tool.appearance, own ? -1 : toolLightness);
        uint32_t changed = color.Put(x, p);
        if (repainted && lighting) {
            changed |= Set(lighting, x, ObjectShadow::kNeutral, kLighting);
        }
        return changed;
    }
};

// Types 5, 8, 23 and the colour and lighting parts of 20..22.
struct EraseRule {
    bool color = false;
    bool lighting = false;
    ColorRow channels;
    uint8_t* level = nullptr;
    uint8_t* index = nullptr;

    void StartRow(const RowPointers& rows, int32_t) {
        channels.Bind(rows);
        level = rows[kLighting];
        index = rows[kLightIndex];
    }
    uint32_t Apply(int32_t x, uint16_t, uint16_t all, bool) {
        const uint8_t alpha = AlphaOf(all);
        uint32_t changed = 0;
        if (color) {
            stroke::ColorPixel p = channels.Get(x);
            stroke::EraseColor(p, alpha);
            changed |= channels.Put(x, p);
        }
        if (lighting) {
            changed |= Set(level, x, stroke::EraseLighting(level[x], alpha), kLighting);
            if (level[x] == ObjectShadow::kNeutral) {
                changed |= Set(index, x, 0, kLightIndex); // back to no lighting at all
            }
        }
        return changed;
    }
};

// Type 7.
struct LightRule {
    StrokeTool tool;
    uint8_t* level = nullptr;
    uint8_t* index = nullptr;

    void StartRow(const RowPointers& rows, int32_t) {
        level = rows[kLighting];
        index = rows[kLightIndex];
    }
    uint32_t Apply(int32_t x, uint16_t old, uint16_t all, bool) {
        const uint8_t alpha = AlphaOf(all);
        const uint8_t v = tool.lightRelative
                              ? stroke::RelativeLighting(level[x], tool.lightTarget, AlphaOf(old), alpha)
                              : stroke::SetLighting(level[x], tool.lightTarget, alpha);
        return Set(level, x, v, kLighting) | Set(index, x, tool.lightIndex, kLightIndex);
    }
};

// Types 10, 11, 12.
struct ChannelRule {
    int32_t channel = 0;
    int32_t mode = 0;
    int32_t value = 0;
    ColorRow color;

    void StartRow(const RowPointers& rows, int32_t) { color.Bind(rows); }
    uint32_t Apply(int32_t x, uint16_t, uint16_t all, bool) {
        stroke::ColorPixel p = color.Get(x);
        if (!stroke::AdjustColor(p, channel, mode, value, AlphaOf(all))) {
            return 0;
        }
        return color.Put(x, p);
    }
};

// Types 6 and 19: fully covered pixels within the radius move towards the stroke's average by
// u = 1 - d / r; a pixel covered earlier in the stroke only while it is nearer to the brush than to
// the stroke's start, so that the way back does not smear the start.
struct BlendRule {
    bool lightingOnly = false;
    double average[4] = {0, 0, 0, 0}; // blue, green, red, lightness; or the level
    double cx = 0;                    // brush centre in layer pixels
    double cy = 0;
    double sx = 0; // stroke start
    double sy = 0;
    double radius = 1;
    double py = 0; // the row's pixel centre
    ColorRow color;
    uint8_t* level = nullptr;

    void StartRow(const RowPointers& rows, int32_t y) {
        color.Bind(rows);
        level = rows[kLighting];
        py = y + 0.5;
    }
    uint32_t Apply(int32_t x, uint16_t, uint16_t all, bool fresh) {
        if (all != kFull) {
            return 0;
        }
        const double px = x + 0.5;
        const double d = std::hypot(px - cx, py - cy);
        if (d > radius || (!fresh && d >= std::hypot(px - sx, py - sy))) {
            return 0;
        }
        const double v = d / radius;
        if (lightingOnly) {
            return Set(level, x, stroke::BlendByte(level[x], average[0], v), kLighting);
        }
        const uint32_t own = MakeColor(color.r[x], color.g[x], color.b[x]);
        Hsb hsb = RgbToHsb(MakeColor(stroke::BlendByte(color.r[x], average[2], v),
                                     stroke::BlendByte(color.g[x], average[1], v),
                                     stroke::BlendByte(color.b[x], average[0], v)));
        hsb.b = stroke::BlendByte(static_cast<uint8_t>(RgbToHsb(own).b), average[3], v);
        const uint32_t mixed = HsbToRgb(hsb);
        return Set(color.r, x, static_cast<uint8_t>(ColorRed(mixed)), kRed) |
               Set(color.g, x, static_cast<uint8_t>(ColorGreen(mixed)), kGreen) |
               Set(color.b, x, static_cast<uint8_t>(ColorBlue(mixed)), kBlue);
    }
};

// Type 24 as the merge brush: the source's colour and lighting take the place of the layer's. A pixel
// that gains coverage goes t = (a - a_old) / (255 - a_old) of the way from what it holds to the source,
// a and a_old being the coverage alphas after and before the dab; so it stands at a of the way from
// what it held before the stroke, and a fully covered pixel holds the source's bytes exactly. Colours
// are weighed by their amounts (an unpainted pixel's colour bytes count for nothing), indices switch
// at half way.
struct MergeRule {
    TransferSource* source = nullptr;
    bool color = false;
    bool lighting = false;
    int32_t from = 0; // layer columns of the dab
    int32_t to = 0;
    ColorRow dest;
    uint8_t* level = nullptr;
    uint8_t* index = nullptr;

    void StartRow(const RowPointers& rows, int32_t y) {
        dest.Bind(rows);
        level = rows[kLighting];
        index = rows[kLightIndex];
        source->Load(y, from, to);
    }
    static uint8_t Toward(uint8_t own, uint8_t target, int32_t t) {
        const int32_t d = (target - own) * t;
        return static_cast<uint8_t>(own + (d >= 0 ? d + 127 : d - 127) / 255);
    }
    uint32_t Apply(int32_t x, uint16_t old, uint16_t all, bool) {
        const int32_t before = AlphaOf(old);
        const int32_t now = AlphaOf(all);
        const int32_t t = now >= 255 ? 255 : ((now - before) * 255 + (255 - before) / 2) / (255 - before);
        if (t <= 0) {
            return 0;
        }
        uint32_t changed = 0;
        if (color) {
            const stroke::ColorPixel d = dest.Get(x);
            stroke::ColorPixel s{source->At(kFromBlue, x), source->At(kFromGreen, x), source->At(kFromRed, x),
                                 source->At(kFromAmount, x), source->At(kFromAppearance, x)};
            if (source->Paper()) {
                s.blue = d.blue; // opaque paper shows the board whatever the colour bytes say
                s.green = d.green;
                s.red = d.red;
            }
            if (t < 255) {
                const int64_t wd = int64_t{d.amount} * (255 - t);
                const int64_t ws = int64_t{s.amount} * t;
                const int64_t sum = wd + ws;
                auto mix = [&](uint8_t own, uint8_t in) {
                    return sum == 0 ? Toward(own, in, t)
                                    : static_cast<uint8_t>(
                                          std::min<int64_t>(255, (own * wd + in * ws + sum / 2) / sum));
                };
                s.blue = mix(d.blue, s.blue);
                s.green = mix(d.green, s.green);
                s.red = mix(d.red, s.red);
                s.amount = static_cast<uint8_t>((sum + 127) / 255);
                s.appearance = d.amount == 0 || t >= 128 ? s.appearance : d.appearance;
            }
            changed |= dest.Put(x, s);
        }
        if (lighting) {
            const uint8_t target = source->At(kFromLevel, x);
            const uint8_t light = source->At(kFromLight, x);
            const bool switches = t >= 128 || level[x] == ObjectShadow::kNeutral;
            changed |= Set(level, x, t >= 255 ? target : Toward(level[x], target, t), kLighting);
            changed |= Set(index, x, t >= 255 || switches ? light : index[x], kLightIndex);
        }
        return changed;
    }
};

} // namespace

// For every footprint pixel inside the layer with a non-zero mask m: the pixel's new sub-pixels are
// m & ~old, the stroke coverage becomes old | m, and the rule sees the pixel when it gained any (the
// blend types see every covered pixel).
template <class Rule>
Rect DynamicBufferSet::Sweep(Rule& rule, int32_t phase, int32_t left, int32_t top, int32_t from, int32_t to,
                             bool seesAll) {
    Binding& b = *m_bind;
    const int32_t side = m_brush->Side();
    const uint16_t* mask = m_brush->Mask(phase);
    const std::vector<uint16_t>& spans = m_brush->RowSpans(phase);
    Rect changed{};
    RowPointers rows{};
    for (int32_t y = from; y < to; ++y) {
        const int32_t r = y - top;
        const int32_t c0 = std::max<int32_t>(spans[static_cast<size_t>(2 * r)], -left);
        const int32_t c1 = std::min<int32_t>(spans[static_cast<size_t>(2 * r + 1)], b.width - left);
        if (c0 >= c1) {
            continue;
        }
        if (b.heldFrom[static_cast<size_t>(y)] > left + c0 || b.heldTo[static_cast<size_t>(y)] < left + c1) {
            HoldColumns(y, left + c0, left + c1);
        }
        for (size_t i = 0; i < b.windows.size(); ++i) {
            rows[static_cast<size_t>(b.windowSlots[i])] = b.RowOf(*b.windows[i], y);
        }
        rule.StartRow(rows, y);
        const uint16_t* maskRow = mask + static_cast<ptrdiff_t>(r) * side - left; // indexed by x
        uint32_t rowChanged = 0;
        int32_t first = -1;
        int32_t last = -1;
        // Tile by tile of the coverage record.
        for (int32_t x0 = left + c0; x0 < left + c1;) {
            const int32_t tx = x0 >> CoverageStore::kTileShift;
            const int32_t x1 = std::min(left + c1, (tx + 1) << CoverageStore::kTileShift);
            uint16_t* coverage = m_coverage->Row(y, tx);
            if (!coverage) {
                break; // out of memory: the rest of the row stays as it was
            }
            coverage -= static_cast<ptrdiff_t>(tx) << CoverageStore::kTileShift; // indexed by x
            auto apply = [&](int32_t x, uint16_t old, uint16_t all, bool fresh) {
                if (const uint32_t slots = rule.Apply(x, old, all, fresh)) {
                    rowChanged |= slots;
                    first = first < 0 ? x : first;
                    last = x;
                }
            };
            int32_t x = x0;
#if defined(__SSE2__)
            if (!seesAll) {
                // Eight pixels at a time: the coverage of all eight at once, the rule only where the
                // footprint adds sub-pixels (none where the stroke covered the footprint already).
                alignas(16) uint16_t olds[8];
                for (; x + 8 <= x1; x += 8) {
                    const __m128i m8 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(maskRow + x));
                    const __m128i old8 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(coverage + x));
                    const __m128i fresh8 = _mm_andnot_si128(old8, m8);
                    // Two bits per pixel that gains sub-pixels.
                    auto gains = static_cast<uint32_t>(
                        ~_mm_movemask_epi8(_mm_cmpeq_epi16(fresh8, _mm_setzero_si128())) & 0xFFFF);
                    if (gains == 0) {
                        continue;
                    }
                    // Where nothing is added, old | m is old.
                    _mm_storeu_si128(reinterpret_cast<__m128i*>(coverage + x), _mm_or_si128(old8, m8));
                    _mm_store_si128(reinterpret_cast<__m128i*>(olds), old8);
                    do {
                        const int i = std::countr_zero(gains) >> 1;
                        gains &= ~(3u << (2 * i));
                        const uint16_t old = olds[i];
                        apply(x + i, old, static_cast<uint16_t>(old | maskRow[x + i]), true);
                    } while (gains != 0);
                }
            }
#endif
            for (; x < x1; ++x) {
                const uint16_t m = maskRow[x];
                const uint16_t old = coverage[x];
                const bool fresh = (m & ~old) != 0;
                if (!fresh && (!seesAll || m == 0)) {
                    continue;
                }
                const uint16_t all = static_cast<uint16_t>(old | m);
                coverage[x] = all;
                apply(x, old, all, fresh);
            }
            x0 = x1;
        }
        if (first >= 0) {
            b.rowFlags[static_cast<size_t>(y)] |= rowChanged;
            int32_t& dirtyFrom = b.dirtyFrom[static_cast<size_t>(y)];
            int32_t& dirtyTo = b.dirtyTo[static_cast<size_t>(y)];
            dirtyFrom = std::min(dirtyFrom, first);
            dirtyTo = std::max(dirtyTo, last + 1);
            changed = Union(changed, Rect{first, y, last + 1, y + 1});
        }
    }
    return changed;
}

void DynamicBufferSet::SampleBlend(int32_t phase, int32_t left, int32_t top, int32_t from, int32_t to) {
    Binding& b = *m_bind;
    const int32_t side = m_brush->Side();
    const uint16_t* mask = m_brush->Mask(phase);
    const std::vector<uint16_t>& spans = m_brush->RowSpans(phase);
    const bool lighting = m_type == kStrokeBlendLighting;
    for (int32_t y = from; y < to; ++y) {
        const int32_t r = y - top;
        const int32_t c0 = std::max<int32_t>(spans[static_cast<size_t>(2 * r)], -left);
        const int32_t c1 = std::min<int32_t>(spans[static_cast<size_t>(2 * r + 1)], b.width - left);
        const uint16_t* maskRow = mask + static_cast<ptrdiff_t>(r) * side;
        if (c0 >= c1) {
            continue;
        }
        HoldColumns(y, left + c0, left + c1);
        if (lighting) {
            const uint8_t* level = b.Row(kLighting, y);
            for (int32_t c = c0; c < c1; ++c) {
                if (maskRow[c] == kFull) {
                    b.sums[0] += level[left + c];
                    ++b.count;
                }
            }
            continue;
        }
        const uint8_t* blue = b.Row(kBlue, y);
        const uint8_t* green = b.Row(kGreen, y);
        const uint8_t* red = b.Row(kRed, y);
        const uint8_t* appearance = b.Row(kAppearance, y);
        for (int32_t c = c0; c < c1; ++c) {
            const int32_t x = left + c;
            if (maskRow[c] == kFull && appearance[x] == 0) {
                b.sums[0] += blue[x];
                b.sums[1] += green[x];
                b.sums[2] += red[x];
                b.sums[3] += RgbToHsb(MakeColor(red[x], green[x], blue[x])).b;
                ++b.count;
            }
        }
    }
}

// The footprint's disc radius R = b / 2 - 0.5 (integer halving of the side b), the radius the mask
// was built with; without a brush, the radius the stroke was begun with.
double DynamicBufferSet::BlendRadius() const {
    const double r = m_brush ? m_brush->Side() / 2 - 0.5 : m_radius;
    return r > 0.5 ? r : 0.5;
}

Rect DynamicBufferSet::Dab() {
    Rect lines{};
    if (m_lines.Running() && m_brush) {
        // The brush disc's radius R = b / 2 - 0.5 pixels, in quarter pixels.
        lines = m_lines.Dab(m_qx, m_qy, 4 * (m_brush->Side() / 2) - 2);
        m_rect = m_rect.IsEmpty() ? lines : Union(m_rect, lines);
    }
    if (m_lift.Running() && m_brush) {
        const Rect lifted = m_lift.Dab(m_qx, m_qy, 4 * (m_brush->Side() / 2) - 2);
        m_rect = m_rect.IsEmpty() ? lifted : Union(m_rect, lifted);
        return lifted;
    }
    if (!m_bind || !m_brush || m_bind->windowed.empty()) {
        return lines; // no channel rule: nothing bound (types 3 and 9), or only lines
    }
    Binding& b = *m_bind;
    if (!m_started) {
        m_startQx = m_qx;
        m_startQy = m_qy;
        m_started = true;
    }
    const int32_t side = m_brush->Side();
    const int32_t left = (m_qx >> 2) - side / 2;
    const int32_t top = (m_qy >> 2) - side / 2;
    const int32_t from = std::max(top, 0);
    const int32_t to = std::min(top + side, b.height);
    if (from >= to || left >= b.width || left + side <= 0 ||
        !EnsureWindows(from, to, std::max(left, 0), std::min(left + side, b.width))) {
        return lines;
    }
    const int32_t phase = BrushTS::PhaseOf(m_qx, m_qy);
    Rect changed{};
    const int32_t t = m_type;
    if (t == kStrokeColor || t == kStrokeSurfaceEraser) {
        PaintRule rule;
        rule.tool = m_tool;
        if (t == kStrokeSurfaceEraser) {
            // Opaque paper at the coverage's strength: a fully covered pixel hides the layers below
            // with the board, a partly covered one mixes towards it (appearances 3 to 5 over pencil).
            rule.tool.strength = 255;
            rule.tool.appearance = 1;
            rule.tool.sampleOwnColor = true;
        }
        rule.red = static_cast<uint8_t>(ColorRed(m_tool.color));
        rule.green = static_cast<uint8_t>(ColorGreen(m_tool.color));
        rule.blue = static_cast<uint8_t>(ColorBlue(m_tool.color));
        rule.toolLightness = stroke::Lightness(rule.red, rule.green, rule.blue);
        rule.plain = m_tool.strength == 255 && !m_tool.sampleOwnColor;
        if (!m_tool.sampleOwnColor && b.mixes) {
            if (b.mixesTool != m_tool.color) {
                b.mixes->Clear(); // the tool changed colour within the stroke
                b.mixesTool = m_tool.color;
            }
            rule.cache = b.mixes.get();
        }
        changed = Sweep(rule, phase, left, top, from, to, false);
    } else if (t == kStrokeLighting) {
        LightRule rule{m_tool};
        changed = Sweep(rule, phase, left, top, from, to, false);
    } else if (t == kStrokeHue || t == kStrokeSaturation || t == kStrokeValue) {
        ChannelRule rule{t - kStrokeHue, m_tool.channelMode, m_tool.channelValue, {}};
        changed = Sweep(rule, phase, left, top, from, to, false);
    } else if (t == kStrokeBlend || t == kStrokeBlendLighting) {
        // Colours are sampled at every dab before any pixel changes; levels only until the first
        // sample, which fixes the average of the stroke.
        if (t == kStrokeBlend || b.count == 0) {
            SampleBlend(phase, left, top, from, to);
        }
        BlendRule rule;
        rule.lightingOnly = t == kStrokeBlendLighting;
        for (int i = 0; i < 4; ++i) {
            rule.average[i] = b.count ? b.sums[i] / static_cast<double>(b.count) : 0.0;
        }
        rule.cx = m_qx / 4.0;
        rule.cy = m_qy / 4.0;
        rule.sx = m_startQx / 4.0;
        rule.sy = m_startQy / 4.0;
        rule.radius = BlendRadius();
        if (b.count == 0) {
            rule.radius = -1; // nothing sampled yet: the coverage is recorded, no pixel changes
        }
        changed = Sweep(rule, phase, left, top, from, to, true);
    } else if (t == kStrokeLineArtLighting && b.transfer) {
        MergeRule rule;
        rule.source = b.transfer.get();
        rule.color =
            b.Holds(kBlue) && b.Holds(kGreen) && b.Holds(kRed) && b.Holds(kAmount) && b.Holds(kAppearance);
        rule.lighting = b.Holds(kLighting) && b.Holds(kLightIndex);
        rule.from = std::max(left, 0);
        rule.to = std::min(left + side, b.width);
        changed = Sweep(rule, phase, left, top, from, to, false);
    } else if (ErasesColor(t) || ErasesLighting(t)) {
        // The parts the layer lacks are left out (the eraser's combinations with lines).
        const bool color =
            b.Holds(kBlue) && b.Holds(kGreen) && b.Holds(kRed) && b.Holds(kAmount) && b.Holds(kAppearance);
        EraseRule rule;
        rule.color = ErasesColor(t) && color;
        rule.lighting = ErasesLighting(t) && b.Holds(kLighting) && b.Holds(kLightIndex);
        if (rule.color || rule.lighting) {
            changed = Sweep(rule, phase, left, top, from, to, false);
        }
    }
    m_rect = m_rect.IsEmpty() ? changed : Union(m_rect, changed);
    if (!m_deferCommits) {
        StoreRows(kLayerDirty);
    }
    return Union(changed, lines);
}

} // namespace ts
