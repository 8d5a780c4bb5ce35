#pragma once

#include "model/point_ts.h"
#include "perspective/perspective_rectangle.h"
#include "raster/rect.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace ts {

// A quadrilateral (top-left, top-right, bottom-right, bottom-left) a rectangle can be laid onto: it
// encloses an area, its sides do not cross and it bends the same way at every corner.
bool QuadIsMorphable(const std::array<PointTS, 4>& corners);

// The interpolation mesh of a morph: 17 x 17 nodes laid over the bounding rectangle of the target
// quadrilateral, each holding the source position (in pixels of a source rectangle of the given size)
// that the perspective correspondence sends there. Corners are pixel edges: the source rectangle's
// corner (0, 0) goes to the first corner, (width, height) to the third.
//
// Between the nodes the source position is interpolated bilinearly. So that lines stay straight in
// every cell, each node also keeps the homogeneous form of its position (x·w, y·w, w) and those are
// what is interpolated; for a map without perspective w is 1 everywhere and this is the plain
// bilinear blend of the positions.
class MorphMesh {
public:
    static constexpr int32_t kCells = 16;
    static constexpr int32_t kNodes = kCells + 1;
    // Tolerance of the construction: points closer than this (pixels) count as the same.
    static constexpr double kTolerance = 0.001;

    struct Node {
        double x = 0;
        double y = 0; // the source position
        double hx = 0;
        double hy = 0;
        double hw = 0; // homogeneous form; hw <= 0 beyond the horizon
    };

    // False (mesh unchanged) when the quadrilateral is not morphable or the source is empty.
    bool Build(const std::array<PointTS, 4>& corners, double sourceWidth, double sourceHeight);
    bool IsBuilt() const { return m_built; }

    const Node& At(int32_t i, int32_t j) const { return m_nodes[static_cast<size_t>(j * kNodes + i)]; }
    // The page pixel of node (0, 0) and the cells per pixel across and down.
    PointTS Origin() const { return m_origin; }
    double ScaleX() const { return m_scaleX; }
    double ScaleY() const { return m_scaleY; }
    // The bounding rectangle of the quadrilateral (page pixels).
    const Rect& Bounds() const { return m_bounds; }
    const std::array<PointTS, 4>& Corners() const { return m_corners; }

    // The source position of a page point; false beyond the horizon of the perspective.
    bool Lookup(double x, double y, double& sx, double& sy) const;
    // The same for the centres of the pixels left .. right - 1 of a page row: sx and sy are indexed
    // from left; a pixel without a source gets -1 in sx.
    void LookupRow(int32_t y, int32_t left, int32_t right, double* sx, double* sy) const;
    // The page pixels [x0, x1) of a row whose centres lie inside the quadrilateral (x0 >= x1: none).
    void Span(int32_t y, int32_t& x0, int32_t& x1) const;

private:
    void Cell(double x, double y, int32_t& i, int32_t& j, double& fu, double& fv) const;

    std::array<Node, kNodes * kNodes> m_nodes{};
    std::array<PointTS, 4> m_corners{};
    PointTS m_origin;
    double m_scaleX = 0;
    double m_scaleY = 0;
    double m_sourceWidth = 0;
    double m_sourceHeight = 0;
    Rect m_bounds;
    bool m_built = false;
};

} // namespace ts
