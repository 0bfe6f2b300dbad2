#pragma once

#include "pipeline/BackupContext.h"
#include "pipeline/run/RunResult.h"
#include "pipeline/run/TargetDrive.h"

namespace tavor {

// What follows the rows of a run: the satellite rows' business dates, the dated
// folder's manifest, and the drive's safe removal once the run's record is kept.
class RunFollowUp {
public:
    explicit RunFollowUp(BackupContext& context) : context_(context) {}

    // The history and signatures rows record the business date of their backup, when
    // their file is the one the list named for them; a failed record is silent.
    void recordSatelliteDate(const RowOutcome& outcome);
    // The manifest lists what the rows left on the drive. A manifest that cannot be
    // written takes no tick away (the files it would list are safe), but the night
    // failed: the stick leaves the building without what checks it.
    Outcome writeManifest(const RunResult& result, const TargetDrive& drive);
    // Has the drive removed safely after a run that ticked every row onto a removable
    // one, when the technician asks for it; the report lands in result.removal.
    void removeDriveSafely(RunResult& result);

private:
    bool removalIsDue(const RunResult& result) const;

    BackupContext& context_;
};

} // namespace tavor
