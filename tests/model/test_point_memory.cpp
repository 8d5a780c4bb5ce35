#include "model/point_memory.h"
#include "model/view_mapping.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace ts {
namespace {

// Segment ends in list order, layer fine coordinates: x1, y1, x2, y2.
std::vector<std::vector<int32_t>> Ends(const PointMemory& memory) {
    std::vector<std::vector<int32_t>> ends;
    for (size_t i = 0; i < memory.Count(); ++i) {
        const Segment& s = memory.At(i);
        ends.push_back({s.startX, s.startY, s.endX, s.endY});
    }
    return ends;
}

TEST(PointMemory, SegmentsAreKeptInLayerCoordinatesInTheOrderAdded) {
    PointMemory memory;
    memory.SetLayerOrigin(10, -2); // 40, -8 in fine units
    ASSERT_TRUE(memory.AddSegment(40, 0, 100, 20));
    ASSERT_TRUE(memory.AddSegment(100, 20, 41, -9));
    EXPECT_EQ(Ends(memory), (std::vector<std::vector<int32_t>>{{0, 8, 60, 28}, {60, 28, 1, -1}}));
    const Segment& s = memory.At(1);
    EXPECT_EQ(s.startPoint, PointTS(60.0, 28.0));
    EXPECT_EQ(s.endPoint, PointTS(1.0, -1.0));
    EXPECT_EQ(s.flag, 0);
    EXPECT_EQ(s.selected, 0);

    memory.RemoveLastSegment();
    EXPECT_EQ(Ends(memory), (std::vector<std::vector<int32_t>>{{0, 8, 60, 28}}));
    memory.RemoveLastSegment();
    memory.RemoveLastSegment();
    EXPECT_TRUE(memory.IsEmpty());
}

TEST(PointMemory, SnapToEndTakesTheEarlierSegmentAndItsStartFirst) {
    PointMemory memory;
    memory.SetLayerOrigin(5, 5);
    memory.AddSegment(100, 100, 300, 300);
    memory.AddSegment(108, 92, 200, 200);
    const ViewMapping oneToOne; // 4 view pixels = 16 fine units
    EXPECT_EQ(memory.SnapToEnd({110, 95}, oneToOne), (IntPoint{100, 100}));
    EXPECT_EQ(memory.SnapToEnd({123, 92}, oneToOne), (IntPoint{108, 92}));
    EXPECT_EQ(memory.SnapToEnd({125, 100}, oneToOne), (IntPoint{125, 100}));
    EXPECT_EQ(memory.SnapToEnd({116, 116}, oneToOne), (IntPoint{100, 100})) << "the square includes its edge";

    // The start of the first segment is tested before its end.
    PointMemory closed;
    closed.AddSegment(0, 0, 4, 4);
    EXPECT_EQ(closed.SnapToEnd({3, 3}, oneToOne), (IntPoint{0, 0}));
}

TEST(PointMemory, SnapToleranceIsFourViewPixelsAtTheZoom) {
    PointMemory memory;
    memory.AddSegment(0, 0, 1000, 1000);
    EXPECT_EQ(memory.SnapToEnd({4, 0}, ViewMapping::FromZoom(4)), (IntPoint{0, 0}));
    EXPECT_EQ(memory.SnapToEnd({5, 0}, ViewMapping::FromZoom(4)), (IntPoint{5, 0}));
    EXPECT_EQ(memory.SnapToEnd({1, 1}, ViewMapping::FromZoom(16)), (IntPoint{0, 0}));
    EXPECT_EQ(memory.SnapToEnd({1, 2}, ViewMapping::FromZoom(16)), (IntPoint{1, 2}));
    EXPECT_EQ(memory.SnapToEnd({1032, 1000}, ViewMapping::FromZoom(-2)), (IntPoint{1000, 1000}));
    EXPECT_EQ(memory.SnapToEnd({1033, 1000}, ViewMapping::FromZoom(-2)), (IntPoint{1033, 1000}));
}

TEST(PointMemory, SelectionByEndsSelectAllAndDeleteSelected) {
    PointMemory memory;
    memory.SetLayerOrigin(1, 1);
    memory.AddSegment(0, 0, 10, 10);
    memory.AddSegment(10, 10, 20, 0);
    memory.AddSegment(0, 0, 10, 10);
    memory.AddSegment(20, 0, 30, 5);

    EXPECT_TRUE(memory.SelectExactly(0, 0, 10, 10));
    EXPECT_EQ(memory.CountSelected(), 2);
    EXPECT_FALSE(memory.SelectExactly(10, 10, 0, 0)) << "ends are matched start to start";
    EXPECT_EQ(memory.CountSelected(), 0);

    memory.ToggleSelected(0, 0, 10, 10); // only the first with these ends
    EXPECT_EQ(memory.At(0).selected, 1);
    EXPECT_EQ(memory.At(2).selected, 0);
    memory.ToggleSelected(20, 0, 30, 5);
    memory.ToggleSelected(0, 0, 10, 10);
    EXPECT_EQ(memory.CountSelected(), 1);

    memory.SelectAll();
    EXPECT_EQ(memory.CountSelected(), 4);
    memory.ClearSelection();
    EXPECT_EQ(memory.CountSelected(), 0);

    memory.SelectExactly(0, 0, 10, 10);
    memory.ToggleSelected(20, 0, 30, 5);
    memory.DeleteSelected();
    EXPECT_EQ(Ends(memory), (std::vector<std::vector<int32_t>>{{6, 6, 16, -4}}));
    memory.DeleteSelected();
    EXPECT_EQ(memory.Count(), 1u);
}

TEST(PointMemory, MoveEndMovesEverySegmentEndAtTheVertex) {
    PointMemory memory;
    memory.SetLayerOrigin(0, 1);
    memory.AddSegment(0, 4, 8, 12);
    memory.AddSegment(8, 12, 16, 4);
    memory.AddSegment(8, 12, 8, 12);
    memory.AddSegment(9, 12, 0, 4);
    memory.MoveEnd(8, 12, 20, 24);
    EXPECT_EQ(Ends(memory), (std::vector<std::vector<int32_t>>{
                                {0, 0, 20, 20}, {20, 20, 16, 0}, {20, 20, 20, 20}, {9, 8, 0, 0}}));
    EXPECT_EQ(memory.At(0).endPoint, PointTS(20.0, 20.0));
    EXPECT_EQ(memory.At(1).startPoint, PointTS(20.0, 20.0));
}

TEST(PointMemory, MirrorFlipsQuarterPixelCellsWithinTheLayer) {
    PointMemory memory;
    memory.AddSegment(0, 0, 399, 199);
    memory.MirrorX(100);
    EXPECT_EQ(Ends(memory), (std::vector<std::vector<int32_t>>{{399, 0, 0, 199}}));
    // The doubles mirror as positions: 400 - x.
    EXPECT_EQ(memory.At(0).startPoint.x, 400.0);
    EXPECT_EQ(memory.At(0).endPoint.x, 1.0);
    memory.MirrorY(50);
    EXPECT_EQ(Ends(memory), (std::vector<std::vector<int32_t>>{{399, 199, 0, 0}}));
    EXPECT_EQ(memory.At(0).startPoint.y, 200.0);
    EXPECT_EQ(memory.At(0).endPoint.y, 1.0);
    memory.MirrorX(100);
    EXPECT_EQ(memory.At(0).startX, 0);
}

TEST(PointMemory, ViewMappingScalesFineUnitsAndRoundsDown) {
    const ViewMapping two = ViewMapping::FromZoom(2, 10, 20, 5, 6);
    EXPECT_EQ(two.FineToViewX(20), 10);
    EXPECT_EQ(two.FineToViewX(22), 11);
    EXPECT_EQ(two.FineToViewX(19), 9);
    EXPECT_EQ(two.FineToViewY(24), 20);
    const ViewMapping half = ViewMapping::FromZoom(-2);
    EXPECT_EQ(half.FineToViewX(7), 0);
    EXPECT_EQ(half.FineToViewX(8), 1);
    EXPECT_EQ(half.FineToViewX(-1), -1);
    EXPECT_EQ(half.FineSpan(4), 32);
}

TEST(PointMemory, HitEndsFindsTheFirstEndInTheNineByNineBox) {
    PointMemory memory;
    memory.SetLayerOrigin(2, 0);
    // Zoom 2: one fine unit is half a view pixel; the viewport shows drawing pixel (0, 0) at view (0, 0).
    const ViewMapping view = ViewMapping::FromZoom(2);
    memory.AddSegment(8, 8, 80, 8);   // ends at view (4, 4) and (40, 4)
    memory.AddSegment(80, 8, 80, 80); // starts at the shared vertex
    memory.AddSegment(0, 0, 200, 0);

    EndHit hit = memory.HitEnds({44, 8}, view);
    EXPECT_EQ(hit.flags, 2);
    EXPECT_EQ(hit.index, 0);
    EXPECT_EQ(hit.end, (IntPoint{80, 8}));
    EXPECT_EQ(hit.other, (IntPoint{8, 8}));

    hit = memory.HitEnds({0, 0}, view);
    EXPECT_EQ(hit.flags, 1) << "the start of the first segment comes before later segments";
    EXPECT_EQ(hit.index, 0);
    EXPECT_EQ(memory.HitEnds({0, 0}, view, 1).index, 2);
    EXPECT_EQ(memory.HitEnds({-1, 0}, view).flags, 1);
    EXPECT_EQ(memory.HitEnds({45, 4}, view).flags, 0) << "5 view pixels is outside the box";
    EXPECT_EQ(memory.HitEnds({104, 4}, view).index, 2);
    EXPECT_EQ(memory.HitEnds({105, 0}, view).index, -1);

    const EndHits vertex = memory.HitEndsTwice({40, 0}, view);
    EXPECT_EQ(vertex.kind, 2);
    EXPECT_EQ(vertex.first.index, 0);
    EXPECT_EQ(vertex.first.flags, 2);
    EXPECT_EQ(vertex.second.index, 1);
    EXPECT_EQ(vertex.second.flags, 1);
    EXPECT_EQ(vertex.second.other, (IntPoint{80, 80}));

    const EndHits single = memory.HitEndsTwice({40, 40}, view);
    EXPECT_EQ(single.kind, 1);
    EXPECT_EQ(single.first.index, 1);
    EXPECT_EQ(single.first.flags, 2);
    EXPECT_EQ(memory.HitEndsTwice({70, 70}, view).kind, 0);
}

} // namespace
} // namespace ts
