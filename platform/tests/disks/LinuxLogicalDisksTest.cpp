#include "platform/disks/linux/LinuxLogicalDisks.h"
#include "platform/disks/linux/ExtraDrives.h"
#include "platform/registry/RegistryKeys.h"
#include "platform/registry/RegistryStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <ostream>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace tavor {
void PrintTo(const LogicalDisk& disk, std::ostream* out) {
    *out << "{" << disk.DeviceID.toStdString() << ", " << disk.DriveType
         << (disk.encrypted ? ", encrypted" : "") << "}";
}
} // namespace tavor

using tavor::LinuxLogicalDisks;
using tavor::LogicalDisk;

namespace {

class MemoryRegistry : public tavor::RegistryStore {
public:
    std::optional<QString> value(const QString&, const QString&) const override {
        return std::nullopt;
    }
    QList<std::pair<QString, QString>> values(const QString& keyPath) const override {
        return keyPath.compare(tavor::RegistryKeys::Drives, Qt::CaseInsensitive) == 0
                   ? extraDrives
                   : QList<std::pair<QString, QString>>{};
    }
    void setValue(const QString&, const QString&, const QString&) override {}

    QList<std::pair<QString, QString>> extraDrives;
};

// A mount table and a sysfs tree of block devices in a temporary folder.
class DiskFixture : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(temp.isValid()); }

    QString sysfs() const { return temp.filePath(QStringLiteral("sys")); }
    QString mountTable() const { return temp.filePath(QStringLiteral("mountinfo")); }
    QString uuidLinks() const { return temp.filePath(QStringLiteral("by-uuid")); }

    void writeFile(const QString& path, const QByteArray& content) {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    // A disk below the device path `bus` (e.g. "pci0000:00/0000:00:14.0/usb1/1-1").
    QString addDisk(const QString& bus, const QString& name, const QString& number,
                    const QByteArray& removable = "0") {
        const QString folder = sysfs() + "/devices/" + bus + "/block/" + name;
        writeFile(folder + "/removable", removable + "\n");
        link(folder, number, name);
        return folder;
    }

    QString addPartition(const QString& diskFolder, const QString& name, const QString& number) {
        const QString folder = diskFolder + "/" + name;
        writeFile(folder + "/partition", "1\n");
        link(folder, number, name);
        return folder;
    }

    // The links sysfs keeps for every block device: by number and by name.
    void link(const QString& folder, const QString& number, const QString& name) {
        QDir().mkpath(sysfs() + "/dev/block");
        QDir().mkpath(sysfs() + "/class/block");
        QFile::link(folder, sysfs() + "/dev/block/" + number);
        QFile::link(folder, sysfs() + "/class/block/" + name);
    }

    void writeMounts(const QList<QByteArray>& lines) {
        QByteArray table;
        int id = 20;
        for (const QByteArray& line : lines)
            table += QByteArray::number(id++) + " 1 " + line + "\n";
        writeFile(mountTable(), table);
    }

    QList<LogicalDisk> query() {
        LinuxLogicalDisks disks(registry, mountTable(), sysfs(), uuidLinks());
        return disks.query();
    }

    QTemporaryDir temp;
    std::shared_ptr<MemoryRegistry> registry = std::make_shared<MemoryRegistry>();
};

const QString Sata = QStringLiteral("pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0");
const QString UsbStick =
    QStringLiteral("pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0");

} // namespace

// A partition of a USB stick that reports itself as fixed must still count as
// removable, and the removable flag must be read from the whole disk.
TEST_F(DiskFixture, FixedRemovableAndUsbVolumesGetTheirTypes) {
    addPartition(addDisk(Sata, "sda", "8:0"), "sda1", "8:1");
    addPartition(addDisk(UsbStick, "sdb", "8:16"), "sdb1", "8:17");
    addPartition(addDisk("platform/reader", "sdc", "8:32", "1"), "sdc1", "8:33");
    addDisk(Sata, "sdd", "8:48");
    writeMounts({"8:1 / / rw - ext4 /dev/sda1 rw",
                 "8:17 / /media/teller/STICK rw,nosuid shared:40 - vfat /dev/sdb1 rw",
                 "8:33 / /media/teller/CARD rw - exfat /dev/sdc1 rw",
                 "8:48 / /srv/archive rw master:3 shared:7 - xfs /dev/sdd rw"});

    const QList<LogicalDisk> expected = {{"/", 3, false, {}},
                                         {"/media/teller/STICK", 2, false, {}},
                                         {"/media/teller/CARD", 2, false, {}},
                                         {"/srv/archive", 3, false, {}}};
    EXPECT_EQ(query(), expected);
}

