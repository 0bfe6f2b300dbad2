#pragma once

#include <QString>
#include <optional>

namespace tavor {

// Tells from the kernel's sysfs tree what kind of drive a block device is:
// DriveType::Removable, LocalDisk or CompactDisc.
class SysfsBlockDevices {
public:
    explicit SysfsBlockDevices(QString sysfsRoot);

    // std::nullopt when sysfs has no entry for the device.
    std::optional<int> driveType(int major, int minor) const;
    std::optional<int> driveTypeByName(const QString& deviceName) const;

    // Whether the device is an opened encrypted volume (a device-mapper crypt
    // target: LUKS, BitLocker, ...), or a mapping (LVM) over nothing but such volumes.
    bool isEncrypted(int major, int minor) const;
    bool isEncryptedByName(const QString& deviceName) const;

    // The kernel's name of the device ("sdb1", "dm-0"); empty when sysfs has no entry.
    QString kernelName(int major, int minor) const;

private:
    QString entryByNumber(int major, int minor) const;
    // Empty when the name cannot be a device's.
    QString entryByName(const QString& deviceName) const;
    std::optional<int> driveTypeOfEntry(const QString& entryPath) const;
    static bool isEncryptedEntry(const QString& entryPath);
    static bool isCryptStack(const QString& deviceFolder, int depth);
    static QString wholeDisk(const QString& deviceFolder);
    bool isRemovable(const QString& diskFolder, int depth) const;
    bool isOnUsbBus(const QString& diskFolder) const;
    static bool isSdCard(const QString& diskFolder);
    static QString readAttribute(const QString& path);

    QString root_;
};

} // namespace tavor
