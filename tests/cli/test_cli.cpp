// Runs tintsmith-cli on drawings made here and checks its output, its files and its exit codes.
#include "cli/cli_run.h"
#include "files/drawing_png.h"
#include "files/drawing_samples.h"
#include "files/drawing_writer.h"
#include "files/stream_block.h"
#include "measure/layer_scale.h"
#include "platform/temp_folder.h"
#include "render/line_test_support.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <png.h>

#include <string>
#include <tuple>
#include <vector>

namespace ts {
namespace {

using testing::CliRun;

CliRun Cli(const std::string& arguments) {
    return testing::RunCli(arguments);
}

class CliTest : public ::testing::Test {
protected:
    CliTest() {
        testing::AddBoardLayers(stack, 30, 20);
        testing::AddFullLayer(stack, 10).name = "Ink \"A\"";
        Image24 picture;
        picture.Create(30, 20);
        drawing = folder.Path() + "plan.ts.png";
        EXPECT_TRUE(WriteDrawingFile(drawing, stack, StreamWriteOptions{}, picture).Saved());
        legacy = folder.Path() + "plan.tsl";
        const std::vector<uint8_t> stream = testing::StreamOf(stack);
        std::FILE* file = std::fopen(legacy.c_str(), "wb");
        std::fwrite(stream.data(), 1, stream.size(), file);
        std::fclose(file);
    }

    std::string Put(const char* name, const std::string& bytes) {
        const std::string path = folder.Path() + name;
        std::FILE* file = std::fopen(path.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
        return path;
    }

    ImageStackManager stack;
    TempFolder folder;
    std::string drawing;
    std::string legacy;
};

TEST_F(CliTest, InfoTellsTheColoursStylesAndWidthsOfLines) {
    LayerObject& layer = testing::AddDrawingLayer(stack, 30, 20, 0, 0, "Blank Layer");
    ASSERT_TRUE(EnsureLineArt(layer));
    layer.lineArt->colorList->FindOrAdd(LineColor{0x00000000, 255});
    layer.lineArt->colorList->FindOrAdd(LineColor{0x00FF8000, 255});
    testing::DrawLine(layer, {testing::LevelLine(2, 27, 10)}, {1, kLineDashed, 0, 1});
    Image24 picture;
    picture.Create(30, 20);
    const std::string path = folder.Path() + "dashes.ts.png";
    ASSERT_TRUE(WriteDrawingFile(path, stack, StreamWriteOptions{}, picture).Saved());
    const CliRun json = Cli("info " + path + " --json");
    ASSERT_EQ(json.exitCode, 0) << json.out;
    // 26 centre pixels dashed 4 on, 3 off from the right end: three whole cycles and 4 + 1 more, 10 in gaps.
    EXPECT_NE(json.out.find("\"styles\":[{\"style\":\"Dashed\",\"pixels\":26}],\"gapPixels\":10,"
                            "\"widths\":[{\"width\":1,\"pixels\":26}]"),
              std::string::npos)
        << json.out;
    EXPECT_NE(json.out.find("{\"index\":1,\"color\":\"#0080FF\",\"opacity\":255,\"pixels\":"),
              std::string::npos)
        << json.out;
    EXPECT_EQ(json.out.find("\"#000000\""), std::string::npos) << "the unused colour is not listed";
}

TEST_F(CliTest, InfoListsEveryLayerWithItsParts) {
    const CliRun json = Cli("info " + drawing + " --json");
    ASSERT_EQ(json.exitCode, 0) << json.out;
    EXPECT_EQ(json.out.rfind("{\"version\": 200, \"layers\": [{\"index\":0,\"name\":\"Backdrop\",", 0), 0u)
        << json.out;
    EXPECT_NE(json.out.find(
                  "\"name\":\"Ink \\\"A\\\"\",\"caption\":\"every part\",\"id\":3,\"width\":23,\"height\":11,"
                  "\"offsetX\":5,\"offsetY\":4,\"bounds\":[5,4,28,15],"
                  "\"parts\":[\"image\",\"colour\",\"shadows\",\"lines\",\"frame\",\"extra\"],"
                  "\"scale\":0,\"calibration\":0,\"lines\":{"),
              std::string::npos)
        << json.out;
    EXPECT_NE(json.out.find("\"lines\":{\"colors\":[{\"index\":1,\"color\":\"#FF0000\",\"opacity\":128,"
                            "\"pixels\":1}],\"styles\":[{\"style\":\"Solid\",\"pixels\":1}],\"gapPixels\":0,"
                            "\"widths\":[{\"width\":1,\"pixels\":1}]}"),
              std::string::npos)
        << json.out;
    const CliRun text = Cli("info " + legacy);
    ASSERT_EQ(text.exitCode, 0) << text.out;
    EXPECT_NE(text.out.find("layer 1 name \"Paper\""), std::string::npos) << text.out;
}

TEST_F(CliTest, InfoGivesEachLayersScaleAndCalibration) {
    LayerObject& ink = *stack.Layer(stack.Count() - 1);
    ink.scale[kScaleFactorSetting] = 48.0;
    ink.scale[kCalibrationSetting] = 11811.0234375; // stored as a float, so exactly this
    Image24 picture;
    picture.Create(30, 20);
    const std::string scaled = folder.Path() + "scaled.ts.png";
    ASSERT_TRUE(WriteDrawingFile(scaled, stack, StreamWriteOptions{}, picture).Saved());
    const CliRun json = Cli("info " + scaled + " --json");
    ASSERT_EQ(json.exitCode, 0) << json.out;
    EXPECT_NE(json.out.find("\"scale\":48,\"calibration\":11811.0234,"), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"name\":\"Paper\""), std::string::npos);
    EXPECT_NE(json.out.find("\"scale\":0,\"calibration\":0}"), std::string::npos) << "the paper has none";
}

TEST_F(CliTest, CheckTellsValidDrawingsFromEverythingElse) {
    EXPECT_EQ(Cli("check " + drawing).exitCode, 0);
    EXPECT_EQ(Cli("check " + legacy).exitCode, 0);
    const CliRun text = Cli("check " + Put("notes.png", "not a picture at all"));
    EXPECT_EQ(text.exitCode, 1);
    EXPECT_EQ(text.out, "tintsmith-cli: The drawing file exists, but it's corrupt.\n");
    const CliRun truncated = Cli("check " + Put("cut.tsl", std::string(40, '\xC9')));
    EXPECT_EQ(truncated.exitCode, 1);
    EXPECT_EQ(truncated.out, "tintsmith-cli: The file is not a valid drawing file.\n");
    EXPECT_EQ(Cli("check " + folder.Path() + "plan.gif").out,
              "tintsmith-cli: file extension must be .png or .tsl\n");
    EXPECT_EQ(Cli("check " + folder.Path() + "missing.png").exitCode, 1);
}

TEST_F(CliTest, RenderWritesTheFlattenedDrawingAtFullOrHalfSize) {
    const std::string full = folder.Path() + "full.png";
    const std::string half = folder.Path() + "half.png";
    ASSERT_EQ(Cli("render " + drawing + " " + full).exitCode, 0);
    ASSERT_EQ(Cli("render " + drawing + " " + half + " --half").exitCode, 0);
    for (const auto& [path, width, height] : {std::tuple{full, 30u, 20u}, std::tuple{half, 15u, 10u}}) {
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str())) << path;
        EXPECT_EQ(image.width, width);
        EXPECT_EQ(image.height, height);
        png_image_free(&image);
        std::vector<uint8_t> chunk;
        std::FILE* file = std::fopen(path.c_str(), "rb");
        EXPECT_EQ(ReadDrawingChunk(file, chunk), ChunkStatus::kNoChunk) << "a picture, not a drawing";
        std::fclose(file);
    }
}

