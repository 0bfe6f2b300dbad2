#include "pipeline/serverbackup/HistoryExtract.h"
#include "PipelineFixture.h"

#include "embeddedserver/EmbeddedBackup.h"
#include "platform/registry/RegistryKeys.h"
#include "support/TestFiles.h"

#include <QFileInfo>

using namespace tavor;

namespace {

const QStringList kJournalColumns = {
    QStringLiteral("Jr_Id"),           QStringLiteral("Jr_User_Id"),
    QStringLiteral("Jr_Ws_Id"),        QStringLiteral("Jr_Function_Id"),
    QStringLiteral("JrFunction_Flag"), QStringLiteral("Jr_Date"),
    QStringLiteral("Jr_AccId"),        QStringLiteral("Jr_Amount"),
    QStringLiteral("Jr_Parameters"),   QStringLiteral("Jr_BssDate")};

const QStringList kBalanceColumns = {
    QStringLiteral("LOAN_ID"),       QStringLiteral("L_ACCNUM"),
    QStringLiteral("BANK_LOAN_ID"),  QStringLiteral("LOANAMOUNT"),
    QStringLiteral("INTRESTAMOUNT"), QStringLiteral("TOTPAYMENT"),
    QStringLiteral("PAIDPAYMENTS"),  QStringLiteral("PAIDINTREST"),
    QStringLiteral("LOANRASEED"),    QStringLiteral("INTRESTRASEED"),
    QStringLiteral("LDateapproved"), QStringLiteral("TRANSAMOUNT"),
    QStringLiteral("XDATE1"),        QStringLiteral("L_ACCNAME"),
    QStringLiteral("LOANTYP_ID"),    QStringLiteral("loanTypref"),
    QStringLiteral("SDELAYDfee"),    QStringLiteral("Sdelaydint"),
    QStringLiteral("delaycount")};

QStringList columnsOf(SqliteFile& file, const QString& table) {
    QStringList names;
    sqlite3_stmt* query = nullptr;
    const QByteArray sql = QStringLiteral("PRAGMA table_info(\"%1\")").arg(table).toUtf8();
    if (sqlite3_prepare_v2(file.handle(), sql.constData(), -1, &query, nullptr) != SQLITE_OK)
        return names;
    while (sqlite3_step(query) == SQLITE_ROW)
        names << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(query, 1)));
    sqlite3_finalize(query);
    return names;
}

// A connection that refuses statements starting with a given text and hands the
// rest to the real one.
class RefusingConnection : public DatabaseConnection {
public:
    RefusingConnection(std::unique_ptr<DatabaseConnection> inner, QString refused)
        : inner_(std::move(inner)), refused_(std::move(refused)) {}
    void open(const QString& text) override { inner_->open(text); }
    void close() override { inner_->close(); }
    bool isOpen() const override { return inner_->isOpen(); }
    void setCommandTimeout(int seconds) override { inner_->setCommandTimeout(seconds); }
    int commandTimeout() const override { return inner_->commandTimeout(); }
    void execute(const QString& sql, const QList<QVariant>& parameters) override {
        if (sql.startsWith(refused_))
            throw Error(SqlError, QStringLiteral("refused: ") + sql);
        inner_->execute(sql, parameters);
    }
    std::optional<QVariant> readFirstValue(const QString& sql,
                                           const QList<QVariant>& parameters) override {
        return inner_->readFirstValue(sql, parameters);
    }
    static constexpr long SqlError = 3702;

private:
    std::unique_ptr<DatabaseConnection> inner_;
    QString refused_;
};

class HistoryExtractTest : public PipelineFixture {
protected:
    void SetUp() override {
        PipelineFixture::SetUp();
        SqliteFile history(databaseFile(QStringLiteral("TAVOR_HS")));
        history.exec(QStringLiteral("CREATE TABLE ORV_Jornal_Hist (Jr_Id INTEGER NOT NULL, "
                                    "Jr_User_Id INTEGER, Jr_Ws_Id TEXT, Jr_Function_Id TEXT, "
                                    "JrFunction_Flag INTEGER, Jr_Date TEXT, Jr_AccId INTEGER, "
                                    "Jr_Amount INTEGER, Jr_Parameters TEXT, Jr_BssDate TEXT)"));
        history.exec(QStringLiteral(
            "INSERT INTO ORV_Jornal_Hist VALUES (1, 4, 'WS-07', 'F100', 1, '2026-12-06 10:15:00', "
            "9000000001, 250000, 'حوالة ''داخلية''', '2026-12-06'), (2, 5, 'WS-08', 'F200', 0, "
            "'2026-12-07 09:00:00', 9000000002, 100, NULL, '2026-12-07')"));
        for (const QString& table :
             {QStringLiteral("ORV_L_dailybalances"), QStringLiteral("ORV_L_LOANSBALANCES")}) {
            history.exec(QStringLiteral("CREATE TABLE %1 (%2)")
                             .arg(table, kBalanceColumns.join(QStringLiteral(", "))));
        }
        history.exec(QStringLiteral("INSERT INTO ORV_L_LOANSBALANCES (LOAN_ID, L_ACCNAME, "
                                    "LOANAMOUNT, delaycount) VALUES (71, 'محمد', 1500.5, 2), "
                                    "(72, 'سعاد', 99.25, 0), (73, 'x', 1, 1)"));
        history.exec(QStringLiteral("INSERT INTO ORV_L_dailybalances (LOAN_ID, L_ACCNAME, "
                                    "LOANAMOUNT, delaycount) VALUES (81, 'يومي', 10, 3)"));
    }

