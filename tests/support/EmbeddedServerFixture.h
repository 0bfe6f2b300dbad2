#pragma once

#include "base/Error.h"
#include "embeddedserver/EmbeddedConnection.h"
#include "support/SqliteFile.h"

#include <QDir>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

// A server folder with a branch database TAVOR_07 holding two system values and
// a history database TAVOR_HS with a journal.
class EmbeddedServerFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        SqliteFile branch(file(QStringLiteral("TAVOR_07")));
        branch.exec(QStringLiteral(
            "CREATE TABLE ORV_System_Values (SV_Name TEXT, SV_Value TEXT);"
            "INSERT INTO ORV_System_Values VALUES ('Sys_BankName', '  بنك الاختبار '),"
            "('Sys_BranchNum', '7');"));
        SqliteFile history(file(QStringLiteral("TAVOR_HS")));
        history.exec(QStringLiteral(
            "CREATE TABLE ORV_Jornal_Hist (Jr_Id INTEGER NOT NULL, Jr_User_Id INTEGER, Jr_Ws_Id "
            "TEXT, Jr_Function_Id TEXT, JrFunction_Flag INTEGER, Jr_Date TEXT, Jr_AccId INTEGER, "
            "Jr_Amount INTEGER, Jr_Parameters TEXT, Jr_BssDate TEXT);"
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 500) "
            "INSERT INTO ORV_Jornal_Hist SELECT i, i % 7, 'WS' || i, 'F' || (i % 90), i % 2, "
            "'2026-12-06 10:00:00', 1000 + i, i * 100, 'p=' || i, '2026-12-06' FROM n;"));
    }

    QString folder() const { return dir_.path(); }
    QString file(const QString& database) const {
        return QDir(dir_.path()).filePath(database + QStringLiteral(".db"));
    }
    QString connectionString(const QString& database) const {
        return QStringLiteral("Provider=SQLOLEDB.1;Password=;User ID=;Initial Catalog=%1;"
                              "Data Source=embedded:%2")
            .arg(database, folder());
    }
    std::unique_ptr<tavor::EmbeddedConnection> open(const QString& database = "TAVOR_07") {
        auto connection = std::make_unique<tavor::EmbeddedConnection>();
        connection->open(connectionString(database));
        return connection;
    }

    // The number of the error a statement raises; 0 when it succeeds.
    static long errorOf(const std::function<void()>& step) {
        try {
            step();
        } catch (const tavor::Error& e) {
            return e.number();
        }
        return 0;
    }

    QTemporaryDir dir_;
};
