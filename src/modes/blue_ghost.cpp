#include "modes/blue_ghost.h"

#include <algorithm>
#include <cmath>

namespace ts {

namespace {

constexpr Rect kLabelRect{20, 38, 90, 56};
constexpr Rect kCreateRect{100, 38, 160, 56};
constexpr Rect kPrintRect{200, 38, 260, 56};
constexpr Rect kResetRect{300, 38, 360, 56};
constexpr double kSnapInches = 0.25;

} // namespace

bool AlignmentTool::OnLButtonDown(uint32_t flags, int32_t x, int32_t y) {
    if (ScreenTool::OnLButtonDown(flags, x, y) || !IsButtonDown()) {
        return true;
    }
    m_ghost.OnPress(GetPressDrawingPoint());
    return true;
}

bool AlignmentTool::OnMouseMove(uint32_t flags, int32_t x, int32_t y) {
    if (ScreenTool::OnMouseMove(flags, x, y)) {
        return true;
    }
    if (IsButtonDown()) {
        const IntPoint fine = GetCurrentFinePoint();
        m_ghost.OnDrag(IntPoint{fine.x >> 2, fine.y >> 2});
    }
    return true;
}

bool AlignmentTool::OnLButtonUp(uint32_t flags, int32_t x, int32_t y) {
    const bool down = IsButtonDown();
    if (ScreenTool::OnLButtonUp(flags, x, y)) {
        return true;
    }
    if (down) {
        m_ghost.OnRelease(GetReleaseDrawingPoint());
    }
    return true;
}

BlueGhost::BlueGhost(RoviDivod& rovi, PrintManager& print, SelectManager& select, ImageStackManager& stack,
                     RefreshRequests& refresh, StatusPrompt& prompt, ToolView& tools)
    : EnvEffect(kRoviDivodId), m_rovi(rovi), m_print(print), m_select(select), m_stack(stack),
      m_refresh(refresh), m_prompt(prompt), m_tools(tools) {}

void BlueGhost::CreatePanel() {
    ControlPanel& panel = MutablePanel();
    panel.Add<CHuecraftButton>(PanelParent(), kLabelRect, "RoviDivod", kLabel, nullptr);
    panel.Add<CHuecraftButton>(PanelParent(), kCreateRect, "Create", kCreateButton, this);
    panel.Add<CHuecraftButton>(PanelParent(), kPrintRect, "Print", kPrintButton, this);
    panel.Add<CHuecraftButton>(PanelParent(), kResetRect, "Reset", kResetButton, this);
}

void BlueGhost::UpdateButtons() {
    if (CControl* print = Panel().Find(kPrintButton)) {
        print->Enable(m_rovi.HasLayer());
    }
}

bool BlueGhost::Activate() {
    ShowPanel();
    UpdateButtons();
    return true;
}

bool BlueGhost::Deactivate(int32_t /*how*/) {
    HidePanel();
    m_state = State::kIdle;
    m_pressed = false;
    return true;
}

bool BlueGhost::OnPanelCommand(int32_t id) {
    switch (id) {
    case kCreateButton:
        BeginCreate();
        return true;
    case kPrintButton:
        if (m_rovi.HasLayer()) {
            m_print.PrintTracedLayer();
        }
        return true;
    case kResetButton:
        m_rovi.Reset();
        UpdateButtons();
        return true;
    default:
        return false;
    }
}

void BlueGhost::BeginCreate() {
    m_state = State::kArea;
    m_prompt.SetPrompt(kPrompt);
    if (m_alignmentTool) {
        m_tools.SetTool(*m_alignmentTool);
    }
}

void BlueGhost::BeginAlign() {
    m_state = State::kAlign;
    m_prompt.SetPrompt(kAlignPrompt);
    if (m_alignmentTool) {
        m_tools.SetTool(*m_alignmentTool);
    }
}

void BlueGhost::OnPress(IntPoint drawing) {
    m_press = drawing;
    m_pressed = m_state != State::kIdle;
    if (const LayerObject* layer = m_stack.CurrentLayer(); layer && m_state == State::kAlign) {
        m_startX = layer->offsetX;
        m_startY = layer->offsetY;
    }
}

void BlueGhost::OnDrag(IntPoint drawing) {
    if (!m_pressed || m_state != State::kAlign || m_stack.Current() < ImageStackManager::kFirstDrawingLayer) {
        return;
    }
    // The layer follows the pointer (the undo step is taken once, on release).
    LayerObject& layer = *m_stack.CurrentLayer();
    const Rect before = layer.bounds;
    layer.offsetX = m_startX + drawing.x - m_press.x;
    layer.offsetY = m_startY + drawing.y - m_press.y;
    layer.bounds = Translated(before, layer.offsetX - before.left, layer.offsetY - before.top);
    m_refresh.MarkViewContents(Union(before, layer.bounds));
    m_refresh.Refresh("R_AlignDrag");
}

void BlueGhost::OnRelease(IntPoint drawing) {
    if (!m_pressed) {
        return;
    }
    m_pressed = false;
    if (m_state == State::kArea) {
        m_state = State::kIdle;
        if (m_rovi.Create(Rect{m_press.x, m_press.y, drawing.x, drawing.y})) {
            m_prompt.SetPrompt(kTitle);
        }
        UpdateButtons();
        return;
    }
    if (m_state != State::kAlign || m_stack.Current() < ImageStackManager::kFirstDrawingLayer) {
        return;
    }
    int32_t dx = drawing.x - m_press.x;
    int32_t dy = drawing.y - m_press.y;
    // The picked point lands on the nearest mark of the footprint when it is close enough.
    const Rect& footprint = m_rovi.Footprint();
    if (!footprint.IsEmpty()) {
        const double ppi = m_rovi.FootprintPixelsPerInch();
        double best = kSnapInches * ppi;
        for (const marks::Point& p : marks::Layout(footprint.Width(), footprint.Height(), ppi)) {
            const double mx = footprint.left + p.x;
            const double my = footprint.top + p.y;
            const double d = std::hypot(drawing.x - mx, drawing.y - my);
            if (d <= best) {
                best = d;
                dx = static_cast<int32_t>(std::lround(mx)) - m_press.x;
                dy = static_cast<int32_t>(std::lround(my)) - m_press.y;
            }
        }
    }
    // Back to where the press found it, then one recorded move.
    LayerObject& layer = *m_stack.CurrentLayer();
    layer.bounds = Translated(layer.bounds, m_startX - layer.offsetX, m_startY - layer.offsetY);
    layer.offsetX = m_startX;
    layer.offsetY = m_startY;
    if (!m_select.MoveLayer(dx, dy)) {
        m_refresh.MarkViewContents(m_stack.DrawingRect());
        m_refresh.Refresh("R_AlignDrag");
    }
}

} // namespace ts
