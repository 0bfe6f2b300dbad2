#pragma once

#include <QString>

namespace tavor {

// The server's full backup statement for one database into one file. Plain names
// and paths give the statement exactly as written; a name that is not a plain
// identifier is bracketed and apostrophes in the literals are doubled, so no
// value can end its place in the statement.
class BackupStatement {
public:
    // "BACKUP DATABASE " + database + " TO DISK = '" + file: the part that may be
    // shown, since it ends before the password.
    static QString head(const QString& database, const QString& file);
    static QString statement(const QString& database, const QString& file, const QString& password);

    static QString databaseName(const QString& name);
    static QString literalText(QString text);
};

} // namespace tavor
