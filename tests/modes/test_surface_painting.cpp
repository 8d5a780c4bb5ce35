// The surface colour mode: strokes through the view, fills, the whole-layer operations and undo.

#include "modes/painting_test_support.h"
#include "raster/color_spaces.h"

#include <gtest/gtest.h>

namespace ts {
namespace {

using testing::AmountAt;
using testing::ByteAt;
using testing::ColorAt;
using testing::DrawWall;
using testing::Paint;

class SurfacePainting : public testing::PaintingTest {};

TEST_F(SurfacePainting, AFastDragPaintsAnUnbrokenStrokeAndRefreshesUnderTheBrush) {
    LayerObject& layer = PaintLayer(); // at 40, 30
    refresh().reasons.clear();
    Gesture("tool SurfacePaintTool\ncolor 0x2040C0\nsize 5\npress 50 50\nmove 150 50\nrelease 150 50\n");
    EXPECT_EQ(env().Current(), &surface());
    for (int32_t x = 10; x <= 110; ++x) {
        ASSERT_EQ(AmountAt(layer, x, 20), 255) << "a gap at layer column " << x;
        ASSERT_EQ(ColorAt(layer, x, 20), 0x2040C0u);
    }
    EXPECT_EQ(AmountAt(layer, 10, 30), 0) << "beyond the brush";
    EXPECT_TRUE(Reasons("R_Do stroke undo"));
    EXPECT_TRUE(Reasons("R_RedrawAreaUnderBrush"));
    ASSERT_NE(undo().NewestUndo(), nullptr);
    EXPECT_EQ(undo().NewestUndo()->kind, UndoRedo::kLayerChanged);
    // The rectangles refreshed are drawing pixels: the layer's position is added.
    Rect all;
    for (const Rect& r : refresh().viewRects) {
        all = Union(all, r);
    }
    EXPECT_LE(all.left, 48);
    EXPECT_GE(all.right, 152);
    EXPECT_LE(all.top, 48);
    EXPECT_GE(all.bottom, 52);
    EXPECT_GT(all.top, 30) << "not in layer pixels";
}

TEST_F(SurfacePainting, UndoAndTheSingleStrokeUndoPutTheLayerBackExactly) {
    LayerObject& layer = PaintLayer();
    Paint(layer, 5, 5, 0x00112233);
    const auto before = Copy(layer);
    Gesture("tool SurfacePaintTool\ncolor 0x0000FF\nsize 9\npress 45 35\nmove 90 70\nrelease 90 70\n");
    ASSERT_FALSE(stack().CurrentLayer()->SameAs(*before));

    ASSERT_TRUE(workspace->commands.Enabled(cmd::kUndoStroke));
    EXPECT_TRUE(workspace->RunCommand(cmd::kUndoStroke));
    EXPECT_TRUE(stack().CurrentLayer()->SameAs(*before));
    EXPECT_FALSE(workspace->commands.Enabled(cmd::kUndoStroke)) << "one stroke only";

    Gesture("press 45 35\nmove 90 70\nrelease 90 70\n");
    EXPECT_TRUE(workspace->RunCommand(cmd::kUndo));
    EXPECT_EQ(env().Current(), &surface()) << "undoing a stroke stays in the mode";
    EXPECT_TRUE(stack().CurrentLayer()->SameAs(*before));
}

TEST_F(SurfacePainting, TheSingleStrokeUndoIsGoneOnceSomethingElseChangedTheDrawing) {
    PaintLayer();
    Gesture("tool SurfacePaintTool\npress 50 50\nrelease 50 50\n");
    ASSERT_TRUE(workspace->commands.Enabled(cmd::kUndoStroke));
    ASSERT_TRUE(workspace->RunCommand(cmd::kUndo));
    EXPECT_FALSE(workspace->commands.Enabled(cmd::kUndoStroke));
}

TEST_F(SurfacePainting, ALayerWithoutColourChannelsIsNotPainted) {
    LayerObject& layer = PaintLayer();
    layer.color.reset();
    const int32_t records = undo().UndoCount();
    Gesture("tool SurfacePaintTool\npress 50 50\nmove 60 60\nrelease 60 60\n");
    EXPECT_EQ(layer.color, nullptr);
    EXPECT_EQ(undo().UndoCount(), records);
}

TEST_F(SurfacePainting, FillStopsAtTheLinesAndPaintsTheLineItself) {
    LayerObject& layer = PaintLayer();
    DrawWall(layer, 30, 0, 80);
    surface().OnPanelCommand(SurfaceManager::kFill);
    EXPECT_EQ(surface().CurrentMode(), SurfaceManager::kFillMode);
    Gesture("color 0x00FF00\npress 45 35\nrelease 45 35\n");
    EXPECT_EQ(ColorAt(layer, 0, 0), 0x00FF00u);
    EXPECT_EQ(AmountAt(layer, 29, 79), 255);
    EXPECT_EQ(AmountAt(layer, 30, 40), 255) << "the wall takes the paint";
    EXPECT_EQ(AmountAt(layer, 31, 40), 0) << "but does not pass it on";
    EXPECT_EQ(AmountAt(layer, 100, 10), 0);
    EXPECT_EQ(refresh().viewRects.back(), (Rect{40, 30, 71, 110}));
}

TEST_F(SurfacePainting, AFillLargerThanTheOldRingFillsTheWholeArea) {
    LayerObject& layer = PaintLayer(500, 400, 10, 10); // 200000 pixels
    surface().OnPanelCommand(SurfaceManager::kFill);
    Gesture("color 0x0000FF\npress 300 250\nrelease 300 250\n");
    const std::vector<uint8_t> first = testing::ReadPixelRow(*layer.color->amount, 0);
    const std::vector<uint8_t> last = testing::ReadPixelRow(*layer.color->amount, 399);
    for (int32_t x = 0; x < 500; ++x) {
        ASSERT_EQ(first[static_cast<size_t>(x)], 255);
        ASSERT_EQ(last[static_cast<size_t>(x)], 255);
    }
    EXPECT_EQ(ColorAt(layer, 0, 0), 0x0000FFu);
    EXPECT_EQ(ColorAt(layer, 499, 399), 0x0000FFu);
}

TEST_F(SurfacePainting, AFillClickBesideTheLayerDoesNothing) {
    LayerObject& layer = PaintLayer();
    const auto before = Copy(layer);
    const int32_t records = undo().UndoCount();
    surface().OnPanelCommand(SurfaceManager::kFill);
    Gesture("press 10 10\nrelease 10 10\npress 300 300\nrelease 300 300\n");
    EXPECT_TRUE(layer.SameAs(*before));
    EXPECT_EQ(undo().UndoCount(), records);
}

TEST_F(SurfacePainting, FilledPixelsAreColouredEvenWhereTheLayerWasErasedToPaper) {
    LayerObject& layer = PaintLayer();
    surface().OnPanelCommand(SurfaceManager::kErase);
    surface().OnPanelCommand(SurfaceManager::kAll);
    ASSERT_EQ(ByteAt(*layer.color->appearance, 3, 3), 1);
    surface().OnPanelCommand(SurfaceManager::kFill);
    Gesture("color 0x123456\npress 50 50\nrelease 50 50\n");
    EXPECT_EQ(ByteAt(*layer.color->appearance, 3, 3), 0);
    EXPECT_EQ(AmountAt(layer, 3, 3), 255);
}

TEST_F(SurfacePainting, GlobalPaintOpaqueKeepsTheColoursAndCoversEverything) {
    LayerObject& layer = PaintLayer();
    Paint(layer, 7, 8, 0x00345678, 100);
    Gesture("tool SurfacePaintTool\ncolor 0x0000FF\n");
    surface().OnPanelCommand(SurfaceManager::kOpaque);
    surface().OnPanelCommand(SurfaceManager::kAll);
    EXPECT_EQ(ColorAt(layer, 7, 8), 0x00345678u);
    EXPECT_EQ(AmountAt(layer, 7, 8), 255);
    EXPECT_EQ(AmountAt(layer, 0, 0), 255);
    EXPECT_EQ(ByteAt(*layer.color->appearance, 7, 8), 1);
    EXPECT_EQ(refresh().reasons.back(), "Global Paint");
    EXPECT_EQ(dynamic_cast<const CHuecraftButton*>(surface().Panel().Find(SurfaceManager::kAll))->GetState(),
              CHuecraftButton::kNormal)
        << "All pops back up";

    surface().OnPanelCommand(SurfaceManager::kPaintColor);
    surface().OnPanelCommand(SurfaceManager::kAll);
    EXPECT_EQ(ColorAt(layer, 7, 8), 0x0000FFu);
    EXPECT_EQ(ByteAt(*layer.color->appearance, 7, 8), 0);
}

TEST_F(SurfacePainting, GlobalImageEraseLeavesNothingOfTheColourShowing) {
    LayerObject& layer = PaintLayer();
    const Image24 bare = Picture();
    Gesture("tool SurfacePaintTool\ncolor 0x0000FF\n");
    surface().OnPanelCommand(SurfaceManager::kAll);
    ASSERT_FALSE(Picture().Pixels() == bare.Pixels());
    surface().OnPanelCommand(SurfaceManager::kErase);
    EXPECT_EQ(workspace->toolSlot.CurrentTool(), &workspace->surfaceEraserTool);
    surface().OnPanelCommand(SurfaceManager::kAll);
    EXPECT_EQ(AmountAt(layer, 0, 0), 0);
    EXPECT_EQ(AmountAt(layer, 119, 79), 0);
    EXPECT_EQ(refresh().reasons.back(), "Global Image Erase");
    EXPECT_TRUE(Picture().Pixels() == bare.Pixels());
}

TEST_F(SurfacePainting, AllInSampleOrBlendOnlyExplains) {
    LayerObject& layer = PaintLayer();
    Paint(layer, 1, 1, 0x00445566);
    const auto before = Copy(layer);
    Gesture("tool SurfacePaintTool\n");
    for (int32_t mode : {SurfaceManager::kBlend, SurfaceManager::kSample}) {
        ui.ClearMessages();
        surface().OnPanelCommand(mode);
        surface().OnPanelCommand(SurfaceManager::kAll);
        EXPECT_EQ(ui.LastMessageText(), "All is for Paint, Erase, or Paper.");
        EXPECT_TRUE(layer.SameAs(*before));
    }
}

TEST_F(SurfacePainting, SampleTakesThePaintUnderTheBrushIntoThePalette) {
    LayerObject& layer = PaintLayer();
    for (int32_t y = 15; y < 26; ++y) {
        for (int32_t x = 15; x < 26; ++x) {
            Paint(layer, x, y, 0x00306090);
        }
    }
    Gesture("tool SurfacePaintTool\ncolor 0x000000\n");
    surface().OnPanelCommand(SurfaceManager::kSample);
    Gesture("size 5\npress 60 50\nrelease 60 50\n");
    EXPECT_EQ(workspace->Palettes().GetCurrentColor(), 0x00306090u);
    EXPECT_EQ(surface().PaintColor(), 0x00306090u);
    Gesture("press 150 100\nrelease 150 100\n"); // nothing painted there
    EXPECT_EQ(workspace->Palettes().GetCurrentColor(), 0x00306090u);
}

TEST_F(SurfacePainting, TheColorButtonHandsTheChosenColourToThePalette) {
    PaintLayer();
    Gesture("tool SurfacePaintTool\n");
    ui.QueueColor(0x00ABCDEF);
    surface().OnPanelCommand(SurfaceManager::kColorButton);
    EXPECT_EQ(workspace->Palettes().GetCurrentColor(), 0x00ABCDEFu);
    ui.QueueColorCancel();
    surface().OnPanelCommand(SurfaceManager::kColorButton);
    EXPECT_EQ(workspace->Palettes().GetCurrentColor(), 0x00ABCDEFu);
}

TEST_F(SurfacePainting, PaintingOnTheGradientLightLayerAsksToBeSure) {
    AddLayer(50, 50, 0, 0, "Gradient Light");
    Gesture("tool SurfacePaintTool\n");
    EXPECT_EQ(ui.LastMessageText(), SurfaceManager::kGradientLightWarning);
    EXPECT_EQ(env().Current(), &surface());
}

TEST_F(SurfacePainting, TheSurfaceEraserTakesColourOffAndTheBoardEraserMakesOpaquePaper) {
    LayerObject& layer = PaintLayer();
    Gesture("tool SurfacePaintTool\ncolor 0x0000FF\nsize 7\npress 60 50\nrelease 60 50\n");
    ASSERT_EQ(AmountAt(layer, 20, 20), 255);
    surface().OnPanelCommand(SurfaceManager::kErase);
    Gesture("press 60 50\nrelease 60 50\n");
    EXPECT_EQ(AmountAt(layer, 20, 20), 0);
    EXPECT_EQ(ColorAt(layer, 20, 20), 0x00808080u);
    Gesture("tool BoardEraser\n");
    EXPECT_EQ(workspace->statusPrompt.Current(), "Erase Board ShowThru.");
}

TEST_F(SurfacePainting, TheBoardEraserHidesTheLayersBelowWithTheBoard) {
    const Image24 board = Picture();
    LayerObject& below = PaintLayer();
    for (int32_t y = 10; y < 30; ++y) {
        for (int32_t x = 10; x < 30; ++x) {
            Paint(below, x, y, 0x000000FF); // red pencil
        }
    }
    LayerObject& above = PaintLayer(); // same place, nothing painted
    const Image24 red = Picture();
    ASSERT_NE(red.ColorAt(60, 50), board.ColorAt(60, 50));
    Gesture("tool BoardEraser\nsize 9\npress 60 50\nrelease 60 50\n");
    EXPECT_EQ(ByteAt(*above.color->appearance, 20, 20), 1) << "opaque paper";
    EXPECT_EQ(AmountAt(above, 20, 20), 255);
    const Image24 erased = Picture();
    EXPECT_EQ(erased.ColorAt(60, 50), board.ColorAt(60, 50)) << "the board, not the red layer beneath";
    EXPECT_EQ(erased.ColorAt(66, 56), red.ColorAt(66, 56)) << "beyond the brush the red still shows";
    EXPECT_EQ(AmountAt(below, 20, 20), 255) << "the layer beneath keeps its paint";
}

TEST_F(SurfacePainting, APressOffTheCurrentLayerSaysSoInTheStatusBar) {
    LayerObject& layer = PaintLayer(); // 40..160 x 30..110
    Gesture("tool SurfacePaintTool\n");
    const std::string prompt = workspace->statusPrompt.Current();
    Gesture("press 300 300\nrelease 300 300\n");
    EXPECT_EQ(workspace->statusPrompt.Current(), kOutsideLayerPrompt);
    Gesture("press 60 50\nmove 70 50\nrelease 70 50\n");
    EXPECT_EQ(workspace->statusPrompt.Current(), prompt) << "back on the layer, the mode's prompt returns";
    EXPECT_EQ(AmountAt(layer, 25, 20), 255);
}

TEST_F(SurfacePainting, PageKeysSelectTheLayersInTheMode) {
    PaintLayer();
    Gesture("tool SurfacePaintTool\n");
    const int32_t top = stack().Current();
    Gesture("key 0x22\n");
    EXPECT_EQ(stack().Current(), top - 1);
    EXPECT_EQ(env().Current(), &surface());
}

TEST_F(SurfacePainting, TheHueBrushGivesThePaintThePaletteColoursHue) {
    LayerObject& layer = PaintLayer();
    for (int32_t x = 15; x < 26; ++x) {
        Paint(layer, x, 20, 0x000000C0); // red
    }
    Gesture("tool SurfaceHueTool\ncolor 0x00C000\nsize 5\npress 60 50\nrelease 60 50\n");
    EXPECT_EQ(env().Current(), &surface());
    const uint32_t c = ColorAt(layer, 20, 20);
    EXPECT_GT(ColorGreen(c), ColorRed(c)) << std::hex << c;
    EXPECT_EQ(AmountAt(layer, 20, 20), 255);
}

} // namespace
} // namespace ts
