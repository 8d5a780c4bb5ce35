// A drawing keeps its backdrop: every kind comes back when it is opened again, the splash pictures from
// the program folder and a custom texture from the drawing itself.

#include "document/drawing_test_support.h"
#include "files/tsl_file.h"
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

TEST_F(SplashBackdrop, EveryKindComesBackWithTheDrawing) {
    NewDrawing();
    Image24 texture;
    texture.Create(6, 4);
    for (int32_t y = 0; y < 4; ++y) {
        for (int32_t x = 0; x < 6; ++x) {
            texture.SetColor(x, y, 0x00204060u + static_cast<uint32_t>(x * 8 + y * 16));
        }
    }
    const std::string path = folder.Path() + "backdrop.ts.png";
    for (int32_t kind : {0, 1, 2, 5, 8, 10, 11, 12, 13, 14, 15, 16}) {
        ViewManager& view = workspace->viewManager;
        if (kind == Backdrop::kCustomColor) {
            view.SetCustomBackdropColor(0x00123456);
        } else if (kind == Backdrop::kCustomTexture) {
            view.SetCustomBackdrop(texture, 0x00405060);
        } else {
            if (kind >= Backdrop::kSplashSmall && kind <= Backdrop::kSplashLarge) {
                static constexpr const char* kSplash[] = {"SplashS.tsl", "SplashM.tsl", "SplashL.tsl"};
                Image24 splash;
                ASSERT_TRUE(CTslFile::ReadImageTsl(
                    BuiltProgramFolder() + kSplash[kind - Backdrop::kSplashSmall], splash));
                view.SetSplash(std::move(splash));
            }
            view.SetBackdropKind(kind);
        }
        const Backdrop saved = view.BackdropState();
        ASSERT_TRUE(workspace->drawingDocument.SaveDrawingTo(path).Saved()) << kind;

        // Opened where the splash pictures are, by a program whose backdrop is the system colour.
        Workspace other(ui, settings, codec, BuiltProgramFolder(), std::make_unique<RecordingRefresh>());
        ASSERT_TRUE(other.drawingDocument.OpenDrawing(path, false)) << kind;
        const Backdrop& back = other.viewManager.BackdropState();
        EXPECT_EQ(back.kind, kind);
        if (kind == Backdrop::kCustomColor || kind == Backdrop::kCustomTexture) {
            EXPECT_EQ(back.color, saved.color) << kind;
        }
        EXPECT_EQ(other.viewManager.BackdropBuffer().Textured(), view.BackdropBuffer().Textured()) << kind;
    }
    // The custom texture itself travelled: the reopened backdrop shows the same tinted picture.
    Workspace other(ui, settings, codec, BuiltProgramFolder(), std::make_unique<RecordingRefresh>());
    ASSERT_TRUE(other.drawingDocument.OpenDrawing(path, false));
    EXPECT_EQ(other.viewManager.CustomBackdropTexture().Pixels(), texture.Pixels());
    EXPECT_EQ(other.viewManager.BackdropBuffer().Picture().Pixels(),
              workspace->viewManager.BackdropBuffer().Picture().Pixels());
}

} // namespace
} // namespace ts
