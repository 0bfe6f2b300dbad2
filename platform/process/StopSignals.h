#pragma once

#include <QString>

namespace tavor {

// The signals that ask the program to stop: SIGTERM (a service stopped, the system
// shutting down), SIGINT (Ctrl+C) and SIGHUP (its terminal gone). While a copy run
// writes they are held as a request, so that the run can abandon its current write,
// remove the partial file and report what it did; otherwise they end the program as
// they always do.
class StopSignals {
public:
    virtual ~StopSignals() = default;

    // From now on the signals are recorded instead of ending the program; a signal
    // the program was started to ignore stays ignored. Forgets an earlier record.
    virtual void hold() = 0;
    // Gives the signals their earlier handling back; the record stays.
    virtual void release() = 0;
    // The name of the first signal recorded since hold() ("SIGTERM"); empty when none.
    virtual QString received() const = 0;
};

} // namespace tavor
