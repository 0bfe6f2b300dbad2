#include "support/GroupedProcess.h"

#include <csignal>
#include <unistd.h>

namespace tavor::test {

bool GroupedProcess::start(const QString& program, const QStringList& arguments,
                           const QProcessEnvironment& environment) {
    process_.setProcessEnvironment(environment);
    process_.setChildProcessModifier([] { ::setpgid(0, 0); });
    process_.start(program, arguments);
    if (!process_.waitForStarted())
        return false;
    group_ = pid_t(process_.processId());
    return true;
}

// The group outlives a leader that ended on its own while its members run on.
void GroupedProcess::stop() {
    if (group_ <= 0)
        return;
    ::kill(-group_, SIGKILL);
    group_ = 0;
    process_.waitForFinished();
}

} // namespace tavor::test
