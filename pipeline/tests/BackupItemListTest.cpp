#include "pipeline/startup/BackupItemList.h"
#include "PipelineFixture.h"

#include "pipeline/ImageKind.h"
#include "support/TestFiles.h"

using namespace tavor;

namespace {

class BackupItemListTest : public PipelineFixture {
protected:
    // Builds the list with the last history and signatures backups the given
    // number of days before the business date (2026-12-07); negative: none stored.
    void fillWithAges(int historyDays, int signatureDays) {
        const QDate business(2026, 12, 7);
        if (historyDays >= 0)
            setSystemValue(QStringLiteral("Sys_Last_HS_Backup_Date"),
                           business.addDays(-historyDays).toString(Qt::ISODate));
        if (signatureDays >= 0)
            setSystemValue(QStringLiteral("Sys_Last_SG_Backup_Date"),
                           business.addDays(-signatureDays).toString(Qt::ISODate));
        BackupItemList(context).FillBackupList();
    }
    bool listed(const QString& text) const { return rowTexts().contains(text); }
};

} // namespace

// Off-by-one in the history rule lists history a day early or late.
TEST_F(BackupItemListTest, HistoryIsDueOnlyAfterMoreThanTheIntervalDays) {
    for (const auto& [days, due] : {std::pair{0, false}, {1, false}, {2, false}, {3, true}}) {
        fillWithAges(days, 0);
        EXPECT_EQ(listed(BackupItemList::HistoryText), due) << days << " days";
        EXPECT_EQ(state.HsIncluded, due ? 1 : 0) << days << " days";
    }
}

// The signatures rule: more than 30 days, but more than 45 when history is also taken.
TEST_F(BackupItemListTest, SignaturesDueAfterThirtyDaysOrFortyFiveWithHistory) {
    struct Case {
        int signatureDays;
        int historyDays;
        bool due;
    };
    for (const Case c : {Case{30, 0, false}, Case{31, 0, true}, Case{45, 0, true},
                         Case{31, 5, false}, Case{45, 5, false}, Case{46, 5, true}}) {
        fillWithAges(c.historyDays, c.signatureDays);
        EXPECT_EQ(listed(BackupItemList::SignaturesText), c.due)
            << c.signatureDays << " days, history " << c.historyDays;
        EXPECT_EQ(state.SgIncluded, c.due ? 1 : 0);
    }
}

// Missing or unreadable dates count as long ago: both satellites are listed, in order.
TEST_F(BackupItemListTest, NoStoredDatesListsBothSatellitesAfterTheFixedRows) {
    setSystemValue(QStringLiteral("Sys_Last_SG_Backup_Date"), QStringLiteral("2026-02-30"));
    BackupItemList(context).FillBackupList();
    EXPECT_EQ(rowTexts(),
              (QStringList{BackupItemList::MainDataText, BackupItemList::GeneralAccountsText,
                           BackupItemList::HistoryText, BackupItemList::SignaturesText}));
    EXPECT_EQ(window.rows[2].tag, state.HsBakFile);
    EXPECT_EQ(window.rows[3].tag, state.SgBakFile);
    for (const auto& row : window.rows)
        EXPECT_EQ(row.image, ImageKind::Pending);
    EXPECT_TRUE(window.listVisible);
}

// A business date that cannot be read (a locked database, a value that is no date)
// dropped both satellites without a word; now both are listed and the reason kept.
TEST_F(BackupItemListTest, UnreadableBusinessDateListsBothSatellitesAndSaysWhy) {
    setSystemValue(QStringLiteral("Sys_Last_HS_Backup_Date"), QStringLiteral("2026-12-07"));
    setSystemValue(QStringLiteral("Sys_Last_SG_Backup_Date"), QStringLiteral("2026-12-07"));
    setSystemValue(QStringLiteral("Sys_BusinessDate"), QStringLiteral("locked"));
    BackupItemList(context).FillBackupList();
    EXPECT_TRUE(listed(BackupItemList::HistoryText));
    EXPECT_TRUE(listed(BackupItemList::SignaturesText));
    EXPECT_EQ(state.HsIncluded + state.SgIncluded, 2);
    ASSERT_EQ(plan.unread.size(), 1);
    EXPECT_TRUE(plan.unread[0].startsWith(QStringLiteral("Sys_BusinessDate: ")));

    // A bank library that cannot reach the database reads nothing at all.
    bank = std::make_unique<ORV_Bank>(platform.database, registry);
    BackupItemList(context).FillBackupList();
    EXPECT_EQ(state.SgIncluded, 1);
    EXPECT_EQ(plan.unread.size(), 4) << plan.unread.join('|').toStdString();
}

