#include "platform/database/RoutingDatabaseProvider.h"

namespace tavor {

RoutingDatabaseProvider::RoutingDatabaseProvider(RoutingConnection::Factory serverConnection)
    : serverConnection_(std::move(serverConnection)) {}

std::unique_ptr<DatabaseConnection> RoutingDatabaseProvider::createConnection() {
    return std::make_unique<RoutingConnection>(serverConnection_);
}

} // namespace tavor
