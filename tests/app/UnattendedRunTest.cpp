#include "support/SqliteFile.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

// A demo branch seeded by the demo's own seeder, and the built program run on it
// with /RUN as a timer would start it: no display, nobody at the screen.
class UnattendedRun : public testing::Test {
protected:
    void SetUp() override {
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
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("ORV_MESSAGE_LOG"));
        env.insert(QStringLiteral("ORV_REGISTRY_DIR"), path(QStringLiteral("registry")));
        env.insert(QStringLiteral("ORV_STATE_DUMP"), path(QStringLiteral("state.json")));
        // The busy clip is written to the temporary folder: keep it out of the machine's
        // shared /tmp, where another user's copy cannot be replaced.
        env.insert(QStringLiteral("TMPDIR"), branch.path());
        program.setProcessEnvironment(env);
        QFile::remove(path(QStringLiteral("state.json")));
        program.start(QStringLiteral(TAVOR_BINARY_DIR "/tavor-backup"), {QStringLiteral("/run")});
        QElapsedTimer started;
        started.start();
        while (afterStartUp && !QFile::exists(path(QStringLiteral("state.json"))) &&
               !program.waitForFinished(5))
            ;
        if (afterStartUp)
            afterStartUp();
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

    QTemporaryDir branch;
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
