#include "embeddedserver/EmbeddedBackup.h"

#include "platform/database/SqlErrors.h"
#include "safewrite/ReplacementFile.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <memory>
#include <sqlite3.h>

namespace tavor {

namespace {

constexpr int kPagesPerStep = 256;
constexpr int kSaltBytes = 16;

struct CloseDatabase {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using DatabaseHandle = std::unique_ptr<sqlite3, CloseDatabase>;

QByteArray saltedHash(const QByteArray& salt, const QString& password) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(salt);
    hash.addData(password.toUtf8());
    return hash.result();
}

// What the stand-in keeps of a file's media header: its media password, as a salt
// and a salted hash, both empty when it has none.
struct MediaHeader {
    QByteArray salt;
    QByteArray passwordHash;

    bool hasPassword() const { return !salt.isEmpty(); }
    bool opens(const std::optional<QString>& password) const {
        return !hasPassword() || (password && saltedHash(salt, *password) == passwordHash);
    }
};

MediaHeader newHeader(const std::optional<QString>& password) {
    MediaHeader header;
    if (password) {
        header.salt = QByteArray(kSaltBytes, Qt::Uninitialized);
        QRandomGenerator::system()->generate(header.salt.begin(), header.salt.end());
        header.passwordHash = saltedHash(header.salt, *password);
    }
    return header;
}

QByteArray blobAt(sqlite3_stmt* row, int column) {
    return QByteArray(static_cast<const char*>(sqlite3_column_blob(row, column)),
                      sqlite3_column_bytes(row, column));
}

// The media header of a backup the stand-in wrote; none for another file.
std::optional<MediaHeader> headerOf(const QString& path) {
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    sqlite3* raw = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
    DatabaseHandle db(raw);
    sqlite3_stmt* query = nullptr;
    const QByteArray sql = QStringLiteral("SELECT salt, password_sha256 FROM %1")
                               .arg(QLatin1String(EmbeddedBackup::mediaTable()))
                               .toUtf8();
    std::optional<MediaHeader> header;
    if (sqlite3_prepare_v2(db.get(), sql.constData(), -1, &query, nullptr) == SQLITE_OK &&
        sqlite3_step(query) == SQLITE_ROW)
        header = sqlite3_column_type(query, 0) == SQLITE_BLOB
                     ? MediaHeader{blobAt(query, 0), blobAt(query, 1)}
                     : MediaHeader{};
    sqlite3_finalize(query);
    return header;
}

[[noreturn]] void cannotOpenDevice(const QString& file, const QString& reason) {
    throw Error(SqlError::BackupDeviceError,
                QStringLiteral("Cannot open backup device '%1'. Operating system error: %2. "
                               "BACKUP DATABASE is terminating abnormally.")
                    .arg(file, reason));
}

void checkTarget(const EmbeddedBackup::Request& request, const QString& path) {
    const QFileInfo target(path);
    if (!target.isAbsolute()) {
        cannotOpenDevice(request.targetFile,
                         QStringLiteral("the path is not a full path on the server"));
    }
    if (!target.absoluteDir().exists()) {
        cannotOpenDevice(request.targetFile,
                         QStringLiteral("the system cannot find the path specified"));
    }
    if (target.isDir()) {
        cannotOpenDevice(request.targetFile, QStringLiteral("the path is a folder"));
    }
    if (target.exists() && !request.init && !request.format) {
        throw Error(SqlError::BackupTerminated,
                    QStringLiteral("BACKUP DATABASE is terminating abnormally: '%1' already holds "
                                   "a backup and the embedded server replaces a backup file only "
                                   "WITH INIT.")
                        .arg(request.targetFile));
    }
}

DatabaseHandle openTarget(const QString& file) {
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(file.toUtf8().constData(), &raw,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    DatabaseHandle db(raw);
    if (rc != SQLITE_OK) {
        cannotOpenDevice(file, QString::fromUtf8(raw ? sqlite3_errmsg(raw) : "out of memory"));
    }
    return db;
}

// Copies in steps so that the time-out is checked; SQLite restarts the copy by
// itself when another connection writes in between, so the result is consistent.
void copyPages(const EmbeddedBackup::Request& request, sqlite3* target,
               const std::function<bool()>& expired) {
    sqlite3_backup* backup =
        sqlite3_backup_init(target, "main", request.source, request.schema.toUtf8().constData());
    if (!backup) {
        throw Error(SqlError::BackupTerminated,
                    QStringLiteral("BACKUP DATABASE is terminating abnormally: %1")
                        .arg(QString::fromUtf8(sqlite3_errmsg(target))));
    }
    int rc = SQLITE_OK;
    bool timedOut = false;
    while (true) {
        rc = sqlite3_backup_step(backup, kPagesPerStep);
        if (rc == SQLITE_DONE) {
            break;
        }
        if (expired()) {
            timedOut = true;
            break;
        }
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
            sqlite3_sleep(20);
        } else if (rc != SQLITE_OK) {
            break;
        }
    }
    sqlite3_backup_finish(backup);
    if (timedOut) {
        throw Error(SqlError::Timeout, QStringLiteral("Query timeout expired"));
    }
    if (rc != SQLITE_DONE) {
        throw Error(SqlError::BackupTerminated,
                    QStringLiteral("BACKUP DATABASE is terminating abnormally: %1")
                        .arg(QString::fromUtf8(sqlite3_errstr(rc))));
    }
}

// Every row of every table but the media record, in stored order, with its
// values' types: any change to what a restore would bring back changes it.
QByteArray contentChecksum(sqlite3* db) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    QStringList tables;
    sqlite3_stmt* list = nullptr;
    const QByteArray listSql = QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' "
                                              "AND name NOT LIKE 'sqlite_%' AND name <> '%1' "
                                              "ORDER BY name")
                                   .arg(QLatin1String(EmbeddedBackup::mediaTable()))
                                   .toUtf8();
    if (sqlite3_prepare_v2(db, listSql.constData(), -1, &list, nullptr) != SQLITE_OK)
        return {};
    while (sqlite3_step(list) == SQLITE_ROW)
        tables << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(list, 0)));
    sqlite3_finalize(list);
    for (const QString& table : tables) {
        hash.addData(table.toUtf8());
        QString quotedName = table;
        quotedName.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        const QByteArray sql =
            (QStringLiteral("SELECT * FROM \"") + quotedName + QLatin1Char('"')).toUtf8();
        sqlite3_stmt* rows = nullptr;
        if (sqlite3_prepare_v2(db, sql.constData(), -1, &rows, nullptr) != SQLITE_OK)
            return {};
        int rc = SQLITE_OK;
        while ((rc = sqlite3_step(rows)) == SQLITE_ROW) {
            for (int c = 0; c < sqlite3_column_count(rows); ++c) {
                const char type = char(sqlite3_column_type(rows, c));
                const auto* bytes = static_cast<const char*>(sqlite3_column_blob(rows, c));
                const int size = sqlite3_column_bytes(rows, c);
                hash.addData(QByteArrayView(&type, 1));
                hash.addData(QByteArray::number(size) + ':');
                hash.addData(QByteArrayView(bytes, bytes ? size : 0));
            }
        }
        sqlite3_finalize(rows);
        if (rc != SQLITE_DONE)
            return {};
    }
    return hash.result();
}

