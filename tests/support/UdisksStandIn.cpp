#include "support/UdisksStandIn.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QFile>
#include <QMutex>
#include <QMutexLocker>

namespace tavor::test {

namespace {

const QString Root = QStringLiteral("/org/freedesktop/UDisks2");
const QString Stick = Root + QStringLiteral("/block_devices/sdb1");
const QString Mapped = Root + QStringLiteral("/block_devices/dm_2d0");
const QString System = Root + QStringLiteral("/block_devices/sda");
const QString Drive = Root + QStringLiteral("/drives/Stick");
const QString ConnectionName = QStringLiteral("udisks-stand-in");

} // namespace

class UdisksStandIn::Servant : public QDBusVirtualObject {
public:
    Servant(QString mountPoint, bool encrypted)
        : mountPoint_(std::move(mountPoint)), encrypted_(encrypted) {}

    QStringList calls() const;
    void refuse(const QString& method, const QString& errorName);

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    QDBusMessage answer(const QDBusMessage& message);
    QDBusMessage property(const QDBusMessage& message) const;

    QString mountPoint_;
    bool encrypted_;
    mutable QMutex mutex_;
    QStringList calls_;
    QString refusedMethod_;
    QString refusedError_;
};

UdisksStandIn::UdisksStandIn(QString mountPoint, bool encrypted)
    : servant_(new Servant(std::move(mountPoint), encrypted)) {
    qDBusRegisterMetaType<QList<QByteArray>>();
    qDBusRegisterMetaType<QList<QDBusObjectPath>>();
    const QString& address = bus_.address();
    // Registering gives the servant children of the bus's own: it moves with them.
    QDBusConnection bus = QDBusConnection::connectToBus(address, ConnectionName);
    if (bus.registerService(QStringLiteral("org.freedesktop.UDisks2")) &&
        bus.registerVirtualObject(Root, servant_, QDBusConnection::SubPath))
        address_ = address;
    servant_->moveToThread(&thread_);
    QObject::connect(&thread_, &QThread::finished, servant_, &QObject::deleteLater);
    thread_.start();
}

UdisksStandIn::~UdisksStandIn() {
    QDBusConnection::disconnectFromBus(ConnectionName);
    thread_.quit();
    thread_.wait();
}

QStringList UdisksStandIn::calls() const {
    return servant_->calls();
}

void UdisksStandIn::refuse(const QString& method, const QString& errorName) {
    servant_->refuse(method, errorName);
}

QStringList UdisksStandIn::Servant::calls() const {
    const QMutexLocker lock(&mutex_);
    return calls_;
}

void UdisksStandIn::Servant::refuse(const QString& method, const QString& errorName) {
    const QMutexLocker lock(&mutex_);
    refusedMethod_ = method;
    refusedError_ = errorName;
}

QString UdisksStandIn::Servant::introspect(const QString&) const {
    return {};
}

bool UdisksStandIn::Servant::handleMessage(const QDBusMessage& message,
                                           const QDBusConnection& connection) {
    connection.send(answer(message));
    return true;
}

QDBusMessage UdisksStandIn::Servant::answer(const QDBusMessage& message) {
    const QString& member = message.member();
    if (message.interface() == u"org.freedesktop.DBus.Properties" && member == u"Get")
        return property(message);
    if (message.path() == Root + QStringLiteral("/Manager") && member == u"GetBlockDevices") {
        const QList<QDBusObjectPath> blocks = {QDBusObjectPath(System),
                                               QDBusObjectPath(encrypted_ ? Mapped : Stick)};
        return message.createReply(QVariant::fromValue(blocks));
    }
    if (member != u"Unmount" && member != u"Lock" && member != u"PowerOff")
        return message.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"),
                                        member);
    const QMutexLocker lock(&mutex_);
    calls_ << member + QLatin1Char(' ') + message.path();
    if (member == refusedMethod_)
        return message.createErrorReply(refusedError_, QStringLiteral("refused by the stand-in"));
    return message.createReply();
}

// The mounted block has the stick's file system; the system disk has none. An
// encrypted stick's file system lies on a mapping backed by the stick's partition.
QDBusMessage UdisksStandIn::Servant::property(const QDBusMessage& message) const {
    const QString interface = message.arguments().value(0).toString();
    const QString name = message.arguments().value(1).toString();
    const QString mounted = encrypted_ ? Mapped : Stick;
    QVariant value;
    if (message.path() == mounted && name == u"MountPoints")
        value = QVariant::fromValue(QList<QByteArray>{QFile::encodeName(mountPoint_) + '\0'});
    else if (message.path() == mounted && name == u"CryptoBackingDevice")
        value = QVariant::fromValue(QDBusObjectPath(encrypted_ ? Stick : QStringLiteral("/")));
    else if (message.path() == Stick && name == u"Drive")
        value = QVariant::fromValue(QDBusObjectPath(Drive));
    else if (message.path() == Mapped && name == u"Drive")
        value = QVariant::fromValue(QDBusObjectPath(QStringLiteral("/")));
    if (!value.isValid())
        return message.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"),
                                        interface + QLatin1Char('.') + name);
    return message.createReply(QVariant::fromValue(QDBusVariant(value)));
}

} // namespace tavor::test
