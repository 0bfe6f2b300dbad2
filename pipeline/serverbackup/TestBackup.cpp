#include "pipeline/serverbackup/TestBackup.h"

#include "base/Error.h"
#include "pipeline/serverbackup/ServerBackupStatements.h"

namespace tavor {

QString TestBackup::targetFile(const QString& serverName) {
    return QStringLiteral("\\\\") + serverName + QStringLiteral("\\tavor\\backup\\test.bak");
}

QString TestBackup::statement(const QString& serverName, const QString& databaseName,
                              const ServerGeneration& server, const QString& certificate) {
    return ServerBackupStatements(server, certificate, QLatin1String(TestPassword))
        .backup(databaseName, targetFile(serverName));
}

void TestBackup::cmdTest_Click() {
    try {
        run();
    } catch (const Error& error) {
        context_.showMessage(error.report(), MessageIcon::Critical);
    }
}

// Runs without trapping: the first failing step ends the test.
void TestBackup::run() {
    const MainState& state = context_.state;
    const QString sql = statement(state.ServerName, state.DatabaseName, ServerGeneration::of(state),
                                  ServerBackupStatements::of(context_).certificate());
    context_.window.showTestStatement(sql);
    context_.window.pumpEvents();
    context_.databaseConnection().execute(sql);
    context_.showMessage(QStringLiteral("OK"));
}

} // namespace tavor
