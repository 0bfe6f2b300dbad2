#include "controls/progress/RemainingTime.h"

#include <gtest/gtest.h>

using tavor::RemainingTime;

// Fractions are dropped, never rounded up; a minus sign goes before the padded digits.
TEST(ORVProgressXPRemainingTime, FormatDurationTruncatesAndPads) {
    EXPECT_EQ(RemainingTime::FormatDuration(3725.9), QStringLiteral("01:02:05"));
    EXPECT_EQ(RemainingTime::FormatDuration(0), QStringLiteral("00:00:00"));
    EXPECT_EQ(RemainingTime::FormatDuration(59.999), QStringLiteral("00:00:59"));
    EXPECT_EQ(RemainingTime::FormatDuration(360000), QStringLiteral("100:00:00"));
    EXPECT_EQ(RemainingTime::FormatDuration(-5), QStringLiteral("-01:59:55"));
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

// The default clock must count from the start of the period, not from some epoch.
TEST(ORVProgressXPRemainingTime, DefaultClockStartsNearZeroAndNeverGoesBack) {
    RemainingTime remaining;
    const double first = remaining.elapsedSeconds();
    EXPECT_GE(first, 0.0);
    EXPECT_LT(first, 60.0);
    EXPECT_GE(remaining.elapsedSeconds(), first);
}
