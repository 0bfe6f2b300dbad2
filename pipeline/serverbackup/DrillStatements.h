#pragma once

#include "pipeline/serverbackup/ServerGeneration.h"

#include <QList>
#include <QString>
#include <QVariant>

namespace tavor {

struct BackupContext;

// The statements of a restore drill, in the order the server receives them:
//   SELECT COUNT(*) FROM master.dbo.sysdatabases WHERE name = N'TavorDrill_x'
//   RESTORE FILELISTONLY FROM DISK = N'F'[ WITH MEDIAPASSWORD = 'P']
//   RESTORE DATABASE [TavorDrill_x] FROM DISK = N'F' WITH MOVE N'L' TO N'D/TavorDrill_x_1.mdf',
//     ..., RECOVERY[, MEDIAPASSWORD = 'P']
//   DBCC CHECKDB ([TavorDrill_x]) WITH NO_INFOMSGS, ALL_ERRORMSGS
//   the plain read (sys.tables, ORV_System_Values)
//   DROP DATABASE [TavorDrill_x]
// Old servers (major version 10 and older, or unread) are given the media password as
// the run's verification gives it. Every statement names only a database whose name
// begins with the prefix; any other name raises before a statement is made. Names are
// bracketed with ']' doubled, literals doubled inside N'...'.
class DrillStatements {
public:
    static const QString Prefix;

    // One file of the backup as RESTORE FILELISTONLY lists it.
    struct BackupFile {
        QString logicalName;
        QString type; // D data, L log, F full-text catalogue, S file stream
        qint64 size = 0;
    };

    DrillStatements(const ServerGeneration& server, const QString& mediaPassword);
    static DrillStatements of(const BackupContext& context);

    // The scratch database of a backup: the prefix and the backup's name.
    static QString databaseName(const QString& backupName);

    static QString exists(const QString& database);
    QString fileList(const QString& backupFile) const;
    // The rows of RESTORE FILELISTONLY, by the server's first columns.
    static QList<BackupFile> backupFiles(const QList<QVariantList>& rows);
    // Where each file goes: <folder>/<database>_<n>.<mdf|ldf|ndf>, n counted from 1.
    static QString movedFile(const QString& folder, const QString& database,
                             const QList<BackupFile>& files, int index);
    QString restore(const QString& database, const QString& backupFile, const QString& folder,
                    const QList<BackupFile>& files) const;
    static QString check(const QString& database);
    // The plain read: whether the database is the branch's main one, its system
    // values and business date, and the number of user tables of any other.
    static QString holdsSystemValues(const QString& database);
    static QString systemValueCount(const QString& database);
    static QString businessDate(const QString& database);
    static QString userTableCount(const QString& database);
    static QString drop(const QString& database);

private:
    // [name] with ']' doubled; raises unless the name is a drill's own.
    static QString drillDatabase(const QString& database);
    static QString text(const QString& value);
    QString mediaPasswordOption() const;

    bool current_;
    QString mediaPassword_;
};

} // namespace tavor
