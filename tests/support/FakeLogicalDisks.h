#pragma once

#include "platform/disks/LogicalDisks.h"

#include <QHash>

namespace tavor {

// The disks a test says the machine has, and the volume each one is now.
class FakeLogicalDisks : public LogicalDisks {
public:
    QList<LogicalDisk> disks;
    QHash<QString, VolumeIdentity> volumes;
    QList<LogicalDisk> query() override { return disks; }
    std::optional<VolumeIdentity> volumeAt(const QString& deviceId) const override {
        const auto found = volumes.constFind(deviceId);
        return found == volumes.cend() ? std::nullopt : std::make_optional(*found);
    }
};

} // namespace tavor