// Only volumes a backup can be written to and that the operator would call a
// drive: no network shares, optical discs, kernel trees, memory or image file systems.
TEST_F(DiskFixture, NetworkOpticalPseudoAndSystemVolumesAreLeftOut) {
    addPartition(addDisk(Sata, "sda", "8:0"), "sda1", "8:1");
    addPartition(addDisk(Sata, "sda", "8:0"), "sda2", "8:2");
    addPartition(addDisk(Sata, "sda", "8:0"), "sda3", "8:3");
    addDisk("pci0000:00/0000:00:17.0/ata2/host1/target1:0:0/1:0:0:0", "sr0", "11:0", "1");
    addDisk("pci0000:00/0000:00:17.0/ata3/host2/target2:0:0/2:0:0:0", "sr1", "11:1", "1");
    addDisk("virtual/block", "loop0", "7:0");
    writeMounts({"8:1 / / rw - ext4 /dev/sda1 rw", "0:20 / /proc rw - proc proc rw",
                 "0:21 / /sys rw - sysfs sysfs rw", "0:6 / /dev rw - devtmpfs devtmpfs rw",
                 "0:27 / /sys/fs/cgroup rw - cgroup2 cgroup2 rw", "0:30 / /tmp rw - tmpfs tmpfs rw",
                 "0:40 / /mnt/share rw - nfs4 branch-server:/backup rw",
                 "0:41 / /mnt/smb rw - cifs //branch-server/backup rw",
                 "0:42 / /mnt/ssh rw - fuse.sshfs teller@host:/ rw",
                 "11:0 / /media/teller/DISC ro - iso9660 /dev/sr0 ro",
                 "11:1 / /media/teller/MAC ro - hfsplus /dev/sr1 ro",
                 "7:0 / /mnt/image ro - squashfs /dev/loop0 ro",
                 "8:2 / /boot/efi rw - vfat /dev/sda2 rw", "8:3 / /data rw - ext4 /dev/sda3 rw"});

    const QList<LogicalDisk> expected = {{"/", 3, false, {}}, {"/data", 3, false, {}}};
    EXPECT_EQ(query(), expected);
}

// In a container the root is an overlay with no block device, and host files
// are bound into it one by one; the root is still the machine's disk, the
// bound files are not drives.
TEST_F(DiskFixture, OverlayRootIsLocalDiskAndBindMountsAreNotDrives) {
    addPartition(addDisk(Sata, "vda", "254:0"), "vda1", "254:1");
    writeMounts({"0:52 / / rw - overlay overlay rw,lowerdir=/l,upperdir=/u",
                 "254:1 /var/lib/docker/containers/c1/hosts /etc/hosts rw - ext4 /dev/vda1 rw",
                 "254:1 / /data rw - ext4 /dev/vda1 rw",
                 "254:1 / /data-again rw - ext4 /dev/vda1 rw"});

    const QList<LogicalDisk> expected = {{"/", 3, false, {}}, {"/data", 3, false, {}}};
    EXPECT_EQ(query(), expected);
}

// The mount table escapes blanks, tabs, newlines and backslashes; Arabic comes as
// raw UTF-8. The device ID must be the real folder name or the backup goes elsewhere.
TEST_F(DiskFixture, EscapedAndArabicMountPointsAreDecoded) {
    addPartition(addDisk(UsbStick, "sdb", "8:16"), "sdb1", "8:17");
    addPartition(addDisk(UsbStick, "sdb", "8:16"), "sdb2", "8:18");
    addPartition(addDisk(UsbStick, "sdb", "8:16"), "sdb3", "8:19");
    const QString arabic = QStringLiteral("/media/نسخ احتياطي");
    writeMounts({"8:17 / /media/My\\040Backup rw - vfat /dev/sdb1 rw",
                 "8:18 / " + arabic.toUtf8().replace(" ", "\\040") + " rw - vfat /dev/sdb2 rw",
                 "8:19 / /media/a\\011b\\134c\\012d rw - vfat /dev/sdb3 rw"});

    const QList<LogicalDisk> expected = {{"/", 3, false, {}},
                                         {"/media/My Backup", 2, false, {}},
                                         {arabic, 2, false, {}},
                                         {"/media/a\tb\\c\nd", 2, false, {}}};
    EXPECT_EQ(query(), expected);
}