// WITH INIT keeps the media header of the file it writes over, and the statement
// must give that header's password; only FORMAT writes a new header.
MediaHeader headerFor(const EmbeddedBackup::Request& request, const QString& path) {
    if (request.format)
        return newHeader(request.mediaPassword);
    const std::optional<MediaHeader> kept = headerOf(path);
    if (!kept)
        return newHeader(request.mediaPassword);
    if (!kept->opens(request.mediaPassword))
        throw Error(SqlError::PasswordFailure,
                    QStringLiteral("Access is denied due to a password failure. BACKUP DATABASE "
                                   "is terminating abnormally."));
    return *kept;
}

void recordMedia(sqlite3* target, const EmbeddedBackup::Request& request,
                 const MediaHeader& header) {
    const QString create =
        QStringLiteral("DROP TABLE IF EXISTS %1; CREATE TABLE %1 (database_name TEXT, "
                       "finished_utc TEXT, salt BLOB, password_sha256 BLOB, "
                       "checksum_sha256 BLOB, encrypted_by TEXT);")
            .arg(QLatin1String(EmbeddedBackup::mediaTable()));
    char* message = nullptr;
    if (sqlite3_exec(target, create.toUtf8().constData(), nullptr, nullptr, &message) !=
        SQLITE_OK) {
        const QString text = QString::fromUtf8(message);
        sqlite3_free(message);
        throw Error(SqlError::BackupTerminated,
                    QStringLiteral("BACKUP DATABASE is terminating abnormally: %1").arg(text));
    }
    sqlite3_stmt* insert = nullptr;
    const QByteArray checksum = request.checksum ? contentChecksum(target) : QByteArray();
    if (request.checksum && checksum.isEmpty()) {
        throw Error(SqlError::BackupTerminated,
                    QStringLiteral("BACKUP DATABASE is terminating abnormally: the checksum of "
                                   "the copy cannot be computed."));
    }
    const QByteArray sql = QStringLiteral("INSERT INTO %1 VALUES (?, ?, ?, ?, ?, ?)")
                               .arg(QLatin1String(EmbeddedBackup::mediaTable()))
                               .toUtf8();
    sqlite3_prepare_v2(target, sql.constData(), -1, &insert, nullptr);
    const QByteArray name = request.databaseName.toUtf8();
    const QByteArray finished = QDateTime::currentDateTimeUtc().toString(Qt::ISODate).toUtf8();
    sqlite3_bind_text(insert, 1, name.constData(), name.size(), SQLITE_TRANSIENT);
    sqlite3_bind_text(insert, 2, finished.constData(), finished.size(), SQLITE_TRANSIENT);
    if (header.hasPassword()) {
        sqlite3_bind_blob(insert, 3, header.salt.constData(), header.salt.size(), SQLITE_TRANSIENT);
        sqlite3_bind_blob(insert, 4, header.passwordHash.constData(), header.passwordHash.size(),
                          SQLITE_TRANSIENT);
    }
    if (request.checksum)
        sqlite3_bind_blob(insert, 5, checksum.constData(), checksum.size(), SQLITE_TRANSIENT);
    const QByteArray certificate = request.certificate.toUtf8();
    if (!request.certificate.isEmpty())
        sqlite3_bind_text(insert, 6, certificate.constData(), certificate.size(), SQLITE_TRANSIENT);
    const int rc = sqlite3_step(insert);
    sqlite3_finalize(insert);
    if (rc != SQLITE_DONE) {
        throw Error(SqlError::BackupTerminated,
                    QStringLiteral("BACKUP DATABASE is terminating abnormally: %1")
                        .arg(QString::fromUtf8(sqlite3_errmsg(target))));
    }
}

