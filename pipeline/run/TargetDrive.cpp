#include "pipeline/run/TargetDrive.h"

namespace tavor {

TargetDrive::TargetDrive(const BackupContext& context, const QString& mountPoint,
                         QStringList folders)
    : context_(context), mountPoint_(mountPoint), folders_(std::move(folders)) {
    const auto listed = context_.state.DriveVolumes.constFind(mountPoint_);
    if (listed != context_.state.DriveVolumes.cend())
        listed_ = *listed;
}

bool TargetDrive::isThere() const {
    return listed_ && context_.platform.disks &&
           context_.platform.disks->volumeAt(mountPoint_) == listed_;
}

bool TargetDrive::holds(const QString& path) const {
    return isThere() && offVolumeReason(path).isEmpty();
}

QString TargetDrive::offDriveReason(const QString& file) const {
    if (!isThere())
        return QStringLiteral("The drive '%1' is no longer the volume it was when the program "
                              "started: it was unplugged, unmounted or replaced")
            .arg(mountPoint_);
    QStringList paths = folders_;
    if (!file.isEmpty())
        paths << file;
    for (const QString& path : paths) {
        const QString reason = offVolumeReason(path);
        if (!reason.isEmpty())
            return reason;
    }
    return {};
}

QString TargetDrive::offVolumeReason(const QString& path) const {
    const std::optional<quint64> device = context_.platform.files->deviceOf(path);
    if (!device)
        return QStringLiteral("'%1' is missing or a link, not a folder or file of the drive '%2'")
            .arg(path, mountPoint_);
    if (*device != listed_->device)
        return QStringLiteral("'%1' lies on another volume than the drive '%2'")
            .arg(path, mountPoint_);
    return {};
}

} // namespace tavor