// Missing or odd input must never stop start-up: the affected rows are left out.
TEST_F(DiskFixture, UnreadableTableOrMissingSysfsEntryLeavesRowsOut) {
    const QList<LogicalDisk> rootOnly = {{"/", 3, false, {}}};
    EXPECT_EQ(query(), rootOnly) << "no mount table at all";

    addPartition(addDisk(Sata, "sda", "8:0"), "sda1", "8:1");
    writeMounts({"8:1 / /data rw - ext4 /dev/sda1 rw", "8:65 / /media/gone rw - ext4 /dev/sde1 rw",
                 "not a mount line", "30 1 x:y / /broken rw - ext4 /dev/sdz rw",
                 "0:60 / /media/btrfs-gone rw - btrfs /dev/sdq1 rw"});
    const QList<LogicalDisk> expected = {{"/", 3, false, {}}, {"/data", 3, false, {}}};
    EXPECT_EQ(query(), expected);
}

// File systems with a device number of their own (btrfs) and encrypted or LVM
// volumes must be traced to the disk under them, or a USB stick counts as fixed.
TEST_F(DiskFixture, BtrfsAndMappedVolumesAreTracedToTheirDisk) {
    addPartition(addDisk(Sata, "sda", "8:0"), "sda1", "8:1");
    const QString usbPartition = addPartition(addDisk(UsbStick, "sdb", "8:16"), "sdb1", "8:17");
    const QString mapped = addDisk("virtual", "dm-0", "253:0");
    QDir().mkpath(mapped + "/slaves");
    QFile::link(usbPartition, mapped + "/slaves/sdb1");
    writeMounts({"0:33 /@ / rw - btrfs /dev/sda1 rw", "0:34 / /srv/btrfs rw - btrfs /dev/sda1 rw",
                 "253:0 / /media/teller/SAFE rw - ext4 /dev/mapper/luks-1 rw"});

    const QList<LogicalDisk> expected = {
        {"/", 3, false, {}}, {"/srv/btrfs", 3, false, {}}, {"/media/teller/SAFE", 2, false, {}}};
    EXPECT_EQ(query(), expected);
}

// An opened LUKS or BitLocker stick is a removable drive that says it is encrypted;
// a mapping counts as encrypted only when everything under it is a crypt target, so
// neither LVM on a plain disk nor a mapping spanning a plain one passes for it.
// libcryptsetup gives its unencrypted integrity and verity mappings "CRYPT-" uuids
// too: a stand-alone integrity stick passed for an encrypted one.
TEST_F(DiskFixture, OnlyEncryptionMappingsAndMappingsOverThemAreEncrypted) {
    addPartition(addDisk(Sata, "sda", "8:0"), "sda1", "8:1");
    const QString luksStick = addPartition(addDisk(UsbStick, "sdb", "8:16"), "sdb1", "8:17");
    const QString bitlockerStick =
        addPartition(addDisk(UsbStick + "1", "sdc", "8:32"), "sdc1", "8:33");
    const QString plainDisk = addDisk(Sata + "1", "sdd", "8:48");
    const QString integrityStick =
        addPartition(addDisk(UsbStick + "2", "sde", "8:64"), "sde1", "8:65");
    const auto map = [&](const char* name, const char* number, const QByteArray& uuid,
                         const QStringList& below) {
        const QString mapped = addDisk("virtual", name, number);
        if (!uuid.isEmpty())
            writeFile(mapped + "/dm/uuid", uuid + "\n");
        QDir().mkpath(mapped + "/slaves");
        for (const QString& slave : below)
            QFile::link(slave, mapped + "/slaves/" + QFileInfo(slave).fileName());
        return mapped;
    };
    const QString luks = map("dm-0", "253:0", "CRYPT-LUKS2-6f1c9e0a-luks-stick", {luksStick});
    map("dm-1", "253:1", "CRYPT-BITLK-0d1e-bitlocker", {bitlockerStick});
    map("dm-2", "253:2", "LVM-k3Jq", {plainDisk});
    const QString sataCrypt = map("dm-3", "253:3", "CRYPT-LUKS1-77aa-home", {plainDisk});
    map("dm-4", "253:4", "LVM-p9Xz", {sataCrypt});
    map("dm-5", "253:5", "LVM-m2Yw", {luks, plainDisk});
    map("dm-6", "253:6", "CRYPT-INTEGRITY-stick", {integrityStick});
    map("dm-7", "253:7", "CRYPT-VERITY-4b6f-root", {plainDisk});
    map("dm-8", "253:8", "CRYPT-INTEGRITY-over-home", {sataCrypt});
    writeMounts({"8:1 / / rw - ext4 /dev/sda1 rw",
                 "253:0 / /media/teller/SAFE rw - ext4 /dev/mapper/luks-stick rw",
                 "253:1 / /media/teller/BITLOCKER rw - ntfs3 /dev/mapper/bitlocker rw",
                 "8:17 / /media/teller/PLAIN rw - vfat /dev/sdb1 rw",
                 "253:2 / /srv/lvm rw - xfs /dev/mapper/vg-lvm rw",
                 "253:4 / /srv/lvm-on-luks rw - xfs /dev/mapper/vg-secure rw",
                 "253:5 / /srv/spanning rw - xfs /dev/mapper/vg-span rw",
                 "253:6 / /media/teller/INTEGRITY rw - ext4 /dev/mapper/stick rw",
                 "253:7 / /srv/verity ro - ext4 /dev/mapper/root ro",
                 "253:8 / /srv/over-home rw - ext4 /dev/mapper/over-home rw"});

    const QList<LogicalDisk> expected = {{"/", 3, false, {}},
                                         {"/media/teller/SAFE", 2, true, {}},
                                         {"/media/teller/BITLOCKER", 2, true, {}},
                                         {"/media/teller/PLAIN", 2, false, {}},
                                         {"/srv/lvm", 3, false, {}},
                                         {"/srv/lvm-on-luks", 3, true, {}},
                                         {"/srv/spanning", 2, false, {}},
                                         {"/media/teller/INTEGRITY", 2, false, {}},
                                         {"/srv/verity", 3, false, {}},
                                         {"/srv/over-home", 3, true, {}}};
    EXPECT_EQ(query(), expected);
}

