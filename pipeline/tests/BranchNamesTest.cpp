#include "pipeline/BranchNames.h"

#include <gtest/gtest.h>

using tavor::BranchNames;

TEST(BranchNames, FixPathTrimsAndEndsWithOneSeparator) {
    EXPECT_EQ(BranchNames::FixPath(QStringLiteral("  /srv/backup  ")),
              QStringLiteral("/srv/backup/"));
    EXPECT_EQ(BranchNames::FixPath(QStringLiteral("/srv/backup/")), QStringLiteral("/srv/backup/"));
    // An empty backup path still yields a path, which then starts at the root.
    EXPECT_EQ(BranchNames::FixPath(QString()), QStringLiteral("/"));
}

TEST(BranchNames, GetFileTakesNameAfterEitherSeparatorAndCutsAtFirstDot) {
    EXPECT_EQ(BranchNames::GetFile(QStringLiteral(" D:\\Tavor\\Backup\\TAVOR_SG.bak "), false),
              QStringLiteral("TAVOR_SG.bak"));
    EXPECT_EQ(BranchNames::GetFile(QStringLiteral("/srv/a.b.c.bak"), true), QStringLiteral("a"));
    EXPECT_EQ(BranchNames::GetFile(QStringLiteral("noext"), true), QStringLiteral("noext"));
    EXPECT_EQ(BranchNames::GetFile(QStringLiteral("/srv/dir/"), false), QString());
}

// The prefix decides every satellite database name: a wrong cut backs up the
// wrong database.
TEST(BranchNames, DatabasePrefixCutsAfterFirstUnderscoreAndUpperCases) {
    EXPECT_EQ(BranchNames::DatabasePrefix(QStringLiteral("TAVOR_07")), QStringLiteral("TAVOR_"));
    EXPECT_EQ(BranchNames::DatabasePrefix(QStringLiteral("tavor07")), QStringLiteral("TAVOR07"));
    EXPECT_EQ(BranchNames::DatabasePrefix(QStringLiteral("a_b_c")), QStringLiteral("A_"));
    EXPECT_EQ(BranchNames::DatabasePrefix(QString()), QString());
}

TEST(BranchNames, BranchNumberFormatPadsNumbersAndLeavesTextUnchanged) {
    EXPECT_EQ(BranchNames::FormatBranchNumber(QStringLiteral("1")), QStringLiteral("001"));
    EXPECT_EQ(BranchNames::FormatBranchNumber(QStringLiteral("1234")), QStringLiteral("1234"));
    EXPECT_EQ(BranchNames::FormatBranchNumber(QStringLiteral("B7")), QStringLiteral("B7"));
    EXPECT_EQ(BranchNames::FormatBranchNumber(QString()), QString());
    EXPECT_EQ(BranchNames::LcsDatabase(QStringLiteral("1")), QStringLiteral("LCS_001"));
    EXPECT_EQ(BranchNames::FinaName(QStringLiteral("1"), QStringLiteral("TAVOR_07")),
              QStringLiteral("F0012007"));
}

TEST(BranchNames, FinaCandidatesInOrderWithBranchFourExtra) {
    const QStringList four = BranchNames::FinaFileCandidates(
        QStringLiteral("/data/Tavor/Backup"), QStringLiteral("/fina"), QStringLiteral("4"),
        QStringLiteral("TAVOR_07"));
    ASSERT_EQ(four.size(), 4);
    EXPECT_EQ(four[0], QStringLiteral("/data/Tavor/Varnel/F0042007/F0042007.mdb"));
    EXPECT_EQ(four[1], QStringLiteral("/fina/F0042007/F0042007.mdb"));
    EXPECT_EQ(four[2], QStringLiteral("/fina/F0012007/F0012007.mdb"));
    EXPECT_EQ(four[3], QStringLiteral("/fina/F0122007/F0122007.mdb"));

    // Without "TAVOR" in the backup path the first candidate is skipped.
    const QStringList one =
        BranchNames::FinaFileCandidates(QStringLiteral("/data/backup"), QStringLiteral("/fina"),
                                        QStringLiteral("1"), QStringLiteral("TAVOR_07"));
    ASSERT_EQ(one.size(), 2);
    EXPECT_EQ(one[0], QStringLiteral("/fina/F0012007/F0012007.mdb"));
}

