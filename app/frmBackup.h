#pragma once

#include "app/FormDesign.h"
#include "app/MainState.h"
#include "platform/PendingError.h"
#include "platform/Platform.h"

#include <QHash>
#include <QRect>
#include <QWidget>
#include <memory>

class QTimer;

namespace tavor {

class ORVApi;
class ORV_Bank;
class ORVLog;
class ORVProgressXP;
class PropertyBag;

// The program's one window: start-up, the drive list, the data-set list and
// the buttons that run the backup and end the program.
class frmBackup : public QWidget {
    Q_OBJECT

public:
    explicit frmBackup(Platform platform, QWidget* parent = nullptr);
    ~frmBackup() override;

    // Runs start-up. An error in its untrapped first steps ends the program
    // with an error report; so does a workstation without a branch database.
    void Load();

    void Form_Load();
    void Timer1_Timer();
    void Command3_Click();

    // The window's outer height in twips, frame included.
    int outerHeight() const { return outerHeight_; }
    void setOuterHeight(int twips);

    const MainState& state() const { return state_; }
    QWidget* control(const QString& name) const { return controls_.value(name); }
    // The geometry last set on a control, in twips from its container's corner.
    QRect twipsGeometry(const QString& name) const { return twips_.value(name); }
    QString containerName(const QString& name) const;
    QStringList controlNames() const;
    ORVLog* ORVLog1() const { return orvLog1_; }
    ORVLog* ORVLog2() const { return orvLog2_; }
    ORVProgressXP* ORVProgressXP1() const { return progress_; }
    QTimer* Timer1() const { return timer1_; }

    // Writes the state snapshot when ORV_STATE_DUMP names a file.
    void dumpState() const;

    static constexpr const char* AccessCode = "418265";

private:
    void buildControls();
    void loadPictures();
    QWidget* createControl(const ControlDesign& design, QWidget* container);
    void placeControl(const QString& name, int left, int top, int width, int height);
    void applyDesignFont(QWidget* widget, const ControlDesign& design);
    bool isMaintenanceMode() const;

    void PrepareControls();
    void ConnectToBranch();
    QString BranchConnectionString(const QString& password, const QString& userId) const;
    QString ReadSystemValue(const QString& name);
    void FormBranchNames();
    void ListTargetDrives();
    void ShowNotLinkedMessage();
    void centreOnScreen();
    void reportFatal(const Error& error);
    void endProgram(int exitCode);

    Platform platform_;
    std::unique_ptr<ORVApi> ApiObject;
    std::unique_ptr<ORV_Bank> BankObject;
    std::unique_ptr<DatabaseConnection> Connection;
    QString MediaPassword;
    MainState state_;
    PendingError pending_;

    QHash<QString, QWidget*> controls_;
    QHash<QString, QRect> twips_;
    QHash<QString, QString> containers_;
    ORVLog* orvLog1_ = nullptr;
    ORVLog* orvLog2_ = nullptr;
    ORVProgressXP* progress_ = nullptr;
    QTimer* timer1_ = nullptr;
    int outerHeight_ = FormDesign::ClientHeight + FormDesign::FrameAbove + FormDesign::FrameBelow;
};

} // namespace tavor
