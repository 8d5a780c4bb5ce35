// tintsmith-cli print: the PDF it writes, rasterised by pdftoppm at the page's resolution, shows the
// drawing as tintsmith-cli render does, at full size or fitted; its refusals.

#include "cli/cli_run.h"
#include "files/drawing_samples.h"
#include "files/drawing_writer.h"
#include "platform/temp_folder.h"

#include <gtest/gtest.h>

#include <png.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace ts {
namespace {

using testing::RunCli;

struct Picture {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> rgb;
    const uint8_t* At(uint32_t x, uint32_t y) const { return rgb.data() + (size_t(y) * width + x) * 3; }
};

Picture ReadPng(const std::string& path) {
    Picture p;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        return p;
    }
    image.format = PNG_FORMAT_RGB;
    p.rgb.resize(PNG_IMAGE_SIZE(image));
    png_image_finish_read(&image, nullptr, p.rgb.data(), 0, nullptr);
    p.width = image.width;
    p.height = image.height;
    return p;
}

class CliPrintTest : public ::testing::Test {
protected:
    void SetUp() override {
        // A command line built without Qt's printing support refuses every print.
        const testing::CliRun probe = RunCli("print " + drawing + " " + folder.Path() + "probe.pdf");
        if (probe.out.find("without Qt's printing support") != std::string::npos) {
            GTEST_SKIP() << "this build prints without Qt";
        }
    }
    CliPrintTest() {
        // 100 x 75 drawing pixels: a page of 4/3 x 1 in at 300 dots an inch (whole points: PDF sheets
        // are measured in them).
        ImageStackManager stack;
        testing::AddBoardLayers(stack, 100, 75);
        LayerObject& layer = testing::AddDrawingLayer(stack, 100, 75, 0, 0, "Blocks");
        layer.image = std::make_unique<BMap>();
        layer.image->pixels.Create(100, 75);
        // Blocks of saturated colours whose red and blue differ, with a gradient down the page.
        for (int32_t y = 0; y < 75; ++y) {
            for (int32_t x = 0; x < 100; ++x) {
                const uint32_t block = static_cast<uint32_t>(x / 15 + 7 * (y / 12));
                const uint32_t red = (block * 97) % 256;
                const uint32_t blue = 255 - red;
                const uint32_t green = static_cast<uint32_t>(y * 4);
                layer.image->pixels.SetColor(x, y, red | green << 8 | blue << 16);
            }
        }
        Image24 flat;
        flat.Create(100, 75);
        drawing = folder.Path() + "blocks.ts.png";
        EXPECT_TRUE(WriteDrawingFile(drawing, stack, StreamWriteOptions{}, flat).Saved());
        EXPECT_EQ(RunCli("render " + drawing + " " + folder.Path() + "render.png").exitCode, 0);
        rendered = ReadPng(folder.Path() + "render.png");
        EXPECT_EQ(rendered.width, 100u);
    }

    // The PDF rasterised at dpi dots an inch.
    Picture Rasterise(const std::string& pdf, int dpi) {
        const std::string base = folder.Path() + "raster";
        const std::string command =
            "pdftoppm -r " + std::to_string(dpi) + " -singlefile -png " + pdf + " " + base + " 2>/dev/null";
        EXPECT_EQ(std::system(command.c_str()), 0);
        return ReadPng(base + ".png");
    }

    // The rasterised page, sampled at the centre of every printed drawing pixel (factor dots a pixel,
    // starting at x0, y0) against the rendered drawing: the mean and the largest difference.
    void Compare(const Picture& page, int32_t x0, int32_t y0, int32_t factor, double& mean, int& largest) {
        double sum = 0;
        largest = 0;
        for (uint32_t y = 0; y < rendered.height; ++y) {
            for (uint32_t x = 0; x < rendered.width; ++x) {
                const uint8_t* a = page.At(uint32_t(x0) + x * uint32_t(factor) + uint32_t(factor / 2),
                                           uint32_t(y0) + y * uint32_t(factor) + uint32_t(factor / 2));
                const uint8_t* b = rendered.At(x, y);
                for (int c = 0; c < 3; ++c) {
                    const int d = std::abs(int(a[c]) - int(b[c]));
                    sum += d;
                    largest = std::max(largest, d);
                }
            }
        }
        mean = sum / (rendered.width * rendered.height * 3.0);
    }

