// tintsmith-cli replay: gesture scripts run on a drawing file, end to end through the tool.
#include "cli/cli_run.h"
#include "files/drawing_reader.h"
#include "files/drawing_samples.h"
#include "files/drawing_writer.h"
#include "import/png_test_files.h"
#include "model/layer_test_support.h"
#include "platform/headless_user_interface.h"
#include "platform/temp_folder.h"
#include "workspace/command_table.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <vector>

namespace ts {
namespace {

using ReplayRun = testing::CliRun;

ReplayRun Replay(const std::string& arguments) {
    return testing::RunCli("replay " + arguments);
}

class ReplayTest : public ::testing::Test {
protected:
    ReplayTest() {
        testing::AddBoardLayers(stack, 80, 60);
        testing::AddDrawingLayer(stack, 60, 40, 10, 10, "Blank Layer");
        Image24 picture;
        picture.Create(80, 60);
        drawing = folder.Path() + "plan.ts.png";
        EXPECT_TRUE(WriteDrawingFile(drawing, stack, StreamWriteOptions{}, picture).Saved());
        out = folder.Path() + "out.ts.png";
    }

    std::string Script(const std::string& text) {
        const std::string path = folder.Path() + "gestures.txt";
        std::FILE* file = std::fopen(path.c_str(), "wb");
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
        return path;
    }

