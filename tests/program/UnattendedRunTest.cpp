#include "support/SqliteFile.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

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

    // Runs /RUN; returns the exit status and leaves standard error in `errors`.
    int run() {
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
        program.start(QStringLiteral(TAVOR_BINARY_DIR "/tavor-backup"), {QStringLiteral("/run")});
        if (!program.waitForFinished(120000)) {
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
