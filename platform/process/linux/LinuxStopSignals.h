#pragma once

#include "platform/process/StopSignals.h"

#include <array>
#include <csignal>

namespace tavor {

// The stop signals on a Linux host: a handler that only records the signal's number
// (safe on any thread, at any moment); the run reads the record at its idle calls.
// One instance at a time holds the signals.
class LinuxStopSignals : public StopSignals {
public:
    void hold() override;
    void release() override;
    QString received() const override;

private:
    static constexpr std::array<int, 3> Held = {SIGTERM, SIGINT, SIGHUP};

    std::array<struct sigaction, Held.size()> earlier_ = {};
    std::array<bool, Held.size()> installed_ = {};
};

} // namespace tavor
