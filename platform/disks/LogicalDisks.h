#pragma once

#include <QList>
#include <QString>

namespace tavor {

// Drive types as the operating system's disk query reports them.
namespace DriveType {
constexpr int Unknown = 0;
constexpr int NoRootDirectory = 1;
constexpr int Removable = 2;
constexpr int LocalDisk = 3;
constexpr int Network = 4;
constexpr int CompactDisc = 5;
} // namespace DriveType

// One logical disk: on Linux the device ID is the mount point or folder.
struct LogicalDisk {
    QString DeviceID;
    int DriveType = DriveType::Unknown;

    bool operator==(const LogicalDisk&) const = default;
};

// The logical disks a backup can be written to (drive type below 4: undetermined,
// no root directory, removable, local disk), in the order found.
class LogicalDisks {
public:
    virtual ~LogicalDisks() = default;
    virtual QList<LogicalDisk> query() = 0;
};

} // namespace tavor
