#include "ProgramTest.h"
#include "platform/ini/IniFile.h"
#include "support/ElfFiles.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

using namespace tavor;
using namespace tavor::test;

namespace {

// A workstation whose registry names an update share, with a Windows folder that
// may hold an updater script recording that it ran and with how many arguments.
class UpdateCheckRun : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        for (const char* folder : {"registry", "windows", "share/Update", "out"})
            ASSERT_TRUE(QDir().mkpath(path(folder)));
        writeFile(path("registry/HKEY_LOCAL_MACHINE.ini"),
                  "[SOFTWARE\\ORV\\Tavor]\nServerPath=" + path("share").toUtf8() + "\n");
    }

    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    void installUpdater() {
        writeFile(path("windows/ORVUpdate"),
                  "#!/bin/sh\necho \"$#\" > \"$(dirname \"$0\")/updater-ran\"\n");
        QFile::setPermissions(path("windows/ORVUpdate"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // A build on the share that is newer than the program by its first field.
    void shareNewerBuild(const char* tail) {
        const QString major = QStringLiteral(TAVOR_FILE_VERSION).section(QLatin1Char('.'), 0, 0);
        serverVersion = QString::number(major.toInt() + 1) + QString::fromLatin1(tail);
        ElfFiles::copyProgramWithVersion(path("share/Update/tavor-backup"), serverVersion.toUtf8());
    }

    // Runs the built program to its end; returns its exit status (-1 when it hung).
    int run() {
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("ORV_REGISTRY_DIR"), path("registry"));
        env.insert(QStringLiteral("ORV_MESSAGE_LOG"), path("out/messages.jsonl"));
        env.insert(QStringLiteral("ORV_STATE_DUMP"), path("out/state.json"));
        env.insert(QStringLiteral("windir"), path("windows"));
        // The run's record and the desktop notes stay out of the user's own.
        env.insert(QStringLiteral("XDG_STATE_HOME"), path("state"));
        env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        program.setProcessEnvironment(env);
        program.start(ElfFiles::program(), {});
        if (!program.waitForFinished(20000)) {
            program.kill();
            program.waitForFinished();
            return -1;
        }
        return program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    }

    QList<QJsonObject> messages() const {
        QList<QJsonObject> boxes;
        for (const QByteArray& line : readFile(path("out/messages.jsonl")).split('\n')) {
            if (!line.isEmpty())
                boxes.append(QJsonDocument::fromJson(line).object());
        }
        return boxes;
    }

    QJsonObject dump() const {
        return QJsonDocument::fromJson(readFile(path("out/state.json"))).object();
    }

    // The updater runs detached; give it a moment to leave its mark.
    QByteArray updaterMark() const {
        QElapsedTimer clock;
        clock.start();
        while (!QFile::exists(path("windows/updater-ran")) && clock.elapsed() < 10000)
            QThread::msleep(50);
        return readFile(path("windows/updater-ran"));
    }

    QTemporaryDir dir;
    QString serverVersion;
};

} // namespace

// A newer build on the share: the program records the copy, starts the updater
// without arguments and ends before its window, its state written first.
TEST_F(UpdateCheckRun, NewerBuildStartsUpdaterAndProgramEnds) {
    installUpdater();
    shareNewerBuild(".0.0.0");
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(updaterMark(), "0\n");
    EXPECT_EQ(IniFile(path("windows/Update.orv")).value("Source", "TAVOR-BACKUP"),
              path("share/Update/tavor-backup") + "," TAVOR_FILE_VERSION "," + serverVersion);
    EXPECT_EQ(IniFile(path("windows/Update.orv")).value("Run", "TAVOR-BACKUP"),
              ElfFiles::program());
    EXPECT_TRUE(messages().isEmpty()) << "start-up must not have gone on";
    ASSERT_FALSE(dump().isEmpty()) << "no state written before the end";
    EXPECT_FALSE(dump().value(QStringLiteral("visible")).toBool());
}

// A newer build ending in 9 without an updater: the warning, then the end; start-up
// never reaches the connection and its not-linked message.
TEST_F(UpdateCheckRun, NineWithoutUpdaterWarnsAndEnds) {
    shareNewerBuild(".0.0.9");
    EXPECT_EQ(run(), 0);
    const QList<QJsonObject> boxes = messages();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes.front().value(QStringLiteral("title")).toString(), QStringLiteral("تحذير"));
    EXPECT_EQ(boxes.front().value(QStringLiteral("icon")).toString(), QStringLiteral("warning"));
}

// A control file that cannot be written left the updater with nothing to do, yet
// the program ended on every start: now it warns as without an updater, and start-up
// goes on (to the not-linked message of this workstation without a database).
TEST_F(UpdateCheckRun, UnwritableControlFileWarnsAndStartUpGoesOn) {
    installUpdater();
    ASSERT_TRUE(QDir().mkpath(path("windows/Update.orv")));
    shareNewerBuild(".0.0.0");
    EXPECT_EQ(run(), 0);
    const QList<QJsonObject> boxes = messages();
    ASSERT_EQ(boxes.size(), 2);
    EXPECT_EQ(boxes.front().value(QStringLiteral("title")).toString(), QStringLiteral("تحذير"));
    EXPECT_NE(boxes.back().value(QStringLiteral("title")).toString(), QStringLiteral("تحذير"));
    EXPECT_FALSE(QFile::exists(path("windows/updater-ran")));
}

// The program carries the project's version where an older build's update check and
// its own title look for it.
TEST(ProgramVersion, BuiltProgramCarriesTheProjectVersion) {
    EXPECT_EQ(ElfFileVersion::read(ElfFiles::program()), QStringLiteral(TAVOR_FILE_VERSION));
}
