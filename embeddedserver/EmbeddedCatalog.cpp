#include "embeddedserver/EmbeddedCatalog.h"

#include "platform/database/SqlErrors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tavor {

namespace {
const QString kExtension = QStringLiteral(".db");
}

EmbeddedCatalog::EmbeddedCatalog(const QString& folder) : folder_(folder) {}

QStringList EmbeddedCatalog::names() const {
    QStringList result;
    const QFileInfoList files =
        QDir(folder_).entryInfoList({QStringLiteral("*") + kExtension}, QDir::Files, QDir::Name);
    for (const QFileInfo& file : files) {
        if (file.fileName().endsWith(kExtension)) {
            result.append(file.fileName().chopped(kExtension.size()));
        }
    }
    return result;
}

std::optional<QString> EmbeddedCatalog::storedName(const QString& name) const {
    for (const QString& stored : names()) {
        if (stored.compare(name, Qt::CaseInsensitive) == 0) {
            return stored;
        }
    }
    return std::nullopt;
}

QString EmbeddedCatalog::fileOf(const QString& storedName) const {
    return QDir(folder_).filePath(storedName + kExtension);
}

void EmbeddedCatalog::checkFree(const QString& name) const {
    checkName(name);
    if (name.compare(QLatin1String("master"), Qt::CaseInsensitive) == 0 || storedName(name)) {
        throw Error(SqlError::DatabaseExists,
                    QStringLiteral("Database '%1' already exists. Choose a different database "
                                   "name.")
                        .arg(name));
    }
}

QString EmbeddedCatalog::logLinkOf(const QString& storedName) const {
    return QDir(folder_).filePath(storedName + QStringLiteral(".ldf"));
}

void EmbeddedCatalog::attachFiles(const QString& name, const QString& dataFile,
                                  const QString& logFile) {
    checkFree(name);
    if (!QFile::link(logFile, logLinkOf(name)) || !QFile::link(dataFile, fileOf(name))) {
        QFile::remove(logLinkOf(name));
        throw Error(1802, QStringLiteral("The database '%1' cannot be created: its files cannot be "
                                         "linked into '%2'.")
                              .arg(name, folder_));
    }
}

void EmbeddedCatalog::create(const QString& name) {
    checkFree(name);
    // An empty file is an empty SQLite database.
    QFile file(fileOf(name));
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        throw Error(1802, QStringLiteral("CREATE DATABASE failed: cannot create '%1': %2")
                              .arg(file.fileName(), file.errorString()));
    }
}

void EmbeddedCatalog::drop(const QString& name) {
    const std::optional<QString> stored = storedName(name);
    if (!stored) {
        throw Error(SqlError::CannotDropMissing,
                    QStringLiteral("Cannot drop the database '%1', because it does not exist or "
                                   "you do not have permission.")
                        .arg(name));
    }
    const QString link = fileOf(*stored);
    const QFileInfo entry(link);
    const QString file = entry.isSymLink() ? entry.symLinkTarget() : link;
    if (!QFile::remove(file)) {
        throw Error(SqlError::CannotDropInUse,
                    QStringLiteral("Cannot drop database \"%1\": its file '%2' cannot be removed.")
                        .arg(*stored, file));
    }
    QFile::remove(link);
    QFile::remove(file + QStringLiteral("-journal"));
    QFile::remove(file + QStringLiteral("-wal"));
    QFile::remove(file + QStringLiteral("-shm"));
    if (const QFileInfo log(logLinkOf(*stored)); log.isSymLink()) {
        QFile::remove(log.symLinkTarget());
        QFile::remove(log.filePath());
    }
}

void EmbeddedCatalog::checkName(const QString& name) {
    const bool bad = name.isEmpty() || name.size() > 128 || name.startsWith(QLatin1Char('.')) ||
                     name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) ||
                     name.contains(QChar(0));
    if (bad) {
        throw Error(SqlError::IncorrectSyntax,
                    QStringLiteral("'%1' is not a valid database name.").arg(name));
    }
}

} // namespace tavor
