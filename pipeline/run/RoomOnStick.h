#pragma once

#include "base/Outcome.h"
#include "pipeline/BackupContext.h"
#include "pipeline/run/PruningReport.h"
#include "pipeline/run/RoomBeforeWriting.h"
#include "pipeline/run/TargetDrive.h"

#include <QList>
#include <QMap>
#include <functional>

namespace tavor {

// Before a run's first row: works out what its rows will need on the stick and, when
// the volume has less free and the technician allows it, has the oldest dated folders
// removed until the run fits.
class RoomOnStick {
public:
    RoomOnStick(const BackupContext& context, const TargetDrive& drive)
        : context_(context), drive_(drive) {}

    // target: tonight's dated folder; serverBackups: what the server made of each row's
    // backup. stopped tells whether a stop signal came.
    PruningReport make(const QString& target, const QList<PlannedRow>& rows,
                       const QMap<int, Outcome>& serverBackups,
                       const std::function<bool()>& stopped) const;

private:
    // The rows that will write: neither their source nor their server backup failed.
    QList<RoomBeforeWriting::Row> writingRows(const QList<PlannedRow>& rows,
                                              const QMap<int, Outcome>& serverBackups) const;
    QMap<QString, double> ratiosFromRecord() const;
    qint64 freeBytes(const QString& target) const;

    const BackupContext& context_;
    const TargetDrive& drive_;
};

} // namespace tavor
