#pragma once

#include "pipeline/BackupPlan.h"
#include "pipeline/BackupWindow.h"
#include "pipeline/FileListing.h"
#include "pipeline/MainState.h"
#include "platform/Platform.h"

#include <memory>

namespace tavor {

class ORVApi;
class ORV_Bank;

// What the pipeline's procedures work on: the platform, the window, the window's
// state, the plan of the next run and the objects start-up creates. The window
// owns all of it; the objects may be missing when start-up could not create them.
struct BackupContext {
    const Platform& platform;
    BackupWindow& window;
    MainState& state;
    std::unique_ptr<ORVApi>& api;
    std::unique_ptr<ORV_Bank>& bank;
    std::unique_ptr<DatabaseConnection>& connection;
    // Held in memory only: never shown, logged or dumped.
    QString& mediaPassword;
    // The maintenance panel's file list.
    FileListing& fileList;
    BackupPlan& plan;

    // The window's connection, its object created first when there is none.
    DatabaseConnection& databaseConnection() const;

    bool maintenanceMode() const;
    bool unattended() const;

    // A box with an OK button and the program's title; the Arabic texts read right
    // to left. Raises when the box cannot be shown.
    void showMessage(const QString& text, MessageIcon icon = MessageIcon::None,
                     bool rightToLeft = false) const;

    // Writes the state snapshot and ends the process. An unattended run that ends
    // before its copy run took place ends with 2, whatever the reason.
    void endProgram(int exitCode) const;
};

} // namespace tavor
