#include "interact/select_manager.h"

#include "document/layer_geometry.h"
#include "interact/virtual_keys.h"
#include "measure/distance_entry.h"
#include "model/part_buffers.h"
#include "perspective/layer_transform.h"
#include "platform/profile_settings.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

namespace ts {

namespace {

constexpr Rect kProportionLockRect{112, 37, 262, 57};
constexpr Rect kTurnLeftRect{270, 37, 310, 57};
constexpr Rect kTurnRightRect{316, 37, 356, 57};
constexpr Rect kRotateRect{362, 37, 422, 57};
constexpr Rect kWholeDrawingRect{432, 37, 552, 57};

// Nearest-pixel copy of a buffer at a new size.
template <class Buffer> std::unique_ptr<Buffer> Stretched(const Buffer& old, int32_t width, int32_t height) {
    auto out = parts::NewBuffer<Buffer>(width, height, old.BytesPerPixel(), 0);
    if (!out || old.Width() <= 0 || old.Height() <= 0) {
        return nullptr;
    }
    const auto bpp = static_cast<size_t>(old.BytesPerPixel());
    std::vector<uint8_t> row(old.RawRowLength());
    int32_t loaded = -1;
    for (int32_t y = 0; y < height; ++y) {
        const auto sy = static_cast<int32_t>(int64_t{y} * old.Height() / height);
        if (sy != loaded) {
            old.ReadRow(sy, row.data());
            loaded = sy;
        }
        uint8_t* dest = out->WorkingRow();
        for (int32_t x = 0; x < width; ++x) {
            const auto sx = static_cast<size_t>(int64_t{x} * old.Width() / width);
            std::memcpy(dest + static_cast<size_t>(x) * bpp, row.data() + sx * bpp, bpp);
        }
        if (!out->PutRow(y)) {
            return nullptr;
        }
    }
    return out;
}

std::unique_ptr<BMap> StretchedImage(const BMap& old, int32_t width, int32_t height) {
    std::unique_ptr<BMap> out;
    try {
        out = std::make_unique<BMap>();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    if (old.Width() <= 0 || old.Height() <= 0 || !out->pixels.Create(width, height)) {
        return nullptr;
    }
    for (int32_t y = 0; y < height; ++y) {
        const auto sy = static_cast<int32_t>(int64_t{y} * old.Height() / height);
        for (int32_t x = 0; x < width; ++x) {
            const auto sx = static_cast<int32_t>(int64_t{x} * old.Width() / width);
            std::memcpy(out->pixels.Pixel(x, y), old.pixels.Pixel(sx, sy), 3);
        }
    }
    return out;
}

} // namespace

bool StretchLayer(LayerObject& layer, const Rect& frame) {
    const Rect old = layer.bounds;
    if (frame.IsEmpty() || old.IsEmpty()) {
        return false;
    }
    // A part keeps its share of the layer's size.
    auto scaled = [&](int32_t size, int32_t oldLayer, int32_t newLayer) {
        return std::max<int32_t>(1, static_cast<int32_t>(int64_t{size} * newLayer / oldLayer));
    };
    auto w = [&](int32_t size) { return scaled(size, old.Width(), frame.Width()); };
    auto h = [&](int32_t size) { return scaled(size, old.Height(), frame.Height()); };
    geometry::PartTransform stretch;
    stretch.buffer = [&](const RLBuffer& b, uint8_t) { return Stretched(b, w(b.Width()), h(b.Height())); };
    stretch.mask = [&](const SuperBitBuffer& b) { return Stretched(b, w(b.Width()), h(b.Height())); };
    stretch.image = [&](const BMap& b) { return StretchedImage(b, w(b.Width()), h(b.Height())); };
    if (!geometry::TransformParts(layer, stretch)) {
        return false;
    }
    if (layer.frame && layer.frame->hasCorners) {
        for (Wireframe::Corner& c : layer.frame->corners) {
            c.x = frame.left + static_cast<int32_t>(int64_t{c.x - old.left} * frame.Width() / old.Width());
            c.y = frame.top + static_cast<int32_t>(int64_t{c.y - old.top} * frame.Height() / old.Height());
        }
    }
    layer.offsetX = frame.left;
    layer.offsetY = frame.top;
    layer.bounds = frame;
    return true;
}

SelectManager::SelectManager(ImageStackManager& stack, UndoStore& undo, LayerOperations& layers,
                             RefreshRequests& refresh, ProfileManager& profile, UserInterface& ui,
                             ViewWindow& window, OverlayPainter& painter, const ViewGeometry& geometry)
    : EnvEffect(kSelectId), m_stack(stack), m_undo(undo), m_layers(layers), m_refresh(refresh),
      m_profile(profile), m_ui(ui), m_window(window), m_tracker(painter, geometry, stack) {
    painter.Add(m_tracker);
}

void SelectManager::CreatePanel() {
    CheckBox& lock = MutablePanel().Add<CheckBox>(PanelParent(), kProportionLockRect, "Proportion Lock",
                                                  kProportionLockId, this);
    lock.SetCheck(m_proportionLock);
    MutablePanel().Add<CHuecraftButton>(PanelParent(), kTurnLeftRect, "+90", kTurnLeftId, this);
    MutablePanel().Add<CHuecraftButton>(PanelParent(), kTurnRightRect, "270", kTurnRightId, this);
    MutablePanel().Add<CHuecraftButton>(PanelParent(), kRotateRect, "Rotate", kRotateId, this);
    CheckBox& whole = MutablePanel().Add<CheckBox>(PanelParent(), kWholeDrawingRect, "Whole Drawing",
                                                   kWholeDrawingId, this);
    whole.SetCheck(m_wholeDrawing);
}

bool SelectManager::Activate() {
    ShowPanel();
    if (m_stack.Current() >= ImageStackManager::kFirstDrawingLayer) {
        m_tracker.Show();
    }
    return true;
}

bool SelectManager::Deactivate(int32_t /*how*/) {
    m_tracker.Hide();
    HidePanel();
    return true;
}

bool SelectManager::OnPanelCommand(int32_t id) {
    switch (id) {
    case kProportionLockId:
    case kWholeDrawingId:
        if (const auto* box = dynamic_cast<const CheckBox*>(Panel().Find(id))) {
            (id == kProportionLockId ? m_proportionLock : m_wholeDrawing) = box->GetCheck();
        }
        return true;
    case kTurnLeftId:
        TurnQuarter(90);
        return true;
    case kTurnRightId:
        TurnQuarter(270);
        return true;
    case kRotateId:
        RotateByEntry();
        return true;
    default:
        return false;
    }
}

bool ReadTurnAngle(const std::string& text, double& degrees) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return false;
    }
    const std::string trimmed = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    char* end = nullptr;
    const double value = std::strtod(trimmed.c_str(), &end);
    if (end != trimmed.c_str() + trimmed.size() || !std::isfinite(value) || value < -360.0 || value > 360.0) {
        return false;
    }
    degrees = value;
    return true;
}

