#include "pipeline/run/ArchiveRun.h"

#include "pipeline/ImageKind.h"
#include "pipeline/TechnicianSettings.h"
#include "pipeline/run/DatedFolder.h"
#include "pipeline/run/RoomOnStick.h"
#include "pipeline/run/RowTaking.h"
#include "pipeline/run/RunFlag.h"
#include "pipeline/run/RunFollowUp.h"
#include "pipeline/run/RunTexts.h"
#include "pipeline/run/SignalHold.h"
#include "pipeline/serverbackup/DatabaseBackup.h"
#include "platform/api/ORVApi.h"
#include "platform/registry/RegistryKeys.h"

namespace tavor {

RunResult ArchiveRun::cmdCopy_Click() {
    if (context_.state.RunInProgress) {
        RunResult busy;
        busy.refusal = RunRefusal::AnotherRunLasts;
        return busy;
    }
    ignoreFailure([&] { result_.drive = context_.window.selectedDriveTag(); });
    if (result_.drive.isEmpty())
        return refused(RunRefusal::NoDriveChosen, RunTexts::NoDriveText);
    if (context_.platform.disks)
        ignoreFailure([&] { result_.volume = context_.platform.disks->diskAt(result_.drive); });
    if (isRefusedAsPlain())
        return refused(RunRefusal::PlainTarget, RunTexts::PlainTargetText);
    const RunFlag running(context_.state.RunInProgress);
    run();
    return result_;
}

void ArchiveRun::run() {
    BackupWindow& window = context_.window;
    SignalHold held(context_.platform.stopSignals.get());
    ignoreFailure([&] { window.setRunButtonsEnabled(false); });
    ignoreFailure([&] { window.pumpEvents(); });
    DatabaseBackup serverBackup(context_);
    QMap<int, Outcome> serverBackups = serverBackup.PreparingDatabase();
    ignoreFailure([&] { window.showProgress(); });
    ignoreFailure([&] { window.pumpEvents(); });
    rememberDrive();
    prepareFolders();
    makeRoom(serverBackups);
    RowTaking taking(context_, &*drive_);
    taking.setServerBackups(std::move(serverBackups), serverBackup.protection());

    RunFollowUp followUp(context_);
    takeRows(taking, followUp);
    result_.manifest = followUp.writeManifest(result_, *drive_);
    // Read once the signals end the program again, so that none goes unnoticed.
    held.release();
    result_.interruption = taking.stopSignal();
    result_.exitStatus = RunResult::statusOf(result_.rows, result_.interruption, result_.manifest);
    showEnd(taking.driveGone());
    ignoreFailure([&] { window.setRunButtonsEnabled(true); });
}

void ArchiveRun::rememberDrive() {
    ignoreFailure([&] {
        if (!context_.api)
            throw Error(ErrorNumber::ObjectRequired, QStringLiteral("The API object is missing"));
        context_.api->Regestry().Set_String(RegistryKeys::Backup, QStringLiteral("Drive"),
                                            result_.drive);
    });
}

// The drive is held to the folders of the run; what a kill or a power cut left of
// earlier writes is tidied, and a folder that cannot be tidied fails no row.
void ArchiveRun::prepareFolders() {
    result_.folder = DatedFolder::on(result_.drive, context_.state.PrevBusinessDate);
    const QString backupFolder = DatedFolder::backupFolder(result_.drive);
    drive_.emplace(context_, result_.drive,
                   result_.folder.isEmpty() ? QStringList{backupFolder}
                                            : QStringList{backupFolder, result_.folder});
    if (drive_->isThere())
        makeFolders(backupFolder);
    FileServices& files = *context_.platform.files;
    if (!result_.folder.isEmpty() && drive_->holds(result_.folder))
        ignoreFailure([&] { files.removeAbandonedTemporaries(result_.folder); });
    ignoreFailure([&] { files.removeAbandonedTemporaries(context_.state.BackupPath); });
}

// The dated folder is made only in a backup folder of the drive's own: through a
// link there, or on a volume mounted there, it would land elsewhere. A folder that
// cannot be made fails the rows that need it.
void ArchiveRun::makeFolders(const QString& backupFolder) {
    FileServices& files = *context_.platform.files;
    if (Outcome::of([&] { files.makeFolder(backupFolder); }) && !result_.folder.isEmpty() &&
        drive_->holds(backupFolder))
        ignoreFailure([&] { files.makeFolder(result_.folder); });
}

// A full stick makes room before the first row, when the technician allows it.
void ArchiveRun::makeRoom(const QMap<int, Outcome>& serverBackups) {
    const RowTaking taking(context_);
    result_.pruning = RoomOnStick(context_, *drive_)
                          .make(result_.folder, context_.plan.rows, serverBackups,
                                [&taking] { return !taking.stopSignal().isEmpty(); });
    if (onPruning_)
        onPruning_(result_.pruning);
}

void ArchiveRun::takeRows(RowTaking& taking, RunFollowUp& followUp) {
    const QList<PlannedRow> rows = context_.plan.rows;
    for (int i = 0; i < rows.size(); ++i) {
        const RowOutcome outcome = taking.take(i, rows.at(i), result_.folder);
        followUp.recordSatelliteDate(outcome);
        result_.rows.append(outcome);
        if (onRow_)
            onRow_(outcome, result_.folder);
        if (!taking.stopSignal().isEmpty())
            break;
    }
}

RunResult ArchiveRun::refused(RunRefusal why, const QString& text) {
    result_.refusal = why;
    ignoreFailure([&] { context_.showMessage(text, MessageIcon::Warning, true); });
    return result_;
}

// Under the technician's policy a removable drive must be an encrypted volume, as
// found when the run starts: the start-up list may name another stick. A drive the
// list does not show counts as neither fixed nor encrypted.
bool ArchiveRun::isRefusedAsPlain() const {
    if (!TechnicianSettings(context_.platform.registry.get()).requireEncryptedTarget())
        return false;
    const std::optional<LogicalDisk>& volume = result_.volume;
    return !volume || (volume->DriveType != DriveType::LocalDisk && !volume->encrypted);
}

void ArchiveRun::showEnd(bool driveGone) {
    if (driveGone)
        ignoreFailure(
            [&] { context_.showMessage(RunTexts::DriveGoneText, MessageIcon::Warning, true); });
    if (const auto removed = result_.pruning.removed.size(); removed > 0)
        ignoreFailure([&] {
            context_.showMessage(RunTexts::PrunedText.arg(removed), MessageIcon::Information, true);
        });
    if (result_.interruption.isEmpty())
        ignoreFailure(
            [&] { context_.showMessage(RunTexts::FinishedText, MessageIcon::Information, true); });
}

} // namespace tavor
