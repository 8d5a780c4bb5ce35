#include "render/dynamic_buffer_set.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "raster/byte_bit_counter.h"
#include "raster/color_spaces.h"
#include "raster/pixel_tables.h"
#include "render/stroke_rules.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <new>

namespace ts {

namespace {

// Byte-per-pixel slots.
enum ByteSlot : int32_t {
    kBlue = 0,
    kGreen,
    kRed,
    kAmount,
    kAppearance,
    kLighting,
    kLightIndex,
    kLineAppearanceIndex,
    kLineColorIndex,
    kByteSlots = 32,
};

// Coverage slots.
enum CoverSlot : int32_t {
    kLineCoverage = 0,
    kReference,
    kCoverSlots = 16,
};

// Row flags: bit s for a byte slot s whose window row differs from the stored row.
constexpr uint32_t kLayerDirty = 0xFFFFFFFFu;

constexpr uint32_t SlotBit(int32_t slot) {
    return 1u << slot;
}

constexpr uint16_t kFull = 0xFFFF;

bool IsColorType(int32_t t) {
    return t == kStrokeColor || t == kStrokeEraseColor || t == kStrokeBlend || t == kStrokeHue ||
           t == kStrokeSaturation || t == kStrokeValue || t == kStrokeSurfaceEraser;
}

// Types whose rule erases colour, lighting or both (the eraser's combinations with lines included; the
// line part of those is not applied yet).
bool ErasesColor(int32_t t) {
    return t == kStrokeEraseColor || t == kStrokeEraseColorAndLighting ||
           t == kStrokeEraseLinesColorLighting || t == kStrokeEraseLinesColor;
}
bool ErasesLighting(int32_t t) {
    return t == kStrokeEraseLighting || t == kStrokeEraseColorAndLighting ||
           t == kStrokeEraseLinesColorLighting || t == kStrokeEraseLinesLighting;
}

// The mixes of one tool colour over the colours a stroke meets, by (colour, strength): painting over a
// flat or already painted area meets the same few colours again and again.
class MixCache {
public:
    uint32_t Mix(uint32_t old, uint8_t s, uint32_t tool, int32_t toolLightness) {
        const uint32_t key = old | static_cast<uint32_t>(s) << 24;
        uint64_t& entry = m_entries[(key * 0x9E3779B1u) >> (32 - kBits)];
        if ((entry & kValid) != 0 && static_cast<uint32_t>(entry >> 32) == key) {
            return static_cast<uint32_t>(entry) & 0xFFFFFF;
        }
        const uint32_t mixed = stroke::MixColor(old, tool, s, toolLightness);
        entry = static_cast<uint64_t>(key) << 32 | kValid | mixed;
        return mixed;
    }

    void Clear() { m_entries.fill(0); }

private:
    static constexpr int kBits = 10;
    static constexpr uint64_t kValid = 0x80000000u;
    std::array<uint64_t, size_t{1} << kBits> m_entries{};
};

} // namespace

// The stroke's coverage record: for every layer pixel the 4 x 4 sub-pixels covered so far in the
// stroke, all zero at its start. Only the part under the stroke ever holds anything, so it is kept as
// 64 x 64 tiles of plain 16-bit masks taken on first touch; the tiles stay with the engine from stroke to
// stroke, so a stroke allocates only where it covers more ground than any before it.
class DynamicBufferSet::CoverageStore {
public:
    static constexpr int32_t kTileShift = 6;
    static constexpr int32_t kTile = 1 << kTileShift;

    bool Reset(int32_t width, int32_t height) {
        m_used = 0;
        m_tilesX = (width + kTile - 1) >> kTileShift;
        try {
            m_map.assign(static_cast<size_t>(m_tilesX) *
                             static_cast<size_t>((height + kTile - 1) >> kTileShift),
                         nullptr);
        } catch (const std::bad_alloc&) {
            return false;
        }
        return true;
    }
    // Row y of the tile holding column tx x 64 onwards, as masks of columns tx x 64 ..; null when out of
    // memory.
    uint16_t* Row(int32_t y, int32_t tx) {
        uint16_t*& tile = m_map[static_cast<size_t>((y >> kTileShift) * m_tilesX + tx)];
        if (!tile && !(tile = Take())) {
            return nullptr;
        }
        return tile + static_cast<ptrdiff_t>(y & (kTile - 1)) * kTile;
    }

private:
    uint16_t* Take() {
        if (m_used == m_pool.size()) {
            try {
                m_pool.push_back(std::make_unique<uint16_t[]>(kTile * kTile));
            } catch (const std::bad_alloc&) {
                return nullptr;
            }
        }
        uint16_t* tile = m_pool[m_used++].get();
        std::memset(tile, 0, sizeof(uint16_t) * kTile * kTile);
        return tile;
    }