// Pixels of a PNG picture as 0x00BBGGRR colours, row after row.
std::vector<uint32_t> ReadPicture(const std::string& path, uint32_t& width, uint32_t& height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        return {};
    }
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> bytes(PNG_IMAGE_SIZE(image));
    png_image_finish_read(&image, nullptr, bytes.data(), 0, nullptr);
    width = image.width;
    height = image.height;
    std::vector<uint32_t> pixels(bytes.size() / 3);
    for (size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = bytes[i * 3] | uint32_t{bytes[i * 3 + 1]} << 8 | uint32_t{bytes[i * 3 + 2]} << 16;
    }
    return pixels;
}

TEST_F(CliTest, RenderShowsPaintOverThePaperAtFullAndHalfSize) {
    // A flat paper (red 180, green 170, blue 160), so the board adds no grain, and one layer with a
    // pencil colour laid fully and at half amount.
    ImageStackManager plain;
    testing::AddBoardLayers(plain, 30, 20);
    BMap& paper = *plain.Layer(ImageStackManager::kPaperIndex)->image;
    paper.pixels.Create(30, 20);
    for (int32_t y = 0; y < 20; ++y) {
        for (int32_t x = 0; x < 30; ++x) {
            uint8_t* bgr = paper.pixels.Row(y) + x * 3;
            bgr[0] = 160, bgr[1] = 170, bgr[2] = 180;
        }
    }
    LayerObject& layer = testing::AddDrawingLayer(plain, 10, 6, 4, 4);
    for (int32_t x = 0; x < 10; x += 2) {
        for (int32_t y = 0; y < 6; ++y) {
            testing::Paint(layer, x, y, 0x001428C8, 255, 0);     // red 200, green 40, blue 20
            testing::Paint(layer, x + 1, y, 0x001428C8, 128, 0); // half laid
        }
    }
    const std::string source = folder.Path() + "painted.ts.png";
    Image24 picture;
    picture.Create(30, 20);
    ASSERT_TRUE(WriteDrawingFile(source, plain, StreamWriteOptions{}, picture).Saved());
    const std::string full = folder.Path() + "painted-full.png";
    const std::string half = folder.Path() + "painted-half.png";
    ASSERT_EQ(Cli("render " + source + " " + full).exitCode, 0);
    ASSERT_EQ(Cli("render " + source + " " + half + " --half").exitCode, 0);

    uint32_t w = 0, h = 0;
    const std::vector<uint32_t> pixels = ReadPicture(full, w, h);
    ASSERT_EQ(pixels.size(), 600u);
    const auto at = [&](int x, int y) { return pixels[static_cast<size_t>(y * 30 + x)]; };
    EXPECT_EQ(at(0, 0), 0x00A0AAB4u) << "bare paper";
    EXPECT_EQ(at(29, 19), 0x00A0AAB4u) << "bare paper";
    EXPECT_EQ(at(4, 4), 0x001428C8u) << "full pencil covers the paper";
    EXPECT_EQ(at(12, 9), 0x001428C8u);
    // Half amount: 128/255 of the pencil plus 127/255 of the paper, each rounded: red 100 + 90,
    // green 20 + 85, blue 10 + 80.
    EXPECT_EQ(at(5, 4), 0x005A69BEu) << "half amount mixes pencil and paper";
    EXPECT_EQ(at(14, 4), 0x00A0AAB4u) << "right of the layer";

    const std::vector<uint32_t> halved = ReadPicture(half, w, h);
    ASSERT_EQ(halved.size(), 150u);
    EXPECT_EQ(halved[0], 0x00A0AAB4u);
    // The 2 x 2 block at (4, 4) holds two full and two half-laid pixels: it is neither, but between.
    const uint32_t mixed = halved[2 * 15 + 2];
    EXPECT_GT(mixed & 0xFF, 0xBEu);
    EXPECT_LT(mixed & 0xFF, 0xC8u);
    EXPECT_GT(mixed >> 16 & 0xFF, 0x14u);
    EXPECT_LT(mixed >> 16 & 0xFF, 0x5Au);
}

