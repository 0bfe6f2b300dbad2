#include "controls/orvlog/ORVLog.h"
#include "formats/connectionstring/ConnectionString.h"
#include "platform/disks/linux/LinuxLogicalDisks.h"
#include "support/WindowFixture.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace tavor;

namespace {

const QString kTavorKey = QStringLiteral("HKEY_CURRENT_USER\\Software\\ORV\\Tavor");

class FormLoad : public WindowFixture {
protected:
    void writeSettings(const QByteArray& text) {
        QFile file(programFolder.filePath(QStringLiteral("Setting.ini")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
};

} // namespace

// A workstation with no branch database must be told so and the program must
// end without ever showing its window.
TEST_F(FormLoad, UnlinkedWorkstationShowsTwoLineWarningAndEnds) {
    frmBackup window(platform);
    EXPECT_EQ(load(window), 0);
    ASSERT_EQ(messages->shown.size(), 1);
    const MessageBoxRequest& box = messages->shown.front();
    EXPECT_EQ(box.text, QStringLiteral("هذ الجهاز غير مربوط مع منظومة التافور\r\n"
                                       "لا يمكن نسخ البيانات من هذا الجهاز"));
    EXPECT_EQ(box.title, QStringLiteral("TavorBackup"));
    EXPECT_EQ(box.icon, MessageIcon::Warning);
    EXPECT_EQ(box.buttons, MessageButtons::Ok);
    EXPECT_TRUE(box.rightAligned);
    EXPECT_TRUE(box.rtlReading);
    EXPECT_FALSE(window.isVisible());
}

// An unreachable server is swallowed by start-up and ends in the same warning.
TEST_F(FormLoad, UnreachableServerEndsWithWarningNotCrash) {
    linkBranch();
    database->state->refuseOpen = true;
    frmBackup window(platform);
    EXPECT_EQ(load(window), 0);
    ASSERT_EQ(messages->shown.size(), 1);
    EXPECT_EQ(messages->shown.front().icon, MessageIcon::Warning);
    EXPECT_TRUE(window.state().BankName.isEmpty());
}

// Maintenance mode is the switch alone, in any case and between blanks; anything
// beside it keeps the normal window.
TEST_F(FormLoad, MaintenanceModeOnlyForTheSwitchAlone) {
    struct Case {
        QString typed;
        QString commandLine;
        bool maintenance;
    };
    linkBranch();
    for (const Case& c : {Case{" /m ", "/M", true}, Case{"/M x", "/M X", false}}) {
        SCOPED_TRACE(c.typed.toStdString());
        process->commandLineText = c.typed;
        frmBackup window(platform);
        EXPECT_EQ(load(window), -1);
        EXPECT_EQ(window.state().CommandLine, c.commandLine);
        EXPECT_EQ(window.outerHeight(), c.maintenance ? 7350 : 4050);
        EXPECT_EQ(window.control(QStringLiteral("cmdTest"))->isHidden(), !c.maintenance);
        EXPECT_EQ(window.control(QStringLiteral("Picture3"))->isHidden(), !c.maintenance);
    }
}

// Registry names are passed on exactly, blanks included; Setting.ini wins when
// its switch is on, even where it lacks a name.
TEST_F(FormLoad, DatabaseLinkComesFromRegistryOrSettings) {
    registry->setValue(kTavorKey, QStringLiteral("_Server"), QStringLiteral(" srv01 "));
    registry->setValue(kTavorKey, QStringLiteral("_DBase"), QStringLiteral(" TAVOR_07"));
    {
        frmBackup window(platform);
        load(window);
        EXPECT_EQ(window.state().ServerName, QStringLiteral(" srv01 "));
        EXPECT_EQ(window.state().DatabaseName, QStringLiteral(" TAVOR_07"));
    }
    writeSettings("[Main]\r\nUseini=1\r\nServer=10.1.1.5,1433\r\n");
    frmBackup window(platform);
    load(window);
    EXPECT_EQ(window.state().ServerName, QStringLiteral("10.1.1.5,1433"));
    EXPECT_TRUE(window.state().DatabaseName.isEmpty());
}

// The connection string's field order is what the server's provider expects;
// the login falls back to the decoded defaults when the bank library has none.
TEST_F(FormLoad, ConnectsWithDecodedDefaultLoginInFieldOrder) {
    linkBranch();
    frmBackup window(platform);
    load(window);
    ASSERT_FALSE(database->state->openedWith.isEmpty());
    const QString windowConnection = database->state->openedWith.last();
    const QRegularExpression form(
        QStringLiteral("^Provider=SQLOLEDB\\.1;Password=([^;]+);User ID=([^;]+);Initial "
                       "Catalog=TAVOR_07;Data Source=srv01$"));
    const QRegularExpressionMatch match = form.match(windowConnection);
    ASSERT_TRUE(match.hasMatch()) << windowConnection.toStdString();
    EXPECT_EQ(match.captured(1).size(), 7);
    EXPECT_EQ(match.captured(2).size(), 2);
    EXPECT_EQ(qobject_cast<QLabel*>(window.control(QStringLiteral("Label5")))->text(),
              QStringLiteral("Server = srv01           Database = TAVOR_07"));
}

TEST_F(FormLoad, SystemValuesAreTrimmedAndNamesDerived) {
    linkBranch(QStringLiteral("  مصرف الأمان "));
    answer(QStringLiteral("Sys_BranchName"), QStringLiteral(" الرئيسي "));
    answer(QStringLiteral("Sys_BranchType"), QStringLiteral(" فرع"));
    answer(QStringLiteral("Sys_BranchNum"), QStringLiteral("1"));
    answer(QStringLiteral("Sys_Backup_Path"), QStringLiteral(" /data/Tavor/Backup "));
    answer(QStringLiteral("Sys_Fina_Path"), QStringLiteral("/fina"));
    answer(QStringLiteral("Sys_BusinessDate_Prev"), QStringLiteral("2026-12-07"));
    frmBackup window(platform);
    EXPECT_EQ(load(window), -1);
    const MainState& s = window.state();
    EXPECT_EQ(s.BankName, QStringLiteral("مصرف الأمان"));
    EXPECT_EQ(s.BackupPath, QStringLiteral("/data/Tavor/Backup"));
    EXPECT_EQ(s.PrevBusinessDate, QStringLiteral("2026-12-07"));
    EXPECT_EQ(s.SgDatabase, QStringLiteral("TAVOR_SG"));
    EXPECT_EQ(s.HsDatabase, QStringLiteral("TAVOR_HS"));
    EXPECT_EQ(s.LcsDatabase, QStringLiteral("LCS_001"));
    EXPECT_EQ(s.SgBakFile, QStringLiteral("/data/Tavor/Backup/TAVOR_SG.bak"));
    EXPECT_EQ(s.LcsBakFile, QStringLiteral("/data/Tavor/Backup/TAVOR_LCS.bak"));
    // No candidate exists, so the last one formed stays.
    EXPECT_EQ(s.FinaFile, QStringLiteral("/fina/F0012007/F0012007.mdb"));
    // The branch type is trimmed on reading, so the marker is no longer second.
    EXPECT_EQ(s.HistoryIntervalDays, 2);
    EXPECT_EQ(qobject_cast<QLabel*>(window.control(QStringLiteral("Label1")))->text(),
              QStringLiteral("مصرف الأمان - فرع الرئيسي"));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("TavorBackup 2.5.17"));
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.Timer1()->isActive());
    EXPECT_FALSE(window.ORVLog2()->isHidden());
    EXPECT_FALSE(window.ORVLog2()->isEnabled());
}

// The general-accounts file is the first candidate that is an ordinary file:
// a folder or a hidden file of that name must not be taken.
TEST_F(FormLoad, FinaFileIsFirstExistingOrdinaryFile) {
    QTemporaryDir root;
    const QString fina = root.path() + QStringLiteral("/fina");
    ASSERT_TRUE(QDir().mkpath(fina + QStringLiteral("/F0072007/F0072007.mdb")));
    ASSERT_TRUE(QDir().mkpath(fina + QStringLiteral("/F0012007")));
    QFile file(fina + QStringLiteral("/F0012007/F0012007.mdb"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    linkBranch();
    answer(QStringLiteral("Sys_BranchNum"), QStringLiteral("7"));
    answer(QStringLiteral("Sys_Fina_Path"), fina);
    frmBackup window(platform);
    load(window);
    EXPECT_EQ(window.state().FinaFile, fina + QStringLiteral("/F0012007/F0012007.mdb"));
}

// A failure in the untrapped first steps must end the program with a report
// naming the error, and a non-zero status.
TEST_F(FormLoad, ErrorBeforeTrappingEndsWithReport) {
    struct FailingProcess : FakeProcessServices {
        QString commandLine() const override { throw Error(7, QStringLiteral("Out of memory")); }
    };
    auto failing = std::make_shared<FailingProcess>();
    platform.process = failing;
    frmBackup window(platform);
    EXPECT_EQ(load(window), 1);
    ASSERT_EQ(messages->shown.size(), 1);
    EXPECT_EQ(messages->shown.front().text, QStringLiteral("7   Out of memory"));
    EXPECT_EQ(messages->shown.front().icon, MessageIcon::Critical);
}

TEST_F(FormLoad, TimerTickAppendsOneDotToWaitNotice) {
    frmBackup window(platform);
    auto* label = qobject_cast<QLabel*>(window.control(QStringLiteral("Label2")));
    EXPECT_TRUE(window.Timer1()->isActive()) << "the timer runs from the window's creation";
    window.Timer1_Timer();
    window.Timer1_Timer();
    EXPECT_EQ(label->text(), QStringLiteral("يرجى الانتظار.."));
}

TEST_F(FormLoad, ExitButtonEndsTheProgram) {
    linkBranch();
    frmBackup window(platform);
    load(window);
    EXPECT_THROW(window.Command3_Click(), ProcessEnded);
    EXPECT_EQ(process->endCalls, 1);
}

// The dump must never carry the media password or the login.
TEST_F(FormLoad, StateDumpShowsStateButNoSecrets) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("state.json"));
    qputenv("ORV_STATE_DUMP", path.toUtf8());
    linkBranch();
    frmBackup window(platform);
    load(window);
    qunsetenv("ORV_STATE_DUMP");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const QJsonObject dump = QJsonDocument::fromJson(bytes).object();
    EXPECT_TRUE(dump.value(QStringLiteral("visible")).toBool());
    EXPECT_EQ(dump.value(QStringLiteral("height")).toInt(), 4050);
    const QJsonObject picture1 = dump.value(QStringLiteral("controls"))
                                     .toObject()
                                     .value(QStringLiteral("Picture1"))
                                     .toObject();
    EXPECT_EQ(picture1.value(QStringLiteral("left")).toInt(), -15);
    EXPECT_EQ(picture1.value(QStringLiteral("top")).toInt(), 990);
    EXPECT_EQ(picture1.value(QStringLiteral("container")).toString(), QStringLiteral("Picture2"));
    EXPECT_EQ(dump.value(QStringLiteral("state"))
                  .toObject()
                  .value(QStringLiteral("DatabaseName"))
                  .toString(),
              QStringLiteral("TAVOR_07"));
    const QString opened = database->state->openedWith.last();
    const QString password = opened.section(QLatin1Char(';'), 1, 1).section(QLatin1Char('='), 1);
    ASSERT_FALSE(password.isEmpty());
    EXPECT_FALSE(bytes.contains(password.toUtf8()));
    EXPECT_FALSE(bytes.contains("MediaPassword"));
}

// Folders registered as extra drives follow the mounted volumes; the drive the
// last backup used is selected again, and an unknown one falls back to the first.
TEST_F(FormLoad, ExtraDrivesListedAfterVolumesAndRememberedOneSelected) {
    QTemporaryDir usb;
    QTemporaryDir hdd;
    // A removable folder is listed only when marked as a target (nothing is mounted).
    QFile marker(usb.filePath(QStringLiteral(".tavor-target")));
    ASSERT_TRUE(marker.open(QIODevice::WriteOnly));
    marker.close();
    const QString drives = QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\ORV\\Tavor\\Drives");
    registry->setValue(drives, usb.path(), QStringLiteral("2"));
    registry->setValue(drives, hdd.path(), QStringLiteral("3"));
    registry->setValue(QStringLiteral("HKEY_CURRENT_USER\\Software\\ORV\\Tavor\\Backup"),
                       QStringLiteral("Drive"), usb.path());
    QTemporaryDir noMounts;
    platform.disks = std::make_shared<LinuxLogicalDisks>(
        registry, noMounts.filePath(QStringLiteral("missing-mountinfo")), noMounts.path());
    linkBranch();
    frmBackup window(platform);
    load(window);
    ORVLog* list = window.ORVLog1();
    ASSERT_EQ(list->ListCount(), 3) << "the root volume comes first even without a mount table";
    const QString marks = QString(QChar(0x200E)) + QChar(0x200F) + QStringLiteral("    ");
    EXPECT_EQ(list->GetTag(0), QStringLiteral("/"));
    EXPECT_EQ(list->List(1), QStringLiteral("   USB   ") + usb.path() + QLatin1Char(' ') + marks);
    EXPECT_EQ(list->GetImage(1), 101);
    EXPECT_EQ(list->GetTag(1), usb.path());
    EXPECT_EQ(list->List(2), QStringLiteral("   HDD   ") + hdd.path() + QLatin1Char(' ') + marks);
    EXPECT_EQ(list->GetImage(2), 100);
    EXPECT_EQ(list->ListIndex(), 1);

    registry->setValue(QStringLiteral("HKEY_CURRENT_USER\\Software\\ORV\\Tavor\\Backup"),
                       QStringLiteral("Drive"), hdd.path());
    frmBackup second(platform);
    load(second);
    EXPECT_EQ(second.ORVLog1()->ListIndex(), 2);

    registry->setValue(QStringLiteral("HKEY_CURRENT_USER\\Software\\ORV\\Tavor\\Backup"),
                       QStringLiteral("Drive"), hdd.path().toUpper() + QStringLiteral("X"));
    frmBackup third(platform);
    load(third);
    EXPECT_EQ(third.ORVLog1()->ListIndex(), 0);
}

// A login holding ';' must reach the server whole instead of spilling into the
// database or server fields.
TEST_F(FormLoad, LoginWithSemicolonIsQuotedInConnectionString) {
    linkBranch();
    registry->setValue(QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\ORV\\Banks"),
                       QStringLiteral("UserID"), QStringLiteral("teller"));
    registry->setValue(QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\ORV\\Banks"),
                       QStringLiteral("Password"), QStringLiteral("p;Data Source=evil\""));
    frmBackup window(platform);
    load(window);
    ASSERT_FALSE(database->state->openedWith.isEmpty());
    const ConnectionString opened = ConnectionString::parse(database->state->openedWith.last());
    EXPECT_EQ(opened.value(QStringLiteral("Password")), QStringLiteral("p;Data Source=evil\""));
    EXPECT_EQ(opened.value(QStringLiteral("User ID")), QStringLiteral("teller"));
    EXPECT_EQ(opened.value(QStringLiteral("Data Source")), QStringLiteral("srv01"));
}
