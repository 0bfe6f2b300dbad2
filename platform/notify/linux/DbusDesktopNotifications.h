#pragma once

#include "platform/notify/DesktopNotifications.h"

namespace tavor {

// org.freedesktop.Notifications on the session bus. The id of the note shown
// last is kept in a file, so that the next run's note, from another process,
// takes its place instead of piling up.
class DbusDesktopNotifications : public DesktopNotifications {
public:
    // How long a bus or a service that does not answer may keep the run waiting, at
    // connecting and at the call each.
    static constexpr int AnswerMilliseconds = 3000;

    explicit DbusDesktopNotifications(QString idFile) : idFile_(std::move(idFile)) {}

    void notify(const DesktopNotification& notification) override;

private:
    quint32 previousId() const;
    void rememberId(quint32 id) const;

    QString idFile_;
};

} // namespace tavor
