#include "pipeline/serverbackup/DrillStatements.h"

#include "base/Error.h"
#include "pipeline/BackupContext.h"
#include "pipeline/serverbackup/BackupStatement.h"

#include <QStringList>
#include <algorithm>

namespace tavor {

const QString DrillStatements::Prefix = QStringLiteral("TavorDrill_");

DrillStatements::DrillStatements(const ServerGeneration& server, const QString& mediaPassword)
    : current_(server.current()), mediaPassword_(mediaPassword) {}

DrillStatements DrillStatements::of(const BackupContext& context) {
    return DrillStatements(ServerGeneration::of(context.state), context.mediaPassword);
}

QString DrillStatements::databaseName(const QString& backupName) {
    return Prefix + backupName;
}

QString DrillStatements::drillDatabase(const QString& database) {
    if (!database.startsWith(Prefix) || database.size() == Prefix.size())
        throw Error(ErrorNumber::InvalidProcedureCall,
                    QStringLiteral("the drill names only databases of its own (%1...), not \"%2\"")
                        .arg(Prefix, database));
    QString inner = database;
    return QLatin1Char('[') + inner.replace(QLatin1Char(']'), QStringLiteral("]]")) +
           QLatin1Char(']');
}

QString DrillStatements::text(const QString& value) {
    return QStringLiteral("N'") + BackupStatement::literalText(value) + QLatin1Char('\'');
}

QString DrillStatements::mediaPasswordOption() const {
    if (current_)
        return {};
    return QStringLiteral("MEDIAPASSWORD = '") + BackupStatement::literalText(mediaPassword_) +
           QLatin1Char('\'');
}

QString DrillStatements::exists(const QString& database) {
    drillDatabase(database);
    return QStringLiteral("SELECT COUNT(*) FROM master.dbo.sysdatabases WHERE name = ") +
           text(database);
}

QString DrillStatements::fileList(const QString& backupFile) const {
    const QString option = mediaPasswordOption();
    return QStringLiteral("RESTORE FILELISTONLY FROM DISK = ") + text(backupFile) +
           (option.isEmpty() ? QString() : QStringLiteral(" WITH ") + option);
}

QList<DrillStatements::BackupFile> DrillStatements::backupFiles(const QList<QVariantList>& rows) {
    QList<BackupFile> files;
    for (const QVariantList& row : rows)
        files.append({row.value(0).toString(), row.value(2).toString().trimmed().toUpper(),
                      row.value(4).toLongLong()});
    return files;
}

// The first data file is the primary one (.mdf), other data files secondary (.ndf).
QString DrillStatements::movedFile(const QString& folder, const QString& database,
                                   const QList<BackupFile>& files, int index) {
    QString extension = QStringLiteral("ndf");
    if (files.at(index).type == QLatin1String("L"))
        extension = QStringLiteral("ldf");
    else if (std::none_of(files.cbegin(), files.cbegin() + index,
                          [](const BackupFile& f) { return f.type == QLatin1String("D"); }))
        extension = QStringLiteral("mdf");
    // The folder as the server sees it keeps its own separator.
    const QChar separator = folder.contains(QLatin1Char('\\')) && !folder.contains(QLatin1Char('/'))
                                ? QLatin1Char('\\')
                                : QLatin1Char('/');
    QString base = folder;
    while (base.endsWith(separator) && base.size() > 1)
        base.chop(1);
    return base + separator + database + QLatin1Char('_') + QString::number(index + 1) +
           QLatin1Char('.') + extension;
}

QString DrillStatements::restore(const QString& database, const QString& backupFile,
                                 const QString& folder, const QList<BackupFile>& files) const {
    QStringList options;
    for (int i = 0; i < files.size(); ++i)
        options << QStringLiteral("MOVE ") + text(files.at(i).logicalName) +
                       QStringLiteral(" TO ") + text(movedFile(folder, database, files, i));
    options << QStringLiteral("RECOVERY");
    if (const QString password = mediaPasswordOption(); !password.isEmpty())
        options << password;
    return QStringLiteral("RESTORE DATABASE ") + drillDatabase(database) +
           QStringLiteral(" FROM DISK = ") + text(backupFile) + QStringLiteral(" WITH ") +
           options.join(QStringLiteral(", "));
}

QString DrillStatements::check(const QString& database) {
    return QStringLiteral("DBCC CHECKDB (") + drillDatabase(database) +
           QStringLiteral(") WITH NO_INFOMSGS, ALL_ERRORMSGS");
}

QString DrillStatements::holdsSystemValues(const QString& database) {
    return QStringLiteral("SELECT COUNT(*) FROM ") + drillDatabase(database) +
           QStringLiteral(".sys.tables WHERE name = N'ORV_System_Values'");
}

QString DrillStatements::systemValueCount(const QString& database) {
    return QStringLiteral("SELECT COUNT(*) FROM ") + drillDatabase(database) +
           QStringLiteral(".dbo.ORV_System_Values");
}

QString DrillStatements::businessDate(const QString& database) {
    return QStringLiteral("SELECT SV_Value FROM ") + drillDatabase(database) +
           QStringLiteral(".dbo.ORV_System_Values WHERE SV_Name = N'Sys_BusinessDate'");
}

QString DrillStatements::userTableCount(const QString& database) {
    return QStringLiteral("SELECT COUNT(*) FROM ") + drillDatabase(database) +
           QStringLiteral(".sys.tables WHERE is_ms_shipped = 0");
}

QString DrillStatements::drop(const QString& database) {
    return QStringLiteral("DROP DATABASE ") + drillDatabase(database);
}

} // namespace tavor
