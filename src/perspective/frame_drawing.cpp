#include "perspective/frame_drawing.h"

#include "raster/fast_bitonal_mask.h"
#include "render/line_renderer.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>

namespace ts {

namespace {

struct Projected {
    PicturePoint a;
    PicturePoint b;
    int32_t weight = 0;
    uint32_t color = 0;
};

// Fine (quarter pixel) coordinates, kept far inside 32 bits; the renderer clips to the layer.
int32_t Fine(double pixels) {
    const double fine = std::round(pixels * 4.0);
    return static_cast<int32_t>(std::clamp(fine, -268435456.0, 268435456.0));
}

uint8_t ColorSlot(ObjectLineArt& lines, uint32_t color, int32_t weight) {
    if (!lines.colorList) {
        lines.colorList = std::make_unique<LineColorList>();
    }
    LineColor c;
    c.color = static_cast<int32_t>(color);
    c.opacity = 255;
    const int index = lines.colorList->FindOrAdd(c);
    if (lines.appearanceList) {
        lines.appearanceList->FindOrAdd(MakeLineAppearance(weight, 0, 0));
    }
    return static_cast<uint8_t>(index < 0 ? 0 : index);
}

} // namespace

bool DrawFrameLines(LayerObject& layer, const FrameGeometry& geometry, const std::vector<FrameLine>& lines,
                    ProgressMeter* progress, FrameDrawing& out) {
    if (!IsLineLayer(layer) || !EnsureLineArt(layer)) {
        return false;
    }
    const int32_t width = layer.frame->drawingBuffer->Width();
    const int32_t height = layer.frame->drawingBuffer->Height();
    std::vector<Projected> segments;
    FrameGeometry::Bounds bounds = geometry.EdgeBounds();
    try {
        segments.reserve(lines.size() * 2);
        for (const FrameLine& line : lines) {
            for (int32_t i = 0; i + 1 < line.count; ++i) {
                Point3D a = line.points[static_cast<size_t>(i)];
                Point3D b = line.points[static_cast<size_t>(i + 1)];
                const bool kept = line.grid ? geometry.ClipToVision(a, b) : geometry.ClipNear(a, b);
                if (!kept) {
                    continue;
                }
                Projected p{geometry.Project(a), geometry.Project(b), line.weight, line.color};
                bounds.Add(p.a);
                bounds.Add(p.b);
                segments.push_back(p);
            }
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    FastBitonalMask mask;
    if (!mask.Resize(width, height)) {
        return false;
    }
    const FrameFit fit(bounds, width, height, geometry.Parameters().margin);
    LineRenderer renderer(layer);
    if (!renderer.Valid()) {
        return false;
    }
    if (progress) {
        progress->Start(geometry.ProgressSteps());
    }
    Rect drawn{};
    for (const Projected& s : segments) {
        LineSettings settings;
        settings.width = s.weight;
        settings.colorIndex = ColorSlot(*layer.lineArt, s.color, s.weight);
        renderer.SetSettings(settings);
        const PointTS a = fit.ToPixels(s.a);
        const PointTS b = fit.ToPixels(s.b);
        drawn = Union(drawn, renderer.RasterizeSegment(Fine(a.x), Fine(a.y), Fine(b.x), Fine(b.y), &mask));
        if (progress) {
            progress->Step();
        }
    }
    out.drawn = renderer.RedrawLines(drawn);
    out.segments = static_cast<int32_t>(segments.size());
    if (progress) {
        progress->Finish();
    }
    // The floor corners in the order of the quadrilateral: (0, D), (W, D), (W, 0), (0, 0).
    constexpr size_t kCornerOrder[4] = {2, 3, 1, 0};
    for (size_t i = 0; i < 4; ++i) {
        const PointTS p = fit.ToPixels(geometry.Project(geometry.Corners()[kCornerOrder[i]]));
        out.corners[i] = IntPoint{Fine(p.x) / 4, Fine(p.y) / 4};
    }
    out.vanishingPoints.clear();
    for (const PicturePoint& v : geometry.VanishingPoints()) {
        out.vanishingPoints.push_back(fit.ToPixels(v));
    }
    return true;
}

} // namespace ts
