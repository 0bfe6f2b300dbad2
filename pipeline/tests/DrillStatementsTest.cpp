#include "PipelineFixture.h"
#include "pipeline/commands/DrillRun.h"
#include "platform/registry/RegistryKeys.h"
#include "support/ScriptedTdsPeer.h"
#include "support/TestFiles.h"

#include <QCryptographicHash>

using namespace tavor;
using Reply = ScriptedTdsPeer::Reply;

namespace {

// A dated folder of one plain server backup, drilled on a real ODBC connection to a
// scripted server that records every statement.
class DrillStatementsTest : public PipelineFixture {
protected:
    void SetUp() override {
        PipelineFixture::SetUp();
        QDir(root.path()).mkpath(QStringLiteral("dated"));
        QDir(root.path()).mkpath(QStringLiteral("drill's"));
        const QByteArray backup(70000, 'b');
        test::writeFile(path(QStringLiteral("dated/O'Brien]07.bak")), backup);
        test::writeFile(path(QStringLiteral("dated/SHA256SUMS")),
                        QCryptographicHash::hash(backup, QCryptographicHash::Sha256).toHex() +
                            "  O'Brien]07.bak\n");
        registry->setValue(RegistryKeys::Technician, QStringLiteral("DrillFolder"),
                           path(QStringLiteral("drill's")));
    }

    // Every statement the server received for a drill of the folder, in order.
    QStringList drillOn(const QString& version) {
        ScriptedTdsPeer server;
        // The drill database is not there before the drill, and is after the restore.
        server.scriptOnce(QStringLiteral("sysdatabases"), Reply::scalar(QStringLiteral("0")));
        server.script(QStringLiteral("sysdatabases"), Reply::scalar(QStringLiteral("1")));
        server.script(
            QStringLiteral("FILELISTONLY"),
            Reply::table(
                {QStringLiteral("LogicalName"), QStringLiteral("PhysicalName"),
                 QStringLiteral("Type"), QStringLiteral("FileGroupName"), QStringLiteral("Size")},
                {{QStringLiteral("Tavor"), QStringLiteral("D:\\Tavor.mdf"), QStringLiteral("D"),
                  QStringLiteral("PRIMARY"), QStringLiteral("3145728")},
                 {QStringLiteral("Tavor_log"), QStringLiteral("D:\\Tavor.ldf"), QStringLiteral("L"),
                  QString(), QStringLiteral("1048576")}}));
        server.script(QStringLiteral("RESTORE DATABASE"), Reply::done());
        server.script(QStringLiteral("DBCC CHECKDB"), Reply::done());
        server.script(QStringLiteral("name = N'ORV_System_Values'"),
                      Reply::scalar(QStringLiteral("0")));
        server.script(QStringLiteral("is_ms_shipped"), Reply::scalar(QStringLiteral("3")));
        server.script(QStringLiteral("DROP DATABASE"), Reply::done());
        connectTo(server);
        const qsizetype before = server.requests().size();
        state.ServerVersion = version;
        QStringList lines;
        EXPECT_EQ(DrillRun(context, path(QStringLiteral("dated")),
                           [&](const QString& line) { lines << line; })
                      .run(),
                  DrillRun::AllRestored)
            << lines.join(QLatin1Char('\n')).toStdString();
        EXPECT_TRUE(lines.join(QLatin1Char('\n')).contains(QStringLiteral(": RESTORED, ")));
        EXPECT_TRUE(QDir(path(QStringLiteral("drill's"))).isEmpty());
        QStringList sent;
        for (const QByteArray& request : server.requests().mid(before))
            sent << ScriptedTdsPeer::batchText(request);
        return sent;
    }
};

} // namespace

// Guards the drill's statements, as a real server receives them, against drifting in
// content, quoting or order: the media password only for an old server, each logical
// file moved into the drill folder, every name bracketed and every literal doubled.
TEST_F(DrillStatementsTest, EachServerGenerationReceivesTheDrillsStatementsInOrder) {
    const QString drill = path(QStringLiteral("drill''s"));
    const QString bak = drill + QStringLiteral("/TavorDrill_O''Brien]07.bak");
    const QString database = QStringLiteral("[TavorDrill_O'Brien]]07]");
    const QString exists = QStringLiteral(
        "SELECT COUNT(*) FROM master.dbo.sysdatabases WHERE name = N'TavorDrill_O''Brien]07'");
    const auto statements = [&](const QString& password) {
        const QString with = password.isEmpty() ? QString() : QStringLiteral(", ") + password;
        return QStringList{
            exists,
            QStringLiteral("RESTORE FILELISTONLY FROM DISK = N'%1'%2")
                .arg(bak, password.isEmpty() ? QString() : QStringLiteral(" WITH ") + password),
            QStringLiteral("RESTORE DATABASE %1 FROM DISK = N'%2' WITH MOVE N'Tavor' TO "
                           "N'%3/TavorDrill_O''Brien]07_1.mdf', MOVE N'Tavor_log' TO "
                           "N'%3/TavorDrill_O''Brien]07_2.ldf', RECOVERY%4")
                .arg(database, bak, drill, with),
            QStringLiteral("DBCC CHECKDB (%1) WITH NO_INFOMSGS, ALL_ERRORMSGS").arg(database),
            QStringLiteral("SELECT COUNT(*) FROM %1.sys.tables WHERE name = N'ORV_System_Values'")
                .arg(database),
            QStringLiteral("SELECT COUNT(*) FROM %1.sys.tables WHERE is_ms_shipped = 0")
                .arg(database),
            exists,
            QStringLiteral("DROP DATABASE %1").arg(database)};
    };
    EXPECT_EQ(drillOn(QStringLiteral("10.50.6000.34")),
              statements(QStringLiteral("MEDIAPASSWORD = '%1'").arg(mediaPassword)));
    EXPECT_EQ(drillOn(QStringLiteral("16.0.4135.4")), statements({}));
}
