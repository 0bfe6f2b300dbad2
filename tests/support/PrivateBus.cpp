#include "support/PrivateBus.h"

namespace tavor::test {

PrivateBus::PrivateBus() {
    QProcess& daemon = daemon_.process();
    if (!daemon_.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--session"), QStringLiteral("--nofork"),
                        QStringLiteral("--print-address=1")}))
        return;
    while (!daemon.canReadLine() && daemon.waitForReadyRead(10000))
        ;
    address_ = QString::fromUtf8(daemon.readLine()).trimmed();
}

} // namespace tavor::test
