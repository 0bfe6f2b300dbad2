#pragma once

#include "formats/mountinfo/MountTable.h"
#include "platform/disks/LogicalDisks.h"
#include "platform/disks/linux/SysfsBlockDevices.h"

#include <memory>
#include <sys/types.h>

namespace tavor {

class RegistryStore;

// The logical disks of a Linux host: the mounted volumes of the kernel's mount
// table that can hold a backup, then the extra drives named in the registry.
// A mounted volume's device ID is its mount point.
class LinuxLogicalDisks : public LogicalDisks {
public:
    explicit LinuxLogicalDisks(std::shared_ptr<const RegistryStore> registry,
                               QString mountTablePath = QStringLiteral("/proc/self/mountinfo"),
                               QString sysfsRoot = QStringLiteral("/sys"),
                               QString uuidLinksFolder = QStringLiteral("/dev/disk/by-uuid"));

    QList<LogicalDisk> query() override;
    std::optional<VolumeIdentity> volumeAt(const QString& deviceId) const override;

private:
    // The volumes of the mount table with their drive types, network and optical
    // ones included; pseudo and memory file systems are not volumes.
    QList<LogicalDisk> volumesIn(const QList<MountEntry>& mounts) const;
    std::optional<int> driveTypeOf(const MountEntry& entry) const;
    std::optional<int> blockDeviceType(const MountEntry& entry) const;
    bool isEncrypted(const MountEntry& entry) const;
    // The file system's UUID from udev's links named after it; empty when none
    // points at the volume's device.
    QString filesystemUuidOf(const MountEntry& entry) const;
    // The UUID of the mounted file system whose device number this is; empty when
    // the mount table or udev's links know none.
    QString filesystemUuidOn(dev_t device) const;
    // The device's name under /dev for a file system whose device number is its own.
    static QString deviceNameOf(const MountEntry& entry);

    std::shared_ptr<const RegistryStore> registry_;
    QString mountTablePath_;
    SysfsBlockDevices blockDevices_;
    QString uuidLinksFolder_;
};

} // namespace tavor
