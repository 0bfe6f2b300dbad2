#include "platform/process/LinuxProcessServices.h"

#include <cstdio>
#include <unistd.h>

namespace tavor {

LinuxProcessServices::LinuxProcessServices(QStringList arguments, QString programFolder,
                                           QString programTitle, ProgramVersion version)
    : arguments_(std::move(arguments)), programFolder_(std::move(programFolder)),
      programTitle_(std::move(programTitle)), version_(version) {}

QString LinuxProcessServices::commandLine() const {
    return arguments_.join(QLatin1Char(' '));
}

QString LinuxProcessServices::environment(const QString& name) const {
    const QString value = qEnvironmentVariable(name.toLocal8Bit().constData());
    if (!value.isEmpty())
        return value;
    if (name.compare(QLatin1String("temp"), Qt::CaseInsensitive) == 0) {
        const QString tmpdir = qEnvironmentVariable("TMPDIR");
        return tmpdir.isEmpty() ? QStringLiteral("/tmp") : tmpdir;
    }
    if (name.compare(QLatin1String("windir"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("/etc/ORV/windows");
    return {};
}

void LinuxProcessServices::endProcess(int exitCode) {
    // Ends at once, as the program's end statement does: nothing else runs.
    std::fflush(nullptr);
    ::_exit(exitCode);
}

} // namespace tavor
