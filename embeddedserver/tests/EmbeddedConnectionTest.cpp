#include "support/EmbeddedServerFixture.h"

#include "platform/database/SqlErrors.h"

#include <QElapsedTimer>
#include <chrono>
#include <thread>

namespace SqlError = tavor::SqlError;

using EmbeddedConnectionTest = EmbeddedServerFixture;

TEST_F(EmbeddedConnectionTest, ReadsSystemValueAsTheWindowQueriesIt) {
    auto db = open();
    const auto value = db->readFirstValue(
        QStringLiteral("SELECT SV_Value FROM ORV_System_Values WHERE (SV_Name = 'Sys_BankName')"));
    ASSERT_TRUE(value);
    EXPECT_EQ(value->toString(), QStringLiteral("  بنك الاختبار "));
    EXPECT_FALSE(db->readFirstValue(
        QStringLiteral("SELECT SV_Value FROM ORV_System_Values WHERE (SV_Name = 'Sys_None')")));
}

// The server compares names without regard to case; so must the stand-in.
TEST_F(EmbeddedConnectionTest, MatchesDatabaseAndValueNamesWithoutCase) {
    auto db = open(QStringLiteral("tavor_07"));
    EXPECT_EQ(db->readFirstValue(QStringLiteral("select sv_value from orv_system_values where "
                                                "sv_name = ?"),
                                 {QStringLiteral("SYS_BRANCHNUM")})
                  ->toString(),
              QStringLiteral("7"));
    EXPECT_EQ(
        db->readFirstValue(QStringLiteral("SELECT COUNT(*) FROM tavor_hs.dbo.ORV_Jornal_Hist"))
            ->toLongLong(),
        500);
}

TEST_F(EmbeddedConnectionTest, CountsDatabasesInTheCatalogue) {
    auto db = open();
    const auto count = [&](const QString& name) {
        return db
            ->readFirstValue(QStringLiteral("SELECT COUNT(*) FROM master.dbo.sysdatabases WHERE "
                                            "(name = N'%1')")
                                 .arg(name))
            ->toLongLong();
    };
    EXPECT_EQ(count(QStringLiteral("tavor_hs")), 1);
    EXPECT_EQ(count(QStringLiteral("LCS_007")), 0);
    db->execute(QStringLiteral("CREATE DATABASE LCS_007"));
    EXPECT_EQ(count(QStringLiteral("LCS_007")), 1);
}

// A bound value is data: quotes and statement text in it never become SQL.
TEST_F(EmbeddedConnectionTest, BoundParametersAreStoredVerbatim) {
    auto db = open();
    const QString hostile = QStringLiteral("x'); DROP TABLE ORV_System_Values; --");
    db->execute(QStringLiteral("INSERT INTO ORV_System_Values (SV_Name, SV_Value) VALUES (?, ?)"),
                {QStringLiteral("O'Brien"), hostile});
    db->execute(QStringLiteral("UPDATE ORV_System_Values SET SV_Value = ? WHERE (SV_Name = ?)"),
                {QStringLiteral("'--"), QStringLiteral("Sys_BranchNum")});
    SqliteFile raw(file(QStringLiteral("TAVOR_07")));
    EXPECT_EQ(raw.scalar(QStringLiteral("SELECT SV_Value FROM ORV_System_Values WHERE SV_Name = "
                                        "'O''Brien'"))
                  .toString(),
              hostile);
    EXPECT_EQ(raw.scalar(QStringLiteral("SELECT SV_Value FROM ORV_System_Values WHERE SV_Name = "
                                        "'Sys_BranchNum'"))
                  .toString(),
              QStringLiteral("'--"));
    EXPECT_EQ(raw.scalar(QStringLiteral("SELECT COUNT(*) FROM ORV_System_Values")).toLongLong(), 3);
}

TEST_F(EmbeddedConnectionTest, ParameterCountMustMatchMarkers) {
    auto db = open();
    EXPECT_EQ(errorOf([&] {
                  db->readFirstValue(QStringLiteral("SELECT SV_Value FROM ORV_System_Values "
                                                    "WHERE SV_Name = ?"));
              }),
              SqlError::ParameterMismatch);
    EXPECT_EQ(errorOf([&] {
                  db->execute(QStringLiteral("CREATE DATABASE X1"), {QStringLiteral("extra")});
              }),
              SqlError::ParameterMismatch);
    EXPECT_FALSE(QFile::exists(file(QStringLiteral("X1"))));
}

