#include "embeddedserver/EmbeddedRestore.h"

#include "embeddedserver/EmbeddedBackup.h"
#include "embeddedserver/EmbeddedCatalog.h"
#include "platform/database/SqlErrors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <algorithm>
#include <sqlite3.h>

namespace tavor {

namespace {

constexpr char Statement[] = "RESTORE DATABASE";
constexpr qint64 CopyChunk = 1 << 20;

QString logName(const QString& database) {
    return database + QStringLiteral("_log");
}

[[noreturn]] void refuse(long number, const QString& reason) {
    throw Error(number, reason + QStringLiteral(" RESTORE DATABASE is terminating abnormally."));
}

// Where each of the backup's two logical files goes; every one must be moved, to a
// new file in a folder that exists.
QStringList movedFiles(const SqlRestoreDatabase& restore, const QString& database) {
    const QStringList logical{database, logName(database)};
    QStringList targets(logical.size());
    for (const auto& [name, file] : restore.moves) {
        qsizetype found = logical.size() - 1;
        while (found >= 0 && logical.at(found).compare(name, Qt::CaseInsensitive) != 0)
            --found;
        if (found < 0)
            refuse(SqlError::NotPartOfDatabase,
                   QStringLiteral("Logical file '%1' is not part of database '%2'. Use RESTORE "
                                  "FILELISTONLY to list the logical file names.")
                       .arg(name, restore.database));
        targets[found] = EmbeddedBackup::serverPath(file);
    }
    for (qsizetype i = 0; i < logical.size(); ++i) {
        const QFileInfo target(targets.at(i));
        if (targets.at(i).isEmpty() || !target.isAbsolute())
            refuse(SqlError::CannotRestoreFile,
                   QStringLiteral("File '%1' cannot be restored to its original place. Use WITH "
                                  "MOVE to identify a valid location for the file.")
                       .arg(logical.at(i)));
        if (!target.absoluteDir().exists())
            refuse(SqlError::DirectoryLookup,
                   QStringLiteral("Directory lookup for the file \"%1\" failed with the operating "
                                  "system error 3(The system cannot find the path specified.).")
                       .arg(targets.at(i)));
        if (target.exists() || target.isSymLink())
            refuse(SqlError::CannotRestoreFile,
                   QStringLiteral("File '%1' cannot be restored to '%2': a file is there. Use "
                                  "WITH MOVE to identify a valid location for the file.")
                       .arg(logical.at(i), targets.at(i)));
    }
    return targets;
}

// The data file is the backup's own SQLite file, copied in pieces so that the
// command time-out is kept; a new file, readable by the server alone.
void copyData(const QString& from, const QString& to, const std::function<bool()>& expired) {
    QFile source(from);
    QFile target(to);
    if (!source.open(QIODevice::ReadOnly) || !target.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                                                          QFile::ReadOwner | QFile::WriteOwner))
        refuse(SqlError::DirectoryLookup,
               QStringLiteral("The file \"%1\" cannot be created: %2.")
                   .arg(to, target.isOpen() ? source.errorString() : target.errorString()));
    while (!source.atEnd()) {
        const QByteArray piece = source.read(CopyChunk);
        if (piece.isEmpty() || target.write(piece) != piece.size())
            refuse(SqlError::BackupTerminated,
                   QStringLiteral("The file \"%1\" cannot be written: %2.")
                       .arg(to, target.errorString()));
        if (expired())
            throw Error(SqlError::Timeout, QStringLiteral("Query timeout expired"));
    }
    if (!target.flush())
        refuse(
            SqlError::BackupTerminated,
            QStringLiteral("The file \"%1\" cannot be written: %2.").arg(to, target.errorString()));
}

void createLog(const QString& file) {
    QFile log(file);
    if (!log.open(QIODevice::WriteOnly | QIODevice::NewOnly, QFile::ReadOwner | QFile::WriteOwner))
        refuse(
            SqlError::DirectoryLookup,
            QStringLiteral("The file \"%1\" cannot be created: %2.").arg(file, log.errorString()));
}

// The server's number for a fault as SQLite's integrity check words it.
long faultNumber(const QString& fault) {
    if (fault.contains(QLatin1String("never used")))
        return SqlError::PageNotSeen;
    if (fault.contains(QLatin1String("missing from index")) ||
        fault.contains(QLatin1String("wrong # of entries")))
        return SqlError::IndexRowMissing;
    if (fault.contains(QLatin1String("btreeInitPage")) ||
        fault.contains(QLatin1String("invalid page number")))
        return SqlError::PageNotProcessed;
    return SqlError::PageTestFailed;
}

} // namespace

