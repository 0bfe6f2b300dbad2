#include "pipeline/run/RoomOnStick.h"

#include "pipeline/TechnicianSettings.h"
#include "pipeline/record/RunRecord.h"
#include "pipeline/run/DatedFolder.h"
#include "pipeline/run/OldFolderPruning.h"
#include "pipeline/run/RowTaking.h"

#include <limits>

namespace tavor {

PruningReport RoomOnStick::make(const QString& target, const QList<PlannedRow>& rows,
                                const QMap<int, Outcome>& serverBackups,
                                const std::function<bool()>& stopped) const {
    const TechnicianSettings settings(context_.platform.registry.get());
    const QString backupFolder = DatedFolder::backupFolder(drive_.mountPoint());
    const std::optional<quint64> device = drive_.device();
    if (target.isEmpty() || !device || !settings.pruneOldestWhenFull() ||
        !drive_.holds(backupFolder) || !drive_.holds(target))
        return {};
    const QList<RoomBeforeWriting::Row> writing = writingRows(rows, serverBackups);
    // The record of runs is read only when the sources' whole size does not fit.
    if (freeBytes(target) >= RoomBeforeWriting::needed(writing))
        return {};
    const qint64 needed = RoomBeforeWriting::needed(writing, ratiosFromRecord());
    if (freeBytes(target) >= needed)
        return {};
    const QDate tonight =
        DatedFolder::dateOf(target.section(QLatin1Char('/'), -1, -1, QString::SectionSkipEmpty));
    const OldFolderPruning pruning(*context_.platform.files, backupFolder, tonight,
                                   settings.keepDatedFolders(), *device);
    PruningReport report;
    const Outcome pruned = Outcome::of([&] {
        report = pruning.prune([&] { return freeBytes(target) >= needed; },
                               [&] { return stopped() || !drive_.holds(backupFolder); });
    });
    if (pruned.failed()) {
        report.pruned = true;
        report.fits = false;
        report.failure = pruned.reason();
    }
    return report;
}

QList<RoomBeforeWriting::Row>
RoomOnStick::writingRows(const QList<PlannedRow>& rows,
                         const QMap<int, Outcome>& serverBackups) const {
    QList<RoomBeforeWriting::Row> writing;
    for (int i = 0; i < rows.size(); ++i) {
        const auto backup = serverBackups.constFind(i);
        if (!rows.at(i).unusable.isEmpty() || (backup != serverBackups.cend() && backup->failed()))
            continue;
        std::optional<qint64> size;
        ignoreFailure([&] { size = context_.platform.files->fileSize(rows.at(i).source); });
        writing.append({RunRecord::kindName(rows.at(i).kind), size.value_or(0),
                        size.value_or(0) >= RowTaking::CopyThreshold});
    }
    return writing;
}

QMap<QString, double> RoomOnStick::ratiosFromRecord() const {
    QMap<QString, double> ratios;
    if (RunRecords* records = context_.platform.records.get())
        ignoreFailure([&] { ratios = RoomBeforeWriting::ratios(RunHistory(records->history())); });
    return ratios;
}

// A volume whose free space cannot be told is taken as roomy: nothing is removed on
// a guess.
qint64 RoomOnStick::freeBytes(const QString& target) const {
    std::optional<qint64> free;
    ignoreFailure([&] { free = context_.platform.files->freeBytes(target); });
    return free.value_or(std::numeric_limits<qint64>::max());
}

} // namespace tavor
