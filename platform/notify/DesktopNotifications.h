#pragma once

#include <QString>

namespace tavor {

// A note on the desktop of whoever is logged in.
struct DesktopNotification {
    QString summary;
    QString body;
    // Shown until dismissed: a failure or a night without a run.
    bool critical = false;
};

// The desktop's notification service. Each note replaces the program's previous
// one; without a desktop nothing is shown and nothing is said.
class DesktopNotifications {
public:
    virtual ~DesktopNotifications() = default;
    virtual void notify(const DesktopNotification& notification) = 0;
};

} // namespace tavor
