#pragma once

#include "pipeline/BackupWindow.h"
#include "pipeline/FileListing.h"
#include "pipeline/MainState.h"
#include "platform/Platform.h"

#include <memory>

namespace tavor {

class ORVApi;
class ORV_Bank;

// What the pipeline's procedures work on: the platform, the window, the window's
// state and the objects start-up created. The window owns all of it; the objects
// may be missing when start-up could not create them.
struct BackupContext {
    const Platform& platform;
    BackupWindow& window;
    MainState& state;
    std::unique_ptr<ORVApi>& api;
    std::unique_ptr<ORV_Bank>& bank;
    std::unique_ptr<DatabaseConnection>& connection;
    const QString& mediaPassword;
    // The maintenance panel's file list.
    FileListing& fileList;

    // The window's connection, its object created first when there is none.
    DatabaseConnection& databaseConnection() const {
        if (!connection)
            connection = platform.database->createConnection();
        return *connection;
    }

    bool maintenanceMode() const { return state.CommandLine == QLatin1String("/M"); }

    // A box with an OK button and the program's title; the Arabic texts read right
    // to left. Raises when the box cannot be shown.
    void showMessage(const QString& text, MessageIcon icon = MessageIcon::None,
                     bool rightToLeft = false) const {
        MessageBoxRequest request;
        request.text = text;
        request.title = platform.process->programTitle();
        request.icon = icon;
        request.buttons = MessageButtons::Ok;
        request.rightAligned = rightToLeft;
        request.rtlReading = rightToLeft;
        platform.messages->show(request);
    }
};

} // namespace tavor
