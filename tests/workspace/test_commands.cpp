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
    EXPECT_FALSE(table().Enabled(cmd::kLift)) << "comes with the effects";
    EXPECT_FALSE(workspace->RunCommand(cmd::kLift));
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

} // namespace
} // namespace ts
