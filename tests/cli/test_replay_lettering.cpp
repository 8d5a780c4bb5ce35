// tintsmith-cli replay with lettering: the lettering tool's click and typed keys, saved in the drawing,
// with no display to draw on.
#include "cli/cli_run.h"
#include "files/drawing_reader.h"
#include "files/drawing_samples.h"
#include "files/drawing_writer.h"
#include "model/layer_test_support.h"
#include "platform/headless_user_interface.h"
#include "platform/temp_folder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace ts {
namespace {

TEST(ReplayLettering, TypedTextIsSavedAsTheLinesOfACaptionLayer) {
    ImageStackManager stack;
    testing::AddBoardLayers(stack, 160, 120);
    testing::AddDrawingLayer(stack, 120, 80, 10, 10, "Blank Layer");
    Image24 picture;
    picture.Create(160, 120);
    TempFolder folder;
    const std::string drawing = folder.Path() + "plan.ts.png";
    const std::string out = folder.Path() + "out.ts.png";
    ASSERT_TRUE(WriteDrawingFile(drawing, stack, StreamWriteOptions{}, picture).Saved());
    const std::string script = folder.Path() + "letters.txt";
    const std::string text = "tool TextTool\npanel Size 6\ncolor 0x0000FF\npress 20 30\nrelease 20 30\n"
                             "type Plan: A-1 (\"north\")\n";
    std::FILE* file = std::fopen(script.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);

    // Fonts need a GUI application; it must start offscreen without a display.
    unsetenv("DISPLAY");
    const testing::CliRun run = testing::RunCli("replay " + drawing + " " + script + " " + out);
    ASSERT_EQ(run.exitCode, 0) << run.out;
    HeadlessUserInterface ui;
    LoadedDrawing loaded;
    ASSERT_TRUE(ReadDrawingFile(ui, out, false, loaded));
    ASSERT_EQ(loaded.layers.size(), 4u);
    LayerObject& caption = *loaded.layers[3].layer;
    ImageStackManager decoder;
    decoder.UnpackProperties(caption, 3); // the name and offsets travel in the property block
    EXPECT_EQ(caption.name, "Caption");
    EXPECT_EQ(caption.offsetX, 20);
    EXPECT_EQ(caption.offsetY, 30);
    ASSERT_TRUE(caption.lineArt && caption.lineArt->colorList);
    EXPECT_TRUE(caption.lineArt->HasLines());
    const LineColor* color = caption.lineArt->colorList->Slot(0);
    ASSERT_NE(color, nullptr);
    EXPECT_EQ(static_cast<uint32_t>(color->color), 0x0000FFu);
}

} // namespace
} // namespace ts
