#pragma once

#include "pipeline/BackupContext.h"
#include "platform/api/ORVApi.h"
#include "platform/bank/ORV_Bank.h"
#include "platform/database/RoutingDatabaseProvider.h"
#include "platform/database/linux/OdbcConnection.h"
#include "support/EmbeddedRoute.h"
#include "support/FakeBackupWindow.h"
#include "support/ScriptedTdsPeer.h"
#include "support/SqliteFile.h"
#include "support/TestPlatform.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace tavor {

// A clock that moves only when a test moves it, or by a fixed step at each reading.
class StepClock : public Clock {
public:
    qint64 step = 0;
    mutable qint64 milliseconds = 0;
    QDateTime wall = QDateTime(QDate(2026, 12, 7), QTime(22, 0));

    qint64 monotonicMilliseconds() const override {
        const qint64 now = milliseconds;
        milliseconds += step;
        return now;
    }
    QDateTime now() const override { return wall; }
};

// A branch on the embedded server: database TAVOR_07 with its system values, a
// backup folder, a program folder, and the window's state as start-up leaves it.
class PipelineFixture : public testing::Test, protected TestPlatform {
protected:
    void SetUp() override {
        ASSERT_TRUE(root.isValid());
        QDir(root.path()).mkpath(QStringLiteral("server"));
        QDir(root.path()).mkpath(QStringLiteral("backup"));
        QDir(root.path()).mkpath(QStringLiteral("program"));
        SqliteFile branch(databaseFile(QStringLiteral("TAVOR_07")));
        branch.exec(QStringLiteral("CREATE TABLE ORV_System_Values (SV_Name TEXT, SV_Value TEXT)"));
        setSystemValue(QStringLiteral("Sys_BusinessDate"), QStringLiteral("2026-12-07"));

        process->folder = path(QStringLiteral("program"));
        process->variables.insert(QStringLiteral("temp"), root.path());
        platform.database = std::make_shared<RoutingDatabaseProvider>(
            test::embeddedRoute(), []() -> std::unique_ptr<DatabaseConnection> {
                throw Error(ErrorNumber::ProviderError, QStringLiteral("no SQL Server here"));
            });
        platform.clock = clock;

        state.DatabaseName = QStringLiteral("TAVOR_07");
        state.ServerName = QStringLiteral("embedded:") + path(QStringLiteral("server"));
        state.BackupPath = path(QStringLiteral("backup"));
        state.BranchNum = QStringLiteral("7");
        state.LcsDatabase = QStringLiteral("LCS_007");
        state.HsDatabase = QStringLiteral("TAVOR_HS");
        state.SgDatabase = QStringLiteral("TAVOR_SG");
        state.LcsBakFile = path(QStringLiteral("backup/TAVOR_LCS.bak"));
        state.HsBakFile = path(QStringLiteral("backup/TAVOR_HS.bak"));
        state.SgBakFile = path(QStringLiteral("backup/TAVOR_SG.bak"));
        state.FinaFile = path(QStringLiteral("backup/F0012007.mdb"));
        state.HistoryIntervalDays = 2;

        bank = std::make_unique<ORV_Bank>(platform.database, registry);
        QString server = state.ServerName;
        QString database = state.DatabaseName;
        bank->System().OpenConnection(server, database);
        connection = platform.database->createConnection();
        connection->open(QStringLiteral("Provider=SQLOLEDB.1;Password=;User ID=;Initial "
                                        "Catalog=TAVOR_07;Data Source=") +
                         state.ServerName);
    }

    // The pipeline's connection goes over ODBC to the scripted server instead.
    void connectTo(const ScriptedTdsPeer& server) {
        auto odbc = std::make_unique<OdbcConnection>();
        odbc->open(QStringLiteral("Provider=SQLOLEDB.1;Password=pw;User ID=sa;Initial "
                                  "Catalog=TAVOR_07;Data Source=127.0.0.1,%1")
                       .arg(server.port()));
        connection = std::move(odbc);
    }

    QString path(const QString& relative) const { return QDir(root.path()).filePath(relative); }
    QString databaseFile(const QString& name) const {
        return path(QStringLiteral("server/") + name + QStringLiteral(".db"));
    }
    void setSystemValue(const QString& name, const QString& value) {
        SqliteFile branch(databaseFile(QStringLiteral("TAVOR_07")));
        branch.exec(QStringLiteral("DELETE FROM ORV_System_Values WHERE SV_Name = '%1'").arg(name));
        branch.exec(
            QStringLiteral("INSERT INTO ORV_System_Values VALUES ('%1', '%2')").arg(name, value));
    }
    QString systemValue(const QString& name) {
        SqliteFile branch(databaseFile(QStringLiteral("TAVOR_07")));
        return branch
            .scalar(QStringLiteral("SELECT SV_Value FROM ORV_System_Values WHERE SV_Name = '%1'")
                        .arg(name))
            .toString();
    }
    // A satellite database on the server, with one table.
    void createDatabase(const QString& name) {
        SqliteFile database(databaseFile(name));
        database.exec(QStringLiteral("CREATE TABLE T (A INTEGER); INSERT INTO T VALUES (1)"));
    }
    QStringList rowTexts() const {
        QStringList texts;
        for (const FakeBackupWindow::Row& row : window.rows)
            texts << row.text;
        return texts;
    }

    QTemporaryDir root;
    std::shared_ptr<StepClock> clock = std::make_shared<StepClock>();
    FakeBackupWindow window;
    MainState state;
    std::unique_ptr<ORVApi> api;
    std::unique_ptr<ORV_Bank> bank;
    std::unique_ptr<DatabaseConnection> connection;
    QString mediaPassword = QStringLiteral("s3cret");
    FileListing fileList{files};
    BackupPlan plan;
    BackupContext context{platform,   window,        state,    api, bank,
                          connection, mediaPassword, fileList, plan};
};

} // namespace tavor
