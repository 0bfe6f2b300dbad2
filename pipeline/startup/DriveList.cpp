#include "pipeline/startup/DriveList.h"

#include "pipeline/ImageKind.h"

namespace tavor {

DriveList::DriveList(const QList<LogicalDisk>& disks, const QString& rememberedDrive) {
    for (const LogicalDisk& disk : disks) {
        rows_.append(rowFor(disk));
        if (rows_.last().tag == rememberedDrive)
            selectedPosition_ = int(rows_.size()) - 1;
    }
}

// The marks after the device ID keep a left-to-right path from being reordered
// by the right-to-left list before the trailing blanks.
DriveRow DriveList::rowFor(const LogicalDisk& disk) {
    const bool hardDisk = disk.DriveType == DriveType::LocalDisk;
    const QString kind = hardDisk ? QStringLiteral("HDD") : QStringLiteral("USB");
    const QString text = QStringLiteral("   ") + kind + QStringLiteral("   ") + disk.DeviceID +
                         QStringLiteral(" ") + QChar(0x200E) + QChar(0x200F) +
                         QStringLiteral("    ");
    return {text, hardDisk ? ImageKind::HardDisk : ImageKind::RemovableDrive, disk.DeviceID};
}

} // namespace tavor
