// The merge brush, the lift and the "Mask" command, over a headless workspace.

#include "modes/painting_test_support.h"
#include "render/line_test_support.h"

#include <gtest/gtest.h>

namespace ts {
namespace {

using testing::AmountAt;
using testing::ByteAt;
using testing::ColorAt;
using testing::Covered;
using testing::Paint;

// The colour, light and line seen at a drawing pixel of a layer.
struct Shown {
    uint32_t color = 0;
    uint8_t amount = 0;
    int32_t appearanceType = -1;
    uint8_t level = 128;
    uint16_t occupancy = 0;
    int32_t lineColor = -1;

    bool operator==(const Shown&) const = default;
};

Shown ShownAt(const LayerObject& layer, int32_t dx, int32_t dy) {
    const int32_t x = dx - layer.offsetX;
    const int32_t y = dy - layer.offsetY;
    Shown s;
    if (layer.color) {
        s.amount = AmountAt(layer, x, y);
        s.color = s.amount ? ColorAt(layer, x, y) : 0;
        const CColorAppearance* kind = layer.color->appearances.Slot(ByteAt(*layer.color->appearance, x, y));
        s.appearanceType = s.amount && kind ? kind->reference : -1;
    }
    if (layer.shadow) {
        s.level = ByteAt(*layer.shadow->lighting, x, y);
    }
    if (layer.frame && layer.frame->drawingBuffer) {
        s.occupancy = testing::MaskAt(*layer.frame->drawingBuffer, x, y);
    }
    if (layer.lineArt && s.occupancy) {
        const LineColor* c =
            layer.lineArt->colorList->Slot(ByteAt(*layer.lineArt->colorAppearanceIndex, x, y));
        s.lineColor = c ? c->color : -1;
    }
    return s;
}

class MergeAndLift : public testing::PaintingTest {
protected:
    // A layer with a painted block, a lit block and a level line, all around drawing (100, 70).
    LayerObject& SourceLayer(int32_t x = 40, int32_t y = 30) {
        LayerObject& layer = PaintLayer(120, 80, x, y);
        for (int32_t yy = 20; yy < 60; ++yy) {
            for (int32_t xx = 30; xx < 90; ++xx) {
                Paint(layer, xx, yy, 0x003060C0 + static_cast<uint32_t>(xx), 255,
                      static_cast<uint8_t>(xx % 3));
            }
        }
        layer.shadow = std::make_unique<ObjectShadow>();
        layer.shadow->Create(120, 80);
        for (int32_t yy = 30; yy < 50; ++yy) {
            for (int32_t xx = 40; xx < 80; ++xx) {
                testing::SetByte(*layer.shadow->lighting, xx, yy, static_cast<uint8_t>(40 + xx));
            }
        }
        EXPECT_TRUE(EnsureLineArt(layer));
        layer.lineArt->colorList->FindOrAdd(LineColor{0x00000000, 255});
        const int slot = layer.lineArt->colorList->FindOrAdd(LineColor{0x00AA5511, 255});
        testing::DrawLine(layer, {testing::LevelLine(10, 110, 40)},
                          {3, kLineSolid, 0, static_cast<uint8_t>(slot)});
        return layer;
    }
    MaskManager& merge() { return workspace->maskManager; }
    LiftManager& lift() { return workspace->liftManager; }
    int32_t IndexNamed(const std::string& name) {
        for (int32_t i = 2; i < stack().Count(); ++i) {
            if (stack().Layer(i)->name == name) {
                return i;
            }
        }
        return -1;
    }
};

TEST_F(MergeAndLift, AMergeWithEveryBoxOffOrIntoTheSourceChangesNothing) {
    LayerObject& source = SourceLayer();
    LayerObject& dest = PaintLayer(200, 150, 20, 20);
    Paint(dest, 60, 50, 0x00FF00FF);
    const auto sourceBefore = Copy(source);
    const auto destBefore = Copy(dest);
    const int32_t records = undo().UndoCount();
    Gesture("command Brush-on Merge\nsize 41\n");
    EXPECT_EQ(env().Current(), &merge());
    Gesture("layer 3\npanel Source\nlayer 4\n");
    merge().SetBoxes(false, false, false);
    Gesture("press 100 70\nmove 130 80\nrelease 130 80\n");
    EXPECT_TRUE(ui.Messages().empty());

    merge().SetBoxes(true, true, true);
    Gesture("layer 3\npress 100 70\nmove 130 80\nrelease 130 80\n");
    EXPECT_EQ(ui.LastMessageText(), MaskManager::kSameLayer);
    EXPECT_TRUE(source.SameAs(*sourceBefore));
    EXPECT_TRUE(dest.SameAs(*destBefore));
    EXPECT_EQ(undo().UndoCount(), records);
}

TEST_F(MergeAndLift, UnderFullCoverageTheDestinationShowsTheSourceAndTheEdgeBlends) {
    LayerObject& source = SourceLayer(40, 30);
    // The destination lies elsewhere in the drawing, has other paint, lights and lines of its own, and a
    // line colour table that lacks the source's colour.
    LayerObject& dest = PaintLayer(220, 160, 10, 12);
    for (int32_t y = 20; y < 100; ++y) {
        for (int32_t x = 60; x < 140; ++x) {
            Paint(dest, x, y, 0x0000FF00, 200, 0);
        }
    }
    dest.shadow = std::make_unique<ObjectShadow>();
    dest.shadow->Create(220, 160);
    testing::SetByte(*dest.shadow->lighting, 90, 60, 220);
    ASSERT_TRUE(EnsureLineArt(dest));
    testing::DrawLine(dest, {testing::LevelLine(40, 200, 62)}, {2, kLineSolid, 0, 0});
    const auto sourceBefore = Copy(source);

    Gesture("layer 3\ncommand Brush-on Merge\nsize 41\npanel Source\nlayer 4\n");
    ASSERT_EQ(merge().Source(), &source);
    merge().SetBoxes(true, true, true);
    Gesture("press 80 75\nmove 120 75\nrelease 120 75\n");
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_TRUE(source.SameAs(*sourceBefore)) << "the source is only read";
    // Well inside the stroke every part shows what the source shows (drawing pixels).
    for (int32_t y = 59; y <= 89; y += 2) {
        for (int32_t x = 70; x <= 130; x += 3) {
            ASSERT_EQ(ShownAt(dest, x, y), ShownAt(source, x, y)) << x << ", " << y;
        }
    }
    EXPECT_EQ(ShownAt(dest, 100, 70).lineColor, 0x00AA5511) << "the source's line colour was added";
    EXPECT_NE(ShownAt(dest, 100, 70).occupancy, 0);
    // Outside the stroke the destination keeps its own.
    EXPECT_EQ(ShownAt(dest, 145, 60).color, 0x0000FF00u);
    EXPECT_NE(ShownAt(dest, 180, 74).occupancy, 0);
    // Along the stroke's upper edge, where the source is painted, pixels stand between the two paints.
    int32_t between = 0;
    for (int32_t y = 50; y < 60; ++y) {
        for (int32_t x = 95; x < 105; ++x) {
            const Shown s = ShownAt(dest, x, y);
            between += s.amount > 0 && s.color != 0x0000FF00u && s.color != ShownAt(source, x, y).color;
        }
    }
    EXPECT_GT(between, 0);
    const UndoRedo* newest = undo().NewestUndo();
    ASSERT_NE(newest, nullptr);
    EXPECT_EQ(newest->kind, UndoRedo::kLayerChanged) << "a snapshot of the destination before the stroke";
}

TEST_F(MergeAndLift, ChosenPartsOnlyAndBothUndosPutTheDestinationBack) {
    LayerObject& source = SourceLayer(40, 30);
    LayerObject& dest = PaintLayer(120, 80, 40, 30);
    const auto destBefore = Copy(dest);
    Gesture("layer 3\ncommand Brush-on Merge\nsize 41\npanel Source\nlayer 4\n");
    merge().SetBoxes(false, true, false); // lighting only
    Gesture("press 100 70\nrelease 100 70\n");
    EXPECT_EQ(ShownAt(dest, 100, 70).level, ShownAt(source, 100, 70).level);
    EXPECT_EQ(AmountAt(dest, 60, 40), 0) << "no colour merged";
    EXPECT_FALSE(dest.lineArt && dest.lineArt->HasLines()) << "no lines merged";

    ASSERT_TRUE(workspace->RunCommand(cmd::kUndoStroke));
    EXPECT_TRUE(stack().CurrentLayer()->SameAs(*destBefore));
    merge().SetBoxes(true, true, true);
    Gesture("press 100 70\nmove 110 60\nrelease 110 60\n");
    ASSERT_FALSE(stack().CurrentLayer()->SameAs(*destBefore));
    ASSERT_TRUE(workspace->RunCommand(cmd::kUndo));
    EXPECT_EQ(env().Current(), &merge()) << "undoing a stroke stays in the mode";
    EXPECT_TRUE(stack().CurrentLayer()->SameAs(*destBefore));
}

TEST_F(MergeAndLift, WithoutASourceTheBrushLaysOpaquePaperAndSaysSoOnce) {
    LayerObject& dest = SourceLayer();
    Gesture("command Brush-on Merge\nsize 21\n");
    merge().SetBoxes(true, true, true);
    Gesture("press 100 70\nrelease 100 70\npress 110 70\nrelease 110 70\n");
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_EQ(ui.LastMessageText(), MaskManager::kNoSource);
    const Shown s = ShownAt(dest, 100, 70);
    EXPECT_EQ(s.amount, 255);
    EXPECT_EQ(s.appearanceType, 1) << "opaque paper";
    EXPECT_EQ(s.level, 128);
    EXPECT_EQ(s.occupancy, 0) << "the line under the brush went";
    EXPECT_NE(ShownAt(dest, 55, 70).occupancy, 0) << "beyond the brush it stays";
}

TEST_F(MergeAndLift, LinesAreMergedIntoALayerThatHadNoneAndGoAgainWithTheStrokesUndo) {
    SourceLayer();
    LayerObject* plain = stack().CreateLayer("Gradient Light"); // no lines, no occupancy
    plain->color = std::make_unique<ObjectColor>();
    plain->color->Create(stack().DrawingWidth(), stack().DrawingHeight(), 0x00FFFFFF, 255);
    Gesture("layer 3\ncommand Brush-on Merge\nsize 31\npanel Source\nlayer 4\n");
    merge().SetBoxes(true, false, false);
    Gesture("press 100 70\nrelease 100 70\n");
    LayerObject& dest = *stack().Layer(4);
    ASSERT_TRUE(dest.lineArt);
    EXPECT_TRUE(Covered(dest, 100, 70)) << "the source's line shows";
    EXPECT_EQ(ShownAt(dest, 100, 70).lineColor, 0x00AA5511);
    ASSERT_TRUE(workspace->RunCommand(cmd::kUndoStroke));
    EXPECT_FALSE(dest.lineArt && dest.lineArt->HasLines());
    EXPECT_FALSE(dest.frame && dest.frame->drawingBuffer &&
                 !dest.frame->drawingBuffer->BoundingBox(0).IsEmpty());
}

TEST_F(MergeAndLift, LiftingNothingDeletesTheEmptyLiftedLayerWithItsUndoStep) {
    SourceLayer();
    const int32_t records = undo().UndoCount();
    const int32_t count = stack().Count();
    Gesture("command Lift\n");
    EXPECT_EQ(env().Current(), &lift());
    ASSERT_EQ(IndexNamed(LiftManager::kLiftedName), 4) << "just above the layer";
    EXPECT_EQ(stack().Current(), 3) << "the layer stays current";
    Gesture("tool SelectTool\n");
    EXPECT_EQ(ui.LastMessageText(), LiftManager::kDeletedEmpty);
    EXPECT_EQ(IndexNamed(LiftManager::kLiftedName), -1);
    EXPECT_EQ(stack().Count(), count);
    EXPECT_EQ(undo().UndoCount(), records);
    EXPECT_EQ(lift().Moved(), nullptr) << "the mask is freed";
}

TEST_F(MergeAndLift, LiftingMovesWhatTheBrushCoversOnceAndTheDrawingLooksTheSame) {
    LayerObject& source = SourceLayer();
    source.lineArt.reset(); // colour and lighting: the picture must not change
    source.frame->drawingBuffer->Clear();
    const auto before = Copy(source);
    const Image24 picture = Picture();
    Gesture("command Lift\nsize 21\n");
    lift().SetBoxes(true, true, true, true);
    Gesture("press 100 70\nmove 120 70\nrelease 120 70\n");
    // Over the same place again: the emptied pixels are not carried back.
    Gesture("press 110 70\nmove 125 70\nrelease 125 70\n");
    LayerObject* lifted = lift().Lifted();
    ASSERT_NE(lifted, nullptr);
    EXPECT_EQ(ShownAt(*lifted, 110, 70), ShownAt(*before, 110, 70));
    EXPECT_EQ(ShownAt(source, 110, 70).amount, 0);
    EXPECT_EQ(ShownAt(source, 110, 70).level, 128);
    EXPECT_EQ(ShownAt(source, 80, 60), ShownAt(*before, 80, 60)) << "beyond the brush";
    EXPECT_TRUE(Picture().Pixels() == picture.Pixels());

    Gesture("tool SelectTool\n");
    const int32_t at = IndexNamed(LiftManager::kLiftedName);
    ASSERT_EQ(at, 4);
    lifted = stack().Layer(at);
    EXPECT_EQ(ShownAt(*lifted, 110, 70), ShownAt(*before, 110, 70)) << "kept where it was";
    EXPECT_LE(LayerRect(stack(), *lifted).Width(), 50) << "cut down to what it holds";
    EXPECT_TRUE(Picture().Pixels() == picture.Pixels());
    // Undo: first the layer comes back, then the lifted layer goes.
    workspace->RunCommand(cmd::kUndo);
    EXPECT_TRUE(stack().Layer(3)->SameAs(*before));
    workspace->RunCommand(cmd::kUndo);
    EXPECT_EQ(IndexNamed(LiftManager::kLiftedName), -1);
}

TEST_F(MergeAndLift, LiftingLinesWithoutEraseCopiesThem) {
    LayerObject& source = SourceLayer();
    const auto before = Copy(source);
    Gesture("command Lift\nsize 15\n");
    lift().SetBoxes(true, true, true, false);
    Gesture("press 100 70\nrelease 100 70\n");
    EXPECT_TRUE(source.SameAs(*before)) << "copied, not moved";
    Gesture("tool SelectTool\n");
    const int32_t at = IndexNamed(LiftManager::kLiftedName);
    ASSERT_GE(at, 0);
    const LayerObject& lifted = *stack().Layer(at);
    EXPECT_TRUE(Covered(lifted, 100 - lifted.offsetX, 70 - lifted.offsetY));
    EXPECT_EQ(ShownAt(lifted, 100, 70).lineColor, 0x00AA5511);
    EXPECT_LT(LayerRect(stack(), lifted).Width(), 30);
    EXPECT_EQ(ui.Messages().size(), 0u);
}

TEST_F(MergeAndLift, ALiftOfExactlyTwentyByTwentyPixelsIsKept) {
    LayerObject& source = PaintLayer(); // at 40, 30
    for (int32_t y = 30; y < 50; ++y) {
        for (int32_t x = 50; x < 70; ++x) {
            Paint(source, x, y, 0x00406080);
        }
    }
    Gesture("command Lift\nsize 41\npress 100 70\nrelease 100 70\ntool SelectTool\n");
    const int32_t at = IndexNamed(LiftManager::kLiftedName);
    ASSERT_GE(at, 0);
    EXPECT_EQ(LayerRect(stack(), *stack().Layer(at)), (Rect{90, 60, 110, 80}));
    EXPECT_EQ(ShownAt(*stack().Layer(at), 95, 65).color, 0x00406080u);
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(MergeAndLift, ABrushBesideTheLayerLiftsNothingAndSaysSo) {
    SourceLayer();
    Gesture("command Lift\nsize 11\npress 400 300\nrelease 400 300\n");
    EXPECT_EQ(ui.LastMessageText(), LiftManager::kOutside);
    ASSERT_NE(lift().Lifted(), nullptr);
    EXPECT_TRUE(LayerContent(*lift().Lifted()).IsEmpty());
}

TEST_F(MergeAndLift, MaskOpensANeutralMaskLayerInTheLightingModeOnce) {
    PaintLayer();
    ASSERT_TRUE(workspace->RunCommand(cmd::kMask));
    const int32_t at = IndexNamed("Mask");
    ASSERT_GE(at, 0);
    EXPECT_EQ(stack().Current(), at);
    EXPECT_EQ(env().Current(), &shadows());
    const LayerObject& mask = *stack().Layer(at);
    EXPECT_EQ(mask.shadow->lighting->Width(), stack().DrawingWidth());
    EXPECT_TRUE(mask.shadow->lighting->BoundingBox(128).IsEmpty()) << "neutral everywhere";
    const int32_t count = stack().Count();
    Gesture("layer 2\ntool SelectTool\n");
    ASSERT_TRUE(workspace->RunCommand(cmd::kMask));
    EXPECT_EQ(stack().Count(), count) << "found, not made again";
    EXPECT_EQ(stack().Current(), at);
    workspace->RunCommand(cmd::kUndo);
    EXPECT_EQ(IndexNamed("Mask"), -1);
}

} // namespace
} // namespace ts
