#include "pipeline/DatabaseBackup.h"

#include "pipeline/BackupStatement.h"
#include "pipeline/BusyPanel.h"

namespace tavor {

const QString DatabaseBackup::PreparingCaption = QStringLiteral("جاري التحضير للنسخ");

QMap<int, Outcome> DatabaseBackup::PreparingDatabase() {
    BackupWindow& window = context_.window;
    const MainState& state = context_.state;
    BusyPanel panel(context_);
    QMap<int, Outcome> written;

    panel.ShowAVI(true, PreparingCaption);
    ignoreFailure([&] { window.pumpEvents(); });
    ignoreFailure([&] { context_.databaseConnection().setCommandTimeout(CommandTimeoutSeconds); });

    // A row is recognised by its file, as the list names it: any row naming one of
    // the three backup files has that backup written fresh.
    const QList<PlannedRow>& rows = context_.plan.rows;
    for (int i = 0; i < rows.size(); ++i) {
        const QString& source = rows[i].source;
        if (source == state.LcsBakFile)
            written.insert(i, Backup_LCS());
        if (source == state.HsBakFile)
            written.insert(i, Backup_HS());
        if (source == state.SgBakFile)
            written.insert(i, Backup_SG());
        ignoreFailure([&] { window.pumpEvents(); });
    }
    panel.Wait(2);
    panel.ShowAVI(false, QString());
    return written;
}

Outcome DatabaseBackup::Backup_LCS() {
    return backup(context_.state.LcsDatabase, context_.state.LcsBakFile);
}

Outcome DatabaseBackup::Backup_HS() {
    return backup(context_.state.HsDatabase, context_.state.HsBakFile);
}

Outcome DatabaseBackup::Backup_SG() {
    return backup(context_.state.SgDatabase, context_.state.SgBakFile);
}

// The password stays out of the outcome, and of the box, even where a server
// repeats the statement in its error.
Outcome DatabaseBackup::backup(const QString& database, const QString& file) {
    const QString head = BackupStatement::head(database, file);
    const QString statement = BackupStatement::statement(database, file, context_.mediaPassword);
    const Outcome sent = Outcome::of([&] { context_.databaseConnection().execute(statement); });
    if (!sent.failed())
        return sent;
    QString description = sent.reason();
    if (!context_.mediaPassword.isEmpty())
        description.replace(context_.mediaPassword, QStringLiteral("****"));
    const Error refusal(sent.failure().number(), description);
    if (context_.maintenanceMode())
        ignoreFailure(
            [&] { context_.showMessage(refusal.report() + QStringLiteral("\r\n") + head); });
    return refusal;
}

} // namespace tavor
