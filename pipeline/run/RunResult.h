#pragma once

#include "base/Outcome.h"
#include "pipeline/ExitStatus.h"
#include "pipeline/run/PruningReport.h"
#include "pipeline/run/RowOutcome.h"
#include "platform/disks/LogicalDisks.h"
#include "platform/removal/RemovalReport.h"

#include <QList>
#include <QString>
#include <optional>

namespace tavor {

// Why a click on the copy button took no run.
enum class RunRefusal {
    // Another run lasts (its window events let the click through).
    AnotherRunLasts,
    // No drive was chosen in the drive list.
    NoDriveChosen,
    // The chosen drive is a plain removable one and the policy wants it encrypted.
    PlainTarget,
};

// Everything one archive run did, as the record, the metrics, RUN.json, the manifest
// and the unattended report read it. Filled once by the run; nothing is measured again.
struct RunResult {
    // Set when no run took place; then nothing below it counts.
    std::optional<RunRefusal> refusal;
    // The drive as chosen when the run started, and its dated folder there (empty when
    // the previous business date is no date).
    QString drive;
    QString folder;
    // The drive as the disk list showed it when the run started; empty when it
    // showed none there.
    std::optional<LogicalDisk> volume;
    // The old dated folders removed before the first row to make room, and what could
    // not be.
    PruningReport pruning;
    QList<RowOutcome> rows;
    // The stop signal that cut the run short ("SIGTERM"); empty when none came.
    QString interruption;
    // What became of the dated folder's SHA256SUMS; done also when none was due.
    Outcome manifest;
    // What became of the drive's safe removal; empty when none was tried.
    std::optional<RemovalReport> removal;
    ExitStatus exitStatus = ExitStatus::NoRun;

    bool tookPlace() const { return !refusal; }
    bool everyRowTicked() const;
    // Complete when every row got a tick and the manifest was kept; no run when the
    // drive was gone before the first row; failed otherwise.
    static ExitStatus statusOf(const QList<RowOutcome>& rows, const QString& interruption,
                               const Outcome& manifest);
};

} // namespace tavor
