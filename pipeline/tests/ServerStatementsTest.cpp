#include "PipelineFixture.h"
#include "pipeline/serverbackup/DatabaseBackup.h"
#include "pipeline/serverbackup/HistoryExtract.h"
#include "pipeline/serverbackup/TestBackup.h"
#include "pipeline/startup/StartUp.h"

#include "platform/registry/RegistryKeys.h"
#include "support/ScriptedTdsPeer.h"

#include <functional>

using namespace tavor;
using Reply = ScriptedTdsPeer::Reply;

namespace {

// The pipeline on a real ODBC connection to a scripted server that records what
// it receives.
class ServerStatementsTest : public PipelineFixture {
protected:
    void SetUp() override {
        PipelineFixture::SetUp();
        connectTo(peer);
        sentBefore = peer.requests().size();
    }

    QStringList received() const {
        QStringList texts;
        const QList<QByteArray> requests = peer.requests();
        for (qsizetype i = sentBefore; i < requests.size(); ++i)
            texts << ScriptedTdsPeer::batchText(requests.at(i));
        return texts;
    }

    ScriptedTdsPeer peer;
    qsizetype sentBefore = 0;
};

} // namespace

// Guards against any character of the extract's statements drifting from what the
// server expects, in content or order; a refused drop (no extract yet) is silent.
TEST_F(ServerStatementsTest, HistoryExtractSendsItsStatementsInOrder) {
    peer.script(
        QStringLiteral("Drop Database"),
        Reply::error(3701, QStringLiteral("Cannot drop the database 'HS_Tmp', because it "
                                          "does not exist or you do not have permission.")));
    const QString E = QStringLiteral("HS_Tmp");
    const QString H = QStringLiteral("TAVOR_HS");
    const QString balances = QStringLiteral(
        "( [LOAN_ID] [int] NULL, [L_ACCNUM] [nchar](15) COLLATE SQL_Latin1_General_CP1_CI_AS NULL, "
        "[BANK_LOAN_ID] [nchar](15) COLLATE SQL_Latin1_General_CP1_CI_AS NULL, [LOANAMOUNT] "
        "[float] NULL, [INTRESTAMOUNT] [float] NULL, [TOTPAYMENT] [float] NULL, [PAIDPAYMENTS] "
        "[float] NULL, [PAIDINTREST] [float] NULL, [LOANRASEED] [float] NULL, [INTRESTRASEED] "
        "[float] NULL, [LDateapproved] [smalldatetime] NULL, [TRANSAMOUNT] [float] NULL, [XDATE1] "
        "[smalldatetime] NULL, [L_ACCNAME] [nchar](80) COLLATE SQL_Latin1_General_CP1_CI_AS NULL, "
        "[LOANTYP_ID] [int] NULL, [loanTypref] [nchar](15) COLLATE SQL_Latin1_General_CP1_CI_AS "
        "NULL, [SDELAYDfee] [float] NULL, [Sdelaydint] [float] NULL, [delaycount] [int] NULL ) ON "
        "[PRIMARY]");
    const QString copy = QStringLiteral(
        " ([LOAN_ID] ,[L_ACCNUM] ,[BANK_LOAN_ID] ,[LOANAMOUNT] ,[INTRESTAMOUNT] ,[TOTPAYMENT] "
        ",[PAIDPAYMENTS] ,[PAIDINTREST] ,[LOANRASEED] ,[INTRESTRASEED] ,[LDateapproved] "
        ",[TRANSAMOUNT] ,[XDATE1] ,[L_ACCNAME] ,[LOANTYP_ID] ,[loanTypref] ,[SDELAYDfee] "
        ",[Sdelaydint] ,[delaycount]) select [LOAN_ID] ,[L_ACCNUM] ,[BANK_LOAN_ID] ,[LOANAMOUNT] "
        ",[INTRESTAMOUNT] ,[TOTPAYMENT] ,[PAIDPAYMENTS] ,[PAIDINTREST] ,[LOANRASEED] "
        ",[INTRESTRASEED] ,[LDateapproved] ,[TRANSAMOUNT] ,[XDATE1] ,[L_ACCNAME] ,[LOANTYP_ID] "
        ",[loanTypref] ,[SDELAYDfee] ,[Sdelaydint] ,[delaycount] from ");
    const QStringList expected = {
        QStringLiteral("Drop Database ") + E,
        QStringLiteral("CREATE DATABASE ") + E,
        QStringLiteral("CREATE TABLE ") + E +
            QStringLiteral(".[dbo].[ORV_Jornal_Hist]( [Jr_Id] [int] NOT NULL, [Jr_User_Id] [int] "
                           "NULL, [Jr_Ws_Id] [nchar](15) COLLATE SQL_Latin1_General_CP1_CI_AS "
                           "NULL, [Jr_Function_Id] [nchar](5) COLLATE SQL_Latin1_General_CP1_CI_AS "
                           "NULL, [JrFunction_Flag] [smallint] NULL, [Jr_Date] [datetime] NULL, "
                           "[Jr_AccId] [bigint] NULL, [Jr_Amount] [bigint] NULL, [Jr_Parameters] "
                           "[ntext] COLLATE SQL_Latin1_General_CP1_CI_AS NULL, [Jr_BssDate] "
                           "[smalldatetime] NULL ) ON [PRIMARY] TEXTIMAGE_ON [PRIMARY]"),
        QStringLiteral("CREATE TABLE ") + E + QStringLiteral(".[dbo].[ORV_L_dailybalances]") +
            balances,
        QStringLiteral("CREATE TABLE ") + E + QStringLiteral(".[dbo].[ORV_L_LOANSBALANCES]") +
            balances,
        QStringLiteral("INSERT INTO ") + E +
            QStringLiteral(".dbo.ORV_Jornal_Hist (Jr_Id, Jr_User_Id, Jr_Function_Id, "
                           "JrFunction_Flag, Jr_Date, Jr_AccId, Jr_Amount, Jr_Parameters, "
                           "Jr_BssDate) SELECT Jr_Id, Jr_User_Id, Jr_Function_Id, JrFunction_Flag, "
                           "Jr_Date, Jr_AccId, Jr_Amount, Jr_Parameters, Jr_BssDate FROM ") +
            H + QStringLiteral(".dbo.ORV_Jornal_Hist"),
        QStringLiteral("INSERT INTO ") + E + QStringLiteral(".dbo.[ORV_L_LOANSBALANCES]") + copy +
            H + QStringLiteral(".[dbo].[ORV_L_LOANSBALANCES]"),
        QStringLiteral("INSERT INTO ") + E + QStringLiteral(".dbo.[ORV_L_dailybalances]") + copy +
            H + QStringLiteral(".[dbo].[ORV_L_dailybalances]"),
        QStringLiteral("BACKUP DATABASE ") + E + QStringLiteral(" TO DISK = '") + state.HsBakFile +
            QStringLiteral("' WITH INIT , MEDIAPASSWORD='") + mediaPassword + QStringLiteral("'"),
        QStringLiteral("RESTORE VERIFYONLY FROM DISK = N'") + state.HsBakFile +
            QStringLiteral("' WITH MEDIAPASSWORD = '") + mediaPassword + QStringLiteral("'"),
    };

    EXPECT_TRUE(HistoryExtract(context).Backup_HS_Express());
    const QStringList sent = received();
    ASSERT_EQ(sent.size(), expected.size()) << sent.join(QLatin1Char('\n')).toStdString();
    for (qsizetype i = 0; i < expected.size(); ++i)
        EXPECT_EQ(sent.at(i), expected.at(i)) << "statement " << i;
    EXPECT_EQ(connection->commandTimeout(), 360);
}

