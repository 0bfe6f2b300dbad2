#pragma once

#include "platform/database/DatabaseConnection.h"

#include <functional>

namespace tavor {

// A connection that picks its server when it is opened: the embedded server for a
// Data Source "embedded:<folder>", otherwise a connection from the factory of the
// real server. Settings made before opening carry over to the chosen connection.
class RoutingConnection : public DatabaseConnection {
public:
    using Factory = std::function<std::unique_ptr<DatabaseConnection>()>;

    explicit RoutingConnection(Factory serverConnection);

    void open(const QString& connectionString) override;
    void close() override;
    bool isOpen() const override;

    void setCommandTimeout(int seconds) override;
    int commandTimeout() const override;

    void execute(const QString& sql, const QList<QVariant>& parameters = {}) override;
    std::optional<QVariant> readFirstValue(const QString& sql,
                                           const QList<QVariant>& parameters = {}) override;

private:
    DatabaseConnection& target();

    Factory serverConnection_;
    std::unique_ptr<DatabaseConnection> target_;
    int timeoutSeconds_ = 30;
};

} // namespace tavor
