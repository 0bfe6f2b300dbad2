#pragma once

#include "base/Outcome.h"
#include "pipeline/BackupContext.h"

#include <QMap>

namespace tavor {

// Has the server write fresh full backups of the letters-of-credit, history and
// signatures databases for the rows of the plan that name their files.
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

    static const QString PreparingCaption;

private:
    Outcome backup(const QString& database, const QString& file);

    BackupContext& context_;
};

} // namespace tavor
