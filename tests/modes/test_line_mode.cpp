// The line mode over a headless workspace: polylines clicked with the line tool, the keys, the panel,
// whole-layer changes, the pens, sampling, the segment tools and undo.

#include "interact/virtual_keys.h"
#include "modes/painting_test_support.h"
#include "render/line_test_support.h"

#include <gtest/gtest.h>

#include <set>

namespace ts {
namespace {

using testing::ByteAt;
using testing::MaskAt;

class LineMode : public testing::PaintingTest {
protected:
    // A line layer filling most of the drawing, at an offset, current.
    LayerObject& Layer() { return PaintLayer(400, 300, 20, 10); }
    LineManager& lines() { return workspace->lineManager; }
    PointMemory& points(LayerObject& layer) { return layer.frame->points; }

    // The layer rows (and columns) that hold any centre line.
    static std::set<int32_t> Rows(const LayerObject& layer) {
        std::set<int32_t> rows;
        const RLBuffer& occ = *layer.frame->drawingBuffer;
        for (int32_t y = 0; y < occ.Height(); ++y) {
            for (int32_t x = 0; x < occ.Width(); ++x) {
                if (MaskAt(occ, x, y) != 0) {
                    rows.insert(y);
                    break;
                }
            }
        }
        return rows;
    }
    static int32_t Occupied(const LayerObject& layer) {
        int32_t n = 0;
        const RLBuffer& occ = *layer.frame->drawingBuffer;
        for (int32_t y = 0; y < occ.Height(); ++y) {
            for (int32_t x = 0; x < occ.Width(); ++x) {
                n += MaskAt(occ, x, y) != 0;
            }
        }
        return n;
    }
    static bool Shows(const LayerObject& layer, int32_t x, int32_t y) {
        return layer.lineArt && MaskAt(*layer.lineArt->lineBuffer, x, y) != 0;
    }
    size_t Messages() { return ui.Messages().size(); }
    std::string LastMessage() { return ui.Messages().empty() ? std::string() : ui.Messages().back().text; }
    // A level line clicked from x0 to x1 on drawing row y, finished with a double click.
    void LevelLine(int32_t x0, int32_t x1, int32_t y) {
        Gesture("tool PointTool\npress " + std::to_string(x0) + " " + std::to_string(y) + "\nrelease " +
                std::to_string(x0) + " " + std::to_string(y) + "\ndblclick " + std::to_string(x1) + " " +
                std::to_string(y) + "\n");
    }
};

TEST_F(LineMode, ClicksAddSegmentsAndADoubleClickRendersThem) {
    LayerObject& layer = Layer();
    Gesture("tool PointTool\n");
    ASSERT_EQ(env().Current(), &lines());
    Gesture("press 100 100\nrelease 100 100\nmove 200 100\npress 200 100\nrelease 200 100\n"
            "press 200 200\nrelease 200 200\n");
    EXPECT_EQ(points(layer).Count(), 2u);
    EXPECT_EQ(Occupied(layer), 0) << "nothing is rendered before the line is finished";
    const int32_t records = undo().UndoCount();
    Gesture("dblclick 300 200\n");
    EXPECT_TRUE(points(layer).IsEmpty());
    EXPECT_EQ(undo().UndoCount(), records + 1);
    // Three segments: across, down, across again (layer pixels are drawing pixels less the offset).
    EXPECT_TRUE(Shows(layer, 150 - 20, 100 - 10));
    EXPECT_TRUE(Shows(layer, 200 - 20, 150 - 10));
    EXPECT_TRUE(Shows(layer, 250 - 20, 200 - 10));
    EXPECT_FALSE(Shows(layer, 150 - 20, 150 - 10));
    EXPECT_TRUE(Reasons(kRedrawLinesGlobally));
}

TEST_F(LineMode, ASingleClickAndADoubleClickDrawNothing) {
    LayerObject& layer = Layer();
    const int32_t records = undo().UndoCount();
    Gesture("tool PointTool\npress 100 100\nrelease 100 100\ndblclick 100 100\n");
    EXPECT_EQ(Occupied(layer), 0);
    EXPECT_EQ(undo().UndoCount(), records);
    // On a layer of another kind (no drawing layer current) a press does nothing at all.
    stack().SetCurrent(ImageStackManager::kPaperIndex);
    Gesture("press 100 100\nrelease 100 100\ndblclick 150 100\n");
    EXPECT_FALSE(workspace->rubberLine.IsActive());
}

TEST_F(LineMode, CtrlSnapsASegmentFourteenDegreesOffLevelToLevel) {
    LayerObject& layer = Layer();
    // 14 degrees: 100 across, 25 down; the constrained end lies on the start's row.
    Gesture("tool PointTool\npress 100 100\nrelease 100 100\nmove 200 125 ctrl\npress 200 125 ctrl\n"
            "release 200 125 ctrl\nkey 27\n");
    const std::set<int32_t> rows = Rows(layer);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows, std::set<int32_t>{100 - 10});
    // Without Ctrl the same clicks slope.
    Gesture(
        "press 100 150\nrelease 100 150\nmove 200 175\npress 200 175\nrelease 200 175\ndblclick 200 175\n");
    EXPECT_GT(Rows(layer).size(), 20u);
}

TEST_F(LineMode, BackspaceAndDeleteTakeSegmentsAwayAndEveryKeyIsConsumed) {
    LayerObject& layer = Layer();
    Gesture("tool PointTool\n");
    // Backspace on an empty list does nothing, and is still consumed.
    EXPECT_TRUE(workspace->viewInput.OnKeyDown(keys::kBack, 1, 0));
    Gesture(
        "press 100 100\nrelease 100 100\npress 200 100\nrelease 200 100\npress 200 200\nrelease 200 200\n");
    ASSERT_EQ(points(layer).Count(), 2u);
    EXPECT_TRUE(workspace->viewInput.OnKeyDown(keys::kBack, 1, 0));
    ASSERT_EQ(points(layer).Count(), 1u);
    EXPECT_TRUE(Reasons("R_OnKeyDown"));
    // The rubber line goes back to the start of the removed segment.
    EXPECT_EQ(workspace->rubberLine.StartPoint(), (IntPoint{4 * 200, 4 * 100}));
    // Delete takes the selected segments away and leaves the layer in place.
    points(layer).SelectAll();
    const int32_t layers = stack().Count();
    EXPECT_TRUE(workspace->viewInput.OnKeyDown(keys::kDelete, 1, 0));
    EXPECT_TRUE(points(layer).IsEmpty());
    EXPECT_EQ(stack().Count(), layers);
    EXPECT_EQ(env().Current(), &lines());
    EXPECT_TRUE(workspace->viewInput.OnKeyDown(keys::Letter('X'), 1, 0));
}

TEST_F(LineMode, EscFinishesTheSegmentsClickedSoFar) {
    LayerObject& layer = Layer();
    Gesture("tool PointTool\npress 100 100\nrelease 100 100\npress 200 100\nrelease 200 100\nmove 250 180\n");
    workspace->viewInput.OnKeyDown(keys::kEscape, 1, 0);
    EXPECT_FALSE(workspace->rubberLine.IsActive());
    EXPECT_EQ(Rows(layer), std::set<int32_t>{90});
}

TEST_F(LineMode, APressNearAnEndSnapsToIt) {
    LayerObject& layer = Layer();
    Gesture("tool PointTool\npress 100 100\nrelease 100 100\npress 200 100\nrelease 200 100\n"
            "press 200 200\nrelease 200 200\nmove 102 102\npress 102 102\nrelease 102 102\n");
    ASSERT_EQ(points(layer).Count(), 3u);
    const Segment& closing = points(layer).At(2);
    EXPECT_EQ(closing.endX, points(layer).At(0).startX);
    EXPECT_EQ(closing.endY, points(layer).At(0).startY);
}

TEST_F(LineMode, LeavingTheModeOrRunningACommandFinishesTheLine) {
    LayerObject& layer = Layer();
    Gesture("tool PointTool\npress 100 100\nrelease 100 100\npress 200 100\nrelease 200 100\n");
    Gesture("tool SurfacePaintTool\n");
    EXPECT_TRUE(points(layer).IsEmpty());
    EXPECT_FALSE(Rows(layer).empty());
    Gesture("tool PointTool\npress 100 150\nrelease 100 150\npress 200 150\nrelease 200 150\n");
    workspace->RunCommand(cmd::kShowLighting);
    EXPECT_TRUE(points(layer).IsEmpty());
    EXPECT_EQ(Rows(layer).size(), 2u);
}

TEST_F(LineMode, TheQuickSwitchKeepsTheSegmentsForTheSelectToolToEdit) {
    LayerObject& layer = Layer();
    Gesture("tool PointTool\npress 100 100\nrelease 100 100\npress 200 100\nrelease 200 100\n");
    workspace->viewInput.OnKeyDown(keys::kSpace, 1, 0);
    ASSERT_EQ(env().Current(), &workspace->selectManager);
    ASSERT_EQ(points(layer).Count(), 1u);
    // The end at (200, 100) is dragged to (200, 160).
    Gesture("press 200 100\nmove 200 130\nmove 200 160\nrelease 200 160\n");
    ASSERT_EQ(points(layer).Count(), 1u);
    EXPECT_EQ(points(layer).At(0).endY >> 2, 160 - 10);
    EXPECT_TRUE(Reasons("R_OnSelectLButtonUp"));
    workspace->viewInput.OnKeyDown(keys::kSpace, 1, 0);
    EXPECT_EQ(env().Current(), &lines());
    Gesture("dblclick 300 300\n");
    EXPECT_GT(Rows(layer).size(), 50u);
}

TEST_F(LineMode, PanelButtonsOutsideTheirRadioSayWhatTheyAreFor) {
    LayerObject& layer = Layer();
    LevelLine(100, 200, 100);
    const auto before = Copy(layer);
    Gesture("panel 126\n");
    Gesture("panel 129\n");
    EXPECT_EQ(LastMessage(), LineManager::kIncMessage);
    Gesture("panel 130\n");
    EXPECT_EQ(LastMessage(), LineManager::kDecMessage);
    EXPECT_TRUE(layer.SameAs(*before));
    Gesture("panel 120\npanel 131\n");
    EXPECT_EQ(LastMessage(), LineManager::kAllMessage);
    // "Sample" leaves "Inc" disabled; "Width" enables it again.
    Gesture("panel 121\n");
    EXPECT_FALSE(lines().Panel().Find(LineManager::kInc)->IsEnabled());
    Gesture("panel 125\n");
    EXPECT_TRUE(lines().Panel().Find(LineManager::kInc)->IsEnabled());
}

TEST_F(LineMode, ChangingASettingOutsideDrawLinePicksItsPen) {
    Layer();
    Gesture("tool PointTool\npanel 123\npanel 102 Dashed\n");
    EXPECT_EQ(lines().SelectedRadio(), LineManager::kStyle);
    EXPECT_EQ(lines().PenVariant(), LineManager::kPenStyle);
    EXPECT_EQ(workspace->toolSlot.CurrentTool(), &workspace->coloredPencilTool);
    Gesture("panel 120\npanel 104 5\n");
    EXPECT_EQ(lines().SelectedRadio(), LineManager::kDrawLine);
    lines().ReadPanel();
    EXPECT_EQ(lines().Settings().width, 5);
    EXPECT_EQ(lines().Settings().style, kLineDashed);
}

TEST_F(LineMode, AllWithColorAsksOnlyWhenTheLayerHasTwoColours) {
    LayerObject& layer = Layer();
    Gesture("color 0x0000FF\n");
    LevelLine(100, 200, 100);
    Gesture("color 0x00FF00\npanel 124\n");
    const size_t asked = Messages();
    Gesture("panel 131\n");
    EXPECT_EQ(Messages(), asked) << "one colour: no question";
    const LineColor* only =
        layer.lineArt->colorList->Slot(ByteAt(*layer.lineArt->colorAppearanceIndex, 130, 90));
    ASSERT_NE(only, nullptr);
    EXPECT_EQ(only->color, 0x00FF00);
    EXPECT_EQ(layer.lineArt->colorList->Count(), 1);
    // A second colour: the question comes, and No keeps both.
    Gesture("color 0xFF0000\n");
    LevelLine(100, 200, 150);
    Gesture("panel 124\nanswer no\npanel 131\n");
    ASSERT_EQ(Messages(), asked + 1);
    EXPECT_EQ(ui.Messages().back().text, LineManager::kMultipleColors);
    EXPECT_EQ(ui.Messages().back().icon, MessageIcon::Information);
    EXPECT_NE(ByteAt(*layer.lineArt->colorAppearanceIndex, 130, 90),
              ByteAt(*layer.lineArt->colorAppearanceIndex, 130, 140));
    Gesture("answer yes\npanel 131\n");
    EXPECT_EQ(ByteAt(*layer.lineArt->colorAppearanceIndex, 130, 90),
              ByteAt(*layer.lineArt->colorAppearanceIndex, 130, 140));
}

TEST_F(LineMode, AllWithStyleDashesEveryLineAndUndoBringsItBack) {
    LayerObject& layer = Layer();
    LevelLine(100, 300, 100);
    const auto before = Copy(layer);
    Gesture("panel 126\npanel 102 Dashed\npanel 131\n");
    int32_t gaps = 0;
    int32_t inked = 0;
    for (int32_t x = 100 - 20; x <= 300 - 20; ++x) {
        const uint8_t style = ByteAt(*layer.lineArt->lineAppearanceIndex, x, 90);
        EXPECT_EQ(style & 0x7F, kLineDashed);
        (style & kLineGapBit ? gaps : inked) += 1;
        // Inside a gap (its neighbours gaps too) a width-1 line shows paper; an inked pixel shows the line.
        const bool innerGap =
            (style & kLineGapBit) && (ByteAt(*layer.lineArt->lineAppearanceIndex, x - 1, 90) &
                                      ByteAt(*layer.lineArt->lineAppearanceIndex, x + 1, 90) & kLineGapBit);
        if (innerGap) {
            EXPECT_FALSE(Shows(layer, x, 90)) << x;
        } else if (!(style & kLineGapBit)) {
            EXPECT_TRUE(Shows(layer, x, 90)) << x;
        }
    }
    EXPECT_GT(gaps, 40);
    EXPECT_GT(inked, 40);
    EXPECT_TRUE(Reasons(kLinePaintWidthManager));
    workspace->RunCommand(cmd::kUndo);
    EXPECT_TRUE(current().SameAs(*before));
}

TEST_F(LineMode, AllWithEraseTakesEveryLineAwayAndAppearanceRestylesThemAll) {
    LayerObject& layer = Layer();
    LevelLine(100, 300, 100);
    LevelLine(100, 300, 200);
    Gesture("panel 104 7\npanel 127\npanel 105 3\npanel 126\npanel 102 Dotted\npanel 123\npanel 131\n");
    for (const int32_t y : {90, 190}) {
        EXPECT_EQ(LineWidthOf(ByteAt(*layer.lineArt->refreshWidth, 150, y)), 7);
        EXPECT_EQ(LineFreehandOf(ByteAt(*layer.lineArt->refreshWidth, 150, y)), 3);
        EXPECT_EQ(ByteAt(*layer.lineArt->lineAppearanceIndex, 150, y) & 0x7F, kLineDotted);
    }
    const auto before = Copy(layer);
    Gesture("panel 122\npanel 131\n");
    EXPECT_EQ(Occupied(layer), 0);
    EXPECT_FALSE(layer.lineArt->HasLines());
    workspace->RunCommand(cmd::kUndo);
    EXPECT_TRUE(current().SameAs(*before));
}

TEST_F(LineMode, IncAndDecStepTheWidthOfEveryLineOnce) {
    LayerObject& layer = Layer();
    Gesture("tool PointTool\npanel 104 3\n");
    LevelLine(100, 200, 100);
    LevelLine(100, 200, 200);
    const int32_t records = undo().UndoCount();
    Gesture("panel 125\npanel 129\n");
    EXPECT_EQ(undo().UndoCount(), records + 1);
    EXPECT_EQ(lines().WidthMode(), 1);
    EXPECT_EQ(LineWidthOf(ByteAt(*layer.lineArt->refreshWidth, 130, 90)), 4);
    EXPECT_EQ(LineWidthOf(ByteAt(*layer.lineArt->refreshWidth, 130, 190)), 4);
    Gesture("panel 130\npanel 130\npanel 130\npanel 130\npanel 130\n");
    EXPECT_EQ(LineWidthOf(ByteAt(*layer.lineArt->refreshWidth, 130, 90)), 1) << "the width stops at 1";
    Gesture("panel 127\npanel 129\n");
    EXPECT_EQ(LineFreehandOf(ByteAt(*layer.lineArt->refreshWidth, 130, 90)), 1);
}

TEST_F(LineMode, TheEraserReachesAsFarAsThePanelsWidth) {
    Gesture("tool PointTool\npanel 104 9\n");
    LevelLine(100, 200, 100);
    EraserManager& eraser = workspace->eraserManager;
    eraser.SetBoxes(true, false, false);
    EXPECT_EQ(eraser.ExtraParameter(), 27);
    eraser.SetBoxes(false, true, true);
    EXPECT_EQ(eraser.ExtraParameter(), 0) << "without lines the stroke needs no extra reach";
}

TEST_F(LineMode, APenChangesTheLineItCrossesAndSparesOneFiftyPixelsAway) {
    LayerObject& layer = Layer();
    LevelLine(100, 300, 100);
    LevelLine(100, 300, 150);
    const uint8_t farWidth = ByteAt(*layer.lineArt->refreshWidth, 150, 140);
    Gesture("panel 104 9\npanel 125\nsize 11\npress 200 95\nmove 200 105\nrelease 200 105\n");
    EXPECT_EQ(LineWidthOf(ByteAt(*layer.lineArt->refreshWidth, 180, 90)), 9);
    EXPECT_EQ(ByteAt(*layer.lineArt->refreshWidth, 150, 140), farWidth);
    EXPECT_EQ(ByteAt(*layer.lineArt->refreshWidth, 180, 140), farWidth);
    // "Undo the last  brush stroke" takes the pen back.
    ASSERT_TRUE(workspace->commands.Enabled(cmd::kUndoStroke));
    workspace->RunCommand(cmd::kUndoStroke);
    EXPECT_EQ(ByteAt(*layer.lineArt->refreshWidth, 180, 90), farWidth);
}

TEST_F(LineMode, ErasedLinesRedrawToWhatShows) {
    LayerObject& layer = Layer();
    Gesture("tool PointTool\npanel 104 5\n");
    LevelLine(100, 300, 100);
    Gesture("panel 122\nsize 15\npress 200 100\nrelease 200 100\n");
    EXPECT_FALSE(Shows(layer, 180, 90));
    EXPECT_TRUE(Shows(layer, 100, 90));
    auto shown = Copy(layer);
    LineRenderer(layer).RedrawLines(LineRenderer(layer).LayerRectangle());
    EXPECT_TRUE(layer.SameAs(*shown));
}

TEST_F(LineMode, UndoOfAWideLineAtTheLayersEdgeTakesEveryStampAway) {
    LayerObject& layer = Layer();
    Gesture("tool PointTool\npanel 104 31\n");
    LevelLine(25, 300, 12); // two pixels inside the layer's top edge
    ASSERT_TRUE(Shows(layer, 100, 0));
    ASSERT_TRUE(Shows(layer, 100, 8)) << "the stamps reach beyond the centre line";
    workspace->RunCommand(cmd::kUndo);
    EXPECT_EQ(env().Current(), &lines()) << "undoing a line stays in the mode";
    EXPECT_EQ(Occupied(current()), 0);
    EXPECT_FALSE(current().lineArt->HasLines());
    // The single-stroke undo of the line as well.
    LevelLine(25, 300, 12);
    workspace->RunCommand(cmd::kUndoStroke);
    EXPECT_FALSE(current().lineArt->HasLines());
}

TEST_F(LineMode, WithoutReplaceACrossingKeepsTheOlderLinesColour) {
    LayerObject& layer = Layer();
    Gesture("color 0x0000FF\n");
    LevelLine(100, 300, 100);
    const uint8_t red = ByteAt(*layer.lineArt->colorAppearanceIndex, 180, 90);
    Gesture("color 0xFF0000\npanel 128\n");
    Gesture("press 200 50\nrelease 200 50\ndblclick 200 150\n");
    EXPECT_EQ(ByteAt(*layer.lineArt->colorAppearanceIndex, 180, 90), red);
    EXPECT_NE(ByteAt(*layer.lineArt->colorAppearanceIndex, 180, 60), red);
}

TEST_F(LineMode, SamplingTakesTheColourOfTheLineUnderThePointer) {
    Layer();
    Gesture("tool PointTool\npanel 121\npress 150 100\nrelease 150 100\n");
    EXPECT_EQ(LastMessage(), LineManager::kNoLines);
    Gesture("color 0x3366CC\n");
    LevelLine(100, 200, 100);
    Gesture("color 0x000000\npanel 121\npress 150 101\nrelease 150 101\n");
    EXPECT_EQ(workspace->paletteManager.GetCurrentColor() & 0xFFFFFF, 0x3366CCu);
}

TEST_F(LineMode, SetVanishingPointNeedsTwoSegmentsThatCross) {
    LayerObject& layer = Layer();
    Gesture("tool PointTool\n");
    points(layer).SetLayerOrigin(20, 10);
    points(layer).AddSegment(4 * 100, 4 * 100, 4 * 200, 4 * 100);
    EXPECT_EQ(lines().VanishingPointText(), "VP: None");
    workspace->RunCommand(cmd::kSetVanishingPoint);
    EXPECT_EQ(LastMessage(), LineManager::kNoTwoSegments);
    EXPECT_EQ(points(layer).Count(), 1u);
    // Parallel: the message again, and the segments stay for another try.
    points(layer).AddSegment(4 * 100, 4 * 150, 4 * 200, 4 * 150);
    const size_t shown = Messages();
    workspace->RunCommand(cmd::kSetVanishingPoint);
    EXPECT_EQ(Messages(), shown + 1);
    EXPECT_EQ(points(layer).Count(), 2u);
    // A level segment and one converging on it meet at drawing (300, 100).
    points(layer).AddSegment(4 * 100, 4 * 100, 4 * 200, 4 * 100);
    points(layer).AddSegment(4 * 100, 4 * 200, 4 * 200, 4 * 150);
    ASSERT_TRUE(workspace->commands.Enabled(cmd::kSetVanishingPoint));
    workspace->RunCommand(cmd::kSetVanishingPoint);
    ASSERT_EQ(layer.frame->vanishingPoints.size(), 1u);
    EXPECT_DOUBLE_EQ(layer.frame->vanishingPoints[0].x, 300 - 20);
    EXPECT_DOUBLE_EQ(layer.frame->vanishingPoints[0].y, 100 - 10);
    EXPECT_EQ(points(layer).Count(), 2u) << "the two segments became the vanishing point";
    EXPECT_EQ(lines().VanishingPointText(), "VP: 1");
    EXPECT_EQ(ui.StatusPane(LineManager::kVanishingPane), "VP: 1");
    EXPECT_TRUE(Reasons("R_OnLineSetVanishingPoint"));
    workspace->RunCommand(cmd::kRemoveVanishingPoints);
    EXPECT_EQ(LastMessage(), LineManager::kVanishingRemoved);
    EXPECT_TRUE(layer.frame->vanishingPoints.empty());
}

TEST_F(LineMode, AnArrayFillsTheSpaceBetweenTwoSelectedSegments) {
    LayerObject& layer = Layer();
    Gesture(
        "tool PointTool\npress 100 100\nrelease 100 100\npress 300 100\nrelease 300 100\ndblclick 300 100\n");
    // Two level segments of the line being drawn, 80 pixels apart.
    points(layer).AddSegment(4 * 100, 4 * 100, 4 * 300, 4 * 100);
    points(layer).AddSegment(4 * 100, 4 * 180, 4 * 300, 4 * 180);
    workspace->RunCommand(cmd::kLineArray);
    EXPECT_EQ(LastMessage(), LineManager::kArrayTwo);
    points(layer).SelectAll();
    dynamic_cast<EditBox*>(lines().Panel().Find(LineManager::kArrayCountBox))->UserEdit("");
    workspace->RunCommand(cmd::kLineArray);
    EXPECT_EQ(LastMessage(), LineManager::kArrayCount);
    dynamic_cast<EditBox*>(lines().Panel().Find(LineManager::kArrayCountBox))->UserEdit("3");
    workspace->RunCommand(cmd::kLineArray);
    ASSERT_EQ(points(layer).Count(), 5u);
    for (size_t i = 2; i < 5; ++i) {
        const Segment& s = points(layer).At(i);
        const int32_t y = 4 * (100 - 10) + static_cast<int32_t>(i - 1) * 4 * 20;
        EXPECT_EQ(s.startY, y);
        EXPECT_EQ(s.endY, y);
        EXPECT_EQ(s.startX, 4 * (100 - 20));
        EXPECT_EQ(s.endX, 4 * (300 - 20));
    }
    EXPECT_EQ(workspace->statusPrompt.Current(), LineManager::kArrayDone);
}

TEST_F(LineMode, PartialEraseCutsASegmentBetweenTheSelectedOnes) {
    LayerObject& layer = Layer();
    Gesture("tool PointTool\ndblclick 100 100\n");
    points(layer).AddSegment(4 * 100, 4 * 100, 4 * 300, 4 * 100);
    Gesture("tool LinePartialSegmentEraserTool\n");
    Gesture("press 200 100\nrelease 200 100\n");
    EXPECT_EQ(LastMessage(), LineManager::kNoSelected);
    // Two uprights at x = 150 and 250 bound the part around x = 200.
    points(layer).AddSegment(4 * 150, 4 * 50, 4 * 150, 4 * 150);
    points(layer).AddSegment(4 * 250, 4 * 50, 4 * 250, 4 * 150);
    points(layer).ToggleSelected(4 * 150, 4 * 50, 4 * 150, 4 * 150);
    points(layer).ToggleSelected(4 * 250, 4 * 50, 4 * 250, 4 * 150);
    Gesture("press 200 100\nrelease 200 100\n");
    ASSERT_EQ(points(layer).Count(), 4u);
    EXPECT_EQ(points(layer).CountSelected(), 2);
    std::set<std::pair<int32_t, int32_t>> level;
    for (size_t i = 0; i < points(layer).Count(); ++i) {
        const Segment& s = points(layer).At(i);
        if (s.startY == s.endY) {
            level.insert({s.startX / 4 + 20, s.endX / 4 + 20});
        }
    }
    EXPECT_EQ(level, (std::set<std::pair<int32_t, int32_t>>{{100, 150}, {250, 300}}));
}

TEST_F(LineMode, RaysRunOnToTheLayersEdge) {
    LayerObject& layer = Layer();
    Gesture("tool RayTool\npress 100 100\nrelease 100 100\nmove 150 100\npress 150 100\nrelease 150 100\n");
    ASSERT_EQ(points(layer).Count(), 1u);
    EXPECT_EQ(points(layer).At(0).endX, 4 * 400 - 1);
}

TEST_F(LineMode, EnteringTheModeShowsTheLinesSwitchesTheConstraintOnAndWarnsOnTheSketchFrame) {
    LayerObject& layer = Layer();
    layer.name = kSketchFrameName;
    workspace->RunCommand(cmd::kShowLines);
    ASSERT_FALSE(workspace->compositor.switches.showLines);
    Gesture("tool PointTool\n");
    EXPECT_EQ(LastMessage(), LineManager::kSketchFrameWarning);
    EXPECT_TRUE(workspace->compositor.switches.showLines);
    EXPECT_EQ(env().LineConstraint(), CConstraintManager::kLineDrawing);
    EXPECT_EQ(workspace->statusPrompt.Current(), LineManager::kPrompt);
    EXPECT_EQ(ui.StatusPane(LineManager::kVanishingPane), "VP: None");
    Gesture("tool SurfacePaintTool\n");
    EXPECT_EQ(env().LineConstraint(), CConstraintManager::kNone);
}

TEST_F(LineMode, ThePenCommandsPickTheirVariant) {
    Layer();
    ASSERT_TRUE(workspace->RunCommand(cmd::kPenStyleTool));
    EXPECT_EQ(env().Current(), &lines());
    EXPECT_EQ(workspace->toolSlot.CurrentTool(), &workspace->coloredPencilTool);
    EXPECT_EQ(lines().PenVariant(), LineManager::kPenStyle);
    EXPECT_EQ(lines().SelectedRadio(), LineManager::kStyle);
    EXPECT_EQ(workspace->coloredPencilTool.CurrentId(), ColoredPencilTool::kStyleId);
    ASSERT_TRUE(workspace->RunCommand(cmd::kLineRepairTool));
    EXPECT_EQ(workspace->coloredPencilTool.CurrentId(), ColoredPencilTool::kRepairId);
}

TEST_F(LineMode, TheOffsetLineToolCopiesASegmentAcrossTheDrag) {
    LayerObject& layer = Layer();
    Gesture("tool PointTool\npress 100 100\nrelease 100 100\npress 200 100\nrelease 200 100\n");
    Gesture("tool OffsetLineTool\n");
    // The polyline waits: picking the tool finishes nothing, the segment is there to be copied.
    ASSERT_EQ(points(layer).Count(), 1u);
    Gesture("press 150 100\nmove 170 130\nrelease 170 130\n");
    ASSERT_EQ(points(layer).Count(), 2u);
    const Segment& copy = points(layer).At(1);
    EXPECT_EQ(copy.startY, copy.endY);
    EXPECT_EQ(copy.startY, points(layer).At(0).startY + 4 * 30);
    EXPECT_EQ(copy.startX, points(layer).At(0).startX);
    EXPECT_EQ(copy.endX, points(layer).At(0).endX);
}

} // namespace
} // namespace ts
