#include "platform/disks/linux/LinuxLogicalDisks.h"

#include "platform/disks/linux/ExtraDrives.h"
#include "platform/registry/RegistryStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <algorithm>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace tavor {

namespace {

bool isNetworkFileSystem(const QString& type) {
    static const QSet<QString> network = {
        QStringLiteral("nfs"),         QStringLiteral("nfs4"),
        QStringLiteral("cifs"),        QStringLiteral("smb3"),
        QStringLiteral("smbfs"),       QStringLiteral("sshfs"),
        QStringLiteral("fuse.sshfs"),  QStringLiteral("9p"),
        QStringLiteral("virtiofs"),    QStringLiteral("ceph"),
        QStringLiteral("afs"),         QStringLiteral("ncpfs"),
        QStringLiteral("glusterfs"),   QStringLiteral("fuse.glusterfs"),
        QStringLiteral("davfs"),       QStringLiteral("fuse.davfs2"),
        QStringLiteral("fuse.rclone"), QStringLiteral("fuse.s3fs"),
        QStringLiteral("lustre")};
    return network.contains(type);
}

bool isOpticalFileSystem(const QString& type) {
    return type == u"iso9660" || type == u"udf";
}

// Read-only compressed images (installed software, live media) can never hold a backup.
bool isImageFileSystem(const QString& type) {
    return type == u"squashfs" || type == u"erofs" || type == u"cramfs";
}

// Volumes the system itself uses: boot and firmware partitions and the kernel's
// own trees. Removable media mounted under /run/media stay drives.
bool isSystemFolder(const QString& mountPoint) {
    const auto under = [&](QStringView folder) {
        return mountPoint == folder ||
               (mountPoint.startsWith(folder) && mountPoint.at(folder.size()) == u'/');
    };
    if (under(u"/run/media"))
        return false;
    return under(u"/boot") || under(u"/efi") || under(u"/proc") || under(u"/sys") ||
           under(u"/dev") || under(u"/run") || under(u"/snap");
}

QString deviceKey(const MountEntry& entry) {
    return QStringLiteral("%1:%2").arg(entry.major).arg(entry.minor);
}

} // namespace

LinuxLogicalDisks::LinuxLogicalDisks(std::shared_ptr<const RegistryStore> registry,
                                     QString mountTablePath, QString sysfsRoot,
                                     QString uuidLinksFolder)
    : registry_(std::move(registry)), mountTablePath_(std::move(mountTablePath)),
      blockDevices_(std::move(sysfsRoot)), uuidLinksFolder_(std::move(uuidLinksFolder)) {}

// The root volume is always a drive, also in a chroot whose mount table has no line
// for it; an extra drive naming a folder already listed is not listed again.
QList<LogicalDisk> LinuxLogicalDisks::query() {
    const QList<MountEntry> mounts = MountTable::read(mountTablePath_);
    const QList<LogicalDisk> volumes = volumesIn(mounts);
    QList<LogicalDisk> disks;
    QSet<QString> listed;
    const auto add = [&](const LogicalDisk& disk) {
        if (listed.contains(QDir::cleanPath(disk.DeviceID)))
            return;
        listed.insert(QDir::cleanPath(disk.DeviceID));
        disks.append(disk);
    };
    // Known by its mount point alone: the table's own line for it carries its
    // encryption and UUID.
    const auto isRoot = [](const LogicalDisk& volume) { return volume.DeviceID == u"/"; };
    if (std::none_of(volumes.begin(), volumes.end(), isRoot))
        add({QStringLiteral("/"), DriveType::LocalDisk, false, {}});
    for (const LogicalDisk& volume : volumes) {
        if (volume.DriveType < DriveType::Network)
            add(volume);
    }
    if (registry_) {
        for (const LogicalDisk& extra : ExtraDrives::read(*registry_, mounts))
            add(extra);
    }
    return disks;
}

