#include "pipeline/run/ArchiveRun.h"

#include "pipeline/BranchNames.h"
#include "pipeline/BusyPanel.h"
#include "pipeline/ImageKind.h"
#include "pipeline/TechnicianSettings.h"
#include "pipeline/record/RunManifest.h"
#include "pipeline/run/RoomOnStick.h"
#include "pipeline/serverbackup/DatabaseBackup.h"
#include "platform/api/ORVApi.h"
#include "platform/bank/BankDate.h"
#include "platform/bank/ORV_Bank.h"
#include "platform/registry/RegistryKeys.h"

#include <QElapsedTimer>
#include <algorithm>

namespace tavor {

namespace {

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
const QString ArchiveRun::PlainTargetText =
    QStringLiteral("وحدة التخزين المختارة غير مشفرة") + QStringLiteral("\r\n") +
    QStringLiteral("لا يسمح بالنسخ إلا على وحدة تخزين مشفرة، الرجاء توصيل وحدة تخزين مشفرة "
                   "والبدء بعملية النسخ من جديد");
const QString ArchiveRun::RemovedText =
    QStringLiteral("تم فصل وحدة التخزين، ويمكنك إزالتها الآن بأمان");
const QString ArchiveRun::NotRemovedText =
    QStringLiteral("تعذر فصل وحدة التخزين") + QStringLiteral("\r\n") +
    QStringLiteral("النسخة الاحتياطية محفوظة عليها، الرجاء إيقاف وحدة التخزين من النظام قبل "
                   "إزالتها");
const QString ArchiveRun::PrunedText =
    QStringLiteral("تم حذف %1 من مجلدات النسخ الاحتياطي القديمة لتوفير مساحة على وحدة التخزين");
const QString ArchiveRun::DriveGoneText =
    QStringLiteral("وحدة التخزين المختارة لم تعد موجودة") + QStringLiteral("\r\n") +
    QStringLiteral("الرجاء إعادة توصيل وحدة التخزين والبدء بعملية النسخ من جديد");

QList<RowOutcome> ArchiveRun::cmdCopy_Click() {
    if (context_.state.RunInProgress)
        return {};
    QString drive;
    ignoreFailure([&] { drive = context_.window.selectedDriveTag(); });
    if (drive.isEmpty()) {
        refuseWithoutDrive();
        return {};
    }
    if (context_.platform.disks)
        ignoreFailure([&] { volume_ = context_.platform.disks->diskAt(drive); });
    if (isRefusedAsPlain()) {
        ignoreFailure([&] { context_.showMessage(PlainTargetText, MessageIcon::Warning, true); });
        return {};
    }
    const RunFlag running(context_.state.RunInProgress);
    run(drive);
    return outcomes_;
}

void ArchiveRun::run(const QString& drive) {
    BackupWindow& window = context_.window;
    SignalHold held(context_.platform.stopSignals.get());
    rows_ = context_.plan.rows;
    ignoreFailure([&] { window.setRunButtonsEnabled(false); });
    ignoreFailure([&] { window.pumpEvents(); });
    DatabaseBackup serverBackup(context_);
    serverBackups_ = serverBackup.PreparingDatabase();
    serverProtection_ = serverBackup.protection();
    ignoreFailure([&] { window.showProgress(); });
    ignoreFailure([&] { window.pumpEvents(); });

    ignoreFailure([&] {
        if (!context_.api)
            throw Error(ErrorNumber::ObjectRequired, QStringLiteral("The API object is missing"));
        context_.api->Regestry().Set_String(RegistryKeys::Backup, QStringLiteral("Drive"), drive);
    });

    const QString target = targetFolder(drive, context_.state.PrevBusinessDate);
    const QString backupFolder = BranchNames::FixPath(drive) + QStringLiteral("Tavor_Backup");
    drive_.emplace(context_, drive,
                   target.isEmpty() ? QStringList{backupFolder}
                                    : QStringList{backupFolder, target});
    if (drive_->isThere())
        makeFolders(backupFolder, target);
    // What a kill or a power cut left of earlier writes; a folder that cannot be
    // tidied is no reason to fail a row.
    FileServices& files = *context_.platform.files;
    if (!target.isEmpty() && drive_->holds(target))
        ignoreFailure([&] { files.removeAbandonedTemporaries(target); });
    ignoreFailure([&] { files.removeAbandonedTemporaries(context_.state.BackupPath); });
    pruning_ = RoomOnStick(context_, *drive_).make(target, rows_, serverBackups_, [this] {
        return !stopSignal().isEmpty();
    });
    if (onPruning_)
        onPruning_(pruning_);

    for (int i = 0; i < rows_.size(); ++i) {
        const RowOutcome outcome = archiveRow(i, target);
        outcomes_.append(outcome);
        if (onRow_)
            onRow_(outcome);
        if (!stopSignal().isEmpty())
            break;
    }
    writeManifest(target);
    // Read once the signals end the program again, so that none goes unnoticed.
    held.release();
    interruption_ = stopSignal();
    if (driveGone_)
        showDriveGone();
    showPruned();
    if (interruption_.isEmpty())
        showFinished();
    ignoreFailure([&] { window.setRunButtonsEnabled(true); });
}

// The dated folder is made only in a backup folder of the drive's own: through a
// link there, or on a volume mounted there, it would land elsewhere. A folder that
// cannot be made fails the rows that need it.
void ArchiveRun::makeFolders(const QString& backupFolder, const QString& target) {
    FileServices& files = *context_.platform.files;
    if (Outcome::of([&] { files.makeFolder(backupFolder); }) && !target.isEmpty() &&
        drive_->holds(backupFolder))
        ignoreFailure([&] { files.makeFolder(target); });
}

RowOutcome ArchiveRun::archiveRow(int row, const QString& target) {
    BackupWindow& window = context_.window;
    QElapsedTimer timer;
    timer.start();
    const PlannedRow& planned = rows_.at(row);
    RowOutcome outcome;
    outcome.kind = planned.kind;
    outcome.text = planned.text;
    outcome.source = planned.source;
    if (serverBackups_.contains(row))
        outcome.protection = serverProtection_;
    ignoreFailure([&] { window.setBackupRowImage(row, ImageKind::Working); });
    ignoreFailure([&] { window.pumpEvents(); });
    const std::optional<qint64> size = GetFileSize(outcome.source);
    outcome.size = size.value_or(-1);

    Destination destination;
    const Outcome taken = takeRow(row, target, size.value_or(0), outcome, destination);
    outcome.succeeded = !taken.failed();
    if (taken.failed()) {
        outcome.reason = taken.reason();
        if (context_.maintenanceMode())
            showMaintenanceReport(outcome, destination, taken.failure());
    }
    ignoreFailure([&] {
        window.setBackupRowImage(row, outcome.succeeded ? ImageKind::Done : ImageKind::Failed);
    });
    recordSatelliteDate(outcome);
    outcome.seconds = timer.elapsed() / 1000.0;
    return outcome;
}

// Why nothing is written for a row comes first; then the file is packed or copied,
// and it counts only when it lies on the drive.
Outcome ArchiveRun::takeRow(int row, const QString& target, qint64 size, RowOutcome& outcome,
                            Destination& destination) {
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
    if (const QString& unusable = rows_.at(row).unusable; !unusable.isEmpty())
        return Error(ErrorNumber::PathNotFound, unusable);

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

// The manifest lists what the rows left on the drive. A manifest that cannot be
// written takes no tick away (the files it would list are safe), but the night
// failed: the stick leaves the building without what checks it.
void ArchiveRun::writeManifest(const QString& target) {
    if (outcomes_.isEmpty() || target.isEmpty() || !drive_->holds(target))
        return;
    QStringList taken;
    QList<ManifestEntry> ticked;
    for (const RowOutcome& outcome : std::as_const(outcomes_)) {
        const QString name = fileNameFor(outcome.source, std::max<qint64>(0, outcome.size));
        taken << name;
        if (outcome.succeeded && !outcome.sha256.isEmpty())
            ticked.append({outcome.sha256, name});
    }
    manifest_ =
        Outcome::of([&] { RunManifest(*context_.platform.files, target).write(taken, ticked); });
}

// The older copy stays until the new one is complete: the copy replaces it.
Outcome ArchiveRun::copyPlainly(const QString& source, const QString& copyPath) {
    BusyPanel panel(context_);
    panel.ShowAVI(true, CopyingCaption);
    FileServices& files = *context_.platform.files;
    files.setIdleHandler([this] { idle(); });
    const Outcome copied = Outcome::of([&] { files.copyFile(source, copyPath); });
    files.setIdleHandler({});
    panel.ShowAVI(false, QString());
    return copied.failed() ? copied : inPlace(copyPath);
}

Outcome ArchiveRun::CompressFile(const QString& cabinetPath, const QString& sourcePath) {
    BackupWindow& window = context_.window;
    CabinetCompressor& cabinet = *context_.platform.cabinet;
    ignoreFailure([&] {
        window.resetProgress();
        window.setProgressValue(0);
    });
    ignoreFailure([&] { window.pumpEvents(); });
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
Outcome ArchiveRun::inPlace(const QString& file) const {
    if (context_.platform.files->fileExists(file))
        return {};
    return Error(ErrorNumber::FileNotFound,
                 QStringLiteral("'%1' is not there after it was written").arg(file));
}

void ArchiveRun::ecCompress1_Progress(int percent) {
    ignoreFailure([&] { context_.window.setProgressValue(percent); });
    pumpEvents();
}

// An empty size counts as 0: the source is packed, and the packing says why not.
std::optional<qint64> ArchiveRun::GetFileSize(const QString& path) {
    std::optional<qint64> size;
    ignoreFailure([&] { size = context_.platform.files->fileSize(path); });
    return size;
}

void ArchiveRun::showMaintenanceReport(const RowOutcome& outcome, const Destination& destination,
                                       const Error& failure) {
    const QString lineBreak = QStringLiteral("\r\n");
    const QString text = outcome.text + lineBreak + QStringLiteral("sFile= ") + outcome.source +
                         lineBreak + QStringLiteral("dFile= ") + destination.copy + lineBreak +
                         QStringLiteral("cabFile= ") + destination.cabinet + lineBreak +
                         failure.report();
    ignoreFailure([&] { context_.showMessage(text); });
}

// The history and signatures rows record the business date of their backup, when
// their file is the one the list named for them; a failed record is silent.
void ArchiveRun::recordSatelliteDate(const RowOutcome& outcome) {
    if (!outcome.succeeded || !context_.bank)
        return;
    const QString source = outcome.source.toUpper();
    const auto record = [&](const QString& name) {
        ignoreFailure(
            [&] { context_.bank->System().SystemValue_Set(name, context_.bank->Business_Date()); });
    };
    if (outcome.kind == DataSet::History && source.contains(QLatin1String("_HS")))
        record(QStringLiteral("Sys_Last_HS_Backup_Date"));
    if (outcome.kind == DataSet::Signatures && source.contains(QLatin1String("_SG")))
        record(QStringLiteral("Sys_Last_SG_Backup_Date"));
}

void ArchiveRun::showDriveGone() {
    ignoreFailure([&] { context_.showMessage(DriveGoneText, MessageIcon::Warning, true); });
}

void ArchiveRun::showPruned() {
    if (!pruning_.removed.isEmpty())
        ignoreFailure([&] {
            context_.showMessage(PrunedText.arg(pruning_.removed.size()), MessageIcon::Information,
                                 true);
        });
}

void ArchiveRun::showFinished() {
    ignoreFailure([&] { context_.showMessage(FinishedText, MessageIcon::Information, true); });
}

// Under the technician's policy a removable drive must be an encrypted volume, as
// found when the run starts: the start-up list may name another stick. A drive the
// list does not show counts as neither fixed nor encrypted.
bool ArchiveRun::isRefusedAsPlain() const {
    if (!TechnicianSettings(context_.platform.registry.get()).requireEncryptedTarget())
        return false;
    return !volume_ || (volume_->DriveType != DriveType::LocalDisk && !volume_->encrypted);
}

// The files are safe whether or not the drive can be removed. The run flag is set
// meanwhile: no second run may start on a drive on its way out.
void ArchiveRun::removeDriveSafely() {
    SafeRemoval* removal = context_.platform.removal.get();
    const bool allTicked = std::all_of(outcomes_.cbegin(), outcomes_.cend(),
                                       [](const RowOutcome& outcome) { return outcome.succeeded; });
    if (!removal || !drive_ || outcomes_.isEmpty() || !allTicked || !interruption_.isEmpty() ||
        !volume_ || volume_->DriveType == DriveType::LocalDisk ||
        !TechnicianSettings(context_.platform.registry.get()).ejectAfterRun())
        return;
    const RunFlag running(context_.state.RunInProgress);
    removal_ = removal->remove(drive_->mountPoint());
    ignoreFailure([&] {
        if (removal_->mayBeRemoved())
            context_.showMessage(RemovedText, MessageIcon::Information, true);
        else
            context_.showMessage(NotRemovedText, MessageIcon::Warning, true);
    });
}

void ArchiveRun::refuseWithoutDrive() {
    ignoreFailure([&] { context_.showMessage(NoDriveText, MessageIcon::Warning, true); });
}

void ArchiveRun::pumpEvents() {
    ignoreFailure([&] { context_.window.pumpEvents(); });
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

QString ArchiveRun::fileNameFor(const QString& source, qint64 size) {
    if (size < CopyThreshold)
        return BranchNames::GetFile(source, true) + QStringLiteral(".cab");
    return BranchNames::GetFile(source, false);
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
