#include "app/QtMessageBoxes.h"
#include "app/frmBackup.h"
#include "embeddedserver/EmbeddedConnection.h"
#include "pipeline/CommandLine.h"
#include "pipeline/FolderVerification.h"
#include "pipeline/RunReport.h"
#include "platform/linux/LinuxPlatform.h"
#include "resources/FontMapping.h"

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
         unattended ? nullptr : std::make_shared<QtMessageBoxes>()});
}

// /VERIFY <folder>: the folder's files checked against its manifest, one line each
// on standard output; nothing else of the program starts.
int verifyFolder(const CommandLine& commandLine) {
    const auto writeLine = [](const QString& line) {
        std::fputs((RunReport::printable(line) + QLatin1Char('\n')).toUtf8().constData(), stdout);
    };
    const QString folder = commandLine.verifyFolder();
    if (folder.isEmpty()) {
        writeLine(QStringLiteral("usage: tavor-backup /VERIFY <folder>"));
        return FolderVerification::Unreadable;
    }
    const int status = FolderVerification(folder, writeLine).run();
    std::fflush(stdout);
    return status;
}

} // namespace

int main(int argc, char** argv) {
    const QStringList arguments = programArguments(argc, argv);
    const CommandLine commandLine = CommandLine::fromArguments(arguments);
    if (commandLine.isVerify())
        return verifyFolder(commandLine);
    const bool unattended = commandLine.isUnattended();
    // An unattended run needs no display.
    if (unattended && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The toolkit sees only the program name: it would take its own options
    // (-reverse, -style, -platform, ...) out of the operator's command line.
    int toolkitArgc = 1;
    QApplication app(toolkitArgc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("TavorBackup"));
    QApplication::setLayoutDirection(Qt::RightToLeft);
    FontMapping::install();

    // Standard dialog buttons in Arabic.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Arabic), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtTranslator);

    frmBackup window(makePlatform(arguments, unattended));
    window.Load();
    const int status = app.exec();
    window.dumpState();
    return status;
}
