#pragma once

#include "platform/cabinet/CabinetCompressor.h"
#include "platform/clock/Clock.h"
#include "platform/database/DatabaseConnection.h"
#include "platform/disks/LogicalDisks.h"
#include "platform/files/FileServices.h"
#include "platform/journal/Journal.h"
#include "platform/messages/MessageBoxes.h"
#include "platform/notify/DesktopNotifications.h"
#include "platform/process/ProcessServices.h"
#include "platform/process/StopSignals.h"
#include "platform/record/RunRecords.h"
#include "platform/registry/RegistryStore.h"
#include "platform/removal/SafeRemoval.h"

#include <memory>

namespace tavor {

// Everything outside the program, handed to the window in one bundle so that
// tests can put doubles in place of any part.
struct Platform {
    std::shared_ptr<RegistryStore> registry;
    std::shared_ptr<ProcessServices> process;
    std::shared_ptr<MessageBoxes> messages;
    std::shared_ptr<DatabaseProvider> database;
    std::shared_ptr<LogicalDisks> disks;
    std::shared_ptr<FileServices> files;
    // The window's one cabinet compressor, kept for the whole run.
    std::shared_ptr<CabinetCompressor> cabinet;
    std::shared_ptr<Clock> clock;
    // Held while a copy run writes; none: the signals end the program as usual.
    std::shared_ptr<StopSignals> stopSignals;
    // Where every run is recorded; none: runs leave no record (the tests' doubles).
    std::shared_ptr<RunRecords> records;
    // The journal of a unit's log; none or not connected: lines go to standard error.
    std::shared_ptr<Journal> journal;
    // The desktop's notes after an unattended run; none: no note.
    std::shared_ptr<DesktopNotifications> notifications;
    // Powers a removable drive off after a run; none: drives stay as they are.
    std::shared_ptr<SafeRemoval> removal;
};

} // namespace tavor
