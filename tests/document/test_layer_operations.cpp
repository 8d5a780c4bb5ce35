#include "document/drawing_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ts {
namespace {

using testing::AmountAt;
using testing::ColorAt;
using testing::MaskAt;
using testing::Paint;
using testing::SetMask;

class TitleHooks final : public LayerOperationHooks {
public:
    void ForgetFileName() override { ++forgotten; }
    void LinesChanged(LayerObject& layer) override { linesChanged.push_back(layer.id); }
    int forgotten = 0;
    std::vector<uint32_t> linesChanged;
};

class LayerOperationsTest : public testing::DrawingTest {
protected:
    LayerOperationsTest() { ops().SetHooks(&hooks); }
    TitleHooks hooks;
};

TEST_F(LayerOperationsTest, NewDrawingLaysOutBackdropPaperAndAHalfSizeBlankLayer) {
    settings.WriteInt("Settings", "PaperTextureIndex", 4);
    Image24 canvas;
    canvas.Create(4, 4);
    codec.Put(std::string(testing::kProgramFolder) + "Textures/Board/Canvas1.jpg", canvas);
    ASSERT_TRUE(ops().NewDrawing());
    EXPECT_EQ(stack().DrawingWidth(), 2700) << "36 x 24 inches at 300 dpi, 4 page pixels a drawing pixel";
    EXPECT_EQ(stack().DrawingHeight(), 1800);
    ASSERT_EQ(stack().Count(), 3);
    EXPECT_EQ(layer(0).name, "Backdrop");
    EXPECT_EQ(layer(0).image->Width(), 8);
    EXPECT_EQ(layer(1).name, "Paper");
    EXPECT_EQ(layer(1).paperTextureIndex, 4);
    EXPECT_EQ(layer(1).image->Width(), 4) << "the texture named by the profile";
    EXPECT_EQ(layer(2).name, "Blank Layer");
    EXPECT_EQ(stack().Current(), 2);
    EXPECT_EQ(stack().LayerWidth(layer(2)), 1350);
    EXPECT_EQ(stack().LayerHeight(layer(2)), 900);
    EXPECT_EQ(layer(2).bounds, (Rect{675, 450, 2025, 1350}))
        << "centred, so every quarter of the board paints";
    EXPECT_EQ(layer(2).offsetX, 675);
    EXPECT_EQ(layer(2).offsetY, 450);
    EXPECT_EQ(Ids(), (std::vector<uint32_t>{1, 2, 3}));
    EXPECT_TRUE(stack().IsEmptyDrawing());
    ASSERT_EQ(undo().UndoCount(), 1);
    EXPECT_EQ(undo().NewestUndo()->kind, UndoRedo::kLayerMoved);
    EXPECT_EQ(refresh().reasons.back(), "BlankObject");
    EXPECT_EQ(hooks.forgotten, 1);

    // The next drawing starts afresh, its ids continuing.
    Paint(layer(2), 0, 0, 0);
    EXPECT_FALSE(stack().IsEmptyDrawing());
    NewDrawing("12", "8");
    EXPECT_EQ(stack().DrawingWidth(), 900);
    EXPECT_EQ(stack().DrawingHeight(), 600);
    EXPECT_EQ(Ids(), (std::vector<uint32_t>{4, 5, 6}));
    EXPECT_TRUE(stack().IsEmptyDrawing());
    EXPECT_EQ(undo().UndoCount(), 1);
}

TEST_F(LayerOperationsTest, NewDrawingWithoutItsBoardLeavesTheDrawingAsItWas) {
    NewDrawing();
    Paint(layer(2), 3, 3, 0x0000FF);
    AddLayer(20, 20);
    codec.Erase(testing::kBoardPath);
    EXPECT_FALSE(ops().NewDrawing());
    EXPECT_EQ(stack().Count(), 4);
    EXPECT_EQ(AmountAt(layer(2), 3, 3), 255);
    EXPECT_EQ(undo().UndoCount(), 1);
    EXPECT_EQ(hooks.forgotten, 1);
}

TEST_F(LayerOperationsTest, NewBlankLayersTakeTheirSizesFromTheDrawingAndThePage) {
    NewDrawing("4", "3"); // 300 x 225
    ASSERT_TRUE(ops().NewBlankLayer(BlankLayerSize::kSmall));
    EXPECT_EQ(current().bounds, (Rect{75, 56, 225, 168})) << "centred on the drawing";
    ASSERT_TRUE(ops().NewBlankLayer(BlankLayerSize::kFullPage));
    EXPECT_EQ(current().bounds, (Rect{0, 0, 300, 225}));
    ASSERT_TRUE(ops().NewBlankLayer(BlankLayerSize::kPrintableArea));
    // Margins of 150 and 42 printer dots at 600 dpi: 75 and 21 page pixels on each side, so the
    // printable area is 262 x 214 drawing pixels, centred.
    EXPECT_EQ(current().bounds, (Rect{19, 5, 19 + (1200 - 150) / 4, 5 + (900 - 42) / 4}));
    EXPECT_EQ(stack().Count(), 6);
    EXPECT_EQ(stack().Current(), 5);
    EXPECT_EQ(undo().NewestUndo()->kind, UndoRedo::kLayerAdded);
    EXPECT_EQ(undo().NewestUndo()->layerId, current().id);
    // Undo takes an added layer away again, even when another layer was selected since; redo brings
    // it back.
    const uint32_t added = current().id;
    stack().SetCurrent(2);
    undo().Undo();
    EXPECT_EQ(stack().Count(), 5);
    EXPECT_LT(stack().IndexOfId(added), 0);
    undo().Redo();
    EXPECT_EQ(stack().Count(), 6);
    EXPECT_GE(stack().IndexOfId(added), 0);
}

TEST_F(LayerOperationsTest, SelectionMovesTheCurrentIndexWithinTheDrawingLayers) {
    NewDrawing();
    AddLayer(10, 10);
    AddLayer(10, 10);
    ops().SelectUp();
    EXPECT_EQ(stack().Current(), 4) << "already on top";
    ops().SelectBottom();
    EXPECT_EQ(stack().Current(), 2);
    EXPECT_EQ(refresh().reasons.back(), "SelectBottomObject");
    ops().SelectDown();
    EXPECT_EQ(stack().Current(), 2);
    ops().SelectUp();
    EXPECT_EQ(stack().Current(), 3);
    EXPECT_EQ(refresh().reasons.back(), "SelectTopObject");
    const int marks = refresh().stackFootprintMarks;
    layer(4).dimmed = true;
    ops().SelectTop();
    EXPECT_EQ(stack().Current(), 4);
    EXPECT_EQ(refresh().stackFootprintMarks, marks) << "a dimmed layer repaints the whole drawing";
    EXPECT_EQ(refresh().viewRects.back(), stack().DrawingRect());
}

TEST_F(LayerOperationsTest, OrderCommandsMoveTheCurrentLayerAndStopAtTheEnds) {
    NewDrawing();
    const size_t refreshes = refresh().reasons.size();
    ops().UpOne();
    ops().DownOne();
    ops().ToFront();
    ops().ToRear();
    EXPECT_EQ(Ids(), (std::vector<uint32_t>{1, 2, 3})) << "one drawing layer";
    EXPECT_EQ(refresh().reasons.size(), refreshes);

    AddLayer(10, 10); // 4
    AddLayer(10, 10); // 5
    AddLayer(10, 10); // 6, current
    ops().UpOne();
    EXPECT_EQ(stack().Current(), 5);
    EXPECT_EQ(Ids(), (std::vector<uint32_t>{1, 2, 3, 4, 5, 6}));
    ops().ToRear();
    EXPECT_EQ(Ids(), (std::vector<uint32_t>{1, 2, 6, 3, 4, 5}));
    EXPECT_EQ(stack().Current(), 2);
    EXPECT_EQ(refresh().reasons.back(), "OnLayerMoverFront");
    ops().DownOne();
    EXPECT_EQ(stack().Current(), 2);
    EXPECT_EQ(Ids(), (std::vector<uint32_t>{1, 2, 6, 3, 4, 5}));
    ops().UpOne();
    EXPECT_EQ(Ids(), (std::vector<uint32_t>{1, 2, 3, 6, 4, 5}));
    EXPECT_EQ(stack().Current(), 3);
    ops().ToFront();
    EXPECT_EQ(Ids(), (std::vector<uint32_t>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(stack().Current(), 5);
    stack().SetCurrent(4);
    ops().DownOne();
    EXPECT_EQ(Ids(), (std::vector<uint32_t>{1, 2, 3, 5, 4, 6}));
    EXPECT_EQ(stack().Current(), 3);
}

TEST_F(LayerOperationsTest, CloneIsACopyOnTopMovedBy50WithItsOwnId) {
    NewDrawing();
    LayerObject& source = AddLayer(40, 30, 10, 20);
    source.caption = "porch";
    Paint(source, 5, 5, 0x00336699, 200, 3);
    SetMask(*source.frame->drawingBuffer, 6, 6, 0x0F0F);
    AddLayer(10, 10);
    stack().SetCurrent(3);
    ASSERT_TRUE(ops().Clone());
    ASSERT_EQ(stack().Count(), 6);
    EXPECT_EQ(stack().Current(), 5);
    LayerObject& copy = layer(5);
    EXPECT_EQ(copy.id, 6u);
    EXPECT_EQ(copy.name, source.name);
    EXPECT_EQ(copy.caption, "porch");
    EXPECT_EQ(copy.offsetX, 60);
    EXPECT_EQ(copy.offsetY, 70);
    EXPECT_EQ(copy.bounds, (Rect{60, 70, 100, 100}));
    EXPECT_EQ(ColorAt(copy, 5, 5), 0x00336699u);
    EXPECT_EQ(AmountAt(copy, 5, 5), 200);
    EXPECT_EQ(MaskAt(*copy.frame->drawingBuffer, 6, 6), 0x0F0F);
    EXPECT_EQ(layer(3).offsetX, 10) << "the source stays";
    EXPECT_EQ(refresh().reasons.back(), "Duplicate");
    EXPECT_EQ(refresh().viewRects.back(), (Rect{10, 20, 100, 100}));
    Paint(copy, 5, 5, 0x0);
    EXPECT_EQ(ColorAt(layer(3), 5, 5), 0x00336699u) << "parts are not shared";
}

TEST_F(LayerOperationsTest, DeletingTheOnlyDrawingLayerLeavesBackdropAndPaperOfTheDrawingSize) {
    NewDrawing();
    ops().DeleteCurrent();
    EXPECT_EQ(stack().Count(), 2);
    EXPECT_EQ(hooks.forgotten, 2) << "the title goes back to Untitled";
    EXPECT_EQ(layer(1).bounds, stack().DrawingRect());
    EXPECT_EQ(stack().DrawingWidth(), 300);
    EXPECT_EQ(refresh().reasons.back(), "R_OnObjectsDeleteSelectedObject");
    EXPECT_EQ(ui.WaitCursorShows(), 1);
    EXPECT_FALSE(ui.WaitCursorShown());
    ops().DeleteCurrent(); // nothing left to delete
    EXPECT_EQ(stack().Count(), 2);

    NewDrawing();
    ops().DeleteLayer(2, false);
    EXPECT_TRUE(layer(1).bounds.IsEmpty());
}

// Only deleting the current layer itself moves the selection to the main layer; deleting a layer below
// it keeps the current index.
TEST_F(LayerOperationsTest, DeletingBelowTheCurrentLayerKeepsTheCurrentIndex) {
    NewDrawing();
    AddLayer(200, 200); // 3: the largest
    AddLayer(10, 10);   // 4
    AddLayer(10, 10);   // 5
    stack().SetCurrent(4);
    ops().DeleteLayer(2, true);
    EXPECT_EQ(stack().Current(), 4) << "index 4 now names the layer that moved down into it";
    EXPECT_EQ(current().id, 6u);
}

TEST_F(LayerOperationsTest, DeletingTheCurrentLayerPicksTheMainLayer) {
    NewDrawing();
    AddLayer(200, 200); // 3: the largest
    AddLayer(10, 10);   // 4
    AddLayer(10, 10);   // 5
    ops().DeleteCurrent();
    EXPECT_EQ(stack().Current(), 3);
    stack().SetCurrent(2);
    ops().DeleteLayer(4, true);
    EXPECT_EQ(stack().Current(), 2) << "a layer above the current one";
    // The repaint covers the former bounds grown by the zoom, within the drawing.
    refresh().zoom = -3;
    stack().SetCurrent(3);
    ops().DeleteCurrent();
    EXPECT_EQ(refresh().viewRects.back(), (Rect{0, 0, 203, 203}));
}

TEST_F(LayerOperationsTest, MergeAsksForAPartnerAsTheStackRequires) {
    NewDrawing();
    ops().Merge();
    EXPECT_EQ(ui.LastMessageText(), "Combine requires another layer.");
    EXPECT_EQ(stack().Count(), 3);

    // Two drawing layers: the other one, without a question.
    AddLayer(10, 10);
    ui.ClearMessages();
    ops().Merge();
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_EQ(stack().Count(), 3);
    EXPECT_EQ(stack().Current(), 2);
    EXPECT_EQ(refresh().reasons.back(), "end combine");

    // More than two: the next layer down, when the answer is Yes.
    AddLayer(10, 10);
    AddLayer(10, 10);
    ui.QueueAnswer(Answer::No);
    ops().Merge();
    EXPECT_EQ(ui.LastMessageText(), "Combine with next layer down?");
    EXPECT_EQ(stack().Count(), 5);
    ui.QueueAnswer(Answer::Yes);
    ops().Merge();
    EXPECT_EQ(stack().Count(), 4);
    EXPECT_EQ(stack().Current(), 3);
    EXPECT_EQ(layer(3).id, 5u) << "the lower layer remains";

    // The lowest layer has nothing below it.
    AddLayer(10, 10);
    stack().SetCurrent(2);
    ops().Merge();
    EXPECT_EQ(ui.LastMessageText(), "Combine with next layer down?");
    EXPECT_EQ(stack().Count(), 5);

    // A marked partner needs no question.
    ui.ClearMessages();
    ops().SetMergePartner(4);
    ops().Merge();
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_EQ(stack().Count(), 4);
    EXPECT_EQ(ops().MergePartner(), -1);
}

TEST_F(LayerOperationsTest, MergingWithARoviDivodIsConfirmedFirst) {
    NewDrawing();
    AddLayer(10, 10, 0, 0, kRoviDivodName);
    ui.QueueAnswer(Answer::No);
    ops().Merge();
    EXPECT_EQ(ui.LastMessageText(), "Combining with a SketchFrame or RoviDivod is unusual. Continue?");
    EXPECT_EQ(ui.Messages().back().icon, MessageIcon::Question);
    EXPECT_EQ(stack().Count(), 4);

    stack().SetCurrent(2);
    ui.QueueAnswer(Answer::Yes);
    ops().Merge();
    EXPECT_EQ(ui.LastMessageText(), "Combining with a SketchFrame or RoviDivod is unusual. Continue?");
    EXPECT_EQ(stack().Count(), 3);
}

TEST_F(LayerOperationsTest, AnUnusualMergeIsConfirmedBeforeThePartnerIsChosen) {
    NewDrawing();
    AddLayer(10, 10);
    AddLayer(10, 10, 0, 0, kSketchFrameName); // current, with two layers below it
    ui.QueueAnswer(Answer::No);
    ops().Merge();
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_EQ(ui.LastMessageText(), "Combining with a SketchFrame or RoviDivod is unusual. Continue?");
    EXPECT_EQ(stack().Count(), 5);

    ui.ClearMessages();
    ui.QueueAnswer(Answer::Yes);
    ui.QueueAnswer(Answer::Yes);
    ops().Merge();
    ASSERT_EQ(ui.Messages().size(), 2u);
    EXPECT_EQ(ui.Messages()[0].text, "Combining with a SketchFrame or RoviDivod is unusual. Continue?");
    EXPECT_EQ(ui.Messages()[1].text, "Combine with next layer down?");
    EXPECT_EQ(stack().Count(), 4);
}

TEST_F(LayerOperationsTest, MergeKeepsTheStyleAndWidthOfTheUpperLines) {
    NewDrawing();
    auto giveLines = [](LayerObject& l) {
        l.lineArt = std::make_unique<ObjectLineArt>();
        l.lineArt->Create(l.frame->drawingBuffer->Width(), l.frame->drawingBuffer->Height());
    };
    LayerObject& lower = AddLayer(50, 40);
    giveLines(lower);
    lower.lineArt->colorList->FindOrAdd(LineColor{0x000000FF, 255});
    LayerObject& upper = AddLayer(50, 40);
    giveLines(upper);
    upper.lineArt->colorList->FindOrAdd(LineColor{0x00000000, 255});
    upper.lineArt->colorList->FindOrAdd(LineColor{0x0000FF00, 255}); // slot 1 here, new below
    // A gap pixel of a dashed line: occupied, with no rendered coverage.
    SetMask(*upper.frame->drawingBuffer, 12, 7, 0x0660);
    testing::SetByte(*upper.lineArt->lineAppearanceIndex, 12, 7, 4 | 0x80);
    testing::SetByte(*upper.lineArt->refreshWidth, 12, 7, 5 | 3 << 5);
    testing::SetByte(*upper.lineArt->colorAppearanceIndex, 12, 7, 1);
    ops().SetMergePartner(3);
    ops().Merge();

    const ObjectLineArt& merged = *layer(3).lineArt;
    EXPECT_EQ(testing::ByteAt(*merged.lineAppearanceIndex, 12, 7), 4 | 0x80) << "a style, not a table index";
    EXPECT_EQ(testing::ByteAt(*merged.refreshWidth, 12, 7), 5 | 3 << 5);
    const LineColor* color = merged.colorList->Slot(testing::ByteAt(*merged.colorAppearanceIndex, 12, 7));
    ASSERT_NE(color, nullptr);
    EXPECT_EQ(color->color, 0x0000FF00);
}

TEST_F(LayerOperationsTest, MergeCombinesPixelsAtTheirDrawingPositionsAndUndoBringsBothBack) {
    NewDrawing();
    LayerObject& lower = AddLayer(100, 80, 10, 10);
    Paint(lower, 1, 1, 0x000000FF);
    SetMask(*lower.frame->drawingBuffer, 40, 30, 0x000F);
    LayerObject& upper = AddLayer(100, 80, 40, 30);
    Paint(upper, 5, 6, 0x0000FF00);
    SetMask(*upper.frame->drawingBuffer, 10, 10, 0x00F0); // drawing (50, 40), as the lower one's mark
    const uint32_t lowerId = lower.id;
    const uint32_t upperId = upper.id;
    ops().SetMergePartner(3);
    ops().Merge();

    ASSERT_EQ(stack().Count(), 4);
    LayerObject& merged = layer(3);
    EXPECT_EQ(merged.id, lowerId);
    EXPECT_EQ(merged.bounds, (Rect{10, 10, 140, 110}));
    EXPECT_EQ(merged.offsetX, 10);
    EXPECT_EQ(stack().LayerWidth(merged), 130);
    EXPECT_EQ(ColorAt(merged, 1, 1), 0x000000FFu);
    EXPECT_EQ(ColorAt(merged, 35, 26), 0x0000FF00u) << "drawing (45, 36)";
    EXPECT_EQ(AmountAt(merged, 35, 26), 255);
    EXPECT_EQ(AmountAt(merged, 5, 6), 0);
    EXPECT_EQ(MaskAt(*merged.frame->drawingBuffer, 40, 30), 0x00FF) << "lines are united";
    EXPECT_EQ(hooks.linesChanged.back(), lowerId);

    undo().Undo();
    ASSERT_EQ(stack().Count(), 5);
    EXPECT_EQ(layer(4).id, upperId);
    EXPECT_EQ(ColorAt(layer(4), 5, 6), 0x0000FF00u);
    undo().Undo();
    EXPECT_EQ(layer(3).bounds, (Rect{10, 10, 110, 90}));
    EXPECT_EQ(AmountAt(layer(3), 35, 26), 0);
    EXPECT_EQ(MaskAt(*layer(3).frame->drawingBuffer, 40, 30), 0x000F);

    undo().Redo();
    undo().Redo();
    ASSERT_EQ(stack().Count(), 4);
    EXPECT_EQ(stack().IndexOfId(upperId), -1);
    EXPECT_EQ(ColorAt(layer(3), 35, 26), 0x0000FF00u);
}

// The merge partner is a layer, not a slot: reordering the stack must not make another layer the partner.
TEST_F(LayerOperationsTest, MarkedPartnerFollowsItsLayerWhenTheStackIsReordered) {
    NewDrawing();
    LayerObject& moved = layer(2);
    Paint(moved, 1, 1, 0x000000FF);
    const int32_t paintedX = moved.offsetX + 1; // drawing pixels
    const int32_t paintedY = moved.offsetY + 1;
    const uint32_t partnerId = AddLayer(10, 10).id; // 3
    AddLayer(10, 10);                               // 4
    ops().SetMergePartner(3);
    stack().SetCurrent(2);
    ops().ToFront(); // the partner moves down to index 2
    ops().Merge();
    ASSERT_EQ(stack().Count(), 4);
    const int32_t kept = stack().IndexOfId(partnerId);
    ASSERT_GE(kept, 2);
    EXPECT_EQ(AmountAt(layer(kept), paintedX - layer(kept).offsetX, paintedY - layer(kept).offsetY), 255)
        << "the paint went into the marked layer";
}

TEST_F(LayerOperationsTest, MergeRemapsAppearanceIndices) {
    NewDrawing();
    LayerObject& lower = AddLayer(20, 20);
    CColorAppearance lowerOwn;
    lowerOwn.reference = 12;
    lowerOwn.p2 = 1;
    lower.color->appearances.Set(12, lowerOwn);
    LayerObject& upper = AddLayer(20, 20);
    CColorAppearance upperOwn;
    upperOwn.reference = 12;
    upperOwn.p2 = 2;
    upper.color->appearances.Set(12, upperOwn);
    Paint(upper, 3, 3, 0x00808080, 255, 12);
    Paint(upper, 4, 3, 0x00808080, 255, 5);
    ops().Merge();
    ASSERT_EQ(stack().Count(), 4);
    const ObjectColor& merged = *layer(3).color;
    const uint8_t index = testing::ByteAt(*merged.appearance, 3, 3);
    ASSERT_NE(merged.appearances.Slot(index), nullptr);
    EXPECT_EQ(*merged.appearances.Slot(index), upperOwn);
    EXPECT_EQ(*merged.appearances.Slot(12), lowerOwn) << "the kept layer's own entries stay";
    EXPECT_EQ(testing::ByteAt(*merged.appearance, 4, 3), 5) << "equal entries keep their index";
}

TEST_F(LayerOperationsTest, MinimizeFitsTheLayerToItsLinesWithA30PixelMargin) {
    NewDrawing();
    LayerObject& l = AddLayer(200, 150, 20, 10);
    ops().Minimize();
    EXPECT_EQ(ui.LastMessageText(),
              "No lines were found in this layer.\nMinimize uses lines to define the extents of the layer.");
    EXPECT_EQ(l.bounds, (Rect{20, 10, 220, 160}));

    for (int32_t x = 100; x < 120; ++x) {
        SetMask(*l.frame->drawingBuffer, x, 50, 0x0660);
    }
    Paint(l, 90, 40, 0x00ABCDEF);
    Paint(l, 5, 5, 0x00ABCDEF);
    ASSERT_TRUE(ops().Minimize());
    EXPECT_EQ(stack().LayerWidth(l), 20 + 60);
    EXPECT_EQ(stack().LayerHeight(l), 1 + 60);
    EXPECT_EQ(l.offsetX, 20 + 100 - 30);
    EXPECT_EQ(l.offsetY, 10 + 50 - 30);
    EXPECT_EQ(l.bounds, (Rect{90, 30, 170, 91}));
    EXPECT_EQ(MaskAt(*l.frame->drawingBuffer, 30, 30), 0x0660);
    EXPECT_EQ(MaskAt(*l.frame->drawingBuffer, 49, 30), 0x0660);
    EXPECT_EQ(MaskAt(*l.frame->drawingBuffer, 50, 30), 0);
    EXPECT_EQ(ColorAt(l, 20, 20), 0x00ABCDEFu) << "paint inside the new rectangle stays in place";
    EXPECT_EQ(l.color->amount->BoundingBox(0), (Rect{20, 20, 21, 21})) << "paint outside it is cut away";
}

TEST_F(LayerOperationsTest, FlipsMirrorTheLayerWithinItsBounds) {
    NewDrawing();
    LayerObject& l = AddLayer(40, 30, 5, 5);
    Paint(l, 2, 3, 0x00112233);
    const uint16_t topLeftSubPixel = 1u << SuperBitBuffer::SubPixelBit(0, 0);
    SetMask(*l.frame->drawingBuffer, 1, 1, topLeftSubPixel);
    ops().FlipHorizontal();
    EXPECT_EQ(ColorAt(l, 37, 3), 0x00112233u);
    EXPECT_EQ(AmountAt(l, 2, 3), 0);
    EXPECT_EQ(MaskAt(*l.frame->drawingBuffer, 38, 1), 1u << SuperBitBuffer::SubPixelBit(3, 0));
    EXPECT_EQ(refresh().reasons.back(), "Flip Horiz");
    EXPECT_EQ(refresh().viewRects.back(), l.bounds);
    ops().FlipVertical();
    EXPECT_EQ(ColorAt(l, 37, 26), 0x00112233u);
    EXPECT_EQ(MaskAt(*l.frame->drawingBuffer, 38, 28), 1u << SuperBitBuffer::SubPixelBit(3, 3));
    EXPECT_EQ(refresh().reasons.back(), "Flip Vert");
    EXPECT_EQ(l.bounds, (Rect{5, 5, 45, 35}));
    EXPECT_EQ(undo().UndoCount(), 1) << "no undo record";
}

TEST_F(LayerOperationsTest, DesignRotateTurnsThePageCounterClockwise) {
    NewDrawing("4", "3"); // 300 x 225
    LayerObject& l = AddLayer(40, 30, 100, 50);
    Paint(l, 10, 20, 0x00445566); // drawing (110, 70)
    ASSERT_TRUE(ops().DesignRotate(90));
    EXPECT_EQ(stack().DrawingWidth(), 225);
    EXPECT_EQ(stack().DrawingHeight(), 300);
    // Counter-clockwise: drawing (x, y) goes to (y, width - 1 - x).
    EXPECT_EQ(l.bounds, (Rect{50, 160, 80, 200}));
    EXPECT_EQ(stack().LayerWidth(l), 30);
    EXPECT_EQ(ColorAt(l, 70 - l.offsetX, 189 - l.offsetY), 0x00445566u);
    EXPECT_EQ(refresh().reasons.back(), "Design Rotate");

    ASSERT_TRUE(ops().DesignRotate(180));
    EXPECT_EQ(stack().DrawingWidth(), 225);
    EXPECT_EQ(ColorAt(l, 224 - 70 - l.offsetX, 299 - 189 - l.offsetY), 0x00445566u);
    ASSERT_TRUE(ops().DesignRotate(90));
    EXPECT_EQ(l.bounds, (Rect{100, 50, 140, 80})) << "a whole turn";
    EXPECT_EQ(ColorAt(l, 10, 20), 0x00445566u);

    AddLayer(10, 10, 0, 0, kRoviDivodName);
    EXPECT_FALSE(ops().DesignRotate(270));
    EXPECT_EQ(ui.LastMessageText(), "Use View/Rotate when a RoviDivod is involved.");
    EXPECT_EQ(stack().DrawingWidth(), 300);
}

TEST_F(LayerOperationsTest, BitmapRotateTurnsAnImageLayersPicture) {
    NewDrawing();
    EXPECT_FALSE(ops().BitmapRotate(90)) << "no picture";
    LayerObject& cad = *stack().CreateLayer(kCadLayerName);
    cad.image = std::make_unique<BMap>();
    cad.image->pixels.Create(30, 10);
    cad.image->pixels.SetColor(29, 0, 0x00ABCDEF);
    cad.offsetX = 5;
    cad.offsetY = 6;
    ASSERT_TRUE(ops().BitmapRotate(90));
    EXPECT_EQ(cad.image->Width(), 10);
    EXPECT_EQ(cad.image->pixels.ColorAt(0, 0), 0x00ABCDEFu);
    EXPECT_EQ(cad.bounds, (Rect{5, 6, 15, 36}));
    EXPECT_FALSE(ops().BitmapRotate(45));
}

TEST_F(LayerOperationsTest, CenterPlacesTheBoundsMidPage) {
    NewDrawing("4", "3"); // 300 x 225
    LayerObject& l = AddLayer(100, 51, 3, 4);
    ops().Center(CenterAxis::kHorizontal);
    EXPECT_EQ(l.bounds, (Rect{100, 4, 200, 55}));
    ops().Center(CenterAxis::kVertical);
    EXPECT_EQ(l.bounds, (Rect{100, 87, 200, 138}));
    EXPECT_EQ(l.offsetX, 100);
    EXPECT_EQ(l.offsetY, 87);
    EXPECT_EQ(undo().NewestUndo()->kind, UndoRedo::kLayerMoved);
    EXPECT_EQ(undo().UndoCount(), 3);
}

} // namespace
} // namespace ts
