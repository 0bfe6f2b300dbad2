// archive-run-bench: times the archive run's own work with the real file services
// and cabinet writer, a window held in memory and a server that accepts every
// statement without doing anything.
//   archive-run-bench run WORK PREVIOUS_DATE [--server FOLDER [--no-verify]]
//                     [--server-backup [DATABASE] FILE]... FILE...
//     One archive run over rows naming the files (those given with --server-backup
//     are the rows whose server backup the run asks for), onto the drive folder
//     WORK/drive. Without --server a server that accepts every statement and does
//     nothing stands in; with it the embedded server of FOLDER writes the backups
//     of the databases named (and reads each back, unless --no-verify). Prints
//     "row S FILE" as each row ends, then "preparing S" (server backups and the busy
//     panel's wait), "rows S" (from the progress bar appearing to the end) and
//     "whole S".
//   archive-run-bench compress CABINET SOURCE
//     RowTaking::CompressFile of one file. Prints "seconds S", "pumps N", the
//     longest gap between window events with the progress at its two ends and its
//     phase, and the longest gap of each phase.
//   archive-run-bench sortlist FOLDER COUNT
//     Fills FOLDER with COUNT backup names of the main database (TAVOR_07, dated
//     from newest to oldest so that the exchange sort has work to do) and times
//     NewestBackup::SortList on it. Prints "sortlist S" and the file chosen.
// Exits 0 when every row or the cabinet succeeded, 1 otherwise, 2 on bad usage.

#include "AcceptingConnection.h"
#include "PumpGaps.h"
#include "ServerConnection.h"
#include "TimingWindow.h"

#include "cabinet/MszipCabinetCompressor.h"
#include "pipeline/ImageKind.h"
#include "pipeline/run/ArchiveRun.h"
#include "pipeline/run/RowTaking.h"
#include "pipeline/startup/NewestBackup.h"
#include "pipeline/startup/StartUp.h"
#include "platform/api/ORVApi.h"
#include "platform/api/StoredTokens.h"
#include "platform/api/TokenCipher.h"
#include "platform/bank/ORV_Bank.h"
#include "platform/clock/SystemClock.h"
#include "platform/disks/linux/LinuxLogicalDisks.h"
#include "platform/files/linux/LinuxFileServices.h"
#include "platform/messages/MessageLog.h"
#include "platform/process/linux/LinuxProcessServices.h"
#include "platform/registry/linux/IniRegistryStore.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <cstdio>

using namespace tavor;

namespace {

using Clock = TimingWindow::Clock;

double secondsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

// The objects a window owns, put together on a work folder.
struct Bench {
    explicit Bench(const QString& work) {
        const auto registry =
            std::make_shared<IniRegistryStore>(work + QStringLiteral("/registry"));
        platform.registry = registry;
        platform.process = std::make_shared<LinuxProcessServices>(
            QStringList(), QStringLiteral("/proc/self/exe"), QStringLiteral("archive-run-bench"));
        platform.messages = std::make_shared<MessageLog>(work + QStringLiteral("/messages.jsonl"));
        platform.files = files;
        platform.cabinet = std::make_shared<MszipCabinetCompressor>();
        platform.clock = std::make_shared<SystemClock>();
        platform.disks = std::make_shared<LinuxLogicalDisks>(registry);
        api = std::make_unique<ORVApi>(registry);
        window.driveTag = work + QStringLiteral("/drive");
        // The drive as the drive list found it at start-up.
        if (const auto volume = platform.disks->volumeAt(window.driveTag))
            state.DriveVolumes.insert(window.driveTag, *volume);
    }

