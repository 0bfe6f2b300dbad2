#include "pipeline/BackupStatement.h"

#include <QRegularExpression>

namespace tavor {

QString BackupStatement::head(const QString& database, const QString& file) {
    return QStringLiteral("BACKUP DATABASE ") + databaseName(database) +
           QStringLiteral(" TO DISK = '") + literalText(file);
}

QString BackupStatement::statement(const QString& database, const QString& file,
                                   const QString& password) {
    return head(database, file) + QStringLiteral("' WITH INIT , MEDIAPASSWORD='") +
           literalText(password) + QLatin1Char('\'');
}

QString BackupStatement::databaseName(const QString& name) {
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_@#$]*$"));
    if (plain.match(name).hasMatch())
        return name;
    QString bracketed = name;
    bracketed.replace(QLatin1Char(']'), QStringLiteral("]]"));
    return QLatin1Char('[') + bracketed + QLatin1Char(']');
}

QString BackupStatement::literalText(QString text) {
    return text.replace(QLatin1Char('\''), QStringLiteral("''"));
}

} // namespace tavor
