#pragma once

#include "pipeline/run/RemovedFolder.h"
#include "pipeline/run/RowOutcome.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace tavor {

// The drive a run wrote to, as the drive list knew it.
struct RunDrive {
    QString mount;
    // Empty when the system does not know it.
    QString filesystemUuid;
    bool removable = false;
    bool encrypted = false;
};

// One row of a run and what it left on the drive.
struct RecordedRow {
    RowOutcome outcome;
    // The size of the cabinet or copy on the drive; -1 when none was left.
    qint64 written = -1;
};

// A run as its record keeps it: who ran it where and when, every row's outcome and
// the exit status. A run that did not start keeps its reason and no rows. Built by
// hand, so that nothing else of the window's state (the media password, the login)
// can slip into it; texts that hold a hidden one have it masked.
class RunRecord {
public:
    QDateTime started;
    QDateTime ended;
    QString programVersion;
    QString bank;
    QString branch;
    QString branchNumber;
    QString database;
    QString server;
    QString serverVersion;
    bool unattended = false;
    std::optional<RunDrive> drive;
    QString folder;
    QList<RecordedRow> rows;
    // The old dated folders removed to make room before the first row.
    QList<RemovedFolder> removedFolders;
    int exitStatus = 2;
    // Why no run took place, or why it was cut short; empty otherwise.
    QString reason;
    // Texts never to appear in the record, masked wherever they occur.
    QStringList hidden;

    QJsonObject toJson() const;
    // The record as one line of compact JSON, without its line break.
    QByteArray line() const;

    // ISO 8601 to the second with the offset from UTC always written ("+03:00").
    static QString timestamp(const QDateTime& time);
    static QString kindName(DataSet kind);
    static bool isServerBackup(DataSet kind);

private:
    QJsonObject rowJson(const RecordedRow& row) const;
    QString shown(const QString& text) const;
};

} // namespace tavor
