#include "platform/removal/linux/UdisksStep.h"

namespace tavor {

namespace {

struct Call {
    const char* interface;
    const char* method;
    const char* notTaken;
};

// By kind, in the order of UdisksStep::Kind.
constexpr Call Calls[] = {
    {"org.freedesktop.UDisks2.Filesystem", "Unmount", "the volume could not be unmounted"},
    {"org.freedesktop.UDisks2.LogicalVolume", "Deactivate",
     "the logical volume %1 could not be deactivated"},
    {"org.freedesktop.UDisks2.Encrypted", "Lock", "the encrypted volume could not be locked"},
    {"org.freedesktop.UDisks2.Drive", "PowerOff", "the drive could not be powered off"},
};

} // namespace

QString UdisksStep::interface() const {
    return QString::fromLatin1(Calls[kind].interface);
}

QString UdisksStep::method() const {
    return QString::fromLatin1(Calls[kind].method);
}

QString UdisksStep::reached() const {
    return kind == Deactivate ? QStringLiteral("its logical volumes deactivated")
                              : QStringLiteral("locked");
}

QString UdisksStep::notTaken() const {
    const QString text = QString::fromLatin1(Calls[kind].notTaken);
    return kind == Deactivate ? text.arg(name) : text;
}

} // namespace tavor
