#include "pipeline/run/RunFollowUp.h"

#include "pipeline/TechnicianSettings.h"
#include "pipeline/record/RunManifest.h"
#include "pipeline/run/RowTaking.h"
#include "pipeline/run/RunFlag.h"
#include "pipeline/run/RunTexts.h"
#include "platform/bank/ORV_Bank.h"

#include <algorithm>

namespace tavor {

void RunFollowUp::recordSatelliteDate(const RowOutcome& outcome) {
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

Outcome RunFollowUp::writeManifest(const RunResult& result, const TargetDrive& drive) {
    if (result.rows.isEmpty() || result.folder.isEmpty() || !drive.holds(result.folder))
        return {};
    QStringList taken;
    QList<ManifestEntry> ticked;
    for (const RowOutcome& outcome : result.rows) {
        const QString name =
            RowTaking::fileNameFor(outcome.source, std::max<qint64>(0, outcome.size));
        taken << name;
        if (outcome.succeeded && !outcome.sha256.isEmpty())
            ticked.append({outcome.sha256, name});
    }
    return Outcome::of(
        [&] { RunManifest(*context_.platform.files, result.folder).write(taken, ticked); });
}

// The files are safe whether or not the drive can be removed. The run flag is set
// meanwhile: no second run may start on a drive on its way out.
void RunFollowUp::removeDriveSafely(RunResult& result) {
    if (!removalIsDue(result))
        return;
    const RunFlag running(context_.state.RunInProgress);
    result.removal = context_.platform.removal->remove(result.drive);
    ignoreFailure([&] {
        if (result.removal->mayBeRemoved())
            context_.showMessage(RunTexts::RemovedText, MessageIcon::Information, true);
        else
            context_.showMessage(RunTexts::NotRemovedText, MessageIcon::Warning, true);
    });
}

bool RunFollowUp::removalIsDue(const RunResult& result) const {
    return context_.platform.removal && result.tookPlace() && result.everyRowTicked() &&
           result.interruption.isEmpty() && result.volume &&
           result.volume->DriveType != DriveType::LocalDisk &&
           TechnicianSettings(context_.platform.registry.get()).ejectAfterRun();
}

} // namespace tavor
