#include "platform/disks/ExtraDrives.h"

#include "platform/registry/RegistryStore.h"

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

QList<LogicalDisk> ExtraDrives::read(const RegistryStore& registry) {
    QList<LogicalDisk> drives;
    for (const auto& [folder, value] : registry.values(Key)) {
        const auto type = listedDriveType(value);
        if (type && !folder.isEmpty() && QFileInfo(folder).isDir())
            drives.append({folder, *type});
    }
    return drives;
}

} // namespace tavor
