#pragma once

#include "platform/printer.h"
#include "platform/user_interface.h"

#include <cstdint>
#include <string>

namespace ts {

// Texts of the print checks.
namespace print_text {
inline constexpr const char* kLargeLandscapeSetup =
    "The printer needs to be in Portrait mode for large pages.\nClick on File\\Print again and select "
    "Portrait mode.";
inline constexpr const char* kLargeLandscapeJob =
    "Printer needs to be in Portrait mode for large pages.\nRotate the view as needed.";
inline constexpr const char* kPaperMismatch =
    "The default printer paper size doesn't match\rthe Tintsmith preference setting.\r\rYou can print "
    "using File/Print Setup instead,\ror reconfigure the default printer.\rReconfigure if you are going "
    "to use RoviDivod.\r\rPrinting a RoviDivod requires the printer paper\rsize to match the Tintsmith "
    "size,\ras specified in the File/Preferences setting.\rThis allows rapid RoviDivod print and "
    "scanback\rwithout having to set up the printer\revery time.";
inline constexpr const char* kMarginTooLarge = "Margin is too large.";
inline constexpr const char* kPrinting = "Printing drawing... press Esc to abort.";
inline constexpr const char* kCancelling = "Cancelling Printing...";
} // namespace print_text

// A sheet wider than tall with a side of 18 inches or more: roll printers take large sheets only in
// portrait. A PDF file has no roll, so it is never refused.
bool IsLargeLandscape(const PrinterDescription& d);

enum class SetupResult { kReady, kNoPrinter, kLargeLandscape, kPaperMismatch };

// Print setup. The traced-layer print takes the default printer without a dialog, turned to the page's
// orientation, and needs its paper to match the page (the page's inches at the "Resolution" setting)
// within 0.1 in summed over both sides; every other print shows the print dialog. Refusals show their
// message.
struct PrintSetup {
    static SetupResult Run(Printer& printer, UserInterface& ui, bool tracedLayer, double pageWidthInches,
                           double pageHeightInches);
};

// Where a page of pageWidth x pageHeight page pixels (a drawing pixel is 4 x 4 of them) goes on an area
// of the sheet, fitted as large as it goes at a whole power-of-two magnification.
//
// o is how many times the page's side exceeds the area's (the larger of the two ratios), so u = 4 / o
// is the dots the area offers a drawing pixel. From u >= 8 on, the drawing is sampled twice (sampling
// level 2) and u halves; the step p is the largest of 1, 2, 4, 8, 16 not above u, and the remaining
// scale p / u what the step leaves unused. Below one dot a drawing pixel, the drawing is halved 1 to 5
// times (reduction levels at u >= 0.5, 0.25, 0.125, 0.0625, 0.03125; smaller still takes level 5).
struct PrintFit {
    // Inputs.
    int32_t areaWidth = 0;  // dots
    int32_t areaHeight = 0; // dots
    int32_t pageWidth = 0;  // page pixels
    int32_t pageHeight = 0;

    // Results.
    bool turned = false; // the page's orientation differs from the area's (never on ties)
    double o = 0.0;
    double u = 0.0;
    int32_t samplingLevel = 1;
    int32_t step = 1;
    double remainingScale = 1.0;
    int32_t magnification = 1; // printer dots a drawing pixel, 1 with a reduction
    int32_t reduction = 0;     // halvings of the drawing, 0 .. 5
    // The print-scale setting of the job: 4 s dots a drawing pixel for s > 1, 4 / |s| for s < 0, else 4.
    int32_t scale = 1;

    // False when an area or page side is not positive (nothing fits).
    bool Compute();
};

// The print-scale setting that gives a magnification (1, 2, 4, 8 ... dots a drawing pixel).
int32_t ScaleForMagnification(int32_t magnification);
// Dots a drawing pixel for a print-scale setting: 4 s for s > 1, 4 / |s| (integer division) for s < 0,
// else 4; at least 1.
int32_t FactorForScale(int32_t scale);
// The base-2 logarithm, rounded down, of a factor of at least 1.
int32_t ShiftForFactor(int32_t factor);

// The margin edit's inches as dots across; more than a quarter of the printable width or height shows
// "Margin is too large." and gives 0 with tooLarge set. Text that is no number gives 0.
int32_t MarginDots(const std::string& inches, const PrinterDescription& d, int32_t areaWidth,
                   int32_t areaHeight, bool& tooLarge);

} // namespace ts
