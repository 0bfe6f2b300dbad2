#include "ProgramTest.h"
#include "platform/database/linux/OdbcConnection.h"
#include "support/ScriptedTdsPeer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

struct RunResult {
    int exitCode = -1;
    bool finished = false;
    QList<QJsonObject> messages;
    QJsonObject dump;
};

// Runs the built program unattended, as an operator's machine would start it.
// The program stays open once start-up has shown its window; with
// waitForWindow it is ended as soon as its start-up snapshot has been written.
RunResult runProgram(const QString& registryDir, const QStringList& arguments, int timeoutMs,
                     bool waitForWindow = false,
                     const QString& executable = QStringLiteral(TAVOR_BINARY_DIR "/tavor-backup")) {
    QTemporaryDir out;
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("ORV_REGISTRY_DIR"), registryDir);
    env.insert(QStringLiteral("ORV_MESSAGE_LOG"), out.filePath(QStringLiteral("messages.jsonl")));
    env.insert(QStringLiteral("ORV_STATE_DUMP"), out.filePath(QStringLiteral("state.json")));
    // The run's record and the desktop notes stay out of the user's own.
    env.insert(QStringLiteral("XDG_STATE_HOME"), out.filePath(QStringLiteral("state")));
    env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    program.setProcessEnvironment(env);
    program.start(executable, arguments);
    RunResult result;
    if (waitForWindow) {
        QElapsedTimer clock;
        clock.start();
        const QString dumpPath = out.filePath(QStringLiteral("state.json"));
        while (!QFileInfo(dumpPath).size() && clock.elapsed() < timeoutMs &&
               program.state() != QProcess::NotRunning)
            program.waitForFinished(100);
        program.terminate();
    }
    // A program that has already ended is finished; waitForFinished would say it is not.
    result.finished = program.state() == QProcess::NotRunning || program.waitForFinished(timeoutMs);
    if (!result.finished) {
        program.kill();
        program.waitForFinished();
        return result;
    }
    result.exitCode = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    QFile log(out.filePath(QStringLiteral("messages.jsonl")));
    if (log.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : log.readAll().split('\n')) {
            if (!line.isEmpty())
                result.messages.append(QJsonDocument::fromJson(line).object());
        }
    }
    QFile dump(out.filePath(QStringLiteral("state.json")));
    if (dump.open(QIODevice::ReadOnly))
        result.dump = QJsonDocument::fromJson(dump.readAll()).object();
    return result;
}

// Runs of the program on its own, without a branch set up around it.
class ProgramRun : public ProgramTest {};

} // namespace

// A fresh workstation (empty registry, no settings file) must end within
// seconds with the not-linked warning logged and its window never shown.
TEST_F(ProgramRun, FreshWorkstationLogsWarningAndEndsWithoutWindow) {
    QTemporaryDir registry;
    const RunResult run = runProgram(registry.path(), {}, 20000);
    ASSERT_TRUE(run.finished) << "the program hung";
    EXPECT_EQ(run.exitCode, 0);
    ASSERT_EQ(run.messages.size(), 1);
    const QJsonObject box = run.messages.front();
    EXPECT_EQ(box.value(QStringLiteral("text")).toString(),
              QStringLiteral("هذ الجهاز غير مربوط مع منظومة التافور\r\n"
                             "لا يمكن نسخ البيانات من هذا الجهاز"));
    EXPECT_EQ(box.value(QStringLiteral("icon")).toString(), QStringLiteral("warning"));
    EXPECT_EQ(box.value(QStringLiteral("buttons")).toString(), QStringLiteral("ok"));
    EXPECT_TRUE(box.value(QStringLiteral("rtl")).toBool());
    ASSERT_FALSE(run.dump.isEmpty());
    EXPECT_FALSE(run.dump.value(QStringLiteral("visible")).toBool());
    EXPECT_EQ(run.dump.value(QStringLiteral("height")).toInt(), 4050);
}

