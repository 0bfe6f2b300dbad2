#include "pipeline/serverbackup/BackupStatement.h"

#include <gtest/gtest.h>

using tavor::BackupStatement;

// Guards against values that end the statement early or change what it does: names
// that are not plain identifiers are bracketed with ']' doubled (plain ones, Arabic
// included, are not), apostrophes doubled, and the head never carries the password.
TEST(BackupStatement, UnsafeValuesCannotLeaveTheirPlace) {
    EXPECT_EQ(BackupStatement::databaseName(QStringLiteral("Tavor HS")),
              QStringLiteral("[Tavor HS]"));
    EXPECT_EQ(BackupStatement::databaseName(QStringLiteral("x] ; DROP DATABASE y --")),
              QStringLiteral("[x]] ; DROP DATABASE y --]"));
    EXPECT_EQ(BackupStatement::databaseName(QStringLiteral("7TAVOR")), QStringLiteral("[7TAVOR]"));
    EXPECT_EQ(BackupStatement::databaseName(QStringLiteral("Backup")), QStringLiteral("[Backup]"));
    EXPECT_EQ(BackupStatement::databaseName(QString()), QStringLiteral("[]"));
    EXPECT_EQ(BackupStatement::databaseName(QStringLiteral("فرع_1")), QStringLiteral("فرع_1"));

    const QString statement =
        BackupStatement::statement(QStringLiteral("HS"), QStringLiteral("C:\\O'Neil\\HS.bak"),
                                   QStringLiteral("a'; SHUTDOWN --"));
    EXPECT_EQ(statement, QStringLiteral("BACKUP DATABASE HS TO DISK = 'C:\\O''Neil\\HS.bak' WITH "
                                        "INIT , MEDIAPASSWORD='a''; SHUTDOWN --'"));
    EXPECT_EQ(BackupStatement::head(QStringLiteral("HS"), QStringLiteral("C:\\O'Neil\\HS.bak")),
              QStringLiteral("BACKUP DATABASE HS TO DISK = 'C:\\O''Neil\\HS.bak"));
}
