#include "ProgramTest.h"
#include "cabinet/CabinetWriter.h"
#include "platform/api/AccessCode.h"
#include "platform/api/ORVApi.h"
#include "platform/api/StoredTokens.h"
#include "support/PrivateBus.h"
#include "support/PrometheusText.h"
#include "support/SilentSocket.h"
#include "support/SmallTmpfs.h"
#include "support/SqliteFile.h"
#include "support/TestFiles.h"
#include "support/UdisksStandIn.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

// A demo branch seeded by the demo's own seeder, and the built program run on it
// with /RUN as a timer would start it: no display, nobody at the screen.
class UnattendedRun : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        ASSERT_TRUE(branch.isValid());
        QProcess seeder;
        seeder.start(
            QStringLiteral("python3"),
            {QStringLiteral(TAVOR_SOURCE_DIR "/tools/demo/seed-demo-branch"), branch.path()});
        ASSERT_TRUE(seeder.waitForFinished(60000));
        ASSERT_EQ(seeder.exitCode(), 0) << seeder.readAllStandardError().toStdString();
    }

    // Runs /RUN; returns the exit status (-1 when it did not end within the time
    // allowed) and leaves standard error in `errors`. afterStartUp runs as soon as
    // the state dump of the end of start-up appears, during the run's preparation.
    int run(const std::function<void()>& afterStartUp = {}, int milliseconds = 120000) {
        start();
        while (afterStartUp && !QFile::exists(path(QStringLiteral("state.json"))) &&
               !program.waitForFinished(5))
            ;
        if (afterStartUp)
            afterStartUp();
        return finish(milliseconds);
    }
    void start() {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        if (!platformPlugin.isEmpty())
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), platformPlugin);
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("ORV_MESSAGE_LOG"));
        env.insert(QStringLiteral("ORV_REGISTRY_DIR"), path(QStringLiteral("registry")));
        env.insert(QStringLiteral("ORV_STATE_DUMP"), path(QStringLiteral("state.json")));
        // The run's record and the desktop notes stay out of the user's own.
        env.insert(QStringLiteral("XDG_STATE_HOME"), path(QStringLiteral("state")));
        if (sessionBus.isEmpty())
            env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        else
            env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), sessionBus);
        // The busy clip is written to the temporary folder: keep it out of the machine's
        // shared /tmp, where another user's copy cannot be replaced.
        env.insert(QStringLiteral("TMPDIR"), branch.path());
        // As a systemd user unit has it; without one the toolkit warns at start-up.
        QDir().mkdir(path(QStringLiteral("runtime")),
                     QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), path(QStringLiteral("runtime")));
        program.setProcessEnvironment(env);
        QFile::remove(path(QStringLiteral("state.json")));
        program.start(QStringLiteral(TAVOR_BINARY_DIR "/tavor-backup"), {QStringLiteral("/run")});
        started.start();
    }
    int finish(int milliseconds = 120000) {
        if (!program.waitForFinished(int(std::max<qint64>(0, milliseconds - started.elapsed())))) {
            program.kill();
            program.waitForFinished();
            return -1;
        }
        errors = QString::fromUtf8(program.readAllStandardError());
        return program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    }

    QString path(const QString& relative) const { return QDir(branch.path()).filePath(relative); }
    QString dated(const QString& name) const {
        return path(QStringLiteral("usb/Tavor_Backup/Tavor_2026-12-06/") + name);
    }
    QString systemValue(const QString& name) {
        SqliteFile database(path(QStringLiteral("server/TAVOR_07.db")));
        return database
            .scalar(QStringLiteral("SELECT SV_Value FROM ORV_System_Values WHERE SV_Name='%1'")
                        .arg(name))
            .toString();
    }
    void setRememberedDrive(const QString& drive) {
        QFile hive(path(QStringLiteral("registry/HKEY_CURRENT_USER.ini")));
        ASSERT_TRUE(hive.open(QIODevice::ReadOnly));
        QString text = QString::fromUtf8(hive.readAll());
        hive.close();
        text.replace(QStringLiteral("Drive=") + path(QStringLiteral("usb")),
                     QStringLiteral("Drive=") + drive);
        ASSERT_TRUE(hive.open(QIODevice::WriteOnly | QIODevice::Truncate));
        hive.write(text.toUtf8());
    }
    // The record's runs, oldest first.
    QList<QJsonObject> recordedRuns() const {
        QList<QJsonObject> runs;
        const QByteArray text = contents(path(QStringLiteral("state/tavor-backup/runs.jsonl")));
        for (const QByteArray& line : text.split('\n')) {
            if (!line.isEmpty())
                runs << QJsonDocument::fromJson(line).object();
        }
        return runs;
    }
    void setMetricsFolder(const QString& folder) { setTechnicianValue("MetricsFolder", folder); }
    // Into the one section of the technician's values, made when it is not there yet.
    void setTechnicianValue(const char* name, const QString& value) {
        const QString hive = path(QStringLiteral("registry/HKEY_LOCAL_MACHINE.ini"));
        QByteArray text = contents(hive);
        const QByteArray section = "[SOFTWARE\\ORV\\Tavor\\Backup]\n";
        if (!text.contains(section))
            text += '\n' + section;
        text.insert(text.indexOf(section) + section.size(), name + ('=' + value.toUtf8()) + '\n');
        tavor::test::writeFile(hive, text);
    }
    // What the program finds when a command is run by hand in the branch.
    QProcessEnvironment commandEnvironment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("ORV_MESSAGE_LOG"));
        env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        env.insert(QStringLiteral("ORV_REGISTRY_DIR"), path(QStringLiteral("registry")));
        env.insert(QStringLiteral("XDG_STATE_HOME"), path(QStringLiteral("state")));
        env.insert(QStringLiteral("TMPDIR"), branch.path());
        return env;
    }
    // Every file the cabinet holds, extracted by an independent reader.
    QByteArray extracted(const QString& cabinet) {
        QTemporaryDir out;
        QProcess cabextract;
        cabextract.start(QStringLiteral("cabextract"),
                         {QStringLiteral("-q"), QStringLiteral("-d"), out.path(), cabinet});
        cabextract.waitForFinished(60000);
        const QStringList names = QDir(out.path()).entryList(QDir::Files);
        if (cabextract.exitCode() != 0 || names.size() != 1)
            return {};
        QFile file(QDir(out.path()).filePath(names.front()));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static QByteArray contents(const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // Makes the main backup large enough that its cabinet takes a while to write.
    void enlargeMainBackup() {
        QFile file(
            path(QStringLiteral("Tavor/Backup/TAVOR_07_backup_2026_12_06_230000_0000042.bak")));
        ASSERT_TRUE(file.open(QIODevice::Append));
        QRandomGenerator random(6);
        QByteArray chunk(1 << 20, Qt::Uninitialized);
        for (int i = 0; i < 160; ++i) {
            random.fillRange(reinterpret_cast<quint32*>(chunk.data()), chunk.size() / 4);
            file.write(chunk);
        }
    }
    // Starts a run and sends it a signal as soon as a temporary file shows in folder;
    // false when none showed.
    bool signalMidWrite(int signal, const char* folder) {
        start();
        while (program.state() != QProcess::NotRunning) {
            if (!temporaryFiles({folder}).isEmpty())
                return ::kill(pid_t(program.processId()), signal) == 0;
            program.waitForFinished(5);
        }
        return false;
    }
    // The hidden files named as temporary files, in the drive and the backup folder.
    QStringList temporaryFiles(const QList<const char*>& folders = {"usb", "Tavor/Backup"}) const {
        QStringList found;
        for (const char* folder : folders) {
            QDirIterator it(path(QString::fromLatin1(folder)), {QStringLiteral(".*.tmp")},
                            QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
            while (it.hasNext())
                found << it.next();
        }
        return found;
    }

    QTemporaryDir branch;
    // The toolkit's platform plugin asked for; none: as a timer's service has it.
    QString platformPlugin;
    // The session bus the program finds; none when empty.
    QString sessionBus;
    QProcess program;
    QElapsedTimer started;
    QString errors;
};

} // namespace

// Every row ticked: five cabinets that unpack to their sources, the dates and the
// drive recorded, one line per row and a summary, exit status 0.
TEST_F(UnattendedRun, EveryRowTickedExitsZeroWithCabinetsEqualToTheirSources) {
    ASSERT_EQ(run(), 0) << errors.toStdString();
    EXPECT_EQ(errors.count(QStringLiteral("tavor-backup: row ")), 5) << errors.toStdString();
    EXPECT_TRUE(errors.contains(QStringLiteral("run ended: 5 rows, 5 ticked, 0 failed")));
    const QStringList sources = {
        QStringLiteral("Tavor/Backup/TAVOR_07_backup_2026_12_06_230000_0000042.bak"),
        QStringLiteral("Tavor/Varnel/F0072007/F0072007.mdb"),
        QStringLiteral("Tavor/Backup/TAVOR_LCS.bak"), QStringLiteral("Tavor/Backup/TAVOR_HS.bak"),
        QStringLiteral("Tavor/Backup/TAVOR_SG.bak")};
    for (const QString& source : sources) {
        const QString cabinet =
            dated(QFileInfo(source).completeBaseName().section('.', 0, 0) + QStringLiteral(".cab"));
        const QByteArray original = contents(path(source));
        ASSERT_FALSE(original.isEmpty()) << source.toStdString();
        EXPECT_EQ(extracted(cabinet), original) << cabinet.toStdString();
    }
    EXPECT_EQ(systemValue(QStringLiteral("Sys_Last_HS_Backup_Date")), QStringLiteral("2026-12-07"));
    EXPECT_EQ(systemValue(QStringLiteral("Sys_Last_SG_Backup_Date")), QStringLiteral("2026-12-07"));
    // The closing message was answered and logged to standard error.
    EXPECT_TRUE(errors.contains(QStringLiteral("انتهت العملية")));
}

// A row that failed (its database is gone, so the server writes no backup) makes
// the exit status 1, and its line says so.
TEST_F(UnattendedRun, FailedRowExitsOne) {
    ASSERT_TRUE(QFile::remove(path(QStringLiteral("server/TAVOR_SG.db"))));
    EXPECT_EQ(run(), 1) << errors.toStdString();
    EXPECT_TRUE(errors.contains(QStringLiteral("4 ticked, 1 failed")));
    EXPECT_FALSE(QFile::exists(dated(QStringLiteral("TAVOR_SG.cab"))));
}

// Without the remembered drive no run takes place, and nothing is written anywhere
// else, least of all on the system disk.
TEST_F(UnattendedRun, RememberedDriveMissingRunsNothingAndExitsTwo) {
    setRememberedDrive(path(QStringLiteral("unplugged")));
    EXPECT_EQ(run(), 2) << errors.toStdString();
    EXPECT_TRUE(errors.contains(QStringLiteral("no run took place")));
    EXPECT_FALSE(QDir(path(QStringLiteral("usb/Tavor_Backup"))).exists());
    EXPECT_FALSE(QDir(QStringLiteral("/Tavor_Backup")).exists());
}

// A business date that cannot be read dropped the history and signatures rows and
// the night ended "3 rows, 3 ticked": both are taken, and the summary says why.
TEST_F(UnattendedRun, UnreadableBusinessDateTakesBothSatellitesAndTheSummarySaysSo) {
    SqliteFile database(path(QStringLiteral("server/TAVOR_07.db")));
    database.exec(QStringLiteral("UPDATE ORV_System_Values SET SV_Value = 'locked' "
                                 "WHERE SV_Name = 'Sys_BusinessDate'"));
    database.exec(QStringLiteral("UPDATE ORV_System_Values SET SV_Value = '2026-12-06' "
                                 "WHERE SV_Name LIKE 'Sys_Last_%_Backup_Date'"));
    EXPECT_EQ(run(), 0) << errors.toStdString();
    EXPECT_TRUE(errors.contains(QStringLiteral("run ended: 5 rows, 5 ticked, 0 failed")))
        << errors.toStdString();
    EXPECT_TRUE(errors.contains(QStringLiteral("; could not read: Sys_BusinessDate: ")));
    EXPECT_TRUE(QFile::exists(dated(QStringLiteral("TAVOR_HS.cab"))));
    EXPECT_TRUE(QFile::exists(dated(QStringLiteral("TAVOR_SG.cab"))));
}

// A stop signal in the middle of a write once ended the program on the spot and left
// the partial cabinet on the drive for good, unreported. The write is abandoned and
// its file removed, the rows so far and the summary reported, the state dumped.
TEST_F(UnattendedRun, StopSignalMidWriteRemovesThePartialFileAndReportsTheRowsSoFar) {
    enlargeMainBackup();
    ASSERT_TRUE(signalMidWrite(SIGTERM, "usb"));
    ASSERT_EQ(finish(), 1) << errors.toStdString();
    EXPECT_EQ(temporaryFiles().join(QLatin1Char(' ')).toStdString(), "");
    const QStringList lines = errors.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << errors.toStdString();
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("tavor-backup: row 1/5 ")));
    EXPECT_TRUE(lines[0].contains(QStringLiteral(" FAILED: interrupted by signal SIGTERM ")));
    EXPECT_EQ(lines[1],
              QStringLiteral("tavor-backup: interrupted by signal SIGTERM: 4 of 5 rows not taken"));
    EXPECT_TRUE(lines[2].startsWith(
        QStringLiteral("tavor-backup: run ended: 1 rows, 0 ticked, 1 failed, ")));
    QFile dump(path(QStringLiteral("state.json")));
    ASSERT_TRUE(dump.open(QIODevice::ReadOnly));
    QList<int> images;
    const QJsonArray rows =
        QJsonDocument::fromJson(dump.readAll())
            .object()[QStringLiteral("lists")][QStringLiteral("ORVLog2")][QStringLiteral("rows")]
            .toArray();
    for (const QJsonValue& row : rows)
        images << row[QStringLiteral("image")].toInt();
    EXPECT_EQ(images, (QList<int>{2, 3, 3, 3, 3}));
}

