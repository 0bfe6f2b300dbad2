#include "pipeline/ServerBackupStatements.h"

#include "pipeline/BackupContext.h"
#include "pipeline/BackupStatement.h"
#include "platform/registry/RegistryKeys.h"

namespace tavor {

const QString ServerBackupStatements::CertificateValue = QStringLiteral("ServerCertificate");

ServerBackupStatements::ServerBackupStatements(const QString& serverVersion,
                                               const QString& certificate,
                                               const QString& mediaPassword)
    : current_(isCurrentServer(serverVersion)), certificate_(certificate.trimmed()),
      mediaPassword_(mediaPassword) {}

ServerBackupStatements ServerBackupStatements::of(const BackupContext& context) {
    QString certificate;
    if (context.platform.registry)
        certificate = context.platform.registry->value(RegistryKeys::Technician, CertificateValue)
                          .value_or(QString());
    return ServerBackupStatements(context.state.ServerVersion, certificate, context.mediaPassword);
}

bool ServerBackupStatements::isCurrentServer(const QString& serverVersion) {
    bool isNumber = false;
    const int major = serverVersion.trimmed().section(QLatin1Char('.'), 0, 0).toInt(&isNumber);
    return isNumber && major >= 11;
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
    QString statement = head(database, file) + QStringLiteral("' WITH INIT, CHECKSUM");
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
