#pragma once

#include "pipeline/BackupContext.h"
#include "base/PendingError.h"

#include <QSet>

namespace tavor {

// Has the server write fresh full backups of the letters-of-credit, history and
// signatures databases for the rows of the data-set list that name their files.
class DatabaseBackup {
public:
    static constexpr int CommandTimeoutSeconds = 3000;

    explicit DatabaseBackup(BackupContext& context) : context_(context) {}

    // Runs one backup per matching row, in list order, under the busy panel.
    // Returns the backup files whose statement the server refused: what lies at
    // such a path is an older backup, never to be archived as this run's.
    QSet<QString> PreparingDatabase();

    bool Backup_LCS();
    bool Backup_HS();
    bool Backup_SG();

    static const QString PreparingCaption;

private:
    bool backup(const QString& database, const QString& file);

    BackupContext& context_;
    PendingError pending_;
};

} // namespace tavor