bool SelectManager::TurnQuarter(int32_t degrees) {
    if (m_wholeDrawing) {
        m_tracker.Hide();
        const bool turned = m_layers.DesignRotate(degrees);
        if (m_stack.Current() >= ImageStackManager::kFirstDrawingLayer) {
            m_tracker.Show();
        }
        return turned;
    }
    const int32_t current = m_stack.Current();
    LayerObject* layer = m_stack.Layer(current);
    if (!layer || current < ImageStackManager::kFirstDrawingLayer || (degrees != 90 && degrees != 270)) {
        return false;
    }
    WaitCursor wait(m_ui);
    const int32_t w = layer->PartWidth();
    const int32_t h = layer->PartHeight();
    geometry::TransformedParts parts;
    if (w <= 0 || h <= 0 || !geometry::MakeTurn(*layer, degrees, parts)) {
        return false; // out of memory: the layer stays as it was
    }
    m_tracker.Hide();
    const Rect before = layer->bounds;
    geometry::InstallParts(*layer, parts);
    if (layer->frame) {
        for (Wireframe::Corner& c : layer->frame->corners) {
            c = degrees == 90 ? Wireframe::Corner{c.y, w - 1 - c.x} : Wireframe::Corner{h - 1 - c.y, c.x};
        }
    }
    // The layer turns about its centre; the halves are cut towards zero so that a turn and the turn
    // back put it where it was.
    layer->offsetX += (w - h) / 2;
    layer->offsetY += (h - w) / 2;
    layer->bounds = Rect{layer->offsetX, layer->offsetY, layer->offsetX + h, layer->offsetY + w};
    m_tracker.Show();
    m_refresh.MarkViewContents(Union(before, layer->bounds));
    m_refresh.Refresh("Rotate");
    return true;
}

bool SelectManager::RotateByEntry() {
    const AngleEntry entry(m_profile.Get(settings::kEnableMetric) != 0);
    std::string text;
    double degrees = 0;
    if (!entry.DoModal(m_ui, text) || !ReadTurnAngle(text, degrees)) {
        m_ui.ShowMessage(kAngleFailed);
        return false;
    }
    return RotateLayer(degrees);
}