// Extra drives come after the mounted volumes, keep their registered type, and
// only existing folders with a type of 0 to 3 are listed.
TEST_F(DiskFixture, ExtraDrivesFromTheRegistryFollowTheVolumes) {
    addPartition(addDisk(Sata, "sda", "8:0"), "sda1", "8:1");
    writeMounts({"8:1 / / rw - ext4 /dev/sda1 rw"});
    const QString usb = temp.filePath("usb folder");
    const QString hdd = temp.filePath("قرص");
    const QString other = temp.filePath("other");
    for (const QString& folder : {usb, hdd, other})
        ASSERT_TRUE(QDir().mkpath(folder));
    writeFile(usb + "/.tavor-target", {});
    registry->extraDrives = {{usb, "2"},   {hdd, " 3 "}, {other, "4"},
                             {other, "x"}, {other, ""},  {temp.filePath("missing"), "3"},
                             {other, "0"}};

    const QList<LogicalDisk> expected = {
        {"/", 3, false, {}}, {usb, 2, false, {}}, {hdd, 3, false, {}}, {other, 0, false, {}}};
    EXPECT_EQ(query(), expected);
}

// A removable folder is an empty mount folder on the system disk until a volume is
// mounted exactly there or the folder is marked as a target; a backup written into
// it would fill the system disk and vanish under the next mount.
TEST_F(DiskFixture, RemovableFolderListedOnlyWhenMountedOrMarked) {
    const QDir base(QFileInfo(temp.path()).canonicalFilePath());
    const QString stick = base.filePath("media/STICK");
    const QString marked = base.filePath("marked");
    const QString empty = base.filePath("media/EMPTY");
    const QString fixed = base.filePath("fixed");
    const QString link = base.filePath("stick-link");
    for (const QString& folder : {stick, marked, empty, fixed, empty + "/inner"})
        ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(QFile::link(stick, link));
    writeFile(marked + "/.tavor-target", {});
    registry->extraDrives = {{stick, "2"}, {marked, "2"}, {empty, "2"}, {fixed, "3"}, {link, "2"}};

    const QList<LogicalDisk> unmounted = {
        {"/", 3, false, {}}, {marked, 2, false, {}}, {fixed, 3, false, {}}};
    EXPECT_EQ(query(), unmounted) << "nothing mounted";

    writeMounts({"0:50 / " + base.filePath("media").toUtf8() + " rw - tmpfs tmpfs rw",
                 "0:51 / " + empty.toUtf8() + "/inner rw - tmpfs tmpfs rw"});
    EXPECT_EQ(query(), unmounted) << "mounts above and below the folder do not count";

    writeMounts({"8:17 / " + stick.toUtf8() + " rw - vfat /dev/sdb1 rw"});
    const QList<LogicalDisk> mounted = {{"/", 3, false, {}},
                                        {stick, 2, false, {}},
                                        {marked, 2, false, {}},
                                        {fixed, 3, false, {}},
                                        {link, 2, false, {}}};
    EXPECT_EQ(query(), mounted) << "a stick mounted there, also named through a link";
}

