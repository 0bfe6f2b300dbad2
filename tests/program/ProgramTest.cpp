#include "ProgramTest.h"

#include <QDir>
#include <QFile>
#include <QThread>
#include <csignal>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Child {
    pid_t pid;
    bool ended;
};

// The test process's children, its own and those it adopted, from the kernel's table.
QList<Child> children() {
    QList<Child> found;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& entry : entries) {
        bool number = false;
        const pid_t pid = pid_t(entry.toInt(&number));
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!number || !stat.open(QIODevice::ReadOnly))
            continue;
        // pid (comm) state ppid ...: the command name may hold blanks and parentheses.
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[1].toInt() == ::getpid())
            found.append({pid, fields[0] == "Z"});
    }
    return found;
}

QString commandLine(pid_t pid) {
    QFile file(QStringLiteral("/proc/%1/cmdline").arg(pid));
    return file.open(QIODevice::ReadOnly)
               ? QString::fromLocal8Bit(file.readAll().replace('\0', ' ')).trimmed()
               : QString::number(pid);
}

} // namespace

void ProgramTest::SetUp() {
    ASSERT_EQ(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
}

void ProgramTest::TearDown() {
    const QStringList outliving = endOutlivingProcesses();
    EXPECT_TRUE(outliving.isEmpty())
        << "still running after the test: " << outliving.join(QStringLiteral("; ")).toStdString();
}

QStringList ProgramTest::endOutlivingProcesses() {
    QStringList outliving;
    // A detached helper of the program (the updater) may take a moment to end.
    for (int round = 0; round < 100; ++round) {
        QList<Child> running;
        for (const Child& child : children()) {
            if (child.ended)
                ::waitpid(child.pid, nullptr, WNOHANG);
            else
                running.append(child);
        }
        if (running.isEmpty())
            break;
        if (round < 40) {
            QThread::msleep(50);
            continue;
        }
        // Ending one may leave its own children to this process: the next round finds them.
        for (const Child& child : running) {
            outliving.append(commandLine(child.pid));
            if (::getpgid(child.pid) == child.pid)
                ::kill(-child.pid, SIGKILL);
            ::kill(child.pid, SIGKILL);
            ::waitpid(child.pid, nullptr, 0);
        }
    }
    return outliving;
}
