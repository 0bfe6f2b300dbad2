#include "app/QtMessageBoxes.h"
#include "app/frmBackup.h"
#include "embeddedserver/EmbeddedConnection.h"
#include "pipeline/commands/CommandLine.h"
#include "pipeline/commands/DrillRun.h"
#include "pipeline/commands/FolderVerification.h"
#include "pipeline/record/RunReport.h"
#include "pipeline/startup/StartUp.h"
#include "platform/linux/LinuxPlatform.h"
#include "resources/FontMapping.h"
#include "window/BackupForm.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <cstdio>

using namespace tavor;

namespace {

// The program's arguments as typed, decoded as the toolkit decodes its own.
QStringList programArguments(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

Platform makePlatform(const QStringList& arguments, bool unattended) {
    // "embedded:<folder>" servers run in process.
    return makeLinuxPlatform(
        {arguments, QCoreApplication::applicationName(),
         RoutingConnection::Route{&EmbeddedConnection::servesDataSource,
                                  [] { return std::make_unique<EmbeddedConnection>(); }},
         unattended ? nullptr : std::make_shared<QtMessageBoxes>(), unattended});
}

// A line of a command's report on standard output. Each line leaves at once: a check
// killed halfway still tells what it found.
void writeLine(const QString& line) {
    std::fputs((RunReport::printable(line) + QLatin1Char('\n')).toUtf8().constData(), stdout);
    std::fflush(stdout);
}

// /VERIFY <folder>: the folder's files checked against its manifest, one line each
// on standard output; nothing else of the program starts.
int verifyFolder(const CommandLine& commandLine) {
    const QString folder = commandLine.verifyFolder();
    if (folder.isEmpty()) {
        writeLine(QStringLiteral("usage: tavor-backup /VERIFY <folder>"));
        return FolderVerification::Unreadable;
    }
    return FolderVerification(folder, writeLine).run();
}

// /DRILL <folder>: the folder verified, then each server backup in it restored into a
// scratch database, checked and dropped. It needs start-up's connection to the server,
// and no window.
int drillFolder(int argc, char** argv, const QStringList& arguments,
                const CommandLine& commandLine) {
    const QString folder = commandLine.drillFolder();
    if (folder.isEmpty()) {
        writeLine(QStringLiteral("usage: tavor-backup /DRILL <folder>"));
        return DrillRun::CouldNotStart;
    }
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("TavorBackup"));
    BackupForm form(makePlatform(arguments, true));
    StartUp(form.context()).ConnectForCommand();
    return DrillRun(form.context(), folder, writeLine).run();
}

// Start-up and whatever follows it, until the program ends; the state is dumped
// once more at the end.
int runUntilEnd(BackupForm& form) {
    form.Load();
    const int status = QCoreApplication::exec();
    form.dumpState();
    return status;
}

// /RUN without a window: no widget, so no display or platform plugin is needed.
int runUnattended(int argc, char** argv, const QStringList& arguments) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("TavorBackup"));
    BackupForm form(makePlatform(arguments, true));
    return runUntilEnd(form);
}

int runWindow(int argc, char** argv, const QStringList& arguments) {
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("TavorBackup"));
    QApplication::setLayoutDirection(Qt::RightToLeft);
    FontMapping::install();

    // Standard dialog buttons in Arabic.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Arabic), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtTranslator);

    frmBackup window(makePlatform(arguments, false));
    return runUntilEnd(window.form());
}

} // namespace

int main(int argc, char** argv) {
    const QStringList arguments = programArguments(argc, argv);
    const CommandLine commandLine = CommandLine::fromArguments(arguments);
    if (commandLine.isVerify())
        return verifyFolder(commandLine);
    // The toolkit sees only the program name: it would take its own options
    // (-reverse, -style, -platform, ...) out of the operator's command line.
    int toolkitArgc = 1;
    if (commandLine.isUnattended())
        return runUnattended(toolkitArgc, argv, arguments);
    if (commandLine.isDrill())
        return drillFolder(toolkitArgc, argv, arguments, commandLine);
    return runWindow(toolkitArgc, argv, arguments);
}