// The marker counts only as a file of the folder's own volume, never through a link.
std::optional<VolumeIdentity> LinuxLogicalDisks::volumeAt(const QString& deviceId) const {
    const QByteArray folder = QFile::encodeName(deviceId);
    struct stat root {};
    if (deviceId.isEmpty() || ::stat(folder.constData(), &root) != 0 || !S_ISDIR(root.st_mode))
        return std::nullopt;
    VolumeIdentity identity{quint64(root.st_dev), quint64(root.st_ino),
                            filesystemUuidOn(root.st_dev)};
    const QByteArray marker = folder + '/' + QFile::encodeName(ExtraDrives::TargetMarker);
    struct stat mark {};
    if (::lstat(marker.constData(), &mark) == 0 && S_ISREG(mark.st_mode) &&
        mark.st_dev == root.st_dev)
        identity.inode = quint64(mark.st_ino);
    return identity;
}

// The mount table names the device of the file system with this device number.
QString LinuxLogicalDisks::filesystemUuidOn(dev_t device) const {
    for (const MountEntry& entry : MountTable::read(mountTablePath_)) {
        if (entry.major == int(major(device)) && entry.minor == int(minor(device)))
            return filesystemUuidOf(entry);
    }
    return {};
}

// Each file system is listed once, at its first mount of the whole of it: a bind
// mount shows a folder of a volume already listed (or, in a container, single
// files of the host such as /etc/hosts), not a drive of its own.
QList<LogicalDisk> LinuxLogicalDisks::volumesIn(const QList<MountEntry>& mounts) const {
    QList<LogicalDisk> volumes;
    QSet<QString> listedDevices;
    for (const MountEntry& entry : mounts) {
        const auto type = driveTypeOf(entry);
        if (!type || listedDevices.contains(deviceKey(entry)))
            continue;
        listedDevices.insert(deviceKey(entry));
        volumes.append({entry.mountPoint, *type, isEncrypted(entry), filesystemUuidOf(entry)});
    }
    return volumes;
}

// The root volume is the machine's own disk even when it is an overlay (a container).
std::optional<int> LinuxLogicalDisks::driveTypeOf(const MountEntry& entry) const {
    if (entry.mountPoint == u"/")
        return DriveType::LocalDisk;
    if (entry.root != u"/" || isSystemFolder(entry.mountPoint) || isImageFileSystem(entry.fsType))
        return std::nullopt;
    if (isNetworkFileSystem(entry.fsType))
        return DriveType::Network;
    if (isOpticalFileSystem(entry.fsType))
        return DriveType::CompactDisc;
    return blockDeviceType(entry);
}

// Only file systems on a block device are drives; proc, sysfs, tmpfs, cgroup,
// overlay and the like have none (their device number has major 0). Some file
// systems (btrfs) report a device number of their own: their source names the device.
std::optional<int> LinuxLogicalDisks::blockDeviceType(const MountEntry& entry) const {
    if (entry.major != 0)
        return blockDevices_.driveType(entry.major, entry.minor);
    const QString name = deviceNameOf(entry);
    if (name.isEmpty())
        return std::nullopt;
    return blockDevices_.driveTypeByName(name);
}

bool LinuxLogicalDisks::isEncrypted(const MountEntry& entry) const {
    if (entry.major != 0)
        return blockDevices_.isEncrypted(entry.major, entry.minor);
    const QString name = deviceNameOf(entry);
    return !name.isEmpty() && blockDevices_.isEncryptedByName(name);
}

// Each link is named after a file system's UUID and points at its device node
// ("../../sdb1"); the node need not exist for the name to match.
QString LinuxLogicalDisks::filesystemUuidOf(const MountEntry& entry) const {
    const QString device =
        entry.major != 0 ? blockDevices_.kernelName(entry.major, entry.minor) : deviceNameOf(entry);
    if (device.isEmpty())
        return {};
    const QDir links(uuidLinksFolder_);
    for (const QFileInfo& link :
         links.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
        if (link.isSymLink() && QFileInfo(link.symLinkTarget()).fileName() == device)
            return link.fileName();
    }
    return {};
}

// "/dev/mapper/name" is a link to the device's own node ("/dev/dm-0").
QString LinuxLogicalDisks::deviceNameOf(const MountEntry& entry) {
    static const QString devFolder = QStringLiteral("/dev/");
    if (!entry.source.startsWith(devFolder))
        return {};
    const QString node = QFileInfo(entry.source).canonicalFilePath();
    return node.startsWith(devFolder) ? QFileInfo(node).fileName()
                                      : entry.source.mid(devFolder.size());
}

} // namespace tavor
