// The dropper: its options and what a click picks, over a headless workspace.

#include "modes/painting_test_support.h"
#include "render/line_test_support.h"

#include <gtest/gtest.h>

namespace ts {
namespace {

using testing::Paint;

class Dropper : public testing::PaintingTest {
protected:
    DropperManager& dropper() { return workspace->dropperManager; }
    bool Pressed(int32_t id) {
        const auto* button = dynamic_cast<const CHuecraftButton*>(dropper().Panel().Find(id));
        return button && button->GetState() == CHuecraftButton::kPressed;
    }
};

TEST_F(Dropper, TheOptionFollowsTheModeTheUserCameFromAndOneIsOn) {
    PaintLayer();
    const std::pair<const char*, int32_t> cases[] = {
        {"PointTool", DropperManager::kLines},
        {"ShadowPaintTool", DropperManager::kLighting},
        {"SurfacePaintTool", DropperManager::kColor},
        {"SelectTool", DropperManager::kColor},
    };
    for (const auto& [tool, option] : cases) {
        Gesture(std::string("tool ") + tool + "\ntool DropperTool\n");
        ASSERT_EQ(env().Current(), &dropper()) << tool;
        EXPECT_EQ(dropper().Option(), option) << tool;
        EXPECT_TRUE(Pressed(option)) << tool;
    }
    Gesture("panel 103\n");
    EXPECT_EQ(dropper().Option(), DropperManager::kLighting);
    EXPECT_TRUE(Pressed(DropperManager::kLighting));
    EXPECT_FALSE(Pressed(DropperManager::kColor) || Pressed(DropperManager::kLines));
}

TEST_F(Dropper, AColourClickPicksThePaintedLayerUnderItAndItsColour) {
    LayerObject& lower = PaintLayer(120, 80, 40, 30);
    for (int32_t y = 10; y < 30; ++y) {
        for (int32_t x = 10; x < 30; ++x) {
            Paint(lower, x, y, 0x000000C0);
        }
    }
    LayerObject& upper = PaintLayer(120, 80, 40, 30);
    Paint(upper, 100, 70, 0x00C00000); // far from the click
    Gesture("tool SurfacePaintTool\ntool DropperTool\nsize 5\npress 60 50\nrelease 60 50\n");
    EXPECT_EQ(stack().CurrentLayer(), &lower);
    EXPECT_EQ(workspace->Palettes().GetCurrentColor() & 0xFFFFFF, 0x000000C0u);
    // Nothing painted under the brush: the status bar says so, the layer stays.
    Gesture("press 400 300\nrelease 400 300\n");
    EXPECT_EQ(stack().CurrentLayer(), &lower);
    EXPECT_EQ(workspace->statusPrompt.Current(), DropperManager::kNoColorHere);
}

TEST_F(Dropper, TheLinesOptionSamplesTheLineColourAsTheLineModeDoes) {
    LayerObject& lines = PaintLayer(120, 80, 40, 30);
    ASSERT_TRUE(EnsureLineArt(lines));
    const int slot = lines.lineArt->colorList->FindOrAdd(LineColor{0x0033AA55, 255});
    testing::DrawLine(lines, {testing::LevelLine(5, 100, 20)},
                      {3, kLineSolid, 0, static_cast<uint8_t>(slot)});
    PaintLayer(120, 80, 40, 30); // an upper layer without lines, current
    Gesture("tool PointTool\ntool DropperTool\nsize 7\npress 70 51\nrelease 70 51\n");
    ASSERT_EQ(dropper().Option(), DropperManager::kLines);
    EXPECT_EQ(stack().CurrentLayer(), &lines);
    EXPECT_EQ(workspace->Palettes().GetCurrentColor() & 0xFFFFFF, 0x0033AA55u);
    // On a drawing whose layers hold no lines the line mode's message comes.
    lines.lineArt.reset();
    lines.frame->drawingBuffer->Clear();
    Gesture("press 70 51\nrelease 70 51\n");
    EXPECT_EQ(ui.LastMessageText(), LineManager::kNoLines);
}

TEST_F(Dropper, TheLightingOptionPicksTheShadedLayerOrSaysThereIsNone) {
    LayerObject& lit = PaintLayer(); // at 40, 30
    PaintLayer();
    Gesture("tool ShadowPaintTool\ntool DropperTool\npress 60 50\nrelease 60 50\n");
    EXPECT_EQ(ui.LastMessageText(), ShadowManager::kNoShadows);
    lit.shadow = std::make_unique<ObjectShadow>();
    lit.shadow->Create(120, 80);
    testing::SetByte(*lit.shadow->lighting, 20, 20, 70);
    Gesture("press 60 50\nrelease 60 50\n");
    EXPECT_EQ(stack().CurrentLayer(), &lit);
    EXPECT_EQ(shadows().Level(), 70);
}

} // namespace
} // namespace ts
