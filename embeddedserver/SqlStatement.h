#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>
#include <utility>
#include <variant>

namespace tavor {

// The parsed forms of the statements the embedded server runs.

// database.schema.object; database and schema are empty when not written.
struct SqlObjectName {
    QString database;
    QString schema;
    QString object;
    QString spelling; // as written, for error messages
};

// A literal of the statement, or the index of a '?' parameter.
struct SqlValue {
    QVariant literal;
    int parameterIndex = -1;
};

struct SqlCondition {
    QString column;
    SqlValue value;
};

struct SqlSelectItem {
    bool countAll = false; // COUNT(*)
    QString column;
};

struct SqlSelect {
    QList<SqlSelectItem> items;
    SqlObjectName from;
    QList<SqlCondition> where; // joined by AND
};

struct SqlUpdate {
    SqlObjectName table;
    QList<std::pair<QString, SqlValue>> assignments;
    QList<SqlCondition> where;
};

struct SqlInsert {
    SqlObjectName table;
    QStringList columns;
    QList<SqlValue> values;          // INSERT ... VALUES
    std::optional<SqlSelect> source; // INSERT ... SELECT
};

struct SqlColumnDefinition {
    QString name;
    QString type; // lower-case server type name: int, nchar, ntext, ...
    bool caseInsensitive = false;
    bool notNull = false;
};

struct SqlCreateTable {
    SqlObjectName table;
    QList<SqlColumnDefinition> columns;
};

struct SqlCreateDatabase {
    QString name;
};

struct SqlDropDatabase {
    QString name;
};

// ENCRYPTION (ALGORITHM = a, SERVER CERTIFICATE = c)
struct SqlBackupEncryption {
    QString algorithm;
    QString certificate;
};

struct SqlBackup {
    QString database;
    QString disk;
    bool init = false;
    bool format = false; // a new media header, and INIT with it
    bool checksum = false;
    std::optional<QString> mediaPassword;
    std::optional<SqlBackupEncryption> encryption;
};

// RESTORE VERIFYONLY FROM DISK = 'f' [WITH CHECKSUM, MEDIAPASSWORD = 'p']
struct SqlVerifyBackup {
    QString disk;
    bool checksum = false;
    std::optional<QString> mediaPassword;
};

// RESTORE FILELISTONLY FROM DISK = 'f' [WITH MEDIAPASSWORD = 'p']
struct SqlRestoreFileList {
    QString disk;
    std::optional<QString> mediaPassword;
};

// RESTORE DATABASE d FROM DISK = 'f' WITH MOVE 'logical' TO 'file' [, ...]
// [, RECOVERY] [, CHECKSUM] [, MEDIAPASSWORD = 'p']; the embedded server keeps no log
// to roll forward, so it restores only with recovery and never over a database.
struct SqlRestoreDatabase {
    QString database;
    QString disk;
    QList<std::pair<QString, QString>> moves; // logical name, file it goes to
    bool checksum = false;
    std::optional<QString> mediaPassword;
};

// DBCC CHECKDB (d) [WITH NO_INFOMSGS, ALL_ERRORMSGS]
struct SqlCheckDatabase {
    QString database;
};

// SELECT SERVERPROPERTY('name'), or CAST(SERVERPROPERTY('name') AS <text type>).
struct SqlServerProperty {
    QString name;
    bool asText = false;
};

using SqlStatement =
    std::variant<SqlSelect, SqlUpdate, SqlInsert, SqlCreateTable, SqlCreateDatabase,
                 SqlDropDatabase, SqlBackup, SqlVerifyBackup, SqlServerProperty, SqlRestoreFileList,
                 SqlRestoreDatabase, SqlCheckDatabase>;

struct SqlParsedStatement {
    SqlStatement statement;
    int parameterCount = 0; // '?' markers, numbered from 0 in reading order
};

} // namespace tavor