    ImageStackManager stack;
    TempFolder folder;
    std::string drawing;
    std::string out;
};

TEST_F(ReplayTest, AStrokeOfTheScriptIsSavedInTheDrawing) {
    const ReplayRun run = Replay(drawing + " " +
                                 Script("# one red stroke across the layer\n"
                                        "tool SurfacePaintTool\ncolor 0x0000FF\nsize 5\n"
                                        "press 20 30\nmove 40 30\nmove 60 31\nrelease 60 31\n") +
                                 " " + out);
    ASSERT_EQ(run.exitCode, 0) << run.out;
    HeadlessUserInterface ui;
    LoadedDrawing loaded;
    ASSERT_TRUE(ReadDrawingFile(ui, out, false, loaded));
    ASSERT_EQ(loaded.layers.size(), 3u);
    const LayerObject& layer = *loaded.layers[2].layer;
    ASSERT_TRUE(layer.color);
    for (int32_t x = 10; x <= 50; ++x) {
        ASSERT_EQ(testing::AmountAt(layer, x, 20), 255) << x;
        ASSERT_EQ(testing::ColorAt(layer, x, 20), 0x0000FFu) << x;
    }
    EXPECT_EQ(testing::AmountAt(layer, 30, 35), 0);
}

TEST_F(ReplayTest, TwoClicksOfTheOffsetShadowToolCastAShadowLayerUnderTheStroke) {
    const ReplayRun run = Replay(drawing + " " +
                                 Script("tool SurfacePaintTool\ncolor 0x0000FF\nsize 5\n"
                                        "press 20 30\nmove 60 30\nrelease 60 30\n"
                                        "color 0x204060\ntool OffsetShadowTool\n"
                                        "press 30 30\nrelease 30 30\nmove 33 32\npress 34 33\nrelease 34 33\n"
                                        "panel Blur 0\npanel Opacity 100\n") +
                                 " " + out);
    ASSERT_EQ(run.exitCode, 0) << run.out;
    HeadlessUserInterface ui;
    LoadedDrawing loaded;
    ASSERT_TRUE(ReadDrawingFile(ui, out, false, loaded));
    ASSERT_EQ(loaded.layers.size(), 4u);
    const LayerObject& shadow = *loaded.layers[2].layer;
    ASSERT_TRUE(shadow.color);
    EXPECT_EQ(testing::ColorAt(*loaded.layers[3].layer, 30, 20), 0x0000FFu); // the stroke, above it
    // Unblurred at full opacity, the stroke's middle moved by (4, 3) lies under full shadow in the
    // shadow's colour.
    const int32_t x = 40 + 4 - shadow.offsetX;
    const int32_t y = 30 + 3 - shadow.offsetY;
    EXPECT_EQ(testing::AmountAt(shadow, x, y), 255);
    EXPECT_EQ(testing::ColorAt(shadow, x, y), 0x204060u);
    EXPECT_EQ(testing::AmountAt(shadow, x, y + 12), 0);
}

TEST_F(ReplayTest, ALayerCalibratedByTheScriptKeepsItsScaleInTheFile) {
    // Ten feet between two clicks 60 pixels apart (240 fine units), then a metric scale on the layer.
    const ReplayRun run = Replay(drawing + " " +
                                 Script("layer 2\ncommand Measure\ntext 10'\npanel Calibrate\n"
                                        "press 10 20\nrelease 10 20\npress 70 20\nrelease 70 20\n"
                                        "panel Units meter\npanel Scale 3:1\n") +
                                 " " + out);
    ASSERT_EQ(run.exitCode, 0) << run.out;
    // The drawing layer keeps fine units per metre and the scale, as the file's floats hold them.
    const testing::CliRun info = testing::RunCli("info " + out + " --json");
    ASSERT_EQ(info.exitCode, 0) << info.out;
    EXPECT_NE(info.out.find("\"name\":\"Blank Layer\""), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("\"scale\":0.333330005,\"calibration\":78.7401581"), std::string::npos)
        << info.out;
}

TEST_F(ReplayTest, LayerEffectsRunFromTheLayerMenuAndTheirPanels) {
    // Red paint turned by a sixth of the hue circle comes out yellow; the lighting gradient adds its
    // layer of lighting alone at the bottom.
    const ReplayRun run = Replay(drawing + " " +
                                 Script("tool SurfacePaintTool\ncolor 0x0000FF\nsize 5\n"
                                        "press 20 30\nmove 40 30\nrelease 40 30\n"
                                        "command Color Adust\npanel Hue 90\n"
                                        "command Lighting Gradient\npanel \"Bottom Value\" 0\n") +
                                 " " + out);
    ASSERT_EQ(run.exitCode, 0) << run.out;
    HeadlessUserInterface ui;
    LoadedDrawing loaded;
    ASSERT_TRUE(ReadDrawingFile(ui, out, false, loaded));
    ASSERT_EQ(loaded.layers.size(), 4u);
    const LayerObject& gradient = *loaded.layers[2].layer;
    ASSERT_TRUE(gradient.shadow && gradient.color);
    EXPECT_FALSE(gradient.color->HasPaint());
    EXPECT_TRUE(gradient.shadow->HasLighting());
    const LayerObject& layer = *loaded.layers[3].layer;
    EXPECT_EQ(testing::AmountAt(layer, 20, 20), 255);
    EXPECT_EQ(testing::ColorAt(layer, 20, 20), 0x00FFFFu);
}

TEST_F(ReplayTest, ABadScriptIsRefusedWithItsLineAndNothingIsWritten) {
    const ReplayRun run =
        Replay(drawing + " " + Script("tool SurfacePaintTool\npress 1 2\nscribble\n") + " " + out);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.out.find("line 3: unknown command 'scribble'"), std::string::npos) << run.out;
    EXPECT_EQ(std::fopen(out.c_str(), "rb"), nullptr);
}

TEST_F(ReplayTest, MissingFilesAndWrongArgumentsAreRefused) {
    EXPECT_EQ(Replay(drawing + " " + folder.Path() + "none.txt " + out).exitCode, 1);
    EXPECT_EQ(Replay(folder.Path() + "none.ts.png " + Script("") + " " + out).exitCode, 1);
    EXPECT_EQ(Replay(drawing).exitCode, 2);
}

TEST_F(ReplayTest, TheProgramsMessagesArePassedOn) {
    const ReplayRun run = Replay(
        drawing + " " + Script("tool ShadowPaintTool\npanel 155\npress 30 30\nrelease 30 30\n") + " " + out);
    EXPECT_EQ(run.exitCode, 0) << run.out;
    EXPECT_NE(run.out.find("No shadows found."), std::string::npos) << run.out;
}

TEST_F(ReplayTest, TheScriptAnswersTheFileDialogOfItsCommands) {
    // A stroke, then Save As into a folder path with blanks: the copy holds the stroke as well.
    const std::string copy = folder.Path() + "copy of plan.ts.png";
    const ReplayRun run = Replay(drawing + " " +
                                 Script("tool SurfacePaintTool\ncolor 0x00FF00\nsize 5\npress 30 30\n"
                                        "release 30 30\nfile " +
                                        copy + "\ncommand File/Save As\n") +
                                 " " + out);
    ASSERT_EQ(run.exitCode, 0) << run.out;
    for (const std::string& path : {out, copy}) {
        HeadlessUserInterface ui;
        LoadedDrawing loaded;
        ASSERT_TRUE(ReadDrawingFile(ui, path, false, loaded)) << path;
        ASSERT_EQ(loaded.layers.size(), 3u) << path;
        EXPECT_EQ(testing::ColorAt(*loaded.layers[2].layer, 20, 20), 0x00FF00u) << path;
    }
}

TEST_F(ReplayTest, APolylineRestyledDashedIsSavedWithItsGaps) {
    // Three clicks and a double click in the layer (drawing 10..70 x 10..50), then "Style", "Dashed",
    // "All".
    const ReplayRun run = Replay(drawing + " " +
                                 Script("tool PointTool\npress 12 20\nrelease 12 20\nmove 60 20\n"
                                        "press 60 20\nrelease 60 20\npress 60 40\nrelease 60 40\n"
                                        "dblclick 15 40\npanel 126\npanel 102 Dashed\npanel 131\n") +
                                 " " + out);
    ASSERT_EQ(run.exitCode, 0) << run.out;
    HeadlessUserInterface ui;
    LoadedDrawing loaded;
    ASSERT_TRUE(ReadDrawingFile(ui, out, false, loaded));
    ASSERT_EQ(loaded.layers.size(), 3u);
    const LayerObject& layer = *loaded.layers[2].layer;
    ASSERT_TRUE(layer.lineArt && layer.frame);
    // Along the level top segment (layer row 10) the pixels are dashed: inked runs with gaps between.
    int32_t inked = 0;
    int32_t gaps = 0;
    int32_t runs = 0;
    bool wasGap = true;
    for (int32_t x = 4; x <= 48; ++x) {
        ASSERT_NE(testing::MaskAt(*layer.frame->drawingBuffer, x, 10), 0) << x;
        const uint8_t style = testing::ByteAt(*layer.lineArt->lineAppearanceIndex, x, 10);
        EXPECT_EQ(style & 0x7F, 4) << x; // Dashed
        const bool gap = (style & 0x80) != 0;
        (gap ? gaps : inked) += 1;
        runs += wasGap && !gap;
        wasGap = gap;
    }
    EXPECT_GT(inked, 10);
    EXPECT_GT(gaps, 10);
    EXPECT_GE(runs, 3);
}

TEST_F(ReplayTest, PaintLiftedIntoItsOwnLayerIsBrushedBackWithTheMergeBrush) {
    // A red dab lifted off the layer into "Lifted"; then, with "Lifted" as the source, the merge brush
    // brings it back into the emptied layer.
    const ReplayRun run =
        Replay(drawing + " " +
               Script("tool SurfacePaintTool\ncolor 0x0000FF\nsize 9\npress 30 30\nrelease 30 30\n"
                      "command Lift\nsize 15\npress 30 30\nrelease 30 30\ntool SelectTool\n"
                      "layer 3\ncommand Brush-on Merge\npanel Source\nlayer 2\nsize 5\n"
                      "press 30 30\nrelease 30 30\n") +
               " " + out);
    ASSERT_EQ(run.exitCode, 0) << run.out;
    HeadlessUserInterface ui;
    LoadedDrawing loaded;
    ASSERT_TRUE(ReadDrawingFile(ui, out, false, loaded));
    ASSERT_EQ(loaded.layers.size(), 4u);
    const LayerObject& layer = *loaded.layers[2].layer;
    const LayerObject& lifted = *loaded.layers[3].layer;
    EXPECT_LT(lifted.bounds.Width(), 20) << "cut down to the dab";
    EXPECT_EQ(testing::AmountAt(lifted, 30 - lifted.offsetX, 30 - lifted.offsetY), 255);
    EXPECT_EQ(testing::AmountAt(layer, 20, 20), 255) << "brushed back";
    EXPECT_EQ(testing::ColorAt(layer, 20, 20), 0x0000FFu);
    EXPECT_EQ(testing::AmountAt(layer, 20, 24), 0) << "lifted, beyond the merge brush";
}

} // namespace
} // namespace ts

