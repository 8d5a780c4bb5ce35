// Switching modes, the quick switch, the keyboard dispatch and the status bar texts.

#include "interaction_test_support.h"

#include <gtest/gtest.h>

namespace ts {
namespace {

using testing::FakeMode;
using testing::FakeTool;

class RecordingKeyCommands final : public KeyCommands {
public:
    void RunKeyCommand(Action action) override { actions.push_back(action); }
    std::vector<Action> actions;
};

class ModesAndKeys : public testing::InteractionTest {
protected:
    ModesAndKeys()
        : line(Env::kLineId, true), surface(Env::kSurfaceId, true), measure(Env::kMeasureId, false),
          lettering(0, false), lineTool(context(), 33062, &line, "Draw new lines or edit existing lines."),
          surfaceTool(context(), 32934, &surface, "Paint on color.") {
        input().SetKeyCommands(&commands);
        input().SetMeasureMode(&measure);
        input().SetQuickSwitchTool(Env::kLineId, &lineTool);
        input().SetQuickSwitchTool(Env::kSurfaceId, &surfaceTool);
        env().SetLetteringMode(&lettering);
    }
    std::string Prompt() { return ui.StatusPane(StatusPrompt::kPromptPane); }

    FakeMode line, surface, measure, lettering;
    FakeTool lineTool, surfaceTool;
    RecordingKeyCommands commands;
};

TEST_F(ModesAndKeys, TheProgramStartsInTheSelectModeWithTheSelectTool) {
    EXPECT_EQ(env().Current(), &select());
    EXPECT_EQ(tools().CurrentTool(), &workspace->selectTool);
    EXPECT_EQ(Prompt(), "Select, move, or delete a bitmap.");
    EXPECT_TRUE(env().EnablesViewCommands());
}

TEST_F(ModesAndKeys, EnteringTheCurrentModeAgainOnlyChangesThePrompt) {
    env().SetLineConstraint(1);
    env().EnterMode(&line, "Lines", "first");
    EXPECT_EQ(line.activations, 1);
    EXPECT_EQ(env().Previous(), &select());
    EXPECT_EQ(env().LineConstraint(), 0) << "a switch drops the constraint";
    env().SetLineConstraint(1);
    env().EnterMode(&line, "Lines", "second");
    EXPECT_EQ(line.activations, 1);
    EXPECT_EQ(line.deactivations, 0);
    EXPECT_EQ(env().LineConstraint(), 1);
    EXPECT_EQ(Prompt(), "second");
    EXPECT_EQ(env().Previous(), &select());

    // A mode whose activation declines the prompt leaves it; a null mode changes nothing.
    surface.activateShowsPrompt = false;
    env().EnterMode(&surface, "Color", "Paint on color.");
    EXPECT_EQ(line.deactivations, 1);
    EXPECT_EQ(Prompt(), "second");
    env().EnterMode(nullptr, "", "nothing");
    EXPECT_EQ(env().Current(), &surface);

    env().ReturnToSelect();
    EXPECT_EQ(env().Current(), &select());
    EXPECT_EQ(tools().CurrentTool(), &workspace->selectTool);
    EXPECT_EQ(Prompt(), "Select a bitmap");
}

TEST_F(ModesAndKeys, WithoutACurrentModeEventsAreDroppedAndQueriesAnswerFalse) {
    StatusPrompt prompt(ui);
    ViewWindow window;
    RecordingRefresh refresh;
    EnvironmentManager lone(prompt, window, refresh);
    EXPECT_FALSE(lone.LeaveBeforeUndo());
    EXPECT_FALSE(lone.SelectionMovable());
    EXPECT_FALSE(lone.OnKeyDown(keys::kSpace, 1, 0));
    lone.OnPaletteColorChanged();
    lone.ReturnToSelect(); // not connected yet: nothing happens
    EXPECT_EQ(lone.Current(), nullptr);
}

TEST_F(ModesAndKeys, MeasureThenSpaceReturnsToTheLineModeWithItsTool) {
    tools().SetTool(lineTool);
    ASSERT_EQ(env().Current(), &line);
    EXPECT_TRUE(Key('M'));
    EXPECT_EQ(env().Current(), &measure);
    EXPECT_TRUE(Key(keys::kSpace));
    EXPECT_EQ(env().Current(), &line);
    EXPECT_EQ(tools().CurrentTool(), &lineTool);
    EXPECT_EQ(refresh().reasons.back(), "Tool Quick SwitchBack");
    EXPECT_FALSE(tools().QuickSwitchActive());
}

TEST_F(ModesAndKeys, SpaceTwiceGoesToTheSelectModeAndBack) {
    tools().SetTool(surfaceTool);
    EXPECT_TRUE(Key(keys::kSpace));
    EXPECT_EQ(env().Current(), &select());
    EXPECT_EQ(tools().CurrentTool(), &workspace->selectTool);
    EXPECT_TRUE(tools().QuickSwitchActive());
    EXPECT_TRUE(Key(keys::kSpace));
    EXPECT_EQ(env().Current(), &surface);
    EXPECT_EQ(tools().CurrentTool(), &surfaceTool);

    // Choosing another tool on the way cancels the way back.
    EXPECT_TRUE(Key(keys::kSpace));
    tools().SetTool(workspace->zoomTool);
    EXPECT_FALSE(tools().QuickSwitchActive());
    Key(keys::kSpace);
    EXPECT_EQ(env().Current(), &select());

    // Space in the measure mode leaves it for the select mode.
    env().EnterMode(&measure, "Measure", "Measure distances on the layer.");
    EXPECT_TRUE(Key(keys::kSpace));
    EXPECT_EQ(env().Current(), &select());
}

TEST_F(ModesAndKeys, PageKeysReachThePaintModeButLeaveOtherModesForTheSelectMode) {
    AddLayer(20, 20);
    tools().SetTool(surfaceTool);
    EXPECT_TRUE(Key(keys::kPageDown));
    EXPECT_EQ(env().Current(), &surface);
    EXPECT_EQ(surfaceTool.keys, (std::vector<uint32_t>{keys::kPageDown}));
    EXPECT_EQ(surface.keys, (std::vector<uint32_t>{keys::kPageDown}));

    tools().SetTool(lineTool);
    ASSERT_EQ(stack().Current(), 3);
    EXPECT_TRUE(Key(keys::kPageDown));
    EXPECT_EQ(env().Current(), &select());
    EXPECT_TRUE(line.keys.empty());
    EXPECT_EQ(stack().Current(), 2) << "the select mode took the key";
}

TEST_F(ModesAndKeys, LetterKeysRunTheirCommandsExceptWhileLetteringIsTyped) {
    EXPECT_TRUE(Key('C'));
    EXPECT_TRUE(Key('T'));
    EXPECT_TRUE(Key('D')); // ignored
    EXPECT_TRUE(Key('Q'));
    EXPECT_EQ(commands.actions, (std::vector<KeyCommands::Action>{KeyCommands::kKeyShowColorAreas,
                                                                  KeyCommands::kKeyTextureOneToOne,
                                                                  KeyCommands::kKeyShowOpacity}));
    // Lower-case codes are no letters; the select mode consumes every key and does nothing with it.
    const int32_t records = undo().UndoCount();
    EXPECT_TRUE(Key('c'));
    EXPECT_EQ(commands.actions.size(), 3u);
    EXPECT_EQ(undo().UndoCount(), records);

    env().EnterMode(&lettering, "Caption", "Select font and size and then click on the location.");
    EXPECT_TRUE(Key('C'));
    EXPECT_TRUE(Key('Z'));
    EXPECT_EQ(commands.actions.size(), 3u);
    EXPECT_EQ(lettering.keys, (std::vector<uint32_t>{'C', 'Z'}));
    EXPECT_EQ(Zoom(), 1) << "Z is a letter while lettering";
}

TEST_F(ModesAndKeys, AcceleratorKeysNeverReachTheLetterCommandsTheToolOrTheMode) {
    AddLayer(20, 20);
    AddLayer(20, 20);
    tools().SetTool(surfaceTool);
    for (const char letter : {'C', 'L', 'I', 'T', 'Q', 'O', 'M', 'S'}) {
        EXPECT_FALSE(Key(keys::Letter(letter), keys::kCtrlFlag)) << letter;
        EXPECT_FALSE(Key(keys::Letter(letter), keys::kCtrlFlag | keys::kShiftFlag)) << letter;
    }
    EXPECT_TRUE(commands.actions.empty());
    EXPECT_EQ(env().Current(), &surface) << "Ctrl+M is no Measure";
    EXPECT_TRUE(surface.keys.empty());
    EXPECT_TRUE(surfaceTool.keys.empty());

    // Shift+Delete is the frame's; Delete alone still deletes the layer from the select mode.
    const int32_t layers = stack().Count();
    EXPECT_FALSE(Key(keys::kDelete, keys::kShiftFlag));
    EXPECT_EQ(env().Current(), &surface);
    EXPECT_EQ(stack().Count(), layers);
    EXPECT_TRUE(Key(keys::kDelete));
    EXPECT_EQ(stack().Count(), layers - 1);

    // Shift alone keeps the letters' meaning.
    EXPECT_TRUE(Key(keys::Letter('C'), keys::kShiftFlag));
    EXPECT_EQ(commands.actions, (std::vector<KeyCommands::Action>{KeyCommands::kKeyShowColorAreas}));
}

TEST_F(ModesAndKeys, ZTogglesTheSmallestViewUnlessCtrlIsHeld) {
    EXPECT_TRUE(Key('Z'));
    EXPECT_EQ(Zoom(), -16);
    EXPECT_EQ(ui.StatusPane(StatusPrompt::kZoomPane), " Zoom: 6%");
    EXPECT_TRUE(Key('Z'));
    EXPECT_EQ(Zoom(), 1);
    Key('Z', keys::kCtrlFlag);
    EXPECT_EQ(Zoom(), 1);
}

TEST_F(ModesAndKeys, DoubleClicksTheToolLeavesGoToTheMode) {
    env().EnterMode(&line, "Lines", "");
    input().OnLButtonDblClk(0, 10, 10);
    EXPECT_EQ(line.doubleClicks, 1);
    input().OnRButtonDblClk(0, 10, 10);
    EXPECT_EQ(line.doubleClicks, 1) << "a right double click goes to the tool only";
}

TEST(StatusPrompt, ATemporaryTextKeepsThePromptUntilRestored) {
    HeadlessUserInterface ui;
    StatusPrompt prompt(ui);
    prompt.SetPrompt("Paint on color.");
    prompt.SetTemporaryPrompt("hover one");
    prompt.SetTemporaryPrompt("hover two");
    EXPECT_EQ(ui.StatusPane(0), "hover two");
    prompt.RestorePrompt();
    EXPECT_EQ(ui.StatusPane(0), "Paint on color.");
    EXPECT_FALSE(prompt.IsTemporary());
    prompt.RestorePrompt();
    EXPECT_EQ(prompt.Current(), "Paint on color.");
}

TEST_F(ModesAndKeys, IndicatorsNameTheCurrentLayerAndTheZoom) {
    EXPECT_EQ(StatusIndicators::LayerText(stack()), "Layer: Blank Layer: 1 of 1");
    AddLayer(10, 10, 0, 0, "");
    AddLayer(10, 10, 0, 0, "Trees");
    EXPECT_EQ(ui.StatusPane(StatusPrompt::kLayerPane), "Layer: Trees: 3 of 3");
    stack().SetCurrent(3);
    EXPECT_EQ(ui.StatusPane(StatusPrompt::kLayerPane), "Layer: 2 of 3");
    stack().ReleaseAll();
    EXPECT_EQ(StatusIndicators::LayerText(stack()), "Layer:   none");
    EXPECT_EQ(StatusIndicators::ZoomText(-3), " Zoom: 33%");
    EXPECT_EQ(StatusIndicators::ZoomText(4), " Zoom: 400%");
    EXPECT_EQ(StatusIndicators::ZoomText(0), " Zoom: 100%");
}

} // namespace
} // namespace ts
