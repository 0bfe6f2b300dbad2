#pragma once

#include "platform/database/DatabaseConnection.h"

#include <sql.h>

namespace tavor {

// The branch database on SQL Server, reached through unixODBC and the FreeTDS driver.
// The window's OLE DB connection string is translated for the driver; logging in never
// waits longer than the login time-out, and each statement is cancelled by the server
// once the command time-out has passed.
class OdbcConnection : public DatabaseConnection {
public:
    static constexpr int DefaultLoginTimeout = 15;
    static constexpr int DefaultCommandTimeout = 30;

    explicit OdbcConnection(int loginTimeoutSeconds = DefaultLoginTimeout);
    ~OdbcConnection() override;
    OdbcConnection(const OdbcConnection&) = delete;
    OdbcConnection& operator=(const OdbcConnection&) = delete;

    void open(const QString& connectionString) override;
    void close() override;
    bool isOpen() const override;

    void setCommandTimeout(int seconds) override;
    int commandTimeout() const override;

    void execute(const QString& sql, const QList<QVariant>& parameters = {}) override;
    std::optional<QVariant> readFirstValue(const QString& sql,
                                           const QList<QVariant>& parameters = {}) override;
    QList<QVariantList> readRows(const QString& sql,
                                 const QList<QVariant>& parameters = {}) override;

private:
    void connectWith(const QString& odbcConnectionString, const QString& server);
    void requireOpen() const;
    void freeHandles();

    int loginTimeout_;
    int commandTimeout_ = DefaultCommandTimeout;
    SQLHENV environment_ = SQL_NULL_HENV;
    SQLHDBC connection_ = SQL_NULL_HDBC;
};

} // namespace tavor
