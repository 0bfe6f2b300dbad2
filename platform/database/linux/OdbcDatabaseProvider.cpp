#include "platform/database/linux/OdbcDatabaseProvider.h"

namespace tavor {

OdbcDatabaseProvider::OdbcDatabaseProvider(int loginTimeoutSeconds)
    : loginTimeout_(loginTimeoutSeconds) {}

std::unique_ptr<DatabaseConnection> OdbcDatabaseProvider::createConnection() {
    return std::make_unique<OdbcConnection>(loginTimeout_);
}

} // namespace tavor
