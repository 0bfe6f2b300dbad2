#pragma once

#include "platform/disks/LogicalDisks.h"

namespace tavor {

class RegistryStore;

// Folders the machine registry names as extra drives (value name = folder,
// value = drive type), for a branch whose backup target is a plain folder.
class ExtraDrives {
public:
    static inline const QString Key =
        QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\ORV\\Tavor\\Drives");

    // Only folders that exist with an integer type of 0 to 3, in stored order.
    static QList<LogicalDisk> read(const RegistryStore& registry);
};

} // namespace tavor
