#include "render/dynamic_buffer_set.h"

#include "raster/byte_bit_counter.h"
#include "raster/color_spaces.h"
#include "raster/pixel_tables.h"
#include "render/dynamic_buffer_binding.h"
#include "render/stroke_rules.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <new>

namespace ts {

namespace {

// The first column from .. to - 1 where a and b differ (to when none).
int32_t FirstDifference(const uint8_t* a, const uint8_t* b, int32_t from, int32_t to) {
    for (; from + 8 <= to; from += 8) {
        uint64_t x;
        uint64_t y;
        std::memcpy(&x, a + from, 8);
        std::memcpy(&y, b + from, 8);
        if (x != y) {
            return from + std::countr_zero(x ^ y) / 8;
        }
    }
    while (from < to && a[from] == b[from]) {
        ++from;
    }
    return from;
}

// One past the last column from .. to - 1 where a and b differ (from when none).
int32_t LastDifference(const uint8_t* a, const uint8_t* b, int32_t from, int32_t to) {
    for (; to - 8 >= from; to -= 8) {
        uint64_t x;
        uint64_t y;
        std::memcpy(&x, a + to - 8, 8);
        std::memcpy(&y, b + to - 8, 8);
        if (x != y) {
            return to - std::countl_zero(x ^ y) / 8;
        }
    }
    while (to > from && a[to - 1] == b[to - 1]) {
        --to;
    }
    return to;
}

// Stores the columns from .. to - 1 of layer row y from held into buffer, where stored holds the row's
// stored bytes (both indexed by layer column): only the stretch that differs goes to PutSpan, which
// stores the same row as for the whole stretch, and nothing when no byte differs. stored takes the new
// bytes only when PutSpan has stored them.
void StoreChanged(RLBuffer& buffer, int32_t y, int32_t from, int32_t to, const uint8_t* held,
                  uint8_t* stored) {
    from = FirstDifference(held, stored, from, to);
    if (from >= to) {
        return;
    }
    to = LastDifference(held, stored, from, to);
    if (buffer.PutSpan(y, static_cast<size_t>(from), static_cast<size_t>(to), held + from)) {
        std::memcpy(stored + from, held + from, static_cast<size_t>(to - from));
    }
}

} // namespace

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
    const bool lineTypes = LineStroke::HasLinePart(t);
    // Type 24 merges colour and lighting into the layer's own channels, or lifts whole pixels.
    const TransferTool& transfer = m_tool.transfer;
    const bool lift = t == kStrokeLineArtLighting && transfer.liftFrom != nullptr;
    const bool merge = t == kStrokeLineArtLighting && !lift && (transfer.source || transfer.paper) &&
                       (transfer.color || transfer.lighting);
    const bool wantsColor = IsColorType(t) || ErasesColor(t) || (merge && transfer.color);
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
    } else if (merge && bind->bytes[kBlue] && bind->bytes[kGreen] && bind->bytes[kRed] &&
               bind->bytes[kAmount] && bind->bytes[kAppearance] && transfer.color) {
        worked = {kBlue, kGreen, kRed, kAmount, kAppearance};
    }
    if (merge && transfer.lighting && bind->bytes[kLighting] && bind->bytes[kLightIndex]) {
        worked.push_back(kLighting);
        worked.push_back(kLightIndex);
    }
    if (!worked.empty() && merge) {
        try {
            bind->transfer = std::make_unique<TransferSource>();
        } catch (const std::bad_alloc&) {
            return false;
        }
        if (!bind->transfer->Begin(layer, transfer)) {
            worked.clear();
            bind->transfer.reset();
        }
    }
    if (ErasesColor(t)) {
        for (int32_t slot : {kBlue, kGreen, kRed, kAmount, kAppearance}) {
            worked.push_back(slot);
        }
    }
    if (ErasesLighting(t)) {
        worked.push_back(kLighting);
        worked.push_back(kLightIndex);
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
            bind->rows.assign(static_cast<size_t>(height), Binding::RowState{0, width, 0, 0, 0});
        } catch (const std::bad_alloc&) {
            return false;
        }
    }
    // The line part works on the layer's occupancy and line bytes itself; a type that is nothing but
    // lines fails without them, the others go on without their line part.
    if (lineTypes && !lift && !m_lines.Begin(layer, t, m_tool.lines) && LineStroke::LinesOnly(t)) {
        return false;
    }
    if (lift && !m_lift.Begin(layer, transfer)) {
        return false;
    }
    m_bind = std::move(bind);
    m_layer = &layer;
    m_type = strokeType;
    return true;
}

