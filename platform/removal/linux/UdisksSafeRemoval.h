#pragma once

#include "platform/removal/SafeRemoval.h"
#include "platform/removal/linux/UdisksObjects.h"

#include <QDBusConnection>
#include <QString>

namespace tavor {

// Safe removal through udisks2 (org.freedesktop.UDisks2) on the system bus: the
// volume is flushed (syncfs), the file system mounted there unmounted, the logical
// volumes beneath it deactivated, the encrypted device locked and the drive powered
// off. What udisks2 knows is read in one call; each call is bounded, so that a silent
// udisks2 costs seconds and is named as such.
class UdisksSafeRemoval : public SafeRemoval {
public:
    // How long the bus and the query of udisks2's objects may take.
    static constexpr int QueryMilliseconds = 5000;
    // How long one step may take: unmounting, locking, powering a drive down wait for
    // the device.
    static constexpr int StepMilliseconds = 60000;

    // An empty address is the system bus. Unattended, every call tells udisks2 that
    // nobody is there to answer an authentication dialog: what polkit would ask a
    // password for is refused at once instead.
    explicit UdisksSafeRemoval(QString busAddress = {}, bool unattended = false);

    RemovalReport remove(const QString& mountPoint) override;

private:
    QList<UdisksStep> stepsToRemove(const QString& mountPoint, bool& missingDrive) const;
    bool takeSteps(const QList<UdisksStep>& steps, RemovalReport& report) const;
    void take(const QDBusConnection& bus, const UdisksStep& step) const;
    static void flush(const QString& mountPoint);

    QString busAddress_;
    bool unattended_;
};

} // namespace tavor
