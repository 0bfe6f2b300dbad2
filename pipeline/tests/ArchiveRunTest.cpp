#include "pipeline/run/ArchiveRun.h"
#include "PipelineFixture.h"

#include "base/Error.h"
#include "cabinet/MszipCabinetCompressor.h"
#include "pipeline/record/RunRecorder.h"
#include "pipeline/record/RunReport.h"
#include "pipeline/run/CopyRun.h"
#include "pipeline/run/RowTaking.h"
#include "pipeline/run/RunTexts.h"
#include "pipeline/startup/BackupItemList.h"
#include "platform/disks/linux/LinuxLogicalDisks.h"
#include "platform/registry/RegistryKeys.h"
#include "support/FakeLogicalDisks.h"
#include "support/TestFiles.h"

#include <QFileInfo>
#include <QTimeZone>

using namespace tavor;

namespace {

const QString kDriveKey = QStringLiteral("HKEY_CURRENT_USER\\Software\\ORV\\Tavor\\Backup");

// Reports a chosen size for one file and records plain copies, so that the size
// threshold is tried without writing gigabytes; puts one path on another volume.
class SizedFiles : public LinuxFileServices {
public:
    QString bigFile;
    qint64 bigSize = 0;
    QStringList copies;
    QString otherVolume;

    std::optional<quint64> deviceOf(const QString& path) const override {
        const auto device = LinuxFileServices::deviceOf(path);
        return path == otherVolume && device ? *device + 1 : device;
    }

    std::optional<qint64> fileSize(const QString& path) const override {
        if (path == bigFile)
            return bigSize;
        return LinuxFileServices::fileSize(path);
    }
    void copyFile(const QString& source, const QString& target) override {
        copies << target;
        LinuxFileServices::copyFile(source, target);
    }
};

// The record kept in memory.
class MemoryRunRecords : public RunRecords {
public:
    QList<QByteArray> lines;
    QMap<QString, QByteArray> replaced;
    QList<QByteArray> history() const override { return lines; }
    void append(const QByteArray& line) override { lines.append(line); }
    void replace(const QString& path, const QByteArray& bytes) override { replaced[path] = bytes; }
};

class ArchiveRunTest : public PipelineFixture {
protected:
    void SetUp() override {
        PipelineFixture::SetUp();
        clock->step = 1000;
        sized = std::make_shared<SizedFiles>();
        platform.files = sized;
        platform.cabinet = std::make_shared<MszipCabinetCompressor>();
        api = std::make_unique<ORVApi>(registry);
        api->setOpenKey(QStringLiteral("418265"));
        QDir(root.path()).mkpath(QStringLiteral("usb"));
        window.driveTag = path(QStringLiteral("usb"));
        platform.disks = disks;
        disks->volumes.insert(window.driveTag,
                              *LinuxLogicalDisks(nullptr).volumeAt(window.driveTag));
        state.DriveVolumes = disks->volumes;
        state.PrevBusinessDate = QStringLiteral("2026-12-06");
        for (const char* name : {"TAVOR_HS", "TAVOR_SG", "LCS_007"})
            createDatabase(QString::fromLatin1(name));
        test::writeFile(state.FinaFile, test::randomBytes(70000, 1));
        test::writeFile(path(QStringLiteral("backup/TAVOR_07_backup_2026_12_06.bak")),
                        test::randomBytes(50000, 2));
        BackupItemList(context).FillBackupList();
        window.log.clear();
    }
    QString dated(const QString& name) const {
        return path(QStringLiteral("usb/Tavor_Backup/Tavor_2026-12-06/")) + name;
    }
    QList<int> images() const {
        QList<int> result;
        for (const auto& row : window.rows)
            result << row.image;
        return result;
    }

    std::shared_ptr<SizedFiles> sized;
    std::shared_ptr<FakeLogicalDisks> disks = std::make_shared<FakeLogicalDisks>();
};

} // namespace