TEST_F(CliTest, ConvertTurnsALegacyDrawingIntoADrawingFile) {
    const std::string out = folder.Path() + "converted.ts.png";
    const CliRun run = Cli("convert " + legacy + " " + out);
    ASSERT_EQ(run.exitCode, 0) << run.out;
    const CliRun info = Cli("info " + out + " --json");
    EXPECT_EQ(info.exitCode, 0);
    EXPECT_NE(info.out.find("\"name\":\"Ink \\\"A\\\"\""), std::string::npos) << info.out;
}

TEST_F(CliTest, NewMakesTheDrawingOfNewDrawingOnTheChosenBoard) {
    const std::string out = folder.Path() + "new.ts.png";
    const CliRun run = Cli("new " + out + " --paper-texture 26 --paper-color 0x0080FF");
    if (run.exitCode == 1 && run.out.find("cannot read the board textures") != std::string::npos) {
        GTEST_SKIP() << "this build has no image codecs";
    }
    ASSERT_EQ(run.exitCode, 0) << run.out;
    const CliRun info = Cli("info " + out + " --json");
    EXPECT_NE(info.out.find("\"name\":\"Paper\""), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("{\"index\":2,\"name\":\"Blank Layer\""), std::string::npos) << info.out;
}

TEST_F(CliTest, WrongArgumentsAreUsageErrors) {
    EXPECT_EQ(Cli("").exitCode, 2);
    EXPECT_EQ(Cli("info").exitCode, 2);
    EXPECT_EQ(Cli("info a b").exitCode, 2);
    EXPECT_EQ(Cli("render " + drawing + " out.gif").exitCode, 2);
    EXPECT_EQ(Cli("new out.ts.png --paper-texture 27").exitCode, 2);
    EXPECT_EQ(Cli("new out.ts.png --paper-color").exitCode, 2);
    EXPECT_EQ(Cli("frobnicate").exitCode, 2);
    EXPECT_EQ(Cli("--help").exitCode, 0);
}

} // namespace
} // namespace ts
