#include "pipeline/BackupStatement.h"

namespace tavor {

namespace {

bool isIdentifierStart(QChar c) {
    return c.isLetter() || c == QLatin1Char('_');
}

bool isIdentifierPart(QChar c) {
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('@') ||
           c == QLatin1Char('$') || c == QLatin1Char('#');
}

bool isPlainIdentifier(const QString& name) {
    if (name.isEmpty() || !isIdentifierStart(name.front()))
        return false;
    for (const QChar c : name) {
        if (!isIdentifierPart(c))
            return false;
    }
    return true;
}

} // namespace

QString BackupStatement::databaseName(const QString& name) {
    if (isPlainIdentifier(name))
        return name;
    QString inner = name;
    return QLatin1Char('[') + inner.replace(QLatin1Char(']'), QStringLiteral("]]")) +
           QLatin1Char(']');
}

QString BackupStatement::literalText(const QString& text) {
    QString inner = text;
    return inner.replace(QLatin1Char('\''), QStringLiteral("''"));
}

QString BackupStatement::head(const QString& database, const QString& file) {
    return QStringLiteral("BACKUP DATABASE ") + databaseName(database) +
           QStringLiteral(" TO DISK = '") + literalText(file);
}

QString BackupStatement::statement(const QString& database, const QString& file,
                                   const QString& password) {
    return head(database, file) + QStringLiteral("' WITH INIT , MEDIAPASSWORD='") +
           literalText(password) + QLatin1Char('\'');
}

} // namespace tavor
