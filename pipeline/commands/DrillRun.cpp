#include "pipeline/commands/DrillRun.h"

#include "base/Error.h"
#include "cabinet/CabinetVerifier.h"
#include "formats/checksums/ChecksumManifest.h"
#include "pipeline/TechnicianSettings.h"
#include "pipeline/commands/FolderVerification.h"
#include "pipeline/record/RunManifest.h"
#include "pipeline/record/RunRecorder.h"
#include "platform/registry/RegistryKeys.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QScopeGuard>
#include <QStorageInfo>

namespace tavor {

namespace {

constexpr qint64 CopyPiece = 1 << 20;

bool endsWith(const QString& name, const char* extension) {
    return name.endsWith(QLatin1String(extension), Qt::CaseInsensitive);
}

QString withoutExtension(const QString& name) {
    const QString file = name.section(QLatin1Char('/'), -1).section(QLatin1Char('\\'), -1);
    return file.left(file.lastIndexOf(QLatin1Char('.')));
}

Error writeFailure(const QString& file, const QString& why) {
    return Error(ErrorNumber::DeviceIOError,
                 QStringLiteral("the backup cannot be unpacked into %1: %2").arg(file, why));
}

} // namespace

DrillRun::DrillRun(BackupContext& context, QString folder, LineWriter writeLine)
    : context_(context), folder_(QDir::cleanPath(folder)), writeLine_(std::move(writeLine)),
      drillFolder_(TechnicianSettings(context.platform.registry.get()).drillFolder()),
      statements_(DrillStatements::of(context)) {}

int DrillRun::run() {
    RunRecorder recorder(context_);
    recorder.begin();
    const int status = drillFolder();
    QJsonArray rows;
    for (const Drilled& drilled : drilled_)
        rows.append(QJsonObject{
            {QStringLiteral("name"), drilled.name},
            {QStringLiteral("database"), drilled.database},
            {QStringLiteral("outcome"),
             drilled.restored ? QStringLiteral("restored") : QStringLiteral("failed")},
            {QStringLiteral("reason"), drilled.restored ? QJsonValue() : QJsonValue(drilled.why)},
            {QStringLiteral("found"), drilled.found},
            {QStringLiteral("seconds"), drilled.seconds}});
    recorder.finishDrill(folder_, rows, status, reason_);
    return status;
}

int DrillRun::notDrilled(int status, const QString& why) {
    reason_ = why;
    writeLine_(why + QStringLiteral("; nothing was drilled"));
    return status;
}

int DrillRun::drillFolder() {
    if (const QString why = whyNotStarted(); !why.isEmpty())
        return notDrilled(CouldNotStart, why);
    const int verified = FolderVerification(folder_, writeLine_).run();
    if (verified == FolderVerification::Unreadable) {
        reason_ = folder_ + QStringLiteral(" or its manifest cannot be read");
        return CouldNotStart;
    }
    if (verified != FolderVerification::AllMatch)
        return notDrilled(Failed, folder_ + QStringLiteral(" does not verify"));
    QList<ServerBackup> backups;
    try {
        backups = serverBackups();
    } catch (const Error& failure) {
        return notDrilled(Failed, failure.description());
    }
    // A restore and its check take what they take; a stop signal waits for them.
    context_.connection->setCommandTimeout(0);
    StopSignals* stop = context_.platform.stopSignals.get();
    if (stop)
        stop->hold();
    const auto release = qScopeGuard([stop] {
        if (stop)
            stop->release();
    });
    QElapsedTimer clock;
    clock.start();
    int restored = 0;
    int taken = 0;
    for (const ServerBackup& backup : backups) {
        if (!stopSignal().isEmpty())
            break;
        drilled_.append(drill(backup));
        ++taken;
        restored += drilled_.last().restored ? 1 : 0;
        writeLine_(line(drilled_.last()));
    }
    QString summary = QStringLiteral("drill of %1: %2 server backups, %3 restored, %4 failed")
                          .arg(folder_)
                          .arg(backups.size())
                          .arg(restored)
                          .arg(taken - restored);
    if (const QString signal = stopSignal(); !signal.isEmpty()) {
        reason_ = QStringLiteral("interrupted by signal ") + signal;
        summary += QStringLiteral(", %1 not taken (%2)").arg(backups.size() - taken).arg(reason_);
    }
    if (backups.isEmpty())
        summary += QStringLiteral(" (the folder holds no server backup to prove)");
    writeLine_(summary + QStringLiteral(", %1 s").arg(clock.elapsed() / 1000.0, 0, 'f', 1));
    const bool allRestored = !backups.isEmpty() && restored == backups.size();
    return allRestored ? AllRestored : Failed;
}

QString DrillRun::whyNotStarted() const {
    if (drillFolder_.isEmpty())
        return TechnicianSettings::DrillFolder + QStringLiteral(" is not set under ") +
               RegistryKeys::Technician + QStringLiteral(": the drill has no folder to restore in");
    if (!QFileInfo(drillFolder_).isDir())
        return QStringLiteral("the drill folder %1 (%2) is not a folder")
            .arg(drillFolder_, TechnicianSettings::DrillFolder);
    const DatabaseConnection* connection = context_.connection.get();
    if (!connection || !connection->isOpen())
        return QStringLiteral("no connection to the database server \"%1\" (database \"%2\")")
            .arg(context_.state.ServerName, context_.state.DatabaseName);
    return {};
}

// The files the manifest lists (every one checked just now) that hold a .bak: as
// it is, or as the one file of a cabinet.
QList<DrillRun::ServerBackup> DrillRun::serverBackups() const {
    QFile manifest(folder_ + QLatin1Char('/') + RunManifest::FileName);
    if (!manifest.open(QIODevice::ReadOnly))
        throw Error(
            ErrorNumber::FileNotFound,
            QStringLiteral("cannot read %1: %2").arg(manifest.fileName(), manifest.errorString()));
    QStringList names;
    const ChecksumManifest listed = ChecksumManifest::parse(manifest.readAll());
    for (const ManifestEntry& entry : listed.entries()) {
        if (!names.contains(entry.name))
            names << entry.name;
    }
    QList<ServerBackup> backups;
    IdleTicker idle;
    CabinetVerifier cabinets(SystemCalls::host(), idle);
    for (const QString& name : names) {
        const QString path = folder_ + QLatin1Char('/') + name;
        if (endsWith(name, ".bak")) {
            backups.append({name, withoutExtension(name), QFileInfo(path).size(), false});
        } else if (endsWith(name, ".cab")) {
            const CabinetVerifier::Content content =
                cabinets.content(QFile::encodeName(path), path);
            if (endsWith(content.name, ".bak"))
                backups.append({name, withoutExtension(content.name), content.length, true});
        }
    }
    return backups;
}

DrillRun::Drilled DrillRun::drill(const ServerBackup& backup) {
    Drilled drilled;
    drilled.name = backup.name;
    drilled.database = DrillStatements::databaseName(backup.backupName);
    QElapsedTimer clock;
    clock.start();
    const QString& database = drilled.database;
    const QString unpacked = drillFolder_ + QLatin1Char('/') + database + QStringLiteral(".bak");
    DatabaseConnection& connection = *context_.connection;
    bool restoreSent = false;
    bool unpackStarted = false;
    try {
        // Another drill's database, or one of a drill that could not tidy up: not ours
        // to replace or drop, nor its unpacked file.
        if (connection.readFirstValue(DrillStatements::exists(database)).value_or(0).toLongLong() >
            0)
            throw Error(SqlError::DatabaseExists,
                        QStringLiteral("%1 is on the server before the drill; it is left alone")
                            .arg(database));
        unpackStarted = true;
        restoreAndRead(backup, database, unpacked, drilled, restoreSent);
    } catch (const Error& failure) {
        drilled.why = failure.description();
    }
    if (restoreSent) {
        if (const QString left = removeDrillDatabase(database); !left.isEmpty()) {
            drilled.restored = false;
            drilled.why += (drilled.why.isEmpty() ? QString() : QStringLiteral("; ")) + left;
        }
    }
    if (unpackStarted && QFileInfo::exists(unpacked) && !QFile::remove(unpacked)) {
        drilled.restored = false;
        drilled.why += (drilled.why.isEmpty() ? QString() : QStringLiteral("; ")) +
                       QStringLiteral("the unpacked file %1 could not be removed").arg(unpacked);
    }
    drilled.seconds = clock.elapsed() / 1000.0;
    return drilled;
}

void DrillRun::restoreAndRead(const ServerBackup& backup, const QString& database,
                              const QString& unpacked, Drilled& drilled, bool& restoreSent) {
    DatabaseConnection& connection = *context_.connection;
    requireSpace(backup.length, QStringLiteral("the unpacked backup"));
    unpack(backup, unpacked);
    stopWhenAsked();
    const QList<DrillStatements::BackupFile> files =
        DrillStatements::backupFiles(connection.readRows(statements_.fileList(unpacked)));
    qint64 restoredBytes = 0;
    for (const DrillStatements::BackupFile& file : files)
        restoredBytes += file.size;
    requireSpace(restoredBytes, QStringLiteral("the restored database"));
    stopWhenAsked();
    restoreSent = true;
    connection.execute(statements_.restore(database, unpacked, drillFolder_, files));
    stopWhenAsked();
    connection.execute(DrillStatements::check(database));
    stopWhenAsked();
    drilled.found = plainRead(database);
    drilled.restored = true;
}

// Unpacked from the medium with the independent reader, every block checked again;
// a plain copy is copied. A stop signal ends it between pieces.
void DrillRun::unpack(const ServerBackup& backup, const QString& unpacked) {
    QFile target(unpacked);
    if (!target.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw writeFailure(unpacked, target.errorString());
    const auto keep = [&](const char* bytes, std::size_t size) {
        if (target.write(bytes, qint64(size)) != qint64(size))
            throw writeFailure(unpacked, target.errorString());
        stopWhenAsked();
    };
    const QString source = folder_ + QLatin1Char('/') + backup.name;
    if (backup.packed) {
        IdleTicker idle;
        CabinetVerifier(SystemCalls::host(), idle).unpack(QFile::encodeName(source), source, keep);
    } else {
        QFile copy(source);
        if (!copy.open(QIODevice::ReadOnly))
            throw writeFailure(unpacked, copy.errorString());
        while (!copy.atEnd()) {
            const QByteArray piece = copy.read(CopyPiece);
            if (piece.isEmpty())
                throw writeFailure(unpacked, copy.errorString());
            keep(piece.constData(), std::size_t(piece.size()));
        }
    }
    if (!target.flush())
        throw writeFailure(unpacked, target.errorString());
}

QString DrillRun::plainRead(const QString& database) {
    DatabaseConnection& connection = *context_.connection;
    const auto first = [&](const QString& sql) {
        return connection.readFirstValue(sql).value_or(QVariant());
    };
    if (first(DrillStatements::holdsSystemValues(database)).toLongLong() > 0)
        return QStringLiteral("ORV_System_Values: %1 rows, Sys_BusinessDate: %2")
            .arg(first(DrillStatements::systemValueCount(database)).toLongLong())
            .arg(first(DrillStatements::businessDate(database)).toString().trimmed());
    return QStringLiteral("user tables: %1")
        .arg(first(DrillStatements::userTableCount(database)).toLongLong());
}

// Dropped when it is there, whatever became of the restore; a stop signal does not
// cut this short.
QString DrillRun::removeDrillDatabase(const QString& database) {
    DatabaseConnection& connection = *context_.connection;
    try {
        if (connection.readFirstValue(DrillStatements::exists(database)).value_or(0).toLongLong() >
            0)
            connection.execute(DrillStatements::drop(database));
        return {};
    } catch (const Error& failure) {
        return QStringLiteral("%1 could not be dropped: %2").arg(database, failure.description());
    }
}

void DrillRun::requireSpace(qint64 bytes, const QString& what) const {
    QStorageInfo volume(drillFolder_);
    volume.refresh();
    if (volume.isValid() && volume.bytesAvailable() < bytes)
        throw Error(ErrorNumber::DiskFull,
                    QStringLiteral("the drill folder %1 has %2 bytes free, %3 needs %4")
                        .arg(drillFolder_)
                        .arg(volume.bytesAvailable())
                        .arg(what)
                        .arg(bytes));
}

void DrillRun::stopWhenAsked() const {
    if (const QString signal = stopSignal(); !signal.isEmpty())
        throw Error(ErrorNumber::UserInterrupt, QStringLiteral("interrupted by signal ") + signal);
}

QString DrillRun::stopSignal() const {
    const StopSignals* stop = context_.platform.stopSignals.get();
    return stop ? stop->received() : QString();
}

QString DrillRun::line(const Drilled& drilled) {
    const QString seconds = QString::number(drilled.seconds, 'f', 1) + QStringLiteral(" s");
    if (!drilled.restored)
        return drilled.name + QStringLiteral(": FAILED (%1), %2").arg(drilled.why, seconds);
    return drilled.name + QStringLiteral(": RESTORED, %1, %2").arg(seconds, drilled.found);
}

} // namespace tavor
