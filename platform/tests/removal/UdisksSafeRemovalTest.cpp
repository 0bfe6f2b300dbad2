#include "platform/removal/linux/UdisksSafeRemoval.h"
#include "support/SilentSocket.h"
#include "support/UdisksStandIn.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tavor;
using tavor::test::UdisksStandIn;

namespace {

const QString Blocks = QStringLiteral("/org/freedesktop/UDisks2/block_devices/");
const QString Volumes = QStringLiteral("/org/freedesktop/UDisks2/lvm/stick/");
const QString PowerOff = QStringLiteral("PowerOff /org/freedesktop/UDisks2/drives/Stick");
const QString OtherSeat = QStringLiteral("org.freedesktop.udisks2.power-off-drive-other-seat");
const QString ManageLvm = QStringLiteral("org.freedesktop.udisks2.lvm2.manage-lvm");

std::string lines(const QStringList& calls) {
    return calls.join(QLatin1Char('\n')).toStdString();
}

} // namespace

// Unattended, against udisks2 and polkit as the stand-in plays them: each layout is
// taken down in order to its drive (a logical volume's group deactivated, the LUKS
// device beneath locked); where polkit refuses a step the report says what is true of
// the stick, and a refusal comes at once instead of waiting on a password dialog.
TEST(UdisksSafeRemoval, TakesEachStickDownToItsDriveOrSaysWhereItStopped) {
    using Stick = UdisksStandIn::Stick;
    struct Case {
        const char* name;
        Stick stick;
        QStringList granted;
        QStringList calls;
        // Empty when every step was taken.
        QString state;
    };
    const QString refused = QStringLiteral("org.freedesktop.UDisks2.Error.NotAuthorizedCanObtain");
    const Case cases[] = {
        {"plain, under the group's rule",
         Stick::Plain,
         {OtherSeat},
         {"Unmount " + Blocks + "sdb1", PowerOff},
         {}},
        {"encrypted, a service without a session",
         Stick::Encrypted,
         {},
         {"Unmount " + Blocks + "dm_2d0", "Lock " + Blocks + "sdb1", PowerOff},
         "unmounted and locked; the drive could not be powered off: it may be removed"},
        {"LVM on LUKS, under the group's rule",
         Stick::LvmOnEncrypted,
         {OtherSeat, ManageLvm},
         {"Unmount " + Blocks + "dm_2d1", "Deactivate " + Volumes + "backup",
          "Deactivate " + Volumes + "spare", "Lock " + Blocks + "sdb1", PowerOff},
         {}},
        {"LVM on LUKS, without leave to manage LVM",
         Stick::LvmOnEncrypted,
         {OtherSeat},
         {"Unmount " + Blocks + "dm_2d1", "Deactivate " + Volumes + "backup"},
         "unmounted; the logical volume backup could not be deactivated: it may be removed"},
        {"a partition inside LUKS",
         Stick::PartitionInEncrypted,
         {OtherSeat},
         {"Unmount " + Blocks + "dm_2d1", "Lock " + Blocks + "sdb1", PowerOff},
         {}},
    };
    for (const Case& c : cases) {
        QTemporaryDir stick;
        UdisksStandIn udisks(stick.path(), c.stick);
        ASSERT_FALSE(udisks.address().isEmpty());
        for (const QString& action : c.granted)
            udisks.grant(action);
        const RemovalReport report = UdisksSafeRemoval(udisks.address(), true).remove(stick.path());
        EXPECT_EQ(lines(udisks.calls()), lines(c.calls)) << c.name;
        EXPECT_EQ(report.complete(), c.state.isEmpty()) << c.name;
        EXPECT_TRUE(report.mayBeRemoved()) << c.name;
        if (!c.state.isEmpty()) {
            EXPECT_EQ(report.state().toStdString(), c.state.toStdString()) << c.name;
            EXPECT_TRUE(report.reason().contains(refused))
                << c.name << ": " << report.reason().toStdString();
        }
    }
}

// A udisks2 that takes the call and never answers, and a bus that never answers, are
// named as such after one bounded wait, with the stick said to be still mounted.
TEST(UdisksSafeRemoval, SilentServiceOrBusIsNamedAsSuch) {
    QTemporaryDir stick;
    UdisksStandIn udisks(stick.path(), UdisksStandIn::Stick::Plain);
    udisks.silence();
    const test::SilentSocket bus(stick.filePath(QStringLiteral("bus")));
    ASSERT_FALSE(bus.address().isEmpty());
    struct Case {
        QString address;
        QString reason;
    };
    for (const Case& c :
         {Case{udisks.address(), "udisks2 did not answer the query of its objects within 5 s"},
          Case{bus.address(), bus.address() + " did not answer within 5 s"}}) {
        const RemovalReport report = UdisksSafeRemoval(c.address, true).remove(stick.path());
        EXPECT_FALSE(report.mayBeRemoved()) << c.reason.toStdString();
        EXPECT_EQ(report.state().toStdString(),
                  "still mounted; the volume could not be unmounted: do not remove it yet");
        EXPECT_TRUE(report.reason().contains(c.reason)) << report.reason().toStdString();
    }
    EXPECT_TRUE(udisks.calls().isEmpty());
}
