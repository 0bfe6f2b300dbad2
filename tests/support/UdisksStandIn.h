#pragma once

#include "support/PrivateBus.h"

#include <QString>
#include <QStringList>
#include <QThread>

namespace tavor::test {

// A stand-in for udisks2 on a private message bus of its own (a dbus-daemon started
// for it): one stick mounted at a given folder, plain or opened as an encrypted
// volume, whose calls it records ("Unmount <object>", "Lock ...", "PowerOff ...").
// It answers on a thread of its own, so that callers may block on it.
class UdisksStandIn {
public:
    UdisksStandIn(QString mountPoint, bool encrypted);
    ~UdisksStandIn();
    UdisksStandIn(const UdisksStandIn&) = delete;
    UdisksStandIn& operator=(const UdisksStandIn&) = delete;

    // Empty when the bus could not be started.
    const QString& address() const { return address_; }
    QStringList calls() const;
    // The method then fails with the error name given.
    void refuse(const QString& method, const QString& errorName);

private:
    class Servant;

    PrivateBus bus_;
    QString address_;
    QThread thread_;
    // Lives on thread_, and is deleted there once it ends.
    Servant* servant_;
};

} // namespace tavor::test
