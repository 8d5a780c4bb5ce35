#include "print/print_fit.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace ts {

namespace {

constexpr double kLargeSideInches = 18.0;
constexpr double kPaperTolerance = 0.1; // inches, summed over both sides
constexpr double kNearOne = 0.0001;
constexpr int32_t kMaxReduction = 5;

} // namespace

bool IsLargeLandscape(const PrinterDescription& d) {
    if (d.toFile) {
        return false;
    }
    const double w = d.PaperWidthInches();
    const double h = d.PaperHeightInches();
    return w > h && (w >= kLargeSideInches || h >= kLargeSideInches);
}

SetupResult PrintSetup::Run(Printer& printer, UserInterface& ui, bool tracedLayer, double pageWidthInches,
                            double pageHeightInches) {
    const PaperOrientation orientation =
        pageWidthInches > pageHeightInches ? PaperOrientation::kLandscape : PaperOrientation::kPortrait;
    const bool ready = tracedLayer ? printer.SetupDefault(orientation) : printer.SetupWithDialog();
    if (!ready) {
        return SetupResult::kNoPrinter;
    }
    const PrinterDescription d = printer.Description();
    if (IsLargeLandscape(d)) {
        ui.ShowMessage(print_text::kLargeLandscapeSetup);
        return SetupResult::kLargeLandscape;
    }
    if (tracedLayer) {
        const double difference = std::abs(d.PaperWidthInches() - pageWidthInches) +
                                  std::abs(d.PaperHeightInches() - pageHeightInches);
        if (!(difference <= kPaperTolerance + 1e-9)) {
            ui.ShowMessage(print_text::kPaperMismatch);
            return SetupResult::kPaperMismatch;
        }
    }
    return SetupResult::kReady;
}

bool PrintFit::Compute() {
    if (areaWidth <= 0 || areaHeight <= 0 || pageWidth <= 0 || pageHeight <= 0) {
        return false;
    }
    const bool areaLandscape = areaWidth > areaHeight;
    const bool areaPortrait = areaWidth < areaHeight;
    const bool pageLandscape = pageWidth > pageHeight;
    const bool pagePortrait = pageWidth < pageHeight;
    turned = (areaLandscape && pagePortrait) || (areaPortrait && pageLandscape);
    const double w = turned ? pageHeight : pageWidth;
    const double h = turned ? pageWidth : pageHeight;
    o = std::max(w / areaWidth, h / areaHeight);
    u = 4.0 / o;

    samplingLevel = 1;
    step = 1;
    reduction = 0;
    remainingScale = 1.0;
    double v = u;
    if (v >= 1.0) {
        if (v >= 8.0) {
            samplingLevel = 2;
            v /= 2.0;
        }
        for (int32_t p : {16, 8, 4, 2, 1}) {
            if (p <= v) {
                step = p;
                break;
            }
        }
        remainingScale = step / v;
        magnification = static_cast<int32_t>(std::floor(v * remainingScale + kNearOne)) * samplingLevel;
    } else {
        // Halve the drawing until it fits: level L takes u >= 2^-L.
        remainingScale = 1.0 / v;
        reduction = kMaxReduction;
        for (int32_t level = 1; level <= kMaxReduction; ++level) {
            if (v >= std::ldexp(1.0, -level) - kNearOne * std::ldexp(1.0, -level)) {
                reduction = level;
                break;
            }
        }
        remainingScale = v * std::ldexp(1.0, reduction);
        magnification = 1;
    }
    scale = ScaleForMagnification(magnification);
    return true;
}

int32_t ScaleForMagnification(int32_t magnification) {
    if (magnification >= 8) {
        return magnification / 4;
    }
    if (magnification == 4) {
        return 1;
    }
    return magnification == 2 ? -2 : -4;
}

int32_t FactorForScale(int32_t scale) {
    int32_t factor = 4;
    if (scale > 1) {
        factor = 4 * scale;
    } else if (scale < 0) {
        factor = 4 / std::abs(scale);
    }
    return std::max(1, factor);
}

int32_t ShiftForFactor(int32_t factor) {
    int32_t shift = 0;
    while (factor > 1) {
        factor >>= 1;
        ++shift;
    }
    return shift;
}

int32_t MarginDots(const std::string& inches, const PrinterDescription& d, int32_t areaWidth,
                   int32_t areaHeight, bool& tooLarge) {
    tooLarge = false;
    char* end = nullptr;
    const double value = std::strtod(inches.c_str(), &end);
    if (end == inches.c_str() || !std::isfinite(value) || value <= 0.0) {
        return 0;
    }
    const double dots = value * std::max(0, d.dpiX);
    if (dots > areaWidth / 4.0 || dots > areaHeight / 4.0) {
        tooLarge = true;
        return 0;
    }
    return static_cast<int32_t>(dots);
}

} // namespace ts
