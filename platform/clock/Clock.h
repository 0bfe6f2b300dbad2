#pragma once

#include <QDateTime>
#include <QtGlobal>

namespace tavor {

// Time as the program reads it: a monotonic clock for waits, which never jumps,
// and the wall clock for anything dated.
class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds from an arbitrary start; never goes back.
    virtual qint64 monotonicMilliseconds() const = 0;
    virtual QDateTime now() const = 0;
};

} // namespace tavor
