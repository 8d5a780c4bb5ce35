// Laying a layer onto a quadrilateral: the mesh of source positions, which figures are refused, and
// what becomes of each part of the layer.

#include "files/drawing_samples.h"
#include "model/layer_test_support.h"
#include "perspective/layer_transform.h"
#include "perspective/morph_mesh.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

namespace ts {
namespace {

using testing::AddDrawingLayer;
using testing::AddFullLayer;
using testing::ByteAt;
using testing::MaskAt;
using testing::Paint;
using testing::SetByte;
using testing::SetMask;
using Corners = std::array<PointTS, 4>;

// A wall seen at an angle: its far (right) side is shorter.
const Corners kWall{PointTS(100, 50), PointTS(300, 90), PointTS(300, 210), PointTS(100, 250)};

PointTS Crossing(PointTS p1, PointTS p2, PointTS p3, PointTS p4) {
    const double d = (p1.x - p2.x) * (p3.y - p4.y) - (p1.y - p2.y) * (p3.x - p4.x);
    const double a = p1.x * p2.y - p1.y * p2.x;
    const double b = p3.x * p4.y - p3.y * p4.x;
    return PointTS((a * (p3.x - p4.x) - (p1.x - p2.x) * b) / d, (a * (p3.y - p4.y) - (p1.y - p2.y) * b) / d);
}

TEST(MorphMesh, CornersAndTheDiagonalsCrossingComeFromTheSourceCornersAndCentre) {
    MorphMesh mesh;
    ASSERT_TRUE(mesh.Build(kWall, 400, 300));
    EXPECT_EQ(mesh.Bounds(), (Rect{100, 50, 300, 250}));
    EXPECT_DOUBLE_EQ(mesh.ScaleX(), 16.0 / 200);
    const PointTS sources[4] = {PointTS(0, 0), PointTS(400, 0), PointTS(400, 300), PointTS(0, 300)};
    for (size_t k = 0; k < 4; ++k) {
        double sx = 0, sy = 0;
        ASSERT_TRUE(mesh.Lookup(kWall[k].x, kWall[k].y, sx, sy));
        EXPECT_NEAR(sx, sources[k].x, 1e-6);
        EXPECT_NEAR(sy, sources[k].y, 1e-6);
    }
    // The middle of a wall in perspective is where its diagonals cross, not the middle of its box:
    // the near half looks wider, so the middle lies toward the far side.
    const PointTS middle = Crossing(kWall[0], kWall[2], kWall[1], kWall[3]);
    double sx = 0, sy = 0;
    ASSERT_TRUE(mesh.Lookup(middle.x, middle.y, sx, sy));
    EXPECT_NEAR(sx, 200, 1e-6);
    EXPECT_NEAR(sy, 150, 1e-6);
    EXPECT_GT(middle.x, 200);
    // The mesh nodes on the box's left side lie on the wall's near edge.
    EXPECT_NEAR(mesh.At(0, 0).x, 0, 1e-9);
    EXPECT_NEAR(mesh.At(0, MorphMesh::kCells).y, 300, 1e-9);
}

TEST(MorphMesh, PointsOnAndBeyondTheFarEdgesUseTheLastCell) {
    MorphMesh mesh;
    const Corners square{PointTS(10, 20), PointTS(74, 20), PointTS(74, 52), PointTS(10, 52)};
    ASSERT_TRUE(mesh.Build(square, 64, 32));
    // Inside the last cell, on the far edge and past it the answer is still the plain shift.
    for (const double x : {73.9, 74.0, 80.0}) {
        for (const double y : {51.9, 52.0, 60.0}) {
            double sx = 0, sy = 0;
            ASSERT_TRUE(mesh.Lookup(x, y, sx, sy));
            EXPECT_NEAR(sx, x - 10, 1e-9);
            EXPECT_NEAR(sy, y - 20, 1e-9);
        }
    }
    double sx = 0, sy = 0;
    ASSERT_TRUE(mesh.Lookup(0, 0, sx, sy));
    EXPECT_NEAR(sx, -10, 1e-9);
}

TEST(MorphMesh, FiguresWithoutAnInsideOrWithCrossedOrDentedSidesAreRefused) {
    const Corners refused[] = {
        {PointTS(5, 5), PointTS(5, 5), PointTS(5, 5), PointTS(5, 5)},                    // a point
        {PointTS(0, 0), PointTS(50, 0), PointTS(100, 0), PointTS(20, 0)},                // a line
        {PointTS(0, 0), PointTS(100, 0), PointTS(200, 0), PointTS(0, 100)},              // three in a line
        {PointTS(0, 0), PointTS(100, 0), PointTS(0, 100), PointTS(100, 100)},            // a bow tie
        {PointTS(0, 0), PointTS(100, 0), PointTS(30, 30), PointTS(0, 100)},              // a dart
        {PointTS(0, 0), PointTS(std::nan(""), 0.0), PointTS(100, 100), PointTS(0, 100)}, // nonsense
    };
    for (const Corners& c : refused) {
        EXPECT_FALSE(QuadIsMorphable(c));
        MorphMesh mesh;
        EXPECT_FALSE(mesh.Build(c, 10, 10));
        EXPECT_FALSE(mesh.IsBuilt());
    }
    EXPECT_TRUE(QuadIsMorphable(kWall));
    // Corners given the other way round mirror the layer; that is still a figure.
    EXPECT_TRUE(QuadIsMorphable(Corners{kWall[1], kWall[0], kWall[3], kWall[2]}));
}

class Morphing : public ::testing::Test {
protected:
    Morphing() { testing::AddBackdropAndPaper(stack, 2000, 2000); }
    ImageStackManager stack;
};

TEST_F(Morphing, TheLayersOwnRectangleLeavesEveryPartAsItWas) {
    LayerObject& layer = AddFullLayer(stack);
    LayerObject before;
    ASSERT_TRUE(before.CopyFrom(layer, true));
    const Rect r = layer.bounds;
    const Corners own{PointTS(r.left, r.top), PointTS(r.right, r.top), PointTS(r.right, r.bottom),
                      PointTS(r.left, r.bottom)};
    CountingProgressMeter progress;
    ASSERT_TRUE(MorphLayer(layer, own, kMorphLines | kMorphLighting | kMorphSurface, &progress));
    EXPECT_TRUE(layer.SameAs(before));
    EXPECT_EQ(layer.bounds, r);
    EXPECT_EQ(layer.offsetX, r.left);
    EXPECT_GT(progress.Done(), 0);
    EXPECT_FALSE(progress.Running());
}

TEST_F(Morphing, ARefusedFigureLeavesTheLayerAlone) {
    LayerObject& layer = AddFullLayer(stack);
    LayerObject before;
    ASSERT_TRUE(before.CopyFrom(layer, true));
    const Corners bowTie{PointTS(0, 0), PointTS(100, 0), PointTS(0, 100), PointTS(100, 100)};
    EXPECT_FALSE(MorphLayer(layer, bowTie, kMorphLines | kMorphSurface, nullptr));
    EXPECT_TRUE(layer.SameAs(before));
    // So is a figure far larger than any layer can be: nothing is allocated for it.
    const Corners huge{PointTS(0, 0), PointTS(1e6, 0.0), PointTS(1e6, 1e6), PointTS(0.0, 1e6)};
    EXPECT_FALSE(MorphLayer(layer, huge, kMorphLines | kMorphSurface, nullptr));
    EXPECT_TRUE(layer.SameAs(before));
    EXPECT_EQ(layer.bounds, before.bounds);
}

TEST_F(Morphing, PaintLandsWhereThePerspectiveSendsItAndTheRestOfTheBoxStaysEmpty) {
    LayerObject& layer = AddDrawingLayer(stack, 400, 300, 7, 9);
    // The top-left and bottom-right quarters painted in two colours.
    for (int32_t y = 0; y < 300; ++y) {
        for (int32_t x = 0; x < 400; ++x) {
            if ((x < 200) == (y < 150)) {
                Paint(layer, x, y, x < 200 ? 0x000000FF : 0x00FF0000);
            }
        }
    }
    constexpr uint32_t kAll = kMorphLines | kMorphLighting | kMorphSurface;
    ASSERT_TRUE(MorphLayer(layer, kWall, kAll, nullptr));
    // Everything went: the layer takes the wall's box.
    EXPECT_EQ(layer.bounds, (Rect{100, 50, 300, 250}));
    ASSERT_EQ(layer.color->red->Width(), 200);
    auto colorAt = [&](PointTS p) {
        return testing::ColorAt(layer, static_cast<int32_t>(p.x) - 100, static_cast<int32_t>(p.y) - 50);
    };
    const PointTS middle = Crossing(kWall[0], kWall[2], kWall[1], kWall[3]);
    // Just off the diagonals' crossing toward each corner lies the quarter of that corner.
    EXPECT_EQ(colorAt(PointTS(middle.x - 3, middle.y - 3)), 0x000000FFu);
    EXPECT_EQ(colorAt(PointTS(middle.x + 3, middle.y + 3)), 0x00FF0000u);
    EXPECT_EQ(testing::AmountAt(layer, static_cast<int32_t>(middle.x) + 3 - 100,
                                static_cast<int32_t>(middle.y) - 3 - 50),
              0);
    // Above the wall's sloping top edge, inside the box, nothing comes from the layer.
    EXPECT_EQ(testing::AmountAt(layer, 190, 0), 0);
    EXPECT_EQ(testing::AmountAt(layer, 190, 199), 0);
    EXPECT_EQ(testing::AmountAt(layer, 0, 0), 255);
}

TEST_F(Morphing, AStraightLineStaysStraightAndAsThinAsItWas) {
    LayerObject& layer = AddDrawingLayer(stack, 400, 300, 0, 0);
    layer.lineArt = std::make_unique<ObjectLineArt>();
    ASSERT_TRUE(layer.lineArt->Create(400, 300));
    // A horizontal line one sub-pixel row thick, across the whole layer at source y = 100.125, with its
    // appearance index.
    const uint16_t row0 =
        (1u << SuperBitBuffer::SubPixelBit(0, 0)) | (1u << SuperBitBuffer::SubPixelBit(1, 0)) |
        (1u << SuperBitBuffer::SubPixelBit(2, 0)) | (1u << SuperBitBuffer::SubPixelBit(3, 0));
    for (int32_t x = 0; x < 400; ++x) {
        SetMask(*layer.lineArt->lineBuffer, x, 100, row0);
        SetByte(*layer.lineArt->lineAppearanceIndex, x, 100, 6);
    }
    ASSERT_TRUE(MorphLayer(layer, kWall, kMorphLines | kMorphLighting | kMorphSurface, nullptr));
    ASSERT_EQ(layer.bounds, (Rect{100, 50, 300, 250}));
    PerspectiveRectangle wall(kWall);
    const PointTS a = wall.Map(0, 100.125 / 300);
    const PointTS b = wall.Map(1, 100.125 / 300);
    int columns = 0;
    for (int32_t x = 2; x < 198; ++x) {
        // The centre of the covered sub-pixels of this column, in page pixels.
        double sum = 0;
        int count = 0;
        for (int32_t y = 0; y < 200; ++y) {
            const uint16_t mask = MaskAt(*layer.lineArt->lineBuffer, x, y);
            for (int j = 0; j < 4; ++j) {
                for (int i = 0; i < 4; ++i) {
                    if (mask & (1u << SuperBitBuffer::SubPixelBit(i, j))) {
                        sum += 50 + y + (j + 0.5) / 4;
                        ++count;
                    }
                }
            }
            if (mask) {
                EXPECT_EQ(ByteAt(*layer.lineArt->lineAppearanceIndex, x, y), 6) << x << "," << y;
            }
        }
        ASSERT_GT(count, 0) << "the line is broken at column " << x;
        // Thin: one sub-pixel row of each column's four, give or take one for the slope.
        EXPECT_LE(count, 8) << x;
        const double px = 100 + x + 0.5;
        const double expected = a.y + (b.y - a.y) * (px - a.x) / (b.x - a.x);
        EXPECT_NEAR(sum / count, expected, 0.5) << x;
        ++columns;
    }
    EXPECT_EQ(columns, 196);
}

TEST_F(Morphing, LinesShrunkFourTimesKeepTheirIndicesOnEveryCoveredPixel) {
    LayerObject& layer = AddDrawingLayer(stack, 400, 300, 0, 0);
    layer.lineArt = std::make_unique<ObjectLineArt>();
    ASSERT_TRUE(layer.lineArt->Create(400, 300));
    // Lines one sub-pixel thick on both sides of block seams, so that most destination pixels they
    // cover have an empty source pixel under their centre; each line with an index of its own.
    const uint16_t topRow =
        (1u << SuperBitBuffer::SubPixelBit(0, 0)) | (1u << SuperBitBuffer::SubPixelBit(1, 0)) |
        (1u << SuperBitBuffer::SubPixelBit(2, 0)) | (1u << SuperBitBuffer::SubPixelBit(3, 0));
    const uint16_t leftColumn =
        (1u << SuperBitBuffer::SubPixelBit(0, 0)) | (1u << SuperBitBuffer::SubPixelBit(0, 1)) |
        (1u << SuperBitBuffer::SubPixelBit(0, 2)) | (1u << SuperBitBuffer::SubPixelBit(0, 3));
    uint8_t index = 1;
    for (int32_t at : {15, 16, 47, 129, 130, 255}) {
        for (int32_t x = 0; x < 400; ++x) {
            SetMask(*layer.lineArt->lineBuffer, x, at, topRow);
            SetByte(*layer.lineArt->lineAppearanceIndex, x, at, index);
        }
        ++index;
        for (int32_t y = 0; y < 300; ++y) {
            SetMask(*layer.lineArt->lineBuffer, at + 60, y, leftColumn);
            SetByte(*layer.lineArt->lineAppearanceIndex, at + 60, y, index);
        }
        ++index;
    }
    const Corners small{PointTS(100, 50), PointTS(200, 50), PointTS(200, 125), PointTS(100, 125)};
    ASSERT_TRUE(MorphLayer(layer, small, kMorphLines | kMorphLighting | kMorphSurface, nullptr));
    ASSERT_EQ(layer.bounds, (Rect{100, 50, 200, 125}));
    int covered = 0;
    for (int32_t y = 0; y < 75; ++y) {
        for (int32_t x = 0; x < 100; ++x) {
            if (MaskAt(*layer.lineArt->lineBuffer, x, y) != 0) {
                ++covered;
                EXPECT_NE(ByteAt(*layer.lineArt->lineAppearanceIndex, x, y), 0) << x << "," << y;
            }
        }
    }
    // Each line still unbroken, the close pairs run together: eight lines of 100 or 75 pixels.
    EXPECT_GE(covered, 4 * 100 + 4 * 75);
}

TEST_F(Morphing, AComponentLeftOutStaysWhereItWasAndTheLayerGrowsToHoldBoth) {
    LayerObject& layer = AddDrawingLayer(stack, 40, 30, 10, 10);
    Paint(layer, 0, 0, 0x00112233);
    Paint(layer, 39, 29, 0x00445566);
    layer.shadow = std::make_unique<ObjectShadow>();
    ASSERT_TRUE(layer.shadow->Create(40, 30));
    SetByte(*layer.shadow->lighting, 20, 15, 7);
    const Corners away{PointTS(200, 100), PointTS(280, 100), PointTS(280, 160), PointTS(200, 160)};
    ASSERT_TRUE(MorphLayer(layer, away, kMorphLighting, nullptr));
    EXPECT_EQ(layer.bounds, (Rect{10, 10, 280, 160}));
    // The paint is where it was on the page.
    EXPECT_EQ(testing::ColorAt(layer, 0, 0), 0x00112233u);
    EXPECT_EQ(testing::ColorAt(layer, 39, 29), 0x00445566u);
    EXPECT_EQ(testing::AmountAt(layer, 40, 30), 0);
    // The lighting doubled in size with the rectangle, and outside it is neutral.
    EXPECT_EQ(ByteAt(*layer.shadow->lighting, 200 - 10 + 40, 100 - 10 + 30), 7);
    EXPECT_EQ(ByteAt(*layer.shadow->lighting, 20, 15), ObjectShadow::kNeutral);
}

TEST_F(Morphing, ATurnGrowsTheLayerAboutItsCentreAndTurnsPaintCounterClockwise) {
    LayerObject& layer = AddDrawingLayer(stack, 60, 20, 100, 100);
    Paint(layer, 59, 0, 0x000000FF); // top right
    layer.frame->hasCorners = true;
    layer.frame->corners = {Wireframe::Corner{0, 0}, {60, 0}, {60, 20}, {0, 20}};
    ASSERT_TRUE(TurnLayerBy(layer, 30, nullptr));
    // 20 x 60 turned by 30 degrees, rounded up to even sizes, about the same centre.
    const int32_t w = 2 * static_cast<int32_t>(std::ceil((20 * 0.5 + 60 * 0.8660254) / 2));
    const int32_t h = 2 * static_cast<int32_t>(std::ceil((20 * 0.8660254 + 60 * 0.5) / 2));
    EXPECT_EQ(layer.bounds.Width(), w);
    EXPECT_EQ(layer.bounds.Height(), h);
    EXPECT_NEAR(layer.bounds.left + w / 2.0, 130, 1);
    EXPECT_NEAR(layer.bounds.top + h / 2.0, 110, 1);
    EXPECT_EQ(layer.color->red->Width(), w);
    EXPECT_EQ(layer.frame->drawingBuffer->Width(), w);
    // Counter-clockwise the top-right corner rises to the top of the turned layer.
    int32_t redX = -1, redY = -1;
    for (int32_t y = 0; y < h && redX < 0; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            if (testing::AmountAt(layer, x, y) == 255) {
                redX = x;
                redY = y;
                break;
            }
        }
    }
    EXPECT_LE(redY, 1);
    EXPECT_GT(redX, w / 2);
    // The corners went round with the paint.
    EXPECT_LE(layer.frame->corners[1].y, 1);
    EXPECT_NEAR(layer.frame->corners[1].x, redX, 2);
}

} // namespace
} // namespace ts
