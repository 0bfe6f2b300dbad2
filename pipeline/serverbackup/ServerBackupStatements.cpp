#include "pipeline/serverbackup/ServerBackupStatements.h"

#include "pipeline/BackupContext.h"
#include "pipeline/TechnicianSettings.h"
#include "pipeline/serverbackup/BackupStatement.h"

namespace tavor {

ServerBackupStatements::ServerBackupStatements(const ServerGeneration& server,
                                               const QString& certificate,
                                               const QString& mediaPassword)
    : current_(server.current()), certificate_(certificate.trimmed()),
      mediaPassword_(mediaPassword) {
    if (!current_ || certificate_.isEmpty())
        return;
    if (const QString why = server.whyNoEncryption(); !why.isEmpty())
        sendable_ =
            Error(ErrorNumber::ProviderError,
                  TechnicianSettings::ServerCertificate + QStringLiteral(" names ") + certificate_ +
                      QStringLiteral(", but ") + why + QStringLiteral("; the backup was not sent"));
}

ServerBackupStatements ServerBackupStatements::of(const BackupContext& context) {
    return ServerBackupStatements(
        ServerGeneration::of(context.state),
        TechnicianSettings(context.platform.registry.get()).serverCertificate(),
        context.mediaPassword);
}

QString ServerBackupStatements::head(const QString& database, const QString& file) const {
    if (!current_)
        return BackupStatement::head(database, file);
    return QStringLiteral("BACKUP DATABASE ") + BackupStatement::databaseName(database) +
           QStringLiteral(" TO DISK = N'") + BackupStatement::literalText(file);
}

QString ServerBackupStatements::backup(const QString& database, const QString& file) const {
    if (!current_)
        return BackupStatement::statement(database, file, mediaPassword_);
    if (sendable_.failed())
        throw sendable_.failure();
    QString statement = head(database, file) + QStringLiteral("' WITH FORMAT, INIT, CHECKSUM");
    if (!certificate_.isEmpty())
        statement += QStringLiteral(", ENCRYPTION (ALGORITHM = AES_256, SERVER CERTIFICATE = ") +
                     BackupStatement::databaseName(certificate_) + QLatin1Char(')');
    return statement;
}

QString ServerBackupStatements::verifyHead(const QString& file) const {
    return QStringLiteral("RESTORE VERIFYONLY FROM DISK = N'") + BackupStatement::literalText(file);
}

QString ServerBackupStatements::verify(const QString& file) const {
    if (current_)
        return verifyHead(file) + QStringLiteral("' WITH CHECKSUM");
    return verifyHead(file) + QStringLiteral("' WITH MEDIAPASSWORD = '") +
           BackupStatement::literalText(mediaPassword_) + QLatin1Char('\'');
}

QString ServerBackupStatements::protection() const {
    if (!current_)
        return mediaPassword_.isEmpty() ? QStringLiteral("none") : QStringLiteral("media password");
    if (certificate_.isEmpty())
        return QStringLiteral("none");
    return QStringLiteral("encrypted (") + certificate_ + QLatin1Char(')');
}

} // namespace tavor