// Guards against a test statement that differs from the one shown, or is sent
// before the window could show it, and against a missing "OK".
TEST_F(ServerStatementsTest, TestBackupShowsThenSendsTheExactStatement) {
    state.ServerName = QStringLiteral("BRANCH-SRV");
    state.DatabaseName = QStringLiteral("TAVOR_07");
    const QString expected = QStringLiteral("BACKUP DATABASE TAVOR_07 TO DISK = "
                                            "'\\\\BRANCH-SRV\\tavor\\backup\\test.bak' WITH INIT "
                                            ", MEDIAPASSWORD='947'");
    int pumpsWhileShownUnsent = 0;
    window.onPump = [&] {
        pumpsWhileShownUnsent += !window.testStatement.isEmpty() && received().isEmpty();
    };

    TestBackup(context).cmdTest_Click();
    EXPECT_EQ(window.testStatement, expected);
    EXPECT_GE(pumpsWhileShownUnsent, 1) << "the window had no chance to show the statement first";
    EXPECT_EQ(received(), QStringList{expected});
    ASSERT_EQ(messages->shown.size(), 1);
    EXPECT_EQ(messages->shown.front().text, QStringLiteral("OK"));
    EXPECT_EQ(messages->shown.front().title, process->title);
    EXPECT_EQ(messages->shown.front().buttons, MessageButtons::Ok);
}

