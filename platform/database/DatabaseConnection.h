#pragma once

#include "platform/database/SqlErrors.h"

#include <QList>
#include <QString>
#include <QVariant>
#include <memory>
#include <optional>

namespace tavor {

// A connection to the branch database server, in the terms the program uses it:
// open with a connection string, run a statement that returns no rows, read the
// first column of the first row of a query. Every failure raises tavor::Error
// with the server's error number and description.
class DatabaseConnection {
public:
    virtual ~DatabaseConnection() = default;

    // connectionString is in the form the window builds:
    // "Provider=SQLOLEDB.1;Password=...;User ID=...;Initial Catalog=...;Data Source=..."
    virtual void open(const QString& connectionString) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Seconds a statement may run before it is cancelled; 0 waits for ever.
    virtual void setCommandTimeout(int seconds) = 0;
    virtual int commandTimeout() const = 0;

    // Runs a statement and drains every result it sends. Parameters bind to '?' markers.
    virtual void execute(const QString& sql, const QList<QVariant>& parameters = {}) = 0;

    // First column of the first row; std::nullopt when the query returns no row.
    // A SQL NULL comes back as a null QVariant.
    virtual std::optional<QVariant> readFirstValue(const QString& sql,
                                                   const QList<QVariant>& parameters = {}) = 0;

    // Every row of the first result that has columns, each row's columns in order
    // (RESTORE FILELISTONLY answers so). A connection that cannot read whole results
    // refuses, as a provider refuses an operation it is not capable of.
    virtual QList<QVariantList> readRows(const QString& sql,
                                         const QList<QVariant>& parameters = {}) {
        Q_UNUSED(sql);
        Q_UNUSED(parameters);
        throw Error(SqlError::NotCapable,
                    QStringLiteral("Object or provider is not capable of performing requested "
                                   "operation."));
    }
};

// Creates connections; the adapter behind it is chosen by the connection string.
class DatabaseProvider {
public:
    virtual ~DatabaseProvider() = default;
    virtual std::unique_ptr<DatabaseConnection> createConnection() = 0;
};

} // namespace tavor
