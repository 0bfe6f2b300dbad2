#pragma once

#include "platform/removal/linux/UdisksStep.h"

#include <QDBusArgument>
#include <QList>
#include <QMap>
#include <QString>
#include <QVariantMap>

namespace tavor {

// udisks2's objects as one GetManagedObjects call gives them (object path, its
// interfaces, their properties), and the way down from a mounted file system to its
// drive: a logical volume to its volume group's one physical volume, a cleartext
// device to the encrypted one that backs it, a partition of a device that is not a
// drive's to that device.
class UdisksObjects {
public:
    // The reply's argument: a{oa{sa{sv}}}.
    explicit UdisksObjects(const QDBusArgument& managedObjects);

    // The steps that take the volume mounted at mountPoint off the machine: unmount it,
    // deactivate the logical volumes that hold what lies beneath, lock the encrypted
    // devices, power the drive off (left out when udisks2 names no drive; then
    // missingDrive is true). Raises tavor::Error when udisks2 knows no volume mounted
    // there.
    QList<UdisksStep> stepsToRemove(const QString& mountPoint, bool& missingDrive) const;

private:
    using Interfaces = QMap<QString, QVariantMap>;

    QString blockMountedAt(const QString& mountPoint) const;
    // The next block down from block, with the steps that free it; empty at the bottom.
    QString beneath(const QString& block, QList<UdisksStep>& steps) const;
    QString beneathLogicalVolume(const QString& volume, QList<UdisksStep>& steps) const;
    // The object path a property names; empty for none ("/") or no such property.
    QString path(const QString& object, const QString& interface, const QString& name) const;
    QList<QByteArray> mountPoints(const QString& block) const;

    QMap<QString, Interfaces> objects_;
};

} // namespace tavor
