#include "pipeline/startup/StartUp.h"

#include "base/BlankTrim.h"
#include "base/Outcome.h"
#include "formats/connectionstring/ConnectionString.h"
#include "modules/NewLink.h"
#include "modules/modCheckNewVer.h"
#include "pipeline/BranchNames.h"
#include "pipeline/TechnicianSettings.h"
#include "pipeline/commands/CommandLine.h"
#include "pipeline/commands/UnattendedRun.h"
#include "pipeline/record/RunRecorder.h"
#include "pipeline/startup/BackupItemList.h"
#include "pipeline/startup/DriveList.h"
#include "platform/api/AccessCode.h"
#include "platform/api/ORVApi.h"
#include "platform/api/StoredTokens.h"
#include "platform/bank/ORV_Bank.h"
#include "platform/registry/RegistryKeys.h"

namespace tavor {

const QString StartUp::NotLinkedText = QStringLiteral("هذ الجهاز غير مربوط مع منظومة التافور") +
                                       QStringLiteral("\r\n") +
                                       QStringLiteral("لا يمكن نسخ البيانات من هذا الجهاز");

void StartUp::Load() {
    try {
        Form_Load();
    } catch (const Error& error) {
        context_.showMessage(error.report(), MessageIcon::Critical);
        if (context_.unattended())
            RunRecorder(context_).notStarted(RunRecorder::NoRun::StartUpFailed, error.report());
        context_.endProgram(1);
    }
}

void StartUp::Form_Load() {
    const Platform& platform = context_.platform;
    MainState& state = context_.state;
    BackupWindow& window = context_.window;

    // Until the update check, a failure ends the program with a report.
    context_.api = std::make_unique<ORVApi>(platform.registry);
    state.CommandLine = CommandLine(platform.process->commandLine()).text();
    context_.api->setOpenKey(QLatin1String(AccessCode));
    window.arrangeForMode(context_.maintenanceMode());
    modCheckNewVer(context_.api.get(), platform, [this] {
        context_.endProgram(0);
    }).CheckForNewVersion();

    // From here on a failing step is skipped and start-up goes on.
    ignoreFailure([&] { PrepareControls(); });
    ignoreFailure([&] {
        state.RememberedDrive =
            context_.api->Regestry().get_String(RegistryKeys::Backup, QStringLiteral("Drive"));
    });
    OpenBranch();
    ignoreFailure([&] { ListTargetDrives(); });
    if (state.BankName.isEmpty()) {
        ShowNotLinkedMessage();
        if (context_.unattended())
            RunRecorder(context_).notStarted(RunRecorder::NoRun::NotLinked);
        context_.endProgram(0);
        return;
    }
    ignoreFailure([&] { window.showCentred(); });
    window.pumpEvents();
    ignoreFailure([&] { BackupItemList(context_).FillBackupList(); });
    if (context_.maintenanceMode())
        listUnreadableSettings();
    ignoreFailure([&] { window.setBackupListVisible(true); });
    ignoreFailure([&] { window.stopStartUpTimer(); });
    window.writeStateDump();
    if (context_.unattended())
        UnattendedRun(context_).run();
}

void StartUp::ConnectForCommand() {
    context_.api = std::make_unique<ORVApi>(context_.platform.registry);
    context_.api->setOpenKey(QLatin1String(AccessCode));
    OpenBranch();
}

void StartUp::OpenBranch() {
    const Platform& platform = context_.platform;
    MainState& state = context_.state;
    ignoreFailure(
        [&] { context_.bank = std::make_unique<ORV_Bank>(platform.database, platform.registry); });
    ignoreFailure([&] {
        context_.mediaPassword = context_.api->secret().SimpleSecrit(StoredTokens::MediaPassword);
    });
    ignoreFailure([&] {
        state.ServerName = NewLink::ResolveDatabaseLink(
            *context_.api, platform.process->programFolder(), state.DatabaseName);
    });
    ignoreFailure([&] { ConnectToBranch(); });
}

// The maintenance panel names a technician's value that is read as its safe side.
void StartUp::listUnreadableSettings() {
    for (const QString& line : TechnicianSettings(context_.platform.registry.get()).unreadable())
        ignoreFailure([&] { context_.window.appendDebugLine(line); });
}

void StartUp::PrepareControls() {
    BackupWindow& window = context_.window;
    ignoreFailure([&] { window.prepareBusyPanel(); });
    ignoreFailure([&] {
        FileListing& listing = context_.fileList;
        listing.setFolder(context_.platform.process->programFolder());
        window.showFileList(listing.folder(), listing.pattern(), listing.names());
    });
    ignoreFailure([&] { window.loadDrivePictures(); });
    ignoreFailure([&] { window.prepareBackupList(); });
}

void StartUp::ConnectToBranch() {
    const Platform& platform = context_.platform;
    MainState& state = context_.state;
    QString userId;
    QString password;
    ignoreFailure([&] {
        ORV_Bank loginBank(platform.database, platform.registry);
        loginBank.System().GetLogin(userId, password, QLatin1String(AccessCode));
    });
    if (password.isEmpty()) {
        ignoreFailure([&] {
            password = context_.api->secret().SimpleSecrit(StoredTokens::DatabasePassword);
        });
        ignoreFailure(
            [&] { userId = context_.api->secret().SimpleSecrit(StoredTokens::DatabaseUser); });
    }

    context_.window.setConnectionCaption(QStringLiteral("Server = ") + state.ServerName +
                                         QStringLiteral("           Database = ") +
                                         state.DatabaseName);
    context_.window.pumpEvents();

    ignoreFailure([&] {
        if (!context_.bank)
            throw Error(ErrorNumber::ObjectRequired,
                        QStringLiteral("The bank library is not loaded"));
        context_.bank->System().OpenConnection(state.ServerName, state.DatabaseName);
    });
    ignoreFailure([&] {
        context_.connection = platform.database->createConnection();
        context_.connection->open(
            BranchConnectionString(password, userId, state.DatabaseName, state.ServerName));
    });

    state.PrevBusinessDate = ReadSystemValue(QStringLiteral("Sys_BusinessDate_Prev"));
    state.BankName = ReadSystemValue(QStringLiteral("Sys_BankName"));
    state.BranchName = ReadSystemValue(QStringLiteral("Sys_BranchName"));
    state.BranchType = ReadSystemValue(QStringLiteral("Sys_BranchType"));
    state.BranchNum = ReadSystemValue(QStringLiteral("Sys_BranchNum"));
    state.BackupPath = ReadSystemValue(QStringLiteral("Sys_Backup_Path"));
    state.FinaPath = ReadSystemValue(QStringLiteral("Sys_Fina_Path"));
    state.ServerVersion = ReadServerProperty(QStringLiteral("ProductVersion"));
    state.ServerEdition = ReadServerProperty(QStringLiteral("EngineEdition"));
    state.ServerEditionName = ReadServerProperty(QStringLiteral("Edition"));

    const ProgramVersion version = platform.process->programVersion();
    context_.window.setTitle(
        platform.process->programTitle() + QLatin1Char(' ') +
        QStringLiteral("%1.%2.%3").arg(version.major).arg(version.minor).arg(version.revision));
    context_.window.setBranchCaption(state.BankName + QStringLiteral(" - ") + state.BranchType +
                                     QLatin1Char(' ') + state.BranchName);
    FormBranchNames();
}

QString StartUp::BranchConnectionString(const QString& password, const QString& userId,
                                        const QString& databaseName, const QString& serverName) {
    const QChar separator(';');
    return QStringLiteral("Provider=SQLOLEDB.1") + separator +
           ConnectionString::typedField(QStringLiteral("Password"), password) + separator +
           ConnectionString::typedField(QStringLiteral("User ID"), userId) + separator +
           ConnectionString::typedField(QStringLiteral("Initial Catalog"), databaseName) +
           separator + ConnectionString::typedField(QStringLiteral("Data Source"), serverName);
}

// A value that cannot be read stays empty.
QString StartUp::ReadSystemValue(const QString& name) {
    QString value;
    ignoreFailure([&] {
        if (!context_.connection)
            throw Error(ErrorNumber::ObjectRequired, QStringLiteral("The connection is not open"));
        QString query =
            QStringLiteral("SELECT SV_Value FROM ORV_System_Values WHERE (SV_Name = 'FLD')");
        query.replace(QStringLiteral("FLD"), name);
        const std::optional<QVariant> first = context_.connection->readFirstValue(query);
        if (first && !first->isNull())
            value = BlankTrim::trim(first->toString());
    });
    return value;
}

// A property the server cannot tell stays empty, which the backup statements take
// for an old server.
QString StartUp::ReadServerProperty(const QString& name) {
    QString value;
    ignoreFailure([&] {
        if (!context_.connection)
            throw Error(ErrorNumber::ObjectRequired, QStringLiteral("The connection is not open"));
        value = ServerProperty(*context_.connection, name);
    });
    return value;
}

QString StartUp::ServerProperty(DatabaseConnection& connection, const QString& name) {
    const std::optional<QVariant> first = connection.readFirstValue(
        QStringLiteral("SELECT CAST(SERVERPROPERTY('%1') AS nvarchar(128))").arg(name));
    return first && !first->isNull() ? first->toString().trimmed() : QString();
}

void StartUp::FormBranchNames() {
    MainState& state = context_.state;
    const FileServices* files = context_.platform.files.get();
    const QStringList candidates = BranchNames::FinaFileCandidates(
        state.BackupPath, state.FinaPath, state.BranchNum, state.DatabaseName);
    for (const QString& candidate : candidates) {
        state.FinaFile = candidate;
        if (files && files->isOrdinaryFile(candidate))
            break;
    }
    const QString prefix = BranchNames::DatabasePrefix(state.DatabaseName);
    state.SgDatabase = prefix + QStringLiteral("SG");
    state.HsDatabase = prefix + QStringLiteral("HS");
    state.LcsDatabase = BranchNames::LcsDatabase(state.BranchNum);
    const QString folder = BranchNames::FixPath(state.BackupPath);
    state.LcsBakFile = folder + prefix + QStringLiteral("LCS.bak");
    state.SgBakFile = folder + prefix + QStringLiteral("SG.bak");
    state.HsBakFile = folder + prefix + QStringLiteral("HS.bak");
    state.HistoryIntervalDays = BranchNames::HistoryIntervalDays(state.BranchType);
}

// Each drive's volume is kept with the list: a run writes only onto a drive that is
// still the volume it was here.
void StartUp::ListTargetDrives() {
    LogicalDisks& disks = *context_.platform.disks;
    MainState& state = context_.state;
    const QList<LogicalDisk> found = disks.query();
    for (const LogicalDisk& disk : found) {
        if (const auto volume = disks.volumeAt(disk.DeviceID))
            state.DriveVolumes.insert(disk.DeviceID, *volume);
        state.ListedDrives.insert(disk.DeviceID, disk);
    }
    const DriveList drives(found, state.RememberedDrive);
    for (const DriveRow& row : drives.rows())
        ignoreFailure([&] { context_.window.addDriveRow(row.text, row.image, row.tag); });
    ignoreFailure([&] { context_.window.selectDriveRow(drives.selectedPosition()); });
}

void StartUp::ShowNotLinkedMessage() {
    context_.showMessage(NotLinkedText, MessageIcon::Warning, true);
}

} // namespace tavor
