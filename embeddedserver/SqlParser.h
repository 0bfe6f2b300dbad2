#pragma once

#include "embeddedserver/SqlStatement.h"

namespace tavor {

// Parses one T-SQL statement of the kinds the embedded server runs. Anything
// else raises tavor::Error with the server's syntax error number.
class SqlParser {
public:
    static SqlParsedStatement parse(const QString& sql);
};

} // namespace tavor