// Guards against a chroot's root volume missing from the list (its mount table has no
// line for "/"), and against an extra drive listing a mounted volume a second time.
TEST_F(DiskFixture, RootIsListedOnceWithoutItsOwnLineAndExtraDrivesAreNotRepeated) {
    addPartition(addDisk(Sata, "sda", "8:0"), "sda1", "8:1");
    const QString data = temp.filePath("data");
    const QString usb = temp.filePath("usb");
    for (const QString& folder : {data, usb})
        ASSERT_TRUE(QDir().mkpath(folder));
    writeFile(usb + "/.tavor-target", {});
    writeMounts(
        {"8:1 / " + data.toUtf8() + " rw - ext4 /dev/sda1 rw", "0:30 / /tmp rw - tmpfs tmpfs rw"});
    registry->extraDrives = {{"/", "3"}, {data + "/", "3"}, {usb, "2"}, {"//", "2"}};

    const QList<LogicalDisk> expected = {
        {"/", 3, false, {}}, {data, 3, false, {}}, {usb, 2, false, {}}};
    EXPECT_EQ(query(), expected);
}

// The kernel's own table must parse: the root volume is always there.
TEST(LinuxLogicalDisksOnThisHost, RootVolumeIsListedAsLocalDisk) {
    LinuxLogicalDisks disks(nullptr);
    EXPECT_TRUE(disks.query().contains(LogicalDisk{"/", 3, false, {}}));
}

// The run's record knows a stick again by its file system's UUID: each volume gets
// the UUID whose udev link points at its own device, also when it is reached
// through a mapping, and none when no link points at it.
TEST_F(DiskFixture, VolumesCarryTheUuidOfTheLinkToTheirDevice) {
    addPartition(addDisk(Sata, "sda", "8:0"), "sda1", "8:1");
    addPartition(addDisk(UsbStick, "sdb", "8:16"), "sdb1", "8:17");
    addDisk(UsbStick + "1", "sdc", "8:32");
    const QString luks = addDisk("virtual", "dm-0", "253:0");
    writeFile(luks + "/dm/uuid", "CRYPT-LUKS2-aa-stick\n");
    QDir().mkpath(uuidLinks());
    QFile::link("../../sda1", uuidLinks() + "/0b6f-root");
    QFile::link("../../sdb1", uuidLinks() + "/1C2E-4F3A");
    QFile::link("../../dm-0", uuidLinks() + "/6f1c9e0a-luks");
    QFile::link("../../sdb", uuidLinks() + "/not-a-volume-here");
    writeMounts({"8:1 / / rw - ext4 /dev/sda1 rw",
                 "8:17 / /media/teller/STICK rw - vfat /dev/sdb1 rw",
                 "8:32 / /media/teller/BARE rw - vfat /dev/sdc rw",
                 "253:0 / /media/teller/SAFE rw - ext4 /dev/mapper/luks-stick rw"});
    QStringList uuids;
    for (const LogicalDisk& disk : query())
        uuids << disk.DeviceID + '=' + disk.filesystemUuid;
    EXPECT_EQ(uuids, (QStringList{"/=0b6f-root", "/media/teller/STICK=1C2E-4F3A",
                                  "/media/teller/BARE=", "/media/teller/SAFE=6f1c9e0a-luks"}));
}

// A stick put into a freed slot gets the same device number, and its root folder the
// same inode: it passed for the stick the drive list had found there. Its file
// system's UUID tells them apart.
TEST_F(DiskFixture, AnotherStickInTheSameSlotIsAnotherVolume) {
    const QString stick = temp.filePath("media/STICK");
    ASSERT_TRUE(QDir().mkpath(stick));
    struct stat folder {};
    ASSERT_EQ(::stat(QFile::encodeName(stick).constData(), &folder), 0);
    const QString number =
        QStringLiteral("%1:%2").arg(major(folder.st_dev)).arg(minor(folder.st_dev));
    addPartition(addDisk(UsbStick, "sdb", "8:16"), "sdb1", number);
    writeMounts({number.toUtf8() + " / " + stick.toUtf8() + " rw - vfat /dev/sdb1 rw"});
    QDir().mkpath(uuidLinks());
    QFile::link("../../sdb1", uuidLinks() + "/1C2E-4F3A");
    const LinuxLogicalDisks disks(registry, mountTable(), sysfs(), uuidLinks());
    const std::optional<tavor::VolumeIdentity> listed = disks.volumeAt(stick);
    ASSERT_EQ(listed.value_or(tavor::VolumeIdentity{}).filesystemUuid, "1C2E-4F3A");

    QFile::remove(uuidLinks() + "/1C2E-4F3A");
    ASSERT_TRUE(QFile::link("../../sdb1", uuidLinks() + "/5D7B-0A91"));
    EXPECT_NE(disks.volumeAt(stick), listed);
}
