#include "model/layer_test_support.h"
#include "raster/byte_bit_counter.h"
#include "raster/color_spaces.h"
#include "raster/pixel_tables.h"
#include "render/dynamic_buffer_set.h"
#include "render/stroke_rules.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>

namespace ts {
namespace {

using testing::AmountAt;
using testing::ByteAt;
using testing::ColorAt;
using testing::Paint;

constexpr uint32_t kOld = 0x00204060;  // the layer's paint
constexpr uint32_t kTool = 0x00F01008; // the pencil

// A layer whose every pixel carries the old paint at full amount, appearance 0.
std::unique_ptr<LayerObject> PaintedLayer(int32_t width, int32_t height, uint8_t amount = 255,
                                          uint8_t appearance = 0) {
    auto layer = std::make_unique<LayerObject>();
    layer->color = std::make_unique<ObjectColor>();
    EXPECT_TRUE(layer->color->Create(width, height, kOld, 255));
    layer->color->amount->Fill(amount);
    layer->color->appearance->Fill(appearance);
    return layer;
}

// Checksums of every channel of the layer's colour and lighting.
std::vector<uint32_t> Sums(LayerObject& layer) {
    std::vector<uint32_t> sums;
    for (int i = 0; i < ObjectColor::kChannels; ++i) {
        sums.push_back(layer.color->Channel(i)->Checksum());
    }
    if (layer.shadow) {
        sums.push_back(layer.shadow->lighting->Checksum());
        sums.push_back(layer.shadow->appearanceIndex->Checksum());
    }
    return sums;
}

class StrokeEngine : public ::testing::Test {
protected:
    StrokeEngine() {
        brush.SetSize(5);
        tool.color = kTool;
        tool.appearance = 2;
        engine.SetBrush(brush);
    }
    bool Begin(LayerObject& layer, int32_t type) {
        engine.SetTool(tool);
        return engine.BeginStroke(layer, type, 3, 0);
    }
    // A dab centred on pixel (x, y) plus a quarter offset.
    Rect DabAt(int32_t x, int32_t y, int32_t qdx = 0, int32_t qdy = 0) {
        engine.MoveBrush(4 * x + 2 + qdx, 4 * y + 2 + qdy);
        return engine.Dab();
    }