// The whole run: fresh backups, five cabinets in the dated folder, ticks, the
// drive remembered and both satellite dates recorded, the end message.
TEST_F(ArchiveRunTest, FullRunPacksEveryRowAndRecordsTheDates) {
    ASSERT_EQ(window.rows.size(), 5);
    const QList<RowOutcome> outcomes = ArchiveRun(context).cmdCopy_Click().rows;
    ASSERT_EQ(outcomes.size(), 5);
    EXPECT_EQ(images(), (QList<int>{1, 1, 1, 1, 1}));
    for (const char* name : {"TAVOR_07_backup_2026_12_06.cab", "F0012007.cab", "TAVOR_LCS.cab",
                             "TAVOR_HS.cab", "TAVOR_SG.cab"})
        EXPECT_TRUE(QFileInfo(dated(QString::fromLatin1(name))).isFile()) << name;
    EXPECT_EQ(registry->value(kDriveKey, QStringLiteral("Drive")), window.driveTag);
    EXPECT_EQ(systemValue(QStringLiteral("Sys_Last_HS_Backup_Date")), QStringLiteral("2026-12-07"));
    EXPECT_EQ(systemValue(QStringLiteral("Sys_Last_SG_Backup_Date")), QStringLiteral("2026-12-07"));
    ASSERT_FALSE(messages->shown.isEmpty());
    EXPECT_EQ(messages->shown.last().text, RunTexts::FinishedText);
    EXPECT_EQ(messages->shown.last().icon, MessageIcon::Information);
    EXPECT_TRUE(window.buttonsEnabled && window.progressVisible);
    EXPECT_EQ(window.log.first(), QStringLiteral("disable"));
}

// A backup the server refused must not be ticked on the strength of an older file.
TEST_F(ArchiveRunTest, RefusedServerBackupFailsItsRowEvenWithAnOlderFile) {
    test::writeFile(state.SgBakFile, "last week's backup");
    QFile::remove(databaseFile(QStringLiteral("TAVOR_SG")));
    const QList<RowOutcome> outcomes = ArchiveRun(context).cmdCopy_Click().rows;
    EXPECT_EQ(images(), (QList<int>{1, 1, 1, 1, 2}));
    EXPECT_FALSE(QFileInfo::exists(dated(QStringLiteral("TAVOR_SG.cab"))));
    EXPECT_EQ(systemValue(QStringLiteral("Sys_Last_SG_Backup_Date")), QString());
    EXPECT_EQ(systemValue(QStringLiteral("Sys_Last_HS_Backup_Date")), QStringLiteral("2026-12-07"));
    // The server's own reason, which once stayed out of the row's.
    EXPECT_TRUE(outcomes.last().reason.endsWith(
        QStringLiteral(": Database 'TAVOR_SG' does not exist. Make sure that the name is entered "
                       "correctly.")))
        << outcomes.last().reason.toStdString();
}

// The threshold is 1,800,000,000 bytes: one less is packed, the threshold copied.
TEST_F(ArchiveRunTest, FilesFromTheThresholdOnAreCopiedPlainly) {
    sized->bigFile = state.FinaFile;
    sized->bigSize = RowTaking::CopyThreshold - 1;
    ArchiveRun(context).cmdCopy_Click();
    EXPECT_TRUE(sized->copies.isEmpty());
    EXPECT_TRUE(QFileInfo(dated(QStringLiteral("F0012007.cab"))).isFile());

    sized->bigSize = RowTaking::CopyThreshold;
    ArchiveRun(context).cmdCopy_Click();
    EXPECT_EQ(sized->copies, QStringList{dated(QStringLiteral("F0012007.mdb"))});
    EXPECT_EQ(test::readFile(dated(QStringLiteral("F0012007.mdb"))),
              test::readFile(state.FinaFile));
    EXPECT_EQ(window.rows[1].image, 1);
}

// A second run for the same date reuses the folder and replaces its cabinets.
TEST_F(ArchiveRunTest, SecondRunReplacesTheCabinetsInTheSameFolder) {
    ArchiveRun(context).cmdCopy_Click();
    const QByteArray first = test::readFile(dated(QStringLiteral("F0012007.cab")));
    test::writeFile(state.FinaFile, test::randomBytes(90000, 3));
    ArchiveRun(context).cmdCopy_Click();
    EXPECT_NE(test::readFile(dated(QStringLiteral("F0012007.cab"))), first);
    EXPECT_EQ(test::folderEntries(path(QStringLiteral("usb/Tavor_Backup"))).size(), 1);
}

// Without a selected drive nothing is written and the operator is told why.
TEST_F(ArchiveRunTest, NoSelectedDriveRefusesToStart) {
    window.driveTag.clear();
    EXPECT_TRUE(ArchiveRun(context).cmdCopy_Click().rows.isEmpty());
    ASSERT_EQ(messages->shown.size(), 1);
    EXPECT_EQ(messages->shown.front().icon, MessageIcon::Warning);
    EXPECT_TRUE(messages->shown.front().rtlReading);
    EXPECT_FALSE(registry->value(kDriveKey, QStringLiteral("Drive")).has_value());
    EXPECT_TRUE(window.buttonsEnabled);
    EXPECT_FALSE(QFileInfo::exists(state.SgBakFile));
}

