#include "platform/removal/RemovalReport.h"

namespace tavor {

void RemovalReport::unmounted() {
    reached(QStringLiteral("unmounted"));
    mayBeRemoved_ = true;
}

void RemovalReport::reached(const QString& state) {
    if (reached_.isEmpty() || reached_.constLast() != state)
        reached_ << state;
}

void RemovalReport::stopped(const QString& step, const QString& reason) {
    step_ = step;
    reason_ = reason;
}

QString RemovalReport::state() const {
    QString done = QStringLiteral("still mounted");
    if (!reached_.isEmpty()) {
        done = reached_.constLast();
        if (reached_.size() > 1)
            done = reached_.first(reached_.size() - 1).join(QStringLiteral(", ")) +
                   QStringLiteral(" and ") + done;
    }
    return done + QStringLiteral("; ") + step_ +
           (mayBeRemoved_ ? QStringLiteral(": it may be removed")
                          : QStringLiteral(": do not remove it yet"));
}

} // namespace tavor
