#pragma once

#include "pipeline/BackupContext.h"
#include "pipeline/RowOutcome.h"
#include "base/PendingError.h"

#include <QList>
#include <QSet>
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
    static constexpr int PendingImage = 3;
    static constexpr int WorkingImage = 8;
    static constexpr int DoneImage = 1;
    static constexpr int FailedImage = 2;

    using RowListener = std::function<void(const RowOutcome&)>;

    explicit ArchiveRun(BackupContext& context, RowListener onRow = {})
        : context_(context), onRow_(std::move(onRow)) {}

    // Runs once; a second call while a run lasts (window events run during it)
    // returns at once. Returns the rows' outcomes, empty when no run took place.
    QList<RowOutcome> cmdCopy_Click();

    // Packs one source into a cabinet; true when nothing failed and the cabinet
    // is there.
    bool CompressFile(const QString& cabinetPath, const QString& sourcePath);
    std::optional<qint64> GetFileSize(const QString& path);
    // The cabinet writer's progress: the bar shows it, then window events run.
    void ecCompress1_Progress(int percent);

    static const QString CopyingCaption;
    static const QString FinishedText;
    static const QString NoDriveText;

    // The dated folder on a drive: FixPath(mount point) + "Tavor_Backup/Tavor_" +
    // the date + "/"; empty when the date is not a date.
    static QString targetFolder(const QString& mountPoint, const QString& previousBusinessDate);

private:
    void run();
    void refuseWithoutDrive();
    RowOutcome archiveRow(int row, const QString& targetFolder);
    bool copyPlainly(const QString& source, const QString& copyPath);
    void showMaintenanceReport(const RowOutcome& outcome, const QString& copyPath,
                               const QString& cabinetPath);
    void recordSatelliteDate(const RowOutcome& outcome);
    void showFinished();
    // Lets window events run; a failure there never fails the row.
    void pumpEvents();

    BackupContext& context_;
    RowListener onRow_;
    PendingError pending_;
    QSet<QString> refusedBackups_;
    QList<RowOutcome> outcomes_;
};

} // namespace tavor
