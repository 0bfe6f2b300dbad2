#pragma once

#include "pipeline/BackupContext.h"

#include <QStringList>
#include <optional>

namespace tavor {

// The drive a run writes to, held to the volume the drive list found there when it
// was built. A stick unplugged since leaves its empty mount folder on the system
// disk, and a link in place of a folder of the run leads anywhere: neither may
// receive the backup.
class TargetDrive {
public:
    // folders: the run's folders on the drive, outermost first.
    TargetDrive(const BackupContext& context, const QString& mountPoint, QStringList folders);

    const QString& mountPoint() const { return mountPoint_; }
    // The device number of the volume the drive list found; empty when it found none.
    std::optional<quint64> device() const {
        return listed_ ? std::optional<quint64>(listed_->device) : std::nullopt;
    }

    // Whether the drive is still the volume the drive list found.
    bool isThere() const;

    // Whether the drive is still there and the folder or file at path lies on it,
    // itself no link.
    bool holds(const QString& path) const;

    // Why a file of the run cannot be on the drive: the drive is gone, or one of
    // the folders or the file itself (when named) is missing, a link, or on another
    // volume. Empty when all of them lie on the drive.
    QString offDriveReason(const QString& file = QString()) const;

private:
    QString offVolumeReason(const QString& path) const;

    const BackupContext& context_;
    QString mountPoint_;
    QStringList folders_;
    std::optional<VolumeIdentity> listed_;
};

} // namespace tavor
