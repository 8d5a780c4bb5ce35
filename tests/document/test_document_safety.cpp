// What keeps a user's files safe: the document state after every way of opening, saving under the
// current name, the folders the dialogs start in, the show-through settings kept with a drawing and a
// page turn that happens whole or not at all.

#include "document/drawing_test_support.h"
#include "files/drawing_reader.h"
#include "files/drawing_samples.h"
#include "platform/temp_folder.h"
#include "workspace/command_table.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace ts {
namespace {

using testing::ColorAt;
using testing::Paint;

class DocumentSafetyTest : public testing::DrawingTest {
protected:
    DocumentSafetyTest() { setenv("XDG_DATA_HOME", data.Path().c_str(), 1); }

    DrawingDocument& doc() { return workspace->drawingDocument; }
    std::string Path(const std::string& name) const { return folder.Path() + name; }

    static std::vector<char> Bytes(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    // A painted drawing saved as name.ts.png, and the same drawing as a legacy name.tsl.
    void SaveBoth(const std::string& name) {
        NewDrawing();
        Paint(current(), 3, 4, 0x00336699);
        ASSERT_TRUE(doc().SaveDrawingTo(Path(name + ".ts.png")).Saved());
        PutLegacy(name + ".tsl");
    }

    // The present stack as a legacy file.
    void PutLegacy(const std::string& name) { PutBytes(name, testing::StreamOf(stack())); }
    void PutBytes(const std::string& name, const std::vector<uint8_t>& bytes) {
        std::ofstream out(Path(name), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    void Reset() {
        ui.QueueAnswer(Answer::No); // "Do you wish to save the current drawing?"
        ASSERT_TRUE(workspace->NewDrawingAfterAsking());
        ASSERT_EQ(doc().State(), DocumentState::kNew);
    }

    TempFolder folder;
    TempFolder data;
};

// Each way of opening reaches the drawing through the core: the Open dialog, the recent list, and
// OpenDrawing for the command line and a dropped file. The state must follow the file every time, from
// whatever state came before.
TEST_F(DocumentSafetyTest, EveryWayOfOpeningSetsTheStateFromTheFile) {
    SaveBoth("plan");
    std::filesystem::copy_file(Path("plan.tsl"), Path("OLD.TSL"));
    workspace->profile.Recent(RecentList::Drawings).Add(Path("plan.ts.png"));
    workspace->profile.Recent(RecentList::Drawings).Add(Path("plan.tsl"));

    Reset();
    ASSERT_TRUE(workspace->OpenRecentDrawing(1)); // plan.ts.png, now second
    EXPECT_EQ(doc().State(), DocumentState::kDrawing);
    EXPECT_TRUE(workspace->commands.Enabled(cmd::kSave)) << "after a new drawing, a reopened PNG saves";
    EXPECT_EQ(refresh().reasons.back(), "On File Load");

    ASSERT_TRUE(doc().OpenDrawing(Path("plan.tsl"), false)); // a drop or the command line, in state 2
    EXPECT_EQ(doc().State(), DocumentState::kLegacy);
    EXPECT_FALSE(workspace->commands.Enabled(cmd::kSave));

    ASSERT_TRUE(doc().OpenDrawing(Path("plan.ts.png"), false));
    EXPECT_EQ(doc().State(), DocumentState::kDrawing);
    ASSERT_TRUE(doc().OpenDrawing(Path("OLD.TSL"), false)) << "any spelling of the legacy extension";
    EXPECT_EQ(doc().State(), DocumentState::kLegacy);

    ASSERT_TRUE(workspace->OpenRecentDrawing(0)); // plan.tsl
    EXPECT_EQ(doc().State(), DocumentState::kLegacy);

    ui.QueueFile(Path("plan.ts.png"));
    ui.QueueAnswer(Answer::No);
    ASSERT_TRUE(doc().Open());
    EXPECT_EQ(doc().State(), DocumentState::kDrawing);

    // A failed open changes nothing.
    EXPECT_FALSE(doc().OpenDrawing(Path("missing.tsl"), false));
    EXPECT_EQ(doc().State(), DocumentState::kDrawing);
}

TEST_F(DocumentSafetyTest, QuickSaveWritesTheDrawingUnderItsNameWithoutADialog) {
    SaveBoth("plan");
    ASSERT_TRUE(doc().OpenDrawing(Path("plan.ts.png"), false));
    Paint(current(), 5, 6, 0x00102030);
    const size_t dialogs = ui.FileDialogs().size();
    ASSERT_TRUE(workspace->RunCommand(cmd::kSave));
    EXPECT_EQ(ui.FileDialogs().size(), dialogs);
    EXPECT_TRUE(ui.MessageTexts().empty());

    Paint(current(), 5, 6, 0x00FFFFFF);
    ASSERT_TRUE(doc().OpenDrawing(Path("plan.ts.png"), false));
    EXPECT_EQ(ColorAt(current(), 5, 6), 0x00102030u);
    EXPECT_EQ(ColorAt(current(), 3, 4), 0x00336699u);
}

// A legacy file is never written over with a drawing PNG: saving it asks for a new name.
TEST_F(DocumentSafetyTest, SavingALegacyDrawingGoesToTheSaveDialogAndKeepsTheFile) {
    SaveBoth("plan");
    const std::vector<char> legacy = Bytes(Path("plan.tsl"));
    ASSERT_TRUE(doc().OpenDrawing(Path("plan.tsl"), false));
    EXPECT_FALSE(workspace->RunCommand(cmd::kSave)) << "disabled";

    ui.QueueFile(Path("plan-new.png"));
    ASSERT_TRUE(doc().Save());
    EXPECT_EQ(ui.FileDialogs().back().request.title, "Save Drawing");
    EXPECT_EQ(Bytes(Path("plan.tsl")), legacy);
    EXPECT_EQ(doc().FileName(), Path("plan-new.ts.png"));
    EXPECT_EQ(doc().State(), DocumentState::kDrawing);
}

// Where the program folder cannot be written (an installed copy) the dialogs' default folders are made
// in the user's data folder; where it can, in the program folder. Either way the first "Save As"
// succeeds with the name it proposes.
TEST_F(DocumentSafetyTest, TheFirstSaveAsWorksInAFolderThatExists) {
    NewDrawing();
    const std::string proposed =
        workspace->profile.DialogFolder(RecentFolder::SaveDrawings) + "/Untitled-1.ts.png";
    EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::path(proposed).parent_path(),
                                            data.Path() + "Tintsmith/SaveDrawings"));
    ui.QueueFile(proposed);
    ASSERT_TRUE(doc().SaveAs());
    EXPECT_EQ(ui.FileDialogs().back().request.fileName, proposed);
    EXPECT_TRUE(std::filesystem::exists(proposed));

    TempFolder program;
    Workspace installed(ui, settings, codec, program.Path(), std::make_unique<RecordingRefresh>());
    for (RecentFolder f : {RecentFolder::OpenDrawings, RecentFolder::Objects, RecentFolder::Images}) {
        settings.WriteString("RecentPaths", ProfileManager::FolderName(f), "Missing");
    }
    installed.profile.LoadFolders();
    EXPECT_EQ(installed.profile.DialogFolder(RecentFolder::Objects), program.Path() + "Objects");
    EXPECT_TRUE(std::filesystem::is_directory(program.Path() + "Objects"));
    // A stored folder that has gone gives way to the default one.
    installed.profile.SetFolder(RecentFolder::Images, program.Path() + "gone");
    EXPECT_EQ(installed.profile.DialogFolder(RecentFolder::Images), program.Path() + "Images");
    EXPECT_EQ(installed.profile.ObjectWriteFolder(), program.Path() + "Objects");
}

TEST_F(DocumentSafetyTest, ShowThroughSettingsTravelWithTheDrawingAndOldFilesKeepThePresentOnes) {
    NewDrawing();
    PaperManager& paper = workspace->paperManager;
    paper.ChooseBackgroundAmount(3);
    paper.ChoosePaintedAmount(4);
    paper.OnPanelCommand(PaperManager::kPaintedAmountCommand);
    ASSERT_TRUE(doc().SaveDrawingTo(Path("grain.ts.png")).Saved());
    // A file of an older writer: zeros in the paper adjustments.
    layer(ImageStackManager::kPaperIndex).paperAdjust = {0, 0, 0};
    PutLegacy("old.tsl");

    paper.ChooseBackgroundAmount(1);
    paper.ChoosePaintedAmount(0);
    paper.OnPanelCommand(PaperManager::kPaintedAmountCommand);
    ASSERT_TRUE(doc().OpenDrawing(Path("grain.ts.png"), false));
    EXPECT_EQ(workspace->compositor.paper.backgroundAmount, 3);
    EXPECT_EQ(workspace->compositor.paper.paintedAmount, 4);
    EXPECT_EQ(layer(ImageStackManager::kPaperIndex).paperTextureIndex, 0) << "the texture index as before";

    paper.ChooseBackgroundAmount(1);
    paper.ChoosePaintedAmount(2);
    paper.OnPanelCommand(PaperManager::kPaintedAmountCommand);
    ASSERT_TRUE(doc().OpenDrawing(Path("old.tsl"), false));
    EXPECT_EQ(workspace->compositor.paper.backgroundAmount, 1);
    EXPECT_EQ(workspace->compositor.paper.paintedAmount, 2);
}

TEST_F(DocumentSafetyTest, ADesignRotateThatCannotTurnOneLayerLeavesTheWholeDrawing) {
    NewDrawing("4", "3"); // 300 x 225
    LayerObject& l = AddLayer(40, 30, 100, 50);
    Paint(l, 10, 20, 0x00445566);
    // A turned row of this layer's two-byte buffer would be 80000 bytes: more than a row can hold.
    AddLayer(1, 40000, 7, 0, "Tall");
    const Rect bounds = l.bounds;
    const Page page = ops().CurrentPage();

    EXPECT_FALSE(ops().DesignRotate(90));
    EXPECT_EQ(stack().DrawingWidth(), 300);
    EXPECT_EQ(stack().DrawingHeight(), 225);
    EXPECT_EQ(l.bounds, bounds);
    EXPECT_EQ(l.offsetX, 100);
    EXPECT_EQ(stack().LayerWidth(l), 40);
    EXPECT_EQ(ColorAt(l, 10, 20), 0x00445566u);
    EXPECT_EQ(ops().CurrentPage().width, page.width);
    EXPECT_EQ(current().offsetX, 7);

    EXPECT_TRUE(ops().DesignRotate(180)) << "half a turn keeps the rows as wide as they were";
    EXPECT_EQ(ColorAt(l, 40 - 1 - 10, 30 - 1 - 20), 0x00445566u);
}

TEST_F(DocumentSafetyTest, LegacyFilesWithoutLayersAndLayerNamesFromLegacyFiles) {
    NewDrawing();
    PutBytes("empty.tsl", testing::StreamBuilder().Finish());
    EXPECT_FALSE(doc().OpenDrawing(Path("empty.tsl"), false));
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{kBlankTslCorrupt});
    EXPECT_EQ(stack().Count(), 3) << "the open drawing stays";

    ui.ClearMessages();
    EXPECT_FALSE(doc().OpenDrawing(Path("empty.tsl"), true));
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{kNotValidObject});

    PutLegacy("plan.tsl");
    ASSERT_TRUE(doc().OpenDrawing(Path("plan.tsl"), true));
    EXPECT_EQ(current().name, "plan");
}

} // namespace
} // namespace ts
