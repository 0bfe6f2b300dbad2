#include "pipeline/record/RunRecorder.h"

#include "pipeline/BranchNames.h"
#include "pipeline/TechnicianSettings.h"
#include "pipeline/record/RunHistory.h"
#include "pipeline/record/RunMetrics.h"
#include "pipeline/record/RunReport.h"
#include "pipeline/run/DatedFolder.h"
#include "pipeline/run/TargetDrive.h"

#include <QJsonDocument>
#include <algorithm>

namespace tavor {

namespace {

// The desktop note's texts.
const QString CompleteSummary = QStringLiteral("تم النسخ الاحتياطي بنجاح");
const QString FailedSummary = QStringLiteral("فشل النسخ الاحتياطي");
const QString NoRunSummary = QStringLiteral("لم يتم النسخ الاحتياطي");
const QString DriveGoneBody = QStringLiteral("وحدة التخزين المختارة لم تعد موجودة");

QString whyNoRunShown(RunRecorder::NoRun why) {
    switch (why) {
    case RunRecorder::NoRun::NotLinked:
        return QStringLiteral("هذا الجهاز غير مربوط مع منظومة التافور");
    case RunRecorder::NoRun::StartUpFailed:
        return QStringLiteral("تعذر بدء البرنامج");
    case RunRecorder::NoRun::DriveNotListed:
        return QStringLiteral("وحدة التخزين المحفوظة غير موصولة");
    case RunRecorder::NoRun::NoDriveChosen:
        return QStringLiteral("لم يتم اختيار وحدة التخزين");
    case RunRecorder::NoRun::PlainTarget:
        return QStringLiteral("وحدة التخزين المختارة غير مشفرة");
    }
    return {};
}

} // namespace

RunRecorder::RunRecorder(BackupContext& context) : context_(context) {}

void RunRecorder::begin() {
    started_ = now();
}

void RunRecorder::finish(const RunResult& result) {
    if (!keepsAnything())
        return;
    if (result.refusal) {
        const bool plain = result.refusal == RunRefusal::PlainTarget;
        notStarted(plain ? NoRun::PlainTarget : NoRun::NoDriveChosen, result.drive);
        return;
    }
    RunRecord record = startingRecord();
    record.drive = listedDrive(result);
    record.folder = result.folder;
    for (const RowOutcome& outcome : result.rows)
        record.rows.append({outcome, outcome.written});
    record.removedFolders = result.pruning.removed;
    record.exitStatus = exitCode(result.exitStatus);
    record.reason = reasonOf(result);
    drive_ = result.drive;
    keep(record);
    writeBesideCabinets(record, result.drive);
    notify(record, result.exitStatus == ExitStatus::NoRun ? DriveGoneBody : QString());
}

QString RunRecorder::reasonOf(const RunResult& result) {
    if (!result.interruption.isEmpty())
        return QStringLiteral("interrupted by signal ") + result.interruption;
    if (result.exitStatus == ExitStatus::NoRun)
        return QStringLiteral("the drive \"%1\" was gone before the first row").arg(result.drive);
    if (result.manifest.failed())
        return RunReport::manifestFailure(result.manifest);
    return {};
}

void RunRecorder::notStarted(NoRun why, const QString& detail) {
    if (!keepsAnything())
        return;
    if (!started_.isValid())
        begin();
    RunRecord record = startingRecord();
    if (why == NoRun::DriveNotListed || why == NoRun::PlainTarget)
        record.drive = RunDrive{detail, {}, false, false};
    record.exitStatus = 2;
    record.reason = noRunReason(why, detail);
    keep(record);
    notify(record, whyNoRunShown(why));
}

void RunRecorder::finishDrill(const QString& folder, const QJsonArray& rows, int exitStatus,
                              const QString& reason) {
    RunRecords* records = context_.platform.records.get();
    if (!records)
        return;
    RunRecord record = startingRecord();
    record.folder = folder;
    record.exitStatus = exitStatus;
    record.reason = reason;
    QJsonObject json = record.toJson();
    json.insert(QStringLiteral("mode"), QStringLiteral("drill"));
    QJsonArray shownRows;
    for (const QJsonValue& row : rows) {
        QJsonObject shown = row.toObject();
        QString why = shown.value(QStringLiteral("reason")).toString();
        if (!context_.mediaPassword.isEmpty() && why.contains(context_.mediaPassword))
            shown.insert(QStringLiteral("reason"),
                         why.replace(context_.mediaPassword, QStringLiteral("***")));
        shownRows.append(shown);
    }
    json.insert(QStringLiteral("rows"), shownRows);
    try {
        records->append(QJsonDocument(json).toJson(QJsonDocument::Compact));
    } catch (const std::exception& failure) {
        sayUnkept(QStringLiteral("the drill could not be recorded"), failure);
    }
    const QString metricsFolder =
        TechnicianSettings(context_.platform.registry.get()).metricsFolder();
    if (!metricsFolder.isEmpty())
        writeMetrics(metricsFolder, RunHistory(records->history()), record);
}

QString RunRecorder::noRunReason(NoRun why, const QString& detail) {
    switch (why) {
    case NoRun::NotLinked:
        return QStringLiteral("this workstation is not linked to a branch database");
    case NoRun::StartUpFailed:
        return QStringLiteral("start-up failed: ") + detail;
    case NoRun::DriveNotListed:
        return QStringLiteral("the remembered drive \"%1\" is not listed").arg(detail);
    case NoRun::NoDriveChosen:
        return QStringLiteral("no drive was chosen");
    case NoRun::PlainTarget:
        return QStringLiteral("the drive \"%1\" is not encrypted, and only encrypted removable "
                              "drives are allowed")
            .arg(detail);
    }
    return {};
}

bool RunRecorder::keepsAnything() const {
    return context_.platform.records || context_.platform.notifications;
}

QDateTime RunRecorder::now() const {
    const Clock* clock = context_.platform.clock.get();
    return clock ? clock->now() : QDateTime::currentDateTime();
}

RunRecord RunRecorder::startingRecord() const {
    const MainState& state = context_.state;
    RunRecord record;
    record.started = started_;
    record.ended = now();
    ignoreFailure([&] {
        const ProgramVersion version = context_.platform.process->programVersion();
        record.programVersion =
            QStringLiteral("%1.%2.%3").arg(version.major).arg(version.minor).arg(version.revision);
    });
    record.bank = state.BankName;
    record.branch = state.BranchName;
    record.branchNumber = state.BranchNum;
    record.database = state.DatabaseName;
    record.server = state.ServerName;
    record.serverVersion = state.ServerVersion;
    record.unattended = context_.unattended();
    record.hidden = {context_.mediaPassword};
    return record;
}

std::optional<RunDrive> RunRecorder::listedDrive(const RunResult& result) {
    if (result.drive.isEmpty())
        return std::nullopt;
    RunDrive drive{result.drive, {}, false, false};
    if (const std::optional<LogicalDisk>& disk = result.volume) {
        drive.filesystemUuid = disk->filesystemUuid;
        drive.removable = disk->DriveType == DriveType::Removable;
        drive.encrypted = disk->encrypted;
    }
    return drive;
}

void RunRecorder::keep(const RunRecord& record) {
    RunRecords* records = context_.platform.records.get();
    if (!records)
        return;
    const bool knownStick =
        record.drive && record.drive->removable && !record.drive->filesystemUuid.isEmpty();
    const QString metricsFolder =
        TechnicianSettings(context_.platform.registry.get()).metricsFolder();
    // Reading thousands of runs back is for those who need it.
    const bool readBack = knownStick || !metricsFolder.isEmpty();
    QList<QByteArray> lines = readBack ? records->history() : QList<QByteArray>();
    const QByteArray line = record.line();
    try {
        records->append(line);
    } catch (const std::exception& failure) {
        sayUnkept(QStringLiteral("the run could not be recorded"), failure);
    }
    if (!readBack)
        return;
    lines.append(line);
    const RunHistory history(lines);
    if (knownStick)
        lastCompleteCopy_ = history.lastCompleteCopies().value(record.drive->filesystemUuid);
    if (!metricsFolder.isEmpty())
        writeMetrics(metricsFolder, history, record);
}

// Only into a dated folder that lies on the drive: never through a link, never on
// the system disk below an unplugged stick's mount folder.
void RunRecorder::writeBesideCabinets(const RunRecord& record, const QString& mountPoint) {
    RunRecords* records = context_.platform.records.get();
    if (!records || record.folder.isEmpty())
        return;
    const TargetDrive drive(context_, mountPoint,
                            {DatedFolder::backupFolder(mountPoint), record.folder});
    if (!drive.holds(record.folder))
        return;
    try {
        records->replace(record.folder + QStringLiteral("RUN.json"),
                         QJsonDocument(record.toJson()).toJson(QJsonDocument::Indented));
    } catch (const std::exception& failure) {
        sayUnkept(QStringLiteral("RUN.json could not be written"), failure);
    }
}

void RunRecorder::writeMetrics(const QString& folder, const RunHistory& history,
                               const RunRecord& record) {
    const QString label = record.branchNumber.isEmpty() ? record.branch : record.branchNumber;
    try {
        context_.platform.records->replace(BranchNames::FixPath(folder) +
                                               QLatin1String(RunMetrics::FileName),
                                           RunMetrics::text(history, label, targetFreeBytes()));
    } catch (const std::exception& failure) {
        sayUnkept(QStringLiteral("the metrics could not be written"), failure);
    }
}

std::optional<qint64> RunRecorder::targetFreeBytes() const {
    std::optional<qint64> free;
    if (!drive_.isEmpty() && TargetDrive(context_, drive_, {}).isThere())
        ignoreFailure([&] { free = context_.platform.files->freeBytes(drive_); });
    return free;
}

void RunRecorder::notify(const RunRecord& record, const QString& whyNoRun) {
    DesktopNotifications* notifications = context_.platform.notifications.get();
    if (!notifications || !record.unattended)
        return;
    DesktopNotification note;
    const auto ticked = std::count_if(record.rows.cbegin(), record.rows.cend(),
                                      [](const RecordedRow& row) { return row.outcome.succeeded; });
    const auto failed = record.rows.size() - ticked;
    if (!whyNoRun.isEmpty()) {
        note = {NoRunSummary, whyNoRun, true};
    } else if (record.exitStatus == 0) {
        note = {
            CompleteSummary,
            QStringLiteral("تم نسخ %1 من %2 مجموعات البيانات").arg(ticked).arg(record.rows.size()),
            false};
    } else {
        note = {FailedSummary,
                QStringLiteral("تم نسخ %1 وفشل %2 من %3 مجموعات البيانات")
                    .arg(ticked)
                    .arg(failed)
                    .arg(record.rows.size()),
                true};
    }
    try {
        notifications->notify(note);
    } catch (const std::exception&) {
        // No desktop to tell: nothing is said.
    }
}

void RunRecorder::sayUnkept(const QString& what, const std::exception& failure) const {
    if (!context_.unattended())
        return;
    const auto* error = dynamic_cast<const Error*>(&failure);
    const QString why = error ? error->description() : QString::fromLocal8Bit(failure.what());
    ignoreFailure([&] {
        context_.platform.process->writeErrorLine(QStringLiteral("tavor-backup: ") + what +
                                                  QStringLiteral(": ") + RunReport::printable(why));
    });
}

} // namespace tavor
