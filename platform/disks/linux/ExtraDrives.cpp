#include "platform/disks/linux/ExtraDrives.h"
#include "platform/registry/RegistryKeys.h"

#include "platform/registry/RegistryStore.h"

#include <QDir>
#include <QFileInfo>

namespace tavor {

namespace {

std::optional<int> listedDriveType(const QString& value) {
    bool isInteger = false;
    const int type = value.trimmed().toInt(&isInteger);
    if (!isInteger || type < DriveType::Unknown || type > DriveType::LocalDisk)
        return std::nullopt;
    return type;
}

} // namespace

QList<LogicalDisk> ExtraDrives::read(const RegistryStore& registry,
                                     const QList<MountEntry>& mounts) {
    QList<LogicalDisk> drives;
    for (const auto& [folder, value] : registry.values(RegistryKeys::Drives)) {
        const auto type = listedDriveType(value);
        if (!type || folder.isEmpty() || !QFileInfo(folder).isDir())
            continue;
        if (*type == DriveType::Removable && !isMountedOrMarked(folder, mounts))
            continue;
        drives.append({folder, *type, false, {}});
    }
    return drives;
}

// The folder is compared as written and with its links resolved, as the mount
// table names mount points by their real path.
bool ExtraDrives::isMountedOrMarked(const QString& folder, const QList<MountEntry>& mounts) {
    if (QFileInfo(QDir(folder).filePath(TargetMarker)).isFile())
        return true;
    const QString written = QDir::cleanPath(folder);
    const QString real = QFileInfo(folder).canonicalFilePath();
    for (const MountEntry& entry : mounts) {
        if (entry.mountPoint == written || entry.mountPoint == real)
            return true;
    }
    return false;
}

} // namespace tavor
