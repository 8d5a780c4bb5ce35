// The painting modes as the frame reaches them: tool commands, the quick switch, the single-stroke
// undo and gesture scripts.

#include "document/drawing_test_support.h"
#include "interact/virtual_keys.h"
#include "raster/color_spaces.h"
#include "workspace/gesture_script.h"

#include <gtest/gtest.h>

#include <string>

namespace ts {
namespace {

class PaintingCommands : public testing::DrawingTest {
protected:
    PaintingCommands() : script(*workspace) {
        NewDrawing("4", "3");
        EXPECT_TRUE(script.PrepareView());
    }
    Env* Mode() { return workspace->environmentManager.Current(); }
    const std::string& Prompt() { return workspace->statusPrompt.Current(); }
    ScreenTool* Tool() { return workspace->toolSlot.CurrentTool(); }
    std::string Error(const std::string& text) {
        std::string error;
        EXPECT_FALSE(script.Run(text, error)) << text;
        return error;
    }

    GestureScript script;
};

TEST_F(PaintingCommands, ToolCommandsPickTheirToolsAndEnterTheirModes) {
    Workspace& w = *workspace;
    struct Case {
        int32_t command;
        Env* mode;
        ScreenTool* tool;
        const char* prompt;
    };
    const Case cases[] = {
        {cmd::kSurfaceTool, &w.surfaceManager, &w.surfacePaintTool, "Paint on color."},
        {cmd::kBoardEraserTool, &w.surfaceManager, &w.boardEraser, "Erase Board ShowThru."},
        {cmd::kLightingTool, &w.shadowManager, &w.shadowPaintTool, "Paint On Lighting."},
        {cmd::kShadowEraserTool, &w.shadowManager, &w.shadowEraser, "Erase Shadows"},
        {cmd::kEraserTool, &w.eraserManager, &w.eraserTool,
         "Use the Eraser to remove unwanted portions of the sketch."},
        {cmd::kSurfaceHueTool, &w.surfaceManager, &w.surfaceHueTool, "Paint on color."},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(w.RunCommand(c.command)) << c.command;
        EXPECT_EQ(Mode(), c.mode) << c.command;
        EXPECT_EQ(Tool(), c.tool) << c.command;
        EXPECT_EQ(Prompt(), c.prompt) << c.command;
    }
    EXPECT_EQ(w.shadowManager.CurrentTool(), ShadowManager::Tool::kErase) << "told of the shadow eraser";
    ASSERT_TRUE(w.RunCommand(cmd::kLightingColor));
    EXPECT_EQ(Mode(), &w.lightingSet);
    EXPECT_EQ(Prompt(), "Setup the layer lighting colors.");
    EXPECT_EQ(w.lightingSet.GetModeId(), Env::kLightingSetId);
}

TEST_F(PaintingCommands, WithoutADrawingLayerThereIsNothingToPaint) {
    stack().SetCurrent(ImageStackManager::kPaperIndex);
    for (int32_t id : {cmd::kSurfaceTool, cmd::kLightingTool, cmd::kEraserTool, cmd::kLightingColor}) {
        EXPECT_FALSE(workspace->commands.Enabled(id)) << id;
    }
    EXPECT_FALSE(workspace->commands.Enabled(cmd::kUndoStroke));
}

TEST_F(PaintingCommands, SpaceLeavesThePaintingModeAndComesBackToItsTool) {
    ASSERT_TRUE(workspace->RunCommand(cmd::kLightingTool));
    workspace->viewInput.OnKeyDown(keys::kSpace, 1, 0);
    EXPECT_EQ(Mode(), &workspace->selectManager);
    workspace->viewInput.OnKeyDown(keys::kSpace, 1, 0);
    EXPECT_EQ(Mode(), &workspace->shadowManager);
    EXPECT_EQ(Tool(), &workspace->shadowPaintTool);

    ASSERT_TRUE(workspace->RunCommand(cmd::kSurfaceTool));
    workspace->viewInput.OnKeyDown(keys::kSpace, 1, 0);
    workspace->viewInput.OnKeyDown(keys::kSpace, 1, 0);
    EXPECT_EQ(Mode(), &workspace->surfaceManager);
    EXPECT_EQ(Tool(), &workspace->surfacePaintTool);
}

TEST_F(PaintingCommands, ScriptsRunCommandsByIdTextOrMenuPath) {
    std::string error;
    EXPECT_TRUE(script.Run("command 32934\n", error)) << error;
    EXPECT_EQ(Mode(), &workspace->surfaceManager);
    EXPECT_TRUE(script.Run("command Layer/Lighting Color\n", error)) << error;
    EXPECT_EQ(Mode(), &workspace->lightingSet);
    EXPECT_TRUE(script.Run("  # a comment\n\ncommand eraser   # trailing comment\r\n", error)) << error;
    EXPECT_EQ(Mode(), &workspace->eraserManager);
    EXPECT_TRUE(
        script.Run("size 9\npress 100 100\nrelease 100 100\ncommand Undo the last brush stroke\n", error))
        << error;
    EXPECT_FALSE(workspace->commands.Enabled(cmd::kUndoStroke));
}

TEST_F(PaintingCommands, ABadScriptLineIsNamedWithItsNumber) {
    EXPECT_EQ(Error("tool SurfacePaintTool\nwiggle 1 2\n"), "line 2: unknown command 'wiggle'");
    EXPECT_EQ(Error("press 10\n"), "line 1: press needs a point X Y in drawing pixels");
    EXPECT_EQ(Error("press 10 ten\n"), "line 1: press needs a point X Y in drawing pixels");
    EXPECT_EQ(Error("press 10 10 alt\n"), "line 1: unknown word 'alt'");
    EXPECT_EQ(Error("press 99999999999 1\n"), "line 1: press needs a point X Y in drawing pixels");
    EXPECT_EQ(Error("tool Hammer\n"), "line 1: no tool 'Hammer'");
    EXPECT_EQ(Error("color 0x1000000\n"), "line 1: color needs a colour 0xBBGGRR");
    EXPECT_EQ(Error("tool SelectTool\nsize 9\n"), "line 2: the current tool has no brush");
    EXPECT_EQ(Error("layer 1\n"), "line 1: layer needs the stack index of a drawing layer (2 to 2)");
    EXPECT_EQ(Error("zoom 5\n"), "line 1: zoom 5 is not a zoom of the view");
    EXPECT_EQ(Error("command No Such Thing\n"), "line 1: no command 'No Such Thing'");
    EXPECT_EQ(Error("key\n"), "line 1: key needs a virtual-key code or a character");
    EXPECT_EQ(Error("panel 110\n"), "line 1: the current mode has no control 110");
}

TEST_F(PaintingCommands, ZoomScalesTheBrushFootprint) {
    LayerObject& layer = current();
    std::string error;
    ASSERT_TRUE(script.Run("tool SurfacePaintTool\nsize 5\nzoom -2\npress 100 100\nrelease 100 100\n", error))
        << error;
    // Shrunk to half, a brush of 5 view pixels covers about 10 drawing pixels.
    EXPECT_EQ(testing::AmountAt(layer, 100 - layer.offsetX + 4, 100 - layer.offsetY), 255);
    EXPECT_EQ(testing::AmountAt(layer, 100 - layer.offsetX + 8, 100 - layer.offsetY), 0);
}

TEST_F(PaintingCommands, TheBrushOutlineShowsTheFootprintHeldAtSmallViews) {
    std::string error;
    ASSERT_TRUE(
        script.Run("tool SurfacePaintTool\nzoom -4\nsize 2000\npress 100 100\nrelease 100 100\n", error))
        << error;
    // 2000 view pixels at a quarter would be 8000 drawing pixels; the stroke is held to 251 x 4.
    const int32_t painted = workspace->brush.Side() - 2;
    EXPECT_EQ(painted, 1005);
    EXPECT_EQ(workspace->brushOutline.Diameter(), 251) << "the outline on the screen is what is painted";
}

TEST_F(PaintingCommands, ShowSelectedLayerOnlyFollowsTheSelection) {
    LayerObject& lower = current();
    testing::Paint(lower, 10, 10, 0x000000FF);
    LayerObject& upper = AddLayer(20, 20, 0, 0);
    testing::Paint(upper, 5, 5, 0x00FF0000);
    const int32_t lowerX = lower.offsetX + 10;
    const int32_t lowerY = lower.offsetY + 10;
    auto shown = [this](int32_t x, int32_t y) {
        uint8_t bgr[3] = {0, 0, 0};
        workspace->compositor.CompositeRow(y, x, 1, bgr, nullptr, nullptr, nullptr);
        return MakeColor(bgr[2], bgr[1], bgr[0]);
    };
    ASSERT_TRUE(workspace->RunCommand(cmd::kShowSelectedOnly));
    EXPECT_EQ(shown(5, 5), 0x00FF0000u);
    EXPECT_NE(shown(lowerX, lowerY), 0x000000FFu) << "the lower layer is not shown";
    workspace->layerOperations.SelectDown();
    EXPECT_EQ(shown(lowerX, lowerY), 0x000000FFu) << "the newly selected layer is shown";
    EXPECT_NE(shown(5, 5), 0x00FF0000u);
    EXPECT_FALSE(upper.hidden);
    ASSERT_TRUE(workspace->RunCommand(cmd::kShowSelectedOnly));
    EXPECT_EQ(shown(5, 5), 0x00FF0000u);
    EXPECT_EQ(shown(lowerX, lowerY), 0x000000FFu);
}

} // namespace
} // namespace ts
