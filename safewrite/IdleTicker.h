#pragma once

#include <chrono>
#include <functional>

namespace tavor {

// Keeps the caller's thread answering through long file work: tick() calls the idle
// handler (which may run pending window events) once the interval has passed since
// it last ran, and runAside() runs a blocking step (a flush) on a worker thread
// while this thread goes on ticking. Without a handler both cost nothing.
class IdleTicker {
public:
    using Handler = std::function<void()>;
    using Clock = std::chrono::steady_clock;

    static constexpr std::chrono::milliseconds DefaultInterval{8};

    explicit IdleTicker(Handler handler = {}, Clock::duration interval = DefaultInterval);

    // Cheap enough for every block: a clock read, and the handler when it is due.
    void tick();
    // Runs step to its end and raises what it raised, calling meanwhile before each
    // tick. An error of the handler is raised too, once step has ended.
    void runAside(const std::function<void()>& step, const std::function<void()>& meanwhile = {});

private:
    Clock::duration untilDue() const;

    Handler handler_;
    Clock::duration interval_;
    Clock::time_point last_;
};

} // namespace tavor
