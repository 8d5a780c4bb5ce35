#include "line_test_support.h"

#include "raster/byte_stream.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>

namespace ts {
namespace {

using testing::DrawLine;
using testing::LevelLine;
using testing::LineLayer;

std::vector<uint8_t> Stored(const RLBuffer& b) {
    ByteWriter out;
    b.WriteBlock(out);
    return out.Take();
}

// Lines of every kind on a layer whose width is no multiple of 8: on its first and last rows and
// columns, steep and shallow, the widest, wobbling, dashed and dotted, in several colours, with a band
// of empty rows taller than the rows the redraw keeps at a time.
std::unique_ptr<LayerObject> Drawing() {
    auto layer = LineLayer(203, 231);
    DrawLine(*layer, {LevelLine(0, 202, 0), LevelLine(0, 202, 230)}, {3, kLineDashed, 0, 1});
    DrawLine(*layer, {{2, 0, 2, 923}, {810, 0, 810, 923}}, {1, kLineDotted, 0, 2});
    DrawLine(*layer, {{20, 30, 790, 60}}, {7, kLineSolid, 3, 0});         // shallow
    DrawLine(*layer, {{400, 10, 430, 920}}, {31, kLineDashedLong, 0, 3}); // steep, widest
    DrawLine(*layer, {{40, 500, 700, 380}, {700, 380, 60, 300}}, {5, kLineDottedDense, 7, 1});
    DrawLine(*layer, {LevelLine(5, 190, 200)}, {12, kLineDashedShort, 2, 2});
    // Rows 130-195 hold no line pixels.
    return layer;
}

std::unique_ptr<LayerObject> CopyOf(const LayerObject& a) {
    auto b = LineLayer(a.frame->drawingBuffer->Width(), a.frame->drawingBuffer->Height());
    b->frame->drawingBuffer->CopyFrom(*a.frame->drawingBuffer);
    const ObjectLineArt& from = *a.lineArt;
    ObjectLineArt& to = *b->lineArt;
    to.lineAppearanceIndex->CopyFrom(*from.lineAppearanceIndex);
    to.refreshWidth->CopyFrom(*from.refreshWidth);
    to.colorAppearanceIndex->CopyFrom(*from.colorAppearanceIndex);
    to.lineBuffer->CopyFrom(*from.lineBuffer);
    to.refreshAppearance->CopyFrom(*from.refreshAppearance);
    return b;
}

// A whole-layer restyle, done in one pass, stores what the dash pass, the style bytes and a redraw
// done one after another store, and leaves the same dash mask: from one style to the next, to Solid
// and back, with a style number out of range (Solid), and with one colour for every line.
TEST(LineRestyle, OnePassStoresWhatTheStepsOneByOneStore) {
    for (const bool oneColour : {false, true}) {
        auto fused = Drawing();
        if (oneColour) {
            fused->lineArt->colorAppearanceIndex->Fill(3);
        }
        auto steps = CopyOf(*fused);
        DotDashGapMask fusedDashes;
        DotDashGapMask stepDashes;
        for (const int32_t style :
             std::initializer_list<int32_t>{kLineDashedShort, kLineDotted, kLineSolid, 42, kLineDottedSparse,
                                            kLineDottedSparse, kLineDashedLong}) {
            const std::string what = std::to_string(style) + (oneColour ? " one colour" : "");
            RecordingRefresh refresh;
            const Rect all = LineRenderer(*fused).RestyleLayer(style, fusedDashes, &refresh);

            LineRenderer renderer(*steps);
            const int32_t s = style >= 0 && style < kLineStyleCount ? style : kLineSolid;
            const bool dashed =
                s != kLineSolid &&
                stepDashes.ApplyDashes(*steps->frame->drawingBuffer, steps->lineArt->refreshWidth.get(), s, 0,
                                       nullptr, renderer.LayerRectangle());
            renderer.ApplyStyle(s, nullptr, dashed ? &stepDashes : nullptr, renderer.LayerRectangle());
            const bool previous = linestamps::UseFastPaths(false);
            renderer.RedrawLines(renderer.LayerRectangle());
            linestamps::UseFastPaths(previous);

            EXPECT_EQ(all, renderer.LayerRectangle()) << what;
            EXPECT_EQ(refresh.reasons, std::vector<std::string>{kLinePaintWidthManager}) << what;
            EXPECT_EQ(Stored(*fused->lineArt->lineAppearanceIndex),
                      Stored(*steps->lineArt->lineAppearanceIndex))
                << what;
            EXPECT_EQ(Stored(*fused->lineArt->lineBuffer), Stored(*steps->lineArt->lineBuffer)) << what;
            EXPECT_EQ(Stored(*fused->lineArt->refreshAppearance), Stored(*steps->lineArt->refreshAppearance))
                << what;
            if (dashed) {
                int32_t gaps = 0;
                for (int32_t y = 0; y < 231; ++y) {
                    for (int32_t x = 0; x < 203; ++x) {
                        ASSERT_EQ(fusedDashes.IsGap(x, y), stepDashes.IsGap(x, y))
                            << what << " " << x << "," << y;
                        gaps += stepDashes.IsGap(x, y) ? 1 : 0;
                    }
                }
                EXPECT_GT(gaps, 100) << what << ": the pattern leaves gaps";
            }
        }
    }
}

// The dash pass over a part of the layer codes the lines there as a pass over the whole layer does
// when they lie wholly inside it, and leaves nothing outside the part.
TEST(LineRestyle, DashesOfAPartMatchTheWholeLayerInside) {
    auto layer = LineLayer(150, 60);
    DrawLine(*layer, {LevelLine(40, 100, 20)}, {2, kLineSolid, 0, 0});
    DrawLine(*layer, {{4 * 50, 4 * 30, 4 * 120, 4 * 50}}, {4, kLineSolid, 0, 0});
    DrawLine(*layer, {LevelLine(0, 149, 5)}, {1, kLineSolid, 0, 0}); // outside the part
    const RLBuffer& occupancy = *layer->frame->drawingBuffer;
    DotDashGapMask whole;
    DotDashGapMask part;
    ASSERT_TRUE(whole.ApplyDashes(occupancy, layer->lineArt->refreshWidth.get(), kLineDashed, 0, nullptr,
                                  Rect{0, 0, 150, 60}));
    ASSERT_TRUE(part.ApplyDashes(occupancy, layer->lineArt->refreshWidth.get(), kLineDashed, 0, nullptr,
                                 Rect{30, 10, 130, 55}));
    int32_t gaps = 0;
    for (int32_t y = 0; y < 60; ++y) {
        for (int32_t x = 0; x < 150; ++x) {
            const bool inside = x >= 30 && x < 130 && y >= 10 && y < 55;
            ASSERT_EQ(part.IsGap(x, y), inside && whole.IsGap(x, y)) << x << "," << y;
            gaps += part.IsGap(x, y) ? 1 : 0;
        }
    }
    EXPECT_GT(gaps, 20);
}

// The list of a row's line pixels holds exactly the pixels with a cell, whichever of their two bytes
// holds it: at the start and end of the range, on both sides of every eight-pixel boundary, in a range
// starting and ending anywhere.
TEST(LineRestyle, OccupiedPixelsAreListedInOrder) {
    std::vector<uint8_t> occ(2 * 61, 0);
    for (const size_t x : {0u, 7u, 8u, 15u, 16u, 17u, 31u, 40u, 41u, 42u, 43u, 44u, 45u, 46u, 47u, 60u}) {
        occ[2 * x + (x % 3 == 0 ? 1 : 0)] = static_cast<uint8_t>(1u << (x % 8));
    }
    for (size_t first = 0; first < 20; first += 3) {
        for (size_t last = first; last <= 61; last += 5) {
            std::vector<uint32_t> listed(61, 0xFFFFFFFFu);
            listed.resize(OccupiedPixels(occ.data(), first, last, listed.data()));
            std::vector<uint32_t> expected;
            for (size_t x = first; x < last; ++x) {
                if (occ[2 * x] != 0 || occ[2 * x + 1] != 0) {
                    expected.push_back(static_cast<uint32_t>(x));
                }
            }
            ASSERT_EQ(listed, expected) << first << " - " << last;
        }
    }
}

} // namespace
} // namespace ts
