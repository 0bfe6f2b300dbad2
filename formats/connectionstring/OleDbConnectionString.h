#pragma once

#include "formats/connectionstring/ConnectionString.h"

#include <QString>

namespace tavor {

// The connection string the window builds for the server
// ("Provider=SQLOLEDB.1;Password=...;User ID=...;Initial Catalog=...;Data Source=..."),
// parsed by the OLE DB rules and translated field by field into the string the FreeTDS
// ODBC driver understands. Malformed or inexpressible input raises tavor::Error; no
// description ever contains the password.
class OleDbConnectionString {
public:
    explicit OleDbConnectionString(const QString& text);

    // "Driver={FreeTDS};Server=...;Port=...;Database=...;UID=...;PWD=...;TDS_Version=7.4;
    // ClientCharset=UTF-8", values braced where they need it.
    QString toOdbc() const;
    // The server as the window names it (Data Source).
    QString dataSource() const;

private:
    // Empty when none of the keys is given.
    QString valueOfAny(const QStringList& keys) const;

    ConnectionString fields_;
};

} // namespace tavor
