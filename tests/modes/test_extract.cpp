// Extraction from an imported picture: lines by threshold (thinned for line drawings), lighting and
// colour, into the picture's layer or a new one; and the imports of a named kind that lead into it.

#include "document/drawing_test_support.h"
#include "import/color_decomposition.h"
#include "modes/extract.h"
#include "platform/profile_settings.h"
#include "raster/color_spaces.h"
#include "render/line_renderer.h"
#include "workspace/gesture_script.h"

#include <gtest/gtest.h>

#include <string>

namespace ts {
namespace {

using testing::ByteAt;

class ExtractTest : public testing::DrawingTest {
protected:
    ExtractTest() {
        NewDrawing("4", "3");
        // A light-grey page with a dark stroke 5 pixels thick across and a faint one 1 pixel thick.
        Image24 sketch;
        sketch.Create(60, 40);
        for (int32_t y = 0; y < 40; ++y) {
            for (int32_t x = 0; x < 60; ++x) {
                uint32_t c = 0x00F8F8F8;
                if (y >= 10 && y < 15 && x >= 5 && x < 55) {
                    c = 0x00101010;
                } else if (y == 30 && x >= 5 && x < 55) {
                    c = 0x00A0A0A0;
                }
                sketch.SetColor(x, y, c);
            }
        }
        codec.Put(folder.Path() + "sketch.png", sketch);
    }
    Extract& extract() { return workspace->extract; }
    bool ImportSketch(int32_t base) {
        ui.QueueFile(folder.Path() + "sketch.png");
        return workspace->RunCommand(base + cmd::kFromImageFile);
    }
    // Pixels of the layer whose occupancy holds a line, in a row.
    int32_t LinePixels(const LayerObject& layer, int32_t row) {
        const SuperBitBuffer& occupancy = *layer.frame->drawingBuffer;
        std::vector<uint8_t> bytes(static_cast<size_t>(occupancy.Width()) * 2);
        occupancy.ReadRow(row, bytes.data());
        int32_t n = 0;
        for (size_t x = 0; x < bytes.size(); x += 2) {
            n += (bytes[x] | bytes[x + 1]) != 0 ? 1 : 0;
        }
        return n;
    }
    int32_t LinePixelsInColumn(const LayerObject& layer, int32_t column) {
        int32_t n = 0;
        for (int32_t y = 0; y < layer.frame->drawingBuffer->Height(); ++y) {
            std::vector<uint8_t> bytes(static_cast<size_t>(layer.frame->drawingBuffer->Width()) * 2);
            layer.frame->drawingBuffer->ReadRow(y, bytes.data());
            n += (bytes[2 * static_cast<size_t>(column)] | bytes[2 * static_cast<size_t>(column) + 1]) != 0;
        }
        return n;
    }
    TempFolder folder;
};

TEST_F(ExtractTest, ALinesImportEntersExtractWithThinLinesAndExplainsThem) {
    ASSERT_TRUE(ImportSketch(cmd::kImportLines));
    EXPECT_EQ(workspace->environmentManager.Current(), &extract());
    EXPECT_TRUE(extract().Option(Extract::kThin));
    EXPECT_EQ(workspace->statusPrompt.Current(), Extract::kImportPrompt);
    ASSERT_FALSE(ui.Messages().empty());
    EXPECT_EQ(ui.Messages().back().text, Extract::kLinesExplained);
    EXPECT_EQ(current().name, "sketch");
    // The 5-pixel stroke is one pixel thick now, and at 75 the faint stroke (luma 160 < 191) is in.
    EXPECT_EQ(LinePixelsInColumn(current(), 30), 2);
    EXPECT_GT(LinePixels(current(), 30), 40);
    EXPECT_EQ(undo().NewestUndo()->kind, UndoRedo::kLayerChanged);
    ASSERT_TRUE(current().lineArt);
    EXPECT_EQ(LineWidthOf(ByteAt(*current().lineArt->refreshWidth, 30, 12)),
              workspace->profile.Get(settings::kThinLineIndex));
}

TEST_F(ExtractTest, ATypeImportKeepsItsAreasOfLinePixelsAndAPhotoStaysAPicture) {
    ASSERT_TRUE(ImportSketch(cmd::kImportType));
    EXPECT_FALSE(extract().Option(Extract::kThin));
    EXPECT_EQ(ui.Messages().back().text, Extract::kLineArtExplained);
    EXPECT_EQ(LinePixelsInColumn(current(), 30), 6) << "the whole 5-pixel stroke and the faint line";

    ui.ClearMessages();
    ASSERT_TRUE(ImportSketch(cmd::kImportPhoto));
    EXPECT_NE(workspace->environmentManager.Current(), &extract());
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_EQ(refresh().reasons.back(), kImportImageRefresh);
    EXPECT_EQ(LinePixels(current(), 12), 0);
}

TEST_F(ExtractTest, AHigherThresholdPicksUpFainterLinesOnTheSlidersRelease) {
    ASSERT_TRUE(ImportSketch(cmd::kImportType));
    auto& slider = const_cast<SliderCtrl&>(
        dynamic_cast<const SliderCtrl&>(*extract().Panel().Find(Extract::kThreshold)));
    EXPECT_EQ(slider.Low(), 0);
    EXPECT_EQ(slider.High(), 100);
    slider.UserTrack(40);
    EXPECT_EQ(LinePixelsInColumn(current(), 30), 6) << "moving the slider does nothing";
    slider.UserSetPos(40);
    EXPECT_EQ(LinePixelsInColumn(current(), 30), 5) << "at 40 the faint stroke (luma 160) is left out";
    const auto* action = dynamic_cast<const CHuecraftButton*>(extract().Panel().Find(Extract::kAction));
    EXPECT_EQ(action->GetState(), CHuecraftButton::kNormal) << "the button is restored after the run";
    slider.UserSetPos(0);
    EXPECT_EQ(LinePixelsInColumn(current(), 30), 0);
    slider.UserSetPos(90);
    EXPECT_EQ(LinePixelsInColumn(current(), 30), 6);
    EXPECT_EQ(LinePixels(current(), 0), 0) << "paper (248) is above the limit at 90 (229)";
}

TEST_F(ExtractTest, LightingAloneGoesIntoANewExtractionLayerOverAWarmNeutralSurface) {
    ASSERT_TRUE(ImportSketch(cmd::kImportPhoto));
    const uint32_t pictureId = current().id;
    const int32_t layers = stack().Count();
    extract().SetOption(Extract::kLines, false);
    extract().SetOption(Extract::kLighting, true);
    ASSERT_TRUE(extract().RunExtraction());
    ASSERT_EQ(stack().Count(), layers + 1);
    EXPECT_EQ(current().name, Extract::kExtractionName);
    EXPECT_EQ(current().bounds, stack().Layer(stack().IndexOfId(pictureId))->bounds);
    EXPECT_EQ(undo().NewestUndo()->kind, UndoRedo::kLayerAdded);
    EXPECT_EQ(ByteAt(*current().color->red, 20, 20), 212);
    EXPECT_EQ(ByteAt(*current().color->green, 20, 20), 208);
    EXPECT_EQ(ByteAt(*current().color->blue, 20, 20), 200);
    EXPECT_EQ(ByteAt(*current().color->amount, 20, 20), 0);
    ASSERT_TRUE(current().shadow);
    EXPECT_LT(ByteAt(*current().shadow->lighting, 20, 12), 128) << "the dark stroke shades";
    EXPECT_GT(ByteAt(*current().shadow->lighting, 20, 12), 0);

    // Nothing ticked: nothing happens.
    extract().SetOption(Extract::kLighting, false);
    EXPECT_FALSE(extract().RunExtraction());
    EXPECT_EQ(stack().Count(), layers + 1);
}

TEST_F(ExtractTest, BasicColorsNeedAPictureAndGiveLightingWithOrWithoutColour) {
    workspace->RunCommand(cmd::kExtractLightingAndColor);
    EXPECT_EQ(workspace->statusPrompt.Current(), Extract::kNoPicture) << "the blank layer has no picture";
    EXPECT_FALSE(current().shadow && current().shadow->HasLighting());

    ASSERT_TRUE(ImportSketch(cmd::kImportPhoto));
    ASSERT_TRUE(workspace->RunCommand(cmd::kExtractLighting));
    ASSERT_TRUE(current().shadow);
    const int32_t level = ByteAt(*current().shadow->lighting, 20, 12);
    EXPECT_LT(level, 128);
    // Lighting only: the surface is the backdrop's colour at brightness 120 of 240, everywhere.
    auto surfaceAt = [&](int32_t x, int32_t y) {
        return MakeColor(ByteAt(*current().color->red, x, y), ByteAt(*current().color->green, x, y),
                         ByteAt(*current().color->blue, x, y));
    };
    EXPECT_NEAR(RgbToHsb(surfaceAt(20, 12)).b, 120, 1);
    EXPECT_EQ(surfaceAt(20, 12), surfaceAt(2, 2));
    EXPECT_EQ(undo().NewestUndo()->kind, UndoRedo::kLayerChanged);
    ASSERT_TRUE(workspace->RunCommand(cmd::kExtractLightingAndColor));
    // The dark stroke's colour, lit by its level, shows the stroke's grey again.
    const int32_t surface = ByteAt(*current().color->red, 20, 12);
    const int32_t o = 2 * (128 - ByteAt(*current().shadow->lighting, 20, 12));
    EXPECT_NEAR(surface * (255 - o) / 255, 0x10, 2);
}

TEST_F(ExtractTest, LeavingHidesAllEightControlsAndAScreenCaptureNeedsTheScreen) {
    ASSERT_TRUE(workspace->RunCommand(cmd::kExtract));
    EXPECT_EQ(workspace->statusPrompt.Current(), Extract::kPrompt);
    int32_t shown = 0;
    for (int32_t id = Extract::kTitleButton; id <= Extract::kThin; ++id) {
        shown += extract().Panel().Find(id)->IsVisible() ? 1 : 0;
    }
    EXPECT_EQ(shown, 8);
    workspace->environmentManager.ReturnToSelect();
    for (int32_t id = Extract::kTitleButton; id <= Extract::kThin; ++id) {
        EXPECT_FALSE(extract().Panel().Find(id)->IsVisible()) << id;
    }

    const int32_t layers = stack().Count();
    EXPECT_TRUE(workspace->RunCommand(cmd::kImportLines + cmd::kFromScreenCapture));
    EXPECT_EQ(stack().Count(), layers) << "no screen to capture headless";
    workspace->captureScreen = [](Image24& grab) { return grab.Create(30, 20); };
    EXPECT_TRUE(workspace->RunCommand(cmd::kImportPhoto + cmd::kFromScreenCapture));
    EXPECT_EQ(current().name, "Screen Capture");
    EXPECT_EQ(current().image->Width(), 30);
}

TEST_F(ExtractTest, AScriptImportsLinesAndDrivesTheExtractionByCaptionAndId) {
    GestureScript script(*workspace);
    std::string error;
    ASSERT_TRUE(script.Run("file " + folder.Path() +
                               "sketch.png\n"
                               "command Sketch Frame/Import An Image/Lines/From Image File\n"
                               "panel Threshold 40\n",
                           error))
        << error;
    EXPECT_EQ(current().name, "sketch");
    EXPECT_EQ(LinePixelsInColumn(current(), 30), 1) << "the thick stroke thinned, the faint one left out";
    ASSERT_TRUE(script.Run("command Extract\npanel Lighting\npanel 102\n", error)) << error;
    ASSERT_TRUE(current().shadow);
    EXPECT_LT(ByteAt(*current().shadow->lighting, 30, 12), 128)
        << "lines and lighting in the picture's layer";
    EXPECT_EQ(current().name, "sketch");
}

} // namespace
} // namespace ts
