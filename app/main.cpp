#include "app/QtMessageBoxes.h"
#include "app/frmBackup.h"
#include "embeddedserver/EmbeddedConnection.h"
#include "pipeline/CommandLine.h"
#include "pipeline/FolderVerification.h"
#include "pipeline/RunReport.h"
#include "platform/Platform.h"
#include "platform/cabinet/linux/LinuxCabinetCompressor.h"
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
#include "resources/FontMapping.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <cstdio>

using namespace tavor;

namespace {

// The program's arguments as typed, decoded as the toolkit decodes its own.
QStringList programArguments(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

Platform makePlatform(const QStringList& arguments, bool unattended) {
    Platform platform;
    platform.registry = std::make_shared<IniRegistryStore>(IniRegistryStore::defaultFolder());
    platform.process = std::make_shared<LinuxProcessServices>(arguments, ExecutablePath::running(),
                                                              QCoreApplication::applicationName());
    // "embedded:<folder>" servers run in process; every other name is SQL Server over ODBC.
    platform.database = std::make_shared<RoutingDatabaseProvider>(
        RoutingConnection::Route{&EmbeddedConnection::servesDataSource,
                                 [] { return std::make_unique<EmbeddedConnection>(); }},
        [] { return std::make_unique<OdbcConnection>(); });
    platform.disks = std::make_shared<LinuxLogicalDisks>(platform.registry);
    platform.files = std::make_shared<LinuxFileServices>();
    platform.cabinet = std::make_shared<LinuxCabinetCompressor>();
    platform.clock = std::make_shared<SystemClock>();
    platform.stopSignals = std::make_shared<LinuxStopSignals>();
    const QString stateFolder = StateFolderRunRecords::defaultFolder();
    platform.records = std::make_shared<StateFolderRunRecords>(stateFolder);
    platform.journal = std::make_shared<SystemdJournal>();
    platform.notifications = std::make_shared<DbusDesktopNotifications>(
        stateFolder + QStringLiteral("/notification-id"));
    platform.removal = std::make_shared<UdisksSafeRemoval>(QString(), unattended);
    const QString messageLog = qEnvironmentVariable("ORV_MESSAGE_LOG");
    if (!messageLog.isEmpty())
        platform.messages = std::make_shared<MessageLog>(messageLog);
    else if (unattended)
        platform.messages = std::make_shared<MessageLog>(QString());
    else
        platform.messages = std::make_shared<QtMessageBoxes>();
    return platform;
}

// /VERIFY <folder>: the folder's files checked against its manifest, one line each
// on standard output; nothing else of the program starts.
int verifyFolder(const CommandLine& commandLine) {
    const auto writeLine = [](const QString& line) {
        std::fputs((RunReport::printable(line) + QLatin1Char('\n')).toUtf8().constData(), stdout);
    };
    const QString folder = commandLine.verifyFolder();
    if (folder.isEmpty()) {
        writeLine(QStringLiteral("usage: tavor-backup /VERIFY <folder>"));
        return FolderVerification::Unreadable;
    }
    const int status = FolderVerification(folder, writeLine).run();
    std::fflush(stdout);
    return status;
}

} // namespace

int main(int argc, char** argv) {
    const QStringList arguments = programArguments(argc, argv);
    const CommandLine commandLine = CommandLine::fromArguments(arguments);
    if (commandLine.isVerify())
        return verifyFolder(commandLine);
    const bool unattended = commandLine.isUnattended();
    // An unattended run needs no display.
    if (unattended && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The toolkit sees only the program name: it would take its own options
    // (-reverse, -style, -platform, ...) out of the operator's command line.
    int toolkitArgc = 1;
    QApplication app(toolkitArgc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("TavorBackup"));
    QApplication::setLayoutDirection(Qt::RightToLeft);
    FontMapping::install();

    // Standard dialog buttons in Arabic.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Arabic), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtTranslator);

    frmBackup window(makePlatform(arguments, unattended));
    window.Load();
    const int status = app.exec();
    window.dumpState();
    return status;
}
