#include "pipeline/serverbackup/DatabaseBackup.h"
#include "PipelineFixture.h"

#include "platform/registry/RegistryKeys.h"
#include "support/FakeDatabase.h"

using namespace tavor;

namespace {

// The server's side as statements: a connection that records what it runs and
// refuses what the test says.
class DatabaseBackupTest : public PipelineFixture {
protected:
    void SetUp() override {
        PipelineFixture::SetUp();
        connection = fakeServer.createConnection();
        connection->open(QStringLiteral("Provider=SQLOLEDB.1"));
        clock->step = 1000;
    }
    void list(const QStringList& tags) {
        for (const QString& tag : tags)
            plan.rows.append({DataSet::Main, QStringLiteral("row"), tag, QString()});
    }
    QString statementFor(const QString& database, const QString& file) const {
        return QStringLiteral("BACKUP DATABASE %1 TO DISK = '%2' WITH INIT , MEDIAPASSWORD='%3'")
            .arg(database, file, mediaPassword);
    }
    QString verifyFor(const QString& file) const {
        return QStringLiteral("RESTORE VERIFYONLY FROM DISK = N'%1' WITH MEDIAPASSWORD = '%2'")
            .arg(file, mediaPassword);
    }

    FakeDatabaseProvider fakeServer;
};

} // namespace

// One statement per matching row, in list order, exactly as written for plain names.
TEST_F(DatabaseBackupTest, OneStatementPerRowInListOrder) {
    list({state.FinaFile, state.SgBakFile, state.LcsBakFile, state.HsBakFile, state.SgBakFile});
    const QMap<int, Outcome> written = DatabaseBackup(context).PreparingDatabase();
    EXPECT_EQ(written.keys(), (QList<int>{1, 2, 3, 4}));
    for (const Outcome& backup : written)
        EXPECT_TRUE(backup);
    EXPECT_EQ(
        fakeServer.state->statements,
        (QStringList{
            statementFor(QStringLiteral("TAVOR_SG"), state.SgBakFile), verifyFor(state.SgBakFile),
            statementFor(QStringLiteral("LCS_007"), state.LcsBakFile), verifyFor(state.LcsBakFile),
            statementFor(QStringLiteral("TAVOR_HS"), state.HsBakFile), verifyFor(state.HsBakFile),
            statementFor(QStringLiteral("TAVOR_SG"), state.SgBakFile),
            verifyFor(state.SgBakFile)}));
    EXPECT_EQ(connection->commandTimeout(), 3000);
    // The panel stayed up through the two-second wait, then went away.
    EXPECT_EQ(window.log.filter(QStringLiteral("busy")),
              (QStringList{QStringLiteral("busy on"), QStringLiteral("busy off")}));
    EXPECT_GE(window.timedPumps, 2);
}

// Names and literals cannot leave their place in the statement.
TEST_F(DatabaseBackupTest, OddNamesAreBracketedAndApostrophesDoubled) {
    state.SgDatabase = QStringLiteral("TAVOR SG]x");
    state.SgBakFile = QStringLiteral("/srv/o'brien/TAVOR_SG.bak");
    mediaPassword = QStringLiteral("pa'ss");
    list({state.SgBakFile});
    DatabaseBackup(context).PreparingDatabase();
    EXPECT_EQ(fakeServer.state->statements,
              (QStringList{QStringLiteral("BACKUP DATABASE [TAVOR SG]]x] TO DISK = "
                                          "'/srv/o''brien/TAVOR_SG.bak' WITH INIT , "
                                          "MEDIAPASSWORD='pa''ss'"),
                           QStringLiteral("RESTORE VERIFYONLY FROM DISK = "
                                          "N'/srv/o''brien/TAVOR_SG.bak' WITH MEDIAPASSWORD = "
                                          "'pa''ss'")}));
    // On a current server the certificate is a name of the statement like the database.
    state.ServerVersion = QStringLiteral("16.0.4135.4");
    registry->setValue(RegistryKeys::Technician, QStringLiteral("ServerCertificate"),
                       QStringLiteral("Cert]1"));
    fakeServer.state->statements.clear();
    DatabaseBackup(context).PreparingDatabase();
    EXPECT_EQ(fakeServer.state->statements.value(0),
              QStringLiteral("BACKUP DATABASE [TAVOR SG]]x] TO DISK = "
                             "N'/srv/o''brien/TAVOR_SG.bak' WITH FORMAT, INIT, CHECKSUM, "
                             "ENCRYPTION (ALGORITHM = AES_256, SERVER CERTIFICATE = [Cert]]1])"));
}

// A refused backup is reported as refused, and in maintenance mode shown without
// the password; outside it nothing is shown.
TEST_F(DatabaseBackupTest, RefusedBackupIsKeptAndShownOnlyInMaintenanceWithoutPassword) {
    connection->close();
    list({state.LcsBakFile, state.HsBakFile});
    const QMap<int, Outcome> written = DatabaseBackup(context).PreparingDatabase();
    ASSERT_EQ(written.keys(), (QList<int>{0, 1}));
    EXPECT_TRUE(written[0].failed() && written[1].failed());
    EXPECT_FALSE(written[1].reason().contains(mediaPassword));
    EXPECT_TRUE(messages->shown.isEmpty());

    state.CommandLine = QStringLiteral("/M");
    EXPECT_FALSE(DatabaseBackup(context).Backup_HS());
    ASSERT_EQ(messages->shown.size(), 1);
    const QString text = messages->shown.front().text;
    EXPECT_TRUE(text.startsWith(QStringLiteral("3704   ")));
    EXPECT_TRUE(text.endsWith(QStringLiteral("\r\nBACKUP DATABASE TAVOR_HS TO DISK = '") +
                              state.HsBakFile));
    EXPECT_FALSE(text.contains(mediaPassword));
}

// The maintenance list names each server backup, its protection and whether the
// server verified it, by the server's generation, and never the password.
TEST_F(DatabaseBackupTest, MaintenanceListNamesProtectionAndVerificationWithoutPassword) {
    state.CommandLine = QStringLiteral("/M");
    list({state.SgBakFile});
    const struct {
        QString version;
        QString certificate;
        bool refuse;
        QString line;
    } cases[] = {
        {{},
         {},
         false,
         QStringLiteral("BACKUP DATABASE TAVOR_SG TO DISK = '%1 | protection: media password | "
                        "verified: ok")},
        {QStringLiteral("16.0.4135.4"), QStringLiteral("TavorBackupCert"), false,
         QStringLiteral("BACKUP DATABASE TAVOR_SG TO DISK = N'%1 | protection: encrypted "
                        "(TavorBackupCert) | verified: ok")},
        {QStringLiteral("11.0.2100.60"),
         {},
         true,
         QStringLiteral("BACKUP DATABASE TAVOR_SG TO DISK = N'%1 | protection: none | verified: "
                        "not run, the backup was refused")},
    };
    for (const auto& c : cases) {
        state.ServerVersion = c.version;
        registry->setValue(RegistryKeys::Technician, QStringLiteral("ServerCertificate"),
                           c.certificate);
        fakeServer.state->refuseExecute = c.refuse;
        window.debugLines.clear();
        DatabaseBackup(context).PreparingDatabase();
        EXPECT_EQ(window.debugLines, QStringList{c.line.arg(state.SgBakFile)});
        EXPECT_FALSE(window.debugLines.join(QString()).contains(mediaPassword));
    }
}
