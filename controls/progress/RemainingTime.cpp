#include "controls/progress/RemainingTime.h"

#include <QElapsedTimer>
#include <cmath>
#include <utility>

namespace tavor {

namespace {

// At least two digits, the minus sign before the padded digits.
QString twoDigits(qint64 number) {
    const QString digits = QString::number(number < 0 ? -number : number).rightJustified(2, u'0');
    return number < 0 ? u'-' + digits : digits;
}

} // namespace

RemainingTime::RemainingTime() : RemainingTime(monotonicClock()) {}

RemainingTime::RemainingTime(Clock clock) : clock_(std::move(clock)), startMs_(clock_()) {}

RemainingTime::Clock RemainingTime::monotonicClock() {
    QElapsedTimer timer;
    timer.start();
    return [timer] { return timer.elapsed(); };
}

void RemainingTime::restart() {
    startMs_ = clock_();
}

double RemainingTime::elapsedSeconds() const {
    return static_cast<double>(clock_() - startMs_) / 1000.0;
}

QString RemainingTime::caption(int value) const {
    return QStringLiteral("Remaining Time: ") + FormatDuration(estimate(elapsedSeconds(), value));
}

double RemainingTime::estimate(double elapsedSeconds, int value) {
    if (value == 0)
        return 0.0;
    const double total = elapsedSeconds * 100.0 / value;
    return (100.0 - value) * total / 100.0;
}

QString RemainingTime::FormatDuration(double seconds) {
    const double totalMinutes = std::floor(seconds / 60.0);
    const double secs = std::floor(seconds - 60.0 * totalMinutes);
    const double hours = std::floor(totalMinutes / 60.0);
    const double minutes = std::floor(totalMinutes - 60.0 * hours);
    return twoDigits(static_cast<qint64>(hours)) + u':' + twoDigits(static_cast<qint64>(minutes)) +
           u':' + twoDigits(static_cast<qint64>(secs));
}

} // namespace tavor