// Under the encryption policy a plain removable drive (or one the disk list does not
// show) is refused before anything is written; a fixed disk or an encrypted stick is
// not. The drive is judged as the list shows it when the run starts, not as start-up
// found it: another stick may have been put in its place since.
// 0 leaves the policy off, a word reads as the technician means it.
TEST_F(ArchiveRunTest, EncryptionPolicyRefusesOnlyAPlainRemovableTarget) {
    struct Case {
        const char* policy;
        int driveType;
        bool encrypted;
        bool shown;
        bool refused;
    };
    for (const Case& c : {Case{"1", 2, false, true, true}, Case{" 2 ", 0, false, true, true},
                          Case{"1", 2, true, true, false}, Case{"1", 3, false, true, false},
                          Case{"1", 2, true, false, true}, Case{"0", 2, false, true, false},
                          Case{"yes", 2, false, true, true}, Case{"off", 2, false, true, false}}) {
        const std::string name = std::string(c.policy) + " type " + std::to_string(c.driveType) +
                                 (c.encrypted ? " encrypted" : "") + (c.shown ? "" : " not shown");
        registry->setValue(RegistryKeys::Technician, QStringLiteral("RequireEncryptedTarget"),
                           QString::fromLatin1(c.policy));
        disks->disks.clear();
        if (c.shown)
            disks->disks = {{window.driveTag, c.driveType, c.encrypted, {}}};
        state.ListedDrives.insert(window.driveTag,
                                  {window.driveTag, c.driveType == 3 ? 2 : 3, !c.encrypted, {}});
        QDir(path(QStringLiteral("usb/Tavor_Backup"))).removeRecursively();
        messages->shown.clear();
        const QList<RowOutcome> outcomes = ArchiveRun(context).cmdCopy_Click().rows;
        EXPECT_EQ(outcomes.isEmpty(), c.refused) << name;
        EXPECT_EQ(QFileInfo::exists(path(QStringLiteral("usb/Tavor_Backup"))), !c.refused) << name;
        ASSERT_FALSE(messages->shown.isEmpty()) << name;
        EXPECT_EQ(messages->shown.last().text == RunTexts::PlainTargetText, c.refused) << name;
    }
}

// The drive is removed only when the setting is on and every row got its tick onto a
// removable drive (as the disk list shows it when the run starts, whatever start-up
// found there); a drive that will not go is reported, the ticks stay.
TEST_F(ArchiveRunTest, SafeRemovalOnlyAfterEveryRowTickedOntoARemovableDrive) {
    struct Removal : SafeRemoval {
        QStringList removed;
        bool refuses = false;
        RemovalReport remove(const QString& mountPoint) override {
            removed << mountPoint;
            RemovalReport report;
            if (refuses)
                report.stopped(QStringLiteral("the volume could not be unmounted"),
                               QStringLiteral("busy"));
            else
                report.poweredOff();
            return report;
        }
    };
    struct Case {
        const char* setting;
        int driveType;
        bool failRow;
        bool refuses;
        bool removed;
        const QString* lastMessage;
    };
    for (const Case& c : {Case{"1", 2, false, false, true, &RunTexts::RemovedText},
                          Case{"1", 2, false, true, true, &RunTexts::NotRemovedText},
                          Case{"1", 2, true, false, false, &RunTexts::FinishedText},
                          Case{"1", 3, false, false, false, &RunTexts::FinishedText},
                          Case{"0", 2, false, false, false, &RunTexts::FinishedText}}) {
        const auto removal = std::make_shared<Removal>();
        removal->refuses = c.refuses;
        platform.removal = removal;
        registry->setValue(RegistryKeys::Technician, QStringLiteral("EjectAfterRun"),
                           QString::fromLatin1(c.setting));
        disks->disks = {{window.driveTag, c.driveType, false, {}}};
        state.ListedDrives.insert(window.driveTag,
                                  {window.driveTag, c.driveType == 3 ? 2 : 3, false, {}});
        if (c.failRow)
            QFile::remove(state.FinaFile);
        else
            test::writeFile(state.FinaFile, "accounts");
        CopyRun copy(context);
        RunResult result = copy.run();
        copy.removeDriveSafely(result);
        const std::string name = std::string(c.setting) + " type " + std::to_string(c.driveType) +
                                 (c.failRow ? " failed row" : "") + (c.refuses ? " refused" : "");
        EXPECT_EQ(removal->removed, c.removed ? QStringList{window.driveTag} : QStringList{})
            << name;
        EXPECT_EQ(result.removal.has_value(), c.removed) << name;
        ASSERT_FALSE(messages->shown.isEmpty()) << name;
        EXPECT_EQ(messages->shown.last().text, *c.lastMessage) << name;
        EXPECT_EQ(result.rows.size(), 5) << name;
    }
}

