#include "platform/linux/LinuxPlatform.h"

#include "cabinet/MszipCabinetCompressor.h"
#include "platform/clock/SystemClock.h"
#include "platform/database/RoutingDatabaseProvider.h"
#include "platform/database/linux/OdbcConnection.h"
#include "platform/disks/linux/LinuxLogicalDisks.h"
#include "platform/files/linux/LinuxFileServices.h"
#include "platform/journal/linux/SystemdJournal.h"
#include "platform/messages/MessageLog.h"
#include "platform/notify/linux/DbusDesktopNotifications.h"
#include "platform/process/linux/ExecutablePath.h"
#include "platform/process/linux/LinuxProcessServices.h"
#include "platform/process/linux/LinuxStopSignals.h"
#include "platform/record/linux/StateFolderRunRecords.h"
#include "platform/registry/linux/IniRegistryStore.h"
#include "platform/removal/linux/UdisksSafeRemoval.h"

namespace tavor {

namespace {

std::shared_ptr<MessageBoxes> messageBoxes(std::shared_ptr<MessageBoxes> shown) {
    const QString messageLog = qEnvironmentVariable("ORV_MESSAGE_LOG");
    if (!messageLog.isEmpty() || !shown)
        return std::make_shared<MessageLog>(messageLog);
    return shown;
}

} // namespace

Platform makeLinuxPlatform(LinuxPlatformParts parts) {
    Platform platform;
    platform.registry = std::make_shared<IniRegistryStore>(IniRegistryStore::defaultFolder());
    platform.process = std::make_shared<LinuxProcessServices>(
        parts.arguments, ExecutablePath::running(), parts.applicationName);
    platform.database = std::make_shared<RoutingDatabaseProvider>(
        std::move(parts.inProcessServer), [] { return std::make_unique<OdbcConnection>(); });
    platform.disks = std::make_shared<LinuxLogicalDisks>(platform.registry);
    platform.files = std::make_shared<LinuxFileServices>();
    platform.cabinet = std::make_shared<MszipCabinetCompressor>();
    platform.clock = std::make_shared<SystemClock>();
    platform.stopSignals = std::make_shared<LinuxStopSignals>();
    const QString stateFolder = StateFolderRunRecords::defaultFolder();
    platform.records = std::make_shared<StateFolderRunRecords>(stateFolder);
    platform.journal = std::make_shared<SystemdJournal>();
    platform.notifications = std::make_shared<DbusDesktopNotifications>(
        stateFolder + QStringLiteral("/notification-id"));
    platform.removal = std::make_shared<UdisksSafeRemoval>(QString(), parts.unattended);
    platform.messages = messageBoxes(std::move(parts.shownMessages));
    return platform;
}

} // namespace tavor
