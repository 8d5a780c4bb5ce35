// File > Preferences...: the dialog opens with the stored values; OK stores every value, Cancel none.

#include "document/drawing_test_support.h"
#include "workspace/gesture_script.h"

#include <gtest/gtest.h>

#include <string>

namespace ts {
namespace {

class PreferencesCommand : public testing::DrawingTest {
protected:
    std::string Text(const char* name) {
        std::string out;
        settings.ReadString("Settings", name, out);
        return out;
    }
    int32_t Int(const char* name) {
        int32_t out = -1;
        settings.ReadInt("Settings", name, out);
        return out;
    }
};

TEST_F(PreferencesCommand, AnEmptyStoreOpensOn36By24InchesAt400DpiWithTheDrawingsPaperColour) {
    EXPECT_TRUE(workspace->commands.Enabled(cmd::kPreferences));
    EXPECT_EQ(workspace->commands.Find(cmd::kPreferences)->menu, "File");
    ui.QueuePreferencesCancel();
    EXPECT_TRUE(workspace->RunCommand(cmd::kPreferences));
    ASSERT_EQ(ui.PreferenceDialogs().size(), 1u);
    const PreferencesRequest& shown = ui.PreferenceDialogs()[0];
    EXPECT_EQ(shown.values.paperWidth, "36.0");
    EXPECT_EQ(shown.values.paperHeight, "24.0");
    EXPECT_EQ(shown.values.resolution, "400");
    EXPECT_EQ(shown.values.thinLineIndex, 3);
    // Without a drawing there is no paper colour to take.
    EXPECT_FALSE(shown.drawingPaperColor.has_value());
    NewDrawing();
    workspace->RunCommand(cmd::kPreferences);
    ASSERT_EQ(ui.PreferenceDialogs().size(), 2u);
    ASSERT_TRUE(ui.PreferenceDialogs()[1].drawingPaperColor.has_value());
    EXPECT_EQ(*ui.PreferenceDialogs()[1].drawingPaperColor, workspace->paperManager.BoardColor());
}

TEST_F(PreferencesCommand, OkStoresEveryValueAndNewDrawingsAndLayersFollow) {
    ui.QueuePreferences({{"ScaleDrawingPaperWidth", "4"},
                         {"ScaleDrawingPaperHeight", "3"},
                         {"Resolution", "300"},
                         {"PaperWidth", "17"},
                         {"NudgeStrength", "6"}});
    EXPECT_TRUE(workspace->EditPreferences());
    EXPECT_EQ(Text("ScaleDrawingPaperWidth"), "4");
    EXPECT_EQ(Int("Resolution"), 300);
    EXPECT_EQ(Int("NudgeStrength"), 6);
    // The values left as they were are stored as well.
    EXPECT_EQ(Text("PaperHeight"), "24.0");
    EXPECT_EQ(Int("ThinLineIndex"), 3);
    EXPECT_EQ(Int("ThumbSize"), 0);
    EXPECT_EQ(Int("EnableMetric"), 0);
    EXPECT_EQ(Int("PaperColor"), 0x00EBEBEB);
    EXPECT_GE(settings.Syncs(), 1);
    // A new drawing takes the new paper: 4 x 3 inches at 300 page pixels an inch, a quarter of that.
    ASSERT_TRUE(ops().NewDrawing());
    EXPECT_EQ(stack().DrawingWidth(), 300);
    EXPECT_EQ(stack().DrawingHeight(), 225);
    // A layer made now takes the new scan-print paper and resolution for its scale.
    EXPECT_DOUBLE_EQ(current().scale[kResolution], 300.0);
    EXPECT_DOUBLE_EQ(current().scale[kPaperWidth], 17.0);
}

TEST_F(PreferencesCommand, CancelAndRefusedValuesStoreNothing) {
    // The first opening seeds the missing values (the store's read rule); after that nothing may move.
    ui.QueuePreferencesCancel();
    workspace->EditPreferences();
    const int32_t writes = settings.Writes();
    ui.QueuePreferencesCancel();
    EXPECT_FALSE(workspace->EditPreferences());
    // An empty queue cancels as well.
    EXPECT_FALSE(workspace->EditPreferences());
    EXPECT_EQ(settings.Writes(), writes);
    // OK with a value that cannot be stored: the program says so and stores none of them.
    ui.QueuePreferences({{"Resolution", "350"}, {"PaperWidth", "."}});
    EXPECT_FALSE(workspace->EditPreferences());
    EXPECT_EQ(settings.Writes(), writes);
    EXPECT_EQ(Int("Resolution"), 400);
    EXPECT_EQ(ui.LastMessageText(), "Scan-Print Paper: the width is a number of inches from 0.1 to 400.");
}

TEST_F(PreferencesCommand, ScriptsAnswerTheDialogByTheSettingsNames) {
    NewDrawing();
    GestureScript script(*workspace);
    std::string error;
    ASSERT_TRUE(script.Run("preferences ThumbSize=2 EnableMetric=1 PaperColor=0x336699\n"
                           "command Preferences...\n"
                           "preferences cancel\n"
                           "command Preferences...\n",
                           error))
        << error;
    EXPECT_EQ(Int("ThumbSize"), 2);
    EXPECT_EQ(Int("EnableMetric"), 1);
    EXPECT_EQ(Int("PaperColor"), 0x336699);
    EXPECT_EQ(ui.PreferenceDialogs().size(), 2u);
    EXPECT_FALSE(script.Run("preferences JpegQuality=80\n", error));
    EXPECT_NE(error.find("line 1"), std::string::npos);
    EXPECT_FALSE(script.Run("preferences ThinLineIndex=40\n", error));
}

} // namespace
} // namespace ts