// A click that arrives while events run inside a run starts nothing.
TEST_F(ArchiveRunTest, ClickDuringARunStartsNoSecondRun) {
    int nested = -1;
    window.onPump = [&] {
        if (nested < 0)
            nested = int(ArchiveRun(context).cmdCopy_Click().rows.size());
    };
    EXPECT_EQ(ArchiveRun(context).cmdCopy_Click().rows.size(), 5);
    EXPECT_EQ(nested, 0);
    EXPECT_FALSE(state.RunInProgress);
}

// Events run while a row is packed: the reset gesture then rebuilt the list under
// the running loop and cleared the history date just recorded, and a click on
// another drive moved the rest of the run there.
TEST_F(ArchiveRunTest, ResetGestureAndDriveClickDuringARunChangeNothing) {
    QDir(root.path()).mkpath(QStringLiteral("other"));
    window.onPump = [&] {
        BackupItemList(context).Label1_MouseDown(2, 7);
        window.driveTag = path(QStringLiteral("other"));
    };
    EXPECT_EQ(ArchiveRun(context).cmdCopy_Click().rows.size(), 5);
    EXPECT_EQ(images(), (QList<int>{1, 1, 1, 1, 1}));
    EXPECT_EQ(systemValue(QStringLiteral("Sys_Last_HS_Backup_Date")), QStringLiteral("2026-12-07"));
    EXPECT_EQ(systemValue(QStringLiteral("Sys_Last_SG_Backup_Date")), QStringLiteral("2026-12-07"));
    EXPECT_TRUE(QFileInfo(dated(QStringLiteral("TAVOR_SG.cab"))).isFile());
    EXPECT_TRUE(test::folderEntries(path(QStringLiteral("other"))).isEmpty());
    EXPECT_EQ(registry->value(kDriveKey, QStringLiteral("Drive")), path(QStringLiteral("usb")));
}

// A stale backup in the program's folder was packed and ticked when the backup
// folder could not be listed; the main row now fails with the folder and the reason.
TEST_F(ArchiveRunTest, MainRowFailsWithTheReasonWhenTheBackupFolderCannotBeRead) {
    test::writeFile(path(QStringLiteral("program/TAVOR_07_backup_2020_01_01.bak")), "stale");
    fileList.setFolder(path(QStringLiteral("program")));
    state.BackupPath = path(QStringLiteral("gone"));
    BackupItemList(context).FillBackupList();
    const QList<RowOutcome> outcomes = ArchiveRun(context).cmdCopy_Click().rows;
    ASSERT_EQ(outcomes.size(), 5);
    EXPECT_FALSE(outcomes[0].succeeded);
    EXPECT_TRUE(outcomes[0].reason.contains(path(QStringLiteral("gone"))))
        << outcomes[0].reason.toStdString();
    EXPECT_FALSE(QFileInfo::exists(dated(QStringLiteral("TAVOR_07_backup_2020_01_01.cab"))));
}

// In maintenance mode a failing row shows its five lines; outside it, nothing.
TEST_F(ArchiveRunTest, FailingRowShowsFiveLinesOnlyInMaintenanceMode) {
    QFile::remove(state.FinaFile);
    ArchiveRun(context).cmdCopy_Click();
    EXPECT_EQ(messages->shown.size(), 1);
    state.CommandLine = QStringLiteral("/M");
    ArchiveRun(context).cmdCopy_Click();
    ASSERT_EQ(messages->shown.size(), 3);
    const QStringList lines = messages->shown[1].text.split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines[1], QStringLiteral("sFile= ") + state.FinaFile);
    EXPECT_EQ(lines[3], QStringLiteral("cabFile= ") + dated(QStringLiteral("F0012007.cab")));
}

namespace {

// Calls the idle handler a few times, then makes the cabinet.
class IdlingCompressor : public CabinetCompressor {
public:
    static constexpr int IdleCalls = 3;

    bool hasIdleHandler() const { return bool(idleHandler()); }

