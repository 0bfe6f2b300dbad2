#pragma once

#include "platform/process/ProcessServices.h"

#include <QStringList>

namespace tavor {

// The running program on a Linux host.
class LinuxProcessServices : public ProcessServices {
public:
    // The executable the kernel started, whatever name it was started by.
    static constexpr const char* RunningExecutable = "/proc/self/exe";

    // arguments: the program's arguments without the program name; executablePath:
    // the program's own file, whose folder and name the program goes by. The version
    // is read from versionSource, the running executable unless a test names a file.
    LinuxProcessServices(QStringList arguments, const QString& executablePath, QString programTitle,
                         const QString& versionSource = QString::fromLatin1(RunningExecutable));

    QString commandLine() const override;
    QString programFolder() const override { return programFolder_; }
    QString programTitle() const override { return programTitle_; }
    ProgramVersion programVersion() const override { return version_; }
    QString executableName() const override { return executableName_; }
    QString environment(const QString& name) const override;
    void writeErrorLine(const QString& line) override;
    void startDetached(const QString& program) override;
    void endProcess(int exitCode) override;

private:
    QStringList arguments_;
    QString programFolder_;
    QString executableName_;
    QString programTitle_;
    ProgramVersion version_;
};

} // namespace tavor
