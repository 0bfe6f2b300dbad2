#include "platform/removal/linux/UdisksSafeRemoval.h"

#include "base/Error.h"
#include "base/Outcome.h"
#include "platform/dbus/linux/MessageBus.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace tavor {

namespace {

const QString Service = QStringLiteral("org.freedesktop.UDisks2");
const QString ConnectionName = QStringLiteral("tavor-safe-removal");

Error removalError(const QString& what) {
    return Error(ErrorNumber::DeviceIOError, what);
}

QString unansweredText(const QString& what, int milliseconds) {
    return QStringLiteral("udisks2 did not answer %1 within %2 s")
        .arg(what)
        .arg(milliseconds / 1000);
}

} // namespace

UdisksSafeRemoval::UdisksSafeRemoval(QString busAddress, bool unattended)
    : busAddress_(busAddress.isEmpty() ? MessageBus::systemAddress() : std::move(busAddress)),
      unattended_(unattended) {}

RemovalReport UdisksSafeRemoval::remove(const QString& mountPoint) {
    RemovalReport report;
    if (const Outcome flushed = Outcome::of([&] { flush(mountPoint); }); !flushed) {
        report.stopped(QStringLiteral("the volume could not be flushed"), flushed.reason());
        return report;
    }
    bool missingDrive = false;
    QList<UdisksStep> steps;
    if (const Outcome found = Outcome::of([&] { steps = stepsToRemove(mountPoint, missingDrive); });
        !found) {
        report.stopped(QStringLiteral("the volume could not be unmounted"), found.reason());
        return report;
    }
    if (takeSteps(steps, report) && missingDrive)
        report.stopped(QStringLiteral("the drive could not be powered off"),
                       QStringLiteral("udisks2 names no drive beneath %1").arg(mountPoint));
    return report;
}

// In order, up to the first that is not taken; false then.
bool UdisksSafeRemoval::takeSteps(const QList<UdisksStep>& steps, RemovalReport& report) const {
    const QDBusConnection bus(ConnectionName);
    for (const UdisksStep& step : steps) {
        if (const Outcome taken = Outcome::of([&] { take(bus, step); }); !taken) {
            report.stopped(step.notTaken(), taken.reason());
            return false;
        }
        if (step.kind == UdisksStep::Unmount)
            report.unmounted();
        else if (step.kind == UdisksStep::PowerOff)
            report.poweredOff();
        else
            report.reached(step.reached());
    }
    return true;
}

// One call for every object udisks2 knows, instead of one per block device.
QList<UdisksStep> UdisksSafeRemoval::stepsToRemove(const QString& mountPoint,
                                                   bool& missingDrive) const {
    const QDBusConnection bus = MessageBus::connect(busAddress_, ConnectionName, QueryMilliseconds);
    const QDBusMessage list = QDBusMessage::createMethodCall(
        Service, QStringLiteral("/org/freedesktop/UDisks2"),
        QStringLiteral("org.freedesktop.DBus.ObjectManager"), QStringLiteral("GetManagedObjects"));
    const QDBusMessage reply = bus.call(list, QDBus::Block, QueryMilliseconds);
    if (MessageBus::unanswered(reply))
        throw removalError(
            unansweredText(QStringLiteral("the query of its objects"), QueryMilliseconds));
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty() ||
        !reply.arguments().front().canConvert<QDBusArgument>())
        throw removalError(QStringLiteral("udisks2 cannot list its objects: %1: %2")
                               .arg(reply.errorName(), reply.errorMessage()));
    return UdisksObjects(reply.arguments().front().value<QDBusArgument>())
        .stepsToRemove(mountPoint, missingDrive);
}

void UdisksSafeRemoval::take(const QDBusConnection& bus, const UdisksStep& step) const {
    QDBusMessage message =
        QDBusMessage::createMethodCall(Service, step.object, step.interface(), step.method());
    QVariantMap options;
    if (unattended_)
        options.insert(QStringLiteral("auth.no_user_interaction"), true);
    message << options;
    const QDBusMessage reply = bus.call(message, QDBus::Block, StepMilliseconds);
    if (MessageBus::unanswered(reply))
        throw removalError(
            unansweredText(step.method() + QStringLiteral(" of ") + step.object, StepMilliseconds));
    if (reply.type() != QDBusMessage::ReplyMessage)
        throw removalError(
            QStringLiteral("udisks2 refused %1 of %2: %3: %4")
                .arg(step.method(), step.object, reply.errorName(), reply.errorMessage()));
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

} // namespace tavor
