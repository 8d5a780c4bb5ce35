// The banded print job on the headless printer: the page put together from the bands is the drawing as
// the magnified view shows it, wherever the bands fall; Esc stops it cleanly; the BMP file copy.

#include "document/drawing_test_support.h"
#include "print/print_fit.h"
#include "print/print_job.h"
#include "render/viewport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

namespace ts::testing {
namespace {

class PrintJobTest : public DrawingTest {
protected:
    PrintJobTest() {
        NewDrawing("1", "0.8"); // 75 x 60 drawing pixels
        LayerObject& layer = AddLayer(50, 40, 10, 12);
        for (int32_t y = 0; y < 40; ++y) {
            for (int32_t x = 0; x < 50; ++x) {
                if ((x / 5 + y / 7) % 2 == 0) {
                    Paint(layer, x, y, 0x00203080 + static_cast<uint32_t>(x * 3), 200);
                }
            }
        }
        layer.lineArt = std::make_unique<ObjectLineArt>();
        layer.lineArt->Create(50, 40);
        // Lines covering parts of their pixels, so that the magnified page shows sub-pixels.
        const uint16_t masks[] = {0xFFFF, 0x00F0, 0x1248, 0x8001, 0x0F0F, 0x3300};
        for (int32_t y = 2; y < 38; ++y) {
            SetMask(*layer.lineArt->lineBuffer, 7, y, masks[y % 6]);
            SetMask(*layer.lineArt->lineBuffer, 8 + y, y, masks[(y + 3) % 6]);
        }
        // A sheet with equal margins left and right, top and bottom: the drawing is centred on both.
        PrinterDescription d;
        d.dpiX = d.dpiY = 300;
        d.offsetX = 30;
        d.offsetY = 20;
        d.printableWidth = 703;
        d.printableHeight = 611;
        d.physicalWidth = 763;
        d.physicalHeight = 651;
        printer.SetDescription(d);
    }

    // The drawing composited whole and magnified as the view magnifies it, centred on a white sheet.
    Image24 Expected(int32_t factor, bool turned, int32_t offsetX, int32_t offsetY) {
        const int32_t w = stack().DrawingWidth();
        const int32_t h = stack().DrawingHeight();
        Image24 drawing;
        EXPECT_TRUE(drawing.Create(w, h));
        UnderPixelManager under;
        EXPECT_TRUE(under.Create(w, h));
        workspace->compositor.CompositeRows(0, h, 0, w, drawing.Row(0), static_cast<size_t>(drawing.Stride()),
                                            nullptr, &under, nullptr);
        Image24 big;
        EXPECT_TRUE(big.Create(w * factor, h * factor));
        int32_t lineRows = 0;
        for (int32_t y = 0; y < h; ++y) {
            under.LoadRow(y);
            lineRows += under.Any() ? 1 : 0;
            for (int32_t r = 0; r < factor; ++r) {
                if (factor == 1) {
                    std::copy(drawing.Row(y), drawing.Row(y) + w * 3, big.Row(y));
                } else {
                    ViewportFrame::MagnifyRow(drawing.Row(y), 0, w * factor, factor, r, &under,
                                              big.Row(y * factor + r));
                }
            }
        }
        EXPECT_EQ(lineRows, 36); // the lines are there to be magnified
        Image24 page;
        EXPECT_TRUE(page.Create(703, 611));
        std::fill(page.Pixels().begin(), page.Pixels().end(), uint8_t{255});
        const int32_t pw = turned ? big.Height() : big.Width();
        const int32_t ph = turned ? big.Width() : big.Height();
        for (int32_t py = 0; py < ph; ++py) {
            for (int32_t px = 0; px < pw; ++px) {
                const int32_t x = offsetX + px;
                const int32_t y = offsetY + py;
                if (x < 0 || y < 0 || x >= page.Width() || y >= page.Height()) {
                    continue;
                }
                // Turned a quarter counter-clockwise: the drawing's top runs down the sheet's left edge.
                const uint8_t* src = turned ? big.Pixel(big.Width() - 1 - py, px) : big.Pixel(px, py);
                std::copy(src, src + 3, page.Pixel(x, y));
            }
        }
        return page;
    }

