#pragma once

#include "platform/process/ProcessServices.h"

#include <QHash>

namespace tavor {

// A process whose command line, folder and environment a test sets, and whose
// end raises ProcessEnded instead of ending the test.
class FakeProcessServices : public ProcessServices {
public:
    QString commandLineText;
    QString folder;
    QString title = QStringLiteral("TavorBackup");
    ProgramVersion version{2, 5, 17};
    QHash<QString, QString> variables;
    int endCalls = 0;

    QString commandLine() const override { return commandLineText; }
    QString programFolder() const override { return folder; }
    QString programTitle() const override { return title; }
    ProgramVersion programVersion() const override { return version; }
    QString environment(const QString& name) const override { return variables.value(name); }
    void endProcess(int exitCode) override {
        ++endCalls;
        throw ProcessEnded{exitCode};
    }
};

} // namespace tavor