namespace ts {
namespace {

// The scan verb feeds the next scan: a picture file arrives as the scanned layer, a failed scan only
// says so.
TEST_F(ReplayTest, ScansOfTheScriptArriveAsLayersAndAFailureAddsNothing) {
    const std::string picture = folder.Path() + "sheet.png";
    std::vector<uint8_t> rgb(size_t(40) * 30 * 3, 200);
    ASSERT_TRUE(testing::WriteRgb(picture, 40, 30, rgb));
    const ReplayRun run = Replay(
        drawing + " " +
        Script("scan " + picture + "\ncommand " + std::to_string(cmd::kImportPhoto + cmd::kAcquire300Color) +
               "\nscan fail\ncommand " + std::to_string(cmd::kImportLines + cmd::kAcquire300Color) + "\n") +
        " " + out);
    if (run.exitCode != 0 && run.out.find("cannot be read") != std::string::npos) {
        GTEST_SKIP() << "this build has no image codecs";
    }
    ASSERT_EQ(run.exitCode, 0) << run.out;
    EXPECT_NE(run.out.find("Unable to scan."), std::string::npos) << run.out;
    const ReplayRun info = testing::RunCli("info " + out + " --json");
    ASSERT_EQ(info.exitCode, 0) << info.out;
    const size_t scanned = info.out.find("\"name\":\"Scanned Image\"");
    ASSERT_NE(scanned, std::string::npos) << info.out;
    EXPECT_NE(info.out.find("\"width\":40,\"height\":30", scanned), std::string::npos) << info.out;
    EXPECT_EQ(info.out.find("Blank Layer"), std::string::npos) << "the empty Blank Layer made way";
}

} // namespace
} // namespace ts
