#pragma once

#include "platform/database/DatabaseConnection.h"

#include <functional>

namespace tavor {

// A connection that picks its server when it is opened: a connection of the route
// when the route serves the Data Source (main routes "embedded:<folder>" to the
// embedded server), otherwise a connection from the factory of the real server.
// Settings made before opening carry over to the chosen connection.
class RoutingConnection : public DatabaseConnection {
public:
    using Factory = std::function<std::unique_ptr<DatabaseConnection>()>;

    // The Data Sources that a server of its own serves, and its connections.
    struct Route {
        std::function<bool(const QString& dataSource)> serves;
        Factory connection;
    };

    RoutingConnection(Route route, Factory serverConnection);

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
    DatabaseConnection& target();

    Route route_;
    Factory serverConnection_;
    std::unique_ptr<DatabaseConnection> target_;
    int timeoutSeconds_ = 30;
};

} // namespace tavor
