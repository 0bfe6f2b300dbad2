#include "cabinet/PackingChoice.h"

namespace tavor {

namespace {

// 4 MiB of source between reviews: long enough for the waits to say something.
constexpr int ReviewBlocks = 128;
// The share of its time a side must have waited for the other to count as faster.
constexpr double WaitingShare = 0.25;

} // namespace

PackingChoice::PackingChoice(ParallelBlockEncoder& blocks, CabinetPacking packing)
    : blocks_(blocks), byMedium_(packing == CabinetPacking::ByMedium), reviewed_(Clock::now()),
      waited_(blocks.waits()) {
    blocks_.carryHistory(packing == CabinetPacking::Small);
}

void PackingChoice::review() {
    if (!byMedium_ || ++blocksSinceReview_ < ReviewBlocks) {
        return;
    }
    blocksSinceReview_ = 0;
    const Clock::time_point now = Clock::now();
    const ParallelBlockEncoder::Waits waits = blocks_.waits();
    const double span = std::chrono::duration<double>(now - reviewed_).count();
    const double workers = std::chrono::duration<double>(waits.workers - waited_.workers).count() /
                           blocks_.threadCount();
    const double consumer =
        std::chrono::duration<double>(waits.consumer - waited_.consumer).count();
    reviewed_ = now;
    waited_ = waits;
    if (span <= 0) {
        return;
    }
    if (!blocks_.carriesHistory() && workers > WaitingShare * span) {
        blocks_.carryHistory(true);
    } else if (blocks_.carriesHistory() && consumer > WaitingShare * span) {
        blocks_.carryHistory(false);
    }
}

} // namespace tavor