    PrintJob job{workspace->compositor, stack(), ui};
    HeadlessPrinter printer;
};

TEST_F(PrintJobTest, BandsMakeUpTheMagnifiedDrawingExactlyInBothOrientations) {
    for (int32_t scale : {-2, 1, 2}) {
        for (bool turned : {false, true}) {
            PrintJobSettings request;
            request.scaleX = request.scaleY = scale;
            request.turned = turned;
            request.bandRows = 7; // 60 and 75 rows are no multiple of it
            ASSERT_EQ(job.Print(printer, request), PrintResult::kPrinted);
            const int32_t f = FactorForScale(scale);
            const int32_t pw = (turned ? 60 : 75) * f;
            const int32_t ph = (turned ? 75 : 60) * f;
            EXPECT_EQ(job.OffsetX(), (703 - pw) / 2);
            EXPECT_EQ(job.OffsetY() % f, 0);
            EXPECT_LE(job.OffsetY(), (611 - ph) / 2);
            EXPECT_GT(job.OffsetY(), (611 - ph) / 2 - f);
            const Image24 expected = Expected(f, turned, job.OffsetX(), job.OffsetY());
            EXPECT_TRUE(printer.Page().SamePixels(expected)) << "factor " << f << (turned ? " turned" : "");
            EXPECT_GT(printer.Bands().size(), 1u);
            // A band holds a few rows, never the page.
            EXPECT_LE(job.BandBytes(), size_t(705) * 3 * 7 * size_t(f));
        }
    }
    EXPECT_EQ(ui.WaitCursorDepth(), 0);
    EXPECT_EQ(ui.Meter().Steps(), 60 / 64 + 1);
    EXPECT_FALSE(ui.Meter().Running());
}

TEST_F(PrintJobTest, DrawingLargerThanTheSheetIsCutAtItsEdges) {
    PrintJobSettings request;
    request.scaleX = request.scaleY = 4; // 16 dots a pixel: 1200 x 960 on 703 x 611
    request.bandRows = 5;
    ASSERT_EQ(job.Print(printer, request), PrintResult::kPrinted);
    EXPECT_LT(job.OffsetX(), 0);
    EXPECT_TRUE(printer.Page().SamePixels(Expected(16, false, job.OffsetX(), job.OffsetY())));
}

TEST_F(PrintJobTest, ReducedDrawingAveragesItsBlocks) {
    PrintJobSettings request;
    request.scaleX = request.scaleY = -4;
    request.reduction = 1;
    ASSERT_EQ(job.Print(printer, request), PrintResult::kPrinted);
    Image24 drawing;
    ASSERT_TRUE(drawing.Create(75, 60));
    workspace->compositor.CompositeRows(0, 60, 0, 75, drawing.Row(0), size_t(drawing.Stride()), nullptr,
                                        nullptr, nullptr);
    // 75 columns give 38 printed ones, the last averaging one column alone.
    EXPECT_EQ(job.OffsetX(), (703 - 38) / 2);
    const uint8_t* p = printer.Page().Pixel(job.OffsetX() + 3, job.OffsetY() + 5);
    for (int b = 0; b < 3; ++b) {
        const int sum = drawing.Pixel(6, 10)[b] + drawing.Pixel(7, 10)[b] + drawing.Pixel(6, 11)[b] +
                        drawing.Pixel(7, 11)[b];
        EXPECT_EQ(p[b], sum / 4);
    }
    const uint8_t* last = printer.Page().Pixel(job.OffsetX() + 37, job.OffsetY());
    EXPECT_EQ(last[0], (drawing.Pixel(74, 0)[0] + drawing.Pixel(74, 1)[0]) / 2);
}

TEST_F(PrintJobTest, EscAfterSomeBandsAbortsAndReleasesEverything) {
    const Image24 before = [&] {
        Image24 i;
        i.Create(75, 60);
        workspace->compositor.CompositeRows(0, 60, 0, 75, i.Row(0), size_t(i.Stride()), nullptr, nullptr,
                                            nullptr);
        return i;
    }();
    PrintJobSettings request;
    request.bandRows = 8;
    ui.PressEscapeAfter(2);
    EXPECT_EQ(job.Print(printer, request), PrintResult::kCancelled);
    EXPECT_EQ(printer.Bands().size(), 3u);
    EXPECT_EQ(printer.Aborts(), 1);
    EXPECT_FALSE(printer.Started());
    EXPECT_TRUE(printer.Page().Empty()); // nothing of the document printed
    EXPECT_EQ(ui.StatusPane(0), "Cancelling Printing...");
    EXPECT_EQ(ui.WaitCursorDepth(), 0);
    EXPECT_FALSE(ui.WaitCursorShown());
    EXPECT_FALSE(ui.Meter().Running());

    Image24 after;
    after.Create(75, 60);
    workspace->compositor.CompositeRows(0, 60, 0, 75, after.Row(0), size_t(after.Stride()), nullptr, nullptr,
                                        nullptr);
    EXPECT_TRUE(after.SamePixels(before));
    // The next job prints the whole page again.
    EXPECT_EQ(job.Print(printer, request), PrintResult::kPrinted);
    EXPECT_TRUE(printer.Page().SamePixels(Expected(4, false, job.OffsetX(), job.OffsetY())));
}

TEST_F(PrintJobTest, NothingPrintsOnANonRasterDeviceOrALargeLandscapeRoll) {
    PrinterDescription d = printer.Description();
    d.raster = false;
    printer.SetDescription(d);
    EXPECT_EQ(job.Print(printer, PrintJobSettings{}), PrintResult::kNotRaster);
    EXPECT_TRUE(printer.Bands().empty());

    d.raster = true;
    d.dpiX = d.dpiY = 10;
    d.physicalWidth = 240;
    d.physicalHeight = 180;
    printer.SetDescription(d);
    EXPECT_EQ(job.Print(printer, PrintJobSettings{}), PrintResult::kLargeLandscape);
    EXPECT_EQ(ui.LastMessageText(),
              "Printer needs to be in Portrait mode for large pages.\nRotate the view as needed.");
    EXPECT_TRUE(printer.Bands().empty());
    EXPECT_EQ(ui.WaitCursorDepth(), 0);
}

TEST_F(PrintJobTest, FileCopyIsATopDownBmpOfThePrintableArea) {
    const std::vector<uint8_t> h = PrintJob::BmpHeader(703, 611);
    ASSERT_EQ(h.size(), 54u);
    auto le = [&](size_t at, int bytes) {
        uint32_t v = 0;
        for (int i = bytes - 1; i >= 0; --i) {
            v = v << 8 | h[at + size_t(i)];
        }
        return v;
    };
    const uint32_t rowBytes = 703 * 3 + 3; // 2109 padded to 2112
    EXPECT_EQ(h[0], 'B');
    EXPECT_EQ(h[1], 'M');
    EXPECT_EQ(le(2, 4), rowBytes * 611 + 54);
    EXPECT_EQ(le(10, 4), 54u);
    EXPECT_EQ(le(14, 4), 40u);
    EXPECT_EQ(le(18, 4), 703u);
    EXPECT_EQ(static_cast<int32_t>(le(22, 4)), -611);
    EXPECT_EQ(le(26, 2), 1u);
    EXPECT_EQ(le(28, 2), 24u);
    EXPECT_EQ(le(38, 4), 10000u);
    EXPECT_EQ(le(42, 4), 10000u);

    const std::string path = m_userData.Path() + "/copy.bmp";
    PrintJobSettings request;
    request.fileCopy = path;
    request.bandRows = 9;
    ASSERT_EQ(job.Print(printer, request), PrintResult::kPrinted);
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(file.size(), size_t(rowBytes) * 611 + 54);
    EXPECT_TRUE(std::equal(h.begin(), h.end(), file.begin()));
    // Every row of the file is the printed page's row, padded with zeros.
    const Image24& page = printer.Page();
    for (int32_t y = 0; y < 611; y += 13) {
        const uint8_t* row = file.data() + 54 + size_t(y) * rowBytes;
        EXPECT_TRUE(std::equal(row, row + 703 * 3, page.Row(y))) << y;
        EXPECT_EQ(row[703 * 3], 0);
    }
}

} // namespace
} // namespace ts::testing
