#include "model/line.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

namespace ts {
namespace {

TEST(Line, CoincidentPointsGiveTheHorizontalLineThroughThem) {
    const Line line(5, 5, 5, 5);
    EXPECT_EQ(line.vertical, 0);
    EXPECT_EQ(line.slope, 0.0);
    EXPECT_EQ(line.intercept, 5.0);
    EXPECT_TRUE(std::isinf(line.xIntercept));
}

TEST(Line, EqualXGivesAVerticalLineHeldByItsX) {
    const Line line(2, 0, 2, 9);
    EXPECT_EQ(line.vertical, 1);
    EXPECT_EQ(line.xIntercept, 2.0);
    EXPECT_EQ(line.slope, 0.0);
    EXPECT_EQ(line.intercept, 0.0);
}

TEST(Line, SlopeAndInterceptsFollowFromTheTwoPoints) {
    const Line line(1, 3, 5, 11); // y = 2x + 1
    EXPECT_EQ(line.vertical, 0);
    EXPECT_DOUBLE_EQ(line.slope, 2.0);
    EXPECT_DOUBLE_EQ(line.intercept, 1.0);
    EXPECT_DOUBLE_EQ(line.xIntercept, -0.5);

    const Line reversed(5, 11, 1, 3);
    EXPECT_DOUBLE_EQ(reversed.slope, 2.0);
    EXPECT_DOUBLE_EQ(reversed.intercept, 1.0);
}

TEST(Line, HorizontalLinesHaveAnInfiniteXInterceptEvenThroughTheOrigin) {
    for (const Line& line : {Line(0, 0, 7, 0), Line(7, 0, 0, 0), Line(-3, 4, 9, 4), Line(9, -4, -3, -4)}) {
        EXPECT_EQ(line.slope, 0.0);
        EXPECT_TRUE(std::isinf(line.xIntercept) && line.xIntercept > 0);
    }
}

TEST(Line, ExtremeCoordinatesDoNotOverflow) {
    const Line line(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX);
    EXPECT_DOUBLE_EQ(line.slope, 1.0);
    EXPECT_NEAR(line.intercept, 0.0, 1e-6);
    const Line nudged(INT32_MAX, 0, INT32_MAX, 0);
    EXPECT_EQ(nudged.vertical, 0);
    EXPECT_EQ(nudged.intercept, 0.0);
}

} // namespace
} // namespace ts
