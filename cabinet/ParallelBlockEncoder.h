#pragma once

#include "safewrite/IdleTicker.h"
#include "safewrite/SourceFile.h"
#include "safewrite/SystemCalls.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

namespace tavor {

// Reads the 32 KiB blocks of one source and encodes them on worker threads, at most
// a fixed window of blocks ahead of the consumer, and hands them back in order.
// Memory stays bounded by the window whatever the size of the source. Blocks are
// encoded on their own or, once asked, each with the 32 KiB before it as its history
// (smaller, slower); how long each side waited for the other tells which is faster.
class ParallelBlockEncoder {
public:
    ParallelBlockEncoder(const SourceFile& source, SystemCalls& calls, int threads, int level);
    ~ParallelBlockEncoder();

    ParallelBlockEncoder(const ParallelBlockEncoder&) = delete;
    ParallelBlockEncoder& operator=(const ParallelBlockEncoder&) = delete;

    std::uint32_t blockCount() const { return blockCount_; }

    // Whether the blocks claimed from now on carry their history; from any thread.
    void carryHistory(bool on) { carryHistory_.store(on, std::memory_order_relaxed); }
    bool carriesHistory() const { return carryHistory_.load(std::memory_order_relaxed); }

    // How long the workers together waited for the consumer to free a slot, and how
    // long the consumer waited for its next block, so far.
    struct Waits {
        std::chrono::steady_clock::duration workers{};
        std::chrono::steady_clock::duration consumer{};
    };
    Waits waits();
    int threadCount() const { return int(workers_.size()); }

    struct Block {
        std::span<const std::uint8_t> encoded;
        // The source bytes the block holds, for checksums of what was packed.
        std::span<const std::uint8_t> source;
    };

    // Waits for the next block in order, ticking idle meanwhile, and returns it,
    // valid until the following call. Raises tavor::Error when the source could not
    // be read.
    Block next(IdleTicker& idle);

private:
    struct Slot {
        std::vector<std::uint8_t> bytes;
        std::size_t length = 0;
        // The history, if any, then the block's own bytes.
        std::vector<std::uint8_t> source;
        std::size_t historyLength = 0;
        std::size_t sourceLength = 0;
        bool ready = false;
    };

    void work(int level);
    bool claimBlock(std::uint32_t& block, bool& history);
    bool readBlock(std::uint32_t block, bool history, Slot& slot);
    void fail(int errorCode);

    const SourceFile& source_;
    SystemCalls& calls_;
    const std::uint32_t blockCount_;
    std::vector<Slot> slots_;
    std::vector<std::thread> workers_;

    std::mutex mutex_;
    // The consumer waits for its block, the workers for a free slot: each side is
    // woken only for what it waits for (blocks may take microseconds).
    std::condition_variable blockReady_;
    std::condition_variable slotFree_;
    std::uint32_t nextToClaim_ = 0;
    std::uint32_t nextToTake_ = 0;
    bool holdingTaken_ = false;
    bool stopping_ = false;
    int failure_ = 0; // errno of a failed read; -1 when the source came up short
    Waits waits_;
    std::atomic<bool> carryHistory_ = false;
};

} // namespace tavor
