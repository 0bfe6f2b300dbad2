#include "platform/process/linux/LinuxProcessServices.h"

#include "base/Error.h"
#include "formats/elf/ElfFileVersion.h"

#include <QFileInfo>
#include <QProcess>
#include <cstdio>
#include <unistd.h>

namespace tavor {

LinuxProcessServices::LinuxProcessServices(QStringList arguments, const QString& executablePath,
                                           QString programTitle, const QString& versionSource)
    : arguments_(std::move(arguments)), programFolder_(QFileInfo(executablePath).absolutePath()),
      executableName_(QFileInfo(executablePath).completeBaseName()),
      programTitle_(std::move(programTitle)),
      version_(ProgramVersion::fromFileVersion(ElfFileVersion::read(versionSource))) {}

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

void LinuxProcessServices::writeErrorLine(const QString& line) {
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
}

void LinuxProcessServices::startDetached(const QString& program) {
    // Qt starts a detached program in a session of its own, so it outlives us.
    if (!QProcess::startDetached(program, {}))
        throw Error(ErrorNumber::FileNotFound,
                    QStringLiteral("Cannot start the program '%1'").arg(program));
}

void LinuxProcessServices::endProcess(int exitCode) {
    // Ends at once, as the program's end statement does: nothing else runs.
    std::fflush(nullptr);
    ::_exit(exitCode);
}

} // namespace tavor
