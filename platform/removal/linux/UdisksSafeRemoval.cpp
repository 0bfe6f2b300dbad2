#include "platform/removal/linux/UdisksSafeRemoval.h"

#include "base/Error.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace tavor {

namespace {

const QString Service = QStringLiteral("org.freedesktop.UDisks2");
const QString BlockInterface = QStringLiteral("org.freedesktop.UDisks2.Block");
const QString FilesystemInterface = QStringLiteral("org.freedesktop.UDisks2.Filesystem");
// Unmounting a busy stick or powering a drive down waits for the device.
constexpr int CallTimeoutMilliseconds = 120000;

Error removalError(const QString& what) {
    return Error(ErrorNumber::DeviceIOError, what);
}

// udisks2 gives mount points as NUL-terminated bytes.
QByteArray withoutNul(QByteArray bytes) {
    while (bytes.endsWith('\0'))
        bytes.chop(1);
    return bytes;
}

} // namespace

UdisksSafeRemoval::UdisksSafeRemoval(QString busAddress) : busAddress_(std::move(busAddress)) {}

void UdisksSafeRemoval::remove(const QString& mountPoint) {
    flush(mountPoint);
    const QDBusConnection bus = connect();
    if (!bus.isConnected())
        throw removalError(
            QStringLiteral("The system bus cannot be reached: %1").arg(bus.lastError().message()));
    const QDBusObjectPath block = blockMountedAt(bus, mountPoint);
    call(bus, block, FilesystemInterface, QStringLiteral("Unmount"));
    QDBusObjectPath driveBlock = block;
    const QDBusObjectPath backing =
        pathProperty(bus, block, BlockInterface, QStringLiteral("CryptoBackingDevice"));
    if (backing.path() != u"/") {
        call(bus, backing, QStringLiteral("org.freedesktop.UDisks2.Encrypted"),
             QStringLiteral("Lock"));
        driveBlock = backing;
    }
    const QDBusObjectPath drive =
        pathProperty(bus, driveBlock, BlockInterface, QStringLiteral("Drive"));
    if (drive.path() == u"/")
        throw removalError(QStringLiteral("udisks2 names no drive for %1").arg(mountPoint));
    call(bus, drive, QStringLiteral("org.freedesktop.UDisks2.Drive"), QStringLiteral("PowerOff"));
}

QDBusConnection UdisksSafeRemoval::connect() const {
    if (busAddress_.isEmpty())
        return QDBusConnection::systemBus();
    return QDBusConnection::connectToBus(busAddress_, QStringLiteral("tavor-safe-removal"));
}

// What the volume still holds in memory is written out before it goes away.
void UdisksSafeRemoval::flush(const QString& mountPoint) {
    const int fd =
        ::open(QFile::encodeName(mountPoint).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 || ::syncfs(fd) != 0) {
        const int failure = errno;
        if (fd >= 0)
            ::close(fd);
        throw removalError(QStringLiteral("Cannot flush %1: %2")
                               .arg(mountPoint, QString::fromLocal8Bit(std::strerror(failure))));
    }
    ::close(fd);
}

QDBusObjectPath UdisksSafeRemoval::blockMountedAt(const QDBusConnection& bus,
                                                  const QString& mountPoint) {
    QDBusMessage list = QDBusMessage::createMethodCall(
        Service, QStringLiteral("/org/freedesktop/UDisks2/Manager"),
        QStringLiteral("org.freedesktop.UDisks2.Manager"), QStringLiteral("GetBlockDevices"));
    list << QVariantMap();
    const QDBusMessage reply = bus.call(list, QDBus::Block, CallTimeoutMilliseconds);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        throw removalError(
            QStringLiteral("udisks2 cannot list the block devices: %1").arg(reply.errorMessage()));
    QList<QDBusObjectPath> blocks;
    reply.arguments().front().value<QDBusArgument>() >> blocks;
    const QByteArray wanted = QFile::encodeName(QDir::cleanPath(mountPoint));
    for (const QDBusObjectPath& block : blocks) {
        const QVariant points =
            property(bus, block, FilesystemInterface, QStringLiteral("MountPoints"));
        if (!points.isValid())
            continue;
        QList<QByteArray> mounted;
        points.value<QDBusArgument>() >> mounted;
        for (const QByteArray& point : mounted) {
            if (QDir::cleanPath(QFile::decodeName(withoutNul(point))).toLocal8Bit() == wanted)
                return block;
        }
    }
    throw removalError(QStringLiteral("udisks2 knows no volume mounted at %1").arg(mountPoint));
}

// An invalid value when the object has no such property (a block without a file system).
QVariant UdisksSafeRemoval::property(const QDBusConnection& bus, const QDBusObjectPath& object,
                                     const QString& interface, const QString& name) {
    QDBusMessage get = QDBusMessage::createMethodCall(
        Service, object.path(), QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get << interface << name;
    const QDBusMessage reply = bus.call(get, QDBus::Block, CallTimeoutMilliseconds);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return reply.arguments().front().value<QDBusVariant>().variant();
}

QDBusObjectPath UdisksSafeRemoval::pathProperty(const QDBusConnection& bus,
                                                const QDBusObjectPath& object,
                                                const QString& interface, const QString& name) {
    const QVariant value = property(bus, object, interface, name);
    return value.canConvert<QDBusObjectPath>() ? value.value<QDBusObjectPath>()
                                               : QDBusObjectPath(QStringLiteral("/"));
}

QDBusMessage UdisksSafeRemoval::call(const QDBusConnection& bus, const QDBusObjectPath& object,
                                     const QString& interface, const QString& method) {
    QDBusMessage message =
        QDBusMessage::createMethodCall(Service, object.path(), interface, method);
    message << QVariantMap();
    const QDBusMessage reply = bus.call(message, QDBus::Block, CallTimeoutMilliseconds);
    if (reply.type() != QDBusMessage::ReplyMessage)
        throw removalError(
            QStringLiteral("udisks2 refused %1 of %2: %3")
                .arg(method, object.path(),
                     reply.errorName() + QStringLiteral(": ") + reply.errorMessage()));
    return reply;
}

} // namespace tavor
