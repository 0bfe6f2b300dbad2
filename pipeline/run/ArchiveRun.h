#pragma once

#include "pipeline/BackupContext.h"
#include "pipeline/run/RunResult.h"
#include "pipeline/run/TargetDrive.h"

#include <QList>
#include <QMap>
#include <functional>
#include <optional>

namespace tavor {

class RowTaking;
class RunFollowUp;

// One archive run: fresh server backups, the chosen drive remembered, a dated
// folder on it, and every row's file packed into a cabinet of its own (or copied
// when too large), each row marked done or failed, then the folder's manifest.
class ArchiveRun {
public:
    // Told of each row as it is taken, with the run's dated folder.
    using RowListener = std::function<void(const RowOutcome&, const QString& folder)>;

    // Told what room was made on the stick, before the first row.
    using PruningListener = std::function<void(const PruningReport&)>;

    explicit ArchiveRun(BackupContext& context, RowListener onRow = {},
                        PruningListener onPruning = {})
        : context_(context), onRow_(std::move(onRow)), onPruning_(std::move(onPruning)) {}

    // Runs once; a second call while a run lasts (window events run during it)
    // returns a refused result at once.
    RunResult cmdCopy_Click();

private:
    // The drive is the one chosen when the run started: events run during it, and a
    // click on another drive then must not move the rest of the run.
    void run();
    void rememberDrive();
    void prepareFolders();
    void makeRoom(const QMap<int, Outcome>& serverBackups);
    void makeFolders(const QString& backupFolder);
    void takeRows(RowTaking& taking, RunFollowUp& followUp);
    RunResult refused(RunRefusal why, const QString& text);
    bool isRefusedAsPlain() const;
    void showEnd(bool driveGone);

    BackupContext& context_;
    RowListener onRow_;
    PruningListener onPruning_;
    RunResult result_;
    std::optional<TargetDrive> drive_;
};

} // namespace tavor
