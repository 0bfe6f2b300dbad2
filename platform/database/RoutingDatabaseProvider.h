#pragma once

#include "platform/database/RoutingConnection.h"

namespace tavor {

// The program's database provider: its connections hand the Data Sources of the
// route to the route's server (the embedded one) and every other one to the real
// server's adapter.
class RoutingDatabaseProvider : public DatabaseProvider {
public:
    RoutingDatabaseProvider(RoutingConnection::Route route,
                            RoutingConnection::Factory serverConnection);

    std::unique_ptr<DatabaseConnection> createConnection() override;

private:
    RoutingConnection::Route route_;
    RoutingConnection::Factory serverConnection_;
};

} // namespace tavor