// A killed run's partial file once stayed on the drive for good: the next run
// removes what a write of its own left, and only that.
TEST_F(UnattendedRun, NextRunRemovesTheKilledRunsPartialFilesAndNothingElse) {
    enlargeMainBackup();
    // Killed while the server writes its backups, then while the first cabinet is written.
    for (const char* folder : {"Tavor/Backup", "usb"}) {
        ASSERT_TRUE(signalMidWrite(SIGKILL, folder));
        finish();
    }
    ASSERT_FALSE(temporaryFiles().isEmpty());
    const QStringList others = {dated(QStringLiteral(".foo.tmp")),
                                dated(QStringLiteral(".TAVOR_HS.cab.tmp")),
                                dated(QStringLiteral(".TAVOR_HS.cab.0A1B2C3D4E5F6.tmp")),
                                dated(QStringLiteral("TAVOR_HS.cab.0a1b2c3d4e5f6.tmp"))};
    for (const QString& name : others) {
        QFile file(name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << name.toStdString();
    }
    ASSERT_EQ(run(), 0) << errors.toStdString();
    for (const QString& name : others)
        EXPECT_TRUE(QFile::exists(name)) << name.toStdString();
    const QStringList left = temporaryFiles();
    EXPECT_EQ(QSet<QString>(left.cbegin(), left.cend()),
              QSet<QString>(others.cbegin(), others.cbegin() + 3));
}

// Standard error once split a row whose path held a line break over two lines, and
// carried the toolkit's complaint about the empty message-log path: it holds the
// program's own lines only, one per row, printable text kept as it is.
TEST_F(UnattendedRun, StandardErrorHoldsOneLinePerRowAndNothingElse) {
    const QString mainText = QStringLiteral("نسخ بيانات التافور - السلف - القروض - الصرف الاجنبي");
    const QString seeded = QStringLiteral("TAVOR_07_backup_2026_12_06_230000_0000042");
    const struct {
        QString name;
        QString shown;
    } sources[] = {
        {seeded, seeded},
        {QStringLiteral("TAVOR_07\nlate\t\x1b\u2028run"),
         QStringLiteral("TAVOR_07\\nlate\\t\\x1b\\u2028run")},
    };
    QString previous = seeded;
    for (const auto& [name, shown] : sources) {
        const QString folder = path(QStringLiteral("Tavor/Backup/"));
        ASSERT_TRUE(previous == name ||
                    QFile::rename(folder + previous + ".bak", folder + name + ".bak"));
        previous = name;
        // The satellites are offered again, the main backup named by its new name.
        SqliteFile(path(QStringLiteral("server/TAVOR_07.db")))
            .exec(QStringLiteral("UPDATE ORV_System_Values SET SV_Value = CASE SV_Name WHEN "
                                 "'Sys_Last_Backup_Tavor' THEN '%1' ELSE '2000-01-01' END WHERE "
                                 "SV_Name IN ('Sys_Last_Backup_Tavor', 'Sys_Last_HS_Backup_Date', "
                                 "'Sys_Last_SG_Backup_Date')")
                      .arg(folder + name + ".bak"));
        ASSERT_EQ(run(), 0) << errors.toStdString();
        const QStringList lines = errors.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), 7) << errors.toStdString();
        EXPECT_EQ(lines.filter(QRegularExpression(QStringLiteral("^tavor-backup: row [1-5]/5 \"")))
                      .size(),
                  5);
        EXPECT_TRUE(lines[0].startsWith(QStringLiteral("tavor-backup: row 1/5 \"") + mainText +
                                        QStringLiteral("\" source=") + folder + shown +
                                        QStringLiteral(".bak target=")))
            << lines[0].toStdString();
        EXPECT_EQ(lines[5],
                  QStringLiteral("{\"buttons\":\"ok\",\"icon\":\"information\",\"rtl\":"
                                 "true,\"text\":\"انتهت العملية\",\"title\":\"TavorBackup\"}"));
        EXPECT_TRUE(
            lines[6].startsWith(QStringLiteral("tavor-backup: run ended: 5 rows, 5 ticked")));
    }
}

