#include "pipeline/UnattendedRun.h"

#include "pipeline/ArchiveRun.h"
#include "pipeline/RunReport.h"

namespace tavor {

void UnattendedRun::run() {
    MainState& state = context_.state;
    // Only the remembered drive will do: never another, least of all the system disk.
    const int row = rememberedDriveRow();
    if (row < 0) {
        say(QStringLiteral("the remembered drive \"%1\" is not listed; no run took place")
                .arg(state.RememberedDrive));
        context_.endProgram(2);
        return;
    }
    context_.window.selectDriveRow(row);
    const Clock& clock = *context_.platform.clock;
    const qint64 started = clock.monotonicMilliseconds();
    int index = 0;
    const int count = int(context_.plan.rows.size());
    ArchiveRun archive(context_, [&](const RowOutcome& outcome) {
        say(RunReport::rowLine(outcome, ++index, count));
    });
    const QList<RowOutcome> outcomes = archive.cmdCopy_Click();
    const QString interruption = archive.interruption();
    state.UnattendedRunDone = !outcomes.isEmpty() || !interruption.isEmpty();
    if (!interruption.isEmpty())
        say(QStringLiteral("interrupted by signal %1: %2 of %3 rows not taken")
                .arg(interruption)
                .arg(count - outcomes.size())
                .arg(count));
    const double seconds = (clock.monotonicMilliseconds() - started) / 1000.0;
    say(RunReport::summaryLine(outcomes, seconds, context_.plan.unread) +
        RunReport::encryptionNote(state.ListedDrives.value(state.RememberedDrive).encrypted));
    if (const std::optional<Outcome>& removal = archive.removal())
        say(removal->failed() ? QStringLiteral("safe removal FAILED: ") + removal->reason()
                              : QStringLiteral("safe removal: the drive may be taken out"));
    context_.endProgram(interruption.isEmpty() ? RunReport::exitStatus(outcomes) : 1);
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

void UnattendedRun::say(const QString& line) const {
    context_.platform.process->writeErrorLine(QStringLiteral("tavor-backup: ") +
                                              RunReport::printable(line));
}

} // namespace tavor
