#pragma once

#include "support/PrivateBus.h"

#include <QString>
#include <QStringList>
#include <QThread>

namespace tavor::test {

// A stand-in for udisks2 on a private message bus of its own: the system disk and one
// stick mounted at a given folder, laid out as the stick is. It answers
// GetManagedObjects with its objects, changes them as its calls do ("Unmount <object>",
// "Deactivate ...", "Lock ...", "PowerOff ..." are recorded), and refuses what udisks2
// refuses: a lock or a power-off while something above is in use, and what polkit does
// not allow the caller. It answers on a thread of its own, so that callers may block on it.
class UdisksStandIn {
public:
    enum class Stick {
        Plain,
        // A LUKS partition with the file system inside.
        Encrypted,
        // A LUKS partition holding a volume group "stick" with two active logical
        // volumes, "backup" (mounted) and "spare".
        LvmOnEncrypted,
        // A LUKS partition holding a partition table, whose partition is mounted.
        PartitionInEncrypted,
    };

    UdisksStandIn(QString mountPoint, Stick stick);
    ~UdisksStandIn();
    UdisksStandIn(const UdisksStandIn&) = delete;
    UdisksStandIn& operator=(const UdisksStandIn&) = delete;

    // Empty when the bus could not be started.
    const QString& address() const { return address_; }
    QStringList calls() const;
    // The method then fails with the error name given.
    void refuse(const QString& method, const QString& errorName);
    // The method then answers only after this long, as it does on a slow stick (an
    // unmount waits for the stick to take the cached writes); the stand-in ends
    // only once the answer has gone.
    void delay(const QString& method, int milliseconds);
    // The caller is in an active session on the stick's seat, where polkit allows
    // powering a removable drive off; by default it is a service without a session.
    void activeSession();
    // polkit allows the action (as a rule for the caller's group does).
    void grant(const QString& action);
    // Every call is taken and never answered.
    void silence();

private:
    class Servant;

    PrivateBus bus_;
    QString address_;
    QThread thread_;
    // Lives on thread_, and is deleted there once it ends.
    Servant* servant_;
};

} // namespace tavor::test