// The stick is unplugged after start-up: its empty mount folder lies on the system
// disk. Nothing may be written there and no date recorded; no row was tried, so
// the run counts as not having taken place. Removing the marker, or a folder put in
// place of the marked one, stands in for it.
TEST_F(UnattendedRun, DriveGoneAfterStartUpWritesNothingAndExitsTwo) {
    const QString usb = path(QStringLiteral("usb"));
    const QString marker = usb + QStringLiteral("/.tavor-target");
    const std::function<void()> unplugged[] = {
        [&] { QFile::remove(marker); },
        [&] {
            QDir().rename(usb, path(QStringLiteral("usb-before")));
            QDir().mkdir(usb);
            QFile(marker).open(QIODevice::WriteOnly);
        },
    };
    for (const auto& unplug : unplugged) {
        EXPECT_EQ(run(unplug), 2) << errors.toStdString();
        EXPECT_EQ(errors.count(QStringLiteral("FAILED: ")), 5) << errors.toStdString();
        EXPECT_TRUE(errors.contains(QStringLiteral("وحدة التخزين المختارة لم تعد موجودة")));
        EXPECT_FALSE(QDir(usb + QStringLiteral("/Tavor_Backup")).exists());
        EXPECT_FALSE(QDir(path(QStringLiteral("usb-before/Tavor_Backup"))).exists());
        EXPECT_EQ(systemValue(QStringLiteral("Sys_Last_HS_Backup_Date")),
                  QStringLiteral("2026-12-01"));
        QFile(marker).open(QIODevice::WriteOnly);
    }
}

// A link in place of the backup folder or the dated folder leads elsewhere: the
// rows fail and nothing lands where the link points.
TEST_F(UnattendedRun, LinkedBackupFoldersFailEveryRowAndWriteNothingElsewhere) {
    const QString elsewhere = path(QStringLiteral("elsewhere"));
    ASSERT_TRUE(QDir().mkdir(elsewhere));
    const QString backup = path(QStringLiteral("usb/Tavor_Backup"));
    for (const QString& linked : {backup, backup + QStringLiteral("/Tavor_2026-12-06")}) {
        QFile::remove(backup); // the link of the case before
        QDir().mkpath(QFileInfo(linked).path());
        ASSERT_TRUE(QFile::link(elsewhere, linked));
        EXPECT_EQ(run(), 1) << linked.toStdString();
        EXPECT_TRUE(errors.contains(QStringLiteral("0 ticked, 5 failed"))) << errors.toStdString();
        EXPECT_TRUE(QDir(elsewhere).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
            << linked.toStdString();
    }
}

// A source that is a FIFO blocks whoever opens it for reading until a writer comes:
// its row fails at once and the others go on. Listed as the general-accounts file
// (no better candidate), or put in place of the main backup after start-up.
TEST_F(UnattendedRun, FifoSourceFailsItsRowWithoutBlocking) {
    const auto makeFifo = [](const QString& file) {
        QFile::remove(file);
        ASSERT_EQ(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
    };
    ASSERT_TRUE(QDir(path(QStringLiteral("Tavor/Varnel/F0072007"))).removeRecursively());
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("Tavor/Varnel/F0012007"))));
    makeFifo(path(QStringLiteral("Tavor/Varnel/F0012007/F0012007.mdb")));
    EXPECT_EQ(run({}, 60000), 1) << errors.toStdString();
    EXPECT_TRUE(errors.contains(QStringLiteral("4 ticked, 1 failed"))) << errors.toStdString();

    // Three rows are left: the dates of the other two were recorded.
    const QString main =
        path(QStringLiteral("Tavor/Backup/TAVOR_07_backup_2026_12_06_230000_0000042.bak"));
    EXPECT_EQ(run([&] { makeFifo(main); }, 60000), 1) << errors.toStdString();
    EXPECT_TRUE(errors.contains(QStringLiteral("1 ticked, 2 failed"))) << errors.toStdString();
}

