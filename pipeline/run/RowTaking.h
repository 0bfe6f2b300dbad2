#pragma once

#include "base/Outcome.h"
#include "pipeline/BackupContext.h"
#include "pipeline/run/RowOutcome.h"
#include "pipeline/run/TargetDrive.h"

#include <QMap>
#include <optional>

namespace tavor {

// Takes one row of the data-set list onto the drive: its file packed into a cabinet
// of its own (or copied when too large), with the bar's progress and window events
// meanwhile, and the row's image set as it goes.
class RowTaking {
public:
    // Files of this size and above are copied plainly instead of packed.
    static constexpr qint64 CopyThreshold = 1'800'000'000;

    // drive: where the run writes; may be absent for packing a single file.
    explicit RowTaking(BackupContext& context, const TargetDrive* drive = nullptr)
        : context_(context), drive_(drive) {}

    // What the server made of each row's backup, and how it protected them.
    void setServerBackups(QMap<int, Outcome> backups, const QString& protection);
    // Takes the row into the dated folder target (empty: the date is no date).
    RowOutcome take(int row, const PlannedRow& planned, const QString& target);
    // A row failed because the drive was gone.
    bool driveGone() const { return driveGone_; }

    // Packs one source into a cabinet: done when nothing failed and the cabinet is
    // there, otherwise the error that says why not.
    Outcome CompressFile(const QString& cabinetPath, const QString& sourcePath);
    std::optional<qint64> GetFileSize(const QString& path);
    // The cabinet writer's progress: the bar shows it, then window events run.
    void ecCompress1_Progress(int percent);

    // The stop signal that came ("SIGTERM"); empty when none did.
    QString stopSignal() const;
    // The name a row's file takes in the dated folder: the source's name cut at its
    // first dot + ".cab", or the whole name for a plain copy.
    static QString fileNameFor(const QString& source, qint64 size);

private:
    // Where a row's file went: the cabinet, or the plain copy of a large file.
    struct Destination {
        QString cabinet;
        QString copy;
    };

    Outcome whyNotWritten(int row, const PlannedRow& planned, const QString& target,
                          RowOutcome& outcome);
    Outcome write(const QString& target, qint64 size, RowOutcome& outcome,
                  Destination& destination);
    Outcome copyPlainly(const QString& source, const QString& copyPath);
    Outcome inPlace(const QString& file) const;
    void showMaintenanceReport(const RowOutcome& outcome, const Destination& destination,
                               const Error& failure);
    // Lets window events run; a failure there never fails the row.
    void pumpEvents();
    // The idle call of the cabinet writer and the plain copy: window events, then
    // an error that abandons the write when a stop signal came.
    void idle();

    BackupContext& context_;
    const TargetDrive* drive_;
    QMap<int, Outcome> serverBackups_;
    QString serverProtection_;
    bool driveGone_ = false;
};

} // namespace tavor
