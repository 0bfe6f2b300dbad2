#include "pipeline/commands/UnattendedRun.h"

#include "pipeline/TechnicianSettings.h"
#include "pipeline/record/RunRecord.h"
#include "pipeline/record/RunRecorder.h"
#include "pipeline/record/RunReport.h"
#include "pipeline/run/ArchiveRun.h"
#include "pipeline/run/PruningLines.h"

namespace tavor {

void UnattendedRun::run() {
    MainState& state = context_.state;
    for (const QString& line : TechnicianSettings(context_.platform.registry.get()).unreadable())
        say(line, warningEntry());
    // Only the remembered drive will do: never another, least of all the system disk.
    const int row = rememberedDriveRow();
    RunRecorder recorder(context_);
    if (row < 0) {
        say(QStringLiteral("the remembered drive \"%1\" is not listed; no run took place")
                .arg(state.RememberedDrive),
            failedEntry());
        recorder.notStarted(RunRecorder::NoRun::DriveNotListed, state.RememberedDrive);
        context_.endProgram(2);
        return;
    }
    context_.window.selectDriveRow(row);
    recorder.begin();
    const QString folder = ArchiveRun::targetFolder(state.RememberedDrive, state.PrevBusinessDate);
    const Clock& clock = *context_.platform.clock;
    const qint64 started = clock.monotonicMilliseconds();
    int index = 0;
    const int count = int(context_.plan.rows.size());
    ArchiveRun archive(context_, [&](const RowOutcome& outcome) {
        say(RunReport::rowLine(outcome, ++index, count), rowEntry(outcome, folder));
    });
    archive.setPruningListener([&](const PruningReport& report) {
        for (const QString& line : PruningLines::removed(report))
            say(line, JournalEntry{});
        for (const QString& line : PruningLines::warnings(report))
            say(line, warningEntry());
    });
    const QList<RowOutcome> outcomes = archive.cmdCopy_Click();
    const QString interruption = archive.interruption();
    state.UnattendedRunDone = !outcomes.isEmpty() || !interruption.isEmpty();
    if (!interruption.isEmpty())
        say(QStringLiteral("interrupted by signal %1: %2 of %3 rows not taken")
                .arg(interruption)
                .arg(count - outcomes.size())
                .arg(count),
            failedEntry());
    const double seconds = (clock.monotonicMilliseconds() - started) / 1000.0;
    if (archive.manifest().failed())
        say(RunReport::manifestFailure(archive.manifest()), failedEntry());
    recorder.finish(outcomes, interruption, archive.manifest(), archive.pruning().removed);
    const int status = RunReport::exitStatus(outcomes, interruption, archive.manifest());
    const std::optional<LogicalDisk>& volume = archive.volume();
    QString summary = RunReport::summaryLine(outcomes, seconds, context_.plan.unread) +
                      RunReport::encryptionNote(volume && volume->encrypted) +
                      PruningLines::summaryNote(archive.pruning());
    if (recorder.lastCompleteCopy().isValid())
        summary += QStringLiteral("; last complete copy on this drive: ") +
                   RunRecord::timestamp(recorder.lastCompleteCopy());
    JournalEntry entry = status == 0 ? JournalEntry{} : failedEntry();
    entry.fields = {
        {"TAVOR_OUTCOME", status == 0 ? QStringLiteral("ok") : QStringLiteral("failed")},
        {"TAVOR_FOLDER", folder}};
    say(summary, entry);
    archive.removeDriveSafely();
    if (const std::optional<RemovalReport>& removal = archive.removal())
        say(removalLine(*removal), removal->mayBeRemoved() ? JournalEntry{} : failedEntry());
    context_.endProgram(status);
}

JournalEntry UnattendedRun::rowEntry(const RowOutcome& outcome, const QString& folder) {
    JournalEntry entry;
    entry.priority = outcome.succeeded ? 6 : 3;
    entry.fields = {
        {"TAVOR_KIND", RunRecord::kindName(outcome.kind)},
        {"TAVOR_OUTCOME", outcome.succeeded ? QStringLiteral("ok") : QStringLiteral("failed")},
        {"TAVOR_FOLDER", folder}};
    return entry;
}

JournalEntry UnattendedRun::warningEntry() {
    JournalEntry entry;
    entry.priority = 4;
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
    entry.priority = 3;
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
