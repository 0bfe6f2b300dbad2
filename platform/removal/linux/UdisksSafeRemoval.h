#pragma once

#include "platform/removal/SafeRemoval.h"

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QString>
#include <QVariant>

namespace tavor {

// Safe removal through udisks2 (org.freedesktop.UDisks2) on the system bus: the
// volume is flushed (syncfs), the block device mounted there unmounted, an encrypted
// volume's backing device locked, and its drive powered off.
class UdisksSafeRemoval : public SafeRemoval {
public:
    // An empty address is the system bus.
    explicit UdisksSafeRemoval(QString busAddress = {});

    void remove(const QString& mountPoint) override;

private:
    QDBusConnection connect() const;
    static void flush(const QString& mountPoint);
    static QDBusObjectPath blockMountedAt(const QDBusConnection& bus, const QString& mountPoint);
    static QVariant property(const QDBusConnection& bus, const QDBusObjectPath& object,
                             const QString& interface, const QString& name);
    static QDBusObjectPath pathProperty(const QDBusConnection& bus, const QDBusObjectPath& object,
                                        const QString& interface, const QString& name);
    static QDBusMessage call(const QDBusConnection& bus, const QDBusObjectPath& object,
                             const QString& interface, const QString& method);

    QString busAddress_;
};

} // namespace tavor
