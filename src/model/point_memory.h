#pragma once

#include "model/point_ts.h"
#include "model/segment.h"
#include "model/view_mapping.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace ts {

// An end of a segment found under the pointer.
struct EndHit {
    int flags = 0;      // 0 = nothing hit, 1 = the start, 2 = the end
    int32_t index = -1; // the segment's position in the list
    IntPoint end;       // the hit end, drawing fine coordinates
    IntPoint other;     // the segment's other end, drawing fine coordinates
};

// Up to two segments whose ends lie under the pointer (a vertex shared by two segments).
struct EndHits {
    int kind = 0; // 0 = none, 1 = one segment, 2 = two segments
    EndHit first;
    EndHit second;
};

// The straight segments of the line being drawn on a layer, in the order they were added. Segments are
// stored in fine coordinates relative to the layer's origin. Every operation takes and returns drawing
// fine coordinates: layer fine = drawing fine - 4 * origin, with the origin set by SetLayerOrigin, so the
// owning layer sets it whenever its position changes.
class PointMemory {
public:
    PointMemory() = default;
    PointMemory(PointMemory&&) noexcept = default;
    PointMemory& operator=(PointMemory&&) noexcept = default;

    // The layer's top-left pixel in drawing pixels.
    void SetLayerOrigin(int32_t x, int32_t y);
    IntPoint LayerOrigin() const { return m_origin; }

    // Appends a segment (flag and selected 0); false when memory runs out.
    bool AddSegment(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
    // Drops the last segment; nothing happens on an empty list.
    void RemoveLastSegment();
    void Clear() { m_segments.clear(); }

    // The first segment end (start before end, earlier segments first) within 4 view pixels of the point
    // in both x and y; with none, the point itself.
    IntPoint SnapToEnd(IntPoint point, const ViewMapping& view) const;

    // Selects exactly the segments with these ends (start, then end) and clears all others; true when
    // one matched.
    bool SelectExactly(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
    // Flips the selection of the first segment with these ends.
    void ToggleSelected(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
    void SelectAll();
    void ClearSelection();
    int CountSelected() const;
    void DeleteSelected();

    // Every segment end at the old point moves to the new one (a vertex drag).
    void MoveEnd(int32_t oldX, int32_t oldY, int32_t newX, int32_t newY);

    // The first segment, from position `from` on, with an end inside the 9 x 9 view-pixel box centred on
    // the view point; the start is tested before the end.
    EndHit HitEnds(IntPoint viewPoint, const ViewMapping& view, size_t from = 0) const;
    // HitEnds, and when an end was hit, again from the following segment for a second segment sharing
    // the vertex.
    EndHits HitEndsTwice(IntPoint viewPoint, const ViewMapping& view) const;

    // Mirrors the segments in a layer `width` (`height`) pixels wide (high): ends x -> 4 * width - x - 1,
    // their doubles -> 4 * width - x.
    void MirrorX(int32_t width);
    void MirrorY(int32_t height);

    size_t Count() const { return m_segments.size(); }
    bool IsEmpty() const { return m_segments.empty(); }
    // The segment at a position, in layer fine coordinates.
    const Segment& At(size_t index) const { return *m_segments[index]; }

private:
    IntPoint ToLayer(int32_t x, int32_t y) const;
    IntPoint ToDrawing(int32_t x, int32_t y) const;

    // Owned, in list order; the boxes keep segment addresses stable while the list changes.
    std::vector<std::unique_ptr<Segment>> m_segments;
    IntPoint m_origin;
};

} // namespace ts