void DynamicBufferSet::EndStroke() {
    m_lift.End();
    if (m_lines.Running()) {
        const Rect lines = m_lines.End();
        m_rect = m_rect.IsEmpty() ? lines : Union(m_rect, lines);
    }
    if (!m_bind) {
        m_layer = nullptr;
        return;
    }
    Unhook();
    StoreRows(kLayerDirty);
    CloseWindows();
    m_bind.reset();
    m_layer = nullptr;
}

void DynamicBufferSet::CloseWindows() {
    Binding& b = *m_bind;
    b.windows.clear();
    // A few windows stay for the strokes to come.
    constexpr size_t kSpares = 8;
    for (auto& window : b.owned) {
        if (m_spareWindows.size() == kSpares) {
            m_spareWindows.erase(m_spareWindows.begin());
        }
        try {
            m_spareWindows.push_back(std::move(window));
        } catch (const std::bad_alloc&) {
            break;
        }
    }
    b.owned.clear();
    b.slotWindow.fill(nullptr);
    b.loaded = false;
}

// Stores the window rows whose flags meet the mask and clears those flags. Only the columns changed
// since the row was last stored are re-encoded.
void DynamicBufferSet::StoreRows(uint32_t mask) {
    Binding& b = *m_bind;
    if (!b.loaded) {
        return;
    }
    const int32_t from = std::max(b.first, 0);
    const int32_t to = std::min(b.first + b.windowRows, b.height);
    for (int32_t y = from; y < to; ++y) {
        uint32_t& flags = b.rows[static_cast<size_t>(y)].flags;
        const uint32_t store = flags & mask;
        if (store == 0) {
            continue;
        }
        const int32_t left = b.rows[static_cast<size_t>(y)].dirtyFrom;
        const int32_t right = b.rows[static_cast<size_t>(y)].dirtyTo;
        for (size_t i = 0; i < b.windowed.size(); ++i) {
            if ((store & b.windowedBits[i]) != 0) {
                StoreChanged(*b.windowed[i], y, left, right, b.RowOf(*b.windows[i], y),
                             b.StoredOf(*b.windows[i], y));
            }
        }
        flags &= ~mask;
        if (flags == 0) {
            b.rows[static_cast<size_t>(y)].dirtyFrom = b.width;
            b.rows[static_cast<size_t>(y)].dirtyTo = 0;
        }
    }
}

void DynamicBufferSet::CommitRows() {
    if (!m_bind) {
        return;
    }
    if (m_deferCommits) {
        Hook();
        return;
    }
    Unhook();
    StoreRows(kLayerDirty);
}

void DynamicBufferSet::Hook() {
    if (m_bind && m_bind->loaded) {
        for (RLBuffer* buffer : m_bind->windowed) {
            buffer->HoldRows(&m_holder);
        }
    }
}

void DynamicBufferSet::Unhook() {
    if (m_bind) {
        for (RLBuffer* buffer : m_bind->windowed) {
            if (buffer->RowsHeld() == &m_holder) {
                buffer->HoldRows(nullptr);
            }
        }
    }
}

void DynamicBufferSet::Holder::Store(const CCompressedBuffer& buffer) {
    if (!m_engine.m_bind) {
        return;
    }
    const Binding& b = *m_engine.m_bind;
    for (size_t i = 0; i < b.windowed.size(); ++i) {
        if (b.windowed[i] == &buffer) {
            m_engine.StoreRows(b.windowedBits[i]);
            return;
        }
    }
}

const uint8_t* DynamicBufferSet::Holder::Held(const CCompressedBuffer& buffer, int32_t row, size_t& from,
                                              size_t& to) const {
    if (!m_engine.m_bind || !m_engine.m_bind->loaded) {
        return nullptr;
    }
    Binding& b = *m_engine.m_bind;
    if (row < std::max(b.first, 0) || row >= std::min(b.first + b.windowRows, b.height)) {
        return nullptr;
    }
    const auto y = static_cast<size_t>(row);
    for (size_t i = 0; i < b.windowed.size(); ++i) {
        if (b.windowed[i] == &buffer) {
            if ((b.rows[y].flags & b.windowedBits[i]) == 0) {
                return nullptr;
            }
            from = static_cast<size_t>(b.rows[y].dirtyFrom);
            to = static_cast<size_t>(b.rows[y].dirtyTo);
            return b.RowOf(*b.windows[i], row);
        }
    }
    return nullptr;
}

