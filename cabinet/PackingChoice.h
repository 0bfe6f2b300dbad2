#pragma once

#include "cabinet/ParallelBlockEncoder.h"

#include <chrono>

namespace tavor {

// How the blocks of a cabinet are packed.
enum class CabinetPacking {
    // Each block on its own: the fastest.
    Fast,
    // Each block with the 32 KiB before it as its history: smaller, slower.
    Small,
    // Small while the medium takes the cabinet more slowly than the blocks come, so
    // that processor time the medium would leave idle makes the cabinet smaller;
    // Fast otherwise.
    ByMedium,
};

// Sets the packing of an encoder's blocks and, by the medium, reviews it as the
// blocks are taken: when the workers wait for the writer more than the writer for
// them, the medium is the slower, and the history is worth its time.
class PackingChoice {
public:
    PackingChoice(ParallelBlockEncoder& blocks, CabinetPacking packing);

    // Called for every block taken; looks again every few mebibytes.
    void review();

private:
    using Clock = std::chrono::steady_clock;

    ParallelBlockEncoder& blocks_;
    const bool byMedium_;
    int blocksSinceReview_ = 0;
    Clock::time_point reviewed_;
    ParallelBlockEncoder::Waits waited_;
};

} // namespace tavor
