#include "import/rovidivod.h"

#include "files/flatten.h"
#include "import/cad_import.h"
#include "model/part_buffers.h"
#include "platform/profile_settings.h"
#include "platform/scanner.h"
#include "render/line_renderer.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace ts {

namespace {

// How light the trace is: black in the drawing prints as (165, 195, 235), brightness 192, well clear
// of the line threshold, so nothing of the trace comes back as a line.
void LightenIntoTrace(Image24& image) {
    for (int32_t y = 0; y < image.Height(); ++y) {
        uint8_t* p = image.Row(y);
        for (int32_t x = 0; x < image.Width(); ++x, p += 3) {
            const int32_t dark = 255 - ScanBrightness(p[2], p[1], p[0]);
            p[0] = static_cast<uint8_t>(255 - dark * 20 / 255);
            p[1] = static_cast<uint8_t>(255 - dark * 60 / 255);
            p[2] = static_cast<uint8_t>(255 - dark * 90 / 255);
        }
    }
}

} // namespace

RoviDivod::RoviDivod(ImageStackManager& stack, UndoStore& undo, RefreshRequests& refresh, UserInterface& ui,
                     ProfileManager& profile, Compositor& compositor)
    : m_stack(stack), m_undo(undo), m_refresh(refresh), m_ui(ui), m_profile(profile),
      m_compositor(compositor) {}

bool RoviDivod::HasLayer() const {
    for (int32_t i = ImageStackManager::kFirstDrawingLayer; i < m_stack.Count(); ++i) {
        if (m_stack.Layer(i)->name == kRoviDivodName) {
            return true;
        }
    }
    return false;
}

double RoviDivod::FootprintPixelsPerInch() const {
    const int32_t resolution = m_profile.Get(settings::kResolution);
    return (resolution > 0 ? resolution : settings::kResolution.defaultValue) / 4.0;
}

int32_t RoviDivod::MinimumSide() const {
    return static_cast<int32_t>(std::ceil(marks::kMinimumSideInches * FootprintPixelsPerInch()));
}

void RoviDivod::RemoveNamed(const char* name) {
    for (int32_t i = m_stack.Count() - 1; i >= ImageStackManager::kFirstDrawingLayer; --i) {
        if (m_stack.Layer(i)->name == name) {
            m_stack.RemoveLayer(i);
        }
    }
    m_stack.SetCurrent(std::max(ImageStackManager::kFirstDrawingLayer - 1,
                                std::min(m_stack.Current(), m_stack.Count() - 1)));
}

bool RoviDivod::Create(const Rect& wanted) {
    const Rect area =
        Intersection(Rect{std::min(wanted.left, wanted.right), std::min(wanted.top, wanted.bottom),
                          std::max(wanted.left, wanted.right), std::max(wanted.top, wanted.bottom)},
                     m_stack.DrawingRect());
    if (area.Width() < MinimumSide() || area.Height() < MinimumSide() ||
        m_stack.Count() < ImageStackManager::kFirstDrawingLayer) {
        return false;
    }
    WaitCursor wait(m_ui);
    Image24 drawing;
    Image24 trace;
    if (!RenderFlattened(m_compositor, m_stack, drawing) || !trace.Create(area.Width(), area.Height())) {
        return false;
    }
    for (int32_t y = 0; y < area.Height(); ++y) {
        std::copy_n(drawing.Pixel(area.left, area.top + y), size_t(area.Width()) * 3, trace.Row(y));
    }
    drawing.Clear();
    LightenIntoTrace(trace);
    marks::Draw(trace, Rect{0, 0, area.Width(), area.Height()}, FootprintPixelsPerInch());

    auto picture = std::make_unique<BMap>();
    picture->pixels = std::move(trace);
    auto buffer = parts::NewBuffer<SuperBitBuffer>(area.Width(), area.Height(), 2, 0);
    if (!buffer) {
        return false;
    }
    if (HasLayer()) {
        m_undo.SnapshotDrawing();
        RemoveNamed(kRoviDivodName);
    }
    if (!m_stack.CreateDrawingLayer(std::move(buffer), kRoviDivodName)) {
        return false;
    }
    LayerObject& layer = *m_stack.CurrentLayer();
    layer.offsetX = area.left;
    layer.offsetY = area.top;
    layer.bounds = area;
    layer.image = std::move(picture);
    m_undo.SnapshotAddedLayer();
    m_footprint = area;
    m_refresh.MarkStackFootprint();
    m_refresh.MarkViewContents(area);
    m_refresh.Refresh("R_CreateRoviDivod");
    return true;
}

