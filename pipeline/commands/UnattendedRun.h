#pragma once

#include "pipeline/BackupContext.h"
#include "pipeline/run/RowOutcome.h"
#include "pipeline/run/RunResult.h"
#include "platform/removal/RemovalReport.h"

#include <QDateTime>

namespace tavor {

// The copy run without anyone at the screen, as a timer starts it: onto the
// remembered drive only, one line per row and a summary on standard error (or in the
// journal, when that is where standard error goes), then the
// program ends with 0 (every row ticked), 1 (a row failed or a stop signal cut the
// run short) or 2 (no run took place).
class UnattendedRun {
public:
    explicit UnattendedRun(BackupContext& context) : context_(context) {}

    void run();

private:
    // The drive list's row of the remembered drive; -1 when it is not listed.
    int rememberedDriveRow() const;
    // Writes a line of the run's log; entry holds its journal fields.
    void say(const QString& line, const JournalEntry& entry) const;
    QString summaryLine(const RunResult& result, double seconds,
                        const QDateTime& lastCompleteCopy) const;
    void sayPruning(const PruningReport& report) const;
    static JournalEntry summaryEntry(const RunResult& result);
    static JournalEntry rowEntry(const RowOutcome& outcome, const QString& folder);
    static JournalEntry warningEntry();
    static JournalEntry failedEntry();
    static QString removalLine(const RemovalReport& removal);

    BackupContext& context_;
};

} // namespace tavor
