#pragma once

#include "platform/process/ProcessServices.h"

#include <QStringList>

namespace tavor {

// The running program on a Linux host.
class LinuxProcessServices : public ProcessServices {
public:
    // arguments: the program's arguments without the program name.
    LinuxProcessServices(QStringList arguments, QString programFolder, QString programTitle,
                         ProgramVersion version);

    QString commandLine() const override;
    QString programFolder() const override { return programFolder_; }
    QString programTitle() const override { return programTitle_; }
    ProgramVersion programVersion() const override { return version_; }
    QString environment(const QString& name) const override;
    void endProcess(int exitCode) override;

private:
    QStringList arguments_;
    QString programFolder_;
    QString programTitle_;
    ProgramVersion version_;
};

} // namespace tavor
