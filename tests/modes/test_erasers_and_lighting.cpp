// The eraser mode, the lighting mode and the lighting colours, over a headless workspace.

#include "modes/painting_test_support.h"
#include "raster/color_spaces.h"
#include "render/line_test_support.h"

#include <gtest/gtest.h>

namespace ts {
namespace {

using testing::AmountAt;
using testing::ByteAt;
using testing::Paint;

class Erasers : public testing::PaintingTest {};

TEST_F(Erasers, TheStrokeTypeFollowsTheBoxes) {
    EXPECT_EQ(EraserManager::StrokeTypeFor(true, false, false), 1);
    EXPECT_EQ(EraserManager::StrokeTypeFor(true, false, true), 22);
    EXPECT_EQ(EraserManager::StrokeTypeFor(true, true, false), 21);
    EXPECT_EQ(EraserManager::StrokeTypeFor(true, true, true), 20);
    EXPECT_EQ(EraserManager::StrokeTypeFor(false, true, true), 23);
    EXPECT_EQ(EraserManager::StrokeTypeFor(false, true, false), 5);
    EXPECT_EQ(EraserManager::StrokeTypeFor(false, false, true), 8);
    EXPECT_EQ(EraserManager::StrokeTypeFor(false, false, false), 0);
}

TEST_F(Erasers, WithEveryBoxOffOrLinesOnAndNoLinesNothingHappens) {
    LayerObject& layer = PaintLayer();
    Paint(layer, 20, 20, 0x000000FF);
    const auto before = Copy(layer);
    const int32_t records = undo().UndoCount();
    Gesture("tool EraserTool\n");
    EXPECT_EQ(env().Current(), &eraser());
    for (int32_t box : {EraserManager::kColor, EraserManager::kLighting}) {
        dynamic_cast<CheckBox*>(eraser().Panel().Find(box))->UserClick();
    }
    ASSERT_FALSE(eraser().ColorOn() || eraser().LightingOn() || eraser().LinesOn());
    Gesture("press 60 50\nmove 70 60\nrelease 70 60\n");
    eraser().SetBoxes(true, true, true); // lines asked for, but the layer has none
    Gesture("press 60 50\nmove 70 60\nrelease 70 60\n");
    EXPECT_TRUE(layer.SameAs(*before));
    EXPECT_EQ(undo().UndoCount(), records);
}

TEST_F(Erasers, ErasingColourOnALayerWithoutItMakesEmptyChannelsAndChangesNoPicture) {
    LayerObject& layer = PaintLayer();
    layer.color.reset();
    const Image24 before = Picture();
    Gesture("tool EraserTool\npanel 103\n"); // colour only
    ASSERT_TRUE(eraser().ColorOn() && !eraser().LightingOn());
    Gesture("press 60 50\nmove 90 60\nrelease 90 60\n");
    ASSERT_NE(layer.color, nullptr);
    EXPECT_EQ(layer.color->Width(), 120);
    EXPECT_FALSE(layer.color->HasPaint());
    EXPECT_EQ(layer.shadow, nullptr);
    EXPECT_TRUE(Picture().Pixels() == before.Pixels());
    // Undo takes the new channels away again.
    workspace->RunCommand(cmd::kUndo);
    EXPECT_EQ(stack().CurrentLayer()->color, nullptr);
}

TEST_F(Erasers, ColourAndLightingComeOffTogether) {
    LayerObject& layer = PaintLayer();
    Paint(layer, 20, 20, 0x000000FF);
    layer.shadow = std::make_unique<ObjectShadow>();
    layer.shadow->Create(120, 80);
    testing::SetByte(*layer.shadow->lighting, 20, 20, 40);
    Gesture("tool EraserTool\nsize 7\npress 60 50\nrelease 60 50\n");
    EXPECT_EQ(AmountAt(layer, 20, 20), 0);
    EXPECT_EQ(ByteAt(*layer.shadow->lighting, 20, 20), 128);
}

TEST_F(Erasers, LinesComeOffAndBothUndosBringTheirCentreLinesBack) {
    LayerObject& layer = PaintLayer(); // drawing (40, 30) onwards
    ASSERT_TRUE(EnsureLineArt(layer));
    testing::DrawLine(layer, {testing::LevelLine(5, 100, 20)}, {5, kLineSolid, 0, 0});
    const RLBuffer& occupancy = *layer.frame->drawingBuffer;
    const uint16_t centre = testing::MaskAt(occupancy, 60, 20);
    ASSERT_NE(centre, 0);
    eraser().SetBoxes(true, false, false);
    const std::string erase = "tool EraserTool\nsize 9\npress 100 50\nrelease 100 50\n";
    Gesture(erase);
    EXPECT_EQ(testing::MaskAt(*layer.frame->drawingBuffer, 60, 20), 0);
    EXPECT_FALSE(testing::Covered(layer, 60, 20));
    EXPECT_TRUE(testing::Covered(layer, 20, 20));

    ASSERT_TRUE(eraser().CanUndoStroke());
    eraser().UndoStroke();
    EXPECT_EQ(testing::MaskAt(*layer.frame->drawingBuffer, 60, 20), centre);
    EXPECT_TRUE(testing::Covered(layer, 60, 20));

    Gesture(erase);
    ASSERT_EQ(testing::MaskAt(*layer.frame->drawingBuffer, 60, 20), 0);
    undo().Undo();
    LayerObject& restored = *stack().CurrentLayer();
    EXPECT_EQ(testing::MaskAt(*restored.frame->drawingBuffer, 60, 20), centre);
    EXPECT_TRUE(testing::Covered(restored, 60, 20));
}

TEST_F(Erasers, APressWhoseBrushMissesTheLayerLeavesItAlone) {
    LayerObject& layer = PaintLayer();
    layer.color.reset();
    const int32_t records = undo().UndoCount();
    Gesture("tool EraserTool\nsize 5\npress 400 400\nrelease 400 400\n");
    EXPECT_EQ(layer.color, nullptr);
    EXPECT_EQ(undo().UndoCount(), records);
}

TEST_F(Erasers, ErasingInTheSketchFrameLayerWarnsFirst) {
    AddLayer(50, 50, 0, 0, kSketchFrameName);
    Gesture("tool EraserTool\n");
    EXPECT_EQ(ui.LastMessageText(), EraserManager::kSketchFrameWarning);
    EXPECT_EQ(env().Current(), &eraser());
}

class Lighting : public testing::PaintingTest {};

TEST_F(Lighting, AStrokeMakesTheLightingAndWritesLevelAndLightColour) {
    LayerObject& layer = PaintLayer();
    ASSERT_EQ(layer.shadow, nullptr);
    Gesture("tool ShadowPaintTool\n");
    EXPECT_EQ(env().Current(), &shadows());
    shadows().OnPanelCommand(ShadowManager::kPlus1);
    Gesture("size 7\npress 60 50\nrelease 60 50\n");
    ASSERT_NE(layer.shadow, nullptr);
    EXPECT_EQ(ByteAt(*layer.shadow->lighting, 20, 20), shadows().Level());
    EXPECT_EQ(ByteAt(*layer.shadow->appearanceIndex, 20, 20), 3);
    EXPECT_EQ(ByteAt(*layer.shadow->lighting, 40, 40), 128);
    // Shift paints the mirrored level: light where the setting shades.
    Gesture("press 100 50 shift\nrelease 100 50\n");
    EXPECT_EQ(ByteAt(*layer.shadow->lighting, 60, 20), 256 - shadows().Level());
}

TEST_F(Lighting, AClickBesideTheLayerDoesNothing) {
    LayerObject& layer = PaintLayer();
    const int32_t records = undo().UndoCount();
    Gesture("tool ShadowPaintTool\npress 20 20\nmove 30 30\nrelease 30 30\n");
    EXPECT_EQ(layer.shadow, nullptr);
    EXPECT_EQ(undo().UndoCount(), records);
}

TEST_F(Lighting, RelativeStrokesBuildUpWhereSetStrokesDoNot) {
    LayerObject& layer = PaintLayer();
    shadows().SetLevel(100, false);
    Gesture("tool ShadowPaintTool\nsize 7\npress 60 50\nrelease 60 50\npress 60 50\nrelease 60 50\n");
    EXPECT_EQ(ByteAt(*layer.shadow->lighting, 20, 20), 100);
    shadows().SetLevel(100, true);
    Gesture("press 60 50\nrelease 60 50\n");
    EXPECT_EQ(ByteAt(*layer.shadow->lighting, 20, 20), 72);
}

TEST_F(Lighting, SamplingWithNoLightingUnderTheBrushSaysSo) {
    PaintLayer();
    Gesture("tool ShadowPaintTool\n");
    shadows().OnPanelCommand(ShadowManager::kSample);
    EXPECT_EQ(workspace->toolSlot.CurrentTool(), &workspace->shadowSampleTool);
    Gesture("press 60 50\nrelease 60 50\n");
    EXPECT_EQ(ui.LastMessageText(), "No shadows found.");
}

TEST_F(Lighting, SamplingPicksTheShadedLayerAndTakesItsLevel) {
    LayerObject& shaded = PaintLayer();
    const int32_t shadedIndex = stack().Current();
    shaded.shadow = std::make_unique<ObjectShadow>();
    shaded.shadow->Create(120, 80);
    testing::SetByte(*shaded.shadow->lighting, 20, 20, 30);
    testing::SetByte(*shaded.shadow->appearanceIndex, 20, 20, 4);
    PaintLayer(); // on top, without lighting, current
    ASSERT_NE(stack().Current(), shadedIndex);
    Gesture("tool ShadowPaintTool\n");
    shadows().OnPanelCommand(ShadowManager::kSample);
    ui.ClearMessages();
    Gesture("size 5\npress 60 50\nrelease 60 50\n");
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_EQ(stack().Current(), shadedIndex);
    EXPECT_EQ(shadows().Level(), 30);
    EXPECT_EQ(shadows().LightIndex(), 4);
}

TEST_F(Lighting, AllAndFillFollowTheBrushAndTheLines) {
    LayerObject& layer = PaintLayer();
    testing::DrawWall(layer, 30, 0, 80);
    shadows().SetLevel(90, false);
    Gesture("tool ShadowPaintTool\n");
    shadows().OnPanelCommand(ShadowManager::kFill);
    Gesture("press 45 35\nrelease 45 35\n");
    EXPECT_EQ(ByteAt(*layer.shadow->lighting, 0, 0), 90);
    EXPECT_EQ(ByteAt(*layer.shadow->lighting, 30, 0), 90);
    EXPECT_EQ(ByteAt(*layer.shadow->lighting, 31, 0), 128);
    shadows().OnPanelCommand(ShadowManager::kFill);

    shadows().OnPanelCommand(ShadowManager::kAll);
    EXPECT_EQ(ByteAt(*layer.shadow->lighting, 100, 70), 90);
    shadows().OnPanelCommand(ShadowManager::kErase);
    EXPECT_EQ(workspace->toolSlot.CurrentTool(), &workspace->shadowEraser);
    shadows().OnPanelCommand(ShadowManager::kAll);
    EXPECT_FALSE(layer.shadow->HasLighting());
    const auto before = Copy(layer);
    shadows().OnPanelCommand(ShadowManager::kBlend);
    shadows().OnPanelCommand(ShadowManager::kAll);
    EXPECT_EQ(ui.LastMessageText(), ShadowManager::kAllMessage);
    EXPECT_TRUE(layer.SameAs(*before));
}

TEST_F(Lighting, TheLightingColourChangesWhatTheLitPixelsShow) {
    LayerObject& layer = PaintLayer();
    shadows().SetLevel(200, false);
    Gesture("tool ShadowPaintTool\nsize 9\npress 60 50\nrelease 60 50\n");
    const Image24 white = Picture();
    ASSERT_TRUE(workspace->RunCommand(cmd::kLightingColor));
    EXPECT_EQ(env().Current(), &lightingSet());
    lightingSet().Set(LightingSet::Settings{0, 240, 100}); // a strong red sun
    ASSERT_TRUE(lightingSet().Apply());
    const ShadowAppearance* pair = layer.shadow->appearances.Slot(0);
    ASSERT_NE(pair, nullptr);
    EXPECT_EQ(static_cast<uint32_t>(pair->color), lightingSet().ColorFor({0, 240, 100}, true));
    EXPECT_EQ(static_cast<uint32_t>(pair->reference), 0u) << "the shade stays neutral";
    const Image24 red = Picture();
    const uint8_t* before = white.Pixel(60, 50);
    const uint8_t* after = red.Pixel(60, 50);
    EXPECT_GT(after[2] - after[1], before[2] - before[1]) << "redder than before";
    EXPECT_TRUE(lightingSet().Reset());
    EXPECT_EQ(static_cast<uint32_t>(layer.shadow->appearances.Slot(0)->color), LightingSet::kNeutralSun);
    EXPECT_TRUE(Picture().Pixels() == white.Pixels());
}

TEST_F(Lighting, ThePalettesColourTintsTheEditedLight) {
    LayerObject& layer = PaintLayer();
    Gesture("tool ShadowPaintTool\n");
    shadows().OnPanelCommand(ShadowManager::kPlus2); // the index the lighting colours are set for
    ASSERT_TRUE(workspace->RunCommand(cmd::kLightingColor));
    lightingSet().EditSun(false);
    workspace->Palettes().SelectColor(0x00FF0000); // blue
    ASSERT_NE(layer.shadow, nullptr);
    const ShadowAppearance* pair = layer.shadow->appearances.Slot(4);
    ASSERT_NE(pair, nullptr);
    EXPECT_EQ(static_cast<uint32_t>(pair->color), LightingSet::kNeutralSun);
    const auto shade = static_cast<uint32_t>(pair->reference);
    EXPECT_GT(ColorBlue(shade), ColorRed(shade));
    EXPECT_EQ(lightingSet().Current().blend, 100);
    // Many changes in one visit make one undo record.
    const int32_t records = undo().UndoCount();
    lightingSet().Set({10, 100, 50});
    lightingSet().Apply();
    EXPECT_EQ(undo().UndoCount(), records);
}

TEST_F(Lighting, LightingColoursComeFromHueChromaAndBlend) {
    const LightingSet& set = lightingSet();
    EXPECT_EQ(set.ColorFor({0, 0, 0}, true), LightingSet::kNeutralSun);
    EXPECT_EQ(set.ColorFor({120, 240, 0}, false), LightingSet::kNeutralShade);
    const uint32_t sun = set.ColorFor({80, 240, 100}, true); // green at lightness 180
    EXPECT_GT(ColorGreen(sun), ColorRed(sun));
    const uint32_t half = set.ColorFor({80, 240, 50}, true);
    EXPECT_GT(ColorRed(half), ColorRed(sun));
    EXPECT_LT(ColorRed(half), 255u);
}

} // namespace
} // namespace ts
