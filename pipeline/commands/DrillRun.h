#pragma once

#include "pipeline/BackupContext.h"
#include "pipeline/ExitStatus.h"
#include "pipeline/serverbackup/DrillStatements.h"

#include <QString>
#include <functional>

namespace tavor {

// Proves the server backups of a dated folder by restoring them: the folder is first
// checked as /VERIFY checks it, then each server backup (a cabinet or a plain copy
// whose file is a .bak) is unpacked into the technician's drill folder, restored
// under a name of the drill's own (TavorDrill_<name>), checked by the server, read
// once and dropped, its unpacked file removed on every way out, a stop signal too.
// A drill database that is there before the drill is refused and left alone. One line
// a backup and a summary; the exit status says whether every backup came back clean.
class DrillRun {
public:
    // Every server backup restored and checked clean; one failed (or the folder does
    // not verify, or holds none); the drill could not start.
    static constexpr int AllRestored = exitCode(ExitStatus::Complete);
    static constexpr int Failed = exitCode(ExitStatus::Failed);
    static constexpr int CouldNotStart = exitCode(ExitStatus::NoRun);

    using LineWriter = std::function<void(const QString& line)>;

    // The context holds start-up's connection to the server.
    DrillRun(BackupContext& context, QString folder, LineWriter writeLine);

    // Returns the exit status; the drill is kept in the record of runs either way.
    int run();

private:
    // What became of one server backup.
    struct Drilled {
        QString name; // the file in the dated folder
        QString database;
        bool restored = false;
        QString why;
        QString found; // what the plain read found
        double seconds = 0;
    };
    // A server backup of the folder: its file there and the backup's own name.
    struct ServerBackup {
        QString name;
        QString backupName;
        qint64 length = 0;
        bool packed = false;
    };

    int drillFolder();
    // Says why nothing was drilled, and returns status.
    int notDrilled(int status, const QString& why);
    QString whyNotStarted() const;
    QList<ServerBackup> serverBackups() const;
    Drilled drill(const ServerBackup& backup);
    void restoreAndRead(const ServerBackup& backup, const QString& database,
                        const QString& unpacked, Drilled& drilled, bool& restoreSent);
    void unpack(const ServerBackup& backup, const QString& unpacked);
    QString plainRead(const QString& database);
    QString removeDrillDatabase(const QString& database);
    void requireSpace(qint64 bytes, const QString& what) const;
    void stopWhenAsked() const;
    QString stopSignal() const;
    static QString line(const Drilled& drilled);

    BackupContext& context_;
    QString folder_;
    LineWriter writeLine_;
    QString drillFolder_;
    DrillStatements statements_;
    QList<Drilled> drilled_;
    // Why the drill did not start or was cut short; empty otherwise.
    QString reason_;
};

} // namespace tavor
