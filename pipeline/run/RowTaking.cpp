#include "pipeline/run/RowTaking.h"

#include "pipeline/BranchNames.h"
#include "pipeline/BusyPanel.h"
#include "pipeline/ImageKind.h"
#include "pipeline/run/RunTexts.h"

#include <QElapsedTimer>

namespace tavor {

namespace {

QString interruptedText(const QString& signal) {
    return QStringLiteral("interrupted by signal ") + signal;
}

} // namespace

void RowTaking::setServerBackups(QMap<int, Outcome> backups, const QString& protection) {
    serverBackups_ = std::move(backups);
    serverProtection_ = protection;
}

RowOutcome RowTaking::take(int row, const PlannedRow& planned, const QString& target) {
    BackupWindow& window = context_.window;
    QElapsedTimer timer;
    timer.start();
    RowOutcome outcome;
    outcome.kind = planned.kind;
    outcome.text = planned.text;
    outcome.source = planned.source;
    if (serverBackups_.contains(row))
        outcome.protection = serverProtection_;
    ignoreFailure([&] { window.setBackupRowImage(row, ImageKind::Working); });
    pumpEvents();
    const std::optional<qint64> size = GetFileSize(outcome.source);
    outcome.size = size.value_or(-1);

    Destination destination;
    Outcome taken = whyNotWritten(row, planned, target, outcome);
    if (!taken.failed())
        taken = write(target, size.value_or(0), outcome, destination);
    outcome.succeeded = !taken.failed();
    if (taken.failed()) {
        outcome.reason = taken.reason();
        if (context_.maintenanceMode())
            showMaintenanceReport(outcome, destination, taken.failure());
    } else {
        ignoreFailure([&] {
            outcome.written = context_.platform.files->fileSize(outcome.target).value_or(-1);
        });
    }
    ignoreFailure([&] {
        window.setBackupRowImage(row, outcome.succeeded ? ImageKind::Done : ImageKind::Failed);
    });
    outcome.seconds = timer.elapsed() / 1000.0;
    return outcome;
}

// Why nothing is written for a row comes first.
Outcome RowTaking::whyNotWritten(int row, const PlannedRow& planned, const QString& target,
                                 RowOutcome& outcome) {
    if (const QString signal = stopSignal(); !signal.isEmpty())
        return Error(ErrorNumber::UserInterrupt, interruptedText(signal));
    if (target.isEmpty())
        return Error(ErrorNumber::InvalidProcedureCall,
                     QStringLiteral("The previous business date '%1' is not a date")
                         .arg(context_.state.PrevBusinessDate));
    if (const QString off = drive_->offDriveReason(); !off.isEmpty()) {
        outcome.driveMissing = !drive_->isThere();
        driveGone_ = driveGone_ || outcome.driveMissing;
        return Error(ErrorNumber::PathNotFound, off);
    }
    if (const auto backup = serverBackups_.constFind(row);
        backup != serverBackups_.cend() && backup->failed())
        return Error(ErrorNumber::ProviderError,
                     QStringLiteral("The server did not write a fresh backup to %1: %2")
                         .arg(outcome.source, backup->reason()));
    if (!planned.unusable.isEmpty())
        return Error(ErrorNumber::PathNotFound, planned.unusable);
    return {};
}

// The file is packed or copied, and it counts only when it lies on the drive.
Outcome RowTaking::write(const QString& target, qint64 size, RowOutcome& outcome,
                         Destination& destination) {
    Outcome written;
    if (size < CopyThreshold) {
        destination.cabinet = target + fileNameFor(outcome.source, size);
        outcome.target = destination.cabinet;
        written = CompressFile(destination.cabinet, outcome.source);
        outcome.sha256 = context_.platform.cabinet->readBackDigest();
    } else {
        destination.copy = target + fileNameFor(outcome.source, size);
        outcome.target = destination.copy;
        written = copyPlainly(outcome.source, destination.copy);
        outcome.sha256 = context_.platform.files->lastCopyDigest();
    }
    if (written.failed())
        return written;
    if (const QString off = drive_->offDriveReason(outcome.target); !off.isEmpty()) {
        driveGone_ = driveGone_ || !drive_->isThere();
        return Error(ErrorNumber::PathNotFound, off);
    }
    return {};
}

// The older copy stays until the new one is complete: the copy replaces it.
Outcome RowTaking::copyPlainly(const QString& source, const QString& copyPath) {
    BusyPanel panel(context_);
    panel.ShowAVI(true, RunTexts::CopyingCaption);
    FileServices& files = *context_.platform.files;
    files.setIdleHandler([this] { idle(); });
    const Outcome copied = Outcome::of([&] { files.copyFile(source, copyPath); });
    files.setIdleHandler({});
    panel.ShowAVI(false, QString());
    return copied.failed() ? copied : inPlace(copyPath);
}

Outcome RowTaking::CompressFile(const QString& cabinetPath, const QString& sourcePath) {
    BackupWindow& window = context_.window;
    CabinetCompressor& cabinet = *context_.platform.cabinet;
    ignoreFailure([&] {
        window.resetProgress();
        window.setProgressValue(0);
    });
    pumpEvents();
    cabinet.setCabinetFile(cabinetPath);
    cabinet.fileList().add(sourcePath, QString());
    cabinet.setProgressHandler([this](int percent) { ecCompress1_Progress(percent); });
    cabinet.setIdleHandler([this] { idle(); });
    const Outcome packed = Outcome::of([&] { cabinet.compress(); });
    cabinet.setProgressHandler({});
    cabinet.setIdleHandler({});
    pumpEvents();
    return packed.failed() ? packed : inPlace(cabinet.cabinetFile());
}

// A writer that reported success without leaving its file has still failed.
Outcome RowTaking::inPlace(const QString& file) const {
    if (context_.platform.files->fileExists(file))
        return {};
    return Error(ErrorNumber::FileNotFound,
                 QStringLiteral("'%1' is not there after it was written").arg(file));
}

void RowTaking::ecCompress1_Progress(int percent) {
    ignoreFailure([&] { context_.window.setProgressValue(percent); });
    pumpEvents();
}

// An empty size counts as 0: the source is packed, and the packing says why not.
std::optional<qint64> RowTaking::GetFileSize(const QString& path) {
    std::optional<qint64> size;
    ignoreFailure([&] { size = context_.platform.files->fileSize(path); });
    return size;
}

void RowTaking::showMaintenanceReport(const RowOutcome& outcome, const Destination& destination,
                                      const Error& failure) {
    const QString lineBreak = QStringLiteral("\r\n");
    const QString text = outcome.text + lineBreak + QStringLiteral("sFile= ") + outcome.source +
                         lineBreak + QStringLiteral("dFile= ") + destination.copy + lineBreak +
                         QStringLiteral("cabFile= ") + destination.cabinet + lineBreak +
                         failure.report();
    ignoreFailure([&] { context_.showMessage(text); });
}

void RowTaking::pumpEvents() {
    ignoreFailure([&] { context_.window.pumpEvents(); });
}

void RowTaking::idle() {
    pumpEvents();
    if (const QString signal = stopSignal(); !signal.isEmpty())
        throw Error(ErrorNumber::UserInterrupt, interruptedText(signal));
}

QString RowTaking::stopSignal() const {
    const StopSignals* stop = context_.platform.stopSignals.get();
    return stop ? stop->received() : QString();
}

QString RowTaking::fileNameFor(const QString& source, qint64 size) {
    if (size < CopyThreshold)
        return BranchNames::GetFile(source, true) + QStringLiteral(".cab");
    return BranchNames::GetFile(source, false);
}

} // namespace tavor
