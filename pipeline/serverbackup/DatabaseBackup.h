#pragma once

#include "base/Outcome.h"
#include "pipeline/BackupContext.h"
#include "pipeline/serverbackup/ServerBackupStatements.h"

#include <QMap>

namespace tavor {

// Has the server write fresh full backups of the letters-of-credit, history and
// signatures databases for the rows of the plan that name their files, each read
// back by the server before it counts as written.
class DatabaseBackup {
public:
    static constexpr int CommandTimeoutSeconds = 3000;

    explicit DatabaseBackup(BackupContext& context) : context_(context) {}

    // Runs one backup per matching row, in plan order, under the busy panel.
    // Returns, by row, what became of each statement sent: what lies at the path of
    // a refused one is an older backup, never to be archived as this run's.
    QMap<int, Outcome> PreparingDatabase();

    Outcome Backup_LCS();
    Outcome Backup_HS();
    Outcome Backup_SG();

    // The protection of the backups this run has the server write, by the server's
    // generation: "media password", "encrypted (<certificate>)" or "none".
    QString protection() const;

    static const QString PreparingCaption;

private:
    Outcome backup(const QString& database, const QString& file);
    // The server reads the backup back; a copy it cannot verify is no backup.
    Outcome verify(const ServerBackupStatements& statements, const QString& file);
    Error refusal(const Outcome& sent, const QString& shownStatement) const;
    void listBackup(const QString& head, const QString& protection, const QString& result);

    BackupContext& context_;
};

} // namespace tavor
