#include "interact/zoom_manager.h"

#include "interact/screen_tool.h"
#include "interact/virtual_keys.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace ts {

namespace {

// A rectangle shows once the pointer moved this far from the press in both directions.
constexpr int32_t kShowDistance = 6;
// A shown rectangle fits the view when it is larger than this in both directions.
constexpr int32_t kFitMinimum = 10;

} // namespace

void ZoomManager::StepOut(int32_t x, int32_t y) {
    m_anchor = m_geometry.ToDrawing(x, y);
    int32_t z = Zoom();
    if (m_geometry.OnCanvas(x, y)) {
        --z;
    }
    if (z < kMinZoom) {
        z = kMinZoom;
    } else if (z == 0 || z == -1) {
        z = -2;
    } else if (z >= 9) {
        z = 8;
    } else if (z >= 5) {
        z = 4;
    } else if (z == 3) {
        z = 2;
    }
    ApplyZoom(z, {x, y});
}

void ZoomManager::StepIn(int32_t x, int32_t y) {
    m_anchor = m_geometry.ToDrawing(x, y);
    int32_t z = Zoom();
    if (m_geometry.OnCanvas(x, y)) {
        ++z;
    }
    if (z == -1 || z == 0) {
        z = 1;
    } else if (z == 3) {
        z = 4;
    } else if (z >= 5 && z <= 8) {
        z = 8;
    } else if (z >= 9) {
        z = kMaxZoom;
    }
    ApplyZoom(z, {x, y});
}

void ZoomManager::ZoomAt(int32_t zoom, int32_t x, int32_t y) {
    m_anchor = m_geometry.ToDrawing(x, y);
    ApplyZoom(zoom, {x, y});
}

int32_t ZoomManager::FitLevel(double o) {
    if (o >= 1.5 && o < 2) {
        o = 2;
    }
    const double r = o <= 0.5 ? std::trunc(-1 / o) : std::trunc(o);
    if (r < kMinZoom) {
        return kMinZoom;
    }
    if (r > kMaxZoom) {
        return kMaxZoom;
    }
    const auto level = static_cast<int32_t>(r);
    if (level < 5) {
        return level == 3 ? 4 : level == 0 ? 1 : level;
    }
    return level <= 8 ? 8 : 16;
}

void ZoomManager::FitToRectangle(const Rect& r) {
    const Rect area = m_geometry.ViewArea();
    if (r.IsEmpty() || area.IsEmpty()) {
        return;
    }
    m_anchor = m_geometry.ToDrawing((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    const double k = std::min(static_cast<double>(area.Height()) / r.Height(),
                              static_cast<double>(area.Width()) / r.Width());
    const int32_t z = Zoom();
    const double o = k * (z < 0 ? 1.0 / -z : z);
    ApplyZoom(FitLevel(o), {(area.left + area.right) / 2, (area.top + area.bottom) / 2});
}

void ZoomManager::ToggleOverview(int32_t x, int32_t y) {
    const int32_t z = Zoom();
    if (m_overviewLevel == 0 || z != m_overviewLevel) {
        m_savedLevel = z;
        m_overviewLevel = kMinZoom;
        ZoomAt(kMinZoom, x, y);
    } else {
        m_overviewLevel = 0;
        ZoomAt(m_savedLevel, x, y);
    }
}

void ZoomManager::ApplyZoom(int32_t zoom, IntPoint viewPoint) {
    m_geometry.ZoomAround(zoom, m_anchor, viewPoint);
    if (ScreenTool* tool = m_view.CurrentTool()) {
        tool->SetBrushSize(tool->GetBrushSize());
    }
    m_indicators.UpdateZoom(Zoom());
    m_refresh.MarkViewportSize();
    m_refresh.Refresh(kRefreshReason);
}

void ZoomManager::BeginRectangle(int32_t x, int32_t y, StepKind kind) {
    CancelRectangle();
    m_pending = true;
    m_press = m_point = {x, y};
    m_kind = kind;
}

void ZoomManager::TrackRectangle(int32_t x, int32_t y) {
    if (!m_pending) {
        return;
    }
    m_point = {x, y};
    m_painter.Hide(*this);
    if (std::abs(x - m_press.x) >= kShowDistance && std::abs(y - m_press.y) >= kShowDistance) {
        m_rect = Rect{std::min(x, m_press.x), std::min(y, m_press.y), std::max(x, m_press.x) + 1,
                      std::max(y, m_press.y) + 1};
        m_painter.Show(*this);
    }
}

void ZoomManager::EndRectangle(int32_t x, int32_t y) {
    if (!m_pending) {
        return;
    }
    TrackRectangle(x, y);
    const bool shown = IsShown();
    const Rect r = Intersection(m_rect, m_geometry.Canvas());
    CancelRectangle();
    if (shown && r.Width() > kFitMinimum && r.Height() > kFitMinimum) {
        FitToRectangle(r);
    } else if (m_kind == kStepOutKind) {
        StepOut(m_press.x, m_press.y);
    } else {
        StepIn(m_press.x, m_press.y);
    }
}

void ZoomManager::CancelRectangle() {
    m_painter.Hide(*this);
    m_pending = false;
}

void ZoomManager::Draw(Image24& display, const Rect& clip) const {
    InvertFrame(display, m_rect, clip);
}

void PanManager::Begin(int32_t x, int32_t y, bool byLeftPress) {
    m_panning = true;
    m_byLeftPress = byLeftPress;
    m_last = {x, y};
}

void PanManager::Move(uint32_t flags, int32_t x, int32_t y) {
    if (!m_panning) {
        return;
    }
    const int32_t z = m_geometry.Zoom();
    // Magnified, a drawing pixel is z view pixels: the part of the move short of a whole pixel is kept
    // for the next move.
    auto toDrawing = [z](int32_t d) { return z >= 1 ? d / z : d * -z; };
    const int32_t dx = toDrawing(x - m_last.x);
    const int32_t dy = toDrawing(y - m_last.y);
    m_last.x = z >= 1 ? m_last.x + dx * z : x;
    m_last.y = z >= 1 ? m_last.y + dy * z : y;
    const int32_t factor = ((flags & keys::kShiftFlag) ? 2 : 1) * ((flags & keys::kCtrlFlag) ? 4 : 1);
    if (dx == 0 && dy == 0) {
        return;
    }
    m_geometry.Scroll(-dx * factor, -dy * factor);
    m_refresh.MarkViewportSize();
    m_refresh.Refresh(kRefreshReason);
}

void PanManager::ScrollTo(int32_t originX, int32_t originY) {
    const ScrollAxis x = m_geometry.HorizontalScroll();
    const ScrollAxis y = m_geometry.VerticalScroll();
    if (originX == x.value && originY == y.value) {
        return;
    }
    m_geometry.Scroll(originX - x.value, originY - y.value);
    m_refresh.MarkViewportSize();
    m_refresh.Refresh(kRefreshReason);
}

} // namespace ts
