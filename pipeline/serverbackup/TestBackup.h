#pragma once

#include "pipeline/BackupContext.h"
#include "pipeline/serverbackup/ServerGeneration.h"

namespace tavor {

// The maintenance test: the server writes a backup of the main database to the
// share "tavor" on its own machine, which shows that it can reach and write there.
class TestBackup {
public:
    // The test's fixed media password, not the run's.
    static constexpr const char* TestPassword = "947";

    explicit TestBackup(BackupContext& context) : context_(context) {}

    // Shows the statement in the window, runs it and reports "OK"; a statement
    // the server rejects is reported with its error and the program goes on.
    void cmdTest_Click();

    // The test file on the server's share, a path of the server: \\S\tavor\backup\test.bak
    static QString targetFile(const QString& serverName);
    // The test's statement of the server's generation: on an old server (or one of
    // unknown version) the fixed one with the test's password. Raises instead where
    // the certificate named cannot be used (see ServerBackupStatements).
    static QString statement(const QString& serverName, const QString& databaseName,
                             const ServerGeneration& server = {}, const QString& certificate = {});

private:
    void run();

    BackupContext& context_;
};

} // namespace tavor