bool SelectManager::RotateLayer(double degrees) {
    const int32_t current = m_stack.Current();
    LayerObject* layer = m_stack.Layer(current);
    if (!layer || current < ImageStackManager::kFirstDrawingLayer || layer->PartWidth() <= 0) {
        return false;
    }
    WaitCursor wait(m_ui);
    m_undo.SnapshotCurrentLayer(false);
    const Rect before = layer->bounds;
    if (!TurnLayerBy(*layer, degrees, &m_ui.Progress())) {
        return false; // out of memory: the layer stays as it was
    }
    m_tracker.Hide();
    m_tracker.Show();
    m_refresh.MarkViewContents(Union(before, layer->bounds));
    m_refresh.Refresh("Rotate");
    return true;
}

void SelectManager::SelectLayer(int32_t index) {
    if (index < ImageStackManager::kFirstDrawingLayer || index >= m_stack.Count()) {
        return;
    }
    m_tracker.Hide();
    m_stack.SetCurrent(index);
    m_tracker.Show();
}

void SelectManager::HideFrame(const char* reason) {
    m_tracker.Hide();
    m_refresh.MarkViewportSize();
    m_refresh.Refresh(reason);
}

bool SelectManager::MoveLayer(int32_t dx, int32_t dy) {
    const int32_t current = m_stack.Current();
    LayerObject* layer = m_stack.Layer(current);
    if (!layer || current < ImageStackManager::kFirstDrawingLayer || (dx == 0 && dy == 0)) {
        return false;
    }
    m_undo.SnapshotRegion(current, Rect{});
    const Rect before = layer->bounds;
    layer->offsetX += dx;
    layer->offsetY += dy;
    layer->bounds = Translated(before, dx, dy);
    m_refresh.MarkViewContents(Union(before, layer->bounds));
    m_refresh.Refresh("UpdateObjectPosition");
    return true;
}

bool SelectManager::SizeLayer(const Rect& frame) {
    const int32_t current = m_stack.Current();
    LayerObject* layer = m_stack.Layer(current);
    if (!layer || current < ImageStackManager::kFirstDrawingLayer || frame.IsEmpty() ||
        frame == layer->bounds) {
        return false;
    }
    WaitCursor wait(m_ui);
    m_undo.SnapshotCurrentLayer(false);
    const Rect before = layer->bounds;
    if (!StretchLayer(*layer, frame)) {
        return false; // out of memory: the layer keeps its size
    }
    m_refresh.MarkViewContents(Union(before, frame));
    m_refresh.Refresh("UpdateObjectSize");
    return true;
}

void SelectManager::FinishDrag(int32_t hit, const Rect& frame) {
    const LayerObject* layer = m_stack.CurrentLayer();
    if (layer && !frame.IsEmpty()) {
        const Rect before = layer->bounds;
        if (hit == SelectionTracker::kBody ||
            (frame.Width() == before.Width() && frame.Height() == before.Height())) {
            MoveLayer(frame.left - before.left, frame.top - before.top);
        } else {
            SizeLayer(frame);
        }
    }
    m_refresh.Refresh("R_TrackerDragEnded");
}

void SelectManager::Nudge(uint32_t key) {
    const int32_t step = std::max(1, m_profile.Get(settings::kNudgeStrength));
    WaitCursor wait(m_ui);
    const int32_t dx = key == keys::kLeft ? -step : key == keys::kRight ? step : 0;
    const int32_t dy = key == keys::kUp ? -step : key == keys::kDown ? step : 0;
    MoveLayer(dx, dy);
}

bool SelectManager::OnKeyDown(uint32_t key, uint32_t /*repeat*/, uint32_t /*flags*/) {
    if (keys::IsArrow(key)) {
        Nudge(key);
    } else if (key == keys::kPageUp) {
        m_layers.SelectUp();
    } else if (key == keys::kPageDown) {
        m_layers.SelectDown();
    } else if (key == keys::kDelete) {
        m_tracker.Hide();
        m_layers.DeleteCurrent();
        if (m_stack.Current() >= ImageStackManager::kFirstDrawingLayer) {
            m_tracker.Show();
        }
    } else if (key == keys::kEscape) {
        if (m_tracker.Dragging()) {
            m_tracker.CancelDrag();
        } else {
            HideFrame("EscapeCancelSelectionFrame");
            m_window.SetCursor(cursors::kArrow);
        }
    }
    return true;
}

} // namespace ts
