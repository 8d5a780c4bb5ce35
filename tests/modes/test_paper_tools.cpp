// The paper mode's pointer tools and its texture display switch, driven as the replay scripts drive them.

#include "model/bmap.h"
#include "modes/painting_test_support.h"

#include <gtest/gtest.h>

namespace ts {
namespace {

using testing::Paint;

constexpr uint32_t kSand = 0x00306090;
constexpr uint32_t kSlate = 0x00905030;

class PaperTools : public testing::PaintingTest {
protected:
    // A layer at 40, 30 painted sand over drawing columns 50..59 and slate over 60..79, rows 40..59.
    void PaintTwoColours() {
        LayerObject& layer = PaintLayer();
        for (int32_t y = 10; y < 30; ++y) {
            for (int32_t x = 10; x < 40; ++x) {
                Paint(layer, x, y, x < 20 ? kSand : kSlate);
            }
        }
    }
    PaperManager& paper() { return workspace->paperManager; }
    uint32_t BoardAverage() {
        return AverageColor(stack().Layer(ImageStackManager::kPaperIndex)->image->pixels);
    }
};

TEST_F(PaperTools, TheDropperDraggedOverTheDrawingMakesWhatItCrossesTheBoardColour) {
    PaintTwoColours();
    const uint32_t before = BoardAverage();
    const int32_t records = undo().UndoCount();
    Gesture("tool BoardDropper\n");
    EXPECT_EQ(env().Current(), &paper());
    EXPECT_EQ(workspace->statusPrompt.Current(), PaperManager::kDropperPrompt);
    Gesture("press 52 45\nmove 54 45\nrelease 54 45\n");
    EXPECT_EQ(paper().BoardColor(), kSand);
    EXPECT_EQ(BoardAverage(), kSand);
    EXPECT_EQ(undo().UndoCount(), records + 1);
    ASSERT_TRUE(workspace->RunCommand(cmd::kUndo));
    EXPECT_EQ(BoardAverage(), before);

    // Across both colours the board takes their average.
    Gesture("tool BoardDropper\npress 55 45\nmove 70 45\nrelease 70 45\n");
    EXPECT_EQ(BoardAverage(), 0x00605860u);
}

TEST_F(PaperTools, TheWandProtectsAColourFromTheDropperUntilClickedAgain) {
    PaintTwoColours();
    Gesture("tool BoardWand\n");
    EXPECT_EQ(workspace->statusPrompt.Current(), PaperManager::kWandPrompt);
    Gesture("press 70 45\nrelease 70 45\n");
    ASSERT_EQ(paper().ProtectedColors().size(), 1u);
    EXPECT_EQ(paper().ProtectedColors()[0], kSlate);

    Gesture("tool BoardDropper\npress 55 45\nmove 70 45\nmove 75 50\nrelease 75 50\n");
    EXPECT_EQ(BoardAverage(), kSand) << "the slate crossed by the drag is left out";
    const int32_t records = undo().UndoCount();
    Gesture("press 70 45\nrelease 70 45\n");
    EXPECT_EQ(undo().UndoCount(), records) << "only protected colours: the board stays";

    Gesture("tool BoardWand\npress 72 48\nrelease 72 48\n");
    EXPECT_TRUE(paper().ProtectedColors().empty());
}

TEST_F(PaperTools, ThePanelPicksTheToolsAndSwitchesTheTextureDisplay) {
    ASSERT_TRUE(workspace->RunCommand(cmd::kPageBackground));
    Gesture("panel 105\n");
    EXPECT_EQ(workspace->toolSlot.CurrentTool(), &workspace->boardWand);
    Gesture("panel 104\n");
    EXPECT_EQ(workspace->toolSlot.CurrentTool(), &workspace->boardDropper);
    EXPECT_EQ(env().Current(), &paper());

    refresh().reasons.clear();
    Gesture("panel 106\n");
    EXPECT_TRUE(workspace->compositor.paper.textureOneToOne);
    EXPECT_EQ(workspace->statusPrompt.Current(), PaperManager::kTextureDisplayPrompt);
    EXPECT_TRUE(Reasons("R_OnViewtexture"));
    // The View menu's "Texture 1:1" is the same switch, and the box follows it.
    refresh().reasons.clear();
    ASSERT_TRUE(workspace->RunCommand(cmd::kTextureOneToOne));
    EXPECT_FALSE(workspace->compositor.paper.textureOneToOne);
    EXPECT_TRUE(Reasons("R_OnViewtexture"));
    const auto* box = dynamic_cast<const CheckBox*>(paper().Panel().Find(PaperManager::kTextureDisplayBox));
    ASSERT_NE(box, nullptr);
    EXPECT_FALSE(box->GetCheck());
}

} // namespace
} // namespace ts
