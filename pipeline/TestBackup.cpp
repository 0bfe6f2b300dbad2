#include "pipeline/TestBackup.h"

#include "base/Error.h"
#include "pipeline/BackupStatement.h"

namespace tavor {

QString TestBackup::targetFile(const QString& serverName) {
    return QStringLiteral("\\\\") + serverName + QStringLiteral("\\tavor\\backup\\test.bak");
}

QString TestBackup::statement(const QString& serverName, const QString& databaseName) {
    return BackupStatement::statement(databaseName, targetFile(serverName),
                                      QLatin1String(TestPassword));
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
    const QString sql = statement(context_.state.ServerName, context_.state.DatabaseName);
    context_.window.showTestStatement(sql);
    context_.window.pumpEvents();
    context_.databaseConnection().execute(sql);
    context_.showMessage(QStringLiteral("OK"));
}

} // namespace tavor
