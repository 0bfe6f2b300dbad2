#pragma once

#include <QString>
#include <functional>
#include <optional>

struct sqlite3;

namespace tavor {

// Writes a full backup of one database of an embedded server: a consistent copy
// made with SQLite's online backup while other connections may keep writing.
// The media password belongs to the file's media header and is kept in the copy
// only as a salted SHA-256 hash. As on the server, WITH INIT writes over the backup
// but keeps the media header of the file it replaces (whose password it must be
// given), and WITH FORMAT writes a new one. WITH CHECKSUM records a SHA-256 of the
// copy's rows, and ENCRYPTION the certificate's name (the stand-in does not
// encipher the copy).
class EmbeddedBackup {
public:
    struct Request {
        sqlite3* source = nullptr;
        QString schema;       // the attached schema that holds the database
        QString databaseName; // as stored, recorded in the copy
        QString targetFile;
        bool init = false;   // WITH INIT: replace an existing file, keeping its media header
        bool format = false; // WITH FORMAT: replace it with a new media header
        bool checksum = false;
        std::optional<QString> mediaPassword;
        QString certificate; // empty: not encrypted
    };

    // RESTORE VERIFYONLY: what the server is asked to check of a backup file.
    struct Verification {
        QString targetFile;
        bool checksum = false; // WITH CHECKSUM: the backup must carry one
        std::optional<QString> mediaPassword;
    };

    // Raises tavor::Error on failure, or when expired() turns true before the copy
    // is complete; an existing target file is then left as it was.
    static void write(const Request& request, const std::function<bool()>& expired);

    // Raises tavor::Error with the server's number unless the file is a complete,
    // intact copy of the database it names, its checksum (when it has one) agrees
    // with its rows, and the password given opens it (when it has one).
    static void verify(const Verification& verification);

    // For RESTORE: raises tavor::Error with the server's number, naming statement
    // ("RESTORE DATABASE") as the one terminating, unless the file is a complete backup
    // set that the password opens and whose checksum (when it has one) agrees with
    // its rows; returns the name of the database it holds.
    static QString openSet(const char* statement, const QString& file,
                           const std::optional<QString>& password, bool requireChecksum);

    // A path the server is given, with either separator, as a Windows server takes it.
    static QString serverPath(const QString& disk);

    // True when the backup file carries a media password and it is this one.
    static bool matchesMediaPassword(const QString& backupFile, const QString& password);

    static const char* mediaTable();
};

} // namespace tavor
