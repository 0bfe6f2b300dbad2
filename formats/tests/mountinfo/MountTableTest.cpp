#include "formats/mountinfo/MountTable.h"

#include <gtest/gtest.h>

using namespace tavor;

// The mount table decides which folder is which volume: a line read wrongly puts a
// stick's backup on the system disk or refuses a good stick.
TEST(MountTable, LinesReadAsTheKernelWritesThem) {
    const struct {
        const char* line;
        std::optional<MountEntry> entry;
    } cases[] = {
        {"36 35 98:0 /mnt1 /mnt2 rw,noatime master:1 - ext3 /dev/root rw,errors=continue",
         MountEntry{98, 0, "/mnt1", "/mnt2", "ext3", "/dev/root"}},
        {"22 1 8:1 / / rw,relatime - ext4 /dev/sda1 rw",
         MountEntry{8, 1, "/", "/", "ext4", "/dev/sda1"}},
        {"90 22 8:17 / /media/usb rw shared:1 master:2 propagate_from:3 - vfat /dev/sdb1 rw",
         MountEntry{8, 17, "/", "/media/usb", "vfat", "/dev/sdb1"}},
        // Blank, tab, line break and backslash come as octal escapes; Arabic as it is.
        {"91 22 8:33 / /media/usb\\040stick\\011x\\012y\\134z rw - vfat /dev/sdc1 rw",
         MountEntry{8, 33, "/", "/media/usb stick\tx\ny\\z", "vfat", "/dev/sdc1"}},
        {"92 22 253:1 /\xd9\x86\xd8\xb3\xd8\xae /media/\xd9\x86\xd8\xb3\xd8\xae rw - ext4 "
         "/dev/mapper/luks\\040x rw",
         MountEntry{253, 1, QString::fromUtf8("/\xd9\x86\xd8\xb3\xd8\xae"),
                    QString::fromUtf8("/media/\xd9\x86\xd8\xb3\xd8\xae"), "ext4",
                    "/dev/mapper/luks x"}},
        // Something that only looks like an escape stays as it is.
        {"93 22 8:49 / /media/a\\400b\\04 rw - vfat /dev/sdd1 rw",
         MountEntry{8, 49, "/", "/media/a\\400b\\04", "vfat", "/dev/sdd1"}},
        // A folder named "-" is not the separator.
        {"94 22 8:65 /- /- rw - ext4 /dev/sde1 rw",
         MountEntry{8, 65, "/-", "/-", "ext4", "/dev/sde1"}},
        {"", std::nullopt},
        {"36 35 98:0 /mnt1 /mnt2 rw,noatime master:1 ext3 /dev/root rw", std::nullopt},
        {"36 35 98:0 /mnt1 /mnt2 rw - ext3", std::nullopt},
        {"36 35 98-0 /mnt1 /mnt2 rw - ext3 /dev/root rw", std::nullopt},
        {"36 35 98:x /mnt1 /mnt2 rw - ext3 /dev/root rw", std::nullopt},
        {"36 35 98:0 /mnt1", std::nullopt},
    };
    for (const auto& [line, entry] : cases)
        EXPECT_EQ(MountTable::parseLine(line), entry) << line;
}

// A table is read line by line; one line that is not an entry costs only itself.
TEST(MountTable, TableSkipsWhatIsNoEntry) {
    const QList<MountEntry> entries =
        MountTable::parse("22 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
                          "garbage\n"
                          "\n"
                          "90 22 8:17 / /media/usb rw - vfat /dev/sdb1 rw\n");
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0].mountPoint, QStringLiteral("/"));
    EXPECT_EQ(entries[1].mountPoint, QStringLiteral("/media/usb"));
    EXPECT_TRUE(MountTable::read(QStringLiteral("/nonexistent/mountinfo")).isEmpty());
}
