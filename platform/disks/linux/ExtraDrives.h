#pragma once

#include "formats/mountinfo/MountTable.h"
#include "platform/disks/LogicalDisks.h"

namespace tavor {

class RegistryStore;

// Folders the machine registry names as extra drives (value name = folder,
// value = drive type), for a branch whose backup target is a plain folder.
class ExtraDrives {
public:
    // The file that marks a folder as a backup target of its own.
    static inline const QString TargetMarker = QStringLiteral(".tavor-target");

    // Only folders that exist with an integer type of 0 to 3, in stored order. A
    // removable one is listed only while a volume is mounted exactly there (mounts)
    // or it holds the target marker: an empty mount folder lies on the system disk.
    static QList<LogicalDisk> read(const RegistryStore& registry, const QList<MountEntry>& mounts);

private:
    static bool isMountedOrMarked(const QString& folder, const QList<MountEntry>& mounts);
};

} // namespace tavor
