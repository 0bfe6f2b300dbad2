#include "cabinet/WriteBehind.h"

namespace tavor {

namespace {

// Buffers waiting to be written, besides the one being written: room enough for the
// encoders to go on through one slow write, little enough to keep memory small.
constexpr std::size_t QueuedBuffers = 3;
// Writing to the medium starts every this many bytes, so that the flush before
// the cabinet takes its name finds little left.
constexpr std::int64_t WritebackBytes = std::int64_t(8) << 20;

} // namespace

WriteBehind::WriteBehind(ReplacementFile& output, std::int64_t length, Written written)
    : output_(output), written_(std::move(written)), length_(length), writebackFrom_(length),
      thread_([this] { run(); }) {}

WriteBehind::~WriteBehind() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void WriteBehind::append(std::vector<std::uint8_t>& bytes, IdleTicker& idle) {
    waitUntil([&] { return queued_.size() < QueuedBuffers; }, idle);
    std::lock_guard lock(mutex_);
    const std::size_t capacity = bytes.capacity();
    queued_.push_back(std::move(bytes));
    if (spare_.empty()) {
        bytes = {};
        bytes.reserve(capacity);
    } else {
        bytes = std::move(spare_.back());
        spare_.pop_back();
    }
    changed_.notify_all();
}

std::int64_t WriteBehind::drain(IdleTicker& idle) {
    waitUntil([&] { return queued_.empty() && !writing_; }, idle);
    return length_;
}

// Waits, the lock held for done, until done or a failure; raises the failure.
void WriteBehind::waitUntil(const std::function<bool()>& done, IdleTicker& idle) {
    const auto settled = [&] { return done() || failure_; };
    if (std::unique_lock lock(mutex_); !settled()) {
        lock.unlock();
        idle.runAside([&] {
            std::unique_lock waiting(mutex_);
            changed_.wait(waiting, settled);
        });
    }
    std::lock_guard lock(mutex_);
    if (failure_) {
        std::rethrow_exception(failure_);
    }
}

void WriteBehind::run() {
    std::unique_lock lock(mutex_);
    while (true) {
        changed_.wait(lock, [&] { return stopping_ || !queued_.empty(); });
        if (stopping_ || failure_) {
            return;
        }
        std::vector<std::uint8_t> bytes = std::move(queued_.front());
        queued_.pop_front();
        writing_ = true;
        lock.unlock();
        try {
            output_.append(bytes.data(), bytes.size());
            length_ += std::int64_t(bytes.size());
            if (length_ - writebackFrom_ >= WritebackBytes) {
                output_.startWriteback();
                writebackFrom_ = length_;
            }
            written_(length_);
        } catch (...) {
            lock.lock();
            failure_ = std::current_exception();
            writing_ = false;
            changed_.notify_all();
            return;
        }
        bytes.clear();
        lock.lock();
        spare_.push_back(std::move(bytes));
        writing_ = false;
        changed_.notify_all();
    }
}

} // namespace tavor
