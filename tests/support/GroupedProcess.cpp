#include "support/GroupedProcess.h"

#include <csignal>
#include <unistd.h>

namespace tavor::test {

bool GroupedProcess::start(const QString& program, const QStringList& arguments,
                           const QProcessEnvironment& environment) {
    process_.setProcessEnvironment(environment);
    process_.setChildProcessModifier([] { ::setpgid(0, 0); });
    process_.start(program, arguments);
    return process_.waitForStarted();
}

void GroupedProcess::stop() {
    const qint64 leader = process_.processId();
    if (leader <= 0)
        return;
    ::kill(-pid_t(leader), SIGKILL);
    process_.waitForFinished();
}

} // namespace tavor::test
