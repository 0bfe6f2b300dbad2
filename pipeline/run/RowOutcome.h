#pragma once

#include "pipeline/BackupPlan.h"

#include <QString>
#include <QtGlobal>

namespace tavor {

// What the archive run did with one row of the data-set list.
struct RowOutcome {
    DataSet kind = DataSet::Main;
    QString text;
    QString source;
    QString target;
    // Empty size: the source could not be measured (missing file, no access).
    qint64 size = -1;
    // What the row left on the drive, in bytes; -1 when it left nothing measured.
    qint64 written = -1;
    bool succeeded = false;
    // The chosen drive was gone: nothing was tried for the row.
    bool driveMissing = false;
    QString reason;
    double seconds = 0;
    // A server backup's protection: "media password", "encrypted (<certificate>)" or "none"; empty
    // for other rows.
    QString protection;
    // The SHA-256 of the file as read back from the medium, lower-case hex; empty when none was
    // read back.
    QString sha256;
};

} // namespace tavor
