#pragma once

#include <QString>
#include <QtGlobal>
#include <functional>

namespace tavor {

// The progress bar's remaining-time estimate. Elapsed time is measured on a
// monotonic clock, so a run across midnight or a change of the wall clock
// cannot make it negative.
class RemainingTime {
public:
    // Milliseconds on a clock that never goes back.
    using Clock = std::function<qint64()>;

    RemainingTime();
    explicit RemainingTime(Clock clock);

    // Starts a new timing period now.
    void restart();
    double elapsedSeconds() const;

    // "Remaining Time: " and the estimate for a value reached now.
    QString caption(int value) const;

    // Assumes constant speed: the time so far scaled to the whole, less the part done.
    static double estimate(double elapsedSeconds, int value);
    // Hours, minutes and seconds, each at least two digits, joined by ":";
    // fractions of a second are dropped.
    static QString FormatDuration(double seconds);
    static Clock monotonicClock();

private:
    Clock clock_;
    qint64 startMs_;
};

} // namespace tavor
