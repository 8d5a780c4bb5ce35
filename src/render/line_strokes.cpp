#include "render/line_strokes.h"

#include "raster/super_bit_buffer.h"

#include <algorithm>
#include <array>
#include <new>
#include <vector>

namespace ts {

namespace {

constexpr int32_t kEraseLines = 1;
constexpr int32_t kLineRepair = 2;
constexpr int32_t kPenAppearance = 13;
constexpr int32_t kPenWidth = 14;
constexpr int32_t kPenColor = 15;
constexpr int32_t kPenFreehand = 16;
constexpr int32_t kPenStyle = 17;
constexpr int32_t kLinePartOfLighting = 24;

bool IsPen(int32_t t) {
    return t >= kPenAppearance && t <= kPenStyle;
}

// The cell nearest to the mean of a pixel's occupied cells (the stamp's centre before the wobble).
void CentreOf(uint16_t mask, int32_t& cx, int32_t& cy) {
    int32_t sx = 0;
    int32_t sy = 0;
    int32_t n = 0;
    for (int32_t y = 0; y < 4; ++y) {
        for (int32_t x = 0; x < 4; ++x) {
            if ((mask >> SuperBitBuffer::SubPixelBit(x, y)) & 1u) {
                sx += x;
                sy += y;
                ++n;
            }
        }
    }
    cx = (2 * sx + n) / (2 * n);
    cy = (2 * sy + n) / (2 * n);
}

// The four line parts' bytes of the columns left .. right - 1 of one layer row (the occupancy two a
// pixel), written back when changed; only those columns of the stored rows are read and rewritten.
struct LineRows {
    std::array<RLBuffer*, 4> buffers{}; // occupancy, style, width, colour
    std::array<std::vector<uint8_t>, 4> rows;
    std::array<bool, 4> dirty{};
    size_t left = 0;
    size_t right = 0;

