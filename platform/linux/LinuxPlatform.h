#pragma once

#include "platform/Platform.h"
#include "platform/database/RoutingConnection.h"

#include <QStringList>

namespace tavor {

// What the program adds to the Linux adapters when it builds its platform.
struct LinuxPlatformParts {
    // The program's arguments as typed.
    QStringList arguments;
    QString applicationName;
    // The Data Sources a server inside the program serves ("embedded:<folder>"); every
    // other name is SQL Server over ODBC.
    RoutingConnection::Route inProcessServer;
    // The message boxes a window shows; none: every box goes to the message log
    // (ORV_MESSAGE_LOG, or standard error), as under /RUN.
    std::shared_ptr<MessageBoxes> shownMessages;
    // Nobody is at the screen: no service may wait for a password dialog.
    bool unattended = false;
};

// The program's platform on Linux: every seam's Linux adapter, the registry store
// in its default folder, the record of runs and the desktop's note id in the user's
// state folder.
Platform makeLinuxPlatform(LinuxPlatformParts parts);

} // namespace tavor