    void compress() override {
        fileList().clear();
        for (int i = 0; i < IdleCalls; ++i)
            idleHandler()();
        test::writeFile(cabinetFile(), "cabinet");
    }
};

} // namespace

// Guards against idle calls of the compressor that do not reach the window, an
// error of one pump that fails the cabinet, and a handler left behind on the
// compressor after the run.
TEST_F(ArchiveRunTest, CompressorIdleCallsPumpWindowEvents) {
    const auto compressor = std::make_shared<IdlingCompressor>();
    platform.cabinet = compressor;
    const int pumpsBefore = window.pumps;
    window.onPump = [&] {
        if (window.pumps == pumpsBefore + 2)
            throw Error(ErrorNumber::AutomationError, QStringLiteral("event failed"));
    };
    EXPECT_TRUE(RowTaking(context).CompressFile(path(QStringLiteral("usb/a.cab")), state.FinaFile));
    // One pump before packing and one after it, besides the idle calls.
    EXPECT_EQ(window.pumps - pumpsBefore, IdlingCompressor::IdleCalls + 2);
    EXPECT_FALSE(compressor->hasIdleHandler());
}

// The stick is pulled out after the second row: the rows after it fail without
// being tried, no date is recorded, and the operator is told the drive is gone.
TEST_F(ArchiveRunTest, DriveGoneMidRunFailsTheRemainingRowsAndSaysSo) {
    int done = 0;
    const QList<RowOutcome> outcomes = ArchiveRun(context,
                                                  [&](const RowOutcome&, const QString&) {
                                                      if (++done == 2)
                                                          disks->volumes.clear();
                                                  })
                                           .cmdCopy_Click()
                                           .rows;
    EXPECT_EQ(images(), (QList<int>{1, 1, 2, 2, 2}));
    ASSERT_EQ(outcomes.size(), 5);
    EXPECT_TRUE(outcomes[4].driveMissing && outcomes[4].reason.contains(window.driveTag));
    EXPECT_EQ(RunResult::statusOf(outcomes, {}, {}), ExitStatus::Failed);
    EXPECT_FALSE(QFileInfo::exists(dated(QStringLiteral("TAVOR_HS.cab"))));
    EXPECT_EQ(systemValue(QStringLiteral("Sys_Last_HS_Backup_Date")), QString());
    ASSERT_EQ(messages->shown.size(), 2);
    EXPECT_EQ(messages->shown[0].text, RunTexts::DriveGoneText);
    EXPECT_TRUE(messages->shown[0].icon == MessageIcon::Warning && messages->shown[0].rtlReading);
    EXPECT_EQ(messages->shown[1].text, RunTexts::FinishedText);
}

// Only what lies on the drive's own volume counts: a volume mounted on the backup
// folder fails every row and gets no dated folder, a cabinet found on another
// volume fails its own row.
TEST_F(ArchiveRunTest, FilesOnAnotherVolumeThanTheDriveFailTheirRows) {
    const struct {
        QString otherVolume;
        QList<int> images;
    } cases[] = {
        {path(QStringLiteral("usb/Tavor_Backup")), {2, 2, 2, 2, 2}},
        {dated(QStringLiteral("TAVOR_LCS.cab")), {1, 1, 2, 1, 1}},
    };
    for (const auto& c : cases) {
        sized->otherVolume = c.otherVolume;
        const QList<RowOutcome> outcomes = ArchiveRun(context).cmdCopy_Click().rows;
        EXPECT_EQ(images(), c.images) << c.otherVolume.toStdString();
        EXPECT_TRUE(outcomes[2].reason.contains(QStringLiteral("another volume")));
        EXPECT_EQ(QFileInfo::exists(dated(QString())), c.images[0] == 1);
    }
}

namespace {

// Reports success but leaves no cabinet, as a writer whose rename was lost would.
class VanishingCompressor : public CabinetCompressor {
public:
    void compress() override { fileList().clear(); }
};

} // namespace

// A cabinet missing after a reported success failed its row with an empty reason.
TEST_F(ArchiveRunTest, CabinetMissingAfterReportedSuccessFailsWithAReason) {
    platform.cabinet = std::make_shared<VanishingCompressor>();
    const QList<RowOutcome> outcomes = ArchiveRun(context).cmdCopy_Click().rows;
    ASSERT_EQ(outcomes.size(), 5);
    EXPECT_FALSE(outcomes[1].succeeded);
    EXPECT_EQ(outcomes[1].reason,
              QStringLiteral("'%1' is not there after it was written").arg(dated("F0012007.cab")));
}

