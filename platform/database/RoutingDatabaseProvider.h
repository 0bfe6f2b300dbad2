#pragma once

#include "platform/database/RoutingConnection.h"

namespace tavor {

// The program's database provider: its connections serve an embedded Data Source
// themselves and hand every other one to the real server's adapter.
class RoutingDatabaseProvider : public DatabaseProvider {
public:
    explicit RoutingDatabaseProvider(RoutingConnection::Factory serverConnection);

    std::unique_ptr<DatabaseConnection> createConnection() override;

private:
    RoutingConnection::Factory serverConnection_;
};

} // namespace tavor
