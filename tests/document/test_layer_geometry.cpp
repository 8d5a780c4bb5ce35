#include "document/layer_geometry.h"
#include "model/layer_test_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>

namespace ts {
namespace {

using testing::AmountAt;
using testing::ByteAt;
using testing::ColorAt;
using testing::MaskAt;
using testing::Paint;
using testing::SetByte;
using testing::SetMask;

// A layer of the given size at the offset with every part: paint, lighting, rendered lines, a drawing
// buffer, a picture and a frame's corners.
std::unique_ptr<LayerObject> FullLayer(int32_t width, int32_t height, int32_t offsetX, int32_t offsetY) {
    auto layer = std::make_unique<LayerObject>();
    layer->offsetX = offsetX;
    layer->offsetY = offsetY;
    layer->bounds = Rect{offsetX, offsetY, offsetX + width, offsetY + height};
    layer->color = std::make_unique<ObjectColor>();
    layer->color->Create(width, height, 0x00FFFFFF, 255);
    layer->shadow = std::make_unique<ObjectShadow>();
    layer->shadow->Create(width, height);
    layer->lineArt = std::make_unique<ObjectLineArt>();
    layer->lineArt->Create(width, height);
    layer->frame = std::make_unique<Wireframe>(std::make_unique<SuperBitBuffer>());
    layer->frame->drawingBuffer->Create(width, height, 2, 0, 2.0f);
    layer->frame->corners = {
        Wireframe::Corner{0, 0}, {width - 1, 0}, {width - 1, height - 1}, {0, height - 1}};
    layer->frame->hasCorners = true;
    layer->image = std::make_unique<BMap>();
    layer->image->pixels.Create(width, height);
    return layer;
}

TEST(LayerGeometry, ResizeMovesPixelsAndFillsNewGroundWithNothing) {
    auto layer = FullLayer(20, 10, 100, 50);
    Paint(*layer, 3, 4, 0x00123456);
    SetByte(*layer->shadow->lighting, 3, 4, 200);
    SetMask(*layer->lineArt->lineBuffer, 3, 4, 0x1234);
    SetMask(*layer->frame->drawingBuffer, 3, 4, 0x4321);
    layer->image->pixels.SetColor(3, 4, 0x00010203);

    ASSERT_TRUE(geometry::ResizeLayer(*layer, Rect{90, 52, 130, 62}));
    EXPECT_EQ(layer->offsetX, 90);
    EXPECT_EQ(layer->offsetY, 52);
    EXPECT_EQ(layer->bounds, (Rect{90, 52, 130, 62}));
    // Drawing (103, 54) is now layer pixel (13, 2).
    EXPECT_EQ(ColorAt(*layer, 13, 2), 0x00123456u);
    EXPECT_EQ(AmountAt(*layer, 13, 2), 255);
    EXPECT_EQ(ByteAt(*layer->shadow->lighting, 13, 2), 200);
    EXPECT_EQ(MaskAt(*layer->lineArt->lineBuffer, 13, 2), 0x1234);
    EXPECT_EQ(MaskAt(*layer->frame->drawingBuffer, 13, 2), 0x4321);
    EXPECT_EQ(layer->image->pixels.ColorAt(13, 2), 0x00010203u);
    // New ground: no paint, neutral lighting, no lines, white picture.
    EXPECT_EQ(AmountAt(*layer, 0, 0), 0);
    EXPECT_EQ(ByteAt(*layer->shadow->lighting, 39, 9), ObjectShadow::kNeutral);
    EXPECT_EQ(MaskAt(*layer->lineArt->lineBuffer, 35, 0), 0);
    EXPECT_EQ(layer->image->pixels.ColorAt(39, 9), 0x00FFFFFFu);
    EXPECT_EQ(layer->lineArt->refreshWidth->Width(), 40);
    EXPECT_EQ(layer->color->appearance->Height(), 10);
    EXPECT_EQ(layer->frame->corners[0], (Wireframe::Corner{10, -2}));

    EXPECT_FALSE(geometry::ResizeLayer(*layer, Rect{5, 5, 5, 9}));
    EXPECT_EQ(layer->bounds, (Rect{90, 52, 130, 62}));
    EXPECT_EQ(ColorAt(*layer, 13, 2), 0x00123456u);
}

TEST(LayerGeometry, MergeCompositesPaintAddsLightingAndRemapsLineTables) {
    auto kept = FullLayer(30, 30, 0, 0);
    auto other = FullLayer(10, 10, 5, 5);
    Paint(*kept, 6, 6, 0x000000FF);
    Paint(*other, 1, 1, 0x0000FF00, 128); // over the kept paint at (6, 6)
    SetByte(*kept->shadow->lighting, 7, 7, 140);
    SetByte(*other->shadow->lighting, 2, 2, 150); // over (7, 7)
    SetByte(*other->shadow->lighting, 3, 3, 20);

    LineAppearance keptOwn;
    keptOwn.p4 = 9;
    kept->lineArt->appearanceList->Set(4, keptOwn);
    LineAppearance otherOwn;
    otherOwn.p4 = 7;
    other->lineArt->appearanceList->Set(4, otherOwn);
    other->lineArt->colorList->Set(0, LineColor{0x00ABCDEF, 99});
    kept->lineArt->colorList->Set(0, LineColor{0x00000001, 255});
    SetMask(*other->lineArt->lineBuffer, 4, 4, 0x00F0);
    SetMask(*other->frame->drawingBuffer, 4, 4, 0x0060); // the centre line runs there
    SetByte(*other->lineArt->lineAppearanceIndex, 4, 4, 4);
    SetByte(*other->lineArt->colorAppearanceIndex, 4, 4, 0);
    SetByte(*other->lineArt->refreshWidth, 4, 4, 3);
    SetMask(*kept->lineArt->lineBuffer, 9, 9, 0x000F); // under (4, 4)

    ASSERT_TRUE(geometry::MergeLayerInto(*kept, *other));
    const uint32_t mixed = ColorAt(*kept, 6, 6);
    EXPECT_EQ(mixed & 0xFF, 0x7Fu) << "half of the red shows through";
    EXPECT_EQ(mixed >> 8 & 0xFF, 0x80u);
    EXPECT_EQ(AmountAt(*kept, 6, 6), 255);
    EXPECT_EQ(ByteAt(*kept->shadow->lighting, 7, 7), 140 + 22);
    EXPECT_EQ(ByteAt(*kept->shadow->lighting, 8, 8), 20);
    EXPECT_EQ(ByteAt(*kept->shadow->lighting, 0, 0), ObjectShadow::kNeutral);

    ObjectLineArt& lines = *kept->lineArt;
    EXPECT_EQ(MaskAt(*lines.lineBuffer, 9, 9), 0x00FF);
    EXPECT_EQ(ByteAt(*lines.lineAppearanceIndex, 9, 9), 4) << "the style byte is copied, not remapped";
    EXPECT_EQ(*lines.appearanceList->Slot(4), keptOwn);
    EXPECT_EQ(lines.appearanceList->Count(), 6) << "the other's appearance joined the table";
    const uint8_t color = ByteAt(*lines.colorAppearanceIndex, 9, 9);
    ASSERT_NE(lines.colorList->Slot(color), nullptr);
    EXPECT_EQ(*lines.colorList->Slot(color), (LineColor{0x00ABCDEF, 99}));
    EXPECT_EQ(ByteAt(*lines.refreshWidth, 9, 9), 3);

    // A kept layer without lines gets them.
    auto bare = FullLayer(30, 30, 0, 0);
    bare->lineArt.reset();
    ASSERT_TRUE(geometry::MergeLayerInto(*bare, *other));
    ASSERT_NE(bare->lineArt, nullptr);
    EXPECT_EQ(MaskAt(*bare->lineArt->lineBuffer, 9, 9), 0x00F0);
}

TEST(LayerGeometry, FlipMirrorsEveryPart) {
    auto layer = FullLayer(9, 5, 0, 0);
    SetByte(*layer->shadow->lighting, 1, 1, 30);
    SetByte(*layer->lineArt->lineAppearanceIndex, 1, 1, 2);
    layer->image->pixels.SetColor(1, 1, 0x00FF0000);
    geometry::FlipLayer(*layer, true, nullptr);
    EXPECT_EQ(ByteAt(*layer->shadow->lighting, 7, 1), 30);
    EXPECT_EQ(ByteAt(*layer->lineArt->lineAppearanceIndex, 7, 1), 2);
    EXPECT_EQ(layer->image->pixels.ColorAt(7, 1), 0x00FF0000u);
    EXPECT_EQ(layer->frame->corners[0], (Wireframe::Corner{8, 0}));
    geometry::FlipLayer(*layer, false, nullptr);
    EXPECT_EQ(ByteAt(*layer->shadow->lighting, 7, 3), 30);
    EXPECT_EQ(layer->image->pixels.ColorAt(7, 3), 0x00FF0000u);
    EXPECT_EQ(layer->frame->corners[0], (Wireframe::Corner{8, 4}));
}

TEST(LayerGeometry, TurnMovesEveryPartAndTheCornersWithThePage) {
    // Drawing 200 x 100; layer 20 x 10 at (30, 40). Counter-clockwise by 90: drawing (x, y) goes to
    // (y, 199 - x).
    auto layer = FullLayer(20, 10, 30, 40);
    const uint16_t topRight = 1u << SuperBitBuffer::SubPixelBit(3, 0);
    Paint(*layer, 2, 3, 0x00405060); // drawing (32, 43) -> (43, 167)
    SetByte(*layer->shadow->lighting, 2, 3, 77);
    SetMask(*layer->frame->drawingBuffer, 2, 3, topRight);
    SetMask(*layer->lineArt->lineBuffer, 2, 3, topRight);
    layer->image->pixels.SetColor(2, 3, 0x00090807);
    ASSERT_TRUE(geometry::TurnLayer(*layer, 90, 200, 100));
    EXPECT_EQ(layer->bounds, (Rect{40, 150, 50, 170}));
    EXPECT_EQ(layer->offsetX, 40);
    EXPECT_EQ(layer->offsetY, 150);
    EXPECT_EQ(layer->color->Width(), 10);
    EXPECT_EQ(ColorAt(*layer, 3, 17), 0x00405060u);
    EXPECT_EQ(ByteAt(*layer->shadow->lighting, 3, 17), 77);
    EXPECT_EQ(layer->image->pixels.ColorAt(3, 17), 0x00090807u);
    const uint16_t topLeft = 1u << SuperBitBuffer::SubPixelBit(0, 0);
    EXPECT_EQ(MaskAt(*layer->frame->drawingBuffer, 3, 17), topLeft)
        << "the top-right sub-pixel turns to top-left";
    EXPECT_EQ(MaskAt(*layer->lineArt->lineBuffer, 3, 17), topLeft);
    // Corners: top-left (0, 0) goes to bottom-left, top-right to top-left.
    EXPECT_EQ(layer->frame->corners[0], (Wireframe::Corner{0, 19}));
    EXPECT_EQ(layer->frame->corners[1], (Wireframe::Corner{0, 0}));

    ASSERT_TRUE(geometry::TurnLayer(*layer, 270, 100, 200));
    EXPECT_EQ(layer->bounds, (Rect{30, 40, 50, 50}));
    EXPECT_EQ(ColorAt(*layer, 2, 3), 0x00405060u);
    EXPECT_EQ(MaskAt(*layer->frame->drawingBuffer, 2, 3), topRight);
    EXPECT_EQ(layer->frame->corners[0], (Wireframe::Corner{0, 0}));
    EXPECT_FALSE(geometry::TurnLayer(*layer, 45, 200, 100));
}

TEST(LayerGeometry, QuarterTurnsComposeToTheWhole) {
    for (uint32_t bit = 0; bit < 16; ++bit) {
        const auto mask = static_cast<uint16_t>(1u << bit);
        EXPECT_EQ(geometry::TurnMask(geometry::TurnMask(mask, 90), 270), mask) << bit;
        EXPECT_EQ(geometry::TurnMask(geometry::TurnMask(mask, 90), 90), geometry::TurnMask(mask, 180)) << bit;
    }
    std::mt19937 rng(7);
    SuperBitBuffer buffer;
    ASSERT_TRUE(buffer.Create(13, 7, 2, 0, 4.0f));
    for (int32_t y = 0; y < 7; ++y) {
        for (int32_t x = 0; x < 13; ++x) {
            SetMask(buffer, x, y, static_cast<uint16_t>(rng()));
        }
    }
    auto quarter = geometry::TurnBuffer(buffer, 90);
    ASSERT_NE(quarter, nullptr);
    EXPECT_EQ(quarter->Width(), 7);
    EXPECT_EQ(quarter->Height(), 13);
    auto back = geometry::TurnBuffer(*quarter, 270);
    ASSERT_NE(back, nullptr);
    EXPECT_TRUE(back->SameContents(buffer));
    auto half = geometry::TurnBuffer(*geometry::TurnBuffer(buffer, 180), 180);
    EXPECT_TRUE(half->SameContents(buffer));
}

} // namespace
} // namespace ts
