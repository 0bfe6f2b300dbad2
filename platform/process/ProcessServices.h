#pragma once

#include <QString>

namespace tavor {

struct ProgramVersion {
    int major = 0;
    int minor = 0;
    int revision = 0;
};

// The running process and its surroundings.
class ProcessServices {
public:
    virtual ~ProcessServices() = default;

    // The command line as the program received it (arguments joined by single blanks).
    virtual QString commandLine() const = 0;
    // The folder of the program's own executable, without a trailing separator.
    virtual QString programFolder() const = 0;
    // The executable's title (its file name without extension) and version.
    virtual QString programTitle() const = 0;
    virtual ProgramVersion programVersion() const = 0;
    // An environment variable; "temp" and "windir" have host fallbacks.
    virtual QString environment(const QString& name) const = 0;

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
