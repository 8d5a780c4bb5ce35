#pragma once

#include "model/point_ts.h"
#include "perspective/matrix_ts.h"
#include "perspective/point3d.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace ts {

// What the frame panel describes, in inches (lengths) and degrees.
struct FrameParameters {
    double width = 480.0;
    double depth = 600.0;
    double height = 120.0;
    double rotation = 30.0;
    double majorSpacing = 120.0;
    double minorSpacing = 24.0;
    double centering = 0.0;
    // The part of the drawing's width and height left free on each side of the frame (0.05: 5 %).
    double margin = 0.05;
    double eyeHeight = 60.0;
    double viewDistance = 1440.0;
    // The full opening of the cone of vision: the grids are cut off where they leave it.
    double visionAngle = 60.0;
    bool interior = false;
    bool flat = false;
};

// A picture-plane point: x across, z up (inches at the picture plane).
struct PicturePoint {
    double x = 0.0;
    double z = 0.0;
};

// One grid line as drawn: two points (straight) or three (bent at a box edge), with its weight (the line
// width in drawing pixels) and colour (0x00BBGGRR).
struct FrameLine {
    std::array<Point3D, 3> points{};
    int32_t count = 2;
    int32_t weight = 3;
    uint32_t color = 0;
    bool grid = true; // grid lines end at the cone of vision; the box's edges are drawn whole
};

// The box of the frame and how it is seen. The box stands on the floor (z = 0), W across, D deep and H
// high, turned about its corner (0, 0) by the rotation, then moved across so that its centre lies at
// x = Centering. The picture plane y = P passes through the box's nearest corner; the eye stands the
// view distance in front of it at x = 0 and the eye height.
class FrameGeometry {
public:
    static constexpr double kClipDistance = 1.0;      // inches in front of the eye
    static constexpr double kBoundsStart = 1000000.0; // the bounding box starts from +-this
    // Grid colours: the floor green, the walls of a room seen from inside red, everything else (the box's
    // edges, the outer walls) a slate blue that stays readable under pencil.
    static constexpr uint32_t kFloorColor = 0x0040FF40;
    static constexpr uint32_t kInteriorWallColor = 0x004040FF;
    static constexpr uint32_t kOtherColor = 0x00A05020;
    static constexpr int32_t kMajorStraight = 9;
    static constexpr int32_t kMinorStraight = 3;
    static constexpr int32_t kMajorBent = 7;
    static constexpr int32_t kMinorBent = 2;
    // The most lines one family may have: a smaller spacing is refused rather than drawn for minutes.
    static constexpr int32_t kMaxFamilyLines = 4000;

    explicit FrameGeometry(const FrameParameters& parameters);

    // The rotation actually used: clamped to -90..90 degrees (non-numbers as 0).
    static double ClampedRotation(double degrees);

    const FrameParameters& Parameters() const { return m_p; }
    // Corners in the order (0,0,0), (W,0,0), (0,D,0), (W,D,0), then the same at height H.
    const std::array<Point3D, 8>& Corners() const { return m_corners; }
    const std::array<Segment3D, 12>& Edges() const { return m_edges; }
    const Point3D& Eye() const { return m_eye; }
    double PicturePlane() const { return m_plane; }
    const MatrixTS& Rotation() const { return m_rotation; }
    // A point of the unturned box (u across, v in depth, z up) in model space.
    Point3D ToModel(double u, double v, double z) const;

    bool AnyEdgeVisible() const;
    // Cuts a segment at the plane one inch in front of the eye; false when both ends lie behind it.
    bool ClipNear(Point3D& a, Point3D& b) const;
    // The picture-plane point of a model point; one closer than an inch to the eye is moved to that
    // plane first. A flat frame is seen straight on: x and z as they are.
    PicturePoint Project(Point3D p) const;
    // Minimum and maximum of the projected visible ends of the twelve edges; left > right when none.
    struct Bounds {
        double left = kBoundsStart;
        double right = -kBoundsStart;
        double bottom = kBoundsStart;
        double top = -kBoundsStart;
        bool Empty() const { return left > right || bottom > top; }
        void Add(const PicturePoint& p);
    };
    Bounds EdgeBounds() const;
    // Where the box's two horizontal edge directions meet the horizon, across then depth; a direction
    // parallel to the picture plane has none, and a flat frame has none at all.
    std::vector<PicturePoint> VanishingPoints() const;

    // The grid line families (floor, walls) and the box edges in model space. nullopt when the minor
    // spacing is not positive or a family would have more than kMaxFamilyLines lines. The steps the
    // drawing's progress meter is given: 6 x the floor extent / minor spacing.
    std::optional<std::vector<FrameLine>> Lines() const;
    double FloorExtent() const;
    int32_t ProgressSteps() const;
    // The grid lines' cut to the cone of vision (perspective frames only); false when nothing is left.
    bool ClipToVision(Point3D& a, Point3D& b) const;

private:
    FrameParameters m_p;
    double m_radians = 0.0;
    MatrixTS m_rotation;
    double m_shift = 0.0;
    std::array<Point3D, 8> m_corners{};
    std::array<Segment3D, 12> m_edges{};
    Point3D m_eye;
    double m_plane = 0.0;
};

// How picture-plane inches land on a layer: a uniform scale and a shift that put the bounds in the middle
// of the layer inside its margin. Pixel y grows downward while z grows upward.
class FrameFit {
public:
    FrameFit() = default;
    FrameFit(const FrameGeometry::Bounds& bounds, int32_t width, int32_t height, double margin);
    PointTS ToPixels(const PicturePoint& p) const;
    double Scale() const { return m_scale; }

private:
    double m_scale = 1.0;
    double m_centerX = 0.0;
    double m_centerZ = 0.0;
    double m_pixelX = 0.0;
    double m_pixelY = 0.0;
};

} // namespace ts
