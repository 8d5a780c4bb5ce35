// The RoviDivod: its marks found again on a scan however the sheet went through the scanner, thinning,
// and the scanback's refusals and its round trip from print to "Sketch Lines".

#include "document/drawing_test_support.h"
#include "import/rovidivod.h"
#include "platform/scanner.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace ts::testing {
namespace {

using marks::Point;

// A straight stroke on paper, in sheet dots.
struct Stroke {
    Point a, b;
};

void DrawStroke(Image24& sheet, const Stroke& s, double halfWidth) {
    const double length = std::hypot(s.b.x - s.a.x, s.b.y - s.a.y);
    for (double t = 0; t <= length; t += 0.5) {
        const double cx = s.a.x + (s.b.x - s.a.x) * t / length;
        const double cy = s.a.y + (s.b.y - s.a.y) * t / length;
        for (double dy = -halfWidth; dy <= halfWidth; dy += 0.5) {
            for (double dx = -halfWidth; dx <= halfWidth; dx += 0.5) {
                const auto x = static_cast<int32_t>(cx + dx);
                const auto y = static_cast<int32_t>(cy + dy);
                if (x >= 0 && y >= 0 && x < sheet.Width() && y < sheet.Height()) {
                    sheet.SetColor(x, y, 0x00303030);
                }
            }
        }
    }
}

// The sheet as a scanner sees it: turned by `degrees` about its centre, scaled, moved by (dx, dy) on a
// white glass of the given size (nearest pixel).
Image24 ScanOf(const Image24& sheet, double degrees, double scale, double dx, double dy, int32_t glassWidth,
               int32_t glassHeight) {
    Image24 glass;
    glass.Create(glassWidth, glassHeight);
    const double a = degrees * M_PI / 180.0;
    const double cx = sheet.Width() / 2.0;
    const double cy = sheet.Height() / 2.0;
    for (int32_t y = 0; y < glassHeight; ++y) {
        for (int32_t x = 0; x < glassWidth; ++x) {
            // Back from the glass to the sheet.
            const double gx = (x + 0.5 - dx - cx) / scale;
            const double gy = (y + 0.5 - dy - cy) / scale;
            const double sx = std::cos(a) * gx + std::sin(a) * gy + cx;
            const double sy = -std::sin(a) * gx + std::cos(a) * gy + cy;
            const auto ix = static_cast<int32_t>(std::floor(sx));
            const auto iy = static_cast<int32_t>(std::floor(sy));
            const bool on = ix >= 0 && iy >= 0 && ix < sheet.Width() && iy < sheet.Height();
            glass.SetColor(x, y, on ? sheet.ColorAt(ix, iy) : 0x00FFFFFF);
        }
    }
    return glass;
}

Image24 White(int32_t w, int32_t h) {
    Image24 image;
    image.Create(w, h);
    std::fill(image.Pixels().begin(), image.Pixels().end(), uint8_t{255});
    return image;
}

TEST(RegistrationMarks, AreFoundAndFittedOnASheetTurnedSlightlyOrHalfwayRound) {
    // A 6 x 4 in footprint at 75 pixels an inch, drawn 4 times larger: a 300 dpi sheet.
    const Rect footprint{0, 0, 450, 300};
    Image24 small = White(450, 300);
    marks::Draw(small, footprint, 75.0);
    Image24 sheet = White(1800, 1200);
    for (int32_t y = 0; y < 1200; ++y) {
        for (int32_t x = 0; x < 1800; ++x) {
            sheet.SetColor(x, y, small.ColorAt(x / 4, y / 4));
        }
    }
    const auto layout = marks::Layout(450, 300, 75.0);
    for (double degrees : {0.0, 1.5, -2.0, 180.5, 90.0}) {
        const bool quarter = std::abs(degrees - 90.0) < 1;
        const Image24 scan = ScanOf(sheet, degrees, 0.98, quarter ? -300 : 40, quarter ? 300 : 25,
                                    quarter ? 1300 : 1900, quarter ? 1900 : 1300);
        LineMask mask;
        ASSERT_TRUE(ThresholdLines(scan, 0, mask));
        const auto found = marks::Find(mask, 300.0);
        ASSERT_EQ(found.size(), 10u) << degrees;
        const marks::Registration reg = marks::Fit(found, layout, 300.0);
        ASSERT_TRUE(reg.found) << degrees;
        double turn = std::fmod(reg.angle * 180.0 / M_PI + 360.0, 360.0);
        EXPECT_NEAR(turn, std::fmod(degrees + 360.0, 360.0), 0.2) << degrees;
        EXPECT_NEAR(reg.scaleX, 4 * 0.98, 0.02) << degrees;
        EXPECT_NEAR(reg.scaleY, 4 * 0.98, 0.02) << degrees;
        EXPECT_LT(reg.rms, 1.5) << degrees;
    }
}

TEST(RegistrationMarks, OnlyAMarkScoresAboveTheThresholdNotALineNorADarkArea) {
    LineMask mask;
    ASSERT_TRUE(mask.Create(300, 200));
    for (int32_t x = 10; x < 290; ++x) {
        for (int32_t w = 0; w < 4; ++w) {
            mask.At(x, 20 + w) = 1; // a 4-pixel pencil line
        }
    }
    for (int32_t y = 60; y < 190; ++y) {
        for (int32_t x = 150; x < 290; ++x) {
            mask.At(x, y) = 1; // a dark area
        }
    }
    for (int32_t y = 60; y < 120; ++y) {
        for (int32_t x = 20; x < 80; ++x) {
            mask.At(x, y) = std::hypot(x + 0.5 - 50, y + 0.5 - 90) <= 27 ? 1 : 0; // a mark
        }
    }
    EXPECT_LT(marks::RingScore(mask, 150, 21), 100);
    EXPECT_GT(marks::RingScore(mask, 50, 90), 1100);
    const auto found = marks::Find(mask, 300.0);
    ASSERT_EQ(found.size(), 1u) << "the dark area has no white surround";
    EXPECT_NEAR(found[0].x, 49.5, 0.5);
    EXPECT_NEAR(found[0].y, 89.5, 0.5);
}

TEST(Thinning, LeavesLinesOnePixelWideUnbrokenAndStopsAfterAnIdlePass) {
    LineMask mask;
    ASSERT_TRUE(mask.Create(60, 40));
    for (int32_t x = 5; x < 55; ++x) {
        for (int32_t y = 10; y < 15; ++y) {
            mask.At(x, y) = 255; // a bar 5 pixels thick
        }
    }
    for (int32_t y = 15; y < 35; ++y) {
        for (int32_t x = 30; x < 33; ++x) {
            mask.At(x, y) = 1; // a stem 3 thick hanging from it
        }
    }
    CountingProgressMeter meter;
    const int32_t passes = ThinZhangSuen(mask, 30, &meter);
    EXPECT_GE(passes, 2);
    EXPECT_LT(passes, 30);
    EXPECT_EQ(meter.Steps(), 25);
    EXPECT_EQ(meter.Done(), passes);
    for (int32_t y = 0; y + 1 < 40; ++y) {
        for (int32_t x = 0; x + 1 < 60; ++x) {
            EXPECT_FALSE(mask.At(x, y) && mask.At(x + 1, y) && mask.At(x, y + 1) && mask.At(x + 1, y + 1))
                << x << "," << y;
        }
    }
    // The bar still spans most of its length on one row band, and the stem still reaches down.
    int32_t across = 0;
    for (int32_t x = 0; x < 60; ++x) {
        for (int32_t y = 10; y < 15; ++y) {
            if (mask.At(x, y)) {
                ++across;
                break;
            }
        }
    }
    EXPECT_GE(across, 40);
    bool stem = false;
    for (int32_t x = 29; x < 34; ++x) {
        stem = stem || mask.At(x, 30) != 0;
    }
    EXPECT_TRUE(stem);
    // Thinning what is thin changes nothing: one pass.
    const std::vector<uint8_t> thin = mask.pixels;
    EXPECT_EQ(ThinZhangSuen(mask, 30, nullptr), 1);
    EXPECT_EQ(mask.pixels, thin);
}

class RoviDivodTest : public DrawingTest {
protected:
    RoviDivodTest() {
        NewDrawing("4", "3"); // 300 x 225 drawing pixels
        // The traced print at 300 dots an inch: a drawing pixel is 4 dots, the footprint 75 an inch.
        settings.WriteInt("Settings", "Resolution", 300);
        // The drawing: a black bar across, clear of the strokes drawn on the sheet below.
        LayerObject& drawn = AddLayer(300, 225);
        ObjectColor& c = *drawn.color;
        for (RLBuffer* channel : {c.blue.get(), c.green.get(), c.red.get()}) {
            channel->FillRect(40, 200, 260, 203, 0);
        }
        c.amount->FillRect(40, 200, 260, 203, 255);
    }
    RoviDivod& rovi() { return workspace->roviDivod; }

