#include "pipeline/serverbackup/HistoryExtract.h"

#include "base/Outcome.h"
#include "pipeline/BusyPanel.h"
#include "pipeline/serverbackup/BackupStatement.h"
#include "pipeline/serverbackup/ServerBackupStatements.h"

namespace tavor {

namespace {

const QString kExtract = QLatin1String(HistoryExtract::ExtractDatabase);
const QString kBusyCaption = QStringLiteral("جاري التحضير للنسخ");
const QString kDailyBalances = QStringLiteral("[ORV_L_dailybalances]");
const QString kLoansBalances = QStringLiteral("[ORV_L_LOANSBALANCES]");

const QString kBalanceColumns =
    QStringLiteral("[LOAN_ID] ,[L_ACCNUM] ,[BANK_LOAN_ID] ,[LOANAMOUNT] ,[INTRESTAMOUNT] "
                   ",[TOTPAYMENT] ,[PAIDPAYMENTS] ,[PAIDINTREST] ,[LOANRASEED] ,[INTRESTRASEED] "
                   ",[LDateapproved] ,[TRANSAMOUNT] ,[XDATE1] ,[L_ACCNAME] ,[LOANTYP_ID] "
                   ",[loanTypref] ,[SDELAYDfee] ,[Sdelaydint] ,[delaycount]");

// Jr_Ws_Id is left out on purpose: it stays NULL in the extract.
const QString kJournalColumns =
    QStringLiteral("Jr_Id, Jr_User_Id, Jr_Function_Id, JrFunction_Flag, Jr_Date, Jr_AccId, "
                   "Jr_Amount, Jr_Parameters, Jr_BssDate");

} // namespace

bool HistoryExtract::Backup_HS_Express() {
    // A backup that may not be sent needs no extract either.
    const ServerBackupStatements statements = ServerBackupStatements::of(context_);
    if (statements.sendable().failed())
        return false;
    ignoreFailure([&] { context_.databaseConnection().setCommandTimeout(CommandTimeoutSeconds); });
    BusyPanel busy(context_);
    busy.ShowAVI(true, kBusyCaption);

    // No extract left over is the usual case: the drop's failure means nothing.
    execute(QStringLiteral("Drop Database ") + kExtract);
    const bool extractIsNew = !execute(QStringLiteral("CREATE DATABASE ") + kExtract).failed();
    if (extractIsNew) {
        executeAndPump(journalTable());
        executeAndPump(balancesTable(kDailyBalances));
        executeAndPump(balancesTable(kLoansBalances));
        executeAndPump(journalCopy());
        executeAndPump(balancesCopy(kLoansBalances));
        executeAndPump(balancesCopy(kDailyBalances));
    }
    busy.ShowAVI(false, QString());
    if (!extractIsNew)
        return false;

    // A backup the server cannot read back is no backup.
    return !execute(statements.backup(kExtract, context_.state.HsBakFile)).failed() &&
           !execute(statements.verify(context_.state.HsBakFile)).failed();
}

Outcome HistoryExtract::execute(const QString& sql) {
    return Outcome::of([&] { context_.databaseConnection().execute(sql); });
}

// The extract's tables and copies fail silently: the backup at the end says whether
// there is anything to take.
void HistoryExtract::executeAndPump(const QString& sql) {
    execute(sql);
    ignoreFailure([&] { context_.window.pumpEvents(); });
}

QString HistoryExtract::journalTable() {
    return QStringLiteral("CREATE TABLE ") + kExtract +
           QStringLiteral(
               ".[dbo].[ORV_Jornal_Hist]( [Jr_Id] [int] NOT NULL, [Jr_User_Id] [int] NULL, "
               "[Jr_Ws_Id] [nchar](15) COLLATE SQL_Latin1_General_CP1_CI_AS NULL, "
               "[Jr_Function_Id] [nchar](5) COLLATE SQL_Latin1_General_CP1_CI_AS NULL, "
               "[JrFunction_Flag] [smallint] NULL, [Jr_Date] [datetime] NULL, [Jr_AccId] "
               "[bigint] NULL, [Jr_Amount] [bigint] NULL, [Jr_Parameters] [ntext] COLLATE "
               "SQL_Latin1_General_CP1_CI_AS NULL, [Jr_BssDate] [smalldatetime] NULL ) ON "
               "[PRIMARY] TEXTIMAGE_ON [PRIMARY]");
}

QString HistoryExtract::balancesTable(const QString& table) {
    return QStringLiteral("CREATE TABLE ") + kExtract + QStringLiteral(".[dbo].") + table +
           QStringLiteral(
               "( [LOAN_ID] [int] NULL, [L_ACCNUM] [nchar](15) COLLATE "
               "SQL_Latin1_General_CP1_CI_AS NULL, [BANK_LOAN_ID] [nchar](15) COLLATE "
               "SQL_Latin1_General_CP1_CI_AS NULL, [LOANAMOUNT] [float] NULL, [INTRESTAMOUNT] "
               "[float] NULL, [TOTPAYMENT] [float] NULL, [PAIDPAYMENTS] [float] NULL, "
               "[PAIDINTREST] [float] NULL, [LOANRASEED] [float] NULL, [INTRESTRASEED] [float] "
               "NULL, [LDateapproved] [smalldatetime] NULL, [TRANSAMOUNT] [float] NULL, "
               "[XDATE1] [smalldatetime] NULL, [L_ACCNAME] [nchar](80) COLLATE "
               "SQL_Latin1_General_CP1_CI_AS NULL, [LOANTYP_ID] [int] NULL, [loanTypref] "
               "[nchar](15) COLLATE SQL_Latin1_General_CP1_CI_AS NULL, [SDELAYDfee] [float] "
               "NULL, [Sdelaydint] [float] NULL, [delaycount] [int] NULL ) ON [PRIMARY]");
}

QString HistoryExtract::journalCopy() const {
    return QStringLiteral("INSERT INTO ") + kExtract + QStringLiteral(".dbo.ORV_Jornal_Hist (") +
           kJournalColumns + QStringLiteral(") SELECT ") + kJournalColumns +
           QStringLiteral(" FROM ") + BackupStatement::databaseName(context_.state.HsDatabase) +
           QStringLiteral(".dbo.ORV_Jornal_Hist");
}

QString HistoryExtract::balancesCopy(const QString& table) const {
    return QStringLiteral("INSERT INTO ") + kExtract + QStringLiteral(".dbo.") + table +
           QStringLiteral(" (") + kBalanceColumns + QStringLiteral(") select ") + kBalanceColumns +
           QStringLiteral(" from ") + BackupStatement::databaseName(context_.state.HsDatabase) +
           QStringLiteral(".[dbo].") + table;
}

} // namespace tavor
