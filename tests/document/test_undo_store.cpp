#include "document/drawing_test_support.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace ts {
namespace {

using testing::AmountAt;
using testing::Paint;

// Records what the store tells the rest of the program; keeps a paper and a "drawing stream" that is
// just the layer names.
class FakeHooks final : public UndoHooks {
public:
    explicit FakeHooks(ImageStackManager& s) : stack(s) {}

    void UndoButtonsChanged(bool canUndo, bool canRedo) override { buttons.emplace_back(canUndo, canRedo); }
    void LinesRestored(LayerObject& layer, const Rect& region) override {
        restoredLines.emplace_back(layer.id, region);
    }
    bool GetPaper(int32_t& textureIndex, uint32_t& color) override {
        textureIndex = paperTexture;
        color = paperColor;
        return true;
    }
    void SetPaper(int32_t textureIndex, uint32_t color) override {
        paperTexture = textureIndex;
        paperColor = color;
    }
    bool SaveDrawing(std::vector<uint8_t>& block) override {
        std::string names;
        for (int32_t i = 0; i < stack.Count(); ++i) {
            names += stack.Layer(i)->name + "\n";
        }
        block.assign(names.begin(), names.end());
        return true;
    }
    bool LoadDrawing(const std::vector<uint8_t>& block) override {
        if (block.empty()) {
            return false;
        }
        stack.ReleaseAll();
        std::istringstream in(std::string(block.begin(), block.end()));
        std::string name;
        while (std::getline(in, name)) {
            stack.CreateLayer(name);
        }
        return stack.Count() > 0;
    }

    ImageStackManager& stack;
    std::vector<std::pair<bool, bool>> buttons;
    std::vector<std::pair<uint32_t, Rect>> restoredLines;
    int32_t paperTexture = 3;
    uint32_t paperColor = 0x00EBEBEB;
};

class UndoStoreTest : public testing::DrawingTest {
protected:
    UndoStoreTest() : hooks(workspace->imageStack) { undo().SetHooks(&hooks); }

    std::vector<std::string> Names() {
        std::vector<std::string> names;
        for (int32_t i = 0; i < stack().Count(); ++i) {
            names.push_back(stack().Layer(i)->name);
        }
        return names;
    }

