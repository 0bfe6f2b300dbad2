#pragma once

#include "platform/database/DatabaseConnection.h"
#include "platform/database/linux/OdbcConnection.h"

namespace tavor {

// Hands out connections to SQL Server over ODBC, all with the same login time-out.
class OdbcDatabaseProvider : public DatabaseProvider {
public:
    explicit OdbcDatabaseProvider(int loginTimeoutSeconds = OdbcConnection::DefaultLoginTimeout);

    std::unique_ptr<DatabaseConnection> createConnection() override;

private:
    int loginTimeout_;
};

} // namespace tavor