// A current server refuses the media password, and the satellite rows failed every
// night there. On a stand-in playing version 16 every row is ticked and each server
// backup's row names its protection, as on the default stand-in; the main and
// general-accounts rows name none. The current server writes over the old one's
// password-protected backups at the same paths (as after an upgrade); a certificate
// named for one that cannot encrypt (11, Web) fails its rows, for that reason.
TEST_F(UnattendedRun, EachServerGenerationTicksEveryRowAndNamesItsProtection) {
    const QString current = QStringLiteral("[Server]\nProductVersion=16.0.4135.4\n"
                                           "EngineEdition=3\nCertificates=TavorBackupCert\n");
    const QString web = QString(current).replace("=3", "=2\nEdition=Web Edition (64-bit)");
    const struct {
        QString ini;
        QString certificate;
        QString protection;
        QString version;
        QString edition;
        QString refusal; // of the server rows; none: every row ticked
    } generations[] = {
        {{}, {}, QStringLiteral("media password"), QStringLiteral("10.50.6000.34"), {}, {}},
        {current, {}, QStringLiteral("none"), QStringLiteral("16.0.4135.4"), {}, {}},
        {current,
         QStringLiteral("TavorBackupCert"),
         QStringLiteral("encrypted (TavorBackupCert)"),
         QStringLiteral("16.0.4135.4"),
         {},
         {}},
        {QString(current).replace("16.0.4135.4", "12.0.6024.0"),
         "TavorBackupCert",
         "encrypted (TavorBackupCert)",
         "12.0.6024.0",
         {},
         {}},
        {QString(current).replace("16.0.4135.4", "11.0.7001.0"),
         "TavorBackupCert",
         "encrypted (TavorBackupCert)",
         "11.0.7001.0",
         {},
         "ServerCertificate names TavorBackupCert, but the server's version 11.0.7001.0 cannot "
         "encrypt backups"},
        {web, "TavorBackupCert", "encrypted (TavorBackupCert)", "16.0.4135.4",
         "Web Edition (64-bit)",
         "the server's edition Web Edition (64-bit) cannot encrypt backups"},
    };
    QFile hive(path(QStringLiteral("registry/HKEY_LOCAL_MACHINE.ini")));
    ASSERT_TRUE(hive.open(QIODevice::ReadOnly));
    const QByteArray machineHive = hive.readAll();
    hive.close();
    for (const auto& generation : generations) {
        QFile ini(path(QStringLiteral("server/server.ini")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ini.write(generation.ini.toUtf8());
        ini.close();
        ASSERT_TRUE(hive.open(QIODevice::WriteOnly | QIODevice::Truncate));
        hive.write(machineHive + "\n[SOFTWARE\\ORV\\Tavor\\Backup]\nServerCertificate=" +
                   generation.certificate.toUtf8() + "\n");
        hive.close();
        // The satellites are due again.
        SqliteFile(path(QStringLiteral("server/TAVOR_07.db")))
            .exec(QStringLiteral("UPDATE ORV_System_Values SET SV_Value = '2000-01-01' WHERE "
                                 "SV_Name IN ('Sys_Last_HS_Backup_Date', "
                                 "'Sys_Last_SG_Backup_Date')"));

        ASSERT_EQ(run(), generation.refusal.isEmpty() ? 0 : 1) << errors.toStdString();
        const QStringList rows =
            errors.split(QLatin1Char('\n')).filter(QStringLiteral("tavor-backup: row "));
        ASSERT_EQ(rows.size(), 5) << errors.toStdString();
        for (int i = 0; i < rows.size(); ++i) {
            const bool server = i >= 2;
            EXPECT_EQ(rows[i].contains(generation.refusal), server || generation.refusal.isEmpty())
                << rows[i].toStdString();
            EXPECT_EQ(rows[i].endsWith(QStringLiteral(" s protection=") + generation.protection),
                      server)
                << rows[i].toStdString();
            EXPECT_EQ(rows[i].contains(QStringLiteral("protection=")), server)
                << rows[i].toStdString();
        }
        QFile dump(path(QStringLiteral("state.json")));
        ASSERT_TRUE(dump.open(QIODevice::ReadOnly));
        const QJsonObject state =
            QJsonDocument::fromJson(dump.readAll()).object()[QStringLiteral("state")].toObject();
        EXPECT_EQ(state[QStringLiteral("ServerVersion")].toString(), generation.version);
        if (!generation.edition.isEmpty()) {
            EXPECT_EQ(state[QStringLiteral("ServerEditionName")].toString(), generation.edition);
        }
    }
}

// Nobody watches the screen at night: a night with a failed row, a good one and one
// without the stick each leave their line in the record, field by field, the dated
// folder its RUN.json, and the metrics file what head office needs to raise an alarm.
TEST_F(UnattendedRun, EveryRunIsRecordedFieldByFieldAndTheMetricsFollowTheRecord) {
    const QString metrics = path(QStringLiteral("metrics"));
    ASSERT_TRUE(QDir().mkdir(metrics));
    setMetricsFolder(metrics);
    const QString signatures = path(QStringLiteral("server/TAVOR_SG.db"));
    ASSERT_TRUE(QFile::rename(signatures, signatures + QStringLiteral(".away")));
    ASSERT_EQ(run(), 1) << errors.toStdString();
    // The sizes as the first run found and left them, before the next run replaces them.
    const QJsonObject failed = recordedRuns().value(0);
    EXPECT_EQ(failed["exit_status"].toInt(), 1);
    EXPECT_EQ(failed["folder"].toString(), dated(QString()));
    EXPECT_EQ(failed["drive"].toObject(), (QJsonObject{{"mount", path(QStringLiteral("usb"))},
                                                       {"removable", true},
                                                       {"encrypted", false}}));
    const QJsonArray rows = failed["rows"].toArray();
    ASSERT_EQ(rows.size(), 5);
    const QStringList kinds = {"main", "general_accounts", "letters_of_credit", "history",
                               "signatures"};
    for (int i = 0; i < rows.size(); ++i) {
        const QJsonObject row = rows[i].toObject();
        const QString source = row["source"].toString();
        SCOPED_TRACE(source.toStdString());
        EXPECT_EQ(row["kind"].toString(), kinds[i]);
        EXPECT_FALSE(row["text"].toString().isEmpty());
        EXPECT_EQ(row["size"].toDouble(), double(QFileInfo(source).size()));
        EXPECT_TRUE(row["seconds"].isDouble());
        EXPECT_TRUE(row.contains("sha256"));
        EXPECT_EQ(row.contains("protection"), i >= 2);
        if (i < 4) {
            const QString cabinet =
                dated(QFileInfo(source).completeBaseName().section('.', 0, 0) + ".cab");
            EXPECT_EQ(row["outcome"].toString(), QStringLiteral("ok"));
            EXPECT_TRUE(row["reason"].isNull());
            EXPECT_EQ(row["target"].toString(), cabinet);
            EXPECT_EQ(row["written"].toDouble(), double(QFileInfo(cabinet).size()));
        } else {
            EXPECT_EQ(row["outcome"].toString(), QStringLiteral("failed"));
            EXPECT_FALSE(row["reason"].toString().isEmpty());
            EXPECT_TRUE(row["written"].isNull());
        }
    }
    ASSERT_TRUE(QFile::rename(signatures + QStringLiteral(".away"), signatures));
    ASSERT_EQ(run(), 0) << errors.toStdString();
    setRememberedDrive(path(QStringLiteral("unplugged")));
    ASSERT_EQ(run(), 2) << errors.toStdString();

    const QList<QJsonObject> runs = recordedRuns();
    ASSERT_EQ(runs.size(), 3);
    const QRegularExpression timestamp(
        QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d[+-]\\d\\d:\\d\\d$"));
    for (const QJsonObject& entry : runs) {
        EXPECT_TRUE(timestamp.match(entry["started"].toString()).hasMatch())
            << entry["started"].toString().toStdString();
        EXPECT_TRUE(timestamp.match(entry["ended"].toString()).hasMatch());
        EXPECT_EQ(entry["program_version"].toString(),
                  QStringLiteral(TAVOR_FILE_VERSION).section(QLatin1Char('.'), 0, 2));
        EXPECT_EQ(entry["bank"].toString(), systemValue(QStringLiteral("Sys_BankName")));
        EXPECT_EQ(entry["branch"].toString(), systemValue(QStringLiteral("Sys_BranchName")));
        EXPECT_EQ(entry["database"].toString(), QStringLiteral("TAVOR_07"));
        EXPECT_EQ(entry["server"].toString(),
                  QStringLiteral("embedded:") + path(QStringLiteral("server")));
        EXPECT_EQ(entry["mode"].toString(), QStringLiteral("unattended"));
    }

    const QJsonObject good = runs[1];
    EXPECT_EQ(good["exit_status"].toInt(), 0);
    for (const QJsonValue& row : good["rows"].toArray())
        EXPECT_EQ(row["outcome"].toString(), QStringLiteral("ok"));
    // The dated folder holds the last run that wrote into it.
    EXPECT_EQ(QJsonDocument::fromJson(contents(dated(QStringLiteral("RUN.json")))).object(), good);
    const QJsonObject none = runs[2];
    EXPECT_EQ(none["exit_status"].toInt(), 2);
    EXPECT_TRUE(none["rows"].toArray().isEmpty());
    EXPECT_TRUE(none["reason"].toString().contains(QStringLiteral("is not listed")));
    EXPECT_EQ(none["drive"]["mount"].toString(), path(QStringLiteral("unplugged")));

    // Neither the media password nor the database password is anywhere in it.
    tavor::ORVApi api(nullptr);
    api.setOpenKey(QLatin1String(tavor::AccessCode));
    const QByteArray record = contents(path(QStringLiteral("state/tavor-backup/runs.jsonl")));
    for (const QString& token :
         {tavor::StoredTokens::MediaPassword, tavor::StoredTokens::DatabasePassword}) {
        const QString secret = api.secret().SimpleSecrit(token);
        ASSERT_GE(secret.size(), 7);
        EXPECT_FALSE(record.contains(secret.toUtf8()));
    }

    const tavor::test::PrometheusText parsed(
        contents(metrics + QStringLiteral("/tavor_backup.prom")));
    ASSERT_EQ(parsed.violations().join('\n').toStdString(), "");
    const auto seconds = [](const QJsonObject& entry) {
        return double(
            QDateTime::fromString(entry["ended"].toString(), Qt::ISODate).toSecsSinceEpoch());
    };
    const QString branch =
        QStringLiteral("branch=\"") + systemValue(QStringLiteral("Sys_BranchNum")) + '"';
    EXPECT_EQ(parsed.value("tavor_backup_last_run_exit_status{" + branch + "}"), 2);
    EXPECT_EQ(parsed.value("tavor_backup_last_run_timestamp_seconds{" + branch + "}"),
              seconds(none));
    EXPECT_EQ(parsed.value("tavor_backup_last_success_timestamp_seconds{" + branch + "}"),
              seconds(good));
    EXPECT_EQ(parsed.value("tavor_backup_kind_last_success_timestamp_seconds{" + branch +
                           ",kind=\"signatures\"}"),
              seconds(good));
    EXPECT_EQ(
        parsed.value("tavor_backup_kind_last_success_size_bytes{" + branch + ",kind=\"main\"}"),
        good["rows"][0]["size"].toDouble());
}

// After a night nobody watched, the desktop tells whoever logs in next: one note in
// Arabic, critical when no run took place, taking the place of the program's note
// of the night before, although each night is a process of its own.
TEST_F(UnattendedRun, DesktopNoteAfterEachRunReplacesTheNightBefore) {
    const QString calls = path(QStringLiteral("notes.jsonl"));
    const QString ready = path(QStringLiteral("bus-ready"));
    // A private session bus with the stand-in on it, then the program.
    tavor::test::PrivateBus bus;
    ASSERT_FALSE(bus.address().isEmpty());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address());
    tavor::test::GroupedProcess standIn;
    ASSERT_TRUE(standIn.start(
        QStringLiteral(TAVOR_BINARY_DIR "/tests/program/tavor-notifications-stand-in"),
        {calls, ready}, env));
    while (!QFile::exists(ready) && !standIn.process().waitForFinished(50))
        ;
    ASSERT_TRUE(QFile::exists(ready));
    sessionBus = bus.address();
    ASSERT_EQ(run(), 0) << errors.toStdString();
    setRememberedDrive(path(QStringLiteral("unplugged")));
    ASSERT_EQ(run(), 2) << errors.toStdString();

    QList<QJsonObject> notes;
    for (const QByteArray& line : contents(calls).split('\n')) {
        if (!line.isEmpty())
            notes << QJsonDocument::fromJson(line).object();
    }
    ASSERT_EQ(notes.size(), 2);
    EXPECT_EQ(notes[0]["summary"].toString(), QStringLiteral("تم النسخ الاحتياطي بنجاح"));
    EXPECT_EQ(notes[0]["body"].toString(), QStringLiteral("تم نسخ 5 من 5 مجموعات البيانات"));
    EXPECT_EQ(notes[0]["urgency"].toInt(), 1);
    EXPECT_EQ(notes[0]["replaces_id"].toInt(), 0);
    EXPECT_EQ(notes[1]["summary"].toString(), QStringLiteral("لم يتم النسخ الاحتياطي"));
    EXPECT_EQ(notes[1]["body"].toString(), QStringLiteral("وحدة التخزين المحفوظة غير موصولة"));
    EXPECT_EQ(notes[1]["urgency"].toInt(), 2);
    EXPECT_EQ(notes[1]["replaces_id"].toInt(), 41);
}

// A session bus that takes the connection and never answers costs the night a few
// seconds, not minutes of the toolkit's own waits: the run ends as its rows decide.
TEST_F(UnattendedRun, SilentSessionBusDoesNotHoldTheRun) {
    const tavor::test::SilentSocket silent(path(QStringLiteral("silent-bus")));
    ASSERT_FALSE(silent.address().isEmpty());
    sessionBus = silent.address();
    EXPECT_EQ(run({}, 60000), 0) << errors.toStdString();
}

namespace {

// A tool run in folder: its exit status, with what it wrote in output.
int runTool(const QString& folder, const QString& tool, const QStringList& arguments,
            QString& output,
            const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(folder);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(tool, arguments);
    if (!process.waitForFinished(120000))
        return -1;
    output = QString::fromUtf8(process.readAll());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

// The names a manifest lists, in its order, one a line.
std::string manifestNames(const QByteArray& manifest) {
    std::string names;
    for (const QByteArray& line : manifest.split('\n')) {
        if (!line.isEmpty())
            names += line.mid(66).toStdString() + "\n";
    }
    return names;
}

QByteArray sha256Line(const QByteArray& contents, const char* name) {
    return QCryptographicHash::hash(contents, QCryptographicHash::Sha256).toHex() + "  " + name +
           "\n";
}

} // namespace

// The manifest names every cabinet of the run, sorted, and the standard tool accepts
// it in the dated folder.
TEST_F(UnattendedRun, ManifestListsEveryCabinetAndSha256sumAcceptsIt) {
    ASSERT_EQ(run(), 0) << errors.toStdString();
    const QByteArray manifest = contents(dated(QStringLiteral("SHA256SUMS")));
    QStringList cabinets = QDir(dated({})).entryList({QStringLiteral("*.cab")}, QDir::Files);
    std::sort(cabinets.begin(), cabinets.end());
    EXPECT_EQ(cabinets.size(), 5);
    EXPECT_EQ(manifestNames(manifest), (cabinets.join('\n') + '\n').toStdString());
    QString output;
    EXPECT_EQ(
        runTool(dated({}), QStringLiteral("sha256sum"),
                {QStringLiteral("--strict"), QStringLiteral("-c"), QStringLiteral("SHA256SUMS")},
                output),
        0)
        << output.toStdString();
}

// A second run of the same date keeps the lines of files it did not touch while they
// still read as listed, drops the line of one that changed, and gives a failed row's
// file none, though an earlier run had listed it.
TEST_F(UnattendedRun, SecondRunOfTheDateMergesTheEarlierManifestLineByLine) {
    ASSERT_EQ(run(), 0) << errors.toStdString();
    tavor::test::writeFile(dated(QStringLiteral("extra.cab")), "kept");
    tavor::test::writeFile(dated(QStringLiteral("stale.cab")), "changed since");
    QFile manifest(dated(QStringLiteral("SHA256SUMS")));
    ASSERT_TRUE(manifest.open(QIODevice::Append));
    manifest.write(sha256Line("kept", "extra.cab") + sha256Line("as listed", "stale.cab"));
    manifest.close();
    // The history and signatures are not due again, and the general accounts have
    // moved to another file: their cabinets stay untouched.
    // A FIFO put in place of the main backup after start-up fails its row.
    const QByteArray main = QFile::encodeName(
        path(QStringLiteral("Tavor/Backup/TAVOR_07_backup_2026_12_06_230000_0000042.bak")));
    ASSERT_EQ(run([&] {
                  QFile::remove(QFile::decodeName(main));
                  ::mkfifo(main.constData(), 0600);
              }),
              1)
        << errors.toStdString();
    EXPECT_EQ(manifestNames(contents(dated(QStringLiteral("SHA256SUMS")))),
              "F0072007.cab\nTAVOR_HS.cab\nTAVOR_LCS.cab\nTAVOR_SG.cab\nextra.cab\n")
        << errors.toStdString();
    QString output;
    EXPECT_EQ(runTool(dated({}), QStringLiteral("sha256sum"),
                      {QStringLiteral("-c"), QStringLiteral("SHA256SUMS")}, output),
              0)
        << output.toStdString();
}

// A SHA256SUMS that could not be written left the night silent with exit 0, and the
// stick left the building without what checks it: the night fails, with a line
// naming the file and why, and the record says so; the rows keep their ticks.
TEST_F(UnattendedRun, ManifestThatCannotBeWrittenFailsTheNight) {
    ASSERT_TRUE(QDir().mkpath(dated(QStringLiteral("SHA256SUMS/in-the-way"))));
    EXPECT_EQ(run(), 1) << errors.toStdString();
    EXPECT_TRUE(errors.contains(QStringLiteral("5 ticked, 0 failed")) &&
                errors.contains(QStringLiteral("tavor-backup: SHA256SUMS was not kept: ")) &&
                errors.contains(dated(QStringLiteral("SHA256SUMS': Is a directory\n"))))
        << errors.toStdString();
    const QJsonObject night = recordedRuns().value(0);
    EXPECT_EQ(night[QStringLiteral("exit_status")].toInt(), 1);
    EXPECT_TRUE(night[QStringLiteral("reason")].toString().startsWith(
        QStringLiteral("SHA256SUMS was not kept: ")));
}

// A FIFO in place of runs.jsonl held /RUN for good after its rows, and RUN.json put
// in place of a link took the mode of the file the link led to (set-user-ID kept).
// The record that cannot be kept is named in one line and the run ends as its rows
// decide; RUN.json is a file of its own, 0644, the linked file untouched.
TEST_F(UnattendedRun, RecordInTheWayIsNamedAndRunJsonNeverTakesALinksMode) {
    const QString record = path(QStringLiteral("state/tavor-backup/runs.jsonl"));
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("state/tavor-backup"))) &&
                QDir().mkpath(dated({})));
    ASSERT_EQ(::mkfifo(QFile::encodeName(record).constData(), 0600), 0);
    const QString program = path(QStringLiteral("elsewhere.sh"));
    tavor::test::writeFile(program, "#!/bin/sh\n");
    ASSERT_EQ(::chmod(QFile::encodeName(program).constData(), 04755), 0);
    ASSERT_TRUE(QFile::link(program, dated(QStringLiteral("RUN.json"))));

    EXPECT_EQ(run({}, 60000), 0) << errors.toStdString();
    EXPECT_EQ(errors.count(QStringLiteral("tavor-backup: the run could not be recorded: '") +
                           record + QStringLiteral("' is not a regular file\n")),
              1)
        << errors.toStdString();
    struct stat written {};
    ASSERT_EQ(::lstat(QFile::encodeName(dated(QStringLiteral("RUN.json"))).constData(), &written),
              0);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(written.st_mode & 07777, 0644u & ~mask);
    EXPECT_EQ(contents(program), QByteArray("#!/bin/sh\n"));
}

