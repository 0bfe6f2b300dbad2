#include "PumpGaps.h"

#include <gtest/gtest.h>

using namespace tavor;
using namespace std::chrono_literals;

namespace {

TimingWindow::Pump pumpAt(TimingWindow::Clock::time_point start, std::chrono::milliseconds after,
                          int progress) {
    return {start + after, progress};
}

} // namespace

// Guards against a bench that only looks between pumps and so misses a long
// stretch before the first pump or after the last one.
TEST(PumpGapsTest, CountsTheStretchesBeforeTheFirstAndAfterTheLastPump) {
    const TimingWindow::Clock::time_point start{};
    const PumpGaps late(start, {pumpAt(start, 150ms, 0), pumpAt(start, 200ms, 1)}, start + 250ms);
    EXPECT_DOUBLE_EQ(late.longest().milliseconds, 150.0);
    EXPECT_EQ(late.longest().toPercent, 0);

    const PumpGaps stalled(start, {pumpAt(start, 10ms, 99)}, start + 300ms);
    EXPECT_DOUBLE_EQ(stalled.longest().milliseconds, 290.0);

    const PumpGaps none(start, {}, start + 40ms);
    EXPECT_DOUBLE_EQ(none.longest().milliseconds, 40.0);
}

// Guards against a long gap blamed on the wrong phase of the writer: packing ends
// at 80 %, the flush lies between 80 % and the first read-back step (idle pumps
// meanwhile stay at 80 %), reading back ends at 99 %, and 100 % is the cabinet put
// in place.
TEST(PumpGapsTest, PutsEachGapInTheWritersPhase) {
    const TimingWindow::Clock::time_point start{};
    const PumpGaps gaps(start,
                        {pumpAt(start, 0ms, 0), pumpAt(start, 20ms, 79), pumpAt(start, 60ms, 80),
                         pumpAt(start, 95ms, 80), pumpAt(start, 100ms, 81),
                         pumpAt(start, 150ms, 95), pumpAt(start, 160ms, 99),
                         pumpAt(start, 165ms, 100)},
                        start + 166ms);
    EXPECT_DOUBLE_EQ(gaps.longestIn(QStringLiteral("packing")).milliseconds, 40.0);
    EXPECT_DOUBLE_EQ(gaps.longestIn(QStringLiteral("flush")).milliseconds, 35.0);
    EXPECT_DOUBLE_EQ(gaps.longestIn(QStringLiteral("read-back")).milliseconds, 50.0);
    EXPECT_DOUBLE_EQ(gaps.longestIn(QStringLiteral("commit")).milliseconds, 5.0);
    EXPECT_EQ(PumpGaps::phaseOf(gaps.longest()), QStringLiteral("read-back"));
    EXPECT_EQ(gaps.longest().fromPercent, 81);
    EXPECT_EQ(gaps.longest().toPercent, 95);
}
