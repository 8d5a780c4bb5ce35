// The View menu's unit commands over the units manager.

#include "document/drawing_test_support.h"

#include <gtest/gtest.h>

namespace ts {
namespace {

class UnitCommands : public testing::DrawingTest {};

// A mode that counts the unit notices it gets.
class UnitsListener final : public EnvEffect {
public:
    UnitsListener() : EnvEffect(99) {}
    void OnUnitsChanged() override { ++notices; }
    int notices = 0;
};

TEST_F(UnitCommands, EachSetsItsUnitShowsTheCheckAndTellsTheCurrentMode) {
    UnitsListener mode;
    workspace->environmentManager.EnterMode(&mode, "Listener", "");
    const char* prompts[] = {"Display distances in inches.",      "Display distances in feet.",
                             "Display distances in millimeters.", "Display distances in centimeters.",
                             "Display distances in meters.",      "Display distances in pixels."};
    for (int32_t code = 0; code <= 5; ++code) {
        const Command* c = workspace->commands.Find(cmd::kUnitInches + code);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->menu, "View/Units");
        EXPECT_EQ(c->prompt, prompts[code]);
    }
    EXPECT_TRUE(workspace->commands.Checked(cmd::kUnitInches));
    workspace->commands.Run(cmd::kUnitInches + 2);
    EXPECT_EQ(mode.notices, 1);
    EXPECT_TRUE(workspace->unitsManager.IsUnit(UnitsManager::kMillimeters));
    EXPECT_EQ(workspace->unitsManager.FormatDistance(1.0), " 25.4");
    for (int32_t code = 0; code <= 5; ++code) {
        EXPECT_EQ(workspace->commands.Checked(cmd::kUnitInches + code), code == 2) << code;
    }
    workspace->commands.Run(cmd::kUnitInches + 5);
    EXPECT_TRUE(workspace->commands.Checked(cmd::kUnitInches + 5));
    EXPECT_EQ(mode.notices, 2);
}

TEST_F(UnitCommands, TheUnitsMenuByteEnablesThemAll) {
    workspace->unitsManager.EnableUnitsMenu(false);
    for (int32_t code = 0; code <= 5; ++code) {
        EXPECT_FALSE(workspace->commands.Enabled(cmd::kUnitInches + code));
    }
    EXPECT_FALSE(workspace->RunCommand(cmd::kUnitInches + 1));
    EXPECT_TRUE(workspace->unitsManager.IsUnit(UnitsManager::kInches));
    workspace->unitsManager.EnableUnitsMenu(true);
    EXPECT_TRUE(workspace->RunCommand(cmd::kUnitInches + 1));
    EXPECT_TRUE(workspace->unitsManager.IsUnit(UnitsManager::kFeet));
}

} // namespace
} // namespace ts
