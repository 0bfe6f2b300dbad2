#include "pipeline/startup/NewestBackup.h"
#include "PipelineFixture.h"

#include "support/TestFiles.h"

using namespace tavor;

namespace {

class NewestBackupTest : public PipelineFixture {
protected:
    void files(const QStringList& names) {
        for (const QString& name : names)
            test::writeFile(path(QStringLiteral("backup/") + name), "x");
    }
    QString backup(const QString& name) const { return path(QStringLiteral("backup/") + name); }
};

} // namespace

// The seven characters after the first underscore take no part: the newest date wins.
TEST_F(NewestBackupTest, NewestDatedBackupIsChosen) {
    files({QStringLiteral("TAVOR_07_backup_2026_12_06_230000_2.bak"),
           QStringLiteral("TAVOR_07_backup_2026_12_05_230000_1.bak"),
           QStringLiteral("TAVOR_07_log.txt"), QStringLiteral("OTHER_backup_2027.bak")});
    EXPECT_EQ(NewestBackup(context).SortList().path,
              backup(QStringLiteral("TAVOR_07_backup_2026_12_06_230000_2.bak")));
    // Neither name has one character between a 'b' and a dot: the fallback listed them.
    EXPECT_EQ(window.shownPattern, QStringLiteral("TAVOR_07*b*.*"));
    EXPECT_EQ(window.ordered.size(), 2);
}

// The exchange sort is not stable: equal keys end in the order P, Q, R -> R, Q, P.
TEST_F(NewestBackupTest, ExchangeSortTiesFollowTheExchanges) {
    // P and Q differ only in the seven skipped characters; R sorts first.
    QStringList names = {QStringLiteral("A_1111111Z"), QStringLiteral("A_2222222Z"),
                         QStringLiteral("A_3333333B")};
    NewestBackup::exchangeSort(names);
    EXPECT_EQ(names, (QStringList{QStringLiteral("A_3333333B"), QStringLiteral("A_2222222Z"),
                                  QStringLiteral("A_1111111Z")}));
}

// Without an underscore the keys are the names from their eighth character on,
// and p comes from the first name of the pair even for the second.
TEST_F(NewestBackupTest, KeysWithoutUnderscoreAndWithTheFirstNamesPosition) {
    EXPECT_EQ(NewestBackup::sortKey(QStringLiteral("ABCDEFGHIJ"), 0), QStringLiteral("HIJ"));
    EXPECT_EQ(NewestBackup::sortKey(QStringLiteral("AB"), 0), QString());
    QStringList names = {QStringLiteral("zzzzzzzA"), QStringLiteral("aaaaaaaB")};
    NewestBackup::exchangeSort(names);
    EXPECT_EQ(names.first(), QStringLiteral("zzzzzzzA"));
    // Ordinal comparison: capitals before small letters.
    names = {QStringLiteral("X_1234567b"), QStringLiteral("X_1234567B")};
    NewestBackup::exchangeSort(names);
    EXPECT_EQ(names.first(), QStringLiteral("X_1234567B"));
}

// When the first pattern lists nothing, the fallback pattern is applied and shown.
TEST_F(NewestBackupTest, FallbackPatternWhenTheFirstListsNothing) {
    files({QStringLiteral("TAVOR_07_big.bak")});
    EXPECT_EQ(NewestBackup(context).SortList().path, backup(QStringLiteral("TAVOR_07_big.bak")));
    EXPECT_EQ(window.pattern, QStringLiteral("TAVOR_07*b*.*"));
    EXPECT_EQ(window.shownPattern, QStringLiteral("TAVOR_07*b*.*"));
}

// An empty folder gives the folder itself; a second call appends three more choices.
TEST_F(NewestBackupTest, EmptyFolderGivesTheFolderAndChoicesAccumulate) {
    EXPECT_EQ(NewestBackup(context).SortList().path,
              path(QStringLiteral("backup")) + QLatin1Char('/'));
    EXPECT_TRUE(window.ordered.isEmpty());
    files({QStringLiteral("TAVOR_07_b1.bak")});
    NewestBackup(context).SortList();
    EXPECT_EQ(window.patternChoices.size(), 6);
    EXPECT_EQ(window.shownPattern, QStringLiteral("TAVOR_07*b?.*"));
}

// A backup folder that is missing, names a file or is not set never lets the
// listing shown before (the program's own folder, with a stale backup) supply the
// main backup: the result is the backup folder, kept as unusable with the reason.
TEST_F(NewestBackupTest, UnreadableBackupFolderIsTheResultWithItsReason) {
    test::writeFile(path(QStringLiteral("program/TAVOR_07_backup_1.bak")), "x");
    test::writeFile(path(QStringLiteral("afile")), "x");
    struct Case {
        QString folder;
        QString reason;
    };
    for (const Case& c : {Case{path(QStringLiteral("missing")), QStringLiteral("missing")},
                          Case{path(QStringLiteral("afile")), QStringLiteral("afile")},
                          Case{QString(), QStringLiteral("Sys_Backup_Path")}}) {
        state.BackupPath = c.folder;
        fileList.setFolder(path(QStringLiteral("program")));
        const NewestBackup::Choice chosen = NewestBackup(context).SortList();
        EXPECT_EQ(chosen.path, c.folder + QLatin1Char('/')) << c.folder.toStdString();
        EXPECT_TRUE(chosen.unreadableFolder.contains(c.reason))
            << chosen.unreadableFolder.toStdString();
        EXPECT_TRUE(window.ordered.isEmpty());
    }
}
