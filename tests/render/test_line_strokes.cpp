#include "line_test_support.h"

#include "render/dynamic_buffer_set.h"

#include <gtest/gtest.h>

#include <cmath>

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

// Everything a redraw reads and writes, row by row.
std::vector<std::vector<uint8_t>> LineBytes(const LayerObject& layer) {
    std::vector<std::vector<uint8_t>> all;
    const ObjectLineArt& l = *layer.lineArt;
    const RLBuffer* parts[] = {
        layer.frame->drawingBuffer.get(), l.lineAppearanceIndex.get(), l.refreshWidth.get(),
        l.colorAppearanceIndex.get(),     l.lineBuffer.get(),          l.refreshAppearance.get()};
    for (const RLBuffer* b : parts) {
        for (int32_t y = 0; y < b->Height(); ++y) {
            all.push_back(testing::ReadPixelRow(*b, y));
        }
    }
    return all;
}

std::vector<std::vector<uint8_t>> Rendered(const LayerObject& layer, int32_t top, int32_t bottom) {
    std::vector<std::vector<uint8_t>> rows;
    for (int32_t y = top; y < bottom; ++y) {
        rows.push_back(testing::ReadPixelRow(*layer.lineArt->lineBuffer, y));
        rows.push_back(testing::ReadPixelRow(*layer.lineArt->refreshAppearance, y));
    }
    return rows;
}

class LineStrokes : public ::testing::Test {
protected:
    LineStrokes() {
        layer = LineLayer(160, 120);
        DrawLine(*layer, {LevelLine(10, 150, 30)}, {9, kLineSolid, 0, 1});  // the line the brush meets
        DrawLine(*layer, {LevelLine(10, 150, 80)}, {3, kLineDashed, 2, 2}); // 50 pixels away
        brush.SetSize(9);
        engine.SetBrush(brush);
    }

    // A stroke of the type along pixel row y from column x0 to x1.
    void Stroke(int32_t type, int32_t x0, int32_t x1, int32_t y, const StrokeTool& tool = {}) {
        engine.SetTool(tool);
        ASSERT_TRUE(engine.BeginStroke(*layer, type, 3, brush.Radius()));
        for (int32_t x = x0; x <= x1; x += 2) {
            engine.MoveBrush(4 * x + 2, 4 * y + 2);
            engine.Dab();
        }
        engine.EndStroke();
    }

    std::unique_ptr<LayerObject> layer;
    BrushTS brush;
    DynamicBufferSet engine;
};

TEST_F(LineStrokes, ErasingLeavesNothingInThePathAndBytesThatRedrawToWhatShows) {
    const auto farLine = Rendered(*layer, 60, 100);
    Stroke(kStrokeEraseLines, 60, 70, 30);
    // Nothing of the line within the brush path: the disc of radius 4 around every dab centre.
    for (int32_t y = 20; y <= 40; ++y) {
        for (int32_t x = 56; x <= 74; ++x) {
            if (std::hypot(x - std::clamp(x, 60, 70), y - 30) <= 4.0) {
                EXPECT_FALSE(Covered(*layer, x, y)) << x << "," << y;
            }
        }
    }
    EXPECT_TRUE(Covered(*layer, 40, 30)) << "the rest of the line stays";
    EXPECT_TRUE(Covered(*layer, 100, 30));
    EXPECT_EQ(Rendered(*layer, 60, 100), farLine) << "the other line keeps its look";
    // What is left of the bytes redraws to exactly what shows.
    const auto shown = LineBytes(*layer);
    LineRenderer renderer(*layer);
    renderer.RedrawLines(renderer.LayerRectangle());
    EXPECT_EQ(LineBytes(*layer), shown);
}

TEST_F(LineStrokes, PensChangeOnlyTheLinesTheBrushMeets) {
    const auto farLine = Rendered(*layer, 60, 100);
    StrokeTool tool;
    tool.lines.line = {20, kLineSolid, 0, 3};
    Stroke(kStrokePenWidth, 60, 70, 30, tool);
    EXPECT_EQ(LineWidthOf(ByteAt(*layer->lineArt->refreshWidth, 65, 30)), 20);
    EXPECT_EQ(LineWidthOf(ByteAt(*layer->lineArt->refreshWidth, 30, 30)), 9) << "beyond the brush";
    EXPECT_TRUE(Covered(*layer, 65, 30 + 8)) << "the wider part shows";
    EXPECT_FALSE(Covered(*layer, 30, 30 + 8));
    EXPECT_EQ(Rendered(*layer, 60, 100), farLine) << "the line 50 pixels away is spared";

    Stroke(kStrokePenColor, 20, 24, 30, tool);
    EXPECT_EQ(RenderedColor(*layer, 22, 30), 3);
    EXPECT_EQ(RenderedColor(*layer, 40, 30), 1);
}

