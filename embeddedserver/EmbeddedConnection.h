#pragma once

#include "platform/database/DatabaseConnection.h"

#include <memory>

namespace tavor {

// The embedded stand-in for the database server: a Data Source "embedded:<folder>"
// serves the databases <folder>/<name>.db (SQLite files). It runs the statements
// this program sends, parsed from their T-SQL text and translated into SQLite
// with every value bound; anything else fails with the server's error number.
class EmbeddedConnection : public DatabaseConnection {
public:
    EmbeddedConnection();
    ~EmbeddedConnection() override;

    // True for a Data Source that selects the embedded server.
    static bool servesDataSource(const QString& dataSource);

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
    std::unique_ptr<class EmbeddedSession> session_;
    int timeoutSeconds_ = 30;
};

} // namespace tavor
