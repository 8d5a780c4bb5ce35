// The panels of the paper and custom backdrop modes, clicked as the control bar's widgets would.

#include "document/drawing_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ts {
namespace {

class RecordingBar final : public ControlParent {
public:
    void OnControlCommand(int32_t id, CControl& /*from*/) override { ids.push_back(id); }
    std::vector<int32_t> ids;
};

class PaperPanels : public testing::DrawingTest {
protected:
    PaperPanels() {
        NewDrawing("1", "1");
        workspace->environmentManager.SetControlBar(&bar);
    }
    EnvironmentManager& env() { return workspace->environmentManager; }
    template <class C> C& Control(const Env& mode, int32_t id) {
        auto* c = dynamic_cast<C*>(mode.Panel().Find(id));
        if (!c) {
            throw std::runtime_error("no control " + std::to_string(id));
        }
        return *c;
    }
    RecordingBar bar;
};

TEST_F(PaperPanels, ThePaperPanelIsBuiltOnceShownWhileCurrentAndRunsItsCommands) {
    PaperManager& paper = workspace->paperManager;
    EXPECT_FALSE(paper.PanelCreated());
    env().EnterMode(&paper, PaperManager::kTitle, PaperManager::kPrompt);
    EXPECT_EQ(ui.StatusPane(0), "Select paper from palette, adjust show-thru.");
    ASSERT_EQ(paper.Panel().Controls().size(), 7u);
    auto& texture = Control<ComboBox>(paper, PaperManager::kPaperCommand);
    auto& painted = Control<ComboBox>(paper, PaperManager::kPaintedAmountCommand);
    EXPECT_EQ(texture.Rectangle(), (Rect{112, 37, 275, 57}));
    EXPECT_EQ(Control<ComboBox>(paper, PaperManager::kBackgroundAmountCommand).Rectangle(),
              (Rect{300, 37, 493, 57}));
    EXPECT_EQ(painted.Rectangle(), (Rect{510, 37, 675, 57}));
    EXPECT_EQ(texture.Items().size(), 27u);
    EXPECT_EQ(texture.Items().back(), "None");
    EXPECT_EQ(painted.GetSelectedText(), "-50%");
    EXPECT_TRUE(texture.IsVisible());

    painted.UserSelect(4);
    EXPECT_EQ(workspace->compositor.paper.paintedAmount, 4);
    EXPECT_EQ(refresh().reasons.back(), "R_PaperManager");

    // The "Background" button has no owner: its command goes to the control bar.
    Control<CHuecraftButton>(paper, PaperManager::kBackgroundCommand).UserClick();
    EXPECT_EQ(bar.ids, (std::vector<int32_t>{PaperManager::kBackgroundCommand}));

    // Choosing a texture in code shows in the list; an unreadable one leaves the board as it was.
    paper.ChooseTexture(7);
    EXPECT_EQ(texture.GetCurSel(), 7);
    texture.UserSelect(7);
    EXPECT_EQ(paper.TextureIndex(), 0);

    env().ReturnToSelect();
    EXPECT_FALSE(texture.IsVisible());
    env().EnterMode(&paper, PaperManager::kTitle, PaperManager::kPrompt);
    EXPECT_EQ(&Control<ComboBox>(paper, PaperManager::kPaperCommand), &texture) << "kept between visits";
    EXPECT_TRUE(texture.IsVisible());
    EXPECT_EQ(painted.GetCurSel(), 4);
}

TEST_F(PaperPanels, TheScreenGrainShowsOnlyInThePaperAndSelectModes) {
    EXPECT_TRUE(workspace->viewManager.ScreenGrain()) << "the select mode";
    CCustomBackdropManager& custom = workspace->customBackdropManager;
    env().EnterMode(&custom, CCustomBackdropManager::kTitle, CCustomBackdropManager::kPrompt);
    EXPECT_FALSE(workspace->viewManager.ScreenGrain());
    env().EnterMode(&workspace->paperManager, PaperManager::kTitle, PaperManager::kPrompt);
    EXPECT_TRUE(workspace->viewManager.ScreenGrain());
}

TEST_F(PaperPanels, TheCustomBackdropPanelTakesThePaletteColourOrItsComplement) {
    CCustomBackdropManager& custom = workspace->customBackdropManager;
    custom.SetPaletteColorSource([] { return 0x00A09F90u; });
    env().EnterMode(&custom, CCustomBackdropManager::kTitle, CCustomBackdropManager::kPrompt);
    auto& complement = Control<CheckBox>(custom, CCustomBackdropManager::kColorCommand);
    complement.UserClick();
    EXPECT_TRUE(custom.complement);
    EXPECT_EQ(workspace->viewManager.BackdropState().color, 0x005F606Fu);
    env().OnPaletteColorChanged();
    EXPECT_EQ(workspace->viewManager.BackdropState().color, 0x005F606Fu);
    complement.UserClick();
    EXPECT_EQ(workspace->viewManager.BackdropState().color, 0x00A09F90u);

    codec.Put(std::string(testing::kProgramFolder) + "Textures/Board/PaperFlannel1.jpg", Image24{});
    auto& texture = Control<ComboBox>(custom, CCustomBackdropManager::kTextureCommand);
    EXPECT_EQ(texture.Items().size(), 6u);
    texture.UserSelect(4);
    EXPECT_EQ(custom.TextureItem(), 0) << "an unreadable texture is refused";
    EXPECT_NE(ui.LastMessageText().find("PaperFlannel1.jpg"), std::string::npos);
}

} // namespace
} // namespace ts