    int32_t m_tilesX = 0;
    std::vector<uint16_t*> m_map;
    std::vector<std::unique_ptr<uint16_t[]>> m_pool;
    size_t m_used = 0;
};

struct DynamicBufferSet::Binding {
    std::array<RLBuffer*, kByteSlots> bytes{};
    std::array<RLBuffer*, kCoverSlots> coverage{};
    std::vector<RLBuffer*> windowed;    // layer buffers the rule works on, through windows
    std::vector<uint32_t> windowedBits; // the slot bit of each
    std::vector<int32_t> windowSlots;   // and its slot
    std::vector<ImageBuffer*> windows;  // their open windows (empty while closed)
    int32_t width = 0;
    int32_t height = 0;
    int32_t windowRows = 0;
    int32_t first = 0; // buffer row of window row 0
    bool loaded = false;
    bool windowsFailed = false;
    std::vector<uint32_t> rowFlags;  // per layer row
    std::vector<uint32_t> leaving;   // flags of the rows a scroll lets go
    std::unique_ptr<MixCache> mixes; // colour painting's mixes for the tool colour mixesTool
    uint32_t mixesTool = 0;
    // Running sums of the blend types: three colour bytes (or the level) and the lightness.
    double sums[4] = {0, 0, 0, 0};
    uint64_t count = 0;

