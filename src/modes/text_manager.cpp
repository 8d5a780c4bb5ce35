#include "modes/text_manager.h"

#include "model/part_buffers.h"
#include "raster/fast_bitonal_mask.h"
#include "raster/super_bit_buffer.h"
#include "render/outline_fill.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace ts {

TextManager::TextManager(ImageStackManager& stack, UndoStore& undo, RefreshRequests& refresh,
                         UserInterface& ui)
    : m_stack(stack), m_undo(undo), m_refresh(refresh), m_ui(ui) {}

const std::vector<std::string>& TextManager::FontFamilies() {
    m_families = m_fonts ? m_fonts->Families() : std::vector<std::string>{};
    return m_families;
}

bool TextManager::RenderText(IntPoint position, int32_t resolution, double size, double spacing, bool update,
                             uint32_t color) {
    if (!update) {
        FinishText();
        m_position = position;
        m_started = true;
    }
    m_resolution = resolution > 0 ? resolution : kResolution;
    m_size = std::isfinite(size) ? std::clamp(size, kMinSize, kMaxSize) : kMinSize;
    m_spacing = std::isfinite(spacing) ? std::max(0.0, spacing) : 0.0;
    SetColor(color);
    return Render();
}

bool TextManager::AddCharacter(char32_t character) {
    if (!m_started) {
        return false;
    }
    m_text.push_back(character);
    return Render();
}

bool TextManager::RemoveLastCharacter() {
    if (!m_started || m_text.empty()) {
        return false;
    }
    m_text.pop_back();
    return Render();
}

void TextManager::FinishText() {
    m_text.clear();
    m_layerId = 0;
    m_started = false;
}

