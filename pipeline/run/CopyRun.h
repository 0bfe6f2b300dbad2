#pragma once

#include "pipeline/BackupContext.h"
#include "pipeline/run/ArchiveRun.h"
#include "pipeline/run/RunResult.h"

#include <QDateTime>

namespace tavor {

// The copy run as the copy button and the unattended run take it: its record
// begun, the archive run, its record kept (line, RUN.json, metrics, desktop note),
// and only then the drive's safe removal, so that RUN.json goes with the stick and
// a stop signal during a slow removal loses nothing.
class CopyRun {
public:
    explicit CopyRun(BackupContext& context, ArchiveRun::RowListener onRow = {},
                     ArchiveRun::PruningListener onPruning = {})
        : context_(context), onRow_(std::move(onRow)), onPruning_(std::move(onPruning)) {}

    // Runs and keeps the run's record.
    RunResult run();
    // Has the drive removed safely when the run calls for it; after run().
    void removeDriveSafely(RunResult& result);
    // When the last complete run onto this run's drive ended, this one included;
    // invalid when the drive is no removable volume of a known UUID or had none.
    const QDateTime& lastCompleteCopy() const { return lastCompleteCopy_; }

private:
    BackupContext& context_;
    ArchiveRun::RowListener onRow_;
    ArchiveRun::PruningListener onPruning_;
    QDateTime lastCompleteCopy_;
};

} // namespace tavor