// Sets the windows at their rows: the layer rows they stand for hold no columns yet, rows outside the
// layer are 0.
void DynamicBufferSet::LoadWindows() {
    Binding& b = *m_bind;
    for (size_t i = 0; i < b.windowed.size(); ++i) {
        ImageBuffer& w = *b.windows[i];
        w.SetFirstRow(b.first);
        for (int32_t r = 0; r < b.windowRows; ++r) {
            const int32_t y = b.first + r;
            if (y < 0 || y >= b.height) {
                w.ZeroRow(r);
            }
        }
    }
    const auto from = static_cast<size_t>(std::clamp(b.first, 0, b.height));
    const auto to = static_cast<size_t>(std::clamp(b.first + b.windowRows, 0, b.height));
    for (size_t y = from; y < to; ++y) {
        b.rows[y].heldFrom = 0;
        b.rows[y].heldTo = 0;
    }
}

void DynamicBufferSet::HoldColumns(int32_t y, int32_t from, int32_t to) {
    Binding& b = *m_bind;
    int32_t& heldFrom = b.rows[static_cast<size_t>(y)].heldFrom;
    int32_t& heldTo = b.rows[static_cast<size_t>(y)].heldTo;
    if (heldFrom <= from && to <= heldTo) {
        return;
    }
    // Decoding starts with a walk along the row's codes: take three brush widths more on either side
    // (and at least a few columns), so that the wider rows of the same dab and the dabs that follow
    // along the row rarely need another.
    const int32_t ahead = std::max({32, to - from, m_brush ? 3 * m_brush->Side() : 0});
    const int32_t lo = std::max(b.spanLeft, from - ahead);
    const int32_t hi = std::min(b.spanRight, to + ahead);
    auto read = [&](int32_t a, int32_t e) {
        for (size_t i = 0; i < b.windowed.size(); ++i) {
            ImageBuffer& window = *b.windows[i];
            uint8_t* held = b.RowOf(window, y) + a;
            b.windowed[i]->ReadSpanAt(y, static_cast<size_t>(a), static_cast<size_t>(e), held);
            std::memcpy(b.StoredOf(window, y) + a, held, static_cast<size_t>(e - a));
        }
    };
    if (heldFrom >= heldTo) {
        read(lo, hi);
        heldFrom = lo;
        heldTo = hi;
        return;
    }
    if (from < heldFrom) {
        read(lo, heldFrom);
        heldFrom = lo;
    }
    if (to > heldTo) {
        read(heldTo, hi);
        heldTo = hi;
    }
}

void DynamicBufferSet::ScrollWindows(int32_t rows, bool down) {
    if (!m_bind || !m_bind->loaded || rows <= 0) {
        return;
    }
    Unhook();
    Binding& b = *m_bind;
    if (rows >= b.windowRows) {
        // Every row leaves: store them and load the windows at their new place.
        StoreRows(kLayerDirty);
        b.first += down ? rows : -rows;
        LoadWindows();
        return;
    }
    // The flags and changed columns of the rows that leave, in the order they leave.
    b.leaving.resize(static_cast<size_t>(rows));
    for (int32_t i = 0; i < rows; ++i) {
        const int32_t y = down ? b.first + i : b.first + b.windowRows - 1 - i;
        uint32_t flags = 0;
        if (y >= 0 && y < b.height) {
            flags = b.rows[static_cast<size_t>(y)].flags;
            b.rows[static_cast<size_t>(y)].flags = 0;
        }
        b.leaving[static_cast<size_t>(i)] = flags;
    }
    // Each window stores its changed leaving rows, turns its row pointers once and reads the entering
    // rows straight into the rows that wrapped round.
    const int32_t firstAfter = b.first + (down ? rows : -rows);
    for (size_t k = 0; k < b.windowed.size(); ++k) {
        RLBuffer& buffer = *b.windowed[k];
        ImageBuffer& w = *b.windows[k];
        for (int32_t i = 0; i < rows; ++i) {
            const int32_t r = down ? i : b.windowRows - 1 - i;
            const int32_t y = b.first + r;
            if ((b.leaving[static_cast<size_t>(i)] & b.windowedBits[k]) != 0) {
                StoreChanged(buffer, y, b.rows[static_cast<size_t>(y)].dirtyFrom,
                             b.rows[static_cast<size_t>(y)].dirtyTo, b.RowOf(w, y), b.StoredOf(w, y));
            }
        }
        down ? w.RotateRowsUp(rows) : w.RotateRowsDown(rows);
        w.SetFirstRow(firstAfter);
        for (int32_t i = 0; i < rows; ++i) {
            const int32_t r = down ? b.windowRows - rows + i : i;
            const int32_t y = firstAfter + r;
            if (y < 0 || y >= b.height) {
                w.ZeroRow(r);
            }
        }
    }
    // The rows that left are clean; those that entered hold no columns yet.
    for (int32_t i = 0; i < rows; ++i) {
        const int32_t y = down ? b.first + i : b.first + b.windowRows - 1 - i;
        if (y >= 0 && y < b.height) {
            b.rows[static_cast<size_t>(y)].dirtyFrom = b.width;
            b.rows[static_cast<size_t>(y)].dirtyTo = 0;
        }
        const int32_t entered = down ? firstAfter + b.windowRows - rows + i : firstAfter + i;
        if (entered >= 0 && entered < b.height) {
            b.rows[static_cast<size_t>(entered)].heldFrom = 0;
            b.rows[static_cast<size_t>(entered)].heldTo = 0;
        }
    }
    b.first = firstAfter;
}

