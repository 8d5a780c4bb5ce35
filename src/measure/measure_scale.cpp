#include "measure/measure_scale.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>

namespace ts {

namespace {

// Index 0 stands for the layer's own scale and matches a layer without one.
constexpr std::array<ScaleEntry, 15> kFeetInchScales{{{"", 0.0},
                                                      {"1/64 = 1'-0", 768},
                                                      {"1/32 = 1'-0", 384},
                                                      {"1/16 = 1'-0", 192},
                                                      {"1/8 = 1'-0", 96},
                                                      {"1/4 = 1'-0", 48},
                                                      {"1/2 = 1'-0", 24},
                                                      {"1 = 1'-0", 12},
                                                      {"2 = 1'-0", 6},
                                                      {"3 = 1'-0", 4},
                                                      {"4 = 1'-0", 3},
                                                      {"6 = 1'-0", 2},
                                                      {"12 = 1'-0", 1},
                                                      {"24 = 1'-0", 0.5},
                                                      {"48 = 1'-0", 0.25}}};
// "3:1" is kept as the five-digit 0.33333 that drawings have always stored.
constexpr std::array<ScaleEntry, 17> kMetricScales{{{"", 0.0},
                                                    {"1:1000", 1000},
                                                    {"1:500", 500},
                                                    {"1:250", 250},
                                                    {"1:200", 200},
                                                    {"1:100", 100},
                                                    {"1:50", 50},
                                                    {"1:25", 25},
                                                    {"1:20", 20},
                                                    {"1:10", 10},
                                                    {"1:5", 5},
                                                    {"1:2.5", 2.5},
                                                    {"1:2", 2},
                                                    {"1:1", 1},
                                                    {"2:1", 0.5},
                                                    {"3:1", 0.33333},
                                                    {"4:1", 0.25}}};

constexpr std::array<double, 15> kInchGranularities{0, 1.0 / 64, 1.0 / 32, 1.0 / 16, 0.125, 0.25, 0.5, 1,
                                                    2, 3,        4,        6,        12,    24,   48};
constexpr std::array<const char*, 15> kInchGranularityTexts{"Off",   "1/64\"", "1/32\"", "1/16\"", "1/8\"",
                                                            "1/4\"", "1/2\"",  "1\"",    "2\"",    "3\"",
                                                            "4\"",   "6\"",    "1'",     "2'",     "4'"};
constexpr std::array<double, 16> kMeterGranularities{0,    0.001, 0.002, 0.005, 0.01, 0.025, 0.05, 0.1,
                                                     0.25, 0.5,   1,     2,     3,    4,     5,    10};
constexpr std::array<const char*, 16> kMeterGranularityTexts{
    "Off",    "0.001 m", "0.002 m", "0.005 m", "0.01 m", "0.025 m", "0.05 m", "0.1 m",
    "0.25 m", "0.5 m",   "1 m",     "2 m",     "3 m",    "4 m",     "5 m",    "10 m"};
constexpr std::array<double, 19> kAngleGranularities{
    0, 0.001, 0.002, 0.005, 0.01, 0.025, 0.05, 0.1, 0.25, 0.5, 1, 2, 3, 4, 5, 10, 15, 30, 45};
constexpr std::array<const char*, 19> kAngleGranularityTexts{
    "Off", "0.001", "0.002", "0.005", "0.01", "0.025", "0.05", "0.1", "0.25", "0.5",
    "1",   "2",     "3",     "4",     "5",    "10",    "15",   "30",  "45"};

} // namespace

MeasureScale::MeasureScale(double calibration, bool metric)
    : m_calibration(calibration > 0.0 && std::isfinite(calibration) ? calibration : 0.0), m_metric(metric) {}

double MeasureScale::ToReal(double fineLength) const {
    if (!Calibrated()) {
        return 0.0;
    }
    const double meters = fineLength / m_calibration;
    return m_metric ? meters : meters * kInchesPerMeter;
}

int32_t MeasureScale::ToFine(double realLength) const {
    const double fine = m_metric ? realLength * m_calibration : realLength * kMetersPerInch * m_calibration;
    // Far beyond any drawing; keeps the conversion defined.
    constexpr double kLimit = std::numeric_limits<int32_t>::max() / 2;
    if (!std::isfinite(fine)) {
        return 0;
    }
    return static_cast<int32_t>(std::lround(std::clamp(fine, -kLimit, kLimit)));
}

double RoundTo(double value, double granularity) {
    if (!(granularity > 0.0)) {
        return value;
    }
    // Rounded by magnitude, so that a point left of or above the reference snaps as far as its
    // mirror image to the right or below.
    const double steps = value / granularity;
    double q = std::trunc(steps);
    if (steps - q >= 0.5) {
        q += 1.0;
    } else if (q - steps >= 0.5) {
        q -= 1.0;
    }
    return granularity * q;
}

double CalibrationFromLength(double fineLength, double realDistance, bool metric) {
    const double meters = metric ? realDistance : realDistance * kMetersPerInch;
    if (!(fineLength > 0.0) || !(meters > 0.0) || !std::isfinite(fineLength / meters)) {
        return 0.0;
    }
    return fineLength / meters;
}

double CalibrationFromScale(double factor) {
    if (!(factor > 0.0) || !std::isfinite(factor)) {
        return 0.0;
    }
    return kFinePerPaperInch * kInchesPerMeter / factor;
}

std::span<const ScaleEntry> ScaleEntries(bool metric) {
    if (metric) {
        return std::span<const ScaleEntry>(kMetricScales).subspan(1);
    }
    return std::span<const ScaleEntry>(kFeetInchScales).subspan(1);
}

int32_t ScaleEntryOf(double factor, bool metric) {
    const std::span<const ScaleEntry> list =
        metric ? std::span<const ScaleEntry>(kMetricScales) : std::span<const ScaleEntry>(kFeetInchScales);
    const float wanted = static_cast<float>(factor);
    for (size_t i = 0; i < list.size(); ++i) {
        if (static_cast<float>(list[i].factor) == wanted) {
            return static_cast<int32_t>(i);
        }
    }
    return 0;
}

std::span<const double> DistanceGranularities(bool metric) {
    if (metric) {
        return kMeterGranularities;
    }
    return kInchGranularities;
}

std::span<const double> AngleGranularities() {
    return kAngleGranularities;
}

std::string DistanceGranularityText(int32_t index, bool metric) {
    const auto size =
        static_cast<int32_t>(metric ? kMeterGranularityTexts.size() : kInchGranularityTexts.size());
    if (index < 0 || index >= size) {
        return std::string();
    }
    return metric ? kMeterGranularityTexts[static_cast<size_t>(index)]
                  : kInchGranularityTexts[static_cast<size_t>(index)];
}

std::string AngleGranularityText(int32_t index) {
    if (index < 0 || index >= static_cast<int32_t>(kAngleGranularityTexts.size())) {
        return std::string();
    }
    return kAngleGranularityTexts[static_cast<size_t>(index)];
}

IntPoint SnapToGranularity(IntPoint pointer, IntPoint reference, const MeasureScale& scale,
                           const SnapSettings& settings) {
    if (!scale.Calibrated()) {
        return pointer;
    }
    const double dx = static_cast<double>(pointer.x) - reference.x;
    const double dy = static_cast<double>(pointer.y) - reference.y;
    IntPoint offset;
    if (settings.polar) {
        if (dx == 0.0 && dy == 0.0) {
            return reference;
        }
        const double degrees = std::atan2(dy, dx) * kTurnsPerRadian * 360.0;
        const double angle = RoundTo(degrees, settings.angle) * kRadiansPerDegree;
        const double length = RoundTo(scale.ToReal(std::hypot(dx, dy)), settings.distance);
        offset = {scale.ToFine(length * std::cos(angle)), scale.ToFine(length * std::sin(angle))};
    } else {
        offset = {scale.ToFine(RoundTo(scale.ToReal(dx), settings.distance)),
                  scale.ToFine(RoundTo(scale.ToReal(dy), settings.distance))};
    }
    return {static_cast<int32_t>(std::clamp<int64_t>(int64_t{reference.x} + offset.x, INT32_MIN, INT32_MAX)),
            static_cast<int32_t>(std::clamp<int64_t>(int64_t{reference.y} + offset.y, INT32_MIN, INT32_MAX))};
}

Measurement MeasureStretch(IntPoint from, IntPoint to, const MeasureScale& scale) {
    const double dx = static_cast<double>(to.x) - from.x;
    const double dy = static_cast<double>(to.y) - from.y;
    Measurement m;
    m.length = scale.ToReal(std::hypot(dx, dy));
    // The drawing's y runs down; on paper angles turn counter-clockwise from the right.
    m.degrees = dx == 0.0 && dy == 0.0 ? 0.0 : std::atan2(-dy, dx) * 180.0 / std::numbers::pi;
    if (m.degrees <= -180.0) {
        m.degrees += 360.0;
    }
    return m;
}

} // namespace ts
