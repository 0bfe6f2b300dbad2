#pragma once

#include "support/GroupedProcess.h"

#include <QString>

namespace tavor::test {

// A message bus of a test's own (dbus-daemon with the session bus's configuration), in
// its own process group: it ends with this object.
class PrivateBus {
public:
    PrivateBus();

    // Empty when the bus could not be started.
    const QString& address() const { return address_; }

private:
    GroupedProcess daemon_;
    QString address_;
};

} // namespace tavor::test