namespace {

// The server's connection, but each backup file named here is cut to half its
// length just before the server is asked to verify it: a copy damaged between
// its writing and its reading back.
class TruncatingBeforeVerify : public DatabaseConnection {
public:
    TruncatingBeforeVerify(std::unique_ptr<DatabaseConnection> server, QString file)
        : server_(std::move(server)), file_(std::move(file)) {}
    void open(const QString& connectionString) override { server_->open(connectionString); }
    void close() override { server_->close(); }
    bool isOpen() const override { return server_->isOpen(); }
    void setCommandTimeout(int seconds) override { server_->setCommandTimeout(seconds); }
    int commandTimeout() const override { return server_->commandTimeout(); }
    void execute(const QString& sql, const QList<QVariant>& parameters) override {
        if (sql.startsWith(QLatin1String("RESTORE VERIFYONLY")) && sql.contains(file_)) {
            QFile file(file_);
            file.resize(file.size() / 2);
        }
        server_->execute(sql, parameters);
    }
    std::optional<QVariant> readFirstValue(const QString& sql,
                                           const QList<QVariant>& parameters) override {
        return server_->readFirstValue(sql, parameters);
    }

private:
    std::unique_ptr<DatabaseConnection> server_;
    QString file_;
};

} // namespace

// A backup that the server wrote but that is damaged before it is read back must
// fail its row as a refused one does: not packed, no date; each server row names
// its protection, the other rows none.
TEST_F(ArchiveRunTest, BackupDamagedBeforeVerificationFailsItsRowOnACurrentServer) {
    test::writeFile(path(QStringLiteral("server/server.ini")),
                    "[Server]\nProductVersion=16.0.4135.4\nEngineEdition=3\n");
    state.ServerVersion = QStringLiteral("16.0.4135.4");
    connection = std::make_unique<TruncatingBeforeVerify>(std::move(connection), state.SgBakFile);
    const QList<RowOutcome> outcomes = ArchiveRun(context).cmdCopy_Click().rows;
    ASSERT_EQ(outcomes.size(), 5);
    EXPECT_EQ(images(), (QList<int>{1, 1, 1, 1, 2}));
    QStringList protections;
    for (const RowOutcome& outcome : outcomes)
        protections << outcome.protection;
    EXPECT_EQ(protections, (QStringList{{}, {}, "none", "none", "none"}));
    EXPECT_TRUE(outcomes[4].reason.contains(QLatin1String("RESTORE VERIFYONLY refused it")))
        << outcomes[4].reason.toStdString();
    EXPECT_FALSE(QFileInfo::exists(dated(QStringLiteral("TAVOR_SG.cab"))));
    EXPECT_EQ(systemValue(QStringLiteral("Sys_Last_SG_Backup_Date")), QString());
    EXPECT_TRUE(RunReport::rowLine(outcomes[4], 5, 5).endsWith(QLatin1String(" protection=none")));
}

// "Last complete copy on this drive" is the last run onto that very volume, known by
// its file system's UUID, in which every row got its tick: a night with a failed row
// does not move it, and another stick mounted in the same place has its own.
TEST_F(ArchiveRunTest, LastCompleteCopyIsTheLastFullRunOntoTheSameVolume) {
    auto records = std::make_shared<MemoryRunRecords>();
    platform.records = records;
    LogicalDisk stick;
    stick.DeviceID = window.driveTag;
    stick.DriveType = DriveType::Removable;
    const auto nightOn = [&](const QString& uuid, int day) {
        stick.filesystemUuid = uuid;
        disks->disks = {stick};
        clock->wall = QDateTime(QDate(2026, 12, day), QTime(22, 30), QTimeZone(3 * 3600));
        RunRecorder recorder(context);
        recorder.begin();
        recorder.finish(ArchiveRun(context).cmdCopy_Click());
        return recorder.lastCompleteCopy();
    };
    const QDateTime first = nightOn(QStringLiteral("A"), 1);
    EXPECT_EQ(first, clock->wall);
    QFile::remove(databaseFile(QStringLiteral("TAVOR_SG")));
    EXPECT_EQ(nightOn(QStringLiteral("A"), 2), first);
    EXPECT_FALSE(nightOn(QStringLiteral("B"), 3).isValid());
    ASSERT_EQ(records->lines.size(), 3);
    EXPECT_TRUE(records->lines[2].contains("\"filesystem_uuid\":\"B\""));
    EXPECT_TRUE(records->replaced.contains(dated(QStringLiteral("RUN.json"))));
}
