#pragma once

#include <QString>
#include <QStringList>

namespace tavor {

// The names the backup derives from the branch's system values: satellite
// databases, the server's .bak files and the general-accounts file.
class BranchNames {
public:
    // Trims and ends the path with the host separator; an empty path gives "/".
    static QString FixPath(const QString& path);
    // The file-name part of a path (either separator), optionally cut before its first dot.
    static QString GetFile(const QString& path, bool cutAtFirstDot);

    // The name up to and including its first underscore, upper-cased.
    static QString DatabasePrefix(const QString& databaseName);
    // A numeric text rounded and zero-padded to three digits; any other text, and a
    // number beyond the 64-bit range, unchanged.
    static QString FormatBranchNumber(const QString& branchNumber);
    static QString FinaName(const QString& branchNumber, const QString& databaseName);
    // The general-accounts file candidates in the order they are tried.
    static QStringList FinaFileCandidates(const QString& backupPath, const QString& finaPath,
                                          const QString& branchNumber, const QString& databaseName);
    static QString LcsDatabase(const QString& branchNumber);
    static int HistoryIntervalDays(const QString& branchType);
};

} // namespace tavor