// /VERIFY re-reads a run's folder: all good is 0; one byte flipped in one cabinet, a
// file gone or one the manifest does not name is 1, each named on its line; a folder
// without a manifest is 2.
TEST_F(UnattendedRun, VerifyNamesWhatIsDamagedMissingOrUnlisted) {
    ASSERT_EQ(run(), 0) << errors.toStdString();
    const QString program = QStringLiteral(TAVOR_BINARY_DIR "/tavor-backup");
    const auto verify = [&](QString& output) {
        return runTool(branch.path(), program, {QStringLiteral("/verify"), dated({})}, output);
    };
    QString output;
    ASSERT_EQ(verify(output), 0) << output.toStdString();
    EXPECT_EQ(output.count(QStringLiteral(": OK\n")), 5) << output.toStdString();

    QFile cabinet(dated(QStringLiteral("TAVOR_LCS.cab")));
    ASSERT_TRUE(cabinet.open(QIODevice::ReadWrite));
    ASSERT_TRUE(cabinet.seek(cabinet.size() / 2));
    char byte = 0;
    ASSERT_TRUE(cabinet.getChar(&byte));
    ASSERT_TRUE(cabinet.seek(cabinet.size() / 2));
    ASSERT_TRUE(cabinet.putChar(char(byte ^ 0x01)));
    cabinet.close();
    EXPECT_EQ(verify(output), 1) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("TAVOR_LCS.cab: FAILED"))) << output.toStdString();
    EXPECT_EQ(output.count(QStringLiteral(": OK\n")), 4) << output.toStdString();

    ASSERT_TRUE(
        QFile::rename(dated(QStringLiteral("TAVOR_HS.cab")), dated(QStringLiteral("HS.old"))));
    EXPECT_EQ(verify(output), 1) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("TAVOR_HS.cab: MISSING\n")));
    EXPECT_TRUE(output.contains(QStringLiteral("HS.old: UNLISTED\n")));
    EXPECT_TRUE(output.contains(QStringLiteral("5 listed, 3 ok, 1 damaged, 1 missing, 1 unlisted")))
        << output.toStdString();

    ASSERT_TRUE(QFile::remove(dated(QStringLiteral("SHA256SUMS"))));
    EXPECT_EQ(verify(output), 2) << output.toStdString();
}

