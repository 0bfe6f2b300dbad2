#include "platform/database/RoutingDatabaseProvider.h"
#include "support/EmbeddedRoute.h"
#include "support/SqliteFile.h"
#include "support/WindowFixture.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace tavor;

namespace {

const QString kTavorKey = QStringLiteral("HKEY_CURRENT_USER\\Software\\ORV\\Tavor");

// Every file below a folder with its size, time and content hash.
QMap<QString, QString> filesBelow(const QString& folder) {
    QMap<QString, QString> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        files.insert(
            path,
            QString::number(it.fileInfo().lastModified().toMSecsSinceEpoch()) + QLatin1Char(' ') +
                QString::fromLatin1(
                    QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex()));
    }
    return files;
}

class TestButton : public WindowFixture {};

} // namespace

// Guards against the test statement shown off screen or differing from what was
// sent: the button moves Text1 to 3100 twips with its designed left, width and
// height, and "OK" follows a statement the server took.
TEST_F(TestButton, ShowsTheExactStatementInViewAndReportsOk) {
    linkBranch();
    process->commandLineText = QStringLiteral("/M");
    frmBackup window(platform);
    ASSERT_EQ(load(window), -1);
    const QRect designed = window.twipsGeometry(QStringLiteral("Text1"));

    qobject_cast<QPushButton*>(window.control(QStringLiteral("cmdTest")))->click();

    const QString statement = QStringLiteral("BACKUP DATABASE TAVOR_07 TO DISK = "
                                             "'\\\\srv01\\tavor\\backup\\test.bak' WITH INIT , "
                                             "MEDIAPASSWORD='947'");
    auto* text1 = qobject_cast<QLineEdit*>(window.control(QStringLiteral("Text1")));
    EXPECT_EQ(text1->text(), statement);
    EXPECT_FALSE(text1->isHidden());
    EXPECT_EQ(window.twipsGeometry(QStringLiteral("Text1")),
              QRect(designed.left(), 3100, designed.width(), designed.height()));
    EXPECT_EQ(database->state->statements.last(), statement);
    ASSERT_FALSE(messages->shown.isEmpty());
    EXPECT_EQ(messages->shown.last().text, QStringLiteral("OK"));
}

// Guards against the exit button touching files: on an idle window over a branch on
// the embedded server, exit leaves every database, folder and temporary file as it
// was and writes only the state snapshot.
TEST_F(TestButton, ExitDuringIdleTimeWritesOnlyTheStateDump) {
    QTemporaryDir root;
    const QString server = root.filePath(QStringLiteral("server"));
    QDir().mkpath(server);
    QDir().mkpath(root.filePath(QStringLiteral("backup")));
    QDir().mkpath(root.filePath(QStringLiteral("temp")));
    {
        SqliteFile branch(server + QStringLiteral("/TAVOR_07.db"));
        branch.exec(QStringLiteral("CREATE TABLE ORV_System_Values (SV_Name TEXT, SV_Value TEXT);"
                                   "INSERT INTO ORV_System_Values VALUES ('Sys_BankName', 'Bank'),"
                                   "('Sys_BusinessDate', '2026-12-07'), ('Sys_Backup_Path', '%1')")
                        .arg(root.filePath(QStringLiteral("backup"))));
        SqliteFile history(server + QStringLiteral("/TAVOR_HS.db"));
        history.exec(QStringLiteral("CREATE TABLE T (A INTEGER)"));
    }
    registry->setValue(kTavorKey, QStringLiteral("_Server"), QStringLiteral("embedded:") + server);
    registry->setValue(kTavorKey, QStringLiteral("_DBase"), QStringLiteral("TAVOR_07"));
    platform.database = std::make_shared<RoutingDatabaseProvider>(
        test::embeddedRoute(), []() -> std::unique_ptr<DatabaseConnection> {
            throw Error(ErrorNumber::ProviderError, QStringLiteral("no SQL Server here"));
        });
    process->folder = root.filePath(QStringLiteral("program"));
    process->variables.insert(QStringLiteral("temp"), root.filePath(QStringLiteral("temp")));
    const QString dump = root.filePath(QStringLiteral("state.json"));
    qputenv("ORV_STATE_DUMP", dump.toUtf8());

    frmBackup window(platform);
    const int loaded = load(window);
    QFile::remove(dump);
    const QMap<QString, QString> before = filesBelow(root.path());
    const bool ended = [&] {
        try {
            window.Command3_Click();
        } catch (const ProcessEnded&) {
            return true;
        }
        return false;
    }();
    qunsetenv("ORV_STATE_DUMP");

    ASSERT_EQ(loaded, -1);
    ASSERT_TRUE(before.contains(server + QStringLiteral("/TAVOR_07.db")));
    EXPECT_TRUE(ended);
    EXPECT_EQ(process->endCalls, 1);
    QMap<QString, QString> after = filesBelow(root.path());
    EXPECT_TRUE(after.contains(dump));
    after.remove(dump);
    EXPECT_EQ(after, before);
    EXPECT_TRUE(messages->shown.isEmpty());
}
