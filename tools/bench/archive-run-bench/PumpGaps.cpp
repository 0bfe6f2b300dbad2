#include "PumpGaps.h"

namespace tavor {

namespace {

constexpr int PackedPercent = 80;

double millisecondsBetween(TimingWindow::Clock::time_point from,
                           TimingWindow::Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

} // namespace

PumpGaps::PumpGaps(TimingWindow::Clock::time_point start,
                   const std::vector<TimingWindow::Pump>& pumps,
                   TimingWindow::Clock::time_point end) {
    TimingWindow::Clock::time_point previous = start;
    int percent = 0;
    for (const TimingWindow::Pump& pump : pumps) {
        gaps_.push_back({millisecondsBetween(previous, pump.at), percent, pump.progress});
        previous = pump.at;
        percent = pump.progress;
    }
    gaps_.push_back({millisecondsBetween(previous, end), percent, percent});
    for (const Gap& gap : gaps_) {
        if (gap.milliseconds > longest_.milliseconds)
            longest_ = gap;
    }
}

PumpGaps::Gap PumpGaps::longestIn(const QString& phase) const {
    Gap result;
    for (const Gap& gap : gaps_) {
        if (phaseOf(gap) == phase && gap.milliseconds > result.milliseconds)
            result = gap;
    }
    return result;
}

QString PumpGaps::phaseOf(const Gap& gap) {
    if (gap.toPercent <= PackedPercent && gap.fromPercent < PackedPercent)
        return QStringLiteral("packing");
    // Idle pumps while the cabinet is flushed leave the progress at 80 %.
    if (gap.fromPercent == PackedPercent)
        return QStringLiteral("flush");
    if (gap.toPercent < 100)
        return QStringLiteral("read-back");
    return QStringLiteral("commit");
}

} // namespace tavor
