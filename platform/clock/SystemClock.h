#pragma once

#include "platform/clock/Clock.h"

#include <QElapsedTimer>

namespace tavor {

// The host's clocks.
class SystemClock : public Clock {
public:
    SystemClock() { started_.start(); }
    qint64 monotonicMilliseconds() const override { return started_.elapsed(); }
    QDateTime now() const override { return QDateTime::currentDateTime(); }

private:
    QElapsedTimer started_;
};

} // namespace tavor