// The program's arguments reach the window as typed. Guards against the toolkit taking
// its own options out of the command line: "-reverse /M" is not the maintenance switch.
TEST_F(ProgramRun, CommandLineReachesTheWindowAsTyped) {
    struct Case {
        QStringList arguments;
        QString commandLine;
        int height;
    };
    for (const Case& c :
         {Case{{"/m"}, "/M", 7350}, Case{{"-reverse", "/M"}, "-REVERSE /M", 4050}}) {
        SCOPED_TRACE(c.arguments.join(QLatin1Char(' ')).toStdString());
        QTemporaryDir registry;
        const RunResult run = runProgram(registry.path(), c.arguments, 20000);
        ASSERT_TRUE(run.finished);
        const QJsonObject state = run.dump.value(QStringLiteral("state")).toObject();
        EXPECT_EQ(state.value(QStringLiteral("CommandLine")).toString(), c.commandLine);
        EXPECT_EQ(run.dump.value(QStringLiteral("height")).toInt(), c.height);
    }
}

// Guards against a message lost without trace when ORV_MESSAGE_LOG names a folder or
// a file that cannot be written: the line goes to standard error instead.
TEST_F(ProgramRun, UnwritableMessageLogFallsBackToStandardError) {
    QTemporaryDir dir;
    for (const QString& log : {dir.path(), dir.filePath(QStringLiteral("missing/log.jsonl"))}) {
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("ORV_REGISTRY_DIR"), dir.filePath(QStringLiteral("registry")));
        env.insert(QStringLiteral("ORV_MESSAGE_LOG"), log);
        // The run's record and the desktop notes stay out of the user's own.
        env.insert(QStringLiteral("XDG_STATE_HOME"), dir.filePath(QStringLiteral("state")));
        env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(TAVOR_BINARY_DIR "/tavor-backup"), QStringList());
        ASSERT_TRUE(program.waitForFinished(20000)) << log.toStdString();
        const QString errors = QString::fromUtf8(program.readAllStandardError());
        EXPECT_TRUE(
            errors.contains(QStringLiteral("\"text\":\"هذ الجهاز غير مربوط مع منظومة التافور")))
            << log.toStdString() << ": " << errors.toStdString();
    }
}

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// A branch made with nothing but the sqlite3 tool and two registry values.
void seedBranch(const QString& folder, const QString& database, const QString& systemValues) {
    QProcess sqlite;
    sqlite.start(QStringLiteral("sqlite3"),
                 {folder + QStringLiteral("/server/") + database + QStringLiteral(".db")});
    ASSERT_TRUE(sqlite.waitForStarted());
    sqlite.write("CREATE TABLE ORV_System_Values(SV_Name TEXT, SV_Value TEXT);\n");
    sqlite.write(systemValues.toUtf8());
    sqlite.closeWriteChannel();
    ASSERT_TRUE(sqlite.waitForFinished());
    ASSERT_EQ(sqlite.exitCode(), 0) << sqlite.readAllStandardError().toStdString();
    writeFile(folder + QStringLiteral("/registry/HKEY_CURRENT_USER.ini"),
              "[Software\\ORV\\Tavor]\n_Server=embedded:" + folder.toUtf8() +
                  "/server\n_DBase=" + database.toUtf8() + "\n");
}

QString insertValue(const char* name, const QString& value) {
    return QStringLiteral("INSERT INTO ORV_System_Values VALUES('%1', '%2');\n")
        .arg(QString::fromLatin1(name), value);
}

} // namespace

