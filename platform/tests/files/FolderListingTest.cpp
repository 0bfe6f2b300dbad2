#include "base/Error.h"
#include "platform/files/WildcardPattern.h"
#include "platform/files/linux/LinuxFileServices.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tavor;

// '*' any run, '?' exactly one, letters regardless of case; nothing else is special.
TEST(WildcardPattern, MatchesAsFolderListingsDo) {
    struct Case {
        const char* pattern;
        const char* name;
        bool matches;
    };
    for (const Case c :
         {Case{"TAVOR_07*b?.*", "tavor_07_backup_1.BAK", false},
          Case{"TAVOR_07*b?.*", "TAVOR_07_b1.bak", true},
          Case{"TAVOR_07*b*.*", "tavor_07_backup_1.BAK", true}, Case{"*.*", "no-dot", true},
          Case{"*.bak", "no-dot", false}, Case{"a?c", "ac", false},
          Case{"a*c", "abbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbd", false},
          Case{"[ab]*", "[ab]x", true}, Case{"", "x", false}}) {
        EXPECT_EQ(WildcardPattern(QString::fromUtf8(c.pattern)).matches(QString::fromUtf8(c.name)),
                  c.matches)
            << c.pattern << " vs " << c.name;
    }
}

// Only ordinary files, in name order regardless of case, whatever the disk's order.
TEST(FolderListing, ListsOrdinaryMatchingFilesInCaseInsensitiveOrder) {
    QTemporaryDir dir;
    for (const char* name : {"b.bak", "A.bak", "c.txt", ".hidden.bak"})
        test::writeFile(dir.filePath(QString::fromUtf8(name)), "x");
    QDir(dir.path()).mkdir(QStringLiteral("folder.bak"));
    LinuxFileServices files;
    EXPECT_EQ(files.listFolder(dir.path(), QStringLiteral("*.BAK")),
              (QStringList{QStringLiteral("A.bak"), QStringLiteral("b.bak")}));
    EXPECT_EQ(files.listFolder(dir.path(), QStringLiteral("*.txt; a*")).size(), 2);
    EXPECT_THROW(files.listFolder(dir.filePath(QStringLiteral("missing")), QStringLiteral("*")),
                 Error);
}
