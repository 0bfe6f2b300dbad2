#pragma once

#include "pipeline/BackupContext.h"
#include "pipeline/BackupPlan.h"
#include "pipeline/FileListing.h"
#include "pipeline/MainState.h"
#include "platform/Platform.h"
#include "window/ModelWindow.h"
#include "window/WindowModel.h"

#include <QTimer>
#include <memory>

namespace tavor {

class ORVApi;
class ORV_Bank;

// The main window without its widgets: the model of what it shows, the window that
// start-up and the pipeline see on that model, the state and objects they work on,
// and the timer of start-up's pauses. The unattended commands run on it alone;
// frmBackup shows it on screen.
class BackupForm {
public:
    explicit BackupForm(Platform platform);
    ~BackupForm();

    // Runs start-up. An error in its untrapped first steps ends the program
    // with an error report; so does a workstation without a branch database.
    void Load();
    // Each tick of the timer adds a dot to the wait notice.
    void Timer1_Timer();
    // Writes the state snapshot when ORV_STATE_DUMP names a file.
    void dumpState() { window_.writeStateDump(); }

    WindowModel& model() { return model_; }
    const WindowModel& model() const { return model_; }
    const MainState& state() const { return state_; }
    BackupContext& context() { return context_; }
    QTimer* Timer1() { return &timer1_; }

private:
    Platform platform_;
    std::unique_ptr<ORVApi> ApiObject;
    std::unique_ptr<ORV_Bank> BankObject;
    std::unique_ptr<DatabaseConnection> Connection;
    QString MediaPassword;
    MainState state_;
    FileListing File1_;
    BackupPlan plan_;
    WindowModel model_;
    QTimer timer1_;
    ModelWindow window_{model_, state_, timer1_};
    BackupContext context_;
};

} // namespace tavor