// Start-up on a linked branch: the window is shown with the bank's title and
// connection line, and every derived name is formed from the trimmed values.
TEST_F(ProgramRun, LinkedBranchShowsWindowWithDerivedNames) {
    QTemporaryDir branch;
    const QString root = branch.path();
    QDir().mkpath(root + QStringLiteral("/server"));
    const QString fina = root + QStringLiteral("/fina/F0012007/F0012007.mdb");
    writeFile(fina, "mdb");
    seedBranch(root, QStringLiteral("TAVOR_07"),
               insertValue("Sys_BankName", QStringLiteral("  مصرف الأمان  ")) +
                   insertValue("Sys_BranchName", QStringLiteral("نابلس")) +
                   insertValue("Sys_BranchType", QStringLiteral("فرع")) +
                   insertValue("Sys_BranchNum", QStringLiteral(" 1 ")) +
                   insertValue("Sys_BusinessDate_Prev", QStringLiteral("2026-12-07")) +
                   insertValue("Sys_Backup_Path", root + QStringLiteral("/backup")) +
                   insertValue("Sys_Fina_Path", root + QStringLiteral("/fina")));
    const RunResult run = runProgram(root + QStringLiteral("/registry"), {}, 20000, true);
    ASSERT_TRUE(run.finished);
    EXPECT_TRUE(run.messages.isEmpty());
    ASSERT_FALSE(run.dump.isEmpty());
    EXPECT_TRUE(run.dump.value(QStringLiteral("visible")).toBool());
    EXPECT_EQ(run.dump.value(QStringLiteral("title")).toString(),
              QStringLiteral("TavorBackup 1.0.0"));
    const QJsonObject controls = run.dump.value(QStringLiteral("controls")).toObject();
    const auto text = [&](const char* name) {
        return controls.value(QString::fromLatin1(name))
            .toObject()
            .value(QStringLiteral("text"))
            .toString();
    };
    EXPECT_EQ(text("Label1"), QStringLiteral("مصرف الأمان - فرع نابلس"));
    EXPECT_EQ(text("Label5"), QStringLiteral("Server = embedded:") + root +
                                  QStringLiteral("/server           Database = TAVOR_07"));
    const QJsonObject state = run.dump.value(QStringLiteral("state")).toObject();
    const auto field = [&](const char* name) {
        return state.value(QString::fromLatin1(name)).toVariant().toString();
    };
    EXPECT_EQ(field("BankName"), QStringLiteral("مصرف الأمان"));
    EXPECT_EQ(field("PrevBusinessDate"), QStringLiteral("2026-12-07"));
    EXPECT_EQ(field("SgDatabase"), QStringLiteral("TAVOR_SG"));
    EXPECT_EQ(field("LcsDatabase"), QStringLiteral("LCS_001"));
    EXPECT_EQ(field("HsBakFile"), root + QStringLiteral("/backup/TAVOR_HS.bak"));
    EXPECT_EQ(field("FinaFile"), fina);
    EXPECT_EQ(field("HistoryIntervalDays"), QStringLiteral("2"));
}

// A database name without an underscore is upper-cased whole for its prefix;
// the database itself is found whatever the case of its file.
TEST_F(ProgramRun, DatabaseWithoutUnderscoreGivesWholeNamePrefix) {
    QTemporaryDir branch;
    const QString root = branch.path();
    QDir().mkpath(root + QStringLiteral("/server"));
    seedBranch(root, QStringLiteral("tavor07"),
               insertValue("Sys_BankName", QStringLiteral("Bank")) +
                   insertValue("Sys_BranchType", QStringLiteral("xفرع")) +
                   insertValue("Sys_Backup_Path", QStringLiteral("/b")));
    const RunResult run = runProgram(root + QStringLiteral("/registry"), {}, 20000, true);
    ASSERT_TRUE(run.finished);
    const QJsonObject state = run.dump.value(QStringLiteral("state")).toObject();
    EXPECT_EQ(state.value(QStringLiteral("SgDatabase")).toString(), QStringLiteral("TAVOR07SG"));
    EXPECT_EQ(state.value(QStringLiteral("SgBakFile")).toString(),
              QStringLiteral("/b/TAVOR07SG.bak"));
    EXPECT_EQ(state.value(QStringLiteral("HistoryIntervalDays")).toInt(), -1);
}

// A SQL Server that refuses at once ends start-up with the not-linked warning.
TEST_F(ProgramRun, RefusingServerEndsStartUpWithWarning) {
    QTemporaryDir registry;
    writeFile(registry.filePath(QStringLiteral("HKEY_CURRENT_USER.ini")),
              "[Software\\ORV\\Tavor]\n_Server=127.0.0.1,1\n_DBase=TAVOR_07\n");
    const RunResult run = runProgram(registry.path(), {}, 30000);
    ASSERT_TRUE(run.finished) << "start-up hung on a refusing server";
    ASSERT_EQ(run.messages.size(), 1);
    EXPECT_EQ(run.messages.front().value(QStringLiteral("icon")).toString(),
              QStringLiteral("warning"));
    EXPECT_FALSE(run.dump.value(QStringLiteral("visible")).toBool());
}

