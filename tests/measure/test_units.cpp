// Distances as the user reads and types them: numbers, feet and inches, and the entry dialogs.

#include "measure/distance_entry.h"
#include "measure/units_manager.h"
#include "platform/headless_user_interface.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace ts {
namespace {

TEST(UnitsParse, ReadsFeetInchesAndFractionsWhateverSeparatesThem) {
    EXPECT_DOUBLE_EQ(UnitsManager::ParseFeetInches("29' - 6 3/4\""), 354.75);
    EXPECT_DOUBLE_EQ(UnitsManager::ParseFeetInches("3/4"), 0.75);
    EXPECT_DOUBLE_EQ(UnitsManager::ParseFeetInches("6 3/4"), 6.75);
    EXPECT_DOUBLE_EQ(UnitsManager::ParseFeetInches("5'"), 60.0);
    EXPECT_DOUBLE_EQ(UnitsManager::ParseFeetInches("12"), 12.0);
    EXPECT_DOUBLE_EQ(UnitsManager::ParseFeetInches("  10'"), 120.0);
    EXPECT_DOUBLE_EQ(UnitsManager::ParseFeetInches(""), 0.0);
    // The minus only separates: a distance is never negative.
    EXPECT_DOUBLE_EQ(UnitsManager::ParseFeetInches("-2' -3"), 27.0);
}

TEST(UnitsParse, AFractionOverZeroCountsNothing) {
    EXPECT_DOUBLE_EQ(UnitsManager::ParseFeetInches("1/0"), 0.0);
    EXPECT_DOUBLE_EQ(UnitsManager::ParseFeetInches("5 1/0"), 5.0);
    EXPECT_DOUBLE_EQ(UnitsManager::ParseFeetInches("2' 5 1/0\""), 29.0);
}

TEST(UnitsParse, EndlessDigitsReadAsNothingRatherThanInfinity) {
    EXPECT_DOUBLE_EQ(UnitsManager::ParseFeetInches(std::string(400, '9')), 0.0);
}

TEST(UnitsFeetInches, WritesFeetInchesAndReducedThirtySeconds) {
    EXPECT_EQ(UnitsManager::FormatFeetInches(354.75), "29'  6 3/4");
    EXPECT_EQ(UnitsManager::FormatFeetInches(6.0), "0'  6");
    EXPECT_EQ(UnitsManager::FormatFeetInches(-18.5), "- 1'  6 1/2");
    EXPECT_EQ(UnitsManager::FormatFeetInches(0.0), "0'  0");
    EXPECT_EQ(UnitsManager::FormatFeetInches(12.0), "1'  0");
    EXPECT_EQ(UnitsManager::FormatFeetInches(0.03125), "0'  0 1/32");
    EXPECT_EQ(UnitsManager::FormatFeetInches(10.4375), "0'  10 7/16");
}

TEST(UnitsFeetInches, AFractionRoundingUpCarriesIntoInchesAndFeet) {
    EXPECT_EQ(UnitsManager::FormatFeetInches(5.99), "0'  6");
    EXPECT_EQ(UnitsManager::FormatFeetInches(11.99), "1'  0");
    EXPECT_EQ(UnitsManager::FormatFeetInches(-23.995), "- 2'  0");
    EXPECT_EQ(UnitsManager::FormatFeetInches(99 * 12 + 11.999), "100'  0");
}

TEST(UnitsFeetInches, LongerFeetLeaveLessRoomForTheFraction) {
    // Up to two digits of feet: 32nds; three: eighths; four: whole inches.
    EXPECT_EQ(UnitsManager::FormatFeetInches(99 * 12 + 3.03125), "99'  3 1/32");
    EXPECT_EQ(UnitsManager::FormatFeetInches(100 * 12 + 3.03125), "100'  3");
    EXPECT_EQ(UnitsManager::FormatFeetInches(100 * 12 + 3.1), "100'  3 1/8");
    EXPECT_EQ(UnitsManager::FormatFeetInches(250 * 12 + 4.76), "250'  4 3/4");
    EXPECT_EQ(UnitsManager::FormatFeetInches(999 * 12 + 11.95), "1000'  0");
    EXPECT_EQ(UnitsManager::FormatFeetInches(1000 * 12 + 4.4), "1000'  4");
    EXPECT_EQ(UnitsManager::FormatFeetInches(1000 * 12 + 4.6), "1000'  5");
}

TEST(UnitsFeetInches, FormatThenParseGivesTheValueBackToTheShownPrecision) {
    // Every 1/32 inch from 0 to 1000 inches (83 feet: always in 32nds) comes back exactly.
    for (int i = 0; i <= 32000; ++i) {
        const double inches = i / 32.0;
        const std::string text = UnitsManager::FormatFeetInches(inches);
        ASSERT_DOUBLE_EQ(UnitsManager::ParseFeetInches(text), inches) << text;
    }
    // Between the steps the value comes back within half a step.
    for (double inches = 0.01; inches < 1000.0; inches += 0.7391) {
        const std::string text = UnitsManager::FormatFeetInches(inches);
        ASSERT_LE(std::fabs(UnitsManager::ParseFeetInches(text) - inches), 1.0 / 64 + 1e-9) << text;
    }
}

TEST(UnitsNumbers, FiveSignificantDigitsAfterABlank) {
    EXPECT_EQ(UnitsManager::FormatNumber(12.0), " 12.000");
    EXPECT_EQ(UnitsManager::FormatNumber(0.000012345), " 0.000012345");
    EXPECT_EQ(UnitsManager::FormatNumber(25.4), " 25.4");
    EXPECT_EQ(UnitsManager::FormatNumber(0.0), " 0.000");
    EXPECT_EQ(UnitsManager::FormatNumber(0.25), " 0.25");
    EXPECT_EQ(UnitsManager::FormatNumber(-3.5), " -3.5");
    EXPECT_EQ(UnitsManager::FormatNumber(1.0 / 3.0), " 0.33333");
    EXPECT_EQ(UnitsManager::FormatNumber(2.0 / 3.0 * 1000.0), " 666.67");
    EXPECT_EQ(UnitsManager::FormatNumber(12345.0), " 12345.000");
    EXPECT_EQ(UnitsManager::FormatNumber(0.05), " 0.05");
}

TEST(UnitsNumbers, TinyNumbersReadZeroAndLargeOnesKeepTheirExponent) {
    EXPECT_EQ(UnitsManager::FormatNumber(0.0000012345), " 0.0");
    EXPECT_EQ(UnitsManager::FormatNumber(123456.0), " 1.2346e+005");
    EXPECT_EQ(UnitsManager::FormatNumber(100000.0), " 1.e+005");
    EXPECT_EQ(UnitsManager::FormatNumber(99999.7), " 1.e+005");
}

TEST(UnitsManagerUnits, DistancesConvertForTheChosenUnitAndTellWhoListens) {
    UnitsManager units;
    int notices = 0;
    units.unitsChanged = [&] { ++notices; };
    EXPECT_TRUE(units.IsUnit(UnitsManager::kInches));
    EXPECT_EQ(units.FormatDistance(1.0), " 1.000");
    units.SetUnit(UnitsManager::kMillimeters);
    EXPECT_EQ(notices, 1);
    EXPECT_EQ(units.FormatDistance(1.0), " 25.4");
    units.SetUnit(UnitsManager::kFeet);
    EXPECT_EQ(units.FormatDistance(18.0), " 1.5");
    units.SetUnit(UnitsManager::kCentimeters);
    EXPECT_EQ(units.FormatDistance(10.0), " 25.4");
    units.SetUnit(UnitsManager::kMeters);
    EXPECT_EQ(units.FormatDistance(100.0), " 2.54");
    units.SetUnit(UnitsManager::kPercent);
    EXPECT_EQ(units.FormatDistance(50.0), " 50.000");
    units.SetUnit(UnitsManager::kFeetAndInches);
    EXPECT_TRUE(units.IsFeetAndInches());
    EXPECT_EQ(units.FormatDistance(354.75), "29'  6 3/4");
    EXPECT_EQ(units.FormatPlain(6.0), "0'  6");
    units.SetUnit(UnitsManager::kMeters);
    EXPECT_EQ(units.FormatPlain(6.0), " 6.000");
    EXPECT_EQ(notices, 7);
}

TEST(UnitsEntry, TheImperialDistanceTakesFeetAndInchesOnly) {
    HeadlessUserInterface ui;
    const DistanceEntry entry(false);
    EXPECT_EQ(entry.Model().resource, 425);
    EXPECT_EQ(entry.Model().label, "Feet-Inches:");
    EXPECT_EQ(entry.Model().example, "For example, 29' - 6 3/4\"");
    ui.QueueText("29' - 6 3/4\"");
    ui.QueueText("1x0m'");
    std::string text;
    ASSERT_TRUE(entry.DoModal(ui, text));
    EXPECT_DOUBLE_EQ(entry.Read(text), 354.75);
    ASSERT_TRUE(entry.DoModal(ui, text));
    EXPECT_EQ(text, "10'") << "letters are refused as they are typed";
    EXPECT_DOUBLE_EQ(entry.Read(text), 120.0);
    EXPECT_FALSE(entry.Model().Accepts('.'));
    EXPECT_FALSE(entry.DoModal(ui, text)) << "nothing queued: cancelled";
    EXPECT_EQ(ui.EntryDialogs().size(), 3u);
}

TEST(UnitsEntry, TheMetricDistanceAndTheAngleTakeDecimals) {
    HeadlessUserInterface ui;
    const DistanceEntry metric(true);
    EXPECT_EQ(metric.Model().label, "      Meters:");
    EXPECT_EQ(metric.Model().example, "For example, 6.4       ");
    ui.QueueText("6.4m");
    std::string text;
    ASSERT_TRUE(metric.DoModal(ui, text));
    EXPECT_DOUBLE_EQ(metric.Read(text), 6.4);
    EXPECT_FALSE(metric.Model().Accepts('\''));
    EXPECT_FALSE(metric.Model().Accepts('-'));

    const AngleEntry angle(true);
    EXPECT_EQ(angle.Model().resource, 1581);
    EXPECT_EQ(angle.Model().label, "Degrees:");
    ui.QueueText("-22.5 deg");
    ASSERT_TRUE(angle.DoModal(ui, text));
    EXPECT_DOUBLE_EQ(AngleEntry::Read(text), -22.5);
    const AngleEntry imperialAngle(false);
    EXPECT_EQ(imperialAngle.Model().accepted, DistanceEntry(false).Model().accepted);
    EXPECT_FALSE(imperialAngle.Model().Accepts('.'));
}

} // namespace
} // namespace ts
