#include "platform/dbus/linux/MessageBus.h"

#include "base/Error.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <dbus/dbus.h>
#include <memory>

namespace tavor {

namespace {

Error busError(const QString& what) {
    return Error(ErrorNumber::DeviceIOError, what);
}

struct ConnectionCloser {
    void operator()(DBusConnection* connection) const {
        dbus_connection_close(connection);
        dbus_connection_unref(connection);
    }
};

struct MessageReleaser {
    void operator()(DBusMessage* message) const { dbus_message_unref(message); }
};

struct PendingCallReleaser {
    void operator()(DBusPendingCall* call) const { dbus_pending_call_unref(call); }
};

// Frees the error's text once it has been read.
QString takeMessage(DBusError& error) {
    const QString message = QString::fromUtf8(error.message);
    dbus_error_free(&error);
    return message;
}

} // namespace

QString MessageBus::systemAddress() {
    const QString address = qEnvironmentVariable("DBUS_SYSTEM_BUS_ADDRESS");
    return address.isEmpty() ? QStringLiteral("unix:path=/run/dbus/system_bus_socket") : address;
}

QString MessageBus::sessionAddress() {
    const QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    if (!address.isEmpty())
        return address;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString socket = runtime + QStringLiteral("/bus");
    if (runtime.isEmpty() || QFileInfo(socket).isDir() || !QFileInfo::exists(socket))
        return {};
    char* escaped = dbus_address_escape_value(socket.toUtf8().constData());
    const QString path = QString::fromUtf8(escaped);
    dbus_free(escaped);
    return QStringLiteral("unix:path=") + path;
}

QDBusConnection MessageBus::connect(const QString& address, const QString& name, int milliseconds) {
    probe(address, milliseconds);
    // A connection of an earlier call under this name may have gone.
    QDBusConnection::disconnectFromBus(name);
    QDBusConnection bus = QDBusConnection::connectToBus(address, name);
    if (!bus.isConnected())
        throw busError(QStringLiteral("The message bus at %1 cannot be reached: %2")
                           .arg(address, bus.lastError().message()));
    return bus;
}

bool MessageBus::unanswered(const QDBusMessage& reply) {
    return reply.type() == QDBusMessage::ErrorMessage &&
           (reply.errorName() == QLatin1String(DBUS_ERROR_NO_REPLY) ||
            reply.errorName() == QLatin1String(DBUS_ERROR_TIMEOUT));
}

// The bus's answer to Hello, the first call of every connection, proves it serves.
// libdbus's own blocking call waits without a limit while it authenticates, so the
// connection is driven here, each wait bounded by the time left.
void MessageBus::probe(const QString& address, int milliseconds) {
    DBusError error;
    dbus_error_init(&error);
    const std::unique_ptr<DBusConnection, ConnectionCloser> connection(
        dbus_connection_open_private(address.toUtf8().constData(), &error));
    if (!connection)
        throw busError(QStringLiteral("The message bus at %1 cannot be reached: %2")
                           .arg(address, takeMessage(error)));
    dbus_connection_set_exit_on_disconnect(connection.get(), FALSE);
    const std::unique_ptr<DBusMessage, MessageReleaser> hello(dbus_message_new_method_call(
        DBUS_SERVICE_DBUS, DBUS_PATH_DBUS, DBUS_INTERFACE_DBUS, "Hello"));
    DBusPendingCall* call = nullptr;
    if (!hello ||
        !dbus_connection_send_with_reply(connection.get(), hello.get(), &call, milliseconds) ||
        !call)
        throw busError(QStringLiteral("The message bus at %1 cannot be reached").arg(address));
    const std::unique_ptr<DBusPendingCall, PendingCallReleaser> pending(call);
    QElapsedTimer clock;
    clock.start();
    while (!dbus_pending_call_get_completed(call)) {
        const qint64 left = milliseconds - clock.elapsed();
        if (left <= 0)
            throw busError(QStringLiteral("The message bus at %1 did not answer within %2 s")
                               .arg(address)
                               .arg(milliseconds / 1000.0));
        if (!dbus_connection_read_write_dispatch(connection.get(), int(left)))
            throw busError(
                QStringLiteral("The message bus at %1 closed the connection").arg(address));
    }
    const std::unique_ptr<DBusMessage, MessageReleaser> reply(dbus_pending_call_steal_reply(call));
    if (!reply || dbus_set_error_from_message(&error, reply.get()))
        throw busError(QStringLiteral("The message bus at %1 refused the connection: %2")
                           .arg(address, takeMessage(error)));
}

} // namespace tavor