namespace {

// The state dump as the golden file has it: the branch's and the program's folders,
// the version in the title and the dots the start-up timer adds to the wait notice
// depend on where and how fast the run took place; the program's own folder lists
// whatever the build left there.
QJsonObject comparableDump(const QByteArray& dump, const QString& branch) {
    QByteArray text = dump;
    text.replace(branch.toUtf8(), "<branch>");
    text.replace(TAVOR_BINARY_DIR, "<program folder>");
    QJsonObject snapshot = QJsonDocument::fromJson(text).object();
    const QString version = QStringLiteral(TAVOR_FILE_VERSION).section(QLatin1Char('.'), 0, 2);
    snapshot[QStringLiteral("title")] =
        snapshot[QStringLiteral("title")].toString().replace(version, QStringLiteral("<version>"));
    QJsonObject controls = snapshot[QStringLiteral("controls")].toObject();
    QJsonObject label2 = controls[QStringLiteral("Label2")].toObject();
    QString notice = label2[QStringLiteral("text")].toString();
    while (notice.endsWith(QLatin1Char('.')))
        notice.chop(1);
    label2[QStringLiteral("text")] = notice;
    controls[QStringLiteral("Label2")] = label2;
    QJsonObject file1 = controls[QStringLiteral("File1")].toObject();
    if (file1[QStringLiteral("items")].toArray().contains(QStringLiteral("tavor-backup")))
        file1[QStringLiteral("items")] = QStringLiteral("<the program folder's files>");
    controls[QStringLiteral("File1")] = file1;
    snapshot[QStringLiteral("controls")] = controls;
    return snapshot;
}

} // namespace

// The unattended commands once needed the toolkit's platform plugin and aborted
// without one: /RUN now runs without any widget, ticks every row and leaves the
// state dump it always left, field by field; /VERIFY needs none either.
TEST_F(UnattendedRun, UnknownPlatformPluginStillRunsAndDumpsTheSameState) {
    platformPlugin = QStringLiteral("none-such");
    ASSERT_EQ(run(), 0) << errors.toStdString();
    EXPECT_TRUE(errors.contains(QStringLiteral("run ended: 5 rows, 5 ticked, 0 failed")))
        << errors.toStdString();
    const QJsonObject actual =
        comparableDump(contents(path(QStringLiteral("state.json"))), branch.path());
    const QString goldenPath =
        QStringLiteral(TAVOR_SOURCE_DIR "/tests/program/golden/unattended-run.json");
    const QJsonObject golden = QJsonDocument::fromJson(contents(goldenPath)).object();
    ASSERT_FALSE(golden.isEmpty()) << goldenPath.toStdString();
    if (actual != golden) {
        const QString actualPath =
            QStringLiteral(TAVOR_BINARY_DIR "/golden-actual/unattended-run.json");
        QDir().mkpath(QFileInfo(actualPath).path());
        tavor::test::writeFile(actualPath, QJsonDocument(actual).toJson());
        ADD_FAILURE() << "the state dump differs from " << goldenPath.toStdString()
                      << "; actual in " << actualPath.toStdString();
    }

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), platformPlugin);
    QString output;
    EXPECT_EQ(runTool(branch.path(), QStringLiteral(TAVOR_BINARY_DIR "/tavor-backup"),
                      {QStringLiteral("/VERIFY"), dated({})}, output, env),
              0)
        << output.toStdString();
    EXPECT_EQ(output.count(QStringLiteral(": OK\n")), 5) << output.toStdString();
}

// With the encryption policy on, the demo's plain stick is refused: nothing written
// there, the drive not even remembered again, exit 2; the summary says the drive is
// not encrypted, as it does after every run, and so does the record. "true" once
// turned the policy off, and a value that is no yes/no is named and read as on.
TEST_F(UnattendedRun, EncryptionPolicyRefusesThePlainStickAndWritesNothing) {
    ASSERT_EQ(run(), 0) << errors.toStdString();
    EXPECT_TRUE(errors.contains(QStringLiteral("0 failed, ")) &&
                errors.contains(QStringLiteral(" s; drive encrypted: no\n")))
        << errors.toStdString();
    ASSERT_TRUE(QDir(path(QStringLiteral("usb/Tavor_Backup"))).removeRecursively());
    const QString machineHive = path(QStringLiteral("registry/HKEY_LOCAL_MACHINE.ini"));
    const QByteArray machine = contents(machineHive);
    const QByteArray operatorHive =
        contents(path(QStringLiteral("registry/HKEY_CURRENT_USER.ini")));
    for (const char* value : {"1", "true", "Yes", "maybe"}) {
        QFile hive(machineHive);
        ASSERT_TRUE(hive.open(QIODevice::WriteOnly | QIODevice::Truncate));
        hive.write(machine + "\n[SOFTWARE\\ORV\\Tavor\\Backup]\nRequireEncryptedTarget=" + value +
                   "\n");
        hive.close();

        EXPECT_EQ(run(), 2) << value << errors.toStdString();
        EXPECT_TRUE(errors.contains(QStringLiteral("وحدة التخزين المختارة غير مشفرة")))
            << errors.toStdString();
        EXPECT_TRUE(errors.contains(QStringLiteral("run ended: 0 rows")));
        EXPECT_EQ(errors.contains(QStringLiteral("RequireEncryptedTarget=\"maybe\" under "
                                                 "HKEY_LOCAL_MACHINE\\SOFTWARE\\ORV\\Tavor\\"
                                                 "Backup is neither")),
                  QByteArray(value) == "maybe")
            << errors.toStdString();
        EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("usb/Tavor_Backup"))));
        EXPECT_EQ(contents(path(QStringLiteral("registry/HKEY_CURRENT_USER.ini"))), operatorHive);
        // The record once said "no drive was chosen", as though nobody had chosen one.
        EXPECT_TRUE(recordedRuns()
                        .last()
                        .value(QStringLiteral("reason"))
                        .toString()
                        .contains(QStringLiteral("is not encrypted")))
            << value;
    }
}

// With EjectAfterRun a run that ticked every row onto the stick has udisks2 unmount
// it (an encrypted one locked too) and power its drive off, then says what is true of
// the stick. At night, outside a session, polkit refuses the power-off at once, as
// /RUN asks for no password dialog; the stick may still be taken out. A refusal or a
// silent udisks2 is reported and changes nothing else: exit 0, the cabinets in place.
TEST_F(UnattendedRun, EjectAfterRunRemovesTheStickThroughUdisks) {
    QFile machine(path(QStringLiteral("registry/HKEY_LOCAL_MACHINE.ini")));
    ASSERT_TRUE(machine.open(QIODevice::Append));
    machine.write("\n[SOFTWARE\\ORV\\Tavor\\Backup]\nEjectAfterRun=1\n");
    machine.close();
    using Stick = tavor::test::UdisksStandIn::Stick;
    const QString block = QStringLiteral("Unmount /org/freedesktop/UDisks2/block_devices/");
    const QString drive = QStringLiteral("PowerOff /org/freedesktop/UDisks2/drives/Stick");
    const QString removed = QStringLiteral("يمكنك إزالتها الآن بأمان");
    const QString notRemoved = QStringLiteral("تعذر فصل وحدة التخزين");
    enum class Night { InASession, NoSession, UnmountRefused, Silent };
    struct Case {
        Stick stick;
        Night night;
        QStringList calls;
        QString line;
        QString window;
    };
    for (const Case& c :
         {Case{Stick::Plain,
               Night::InASession,
               {block + "sdb1", drive},
               "tavor-backup: safe removal: the drive may be taken out\n",
               removed},
          Case{Stick::Encrypted,
               Night::NoSession,
               {block + "dm_2d0", "Lock /org/freedesktop/UDisks2/block_devices/sdb1", drive},
               "tavor-backup: safe removal: unmounted and locked; the drive could not be powered "
               "off: it may be removed (udisks2 refused PowerOff",
               removed},
          Case{Stick::Plain,
               Night::UnmountRefused,
               {block + "sdb1"},
               "tavor-backup: safe removal FAILED: still mounted; the volume could not be "
               "unmounted: do not remove it yet (udisks2 refused Unmount",
               notRemoved},
          Case{Stick::Plain,
               Night::Silent,
               {},
               "tavor-backup: safe removal FAILED: still mounted; the volume could not be "
               "unmounted: do not remove it yet (udisks2 did not answer",
               notRemoved}}) {
        tavor::test::UdisksStandIn udisks(path(QStringLiteral("usb")), c.stick);
        ASSERT_FALSE(udisks.address().isEmpty());
        if (c.night == Night::InASession)
            udisks.activeSession();
        if (c.night == Night::UnmountRefused)
            udisks.refuse(QStringLiteral("Unmount"),
                          QStringLiteral("org.freedesktop.UDisks2.Error.DeviceBusy"));
        if (c.night == Night::Silent)
            udisks.silence();
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", udisks.address().toUtf8());
        const int status = run();
        qunsetenv("DBUS_SYSTEM_BUS_ADDRESS");
        EXPECT_EQ(status, 0) << errors.toStdString();
        EXPECT_EQ(udisks.calls().join(QLatin1Char('\n')).toStdString(),
                  c.calls.join(QLatin1Char('\n')).toStdString());
        EXPECT_TRUE(errors.contains(c.line)) << errors.toStdString();
        EXPECT_TRUE(errors.contains(c.window)) << errors.toStdString();
        EXPECT_TRUE(QFileInfo(dated(QStringLiteral("TAVOR_LCS.cab"))).isFile());
    }
}

