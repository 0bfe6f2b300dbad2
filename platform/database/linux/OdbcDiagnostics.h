#pragma once

#include "base/Error.h"

#include <QList>
#include <QString>
#include <sql.h>

namespace tavor {

// The diagnostic records an ODBC call left on a handle, turned into the one error the
// program sees: the server's error number and the texts of the messages.
class OdbcDiagnostics {
public:
    struct Record {
        QString state; // SQLSTATE, five characters
        long nativeNumber = 0;
        QString message;
    };

    static QList<Record> read(SQLSMALLINT handleType, SQLHANDLE handle);

    // The number is the first non-zero native number among the error records (warnings and
    // informational messages, SQLSTATE class "01", only when no error record has one),
    // ErrorNumber::ProviderError when there is none; the description joins the messages.
    // `context` describes the failed call when the driver left no record at all.
    static Error toError(const QList<Record>& records, const QString& context);

    static Error errorOf(SQLSMALLINT handleType, SQLHANDLE handle, const QString& context);
};

} // namespace tavor
