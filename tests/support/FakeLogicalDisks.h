#pragma once

#include "platform/disks/LogicalDisks.h"

namespace tavor {

// The disks a test says the machine has.
class FakeLogicalDisks : public LogicalDisks {
public:
    QList<LogicalDisk> disks;
    QList<LogicalDisk> query() override { return disks; }
};

} // namespace tavor
