#include "pipeline/BackupContext.h"

#include "pipeline/commands/CommandLine.h"

namespace tavor {

DatabaseConnection& BackupContext::databaseConnection() const {
    if (!connection)
        connection = platform.database->createConnection();
    return *connection;
}

bool BackupContext::maintenanceMode() const {
    return CommandLine(state.CommandLine).isMaintenance();
}

bool BackupContext::unattended() const {
    return CommandLine(state.CommandLine).isUnattended();
}

void BackupContext::showMessage(const QString& text, MessageIcon icon, bool rightToLeft) const {
    MessageBoxRequest request;
    request.text = text;
    request.title = platform.process->programTitle();
    request.icon = icon;
    request.buttons = MessageButtons::Ok;
    request.rightAligned = rightToLeft;
    request.rtlReading = rightToLeft;
    platform.messages->show(request);
}

void BackupContext::endProgram(int exitCode) const {
    if (unattended() && !state.UnattendedRunDone)
        exitCode = 2;
    window.writeStateDump();
    platform.process->endProcess(exitCode);
}

} // namespace tavor
