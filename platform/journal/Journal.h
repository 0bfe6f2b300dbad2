#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace tavor {

// One line of a run's log with the fields a log collector can filter on.
struct JournalEntry {
    QString message;
    // syslog's priorities: 3 an error, 6 information.
    int priority = 6;
    // Upper-case field names (TAVOR_KIND, ...) and their values.
    QList<QPair<QByteArray, QString>> fields;
};

// The system's journal, where the service manager collects a unit's log.
class Journal {
public:
    virtual ~Journal() = default;
    // Whether standard error is the journal's stream, so that lines belong there.
    virtual bool connected() const = 0;
    // Raises tavor::Error when the journal did not take the entry.
    virtual void send(const JournalEntry& entry) = 0;
};

} // namespace tavor
