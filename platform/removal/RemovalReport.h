#pragma once

#include <QString>
#include <QStringList>

namespace tavor {

// What safe removal left a stick as: the states it reached in order ("unmounted",
// "locked"), the step it could not take and why, and whether pulling the stick out
// now loses nothing (its file system is unmounted, so what it holds is on the medium).
class RemovalReport {
public:
    void unmounted();
    // A step taken between unmounting and powering off; a state reached twice in a row
    // is named once.
    void reached(const QString& state);
    // The last step: the drive may be taken out.
    void poweredOff() { complete_ = mayBeRemoved_ = true; }
    // The step that could not be taken, and why; no step after it is tried.
    void stopped(const QString& step, const QString& reason);

    bool complete() const { return complete_; }
    bool mayBeRemoved() const { return mayBeRemoved_; }
    // What is true of a stick not removed completely, e.g. "unmounted and locked; the
    // drive could not be powered off: it may be removed".
    QString state() const;
    const QString& reason() const { return reason_; }

private:
    QStringList reached_;
    QString step_;
    QString reason_;
    bool mayBeRemoved_ = false;
    bool complete_ = false;
};

} // namespace tavor
