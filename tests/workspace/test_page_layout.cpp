// Page > Layout: the page the drawing lies on, shown in pixels and inches, and laid out anew by Update.

#include "document/drawing_test_support.h"
#include "workspace/gesture_script.h"

#include <gtest/gtest.h>

#include <string>

namespace ts {
namespace {

class PageLayout : public testing::DrawingTest {
protected:
    PageManager& mode() { return workspace->pageManager; }
    EditBox& edit(int32_t id) { return *dynamic_cast<EditBox*>(mode().Panel().Find(id)); }
    std::string text(int32_t id) { return edit(id).GetText(); }
    // Types into an edit as the user does: the edit keeps what it accepts and tells the mode.
    void type(int32_t id, const std::string& value) { edit(id).UserEdit(value); }
    void click(int32_t id) { dynamic_cast<CHuecraftButton*>(mode().Panel().Find(id))->UserClick(); }
    void enter() { ASSERT_TRUE(workspace->RunCommand(cmd::kPageLayout)); }
    int CountReason(const std::string& reason) {
        int n = 0;
        for (const std::string& r : refresh().reasons) {
            n += r == reason ? 1 : 0;
        }
        return n;
    }
};

TEST_F(PageLayout, TheLayoutItemOfThePageMenuEntersTheModeOnceThereIsADrawing) {
    const Command* c = workspace->commands.Find(cmd::kPageLayout);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->menu, "Page");
    EXPECT_EQ(c->text, "Layout");
    EXPECT_FALSE(workspace->commands.Enabled(cmd::kPageLayout));
    NewDrawing();
    enter();
    EXPECT_EQ(workspace->environmentManager.Current(), &mode());
    EXPECT_EQ(mode().GetModeId(), 58);
    EXPECT_EQ(ui.StatusPane(0), "Check Page Size.");
    for (const char* caption : {"Page Layout", "W x H Inches", "W x H Pixels", "DPI", "Update", "Reset"}) {
        bool found = false;
        for (const auto& control : mode().Panel().Controls()) {
            found = found || (control->Caption() == caption && control->IsVisible());
        }
        EXPECT_TRUE(found) << caption;
    }
    workspace->environmentManager.ReturnToSelect();
    EXPECT_FALSE(edit(PageManager::kPixelsWidth).IsVisible());
}

TEST_F(PageLayout, UpdateWith14400By10800GivesA3600By2700DrawingOf48By36Inches) {
    NewDrawing();
    enter();
    LayerObject& blank = current();
    const Rect before = blank.bounds;
    type(PageManager::kPixelsWidth, "14400");
    type(PageManager::kPixelsHeight, "10800");
    EXPECT_EQ(text(PageManager::kInchesWidth), "48");
    EXPECT_EQ(text(PageManager::kInchesHeight), "36");
    click(PageManager::kUpdateButton);
    EXPECT_EQ(stack().DrawingWidth(), 3600);
    EXPECT_EQ(stack().DrawingHeight(), 2700);
    EXPECT_EQ(ops().CurrentPage().width, 14400);
    EXPECT_EQ(ops().CurrentPage().height, 10800);
    EXPECT_EQ(workspace->viewManager.ViewBuffer().Width(), 3600);
    EXPECT_EQ(CountReason("Page Size"), 1);
    // The layers keep their place and size; only the page around them changed.
    EXPECT_EQ(blank.bounds, before);
    EXPECT_EQ(workspace->profile.Layouts(), "14400 10800 300");
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(PageLayout, AScriptTypesThePageAndUpdates) {
    NewDrawing();
    GestureScript script(*workspace);
    std::string error;
    ASSERT_TRUE(script.Run("command Page/Layout\n"
                           "panel \"W x H Inches\" 12\n"
                           "panel 105 10800\n"
                           "panel Update\n",
                           error))
        << error;
    EXPECT_EQ(stack().DrawingWidth(), 900);
    EXPECT_EQ(stack().DrawingHeight(), 2700);
}

TEST_F(PageLayout, EnteringShowsThePageTheDrawingLiesOnSoAnUntouchedUpdateChangesNothing) {
    NewDrawing("4", "3");
    enter();
    EXPECT_EQ(text(PageManager::kPixelsWidth), "1200");
    EXPECT_EQ(text(PageManager::kPixelsHeight), "900");
    EXPECT_EQ(text(PageManager::kInchesWidth), "4");
    EXPECT_EQ(text(PageManager::kInchesHeight), "3");
    EXPECT_EQ(text(PageManager::kDotsPerInch), "300");
    click(PageManager::kUpdateButton);
    EXPECT_EQ(stack().DrawingWidth(), 300);
    EXPECT_EQ(stack().DrawingHeight(), 225);
    EXPECT_EQ(CountReason("Page Size"), 0);
    // A drawing whose page record differs from it (opened from a file) shows the page it lies on.
    stack().SetDrawingSize(500, 400);
    workspace->environmentManager.ReturnToSelect();
    enter();
    EXPECT_EQ(text(PageManager::kPixelsWidth), "2000");
    EXPECT_EQ(text(PageManager::kPixelsHeight), "1600");
    click(PageManager::kUpdateButton);
    EXPECT_EQ(stack().DrawingWidth(), 500);
    EXPECT_EQ(stack().DrawingHeight(), 400);
    EXPECT_EQ(CountReason("Page Size"), 0);
}

TEST_F(PageLayout, PixelValuesThatAreNoPageChangeNothing) {
    NewDrawing("4", "3");
    enter();
    // Text that arrives without the typing filter (a paste, a script) is read strictly too.
    for (const char* bad : {"0", "-5", "abc", "", "12x", "3", "131076", "99999999999"}) {
        ui.ClearMessages();
        edit(PageManager::kPixelsWidth).SetText(bad);
        EXPECT_FALSE(mode().Update()) << bad;
        EXPECT_EQ(stack().DrawingWidth(), 300) << bad;
        EXPECT_EQ(stack().DrawingHeight(), 225) << bad;
        EXPECT_EQ(ops().CurrentPage().width, 1200) << bad;
        EXPECT_EQ(ui.LastMessageText(), PageManager::kRefused) << bad;
    }
    EXPECT_EQ(CountReason("Page Size"), 0);
    EXPECT_EQ(workspace->profile.Layouts(), "");
    // The largest drawing a file holds is 32768 pixels a side.
    edit(PageManager::kPixelsWidth).SetText("131072");
    EXPECT_TRUE(mode().Update());
    EXPECT_EQ(stack().DrawingWidth(), 32768);
}

TEST_F(PageLayout, InchesSetThePixelsAndTheDpiOnlyChangesHowPixelsReadAsInches) {
    NewDrawing("4", "3");
    enter();
    type(PageManager::kInchesWidth, "24.5");
    EXPECT_EQ(text(PageManager::kPixelsWidth), "7350");
    type(PageManager::kDotsPerInch, "600");
    EXPECT_EQ(text(PageManager::kPixelsWidth), "7350");
    EXPECT_EQ(text(PageManager::kInchesWidth), "12.25");
    EXPECT_EQ(text(PageManager::kInchesHeight), "1.5");
    type(PageManager::kInchesHeight, "2");
    EXPECT_EQ(text(PageManager::kPixelsHeight), "1200");
    // Nothing changed the drawing before Update; Reset drops what was typed, keeping the dpi.
    EXPECT_EQ(stack().DrawingWidth(), 300);
    click(PageManager::kResetButton);
    EXPECT_EQ(text(PageManager::kPixelsWidth), "1200");
    EXPECT_EQ(text(PageManager::kInchesWidth), "2");
    EXPECT_EQ(text(PageManager::kDotsPerInch), "600");
    // A dpi of 0 is not taken: the inches stay as they were.
    type(PageManager::kDotsPerInch, "0");
    EXPECT_EQ(mode().DotsPerInch(), 600);
    EXPECT_EQ(text(PageManager::kInchesWidth), "2");
}

TEST_F(PageLayout, TheLastLayoutsDpiOpensTheBarInALaterSession) {
    workspace->profile.SetLayouts("7200 5400 600");
    NewDrawing("4", "3");
    enter();
    EXPECT_EQ(text(PageManager::kDotsPerInch), "600");
    EXPECT_EQ(text(PageManager::kInchesWidth), "2");
    // A value that does not read as a layout leaves the start dpi.
    auto other = std::make_unique<Workspace>(ui, settings, codec, testing::kProgramFolder);
    other->profile.SetLayouts("wide 0 0");
    ASSERT_TRUE(other->layerOperations.NewDrawing());
    ASSERT_TRUE(other->RunCommand(cmd::kPageLayout));
    EXPECT_EQ(other->pageManager.DotsPerInch(), 300);
}

} // namespace
} // namespace ts