// The stick was removed before the run's record was kept: RUN.json never reached a
// removed stick, and a stop signal during a slow removal (a shutdown) lost the record
// of a night in which every row was ticked. The record line, RUN.json, the metrics
// and the summary come first; the signal then ends the program during the removal.
TEST_F(UnattendedRun, RecordIsKeptBeforeTheStickIsRemoved) {
    const QString metrics = path(QStringLiteral("metrics"));
    ASSERT_TRUE(QDir().mkdir(metrics));
    QFile machine(path(QStringLiteral("registry/HKEY_LOCAL_MACHINE.ini")));
    ASSERT_TRUE(machine.open(QIODevice::Append));
    machine.write("\n[SOFTWARE\\ORV\\Tavor\\Backup]\nEjectAfterRun=1\nMetricsFolder=" +
                  metrics.toUtf8() + "\n");
    machine.close();
    tavor::test::UdisksStandIn udisks(path(QStringLiteral("usb")),
                                      tavor::test::UdisksStandIn::Stick::Plain);
    ASSERT_FALSE(udisks.address().isEmpty());
    udisks.delay(QStringLiteral("Unmount"), 5000);
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", udisks.address().toUtf8());
    start();
    qunsetenv("DBUS_SYSTEM_BUS_ADDRESS");
    while (udisks.calls().isEmpty() && !program.waitForFinished(5))
        ;
    ASSERT_EQ(program.state(), QProcess::Running) << "no removal began";
    ASSERT_EQ(::kill(pid_t(program.processId()), SIGTERM), 0);
    finish();

    EXPECT_TRUE(errors.contains(QStringLiteral("run ended: 5 rows, 5 ticked, 0 failed")))
        << errors.toStdString();
    const QList<QJsonObject> runs = recordedRuns();
    ASSERT_EQ(runs.size(), 1) << errors.toStdString();
    EXPECT_EQ(runs[0]["exit_status"].toInt(-1), 0);
    EXPECT_EQ(QJsonDocument::fromJson(contents(dated(QStringLiteral("RUN.json")))).object(),
              runs[0]);
    EXPECT_TRUE(QFile::exists(metrics + QStringLiteral("/tavor_backup.prom")));
}

// The thirtieth night: the stick is full, and every night failed on space until
// someone deleted folders by hand. The run removes the oldest removable dated folders
// until it fits, keeping the newest ones, the newest complete copy, one with a file
// of someone else's and everything outside the backup folder; switched off, or with
// every folder kept, nothing goes and the rows fail on space as they did.
TEST_F(UnattendedRun, FullStickMakesRoomFromTheOldestRemovableDatedFolders) {
    const struct {
        const char* values;
        int status;
        bool removed;
        const char* note;
    } cases[] = {
        {"", 0, true, nullptr},
        {"PruneOldestWhenFull=0\n", 1, false, nullptr},
        {"KeepDatedFolders=6\n", 1, false, "; stick full: 6 dated folders kept\n"},
    };
    const QString machineHive = path(QStringLiteral("registry/HKEY_LOCAL_MACHINE.ini"));
    const QByteArray machine = contents(machineHive);
    const QString operatorHive = path(QStringLiteral("registry/HKEY_CURRENT_USER.ini"));
    const QByteArray remembered = contents(operatorHive);
    const QString metrics = path(QStringLiteral("metrics"));
    ASSERT_TRUE(QDir().mkdir(metrics));
    const QMap<QString, QByteArray> oldFolders = {
        {QStringLiteral("Tavor_2026-11-28"), "{\"exit_status\": 1}"},
        {QStringLiteral("Tavor_2026-11-29"), "{\"exit_status\": 1}"},
        {QStringLiteral("Tavor_2026-11-30"), {}},
        {QStringLiteral("Tavor_2026-12-01"), "{\"exit_status\": 0}"},
        {QStringLiteral("Tavor_2026-12-02"), "{\"exit_status\": 1}"},
        {QStringLiteral("Tavor_2026-12-03"), "{\"exit_status\": 1}"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.values);
        tavor::test::SmallTmpfs stick("256m");
        if (!stick.mounted())
            GTEST_SKIP() << stick.whyNot();
        const QString backup = stick.path() + QStringLiteral("/Tavor_Backup/");
        for (auto folder = oldFolders.cbegin(); folder != oldFolders.cend(); ++folder) {
            ASSERT_TRUE(QDir().mkpath(backup + folder.key()));
            const bool oldest = folder.key().endsWith(QLatin1String("11-28"));
            tavor::test::writeFile(backup + folder.key() + QStringLiteral("/TAVOR_HS.cab"),
                                   QByteArray((oldest ? 120 : 8) << 20, 'c'));
            tavor::test::writeFile(backup + folder.key() +
                                       (folder->isEmpty() ? QStringLiteral("/notes.txt")
                                                          : QStringLiteral("/RUN.json")),
                                   *folder);
        }
        // All but a mebibyte of the stick is taken.
        tavor::test::writeFile(
            stick.path() + QStringLiteral("/filler"),
            QByteArray(QStorageInfo(stick.path()).bytesAvailable() - (qint64(1) << 20), 'f'));
        QFile hive(machineHive);
        ASSERT_TRUE(hive.open(QIODevice::WriteOnly | QIODevice::Truncate));
        hive.write(QString::fromUtf8(machine)
                       .replace(path(QStringLiteral("usb")) + QStringLiteral("=2"),
                                stick.path() + QStringLiteral("=2"))
                       .toUtf8() +
                   "\n[SOFTWARE\\ORV\\Tavor\\Backup]\nMetricsFolder=" + metrics.toUtf8() + "\n" +
                   c.values);
        hive.close();
        tavor::test::writeFile(operatorHive, remembered);
        setRememberedDrive(stick.path());

        EXPECT_EQ(run(), c.status) << errors.toStdString();
        const QString removedLine = QStringLiteral(
            "tavor-backup: removed old folder Tavor_2026-11-28 (125,829,138 bytes) to make room\n");
        EXPECT_EQ(errors.count(QStringLiteral("removed old folder")), c.removed ? 1 : 0);
        EXPECT_EQ(errors.contains(removedLine), c.removed) << errors.toStdString();
        EXPECT_EQ(errors.contains(QStringLiteral("تم حذف 1 من مجلدات النسخ الاحتياطي القديمة")),
                  c.removed);
        EXPECT_EQ(errors.contains(QStringLiteral("tavor-backup: old folder Tavor_2026-11-30 left "
                                                 "alone: it holds \"notes.txt\"")),
                  c.removed);
        EXPECT_EQ(errors.contains(QStringLiteral("stick full")), c.note != nullptr);
        if (c.note) {
            EXPECT_TRUE(errors.contains(QLatin1String(c.note))) << errors.toStdString();
        }
        EXPECT_TRUE(errors.contains(c.status == 0 ? QStringLiteral("5 ticked, 0 failed")
                                                  : QStringLiteral("FAILED: ")))
            << errors.toStdString();
        for (auto folder = oldFolders.cbegin(); folder != oldFolders.cend(); ++folder)
            EXPECT_EQ(QFileInfo::exists(backup + folder.key()),
                      !(c.removed && folder.key().endsWith(QLatin1String("11-28"))))
                << folder.key().toStdString();
        EXPECT_TRUE(QFileInfo::exists(stick.path() + QStringLiteral("/filler")));

        const QJsonArray expected =
            c.removed ? QJsonArray{QJsonObject{{"name", "Tavor_2026-11-28"}, {"bytes", 125829138}}}
                      : QJsonArray{};
        const QJsonObject night = recordedRuns().constLast();
        EXPECT_EQ(night["removed_folders"].toArray(), expected);
        const QJsonObject besideCabinets =
            QJsonDocument::fromJson(contents(backup + QStringLiteral("Tavor_2026-12-06/RUN.json")))
                .object();
        EXPECT_EQ(besideCabinets["removed_folders"].toArray(), expected);
        // The free space is taken before RUN.json goes beside the cabinets.
        const tavor::test::PrometheusText text(
            contents(metrics + QStringLiteral("/tavor_backup.prom")));
        const QString branch = QStringLiteral("{branch=\"") +
                               systemValue(QStringLiteral("Sys_BranchNum")) + QStringLiteral("\"}");
        EXPECT_EQ(text.value(QStringLiteral("tavor_backup_last_run_removed_folders") + branch),
                  c.removed ? 1 : 0);
        const double free = text.value(QStringLiteral("tavor_backup_target_free_bytes") + branch);
        const double now = double(QStorageInfo(stick.path()).bytesAvailable());
        EXPECT_TRUE(free >= now && free <= now + (64 << 10)) << free << " " << now;
    }
}

