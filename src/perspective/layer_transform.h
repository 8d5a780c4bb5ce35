#pragma once

#include "model/layer_object.h"
#include "perspective/morph_mesh.h"
#include "platform/progress_meter.h"
#include "raster/rect.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace ts {

// Where the pixels of a layer's new parts come from. Destination points are page pixels; source
// positions are pixels of the layer's parts as they are (continuous: the centre of part pixel (i, j)
// is (i + 0.5, j + 0.5)).
class SourceMap {
public:
    virtual ~SourceMap() = default;
    // The new layer rectangle (page pixels).
    virtual Rect Destination() const = 0;
    // The source positions of the centres of pixels left .. right - 1 of page row y, indexed from
    // left; sx is -1 where a pixel has no source.
    virtual void Row(int32_t y, int32_t left, int32_t right, double* sx, double* sy) const = 0;
    // The source position of a page point; false when it has none.
    virtual bool Point(double x, double y, double& sx, double& sy) const = 0;
    // Where a source position lands on the page.
    virtual PointTS Forward(double sx, double sy) const = 0;
    // True when the map only moves pixels whole (masks are then copied, not resampled).
    virtual bool Shifts() const { return false; }
    // How far apart (across and down each, in source pixels) the source positions of neighbouring
    // page pixels lie at most: promised when guaranteed, else an estimate to be checked row by row;
    // a bound of 0 when the map cannot tell.
    struct StepBound {
        double bound = 0;
        bool guaranteed = false;
    };
    virtual StepBound Steps() const { return {}; }
    // True when a row's source positions step evenly from pixel to pixel (then the source pixels of
    // a stretch of a row lie between those of its ends, and those with a source are side by side).
    virtual bool Even() const { return false; }
};

// The layer's parts laid onto a quadrilateral through a morph mesh.
class MeshSourceMap final : public SourceMap {
public:
    MeshSourceMap(const MorphMesh& mesh, double sourceWidth, double sourceHeight);
    Rect Destination() const override { return m_mesh.Bounds(); }
    void Row(int32_t y, int32_t left, int32_t right, double* sx, double* sy) const override;
    bool Point(double x, double y, double& sx, double& sy) const override;
    PointTS Forward(double sx, double sy) const override;
    StepBound Steps() const override { return {m_steps, false}; }

private:
    const MorphMesh& m_mesh;
    PerspectiveRectangle m_forward;
    double m_width;
    double m_height;
    double m_steps = 0;
};

// The parts kept as they are on the page, inside a new (larger or equal) layer rectangle.
class ShiftSourceMap final : public SourceMap {
public:
    ShiftSourceMap(const Rect& destination, int32_t offsetX, int32_t offsetY, int32_t width, int32_t height)
        : m_destination(destination), m_offsetX(offsetX), m_offsetY(offsetY), m_width(width),
          m_height(height) {}
    Rect Destination() const override { return m_destination; }
    void Row(int32_t y, int32_t left, int32_t right, double* sx, double* sy) const override;
    bool Point(double x, double y, double& sx, double& sy) const override;
    PointTS Forward(double sx, double sy) const override { return PointTS(sx + m_offsetX, sy + m_offsetY); }
    bool Shifts() const override { return true; }
    bool Even() const override { return true; }

private:
    Rect m_destination;
    int32_t m_offsetX, m_offsetY, m_width, m_height;
};

// A turn of the layer about its centre by an angle in degrees (positive turns counter-clockwise on
// screen); the new rectangle holds the whole turned layer and is sized as RLBuffer::Rotate sizes its
// target, so that the parts it turns line up with the others.
class TurnSourceMap final : public SourceMap {
public:
    TurnSourceMap(const Rect& layerRect, int32_t width, int32_t height, double degrees);
    Rect Destination() const override { return m_destination; }
    void Row(int32_t y, int32_t left, int32_t right, double* sx, double* sy) const override;
    bool Point(double x, double y, double& sx, double& sy) const override;
    PointTS Forward(double sx, double sy) const override;
    // Neighbours' positions differ by the turn's cosine and sine.
    StepBound Steps() const override { return {std::max(std::fabs(m_cos), std::fabs(m_sin)) + 1e-9, true}; }
    bool Even() const override { return true; }

private:
    Rect m_destination;
    int32_t m_width, m_height, m_halfW, m_halfH;
    double m_cos, m_sin;
};

// Whether a transformed layer may take this rectangle: its parts must be possible buffers, and its
// working tables (four bytes a pixel) stay within 2^28 pixels.
bool TransformFits(const Rect& destination);

// The components of a layer a transform changes.
inline constexpr uint32_t kMorphLines = 1;    // line coverage and indices, the drawing buffer, corners
inline constexpr uint32_t kMorphLighting = 2; // lighting and its appearance indices
inline constexpr uint32_t kMorphSurface = 4;  // surface colour, the picture and the auxiliary buffer

// Remakes the layer over map.Destination(): the chosen components through map, the others through
// keep (which must have the same destination). Pixels without a source are empty (no paint, neutral
// lighting, no lines, white picture). Line coverage is resampled per sub-pixel so lines stay as thin as
// they were; a line pixel takes its indices from the source pixel its coverage came from. With
// turnDegrees set, one-byte parts are turned by RLBuffer::Rotate. False when memory runs out: the
// layer is then unchanged.
bool RemapLayer(LayerObject& layer, const SourceMap& map, const SourceMap& keep, uint32_t components,
                ProgressMeter* progress, const double* turnDegrees = nullptr);

// Lays the chosen components of the layer onto the quadrilateral (page pixels, TL TR BR BL). When
// some present component is left out, the layer grows to hold it where it was. False when the
// quadrilateral cannot be morphed onto or memory runs out (the layer is then unchanged).
bool MorphLayer(LayerObject& layer, const std::array<PointTS, 4>& corners, uint32_t components,
                ProgressMeter* progress);

// Turns the whole layer about its centre by an angle (degrees, counter-clockwise); the layer grows to
// hold it. False when memory runs out (the layer is then unchanged).
bool TurnLayerBy(LayerObject& layer, double degrees, ProgressMeter* progress);

// Off, the transforms take none of their shortcuts past empty source and work out every destination
// pixel on its own; the pictures are the same either way (for comparing the two).
void SetTransformShortcuts(bool on);

} // namespace ts
