#include "render/transfer_strokes.h"

#include "render/line_renderer.h"

#include <algorithm>
#include <new>

namespace ts {

namespace {

// n bytes of a one-byte-per-pixel buffer's row sy from column sx0 on; fill where the buffer has none.
void ReadInto(const RLBuffer* buffer, int32_t sy, int32_t sx0, int32_t n, uint8_t fill, uint8_t* dest) {
    std::fill(dest, dest + n, fill);
    if (!buffer || sy < 0 || sy >= buffer->Height()) {
        return;
    }
    const int32_t lo = std::max(sx0, 0);
    const int32_t hi = std::min(sx0 + n, buffer->Width());
    if (lo < hi) {
        buffer->ReadSpanAt(sy, static_cast<size_t>(lo), static_cast<size_t>(hi), dest + (lo - sx0));
    }
}

// The opaque-paper appearance of a colour table: the first record of type 1, added when there is none.
uint8_t PaperAppearance(CColorAppearanceList& table) {
    for (int i = 0; i < CColorAppearanceList::kSlots; ++i) {
        if (const CColorAppearance* entry = table.Slot(i); entry && entry->reference == 1) {
            return static_cast<uint8_t>(i);
        }
    }
    CColorAppearance paper;
    paper.reference = 1;
    return static_cast<uint8_t>(table.FindOrAdd(paper));
}

// A pixel's centre (4x + 2, 4y + 2 in quarter pixels) lies inside the disc.
bool CentreInDisc(int32_t x, int32_t y, int32_t qx, int32_t qy, int32_t rq) {
    const int64_t dx = 4 * int64_t{x} + 2 - qx;
    const int64_t dy = 4 * int64_t{y} + 2 - qy;
    return dx * dx + dy * dy < int64_t{rq} * rq;
}

} // namespace

bool TransferSource::Begin(LayerObject& layer, const TransferTool& tool) {
    m_source = tool.source;
    m_paper = !tool.source && tool.paper;
    m_color = tool.color && layer.color != nullptr;
    m_lighting = tool.lighting && layer.shadow != nullptr;
    if ((!m_color && !m_lighting) || (!m_source && !m_paper)) {
        return false;
    }
    m_dx = m_source ? layer.offsetX - m_source->offsetX : 0;
    m_dy = m_source ? layer.offsetY - m_source->offsetY : 0;
    for (int i = 0; i < 256; ++i) {
        m_appearanceMap[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
        m_lightMap[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
    }
    if (m_color) {
        if (m_paper) {
            m_paperAppearance = PaperAppearance(layer.color->appearances);
        } else if (m_source->color) {
            CColorAppearanceList from;
            from.Copy(m_source->color->appearances);
            layer.color->appearances.Remap(from);
            m_appearanceMap = from.RemapMap();
        }
    }
    if (m_lighting && m_source && m_source->shadow) {
        // The light index also says how strongly the layer's lighting colour counts (its low bits), so
        // it keeps its number unless the two tables hold different lights under it.
        const ShadowAppearanceList& from = m_source->shadow->appearances;
        ShadowAppearanceList& to = layer.shadow->appearances;
        for (int i = 0; i < ShadowAppearanceList::kSlots; ++i) {
            const ShadowAppearance* light = from.Slot(i);
            const ShadowAppearance* own = to.Slot(i);
            if (light && !(own && *own == *light)) {
                m_lightMap[static_cast<size_t>(i)] = static_cast<uint8_t>(to.FindOrAdd(*light));
            }
        }
    }
    return true;
}

void TransferSource::Load(int32_t y, int32_t from, int32_t to) {
    const int32_t n = std::max(to - from, 0);
    m_from = from;
    for (auto& row : m_rows) {
        if (row.size() < static_cast<size_t>(n)) {
            row.resize(static_cast<size_t>(n));
        }
    }
    const int32_t sy = y + m_dy;
    const int32_t sx = from + m_dx;
    auto row = [&](int32_t channel) { return m_rows[static_cast<size_t>(channel)].data(); };
    if (m_color) {
        const ObjectColor* color = m_source ? m_source->color.get() : nullptr;
        if (m_paper) {
            std::fill(row(kFromAmount), row(kFromAmount) + n, uint8_t{255});
            std::fill(row(kFromAppearance), row(kFromAppearance) + n, m_paperAppearance);
        } else {
            ReadInto(color ? color->amount.get() : nullptr, sy, sx, n, 0, row(kFromAmount));
            ReadInto(color ? color->appearance.get() : nullptr, sy, sx, n, 0, row(kFromAppearance));
            uint8_t* kinds = row(kFromAppearance);
            for (int32_t i = 0; i < n; ++i) {
                kinds[i] = m_appearanceMap[kinds[i]];
            }
        }
        ReadInto(color ? color->blue.get() : nullptr, sy, sx, n, 128, row(kFromBlue));
        ReadInto(color ? color->green.get() : nullptr, sy, sx, n, 128, row(kFromGreen));
        ReadInto(color ? color->red.get() : nullptr, sy, sx, n, 128, row(kFromRed));
    }
    if (m_lighting) {
        const ObjectShadow* shadow = m_source ? m_source->shadow.get() : nullptr;
        ReadInto(shadow ? shadow->lighting.get() : nullptr, sy, sx, n, ObjectShadow::kNeutral,
                 row(kFromLevel));
        ReadInto(shadow ? shadow->appearanceIndex.get() : nullptr, sy, sx, n, 0, row(kFromLight));
        uint8_t* lights = row(kFromLight);
        for (int32_t i = 0; i < n; ++i) {
            lights[i] = m_lightMap[lights[i]];
        }
    }
}

void LiftPass::AddPair(RLBuffer* to, RLBuffer* from, uint8_t cleared) {
    if (to && from) {
        m_pairs.push_back(Pair{to, from, cleared, to->BytesPerPixel()});
    }
}

bool LiftPass::Begin(LayerObject& layer, const TransferTool& tool) {
    m_layer = nullptr;
    m_pairs.clear();
    if (!tool.liftFrom || !tool.moved) {
        return false;
    }
    LayerObject& from = *tool.liftFrom;
    const int32_t w = tool.moved->Width();
    const int32_t h = tool.moved->Height();
    if (w <= 0 || h <= 0) {
        return false;
    }
    // The parts of the lifted layer must have the mask's size; a part of another size stays out.
    auto fits = [&](const RLBuffer* b) { return b && b->Width() == w && b->Height() == h; };
    if (tool.color && layer.color && from.color) {
        ObjectColor& a = *layer.color;
        ObjectColor& b = *from.color;
        if (fits(a.blue.get()) && fits(a.green.get()) && fits(a.red.get()) && fits(a.amount.get()) &&
            fits(a.appearance.get())) {
            AddPair(a.blue.get(), b.blue.get(), 128);
            AddPair(a.green.get(), b.green.get(), 128);
            AddPair(a.red.get(), b.red.get(), 128);
            AddPair(a.amount.get(), b.amount.get(), 0);
            AddPair(a.appearance.get(), b.appearance.get(), 0);
        }
    }
    if (tool.lighting && layer.shadow && from.shadow && fits(layer.shadow->lighting.get()) &&
        fits(layer.shadow->appearanceIndex.get())) {
        AddPair(layer.shadow->lighting.get(), from.shadow->lighting.get(), ObjectShadow::kNeutral);
        AddPair(layer.shadow->appearanceIndex.get(), from.shadow->appearanceIndex.get(), 0);
    }
    m_lines = false;
    if (tool.lines && IsLineLayer(from) && from.lineArt && from.lineArt->HasLines() && EnsureLineArt(from) &&
        IsLineLayer(layer) && EnsureLineArt(layer) && fits(layer.frame->drawingBuffer.get())) {
        ObjectLineArt& a = *layer.lineArt;
        ObjectLineArt& b = *from.lineArt;
        AddPair(layer.frame->drawingBuffer.get(), from.frame->drawingBuffer.get(), 0);
        AddPair(a.lineAppearanceIndex.get(), b.lineAppearanceIndex.get(), 0);
        AddPair(a.refreshWidth.get(), b.refreshWidth.get(), 0);
        AddPair(a.colorAppearanceIndex.get(), b.colorAppearanceIndex.get(), 0);
        m_lines = true;
    }
    m_tool = tool;
    m_dx = layer.offsetX - from.offsetX;
    m_dy = layer.offsetY - from.offsetY;
    m_layer = &layer;
    return true;
}

// Moves the pixels of layer row y between left and right whose centres the disc holds.
Rect LiftPass::MoveRow(int32_t y, int32_t left, int32_t right, int32_t qx, int32_t qy, int32_t rq) {
    FastBitonalMask& moved = *m_tool.moved;
    const int32_t n = right - left;
    m_take.assign(static_cast<size_t>(n), 0);
    int32_t first = -1;
    int32_t last = -1;
    for (int32_t x = left; x < right; ++x) {
        if (!moved.TestBit(x, y) && CentreInDisc(x, y, qx, qy, rq)) {
            m_take[static_cast<size_t>(x - left)] = 1;
            first = first < 0 ? x : first;
            last = x;
        }
    }
    if (first < 0) {
        return Rect{};
    }
    const int32_t sy = y + m_dy;
    for (const Pair& p : m_pairs) {
        // The columns of the source buffer under first .. last.
        const int32_t lo = std::max(first, -m_dx);
        const int32_t hi = std::min(last + 1, p.from->Width() - m_dx);
        if (sy < 0 || sy >= p.from->Height() || lo >= hi) {
            continue;
        }
        const auto bytes = static_cast<size_t>(p.bytes);
        const size_t count = static_cast<size_t>(hi - lo) * bytes;
        m_to.resize(count);
        m_from.resize(count);
        p.to->ReadSpanAt(y, static_cast<size_t>(lo) * bytes, static_cast<size_t>(hi) * bytes, m_to.data());
        p.from->ReadSpanAt(sy, static_cast<size_t>(lo + m_dx) * bytes, static_cast<size_t>(hi + m_dx) * bytes,
                           m_from.data());
        for (int32_t x = lo; x < hi; ++x) {
            if (!m_take[static_cast<size_t>(x - left)]) {
                continue;
            }
            for (size_t k = 0; k < bytes; ++k) {
                const size_t i = static_cast<size_t>(x - lo) * bytes + k;
                m_to[i] = m_from[i];
                m_from[i] = p.cleared;
            }
        }
        p.to->PutSpan(y, static_cast<size_t>(lo) * bytes, static_cast<size_t>(hi) * bytes, m_to.data());
        if (m_tool.erase) {
            p.from->PutSpan(sy, static_cast<size_t>(lo + m_dx) * bytes,
                            static_cast<size_t>(hi + m_dx) * bytes, m_from.data());
        }
    }
    for (int32_t x = first; x <= last; ++x) {
        if (m_take[static_cast<size_t>(x - left)]) {
            moved.SetBit(x, y);
        }
    }
    return Rect{first, y, last + 1, y + 1};
}

Rect LiftPass::Dab(int32_t qx, int32_t qy, int32_t rq) {
    if (!m_layer || rq <= 0) {
        return Rect{};
    }
    const Rect box =
        Intersection(Rect{(qx - rq) >> 2, (qy - rq) >> 2, ((qx + rq) >> 2) + 1, ((qy + rq) >> 2) + 1},
                     Rect{0, 0, m_tool.moved->Width(), m_tool.moved->Height()});
    Rect changed{};
    for (int32_t y = box.top; y < box.bottom; ++y) {
        changed = Union(changed, MoveRow(y, box.left, box.right, qx, qy, rq));
    }
    if (changed.IsEmpty() || !m_lines) {
        return changed;
    }
    // The moved centre lines are drawn anew in both layers.
    Rect redrawn = Union(changed, LineRenderer(*m_layer).RedrawLines(changed));
    if (m_tool.erase) {
        const Rect there = LineRenderer(*m_tool.liftFrom).RedrawLines(Translated(changed, m_dx, m_dy));
        redrawn = Union(redrawn, Translated(there, -m_dx, -m_dy));
    }
    return redrawn;
}

} // namespace ts
