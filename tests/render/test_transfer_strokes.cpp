// Type 24 of the stroke engine between two layers: the merge brush's blend and the lift's move.

#include "model/layer_test_support.h"
#include "render/dynamic_buffer_set.h"

#include <gtest/gtest.h>

#include <memory>

namespace ts {
namespace {

using testing::AmountAt;
using testing::ColorAt;

std::unique_ptr<LayerObject> Painted(uint32_t color, uint8_t amount) {
    auto layer = std::make_unique<LayerObject>();
    layer->color = std::make_unique<ObjectColor>();
    EXPECT_TRUE(layer->color->Create(40, 40, color, 255));
    layer->color->amount->Fill(amount);
    layer->shadow = std::make_unique<ObjectShadow>();
    EXPECT_TRUE(layer->shadow->Create(40, 40));
    return layer;
}

class TransferStrokes : public ::testing::Test {
protected:
    TransferStrokes() {
        brush.SetSize(9);
        engine.SetBrush(brush);
    }
    // One dab at pixel (20, 20) of the layer.
    void Dab(LayerObject& layer, const StrokeTool& tool) {
        engine.SetTool(tool);
        ASSERT_TRUE(engine.BeginStroke(layer, kStrokeLineArtLighting, 30, 0));
        engine.MoveBrush(4 * 20 + 2, 4 * 20 + 2);
        engine.Dab();
        engine.EndStroke();
    }
    // The pixels the dab covered only in part: neither untouched nor as the centre.
    template <class Check> int32_t EdgePixels(const LayerObject& layer, uint8_t untouched, Check check) {
        int32_t n = 0;
        for (int32_t y = 10; y < 30; ++y) {
            for (int32_t x = 10; x < 30; ++x) {
                const uint8_t a = AmountAt(layer, x, y);
                if (a != untouched && a != AmountAt(layer, 20, 20)) {
                    check(x, y);
                    ++n;
                }
            }
        }
        return n;
    }

    BrushTS brush;
    DynamicBufferSet engine;
};

TEST_F(TransferStrokes, TheMergeWeighsColoursByTheirAmountsAtTheBrushEdge) {
    // Unpainted source over green paint: the paint thins towards the edge but stays green.
    auto green = Painted(0x0000C000, 255);
    auto bare = Painted(0x000000FF, 0); // red bytes, nothing painted
    StrokeTool tool;
    tool.transfer.source = bare.get();
    tool.transfer.color = true;
    Dab(*green, tool);
    EXPECT_EQ(AmountAt(*green, 20, 20), 0) << "the source shows nothing there";
    EXPECT_GT(
        EdgePixels(*green, 255, [&](int32_t x, int32_t y) { EXPECT_EQ(ColorAt(*green, x, y), 0x0000C000u); }),
        0);

    // Red paint brushed onto bare layer: red at the edge too, only thinner.
    auto red = Painted(0x000000FF, 255);
    auto empty = Painted(0x00C0C0C0, 0);
    tool.transfer.source = red.get();
    Dab(*empty, tool);
    EXPECT_EQ(AmountAt(*empty, 20, 20), 255);
    EXPECT_GT(
        EdgePixels(*empty, 0, [&](int32_t x, int32_t y) { EXPECT_EQ(ColorAt(*empty, x, y), 0x000000FFu); }),
        0);
    EXPECT_EQ(ColorAt(*empty, 20, 20), 0x000000FFu);
}

TEST_F(TransferStrokes, TheLiftMovesEachPixelWholeAndOnce) {
    auto source = Painted(0x00102030, 255);
    testing::SetByte(*source->shadow->lighting, 20, 20, 30);
    auto lifted = Painted(0x00FFFFFF, 0);
    FastBitonalMask moved;
    ASSERT_TRUE(moved.Resize(40, 40));
    StrokeTool tool;
    tool.transfer.liftFrom = source.get();
    tool.transfer.moved = &moved;
    tool.transfer.erase = true;
    tool.transfer.color = true;
    tool.transfer.lighting = true;
    Dab(*lifted, tool);
    // Whole pixels: every pixel is either still in the layer or wholly in the lifted one.
    for (int32_t x = 10; x < 30; ++x) {
        const bool gone = moved.TestBit(x, 20);
        EXPECT_EQ(AmountAt(*source, x, 20), gone ? 0 : 255) << x;
        EXPECT_EQ(AmountAt(*lifted, x, 20), gone ? 255 : 0) << x;
    }
    EXPECT_EQ(ColorAt(*lifted, 20, 20), 0x00102030u);
    EXPECT_EQ(testing::ByteAt(*lifted->shadow->lighting, 20, 20), 30);
    EXPECT_EQ(testing::ByteAt(*source->shadow->lighting, 20, 20), 128);
    // A second dab over the emptied place leaves the lifted pixels as they are.
    Dab(*lifted, tool);
    EXPECT_EQ(AmountAt(*lifted, 20, 20), 255);
    EXPECT_EQ(ColorAt(*lifted, 20, 20), 0x00102030u);
}

} // namespace
} // namespace ts
