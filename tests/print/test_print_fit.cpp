// Print setup refusals, the margin and the fit of a page onto a sheet.

#include "platform/headless_user_interface.h"
#include "print/print_fit.h"

#include <gtest/gtest.h>

namespace ts {
namespace {

PrinterDescription Sheet(double widthInches, double heightInches, int32_t dpi = 600) {
    PrinterDescription d;
    d.dpiX = d.dpiY = dpi;
    d.physicalWidth = static_cast<int32_t>(widthInches * dpi + 0.5);
    d.physicalHeight = static_cast<int32_t>(heightInches * dpi + 0.5);
    d.offsetX = d.offsetY = dpi / 4;
    d.printableWidth = d.physicalWidth - dpi / 2;
    d.printableHeight = d.physicalHeight - dpi / 2;
    return d;
}

TEST(PrintSetup, LargeLandscapeSheetsAreRefusedOnPrintersButNotInFiles) {
    HeadlessUserInterface ui;
    HeadlessPrinter printer;
    printer.SetDescription(Sheet(17, 11));
    EXPECT_EQ(PrintSetup::Run(printer, ui, false, 48, 36), SetupResult::kReady);
    EXPECT_EQ(printer.Dialogs(), 1);
    EXPECT_TRUE(ui.Messages().empty());

    printer.SetDescription(Sheet(24, 18));
    EXPECT_EQ(PrintSetup::Run(printer, ui, false, 48, 36), SetupResult::kLargeLandscape);
    EXPECT_EQ(ui.LastMessageText(), "The printer needs to be in Portrait mode for large pages.\n"
                                    "Click on File\\Print again and select Portrait mode.");

    // The same sheet turned upright is fine, and a PDF has no roll to guard.
    printer.SetDescription(Sheet(18, 24));
    EXPECT_EQ(PrintSetup::Run(printer, ui, false, 48, 36), SetupResult::kReady);
    PrinterDescription file = Sheet(24, 18);
    file.toFile = true;
    printer.SetDescription(file);
    EXPECT_EQ(PrintSetup::Run(printer, ui, false, 48, 36), SetupResult::kReady);

    printer.SetAvailable(false);
    EXPECT_EQ(PrintSetup::Run(printer, ui, false, 48, 36), SetupResult::kNoPrinter);
}

TEST(PrintSetup, TracedLayerPrintNeedsTheDefaultPaperToMatchThePage) {
    HeadlessUserInterface ui;
    HeadlessPrinter printer;
    // The default printer holds landscape paper; a tall page turns it upright, without a dialog.
    printer.SetDescription(Sheet(11, 8.5));
    EXPECT_EQ(PrintSetup::Run(printer, ui, true, 8.5, 11.05), SetupResult::kReady);
    EXPECT_EQ(printer.Dialogs(), 0);
    EXPECT_EQ(printer.Orientation(), PaperOrientation::kPortrait);
    EXPECT_DOUBLE_EQ(printer.Description().PaperWidthInches(), 8.5);
    EXPECT_TRUE(ui.Messages().empty());

    EXPECT_EQ(PrintSetup::Run(printer, ui, true, 8.5, 11.2), SetupResult::kPaperMismatch);
    ASSERT_EQ(ui.Messages().size(), 1u);
    // The line breaks stay as they were written; the boxes show them.
    EXPECT_EQ(ui.LastMessageText().rfind("The default printer paper size doesn't match\rthe Tintsmith", 0),
              0u);
    EXPECT_NE(ui.LastMessageText().find("\revery time."), std::string::npos);
}

TEST(PrintFit, MarginUpToAQuarterOfThePrintableSideIsTaken) {
    PrinterDescription d = Sheet(8.5, 11);
    bool tooLarge = true;
    EXPECT_EQ(MarginDots("2", d, 4800, 6000, tooLarge), 1200);
    EXPECT_FALSE(tooLarge);
    EXPECT_EQ(MarginDots("2.01", d, 4800, 6000, tooLarge), 0);
    EXPECT_TRUE(tooLarge);
    // The shorter side rules.
    EXPECT_EQ(MarginDots("1.8", d, 6000, 4000, tooLarge), 0);
    EXPECT_TRUE(tooLarge);
    for (const char* nothing : {"", "abc", "-1", "0"}) {
        EXPECT_EQ(MarginDots(nothing, d, 4800, 6000, tooLarge), 0) << nothing;
        EXPECT_FALSE(tooLarge) << nothing;
    }
    d.dpiX = 0;
    EXPECT_EQ(MarginDots("2", d, 4800, 6000, tooLarge), 0);
}

PrintFit Fit(int32_t areaW, int32_t areaH, int32_t pageW, int32_t pageH) {
    PrintFit fit;
    fit.areaWidth = areaW;
    fit.areaHeight = areaH;
    fit.pageWidth = pageW;
    fit.pageHeight = pageH;
    EXPECT_TRUE(fit.Compute());
    return fit;
}

TEST(PrintFit, PageIsMagnifiedByTheLargestPowerOfTwoThatFits) {
    // A page as large as the area prints at full size: 4 dots a drawing pixel.
    PrintFit full = Fit(10800, 7200, 10800, 7200);
    EXPECT_EQ(full.magnification, 4);
    EXPECT_EQ(full.scale, 1);
    EXPECT_EQ(FactorForScale(full.scale), 4);
    // 48 x 36 in onto 36 x 24 in: 2.67 dots a pixel, so 2.
    PrintFit smaller = Fit(10800, 7200, 14400, 10800);
    EXPECT_EQ(smaller.magnification, 2);
    EXPECT_EQ(FactorForScale(smaller.scale), 2);
    EXPECT_NEAR(smaller.remainingScale, 2 / (4.0 / 1.5), 1e-9);
    // Lots of room: sampled twice from 8 dots on.
    PrintFit large = Fit(10000, 10000, 4000, 4000);
    EXPECT_EQ(large.samplingLevel, 2);
    EXPECT_EQ(large.step, 4);
    EXPECT_EQ(large.magnification, 8);
    EXPECT_EQ(FactorForScale(large.scale), 8);
    EXPECT_EQ(ShiftForFactor(8), 3);
    // A tiny fraction over still counts as fitting.
    EXPECT_EQ(Fit(1000, 1000, 1000, 1000).magnification, 4);
    EXPECT_EQ(Fit(1000, 1000, 4000, 2000).magnification, 1);
}

TEST(PrintFit, DrawingsTooLargeForADotAPixelAreHalvedOneToFiveTimes) {
    // u = 4 x area / page: 0.5 at 8000 page pixels on 1000 dots.
    EXPECT_EQ(Fit(1000, 1000, 8000, 8000).reduction, 1);
    EXPECT_EQ(Fit(1000, 1000, 8001, 8001).reduction, 2);
    EXPECT_EQ(Fit(1000, 1000, 16000, 16000).reduction, 2);
    EXPECT_EQ(Fit(1000, 1000, 32000, 32000).reduction, 3);
    EXPECT_EQ(Fit(1000, 1000, 64000, 64000).reduction, 4);
    EXPECT_EQ(Fit(1000, 1000, 128000, 128000).reduction, 5);
    EXPECT_EQ(Fit(1000, 1000, 900000, 900000).reduction, 5);
    const PrintFit reduced = Fit(1000, 1000, 8000, 8000);
    EXPECT_EQ(reduced.magnification, 1);
    EXPECT_EQ(FactorForScale(reduced.scale), 1);
    EXPECT_EQ(Fit(1000, 1000, 4000, 4000).reduction, 0);
}

TEST(PrintFit, PageTurnsOnlyWhenItsOrientationDiffersFromTheSheets) {
    EXPECT_TRUE(Fit(4800, 6282, 10800, 7200).turned);
    EXPECT_FALSE(Fit(6282, 4800, 10800, 7200).turned);
    EXPECT_FALSE(Fit(4800, 6282, 7200, 7200).turned);
    EXPECT_FALSE(Fit(5000, 5000, 10800, 7200).turned);
    // Turned, the page's long side goes along the sheet's long side.
    EXPECT_EQ(Fit(4800, 6282, 10800, 7200).magnification, 2);

    PrintFit nothing;
    nothing.areaWidth = 0;
    nothing.pageWidth = nothing.pageHeight = nothing.areaHeight = 10;
    EXPECT_FALSE(nothing.Compute());
}

TEST(PrintFit, FactorsFollowThePrintScale) {
    EXPECT_EQ(FactorForScale(1), 4);
    EXPECT_EQ(FactorForScale(0), 4);
    EXPECT_EQ(FactorForScale(2), 8);
    EXPECT_EQ(FactorForScale(4), 16);
    EXPECT_EQ(FactorForScale(-2), 2);
    EXPECT_EQ(FactorForScale(-3), 1);
    EXPECT_EQ(FactorForScale(-8), 1);
}

} // namespace
} // namespace ts
