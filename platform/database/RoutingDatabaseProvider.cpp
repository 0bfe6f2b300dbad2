#include "platform/database/RoutingDatabaseProvider.h"

namespace tavor {

RoutingDatabaseProvider::RoutingDatabaseProvider(RoutingConnection::Route route,
                                                 RoutingConnection::Factory serverConnection)
    : route_(std::move(route)), serverConnection_(std::move(serverConnection)) {}

std::unique_ptr<DatabaseConnection> RoutingDatabaseProvider::createConnection() {
    return std::make_unique<RoutingConnection>(route_, serverConnection_);
}

} // namespace tavor
