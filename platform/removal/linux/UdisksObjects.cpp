#include "platform/removal/linux/UdisksObjects.h"

#include "base/Error.h"

#include <QDBusObjectPath>
#include <QDir>
#include <QFile>
#include <QSet>

namespace tavor {

namespace {

const QString BlockInterface = QStringLiteral("org.freedesktop.UDisks2.Block");
const QString FilesystemInterface = QStringLiteral("org.freedesktop.UDisks2.Filesystem");
const QString VolumeInterface = QStringLiteral("org.freedesktop.UDisks2.LogicalVolume");
const QString GroupMemberInterface = QStringLiteral("org.freedesktop.UDisks2.PhysicalVolume");
// A hostile or broken answer could name blocks in a circle.
constexpr int MostLayers = 16;

// udisks2 gives mount points as NUL-terminated bytes.
QByteArray withoutNul(QByteArray bytes) {
    while (bytes.endsWith('\0'))
        bytes.chop(1);
    return bytes;
}

} // namespace

UdisksObjects::UdisksObjects(const QDBusArgument& managedObjects) {
    QMap<QDBusObjectPath, Interfaces> objects;
    managedObjects >> objects;
    for (auto object = objects.cbegin(); object != objects.cend(); ++object)
        objects_.insert(object.key().path(), object.value());
}

QList<UdisksStep> UdisksObjects::stepsToRemove(const QString& mountPoint,
                                               bool& missingDrive) const {
    QString block = blockMountedAt(mountPoint);
    QList<UdisksStep> steps = {{UdisksStep::Unmount, block}};
    QSet<QString> visited;
    for (QString next = block; !next.isEmpty() && visited.size() < MostLayers;
         next = beneath(block, steps)) {
        if (visited.contains(next))
            break;
        visited.insert(next);
        block = next;
    }
    const QString drive = path(block, BlockInterface, QStringLiteral("Drive"));
    missingDrive = drive.isEmpty();
    if (!missingDrive)
        steps.append({UdisksStep::PowerOff, drive});
    return steps;
}

QString UdisksObjects::blockMountedAt(const QString& mountPoint) const {
    const QByteArray wanted = QFile::encodeName(QDir::cleanPath(mountPoint));
    for (auto object = objects_.cbegin(); object != objects_.cend(); ++object) {
        for (const QByteArray& point : mountPoints(object.key())) {
            if (QFile::encodeName(QDir::cleanPath(QFile::decodeName(withoutNul(point)))) == wanted)
                return object.key();
        }
    }
    throw Error(ErrorNumber::DeviceIOError,
                QStringLiteral("udisks2 knows no volume mounted at %1").arg(mountPoint));
}

QString UdisksObjects::beneath(const QString& block, QList<UdisksStep>& steps) const {
    const QString volume = path(block, QStringLiteral("org.freedesktop.UDisks2.Block.LVM2"),
                                QStringLiteral("LogicalVolume"));
    if (!volume.isEmpty())
        return beneathLogicalVolume(volume, steps);
    const QString backing = path(block, BlockInterface, QStringLiteral("CryptoBackingDevice"));
    if (!backing.isEmpty()) {
        steps.append({UdisksStep::Lock, backing});
        return backing;
    }
    // A partition inside an encrypted device or a logical volume: its table's device
    // is no drive's.
    const QString table =
        path(block, QStringLiteral("org.freedesktop.UDisks2.Partition"), QStringLiteral("Table"));
    if (!table.isEmpty() && path(block, BlockInterface, QStringLiteral("Drive")).isEmpty())
        return table;
    return {};
}

// The volume group's physical volume is free only when none of the group's logical
// volumes is active; a group on more than one device is left as it is.
QString UdisksObjects::beneathLogicalVolume(const QString& volume, QList<UdisksStep>& steps) const {
    const QString group = path(volume, VolumeInterface, QStringLiteral("VolumeGroup"));
    QStringList members;
    QList<UdisksStep> deactivations;
    for (auto object = objects_.cbegin(); object != objects_.cend(); ++object) {
        const QString& name = object.key();
        if (path(name, GroupMemberInterface, QStringLiteral("VolumeGroup")) == group)
            members << name;
        const QVariantMap lv = object.value().value(VolumeInterface);
        if (path(name, VolumeInterface, QStringLiteral("VolumeGroup")) == group &&
            lv.value(QStringLiteral("Active")).toBool())
            deactivations.append(
                {UdisksStep::Deactivate, name, lv.value(QStringLiteral("Name")).toString()});
    }
    if (group.isEmpty() || members.size() != 1)
        return {};
    steps.append(deactivations);
    return members.front();
}

QString UdisksObjects::path(const QString& object, const QString& interface,
                            const QString& name) const {
    const QVariant value = objects_.value(object).value(interface).value(name);
    const QString path = value.value<QDBusObjectPath>().path();
    return path == u"/" ? QString() : path;
}

QList<QByteArray> UdisksObjects::mountPoints(const QString& block) const {
    const QVariant value =
        objects_.value(block).value(FilesystemInterface).value(QStringLiteral("MountPoints"));
    QList<QByteArray> points;
    if (value.canConvert<QDBusArgument>())
        value.value<QDBusArgument>() >> points;
    return points;
}

} // namespace tavor
