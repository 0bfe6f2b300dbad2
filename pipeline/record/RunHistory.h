#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QString>

namespace tavor {

// The record of past runs read back: what head office and the next run want to
// know of it. Lines that are not a run's JSON object (a line cut short by a power
// cut) are passed over; the lines of restore drills are kept apart from the runs.
class RunHistory {
public:
    explicit RunHistory(const QList<QByteArray>& lines);

    const QList<QJsonObject>& runs() const { return runs_; }
    // The last run; empty when there was none.
    QJsonObject lastRun() const;
    // When the last run in which every row got its tick ended; invalid when none.
    QDateTime lastSuccess() const;
    // The end of the last complete run on each removable volume, by file system UUID.
    QMap<QString, QDateTime> lastCompleteCopies() const;
    // The last row of each kind that got its tick: its run's end, its source's size
    // and what it left on the drive (-1 when unknown).
    struct KindSuccess {
        QDateTime ended;
        qint64 size = -1;
        qint64 written = -1;
    };
    QMap<QString, KindSuccess> lastSuccessByKind() const;

    // The last restore drill ("mode": "drill"); empty when there was none.
    QJsonObject lastDrill() const;

    static QDateTime ended(const QJsonObject& run);
    static bool complete(const QJsonObject& run);

private:
    QList<QJsonObject> runs_;
    QList<QJsonObject> drills_;
};

} // namespace tavor
