#include "platform/notify/linux/DbusDesktopNotifications.h"

#include "base/Outcome.h"
#include "platform/dbus/linux/MessageBus.h"
#include "safewrite/ReplacementFile.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QVariantMap>
#include <optional>

namespace tavor {

namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString ObjectPath = QStringLiteral("/org/freedesktop/Notifications");
const QString ConnectionName = QStringLiteral("tavor-desktop-notes");

} // namespace

void DbusDesktopNotifications::notify(const DesktopNotification& notification) {
    const QString address = MessageBus::sessionAddress();
    std::optional<QDBusConnection> bus;
    if (address.isEmpty() || !Outcome::of([&] {
            bus = MessageBus::connect(address, ConnectionName, AnswerMilliseconds);
        }))
        return;
    QDBusMessage call =
        QDBusMessage::createMethodCall(Service, ObjectPath, Service, QStringLiteral("Notify"));
    // The urgency hint is a byte: 1 normal, 2 critical.
    const QVariantMap hints = {
        {QStringLiteral("urgency"), QVariant::fromValue(uchar(notification.critical ? 2 : 1))}};
    call << QStringLiteral("Tavor backup") << previousId()
         << QStringLiteral("drive-removable-media") << notification.summary << notification.body
         << QStringList() << hints << qint32(-1);
    const QDBusMessage reply = bus->call(call, QDBus::Block, AnswerMilliseconds);
    if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
        rememberId(reply.arguments().constFirst().toUInt());
}

quint32 DbusDesktopNotifications::previousId() const {
    QFile file(idFile_);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return file.readAll().trimmed().toUInt();
}

// A note whose id cannot be kept is still shown; the next one then stands beside it.
void DbusDesktopNotifications::rememberId(quint32 id) const {
    try {
        QDir().mkpath(QFileInfo(idFile_).path());
        ReplacementFile::write(idFile_, QByteArray::number(id) + '\n', SystemCalls::host(), 0600);
    } catch (const std::exception&) {
    }
}

} // namespace tavor