    static size_t Bytes(size_t which) { return which == 0 ? 2 : 1; }
    bool Bind(LayerObject& layer, const Rect& box) {
        buffers = {layer.frame->drawingBuffer.get(), layer.lineArt->lineAppearanceIndex.get(),
                   layer.lineArt->refreshWidth.get(), layer.lineArt->colorAppearanceIndex.get()};
        left = static_cast<size_t>(box.left);
        right = static_cast<size_t>(box.right);
        try {
            for (size_t i = 0; i < 4; ++i) {
                rows[i].resize(Bytes(i) * (right - left));
            }
        } catch (const std::bad_alloc&) {
            return false;
        }
        return true;
    }
    void Load(int32_t y) {
        for (size_t i = 0; i < 4; ++i) {
            buffers[i]->ReadSpan(y, Bytes(i) * left, Bytes(i) * right, rows[i].data(), 0);
            dirty[i] = false;
        }
    }
    void Store(int32_t y) {
        for (size_t i = 0; i < 4; ++i) {
            if (dirty[i]) {
                buffers[i]->PutSpan(y, Bytes(i) * left, Bytes(i) * right, rows[i].data());
            }
        }
    }
    // Bytes of the layer column x.
    uint8_t Byte(size_t which, size_t x) const { return rows[which][x - left]; }
    uint16_t Mask(size_t x) const {
        const size_t at = 2 * (x - left);
        return static_cast<uint16_t>(rows[0][at] | rows[0][at + 1] << 8);
    }
    void Set(size_t which, size_t x, uint8_t v) { SetAt(which, x - left, v); }
    void SetMask(size_t x, uint16_t m) {
        SetAt(0, 2 * (x - left), static_cast<uint8_t>(m));
        SetAt(0, 2 * (x - left) + 1, static_cast<uint8_t>(m >> 8));
    }

private:
    void SetAt(size_t which, size_t at, uint8_t v) {
        uint8_t& b = rows[which][at];
        dirty[which] = dirty[which] || b != v;
        b = v;
    }
};

// The pixels of a brush disc (plus a stamp's reach) around (qx, qy), clipped to the layer.
Rect Around(int32_t qx, int32_t qy, int32_t reach, int32_t width, int32_t height) {
    return Intersection(
        Rect{(qx - reach) >> 2, (qy - reach) >> 2, ((qx + reach) >> 2) + 1, ((qy + reach) >> 2) + 1},
        Rect{0, 0, width, height});
}

} // namespace

bool LineStroke::HasLinePart(int32_t t) {
    return t == kEraseLines || t == kLineRepair || IsPen(t) || (t >= 20 && t <= 22) ||
           t == kLinePartOfLighting;
}

bool LineStroke::LinesOnly(int32_t t) {
    return t == kEraseLines || t == kLineRepair || IsPen(t);
}

bool LineStroke::Begin(LayerObject& layer, int32_t strokeType, const LineStrokeTool& tool) {
    m_layer = nullptr;
    if (!HasLinePart(strokeType) || (strokeType == kLinePartOfLighting && !tool.source && !tool.clearLines) ||
        !EnsureLineArt(layer)) {
        return false;
    }
    const int32_t w = layer.frame->drawingBuffer->Width();
    const int32_t h = layer.frame->drawingBuffer->Height();
    if ((IsPen(strokeType) || strokeType == kLineRepair) && !m_done.Resize(w, h)) {
        return false;
    }
    m_type = strokeType;
    m_tool = tool;
    m_changed = Rect{};
    m_started = false;
    m_layer = &layer;
    return true;
}

Rect LineStroke::Dab(int32_t qx, int32_t qy, int32_t rq) {
    if (!m_layer) {
        return Rect{};
    }
    if (m_type == kLineRepair) {
        if (!m_started) {
            m_started = true;
            m_lastX = qx;
            m_lastY = qy;
            return Rect{};
        }
        LineRenderer renderer(*m_layer);
        renderer.SetSettings(m_tool.line);
        const Rect drawn = renderer.RasterizeSegment(m_lastX, m_lastY, qx, qy, &m_done);
        m_lastX = qx;
        m_lastY = qy;
        m_changed = Union(m_changed, drawn);
        return renderer.RedrawLines(drawn);
    }
    if (m_type == kLinePartOfLighting && m_tool.source) {
        return CopyAround(qx, qy, rq);
    }
    return ChangeAround(qx, qy, rq);
}

// Every line pixel whose stamp meets the brush disc: cleared (erasing) or given the pen's bytes.
Rect LineStroke::ChangeAround(int32_t qx, int32_t qy, int32_t rq) {
    LayerObject& layer = *m_layer;
    const int32_t w = layer.frame->drawingBuffer->Width();
    const int32_t h = layer.frame->drawingBuffer->Height();
    const Rect box = Around(qx, qy, rq + 4 * kLineReach, w, h);
    LineRows rows;
    if (box.IsEmpty() || !rows.Bind(layer, box)) {
        return Rect{};
    }
    const bool pen = IsPen(m_type);
    const LineSettings& s = m_tool.line;
    Rect changed{};
    for (int32_t y = box.top; y < box.bottom; ++y) {
        uint8_t one = 0;
        if (rows.buffers[0]->RowIsOneValue(y, one) && one == 0) {
            continue;
        }
        rows.Load(y);
        for (int32_t x = box.left; x < box.right; ++x) {
            const auto i = static_cast<size_t>(x);
            const uint16_t mask = rows.Mask(i);
            if (mask == 0 || (pen && m_done.TestBit(x, y))) {
                continue;
            }
            const uint8_t widthByte = rows.Byte(2, i);
            const int32_t lw = LineWidthOf(widthByte);
            int32_t cx = 0;
            int32_t cy = 0;
            CentreOf(mask, cx, cy);
            int32_t wx = 0;
            int32_t wy = 0;
            linestamps::Wobble(LineFreehandOf(widthByte), x, y, wx, wy);
            const int64_t dx = 4 * x + cx + wx - qx;
            const int64_t dy = 4 * y + cy + wy - qy;
            const int64_t reach = rq + (lw == 1 ? 3 : 2 * lw);
            if (dx * dx + dy * dy >= reach * reach) {
                continue; // the stamp of this pixel does not reach into the brush
            }
            if (!pen) {
                rows.SetMask(i, 0);
                rows.Set(1, i, 0);
                rows.Set(2, i, 0);
                rows.Set(3, i, 0);
            } else {
                m_done.SetBit(x, y);
                int32_t width = lw;
                int32_t freehand = LineFreehandOf(widthByte);
                if (m_type == kPenAppearance || (m_type == kPenWidth && m_tool.widthMode == 0)) {
                    width = s.width;
                } else if (m_type == kPenWidth) {
                    width += m_tool.widthMode == 1 ? 1 : -1;
                }
                if (m_type == kPenAppearance || m_type == kPenFreehand) {
                    freehand = s.freehand;
                }
                rows.Set(2, i, LineWidthByte(width, freehand));
                if (m_type == kPenAppearance || m_type == kPenStyle) {
                    rows.Set(1, i, static_cast<uint8_t>(std::clamp(s.style, 0, kLineStyleCount - 1)));
                }
                if (m_type == kPenAppearance || m_type == kPenColor) {
                    rows.Set(3, i, s.colorIndex);
                }
            }
            changed = Union(changed, Rect{x, y, x + 1, y + 1});
        }
        rows.Store(y);
    }
    if (changed.IsEmpty()) {
        return Rect{};
    }
    m_changed = Union(m_changed, changed);
    return LineRenderer(layer).RedrawLines(changed);
}

// Under the brush disc the layer's centre cells become the source's at the same drawing place: the
// source's line pixels whose centres the disc holds are copied (colours through the table's remap), and
// the layer's own ones there that the source does not have go, so that where the brush went the layer
// shows the source's lines. A source without lines clears them.
Rect LineStroke::CopyAround(int32_t qx, int32_t qy, int32_t rq) {
    LayerObject& layer = *m_layer;
    const LayerObject& source = *m_tool.source;
    const ObjectLineArt* from = IsLineLayer(source) ? source.lineArt.get() : nullptr;
    const RLBuffer* parts[] = {
        from ? source.frame->drawingBuffer.get() : nullptr, from ? from->lineAppearanceIndex.get() : nullptr,
        from ? from->refreshWidth.get() : nullptr, from ? from->colorAppearanceIndex.get() : nullptr};
    const int32_t sw = parts[0] ? parts[0]->Width() : 0;
    const int32_t sh = parts[0] ? parts[0]->Height() : 0;
    for (const RLBuffer* p : parts) {
        if (!p || p->Width() != sw || p->Height() != sh) {
            from = nullptr; // parts that do not agree are not read
        }
    }
    LineColorList colors;
    if (from && from->colorList) {
        colors.Copy(*from->colorList);
        layer.lineArt->colorList->Remap(colors);
    }
    const int32_t w = layer.frame->drawingBuffer->Width();
    const int32_t h = layer.frame->drawingBuffer->Height();
    const int32_t ox = layer.offsetX - source.offsetX; // source column = column + ox
    const int32_t oy = layer.offsetY - source.offsetY;
    const Rect box = Around(qx, qy, rq, w, h);
    LineRows rows;
    std::array<std::vector<uint8_t>, 4> in;
    try {
        for (size_t k = 0; from && k < 4; ++k) {
            in[k].resize(parts[k]->RawRowLength());
        }
    } catch (const std::bad_alloc&) {
        return Rect{};
    }
    if (box.IsEmpty() || !rows.Bind(layer, box)) {
        return Rect{};
    }
    Rect changed{};
    for (int32_t y = box.top; y < box.bottom; ++y) {
        const int32_t sy = y + oy;
        const bool sourceRow = from && sy >= 0 && sy < sh;
        uint8_t one = 0;
        if (!sourceRow && rows.buffers[0]->RowIsOneValue(y, one) && one == 0) {
            continue; // nothing to copy and nothing to clear
        }
        rows.Load(y);
        for (size_t k = 0; sourceRow && k < 4; ++k) {
            parts[k]->ReadRow(sy, in[k].data());
        }
        for (int32_t x = box.left; x < box.right; ++x) {
            const int64_t dx = 4 * x + 2 - qx;
            const int64_t dy = 4 * y + 2 - qy;
            if (dx * dx + dy * dy >= int64_t{rq} * rq) {
                continue;
            }
            const auto i = static_cast<size_t>(x);
            const int32_t sx = x + ox;
            const auto j = static_cast<size_t>(sx);
            const bool line = sourceRow && sx >= 0 && sx < sw && (in[0][2 * j] | in[0][2 * j + 1]) != 0;
            if (!line && rows.Mask(i) == 0) {
                continue;
            }
            const uint16_t mask = line ? static_cast<uint16_t>(in[0][2 * j] | in[0][2 * j + 1] << 8) : 0;
            const uint8_t style = line ? in[1][j] : 0;
            const uint8_t width = line ? in[2][j] : 0;
            const uint8_t color = !line ? 0 : from->colorList ? colors.RemapEntry(in[3][j]) : in[3][j];
            if (rows.Mask(i) == mask && rows.Byte(1, i) == style && rows.Byte(2, i) == width &&
                rows.Byte(3, i) == color) {
                continue;
            }
            rows.SetMask(i, mask);
            rows.Set(1, i, style);
            rows.Set(2, i, width);
            rows.Set(3, i, color);
            changed = Union(changed, Rect{x, y, x + 1, y + 1});
        }
        rows.Store(y);
    }
    return changed.IsEmpty() ? Rect{} : LineRenderer(layer).RedrawLines(changed);
}

Rect LineStroke::End() {
    if (!m_layer) {
        return Rect{};
    }
    LayerObject& layer = *m_layer;
    m_layer = nullptr;
    const int32_t style = m_tool.line.style;
    const bool styles = m_type == kPenAppearance || m_type == kPenStyle || m_type == kLineRepair;
    if (!styles || m_changed.IsEmpty() || style <= kLineSolid || style >= kLineStyleCount) {
        return Rect{};
    }
    // The dot or dash pattern over the pixels the stroke restyled, laid once they are all known.
    LineRenderer renderer(layer);
    DotDashGapMask dashes;
    if (!dashes.ApplyDashes(*layer.frame->drawingBuffer, layer.lineArt->refreshWidth.get(), style, 0, &m_done,
                            m_changed)) {
        return Rect{};
    }
    renderer.ApplyStyle(style, &m_done, &dashes, m_changed);
    return renderer.RedrawLines(m_changed);
}

} // namespace ts
