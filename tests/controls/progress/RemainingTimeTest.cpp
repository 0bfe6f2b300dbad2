#include "controls/progress/RemainingTime.h"

#include <gtest/gtest.h>

using tavor::RemainingTime;

TEST(ORVProgressXPRemainingTime, FormatDurationDropsFractionsAndPadsFields) {
    EXPECT_EQ(RemainingTime::FormatDuration(3725.9), QStringLiteral("01:02:05"));
    EXPECT_EQ(RemainingTime::FormatDuration(0), QStringLiteral("00:00:00"));
    EXPECT_EQ(RemainingTime::FormatDuration(59.999), QStringLiteral("00:00:59"));
    EXPECT_EQ(RemainingTime::FormatDuration(360000), QStringLiteral("100:00:00"));
}

// A negative duration keeps its minus sign before the padded digits.
TEST(ORVProgressXPRemainingTime, FormatDurationOfNegativeSeconds) {
    EXPECT_EQ(RemainingTime::FormatDuration(-5), QStringLiteral("-01:59:55"));
}

// Constant speed: 25 % after 30 s means 120 s in all, 90 s to go.
TEST(ORVProgressXPRemainingTime, EstimateScalesElapsedTimeToTheWhole) {
    EXPECT_DOUBLE_EQ(RemainingTime::estimate(30.0, 25), 90.0);
    EXPECT_DOUBLE_EQ(RemainingTime::estimate(30.0, 100), 0.0);
    EXPECT_DOUBLE_EQ(RemainingTime::estimate(30.0, 0), 0.0);
}

TEST(ORVProgressXPRemainingTime, CaptionMeasuresFromTheLastRestart) {
    qint64 now = 5000;
    RemainingTime remaining([&now] { return now; });
    now = 65000;
    remaining.restart();
    now += 30000;
    EXPECT_EQ(remaining.caption(25), QStringLiteral("Remaining Time: 00:01:30"));
    EXPECT_EQ(remaining.caption(0), QStringLiteral("Remaining Time: 00:00:00"));
}

// A run that crosses midnight: elapsed time keeps counting up instead of
// restarting from zero at 00:00, so the estimate never turns negative.
TEST(ORVProgressXPRemainingTime, RunAcrossMidnightKeepsAPositiveEstimate) {
    constexpr qint64 Day = 24LL * 60 * 60 * 1000;
    qint64 now = Day - 10000;
    RemainingTime remaining([&now] { return now; });
    remaining.restart();
    now = Day + 20000;
    EXPECT_DOUBLE_EQ(remaining.elapsedSeconds(), 30.0);
    EXPECT_EQ(remaining.caption(25), QStringLiteral("Remaining Time: 00:01:30"));
}

// The default clock must count forward from the restart, not from some epoch.
TEST(ORVProgressXPRemainingTime, DefaultClockStartsNearZeroAndNeverGoesBack) {
    RemainingTime remaining;
    const double first = remaining.elapsedSeconds();
    const double second = remaining.elapsedSeconds();
    EXPECT_GE(first, 0.0);
    EXPECT_LT(first, 60.0);
    EXPECT_GE(second, first);
}
