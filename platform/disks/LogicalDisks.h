#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>
#include <algorithm>
#include <optional>

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
    // An opened LUKS or BitLocker volume (device-mapper crypt target).
    bool encrypted = false;
    // The file system's UUID where the system knows it; empty otherwise.
    QString filesystemUuid;

    bool operator==(const LogicalDisk&) const = default;
};

// Which volume a drive is: the device number of its file system and an inode on
// it, that of the target marker when the drive's folder holds one, else that of
// the folder itself, and the file system's UUID where the system knows it. An
// unmounted stick, another one, or another folder put in place of a marked one
// reads differently; so does another stick in the same slot, which gets the same
// device number and the same root folder inode.
struct VolumeIdentity {
    quint64 device = 0;
    quint64 inode = 0;
    QString filesystemUuid;

    bool operator==(const VolumeIdentity&) const = default;
};

// The logical disks a backup can be written to (drive type below 4: undetermined,
// no root directory, removable, local disk), in the order found.
class LogicalDisks {
public:
    virtual ~LogicalDisks() = default;
    virtual QList<LogicalDisk> query() = 0;
    // The volume at a drive's device ID as it is now; empty when there is no
    // folder there.
    virtual std::optional<VolumeIdentity> volumeAt(const QString& deviceId) const = 0;

    // The disk at a device ID as the list shows it now; empty when it shows none there.
    std::optional<LogicalDisk> diskAt(const QString& deviceId) {
        const QList<LogicalDisk> disks = query();
        const auto disk = std::find_if(disks.cbegin(), disks.cend(), [&](const LogicalDisk& d) {
            return d.DeviceID == deviceId;
        });
        return disk == disks.cend() ? std::nullopt : std::make_optional(*disk);
    }
};

} // namespace tavor