// Guards against a server that takes the connection and never answers holding
// start-up beyond the login time-out: it must end with the not-linked warning.
TEST_F(ProgramRun, UnansweredServerEndsStartUpWithinTheLoginTimeout) {
    ScriptedTdsPeer silent;
    silent.ignoreHandshakes();
    QTemporaryDir registry;
    writeFile(registry.filePath(QStringLiteral("HKEY_CURRENT_USER.ini")),
              "[Software\\ORV\\Tavor]\n_Server=127.0.0.1," + QByteArray::number(silent.port()) +
                  "\n_DBase=TAVOR_07\n");
    constexpr int marginMs = 5000;
    const int limitMs = tavor::OdbcConnection::DefaultLoginTimeout * 1000 + marginMs;
    QElapsedTimer clock;
    clock.start();
    const RunResult run = runProgram(registry.path(), {}, limitMs * 3);
    ASSERT_TRUE(run.finished) << "start-up hung on an unanswered server";
    EXPECT_LT(clock.elapsed(), limitMs);
    ASSERT_EQ(run.messages.size(), 1);
    EXPECT_EQ(run.messages.front().value(QStringLiteral("icon")).toString(),
              QStringLiteral("warning"));
    EXPECT_FALSE(run.dump.value(QStringLiteral("visible")).toBool());
}

// Guards against Setting.ini being ignored when the program's folder has a name that
// is not valid UTF-8: the folder must still be found byte for byte.
TEST_F(ProgramRun, ProgramFolderWithANameThatIsNotUtf8ReadsItsSettings) {
    QTemporaryDir branch;
    const QString root = branch.path();
    QDir().mkpath(root + QStringLiteral("/server"));
    seedBranch(root, QStringLiteral("TAVOR_07"),
               insertValue("Sys_BankName", QStringLiteral("مصرف الأمان")));
    const std::filesystem::path folder = std::filesystem::path(root.toStdString()) / "prog\xff";
    std::filesystem::create_directory(folder);
    std::filesystem::copy_file(TAVOR_BINARY_DIR "/tavor-backup", folder / "tavor-backup");
    std::ofstream(folder / "Setting.ini")
        << "[Main]\nUseini=1\nDBName=TAVOR_07\nServer=embedded:" << root.toStdString()
        << "/server\n";
    // The shell names the folder in raw bytes; a QString cannot.
    const RunResult run =
        runProgram(root + QStringLiteral("/empty-registry"),
                   {QStringLiteral("-c"),
                    QStringLiteral("exec \"$0/$(printf 'prog\\377')/tavor-backup\""), root},
                   20000, true, QStringLiteral("/bin/sh"));
    ASSERT_TRUE(run.finished);
    EXPECT_TRUE(run.messages.isEmpty()) << "the settings were not read";
    EXPECT_TRUE(run.dump.value(QStringLiteral("visible")).toBool());
    EXPECT_EQ(run.dump.value(QStringLiteral("state"))
                  .toObject()
                  .value(QStringLiteral("DatabaseName"))
                  .toString(),
              QStringLiteral("TAVOR_07"));
    // QTemporaryDir cannot name the folder either.
    std::filesystem::remove_all(folder);
}

// The journal's own location fields would carry the path of the build machine's source
// tree into every entry a branch's journal keeps.
TEST_F(ProgramRun, JournalEntriesCarryNoSourceLocation) {
    QFile program(QStringLiteral(TAVOR_BINARY_DIR "/tavor-backup"));
    ASSERT_TRUE(program.open(QIODevice::ReadOnly));
    const QByteArray bytes = program.readAll();
    ASSERT_FALSE(bytes.isEmpty());
    EXPECT_FALSE(bytes.contains("CODE_FILE=")) << "a journal entry names the source file";
}
