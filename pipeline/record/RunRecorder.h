#pragma once

#include "base/Outcome.h"
#include "pipeline/BackupContext.h"
#include "pipeline/record/RunHistory.h"
#include "pipeline/record/RunRecord.h"
#include "pipeline/run/RunResult.h"

#include <QDateTime>
#include <QJsonArray>
#include <QList>

namespace tavor {

// Keeps the record of one run: its line in the record, RUN.json in its dated
// folder, the metrics file where the technician named a folder for it, and after an
// unattended run a note on the desktop. Nothing here can fail the run: what cannot
// be kept is skipped (and said on standard error by an unattended run).
class RunRecorder {
public:
    // Why a run did not start.
    enum class NoRun { NotLinked, StartUpFailed, DriveNotListed, NoDriveChosen, PlainTarget };

    explicit RunRecorder(BackupContext& context);

    // The run starts now.
    void begin();
    // The run has ended, or was refused.
    void finish(const RunResult& result);
    void notStarted(NoRun why, const QString& detail = QString());
    // A restore drill of folder has ended with these rows, begun at begin(): its line
    // ("mode": "drill") in the record, and the metrics where the technician named a
    // folder for them.
    void finishDrill(const QString& folder, const QJsonArray& rows, int exitStatus,
                     const QString& reason);

    // When the last complete run onto the recorded run's drive ended, this one
    // included; invalid when the drive is no removable volume of a known UUID or
    // had none.
    const QDateTime& lastCompleteCopy() const { return lastCompleteCopy_; }

    static QString noRunReason(NoRun why, const QString& detail);

private:
    // Without a record and a desktop (the tests' doubles) a run leaves nothing.
    bool keepsAnything() const;
    QDateTime now() const;
    RunRecord startingRecord() const;
    static std::optional<RunDrive> listedDrive(const RunResult& result);
    static QString reasonOf(const RunResult& result);
    void keep(const RunRecord& record);
    void writeBesideCabinets(const RunRecord& record, const QString& mountPoint);
    void writeMetrics(const QString& folder, const RunHistory& history, const RunRecord& record);
    // The free bytes of the drive the run wrote to; empty when it is not there.
    std::optional<qint64> targetFreeBytes() const;
    void notify(const RunRecord& record, const QString& whyNoRun);
    void sayUnkept(const QString& what, const std::exception& failure) const;

    BackupContext& context_;
    QDateTime started_;
    // The drive of the run that finished; empty before and for a run that did not start.
    QString drive_;
    QDateTime lastCompleteCopy_;
};

} // namespace tavor
