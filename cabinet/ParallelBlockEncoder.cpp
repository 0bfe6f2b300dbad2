#include "cabinet/ParallelBlockEncoder.h"

#include "cabinet/CabinetFormat.h"
#include "cabinet/MszipBlockEncoder.h"
#include "cabinet/WorkerPriority.h"
#include "safewrite/SystemError.h"

#include <algorithm>
#include <cerrno>

namespace tavor {

namespace {

constexpr int SlotsPerThread = 4;
constexpr int SourceCameUpShort = -1;
// How often a consumer waiting for its block looks whether the window is due.
constexpr std::chrono::milliseconds TickWait{1};

} // namespace

ParallelBlockEncoder::ParallelBlockEncoder(const SourceFile& source, SystemCalls& calls,
                                           int threads, int level)
    : source_(source), calls_(calls), blockCount_(cabinet::blockCountFor(source.size())) {
    threads = std::max(1, threads);
    const std::size_t slotBytes = MszipBlockEncoder(level).maxEncodedSize();
    slots_.resize(std::size_t(threads) * SlotsPerThread);
    for (Slot& slot : slots_) {
        slot.bytes.resize(slotBytes);
        slot.source.resize(cabinet::BlockSize);
    }
    workers_.reserve(std::size_t(threads));
    for (int i = 0; i < threads; ++i) {
        workers_.emplace_back([this, level] { work(level); });
    }
}

ParallelBlockEncoder::~ParallelBlockEncoder() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    blockReady_.notify_all();
    slotFree_.notify_all();
    for (std::thread& worker : workers_) {
        worker.join();
    }
}

ParallelBlockEncoder::Block ParallelBlockEncoder::next(IdleTicker& idle) {
    std::unique_lock lock(mutex_);
    if (holdingTaken_) {
        slots_[(nextToTake_ - 1) % slots_.size()].ready = false;
        holdingTaken_ = false;
        slotFree_.notify_one();
    }
    Slot& slot = slots_[nextToTake_ % slots_.size()];
    const auto waitFrom = std::chrono::steady_clock::now();
    const auto arrived = [&] { return slot.ready || failure_ != 0; };
    // Encoders starved of the processor must not hold the window: it is ticked
    // while the block is awaited.
    while (!blockReady_.wait_for(lock, TickWait, arrived)) {
        lock.unlock();
        idle.tick();
        lock.lock();
    }
    waits_.consumer += std::chrono::steady_clock::now() - waitFrom;
    if (!slot.ready) {
        if (failure_ == SourceCameUpShort) {
            throw source_.changedError();
        }
        throw systemError(failure_, QStringLiteral("Cannot read"), source_.path());
    }
    ++nextToTake_;
    holdingTaken_ = true;
    return {{slot.bytes.data(), slot.length},
            {slot.source.data() + slot.historyLength, slot.sourceLength}};
}

ParallelBlockEncoder::Waits ParallelBlockEncoder::waits() {
    std::lock_guard lock(mutex_);
    return waits_;
}

void ParallelBlockEncoder::work(int level) {
    lowerWorkerPriority();
    MszipBlockEncoder encoder(level);
    std::uint32_t block = 0;
    bool history = false;
    while (claimBlock(block, history)) {
        // The slot is this worker's alone until it is marked ready.
        Slot& slot = slots_[block % slots_.size()];
        if (!readBlock(block, history, slot)) {
            return;
        }
        slot.length = encoder.encode({slot.source.data(), slot.historyLength},
                                     slot.source.data() + slot.historyLength, slot.sourceLength,
                                     slot.bytes.data());
        {
            std::lock_guard lock(mutex_);
            slot.ready = true;
        }
        blockReady_.notify_one();
    }
}

// Takes the next block to encode once its slot in the window is free.
bool ParallelBlockEncoder::claimBlock(std::uint32_t& block, bool& history) {
    std::unique_lock lock(mutex_);
    const auto waitFrom = std::chrono::steady_clock::now();
    slotFree_.wait(lock, [&] {
        return stopping_ || failure_ != 0 || nextToClaim_ >= blockCount_ ||
               nextToClaim_ < nextToTake_ - (holdingTaken_ ? 1 : 0) + slots_.size();
    });
    waits_.workers += std::chrono::steady_clock::now() - waitFrom;
    if (stopping_ || failure_ != 0 || nextToClaim_ >= blockCount_) {
        return false;
    }
    block = nextToClaim_++;
    history = carriesHistory() && block > 0;
    return true;
}

// Reads the block, after the block before it when it carries its history.
bool ParallelBlockEncoder::readBlock(std::uint32_t block, bool history, Slot& slot) {
    slot.historyLength = history ? cabinet::BlockSize : 0;
    slot.sourceLength = std::size_t(std::min<std::int64_t>(
        cabinet::BlockSize, source_.size() - std::int64_t(block) * cabinet::BlockSize));
    const off_t offset = off_t(block) * cabinet::BlockSize - off_t(slot.historyLength);
    const std::size_t wanted = slot.historyLength + slot.sourceLength;
    // Room for a history only once one is carried: a fast packing does without.
    if (slot.source.size() < wanted) {
        slot.source.resize(2 * cabinet::BlockSize);
    }
    std::size_t size = 0;
    while (size < wanted) {
        const ssize_t got = calls_.pread(source_.fd(), slot.source.data() + size, wanted - size,
                                         offset + off_t(size));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            fail(got < 0 ? errno : SourceCameUpShort);
            return false;
        }
        size += std::size_t(got);
    }
    return true;
}

void ParallelBlockEncoder::fail(int errorCode) {
    {
        std::lock_guard lock(mutex_);
        if (failure_ == 0) {
            failure_ = errorCode;
        }
    }
    blockReady_.notify_all();
    slotFree_.notify_all();
}

} // namespace tavor
