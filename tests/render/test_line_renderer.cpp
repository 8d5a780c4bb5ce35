#include "line_test_support.h"

#include "raster/byte_bit_counter.h"
#include "raster/byte_stream.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <set>
#include <string>
#include <utility>

namespace ts {
namespace {

using testing::ByteAt;
using testing::Covered;
using testing::DrawLine;
using testing::LevelLine;
using testing::LineLayer;
using testing::MaskAt;
using testing::RenderedColor;
using testing::StyleByte;

// Pixels covered by at least half their cells (the edge of a neighbouring dot reaches a few).
bool Inked(const LayerObject& layer, int32_t x, int32_t y) {
    return CountMaskBits(MaskAt(*layer.lineArt->lineBuffer, x, y)) >= 8;
}

// The columns of a row that show ink.
std::vector<int32_t> InkedColumns(const LayerObject& layer, int32_t y) {
    std::vector<int32_t> xs;
    for (int32_t x = 0; x < layer.lineArt->lineBuffer->Width(); ++x) {
        if (Inked(layer, x, y)) {
            xs.push_back(x);
        }
    }
    return xs;
}

// Rows of column x that show line coverage.
int32_t InkedRows(const LayerObject& layer, int32_t x) {
    int32_t n = 0;
    for (int32_t y = 0; y < layer.lineArt->lineBuffer->Height(); ++y) {
        n += Covered(layer, x, y) ? 1 : 0;
    }
    return n;
}

std::vector<uint8_t> AllBytes(const RLBuffer& b) {
    std::vector<uint8_t> all;
    for (int32_t y = 0; y < b.Height(); ++y) {
        const std::vector<uint8_t> row = testing::ReadPixelRow(b, y);
        all.insert(all.end(), row.begin(), row.end());
    }
    return all;
}

TEST(LineRenderer, APointDrawsNothing) {
    auto layer = LineLayer(20, 20);
    LineRenderer renderer(*layer);
    EXPECT_TRUE(renderer.RasterizeSegment(21, 33, 21, 33, nullptr).IsEmpty());
    EXPECT_TRUE(DrawLine(*layer, {{21, 33, 21, 33}}, {}).IsEmpty());
    EXPECT_FALSE(layer->frame->drawingBuffer->BoundingBox(0).Width() > 0);
    EXPECT_FALSE(layer->lineArt->HasLines());
}

TEST(LineRenderer, ALongDiagonalStaysOnItsLine) {
    // The minor difference of 34000 quarter pixels times 0x10000 does not fit 32 bits.
    auto layer = LineLayer(9000, 9000);
    LineRenderer renderer(*layer);
    const Rect touched = renderer.RasterizeSegment(0, 0, 35999, 34000, nullptr);
    EXPECT_EQ(touched, (Rect{0, 0, 9000, 8501}));
    for (const int32_t y : {0, 1000, 4096, 8191, 8192, 8500}) {
        const std::vector<uint8_t> row = testing::ReadPixelRow(*layer->frame->drawingBuffer, y);
        const double expected = y * 35999.0 / 34000.0;
        int32_t found = 0;
        for (int32_t x = 0; x < 9000; ++x) {
            if (row[2 * static_cast<size_t>(x)] | row[2 * static_cast<size_t>(x) + 1]) {
                EXPECT_LE(std::abs(x - expected), 2.0) << "row " << y << " column " << x;
                ++found;
            }
        }
        EXPECT_GE(found, 1) << "row " << y;
    }
}

TEST(LineRenderer, SegmentsReachingFarPastTheLayerDrawOnlyTheirPartOnIt) {
    auto layer = LineLayer(40, 30);
    LineRenderer renderer(*layer);
    // A billion quarter pixels each way: drawn at once, one pixel of every column of its row.
    const int32_t far = 1 << 30;
    EXPECT_EQ(renderer.RasterizeSegment(-far, 4 * 10 + 1, far, 4 * 10 + 1, nullptr), (Rect{0, 10, 40, 11}));
    EXPECT_EQ(renderer.RasterizeSegment(4 * 7 + 2, far, 4 * 7 + 2, -far, nullptr), (Rect{7, 0, 8, 30}));
    EXPECT_TRUE(renderer.RasterizeSegment(-far, -far, -far + 400, far, nullptr).IsEmpty());
    // A segment reaching past the layer sets the cells it sets on a layer holding all of it, here 1000
    // and 750 pixels further in (or not moved, for segments leaving to the right or down).
    struct Case {
        FineSegment s;
        int32_t shift;
    };
    for (const Case& c :
         {Case{{-4000, -2999, 80, 61}, 1}, Case{{-3, -2999, 157, 117}, 1}, Case{{4000, -1999, 1, 117}, 1},
          Case{{100, 20, 4100, 1020}, 0}, Case{{30, 10, 1030, 2810}, 0}}) {
        const FineSegment& s = c.s;
        auto part = LineLayer(40, 30);
        LineRenderer(*part).RasterizeSegment(s.x1, s.y1, s.x2, s.y2, nullptr);
        const int32_t dx = 1000 * c.shift;
        const int32_t dy = 750 * c.shift;
        auto whole = LineLayer(1040, 780);
        LineRenderer(*whole).RasterizeSegment(s.x1 + 4 * dx, s.y1 + 4 * dy, s.x2 + 4 * dx, s.y2 + 4 * dy,
                                              nullptr);
        int32_t inked = 0;
        for (int32_t y = 0; y < 30; ++y) {
            for (int32_t x = 0; x < 40; ++x) {
                const uint16_t mask = MaskAt(*part->frame->drawingBuffer, x, y);
                ASSERT_EQ(mask, MaskAt(*whole->frame->drawingBuffer, x + dx, y + dy)) << x << "," << y;
                inked += mask != 0 ? 1 : 0;
            }
        }
        EXPECT_GT(inked, 10);
    }
}

TEST(LineRenderer, DashCyclesFollowStyleAndWidth) {
    EXPECT_EQ(DashCycleOf(kLineDotted, 1).c, 3);
    EXPECT_EQ(DashCycleOf(kLineDotted, 1).e, 4);
    EXPECT_EQ(DashCycleOf(kLineDashedLong, 20).c, 25);
    EXPECT_EQ(DashCycleOf(kLineDashedLong, 20).e, 37);
    EXPECT_EQ(DashCycleOf(kLineDashedLong, 31).c, 29) << "capped";
    // A pixel without a phase starts a cycle; a step beyond the cycle starts the next one.
    const DashCycle cycle = DashCycleOf(kLineDotted, 1);
    EXPECT_EQ(DotDashGapMask::NextCode(0, DotDashGapMask::kLeft, kLineDotted, cycle),
              DotDashGapMask::kFirstPhase);
    EXPECT_EQ(
        DotDashGapMask::NextCode(DotDashGapMask::kFirstPhase, DotDashGapMask::kLeft, kLineDotted, cycle),
        DotDashGapMask::kSecondPhase | 1u);
    EXPECT_EQ(DotDashGapMask::NextCode(DotDashGapMask::kSecondPhase | 3u, DotDashGapMask::kLeft, kLineDotted,
                                       cycle),
              DotDashGapMask::kFirstPhase);
}

TEST(LineRenderer, WidthOneDotsAndDashesCountFromTheRightEnd) {
    auto dotted = LineLayer(48, 8);
    DrawLine(*dotted, {LevelLine(3, 40, 4)}, {1, kLineDotted, 0, 0});
    std::vector<int32_t> dots;
    for (int32_t x = 40; x >= 3; x -= 4) {
        dots.insert(dots.begin(), x);
    }
    EXPECT_EQ(InkedColumns(*dotted, 4), dots) << "every 4th pixel from the right end";
    EXPECT_EQ(StyleByte(*dotted, 39, 4), kLineDotted | kLineGapBit);
    EXPECT_EQ(StyleByte(*dotted, 40, 4), kLineDotted);

    auto dashed = LineLayer(48, 8);
    DrawLine(*dashed, {LevelLine(3, 40, 4)}, {1, kLineDashed, 0, 0});
    std::vector<int32_t> dashes;
    for (int32_t x = 40; x >= 3; --x) {
        if ((40 - x) % 7 < 4) {
            dashes.insert(dashes.begin(), x);
        }
    }
    EXPECT_EQ(InkedColumns(*dashed, 4), dashes) << "4 on, 3 off";
}

TEST(LineRenderer, AGapShowsOnceSolidAgain) {
    auto layer = LineLayer(48, 8);
    DrawLine(*layer, {LevelLine(3, 40, 4)}, {1, kLineDotted, 0, 0});
    ASSERT_FALSE(Inked(*layer, 39, 4));
    EXPECT_NE(MaskAt(*layer->frame->drawingBuffer, 39, 4), 0) << "a gap keeps its occupancy";
    LineRenderer renderer(*layer);
    DotDashGapMask dashes;
    RecordingRefresh refresh;
    renderer.RestyleLayer(kLineSolid, dashes, &refresh);
    EXPECT_EQ(InkedColumns(*layer, 4).size(), 38u);
    EXPECT_EQ(refresh.reasons, std::vector<std::string>{kLinePaintWidthManager});
}

TEST(LineRenderer, MaskedRestylesSpareOtherLinesAndEmptyPixels) {
    auto layer = LineLayer(48, 16);
    DrawLine(*layer, {LevelLine(3, 40, 4)}, {1, kLineDashed, 0, 0});
    DrawLine(*layer, {LevelLine(3, 40, 10)}, {1, kLineDashed, 0, 0});
    testing::SetByte(*layer->lineArt->lineAppearanceIndex, 45, 14, 0x55); // not a line pixel
    // One line made Solid through a mask of its pixels.
    FastBitonalMask mask;
    mask.Resize(48, 16);
    mask.SetRect(0, 4, 48, 5);
    LineRenderer renderer(*layer);
    renderer.ApplyStyle(kLineSolid, &mask, nullptr, renderer.LayerRectangle());
    renderer.RedrawLines(renderer.LayerRectangle());
    EXPECT_EQ(InkedColumns(*layer, 4).size(), 38u);
    EXPECT_LT(InkedColumns(*layer, 10).size(), 38u) << "the other line keeps its dashes";
    // A whole-layer restyle rewrites line pixels only.
    DotDashGapMask dashes;
    renderer.RestyleLayer(kLineDotted, dashes, nullptr);
    EXPECT_EQ(StyleByte(*layer, 45, 14), 0x55);
    EXPECT_EQ(StyleByte(*layer, 40, 4), kLineDotted);
}

// A few lines of every kind: widths, styles, freehand and colours.
void DrawMixedLines(LayerObject& layer) {
    DrawLine(layer, {{8, 8, 380, 150}, {380, 150, 60, 300}}, {5, kLineSolid, 3, 1});
    DrawLine(layer, {{40, 260, 390, 30}}, {12, kLineDashed, 0, 2});
    DrawLine(layer, {LevelLine(2, 95, 40)}, {1, kLineDotted, 7, 3});
    DrawLine(layer, {{300, 10, 310, 320}}, {31, kLineDashedLong, 2, 4});
}

TEST(LineRenderer, ThePixelsFollowFromTheBytesAlone) {
    auto a = LineLayer(100, 80);
    DrawMixedLines(*a);
    // Another layer given the same bytes, with rubbish where the rendering goes.
    auto b = LineLayer(100, 80);
    b->frame->drawingBuffer->CopyFrom(*a->frame->drawingBuffer);
    b->lineArt->lineAppearanceIndex->CopyFrom(*a->lineArt->lineAppearanceIndex);
    b->lineArt->refreshWidth->CopyFrom(*a->lineArt->refreshWidth);
    b->lineArt->colorAppearanceIndex->CopyFrom(*a->lineArt->colorAppearanceIndex);
    b->lineArt->lineBuffer->Fill(0x5A);
    b->lineArt->refreshAppearance->Fill(9);
    LineRenderer renderer(*b);
    // A part of the layer: its redrawn rectangle equals the first layer there.
    const Rect part = renderer.RedrawLines(Rect{40, 30, 47, 36});
    EXPECT_EQ(part, (Rect{40 - kLineReach, 30 - kLineReach, 47 + kLineReach, 36 + kLineReach}));
    for (int32_t y = part.top; y < part.bottom; ++y) {
        for (int32_t x = part.left; x < part.right; ++x) {
            ASSERT_EQ(MaskAt(*b->lineArt->lineBuffer, x, y), MaskAt(*a->lineArt->lineBuffer, x, y))
                << x << "," << y;
            ASSERT_EQ(RenderedColor(*b, x, y), RenderedColor(*a, x, y)) << x << "," << y;
        }
    }
    EXPECT_EQ(MaskAt(*b->lineArt->lineBuffer, 0, 0), 0x5A5A) << "outside the rectangle nothing changed";
    // The whole layer: the same pixels as drawing them did.
    renderer.RedrawLines(renderer.LayerRectangle());
    EXPECT_EQ(AllBytes(*b->lineArt->lineBuffer), AllBytes(*a->lineArt->lineBuffer));
    EXPECT_EQ(AllBytes(*b->lineArt->refreshAppearance), AllBytes(*a->lineArt->refreshAppearance));
}

// The redraw's fast paths (vector runs of eight cells, lines of one colour without distances, stamps of
// one colour out of row order) give the plain loops' pixels: for every width (stamps of every side),
// lines crossing at equal distances in other colours, lines on the layer's first and last columns, and
// rectangles whose grown edges cut stamps at odd columns, on a layer whose width is no multiple of 8;
// with many colours and with one.
TEST(LineRenderer, FastPathsGiveThePlainLoopsPixels) {
    auto a = LineLayer(133, 90);
    DrawMixedLines(*a);
    for (int32_t w = 1; w <= kMaxLineWidth; ++w) {
        const int32_t x = 4 * w + 3;
        DrawLine(*a, {{x, 4, 4 * (130 - w), 350}}, {w, kLineSolid, w % 8, static_cast<uint8_t>(w % 5)});
        DrawLine(*a, {LevelLine(w, 120, 2 + 3 * (w % 29))},
                 {w, kLineSolid, 0, static_cast<uint8_t>(w % 3 + 5)});
    }
    DrawLine(*a, {{1, 0, 1, 359}, {530, 0, 530, 359}}, {7, kLineSolid, 0, 6});
    const auto redrawn = [&](bool fast, bool oneColour, const Rect& area) {
        auto b = LineLayer(133, 90);
        b->frame->drawingBuffer->CopyFrom(*a->frame->drawingBuffer);
        b->lineArt->lineAppearanceIndex->CopyFrom(*a->lineArt->lineAppearanceIndex);
        b->lineArt->refreshWidth->CopyFrom(*a->lineArt->refreshWidth);
        b->lineArt->colorAppearanceIndex->CopyFrom(*a->lineArt->colorAppearanceIndex);
        if (oneColour) {
            b->lineArt->colorAppearanceIndex->Fill(4);
        }
        const bool previous = linestamps::UseFastPaths(fast);
        LineRenderer(*b).RedrawLines(area);
        linestamps::UseFastPaths(previous);
        std::vector<uint8_t> bytes = AllBytes(*b->lineArt->lineBuffer);
        const std::vector<uint8_t> colors = AllBytes(*b->lineArt->refreshAppearance);
        bytes.insert(bytes.end(), colors.begin(), colors.end());
        return bytes;
    };
    for (const bool oneColour : {false, true}) {
        for (const Rect& area : {Rect{0, 0, 133, 90}, Rect{33, 17, 34, 18}, Rect{51, 40, 80, 41},
                                 Rect{100, 60, 133, 90}, Rect{0, 70, 5, 90}}) {
            EXPECT_EQ(redrawn(true, oneColour, area), redrawn(false, oneColour, area))
                << (oneColour ? "one colour " : "") << area.left << "," << area.top << " - " << area.right
                << "," << area.bottom;
        }
    }
}

// A redraw of a rectangle stores exactly what a whole redraw stores there, row codes included: for one
// pixel at the layer's corners, a column the layer's whole height (taller than the rows the redraw keeps
// at a time), rectangles ending exactly on a segment's end pixels, on a dash crossing their edge, or
// reaching past the layer.
TEST(LineRenderer, PartialRedrawsStoreWhatAWholeRedrawStores) {
    auto reference = LineLayer(150, 170);
    DrawLine(*reference, {LevelLine(10, 60, 20), LevelLine(60, 60, 150)}, {3, kLineDashed, 0, 1});
    DrawLine(*reference, {{0, 0, 599, 679}}, {2, kLineSolid, 5, 2});     // corner to corner
    DrawLine(*reference, {{590, 4, 120, 676}}, {31, kLineDotted, 0, 3}); // steep and widest
    DrawLine(*reference, {LevelLine(0, 149, 169)}, {9, kLineDashedLong, 7, 1});
    DrawLine(*reference, {{2, 300, 2, 500}}, {1, kLineSolid, 0, 2}); // upright on the first column
    const bool previous = linestamps::UseFastPaths(false);
    LineRenderer(*reference).RedrawLines(Rect{0, 0, 150, 170});
    linestamps::UseFastPaths(previous);
    const auto stored = [](const RLBuffer& b) {
        ByteWriter out;
        b.WriteBlock(out);
        return out.Take();
    };
    for (const Rect& area :
         {Rect{0, 0, 1, 1}, Rect{149, 169, 150, 170}, Rect{75, 0, 76, 170}, Rect{10, 20, 61, 21},
          Rect{60, 20, 61, 151}, Rect{20, 14, 40, 26}, Rect{-30, 100, 400, 120}}) {
        auto b = LineLayer(150, 170);
        b->frame->drawingBuffer->CopyFrom(*reference->frame->drawingBuffer);
        b->lineArt->lineAppearanceIndex->CopyFrom(*reference->lineArt->lineAppearanceIndex);
        b->lineArt->refreshWidth->CopyFrom(*reference->lineArt->refreshWidth);
        b->lineArt->colorAppearanceIndex->CopyFrom(*reference->lineArt->colorAppearanceIndex);
        b->lineArt->lineBuffer->CopyFrom(*reference->lineArt->lineBuffer);
        b->lineArt->refreshAppearance->CopyFrom(*reference->lineArt->refreshAppearance);
        b->lineArt->lineBuffer->FillRect(area.left, area.top, area.right, area.bottom, 0x33);
        b->lineArt->refreshAppearance->FillRect(area.left, area.top, area.right, area.bottom, 9);
        const Rect redrawn = LineRenderer(*b).RedrawLines(area);
        const std::string where = std::to_string(area.left) + "," + std::to_string(area.top);
        // Only the rectangle's own pixels were spoilt: nothing around it looks different.
        EXPECT_EQ(redrawn, Intersection(area, Rect{0, 0, 150, 170})) << where;
        EXPECT_EQ(stored(*b->lineArt->lineBuffer), stored(*reference->lineArt->lineBuffer)) << where;
        EXPECT_EQ(stored(*b->lineArt->refreshAppearance), stored(*reference->lineArt->refreshAppearance))
            << where;
    }
}

// Hatching as architects draw it, level lines four pixels apart, wobbling, of many widths, where
// neighbouring stamps of a row are joined together: the fast paths give the plain loops' pixels for
// rectangles ending on a line's end pixels, cutting through the lines and a dash pattern, on the layer's
// edges, and taller than the rows the redraw keeps at a time; with lines of one colour and of two.
TEST(LineRenderer, HatchingGivesThePlainLoopsPixels) {
    auto a = LineLayer(201, 150);
    for (int32_t i = 0; 4 * i < 150; ++i) {
        const int32_t w = 1 + (i * 5) % kMaxLineWidth;
        DrawLine(*a, {LevelLine(i % 3 == 0 ? 0 : 17, i % 2 == 0 ? 150 : 200, 4 * i)},
                 {w, kLineSolid, i % 8, 1});
    }
    DrawLine(*a, {{241, 0, 302, 599}}, {4, kLineSolid, 3, 1});                               // steep
    DrawLine(*a, {LevelLine(200, 200, 0), LevelLine(200, 200, 149)}, {6, kLineSolid, 0, 1}); // last column
    DrawLine(*a, {LevelLine(30, 180, 71)}, {5, kLineDashed, 2, 1});
    // The plain loops (0), the baseline vectors (1) and the widest the processor has (2).
    const auto redrawn = [&](int32_t paths, bool twoColours, const Rect& area, Rect& returned) {
        auto b = LineLayer(201, 150);
        b->frame->drawingBuffer->CopyFrom(*a->frame->drawingBuffer);
        b->lineArt->lineAppearanceIndex->CopyFrom(*a->lineArt->lineAppearanceIndex);
        b->lineArt->refreshWidth->CopyFrom(*a->lineArt->refreshWidth);
        b->lineArt->colorAppearanceIndex->CopyFrom(*a->lineArt->colorAppearanceIndex);
        if (twoColours) {
            b->lineArt->colorAppearanceIndex->FillRect(0, 0, 90, 150, 2);
        }
        const bool previous = linestamps::UseFastPaths(paths > 0);
        const bool wide = linestamps::UseWideVectors(paths > 1);
        returned = LineRenderer(*b).RedrawLines(area);
        linestamps::UseFastPaths(previous);
        linestamps::UseWideVectors(wide);
        std::vector<uint8_t> bytes = AllBytes(*b->lineArt->lineBuffer);
        const std::vector<uint8_t> colors = AllBytes(*b->lineArt->refreshAppearance);
        bytes.insert(bytes.end(), colors.begin(), colors.end());
        return bytes;
    };
    for (const bool twoColours : {false, true}) {
        for (const Rect& area : {Rect{0, 0, 201, 150}, Rect{17, 8, 151, 9}, Rect{60, 10, 61, 140},
                                 Rect{190, 100, 201, 150}, Rect{-10, 69, 90, 74}, Rect{100, 0, 108, 150}}) {
            Rect plainRect;
            const std::vector<uint8_t> plain = redrawn(0, twoColours, area, plainRect);
            for (const int32_t paths : {1, 2}) {
                Rect fastRect;
                EXPECT_EQ(redrawn(paths, twoColours, area, fastRect), plain)
                    << paths << (twoColours ? " two colours " : " ") << area.left << "," << area.top << " - "
                    << area.right << "," << area.bottom;
                EXPECT_EQ(fastRect, plainRect);
            }
        }
    }
}

// A redraw returns the rectangle asked for (on the layer) and, around it, only what looks different:
// nothing more while the lines are as they were; where pixels of a line in colour 0 were cleared, the
// reach of the coverage that went; where a line was given another colour, the reach of its new colour.
TEST(LineRenderer, ARedrawReturnsWhatMayLookDifferent) {
    auto layer = LineLayer(120, 90);
    DrawLine(*layer, {LevelLine(10, 110, 45)}, {7, kLineSolid, 0, 0});
    DrawLine(*layer, {{40, 8, 440, 100}}, {3, kLineSolid, 2, 2});
    LineRenderer renderer(*layer);
    EXPECT_EQ(renderer.RedrawLines(Rect{50, 40, 60, 50}), (Rect{50, 40, 60, 50}));
    EXPECT_EQ(renderer.RedrawLines(Rect{-5, -5, 3, 200}), (Rect{0, 0, 3, 90}));
    EXPECT_TRUE(renderer.RedrawLines(Rect{-40, 10, -30, 20}).IsEmpty()) << "off the layer, out of reach";
    // The box of the pixels whose coverage or colour differ from before.
    const auto changedSince = [&](const std::vector<uint8_t>& cover, const std::vector<uint8_t>& colors) {
        Rect changed{};
        for (int32_t y = 0; y < 90; ++y) {
            for (int32_t x = 0; x < 120; ++x) {
                const auto at = static_cast<size_t>(y * 120 + x);
                if (MaskAt(*layer->lineArt->lineBuffer, x, y) != (cover[2 * at] | cover[2 * at + 1] << 8) ||
                    RenderedColor(*layer, x, y) != colors[at]) {
                    changed = Union(changed, Rect{x, y, x + 1, y + 1});
                }
            }
        }
        return changed;
    };
    for (const bool recolour : {false, true}) {
        const std::vector<uint8_t> cover = AllBytes(*layer->lineArt->lineBuffer);
        const std::vector<uint8_t> colors = AllBytes(*layer->lineArt->refreshAppearance);
        const Rect area = recolour ? Rect{40, 10, 60, 15} : Rect{60, 45, 70, 46};
        RLBuffer& bytes = recolour ? *layer->lineArt->colorAppearanceIndex : *layer->frame->drawingBuffer;
        bytes.FillRect(area.left, area.top, area.right, area.bottom, recolour ? 3 : 0);
        const Rect redrawn = renderer.RedrawLines(area);
        const Rect changed = changedSince(cover, colors);
        EXPECT_NE(Union(area, changed), area) << "the stamps reach past the bytes changed " << recolour;
        EXPECT_EQ(redrawn, Union(area, changed)) << recolour;
    }
}

TEST(LineRenderer, EveryWidthHasItsOwnStamp) {
    int32_t previous = 0;
    for (int32_t w = 1; w <= kMaxLineWidth; ++w) {
        auto layer = LineLayer(60, 60);
        DrawLine(*layer, {LevelLine(5, 50, 30)}, {w, kLineSolid, 0, 1});
        int32_t cells = 0;
        for (int32_t y = 0; y < 60; ++y) {
            cells += CountMaskBits(MaskAt(*layer->lineArt->lineBuffer, 28, y));
        }
        EXPECT_GT(cells, previous) << "width " << w;
        EXPECT_LE(std::abs(cells - 16 * w), 4) << "width " << w << ": four cells a pixel, w pixels across";
        EXPECT_LE(std::abs(InkedRows(*layer, 28) - w), 2) << "width " << w;
        previous = cells;
    }
    // Width 1 is one pixel wide and unbroken, across and down.
    auto layer = LineLayer(40, 40);
    DrawLine(*layer, {{10, 10, 150, 10}, {150, 10, 150, 150}}, {1, kLineSolid, 0, 1});
    for (int32_t x = 3; x <= 36; ++x) {
        EXPECT_EQ(InkedRows(*layer, x), 1) << x;
    }
    EXPECT_EQ(InkedColumns(*layer, 20).size(), 1u);
}

TEST(LineRenderer, TheNearestLineGivesAPixelItsColour) {
    // Two wide lines side by side whose stamps overlap between them.
    auto layer = LineLayer(60, 40);
    DrawLine(*layer, {LevelLine(5, 50, 15)}, {9, kLineSolid, 0, 1});
    DrawLine(*layer, {LevelLine(5, 50, 21)}, {9, kLineSolid, 0, 2});
    EXPECT_EQ(RenderedColor(*layer, 30, 15), 1);
    EXPECT_EQ(RenderedColor(*layer, 30, 17), 1);
    EXPECT_EQ(RenderedColor(*layer, 30, 19), 2);
    EXPECT_EQ(RenderedColor(*layer, 30, 21), 2);
    EXPECT_TRUE(Covered(*layer, 30, 18));
    // The same holds whichever was drawn last.
    auto swapped = LineLayer(60, 40);
    DrawLine(*swapped, {LevelLine(5, 50, 21)}, {9, kLineSolid, 0, 2});
    DrawLine(*swapped, {LevelLine(5, 50, 15)}, {9, kLineSolid, 0, 1});
    EXPECT_EQ(RenderedColor(*swapped, 30, 17), 1);
    EXPECT_EQ(RenderedColor(*swapped, 30, 19), 2);
}

TEST(LineRenderer, FreehandWobblesSmoothlyAndGrowsWithItsAmount) {
    int32_t previousLargest = 0;
    for (int32_t a = 1; a <= kMaxFreehand; ++a) {
        int32_t largest = 0;
        int32_t px = 0;
        int32_t py = 0;
        linestamps::Wobble(a, 0, 777, px, py);
        for (int32_t x = 1; x < 3000; ++x) {
            int32_t dx = 0;
            int32_t dy = 0;
            linestamps::Wobble(a, x, 777, dx, dy);
            largest = std::max({largest, std::abs(dx), std::abs(dy)});
            EXPECT_LE(std::abs(dx - px) + std::abs(dy - py), 4) << "amount " << a << " at " << x;
            px = dx;
            py = dy;
        }
        EXPECT_GT(largest, previousLargest);
        previousLargest = largest;
    }
    int32_t dx = 1;
    int32_t dy = 1;
    linestamps::Wobble(0, 5, 5, dx, dy);
    EXPECT_EQ(dx | dy, 0);
}

TEST(LineRenderer, AFreehandLineOfWidthOneStaysUnbroken) {
    auto layer = LineLayer(420, 200);
    DrawLine(*layer, {{40, 40, 1600, 700}}, {1, kLineSolid, 7, 1});
    // Walk the coverage (8-connected) from near the start; the far end must be reached.
    std::set<std::pair<int32_t, int32_t>> seen;
    std::deque<std::pair<int32_t, int32_t>> todo;
    for (int32_t y = 0; y < 30 && todo.empty(); ++y) {
        for (int32_t x = 0; x < 30 && todo.empty(); ++x) {
            if (Covered(*layer, x, y)) {
                todo.emplace_back(x, y);
                seen.emplace(x, y);
            }
        }
    }
    ASSERT_FALSE(todo.empty());
    int32_t furthest = 0;
    while (!todo.empty()) {
        const auto [x, y] = todo.front();
        todo.pop_front();
        furthest = std::max(furthest, x);
        for (int32_t ny = y - 1; ny <= y + 1; ++ny) {
            for (int32_t nx = x - 1; nx <= x + 1; ++nx) {
                if (nx >= 0 && ny >= 0 && nx < 420 && ny < 200 && !seen.count({nx, ny}) &&
                    Covered(*layer, nx, ny)) {
                    seen.emplace(nx, ny);
                    todo.emplace_back(nx, ny);
                }
            }
        }
    }
    EXPECT_GE(furthest, 395);
    // And it does wobble: not every pixel lies on the straight line.
    int32_t off = 0;
    for (const auto& [x, y] : seen) {
        off += std::abs(y - (10 + (x - 10) * 165 / 390)) > 1 ? 1 : 0;
    }
    EXPECT_GT(off, 20);
}

TEST(LineRenderer, MalformedBytesDrawSanely) {
    auto layer = LineLayer(40, 20);
    DrawLine(*layer, {LevelLine(5, 30, 8)}, {1, kLineSolid, 0, 200});
    auto reference = LineLayer(40, 20);
    DrawLine(*reference, {LevelLine(5, 30, 8)}, {1, kLineSolid, 0, 200});
    // Width 0 draws as width 1; a style beyond 6 without its gap bit draws; an empty colour slot is kept.
    for (int32_t x = 5; x <= 30; ++x) {
        testing::SetByte(*layer->lineArt->refreshWidth, x, 8, 0);
        testing::SetByte(*layer->lineArt->lineAppearanceIndex, x, 8, 0x7F);
    }
    LineRenderer renderer(*layer);
    renderer.RedrawLines(renderer.LayerRectangle());
    EXPECT_EQ(AllBytes(*layer->lineArt->lineBuffer), AllBytes(*reference->lineArt->lineBuffer));
    EXPECT_EQ(RenderedColor(*layer, 10, 8), 200);
    // Parts of another size are not read: width 1, Solid.
    layer->lineArt->refreshWidth = parts::NewBuffer(7, 3, 1, 31);
    layer->lineArt->lineAppearanceIndex = parts::NewBuffer(90, 90, 1, 0x80);
    LineRenderer odd(*layer);
    odd.RedrawLines(odd.LayerRectangle());
    EXPECT_EQ(AllBytes(*layer->lineArt->lineBuffer), AllBytes(*reference->lineArt->lineBuffer));
    EXPECT_TRUE(odd.RasterizeSegment(0, 0, 50, 50, nullptr).IsEmpty()) << "nothing is drawn into them";
    EXPECT_TRUE(EnsureLineArt(*layer));
    EXPECT_EQ(layer->lineArt->refreshWidth->Width(), 40);
    // Rendered parts of another size: nothing is redrawn.
    layer->lineArt->lineBuffer = parts::NewBuffer<SuperBitBuffer>(3, 3, 2, 0);
    LineRenderer broken(*layer);
    EXPECT_TRUE(broken.RedrawLines(Rect{0, 0, 40, 20}).IsEmpty());
    // Dashes of a style that does not exist leave no gaps.
    DotDashGapMask dashes;
    EXPECT_TRUE(
        dashes.ApplyDashes(*reference->frame->drawingBuffer, nullptr, 9, 1, nullptr, Rect{0, 0, 40, 20}));
    EXPECT_FALSE(dashes.IsGap(6, 8));
}

TEST(LineRenderer, RedrawsReportProgressPerRowUnlessSilent) {
    auto layer = LineLayer(100, 100);
    DrawLine(*layer, {LevelLine(5, 90, 50)}, {3, kLineSolid, 0, 1});
    LineRenderer renderer(*layer);
    CountingProgressMeter meter;
    renderer.RedrawLines(Rect{10, 40, 20, 60}, &meter);
    EXPECT_EQ(meter.Steps(), 20 + 2 * kLineReach); // the rows the stamps can reach
    EXPECT_EQ(meter.Done(), 20 + 2 * kLineReach);
    EXPECT_FALSE(meter.Running());
    RecordingRefresh refresh;
    layer->offsetX = 7;
    QueueLineRefresh(refresh, *layer, Rect{1, 2, 3, 4}, kRedrawLinesGlobally);
    EXPECT_EQ(refresh.viewRects, std::vector<Rect>{(Rect{8, 2, 10, 4})});
    EXPECT_EQ(refresh.reasons, std::vector<std::string>{kRedrawLinesGlobally});
}

TEST(LineRenderer, LineLayersGetTheirLinePartOnFirstUse) {
    LayerObject plain;
    EXPECT_FALSE(EnsureLineArt(plain)) << "no frame holder: not a line layer";
    EXPECT_FALSE(plain.lineArt);
    auto layer = std::make_unique<LayerObject>();
    layer->frame = std::make_unique<Wireframe>(parts::NewBuffer<SuperBitBuffer>(30, 20, 2, 0));
    ASSERT_TRUE(EnsureLineArt(*layer));
    ASSERT_TRUE(layer->lineArt->appearanceList);
    EXPECT_EQ(layer->lineArt->appearanceList->Count(), 4) << "the four default slots";
    const int slot = layer->lineArt->appearanceList->FindOrAdd(MakeLineAppearance(12, kLineDashed, 3));
    EXPECT_EQ(slot, 4);
    EXPECT_EQ(layer->lineArt->appearanceList->FindOrAdd(MakeLineAppearance(12, kLineDashed, 3)), slot);
    EXPECT_EQ(LineWidthOf(LineWidthByte(40, 9)), 31);
    EXPECT_EQ(LineFreehandOf(LineWidthByte(40, 9)), 7);
}

} // namespace
} // namespace ts
