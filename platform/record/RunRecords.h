#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace tavor {

// Where the record of every run is kept: one JSON line a run, oldest first. The
// record also writes the copies of a run's entry that others read (the one in the
// dated folder, the metrics file), each replaced whole or not at all.
class RunRecords {
public:
    virtual ~RunRecords() = default;

    // The record's lines, oldest first; none when there is no record yet.
    virtual QList<QByteArray> history() const = 0;
    // Appends one line and syncs it to the medium; at the cap the oldest lines go.
    // Raises tavor::Error when the line cannot be kept.
    virtual void append(const QByteArray& line) = 0;
    // Replaces the file at path with bytes, so that a reader sees the old file or
    // the new one, never a part. Raises tavor::Error.
    virtual void replace(const QString& path, const QByteArray& bytes) = 0;
};

} // namespace tavor