    bool run() { return HistoryExtract(context).Backup_HS_Express(); }
    qlonglong rowsIn(const QString& file, const QString& table) {
        SqliteFile copy(file);
        return copy.scalar(QStringLiteral("SELECT COUNT(*) FROM \"%1\"").arg(table)).toLongLong();
    }
    QString extractFile() { return databaseFile(QStringLiteral("HS_Tmp")); }
};

} // namespace

// Guards against a first run that gives up because no earlier extract existed, and
// against an extract whose tables or rows differ from the history: the backup file
// holds the three tables with their columns and every row, Jr_Ws_Id left empty.
TEST_F(HistoryExtractTest, FirstRunBacksUpAFreshExtractOfTheThreeTables) {
    ASSERT_FALSE(QFileInfo::exists(extractFile()));
    int busyPumps = 0;
    window.onPump = [&] { busyPumps += window.busyVisible && window.animationVisible; };
    EXPECT_TRUE(run());
    EXPECT_GE(busyPumps, 7) << "the animation did not run through the statements";
    EXPECT_FALSE(window.animationVisible);
    EXPECT_EQ(window.openedClips.size(), 1);
    EXPECT_EQ(connection->commandTimeout(), 360);
    EXPECT_TRUE(QFileInfo::exists(extractFile())) << "the extract stays on the server";

    SqliteFile backup(state.HsBakFile);
    EXPECT_EQ(columnsOf(backup, QStringLiteral("ORV_Jornal_Hist")), kJournalColumns);
    EXPECT_EQ(columnsOf(backup, QStringLiteral("ORV_L_dailybalances")), kBalanceColumns);
    EXPECT_EQ(columnsOf(backup, QStringLiteral("ORV_L_LOANSBALANCES")), kBalanceColumns);
    EXPECT_EQ(rowsIn(state.HsBakFile, QStringLiteral("ORV_Jornal_Hist")), 2);
    EXPECT_EQ(rowsIn(state.HsBakFile, QStringLiteral("ORV_L_LOANSBALANCES")), 3);
    EXPECT_EQ(rowsIn(state.HsBakFile, QStringLiteral("ORV_L_dailybalances")), 1);
    EXPECT_EQ(backup.scalar(QStringLiteral("SELECT COUNT(*) FROM ORV_Jornal_Hist WHERE "
                                           "Jr_Ws_Id IS NULL")),
              QVariant(2LL));
    EXPECT_EQ(
        backup.scalar(QStringLiteral("SELECT Jr_Parameters FROM ORV_Jornal_Hist WHERE Jr_Id = 1")),
        QVariant(QStringLiteral("حوالة 'داخلية'")));
    EXPECT_EQ(backup.scalar(QStringLiteral("SELECT Jr_AccId FROM ORV_Jornal_Hist WHERE Jr_Id = 1")),
              QVariant(9000000001LL));
    EXPECT_EQ(
        backup.scalar(QStringLiteral(
            "SELECT L_ACCNAME || '/' || LOANAMOUNT FROM ORV_L_LOANSBALANCES WHERE LOAN_ID = 72")),
        QVariant(QStringLiteral("سعاد/99.25")));
    EXPECT_TRUE(EmbeddedBackup::matchesMediaPassword(state.HsBakFile, mediaPassword));
    EXPECT_TRUE(messages->shown.isEmpty());
}

// Guards against rows appended to the extract of an earlier run: the second run
// drops it first, so the backup mirrors the history as it is now.
TEST_F(HistoryExtractTest, SecondRunReplacesTheEarlierExtract) {
    ASSERT_TRUE(run());
    {
        SqliteFile history(databaseFile(QStringLiteral("TAVOR_HS")));
        history.exec(QStringLiteral("DELETE FROM ORV_Jornal_Hist WHERE Jr_Id = 2"));
    }
    EXPECT_TRUE(run());
    EXPECT_EQ(rowsIn(state.HsBakFile, QStringLiteral("ORV_Jornal_Hist")), 1);
    EXPECT_EQ(rowsIn(state.HsBakFile, QStringLiteral("ORV_L_LOANSBALANCES")), 3);
    EXPECT_EQ(rowsIn(extractFile(), QStringLiteral("ORV_L_dailybalances")), 1);
}