TEST_F(LineStrokes, AWidthIncrementStepsOncePerStroke) {
    StrokeTool tool;
    tool.lines.widthMode = 1;
    engine.SetTool(tool);
    ASSERT_TRUE(engine.BeginStroke(*layer, kStrokePenWidth, 3, brush.Radius()));
    for (int i = 0; i < 5; ++i) {
        engine.MoveBrush(4 * 50 + 2 + i, 4 * 30 + 2);
        engine.Dab();
    }
    engine.EndStroke();
    EXPECT_EQ(LineWidthOf(ByteAt(*layer->lineArt->refreshWidth, 50, 30)), 10);
    tool.lines.widthMode = 2;
    Stroke(kStrokePenWidth, 50, 50, 30, tool);
    Stroke(kStrokePenWidth, 50, 50, 30, tool);
    EXPECT_EQ(LineWidthOf(ByteAt(*layer->lineArt->refreshWidth, 50, 30)), 8);
}

TEST_F(LineStrokes, AStylePenLaysItsPatternWhenTheStrokeEnds) {
    StrokeTool tool;
    tool.lines.line = {9, kLineDotted, 0, 1};
    Stroke(kStrokePenStyle, 40, 120, 30, tool);
    int32_t gaps = 0;
    for (int32_t x = 50; x <= 110; ++x) {
        gaps += (StyleByte(*layer, x, 30) & kLineGapBit) ? 1 : 0;
        EXPECT_EQ(StyleByte(*layer, x, 30) & 0x7F, kLineDotted);
    }
    EXPECT_GT(gaps, 30);
    EXPECT_FALSE(Covered(*layer, 80, 30) && Covered(*layer, 81, 30) && Covered(*layer, 82, 30) &&
                 Covered(*layer, 83, 30) && Covered(*layer, 84, 30) && Covered(*layer, 85, 30) &&
                 Covered(*layer, 86, 30) && Covered(*layer, 87, 30) && Covered(*layer, 88, 30) &&
                 Covered(*layer, 89, 30) && Covered(*layer, 90, 30) && Covered(*layer, 91, 30) &&
                 Covered(*layer, 92, 30) && Covered(*layer, 93, 30) && Covered(*layer, 94, 30) &&
                 Covered(*layer, 95, 30) && Covered(*layer, 96, 30))
        << "the dots leave paper between them";
    EXPECT_EQ(StyleByte(*layer, 20, 30), kLineSolid) << "beyond the brush";
}

TEST_F(LineStrokes, LineRepairDrawsAlongTheDrag) {
    StrokeTool tool;
    tool.lines.line = {2, kLineSolid, 0, 4};
    Stroke(kStrokeLineRepair, 20, 60, 100, tool);
    EXPECT_NE(MaskAt(*layer->frame->drawingBuffer, 40, 100), 0);
    EXPECT_TRUE(Covered(*layer, 40, 100));
    EXPECT_EQ(RenderedColor(*layer, 40, 100), 4);
}

TEST_F(LineStrokes, TheEraserCombinationsEraseLinesAndColourTogether) {
    layer->color = std::make_unique<ObjectColor>();
    ASSERT_TRUE(layer->color->Create(160, 120, 0x00102030, 255));
    layer->color->amount->Fill(255);
    Stroke(kStrokeEraseLinesColor, 60, 70, 30);
    EXPECT_FALSE(Covered(*layer, 65, 30));
    EXPECT_EQ(testing::AmountAt(*layer, 65, 30), 0);
    EXPECT_EQ(testing::AmountAt(*layer, 20, 30), 255);
    // Only-line types need a line layer; the combinations go on without one.
    LayerObject painted;
    painted.color = std::make_unique<ObjectColor>();
    ASSERT_TRUE(painted.color->Create(20, 20, 0x00102030, 255));
    EXPECT_FALSE(engine.BeginStroke(painted, kStrokeEraseLines, 3, 4));
    EXPECT_FALSE(engine.BeginStroke(painted, kStrokePenStyle, 3, 4));
    EXPECT_TRUE(engine.BeginStroke(painted, kStrokeEraseLinesColor, 3, 4));
    engine.EndStroke();
}

TEST_F(LineStrokes, TheLinePartOfType24CopiesLinesFromASource) {
    auto source = LineLayer(160, 120);
    source->lineArt->colorList->FindOrAdd(LineColor{0x00112233, 255});
    source->lineArt->colorList->FindOrAdd(LineColor{0x00445566, 255});
    DrawLine(*source, {LevelLine(10, 150, 100)}, {4, kLineSolid, 0, 1});
    StrokeTool tool;
    tool.lines.source = source.get();
    Stroke(kStrokeLineArtLighting, 60, 70, 100, tool);
    EXPECT_TRUE(Covered(*layer, 65, 100));
    EXPECT_FALSE(Covered(*layer, 20, 100)) << "only under the brush";
    const LineColor* color = layer->lineArt->colorList->Slot(RenderedColor(*layer, 65, 100));
    ASSERT_NE(color, nullptr);
    EXPECT_EQ(color->color, 0x00445566);
    // Without a source or the clearing asked for, the lighting brush leaves lines alone.
    const auto before = LineBytes(*layer);
    Stroke(kStrokeLineArtLighting, 60, 70, 30);
    EXPECT_EQ(LineBytes(*layer), before);
}

} // namespace
} // namespace ts
