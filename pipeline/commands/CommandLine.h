#pragma once

#include <QString>
#include <QStringList>

namespace tavor {

// The program's command line: its text trimmed and upper-cased, and the switch it
// is. A switch counts only when it is all there is on the line.
class CommandLine {
public:
    // Maintenance mode: a taller window with the diagnostic panel and a test button.
    static constexpr const char* Maintenance = "/M";
    // One copy run onto the remembered drive without anyone at the screen.
    static constexpr const char* Unattended = "/RUN";
    // Re-checks a dated folder against its manifest, without a window; the one
    // argument after the switch is the folder.
    static constexpr const char* Verify = "/VERIFY";
    // Restores each server backup of a dated folder into a scratch database of the
    // server, checks it and drops it; the one argument after the switch is the folder.
    static constexpr const char* Drill = "/DRILL";

    explicit CommandLine(const QString& text);
    // The arguments as typed, joined by single blanks.
    static CommandLine fromArguments(const QStringList& arguments);

    const QString& text() const { return text_; }
    bool isMaintenance() const { return text_ == QLatin1String(Maintenance); }
    bool isUnattended() const { return text_ == QLatin1String(Unattended); }
    // The switch first, in any case, whatever follows it.
    bool isVerify() const;
    // The folder as typed; empty unless exactly one argument follows the switch.
    QString verifyFolder() const;
    bool isDrill() const;
    QString drillFolder() const;

private:
    // The switch first, in any case, whatever follows it.
    bool startsWith(const char* command) const;
    // The one argument after that switch; empty unless there is exactly one.
    QString folderAfter(const char* command) const;

    QString text_;
    // The arguments as typed, when the line was made from them.
    QStringList arguments_;
};

} // namespace tavor