// The letters-of-credit row follows the server's catalogue, not a guess.
TEST_F(BackupItemListTest, LettersOfCreditRowOnlyWhenItsDatabaseExists) {
    BackupItemList(context).FillBackupList();
    EXPECT_FALSE(listed(BackupItemList::LettersOfCreditText));
    createDatabase(QStringLiteral("LCS_007"));
    BackupItemList(context).FillBackupList();
    ASSERT_TRUE(listed(BackupItemList::LettersOfCreditText));
    EXPECT_EQ(window.rows[2].tag, state.LcsBakFile);
}

// A branch number with an apostrophe must not break or alter the catalogue query.
TEST_F(BackupItemListTest, ApostropheInTheDatabaseNameStaysInsideTheLiteral) {
    state.LcsDatabase = QStringLiteral("LCS_0'7");
    createDatabase(QStringLiteral("LCS_0'7"));
    BackupItemList(context).FillBackupList();
    EXPECT_TRUE(listed(BackupItemList::LettersOfCreditText));
}

// The main-data row takes the stored last backup only when it is an ordinary file.
TEST_F(BackupItemListTest, StoredLastBackupUsedOnlyWhenItIsAnOrdinaryFile) {
    const QString stored = path(QStringLiteral("backup/TAVOR_07_stored.bak"));
    setSystemValue(QStringLiteral("Sys_Last_Backup_Tavor"), stored);
    test::writeFile(path(QStringLiteral("backup/TAVOR_07_backup_2026_12_06.bak")), "x");
    BackupItemList(context).FillBackupList();
    EXPECT_EQ(window.rows[0].tag, path(QStringLiteral("backup/TAVOR_07_backup_2026_12_06.bak")));

    test::writeFile(stored, "x");
    BackupItemList(context).FillBackupList();
    EXPECT_EQ(window.rows[0].tag, stored);
    // Every build appends its six lines; none are cleared.
    EXPECT_EQ(window.debugLines.size(), 12);
    EXPECT_EQ(window.debugLines[7], QStringLiteral("Tavor1  = ") + stored);
}

// The hidden gesture needs the right button with all three modifiers.
TEST_F(BackupItemListTest, ResetGestureForgetsBothDatesOnlyWithAllModifiers) {
    fillWithAges(0, 0);
    ASSERT_FALSE(listed(BackupItemList::HistoryText));
    for (const auto& [button, shift] : {std::pair{2, 3}, {2, 6}, {1, 7}, {2, 0}}) {
        BackupItemList(context).Label1_MouseDown(button, shift);
        EXPECT_FALSE(listed(BackupItemList::HistoryText)) << button << "/" << shift;
    }
    BackupItemList(context).Label1_MouseDown(2, 7);
    EXPECT_TRUE(listed(BackupItemList::HistoryText));
    EXPECT_TRUE(listed(BackupItemList::SignaturesText));
    EXPECT_EQ(systemValue(QStringLiteral("Sys_Last_HS_Backup_Date")), QString());
}

// A store that fails stops the gesture before the list is rebuilt.
TEST_F(BackupItemListTest, ResetGestureRaisesAndKeepsTheListWhenTheStoreFails) {
    fillWithAges(0, 0);
    const QStringList before = rowTexts();
    SqliteFile(databaseFile(QStringLiteral("TAVOR_07")))
        .exec(QStringLiteral("DROP TABLE ORV_System_Values"));
    EXPECT_THROW(BackupItemList(context).Label1_MouseDown(2, 7), Error);
    EXPECT_EQ(rowTexts(), before);
}
