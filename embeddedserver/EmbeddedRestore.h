#pragma once

#include "embeddedserver/SqlStatement.h"

#include <QList>
#include <QVariant>
#include <functional>

struct sqlite3;

namespace tavor {

class EmbeddedCatalog;

// Brings a database back from a backup the embedded server wrote (EmbeddedBackup).
// Such a database has two logical files, as a simple database on the server has:
// its data ("<name>", the SQLite file itself) and its log ("<name>_log", kept empty:
// the stand-in has no log to roll forward). A restore moves both where it is told,
// and the catalogue reaches them through links in the server's folder.
class EmbeddedRestore {
public:
    // RESTORE FILELISTONLY: one row a file, with the server's first columns
    // (LogicalName, PhysicalName, Type, FileGroupName, Size, MaxSize, FileId).
    static QList<QVariantList> fileList(const SqlRestoreFileList& list);

    // RESTORE DATABASE ... WITH MOVE ..., RECOVERY. Raises tavor::Error with the
    // server's number when the name is taken, the backup is damaged, truncated or
    // not opened by the password given, or a file is not moved to a new place; what
    // was written of the database is then removed again.
    static void restore(EmbeddedCatalog& catalog, const SqlRestoreDatabase& restore,
                        const std::function<bool()>& expired);

    // DBCC CHECKDB on the database attached as schema: raises tavor::Error with the
    // number of the first fault SQLite's integrity check finds, the server's summary
    // line after the faults.
    static void check(sqlite3* session, const QString& schema, const QString& database);
};

} // namespace tavor
