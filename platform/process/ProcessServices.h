#pragma once

#include <QString>

namespace tavor {

struct ProgramVersion {
    int major = 0;
    int minor = 0;
    int revision = 0;

    // The first three fields of a file version a.b.c.d; missing fields are 0.
    static ProgramVersion fromFileVersion(const QString& text);
};

// The running process and its surroundings.
class ProcessServices {
public:
    virtual ~ProcessServices() = default;

    // The command line as the program received it (arguments joined by single blanks).
    virtual QString commandLine() const = 0;
    // The folder of the program's own executable, without a trailing separator.
    virtual QString programFolder() const = 0;
    // The program's title and the version its executable carries.
    virtual QString programTitle() const = 0;
    virtual ProgramVersion programVersion() const = 0;
    // The running executable's file name without extension.
    virtual QString executableName() const = 0;
    // An environment variable; "temp" and "windir" have host fallbacks.
    virtual QString environment(const QString& name) const = 0;

    // Writes one line to standard error, at once.
    virtual void writeErrorLine(const QString& line) = 0;

    // Starts a program with no arguments in a session of its own and does not wait
    // for it. Raises tavor::Error when it cannot be started.
    virtual void startDetached(const QString& program) = 0;

    // Ends the process at once with the given status. Does not return in the
    // program; test doubles raise ProcessEnded instead.
    virtual void endProcess(int exitCode) = 0;
};

// Raised by test doubles of ProcessServices::endProcess, so that a test sees the
// program end without the test process ending.
struct ProcessEnded {
    int exitCode;
};

} // namespace tavor