    uint8_t* Row(int32_t slot, int32_t y) {
        return bytes[static_cast<size_t>(slot)]->Window()->Pixels(y - first);
    }
    bool Holds(int32_t slot) const {
        const RLBuffer* b = bytes[static_cast<size_t>(slot)];
        return b && b->Window();
    }
};

DynamicBufferSet::DynamicBufferSet() = default;

DynamicBufferSet::~DynamicBufferSet() {
    EndStroke();
}

Rect DynamicBufferSet::StrokeRect() const {
    return m_rect.IsEmpty() ? Rect{} : m_rect;
}

void DynamicBufferSet::SetTool(const StrokeTool& tool) {
    m_tool = tool;
}

void DynamicBufferSet::SetBrush(const BrushTS& brush) {
    m_brush = &brush;
}

void DynamicBufferSet::MoveBrush(int32_t qx, int32_t qy) {
    m_qx = qx;
    m_qy = qy;
}

bool DynamicBufferSet::BeginStroke(LayerObject& layer, int32_t strokeType, int32_t margin, int32_t radius) {
    EndStroke();
    m_rect = Rect{100000, 100000, -100000, -100000};
    m_offsetX = layer.offsetX;
    m_offsetY = layer.offsetY;
    m_margin = std::max(margin, 0);
    m_radius = radius;
    m_started = false;
    if (strokeType < 1 || strokeType > 24) {
        return false;
    }
    // The stroke's size is the layer's drawing buffer's, else the size of its parts (a layer that holds
    // only lighting or lines has the size of those).
    const SuperBitBuffer* reference = layer.frame ? layer.frame->drawingBuffer.get() : nullptr;
    int32_t width = reference ? reference->Width() : layer.PartWidth();
    int32_t height = reference ? reference->Height() : layer.PartHeight();
    if ((width <= 0 || height <= 0) && layer.shadow && layer.shadow->lighting) {
        width = layer.shadow->lighting->Width();
        height = layer.shadow->lighting->Height();
    }
    if ((width <= 0 || height <= 0) && layer.lineArt && layer.lineArt->lineBuffer) {
        width = layer.lineArt->lineBuffer->Width();
        height = layer.lineArt->lineBuffer->Height();
    }
    if (width <= 0 || height <= 0) {
        return false;
    }
    std::unique_ptr<Binding> bind;
    try {
        bind = std::make_unique<Binding>();
    } catch (const std::bad_alloc&) {
        return false;
    }
    bind->width = width;
    bind->height = height;
    bind->coverage[kReference] = reference ? layer.frame->drawingBuffer.get() : nullptr;

    const int32_t t = strokeType;
    const bool lineTypes = t == kStrokeLineArtPaint || t == kStrokeLineArtErase || (t >= 13 && t <= 17) ||
                           (t >= kStrokeEraseLinesColorLighting && t <= kStrokeEraseLinesLighting) ||
                           t == kStrokeLineArtLighting;
    const bool wantsColor = IsColorType(t) || ErasesColor(t);
    const bool wantsLighting =
        t == kStrokeLighting || t == kStrokeBlendLighting || ErasesLighting(t) || t == kStrokeLineArtLighting;
    // Painting types get colour channels when the layer has none: nothing painted yet, new paint at
    // full opacity. Lighting types get a neutral lighting object.
    if (IsColorType(t) && !(layer.color && layer.color->amount)) {
        auto color = std::make_unique<ObjectColor>();
        if (!color->Create(width, height, 0xFFFFFF, 255)) {
            return false;
        }
        layer.color = std::move(color);
    }
    if ((t == kStrokeLighting || t == kStrokeEraseLighting || t == kStrokeBlendLighting ||
         t == kStrokeLineArtLighting) &&
        !(layer.shadow && layer.shadow->lighting)) {
        auto shadow = std::make_unique<ObjectShadow>();
        if (!shadow->Create(width, height)) {
            return false;
        }
        layer.shadow = std::move(shadow);
    }
    auto bindByte = [&](int32_t slot, RLBuffer* buffer) {
        // A part of another size than the stroke is left alone rather than read out of bounds.
        if (buffer && buffer->Width() == width && buffer->Height() == height) {
            bind->bytes[static_cast<size_t>(slot)] = buffer;
        }
    };
    if (wantsColor && layer.color) {
        bindByte(kBlue, layer.color->blue.get());
        bindByte(kGreen, layer.color->green.get());
        bindByte(kRed, layer.color->red.get());
        bindByte(kAmount, layer.color->amount.get());
        bindByte(kAppearance, layer.color->appearance.get());
    }
    if ((wantsColor || wantsLighting) && layer.shadow) {
        bindByte(kLighting, layer.shadow->lighting.get());
        if (wantsLighting) {
            bindByte(kLightIndex, layer.shadow->appearanceIndex.get());
        }
    }
    if ((wantsColor || wantsLighting || lineTypes) && layer.lineArt) {
        bindByte(kLineColorIndex, layer.lineArt->colorAppearanceIndex.get());
        if (lineTypes) {
            bindByte(kLineAppearanceIndex, layer.lineArt->lineAppearanceIndex.get());
            SuperBitBuffer* lines = layer.lineArt->lineBuffer.get();
            if (lines && lines->Width() == width && lines->Height() == height) {
                bind->coverage[kLineCoverage] = lines;
            }
        }
    }

    // The buffers the pixel rule reads or writes get row windows; the line-art buffers wait for the
    // line rules, which are not applied yet.
    std::vector<int32_t> worked;
    if (t == kStrokeColor) {
        worked = {kBlue, kGreen, kRed, kAmount, kAppearance};
        if (m_tool.resetLighting) {
            worked.push_back(kLighting);
        }
    } else if (t == kStrokeEraseColor || t == kStrokeSurfaceEraser) {
        worked = {kBlue, kGreen, kRed, kAmount, kAppearance};
    } else if (t == kStrokeBlend) {
        worked = {kBlue, kGreen, kRed, kAppearance};
    } else if (t == kStrokeHue || t == kStrokeSaturation || t == kStrokeValue) {
        worked = {kBlue, kGreen, kRed};
    } else if (t == kStrokeLighting) {
        worked = {kLighting, kLightIndex};
    } else if (t == kStrokeBlendLighting) {
        worked = {kLighting};
    }
    if (ErasesColor(t)) {
        worked.insert(worked.end(), {kBlue, kGreen, kRed, kAmount, kAppearance});
    }
    if (ErasesLighting(t)) {
        worked.insert(worked.end(), {kLighting, kLightIndex});
    }
    std::sort(worked.begin(), worked.end());
    worked.erase(std::unique(worked.begin(), worked.end()), worked.end());
    for (int32_t slot : worked) {
        if (RLBuffer* b = bind->bytes[static_cast<size_t>(slot)]) {
            bind->windowed.push_back(b);
            bind->windowedBits.push_back(SlotBit(slot));
            bind->windowSlots.push_back(slot);
        }
    }
    // A rule that lacks one of its colour channels cannot work; the lighting parts are optional.
    const bool colorComplete = bind->bytes[kBlue] && bind->bytes[kGreen] && bind->bytes[kRed] &&
                               bind->bytes[kAmount] && bind->bytes[kAppearance];
    if (IsColorType(t) && !colorComplete) {
        return false;
    }
    if ((t == kStrokeLighting || t == kStrokeEraseLighting || t == kStrokeBlendLighting) &&
        !(bind->bytes[kLighting] && bind->bytes[kLightIndex])) {
        return false;
    }
    if (!bind->windowed.empty()) {
        if (!m_coverage) {
            try {
                m_coverage = std::make_unique<CoverageStore>();
            } catch (const std::bad_alloc&) {
                return false;
            }
        }
        if (!m_coverage->Reset(width, height)) {
            return false;
        }
        if (t == kStrokeColor) {
            try {
                bind->mixes = std::make_unique<MixCache>();
            } catch (const std::bad_alloc&) {
                return false;
            }
            bind->mixesTool = m_tool.color;
        }
        try {
            bind->rowFlags.assign(static_cast<size_t>(height), 0);
        } catch (const std::bad_alloc&) {
            return false;
        }
    }
    m_bind = std::move(bind);
    m_layer = &layer;
    m_type = strokeType;
    return true;
}

void DynamicBufferSet::EndStroke() {
    if (!m_bind) {
        m_layer = nullptr;
        return;
    }
    CommitRows();
    CloseWindows();
    m_bind.reset();
    m_layer = nullptr;
}

void DynamicBufferSet::CloseWindows() {
    for (RLBuffer* b : m_bind->windowed) {
        b->CloseWindow();
    }
    m_bind->windows.clear();
    m_bind->loaded = false;
}

// Stores the window rows whose flags meet the mask and clears those flags.
void DynamicBufferSet::StoreRows(uint32_t mask) {
    Binding& b = *m_bind;
    if (!b.loaded) {
        return;
    }
    const int32_t from = std::max(b.first, 0);
    const int32_t to = std::min(b.first + b.windowRows, b.height);
    for (int32_t y = from; y < to; ++y) {
        uint32_t& flags = b.rowFlags[static_cast<size_t>(y)];
        const uint32_t store = flags & mask;
        if (store == 0) {
            continue;
        }
        for (size_t i = 0; i < b.windowed.size(); ++i) {
            if ((store & b.windowedBits[i]) != 0) {
                b.windowed[i]->PutRow(y, b.windowed[i]->Window()->Pixels(y - b.first));
            }
        }
        flags &= ~mask;
    }
}

void DynamicBufferSet::CommitRows() {
    if (m_bind) {
        StoreRows(kLayerDirty);
    }
}

void DynamicBufferSet::ScrollWindows(int32_t rows, bool down) {
    if (!m_bind || !m_bind->loaded || rows <= 0) {
        return;
    }
    Binding& b = *m_bind;
    if (rows >= b.windowRows) {
        // Every row leaves: store them and load the windows at their new place.
        StoreRows(kLayerDirty);
        b.first += down ? rows : -rows;
        for (RLBuffer* buffer : b.windowed) {
            buffer->LoadWindow(b.first);
        }
        return;
    }
    // The flags of the rows that leave, in the order they leave.
    b.leaving.resize(static_cast<size_t>(rows));
    for (int32_t i = 0; i < rows; ++i) {
        const int32_t y = down ? b.first + i : b.first + b.windowRows - 1 - i;
        uint32_t flags = 0;
        if (y >= 0 && y < b.height) {
            flags = b.rowFlags[static_cast<size_t>(y)];
            b.rowFlags[static_cast<size_t>(y)] = 0;
        }
        b.leaving[static_cast<size_t>(i)] = flags;
    }
    // Each window stores its changed leaving rows, turns its row pointers once and reads the entering
    // rows straight into the rows that wrapped round.
    const int32_t firstAfter = b.first + (down ? rows : -rows);
    for (size_t k = 0; k < b.windowed.size(); ++k) {
        RLBuffer& buffer = *b.windowed[k];
        ImageBuffer& w = *buffer.Window();
        for (int32_t i = 0; i < rows; ++i) {
            const int32_t r = down ? i : b.windowRows - 1 - i;
            if ((b.leaving[static_cast<size_t>(i)] & b.windowedBits[k]) != 0) {
                buffer.PutRow(b.first + r, w.Pixels(r));
            }
        }
        down ? w.RotateRowsUp(rows) : w.RotateRowsDown(rows);
        w.SetFirstRow(firstAfter);
        for (int32_t i = 0; i < rows; ++i) {
            const int32_t r = down ? b.windowRows - rows + i : i;
            const int32_t y = firstAfter + r;
            if (y >= 0 && y < b.height) {
                buffer.ReadRow(y, w.Pixels(r));
            } else {
                w.ZeroRow(r);
            }
        }
    }
    b.first += down ? rows : -rows;
}

bool DynamicBufferSet::EnsureWindows(int32_t top, int32_t bottom) {
    Binding& b = *m_bind;
    if (b.windowsFailed) {
        return false;
    }
    const int32_t needed = bottom - top;
    if (b.loaded && b.windowRows < needed) {
        // The brush grew beyond the windows: store everything and open larger ones.
        StoreRows(kLayerDirty);
        CloseWindows();
    }
    // A few rows of slack above and below the brush spare re-reading rows when it turns back, and let
    // the windows scroll several rows at a time.
    const int32_t slack = std::clamp(needed, 16, std::max(m_margin, 16));
    if (!b.loaded) {
        b.windowRows = needed + 2 * slack;
        bool ok = true;
        for (RLBuffer* buffer : b.windowed) {
            ok = ok && buffer->OpenWindow(0, b.windowRows);
        }
        if (!ok) {
            CloseWindows();
            b.windowsFailed = true;
            return false;
        }
        b.first = top - (b.windowRows - needed) / 2;
        for (RLBuffer* buffer : b.windowed) {
            buffer->LoadWindow(b.first);
            b.windows.push_back(buffer->Window());
        }
        b.loaded = true;
        return true;
    }
    if (bottom > b.first + b.windowRows) {
        // Down: bring the brush's bottom at least the slack inside, keeping its top inside.
        ScrollWindows(std::min(bottom - (b.first + b.windowRows) + slack, top - b.first), true);
    } else if (top < b.first) {
        ScrollWindows(std::min(b.first - top + slack, b.first + b.windowRows - bottom), false);
    }
    return true;
}

// ---- Dabs ----

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
        for (size_t i = 0; i < b.windows.size(); ++i) {
            rows[static_cast<size_t>(b.windowSlots[i])] = b.windows[i]->Pixels(y - b.first);
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
            for (int32_t x = x0; x < x1; ++x) {
#if defined(__SSE2__)
                if (!seesAll && x + 8 <= x1) {
                    // Eight pixels at a time where the stroke covered the footprint already.
                    const __m128i m8 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(maskRow + x));
                    const __m128i old8 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(coverage + x));
                    const __m128i fresh8 = _mm_andnot_si128(old8, m8);
                    if (_mm_movemask_epi8(_mm_cmpeq_epi8(fresh8, _mm_setzero_si128())) == 0xFFFF) {
                        x += 7;
                        continue;
                    }
                }
#endif
                if (!seesAll && x + 4 <= x1) {
                    // Four pixels at a time past the part of the footprint the stroke covered already.
                    uint64_t m4;
                    uint64_t old4;
                    std::memcpy(&m4, maskRow + x, sizeof m4);
                    std::memcpy(&old4, coverage + x, sizeof old4);
                    if ((m4 & ~old4) == 0) {
                        x += 3;
                        continue;
                    }
                }
                const uint16_t m = maskRow[x];
                const uint16_t old = coverage[x];
                const bool fresh = (m & ~old) != 0;
                if (!fresh && (!seesAll || m == 0)) {
                    continue;
                }
                const uint16_t all = static_cast<uint16_t>(old | m);
                coverage[x] = all;
                if (const uint32_t slots = rule.Apply(x, old, all, fresh)) {
                    rowChanged |= slots;
                    first = first < 0 ? x : first;
                    last = x;
                }
            }
            x0 = x1;
        }
        if (first >= 0) {
            b.rowFlags[static_cast<size_t>(y)] |= rowChanged;
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
    if (!m_bind || !m_brush || m_bind->windowed.empty()) {
        return Rect{}; // nothing bound (types 3 and 9) or only line art, whose rules come with the lines
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
    if (from >= to || left >= b.width || left + side <= 0) {
        return Rect{};
    }
    if (!EnsureWindows(from, to)) {
        return Rect{};
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
    return changed;
}

} // namespace ts
