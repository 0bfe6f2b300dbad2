#pragma once

#include "platform/disks/LogicalDisks.h"

#include <QList>
#include <QString>

namespace tavor {

// One row of the target drive list as the window adds it.
struct DriveRow {
    QString text;
    int image = 0;
    QString tag;

    bool operator==(const DriveRow&) const = default;
};

// The rows of the target drive list and the row to select: the drive that the
// previous backup used.
class DriveList {
public:
    DriveList(const QList<LogicalDisk>& disks, const QString& rememberedDrive);

    const QList<DriveRow>& rows() const { return rows_; }
    // The last row whose tag is exactly the remembered drive; 0 when none is.
    int selectedPosition() const { return selectedPosition_; }

    static DriveRow rowFor(const LogicalDisk& disk);

private:
    QList<DriveRow> rows_;
    int selectedPosition_ = 0;
};

} // namespace tavor
