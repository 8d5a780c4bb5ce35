// The line mode's changes of lines already drawn: the whole layer at once ("All", "Inc", "Dec"), the
// pens and the eraser under the brush, and sampling a line's colour.

#include "modes/line_manager.h"

#include <algorithm>
#include <cstdlib>
#include <set>

namespace ts {

namespace {

// The occupancy and line byte buffers of a layer, all of its size; null buffers when not.
struct LineParts {
    RLBuffer* occupancy = nullptr;
    RLBuffer* style = nullptr;
    RLBuffer* width = nullptr;
    RLBuffer* color = nullptr;

    explicit LineParts(LayerObject& layer) {
        if (!IsLineLayer(layer) || !layer.lineArt) {
            return;
        }
        RLBuffer* o = layer.frame->drawingBuffer.get();
        ObjectLineArt& l = *layer.lineArt;
        RLBuffer* parts[] = {l.lineAppearanceIndex.get(), l.refreshWidth.get(), l.colorAppearanceIndex.get()};
        for (RLBuffer* p : parts) {
            if (!p || p->Width() != o->Width() || p->Height() != o->Height() || p->BytesPerPixel() != 1) {
                return;
            }
        }
        occupancy = o;
        style = parts[0];
        width = parts[1];
        color = parts[2];
    }
    bool Valid() const { return occupancy != nullptr; }
};

} // namespace

bool LineBytes::Keep(LayerObject& layer, const Rect& layerBox) {
    LineParts parts(layer);
    if (!parts.Valid()) {
        return false;
    }
    box = Intersection(layerBox, Rect{0, 0, parts.occupancy->Width(), parts.occupancy->Height()});
    const auto w = static_cast<size_t>(box.Width());
    const auto n = w * static_cast<size_t>(std::max(0, box.Height()));
    occupancy.assign(n, 0);
    style.assign(n, 0);
    width.assign(n, 0);
    color.assign(n, 0);
    std::vector<uint8_t> occ(2 * static_cast<size_t>(parts.occupancy->Width()));
    std::vector<uint8_t> row(static_cast<size_t>(parts.occupancy->Width()));
    for (int32_t y = box.top; y < box.bottom; ++y) {
        const size_t at = static_cast<size_t>(y - box.top) * w;
        parts.occupancy->ReadRow(y, occ.data());
        for (size_t i = 0; i < w; ++i) {
            const size_t x = static_cast<size_t>(box.left) + i;
            occupancy[at + i] = static_cast<uint16_t>(occ[2 * x] | occ[2 * x + 1] << 8);
        }
        for (auto [buffer, out] : {std::pair{parts.style, &style}, std::pair{parts.width, &width},
                                   std::pair{parts.color, &color}}) {
            buffer->ReadRow(y, row.data());
            std::copy_n(row.begin() + box.left, w, out->begin() + static_cast<std::ptrdiff_t>(at));
        }
    }
    return true;
}

bool LineBytes::Restore(LayerObject& layer) const {
    LineParts parts(layer);
    if (!parts.Valid() || box.IsEmpty() || parts.occupancy->Width() < box.right ||
        parts.occupancy->Height() < box.bottom) {
        return false;
    }
    const auto w = static_cast<size_t>(box.Width());
    std::vector<uint8_t> row(static_cast<size_t>(parts.occupancy->Width()));
    bool any = false;
    for (int32_t y = box.top; y < box.bottom; ++y) {
        const size_t at = static_cast<size_t>(y - box.top) * w;
        for (auto [buffer, kept] : {std::pair{parts.style, &style}, std::pair{parts.width, &width},
                                    std::pair{parts.color, &color}}) {
            buffer->ReadRow(y, row.data());
            bool changed = false;
            for (size_t i = 0; i < w; ++i) {
                uint8_t& b = row[static_cast<size_t>(box.left) + i];
                if (occupancy[at + i] != 0 && b != (*kept)[at + i]) {
                    b = (*kept)[at + i];
                    changed = true;
                }
            }
            if (changed) {
                buffer->PutRow(y, row.data());
                any = true;
            }
        }
    }
    return any;
}

template <class Change> bool LineManager::ForEveryLinePixel(LayerObject& layer, Change change) {
    LineParts parts(layer);
    if (!parts.Valid()) {
        return false;
    }
    const int32_t w = parts.occupancy->Width();
    std::vector<uint8_t> occ(2 * static_cast<size_t>(w));
    std::vector<uint8_t> rows[3];
    for (auto& r : rows) {
        r.resize(static_cast<size_t>(w));
    }
    RLBuffer* buffers[] = {parts.style, parts.width, parts.color};
    bool any = false;
    for (int32_t y = 0; y < parts.occupancy->Height(); ++y) {
        uint8_t one = 0;
        if (parts.occupancy->RowIsOneValue(y, one) && one == 0) {
            continue;
        }
        parts.occupancy->ReadRow(y, occ.data());
        for (int k = 0; k < 3; ++k) {
            buffers[k]->ReadRow(y, rows[k].data());
        }
        bool changed[3] = {false, false, false};
        bool clearOccupancy = false;
        for (size_t x = 0; x < static_cast<size_t>(w); ++x) {
            const auto mask = static_cast<uint16_t>(occ[2 * x] | occ[2 * x + 1] << 8);
            if (mask == 0) {
                continue;
            }
            uint8_t bytes[3] = {rows[0][x], rows[1][x], rows[2][x]};
            bool keepPixel = true;
            change(bytes[0], bytes[1], bytes[2], keepPixel);
            if (!keepPixel) {
                occ[2 * x] = occ[2 * x + 1] = 0;
                bytes[0] = bytes[1] = bytes[2] = 0;
                clearOccupancy = true;
            }
            for (int k = 0; k < 3; ++k) {
                if (bytes[k] != rows[k][x]) {
                    rows[k][x] = bytes[k];
                    changed[k] = true;
                }
            }
        }
        for (int k = 0; k < 3; ++k) {
            if (changed[k]) {
                buffers[k]->PutRow(y, rows[k].data());
                any = true;
            }
        }
        if (clearOccupancy) {
            parts.occupancy->PutRow(y, occ.data());
            any = true;
        }
    }
    return any;
}

void LineManager::BeginLayerChange(LayerObject& /*layer*/) {
    m_stroke.End();
    FinishLine();
    m_c.undo.SnapshotCurrentLayer(false);
    m_stroke.Forget();
}

void LineManager::EndLayerChange(LayerObject& layer, const char* reason) {
    LineRenderer renderer(layer);
    const Rect all = renderer.LayerRectangle();
    renderer.RedrawLines(all, &m_c.ui.Progress());
    QueueLineRefresh(m_c.refresh, layer, all, reason);
}

bool LineManager::EraseAllLines() {
    LayerObject* layer = LineLayer();
    if (!layer) {
        return false;
    }
    BeginLayerChange(*layer);
    ForEveryLinePixel(*layer, [](uint8_t&, uint8_t&, uint8_t&, bool& keep) { keep = false; });
    EndLayerChange(*layer, kRedrawLinesGlobally);
    return true;
}

bool LineManager::ApplyAppearanceToAll() {
    LayerObject* layer = LineLayer();
    if (!layer) {
        return false;
    }
    BeginLayerChange(*layer);
    ReadPanel();
    const uint8_t widthByte = LineWidthByte(m_settings.width, m_settings.freehand);
    const uint8_t colorIndex = m_settings.colorIndex;
    ForEveryLinePixel(*layer, [&](uint8_t&, uint8_t& width, uint8_t& color, bool&) {
        width = widthByte;
        color = colorIndex;
    });
    // The style with its dash pattern for the new widths, then the whole redraw and its refresh.
    LineRenderer(*layer).RestyleLayer(m_settings.style, m_dashes, &m_c.refresh, &m_c.ui.Progress());
    return true;
}

int32_t LineManager::ColorsInUse(LayerObject& layer) {
    std::set<int32_t> colors;
    const LineColorList* table = layer.lineArt ? layer.lineArt->colorList.get() : nullptr;
    ForEveryLinePixel(layer, [&](uint8_t&, uint8_t&, uint8_t& color, bool&) {
        const LineColor* c = table ? table->Slot(color) : nullptr;
        colors.insert(c ? c->color : 0);
    });
    return static_cast<int32_t>(colors.size());
}

bool LineManager::ApplyColorToAll() {
    LayerObject* layer = LineLayer();
    if (!layer) {
        return false;
    }
    m_stroke.End();
    FinishLine();
    m_c.undo.SnapshotCurrentLayer(false);
    m_stroke.Forget();
    if (ColorsInUse(*layer) >= 2 && m_c.ui.MessageBox(kMultipleColors, "", MessageIcon::Information,
                                                      MessageButtons::YesNo) != Answer::Yes) {
        return false;
    }
    // The table holds the one colour; every line pixel points at it.
    m_color = m_c.palettes.GetCurrentColor() & 0x00FFFFFF;
    LineColor color;
    color.color = static_cast<int32_t>(m_color);
    layer->lineArt->colorList->Clear();
    const int index = std::max(0, layer->lineArt->colorList->FindOrAdd(color));
    ForEveryLinePixel(*layer,
                      [&](uint8_t&, uint8_t&, uint8_t& c, bool&) { c = static_cast<uint8_t>(index); });
    EndLayerChange(*layer, kRedrawLinesGlobally);
    return true;
}

bool LineManager::ApplyWidthToAll(int32_t mode) {
    LayerObject* layer = LineLayer();
    if (!layer) {
        return false;
    }
    BeginLayerChange(*layer);
    ReadPanel();
    const int32_t set = m_settings.width;
    ForEveryLinePixel(*layer, [&](uint8_t&, uint8_t& width, uint8_t&, bool&) {
        const int32_t now = LineWidthOf(width);
        const int32_t next = mode == 1 ? now + 1 : mode == 2 ? now - 1 : set;
        width = LineWidthByte(next, LineFreehandOf(width));
    });
    EndLayerChange(*layer, kLinePaintWidthManager);
    return true;
}

bool LineManager::ApplyFreehandToAll(int32_t step, bool relative) {
    LayerObject* layer = LineLayer();
    if (!layer) {
        return false;
    }
    BeginLayerChange(*layer);
    ForEveryLinePixel(*layer, [&](uint8_t&, uint8_t& width, uint8_t&, bool&) {
        const int32_t next = relative ? LineFreehandOf(width) + step : step;
        width = LineWidthByte(LineWidthOf(width), next);
    });
    EndLayerChange(*layer, kLinePaintWidthManager);
    return true;
}

bool LineManager::ApplyStyleToAll() {
    LayerObject* layer = LineLayer();
    if (!layer) {
        return false;
    }
    BeginLayerChange(*layer);
    ReadPanel();
    LineRenderer(*layer).RestyleLayer(m_settings.style, m_dashes, &m_c.refresh, &m_c.ui.Progress());
    return true;
}

bool LineManager::StartPenStroke(int32_t x, int32_t y) {
    if (!LineLayer()) {
        return false;
    }
    FinishLine();
    ReadPanel();
    static constexpr int32_t kTypes[] = {kStrokePenAppearance, kStrokePenWidth, kStrokePenColor,
                                         kStrokePenFreehand,   kStrokePenStyle, kStrokeLineRepair};
    StrokeTool tool;
    tool.lines.line = m_settings;
    tool.lines.widthMode = m_widthMode;
    return m_stroke.Begin(kTypes[m_penVariant], tool, x, y, kRedrawLinesUnderBrush);
}

bool LineManager::OnPaintPress(uint32_t /*flags*/, int32_t x, int32_t y) {
    return StartPenStroke(x, y);
}

bool LineManager::OnPaintDrag(uint32_t /*flags*/, int32_t x, int32_t y) {
    m_stroke.Drag(x, y);
    return true;
}

bool LineManager::OnPaintRelease(uint32_t /*flags*/, int32_t /*x*/, int32_t /*y*/) {
    m_stroke.End();
    return true;
}

bool LineManager::OnErasePress(uint32_t /*flags*/, int32_t x, int32_t y) {
    if (!LineLayer()) {
        return false;
    }
    FinishLine();
    StrokeTool tool;
    return m_stroke.Begin(kStrokeEraseLines, tool, x, y, kRedrawLinesUnderBrush);
}

bool LineManager::OnEraseDrag(uint32_t /*flags*/, int32_t x, int32_t y) {
    m_stroke.Drag(x, y);
    return true;
}

bool LineManager::OnEraseRelease(uint32_t /*flags*/, int32_t /*x*/, int32_t /*y*/) {
    m_stroke.End();
    return true;
}

bool LineManager::OnSamplePress(uint32_t /*flags*/, int32_t x, int32_t y) {
    SampleAt(x, y);
    return false; // a sample is one click, not a stroke
}

// The colour of the line pixel nearest the press within the brush (a visible colour entry) becomes the
// palette's colour.
bool LineManager::SampleAt(int32_t x, int32_t y) {
    LayerObject* layer = LineLayer();
    if (!layer || !layer->lineArt->HasLines()) {
        m_c.ui.ShowMessage(kNoLines);
        return false;
    }
    const ObjectLineArt& lines = *layer->lineArt;
    const IntPoint at = m_c.geometry.ToDrawing(x, y);
    const int32_t cx = at.x - layer->offsetX;
    const int32_t cy = at.y - layer->offsetY;
    const int32_t r = std::max(3, m_c.geometry.DrawingDistance(m_stroke.ToolBrushSize()) / 2);
    const int32_t w = lines.lineBuffer->Width();
    const int32_t h = lines.lineBuffer->Height();
    std::vector<uint8_t> coverage(2 * static_cast<size_t>(w));
    std::vector<uint8_t> colors(static_cast<size_t>(w));
    int64_t best = -1;
    uint32_t found = 0;
    for (int32_t yy = std::max(0, cy - r); yy <= std::min(h - 1, cy + r); ++yy) {
        lines.lineBuffer->ReadRow(yy, coverage.data());
        lines.refreshAppearance->ReadRow(yy, colors.data());
        for (int32_t xx = std::max(0, cx - r); xx <= std::min(w - 1, cx + r); ++xx) {
            const auto i = static_cast<size_t>(xx);
            const int64_t d = int64_t{xx - cx} * (xx - cx) + int64_t{yy - cy} * (yy - cy);
            const LineColor* c = lines.colorList ? lines.colorList->Slot(colors[i]) : nullptr;
            if ((coverage[2 * i] | coverage[2 * i + 1]) == 0 || d > int64_t{r} * r || !c || c->opacity == 0 ||
                (best >= 0 && d >= best)) {
                continue;
            }
            best = d;
            found = static_cast<uint32_t>(c->color) & 0x00FFFFFF;
        }
    }
    if (best < 0) {
        return false;
    }
    m_c.palettes.SelectColor(found);
    m_color = found;
    return true;
}

} // namespace ts
