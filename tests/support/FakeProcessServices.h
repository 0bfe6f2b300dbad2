#pragma once

#include "base/Error.h"
#include "platform/process/ProcessServices.h"

#include <QHash>
#include <QStringList>

namespace tavor {

// A process whose command line, folder and environment a test sets, which records
// the programs it starts, and whose end raises ProcessEnded instead of ending the test.
class FakeProcessServices : public ProcessServices {
public:
    QString commandLineText;
    QString folder;
    QString title = QStringLiteral("TavorBackup");
    QString executable = QStringLiteral("tavor-backup");
    ProgramVersion version{2, 5, 17};
    QHash<QString, QString> variables;
    // Programs started, in order; while failStarts is set a start raises tavor::Error.
    QStringList started;
    bool failStarts = false;
    // Lines written to standard error, in order.
    QStringList errorLines;
    int endCalls = 0;

    QString commandLine() const override { return commandLineText; }
    QString programFolder() const override { return folder; }
    QString programTitle() const override { return title; }
    ProgramVersion programVersion() const override { return version; }
    QString executableName() const override { return executable; }
    QString environment(const QString& name) const override { return variables.value(name); }
    void writeErrorLine(const QString& line) override { errorLines.append(line); }
    void startDetached(const QString& program) override {
        if (failStarts)
            throw Error(ErrorNumber::FileNotFound, QStringLiteral("cannot start ") + program);
        started.append(program);
    }
    void endProcess(int exitCode) override {
        ++endCalls;
        throw ProcessEnded{exitCode};
    }
};

} // namespace tavor
