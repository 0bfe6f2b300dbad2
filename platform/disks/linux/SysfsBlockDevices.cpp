#include "platform/disks/linux/SysfsBlockDevices.h"

#include "platform/disks/LogicalDisks.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>

namespace tavor {

namespace {
// Stacked devices (encryption over a partition over a disk) are followed this deep.
constexpr int MaxStackDepth = 4;
} // namespace

SysfsBlockDevices::SysfsBlockDevices(QString sysfsRoot) : root_(std::move(sysfsRoot)) {}

std::optional<int> SysfsBlockDevices::driveType(int major, int minor) const {
    return driveTypeOfEntry(entryByNumber(major, minor));
}

std::optional<int> SysfsBlockDevices::driveTypeByName(const QString& deviceName) const {
    const QString entry = entryByName(deviceName);
    if (entry.isEmpty())
        return std::nullopt;
    return driveTypeOfEntry(entry);
}

bool SysfsBlockDevices::isEncrypted(int major, int minor) const {
    return isEncryptedEntry(entryByNumber(major, minor));
}

bool SysfsBlockDevices::isEncryptedByName(const QString& deviceName) const {
    const QString entry = entryByName(deviceName);
    return !entry.isEmpty() && isEncryptedEntry(entry);
}

QString SysfsBlockDevices::kernelName(int major, int minor) const {
    const QString device = QFileInfo(entryByNumber(major, minor)).canonicalFilePath();
    return device.isEmpty() ? QString() : QFileInfo(device).fileName();
}

QString SysfsBlockDevices::entryByNumber(int major, int minor) const {
    return root_ + QStringLiteral("/dev/block/%1:%2").arg(major).arg(minor);
}

QString SysfsBlockDevices::entryByName(const QString& deviceName) const {
    if (deviceName.isEmpty() || deviceName.contains(QLatin1Char('/')) || deviceName == u"." ||
        deviceName == u"..")
        return {};
    return root_ + QStringLiteral("/class/block/") + deviceName;
}

std::optional<int> SysfsBlockDevices::driveTypeOfEntry(const QString& entryPath) const {
    const QString device = QFileInfo(entryPath).canonicalFilePath();
    if (device.isEmpty())
        return std::nullopt;
    const QString disk = wholeDisk(device);
    if (QFileInfo(disk).fileName().startsWith(u"sr"))
        return DriveType::CompactDisc;
    return isRemovable(disk, 0) ? DriveType::Removable : DriveType::LocalDisk;
}

// A partition's folder sits inside the folder of its disk and has a "partition" file.
QString SysfsBlockDevices::wholeDisk(const QString& deviceFolder) {
    if (QFileInfo::exists(deviceFolder + QStringLiteral("/partition")))
        return QFileInfo(deviceFolder).path();
    return deviceFolder;
}

bool SysfsBlockDevices::isRemovable(const QString& diskFolder, int depth) const {
    if (readAttribute(diskFolder + QStringLiteral("/removable")) == u"1" ||
        isOnUsbBus(diskFolder) || isSdCard(diskFolder))
        return true;
    if (depth >= MaxStackDepth)
        return false;
    // A mapped device (encrypted, LVM) is removable when what lies under it is.
    const QDir slaves(diskFolder + QStringLiteral("/slaves"));
    const QFileInfoList below = slaves.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QFileInfo& slave : below) {
        if (isRemovable(wholeDisk(slave.canonicalFilePath()), depth + 1))
            return true;
    }
    return false;
}

bool SysfsBlockDevices::isEncryptedEntry(const QString& entryPath) {
    const QString device = QFileInfo(entryPath).canonicalFilePath();
    return !device.isEmpty() && isCryptStack(device, 0);
}

// libcryptsetup names its mappings "CRYPT-<type>-..." ("CRYPT-LUKS2-...",
// "CRYPT-BITLK-..."), its unencrypted integrity and verity mappings too: only the
// encryption types count. A mapping over other devices is encrypted when all of them are.
bool SysfsBlockDevices::isCryptStack(const QString& deviceFolder, int depth) {
    static const QStringList encryptionTypes = {
        QStringLiteral("CRYPT-LUKS1-"),  QStringLiteral("CRYPT-LUKS2-"),
        QStringLiteral("CRYPT-PLAIN-"),  QStringLiteral("CRYPT-LOOPAES-"),
        QStringLiteral("CRYPT-TCRYPT-"), QStringLiteral("CRYPT-BITLK-"),
        QStringLiteral("CRYPT-FVAULT2-")};
    const QString uuid = readAttribute(deviceFolder + QStringLiteral("/dm/uuid"));
    if (std::any_of(encryptionTypes.cbegin(), encryptionTypes.cend(),
                    [&](const QString& type) { return uuid.startsWith(type); }))
        return true;
    if (depth >= MaxStackDepth)
        return false;
    const QFileInfoList below = QDir(deviceFolder + QStringLiteral("/slaves"))
                                    .entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot);
    return !below.isEmpty() &&
           std::all_of(below.cbegin(), below.cend(), [&](const QFileInfo& slave) {
               return isCryptStack(slave.canonicalFilePath(), depth + 1);
           });
}

// USB storage sits below a folder named after its bus ("usb1") in the device tree.
bool SysfsBlockDevices::isOnUsbBus(const QString& diskFolder) const {
    static const QRegularExpression usbBus(QStringLiteral("^usb[0-9]+$"));
    const QString canonicalRoot = QFileInfo(root_).canonicalFilePath();
    const QString relative = diskFolder.startsWith(canonicalRoot + QLatin1Char('/'))
                                 ? diskFolder.mid(canonicalRoot.size())
                                 : diskFolder;
    const QStringList parts = relative.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    return std::any_of(parts.cbegin(), parts.cend(),
                       [](const QString& part) { return usbBus.match(part).hasMatch(); });
}

// Card readers on a memory-card host often report their SD cards as fixed; the
// card's own type says it can be taken out (built-in eMMC storage says "MMC").
bool SysfsBlockDevices::isSdCard(const QString& diskFolder) {
    return readAttribute(diskFolder + QStringLiteral("/device/type")) == u"SD";
}

QString SysfsBlockDevices::readAttribute(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.read(64)).trimmed();
}

} // namespace tavor
