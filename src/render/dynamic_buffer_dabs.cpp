// The stroke engine's dabs: the footprint swept over the bound windows and the pixel rule of each
// stroke type.

#include "render/dynamic_buffer_set.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "raster/byte_bit_counter.h"
#include "raster/color_spaces.h"
#include "render/dynamic_buffer_binding.h"
#include "render/stroke_rules.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <type_traits>

namespace ts {

namespace {

// Window rows of the slots a rule works on (blue .. light index) for one layer row, indexed by layer
// column; null for a slot without a window. Worked out as the rule binds them: the windows' row
// tables are all a row needs.
class RowPointers {
public:
    void SetWindow(int32_t slot, ImageBuffer* window) { m_windows[static_cast<size_t>(slot)] = window; }
    // Window row 0 stands for layer row first, window column 0 for layer column spanLeft.
    void SetPlace(int32_t first, int32_t spanLeft) {
        m_first = first;
        m_spanLeft = spanLeft;
    }
    void SetRow(int32_t y) { m_row = y - m_first; }
    uint8_t* operator[](int32_t slot) const {
        ImageBuffer* window = m_windows[static_cast<size_t>(slot)];
        return window ? window->Pixels(m_row) - m_spanLeft : nullptr;
    }

private:
    std::array<ImageBuffer*, kLightIndex + 1> m_windows{};
    int32_t m_first = 0;
    int32_t m_spanLeft = 0;
    int32_t m_row = 0;
};

inline uint8_t AlphaOf(uint16_t mask) {
    return stroke::CoverageAlpha(CountMaskBits(mask));
}

// Rules that can put constant bytes in fully covered pixels many at a time (FillsFull, Fill).
template <class Rule> constexpr bool kFills = requires(Rule& rule) {
    rule.FillsFull();
};

#if defined(__SSE2__)
// Puts value in the bytes p[i] (i < N) whose select byte is 0xFF; the selected bytes that changed as
// bits, the slot's bit added to slots when any did.
template <int32_t N>
inline uint32_t FillBytes(uint8_t* p, uint8_t value, __m128i select, int32_t slot, uint32_t& slots) {
    static_assert(N == 8 || N == 16);
    const __m128i v = _mm_set1_epi8(static_cast<char>(value));
    const __m128i old = N == 16 ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(p))
                                : _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
    const auto differs =
        static_cast<uint32_t>(_mm_movemask_epi8(_mm_andnot_si128(_mm_cmpeq_epi8(old, v), select)));
    if (differs != 0) {
        slots |= SlotBit(slot);
        const __m128i put = _mm_or_si128(_mm_and_si128(select, v), _mm_andnot_si128(select, old));
        if constexpr (N == 16) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(p), put);
        } else {
            _mm_storel_epi64(reinterpret_cast<__m128i*>(p), put);
        }
    }
    return differs;
}
#endif

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
    // Put for a row that binds all five channels.
    uint32_t PutAll(int32_t x, const stroke::ColorPixel& p) {
        return Set(b, x, p.blue, kBlue) | Set(g, x, p.green, kGreen) | Set(r, x, p.red, kRed) |
               Set(amount, x, p.amount, kAmount) | Set(appearance, x, p.appearance, kAppearance);
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
    // The tool's settings the rule reads (set up for every dab: kept small).
    struct Paint {
        uint32_t color = 0;
        uint8_t strength = 255;
        uint8_t appearance = 0;
        bool sampleOwnColor = false;
        bool resetLighting = false;
    } tool;
    MixCache* cache = nullptr; // null when the tool takes each pixel's own colour
    int32_t toolLightness = 0;
    bool plain = false; // strength 255, the tool's own colour
    uint8_t blue = 0;
    uint8_t green = 0;
    uint8_t red = 0;
    ColorRow color;
    uint8_t* lighting = nullptr;         // only while the lighting reset is on
    const uint8_t* strengthOf = nullptr; // s at k covered sub-pixels: mul(strength, coverage alpha of k)

    void StartRow(const RowPointers& rows, int32_t) {
        color.Bind(rows);
        lighting = tool.resetLighting ? rows[kLighting] : nullptr;
    }
    // Full strength in the tool's own colour: a fully covered pixel takes the same bytes as any other.
    bool FillsFull() const { return plain; }
#if defined(__SSE2__)
    // Apply for the selected pixels of N from x, each fully covered: the columns that changed as bits.
    template <int32_t N> uint32_t Fill(int32_t x, __m128i select, uint32_t& slots) {
        uint32_t columns = FillBytes<N>(color.b + x, blue, select, kBlue, slots) |
                           FillBytes<N>(color.g + x, green, select, kGreen, slots) |
                           FillBytes<N>(color.r + x, red, select, kRed, slots) |
                           FillBytes<N>(color.amount + x, 255, select, kAmount, slots) |
                           FillBytes<N>(color.appearance + x, tool.appearance, select, kAppearance, slots);
        if (lighting) {
            columns |= FillBytes<N>(lighting + x, ObjectShadow::kNeutral, select, kLighting, slots);
        }
        return columns;
    }
#endif
    __attribute__((always_inline)) uint32_t Apply(int32_t x, uint16_t, uint16_t all, bool) {
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
        const uint8_t s = strengthOf[CountMaskBits(all)]; // the strength itself where fully covered
        stroke::ColorPixel p{color.b[x], color.g[x], color.r[x], color.amount[x], color.appearance[x]};
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
        uint32_t changed = color.PutAll(x, p);
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
// blend types see every covered pixel). A rule that can fill (FillsFull) takes the pixels that gain
// sub-pixels and end fully covered sixteen or eight at a time; the rest go through Apply one by one.
template <class Rule>
Rect DynamicBufferSet::Sweep(Rule& rule, int32_t phase, int32_t left, int32_t top, int32_t from, int32_t to,
                             bool seesAll) {
    Binding& b = *m_bind;
    const int32_t side = m_brush->Side();
    const uint16_t* mask = m_brush->Mask(phase);
    const uint16_t* spans = m_brush->RowSpans(phase).data();
    [[maybe_unused]] bool fills = false;
    if constexpr (kFills<Rule>) {
        fills = !seesAll && rule.FillsFull();
    }
    RowPointers rows;
    for (size_t i = 0; i < b.windows.size(); ++i) {
        rows.SetWindow(b.windowSlots[i], b.windows[i]);
    }
    rows.SetPlace(b.first, b.spanLeft);
    // The changed pixels' bounds.
    int32_t minX = b.width;
    int32_t maxX = -1;
    int32_t minY = -1;
    int32_t maxY = -1;
    for (int32_t y = from; y < to; ++y) {
        const int32_t r = y - top;
        const int32_t c0 = std::max<int32_t>(spans[2 * r], -left);
        const int32_t c1 = std::min<int32_t>(spans[2 * r + 1], b.width - left);
        if (c0 >= c1) {
            continue;
        }
        // The row's bytes are decoded and bound when a pixel of it first gains coverage: a row the
        // stroke has covered already costs its coverage only.
        bool started = false;
        auto start = [&]() __attribute__((always_inline)) {
            if (started) {
                return;
            }
            started = true;
            if (b.rows[static_cast<size_t>(y)].heldFrom > left + c0 ||
                b.rows[static_cast<size_t>(y)].heldTo < left + c1) {
                HoldColumns(y, left + c0, left + c1);
            }
            rows.SetRow(y);
            rule.StartRow(rows, y);
        };
        const uint16_t* maskRow = mask + static_cast<ptrdiff_t>(r) * side - left; // indexed by x
        uint32_t rowChanged = 0;
        int32_t first = b.width;
        int32_t last = -1;
        auto apply = [&](int32_t x, uint16_t old, uint16_t all, bool fresh) __attribute__((always_inline)) {
            if (const uint32_t slots = rule.Apply(x, old, all, fresh)) {
                rowChanged |= slots;
                first = std::min(first, x);
                last = std::max(last, x);
            }
        };
        // Tile by tile of the coverage record.
        for (int32_t x0 = left + c0; x0 < left + c1;) {
            const int32_t tx = x0 >> CoverageStore::kTileShift;
            const int32_t x1 = std::min(left + c1, (tx + 1) << CoverageStore::kTileShift);
            uint16_t* coverage = m_coverage->Row(y, tx);
            if (!coverage) {
                break; // out of memory: the rest of the row stays as it was
            }
            coverage -= static_cast<ptrdiff_t>(tx) << CoverageStore::kTileShift; // indexed by x
            int32_t x = x0;
#if defined(__SSE2__)
            if (!seesAll) {
                // Sixteen pixels at a time, then eight: the coverage of all at once, the rule only where
                // the footprint adds sub-pixels (none where the stroke covered the footprint already).
                alignas(16) uint16_t olds[16];
                auto block = [&](auto width) __attribute__((always_inline)) {
                    constexpr int32_t n = decltype(width)::value;
                    const __m128i zero = _mm_setzero_si128();
                    const __m128i m0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(maskRow + x));
                    const __m128i old0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(coverage + x));
                    __m128i m1 = zero;
                    __m128i old1 = zero;
                    if constexpr (n == 16) {
                        m1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(maskRow + x + 8));
                        old1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(coverage + x + 8));
                    }
                    // One byte per pixel, 0xFF where the footprint adds nothing.
                    const __m128i stale = _mm_packs_epi16(_mm_cmpeq_epi16(_mm_andnot_si128(old0, m0), zero),
                                                          _mm_cmpeq_epi16(_mm_andnot_si128(old1, m1), zero));
                    constexpr uint32_t kLanes = (1u << n) - 1;
                    auto gains = static_cast<uint32_t>(~_mm_movemask_epi8(stale)) & kLanes;
                    if (gains == 0) {
                        return;
                    }
                    // Where nothing is added, old | m is old.
                    const __m128i all0 = _mm_or_si128(old0, m0);
                    const __m128i all1 = _mm_or_si128(old1, m1);
                    _mm_storeu_si128(reinterpret_cast<__m128i*>(coverage + x), all0);
                    if constexpr (n == 16) {
                        _mm_storeu_si128(reinterpret_cast<__m128i*>(coverage + x + 8), all1);
                    }
                    if constexpr (kFills<Rule>) {
                        if (fills) {
                            // The pixels that gain sub-pixels and end fully covered, filled at once.
                            const __m128i ones = _mm_cmpeq_epi16(zero, zero);
                            const __m128i full =
                                _mm_andnot_si128(stale, _mm_packs_epi16(_mm_cmpeq_epi16(all0, ones),
                                                                        _mm_cmpeq_epi16(all1, ones)));
                            if (const auto filled = static_cast<uint32_t>(_mm_movemask_epi8(full))) {
                                start();
                                if (const uint32_t columns = rule.template Fill<n>(x, full, rowChanged)) {
                                    first = std::min(first, x + std::countr_zero(columns));
                                    last = std::max(last, x + 31 - std::countl_zero(columns));
                                }
                                gains &= ~filled;
                                if (gains == 0) {
                                    return;
                                }
                            }
                        }
                    }
                    start();
                    _mm_store_si128(reinterpret_cast<__m128i*>(olds), old0);
                    _mm_store_si128(reinterpret_cast<__m128i*>(olds + 8), old1);
                    do {
                        const int32_t i = std::countr_zero(gains);
                        gains &= gains - 1;
                        const uint16_t old = olds[i];
                        apply(x + i, old, static_cast<uint16_t>(old | maskRow[x + i]), true);
                    } while (gains != 0);
                };
                constexpr std::integral_constant<int32_t, 16> k16;
                constexpr std::integral_constant<int32_t, 8> k8;
                for (; x + 16 <= x1; x += 16) {
                    block(k16);
                }
                // The last pixels by a block that ends at x1: those it shares with the blocks before
                // hold old | m already, so they gain nothing and are left alone.
                if (x < x1 && x1 - x0 >= 16) {
                    x = x1 - 16;
                    block(k16);
                    x = x1;
                }
                if (x + 8 <= x1) {
                    block(k8);
                    x += 8;
                }
                if (x < x1 && x1 - x0 >= 8) {
                    x = x1 - 8;
                    block(k8);
                    x = x1;
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
                start();
                apply(x, old, all, fresh);
            }
            x0 = x1;
        }
        if (last >= 0) {
            b.rows[static_cast<size_t>(y)].flags |= rowChanged;
            int32_t& dirtyFrom = b.rows[static_cast<size_t>(y)].dirtyFrom;
            int32_t& dirtyTo = b.rows[static_cast<size_t>(y)].dirtyTo;
            dirtyFrom = std::min(dirtyFrom, first);
            dirtyTo = std::max(dirtyTo, last + 1);
            minX = std::min(minX, first);
            maxX = std::max(maxX, last);
            minY = minY < 0 ? y : minY;
            maxY = y;
        }
    }
    return maxY < 0 ? Rect{} : Rect{minX, minY, maxX + 1, maxY + 1};
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
        rule.tool = {m_tool.color, m_tool.strength, m_tool.appearance, m_tool.sampleOwnColor,
                     m_tool.resetLighting};
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
        if (b.strengthFor != rule.tool.strength) {
            for (int32_t k = 0; k <= 16; ++k) {
                b.strengthOf[k] = stroke::Product8(rule.tool.strength, stroke::CoverageAlpha(k));
            }
            b.strengthFor = rule.tool.strength;
        }
        rule.strengthOf = b.strengthOf;
        // The board eraser keeps each pixel's own colour bytes, so it never takes the plain tool's.
        rule.plain = rule.tool.strength == 255 && !rule.tool.sampleOwnColor;
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
