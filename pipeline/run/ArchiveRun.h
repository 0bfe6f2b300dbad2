#pragma once

#include "base/Outcome.h"
#include "pipeline/BackupContext.h"
#include "pipeline/run/PruningReport.h"
#include "pipeline/run/RowOutcome.h"
#include "pipeline/run/TargetDrive.h"
#include "platform/removal/RemovalReport.h"

#include <QList>
#include <QMap>
#include <functional>
#include <optional>

namespace tavor {

// One archive run: fresh server backups, the chosen drive remembered, a dated
// folder on it, and every row's file packed into a cabinet of its own (or copied
// when too large), each row marked done or failed.
class ArchiveRun {
public:
    // Files of this size and above are copied plainly instead of packed.
    static constexpr qint64 CopyThreshold = 1'800'000'000;

    using RowListener = std::function<void(const RowOutcome&)>;
    using PruningListener = std::function<void(const PruningReport&)>;

    explicit ArchiveRun(BackupContext& context, RowListener onRow = {})
        : context_(context), onRow_(std::move(onRow)) {}

    // Told what room was made on the stick, before the first row.
    void setPruningListener(PruningListener onPruning) { onPruning_ = std::move(onPruning); }
    // Runs once; a second call while a run lasts (window events run during it)
    // returns at once. Returns the rows' outcomes, empty when no run took place.
    QList<RowOutcome> cmdCopy_Click();
    // The stop signal that cut the run short ("SIGTERM"); empty when none came.
    const QString& interruption() const { return interruption_; }
    // The old dated folders removed to make room, and what could not be.
    const PruningReport& pruning() const { return pruning_; }
    // What became of the dated folder's SHA256SUMS; done also when none was due.
    const Outcome& manifest() const { return manifest_; }
    // The drive as the disk list showed it when the run started; empty when it showed
    // none there. The encryption policy and the safe removal judge this volume.
    const std::optional<LogicalDisk>& volume() const { return volume_; }
    // Has the drive removed safely after a run that ticked every row onto a removable
    // one, when the technician asks for it. Called once the run's record is kept, so
    // that RUN.json goes with the stick and a stop signal during a slow removal
    // loses nothing.
    void removeDriveSafely();
    // What became of the drive's safe removal; empty when none was tried.
    const std::optional<RemovalReport>& removal() const { return removal_; }

    // Packs one source into a cabinet: done when nothing failed and the cabinet is
    // there, otherwise the error that says why not.
    Outcome CompressFile(const QString& cabinetPath, const QString& sourcePath);
    std::optional<qint64> GetFileSize(const QString& path);
    // The cabinet writer's progress: the bar shows it, then window events run.
    void ecCompress1_Progress(int percent);

    static const QString CopyingCaption;
    static const QString FinishedText;
    static const QString NoDriveText;
    static const QString DriveGoneText;
    static const QString PlainTargetText;
    static const QString RemovedText;
    static const QString NotRemovedText;
    static const QString PrunedText;

    // The dated folder on a drive: FixPath(mount point) + "Tavor_Backup/Tavor_" +
    // the date + "/"; empty when the date is not a date.
    static QString targetFolder(const QString& mountPoint, const QString& previousBusinessDate);
    // The name a row's file takes in the dated folder: the source's name cut at its
    // first dot + ".cab", or the whole name for a plain copy.
    static QString fileNameFor(const QString& source, qint64 size);

private:
    // Where a row's file went: the cabinet, or the plain copy of a large file.
    struct Destination {
        QString cabinet;
        QString copy;
    };

    // The drive is the one chosen when the run started: events run during it, and a
    // click on another drive then must not move the rest of the run.
    void run(const QString& drive);
    void makeFolders(const QString& backupFolder, const QString& target);
    void refuseWithoutDrive();
    bool isRefusedAsPlain() const;
    RowOutcome archiveRow(int row, const QString& targetFolder);
    Outcome takeRow(int row, const QString& target, qint64 size, RowOutcome& outcome,
                    Destination& destination);
    void writeManifest(const QString& target);
    Outcome copyPlainly(const QString& source, const QString& copyPath);
    Outcome inPlace(const QString& file) const;
    void showMaintenanceReport(const RowOutcome& outcome, const Destination& destination,
                               const Error& failure);
    void recordSatelliteDate(const RowOutcome& outcome);
    void showDriveGone();
    void showFinished();
    void showPruned();
    // Lets window events run; a failure there never fails the row.
    void pumpEvents();
    // The idle call of the cabinet writer and the plain copy: window events, then
    // an error that abandons the write when a stop signal came.
    void idle();
    QString stopSignal() const;

    BackupContext& context_;
    RowListener onRow_;
    PruningListener onPruning_;
    PruningReport pruning_;
    // The plan as the run started, and what the server made of each row's backup.
    QList<PlannedRow> rows_;
    QMap<int, Outcome> serverBackups_;
    // The protection of the server's backups this run.
    QString serverProtection_;
    QList<RowOutcome> outcomes_;
    QString interruption_;
    Outcome manifest_;
    std::optional<RemovalReport> removal_;
    std::optional<LogicalDisk> volume_;
    std::optional<TargetDrive> drive_;
    // A row failed because the drive was gone.
    bool driveGone_ = false;
};

} // namespace tavor