QList<QVariantList> EmbeddedRestore::fileList(const SqlRestoreFileList& list) {
    const QString database =
        EmbeddedBackup::openSet("RESTORE FILELIST", list.disk, list.mediaPassword, false);
    const qint64 size = QFileInfo(EmbeddedBackup::serverPath(list.disk)).size();
    return {
        {database, database + QStringLiteral(".mdf"), QStringLiteral("D"),
         QStringLiteral("PRIMARY"), size, qint64(-1), qint64(1)},
        {logName(database), logName(database) + QStringLiteral(".ldf"), QStringLiteral("L"),
         QVariant(), qint64(0), qint64(-1), qint64(2)},
    };
}

void EmbeddedRestore::restore(EmbeddedCatalog& catalog, const SqlRestoreDatabase& restore,
                              const std::function<bool()>& expired) {
    if (catalog.storedName(restore.database) ||
        restore.database.compare(QLatin1String("master"), Qt::CaseInsensitive) == 0)
        refuse(SqlError::RestoreOverOther,
               QStringLiteral("The backup set holds a backup of a database other than the "
                              "existing '%1' database.")
                   .arg(restore.database));
    const QString database =
        EmbeddedBackup::openSet(Statement, restore.disk, restore.mediaPassword, restore.checksum);
    const QStringList targets = movedFiles(restore, database);
    auto removeWritten = qScopeGuard([&] {
        for (const QString& file : targets)
            QFile::remove(file);
    });
    copyData(EmbeddedBackup::serverPath(restore.disk), targets.at(0), expired);
    createLog(targets.at(1));
    catalog.attachFiles(restore.database, targets.at(0), targets.at(1));
    removeWritten.dismiss();
}

void EmbeddedRestore::check(sqlite3* session, const QString& schema, const QString& database) {
    QString quoted = schema;
    const QByteArray sql =
        (QStringLiteral("PRAGMA \"") + quoted.replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
         QStringLiteral("\".integrity_check"))
            .toUtf8();
    sqlite3_stmt* query = nullptr;
    QStringList faults;
    if (sqlite3_prepare_v2(session, sql.constData(), -1, &query, nullptr) != SQLITE_OK) {
        faults << QString::fromUtf8(sqlite3_errmsg(session));
    } else {
        int rc = SQLITE_OK;
        while ((rc = sqlite3_step(query)) == SQLITE_ROW) {
            const QString line =
                QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(query, 0)));
            if (line != QLatin1String("ok"))
                faults << line;
        }
        if (rc != SQLITE_DONE)
            faults << QString::fromUtf8(sqlite3_errmsg(session));
    }
    sqlite3_finalize(query);
    if (faults.isEmpty())
        return;
    // Pages no tree reaches are allocation errors; the server names a consistency
    // error first when there is one.
    const auto allocation = [](const QString& fault) {
        return faultNumber(fault) == SqlError::PageNotSeen;
    };
    const auto allocationErrors = std::count_if(faults.cbegin(), faults.cend(), allocation);
    const auto first = std::find_if_not(faults.cbegin(), faults.cend(), allocation);
    throw Error(faultNumber(first == faults.cend() ? faults.front() : *first),
                QStringLiteral("Table error: %1 CHECKDB found %2 allocation errors and %3 "
                               "consistency errors in database '%4'.")
                    .arg(faults.join(QStringLiteral("; ")))
                    .arg(allocationErrors)
                    .arg(faults.size() - allocationErrors)
                    .arg(database));
}

} // namespace tavor