    FakeHooks hooks;
};

TEST_F(UndoStoreTest, UndoAndRedoOfAChangeSwapTheLayerCopies) {
    NewDrawing();
    const uint32_t id = current().id;
    undo().SnapshotCurrentLayer(false);
    EXPECT_EQ(undo().NewestUndo()->kind, UndoRedo::kLayerChanged);
    Paint(current(), 5, 6, 0x0000FF);

    undo().Undo();
    EXPECT_EQ(AmountAt(layer(2), 5, 6), 0);
    EXPECT_EQ(layer(2).id, id);
    EXPECT_EQ(refresh().reasons.back(), "Undo Object");
    EXPECT_EQ(undo().NewestRedo()->kind, UndoRedo::kLayerChanged);
    undo().Redo();
    EXPECT_EQ(AmountAt(layer(2), 5, 6), 255);
    EXPECT_EQ(refresh().reasons.back(), "Redo Object");
    undo().Undo();
    EXPECT_EQ(AmountAt(layer(2), 5, 6), 0);
    EXPECT_EQ(layer(2).id, id);
}

TEST_F(UndoStoreTest, UndoFindsTheLayerByIdWhereverItMoved) {
    NewDrawing();
    AddLayer(40, 30);
    stack().SetCurrent(2);
    const uint32_t id = current().id;
    undo().SnapshotCurrentLayer(false);
    Paint(current(), 1, 1, 0x00FF00);
    ops().UpOne();
    stack().SetCurrent(2);
    undo().Undo();
    EXPECT_EQ(stack().Current(), 3);
    EXPECT_EQ(layer(3).id, id);
    EXPECT_EQ(AmountAt(layer(3), 1, 1), 0);
}

TEST_F(UndoStoreTest, EqualSnapshotsAreNotPushedTwice) {
    NewDrawing();
    const int32_t before = undo().UndoCount();
    undo().SnapshotCurrentLayer(false);
    undo().SnapshotCurrentLayer(false);
    EXPECT_EQ(undo().UndoCount(), before + 1);
    Paint(current(), 2, 2, 0xFF0000);
    undo().SnapshotCurrentLayer(false);
    EXPECT_EQ(undo().UndoCount(), before + 2);

    // A deletion is recorded even after an equal copy, so that the layer can come back.
    ops().DeleteCurrent();
    EXPECT_EQ(undo().UndoCount(), before + 3);
    EXPECT_EQ(undo().NewestUndo()->kind, UndoRedo::kLayerDeleted);
    EXPECT_EQ(stack().Count(), 2);
    undo().Undo();
    ASSERT_EQ(stack().Count(), 3);
    EXPECT_EQ(AmountAt(layer(2), 2, 2), 255);
}

TEST_F(UndoStoreTest, DeletedLayerComesBackAndRedoDeletesItAgain) {
    NewDrawing();
    LayerObject& top = AddLayer(40, 30, 7, 8);
    const uint32_t id = top.id;
    Paint(top, 3, 3, 0x123456);
    ops().DeleteCurrent();
    EXPECT_EQ(stack().Count(), 3);

    undo().Undo();
    ASSERT_EQ(stack().Count(), 4);
    EXPECT_EQ(stack().Current(), 3);
    EXPECT_EQ(layer(3).id, id);
    EXPECT_EQ(layer(3).offsetX, 7);
    EXPECT_EQ(testing::ColorAt(layer(3), 3, 3), 0x123456u);
    ASSERT_NE(undo().NewestRedo(), nullptr);
    EXPECT_EQ(undo().NewestRedo()->kind, UndoRedo::kLayerAdded);

    undo().Redo();
    EXPECT_EQ(stack().Count(), 3);
    EXPECT_EQ(stack().IndexOfId(id), -1);
    undo().Undo();
    ASSERT_EQ(stack().Count(), 4);
    EXPECT_EQ(layer(3).id, id);
}

TEST_F(UndoStoreTest, DeletedLayerIsInsertedAmongTheLayersThatRemain) {
    NewDrawing();
    AddLayer(20, 20);
    const uint32_t id = AddLayer(30, 30).id; // index 4
    ops().DeleteCurrent();
    ops().DeleteLayer(3, true); // no record
    ASSERT_EQ(stack().Count(), 3);
    undo().Undo();
    ASSERT_EQ(stack().Count(), 4);
    EXPECT_EQ(layer(3).id, id) << "index 4 no longer exists: the layer goes on top";
    EXPECT_EQ(stack().Current(), 3);
}

TEST_F(UndoStoreTest, AddedLayerUndoDeletesItAndRedoBringsItBack) {
    NewDrawing();
    LayerObject& added = AddLayer(40, 30);
    const uint32_t id = added.id;
    Paint(added, 0, 0, 0x0000FF);
    undo().SnapshotAddedLayer();
    undo().Undo();
    EXPECT_EQ(stack().Count(), 3);
    EXPECT_EQ(stack().IndexOfId(id), -1);
    EXPECT_EQ(stack().Current(), 2);
    ASSERT_NE(undo().NewestRedo(), nullptr);
    EXPECT_EQ(undo().NewestRedo()->kind, UndoRedo::kLayerDeleted);
    undo().Redo();
    ASSERT_EQ(stack().IndexOfId(id), 3);
    EXPECT_EQ(AmountAt(layer(3), 0, 0), 255);
    undo().Undo();
    EXPECT_EQ(stack().IndexOfId(id), -1);

    // Deleting a layer whose addition is the newest record takes that record away.
    undo().Redo();
    undo().SnapshotAddedLayer();
    const int32_t count = undo().UndoCount();
    ops().DeleteLayer(3, true);
    EXPECT_EQ(undo().UndoCount(), count - 1);
}

TEST_F(UndoStoreTest, RegionRecordPutsThePixelsBackAndReportsTheLines) {
    NewDrawing();
    AddLayer(60, 50, 10, 10);
    const Rect region{20, 20, 30, 30};
    undo().SnapshotRegion(3, region, true);
    EXPECT_EQ(undo().NewestUndo()->kind, UndoRedo::kRegion);
    Paint(current(), 12, 12, 0x00FF00);
    testing::SetMask(*current().frame->drawingBuffer, 12, 12, 0xFFFF);
    stack().SetCurrent(2);

    undo().Undo();
    EXPECT_EQ(stack().Current(), 3);
    EXPECT_EQ(AmountAt(layer(3), 12, 12), 0);
    EXPECT_EQ(testing::MaskAt(*layer(3).frame->drawingBuffer, 12, 12), 0);
    ASSERT_EQ(hooks.restoredLines.size(), 1u);
    EXPECT_EQ(hooks.restoredLines[0].first, layer(3).id);
    EXPECT_EQ(hooks.restoredLines[0].second, region);
    undo().Redo();
    EXPECT_EQ(AmountAt(layer(3), 12, 12), 255);
    EXPECT_EQ(testing::MaskAt(*layer(3).frame->drawingBuffer, 12, 12), 0xFFFF);
    EXPECT_EQ(hooks.restoredLines.size(), 2u);
}

TEST_F(UndoStoreTest, MoveRecordsPutTheOffsetsBack) {
    NewDrawing();
    LayerObject& moved = AddLayer(40, 30, 5, 5);
    ops().Center(CenterAxis::kBoth);
    EXPECT_EQ(undo().NewestUndo()->kind, UndoRedo::kLayerMoved);
    const Rect centred = moved.bounds;
    EXPECT_NE(moved.offsetX, 5);
    undo().Undo();
    EXPECT_EQ(layer(3).offsetX, 5);
    EXPECT_EQ(layer(3).offsetY, 5);
    EXPECT_EQ(layer(3).bounds, (Rect{5, 5, 45, 35}));
    undo().Redo();
    EXPECT_EQ(layer(3).bounds, centred);
    EXPECT_EQ(layer(3).offsetX, centred.left);
}

TEST_F(UndoStoreTest, MoveOfAllLayersIsUndoneAndRedoneByItsDistances) {
    NewDrawing();
    AddLayer(40, 30, 5, 6);
    auto moveAll = [&](int32_t dx, int32_t dy) {
        for (int32_t i = 2; i < stack().Count(); ++i) {
            LayerObject& l = layer(i);
            l.offsetX += dx;
            l.offsetY += dy;
            l.bounds = Rect{l.bounds.left + dx, l.bounds.top + dy, l.bounds.right + dx, l.bounds.bottom + dy};
        }
    };
    const int32_t blankX = layer(2).offsetX;
    undo().SnapshotMoveAll(10, -4);
    moveAll(10, -4);
    undo().Undo();
    EXPECT_EQ(layer(2).offsetX, blankX);
    EXPECT_EQ(layer(3).offsetX, 5);
    EXPECT_EQ(layer(3).offsetY, 6);
    EXPECT_EQ(layer(3).bounds, (Rect{5, 6, 45, 36}));
    undo().Redo();
    EXPECT_EQ(layer(3).offsetX, 15);
    EXPECT_EQ(layer(3).offsetY, 2);
    EXPECT_EQ(layer(2).bounds.left, blankX + 10);
    undo().Undo();
    EXPECT_EQ(layer(3).offsetX, 5);
}

TEST_F(UndoStoreTest, PaperAndWholeDrawingRecordsGoBothWays) {
    NewDrawing();
    undo().SnapshotPaper();
    hooks.SetPaper(9, 0x00FFFFFF);
    undo().Undo();
    EXPECT_EQ(hooks.paperTexture, 3);
    EXPECT_EQ(hooks.paperColor, 0x00EBEBEBu);
    undo().Redo();
    EXPECT_EQ(hooks.paperTexture, 9);
    EXPECT_EQ(hooks.paperColor, 0x00FFFFFFu);

    ASSERT_TRUE(undo().SnapshotDrawing());
    AddLayer(10, 10, 0, 0, "Sketch Lines");
    undo().Undo();
    EXPECT_EQ(Names(), (std::vector<std::string>{"Backdrop", "Paper", "Blank Layer"}));
    undo().Redo();
    EXPECT_EQ(Names(), (std::vector<std::string>{"Backdrop", "Paper", "Blank Layer", "Sketch Lines"}));
}

TEST_F(UndoStoreTest, OnlyTheNewest128ChangesCanBeUndone) {
    NewDrawing();
    undo().Reset(true);
    LayerObject& moving = layer(2);
    for (int32_t i = 0; i < 129; ++i) {
        undo().SnapshotRegion(2, Rect{});
        moving.offsetX = i + 1;
    }
    EXPECT_EQ(undo().UndoCount(), 128);
    for (int32_t i = 0; i < 128; ++i) {
        undo().Undo();
    }
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_EQ(layer(2).offsetX, 1) << "the oldest change was dropped";
    EXPECT_EQ(undo().RedoCount(), 128);
    undo().Undo();
    EXPECT_EQ(ui.LastMessageText(), "Can't go further back. ");
    EXPECT_EQ(layer(2).offsetX, 1);
}

TEST_F(UndoStoreTest, LayerCopiesOverTheMemoryLimitGoWhenTheNextRecordIsPushed) {
    NewDrawing();
    undo().Reset(true);
    undo().SnapshotRegion(2, Rect{}); // a small, older record
    LayerObject& big = AddLayer(10, 10);
    big.image = std::make_unique<BMap>();
    ASSERT_TRUE(big.image->pixels.Create(4000, 3000)); // 36,000,000 bytes
    undo().SnapshotCurrentLayer(false);
    EXPECT_EQ(undo().UndoCount(), 2);
    EXPECT_GT(undo().NewestUndo()->MemoryFootprint(), UndoStore::kMemoryLimit);

    big.image.reset();
    undo().SnapshotCurrentLayer(false);
    ASSERT_EQ(undo().UndoCount(), 1) << "the oldest records go until the rest fit";
    EXPECT_EQ(undo().NewestUndo()->savedLayer->image, nullptr);
    undo().SnapshotRegion(3, Rect{});
    EXPECT_EQ(undo().UndoCount(), 2) << "small records stay";
}

TEST_F(UndoStoreTest, RecordsOfDeletedLayersAreSkipped) {
    NewDrawing();
    LayerObject& below = layer(2);
    undo().SnapshotCurrentLayer(false);
    Paint(below, 4, 4, 0x0000FF);
    AddLayer(20, 20);
    undo().SnapshotCurrentLayer(false);
    Paint(current(), 1, 1, 0x00FF00);
    ops().DeleteLayer(3, true); // as a merge does: no record of its own
    undo().Undo();
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_EQ(stack().Count(), 3);
    EXPECT_EQ(AmountAt(layer(2), 4, 4), 0) << "the record before the skipped one was undone";
    EXPECT_EQ(undo().RedoCount(), 1);

    // With nothing else left, the skip ends at the message.
    undo().Reset(true);
    AddLayer(20, 20);
    undo().SnapshotCurrentLayer(false);
    ops().DeleteLayer(3, true);
    undo().Undo();
    EXPECT_EQ(ui.LastMessageText(), "Can't go further back. ");
    EXPECT_EQ(undo().UndoCount(), 0);
}

TEST_F(UndoStoreTest, ButtonsFollowBothStacksAndRedoEndsAtItsMessage) {
    NewDrawing();
    EXPECT_EQ(hooks.buttons.back(), std::make_pair(true, false));
    undo().Undo();
    EXPECT_EQ(hooks.buttons.back(), std::make_pair(false, true));
    undo().Redo();
    EXPECT_EQ(hooks.buttons.back(), std::make_pair(true, false));
    undo().Redo();
    EXPECT_EQ(ui.LastMessageText(), "Can't go further forward.");
    EXPECT_EQ(hooks.buttons.back(), std::make_pair(true, false));
    undo().Undo();

    // A new layer snapshot empties the redo stack; moving all layers does not.
    undo().SnapshotMoveAll(1, 1);
    EXPECT_EQ(undo().RedoCount(), 1);
    EXPECT_EQ(hooks.buttons.back(), std::make_pair(true, true));
    undo().SnapshotCurrentLayer(false);
    EXPECT_EQ(undo().RedoCount(), 0);
    EXPECT_EQ(hooks.buttons.back(), std::make_pair(true, false));
    undo().Reset(true);
    EXPECT_EQ(hooks.buttons.back(), std::make_pair(false, false));
    undo().Undo();
    EXPECT_EQ(ui.LastMessageText(), "Can't go further back. ");
}

// A full stack cannot take the deleted layer back; the record must not be used up on the way.
TEST_F(UndoStoreTest, UndoOfADeletionIntoAFullStackKeepsTheRecord) {
    NewDrawing();
    const uint32_t id = AddLayer(10, 10).id;
    ops().DeleteCurrent();
    while (stack().Count() < ImageStackManager::kMaxLayers) {
        ASSERT_NE(stack().CreateLayer("Layer"), nullptr);
    }
    const int32_t records = undo().UndoCount();
    undo().Undo();
    EXPECT_EQ(stack().Count(), ImageStackManager::kMaxLayers);
    EXPECT_EQ(undo().UndoCount(), records) << "the deleted layer can still come back later";
    ops().DeleteLayer(255, true);
    undo().Undo();
    EXPECT_GE(stack().IndexOfId(id), 2);
}

} // namespace
} // namespace ts
