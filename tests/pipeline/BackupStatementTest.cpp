#include "pipeline/BackupStatement.h"

#include <gtest/gtest.h>

using tavor::BackupStatement;

// Guards against quoting that changes a statement with ordinary names: those stand
// exactly as the server has always been sent them.
TEST(BackupStatement, PlainNamesAndPathsStandAsWritten) {
    EXPECT_EQ(BackupStatement::statement(QStringLiteral("TAVOR_SG"),
                                         QStringLiteral("D:\\Backup\\TAVOR_SG.bak"),
                                         QStringLiteral("pw#1")),
              QStringLiteral("BACKUP DATABASE TAVOR_SG TO DISK = 'D:\\Backup\\TAVOR_SG.bak' WITH "
                             "INIT , MEDIAPASSWORD='pw#1'"));
    EXPECT_EQ(BackupStatement::databaseName(QStringLiteral("LCS_007")), QStringLiteral("LCS_007"));
    EXPECT_EQ(BackupStatement::databaseName(QStringLiteral("فرع_1")), QStringLiteral("فرع_1"));
}

// Guards against values that end the statement early or change what it does: names
// that are not plain identifiers are bracketed with ']' doubled, apostrophes doubled,
// and the head that messages show never carries the password.
TEST(BackupStatement, UnsafeValuesCannotLeaveTheirPlace) {
    EXPECT_EQ(BackupStatement::databaseName(QStringLiteral("Tavor HS")),
              QStringLiteral("[Tavor HS]"));
    EXPECT_EQ(BackupStatement::databaseName(QStringLiteral("x] ; DROP DATABASE y --")),
              QStringLiteral("[x]] ; DROP DATABASE y --]"));
    EXPECT_EQ(BackupStatement::databaseName(QStringLiteral("7TAVOR")), QStringLiteral("[7TAVOR]"));
    EXPECT_EQ(BackupStatement::databaseName(QStringLiteral("Backup")), QStringLiteral("[Backup]"));
    EXPECT_EQ(BackupStatement::databaseName(QString()), QStringLiteral("[]"));

    const QString statement =
        BackupStatement::statement(QStringLiteral("HS"), QStringLiteral("C:\\O'Neil\\HS.bak"),
                                   QStringLiteral("a'; SHUTDOWN --"));
    EXPECT_EQ(statement, QStringLiteral("BACKUP DATABASE HS TO DISK = 'C:\\O''Neil\\HS.bak' WITH "
                                        "INIT , MEDIAPASSWORD='a''; SHUTDOWN --'"));
    EXPECT_EQ(BackupStatement::head(QStringLiteral("HS"), QStringLiteral("C:\\O'Neil\\HS.bak")),
              QStringLiteral("BACKUP DATABASE HS TO DISK = 'C:\\O''Neil\\HS.bak"));
}
