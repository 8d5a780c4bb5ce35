#pragma once

#include "model/point_ts.h"

#include <cstdint>
#include <span>
#include <string>

namespace ts {

// Real lengths on a layer. A layer's calibration is its fine drawing units (quarter pixels) per metre;
// the two units systems read real lengths in inches (feet and inches) or in metres.
inline constexpr double kInchesPerMeter = 39.37007874015747433;
inline constexpr double kMetersPerInch = 0.025400000000000002;
inline constexpr double kTurnsPerRadian = 0.15915494327375637;
inline constexpr double kRadiansPerDegree = 0.017453292500000002;
// A fine unit is one dot of the 300 dpi page.
inline constexpr double kFinePerPaperInch = 300.0;

class MeasureScale {
public:
    MeasureScale(double calibration, bool metric);

    bool Calibrated() const { return m_calibration > 0.0; }
    bool Metric() const { return m_metric; }
    double Calibration() const { return m_calibration; }
    // A fine length as a real one: metres, or inches in feet and inches; 0 without calibration.
    double ToReal(double fineLength) const;
    // A real length (metres or inches) in fine units, rounded to the nearest whole unit.
    int32_t ToFine(double realLength) const;
    // A real length of this system in inches, the unit the units manager formats.
    double ToInches(double realLength) const { return m_metric ? realLength * kInchesPerMeter : realLength; }

private:
    double m_calibration;
    bool m_metric;
};

// The nearest multiple of the granularity: value / g rounded half away from zero, times g. A
// granularity of 0 (switched off) leaves the value as it is.
double RoundTo(double value, double granularity);

// Fine units per metre when a fine length stands for a real distance (metres, or inches in feet
// and inches); 0 when either is not positive.
double CalibrationFromLength(double fineLength, double realDistance, bool metric);
// Fine units per metre of a drawing at an architectural scale: one length on the paper is factor
// times that length in reality ("1/4 = 1'-0" is 48: an inch of paper is four feet).
double CalibrationFromScale(double factor);

// The scale list: entry 0 is the layer's own scale, entries 1.. the architectural scales.
struct ScaleEntry {
    const char* text;
    double factor;
};
// The entries from 1 on.
std::span<const ScaleEntry> ScaleEntries(bool metric);
// The list entry (1..) whose factor is the given one, compared as the single-precision value the
// drawing file keeps; 0 when none is.
int32_t ScaleEntryOf(double factor, bool metric);

// The granularity lists; index 0 is "Off" (0). Distances are inches or metres, angles degrees.
std::span<const double> DistanceGranularities(bool metric);
std::span<const double> AngleGranularities();
// The list's text of a granularity: "Off", "1/4\"", "0.025 m", "15°"-like items.
std::string DistanceGranularityText(int32_t index, bool metric);
std::string AngleGranularityText(int32_t index);

// What the snap rounds to.
struct SnapSettings {
    bool polar = false;
    double distance = 0.0; // inches or metres; 0 = off
    double angle = 0.0;    // degrees; 0 = off
};

// The pointer moved onto the granularities around the reference. Polar: the direction rounded to the
// angle granularity and the length to the distance granularity; otherwise each axis rounded to the
// distance granularity. The rounding is of real lengths, so an uncalibrated scale snaps nothing: the
// pointer is given back.
IntPoint SnapToGranularity(IntPoint pointer, IntPoint reference, const MeasureScale& scale,
                           const SnapSettings& settings);

// A measured stretch between two fine points: its real length (polar) and its direction in degrees,
// counter-clockwise from the right as on paper, in (-180, 180].
struct Measurement {
    double length = 0.0;
    double degrees = 0.0;
};
Measurement MeasureStretch(IntPoint from, IntPoint to, const MeasureScale& scale);

} // namespace ts
