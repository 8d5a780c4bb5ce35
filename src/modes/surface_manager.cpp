#include "modes/surface_manager.h"

#include "interact/virtual_keys.h"
#include "raster/color_spaces.h"

#include <algorithm>
#include <vector>

namespace ts {

namespace {

constexpr Rect kColorRect{10, 37, 127, 57};
constexpr Rect kPaintColorRect{142, 37, 207, 57};
constexpr Rect kFillRect{222, 37, 287, 57};
constexpr Rect kEraseRect{302, 37, 342, 57};
constexpr Rect kSampleRect{357, 37, 397, 57};
constexpr Rect kBlendRect{412, 37, 452, 57};
constexpr Rect kOpaqueRect{467, 37, 527, 57};
constexpr Rect kAllRect{542, 37, 582, 57};
constexpr Rect kEraseLightingRect{597, 37, 687, 57};

constexpr int32_t kAppearanceChannel = 0;
constexpr int32_t kAmountChannel = 4;

} // namespace

SurfaceManager::SurfaceManager(PaintingContext& context, ViewSwitches& switches)
    : EnvTool(kSurfaceId), m_c(context), m_switches(switches), m_stroke(context) {}

void SurfaceManager::SetTools(ScreenTool* paint, ScreenTool* eraser, ScreenTool* sample) {
    m_paintTool = paint;
    m_eraserTool = eraser;
    m_sampleTool = sample;
}

void SurfaceManager::SetChannelTools(ScreenTool* hue, ScreenTool* saturation, ScreenTool* value) {
    m_hueTool = hue;
    m_saturationTool = saturation;
    m_valueTool = value;
}

void SurfaceManager::CreatePanel() {
    ControlPanel& panel = MutablePanel();
    panel.Add<CHuecraftButton>(PanelParent(), kColorRect, "Color", kColorButton, this);
    panel.Add<CHuecraftButton>(PanelParent(), kPaintColorRect, "Paint Color", kPaintColor, this);
    panel.Add<CHuecraftButton>(PanelParent(), kFillRect, "Fill", kFill, this);
    panel.Add<CHuecraftButton>(PanelParent(), kEraseRect, "Erase", kErase, this);
    panel.Add<CHuecraftButton>(PanelParent(), kSampleRect, "Sample", kSample, this);
    panel.Add<CHuecraftButton>(PanelParent(), kBlendRect, "Blend", kBlend, this);
    panel.Add<CHuecraftButton>(PanelParent(), kOpaqueRect, "Opaque", kOpaque, this);
    panel.Add<CHuecraftButton>(PanelParent(), kAllRect, "All", kAll, this);
    panel.Add<CheckBox>(PanelParent(), kEraseLightingRect, "Erase Lighting", kEraseLighting, this);
}

bool SurfaceManager::Activate() {
    const LayerObject* layer = CurrentDrawingLayer(m_c.stack);
    if (layer && layer->name == kGradientLightName) {
        m_c.ui.ShowMessage(kGradientLightWarning);
    }
    m_c.refresh.MarkViewportSize();
    // Paint must be seen while it is laid down: the colour areas are shown while the mode is current
    // and the View menu's choice comes back when it is left.
    m_savedShowColor = m_switches.showColor;
    if (!m_switches.showColor) {
        m_switches.showColor = true;
        m_c.stack.SetSurfaceVisible(true);
        m_c.refresh.MarkStackFootprint();
    }
    if (!m_activatedOnce) {
        m_activatedOnce = true;
        m_c.refresh.MarkStackFootprint();
    }
    m_c.refresh.Refresh("R_SurfaceManager");
    ShowPanel();
    const int32_t buttons[] = {kPaintColor, kFill, kSample, kErase, kBlend, kOpaque};
    PressExclusive(Panel(), {kPaintColor, kFill, kErase, kSample, kBlend, kOpaque, kAll},
                   buttons[static_cast<int32_t>(m_mode)]);
    // The palette is where the painting colour comes from.
    m_color = m_c.palettes.GetCurrentColor() & 0x00FFFFFF;
    return true;
}

bool SurfaceManager::Deactivate(int32_t /*how*/) {
    if (m_switches.showColor != m_savedShowColor) {
        m_switches.showColor = m_savedShowColor;
        m_c.stack.SetSurfaceVisible(m_savedShowColor);
        m_c.refresh.MarkStackFootprint();
        m_c.refresh.Refresh("R_SetSurfaceVisibility");
    }
    m_stroke.End();
    HidePanel();
    return true;
}

void SurfaceManager::SelectMode(Mode mode, int32_t button, ScreenTool* tool) {
    m_mode = mode;
    PressExclusive(Panel(), {kPaintColor, kFill, kErase, kSample, kBlend, kOpaque, kAll}, button);
    if (tool && m_c.tools.CurrentTool() != tool) {
        m_c.tools.SetTool(*tool);
    }
}

bool SurfaceManager::OnPanelCommand(int32_t id) {
    switch (id) {
    case kColorButton: {
        uint32_t color = m_c.palettes.GetCurrentColor();
        if (m_c.ui.ChooseColor(color)) {
            m_c.palettes.SelectColor(color & 0x00FFFFFF);
        }
        return true;
    }
    case kPaintColor:
        m_appearance = 0;
        SelectMode(kPaintMode, id, m_paintTool);
        return true;
    case kFill:
        m_appearance = 0;
        SelectMode(kFillMode, id, m_paintTool);
        return true;
    case kErase:
        SelectMode(kEraseMode, id, m_eraserTool);
        return true;
    case kSample:
        SelectMode(kSampleMode, id, m_sampleTool);
        return true;
    case kBlend:
        SelectMode(kBlendMode, id, m_paintTool);
        return true;
    case kOpaque:
        m_appearance = 1;
        SelectMode(kOpaqueMode, id, m_paintTool);
        return true;
    case kAll: {
        switch (m_mode) {
        case kPaintMode:
            GlobalPaint(0);
            break;
        case kOpaqueMode:
            GlobalPaint(1);
            break;
        case kEraseMode:
            GlobalImageErase();
            break;
        default:
            m_c.ui.ShowMessage(kAllMessage);
            break;
        }
        // "All" acts once and pops back up; the mode's own button stays down.
        const int32_t buttons[] = {kPaintColor, kFill, kSample, kErase, kBlend, kOpaque};
        PressExclusive(Panel(), {kPaintColor, kFill, kErase, kSample, kBlend, kOpaque, kAll},
                       buttons[static_cast<int32_t>(m_mode)]);
        return true;
    }
    case kEraseLighting:
        return true; // read when a stroke starts
    default:
        return false;
    }
}

// The current drawing layer when it has all five colour channels, of one size.
LayerObject* SurfaceManager::ColorLayer() {
    LayerObject* layer = CurrentDrawingLayer(m_c.stack);
    if (!layer || !layer->color) {
        return nullptr;
    }
    const ObjectColor& color = *layer->color;
    for (int32_t c = 0; c < ObjectColor::kChannels; ++c) {
        const RLBuffer* channel = color.Channel(c);
        if (!channel || !channel->IsCreated() || channel->BytesPerPixel() != 1 ||
            channel->Width() != color.Width() || channel->Height() != color.Height()) {
            return nullptr;
        }
    }
    return layer;
}

bool SurfaceManager::OnPaintPress(uint32_t /*flags*/, int32_t x, int32_t y) {
    if (m_mode == kFillMode) {
        FillAt(x, y);
        return true;
    }
    const ScreenTool* tool = m_c.tools.CurrentTool();
    if (!tool) {
        return false;
    }
    if (tool->IsSurfacePaint()) {
        return StartStroke(x, y);
    }
    // The channel brushes move one of the pixel's hue, saturation or brightness to the palette
    // colour's (on the 0..240 scale).
    int32_t type = 0;
    const Hsb hsb = RgbToHsb(m_c.palettes.GetCurrentColor());
    int32_t value = 0;
    if (tool == m_hueTool) {
        type = kStrokeHue;
        value = hsb.h;
    } else if (tool == m_saturationTool) {
        type = kStrokeSaturation;
        value = hsb.s;
    } else if (tool == m_valueTool) {
        type = kStrokeValue;
        value = hsb.b;
    } else {
        return false;
    }
    if (!ColorLayer()) {
        return false;
    }
    StrokeTool brush;
    brush.channelMode = 0;
    brush.channelValue = value;
    return m_stroke.Begin(type, brush, x, y, kBrushRefreshReason);
}

bool SurfaceManager::StartStroke(int32_t x, int32_t y) {
    if (!ColorLayer()) {
        return false;
    }
    StrokeTool brush;
    if (m_mode == kBlendMode) {
        return m_stroke.Begin(kStrokeBlend, brush, x, y, "R_BlendSurface");
    }
    m_color = m_c.palettes.GetCurrentColor() & 0x00FFFFFF;
    m_strength = 255;
    brush.color = m_color;
    brush.strength = m_strength;
    brush.appearance = m_appearance;
    const auto* eraseLighting = dynamic_cast<const CheckBox*>(Panel().Find(kEraseLighting));
    brush.resetLighting = eraseLighting && eraseLighting->GetCheck();
    return m_stroke.Begin(kStrokeColor, brush, x, y, kBrushRefreshReason);
}

bool SurfaceManager::OnPaintDrag(uint32_t /*flags*/, int32_t x, int32_t y) {
    m_stroke.Drag(x, y);
    return true;
}

bool SurfaceManager::OnPaintRelease(uint32_t /*flags*/, int32_t /*x*/, int32_t /*y*/) {
    m_stroke.End();
    return true;
}

bool SurfaceManager::OnErasePress(uint32_t /*flags*/, int32_t x, int32_t y) {
    if (!ColorLayer()) {
        return false;
    }
    StrokeTool brush;
    brush.strength = 0;
    brush.appearance = 1;
    // The board show-through eraser lays opaque paper; the mode's own "Erase" takes colour off.
    const ScreenTool* tool = m_c.tools.CurrentTool();
    const int32_t type = tool && tool->IsBoardEraser() ? kStrokeSurfaceEraser : kStrokeEraseColor;
    return m_stroke.Begin(type, brush, x, y, kBrushRefreshReason);
}

bool SurfaceManager::OnEraseDrag(uint32_t /*flags*/, int32_t x, int32_t y) {
    m_stroke.Drag(x, y);
    return true;
}

bool SurfaceManager::OnEraseRelease(uint32_t /*flags*/, int32_t /*x*/, int32_t /*y*/) {
    m_stroke.End();
    return true;
}

bool SurfaceManager::OnSamplePress(uint32_t /*flags*/, int32_t x, int32_t y) {
    SampleAt(x, y);
    return false; // a sample is one click, not a stroke
}

bool SurfaceManager::OnKeyDown(uint32_t key, uint32_t /*repeat*/, uint32_t /*flags*/) {
    if (key == keys::kPageUp) {
        m_stroke.End();
        m_c.layers.SelectUp();
        return true;
    }
    if (key == keys::kPageDown) {
        m_stroke.End();
        m_c.layers.SelectDown();
        return true;
    }
    return false;
}

void SurfaceManager::OnPaletteColorChanged() {
    m_color = m_c.palettes.GetCurrentColor() & 0x00FFFFFF;
}

// Undo stays in the mode when it takes back a change of a layer (a stroke); otherwise the select
// mode is entered first.
bool SurfaceManager::LeaveBeforeUndo() {
    m_stroke.End();
    const UndoRedo* r = m_c.undo.NewestUndo();
    return !(r && r->kind == UndoRedo::kLayerChanged);
}

bool SurfaceManager::LeaveBeforeRedo() {
    m_stroke.End();
    const UndoRedo* r = m_c.undo.NewestRedo();
    return !(r && r->kind == UndoRedo::kLayerChanged);
}

void SurfaceManager::ShowLayer(const LayerObject& layer, const Rect& layerRect, const char* reason) {
    m_c.refresh.MarkViewContents(Translated(layerRect, layer.offsetX, layer.offsetY));
    m_c.refresh.Refresh(reason);
}

bool SurfaceManager::ForEveryPixel(LayerObject& layer, const char* reason, bool paintColor,
                                   uint8_t appearance, uint8_t amount) {
    ObjectColor& color = *layer.color;
    const int32_t w = color.Width();
    const int32_t h = color.Height();
    const uint8_t bgr[3] = {static_cast<uint8_t>(m_color >> 16), static_cast<uint8_t>(m_color >> 8),
                            static_cast<uint8_t>(m_color)};
    for (int32_t c = 0; c < ObjectColor::kChannels; ++c) {
        RLBuffer* channel = color.Channel(c);
        const bool colourByte = c >= 1 && c <= 3;
        if (!channel || (colourByte && !paintColor)) {
            continue;
        }
        channel->Fill(c == kAppearanceChannel ? appearance : c == kAmountChannel ? amount : bgr[c - 1]);
    }
    ShowLayer(layer, Rect{0, 0, w, h}, reason);
    return true;
}

bool SurfaceManager::GlobalPaint(uint8_t appearance) {
    m_stroke.End();
    LayerObject* layer = ColorLayer();
    if (!layer) {
        return false;
    }
    m_color = m_c.palettes.GetCurrentColor() & 0x00FFFFFF;
    m_c.undo.SnapshotCurrentLayer(false);
    return ForEveryPixel(*layer, "Global Paint", appearance == 0, appearance, 255);
}

bool SurfaceManager::GlobalImageErase() {
    m_stroke.End();
    LayerObject* layer = ColorLayer();
    if (!layer) {
        return false;
    }
    m_c.undo.SnapshotCurrentLayer(false);
    return ForEveryPixel(*layer, "Global Image Erase", false, 1, 0);
}

bool SurfaceManager::FillAt(int32_t x, int32_t y) {
    m_stroke.End();
    LayerObject* layer = ColorLayer();
    if (!layer) {
        return false;
    }
    ObjectColor& color = *layer->color;
    const IntPoint at = m_c.geometry.ToDrawing(x, y);
    const int32_t lx = at.x - layer->offsetX;
    const int32_t ly = at.y - layer->offsetY;
    const int32_t w = color.Width();
    const int32_t h = color.Height();
    if (lx < 0 || ly < 0 || lx >= w || ly >= h) {
        return false; // a click beside the layer fills nothing
    }
    WaitCursor wait(m_c.ui);
    m_color = m_c.palettes.GetCurrentColor() & 0x00FFFFFF;
    if (!m_fill.SetWalls(*layer, w, h) || !m_fill.Fill(lx, ly)) {
        return false;
    }
    m_c.undo.SnapshotCurrentLayer(false);
    const Rect r = m_fill.FilledRect();
    const uint8_t bgr[3] = {static_cast<uint8_t>(m_color >> 16), static_cast<uint8_t>(m_color >> 8),
                            static_cast<uint8_t>(m_color)};
    const FastBitonalMask& filled = m_fill.Filled();
    std::vector<uint8_t> row(static_cast<size_t>(w));
    for (int32_t c = 0; c < ObjectColor::kChannels; ++c) {
        RLBuffer* channel = color.Channel(c);
        if (!channel || channel->Width() != w || channel->Height() != h) {
            continue;
        }
        // Filled pixels take the colour at full amount; they are painted with the fill's appearance,
        // as a stroke would paint them (an erased pixel must not come back as opaque paper).
        const uint8_t value = c == kAppearanceChannel ? m_appearance
                              : c == kAmountChannel   ? uint8_t{255}
                                                      : bgr[c - 1];
        for (int32_t yy = r.top; yy < r.bottom; ++yy) {
            channel->ReadRow(yy, row.data());
            for (int32_t xx = r.left; xx < r.right; ++xx) {
                if (filled.TestBit(xx, yy)) {
                    row[static_cast<size_t>(xx)] = value;
                }
            }
            channel->PutRow(yy, row.data());
        }
    }
    ShowLayer(*layer, r, "");
    return true;
}

bool SurfaceManager::SampleAt(int32_t x, int32_t y) {
    LayerObject* layer = ColorLayer();
    if (!layer) {
        return false;
    }
    const ObjectColor& color = *layer->color;
    const IntPoint at = m_c.geometry.ToDrawing(x, y);
    const int32_t cx = at.x - layer->offsetX;
    const int32_t cy = at.y - layer->offsetY;
    const int32_t r = std::max(0, m_c.geometry.DrawingDistance(m_stroke.ToolBrushSize()) / 2);
    const int32_t w = color.Width();
    std::vector<uint8_t> rows[ObjectColor::kChannels];
    for (auto& row : rows) {
        row.resize(static_cast<size_t>(w));
    }
    uint64_t sum[3] = {0, 0, 0};
    uint64_t weight = 0;
    for (int32_t yy = std::max(0, cy - r); yy <= std::min(color.Height() - 1, cy + r); ++yy) {
        for (int32_t c = 1; c < ObjectColor::kChannels; ++c) {
            color.Channel(c)->ReadRow(yy, rows[c].data());
        }
        for (int32_t xx = std::max(0, cx - r); xx <= std::min(w - 1, cx + r); ++xx) {
            const int64_t dx = xx - cx;
            const int64_t dy = yy - cy;
            const auto i = static_cast<size_t>(xx);
            const uint8_t amount = rows[kAmountChannel][i];
            if (dx * dx + dy * dy > int64_t{r} * r || amount == 0) {
                continue;
            }
            for (int b = 0; b < 3; ++b) {
                sum[b] += uint64_t{rows[1 + b][i]} * amount;
            }
            weight += amount;
        }
    }
    if (weight == 0) {
        return false;
    }
    const auto channel = [&](int b) { return static_cast<uint32_t>((sum[b] + weight / 2) / weight); };
    // Channels hold blue, green, red; the colour value has red in the low byte.
    const uint32_t sampled = channel(2) | channel(1) << 8 | channel(0) << 16;
    m_c.palettes.SelectColor(sampled);
    m_color = sampled;
    return true;
}

} // namespace ts
