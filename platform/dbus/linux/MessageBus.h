#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>

namespace tavor {

// A message bus reached without waiting on it for long. Qt's own connection asks the
// bus for a name and waits up to 25 s for the answer, in the one thread that serves
// every connection of the process, so a bus that accepts the connection and never
// answers would hold the caller there; the bus is first asked through libdbus, under
// a time limit of the caller's.
class MessageBus {
public:
    // DBUS_SYSTEM_BUS_ADDRESS, or the system bus's well-known socket.
    static QString systemAddress();
    // DBUS_SESSION_BUS_ADDRESS, or the bus in the user's runtime folder; empty when
    // there is neither.
    static QString sessionAddress();

    // A connection under the name given. Raises tavor::Error naming a bus that cannot
    // be reached or did not answer within milliseconds.
    static QDBusConnection connect(const QString& address, const QString& name, int milliseconds);

    // The reply stands for a call that was not answered in the time allowed.
    static bool unanswered(const QDBusMessage& reply);

private:
    static void probe(const QString& address, int milliseconds);
};

} // namespace tavor
