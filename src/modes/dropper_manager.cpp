#include "modes/dropper_manager.h"

#include <algorithm>
#include <vector>

namespace ts {

namespace {

constexpr Rect kLinesRect{20, 37, 90, 57};
constexpr Rect kColorRect{100, 37, 170, 57};
constexpr Rect kLightingRect{180, 37, 260, 57};

} // namespace

void DropperManager::CreatePanel() {
    ControlPanel& panel = MutablePanel();
    panel.Add<CHuecraftButton>(PanelParent(), kLinesRect, "Lines", kLines, this);
    panel.Add<CHuecraftButton>(PanelParent(), kColorRect, "Color", kColor, this);
    panel.Add<CHuecraftButton>(PanelParent(), kLightingRect, "Lighting", kLighting, this);
}

void DropperManager::SetOption(int32_t option) {
    if (option != kLines && option != kColor && option != kLighting) {
        return;
    }
    m_option = option;
    if (PanelCreated()) {
        PressExclusive(Panel(), {kLines, kColor, kLighting}, option);
    }
}

bool DropperManager::Activate() {
    ShowPanel();
    const Env* previous = m_environment.Previous();
    const int32_t from = previous ? previous->GetModeId() : 0;
    SetOption(from == kLineId ? kLines : from == kShadowsId ? kLighting : kColor);
    return true;
}

bool DropperManager::Deactivate(int32_t /*how*/) {
    HidePanel();
    return true;
}

bool DropperManager::OnPanelCommand(int32_t id) {
    if (id != kLines && id != kColor && id != kLighting) {
        return false;
    }
    SetOption(id);
    return true;
}

int32_t DropperManager::LayerUnderBrush(int32_t x, int32_t y, bool lines) const {
    const IntPoint at = m_c.geometry.ToDrawing(x, y);
    const int32_t r = std::max(1, m_c.geometry.DrawingDistance(m_c.tools.CurrentTool()
                                                                   ? m_c.tools.CurrentTool()->GetBrushSize()
                                                                   : ScreenTool::kDefaultBrushSize) /
                                      2);
    int32_t best = -1;
    int64_t bestCount = 0;
    std::vector<uint8_t> row;
    for (int32_t i = ImageStackManager::kFirstDrawingLayer; i < m_c.stack.Count(); ++i) {
        const LayerObject* layer = m_c.stack.Layer(i);
        if (!layer || layer->hidden || !layer->visibleInStack ||
            !(lines ? layer->ShowsLines() : layer->ShowsSurface())) {
            continue;
        }
        const RLBuffer* part = lines ? (layer->lineArt ? layer->lineArt->lineBuffer.get() : nullptr)
                                     : (layer->color ? layer->color->amount.get() : nullptr);
        if (!part || !part->IsCreated()) {
            continue;
        }
        const auto bytes = static_cast<size_t>(part->BytesPerPixel());
        const int32_t cx = at.x - layer->offsetX;
        const int32_t cy = at.y - layer->offsetY;
        row.resize(part->RawRowLength());
        int64_t count = 0;
        for (int32_t yy = std::max(0, cy - r); yy <= std::min(part->Height() - 1, cy + r); ++yy) {
            part->ReadRow(yy, row.data());
            for (int32_t xx = std::max(0, cx - r); xx <= std::min(part->Width() - 1, cx + r); ++xx) {
                const int64_t dx = xx - cx;
                const int64_t dy = yy - cy;
                const size_t i0 = static_cast<size_t>(xx) * bytes;
                const bool held = row[i0] != 0 || (bytes == 2 && row[i0 + 1] != 0);
                if (held && dx * dx + dy * dy <= int64_t{r} * r) {
                    ++count;
                }
            }
        }
        if (count > 0 && count >= bestCount) { // ties go to the upper layer
            best = i;
            bestCount = count;
        }
    }
    return best;
}

bool DropperManager::OnSamplePress(uint32_t flags, int32_t x, int32_t y) {
    if (m_option == kLighting) {
        m_shadows.PickShadedLayer(x, y);
        return false; // a pick is one click, not a stroke
    }
    const bool lines = m_option == kLines;
    const int32_t index = LayerUnderBrush(x, y, lines);
    if (index >= 0 && index != m_c.stack.Current()) {
        m_c.stack.SetCurrent(index);
        m_c.stack.NotifyIndicator();
    }
    if (lines) {
        // The line mode's sample; on a layer without lines it says so.
        m_lineMode.OnSamplePress(flags, x, y);
        const LayerObject* layer = CurrentDrawingLayer(m_c.stack);
        if (index < 0 && layer && layer->lineArt && layer->lineArt->HasLines()) {
            m_c.prompt.SetTemporaryPrompt(kNoLineHere);
        }
        return false;
    }
    if (index < 0 || !m_surface.SampleAt(x, y)) {
        m_c.prompt.SetTemporaryPrompt(kNoColorHere);
    }
    return false;
}

DropperTool::DropperTool(ToolContext& context, int32_t commandId)
    : BrushTool(context, [commandId] {
          BrushTool::Setup s;
          s.commandId = commandId;
          s.route = BrushRoute::kSample;
          s.title = DropperManager::kTitle;
          s.prompt = DropperManager::kPrompt;
          s.reselect = true;
          return s;
      }()) {}

} // namespace ts
