// Drawings that keep a splash picture as their backdrop get it back from the program folder.

#include "document/drawing_test_support.h"
#include "platform/temp_folder.h"
#include "render/backdrop.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace ts {
namespace {

// The folder of this test program, where the build puts the program's data files.
std::string BuiltProgramFolder() {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path().string() + "/";
}

class SplashBackdrop : public testing::DrawingTest {
protected:
    SplashBackdrop() { setenv("XDG_DATA_HOME", data.Path().c_str(), 1); }

    // Saves the drawing with a splash backdrop kept in it and opens it in a workspace whose program
    // folder is the one given; answers the backdrop kind it shows (a splash only once its picture
    // was read).
    int32_t ReopenedKind(const std::string& programFolder) {
        NewDrawing();
        workspace->viewManager.SetBackdropKind(Backdrop::kSplashMedium);
        const std::string path = folder.Path() + "splash.ts.png";
        EXPECT_TRUE(workspace->drawingDocument.SaveDrawingTo(path).Saved());
        Workspace other(ui, settings, codec, programFolder, std::make_unique<RecordingRefresh>());
        EXPECT_TRUE(other.drawingDocument.OpenDrawing(path, false));
        return other.viewManager.BackdropState().kind;
    }

    TempFolder data;
    TempFolder folder;
};

TEST_F(SplashBackdrop, ComesBackFromTheProgramFolderOrLeavesTheBackdropAsItWas) {
    EXPECT_EQ(ReopenedKind(BuiltProgramFolder()), Backdrop::kSplashMedium);
    EXPECT_EQ(ReopenedKind(folder.Path() + "nowhere/"), Backdrop::kSystem);
}

} // namespace
} // namespace ts
