#include "pipeline/startup/StartUp.h"

#include "formats/connectionstring/ConnectionString.h"
#include "pipeline/ImageKind.h"
#include "pipeline/commands/CommandLine.h"
#include "platform/api/ORVApi.h"
#include "platform/bank/ORV_Bank.h"
#include "platform/disks/linux/LinuxLogicalDisks.h"
#include "support/FakeBackupWindow.h"
#include "support/PlatformDoubles.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tavor;

namespace {

// Start-up on doubles of every platform part and of the window.
class StartUpTest : public PlatformDoubles {
protected:
    // Runs start-up; returns the exit status when the program ended, -1 when it went on.
    int load() {
        try {
            StartUp(context).Load();
        } catch (const ProcessEnded& ended) {
            return ended.exitCode;
        }
        return -1;
    }

    void writeSettings(const QByteArray& text) {
        QFile file(QDir(programFolder.path()).filePath(QStringLiteral("Setting.ini")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    FakeBackupWindow window;
    MainState state;
    std::unique_ptr<ORVApi> api;
    std::unique_ptr<ORV_Bank> bank;
    std::unique_ptr<DatabaseConnection> connection;
    QString mediaPassword;
    FileListing fileList{files};
    BackupPlan plan;
    BackupContext context{platform,   window,        state,    api, bank,
                          connection, mediaPassword, fileList, plan};
};

} // namespace

// The switches count only alone on the line, in any case and with blanks around.
TEST(CommandLine, SwitchesOnlyAloneOnTheLine) {
    struct Case {
        const char* text;
        bool maintenance;
        bool unattended;
    };
    for (const Case c :
         {Case{" /m ", true, false}, Case{"/M x", false, false}, Case{"/run", false, true},
          Case{"/RUN /M", false, false}, Case{"", false, false}}) {
        const CommandLine line(QString::fromLatin1(c.text));
        EXPECT_EQ(line.isMaintenance(), c.maintenance) << c.text;
        EXPECT_EQ(line.isUnattended(), c.unattended) << c.text;
    }
    EXPECT_EQ(CommandLine::fromArguments({QStringLiteral("/m"), QStringLiteral("x")}).text(),
              QStringLiteral("/M X"));
}

// The verify switch takes its folder as typed (a path's case matters), and only one.
TEST(CommandLine, VerifySwitchKeepsItsOneFolderAsTyped) {
    struct Case {
        QStringList arguments;
        bool verify;
        const char* folder;
    };
    for (const Case& c :
         {Case{{"/verify", "/media/Usb/Tavor_2026-12-06"}, true, "/media/Usb/Tavor_2026-12-06"},
          Case{{"/VERIFY", "a b"}, true, "a b"}, Case{{"/VERIFY"}, true, ""},
          Case{{"/VERIFY", "a", "b"}, true, ""}, Case{{"/RUN", "/VERIFY"}, false, ""},
          Case{{"/VERIFYX", "a"}, false, ""}}) {
        const CommandLine line = CommandLine::fromArguments(c.arguments);
        EXPECT_EQ(line.isVerify(), c.verify) << c.arguments.join(' ').toStdString();
        EXPECT_EQ(line.verifyFolder(), QString::fromUtf8(c.folder))
            << c.arguments.join(' ').toStdString();
    }
}

// A workstation with no branch database, or whose server cannot be reached, is told
// so and the program ends without ever showing its window.
TEST_F(StartUpTest, UnlinkedOrUnreachableWorkstationShowsTwoLineWarningAndEnds) {
    for (const bool linked : {false, true}) {
        messages->shown.clear();
        if (linked) {
            linkBranch();
            database->state->refuseOpen = true;
        }
        EXPECT_EQ(load(), 0);
        ASSERT_EQ(messages->shown.size(), 1);
        const MessageBoxRequest& box = messages->shown.front();
        EXPECT_EQ(box.text, QStringLiteral("هذ الجهاز غير مربوط مع منظومة التافور\r\n"
                                           "لا يمكن نسخ البيانات من هذا الجهاز"));
        EXPECT_EQ(box.title, QStringLiteral("TavorBackup"));
        EXPECT_EQ(box.icon, MessageIcon::Warning);
        EXPECT_EQ(box.buttons, MessageButtons::Ok);
        EXPECT_TRUE(box.rightAligned && box.rtlReading);
        EXPECT_FALSE(window.shown);
        EXPECT_TRUE(state.BankName.isEmpty());
    }
}

// Registry names are passed on exactly, blanks included; Setting.ini wins when
// its switch is on, even where it lacks a name.
TEST_F(StartUpTest, DatabaseLinkComesFromRegistryOrSettings) {
    registry->setValue(RegistryKeys::Link, QStringLiteral("_Server"), QStringLiteral(" srv01 "));
    registry->setValue(RegistryKeys::Link, QStringLiteral("_DBase"), QStringLiteral(" TAVOR_07"));
    load();
    EXPECT_EQ(state.ServerName, QStringLiteral(" srv01 "));
    EXPECT_EQ(state.DatabaseName, QStringLiteral(" TAVOR_07"));
    writeSettings("[Main]\r\nUseini=1\r\nServer=10.1.1.5,1433\r\n");
    load();
    EXPECT_EQ(state.ServerName, QStringLiteral("10.1.1.5,1433"));
    EXPECT_TRUE(state.DatabaseName.isEmpty());
}

// The connection string's field order is what the server's provider expects;
// the login falls back to the decoded defaults when the bank library has none,
// and a stored login holding ';' reaches the server whole.
TEST_F(StartUpTest, ConnectsWithTheLoginInFieldOrderAndQuotesSemicolons) {
    linkBranch();
    load();
    ASSERT_FALSE(database->state->openedWith.isEmpty());
    const QRegularExpression form(
        QStringLiteral("^Provider=SQLOLEDB\\.1;Password=([^;]+);User ID=([^;]+);Initial "
                       "Catalog=TAVOR_07;Data Source=srv01$"));
    const QRegularExpressionMatch match = form.match(database->state->openedWith.last());
    ASSERT_TRUE(match.hasMatch()) << database->state->openedWith.last().toStdString();
    EXPECT_EQ(match.captured(1).size(), 7);
    EXPECT_EQ(match.captured(2).size(), 2);
    EXPECT_EQ(window.connectionCaption,
              QStringLiteral("Server = srv01           Database = TAVOR_07"));

    registry->setValue(RegistryKeys::Banks, QStringLiteral("UserID"), QStringLiteral("teller"));
    registry->setValue(RegistryKeys::Banks, QStringLiteral("Password"),
                       QStringLiteral("p;Data Source=evil\""));
    load();
    const ConnectionString opened = ConnectionString::parse(database->state->openedWith.last());
    EXPECT_EQ(opened.value(QStringLiteral("Password")), QStringLiteral("p;Data Source=evil\""));
    EXPECT_EQ(opened.value(QStringLiteral("User ID")), QStringLiteral("teller"));
    EXPECT_EQ(opened.value(QStringLiteral("Data Source")), QStringLiteral("srv01"));
}

TEST_F(StartUpTest, SystemValuesAreTrimmedAndNamesDerived) {
    linkBranch(QStringLiteral("  مصرف الأمان "));
    answer(QStringLiteral("Sys_BranchName"), QStringLiteral(" الرئيسي "));
    answer(QStringLiteral("Sys_BranchType"), QStringLiteral(" فرع"));
    answer(QStringLiteral("Sys_BranchNum"), QStringLiteral("1"));
    answer(QStringLiteral("Sys_Backup_Path"), QStringLiteral(" /data/Tavor/Backup "));
    answer(QStringLiteral("Sys_Fina_Path"), QStringLiteral("/fina"));
    answer(QStringLiteral("Sys_BusinessDate_Prev"), QStringLiteral("2026-12-07"));
    EXPECT_EQ(load(), -1);
    EXPECT_EQ(state.BankName, QStringLiteral("مصرف الأمان"));
    EXPECT_EQ(state.BackupPath, QStringLiteral("/data/Tavor/Backup"));
    EXPECT_EQ(state.PrevBusinessDate, QStringLiteral("2026-12-07"));
    EXPECT_EQ(state.SgDatabase, QStringLiteral("TAVOR_SG"));
    EXPECT_EQ(state.HsDatabase, QStringLiteral("TAVOR_HS"));
    EXPECT_EQ(state.LcsDatabase, QStringLiteral("LCS_001"));
    EXPECT_EQ(state.SgBakFile, QStringLiteral("/data/Tavor/Backup/TAVOR_SG.bak"));
    EXPECT_EQ(state.LcsBakFile, QStringLiteral("/data/Tavor/Backup/TAVOR_LCS.bak"));
    // No candidate exists, so the last one formed stays.
    EXPECT_EQ(state.FinaFile, QStringLiteral("/fina/F0012007/F0012007.mdb"));
    // The branch type is trimmed on reading, so the marker is no longer second.
    EXPECT_EQ(state.HistoryIntervalDays, 2);
    EXPECT_EQ(window.branchCaption, QStringLiteral("مصرف الأمان - فرع الرئيسي"));
    EXPECT_EQ(window.title, QStringLiteral("TavorBackup 2.5.17"));
    EXPECT_TRUE(window.shown);
    EXPECT_EQ(window.stateDumps, 1);
    EXPECT_EQ(plan.rows.size(), 4) << "both satellites: the business date cannot be read";
}

// The general-accounts file is the first candidate that is an ordinary file:
// a folder or a hidden file of that name must not be taken.
TEST_F(StartUpTest, FinaFileIsFirstExistingOrdinaryFile) {
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
    load();
    EXPECT_EQ(state.FinaFile, fina + QStringLiteral("/F0012007/F0012007.mdb"));
}

// A failure in the untrapped first steps must end the program with a report
// naming the error, and a non-zero status.
TEST_F(StartUpTest, ErrorBeforeTrappingEndsWithReport) {
    struct FailingProcess : FakeProcessServices {
        QString commandLine() const override { throw Error(7, QStringLiteral("Out of memory")); }
    };
    platform.process = std::make_shared<FailingProcess>();
    EXPECT_EQ(load(), 1);
    ASSERT_EQ(messages->shown.size(), 1);
    EXPECT_EQ(messages->shown.front().text, QStringLiteral("7   Out of memory"));
    EXPECT_EQ(messages->shown.front().icon, MessageIcon::Critical);
}

// Folders registered as extra drives follow the mounted volumes; the drive the
// last backup used is selected again, and an unknown one falls back to the first.
TEST_F(StartUpTest, ExtraDrivesListedAfterVolumesAndRememberedOneSelected) {
    QTemporaryDir usb;
    QTemporaryDir hdd;
    // A removable folder is listed only when marked as a target (nothing is mounted).
    QFile marker(usb.filePath(QStringLiteral(".tavor-target")));
    ASSERT_TRUE(marker.open(QIODevice::WriteOnly));
    marker.close();
    registry->setValue(RegistryKeys::Drives, usb.path(), QStringLiteral("2"));
    registry->setValue(RegistryKeys::Drives, hdd.path(), QStringLiteral("3"));
    QTemporaryDir noMounts;
    platform.disks = std::make_shared<LinuxLogicalDisks>(
        registry, noMounts.filePath(QStringLiteral("missing-mountinfo")), noMounts.path());
    linkBranch();
    const QString marks = QString(QChar(0x200E)) + QChar(0x200F) + QStringLiteral("    ");
    const struct {
        QString remembered;
        int selected;
    } cases[] = {{usb.path(), 1}, {hdd.path(), 2}, {hdd.path().toUpper() + QStringLiteral("X"), 0}};
    for (const auto& c : cases) {
        window.driveRows.clear();
        registry->setValue(RegistryKeys::Backup, QStringLiteral("Drive"), c.remembered);
        load();
        ASSERT_EQ(window.driveRows.size(), 3)
            << "the root volume comes first even without a mount table";
        EXPECT_EQ(window.driveRows[0].tag, QStringLiteral("/"));
        EXPECT_EQ(window.driveRows[1].text,
                  QStringLiteral("   USB   ") + usb.path() + QLatin1Char(' ') + marks);
        EXPECT_EQ(window.driveRows[1].image, ImageKind::RemovableDrive);
        EXPECT_EQ(window.driveRows[1].tag, usb.path());
        EXPECT_EQ(window.driveRows[2].text,
                  QStringLiteral("   HDD   ") + hdd.path() + QLatin1Char(' ') + marks);
        EXPECT_EQ(window.driveRows[2].image, ImageKind::HardDisk);
        EXPECT_EQ(window.selectedDrive, c.selected) << c.remembered.toStdString();
    }
}

// An unattended start whose remembered drive is not listed runs nothing, says so on
// standard error and ends with 2.
TEST_F(StartUpTest, UnattendedRunWithoutItsDriveSaysSoAndEndsWithTwo) {
    linkBranch();
    process->commandLineText = QStringLiteral("/run");
    registry->setValue(RegistryKeys::Backup, QStringLiteral("Drive"), QStringLiteral("/media/x"));
    EXPECT_EQ(load(), 2);
    EXPECT_EQ(process->errorLines,
              QStringList{QStringLiteral("tavor-backup: the remembered drive \"/media/x\" is not "
                                         "listed; no run took place")});
}
