#include "pipeline/commands/UnattendedRun.h"

#include "pipeline/TechnicianSettings.h"
#include "pipeline/record/RunRecord.h"
#include "pipeline/record/RunRecorder.h"
#include "pipeline/record/RunReport.h"
#include "pipeline/run/CopyRun.h"
#include "pipeline/run/PruningLines.h"

namespace tavor {

void UnattendedRun::run() {
    MainState& state = context_.state;
    for (const QString& line : TechnicianSettings(context_.platform.registry.get()).unreadable())
        say(line, warningEntry());
    // Only the remembered drive will do: never another, least of all the system disk.
    const int row = rememberedDriveRow();
    if (row < 0) {
        say(QStringLiteral("the remembered drive \"%1\" is not listed; no run took place")
                .arg(state.RememberedDrive),
            failedEntry());
        RunRecorder(context_).notStarted(RunRecorder::NoRun::DriveNotListed, state.RememberedDrive);
        context_.endProgram(exitCode(ExitStatus::NoRun));
        return;
    }
    context_.window.selectDriveRow(row);
    const Clock& clock = *context_.platform.clock;
    const qint64 started = clock.monotonicMilliseconds();
    int index = 0;
    const int count = int(context_.plan.rows.size());
    CopyRun copy(
        context_,
        [&](const RowOutcome& outcome, const QString& folder) {
            say(RunReport::rowLine(outcome, ++index, count), rowEntry(outcome, folder));
        },
        [&](const PruningReport& report) { sayPruning(report); });
    RunResult result = copy.run();
    state.UnattendedRunDone = !result.rows.isEmpty() || !result.interruption.isEmpty();
    if (!result.interruption.isEmpty())
        say(QStringLiteral("interrupted by signal %1: %2 of %3 rows not taken")
                .arg(result.interruption)
                .arg(count - result.rows.size())
                .arg(count),
            failedEntry());
    const double seconds = (clock.monotonicMilliseconds() - started) / 1000.0;
    if (result.manifest.failed())
        say(RunReport::manifestFailure(result.manifest), failedEntry());
    say(summaryLine(result, seconds, copy.lastCompleteCopy()), summaryEntry(result));
    copy.removeDriveSafely(result);
    if (const std::optional<RemovalReport>& removal = result.removal)
        say(removalLine(*removal), removal->mayBeRemoved() ? JournalEntry{} : failedEntry());
    context_.endProgram(exitCode(result.exitStatus));
}

QString UnattendedRun::summaryLine(const RunResult& result, double seconds,
                                   const QDateTime& lastCompleteCopy) const {
    QString summary = RunReport::summaryLine(result.rows, seconds, context_.plan.unread) +
                      RunReport::encryptionNote(result.volume && result.volume->encrypted) +
                      PruningLines::summaryNote(result.pruning);
    if (lastCompleteCopy.isValid())
        summary += QStringLiteral("; last complete copy on this drive: ") +
                   RunRecord::timestamp(lastCompleteCopy);
    return summary;
}

void UnattendedRun::sayPruning(const PruningReport& report) const {
    for (const QString& line : PruningLines::removed(report))
        say(line, JournalEntry{});
    for (const QString& line : PruningLines::warnings(report))
        say(line, warningEntry());
}

JournalEntry UnattendedRun::summaryEntry(const RunResult& result) {
    const bool complete = result.exitStatus == ExitStatus::Complete;
    JournalEntry entry = complete ? JournalEntry{} : failedEntry();
    entry.fields = {{"TAVOR_OUTCOME", complete ? QStringLiteral("ok") : QStringLiteral("failed")},
                    {"TAVOR_FOLDER", result.folder}};
    return entry;
}

JournalEntry UnattendedRun::rowEntry(const RowOutcome& outcome, const QString& folder) {
    JournalEntry entry;
    entry.priority = outcome.succeeded ? JournalPriority::Information : JournalPriority::Error;
    entry.fields = {
        {"TAVOR_KIND", RunRecord::kindName(outcome.kind)},
        {"TAVOR_OUTCOME", outcome.succeeded ? QStringLiteral("ok") : QStringLiteral("failed")},
        {"TAVOR_FOLDER", folder}};
    return entry;
}

JournalEntry UnattendedRun::warningEntry() {
    JournalEntry entry;
    entry.priority = JournalPriority::Warning;
    return entry;
}

// A stick that may be pulled out although a step was not taken is no failure: the
// line says what is true of it.
QString UnattendedRun::removalLine(const RemovalReport& removal) {
    if (removal.complete())
        return QStringLiteral("safe removal: the drive may be taken out");
    return (removal.mayBeRemoved() ? QStringLiteral("safe removal: ")
                                   : QStringLiteral("safe removal FAILED: ")) +
           removal.state() + QStringLiteral(" (") + removal.reason() + QLatin1Char(')');
}

JournalEntry UnattendedRun::failedEntry() {
    JournalEntry entry;
    entry.priority = JournalPriority::Error;
    entry.fields = {{"TAVOR_OUTCOME", QStringLiteral("failed")}};
    return entry;
}

int UnattendedRun::rememberedDriveRow() const {
    const QString& remembered = context_.state.RememberedDrive;
    const BackupWindow& window = context_.window;
    int row = -1;
    for (int i = 0; i < window.driveRowCount() && !remembered.isEmpty(); ++i) {
        if (window.driveRowTag(i) == remembered)
            row = i;
    }
    return row;
}

// Into the journal when standard error is the journal's stream, so that the lines
// carry fields to filter on; a journal that refuses a line leaves it to standard error.
void UnattendedRun::say(const QString& line, const JournalEntry& entry) const {
    const QString text = RunReport::printable(line);
    if (Journal* journal = context_.platform.journal.get(); journal && journal->connected()) {
        JournalEntry sent = entry;
        sent.message = text;
        if (Outcome::of([&] { journal->send(sent); }))
            return;
    }
    context_.platform.process->writeErrorLine(QStringLiteral("tavor-backup: ") + text);
}

} // namespace tavor