    // The sheet the traced-layer print makes of the page at 300 dots an inch, on a printer whose paper
    // is the page.
    Image24 PrintedSheet() {
        PrinterDescription d;
        d.dpiX = d.dpiY = 300;
        d.physicalWidth = d.printableWidth = 1200;
        d.physicalHeight = d.printableHeight = 900;
        d.offsetX = d.offsetY = 0;
        workspace->headlessPrinter.SetDescription(d);
        EXPECT_TRUE(workspace->printManager.PrintTracedLayer());
        EXPECT_EQ(workspace->headlessPrinter.Dialogs(), 0) << "no dialog";
        return workspace->headlessPrinter.Page();
    }

    // The scan placed on top as the scan command places it.
    void AddScan(Image24 scan, const char* name = kScannedRoviDivodName) {
        ASSERT_TRUE(workspace->importImage.ImportPicture(std::move(scan), name));
    }

    int32_t Named(const char* name) {
        for (int32_t i = 0; i < stack().Count(); ++i) {
            if (stack().Layer(i)->name == name) {
                return i;
            }
        }
        return -1;
    }
};

TEST_F(RoviDivodTest, CreateLaysTheTraceWithMarksOverTheFootprintAndResetTakesItAway) {
    EXPECT_FALSE(rovi().Create(Rect{10, 10, 100, 100})) << "smaller than two inches";
    EXPECT_EQ(Named(kRoviDivodName), -1);
    ASSERT_TRUE(rovi().Create(Rect{290, 215, 20, 15})) << "dragged up and to the left";
    EXPECT_EQ(rovi().Footprint(), (Rect{20, 15, 290, 215}));
    ASSERT_EQ(Named(kRoviDivodName), stack().Count() - 1);
    const LayerObject& layer = *stack().Layer(Named(kRoviDivodName));
    EXPECT_EQ(layer.bounds, rovi().Footprint());
    ASSERT_TRUE(layer.image);
    // A mark's centre is black; the trace is light, far from the line threshold.
    const auto first = marks::Layout(270, 200, 75.0)[0];
    EXPECT_EQ(layer.image->pixels.ColorAt(int32_t(first.x), int32_t(first.y)), 0u);
    const uint8_t* trace = layer.image->pixels.Pixel(135, 60);
    EXPECT_GT(ScanBrightness(trace[2], trace[1], trace[0]), 180);
    // The drawing's black bar is there, light blue.
    const uint8_t* bar = layer.image->pixels.Pixel(60, 201 - 15);
    EXPECT_GT(ScanBrightness(bar[2], bar[1], bar[0]), 150);
    EXPECT_LT(ScanBrightness(bar[2], bar[1], bar[0]), ScanBrightness(trace[2], trace[1], trace[0]) - 20);
    EXPECT_GT(bar[0], bar[2]) << "blue";
    rovi().Reset();
    EXPECT_EQ(Named(kRoviDivodName), -1);
    EXPECT_TRUE(rovi().Footprint().IsEmpty());
}

TEST_F(RoviDivodTest, ScanbackRefusesWithoutFootprintOrWithTheScanNotOnTop) {
    AddScan(White(400, 300));
    const int32_t layers = stack().Count();
    EXPECT_FALSE(rovi().ScanBack());
    EXPECT_TRUE(ui.Messages().empty()) << "no footprint: nothing at all";
    ASSERT_TRUE(rovi().Create(Rect{20, 15, 290, 215}));
    // The scan lies below the RoviDivod.
    EXPECT_FALSE(rovi().ScanBack());
    EXPECT_EQ(ui.LastMessageText(), rovidivod_text::kNotOnTop);
    EXPECT_EQ(stack().Count(), layers + 1);
    // Repositioning once the footprint is lost says so.
    AddScan(White(400, 300));
    rovi().SetFootprint(Rect{});
    EXPECT_FALSE(rovi().ScanBack(true));
    EXPECT_EQ(ui.LastMessageText(), rovidivod_text::kFootprintLost);
    // So does a footprint left from another drawing: it is not where this RoviDivod lies.
    rovi().SetFootprint(Rect{0, 0, 200, 200});
    ui.ClearMessages();
    EXPECT_FALSE(rovi().ScanBack());
    EXPECT_EQ(ui.LastMessageText(), rovidivod_text::kFootprintLost);
    EXPECT_TRUE(rovi().Footprint().IsEmpty());
}

TEST_F(RoviDivodTest, AScanWithACoveredMarkGivesBothMessagesAndNoSketchLines) {
    ASSERT_TRUE(rovi().Create(Rect{20, 15, 290, 215}));
    Image24 sheet = PrintedSheet();
    const auto layout = marks::Layout(270, 200, 75.0);
    // A sticky note over the fifth mark.
    const int32_t cx = (20 + int32_t(layout[4].x)) * 4;
    const int32_t cy = (15 + int32_t(layout[4].y)) * 4;
    for (int32_t y = cy - 40; y < cy + 40; ++y) {
        for (int32_t x = cx - 40; x < cx + 40; ++x) {
            sheet.SetColor(x, y, 0x00FFFFFF);
        }
    }
    AddScan(ScanOf(sheet, 1.0, 1.0, 20, 20, 1250, 950));
    ui.ClearMessages();
    const int32_t layers = stack().Count();
    EXPECT_FALSE(rovi().ScanBack());
    EXPECT_EQ(ui.MessageTexts(),
              (std::vector<std::string>{rovidivod_text::kNoTenMarks, rovidivod_text::kUseAlign}));
    EXPECT_EQ(stack().Count(), layers) << "the scan stays";
    EXPECT_EQ(Named(kSketchLinesName), -1);
    EXPECT_FALSE(rovi().Footprint().IsEmpty());
}

TEST_F(RoviDivodTest, RoundTripBringsTheStrokesBackInRegisterAsOnePixelLines) {
    ASSERT_TRUE(rovi().Create(Rect{20, 15, 290, 215}));
    Image24 sheet = PrintedSheet();
    // Pencil strokes on the sheet, in dots: 4 dots a drawing pixel.
    const std::vector<Stroke> strokes = {
        {{300, 300}, {900, 320}}, {{350, 380}, {500, 700}}, {{700, 450}, {1000, 760}}};
    for (const Stroke& s : strokes) {
        DrawStroke(sheet, s, 1.5);
    }
    // Scanned through the RoviDivod's scan command.
    workspace->headlessScanner.QueueImage(ScanOf(sheet, 1.5, 0.98, 37, -12, 1300, 950));
    ui.ClearMessages();
    ASSERT_TRUE(workspace->RunCommand(cmd::kRoviDivodScanBack));
    EXPECT_EQ(workspace->headlessScanner.Requests().back().resolution, 300);
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_EQ(Named(kRoviDivodName), -1);
    EXPECT_EQ(Named(kScannedRoviDivodName), -1);
    ASSERT_EQ(stack().CurrentLayer()->name, kSketchLinesName);
    EXPECT_TRUE(rovi().Footprint().IsEmpty());
    EXPECT_EQ(refresh().reasons.back(), rovidivod_text::kRefreshReason);
    EXPECT_EQ(ui.StatusPane(0), "Done.");

    LayerObject& lines = current();
    ASSERT_TRUE(lines.frame && lines.frame->drawingBuffer);
    SuperBitBuffer& occupancy = *lines.frame->drawingBuffer;
    // Every occupied pixel lies within 2 drawing pixels of a stroke, every stroke is found along its
    // length, and the lines are one pixel wide: about one pixel per pixel of length.
    auto distance = [&](double x, double y) {
        double best = 1e9;
        for (const Stroke& s : strokes) {
            const Point a{s.a.x / 4, s.a.y / 4};
            const Point b{s.b.x / 4, s.b.y / 4};
            const double l2 = (b.x - a.x) * (b.x - a.x) + (b.y - a.y) * (b.y - a.y);
            const double t = std::clamp(((x - a.x) * (b.x - a.x) + (y - a.y) * (b.y - a.y)) / l2, 0.0, 1.0);
            best = std::min(best, std::hypot(x - a.x - t * (b.x - a.x), y - a.y - t * (b.y - a.y)));
        }
        return best;
    };
    int64_t occupied = 0;
    std::vector<uint8_t> row(size_t(occupancy.Width()) * 2);
    std::vector<std::vector<bool>> set(size_t(occupancy.Height()),
                                       std::vector<bool>(size_t(occupancy.Width())));
    for (int32_t y = 0; y < occupancy.Height(); ++y) {
        occupancy.GetRow(y, row.data());
        for (int32_t x = 0; x < occupancy.Width(); ++x) {
            if (row[size_t(x) * 2] | row[size_t(x) * 2 + 1]) {
                ++occupied;
                set[size_t(y)][size_t(x)] = true;
                const double d = distance(lines.offsetX + x + 0.5, lines.offsetY + y + 0.5);
                EXPECT_LE(d, 2.0) << "pixel " << lines.offsetX + x << "," << lines.offsetY + y;
            }
        }
    }
    double length = 0;
    for (const Stroke& s : strokes) {
        const double l = std::hypot(s.b.x - s.a.x, s.b.y - s.a.y) / 4;
        length += l;
        int32_t hits = 0;
        for (int32_t k = 1; k < 10; ++k) {
            const double px = (s.a.x + (s.b.x - s.a.x) * k / 10) / 4 - lines.offsetX;
            const double py = (s.a.y + (s.b.y - s.a.y) * k / 10) / 4 - lines.offsetY;
            bool near = false;
            for (int32_t dy = -2; dy <= 2; ++dy) {
                for (int32_t dx = -2; dx <= 2; ++dx) {
                    const auto x = int32_t(px) + dx;
                    const auto y = int32_t(py) + dy;
                    near = near || (x >= 0 && y >= 0 && y < int32_t(set.size()) &&
                                    x < int32_t(set[0].size()) && set[size_t(y)][size_t(x)]);
                }
            }
            hits += near ? 1 : 0;
        }
        EXPECT_EQ(hits, 9);
    }
    EXPECT_LT(double(occupied), length * 1.6) << "one pixel wide";
    // One undo takes the drawing back to the RoviDivod and its scan.
    undo().Undo();
    EXPECT_NE(Named(kRoviDivodName), -1);
    EXPECT_NE(Named(kScannedRoviDivodName), -1);
    EXPECT_EQ(Named(kSketchLinesName), -1);
}

} // namespace
} // namespace ts::testing
