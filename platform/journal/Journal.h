#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace tavor {

// syslog's priorities, as the journal files them.
namespace JournalPriority {
constexpr int Error = 3;
constexpr int Warning = 4;
constexpr int Information = 6;
} // namespace JournalPriority

// One line of a run's log with the fields a log collector can filter on.
struct JournalEntry {
    QString message;
    int priority = JournalPriority::Information;
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
