#pragma once

#include "raster/rect.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ts {

// What the drawing operations ask of the view's refresh: mark what became invalid, then refresh with a
// reason text. The refresh manager of the view implements it; tests record the requests.
class RefreshRequests {
public:
    virtual ~RefreshRequests() = default;
    // The stack's footprint changed: the whole drawing is recomposited and the viewport rebuilt.
    virtual void MarkStackFootprint() = 0;
    // A rectangle of drawing pixels is to be recomposited.
    virtual void MarkViewContents(const Rect& drawingRect) = 0;
    // The viewport is to be rebuilt from the view buffer.
    virtual void MarkViewportSize() = 0;
    // Redoes whatever was marked; the reason is kept in the refresh manager's history.
    virtual void Refresh(const std::string& reason) = 0;
    // The view's zoom factor (1, 2, 4, ... magnify; -2, -3, ... shrink).
    virtual int32_t ZoomFactor() const = 0;
};

// Records every request, for tests and headless runs.
class RecordingRefresh final : public RefreshRequests {
public:
    void MarkStackFootprint() override { ++stackFootprintMarks; }
    void MarkViewContents(const Rect& drawingRect) override { viewRects.push_back(drawingRect); }
    void MarkViewportSize() override { ++viewportSizeMarks; }
    void Refresh(const std::string& reason) override { reasons.push_back(reason); }
    int32_t ZoomFactor() const override { return zoom; }

    std::vector<std::string> reasons;
    std::vector<Rect> viewRects;
    int stackFootprintMarks = 0;
    int viewportSizeMarks = 0;
    int32_t zoom = 1;
};

} // namespace ts
