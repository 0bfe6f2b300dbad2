#pragma once

#include <QDate>
#include <QString>

namespace tavor {

// Where a night's files go on a drive: "Tavor_Backup/Tavor_<yyyy-MM-dd>/" under its
// mount point, the date being the previous business date.
class DatedFolder {
public:
    // FixPath(mount point) + "Tavor_Backup".
    static QString backupFolder(const QString& mountPoint);
    // The dated folder with its trailing separator; empty when the date is not a date.
    static QString on(const QString& mountPoint, const QString& previousBusinessDate);
    // The date a dated folder's name gives, in exactly the form the run writes it;
    // invalid for any other name.
    static QDate dateOf(const QString& folderName);
};

} // namespace tavor