// Makes the windows hold layer rows top .. bottom - 1 and columns left .. right - 1 (all inside the
// layer). The windows keep slack around the brush, so that they scroll several rows at a time and a
// brush that turns back finds its rows still there; a brush that leaves the columns held moves the
// columns, storing what changed first.
bool DynamicBufferSet::EnsureWindows(int32_t top, int32_t bottom, int32_t left, int32_t right) {
    Binding& b = *m_bind;
    if (b.windowsFailed) {
        return false;
    }
    // The dab reads and stores the buffers' rows itself; the next commit hooks them again.
    Unhook();
    const int32_t needed = bottom - top;
    const int32_t slack = std::max(m_margin, 16);
    // Columns: the brush and at least 256 pixels (or the brush's width) on each side, within the layer.
    // Columns cost nothing until a dab reaches them, and every move of the columns stores the rows and
    // reads them again.
    const int32_t slackColumns = std::max(right - left, 256);
    const int32_t spanLeft = std::max(0, left - slackColumns);
    const int32_t spanRight = std::min(b.width, right + slackColumns);
    int32_t windowWidth = b.width;
    for (const ImageBuffer* window : b.windows) {
        windowWidth = std::min(windowWidth, Binding::Columns(*window));
    }
    if (b.loaded && b.windowRows >= needed && (left < b.spanLeft || right > b.spanRight) &&
        spanRight - spanLeft <= windowWidth) {
        // The brush left the columns held: the same windows take the columns around it.
        StoreRows(kLayerDirty);
        b.spanLeft = spanLeft;
        b.spanRight = spanRight;
        b.first = top - (b.windowRows - needed) / 2;
        LoadWindows();
        return true;
    }
    if (b.loaded && (b.windowRows < needed || left < b.spanLeft || right > b.spanRight)) {
        StoreRows(kLayerDirty);
        CloseWindows();
    }
    if (!b.loaded) {
        b.windowRows = needed + 2 * slack;
        b.spanLeft = spanLeft;
        b.spanRight = spanRight;
        try {
            for (size_t i = 0; i < b.windowed.size(); ++i) {
                std::unique_ptr<ImageBuffer> window;
                for (auto spare = m_spareWindows.begin(); spare != m_spareWindows.end(); ++spare) {
                    if (Binding::Columns(**spare) >= b.spanRight - b.spanLeft &&
                        (*spare)->ContentRows() == b.windowRows && (*spare)->Margin() == 0) {
                        window = std::move(*spare);
                        m_spareWindows.erase(spare);
                        break;
                    }
                }
                if (!window) {
                    // As wide as the columns are away from the layer's ends, so that it serves there too.
                    window = std::make_unique<ImageBuffer>();
                    if (!window->Create(2 * std::min(b.width, right - left + 2 * slackColumns), b.windowRows,
                                        1, 0)) {
                        throw std::bad_alloc();
                    }
                }
                b.windows.push_back(window.get());
                b.slotWindow[static_cast<size_t>(b.windowSlots[i])] = window.get();
                b.owned.push_back(std::move(window));
            }
        } catch (const std::bad_alloc&) {
            CloseWindows();
            b.windowsFailed = true;
            return false;
        }
        b.first = top - (b.windowRows - needed) / 2;
        LoadWindows();
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

} // namespace ts