// Each unsupported or wrong statement fails with the server's number, never a crash.
TEST_F(EmbeddedConnectionTest, FailuresCarryServerErrorNumbers) {
    auto db = open();
    EXPECT_EQ(errorOf([&] { db->execute(QStringLiteral("DELETE FROM ORV_System_Values")); }),
              SqlError::IncorrectSyntax);
    EXPECT_EQ(errorOf([&] { db->execute(QStringLiteral("SELECT SV_Value FROM")); }),
              SqlError::IncorrectSyntax);
    EXPECT_EQ(errorOf([&] {
                  db->execute(QStringLiteral("SELECT SV_Value FROM ORV_System_Values; SELECT 1"));
              }),
              SqlError::IncorrectSyntax);
    EXPECT_EQ(errorOf([&] { db->execute(QStringLiteral("SELECT a FROM No_Such_Table")); }),
              SqlError::InvalidObject);
    EXPECT_EQ(errorOf([&] { db->execute(QStringLiteral("SELECT a FROM other.dbo.ORV_X")); }),
              SqlError::UnknownDatabase);
    EXPECT_EQ(errorOf([&] { db->execute(QStringLiteral("SELECT Nope FROM ORV_System_Values")); }),
              SqlError::InvalidColumn);
    EXPECT_EQ(errorOf([&] { db->execute(QStringLiteral("CREATE TABLE T ([a] [money2] NULL)")); }),
              SqlError::UnknownType);
    EXPECT_EQ(errorOf([&] { db->execute(QStringLiteral("CREATE TABLE T (a int) ON [DATA2]")); }),
              1921);
    EXPECT_EQ(errorOf([&] { db->readFirstValue(QStringLiteral("CREATE DATABASE Y1")); }),
              SqlError::NoRecordset);
    EXPECT_FALSE(QFile::exists(file(QStringLiteral("Y1"))));
}

TEST_F(EmbeddedConnectionTest, OpeningAnUnknownDatabaseOrFolderFails) {
    tavor::EmbeddedConnection db;
    EXPECT_EQ(errorOf([&] { db.open(connectionString(QStringLiteral("TAVOR_99"))); }),
              SqlError::CannotOpenDatabase);
    EXPECT_FALSE(db.isOpen());
    EXPECT_EQ(errorOf([&] {
                  db.open(QStringLiteral("Initial Catalog=TAVOR_07;Data Source=embedded:%1/none")
                              .arg(folder()));
              }),
              tavor::ErrorNumber::ProviderError);
    EXPECT_EQ(errorOf([&] { db.execute(QStringLiteral("CREATE DATABASE Z")); }),
              SqlError::ConnectionClosed);
}

// A statement that runs past the command time-out is interrupted, and the
// connection stays usable afterwards.
TEST_F(EmbeddedConnectionTest, CommandTimeoutInterruptsALongStatement) {
    {
        SqliteFile raw(file(QStringLiteral("TAVOR_07")));
        raw.exec(QStringLiteral("CREATE VIEW Endless AS WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL "
                                "SELECT x + 1 FROM c) SELECT x FROM c"));
    }
    auto db = open();
    db->setCommandTimeout(1);
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(errorOf([&] { db->readFirstValue(QStringLiteral("SELECT COUNT(*) FROM Endless")); }),
              SqlError::Timeout);
    EXPECT_GE(clock.elapsed(), 900);
    EXPECT_EQ(
        db->readFirstValue(QStringLiteral("SELECT COUNT(*) FROM ORV_System_Values"))->toLongLong(),
        2);
}

// Guards against a moment's lock by another process reading as "not linked": opening
// must wait for the database file within the command time-out, as statements do.
TEST_F(EmbeddedConnectionTest, OpeningWaitsForAShortLockWithinTheCommandTimeout) {
    SqliteFile other(file(QStringLiteral("TAVOR_07")));
    other.exec(QStringLiteral("BEGIN EXCLUSIVE"));
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        other.exec(QStringLiteral("COMMIT"));
    });
    tavor::EmbeddedConnection db;
    db.setCommandTimeout(10);
    const long opened = errorOf([&] { db.open(connectionString(QStringLiteral("TAVOR_07"))); });
    release.join();
    EXPECT_EQ(opened, 0);
    ASSERT_TRUE(db.isOpen());
    EXPECT_EQ(
        db.readFirstValue(QStringLiteral("SELECT COUNT(*) FROM ORV_System_Values"))->toLongLong(),
        2);
}