    TempFolder folder;
    std::string drawing;
    Picture rendered;
};

TEST_F(CliPrintTest, PdfAtFullSizeShowsTheRenderedDrawing) {
    const std::string pdf = folder.Path() + "full.pdf";
    const testing::CliRun run = RunCli("print " + drawing + " " + pdf);
    ASSERT_EQ(run.exitCode, 0) << run.out;
    EXPECT_EQ(run.out, "");
    const Picture page = Rasterise(pdf, 300);
    // The paper is the page's own size: 400 x 300 dots, a drawing pixel 4 x 4 of them.
    ASSERT_EQ(page.width, 400u);
    ASSERT_EQ(page.height, 300u);
    double mean = 0;
    int largest = 0;
    Compare(page, 0, 0, 4, mean, largest);
    // The PDF keeps its images as JPEG: a little noise, never a wrong band, shift or channel order.
    EXPECT_LT(mean, 3.0);
    EXPECT_LT(largest, 40);
}

TEST_F(CliPrintTest, FittedPdfIsCentredAndTurnedOnAPortraitSheet) {
    const std::string pdf = folder.Path() + "fit.pdf";
    // 2 x 3 in with a margin of 0.25 in: 1.5 x 2.5 in for a drawing turned upright (75 x 100 pixels):
    // 6 dots a pixel would fit, so 4.
    const testing::CliRun run = RunCli("print " + drawing + " " + pdf + " --fit --page 2x3 --margin 0.25");
    ASSERT_EQ(run.exitCode, 0) << run.out;
    const Picture page = Rasterise(pdf, 300);
    ASSERT_EQ(page.width, 600u);
    ASSERT_EQ(page.height, 900u);
    // Centred; the top rounded down to a whole drawing pixel of the print.
    const int32_t x0 = (600 - 75 * 4) / 2;
    const int32_t y0 = (900 - 100 * 4) / 2 / 4 * 4;
    // Turned a quarter counter-clockwise: drawing pixel (x, y) lies at column y, row 99 - x.
    double sum = 0;
    int largest = 0;
    for (uint32_t y = 0; y < 75; ++y) {
        for (uint32_t x = 0; x < 100; ++x) {
            const uint8_t* a = page.At(uint32_t(x0) + y * 4 + 2, uint32_t(y0) + (99 - x) * 4 + 2);
            for (int c = 0; c < 3; ++c) {
                const int d = std::abs(int(a[c]) - int(rendered.At(x, y)[c]));
                sum += d;
                largest = std::max(largest, d);
            }
        }
    }
    EXPECT_LT(sum / (100 * 75 * 3), 3.0);
    EXPECT_LT(largest, 40);
    // White around it.
    EXPECT_GE(page.At(x0 - 12, 450)[0], 245);
    EXPECT_GE(page.At(300, y0 - 12)[2], 245);
    EXPECT_GE(page.At(x0 + 300 + 12, 450)[1], 245);
}

TEST_F(CliPrintTest, RefusalsPrintTheMessageAndExitWithOne) {
    const std::string pdf = folder.Path() + "no.pdf";
    testing::CliRun run = RunCli("print " + drawing + " " + pdf + " --fit --page 2x3 --margin 0.6");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.out.find("Margin is too large."), std::string::npos);
    run = RunCli("print " + folder.Path() + "missing.ts.png " + pdf);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(RunCli("print " + drawing + " " + pdf + " --page 2by3").exitCode, 2);
    EXPECT_EQ(RunCli("print " + drawing).exitCode, 2);
}

TEST_F(CliPrintTest, DefaultLargeLandscapeDrawingPrintsWithoutOptions) {
    const std::string made = folder.Path() + "default.ts.png";
    ASSERT_EQ(RunCli("new " + made).exitCode, 0);
    const std::string pdf = folder.Path() + "default.pdf";
    const testing::CliRun run = RunCli("print " + made + " " + pdf);
    ASSERT_EQ(run.exitCode, 0) << run.out;
    const Picture page = Rasterise(pdf, 10);
    EXPECT_EQ(page.width, 360u); // 36 x 24 in
    EXPECT_EQ(page.height, 240u);
}

} // namespace
} // namespace ts
