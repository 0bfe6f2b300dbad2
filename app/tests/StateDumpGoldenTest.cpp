#include "support/WindowFixture.h"
#include "window/StateDump.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace tavor;

namespace {

// The snapshot with the test's own program folder written as "<program folder>",
// so that the golden files do not depend on where the test runs.
QJsonObject withoutFolder(const QJsonObject& snapshot, const QString& programFolder) {
    QByteArray text = QJsonDocument(snapshot).toJson();
    text.replace(programFolder.toUtf8(), "<program folder>");
    return QJsonDocument::fromJson(text).object();
}

// Compares one part of the window's snapshot with its golden file; on a
// difference the actual snapshot is left beside the build for review.
void expectMatchesGolden(const QJsonObject& actual, const QString& goldenName) {
    const QString goldenPath = QStringLiteral(TAVOR_SOURCE_DIR "/app/tests/golden/") + goldenName;
    QFile golden(goldenPath);
    EXPECT_TRUE(golden.open(QIODevice::ReadOnly)) << "missing " << goldenPath.toStdString();
    const QJsonObject expected = QJsonDocument::fromJson(golden.readAll()).object();
    if (actual != expected) {
        const QString actualPath = QStringLiteral(TAVOR_BINARY_DIR "/golden-actual/") + goldenName;
        QDir().mkpath(QStringLiteral(TAVOR_BINARY_DIR "/golden-actual"));
        QFile out(actualPath);
        if (out.open(QIODevice::WriteOnly))
            out.write(QJsonDocument(actual).toJson(QJsonDocument::Indented));
        ADD_FAILURE() << "snapshot differs from " << goldenPath.toStdString() << "; actual in "
                      << actualPath.toStdString();
    }
}

class StateDumpGolden : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        disks->disks = {{QStringLiteral("/"), 3, false, {}},
                        {QStringLiteral("/media/usb0"), 2, true, {}}};
        linkBranch(QStringLiteral("مصرف الأمان"));
        answer(QStringLiteral("Sys_BranchName"), QStringLiteral("نابلس"));
        answer(QStringLiteral("Sys_BranchType"), QStringLiteral("فرع"));
        answer(QStringLiteral("Sys_BranchNum"), QStringLiteral("7"));
        answer(QStringLiteral("Sys_Backup_Path"), QStringLiteral("/srv/Tavor/Backup"));
        answer(QStringLiteral("Sys_Fina_Path"), QStringLiteral("/srv/fina"));
        answer(QStringLiteral("Sys_BusinessDate_Prev"), QStringLiteral("2026-12-06"));
        registry->setValue(QStringLiteral("HKEY_CURRENT_USER\\Software\\ORV\\Tavor\\Backup"),
                           QStringLiteral("Drive"), QStringLiteral("/media/usb0"));
    }

    // The snapshot after start-up of the window on screen and of its form alone, as
    // the unattended commands have it: both must be the golden one.
    QList<QJsonObject> startUpSnapshots() {
        QList<QJsonObject> snapshots;
        {
            frmBackup window(platform);
            EXPECT_EQ(load(window), -1);
            snapshots << StateDump::snapshot(window.model(), window.state());
        }
        BackupForm form(platform);
        EXPECT_EQ(load(form), -1);
        snapshots << StateDump::snapshot(form.model(), form.state());
        for (QJsonObject& snapshot : snapshots)
            snapshot = withoutFolder(snapshot, programFolder.path());
        return snapshots;
    }
};

} // namespace

// Every control's container, twips geometry, text and visibility after
// start-up, the drive rows and the derived state: a change to any of them
// must be deliberate.
TEST_F(StateDumpGolden, NormalStartUpMatchesGolden) {
    for (const QJsonObject& dump : startUpSnapshots()) {
        expectMatchesGolden(dump.value(QStringLiteral("controls")).toObject(),
                            QStringLiteral("controls-normal.json"));
        expectMatchesGolden(dump.value(QStringLiteral("lists")).toObject(),
                            QStringLiteral("lists-normal.json"));
        expectMatchesGolden(dump.value(QStringLiteral("state")).toObject(),
                            QStringLiteral("state-normal.json"));
    }
}

TEST_F(StateDumpGolden, MaintenanceStartUpMatchesGolden) {
    process->commandLineText = QStringLiteral("/M");
    for (const QJsonObject& dump : startUpSnapshots()) {
        EXPECT_EQ(dump.value(QStringLiteral("height")).toInt(), 7350);
        expectMatchesGolden(dump.value(QStringLiteral("controls")).toObject(),
                            QStringLiteral("controls-maintenance.json"));
    }
}
