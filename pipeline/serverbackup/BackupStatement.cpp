#include "pipeline/serverbackup/BackupStatement.h"

#include <QSet>
#include <QStringList>

namespace tavor {

namespace {

// The server's reserved keywords: a name spelled like one must be bracketed.
const QSet<QString>& reservedWords() {
    static const QSet<QString> words = [] {
        const QStringList list =
            QStringLiteral(
                "ADD ALL ALTER AND ANY AS ASC AUTHORIZATION BACKUP BEGIN BETWEEN BREAK BROWSE "
                "BULK BY CASCADE CASE CHECK CHECKPOINT CLOSE CLUSTERED COALESCE COLLATE COLUMN "
                "COMMIT COMPUTE CONSTRAINT CONTAINS CONTAINSTABLE CONTINUE CONVERT CREATE CROSS "
                "CURRENT CURRENT_DATE CURRENT_TIME CURRENT_TIMESTAMP CURRENT_USER CURSOR "
                "DATABASE DBCC DEALLOCATE DECLARE DEFAULT DELETE DENY DESC DISK DISTINCT "
                "DISTRIBUTED DOUBLE DROP DUMP ELSE END ERRLVL ESCAPE EXCEPT EXEC EXECUTE EXISTS "
                "EXIT EXTERNAL FETCH FILE FILLFACTOR FOR FOREIGN FREETEXT FREETEXTTABLE FROM "
                "FULL FUNCTION GOTO GRANT GROUP HAVING HOLDLOCK IDENTITY IDENTITY_INSERT "
                "IDENTITYCOL IF IN INDEX INNER INSERT INTERSECT INTO IS JOIN KEY KILL LEFT LIKE "
                "LINENO LOAD MERGE NATIONAL NOCHECK NONCLUSTERED NOT NULL NULLIF OF OFF OFFSETS "
                "ON OPEN OPENDATASOURCE OPENQUERY OPENROWSET OPENXML OPTION OR ORDER OUTER OVER "
                "PERCENT PIVOT PLAN PRECISION PRIMARY PRINT PROC PROCEDURE PUBLIC RAISERROR READ "
                "READTEXT RECONFIGURE REFERENCES REPLICATION RESTORE RESTRICT RETURN REVERT "
                "REVOKE RIGHT ROLLBACK ROWCOUNT ROWGUIDCOL RULE SAVE SCHEMA SECURITYAUDIT SELECT "
                "SEMANTICKEYPHRASETABLE SEMANTICSIMILARITYDETAILSTABLE SEMANTICSIMILARITYTABLE "
                "SESSION_USER SET SETUSER SHUTDOWN SOME STATISTICS SYSTEM_USER TABLE TABLESAMPLE "
                "TEXTSIZE THEN TO TOP TRAN TRANSACTION TRIGGER TRUNCATE TRY_CONVERT TSEQUAL "
                "UNION UNIQUE UNPIVOT UPDATE UPDATETEXT USE USER VALUES VARYING VIEW WAITFOR "
                "WHEN WHERE WHILE WITH WITHIN WRITETEXT")
                .split(QLatin1Char(' '));
        return QSet<QString>(list.begin(), list.end());
    }();
    return words;
}

bool isIdentifierStart(QChar c) {
    return c.isLetter() || c == QLatin1Char('_');
}

bool isIdentifierPart(QChar c) {
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('@') ||
           c == QLatin1Char('$') || c == QLatin1Char('#');
}

bool isPlainIdentifier(const QString& name) {
    if (name.isEmpty() || !isIdentifierStart(name.front()) ||
        reservedWords().contains(name.toUpper()))
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