bool TextManager::Render() {
    const double em = m_resolution * m_size * kEmPerPoint;
    FontMetrics metrics;
    if (!m_fonts || !m_fonts->OpenRegular(m_family, em, metrics) || !(metrics.Height() >= kMinFontHeight) ||
        !(metrics.Height() <= kMaxFontHeight)) {
        m_ui.ShowMessage(kNoRegularStyle);
        return false;
    }
    m_lineHeight = kLineHeightFactor * metrics.Height();
    if (m_text.empty()) {
        RemoveEmptyLayer();
        return true;
    }
    // The characters side by side on the baseline, the ascent below the layer's top.
    std::vector<FillContour> contours;
    double pen = 0.0;
    double right = 0.0;
    const double maxRight = 4.0 * kMaxLayerWidth;
    try {
        for (const char32_t c : m_text) {
            GlyphOutline glyph;
            if (!m_fonts->Glyph(c, glyph)) {
                continue;
            }
            for (const GlyphContour& g : glyph.contours) {
                FillContour& f = contours.emplace_back();
                f.reserve(g.size());
                for (const GlyphPoint& p : g) {
                    f.push_back(FillPoint{pen + p.x, metrics.ascent + p.y});
                    right = std::max(right, pen + p.x);
                }
            }
            pen += std::max(0.0, glyph.advance) + m_spacing * em;
            right = std::max(right, pen - m_spacing * em);
            if (pen > maxRight) {
                break; // the rest would lie beyond the widest layer
            }
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    const int32_t width =
        std::clamp(static_cast<int32_t>(std::ceil(std::min(right, maxRight) / 4.0)) + 1, 1, kMaxLayerWidth);
    const int32_t height = static_cast<int32_t>(m_lineHeight / 4.0) + 1;
    std::vector<uint16_t> masks;
    if (!FillOutlines(contours, width, height, masks)) {
        return false;
    }
    Rect before;
    LayerObject* layer = PrepareLayer(width, height, before);
    if (!layer) {
        return false;
    }
    WriteLines(*layer, masks);
    m_refresh.MarkStackFootprint();
    m_refresh.MarkViewContents(Union(before, layer->bounds));
    m_refresh.Refresh(kRedrawLinesGlobally);
    return true;
}

LayerObject* TextManager::PrepareLayer(int32_t width, int32_t height, Rect& before) {
    auto buffer = parts::NewBuffer<SuperBitBuffer>(width, height, 2, 0);
    if (!buffer) {
        return nullptr;
    }
    const int32_t index = m_layerId ? m_stack.IndexOfId(m_layerId) : -1;
    if (index < 0) {
        // The text's first character: a layer of its own, whose making is the text's undo record.
        if (!m_stack.CreateDrawingLayer(std::move(buffer), kLayerName)) {
            return nullptr;
        }
        LayerObject* layer = m_stack.CurrentLayer();
        layer->offsetX = m_position.x;
        layer->offsetY = m_position.y;
        layer->bounds = Rect{m_position.x, m_position.y, m_position.x + width, m_position.y + height};
        if (!EnsureLineArt(*layer)) {
            m_stack.RemoveLayer(m_stack.Current());
            m_stack.SetCurrent(m_stack.MainLayer());
            return nullptr;
        }
        m_layerId = layer->id;
        m_undo.SnapshotAddedLayer();
        before = layer->bounds;
        return layer;
    }
    // Typing on: the layer is made anew at the text's present size, all parts at once, so that a failure
    // leaves it as it was.
    LayerObject* layer = m_stack.Layer(index);
    const LayerObject* paper = m_stack.Layer(ImageStackManager::kPaperIndex);
    const uint32_t paperColor = paper && paper->image ? paper->image->AverageColor() : 0x00FFFFFF;
    std::unique_ptr<Wireframe> frame;
    std::unique_ptr<ObjectColor> color;
    std::unique_ptr<ObjectLineArt> lines;
    try {
        frame = std::make_unique<Wireframe>(std::move(buffer));
        color = std::make_unique<ObjectColor>();
        lines = std::make_unique<ObjectLineArt>();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    if (!color->Create(width, height, paperColor, 255) || !lines->Create(width, height)) {
        return nullptr;
    }
    before = layer->bounds;
    layer->frame = std::move(frame);
    layer->color = std::move(color);
    layer->lineArt = std::move(lines);
    layer->shadow.reset();
    layer->offsetX = m_position.x;
    layer->offsetY = m_position.y;
    layer->bounds = Rect{m_position.x, m_position.y, m_position.x + width, m_position.y + height};
    if (m_stack.Current() != index) {
        m_stack.SetCurrent(index);
        m_stack.NotifyIndicator();
    }
    return layer;
}

void TextManager::RemoveEmptyLayer() {
    const int32_t index = m_layerId ? m_stack.IndexOfId(m_layerId) : -1;
    if (index < 0) {
        m_layerId = 0;
        return;
    }
    const UndoRedo* newest = m_undo.NewestUndo();
    if (!newest || newest->kind != UndoRedo::kLayerAdded || newest->layerId != m_layerId) {
        return; // other changes came after its making: the empty layer stays for them to undo
    }
    m_undo.DropNewestAdded(m_layerId);
    const Rect bounds = m_stack.Layer(index)->bounds;
    m_stack.RemoveLayer(index);
    m_stack.SetCurrent(m_stack.MainLayer());
    m_stack.NotifyIndicator();
    m_layerId = 0;
    m_refresh.MarkStackFootprint();
    m_refresh.MarkViewContents(bounds);
    m_refresh.Refresh(kRedrawLinesGlobally);
}

Rect TextManager::WriteLines(LayerObject& layer, const std::vector<uint16_t>& masks) {
    LineSettings settings = m_lineSettings ? m_lineSettings() : LineSettings{};
    ObjectLineArt& lines = *layer.lineArt;
    LineColor lineColor;
    lineColor.color = static_cast<int32_t>(m_color);
    lineColor.opacity = 255;
    const int found = lines.colorList ? lines.colorList->FindOrAdd(lineColor) : 0;
    settings.colorIndex = static_cast<uint8_t>(found < 0 ? 0 : found);
    const bool solid = settings.style <= kLineSolid || settings.style >= kLineStyleCount;
    const auto styleByte = static_cast<uint8_t>(solid ? kLineSolid : settings.style);
    const uint8_t widthByte = LineWidthByte(settings.width, settings.freehand);

    RLBuffer& occupancy = *layer.frame->drawingBuffer;
    const int32_t width = occupancy.Width();
    const int32_t height = occupancy.Height();
    std::vector<uint8_t> occ, style, widths, colors;
    FastBitonalMask newLines;
    try {
        occ.resize(occupancy.RawRowLength());
        style.resize(lines.lineAppearanceIndex->RawRowLength());
        widths.resize(lines.refreshWidth->RawRowLength());
        colors.resize(lines.colorAppearanceIndex->RawRowLength());
    } catch (const std::bad_alloc&) {
        return Rect{};
    }
    const bool dashed = !solid && newLines.Resize(width, height);
    for (int32_t y = 0; y < height; ++y) {
        const uint16_t* row = masks.data() + static_cast<size_t>(y) * static_cast<size_t>(width);
        if (std::all_of(row, row + width, [](uint16_t m) { return m == 0; })) {
            continue;
        }
        std::fill(occ.begin(), occ.end(), uint8_t{0});
        std::fill(style.begin(), style.end(), uint8_t{0});
        std::fill(widths.begin(), widths.end(), uint8_t{0});
        std::fill(colors.begin(), colors.end(), uint8_t{0});
        for (int32_t x = 0; x < width; ++x) {
            if (row[x] == 0) {
                continue;
            }
            const auto at = static_cast<size_t>(x);
            occ[2 * at] = static_cast<uint8_t>(row[x]);
            occ[2 * at + 1] = static_cast<uint8_t>(row[x] >> 8);
            style[at] = styleByte;
            widths[at] = widthByte;
            colors[at] = settings.colorIndex;
            if (dashed) {
                newLines.SetBit(x, y);
            }
        }
        occupancy.PutRow(y, occ.data());
        lines.lineAppearanceIndex->PutRow(y, style.data());
        lines.refreshWidth->PutRow(y, widths.data());
        lines.colorAppearanceIndex->PutRow(y, colors.data());
    }
    if (lines.appearanceList) {
        lines.appearanceList->FindOrAdd(
            MakeLineAppearance(settings.width, settings.style, settings.freehand));
    }
    LineRenderer renderer(layer);
    renderer.SetSettings(settings);
    const Rect all = renderer.LayerRectangle();
    // Dotted and dashed styles lay their pattern over the letters' pixels as over a line's.
    if (dashed && m_dashes.ApplyDashes(occupancy, lines.refreshWidth.get(), settings.style, settings.width,
                                       &newLines, all)) {
        renderer.ApplyStyle(settings.style, &newLines, &m_dashes, all);
    }
    return renderer.RedrawLines(all);
}

} // namespace ts
