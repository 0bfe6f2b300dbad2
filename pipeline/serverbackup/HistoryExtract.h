#pragma once

#include "base/Outcome.h"
#include "pipeline/BackupContext.h"

namespace tavor {

// The history backup made from a small extract instead of the whole history
// database: the extract database is built afresh on the server with copies of
// three history tables and backed up into the history backup file as the run's
// backups are. Nothing in the archive run calls it.
class HistoryExtract {
public:
    static constexpr const char* ExtractDatabase = "HS_Tmp";
    static constexpr int CommandTimeoutSeconds = 360;

    explicit HistoryExtract(BackupContext& context) : context_(context) {}

    // True when the server accepted the final backup statement and verified the
    // backup it wrote (the statements of the server's generation). The steps before
    // it fail silently, except that an extract which cannot be created afresh
    // stops the run: copying into a left-over extract would append to its rows.
    bool Backup_HS_Express();

private:
    Outcome execute(const QString& sql);
    void executeAndPump(const QString& sql);

    static QString journalTable();
    static QString balancesTable(const QString& table);
    QString journalCopy() const;
    QString balancesCopy(const QString& table) const;

    BackupContext& context_;
};

} // namespace tavor
