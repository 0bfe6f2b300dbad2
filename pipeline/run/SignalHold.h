#pragma once

#include "platform/process/StopSignals.h"

namespace tavor {

// Holds the stop signals while the run writes, and gives them back however it ends.
class SignalHold {
public:
    explicit SignalHold(StopSignals* stop) : stop_(stop) {
        if (stop_)
            stop_->hold();
    }
    ~SignalHold() { release(); }
    SignalHold(const SignalHold&) = delete;
    SignalHold& operator=(const SignalHold&) = delete;

    void release() {
        if (stop_)
            stop_->release();
        stop_ = nullptr;
    }

private:
    StopSignals* stop_;
};

} // namespace tavor
