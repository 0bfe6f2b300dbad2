#include "platform/removal/linux/UdisksStep.h"

namespace tavor {

QString UdisksStep::interface() const {
    switch (kind) {
    case Unmount:
        return QStringLiteral("org.freedesktop.UDisks2.Filesystem");
    case Deactivate:
        return QStringLiteral("org.freedesktop.UDisks2.LogicalVolume");
    case Lock:
        return QStringLiteral("org.freedesktop.UDisks2.Encrypted");
    case PowerOff:
        break;
    }
    return QStringLiteral("org.freedesktop.UDisks2.Drive");
}

QString UdisksStep::method() const {
    switch (kind) {
    case Unmount:
        return QStringLiteral("Unmount");
    case Deactivate:
        return QStringLiteral("Deactivate");
    case Lock:
        return QStringLiteral("Lock");
    case PowerOff:
        break;
    }
    return QStringLiteral("PowerOff");
}

QString UdisksStep::reached() const {
    return kind == Deactivate ? QStringLiteral("its logical volumes deactivated")
                              : QStringLiteral("locked");
}

QString UdisksStep::notTaken() const {
    switch (kind) {
    case Unmount:
        return QStringLiteral("the volume could not be unmounted");
    case Deactivate:
        return QStringLiteral("the logical volume %1 could not be deactivated").arg(name);
    case Lock:
        return QStringLiteral("the encrypted volume could not be locked");
    case PowerOff:
        break;
    }
    return QStringLiteral("the drive could not be powered off");
}

} // namespace tavor
