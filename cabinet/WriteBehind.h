#pragma once

#include "safewrite/IdleTicker.h"
#include "safewrite/ReplacementFile.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace tavor {

// Appends buffers to a file on a thread of its own, a few buffers behind the caller,
// so that a medium that takes its time (a stick, whose writes block) neither holds
// the caller's thread nor leaves the encoders idle while one write is under way.
// Starts writing to the medium every few mebibytes, and tells of every buffer
// appended. Failures are raised to the caller at its next call.
class WriteBehind {
public:
    // Called on the writing thread with the file's length after each buffer.
    using Written = std::function<void(std::int64_t end)>;

    WriteBehind(ReplacementFile& output, std::int64_t length, Written written);
    ~WriteBehind();

    WriteBehind(const WriteBehind&) = delete;
    WriteBehind& operator=(const WriteBehind&) = delete;

    // Queues bytes to be appended and leaves in their place an empty buffer to fill
    // next. Waits, ticking idle, while the queue is full.
    void append(std::vector<std::uint8_t>& bytes, IdleTicker& idle);
    // Waits, ticking idle, until everything queued is in the file; returns its length.
    std::int64_t drain(IdleTicker& idle);

private:
    void run();
    void waitUntil(const std::function<bool()>& done, IdleTicker& idle);

    ReplacementFile& output_;
    Written written_;
    std::int64_t length_;
    std::int64_t writebackFrom_;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::vector<std::uint8_t>> queued_;
    std::vector<std::vector<std::uint8_t>> spare_;
    bool writing_ = false;
    bool stopping_ = false;
    std::exception_ptr failure_;
    std::thread thread_;
};

} // namespace tavor
