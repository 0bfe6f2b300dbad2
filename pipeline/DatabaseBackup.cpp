#include "pipeline/DatabaseBackup.h"

#include "pipeline/BackupStatement.h"
#include "pipeline/BusyPanel.h"

namespace tavor {

const QString DatabaseBackup::PreparingCaption = QStringLiteral("جاري التحضير للنسخ");

QSet<QString> DatabaseBackup::PreparingDatabase() {
    BackupWindow& window = context_.window;
    const MainState& state = context_.state;
    BusyPanel panel(context_);
    QSet<QString> refused;

    panel.ShowAVI(true, PreparingCaption);
    pending_.attempt([&] { window.pumpEvents(); });
    pending_.attempt(
        [&] { context_.databaseConnection().setCommandTimeout(CommandTimeoutSeconds); });

    int rows = 0;
    pending_.attempt([&] { rows = window.backupRowCount(); });
    for (int i = 0; i < rows; ++i) {
        QString tag;
        pending_.attempt([&] { tag = window.backupRowTag(i); });
        if (tag == state.LcsBakFile && !Backup_LCS())
            refused.insert(tag);
        if (tag == state.HsBakFile && !Backup_HS())
            refused.insert(tag);
        if (tag == state.SgBakFile && !Backup_SG())
            refused.insert(tag);
        pending_.attempt([&] { window.pumpEvents(); });
    }
    panel.Wait(2);
    panel.ShowAVI(false, QString());
    return refused;
}

bool DatabaseBackup::Backup_LCS() {
    return backup(context_.state.LcsDatabase, context_.state.LcsBakFile);
}

bool DatabaseBackup::Backup_HS() {
    return backup(context_.state.HsDatabase, context_.state.HsBakFile);
}

bool DatabaseBackup::Backup_SG() {
    return backup(context_.state.SgDatabase, context_.state.SgBakFile);
}

bool DatabaseBackup::backup(const QString& database, const QString& file) {
    const QString head = BackupStatement::head(database, file);
    const QString statement = BackupStatement::statement(database, file, context_.mediaPassword);
    pending_.clear();
    pending_.attempt([&] { context_.databaseConnection().execute(statement); });
    const bool accepted = !pending_.isSet();
    if (!accepted && context_.maintenanceMode()) {
        // The password stays out of the box even where a server repeats the statement.
        QString description = pending_.description();
        if (!context_.mediaPassword.isEmpty())
            description.replace(context_.mediaPassword, QStringLiteral("****"));
        const QString text =
            Error(pending_.number(), description).report() + QStringLiteral("\r\n") + head;
        pending_.attempt([&] { context_.showMessage(text); });
    }
    return accepted;
}

} // namespace tavor
