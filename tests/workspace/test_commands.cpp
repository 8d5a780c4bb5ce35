// The command table as the menus and panel buttons use it.

#include "document/drawing_test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace ts {
namespace {

class Commands : public testing::DrawingTest {
protected:
    Commands() { NewDrawing("1", "1"); }
    CommandTable& table() { return workspace->commands; }
};

TEST_F(Commands, IdsAreUniqueAndTheMenusAreExactlyTheSix) {
    std::set<int32_t> ids;
    std::vector<std::string> menus;
    for (const Command& c : table().Commands()) {
        EXPECT_TRUE(ids.insert(c.id).second) << c.text;
        const std::string top = c.menu.substr(0, c.menu.find('/'));
        if (!top.empty() && (menus.empty() || menus.back() != top)) {
            menus.push_back(top);
        }
    }
    EXPECT_EQ(menus, (std::vector<std::string>{"File", "View", "Palette", "Page", "Layer", "Help"}));
    EXPECT_EQ(table().Find(cmd::kNew)->tooltip, 47);
    EXPECT_EQ(table().Find(cmd::kSaveAs)->prompt, "Save a copy of the drawing, using a new name.");
}

TEST_F(Commands, UnknownOrUnbuiltCommandsAreDisabledAndDoNothing) {
    EXPECT_FALSE(workspace->RunCommand(12345));
    Command bare;
    bare.id = 33809;
    bare.text = "Without a handler";
    workspace->commands.Add(std::move(bare));
    EXPECT_FALSE(table().Enabled(33809));
    EXPECT_FALSE(workspace->RunCommand(33809));
}

TEST_F(Commands, ShowSwitchesToggleEveryLayerAndLogTheirReasons) {
    AddLayer(10, 10);
    EXPECT_TRUE(table().Checked(cmd::kShowLines));
    EXPECT_TRUE(workspace->RunCommand(cmd::kShowLines));
    EXPECT_FALSE(table().Checked(cmd::kShowLines));
    EXPECT_FALSE(current().ShowsLines());
    EXPECT_TRUE(current().ShowsSurface());
    EXPECT_EQ(refresh().reasons.back(), "R_SetLineVisibility");
    workspace->RunCommand(cmd::kShowColorAreas);
    EXPECT_EQ(refresh().reasons.back(), "R_SetSurfaceVisibility");
    EXPECT_FALSE(workspace->compositor.switches.showColor);
}

TEST_F(Commands, DimUnselectedClearsWhenAnyIsDimmedAndSetsOtherwise) {
    AddLayer(10, 10);
    AddLayer(10, 10); // current: index 4
    layer(2).dimmed = true;
    workspace->RunCommand(cmd::kDimUnselected);
    EXPECT_FALSE(layer(2).dimmed);
    EXPECT_FALSE(layer(3).dimmed);
    workspace->RunCommand(cmd::kDimUnselected);
    EXPECT_TRUE(layer(2).dimmed);
    EXPECT_TRUE(layer(3).dimmed);
    EXPECT_FALSE(layer(4).dimmed) << "the selected layer stays bright";
    EXPECT_TRUE(table().Checked(cmd::kDimUnselected));
}

TEST_F(Commands, UndoFollowsTheStoreAndBackdropItemsAreCheckedByKind) {
    undo().Reset(false);
    EXPECT_FALSE(table().Enabled(cmd::kUndo));
    EXPECT_TRUE(workspace->RunCommand(cmd::kNewBlankSmall));
    EXPECT_TRUE(table().Enabled(cmd::kUndo));
    EXPECT_TRUE(workspace->RunCommand(cmd::kUndo));
    EXPECT_TRUE(table().Enabled(cmd::kRedo));
    EXPECT_TRUE(workspace->RunCommand(cmd::kBackdropWhite));
    EXPECT_TRUE(table().Checked(cmd::kBackdropWhite));
    EXPECT_FALSE(table().Checked(cmd::kBackdropSystem));
}

TEST_F(Commands, NewAsksToSaveUnsavedWorkAndCancelKeepsTheDrawing) {
    workspace->MarkSaved();
    EXPECT_TRUE(workspace->RunCommand(cmd::kNew)) << "nothing to lose: no question";
    EXPECT_TRUE(ui.Messages().empty());

    workspace->RunCommand(cmd::kNewBlankSmall);
    const int32_t layers = stack().Count();
    ui.QueueAnswer(Answer::Cancel);
    workspace->RunCommand(cmd::kNew);
    EXPECT_EQ(ui.LastMessageText(), "Do you wish to save the current drawing?");
    EXPECT_EQ(stack().Count(), layers) << "cancelled: the drawing stays";

    // Yes with a cancelled save dialog also keeps it.
    ui.QueueAnswer(Answer::Yes);
    ui.QueueFileCancel();
    EXPECT_FALSE(workspace->AskToSaveFirst());
    EXPECT_EQ(stack().Count(), layers);

    ui.QueueAnswer(Answer::No);
    workspace->RunCommand(cmd::kNew);
    EXPECT_EQ(stack().Count(), 3);
    EXPECT_FALSE(workspace->HasUnsavedChanges());
}

TEST_F(Commands, RecentFileEntriesOpenTheirDrawingsAndEmptyPlacesAreDisabled) {
    EXPECT_FALSE(table().Enabled(cmd::kRecentFile1 + 3));
    const std::string path = ::testing::TempDir() + "recent-plan.ts.png";
    AddLayer(10, 10, 0, 0, "Kept");
    ASSERT_TRUE(workspace->drawingDocument.SaveDrawingTo(path).Saved());
    workspace->profile.Recent(RecentList::Drawings).Add(path);
    ui.QueueAnswer(Answer::No);
    workspace->RunCommand(cmd::kNew);
    ASSERT_EQ(stack().Count(), 3);

    ASSERT_TRUE(table().Enabled(cmd::kRecentFile1));
    EXPECT_TRUE(workspace->RunCommand(cmd::kRecentFile1));
    EXPECT_EQ(stack().Layer(stack().Count() - 1)->name, "Kept");
    EXPECT_EQ(workspace->drawingDocument.FileName(), path);
    EXPECT_FALSE(workspace->HasUnsavedChanges());
    std::remove(path.c_str());
}

TEST_F(Commands, PaletteAndImportCommandsKeepTheirHistoricIdsAndKeysAreNotShared) {
    struct Fixed {
        int32_t id;
        const char* text;
        const char* accelerator;
    };
    // The ids the palette files, the strip's menu and the keys are known by.
    const Fixed fixed[] = {
        {33221, "Load", ""},
        {33222, "Save", ""},
        {33154, "Recent", "F2"},
        {33151, "Drawing", "F3"},
        {32993, "Pencils\tF4", "F9"},
        {32992, "Loaded Palette or Pencils", "F4"},
        {33165, "Hue", "F5"},
        {33166, "Saturation", "F6"},
        {33168, "Brightness", "F7"},
        {33170, "Particles", "F8"},
        {33227, "Add Color", ""},
        {33228, "Remove Color", ""},
        {33226, "Name Color", ""},
        {33229, "Find Color", ""},
        {33439, "Average Drawing Color", ""},
        {33045, "Lower-valued colors will appear first", ""},
        {33046, "Higher-valued colors will appear first", ""},
        {33517, "Import CAD Lines", ""},
    };
    for (const Fixed& f : fixed) {
        const Command* c = table().Find(f.id);
        ASSERT_NE(c, nullptr) << f.id;
        EXPECT_EQ(c->text, f.text) << f.id;
        EXPECT_EQ(c->accelerator, f.accelerator) << f.id;
    }
    EXPECT_EQ(table().Find(33223)->accelerator, "F10");
    EXPECT_EQ(table().Find(33225)->accelerator, "F12");
    // The sorts and swatch sizes do what their ids say.
    EXPECT_TRUE(workspace->RunCommand(33053));
    EXPECT_EQ(workspace->paletteManager.Strip().SwatchSize(), 32);
    EXPECT_TRUE(workspace->RunCommand(33050));
    EXPECT_EQ(workspace->paletteManager.Strip().SwatchSize(), 16);
    for (int32_t place = 0; place < 4; ++place) {
        EXPECT_EQ(table().Find(33262 + place)->menu, "Palette");
    }

    // One key, one command: a key bound twice would run neither.
    std::set<std::string> keys;
    for (const Command& c : table().Commands()) {
        if (!c.accelerator.empty()) {
            EXPECT_TRUE(keys.insert(c.accelerator).second) << c.accelerator << " is bound twice";
        }
    }
}

TEST_F(Commands, RecentEntriesReadAtMostFortyCharactersAfterTheirNumber) {
    RecentFileList& drawings = workspace->profile.Recent(RecentList::Drawings);
    drawings.Add("/home/anne/projects/clients/smith/drawings/house-front.ts.png");
    drawings.Add("/tmp/barn.ts.png");
    EXPECT_EQ(table().Text(cmd::kRecentFile1), "&1 /tmp/barn.ts.png");
    const std::string second = table().Text(cmd::kRecentFile1 + 1);
    EXPECT_EQ(second.substr(0, 3), "&2 ");
    EXPECT_LE(second.size() - 3, 40u);
    EXPECT_NE(second.find("house-front.ts.png"), std::string::npos) << second;
    EXPECT_EQ(table().Text(cmd::kRecentFile1 + 2), "") << "an empty place is hidden";

    workspace->profile.Recent(RecentList::Palettes).Add("/usr/share/tintsmith/Palettes/a/b/c/Rosewood.pal");
    const std::string palette = table().Text(cmd::kRecentPalette1);
    EXPECT_LE(palette.size() - 3, 40u);
    EXPECT_NE(palette.find("Rosewood.pal"), std::string::npos) << palette;
}

// A mode that would stay for one of the two and leave for the other.
class UndoQuestionMode final : public Env {
public:
    bool LeaveBeforeUndo() override { return leaveForUndo; }
    bool LeaveBeforeRedo() override { return leaveForRedo; }
    bool leaveForUndo = false;
    bool leaveForRedo = false;
};

TEST_F(Commands, UndoAndRedoEachAskTheirOwnQuestionBeforeLeavingTheMode) {
    EnvironmentManager& modes = workspace->environmentManager;
    UndoQuestionMode mode;
    undo().Reset(false);
    workspace->RunCommand(cmd::kNewBlankSmall);
    workspace->RunCommand(cmd::kNewBlankSmall);

    mode.leaveForUndo = false;
    mode.leaveForRedo = true;
    modes.EnterMode(&mode, "Test", "");
    EXPECT_TRUE(workspace->RunCommand(cmd::kUndo));
    EXPECT_EQ(modes.Current(), &mode) << "the undo question said stay";
    EXPECT_TRUE(workspace->RunCommand(cmd::kRedo));
    EXPECT_EQ(modes.Current(), modes.SelectMode()) << "the redo question said leave";

    mode.leaveForUndo = true;
    mode.leaveForRedo = false;
    EXPECT_TRUE(workspace->RunCommand(cmd::kUndo));
    modes.EnterMode(&mode, "Test", "");
    EXPECT_TRUE(workspace->RunCommand(cmd::kRedo));
    EXPECT_EQ(modes.Current(), &mode) << "the redo question said stay";
    modes.ReturnToSelect();
}

TEST_F(Commands, DialogAndWholeDrawingCommandsReturnToTheSelectModeFirst) {
    EnvironmentManager& modes = workspace->environmentManager;
    auto paint = [&] {
        ASSERT_TRUE(workspace->RunCommand(cmd::kSurfaceTool));
        ASSERT_EQ(modes.Current(), &workspace->surfaceManager);
    };
    paint();
    // Commands about the view and the colours keep the painting mode.
    EXPECT_TRUE(workspace->RunCommand(cmd::kShowLines));
    EXPECT_TRUE(workspace->RunCommand(cmd::kPaletteHue));
    EXPECT_TRUE(workspace->RunCommand(cmd::kSelectTop));
    EXPECT_EQ(modes.Current(), &workspace->surfaceManager);

    ui.QueueText("Porch");
    EXPECT_TRUE(workspace->RunCommand(cmd::kName));
    EXPECT_EQ(modes.Current(), modes.SelectMode());
    EXPECT_EQ(workspace->toolSlot.CurrentTool(), &workspace->selectTool);
    EXPECT_EQ(current().name, "Porch");

    for (const int32_t id : {cmd::kRotate180, cmd::kNewBlankSmall, cmd::kClone, cmd::kFlipVertically}) {
        paint();
        EXPECT_TRUE(workspace->RunCommand(id)) << id;
        EXPECT_EQ(modes.Current(), modes.SelectMode()) << id;
    }
    paint();
    ui.QueueFileCancel();
    workspace->MarkSaved();
    workspace->RunCommand(cmd::kOpen);
    EXPECT_EQ(modes.Current(), modes.SelectMode()) << "Open leaves the mode before its dialog";
}

TEST_F(Commands, AQuickSaveCountsTheDrawingAsSaved) {
    const std::string path = ::testing::TempDir() + "quick-save.ts.png";
    ui.QueueFile(path);
    ASSERT_TRUE(workspace->RunCommand(cmd::kSaveAs));
    ASSERT_TRUE(table().Enabled(cmd::kSave));
    workspace->RunCommand(cmd::kClone);
    ASSERT_TRUE(workspace->HasUnsavedChanges());
    EXPECT_TRUE(workspace->RunCommand(cmd::kSave));
    EXPECT_FALSE(workspace->HasUnsavedChanges()) << "leaving now must not ask to save again";
    std::remove(path.c_str());
}

} // namespace
} // namespace ts