// Guards against an empty or missing source table failing the backup: an empty
// history table gives an empty table, a failed copy only leaves its table empty,
// and the result is the backup statement's.
TEST_F(HistoryExtractTest, EmptyOrFailedCopiesStillBackUp) {
    {
        SqliteFile history(databaseFile(QStringLiteral("TAVOR_HS")));
        history.exec(QStringLiteral("DELETE FROM ORV_Jornal_Hist"));
        history.exec(QStringLiteral("DROP TABLE ORV_L_dailybalances"));
    }
    EXPECT_TRUE(run());
    EXPECT_EQ(rowsIn(state.HsBakFile, QStringLiteral("ORV_Jornal_Hist")), 0);
    EXPECT_EQ(rowsIn(state.HsBakFile, QStringLiteral("ORV_L_dailybalances")), 0);
    EXPECT_EQ(rowsIn(state.HsBakFile, QStringLiteral("ORV_L_LOANSBALANCES")), 3);
    EXPECT_TRUE(messages->shown.isEmpty());
}

// Guards against success reported when only the copies worked: a backup the server
// refuses gives false, silently, even in maintenance mode.
TEST_F(HistoryExtractTest, RefusedBackupReturnsFalseAfterGoodCopies) {
    state.CommandLine = QStringLiteral("/M");
    state.HsBakFile = path(QStringLiteral("no/such/folder/TAVOR_HS.bak"));
    EXPECT_FALSE(run());
    EXPECT_EQ(rowsIn(extractFile(), QStringLiteral("ORV_Jornal_Hist")), 2);
    EXPECT_FALSE(QFileInfo::exists(state.HsBakFile));
    EXPECT_TRUE(messages->shown.isEmpty());
    EXPECT_FALSE(window.animationVisible);
}

// Guards against an extract built for a backup that may not be sent: with a
// certificate named, a version 11 server cannot encrypt, so nothing reaches it.
TEST_F(HistoryExtractTest, CertificateOnAServerThatCannotEncryptBuildsNoExtract) {
    state.ServerVersion = QStringLiteral("11.0.7001.0");
    registry->setValue(RegistryKeys::Technician, QStringLiteral("ServerCertificate"),
                       QStringLiteral("TavorBackupCert"));
    EXPECT_FALSE(run());
    EXPECT_FALSE(QFileInfo::exists(extractFile()));
    EXPECT_FALSE(QFileInfo::exists(state.HsBakFile));
}

// Guards against a left-over extract that cannot be dropped: copying into it would
// append rows and its backup would replace the good history file as a success.
TEST_F(HistoryExtractTest, ExtractThatCannotBeReplacedStopsBeforeCopyAndBackup) {
    ASSERT_TRUE(run());
    const QByteArray earlierBackup = test::readFile(state.HsBakFile);
    connection = std::make_unique<RefusingConnection>(std::move(connection),
                                                      QStringLiteral("Drop Database"));
    EXPECT_FALSE(run());
    EXPECT_EQ(rowsIn(extractFile(), QStringLiteral("ORV_Jornal_Hist")), 2);
    EXPECT_EQ(test::readFile(state.HsBakFile), earlierBackup);
    EXPECT_FALSE(window.animationVisible);
}

// Guards against names and paths that break the statements: a history database
// whose name holds a blank and a bracket, a backup path and a password with
// apostrophes all reach the server intact.
TEST_F(HistoryExtractTest, UnusualNamesPathsAndPasswordsAreQuoted) {
    QFile::rename(databaseFile(QStringLiteral("TAVOR_HS")),
                  databaseFile(QStringLiteral("Tavor HS]1")));
    state.HsDatabase = QStringLiteral("Tavor HS]1");
    QDir(root.path()).mkpath(QStringLiteral("O'Neil backups"));
    state.HsBakFile = path(QStringLiteral("O'Neil backups/TAVOR_HS.bak"));
    mediaPassword = QStringLiteral("it's'; DROP DATABASE TAVOR_07 --");

    EXPECT_TRUE(run());
    EXPECT_EQ(rowsIn(state.HsBakFile, QStringLiteral("ORV_Jornal_Hist")), 2);
    EXPECT_TRUE(EmbeddedBackup::matchesMediaPassword(state.HsBakFile, mediaPassword));
    EXPECT_TRUE(QFileInfo::exists(databaseFile(QStringLiteral("TAVOR_07"))));
}
