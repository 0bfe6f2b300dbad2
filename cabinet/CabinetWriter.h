#pragma once

#include "cabinet/PackingChoice.h"
#include "safewrite/IdleTicker.h"
#include "safewrite/SystemCalls.h"

#include <QString>
#include <functional>

namespace tavor {

struct CabinetWriterOptions {
    // Encoding threads; 0 takes one per core.
    int threads = 0;
    // Deflate level of every block (libdeflate, 1 to 12; zlib's 1 to 9 for blocks
    // with their history).
    int level = 6;
    CabinetPacking packing = CabinetPacking::ByMedium;
    // Reading the cabinet back before it takes its name; off only to measure
    // what reading back costs.
    bool verify = true;
    // The longest the idle handler waits while work goes on.
    IdleTicker::Clock::duration idleInterval = IdleTicker::DefaultInterval;
};

// Writes a cabinet holding one file, MSZIP-compressed, its 32 KiB blocks deflated
// on all cores (each on its own, or with its history: CabinetPacking). The cabinet is built beside
// its target, read back from the disk while it is written and checked against the source, and takes
// the target's name only when it is complete, flushed and found whole; on failure an older cabinet
// there is left as it was. Failures raise tavor::Error.
class CabinetWriter {
public:
    using Progress = std::function<void(int percent)>;

    explicit CabinetWriter(SystemCalls& calls = SystemCalls::host(),
                           CabinetWriterOptions options = {});

    // Packs source into cabinet under the entry name entryName (UTF-8 when not
    // ASCII). progress is called on this thread with whole percentages from 0 to
    // 100, each at most once and in order; 100 comes once the cabinet is in place.
    // idle is called on this thread whenever the interval of the options has passed
    // without it, from the first block to the cabinet in place; flushes run on a
    // worker thread meanwhile. A source the format cannot hold is refused before
    // anything is written. Returns the SHA-256 of the cabinet as it was read back
    // (lower-case hex); empty when the options turn reading back off.
    QByteArray write(const QString& cabinet, const QString& source, const QString& entryName,
                     const Progress& progress, const IdleTicker::Handler& idle = {});

private:
    int threadCount() const;

    SystemCalls& calls_;
    CabinetWriterOptions options_;
};

} // namespace tavor
