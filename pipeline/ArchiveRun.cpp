#include "pipeline/ArchiveRun.h"

#include "pipeline/BranchNames.h"
#include "pipeline/BusyPanel.h"
#include "pipeline/DatabaseBackup.h"
#include "platform/api/ORVApi.h"
#include "platform/bank/BankDate.h"
#include "platform/bank/ORV_Bank.h"

#include <QElapsedTimer>

namespace tavor {

namespace {

const QString kBackupKey = QStringLiteral("HKEY_CURRENT_USER\\Software\\ORV\\Tavor\\Backup");

// Clears the run flag however the run ends.
class RunFlag {
public:
    explicit RunFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~RunFlag() { flag_ = false; }
    RunFlag(const RunFlag&) = delete;
    RunFlag& operator=(const RunFlag&) = delete;

private:
    bool& flag_;
};

// Holds the stop signals while the run writes, and gives them back however it ends.
class SignalHold {
public:
    explicit SignalHold(StopSignals* stop) : stop_(stop) {
        if (stop_)
            stop_->hold();
    }
    ~SignalHold() { release(); }
    SignalHold(const SignalHold&) = delete;
    SignalHold& operator=(const SignalHold&) = delete;

    void release() {
        if (stop_)
            stop_->release();
        stop_ = nullptr;
    }

private:
    StopSignals* stop_;
};

QString interruptedText(const QString& signal) {
    return QStringLiteral("interrupted by signal ") + signal;
}

} // namespace

const QString ArchiveRun::CopyingCaption = QStringLiteral("جارس النسخ");
const QString ArchiveRun::FinishedText = QStringLiteral("انتهت العملية");
const QString ArchiveRun::NoDriveText =
    QStringLiteral("لم يتم اختيار وحدة التخزين") + QStringLiteral("\r\n") +
    QStringLiteral("الرجاء اختيار وحدة التخزين التي سيتم النسخ عليها");
const QString ArchiveRun::DriveGoneText =
    QStringLiteral("وحدة التخزين المختارة لم تعد موجودة") + QStringLiteral("\r\n") +
    QStringLiteral("الرجاء إعادة توصيل وحدة التخزين والبدء بعملية النسخ من جديد");

QList<RowOutcome> ArchiveRun::cmdCopy_Click() {
    if (context_.state.RunInProgress)
        return {};
    QString drive;
    pending_.attempt([&] { drive = context_.window.selectedDriveTag(); });
    if (drive.isEmpty()) {
        refuseWithoutDrive();
        return {};
    }
    const RunFlag running(context_.state.RunInProgress);
    run(drive);
    return outcomes_;
}

void ArchiveRun::run(const QString& drive) {
    BackupWindow& window = context_.window;
    SignalHold held(context_.platform.stopSignals.get());
    pending_.attempt([&] { window.setRunButtonsEnabled(false); });
    pending_.attempt([&] { window.pumpEvents(); });
    refusedBackups_ = DatabaseBackup(context_).PreparingDatabase();
    pending_.attempt([&] { window.showProgress(); });
    pending_.attempt([&] { window.pumpEvents(); });

    pending_.attempt([&] {
        if (!context_.api)
            throw Error(ErrorNumber::ObjectRequired, QStringLiteral("The API object is missing"));
        context_.api->Regestry().Set_String(kBackupKey, QStringLiteral("Drive"), drive);
    });

    const QString target = targetFolder(drive, context_.state.PrevBusinessDate);
    const QString backupFolder = BranchNames::FixPath(drive) + QStringLiteral("Tavor_Backup");
    drive_.emplace(context_, drive,
                   target.isEmpty() ? QStringList{backupFolder}
                                    : QStringList{backupFolder, target});
    if (drive_->isThere())
        makeFolders(backupFolder, target);
    // What a kill or a power cut left of earlier writes.
    FileServices& files = *context_.platform.files;
    if (!target.isEmpty() && drive_->holds(target))
        pending_.attempt([&] { files.removeAbandonedTemporaries(target); });
    pending_.attempt([&] { files.removeAbandonedTemporaries(context_.state.BackupPath); });

    int rows = 0;
    pending_.attempt([&] { rows = window.backupRowCount(); });
    for (int i = 0; i < rows; ++i) {
        const RowOutcome outcome = archiveRow(i, target);
        outcomes_.append(outcome);
        if (onRow_)
            onRow_(outcome);
        if (!stopSignal().isEmpty())
            break;
    }
    // Read once the signals end the program again, so that none goes unnoticed.
    held.release();
    interruption_ = stopSignal();
    if (driveGone_)
        showDriveGone();
    if (interruption_.isEmpty())
        showFinished();
    pending_.attempt([&] { window.setRunButtonsEnabled(true); });
}

// The dated folder is made only in a backup folder of the drive's own: through a
// link there, or on a volume mounted there, it would land elsewhere.
void ArchiveRun::makeFolders(const QString& backupFolder, const QString& target) {
    FileServices& files = *context_.platform.files;
    if (pending_.attempt([&] { files.makeFolder(backupFolder); }) && !target.isEmpty() &&
        drive_->holds(backupFolder))
        pending_.attempt([&] { files.makeFolder(target); });
}

RowOutcome ArchiveRun::archiveRow(int row, const QString& target) {
    BackupWindow& window = context_.window;
    QElapsedTimer timer;
    timer.start();
    RowOutcome outcome;
    pending_.attempt([&] { window.setBackupRowImage(row, WorkingImage); });
    pending_.attempt([&] { outcome.text = window.backupRowText(row); });
    pending_.attempt([&] { window.pumpEvents(); });
    pending_.attempt([&] { outcome.source = window.backupRowTag(row); });
    const std::optional<qint64> size = GetFileSize(outcome.source);
    outcome.size = size.value_or(-1);

    QString cabinetPath;
    QString copyPath;
    pending_.clear();
    if (const QString signal = stopSignal(); !signal.isEmpty()) {
        pending_.record(ErrorNumber::UserInterrupt, interruptedText(signal));
    } else if (target.isEmpty()) {
        pending_.record(ErrorNumber::InvalidProcedureCall,
                        QStringLiteral("The previous business date '%1' is not a date")
                            .arg(context_.state.PrevBusinessDate));
    } else if (const QString off = drive_->offDriveReason(); !off.isEmpty()) {
        outcome.driveMissing = !drive_->isThere();
        driveGone_ = driveGone_ || outcome.driveMissing;
        pending_.record(ErrorNumber::PathNotFound, off);
    } else if (refusedBackups_.contains(outcome.source)) {
        pending_.record(
            ErrorNumber::ProviderError,
            QStringLiteral("The server did not write a fresh backup to %1").arg(outcome.source));
    } else if (const QString problem = context_.state.UnusableSources.value(outcome.source);
               !problem.isEmpty()) {
        pending_.record(ErrorNumber::PathNotFound, problem);
    } else if (size.value_or(0) < CopyThreshold) {
        cabinetPath = target + BranchNames::GetFile(outcome.source, true) + QStringLiteral(".cab");
        outcome.target = cabinetPath;
        outcome.succeeded = CompressFile(cabinetPath, outcome.source);
    } else {
        copyPath = target + BranchNames::GetFile(outcome.source, false);
        outcome.target = copyPath;
        outcome.succeeded = copyPlainly(outcome.source, copyPath);
    }
    if (outcome.succeeded) {
        if (const QString off = drive_->offDriveReason(outcome.target); !off.isEmpty()) {
            driveGone_ = driveGone_ || !drive_->isThere();
            pending_.record(ErrorNumber::PathNotFound, off);
        }
    }
    if (pending_.isSet()) {
        outcome.succeeded = false;
        outcome.reason = pending_.description();
        if (context_.maintenanceMode())
            showMaintenanceReport(outcome, copyPath, cabinetPath);
    }
    pending_.attempt(
        [&] { window.setBackupRowImage(row, outcome.succeeded ? DoneImage : FailedImage); });
    recordSatelliteDate(outcome);
    outcome.seconds = timer.elapsed() / 1000.0;
    return outcome;
}

bool ArchiveRun::copyPlainly(const QString& source, const QString& copyPath) {
    BusyPanel panel(context_);
    panel.ShowAVI(true, CopyingCaption);
    // The older copy stays until the new one is complete: the copy replaces it.
    pending_.clear();
    FileServices& files = *context_.platform.files;
    files.setIdleHandler([this] { idle(); });
    pending_.attempt([&] { files.copyFile(source, copyPath); });
    files.setIdleHandler({});
    panel.ShowAVI(false, QString());
    return !pending_.isSet() && context_.platform.files->fileExists(copyPath);
}

bool ArchiveRun::CompressFile(const QString& cabinetPath, const QString& sourcePath) {
    BackupWindow& window = context_.window;
    CabinetCompressor& cabinet = *context_.platform.cabinet;
    pending_.attempt([&] {
        window.resetProgress();
        window.setProgressValue(0);
    });
    pending_.attempt([&] { window.pumpEvents(); });
    cabinet.setCabinetFile(cabinetPath);
    cabinet.fileList().add(sourcePath, QString());
    cabinet.setProgressHandler([this](int percent) { ecCompress1_Progress(percent); });
    cabinet.setIdleHandler([this] { idle(); });
    pending_.clear();
    pending_.attempt([&] { cabinet.compress(); });
    cabinet.setProgressHandler({});
    cabinet.setIdleHandler({});
    pumpEvents();
    return !pending_.isSet() && context_.platform.files->fileExists(cabinet.cabinetFile());
}

void ArchiveRun::ecCompress1_Progress(int percent) {
    PendingError().attempt([&] { context_.window.setProgressValue(percent); });
    pumpEvents();
}

std::optional<qint64> ArchiveRun::GetFileSize(const QString& path) {
    std::optional<qint64> size;
    pending_.attempt([&] { size = context_.platform.files->fileSize(path); });
    return size;
}

void ArchiveRun::showMaintenanceReport(const RowOutcome& outcome, const QString& copyPath,
                                       const QString& cabinetPath) {
    const QString lineBreak = QStringLiteral("\r\n");
    const QString text = outcome.text + lineBreak + QStringLiteral("sFile= ") + outcome.source +
                         lineBreak + QStringLiteral("dFile= ") + copyPath + lineBreak +
                         QStringLiteral("cabFile= ") + cabinetPath + lineBreak +
                         Error(pending_.number(), pending_.description()).report();
    PendingError().attempt([&] { context_.showMessage(text); });
}

void ArchiveRun::recordSatelliteDate(const RowOutcome& outcome) {
    if (!outcome.succeeded || !context_.bank)
        return;
    const MainState& state = context_.state;
    const QString source = outcome.source.toUpper();
    PendingError ignored;
    const auto record = [&](const QString& name) {
        ignored.attempt(
            [&] { context_.bank->System().SystemValue_Set(name, context_.bank->Business_Date()); });
    };
    if (state.HsIncluded != 0 && source.contains(QLatin1String("_HS")))
        record(QStringLiteral("Sys_Last_HS_Backup_Date"));
    if (state.SgIncluded != 0 && source.contains(QLatin1String("_SG")))
        record(QStringLiteral("Sys_Last_SG_Backup_Date"));
}

void ArchiveRun::showDriveGone() {
    pending_.attempt([&] { context_.showMessage(DriveGoneText, MessageIcon::Warning, true); });
}

void ArchiveRun::showFinished() {
    pending_.attempt([&] { context_.showMessage(FinishedText, MessageIcon::Information, true); });
}

void ArchiveRun::refuseWithoutDrive() {
    pending_.attempt([&] { context_.showMessage(NoDriveText, MessageIcon::Warning, true); });
}

void ArchiveRun::pumpEvents() {
    PendingError().attempt([&] { context_.window.pumpEvents(); });
}

void ArchiveRun::idle() {
    pumpEvents();
    if (const QString signal = stopSignal(); !signal.isEmpty())
        throw Error(ErrorNumber::UserInterrupt, interruptedText(signal));
}

QString ArchiveRun::stopSignal() const {
    const StopSignals* stop = context_.platform.stopSignals.get();
    return stop ? stop->received() : QString();
}

QString ArchiveRun::targetFolder(const QString& mountPoint, const QString& previousBusinessDate) {
    const QDate date = BankDate::parse(previousBusinessDate);
    if (!date.isValid())
        return {};
    return BranchNames::FixPath(BranchNames::FixPath(mountPoint) +
                                QStringLiteral("Tavor_Backup/Tavor_") +
                                date.toString(QStringLiteral("yyyy-MM-dd")));
}

} // namespace tavor