// Runs a step of putting the copy in place; a file system failure is reported as
// the server reports a backup device it cannot use.
template <typename Step> void asDeviceError(const QString& file, Step step) {
    try {
        step();
    } catch (const Error& error) {
        cannotOpenDevice(file, error.description());
    }
}

// The statement that gave up, as the server names it at the end of its message.
[[noreturn]] void setFailed(const char* statement, long number, const QString& reason) {
    throw Error(number,
                reason +
                    QStringLiteral(" %1 is terminating abnormally.").arg(QLatin1String(statement)));
}

[[noreturn]] void malformed(const char* statement, const QString& file, const QString& why) {
    setFailed(statement, SqlError::MalformedBackup,
              QStringLiteral("The media family on device '%1' is incorrectly formed (%2). SQL "
                             "Server cannot process this media family.")
                  .arg(file, why));
}

quint32 bigEndian(const QByteArray& bytes, int at, int size) {
    quint32 value = 0;
    for (int i = 0; i < size; ++i)
        value = value << 8 | quint8(bytes.at(at + i));
    return value;
}

// A complete copy is as long as its header says: a page size times the page
// count the copy was finished with.
void checkComplete(const char* statement, const QString& file, const QString& path) {
    QFile backup(path);
    if (!backup.open(QIODevice::ReadOnly)) {
        setFailed(statement, SqlError::BackupDeviceError,
                  QStringLiteral("Cannot open backup device '%1'. Operating system error 2(The "
                                 "system cannot find the file specified.).")
                      .arg(file));
    }
    const QByteArray header = backup.read(100);
    if (header.size() < 100 || !header.startsWith(QByteArrayView("SQLite format 3\0", 16)))
        malformed(statement, file, QStringLiteral("no backup header"));
    const quint32 pageSize = bigEndian(header, 16, 2) == 1 ? 65536 : bigEndian(header, 16, 2);
    const quint32 pages = bigEndian(header, 28, 4);
    if (pages == 0 || qint64(pageSize) * pages != backup.size())
        malformed(statement, file,
                  QStringLiteral("%1 bytes where the header promises %2")
                      .arg(backup.size())
                      .arg(qint64(pageSize) * pages));
}

DatabaseHandle openReadOnly(const QString& path) {
    sqlite3* raw = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
    return DatabaseHandle(raw);
}

