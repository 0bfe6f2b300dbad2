#include "controls/orvlog/ORVLog.h"
#include "support/WindowFixture.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace tavor;

namespace {

using FormLoad = WindowFixture;

} // namespace

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

// A linked start-up ends with the window shown, its captions set, the timer off and
// the data-set list shown but disabled.
TEST_F(FormLoad, LinkedStartUpShowsTheWindowWithItsCaptions) {
    linkBranch(QStringLiteral("  مصرف الأمان "));
    answer(QStringLiteral("Sys_BranchName"), QStringLiteral(" الرئيسي "));
    answer(QStringLiteral("Sys_BranchType"), QStringLiteral(" فرع"));
    frmBackup window(platform);
    EXPECT_EQ(load(window), -1);
    EXPECT_EQ(qobject_cast<QLabel*>(window.control(QStringLiteral("Label1")))->text(),
              QStringLiteral("مصرف الأمان - فرع الرئيسي"));
    EXPECT_EQ(qobject_cast<QLabel*>(window.control(QStringLiteral("Label5")))->text(),
              QStringLiteral("Server = srv01           Database = TAVOR_07"));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("TavorBackup 2.5.17"));
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.Timer1()->isActive());
    EXPECT_FALSE(window.ORVLog2()->isHidden());
    EXPECT_FALSE(window.ORVLog2()->isEnabled());
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
