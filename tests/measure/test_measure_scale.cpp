// Real lengths on a layer: conversions, rounding to a granularity, the scale list and the snap.

#include "measure/measure_scale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace ts {
namespace {

// A layer where one inch of reality is one inch of paper: 300 fine units an inch.
const double kInchToInch = 300.0 / 0.0254;

double DirectionDegrees(IntPoint from, IntPoint to) {
    return std::atan2(static_cast<double>(to.y - from.y), static_cast<double>(to.x - from.x)) * 180.0 / M_PI;
}

TEST(MeasureRounding, RoundsToTheNearestStepOnBothSidesOfTheReference) {
    EXPECT_DOUBLE_EQ(RoundTo(10.3, 0.25), 10.25);
    EXPECT_DOUBLE_EQ(RoundTo(10.4, 0.25), 10.5);
    EXPECT_DOUBLE_EQ(RoundTo(10.375, 0.25), 10.5) << "halfway goes up";
    // Left of or above the reference a point snaps as far as its mirror image.
    EXPECT_DOUBLE_EQ(RoundTo(-10.4, 0.25), -10.5);
    EXPECT_DOUBLE_EQ(RoundTo(-10.3, 0.25), -10.25);
    EXPECT_DOUBLE_EQ(RoundTo(-30.0, 45.0), -45.0);
    // Switched off: the value stays.
    EXPECT_DOUBLE_EQ(RoundTo(10.3, 0.0), 10.3);
}

TEST(MeasureConversions, CalibrationFromTwoPointsMeasuresTheRestOfTheLayer) {
    // 10 feet marked over 1200 fine units (300 drawing pixels).
    const double calibration = CalibrationFromLength(1200.0, 120.0, false);
    EXPECT_NEAR(calibration, 1200.0 / 3.048, 1e-9);
    const MeasureScale feet(calibration, false);
    EXPECT_NEAR(feet.ToReal(1200.0), 120.0, 1e-9);
    EXPECT_NEAR(feet.ToReal(600.0), 60.0, 1e-9) << "half the line is five feet";
    EXPECT_EQ(feet.ToFine(60.0), 600);
    // The same layer read in metres.
    const MeasureScale meters(calibration, true);
    EXPECT_NEAR(meters.ToReal(600.0), 1.524, 1e-9);
    EXPECT_EQ(meters.ToFine(1.524), 600);
    EXPECT_NEAR(meters.ToInches(1.524), 60.0, 1e-9);
    // A metric calibration: 2.5 m over 1000 fine units.
    EXPECT_NEAR(CalibrationFromLength(1000.0, 2.5, true), 400.0, 1e-9);
    // Nothing marked or nothing typed calibrates nothing.
    EXPECT_EQ(CalibrationFromLength(0.0, 120.0, false), 0.0);
    EXPECT_EQ(CalibrationFromLength(1200.0, 0.0, false), 0.0);
}

TEST(MeasureConversions, AnUncalibratedLayerHasNoRealLengths) {
    const MeasureScale none(0.0, false);
    EXPECT_FALSE(none.Calibrated());
    EXPECT_EQ(none.ToReal(1200.0), 0.0);
    EXPECT_FALSE(MeasureScale(std::nan(""), false).Calibrated());
    EXPECT_FALSE(MeasureScale(-5.0, true).Calibrated());
}

TEST(MeasureScales, AnArchitecturalScaleCalibratesThePaper) {
    // "1/4 = 1'-0" on the 300 dpi page: one inch of paper measures four feet.
    const MeasureScale quarter(CalibrationFromScale(48), false);
    EXPECT_NEAR(quarter.ToReal(300.0), 48.0, 1e-9);
    // "1:100": a centimetre of paper is a metre.
    const MeasureScale hundred(CalibrationFromScale(100), true);
    EXPECT_NEAR(hundred.ToReal(300.0 / 2.54), 1.0, 1e-9);
    EXPECT_EQ(CalibrationFromScale(0), 0.0);
}

TEST(MeasureScales, TheListIsFoundBackFromTheStoredFactor) {
    const auto feet = ScaleEntries(false);
    ASSERT_EQ(feet.size(), 14u);
    EXPECT_EQ(std::string(feet.front().text), "1/64 = 1'-0");
    EXPECT_EQ(std::string(feet[4].text), "1/4 = 1'-0");
    EXPECT_EQ(ScaleEntryOf(48, false), 5);
    EXPECT_EQ(ScaleEntryOf(0.25, false), 14);
    const auto meters = ScaleEntries(true);
    ASSERT_EQ(meters.size(), 16u);
    EXPECT_EQ(ScaleEntryOf(1000, true), 1);
    // A drawing keeps its scales as floats: "3:1" is found after the file was read back, a third is not
    // on the list, and no scale is the layer's own entry.
    const double reread = static_cast<double>(static_cast<float>(0.33333));
    EXPECT_NE(reread, 0.33333);
    EXPECT_EQ(ScaleEntryOf(reread, true), 15);
    EXPECT_EQ(std::string(meters[14].text), "3:1");
    EXPECT_EQ(ScaleEntryOf(1.0 / 3.0, true), 0);
    EXPECT_EQ(ScaleEntryOf(0.0, true), 0);
    EXPECT_EQ(ScaleEntryOf(7.0, false), 0);
}

TEST(MeasureGranularities, EachSystemHasItsOwnListStartingWithOff) {
    EXPECT_EQ(DistanceGranularities(false).size(), 15u);
    EXPECT_EQ(DistanceGranularities(true).size(), 16u);
    EXPECT_EQ(AngleGranularities().size(), 19u);
    EXPECT_EQ(DistanceGranularityText(0, false), "Off");
    EXPECT_DOUBLE_EQ(DistanceGranularities(false)[5], 0.25);
    EXPECT_EQ(DistanceGranularityText(5, false), "1/4\"");
    EXPECT_DOUBLE_EQ(DistanceGranularities(true)[5], 0.025);
    EXPECT_DOUBLE_EQ(AngleGranularities()[18], 45.0);
    EXPECT_EQ(DistanceGranularityText(99, true), "");
}

TEST(MeasureSnap, EachAxisSnapsToTheDistanceGranularity) {
    const MeasureScale inches(kInchToInch, false);
    SnapSettings quarter;
    quarter.distance = 0.25;
    const IntPoint origin{1000, 2000};
    // 10.3 inches right of the origin lands on 10.25, 10.4 on 10.5; each axis on its own.
    EXPECT_EQ(SnapToGranularity({1000 + 3090, 2000}, origin, inches, quarter), (IntPoint{1000 + 3075, 2000}));
    EXPECT_EQ(SnapToGranularity({1000 + 3120, 2000 - 3090}, origin, inches, quarter),
              (IntPoint{1000 + 3150, 2000 - 3075}));
    // Switched off, a point keeps its place.
    EXPECT_EQ(SnapToGranularity({1234, 2345}, origin, inches, SnapSettings{}), (IntPoint{1234, 2345}));
}

TEST(MeasureSnap, PolarSnapsTheDirectionAndTheLength) {
    const MeasureScale inches(kInchToInch, false);
    SnapSettings polar;
    polar.polar = true;
    polar.angle = 45.0;
    polar.distance = 1.0;
    const IntPoint origin{0, 0};
    const double r = 3000.0; // ten inches
    auto at = [&](double degrees) {
        return IntPoint{static_cast<int32_t>(std::lround(r * std::cos(degrees * M_PI / 180))),
                        static_cast<int32_t>(std::lround(r * std::sin(degrees * M_PI / 180)))};
    };
    EXPECT_NEAR(DirectionDegrees(origin, SnapToGranularity(at(30), origin, inches, polar)), 45.0, 0.05);
    EXPECT_NEAR(DirectionDegrees(origin, SnapToGranularity(at(20), origin, inches, polar)), 0.0, 0.05);
    EXPECT_NEAR(DirectionDegrees(origin, SnapToGranularity(at(-30), origin, inches, polar)), -45.0, 0.05);
    const IntPoint snapped = SnapToGranularity(at(20), origin, inches, polar);
    EXPECT_EQ(snapped, (IntPoint{3000, 0})) << "ten inches straight right";
    // 10.4 inches at 44 degrees: ten inches at 45.
    const IntPoint near45{static_cast<int32_t>(std::lround(3120 * std::cos(44 * M_PI / 180))),
                          static_cast<int32_t>(std::lround(3120 * std::sin(44 * M_PI / 180)))};
    const IntPoint on45 = SnapToGranularity(near45, origin, inches, polar);
    EXPECT_NEAR(std::hypot(on45.x, on45.y), 3000.0, 1.0);
    EXPECT_EQ(on45.x, on45.y);
    // The reference itself stays put.
    EXPECT_EQ(SnapToGranularity(origin, origin, inches, polar), origin);
}

TEST(MeasureSnap, AnUncalibratedLayerLeavesThePointWhereItIs) {
    SnapSettings quarter;
    quarter.distance = 0.25;
    quarter.polar = true;
    EXPECT_EQ(SnapToGranularity({3090, 77}, {0, 0}, MeasureScale(0.0, false), quarter), (IntPoint{3090, 77}));
}

TEST(MeasureStretch, ReadsTheLengthAndTheDirectionAsOnPaper) {
    const MeasureScale inches(kInchToInch, false);
    const Measurement up = MeasureStretch({0, 0}, {0, -300}, inches);
    EXPECT_NEAR(up.length, 1.0, 1e-9);
    EXPECT_NEAR(up.degrees, 90.0, 1e-9) << "up the sheet is 90 degrees";
    EXPECT_NEAR(MeasureStretch({0, 0}, {-300, 0}, inches).degrees, 180.0, 1e-9);
    EXPECT_NEAR(MeasureStretch({0, 0}, {300, 300}, inches).degrees, -45.0, 1e-9);
    EXPECT_EQ(MeasureStretch({5, 5}, {5, 5}, inches).degrees, 0.0);
}

} // namespace
} // namespace ts
