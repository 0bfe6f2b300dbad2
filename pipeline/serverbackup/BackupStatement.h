#pragma once

#include <QString>

namespace tavor {

// The server's full backup statement:
//   BACKUP DATABASE D TO DISK = 'F' WITH INIT , MEDIAPASSWORD='P'
// Values are quoted so that none can end the statement early: a database name that
// is not a plain identifier, or is a reserved word, is bracketed; apostrophes in
// the file and password are doubled. Plain names and paths stand as written.
class BackupStatement {
public:
    // "BACKUP DATABASE D TO DISK = 'F": everything up to the end of the file path,
    // safe to show because it never holds the password.
    static QString head(const QString& database, const QString& file);
    static QString statement(const QString& database, const QString& file, const QString& password);

    // A database name as the statement names it: as written when it is a plain
    // identifier, otherwise in brackets with ']' doubled.
    static QString databaseName(const QString& name);
    // The inside of a '...' literal: apostrophes doubled.
    static QString literalText(const QString& text);
};

} // namespace tavor
