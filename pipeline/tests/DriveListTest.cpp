#include "pipeline/startup/DriveList.h"

#include <gtest/gtest.h>

using tavor::DriveList;
using tavor::DriveRow;
using tavor::LogicalDisk;

namespace {

QString rowText(const QString& kind, const QString& deviceId) {
    return "   " + kind + "   " + deviceId + " " + QChar(0x200E) + QChar(0x200F) + "    ";
}

} // namespace

// Wrong kind, image or tag would write the backup to another drive or show the
// wrong icon; type 3 alone is a hard disk, every other listed type removable.
TEST(DriveList, RowsCarryKindImageAndMountPointAsTag) {
    const QString arabic = QStringLiteral("/media/نسخ احتياطي");
    const DriveList list({{"/", 3, false, {}},
                          {arabic, 2, false, {}},
                          {"/srv/folder", 0, false, {}},
                          {"/mnt/x", 1, false, {}}},
                         "");

    const QList<DriveRow> expected = {{rowText("HDD", "/"), 100, "/"},
                                      {rowText("USB", arabic), 101, arabic},
                                      {rowText("USB", "/srv/folder"), 101, "/srv/folder"},
                                      {rowText("USB", "/mnt/x"), 101, "/mnt/x"}};
    EXPECT_EQ(list.rows(), expected);
}

// The exact code points of a row: three blanks, kind, three blanks, device ID,
// one blank, LRM, RLM and four blanks.
TEST(DriveList, RowTextHasTheMarksAndBlanksInPlace) {
    const QString text = DriveList::rowFor({"/media/a b", 2, false, {}}).text;
    const QList<char16_t> expected = {' ', ' ', ' ',    'U',    'S', 'B', ' ', ' ', ' ',
                                      '/', 'm', 'e',    'd',    'i', 'a', '/', 'a', ' ',
                                      'b', ' ', 0x200E, 0x200F, ' ', ' ', ' ', ' '};
    ASSERT_EQ(text.size(), expected.size());
    for (qsizetype i = 0; i < text.size(); ++i)
        EXPECT_EQ(text.at(i).unicode(), expected[i]) << "at " << i;
}

// The remembered drive is compared whole and case-sensitive, the last match
// wins, and anything else selects the first row.
TEST(DriveList, SelectionIsTheLastExactMatchOrTheFirstRow) {
    const QList<LogicalDisk> disks = {{"/", 3, false, {}},
                                      {"/media/USB", 2, false, {}},
                                      {"/data", 3, false, {}},
                                      {"/media/USB", 3, false, {}}};

    EXPECT_EQ(DriveList(disks, "/media/USB").selectedPosition(), 3);
    EXPECT_EQ(DriveList(disks, "/data").selectedPosition(), 2);
    EXPECT_EQ(DriveList(disks, "/media/usb").selectedPosition(), 0) << "case differs";
    EXPECT_EQ(DriveList(disks, "/media").selectedPosition(), 0) << "only a prefix";
    EXPECT_EQ(DriveList(disks, "/media/USB/").selectedPosition(), 0) << "trailing separator";
    EXPECT_EQ(DriveList(disks, "C:").selectedPosition(), 0);
    EXPECT_EQ(DriveList(disks, "").selectedPosition(), 0);
    EXPECT_EQ(DriveList({}, "/data").selectedPosition(), 0) << "empty list";
}