// Guards against llround overflowing on a branch number beyond 64 bits ("1e30" came
// out as "--9223372036854775808"): such numbers, and non-finite ones, stay as written.
TEST(BranchNames, HugeAndNonFiniteBranchNumbersStayAsWritten) {
    for (const char* text :
         {"1e30", "-1e30", "9223372036854775808", "-9223372036854775808", "inf", "nan", "1e400"}) {
        EXPECT_EQ(BranchNames::FormatBranchNumber(QString::fromLatin1(text)),
                  QString::fromLatin1(text));
    }
    EXPECT_EQ(BranchNames::FormatBranchNumber(QStringLiteral("9223372036854774784")),
              QStringLiteral("9223372036854774784"));
    EXPECT_EQ(BranchNames::FormatBranchNumber(QStringLiteral("-2.5")), QStringLiteral("-003"));
    EXPECT_EQ(BranchNames::LcsDatabase(QStringLiteral("1e30")), QStringLiteral("LCS_1e30"));
    EXPECT_EQ(BranchNames::FinaName(QStringLiteral("1e30"), QStringLiteral("TAVOR_07")),
              QStringLiteral("F1e302007"));
}

// Guards against the cut before "TAVOR" shifting when upper-casing changes the
// path's length ("ß" becomes "SS").
TEST(BranchNames, TavorCutIsFoundOnTheOriginalPath) {
    const QStringList candidates = BranchNames::FinaFileCandidates(
        QStringLiteral("/srv/straße/tavor/bak"), QStringLiteral("/fina"), QStringLiteral("1"),
        QStringLiteral("TAVOR_07"));
    EXPECT_EQ(candidates.value(0),
              QStringLiteral("/srv/straße/Tavor/Varnel/F0012007/F0012007.mdb"));
}

// Guards against trimming more than blanks: tabs and no-break spaces are part of a
// path or a number.
TEST(BranchNames, TrimRemovesOnlyBlanks) {
    EXPECT_EQ(BranchNames::FixPath(QStringLiteral("  /data\u00a0 ")),
              QStringLiteral("/data\u00a0/"));
    EXPECT_EQ(BranchNames::FixPath(QStringLiteral("\t/data ")), QStringLiteral("\t/data/"));
    EXPECT_EQ(BranchNames::GetFile(QStringLiteral(" /a/b.bak\u00a0"), false),
              QStringLiteral("b.bak\u00a0"));
    EXPECT_EQ(BranchNames::GetFile(QStringLiteral("\tb.bak "), true), QStringLiteral("\tb"));
    EXPECT_EQ(BranchNames::FormatBranchNumber(QStringLiteral(" 7 ")), QStringLiteral("007"));
    EXPECT_EQ(BranchNames::FormatBranchNumber(QStringLiteral("\u00a07")),
              QStringLiteral("\u00a07"));
}

// The marker must stand at the second character exactly; anywhere else the
// normal two-day rule holds.
TEST(BranchNames, HistoryIntervalFollowsMarkerAtSecondCharacter) {
    EXPECT_EQ(BranchNames::HistoryIntervalDays(QStringLiteral(" فرع")), -1);
    EXPECT_EQ(BranchNames::HistoryIntervalDays(QStringLiteral("فرع")), 2);
    EXPECT_EQ(BranchNames::HistoryIntervalDays(QStringLiteral("  فرع")), 2);
    // A no-break space is a character like any other, not a blank that trimming removes.
    EXPECT_EQ(BranchNames::HistoryIntervalDays(QStringLiteral("\u00a0فرع")), -1);
    EXPECT_EQ(BranchNames::HistoryIntervalDays(QString()), 2);
}
