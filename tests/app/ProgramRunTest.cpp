#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct RunResult {
    int exitCode = -1;
    bool finished = false;
    QList<QJsonObject> messages;
    QJsonObject dump;
};

// Runs the built program unattended, as an operator's machine would start it.
RunResult runProgram(const QString& registryDir, const QStringList& arguments, int timeoutMs) {
    QTemporaryDir out;
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("ORV_REGISTRY_DIR"), registryDir);
    env.insert(QStringLiteral("ORV_MESSAGE_LOG"), out.filePath(QStringLiteral("messages.jsonl")));
    env.insert(QStringLiteral("ORV_STATE_DUMP"), out.filePath(QStringLiteral("state.json")));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(TAVOR_BINARY_DIR "/tavor-backup"), arguments);
    RunResult result;
    result.finished = program.waitForFinished(timeoutMs);
    if (!result.finished) {
        program.kill();
        program.waitForFinished();
        return result;
    }
    result.exitCode = program.exitCode();
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

} // namespace

// A fresh workstation (empty registry, no settings file) must end within
// seconds with the not-linked warning logged and its window never shown.
TEST(ProgramRun, FreshWorkstationLogsWarningAndEndsWithoutWindow) {
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

TEST(ProgramRun, MaintenanceSwitchFromArguments) {
    QTemporaryDir registry;
    const RunResult run = runProgram(registry.path(), {QStringLiteral("/m")}, 20000);
    ASSERT_TRUE(run.finished);
    const QJsonObject state = run.dump.value(QStringLiteral("state")).toObject();
    EXPECT_EQ(state.value(QStringLiteral("CommandLine")).toString(), QStringLiteral("/M"));
    EXPECT_EQ(run.dump.value(QStringLiteral("height")).toInt(), 7350);
}