void RoviDivod::Reset() {
    if (HasLayer()) {
        m_undo.SnapshotDrawing();
        RemoveNamed(kRoviDivodName);
    }
    m_footprint = Rect{};
    m_refresh.MarkStackFootprint();
    m_refresh.MarkViewContents(m_stack.DrawingRect());
    m_refresh.Refresh("R_ResetRoviDivod");
}

bool RoviDivod::Fail(const char* first, const char* second) {
    m_ui.ShowMessage(first);
    if (second) {
        m_ui.ShowMessage(second);
    }
    m_ui.Progress().Finish();
    return false;
}

bool RoviDivod::ScanBack(bool reposition, double scanPixelsPerInch) {
    if (!reposition && m_footprint.IsEmpty()) {
        return false;
    }
    const int32_t top = m_stack.Count() - 1;
    if (top <= ImageStackManager::kFirstDrawingLayer || m_stack.Layer(top)->name != kScannedRoviDivodName ||
        m_stack.Layer(top - 1)->name != kRoviDivodName) {
        m_ui.ShowMessage(rovidivod_text::kNotOnTop);
        return false;
    }
    m_stack.SetCurrent(top);
    ProgressMeter& progress = m_ui.Progress();
    progress.Start(30);
    // A footprint kept from another drawing (this one opened or made since) is as good as lost: the
    // RoviDivod below lies where its own print came from.
    if (!m_footprint.IsEmpty() && m_stack.Layer(top - 1)->bounds != m_footprint) {
        m_footprint = Rect{};
    }
    if (m_footprint.IsEmpty()) {
        return Fail(rovidivod_text::kFootprintLost);
    }
    const LayerObject& scanned = *m_stack.Layer(top);
    if (!scanned.image || scanned.image->pixels.Empty()) {
        return Fail(rovidivod_text::kNoTenMarks, rovidivod_text::kUseAlign);
    }
    RealignedLines lines;
    RealignResult result;
    {
        WaitCursor wait(m_ui);
        result = RealignAndExtract(scanned.image->pixels, scanPixelsPerInch > 0 ? scanPixelsPerInch : 300.0,
                                   m_footprint, FootprintPixelsPerInch(), 0, kScanbackPasses, &progress,
                                   lines, [this](const std::string& text) { m_ui.SetStatusPane(0, text); });
    }
    if (result == RealignResult::kNoMarks) {
        return Fail(rovidivod_text::kNoTenMarks, rovidivod_text::kUseAlign);
    }
    if (result != RealignResult::kDone) {
        return Fail(rovidivod_text::kUseAlign);
    }
    // One undo step takes the drawing back to the two layers.
    m_undo.SnapshotDrawing();
    if (!m_stack.CreateDrawingLayer(std::move(lines.occupancy), kSketchLinesName)) {
        return Fail(rovidivod_text::kUseAlign);
    }
    LayerObject& layer = *m_stack.CurrentLayer();
    const uint32_t id = layer.id;
    layer.offsetX = m_footprint.left;
    layer.offsetY = m_footprint.top;
    layer.bounds = m_footprint;
    if (EnsureLineArt(layer)) {
        // Black pencil, fully opaque, drawn one pixel wide along the thinned lines.
        ObjectLineArt& art = *layer.lineArt;
        art.SetIntensity(255);
        art.refreshWidth->Fill(LineWidthByte(1, 0));
        art.colorList->Set(0, LineColor{0, 255});
        art.appearanceList->FindOrAdd(MakeLineAppearance(1, 0, 0));
        LineRenderer(layer).RedrawLines(Rect{0, 0, m_footprint.Width(), m_footprint.Height()});
    }
    m_last = std::move(lines);
    RemoveNamed(kRoviDivodName);
    RemoveNamed(kScannedRoviDivodName);
    m_stack.SetCurrent(m_stack.IndexOfId(id));
    m_footprint = Rect{};
    m_refresh.MarkStackFootprint();
    m_refresh.MarkViewContents(m_stack.DrawingRect());
    m_refresh.Refresh(rovidivod_text::kRefreshReason);
    progress.Finish();
    return true;
}

} // namespace ts