    BrushTS brush;
    StrokeTool tool;
    DynamicBufferSet engine;
};

TEST_F(StrokeEngine, FullCoverageAtFullStrengthGivesExactlyTheToolAndTheRimIsPartial) {
    auto layer = PaintedLayer(20, 20, 255, 1);
    ASSERT_TRUE(Begin(*layer, kStrokeColor));
    const Rect changed = DabAt(10, 10);
    EXPECT_EQ(changed, (Rect{8, 8, 13, 13}));
    // Stored at once: what the compositor reads already shows the dab.
    EXPECT_EQ(ColorAt(*layer, 10, 10), kTool);
    EXPECT_EQ(AmountAt(*layer, 10, 10), 255);
    EXPECT_EQ(ByteAt(*layer->color->appearance, 10, 10), 2);
    // A rim pixel is partly covered: a mix at reduced strength that keeps the amount.
    const uint32_t rim = ColorAt(*layer, 8, 9);
    EXPECT_NE(rim, kOld);
    EXPECT_NE(rim, kTool);
    EXPECT_EQ(AmountAt(*layer, 8, 9), 255);
    EXPECT_EQ(ColorAt(*layer, 8, 10), kTool);
    // Outside the footprint nothing changed.
    EXPECT_EQ(ColorAt(*layer, 7, 10), kOld);
    EXPECT_EQ(ColorAt(*layer, 10, 13), kOld);
    // Deferred commits: a dab shows only once its rows are committed.
    engine.SetDeferredCommits(true);
    DabAt(3, 3);
    EXPECT_EQ(ColorAt(*layer, 3, 3), kOld);
    engine.CommitRows();
    EXPECT_EQ(ColorAt(*layer, 3, 3), kTool);
    engine.EndStroke();
    EXPECT_FALSE(engine.InStroke());
    EXPECT_EQ(engine.StrokeRect(), (Rect{1, 1, 13, 13})); // kept for the caller's refresh
    engine.EndStroke();                                   // safe without a stroke
}

TEST_F(StrokeEngine, AStrokeCountsOnlyNewSubPixelsAndTheNextStrokePaintsAgain) {
    tool.strength = 100;
    auto layer = PaintedLayer(20, 20);
    ASSERT_TRUE(Begin(*layer, kStrokeColor));
    const Rect first = DabAt(10, 10);
    engine.CommitRows();
    const std::vector<uint32_t> once = Sums(*layer);
    const uint32_t centre = ColorAt(*layer, 10, 10);
    EXPECT_EQ(DabAt(10, 10), Rect{}); // the same spot again: nothing new
    engine.CommitRows();
    EXPECT_EQ(Sums(*layer), once);
    // A quarter pixel to the right: only the pixels that gained sub-pixels change.
    const Rect moved = DabAt(10, 10, 1, 0);
    EXPECT_FALSE(moved.IsEmpty());
    engine.CommitRows();
    EXPECT_EQ(ColorAt(*layer, 10, 10), centre);
    EXPECT_EQ(engine.StrokeRect(), Union(first, moved));
    engine.EndStroke();

    ASSERT_TRUE(Begin(*layer, kStrokeColor));
    DabAt(10, 10);
    engine.EndStroke();
    EXPECT_NE(ColorAt(*layer, 10, 10), centre);
}

TEST_F(StrokeEngine, ErasingColourAndLighting) {
    auto layer = PaintedLayer(20, 20);
    layer->shadow = std::make_unique<ObjectShadow>();
    ASSERT_TRUE(layer->shadow->Create(20, 20));
    layer->shadow->lighting->Fill(40);
    layer->shadow->appearanceIndex->Fill(3);
    ASSERT_TRUE(Begin(*layer, kStrokeEraseColorAndLighting));
    DabAt(10, 10);
    engine.EndStroke();
    EXPECT_EQ(AmountAt(*layer, 10, 10), 0);
    EXPECT_EQ(ColorAt(*layer, 10, 10), 0x00808080u);
    EXPECT_EQ(ByteAt(*layer->shadow->lighting, 10, 10), 128);
    EXPECT_EQ(ByteAt(*layer->shadow->appearanceIndex, 10, 10), 0);
    // A rim pixel keeps part of both.
    EXPECT_GT(AmountAt(*layer, 8, 9), 0);
    EXPECT_LT(AmountAt(*layer, 8, 9), 255);
    EXPECT_GT(ByteAt(*layer->shadow->lighting, 8, 9), 40);
    EXPECT_LT(ByteAt(*layer->shadow->lighting, 8, 9), 128);
    EXPECT_EQ(ByteAt(*layer->shadow->appearanceIndex, 8, 9), 3);
    EXPECT_EQ(ByteAt(*layer->shadow->lighting, 7, 10), 40);

    // The board show-through eraser lays opaque paper at full amount where it covers, whatever the
    // strength its mode passes, and keeps the colour bytes; an unpainted rim pixel gets a partial amount.
    auto other = PaintedLayer(20, 20, 255, 0);
    tool.strength = 0;
    tool.appearance = 1;
    ASSERT_TRUE(Begin(*other, kStrokeSurfaceEraser));
    DabAt(10, 10);
    engine.EndStroke();
    EXPECT_EQ(AmountAt(*other, 10, 10), 255);
    EXPECT_EQ(ByteAt(*other->color->appearance, 10, 10), 1);
    EXPECT_EQ(ColorAt(*other, 10, 10), kOld);
    EXPECT_EQ(ByteAt(*other->color->appearance, 0, 0), 0) << "beyond the brush";
    auto bare = PaintedLayer(20, 20, 0, 0);
    ASSERT_TRUE(Begin(*bare, kStrokeSurfaceEraser));
    DabAt(10, 10);
    engine.EndStroke();
    EXPECT_EQ(AmountAt(*bare, 10, 10), 255);
    EXPECT_GT(AmountAt(*bare, 8, 9), 0);
    EXPECT_LT(AmountAt(*bare, 8, 9), 255);
    EXPECT_EQ(ByteAt(*bare->color->appearance, 8, 9), 1);
}

TEST_F(StrokeEngine, TheBlendWeighsByTheFootprintsOwnRadius) {
    // Size 5: side b = 7, R = b / 2 - 0.5 = 2.5 pixels, whatever radius the caller rounded to.
    auto layer = PaintedLayer(20, 20);
    engine.SetTool(tool);
    ASSERT_TRUE(engine.BeginStroke(*layer, kStrokeBlend, 3, brush.Radius()));
    EXPECT_DOUBLE_EQ(engine.BlendRadius(), 2.5);
    engine.EndStroke();
    brush.SetSize(9);
    ASSERT_TRUE(engine.BeginStroke(*layer, kStrokeBlend, 3, 0));
    EXPECT_DOUBLE_EQ(engine.BlendRadius(), 4.5);
    engine.EndStroke();
}

TEST_F(StrokeEngine, ErasingALayerWithoutColourLeavesNothingPainted) {
    auto layer = std::make_unique<LayerObject>();
    layer->frame = std::make_unique<Wireframe>(std::make_unique<SuperBitBuffer>());
    ASSERT_TRUE(layer->frame->drawingBuffer->Create(16, 12, 2, 0, 2.0f));
    ASSERT_TRUE(Begin(*layer, kStrokeEraseColor));
    ASSERT_TRUE(layer->color);
    EXPECT_EQ(layer->color->Width(), 16);
    DabAt(5, 5);
    engine.EndStroke();
    EXPECT_FALSE(layer->color->HasPaint());

    // Painting creates the channels the same way: nothing painted but where the pencil went.
    auto painted = std::make_unique<LayerObject>();
    painted->frame = std::make_unique<Wireframe>(std::make_unique<SuperBitBuffer>());
    ASSERT_TRUE(painted->frame->drawingBuffer->Create(16, 12, 2, 0, 2.0f));
    ASSERT_TRUE(Begin(*painted, kStrokeColor));
    DabAt(5, 5);
    engine.EndStroke();
    EXPECT_EQ(AmountAt(*painted, 5, 5), 255);
    EXPECT_EQ(AmountAt(*painted, 12, 5), 0);
}

TEST_F(StrokeEngine, LightingStrokesCreateLightingAndSetOrAddOnce) {
    auto layer = PaintedLayer(20, 20);
    tool.lightTarget = 200;
    tool.lightIndex = 4;
    ASSERT_TRUE(Begin(*layer, kStrokeLighting));
    ASSERT_TRUE(layer->shadow);
    DabAt(10, 10);
    engine.EndStroke();
    EXPECT_EQ(ByteAt(*layer->shadow->lighting, 10, 10), 200);
    EXPECT_EQ(ByteAt(*layer->shadow->appearanceIndex, 10, 10), 4);
    EXPECT_EQ(ByteAt(*layer->shadow->appearanceIndex, 10, 14), 0);

    // Relative: overlapping dabs of one stroke add T - 128 once to the centre.
    layer->shadow->lighting->Fill(100);
    tool.lightRelative = true;
    tool.lightTarget = 150;
    ASSERT_TRUE(Begin(*layer, kStrokeLighting));
    for (int32_t q = 0; q < 6; ++q) {
        DabAt(10, 10, q - 3, 0);
    }
    engine.EndStroke();
    EXPECT_EQ(ByteAt(*layer->shadow->lighting, 10, 10), 122);
    // The lighting eraser brings a fully covered pixel back to neutral.
    ASSERT_TRUE(Begin(*layer, kStrokeEraseLighting));
    DabAt(10, 10);
    engine.EndStroke();
    EXPECT_EQ(ByteAt(*layer->shadow->lighting, 10, 10), 128);
}

TEST_F(StrokeEngine, BlendPullsColoursTowardsTheSampledAverage) {
    auto layer = PaintedLayer(20, 20);
    for (int32_t y = 0; y < 20; ++y) {
        for (int32_t x = 10; x < 20; ++x) {
            Paint(*layer, x, y, 0x00FF0000);
        }
    }
    // Nothing sampled (no plain pencil under the brush): nothing changes.
    auto opaque = PaintedLayer(20, 20, 255, 1);
    const std::vector<uint32_t> before = Sums(*opaque);
    brush.SetSize(7);
    ASSERT_TRUE(engine.BeginStroke(*opaque, kStrokeBlend, 3, 0));
    EXPECT_EQ(DabAt(10, 10), Rect{});
    engine.EndStroke();
    EXPECT_EQ(Sums(*opaque), before);

    ASSERT_TRUE(engine.BeginStroke(*layer, kStrokeBlend, 3, 0));
    EXPECT_FALSE(DabAt(10, 10).IsEmpty());
    engine.EndStroke();
    // Next to the centre the colour is mostly the average; far from the brush it is unchanged.
    const uint32_t left = ColorAt(*layer, 9, 10);
    const uint32_t right = ColorAt(*layer, 10, 10);
    EXPECT_NE(left, kOld);
    EXPECT_NE(right, 0x00FF0000u);
    EXPECT_LT(std::abs(int(ColorBlue(left)) - int(ColorBlue(right))), 60);
    EXPECT_EQ(ColorAt(*layer, 2, 10), kOld);
    EXPECT_EQ(ColorAt(*layer, 17, 10), 0x00FF0000u);
    EXPECT_EQ(AmountAt(*layer, 9, 10), 255);
}

TEST_F(StrokeEngine, ChannelBrushesChangeOneChannel) {
    auto layer = PaintedLayer(20, 20);
    tool.channelMode = 0;
    tool.channelValue = 200;
    ASSERT_TRUE(Begin(*layer, kStrokeValue));
    DabAt(10, 10);
    engine.EndStroke();
    const Hsb before = RgbToHsb(kOld);
    const Hsb after = RgbToHsb(ColorAt(*layer, 10, 10));
    EXPECT_NEAR(after.b, 200, 1);
    EXPECT_NEAR(after.h, before.h, 2);
    EXPECT_EQ(ColorAt(*layer, 10, 14), kOld);
}

TEST_F(StrokeEngine, DabsOutsideTheLayerAreClippedOrIgnored) {
    auto layer = PaintedLayer(12, 10);
    const std::vector<uint32_t> before = Sums(*layer);
    ASSERT_TRUE(Begin(*layer, kStrokeColor));
    EXPECT_EQ(DabAt(-10, 4), Rect{});
    EXPECT_EQ(DabAt(4, 30), Rect{});
    engine.CommitRows();
    EXPECT_EQ(Sums(*layer), before);
    const Rect corner = DabAt(-1, -1);
    EXPECT_EQ(corner, (Rect{0, 0, 2, 2}));
    const Rect far = DabAt(12, 10);
    EXPECT_EQ(far, (Rect{10, 8, 12, 10}));
    engine.EndStroke();
    EXPECT_EQ(ColorAt(*layer, 0, 0), kTool);
    EXPECT_EQ(ColorAt(*layer, 11, 9), kTool);
    EXPECT_FALSE(engine.BeginStroke(*layer, 0, 3, 0));
    LayerObject empty;
    EXPECT_FALSE(engine.BeginStroke(empty, kStrokeColor, 3, 0));
    EXPECT_FALSE(engine.InStroke());
}

TEST_F(StrokeEngine, WindowsFollowTheBrushAndStoreEveryRowTheyLeave) {
    auto layer = PaintedLayer(24, 300);
    engine.SetDeferredCommits(true); // only scrolls and the end store rows
    ASSERT_TRUE(Begin(*layer, kStrokeColor));
    // Down the layer in small steps, a jump back up, then up in small steps.
    for (int32_t y = 3; y < 290; y += 2) {
        DabAt(5, y);
    }
    DabAt(18, 4);
    for (int32_t y = 260; y > 100; y -= 3) {
        DabAt(18, y);
    }
    EXPECT_EQ(engine.StrokeRect(), (Rect{3, 1, 21, 292}));
    engine.EndStroke();
    for (int32_t y = 3; y < 290; ++y) {
        ASSERT_EQ(ColorAt(*layer, 5, y), kTool) << y;
        ASSERT_EQ(ColorAt(*layer, 11, y), kOld) << y;
    }
    EXPECT_EQ(ColorAt(*layer, 18, 4), kTool);
    EXPECT_EQ(ColorAt(*layer, 18, 40), kOld);
    for (int32_t y = 101; y < 261; ++y) {
        ASSERT_EQ(ColorAt(*layer, 18, y), kTool) << y;
    }
    EXPECT_EQ(ColorAt(*layer, 5, 295), kOld);
    EXPECT_EQ(ColorAt(*layer, 18, 290), kOld);

    // A dab coming back to rows that have left the windows still counts only new sub-pixels.
    tool.strength = 128;
    tool.color = 0x00808080;
    ASSERT_TRUE(Begin(*layer, kStrokeColor));
    DabAt(5, 20);
    engine.CommitRows();
    const uint32_t once = ColorAt(*layer, 5, 20);
    DabAt(5, 200);
    DabAt(5, 20);
    engine.EndStroke();
    EXPECT_NE(once, kTool);
    EXPECT_EQ(ColorAt(*layer, 5, 20), once);
}

TEST_F(StrokeEngine, LargerBrushMidStrokeReopensTheWindows) {
    auto layer = PaintedLayer(60, 60);
    ASSERT_TRUE(Begin(*layer, kStrokeColor));
    DabAt(10, 10);
    brush.SetSize(31);
    DabAt(30, 30);
    engine.EndStroke();
    EXPECT_EQ(ColorAt(*layer, 10, 10), kTool);
    EXPECT_EQ(ColorAt(*layer, 30, 16), kTool);
    EXPECT_EQ(ColorAt(*layer, 30, 44), kTool);
}

// Every pixel of one dab takes exactly the colour rule at its own coverage, whatever path the engine
// takes for it (full pixels, remembered mixes, partial paint).
TEST_F(StrokeEngine, EveryFootprintPixelFollowsTheColourRuleAtItsCoverage) {
    constexpr int32_t kSide = 30;
    auto layer = PaintedLayer(kSide, kSide);
    std::mt19937 rng(3);
    std::vector<stroke::ColorPixel> before;
    for (int32_t y = 0; y < kSide; ++y) {
        for (int32_t x = 0; x < kSide; ++x) {
            // A few colours again and again, some partial amounts, the three plain appearances.
            const uint32_t color = 0x00102030u * (rng() % 6) + 0x00050301u * (rng() % 7);
            const uint8_t amount = rng() % 4 == 0 ? static_cast<uint8_t>(rng() % 255) : 255;
            const auto appearance = static_cast<uint8_t>(rng() % 3);
            Paint(*layer, x, y, color, amount, appearance);
            before.push_back({static_cast<uint8_t>(color >> 16), static_cast<uint8_t>(color >> 8),
                              static_cast<uint8_t>(color), amount, appearance});
        }
    }
    brush.SetSize(15);
    tool.strength = 180;
    tool.appearance = 1;
    ASSERT_TRUE(Begin(*layer, kStrokeColor));
    const int32_t qx = 4 * 14 + 1;
    const int32_t qy = 4 * 15 + 3;
    engine.MoveBrush(qx, qy);
    engine.Dab();
    engine.EndStroke();
    const int32_t side = brush.Side();
    const uint16_t* mask = brush.Mask(BrushTS::PhaseOf(qx, qy));
    for (int32_t r = 0; r < side; ++r) {
        for (int32_t c = 0; c < side; ++c) {
            const int32_t x = (qx >> 2) - side / 2 + c;
            const int32_t y = (qy >> 2) - side / 2 + r;
            const uint16_t m = mask[r * side + c];
            stroke::ColorPixel expected = before[static_cast<size_t>(y * kSide + x)];
            if (m != 0) {
                const uint8_t s = m == 0xFFFF ? tool.strength
                                              : Mul8(tool.strength, stroke::CoverageAlpha(CountMaskBits(m)));
                stroke::PaintColor(expected, kTool, s, tool.appearance);
            }
            const uint32_t color = MakeColor(expected.red, expected.green, expected.blue);
            ASSERT_EQ(ColorAt(*layer, x, y), color) << x << "," << y;
            ASSERT_EQ(AmountAt(*layer, x, y), expected.amount) << x << "," << y;
            ASSERT_EQ(ByteAt(*layer->color->appearance, x, y), expected.appearance) << x << "," << y;
        }
    }
}

TEST_F(StrokeEngine, LightingBlendAndTheStrokesWithoutPixelRules) {
    auto layer = PaintedLayer(20, 20);
    layer->shadow = std::make_unique<ObjectShadow>();
    ASSERT_TRUE(layer->shadow->Create(20, 20));
    for (int32_t y = 0; y < 20; ++y) {
        for (int32_t x = 10; x < 20; ++x) {
            testing::SetByte(*layer->shadow->lighting, x, y, 200);
        }
    }
    brush.SetSize(7);
    ASSERT_TRUE(engine.BeginStroke(*layer, kStrokeBlendLighting, 3, 0));
    DabAt(10, 10);
    DabAt(12, 10); // the average stays the one sampled at the start
    engine.EndStroke();
    EXPECT_NEAR(ByteAt(*layer->shadow->lighting, 10, 10), 200 - 72 / 2, 20);
    EXPECT_GT(ByteAt(*layer->shadow->lighting, 9, 10), 128);
    EXPECT_EQ(ByteAt(*layer->shadow->lighting, 3, 10), 128);
    EXPECT_EQ(ByteAt(*layer->shadow->lighting, 18, 10), 200);

    // Without a frame holder the layer has no line occupancy: the strokes that only work on lines are
    // refused, the lighting brush's line part does nothing, and 3 and 9 bind nothing.
    layer->lineArt = std::make_unique<ObjectLineArt>();
    ASSERT_TRUE(layer->lineArt->Create(20, 20));
    testing::SetMask(*layer->lineArt->lineBuffer, 10, 10, 0xFFFF);
    const std::vector<uint32_t> sums = Sums(*layer);
    for (int32_t type : {1, 2, 13}) {
        EXPECT_FALSE(Begin(*layer, type)) << type;
    }
    for (int32_t type : {3, 9, 24}) {
        ASSERT_TRUE(Begin(*layer, type)) << type;
        EXPECT_EQ(DabAt(10, 10), Rect{}) << type;
        engine.EndStroke();
    }
    EXPECT_EQ(Sums(*layer), sums);
    EXPECT_EQ(testing::MaskAt(*layer->lineArt->lineBuffer, 10, 10), 0xFFFF);
    // Lines and colour: the colour part is erased already.
    ASSERT_TRUE(Begin(*layer, 21));
    DabAt(10, 10);
    engine.EndStroke();
    EXPECT_EQ(AmountAt(*layer, 10, 10), 0);
    EXPECT_EQ(testing::MaskAt(*layer->lineArt->lineBuffer, 10, 10), 0xFFFF);
}

} // namespace
} // namespace ts
