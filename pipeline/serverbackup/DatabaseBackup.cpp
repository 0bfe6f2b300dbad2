#include "pipeline/serverbackup/DatabaseBackup.h"

#include "pipeline/BusyPanel.h"
#include "pipeline/serverbackup/BackupStatement.h"

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

QString DatabaseBackup::protection() const {
    return ServerBackupStatements::of(context_).protection();
}

Outcome DatabaseBackup::backup(const QString& database, const QString& file) {
    const ServerBackupStatements statements = ServerBackupStatements::of(context_);
    const QString head = statements.head(database, file);
    if (const Outcome& sendable = statements.sendable(); sendable.failed()) {
        const Error refused = refusal(sendable, head);
        listBackup(head, statements.protection(),
                   QStringLiteral("not sent: ") + refused.description());
        return refused;
    }
    const Outcome sent = Outcome::of(
        [&] { context_.databaseConnection().execute(statements.backup(database, file)); });
    if (sent.failed()) {
        const Error refused = refusal(sent, head);
        listBackup(head, statements.protection(),
                   QStringLiteral("not run, the backup was refused"));
        return refused;
    }
    const Outcome verified = verify(statements, file);
    listBackup(head, statements.protection(),
               verified.failed() ? QStringLiteral("FAILED: ") + verified.reason()
                                 : QStringLiteral("ok"));
    return verified;
}

Outcome DatabaseBackup::verify(const ServerBackupStatements& statements, const QString& file) {
    const Outcome checked =
        Outcome::of([&] { context_.databaseConnection().execute(statements.verify(file)); });
    if (!checked.failed())
        return checked;
    const Error refused = refusal(checked, statements.verifyHead(file));
    return Error(refused.number(),
                 QStringLiteral("RESTORE VERIFYONLY refused it: ") + refused.description());
}

// The password stays out of the outcome, and of the box, even where a server
// repeats the statement in its error; the box shows the statement up to its file.
Error DatabaseBackup::refusal(const Outcome& sent, const QString& shownStatement) const {
    QString description = sent.reason();
    if (!context_.mediaPassword.isEmpty())
        description.replace(context_.mediaPassword, QStringLiteral("****"));
    const Error refused(sent.failure().number(), description);
    if (context_.maintenanceMode())
        ignoreFailure([&] {
            context_.showMessage(refused.report() + QStringLiteral("\r\n") + shownStatement);
        });
    return refused;
}

// The maintenance panel's list shows what each backup was and what became of it.
void DatabaseBackup::listBackup(const QString& head, const QString& protection,
                                const QString& result) {
    if (!context_.maintenanceMode())
        return;
    QString line = head + QStringLiteral(" | protection: ") + protection +
                   QStringLiteral(" | verified: ") + result;
    if (!context_.mediaPassword.isEmpty())
        line.replace(context_.mediaPassword, QStringLiteral("****"));
    ignoreFailure([&] { context_.window.appendDebugLine(line); });
}

} // namespace tavor