// The backup set's record: the database it holds, opened by the password given, its
// checksum (when it carries one) agreeing with its rows.
QString checkSet(const char* statement, const QString& file, sqlite3* db,
                 const std::optional<QString>& password, bool requireChecksum) {
    sqlite3_stmt* media = nullptr;
    const QByteArray sql =
        QStringLiteral("SELECT database_name, salt, password_sha256, checksum_sha256 FROM %1")
            .arg(QLatin1String(EmbeddedBackup::mediaTable()))
            .toUtf8();
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &media, nullptr) != SQLITE_OK ||
        sqlite3_step(media) != SQLITE_ROW || sqlite3_column_bytes(media, 0) == 0) {
        sqlite3_finalize(media);
        malformed(statement, file, QStringLiteral("it holds no backup set"));
    }
    const QString database =
        QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(media, 0)));
    const MediaHeader header{blobAt(media, 1), blobAt(media, 2)};
    const bool hasChecksum = sqlite3_column_type(media, 3) == SQLITE_BLOB;
    const QByteArray checksum = blobAt(media, 3);
    sqlite3_finalize(media);

    if (!header.opens(password))
        setFailed(statement, SqlError::PasswordFailure,
                  QStringLiteral("Access is denied due to a password failure."));
    if (requireChecksum && !hasChecksum)
        setFailed(statement, SqlError::NoChecksum,
                  QStringLiteral("RESTORE WITH CHECKSUM cannot be specified because the backup "
                                 "set does not contain checksum information."));
    // As the server does, a checksum the backup carries is checked unasked.
    if (hasChecksum && contentChecksum(db) != checksum)
        setFailed(statement, SqlError::BackupDamaged,
                  QStringLiteral("Damage to the backup set was detected."));
    return database;
}

QString firstText(sqlite3* db, const char* sql) {
    sqlite3_stmt* query = nullptr;
    QString text;
    if (sqlite3_prepare_v2(db, sql, -1, &query, nullptr) == SQLITE_OK &&
        sqlite3_step(query) == SQLITE_ROW)
        text = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(query, 0)));
    sqlite3_finalize(query);
    return text;
}

} // namespace

const char* EmbeddedBackup::mediaTable() {
    return "tavor_backup_media";
}

void EmbeddedBackup::write(const Request& request, const std::function<bool()>& expired) {
    const QString path = EmbeddedBackup::serverPath(request.targetFile);
    checkTarget(request, path);
    const MediaHeader header = headerFor(request, path);
    // The copy is built beside the target and put in its place only when complete and
    // flushed, so a failed backup never spoils an earlier one. Only its owner may read it.
    std::unique_ptr<ReplacementFile> part;
    asDeviceError(request.targetFile, [&] {
        part = std::make_unique<ReplacementFile>(path, SystemCalls::host(), 0600);
    });
    {
        DatabaseHandle target = openTarget(QFile::decodeName(part->temporaryPath()));
        copyPages(request, target.get(), expired);
        recordMedia(target.get(), request, header);
        if (sqlite3_close(target.release()) != SQLITE_OK) {
            cannotOpenDevice(request.targetFile, QStringLiteral("the copy cannot be closed"));
        }
    }
    asDeviceError(request.targetFile, [&] { part->commit(); });
}

void EmbeddedBackup::verify(const Verification& verification) {
    static constexpr char statement[] = "VERIFY DATABASE";
    const QString& file = verification.targetFile;
    const QString path = serverPath(file);
    checkComplete(statement, file, path);
    const DatabaseHandle db = openReadOnly(path);
    if (firstText(db.get(), "PRAGMA integrity_check") != QLatin1String("ok"))
        malformed(statement, file, QStringLiteral("the integrity check failed"));
    checkSet(statement, file, db.get(), verification.mediaPassword, verification.checksum);
}

// The integrity of the pages is left to the check of the restored database, as the
// server leaves it to DBCC CHECKDB.
QString EmbeddedBackup::openSet(const char* statement, const QString& file,
                                const std::optional<QString>& password, bool requireChecksum) {
    const QString path = serverPath(file);
    checkComplete(statement, file, path);
    const DatabaseHandle db = openReadOnly(path);
    return checkSet(statement, file, db.get(), password, requireChecksum);
}

QString EmbeddedBackup::serverPath(const QString& disk) {
    QString path = disk;
    return path.replace(QLatin1Char('\\'), QLatin1Char('/'));
}

bool EmbeddedBackup::matchesMediaPassword(const QString& backupFile, const QString& password) {
    const std::optional<MediaHeader> header = headerOf(backupFile);
    return header && header->hasPassword() && header->opens(password);
}

} // namespace tavor
