#include "modes/gradient_manager.h"

#include "platform/progress_meter.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

namespace ts {

namespace {

constexpr int32_t kTopStart = 14;   // 224
constexpr int32_t kBottomStart = 9; // 144
constexpr int32_t kAngleStart = 6;  // 0 degrees

} // namespace

uint8_t GradientManager::LevelAt(double y, double low, double high, int32_t top, int32_t bottom) {
    if (high <= low) {
        return static_cast<uint8_t>(std::clamp(top, 0, 255)); // a flat extent has only its top value
    }
    const double v = std::trunc((y - low) * (bottom - top) / (high - low) + top);
    return static_cast<uint8_t>(std::clamp(v, 0.0, 255.0));
}

void GradientManager::CreatePanel() {
    ControlPanel& panel = MutablePanel();
    ComboBox& top = panel.Add<ComboBox>(PanelParent(), Rect{20, 38, 160, 56}, "Top Value", kTop, this);
    ComboBox& bottom =
        panel.Add<ComboBox>(PanelParent(), Rect{175, 38, 330, 56}, "Bottom Value", kBottom, this);
    for (int32_t v = 0; v <= 240; v += 16) {
        top.AddString(std::to_string(v));
        bottom.AddString(std::to_string(v));
    }
    top.AddString("255");
    bottom.AddString("255");
    ComboBox& angle = panel.Add<ComboBox>(PanelParent(), Rect{345, 38, 450, 56}, "Angle", kAngle, this);
    for (int32_t a = -90; a <= 90; a += 15) {
        angle.AddString(std::to_string(a));
    }
    panel.Add<CheckBox>(PanelParent(), Rect{465, 38, 590, 56}, "Insert At Bottom", kInsertAtBottom, this);
    panel.Add<CHuecraftButton>(PanelParent(), Rect{790, 38, 840, 56}, "Reset", kResetId, this);
    ResetControls();
}

void GradientManager::ResetControls() {
    const std::pair<int32_t, int32_t> starts[] = {
        {kTop, kTopStart}, {kBottom, kBottomStart}, {kAngle, kAngleStart}};
    for (const auto& [id, item] : starts) {
        if (auto* combo = dynamic_cast<ComboBox*>(Panel().Find(id))) {
            combo->SetCurSel(item);
        }
    }
    if (auto* box = dynamic_cast<CheckBox*>(Panel().Find(kInsertAtBottom))) {
        box->SetCheck(true);
    }
}

bool GradientManager::Command(int32_t id) {
    if ((id >= kTop && id <= kAngle) || id == kInsertAtBottom) {
        Apply();
        return true;
    }
    return false;
}

int32_t GradientManager::ComboNumber(int32_t id) const {
    const auto* combo = dynamic_cast<const ComboBox*>(Panel().Find(id));
    return combo ? static_cast<int32_t>(combo->GetSelectedNumber()) : 0;
}

LayerObject* GradientManager::GradientLayer() {
    ImageStackManager& stack = m_c.stack;
    for (int32_t i = ImageStackManager::kFirstDrawingLayer; i < stack.Count(); ++i) {
        if (stack.Layer(i)->name == kLayerName) {
            stack.SetCurrent(i);
            RecordOnce();
            LayerObject* layer = stack.Layer(i);
            if (!layer->shadow || !layer->shadow->lighting) {
                auto shadow = std::make_unique<ObjectShadow>();
                if (!shadow->Create(stack.LayerWidth(*layer), stack.LayerHeight(*layer))) {
                    return nullptr;
                }
                layer->shadow = std::move(shadow);
            }
            return layer;
        }
    }
    const int32_t width = stack.DrawingWidth();
    const int32_t height = stack.DrawingHeight();
    auto color = std::make_unique<ObjectColor>();
    auto shadow = std::make_unique<ObjectShadow>();
    if (!color->Create(width, height, 0x00FFFFFF, 255) || !shadow->Create(width, height)) {
        return nullptr;
    }
    LayerObject* layer = stack.CreateLayer(kLayerName);
    if (!layer) {
        return nullptr;
    }
    layer->color = std::move(color);
    layer->shadow = std::move(shadow);
    if (Checked(kInsertAtBottom)) {
        stack.MoveLayer(stack.Current(), ImageStackManager::kFirstDrawingLayer);
        stack.SetCurrent(ImageStackManager::kFirstDrawingLayer);
    }
    layer = stack.CurrentLayer();
    // Undoing the visit takes the new layer away again.
    m_c.undo.SnapshotAddedLayer();
    MarkRecorded(layer->id);
    return layer;
}

bool GradientManager::Apply() {
    if (m_c.stack.DrawingWidth() <= 0 || m_c.stack.DrawingHeight() <= 0) {
        return false;
    }
    WaitCursor wait(m_c.ui);
    LayerObject* layer = GradientLayer();
    if (!layer) {
        return false;
    }
    const int32_t top = std::clamp(ComboNumber(kTop), 0, 255);
    const int32_t bottom = std::clamp(ComboNumber(kBottom), 0, 255);
    const double a = ComboNumber(kAngle) * std::numbers::pi / 180.0;
    // Rotated y of a drawing point: y' = x sin a + y cos a (straight down at 0).
    const double s = std::sin(a);
    const double c = std::cos(a);
    const double w = m_c.stack.DrawingWidth();
    const double h = m_c.stack.DrawingHeight();
    const double corners[] = {0.0, w * s, h * c, w * s + h * c};
    const double low = *std::min_element(std::begin(corners), std::end(corners));
    const double high = *std::max_element(std::begin(corners), std::end(corners));

    RLBuffer& lighting = *layer->shadow->lighting;
    std::vector<uint8_t> row(static_cast<size_t>(lighting.Width()));
    ProgressMeter& meter = m_c.ui.Progress();
    meter.Start(lighting.Height());
    for (int32_t y = 0; y < lighting.Height(); ++y) {
        const double dy = (y + layer->offsetY) * c;
        for (int32_t x = 0; x < lighting.Width(); ++x) {
            row[static_cast<size_t>(x)] = LevelAt((x + layer->offsetX) * s + dy, low, high, top, bottom);
        }
        lighting.PutRow(y, row.data());
        meter.Step();
    }
    meter.Finish();
    RepaintDrawing();
    return true;
}

} // namespace ts
