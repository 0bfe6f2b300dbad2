#include "safewrite/IdleTicker.h"

#include <algorithm>
#include <future>

namespace tavor {

IdleTicker::IdleTicker(Handler handler, Clock::duration interval)
    : handler_(std::move(handler)), interval_(interval), last_(Clock::now()) {}

void IdleTicker::tick() {
    if (!handler_) {
        return;
    }
    const Clock::time_point now = Clock::now();
    if (now - last_ >= interval_) {
        last_ = now;
        handler_();
    }
}

void IdleTicker::runAside(const std::function<void()>& step,
                          const std::function<void()>& meanwhile) {
    if (!handler_) {
        step();
        return;
    }
    // The future waits for the step when it goes, so a handler that raises cannot
    // leave the step running behind it.
    std::future<void> done = std::async(std::launch::async, step);
    while (done.wait_for(untilDue()) != std::future_status::ready) {
        if (meanwhile) {
            meanwhile();
        }
        tick();
    }
    done.get();
}

IdleTicker::Clock::duration IdleTicker::untilDue() const {
    return std::max(Clock::duration::zero(), last_ + interval_ - Clock::now());
}

} // namespace tavor