// Guards against a server of any generation getting another's statements: a 10.50
// server takes the media password and verifies with it; a 16 refuses the media
// password, takes a new media set with the checksum and verifies with it, and a
// verification it refuses fails that row alone; an 11 with a certificate named is
// sent no backup, for it cannot encrypt.
TEST_F(ServerStatementsTest, EachServerGenerationGetsItsOwnStatementsInOrder) {
    const QString versionQuery =
        QStringLiteral("SELECT CAST(SERVERPROPERTY('ProductVersion') AS nvarchar(128))");
    const auto old = [&](const QString& database, const QString& file) {
        return QStringList{
            QStringLiteral("BACKUP DATABASE %1 TO DISK = '%2' WITH INIT , MEDIAPASSWORD='%3'")
                .arg(database, file, mediaPassword),
            QStringLiteral("RESTORE VERIFYONLY FROM DISK = N'%1' WITH MEDIAPASSWORD = '%2'")
                .arg(file, mediaPassword)};
    };
    const auto current = [](const QString& database, const QString& file) {
        return QStringList{
            QStringLiteral("BACKUP DATABASE %1 TO DISK = N'%2' WITH FORMAT, INIT, CHECKSUM")
                .arg(database, file),
            QStringLiteral("RESTORE VERIFYONLY FROM DISK = N'%1' WITH CHECKSUM").arg(file)};
    };
    const auto nothing = [](const QString&, const QString&) { return QStringList{}; };
    const struct {
        QString version;
        std::function<QStringList(const QString&, const QString&)> statements;
        QList<bool> failed;
        QString certificate;
    } generations[] = {
        {QStringLiteral("10.50.6000.34"), old, {false, false, false}, {}},
        {QStringLiteral("16.0.4135.4"), current, {true, false, false}, {}},
        {QStringLiteral("11.0.7001.0"), nothing, {true, true, true}, "TavorBackupCert"},
    };
    clock->step = 1000; // the busy panel's wait passes at once
    for (const QString& file : {state.LcsBakFile, state.HsBakFile, state.SgBakFile})
        plan.rows.append({DataSet::Main, QStringLiteral("row"), file, QString()});
    for (const auto& generation : generations) {
        ScriptedTdsPeer server;
        server.script(QStringLiteral("SERVERPROPERTY('ProductVersion')"),
                      Reply::scalar(generation.version));
        server.script(QStringLiteral("BACKUP DATABASE"), Reply::backupLike(2));
        if (generation.version.startsWith(QLatin1String("16"))) {
            server.script(QStringLiteral("MEDIAPASSWORD"),
                          Reply::error(155, QStringLiteral("'MEDIAPASSWORD' is not a recognized "
                                                           "BACKUP option.")));
            server.scriptOnce(QStringLiteral("RESTORE VERIFYONLY"),
                              Reply::error(3241, QStringLiteral("The media family on device is "
                                                                "incorrectly formed.")));
        }
        registry->setValue(RegistryKeys::Technician, QStringLiteral("ServerCertificate"),
                           generation.certificate);
        connectTo(server);
        const qsizetype before = server.requests().size();

        state.ServerVersion =
            StartUp::ServerProperty(*connection, QStringLiteral("ProductVersion"));
        const QMap<int, Outcome> written = DatabaseBackup(context).PreparingDatabase();

        EXPECT_EQ(state.ServerVersion, generation.version);
        QStringList expected{versionQuery};
        expected << generation.statements(state.LcsDatabase, state.LcsBakFile)
                 << generation.statements(state.HsDatabase, state.HsBakFile)
                 << generation.statements(state.SgDatabase, state.SgBakFile);
        QStringList sent;
        for (const QByteArray& request : server.requests().mid(before))
            sent << ScriptedTdsPeer::batchText(request);
        EXPECT_EQ(sent, expected) << generation.version.toStdString();
        QList<bool> failed;
        for (const Outcome& outcome : written)
            failed << outcome.failed();
        EXPECT_EQ(failed, generation.failed) << generation.version.toStdString();
    }
}