namespace {

// The dated folder of a demo /RUN drilled: the drill folder named, /DRILL run on it.
class DrillRun : public UnattendedRun {
protected:
    void SetUp() override {
        UnattendedRun::SetUp();
        ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("drill"))));
        setTechnicianValue("DrillFolder", path(QStringLiteral("drill")));
    }
    QStringList drillArguments() const { return {QStringLiteral("/drill"), dated({})}; }
    int drill(QString& output) const {
        return runTool(branch.path(), QStringLiteral(TAVOR_BINARY_DIR "/tavor-backup"),
                       drillArguments(), output, commandEnvironment());
    }
    // What a drill may leave: files in the drill folder, TavorDrill_ databases and their
    // links in the server's folder.
    QStringList leftOver() const {
        QStringList left = QDir(path(QStringLiteral("drill")))
                               .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
        for (const QString& name :
             QDir(path(QStringLiteral("server")))
                 .entryList({QStringLiteral("TavorDrill_*")}, QDir::AllEntries | QDir::System))
            left << QStringLiteral("server/") + name;
        return left;
    }
    // The cabinet's .bak replaced by a copy changed by change, the cabinet and its
    // manifest line rebuilt around it, so that the folder still verifies.
    void repackDamaged(const QString& cabinet, const QString& source, void (*change)(QByteArray&)) {
        QByteArray backup = contents(path(source));
        change(backup);
        const QString damaged = path(QStringLiteral("damaged.bak"));
        tavor::test::writeFile(damaged, backup);
        const QByteArray digest =
            tavor::CabinetWriter().write(dated(cabinet), damaged, QFileInfo(source).fileName(), {});
        QByteArray manifest = contents(dated(QStringLiteral("SHA256SUMS")));
        const QByteArray name = "  " + cabinet.toUtf8() + '\n';
        const qsizetype end = manifest.indexOf(name);
        ASSERT_GE(end, 64);
        manifest.replace(end - 64, 64, digest);
        tavor::test::writeFile(dated(QStringLiteral("SHA256SUMS")), manifest);
    }
};

// A b-tree page whose header names no page type: the restore takes it, the server's
// check of the restored database finds it.
void spoilSecondPage(QByteArray& database) {
    const int pageSize = (quint8(database[16]) << 8) | quint8(database[17]);
    database[pageSize] = char(0x7f);
}

} // namespace

// Done when: every server backup of a demo /RUN comes back from the stick into a
// TavorDrill_ database, checks clean, the main one tells its business date, and
// nothing is left in the drill folder or on the server: exit status 0.
TEST_F(DrillRun, EveryServerBackupOfTheRunIsRestoredCheckedAndDropped) {
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("metrics"))));
    setMetricsFolder(path(QStringLiteral("metrics")));
    ASSERT_EQ(run(), 0) << errors.toStdString();
    QString output;
    ASSERT_EQ(drill(output), 0) << output.toStdString();
    EXPECT_EQ(output.count(QStringLiteral(": OK\n")), 5) << output.toStdString();
    EXPECT_EQ(output.count(QStringLiteral(": RESTORED, ")), 4) << output.toStdString();
    EXPECT_TRUE(output.contains(QRegularExpression(
        QStringLiteral("TAVOR_07_backup_2026_12_06_230000_0000042.cab: RESTORED, [0-9.]+ s, "
                       "ORV_System_Values: 11 rows, Sys_BusinessDate: 2026-12-07\n"))))
        << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("TAVOR_SG.cab: RESTORED, ")));
    EXPECT_TRUE(output.contains(QStringLiteral("4 server backups, 4 restored, 0 failed")))
        << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("TAVOR_LCS.cab: RESTORED, ")));
    EXPECT_TRUE(output.contains(QStringLiteral(", user tables: 3\n"))) << output.toStdString();
    EXPECT_EQ(leftOver(), QStringList());

    // The record keeps the drill beside the run, and the run's metrics stay the run's.
    const QList<QJsonObject> runs = recordedRuns();
    ASSERT_EQ(runs.size(), 2);
    EXPECT_EQ(runs[1].value(QStringLiteral("mode")).toString(), QStringLiteral("drill"));
    EXPECT_EQ(runs[1].value(QStringLiteral("exit_status")).toInt(-1), 0);
    const QJsonArray rows = runs[1].value(QStringLiteral("rows")).toArray();
    ASSERT_EQ(rows.size(), 4);
    EXPECT_EQ(rows[3].toObject().value(QStringLiteral("database")).toString(),
              QStringLiteral("TavorDrill_TAVOR_SG"));
    EXPECT_EQ(rows[3].toObject().value(QStringLiteral("outcome")).toString(),
              QStringLiteral("restored"));
    const QString metrics =
        QString::fromUtf8(contents(path(QStringLiteral("metrics/tavor_backup.prom"))));
    EXPECT_TRUE(
        metrics.contains(QStringLiteral("\ntavor_backup_last_drill_exit_status{branch=\"7\"} 0\n")))
        << metrics.toStdString();
    EXPECT_TRUE(metrics.contains(
        QStringLiteral("\ntavor_backup_last_drill_timestamp_seconds{branch=\"7\"} ")));
    EXPECT_TRUE(
        metrics.contains(QStringLiteral("\ntavor_backup_last_run_rows_failed{branch=\"7\"} 0\n")));
    EXPECT_EQ(metrics.count(QStringLiteral("\ntavor_backup_last_run_timestamp_seconds{")), 1);
}

// A .bak damaged inside a cabinet that is itself sound (rebuilt, and listed anew) passes
// /VERIFY; only the restore shows it. Its line names it, the others still restore, and
// the damaged one's database is dropped too.
TEST_F(DrillRun, DamagedBackupInsideASoundCabinetFailsByName) {
    ASSERT_EQ(run(), 0) << errors.toStdString();
    repackDamaged(QStringLiteral("TAVOR_LCS.cab"), QStringLiteral("Tavor/Backup/TAVOR_LCS.bak"),
                  spoilSecondPage);
    QString output;
    EXPECT_EQ(drill(output), 1) << output.toStdString();
    EXPECT_EQ(output.count(QStringLiteral(": OK\n")), 5) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("TAVOR_LCS.cab: FAILED (Table error: ")))
        << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("4 server backups, 3 restored, 1 failed")));
    EXPECT_EQ(leftOver(), QStringList());
}

// A TavorDrill_ database already on the server may be another drill's: its backup is
// refused with the reason, the database stays as it was, and the others are drilled.
TEST_F(DrillRun, DrillDatabaseThereBeforeIsRefusedAndLeftAlone) {
    ASSERT_EQ(run(), 0) << errors.toStdString();
    const QString theirs = path(QStringLiteral("server/TavorDrill_TAVOR_SG.db"));
    {
        SqliteFile database(theirs);
        database.exec(QStringLiteral("CREATE TABLE kept (n INTEGER)"));
    }
    const QByteArray before = contents(theirs);
    QString output;
    EXPECT_EQ(drill(output), 1) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral(
        "TAVOR_SG.cab: FAILED (TavorDrill_TAVOR_SG is on the server before the drill; it is "
        "left alone)")))
        << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("4 server backups, 3 restored, 1 failed")));
    EXPECT_EQ(contents(theirs), before);
    EXPECT_EQ(leftOver(), QStringList{QStringLiteral("server/TavorDrill_TAVOR_SG.db")});
}

// SIGTERM while the main backup is unpacked: that backup fails as interrupted, none
// after it is taken, and neither a drill database nor an unpacked file stays behind.
TEST_F(DrillRun, StopSignalMidDrillLeavesNothingBehind) {
    enlargeMainBackup();
    ASSERT_EQ(run(), 0) << errors.toStdString();
    QProcess drilling;
    drilling.setProcessEnvironment(commandEnvironment());
    drilling.start(QStringLiteral(TAVOR_BINARY_DIR "/tavor-backup"), drillArguments());
    bool signalled = false;
    while (!signalled && !drilling.waitForFinished(5)) {
        if (!QDir(path(QStringLiteral("drill"))).isEmpty())
            signalled = ::kill(pid_t(drilling.processId()), SIGTERM) == 0;
    }
    ASSERT_TRUE(signalled);
    ASSERT_TRUE(drilling.waitForFinished(60000));
    const QString output = QString::fromUtf8(drilling.readAllStandardOutput());
    EXPECT_EQ(drilling.exitCode(), 1) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral(
        "TAVOR_07_backup_2026_12_06_230000_0000042.cab: FAILED (interrupted by signal SIGTERM)")))
        << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("3 not taken (interrupted by signal SIGTERM)")))
        << output.toStdString();
    EXPECT_EQ(leftOver(), QStringList());
}

// Without the drill folder the drill cannot start: exit status 2 and the reason.
TEST_F(DrillRun, WithoutDrillFolderNothingIsDrilled) {
    ASSERT_EQ(run(), 0) << errors.toStdString();
    QFile hive(path(QStringLiteral("registry/HKEY_LOCAL_MACHINE.ini")));
    ASSERT_TRUE(hive.open(QIODevice::ReadOnly));
    QByteArray text = hive.readAll();
    hive.close();
    text.replace("DrillFolder=", "OtherFolder=");
    tavor::test::writeFile(hive.fileName(), text);
    QString output;
    EXPECT_EQ(drill(output), 2) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral(
        "DrillFolder is not set under HKEY_LOCAL_MACHINE\\SOFTWARE\\ORV\\Tavor\\Backup")))
        << output.toStdString();
}
