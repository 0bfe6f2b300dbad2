#include "support/EmbeddedServerFixture.h"

#include "embeddedserver/EmbeddedBackup.h"
#include "platform/database/SqlErrors.h"

namespace SqlError = tavor::SqlError;

namespace {

QString backupStatement(const QString& database, const QString& file, const QString& password) {
    return QStringLiteral("BACKUP DATABASE ") + database + QStringLiteral(" TO DISK = '") + file +
           QStringLiteral("' WITH INIT , MEDIAPASSWORD='") + password + QStringLiteral("'");
}

QByteArray contentOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class EmbeddedBackupTest : public EmbeddedServerFixture {
protected:
    QString target(const QString& name) const { return QDir(folder()).filePath(name); }
};

// The copy is a whole database with the committed rows, and the media password
// appears in it only as a salted hash.
TEST_F(EmbeddedBackupTest, WritesAConsistentCopyWithoutThePasswordInClear) {
    auto db = open();
    const QString bak = target(QStringLiteral("TAVOR_HS.bak"));
    const QString password = QStringLiteral("Secret-947x");
    {
        // Another client's open transaction must not leak into the copy.
        SqliteFile writer(file(QStringLiteral("TAVOR_HS")));
        writer.exec(QStringLiteral("BEGIN IMMEDIATE; INSERT INTO ORV_Jornal_Hist (Jr_Id) VALUES "
                                   "(9999)"));
        db->execute(backupStatement(QStringLiteral("tavor_hs"), bak, password));
        writer.exec(QStringLiteral("ROLLBACK"));
    }
    SqliteFile copy(bak);
    EXPECT_EQ(copy.scalar(QStringLiteral("PRAGMA integrity_check")).toString(),
              QStringLiteral("ok"));
    EXPECT_EQ(copy.scalar(QStringLiteral("SELECT COUNT(*) FROM ORV_Jornal_Hist")).toLongLong(),
              500);
    EXPECT_EQ(
        copy.scalar(QStringLiteral("SELECT database_name FROM tavor_backup_media")).toString(),
        QStringLiteral("TAVOR_HS"));
    EXPECT_FALSE(contentOf(bak).contains(password.toUtf8()));
    EXPECT_TRUE(tavor::EmbeddedBackup::matchesMediaPassword(bak, password));
    EXPECT_FALSE(tavor::EmbeddedBackup::matchesMediaPassword(bak, QStringLiteral("947")));
}

// WITH INIT replaces the earlier backup; without it an existing file is refused
// and left as it was.
TEST_F(EmbeddedBackupTest, WithInitReplacesAndWithoutInitKeepsTheFile) {
    auto db = open();
    const QString bak = target(QStringLiteral("TAVOR_07.bak"));
    db->execute(backupStatement(QStringLiteral("TAVOR_07"), bak, QStringLiteral("a")));
    db->execute(QStringLiteral("INSERT INTO ORV_System_Values (SV_Name, SV_Value) VALUES ('N', "
                               "'V')"));
    db->execute(backupStatement(QStringLiteral("TAVOR_07"), bak, QStringLiteral("a")));
    {
        SqliteFile copy(bak);
        EXPECT_EQ(
            copy.scalar(QStringLiteral("SELECT COUNT(*) FROM ORV_System_Values")).toLongLong(), 3);
        EXPECT_EQ(
            copy.scalar(QStringLiteral("SELECT COUNT(*) FROM tavor_backup_media")).toLongLong(), 1);
    }
    EXPECT_TRUE(tavor::EmbeddedBackup::matchesMediaPassword(bak, QStringLiteral("a")));
    const QByteArray before = contentOf(bak);
    EXPECT_EQ(errorOf([&] {
                  db->execute(QStringLiteral("BACKUP DATABASE TAVOR_07 TO DISK = '%1'").arg(bak));
              }),
              SqlError::BackupTerminated);
    EXPECT_EQ(contentOf(bak), before);
}

TEST_F(EmbeddedBackupTest, RefusesUnknownDatabaseMissingFolderAndBrokenStatement) {
    struct Case {
        const char* why;
        QString database;
        QString file;
        QString password;
        long error;
    };
    const Case cases[] = {
        {"unknown database", "LCS_007", target("x.bak"), "p", SqlError::UnknownDatabase},
        {"missing folder", "TAVOR_HS", target("no/such/x.bak"), "p", SqlError::BackupDeviceError},
        // The test share of a Windows server is no path on this host.
        {"share of a Windows server", "TAVOR_HS", "\\\\srv\\tavor\\backup\\test.bak", "947",
         SqlError::BackupDeviceError},
        // An apostrophe in the path ends the literal early: the statement is broken.
        {"apostrophe in the path", "TAVOR_HS", target("it's.bak"), "p", SqlError::UnclosedQuote},
        {"blank in the name", "TAVOR HS", target("x.bak"), "p", SqlError::IncorrectSyntax},
    };
    auto db = open();
    for (const Case& c : cases) {
        EXPECT_EQ(errorOf([&] { db->execute(backupStatement(c.database, c.file, c.password)); }),
                  c.error)
            << c.why;
    }
    EXPECT_EQ(QDir(folder()).entryList({QStringLiteral("*.bak*")}, QDir::Files).size(), 0);
}

namespace {

const char* const kJournalTable =
    "CREATE TABLE HS_Tmp.[dbo].[ORV_Jornal_Hist]( [Jr_Id] [int] NOT NULL, [Jr_User_Id] [int] NULL, "
    "[Jr_Ws_Id] [nchar](15) COLLATE SQL_Latin1_General_CP1_CI_AS NULL, [Jr_Function_Id] "
    "[nchar](5) COLLATE SQL_Latin1_General_CP1_CI_AS NULL, [JrFunction_Flag] [smallint] NULL, "
    "[Jr_Date] [datetime] NULL, [Jr_AccId] [bigint] NULL, [Jr_Amount] [bigint] NULL, "
    "[Jr_Parameters] [ntext] COLLATE SQL_Latin1_General_CP1_CI_AS NULL, [Jr_BssDate] "
    "[smalldatetime] NULL ) ON [PRIMARY] TEXTIMAGE_ON [PRIMARY]";

const char* const kJournalCopy =
    "INSERT INTO HS_Tmp.dbo.ORV_Jornal_Hist (Jr_Id, Jr_User_Id, Jr_Function_Id, JrFunction_Flag, "
    "Jr_Date, Jr_AccId, Jr_Amount, Jr_Parameters, Jr_BssDate) SELECT Jr_Id, Jr_User_Id, "
    "Jr_Function_Id, JrFunction_Flag, Jr_Date, Jr_AccId, Jr_Amount, Jr_Parameters, Jr_BssDate FROM "
    "TAVOR_HS.dbo.ORV_Jornal_Hist";

} // namespace

// The history extract: drop, create, create table, copy across databases, back up;
// a second round starts from an empty extract instead of appending.
TEST_F(EmbeddedBackupTest, HistoryExtractRunsTwiceWithoutAppending) {
    auto db = open();
    db->setCommandTimeout(360);
    EXPECT_EQ(errorOf([&] { db->execute(QStringLiteral("Drop Database HS_Tmp")); }),
              SqlError::CannotDropMissing);
    for (int round = 0; round < 2; ++round) {
        if (round > 0) {
            db->execute(QStringLiteral("Drop Database HS_Tmp"));
        }
        db->execute(QStringLiteral("CREATE DATABASE HS_Tmp"));
        db->execute(QString::fromLatin1(kJournalTable));
        db->execute(QString::fromLatin1(kJournalCopy));
    }
    EXPECT_EQ(errorOf([&] { db->execute(QString::fromLatin1(kJournalTable)); }),
              SqlError::ObjectExists);
    const QString bak = target(QStringLiteral("TAVOR_HS.bak"));
    db->execute(backupStatement(QStringLiteral("HS_Tmp"), bak, QStringLiteral("pw")));

    SqliteFile copy(bak);
    EXPECT_EQ(copy.scalar(QStringLiteral("SELECT COUNT(*) FROM ORV_Jornal_Hist")).toLongLong(),
              500);
    EXPECT_EQ(copy.scalar(QStringLiteral("SELECT COUNT(*) FROM ORV_Jornal_Hist WHERE Jr_Ws_Id IS "
                                         "NULL"))
                  .toLongLong(),
              500);
    EXPECT_EQ(copy.scalar(QStringLiteral("SELECT Jr_Parameters FROM ORV_Jornal_Hist WHERE Jr_Id = "
                                         "42"))
                  .toString(),
              QStringLiteral("p=42"));
    // The collation of the extract compares without case, like the server's.
    EXPECT_EQ(
        copy.scalar(QStringLiteral("SELECT COUNT(*) FROM ORV_Jornal_Hist WHERE Jr_Function_Id "
                                   "= 'f1'"))
            .toLongLong(),
        copy.scalar(QStringLiteral("SELECT COUNT(*) FROM ORV_Jornal_Hist WHERE Jr_Function_Id "
                                   "= 'F1'"))
            .toLongLong());
}

TEST_F(EmbeddedBackupTest, TheCurrentDatabaseCannotBeDropped) {
    auto db = open();
    EXPECT_EQ(errorOf([&] { db->execute(QStringLiteral("DROP DATABASE [tavor_07]")); }),
              SqlError::CannotDropInUse);
    EXPECT_TRUE(QFile::exists(file(QStringLiteral("TAVOR_07"))));
    db->execute(QStringLiteral("DROP DATABASE tavor_hs"));
    EXPECT_FALSE(QFile::exists(file(QStringLiteral("TAVOR_HS"))));
}