    std::shared_ptr<LinuxFileServices> files = std::make_shared<LinuxFileServices>();
    Platform platform;
    TimingWindow window;
    MainState state;
    std::unique_ptr<ORVApi> api;
    std::unique_ptr<ORV_Bank> bank;
    // The window's open connection to the branch server.
    std::unique_ptr<DatabaseConnection> connection = std::make_unique<AcceptingConnection>();
    QString mediaPassword;
    FileListing fileList{files};
    BackupPlan plan;
    BackupContext context{platform,   window,        state,    api, bank,
                          connection, mediaPassword, fileList, plan};
};

int usage() {
    std::fputs("usage: archive-run-bench run WORK PREVIOUS_DATE [--server FOLDER [--no-verify]]\n"
               "                         [--server-backup [DATABASE] FILE]... FILE...\n"
               "       archive-run-bench compress CABINET SOURCE\n"
               "       archive-run-bench sortlist FOLDER COUNT\n",
               stderr);
    return 2;
}

// The run asks the server for a backup of the rows whose file is one of the
// state's three backup files.
void assignServerBackup(MainState& state, const QString& file, const QString& database) {
    const std::pair<QString*, QString*> slots[] = {{&state.LcsBakFile, &state.LcsDatabase},
                                                   {&state.HsBakFile, &state.HsDatabase},
                                                   {&state.SgBakFile, &state.SgDatabase}};
    for (const auto& [fileSlot, databaseSlot] : slots) {
        if (fileSlot->isEmpty()) {
            *fileSlot = file;
            *databaseSlot = database;
            return;
        }
    }
}

// The embedded server of the folder, as the window's connection to the branch
// database, and the version it plays, as start-up reads it.
void connectToServer(Bench& bench, const QString& folder, bool verify) {
    bench.connection = std::make_unique<ServerConnection>(verify);
    bench.connection->open(QStringLiteral("Provider=SQLOLEDB.1;Password=;User ID=;Initial "
                                          "Catalog=;Data Source=embedded:") +
                           folder);
    bench.state.ServerVersion =
        StartUp::ServerProperty(*bench.connection, QStringLiteral("ProductVersion"));
    // The password the program gives its backups: the server keeps a backup file's
    // password and refuses to write over it with another, as SQL Server does.
    bench.mediaPassword = TokenCipher::decipher(StoredTokens::MediaPassword);
}

int run(QStringList arguments) {
    if (arguments.size() < 3)
        return usage();
    QDir().mkpath(arguments[0] + QStringLiteral("/registry"));
    QDir().mkpath(arguments[0] + QStringLiteral("/drive"));
    Bench bench(arguments[0]);
    bench.state.PrevBusinessDate = arguments[1];
    const qsizetype server = arguments.indexOf(QLatin1String("--server"));
    if (server >= 0 && server + 1 < arguments.size()) {
        const bool verify = arguments.removeAll(QLatin1String("--no-verify")) == 0;
        connectToServer(bench, arguments[server + 1], verify);
        arguments.remove(server, 2);
    }
    for (int i = 2; i < arguments.size(); ++i) {
        QString file = QFileInfo(arguments[i]).absoluteFilePath();
        if (arguments[i] == QLatin1String("--server-backup") && i + 1 < arguments.size()) {
            QString database;
            if (server >= 0 && i + 2 < arguments.size())
                database = arguments[++i];
            file = QFileInfo(arguments[++i]).absoluteFilePath();
            assignServerBackup(bench.state, file, database);
        }
        const QString text = QFileInfo(file).fileName();
        bench.plan.rows.append({DataSet::Main, text, file, QString()});
        bench.window.addBackupRow(text, ImageKind::Pending, file);
    }
    const Clock::time_point start = Clock::now();
    const QList<RowOutcome> outcomes =
        ArchiveRun(bench.context,
                   [](const RowOutcome& outcome, const QString&) {
                       std::printf("row %.3f %s\n", outcome.seconds, qPrintable(outcome.source));
                   })
            .cmdCopy_Click()
            .rows;
    const Clock::time_point end = Clock::now();
    std::printf("preparing %.3f\nrows %.3f\nwhole %.3f\n",
                secondsBetween(start, bench.window.progressShown),
                secondsBetween(bench.window.progressShown, end), secondsBetween(start, end));
    bool allTicked = !outcomes.isEmpty();
    for (const RowOutcome& outcome : outcomes) {
        if (!outcome.succeeded) {
            std::fprintf(stderr, "archive-run-bench: %s failed: %s\n", qPrintable(outcome.source),
                         qPrintable(outcome.reason));
            allTicked = false;
        }
    }
    return allTicked ? 0 : 1;
}

void printGap(const char* label, const PumpGaps::Gap& gap) {
    std::printf("%s %.1f ms (progress %d -> %d, %s)\n", label, gap.milliseconds, gap.fromPercent,
                gap.toPercent, qPrintable(PumpGaps::phaseOf(gap)));
}

int compress(const QStringList& arguments) {
    if (arguments.size() != 2)
        return usage();
    const QString cabinet = QFileInfo(arguments[0]).absoluteFilePath();
    Bench bench(QFileInfo(cabinet).absolutePath());
    RowTaking taking(bench.context);
    const Clock::time_point start = Clock::now();
    const bool packed =
        bool(taking.CompressFile(cabinet, QFileInfo(arguments[1]).absoluteFilePath()));
    const Clock::time_point end = Clock::now();
    const PumpGaps gaps(start, bench.window.pumps, end);
    std::printf("seconds %.3f\npumps %zu\n", secondsBetween(start, end), bench.window.pumps.size());
    printGap("longest-gap", gaps.longest());
    for (const char* phase : {"packing", "flush", "read-back", "commit"})
        printGap(phase, gaps.longestIn(QString::fromLatin1(phase)));
    if (!packed)
        std::fputs("archive-run-bench: the cabinet was not made\n", stderr);
    return packed ? 0 : 1;
}

int sortList(const QStringList& arguments) {
    bool isNumber = false;
    const int count = arguments.size() == 2 ? arguments[1].toInt(&isNumber) : 0;
    if (!isNumber || count < 1)
        return usage();
    const QString folder = QFileInfo(arguments[0]).absoluteFilePath();
    QDir().mkpath(folder);
    for (int i = 0; i < count; ++i) {
        const QDateTime taken = QDateTime(QDate(2026, 12, 6), QTime(23, 0)).addSecs(-3600LL * i);
        QFile file(folder + QStringLiteral("/TAVOR_07_backup_") +
                   taken.toString(QStringLiteral("yyyy_MM_dd_HHmmss")) +
                   QStringLiteral("_%1.bak").arg(count - i, 7, 10, QLatin1Char('0')));
        if (!file.exists() && !file.open(QIODevice::WriteOnly))
            return 1;
    }
    Bench bench(folder);
    bench.state.DatabaseName = QStringLiteral("TAVOR_07");
    bench.state.BackupPath = folder;
    const Clock::time_point start = Clock::now();
    const QString chosen = NewestBackup(bench.context).SortList().path;
    std::printf("sortlist %.3f\nchosen %s\n", secondsBetween(start, Clock::now()),
                qPrintable(QFileInfo(chosen).fileName()));
    return chosen.endsWith(QStringLiteral(".bak")) ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 2; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const QString mode = argc > 1 ? QString::fromLatin1(argv[1]) : QString();
    if (mode == QLatin1String("run"))
        return run(arguments);
    if (mode == QLatin1String("compress"))
        return compress(arguments);
    if (mode == QLatin1String("sortlist"))
        return sortList(arguments);
    return usage();
}
